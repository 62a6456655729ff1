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
  THeaderReader(const std::vector<Byte>& data, size_t start) : data_(data), pos_(start) {}
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
  size_t pos_;
};

LongWord LittleEndian32(const Byte* p) {
  return LongWord(p[0]) | LongWord(p[1]) << 8 | LongWord(p[2]) << 16 | LongWord(p[3]) << 24;
}

LongWord BigEndian32(const Byte* p) {
  return LongWord(p[0]) << 24 | LongWord(p[1]) << 16 | LongWord(p[2]) << 8 | LongWord(p[3]);
}

}  // namespace

namespace {

// Reads the gzip member that begins at data[start] and appends its data to out, producing at
// most maxSize bytes in all; returns where the member ends.
size_t ReadMember(const std::vector<Byte>& data, size_t start, std::vector<Byte>& out,
                  Int64 maxSize, String& fileName) {
  THeaderReader header(data, start);
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
  String name;
  if (flags & FlagName) name = header.ReadZeroTerminated();
  if (start == 0) fileName = name;
  if (flags & FlagComment) header.ReadZeroTerminated();
  if (flags & FlagHeaderCrc) {
    uLong crc = crc32(0, data.data() + start, static_cast<uInt>(header.Position() - start));
    Word stored = header.ReadByte();
    stored |= Word(header.ReadByte()) << 8;
    if (stored != (crc & 0xFFFF)) Corrupt();
  }

  const Byte* body = data.data() + header.Position();
  Int64 bodySize = static_cast<Int64>(data.size() - header.Position());
  Int64 used = 0;
  Int64 room = maxSize - static_cast<Int64>(out.size());
  // The trailer's length (modulo 2^32) bounds the first allocation but is not trusted beyond
  // that: output grows only as far as the data really inflates.
  Int64 estimate = bodySize >= 8 ? LittleEndian32(body + bodySize - 4) : 0;
  estimate = std::min({estimate, bodySize * 1032 + 1024, room});
  std::vector<Byte> member = ZInflate(body, bodySize, -MAX_WBITS, estimate, room, &used);
  if (bodySize - used < 8) Truncated();
  const Byte* trailer = body + used;

  if (LittleEndian32(trailer + 4) != static_cast<LongWord>(member.size() & 0xFFFFFFFFu)) Corrupt();
  uLong crc = crc32_z(0, member.data(), member.size());
  if (LittleEndian32(trailer) != crc) {
    uLong adler = adler32_z(1, member.data(), member.size());
    if (BigEndian32(data.data() + modificationTime) != adler) Corrupt();
  }
  out.insert(out.end(), member.begin(), member.end());
  return header.Position() + static_cast<size_t>(used) + 8;
}

}  // namespace

void kvxDecompressStream(TStream& source, TStream& dest, String& fileName, Int64 maxSize) {
  fileName.clear();
  Int64 left = source.Size() - source.Position();
  std::vector<Byte> data(static_cast<size_t>(std::max<Int64>(left, 0)));
  source.ReadBuffer(data.data(), static_cast<Int64>(data.size()));

  std::vector<Byte> out;
  size_t next = ReadMember(data, 0, out, maxSize, fileName);
  // Members written one after another are one stream, as gzip reads them; anything else that
  // follows (padding, for one) is not data.
  while (data.size() - next >= 2 && data[next] == 0x1F && data[next + 1] == 0x8B)
    next = ReadMember(data, next, out, maxSize, fileName);
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
