// Adding members and moves and deleting them, with the question answered both ways through the
// dialog service: the rows in the file, the count label and the row on screen afterwards.
#include "app/tests/EditingFixture.h"

namespace orv::test {

class MemberAddDeleteTest : public ParishTest {
 protected:
  std::string Count() { return Cli("select count(*) from Orvani"); }
};

TEST_F(MemberAddDeleteTest, AddedMembersTakeTheDefaultsOnScreenAndBecomeTheCurrentRow) {
  MakeDemo(40);
  TForm1* f = Start();
  // A search result on screen; the new member brings back the whole list.
  f->Edit1->SetText("สม");
  Word enter = VK_RETURN;
  f->Edit1KeyUp(f->Edit1, enter, {});
  ASSERT_LT(f->ADOQuery1->RecordCount(), 40);

  dialogs_->QueueResult(mrNo);
  f->LumSmoothButton1Click(f->LumSmoothButton1);
  EXPECT_EQ(dialogs_->LastText(), "ต้องการเพิ่มข้อมูลบุคคลใหม่ โดยพิมพ์ที่อยู่เองทั้งหมด หรือ ?");
  EXPECT_EQ(Count(), "40");

  // Defaults as they stand on screen, saved or not; an empty one sets nothing.
  f->Edit10->SetText("100234-");
  f->ComboBox10->SetText("พุทธ");
  f->Edit12->SetText("");
  f->Edit13->SetText("วัด 'ก'");
  dialogs_->QueueResult(mrYes);
  f->LumSmoothButton1Click(f->LumSmoothButton1);
  std::string id = Cli("select max(ID) from Orvani");
  EXPECT_EQ(id, "41");
  EXPECT_EQ(Cli("select NUM, religion, ifnull(Address2, 'null'), btsm_wat, fm_wat, cnfm_wat, "
                "ifnull(Nm, 'null') from Orvani where ID = 41"),
            "100234-|พุทธ|null|วัด 'ก'|" + Cli("select Church2 from print") + "|" +
                Cli("select Church3 from print") + "|null");
  EXPECT_EQ(f->ADOQuery1->RecordCount(), 41);
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  41 รายการ");
  EXPECT_EQ(f->ADOQuery1->FieldByName("ID")->AsString(), "41");
  EXPECT_EQ(f->ADOQuery6->FieldByName("ID")->AsString(), "41");

  // At the address of the member on screen: an empty house number is stored empty, not Null.
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(3), 0));
  f->LabeledEdit5->SetText("");
  std::string district = f->LabeledEdit6->Text();
  std::string names = Cli("select Nm || '  ' || sur from Orvani where ID = 3");
  dialogs_->QueueResult(mrYes);
  f->LumSmoothButton2Click(f->LumSmoothButton2);
  EXPECT_EQ(dialogs_->LastText(), "ต้องการเพิ่มข้อมูลบุคคลใหม่ โดยใช้ที่อยู่ของ " + names + " หรือ ?");
  EXPECT_EQ(Cli("select '[' || Address1 || ']', Address2 from Orvani where ID = 42"),
            "[]|" + district);
  EXPECT_EQ(f->ADOQuery1->FieldByName("ID")->AsString(), "42");
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  42 รายการ");
}

