// Pages leaving the store: drawn on a canvas and handed to an export filter.
#include <cmath>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Cursors.h"
#include "report/model/Bands.h"
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

TEST(PageOutput, APageTurnedToLandscapeDrawsNothingPastItsPaper) {
  TListReport list;
  list.Start();
  list.Pages->AddPage(list.Page);
  list.No->SetText("ล่างสุด");
  list.Name->SetText("ล่างสุด");
  list.Data->SetTop(1000);  // near the foot of the A4 page, below that of the turned one
  list.Pages->AddObject(list.Data);
  list.Pages->Finish();
  std::shared_ptr<TkvxReportPage> page = list.Pages->GetPageShared(0);
  page->SetOrientation(poLandscape);
  list.Pages->ModifyPage(0, page.get());
  ASSERT_EQ(list.Pages->GetPageSize(0).Y, static_cast<int>(std::lround(210 * kvxPixelsPerMM)));
  // At the preview's 150% and at 150 dpi for a look.
  const Extended zoom = 1.5;
  TBitmap canvas(1800, 1800);
  canvas.Canvas().Brush().SetColor(clWhite);
  canvas.Canvas().FillRect(Rect(0, 0, 1800, 1800));
  list.Pages->DrawPage(0, &canvas.Canvas(), zoom, zoom, 10, 10);
  const int foot = 10 + static_cast<int>(std::lround(210 * kvxPixelsPerMM * zoom));
  int past = 0;
  for (int y = foot; y < 1800; ++y)
    for (int x = 0; x < 1800; x += 2) past += canvas.Canvas().Pixels(x, y) != clWhite;
  EXPECT_EQ(past, 0);
}

struct TCountingFilter : TkvxCustomExportFilter {
  TCountingFilter() : TkvxCustomExportFilter(nullptr) { SetShowDialog(false); }
  bool Start() override {
    Log += "start ";
    return StartResult;
  }
  void StartPage(TkvxReportPage*, Integer index) override {
    Log += "page" + std::to_string(index) + " ";
  }
  void ExportObject(TkvxComponent* obj) override {
    if (obj->IsBand()) Bands += obj->Name() + " ";
    else ++Views;
  }
  void FinishPage(TkvxReportPage* page, Integer index) override {
    Log += "end ";
    Left = page->Left();
    if (index == CancelAt) Report->SetTerminated(true);
  }
  void Finish() override { Log += "finish"; }
  bool StartResult = true;
  // The page after which the user cancels.
  Integer CancelAt = -1;
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

TEST(PageOutput, CancelledExportSaysHowFarItGot) {
  TListReport list;
  list.Run(45);  // three pages
  TkvxPreviewPages& pages = *list.Pages;
  list.Report->EngineOptions()->NewSilentMode = simReThrow;
  TCountingFilter first;
  first.CancelAt = 0;
  try {
    pages.Export(&first);
    ADD_FAILURE() << "a cancelled export passed for a finished one";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Export cancelled after 1 of 3 pages");
  }
  // The filter still closes its output, holding the page it got.
  EXPECT_EQ(first.Log, "start page0 end finish");

  list.Report->EngineOptions()->NewSilentMode = simSilent;
  TCountingFilter ranged;
  ranged.PageNumbers = "2-3";
  ranged.CancelAt = 1;
  EXPECT_FALSE(pages.Export(&ranged));
  EXPECT_EQ(ranged.Log, "start page1 end finish");
  // A cancel after the last page is too late to lose anything: the export is whole.
  TCountingFilter late;
  late.CancelAt = 2;
  EXPECT_TRUE(pages.Export(&late));
  EXPECT_EQ(late.Log, "start page0 end page1 end page2 end finish");
}

TEST(PageOutput, OnlyWebAndMailLinksLeaveTheProgram) {
  // Files, even existing ones, and other schemes are a report's data trying to run something.
  for (const char* url : {"file:///etc/hostname", "/etc/hostname", "javascript:alert(1)", "ftp://example.org/x",
                          "smb://server/share", "", "   "})
    EXPECT_FALSE(kvxOpenURL(url)) << url;
}

// A preview that counts how often it was asked to prepare the report again.
class TRefreshCounter : public TkvxCustomPreview {
 public:
  TRefreshCounter() : TkvxCustomPreview(nullptr) {}
  void Init() override {}
  void Lock() override {}
  void Unlock() override {}
  void RefreshReport() override { ++Refreshes; }
  void ProgressStart(TkvxProgressType) override {}
  void ProgressStep(TkvxProgressType, Integer) override {}
  void ProgressStop(TkvxProgressType) override {}
  int Refreshes = 0;
};

TEST(PageOutput, ClicksOnADrillDownHeaderOpenAndCloseItsGroup) {
  TListReport list;
  auto* group = new TkvxGroupHeader(list.Page);
  group->SetName("Parish");
  group->SetBounds(0, 500, 700, 20);
  group->DrillDown = true;
  auto* caption = new TStoreMemo(group);
  caption->SetName("ParishName");
  caption->SetBounds(10, 0, 100, 20);
  caption->SetText("Ban Pong");
  list.Start();
  list.Pages->AddPage(list.Page);
  group->DrillDownGroup = 4;  // the engine's number of this group
  list.Pages->AddObject(group);
  list.Pages->Finish();
  TRefreshCounter preview;
  list.Report->SetPreview(&preview);

  TCursor cursor = crDefault;
  // Passing over the header shows the hand and changes nothing.
  list.Pages->ObjectOver(0, 600, 510, mbLeft, {}, 1, 0, 0, false, cursor);
  EXPECT_EQ(cursor, crHandPoint);
  EXPECT_EQ(list.Report->DrillDownState->Count(), 0);
  // A click on the header's own caption opens the group; a second click, on the header, closes it.
  list.Pages->ObjectOver(0, 50, 510, mbLeft, {}, 1, 0, 0, true, cursor);
  ASSERT_EQ(list.Report->DrillDownState->Count(), 1);
  EXPECT_EQ(list.Report->DrillDownState->Strings(0), "Parish.4");
  list.Pages->ObjectOver(0, 650, 505, mbLeft, {}, 1, 0, 0, true, cursor);
  EXPECT_EQ(list.Report->DrillDownState->Count(), 0);
  EXPECT_EQ(preview.Refreshes, 2);
  // Outside the header, and while the page is zoomed so that the header lies elsewhere: nothing.
  cursor = crDefault;
  list.Pages->ObjectOver(0, 600, 700, mbLeft, {}, 1, 0, 0, true, cursor);
  list.Pages->ObjectOver(0, 600, 510, mbLeft, {}, 2, 0, 0, true, cursor);
  EXPECT_EQ(cursor, crDefault);
  EXPECT_EQ(preview.Refreshes, 2);
  list.Report->SetPreview(nullptr);
}

}  // namespace
}  // namespace orv::test
