// Per-cell looks from the style events, chosen summary columns and the width styles.
#include <cmath>

#include "xlsexport/tests/ExportFixture.h"

namespace orv::exporttest {

using namespace vwExcelExport;

TEST_F(ExportTest, StyleEventsGiveCellsTheirOwnLook) {
  Open("select Nm, qty from members order by ID");
  auto e = Exporter();
  e->OnGetCellBackgroundColorEvent = [](TObject*, TField* f, TColor& fill) {
    if (f->FieldName() == "qty" && f->AsInteger() == 4) fill = clLime;
  };
  e->OnGetCellStyleEvent = [](TObject*, TField* f, TColor&, TxlFont* font) {
    if (f->FieldName() != "Nm") return;
    if (f->AsString() == "Anna") font->SetStyle(TFontStyles{fsBold});
    if (f->AsString() == "บุญมี มีสุข") font->SetStyle(TFontStyles{fsBold, fsItalic});
    if (f->AsString() == "สมชาย ใจดี") font->SetColor(clRed);
  };
  TStringList given;
  given.Add("qty");
  e->SetSummaryFields(&given);
  e->SetSummarySelection(ssGiven);
  e->ExportDataset();
  sheettest::WorkbookFacts wb(Save(*e, "looks.xlsx"));
  ASSERT_TRUE(wb.Ok()) << wb.Raw();
  const std::string s = "ADOQuery10!";
  EXPECT_EQ(wb.Style(s + "B4", "fill"), "00FF00");
  EXPECT_EQ(wb.Style(s + "B2", "fill"), "-");
  EXPECT_EQ(wb.Style(s + "A3", "bold"), "1");
  // Bold together with italic is not bold alone: the cell keeps the data font.
  EXPECT_EQ(wb.Style(s + "A4", "bold"), "0");
  EXPECT_EQ(wb.Style(s + "A2", "color"), "FF0000");
  EXPECT_EQ(wb.Value(s + "B5"), "=SUM(B2:B4)");
  EXPECT_FALSE(wb.Has(s + "A5"));
}

TEST_F(ExportTest, WidthStyles) {
  Open("select Nm, qty from members order by ID");
  query->FieldByName("Nm")->SetDisplayWidth(3);
  query->FieldByName("Nm")->SetDisplayLabel("Name");
  query->FieldByName("qty")->SetDisplayWidth(20);
  auto widthsWith = [&](TStyleColumnWidth style, int fontSize) {
    auto e = Exporter();
    e->SetStyleColumnWidth(style);
    e->SetColumnWidth(17);
    e->FontData()->SetSize(fontSize);
    e->ExportDataset();
    sheettest::WorkbookFacts wb(Save(*e, "widths" + std::to_string(style) + "-" + std::to_string(fontSize) + ".xlsx"));
    return wb.Lines("WIDTH");
  };
  auto fileWidth = [](int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", std::floor((7.0 * n + 5) / 7 * 256) / 256);
    return std::string(buf);
  };
  auto pair = [&](int a, int b) {
    return std::vector<std::string>{"ADOQuery10 A " + fileWidth(a), "ADOQuery10 B " + fileWidth(b)};
  };
  EXPECT_EQ(widthsWith(cwDefault, 10), std::vector<std::string>{});
  EXPECT_EQ(widthsWith(cwOwnerWidth, 10), pair(17, 17));
  // Display widths scaled by a data font above 10 points, never shrunk below 1.
  EXPECT_EQ(widthsWith(cwFieldDisplayWidth, 12), pair(4, 24));
  EXPECT_EQ(widthsWith(cwFieldDisplayWidth, 8), pair(3, 20));
  // Never narrower than the title and a character, plus one ("Name": 4 + 1 + 1), else the data width.
  EXPECT_EQ(widthsWith(cwEnhAutoFit, 10), pair(6, 20));
  // Fitted to the contents: the names are wider than the numbers and their title.
  auto fitted = widthsWith(cwAutoFit, 10);
  ASSERT_EQ(fitted.size(), 2u);
  double name = std::stod(fitted[0].substr(fitted[0].rfind(' '))), number = std::stod(fitted[1].substr(fitted[1].rfind(' ')));
  // "สมชาย ใจดี" is ten characters, but its vowel and tone marks take no room of their own.
  EXPECT_GE(name, 8);
  EXPECT_LT(number, name);
}

}  // namespace orv::exporttest
