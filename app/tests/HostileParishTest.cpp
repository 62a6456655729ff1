// Parish folders as bad luck or another program leaves them: the file replaced while the program
// runs, one very long name, a pipe where a file belongs, another program's triggers and a foreign
// members' table. Each is told, and the file is left whole, as sqlite3 reads it afterwards.
#include <sys/stat.h>

#include <fstream>

#include "app/ParishFolder.h"
#include "app/tests/EditingFixture.h"
#include "platform/gui/Picture.h"

namespace orv::test {

class HostileParishTest : public ParishTest {
 protected:
  // The text of the start-up refusal, or "" when the window started.
  std::string Refusal() {
    try {
      Start();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }
  // A copy of the parish as it is now, merged into one file.
  std::string Backup() {
    Cli("pragma wal_checkpoint(truncate)");
    std::string backup = (dir_ / "backup.db").string();
    std::filesystem::copy_file(Db(), backup, std::filesystem::copy_options::overwrite_existing);
    return backup;
  }
  std::string Tel(int id) { return Cli("select ifnull(tel, 'null') from Orvani where ID = " + std::to_string(id)); }
  // A save of member 8's telephone number, which must be refused naming the file.
  void ExpectSaveRefused(TForm1* f) {
    ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(8), 0));
    TypeAndEnter(f->LabeledEdit7, "0899999999");
    EXPECT_EQ(dialogs_->LastText(),
              "เขียนทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() +
                  "\nสาเหตุ: แฟ้มถูกย้าย ลบ หรือมีแฟ้มอื่นมาแทนที่ ตั้งแต่โปรแกรมเปิดแฟ้มนี้\n"
                  "ข้อมูลในช่องนี้จึงยังไม่ได้บันทึก ให้ปิดโปรแกรมแล้วเปิดใหม่ เพื่อใช้แฟ้มที่อยู่ที่นั่นตอนนี้");
  }
  // A backup copied over the open parish after a save, and after otherProgram's statements
  // (when given) run by sqlite3: the next save is refused, and the backup stays whole.
  void CopiedOverAfter(const std::string& otherProgram) {
    MakeDemo(30);
    Cli("update Orvani set tel = 'สำรอง' where ID = 8");
    const std::string bytes = FileBytes(Backup());
    TForm1* f = Start();
    ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(8), 0));
    TypeAndEnter(f->LabeledEdit7, "0811111111");
    if (!otherProgram.empty()) Cli(otherProgram);
    // Written into the same file, as cp does.
    std::ofstream(Db(), std::ios::binary | std::ios::trunc) << bytes;
    ExpectSaveRefused(f);
    ExpectTheBackupWhole("สำรอง");
  }
  // After the program let go of it: the parish is the backup, whole, and opens again without a
  // word.
  void ExpectTheBackupWhole(const std::string& tel) {
    Stop();
    EXPECT_EQ(Cli("pragma integrity_check"), "ok");
    EXPECT_EQ(Tel(8), tel);
    const size_t boxes = dialogs_->Shown().size();
    TForm1* f = Start();
    EXPECT_EQ(dialogs_->Shown().size(), boxes) << dialogs_->LastText();
    EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  30 รายการ");
    Stop();
    EXPECT_EQ(Cli("pragma integrity_check"), "ok");
    EXPECT_EQ(Tel(8), tel);
  }
};

TEST_F(HostileParishTest, AParishMovedOverTheOpenOneRefusesTheSaveAndStaysWhole) {
  MakeDemo(30);
  Cli("update Orvani set tel = 'สำรอง' where ID = 8");
  const std::string backup = Backup();
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(8), 0));
  TypeAndEnter(f->LabeledEdit7, "0811111111");
  ASSERT_EQ(Tel(8), "0811111111");
  std::filesystem::rename(backup, Db());
  ExpectSaveRefused(f);
  ExpectTheBackupWhole("สำรอง");
}

TEST_F(HostileParishTest, AParishCopiedOverTheOpenOneRefusesTheSaveAndStaysWhole) { CopiedOverAfter(""); }

TEST_F(HostileParishTest, ABackupCopiedOverAfterAnotherProgramsCommitRefusesTheSaveAndStaysWhole) {
  // Another program commits: its change waits in the log, written for the file that is there.
  CopiedOverAfter("update Orvani set Nm = Nm || ' อื่น' where ID % 3 = 0");
  EXPECT_EQ(Cli("select count(*) from Orvani where Nm like '% อื่น'"), "0");
}