TEST_F(MemberAddDeleteTest, DeletingAsksUsesNewKeysAndReportsAFailedDelete) {
  MakeDemo(20);
  Cli("insert into Move (OrvID, NUM, MoveInBy) values (20, 'X', 'เดิม')");
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(20), 0));
  std::string names = Cli("select Nm || '  ' || sur from Orvani where ID = 20");
  dialogs_->QueueResult(mrNo);
  f->DBGrid1DblClick(f->DBGrid1);
  EXPECT_EQ(dialogs_->LastText(), "ต้องการลบข้อมูลของ  คุณ" + names + " หรือ ?");
  EXPECT_EQ(Count(), "20");

  dialogs_->QueueResult(mrYes);
  f->DBGrid1DblClick(f->DBGrid1);
  EXPECT_EQ(Count(), "19");
  EXPECT_EQ(Cli("select count(*) from Orvani where ID = 20"), "0");
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  19 รายการ");
  EXPECT_NE(f->ADOQuery1->FieldByName("ID")->AsString(), "20");

  // The deleted member's key is never given again: its moves stay nobody's.
  dialogs_->QueueResult(mrYes);
  f->LumSmoothButton1Click(f->LumSmoothButton1);
  EXPECT_EQ(Cli("select max(ID) from Orvani"), "21");
  EXPECT_EQ(f->ADOQuery4->RecordCount(), 0);
  EXPECT_EQ(Cli("select count(*) from Move where OrvID = 20"), "1");

  // The question for a member without a name.
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(21), 0));
  dialogs_->QueueResult(mrNo);
  f->DBGrid1DblClick(f->DBGrid1);
  EXPECT_EQ(dialogs_->LastText(), "ต้องการลบข้อมูลซึ่งไม่มี ชื่อ และ นามสกุล  หรือ ?");

  // A delete the database refuses is reported, and the member stays.
  Cli("create trigger KeepMembers before delete on Orvani begin "
      "select raise(abort, 'ห้ามลบสมาชิก'); end;");
  dialogs_->QueueResult(mrYes);
  f->DBGrid1DblClick(f->DBGrid1);
  EXPECT_NE(dialogs_->LastText().find("ห้ามลบสมาชิก"), String::npos) << dialogs_->LastText();
  EXPECT_EQ(dialogs_->Shown().back().Type, mtError);
  EXPECT_EQ(Count(), "20");
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  20 รายการ");
}

TEST_F(MemberAddDeleteTest, MovesAreAddedToTheMemberAndDeletingTheLastDisablesTheEditors) {
  MakeDemo(20);
  std::string id = Cli("select min(ID) from Orvani o where not exists "
                       "(select 1 from Move m where m.OrvID = o.ID)");
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(static_cast<Int64>(std::stoll(id))), 0));
  ASSERT_FALSE(f->LabeledEdit60->Enabled());
  std::string names = Cli("select Nm || '  ' || sur from Orvani where ID = " + id);
  dialogs_->QueueResult(mrNo);
  f->LumSmoothButton3Click(f->LumSmoothButton3);
  EXPECT_EQ(dialogs_->LastText(), "ต้องการสร้างข้อมูลการย้ายของ  คุณ" + names + " หรือ ?");
  EXPECT_EQ(Cli("select count(*) from Move where OrvID = " + id), "0");

  dialogs_->QueueResult(mrYes);
  f->LumSmoothButton3Click(f->LumSmoothButton3);
  EXPECT_EQ(Cli("select NUM from Move where OrvID = " + id),
            Cli("select NUM from Orvani where ID = " + id));
  EXPECT_TRUE(f->LabeledEdit60->Enabled());
  EXPECT_TRUE(f->DateTimePicker11->Enabled());
  EXPECT_EQ(f->LumSmoothTabPager1->ActivePage(), f->LumSmoothTabPage4);
  ExpectLastMoveShown(f);

  std::string move = Cli("select ID from Move where OrvID = " + id);
  dialogs_->QueueResult(mrNo);
  f->DBGrid3DblClick(f->DBGrid3);
  EXPECT_EQ(dialogs_->LastText(), "ต้องการลบข้อมูล No" + move + " หรือ ?");
  dialogs_->QueueResult(mrYes);
  f->DBGrid3DblClick(f->DBGrid3);
  EXPECT_EQ(Cli("select count(*) from Move where OrvID = " + id), "0");
  EXPECT_FALSE(f->LabeledEdit60->Enabled());
  EXPECT_FALSE(f->DateTimePicker12->Enabled());
}

}  // namespace orv::test
