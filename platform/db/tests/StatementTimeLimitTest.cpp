// A time limit for each step of a statement: a statement that never gets to its next row is
// stopped, while a long walk of many quick steps over a large table goes on to its end.
#include <chrono>
#include <thread>

#include "platform/db/tests/DbTestSupport.h"

namespace orv::test {
namespace {

class StatementTimeLimitTest : public DbTest {};

TEST_F(StatementTimeLimitTest, AnEndlessStatementIsStoppedAndALongWalkOfQuickStepsGoesOn) {
  conn_->Execute("create table m (ID integer primary key, Nm text); with recursive c(i) as (select 1 union all "
                 "select i + 1 from c where i < 50000) insert into m (Nm) select 'สมาชิก ' || i from c");
  conn_->SetStatementTimeLimit(300);
  // Every member, with a pause now and then: the walk takes longer than the limit.
  auto walk = Query("select ID, Nm from m order by ID");
  walk->Open();
  Integer seen = 0;
  for (walk->First(); !walk->Eof(); walk->Next()) {
    if (++seen % 10000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  EXPECT_EQ(seen, 50000);
  walk->Close();

  auto endless = Query("with recursive r(n) as (select 1 union all select n + 1 from r) select n from r where n < 0");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(endless->Open(), EDatabaseInterrupted);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(conn_->TimeLimitPassed());
  // The connection goes on.
  auto count = Query("select count(*) from m");
  count->Open();
  EXPECT_EQ(count->Fields()[0]->AsInteger(), 50000);
}

}  // namespace
}  // namespace orv::test
