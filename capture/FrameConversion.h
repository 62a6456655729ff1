#pragma once
// Camera frames in YUV and RGB layouts converted into the rows of a 24-bit bitmap.
#include <cstdint>

#include "platform/gui/Bitmap.h"

namespace orv {

// The bytes a frame of this format and size must have; 0 for a format read otherwise
// (compressed) or not read at all.
int RequiredFrameSize(uint32_t FourCC, int Width, int Height);

// Each writes Data into Bitmap, which is pf24bit and Width x Height already; Data holds
// RequiredFrameSize bytes. Luma and chroma follow ITU-R BT.601 with luma 16 to 235.
// Packed: Y0 U Y1 V for each pair of pixels.
void ConvertPackedYUV(const uint8_t* Data, int Width, int Height, TBitmap& Bitmap);
// Planar: the Y plane, then the U and V planes of half width and height (VFirst: V, then U).
void ConvertPlanarYUV(const uint8_t* Data, int Width, int Height, bool VFirst, TBitmap& Bitmap);
// Rows of blue, green, red from the top, without padding.
void CopyBGR(const uint8_t* Data, int Width, int Height, TBitmap& Bitmap);

// Says in the bitmap that a frame could not be read: its size and its format's four
// characters ("RGB" for uncompressed).
void DrawUnknownCompression(TBitmap& Bitmap, int Size, uint32_t FourCC);

}  // namespace orv
