// The bitmaps inside metafile records decode as Qt's own BMP reader reads the same bitmap behind
// a file header: every depth, colour masks, run lengths, rows from the top; and a bitmap that
// claims more than it holds is refused.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <functional>
#include <string>

#include "platform/gui/MetafileDib.h"
#include "platform/rtl/Exceptions.h"

namespace orv {
namespace {

void Put32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
}
void Put16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v);
  s += static_cast<char>(v >> 8);
}

struct TDib {
  std::string Info, Bits;
};

// An info header of 40 bytes (negative height for rows from the top), masks, palette, and the
// rows made by pixel(x, y) for rows listed from the top.
TDib Make(int width, int height, int bits, std::uint32_t compression, bool topDown,
          const std::vector<std::uint32_t>& masks, int paletteSize,
          const std::function<std::uint32_t(int, int)>& pixel) {
  TDib d;
  Put32(d.Info, 40);
  Put32(d.Info, static_cast<std::uint32_t>(width));
  Put32(d.Info, static_cast<std::uint32_t>(topDown ? -height : height));
  Put16(d.Info, 1);
  Put16(d.Info, static_cast<std::uint16_t>(bits));
  Put32(d.Info, compression);
  Put32(d.Info, 0);
  Put32(d.Info, 2835);
  Put32(d.Info, 2835);
  Put32(d.Info, static_cast<std::uint32_t>(paletteSize));
  Put32(d.Info, 0);
  for (std::uint32_t m : masks) Put32(d.Info, m);
  for (int i = 0; i < paletteSize; ++i) Put32(d.Info, static_cast<std::uint32_t>(i * 0x3B1D07 + 0x102030) & 0xFFFFFF);
  const int stride = (width * bits + 31) / 32 * 4;
  for (int r = 0; r < height; ++r) {
    const int y = topDown ? r : height - 1 - r;
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = pixel(x, y);
      if (bits == 1) row[x / 8] = static_cast<char>(row[x / 8] | v << (7 - x % 8));
      else if (bits == 4) row[x / 2] = static_cast<char>(row[x / 2] | v << (x % 2 ? 0 : 4));
      else
        for (int b = 0; b < bits / 8; ++b) row[static_cast<size_t>(x * bits / 8 + b)] = static_cast<char>(v >> (8 * b));
    }
    d.Bits += row;
  }
  return d;
}

// Qt's reading of the bitmap as a .bmp file.
QImage QtReading(const TDib& d) {
  std::string file = "BM";
  Put32(file, static_cast<std::uint32_t>(14 + d.Info.size() + d.Bits.size()));
  Put32(file, 0);
  Put32(file, static_cast<std::uint32_t>(14 + d.Info.size()));
  file += d.Info + d.Bits;
  QByteArray bytes(file.data(), static_cast<qsizetype>(file.size()));
  QBuffer buffer(&bytes);
  return QImageReader(&buffer, "BMP").read();
}

QImage Ours(const TDib& d) {
  String unsupported;
  QImage image = DecodeDib(reinterpret_cast<const Byte*>(d.Info.data()), d.Info.size(),
                           reinterpret_cast<const Byte*>(d.Bits.data()), d.Bits.size(), unsupported);
  EXPECT_FALSE(image.isNull()) << unsupported;
  EXPECT_EQ(DibInfoSize(reinterpret_cast<const Byte*>(d.Info.data()), d.Info.size()), d.Info.size());
  return image;
}

// tolerance: how far a channel may differ. Five or six bits spread over eight are rounded here
// and shifted by Qt, which differ by up to 7.
void ExpectSamePixels(const TDib& d, int tolerance = 0) {
  QImage ours = Ours(d), theirs = QtReading(d);
  ASSERT_FALSE(theirs.isNull());
  ASSERT_EQ(ours.size(), theirs.size());
  for (int y = 0; y < ours.height(); ++y)
    for (int x = 0; x < ours.width(); ++x) {
      const QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
      ASSERT_LE(std::abs(qRed(a) - qRed(b)), tolerance) << x << "," << y;
      ASSERT_LE(std::abs(qGreen(a) - qGreen(b)), tolerance) << x << "," << y;
      ASSERT_LE(std::abs(qBlue(a) - qBlue(b)), tolerance) << x << "," << y;
    }
}

