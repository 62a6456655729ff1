// A picture view given an EMF or a placeable WMF (as a data field's blob brings it) takes it as a
// metafile and prints its drawing, in the preview and in the PDF.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/Picture.h"
#include "report/engine/Engine.h"
#include "report/model/Bands.h"
#include "report/model/PictureView.h"
#include "report/model/tests/ModelTestSupport.h"
#include "report/pdf/PdfExport.h"

using namespace orv;
using namespace orv::test;

namespace {

// Samples made by LibreOffice Draw; see the graphics layer's metafile tests.
const std::string kSamples = ORVANE_TEST_DATA "/../../../../platform/gui/tests/data/metafiles/";

bool Near(TColor a, TColor b) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 60) return false;
  return true;
}

}  // namespace

TEST(MetafilePicture, BlobsOfBothKindsLoadAsMetafilesAndPrint) {
  RegisterTestClasses();
  kvxRegisterEngine();
  for (const char* name : {"shapes.emf", "shapes.wmf"}) {
    SCOPED_TRACE(name);
    TMemoryStream blob;
    blob.LoadFromFile(kSamples + name);
    TComponent window(nullptr);
    TkvxReport report(&window);
    report.EngineOptions()->NewSilentMode = simSilent;
    auto* page = new TkvxReportPage(&report);
    page->SetName("Page1");
    page->SetLeftMargin(0), page->SetTopMargin(0), page->SetRightMargin(0), page->SetBottomMargin(0);
    auto* title = new TkvxReportTitle(page);
    title->SetName("Title");
    title->SetBounds(0, 0, 700, 262);
    auto* view = new TkvxPictureView(title);
    view->SetName("Drawing");
    view->SetBounds(0, 0, 358, 262);
    view->Frame()->SetTyp({});
    ASSERT_EQ(view->LoadPictureFromStream(blob, true), 0);
    ASSERT_NE(dynamic_cast<TMetafile*>(view->Picture()->Graphic()), nullptr);

    TBitmap bitmap;
    bitmap.SetSize(358, 262);
    view->Draw(&bitmap.Canvas(), 1, 1, 0, 0);
    EXPECT_TRUE(Near(bitmap.Canvas().Pixels(80, 50), clRed));
    EXPECT_TRUE(Near(bitmap.Canvas().Pixels(300, 70), clBlue));
    EXPECT_TRUE(Near(bitmap.Canvas().Pixels(190, 230), 0x00A000));
    EXPECT_TRUE(Near(bitmap.Canvas().Pixels(200, 20), clWhite));

    if (std::system("command -v pdftoppm >/dev/null") != 0) GTEST_SKIP() << "pdftoppm is not installed";
    ASSERT_TRUE(report.PrepareReport()) << report.Errors->Text();
    std::string dir = TempFolder("metafile-picture");
    TkvxPDFExport filter(&window);
    filter.SetShowDialog(false);
    filter.SetShowProgress(false);
    filter.SetFileName(dir + "/m.pdf");
    report.PreviewPages->Export(&filter);
    // 96 dpi: one pixel of the PDF's page for each report pixel.
    ASSERT_EQ(std::system(("pdftoppm -r 96 -f 1 -l 1 -png -singlefile " + dir + "/m.pdf " + dir + "/m").c_str()), 0);
    TPicture png;
    png.LoadFromFile(dir + "/m.png");
    TBitmap pdfPage;
    pdfPage.Assign(png.Graphic());
    EXPECT_TRUE(Near(pdfPage.Canvas().Pixels(80, 50), clRed)) << std::hex << pdfPage.Canvas().Pixels(80, 50);
    EXPECT_TRUE(Near(pdfPage.Canvas().Pixels(300, 70), clBlue));
    EXPECT_TRUE(Near(pdfPage.Canvas().Pixels(190, 230), 0x00A000));
    std::filesystem::remove_all(dir);
  }
}
