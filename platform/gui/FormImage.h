#pragma once
// GetFormImage: a picture of a form as it stands, for screenshots of the program.
#include <memory>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Forms.h"

namespace orv {

// The form's window drawn into a 24-bit bitmap of its size, menu bar included. The frame and
// title bar are the window manager's and are not part of it.
std::unique_ptr<TBitmap> GetFormImage(TCustomForm& form);

}  // namespace orv
