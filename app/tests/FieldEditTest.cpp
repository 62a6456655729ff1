// Field-by-field editing through the real editors: typing and Enter, combo boxes, pickers and
// typed dates write their one column and the day of the change, read back with sqlite3.
#include "app/tests/EditingFixture.h"

namespace orv::test {

class FieldEditTest : public ParishTest {
 protected:
  // One member's column as sqlite3 reads it: "[value]", or "null".
  std::string Stored(const std::string& column, const std::string& id) {
    return Cli("select ifnull('[' || " + column + " || ']', 'null') from Orvani where ID = " + id);
  }
  std::string Today() { return Cli("select date('now', 'localtime')"); }
};

TEST_F(FieldEditTest, TextEditorsAndMemosSaveOnEnterTrimmedOrNull) {
  MakeDemo(30);
  Cli("update Orvani set \"Update\" = '2001-01-01', e_mail = 'a@b.th' where ID = 5");
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(5), 0));

  // Quotes, wildcards, a semicolon and Thai are data; blanks around are trimmed.
  TypeAndEnter(f->LabeledEdit7, "  02 'x' \"y\"; 100% _z ไทย  ");
  EXPECT_EQ(Stored("tel", "5"), "[02 'x' \"y\"; 100% _z ไทย]");
  EXPECT_EQ(Stored("\"Update\"", "5"), "[" + Today() + "]");
  EXPECT_EQ(f->Label7->Caption(), ThaiDate(Today()));

  // Empty stores Null; blanks only store the empty text.
  TypeAndEnter(f->LabeledEdit8, "");
  EXPECT_EQ(Stored("e_mail", "5"), "null");
  TypeAndEnter(f->LabeledEdit9, "   ");
  EXPECT_EQ(Stored("old_nm", "5"), "[]");

  // Typing without Enter stores nothing.
  f->LabeledEdit10->SetText("");
  KeyClicks(KeyTarget(f->LabeledEdit10), "ไม่บันทึก");
  EXPECT_EQ(Stored("Old_sur", "5"), "null");

  // A memo keeps its inner line breaks; the one Enter added is trimmed.
  f->Memo1->SetText("");
  KeyClicks(KeyTarget(f->Memo1), "ครู");
  KeyClick(KeyTarget(f->Memo1), Qt::Key_Return, "\r");
  KeyClicks(KeyTarget(f->Memo1), "ช่างไม้");
  KeyClick(KeyTarget(f->Memo1), Qt::Key_Return, "\r");
  EXPECT_EQ(Stored("Occupation", "5"), "[ครู\r\nช่างไม้]");

  // A new name changes the full name beside the photo at once.
  TypeAndEnter(f->LabeledEdit2, "ทดสอบ");
  EXPECT_EQ(Stored("Nm", "5"), "[ทดสอบ]");
  EXPECT_EQ(f->Edit3->Text(), "ทดสอบ " + f->LabeledEdit3->Text());
  // Only member 5 changed.
  EXPECT_EQ(Cli("select count(*) from Orvani where \"Update\" = date('now', 'localtime')"), "1");
}

TEST_F(FieldEditTest, CombosSaveEveryKeystrokeAndPickersEveryChange) {
  MakeDemo(30);
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(6), 0));
  f->ComboBox1->SetText("");
  KeyClicks(KeyTarget(f->ComboBox1), "พุ");
  EXPECT_EQ(Stored("religion", "6"), "[พุ]");
  KeyClicks(KeyTarget(f->ComboBox1), "ทธ");
  EXPECT_EQ(Stored("religion", "6"), "[พุทธ]");
  // Emptied by typing, a combo box stores the empty text, never Null.
  for (int i = 0; i < 4; ++i) KeyClick(KeyTarget(f->ComboBox1), Qt::Key_Backspace);
  EXPECT_EQ(Stored("religion", "6"), "[]");

  // The baptism picker, one day on: the date in the file and in its text.
  std::string before = Cli("select btsm_date from Orvani where ID = 6");
  ASSERT_TRUE(orv::testing::SelectDaySection(f->DateTimePicker4));
  KeyClick(KeyTarget(f->DateTimePicker4), Qt::Key_Up);
  std::string after = Cli("select date('" + before + "', '+1 day')");
  EXPECT_EQ(Stored("btsm_date", "6"), "[" + after + "]");
  EXPECT_EQ(f->LabeledEdit21->Text(), ThaiDate(after));
  EXPECT_EQ(Stored("\"Update\"", "6"), "[" + Today() + "]");
}

