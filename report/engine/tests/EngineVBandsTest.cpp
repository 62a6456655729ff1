// Bands printed across the page: rows of members against columns of another data set, with
// totals per row, per column and over all, read back from the saved prepared report by place.
#include <algorithm>
#include <cmath>

#include "report/engine/tests/EngineTestSupport.h"

namespace orv::test {
namespace {

using Rows = std::vector<std::map<String, Variant>>;
using Texts = std::vector<std::string>;

// Each memo of a prepared page as "text@left,top" in page pixels, top to bottom, left to right.
Texts Placed(TkvxReportPage* page) {
  std::vector<std::tuple<long, long, std::string>> found;
  for (TkvxComponent* band : page->Objects())
    for (TkvxComponent* obj : band->Objects())
      if (auto text = MemoText(obj))
        found.emplace_back(std::lround(band->Top() + obj->Top()), std::lround(band->Left() + obj->Left()), *text);
  std::sort(found.begin(), found.end());
  Texts placed;
  for (auto& [top, left, text] : found) placed.push_back(text + "@" + std::to_string(left) + "," + std::to_string(top));
  return placed;
}

template <class T>
T* VBand(TEngineReport& r, const String& name, Extended left, Extended width) {
  auto* band = new T(r.Page);
  band->SetName(name);
  band->SetVertical(true);
  band->SetBounds(left, 0, width, 100);
  return band;
}

TkvxMemoView* Cell(TEngineReport& r, TkvxBand* band, const String& name, const String& text, Extended left,
                   Extended width) {
  auto* memo = r.MemoView(band, name, text);
  memo->SetBounds(left, 0, width, 20);
  return memo;
}

Rows Columns(const std::vector<std::pair<const char*, int>>& columns) {
  Rows rows;
  for (auto [code, factor] : columns) rows.push_back({{"Code", Variant(String(code))}, {"Factor", Variant(factor)}});
  return rows;
}

TEST(VerticalBands, RowsGetACellPerColumnWithRowColumnAndGrandTotals) {
  TEngineReport r;
  auto* m = r.Data("M", {{{"Name", Variant("N1")}, {"Amount", Variant(1)}},
                         {{"Name", Variant("N2")}, {"Amount", Variant(2)}},
                         {{"Name", Variant("N3")}, {"Amount", Variant(3)}}});
  auto* y = r.Data("Y", Columns({{"a", 1}, {"b", 10}, {"c", 100}}));
  VBand<TkvxHeader>(r, "VHead", 0, 100);
  VBand<TkvxMasterData>(r, "VData", 100, 80)->SetDataSet(y);
  VBand<TkvxFooter>(r, "VFoot", 180, 80);
  const char* product = "<M.\"Amount\"> * <Y.\"Factor\">";
  auto* ph = r.Band<TkvxPageHeader>("PH", 0, 20);
  Cell(r, ph, "HName", "Name", 0, 100);
  Cell(r, ph, "HCode", "[Y.\"Code\"]", 100, 80);
  Cell(r, ph, "HTotal", "Total", 180, 80);
  // Beyond the vertical bands: an object of the band itself.
  Cell(r, ph, "HNote", "[Line]", 400, 50);
  auto* data = r.Band<TkvxMasterData>("Data", 40, 20);
  data->SetDataSet(m);
  Cell(r, data, "RName", "[M.\"Name\"]", 0, 100);
  Cell(r, data, "RCell", String("[") + product + "]", 100, 80);
  Cell(r, data, "RTotal", String("[SUM(") + product + ")]", 180, 80);
  Cell(r, data, "RLine", "#[Line]", 400, 50);
  auto* summary = r.Band<TkvxReportSummary>("Sum", 80, 20);
  Cell(r, summary, "SName", "Sum", 0, 100);
  Cell(r, summary, "SCell", String("[SUM(") + product + ")]", 100, 80);
  Cell(r, summary, "STotal", String("[SUM(") + product + ")]", 180, 80);

  // Row N: N, 10N, 100N and 111N; the columns sum 1 + 2 + 3 = 6 times their factor.
  Texts expected{"Name@0,0", "a@100,0", "b@180,0", "c@260,0", "Total@340,0", "1@400,0"};
  for (int n = 1; n <= 3; ++n) {
    std::string top = "," + std::to_string(20 * n);
    for (auto [text, left] : std::vector<std::pair<std::string, int>>{
             {"N" + std::to_string(n), 0}, {std::to_string(n), 100}, {std::to_string(10 * n), 180},
             {std::to_string(100 * n), 260}, {std::to_string(111 * n), 340}, {"#" + std::to_string(n), 400}})
      expected.push_back(text + "@" + std::to_string(left) + top);
  }
  expected.insert(expected.end(), {"Sum@0,80", "6@100,80", "60@180,80", "600@260,80", "666@340,80"});
  // The second run finds the report as designed, also without the snapshot that reloads it.
  r.Report->EngineOptions()->DestroyForms = false;
  for (int run = 0; run < 2; ++run) {
    ASSERT_EQ(r.Run().size(), 1u);
    EXPECT_EQ(Placed(r.Pages().GetPage(0)), expected) << "run " << run;
    EXPECT_EQ(data->Objects().size(), 4u);
    EXPECT_DOUBLE_EQ(data->Objects()[1]->Left(), 100);
  }
}

TEST(VerticalBands, ARowWiderThanThePageContinuesOnTheFollowingPages) {
  // 100 mm (377.953 pixels) square pages: the heading column and three cells of 80 fit across.
  TEngineReport r;
  r.Page->SetPaperWidth(100);
  r.Page->SetTitleBeforeHeader(false);
  Rows members;
  for (int i = 1; i <= 20; ++i) members.push_back({{"Name", Variant("N" + std::to_string(i))}});
  auto* m = r.Data("M", members);
  auto* y = r.Data("Y", Columns({{"a", 0}, {"b", 0}, {"c", 0}, {"d", 0}, {"e", 0}, {"f", 0}, {"g", 0}}));
  VBand<TkvxHeader>(r, "VHead", 0, 100)->ReprintOnNewPage = true;
  VBand<TkvxMasterData>(r, "VData", 100, 80)->SetDataSet(y);
  auto* ph = r.Band<TkvxPageHeader>("PH", 0, 20);
  Cell(r, ph, "HName", "Name", 0, 100);
  Cell(r, ph, "HCode", "[Y.\"Code\"]", 100, 80);
  // Outside every vertical band: printed whole, on the page where the rows start and end.
  Cell(r, r.Band<TkvxReportTitle>("Title", 30, 20), "Heading", "title", 300, 60);
  auto* data = r.Band<TkvxMasterData>("Data", 60, 20);
  data->SetDataSet(m);
  Cell(r, data, "RName", "[M.\"Name\"]", 0, 100);
  Cell(r, data, "RCell", "[M.\"Name\"][Y.\"Code\"]", 100, 80);
  Cell(r, r.Band<TkvxReportSummary>("Sum", 100, 20), "End", "end", 300, 60);
  Cell(r, r.Band<TkvxPageFooter>("PF", 200, 20), "Foot", "p[Page#]", 0, 60);

  auto pages = r.Run();
  ASSERT_EQ(pages.size(), 6u);
  // Pages 1 to 3 hold rows 1 to 15 below header and title in columns a-c, d-f and g; pages 4 to
  // 6 rows 16 to 20 below the header. The title stays on page 1.
  const char* slices[] = {"abc", "def", "g"};
  for (int p = 0; p < 6; ++p) {
    int firstRow = p < 3 ? 1 : 16, lastRow = p < 3 ? 15 : 20, rowsTop = p < 3 ? 40 : 20;
    std::string codes = slices[p % 3];
    Texts expected{"Name@0,0"};
    for (size_t k = 0; k < codes.size(); ++k)
      expected.push_back(std::string(1, codes[k]) + "@" + std::to_string(100 + 80 * k) + ",0");
    if (p == 0) expected.push_back("title@300,20");
    for (int row = firstRow; row <= lastRow; ++row) {
      std::string name = "N" + std::to_string(row), top = std::to_string(rowsTop + 20 * (row - firstRow));
      expected.push_back(name + "@0," + top);
      for (size_t k = 0; k < codes.size(); ++k)
        expected.push_back(name + codes[k] + "@" + std::to_string(100 + 80 * k) + "," + top);
    }
    if (p == 3) expected.push_back("end@300,120");
    expected.push_back("p" + std::to_string(p + 1) + "@0,358");
    EXPECT_EQ(Placed(r.Pages().GetPage(p)), expected) << "page " << p + 1;
  }
}

TEST(VerticalBands, APageFooterOutsideTheCellsSumsEveryRowOfItsPageAcrossWideRows) {
  TEngineReport r;
  r.Page->SetPaperWidth(100);
  Rows members;
  for (int i = 1; i <= 20; ++i) members.push_back({{"Name", Variant("N" + std::to_string(i))}, {"Amount", Variant(i)}});
  auto* m = r.Data("M", members);
  auto* y = r.Data("Y", Columns({{"a", 0}, {"b", 0}, {"c", 0}, {"d", 0}, {"e", 0}, {"f", 0}, {"g", 0}}));
  VBand<TkvxHeader>(r, "VHead", 0, 100);
  VBand<TkvxMasterData>(r, "VData", 100, 80)->SetDataSet(y);
  auto* data = r.Band<TkvxMasterData>("Data", 40, 20);
  data->SetDataSet(m);
  Cell(r, data, "RName", "[M.\"Name\"]", 0, 100);
  Cell(r, data, "RCell", "[Y.\"Code\"]", 100, 80);
  // Beyond the vertical bands: printed whole, never cell by cell.
  Cell(r, r.Band<TkvxPageFooter>("PF", 200, 20), "Sum", "sum=[SUM(<M.\"Amount\">)]", 200, 150);
  auto pages = r.Run();
  // Rows 1-17 in columns a-c on page 1 and d-g on page 2, rows 18-20 on pages 3 and 4: each
  // page shows the sum of its rows.
  ASSERT_EQ(pages.size(), 4u);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(pages[p].back(), p < 2 ? "sum=153" : "sum=57") << "page " << p + 1;
}

TEST(VerticalBands, VerticalGroupsCloseTheirColumnsAndEndlessWidthGrowsThePage) {
  TEngineReport r;
  r.Page->SetPaperWidth(60);  // 226.772 pixels
  r.Page->SetEndlessWidth(true);
  auto* m = r.Data("M", {{{"Amount", Variant(1)}}, {{"Amount", Variant(2)}}});
  auto* y = r.Data("Y", Columns({{"a", 1}, {"a", 2}, {"b", 3}}));
  auto* gh = VBand<TkvxGroupHeader>(r, "VGroup", 0, 40);
  gh->Condition = "Y.\"Code\"";
  VBand<TkvxMasterData>(r, "VData", 40, 50)->SetDataSet(y);
  VBand<TkvxGroupFooter>(r, "VGroupEnd", 90, 60);
  auto* data = r.Band<TkvxMasterData>("Data", 40, 20);
  data->SetDataSet(m);
  Cell(r, data, "RGroup", "[Y.\"Code\"]:", 0, 40);
  Cell(r, data, "RCell", "[<M.\"Amount\"> * <Y.\"Factor\">]", 40, 50);
  Cell(r, data, "RSum", "=[SUM(<M.\"Amount\"> * <Y.\"Factor\">)]", 90, 60);
  ASSERT_EQ(r.Run().size(), 1u);
  TkvxReportPage* page = r.Pages().GetPage(0);
  // Group a: 40 + 2 cells of 50 + 60; group b: 40 + 50 + 60. The page grows by each cell that
  // passes its edge: the header of b, its cell and its footer.
  EXPECT_EQ(Placed(page), (Texts{"a:@0,0", "1@40,0", "2@90,0", "=3@140,0", "b:@200,0", "3@240,0", "=3@290,0",
                                 "a:@0,20", "2@40,20", "4@90,20", "=6@140,20", "b:@200,20", "6@240,20", "=6@290,20"}));
  EXPECT_NEAR(page->Width(), 60 * 3.77953 + 40 + 50 + 60, 1e-3);
}

TEST(VerticalBands, HeadersOfCellsRepeatInEveryPageColumnAndFootersSumTheirColumnsAndPages) {
  // Two page columns of 100 mm (377.953 pixels) on a page 100 mm high.
  TEngineReport r;
  r.Page->SetColumns(2);
  Rows members;
  for (int i = 1; i <= 40; ++i) members.push_back({{"Name", Variant("N" + std::to_string(i))}, {"Amount", Variant(i)}});
  auto* m = r.Data("M", members);
  auto* y = r.Data("Y", Columns({{"a", 1}, {"b", 10}, {"c", 100}}));
  VBand<TkvxHeader>(r, "VHead", 0, 100);
  VBand<TkvxMasterData>(r, "VData", 100, 80)->SetDataSet(y);
  const char* product = "<M.\"Amount\"> * <Y.\"Factor\">";
  auto* head = r.Band<TkvxHeader>("Head", 0, 20);
  head->ReprintOnNewPage = true;
  Cell(r, head, "HName", "Name", 0, 100);
  Cell(r, head, "HCode", "[Y.\"Code\"]", 100, 80);
  auto* data = r.Band<TkvxMasterData>("Data", 20, 20);
  data->SetDataSet(m);
  Cell(r, data, "RName", "[M.\"Name\"]", 0, 100);
  Cell(r, data, "RCell", String("[") + product + "]", 100, 80);
  auto* cf = r.Band<TkvxColumnFooter>("CF", 100, 20);
  Cell(r, cf, "CName", "col", 0, 100);
  Cell(r, cf, "CSum", String("[SUM(") + product + ")]", 100, 80);
  auto* pf = r.Band<TkvxPageFooter>("PF", 200, 20);
  Cell(r, pf, "PName", "page", 0, 100);
  Cell(r, pf, "PSum", String("[SUM(") + product + ")]", 100, 80);

  // Each column holds its header and 15 rows above the two footers: page 1 rows 1-15 and 16-30,
  // page 2 rows 31-40. Rows 1-15 sum 120, 16-30 345, 31-40 355.
  auto block = [](int x, int firstRow, int lastRow) {
    Texts t{"Name@" + std::to_string(x) + ",0"};
    for (int k = 0; k < 3; ++k) t.push_back(std::string(1, "abc"[k]) + "@" + std::to_string(x + 100 + 80 * k) + ",0");
    for (int row = firstRow; row <= lastRow; ++row) {
      std::string top = "," + std::to_string(20 * (row - firstRow + 1));
      t.push_back("N" + std::to_string(row) + "@" + std::to_string(x) + top);
      for (int k = 0, f = 1; k < 3; ++k, f *= 10)
        t.push_back(std::to_string(row * f) + "@" + std::to_string(x + 100 + 80 * k) + top);
    }
    return t;
  };
  auto sums = [](const char* name, int x, int top, int sum) {
    Texts t{std::string(name) + "@" + std::to_string(x) + "," + std::to_string(top)};
    for (int k = 0, f = 1; k < 3; ++k, f *= 10)
      t.push_back(std::to_string(sum * f) + "@" + std::to_string(x + 100 + 80 * k) + "," + std::to_string(top));
    return t;
  };
  auto sorted = [](std::vector<Texts> parts) {
    Texts all;
    for (Texts& p : parts) all.insert(all.end(), p.begin(), p.end());
    std::vector<std::tuple<int, int, std::string>> keyed;
    for (const std::string& t : all) {
      size_t at = t.rfind('@'), comma = t.rfind(',');
      keyed.emplace_back(std::stoi(t.substr(comma + 1)), std::stoi(t.substr(at + 1, comma - at - 1)), t);
    }
    std::sort(keyed.begin(), keyed.end());
    Texts out;
    for (auto& k : keyed) out.push_back(std::get<2>(k));
    return out;
  };
  ASSERT_EQ(r.Run().size(), 2u);
  EXPECT_EQ(Placed(r.Pages().GetPage(0)), sorted({block(0, 1, 15), sums("col", 0, 320, 120), block(378, 16, 30),
                                                  sums("col", 378, 320, 345), sums("page", 0, 358, 465)}));
  EXPECT_EQ(Placed(r.Pages().GetPage(1)),
            sorted({block(0, 31, 40), sums("col", 0, 220, 355), sums("page", 0, 358, 355)}));
}

}  // namespace
}  // namespace orv::test
