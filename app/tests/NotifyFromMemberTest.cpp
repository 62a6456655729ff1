// A marriage notification made from a member of the demo parish, read back with sqlite3 and
// compared, column by column, with the member's row read by an independent query.
#include "app/tests/OtherWindowsFixture.h"

namespace orv::test {

namespace {

// A saint's name and a name joined as the notification joins them; Null without the name.
std::string Person(const std::string& saint, const std::string& name) {
  return "case when ifnull(o." + name + ", '') = '' then null else ifnull(o." + saint +
         ", '') || ' ' || o." + name + " end";
}
std::string Text(const std::string& column) { return "nullif(o." + column + ", '')"; }

}  // namespace

class NotifyFromMemberTest : public OtherWindowsTest {
 protected:
  TForm1* StartWithNotices() {
    TForm1* f = StartMain();
    Form2 = Open<TForm2>();
    // The window is shown modally; the user closes it at once.
    Form2->OnShow = [this](TObject*) {
      ++shownModally_;
      Form2->SetModalResult(mrOk);
    };
    return f;
  }
  std::string FirstMember(const std::string& where) {
    return Cli("select min(ID) from Orvani where " + where);
  }
  void MakeFrom(TForm1* f, const std::string& id) {
    ASSERT_FALSE(id.empty());
    ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(static_cast<Int64>(std::stoll(id))), 0));
    f->LumSmoothButton4->Click();
  }
  // Every column of notification number, against what the member's row gives it.
  void ExpectNotice(const std::string& number, const std::string& member, bool groom) {
    std::vector<std::pair<std::string, std::string>> member_side = {
        {"", "ifnull(o.st, '') || ' ' || o.Nm || ' ' || o.sur"},
        {"_religion", Text("religion")},
        {"Bap_place", Text("btsm_wat")},
        {"Bap_Date", "o.btsm_date"},
        {"Bap_No", Text("btsm_No")},
        {"_Fr", Person("papa_st", "papa_nm")},
        {"Fr_religion", Text("papa_relig")},
        {"_Mo", Person("mama_st", "mama_nm")},
        {"Mo_religion", Text("mama_relig")}};
    std::vector<std::pair<std::string, std::string>> spouse_side = {
        {"", Person("couple_St", "couple_nm")},  {"_religion", Text("couple_religion")},
        {"Bap_place", Text("couple_btsmPlace")}, {"Bap_Date", "o.couple_btsmDate"},
        {"Bap_No", Text("couple_btsmNo")},       {"_Fr", Person("couple_FrSt", "couple_FrNm")},
        {"Fr_religion", Text("couple_FrRelig")}, {"_Mo", Person("couple_MoSt", "couple_MoNm")},
        {"Mo_religion", Text("couple_MoRelig")}};
    auto column = [](bool isGroom, const std::string& suffix) {
      if (suffix.empty()) return std::string(isGroom ? "Groom" : "Bride");
      if (suffix == "_Fr" || suffix == "_Mo")
        return std::string(isGroom ? "Groom" : "Bride") + suffix;
      return std::string(isGroom ? "Gr" : "Br") + suffix;
    };
    std::vector<std::pair<std::string, std::string>> expected = {
        {"Marriage_Date", "o.mtmn_date"},
        {"MarriageID", Text("mtmn_No")},
        {"Witness1", Person("mtmn_fatherSt", "mtmn_father")},
        {"Witness2", Person("mtmn_motherSt", "mtmn_mother")},
        {"Priest", Text("mtmn_priest")},
        {"Notify_to", groom ? Text("couple_Church") : "null"},
        {"Certify_Date", "null"},
        {"Certify_By", "null"},
        {"Return_Date", "null"},
        {"Return_By", "null"}};
    for (const auto& [suffix, expr] : member_side)
      expected.push_back({column(groom, suffix), expr});
    for (const auto& [suffix, expr] : spouse_side)
      expected.push_back({column(!groom, suffix), expr});
    for (const auto& [notice, expr] : expected) {
      SCOPED_TRACE(notice);
      std::string stored =
          Cli("select quote(" + notice + ") from MarriageNotify where Notify_No = " + number);
      std::string wanted = Cli("select quote(" + expr + ") from Orvani o where o.ID = " + member);
      EXPECT_EQ(stored, wanted);
    }
  }

  int shownModally_ = 0;
};

