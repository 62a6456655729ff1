// Report files over an SQLite parish, run by orvane-report, on where pages end
// and what their footers say: endless pages that break at every group, groups
// whose first rows print nothing, rows split over the page foot under page
// totals, and two passes over a detail read through a parameter. Each checked
// against sqlite3 and the PDF as poppler reads it.
#include <fstream>
#include <regex>

#include "report/engine/tests/SqliteReportSupport.h"
#include "report/model/Pages.h"

namespace orv::test {
namespace {

using Texts = std::vector<std::string>;

class PagesAndGroups : public TParishTest {};

// The page heights pdfinfo gives, in points.
std::vector<double> PageHeights(const std::string& pdf) {
  std::vector<double> heights;
  std::string out = pdf + ".info";
  EXPECT_EQ(std::system(("pdfinfo -f 1 -l 9999 '" + pdf + "' >'" + out + "'").c_str()), 0);
  std::ifstream in(out);
  std::regex size("Page +[0-9]+ size: +[0-9.]+ x ([0-9.]+) pts");
  std::smatch m;
  for (std::string line; std::getline(in, line);)
    if (std::regex_search(line, m, size)) heights.push_back(std::stod(m[1]));
  return heights;
}

TEST_F(PagesAndGroups, AnEndlessPageBrokenAtEveryGroupIsAsHighAsItsOwnRows) {
  TReportFile f;
  f.Page->SetEndlessHeight(true);
  f.Memo(f.Band<TkvxPageHeader>("PH", 0, 20), "Head", "{head [Page#]}", 0, 600);
  auto* zone = f.Band<TkvxGroupHeader>("ZoneHeader", 30, 20);
  zone->Condition = "F.\"Zone\"";
  zone->SetStartNewPage(true);
  f.Memo(zone, "ZoneName", "{zone [F.\"Zone\"]}", 0, 600);
  auto* families = f.Band<TkvxMasterData>("FamilyBand", 60, 20);
  families->SetDataSet(f.Data("F"));
  f.Memo(families, "FamilyName", "[F.\"Name\"]", 0, 600);
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "Foot", "{foot [Page#]}", 0, 600);
  // Zone z has 3z families: pages of 5 to 32 lines.
  const std::string where = "(ID - 1) % 30 < Zone * 3";
  TPrepared p =
      RunReportFile(*parish_, f, "endless-groups", {"F=select * from Family where " + where + " order by ID"});
  std::vector<Texts> pages = PdfPages(p.Pdf);
  std::vector<double> heights = PageHeights(p.Pdf);
  ASSERT_EQ(pages.size(), 10u);
  ASSERT_EQ(heights.size(), 10u);
  std::vector<std::vector<TPdfWord>> words = PdfWords(p.Pdf);
  for (int z = 1; z <= 10; ++z) {
    SCOPED_TRACE("zone " + std::to_string(z));
    Texts names =
        parish_->Rows("select Name from Family where Zone = " + std::to_string(z) + " and " + where + " order by ID");
    Texts shown = pages[z - 1];
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown.back(), "{foot " + std::to_string(z) + "}");
    std::erase_if(shown, [](const std::string& l) { return l.rfind("{", 0) == 0; });
    EXPECT_EQ(shown, names);
    // Header, group header, rows and footer, 20 pixels (15 points) each.
    EXPECT_NEAR(heights[z - 1], (names.size() + 3) * 15.0, 0.5);
    // The footer is the page's last line, below every row.
    double footerTop = 0, rowsBottom = 0;
    for (const TPdfWord& w : words[z - 1]) {
      if (w.Text == "{foot")
        footerTop = w.Y0;
      else if (w.Text.find('}') == std::string::npos)
        rowsBottom = std::max(rowsBottom, w.Y1);
    }
    EXPECT_LE(rowsBottom, footerTop + 2.5);
  }
}

TEST_F(PagesAndGroups, AGroupFooterNamesTheLastRowItsGroupPrinted) {
  TReportFile f;
  f.Report->ScriptText()->SetText(kFollowMasters);
  auto* zone = f.Band<TkvxGroupHeader>("ZoneHeader", 20, 20);
  zone->Condition = "F.\"Zone\"";
  f.Memo(zone, "ZoneName", "{zone [F.\"Zone\"]}", 0, 600);
  auto* families = f.Band<TkvxMasterData>("FamilyBand", 50, 20);
  families->SetDataSet(f.Data("F"));
  f.Memo(families, "FamilyName", "[F.\"Name\"]", 0, 600);
  f.Members(80, 20);
  auto* footer = f.Band<TkvxGroupFooter>("ZoneFooter", 110, 20);
  f.Memo(footer, "ZoneTotal", "{total [F.\"Zone\"] last [F.\"Name\"]}", 0, 600);
  // Zones 2 and 3 begin with families that have no members (35 and 65), which
  // print nothing.
  const std::string where = "ID <= 90 and not (ID between 31 and 34) and not (ID between 61 and 64)";
  TPrepared p = RunReportFile(*parish_, f, "group-footers",
                              {"F=select * from Family where " + where + " order by ID",
                               "M=select * from Member where Family = :family order by ID"});
  Texts totals;
  for (const Texts& page : PdfPages(p.Pdf))
    for (const std::string& line : page)
      if (line.rfind("{total", 0) == 0) totals.push_back(line);
  const Texts expected = parish_->Rows(
      "select '{total ' || Zone || ' last ' || Name || '}' from Family where "
      "ID in (select max(f.ID) from Family f where " +
      where +
      " and exists (select 1 from Member m where m.Family = f.ID) group by "
      "f.Zone) order by ID");
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(totals, expected);
}

