#include "platform/gui/MetafileDib.h"

#include <array>
#include <bit>
#include <cstdint>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/PixelBudget.h"

namespace orv {

namespace {

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

[[noreturn]] void Bad() { throw EInvalidGraphic("Metafile is not valid"); }

std::uint32_t U32(const Byte* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
std::uint16_t U16(const Byte* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// What the info header says, with the sizes of the parts behind it.
struct TDibHeader {
  Int64 Width = 0, Height = 0;
  int Bits = 0;
  std::uint32_t Compression = kRgb;
  size_t HeaderSize = 0, MaskBytes = 0, PaletteCount = 0, EntrySize = 4;
  std::array<std::uint32_t, 3> Masks{};
};

bool ReadHeader(const Byte* info, size_t size, TDibHeader& h) {
  if (size < 12) return false;
  h.HeaderSize = U32(info);
  if (h.HeaderSize == 12) {
    // The old core header: 16-bit sides, three-byte palette entries.
    h.Width = U16(info + 4);
    h.Height = U16(info + 6);
    h.Bits = U16(info + 10);
    h.EntrySize = 3;
  } else {
    if (h.HeaderSize < 40 || h.HeaderSize > size) return false;
    h.Width = static_cast<std::int32_t>(U32(info + 4));
    h.Height = static_cast<std::int32_t>(U32(info + 8));
    h.Bits = U16(info + 14);
    h.Compression = U32(info + 16);
    const std::uint32_t used = U32(info + 32);
    if (h.Compression == kBitFields || h.Compression == kAlphaBitFields) {
      // A plain info header has its masks behind it; the later headers hold them.
      const size_t maskCount = h.Compression == kAlphaBitFields ? 4 : 3;
      if (h.HeaderSize == 40) h.MaskBytes = 4 * maskCount;
      if (h.HeaderSize + h.MaskBytes > size || (h.HeaderSize > 40 && h.HeaderSize < 52)) return false;
      for (size_t i = 0; i < 3; ++i) h.Masks[i] = U32(info + 40 + 4 * i);
    }
    h.PaletteCount = used;
    if (used > 256 && h.Bits <= 8) h.PaletteCount = 256;
    if (used > 65536) return false;
  }
  if (h.Bits <= 8 && h.PaletteCount == 0 && h.Bits > 0) h.PaletteCount = size_t{1} << h.Bits;
  return h.HeaderSize + h.MaskBytes + h.PaletteCount * h.EntrySize <= size;
}

// A channel of a masked pixel, spread over 0..255.
struct TChannel {
  explicit TChannel(std::uint32_t mask) : Mask(mask), Shift(mask ? std::countr_zero(mask) : 0), Max(mask ? mask >> Shift : 1) {}
  int operator()(std::uint32_t v) const { return static_cast<int>((((v & Mask) >> Shift) * 255 + Max / 2) / Max); }
  std::uint32_t Mask;
  int Shift;
  std::uint32_t Max;
};

// Runs of one index and stretches of literal indices, rows from the bottom; pixels the runs
// skip stay transparent.
void DecodeRle(QImage& image, const Byte* bits, size_t size, bool four, const std::array<QRgb, 256>& palette) {
  const int w = image.width(), h = image.height();
  int x = 0, y = h - 1;
  auto put = [&](int index) {
    if (x < w && y >= 0) reinterpret_cast<QRgb*>(image.scanLine(y))[x] = palette[static_cast<size_t>(index)];
    ++x;
  };
  size_t pos = 0;
  while (pos + 2 <= size && y >= 0) {
    const int count = bits[pos], value = bits[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < w; ++i) put(four ? (i % 2 ? value & 15 : value >> 4) : value);
      continue;
    }
    if (value == 0) {
      x = 0;
      --y;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (pos + 2 > size) return;
      x += bits[pos];
      y -= bits[pos + 1];
      pos += 2;
    } else {
      const size_t bytes = four ? (static_cast<size_t>(value) + 1) / 2 : static_cast<size_t>(value);
      if (pos + bytes > size) return;
      for (int i = 0; i < value; ++i) {
        const Byte b = bits[pos + (four ? static_cast<size_t>(i) / 2 : static_cast<size_t>(i))];
        put(four ? (i % 2 ? b & 15 : b >> 4) : b);
      }
      pos += (bytes + 1) & ~size_t{1};
    }
  }
}

}  // namespace

size_t DibInfoSize(const Byte* info, size_t size) {
  TDibHeader h;
  if (!ReadHeader(info, size, h)) return 0;
  return h.HeaderSize + h.MaskBytes + h.PaletteCount * h.EntrySize;
}

std::vector<Byte> DibInfoFromPalette(const Byte* info, size_t size, const std::vector<QRgb>& palette,
                                     size_t& indexedSize) {
  TDibHeader h;
  // The header alone is read here: its palette holds two bytes an entry, not what it says.
  if (size < 12 || U32(info) > size || !ReadHeader(info, SIZE_MAX / 4, h)) return {};
  const size_t head = h.HeaderSize + h.MaskBytes;
  const size_t count = h.Bits <= 8 ? h.PaletteCount : 0;
  if (head > size || count > (size - head) / 2) return {};
  indexedSize = head + 2 * count;
  std::vector<Byte> result(info, info + head);
  for (size_t i = 0; i < count; ++i) {
    const size_t index = U16(info + head + 2 * i);
    const QRgb c = index < palette.size() ? palette[index] : 0xFF000000u;
    result.push_back(static_cast<Byte>(qBlue(c)));
    result.push_back(static_cast<Byte>(qGreen(c)));
    result.push_back(static_cast<Byte>(qRed(c)));
    if (h.EntrySize == 4) result.push_back(0);
  }
  return result;
}

QImage DecodeDib(const Byte* info, size_t infoSize, const Byte* bits, size_t bitsSize, String& unsupported) {
  TDibHeader h;
  if (!ReadHeader(info, infoSize, h)) Bad();
  const bool topDown = h.Height < 0;
  const Int64 width = h.Width, height = topDown ? -h.Height : h.Height;
  if (!PictureFitsBudget(width, height)) Bad();
  const bool rle = h.Compression == kRle8 || h.Compression == kRle4;
  const bool masked = h.Compression == kBitFields || h.Compression == kAlphaBitFields;
  if (!(h.Compression == kRgb || (h.Compression == kRle8 && h.Bits == 8) || (h.Compression == kRle4 && h.Bits == 4) ||
        (masked && (h.Bits == 16 || h.Bits == 32)))) {
    unsupported = "bitmap of " + std::to_string(h.Bits) + " bits in form " + std::to_string(h.Compression);
    return {};
  }
  if (h.Bits != 1 && h.Bits != 4 && h.Bits != 8 && h.Bits != 16 && h.Bits != 24 && h.Bits != 32) Bad();
  if (rle && topDown) Bad();

  std::array<QRgb, 256> palette;
  palette.fill(0xFF000000u);
  const Byte* entries = info + h.HeaderSize + h.MaskBytes;
  for (size_t i = 0; i < h.PaletteCount && i < palette.size() && h.Bits <= 8; ++i) {
    const Byte* e = entries + i * h.EntrySize;
    palette[i] = qRgb(e[2], e[1], e[0]);
  }
  if (!masked) h.Masks = h.Bits == 16 ? std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                                      : std::array<std::uint32_t, 3>{0xFF0000, 0x00FF00, 0x0000FF};
  const TChannel red(h.Masks[0]), green(h.Masks[1]), blue(h.Masks[2]);

  QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32);
  if (image.isNull()) Bad();
  if (rle) {
    image.fill(Qt::transparent);
    DecodeRle(image, bits, bitsSize, h.Compression == kRle4, palette);
    return image;
  }
  const Int64 stride = (width * h.Bits + 31) / 32 * 4;
  if (static_cast<Int64>(bitsSize) < stride * height) Bad();
  for (Int64 row = 0; row < height; ++row) {
    const Byte* src = bits + row * stride;
    auto* dst = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(topDown ? row : height - 1 - row)));
    for (Int64 x = 0; x < width; ++x) {
      switch (h.Bits) {
        case 1: dst[x] = palette[(src[x / 8] >> (7 - x % 8)) & 1]; break;
        case 4: dst[x] = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 15]; break;
        case 8: dst[x] = palette[src[x]]; break;
        case 16: {
          const std::uint32_t v = U16(src + 2 * x);
          dst[x] = qRgb(red(v), green(v), blue(v));
          break;
        }
        case 24: dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
        default: {
          // The fourth byte is not alpha to a plain bitmap blit: the picture is opaque.
          const std::uint32_t v = U32(src + 4 * x);
          dst[x] = qRgb(red(v), green(v), blue(v));
          break;
        }
      }
    }
  }
  return image;
}

}  // namespace orv
