// Bands that end up on another page than the one they were filled on, run by orvane-report over
// an SQLite parish: a group header or a kept block moved to the next page, a row of cells that
// continues on a further page, a script that starts the next page after a row. What each page
// shows, read from the PDF page by page, belongs to that page; the rows are counted by sqlite3.
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "report/engine/tests/SqliteReportSupport.h"

namespace orv::test {
namespace {

using Texts = std::vector<std::string>;

// The text of page n (from 1) of the PDF as pdftotext reads it.
Texts PdfPage(const TPrepared& p, int n) {
  return PdfLines(p.Pdf, "-f " + std::to_string(n) + " -l " + std::to_string(n));
}

class MovedBands : public TParishTest {};

// Every family row ("z=N") stands under the header of its own zone ("zone=N"), the last one
// above it on its page, repeated there when the zone began on an earlier page; the number of
// rows.
int RowsUnderTheirZone(const std::vector<Texts>& pages, const std::string& what) {
  int rows = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    int heading = 0;
    for (const std::string& line : pages[i]) {
      if (std::vector<int> z = Numbers({line}, "zone"); !z.empty()) heading = z[0];
      for (int zone : Numbers({line}, "z")) {
        EXPECT_EQ(zone, heading) << what << ", page " << i + 1 << ": " << line;
        ++rows;
      }
    }
  }
  return rows;
}

TEST_F(MovedBands, AGroupHeaderMovedToTheNextPageShowsThatPageAndKeepsItsAnchorThere) {
  TReportFile f;
  // Each zone's header marks where the zone begins, for a table of contents.
  f.Report->ScriptText()->SetText(
      "procedure ZoneStarts(Sender: TObject);\r\nbegin\r\n"
      "  Engine.AddAnchor('zone' + VarToStr(Report.GetDataset('F').Value['Zone']));\r\nend;\r\n"
      "begin\r\nend.");
  // 358 pixels above the page footer: a header of 60 and rows of 20. The second zone's header
  // comes 38 pixels above the footer of page 2 and moves to page 3.
  auto* header = f.Band<TkvxGroupHeader>("ZoneHeader", 20, 60);
  header->Condition = "F.\"Zone\"";
  header->OnBeforePrint = "ZoneStarts";
  f.Memo(header, "ZoneName", "Z [F.\"ZoneName\"] p=[Page#] log=[Page]", 0, 600);
  auto* families = f.Band<TkvxMasterData>("FamilyBand", 100, 20);
  families->SetDataSet(f.Data("F"));
  f.Memo(families, "FamilyName", "[F.\"Name\"]");
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageNo", "page=[Page#]");
  TPrepared p = RunReportFile(
      *parish_, f, "moved-group-header",
      {"F=select f.*, z.Name as ZoneName from Family f join Zone z on z.ID = f.Zone where f.Zone <= 4 order by f.ID"});
  ASSERT_GT(p.Texts.size(), 6u);
  int zones = 0;
  for (size_t i = 0; i < p.Texts.size(); ++i) {
    const int page = static_cast<int>(i) + 1;
    Texts lines = PdfPage(p, page);
    EXPECT_EQ(Numbers(lines, "page"), std::vector<int>{page});
    // Every header on the page says so, the one moved from the foot of the page before too.
    const int here = Starting(lines, "Z ");
    EXPECT_EQ(Numbers(lines, "p"), std::vector<int>(static_cast<size_t>(here), page)) << "page " << page;
    EXPECT_EQ(Numbers(lines, "log"), std::vector<int>(static_cast<size_t>(here), page)) << "page " << page;
    for (const std::string& line : lines)
      if (std::smatch zone; std::regex_search(line, zone, std::regex("^Z หมู่ ([0-9]+) "))) {
        ++zones;
        // The anchor of the zone points at the page its header printed on.
        TkvxXMLItem* anchor = p.Pages().FindAnchor("zone" + zone[1].str());
        ASSERT_TRUE(anchor) << line;
        EXPECT_EQ(anchor->Prop("page"), std::to_string(i)) << line;
      }
  }
  EXPECT_EQ(zones, parish_->Count("select count(*) from Zone where ID <= 4"));
  // The second zone's header is the first thing on page 3.
  ASSERT_GE(p.Texts[2].size(), 1u);
  EXPECT_EQ(p.Texts[2][0].rfind("Z หมู่ 2 p=3", 0), 0u) << p.Texts[2][0];
}

TEST_F(MovedBands, RowsOfAKeptBlockMovedToTheNextPageShowThatPage) {
  TReportFile f;
  f.Report->ScriptText()->SetText(kFollowMasters);
  auto* families = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
  families->SetDataSet(f.Data("F"));
  families->KeepTogether = true;
  f.Memo(families, "FamilyName", "F [F.\"Name\"] p=[Page#]", 0, 600);
  auto* members = f.Band<TkvxDetailData>("MemberBand", 40, 20);
  members->SetDataSet(f.Data("M"));
  members->OnMasterDetail = "MembersOfFamily";
  f.Memo(members, "MemberName", "M [M.\"Name\"] p=[Page#]", 0, 600);
  TPrepared p = RunReportFile(*parish_, f, "moved-kept-blocks",
                              {"F=select * from Family where ID <= 60 order by ID",
                               "M=select * from Member where Family = :family order by ID"});
  ASSERT_GT(p.Texts.size(), 5u);
  // Families without members print nothing.
  int rows = 0;
  for (size_t i = 0; i < p.Texts.size(); ++i) {
    const int page = static_cast<int>(i) + 1;
    Texts lines = PdfPage(p, page);
    const int here = Starting(lines, "F ") + Starting(lines, "M ");
    EXPECT_EQ(Numbers(lines, "p"), std::vector<int>(static_cast<size_t>(here), page)) << "page " << page;
    rows += here;
  }
  EXPECT_EQ(rows, parish_->Count("select count(distinct Family) + count(*) from Member where Family <= 60"));
}

TEST_F(MovedBands, AWideRowContinuesOnAPageThatShowsItsOwnNumberInTheFooter) {
  TReportFile f;
  f.Report->EngineOptions()->DoublePass = true;
  // The family's name, then ten zones of 100 pixels across a page of 756: the row goes on over
  // a second page.
  auto* names = new TkvxHeader(f.Page);
  names->SetName("NameColumn");
  names->SetVertical(true);
  names->SetBounds(0, 0, 100, 100);
  auto* zones = new TkvxMasterData(f.Page);
  zones->SetName("ZoneColumn");
  zones->SetVertical(true);
  zones->SetBounds(100, 0, 100, 100);
  zones->SetDataSet(f.Data("Z"));
  auto* families = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
  families->SetDataSet(f.Data("F"));
  f.Memo(families, "FamilyName", "[F.\"Name\"]", 0, 100);
  f.Memo(families, "ZoneCell", "[Z.\"Name\"]", 100, 100);
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageNo", "PF [Page#]/[TotalPages#] log=[Page]/[TotalPages]", 0,
         600);
  TPrepared p = RunReportFile(*parish_, f, "wide-row",
                              {"Z=select * from Zone order by ID", "F=select * from Family where ID <= 3 order by ID"});
  ASSERT_EQ(p.Texts.size(), 2u);
  const int zoneCount = parish_->Count("select count(*) from Zone");
  int cells = 0;
  for (int page = 1; page <= 2; ++page) {
    Texts lines = PdfPage(p, page);
    std::string footer = "PF " + std::to_string(page) + "/2 log=" + std::to_string(page) + "/2";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), footer), 1) << "page " << page;
    for (const std::string& line : lines)
      for (size_t at = line.find("หมู่ "); at != std::string::npos; at = line.find("หมู่ ", at + 1)) ++cells;
  }
  // Every family's row holds a cell for every zone, over both pages.
  EXPECT_EQ(cells, 3 * zoneCount);
}

