// Report files over an SQLite parish, run by orvane-report: totals in page and column footers,
// repeated headers, page numbers, outline entries and master-detail through the report's script,
// each counted again by sqlite3.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "report/engine/tests/SqliteReportSupport.h"

namespace orv::test {
namespace {

using Texts = std::vector<std::string>;

const char* kFamilies = "F=select * from Family order by ID";
const char* kMembers = "M=select * from Member where Family = :family order by ID";

class EngineOverSqlite : public TParishTest {};

TEST_F(EngineOverSqlite, ThreeLevelsFollowTheirMastersThroughTheScript) {
  TReportFile f;
  f.Page->SetPaperHeight(297);
  f.Report->ScriptText()->SetText(kFollowMasters);
  auto* zoneBand = f.Band<TkvxMasterData>("ZoneBand", 20, 20);
  zoneBand->SetDataSet(f.Data("Z"));
  f.Memo(zoneBand, "ZoneName", "Z [Z.\"Name\"]");
  auto* familyBand = f.Band<TkvxDetailData>("FamilyBand", 40, 20);
  familyBand->SetDataSet(f.Data("F"));
  familyBand->OnMasterDetail = "FamiliesOfZone";
  f.Memo(familyBand, "FamilyName", "F [F.\"Name\"]");
  auto* memberBand = f.Band<TkvxSubdetailData>("MemberBand", 60, 20);
  memberBand->SetDataSet(f.Data("M"));
  memberBand->OnMasterDetail = "MembersOfFamily";
  f.Memo(memberBand, "MemberName", "M [M.\"Name\"]");
  TPrepared p = RunReportFile(*parish_, f, "three-levels",
                              {"Z=select * from Zone order by ID", "F=select * from Family where Zone = :zone order by ID",
                               "M=select * from Member where Family = :family order by ID"});
  // Every member once, under its own family under its own zone; families without members and
  // zones without such families print nothing.
  Texts printed;
  std::string zone, family;
  for (const Texts& page : p.Texts)
    for (const std::string& t : page) {
      if (t.rfind("Z ", 0) == 0) zone = t.substr(2);
      else if (t.rfind("F ", 0) == 0) family = t.substr(2);
      else if (t.rfind("M ", 0) == 0) printed.push_back(zone + "|" + family + "|" + t.substr(2));
    }
  Texts expected = parish_->Rows(
      "select z.Name, f.Name, m.Name from Member m join Family f on f.ID = m.Family join Zone z on z.ID = f.Zone "
      "order by z.ID, f.ID, m.ID");
  ASSERT_GT(expected.size(), 500u);
  EXPECT_EQ(printed, expected);
  int families = 0;
  for (const Texts& page : p.Texts) families += Starting(page, "F ");
  EXPECT_EQ(families, parish_->Count("select count(distinct Family) from Member"));
}

TEST_F(EngineOverSqlite, PageFootersCountKeptMastersWithDetailFootersOnTheirOwnPage) {
  TReportFile f;
  f.Report->ScriptText()->SetText(kFollowMasters);
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
  familyBand->SetDataSet(f.Data("F"));
  familyBand->KeepTogether = true;
  f.Memo(familyBand, "FamilyName", "F [F.\"Name\"]");
  auto* memberBand = f.Band<TkvxDetailData>("MemberBand", 40, 20);
  memberBand->SetDataSet(f.Data("M"));
  memberBand->OnMasterDetail = "MembersOfFamily";
  f.Memo(memberBand, "MemberName", "M [M.\"Name\"]");
  f.Memo(f.Band<TkvxFooter>("MemberFooter", 60, 20), "MemberCount", "n=[COUNT(MemberBand)]");
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageCounts",
         "families=[COUNT(FamilyBand)] members=[COUNT(MemberBand)]", 0, 600);
  TPrepared p = RunReportFile(*parish_, f, "kept-masters", {kFamilies, kMembers});
  ASSERT_GT(p.Texts.size(), 20u);
  int families = 0, members = 0;
  for (size_t i = 0; i < p.Texts.size(); ++i) {
    const Texts& page = p.Texts[i];
    // Each page's footer counts the rows that page shows.
    EXPECT_EQ(Numbers(page, "families"), std::vector<int>{Starting(page, "F ")}) << "page " << i + 1;
    EXPECT_EQ(Numbers(page, "members"), std::vector<int>{Starting(page, "M ")}) << "page " << i + 1;
    families += Starting(page, "F ");
    members += Starting(page, "M ");
  }
  EXPECT_EQ(families, parish_->Count("select count(distinct Family) from Member"));
  EXPECT_EQ(members, parish_->Count("select count(*) from Member"));
}

TEST_F(EngineOverSqlite, PageFootersCountKeptMastersWithTwoLinesAndAFooterEach) {
  TReportFile f;
  // 415.7 pixels less the page footer: four families of 80 and the rows of a fifth fit, its
  // footer does not, and the fifth family moves to the next page as its footer is shown.
  f.Page->SetPaperHeight(110);
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
  familyBand->SetDataSet(f.Data("F"));
  familyBand->KeepTogether = true;
  f.Memo(familyBand, "FamilyName", "F [F.\"Name\"]");
  // Two lines of the band's own counting under every family, then their footer.
  auto* lines = f.Band<TkvxDetailData>("LineBand", 40, 20);
  lines->SetRowCount(2);
  f.Memo(lines, "LineNo", "L [Line]");
  f.Memo(f.Band<TkvxFooter>("LineFooter", 60, 20), "LineCount", "n=[COUNT(LineBand)]");
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageCounts", "families=[COUNT(FamilyBand)]", 0, 600);
  TPrepared p = RunReportFile(*parish_, f, "kept-masters-lines", {kFamilies});
  ASSERT_GT(p.Texts.size(), 20u);
  int families = 0;
  for (size_t i = 0; i < p.Texts.size(); ++i) {
    EXPECT_EQ(Numbers(p.Texts[i], "families"), std::vector<int>{Starting(p.Texts[i], "F ")}) << "page " << i + 1;
    families += Starting(p.Texts[i], "F ");
  }
  EXPECT_EQ(families, parish_->Count("select count(*) from Family"));
}

TEST_F(EngineOverSqlite, ColumnAndPageFootersCountARowOfColumnsWhereItPrints) {
  TReportFile f;
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 20, 20);
  familyBand->SetDataSet(f.Data("F"));
  familyBand->Columns = 3;
  familyBand->ColumnWidth = 230;
  familyBand->ColumnGap = 3;
  familyBand->SetStretched(true);
  f.Memo(familyBand, "FamilyName", "[F.\"Name\"]", 0, 220);
  // One to four lines: the rows of columns differ in height.
  auto* note = f.Memo(familyBand, "Note", "[F.\"Note\"]", 0, 220);
  note->SetTop(20);
  note->SetStretchMode(smActualHeight);
  f.Memo(f.Band<TkvxColumnFooter>("CF", 180, 20), "ColumnCount", "column=[COUNT(FamilyBand)]");
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "PageCount", "page=[COUNT(FamilyBand)]");
  TPrepared p = RunReportFile(*parish_, f, "row-of-columns", {kFamilies});
  ASSERT_GT(p.Texts.size(), 5u);
  int families = 0;
  for (size_t i = 0; i < p.Texts.size(); ++i) {
    int shown = Starting(p.Texts[i], "ครอบครัว");
    EXPECT_EQ(Numbers(p.Texts[i], "column"), std::vector<int>{shown}) << "page " << i + 1;
    EXPECT_EQ(Numbers(p.Texts[i], "page"), std::vector<int>{shown}) << "page " << i + 1;
    families += shown;
    // The column footer sits under the column's last row, clear of the page footer.
    Extended last = 0, columnFooter = -1, pageFooter = -1;
    for (TkvxComponent* band : p.Pages().GetPage(static_cast<Integer>(i))->Objects()) {
      if (band->Name() == "CF") columnFooter = band->Top();
      else if (band->Name() == "PF") pageFooter = band->Top();
      else last = std::max(last, band->Top() + band->Height());
    }
    EXPECT_NEAR(columnFooter, last, 0.01) << "page " << i + 1;
    EXPECT_LE(columnFooter + 20, pageFooter + 0.01) << "page " << i + 1;
  }
  EXPECT_EQ(families, parish_->Count("select count(*) from Family"));
}

