// Datasets that open with the keys of their rows and read the rest of a row when it is first
// needed, and the order a dataset sorts its rows in itself: what they show is checked against
// the sqlite3 command line and ICU, never against the dataset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/db/RowStore.h"
#include "platform/db/tests/DbTestSupport.h"
#include "platform/db/tests/ThaiOrder.h"
#include "platform/rtl/DateTime.h"

namespace orv::test {
namespace {

const char* const kNames[] = {"แดง", "ขวัญ", "ไก่", "กมล", "เกศ", "Smith", "adam", "กิ่ง",
                              "กิ้ง", "ก", "โอภาส", "SMITH", "เอกชัย", "แก้ว"};

class ReadOnDemandTest : public DbTest {
 protected:
  // 3000 members: names repeat, some are Null, every 7th has no birth date.
  void SetUp() override {
    DbTest::SetUp();
    std::string names = "('";
    for (size_t i = 0; i < std::size(kNames); ++i)
      names += std::string(i ? "'), ('" : "") + kNames[i];
    names += "')";
    conn_->Execute(
        "CREATE TABLE Orvani (ID INTEGER PRIMARY KEY AUTOINCREMENT, Nm TEXT(50), sur TEXT(50), "
        "birth_date DATE, note MEMO);"
        "CREATE TABLE Names (k INTEGER PRIMARY KEY, v TEXT);"
        "INSERT INTO Names (v) VALUES " + names + ";"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO Orvani (Nm, sur, birth_date, note) SELECT "
        "CASE WHEN i % 97 = 0 THEN NULL ELSE (SELECT v FROM Names WHERE k = 1 + i * 7 % " +
        std::to_string(std::size(kNames)) + ") END, "
        "(SELECT v FROM Names WHERE k = 1 + i % 5), "
        "CASE WHEN i % 7 = 0 THEN NULL ELSE date('1950-01-01', '+' || (i * 37 % 20000) || ' days') END, "
        "'note ' || i FROM n;");
  }
  // Four times the rows, sur marked apart: a walk of a sorted list in a small store reads them
  // a part at a time.
  void FourTimesTheRows() {
    conn_->Execute("INSERT INTO Orvani (Nm, sur, birth_date, note) SELECT Nm, sur || 'x', birth_date, "
                   "note || 'x' FROM Orvani; INSERT INTO Orvani (Nm, sur, birth_date, note) SELECT Nm, "
                   "sur || 'y', birth_date, note || 'y' FROM Orvani;");
  }
  // A small store while it lives, so that the rows take several parts.
  struct TSmallStore {
    size_t Budget = RowStore::MemoryBudget();
    TSmallStore() { RowStore::SetMemoryBudget(256 << 10); }
    ~TSmallStore() { RowStore::SetMemoryBudget(Budget); }
  };
  // ID -> "Nm|sur|birth_date|note" as sqlite3 prints them.
  std::map<std::string, std::string> Rows(const std::string& where = "1") {
    std::map<std::string, std::string> rows;
    std::istringstream in(Cli("select ID, Nm, sur, birth_date, note from Orvani where " + where));
    for (std::string line; std::getline(in, line);)
      rows[line.substr(0, line.find('|'))] = line.substr(line.find('|') + 1);
    return rows;
  }
  // The current record as sqlite3 prints it.
  static std::string Shown(TDataSet& q) {
    std::string birth;
    if (!q.FieldByName("birth_date")->IsNull()) {
      Word y, m, d;
      DecodeDate(q.FieldByName("birth_date")->AsDateTime(), y, m, d);
      char text[32];
      std::snprintf(text, sizeof text, "%04u-%02u-%02u", y, m, d);
      birth = text;
    }
    return q.FieldByName("Nm")->AsString() + "|" + q.FieldByName("sur")->AsString() + "|" + birth +
           "|" + q.FieldByName("note")->AsString();
  }
};

TEST_F(ReadOnDemandTest, EveryWayOfMovingShowsTheRowsTheStatementGives) {
  auto expected = Rows();
  auto q = Query("select * from Orvani order by ID desc");
  q->Open();
  ASSERT_EQ(q->RecordCount(), 3000);
  TField* id = q->FieldByName("ID");
  auto check = [&](const char* how) {
    SCOPED_TRACE(how);
    EXPECT_EQ(Shown(*q), expected[id->AsString()]) << "member " << id->AsString();
    EXPECT_EQ(id->AsInteger(), 3001 - q->RecNo());
  };
  // Far ahead first, so that rows are read out of order.
  q->Last();
  check("Last");
  EXPECT_EQ(q->MoveBy(-1500), -1500);
  check("MoveBy back");
  q->SetRecNo(77);
  check("RecNo");
  TBookmark mark = q->GetBookmark();
  q->First();
  check("First");
  q->GotoBookmark(mark);
  check("bookmark");
  EXPECT_EQ(q->RecNo(), 77);
  EXPECT_TRUE(q->Locate("ID", Variant(12), 0));
  check("Locate by key");
  EXPECT_TRUE(q->Locate("note", Variant("note 2222"), 0));
  check("Locate by a column");
  EXPECT_EQ(q->Lookup("ID", Variant(5), "note").ToString(), "note 5");
  for (Integer r = 1; r <= 3000; r += 499)
    EXPECT_EQ(q->DisplayTextAt(q->FieldByName("note"), r),
              "note " + std::to_string(3001 - r));
  // Walking the whole list, forwards then backwards from the middle.
  int seen = 0;
  for (q->First(); !q->Eof(); q->Next()) {
    ++seen;
    if (Shown(*q) != expected[id->AsString()]) {
      ADD_FAILURE() << "member " << id->AsString() << " read wrong while walking";
      break;
    }
  }
  EXPECT_EQ(seen, 3000);
  q->SetRecNo(1500);
  for (int i = 0; i < 40; ++i) q->Prior();
  check("Prior");
}

TEST_F(ReadOnDemandTest, StatementsThatCannotBeReadByKeyStillGiveEveryRow) {
  // A join repeats a member per move; an expression column has no table behind it.
  conn_->Execute("CREATE TABLE Move (ID INTEGER PRIMARY KEY, OrvID INTEGER);"
                 "INSERT INTO Move (OrvID) VALUES (1), (1), (2);");
  auto join = Query("select o.* from Orvani o join Move m on m.OrvID = o.ID");
  join->Open();
  EXPECT_EQ(join->RecordCount(), 3);
  auto expr = Query("select *, length(note) as n from Orvani where ID <= 10 order by ID");
  expr->Open();
  EXPECT_EQ(expr->RecordCount(), 10);
  expr->Last();
  EXPECT_EQ(expr->FieldByName("n")->AsInteger(), 7);
  // A statement with parameters and a comment at its end.
  auto tail = Query("select * from Orvani where ID > :low and ID <= :high -- the first ten\n;");
  tail->Parameters().ParamByName("low")->SetValue(Variant(0));
  tail->Parameters().ParamByName("high")->SetValue(Variant(10));
  tail->Open();
  EXPECT_EQ(tail->RecordCount(), 10);
}

TEST_F(ReadOnDemandTest, WritesBeforeARowIsReadShowAndEditsStillReachTheFile) {
  auto q = Query("select * from Orvani order by ID");
  q->Open();
  q->First();
  // Another statement changes, deletes and adds members the list has not read yet.
  TADOCommand other(nullptr);
  other.SetConnection(conn_.get());
  other.SetCommandText("update Orvani set note = 'changed' where ID = 2000;"
                       "delete from Orvani where ID = 2500;"
                       "insert into Orvani (Nm) values ('late')");
  other.Execute();
  EXPECT_EQ(q->RecordCount(), 3000) << "the list keeps the rows it opened with";
  ASSERT_TRUE(q->Locate("ID", Variant(2000), 0));
  EXPECT_EQ(q->FieldByName("note")->AsString(), "changed");
  ASSERT_TRUE(q->Locate("ID", Variant(2500), 0));
  EXPECT_TRUE(q->FieldByName("note")->IsNull()) << "a deleted member shows nothing";
  q->Edit();
  q->FieldByName("note")->SetAsString("x");
  EXPECT_THROW(q->Post(), EDatabaseError);
  q->Cancel();
  EXPECT_EQ(Cli("select count(*) from Orvani where ID = 2500"), "0\n") << "nothing comes back";

  // Members that no longer meet the statement (member 2000 never did) are still read, by their
  // keys, when the list reads its rest in one pass.
  auto since = Query("select * from Orvani where note like 'note %'");
  since->Open();
  ASSERT_EQ(since->RecordCount(), 2998);
  other.SetCommandText("update Orvani set note = 'moved' where ID > 1000");
  other.Execute();
  int moved = 0, rows = 0;
  for (since->First(); !since->Eof(); since->Next(), ++rows)
    moved += since->FieldByName("note")->AsString() == "moved";
  EXPECT_EQ(rows, 2998);
  EXPECT_EQ(std::to_string(moved) + "\n",
            Cli("select count(*) from Orvani where note = 'moved' and ID <= 3000 and ID != 2000"));

  // Editing, inserting and deleting among unread rows.
  q->SetRecNo(2999);
  q->Edit();
  q->FieldByName("sur")->SetAsString("ใหม่");
  q->Post();
  EXPECT_EQ(Cli("select sur from Orvani where ID = 2999"), "ใหม่\n");
  q->SetRecNo(1200);
  q->Insert();
  q->FieldByName("Nm")->SetAsString("inserted");
  q->Post();
  EXPECT_EQ(q->RecNo(), 1200);
  EXPECT_EQ(q->RecordCount(), 3001);
  q->Next();
  EXPECT_EQ(q->FieldByName("ID")->AsInteger(), 1200) << "the rows after it moved down one";
  q->Delete();
  EXPECT_EQ(Cli("select count(*) from Orvani where ID = 1200"), "0\n");
  EXPECT_EQ(q->FieldByName("ID")->AsInteger(), 1201);
  q->Last();
  EXPECT_EQ(q->FieldByName("ID")->AsInteger(), 3000);
}

TEST_F(ReadOnDemandTest, AnOpenListHoldsNoReadAndClosesHalfway) {
  auto q = Query("select * from Orvani order by ID");
  q->Open();
  q->SetRecNo(100);
  // Another program can still write and move every page into the file: nothing is left
  // reading in between.
  EXPECT_EQ(Cli("insert into Orvani (Nm) values ('outside'); pragma wal_checkpoint(truncate);")
                .substr(0, 2),
            "0|") << "not busy";
  q->Close();
  EXPECT_FALSE(q->Active());
  q->Open();
  q->SetRecNo(2000);
  EXPECT_EQ(q->FieldByName("note")->AsString(), "note 2000");
  // The connection closes the half-read list first.
  conn_->Close();
  EXPECT_FALSE(q->Active());
  conn_->Open();
  q->Open();
  EXPECT_EQ(q->RecordCount(), 3001);
}

TEST_F(ReadOnDemandTest, AWalkReadsSomeColumnsAndTheRestOfARowWhenItIsWanted) {
  // Sorted by SQLite (read again by key) and in the table's order (read again as the statement
  // gives it): once the list is walked (past some 2,000 records) the rest is read with the
  // columns read so far, and the rest of a row comes when it is asked for.
  for (const char* order : {" order by birth_date, ID", ""}) {
    SCOPED_TRACE(order);
    auto expected = Rows();
    auto note = [&](const Variant& id) {
      const std::string& row = expected[id.ToString()];
      return row.substr(row.rfind('|') + 1);
    };
    auto q = Query(std::string("select * from Orvani where ID % 7 <> 0") + order);
    q->Open();
    std::string ids;
    int wrong = 0;
    for (q->First(); !q->Eof(); q->Next()) {
      ids += q->FieldByName("ID")->AsString() + " ";
      std::string shown = expected[q->FieldByName("ID")->AsString()];
      if (q->FieldByName("Nm")->AsString() + "|" + q->FieldByName("sur")->AsString() !=
          shown.substr(0, shown.find('|', shown.find('|') + 1)))
        ++wrong;
      // Columns first read deep into the walk.
      if (q->RecNo() > 2200 && q->RecNo() % 101 == 0 && Shown(*q) != shown) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(ids + "\n", Cli(std::string("select group_concat(ID, ' ') || ' ' from (select ID from Orvani "
                                          "where ID % 7 <> 0") + order + ")"));
    // Every column of rows the walk read in part, by moving and by looking at other records.
    ASSERT_EQ(q->RecordCount(), 2572);
    for (Integer r : {70, 2100, 2570}) {
      q->SetRecNo(r);
      EXPECT_EQ(Shown(*q), expected[q->FieldByName("ID")->AsString()]) << "record " << r;
      EXPECT_EQ(q->DisplayTextAt(q->FieldByName("note"), r + 1), note(q->ValueAt(q->FieldByName("ID"), r + 1)));
    }
    EXPECT_TRUE(q->Locate("note", Variant("note 2999"), 0));
    EXPECT_EQ(q->FieldByName("ID")->AsInteger(), 2999);
    // An edit of a row read in part keeps what it did not change, and Cancel gives it all back.
    q->SetRecNo(2300);
    std::string id = q->FieldByName("ID")->AsString(), before = expected[id];
    q->Edit();
    q->FieldByName("sur")->SetAsString("แก้");
    q->Post();
    EXPECT_EQ(Cli("select Nm, sur, birth_date, note from Orvani where ID = " + id),
              before.substr(0, before.find('|')) + "|แก้" + before.substr(before.find('|', before.find('|') + 1)) + "\n");
    q->SetRecNo(2400);
    id = q->FieldByName("ID")->AsString();
    q->Edit();
    q->FieldByName("note")->SetAsString("gone");
    q->Cancel();
    EXPECT_EQ(Shown(*q), expected[id]);
  }
}

TEST_F(ReadOnDemandTest, AReaderThatSaysItWalksReadsEveryRowRightWhatEverItAsksLater) {
  // A report says it walks from the first record: the walk starts after the first block with
  // the columns read there, so columns a condition reads only now and then, a jump back and a
  // screen that reads other records must still show every record whole.
  for (const char* order : {" order by birth_date, ID", ""}) {
    SCOPED_TRACE(order);
    auto expected = Rows();
    auto q = Query(std::string("select * from Orvani where ID % 7 <> 0") + order);
    q->Open();
    q->First();
    q->WalkAhead(true);
    std::string ids;
    int wrong = 0;
    for (; !q->Eof(); q->Next()) {
      const std::string id = q->FieldByName("ID")->AsString();
      ids += id + " ";
      const std::string& row = expected[id];
      if (q->FieldByName("Nm")->AsString() != row.substr(0, row.find('|'))) ++wrong;
      if (q->RecNo() % 37 == 0 && Shown(*q) != row) ++wrong;
      if (q->RecNo() == 500) {
        // A screen of other records, far back and far ahead, then the walk goes on.
        if (q->DisplayTextAt(q->FieldByName("note"), 3) != "note " + q->ValueAt(q->FieldByName("ID"), 3).ToString())
          ++wrong;
        if (q->DisplayTextAt(q->FieldByName("note"), 2000) != "note " + q->ValueAt(q->FieldByName("ID"), 2000).ToString())
          ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(ids + "\n", Cli(std::string("select group_concat(ID, ' ') || ' ' from (select ID from Orvani "
                                          "where ID % 7 <> 0") + order + ")"));
    // Walked again from the start, as the second pass of a report does, every column whole.
    q->WalkAhead(false);
    for (q->First(); !q->Eof(); q->Next())
      if (Shown(*q) != expected[q->FieldByName("ID")->AsString()]) ++wrong;
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(ReadOnDemandTest, ALongSortedWalkReadsEveryRowAndRowsShownBeforeItStayAsShown) {
  FourTimesTheRows();
  const TSmallStore small;
  auto expected = Rows();
  auto q = Query("select * from Orvani order by sur, ID");
  q->Open();
  ASSERT_EQ(q->RecordCount(), 12000);
  // Records a screen showed far down the list before the walk came to them.
  q->SetRecNo(6145);
  const std::string early = Shown(*q);
  std::string ids;
  int wrong = 0;
  for (q->First(); !q->Eof(); q->Next()) {
    ids += q->FieldByName("ID")->AsString() + " ";
    const std::string& row = expected[q->FieldByName("ID")->AsString()];
    if (q->FieldByName("Nm")->AsString() + "|" + q->FieldByName("sur")->AsString() !=
        row.substr(0, row.find('|', row.find('|') + 1)))
      ++wrong;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(ids + "\n", Cli("select group_concat(ID, ' ') || ' ' from (select ID from Orvani order by sur, ID)"));
  q->SetRecNo(6145);
  EXPECT_EQ(Shown(*q), early);
  // A row the walk read in part, deep in the list, is written whole when edited.
  q->SetRecNo(11000);
  const std::string id = q->FieldByName("ID")->AsString(), before = expected[id];
  q->Edit();
  q->FieldByName("Nm")->SetAsString("ใหม่");
  q->Post();
  EXPECT_EQ(Cli("select Nm, sur, birth_date, note from Orvani where ID = " + id),
            "ใหม่" + before.substr(before.find('|')) + "\n");
}

TEST_F(ReadOnDemandTest, AWalkShowsRowsChangedSinceTheOpenAsTheFileHoldsThemAndDeletedOnesByTheirKey) {
  FourTimesTheRows();
  const TSmallStore small;
  const std::string order = "order by sur, Nm, ID";
  const std::string opened = Cli("select group_concat(ID, ' ') || ' ' from (select ID from Orvani " + order + ")");
  auto q = Query("select * from Orvani " + order);
  q->Open();
  ASSERT_EQ(q->RecordCount(), 12000);
  // Another program changes and deletes members while the list is open, before it is walked.
  Cli("delete from Orvani where ID % 50 = 0; update Orvani set note = 'changed ' || ID where ID % 30 = 1");
  auto now = Rows();
  std::string ids;
  int wrong = 0, deleted = 0;
  for (q->First(); !q->Eof(); q->Next()) {
    const std::string id = q->FieldByName("ID")->AsString();
    ids += id + " ";
    if (auto it = now.find(id); it != now.end()) {
      wrong += Shown(*q) != it->second;
    } else {
      ++deleted;
      wrong += !q->FieldByName("Nm")->IsNull() || !q->FieldByName("note")->IsNull();
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(deleted, 240);
  EXPECT_TRUE(ids + "\n" == opened) << "the rows are not in the statement's order";
}

TEST_F(ReadOnDemandTest, SortPutsNamesInThaiOrderNullsFirstAndKeepsTies) {
  auto expected = Rows();
  // At the strength of the register's Thai collation: Latin case is ignored.
  ThaiOrder thai(UCOL_SECONDARY);
  for (const char* sql : {"select * from Orvani", "select *, 1 as whole from Orvani"}) {
    SCOPED_TRACE(sql);
    auto q = Query(sql);
    q->SetSort("Nm, sur DESC");
    q->Open();
    ASSERT_EQ(q->RecordCount(), 3000);
    std::string lastName, lastSur;
    bool lastNull = true;
    Integer lastId = 0;
    int problems = 0;
    for (q->First(); !q->Eof() && problems < 3; q->Next()) {
      bool isNull = q->FieldByName("Nm")->IsNull();
      std::string name = q->FieldByName("Nm")->AsString(), sur = q->FieldByName("sur")->AsString();
      Integer id = q->FieldByName("ID")->AsInteger();
      EXPECT_EQ(Shown(*q), expected[std::to_string(id)]);
      if (q->RecNo() > 1) {
        int byName = lastNull ? (isNull ? 0 : -1) : (isNull ? 1 : thai.Compare(lastName, name));
        int bySur = thai.Compare(sur, lastSur);
        bool ordered = byName < 0 || (byName == 0 && (bySur < 0 || (bySur == 0 && lastId < id)));
        if (!ordered) {
          ++problems;
          ADD_FAILURE() << "member " << id << " (" << name << " " << sur << ") after " << lastId
                        << " (" << lastName << " " << lastSur << ")";
        }
      }
      lastNull = isNull, lastName = name, lastSur = sur, lastId = id;
    }
  }
  // Nulls, numbers by value, texts and blobs, as SQLite orders them.
  conn_->Execute("CREATE TABLE Mixed (ID INTEGER PRIMARY KEY, v);"
                 "INSERT INTO Mixed (v) VALUES (x'00'), ('abc'), (40), (NULL), (5.5), (5);");
  auto q = Query("select * from Mixed");
  q->SetSort("v");
  q->Open();
  std::string ids;
  for (q->First(); !q->Eof(); q->Next()) ids += q->FieldByName("ID")->AsString() + " ";
  EXPECT_EQ(ids + "\n", Cli("select group_concat(ID, ' ') || ' ' from (select ID from Mixed order by v)"));
  q->Close();
  q->SetSort("nope");
  EXPECT_THROW(q->Open(), EDatabaseError);
}

// The read calls the process has made.
long long ReadCalls() {
  std::ifstream io("/proc/self/io");
  for (std::string name; io >> name;) {
    long long n = 0;
    io >> n;
    if (name == "syscr:") return n;
  }
  return -1;
}

// A report walks a wide table of about two rows to a page in an order of its own, through a
// connection that only reads (the report tool's, with its small cache): the rows of each part it
// reads come from the file in the file's order, so each page of the table is read about once
// however the names sort, and every row comes whole and in order.
TEST_F(ReadOnDemandTest, AWalkInAnotherOrderThanTheFilesReadsEachPageOfTheTableAboutOnce) {
  std::string columns, values;
  for (int c = 0; c < 40; ++c) {
    columns += ", c" + std::to_string(c) + " TEXT";
    values += ", printf('%040d', i * 41 + " + std::to_string(c) + ")";
  }
  conn_->Execute("CREATE TABLE Wide (ID INTEGER PRIMARY KEY, Nm TEXT" + columns + ");"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) "
                 "INSERT INTO Wide SELECT i, printf('%08d', i * 7919 % 4001)" + values + " FROM n;");
  conn_->MergeLog();
  const int pages = std::stoi(Cli("select count(*) from dbstat where name = 'Wide'"));
  TADOConnection reader(nullptr);
  reader.SetConnectionString("Provider=SQLite;Mode=Read");
  reader.SetDatabaseFile(file_);
  reader.Open();
  TADOQuery q(nullptr);
  q.SetConnection(&reader);
  q.SQL().SetText("select * from Wide order by Nm");
  q.Open();
  const long long before = ReadCalls();
  q.WalkAhead(true);
  int wrong = 0, count = 0;
  std::string previous;
  for (; !q.Eof(); q.Next(), ++count) {
    const std::string name = q.FieldByName("Nm")->AsString();
    const long long id = std::stoll(q.FieldByName("ID")->AsString());
    char expected[48];
    std::snprintf(expected, sizeof expected, "%040lld", id * 41 + 7);
    wrong += name < previous || q.FieldByName("c7")->AsString() != expected;
    previous = name;
  }
  const long long reads = ReadCalls() - before;
  EXPECT_EQ(count, 4000);
  EXPECT_EQ(wrong, 0);
  EXPECT_LT(reads, pages * 5 / 4) << pages << " pages";
}

}  // namespace
}  // namespace orv::test
