// Reading PNG files: the checks and their exceptions, damaged and hostile files, transparency
// and gamma.
#include <gtest/gtest.h>
#include <zlib.h>

#include "png/PngChunks.h"
#include "png/PngErrors.h"
#include "png/tests/PngTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::vector<Byte> Grey8Rows(int width, int height) {
  std::vector<Byte> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) raw.push_back(Byte(x + y));
  }
  return raw;
}

std::vector<Byte> Ihdr(LongWord w, LongWord h, Byte depth, Byte type, Byte interlace = 0,
                       Byte compression = 0, Byte filter = 0) {
  return PngChunk("IHDR", PngHeaderBody(w, h, depth, type, interlace, compression, filter));
}

std::vector<Byte> Idat(const std::vector<Byte>& packed) { return PngChunk("IDAT", packed); }
std::vector<Byte> Iend() { return PngChunk("IEND", {}); }

std::string Message(const std::vector<Byte>& file) {
  try {
    DecodePng(file);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "loaded";
}

}  // namespace

TEST(PngDecode, StructureErrorsRaiseTheirOwnExceptions) {
  std::vector<Byte> good = SimplePng(4, 2, 8, 0, Grey8Rows(4, 2));
  ASSERT_NO_THROW(DecodePng(good));

  std::vector<Byte> badSignature = good;
  badSignature[1] = 'p';
  EXPECT_THROW(DecodePng(badSignature), EPNGInvalidFileHeader);
  EXPECT_THROW(DecodePng({0x89, 'P'}), EPNGInvalidFileHeader);
  EXPECT_THROW(DecodePng(std::vector<Byte>(good.begin(), good.end() - 12)), EPngUnexpectedEnd);
  EXPECT_EQ(Message(std::vector<Byte>(good.begin(), good.end() - 12)),
            "This \"Portable Network Graphics\" image is invalid because the decoder found an "
            "unexpected end of the file.");
  EXPECT_THROW(DecodePng(PngFile({PngChunk("tEXt", {'a', 0, 'b'}), Ihdr(4, 2, 8, 0), Iend()})),
               EPNGIHDRNotFirst);
  EXPECT_THROW(DecodePng(PngFile({Ihdr(4, 2, 8, 0), Iend()})), EPNGNoImageData);
  std::vector<Byte> packed = Deflate(Grey8Rows(4, 2));
  EXPECT_THROW(DecodePng(PngFile({Ihdr(4, 2, 8, 0), PngChunk("VERY", {1}), Idat(packed), Iend()})),
               EPNGUnknownCriticalChunk);
  EXPECT_THROW(DecodePng(PngFile({Ihdr(4, 2, 8, 0), PngChunk("v3r!", {1}), Idat(packed), Iend()})),
               EPNGUnknownCriticalChunk);
  std::vector<Byte> badCrc = good;
  badCrc[8 + 8 + 13] ^= 1;  // IHDR's CRC
  EXPECT_THROW(DecodePng(badCrc), EPngInvalidCRC);
  // A length far beyond the file is refused before anything is allocated for it.
  std::vector<Byte> hugeChunk = PngFile({Ihdr(4, 2, 8, 0), Idat(packed), Iend()});
  hugeChunk.insert(hugeChunk.begin() + 33, {0x7F, 0xFF, 0xFF, 0xF0, 'p', 'r', 'V', 't'});
  EXPECT_THROW(DecodePng(hugeChunk), EPngUnexpectedEnd);
  std::vector<Byte> badPalette = PngFile({Ihdr(1, 1, 8, 3), PngChunk("PLTE", {1, 2, 3, 4}), Idat(Deflate({0, 0})), Iend()});
  EXPECT_THROW(DecodePng(badPalette), EPNGInvalidPalette);
  std::vector<Byte> bigTrns = PngFile({Ihdr(1, 1, 8, 3), PngChunk("tRNS", std::vector<Byte>(257, 0)), Idat(Deflate({0, 0})), Iend()});
  EXPECT_THROW(DecodePng(bigTrns), EPNGInvalidPalette);
}