TEST_F(PagesAndGroups, ARowSplitOverThePageFootCountsOnThePageOfItsFirstPart) {
  parish_->Rows(
      "create table if not exists Essay (ID integer primary key, Body text);"
      "delete from Essay;"
      "with recursive n(i) as (select 1 union all select i + 1 from n where i "
      "< 40),"
      "  k(j) as (select 1 union all select j + 1 from k where j < 30)"
      " insert into Essay select i, (select group_concat('ข' || i || '.' || j, "
      "char(10)) from k where j <= 1 + i * 7 % 23)"
      " from n;");
  for (int columns : {1, 2}) {
    SCOPED_TRACE(std::to_string(columns) + " page columns");
    TReportFile f;
    if (columns == 2) f.TwoPageColumns();
    f.Memo(f.Band<TkvxPageHeader>("PH", 0, 20), "Head", "{head}", 0, 600);
    auto* essays = f.Band<TkvxMasterData>("EssayBand", 30, 20);
    essays->SetWidth(370);
    essays->SetDataSet(f.Data("E"));
    essays->SetAllowSplit(true);
    essays->SetStretched(true);
    f.Memo(essays, "Id", "{r[E.\"ID\"]}", 0, 100);
    f.Memo(essays, "Body", "[E.\"Body\"]", 110, 250)->SetStretchMode(smActualHeight);
    f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "Totals",
           "{rows=[COUNT(EssayBand)] sum=[SUM(<E.\"ID\">, EssayBand)] "
           "all=[SUM(<E.\"ID\">, EssayBand, 2)]}",
           0, 600);
    TPrepared p =
        RunReportFile(*parish_, f, "split-totals-" + std::to_string(columns), {"E=select * from Essay order by ID"});
    std::vector<Texts> pages = PdfPages(p.Pdf);
    ASSERT_GT(pages.size(), 5u);
    int running = 0, splitRows = 0;
    std::regex row("^\\{r([0-9]+)\\}");
    for (size_t i = 0; i < pages.size(); ++i) {
      int rows = 0, sum = 0;
      for (const std::string& line : pages[i]) {
        std::smatch m;
        if (std::regex_search(line, m, row)) {
          ++rows;
          sum += std::stoi(m[1]);
        }
      }
      running += sum;
      // A part after the first starts the page with the rest of its row's text.
      if (pages[i].size() > 1 && pages[i][1].rfind("{r", 0) != 0) ++splitRows;
      EXPECT_EQ(Numbers(pages[i], "rows"), std::vector<int>{rows}) << "page " << i + 1;
      EXPECT_EQ(Numbers(pages[i], "sum"), std::vector<int>{sum}) << "page " << i + 1;
      EXPECT_EQ(Numbers(pages[i], "all"), std::vector<int>{running}) << "page " << i + 1;
    }
    EXPECT_GT(splitRows, 3);
    EXPECT_EQ(running, parish_->Count("select sum(ID) from Essay"));
  }
}

TEST_F(PagesAndGroups, ASecondPassReadsADetailWithItsParametersAsTheFirstDid) {
  Texts firstLines[2];
  for (bool twoPasses : {false, true}) {
    TReportFile f;
    f.Report->EngineOptions()->DoublePass = twoPasses;
    f.Report->EngineOptions()->PrintIfEmpty = true;
    f.Report->ScriptText()->SetText(kFollowMasters);
    // The page header reads the detail before any row points it at its family.
    f.Memo(f.Band<TkvxPageHeader>("PH", 0, 20), "Head", "{head [M.\"Name\"]}", 0, 600);
    auto* families = f.Band<TkvxMasterData>("FamilyBand", 30, 20);
    families->SetDataSet(f.Data("F"));
    families->PrintIfDetailEmpty = true;
    f.Memo(families, "FamilyName", "[F.\"Name\"]", 0, 600);
    f.Members(60, 20);
    f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "Foot", "{foot [Page#] of [TotalPages#]}", 0, 600);
    TPrepared p = RunReportFile(*parish_, f, std::string("detail-passes-") + (twoPasses ? "2" : "1"),
                                {"F=select * from Family where ID <= 12 order by ID",
                                 "M=select * from Member where Family = :family order by ID"});
    std::vector<Texts> pages = PdfPages(p.Pdf);
    ASSERT_GT(pages.size(), 1u);
    firstLines[twoPasses] = Texts(pages[0].begin(), pages[0].begin() + 4);
  }
  EXPECT_EQ(firstLines[1], firstLines[0]);
}

}  // namespace
}  // namespace orv::test
