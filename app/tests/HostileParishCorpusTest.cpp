// The hostile parish files of tests/data/hostile-parishes, each a demo parish changed by the
// statements of its file, opened by the program as a user starts it: each is refused with its
// reason and left byte for byte as it was, or opens as its first lines say, in under 2 seconds
// and 300 MB.
#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/Screenshot.h"
#include "app/tests/ParishFixture.h"

namespace orv::test {

namespace {

struct TCase {
  std::string Name;
  std::string Statements;
  std::string Expect;  // "opens ..." or "refused <reason>"
};

std::vector<TCase> Cases() {
  std::vector<TCase> cases;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(ORVANE_TEST_DATA) / "hostile-parishes")) {
    if (entry.path().extension() != ".sql") continue;
    TCase c{entry.path().stem().string(), FileBytes(entry.path()), ""};
    std::istringstream lines(c.Statements);
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("-- expect: ", 0) == 0) c.Expect = line.substr(11);
    cases.push_back(c);
  }
  std::sort(cases.begin(), cases.end(), [](const TCase& a, const TCase& b) { return a.Name < b.Name; });
  return cases;
}

}  // namespace

class HostileParishCorpusTest : public ParishTest {
 protected:
  void SetUp() override {
    ParishTest::SetUp();
    if (!OnPath("xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
  }
};

TEST_F(HostileParishCorpusTest, EachFileIsRefusedOrOpensQuicklyInLittleMemory) {
  const std::vector<TCase> cases = Cases();
  ASSERT_GE(cases.size(), 7u);
  MakeDemo(30);
  const std::string ownList = Cli("select sql from sqlite_master where name = 'List'");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_FALSE(c.Expect.empty()) << "the file says what to expect";
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(Db() + suffix);
    MakeDemo(30);
    Cli(c.Statements + "\npragma wal_checkpoint(truncate);");
    const std::string before = FileBytes(Db());
    const std::string shot = (dir_ / "window.png").string();
    TRun run = RunOnDisplay("/usr/bin/time -f 'ORVANE_USAGE %e %M' " + Quoted(ORVANE_PROGRAM) + " " + Quoted(dir_.string()),
                            "HOME=" + Quoted(dir_.string()) + " " + ScreenshotVariable + "=" + Quoted(shot));
    std::smatch usage;
    ASSERT_TRUE(std::regex_search(run.Output, usage, std::regex("ORVANE_USAGE ([0-9.]+) ([0-9]+)"))) << run.Output;
    EXPECT_LT(std::stod(usage[1]), 2.0) << "seconds";
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(std::stol(usage[2]), 300L * 1024) << "kilobytes at most resident";
#endif
    if (c.Expect.rfind("refused ", 0) == 0) {
      EXPECT_EQ(run.Status, 1) << run.Output;
      EXPECT_NE(run.Output.find("\nสาเหตุ: " + c.Expect.substr(8)), std::string::npos) << run.Output;
      EXPECT_TRUE(FileBytes(Db()) == before) << "the file was written";
    } else {
      EXPECT_EQ(run.Status, 0) << run.Output;
      if (c.Expect.find("the program's own List") != std::string::npos) {
        EXPECT_EQ(Cli("select sql from sqlite_master where name = 'List'"), ownList);
      }
    }
  }
}

}  // namespace orv::test
