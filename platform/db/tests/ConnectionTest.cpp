// What the connection sets on every database it opens.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/db/tests/DbTestSupport.h"

namespace orv::test {
namespace {

class JournalTest : public DbTest {};

// The first field of the first row sql gives on file, opened with the connection string's
// further settings, as text.
std::string FirstValueOf(const std::string& file, const std::string& sql, const std::string& settings = "") {
  TADOConnection conn(nullptr);
  conn.SetConnectionString("Data Source=" + file + settings);
  conn.Open();
  TADOQuery q(nullptr);
  q.SetConnection(&conn);
  q.SQL().SetText(sql);
  q.Open();
  return q.Fields()[0]->AsString();
}

TEST_F(JournalTest, OpenedDatabaseWritesAheadEvenWhenMadeElsewhere) {
  auto q = Query("pragma journal_mode");
  q->Open();
  EXPECT_EQ(q->Fields()[0]->AsString(), "wal");
  EXPECT_EQ(Cli("pragma journal_mode"), "wal\n");

  // A file made by another program in the rollback journal mode is switched on opening.
  std::string other = (dir_ / "Other.db").string();
  EXPECT_EQ(Sqlite3Cli(other, "create table t (x); pragma journal_mode"), "delete\n");
  EXPECT_EQ(FirstValueOf(other, "pragma journal_mode"), "wal");
  EXPECT_EQ(Sqlite3Cli(other, "pragma journal_mode"), "wal\n");
}

// Several programs opening one file made elsewhere at the same moment (report tools started
// together) each get it: switching its journal makes all but one wait, and none is refused.
TEST_F(JournalTest, ProgramsOpeningAFileMadeElsewhereTogetherAllOpenIt) {
  for (int round = 0; round < 6; ++round) {
    const std::string other = (dir_ / ("Together" + std::to_string(round) + ".db")).string();
    ASSERT_EQ(Sqlite3Cli(other, "create table t (x); insert into t values (7); pragma journal_mode"), "delete\n");
    std::vector<pid_t> children;
    for (int k = 0; k < 6; ++k) {
      pid_t child = fork();
      if (child == 0) {
        int code = 1;
        try {
          code = FirstValueOf(other, "select x from t") == "7" ? 0 : 2;
        } catch (...) {
        }
        _exit(code);
      }
      children.push_back(child);
    }
    for (pid_t child : children) {
      int status = 0;
      waitpid(child, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    }
    EXPECT_EQ(Sqlite3Cli(other, "pragma journal_mode"), "wal\n");
  }
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

// Counts the rows of t in file, opened for reading by an unprivileged user (to root every
// folder is writable): the count, or -1 when the connection refused with a message naming the
// log, or -2 on any other failure.
int CountAsNobody(const std::string& file) {
  pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(102);
    int code = 101;
    try {
      code = std::stoi(FirstValueOf(file, "select count(*) from t", ";Mode=Read"));
    } catch (const EDatabaseError& e) {
      code = e.Message().find(file + "-wal") != std::string::npos ? 100 : 101;
    } catch (...) {
    }
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 101;
  return code == 100 ? -1 : code > 100 ? -2 : code;
}

TEST_F(JournalTest, AReadOnlyFolderCopiedWithItsLogShowsWhatTheLogHolds) {
  // Rows still in the log (no checkpoint), copied with it into a folder nobody may write to.
  std::string source = (dir_ / "Source.db").string();
  std::filesystem::path folder = dir_ / "readonly";
  std::filesystem::create_directories(folder);
  std::string file = (folder / "Orvane.db").string();
  Sqlite3Cli(source, "create table t (x); insert into t values (1)");
  {
    TADOConnection writer(nullptr);
    writer.SetConnectionString("Data Source=" + source);
    writer.Execute("pragma wal_checkpoint(truncate)");
    writer.Execute("pragma wal_autocheckpoint=0");
    writer.Execute("insert into t values (2); insert into t values (3)");
    // Copied while the writer is open: closing it would fold the log into the file.
    std::filesystem::copy_file(source, file);
    std::filesystem::copy_file(source + "-wal", file + "-wal");
  }
  ASSERT_GT(std::filesystem::file_size(file + "-wal"), 0u);
  using std::filesystem::perms;
  for (const std::string& f : {file, file + "-wal"}) std::filesystem::permissions(f, perms::all);
  std::filesystem::permissions(folder, perms::owner_all | perms::group_read | perms::group_exec |
                                           perms::others_read | perms::others_exec);
  // Without the log's shared-memory file, which cannot be made there: refused, naming the log.
  int withoutShm = CountAsNobody(file);
  EXPECT_TRUE(withoutShm == 3 || withoutShm == -1) << withoutShm;
  // With it the log is read: every row.
  std::filesystem::permissions(folder, perms::all);
  {
    std::ofstream shm(file + "-shm");
  }
  std::filesystem::permissions(file + "-shm", perms::all);
  std::filesystem::permissions(folder, perms::owner_all | perms::group_read | perms::group_exec |
                                           perms::others_read | perms::others_exec);
  EXPECT_EQ(CountAsNobody(file), 3);
  std::filesystem::permissions(folder, perms::all);
  std::filesystem::permissions(dir_, perms::all);
}

}  // namespace
}  // namespace orv::test
