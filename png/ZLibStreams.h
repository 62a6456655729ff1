#pragma once
// Deflate streams over zlib: a write-only stream that compresses into another stream, and
// whole-buffer inflation.
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

struct z_stream_s;

namespace orv {

ORV_DECLARE_EXCEPTION(EZLibError, Exception);
ORV_DECLARE_EXCEPTION(EZCompressionError, EZLibError);
ORV_DECLARE_EXCEPTION(EZDecompressionError, EZLibError);

// Maps to zlib levels 0, 1, zlib's default and 9.
enum TZCompressionLevel { zcNone, zcFastest, zcDefault, zcMax };

// zlib's level for one of ours.
int ZLibLevel(TZCompressionLevel level);

// zlib's text for one of its result codes: "data error" for -3, empty for 0.
String ZErrorText(int code);

// Pass 0 and positive zlib results back; raise EZCompressionError / EZDecompressionError with
// zlib's text for negative ones.
int ZCompressCheck(int code);
int ZDecompressCheck(int code);

// Base of the compression stream: the destination (not owned) and zlib's stream record.
class TCustomZStream : public TStream {
 public:
  ~TCustomZStream() override;

  std::function<void(TObject* sender)> OnProgress;

 protected:
  explicit TCustomZStream(TStream& dest);
  void Progress() {
    if (OnProgress) OnProgress(this);
  }

  TStream& dest_;
  // Where the destination stood after our last write; someone else may move it meanwhile.
  Int64 destPosition_;
  std::unique_ptr<z_stream_s> zstream_;
};

// A write-only stream that deflates what is written to it into its destination in zlib format
// (header, deflate data, Adler-32).
class TZCompressionStream : public TCustomZStream {
 public:
  TZCompressionStream(TZCompressionLevel level, TStream& dest);
  // Finishes the stream when Finish() was not called; a failure there cannot be reported, so
  // callers that care call Finish() themselves.
  ~TZCompressionStream() override;

  // Always raises: the stream cannot be read.
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  // Only Seek(0, soCurrent) is allowed; it gives the number of uncompressed bytes written.
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  // Ends the deflate stream and writes everything that is left. Later writes raise.
  void Finish();

 private:
  static constexpr size_t BufferSize = 65536;
  void FlushBuffer(size_t count);
  void RestoreDestPosition();

  std::vector<Byte> buffer_;
  bool finished_ = false;
};

// Whole buffers deflated in zlib format one after another at one level. zlib's state is reset
// rather than made again for each buffer, and the output room is kept for the next one: an
// export deflates every page's content this way.
class TZCompressor {
 public:
  explicit TZCompressor(TZCompressionLevel level);
  ~TZCompressor();
  TZCompressor(const TZCompressor&) = delete;
  TZCompressor& operator=(const TZCompressor&) = delete;

  // data deflated, the bytes ZCompress gives for it; valid until the next call.
  std::string_view Compress(std::string_view data);

 private:
  void Grow(size_t room, size_t keep);

  std::unique_ptr<z_stream_s> z_;
  std::unique_ptr<Byte[]> out_;
  size_t room_ = 0;
  bool used_ = false;
};

// A whole buffer deflated in zlib format at level, in one call into one buffer of the bound
// zlib gives; at the compressing levels the bytes are those TZCompressionStream writes.
std::string ZCompress(std::string_view data, TZCompressionLevel level);

constexpr Int64 ZNoLimit = std::numeric_limits<Int64>::max();

// Inflates one deflate stream from in[0, size) with zlib's windowBits convention (15 for the
// zlib format, -15 for raw deflate). The output grows geometrically from outEstimate (0: from the
// input size); producing more than maxSize bytes raises "insufficient memory". Truncated input
// raises "buffer error", corrupt input "data error". consumed, when given, receives the number
// of input bytes the stream used.
std::vector<Byte> ZInflate(const void* in, Int64 size, int windowBits, Int64 outEstimate = 0,
                           Int64 maxSize = ZNoLimit, Int64* consumed = nullptr);

// Inflates a whole zlib-format buffer.
std::vector<Byte> ZDecompress(const void* inBuf, Int64 inSize, Int64 outEstimate = 0,
                              Int64 maxSize = ZNoLimit);

}  // namespace orv
