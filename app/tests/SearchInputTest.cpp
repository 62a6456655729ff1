// What the user types or picks in the search panel is data, whatever it holds; the panel starts
// on the filter that applies; a search that fails leaves no hourglass and no list it did not
// show in the export copy.
#include "app/tests/ParishFixture.h"
#include "platform/gui/Screen.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv::test {

class SearchInputTest : public ParishTest {
 protected:
  static void Enter(TForm1* f, const std::string& name, const std::string& surname = "") {
    f->Edit1->SetText(name);
    f->Edit2->SetText(surname);
    Word key = VK_RETURN;
    f->Edit1KeyUp(f->Edit1, key, {});
  }
  // The IDs of the list in its order.
  static std::string Ids(TForm1* f) {
    std::string ids;
    TField* id = f->ADOQuery1->FieldByName("ID");
    for (Integer r = 1; r <= f->ADOQuery1->RecordCount(); ++r)
      ids += (ids.empty() ? "" : ",") + f->ADOQuery1->DisplayTextAt(id, r);
    return ids;
  }
};

TEST_F(SearchInputTest, QuotesWildcardsAndThaiAreSearchedAsTyped) {
  MakeEmpty();
  Cli("insert into Orvani (ID, Nm, sur, papa_nm) values "
      "(1, 'O''Neil', 'ก', 'พ่อ ''ก'''), (2, 'x\"y', 'ข', 'พ่อ \"ข\"'), (3, 'a_b', 'ค', 'พ่อ ค'),"
      "(4, 'axb', 'ง', 'พ่อ ง'), (5, '100%', 'จ', 'พ่อ ;'), (6, '1000', 'ฉ', null),"
      "(7, 'สมชาย;', 'ใจดี', null), (8, 'สมชาย', 'ใจดี', null);");
  TForm1* f = Start();
  EXPECT_TRUE(f->RadioButton1->Checked());
  EXPECT_TRUE(f->RadioButton13->Checked());
  EXPECT_EQ(StatusFilter, " and dead_date is null and DateOut is null");
  EXPECT_TRUE(f->Edit2->Visible());

  Enter(f, "O'");
  EXPECT_EQ(Ids(f), "1");
  Enter(f, "x\"");
  EXPECT_EQ(Ids(f), "2");
  Enter(f, "สมชาย;");
  EXPECT_EQ(Ids(f), "7");
  Enter(f, "สมชาย", "ใจ");
  EXPECT_EQ(f->ADOQuery1->RecordCount(), 2);
  // The wildcards keep their meaning: '_' any one character, '%' any run.
  Enter(f, "a_b");
  EXPECT_EQ(Ids(f), "3,4");
  Enter(f, "100%");
  EXPECT_EQ(Ids(f), "5,6");
  Enter(f, "'; drop table Orvani; --");
  EXPECT_EQ(f->ADOQuery1->RecordCount(), 0);
  EXPECT_EQ(Cli("select count(*) from Orvani"), "8");

  // A value picked from the list is matched exactly, quotes and all.
  f->RadioButton18->SetChecked(true);
  ASSERT_EQ(f->ComboBox8->Items()->Count(), 5);
  for (const auto& [value, ids] : {std::pair<std::string, std::string>{"พ่อ 'ก'", "1"},
                                   {"พ่อ \"ข\"", "2"}, {"พ่อ ;", "5"}}) {
    f->ComboBox8->SetText(value);
    f->Timer1Timer(f->Timer1);
    EXPECT_EQ(Ids(f), ids) << value;
  }
}

TEST_F(SearchInputTest, APickedValueMatchesAsLikeDoesCaseBlindForLatinWithItsWildcards) {
  MakeEmpty();
  Cli("insert into Orvani (ID, Nm, st) values (1, 'a1', 'Joseph'), (2, 'a2', 'JOSEPH'),"
      "(3, 'a3', 'Josepha'), (4, 'a4', 'Jo%'), (5, 'a5', 'ยอแซฟ'), (6, 'a6', 'ยอแซฟ '),"
      "(7, 'a7', 'J_seph');");
  TForm1* f = Start();
  f->RadioButton2->SetChecked(true);
  for (const char* value : {"joseph", "Jo%", "ยอแซฟ", "J_seph", "ยอแซฟ "}) {
    f->ComboBox8->SetText(value);
    f->Timer1Timer(f->Timer1);
    std::string quoted;
    for (const char* c = value; *c; ++c) {
      if (*c == '\'') quoted += '\'';
      quoted += *c;
    }
    EXPECT_EQ(Ids(f), Cli("select group_concat(ID, ',') from (select ID from Orvani where st like '" +
                          quoted + "' order by ID)"))
        << value;
  }
}

TEST_F(SearchInputTest, NoReligionInAValueListModeEmptiesTheListAndItsExportCopy) {
  MakeDemo(60);
  TForm1* f = Start();
  EXPECT_EQ(f->ADOQuery10->RecordCount(), 60);
  f->RadioButton3->SetChecked(true);
  f->ComboBox8->SetItemIndex(0);
  f->Timer1Timer(f->Timer1);
  ASSERT_GT(f->ADOQuery1->RecordCount(), 0);
  EXPECT_TRUE(f->LumSmoothButton3->Enabled());

  f->CheckBox23->SetChecked(false);
  f->CheckBox24->SetChecked(false);
  f->Timer1Timer(f->Timer1);
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  0 รายการ");
  EXPECT_EQ(f->ADOQuery1->RecordCount(), 0);
  f->ADOQuery10->Open();
  EXPECT_EQ(f->ADOQuery10->RecordCount(), 0);
  // Nobody is on screen and no command acts on the member shown before.
  EXPECT_EQ(f->LabeledEdit2->Text(), "");
  EXPECT_TRUE(f->ADOQuery6->IsEmpty());
  EXPECT_TRUE(f->ADOQuery4->IsEmpty());
  EXPECT_FALSE(f->LabeledEdit60->Enabled());
  EXPECT_FALSE(f->LumSmoothButton2->Enabled());
  EXPECT_FALSE(f->LumSmoothButton3->Enabled());
  EXPECT_EQ(f->Edit4->Text(), "Logo.jpg");
}

