// The database bridge over a query of the data access layer: the rows and fields the query
// holds, the current-record range, aliases, missing fields, closing after the run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/db/ADODB.h"
#include "report/model/DBDataset.h"
#include "report/model/Resources.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

class DBDatasetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TempFolder("bridge");
    std::string file = dir_ + "/Orvane.db";
    TADOConnection::CreateDatabase(file);
    conn_ = new TADOConnection(&window_);
    conn_->SetConnectionString("Provider=SQLite;Data Source=" + file + ";Mode=Share Deny None");
    conn_->Open();
    Exec("create table Orvani (ID integer primary key, Nm text, Sur text, Born date, Big integer, Baptised boolean)");
    Exec("insert into Orvani values (1, 'สมชาย', 'ใจดี', '2001-02-03', 9007199254740993, 1)");
    Exec("insert into Orvani values (2, 'Anna', 'Lee', '1999-12-31', 2, 0)");
    Exec("insert into Orvani values (3, 'มาลี', NULL, NULL, NULL, NULL)");
    query_ = new TADOQuery(&window_);
    query_->SetName("Query1");
    query_->SetConnection(conn_);
    query_->SQL().SetText("Select * from Orvani order by ID");
    bridge_ = new TkvxDBDataset(&window_);
    bridge_->SetName("kvxDBDataset1");
    bridge_->SetDataSet(query_);
    report_ = QuietReport();
    report_->DataSets->Add()->SetDataSet(bridge_);
  }
  void TearDown() override {
    report_.reset();
    std::filesystem::remove_all(dir_);
  }
  void Exec(const std::string& sql) {
    TADOQuery q(nullptr);
    q.SetConnection(conn_);
    q.SQL().SetText(sql);
    q.ExecSQL();
  }
  std::vector<std::string> Walk(const String& field) {
    std::vector<std::string> rows;
    for (bridge_->First(); !bridge_->Eof(); bridge_->Next()) rows.push_back(VarToStr(bridge_->GetValue(field)));
    return rows;
  }

  std::string dir_;
  TComponent window_{nullptr};
  // Owned by the window, which frees the query before it.
  TADOConnection* conn_ = nullptr;
  TADOQuery* query_ = nullptr;
  TkvxDBDataset* bridge_ = nullptr;
  std::unique_ptr<TkvxReport> report_;
};

}  // namespace

TEST_F(DBDatasetTest, YieldsTheRowsAndFieldsOfTheQuery) {
  report_->DataSets->Initialize();
  EXPECT_EQ(Walk("Nm"), (std::vector<std::string>{"สมชาย", "Anna", "มาลี"}));
  EXPECT_EQ(bridge_->RecordCount(), 3);
  bridge_->First();
  EXPECT_EQ(bridge_->GetValue("Big").VType(), varInt64);
  EXPECT_EQ(bridge_->GetValue("Big").ToInt64(), 9007199254740993);
  EXPECT_EQ(bridge_->GetDisplayText("Sur"), u"ใจดี");
  EXPECT_EQ(bridge_->GetFieldType("Nm"), fftString);
  EXPECT_EQ(bridge_->GetFieldType("Baptised"), fftBoolean);
  EXPECT_EQ(bridge_->GetFieldType("ID"), fftNumeric);
  EXPECT_EQ(bridge_->FieldsCount(), 6);
  bridge_->Next();
  bridge_->Next();
  EXPECT_TRUE(bridge_->GetValue("Sur").IsNull());
  // A field that is not there: Null and one line in the report's errors.
  report_->CurrentObjectName = "Memo1";
  EXPECT_TRUE(bridge_->GetValue("Age").IsNull());
  EXPECT_EQ(report_->Errors->Text(),
            "Memo1: " + kvxGetResources()->Get("dbFldNotFound") + " kvxDBDataset1.\"Age\"\r\n");
  report_->DataSets->Finalize();
}

TEST_F(DBDatasetTest, AFieldNameChangedWhereItStandsReadsItsOwnColumn) {
  report_->DataSets->Initialize();
  bridge_->First();
  // One text object naming one column row after row, then rewritten in place to another.
  String field = "Nm";
  for (int row = 0; row < 3; ++row) EXPECT_EQ(VarToStr(bridge_->GetValue(field)), "สมชาย");
  field.replace(0, 2, "ID");
  EXPECT_EQ(bridge_->GetValue(field).ToInteger(), 1);
  field = "Sur";
  EXPECT_EQ(VarToStr(bridge_->GetValue(field)), "ใจดี");
  field = "Zzz";
  EXPECT_TRUE(bridge_->GetValue(field).IsNull());
  EXPECT_EQ(report_->Errors->Count(), 1) << "a field the data set does not list is told";
  bridge_->Next();
  field = "Nm";
  EXPECT_EQ(VarToStr(bridge_->GetValue(field)), "Anna");
}

