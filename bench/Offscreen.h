#pragma once
// Benchmarks that start the GUI library run where no display is set, drawing off screen as the
// tests do, instead of ending at Qt's start.
#include <cstdlib>

#include "platform/gui/Display.h"

namespace orv {

// Before the GUI library starts: the offscreen platform when no display answers.
inline void UseOffscreenWithoutDisplay() {
  if (!MissingDisplayReason().empty()) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace orv
