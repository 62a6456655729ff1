// Small hostile files that once cost gigabytes, decoded the wrong picture or were written back
// invalid: each is refused, or read as libpng and gzip read it.
#include <gtest/gtest.h>

#include <zlib.h>

#include "png/KvxCompression.h"
#include "png/PngChunk.h"
#include "png/PngErrors.h"
#include "png/tests/PngTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::vector<Byte> Ihdr(LongWord w, LongWord h, Byte depth, Byte type) {
  return PngChunk("IHDR", PngHeaderBody(w, h, depth, type));
}

std::vector<Byte> Iend() { return PngChunk("IEND", {}); }

std::vector<Byte> Gunzip(const std::vector<Byte>& file, Int64 maxSize = kvxMaxDecompressedSize) {
  TMemoryStream source, dest;
  source.Write(file.data(), Int64(file.size()));
  source.SetPosition(0);
  String name;
  kvxDecompressStream(source, dest, name, maxSize);
  return std::vector<Byte>(dest.Memory(), dest.Memory() + dest.Size());
}

// gzip's own compression of data, one member.
std::vector<Byte> GzipOf(const std::vector<Byte>& data, const std::string& name) {
  std::string path = TempPath(name);
  WriteFileBytes(path, data);
  EXPECT_EQ(RunCommand("gzip -f -n " + path), 0);
  return ReadFileBytes(path + ".gz");
}

}  // namespace

TEST(PngHostileInput, HeaderAndPaletteMustBeWhole) {
  std::vector<Byte> rows = {0, 0, 1};
  std::vector<Byte> idat = PngChunk("IDAT", Deflate(rows));
  // A second header, however large, is refused before it prepares anything; libpng agrees.
  std::vector<Byte> twoHeaders = PngFile({Ihdr(2, 1, 8, 0), Ihdr(60000, 60000, 16, 6), idat, Iend()});
  EXPECT_THROW(DecodePng(twoHeaders), EPngInvalidIHDR);
  TCanonical ignored;
  EXPECT_FALSE(LibPngCanonical(twoHeaders, ignored));
  std::vector<Byte> repeated = PngFile({Ihdr(2, 1, 8, 0), Ihdr(2, 1, 8, 0), idat, Iend()});
  EXPECT_THROW(DecodePng(repeated), EPngInvalidIHDR);

  // A palette image needs its palette before the image data.
  std::vector<Byte> plte = PngChunk("PLTE", {10, 20, 30, 40, 50, 60});
  EXPECT_THROW(DecodePng(PngFile({Ihdr(2, 1, 8, 3), idat, Iend()})), EPNGInvalidPalette);
  EXPECT_THROW(DecodePng(PngFile({Ihdr(2, 1, 8, 3), PngChunk("PLTE", {}), idat, Iend()})),
               EPNGInvalidPalette);
  EXPECT_THROW(DecodePng(PngFile({Ihdr(2, 1, 8, 3), idat, plte, Iend()})), EPNGInvalidPalette);
  std::vector<Byte> good = PngFile({Ihdr(2, 1, 8, 3), plte, idat, Iend()});
  std::unique_ptr<TPngImage> image = DecodePng(good);
  EXPECT_EQ(image->Pixels(1, 0), PngRGB(40, 50, 60));
  TCanonical reference;
  ASSERT_TRUE(LibPngCanonical(EncodePng(*image), reference));
  EXPECT_EQ(CanonicalDifference(reference, CodecCanonical(*image)), "");
  // A palette chunk in a colour image is only a suggestion; none is needed there.
  EXPECT_NO_THROW(DecodePng(PngFile({Ihdr(1, 1, 8, 2), PngChunk("IDAT", Deflate({0, 1, 2, 3})), Iend()})));
}

TEST(PngHostileInput, TransparentSamplesAreMaskedToTheBitDepth) {
  // Grey 1, 2, 4 and 8 bits and 8-bit colour, each with a tRNS sample whose high bits are set:
  // the low bits name the transparent sample, as libpng reads it.
  struct Case {
    Byte depth, type;
    std::vector<Byte> rows, trns;
  };
  const Case cases[] = {
      {1, 0, {0, 0b01000000}, {0xFF, 0xFF}},                   // sample 1
      {2, 0, {0, 0b00011011}, {0x12, 0x36}},                   // 0x1236 & 3 = 2
      {4, 0, {0, 0x5A, 0x0F}, {0x01, 0x35}},                   // 5
      {8, 0, {0, 7, 200, 9}, {0x7F, 0xC8}},                    // 200
      {8, 2, {0, 1, 2, 3, 4, 5, 6}, {0x11, 4, 0x22, 5, 0x33, 6}},  // (4, 5, 6)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("depth " + std::to_string(c.depth) + " type " + std::to_string(c.type));
    LongWord width = c.type == 2 ? 2 : LongWord((c.rows.size() - 1) * 8 / c.depth);
    std::vector<Byte> file = SimplePng(width, 1, c.depth, c.type, c.rows, {PngChunk("tRNS", c.trns)});
    std::unique_ptr<TPngImage> image = DecodePng(file);
    TCanonical reference;
    ASSERT_TRUE(LibPngCanonical(file, reference));
    TCanonical ours = CodecCanonical(*image);
    EXPECT_EQ(CanonicalDifference(reference, ours), "");
    int transparent = 0;
    for (size_t p = 0; p < ours.Rgba.size() / 4; ++p) transparent += ours.Rgba[p * 4 + 3] == 0;
    EXPECT_EQ(transparent, 1);
    EXPECT_EQ(image->TransparencyMode(), ptmBit);
  }
}

