#pragma once
// Whether the program has a screen to open its windows on, asked before the first window: the
// window system library ends a program it cannot connect, with no word the user can act on.
#include "platform/rtl/Types.h"

namespace orv {

// Empty when windows can be shown: the display named by DISPLAY answers, a Wayland compositor
// listens on its socket and Qt has its Wayland plugin (Qt is then pointed at Wayland when no
// platform is named), or QT_QPA_PLATFORM names a platform without one (offscreen). Otherwise
// why not, in Thai, naming the display that was tried.
String MissingDisplayReason();

}  // namespace orv
