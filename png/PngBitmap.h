#pragma once
// The decoded pixels of a PNG image, laid out as a device-independent bitmap (rows bottom-up,
// each padded to a multiple of 4 bytes, a 256-entry palette), with the planes such a bitmap has
// no room for: alpha, and the low bytes of 16-bit samples.
#include <array>
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

// A palette entry in a bitmap's byte order.
struct TRGBQuad {
  Byte rgbBlue = 0;
  Byte rgbGreen = 0;
  Byte rgbRed = 0;
  Byte rgbReserved = 0;
  bool operator==(const TRGBQuad&) const = default;
};

// The pixel store of a PNG image.
class TPngBitmap {
 public:
  // Together the planes may not pass this; a larger image raises EPNGOutMemory.
  static constexpr Int64 MaxBytes = Int64(512) << 20;

  // Bytes in one row of a bitmap of this width and depth, padded to 4 bytes.
  static Int64 RowBytes(Int64 width, int bitsPerPixel) {
    return ((bitsPerPixel * width + 31) & ~Int64(31)) / 8;
  }

  // Replaces the planes by zeroed ones; bitsPerPixel is 1, 4, 8 or 24. The alpha planes start
  // fully opaque. Raises EPNGOutMemory when the planes would pass MaxBytes.
  void Create(int width, int height, int bitsPerPixel, bool alpha, bool extra, bool extraAlpha);
  void Clear() { *this = TPngBitmap(); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  size_t BytesPerRow() const { return bytesPerRow_; }
  bool HasAlpha() const { return !alpha_.empty(); }
  bool HasExtra() const { return !extra_.empty(); }
  bool HasExtraAlpha() const { return !extraAlpha_.empty(); }

  // Rows are counted from the top although the bits are kept bottom-up.
  Byte* ScanLine(int y) { return bits_.data() + RowOffset(y); }
  const Byte* ScanLine(int y) const { return bits_.data() + RowOffset(y); }
  // The low bytes of 16-bit samples, in the layout of the bits.
  Byte* ExtraScanLine(int y) { return extra_.data() + RowOffset(y); }
  const Byte* ExtraScanLine(int y) const { return extra_.data() + RowOffset(y); }
  // Alpha planes are Width bytes per row, top-down, without padding.
  Byte* AlphaLine(int y) { return alpha_.data() + size_t(y) * width_; }
  const Byte* AlphaLine(int y) const { return alpha_.data() + size_t(y) * width_; }
  // The low bytes of 16-bit alpha.
  Byte* ExtraAlphaLine(int y) { return extraAlpha_.data() + size_t(y) * width_; }
  const Byte* ExtraAlphaLine(int y) const { return extraAlpha_.data() + size_t(y) * width_; }

  Byte* Bits() { return bits_.data(); }
  Byte* Alpha() { return alpha_.data(); }
  Byte* Extra() { return extra_.data(); }

  std::array<TRGBQuad, 256>& Palette() { return palette_; }
  const std::array<TRGBQuad, 256>& Palette() const { return palette_; }
  // Entries in use.
  int PaletteCount() const { return paletteCount_; }
  void SetPaletteCount(int count) { paletteCount_ = count; }

  // The pixel value at x in a row of a palette bitmap (1, 4 or 8 bits per pixel).
  int Index(const Byte* line, int x) const;
  void SetIndex(Byte* line, int x, int value) const;

 private:
  size_t RowOffset(int y) const { return size_t(height_ - 1 - y) * bytesPerRow_; }

  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  size_t bytesPerRow_ = 0;
  std::vector<Byte> bits_;
  std::vector<Byte> alpha_;
  std::vector<Byte> extra_;
  std::vector<Byte> extraAlpha_;
  std::array<TRGBQuad, 256> palette_{};
  int paletteCount_ = 0;
};

}  // namespace orv
