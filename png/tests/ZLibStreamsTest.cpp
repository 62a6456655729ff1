// The deflate streams and the gzip reader, checked against zlib-flate and gzip.
#include <gtest/gtest.h>

#include <zlib.h>

#include <random>

#include "png/KvxCompression.h"
#include "png/tests/PngTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

// A memory stream that remembers the size of every write.
class TRecordingStream : public TMemoryStream {
 public:
  Int64 Write(const void* buffer, Int64 count) override {
    Writes.push_back(count);
    return TMemoryStream::Write(buffer, count);
  }
  std::vector<Int64> Writes;
};

std::vector<Byte> Bytes(TMemoryStream& s) { return std::vector<Byte>(s.Memory(), s.Memory() + s.Size()); }

std::vector<Byte> RandomBytes(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Byte> v(n);
  for (auto& b : v) b = Byte(random());
  return v;
}

// Inflates with qpdf's zlib-flate, a reader that is not ours.
std::vector<Byte> ZlibFlate(const std::vector<Byte>& packed) {
  std::string in = TempPath("deflated.z"), out = TempPath("inflated.bin");
  WriteFileBytes(in, packed);
  EXPECT_EQ(RunCommand("zlib-flate -uncompress < " + in + " > " + out), 0);
  return ReadFileBytes(out);
}

std::vector<Byte> Gunzip(const std::vector<Byte>& member, String& name) {
  TMemoryStream source, dest;
  source.Write(member.data(), Int64(member.size()));
  source.SetPosition(0);
  kvxDecompressStream(source, dest, name);
  return Bytes(dest);
}

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const EZLibError& e) {
    return e.Message();
  }
  return "no error";
}

}  // namespace

TEST(ZLibStreams, CompressionStreamWritesCompleteZlibData) {
  // Nothing written still gives header, an empty final block and the checksum.
  TMemoryStream empty;
  { TZCompressionStream z(zcDefault, empty); }
  ASSERT_GE(empty.Size(), 8);
  EXPECT_EQ(empty.Memory()[0], 0x78);
  EXPECT_TRUE(ZlibFlate(Bytes(empty)).empty());

  // Incompressible data: several full 65536-byte writes and one shorter last one, with a
  // progress event for each full buffer.
  std::vector<Byte> data = RandomBytes(300000, 1);
  TRecordingStream dest;
  int progress = 0;
  {
    TZCompressionStream z(zcNone, dest);
    z.OnProgress = [&](TObject*) { ++progress; };
    z.WriteBuffer(data.data(), 1000);
    EXPECT_EQ(z.Seek(0, soCurrent), 1000);
    EXPECT_THROW(z.Seek(5, soBeginning), EZCompressionError);
    char c;
    EXPECT_THROW(z.Read(&c, 1), EZCompressionError);
    z.WriteBuffer(data.data() + 1000, Int64(data.size()) - 1000);
    z.Finish();
  }
  ASSERT_GE(dest.Writes.size(), 5u);
  for (size_t i = 0; i + 1 < dest.Writes.size(); ++i) EXPECT_EQ(dest.Writes[i], 65536);
  EXPECT_LT(dest.Writes.back(), 65536);
  EXPECT_EQ(progress, int(dest.Writes.size()) - 1);
  EXPECT_EQ(ZlibFlate(Bytes(dest)), data);

  // Someone else moving the destination does not tear the stream apart.
  TMemoryStream moved;
  moved.WriteString("head");
  {
    TZCompressionStream z(zcMax, moved);
    z.WriteBuffer(data.data(), 70000);
    moved.SetPosition(0);
    z.WriteBuffer(data.data() + 70000, 70000);
  }
  std::vector<Byte> all = Bytes(moved);
  EXPECT_EQ(std::string(all.begin(), all.begin() + 4), "head");
  EXPECT_EQ(ZlibFlate(std::vector<Byte>(all.begin() + 4, all.end())),
            std::vector<Byte>(data.begin(), data.begin() + 140000));
}

TEST(ZLibStreams, CompressStreamDeflatesAllOfSourceAtEachLevel) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "BT /F1 12 Tf 72 712 Td (line " + std::to_string(i) + ") Tj ET\n";
  TStringStream source(text);
  std::vector<Int64> sizes;
  for (TZCompressionLevel level : {zcNone, zcFastest, zcDefault, zcMax}) {
    source.SetPosition(500);  // the whole source is taken whatever its position
    TMemoryStream dest;
    dest.WriteString("obj\n");
    kvxCompressStream(source, dest, level);
    std::vector<Byte> out = Bytes(dest);
    std::vector<Byte> packed(out.begin() + 4, out.end());
    EXPECT_EQ(ZlibFlate(packed), std::vector<Byte>(text.begin(), text.end()));
    std::vector<Byte> back = ZDecompress(packed.data(), Int64(packed.size()));
    EXPECT_EQ(std::string(back.begin(), back.end()), text);
    sizes.push_back(Int64(packed.size()));
  }
  EXPECT_GT(sizes[0], Int64(text.size()));  // stored blocks
  EXPECT_LT(sizes[3], sizes[0] / 5);
}

