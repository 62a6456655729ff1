#pragma once
// How the image data of a PNG is laid out: bytes per row and per pixel, and the Adam7 passes.
#include "platform/rtl/Types.h"

namespace orv {

// Channels of a pixel by colour type: grey, -, RGB, palette index, grey+alpha, -, RGBA.
inline int PngChannels(Byte colorType) {
  switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// Bytes of one row of pixels, without its filter byte.
inline Int64 PngRowBytes(Int64 pixels, Byte colorType, Byte bitDepth) {
  return (pixels * bitDepth * PngChannels(colorType) + 7) / 8;
}

// The distance the Sub, Average and Paeth filters look back: one pixel, at least one byte.
inline int PngFilterStep(Byte colorType, Byte bitDepth) {
  int bits = bitDepth * PngChannels(colorType);
  return bits < 8 ? 1 : bits / 8;
}

// One pass of an image: a whole non-interlaced image or one of the seven Adam7 passes.
struct TPngPass {
  int StartRow, StartColumn, RowStep, ColumnStep;
  // Pixels per row and rows of this pass in an image of the given size.
  Int64 Columns(Int64 width) const { return (width - StartColumn + ColumnStep - 1) / ColumnStep; }
  Int64 Rows(Int64 height) const { return (height - StartRow + RowStep - 1) / RowStep; }
};

inline constexpr TPngPass PngWholeImage{0, 0, 1, 1};
inline constexpr TPngPass Adam7Passes[7] = {
    {0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
    {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1},
};

// Calls visit(pass, columns, rows, rowBytes) for every pass that has pixels, in the order of the
// file: the seven Adam7 passes of an interlaced image, or the whole image as one pass. rowBytes
// is a row of the pass without its filter byte.
template <class Visit>
void ForEachPngPass(Int64 width, Int64 height, Byte colorType, Byte bitDepth, bool interlaced,
                    Visit visit) {
  for (int p = 0; p < (interlaced ? 7 : 1); ++p) {
    const TPngPass& pass = interlaced ? Adam7Passes[p] : PngWholeImage;
    int columns = int(pass.Columns(width));
    int rows = int(pass.Rows(height));
    if (columns <= 0 || rows <= 0) continue;
    visit(pass, columns, rows, size_t(PngRowBytes(columns, colorType, bitDepth)));
  }
}

// Bytes of the filtered image data before compression: every row of every pass with its
// filter byte. Empty passes have no rows.
inline Int64 PngImageDataSize(Int64 width, Int64 height, Byte colorType, Byte bitDepth,
                              bool interlaced) {
  if (!interlaced) return height * (1 + PngRowBytes(width, colorType, bitDepth));
  Int64 total = 0;
  for (const TPngPass& p : Adam7Passes) {
    Int64 columns = p.Columns(width);
    Int64 rows = p.Rows(height);
    if (columns > 0 && rows > 0) total += rows * (1 + PngRowBytes(columns, colorType, bitDepth));
  }
  return total;
}

}  // namespace orv
