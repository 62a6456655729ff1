#include "report/model/XmlBacking.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/rtl/Exceptions.h"

namespace orv {

size_t TkvxStreamBacking::ReadAt(std::uint64_t pos, char* buffer, size_t count) {
  stream_->SetPosition(static_cast<Int64>(pos));
  return static_cast<size_t>(stream_->Read(buffer, static_cast<Int64>(count)));
}

TkvxTempFileBacking::TkvxTempFileBacking(const String& dir) {
  std::error_code ec;
  std::filesystem::path folder = dir;
  if (dir.empty() || !std::filesystem::is_directory(folder, ec))
    folder = std::filesystem::temp_directory_path(ec);
  String pattern = (folder / "kvXXXXXX").string();
  fd_ = mkstemp(pattern.data());
  if (fd_ < 0)
    throw EFCreateError("Cannot create file \"" + pattern + "\". " + std::strerror(errno));
  unlink(pattern.c_str());
}

TkvxTempFileBacking::~TkvxTempFileBacking() {
  if (fd_ >= 0) close(fd_);
}

size_t TkvxTempFileBacking::ReadAt(std::uint64_t pos, char* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = pread(fd_, buffer + done, count - done, static_cast<off_t>(pos + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError(String("Stream read error: ") + std::strerror(errno));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void TkvxTempFileBacking::Append(const char* data, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = pwrite(fd_, data + done, count - done, static_cast<off_t>(size_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EWriteError(String("Stream write error: ") + std::strerror(errno));
    done += static_cast<size_t>(n);
  }
  size_ += count;
}

}  // namespace orv