TEST_F(HostileParishTest, ALogWrittenForAnotherParishIsRefusedAndTheParishLeftAsItWas) {
  MakeDemo(30);
  Cli("pragma wal_checkpoint(truncate)");
  // Another parish of its own history, ended with a change still in its log.
  const std::string other = (dir_ / "other.db").string();
  Sqlite3(other, "create table t (x); insert into t values (1); insert into t values (2);");
  std::string out;
  ASSERT_EQ(RunShell("python3 -c \"import sqlite3, os; c = sqlite3.connect('" + other +
                         "'); c.execute('pragma journal_mode=wal'); c.execute('create table u (y)'); c.commit(); "
                         "os._exit(0)\"",
                     out),
            0)
      << out;
  std::filesystem::remove(Db() + "-shm");
  std::filesystem::copy_file(other + "-wal", Db() + "-wal", std::filesystem::copy_options::overwrite_existing);
  const std::string before = FileBytes(Db());
  EXPECT_EQ(Refusal(), "เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() + "\nสาเหตุ: แฟ้มบันทึกการเปลี่ยนแปลง " + Db() +
                           "-wal ที่อยู่ข้างแฟ้มนี้ ไม่ได้เขียนไว้สำหรับแฟ้มนี้ (เช่น คัดลอกแฟ้มสำรองมาทับหลังจากโปรแกรมหยุดกลางคัน) "
                           "ถ้าเปิดจะได้ข้อมูลสองแฟ้มปนกัน จึงไม่เปิด: ถ้าแฟ้มนี้คือแฟ้มสำรองที่ต้องการใช้ ให้ย้ายแฟ้ม " +
                           Db() + "-wal และ " + Db() + "-shm ออกไปจากโฟลเดอร์ก่อน แล้วเปิดใหม่");
  EXPECT_TRUE(FileBytes(Db()) == before) << "the parish was written";
  // Moved away as the message says, the parish opens as it was.
  std::filesystem::remove(Db() + "-wal");
  TForm1* f = Start();
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  30 รายการ");
}

TEST_F(HostileParishTest, WhatStartUpAddedIsInTheFileBeforeAnyoneCopiesOverIt) {
  // A new parish: start-up adds the search indexes, and the older copy put over it has none.
  MakeDemo(30);
  Cli("update Orvani set tel = 'สำรอง' where ID = 8");
  const std::string bytes = FileBytes(Backup());
  Cli("update Orvani set Nm = Nm || ' ใหม่', tel = 'ใหม่'; delete from Move where ID % 2 = 0;");
  Start();
  std::ofstream(Db(), std::ios::binary | std::ios::trunc) << bytes;
  ExpectTheBackupWhole("สำรอง");
}

TEST_F(HostileParishTest, AMillionLetterNameIsSortedWithTheOthers) {
  MakeDemo(30);
  // One call for the whole sort key: built in pieces the same name held start-up for minutes.
  std::string name;
  for (int i = 0; i < 1000000 / 4; ++i) name += "ชมพู";
  {
    TADOConnection writer(nullptr);
    writer.SetDatabaseFile(Db());
    TADOCommand update(nullptr);
    update.SetConnection(&writer);
    update.SetCommandText("update Orvani set Nm = :name where ID = 8");
    update.Parameters().ParamByName("name")->SetValue(name);
    update.Execute();
  }
  ASSERT_EQ(Cli("select length(Nm) from Orvani where ID = 8"), "1000000");
  TForm1* f = Start();
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  30 รายการ");
  EXPECT_TRUE(f->ADOQuery1->Locate("ID", Variant(8), 0));
  EXPECT_EQ(f->ADOQuery1->FieldByName("Nm")->AsString().size(), name.size());
}

TEST_F(HostileParishTest, AColumnAnotherProgramAddedToTheMembersIsNeverRead) {
  // A megabyte in a column of another program's on every member: the register reads its own
  // columns by name, and shows, searches and counts the members as ever.
  MakeDemo(30);
  Cli("alter table Orvani add column Scan blob; update Orvani set Scan = zeroblob(1000000);");
  TForm1* f = Start();
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  30 รายการ");
  for (TDataSet* members : {static_cast<TDataSet*>(f->ADOQuery1), static_cast<TDataSet*>(f->ADOQuery6)}) {
    EXPECT_EQ(members->FindField("Scan"), nullptr);
    EXPECT_NE(members->FindField("Update"), nullptr);
  }
}

