// Writes the parish refuses, as the user meets them: a full disk (a file-size limit), a member
// deleted by another program meanwhile, a trigger, a lock held by another program, a parish that
// may only be read. Each box says in Thai what was not saved, names the parish file and the
// cause, and carries the caption of its window; sqlite3 finds nothing half-written.
#include <sys/resource.h>

#include <csignal>
#include <cstring>

#include "app/tests/EditingFixture.h"
#include "app/tests/OtherWindowsFixture.h"

namespace orv::test {

class WriteFailureTest : public OtherWindowsTest {
 protected:
  void SetUp() override {
    OtherWindowsTest::SetUp();
    // The office's language; the texts are the program's own whatever the locale.
    setenv("LANG", "th_TH.UTF-8", 1);
  }
  std::string Stored(const std::string& column, const std::string& id) {
    return Cli("select ifnull('[' || " + column + " || ']', 'null') from Orvani where ID = " + id);
  }
  std::string Message(const std::string& cause, const std::string& rest) {
    return "เขียนทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() + "\nสาเหตุ: " + cause + "\n" + rest;
  }
  const TScriptedDialogService::TShownBox& LastBox() { return dialogs_->Shown().back(); }
};

TEST_F(WriteFailureTest, AFieldSavedOnAFullDiskIsNotSavedAndSavesOnEnterOnceThereIsRoom) {
  MakeDemo(10);
  Cli("update Orvani set e_mail = 'old@b.th' where ID = 3");
  TForm1* f = StartMain();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(3), 0));
  // A file-size limit stops the write as a full disk does; the program lives on.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit none = saved;
  none.rlim_cur = 0;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
  TypeAndEnter(f->LabeledEdit8, "full@b.th");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(dialogs_->LastText(),
            Message("แฟ้มใหญ่เกินกว่าที่ระบบยอมให้ (" + std::string(std::strerror(EFBIG)) + ")",
                    "ข้อมูลในช่องนี้จึงยังไม่ได้บันทึก ให้ทำที่ว่างบนดิสก์ แล้วลองอีกครั้ง"));
  EXPECT_EQ(LastBox().Caption, "OrvaneIDv4.5");
  EXPECT_EQ(Stored("e_mail", "3"), "[old@b.th]");
  // The field still shows what was typed: Enter saves it.
  EXPECT_EQ(f->LabeledEdit8->Text(), "full@b.th");
  KeyClick(KeyTarget(f->LabeledEdit8), Qt::Key_Return, "\r");
  EXPECT_EQ(Stored("e_mail", "3"), "[full@b.th]");
}

TEST_F(WriteFailureTest, AMemberDeletedMeanwhileAndATriggersRefusalAreTold) {
  MakeDemo(10);
  TForm1* f = StartMain();
  // Made while the parish is open: a trigger already in the file is refused at start-up.
  Cli("create trigger KeepTel before update of tel on Orvani begin "
      "select raise(abort, 'ห้ามแก้เบอร์โทร'); end;");
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(4), 0));
  TypeAndEnter(f->LabeledEdit7, "0811111111");
  EXPECT_EQ(dialogs_->LastText(), Message("ฐานข้อมูลไม่ยอมรับการเปลี่ยนแปลงนี้: ห้ามแก้เบอร์โทร",
                                          "ข้อมูลในช่องนี้จึงยังไม่ได้บันทึก"));

  Cli("delete from Orvani where ID = 4");
  TypeAndEnter(f->LabeledEdit8, "gone@b.th");
  EXPECT_EQ(dialogs_->LastText(),
            Message("รายการนี้ถูกลบหรือแก้ไขโดยโปรแกรมอื่นไปแล้ว หลังจากที่เปิดขึ้นมาดู",
                    "ข้อมูลในช่องนี้จึงยังไม่ได้บันทึก ให้ค้นหาใหม่เพื่อดูข้อมูลล่าสุด"));
  EXPECT_EQ(LastBox().Caption, "OrvaneIDv4.5");
  EXPECT_EQ(Cli("select count(*) from Orvani where ID = 4"), "0");
}

