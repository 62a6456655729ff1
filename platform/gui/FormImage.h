#pragma once
// GetFormImage: a picture of a form as it stands, for screenshots of the program;
// GetControlImage: a control painted into a bitmap, as a report draws a dialog's controls.
#include <memory>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Forms.h"

namespace orv {

// The form's window drawn into a 24-bit bitmap of its size, menu bar included. The frame and
// title bar are the window manager's and are not part of it.
std::unique_ptr<TBitmap> GetFormImage(TCustomForm& form);
// Any control drawn into a 24-bit bitmap of width × height, over the button face colour, even
// while the control is hidden.
std::unique_ptr<TBitmap> GetControlImage(TControl& control, int width, int height);

}  // namespace orv
