// Header lines, titles, data, the summary row, groups and the footer, read back by openpyxl and
// recalculated by LibreOffice.
#include <cmath>

#include "xlsexport/tests/ExportFixture.h"

namespace orv::exporttest {

using namespace vwExcelExport;

namespace {

// The width a file stores for n characters of the standard font: the cell padding added,
// truncated to 1/256.
std::string FileWidth(int n) {
  double w = std::floor((7.0 * n + 5) / 7 * 256) / 256;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", w);
  return buf;
}

void FrameMembers(TvwExcelExport& e, TSummaryCalculation calculation) {
  TStringList header;
  header.Add("รายชื่อสมาชิก");
  header.Add("วัดนักบุญยอแซฟ");
  e.SetHeaderText(&header);
  e.FontHeader()->SetStyle(TFontStyles{fsBold});
  e.FontHeader()->SetSize(16);
  e.BorderHeader()->SetBackColor(clYellow);
  e.FontTitles()->SetStyle(TFontStyles{fsBold});
  e.BorderTitles()->SetBackColor(clSilver);
  e.BorderTitles()->SetLineStyle(blContinuous);
  e.BorderTitles()->SetWeight(bwThin);
  e.BorderData()->SetBackColor(clWindow);
  e.SetSummarySelection(ssValues);
  e.SetSummaryCalculation(calculation);
  e.FontSummary()->SetColor(clHighlightText);
  TStringList footer;
  footer.Add("พิมพ์จากทะเบียนวัด");
  e.SetFooterText(&footer);
  e.SetMergeFooterCells(false);
  e.SetAutoFilter(true);
  e.SetStyleColumnWidth(cwFieldDataSize);
}

}  // namespace

TEST_F(ExportTest, FramedBlocksReadBack) {
  Open("select ID, Nm, qty, price, weight from members order by ID");
  auto e = Exporter();
  FrameMembers(*e, scSUM);
  e->SetSummaryDisplayFormat("#,##0.00");
  e->ExportDataset();
  EXPECT_EQ(e->BeginRowTitles(), 3);
  EXPECT_EQ(e->BeginRowData(), 4);
  EXPECT_EQ(e->LastDataRow(), 6);
  EXPECT_EQ(e->NextFreeRow(), 8);
  sheettest::WorkbookFacts wb(Save(*e, "framed.xlsx"));
  ASSERT_TRUE(wb.Ok()) << wb.Raw();
  const std::string s = "ADOQuery10!";
  EXPECT_EQ(wb.Value(s + "A1"), "รายชื่อสมาชิก");
  EXPECT_EQ(wb.Value(s + "A2"), "วัดนักบุญยอแซฟ");
  EXPECT_EQ(wb.Lines("MERGE"), (std::vector<std::string>{"ADOQuery10 A1:E1", "ADOQuery10 A2:E2"}));
  EXPECT_EQ(wb.Style(s + "A1", "bold"), "1");
  EXPECT_EQ(wb.Style(s + "A1", "size"), "16");
  EXPECT_EQ(wb.Style(s + "A1", "fill"), "FFFF00");

  EXPECT_EQ(wb.Value(s + "A3"), "ID");
  EXPECT_EQ(wb.Value(s + "E3"), "weight");
  EXPECT_EQ(wb.Style(s + "C3", "bold"), "1");
  EXPECT_EQ(wb.Style(s + "C3", "fill"), "C0C0C0");
  EXPECT_EQ(wb.Style(s + "A3", "border"), "thin,thin,thin,none");
  EXPECT_EQ(wb.Style(s + "E3", "border"), "none,thin,thin,thin");

  EXPECT_EQ(wb.Value(s + "B4"), "สมชาย ใจดี");
  EXPECT_EQ(wb.Value(s + "C6"), "4");
  EXPECT_EQ(wb.Value(s + "D6"), "0.25");
  // A system colour goes out as what it shows: the window colour is white, so no fill.
  EXPECT_EQ(wb.Style(s + "B4", "fill"), "-");
  EXPECT_EQ(wb.Style(s + "B4", "bold"), "0");

  EXPECT_EQ(wb.Value(s + "A7"), "");
  EXPECT_EQ(wb.Value(s + "B7"), "");
  EXPECT_EQ(wb.Type(s + "C7"), "f");
  EXPECT_EQ(wb.Value(s + "C7"), "=SUM(C4:C6)");
  EXPECT_EQ(wb.Value(s + "D7"), "=SUM(D4:D6)");
  EXPECT_EQ(wb.Value(s + "E7"), "=SUM(E4:E6)");
  EXPECT_EQ(wb.Style(s + "C7", "fmt"), "#,##0.00");
  EXPECT_EQ(wb.Style(s + "D7", "fmt"), "General");  // money keeps its own form
  EXPECT_EQ(wb.Style(s + "A7", "color"), "FFFFFF");
  EXPECT_EQ(wb.Style(s + "E7", "color"), "FFFFFF");

  EXPECT_EQ(wb.Value(s + "A8"), "พิมพ์จากทะเบียนวัด");
  EXPECT_EQ(wb.Lines("FILTER"), std::vector<std::string>{"ADOQuery10 A3:E10"});
  // Data sizes: 4 for whole numbers, 8 for floating ones, the declared length + 1 for text.
  EXPECT_EQ(wb.Lines("WIDTH"), (std::vector<std::string>{"ADOQuery10 A " + FileWidth(4), "ADOQuery10 B " + FileWidth(101),
                                                         "ADOQuery10 C " + FileWidth(4), "ADOQuery10 D " + FileWidth(8),
                                                         "ADOQuery10 E " + FileWidth(8)}));
}

namespace {

// Groups by grp with the ID column hidden before it, a summary of qty, and the group font at 12.
void GroupMembers(TvwExcelExport& e, TADOQuery& query) {
  query.FieldByName("ID")->SetVisible(false);
  TStringList groups;
  groups.Add("grp");
  e.SetGroupFields(&groups);
  e.FontGroup()->SetStyle(TFontStyles{fsBold});
  e.FontGroup()->SetSize(12);
  e.SetSummarySelection(ssValues);
}

}  // namespace

TEST_F(ExportTest, GroupsReadBack) {
  Open("select ID, Nm, grp, qty from members order by grp, ID");
  auto e = Exporter();
  GroupMembers(*e, *query);
  for (int run = 1; run <= 2; ++run) {
    e->ExportDataset();
    EXPECT_EQ(e->NextFreeRow(), 8);
    sheettest::WorkbookFacts wb(Save(*e, "groups" + std::to_string(run) + ".xlsx"));
    ASSERT_TRUE(wb.Ok()) << wb.Raw();
    e->Disconnect(false);
    const std::string s = "ADOQuery10!";
    EXPECT_EQ(wb.Value(s + "A1"), "Nm");
    EXPECT_EQ(wb.Value(s + "B1"), "grp");
    EXPECT_EQ(wb.Value(s + "C1"), "qty");
    // Group rows carry the value in the group field's own column, never over another field.
    EXPECT_EQ(wb.Value(s + "A2"), "");
    EXPECT_EQ(wb.Value(s + "B2"), "ก");
    EXPECT_EQ(wb.Value(s + "C2"), "");
    EXPECT_EQ(wb.Value(s + "A3"), "สมชาย ใจดี");
    EXPECT_EQ(wb.Value(s + "B3"), "");  // the repeated value is cleared from the detail rows
    EXPECT_EQ(wb.Value(s + "C3"), "3");
    EXPECT_EQ(wb.Value(s + "A4"), "Anna");
    EXPECT_EQ(wb.Value(s + "B5"), "ข");
    EXPECT_EQ(wb.Value(s + "A6"), "บุญมี มีสุข");
    EXPECT_EQ(wb.Value(s + "C6"), "4");
    // The summary row moved down below the inserted rows and its range grew with them.
    EXPECT_EQ(wb.Value(s + "C7"), "=SUM(C3:C6)");
    EXPECT_EQ(wb.Lines("LEVEL"), (std::vector<std::string>{"ADOQuery10 3 1", "ADOQuery10 4 1", "ADOQuery10 6 1"}));
    EXPECT_EQ(wb.Lines("SUMMARYBELOW"), std::vector<std::string>{"ADOQuery10 0"});
    // Every run writes the group rows at the same size: the component's font is not shrunk.
    EXPECT_EQ(wb.Style(s + "B2", "size"), "12") << "run " << run;
    EXPECT_EQ(wb.Style(s + "C5", "bold"), "1");
    EXPECT_FALSE(wb.Has(s + "A5"));  // the group row is styled from the group column on
    EXPECT_EQ(e->FontGroup()->Size(), 12);
  }
}

TEST_F(ExportTest, SummariesCarryTheirResultsForReadersThatDoNotRecalculate) {
  std::vector<std::string> files;
  Open("select ID, Nm, qty, price, weight from members order by ID");
  for (TSummaryCalculation calc : {scSUM, scAVG, scMIN, scMAX}) {
    auto e = Exporter();
    FrameMembers(*e, calc);
    e->ExportDataset();
    files.push_back(Save(*e, "summary" + std::to_string(calc) + ".xlsx"));
  }
  Open("select ID, Nm, grp, qty from members order by grp, ID");
  auto e = Exporter();
  GroupMembers(*e, *query);
  e->ExportDataset();
  files.push_back(Save(*e, "groups.xlsx"));

  // The formula stays a formula, and its stored result is what openpyxl's cached reading gives.
  sheettest::WorkbookFacts formulas(files[0]), results(files[0], true);
  ASSERT_TRUE(formulas.Ok() && results.Ok()) << formulas.Raw() << results.Raw();
  EXPECT_EQ(formulas.Type("ADOQuery10!C7"), "f");
  EXPECT_EQ(formulas.Value("ADOQuery10!C7"), "=SUM(C4:C6)");
  EXPECT_EQ(results.Value("ADOQuery10!C7"), "7");
  EXPECT_EQ(results.Value("ADOQuery10!D7"), "12.75");

  auto csv = sheettest::StoredValuesCsv(files, dir);
  ASSERT_EQ(csv.size(), files.size()) << "LibreOffice did not convert the workbooks";
  auto summary = [&](int i) {
    auto& rows = csv[files[static_cast<size_t>(i)]];
    return rows.size() >= 7 ? rows[6] : std::vector<std::string>();
  };
  // qty 3, empty, 4; price 12.5, empty, 0.25; weight 60.5, empty, 70: empty cells are not counted.
  EXPECT_EQ(summary(0), (std::vector<std::string>{"", "", "7", "12.75", "130.5"}));
  EXPECT_EQ(summary(1), (std::vector<std::string>{"", "", "3.5", "6.375", "65.25"}));
  EXPECT_EQ(summary(2), (std::vector<std::string>{"", "", "3", "0.25", "60.5"}));
  EXPECT_EQ(summary(3), (std::vector<std::string>{"", "", "4", "12.5", "70"}));
  auto& groups = csv[files.back()];
  ASSERT_GE(groups.size(), 7u);
  EXPECT_EQ(groups[6], (std::vector<std::string>{"", "", "7"}));
}

}  // namespace orv::exporttest