TEST_F(WriteFailureTest, AChurchDeletedOrEditedUnderALockStaysAsItWas) {
  MakeDemo(10);
  TForm3* f = Open<TForm3>();
  std::string table = Cli("select * from church order by rowid");
  TADOConnection other(nullptr);
  other.SetDatabaseFile(Db());
  other.Execute("begin immediate");
  f->DBGrid4DblClick(f->DBGrid4);
  EXPECT_EQ(dialogs_->LastText(),
            Message("โปรแกรมอื่นกำลังใช้ทะเบียนวัดนี้อยู่ (ฐานข้อมูลถูกล็อก)",
                    "รายการนี้จึงยังไม่ได้ลบ ให้ปิดหรือรอโปรแกรมนั้นทำงานเสร็จ แล้วลองอีกครั้ง"));
  EXPECT_EQ(LastBox().Caption, "รายชื่อวัด");
  EXPECT_EQ(LastBox().Type, mtError);
  EXPECT_EQ(f->Label2->Caption(), "จำนวนข้อมูล 8");

  // An edit in the grid: dropped, told once the editor is closed, nothing left to post.
  size_t boxes = dialogs_->Shown().size();
  EXPECT_FALSE(testing::EditCell(f->DBGrid4, 0, 1, "ชื่อใหม่"));
  QCoreApplication::processEvents();
  ASSERT_EQ(dialogs_->Shown().size(), boxes + 1);
  EXPECT_EQ(dialogs_->LastText(),
            Message("โปรแกรมอื่นกำลังใช้ทะเบียนวัดนี้อยู่ (ฐานข้อมูลถูกล็อก)",
                    "การเปลี่ยนแปลงนี้จึงยังไม่ได้บันทึก ให้ปิดหรือรอโปรแกรมนั้นทำงานเสร็จ แล้วลองอีกครั้ง"));
  EXPECT_EQ(LastBox().Caption, "รายชื่อวัด");
  EXPECT_EQ(f->ADOQuery1->State(), dsBrowse);
  other.Execute("rollback");
  EXPECT_EQ(Cli("select * from church order by rowid"), table);
}

TEST_F(WriteFailureTest, AParishThatMayOnlyBeReadIsToldInTheNotificationsWindow) {
  MakeDemo(10);
  TForm2* f = Open<TForm2>();
  std::string notices = Cli("select * from MarriageNotify order by rowid");
  // The connection refuses every write, as that of a parish opened read-only.
  Form1->ADOConnection1->Execute("pragma query_only = 1");
  Boxes();
  // As the window's key handling does: what the handler throws ends in the error box.
  try {
    Type(f->LabeledEdit16, "พยาน");
  } catch (...) {
    Application->HandleException(f->LabeledEdit16);
  }
  EXPECT_EQ(Boxes(), std::vector<std::string>{Message(
                         "ทะเบียนวัดนี้เขียนไม่ได้ เปิดได้เพื่ออ่านอย่างเดียว (แฟ้มหรือโฟลเดอร์ไม่ยอมให้เขียน)",
                         "ข้อมูลในช่องนี้จึงยังไม่ได้บันทึก")});
  EXPECT_EQ(LastBox().Caption, "ใบแจ้งการสมรส");
  f->DBGrid1DblClick(f->DBGrid1);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(dialogs_->LastText(),
            Message("ทะเบียนวัดนี้เขียนไม่ได้ เปิดได้เพื่ออ่านอย่างเดียว (แฟ้มหรือโฟลเดอร์ไม่ยอมให้เขียน)",
                    "รายการนี้จึงยังไม่ได้ลบ"));
  EXPECT_EQ(LastBox().Caption, "ใบแจ้งการสมรส");
  EXPECT_EQ(Cli("select * from MarriageNotify order by rowid"), notices);
}

}  // namespace orv::test
