#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasQt.h"
#include "platform/gui/tests/GraphicsTesting.h"

namespace orv {
namespace {

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureGraphics(); }
};

// Counts pixels of rect that differ from white.
int Inked(TCanvas& canvas, const TRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (canvas.Pixels(x, y) != clWhite) ++n;
  return n;
}

const WideString kThaiToneMarks = u"ก่ก้ก๊ก๋";  // four bases, each with a tone mark

TEST_F(CanvasTest, DrawsLinesShapesAndThaiTextOnABitmapThatImageMagickReads) {
  TBitmap bmp(240, 120, pf24bit);
  TCanvas& c = bmp.Canvas();

  c.Pen().SetColor(clRed);
  c.MoveTo(10, 5);
  c.LineTo(50, 5);
  EXPECT_EQ(c.Pixels(10, 5), clRed);
  EXPECT_EQ(c.Pixels(49, 5), clRed);
  EXPECT_EQ(c.Pixels(50, 5), clWhite) << "LineTo leaves out its end point";
  EXPECT_EQ(c.PenPos(), Point(50, 5));

  c.Pen().SetColor(clBlack);
  c.Brush().SetColor(clBlue);
  c.Rectangle(10, 10, 30, 30);
  EXPECT_EQ(c.Pixels(10, 10), clBlack);
  EXPECT_EQ(c.Pixels(29, 29), clBlack) << "the outline is inside X2, Y2";
  EXPECT_EQ(c.Pixels(30, 20), clWhite);
  EXPECT_EQ(c.Pixels(20, 20), clBlue);

  c.Brush().SetColor(clLime);
  c.Ellipse(40, 10, 80, 30);
  EXPECT_EQ(c.Pixels(60, 20), clLime);
  EXPECT_EQ(c.Pixels(41, 11), clWhite) << "the corners of the box stay outside the ellipse";

  c.Brush().SetColor(clYellow);
  c.Polygon({{90, 30}, {110, 10}, {130, 30}});
  EXPECT_EQ(c.Pixels(110, 25), clYellow);

  c.Brush().SetStyle(bsClear);
  c.Font().SetName("Tahoma");
  c.Font().SetSize(14);
  c.Font().SetColor(clNavy);
  const WideString thai = u"สวัสดีครับ Orvane";
  TSize extent = c.TextExtent(thai);
  c.TextOut(10, 50, thai);
  EXPECT_GT(Inked(c, {10, 50, 10 + extent.cx, 50 + extent.cy}), 100);
  EXPECT_EQ(Inked(c, {10 + extent.cx + 2, 50, 240, 50 + extent.cy}), 0) << "text stays in its extent";
  EXPECT_EQ(Inked(c, {0, 50 + extent.cy + 1, 240, 120}), 0);

  std::string file = testing::TempPath("shapes.bmp");
  bmp.SaveToFile(file);
  QImage decoded = testing::DecodeWith("convert", file);
  ASSERT_FALSE(decoded.isNull());
  ASSERT_EQ(decoded.size(), QSize(240, 120));
  EXPECT_EQ(decoded.pixelColor(20, 20), QColor(0, 0, 255));
  EXPECT_EQ(decoded.pixelColor(10, 5), QColor(255, 0, 0));
  EXPECT_EQ(decoded.pixelColor(60, 20), QColor(0, 255, 0));
  EXPECT_EQ(decoded.pixelColor(230, 110), QColor(255, 255, 255));
}

TEST_F(CanvasTest, MeasuresThaiByGraphemeClusterAtTheDeviceResolution) {
  TBitmap bmp(10, 10);
  TCanvas& c = bmp.Canvas();
  c.Font().SetName("Tahoma");
  c.Font().SetSize(12);

  TTextClusters clusters = c.TextExtentEx(kThaiToneMarks);
  EXPECT_EQ(clusters.Starts, (std::vector<int>{0, 2, 4, 6})) << "a tone mark stays on its base";
  ASSERT_EQ(clusters.Extents.size(), 4u);
  for (size_t i = 1; i < 4; ++i) EXPECT_GT(clusters.Extents[i], clusters.Extents[i - 1]);
  EXPECT_LT(c.TextExtent(kThaiToneMarks).cx, c.TextWidth("nnnnnnnn"))
      << "eight Thai characters with tone marks are four cells";

  TTextClusters fit = c.TextExtentEx(kThaiToneMarks, clusters.Extents[1]);
  EXPECT_EQ(fit.Fit, 2);
  EXPECT_EQ(c.TextExtentEx(kThaiToneMarks, clusters.Extents[1] - 1).Fit, 1);

  // The same font on a 600 dpi device is 6.25 times as many pixels.
  QImage printer(10, 10, QImage::Format_RGB32);
  printer.setDotsPerMeterX(23622);
  printer.setDotsPerMeterY(23622);
  TCanvas onPrinter;
  AttachCanvasDevice(onPrinter, &printer);
  EXPECT_EQ(onPrinter.PixelsPerInchY(), 600);
  onPrinter.Font().SetName("Tahoma");
  onPrinter.Font().SetSize(12);
  EXPECT_EQ(onPrinter.Font().Height(), -100);
  double ratio = static_cast<double>(onPrinter.TextWidth("Orvane parish ทะเบียน")) / c.TextWidth("Orvane parish ทะเบียน");
  EXPECT_NEAR(ratio, 6.25, 0.15);
  DetachCanvas(onPrinter);
}