TEST_F(SearchInputTest, ValueListSearchRunsOnceAfterABurstOfKeys) {
  MakeDemo(60);
  TForm1* f = Start();
  f->RadioButton3->SetChecked(true);
  f->ComboBox8->SetItemIndex(1);
  std::string group = f->ComboBox8->Text();
  int searches = 0;
  f->ADOQuery1->AfterOpen = [&](TDataSet*) { ++searches; };
  f->ComboBox8Select(f->ComboBox8);
  Word key = 'A';
  f->ComboBox8KeyUp(f->ComboBox8, key, {});
  f->ComboBox8KeyUp(f->ComboBox8, key, {});
  EXPECT_TRUE(f->Timer1->Enabled());
  EXPECT_EQ(searches, 0);
  ASSERT_TRUE(orv::testing::WaitFor([&] { return searches > 0; }));
  orv::testing::Pump(300);
  EXPECT_EQ(searches, 1);
  EXPECT_FALSE(f->Timer1->Enabled());
  EXPECT_EQ(std::to_string(f->ADOQuery1->RecordCount()),
            Cli("select count(*) from Orvani where gang = '" + group +
                "' and dead_date is null and DateOut is null"));
}

TEST_F(SearchInputTest, DateModesSearchAtOnceWhenTheirStatusChanges) {
  MakeDemo(200);
  std::string dead = Cli("select min(ID) from Orvani where dead_date is not null and DateOut is null");
  TForm1* f = Start();
  Cli("update Orvani set dead_date = date('now', 'localtime') where ID = " + dead);
  // Living was chosen: the death-day mode switches to the dead and searches today's day.
  f->RadioButton9->SetChecked(true);
  EXPECT_TRUE(f->RadioButton14->Checked());
  EXPECT_TRUE(f->RadioButton9->Checked());
  EXPECT_EQ(std::to_string(f->ADOQuery1->RecordCount()),
            Cli("select count(*) from Orvani where strftime('%m-%d', dead_date) = "
                "strftime('%m-%d', 'now', 'localtime') and dead_date is not null and DateOut is null"));
  EXPECT_EQ(f->LumSmoothTabPager1->ActivePage(), f->LumSmoothTabPage2);
  EXPECT_EQ(f->PageControl2->ActivePage(), f->TabSheet5);
}

TEST_F(SearchInputTest, ThePeriodChosenStaysWhenTheWindowIsActivatedAgain) {
  MakeDemo(20);
  TForm1* f = Start();
  f->FormActivate(f);
  EXPECT_EQ(f->DateTimePicker2->Date(), EncodeDate(YearOf(Date()), 1, 1));
  EXPECT_EQ(f->DateTimePicker3->Date(), Date());
  f->DateTimePicker2->SetDate(EncodeDate(2001, 2, 3));
  f->DateTimePicker3->SetDate(EncodeDate(2002, 4, 5));
  // A preview of the moved-in list closed: the list and the period it prints agree.
  f->FormActivate(f);
  EXPECT_EQ(f->DateTimePicker2->Date(), EncodeDate(2001, 2, 3));
  EXPECT_EQ(f->DateTimePicker3->Date(), EncodeDate(2002, 4, 5));
}

TEST_F(SearchInputTest, AFailingSearchPutsTheCursorBack) {
  MakeDemo(20);
  TForm1* f = Start();
  f->RadioButton8->SetChecked(true);
  // Another program took the column away under us.
  f->ADOConnection1->Execute("ALTER TABLE Orvani RENAME COLUMN Occupation TO Job");
  EXPECT_THROW(Enter(f, "ครู"), EDatabaseError);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_FALSE(f->ADOQuery10->Active() && f->ADOQuery10->RecordCount() > 0);
}

TEST_F(SearchInputTest, SearchIndexesLeaveTheFileWritableByOtherTools) {
  MakeDemo(20);
  // A database made before the search indexes existed gets them when the program starts.
  Cli("drop index if exists OrvaniNmLike; drop index if exists MoveMember;");
  Start();
  Stop();
  EXPECT_EQ(Cli("select count(*) from sqlite_master where type = 'index' and "
                "name in ('OrvaniNmLike', 'MoveMember')"),
            "2");
  EXPECT_EQ(Cli("select count(*) from sqlite_master where sql like '%THAI%'"), "0");
  EXPECT_NE(Cli("explain query plan select * from Orvani where Nm like 'สม%'").find("OrvaniNmLike"),
            std::string::npos);
  // Another SQLite program changes the members, and the file stays whole.
  Cli("insert into Orvani (Nm, sur, papa_nm, birth_date) values ('ใหม่', 'คน', 'พ่อ', '2001-02-03');"
      "update Orvani set Nm = 'แก้' where ID = 1; delete from Orvani where ID = 2;");
  EXPECT_EQ(Cli("pragma integrity_check"), "ok");
}

}  // namespace orv::test
