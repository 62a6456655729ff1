#include "report/model/XmlBacking.h"

namespace orv {

size_t TkvxStreamBacking::ReadAt(std::uint64_t pos, char* buffer, size_t count) {
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
