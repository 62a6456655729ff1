// orvane-report over an SQLite parish file: a grouped member list saved as prepared pages.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/db/ADODB.h"
#include "report/engine/tests/EngineTestSupport.h"
#include "report/model/DBDataset.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"

namespace orv::test {
namespace {

struct TRunResult {
  int Exit;
  std::string Out, Err;
};

TRunResult RunTool(const std::string& args, const std::string& dir) {
  std::string out = dir + "/out.txt", err = dir + "/err.txt";
  int status = std::system((std::string(ORVANE_REPORT_PROGRAM) + " " + args + " >" + out + " 2>" + err).c_str());
  auto read = [](const std::string& f) {
    std::ifstream in(f);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(out), read(err)};
}

TEST(ReportTool, RunsAGroupedMemberListOverAParishFile) {
  std::string dir = std::filesystem::temp_directory_path() / ("orvane-report-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::string db = dir + "/Orvane.db";
  {
    TEngineReport setup;  // registers the classes and the engine
    TADOConnection::CreateDatabase(db);
    TADOConnection conn(nullptr);
    conn.SetConnectionString("Provider=SQLite;Data Source=" + db + ";Mode=Share Deny None");
    conn.Open();
    auto exec = [&](const std::string& sql) {
      TADOQuery q(nullptr);
      q.SetConnection(&conn);
      q.SQL().SetText(sql);
      q.ExecSQL();
    };
    exec("create table Orvani (ID integer primary key, Nm text, gang text)");
    for (int i = 1; i <= 50; ++i)
      exec("insert into Orvani values (" + std::to_string(i) + ", 'สมาชิก" + std::to_string(i) + "', 'หมู่ " +
           std::to_string((i - 1) / 10 + 1) + "')");
  }
  {
    // The report as the register keeps it: bands and a line per member, its data set by name.
    TComponent window(nullptr);
    auto* members = new TkvxDBDataset(&window);
    members->SetName("M");
    TkvxReport report(&window);
    auto* page = new TkvxReportPage(&report);
    page->SetName("Page1");
    page->SetPaperWidth(200);
    page->SetPaperHeight(100);
    page->SetLeftMargin(0), page->SetRightMargin(0), page->SetTopMargin(0), page->SetBottomMargin(0);
    auto band = [&](TkvxBand* b, const char* name, Extended top, Extended height) {
      b->SetName(name);
      b->SetBounds(0, top, 700, height);
      auto* rule = new TkvxLineView(b);
      rule->SetName(std::string(name) + "Rule");
      rule->SetBounds(0, height - 1, 700, 1);
      return b;
    };
    auto memo = [](TkvxBand* b, const char* name, const char16_t* text) {
      auto* m = new TkvxMemoView(b);
      m->SetName(name);
      m->SetBounds(10, 0, 400, 18);
      m->Font()->SetName("Tahoma");
      m->Font()->SetCharset(THAI_CHARSET);
      m->SetText(text);
    };
    memo(band(new TkvxPageHeader(page), "PH", 0, 40), "Heading", u"ทะเบียนสัตบุรุษ วัดนักบุญยอแซฟ");
    auto* group = static_cast<TkvxGroupHeader*>(band(new TkvxGroupHeader(page), "GH", 40, 20));
    group->Condition = "M.\"gang\"";
    auto* data = static_cast<TkvxMasterData*>(band(new TkvxMasterData(page), "Data", 60, 20));
    data->SetDataSet(members);
    memo(data, "Name", u"[M.\"Nm\"] ผู้ใหญ่บ้าน");
    band(new TkvxGroupFooter(page), "GF", 80, 20);
    memo(band(new TkvxPageFooter(page), "PF", 200, 30), "Foot", u"หน้า [Page#] จาก [TotalPages#]");
    report.SaveToFile(dir + "/list.xml");
  }
  // 5 groups of 10: 60 bands of 20 pixels, 15 to a page between header and footer: 4 pages.
  std::string common = dir + "/list.xml --db " + db + " --qpv " + dir + "/list.qpv";
  std::string pdf = dir + "/list.pdf";
  TRunResult run =
      RunTool(common + " --pdf " + pdf + " --data 'M=select * from Orvani order by gang, ID' --var Title=x", dir);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out, "4 pages\n");
  // The same pages exported: a file poppler and qpdf read, of four pages.
  EXPECT_EQ(std::system(("qpdf --check " + pdf + " >/dev/null").c_str()), 0);
  EXPECT_EQ(std::system(("pdfinfo " + pdf + " | grep -Eq '^Pages: +4$'").c_str()), 0);
  // The memos went out as text: the heading on every page, each member's name in its row.
  std::string text = dir + "/list.txt";
  ASSERT_EQ(std::system(("pdftotext -raw -enc UTF-8 " + pdf + " " + text).c_str()), 0);
  std::ifstream extracted(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(extracted, line);) {
    // A new page starts with a form feed.
    std::erase(line, '\f');
    lines.push_back(line);
  }
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "ทะเบียนสัตบุรุษ วัดนักบุญยอแซฟ"), 4);
  // The page total is filled in when the pages are exported, on every page.
  for (int i = 1; i <= 4; ++i) {
    std::string footer = "หน้า " + std::to_string(i) + " จาก 4";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), footer), 1) << footer;
  }
  for (int i = 1; i <= 50; ++i) {
    std::string row = "สมาชิก" + std::to_string(i) + " ผู้ใหญ่บ้าน";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), row), 1) << row;
  }
  TkvxReport loaded(nullptr);
  ASSERT_TRUE(loaded.PreviewPages->LoadFromFile(dir + "/list.qpv"));
  EXPECT_EQ(loaded.PreviewPages->GetCount(), 4);
  TkvxReportPage* last = loaded.PreviewPages->GetPage(3);
  std::vector<std::string> bands;
  for (TkvxComponent* b : last->Objects()) bands.push_back(b->Name());
  // Bands 46 to 60: the last two rows and the footer of group 4, then all of group 5.
  std::vector<std::string> expected{"PH", "Data", "Data", "GF", "GH"};
  expected.insert(expected.end(), 10, "Data");
  expected.insert(expected.end(), {"GF", "PF"});
  EXPECT_EQ(bands, expected);

  TRunResult bad = RunTool(common + " --data 'M=select * from Nowhere'", dir);
  EXPECT_NE(bad.Exit, 0);
  EXPECT_NE(bad.Err.find("Nowhere"), std::string::npos) << bad.Err;
  EXPECT_EQ(RunTool(dir + "/list.xml --db " + db, dir).Exit, 2);
  EXPECT_NE(RunTool(dir + "/missing.xml --db " + db + " --qpv " + dir + "/x.qpv", dir).Exit, 0);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orv::test
