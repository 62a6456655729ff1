// Datasets over a real database file: walking, searching, bookmarks and the edit cycle, with
// what reaches the file checked through the sqlite3 command line.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include "platform/db/tests/DbTestSupport.h"
#include "platform/rtl/DateTime.h"

namespace orv::test {
namespace {

class DataSetTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    conn_->Execute(
        "CREATE TABLE Orvani (ID INTEGER PRIMARY KEY AUTOINCREMENT, NUM TEXT(50), Nm TEXT(50), "
        "sur TEXT(50), birth_date DATE, Occupation MEMO, alive BOOLEAN, weight REAL, photo BLOB, "
        "[Update] DATETIME);"
        "INSERT INTO Orvani (NUM, Nm, sur, birth_date) VALUES "
        "('001-1', 'Somchai', 'Dee', '1980-05-01'), ('001-2', 'Somsak', 'Jai', NULL), "
        "('001-3', 'Anong', 'Dee', '1975-12-31');");
  }
};

TEST_F(DataSetTest, OpensAndWalksTheRowsWithTypedFields) {
  auto q = Query("select * from Orvani order by ID");
  q->Open();
  ASSERT_EQ(q->RecordCount(), 3);
  EXPECT_TRUE(q->Bof());
  EXPECT_FALSE(q->Eof());
  std::string names;
  for (q->First(); !q->Eof(); q->Next()) names += q->FieldByName("nm")->AsString() + ",";
  EXPECT_EQ(names, "Somchai,Somsak,Anong,");
  EXPECT_EQ(q->RecNo(), 3);
  q->Prior();
  EXPECT_EQ(q->FieldByName("NM")->AsString(), "Somsak");
  EXPECT_EQ(q->MoveBy(-5), -1);
  EXPECT_TRUE(q->Bof());
  q->Last();
  EXPECT_TRUE(q->Eof());
  EXPECT_EQ(q->FieldByName("Nm")->AsString(), "Anong");

  EXPECT_NE(dynamic_cast<TAutoIncField*>(q->FieldByName("ID")), nullptr);
  EXPECT_TRUE(q->FieldByName("ID")->ReadOnly());
  EXPECT_EQ(q->FieldByName("Nm")->DataType(), ftWideString);
  EXPECT_EQ(q->FieldByName("Nm")->Size(), 50);
  EXPECT_EQ(q->FieldByName("birth_date")->DataType(), ftDate);
  EXPECT_EQ(q->FieldByName("Occupation")->DataType(), ftMemo);
  EXPECT_EQ(q->FieldByName("alive")->DataType(), ftBoolean);
  EXPECT_EQ(q->FieldByName("weight")->DataType(), ftFloat);
  EXPECT_TRUE(q->FieldByName("photo")->IsBlob());
  EXPECT_EQ(q->FieldByName("Update")->DataType(), ftDateTime);

  EXPECT_EQ(q->FindField("nope"), nullptr);
  try {
    q->FieldByName("nope");
    FAIL() << "no error for a missing field";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'nope' not found");
  }

  // A null column reads as empty values and Null.
  q->Locate("Nm", Variant("Somsak"), 0);
  EXPECT_TRUE(q->FieldByName("birth_date")->IsNull());
  EXPECT_TRUE(q->FieldByName("birth_date")->Value().IsNull());
  EXPECT_EQ(q->FieldByName("birth_date")->DisplayText(), "");
  EXPECT_EQ(q->FieldByName("birth_date")->AsDateTime(), 0.0);
}

TEST_F(DataSetTest, EmptyAndClosedDatasets) {
  auto q = Query("select * from Orvani where ID < 0");
  q->Open();
  EXPECT_TRUE(q->IsEmpty());
  EXPECT_TRUE(q->Bof() && q->Eof());
  EXPECT_EQ(q->RecNo(), -1);
  EXPECT_TRUE(q->FieldByName("Nm")->IsNull());
  EXPECT_THROW(q->Delete(), EDatabaseError);
  q->Close();
  EXPECT_THROW(q->FieldByName("Nm")->AsString(), EDatabaseError);
  EXPECT_THROW(q->First(), EDatabaseError);
}

