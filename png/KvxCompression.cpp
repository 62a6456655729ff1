#include "png/KvxCompression.h"

#include <zlib.h>

#include <algorithm>

namespace orv {

namespace {

// Header flag bits of a gzip member.
constexpr Byte FlagHeaderCrc = 0x02;
constexpr Byte FlagExtra = 0x04;
constexpr Byte FlagName = 0x08;
constexpr Byte FlagComment = 0x10;
constexpr Byte FlagReserved = 0xE0;

[[noreturn]] void Corrupt() { throw EZDecompressionError(ZErrorText(Z_DATA_ERROR)); }
[[noreturn]] void Truncated() { throw EZDecompressionError(ZErrorText(Z_BUF_ERROR)); }

// Walks the member header; every read is checked against the bytes present.
class THeaderReader {
 public:
  THeaderReader(const std::vector<Byte>& data) : data_(data) {}
  size_t Position() const { return pos_; }
  Byte ReadByte() {
    if (pos_ >= data_.size()) Truncated();
    return data_[pos_++];
  }
  void Skip(size_t count) {
    if (count > data_.size() - pos_) Truncated();
    pos_ += count;
  }
  String ReadZeroTerminated() {
    String s;
    for (Byte b = ReadByte(); b != 0; b = ReadByte()) s.push_back(static_cast<char>(b));
    return s;
  }

 private:
  const std::vector<Byte>& data_;
  size_t pos_ = 0;
};

LongWord LittleEndian32(const Byte* p) {
  return LongWord(p[0]) | LongWord(p[1]) << 8 | LongWord(p[2]) << 16 | LongWord(p[3]) << 24;
}

LongWord BigEndian32(const Byte* p) {
  return LongWord(p[0]) << 24 | LongWord(p[1]) << 16 | LongWord(p[2]) << 8 | LongWord(p[3]);
}

}  // namespace

void kvxDecompressStream(TStream& source, TStream& dest, String& fileName) {
  fileName.clear();
  Int64 left = source.Size() - source.Position();
  std::vector<Byte> data(static_cast<size_t>(std::max<Int64>(left, 0)));
  source.ReadBuffer(data.data(), static_cast<Int64>(data.size()));

  THeaderReader header(data);
  if (header.ReadByte() != 0x1F || header.ReadByte() != 0x8B || header.ReadByte() != Z_DEFLATED)
    Corrupt();
  Byte flags = header.ReadByte();
  if (flags & FlagReserved) Corrupt();
  size_t modificationTime = header.Position();
  header.Skip(4 + 2);  // modification time, extra flags and operating system
  if (flags & FlagExtra) {
    size_t extraLength = header.ReadByte();
    extraLength |= size_t(header.ReadByte()) << 8;
    header.Skip(extraLength);
  }
  if (flags & FlagName) fileName = header.ReadZeroTerminated();
  if (flags & FlagComment) header.ReadZeroTerminated();
  if (flags & FlagHeaderCrc) {
    uLong crc = crc32(0, data.data(), static_cast<uInt>(header.Position()));
    Word stored = header.ReadByte();
    stored |= Word(header.ReadByte()) << 8;
    if (stored != (crc & 0xFFFF)) Corrupt();
  }

  const Byte* body = data.data() + header.Position();
  Int64 bodySize = static_cast<Int64>(data.size() - header.Position());
  Int64 used = 0;
  // The trailer's length (modulo 2^32) bounds the first allocation but is not trusted beyond
  // that: output grows only as far as the data really inflates.
  Int64 estimate = bodySize >= 8 ? LittleEndian32(body + bodySize - 4) : 0;
  estimate = std::min<Int64>(estimate, bodySize * 1032 + 1024);
  std::vector<Byte> out = ZInflate(body, bodySize, -MAX_WBITS, estimate, ZNoLimit, &used);
  if (bodySize - used < 8) Truncated();
  const Byte* trailer = body + used;

  if (LittleEndian32(trailer + 4) != static_cast<LongWord>(out.size() & 0xFFFFFFFFu)) Corrupt();
  uLong crc = crc32_z(0, out.data(), out.size());
  if (LittleEndian32(trailer) != crc) {
    uLong adler = adler32_z(1, out.data(), out.size());
    if (BigEndian32(data.data() + modificationTime) != adler) Corrupt();
  }
  dest.WriteBuffer(out.data(), static_cast<Int64>(out.size()));
}

void kvxCompressStream(TStream& source, TStream& dest, TZCompressionLevel level) {
  TZCompressionStream z(level, dest);
  source.SetPosition(0);
  Int64 size = source.Size();
  if (size > 0) z.CopyFrom(source, size);
  z.Finish();
}

}  // namespace orv
