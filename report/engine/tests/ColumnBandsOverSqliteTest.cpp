// Data bands of two and three columns whose rows hold notes taller than the
// space left or than a page, subreports, child and detail bands, and subreports
// under memos that stretch, run by orvane-report over an SQLite parish: every
// character of every note once and in order in its own column, every member
// once, and no word drawn over another, read back with pdftotext.
#include <cmath>
#include <regex>

#include "report/engine/tests/SqliteReportSupport.h"
#include "report/model/Pages.h"

namespace orv::test {
namespace {

using Texts = std::vector<std::string>;

// Notes of 1 to 60 lines; each line names its note and its place ("ข5.17").
const char* kNotes = R"(
create table Note (ID integer primary key, Lines integer, Body text);
with recursive
  sizes(id, n) as (values (1, 1), (2, 3), (3, 30), (4, 2), (5, 60), (6, 5), (7, 1), (8, 45), (9, 4), (10, 2),
                          (11, 25), (12, 1), (13, 8), (14, 3)),
  lines(id, k) as (select id, 1 from sizes union all
                   select lines.id, k + 1 from lines join sizes on sizes.id = lines.id where k < n)
insert into Note select id, n, (select group_concat(t, char(10)) from
  (select 'ข' || l.id || '.' || l.k as t from lines l where l.id = sizes.id order by l.k)) from sizes;
)";

const char* kMembersOfFamily = "M=select * from Member where Family = :family order by ID";

class ColumnBands : public TParishTest {
 protected:
  static void SetUpTestSuite() {
    TParishTest::SetUpTestSuite();
    parish_->Rows(kNotes);
  }
};

std::string Squeezed(const Texts& lines) {
  std::string all;
  for (const std::string& line : lines) all += line;
  std::erase_if(all, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
  return all;
}

// A page of 200 x 100 mm with a page header and footer, and a band of notes in
// columns of 330 or 220 pixels (247.5 or 165 points).
struct TNotesReport {
  TReportFile File;
  TkvxMasterData* Notes;
  Extended ColumnWidth;
  explicit TNotesReport(int columns, bool allowSplit) {
    ColumnWidth = columns == 2 ? 330 : 220;
    File.Memo(File.Band<TkvxPageHeader>("PH", 0, 20), "Head", "{head [Page#]}", 0, 600);
    Notes = File.Band<TkvxMasterData>("NoteBand", 40, 40);
    Notes->SetDataSet(File.Data("N"));
    Notes->Columns = columns;
    Notes->ColumnWidth = ColumnWidth;
    Notes->SetWidth(ColumnWidth);
    Notes->SetAllowSplit(allowSplit);
    Notes->SetStretched(true);
    File.Memo(Notes, "Body", "#[N.\"ID\"]: [N.\"Body\"] :[N.\"ID\"]#", 0, ColumnWidth - 40)
        ->SetStretchMode(smActualHeight);
    File.Memo(File.Band<TkvxPageFooter>("PF", 200, 20), "Foot", "{foot [Page#] n=[COUNT(NoteBand)]}", 0, 600);
  }
};

// Words of the page footer's line (the last 15 points of a page 100 mm high)
// that are not the footer's own.
std::string WordsOnTheFooter(const std::vector<std::vector<TPdfWord>>& pages) {
  for (size_t p = 0; p < pages.size(); ++p) {
    double footerTop = 0;
    for (const TPdfWord& w : pages[p])
      if (w.Text == "{foot") footerTop = w.Y0;
    for (const TPdfWord& w : pages[p])
      if (w.Y1 > 283.46 - 15 + 2.5 && std::fabs(w.Y0 - footerTop) > 1)
        return "page " + std::to_string(p + 1) + ": \"" + w.Text + "\"";
  }
  return "";
}

TEST_F(ColumnBands, ASplitCellGoesOnInItsOwnColumnAndEveryCharacterPrintsOnceInOrder) {
  for (int columns : {2, 3}) {
    SCOPED_TRACE(std::to_string(columns) + " columns");
    TNotesReport r(columns, true);
    TPrepared p =
        RunReportFile(*parish_, r.File, "split-cells-" + std::to_string(columns), {"N=select * from Note order by ID"});
    std::vector<Texts> pages = PdfPages(p.Pdf);
    ASSERT_GT(pages.size(), 5u);
    for (size_t i = 0; i < pages.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      EXPECT_EQ(Starting(pages[i], "{head " + n + "}"), 1) << "page " << n;
      EXPECT_EQ(Starting(pages[i], "{foot " + n + " "), 1) << "page " << n;
      // The footer counts the rows whose first part the page shows, cells that come back to it
      // after another cell of their row went on to the next page among them.
      int firsts = 0;
      const std::regex first("#[0-9]+:");
      for (const std::string& line : pages[i])
        firsts += static_cast<int>(std::distance(std::sregex_iterator(line.begin(), line.end(), first), std::sregex_iterator()));
      EXPECT_EQ(Numbers(pages[i], "n"), std::vector<int>{firsts}) << "page " << n;
    }
    for (int c = 0; c < columns; ++c) {
      const double left = c * r.ColumnWidth * 0.75;
      Texts column = PdfLines(p.Pdf, "-x " + std::to_string(static_cast<int>(left)) + " -y 0 -W " +
                                         std::to_string(static_cast<int>(r.ColumnWidth * 0.75) - 2) + " -H 284");
      std::erase_if(column, [](const std::string& l) { return l.rfind("{", 0) == 0; });
      const std::string printed = Squeezed(column),
                        expected = ExpectedNotes(*parish_,
                                                 "(ID - 1) % " + std::to_string(columns) + " = " + std::to_string(c));
      EXPECT_TRUE(printed == expected) << "column " << c + 1 << " " << FirstDifference(printed, expected);
    }
    std::vector<std::vector<TPdfWord>> words = PdfWords(p.Pdf);
    EXPECT_EQ(FirstOverprint(words), "");
    EXPECT_EQ(WordsOnTheFooter(words), "");
  }
}

TEST_F(ColumnBands, ARowThatDoesNotFitMovesWholeAndOneThatNeverFitsIsPlacedOnceWithoutEmptyPages) {
  TNotesReport r(2, false);
  TPrepared p = RunReportFile(*parish_, r.File, "unsplit-cells", {"N=select * from Note order by ID"});
  std::vector<Texts> pages = PdfPages(p.Pdf);
  std::vector<std::vector<TPdfWord>> words = PdfWords(p.Pdf);
  ASSERT_EQ(words.size(), pages.size());
  for (size_t i = 0; i < pages.size(); ++i)
    EXPECT_TRUE(
        std::any_of(pages[i].begin(), pages[i].end(), [](const std::string& l) { return l.rfind("#", 0) == 0; }))
        << "page " << i + 1 << " holds no note";
  const std::string all = Squeezed([&] {
    Texts lines;
    for (const Texts& page : pages) lines.insert(lines.end(), page.begin(), page.end());
    return lines;
  }());
  for (const std::string& row : parish_->Rows("select ID, Lines from Note order by ID")) {
    const std::string id = row.substr(0, row.find('|'));
    EXPECT_EQ(std::regex_search(all, std::regex("#" + id + ":")), true) << "note " << id;
    // A note shorter than a page prints whole.
    if (std::stoi(row.substr(row.find('|') + 1)) <= 10) {
      EXPECT_NE(all.find(ExpectedNotes(*parish_, "ID = " + id)), std::string::npos) << "note " << id;
    }
  }
  EXPECT_EQ(FirstOverprint(words), "");
  EXPECT_EQ(WordsOnTheFooter(words), "");
}

// Families in two columns, each with its members below it: in a subreport, or
// in a child band and a detail band.
TEST_F(ColumnBands, SubreportsChildAndDetailBandsOfACellPrintUnderTheirOwnCell) {
  for (const char* kind : {"subreport", "detail"}) {
    SCOPED_TRACE(kind);
    TReportFile f;
    f.Report->ScriptText()->SetText(kFollowMasters);
    f.Memo(f.Band<TkvxPageHeader>("PH", 0, 20), "Head", "{head [Page#]}", 0, 600);
    auto* families = f.Band<TkvxMasterData>("FamilyBand", 40, 20);
    families->SetDataSet(f.Data("F"));
    families->Columns = 2;
    families->ColumnWidth = 330;
    families->SetWidth(330);
    f.Memo(families, "FamilyName", "[F.\"Name\"]", 0, 250);
    if (std::string(kind) == "subreport") {
      TkvxReportPage* sub = f.AddPage("MembersPage");
      auto* memberBand = f.Band<TkvxMasterData>("MemberBand", 20, 20, sub);
      memberBand->SetDataSet(f.Data("M"));
      memberBand->OnMasterDetail = "MembersOfFamily";
      memberBand->SetWidth(300);
      f.Memo(memberBand, "MemberName", "[M.\"Name\"]", 0, 250);
      auto* subreport = new TkvxSubreport(families);
      subreport->SetName("Members");
      subreport->SetBounds(20, 20, 250, 20);
      subreport->SetPage(sub);
    } else {
      families->PrintIfDetailEmpty = true;
      auto* child = f.Band<TkvxChild>("FamilyChild", 100, 20);
      child->SetWidth(330);
      families->SetChild(child);
      f.Memo(child, "ChildText", "c[F.\"ID\"]", 0, 250);
      f.Members(70, 20)->SetWidth(300);
    }
    f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "Foot", "{foot [Page#]}", 0, 600);
    TPrepared p = RunReportFile(*parish_, f, std::string("cells-with-") + kind,
                                {"F=select * from Family where ID <= 40 order by ID", kMembersOfFamily});
    std::vector<std::vector<TPdfWord>> words = PdfWords(p.Pdf);
    EXPECT_EQ(FirstOverprint(words), "");
    EXPECT_EQ(WordsOnTheFooter(words), "");
    for (int odd : {1, 0}) {
      Texts column = PdfLines(p.Pdf, odd ? "-x 0 -y 0 -W 246 -H 284" : "-x 248 -y 0 -W 300 -H 284");
      Texts members = column, children = column;
      std::erase_if(members, [](const std::string& l) { return l.rfind("สมาชิก", 0) != 0; });
      std::erase_if(children, [](const std::string& l) { return l.rfind("c", 0) != 0; });
      EXPECT_EQ(members, parish_->Rows("select Name from Member where Family <= 40 and Family % 2 = " +
                                       std::to_string(odd) + " order by ID"))
          << (odd ? "left" : "right");
      if (std::string(kind) == "detail") {
        EXPECT_EQ(children, parish_->Rows("select 'c' || ID from Family where ID <= 40 and ID % 2 = " +
                                          std::to_string(odd) + " order by ID"))
            << (odd ? "left" : "right");
      }
    }
  }
}

TEST_F(ColumnBands, ASubreportBelowAStretchedMemoStartsBelowItsText) {
  for (bool allowSplit : {false, true}) {
    SCOPED_TRACE(allowSplit ? "AllowSplit" : "no AllowSplit");
    TReportFile f;
    f.Report->ScriptText()->SetText(
        "procedure MembersOfNote(Sender: TObject);\r\nbegin\r\n"
        "  Report.GetDataset('M').Params['family'] := "
        "Report.GetDataset('N').Value['ID'];\r\nend;\r\n"
        "begin\r\nend.");
    TkvxReportPage* sub = f.AddPage("MembersPage");
    auto* memberBand = f.Band<TkvxMasterData>("MemberBand", 20, 20, sub);
    memberBand->SetDataSet(f.Data("M"));
    memberBand->OnMasterDetail = "MembersOfNote";
    f.Memo(memberBand, "MemberName", "[M.\"Name\"]", 0, 250);
    f.Memo(f.Band<TkvxPageHeader>("PH", 0, 20), "Head", "{head [Page#]}", 0, 600);
    auto* notes = f.Band<TkvxMasterData>("NoteBand", 40, 45);
    notes->SetDataSet(f.Data("N"));
    notes->SetAllowSplit(allowSplit);
    notes->SetStretched(true);
    f.Memo(notes, "Body", "#[N.\"ID\"]: [N.\"Body\"] :[N.\"ID\"]#", 0, 400)->SetStretchMode(smActualHeight);
    auto* subreport = new TkvxSubreport(notes);
    subreport->SetName("Members");
    subreport->SetBounds(0, 22, 300, 20);
    subreport->SetPage(sub);
    f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "Foot", "{foot [Page#]}", 0, 600);
    TPrepared p = RunReportFile(*parish_, f, std::string("subreport-under-memo") + (allowSplit ? "-split" : ""),
                                {"N=select * from Note where ID <= 9 order by ID", kMembersOfFamily});
    std::vector<std::vector<TPdfWord>> words = PdfWords(p.Pdf);
    EXPECT_EQ(FirstOverprint(words), "");
    EXPECT_EQ(WordsOnTheFooter(words), "");
    // Each note's members come after the note's last line.
    Texts lines;
    for (const Texts& page : PdfPages(p.Pdf)) lines.insert(lines.end(), page.begin(), page.end());
    std::erase_if(lines, [](const std::string& l) { return l.rfind("{", 0) == 0; });
    std::string expected;
    for (const std::string& id : parish_->Rows("select ID from Note where ID <= 9 order by ID")) {
      expected += ExpectedNotes(*parish_, "ID = " + id);
      for (const std::string& m : parish_->Rows("select Name from Member where Family = " + id + " order by ID"))
        expected += m;
    }
    const std::string printed = Squeezed(lines);
    EXPECT_TRUE(printed == expected) << FirstDifference(printed, expected);
  }
}

}  // namespace
}  // namespace orv::test
