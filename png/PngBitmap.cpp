#include "png/PngBitmap.h"

#include <new>

#include "png/PngErrors.h"

namespace orv {

void TPngBitmap::Create(int width, int height, int bitsPerPixel, bool alpha, bool extra,
                        bool extraAlpha) {
  Int64 rowBytes = RowBytes(width, bitsPerPixel);
  Int64 planeBytes = rowBytes * height;
  Int64 alphaBytes = Int64(width) * height;
  Int64 total = planeBytes * (extra ? 2 : 1) + alphaBytes * ((alpha ? 1 : 0) + (extraAlpha ? 1 : 0));
  if (width < 0 || height < 0 || total > MaxBytes) throw EPNGOutMemory(EPNGOutMemoryText);
  TPngBitmap fresh;
  try {
    fresh.bits_.assign(size_t(planeBytes), 0);
    if (alpha) fresh.alpha_.assign(size_t(alphaBytes), 255);
    if (extra) fresh.extra_.assign(size_t(planeBytes), 0);
    if (extraAlpha) fresh.extraAlpha_.assign(size_t(alphaBytes), 255);
  } catch (const std::bad_alloc&) {
    throw EPNGOutMemory(EPNGOutMemoryText);
  }
  fresh.width_ = width;
  fresh.height_ = height;
  fresh.bitsPerPixel_ = bitsPerPixel;
  fresh.bytesPerRow_ = size_t(rowBytes);
  fresh.palette_ = palette_;
  fresh.paletteCount_ = paletteCount_;
  *this = std::move(fresh);
}

int TPngBitmap::Index(const Byte* line, int x) const {
  switch (bitsPerPixel_) {
    case 1: return (line[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (line[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    default: return line[x];
  }
}

void TPngBitmap::SetIndex(Byte* line, int x, int value) const {
  switch (bitsPerPixel_) {
    case 1: {
      Byte mask = Byte(0x80 >> (x & 7));
      line[x >> 3] = Byte((line[x >> 3] & ~mask) | ((value & 1) ? mask : 0));
      break;
    }
    case 4: {
      int shift = (x & 1) ? 0 : 4;
      line[x >> 1] = Byte((line[x >> 1] & ~(0x0F << shift)) | ((value & 0x0F) << shift));
      break;
    }
    default: line[x] = Byte(value);
  }
}

}  // namespace orv
