// A database of the older layout: the move key and the envelope columns are added, the old
// move history is kept, and the conversion of members' own move dates runs once only.
#include "app/tests/ParishFixture.h"

namespace orv::test {

class UpgradeTest : public ParishTest {
 protected:
  // The older layout: no Move.OrvID, no print.sen or print.Prefix, move rows keyed by code
  // only, and no upgrade recorded.
  void MakeOldLayout() {
    MakeEmpty();
    Cli("DROP INDEX MoveMember;\n"
        "ALTER TABLE Move DROP COLUMN OrvID;\n"
        "ALTER TABLE print DROP COLUMN sen;\n"
        "ALTER TABLE print DROP COLUMN Prefix;\n"
        "UPDATE print SET ChurchT = 'วัดเก่า';\n"
        "PRAGMA user_version = 0;\n"
        "INSERT INTO Orvani (ID, NUM, Nm, sur, DateIn, From_church) VALUES "
        "(1, 'A-1', 'สมชาย', 'ใจดี', '2001-02-03', 'วัดอัสสัมชัญ');\n"
        "INSERT INTO Orvani (ID, NUM, Nm, sur, DateOut, To_church) VALUES "
        "(2, 'B-1', 'มาลี', 'แสงทอง', '2010-05-06', 'วัดกาลหว่าร์');\n"
        "INSERT INTO Orvani (ID, NUM, Nm, sur) VALUES (3, 'DUP', 'ก', 'ข'), (4, 'DUP', 'ค', 'ง'), "
        "(5, 'E-1', 'จ', 'ฉ');\n"
        "INSERT INTO Move (NUM, DateIn, MoveInBy, FromChurch) VALUES "
        "('A-1', '2001-02-03', 'ผู้รับเดิม', 'วัดอัสสัมชัญ'), ('DUP', '1999-01-01', 'ซ้ำ', 'วัดหนึ่ง'), "
        "('NONE', '1998-01-01', 'ไม่มีเจ้าของ', 'วัดสอง');");
    ASSERT_EQ(Cli("select count(*) from pragma_table_info('Move') where name = 'OrvID'"), "0");
  }
};

TEST_F(UpgradeTest, OldMovesAreKeptLinkedByCodeAndMembersMoveDatesConvertedOnce) {
  MakeOldLayout();
  TForm1* f = Start();
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  5 รายการ");
  for (TLumSmoothButton* b : {f->LumSmoothButton1, f->LumSmoothButton2, f->LumSmoothButton3,
                              f->LumSmoothButton4})
    EXPECT_TRUE(b->Enabled()) << b->Caption();
  // The move rows the upgrade linked or made are on screen at once.
  for (int id : {1, 2, 5}) {
    ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(id), 0));
    ExpectLastMoveShown(f);
  }
  Stop();

  EXPECT_EQ(Cli("select count(*) from pragma_table_info('Move') where name = 'OrvID'"), "1");
  EXPECT_EQ(Cli("pragma user_version"), "1");
  // The three old rows, their history intact; only the one whose code names one member is his.
  EXPECT_EQ(Cli("select NUM, ifnull(OrvID, '-'), MoveInBy from Move where MoveInBy is not null "
                "order by ID"),
            "A-1|1|ผู้รับเดิม\nDUP|-|ซ้ำ\nNONE|-|ไม่มีเจ้าของ");
  // Member 1 already had his row; member 2 gets one from her own move-out columns.
  EXPECT_EQ(Cli("select count(*) from Move where OrvID = 1"), "1");
  EXPECT_EQ(Cli("select NUM, DateOut, ToChurch from Move where OrvID = 2"),
            "B-1|2010-05-06|วัดกาลหว่าร์");
  EXPECT_EQ(Cli("select count(*) from Move"), "4");

  // A move the user deletes stays deleted, however often the program starts and shows her.
  Cli("delete from Move where OrvID = 2");
  f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(2), 0));
  EXPECT_EQ(f->ADOQuery4->RecordCount(), 0);
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(1), 0));
  EXPECT_EQ(f->ADOQuery4->RecordCount(), 1);
  EXPECT_EQ(f->LabeledEdit60->Text(), "ผู้รับเดิม");
  Stop();
  EXPECT_EQ(Cli("select count(*) from Move"), "3");
}

TEST_F(UpgradeTest, OldLayoutWithoutMembersStartsWithOnlyTheTypedAddressButton) {
  MakeOldLayout();
  Cli("delete from Move; delete from Orvani;");
  TForm1* f = Start();
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  0 รายการ");
  EXPECT_TRUE(f->LumSmoothButton1->Enabled());
  EXPECT_FALSE(f->LumSmoothButton2->Enabled());
  EXPECT_FALSE(f->LumSmoothButton3->Enabled());
  EXPECT_FALSE(f->LumSmoothButton4->Enabled());
  ExpectLastMoveShown(f);
  Stop();
  EXPECT_EQ(Cli("select count(*) from pragma_table_info('Move') where name = 'OrvID'"), "1");
  EXPECT_EQ(Cli("select count(*) from Move"), "0");
  EXPECT_EQ(Cli("pragma user_version"), "1");
}

TEST_F(UpgradeTest, EnvelopeColumnsAreAddedWithTheirFirstValuesOnce) {
  MakeOldLayout();
  TForm1* f = Start();
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  5 รายการ");
  EXPECT_TRUE(f->LumSmoothButton2->Enabled());
  EXPECT_EQ(f->Edit5->Text(), "วัดเก่า");
  EXPECT_EQ(Cli("select count(*) from pragma_table_info('print') where name in ('sen', 'Prefix')"),
            "0");
  f->FindSen();
  f->FindPrefix();
  EXPECT_EQ(Cli("select ChurchT, sen, Prefix from print"), "วัดเก่า|เรียน|คุณ");
  EXPECT_TRUE(f->ADOQuery3->Active());
  EXPECT_EQ(f->ADOQuery3->SQL().Strings(0), "Select * from print");
  EXPECT_EQ(f->ADOQuery3->FieldByName("Prefix")->AsString(), "คุณ");

  Cli("update print set sen = 'ถึง'");
  f->FindSen();
  f->FindPrefix();
  EXPECT_EQ(Cli("select sen, Prefix, count(*) from print"), "ถึง|คุณ|1");
}

}  // namespace orv::test
