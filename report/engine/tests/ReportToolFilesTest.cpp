// orvane-report over report files as users bring them: a parent report named with Windows
// separators, a PDF page range that names no page, and rows whose texts are megabytes long,
// each run in 3 GB of address space at most.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TToolRun {
  int Status = -1;
  std::string Out, Err;
  // The most the run held resident, in kilobytes.
  long MaxResidentKb = 0;
};

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ReportToolFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("orvane-report-files-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories((dir_ / name).parent_path());
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  // A database made by sqlite3 from the statements.
  std::string Database(const std::string& sql) const {
    const std::string db = Path("data.db");
    EXPECT_EQ(std::system(("sqlite3 '" + db + "' \"" + sql + "\"").c_str()), 0) << sql;
    return db;
  }
  // The tool in the folder, in 3 GB of address space.
  // limits, when given, are further ulimit settings for the run.
  TToolRun Run(const std::string& args, const std::string& limits = "") const {
    const std::string out = Path("out.txt"), err = Path("err.txt");
    const std::string command = "cd '" + dir_.string() + "' && ulimit -v 3000000 " + limits + " && exec timeout 120 " +
                                ORVANE_REPORT_PROGRAM + " " + args + " >'" + out + "' 2>'" + err + "'";
    const pid_t pid = fork();
    if (pid == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err), usage.ru_maxrss};
  }

  std::filesystem::path dir_;
};

constexpr const char* kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

std::string Repeat(const std::string& text, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

// The lines of text pdftotext finds in a PDF file (on one page when given), blank ones left out.
std::vector<std::string> PdfTextLines(const std::filesystem::path& pdf, int page = 0) {
  const std::filesystem::path text = pdf.string() + ".txt";
  const std::string pages = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
  EXPECT_EQ(std::system(("pdftotext -raw" + pages + " '" + pdf.string() + "' '" + text.string() + "'").c_str()), 0);
  std::istringstream in(ReadText(text));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    line.erase(line.find_last_not_of(" \f") + 1);
    line.erase(0, line.find_first_not_of('\f'));
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// A report file of one A4 page holding the bands, its root element with the attributes given.
std::string ReportFile(const std::string& reportAttributes, const std::string& bands) {
  return std::string(kHeader) + "<TkvxReport" + reportAttributes +
         ">\r\n  <TkvxReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\">\r\n" + bands +
         "  </TkvxReportPage>\r\n</TkvxReport>\r\n";
}

// A run held less than the megabytes given (an address-sanitizer build keeps far more for
// itself).
void ExpectRunStayedUnder(const TToolRun& run, long megabytes) {
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(run.MaxResidentKb, megabytes * 1024) << "kilobytes at most resident";
#endif
}

TEST_F(ReportToolFiles, AParentReportWrittenOnWindowsIsFoundAndAMissingOneNamesWhereItWasLookedFor) {
  const std::string db = Database("create table t (n integer); insert into t values (1);");
  Write("forms/base.xml", ReportFile("", "    <TkvxReportTitle Name=\"Title1\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"40\">\r\n"
                                         "      <TkvxMemoView Name=\"Heading\" Left=\"0\" Top=\"0\" Width=\"400\" "
                                         "Height=\"20\" Text=\"จากแม่แบบ\"/>\r\n    </TkvxReportTitle>\r\n"));
  Write("child.xml", std::string(kHeader) + "<TkvxReport ParentReport=\"forms\\base.xml\"/>\r\n");
  TToolRun found = Run("child.xml --db data.db --qpv child.qpv");
  EXPECT_EQ(found.Status, 0) << found.Err;
  EXPECT_EQ(found.Out, "1 pages\n");
  // The parent's memo is on the page.
  EXPECT_NE(ReadText(dir_ / "child.qpv").find("จากแม่แบบ"), std::string::npos);

  Write("orphan.xml", std::string(kHeader) + "<TkvxReport ParentReport=\"forms\\gone.xml\"/>\r\n");
  TToolRun missing = Run("orphan.xml --db data.db --qpv orphan.qpv");
  EXPECT_EQ(missing.Status, 1);
  EXPECT_NE(missing.Err.find("forms\\gone.xml"), std::string::npos) << missing.Err;
  // Beside the report, in full, as written and with this system's separators.
  EXPECT_NE(missing.Err.find(Path("forms/gone.xml")), std::string::npos) << missing.Err;
  EXPECT_NE(missing.Err.find(Path("forms\\gone.xml")), std::string::npos) << missing.Err;
}

TEST_F(ReportToolFiles, APdfPageRangeThatNamesNoPageIsRefused) {
  Database("create table t (n integer); with recursive c(i) as (select 1 union all select i + 1 from c where i < 80) "
           "insert into t select i from c;");
  Write("list.xml", ReportFile("", "    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" Width=\"700\" "
                                   "Height=\"22\" DataSetName=\"M\">\r\n      <TkvxMemoView Name=\"Memo1\" Left=\"0\" "
                                   "Top=\"0\" Width=\"300\" Height=\"18\" Text=\"แถว [M.&#34;n&#34;]\"/>\r\n"
                                   "    </TkvxMasterData>\r\n"));
  const std::string data = "--db data.db --data 'M=select * from t'";
  for (const char* range : {"0", "99", "3-9", "0,5"}) {
    SCOPED_TRACE(range);
    TToolRun refused = Run("list.xml " + data + " --pdf none.pdf --pages " + range);
    EXPECT_EQ(refused.Status, 1) << refused.Out;
    EXPECT_NE(refused.Err.find("1 to 2"), std::string::npos) << refused.Err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "none.pdf"));
  }
  TToolRun second = Run("list.xml " + data + " --pdf second.pdf --pages 2,7");
  EXPECT_EQ(second.Status, 0) << second.Err;
  EXPECT_EQ(second.Out, "2 pages\n");
  const std::string info = [&] {
    std::system(("pdfinfo '" + Path("second.pdf") + "' > '" + Path("info.txt") + "'").c_str());
    return ReadText(dir_ / "info.txt");
  }();
  EXPECT_TRUE(std::regex_search(info, std::regex("\nPages: +1\n"))) << info;
}

