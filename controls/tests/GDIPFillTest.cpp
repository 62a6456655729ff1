#include "controls/GDIPFill.h"
#include "controls/tests/KitTesting.h"
#include "platform/rtl/Exceptions.h"

namespace orv::testing {

namespace {

// Paints fill into r on a transparent bitmap of w x h; returns the bitmap.
std::unique_ptr<TGPBitmap> Painted(TGDIPFill& fill, TGPRectF r, int w, int h, TGPRectF* result = nullptr,
                                   Byte opacity = 255) {
  auto bitmap = std::make_unique<TGPBitmap>(w, h);
  TGPGraphics g(bitmap.get());
  TGPRectF out = fill.Fill(&g, r, 255, opacity, opacity);
  if (result) *result = out;
  return bitmap;
}

ARGB At(const TGPBitmap& b, int x, int y) {
  ARGB c = 0;
  b.GetPixel(x, y, c);
  return c;
}

// Within a few levels of a colour given as 0xAARRGGBB.
::testing::AssertionResult Near(ARGB actual, ARGB expected, int tolerance = 3) {
  for (int shift : {24, 16, 8, 0}) {
    int a = int(actual >> shift & 0xFF), e = int(expected >> shift & 0xFF);
    if (std::abs(a - e) > tolerance) {
      char text[64];
      std::snprintf(text, sizeof text, "%08X is not near %08X", unsigned(actual), unsigned(expected));
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(GDIPFillTest, DefaultFillIsASquareSilverToGrayVerticalGradientWithoutBorderOrShadow) {
  TGDIPFill fill;
  TGPRectF out;
  auto b = Painted(fill, MakeRect(0, 0, 40, 40), 40, 40, &out);
  EXPECT_EQ(out.Width, 40);
  EXPECT_EQ(out.Height, 40);
  // The gradient runs over the rectangle grown by one pixel: the first row is almost silver,
  // the last almost gray, and every row is darker than the one above.
  EXPECT_TRUE(Near(At(*b, 20, 0), 0xFFC0C0C0, 8));
  EXPECT_TRUE(Near(At(*b, 20, 39), 0xFF808080, 8));
  for (int y = 1; y < 40; ++y) EXPECT_LE(At(*b, 20, y) & 0xFF, At(*b, 20, y - 1) & 0xFF);
  EXPECT_EQ(At(*b, 0, 0) >> 24, 0xFFu) << "square corners are painted";
  EXPECT_EQ(At(*b, 0, 20), At(*b, 20, 20)) << "no border";
}

TEST(GDIPFillTest, MirroredHalvesOverlapAndTheLowerHalfStartsWithItsOwnColour) {
  TGDIPFill fill;
  fill.SetColor(clRed);
  fill.SetColorTo(clRed);
  fill.SetColorMirror(clBlue);
  fill.SetColorMirrorTo(clLime);
  fill.SetGradientMirrorType(gtVertical);
  auto b = Painted(fill, MakeRect(0, 0, 20, 40), 20, 40);
  EXPECT_TRUE(Near(At(*b, 10, 5), 0xFFFF0000));
  // h = 20: the lower half starts at row 19, whose colour is its start colour exactly.
  EXPECT_EQ(At(*b, 10, 19), 0xFF0000FFu);
  // Blended in linear light, the last row is mostly green with some blue left.
  ARGB last = At(*b, 10, 39);
  EXPECT_GT(GetGreen(last), 200);
  EXPECT_LT(GetBlue(last), 100);
}

TEST(GDIPFillTest, BorderShadowRoundingAndOpacityArguments) {
  TGDIPFill fill;
  fill.SetColor(clNone);
  fill.SetBorderColor(clBlack);
  auto b = Painted(fill, MakeRect(0, 0, 20, 20), 30, 30);
  EXPECT_EQ(At(*b, 10, 10), 0u) << "a body of clNone is not painted";
  EXPECT_EQ(At(*b, 0, 10), 0xFF000000u) << "the border still is";

  TGDIPFill line;
  line.SetBorderColor(clBlue);
  TGPRectF out;
  auto l = Painted(line, MakeRect(2, 5, 20, 1), 30, 30, &out);
  EXPECT_EQ(out.Height, 1.0f);
  EXPECT_EQ(out.Width, 20.0f);
  EXPECT_EQ(At(*l, 10, 5), 0xFF0000FFu) << "a rectangle one pixel high is a line";
  EXPECT_EQ(At(*l, 10, 6), 0u);

  TGDIPFill shadowed;
  shadowed.SetColor(clWhite);
  shadowed.SetColorTo(clWhite);
  shadowed.SetShadowOffset(3);
  shadowed.SetShadowColor(clBlack);
  auto s = Painted(shadowed, MakeRect(0, 0, 30, 30), 30, 30, &out);
  EXPECT_EQ(out.Width, 27.0f);
  EXPECT_EQ(out.Height, 27.0f);
  EXPECT_EQ(At(*s, 10, 10), 0xFFFFFFFFu);
  ARGB shade = At(*s, 28, 15);
  EXPECT_GT(shade >> 24, 100u) << "the shadow shows beyond the body at the right";
  EXPECT_LT(shade & 0xFF, 60u);

  TGDIPFill rounded;
  rounded.SetColor(clRed);
  rounded.SetColorTo(clRed);
  rounded.SetRounding(8);
  auto r = Painted(rounded, MakeRect(0, 0, 30, 30), 30, 30);
  EXPECT_EQ(At(*r, 0, 0) >> 24, 0u) << "a rounded corner leaves the corner pixel";
  EXPECT_EQ(At(*r, 15, 15), 0xFFFF0000u);
  rounded.SetRoundingType(rtBottom);
  r = Painted(rounded, MakeRect(0, 0, 30, 30), 30, 30);
  EXPECT_EQ(At(*r, 0, 0), 0xFFFF0000u) << "only the bottom corners are rounded";
  EXPECT_EQ(At(*r, 0, 29) >> 24, 0u);

  r = Painted(rounded, MakeRect(0, 0, 30, 30), 30, 30, nullptr, 0);
  EXPECT_EQ(At(*r, 15, 15), 0u) << "opacity 0 for this call hides the colours";
  EXPECT_EQ(rounded.Opacity(), 255) << "the property is not changed";
}

TEST(GDIPFillTest, ChangesNotifyOutsideUpdatesAndAssignTakesOnlyFills) {
  TGDIPFill fill;
  int changes = 0;
  fill.OnChange = [&](TObject*) { ++changes; };
  fill.SetColor(clRed);
  fill.SetColor(clRed);
  EXPECT_EQ(changes, 1) << "the same value again is no change";
  fill.BeginUpdate();
  fill.SetRounding(4);
  fill.EndUpdate();
  EXPECT_EQ(changes, 1);

  TGDIPFill other;
  other.SetColorTo(clBlue);
  other.SetShadowOffset(2);
  other.SetFocus(true);
  fill.Assign(&other);
  EXPECT_EQ(fill.ColorTo(), clBlue);
  EXPECT_EQ(fill.Color(), clSilver);
  EXPECT_EQ(fill.ShadowOffset(), 2);
  EXPECT_FALSE(fill.Focus()) << "the focus mark is the control's, not the fill's";

  TFont font;
  EXPECT_THROW(fill.Assign(&font), EInvalidCast);
  EXPECT_EQ(fill.ColorTo(), clBlue);
}

TEST(GDIPFillTest, EachKindOfBodyIsPaintedAsExpected) {
  // Across: vertical with a mirrored half, radial glow, hatch, angle, and a rounded fill with
  // border and shadow; each 64 x 40 on white.
  auto kind = [](int i, TGDIPFill& f) {
    f.SetColor(0xF0D0B0);
    f.SetColorTo(0xA05020);
    switch (i) {
      case 0:
        f.SetColorMirror(0x804010);
        f.SetColorMirrorTo(0xF0C090);
        f.SetGradientMirrorType(gtVertical);
        break;
      case 1: f.SetGradientType(gtRadial); break;
      case 2: f.SetGradientType(gtHatch); f.SetHatchStyle(HatchStyleDiagonalCross); break;
      case 3: f.SetGradientType(gtAngle); f.SetAngle(30); break;
      default:
        f.SetRounding(10);
        f.SetBorderColor(0x400000);
        f.SetShadowOffset(4);
        f.SetShadowColor(clBlack);
        break;
    }
  };
  TGPBitmap sheet(5 * 64, 40);
  {
    TGPGraphics g(&sheet);
    g.Clear(0xFFFFFFFF);
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    for (int i = 0; i < 5; ++i) {
      TGDIPFill fill;
      kind(i, fill);
      fill.Fill(&g, MakeRect(float(64 * i + 2), 2, 60, 36));
    }
  }
  TBitmap picture(sheet.Image().Width(), sheet.Image().Height(), pf24bit);
  for (int y = 0; y < picture.Height(); ++y) {
    Byte* row = picture.ScanLine(y);
    for (int x = 0; x < picture.Width(); ++x) {
      ARGB c = At(sheet, x, y);
      row[3 * x] = GetBlue(c), row[3 * x + 1] = GetGreen(c), row[3 * x + 2] = GetRed(c);
    }
  }
  ExpectPicture(picture, "fill-kinds");
}

TEST(GDIPFillTest, RoundRectangleAndPicturePlacement) {
  EXPECT_EQ(CreateRoundRectangle(MakeRect(0, 0, 10, 10), 0, rtBoth)->GetPointCount(),
            CreateRoundRectangle(MakeRect(0, 0, 10, 10), 3, rtNone)->GetPointCount())
      << "no radius or no rounded corner: a plain rectangle";

  TRect t = Rect(10, 20, 110, 70), d;
  ASSERT_TRUE(PicturePlacement(t, 21, 11, ppCenterCenter, 0, 0, d));
  EXPECT_EQ(d, Rect(49, 39, 70, 50));
  ASSERT_TRUE(PicturePlacement(t, 21, 11, ppBottomRight, 0, 0, d));
  EXPECT_EQ(d, Rect(89, 59, 110, 70));
  ASSERT_TRUE(PicturePlacement(t, 21, 11, ppCustom, 3, 4, d));
  EXPECT_EQ(d, Rect(3, 4, 24, 15));
  ASSERT_TRUE(PicturePlacement(t, 21, 11, ppStretched, 0, 0, d));
  EXPECT_EQ(d, t);
  EXPECT_FALSE(PicturePlacement(t, 21, 11, ppTiled, 0, 0, d));
}

TEST(GDIPLayerTest, ColoursStatusesAndEmptyCalls) {
  EXPECT_EQ(MakeColor(128, clRed), 0x80FF0000u);
  EXPECT_EQ(ColorToARGB(clBlue), 0xFF0000FFu);
  EXPECT_EQ(GetRed(0x12345678), 0x34);

  TGPBitmap bitmap(10, 10);
  TGPGraphics g(&bitmap);
  EXPECT_EQ(g.FillRectangle(TGPSolidBrush(0xFF00FF00), MakeRect(0, 0, 0, 10)), Ok);
  EXPECT_EQ(At(bitmap, 0, 0), 0u) << "a rectangle without width paints nothing";
  EXPECT_EQ(g.FillRectangle(TGPSolidBrush(0xFF00FF00), MakeRect(2, 2, 3, 3)), Ok);
  EXPECT_EQ(At(bitmap, 2, 2), 0xFF00FF00u);
  EXPECT_EQ(At(bitmap, 5, 5), 0u);

  TGPLinearGradientBrush brush(MakeRect(0, 0, 10, 10), 0, 0, LinearGradientModeVertical);
  EXPECT_EQ(brush.SetInterpolationColors(nullptr, nullptr, 0), InvalidParameter);
  EXPECT_EQ(brush.GetLastStatus(), InvalidParameter);
  TGPGraphicsPath empty;
  TGPPathGradientBrush pathBrush(empty);
  ARGB c = 0;
  int count = 1;
  EXPECT_EQ(pathBrush.SetSurroundColors(&c, count), InvalidParameter);

  TGPGraphics none(nullptr);
  EXPECT_EQ(none.GetSmoothingMode(), -1);
  EXPECT_NE(none.Clear(0), Ok);
}

TEST(GDIPLayerTest, GradientsRunFromTheirFirstToTheirLastColour) {
  TGPBitmap bitmap(41, 41);
  TGPGraphics g(&bitmap);
  TGPLinearGradientBrush across(MakeRect(0, 0, 41, 41), 0xFFFF0000, 0xFF0000FF, LinearGradientModeHorizontal);
  g.FillRectangle(across, MakeRect(0, 0, 41, 41));
  EXPECT_TRUE(Near(At(bitmap, 0, 20), 0xFFFF0000, 12));
  EXPECT_TRUE(Near(At(bitmap, 40, 20), 0xFF0000FF, 12));
  EXPECT_EQ(At(bitmap, 20, 0), At(bitmap, 20, 40)) << "a horizontal gradient is the same down a column";

  TGPGraphicsPath box;
  box.AddRectangle(MakeRect(0, 0, 41, 41));
  TGPPathGradientBrush radial(box);
  radial.SetCenterColor(0xFFFFFFFF);
  ARGB surround = 0xFF000000;
  int count = 1;
  EXPECT_EQ(radial.SetSurroundColors(&surround, count), Ok);
  g.FillPath(radial, box);
  EXPECT_TRUE(Near(At(bitmap, 20, 20), 0xFFFFFFFF, 16)) << "the centre takes the centre colour";
  EXPECT_TRUE(Near(At(bitmap, 0, 20), 0xFF000000, 16)) << "the outline takes the surround colour";
  EXPECT_TRUE(Near(At(bitmap, 10, 20), 0xFF808080, 16)) << "halfway between, half of each";
}

}  // namespace orv::testing

namespace orv::testing {

TEST(GDIPFill, TheFillFormatIsRegisteredOnceUnderItsName) {
  EXPECT_GE(CF_GDIPFILL, 0xC000);
  EXPECT_EQ(RegisterClipboardFormat("GDI+ Fill"), CF_GDIPFILL);
  EXPECT_EQ(RegisterClipboardFormat("gdi+ fill"), CF_GDIPFILL) << "format names are compared in any case";
  EXPECT_NE(RegisterClipboardFormat("GDI+ Fill 2"), CF_GDIPFILL);
  // What a program puts on the clipboard under the format comes back under it, and only there.
  TClipboardData data;
  data.Format = CF_GDIPFILL;
  data.Bytes = String("\0fill\xff", 6);
  Clipboard().SetAsData(data);
  EXPECT_TRUE(Clipboard().HasFormat(CF_GDIPFILL));
  EXPECT_FALSE(Clipboard().HasFormat(CF_BITMAP));
  EXPECT_EQ(Clipboard().GetAsData(CF_GDIPFILL).Bytes, data.Bytes);
  Clipboard().Clear();
  EXPECT_FALSE(Clipboard().HasFormat(CF_GDIPFILL));
  EXPECT_TRUE(Clipboard().GetAsData(CF_GDIPFILL).Bytes.empty());
}

}  // namespace orv::testing
