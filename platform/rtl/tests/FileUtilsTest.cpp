#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

namespace orv {
namespace {

std::string ReadAll(const String& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A fresh folder under the temporary folder, removed with its files afterwards.
class FileUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = GetTempDir() + "orvfiles.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern + "/";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  String dir_;
};

TEST(FileNamesTest, PartsOfNames) {
  EXPECT_EQ(ExtractFilePath("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(ExtractFileDir("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(ExtractFileDir("/c.txt"), "/");
  EXPECT_EQ(ExtractFileDir("c.txt"), "");
  EXPECT_EQ(ExtractFileName("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(ExtractFileExt("/a/b.d/c.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("/a/b.d/c"), "");
  EXPECT_EQ(ChangeFileExt("/a/report.qpv", ".pdf"), "/a/report.pdf");
  EXPECT_EQ(ChangeFileExt("/a.b/report", ".pdf"), "/a.b/report.pdf");
  EXPECT_EQ(ExtractFileName("Picture/สมชาย ใจดี.jpg"), "สมชาย ใจดี.jpg");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
}

TEST_F(FileUtilsTest, FoldersAndFiles) {
  const String deep = dir_ + "x/y/z";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_FALSE(FileExists(deep));
  const String f = deep + "/f.txt";
  std::ofstream(f) << "1";
  EXPECT_TRUE(FileExists(f));
  EXPECT_FALSE(ForceDirectories(f + "/sub"));
  EXPECT_TRUE(RenameFile(f, deep + "/g.txt"));
  EXPECT_FALSE(FileExists(f));
  EXPECT_TRUE(DeleteFile(deep + "/g.txt"));
  EXPECT_FALSE(DeleteFile(deep + "/g.txt"));
  EXPECT_FALSE(GetCurrentDir().empty());
}

TEST_F(FileUtilsTest, TempFilesAreNewAndHonourTmpdir) {
  std::set<String> names;
  for (int i = 0; i < 20; ++i) {
    const String name = CreateTempFile(dir_, "kv");
    EXPECT_EQ(ExtractFilePath(name), dir_);
    EXPECT_EQ(ExtractFileName(name).rfind("kv", 0), 0u);
    EXPECT_TRUE(FileExists(name));
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 20u);
  EXPECT_THROW(CreateTempFile(dir_ + "missing", "kv"), EInOutError);
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  ::setenv("TMPDIR", dir_.substr(0, dir_.size() - 1).c_str(), 1);
  EXPECT_EQ(GetTempDir(), dir_);
  EXPECT_EQ(ExtractFilePath(CreateTempFile("", "q")), dir_);
  if (old) ::setenv("TMPDIR", saved.c_str(), 1); else ::unsetenv("TMPDIR");
}

TEST_F(FileUtilsTest, SafeWriteKeepsTheOldFileOnFailure) {
  const String target = dir_ + "photo.jpg";
  SafeWriteFile(target, std::string("first"));
  EXPECT_EQ(ReadAll(target), "first");
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0044, 0u) << "readable by others as a normal new file";

  EXPECT_THROW(SafeWriteFile(target,
                             [](const String& temp) {
                               std::ofstream(temp) << "half";
                               throw EWriteError("disk full");
                             }),
               EWriteError);
  EXPECT_EQ(ReadAll(target), "first");
  SafeWriteFile(target, std::string("second"));
  EXPECT_EQ(ReadAll(target), "second");
  // No temporary files are left beside the target.
  EXPECT_EQ(std::system(("test $(ls -A '" + dir_ + "' | wc -l) -eq 1").c_str()), 0);
  EXPECT_THROW(SafeWriteFile(dir_ + "missing/out.pdf", std::string("x")), EFCreateError);
}

TEST_F(FileUtilsTest, AFailedWriteNamesTheFileAndTheCauseInThai) {
  // The full disk itself: /dev/full takes no byte.
  try {
    TFileStream full("/dev/full", fmCreate);
    full.WriteBuffer("x", 1);
    ADD_FAILURE() << "a write to a full disk was taken";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "เขียนแฟ้ม \"/dev/full\" ไม่ได้: ดิสก์เต็ม (" + String(std::strerror(ENOSPC)) + ")");
  }
  // Through a safe write, the file named is the user's, not the hidden temporary one: a file
  // size limit stops the write as a full disk would.
  const String target = dir_ + "รายชื่อสัตบุรุษ.pdf";
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  String message;
  try {
    SafeWriteFile(target, [](const String& temp) {
      TFileStream file(temp, fmCreate);
      std::string page(10000, 'x');
      file.WriteBuffer(page.data(), static_cast<Int64>(page.size()));
    });
  } catch (const EWriteError& e) {
    message = e.Message();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(message, "เขียนแฟ้ม \"" + target + "\" ไม่ได้: แฟ้มใหญ่เกินกว่าที่ระบบยอมให้ (" +
                         String(std::strerror(EFBIG)) + ")");
  EXPECT_FALSE(FileExists(target));
}

TEST(HomeFolderTest, WithoutHomeTheAccountsHomeFromThePasswordDatabase) {
  const char* saved = std::getenv("HOME");
  String savedValue = saved ? saved : "";
  // The password database read by another program than ours.
  String expected;
  if (FILE* p = ::popen(("getent passwd " + std::to_string(::geteuid()) + " | cut -d: -f6").c_str(), "r")) {
    char line[4096];
    if (std::fgets(line, sizeof line, p)) expected = line;
    ::pclose(p);
  }
  while (!expected.empty() && expected.back() == '\n') expected.pop_back();
  ASSERT_FALSE(expected.empty());
  ::unsetenv("HOME");
  EXPECT_EQ(HomeFolder(), expected);
  // A HOME that names no absolute folder is no home either.
  ::setenv("HOME", "relative/home", 1);
  EXPECT_EQ(HomeFolder(), expected);
  ::setenv("HOME", "/home/somebody", 1);
  EXPECT_EQ(HomeFolder(), "/home/somebody");
  if (saved)
    ::setenv("HOME", savedValue.c_str(), 1);
  else
    ::unsetenv("HOME");
}

TEST_F(FileUtilsTest, ReplacedFilesKeepTheirModeNewOnesTheUmasksAndLinksStayLinks) {
  const String target = dir_ + "list.pdf";
  mode_t old = ::umask(077);
  SafeWriteFile(target, std::string("private"));
  ::umask(old);
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "a new file under umask 077";

  // A file the user made private stays private when written again under a looser umask.
  old = ::umask(022);
  SafeWriteFile(target, std::string("again"));
  ::umask(old);
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  SafeWriteFile(dir_ + "asked.xlsx", [](const String& temp) { std::ofstream(temp) << "x"; }, 0600);
  ASSERT_EQ(::stat((dir_ + "asked.xlsx").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // Written through a link to the file it names; the link is still a link.
  ASSERT_EQ(::mkdir((dir_ + "real").c_str(), 0700), 0);
  ASSERT_EQ(::symlink((dir_ + "real/doc.pdf").c_str(), (dir_ + "link.pdf").c_str()), 0);
  SafeWriteFile(dir_ + "link.pdf", std::string("through"));
  ASSERT_EQ(::lstat((dir_ + "link.pdf").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadAll(dir_ + "real/doc.pdf"), "through");
}

// A file as a killed write leaves it: made by mkstemp, so readable by its owner alone.
void LeaveTemporary(const String& name) {
  std::ofstream(name) << "half";
  ::chmod(name.c_str(), 0600);
}

TEST_F(FileUtilsTest, TemporariesOfAKilledWriteGoWithTheNextWriteOfTheirTarget) {
  const String target = dir_ + "members.xlsx";
  for (const char* left : {".members.xlsx.a1B2c3", ".members.xlsx.ZZZZZZ", ".members.xlsx.a1B2c3.partQ9w8E7"})
    LeaveTemporary(dir_ + left);
  std::ofstream(dir_ + ".members.xlsx.notours") << "kept";
  LeaveTemporary(dir_ + ".other.xlsx.a1B2c3");
  // Names no temporary of ours has: a dot in the random letters, a part of another name.
  LeaveTemporary(dir_ + ".members.xlsx.a1.2c3");
  LeaveTemporary(dir_ + ".members.xlsx.a1B2c3.copy");
  SafeWriteFile(target, std::string("whole"));
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir_)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"members.xlsx", ".members.xlsx.notours", ".other.xlsx.a1B2c3",
                                          ".members.xlsx.a1.2c3", ".members.xlsx.a1B2c3.copy"}));
}

// Written through a link into a folder of other people's files: a file there that merely has a
// temporary's shape of name (a backup the user made, open to others) is left alone.
TEST_F(FileUtilsTest, WritingThroughALinkRemovesOnlyItsOwnTemporariesThere) {
  ASSERT_EQ(::mkdir((dir_ + "shared").c_str(), 0700), 0);
  ASSERT_EQ(::symlink((dir_ + "shared/list.xlsx").c_str(), (dir_ + "list.xlsx").c_str()), 0);
  std::ofstream(dir_ + "shared/.list.xlsx.backup") << "the user's";
  ::chmod((dir_ + "shared/.list.xlsx.backup").c_str(), 0644);
  LeaveTemporary(dir_ + "shared/.list.xlsx.Xy12Ab");
  SafeWriteFile(dir_ + "list.xlsx", std::string("through"));
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir_ + "shared")) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"list.xlsx", ".list.xlsx.backup"}));
}

