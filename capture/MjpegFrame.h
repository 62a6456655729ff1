#pragma once
// Motion-JPEG frames made readable as JPEG files.
#include <cstdint>

#include "platform/rtl/Streams.h"

namespace orv {

// Writes the frame to Out as a JPEG file. Many cameras leave out the Huffman tables and use
// the JPEG standard's example tables without saying so; a frame without tables gets those
// tables before its scan. Anything else is written as it came.
void WriteMjpegFrame(const uint8_t* Data, int Size, TStream& Out);

}  // namespace orv