// A save reads the member back: what another copy of the register changed meanwhile shows in
// the fields the user has not typed into, so "add at this address" copies the address the
// member has now; what the user typed and has not saved stays as typed.
TEST_F(FieldEditTest, ASaveShowsTheMemberAsItReadItBack) {
  MakeDemo(30);
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(9), 0));
  Cli("update Orvani set Address1 = '99/1 ซอยใหม่', religion = 'อิสลาม', fm_date = '2003-04-05' where ID = 9");
  f->LabeledEdit10->SetText("ยังไม่บันทึก");
  TypeAndEnter(f->LabeledEdit7, "0812345678");
  EXPECT_EQ(Stored("tel", "9"), "[0812345678]");
  EXPECT_EQ(f->LabeledEdit5->Text(), "99/1 ซอยใหม่");
  EXPECT_EQ(f->ComboBox1->Text(), "อิสลาม");
  EXPECT_EQ(f->LabeledEdit27->Text(), "5 เมษายน 2003");
  EXPECT_EQ(f->DateTimePicker5->Date(), PickerDate("2003-04-05"));
  EXPECT_EQ(f->LabeledEdit10->Text(), "ยังไม่บันทึก");
  EXPECT_NE(Stored("Old_sur", "9"), "[ยังไม่บันทึก]");

  dialogs_->QueueResult(mrYes);
  f->LumSmoothButton2Click(f->LumSmoothButton2);
  EXPECT_EQ(Cli("select Address1 from Orvani where ID = (select max(ID) from Orvani)"), "99/1 ซอยใหม่");
}

TEST_F(FieldEditTest, TypedDatesConvertOrAreRefusedAndNeverPostedLater) {
  MakeDemo(30);
  Cli("update Orvani set fm_date = '2000-02-03' where ID = 7");
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(7), 0));
  TypeAndEnter(f->LabeledEdit27, "15/3/99");
  EXPECT_EQ(Stored("fm_date", "7"), "[1999-03-15]");
  EXPECT_EQ(f->LabeledEdit27->Text(), "15 มีนาคม 1999");
  EXPECT_EQ(f->DateTimePicker5->Date(), PickerDate("1999-03-15"));

  // The long form the display shows is no typed date: the message, the stored date back.
  const String message =
      "เพื่อการใส่วัน เดือน ปี ที่ถูกต้องกรุณาเลือกวันที่จากปฏิทิน ซึ่งซ่อนอยู่ในสามเหลี่ยมด้านขวา\r"
      "ถ้าต้องการใส่วิธีนี้จะต้องใส่เป็นตัวเลขเช่น  15/3/99 \r"
      "ทะเบียนนี้เก็บปีเป็น ค.ศ. เช่นเดียวกับที่พิมพ์ในใบรับรอง (ปี พ.ศ. 2542 คือ ค.ศ. 1999)";
  // A year of the Buddhist era, as Thai offices write dates, is no year of the register.
  for (const char* bad : {"15 มีนาคม 1999", "31/2/2020", "'; drop table Orvani; --", "15/3/2542",
                          "1/1/2470"}) {
    SCOPED_TRACE(bad);
    size_t boxes = dialogs_->Shown().size();
    TypeAndEnter(f->LabeledEdit27, bad);
    ASSERT_EQ(dialogs_->Shown().size(), boxes + 1);
    EXPECT_EQ(dialogs_->LastText(), message);
    EXPECT_EQ(f->LabeledEdit27->Text(), "15 มีนาคม 1999");
    EXPECT_EQ(Stored("fm_date", "7"), "[1999-03-15]");
  }
  // A later save of another field does not carry the refused date with it.
  TypeAndEnter(f->LabeledEdit28, "12");
  EXPECT_EQ(Stored("fm_No", "7"), "[12]");
  EXPECT_EQ(Stored("fm_date", "7"), "[1999-03-15]");
  // Empty clears the date.
  TypeAndEnter(f->LabeledEdit27, "");
  EXPECT_EQ(Stored("fm_date", "7"), "null");
  EXPECT_EQ(f->LabeledEdit27->Text(), "");
}

TEST_F(FieldEditTest, ARefusedSaveIsReportedAndNotPostedByTheNext) {
  MakeDemo(30);
  Cli("update Orvani set tel = 'เดิม' where ID = 8;");
  TForm1* f = Start();
  // Another program's trigger, made while the parish is open: one in the file is refused at
  // start-up.
  Cli("create trigger KeepTel before update of tel on Orvani begin "
      "select raise(abort, 'ห้ามแก้เบอร์โทร'); end;");
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(8), 0));
  TypeAndEnter(f->LabeledEdit7, "0811111111");
  EXPECT_NE(dialogs_->LastText().find("ห้ามแก้เบอร์โทร"), String::npos) << dialogs_->LastText();
  TypeAndEnter(f->LabeledEdit8, "x@y.th");
  EXPECT_EQ(Stored("e_mail", "8"), "[x@y.th]");
  EXPECT_EQ(Stored("tel", "8"), "[เดิม]");
}

