#pragma once
// Alt + the letter a caption marks with "&", for self-painting controls that show their caption
// themselves.
#include <functional>

#include "platform/gui/Controls.h"

namespace orv {

// From now on Alt + the marked letter of caption runs handler while control's window is active
// and control is showing and enabled; replaces what an earlier call with the same control and
// slot set (a control with several captions, such as a tab pager, gives each its own slot). A
// caption without a marked letter ("&&" is a plain ampersand) sets nothing.
void SetAccelerator(TControl* control, const String& caption, std::function<void()> handler,
                    const void* slot = nullptr);

}  // namespace orv
