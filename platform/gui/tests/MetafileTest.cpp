#include <gtest/gtest.h>

#include <limits>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/tests/GraphicsTesting.h"

namespace orv {
namespace {

class MetafileTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureGraphics(); }
};

// One page drawn at scale s: the same calls a report page makes, with every length scaled.
void DrawPage(TCanvas& c, int s) {
  c.Pen().SetWidth(1 * s);
  c.Pen().SetColor(clMaroon);
  c.Brush().SetColor(clSkyBlue);
  c.Rectangle(10 * s, 10 * s, 190 * s, 50 * s);
  c.Brush().SetColor(clCream);
  c.RoundRect(20 * s, 60 * s, 90 * s, 110 * s, 16 * s, 16 * s);
  c.Pen().SetColor(clGreen);
  c.MoveTo(100 * s, 60 * s);
  c.LineTo(190 * s, 110 * s);
  c.Brush().SetStyle(bsClear);
  c.Font().SetName("Tahoma");
  c.Font().SetHeight(-16 * s);
  c.Font().SetColor(clBlack);
  c.TextOut(15 * s, 20 * s, u"ใบรับรอง พระสงฆ์ Baptism");
  c.Font().SetHeight(-12 * s);
  c.TextOutEx(15 * s, 120 * s, u"บ้าน 12", {12 * s, 12 * s, 12 * s, 12 * s, 12 * s, 12 * s});
}

// Share of pixels whose colour differs by more than tolerance in any channel.
double Mismatch(TBitmap& a, TBitmap& b, int tolerance) {
  int bad = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      TColor p = a.Canvas().Pixels(x, y), q = b.Canvas().Pixels(x, y);
      if (std::abs(GetRValue(p) - GetRValue(q)) > tolerance || std::abs(GetGValue(p) - GetGValue(q)) > tolerance ||
          std::abs(GetBValue(p) - GetBValue(q)) > tolerance)
        ++bad;
    }
  return static_cast<double>(bad) / (a.Width() * a.Height());
}

TEST_F(MetafileTest, ReplayedAtTwiceTheScaleMatchesDrawingAtThatScale) {
  TMetafile mf;
  {
    TMetafileCanvas recorder(mf);
    DrawPage(recorder, 1);
  }
  EXPECT_EQ(mf.RecordCount(), 5);
  EXPECT_GE(mf.Width(), 190) << "the size of what was drawn";
  EXPECT_GE(mf.Height(), 130);

  TBitmap replayed(400, 300, pf24bit), direct(400, 300, pf24bit);
  mf.Play(replayed.Canvas(), 2, 2, 0, 0);
  DrawPage(direct.Canvas(), 2);
  EXPECT_EQ(replayed.Canvas().Pixels(370, 95), clSkyBlue);
  EXPECT_EQ(replayed.Canvas().Pixels(20, 20), clMaroon);
  EXPECT_LT(Mismatch(replayed, direct, 96), 0.01);

  // Draw into a rectangle scales to fit it.
  mf.SetWidth(200);
  mf.SetHeight(150);
  TBitmap fitted(100, 75, pf24bit);
  fitted.Canvas().StretchDraw({0, 0, 100, 75}, mf);
  EXPECT_EQ(fitted.Canvas().Pixels(90, 22), clSkyBlue);
  EXPECT_EQ(fitted.Canvas().Pixels(97, 22), clWhite);
}

TEST_F(MetafileTest, TextSearchFindsAThaiWordAndItsBounds) {
  TMetafile mf;
  {
    TMetafileCanvas recorder(mf);
    DrawPage(recorder, 1);
    recorder.TextOut(15, 140, "second พระสงฆ์ line");
  }
  auto hit = mf.FindText(u"พระสงฆ์", false);
  ASSERT_TRUE(hit);
  EXPECT_EQ(mf.Records()[hit->Record].Text, u"ใบรับรอง พระสงฆ์ Baptism") << "Thai and Latin stay one record";
  EXPECT_EQ(hit->Bounds.Left, 15);
  EXPECT_EQ(hit->Bounds.Top, 20);
  EXPECT_GT(hit->Bounds.Right, 100);
  EXPECT_GT(hit->Bounds.Bottom, 30);

  auto next = mf.FindText(u"พระสงฆ์", false, hit->Record);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->Bounds.Top, 140);
  EXPECT_FALSE(mf.FindText(u"พระสงฆ์", false, next->Record));
  EXPECT_TRUE(mf.FindText(u"baptism", false));
  EXPECT_FALSE(mf.FindText(u"baptism", true));
}

