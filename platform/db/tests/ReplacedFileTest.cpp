// The file at the database's path replaced while a connection has it open: its writes are
// refused, and the file left whole; other programs writing it the database's way are no
// replacement. The log beside the file is empty between writes, so a copy put over the file
// after a crash opens as the copy, and a log written for another file is refused.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/db/tests/DbTestSupport.h"

namespace orv::test {
namespace {

class ReplacedFileTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    conn_->Execute("create table t (x text); insert into t values ('one')");
  }
  std::string Bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void CopyOver(const std::string& from) {
    const std::string bytes = Bytes(from);
    std::ofstream(file_, std::ios::binary | std::ios::trunc) << bytes;
  }
  // A program that writes the file through the data layer and ends without closing it, as
  // kill -9 or a crash ends the register.
  void WriteAndDie(const std::string& sql) {
    const pid_t pid = fork();
    if (pid == 0) {
      TADOConnection writer(nullptr);
      writer.SetDatabaseFile(file_);
      writer.Open();
      writer.Execute(sql);
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // Python's SQLite makes a table in file and ends at once, leaving its commit in the log.
  void LeaveALog(const std::string& file, const std::string& table) {
    const std::string script = "import sqlite3, os\nc = sqlite3.connect('" + file +
                               "')\nc.execute('pragma journal_mode=wal')\nc.execute('create table " + table +
                               " (y)')\nc.execute(\"insert into " + table +
                               " values ('log')\")\nc.commit()\nos._exit(0)\n";
    ASSERT_EQ(std::system(("python3 - <<'ORVANE_PY'\n" + script + "ORVANE_PY\n").c_str()), 0);
    ASSERT_GT(std::filesystem::file_size(file + "-wal"), 0u);
  }
};

TEST_F(ReplacedFileTest, ABackupCopiedOverAfterAnotherProgramsCommitIsRefusedAndStaysWhole) {
  const std::string backup = (dir_ / "backup.db").string();
  std::filesystem::copy_file(file_, backup);
  conn_->Execute("insert into t values ('two')");
  // Another program's commit: the data version changes, and it stays in the log.
  Cli("insert into t values ('other')");
  CopyOver(backup);
  EXPECT_THROW(conn_->Execute("insert into t values ('lost')"), EDatabaseReplaced);
  conn_->Close();
  // The other program's commit was made for the file that is gone: it is not laid over the copy.
  EXPECT_EQ(Cli("pragma integrity_check; select group_concat(x, ',') from t"), "ok\none\n");

  // Copied over with no write after it, the copy is left as it is too.
  conn_->Open();
  conn_->Execute("insert into t values ('two')");
  Cli("insert into t values ('other')");
  CopyOver(backup);
  conn_->Close();
  EXPECT_EQ(Cli("pragma integrity_check; select group_concat(x, ',') from t"), "ok\none\n");
}

TEST_F(ReplacedFileTest, EveryCommitEmptiesTheLogSoABackupCopiedOverAfterACrashOpensAsItself) {
  conn_->Close();
  const std::string backup = (dir_ / "backup.db").string();
  std::filesystem::copy_file(file_, backup);
  WriteAndDie("insert into t values ('two'); insert into t values ('three')");
  EXPECT_EQ(std::filesystem::file_size(file_ + "-wal"), 0u);
  CopyOver(backup);
  EXPECT_EQ(Cli("pragma integrity_check; select group_concat(x, ',') from t"), "ok\none\n");
  conn_->Open();
  EXPECT_EQ(conn_->Execute("insert into t values ('four')"), 1);
  conn_->Close();
  EXPECT_EQ(Cli("pragma integrity_check; select group_concat(x, ',') from t"), "ok\none,four\n");
}

TEST_F(ReplacedFileTest, ALogWrittenForAnotherFileIsRefusedAndItsOwnIsRead) {
  conn_->Close();
  // The file's own log, left by a program that ended without closing: its change is read.
  LeaveALog(file_, "own");
  conn_->Open();
  auto q = Query("select y from own");
  q->Open();
  EXPECT_EQ(q->Fields()[0]->AsString(), "log");
  q->Close();
  conn_->Close();

  // The log of another database beside this one: a parish of another history.
  const std::string other = (dir_ / "other.db").string();
  TADOConnection::CreateDatabase(other);
  {
    TADOConnection o(nullptr);
    o.SetDatabaseFile(other);
    o.Execute("create table t (x text)");
    for (int i = 0; i < 5; ++i) o.Execute("insert into t values ('elsewhere')");
  }
  LeaveALog(other, "theirs");
  std::filesystem::remove(file_ + "-shm");
  std::filesystem::copy_file(other + "-wal", file_ + "-wal", std::filesystem::copy_options::overwrite_existing);
  const std::string sound = Bytes(file_);
  try {
    conn_->Open();
    ADD_FAILURE() << "opened";
  } catch (const EDatabaseForeignLog& e) {
    EXPECT_NE(e.Message().find(file_ + "-wal"), std::string::npos) << e.Message();
  }
  TADOConnection reader(nullptr);
  reader.SetConnectionString("Mode=Read");
  reader.SetDatabaseFile(file_);
  EXPECT_THROW(reader.Open(), EDatabaseForeignLog);
  EXPECT_TRUE(Bytes(file_) == sound) << "the file was written";
}

TEST_F(ReplacedFileTest, OtherProgramsWritingAndMergingTheLogAreNoReplacement) {
  Cli("insert into t values ('two'); pragma wal_checkpoint(truncate)");
  conn_->Execute("insert into t values ('three')");
  Cli("pragma wal_checkpoint(truncate)");
  conn_->Execute("insert into t values ('four')");
  auto q = Query("select x from t");
  q->Open();
  q->Edit();
  q->Fields()[0]->SetAsString("five");
  q->Post();
  EXPECT_EQ(Cli("select group_concat(x, ',') from t"), "five,two,three,four\n");
}

TEST_F(ReplacedFileTest, WritesIntoAFileMovedOrCopiedOverAreRefused) {
  const std::string copy = (dir_ / "copy.db").string();
  Cli("pragma wal_checkpoint(truncate)");
  std::filesystem::copy_file(file_, copy);
  // Copied over: the same file, other contents.
  conn_->Execute("insert into t values ('later')");
  std::ofstream(file_, std::ios::binary | std::ios::trunc) << Bytes(copy);
  EXPECT_THROW(conn_->Execute("insert into t values ('lost')"), EDatabaseReplaced);
  auto q = Query("select x from t");
  q->Open();
  q->Edit();
  q->Fields()[0]->SetAsString("lost");
  EXPECT_THROW(q->Post(), EDatabaseReplaced);
  q->Cancel();
  q->Close();
  conn_->Close();
  EXPECT_EQ(Cli("pragma integrity_check; select group_concat(x, ',') from t"), "ok\none\n");

  // Moved over.
  conn_->Open();
  conn_->Execute("insert into t values ('later')");
  std::filesystem::copy_file(copy, copy + ".2");
  std::filesystem::rename(copy + ".2", file_);
  try {
    conn_->Execute("insert into t values ('lost')");
    ADD_FAILURE() << "written";
  } catch (const EDatabaseReplaced& e) {
    EXPECT_NE(e.Message().find(file_), std::string::npos) << e.Message();
  }
  conn_->Close();
  EXPECT_EQ(Cli("pragma integrity_check; select group_concat(x, ',') from t"), "ok\none\n");
}

}  // namespace
}  // namespace orv::test
