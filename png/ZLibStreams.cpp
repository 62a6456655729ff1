#include "png/ZLibStreams.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace orv {

int ZLibLevel(TZCompressionLevel level) {
  switch (level) {
    case zcNone: return Z_NO_COMPRESSION;
    case zcFastest: return Z_BEST_SPEED;
    case zcDefault: return Z_DEFAULT_COMPRESSION;
    case zcMax: return Z_BEST_COMPRESSION;
  }
  throw EZCompressionError(ZErrorText(Z_STREAM_ERROR));
}

String ZErrorText(int code) {
  switch (code) {
    case Z_NEED_DICT: return "need dictionary";
    case Z_STREAM_END: return "stream end";
    case Z_OK: return "";
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
  }
  return "";
}

int ZCompressCheck(int code) {
  if (code < 0) throw EZCompressionError(ZErrorText(code));
  return code;
}

int ZDecompressCheck(int code) {
  if (code < 0) throw EZDecompressionError(ZErrorText(code));
  return code;
}

TCustomZStream::TCustomZStream(TStream& dest)
    : dest_(dest), destPosition_(dest.Position()), zstream_(std::make_unique<z_stream>()) {}

TCustomZStream::~TCustomZStream() = default;

TZCompressionStream::TZCompressionStream(TZCompressionLevel level, TStream& dest)
    : TCustomZStream(dest), buffer_(BufferSize) {
  zstream_->next_out = buffer_.data();
  zstream_->avail_out = BufferSize;
  ZCompressCheck(deflateInit(zstream_.get(), ZLibLevel(level)));
}

TZCompressionStream::~TZCompressionStream() {
  try {
    Finish();
  } catch (const Exception&) {
    // Destructors must not throw; Finish() is the place to learn about this failure.
  }
  deflateEnd(zstream_.get());
}

Int64 TZCompressionStream::Read(void*, Int64) {
  throw EZCompressionError("Invalid ZStream operation!");
}

void TZCompressionStream::RestoreDestPosition() {
  if (dest_.Position() != destPosition_) dest_.SetPosition(destPosition_);
}

void TZCompressionStream::FlushBuffer(size_t count) {
  dest_.WriteBuffer(buffer_.data(), static_cast<Int64>(count));
  destPosition_ = dest_.Position();
  zstream_->next_out = buffer_.data();
  zstream_->avail_out = BufferSize;
}

Int64 TZCompressionStream::Write(const void* buffer, Int64 count) {
  if (finished_) throw EZCompressionError("Invalid ZStream operation!");
  if (count <= 0) return 0;
  RestoreDestPosition();
  auto* in = static_cast<const Byte*>(buffer);
  Int64 left = count;
  while (left > 0) {
    // avail_in is 32 bits wide; feed huge writes in slices.
    uInt slice = static_cast<uInt>(std::min<Int64>(left, 1 << 30));
    zstream_->next_in = const_cast<Byte*>(in);
    zstream_->avail_in = slice;
    while (zstream_->avail_in > 0) {
      ZCompressCheck(deflate(zstream_.get(), Z_NO_FLUSH));
      if (zstream_->avail_out == 0) {
        FlushBuffer(BufferSize);
        Progress();
      }
    }
    in += slice;
    left -= slice;
  }
  return count;
}

Int64 TZCompressionStream::Seek(Int64 offset, TSeekOrigin origin) {
  if (offset != 0 || origin != soCurrent) throw EZCompressionError("Invalid ZStream operation!");
  return static_cast<Int64>(zstream_->total_in);
}

void TZCompressionStream::Finish() {
  if (finished_) return;
  finished_ = true;
  zstream_->next_in = nullptr;
  zstream_->avail_in = 0;
  RestoreDestPosition();
  while (ZCompressCheck(deflate(zstream_.get(), Z_FINISH)) != Z_STREAM_END)
    FlushBuffer(BufferSize - zstream_->avail_out);
  FlushBuffer(BufferSize - zstream_->avail_out);
}

TZCompressor::TZCompressor(TZCompressionLevel level) : z_(std::make_unique<z_stream>()) {
  ZCompressCheck(deflateInit(z_.get(), ZLibLevel(level)));
}

TZCompressor::~TZCompressor() { deflateEnd(z_.get()); }

void TZCompressor::Grow(size_t room, size_t keep) {
  // Every byte of the room is written by zlib before it is read: no need to clear it.
  auto grown = std::make_unique_for_overwrite<Byte[]>(room);
  if (keep) std::memcpy(grown.get(), out_.get(), keep);
  out_ = std::move(grown);
  room_ = room;
}

