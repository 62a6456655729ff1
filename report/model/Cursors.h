#pragma once
// The report library's own cursors, entered in the screen's cursor table at library start.
#include "platform/gui/Cursors.h"

namespace orv {

inline constexpr TCursor crHand = 150;
inline constexpr TCursor crZoom = 151;
inline constexpr TCursor crFormat = 152;

// Enters the hand, zoom and format cursors under their numbers; once.
void kvxRegisterCursors();

}  // namespace orv
