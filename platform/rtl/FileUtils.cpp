#include "platform/rtl/FileUtils.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

constexpr std::string_view kPartInfix = ".part";

size_t NameStart(const String& fileName) {
  const size_t slash = fileName.rfind(PathDelim);
  return slash == String::npos ? 0 : slash + 1;
}

// The permissions a newly created file gets from the process's umask. mkstemp makes files that
// only the owner may read, which is wrong for a PDF or a photo the user saves.
mode_t NewFileMode() {
  mode_t mask = 022;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
      break;
    }
  }
  return 0666 & ~mask;
}

// Flushes a file's contents to the disk; false when that fails.
bool SyncFile(const String& fileName, int extraFlags = 0) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | extraFlags);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// The file a write to fileName lands in: a symbolic link is written through to what it names,
// so the link stays a link.
String WrittenFile(const String& fileName) {
  namespace fs = std::filesystem;
  fs::path file = fileName;
  std::error_code ec;
  // A link may name a file that does not exist yet, and links may chain; a loop ends the walk.
  for (int hops = 0; hops < 40 && fs::is_symlink(file, ec); ++hops) {
    fs::path next = fs::read_symlink(file, ec);
    if (ec) break;
    file = next.is_absolute() ? next : file.parent_path() / next;
  }
  return file == fs::path(fileName) ? fileName : file.lexically_normal().string();
}

// Whether name is "<prefix>XXXXXX" as CreateTempFile makes it, followed by the rest of a longer
// name made from such a temporary: "<temporary>.partXXXXXX", or "<temporary>.XXXXXX" where a
// zip writer rewriting the temporary keeps its own; the X are letters and digits.
bool TempName(std::string_view name, std::string_view prefix) {
  auto randomPart = [&](size_t at) {
    if (name.size() < at + 6) return false;
    for (size_t i = at; i < at + 6; ++i)
      if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
  };
  if (!name.starts_with(prefix) || !randomPart(prefix.size())) return false;
  std::string_view rest = name.substr(prefix.size() + 6);
  auto followedBy = [&](std::string_view infix) {
    return rest.starts_with(infix) && rest.size() == infix.size() + 6 && randomPart(prefix.size() + 6 + infix.size());
  };
  return rest.empty() || followedBy(kPartInfix) || followedBy(".");
}

// What a killed earlier write left beside the target: ".<name>.XXXXXX" from CreateTempFile and
// the parts made beside it. The folder may be one a symbolic link leads to, shared with other
// people and programs: only this user's files of exactly that shape, still with the permissions
// mkstemp gave them, are taken for leftovers.
void RemoveLeftovers(const String& folder, const String& prefix) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    if (!TempName(name, prefix)) continue;
    struct stat st;
    if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 07777) != 0600)
      continue;
    std::filesystem::remove(entry.path(), ec);
  }
}

}  // namespace

String ExtractFilePath(const String& fileName) { return fileName.substr(0, NameStart(fileName)); }

String ExtractFileDir(const String& fileName) {
  String dir = fileName.substr(0, NameStart(fileName));
  if (dir.size() > 1 && dir.back() == PathDelim) dir.pop_back();
  return dir;
}

String ExtractFileName(const String& fileName) { return fileName.substr(NameStart(fileName)); }

String ExtractFileExt(const String& fileName) {
  const size_t start = NameStart(fileName);
  const size_t dot = fileName.rfind('.');
  return dot == String::npos || dot < start ? String() : fileName.substr(dot);
}

String ChangeFileExt(const String& fileName, const String& extension) {
  const size_t start = NameStart(fileName);
  const size_t dot = fileName.rfind('.');
  const size_t end = dot == String::npos || dot < start ? fileName.size() : dot;
  return fileName.substr(0, end) + extension;
}

String IncludeTrailingPathDelimiter(const String& s) {
  return !s.empty() && s.back() == PathDelim ? s : s + PathDelim;
}

String ExcludeTrailingPathDelimiter(const String& s) {
  return !s.empty() && s.back() == PathDelim ? s.substr(0, s.size() - 1) : s;
}

bool FileExists(const String& fileName) {
  struct stat st;
  return ::stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const String& dir) {
  struct stat st;
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const String& dir) {
  if (dir.empty()) return false;
  const String path = ExcludeTrailingPathDelimiter(dir);
  if (path.empty() || DirectoryExists(path)) return true;
  const String parent = ExtractFileDir(path);
  if (!parent.empty() && parent != path && !ForceDirectories(parent)) return false;
  return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(path));
}