TEST_F(DataSetTest, LocateLookupAndBookmarks) {
  auto q = Query("select * from Orvani order by ID");
  q->Open();
  EXPECT_TRUE(q->Locate("Nm", Variant("Soms"), loPartialKey));
  EXPECT_EQ(q->FieldByName("Nm")->AsString(), "Somsak");
  EXPECT_FALSE(q->Locate("Nm", Variant("soms"), loPartialKey));
  EXPECT_EQ(q->FieldByName("Nm")->AsString(), "Somsak") << "a failed Locate moves nothing";
  EXPECT_TRUE(q->Locate("Nm", Variant("ano"), loPartialKey | loCaseInsensitive));
  EXPECT_EQ(q->FieldByName("Nm")->AsString(), "Anong");
  EXPECT_FALSE(q->Locate("Nm", Variant("Anon"), 0)) << "a whole key must match whole";
  EXPECT_TRUE(q->Locate("sur;Nm", VarArrayOf({Variant("Dee"), Variant("Somchai")}), 0));
  EXPECT_EQ(q->RecNo(), 1);
  EXPECT_TRUE(q->Locate("ID", Variant(3), 0));
  EXPECT_EQ(q->FieldByName("Nm")->AsString(), "Anong");

  EXPECT_EQ(q->Lookup("NUM", Variant("001-2"), "Nm").ToString(), "Somsak");
  EXPECT_TRUE(q->Lookup("NUM", Variant("999"), "Nm").IsNull());
  EXPECT_EQ(q->RecNo(), 3) << "Lookup leaves the cursor";

  q->First();
  TBookmark first = q->GetBookmark();
  q->Next();
  TBookmark second = q->GetBookmark();
  q->Last();
  EXPECT_LT(q->CompareBookmarks(first, second), 0);
  q->GotoBookmark(first);
  EXPECT_EQ(q->FieldByName("Nm")->AsString(), "Somchai");
  q->GotoBookmark(second);
  q->Delete();
  EXPECT_FALSE(q->BookmarkValid(second));
  EXPECT_THROW(q->GotoBookmark(second), EDatabaseError);
  EXPECT_TRUE(q->BookmarkValid(first));
  q->Requery();
  EXPECT_FALSE(q->BookmarkValid(first)) << "a requery starts new bookmarks";
  q->FreeBookmark(first);
  EXPECT_TRUE(first.IsNull());
}

TEST_F(DataSetTest, AppendEditDeleteReachTheFile) {
  auto q = Query("select * from Orvani order by Nm");
  q->Open();
  TField* id = q->FieldByName("ID");
  q->Append();
  EXPECT_EQ(q->State(), dsInsert);
  q->FieldByName("Nm")->SetAsString("Wichai");
  q->FieldByName("alive")->SetAsBoolean(true);
  q->FieldByName("weight")->SetAsFloat(61.5);
  q->Post();
  EXPECT_EQ(q->State(), dsBrowse);
  EXPECT_EQ(q->RecordCount(), 4);
  EXPECT_EQ(q->RecNo(), 4) << "an appended row stays where it was added";
  EXPECT_EQ(id->AsInteger(), 4) << "the auto-number is read back";
  EXPECT_EQ(Cli("select ID, Nm, alive, weight from Orvani where Nm = 'Wichai'"), "4|Wichai|1|61.5\n");

  q->Locate("Nm", Variant("Somsak"), 0);
  q->Edit();
  q->FieldByName("sur")->SetAsString("Ngam");
  q->FieldByName("NUM")->Clear();
  q->Post();
  EXPECT_EQ(Cli("select ifnull(NUM, 'NULL'), sur from Orvani where Nm = 'Somsak'"), "NULL|Ngam\n");

  q->Edit();
  q->FieldByName("sur")->SetAsString("Lost");
  q->Cancel();
  EXPECT_EQ(q->FieldByName("sur")->AsString(), "Ngam");
  EXPECT_EQ(Cli("select sur from Orvani where Nm = 'Somsak'"), "Ngam\n");

  // Moving away posts a pending change, as the class library does.
  q->Edit();
  q->FieldByName("sur")->SetAsString("Moved");
  q->First();
  EXPECT_EQ(Cli("select sur from Orvani where Nm = 'Somsak'"), "Moved\n");

  q->Locate("Nm", Variant("Wichai"), 0);
  q->Delete();
  EXPECT_EQ(q->RecordCount(), 3);
  EXPECT_EQ(Cli("select count(*) from Orvani where Nm = 'Wichai'"), "0\n");
  // A deleted member's number is never handed out again.
  q->Append();
  q->FieldByName("Nm")->SetAsString("Next");
  q->Post();
  EXPECT_EQ(id->AsInteger(), 5);

  // Writing outside edit state and writing the key are refused.
  EXPECT_THROW(q->FieldByName("Nm")->SetAsString("x"), EDatabaseError);
  q->Edit();
  EXPECT_THROW(id->SetAsInteger(99), EDatabaseError);
  q->Cancel();
}