TEST(PngHostileInput, ImageDataAfterTheImageIsCrcChecked) {
  std::vector<Byte> rows = {0, 5, 6};
  std::vector<Byte> idat = PngChunk("IDAT", Deflate(rows));
  std::vector<Byte> trailing = PngChunk("IDAT", {1, 2, 3, 4});
  std::vector<Byte> header = Ihdr(2, 1, 8, 0);
  EXPECT_NO_THROW(DecodePng(PngFile({header, idat, trailing, Iend()})));
  trailing[9] ^= 0x10;
  EXPECT_THROW(DecodePng(PngFile({header, idat, trailing, Iend()})), EPngInvalidCRC);
  std::vector<Byte> chrm = PngChunk("cHRM", std::vector<Byte>(32, 1));
  chrm.back() ^= 1;
  EXPECT_THROW(DecodePng(PngFile({header, chrm, idat, Iend()})), EPngInvalidCRC);
}

TEST(PngHostileInput, GzipMembersFollowOneAnotherAndOutputIsCapped) {
  std::vector<Byte> first(3000), second(5000);
  for (size_t i = 0; i < first.size(); ++i) first[i] = Byte(i * 7);
  for (size_t i = 0; i < second.size(); ++i) second[i] = Byte("register"[i % 8]);
  std::vector<Byte> joined = GzipOf(first, "first.bin");
  std::vector<Byte> b = GzipOf(second, "second.bin");
  joined.insert(joined.end(), b.begin(), b.end());
  std::string joinedPath = TempPath("joined.gz");
  WriteFileBytes(joinedPath, joined);
  std::string expected;
  ASSERT_EQ(RunCommand("gzip -dc " + joinedPath, &expected), 0);
  std::vector<Byte> read = Gunzip(joined);
  EXPECT_EQ(std::string(read.begin(), read.end()), expected);
  EXPECT_EQ(read.size(), first.size() + second.size());
  // Padding after the last member is not data.
  std::vector<Byte> padded = joined;
  padded.insert(padded.end(), 16, 0);
  EXPECT_EQ(Gunzip(padded), read);
  // A damaged second member fails the whole read.
  std::vector<Byte> damaged = joined;
  damaged[damaged.size() - 5] ^= 1;
  EXPECT_THROW(Gunzip(damaged), EZDecompressionError);

  // Zeros shrink a thousandfold: a small file must not claim more than the cap.
  std::vector<Byte> zeros = GzipOf(std::vector<Byte>(size_t(kvxMaxDecompressedSize) + 1, 0), "zeros.bin");
  ASSERT_LT(zeros.size(), 200000u);
  EXPECT_THROW(Gunzip(zeros), EZDecompressionError);
  EXPECT_THROW(Gunzip(joined, Int64(first.size()) + 10), EZDecompressionError);
  EXPECT_EQ(Gunzip(joined, Int64(first.size() + second.size())).size(), first.size() + second.size());
}

// A file of thousands of text chunks, or of one chunk of many megabytes, keeps what libpng
// keeps: a thousand ancillary chunks of at most 8 MB each (here no more than 16 MB in all); the
// rest are read over with their CRCs checked. The picture and its colours stay whole, and the
// file saved again is one libpng reads as the same picture.
TEST(PngHostileInput, AncillaryChunksAreKeptToAThousandOfBoundedSize) {
  std::vector<std::vector<Byte>> chunks{Ihdr(2, 1, 8, 2), PngChunk("gAMA", {0, 0, 0xB1, 0x8F})};
  for (int i = 0; i < 2000; ++i) {
    std::vector<Byte> text{'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
    text.insert(text.end(), 100, static_cast<Byte>('a' + i % 26));
    chunks.push_back(PngChunk("tEXt", text));
  }
  chunks.push_back(PngChunk("prVt", std::vector<Byte>(9000000, 7)));
  chunks.push_back(PngChunk("IDAT", Deflate({0, 10, 20, 30, 40, 50, 60})));
  chunks.push_back(Iend());
  const std::vector<Byte> file = PngFile(chunks);
  std::unique_ptr<TPngImage> image = DecodePng(file);
  int texts = 0, others = 0;
  for (int i = 0; i < image->Chunks().Count(); ++i) {
    const String& name = image->Chunks().Item(i).Name();
    if (name == "tEXt") ++texts;
    else if (name != "IHDR" && name != "IDAT" && name != "IEND" && name != "gAMA") ++others;
  }
  EXPECT_EQ(texts, 1000);
  EXPECT_EQ(others, 0);
  TCanonical reference, saved;
  ASSERT_TRUE(LibPngCanonical(file, reference));
  EXPECT_EQ(CanonicalDifference(reference, CodecCanonical(*image)), "");
  ASSERT_TRUE(LibPngCanonical(EncodePng(*image), saved));
  EXPECT_EQ(CanonicalDifference(reference, saved), "");
  // A dropped chunk is still checked: a damaged one is refused as any other.
  std::vector<std::vector<Byte>> cut = chunks;
  cut[cut.size() - 3].back() ^= 1;
  EXPECT_THROW(DecodePng(PngFile(cut)), EPngInvalidCRC);
}
