#include <gtest/gtest.h>

#include <algorithm>

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

  // Asked for the whole first, then cluster by cluster: both answers agree.
  TTextRunExtent run = c.TextRunExtent(kThaiToneMarks);
  TTextClusters clusters = c.TextExtentEx(kThaiToneMarks);
  EXPECT_EQ(clusters.Starts, (std::vector<int>{0, 2, 4, 6})) << "a tone mark stays on its base";
  EXPECT_EQ(run.Clusters, 4);
  ASSERT_FALSE(clusters.Extents.empty());
  EXPECT_EQ(run.Extent, clusters.Extents.back());
  EXPECT_EQ(c.TextRunExtent(WideString()).Clusters, 0);
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

TEST_F(CanvasTest, TextLaidOutAloneMeasuresAsTextToBeWrittenAndLeavesTheWrittenTextAsItWas) {
  // Steps between the extents TextExtentEx gives, which measures on a path of its own.
  auto steps = [](const TTextClusters& clusters) {
    std::vector<int> out;
    int previous = 0;
    for (int extent : clusters.Extents) {
      out.push_back(extent - previous);
      previous = extent;
    }
    return out;
  };
  TBitmap bmp(400, 60);
  TCanvas& c = bmp.Canvas();
  c.Font().SetName("Tahoma");
  c.Font().SetSize(14);
  const WideString written = u"นายสมชาย ใจดี 43/16 หมู่ 1";
  for (const WideString& text : {WideString(kThaiToneMarks), written, WideString(u"ไม่น้ำใจ Saengthong AVAWAY")}) {
    std::vector<int> starts, advances, layoutStarts, layoutAdvances;
    c.TextAdvances(text, starts, advances);
    c.LayoutAdvances(text, layoutStarts, layoutAdvances);
    const TTextClusters clusters = c.TextExtentEx(text);
    EXPECT_EQ(layoutStarts, clusters.Starts);
    EXPECT_EQ(layoutAdvances, steps(clusters));
    EXPECT_EQ(layoutStarts, starts);
    EXPECT_EQ(layoutAdvances, advances);
  }
  // A text measured to be written, another laid out in between, then the first written: the
  // same pixels as with nothing in between.
  auto draw = [&](bool layoutBetween) {
    TBitmap out(400, 60);
    TCanvas& canvas = out.Canvas();
    canvas.Font().SetName("Tahoma");
    canvas.Font().SetSize(14);
    std::vector<int> starts, advances, otherStarts, otherAdvances;
    canvas.TextAdvances(written, starts, advances);
    if (layoutBetween) canvas.LayoutAdvances(WideString(u"ไม่น้ำใจ อื่น"), otherStarts, otherAdvances);
    canvas.TextOutEx(4, 10, written, advances);
    std::vector<TColor> pixels;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 400; ++x) pixels.push_back(canvas.Pixels(x, y));
    return pixels;
  };
  const std::vector<TColor> alone = draw(false);
  EXPECT_EQ(draw(true), alone);
  EXPECT_GT(std::count_if(alone.begin(), alone.end(), [](TColor p) { return p != clWhite; }), 100);
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

// Written with advances, a run looks exactly as Qt draws each cluster alone at the same place:
// a tone mark stays on its base, Latin and digits from a fallback face included, with or
// without an underline.
TEST_F(CanvasTest, ClustersAtExplicitAdvancesMatchEachClusterDrawnAlone) {
  const QString text = QString::fromUtf16(u"ที่นี่ สมชาย 12");
  const std::vector<std::u16string_view> clusters = {u"ที่", u"นี่", u" ", u"ส", u"ม", u"ช", u"า", u"ย", u" ", u"1", u"2"};
  const std::vector<int> advances = {15, 13, 5, 9, 10, 12, 8, 9, 4, 8, 8};
  for (bool underline : {false, true}) {
    SCOPED_TRACE(underline ? "underlined" : "plain");
    TBitmap bmp(160, 30, pf32bit);
    TCanvas& c = bmp.Canvas();
    c.Brush().SetColor(clWhite);
    c.FillRect({0, 0, 160, 30});
    c.Brush().SetStyle(bsClear);
    c.Font().SetName("Tahoma");
    c.Font().SetHeight(-16);
    c.Font().SetColor(clBlack);
    TFontStyles style;
    if (underline) style.Include(fsUnderline);
    c.Font().SetStyle(style);
    c.TextOutEx(6, 4, WideString(reinterpret_cast<const char16_t*>(text.utf16()), text.size()), advances);

    QImage expected(160, 30, QImage::Format_ARGB32);
    expected.fill(Qt::white);
    QFont font("Tahoma");
    font.setPixelSize(16);
    font.setUnderline(underline);
    font.setHintingPreference(QFont::PreferNoHinting);
    {
      QPainter painter(&expected);
      painter.setRenderHint(QPainter::TextAntialiasing, true);
      painter.setFont(font);
      painter.setPen(Qt::black);
      double x = 6, baseline = 4 + QFontMetricsF(font, &expected).ascent();
      for (size_t i = 0; i < clusters.size(); ++i) {
        painter.drawText(QPointF(x, baseline), QString::fromUtf16(clusters[i].data(), clusters[i].size()));
        x += advances[i];
      }
    }
    int differing = 0, inked = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 160; ++x) {
        TColor expectedColor = RGB(qRed(expected.pixel(x, y)), qGreen(expected.pixel(x, y)), qBlue(expected.pixel(x, y)));
        if (c.Pixels(x, y) != expectedColor) ++differing;
        if (expectedColor != clWhite) ++inked;
      }
    EXPECT_GT(inked, 100);
    EXPECT_EQ(differing, 0);
  }
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

