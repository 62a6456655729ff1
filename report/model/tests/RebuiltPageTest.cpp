// What survives a prepared page being rebuilt from its stored text: a memo highlighted by its
// condition keeps its highlight colour in the preview's drawing and in the PDF.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Picture.h"
#include "platform/rtl/TextUtils.h"
#include "report/engine/Engine.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
#include "report/model/tests/ModelTestSupport.h"
#include "report/pdf/PdfExport.h"

using namespace orv;
using namespace orv::test;

namespace {

// Four rows of 40 pixels; the second row's memo is highlighted in pure red.
struct THighlightedRows {
  THighlightedRows() {
    RegisterTestClasses();
    kvxRegisterEngine();
    auto* rows = new TkvxUserDataSet(&Window);
    rows->SetName("Q");
    rows->SetRangeEnd(reCount);
    rows->SetRangeEndCount(4);
    rows->Fields()->SetText("n");
    rows->OnGetValue = [rows](const String&, Variant& value) { value = rows->RecNo() + 1; };
    Report = new TkvxReport(&Window);
    Report->EngineOptions()->NewSilentMode = simSilent;
    Report->DataSets->Add()->SetDataSet(rows);
    auto* page = new TkvxReportPage(Report);
    page->SetName("Page1");
    page->SetLeftMargin(0), page->SetTopMargin(0), page->SetRightMargin(0), page->SetBottomMargin(0);
    auto* data = new TkvxMasterData(page);
    data->SetName("Data");
    data->SetBounds(0, 0, 700, 40);
    data->SetDataSet(rows);
    auto* memo = new TkvxMemoView(data);
    memo->SetName("Row");
    memo->SetBounds(0, 0, 200, 40);
    memo->SetText(u"[Q.\"n\"]");
    memo->Highlight()->Condition = "<Q.\"n\"> = 2";
    memo->Highlight()->Color = 0x0000FF;  // red in the BGR order of colours
  }
  TComponent Window{nullptr};
  TkvxReport* Report;
};

bool IsRed(TColor c) { return (c & 0xFF) > 200 && ((c >> 8) & 0xFF) < 60 && ((c >> 16) & 0xFF) < 60; }

}  // namespace

TEST(RebuiltPage, HighlightedMemoKeepsItsColourInPreviewAndPdf) {
  THighlightedRows r;
  ASSERT_TRUE(r.Report->PrepareReport()) << r.Report->Errors->Text();
  // The preview draws the page rebuilt from its stored text, at scale 1.
  TBitmap bitmap;
  bitmap.SetSize(300, 200);
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().FillRect(TRect{0, 0, 300, 200});
  r.Report->PreviewPages->DrawPage(0, &bitmap.Canvas(), 1, 1, 0, 0);
  EXPECT_FALSE(IsRed(bitmap.Canvas().Pixels(150, 20))) << "the first row is not highlighted";
  EXPECT_TRUE(IsRed(bitmap.Canvas().Pixels(150, 60))) << std::hex << bitmap.Canvas().Pixels(150, 60);
  EXPECT_FALSE(IsRed(bitmap.Canvas().Pixels(150, 100)));

  if (std::system("command -v pdftoppm >/dev/null") != 0) GTEST_SKIP() << "pdftoppm is not installed";
  std::string dir = TempFolder("highlight");
  TkvxPDFExport filter(&r.Window);
  filter.SetShowDialog(false);
  filter.SetShowProgress(false);
  filter.SetFileName(dir + "/h.pdf");
  r.Report->PreviewPages->Export(&filter);
  // 72 dpi: one PDF point per pixel, 0.75 of a report pixel.
  ASSERT_EQ(std::system(("pdftoppm -r 72 -f 1 -l 1 -png -singlefile " + dir + "/h.pdf " + dir + "/h").c_str()), 0);
  TPicture png;
  png.LoadFromFile(dir + "/h.png");
  TBitmap page;
  page.Assign(png.Graphic());
  EXPECT_FALSE(IsRed(page.Canvas().Pixels(112, 15)));
  EXPECT_TRUE(IsRed(page.Canvas().Pixels(112, 45))) << std::hex << page.Canvas().Pixels(112, 45);
  EXPECT_FALSE(IsRed(page.Canvas().Pixels(112, 75)));
  std::filesystem::remove_all(dir);
}

TEST(RebuiltPage, ControlCharactersOfDataSurviveThePreparedReportFile) {
  RegisterTestClasses();
  kvxRegisterEngine();
  TComponent window(nullptr);
  auto* rows = new TkvxUserDataSet(&window);
  rows->SetName("Q");
  rows->SetRangeEnd(reCount);
  rows->SetRangeEndCount(1);
  rows->Fields()->SetText("s");
  rows->OnGetValue = [](const String&, Variant& value) { value = String("page\fbreak\abell"); };
  TkvxReport report(&window);
  report.EngineOptions()->NewSilentMode = simSilent;
  report.DataSets->Add()->SetDataSet(rows);
  auto* page = new TkvxReportPage(&report);
  page->SetName("Page1");
  auto* data = new TkvxMasterData(page);
  data->SetName("Data");
  data->SetBounds(0, 0, 700, 40);
  data->SetDataSet(rows);
  auto* memo = new TkvxMemoView(data);
  memo->SetName("Row");
  memo->SetBounds(0, 0, 200, 40);
  memo->SetText(u"[Q.\"s\"]");
  ASSERT_TRUE(report.PrepareReport()) << report.Errors->Text();
  std::string dir = TempFolder("controls");
  report.PreviewPages->SaveToFile(dir + "/c.qpv");
  EXPECT_EQ(XmlLint(ReadFile(dir + "/c.qpv")), "");
  TkvxReport reader(nullptr);
  ASSERT_TRUE(reader.PreviewPages->LoadFromFile(dir + "/c.qpv"));
  std::vector<WideString> texts;
  for (TkvxComponent* obj : reader.PreviewPages->GetPage(0)->AllObjects())
    if (auto* m = dynamic_cast<TkvxCustomMemoView*>(obj)) texts.push_back(m->Text());
  EXPECT_EQ(texts, std::vector<WideString>{u"page\fbreak\abell\r\n"});
  std::filesystem::remove_all(dir);
}
