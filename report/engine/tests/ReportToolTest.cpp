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
#include "report/model/DialogPage.h"
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
  // A run that waits for someone ends as a failure instead of holding up the tests. The tool
  // runs where no display is, as from a scheduled job.
  int status = std::system(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 120 " +
                            std::string(ORVANE_REPORT_PROGRAM) + " " + args + " >" + out + " 2>" + err).c_str());
  auto read = [](const std::string& f) {
    std::ifstream in(f);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read(out), read(err)};
}

std::string ReadText(const std::string& file) {
  std::ifstream in(file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
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
    // "Page N of M" in two passes, as the register's lists are: the tool's page limit is no
    // part of the run, which the engine then makes in one pass.
    report.EngineOptions()->DoublePass = true;
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
  EXPECT_EQ(run.Err.find("warning"), std::string::npos) << run.Err;
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
  // Printed straight to PDF, each page is drawn while the next ones are prepared, and the page
  // total put on every page at the end: the same text as the pages prepared first.
  std::string straight = dir + "/straight.pdf";
  run = RunTool(dir + "/list.xml --db " + db + " --pdf " + straight +
                    " --data 'M=select * from Orvani order by gang, ID' --var Title=x",
                dir);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out, "4 pages\n");
  EXPECT_EQ(std::system(("qpdf --check " + straight + " >/dev/null").c_str()), 0);
  ASSERT_EQ(std::system(("pdftotext -raw -enc UTF-8 " + straight + " " + dir + "/straight.txt").c_str()), 0);
  EXPECT_EQ(ReadText(dir + "/straight.txt"), ReadText(text));
  // The tool leaves the parish file as it found it, with no log or shared memory beside it.
  EXPECT_FALSE(std::filesystem::exists(db + "-wal"));
  EXPECT_FALSE(std::filesystem::exists(db + "-shm"));

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

  // An alias the report never names (misspelt) gives it no rows: said, with the report's own.
  TRunResult unused = RunTool(common + " --data 'M=select * from Orvani' --data 'Members=select * from Orvani'", dir);
  EXPECT_EQ(unused.Exit, 0) << unused.Err;
  EXPECT_NE(unused.Err.find("orvane-report: warning: the report uses no data set Members (its data sets: M)\n"),
            std::string::npos)
      << unused.Err;
  TRunResult bad = RunTool(common + " --data 'M=select * from Nowhere'", dir);
  EXPECT_NE(bad.Exit, 0);
  EXPECT_NE(bad.Err.find("Nowhere"), std::string::npos) << bad.Err;
  EXPECT_EQ(RunTool(dir + "/list.xml --db " + db, dir).Exit, 2);
  EXPECT_NE(RunTool(dir + "/missing.xml --db " + db + " --qpv " + dir + "/x.qpv", dir).Exit, 0);
  std::filesystem::remove_all(dir);
}

