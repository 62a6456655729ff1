#include "platform/gui/Cursors.h"

#include "platform/gui/Screen.h"

namespace orv {

THourGlass::THourGlass() : saved_(Screen->Cursor()) { Screen->SetCursor(crHourGlass); }

THourGlass::~THourGlass() { Screen->SetCursor(saved_); }

}  // namespace orv