TEST(PngDecode, HeaderIsValidated) {
  auto with = [](const std::vector<Byte>& header) {
    return PngFile({header, Idat(Deflate(std::vector<Byte>(64, 0))), Iend()});
  };
  EXPECT_THROW(DecodePng(with(Ihdr(0, 1, 8, 0))), EPngInvalidIHDR);
  EXPECT_THROW(DecodePng(with(Ihdr(1, 0, 8, 0))), EPngInvalidIHDR);
  EXPECT_THROW(DecodePng(with(Ihdr(0x80000000u, 1, 8, 0))), EPngInvalidIHDR);
  EXPECT_THROW(DecodePng(with(Ihdr(65536, 1, 1, 0))), EPNGSizeExceeds);
  EXPECT_THROW(DecodePng(with(Ihdr(1, 65536, 1, 0))), EPNGSizeExceeds);
  for (auto [depth, type] : std::vector<std::pair<Byte, Byte>>{{0, 0}, {3, 0}, {4, 2}, {16, 3}, {1, 4}, {2, 6}, {8, 1}, {8, 5}, {8, 7}})
    EXPECT_THROW(DecodePng(with(Ihdr(1, 1, depth, type))), EPngInvalidIHDR) << int(depth) << "/" << int(type);
  EXPECT_THROW(DecodePng(with(Ihdr(1, 1, 8, 0, 0, 1))), EPNGUnknownCompression);
  EXPECT_THROW(DecodePng(with(Ihdr(1, 1, 8, 0, 0, 0, 1))), EPngInvalidIHDR);
  EXPECT_THROW(DecodePng(with(Ihdr(1, 1, 8, 0, 2))), EPNGUnknownInterlace);
  std::vector<Byte> shortBody = PngHeaderBody(1, 1, 8, 0);
  shortBody.pop_back();
  EXPECT_THROW(DecodePng(with(PngChunk("IHDR", shortBody))), EPngInvalidIHDR);

  // 65535 pixels is the widest image; a 1-bit row of it fits in a few bytes.
  std::vector<Byte> row(1 + 8192, 0xFF);
  row[0] = 0;
  std::unique_ptr<TPngImage> wide = DecodePng(SimplePng(65535, 1, 1, 0, row));
  EXPECT_EQ(wide->Width(), 65535);
  EXPECT_EQ(wide->Pixels(65534, 0), PngRGB(255, 255, 255));
}

TEST(PngDecode, HostileSizesAllocateNothingLarge) {
  // Under 100 bytes claiming 65535 x 65535 16-bit RGBA: refused at once as cut short.
  std::vector<Byte> tiny = PngFile({Ihdr(65535, 65535, 16, 6), Idat(Deflate({0})), Iend()});
  ASSERT_LT(tiny.size(), 100u);
  EXPECT_THROW(DecodePng(tiny), EPngUnexpectedEnd);
  // A file big enough to be believed but whose pixels are beyond what the codec reads even
  // reduced: 400 megapixels.
  std::vector<Byte> padding(400000, 0);
  std::vector<Byte> big = PngFile({Ihdr(20000, 20000, 8, 0), PngChunk("prVt", padding), Idat(Deflate({0})), Iend()});
  EXPECT_THROW(DecodePng(big), EPNGSizeExceeds);
  // A text that inflates beyond the limit is refused rather than held.
  std::vector<Byte> ztxt = {'k', 0, 0};
  std::vector<Byte> bomb = Deflate(std::vector<Byte>(size_t(TChunkzTXt::MaxTextSize) + 1, ' '));
  ztxt.insert(ztxt.end(), bomb.begin(), bomb.end());
  EXPECT_THROW(DecodePng(SimplePng(1, 1, 8, 0, {0, 0}, {PngChunk("zTXt", ztxt)})), EPNGZLIBError);
}