// Data another program wrote and data without end: the run goes on through the one and stops
// the other with a message, saving nothing.
TEST(ReportTool, ABadDateIsPrintedAsItStandsAndEndlessDataIsRefused) {
  std::string dir = std::filesystem::temp_directory_path() / ("orvane-report-data-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::string db = dir + "/Orvane.db";
  ASSERT_EQ(std::system(("sqlite3 " + db + " \"create table Orvani (ID integer primary key, Nm text, "
                         "birth_date date); insert into Orvani values (1, 'หนึ่ง', '2001-05-01'), "
                         "(2, 'สอง', '31/2/2544'), (3, 'สาม', '2001-05-03')\"").c_str()), 0);
  // Grouped by birth date, as the birthday list is.
  std::ofstream(dir + "/birthdays.xml") << R"(<?xml version="1.0" encoding="utf-8"?>
<TkvxReport>
  <TkvxReportPage Name="Page1" PaperWidth="210" PaperHeight="297" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TkvxGroupHeader Name="G" Left="0" Top="0" Width="700" Height="24" Condition="M.&#34;birth_date&#34;">
      <TkvxMemoView Name="Day" Left="0" Top="0" Width="400" Height="22" Text="วันเกิด [M.&#34;birth_date&#34;]"/>
    </TkvxGroupHeader>
    <TkvxMasterData Name="D" Left="0" Top="30" Width="700" Height="22" DataSetName="M">
      <TkvxMemoView Name="Name" Left="20" Top="0" Width="400" Height="20" Text="[M.&#34;Nm&#34;]"/>
    </TkvxMasterData>
  </TkvxReportPage>
</TkvxReport>
)";
  std::string pdf = dir + "/birthdays.pdf";
  TRunResult run = RunTool(dir + "/birthdays.xml --db " + db + " --pdf " + pdf +
                               " --data 'M=select * from Orvani order by ID'", dir);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(run.Err.find("'31/2/2544' in field 'birth_date' is not a valid date"), std::string::npos) << run.Err;
  ASSERT_EQ(std::system(("pdftotext -raw -enc UTF-8 " + pdf + " " + dir + "/birthdays.txt").c_str()), 0);
  std::string text = ReadText(dir + "/birthdays.txt");
  EXPECT_NE(text.find("วันเกิด 31/2/2544"), std::string::npos) << text;
  EXPECT_NE(text.find("สาม"), std::string::npos) << text;

  // A statement without end, then a report of more pages than allowed.
  const std::string endless = " --data 'M=with recursive c(x) as (select 1 union all select x + 1 from c) "
                              "select x as ID, x as Nm, null as birth_date from c'";
  run = RunTool(dir + "/birthdays.xml --db " + db + " --pdf " + dir + "/endless.pdf --max-rows 5000" + endless, dir);
  EXPECT_EQ(run.Exit, 1);
  EXPECT_NE(run.Err.find("has more than 5000 rows"), std::string::npos) << run.Err;
  run = RunTool(dir + "/birthdays.xml --db " + db + " --pdf " + dir + "/endless.pdf --max-rows 5000 --max-pages 3" +
                    std::string(endless).replace(endless.find("from c'"), 7, "from c limit 4000'"),
                dir);
  EXPECT_EQ(run.Exit, 1);
  EXPECT_NE(run.Err.find("passed 3 pages"), std::string::npos) << run.Err;
  EXPECT_FALSE(std::filesystem::exists(dir + "/endless.pdf"));
  std::filesystem::remove_all(dir);
}

}  // namespace

// Nobody sits at the tool: a report with a dialog page and a script that shows a message runs
// to its end, the message on the standard error; each row's link names its own member.
TEST(ReportTool, ADialogPageAndAMessageDoNotWaitForAUser) {
  std::string dir = std::filesystem::temp_directory_path() / ("orvane-report-dialog-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::string db = dir + "/Orvane.db";
  ASSERT_EQ(std::system(("sqlite3 " + db + " \"create table Orvani (ID integer primary key, Nm text); "
                         "insert into Orvani values (7, 'เจ็ด'), (9, 'เก้า')\"").c_str()), 0);
  {
    TEngineReport setup;
    TComponent window(nullptr);
    auto* members = new TkvxDBDataset(&window);
    members->SetName("M");
    TkvxReport report(&window);
    auto* dialog = new TkvxDialogPage(&report);
    dialog->SetName("Ask");
    dialog->SetCaption("เลือก");
    auto* page = new TkvxReportPage(&report);
    page->SetName("Page1");
    auto* data = new TkvxMasterData(page);
    data->SetName("Data");
    data->SetBounds(0, 20, 700, 20);
    data->SetDataSet(members);
    auto* name = new TkvxMemoView(data);
    name->SetName("Name");
    name->SetBounds(0, 0, 300, 18);
    name->SetText(u"[M.\"Nm\"]");
    name->SetURL("http://example.org/member?id=[M.\"ID\"]");
    report.OnStartReport = "Greet";
    report.ScriptText()->SetText("procedure Greet(Sender: TObject);\r\nbegin\r\n  ShowMessage('สวัสดี');\r\nend;\r\n"
                                 "begin\r\nend.");
    report.SaveToFile(dir + "/dialog.xml");
  }
  TRunResult run = RunTool(dir + "/dialog.xml --db " + db + " --qpv " + dir + "/dialog.qpv" +
                               " --data 'M=select * from Orvani order by ID'",
                           dir);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out, "1 pages\n");
  EXPECT_NE(run.Err.find("สวัสดี"), std::string::npos) << run.Err;
  TkvxReport loaded(nullptr);
  ASSERT_TRUE(loaded.PreviewPages->LoadFromFile(dir + "/dialog.qpv"));
  std::vector<std::string> links;
  for (TkvxComponent* band : loaded.PreviewPages->GetPage(0)->Objects())
    for (TkvxComponent* obj : band->Objects())
      if (auto* view = dynamic_cast<TkvxView*>(obj); view && !view->URL().empty()) links.push_back(view->URL());
  EXPECT_EQ(links, (std::vector<std::string>{"http://example.org/member?id=7", "http://example.org/member?id=9"}));
  std::filesystem::remove_all(dir);
}

}  // namespace orv::test
