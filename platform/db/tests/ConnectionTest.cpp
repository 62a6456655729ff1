// What the connection sets on every database it opens.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

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

// Reads one file's bytes whole.
std::string Bytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(JournalTest, ReadModeLeavesTheFileAsItFoundIt) {
  // A rollback-journal file, and a name that a URI would misread.
  std::string other = (dir_ / "a%3F?b#c.db").string();
  Sqlite3Cli(other, "create table t (x); insert into t values ('ก');");
  std::string before = Bytes(other);
  TADOConnection conn(nullptr);
  conn.SetConnectionString("Data Source=" + other + ";Mode=Read");
  conn.Open();
  TADOQuery q(nullptr);
  q.SetConnection(&conn);
  q.SQL().SetText("select x from t");
  q.Open();
  EXPECT_EQ(q.Fields()[0]->AsString(), "ก");
  q.Close();
  EXPECT_THROW(conn.Execute("insert into t values (1)"), EDatabaseError);
  conn.Close();
  EXPECT_EQ(Bytes(other), before);
  EXPECT_EQ(Sqlite3Cli(other, "pragma journal_mode"), "delete\n");

  // A file that is no database is refused, not made into one.
  std::string empty = (dir_ / "empty.db").string();
  std::ofstream(empty).close();
  conn.SetConnectionString("Data Source=" + empty + ";Mode=Read");
  conn.Open();
  EXPECT_THROW(conn.Execute("select count(*) from sqlite_master where type = 'table' and name = 'x'; create table y (z)"), EDatabaseError);
  conn.Close();
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);
}

}  // namespace
}  // namespace orv::test