TEST_F(NotifyFromMemberTest, MaleAndFemaleMembersBecomeGroomAndBride) {
  MakeDemo(120);
  Cli("delete from MarriageNotify");
  TForm1* f = StartWithNotices();

  // A married man: the first notification of an empty table.
  std::string man = FirstMember("sex = 'ชาย' and mtmn_date is not null and couple_nm is not null");
  MakeFrom(f, man);
  std::string nm = Cli("select Nm || '  ' || sur from Orvani where ID = " + man);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการสร้างเอกสารแจ้งการสมรสของ  คุณ" + nm + " หรือ ?"});
  EXPECT_EQ(shownModally_, 1);
  ASSERT_EQ(Cli("select Notify_No from MarriageNotify"), "1");
  ExpectNotice("1", man, true);
  EXPECT_EQ(Form2->ADOQuery1->FieldByName("Notify_No")->AsString(), "1");
  EXPECT_EQ(Form2->LabeledEdit1->Text(), Cli("select Groom from MarriageNotify"));

  // The same man again: told so, nothing added, the window shown all the same.
  MakeFrom(f, man);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"มีข้อมูลการแจ้งการสมรสของคุณ " + nm + " อยู่แล้ว"});
  EXPECT_EQ(shownModally_, 2);
  EXPECT_EQ(Cli("select count(*) from MarriageNotify"), "1");

  // A married woman: the bride, nobody notified.
  std::string woman = FirstMember("sex = 'หญิง' and mtmn_date is not null");
  MakeFrom(f, woman);
  ASSERT_EQ(Cli("select count(*) from MarriageNotify where Notify_No = 2"), "1");
  ExpectNotice("2", woman, false);
  EXPECT_EQ(shownModally_, 3);

  // Answering No makes nothing but still shows the window.
  std::string other = FirstMember("sex = 'หญิง' and mtmn_date is not null and ID > " + woman);
  dialogs_->QueueResult(mrNo);
  MakeFrom(f, other);
  EXPECT_EQ(Cli("select count(*) from MarriageNotify"), "2");
  EXPECT_EQ(shownModally_, 4);
}

TEST_F(NotifyFromMemberTest, ApostrophesAnEmptySexAndAnUnnumberedNoticeAreHandled) {
  MakeDemo(20);
  Cli("insert into Orvani (ID, Nm, sur, mtmn_No, couple_nm, couple_St, couple_religion) values "
      "(9001, 'O''Neil', 'ดี''ใจ', '1/2020', 'ยอด รัก', 'เปโตร', 'คาทอลิก');"
      "insert into MarriageNotify (Groom) values ('ไม่มีเลข');");
  std::string highest = Cli("select max(Notify_No) from MarriageNotify");
  TForm1* f = StartWithNotices();
  MakeFrom(f, "9001");
  std::string number = std::to_string(std::stoi(highest) + 1);
  ASSERT_EQ(Cli("select count(*) from MarriageNotify where Notify_No = " + number), "1");
  // No sex is not "ชาย": she is the bride, her empty saint's name leaves a leading blank.
  EXPECT_EQ(Cli("select Bride from MarriageNotify where Notify_No = " + number), " O'Neil ดี'ใจ");
  EXPECT_EQ(Cli("select Groom from MarriageNotify where Notify_No = " + number), "เปโตร ยอด รัก");
  ExpectNotice(number, "9001", false);
  MakeFrom(f, "9001");
  EXPECT_EQ(Boxes().back(), "มีข้อมูลการแจ้งการสมรสของคุณ O'Neil  ดี'ใจ อยู่แล้ว");
}

}  // namespace orv::test
