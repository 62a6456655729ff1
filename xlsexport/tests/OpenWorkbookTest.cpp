// An export into a workbook the user keeps: LibreOffice writes the workbook, the exporter opens
// it, adds to it and saves it, and openpyxl finds every old value and look beside the new ones.
#include <algorithm>
#include <cstdlib>

#include "xlsexport/tests/ExportFixture.h"

using namespace orv;
using namespace orv::exporttest;

namespace {

// What openpyxl reads of the cells, merges and widths, as comparable lines.
std::vector<std::string> OldFacts(const sheettest::WorkbookFacts& wb) {
  std::vector<std::string> out;
  std::stringstream raw(wb.Raw());
  for (std::string line; std::getline(raw, line);)
    if (line.starts_with("CELL\t") || line.starts_with("MERGE\t") || line.starts_with("WIDTH\t")) out.push_back(line);
  return out;
}

}  // namespace

TEST_F(ExportTest, ExportAddsToAWorkbookWrittenByLibreOffice) {
  std::string cmd = "soffice -env:UserInstallation=file://" + (dir / "lo-profile").string() +
                    " --headless --convert-to xlsx --outdir '" + dir.string() + "' '" + ORVANE_TEST_DATA +
                    "/register.fods' > '" + (dir / "soffice.log").string() + "' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string kept = (dir / "register.xlsx").string();
  sheettest::WorkbookFacts before(kept);
  ASSERT_TRUE(before.Ok()) << before.Raw();
  ASSERT_EQ(before.Lines("SHEET"), (std::vector<std::string>{"ทะเบียน", "Notes"}));

  // Into the sheet found by name, below what it holds; then a second export adds a sheet.
  Open("select Nm, qty from members order by ID");
  auto first = Exporter();
  first->SetFilename(kept);
  first->SetWorksheetName("Notes");
  first->SetBeginRowTitles(3);
  first->SetBeginRowData(4);
  first->ExportDataset();
  auto second = Exporter();
  second->SetConnectTo(ctNewWorksheet);
  second->ExportDataset();
  std::string saved = Save(*second, "saved.xlsx");
  second->Disconnect(false);
  first->Disconnect(false);

  sheettest::WorkbookFacts after(saved);
  ASSERT_TRUE(after.Ok()) << after.Raw();
  EXPECT_EQ(after.Lines("SHEET"), (std::vector<std::string>{"ทะเบียน", "Notes", "ADOQuery10"}));
  std::vector<std::string> was = OldFacts(before), is = OldFacts(after);
  for (const auto& fact : was) {
    if (fact.starts_with("WIDTH")) continue;
    EXPECT_NE(std::find(is.begin(), is.end(), fact), is.end()) << "lost: " << fact << "\nsaved:\n" << after.Raw();
  }
  // Widths as wide on the screen: the file keeps them to the pixel, a seventh of a digit.
  auto widths = [](const sheettest::WorkbookFacts& wb) {
    std::map<std::string, double> out;
    for (const auto& line : wb.Lines("WIDTH")) {
      auto space = line.rfind(' ');
      out[line.substr(0, space)] = std::stod(line.substr(space + 1));
    }
    return out;
  };
  auto oldWidths = widths(before), newWidths = widths(after);
  ASSERT_EQ(oldWidths.size(), 3u);
  for (auto [column, width] : oldWidths) {
    ASSERT_TRUE(newWidths.count(column)) << column;
    EXPECT_NEAR(newWidths[column], width, 1.0 / 7) << column;
  }

  for (const char* sheet : {"Notes!", "ADOQuery10!"}) {
    int top = std::string(sheet) == "Notes!" ? 3 : 1;
    auto at = [&](char column, int row) { return sheet + std::string(1, column) + std::to_string(row); };
    EXPECT_EQ(after.Value(at('A', top)), "Nm");
    EXPECT_EQ(after.Value(at('B', top)), "qty");
    EXPECT_EQ(after.Value(at('A', top + 1)), "สมชาย ใจดี");
    EXPECT_EQ(after.Value(at('B', top + 1)), "3");
    EXPECT_EQ(after.Value(at('A', top + 2)), "Anna");
    EXPECT_EQ(after.Value(at('A', top + 3)), "บุญมี มีสุข");
    EXPECT_EQ(after.Value(at('B', top + 3)), "4");
  }
  // The old formula keeps the result LibreOffice stored, for readers that do not recalculate.
  EXPECT_EQ(sheettest::WorkbookFacts(saved, true).Value("ทะเบียน!C2"), "25");
  // The user's own file is not written by the export.
  EXPECT_EQ(OldFacts(sheettest::WorkbookFacts(kept)), was);
}