TEST_F(EngineOverSqlite, AKeptHeaderAtThePageTopLeavesThePageHeadersOfTheNextPages) {
  TReportFile f;
  f.Memo(f.Band<TkvxPageHeader>("PH", 0, 20), "Heading", "หัวกระดาษ");
  auto* header = f.Band<TkvxHeader>("TableHead", 30, 20);
  header->ReprintOnNewPage = true;
  f.Memo(header, "Columns", "หัวตาราง");
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 60, 20);
  familyBand->SetDataSet(f.Data("F"));
  familyBand->KeepHeader = true;
  f.Memo(familyBand, "FamilyName", "[F.\"Name\"]");
  TPrepared p = RunReportFile(*parish_, f, "kept-header", {"F=select * from Family where ID <= 60 order by ID"});
  ASSERT_GE(p.Texts.size(), 3u);
  int families = 0;
  for (size_t i = 0; i < p.Texts.size(); ++i) {
    ASSERT_GE(p.Texts[i].size(), 3u);
    EXPECT_EQ(p.Texts[i][0], "หัวกระดาษ") << "page " << i + 1;
    EXPECT_EQ(p.Texts[i][1], "หัวตาราง") << "page " << i + 1;
    families += Starting(p.Texts[i], "ครอบครัว");
  }
  EXPECT_EQ(families, parish_->Count("select count(*) from Family where ID <= 60"));
}

