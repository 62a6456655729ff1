// Reading PNG files: the checks and their exceptions, damaged and hostile files, transparency
// and gamma.
#include <gtest/gtest.h>

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
  // A file big enough to be believed but whose planes pass the codec's memory limit.
  std::vector<Byte> padding(800000, 0);
  std::vector<Byte> big = PngFile({Ihdr(10000, 10000, 16, 6), PngChunk("prVt", padding), Idat(Deflate({0})), Iend()});
  EXPECT_THROW(DecodePng(big), EPNGSizeExceeds);
  // A text that inflates beyond the limit is refused rather than held.
  std::vector<Byte> ztxt = {'k', 0, 0};
  std::vector<Byte> bomb = Deflate(std::vector<Byte>(size_t(TChunkzTXt::MaxTextSize) + 1, ' '));
  ztxt.insert(ztxt.end(), bomb.begin(), bomb.end());
  EXPECT_THROW(DecodePng(SimplePng(1, 1, 8, 0, {0, 0}, {PngChunk("zTXt", ztxt)})), EPNGZLIBError);
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