TEST_F(DataSetTest, EditOfAnEmptyDatasetInsertsAndPostWithoutValuesMakesARow) {
  auto q = Query("select * from Orvani where ID = :id");
  q->Parameters().ParamByName("id")->SetValue(Variant(-1));
  q->Open();
  q->Edit();
  EXPECT_EQ(q->State(), dsInsert);
  q->Post();
  EXPECT_EQ(Cli("select count(*) from Orvani where Nm is null"), "1\n");
}

TEST_F(DataSetTest, FailedPostKeepsTheRecordInEditing) {
  conn_->Execute("CREATE UNIQUE INDEX OneNum ON Orvani(NUM)");
  auto q = Query("select * from Orvani order by ID");
  q->Open();
  q->Edit();
  q->FieldByName("NUM")->SetAsString("001-2");
  try {
    q->Post();
    FAIL() << "a duplicate passed the unique index";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("UNIQUE constraint failed"), String::npos) << e.Message();
    EXPECT_NE(e.Message().find("UPDATE"), String::npos) << e.Message();
  }
  EXPECT_EQ(q->State(), dsEdit);
  EXPECT_EQ(q->FieldByName("NUM")->AsString(), "001-2");
  q->FieldByName("NUM")->SetAsString("001-9");
  q->Post();
  EXPECT_EQ(Cli("select NUM from Orvani where ID = 1"), "001-9\n");
}

TEST_F(DataSetTest, EventsFireInTheClassLibraryOrder) {
  auto q = Query("select * from Orvani order by ID");
  std::string log;
  q->BeforeOpen = [&](TDataSet*) { log += "BeforeOpen,"; };
  q->AfterOpen = [&](TDataSet*) { log += "AfterOpen,"; };
  q->BeforeScroll = [&](TDataSet*) { log += "BeforeScroll,"; };
  q->AfterScroll = [&](TDataSet* ds) { log += "AfterScroll " + ds->FieldByName("Nm")->AsString() + ","; };
  q->BeforeInsert = [&](TDataSet*) { log += "BeforeInsert,"; };
  q->OnNewRecord = [&](TDataSet* ds) {
    log += "OnNewRecord,";
    ds->FieldByName("NUM")->SetAsString("new");
  };
  q->AfterInsert = [&](TDataSet*) { log += "AfterInsert,"; };
  q->BeforePost = [&](TDataSet*) { log += "BeforePost,"; };
  q->AfterPost = [&](TDataSet*) { log += "AfterPost,"; };
  q->BeforeDelete = [&](TDataSet*) { log += "BeforeDelete,"; };
  q->AfterDelete = [&](TDataSet*) { log += "AfterDelete,"; };
  q->BeforeClose = [&](TDataSet*) { log += "BeforeClose,"; };
  q->AfterClose = [&](TDataSet*) { log += "AfterClose,"; };
  q->Open();
  q->Next();
  q->Append();
  q->Post();
  q->Delete();
  q->Close();
  EXPECT_EQ(log,
            "BeforeOpen,AfterOpen,AfterScroll Somchai,BeforeScroll,AfterScroll Somsak,"
            "BeforeInsert,BeforeScroll,OnNewRecord,AfterInsert,AfterScroll ,BeforePost,AfterPost,"
            "BeforeDelete,BeforeScroll,AfterDelete,AfterScroll Anong,BeforeClose,AfterClose,");
  EXPECT_EQ(Cli("select count(*) from Orvani where NUM = 'new'"), "0\n");
}

TEST_F(DataSetTest, DataSourcesHearOfChangesUnlessControlsAreDisabled) {
  auto q = Query("select * from Orvani order by ID");
  TDataSource source(nullptr);
  source.SetDataSet(q.get());
  int changes = 0, states = 0;
  source.OnDataChange = [&](TObject*, TField*) { ++changes; };
  source.OnStateChange = [&](TObject*) { ++states; };
  q->Open();
  EXPECT_EQ(source.State(), dsBrowse);
  EXPECT_EQ(states, 1);
  int before = changes;
  q->Next();
  EXPECT_GT(changes, before);
  q->DisableControls();
  before = changes;
  for (q->First(); !q->Eof(); q->Next()) {
  }
  EXPECT_EQ(changes, before);
  q->EnableControls();
  EXPECT_EQ(changes, before + 1);
  q.reset();
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_EQ(source.State(), dsInactive);
}

TEST_F(DataSetTest, RequeryKeepsFieldsAndConnectionCloseClosesQueries) {
  auto q = Query("select * from Orvani order by ID");
  q->Open();
  TField* nm = q->FieldByName("Nm");
  conn_->Execute("INSERT INTO Orvani (Nm) VALUES ('Later')");
  EXPECT_EQ(q->RecordCount(), 3) << "an open query is a snapshot";
  q->Requery();
  EXPECT_EQ(q->RecordCount(), 4);
  EXPECT_EQ(q->FieldByName("Nm"), nm);
  EXPECT_EQ(conn_->DataSetCount(), 1);
  conn_->Close();
  EXPECT_FALSE(q->Active());
  q->Open();  // reconnects
  EXPECT_TRUE(conn_->Connected());
}

