// Report pages (paper, orientation, margins, columns, band layout) and the option objects'
// defaults, copies and resets.
#include <gtest/gtest.h>

#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

TEST(Pages, OrientationTurnsPaperAndMarginsAndBack) {
  TkvxReportPage page(nullptr);
  EXPECT_EQ(page.PaperSize(), 9);
  EXPECT_DOUBLE_EQ(page.PaperWidth(), 210);
  EXPECT_DOUBLE_EQ(page.PaperHeight(), 297);
  EXPECT_DOUBLE_EQ(page.Width(), 794);   // round(210 x 3.77953)
  EXPECT_DOUBLE_EQ(page.Height(), 1123);  // round(297 x 3.77953)
  page.SetLeftMargin(10);
  page.SetRightMargin(20);
  page.SetTopMargin(30);
  page.SetBottomMargin(40);
  page.SetOrientation(poLandscape);
  EXPECT_DOUBLE_EQ(page.PaperWidth(), 297);
  EXPECT_DOUBLE_EQ(page.PaperHeight(), 210);
  EXPECT_DOUBLE_EQ(page.LeftMargin(), 30);
  EXPECT_DOUBLE_EQ(page.RightMargin(), 40);
  EXPECT_DOUBLE_EQ(page.TopMargin(), 20);
  EXPECT_DOUBLE_EQ(page.BottomMargin(), 10);
  page.SetOrientation(poPortrait);
  EXPECT_DOUBLE_EQ(page.LeftMargin(), 10);
  EXPECT_DOUBLE_EQ(page.RightMargin(), 20);
  EXPECT_DOUBLE_EQ(page.TopMargin(), 30);
  EXPECT_DOUBLE_EQ(page.BottomMargin(), 40);
  EXPECT_DOUBLE_EQ(page.PaperWidth(), 210);
}

TEST(Pages, PaperSizesColumnsAndPageCount) {
  TkvxReportPage page(nullptr);
  page.SetPaperWidth(100.123456789);
  EXPECT_EQ(page.PaperSize(), 256);
  EXPECT_DOUBLE_EQ(page.PaperWidth(), 100.12345679);
  page.SetPaperSize(300);
  EXPECT_DOUBLE_EQ(page.PaperWidth(), 100.12345679);
  page.SetOrientation(poLandscape);
  page.SetPaperSize(11);  // A5, turned for landscape
  EXPECT_DOUBLE_EQ(page.PaperWidth(), 210);
  EXPECT_DOUBLE_EQ(page.PaperHeight(), 148);
  page.SetOrientation(poPortrait);
  page.SetPaperSize(9);
  page.SetLeftMargin(10);
  page.SetRightMargin(10);
  page.SetColumns(3);
  EXPECT_NEAR(page.ColumnWidth(), 63.3333333, 1e-6);
  ASSERT_EQ(page.ColumnPositions()->Count(), 3);
  EXPECT_EQ(page.ColumnPositions()->Strings(0), "0");
  EXPECT_NEAR(std::stod(page.ColumnPositions()->Strings(2)), 126.6666666, 1e-6);
  page.SetColumns(0);
  EXPECT_EQ(page.ColumnPositions()->Count(), 0);
  page.SetPageCount(0);
  EXPECT_EQ(page.PageCount(), 1);
  page.SetPageCount(4);
  EXPECT_EQ(page.PageCount(), 4);
  page.SetDefaults();
  EXPECT_DOUBLE_EQ(page.TopMargin(), 10);
}

TEST(Pages, BandsSpanThePrintableArea) {
  auto report = QuietReport();
  auto* page = new TkvxReportPage(report.get());
  page->SetDefaults();
  auto* band = new TTestBand(page);
  band->SetBounds(5, 0, 10, 30);
  auto* memo = new TTestMemo(page);
  memo->SetBounds(3, 3, 10, 10);
  page->AlignChildren();
  EXPECT_NEAR(page->Width(), 190 * 3.77953, 1e-9);
  EXPECT_NEAR(page->Height(), 277 * 3.77953, 1e-9);
  EXPECT_NEAR(band->Width(), 190 * 3.77953 - 5, 1e-9);
  EXPECT_DOUBLE_EQ(memo->Width(), 10);
  EXPECT_EQ(page->FindBand(TTestBand::StaticClass()), band);
  EXPECT_EQ(page->FindBand(TkvxDataPage::StaticClass()), nullptr);
}

