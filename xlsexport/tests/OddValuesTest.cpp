// Values the columns' types do not promise, old dates, and the CSV form of a summary.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/rtl/DateTime.h"
#include "platform/sheet/SheetDates.h"
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

TEST_F(ExportTest, EverySaveFormReadsBackWithTheWorkbooksValues) {
  Open("select ID, Nm, grp, birth, qty, price from members order by ID");
  auto e = Exporter();
  TStringList header;
  header.Add("รายชื่อ <สมาชิก> & ครอบครัว");
  e->SetHeaderText(&header);
  e->SetSummarySelection(ssValues);
  e->SetSummaryCalculation(scSUM);
  e->ExportDataset();
  std::vector<std::string> files;
  for (auto [format, name] : {std::pair{1, "book.xlsx"}, {2, "book-97.xls"}, {3, "book-page.htm"}, {6, "book-2003.xml"}}) {
    files.push_back((dir / name).string());
    e->SaveWorkbook(files.back(), static_cast<Byte>(format));
    ASSERT_TRUE(fs::exists(files.back())) << name;
  }
  EXPECT_EQ(std::system(("xmllint --noout '" + files[3] + "'").c_str()), 0);
  auto csv = sheettest::StoredValuesCsv({files[0], files[1], files[3]}, dir);
  csv.merge(sheettest::StoredValuesCsv({files[2]}, dir, "HTML (StarCalc)"));
  ASSERT_EQ(csv.size(), files.size()) << "LibreOffice did not read every form";
  // The same rows as the workbook, values compared as numbers where they are numbers.
  auto same = [](const std::string& a, const std::string& b) {
    char* endA = nullptr;
    char* endB = nullptr;
    double x = std::strtod(a.c_str(), &endA), y = std::strtod(b.c_str(), &endB);
    bool numbers = !a.empty() && !b.empty() && *endA == 0 && *endB == 0;
    return numbers ? std::abs(x - y) < 1e-9 : a == b;
  };
  // A page keeps every value. LibreOffice takes its dates as dates, shown in a day-first form
  // of its own (leading zeros), but may not take other formats: amounts may come back as plain
  // numbers.
  auto sameDate = [](const std::string& a, const std::string& b) {
    int d1, m1, y1, d2, m2, y2;
    char tail;
    return std::sscanf(a.c_str(), "%d/%d/%d%c", &d1, &m1, &y1, &tail) == 3 &&
           std::sscanf(b.c_str(), "%d/%d/%d%c", &d2, &m2, &y2, &tail) == 3 && d1 == d2 && m1 == m2 && y1 == y2;
  };
  auto plainNumber = [](const std::string& shown) {
    std::string digits;
    for (char c : shown)
      if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-') digits += c;
    return digits.empty() || digits.size() + 4 < shown.size() ? shown : digits;
  };
  const auto& expected = csv[files[0]];
  ASSERT_GE(expected.size(), 5u);
  for (size_t f = 1; f < files.size(); ++f) {
    const auto& rows = csv[files[f]];
    bool page = f == 2;
    ASSERT_EQ(rows.size(), expected.size()) << files[f];
    for (size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(rows[r].size(), expected[r].size()) << files[f] << " row " << r + 1;
      for (size_t c = 0; c < rows[r].size(); ++c)
        EXPECT_TRUE(same(rows[r][c], expected[r][c]) ||
                    (page && (sameDate(rows[r][c], expected[r][c]) || same(rows[r][c], plainNumber(expected[r][c])))))
            << files[f] << " row " << r + 1 << ": " << rows[r][c] << " / " << expected[r][c];
    }
  }
}

}  // namespace orv::exporttest
