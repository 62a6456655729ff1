#pragma once
// Inside the graphics layer: the device-independent bitmaps that metafile records carry (an info
// header with its colour masks and palette, then the rows), decoded to pixels.
#include <QImage>

#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

// The bytes of a bitmap's info header, masks and palette, from the header's own sizes; 0 when the
// header is not one we read or does not fit in size.
size_t DibInfoSize(const Byte* info, size_t size);

// The info of a bitmap whose palette holds 16-bit indices into a logical palette, with those
// entries' colours in their place, and in indexedSize the bytes the info takes in its record;
// empty when the header is not one we read or does not fit in size.
std::vector<Byte> DibInfoFromPalette(const Byte* info, size_t size, const std::vector<QRgb>& palette,
                                     size_t& indexedSize);

// The bitmap as 32-bit pixels with alpha, top row first: 1, 4, 8, 16, 24 and 32 bits a pixel,
// plain, with colour masks or run-length encoded, rows from the bottom or from the top.
// EInvalidGraphic when the header claims more pixels than the budget or the bits cannot hold its
// rows; a null image with why in unsupported for a form not read here.
QImage DecodeDib(const Byte* info, size_t infoSize, const Byte* bits, size_t bitsSize, String& unsupported);

}  // namespace orv