TEST(Options, DefaultsCopiesAndResets) {
  auto report = QuietReport();
  TkvxPreviewOptions* preview = report->PreviewOptions();
  EXPECT_TRUE(preview->Buttons.Contains(pbExportQuick));
  EXPECT_FALSE(preview->Buttons.Contains(pbNoClose));
  EXPECT_EQ(report->PrintOptions()->Printer, "Default");
  EXPECT_EQ(report->EngineOptions()->MaxMemSize, 10);
  preview->OutlineWidth = 300;
  preview->Zoom = 2;
  preview->Clear();
  EXPECT_EQ(preview->OutlineWidth, 120);
  EXPECT_DOUBLE_EQ(preview->Zoom, 2);
  TkvxEngineOptions engine;
  engine.DestroyForms = false;
  engine.DoublePass = true;
  engine.TempDir = "/var/tmp";
  report->EngineOptions()->Assign(&engine);
  EXPECT_TRUE(report->EngineOptions()->DoublePass);
  EXPECT_TRUE(report->EngineOptions()->DestroyForms);
  report->EngineOptions()->SetSilentMode(false);
  EXPECT_EQ(report->EngineOptions()->NewSilentMode, simMessageBoxes);
  report->ReportOptions()->Password = "x";
  report->ReportOptions()->AcceptedPassword = "x";
  report->Clear();
  EXPECT_EQ(report->ReportOptions()->Password, "");
  EXPECT_EQ(report->ReportOptions()->AcceptedPassword, "");
  EXPECT_FALSE(report->EngineOptions()->DoublePass);
  EXPECT_EQ(report->EngineOptions()->TempDir, "/var/tmp");
  EXPECT_EQ(report->ScriptText()->Text(), "begin\r\n\r\nend.\r\n");
}

#include "platform/gui/Bitmap.h"

TEST(Pages, BackgroundFillsThePrintableAreaWhenVisible) {
  TkvxReportPage page(nullptr);
  page.SetPaperWidth(50);
  page.SetPaperHeight(40);
  page.SetLeftMargin(10);
  page.SetRightMargin(10);
  page.SetTopMargin(5);
  page.SetBottomMargin(5);
  page.SetColor(clYellow);
  auto paper = std::make_unique<TBitmap>();
  paper->SetSize(200, 160);
  paper->Canvas().Brush().SetColor(clWhite);
  paper->Canvas().FillRect(Rect(0, 0, 200, 160));
  page.DrawBackground(&paper->Canvas(), 1, 1, 0, 0);
  // 10 mm is 38 pixels, 5 mm 19.
  EXPECT_EQ(paper->Canvas().Pixels(36, 30), clWhite);
  EXPECT_EQ(paper->Canvas().Pixels(40, 30), clYellow);
  EXPECT_EQ(paper->Canvas().Pixels(60, 17), clWhite);
  EXPECT_EQ(paper->Canvas().Pixels(60, 21), clYellow);
  page.IsPrinting = true;
  page.SetBackPicturePrintable(false);
  page.SetColor(clRed);
  page.DrawBackground(&paper->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(paper->Canvas().Pixels(60, 30), clYellow);
}

TEST(ReportOptionsPicture, TravelsWithTheReportFileAndClears) {
  auto report = QuietReport();
  TBitmap bitmap;
  bitmap.SetSize(4, 3);
  bitmap.Canvas().Brush().SetColor(clRed);
  bitmap.Canvas().FillRect(TRect{0, 0, 4, 3});
  report->ReportOptions()->Picture->Assign(&bitmap);
  TStringStream out;
  report->SaveToStream(out);
  auto reader = QuietReport();
  TStringStream in(out.DataString());
  reader->LoadFromStream(in);
  EXPECT_EQ(reader->Errors->Text(), "");
  TGraphic* graphic = reader->ReportOptions()->Picture->Graphic();
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->Width(), 4);
  EXPECT_EQ(graphic->Height(), 3);
  TBitmap back;
  back.Assign(graphic);
  EXPECT_EQ(back.Canvas().Pixels(2, 1), clRed);
  reader->Clear();
  EXPECT_EQ(reader->ReportOptions()->Picture->Graphic(), nullptr);
}