// Rows of an image with every sample a mix of its position, so that a pixel taken from the
// wrong place shows; filter 0 throughout.
std::vector<Byte> PatternRows(int width, int height, Byte depth, Byte colorType, bool interlaced) {
  std::vector<Byte> raw;
  const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
  auto rows = [&](int x0, int dx, int y0, int dy) {
    for (int y = y0; y < height; y += dy) {
      raw.push_back(0);
      std::vector<Byte> row;
      int bits = 0, acc = 0;
      for (int x = x0; x < width; x += dx)
        for (int c = 0; c < channels; ++c) {
          int v = (x * 7 + y * 13 + c * 101 + (x / 3) * (y / 5)) & ((1 << depth) - 1);
          acc = acc << depth | v;
          bits += depth;
          if (bits == 8) row.push_back(Byte(acc)), bits = 0, acc = 0;
        }
      if (bits) row.push_back(Byte(acc << (8 - bits)));
      raw.insert(raw.end(), row.begin(), row.end());
    }
  };
  if (!interlaced) {
    rows(0, 1, 0, 1);
  } else {
    const int pass[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4}, {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
    for (const auto& p : pass)
      if (p[0] < width && p[2] < height) rows(p[0], p[1], p[2], p[3]);
  }
  return raw;
}

TEST(PngDecode, ImagesOverThePixelBudgetAreReadReducedToFit) {
  // Just over 2^24 pixels: every second row and column is kept, the pixels libpng gives there.
  struct TCase {
    LongWord Width, Height;
    Byte Depth, ColorType;
    bool Interlaced;
  };
  const TCase cases[] = {{65535, 257, 1, 0, true}, {4099, 4099, 4, 3, false}, {4099, 4097, 8, 4, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height) + " type " + std::to_string(c.ColorType));
    std::vector<std::vector<Byte>> chunks = {Ihdr(c.Width, c.Height, c.Depth, c.ColorType, c.Interlaced ? 1 : 0)};
    if (c.ColorType == 3) {
      std::vector<Byte> palette;
      for (int i = 0; i < 16; ++i) palette.insert(palette.end(), {Byte(i * 16), Byte(255 - i * 9), Byte(i * 5)});
      chunks.push_back(PngChunk("PLTE", palette));
    }
    std::vector<Byte> raw = PatternRows(int(c.Width), int(c.Height), c.Depth, c.ColorType, c.Interlaced);
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<Byte> packed(size);
    ASSERT_EQ(compress2(packed.data(), &size, raw.data(), uLong(raw.size()), 1), Z_OK);
    packed.resize(size);
    chunks.push_back(Idat(packed));
    chunks.push_back(Iend());
    std::vector<Byte> file = PngFile(chunks);
    TCanonical whole;
    ASSERT_TRUE(LibPngCanonical(file, whole));
    std::unique_ptr<TPngImage> image = DecodePng(file);
    ASSERT_EQ(image->Width(), int((c.Width + 1) / 2));
    ASSERT_EQ(image->Height(), int((c.Height + 1) / 2));
    TCanonical reduced = CodecCanonical(*image);
    TCanonical expected;
    expected.Width = reduced.Width;
    expected.Height = reduced.Height;
    expected.Wide = whole.Wide;
    for (int y = 0; y < expected.Height; ++y)
      for (int x = 0; x < expected.Width; ++x) {
        const Word* p = &whole.Rgba[(size_t(2 * y) * size_t(whole.Width) + size_t(2 * x)) * 4];
        expected.Rgba.insert(expected.Rgba.end(), p, p + 4);
      }
    EXPECT_EQ(CanonicalDifference(expected, reduced), "");
  }
}

