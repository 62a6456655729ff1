// The PNG image as a graphic: registered for ".png", drawn with its transparency, exchanged
// with bitmaps.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gui/Clipboard.h"
#include "platform/gui/Picture.h"
#include "png/PNGObject.h"
#include "png/PngChunkIHDR.h"
#include "png/tests/PngTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

// A 3 x 1 palette image: red (transparent by tRNS), green, red again (opaque).
std::vector<Byte> KeyedPalette(Byte alpha) {
  return SimplePng(3, 1, 8, 3, {0, 0, 1, 2},
                   {PngChunk("PLTE", {255, 0, 0, 0, 255, 0, 255, 0, 0}), PngChunk("tRNS", {alpha})});
}

}  // namespace

TEST(PNGObject, PicturesLoadPngFilesThroughTheRegistry) {
  std::string path = TempPath("picture.png");
  std::filesystem::copy_file(SuiteDir() + "/basn6a08.png", path);
  TPicture picture;
  picture.LoadFromFile(path);
  auto* png = dynamic_cast<TPNGObject*>(picture.Graphic());
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(picture.Width(), 32);
  EXPECT_EQ(png->TransparencyMode(), ptmPartial);
  EXPECT_NE(TPicture::GetFileFormats().find("Portable Network Graphics"), String::npos);
  std::unique_ptr<TGraphic> copy = png->Clone();
  TMemoryStream a, b;
  png->SaveToStream(a);
  copy->SaveToStream(b);
  EXPECT_EQ(std::vector<Byte>(a.Memory(), a.Memory() + a.Size()), std::vector<Byte>(b.Memory(), b.Memory() + b.Size()));
  std::filesystem::remove(path);
}

TEST(PNGObject, DrawingHonoursTransparencyByIndexAndAlpha) {
  TBitmap target(6, 2, pf24bit);
  target.Canvas().Brush().SetColor(clBlue);
  target.Canvas().FillRect({0, 0, 6, 2});

  TPNGObject keyed;
  TMemoryStream file;
  std::vector<Byte> bytes = KeyedPalette(0);
  file.Write(bytes.data(), Int64(bytes.size()));
  file.SetPosition(0);
  keyed.LoadFromStream(file);
  target.Canvas().StretchDraw({0, 0, 3, 1}, keyed);
  EXPECT_EQ(target.Canvas().Pixels(0, 0), clBlue);  // transparent index
  EXPECT_EQ(target.Canvas().Pixels(1, 0), clLime);
  EXPECT_EQ(target.Canvas().Pixels(2, 0), clRed);   // same colour, opaque index

  TPNGObject half;
  bytes = KeyedPalette(128);
  file.Clear();
  file.Write(bytes.data(), Int64(bytes.size()));
  file.SetPosition(0);
  half.LoadFromStream(file);
  target.Canvas().StretchDraw({0, 1, 6, 2}, half);  // stretched to twice the width
  TColor blended = target.Canvas().Pixels(0, 1);
  EXPECT_NEAR(blended & 0xFF, 128, 2);               // red half over blue
  EXPECT_NEAR((blended >> 16) & 0xFF, 127, 2);
  EXPECT_EQ(target.Canvas().Pixels(3, 1), clLime);
}