TEST(ZLibStreams, WholeBufferCompressionReadsBackAndMatchesTheStream) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "BT /F0 10 Tf 40.50 " + std::to_string(800 - i % 700) + ".25 Td [<0041>] TJ\r\n";
  const std::vector<Byte> noise = RandomBytes(200000, 7);
  for (const std::string& data : {std::string(), text, std::string(noise.begin(), noise.end())}) {
    for (TZCompressionLevel level : {zcNone, zcFastest, zcMax}) {
      const std::string packed = ZCompress(data, level);
      EXPECT_EQ(ZlibFlate(std::vector<Byte>(packed.begin(), packed.end())), std::vector<Byte>(data.begin(), data.end()));
      // Stored blocks are cut where the output buffer ends; compressed data comes out the same as
      // the stream writes it, so a file does not change with the way it was deflated.
      if (level == zcNone) continue;
      TMemoryStream streamed;
      {
        TZCompressionStream z(level, streamed);
        z.WriteBuffer(data.data(), Int64(data.size()));
        z.Finish();
      }
      EXPECT_EQ(std::vector<Byte>(packed.begin(), packed.end()), Bytes(streamed)) << "level " << int(level);
    }
  }
}

// A PDF export keeps every page's deflated text until the file is written: 24 pages of 20 MB
// that deflate to a few kilobytes each must not keep 20 MB each.
TEST(ZLibStreams, WholeBufferCompressionKeepsNoMoreRoomThanItsOutputNeeds) {
  const std::string page(20 << 20, 'x');
  const std::string packed = ZCompress(page, zcFastest);
  EXPECT_LT(packed.size(), 200'000u);
  EXPECT_LT(packed.capacity(), 2 * packed.size() + 4096);
  EXPECT_EQ(ZlibFlate(std::vector<Byte>(packed.begin(), packed.end())).size(), page.size());
}

// An export deflates page after page through one compressor: each page must come out as zlib's
// own one-shot compression of it, whatever the pages before it held or how large they were.
TEST(ZLibStreams, CompressorGivesEachBufferZlibsOwnBytes) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "BT /F0 10 Tf 40.50 " + std::to_string(800 - i % 700) + ".25 Td [<0041>] TJ\r\n";
  const std::vector<Byte> noise = RandomBytes(300000, 11);
  const std::string big(3 << 20, 'q');
  const std::vector<std::string> pages = {text, std::string(), std::string(noise.begin(), noise.end()),
                                          text.substr(0, 777), big, "x", text};
  for (TZCompressionLevel level : {zcFastest, zcMax}) {
    TZCompressor compressor(level);
    for (const std::string& page : pages) {
      uLongf size = compressBound(static_cast<uLong>(page.size()));
      std::vector<Byte> expected(size);
      ASSERT_EQ(compress2(expected.data(), &size, reinterpret_cast<const Byte*>(page.data()),
                          static_cast<uLong>(page.size()), ZLibLevel(level)),
                Z_OK);
      expected.resize(size);
      const std::string_view packed = compressor.Compress(page);
      EXPECT_EQ(std::vector<Byte>(packed.begin(), packed.end()), expected)
          << "level " << int(level) << ", " << page.size() << " bytes";
    }
  }
}

TEST(ZLibStreams, DecompressGrowsToTheExactSizeAndReportsBadData) {
  std::vector<Byte> zeros(10 << 20, 0);
  zeros[12345] = 7;
  std::vector<Byte> packed = Deflate(zeros);
  ASSERT_LT(packed.size(), 20000u);
  EXPECT_EQ(ZDecompress(packed.data(), Int64(packed.size())), zeros);
  EXPECT_EQ(ZDecompress(packed.data(), Int64(packed.size()), 100), zeros);

  EXPECT_EQ(ErrorText([&] { ZDecompress(packed.data(), Int64(packed.size()) - 10); }), "buffer error");
  std::vector<Byte> corrupt = packed;
  corrupt[0] = 0x79;
  EXPECT_EQ(ErrorText([&] { ZDecompress(corrupt.data(), Int64(corrupt.size())); }), "data error");
  EXPECT_EQ(ErrorText([&] { ZDecompress(packed.data(), Int64(packed.size()), 0, 1 << 20); }),
            "insufficient memory");
  // A caller's estimate is not trusted beyond the limit.
  std::vector<Byte> small = Deflate({1, 2, 3});
  EXPECT_EQ(ZDecompress(small.data(), Int64(small.size()), Int64(1) << 40, 1024), (std::vector<Byte>{1, 2, 3}));
}

