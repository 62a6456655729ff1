#include "report/pdf/PdfBufferedStream.h"

#include "platform/rtl/TypInfo.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPDFBufferedStream, c) {}

TkvxPDFBufferedStream::TkvxPDFBufferedStream(TStream& target) : target_(target), written_(target.Position()) {
  buffer_.reserve(kBlock);
}

Int64 TkvxPDFBufferedStream::Read(void*, Int64) { return 0; }

Int64 TkvxPDFBufferedStream::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  const size_t n = static_cast<size_t>(count);
  if (buffer_.size() + n > kBlock) Flush();
  // A block larger than the buffer goes straight through.
  if (n >= kBlock) {
    const Int64 moved = target_.Write(buffer, count);
    written_ += moved;
    return moved;
  }
  const char* from = static_cast<const char*>(buffer);
  buffer_.insert(buffer_.end(), from, from + n);
  return count;
}

Int64 TkvxPDFBufferedStream::Seek(Int64 offset, TSeekOrigin origin) {
  if (offset == 0 && origin == soCurrent) return written_ + static_cast<Int64>(buffer_.size());
  Flush();
  written_ = target_.Seek(offset, origin);
  return written_;
}

void TkvxPDFBufferedStream::Flush() {
  if (buffer_.empty()) return;
  target_.WriteBuffer(buffer_.data(), static_cast<Int64>(buffer_.size()));
  written_ += static_cast<Int64>(buffer_.size());
  buffer_.clear();
}

}  // namespace orv
