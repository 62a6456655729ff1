#include "platform/sheet/WorkbookFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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

// The user's documents folder: XDG_DOCUMENTS_DIR as the session or user-dirs.dirs names it,
// else ~/Documents; empty without a home.
fs::path DocumentsFolder() {
  if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR"); documents && *documents) return documents;
  String home = HomeFolder();
  if (home.empty()) return {};
  const char* config = std::getenv("XDG_CONFIG_HOME");
  fs::path dirs = (config && *config ? fs::path(config) : fs::path(home) / ".config") / "user-dirs.dirs";
  std::ifstream in(dirs);
  for (std::string line; std::getline(in, line);) {
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    if (line.rfind(key, 0) != 0 || line.back() != '"') continue;
    std::string value = line.substr(key.size(), line.size() - key.size() - 1);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    // The folder set to the home itself means the user wants no documents folder.
    if (!value.empty() && fs::path(value) != fs::path(home)) return value;
  }
  return fs::path(home) / "Documents";
}

// Moves a kept workbook out of the private folder, which a desktop empties at logout, into the
// user's documents under a name not taken there; gives where it is now (where it was when it
// cannot be moved).
fs::path MoveToDocuments(const fs::path& file) {
  fs::path folder = DocumentsFolder();
  std::error_code ec;
  if (folder.empty() || (!fs::create_directories(folder, ec) && !fs::is_directory(folder, ec))) return file;
  fs::path stem = file.stem();
  fs::path target = folder / file.filename();
  for (int n = 2; fs::exists(target, ec) || fs::is_symlink(target, ec); ++n)
    target = folder / (stem.string() + " (" + std::to_string(n) + ")" + file.extension().string());
  // Copied rather than renamed: the private folder is often another file system.
  if (!fs::copy_file(file, target, fs::copy_options::none, ec)) return file;
  fs::remove(file, ec);
  return target;
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
      if (!fs::exists(e.File, ec)) continue;
      // A workbook the spreadsheet application still has open stays where that application
      // will save it.
      if (IsWorkbookOpenElsewhere(e.File.string()))
        kept.push_back(e.File.string());
      else if (StampOf(e.File) == e.Written)
        fs::remove(e.File, ec);
      else
        kept.push_back(MoveToDocuments(e.File).string());
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

bool IsWorkbookOpenElsewhere(const String& file) {
  fs::path path(file);
  std::error_code ec;
  return fs::exists(path.parent_path() / (".~lock." + path.filename().string() + "#"), ec);
}

bool IsPrivateWorkbookFile(const String& file) { return WorkbookFiles().Holds(fs::path(file)); }

void NoteWorkbookWritten(const String& file) { WorkbookFiles().Note(fs::path(file)); }

std::vector<String> RemovePrivateWorkbooks() { return WorkbookFiles().RemoveUnchanged(); }

}  // namespace orv