TEST_F(EngineOverSqlite, ATitleWhoseSubreportRunsOverPagesKeepsThePageHeaders) {
  TReportFile f;
  TkvxReportPage* sub = f.AddPage("MembersPage");
  auto* memberBand = f.Band<TkvxMasterData>("MemberBand", 20, 20, sub);
  memberBand->SetDataSet(f.Data("M"));
  f.Memo(memberBand, "MemberName", "[M.\"Name\"]");
  auto* title = f.Band<TkvxReportTitle>("Title", 0, 40);
  f.Memo(title, "TitleText", "รายชื่อสมาชิก");
  auto* subreport = new TkvxSubreport(title);
  subreport->SetName("Members");
  subreport->SetBounds(0, 20, 300, 20);
  subreport->SetPage(sub);
  f.Memo(f.Band<TkvxPageHeader>("PH", 50, 30), "Heading", "หัวกระดาษ", 0, 300, 30);
  auto* zoneBand = f.Band<TkvxMasterData>("ZoneBand", 100, 20);
  zoneBand->SetDataSet(f.Data("Z"));
  f.Memo(zoneBand, "ZoneName", "[Z.\"Name\"]");
  TPrepared p = RunReportFile(*parish_, f, "title-subreport",
                              {"M=select * from Member where ID <= 160 order by ID", "Z=select * from Zone order by ID"});
  ASSERT_GE(p.Texts.size(), 3u);
  int members = 0, zones = 0;
  for (size_t i = 0; i < p.Texts.size(); ++i) {
    const Texts& page = p.Texts[i];
    // The title on the first page only, the page header once on every page, below the title.
    EXPECT_EQ(std::count(page.begin(), page.end(), "หัวกระดาษ"), 1) << "page " << i + 1;
    EXPECT_EQ(std::count(page.begin(), page.end(), "รายชื่อสมาชิก"), i == 0 ? 1 : 0) << "page " << i + 1;
    members += Starting(page, "สมาชิก");
    zones += Starting(page, "หมู่");
    // Bands follow one another without a gap.
    TkvxReportPage* prepared = p.Pages().GetPage(static_cast<Integer>(i));
    Extended bottom = 0;
    for (TkvxComponent* band : prepared->Objects()) {
      EXPECT_NEAR(band->Top(), bottom, 0.01) << "page " << i + 1 << " band " << band->Name();
      bottom = band->Top() + band->Height();
    }
  }
  EXPECT_EQ(p.Texts[0][0], "รายชื่อสมาชิก");
  EXPECT_EQ(p.Texts[0][1], "หัวกระดาษ");
  EXPECT_EQ(members, parish_->Count("select count(*) from Member where ID <= 160"));
  EXPECT_EQ(zones, parish_->Count("select count(*) from Zone"));
}

