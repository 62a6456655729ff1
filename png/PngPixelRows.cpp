#include "png/PngPixelRows.h"

#include <cstring>
#include <numeric>

#include "png/PngLayout.h"

namespace orv {

namespace {

// Samples below 8 bits are packed from the most significant bit.
int Sample(const Byte* raw, int i, int depth) {
  switch (depth) {
    case 1: return (raw[i >> 3] >> (7 - (i & 7))) & 1;
    case 2: return (raw[i >> 2] >> (6 - 2 * (i & 3))) & 3;
    case 4: return (raw[i >> 1] >> ((i & 1) ? 0 : 4)) & 15;
    default: return raw[i];
  }
}

void PutSample(Byte* raw, int i, int depth, int value) {
  switch (depth) {
    case 1: raw[i >> 3] = Byte(raw[i >> 3] | (value & 1) << (7 - (i & 7))); break;
    case 2: raw[i >> 2] = Byte(raw[i >> 2] | (value & 3) << (6 - 2 * (i & 3))); break;
    case 4: raw[i >> 1] = Byte(raw[i >> 1] | (value & 15) << ((i & 1) ? 0 : 4)); break;
    default: raw[i] = Byte(value);
  }
}

}  // namespace

TPngPixelRows::TPngPixelRows(TChunkIHDR& header, Byte rowDepth)
    : bitmap_(header.Bitmap()),
      colorType_(header.ColorType()),
      rowDepth_(rowDepth) {}

void TPngPixelRows::StoreIndices(const Byte* raw, Byte* line, int x0, int dx, int count) {
  if (dx == 1 && x0 == 0 && rowDepth_ == bitmap_.BitsPerPixel()) {
    std::memcpy(line, raw, size_t(PngRowBytes(count, colorType_, rowDepth_)));
    return;
  }
  // A 2-bit grey sample s is kept in a 4-bit store as s * 5, so that its grey level
  // (s * 85) is the same in both scales and 3 stays white.
  int scale = (rowDepth_ == 2 && colorType_ == 0) ? 5 : 1;
  for (int i = 0; i < count; ++i)
    bitmap_.SetIndex(line, x0 + i * dx, Sample(raw, i, rowDepth_) * scale);
}

void TPngPixelRows::BuildIndices(Byte* raw, const Byte* line, int x0, int dx, int count) const {
  size_t bytes = size_t(PngRowBytes(count, colorType_, rowDepth_));
  if (dx == 1 && x0 == 0 && rowDepth_ == bitmap_.BitsPerPixel()) {
    std::memcpy(raw, line, bytes);
    // Bits behind the last pixel are padding in the store, but part of the row in the file.
    int bits = count * rowDepth_;
    if (bits % 8) raw[bytes - 1] = Byte(raw[bytes - 1] & (0xFF00 >> (bits % 8)));
    return;
  }
  std::memset(raw, 0, bytes);
  for (int i = 0; i < count; ++i) PutSample(raw, i, rowDepth_, bitmap_.Index(line, x0 + i * dx));
}

void TPngPixelRows::StoreReduced(const Byte* raw, int y, int x0, int dx, int count, int reduction) {
  if (reduction == 1) {
    Store(raw, y, x0, dx, count);
    return;
  }
  if (y % reduction != 0) return;
  const int bits = rowDepth_ * PngChannels(colorType_);
  kept_.assign(size_t(PngRowBytes(count, colorType_, rowDepth_)), 0);
  int n = 0, first = -1;
  for (int i = 0, x = x0; i < count; ++i, x += dx) {
    if (x % reduction != 0) continue;
    if (first < 0) first = x;
    if (bits < 8) PutSample(kept_.data(), n, rowDepth_, Sample(raw, i, rowDepth_));
    else std::memcpy(kept_.data() + size_t(n) * size_t(bits / 8), raw + size_t(i) * size_t(bits / 8), size_t(bits / 8));
    ++n;
  }
  // The kept columns of a pass are every lcm(dx, reduction)-th of the file.
  if (n > 0) Store(kept_.data(), y / reduction, first / reduction, std::lcm(dx, reduction) / reduction, n);
}

void TPngPixelRows::Store(const Byte* raw, int y, int x0, int dx, int count) {
  Byte* line = bitmap_.ScanLine(y);
  if (colorType_ == 3 || (colorType_ == 0 && rowDepth_ < 16)) {
    StoreIndices(raw, line, x0, dx, count);
    return;
  }
  switch (colorType_ * 100 + rowDepth_) {
    case 16:
    case 408: {
      // The second byte of a pixel is the low byte of 16-bit grey or the alpha of 8-bit grey.
      Byte* second = colorType_ == 4 ? bitmap_.AlphaLine(y) : bitmap_.ExtraScanLine(y);
      for (int i = 0, x = x0; i < count; ++i, x += dx) {
        line[x] = raw[2 * i];
        second[x] = raw[2 * i + 1];
      }
      break;
    }
    case 416: {
      Byte* extra = bitmap_.ExtraScanLine(y);
      Byte* alpha = bitmap_.AlphaLine(y);
      Byte* extraAlpha = bitmap_.ExtraAlphaLine(y);
      for (int i = 0, x = x0; i < count; ++i, x += dx) {
        const Byte* s = raw + 4 * i;
        line[x] = s[0];
        extra[x] = s[1];
        alpha[x] = s[2];
        extraAlpha[x] = s[3];
      }
      break;
    }
    case 208:
    case 608: {
      int n = colorType_ == 6 ? 4 : 3;
      Byte* alpha = colorType_ == 6 ? bitmap_.AlphaLine(y) : nullptr;
      Byte* p = line + 3 * x0;
      const Byte* s = raw;
      size_t stride = 3 * size_t(dx);
      for (int i = 0; i < count; ++i, p += stride, s += n) {
        p[0] = s[2];
        p[1] = s[1];
        p[2] = s[0];
      }
      if (alpha)
        for (int i = 0, x = x0; i < count; ++i, x += dx) alpha[x] = raw[4 * i + 3];
      break;
    }
    case 216:
    case 616: {
      int n = colorType_ == 6 ? 8 : 6;
      Byte* extra = bitmap_.ExtraScanLine(y);
      Byte* alpha = colorType_ == 6 ? bitmap_.AlphaLine(y) : nullptr;
      Byte* extraAlpha = colorType_ == 6 ? bitmap_.ExtraAlphaLine(y) : nullptr;
      for (int i = 0, x = x0; i < count; ++i, x += dx) {
        const Byte* s = raw + n * i;
        Byte* p = line + 3 * x;
        Byte* e = extra + 3 * x;
        for (int c = 0; c < 3; ++c) {
          p[2 - c] = s[2 * c];
          e[2 - c] = s[2 * c + 1];
        }
        if (alpha) {
          alpha[x] = s[6];
          extraAlpha[x] = s[7];
        }
      }
      break;
    }
  }
}

void TPngPixelRows::Build(Byte* raw, int y, int x0, int dx, int count) const {
  const Byte* line = bitmap_.ScanLine(y);
  if (colorType_ == 3 || (colorType_ == 0 && rowDepth_ < 16)) {
    BuildIndices(raw, line, x0, dx, count);
    return;
  }
  switch (colorType_ * 100 + rowDepth_) {
    case 16:
    case 408: {
      const Byte* second = colorType_ == 4 ? bitmap_.AlphaLine(y) : bitmap_.ExtraScanLine(y);
      for (int i = 0, x = x0; i < count; ++i, x += dx) {
        raw[2 * i] = line[x];
        raw[2 * i + 1] = second[x];
      }
      break;
    }
    case 416: {
      const Byte* extra = bitmap_.ExtraScanLine(y);
      const Byte* alpha = bitmap_.AlphaLine(y);
      const Byte* extraAlpha = bitmap_.ExtraAlphaLine(y);
      for (int i = 0, x = x0; i < count; ++i, x += dx) {
        Byte* s = raw + 4 * i;
        s[0] = line[x];
        s[1] = extra[x];
        s[2] = alpha[x];
        s[3] = extraAlpha[x];
      }
      break;
    }
    case 208:
    case 608: {
      int n = colorType_ == 6 ? 4 : 3;
      const Byte* alpha = colorType_ == 6 ? bitmap_.AlphaLine(y) : nullptr;
      for (int i = 0, x = x0; i < count; ++i, x += dx) {
        Byte* s = raw + n * i;
        const Byte* p = line + 3 * x;
        s[0] = p[2];
        s[1] = p[1];
        s[2] = p[0];
        if (alpha) s[3] = alpha[x];
      }
      break;
    }
    case 216:
    case 616: {
      int n = colorType_ == 6 ? 8 : 6;
      const Byte* extra = bitmap_.ExtraScanLine(y);
      const Byte* alpha = colorType_ == 6 ? bitmap_.AlphaLine(y) : nullptr;
      const Byte* extraAlpha = colorType_ == 6 ? bitmap_.ExtraAlphaLine(y) : nullptr;
      for (int i = 0, x = x0; i < count; ++i, x += dx) {
        Byte* s = raw + n * i;
        const Byte* p = line + 3 * x;
        const Byte* e = extra + 3 * x;
        for (int c = 0; c < 3; ++c) {
          s[2 * c] = p[2 - c];
          s[2 * c + 1] = e[2 - c];
        }
        if (alpha) {
          s[6] = alpha[x];
          s[7] = extraAlpha[x];
        }
      }
      break;
    }
  }
}

}  // namespace orv