TEST_F(FieldEditTest, AParishLockedByAnotherProgramSaysSoInThaiAndKeepsTheField) {
  MakeDemo(10);
  Cli("update Orvani set e_mail = 'old@b.th' where ID = 4");
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(4), 0));
  // Another program in the middle of a write holds the parish for longer than the save waits.
  TADOConnection other(nullptr);
  other.SetDatabaseFile(Db());
  other.Execute("begin immediate");
  TypeAndEnter(f->LabeledEdit8, "new@b.th");
  EXPECT_EQ(dialogs_->LastText(),
            "เขียนทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() +
                "\nสาเหตุ: โปรแกรมอื่นกำลังใช้ทะเบียนวัดนี้อยู่ (ฐานข้อมูลถูกล็อก)\n"
                "ข้อมูลในช่องนี้จึงยังไม่ได้บันทึก ให้ปิดหรือรอโปรแกรมนั้นทำงานเสร็จ แล้วลองอีกครั้ง");
  EXPECT_EQ(dialogs_->Shown().back().Caption, "OrvaneIDv4.5");
  other.Execute("rollback");
  EXPECT_EQ(Stored("e_mail", "4"), "[old@b.th]");
  // Once the other program lets go, the field saves.
  TypeAndEnter(f->LabeledEdit8, "new@b.th");
  EXPECT_EQ(Stored("e_mail", "4"), "[new@b.th]");
}

TEST_F(FieldEditTest, MoveEditorsWriteTheMoveAndTheMembersOwnColumns) {
  MakeDemo(30);
  std::string id = Cli("select min(OrvID) from Move");
  std::string move = Cli("select max(ID) from Move where OrvID = " + id);
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(static_cast<Int64>(std::stoll(id))), 0));
  auto moved = [&](const std::string& column) {
    return Cli("select ifnull('[' || " + column + " || ']', 'null') from Move where ID = " + move);
  };
  Cli("update Orvani set \"Update\" = '2001-01-01' where ID = " + id);
  TypeAndEnter(f->LabeledEdit60, " คุณพ่อ \"ยอห์น\" ");
  EXPECT_EQ(moved("MoveInBy"), "[คุณพ่อ \"ยอห์น\"]");
  // The move's own editors leave the member's last change alone.
  EXPECT_EQ(Stored("\"Update\"", id), "[2001-01-01]");

  TypeAndEnter(f->LabeledEdit61, "วัดใหม่");
  EXPECT_EQ(moved("FromChurch"), "[วัดใหม่]");
  EXPECT_EQ(Stored("From_church", id), "[วัดใหม่]");
  EXPECT_EQ(f->LabeledEdit18->Text(), "วัดใหม่");
  EXPECT_EQ(Stored("\"Update\"", id), "[" + Today() + "]");

  TypeAndEnter(f->LabeledEdit59, "2/1/2003");
  EXPECT_EQ(moved("DateIn"), "[2003-01-02]");
  EXPECT_EQ(Stored("DateIn", id), "[2003-01-02]");
  EXPECT_EQ(f->LabeledEdit17->Text(), "2 มกราคม 2003");
  TypeAndEnter(f->LabeledEdit59, "");
  EXPECT_EQ(moved("DateIn"), "null");
  EXPECT_EQ(Stored("DateIn", id), "null");

  // The member's move fields outside the moves page only point there.
  KeyClick(KeyTarget(f->LabeledEdit18), Qt::Key_A, "a");
  EXPECT_EQ(dialogs_->LastText(), "กรุณาใส่ข้อมูลใน Tab รายการย้าย");
  EXPECT_EQ(Stored("From_church", id), "[วัดใหม่]");
}

TEST_F(FieldEditTest, EditorsWithNoMemberOnScreenWriteNothing) {
  MakeDemo(30);
  TForm1* f = Start();
  // A search that finds nobody leaves no member to write to.
  f->Edit1->SetText("ไม่มีชื่อนี้");
  Word enter = VK_RETURN;
  f->Edit1KeyUp(f->Edit1, enter, {});
  ASSERT_TRUE(f->ADOQuery1->IsEmpty());
  TypeAndEnter(f->LabeledEdit7, "0812345678");
  TypeAndEnter(f->LabeledEdit27, "1/1/2001");
  TypeAndEnter(f->LabeledEdit60, "ใคร");
  TypeAndEnter(f->LabeledEdit43, "สมชาย ใจดี");
  f->ComboBox1->SetText("");
  KeyClicks(KeyTarget(f->ComboBox1), "พุทธ");
  EXPECT_EQ(Cli("select count(*) from Orvani"), "30");
  EXPECT_EQ(Cli("select count(*) from Orvani where tel = '0812345678' or religion = 'พุทธ'"), "0");
  EXPECT_EQ(Cli("select count(*) from Move where MoveInBy = 'ใคร' or OrvID is null"), "0");
}

}  // namespace orv::test