TEST(PngDecode, ImageDataAcrossChunksAndItsFailures) {
  const int w = 16, h = 16;
  std::vector<Byte> raw = Grey8Rows(w, h);
  std::vector<Byte> packed = Deflate(raw);
  size_t third = packed.size() / 3;
  std::vector<Byte> a(packed.begin(), packed.begin() + long(third));
  std::vector<Byte> b(packed.begin() + long(third), packed.begin() + long(2 * third));
  std::vector<Byte> c(packed.begin() + long(2 * third), packed.end());

  std::unique_ptr<TPngImage> split = DecodePng(PngFile({Ihdr(w, h, 8, 0), Idat(a), Idat({}), Idat(b), Idat(c), Iend()}));
  EXPECT_EQ(CanonicalDifference(CodecCanonical(*DecodePng(SimplePng(w, h, 8, 0, raw))), CodecCanonical(*split)), "");
  EXPECT_EQ(split->Chunks().Count(), 3);  // IHDR, one IDAT for the run, IEND

  EXPECT_THROW(DecodePng(PngFile({Ihdr(w, h, 8, 0), Idat(a), PngChunk("tEXt", {'a', 0, 'b'}), Idat(b), Idat(c), Iend()})),
               EPNGMissingMultipleIDAT);
  std::vector<Byte> badLater = Idat(c);
  badLater.back() ^= 0x55;
  EXPECT_THROW(DecodePng(PngFile({Ihdr(w, h, 8, 0), Idat(a), Idat(b), badLater, Iend()})), EPngInvalidCRC);
  // Data for fewer rows than the header promises ends the zlib stream early.
  EXPECT_THROW(DecodePng(PngFile({Ihdr(w, h + 1, 8, 0), Idat(packed), Iend()})), EPNGMissingMultipleIDAT);
  // The run simply stopping before the last row.
  EXPECT_THROW(DecodePng(PngFile({Ihdr(w, h, 8, 0), Idat(a), Iend()})), EPNGMissingMultipleIDAT);
  std::vector<Byte> corrupt = packed;
  corrupt[5] ^= 0xFF;
  corrupt[6] ^= 0xFF;
  std::string message = Message(PngFile({Ihdr(w, h, 8, 0), Idat(corrupt), Iend()}));
  EXPECT_EQ(message.substr(0, 77), "Could not decompress the image because it contains invalid compressed data.\r\n");
  EXPECT_NE(message.find(" Description: data error (-3)"), std::string::npos) << message;

  // Adam7 with one pixel: the first pass alone.
  std::unique_ptr<TPngImage> dot = DecodePng(PngFile({Ihdr(1, 1, 8, 2, 1), Idat(Deflate({0, 10, 20, 30})), Iend()}));
  EXPECT_EQ(dot->Pixels(0, 0), PngRGB(10, 20, 30));
  EXPECT_EQ(dot->InterlaceMethod(), imAdam7);
}

