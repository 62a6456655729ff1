// The statistics window on the demo parish: the members each set of conditions finds, against
// an independently written query run by the sqlite3 command line, and the summary lines word
// for word.
#include <algorithm>

#include "app/tests/OtherWindowsFixture.h"
#include "platform/gui/Screen.h"
#include "platform/rtl/DateTime.h"

namespace orv::test {

namespace {

// One run: the date column (0 birth ... 5 death), the range as ISO dates, and the option of
// each group (0 when the group is off).
struct Conditions {
  int date;
  const char* from;
  const char* to;
  int state;        // 1 living, 2 dead, 3 moved out
  int marital;      // 1 single, 2 married
  int sex;          // 1 male, 2 female
  int notReceived;  // 1 baptism, 2 confirmation, 3 marriage, 4 first communion
};

// What each choice means for a member, written from the rules of the register.
const char* const kDateColumns[] = {"birth_date", "btsm_date", "fm_date",
                                    "cnfm_date",  "mtmn_date", "dead_date"};
const char* const kState[] = {"", "dead_date is null", "dead_date is not null",
                              "DateOut is not null"};
const char* const kMarital[] = {"", "mtmn_date is null", "mtmn_date is not null"};
const char* const kSex[] = {"", "sex = 'ชาย'", "sex = 'หญิง'"};
const char* const kNotReceived[] = {"", "btsm_date is null", "cnfm_date is null",
                                    "mtmn_date is null", "fm_date is null"};

TDateTime Iso(const std::string& iso) { return PickerDate(iso); }

}  // namespace

class StatisticsTest : public OtherWindowsTest {
 protected:
  TForm4* OpenDemo() {
    MakeDemo(300);
    // Members of other faiths, and one whose faith is written with a trailing blank, are not
    // counted.
    Cli("update Orvani set religion = 'พุทธ' where ID % 17 = 0;"
        "update Orvani set religion = 'คาทอลิก ' where ID = 5;");
    TForm4* f = Open<TForm4>();
    f->FormActivate(f);
    return f;
  }

  void Choose(TForm4* f, const Conditions& c) {
    TRadioButton* dates[] = {f->RadioButton12, f->RadioButton13, f->RadioButton14,
                             f->RadioButton15, f->RadioButton16, f->RadioButton17};
    dates[c.date]->SetChecked(true);
    f->DateTimePicker1->SetDate(Iso(c.from));
    f->DateTimePicker2->SetDate(Iso(c.to));
    f->CheckBox1->SetChecked(c.state != 0);
    if (c.state)
      (c.state == 1   ? f->RadioButton1
       : c.state == 2 ? f->RadioButton2
                      : f->RadioButton3)
          ->SetChecked(true);
    f->CheckBox2->SetChecked(c.marital != 0);
    if (c.marital) (c.marital == 1 ? f->RadioButton9 : f->RadioButton10)->SetChecked(true);
    f->CheckBox3->SetChecked(c.sex != 0);
    if (c.sex) (c.sex == 1 ? f->RadioButton4 : f->RadioButton5)->SetChecked(true);
    f->CheckBox4->SetChecked(c.notReceived != 0);
    TRadioButton* sacraments[] = {nullptr, f->RadioButton6, f->RadioButton7, f->RadioButton8,
                                  f->RadioButton11};
    if (c.notReceived) sacraments[c.notReceived]->SetChecked(true);
  }

  // The members sqlite3 finds for the conditions, by ID.
  std::string Expected(const Conditions& c) {
    std::string where = std::string(kDateColumns[c.date]) + " between '" + c.from + "' and '" +
                        c.to + "' and religion = 'คาทอลิก'";
    for (const char* part :
         {kState[c.state], kMarital[c.marital], kSex[c.sex], kNotReceived[c.notReceived]})
      if (*part) where += std::string(" and ") + part;
    return Cli("select ifnull(group_concat(ID, ','), '') from (select ID from Orvani where " +
               where + " order by ID)");
  }