TEST_F(CanvasTest, ExplicitAdvancesPlaceEachCluster) {
  TBitmap bmp(200, 40, pf24bit);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetStyle(bsClear);
  c.Font().SetSize(12);
  c.Font().SetColor(clBlack);
  // Three clusters 60 pixels apart: ink only near 10, 70 and 130.
  c.TextOutEx(10, 5, u"ก่Xก้", {60, 60, 60});
  EXPECT_GT(Inked(c, {10, 0, 30, 40}), 0);
  EXPECT_EQ(Inked(c, {35, 0, 65, 40}), 0);
  EXPECT_GT(Inked(c, {70, 0, 90, 40}), 0);
  EXPECT_EQ(Inked(c, {95, 0, 125, 40}), 0);
  EXPECT_GT(Inked(c, {130, 0, 150, 40}), 0);
}

TEST_F(CanvasTest, RotatedTextRunsUpward) {
  TBitmap bmp(100, 200, pf24bit);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetStyle(bsClear);
  c.Font().SetSize(14);
  c.Font().SetOrientation(900);
  c.TextOut(40, 180, "ORVANE");
  // Turned 90 degrees counter-clockwise about (40, 180): the text lies above the point and to
  // the right of x = 40, one line high.
  EXPECT_GT(Inked(c, {40, 60, 70, 180}), 100);
  EXPECT_EQ(Inked(c, {0, 0, 38, 200}), 0);
  EXPECT_EQ(Inked(c, {0, 182, 100, 200}), 0);
}

TEST_F(CanvasTest, ClippingPenModesPixelsAndTextRect) {
  TBitmap bmp(100, 100, pf24bit);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetColor(clRed);

  c.SaveClip();
  c.IntersectClipRect({10, 10, 50, 50});
  c.ExcludeClipRect({20, 20, 30, 30});
  EXPECT_EQ(c.ClipRect(), Rect(10, 10, 50, 50));
  c.FillRect({0, 0, 100, 100});
  EXPECT_EQ(c.Pixels(5, 5), clWhite);
  EXPECT_EQ(c.Pixels(15, 15), clRed);
  EXPECT_EQ(c.Pixels(25, 25), clWhite);
  c.RestoreClip();
  EXPECT_EQ(c.ClipRect(), Rect(0, 0, 100, 100));

  // XOR twice gives the picture back; the preview marks search hits this way.
  c.Pen().SetMode(pmXor);
  c.Pen().SetColor(clWhite);
  c.MoveTo(0, 15);
  c.LineTo(100, 15);
  EXPECT_EQ(c.Pixels(5, 15), clBlack);
  EXPECT_EQ(c.Pixels(15, 15), clAqua);
  c.MoveTo(0, 15);
  c.LineTo(100, 15);
  EXPECT_EQ(c.Pixels(15, 15), clRed);
  c.Pen().SetMode(pmCopy);

  c.SetPixels(90, 90, RGB(1, 2, 3));
  EXPECT_EQ(c.Pixels(90, 90), RGB(1, 2, 3));
  EXPECT_EQ(c.Pixels(100, 5), clNone);

  TRect r{0, 0, 60, 0};
  c.TextRect(r, "one two three four five six seven", tfWordBreak | tfCalcRect);
  EXPECT_GT(r.Bottom, 2 * c.TextHeight("X")) << "the words wrap onto several lines";
  EXPECT_EQ(r.Right, 60);
}

TEST_F(CanvasTest, CanvasWithoutDeviceRefusesToDraw) {
  TCanvas c;
  EXPECT_FALSE(c.CanDraw());
  EXPECT_THROW(c.LineTo(1, 1), EInvalidOperation);
  EXPECT_THROW(c.TextWidth("x"), EInvalidOperation);
  TBitmap empty;
  EXPECT_NO_THROW(empty.Canvas().Rectangle(0, 0, 5, 5)) << "an empty bitmap takes drawing";
}

TEST_F(CanvasTest, DrawsOnAPainterTheCallerOwns) {
  QImage image(50, 50, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  TCanvas c;
  AttachCanvas(c, &painter);
  ASSERT_EQ(CanvasPainter(c), &painter);
  c.Brush().SetColor(clGreen);
  c.FillRect({5, 5, 15, 15});
  DetachCanvas(c);
  painter.end();
  EXPECT_EQ(image.pixelColor(10, 10), QColor(0, 128, 0));
  EXPECT_EQ(image.pixelColor(15, 15), QColor(255, 255, 255));
}

}  // namespace
}  // namespace orv
