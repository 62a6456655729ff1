// Values the columns' types do not promise, old dates, and the CSV form of a summary.
#include <fstream>
#include <sstream>

#include "xlsexport/tests/ExportFixture.h"

namespace orv::exporttest {

TEST_F(ExportTest, ValuesThatDoNotFitTheirColumnGoInAsText) {
  connection->Execute(R"sql(
    CREATE TABLE odd (n INTEGER, d DATE);
    INSERT INTO odd VALUES (1, '2020-01-01'), ('two', 'unknown'), (3, ''), (4, '1900-01-01'),
                           (5, '1900-02-28'), (6, '1900-03-01'), (7, '1899-12-30');
  )sql");
  Open("select n, d from odd order by rowid");
  auto e = Exporter();
  ASSERT_NO_THROW(e->ExportDataset());
  std::string file = Save(*e, "odd.xlsx");
  sheettest::WorkbookFacts facts(file);
  ASSERT_TRUE(facts.Ok()) << facts.Raw();
  EXPECT_EQ(facts.Type("ADOQuery10!A2"), "n");
  EXPECT_EQ(facts.Value("ADOQuery10!A2"), "1");
  EXPECT_EQ(facts.Type("ADOQuery10!A3"), "s");
  EXPECT_EQ(facts.Value("ADOQuery10!A3"), "two");
  EXPECT_EQ(facts.Value("ADOQuery10!B3"), "unknown");
  EXPECT_EQ(facts.Value("ADOQuery10!A8"), "7") << "every row after the odd ones is there";
  // The spreadsheet's day numbers skip a day before 1900-03-01; the dates read back as written.
  EXPECT_EQ(facts.Value("ADOQuery10!B2"), "2020-01-01 00:00:00");
  EXPECT_EQ(facts.Value("ADOQuery10!B5"), "1900-01-01 00:00:00");
  EXPECT_EQ(facts.Value("ADOQuery10!B6"), "1900-02-28 00:00:00");
  EXPECT_EQ(facts.Value("ADOQuery10!B7"), "1900-03-01 00:00:00");
}

TEST_F(ExportTest, TheCsvFormHoldsTheSummaryValuesNotItsFormulas) {
  Open("select ID, Nm, qty from members order by ID");
  auto e = Exporter();
  e->SetSummarySelection(ssValues);
  e->SetSummaryCalculation(scSUM);
  e->ExportDataset();
  std::string file = (dir / "members.csv").string();
  e->SaveWorkbook(file, 4);
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str().find("SUM"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find(",7\r\n"), std::string::npos) << text.str();
}

}  // namespace orv::exporttest