TEST_F(EngineOverSqlite, LogicalPageTotalsCloseWithTheLastGroup) {
  TReportFile f;
  f.Report->EngineOptions()->DoublePass = true;
  auto* group = f.Band<TkvxGroupHeader>("ZoneHead", 20, 20);
  group->Condition = "F.\"Zone\"";
  group->SetStartNewPage(true);
  group->ResetPageNumbers = true;
  group->ReprintOnNewPage = true;
  f.Memo(group, "ZoneName", "zone=[F.\"Zone\"]");
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 40, 20);
  familyBand->SetDataSet(f.Data("F"));
  f.Memo(familyBand, "FamilyName", "[F.\"Name\"]");
  f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "Numbers", "no=[Page] of=[TotalPages]");
  TPrepared p = RunReportFile(*parish_, f, "logical-totals", {kFamilies});
  // Pages by zone, each zone numbered from 1 and totalled by its own pages.
  std::map<int, std::vector<int>> numbers, totals;
  std::map<int, int> families;
  for (const Texts& page : p.Texts) {
    std::vector<int> zone = Numbers(page, "zone");
    ASSERT_FALSE(zone.empty());
    numbers[zone[0]].push_back(Numbers(page, "no").at(0));
    totals[zone[0]].push_back(Numbers(page, "of").at(0));
    families[zone[0]] += Starting(page, "ครอบครัว");
  }
  ASSERT_EQ(static_cast<int>(numbers.size()), parish_->Count("select count(distinct Zone) from Family"));
  for (auto& [zone, pages] : numbers) {
    int n = static_cast<int>(pages.size());
    std::vector<int> counting(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) counting[static_cast<size_t>(k)] = k + 1;
    EXPECT_EQ(pages, counting) << "zone " << zone;
    EXPECT_EQ(totals[zone], std::vector<int>(static_cast<size_t>(n), n)) << "zone " << zone;
    EXPECT_EQ(families[zone], parish_->Count("select count(*) from Family where Zone = " + std::to_string(zone)));
  }
}

