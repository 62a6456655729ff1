// Memos split over pages and columns, run by orvane-report over notes that sqlite3 writes: every
// character of every note is printed once and in order, read back from the PDF page by page, and
// the small memos beside and below them are printed once each, even where they are lower than a
// line of their font.
#include <map>
#include <regex>

#include "report/engine/tests/SqliteReportSupport.h"

namespace orv::test {
namespace {

using Texts = std::vector<std::string>;

// Notes of 1 to 120 paragraphs of Thai words (written without blanks, broken by the Thai line
// breaker) and of Latin words, short and long paragraphs mixed, and one paragraph of 400 words
// longer than a page: from one line to about 200.
const char* kNotes = R"(
create table Word (Script text, N integer, W text);
insert into Word values ('th', 0, 'บรรทัด'), ('th', 1, 'สมาชิก'), ('th', 2, 'ครอบครัว'), ('th', 3, 'ศีลล้างบาป'),
  ('th', 4, 'ประวัติ'), ('th', 5, 'วัด'), ('th', 6, 'บาทหลวง'), ('th', 7, 'พิธี'),
  ('la', 0, 'parish'), ('la', 1, 'register'), ('la', 2, 'baptism'), ('la', 3, 'marriage'),
  ('la', 4, 'member'), ('la', 5, 'priest'), ('la', 6, 'family'), ('la', 7, 'record');
create table Note (ID integer primary key, Script text, Paras integer, Body text);
with recursive
  sizes(k, n) as (values (1, 1), (2, 2), (3, 3), (4, 7), (5, 15), (6, 40), (7, 90), (8, 120), (9, 1)),
  scripts(s) as (values ('th'), ('la')),
  nums(i) as (select 1 union all select i + 1 from nums where i < 120),
  words(s, k, i, j) as (
    select s, k, i, 1 from scripts, sizes, nums where i <= n
    union all
    select s, k, i, j + 1 from words where j < case k when 9 then 400 when 1 then 1 else 1 + (i * 7 + k * 3) % 12 end),
  paras(s, k, i, t) as (
    select s, k, i, group_concat(W, case when s = 'th' then '' else ' ' end)
    from (select words.s, k, i, j, W from words join Word on Word.Script = words.s and Word.N = (i * 5 + j * 3) % 8
          order by words.s, k, i, j)
    group by s, k, i)
insert into Note (Script, Paras, Body)
  select s, n, group_concat(t, char(10))
  from (select paras.s, paras.k, n, t from paras join sizes on sizes.k = paras.k order by paras.s desc, paras.k, i)
  group by s, k order by s desc, k;
)";

class SplitMemos : public TParishTest {
 protected:
  static void SetUpTestSuite() {
    TParishTest::SetUpTestSuite();
    parish_->Rows(kNotes);
  }
};

// The whole PDF's text, pages in order, with every text between braces taken out (those are
// counted apart) and without blanks and line ends.
std::string NoteText(const std::vector<Texts>& pages) {
  std::string all;
  for (const Texts& page : pages)
    for (const std::string& line : page) all += line;
  all = std::regex_replace(all, std::regex("\\{[^}]*\\}"), "");
  std::erase_if(all, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
  return all;
}

int Occurrences(const std::vector<Texts>& pages, const std::string& text) {
  int n = 0;
  for (const Texts& page : pages)
    for (const std::string& line : page)
      for (size_t at = line.find(text); at != std::string::npos; at = line.find(text, at + 1)) ++n;
  return n;
}

// The height a memo of the report's font needs for one line.
Extended OneLine(TReportFile& f) {
  TkvxMemoView* probe = f.Memo(f.Band<TkvxChild>("Probe", 0, 20), "ProbeMemo", "x");
  Extended h = probe->CalcHeight();
  delete probe->Parent();
  return h;
}

TEST_F(SplitMemos, EveryCharacterOfEveryNotePrintsOnceInOrderBesideTheSmallMemosOfItsRow) {
  const std::string where = "1 = 1";
  const int rows = parish_->Count("select count(*) from Note");
  ASSERT_EQ(rows, 18);
  ASSERT_EQ(parish_->Count("select max(length(Body) - length(replace(Body, char(10), '')) + 1) from Note"), 120);
  for (int columns : {1, 2})
    for (bool allowSplit : {true, false}) for (bool framed : {false, true}) {
      SCOPED_TRACE("columns " + std::to_string(columns) + (allowSplit ? ", AllowSplit" : ", no AllowSplit") + (framed ? ", framed" : ""));
      TReportFile f;
      const Extended line = OneLine(f);
      if (columns == 2) f.TwoPageColumns();
      f.Memo(f.Band<TkvxPageHeader>("PH", 0, 20), "Head", "{head [Page#]}", 0, 600);
      auto* notes = f.Band<TkvxMasterData>("NoteBand", 40, 50);
      notes->SetWidth(columns == 2 ? 370 : 700);
      notes->SetDataSet(f.Data("N"));
      notes->SetAllowSplit(allowSplit);
      notes->SetStretched(true);
      TkvxMemoView* body = f.Memo(notes, "Body", "#[N.\"ID\"]: [N.\"Body\"] :[N.\"ID\"]#", 0, 250);
      body->SetStretchMode(smActualHeight);
      if (framed) {
        body->Frame()->SetTyp({ftLeft, ftTop, ftRight, ftBottom});
        body->Frame()->SetWidth(3);
        body->GapY = 4;
        body->LineSpacing = 6;
        body->Font()->SetSize(13);
      }
      // Beside the note: one memo as high as its line, one a few pixels lower, one of 8 pixels.
      f.Memo(notes, "Beside", "{s[N.\"ID\"]}", 260, 100, line);
      f.Memo(notes, "Low", "{l[N.\"ID\"]}", 260, 100, line - 3)->SetTop(line + 1);
      f.Memo(notes, "Thin", "{t[N.\"ID\"]}", 260, 100, 8)->SetTop(2 * line + 2);
      // Below the note, pushed down by it.
      f.Memo(notes, "Below", "{b[N.\"ID\"]}", 0, 100, 8)->SetTop(line + 1);
      f.Memo(f.Band<TkvxPageFooter>("PF", 200, 20), "Foot", "{foot [Page#]}", 0, 600);
      TPrepared p = RunReportFile(*parish_, f, "split-notes-" + std::to_string(columns) + (allowSplit ? "-split" : "") + (framed ? "-framed" : ""),
                                  {"N=select * from Note where " + where + " order by ID"});
      std::vector<Texts> pages = PdfPages(p.Pdf);
      ASSERT_EQ(pages.size(), p.Texts.size());
      ASSERT_GT(pages.size(), 20u);
      for (size_t i = 0; i < pages.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(Occurrences({pages[i]}, "{head " + n + "}"), 1) << "page " << n;
        EXPECT_EQ(Occurrences({pages[i]}, "{foot " + n + "}"), 1) << "page " << n;
      }
      const std::string printed = NoteText(pages), expected = ExpectedNotes(*parish_, where);
      EXPECT_TRUE(printed == expected) << FirstDifference(printed, expected);
      for (const std::string& id : parish_->Rows("select ID from Note where " + where + " order by ID"))
        for (const char* memo : {"s", "l", "t", "b"})
          EXPECT_EQ(Occurrences(pages, "{" + std::string(memo) + id + "}"), 1) << memo << id;
    }
}

}  // namespace
}  // namespace orv::test
