// Results larger than the memory a dataset's rows may take: every way of reaching a row still
// shows what sqlite3 answers to the same statement, and the process stays within its bound.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "platform/db/RowStore.h"
#include "platform/db/tests/DbTestSupport.h"

namespace orv::test {
namespace {

// Descriptors of this process open on an unlinked row file.
int RowFilesOpen() {
  int count = 0;
  std::error_code ec;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
    if (!ec && target.find("orvRows") != std::string::npos && target.find("(deleted)") != std::string::npos)
      ++count;
  }
  return count;
}

class LargeResultTest : public DbTest {
 protected:
  // 4,000 rows of about 300 bytes: over a megabyte, against a budget of 64 KB.
  void SetUp() override {
    DbTest::SetUp();
    savedBudget_ = RowStore::MemoryBudget();
    RowStore::SetMemoryBudget(64 << 10);
    conn_->Execute(
        "CREATE TABLE Orvani (ID INTEGER PRIMARY KEY, Nm TEXT(200), num INTEGER, note MEMO, pic BLOB);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) "
        "INSERT INTO Orvani (Nm, num, note, pic) SELECT "
        "'สมชาย ' || i || ' ' || substr('กขคฆงจฉชซญฎฏฐฑฒณดตถทธนบปผฝพฟภมยรลวศษสหฬอฮ', 1 + i % 40), "
        "i * 7919 % 1009, "
        "CASE WHEN i % 11 = 0 THEN NULL ELSE printf('%.*c', 50 + i % 400, 'x') END, "
        "CASE WHEN i % 5 = 0 THEN NULL ELSE randomblob(i % 60) END FROM n;");
  }
  void TearDown() override {
    RowStore::SetMemoryBudget(savedBudget_);
    DbTest::TearDown();
  }
  // ID -> the row as sqlite3 prints it, in the statement's order.
  std::vector<std::pair<std::string, std::string>> Expected(const std::string& tail) {
    std::vector<std::pair<std::string, std::string>> rows;
    std::istringstream in(
        Cli("select ID, Nm, num, ifnull(note, '<null>'), CASE WHEN pic IS NULL THEN '<null>' ELSE hex(pic) END from Orvani " + tail));
    for (std::string line; std::getline(in, line);)
      rows.emplace_back(line.substr(0, line.find('|')), line);
    return rows;
  }
  static std::string Shown(TDataSet& q) {
    auto text = [&](const char* name, bool hex) -> std::string {
      TField* f = q.FieldByName(name);
      if (f->IsNull()) return "<null>";
      return hex ? Hex(f->AsString()) : f->AsString();
    };
    return q.FieldByName("ID")->AsString() + "|" + text("Nm", false) + "|" + text("num", false) + "|" +
           text("note", false) + "|" + text("pic", true);
  }
  // Walks every record both ways and checks each against sqlite3.
  void CheckWalks(TDataSet& q, const std::vector<std::pair<std::string, std::string>>& expected) {
    ASSERT_EQ(q.RecordCount(), static_cast<Integer>(expected.size()));
    size_t i = 0;
    for (q.First(); !q.Eof(); q.Next(), ++i) {
      ASSERT_LT(i, expected.size());
      ASSERT_EQ(Shown(q), expected[i].second) << "forward, record " << i + 1;
      ASSERT_EQ(q.RecNo(), static_cast<Integer>(i + 1));
    }
    EXPECT_EQ(i, expected.size());
    for (q.Last(); !q.Bof(); q.Prior()) {
      ASSERT_GT(i, 0u);
      --i;
      ASSERT_EQ(Shown(q), expected[i].second) << "backward, record " << i + 1;
    }
    EXPECT_EQ(i, 0u);
  }

