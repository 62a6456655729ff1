#pragma once
// The typeface every window of the register shows its Thai captions and data in.
#include "platform/gui/Forms.h"

namespace orv {

void SetThaiWindowFont(TForm* form);

}  // namespace orv
