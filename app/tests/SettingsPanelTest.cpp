// The settings panel: each editor saves its column of the settings row on Enter, exactly as
// typed or Null; the parish code is picked from the church list and trimmed when it is left.
#include "app/tests/EditingFixture.h"
#include "platform/gui/Bitmap.h"

namespace orv::test {

class SettingsPanelTest : public ParishTest {
 protected:
  std::string Setting(const std::string& column) {
    return Cli("select ifnull('[' || " + column + " || ']', 'null') from print");
  }
};

TEST_F(SettingsPanelTest, EditorsSaveTheirColumnAsTypedOrNull) {
  MakeDemo(10);
  TForm1* f = Start();
  EXPECT_EQ(f->Edit5->Text(), Cli("select ChurchT from print"));
  f->N1Click(f->N1);
  EXPECT_TRUE(f->GroupBox3->Visible());
  EXPECT_EQ(f->GroupBox3->Left(), 195);

  // Blanks are kept in the panel; quotes are data.
  TypeAndEnter(f->Edit5, " วัด \"ใหม่\" 'ก' ");
  EXPECT_EQ(Setting("ChurchT"), "[ วัด \"ใหม่\" 'ก' ]");
  TypeAndEnter(f->Edit9, "");
  EXPECT_EQ(Setting("Father"), "null");
  // Keys other than Enter save nothing.
  f->Edit12->SetText("");
  KeyClicks(KeyTarget(f->Edit12), "ยังไม่บันทึก");
  EXPECT_NE(Setting("Provience"), "[ยังไม่บันทึก]");

  // A report closed the settings query: Enter still saves.
  f->ADOQuery3->Close();
  TypeAndEnter(f->Edit15, "วัดนักบุญเปโตร");
  EXPECT_EQ(Setting("Church3"), "[วัดนักบุญเปโตร]");

  // The religion chosen from the list.
  f->ComboBox10->SetItemIndex(2);
  f->ComboBox10Select(f->ComboBox10);
  EXPECT_EQ(Setting("Religion"), "[พุทธ]");
  EXPECT_EQ(Cli("select count(*) from print"), "1");

  f->Button1Click(f->Button1);
  EXPECT_FALSE(f->GroupBox3->Visible());
}

TEST_F(SettingsPanelTest, ParishCodeIsPickedFromTheChurchList) {
  MakeDemo(10);
  TForm1* f = Start();
  f->N1Click(f->N1);
  f->Edit10->SetText("");
  KeyClicks(KeyTarget(f->Edit10), "1003");
  EXPECT_TRUE(f->DBGrid4->Visible());
  EXPECT_EQ(f->ADOQuery9->FieldByName("ID-Church")->AsString(),
            Cli("select min(\"ID-Church\") from church where \"ID-Church\" like '1003%'"));
  f->DBGrid4CellClick(nullptr);
  EXPECT_EQ(f->Edit10->Text(), f->ADOQuery9->FieldByName("ID-Church")->AsString() + "-");

  // Enter keeps the trailing blank; leaving the grid trims it.
  TypeAndEnter(f->Edit10, "100310 ");
  EXPECT_EQ(Setting("ID"), "[100310 ]");
  EXPECT_FALSE(f->DBGrid4->Visible());
  f->DBGrid4Exit(f->DBGrid4);
  EXPECT_EQ(Setting("ID"), "[100310]");
}

TEST_F(SettingsPanelTest, TheChurchPickerShowsCodeNameAndShortNameWideEnoughToRead) {
  MakeDemo(10);
  TForm1* f = Start();
  f->N1Click(f->N1);
  KeyClicks(KeyTarget(f->Edit10), "1");
  ASSERT_TRUE(f->DBGrid4->Visible());
  const char* titles[] = {"ID-Church", "Name", "Gen-name"};
  ASSERT_EQ(f->DBGrid4->Columns().Count(), 3);
  // Each column as wide as the longest value sqlite3 finds for it (and its title), all three
  // inside the grid.
  const char* columns[] = {"\"ID-Church\"", "\"Name-Church\"", "\"gen-name-church\""};
  TBitmap measure(10, 10);
  measure.Canvas().Font().Assign(f->DBGrid4->Font());
  int total = 0;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(f->DBGrid4->TitleText(i), titles[i]);
    int widest = measure.Canvas().TextWidth(titles[i]);
    for (const std::string& value :
         Lines(Cli(std::string("select distinct ") + columns[i] + " from church where " + columns[i] + " is not null")))
      widest = std::max(widest, measure.Canvas().TextWidth(value));
    int width = f->DBGrid4->Columns()[i]->Width();
    EXPECT_GE(width, widest + 4) << titles[i];
    total += width;
  }
  EXPECT_LE(total, f->DBGrid4->Width());
  EXPECT_LE(f->DBGrid4->Left() + f->DBGrid4->Width(), f->GroupBox3->Width());
}

}  // namespace orv::test
