// Pages leaving the store: drawn on a canvas and handed to an export filter.
#include "platform/gui/Bitmap.h"
#include "report/engine/tests/StoreTestSupport.h"

namespace orv::test {
namespace {

int DrawnOn(TkvxReportPage* page) {
  int drawn = 0;
  for (TkvxComponent* c : page->AllObjects())
    if (auto* memo = dynamic_cast<TStoreMemo*>(c)) drawn += memo->Drawn;
  return drawn;
}

TEST(PageOutput, DrawsTheViewsThatReachTheCanvas) {
  TListReport list;
  list.Run(45);
  TkvxPreviewPages& pages = *list.Pages;
  TBitmap canvas(800, 1200);
  pages.DrawPage(0, &canvas.Canvas(), 1, 1, 0, 0);
  std::shared_ptr<TkvxReportPage> page = pages.GetPageShared(0);
  EXPECT_EQ(DrawnOn(page.get()), 41);  // the heading and two memos of 20 rows
  // A canvas 100 pixels high: the heading and the rows within 20 pixels of it (rows at 40, 60,
  // 80 and 100, grown upwards by 20) are drawn, the others left out.
  TBitmap strip(800, 100);
  pages.DrawPage(0, &strip.Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(DrawnOn(page.get()), 41 + 1 + 2 * 4);
  pages.DrawPage(9, &canvas.Canvas(), 1, 1, 0, 0);  // no such page: nothing
}

struct TCountingFilter : TkvxCustomExportFilter {
  TCountingFilter() : TkvxCustomExportFilter(nullptr) { SetShowDialog(false); }
  bool Start() override {
    Log += "start ";
    return StartResult;
  }
  void StartPage(TkvxReportPage* page, Integer index) override {
    Log += "page" + std::to_string(index) + " ";
  }
  void ExportObject(TkvxComponent* obj) override {
    if (obj->IsBand()) Bands += obj->Name() + " ";
    else ++Views;
  }
  void FinishPage(TkvxReportPage* page, Integer) override {
    Log += "end ";
    Left = page->Left();
  }
  void Finish() override { Log += "finish"; }
  bool StartResult = true;
  std::string Log, Bands;
  int Views = 0;
  Extended Left = 0;
};

TEST(PageOutput, ExportHandsSelectedPagesToTheFilterInOrder) {
  TListReport list;
  list.Page->SetLeftMargin(10);
  auto* header = new TkvxPageHeader(list.Page);
  header->SetName("Header");
  header->SetBounds(0, 0, 700, 20);
  auto* footer = new TkvxPageFooter(list.Page);
  footer->SetName("Footer");
  footer->SetBounds(0, 1000, 700, 20);
  list.Start();
  TkvxPreviewPages& pages = *list.Pages;
  for (int p = 0; p < 3; ++p) {
    pages.AddPage(list.Page);
    pages.AddObject(header);
    list.AddRow(1, "x");
    pages.AddObject(footer);
  }
  pages.Finish();

  TCountingFilter all;
  EXPECT_TRUE(pages.Export(&all));
  EXPECT_EQ(all.Log, "start page0 end page1 end page2 end finish");
  EXPECT_EQ(all.Bands, "Header Data Footer Header Data Footer Header Data Footer ");
  EXPECT_EQ(all.Views, 9);  // per page: the page background and the row's two memos
  EXPECT_NEAR(all.Left, 10 * 3.77953, 1e-9);

  TCountingFilter once;
  once.HeaderFooterOnce = true;
  once.PageNumbers = "2-";
  pages.Export(&once);
  EXPECT_EQ(once.Log, "start page1 end page2 end finish");
  EXPECT_EQ(once.Bands, "Data Data Footer ");

  TCountingFilter refused;
  refused.StartResult = false;
  EXPECT_FALSE(pages.Export(&refused));
  EXPECT_EQ(refused.Log, "start ");
  EXPECT_FALSE(pages.Export(nullptr));
}

}  // namespace
}  // namespace orv::test