bool DeleteFile(const String& fileName) { return ::unlink(fileName.c_str()) == 0; }

bool RenameFile(const String& oldName, const String& newName) {
  return std::rename(oldName.c_str(), newName.c_str()) == 0;
}

String GetCurrentDir() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return String();
    buffer.resize(buffer.size() * 2);
  }
  return String(buffer.data());
}

String HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  struct passwd account;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &account, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/')
    return found->pw_dir;
  return "";
}

String GetTempDir() {
  const char* env = std::getenv("TMPDIR");
  const String dir = env && *env ? String(env) : String("/tmp");
  return IncludeTrailingPathDelimiter(dir);
}

String CreateTempFile(const String& folder, const String& prefix) {
  String pattern = IncludeTrailingPathDelimiter(folder.empty() ? GetTempDir() : folder) + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0)
    throw EInOutError("Cannot create a temporary file in " + folder + ": " + std::strerror(errno));
  ::close(fd);
  return String(name.data());
}

String CreatePartFile(const String& tempName) {
  return CreateTempFile(ExtractFileDir(tempName), ExtractFileName(tempName) + String(kPartInfix));
}

String SystemErrorText(int errorNumber) {
  const char* thai = nullptr;
  switch (errorNumber) {
    case ENOSPC: thai = "ดิสก์เต็ม"; break;
    case EDQUOT: thai = "ใช้พื้นที่ดิสก์เกินโควตาของผู้ใช้"; break;
    case EFBIG: thai = "แฟ้มใหญ่เกินกว่าที่ระบบยอมให้"; break;
    case EACCES:
    case EPERM: thai = "ไม่มีสิทธิ์เขียน"; break;
    case EROFS: thai = "ดิสก์นี้อ่านได้อย่างเดียว"; break;
    case EIO: thai = "ดิสก์อ่านหรือเขียนผิดพลาด"; break;
    case ELOOP: thai = "ลิงก์ (symbolic link) ของชื่อนี้วนกลับมาที่ตัวเอง ไม่ถึงแฟ้มใดเลย"; break;
    case EPIPE: thai = "โปรแกรมที่อ่านไปป์นี้เลิกอ่านไปก่อนได้ข้อมูลครบ"; break;
    case EISDIR: thai = "ชื่อนี้เป็นโฟลเดอร์ ไม่ใช่แฟ้ม"; break;
    default: break;
  }
  String system = std::strerror(errorNumber);
  return thai ? String(thai) + " (" + system + ")" : system;
}

String WriteFailureText(const String& fileName, int errorNumber) {
  return "เขียนแฟ้ม \"" + fileName + "\" ไม่ได้: " + SystemErrorText(errorNumber);
}

namespace {

// message with every mention of the temporary file made one of the file the user named.
String NamingTarget(String message, const String& temp, const String& fileName) {
  for (size_t at = 0; (at = message.find(temp, at)) != String::npos; at += fileName.size())
    message.replace(at, temp.size(), fileName);
  return message;
}

[[noreturn]] void RefuseWrite(const String& fileName, const String& reason) {
  throw EFCreateError("เขียนแฟ้ม \"" + fileName + "\" ไม่ได้: " + reason);
}

// Runs the caller's writer on temp, naming the user's file in what it says.
void WriteTemporary(const std::function<void(const String& tempName)>& write, const String& temp,
                    const String& fileName) {
  try {
    write(temp);
  } catch (Exception& e) {
    e.SetMessage(NamingTarget(e.Message(), temp, fileName));
    throw;
  }
}

// Copies the file from into the open descriptor to; the errno of a failure, else 0. A reader
// of a pipe that goes away must not end the program with SIGPIPE: the signal is held back
// while this thread writes, and one it raised is taken before it is let through again.
int CopyInto(const String& from, int to) {
  sigset_t brokenPipe, old;
  sigemptyset(&brokenPipe);
  sigaddset(&brokenPipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &brokenPipe, &old);
  int error = 0;
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) error = errno;
  std::vector<char> buffer(1 << 16);
  while (!error) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) error = errno;
      break;
    }
    for (ssize_t done = 0; done < n && !error;) {
      const ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
      if (w > 0) done += w;
      else if (w < 0 && errno != EINTR) error = errno;
    }
  }
  if (in >= 0) ::close(in);
  if (error == EPIPE) {
    const timespec now{};
    sigtimedwait(&brokenPipe, nullptr, &now);
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return error;
}