TEST_F(DBDatasetTest, FieldsAreReadFromTheQueryAsItIsAfterItsColumnsChange) {
  // The bridge remembers which of its fields a name is; another statement with other columns,
  // or new aliases, must not be answered from what it remembered.
  bridge_->SetCloseDataSource(true);
  report_->DataSets->Initialize();
  bridge_->First();
  EXPECT_EQ(VarToStr(bridge_->GetValue("Nm")), "สมชาย");
  EXPECT_EQ(VarToStr(bridge_->GetValue("Sur")), "ใจดี");
  report_->DataSets->Finalize();
  query_->SQL().SetText("Select ID, Sur as Nm from Orvani order by ID");
  report_->DataSets->Initialize();
  bridge_->First();
  EXPECT_EQ(VarToStr(bridge_->GetValue("Nm")), "ใจดี");
  EXPECT_TRUE(bridge_->GetValue("Sur").IsNull()) << "a column the statement no longer has";
  report_->DataSets->Finalize();
  bridge_->FieldAliases()->SetText("Nm=Family");
  report_->DataSets->Initialize();
  bridge_->First();
  EXPECT_EQ(VarToStr(bridge_->GetValue("Family")), "ใจดี");
  EXPECT_TRUE(bridge_->GetValue("Nm").IsNull()) << "a name its alias hides";
  report_->DataSets->Finalize();
}

TEST_F(DBDatasetTest, CurrentRangePrintsTheWindowsRecordAndGoesBackToIt) {
  query_->Open();
  query_->Next();
  bridge_->SetRangeBegin(rbCurrent);
  bridge_->SetRangeEnd(reCurrent);
  report_->DataSets->Initialize();
  EXPECT_EQ(Walk("Nm"), std::vector<std::string>{"Anna"});
  query_->Last();
  report_->DataSets->Finalize();
  EXPECT_EQ(query_->FieldByName("Nm")->AsString(), "Anna");
  EXPECT_TRUE(query_->Active());
}

TEST_F(DBDatasetTest, AliasesHideAndRenameAndTheQueryClosesAfterTheRun) {
  bridge_->FieldAliases()->SetText("Nm=ชื่อ\r\n-Big=Big\r\nSur=Family");
  bridge_->SetCloseDataSource(true);
  report_->DataSets->Initialize();
  TStringList names;
  bridge_->GetFieldList(names);
  EXPECT_EQ(names.Text(), "ชื่อ\r\nFamily\r\n");
  EXPECT_EQ(Walk("ชื่อ"), (std::vector<std::string>{"สมชาย", "Anna", "มาลี"}));
  report_->CurrentObjectName = "Memo2";
  EXPECT_TRUE(bridge_->GetValue("Big").IsNull());
  EXPECT_EQ(report_->Errors->Count(), 1);
  report_->DataSets->Finalize();
  EXPECT_FALSE(query_->Active());
  // Reading a closed dataset opens it again.
  report_->DataSets->Initialize();
  bridge_->First();
  EXPECT_EQ(VarToStr(bridge_->GetValue("Family")), "ใจดี");
  report_->DataSets->Finalize();
}

TEST_F(DBDatasetTest, WithoutADatasetTheRunIsRefusedAndAFreedQueryIsForgotten) {
  bridge_->SetDataSet(nullptr);
  try {
    report_->DataSets->Initialize();
    ADD_FAILURE() << "initialised without data";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "DataSet kvxDBDataset1 is not connected to data");
  }
  auto* source = new TDataSource(&window_);
  source->SetDataSet(query_);
  bridge_->SetDataSource(source);
  EXPECT_EQ(bridge_->DataSetInUse(), query_);
  bridge_->SetDataSet(query_);
  EXPECT_EQ(bridge_->DataSource(), nullptr);
  report_->DataSets->Initialize();
  bridge_->First();
  delete query_;
  EXPECT_EQ(bridge_->DataSet(), nullptr);
  EXPECT_EQ(bridge_->GetDisplayWidth("Nm"), 10);
}

TEST_F(DBDatasetTest, TheReportHearsItsQueriesConnectAndDisconnect) {
  std::vector<std::string> heard;
  report_->OnBeforeConnect = [&](TObject* sender) {
    heard.push_back(std::string("connect ") + (sender == query_ ? "Query1" : "?"));
    EXPECT_FALSE(query_->Active());
  };
  report_->OnAfterDisconnect = [&](TObject* sender) {
    heard.push_back(std::string("disconnect ") + (sender == query_ ? "Query1" : "?"));
    EXPECT_FALSE(query_->Active());
  };
  bridge_->SetCloseDataSource(true);
  report_->DataSets->Initialize();
  EXPECT_EQ(Walk("Nm").size(), 3u);
  report_->DataSets->Finalize();
  // A query the window keeps open is neither connected nor disconnected by the run.
  bridge_->SetCloseDataSource(false);
  query_->Open();
  report_->DataSets->Initialize();
  report_->DataSets->Finalize();
  EXPECT_EQ(heard, (std::vector<std::string>{"connect Query1", "disconnect Query1"}));
}