  static std::string Found(TForm4* f) {
    std::vector<Int64> ids;
    for (f->ADOQuery1->First(); !f->ADOQuery1->Eof(); f->ADOQuery1->Next())
      ids.push_back(f->ADOQuery1->FieldByName("ID")->AsLargeInt());
    std::sort(ids.begin(), ids.end());
    std::string text;
    for (Int64 id : ids) text += (text.empty() ? "" : ",") + std::to_string(id);
    return text;
  }
};

TEST_F(StatisticsTest, EveryConditionSetFindsTheMembersSqliteFinds) {
  TForm4* f = OpenDemo();
  std::string oneBaptism =
      Cli("select btsm_date from Orvani where religion = 'คาทอลิก' and btsm_date is not null "
          "order by ID limit 1");
  const Conditions cases[] = {{0, "1900-01-01", "2024-12-31", 1, 0, 0, 0},
                              {0, "1980-01-01", "1999-12-31", 0, 0, 0, 0},
                              {0, "1950-01-01", "2024-12-31", 2, 0, 0, 0},
                              {0, "1940-01-01", "2024-12-31", 3, 0, 0, 0},
                              {1, "1960-01-01", "2000-12-31", 1, 1, 0, 0},
                              {1, "1900-01-01", "2024-12-31", 0, 2, 1, 0},
                              {2, "1970-01-01", "2010-12-31", 1, 0, 2, 0},
                              {2, "1900-01-01", "2024-12-31", 0, 0, 0, 2},
                              {3, "1990-01-01", "2024-12-31", 1, 1, 1, 0},
                              {3, "1900-01-01", "2024-12-31", 3, 0, 2, 0},
                              {4, "1980-01-01", "2010-12-31", 1, 2, 0, 0},
                              {4, "1900-01-01", "2024-12-31", 2, 0, 1, 0},
                              {4, "2000-01-01", "2024-12-31", 0, 1, 0, 0},
                              {5, "2000-01-01", "2023-12-31", 2, 0, 0, 0},
                              {5, "1900-01-01", "2024-12-31", 1, 0, 0, 0},
                              {5, "2000-01-01", "2024-12-31", 2, 0, 2, 0},
                              {0, "2010-01-01", "2024-12-31", 1, 0, 0, 4},
                              {0, "1900-01-01", "2024-12-31", 1, 1, 0, 3},
                              {0, "1900-01-01", "2024-12-31", 0, 0, 0, 1},
                              {1, oneBaptism.c_str(), oneBaptism.c_str(), 0, 0, 0, 0},
                              {0, "2020-01-01", "1990-01-01", 1, 0, 0, 0},
                              {3, "1900-01-01", "2024-12-31", 1, 2, 2, 3},
                              {0, "1960-01-01", "1990-12-31", 3, 2, 2, 4},
                              {5, "1900-01-01", "2024-12-31", 3, 0, 1, 0}};
  int nonEmpty = 0;
  for (const Conditions& c : cases) {
    SCOPED_TRACE(std::string(kDateColumns[c.date]) + " " + c.from + ".." + c.to + " state " +
                 std::to_string(c.state) + " marital " + std::to_string(c.marital) + " sex " +
                 std::to_string(c.sex) + " not received " + std::to_string(c.notReceived));
    Choose(f, c);
    f->Button1->Click();
    std::string expected = Expected(c);
    EXPECT_EQ(Found(f), expected);
    int count = expected.empty()
                    ? 0
                    : static_cast<int>(std::count(expected.begin(), expected.end(), ',')) + 1;
    nonEmpty += count > 0;
    EXPECT_EQ(f->Label4->Caption(), "จำนวน " + std::to_string(count) + " คน");
    EXPECT_TRUE(f->StatResultText.ends_with(" รวม " + std::to_string(count) + " คน"));
  }
  EXPECT_GE(nonEmpty, 16);
  EXPECT_EQ(f->Memo1->Lines()->Count(), static_cast<Integer>(std::size(cases)));
}

TEST_F(StatisticsTest, SummaryLinesReadWordForWord) {
  TForm4* f = OpenDemo();
  EXPECT_EQ(f->Caption(), "สรุปจำนวนสัตบุรุษ");
  EXPECT_EQ(f->DateTimePicker1->Date(), Date() - 3650);
  EXPECT_EQ(f->DateTimePicker2->Date(), Date());
  EXPECT_EQ(f->Memo1->Text(), "");
  EXPECT_EQ(f->Label4->Caption(), "");
  // The date column chooses the state: the death date the dead, any other the living.
  f->RadioButton17->SetChecked(true);
  EXPECT_TRUE(f->RadioButton2->Checked());
  f->RadioButton13->SetChecked(true);
  EXPECT_TRUE(f->RadioButton1->Checked());

  auto run = [&](const Conditions& c) {
    Choose(f, c);
    f->Button1->Click();
    return f->StatResultText;
  };
  auto count = [&](const Conditions& c) {
    std::string ids = Expected(c);
    return ids.empty() ? std::string("0")
                       : std::to_string(std::count(ids.begin(), ids.end(), ',') + 1);
  };
  Conditions living{0, "1990-01-01", "2000-12-31", 1, 0, 0, 0};
  EXPECT_EQ(run(living),
            " ผู้ที่เกิดวันที่  1/1/1990  ถึงวันที่  31/12/2000  ที่ยังมีชีวิตอยู่ รวม " + count(living) + " คน");
  Conditions dead{5, "2000-01-01", "2023-12-31", 2, 0, 0, 0};
  EXPECT_EQ(run(dead), " ผู้เสียชีวิตวันที่  1/1/2000  ถึงวันที่  31/12/2023  รวม " + count(dead) + " คน");
  Conditions every{1, "1950-01-01", "2024-12-31", 1, 2, 2, 2};
  EXPECT_EQ(run(every),
            " ผู้รับศีลล้างบาปวันที่  1/1/1950  ถึงวันที่  31/12/2024  ที่ยังมีชีวิตอยู่ แต่งงานแล้ว เพศหญิง "
            " ยังไม่รับศีลกำลัง รวม " +
                count(every) + " คน");
  Conditions moved{2, "1900-01-01", "2024-12-31", 3, 1, 1, 4};
  EXPECT_EQ(run(moved),
            " ผู้รับศีลมหาสนิทวันที่  1/1/1900  ถึงวันที่  31/12/2024  ที่ย้ายไปสังกัดวัดอื่นแล้ว"
            " เป็นโสด เพศชาย  ยังไม่รับศีลมหาสนิท รวม " +
                count(moved) + " คน");
  Conditions married{4, "2000-01-01", "2024-12-31", 0, 1, 0, 3};
  EXPECT_EQ(run(married),
            " ผู้รับศีลสมรสวันที่  1/1/2000  ถึงวันที่  31/12/2024  เป็นโสด ยังไม่รับศีลสมรส รวม 0 คน");
  EXPECT_EQ(f->Label4->Caption(), "จำนวน 0 คน");
  Conditions confirmed{3, "1980-01-01", "2024-12-31", 2, 0, 0, 0};
  EXPECT_EQ(run(confirmed), " ผู้รับศีลกำลังวันที่  1/1/1980  ถึงวันที่  31/12/2024  ที่เสียชีวิตแล้ว รวม " +
                                count(confirmed) + " คน");

  // One line a run, in order; a double click clears them.
  ASSERT_EQ(f->Memo1->Lines()->Count(), 6);
  EXPECT_EQ(f->Memo1->Lines()->Strings(0).substr(0, 40), run(living).substr(0, 40));
  EXPECT_EQ(f->Memo1->Lines()->Strings(6), f->StatResultText);
  f->Memo1->OnDblClick(f->Memo1);
  EXPECT_EQ(f->Memo1->Lines()->Count(), 0);

  // Each window keeps its own last run.
  TForm4* other = Open<TForm4>();
  other->FormActivate(other);
  EXPECT_EQ(other->StatResultText, "");
  Choose(other, dead);
  other->Button1->Click();
  EXPECT_NE(other->StatResultText, f->StatResultText);
}

TEST_F(StatisticsTest, FailedRunGivesTheCursorBackAndKeepsTheSummary) {
  TForm4* f = OpenDemo();
  f->Button1->Click();
  ASSERT_EQ(f->Memo1->Lines()->Count(), 1);
  // Activated again (a preview or a box closed over it), the window keeps its summary.
  f->FormActivate(f);
  ASSERT_EQ(f->Memo1->Lines()->Count(), 1);
  std::string last = f->StatResultText;
  Cli("alter table Orvani rename column religion to faith");
  EXPECT_THROW(f->Button1->Click(), EDatabaseError);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(f->Memo1->Lines()->Count(), 1);
  EXPECT_EQ(f->StatResultText, last);
}

TEST_F(StatisticsTest, ExcelBeforeAnyRunSaysInThaiThatThereIsNothingYet) {
  TForm4* f = OpenDemo();
  Boxes();
  f->LumSmoothButton5->Click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ยังไม่มีข้อมูลที่จะส่งออก กรุณากดปุ่ม \"ค้นหาข้อมูล\" ก่อน"});
}

}  // namespace orv::test