  size_t savedBudget_ = 0;
};

TEST_F(LargeResultTest, RowsBeyondTheBudgetAreReachedEveryWayAndEditedWhereTheyWent) {
  // By keys (rows read as walked) and whole (an expression column).
  for (std::string select : {"select * from Orvani", "select *, length(Nm) as len from Orvani"}) {
    SCOPED_TRACE(select);
    auto expected = Expected("order by ID");
    auto q = Query(select + " order by ID");
    q->Open();
    CheckWalks(*q, expected);
    EXPECT_EQ(RowFilesOpen(), 1) << "the rows did not go to a file";

    // RecNo and bookmarks to records whose rows are in the file by now.
    std::map<Integer, TBookmark> marks;
    for (Integer r : {3999, 17, 2500, 1, 4000, 640}) {
      q->SetRecNo(r);
      EXPECT_EQ(Shown(*q), expected[static_cast<size_t>(r - 1)].second) << "RecNo " << r;
      marks[r] = q->GetBookmark();
    }
    for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
      q->GotoBookmark(it->second);
      EXPECT_EQ(q->RecNo(), it->first);
      EXPECT_EQ(Shown(*q), expected[static_cast<size_t>(it->first - 1)].second) << "bookmark " << it->first;
    }
    EXPECT_EQ(q->CompareBookmarks(marks[17], marks[2500]), -1);

    // Edits of rows that went to the file while every other record is read: one posted, one
    // cancelled.
    auto readAll = [&] {
      for (Integer r = 1; r <= q->RecordCount(); ++r) q->ValueAt(q->FieldByName("note"), r);
    };
    q->SetRecNo(3);
    q->Edit();
    q->FieldByName("Nm")->SetAsString("มาลัย แก้วใส");
    readAll();
    q->FieldByName("note")->SetAsString(std::string(3000, 'y'));
    readAll();
    q->Post();
    q->SetRecNo(10);
    q->Edit();
    q->FieldByName("Nm")->SetAsString("ยกเลิก");
    readAll();
    q->Cancel();
    EXPECT_EQ(Shown(*q), expected[9].second);
    EXPECT_EQ(Cli("select Nm, length(note) from Orvani where ID = 3"), "มาลัย แก้วใส|3000\n");
    expected = Expected("order by ID");
    CheckWalks(*q, expected);
    EXPECT_EQ(Cli("select count(*) from Orvani where Nm = 'ยกเลิก'"), "0\n");
    q->Close();
    EXPECT_EQ(RowFilesOpen(), 0);
  }
}

TEST_F(LargeResultTest, SortedAndFilteredResultsBeyondTheBudgetKeepTheirOrder) {
  for (std::string select : {"select * from Orvani", "select *, num + 0 as n from Orvani"}) {
    SCOPED_TRACE(select);
    auto q = Query(select + " where num % 3 <> 1");
    q->SetSort("num DESC, ID");
    q->Open();
    CheckWalks(*q, Expected("where num % 3 <> 1 order by num desc, ID"));
  }
}

TEST_F(LargeResultTest, ATemporaryFolderThatCannotBeWrittenKeepsEveryRowInMemory) {
  const char* saved = std::getenv("TMPDIR");
  std::string keep = saved ? saved : "";
  setenv("TMPDIR", (dir_ / "no such folder").c_str(), 1);
  auto q = Query("select *, length(Nm) as len from Orvani order by ID");
  q->Open();
  auto expected = Expected("order by ID");
  CheckWalks(*q, expected);
  q->SetRecNo(1);
  q->Edit();
  q->FieldByName("Nm")->SetAsString("ใหม่");
  q->Post();
  EXPECT_EQ(RowFilesOpen(), 0);
  CheckWalks(*q, Expected("order by ID"));
  if (saved)
    setenv("TMPDIR", keep.c_str(), 1);
  else
    unsetenv("TMPDIR");
}

// Peak resident memory of a child process running work.
long ChildPeakKB(const std::function<void()>& work) {
  pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return usage.ru_maxrss;
}

TEST_F(LargeResultTest, AWalkOverAResultOfFortyMegabytesStaysWithinTheBudget) {
  conn_->Execute(
      "CREATE TABLE Big (ID INTEGER PRIMARY KEY, note TEXT);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 80000) "
      "INSERT INTO Big (note) SELECT printf('%d %.*c', i, 500, 'z') FROM n;");
  RowStore::SetMemoryBudget(2 << 20);
  std::string file = file_;
  auto walk = [file](const std::string& sql, size_t least) {
    return [file, sql, least] {
      TADOConnection conn(nullptr);
      conn.SetConnectionString("Provider=SQLite;Data Source=" + file);
      conn.Open();
      TADOQuery q(nullptr);
      q.SetConnection(&conn);
      q.SQL().SetText(sql);
      q.Open();
      size_t bytes = 0;
      for (q.First(); !q.Eof(); q.Next()) bytes += q.Fields()[1]->AsString().size();
      if (bytes < least) _exit(1);
    };
  };
  long idle = ChildPeakKB(walk("select * from Big where ID <= 10", 10 * 500));
  long whole = ChildPeakKB(walk("select *, 1 as one from Big", 80000 * 500));
  long byKeys = ChildPeakKB(walk("select * from Big", 80000 * 500));
  // The rows hold over 40 MB; the file takes all but about the budget.
  EXPECT_LT(whole - idle, 16 * 1024) << "whole read: " << whole << " KB against " << idle << " KB";
  EXPECT_LT(byKeys - idle, 16 * 1024) << "read by keys: " << byKeys << " KB against " << idle << " KB";
}

}  // namespace
}  // namespace orv::test