TEST_F(DataSetTest, TransactionsRollBackAndNest) {
  conn_->BeginTrans();
  conn_->Execute("DELETE FROM Orvani WHERE ID = 1");
  EXPECT_EQ(conn_->BeginTrans(), 2);
  conn_->Execute("DELETE FROM Orvani WHERE ID = 2");
  conn_->RollbackTrans();
  conn_->CommitTrans();
  EXPECT_EQ(Cli("select group_concat(ID) from Orvani"), "2,3\n");
  EXPECT_THROW(conn_->CommitTrans(), EDatabaseError);
}

TEST_F(DataSetTest, ATransactionTheDatabaseEndedItselfTellsItsOwnErrorAndLeavesNothing) {
  // A write the disk refuses while a long transaction spills its pages rolls the whole
  // transaction back in SQLite itself; rolling back after it must neither fail nor hide why the
  // write failed.
  const std::string before = Cli("select group_concat(ID) from Orvani");
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 4 << 20;
  setrlimit(RLIMIT_FSIZE, &small);
  conn_->BeginTrans();
  String error;
  try {
    conn_->Execute("DELETE FROM Orvani WHERE ID = 1");
    conn_->Execute("CREATE TABLE filler AS WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c "
                   "WHERE i < 400) SELECT randomblob(100000) AS b FROM c");
  } catch (const EDatabaseError& e) {
    error = e.Message();
    EXPECT_NO_THROW(conn_->RollbackTrans()) << e.Message();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_NE(error.find("CREATE TABLE filler"), String::npos) << error;
  EXPECT_EQ(Cli("select group_concat(ID) from Orvani"), before);
  conn_->BeginTrans();
  conn_->Execute("DELETE FROM Orvani WHERE ID = 1");
  conn_->CommitTrans();
  EXPECT_EQ(Cli("select count(*) from Orvani where ID = 1"), "0\n");
}

TEST_F(DataSetTest, TableWithoutKeyIsEditedByItsValues) {
  conn_->Execute(
      "CREATE TABLE church ([ID-Church] TEXT(20), [Name-Church] TEXT(100), Address1 TEXT(100));"
      "INSERT INTO church VALUES ('10', 'St Joseph', NULL), ('11', 'St Anne', 'Bangkok');");
  auto q = Query("select [ID-Church], [Name-Church] as Name from church order by [ID-Church]");
  q->Open();
  EXPECT_TRUE(q->Locate("ID-Church", Variant("11"), loPartialKey));
  q->Edit();
  q->FieldByName("Name")->SetAsString("St Anne's");
  q->Post();
  EXPECT_EQ(Cli("select [Name-Church] from church where [ID-Church] = '11'"), "St Anne's\n");
  q->First();
  q->Delete();
  EXPECT_EQ(Cli("select count(*) from church"), "1\n");

  // A column that is an expression cannot be written.
  auto e = Query("select *, Address1 || '!' as Shout from church");
  e->Open();
  e->Edit();
  EXPECT_THROW(e->FieldByName("Shout")->SetAsString("x"), EDatabaseError);
  e->Cancel();
}

TEST_F(DataSetTest, MissingFileAndBadStatementsRaise) {
  TADOConnection other(nullptr);
  other.SetConnectionString("Data Source=" + (dir_ / "none.db").string());
  EXPECT_THROW(other.Open(), EDatabaseError);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "none.db")) << "opening never creates a file";
  EXPECT_THROW(TADOConnection::CreateDatabase(file_), EDatabaseError);

  auto q = Query("select * from NoSuchTable");
  try {
    q->Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("no such table: NoSuchTable"), String::npos);
    EXPECT_NE(e.Message().find("select * from NoSuchTable"), String::npos);
  }
  EXPECT_FALSE(q->Active());
  auto two = Query("select 1; delete from Orvani");
  EXPECT_THROW(two->Open(), EDatabaseError);
  EXPECT_EQ(Cli("select count(*) from Orvani"), "3\n");
  auto alter = Query("ALTER TABLE Orvani ADD OrvID integer");
  EXPECT_THROW(alter->Open(), EDatabaseError);
  alter->ExecSQL();
  auto probe = Query("select OrvID from Orvani");
  probe->Open();
  EXPECT_TRUE(probe->FieldByName("OrvID")->IsNull());
}

}  // namespace
}  // namespace orv::test
