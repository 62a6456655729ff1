// Start-up on the three kinds of database, and the member display checked against the sqlite3
// command line's reading of the same rows.
#include "app/tests/ParishFixture.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"

namespace orv::test {

class StartupTest : public ParishTest {
 protected:
  // Compares every editor of the member on screen, and the moves, children and certificate
  // query, with what sqlite3 reads for that member.
  void ExpectMemberShown(TForm1* f) {
    Int64 id = f->ADOQuery1->FieldByName("ID")->AsLargeInt();
    SCOPED_TRACE("member " + std::to_string(id));
    std::string sql;
    for (const TFieldBinding& b : f->MemberFields())
      sql += "select '[' || ifnull(\"" + b.Column + "\", '') || ']' from Orvani where ID = " +
             std::to_string(id) + ";\n";
    std::vector<std::string> values = Lines(Cli(sql));
    ASSERT_EQ(values.size(), f->MemberFields().size());
    for (std::string& v : values) v = v.substr(1, v.size() - 2);
    for (size_t i = 0; i < values.size(); ++i) {
      const TFieldBinding& b = f->MemberFields()[i];
      SCOPED_TRACE(b.Column);
      if (b.IsDate) {
        EXPECT_EQ(b.Editor->Text(), values[i].empty() ? "" : ThaiDate(values[i]));
        if (b.Picker) {
          EXPECT_EQ(b.Picker->Date(), PickerDate(values[i]));
        }
      } else {
        EXPECT_EQ(b.Editor->Text(), values[i]);
      }
    }
    std::string who = " where OrvID = " + std::to_string(id);
    EXPECT_EQ(std::to_string(f->ADOQuery4->RecordCount()), Cli("select count(*) from Move" + who));
    ExpectLastMoveShown(f);
    ASSERT_EQ(f->ADOQuery6->RecordCount(), 1);
    EXPECT_EQ(f->ADOQuery6->FieldByName("ID")->AsLargeInt(), id);
    std::string parent = f->ComboBox2->Text() == "ชาย" ? "Papa_Nm" : "Mama_Nm";
    std::string expected =
        f->Edit3->Text().empty()
            ? "0"
            : Cli("select count(*) from Orvani where " + parent + " = (select Nm || ' ' || sur from "
                  "Orvani where ID = " + std::to_string(id) + ")");
    EXPECT_EQ(std::to_string(f->ADOQuery2->Active() ? f->ADOQuery2->RecordCount() : 0), expected);
  }
};

TEST_F(StartupTest, MissingDatabaseIsCreatedWithTheFullSchemaAndShowsNobody) {
  TForm1* f = Start();
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  0 รายการ");
  EXPECT_TRUE(f->LumSmoothButton1->Enabled());
  EXPECT_FALSE(f->LumSmoothButton2->Enabled());
  EXPECT_FALSE(f->LumSmoothButton3->Enabled());
  EXPECT_FALSE(f->LumSmoothButton4->Enabled());
  for (const TFieldBinding& b : f->MemberFields()) {
    EXPECT_EQ(b.Editor->Text(), "") << b.Column;
    if (b.Picker) {
      EXPECT_EQ(b.Picker->Date(), Date()) << b.Column;
    }
  }
  for (const TFieldBinding& b : f->MoveFields()) EXPECT_FALSE(b.Editor->Enabled()) << b.Column;
  EXPECT_EQ(f->Edit4->Text(), "Logo.jpg");
  EXPECT_EQ(f->ADOQuery4->RecordCount(), 0);
  EXPECT_EQ(f->ADOQuery6->RecordCount(), 0);
  EXPECT_EQ(AppPath, dir_.string());
  EXPECT_EQ(f->Edit5->Text(), "");
  Stop();

  EXPECT_EQ(Cli("select name from sqlite_master where type in ('table', 'view') and name not like "
                "'sqlite%' order by name"),
            "List\nMarriageNotify\nMove\nOrvani\nchurch\nprint");
  EXPECT_EQ(Cli("select sen, Prefix from print"), "เรียน|คุณ");
  EXPECT_EQ(Cli("pragma user_version"), "1");
  EXPECT_EQ(Cli("select type from pragma_table_info('Orvani') where name in ('Update', "
                "'birth_date', 'Nm') order by name"),
            "TEXT(100)\nDATE\nDATE");
  EXPECT_EQ(Cli("select count(*) from pragma_table_info('List')"), "11");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Orvane.db.new"));
}

TEST_F(StartupTest, EmptyDatabaseShowsZeroMembers) {
  MakeEmpty();
  TForm1* f = Start();
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  0 รายการ");
  EXPECT_FALSE(f->LumSmoothButton2->Enabled());
  EXPECT_EQ(f->ADOQuery3->FieldByName("sen")->AsString(), "เรียน");
  EXPECT_TRUE(f->ADOQuery9->Active());
}

TEST_F(StartupTest, FullDatabaseShowsEveryColumnOfTheMemberWhileScrolling) {
  MakeDemo(200);
  TForm1* f = Start();
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  200 รายการ");
  EXPECT_TRUE(f->LumSmoothButton2->Enabled());
  EXPECT_TRUE(f->LumSmoothButton3->Enabled());
  EXPECT_TRUE(f->LumSmoothButton4->Enabled());
  EXPECT_EQ(f->Edit5->Text(), Cli("select ChurchT from print"));
  EXPECT_EQ(f->ComboBox10->Text(), "คาทอลิก");

  ExpectMemberShown(f);
  f->ADOQuery1->MoveBy(57);
  ExpectMemberShown(f);
  f->ADOQuery1->Last();
  ExpectMemberShown(f);

  // Members with moves, with children, dead and married, each shown in turn.
  for (const char* which :
       {"select min(OrvID) from Move where DateOut is not null",
        "select min(OrvID) from Move where DateIn is not null",
        "select min(o.ID) from Orvani o where o.sex = 'ชาย' and exists (select 1 from Orvani c "
        "where c.papa_nm = o.Nm || ' ' || o.sur)",
        "select min(o.ID) from Orvani o where o.sex = 'หญิง' and exists (select 1 from Orvani c "
        "where c.mama_nm = o.Nm || ' ' || o.sur)",
        "select min(ID) from Orvani where dead_date is not null",
        "select min(ID) from Orvani where mtmn_date is not null"}) {
    std::string found = Cli(which);
    ASSERT_FALSE(found.empty()) << which;
    Int64 id = std::stoll(found);
    ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(id), 0)) << which;
    ExpectMemberShown(f);
  }

  // The spot checks that tie editors to their columns.
  Int64 id = f->ADOQuery1->FieldByName("ID")->AsLargeInt();
  std::string row = Cli("select Nm, sur, sex, Occupation, from_family from Orvani where ID = " +
                        std::to_string(id));
  EXPECT_EQ(row, f->LabeledEdit2->Text() + "|" + f->LabeledEdit3->Text() + "|" +
                     f->ComboBox2->Text() + "|" + f->Memo1->Text() + "|" + f->LabeledEdit41->Text());
  EXPECT_EQ(f->LabeledEdit12->Text(), f->LabeledEdit41->Text());
  EXPECT_EQ(f->Edit3->Text(), f->LabeledEdit2->Text() + " " + f->LabeledEdit3->Text());
  EXPECT_EQ(f->Edit4->Text(), f->Edit3->Text() + ".jpg");
  EXPECT_EQ(PhotoFileName, dir_.string() + "/Picture/" + f->Edit4->Text());
  EXPECT_EQ(ShownPhotoPath, dir_.string() + "/Picture/Logo.jpg");
  EXPECT_EQ(f->LumSmoothButton3->Hint(),
            "   สร้างข้อมูลการย้าย\rโดยใช้รหัสประจำตัวของคุณ  " + f->LabeledEdit2->Text());
}

