// The spouse's name or member code typed on the marriage page: the spouse's own record copied
// into the member when exactly one member matches, nothing copied otherwise.
#include "app/tests/EditingFixture.h"

namespace orv::test {

class SpouseLookupTest : public ParishTest {
 protected:
  // The member's spouse columns as sqlite3 prints them, Null as "null".
  std::string Spouse(int id) {
    return Cli("select ifnull(couple_nm, 'null'), ifnull(couple_No, 'null'), "
               "ifnull(couple_religion, 'null'), ifnull(couple_St, 'null'), "
               "ifnull(couple_btsmDate, 'null'), ifnull(couple_btsmNo, 'null'), "
               "ifnull(couple_btsmPlace, 'null'), ifnull(couple_FrNm, 'null'), "
               "ifnull(couple_FrSt, 'null'), ifnull(couple_FrRelig, 'null'), "
               "ifnull(couple_MoNm, 'null'), ifnull(couple_MoSt, 'null'), "
               "ifnull(couple_MoRelig, 'null') from Orvani where ID = " +
               std::to_string(id));
  }
};

TEST_F(SpouseLookupTest, NameAndCodeCopyTheOneMatchingMembersRecord) {
  MakeEmpty();
  Cli("insert into Orvani (ID, Nm, sur, NUM, religion, st, btsm_date, btsm_No, btsm_wat, "
      "papa_nm, papa_st, papa_relig, mama_nm, mama_st, mama_relig) values "
      "(1, 'สมชาย', 'ใจดี', '100234-1980-12', 'คาทอลิก', 'ยอแซฟ', '1980-05-06', '12/1980', "
      "'วัดพระหฤทัย', 'บิดา ใจดี', 'เปโตร', 'คาทอลิก', 'มารดา ใจดี', null, 'พุทธ'),"
      "(2, 'มาลี', 'แสงทอง', '100234-1982-3', null, null, null, null, null, null, null, null, "
      "null, null, null),"
      "(3, 'วิชัย', 'ศรี สุข', '100234-1979-1', 'พุทธ', 'ยอห์น', null, null, null, null, "
      "null, null, null, null, null),"
      "(4, 'สมศรี', 'ซ้ำ', 'DUP-000001', 'คาทอลิก', 'อันนา', null, null, null, null, null, null, "
      "null, null, null),"
      "(5, 'สมศรี', 'ซ้ำ', 'DUP-000002', 'คาทอลิก', 'อันนา', null, null, null, null, null, null, "
      "null, null, null);"
      "update Orvani set couple_St = 'เดิม', couple_religion = 'เดิม' where ID = 2;");
  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(2), 0));

  // One blank splits name and surname; the spouse's Null saint's name copies as empty text.
  TypeAndEnter(f->LabeledEdit43, "สมชาย ใจดี");
  EXPECT_EQ(Spouse(2),
            "สมชาย ใจดี|100234-1980-12|คาทอลิก|ยอแซฟ|1980-05-06|12/1980|วัดพระหฤทัย|บิดา ใจดี|"
            "เปโตร|คาทอลิก|มารดา ใจดี||พุทธ");
  EXPECT_EQ(f->LabeledEdit69->Text(), "100234-1980-12");
  EXPECT_EQ(f->LabeledEdit71->Text(), "6 พฤษภาคม 1980");

  // Two members of that name: nothing is copied, the name alone is stored.
  TypeAndEnter(f->LabeledEdit43, "สมศรี ซ้ำ");
  EXPECT_EQ(Spouse(2),
            "สมศรี ซ้ำ|100234-1980-12|คาทอลิก|ยอแซฟ|1980-05-06|12/1980|วัดพระหฤทัย|บิดา ใจดี|"
            "เปโตร|คาทอลิก|มารดา ใจดี||พุทธ");

  // The surname keeps the later blanks; a Null baptism date clears the spouse's.
  TypeAndEnter(f->LabeledEdit43, "วิชัย ศรี สุข");
  EXPECT_EQ(Spouse(2), "วิชัย ศรี สุข|100234-1979-1|พุทธ|ยอห์น|null||||||||");

  // A code matching a member whose name is not the spouse's name stores nothing.
  TypeAndEnter(f->LabeledEdit69, "100234-1980-12");
  EXPECT_EQ(Spouse(2), "วิชัย ศรี สุข|100234-1979-1|พุทธ|ยอห์น|null||||||||");
  EXPECT_EQ(f->LabeledEdit69->Text(), "100234-1979-1");
  // A code of eight characters or fewer clears the stored code only.
  TypeAndEnter(f->LabeledEdit69, "12345678");
  EXPECT_EQ(Spouse(2), "วิชัย ศรี สุข|null|พุทธ|ยอห์น|null||||||||");
  // The code of the member the name names copies the record.
  TypeAndEnter(f->LabeledEdit43, "สมชาย ใจดี");
  TypeAndEnter(f->LabeledEdit69, "100234-1980-12");
  EXPECT_EQ(Spouse(2),
            "สมชาย ใจดี|100234-1980-12|คาทอลิก|ยอแซฟ|1980-05-06|12/1980|วัดพระหฤทัย|บิดา ใจดี|"
            "เปโตร|คาทอลิก|มารดา ใจดี||พุทธ");

  // Quotes in the name are data: no match, stored as typed.
  TypeAndEnter(f->LabeledEdit43, "O'Neil \"x\"; --");
  EXPECT_EQ(Cli("select couple_nm from Orvani where ID = 2"), "O'Neil \"x\"; --");
  // Emptied, the name is Null and the rest stays.
  TypeAndEnter(f->LabeledEdit43, "");
  EXPECT_EQ(Spouse(2),
            "null|100234-1980-12|คาทอลิก|ยอแซฟ|1980-05-06|12/1980|วัดพระหฤทัย|บิดา ใจดี|"
            "เปโตร|คาทอลิก|มารดา ใจดี||พุทธ");
  EXPECT_EQ(Cli("select count(*) from Orvani"), "5");
}

}  // namespace orv::test
