#pragma once
// Camera frames in YUV and RGB layouts converted into rows of blue, green, red.
#include <cstddef>
#include <cstdint>

#include "platform/gui/Bitmap.h"
#include "platform/video/VideoDevice.h"

namespace orv {

// A frame as the device lays it out. BytesPerLine is the length of one row of the luma plane
// or of the packed pixels, padding included; 0 means rows without padding. Chroma planes have
// half the luma rows' length, as V4L2 lays them out.
struct TFrameLayout {
  uint32_t FourCC = 0;
  int Width = 0;
  int Height = 0;
  int BytesPerLine = 0;
};

// Where converted rows go: row y starts at First + y * Step, Width x 3 bytes.
struct TRowTarget {
  uint8_t* First = nullptr;
  ptrdiff_t Step = 0;
};
TRowTarget RowsOf(TBitmap& Bitmap);

// The bytes a frame of this layout needs; 0 for a format read otherwise (compressed) or not
// read at all, -1 for a size the format cannot have (odd sizes of subsampled formats).
int RequiredFrameSize(const TFrameLayout& Layout);

// Converts a frame of exactly RequiredFrameSize bytes; false (nothing written) for a frame of
// another size or of a format read otherwise. Luma and chroma follow ITU-R BT.601 with
// luma 16 to 235. Formats: 0 (rows of blue, green, red from the top), "YUYV"/"YUY2"/"YUNV"
// (Y0 U Y1 V for each pair of pixels), "I420"/"IYUV" (Y, U and V planes) and "YV12" (Y, V, U).
bool ConvertFrameRows(const uint8_t* Data, int Size, const TFrameLayout& Layout, TRowTarget Target);

// Says in the bitmap that a frame could not be read: its size and its format's four
// characters ("RGB" for uncompressed).
void DrawUnknownCompression(TBitmap& Bitmap, int Size, uint32_t FourCC);

}  // namespace orv
