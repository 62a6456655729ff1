#include "platform/sheet/WorkbookFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/FileUtils.h"

namespace orv {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void FolderError(const fs::path& folder, const String& why) {
  throw EOleException("Cannot use the folder " + folder.string() + " for workbooks: " + why, DISP_E_EXCEPTION,
                      "Sheet", "");
}

fs::path FolderPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  if (runtime && *runtime && fs::is_directory(runtime, ec)) return fs::path(runtime) / "orvane-workbooks";
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && *cache) return fs::path(cache) / "orvane" / "workbooks";
  String home = HomeFolder();
  if (home.empty()) FolderError("~/.cache/orvane/workbooks", "the user has no home folder");
  return fs::path(home) / ".cache" / "orvane" / "workbooks";
}

// The folder, made if need be, ours alone: a folder of the name that belongs to someone else is
// refused rather than written into.
fs::path PrivateFolder() {
  fs::path folder = FolderPath();
  std::error_code ec;
  fs::create_directories(folder.parent_path(), ec);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) FolderError(folder, std::strerror(errno));
  struct stat st;
  if (::lstat(folder.c_str(), &st) != 0) FolderError(folder, std::strerror(errno));
  // A link could lead the workbooks anywhere, into a folder others can read among them.
  if (S_ISLNK(st.st_mode)) FolderError(folder, "it is a symbolic link, not a folder");
  if (!S_ISDIR(st.st_mode)) FolderError(folder, "it is not a folder");
  if (st.st_uid != ::geteuid()) FolderError(folder, "it belongs to another user");
  if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) FolderError(folder, std::strerror(errno));
  return folder;
}

// The files handed out, removed at the program's end; what the user saved elsewhere is not here.
class TWorkbookFiles {
 public:
  void Add(const fs::path& file) {
    std::lock_guard lock(lock_);
    files_.push_back(file);
  }
  bool Holds(const fs::path& file) {
    std::lock_guard lock(lock_);
    return std::find(files_.begin(), files_.end(), file) != files_.end();
  }
  ~TWorkbookFiles() {
    std::error_code ec;
    for (const fs::path& f : files_) fs::remove(f, ec);
  }

 private:
  std::mutex lock_;
  std::vector<fs::path> files_;
};

TWorkbookFiles& WorkbookFiles() {
  static TWorkbookFiles files;
  return files;
}

}  // namespace

String PrivateWorkbookFile(const String& base) {
  fs::path folder = PrivateFolder();
  fs::path path = folder / (base + ".xlsx");
  // The name is taken by making the file: a second copy of the program exporting at the same
  // moment must not be handed the same name and write over this workbook.
  for (int n = 2;; ++n) {
    const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      break;
    }
    if (errno != EEXIST) FolderError(folder, std::strerror(errno));
    path = folder / (base + " (" + std::to_string(n) + ").xlsx");
  }
  WorkbookFiles().Add(path);
  return path.string();
}

bool IsPrivateWorkbookFile(const String& file) { return WorkbookFiles().Holds(fs::path(file)); }

}  // namespace orv
