#include <gtest/gtest.h>

#include <climits>
#include <fstream>

#include "platform/gui/Bitmap.h"
#include "platform/gui/tests/GraphicsTesting.h"

namespace orv {
namespace {

class BitmapTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureGraphics(); }
};

TEST_F(BitmapTest, ScanLinesHoldBlueGreenRedRowsThatImageMagickReadsBack) {
  TBitmap bmp(7, 3, pf24bit);  // 21 bytes a row, padded to 24
  EXPECT_EQ(bmp.BytesPerLine(), 24);
  for (int y = 0; y < 3; ++y) {
    Byte* row = bmp.ScanLine(y);
    for (int x = 0; x < 7; ++x) {
      row[3 * x] = static_cast<Byte>(x * 30);       // blue
      row[3 * x + 1] = static_cast<Byte>(y * 100);  // green
      row[3 * x + 2] = 200;                         // red
    }
  }
  EXPECT_EQ(bmp.Canvas().Pixels(2, 1), RGB(200, 100, 60));
  EXPECT_THROW(bmp.ScanLine(3), ERangeError);

  std::string file = testing::TempPath("rows.bmp");
  bmp.SaveToFile(file);
  QImage decoded = testing::DecodeWith("convert", file);
  ASSERT_EQ(decoded.size(), QSize(7, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(decoded.pixelColor(x, y), QColor(200, y * 100, x * 30)) << x << "," << y;

  TBitmap again;
  again.LoadFromFile(file);
  EXPECT_EQ(again.Width(), 7);
  EXPECT_EQ(again.PixelFormat(), pf24bit);
  EXPECT_EQ(again.ScanLine(2)[3 * 6], 180);
}

TEST_F(BitmapTest, ReadsPaletteAndThirtyTwoBitFilesThatImageMagickWrote) {
  std::string palette = testing::TempPath("palette.bmp");
  // Three colours: ImageMagick writes 4 bits a pixel.
  ASSERT_EQ(std::system(("convert -size 4x2 xc:red -fill blue -draw 'point 1,1' -fill lime -draw 'point 2,1' -type Palette 'BMP3:" + palette + "'").c_str()), 0);
  TBitmap p;
  p.LoadFromFile(palette);
  EXPECT_EQ(p.PixelFormat(), pf4bit);
  EXPECT_EQ(p.Canvas().Pixels(0, 0), clRed);
  EXPECT_EQ(p.Canvas().Pixels(1, 1), clBlue);
  EXPECT_EQ(p.Canvas().Pixels(2, 1), clLime);
  // Drawing on a palette bitmap goes through its palette.
  p.Canvas().SetPixels(0, 0, clBlue);
  EXPECT_EQ(p.Palette()[p.ScanLine(0)[0]], clBlue);
  EXPECT_EQ(p.Palette()[p.ScanLine(0)[1]], clRed);

  std::string wide = testing::TempPath("truecolor.bmp");
  ASSERT_EQ(std::system(("convert -size 3x3 xc:'rgb(10,20,30)' -type TrueColor 'BMP3:" + wide + "'").c_str()), 0);
  TBitmap t;
  t.LoadFromFile(wide);
  EXPECT_EQ(t.PixelFormat(), pf24bit);
  EXPECT_EQ(t.Canvas().Pixels(2, 2), RGB(10, 20, 30));
}

TEST_F(BitmapTest, DamagedFilesRaiseInvalidGraphic) {
  TBitmap bmp;
  TMemoryStream notBmp;
  notBmp.WriteString("PK\x03\x04 this is not a bitmap at all, just some bytes");
  notBmp.SetPosition(0);
  EXPECT_THROW(bmp.LoadFromStream(notBmp), EInvalidGraphic);

  TBitmap good(20, 20, pf24bit);
  TMemoryStream full;
  good.SaveToStream(full);
  TMemoryStream cut;
  cut.WriteBuffer(full.Memory(), 40);  // header only
  cut.SetPosition(0);
  EXPECT_THROW(bmp.LoadFromStream(cut), EInvalidGraphic);
  EXPECT_TRUE(bmp.Empty()) << "a failed load leaves the bitmap as it was";
}

TEST_F(BitmapTest, ResizingKeepsPixelsAndTransparencyLeavesTheBackground) {
  TBitmap bmp(10, 10, pf24bit);
  bmp.Canvas().Brush().SetColor(clRed);
  bmp.Canvas().FillRect({0, 0, 10, 10});
  bmp.SetSize(20, 5);
  EXPECT_EQ(bmp.Canvas().Pixels(9, 4), clRed);
  EXPECT_EQ(bmp.Canvas().Pixels(15, 2), clWhite);

  // A sprite: red cross on green, green transparent.
  TBitmap sprite(5, 5, pf24bit);
  sprite.Canvas().Brush().SetColor(clLime);
  sprite.Canvas().FillRect({0, 0, 5, 5});
  sprite.Canvas().Brush().SetColor(clRed);
  sprite.Canvas().FillRect({2, 0, 3, 5});
  sprite.SetTransparent(true);
  EXPECT_EQ(sprite.TransparentColor(), clLime) << "the bottom-left pixel by default";

  TBitmap back(20, 20, pf24bit);
  back.Canvas().Brush().SetColor(clBlue);
  back.Canvas().FillRect({0, 0, 20, 20});
  back.Canvas().StretchDraw({0, 0, 10, 10}, sprite);
  EXPECT_EQ(back.Canvas().Pixels(1, 1), clBlue);
  EXPECT_EQ(back.Canvas().Pixels(5, 5), clRed);
  EXPECT_EQ(back.Canvas().Pixels(15, 15), clBlue);
}

// Shapes from a script may name any coordinates: the largest and smallest ones draw as shapes
// reaching past every edge, without an overflow on the way.
TEST_F(BitmapTest, ShapesWithExtremeCoordinatesCoverTheBitmap) {
  TBitmap bmp(40, 30, pf24bit);
  TCanvas& c = bmp.Canvas();
  c.Brush().SetColor(clRed);
  c.Pen().SetColor(clRed);
  c.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_EQ(c.Pixels(0, 0), clRed);
  EXPECT_EQ(c.Pixels(39, 29), clRed);
  c.Brush().SetColor(clBlue);
  c.FillRect(TRect{INT_MAX, INT_MAX, INT_MIN, INT_MIN});
  EXPECT_EQ(c.Pixels(20, 15), clBlue);
  c.Ellipse(INT_MIN, 0, INT_MAX, 30);
  c.RoundRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MIN);
  c.Pie(INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, 0, INT_MIN, 0);
  c.Pen().SetColor(clLime);
  c.MoveTo(INT_MIN, 15);
  c.LineTo(INT_MAX, 15);
  EXPECT_EQ(c.Pixels(20, 15), clLime);
  c.Polygon({{INT_MIN, INT_MIN}, {INT_MAX, 0}, {0, INT_MAX}});
  c.TextOut(INT_MAX, INT_MIN, "ก");
  EXPECT_EQ(c.PenPos().X, 1 << 24);
}

TEST_F(BitmapTest, WidthThenHeightGivesABitmapOfBoth) {
  // Scripts and property editors set the sides one at a time from an empty bitmap.
  TBitmap bitmap;
  bitmap.SetWidth(20);
  EXPECT_EQ(bitmap.Width(), 20);
  EXPECT_EQ(bitmap.Height(), 0);
  bitmap.SetHeight(10);
  EXPECT_EQ(bitmap.Width(), 20);
  EXPECT_EQ(bitmap.Height(), 10);
  bitmap.Canvas().SetPixels(19, 9, clRed);
  EXPECT_EQ(bitmap.Canvas().Pixels(19, 9), clRed);
}

}  // namespace
}  // namespace orv
