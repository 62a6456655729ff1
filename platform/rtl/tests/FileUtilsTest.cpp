#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

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

}  // namespace
}  // namespace orv