TEST_F(MovedBands, AScriptStartingTheNextPageAfterARowCountsTheRowOnItsOwnPage) {
  TReportFile f;
  f.Report->ScriptText()->SetText(
      "var Rows: Integer;\r\n"
      "procedure RowPrinted(Sender: TObject);\r\nbegin\r\n"
      "  Rows := Rows + 1;\r\n  if Rows mod 7 = 0 then Engine.NewPage;\r\nend;\r\n"
      "begin\r\n  Rows := 0;\r\nend.");
  auto* families = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
  families->SetDataSet(f.Data("F"));
  families->OnAfterPrint = "RowPrinted";
  f.Memo(families, "FamilyName", "F [F.\"Name\"]");
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageCount", "rows=[COUNT(FamilyBand)] gifts=[SUM(<F.\"Gift\">)]", 0,
         600);
  TPrepared p = RunReportFile(*parish_, f, "script-new-page", {"F=select * from Family where ID <= 20 order by ID"});
  ASSERT_EQ(p.Texts.size(), 3u);
  Texts gifts = parish_->Rows("select sum(Gift) from Family where ID <= 20 group by (ID - 1) / 7 order by (ID - 1) / 7");
  ASSERT_EQ(gifts.size(), 3u);
  int rows = 0;
  for (int page = 1; page <= 3; ++page) {
    Texts lines = PdfPage(p, page);
    const int here = Starting(lines, "F ");
    EXPECT_EQ(here, page < 3 ? 7 : 6);
    EXPECT_EQ(Numbers(lines, "rows"), std::vector<int>{here}) << "page " << page;
    EXPECT_EQ(Numbers(lines, "gifts"), std::vector<int>{std::stoi(gifts[static_cast<size_t>(page - 1)])})
        << "page " << page;
    rows += here;
  }
  EXPECT_EQ(rows, parish_->Count("select count(*) from Family where ID <= 20"));
}

TEST_F(MovedBands, AColumnFooterStaysUnderItsColumnWhenAKeptBlockLeavesTheLastColumn) {
  TReportFile f;
  f.Report->ScriptText()->SetText(kFollowMasters);
  f.Page->SetColumns(2);
  f.Page->ColumnPositions()->Clear();
  f.Page->ColumnPositions()->Add("0");
  f.Page->ColumnPositions()->Add("100");
  auto* families = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
  families->SetWidth(300);
  families->SetDataSet(f.Data("F"));
  families->KeepTogether = true;
  f.Memo(families, "FamilyName", "F [F.\"Name\"]");
  auto* members = f.Band<TkvxDetailData>("MemberBand", 40, 20);
  members->SetWidth(300);
  members->SetDataSet(f.Data("M"));
  members->OnMasterDetail = "MembersOfFamily";
  f.Memo(members, "MemberName", "M [M.\"Name\"]");
  f.Band<TkvxColumnFooter>("CF", 180, 20)->SetWidth(300);
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageNo", "page=[Page#]");
  TPrepared p = RunReportFile(*parish_, f, "kept-in-columns",
                              {"F=select * from Family where ID <= 80 order by ID",
                               "M=select * from Member where Family = :family order by ID"});
  ASSERT_GT(p.Texts.size(), 2u);
  int rows = 0;
  for (Integer i = 0; i < p.Pages().GetCount(); ++i) {
    std::map<long, Extended> lastInColumn;
    std::vector<std::pair<long, Extended>> footers;
    for (TkvxComponent* band : p.Pages().GetPage(i)->Objects()) {
      long column = std::lround(band->Left());
      if (band->Name() == "CF") footers.emplace_back(column, band->Top());
      else if (band->Name() != "PF") lastInColumn[column] = std::max(lastInColumn[column], band->Top() + band->Height());
    }
    // Each column's footer directly under that column's last row.
    EXPECT_EQ(footers.size(), lastInColumn.size()) << "page " << i + 1;
    for (auto [column, top] : footers) EXPECT_NEAR(top, lastInColumn[column], 0.01) << "page " << i + 1;
    rows += Starting(p.Texts[static_cast<size_t>(i)], "F ") + Starting(p.Texts[static_cast<size_t>(i)], "M ");
  }
  EXPECT_EQ(rows, parish_->Count("select count(distinct Family) + count(*) from Member where Family <= 80"));
}

TEST_F(MovedBands, RowsOfAKeptBlockMovedWithTheirFooterCountInTheFooterOfThePageTheyPrintOn) {
  // Footers of different heights make blocks move at their footer or at one of their rows.
  for (int footerHeight : {20, 13, 7}) {
    TReportFile f;
    f.Report->ScriptText()->SetText(kFollowMasters);
    auto* families = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
    families->SetDataSet(f.Data("F"));
    families->KeepTogether = true;
    f.Memo(families, "FamilyName", "F [F.\"Name\"]", 0, 600);
    auto* members = f.Band<TkvxDetailData>("MemberBand", 40, 20);
    members->SetDataSet(f.Data("M"));
    members->OnMasterDetail = "MembersOfFamily";
    members->KeepFooter = true;
    f.Memo(members, "MemberName", "M id=[M.\"ID\"]", 0, 600);
    f.Memo(f.Band<TkvxFooter>("MemberFooter", 60, footerHeight), "MemberCount", "members", 0, 300, footerHeight);
    f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageCount",
           "rows=[COUNT(MemberBand)] ids=[SUM(<M.\"ID\">,MemberBand)]", 0, 600);
    TPrepared p = RunReportFile(*parish_, f, "kept-with-footer-" + std::to_string(footerHeight),
                                {"F=select * from Family where ID <= 60 order by ID",
                                 "M=select * from Member where Family = :family order by ID"});
    std::vector<Texts> pages = PdfPages(p.Pdf);
    ASSERT_GT(pages.size(), 5u);
    int rows = 0, ids = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
      std::vector<int> here = Numbers(pages[i], "id");
      int sum = 0;
      for (int id : here) sum += id;
      EXPECT_EQ(Numbers(pages[i], "rows"), std::vector<int>{static_cast<int>(here.size())})
          << "footer " << footerHeight << ", page " << i + 1;
      EXPECT_EQ(Numbers(pages[i], "ids"), std::vector<int>{sum}) << "footer " << footerHeight << ", page " << i + 1;
      rows += static_cast<int>(here.size());
      ids += sum;
    }
    EXPECT_EQ(rows, parish_->Count("select count(*) from Member where Family <= 60"));
    EXPECT_EQ(ids, parish_->Count("select sum(ID) from Member where Family <= 60"));
  }
}

