// Start-up on new, empty, full and read-only parish databases, and the member on screen checked
// editor by editor against the sqlite3 command line's reading of the same row.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/ParishFolder.h"
#include "app/tests/ParishFixture.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"

namespace orv::test {

namespace {

// Which editor shows which member column, page by page, written down from the window's
// description rather than taken from the window: a swapped pair must show.
struct TEditorOf {
  const char* Column;
  TControl* (*Editor)(TForm1*);
  TDateTimePicker* (*Picker)(TForm1*);
};

#define ED(column, editor) {column, [](TForm1* f) -> TControl* { return f->editor; }, nullptr}
#define DT(column, editor, picker)                           \
  {column, [](TForm1* f) -> TControl* { return f->editor; }, \
   [](TForm1* f) -> TDateTimePicker* { return f->picker; }}

const TEditorOf kMemberEditors[] = {
    // personal
    ED("NUM", LabeledEdit1), ED("Nm", LabeledEdit2), ED("sur", LabeledEdit3),
    ED("st", LabeledEdit4), DT("birth_date", LabeledEdit70, DateTimePicker1),
    ED("religion", ComboBox1), ED("sex", ComboBox2), ED("Address1", LabeledEdit5),
    ED("Address2", LabeledEdit6), ED("tel", LabeledEdit7), ED("e_mail", LabeledEdit8),
    ED("old_nm", LabeledEdit9), ED("Old_sur", LabeledEdit10), ED("gang", LabeledEdit11),
    ED("from_family", LabeledEdit12), ED("papa_nm", LabeledEdit13), ED("papa_st", LabeledEdit14),
    ED("mama_nm", LabeledEdit15), ED("Mama_st", LabeledEdit16), ED("papa_relig", ComboBox3),
    ED("Mama_relig", ComboBox4), ED("DateIn", LabeledEdit17), ED("from_church", LabeledEdit18),
    ED("DateOut", LabeledEdit19), ED("To_church", LabeledEdit20), ED("Occupation", Memo1),
    // baptism
    DT("btsm_date", LabeledEdit21, DateTimePicker4), ED("btsm_No", LabeledEdit22),
    ED("btsm_wat", LabeledEdit23), ED("btsm_parent", LabeledEdit24), ED("btsm_st", LabeledEdit25),
    ED("btsm_priest", LabeledEdit26), ED("note1", Memo2),
    // first communion
    DT("fm_date", LabeledEdit27, DateTimePicker5), ED("fm_No", LabeledEdit28),
    ED("fm_wat", LabeledEdit29), ED("fm_priest", LabeledEdit30), ED("note2", Memo3),
    // confirmation
    DT("cnfm_date", LabeledEdit31, DateTimePicker6), ED("cnfm_No", LabeledEdit32),
    ED("cnfm_wat", LabeledEdit33), ED("cnfm_parent", LabeledEdit34), ED("cnfm_st", LabeledEdit35),
    ED("cnfm_priest", LabeledEdit36), ED("note3", Memo4),
    // marriage
    DT("mtmn_date", LabeledEdit37, DateTimePicker7), ED("mtmn_No", LabeledEdit38),
    ED("refer1", LabeledEdit39), ED("refer2", LabeledEdit40), ED("from_family", LabeledEdit41),
    ED("family_no", LabeledEdit42), ED("mtmn_father", LabeledEdit45),
    ED("Mtmn_fatherSt", LabeledEdit46), ED("mtmn_mother", LabeledEdit47),
    ED("mtmn_motherSt", LabeledEdit48), ED("mtmn_wat", LabeledEdit49),
    ED("mtmn_priest", LabeledEdit50), ED("note4", Memo5),
    // spouse
    ED("couple_nm", LabeledEdit43), ED("couple_St", LabeledEdit44), ED("couple_No", LabeledEdit69),
    ED("couple_religion", ComboBox5), DT("couple_btsmDate", LabeledEdit71, DateTimePicker13),
    ED("couple_btsmNo", LabeledEdit72), ED("couple_btsmPlace", LabeledEdit73),
    ED("couple_Church", LabeledEdit74), ED("couple_FrNm", LabeledEdit75),
    ED("couple_FrSt", LabeledEdit76), ED("couple_FrRelig", ComboBox6),
    ED("couple_MoNm", LabeledEdit77), ED("couple_MoSt", LabeledEdit78),
    ED("couple_MoRelig", ComboBox7), ED("Couple_Memo", Memo7),
    // anointing and death
    DT("fimn_date", LabeledEdit51, DateTimePicker8), ED("fimn_priest", LabeledEdit52),
    ED("dead_No", LabeledEdit53), ED("Citydead_No", LabeledEdit54),
    DT("dead_date", LabeledEdit55, DateTimePicker9), DT("keep_date", LabeledEdit56, DateTimePicker10),
    ED("keep_place", LabeledEdit57), ED("keep_priest", LabeledEdit58), ED("reason", Memo6),
    // beside the pages
    ED("Update", Label7),
};

#undef ED
#undef DT

bool IsDateColumn(const std::string& column) {
  return column.find("date") != std::string::npos || column.find("Date") != std::string::npos ||
         column == "DateIn" || column == "DateOut" || column == "Update";
}

}  // namespace

class StartupTest : public ParishTest {
 protected:
  // Every editor of the member on screen, and the moves, children and certificate query,
  // against what sqlite3 reads for that member.
  void ExpectMemberShown(TForm1* f) {
    Int64 id = f->ADOQuery1->FieldByName("ID")->AsLargeInt();
    SCOPED_TRACE("member " + std::to_string(id));
    std::string sql;
    for (const TEditorOf& e : kMemberEditors)
      sql += "select '[' || ifnull(\"" + std::string(e.Column) + "\", '') || ']' from Orvani where ID = " +
             std::to_string(id) + ";\n";
    std::vector<std::string> values = Lines(Cli(sql));
    ASSERT_EQ(values.size(), std::size(kMemberEditors));
    for (size_t i = 0; i < values.size(); ++i) {
      const TEditorOf& e = kMemberEditors[i];
      SCOPED_TRACE(e.Column);
      std::string value = values[i].substr(1, values[i].size() - 2);
      if (IsDateColumn(e.Column)) {
        EXPECT_EQ(e.Editor(f)->Text(), value.empty() ? "" : ThaiDate(value));
        if (e.Picker) {
          EXPECT_EQ(e.Picker(f)->Date(), PickerDate(value));
        }
      } else {
        EXPECT_EQ(e.Editor(f)->Text(), value);
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

  void TearDown() override {
    chmod(dir_.c_str(), 0755);
    chmod(Db().c_str(), 0644);
    ParishTest::TearDown();
  }
};

TEST_F(StartupTest, MissingDatabaseIsCreatedWithTheFullSchemaAndTheUserIsToldOnce) {
  std::filesystem::remove_all(dir_ / "Picture");
  TForm1* f = Start();
  ASSERT_EQ(dialogs_->Shown().size(), 1u);
  EXPECT_EQ(dialogs_->LastText(), "ยังไม่มีทะเบียนวัดในโฟลเดอร์ " + dir_.string() +
                                      "\nจึงสร้างทะเบียนวัดใหม่ที่ยังไม่มีข้อมูลไว้ให้ที่นั่น");
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  0 รายการ");
  EXPECT_TRUE(f->LumSmoothButton1->Enabled());
  EXPECT_FALSE(f->LumSmoothButton2->Enabled());
  EXPECT_FALSE(f->LumSmoothButton3->Enabled());
  EXPECT_FALSE(f->LumSmoothButton4->Enabled());
  for (const TEditorOf& e : kMemberEditors) {
    EXPECT_EQ(e.Editor(f)->Text(), "") << e.Column;
    if (e.Picker) {
      EXPECT_EQ(e.Picker(f)->Date(), Date()) << e.Column;
    }
  }
  ExpectLastMoveShown(f);
  EXPECT_EQ(f->Edit4->Text(), "Logo.jpg");
  EXPECT_EQ(f->ADOQuery6->RecordCount(), 0);
  EXPECT_EQ(AppPath, dir_.string());
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "Picture"));
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

  // The next start finds the parish and says nothing.
  Start();
  EXPECT_EQ(dialogs_->Shown().size(), 1u);
}

TEST_F(StartupTest, ParishFolderIsTheOneNamedWhateverTheCurrentFolder) {
  MakeDemo(5);
  std::filesystem::path elsewhere = dir_ / "elsewhere";
  std::filesystem::create_directories(elsewhere);
  std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(elsewhere);
  // A relative name is taken from where it was given, then kept absolute.
  AppPath = "..";
  TForm1* f = Start();
  std::filesystem::current_path(old);
  EXPECT_EQ(AppPath, dir_.string());
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  " + Cli("select count(*) from Orvani") + " รายการ");
  EXPECT_EQ(PhotoFileName.substr(0, dir_.string().size() + 9), dir_.string() + "/Picture/");
  EXPECT_TRUE(dialogs_->Shown().empty());
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
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
  EXPECT_EQ(f->Edit3->Text(), f->LabeledEdit2->Text() + " " + f->LabeledEdit3->Text());
  EXPECT_EQ(f->Edit4->Text(), f->Edit3->Text() + ".jpg");
  EXPECT_EQ(PhotoFileName, dir_.string() + "/Picture/" + f->Edit4->Text());
  EXPECT_EQ(ShownPhotoPath, dir_.string() + "/Picture/Logo.jpg");
  EXPECT_EQ(f->LumSmoothButton3->Hint(),
            "   สร้างข้อมูลการย้าย\rโดยใช้รหัสประจำตัวของคุณ  " + f->LabeledEdit2->Text());
}

TEST_F(StartupTest, MemberListIsInThaiDictionaryOrder) {
  MakeEmpty();
  // In a Thai dictionary a leading vowel does not decide the place (เกษม is filed under ก), a
  // consonant comes before a vowel, and a tone mark counts only between equal spellings.
  const std::vector<std::pair<std::string, std::string>> ordered = {
      {"กก", "ใจดี"},  {"กา", "ทอง"},   {"ก่า", "มี"},    {"เกษม", "ศรี"}, {"แก้ว", "กล้า"},
      {"ขวัญ", "ดี"},  {"ไข่", "มุก"},   {"คำ", "กา"},     {"คำ", "แก้ว"},  {"ฉัตร", "ชัย"},
      {"ฮูก", "ขาว"}};
  std::string sql;
  // Stored in another order than they are listed.
  for (size_t i = ordered.size(); i-- > 0;)
    sql += "insert into Orvani (Nm, sur) values ('" + ordered[i].first + "', '" +
           ordered[i].second + "');\n";
  Cli(sql);
  TForm1* f = Start();
  std::vector<std::pair<std::string, std::string>> listed;
  for (f->ADOQuery1->First(); !f->ADOQuery1->Eof(); f->ADOQuery1->Next())
    listed.emplace_back(f->ADOQuery1->FieldByName("Nm")->AsString(),
                        f->ADOQuery1->FieldByName("sur")->AsString());
  EXPECT_EQ(listed, ordered);
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

TEST_F(StartupTest, AFailureAfterTheChecksNamesTheFileAndTheReasonAndWritesNothing) {
  // The move table of an older layout that is a view: it passes for the table it shows, and
  // the upgrade cannot add the member key to it.
  MakeEmpty();
  Cli("drop index MoveMember; alter table Move rename to MoveRows; create view Move as select "
      "ID, NUM, DateIn, MoveInBy, FromChurch, MoveFromNo, FromFr, DateOut, MoveOutBy, ToChurch, "
      "MoveToNo, ReceiveInBy from MoveRows; pragma user_version = 0;");
  Cli("pragma wal_checkpoint(truncate)");
  std::string before = FileBytes(Db());
  try {
    Start();
    ADD_FAILURE() << "started";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() + "\nสาเหตุ: ", 0), 0u)
        << e.Message();
    EXPECT_NE(e.Message().find("view"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(form_->ADOConnection1->Connected());
  Stop();
  EXPECT_EQ(FileBytes(Db()), before);
}

TEST_F(StartupTest, ReadOnlyDatabaseIsShownWithItsWritingEditorsDisabled) {
  MakeDemo(30);
  Cli("pragma wal_checkpoint(truncate)");
  std::string before = FileBytes(Db());
  Int64 mover = std::stoll(Cli("select min(OrvID) from Move"));
  int members = std::stoi(Cli("select count(*) from Orvani"));
  chmod(Db().c_str(), 0444);
  chmod(dir_.c_str(), 0555);
  // Root writes where it likes: the window is made in a child that has given up root.
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(3);
        TForm1* f = Start();
        std::string wrong;
        auto expect = [&](bool ok, const std::string& what) {
          if (!ok) wrong += what + "\n";
        };
        expect(f->ReadOnly(), "not read-only");
        expect(dialogs_->Shown().size() == 1 &&
                   dialogs_->LastText().find("เปิดได้เพื่ออ่านอย่างเดียว") != std::string::npos,
               "no single read-only notice");
        expect(f->Label3->Caption() == "จำนวนข้อมูล  " + std::to_string(members) + " รายการ",
               "members not listed");
        expect(f->ADOQuery1->Locate("ID", Variant(mover), 0), "member with a move not found");
        expect(f->ADOQuery4->RecordCount() > 0, "moves not shown");
        expect(!f->LabeledEdit2->Text().empty(), "member not shown");
        int i = 0;
        for (TControl* c : std::initializer_list<TControl*>{
                 f->LabeledEdit1, f->LabeledEdit2, f->ComboBox2, f->Memo1, f->DateTimePicker1,
                 f->LabeledEdit59, f->LabeledEdit60, f->DateTimePicker11, f->Edit5, f->Edit10,
                 f->ComboBox10, f->LumSmoothButton1, f->LumSmoothButton2, f->LumSmoothButton3,
                 f->LumSmoothButton4, f->LumSmoothButton6, f->Image1})
          expect(!c->Enabled(), "writing control " + std::to_string(i++) + " enabled");
        // Finding members writes nothing.
        expect(f->Edit1->Enabled() && f->DBGrid1->Enabled(), "search disabled");
        std::fprintf(stderr, "%s", wrong.c_str());
        std::_Exit(wrong.empty() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(FileBytes(Db()), before);
}

}  // namespace orv::test

namespace orv::test {

namespace {

// The text of the start-up refusal Start() raised, or "" when the window started.
std::string Refusal(const std::function<void()>& start) {
  try {
    start();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

}  // namespace

TEST_F(StartupTest, AViewWhereATableBelongsIsRefusedAndNoStartUpQueryRunsForEver) {
  // The members' table made an endless recursive view: a start-up that read it never ended.
  MakeDemo(5);
  Cli("alter table Orvani rename to OrvaniRows; create view Orvani as with recursive r(n) as "
      "(select 1 union all select n + 1 from r) select o.* from r cross join OrvaniRows o;");
  Cli("pragma wal_checkpoint(truncate)");
  std::string before = FileBytes(Db());
  EXPECT_EQ(Refusal([&] { Start(); }),
            "เปิดทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() + "\nสาเหตุ: Orvani ในแฟ้มนี้เป็นมุมมอง (view) ไม่ใช่ตาราง");
  Stop();
  EXPECT_EQ(FileBytes(Db()), before);

  // The children's list is the program's own: an endless one in its place is put back to the
  // program's definition at start-up, and the children show at once.
  std::filesystem::remove(Db());
  MakeDemo(5);
  const std::string own = Cli("select sql from sqlite_master where name = 'List'");
  Cli("drop view List; create view List as with recursive r(n) as (select 1 union all select n + 1 "
      "from r) select o.ID, o.St, o.NM, o.Sur, o.Address1, o.Address2, o.tel, o.Occupation, "
      "o.birth_date, o.Papa_Nm, o.Mama_Nm from r cross join Orvani o;");
  TForm1* f = Start();
  EXPECT_EQ(Cli("select sql from sqlite_master where name = 'List'"), own);
  const std::string parent = Cli("select papa_nm from Orvani where papa_nm is not null limit 1");
  f->ADOQuery2->Close();
  f->ADOQuery2->SQL().SetText("select * from [List] where [Papa_Nm] = :name");
  f->ADOQuery2->Parameters().ParamByName("name")->SetValue(parent);
  f->ADOQuery2->Open();
  EXPECT_EQ(std::to_string(f->ADOQuery2->RecordCount()),
            Cli("select count(*) from Orvani where papa_nm = '" + parent + "'"));
}

TEST_F(StartupTest, AQueryOfTheWindowThatNeverEndsIsStoppedWithAThaiMessage) {
  // Start-up is over and another program puts an endless view in List's place: showing a
  // member's children would run for ever.
  MakeDemo(5);
  int saved = QueryTimeLimit;
  QueryTimeLimit = 1000;
  TForm1* f = Start();
  Cli("drop view List; create view List as with recursive r(n) as (select 1 union all select n + 1 "
      "from r) select o.ID, o.St, o.NM, o.Sur, o.Address1, o.Address2, o.tel, o.Occupation, "
      "o.birth_date, o.Papa_Nm, o.Mama_Nm from r cross join Orvani o;");
  f->ADOQuery2->Close();
  f->ADOQuery2->SQL().SetText("select * from [List] where [Papa_Nm] = 'x' order by birth_date");
  const auto start = std::chrono::steady_clock::now();
  try {
    f->ADOQuery2->Open();
    ADD_FAILURE() << "the query ended";
  } catch (const Exception&) {
    // As the loop tells what reached it.
    Application->HandleException(f);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  QueryTimeLimit = saved;
  EXPECT_EQ(dialogs_->LastText(), "อ่านทะเบียนวัดไม่ได้\nแฟ้ม: " + Db() +
                                      "\nสาเหตุ: ฐานข้อมูลทำคำสั่งไม่เสร็จภายใน 1 วินาที จึงหยุดไว้"
                                      " (แฟ้มอาจเสียหาย หรือมีมุมมองที่ทำงานไม่รู้จบ)");
  // The window goes on: another query runs.
  f->ADOQuery2->Close();
  f->ADOQuery2->SQL().SetText("select count(*) from Orvani");
  f->ADOQuery2->Open();
  EXPECT_EQ(f->ADOQuery2->Fields()[0]->AsString(), "5");
}

TEST_F(StartupTest, AReadOnlyParishWithItsLogButNoSharedMemoryFileNamesTheMissingFile) {
  MakeDemo(10);
  // A copy taken while a program had changes in the log: the database and its log, without
  // the shared-memory file, which only lives while a program has the parish open.
  std::filesystem::path copy = dir_ / "copy";
  std::filesystem::create_directories(copy);
  {
    TADOConnection writer(nullptr);
    writer.SetDatabaseFile(Db());
    writer.Open();
    writer.Execute("pragma wal_autocheckpoint = 0; update Orvani set tel = '02-111-2222' where ID = 3");
    for (const char* suffix : {"", "-wal"})
      std::filesystem::copy_file(Db() + suffix, copy / (std::string(ParishDatabaseName) + suffix));
  }
  std::string db = (copy / ParishDatabaseName).string();
  ASSERT_GT(std::filesystem::file_size(db + "-wal"), 0u);
  chmod(db.c_str(), 0444);
  chmod((db + "-wal").c_str(), 0444);
  chmod(copy.c_str(), 0555);
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(3);
        AppPath = copy.string();
        std::fprintf(stderr, "%s", Refusal([&] { Start(); }).c_str());
        std::_Exit(0);
      },
      testing::ExitedWithCode(0),
      "สาเหตุ: ไม่มีแฟ้มหน่วยความจำร่วม " + db + "-shm ที่ต้องใช้อ่านการเปลี่ยนแปลงที่ค้างอยู่ในแฟ้ม " + db +
          "-wal และสร้างแฟ้มนั้นไม่ได้ เพราะโฟลเดอร์ " + copy.string() + " เขียนไม่ได้");
  chmod(copy.c_str(), 0755);
}

}  // namespace orv::test

namespace orv::test {

// A parish folder whose Orvane.db is a link to a disk the user may only read (a CD, a backup
// disk mounted read-only): the log files would be made beside the file the link names, so that
// file's folder decides; it opens to be read, not as a damaged file.
TEST_F(StartupTest, AParishWhoseFileLinksToAReadOnlyFolderOpensToBeRead) {
  MakeDemo(10);
  Cli("pragma wal_checkpoint(truncate)");
  const std::filesystem::path disk = dir_ / "disk", parish = dir_ / "parish";
  std::filesystem::create_directories(disk);
  std::filesystem::create_directories(parish / "Picture");
  const std::string db = (disk / ParishDatabaseName).string();
  std::filesystem::rename(Db(), db);
  for (const char* suffix : {"-wal", "-shm"}) std::filesystem::remove(Db() + suffix);
  std::filesystem::create_symlink(db, parish / ParishDatabaseName);
  const std::string before = FileBytes(db);
  chmod(db.c_str(), 0444);
  chmod(disk.c_str(), 0555);
  chmod(parish.c_str(), 0777);
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(3);
        AppPath = parish.string();
        TForm1* f = nullptr;
        std::fprintf(stderr, "%s", Refusal([&] { f = Start(); }).c_str());
        std::_Exit(f && f->ReadOnly() && f->Label3->Caption() == "จำนวนข้อมูล  10 รายการ" ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  chmod(disk.c_str(), 0755);
  EXPECT_EQ(FileBytes(db), before);
}

}  // namespace orv::test