TEST(PNGObject, BitmapsConvertBothWays) {
  TBitmap source(4, 3, pf24bit);
  source.Canvas().Brush().SetColor(clWhite);
  source.Canvas().FillRect({0, 0, 4, 3});
  source.Canvas().SetPixels(1, 2, clRed);
  source.SetTransparent(true);
  source.SetTransparentColor(clWhite);
  TPNGObject png;
  png.Assign(&source);
  EXPECT_EQ(png.Header().ColorType(), 2);
  EXPECT_EQ(png.TransparencyMode(), ptmBit);
  EXPECT_EQ(png.Pixels(1, 2), TPngColor(clRed));
  EXPECT_EQ(png.RenderArgb()[0] >> 24, 0u);

  std::string path = TempPath("from_bitmap.png");
  png.SaveToFile(path);
  std::string report;
  EXPECT_EQ(RunCommand("pngcheck -q " + path, &report), 0) << report;
  std::filesystem::remove(path);

  TPNGObject opaque;
  TMemoryStream file;
  std::vector<Byte> bytes = ReadFileBytes(SuiteDir() + "/basn3p04.png");
  file.Write(bytes.data(), Int64(bytes.size()));
  file.SetPosition(0);
  opaque.LoadFromStream(file);
  TBitmap drawn;
  drawn.Assign(&opaque);
  EXPECT_EQ(drawn.Width(), 32);
  for (int y = 0; y < 32; y += 5)
    for (int x = 0; x < 32; x += 3) ASSERT_EQ(TPngColor(drawn.Canvas().Pixels(x, y)), opaque.Pixels(x, y));

  // A 4-bit bitmap becomes a 4-bit palette image with the same colours.
  TBitmap indexed(5, 2, pf4bit);
  indexed.SetPalette({clBlack, clYellow, clNavy});
  indexed.ScanLine(1)[3] = 2;
  indexed.ScanLine(0)[1] = 1;
  TPNGObject fromIndexed;
  fromIndexed.Assign(&indexed);
  EXPECT_EQ(fromIndexed.Header().ColorType(), 3);
  EXPECT_EQ(fromIndexed.Header().BitDepth(), 4);
  EXPECT_EQ(fromIndexed.Pixels(3, 1), TPngColor(clNavy));
  EXPECT_EQ(fromIndexed.Pixels(1, 0), TPngColor(clYellow));
  EXPECT_EQ(fromIndexed.Pixels(0, 0), TPngColor(clBlack));

  opaque.SetWidth(40);
  EXPECT_EQ(opaque.Width(), 40);
  EXPECT_EQ(opaque.Height(), 32);
}

TEST(PNGObject, TheClipboardCarriesTheImageAsABitmapBothWays) {
  // A 24-bit suite image: what comes back from the clipboard is what libpng reads from the file.
  std::vector<Byte> bytes = ReadFileBytes(SuiteDir() + "/f00n2c08.png");
  TCanonical expected;
  ASSERT_TRUE(LibPngCanonical(bytes, expected));
  TPNGObject png;
  TMemoryStream file;
  file.Write(bytes.data(), Int64(bytes.size()));
  file.SetPosition(0);
  png.LoadFromStream(file);
  Clipboard().Clear();
  EXPECT_FALSE(Clipboard().HasFormat(CF_BITMAP));
  Clipboard().Assign(png);
  ASSERT_TRUE(Clipboard().HasFormat(CF_BITMAP));

  TPNGObject pasted;
  pasted.LoadFromClipboardFormat(Clipboard().GetAsData(CF_BITMAP));
  EXPECT_EQ(pasted.Header().ColorType(), 2);
  EXPECT_EQ(pasted.TransparencyMode(), ptmNone);
  EXPECT_EQ(CanonicalDifference(expected, CodecCanonical(pasted)), "");

  // Pixels with alpha go through a bitmap drawn on white, as a pasted bitmap holds them: each
  // channel blended with white by its alpha, and no transparency left.
  const std::vector<Byte> rows = {0, 200, 40, 0, 255, 10, 20, 250, 128, 90, 180, 30, 0};
  TPNGObject alpha;
  TMemoryStream alphaFile;
  std::vector<Byte> alphaBytes = SimplePng(3, 1, 8, 6, rows);
  alphaFile.Write(alphaBytes.data(), Int64(alphaBytes.size()));
  alphaFile.SetPosition(0);
  alpha.LoadFromStream(alphaFile);
  TClipboardData data;
  alpha.SaveToClipboardFormat(data);
  ASSERT_EQ(data.Format, CF_BITMAP);
  Clipboard().SetAsData(data);
  TPNGObject blended;
  blended.LoadFromClipboardFormat(Clipboard().GetAsData(CF_BITMAP));
  ASSERT_EQ(blended.Width(), 3);
  EXPECT_EQ(blended.TransparencyMode(), ptmNone);
  for (int x = 0; x < 3; ++x) {
    const Byte* p = &rows[1 + 4 * x];
    const TPngColor c = blended.Pixels(x, 0);
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(int((c >> (8 * k)) & 0xFF), (p[k] * p[3] + 255 * (255 - p[3])) / 255, 1) << x << " " << k;
  }

  // Named formats hold no picture: loading from one is refused and leaves the image as it was.
  Clipboard().Clear();
  EXPECT_THROW(pasted.LoadFromClipboardFormat(Clipboard().GetAsData(CF_BITMAP)), EInvalidGraphic);
  TClipboardData other;
  other.Format = RegisterClipboardFormat("Orvane test bytes");
  EXPECT_THROW(pasted.LoadFromClipboardFormat(other), EInvalidGraphic);
  EXPECT_EQ(CanonicalDifference(expected, CodecCanonical(pasted)), "");
}