TEST(PngDecode, TransparencyIsDecidedByIndexAndSample) {
  std::vector<Byte> palette = {255, 0, 0, 0, 255, 0, 255, 0, 0};  // entries 0 and 2 both red
  std::vector<Byte> rows = {0, 0, 1, 2};
  auto image = [&](std::vector<Byte> trns) {
    return DecodePng(SimplePng(3, 1, 8, 3, rows, {PngChunk("PLTE", palette), PngChunk("tRNS", trns)}));
  };
  std::unique_ptr<TPngImage> one = image({0});
  EXPECT_EQ(one->TransparencyMode(), ptmBit);
  EXPECT_EQ(one->TransparentColor(), PngRGB(255, 0, 0));
  // The other red entry stays opaque.
  EXPECT_EQ(one->RenderArgb(), (std::vector<Cardinal>{0x00FF0000, 0xFF00FF00, 0xFFFF0000}));
  EXPECT_EQ(image({255, 255, 0})->TransparencyMode(), ptmBit);
  // Half transparent is not a colour key.
  std::unique_ptr<TPngImage> half = image({128});
  EXPECT_EQ(half->TransparencyMode(), ptmPartial);
  EXPECT_EQ(half->RenderArgb()[0], 0x80FF0000u);
  EXPECT_EQ(image({0, 0})->TransparencyMode(), ptmPartial);
  EXPECT_EQ(image({0, 128})->TransparencyMode(), ptmPartial);
  EXPECT_EQ(DecodePng(SimplePng(3, 1, 8, 3, rows, {PngChunk("PLTE", palette)}))->TransparencyMode(), ptmNone);

  // Grey with a transparent sample: 2-bit 1 is stored as 5 and written back as 5.
  std::unique_ptr<TPngImage> grey = DecodePng(SimplePng(4, 1, 2, 0, {0, 0b00011011}, {PngChunk("tRNS", {0, 1})}));
  EXPECT_EQ(grey->TransparencyMode(), ptmBit);
  EXPECT_EQ(grey->RenderArgb(), (std::vector<Cardinal>{0xFF000000, 0x00555555, 0xFFAAAAAA, 0xFFFFFFFF}));
  std::vector<Byte> saved = EncodePng(*grey);
  TCanonical reference;
  ASSERT_TRUE(LibPngCanonical(saved, reference));
  EXPECT_EQ(CanonicalDifference(CodecCanonical(*grey), reference), "");

  // 16-bit colour key: the low bytes count too.
  std::vector<Byte> wideRows = {0, 1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 7};
  std::unique_ptr<TPngImage> wide = DecodePng(SimplePng(2, 1, 16, 2, wideRows, {PngChunk("tRNS", {1, 2, 3, 4, 5, 6})}));
  std::vector<Cardinal> argb = wide->RenderArgb();
  EXPECT_EQ(argb[0] >> 24, 0u);
  EXPECT_EQ(argb[1] >> 24, 255u);
}

TEST(PngDecode, GammaTablesAndLosslessResave) {
  auto withGamma = [](LongWord g) {
    return DecodePng(SimplePng(2, 1, 8, 2, {0, 128, 128, 128, 254, 254, 254},
                               {PngChunk("gAMA", {Byte(g >> 24), Byte(g >> 16), Byte(g >> 8), Byte(g)})}));
  };
  // 1 / 2.2 is the display's own gamma: nothing changes.
  std::unique_ptr<TPngImage> neutral = withGamma(45455);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(neutral->GammaTable()[i], i);
  std::unique_ptr<TPngImage> zero = withGamma(0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(zero->GammaTable()[i], i);
  // Gamma 1.0: 255 * (128 / 255) ^ (1 / 2.2) = 186.4.
  std::unique_ptr<TPngImage> linear = withGamma(100000);
  EXPECT_EQ(linear->GammaTable()[128], 186);
  EXPECT_EQ(linear->InverseTable()[186], 128);
  EXPECT_EQ(linear->Pixels(0, 0), PngRGB(186, 186, 186));
  // 254 and 255 both draw as 255, yet 254 is written back as 254.
  EXPECT_EQ(linear->Pixels(1, 0), PngRGB(255, 255, 255));
  TCanonical reference;
  ASSERT_TRUE(LibPngCanonical(EncodePng(*linear), reference));
  EXPECT_EQ(std::vector<Word>(reference.Rgba.begin() + 4, reference.Rgba.begin() + 7), (std::vector<Word>{254, 254, 254}));

  // 16-bit alpha keeps its low byte through a save.
  std::vector<Byte> rgba16 = {0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF1};
  std::unique_ptr<TPngImage> deep = DecodePng(SimplePng(1, 1, 16, 6, rgba16));
  ASSERT_TRUE(LibPngCanonical(EncodePng(*deep), reference));
  EXPECT_EQ(reference.Rgba, (std::vector<Word>{0x1234, 0x5678, 0x9ABC, 0xDEF1}));
}
