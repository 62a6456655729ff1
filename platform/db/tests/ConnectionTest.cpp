// What the connection sets on every database it opens.
#include <gtest/gtest.h>

#include "platform/db/tests/DbTestSupport.h"

namespace orv::test {
namespace {

class JournalTest : public DbTest {};

TEST_F(JournalTest, OpenedDatabaseWritesAheadEvenWhenMadeElsewhere) {
  auto q = Query("pragma journal_mode");
  q->Open();
  EXPECT_EQ(q->Fields()[0]->AsString(), "wal");
  EXPECT_EQ(Cli("pragma journal_mode"), "wal\n");

  // A file made by another program in the rollback journal mode is switched on opening.
  std::string other = (dir_ / "Other.db").string();
  EXPECT_EQ(Sqlite3Cli(other, "create table t (x); pragma journal_mode"), "delete\n");
  TADOConnection conn(nullptr);
  conn.SetConnectionString("Data Source=" + other);
  conn.Open();
  TADOQuery mode(nullptr);
  mode.SetConnection(&conn);
  mode.SQL().SetText("pragma journal_mode");
  mode.Open();
  EXPECT_EQ(mode.Fields()[0]->AsString(), "wal");
  mode.Close();
  conn.Close();
  EXPECT_EQ(Sqlite3Cli(other, "pragma journal_mode"), "wal\n");
}

}  // namespace
}  // namespace orv::test
