#include "platform/rtl/TempFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace orv {

TTempFile::TTempFile(const String& folder, const String& prefix) {
  std::error_code ec;
  String dir = folder.empty() || !std::filesystem::is_directory(folder, ec) ? GetTempDir() : folder;
  String pattern = IncludeTrailingPathDelimiter(dir) + prefix + "XXXXXX";
  fd_ = mkstemp(pattern.data());
  if (fd_ < 0) throw EFCreateError("Cannot create file \"" + pattern + "\". " + std::strerror(errno));
  unlink(pattern.c_str());
}

TTempFile::~TTempFile() { close(fd_); }

size_t TTempFile::ReadAt(std::uint64_t pos, void* buffer, size_t count) const {
  char* to = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = pread(fd_, to + done, count - done, static_cast<off_t>(pos + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError(String("Stream read error: ") + std::strerror(errno));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void TTempFile::WriteAt(std::uint64_t pos, const void* data, size_t count) {
  const char* from = static_cast<const char*>(data);
  size_t done = 0;
  while (done < count) {
    ssize_t n = pwrite(fd_, from + done, count - done, static_cast<off_t>(pos + done));
    if (n < 0 && errno == EINTR) continue;
    // A full disk or a file size limit is told in the user's words: the temporary file is where a
    // long report's pages go, and the run ends with this message.
    if (n <= 0) throw EWriteError("เขียนแฟ้มชั่วคราวไม่ได้: " + SystemErrorText(errno));
    done += static_cast<size_t>(n);
  }
}

}  // namespace orv
