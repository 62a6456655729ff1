// The program's own sorting of what a statement gave: Thai names of any length, and the
// connection's time limit over the sort as over the statement.
#include "platform/db/ThaiCollation.h"
#include "platform/db/tests/DbTestSupport.h"

namespace orv::test {
namespace {

class ProgramSortTest : public DbTest {
 protected:
  // Three members whose names are a million letters long, each a repeated word.
  void LongNames() {
    conn_->Execute("create table m (ID integer primary key, Nm text)");
    auto q = Query("insert into m (Nm) values (:a), (:b), (:c)");
    std::string a, b, c;
    for (int i = 0; i < 1000000 / 4; ++i) {
      a += "ชมพู";
      b += "กมลา";
      c += "อรุณ";
    }
    q->Parameters().ParamByName("a")->SetValue(a);
    q->Parameters().ParamByName("b")->SetValue(b);
    q->Parameters().ParamByName("c")->SetValue(c);
    q->ExecSQL();
  }
};

TEST_F(ProgramSortTest, MillionLetterNamesSortInThaiOrder) {
  LongNames();
  auto q = Query("select * from m");
  q->SetSort("Nm");
  q->Open();
  std::vector<std::string> ids;
  for (; !q->Eof(); q->Next()) ids.push_back(q->FieldByName("ID")->AsString());
  EXPECT_EQ(ids, (std::vector<std::string>{"2", "1", "3"}));
  // The key orders as the comparison does, also where the texts differ only at their end.
  std::string shorter(300000, 'a'), longer = shorter + "b";
  EXPECT_LT(ThaiSortKey(shorter), ThaiSortKey(longer));
  EXPECT_LT(ThaiSortKey("กา"), ThaiSortKey("เกา"));
  EXPECT_LT(ThaiSortKey("เกา"), ThaiSortKey("ขา"));
}

TEST_F(ProgramSortTest, TheTimeLimitEndsTheProgramsOwnSortToo) {
  LongNames();
  auto q = Query("select * from m");
  q->SetSort("Nm");
  // Three rows take SQLite no time at all; their keys take the sort more than a millisecond.
  conn_->SetTimeLimit(1);
  EXPECT_THROW(q->Open(), EDatabaseError);
  EXPECT_TRUE(conn_->TimeLimitPassed());
  conn_->SetTimeLimit(0);
  q->Open();
  EXPECT_EQ(q->RecordCount(), 3);
}

}  // namespace
}  // namespace orv::test