std::string_view TZCompressor::Compress(std::string_view data) {
  // A reset stream starts from the state a new one has, so its bytes are a new one's.
  if (used_) ZCompressCheck(deflateReset(z_.get()));
  used_ = true;
  // A page far larger than the rest does not keep its room for all those that follow.
  constexpr size_t kKeptRoom = 1 << 20;
  // deflateBound holds for one call with Z_FINISH; a size beyond 32 bits goes in slices.
  const size_t bound = deflateBound(z_.get(), static_cast<uLong>(data.size()));
  if (room_ < bound || room_ > std::max(bound, kKeptRoom)) Grow(bound, 0);
  z_stream& z = *z_;
  size_t produced = 0;
  const Byte* next = reinterpret_cast<const Byte*>(data.data());
  size_t left = data.size();
  int ret = Z_OK;
  while (ret != Z_STREAM_END) {
    if (produced == room_) Grow(room_ * 2, produced);
    const uInt inSlice = static_cast<uInt>(std::min<size_t>(left, 1u << 30));
    const uInt outSlice = static_cast<uInt>(std::min<size_t>(room_ - produced, 1u << 30));
    z.next_in = const_cast<Byte*>(next);
    z.avail_in = inSlice;
    z.next_out = out_.get() + produced;
    z.avail_out = outSlice;
    ret = ZCompressCheck(deflate(&z, inSlice == left ? Z_FINISH : Z_NO_FLUSH));
    next += inSlice - z.avail_in;
    left -= inSlice - z.avail_in;
    produced += outSlice - z.avail_out;
  }
  return {reinterpret_cast<const char*>(out_.get()), produced};
}

std::string ZCompress(std::string_view data, TZCompressionLevel level) {
  TZCompressor compressor(level);
  // Exactly the bytes: a caller that keeps a page's deflated text keeps what it holds, not the
  // room made for incompressible data.
  return std::string(compressor.Compress(data));
}

std::vector<Byte> ZInflate(const void* in, Int64 size, int windowBits, Int64 outEstimate,
                           Int64 maxSize, Int64* consumed) {
  // Growth doubles the buffer, so memory follows what the data really inflates to; a large
  // estimate is only trusted up to the limit.
  Int64 step = (std::max<Int64>(size, 1) + 255) / 256 * 256;
  Int64 capacity = std::min(outEstimate > 0 ? outEstimate : step, maxSize);
  std::vector<Byte> out;
  z_stream z{};
  ZDecompressCheck(inflateInit2(&z, windowBits));
  struct End {
    z_stream* z;
    ~End() { inflateEnd(z); }
  } end{&z};

  const Byte* next = static_cast<const Byte*>(in);
  Int64 inLeft = size;
  Int64 produced = 0;
  int ret = Z_OK;
  while (ret != Z_STREAM_END) {
    if (produced == static_cast<Int64>(out.size())) {
      if (produced >= maxSize) throw EZDecompressionError(ZErrorText(Z_MEM_ERROR));
      Int64 grown = out.empty() ? std::max<Int64>(capacity, 1) : produced * 2;
      out.resize(static_cast<size_t>(std::min(grown, maxSize)));
    }
    uInt inSlice = static_cast<uInt>(std::min<Int64>(inLeft, 1 << 30));
    uInt outSlice = static_cast<uInt>(std::min<Int64>(static_cast<Int64>(out.size()) - produced, 1 << 30));
    z.next_in = const_cast<Byte*>(next);
    z.avail_in = inSlice;
    z.next_out = out.data() + produced;
    z.avail_out = outSlice;
    ret = inflate(&z, Z_NO_FLUSH);
    // zlib reports a missing dictionary as a positive code; there is none to give.
    if (ret == Z_NEED_DICT) ret = Z_DATA_ERROR;
    ZDecompressCheck(ret);
    Int64 used = inSlice - z.avail_in;
    Int64 made = outSlice - z.avail_out;
    next += used;
    inLeft -= used;
    produced += made;
    // Out of input with output room left and no end: the data is cut short.
    if (ret != Z_STREAM_END && inLeft == 0 && z.avail_out > 0)
      throw EZDecompressionError(ZErrorText(Z_BUF_ERROR));
  }
  out.resize(static_cast<size_t>(produced));
  out.shrink_to_fit();
  if (consumed) *consumed = size - inLeft;
  return out;
}

std::vector<Byte> ZDecompress(const void* inBuf, Int64 inSize, Int64 outEstimate, Int64 maxSize) {
  return ZInflate(inBuf, inSize, MAX_WBITS, outEstimate, maxSize);
}

}  // namespace orv
