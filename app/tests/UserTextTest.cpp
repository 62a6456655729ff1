// Names with quotes, apostrophes and percent signs, in the data and in the parish
// folder's path, go through every statement of the display unharmed.
#include "app/tests/ParishFixture.h"
#include "platform/gui/Picture.h"

namespace orv::test {

using UserTextTest = ParishTest;

TEST_F(UserTextTest, QuotesAndPercentSignsAreDataNotSql) {
  std::filesystem::path parish = dir_ / "Parish 'A' \"100%\"";
  std::filesystem::create_directories(parish / "Picture");
  dir_ = parish;
  AppPath = parish.string();
  MakeEmpty();
  const std::string nm = "O'Neil \"Bob\"";
  const std::string sur = "100% x'y";
  Cli("insert into Orvani (ID, Nm, sur, sex, tel) values "
      "(1, 'O''Neil \"Bob\"', '100% x''y', 'ชาย', '%'' or 1=1 --');\n"
      "insert into Orvani (ID, Nm, sur, papa_nm) values "
      "(2, 'ลูก', 'คนจริง', 'O''Neil \"Bob\" 100% x''y'), "
      "(3, 'ลูก', 'คนอื่น', 'O''Neil \"Bob\" 100%'), (4, 'ลูก', 'อีกคน', '%');");
  DrawParishLogo((parish / "Picture" / (nm + " " + sur + ".jpg")).string());

  TForm1* f = Start();
  ASSERT_TRUE(f->ADOQuery1->Locate("ID", Variant(1), 0));
  EXPECT_EQ(f->LabeledEdit2->Text(), nm);
  EXPECT_EQ(f->LabeledEdit3->Text(), sur);
  EXPECT_EQ(f->LabeledEdit7->Text(), "%' or 1=1 --");
  EXPECT_EQ(f->Edit3->Text(), nm + " " + sur);
  ASSERT_EQ(f->ADOQuery2->RecordCount(), 1);
  EXPECT_EQ(f->ADOQuery2->FieldByName("Sur")->AsString(), "คนจริง");
  EXPECT_EQ(PhotoFileName, parish.string() + "/Picture/" + nm + " " + sur + ".jpg");
  EXPECT_EQ(ShownPhotoPath, PhotoFileName);
  EXPECT_GT(f->Image1->Picture()->Width(), 0);
  EXPECT_EQ(f->ADOQuery6->FieldByName("Nm")->AsString(), nm);
  f->FindSen();
  Stop();
  EXPECT_EQ(Cli("select count(*) from Orvani"), "4");
}

}  // namespace orv::test