TEST_F(EngineOverSqlite, OutlineEntriesPointAtStretchedAndMovedGroups) {
  TReportFile f;
  f.Report->PreviewOptions()->OutlineVisible = true;
  auto* group = f.Band<TkvxGroupHeader>("GroupHead", 20, 20);
  group->Condition = "F.\"Grp\"";
  group->KeepTogether = true;
  group->SetStretched(true);
  group->SetOutlineText("F.\"Grp\"");
  auto* note = f.Memo(group, "GroupNote", "[F.\"Note\"]", 320, 200);
  note->SetStretchMode(smActualHeight);
  f.Memo(group, "GroupName", "group=[F.\"Grp\"]");
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 40, 20);
  familyBand->SetDataSet(f.Data("F"));
  f.Memo(familyBand, "FamilyName", "[F.\"Name\"]");
  TPrepared p = RunReportFile(*parish_, f, "outline",
                              {"F=select *, (ID - 1) / 5 + 1 as Grp from Family where ID <= 120 order by ID"});
  // Where each group's header really is: page and top of the band that shows its number.
  std::map<int, std::pair<Integer, long>> placed;
  for (Integer i = 0; i < p.Pages().GetCount(); ++i)
    for (TkvxComponent* band : p.Pages().GetPage(i)->Objects())
      for (TkvxComponent* obj : band->Objects())
        if (auto text = MemoText(obj); text && text->rfind("group=", 0) == 0)
          placed[std::stoi(text->substr(6))] = {i, std::lround(band->Top())};
  ASSERT_EQ(static_cast<int>(placed.size()), parish_->Count("select count(distinct (ID - 1) / 5) from Family where ID <= 120"));
  TkvxOutline* outline = p.Pages().GetOutline();
  outline->LevelRoot();
  ASSERT_EQ(outline->GetCount(), static_cast<Integer>(placed.size()));
  for (Integer i = 0; i < outline->GetCount(); ++i) {
    String text;
    Integer page = -1, top = -1;
    outline->GetItem(i, text, page, top);
    auto at = placed.at(std::stoi(text));
    EXPECT_EQ(page, at.first) << "group " << text;
    EXPECT_EQ(top, at.second) << "group " << text;
  }
  // The PDF's bookmarks lead to the same pages, as qpdf reads them.
  std::string json = p.Pdf + ".json";
  ASSERT_EQ(std::system(("qpdf --json --json-key=outlines '" + p.Pdf + "' > '" + json + "'").c_str()), 0);
  std::ifstream in(json);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::regex bookmark("\"destpageposfrom1\": ([0-9]+),.*?\"title\": \"([0-9]+)\"");
  size_t bookmarks = 0;
  for (std::sregex_iterator m(text.begin(), text.end(), bookmark), end; m != end; ++m, ++bookmarks)
    EXPECT_EQ(std::stoi((*m)[1]) - 1, placed.at(std::stoi((*m)[2])).first) << "bookmark " << (*m)[2];
  EXPECT_EQ(bookmarks, placed.size());
}

TEST_F(EngineOverSqlite, ASubreportInABandOfTwoColumnsPrintsInBothColumns) {
  TReportFile f;
  f.Page->SetPaperHeight(297);
  f.Report->ScriptText()->SetText(kFollowMasters);
  TkvxReportPage* sub = f.AddPage("MembersPage");
  auto* memberBand = f.Band<TkvxMasterData>("MemberBand", 20, 20, sub);
  memberBand->SetDataSet(f.Data("M"));
  memberBand->OnMasterDetail = "MembersOfFamily";
  f.Memo(memberBand, "MemberName", "[M.\"Name\"]", 0, 250);
  auto* familyBand = f.Band<TkvxMasterData>("FamilyBand", 20, 40);
  familyBand->SetDataSet(f.Data("F"));
  familyBand->Columns = 2;
  familyBand->ColumnWidth = 350;
  familyBand->ColumnGap = 0;
  f.Memo(familyBand, "FamilyName", "[F.\"Name\"]", 0, 300);
  auto* subreport = new TkvxSubreport(familyBand);
  subreport->SetName("Members");
  subreport->SetBounds(20, 20, 250, 20);
  subreport->SetPage(sub);
  TPrepared p = RunReportFile(*parish_, f, "subreport-columns",
                              {"F=select * from Family where ID <= 20 order by ID", kMembers});
  // Families 1, 3, 5 ... print in the left column (0 to 350 pixels, 262.5 points), 2, 4, 6 ...
  // in the right one, each with its members below its name.
  Texts left = PdfLines(p.Pdf, "-x 0 -y 0 -W 262 -H 842"), right = PdfLines(p.Pdf, "-x 263 -y 0 -W 300 -H 842");
  auto members = [&](int odd) {
    return parish_->Rows("select m.Name from Member m where m.Family <= 20 and m.Family % 2 = " + std::to_string(odd) +
                         " order by m.ID");
  };
  auto only = [](Texts lines, const std::string& prefix) {
    std::erase_if(lines, [&](const std::string& l) { return l.rfind(prefix, 0) != 0; });
    return lines;
  };
  EXPECT_EQ(only(left, "สมาชิก"), members(1));
  EXPECT_EQ(only(right, "สมาชิก"), members(0));
  ASSERT_FALSE(members(0).empty());
  EXPECT_EQ(only(right, "ครอบครัว").size(), 10u);
}

}  // namespace
}  // namespace orv::test