TEST(ZLibStreams, GzipReaderReadsWhatGzipWrites) {
  std::string dir = TempPath("gzip");
  ASSERT_EQ(RunCommand("mkdir -p " + dir), 0);
  std::vector<Byte> data = RandomBytes(5000, 3);
  for (int i = 0; i < 20000; ++i) data.push_back(Byte("parish "[i % 7]));
  WriteFileBytes(dir + "/register.dat", data);
  ASSERT_EQ(RunCommand("gzip -9 -N -k " + dir + "/register.dat"), 0);
  std::vector<Byte> member = ReadFileBytes(dir + "/register.dat.gz");
  String name;
  EXPECT_EQ(Gunzip(member, name), data);
  EXPECT_EQ(name, "register.dat");

  // A wrong CRC or length is refused, and nothing reaches the destination.
  for (size_t offset : {member.size() - 8, member.size() - 2}) {
    std::vector<Byte> bad = member;
    bad[offset] ^= 0x40;
    TMemoryStream source, dest;
    source.Write(bad.data(), Int64(bad.size()));
    source.SetPosition(0);
    EXPECT_THROW(kvxDecompressStream(source, dest, name), EZDecompressionError);
    EXPECT_EQ(dest.Size(), 0);
  }
  std::vector<Byte> notGzip(member.begin() + 10, member.end());
  EXPECT_EQ(ErrorText([&] { Gunzip(notGzip, name); }), "data error");
}

TEST(ZLibStreams, GzipReaderHonoursEveryHeaderFieldAndTheLibraryForm) {
  const std::string text = "Picture resources of the preview window";
  std::vector<Byte> data(text.begin(), text.end());
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::vector<Byte> body(256);
  z.next_in = data.data();
  z.avail_in = uInt(data.size());
  z.next_out = body.data();
  z.avail_out = uInt(body.size());
  deflate(&z, Z_FINISH);
  body.resize(body.size() - z.avail_out);
  deflateEnd(&z);
  auto le32 = [](std::vector<Byte>& v, uLong x) {
    for (int i = 0; i < 4; ++i) v.push_back(Byte(x >> (8 * i)));
  };

  // Extra field, name, comment and header CRC.
  std::vector<Byte> full = {0x1F, 0x8B, 8, 0x02 | 0x04 | 0x08 | 0x10, 1, 2, 3, 4, 0, 3, 4, 0, 'A', 'B', 'x', 'y'};
  for (char c : std::string("icons.bmp")) full.push_back(Byte(c));
  full.push_back(0);
  for (char c : std::string("made by hand")) full.push_back(Byte(c));
  full.push_back(0);
  uLong headerCrc = crc32(0, full.data(), uInt(full.size()));
  full.push_back(Byte(headerCrc));
  full.push_back(Byte(headerCrc >> 8));
  full.insert(full.end(), body.begin(), body.end());
  le32(full, crc32(0, data.data(), uInt(data.size())));
  le32(full, data.size());
  String name;
  EXPECT_EQ(Gunzip(full, name), data);
  EXPECT_EQ(name, "icons.bmp");
  std::vector<Byte> badHeader = full;
  badHeader[full.size() - body.size() - 8 - 1] ^= 1;
  EXPECT_THROW(Gunzip(badHeader, name), EZDecompressionError);

  // The report library's resources: Adler-32 big-endian in the time field, trailer CRC unused.
  uLong adler = adler32(1, data.data(), uInt(data.size()));
  std::vector<Byte> library = {0x1F, 0x8B, 8, 0, Byte(adler >> 24), Byte(adler >> 16), Byte(adler >> 8), Byte(adler), 0, 0};
  library.insert(library.end(), body.begin(), body.end());
  le32(library, 0);
  le32(library, data.size());
  EXPECT_EQ(Gunzip(library, name), data);
  EXPECT_EQ(name, "");
  library[5] ^= 1;
  EXPECT_EQ(ErrorText([&] { Gunzip(library, name); }), "data error");

  std::vector<Byte> seed = ReadFileBytes(ORVANE_TEST_DATA "/library.gz");
  EXPECT_EQ(Gunzip(seed, name).size(), 1000u);
  EXPECT_EQ(name, "button.bmp");
}
