// Texts that look like numbers, formulas or dates, Thai names, dates and NULLs go out in every
// save form from the command line and come back from LibreOffice, opened as a user opens them,
// and from openpyxl as they were typed.
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "xlsexport/tests/ExportFixture.h"

namespace orv::exporttest {

namespace {

const std::vector<std::string> kTitles = {"ID",    "phone", "code",  "sci",   "formula", "plus",  "at",   "minus",
                                          "name",  "birth", "truth", "share", "day",     "quote", "blank"};
const std::vector<std::string> kTyped = {"1",   "0812345678", "007",        "1E5",  "=1+1",     "+66", "@x",
                                         "-x",  "รายชื่อสัตบุรุษ", "1990-05-17", "TRUE", "50%",      "12/5/2020", "a\"b",
                                         ""};

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A date as LibreOffice writes it back in this locale's or the ISO form.
bool IsTheBirthday(const std::string& shown) {
  return shown == "1990-05-17" || shown == "05/17/90" || shown == "17/5/1990" || shown == "05/17/1990" ||
         shown == "17/05/1990";
}

}  // namespace

TEST_F(ExportTest, TextsStayAsTypedInEverySaveForm) {
  connection->Execute(R"sql(
    CREATE TABLE awkward (ID INTEGER, phone TEXT(20), code TEXT(20), sci TEXT(20), formula TEXT(20), plus TEXT(20),
      "at" TEXT(20), minus TEXT(20), name TEXT(50), birth DATE, truth TEXT(20), share TEXT(20), "day" TEXT(20),
      quote TEXT(20), blank TEXT(20));
    INSERT INTO awkward VALUES (1, '0812345678', '007', '1E5', '=1+1', '+66', '@x', '-x', 'รายชื่อสัตบุรุษ',
      '1990-05-17', 'TRUE', '50%', '12/5/2020', 'a"b', NULL);
    INSERT INTO awkward (ID) VALUES (2);
  )sql");
  connection.reset();
  std::map<int, std::string> files;
  for (auto [format, name] : {std::pair{1, "t.xlsx"}, {2, "t-97.xls"}, {3, "t-page.htm"}, {4, "t-values.csv"},
                              {6, "t-2003.xml"}}) {
    files[format] = (dir / name).string();
    std::string cmd = std::string(ORVANE_EXPORT_RUN_PROGRAM) + " '" + dbFile + "' 'select * from awkward order by ID' '" +
                      files[format] + "' " + std::to_string(format) + " > /dev/null 2> '" + (dir / "errors").string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << name << ": " << Slurp((dir / "errors").string());
  }
  // A file a spreadsheet opening it would run: no text of the CSV form is a bare formula.
  std::string csvText = Slurp(files[4]);
  for (const char* bare : {",=1+1,", ",+66,", ",@x,", ",-x,", ",0812345678,"})
    EXPECT_EQ(csvText.find(bare), std::string::npos) << bare << " in\n" << csvText;

  // LibreOffice, with no word on the cells' types: a page is opened as a sheet, and comma-separated
  // text is told only its separator and its characters' encoding (its import dialog sees them).
  auto read = sheettest::StoredValuesCsv({files[1], files[2], files[6]}, dir);
  read.merge(sheettest::StoredValuesCsv({files[3]}, dir / "page", "HTML (StarCalc)"));
  read.merge(sheettest::StoredValuesCsv({files[4]}, dir / "csv", "Text - txt - csv (StarCalc):44,34,76"));
  ASSERT_EQ(read.size(), files.size()) << "LibreOffice did not read every form";
  for (auto& [format, file] : files) {
    const auto& rows = read[file];
    ASSERT_GE(rows.size(), 3u) << file;
    ASSERT_GE(rows[1].size(), kTyped.size() - 1) << file;
    EXPECT_EQ(std::vector<std::string>(rows[0].begin(), rows[0].begin() + 14),
              std::vector<std::string>(kTitles.begin(), kTitles.begin() + 14))
        << file;
    for (size_t c = 0; c < kTyped.size() - 1; ++c) {
      if (kTitles[c] == "birth")
        EXPECT_TRUE(IsTheBirthday(rows[1][c])) << file << ": " << rows[1][c];
      else
        EXPECT_EQ(rows[1][c], kTyped[c]) << file << " column " << kTitles[c];
    }
    // The row of NULLs is empty but for its number.
    EXPECT_EQ(rows[2][0], "2") << file;
    for (size_t c = 1; c < rows[2].size(); ++c) EXPECT_EQ(rows[2][c], "") << file << " column " << c + 1;
  }

  // A date on the page comes into LibreOffice as a date, not as the text it shows: the page saved
  // by LibreOffice as a workbook holds a date cell.
  std::string toBook = "soffice -env:UserInstallation=file://" + (dir / "lo-profile").string() +
                       " --headless --infilter=\"HTML (StarCalc)\" --convert-to xlsx --outdir '" +
                       (dir / "page-book").string() + "' '" + files[3] + "' > /dev/null 2>&1";
  ASSERT_EQ(std::system(toBook.c_str()), 0);
  sheettest::WorkbookFacts page((dir / "page-book" / "t-page.xlsx").string());
  ASSERT_TRUE(page.Ok()) << page.Raw();
  EXPECT_EQ(page.Type("Sheet1!J2"), "d") << page.Raw();
  EXPECT_EQ(page.Value("Sheet1!J2"), "1990-05-17 00:00:00");

  // openpyxl reads the workbook: the texts are text cells holding what was typed.
  sheettest::WorkbookFacts wb(files[1]);
  ASSERT_TRUE(wb.Ok()) << wb.Raw();
  for (size_t c = 1; c < kTyped.size() - 1; ++c) {
    std::string cell = "Query!" + std::string(1, static_cast<char>('A' + c)) + "2";
    if (kTitles[c] == "birth") continue;
    EXPECT_EQ(wb.Type(cell), "s") << cell;
    EXPECT_EQ(wb.Value(cell), kTyped[c]) << cell;
  }
  EXPECT_EQ(wb.Type("Query!J2"), "d");
  EXPECT_EQ(wb.Value("Query!J2"), "1990-05-17 00:00:00");
  EXPECT_EQ(wb.Value("Query!B3"), "");
}

}  // namespace orv::exporttest