TEST_F(CanvasTest, PieAndChordFillBetweenTheRadialsThroughTheirPoints) {
  TBitmap bmp(200, 100, pf24bit);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetColor(clRed);
  // Counter-clockwise from the radial through the top right corner of a wide ellipse to the
  // radial through its top left corner: the wedge above the centre, 26.6 to 153.4 degrees.
  c.Pie(0, 0, 200, 100, 200, 0, 0, 0);
  EXPECT_EQ(c.Pixels(100, 20), clRed);
  EXPECT_EQ(c.Pixels(141, 21), clRed) << "35 degrees is inside the wedge";
  EXPECT_EQ(c.Pixels(156, 30), clWhite) << "20 degrees is below the radial through the corner";
  EXPECT_EQ(c.Pixels(100, 80), clWhite);
  EXPECT_EQ(c.Pixels(3, 3), clWhite) << "the corner itself is outside the ellipse";

  // The same points the other way round: the rest of the ellipse.
  TBitmap rest(200, 100, pf24bit);
  rest.Canvas().Brush().SetColor(clRed);
  rest.Canvas().Pie(0, 0, 200, 100, 0, 0, 200, 0);
  EXPECT_EQ(rest.Canvas().Pixels(100, 80), clRed);
  EXPECT_EQ(rest.Canvas().Pixels(156, 30), clRed);
  EXPECT_EQ(rest.Canvas().Pixels(100, 20), clWhite);

  // A chord closes the arc with the straight line between its ends, not through the centre.
  TBitmap chord(100, 100, pf24bit);
  TCanvas& k = chord.Canvas();
  k.Brush().SetColor(clBlue);
  k.Chord(0, 0, 100, 100, 100, 0, 0, 0);
  EXPECT_EQ(k.Pixels(50, 5), clBlue);
  EXPECT_EQ(k.Pixels(50, 30), clWhite) << "inside the pie of the same radials, outside the chord";
  EXPECT_EQ(k.Pixels(50, 80), clWhite);
}

TEST_F(CanvasTest, ArcAndPolylineDrawOutlinesOnly) {
  TBitmap bmp(100, 100, pf24bit);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetColor(clRed);
  // The quarter of the circle from three o'clock to twelve o'clock.
  c.Arc(0, 0, 100, 100, 100, 50, 50, 0);
  EXPECT_GT(Inked(c, {52, 0, 100, 48}), 40);
  EXPECT_EQ(Inked(c, {0, 0, 48, 48}), 0);
  EXPECT_EQ(Inked(c, {0, 52, 100, 100}), 0);
  EXPECT_EQ(c.Pixels(70, 30), clWhite) << "an arc is not filled";

  TBitmap lines(100, 100, pf24bit);
  TCanvas& l = lines.Canvas();
  l.Pen().SetColor(clGreen);
  l.Brush().SetColor(clRed);
  l.Polyline({{10, 90}, {60, 90}, {60, 40}});
  EXPECT_EQ(l.Pixels(30, 90), clGreen);
  EXPECT_EQ(l.Pixels(60, 60), clGreen);
  EXPECT_EQ(l.Pixels(35, 65), clWhite) << "a polyline is not closed";
  EXPECT_EQ(l.Pixels(50, 80), clWhite) << "nor filled";
  EXPECT_EQ(l.PenPos(), Point(60, 40));
}

TEST_F(CanvasTest, FrameRectAndCopyRect) {
  TBitmap bmp(100, 60, pf24bit);
  TCanvas& c = bmp.Canvas();
  c.Pen().SetColor(clRed);
  c.Brush().SetColor(clBlue);
  c.FrameRect({10, 10, 30, 20});
  EXPECT_EQ(c.Pixels(10, 10), clBlue) << "the frame is in the brush's colour";
  EXPECT_EQ(c.Pixels(29, 10), clBlue);
  EXPECT_EQ(c.Pixels(29, 19), clBlue);
  EXPECT_EQ(c.Pixels(10, 19), clBlue);
  EXPECT_EQ(c.Pixels(30, 20), clWhite);
  EXPECT_EQ(c.Pixels(20, 15), clWhite) << "inside stays as it was";

  // Blue left half and yellow right half of a 20 x 20 square, copied twice as large.
  TBitmap source(40, 40, pf24bit);
  source.Canvas().Brush().SetColor(clBlue);
  source.Canvas().FillRect({10, 10, 20, 30});
  source.Canvas().Brush().SetColor(clYellow);
  source.Canvas().FillRect({20, 10, 30, 30});
  TBitmap dest(100, 60, pf24bit);
  dest.Canvas().CopyRect({50, 10, 90, 50}, source.Canvas(), {10, 10, 30, 30});
  TCanvas& d = dest.Canvas();
  EXPECT_EQ(d.Pixels(52, 12), clBlue);
  EXPECT_EQ(d.Pixels(65, 45), clBlue);
  EXPECT_EQ(d.Pixels(75, 12), clYellow);
  EXPECT_EQ(d.Pixels(88, 48), clYellow);
  EXPECT_EQ(d.Pixels(49, 30), clWhite);
  EXPECT_EQ(d.Pixels(91, 30), clWhite);
  EXPECT_EQ(d.Pixels(70, 51), clWhite);
  TCanvas noPixels;
  EXPECT_THROW(d.CopyRect({0, 0, 5, 5}, noPixels, {0, 0, 5, 5}), EInvalidOperation);
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
