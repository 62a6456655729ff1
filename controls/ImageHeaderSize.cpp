#include "controls/ImageHeaderSize.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

const Byte kPngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

// Reads a file header without ever going past its end.
class THeaderReader {
 public:
  explicit THeaderReader(const std::vector<Byte>& b) : b_(b) {}
  bool Byte1(int& v) {
    if (pos_ >= b_.size()) return false;
    v = b_[pos_++];
    return true;
  }
  bool BigEndian16(int& v) {
    int hi, lo;
    if (!Byte1(hi) || !Byte1(lo)) return false;
    v = hi << 8 | lo;
    return true;
  }
  bool LittleEndian16At(std::size_t at, int& v) const {
    if (at + 2 > b_.size()) return false;
    v = b_[at] | b_[at + 1] << 8;
    return true;
  }
  bool LittleEndian32At(std::size_t at, std::uint32_t& v) const {
    if (at + 4 > b_.size()) return false;
    v = std::uint32_t(b_[at]) | std::uint32_t(b_[at + 1]) << 8 | std::uint32_t(b_[at + 2]) << 16 |
        std::uint32_t(b_[at + 3]) << 24;
    return true;
  }
  bool Skip(std::size_t n) {
    if (n > b_.size() - pos_) return false;
    pos_ += n;
    return true;
  }
  std::size_t Pos() const { return pos_; }
  void SetPos(std::size_t p) { pos_ = p; }

 private:
  const std::vector<Byte>& b_;
  std::size_t pos_ = 0;
};

TSize JpegSize(const std::vector<Byte>& b) {
  if (b.size() < 2 || b[0] != 0xFF || b[1] != 0xD8) return {};
  THeaderReader r(b);
  r.Skip(2);
  int last;
  if (!r.Byte1(last)) return {};
  while (last == 0xFF) {
    int marker;
    if (!r.Byte1(marker)) return {};
    while (marker == 0xFF)
      if (!r.Byte1(marker)) return {};
    if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      int h, w;
      if (!r.Skip(3) || !r.BigEndian16(h) || !r.BigEndian16(w)) return {};
      return {w, h};
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      last = marker;
      continue;
    }
    int length;
    // A length below 2 would step backwards and read the same segment for ever.
    if (!r.BigEndian16(length) || length < 2 || !r.Skip(std::size_t(length - 2)) || !r.Byte1(last)) return {};
  }
  return {};
}

TSize PngSize(const std::vector<Byte>& b) {
  if (b.size() < 24 || std::memcmp(b.data(), kPngSignature, 8) != 0) return {};
  return {b[18] << 8 | b[19], b[22] << 8 | b[23]};
}

TSize BmpSize(const std::vector<Byte>& b) {
  THeaderReader r(b);
  int w, h;
  if (b.size() < 2 || b[0] != 'B' || b[1] != 'M' || !r.LittleEndian16At(18, w) || !r.LittleEndian16At(22, h))
    return {};
  return {w, h};
}

TSize TiffSize(const std::vector<Byte>& b) {
  THeaderReader r(b);
  std::uint32_t directory;
  int count;
  if (b.size() < 8 || !r.LittleEndian32At(4, directory) || !r.LittleEndian16At(directory, count)) return {};
  int w = 0, h = 0;
  bool seenW = false, seenH = false;
  for (int i = 0; i < count && !(seenW && seenH); ++i) {
    std::size_t at = std::size_t(directory) + 2 + std::size_t(i) * 12;
    int tag;
    std::uint32_t value;
    if (!r.LittleEndian16At(at, tag) || !r.LittleEndian32At(at + 8, value)) return {};
    int magnitude = static_cast<int>(std::llabs(static_cast<std::int32_t>(value)) & 0xFFFF);
    if (tag == 256) w = magnitude, seenW = true;
    if (tag == 257) h = magnitude, seenH = true;
  }
  return seenW && seenH ? TSize{w, h} : TSize{};
}

TSize GifSize(const std::vector<Byte>& b) {
  if (b.size() < 14 || std::memcmp(b.data(), "GIF", 3) != 0) return {};
  THeaderReader r(b);
  r.SetPos(14);
  if (b[10] & 0x80 && !r.Skip(std::size_t(3) << ((b[10] & 7) + 1))) return {};
  int c;
  while (r.Byte1(c)) {
    if (c != 0x2C) continue;
    int w, h;
    if (!r.LittleEndian16At(r.Pos() + 4, w) || !r.LittleEndian16At(r.Pos() + 6, h)) return {};
    return {w, h};
  }
  return {};
}

}  // namespace

TSize ImageFileHeaderSize(const String& FileName, const std::vector<Byte>& Bytes) {
  String ext = UpperCase(ExtractFileExt(FileName));
  if (ext == ".JPG" || ext == ".JPEG") return JpegSize(Bytes);
  if (ext == ".PNG") return PngSize(Bytes);
  if (ext == ".BMP") return BmpSize(Bytes);
  if (ext == ".TIFF") return TiffSize(Bytes);
  if (ext == ".GIF") return GifSize(Bytes);
  return {};
}

}  // namespace orv
