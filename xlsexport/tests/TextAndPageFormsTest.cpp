// The comma-separated and page forms as a newcomer's LibreOffice opens them: names with digits,
// addresses, notes of several lines and Thai read as they were typed; the page opens with
// columns wide enough to read.
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "xlsexport/tests/ExportFixture.h"

namespace orv::exporttest {

namespace {

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// LibreOffice opens file through filter, as its import dialog opens it, and saves it as a
// workbook; openpyxl reads the values shown, formulas as their results.
sheettest::WorkbookFacts OpenedByLibreOffice(const fs::path& dir, const std::string& file, const std::string& filter) {
  std::string cmd = "soffice -env:UserInstallation=file://" + (dir / "lo-profile").string() + " --headless --infilter=\"" +
                    filter + "\" --convert-to xlsx --outdir '" + (dir / "opened").string() + "' '" + file + "' > '" +
                    (dir / "soffice.log").string() + "' 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << Slurp((dir / "soffice.log").string());
  return sheettest::WorkbookFacts((dir / "opened" / (fs::path(file).stem().string() + ".xlsx")).string(), true);
}

}  // namespace

TEST_F(ExportTest, TheCsvFormReadsAsTyped) {
  connection->Execute(R"sql(
    CREATE TABLE notes (note1 TEXT, Address1 TEXT, tel TEXT, Nm TEXT, note2 TEXT, note3 TEXT);
    INSERT INTO notes VALUES ('Soi 5', '12 หมู่ 3', '0812345678', 'สมชาย ใจดี',
      'บรรทัดแรก' || char(10) || 'line 2 = "two"', '=1+1');
  )sql");
  Open("select * from notes");
  auto e = Exporter();
  e->ExportDataset();
  std::string file = (dir / "notes.csv").string();
  e->SaveWorkbook(file, 4);
  std::string text = Slurp(file);
  // The byte-order mark is how readers given no character set (a spreadsheet opening the file
  // from a double click, the import dialog) know the Thai is UTF-8.
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u) << "the file starts with the UTF-8 byte-order mark";
  // Only what a spreadsheet would take for something else is written as a formula.
  EXPECT_NE(text.find("\xEF\xBB\xBFnote1,Address1,tel,Nm,note2,note3\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nSoi 5,12 หมู่ 3,\"=\"\"0812345678\"\"\",สมชาย ใจดี,"), std::string::npos) << text;

  // The import dialog's choices for the file: its separator and, from the mark, UTF-8. The mark
  // is no part of the first title.
  sheettest::WorkbookFacts opened = OpenedByLibreOffice(dir, file, "Text - txt - csv (StarCalc):44,34,76");
  ASSERT_TRUE(opened.Ok()) << opened.Raw();
  const std::vector<std::pair<const char*, const char*>> expected = {
      {"A1", "note1"}, {"B1", "Address1"},   {"F1", "note3"},        {"A2", "Soi 5"},
      {"B2", "12 หมู่ 3"}, {"C2", "0812345678"}, {"D2", "สมชาย ใจดี"},
      {"E2", "บรรทัดแรก\\nline 2 = \"two\""},   {"F2", "=1+1"}};
  for (auto [cell, value] : expected) {
    std::string ref = "notes!" + std::string(cell);
    EXPECT_EQ(opened.Value(ref), value) << ref << "\n" << opened.Raw();
  }
}

TEST_F(ExportTest, ThePageFormOpensWithEveryColumnWideEnoughToRead) {
  // As wide as a member's row: a table wider than a page, which a reader left to lay it out
  // squeezes into the page's width.
  constexpr int kColumns = 40;
  std::string columns, values;
  for (int c = 1; c <= kColumns; ++c) {
    columns += (c > 1 ? ", c" : "c") + std::to_string(c) + " TEXT";
    values += c > 1 ? ", 'สมชาย ใจดี'" : "'สมชาย ใจดี'";
  }
  connection->Execute("CREATE TABLE wide (" + columns + "); INSERT INTO wide VALUES (" + values + ");");
  Open("select * from wide");
  auto e = Exporter();
  e->ExportDataset();
  std::string file = (dir / "wide.htm").string();
  e->SaveWorkbook(file, 3);

  sheettest::WorkbookFacts opened = OpenedByLibreOffice(dir, file, "HTML (StarCalc)");
  ASSERT_TRUE(opened.Ok()) << opened.Raw();
  EXPECT_EQ(opened.Value("Sheet1!AN2"), "สมชาย ใจดี");
  // Each column as wide as a spreadsheet's own default of 64 pixels (LibreOffice gives back
  // 7.56 characters of its font), not a sliver of a letter.
  auto widths = opened.Lines("WIDTH");
  ASSERT_EQ(widths.size(), static_cast<size_t>(kColumns)) << opened.Raw();
  for (const std::string& line : widths) {
    double width = std::atof(line.substr(line.rfind(' ') + 1).c_str());
    EXPECT_GT(width, 7) << line;
  }
}

}  // namespace orv::exporttest
