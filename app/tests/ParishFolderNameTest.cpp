// The parish folder is named on the command line: any name a folder may have opens that folder.
#include "app/tests/EditingFixture.h"
#include "app/tests/ParishFixture.h"

namespace orv::test {
namespace {

using ParishFolderNameTest = ParishTest;

TEST_F(ParishFolderNameTest, AFolderWhoseNameHoldsASemicolonIsTheParishOpened) {
  // "x" holds a parish of 3 members, "x;y" one of 7: the program is given "x;y".
  std::filesystem::path other = dir_ / "x", named = dir_ / "x;y";
  CreateDemoParish(other.string(), 3);
  CreateDemoParish(named.string(), 7);
  AppPath = named.string();
  TForm1* f = Start();
  EXPECT_EQ(AppPath, named.string());
  EXPECT_EQ(f->Label3->Caption(), "จำนวนข้อมูล  7 รายการ");
  // What is written goes to that parish as well.
  TypeAndEnter(f->LabeledEdit5, "บ้านเลขที่ 9");
  Stop();
  EXPECT_EQ(Sqlite3((named / ParishDatabaseName).string(), "select count(*) from Orvani where Address1 = 'บ้านเลขที่ 9'"), "1");
  EXPECT_EQ(Sqlite3((other / ParishDatabaseName).string(), "select count(*) from Orvani where Address1 = 'บ้านเลขที่ 9'"), "0");
  EXPECT_EQ(Sqlite3((other / ParishDatabaseName).string(), "select count(*) from Orvani"), "3");
}

}  // namespace
}  // namespace orv::test