TEST_F(ReportToolFiles, AFileSizeLimitFailsThePdfWithTheCauseAndLeavesTheOldFile) {
  Database("create table t (n integer); with recursive c(i) as (select 1 union all select i + 1 from c where i < 40000) "
           "insert into t select i from c;");
  Write("list.xml", ReportFile("", "    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" Width=\"700\" "
                                   "Height=\"22\" DataSetName=\"M\">\r\n      <TkvxMemoView Name=\"Memo1\" Left=\"0\" "
                                   "Top=\"0\" Width=\"300\" Height=\"18\" Text=\"แถว [M.&#34;n&#34;]\"/>\r\n"
                                   "    </TkvxMasterData>\r\n"));
  Write("list.pdf", "the old file");
  // 256 blocks of 512 bytes: room for the database's shared memory, not for the PDF of its
  // 800 pages.
  TToolRun run = Run("list.xml --db data.db --data 'M=select * from t' --pdf list.pdf", "&& ulimit -f 256");
  EXPECT_EQ(run.Status, 1) << "ended by a signal or said it succeeded: " << run.Err;
  EXPECT_NE(run.Err.find("แฟ้มใหญ่เกินกว่าที่ระบบยอมให้"), std::string::npos) << run.Err;
  EXPECT_TRUE(ReadText(dir_ / "list.pdf") == "the old file") << "the old file was not kept";
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".list.pdf"), std::string::npos) << "a temporary left";
}