TEST_F(MetafileTest, SavedMetafileLoadsBackAndDamagedOnesAreRefused) {
  TMetafile mf;
  {
    TMetafileCanvas recorder(mf);
    DrawPage(recorder, 1);
    TBitmap photo(4, 4, pf24bit);
    photo.Canvas().Brush().SetColor(clPurple);
    photo.Canvas().FillRect({0, 0, 4, 4});
    recorder.StretchDraw({150, 70, 170, 90}, photo);
  }
  TMemoryStream saved;
  mf.SaveToStream(saved);
  ASSERT_GE(saved.Size(), 108);
  Cardinal signature;
  std::memcpy(&signature, saved.Memory() + 40, 4);
  EXPECT_EQ(signature, 0x464D4520u) << "picture loaders recognise it as a metafile";

  TMetafile loaded;
  saved.SetPosition(0);
  loaded.LoadFromStream(saved);
  ASSERT_EQ(loaded.RecordCount(), mf.RecordCount());
  TBitmap a(200, 150, pf24bit), b(200, 150, pf24bit);
  mf.Play(a.Canvas(), 1, 1, 0, 0);
  loaded.Play(b.Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(Mismatch(a, b, 0), 0.0);
  EXPECT_EQ(b.Canvas().Pixels(160, 80), clPurple);

  for (Int64 cut : {Int64{10}, Int64{108}, saved.Size() / 2, saved.Size() - 1}) {
    TMemoryStream part;
    part.WriteBuffer(saved.Memory(), cut);
    part.SetPosition(0);
    TMetafile broken;
    EXPECT_THROW(broken.LoadFromStream(part), EInvalidGraphic) << cut;
  }
  // A huge count in a record must not allocate what the file does not hold.
  TMemoryStream forged;
  forged.WriteBuffer(saved.Memory(), saved.Size());
  Byte* firstRecord = forged.Memory() + 108;
  firstRecord[1] = firstRecord[2] = firstRecord[3] = 0xFF;
  firstRecord[4] = 0x7F;
  forged.SetPosition(0);
  TMetafile broken;
  EXPECT_THROW(broken.LoadFromStream(forged), EInvalidGraphic);
}

TEST_F(MetafileTest, FontHeightsBeyondTheBoundAreDrawnAtTheBound) {
  // Measured at the bound: a font asked 32,000 pixels high once took gigabytes to measure.
  TBitmap page(300, 300, pf24bit);
  TCanvas& c = page.Canvas();
  c.Font().SetName("Tahoma");
  c.Font().SetHeight(-MaxFontHeight);
  int bounded = c.TextHeight("ก");
  EXPECT_GT(bounded, MaxFontHeight / 2);
  for (int height : {-32000, -MaxFontHeight - 1, 32000, std::numeric_limits<int>::min() + 1}) {
    c.Font().SetHeight(height);
    EXPECT_LE(c.TextHeight("ก"), bounded * 2) << height;
  }
  c.Font().SetHeight(-32000);
  EXPECT_EQ(c.TextHeight("ก"), bounded);

  // A saved metafile whose text record names a huge font plays at the bound.
  TMetafile mf;
  {
    TMetafileCanvas recorder(mf);
    recorder.Font().SetName("Tahoma");
    recorder.Font().SetHeight(-32000);
    recorder.TextOut(0, 0, u"ใบรับรอง");
  }
  TMemoryStream saved;
  mf.SaveToStream(saved);
  saved.SetPosition(0);
  TMetafile loaded;
  loaded.LoadFromStream(saved);
  bool found = false;
  for (const TCanvasRecord& r : loaded.Records())
    if (r.Kind == crText) {
      found = true;
      EXPECT_EQ(r.Font.Height, -MaxFontHeight);
    }
  EXPECT_TRUE(found);
  loaded.Play(c, 1, 1, 0, 0);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST_F(MetafileTest, NumbersAtTheEndsOfTheirRangeDrawWithoutOverflow) {
  // A file may state coordinates, pen widths and advances far beyond any page; read back, they
  // are held where drawing them, scaled into a large box, stays within integers.
  constexpr int kBig = 1 << 30, kSmall = -(1 << 30);
  TMetafile mf;
  {
    TMetafileCanvas recorder(mf);
    recorder.Pen().SetWidth(1 << 20);
    recorder.MoveTo(kSmall, kSmall);
    recorder.LineTo(kBig, kBig);
    recorder.Rectangle(kSmall, 0, kBig, 10);
    recorder.RoundRect(0, 0, 10, 10, kBig, kBig);
    recorder.TextOutEx(kBig, 5, u"ab", {kBig, kBig});
  }
  mf.SetWidth(1);
  mf.SetHeight(1);
  TMemoryStream saved;
  mf.SaveToStream(saved);
  saved.SetPosition(0);
  TMetafile loaded;
  loaded.LoadFromStream(saved);
  TBitmap target(100, 100, pf24bit);
  target.Canvas().StretchDraw({-1000000, -1000000, 1000000, 1000000}, loaded);
  loaded.Play(target.Canvas(), 1e9, -1e9, 0, 0);
}

}  // namespace
}  // namespace orv
