// The statistics window's prints and export read back with poppler and openpyxl: each date
// column's list holds the members of the window's last run, row by row as sqlite3 reads them;
// the summary holds the window's own lines; two windows never print each other's result.
#include <filesystem>
#include <set>

#include "app/tests/DocumentTesting.h"
#include "app/tests/ListPrintTesting.h"
#include "app/tests/OtherWindowsFixture.h"
#include "platform/sheet/SheetAutomation.h"

namespace orv::test {

namespace {

const char* const kDateColumns[] = {"birth_date", "btsm_date", "fm_date",
                                    "cnfm_date",  "mtmn_date", "dead_date"};

}  // namespace

class StatisticsPrintTest : public OtherWindowsTest {
 protected:
  TForm4* OpenStatistics() {
    TForm4* f = Open<TForm4>();
    f->FormActivate(f);
    f->DateTimePicker1->SetDate(PickerDate("1900-01-01"));
    return f;
  }
  // Runs the query on date column `column` (0 birth ... 5 death) as the user chooses it.
  static void Run(TForm4* f, int column) {
    TRadioButton* dates[] = {f->RadioButton12, f->RadioButton13, f->RadioButton14,
                             f->RadioButton15, f->RadioButton16, f->RadioButton17};
    dates[column]->SetChecked(true);
    if (dates[column]->OnClick) dates[column]->OnClick(dates[column]);
    f->Button1Click(f->Button1);
  }
  static std::string Count(TForm4* f) {
    std::string label = f->Label4->Caption();
    return label.substr(std::string("จำนวน ").size(),
                        label.size() - std::string("จำนวน  คน").size());
  }
  static std::vector<std::string> ShownIds(TForm4* f) {
    std::vector<std::string> ids;
    TADOQuery* q = f->ADOQuery1;
    for (Integer r = 1; r <= q->RecordCount(); ++r)
      ids.push_back(q->DisplayTextAt(q->FieldByName("ID"), r));
    return ids;
  }
  TPrintedList PrintList(TForm4* f, const std::string& name) {
    std::filesystem::path pdf = dir_ / (name + ".pdf");
    bool opened = ExportShownDocument([f] { f->Button4Click(f->Button4); }, pdf.string());
    TPrintedList list = ReadPrintedList(pdf);
    list.Opened = opened;
    return list;
  }
  // The row sqlite3 gives for a member: names, group, the date as the register shows it, phone.
  std::string ExpectedRow(const std::string& id, const char* column) {
    std::vector<std::string> v = SplitBars(Cli(
        "select coalesce(st, '') || '|' || coalesce(Nm, '') || '|' || coalesce(sur, '') ||"
        " '|' || coalesce(gang, '') || '|' || coalesce(" +
        std::string(column) + ", '') || '|' || coalesce(tel, '') from Orvani where ID = " + id));
    return CollapseBlanks(v[0] + " " + v[1] + " " + v[2] + " " + v[3] + " " +
                          (v[4].empty() ? "" : ThaiDate(v[4])) + " " + v[5]);
  }
  std::string ChurchLine() {
    return CollapseBlanks(
        Cli("select coalesce(ChurchT, '') || ' ' || coalesce(AddrT, '') from print"));
  }
};

TEST_F(StatisticsPrintTest, EachListHoldsTheMembersOfTheLastRunAndTheSummaryItsLines) {
  MakeDemo(300);
  TForm4* f = OpenStatistics();
  const std::string church = ChurchLine();
  ASSERT_FALSE(church.empty());
  for (int column = 0; column < 6; ++column) {
    SCOPED_TRACE(kDateColumns[column]);
    Run(f, column);
    std::vector<std::string> shown = ShownIds(f);
    ASSERT_FALSE(shown.empty());
    ASSERT_EQ(Count(f), std::to_string(shown.size()));
    Boxes();
    TPrintedList printed = PrintList(f, kDateColumns[column]);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการพิมพ์ข้อมูล" + f->StatResultText + " หรือ ?"});
    ASSERT_TRUE(printed.Opened);
    EXPECT_TRUE(printed.Sound) << printed.Problems;
    EXPECT_TRUE(printed.HasLine(church));
    EXPECT_TRUE(printed.HasText("รายชื่อสัตบุรุษ" + f->StatResultText));
    ASSERT_EQ(printed.Rows.size(), shown.size());
    for (size_t i = 0; i < shown.size(); ++i)
      EXPECT_EQ(printed.Rows[i].Text, ExpectedRow(shown[i], kDateColumns[column]))
          << "row " << i + 1;
    if (column == 4) {
      EXPECT_EQ(RenderPages((dir_ / "mtmn_date.pdf").string(), "statistics-marriage"),
                printed.Pages);
    }
  }

  // The summary: every line of the memo, under the parish's name, with today's date.
  std::filesystem::path pdf = dir_ / "summary.pdf";
  ASSERT_TRUE(ExportShownDocument([f] { f->Button2Click(f->Button2); }, pdf.string()));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการพิมพ์สรุปข้อมูลสัตบุรุษหรือ ?"});
  std::string text = CheckedPdfText(pdf.string());
  std::string bare = BarePdfText(pdf.string());
  ASSERT_EQ(f->Memo1->Lines()->Count(), 6);
  for (Integer i = 0; i < f->Memo1->Lines()->Count(); ++i)
    EXPECT_NE(bare.find(Bare(f->Memo1->Lines()->Strings(i))), std::string::npos)
        << f->Memo1->Lines()->Strings(i);
  EXPECT_NE(bare.find(Bare(church)), std::string::npos);
  std::string today = Cli("select date('now', 'localtime')");
  EXPECT_NE(bare.find(Bare("วันที่พิมพ์ " + ThaiDate(today))), std::string::npos) << text;
}

TEST_F(StatisticsPrintTest, TwoWindowsPrintTheirOwnResults) {
  MakeDemo(300);
  TForm4* a = OpenStatistics();
  TForm4* b = OpenStatistics();
  Run(a, 0);
  // The other window counts the women only, after the first one ran.
  b->CheckBox3->SetChecked(true);
  b->RadioButton5->SetChecked(true);
  Run(b, 0);
  std::vector<std::string> aShown = ShownIds(a), bShown = ShownIds(b);
  ASSERT_NE(aShown.size(), bShown.size());
  ASSERT_NE(a->StatResultText, b->StatResultText);
  // The main window's list has its own members, under a data set of its own.
  form_->Edit1->SetText("สม");
  Word key = VK_RETURN;
  form_->Edit1KeyUp(form_->Edit1, key, {});

  TPrintedList printed = PrintList(a, "first");
  ASSERT_TRUE(printed.Opened);
  EXPECT_TRUE(printed.HasText("รายชื่อสัตบุรุษ" + a->StatResultText));
  ASSERT_EQ(printed.Rows.size(), aShown.size());
  EXPECT_EQ(printed.Rows.front().Text, ExpectedRow(aShown.front(), "birth_date"));
  EXPECT_EQ(printed.Rows.back().Text, ExpectedRow(aShown.back(), "birth_date"));

  printed = PrintList(b, "second");
  ASSERT_TRUE(printed.Opened);
  EXPECT_TRUE(printed.HasText("รายชื่อสัตบุรุษ" + b->StatResultText));
  EXPECT_EQ(printed.Rows.size(), bShown.size());

  // Each summary holds its own window's lines only.
  std::filesystem::path pdf = dir_ / "summary-a.pdf";
  ASSERT_TRUE(ExportShownDocument([a] { a->Button2Click(a->Button2); }, pdf.string()));
  std::string bare = BarePdfText(pdf.string());
  EXPECT_NE(bare.find(Bare(a->StatResultText)), std::string::npos);
  EXPECT_EQ(bare.find(Bare(b->StatResultText)), std::string::npos);
}

TEST_F(StatisticsPrintTest, TheSpreadsheetHoldsTheMembersCounted) {
  MakeDemo(200);
  TForm4* f = OpenStatistics();
  Run(f, 1);
  std::vector<std::string> shown = ShownIds(f);
  ASSERT_GT(shown.size(), 1u);
  std::filesystem::path book = dir_ / "statistics.xlsx";
  SetSheetShowHandler([&](const String& file) { std::filesystem::copy_file(file, book); });
  f->LumSmoothButton5Click(f->LumSmoothButton5);
  SetSheetShowHandler(nullptr);
  TWorkbookRows rows = ReadWorkbookRows(book.string(), "ID");
  ASSERT_TRUE(rows.Read) << rows.Problems;
  EXPECT_EQ(rows.Sheet, "สรุปจำนวนสัตบุรุษ");
  EXPECT_EQ(std::to_string(rows.DataRows), Count(f));
  EXPECT_EQ(rows.Column, std::set<std::string>(shown.begin(), shown.end()));
}

}  // namespace orv::test