TEST_F(MovedBands, AKeptGroupLongerThanAPageRepeatsItsHeaderOnEveryPageItsRowsContinueOn) {
  TReportFile f;
  auto* header = f.Band<TkvxGroupHeader>("ZoneHeader", 20, 20);
  header->Condition = "F.\"Zone\"";
  header->KeepTogether = true;
  header->ReprintOnNewPage = true;
  f.Memo(header, "ZoneName", "Z zone=[F.\"Zone\"]", 0, 600);
  auto* families = f.Band<TkvxMasterData>("FamilyBand", 40, 20);
  families->SetDataSet(f.Data("F"));
  f.Memo(families, "FamilyName", "F [F.\"Name\"] z=[F.\"Zone\"]", 0, 600);
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageNo", "page=[Page#]");
  // 30 families a zone, 20 pixels each: every zone goes over two or three pages.
  TPrepared p = RunReportFile(*parish_, f, "kept-long-group", {"F=select * from Family where Zone <= 3 order by ID"});
  std::vector<Texts> pages = PdfPages(p.Pdf);
  ASSERT_GT(pages.size(), 5u);
  EXPECT_EQ(RowsUnderTheirZone(pages, "kept group"), parish_->Count("select count(*) from Family where Zone <= 3"));
}

TEST_F(MovedBands, ARowOfColumnsMovedToTheNextPageAtAGroupChangeIsHeadedByItsOwnGroup) {
  // Headers of different heights put the last row of one zone or another at the foot of a page.
  for (int headerHeight : {20, 30, 40, 50, 60}) {
    TReportFile f;
    auto* header = f.Band<TkvxGroupHeader>("ZoneHeader", 20, headerHeight);
    header->Condition = "F.\"Zone\"";
    header->ReprintOnNewPage = true;
    f.Memo(header, "ZoneName", "Z zone=[F.\"Zone\"]", 0, 600);
    auto* families = f.Band<TkvxMasterData>("FamilyBand", 100, 20);
    families->SetDataSet(f.Data("F"));
    families->Columns = 2;
    families->ColumnWidth = 300;
    families->ColumnGap = 10;
    f.Memo(families, "FamilyName", "F [F.\"Name\"] z=[F.\"Zone\"]", 0, 290);
    f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageNo", "page=[Page#]");
    // 15 families a zone: each zone's last row has one cell.
    const std::string query = "select * from Family where Zone <= 8 and ID % 2 = 0";
    TPrepared p = RunReportFile(*parish_, f, "columns-at-group-change-" + std::to_string(headerHeight),
                                {"F=" + query + " order by ID"});
    std::vector<Texts> pages = PdfPages(p.Pdf);
    ASSERT_GT(pages.size(), 2u);
    EXPECT_EQ(RowsUnderTheirZone(pages, "header " + std::to_string(headerHeight)),
              parish_->Count("select count(*) from (" + query + ")"));
  }
}

TEST_F(MovedBands, TwoPassesStartWithTheDataAtItsFirstRowAsOnePassDoes) {
  for (bool twoPasses : {false, true}) {
    TReportFile f;
    f.Report->EngineOptions()->DoublePass = twoPasses;
    // The page header names the family the page starts with.
    f.Memo(f.Band<TkvxPageHeader>("PH", 0, 20), "First", "from [F.\"Name\"]", 0, 600);
    auto* families = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
    families->SetDataSet(f.Data("F"));
    f.Memo(families, "FamilyName", "F [F.\"Name\"]", 0, 600);
    f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageNo", "page [Page#] of [TotalPages#]", 0, 600);
    TPrepared p = RunReportFile(*parish_, f, std::string("passes-") + (twoPasses ? "2" : "1"),
                                {"F=select * from Family where ID <= 50 order by ID"});
    std::vector<Texts> pages = PdfPages(p.Pdf);
    ASSERT_GT(pages.size(), 2u);
    Texts names = parish_->Rows("select Name from Family where ID <= 50 order by ID");
    size_t row = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
      ASSERT_GE(pages[i].size(), 2u);
      ASSERT_LT(row, names.size());
      EXPECT_EQ(pages[i][0], "from " + names[row]) << (twoPasses ? "two passes" : "one pass") << ", page " << i + 1;
      row += static_cast<size_t>(Starting(pages[i], "F "));
    }
    EXPECT_EQ(row, names.size());
  }
}

// A report whose subreports run their own page again, directly or through another one, is
// refused: orvane-report ends with status 1 and names them, and writes no pages.
TEST_F(MovedBands, SubreportsThatRunTheirOwnPageAgainAreRefusedByName) {
  struct TCase {
    const char* Name;
    // The page each page's band holds a subreport of (pages from 1; 0 for none).
    std::vector<int> Calls;
    std::vector<std::string> Named;
  };
  const std::vector<TCase> cases{{"itself", {2, 2}, {"Sub2 -> Sub2"}},
                                 {"through-another", {2, 3, 2}, {"Sub2 -> Sub3 -> Sub2"}},
                                 {"two-pages", {2, 1}, {"Sub1 -> Sub2 -> Sub1"}}};
  for (const TCase& c : cases) {
    TReportFile f;
    std::vector<TkvxReportPage*> pages{f.Page};
    for (size_t i = 1; i < c.Calls.size(); ++i) pages.push_back(f.AddPage("Page" + std::to_string(i + 1)));
    for (size_t i = 0; i < c.Calls.size(); ++i) {
      auto* rows = f.Band<TkvxMasterData>("Rows" + std::to_string(i + 1), 20, 40, pages[i]);
      rows->SetRowCount(1);
      f.Memo(rows, "Row" + std::to_string(i + 1), "row");
      auto* sub = new TkvxSubreport(rows);
      sub->SetName("Sub" + std::to_string(i + 1));
      sub->SetBounds(0, 20, 300, 20);
      sub->SetPage(pages[static_cast<size_t>(c.Calls[i] - 1)]);
    }
    std::string base = parish_->Dir() + "/loop-" + c.Name;
    std::remove((base + ".pdf").c_str());
    f.Report->SaveToFile(base + ".xml");
    std::string command = std::string(ORVANE_REPORT_PROGRAM) + " " + base + ".xml --db " + parish_->Db() +
                          " --pdf " + base + ".pdf >" + base + ".out 2>" + base + ".err";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << c.Name << " did not end by itself";
    EXPECT_EQ(WEXITSTATUS(status), 1) << c.Name;
    std::ifstream err(base + ".err");
    std::string message((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
    for (const std::string& named : c.Named) EXPECT_NE(message.find(named), std::string::npos) << c.Name << ": " << message;
    EXPECT_FALSE(std::filesystem::exists(base + ".pdf")) << c.Name;
  }
}

}  // namespace
}  // namespace orv::test
