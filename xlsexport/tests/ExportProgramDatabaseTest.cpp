// xlsx_export_run over databases it may only read, and past a file-size limit: the database is
// left byte for byte as it was, a limit that stops the workbook is told and leaves the old one,
// and --help prints the usage where a user looks for it.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "xlsexport/tests/ExportFixture.h"

namespace orv::exporttest {

namespace {

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The program's status (-1 when a signal ended it), with limits (shell ulimit settings) before it.
int RunExport(const fs::path& dir, const std::string& args, const std::string& limits = "") {
  const std::string command = "cd '" + dir.string() + "' && " + (limits.empty() ? "" : limits + " && ") + "exec " +
                              ORVANE_EXPORT_RUN_PROGRAM + " " + args + " > out.txt 2> err.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A read-only database of sqlite3 in the journal mode given.
fs::path ReadOnlyDatabase(const fs::path& dir, const std::string& journal) {
  const fs::path db = dir / (journal + ".db");
  const std::string sql = "pragma journal_mode=" + journal +
                          "; create table m (Nm text(50), n integer); with recursive c(i) as (select 1 union all "
                          "select i + 1 from c where i < 40) insert into m select 'สมาชิก ' || i, i from c;";
  EXPECT_EQ(std::system(("sqlite3 '" + db.string() + "' > /dev/null <<'ORVANE_SQL'\n" + sql + "\nORVANE_SQL\n").c_str()), 0);
  fs::permissions(db, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  return db;
}

}  // namespace

TEST_F(ExportTest, ProgramReadsAReadOnlyDatabaseOfEitherJournalAndLeavesItAsItWas) {
  for (const std::string journal : {"delete", "wal"}) {
    SCOPED_TRACE(journal);
    const fs::path db = ReadOnlyDatabase(dir, journal);
    const std::string before = Bytes(db);
    EXPECT_EQ(RunExport(dir, db.filename().string() + " 'select * from m' " + journal + ".xlsx"), 0)
        << Bytes(dir / "err.txt");
    EXPECT_EQ(Bytes(dir / "out.txt"), "40 rows exported\n");
    sheettest::WorkbookFacts wb((dir / (journal + ".xlsx")).string());
    ASSERT_TRUE(wb.Ok()) << wb.Raw();
    EXPECT_EQ(wb.Value("Query!A41"), "สมาชิก 40");
    EXPECT_EQ(RunExport(dir, db.filename().string() + " 'select nothing from m' bad.xlsx"), 1);
    EXPECT_TRUE(Bytes(db) == before) << "the database was written";
    if (journal == "delete") {
      EXPECT_FALSE(fs::exists(db.string() + "-wal"));
      EXPECT_FALSE(fs::exists(db.string() + "-shm"));
    }
  }
}

TEST_F(ExportTest, ProgramToldOfAFileSizeLimitKeepsTheOldWorkbook) {
  connection->Execute("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 20000) "
                      "INSERT INTO members (Nm, note) SELECT 'สมาชิก ' || i, hex(randomblob(40)) FROM c");
  connection->Close();
  std::ofstream(dir / "big.xlsx") << "the old file";
  // 64 blocks of 512 bytes: room for the database's shared memory, not for the workbook.
  EXPECT_EQ(RunExport(dir, "parish.db 'select * from members' big.xlsx", "ulimit -f 64"), 1)
      << "ended by a signal: " << Bytes(dir / "err.txt");
  EXPECT_NE(Bytes(dir / "err.txt"), "");
  EXPECT_EQ(Bytes(dir / "big.xlsx"), "the old file");
}

TEST_F(ExportTest, ProgramHelpPrintsTheUsageOnStandardOutput) {
  EXPECT_EQ(RunExport(dir, "--help"), 0);
  EXPECT_EQ(Bytes(dir / "out.txt").rfind("usage: xlsx_export_run DB SQL OUT", 0), 0u) << Bytes(dir / "out.txt");
  EXPECT_EQ(Bytes(dir / "err.txt"), "");
}

}  // namespace orv::exporttest
