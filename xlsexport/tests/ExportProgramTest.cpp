// xlsx_export_run over a database file: every column type arrives as the right kind of cell.
#include <fstream>
#include <iterator>

#include "xlsexport/tests/ExportFixture.h"

namespace orv::exporttest {

using namespace vwExcelExport;

namespace {

int RunProgram(const std::string& db, const std::string& sql, const std::string& out, const std::string& errors) {
  std::string cmd = std::string(ORVANE_EXPORT_RUN_PROGRAM) + " '" + db + "' \"" + sql + "\" '" + out + "' > /dev/null 2> '" + errors + "'";
  return WEXITSTATUS(std::system(cmd.c_str()));
}

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(ExportTest, ProgramWritesEveryTypeAsItsCellKind) {
  std::string longNote(40000, 'x');
  connection->Execute("UPDATE members SET note = '" + longNote + "' WHERE Nm = 'บุญมี มีสุข'");
  std::string out = (dir / "members.xlsx").string(), errors = (dir / "errors.txt").string();
  ASSERT_EQ(RunProgram(dbFile, "select * from members order by ID", out, errors), 0) << Slurp(errors);
  sheettest::WorkbookFacts wb(out);
  ASSERT_TRUE(wb.Ok()) << wb.Raw();
  // The sheet is named after the query; the picture column is left out.
  EXPECT_EQ(wb.Lines("SHEET"), std::vector<std::string>{"Query"});
  const char* titles[] = {"ID", "Nm", "grp", "birth", "born", "qty", "price", "weight", "note"};
  for (int c = 0; c < 9; ++c) EXPECT_EQ(wb.Value("Query!" + std::string(1, 'A' + c) + "1"), titles[c]);
  EXPECT_FALSE(wb.Has("Query!J1"));

  EXPECT_EQ(wb.Type("Query!A2"), "n");
  EXPECT_EQ(wb.Value("Query!A2"), "1");
  EXPECT_EQ(wb.Type("Query!B2"), "s");
  EXPECT_EQ(wb.Value("Query!B2"), "สมชาย ใจดี");
  EXPECT_EQ(wb.Value("Query!C2"), "ก");
  EXPECT_EQ(wb.Type("Query!D2"), "d");
  EXPECT_EQ(wb.Value("Query!D2"), "1990-05-17 00:00:00");
  EXPECT_EQ(wb.Style("Query!D2", "fmt"), "d/m/yyyy");
  EXPECT_EQ(wb.Type("Query!E2"), "d");
  EXPECT_EQ(wb.Value("Query!E2"), "1990-05-17 08:30:00");
  EXPECT_EQ(wb.Style("Query!E2", "fmt"), "d/m/yyyy h:mm");
  EXPECT_EQ(wb.Type("Query!F2"), "n");
  EXPECT_EQ(wb.Value("Query!F2"), "3");
  EXPECT_EQ(wb.Value("Query!G2"), "12.5");
  EXPECT_EQ(wb.Style("Query!G2", "fmt"), "\"฿\"#,##0.00");
  EXPECT_EQ(wb.Value("Query!H2"), "60.5");
  // Data stays data: a note that begins with "=" is text, not a formula.
  EXPECT_EQ(wb.Type("Query!I2"), "s");
  EXPECT_EQ(wb.Value("Query!I2"), "=1+2");

  // NULLs and the empty text are empty cells, whatever the column.
  EXPECT_EQ(wb.Value("Query!B3"), "Anna");
  for (const char* c : {"D3", "E3", "F3", "G3", "H3", "I3"}) EXPECT_EQ(wb.Value(std::string("Query!") + c), "") << c;

  // The text longer than a cell holds is cut with a mark and a warning; the export goes on.
  std::string cut = wb.Value("Query!I4");
  EXPECT_EQ(cut.size(), 32767u);
  EXPECT_EQ(cut, std::string(32764, 'x') + "...");
  EXPECT_NE(Slurp(errors).find("note, record 3"), std::string::npos);
  EXPECT_EQ(wb.Value("Query!A5"), "");
}

TEST_F(ExportTest, ProgramFailureLeavesThePreviousWorkbook) {
  std::string out = (dir / "members.xlsx").string(), errors = (dir / "errors.txt").string();
  ASSERT_EQ(RunProgram(dbFile, "select Nm from members", out, errors), 0);
  std::string before = Slurp(out);
  EXPECT_EQ(RunProgram(dbFile, "select nothing from nowhere", out, errors), 1);
  EXPECT_NE(Slurp(errors).find("xlsx_export_run:"), std::string::npos);
  EXPECT_EQ(Slurp(out), before);
  EXPECT_EQ(RunProgram(dbFile, "select Nm from members", (dir / "missing" / "x.xlsx").string(), errors), 1);
  EXPECT_EQ(RunProgram("", "", "", errors), 1);
  int files = 0;
  for (auto& e : fs::directory_iterator(dir)) files += e.path().extension() == ".tmp";
  EXPECT_EQ(files, 0);
}

}  // namespace orv::exporttest