TEST(MetafileDib, EveryDepthDecodesAsQtReadsIt) {
  auto pattern = [](int x, int y) { return static_cast<std::uint32_t>(x * 37 + y * 101 + x * y * 7); };
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "rows from the top" : "rows from the bottom");
    ExpectSamePixels(Make(13, 7, 1, 0, topDown, {}, 2, [&](int x, int y) { return pattern(x, y) & 1; }));
    ExpectSamePixels(Make(13, 7, 4, 0, topDown, {}, 16, [&](int x, int y) { return pattern(x, y) & 15; }));
    ExpectSamePixels(Make(13, 7, 8, 0, topDown, {}, 256, [&](int x, int y) { return pattern(x, y) & 255; }));
    ExpectSamePixels(Make(13, 7, 16, 0, topDown, {}, 0, [&](int x, int y) { return pattern(x, y) * 331 & 0x7FFF; }), 7);
    ExpectSamePixels(Make(13, 7, 16, 3, topDown, {0xF800, 0x07E0, 0x001F}, 0,
                          [&](int x, int y) { return pattern(x, y) * 331 & 0xFFFF; }), 7);
    ExpectSamePixels(Make(13, 7, 24, 0, topDown, {}, 0, [&](int x, int y) { return pattern(x, y) * 65599 & 0xFFFFFF; }));
    ExpectSamePixels(Make(13, 7, 32, 0, topDown, {}, 0, [&](int x, int y) { return pattern(x, y) * 65599 & 0xFFFFFF; }));
    ExpectSamePixels(Make(13, 7, 32, 3, topDown, {0x0000FF00, 0x00FF0000, 0xFF000000}, 0,
                          [&](int x, int y) { return pattern(x, y) * 2654435761u & 0xFFFFFF00; }));
  }
}

TEST(MetafileDib, RunLengthBitmapsDecodeAsQtReadsThem) {
  // Eight bits: a run, literal indices (padded to a word), a run, end of line; then a run to the
  // end of the row; end of bitmap. Four bits: runs of two alternating indices and literals.
  for (int bits : {8, 4}) {
    SCOPED_TRACE(bits);
    TDib d = Make(10, 2, bits, bits == 8 ? 1 : 2, false, {}, bits == 8 ? 256 : 16,
                  [](int, int) { return 0u; });
    d.Bits.clear();
    if (bits == 8) d.Bits = std::string("\x03\x05\x00\x03\x07\x08\x09\x00\x04\x0A\x00\x00\x0A\x21\x00\x01", 16);
    else d.Bits = std::string("\x04\x12\x00\x04\x34\x56\x02\xAB\x00\x00\x0A\xCD\x00\x01", 14);
    ExpectSamePixels(d);
  }
}

TEST(MetafileDib, BitmapsClaimingMoreThanTheyHoldAreRefused) {
  auto zero = [](int, int) { return 0u; };
  TDib fine = Make(16, 16, 24, 0, false, {}, 0, zero);
  String unsupported;
  auto decode = [&](const TDib& d) {
    return DecodeDib(reinterpret_cast<const Byte*>(d.Info.data()), d.Info.size(),
                     reinterpret_cast<const Byte*>(d.Bits.data()), d.Bits.size(), unsupported);
  };
  // Rows cut short.
  TDib cut = fine;
  cut.Bits.resize(cut.Bits.size() - 1);
  EXPECT_THROW(decode(cut), EInvalidGraphic);
  // Sides beyond the pixel budget, whatever bits follow.
  TDib huge = fine;
  huge.Info.replace(4, 4, std::string("\x00\x00\x01\x00", 4));
  huge.Info.replace(8, 4, std::string("\x00\x00\x01\x00", 4));
  EXPECT_THROW(decode(huge), EInvalidGraphic);
  // A palette larger than the header's bytes.
  TDib palette = Make(4, 4, 8, 0, false, {}, 256, zero);
  palette.Info.resize(100);
  EXPECT_THROW(decode(palette), EInvalidGraphic);
  // A form not read here says so and draws nothing.
  TDib jpeg = fine;
  jpeg.Info[16] = 4;
  EXPECT_TRUE(decode(jpeg).isNull());
  EXPECT_FALSE(unsupported.empty());
}

}  // namespace
}  // namespace orv
