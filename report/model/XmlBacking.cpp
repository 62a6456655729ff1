#include "report/model/XmlBacking.h"

#include <algorithm>

namespace orv {

size_t TkvxStreamBacking::ReadAt(std::uint64_t pos, char* buffer, size_t count) {
  // No further than the stream's size: a device that never ends (/dev/zero) reads as empty, as
  // it does for a list of lines, instead of without end.
  const Int64 size = stream_->Size();
  if (static_cast<Int64>(pos) >= size) return 0;
  count = static_cast<size_t>(std::min<Int64>(static_cast<Int64>(count), size - static_cast<Int64>(pos)));
  stream_->SetPosition(static_cast<Int64>(pos));
  return static_cast<size_t>(stream_->Read(buffer, static_cast<Int64>(count)));
}

TkvxTempFileBacking::TkvxTempFileBacking(const String& dir) : file_(dir, "kv") {}

size_t TkvxTempFileBacking::ReadAt(std::uint64_t pos, char* buffer, size_t count) {
  return file_.ReadAt(pos, buffer, count);
}

void TkvxTempFileBacking::Append(const char* data, size_t count) {
  file_.WriteAt(size_, data, count);
  size_ += count;
}

}  // namespace orv