TEST_F(HostileParishTest, TheChecksOfCellsAndColumnsPassAFiftyThousandMemberParish) {
  // The ordinary large parish, with one name of the longest a field takes.
  MakeDemo(50000);
  Cli("update Orvani set Nm = replace(hex(zeroblob(500000)), '00', 'ชม') where ID = 8");
  ASSERT_EQ(Cli("select length(Nm) from Orvani where ID = 8"), "1000000");
  const TParishDatabase parish = PrepareParishDatabase(dir_.string());
  EXPECT_EQ(parish.FileName, Db());
  EXPECT_FALSE(parish.ReadOnly);
}

TEST_F(HostileParishTest, APipeWhereTheParishOrAPictureBelongsIsRefusedAtOnce) {
  // The members' photos and the logo: the logo's frame stays empty, nothing waits.
  MakeDemo(10);
  const std::string nm = Cli("select Nm from Orvani where ID = 1"), sur = Cli("select sur from Orvani where ID = 1");
  for (const std::string& name : {nm + " " + sur + ".jpg", std::string("Logo.jpg")}) {
    std::filesystem::remove(dir_ / "Picture" / name);
    ASSERT_EQ(::mkfifo((dir_ / "Picture" / name).c_str(), 0600), 0);
  }
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(1), 0));
  EXPECT_EQ(f->Image1->Picture()->Graphic(), nullptr);
  Stop();
  // The parish itself.
  std::filesystem::remove(Db());
  std::filesystem::remove(Db() + "-wal");
  std::filesystem::remove(Db() + "-shm");
  ASSERT_EQ(::mkfifo(Db().c_str(), 0600), 0);
  EXPECT_EQ(Refusal(), "เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() +
                           "\nสาเหตุ: ชื่อนี้ไม่ใช่แฟ้มธรรมดา (เช่น เป็นไปป์หรืออุปกรณ์) จึงไม่ใช่แฟ้มฐานข้อมูล");
  EXPECT_TRUE(std::filesystem::is_fifo(Db()));
}

TEST_F(HostileParishTest, AParishWithAnotherProgramsTriggersIsRefusedAndItsMovesKept) {
  MakeDemo(30);
  Cli("create trigger WipeMoves after update on Orvani begin delete from Move; end;"
      "create trigger AuditMembers after insert on Orvani begin select 1; end;");
  const std::string moves = Cli("select count(*) from Move");
  ASSERT_NE(moves, "0");
  EXPECT_EQ(Refusal(), "เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() +
                           "\nสาเหตุ: ฐานข้อมูลมีทริกเกอร์ (trigger) ที่โปรแกรมนี้ไม่ได้สร้าง: AuditMembers, "
                           "WipeMoves ซึ่งจะทำงานเองเมื่อบันทึกข้อมูล จึงไม่เปิดแฟ้มนี้");
  EXPECT_EQ(Cli("select count(*) from Move"), moves);
}

TEST_F(HostileParishTest, AForeignMembersTableIsRefusedNamingColumnAndMemberBeforeAnythingIsWritten) {
  // Made by another tool from the members' rows: its columns lost their types (dates read as
  // texts) and their indexes, which start-up would add.
  MakeDemo(10);
  Cli("drop view List; create table Rows as select * from Orvani; drop table Orvani;"
      "alter table Rows rename to Orvani;"
      "create view List as select ID, St, NM, Sur, Address1, Address2, tel, Occupation, birth_date, Papa_Nm,"
      " Mama_Nm from Orvani;"
      "update Orvani set birth_date = '2001-02-03';"
      "pragma wal_checkpoint(truncate);");
  const std::string before = FileBytes(Db());
  const std::string indexes = Cli("select count(*) from sqlite_master where type = 'index'");
  const std::string refusal = Refusal();
  EXPECT_EQ(refusal.rfind("เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() + "\nสาเหตุ: คอลัมน์ birth_date: ", 0), 0u)
      << refusal;
  // The member whose date could not be read, by key and name.
  const size_t member = refusal.find("(สมาชิก ID ");
  ASSERT_NE(member, std::string::npos) << refusal;
  const std::string id = refusal.substr(member + std::string("(สมาชิก ID ").size());
  EXPECT_EQ(refusal.substr(member),
            "(สมาชิก ID " + Cli("select ID || ' ' || Nm || ' ' || sur from Orvani where ID = " +
                                 std::to_string(std::stoi(id))) + ")");
  Stop();
  EXPECT_EQ(Cli("select count(*) from sqlite_master where type = 'index'"), indexes);
  EXPECT_EQ(FileBytes(Db()), before);
}

}  // namespace orv::test