// A memo of a million Thai letters on every row (3 MB of text each, 360 MB in all), and a script
// that gives the band another memo of 128 KB on every row: the prepared pages move to the file
// cache, or the run ends with a message, in a bounded memory; they held every row before. The
// pages of long texts export to PDF in a bounded memory too.
TEST_F(ReportToolFiles, RowsOfMegabyteTextsKeepTheRunInBoundedMemory) {
  Database("create table t (n integer, txt text); with recursive c(i) as (select 1 union all select i + 1 from c "
           "where i < 120) insert into t select i, replace(hex(zeroblob(1000000)), '00', 'ก') from c;");
  Write("texts.xml", ReportFile("", "    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" Width=\"700\" "
                                    "Height=\"200\" DataSetName=\"M\">\r\n      <TkvxMemoView Name=\"Memo1\" Left=\"0\" "
                                    "Top=\"0\" Width=\"300\" Height=\"18\" Text=\"[M.&#34;txt&#34;]\"/>\r\n"
                                    "    </TkvxMasterData>\r\n"));
  TToolRun texts = Run("texts.xml --db data.db --data 'M=select * from t' --qpv texts.qpv");
  EXPECT_EQ(texts.Status, 0) << texts.Err;
  EXPECT_EQ(texts.Out, "24 pages\n");
  // Every row's text is in the file, which is larger than what the run held.
  EXPECT_GT(std::filesystem::file_size(dir_ / "texts.qpv"), 360'000'000u);
  ExpectRunStayedUnder(texts, 300);
  std::filesystem::remove(dir_ / "texts.qpv");

  // Exported, the pages show each memo's first line as a memo of a few letters shows it, and
  // little more of the text is in the file.
  Write("short.xml", ReportFile("", "    <TkvxReportTitle Name=\"T\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"200\">\r\n"
                                    "      <TkvxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"180\" "
                                    "Text=\"" + Repeat("ก", 200) + "\"/>\r\n    </TkvxReportTitle>\r\n"));
  TToolRun shortRun = Run("short.xml --db data.db --pdf short.pdf");
  ASSERT_EQ(shortRun.Status, 0) << shortRun.Err;
  const std::vector<std::string> shortLines = PdfTextLines(dir_ / "short.pdf");
  ASSERT_GT(shortLines.size(), 2u);
  const std::string firstLine = shortLines.front();
  ASSERT_GT(firstLine.size(), 10 * std::string("ก").size());
  ASSERT_EQ(firstLine, Repeat("ก", firstLine.size() / std::string("ก").size()));
  TToolRun exported = Run("texts.xml --db data.db --data 'M=select * from t' --pdf texts.pdf");
  EXPECT_EQ(exported.Status, 0) << exported.Err;
  EXPECT_EQ(exported.Out, "24 pages\n");
  ExpectRunStayedUnder(exported, 500);
  EXPECT_LT(std::filesystem::file_size(dir_ / "texts.pdf"), 2'000'000u);
  for (int page : {1, 24}) {
    SCOPED_TRACE(page);
    const std::vector<std::string> lines = PdfTextLines(dir_ / "texts.pdf", page);
    // Five memos, each with its first line and at most the few below it that its box cuts.
    EXPECT_GE(lines.size(), 5u);
    EXPECT_LE(lines.size(), 20u);
    for (const std::string& line : lines) EXPECT_EQ(line, firstLine);
  }

  Write("grow.xml",
        ReportFile(" ScriptLanguage=\"PascalScript\" ScriptText.Text=\"var big: String; i: Integer;&#13;&#10;"
                   "procedure Grow(Sender: TkvxComponent);&#13;&#10;var m: TkvxMemoView;&#13;&#10;begin&#13;&#10;"
                   "  m := TkvxMemoView.Create(MasterData1);&#13;&#10;  m.SetBounds(0, 0, 300, 18);&#13;&#10;"
                   "  m.Text := big;&#13;&#10;end;&#13;&#10;begin&#13;&#10;  big := 'x';&#13;&#10;"
                   "  for i := 1 to 17 do big := big + big;&#13;&#10;end.\"",
                   "    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"22\" "
                   "DataSetName=\"M\" OnBeforePrint=\"Grow\"/>\r\n"));
  TToolRun grow = Run("grow.xml --db data.db --data 'M=select n from t' --qpv grow.qpv");
  EXPECT_EQ(grow.Status, 1) << grow.Out;
  EXPECT_NE(grow.Err.find("holds more than 128 MB: the report was stopped"), std::string::npos) << grow.Err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "grow.qpv"));
  ExpectRunStayedUnder(grow, 500);
}

// A value of 100 MB in a report file is refused when read, in little memory.
TEST_F(ReportToolFiles, AValueOfAHundredMegabytesIsRefusedWhenRead) {
  Database("create table t (n integer);");
  {
    std::ofstream report(dir_ / "huge.xml", std::ios::binary);
    report << kHeader << "<TkvxReport>\r\n  <TkvxReportPage Name=\"Page1\">\r\n    <TkvxReportTitle Name=\"T\" Height=\"40\">\r\n"
           << "      <TkvxMemoView Name=\"Memo1\" Text=\"" << std::string(100 << 20, 'x')
           << "\"/>\r\n    </TkvxReportTitle>\r\n  </TkvxReportPage>\r\n</TkvxReport>\r\n";
  }
  TToolRun huge = Run("huge.xml --db data.db --qpv huge.qpv");
  EXPECT_EQ(huge.Status, 1);
  EXPECT_NE(huge.Err.find("a value longer than 32 MB"), std::string::npos) << huge.Err;
  ExpectRunStayedUnder(huge, 200);
}

}  // namespace