// The names in a folder, hidden ones included.
std::set<std::string> FolderNames(const String& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

String RefusalOf(const String& fileName) {
  try {
    SafeWriteFile(fileName, std::string("%PDF-1.5"));
  } catch (const EFCreateError& e) {
    return e.Message();
  }
  return "written";
}

// Outputs named by a user (a PDF to /dev/null, a workbook to a pipe a reader waits on) that are
// no files: each is written in place, keeping its node, owner and mode, or refused with the
// reason; nothing appears beside them.
TEST_F(FileUtilsTest, APipeOrADeviceIsWrittenInPlaceAndKeepsItsNode) {
  const String pipe = dir_ + "to-reader";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0640), 0);
  // The reader is there before the write, as a program waiting on the pipe is.
  const int readEnd = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(readEnd, 0);
  ::fcntl(readEnd, F_SETFL, 0);
  // Until a writer comes, a read finds the end of the pipe: the reader waits for all it expects.
  const std::string sent(200000, 'p');
  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (received.size() < sent.size() && std::chrono::steady_clock::now() < deadline) {
      const ssize_t n = ::read(readEnd, buffer, sizeof buffer);
      if (n > 0) received.append(buffer, static_cast<size_t>(n));
      else std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::close(readEnd);
  });
  EXPECT_NO_THROW(SafeWriteFile(pipe, sent));
  reader.join();
  EXPECT_EQ(received, sent);
  struct stat st;
  ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // Nobody reading: refused at once rather than waiting for ever.
  const String refusal = RefusalOf(pipe);
  EXPECT_EQ(refusal, "เขียนแฟ้ม \"" + pipe + "\" ไม่ได้: ไม่มีโปรแกรมใดรออ่านไปป์ (named pipe) นี้อยู่");
  ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  // The null device, made here as /dev/null is; root may make device nodes, others may not.
  const String null = dir_ + "null";
  if (::mknod(null.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0) GTEST_SKIP() << "no device nodes may be made here";
  ASSERT_EQ(::symlink(null.c_str(), (dir_ + "to-null.pdf").c_str()), 0);
  SafeWriteFile(null, std::string("a PDF"));
  SafeWriteFile(dir_ + "to-null.pdf", [](const String& temp) { std::ofstream(temp) << "a workbook"; });
  ASSERT_EQ(::lstat(null.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(st.st_rdev, makedev(1, 3));
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  ASSERT_EQ(::lstat((dir_ + "to-null.pdf").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(FolderNames(dir_), (std::set<std::string>{"to-reader", "null", "to-null.pdf"}));
  // A writer's failure is told as for a file.
  EXPECT_THROW(SafeWriteFile(null, [](const String&) { throw EWriteError("disk full"); }), EWriteError);
}

TEST_F(FileUtilsTest, ALoopOfLinksASocketAndADiskAreRefusedAndLeftAsTheyWere) {
  ASSERT_EQ(::symlink((dir_ + "b.pdf").c_str(), (dir_ + "a.pdf").c_str()), 0);
  ASSERT_EQ(::symlink("a.pdf", (dir_ + "b.pdf").c_str()), 0);
  EXPECT_EQ(RefusalOf(dir_ + "a.pdf"), "เขียนแฟ้ม \"" + dir_ + "a.pdf\" ไม่ได้: ลิงก์ (symbolic link) ของชื่อนี้วนกลับมาที่ตัวเอง ไม่ถึงแฟ้มใดเลย (" +
                                           String(std::strerror(ELOOP)) + ")");
  EXPECT_EQ(std::filesystem::read_symlink(dir_ + "a.pdf").string(), dir_ + "b.pdf");
  EXPECT_EQ(std::filesystem::read_symlink(dir_ + "b.pdf").string(), "a.pdf");

  const String socketName = dir_ + "s.pdf";
  const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketName.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(RefusalOf(socketName), "เขียนแฟ้ม \"" + socketName + "\" ไม่ได้: ชื่อนี้เป็นซ็อกเก็ต (socket) ไม่ใช่แฟ้ม");
  EXPECT_TRUE(std::filesystem::is_socket(socketName));
  ::close(s);

  const String disk = dir_ + "disk";
  if (::mknod(disk.c_str(), S_IFBLK | 0600, makedev(7, 250)) == 0) {
    EXPECT_NE(RefusalOf(disk).find("อุปกรณ์ดิสก์"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_block_file(disk));
  }
  EXPECT_EQ(FolderNames(dir_).size(), std::filesystem::exists(disk) ? 4u : 3u);
}

// An output named as a folder, with or without its closing slash, is told as a folder and nothing
// is written into or beside it.
TEST_F(FileUtilsTest, AFolderNamedAsTheOutputIsToldAsAFolder) {
  ASSERT_EQ(::mkdir((dir_ + "out").c_str(), 0700), 0);
  const String told = " ไม่ได้: ชื่อนี้เป็นโฟลเดอร์ ไม่ใช่แฟ้ม (" + String(std::strerror(EISDIR)) + ")";
  for (const String& name : {dir_ + "out", dir_ + "out/", dir_ + "new/"})
    EXPECT_EQ(RefusalOf(name), "เขียนแฟ้ม \"" + name + "\"" + told);
  EXPECT_EQ(FolderNames(dir_), (std::set<std::string>{"out"}));
  EXPECT_TRUE(FolderNames(dir_ + "out").empty());
}

// A photo folder unpacked from an archive may hold links to anywhere: a write that replaces
// them never follows one, dangling or not.
TEST_F(FileUtilsTest, AReplacingWriteTakesTheLinksPlaceAndNeverFollowsIt) {
  ASSERT_EQ(::mkdir((dir_ + "outside").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir_ + "Picture").c_str(), 0700), 0);
  ASSERT_EQ(::symlink((dir_ + "outside/new.bmp").c_str(), (dir_ + "Picture/temp.bmp").c_str()), 0);
  std::ofstream(dir_ + "outside/old.jpg") << "theirs";
  ASSERT_EQ(::symlink((dir_ + "outside/old.jpg").c_str(), (dir_ + "Picture/a.jpg").c_str()), 0);
  SafeWriteFile(dir_ + "Picture/temp.bmp", std::string("frame"), TLinkWrite::Replace);
  SafeWriteFile(dir_ + "Picture/a.jpg", [](const String& temp) { std::ofstream(temp) << "photo"; }, -1,
                TLinkWrite::Replace);
  struct stat st;
  ASSERT_EQ(::lstat((dir_ + "Picture/temp.bmp").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(ReadAll(dir_ + "Picture/temp.bmp"), "frame");
  EXPECT_EQ(ReadAll(dir_ + "Picture/a.jpg"), "photo");
  EXPECT_EQ(FolderNames(dir_ + "outside"), std::set<std::string>{"old.jpg"});
  EXPECT_EQ(ReadAll(dir_ + "outside/old.jpg"), "theirs");
}

// Run under strace by the test below: one write of the file ORVANE_DURABLE_TARGET names.
TEST_F(FileUtilsTest, DurableWriteOnce) {
  const char* target = std::getenv("ORVANE_DURABLE_TARGET");
  if (!target) GTEST_SKIP() << "run by DurableWritesReachTheDiskBeforeTheyAreReported";
  SafeWriteFile(target, std::string("durable"));
}

TEST_F(FileUtilsTest, DurableWritesReachTheDiskBeforeTheyAreReported) {
  if (std::system("strace -V > /dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  const std::string log = dir_ + "trace", target = dir_ + "photo.jpg";
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string cmd = "ORVANE_DURABLE_TARGET='" + target + "' strace -f -e trace=openat,fsync,fdatasync,rename,renameat,renameat2 -o '" +
                    log + "' '" + self + "' --gtest_filter=FileUtilsTest.DurableWriteOnce > /dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  // Which descriptor each open gave, then the order: the file's data, the rename, the folder.
  std::ifstream in(log);
  std::map<std::string, std::string> opened;
  std::vector<std::string> events;
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_search(line, m, std::regex(R"re(openat\(AT_FDCWD, "([^"]+)".*\)\s+= (\d+))re"))) {
      opened[m[2]] = m[1];
    } else if (std::regex_search(line, m, std::regex(R"(f(data)?sync\((\d+)\)\s+= 0)"))) {
      std::string path = opened[m[2]];
      events.push_back(path == dir_.substr(0, dir_.size() - 1) ? "sync folder"
                       : path.find("/.photo.jpg.") != std::string::npos ? "sync file"
                                                                         : "sync other");
    } else if (std::regex_search(line, std::regex(R"re(rename.*photo\.jpg"\)\s+= 0)re"))) {
      events.push_back("rename");
    }
  }
  std::erase(events, "sync other");
  EXPECT_EQ(events, (std::vector<std::string>{"sync file", "rename", "sync folder"}));
  EXPECT_EQ(ReadAll(target), "durable");
}

}  // namespace
}  // namespace orv
