#pragma once
// TkvxPDFBufferedStream: writes to another stream in blocks. A PDF file is written a line, a
// number and a content stream at a time, and a system call for each showed in exports of
// thousands of pages.
#include <vector>

#include "platform/rtl/Streams.h"

namespace orv {

class TkvxPDFBufferedStream : public TStream {
  ORV_CLASS(TkvxPDFBufferedStream, TStream)

 public:
  explicit TkvxPDFBufferedStream(TStream& target);
  // Writing only: reading gives nothing.
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  // The position counts what waits in the buffer; any other move writes it out first.
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  // Writes what waits; raises EWriteError when the target takes less. What is still waiting
  // when the stream goes (after a failure) is dropped.
  void Flush();

 private:
  static constexpr size_t kBlock = 1 << 16;
  TStream& target_;
  // Where the target stands: its own position would cost a system call for every object.
  Int64 written_;
  std::vector<char> buffer_;
};

}  // namespace orv
