// Prepared reports whose numbers ask for more than a page can hold: each loads clamped and its
// page draws within a bound of memory, at the preview's sizes.
#include "platform/gui/Bitmap.h"
#include "platform/rtl/tests/MemoryBound.h"
#include "report/engine/tests/EngineTestSupport.h"
#include "report/engine/tests/StoreTestSupport.h"
#include "report/model/Pages.h"
#include "report/model/PropertyLimits.h"

namespace orv::test {
namespace {

// One page of a memo with a frame and shadow and a line; pageAttrs and memoAttrs replace the
// file's own values of the same names.
std::string Prepared(const std::string& pageAttrs, const std::string& memoAttrs, const std::string& lineAttrs = "") {
  return R"(<?xml version="1.0" encoding="utf-8"?><preparedreport><logicalpagenumbers><page n="1"/></logicalpagenumbers><outline/><previewpages><page0><b1 t="0"><m1 u="page 1 of [TotalPages#]"/><l1/></b1></page0></previewpages><report><TkvxReport ReportOptions.Name=""/></report><sourcepages><TkvxReportPage Font.Height="-13" Font.Name="Arial" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10" )" +
         pageAttrs +
         R"(><TkvxReportTitle Name="T" Height="40" Left="0" Top="20" Width="718"><TkvxMemoView Name="M" Left="0" Top="0" Width="300" Height="28" Font.Name="Arial" Frame.DropShadow="True" Frame.Typ="15" )" +
         memoAttrs + R"( Text="x"/><TkvxLineView Name="L" Left="0" Top="30" Width="300" Height="0" )" + lineAttrs +
         R"(/></TkvxReportTitle></TkvxReportPage></sourcepages><dictionary><b1 name="Page0.T"/><m1 name="Page0.M"/><l1 name="Page0.L"/></dictionary><picturecache/></preparedreport>)";
}

TEST(HostileSizes, PreparedPagesNamingHugeSizesLoadClampedAndDrawWithinMemory) {
  TEngineReport setup;
  const std::pair<std::string, std::string> cases[] = {
      {"columns", Prepared(R"(Columns="10000000")", "")},
      {"page count", Prepared(R"(PageCount="2147483647")", "")},
      {"frame width", Prepared("", R"(Frame.Width="1e9")")},
      {"shadow width", Prepared("", R"(Frame.ShadowWidth="1e9")")},
      {"line width", Prepared("", "", R"(Frame.Width="1e9" ArrowEnd="True" ArrowLength="1e9" ArrowWidth="1e9")")},
      {"font height", Prepared("", R"(Font.Height="2147483647")")},
      {"negative font height", Prepared("", R"(Font.Height="-2147483648")")},
      {"paper size", Prepared(R"(PaperWidth="1e9" PaperHeight="1e9")", "")},
      {"positions", Prepared("", R"(Left="1e300" Top="-1e300" Width="1e300" Height="1e300")")},
      {"text spacing", Prepared("", R"(CharSpacing="2147483647" LineSpacing="2147483647" GapX="-2147483648" GapY="2147483647" ParagraphGap="2147483647")")},
      {"not numbers", Prepared(R"(PaperWidth="nan" LeftMargin="inf")", R"(Left="nan" Width="inf" Frame.Width="nan")")},
  };
  // The fonts and the painting threads start once, outside the bound.
  {
    TkvxReport report(nullptr);
    TkvxPreviewPages pages(&report);
    LoadText(pages, Prepared("", ""));
    TBitmap screen(800, 1200);
    pages.DrawPage(0, &screen.Canvas(), 4, 4, -100, -100);
  }
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    TkvxReport report(nullptr);
    TkvxPreviewPages pages(&report);
    testing::WithinMemory(300, [&] {
      LoadText(pages, text);
      ASSERT_EQ(pages.GetCount(), 1);
      TkvxReportPage* page = pages.GetPage(0);
      ASSERT_NE(page, nullptr);
      EXPECT_LE(page->PaperWidth(), kvxMaxPaperLength);
      EXPECT_LE(page->PaperHeight(), kvxMaxPaperLength);
      EXPECT_LE(page->Columns(), kvxMaxColumns);
      EXPECT_LE(page->PageCount(), kvxMaxPageCopies);
      // The preview at 100 % and zoomed to 400 %.
      TBitmap screen(800, 1200);
      pages.DrawPage(0, &screen.Canvas(), 1, 1, 0, 0);
      pages.DrawPage(0, &screen.Canvas(), 4, 4, -100, -100);
    });
  }
}

}  // namespace
}  // namespace orv::test
