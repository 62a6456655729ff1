#pragma once
// A small parish-like database for the exporter's tests, and a temporary folder per test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/db/ADODB.h"
#include "platform/sheet/SheetAutomation.h"
#include "platform/sheet/tests/WorkbookReader.h"
#include "xlsexport/ExcelExport.h"

namespace orv::exporttest {

using namespace vwExcelExport;

namespace fs = std::filesystem;

// Members with Thai names, dates, NULLs, money, a text that looks like a formula, a text
// longer than a cell holds and a picture column that is never exported.
inline const char* const kMembersSql = R"sql(
CREATE TABLE members (ID INTEGER PRIMARY KEY AUTOINCREMENT, Nm TEXT(100), grp TEXT(20),
  birth DATE, born DATETIME, qty INTEGER, price CURRENCY, weight FLOAT, note TEXT, photo BLOB);
INSERT INTO members (Nm, grp, birth, born, qty, price, weight, note, photo) VALUES
  ('สมชาย ใจดี', 'ก', '1990-05-17', '1990-05-17 08:30:00', 3, 12.5, 60.5, '=1+2', x'FFD8'),
  ('Anna', 'ก', NULL, NULL, NULL, NULL, NULL, '', NULL),
  ('บุญมี มีสุข', 'ข', '2001-01-02', '2001-01-02 00:00:00', 4, 0.25, 70, NULL, NULL);
)sql";

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("orvane-xlsx-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
           std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    dbFile = (dir / "parish.db").string();
    TADOConnection::CreateDatabase(dbFile);
    connection = std::make_unique<TADOConnection>(nullptr);
    connection->SetConnectionString("Data Source=" + dbFile);
    connection->Open();
    connection->Execute(kMembersSql);
    query = std::make_unique<TADOQuery>(nullptr);
    query->SetName("ADOQuery10");
    query->SetConnection(connection.get());
    SetSheetShowHandler(nullptr);
  }
  void TearDown() override {
    query.reset();
    connection.reset();
    fs::remove_all(dir);
  }
  void Open(const std::string& sql) {
    query->Close();
    query->SQL().SetText(sql);
    query->Open();
  }
  // An exporter over the query that saves instead of showing.
  std::unique_ptr<TvwExcelExport> Exporter() {
    auto e = std::make_unique<TvwExcelExport>(nullptr);
    e->SetExcelVisible(false);
    e->SetDataset(query.get());
    return e;
  }
  std::string Save(TvwExcelExport& e, const std::string& name) {
    std::string file = (dir / name).string();
    e.SaveWorkbook(file, 1);
    return file;
  }

  fs::path dir;
  std::string dbFile;
  std::unique_ptr<TADOConnection> connection;
  std::unique_ptr<TADOQuery> query;
};

}  // namespace orv::exporttest
