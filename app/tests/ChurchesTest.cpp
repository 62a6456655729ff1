// The churches window on the demo parish: rows changed, added and removed through the grid and
// read back with sqlite3, the three sorts in Thai order, the count, and the envelope's lines.
#include "app/tests/OtherWindowsFixture.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv::test {

class ChurchesTest : public OtherWindowsTest {
 protected:
  TForm3* OpenDemo() {
    MakeDemo(20);
    return Open<TForm3>();
  }
  // The grid's column of field, top to bottom.
  static std::vector<std::string> Shown(TForm3* f, int column) {
    std::vector<std::string> cells;
    for (int row = 0; row < f->DBGrid4->RowCount(); ++row)
      cells.push_back(f->DBGrid4->CellText(row, column));
    return cells;
  }
  std::string Count() { return Cli("select count(*) from church"); }
};

TEST_F(ChurchesTest, ThreeSortsInThaiOrderEachStartingAtTheTop) {
  TForm3* f = OpenDemo();
  EXPECT_EQ(f->Caption(), "รายชื่อวัด");
  EXPECT_EQ(f->Label2->Caption(), "จำนวนข้อมูล " + Count());
  EXPECT_EQ(Shown(f, 0), Lines(Cli("select \"ID-Church\" from church order by \"ID-Church\"")));

  // Thai dictionary order: leading vowels sort by the consonant after them.
  f->ADOQuery1->Last();
  f->Button2->Click();
  EXPECT_EQ(Shown(f, 1),
            (std::vector<std::string>{"กาลหว่าร์", "นักบุญเปโตร", "นักบุญยอแซฟ", "นักบุญอันนา",
                                      "พระคริสตกษัตริย์", "พระหฤทัยแห่งพระเยซูเจ้า", "แม่พระฟาติมา",
                                      "อัสสัมชัญ"}));
  EXPECT_EQ(f->ADOQuery1->RecNo(), 1);
  f->ADOQuery1->Last();
  f->Button3->Click();
  EXPECT_EQ(Shown(f, 2), (std::vector<std::string>{"กาลหว่าร์", "คริสตกษัตริย์", "เปโตร", "พระหฤทัย",
                                                   "ฟาติมา", "ยอแซฟ", "อันนา", "อัสสัมชัญ"}));
  EXPECT_EQ(f->ADOQuery1->RecNo(), 1);
  Cli("insert into church (\"ID-Church\") values ('000001')");
  f->Button1->Click();
  EXPECT_EQ(f->DBGrid4->CellText(0, 0), "000001");
  EXPECT_EQ(f->Label2->Caption(), "จำนวนข้อมูล 9");
}

