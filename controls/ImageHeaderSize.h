#pragma once
// The width and height an image file's header states, read without decoding the image.
#include <vector>

#include "platform/gui/Graphics.h"

namespace orv {

// Read by the file's extension (".jpg", ".jpeg", ".png", ".bmp", ".tiff", ".gif", any case); 0 x 0
// for other extensions and for headers that are not what the extension says. Never reads past
// the end of Bytes.
TSize ImageFileHeaderSize(const String& FileName, const std::vector<Byte>& Bytes);

}  // namespace orv
