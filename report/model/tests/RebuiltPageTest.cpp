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

// A frame set in the design is drawn on every rebuilt page, also after the prepared report went
// through its file; a memo without one draws no line and stores no frame.
TEST(RebuiltPage, FramesOfTheDesignAloneAreDrawnAndStored) {
  THighlightedRows r;
  auto* data = static_cast<TkvxComponent*>(r.Report->FindObject("Data"));
  auto* boxed = new TkvxMemoView(data);
  boxed->SetName("Boxed");
  boxed->SetBounds(250, 0, 200, 40);
  boxed->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
  boxed->Frame()->SetWidth(3);
  boxed->Frame()->SetColor(0xFF0000);  // blue
  // A setting reached through a nested object, as the source holds it, comes back with the name.
  boxed->Font()->SetName("Laksaman");
  ASSERT_TRUE(r.Report->PrepareReport()) << r.Report->Errors->Text();
  std::string dir = TempFolder("frames");
  r.Report->PreviewPages->SaveToFile(dir + "/f.qpv");
  // The boxed memo's source holds its frame; nothing else in the file names one.
  const std::string file = ReadFile(dir + "/f.qpv");
  size_t frames = 0;
  for (size_t at = file.find("Frame.Typ="); at != std::string::npos; at = file.find("Frame.Typ=", at + 1)) ++frames;
  EXPECT_EQ(frames, 1u);
  TkvxReport reader(nullptr);
  ASSERT_TRUE(reader.PreviewPages->LoadFromFile(dir + "/f.qpv"));
  auto isBlue = [](TColor c) { return ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) < 60 && (c & 0xFF) < 60; };
  for (TkvxCustomPreviewPages* pages : {r.Report->PreviewPages, reader.PreviewPages}) {
    TBitmap bitmap;
    bitmap.SetSize(500, 100);
    bitmap.Canvas().Brush().SetColor(clWhite);
    bitmap.Canvas().FillRect(TRect{0, 0, 500, 100});
    pages->DrawPage(0, &bitmap.Canvas(), 1, 1, 0, 0);
    bool leftSide = false, rightSide = false, unframed = false;
    for (int x = 248; x <= 252; ++x) leftSide |= isBlue(bitmap.Canvas().Pixels(x, 60));
    for (int x = 447; x <= 451; ++x) rightSide |= isBlue(bitmap.Canvas().Pixels(x, 60));
    for (int x = 0; x <= 2; ++x) unframed |= isBlue(bitmap.Canvas().Pixels(x, 60));
    EXPECT_TRUE(leftSide && rightSide);
    EXPECT_FALSE(unframed);
    TkvxReportPage* page = pages->GetPage(0);
    ASSERT_NE(page, nullptr);
    for (TkvxComponent* obj : page->AllObjects()) {
      auto* memo = dynamic_cast<TkvxCustomMemoView*>(obj);
      if (!memo) continue;
      const bool isBoxed = memo->Name() == "Boxed";
      EXPECT_EQ(memo->DrawnFrame().Typ().Empty(), !isBoxed) << memo->Name();
      EXPECT_DOUBLE_EQ(memo->DrawnFrame().Width(), isBoxed ? 3 : 1) << memo->Name();
      EXPECT_EQ(memo->Font()->Name() == "Laksaman", isBoxed) << memo->Name();
    }
  }
  std::filesystem::remove_all(dir);
}