TEST_F(ChurchesTest, RowsAreChangedAddedAndRemovedThroughTheGrid) {
  TForm3* f = OpenDemo();
  ASSERT_TRUE(testing::IsCellTable(f->DBGrid4));

  // A change in place reaches the file.
  std::string code = f->DBGrid4->CellText(2, 0);
  ASSERT_TRUE(testing::EditCell(f->DBGrid4, 2, 4, "อ.เมือง จ.ลพบุรี 15000"));
  EXPECT_EQ(Cli("select Address2 from church where \"ID-Church\" = '" + code + "'"),
            "อ.เมือง จ.ลพบุรี 15000");

  // Insert adds a row once it has a value; the count follows.
  testing::PressKey(f->DBGrid4, VK_INSERT);
  int row = f->DBGrid4->Row();
  ASSERT_TRUE(testing::EditCell(f->DBGrid4, row, 0, "200001"));
  ASSERT_TRUE(testing::EditCell(f->DBGrid4, row, 1, "วัดนักบุญลูกา"));
  EXPECT_EQ(Cli("select \"Name-Church\" from church where \"ID-Church\" = '200001'"), "วัดนักบุญลูกา");
  EXPECT_EQ(Count(), "9");
  EXPECT_EQ(f->Label2->Caption(), "จำนวนข้อมูล 9");

  // Ctrl+Delete removes the current row after the grid's own question.
  dialogs_->QueueResult(mrOk);
  testing::PressKey(f->DBGrid4, VK_DELETE, true);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการลบรายการนี้หรือ ?"});
  EXPECT_EQ(Cli("select count(*) from church where \"ID-Church\" = '200001'"), "0");
  EXPECT_EQ(f->Label2->Caption(), "จำนวนข้อมูล 8");

  // A double click asks by code and name; No keeps the row and refreshes the count.
  f->ADOQuery1->First();
  std::string first =
      Cli("select \"ID-Church\" || '  ' || \"Name-Church\" from church order by "
          "\"ID-Church\" limit 1");
  dialogs_->QueueResult(mrNo);
  f->Label2->SetCaption("");
  f->DBGrid4->OnDblClick(f->DBGrid4);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการลบข้อมูลของ  " + first + " หรือ ?"});
  EXPECT_EQ(Count(), "8");
  EXPECT_EQ(f->Label2->Caption(), "จำนวนข้อมูล 8");
  f->DBGrid4->OnDblClick(f->DBGrid4);  // Yes
  EXPECT_EQ(Count(), "7");

  // A row without a name is asked about as such; a refused delete says why.
  Cli("insert into church (\"ID-Church\") values ('000000')");
  f->Button1->Click();
  Cli("create trigger keep before delete on church begin select raise(abort, 'ห้ามลบวัด'); end;");
  Boxes();
  f->DBGrid4->OnDblClick(f->DBGrid4);
  std::vector<std::string> shown = Boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], "ต้องการลบข้อมูลซึ่งไม่มี รหัสวัด - ชื่อวัด  หรือ ?");
  EXPECT_NE(shown[1].find("ห้ามลบวัด"), std::string::npos);
  EXPECT_EQ(Count(), "8");
}

TEST_F(ChurchesTest, EnvelopeLinesComeFromTheParishAndTheChurch) {
  TForm3* f = OpenDemo();
  f->FormActivate(f);
  EXPECT_FALSE(f->Panel1->Visible());
  f->ADOQuery1->SetRecNo(3);
  std::string code = f->ADOQuery1->FieldByName("ID-Church")->AsString();
  std::string name = Cli("select \"Name-Church\" from church where \"ID-Church\" = '" + code + "'");

  dialogs_->QueueResult(mrNo);
  f->N1->Click();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการพิมพ์จ่าหน้าซองจดหมายถึง คุณพ่อเจ้าอาวาส วัด" + name +
                                              " หรือ ?"});
  EXPECT_FALSE(f->Panel1->Visible());
  EXPECT_EQ(f->Edit5->Text(), "");

  Cli("update print set ChurchT = 'วัด ''ทดสอบ''', AddrT = '1 ถนน \"ใหม่\"'");
  f->N1->Click();
  EXPECT_TRUE(f->Panel1->Visible());
  // The window becomes active again when the question closes: the panel stays.
  f->FormActivate(f);
  EXPECT_TRUE(f->Panel1->Visible());
  EXPECT_EQ(f->Edit1->Text(), "วัด 'ทดสอบ'");
  EXPECT_EQ(f->Edit2->Text(), "1 ถนน \"ใหม่\"");
  EXPECT_EQ(f->Edit3->Text(), "เรียน");
  EXPECT_EQ(f->Edit4->Text(), "คุณพ่อเจ้าอาวาส ");
  EXPECT_EQ(f->Edit5->Text(), "วัด" + name);
  // The window writes "วัด" itself: the demo parish's names do not begin with it.
  EXPECT_NE(name.rfind("วัด", 0), 0u);
  EXPECT_EQ(Cli("select count(*) from church where \"Name-Church\" like 'วัด%'"), "0");
  EXPECT_EQ(
      f->Edit6->Text() + "|" + f->Edit7->Text(),
      Cli("select Address1 || '|' || Address2 from church where \"ID-Church\" = '" + code + "'"));
  f->BitBtn2->Click();
  EXPECT_FALSE(f->Panel1->Visible());

  // A church without a name or address gives empty lines, not the last church's.
  Cli("insert into church (\"ID-Church\") values ('000000')");
  f->Button1->Click();
  f->N1->Click();
  EXPECT_EQ(f->Edit5->Text(), "");
  EXPECT_EQ(f->Edit6->Text(), "");
  EXPECT_EQ(f->Edit7->Text(), "");
}

}  // namespace orv::test
