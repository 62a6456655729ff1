#include "report/model/XmlBacking.h"

#include <algorithm>
#include <cstring>

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
  std::lock_guard lock(lock_);
  size_t done = 0;
  if (pos < written_) {
    done = file_.ReadAt(pos, buffer, static_cast<size_t>(std::min<std::uint64_t>(count, written_ - pos)));
    if (done < count && pos + done < written_) return done;
  }
  const std::uint64_t from = pos + done - written_;
  if (from >= gathered_.size()) return done;
  const size_t n = std::min<size_t>(count - done, gathered_.size() - static_cast<size_t>(from));
  std::memcpy(buffer + done, gathered_.data() + from, n);
  return done + n;
}

std::uint64_t TkvxTempFileBacking::Size() {
  std::lock_guard lock(lock_);
  return written_ + gathered_.size();
}

void TkvxTempFileBacking::Append(const char* data, size_t count) {
  std::lock_guard lock(lock_);
  if (gathered_.size() + count < kGathered) {
    gathered_.append(data, count);
    return;
  }
  Flush();
  // A page as large as what is gathered goes straight to the file, never copied a second time.
  if (count >= kGathered) {
    file_.WriteAt(written_, data, count);
    written_ += count;
    return;
  }
  gathered_.append(data, count);
}

void TkvxTempFileBacking::Flush() {
  if (gathered_.empty()) return;
  file_.WriteAt(written_, gathered_.data(), gathered_.size());
  written_ += gathered_.size();
  gathered_.clear();
}

}  // namespace orv