// A device or a named pipe is no file to be replaced: what write() makes in the temporary
// folder is written into it, and it keeps its node, owner and mode. A socket cannot be opened
// at all, and a disk device written over would lose every file on it.
void WriteIntoDevice(const String& fileName, const struct stat& st,
                     const std::function<void(const String& tempName)>& write) {
  if (S_ISSOCK(st.st_mode)) RefuseWrite(fileName, "ชื่อนี้เป็นซ็อกเก็ต (socket) ไม่ใช่แฟ้ม");
  if (S_ISBLK(st.st_mode))
    RefuseWrite(fileName, "ชื่อนี้เป็นอุปกรณ์ดิสก์ ไม่ใช่แฟ้ม (เขียนลงไปจะทับข้อมูลทั้งดิสก์)");
  const bool pipe = S_ISFIFO(st.st_mode);
  String temp;
  try {
    temp = CreateTempFile(GetTempDir(), "orvane-output.");
  } catch (const EInOutError& e) {
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + e.Message());
  }
  struct TRemoved {
    const String& name;
    ~TRemoved() { ::unlink(name.c_str()); }
  } removed{temp};
  WriteTemporary(write, temp, fileName);
  // A pipe nobody reads would hold the program for ever on its opening.
  const int fd = ::open(fileName.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (pipe ? O_NONBLOCK : 0));
  if (fd < 0) {
    if (pipe && errno == ENXIO) RefuseWrite(fileName, "ไม่มีโปรแกรมใดรออ่านไปป์ (named pipe) นี้อยู่");
    throw EFCreateError(WriteFailureText(fileName, errno));
  }
  if (pipe) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  const int error = CopyInto(temp, fd);
  const bool closed = ::close(fd) == 0 || errno == EINTR;
  if (error || !closed) throw EWriteError(WriteFailureText(fileName, error ? error : errno));
}

}  // namespace

void SafeWriteFile(const String& fileName, const std::function<void(const String& tempName)>& write,
                   int newFileMode, TLinkWrite links) {
  struct stat st;
  const bool through = links == TLinkWrite::Through;
  // A folder is told as one before anything is written; a name ending in a slash names a folder
  // even where none is (the rename would otherwise say "Not a directory" of a folder).
  if ((through ? ::stat(fileName.c_str(), &st) : ::lstat(fileName.c_str(), &st)) == 0) {
    if (S_ISDIR(st.st_mode)) throw EFCreateError(WriteFailureText(fileName, EISDIR));
    if (through && !S_ISREG(st.st_mode)) return WriteIntoDevice(fileName, st, write);
  } else if (errno == ELOOP) {
    throw EFCreateError(WriteFailureText(fileName, ELOOP));
  }
  if (fileName.ends_with('/')) throw EFCreateError(WriteFailureText(fileName, EISDIR));
  const String target = through ? WrittenFile(fileName) : fileName;
  String folder = ExtractFileDir(target);
  if (folder.empty()) folder = ".";
  const String prefix = "." + ExtractFileName(target) + ".";
  RemoveLeftovers(folder, prefix);
  String temp;
  try {
    temp = CreateTempFile(folder, prefix);
  } catch (const EInOutError& e) {
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + e.Message());
  }
  try {
    // Whatever the writer says names the file the user asked for, not the hidden temporary.
    WriteTemporary(write, temp, fileName);
    // An existing target keeps its permissions; a new one, or one in the place of something
    // that was no file, gets what it is asked for, else what the umask allows.
    const bool replacesFile = ::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    const mode_t mode = replacesFile ? (st.st_mode & 07777)
                        : newFileMode >= 0             ? static_cast<mode_t>(newFileMode)
                                                       : NewFileMode();
    if (::chmod(temp.c_str(), mode) != 0 || !SyncFile(temp)) throw EWriteError(WriteFailureText(fileName, errno));
    if (std::rename(temp.c_str(), target.c_str()) != 0)
      throw EFCreateError("Cannot create file \"" + fileName + "\": " + std::strerror(errno));
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  // The rename itself reaches the disk only with its folder; until then a power loss can leave
  // the old name, or none.
  if (!SyncFile(folder, O_DIRECTORY)) throw EWriteError(WriteFailureText(fileName, errno));
}

void SafeWriteFile(const String& fileName, const std::string& contents, TLinkWrite links) {
  auto write = [&](const String& tempName) {
    std::FILE* f = std::fopen(tempName.c_str(), "wb");
    if (!f) throw EFCreateError("Cannot create file \"" + fileName + "\": " + std::strerror(errno));
    const bool written = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) throw EWriteError(WriteFailureText(fileName, errno));
  };
  SafeWriteFile(fileName, write, -1, links);
}

}  // namespace orv