TEST_F(StartupTest, MemberWithoutANameOrAnEmptyListLeavesNothingOfThePreviousMember) {
  MakeDemo(40);
  Cli("insert into Orvani (sur, sex) values ('ไร้ชื่อ', 'ชาย')");
  TForm1* f = Start();
  Int64 father = std::stoll(Cli(
      "select min(o.ID) from Orvani o where o.sex = 'ชาย' and exists (select 1 from Orvani c where "
      "c.papa_nm = o.Nm || ' ' || o.sur)"));
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(father), 0));
  ASSERT_GT(f->ADOQuery2->RecordCount(), 0);

  f->ADOQuery1->First();  // the member without a name sorts first
  EXPECT_TRUE(f->ADOQuery1->FieldByName("Nm")->IsNull());
  EXPECT_FALSE(f->ADOQuery2->Active() && f->ADOQuery2->RecordCount() > 0);
  EXPECT_EQ(f->Edit3->Text(), "");
  EXPECT_EQ(f->Edit4->Text(), "Logo.jpg");
  EXPECT_EQ(f->LumSmoothButton2->Hint(), "");
  ExpectMemberShown(f);

  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(father), 0));
  f->ADOQuery1->Close();
  f->ADOQuery1->SQL().SetText("select * from Orvani where ID < 0");
  f->ADOQuery1->Open();
  f->ADOQuery1AfterScroll(f->ADOQuery1);
  EXPECT_EQ(f->ADOQuery4->RecordCount(), 0);
  EXPECT_EQ(f->ADOQuery6->RecordCount(), 0);
  EXPECT_FALSE(f->ADOQuery2->Active());
  EXPECT_EQ(f->LabeledEdit2->Text(), "");
  EXPECT_EQ(PhotoFileName, dir_.string() + "/Picture/Logo.jpg");
}

TEST_F(StartupTest, ActivationSetsThePeriodPickersAndClosingDisconnects) {
  MakeEmpty();
  TForm1* f = Start();
  f->FormActivate(f);
  EXPECT_EQ(f->DateTimePicker2->Date(), EncodeDate(YearOf(Date()), 1, 1));
  EXPECT_EQ(f->DateTimePicker3->Date(), Date());
  bool canClose = false;
  f->FormCloseQuery(f, canClose);
  EXPECT_TRUE(canClose);
  EXPECT_FALSE(f->ADOConnection1->Connected());
}

}  // namespace orv::test
