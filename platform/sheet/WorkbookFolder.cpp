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
  throw EOleException("ใช้โฟลเดอร์ " + folder.string() + " เก็บแฟ้มตารางคำนวณไม่ได้: " + why, DISP_E_EXCEPTION,
                      "Sheet", "");
}

fs::path FolderPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  if (runtime && *runtime && fs::is_directory(runtime, ec)) return fs::path(runtime) / "orvane-workbooks";
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && *cache) return fs::path(cache) / "orvane" / "workbooks";
  String home = HomeFolder();
  if (home.empty()) FolderError("~/.cache/orvane/workbooks", "ผู้ใช้นี้ไม่มีโฟลเดอร์ประจำตัว (home)");
  return fs::path(home) / ".cache" / "orvane" / "workbooks";
}

// The folder, made if need be, ours alone: a folder of the name that belongs to someone else is
// refused rather than written into.
fs::path PrivateFolder() {
  fs::path folder = FolderPath();
  std::error_code ec;
  fs::create_directories(folder.parent_path(), ec);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) FolderError(folder, SystemErrorText(errno));
  struct stat st;
  if (::lstat(folder.c_str(), &st) != 0) FolderError(folder, SystemErrorText(errno));
  // A link could lead the workbooks anywhere, into a folder others can read among them.
  if (S_ISLNK(st.st_mode)) FolderError(folder, "ชื่อนี้เป็นลิงก์ (symbolic link) ไม่ใช่โฟลเดอร์");
  if (!S_ISDIR(st.st_mode)) FolderError(folder, "ชื่อนี้ไม่ใช่โฟลเดอร์");
  if (st.st_uid != ::geteuid()) FolderError(folder, "โฟลเดอร์นี้เป็นของผู้ใช้อื่น");
  if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) FolderError(folder, SystemErrorText(errno));
  return folder;
}

// What a file looked like: any save, in place or by a new file renamed over it, changes it.
struct TFileStamp {
  bool Exists = false;
  dev_t Device = 0;
  ino_t Inode = 0;
  off_t Size = 0;
  timespec Modified{};
  bool operator==(const TFileStamp& o) const {
    return Exists == o.Exists && Device == o.Device && Inode == o.Inode && Size == o.Size &&
           Modified.tv_sec == o.Modified.tv_sec && Modified.tv_nsec == o.Modified.tv_nsec;
  }
};

TFileStamp StampOf(const fs::path& file) {
  struct stat st;
  TFileStamp stamp;
  if (::stat(file.c_str(), &st) != 0) return stamp;
  stamp.Exists = true;
  stamp.Device = st.st_dev;
  stamp.Inode = st.st_ino;
  stamp.Size = st.st_size;
  stamp.Modified = st.st_mtim;
  return stamp;
}

// The files handed out and how the program left each; what the user saved elsewhere is not here.
class TWorkbookFiles {
 public:
  void Add(const fs::path& file) {
    std::lock_guard lock(lock_);
    files_.push_back({file, StampOf(file)});
  }
  bool Holds(const fs::path& file) {
    std::lock_guard lock(lock_);
    return std::find_if(files_.begin(), files_.end(), [&](const TEntry& e) { return e.File == file; }) != files_.end();
  }
  void Note(const fs::path& file) {
    std::lock_guard lock(lock_);
    for (TEntry& e : files_)
      if (e.File == file) e.Written = StampOf(file);
  }
  std::vector<String> RemoveUnchanged() {
    std::lock_guard lock(lock_);
    std::vector<String> kept;
    std::error_code ec;
    for (const TEntry& e : files_) {
      if (StampOf(e.File) == e.Written)
        fs::remove(e.File, ec);
      else if (fs::exists(e.File, ec))
        kept.push_back(e.File.string());
    }
    files_.clear();
    return kept;
  }
  ~TWorkbookFiles() { RemoveUnchanged(); }

 private:
  struct TEntry {
    fs::path File;
    TFileStamp Written;
  };
  std::mutex lock_;
  std::vector<TEntry> files_;
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
    if (errno != EEXIST) FolderError(folder, SystemErrorText(errno));
    path = folder / (base + " (" + std::to_string(n) + ").xlsx");
  }
  WorkbookFiles().Add(path);
  return path.string();
}

bool IsPrivateWorkbookFile(const String& file) { return WorkbookFiles().Holds(fs::path(file)); }

void NoteWorkbookWritten(const String& file) { WorkbookFiles().Note(fs::path(file)); }

std::vector<String> RemovePrivateWorkbooks() { return WorkbookFiles().RemoveUnchanged(); }

}  // namespace orv
