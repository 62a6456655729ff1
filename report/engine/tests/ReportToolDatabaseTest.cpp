// orvane-report over databases it may only read: a file of the rollback journal and one of the
// write-ahead log, each made read-only, are read and left byte for byte as they were, whether
// the run succeeds or fails; --help prints the usage where a user looks for it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string Bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ReportToolDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("orvane-report-db-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "list.xml", std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TkvxReport>\r\n  <TkvxReportPage Name=\"Page1\" "
           "PaperWidth=\"210\" PaperHeight=\"297\">\r\n    <TkvxMasterData Name=\"MasterData1\" Left=\"0\" Top=\"0\" "
           "Width=\"700\" Height=\"22\" DataSetName=\"M\">\r\n      <TkvxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" "
           "Width=\"300\" Height=\"18\" Text=\"[M.&#34;n&#34;]\"/>\r\n    </TkvxMasterData>\r\n  </TkvxReportPage>\r\n"
           "</TkvxReport>\r\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Runs the tool in the folder; its status, what it printed on standard output, then on error.
  int Run(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) {
    const std::string command = "cd '" + dir_.string() + "' && timeout 120 " + ORVANE_REPORT_PROGRAM + " " + args +
                                " > out.txt 2> err.txt";
    const int status = std::system(command.c_str());
    if (out) *out = Bytes(dir_ / "out.txt");
    if (err) *err = Bytes(dir_ / "err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // A database of 30 rows made by sqlite3 in the journal mode given, then made read-only.
  std::filesystem::path Database(const std::string& journal) {
    const std::filesystem::path db = dir_ / (journal + ".db");
    const std::string sql = "pragma journal_mode=" + journal +
                            "; create table t (n integer); with recursive c(i) as (select 1 union all select i + 1 "
                            "from c where i < 30) insert into t select i from c;";
    EXPECT_EQ(std::system(("sqlite3 '" + db.string() + "' '" + sql + "' > /dev/null").c_str()), 0);
    std::filesystem::permissions(db, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
    return db;
  }
  std::string JournalMode(const std::filesystem::path& db) {
    std::system(("sqlite3 -readonly '" + db.string() + "' 'pragma journal_mode' > '" + (dir_ / "mode.txt").string() +
                 "'").c_str());
    return Bytes(dir_ / "mode.txt");
  }

  std::filesystem::path dir_;
};

TEST_F(ReportToolDatabase, AReadOnlyDatabaseOfEitherJournalIsReadAndLeftAsItWas) {
  for (const std::string journal : {"delete", "wal"}) {
    SCOPED_TRACE(journal);
    const std::filesystem::path db = Database(journal);
    const std::string before = Bytes(db);
    std::string out, err;
    EXPECT_EQ(Run("list.xml --db " + db.filename().string() + " --data 'M=select n from t' --qpv list.qpv", &out, &err),
              0)
        << err;
    EXPECT_EQ(out, "1 pages\n");
    EXPECT_NE(Bytes(dir_ / "list.qpv").find("30"), std::string::npos);
    // A failed run leaves it too.
    EXPECT_EQ(Run("list.xml --db " + db.filename().string() + " --data 'M=select nothing from t' --qpv bad.qpv"), 1);
    EXPECT_TRUE(Bytes(db) == before) << "the database was written";
    EXPECT_EQ(JournalMode(db), journal + "\n");
    if (journal == "delete") {
      // No log was made beside it either.
      EXPECT_FALSE(std::filesystem::exists(db.string() + "-wal"));
      EXPECT_FALSE(std::filesystem::exists(db.string() + "-shm"));
    }
  }
}

TEST_F(ReportToolDatabase, HelpPrintsTheUsageOnStandardOutput) {
  std::string out, err;
  EXPECT_EQ(Run("--help", &out, &err), 0);
  EXPECT_EQ(out.rfind("usage: orvane-report REPORT --db FILE", 0), 0u) << out;
  EXPECT_EQ(err, "");
  // A wrong command line still says it on the error output.
  EXPECT_EQ(Run("--nonsense", &out, &err), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err.rfind("usage: orvane-report", 0), 0u) << err;
}

}  // namespace
