// Decoding the image data: inflating the run of IDAT chunks row by row straight into the store.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "png/PngBytes.h"
#include "png/PngChunks.h"
#include "png/PngErrors.h"
#include "png/PngFilters.h"
#include "png/PngLayout.h"
#include "png/PngPixelRows.h"
#include "png/ZLibStreams.h"

namespace orv {

namespace {

[[noreturn]] void RaiseZLib(int code) {
  throw EPNGZLIBError(EPNGZLIBErrorText + ZErrorText(code) + " (" + std::to_string(code) + ")");
}

// Feeds inflate from the IDAT chunks that follow one another, checking each chunk's CRC.
class TIdatReader {
 public:
  TIdatReader(TStream& stream, Cardinal firstLength) : stream_(stream), buffer_(BlockSize) {
    BeginChunk(firstLength);
  }

  // Gives zlib the next block of compressed data, moving into the next IDAT chunk when this
  // one is used up.
  void Refill(z_stream& z) {
    while (left_ == 0) NextChunk();
    Cardinal n = std::min<Cardinal>(left_, BlockSize);
    ReadPngBytes(stream_, buffer_.data(), n);
    crc_ = crc32_z(crc_, buffer_.data(), n);
    left_ -= n;
    z.next_in = buffer_.data();
    z.avail_in = n;
  }

  // Reads what is left of the current chunk and checks its CRC.
  void FinishChunk() {
    while (left_ > 0) {
      Cardinal n = std::min<Cardinal>(left_, BlockSize);
      ReadPngBytes(stream_, buffer_.data(), n);
      crc_ = crc32_z(crc_, buffer_.data(), n);
      left_ -= n;
    }
    if (ReadPngLong(stream_) != LongWord(crc_)) throw EPngInvalidCRC(EPngInvalidCRCText);
  }

 private:
  static constexpr Cardinal BlockSize = 65535;

  void BeginChunk(Cardinal length) {
    if (length > PngMaxLength) throw EPngUnexpectedEnd(EPNGUnexpectedEndText);
    RequirePngBytes(stream_, Int64(length) + 4);
    left_ = length;
    crc_ = crc32(0, reinterpret_cast<const Byte*>("IDAT"), 4);
  }

  void NextChunk() {
    FinishChunk();
    Cardinal length = ReadPngLong(stream_);
    char type[4];
    ReadPngBytes(stream_, type, 4);
    if (std::memcmp(type, "IDAT", 4) != 0)
      throw EPNGMissingMultipleIDAT(EPNGMissingMultipleIDATText);
    BeginChunk(length);
  }

  TStream& stream_;
  std::vector<Byte> buffer_;
  Cardinal left_ = 0;
  uLong crc_ = 0;
};

// One inflate run; ends zlib's stream however the decode ends. Rows are inflated many at a
// time into one buffer: zlib's fast path needs room ahead of it, and a buffer of one row
// would leave the end of every row to its slow path.
class TInflater {
 public:
  explicit TInflater(Int64 imageBytes) : left_(imageBytes) {
    int ret = inflateInit(&z_);
    if (ret != Z_OK) RaiseZLib(ret);
  }
  ~TInflater() { inflateEnd(&z_); }

  // The next count bytes of image data; valid until the next call.
  Byte* Read(TIdatReader& reader, size_t count) {
    if (end_ - start_ < count) Fill(reader, count);
    Byte* row = buffer_.data() + start_;
    start_ += count;
    return row;
  }

 private:
  static constexpr size_t BlockSize = 256 * 1024;

  // Never asks for more than the image holds, so the run of IDAT chunks is not read past its
  // end.
  void Fill(TIdatReader& reader, size_t count) {
    size_t kept = end_ - start_;
    if (buffer_.size() < std::max(BlockSize, 2 * count)) {
      std::vector<Byte> bigger(std::max(BlockSize, 2 * count));
      std::copy(buffer_.begin() + Int64(start_), buffer_.begin() + Int64(end_), bigger.begin());
      buffer_.swap(bigger);
    } else if (kept > 0) {
      std::memmove(buffer_.data(), buffer_.data() + start_, kept);
    }
    start_ = 0;
    end_ = kept;
    size_t want = size_t(std::min<Int64>(Int64(buffer_.size() - kept), left_));
    if (want < count - kept) throw EPNGMissingMultipleIDAT(EPNGMissingMultipleIDATText);
    z_.next_out = buffer_.data() + kept;
    z_.avail_out = uInt(want);
    while (z_.avail_out > 0) {
      if (z_.avail_in == 0) reader.Refill(z_);
      int ret = inflate(&z_, Z_NO_FLUSH);
      if (ret == Z_NEED_DICT) RaiseZLib(Z_DATA_ERROR);
      if (ret < 0 && ret != Z_BUF_ERROR) RaiseZLib(ret);
      // The compressed data ended, or cannot go on, before the image is complete.
      if ((ret == Z_STREAM_END || ret == Z_BUF_ERROR) && z_.avail_out > 0)
        throw EPNGMissingMultipleIDAT(EPNGMissingMultipleIDATText);
    }
    end_ += want;
    left_ -= Int64(want);
  }

  z_stream z_{};
  std::vector<Byte> buffer_;
  size_t start_ = 0;
  size_t end_ = 0;
  Int64 left_;
};

}  // namespace

bool TChunkIDAT::LoadFromStream(TStream& stream, const String&, Cardinal size) {
  TPngImage& image = Owner();
  TChunkIHDR& header = image.Header();
  Byte colorType = header.ColorType();
  Byte depth = header.BitDepth();
  // Rows are laid out at the file's size, whatever part of them the store keeps.
  int width = int(header.FileWidth());
  int height = int(header.FileHeight());
  int reduction = header.Reduction();
  size_t step = size_t(PngFilterStep(colorType, depth));
  TPngPixelRows rows(header, depth);

  bool interlaced = header.InterlaceMethod() == 1;
  TIdatReader reader(stream, size);
  TInflater inflater(PngImageDataSize(width, height, colorType, depth, interlaced));
  size_t maxRow = size_t(PngRowBytes(width, colorType, depth)) + 1;
  std::vector<Byte> previous(maxRow);
  ForEachPngPass(width, height, colorType, depth, interlaced,
                 [&](const TPngPass& pass, int columns, int passRows, size_t rowBytes) {
    std::fill(previous.begin(), previous.begin() + Int64(rowBytes) + 1, 0);
    for (int r = 0; r < passRows; ++r) {
      // The row is reconstructed where it was inflated, then kept as the one above the next.
      Byte* row = inflater.Read(reader, rowBytes + 1);
      UnfilterRow(row[0], row + 1, previous.data() + 1, rowBytes, step);
      rows.StoreReduced(row + 1, pass.StartRow + r * pass.RowStep, pass.StartColumn, pass.ColumnStep,
                        columns, reduction);
      std::memcpy(previous.data() + 1, row + 1, rowBytes);
    }
  });
  reader.FinishChunk();
  return true;
}

}  // namespace orv
