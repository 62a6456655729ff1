// Windows metafiles made by another program play onto our canvas as that program draws them.
// The samples in data/metafiles were made by LibreOffice Draw: shapes, rotated (turned shapes,
// a curve and text), holes (shapes with holes in them), thai (Thai and Latin text in one line;
// the WMF keeps it in code page 874) and bitmaps (three bitmaps, one of them turned, so stored as a mask and a
// picture) as .emf and .wmf from their .svg (soffice --headless --convert-to emf / wmf), and the
// PNGs from those files (--convert-to png, a page, trimmed to the picture): its own pictures of
// what the metafiles hold. transformed.emf (world transforms and bitmaps of every depth) and
// blits.emf and blits.wmf (the other bitmap records) are written by make-transformed.py and
// make-blits.py, and their PNGs are LibreOffice's pictures of them. make-hatches.py writes
// hatches.emf and hatches.wmf (hatched brushes and clip cuts, which LibreOffice fills solid and
// leaves uncut: they are held to what the records define) and spaced.emf and spaced.wmf (text at
// the writer's character distances, with LibreOffice's pictures). filled.emf and filled.wmf are
// LibreOffice Draw's of filled.fodg, with its pictures of them (the page trimmed to the
// drawing's frame); make-records.py writes records.emf and records.wmf (mixes, clip regions,
// palettes, pattern brushes and bands, held to what the records define).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <QImage>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/Picture.h"

namespace orv {
namespace {

const std::string kData = ORVANE_TEST_DATA "/metafiles/";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The share of pixels whose colour differs clearly (one channel by more than 96).
// With reach 1, a pixel of a whose colour b shows one pixel away does not differ: the glyphs of
// a line of text may fall a pixel apart along all of it.
double Differing(TBitmap& a, TBitmap& b, int reach = 0) {
  auto close = [](TColor p, TColor q) {
    for (int shift : {0, 8, 16})
      if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)) > 96) return false;
    return true;
  };
  int differ = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const TColor p = a.Canvas().Pixels(x, y);
      bool found = false;
      for (int dy = -reach; dy <= reach && !found; ++dy)
        for (int dx = -reach; dx <= reach && !found; ++dx) {
          const int qx = x + dx, qy = y + dy;
          found = qx >= 0 && qy >= 0 && qx < b.Width() && qy < b.Height() && close(p, b.Canvas().Pixels(qx, qy));
        }
      if (!found) ++differ;
    }
  return static_cast<double>(differ) / (a.Width() * a.Height());
}

void ReadPng(const std::string& path, TBitmap& bitmap) {
  QImage png(QString::fromStdString(path));
  EXPECT_FALSE(png.isNull()) << path;
  bitmap.SetSize(png.width(), png.height());
  for (int y = 0; y < png.height(); ++y)
    for (int x = 0; x < png.width(); ++x) {
      QColor c = png.pixelColor(x, y);
      bitmap.Canvas().SetPixels(x, y, static_cast<TColor>(c.red() | c.green() << 8 | c.blue() << 16));
    }
}

// The metafile file drawn over the size of LibreOffice's picture png into drawn; the share of
// pixels that differ clearly, outside the box left out.
double DrawnAgainstPng(const std::string& file, const std::string& png, TMetafile** loaded = nullptr,
                       TPicture* picture = nullptr, TBitmap* drawnOut = nullptr, TRect leftOut = {}, int reach = 0) {
  TBitmap expected;
  ReadPng(kData + png, expected);
  TPicture own;
  if (!picture) picture = &own;
  picture->LoadFromFile(kData + file);
  auto* metafile = dynamic_cast<TMetafile*>(picture->Graphic());
  if (!metafile) return 1;
  if (loaded) *loaded = metafile;
  TBitmap ownDrawn;
  TBitmap& drawn = drawnOut ? *drawnOut : ownDrawn;
  drawn.SetSize(expected.Width(), expected.Height());
  drawn.Canvas().Brush().SetColor(clWhite);
  drawn.Canvas().FillRect(TRect{0, 0, expected.Width(), expected.Height()});
  drawn.Canvas().StretchDraw(TRect{0, 0, expected.Width(), expected.Height()}, *metafile);
  if (const char* dump = std::getenv("METAFILE_DUMP")) drawn.SaveToFile(std::string(dump) + file + ".bmp");
  TBitmap compared;
  compared.Assign(&drawn);
  for (TBitmap* b : {&compared, &expected}) {
    b->Canvas().Brush().SetColor(clWhite);
    b->Canvas().FillRect(leftOut);
  }
  const double differing = Differing(compared, expected, reach);
  std::printf("%s against LibreOffice's picture: %.2f%% of pixels differ\n", file.c_str(), differing * 100);
  return differing;
}

TEST(MetafilePlayer, EmfAndWmfOfAnotherProgramDrawAsItsOwnPicture) {
  for (const char* name : {"emf", "wmf"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    TMetafile* metafile = nullptr;
    // Edges may fall a pixel apart; the shapes and their colours must be where the program put them.
    EXPECT_LT(DrawnAgainstPng(std::string("shapes.") + name, std::string("shapes-") + name + ".png", &metafile, &picture),
              0.03);
    ASSERT_NE(metafile, nullptr);
    // The picture's own size, 94.6 by 69.2 millimetres, at 96 pixels an inch.
    EXPECT_NEAR(metafile->Width(), 358, 1);
    EXPECT_NEAR(metafile->Height(), 262, 1);
    EXPECT_GT(metafile->RecordCount(), 4);
    EXPECT_TRUE(metafile->Skipped.empty()) << metafile->Skipped.front();
    TBitmap expected;
    ReadPng(kData + "shapes-" + name + ".png", expected);
    TBitmap drawn;
    drawn.SetSize(expected.Width(), expected.Height());
    drawn.Canvas().Brush().SetColor(clWhite);
    drawn.Canvas().FillRect(TRect{0, 0, expected.Width(), expected.Height()});
    drawn.Canvas().StretchDraw(TRect{0, 0, expected.Width(), expected.Height()}, *metafile);
    for (TPoint p : {TPoint{80, 50}, TPoint{300, 70}, TPoint{190, 230}, TPoint{3, 137}, TPoint{101, 200},
                     TPoint{200, 20}})
      EXPECT_EQ(drawn.Canvas().Pixels(p.X, p.Y), expected.Canvas().Pixels(p.X, p.Y)) << p.X << "," << p.Y;
  }
}

TEST(MetafilePlayer, TurnedShapesTextAndBitmapsDrawAsTheProgramDrawsThem) {
  for (const char* sample : {"rotated", "bitmaps", "holes"})
    for (const char* name : {"emf", "wmf"}) {
      SCOPED_TRACE(std::string(sample) + "." + name);
      TPicture picture;
      TMetafile* metafile = nullptr;
      // Text is drawn in the same face, its glyph edges differ a little. LibreOffice smooths a
      // stretched bitmap where a metafile's default stretching (and ours) repeats its pixels.
      const double bound = std::string(sample) == "bitmaps" ? 0.05 : 0.03;
      EXPECT_LT(DrawnAgainstPng(std::string(sample) + "." + name, std::string(sample) + "-" + name + ".png", &metafile,
                                &picture),
                bound);
      ASSERT_NE(metafile, nullptr);
      EXPECT_TRUE(metafile->Skipped.empty()) << metafile->Skipped.front();
    }
}

TEST(MetafilePlayer, ThaiTextReadsAndDrawsAsTheProgramWroteIt) {
  for (const char* name : {"emf", "wmf"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    TMetafile* metafile = nullptr;
    EXPECT_LT(DrawnAgainstPng(std::string("thai.") + name, std::string("thai-") + name + ".png", &metafile, &picture,
                              nullptr, {}, 1),
              0.03);
    ASSERT_NE(metafile, nullptr);
    EXPECT_TRUE(metafile->FindText(u"ใบรับรอง Baptism", true).has_value());
  }
}

TEST(MetafilePlayer, WorldTransformsAndBitmapsOfEveryDepthDrawAsTheProgramDrawsThem) {
  TPicture picture;
  TMetafile* metafile = nullptr;
  EXPECT_LT(DrawnAgainstPng("transformed.emf", "transformed.png", &metafile, &picture), 0.03);
  ASSERT_NE(metafile, nullptr);
  EXPECT_TRUE(metafile->Skipped.empty()) << metafile->Skipped.front();
}

TEST(MetafilePlayer, EveryWayOfPlacingABitmapDrawsAsTheProgramDrawsIt) {
  for (const char* name : {"emf", "wmf"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    TMetafile* metafile = nullptr;
    TBitmap drawn;
    // LibreOffice leaves bits set to the device undrawn: their box is left out and looked at alone.
    const TRect checker{224, 20, 278, 74};
    EXPECT_LT(DrawnAgainstPng(std::string("blits.") + name, std::string("blits-") + name + ".png", &metafile, &picture,
                              &drawn, checker),
              0.03);
    ASSERT_NE(metafile, nullptr);
    EXPECT_TRUE(metafile->Skipped.empty()) << metafile->Skipped.front();
    // The EMF's bits are a 48 by 48 checker of 8-pixel squares, dark at the top left, at (600, 60)
    // of a window of 1000 by 750 over the picture; its pixels are the reference device's, 96 an
    // inch, as the picture's are.
    if (std::string(name) == "emf") {
      for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) {
          const TColor c = drawn.Canvas().Pixels(227 + 4 + 8 * i, 23 + 4 + 8 * j);
          EXPECT_EQ(c, (i + j) % 2 ? RGB(250, 250, 250) : RGB(40, 40, 40)) << i << "," << j;
        }
    }
  }
}

TEST(MetafilePlayer, AClipRegionClipsUntilTheRegionIsTakenAway) {
  // clipregion.emf: a region of device pixels (150, 150) to (210, 250) over a red rectangle
  // from (113, 113) to (265, 272); then no region, and a green rectangle below the region.
  TPicture picture;
  picture.LoadFromFile(kData + "clipregion.emf");
  auto* metafile = dynamic_cast<TMetafile*>(picture.Graphic());
  ASSERT_NE(metafile, nullptr);
  EXPECT_TRUE(metafile->Skipped.empty()) << metafile->Skipped.front();
  TBitmap drawn;
  drawn.SetSize(metafile->Width(), metafile->Height());
  drawn.Canvas().StretchDraw(TRect{0, 0, metafile->Width(), metafile->Height()}, *metafile);
  const TColor background = RGB(0xE0, 0xE8, 0xF0);
  EXPECT_EQ(drawn.Canvas().Pixels(180, 200), RGB(0xD0, 0x20, 0x20));
  EXPECT_EQ(drawn.Canvas().Pixels(230, 130), background);
  EXPECT_EQ(drawn.Canvas().Pixels(180, 140), background);
  EXPECT_EQ(drawn.Canvas().Pixels(218, 200), background);
  EXPECT_EQ(drawn.Canvas().Pixels(200, 270), RGB(0x20, 0xB0, 0x20));
}

TEST(MetafilePlayer, HatchesAndClipCutsDrawAsTheRecordsDefineThem) {
  // hatches: the six hatches of an 8-pixel square from the picture's corner (horizontal lines
  // through row 3, vertical through column 4, falling diagonals where x - y is a multiple of 8,
  // rising where x + y + 1 is), on a yellow ground seen between them in the transparent mode
  // (y 10 to 120), the pink background colour in the opaque one (y 140 to 250); then a blue band
  // from (10, 244) to (368, 278) with (30, 250)-(90, 270) and (150, 250)-(200, 270) cut out.
  const TColor ground = RGB(0xF0, 0xE0, 0x90), back = RGB(0xFF, 0xC8, 0xF0), blue = RGB(0x20, 0x40, 0xC0);
  const TColor ink[] = {RGB(0x80, 0x20, 0x20), RGB(0x20, 0x80, 0x20), RGB(0x20, 0x20, 0x80),
                        RGB(0x80, 0x60, 0x20), RGB(0x60, 0x20, 0x60), RGB(0, 0, 0)};
  // Per hatch: a point on a line and one between lines, in the top row.
  const TPoint on[] = {{30, 19}, {92, 65}, {150, 70}, {216, 63}, {268, 30}, {336, 64}};
  const TPoint off[] = {{30, 21}, {95, 65}, {153, 70}, {216, 66}, {270, 30}, {336, 67}};
  for (const char* name : {"emf", "wmf"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    picture.LoadFromFile(kData + "hatches." + name);
    auto* metafile = dynamic_cast<TMetafile*>(picture.Graphic());
    ASSERT_NE(metafile, nullptr);
    EXPECT_TRUE(metafile->Skipped.empty()) << metafile->Skipped.front();
    TBitmap drawn;
    drawn.SetSize(metafile->Width(), metafile->Height());
    drawn.Canvas().Brush().SetColor(clWhite);
    drawn.Canvas().FillRect(TRect{0, 0, metafile->Width(), metafile->Height()});
    drawn.Canvas().StretchDraw(TRect{0, 0, metafile->Width(), metafile->Height()}, *metafile);
    for (int h = 0; h < 6; ++h) {
      EXPECT_EQ(drawn.Canvas().Pixels(on[h].X, on[h].Y), ink[h]) << h;
      EXPECT_EQ(drawn.Canvas().Pixels(off[h].X, off[h].Y), ground) << h;
      EXPECT_EQ(drawn.Canvas().Pixels(on[h].X, on[h].Y + 128), ink[h]) << h;
      EXPECT_EQ(drawn.Canvas().Pixels(off[h].X, off[h].Y + 128), back) << h;
    }
    EXPECT_EQ(drawn.Canvas().Pixels(60, 260), clWhite);
    EXPECT_EQ(drawn.Canvas().Pixels(120, 260), blue);
    EXPECT_EQ(drawn.Canvas().Pixels(60, 247), blue);
    // The EMF cuts the second by a region taken away, the WMF by a second cut.
    EXPECT_EQ(drawn.Canvas().Pixels(175, 260), clWhite);
    EXPECT_EQ(drawn.Canvas().Pixels(250, 260), blue);
  }
}

TEST(MetafilePlayer, TextAtTheWritersDistancesDrawsAsTheProgramDrawsIt) {
  for (const char* name : {"emf", "wmf"}) {
    SCOPED_TRACE(name);
    EXPECT_LT(DrawnAgainstPng(std::string("spaced.") + name, std::string("spaced-") + name + ".png", nullptr, nullptr,
                              nullptr, {}, 1),
              0.03);
  }
}

TEST(MetafilePlayer, LettersTheWriterJoinedIntoOneGlyphShareItsWidth) {
  // LibreOffice writes "metafile" in rotated.emf with the width of its "fi" glyph on the f and
  // none on the i: the i stands between the f and the l, not on the l.
  TPicture picture;
  picture.LoadFromFile(kData + "rotated.emf");
  auto* metafile = dynamic_cast<TMetafile*>(picture.Graphic());
  ASSERT_NE(metafile, nullptr);
  const auto hit = metafile->FindText(u"metafile", true);
  ASSERT_TRUE(hit.has_value());
  const TCanvasRecord& r = metafile->Records()[static_cast<size_t>(hit->Record)];
  ASSERT_EQ(r.Advances.size(), r.Text.size());
  const size_t f = r.Text.find(u"fi");
  ASSERT_NE(f, WideString::npos);
  EXPECT_GT(r.Advances[f + 1], 0);
}

TEST(MetafilePlayer, ABitmapTurnsWithTheWorldTransform) {
  // turned-bitmap.emf: red and blue halves over 200 x 100 units about (500, 350), turned a quarter
  // clockwise; a unit is 0.378 pixels.
  TPicture picture;
  picture.LoadFromFile(kData + "turned-bitmap.emf");
  auto* metafile = dynamic_cast<TMetafile*>(picture.Graphic());
  ASSERT_NE(metafile, nullptr);
  TBitmap drawn;
  drawn.SetSize(metafile->Width(), metafile->Height());
  drawn.Canvas().StretchDraw(TRect{0, 0, metafile->Width(), metafile->Height()}, *metafile);
  EXPECT_EQ(drawn.Canvas().Pixels(189, 104), RGB(0xE0, 0, 0));
  EXPECT_EQ(drawn.Canvas().Pixels(189, 160), RGB(0, 0, 0xE0));
  // Where the bitmap lies unturned, beside the turned one: the background.
  EXPECT_EQ(drawn.Canvas().Pixels(159, 132), RGB(0xE0, 0xE8, 0xF0));
  EXPECT_EQ(drawn.Canvas().Pixels(219, 132), RGB(0xE0, 0xE8, 0xF0));
}

TEST(MetafilePlayer, AnIsotropicMappingKeepsOneScaleOnBothAxes) {
  // isotropic.emf: an ellipse from (250, 225) to (300, 265) pixels, not to (450, 265).
  TPicture picture;
  picture.LoadFromFile(kData + "isotropic.emf");
  auto* metafile = dynamic_cast<TMetafile*>(picture.Graphic());
  ASSERT_NE(metafile, nullptr);
  TBitmap drawn;
  drawn.SetSize(metafile->Width(), metafile->Height());
  drawn.Canvas().StretchDraw(TRect{0, 0, metafile->Width(), metafile->Height()}, *metafile);
  EXPECT_EQ(drawn.Canvas().Pixels(275, 245), RGB(0x80, 0x40, 0x20));
  EXPECT_EQ(drawn.Canvas().Pixels(320, 245), RGB(0xE0, 0xE8, 0xF0));
  EXPECT_EQ(drawn.Canvas().Pixels(275, 270), RGB(0xE0, 0xE8, 0xF0));
}

TEST(MetafilePlayer, APlayedMetafileKeptInOurFormDrawsTheSame) {
  // A report file keeps a picture in our own form: the finer record units come back with it.
  TPicture picture;
  picture.LoadFromFile(kData + "rotated.emf");
  auto* played = dynamic_cast<TMetafile*>(picture.Graphic());
  ASSERT_NE(played, nullptr);
  EXPECT_GT(played->Detail(), 1);
  TMemoryStream kept;
  played->SaveToStream(kept);
  kept.SetPosition(0);
  TMetafile loaded;
  loaded.LoadFromStream(kept);
  EXPECT_EQ(loaded.Detail(), played->Detail());
  EXPECT_EQ(loaded.Width(), played->Width());
  TBitmap a, b;
  for (TBitmap* bitmap : {&a, &b}) {
    bitmap->SetSize(200, 150);
    bitmap->Canvas().Brush().SetColor(clWhite);
    bitmap->Canvas().FillRect(TRect{0, 0, 200, 150});
  }
  a.Canvas().StretchDraw(TRect{0, 0, 200, 150}, *played);
  b.Canvas().StretchDraw(TRect{0, 0, 200, 150}, loaded);
  EXPECT_EQ(Differing(a, b), 0);
}

TEST(MetafilePlayer, DamagedFilesAreRefusedNotFollowed) {
  std::string emf = ReadAll(kData + "shapes.emf");
  ASSERT_GT(emf.size(), 200u);
  auto load = [](const std::string& bytes) {
    TStringStream in(bytes);
    TMetafile m;
    m.LoadFromStream(in);
    return m.RecordCount();
  };
  // A record that claims more bytes than the file has.
  std::string longRecord = emf;
  longRecord[112] = '\x7f';
  longRecord[113] = '\x7f';
  EXPECT_THROW(load(longRecord), EInvalidGraphic);
  // A polygon that claims more points than its record holds.
  std::string wmf = ReadAll(kData + "shapes.wmf");
  for (size_t at = 22 + 18; at + 8 < wmf.size();) {
    size_t words = static_cast<unsigned char>(wmf[at]) | static_cast<unsigned char>(wmf[at + 1]) << 8 |
                   static_cast<unsigned char>(wmf[at + 2]) << 16;
    int function = static_cast<unsigned char>(wmf[at + 4]) | static_cast<unsigned char>(wmf[at + 5]) << 8;
    if (function == 0x0324 || function == 0x0538) {
      wmf[at + 6] = '\xff';
      wmf[at + 7] = '\x7f';
      break;
    }
    if (words < 3) break;
    at += words * 2;
  }
  EXPECT_THROW(load(wmf), EInvalidGraphic);
  // A bitmap whose header claims sides beyond the pixel budget, or bits beyond its record.
  std::string bitmaps = ReadAll(kData + "bitmaps.emf");
  size_t stretch = 0;
  for (size_t at = 0; at + 8 <= bitmaps.size();) {
    auto u32 = [&](size_t i) {
      return static_cast<std::uint32_t>(static_cast<unsigned char>(bitmaps[i]) | static_cast<unsigned char>(bitmaps[i + 1]) << 8 |
                                        static_cast<unsigned char>(bitmaps[i + 2]) << 16 |
                                        static_cast<std::uint32_t>(static_cast<unsigned char>(bitmaps[i + 3])) << 24);
    };
    if (u32(at) == 81) {
      stretch = at;
      break;
    }
    if (u32(at + 4) < 8) break;
    at += u32(at + 4);
  }
  ASSERT_GT(stretch, 0u);
  const size_t info = stretch + 80;  // the header follows the record's fixed part
  std::string wide = bitmaps;
  wide.replace(info + 4, 4, std::string("\x00\x00\x00\x40", 4));
  EXPECT_THROW(load(wide), EInvalidGraphic);
  std::string longBits = bitmaps;
  longBits.replace(stretch + 8 + 52, 4, std::string("\x00\x00\x00\x10", 4));
  EXPECT_THROW(load(longBits), EInvalidGraphic);
  // Cut anywhere, a file loads what it has or is refused; it never reads beyond its end.
  for (size_t n : {0u, 21u, 60u, 109u, 500u, 1000u}) {
    try {
      load(emf.substr(0, n));
    } catch (const EInvalidGraphic&) {
    }
  }
  for (size_t n = 0; n < bitmaps.size(); n += 997) {
    try {
      load(bitmaps.substr(0, n));
    } catch (const EInvalidGraphic&) {
    }
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

// The colour of the picture's pixel (x, y) as 0xRRGGBB.
int Rgb(TBitmap& b, int x, int y) {
  const TColor c = b.Canvas().Pixels(x, y);
  return static_cast<int>((c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF));
}

}  // namespace

TEST(MetafilePlayer, LibreOfficesHatchesDrawWithTheirLastPixels) {
  // filled (filled.fodg through LibreOffice Draw, and its pictures of them): a blue rectangle and
  // an ellipse hatched in green, whose hatch lines the EMF ends with a pixel set apart.
  for (const char* name : {"emf", "wmf"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    TMetafile* metafile = nullptr;
    EXPECT_LT(DrawnAgainstPng(std::string("filled.") + name, std::string("filled-") + name + ".png", &metafile, &picture),
              0.01);
    ASSERT_NE(metafile, nullptr);
    EXPECT_TRUE(metafile->Skipped.empty()) << metafile->Skipped.front();
  }
}

TEST(MetafilePlayer, MixesRegionsPalettesPatternsAndBandsDrawAsTheRecordsDefineThem) {
  // records (see make-records.py): every part stands where its records put it, in the colours
  // the records define, and nothing of them is skipped.
  for (const char* name : {"emf", "wmf"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    picture.LoadFromFile(kData + "records." + name);
    auto* metafile = dynamic_cast<TMetafile*>(picture.Graphic());
    ASSERT_NE(metafile, nullptr);
    EXPECT_TRUE(metafile->Skipped.empty()) << metafile->Skipped.front();
    TBitmap drawn;
    drawn.SetSize(378, 283);
    drawn.Canvas().Brush().SetColor(clWhite);
    drawn.Canvas().FillRect(TRect{0, 0, 378, 283});
    drawn.Canvas().StretchDraw(TRect{0, 0, 378, 283}, *metafile);
    if (const char* dump = std::getenv("METAFILE_DUMP")) drawn.SaveToFile(std::string(dump) + "records." + name + ".bmp");
    // Red, blue exclusive-or-ed over red and over white, green mixed as no operation.
    EXPECT_EQ(Rgb(drawn, 25, 35), 0xFF0000);
    EXPECT_EQ(Rgb(drawn, 55, 35), 0xFF00FF);
    EXPECT_EQ(Rgb(drawn, 100, 35), 0xFFFF00);
    // Green only inside the clip the regions left.
    for (int x : {20, 50, 80, 125}) EXPECT_EQ(Rgb(drawn, x, 110), 0x008000) << x;
    for (int x : {5, 35, 65, 100, 145}) EXPECT_EQ(Rgb(drawn, x, 110), 0xFFFFFF) << x;
    // Palette entry 1 by its index; the bitmap's palette indices name entries 2 and 0.
    EXPECT_EQ(Rgb(drawn, 30, 180), 0xC83232);
    EXPECT_EQ(Rgb(drawn, 70, 180), 0x32C832);
    EXPECT_EQ(Rgb(drawn, 90, 180), 0x0A141E);
    // The chequer repeats from the picture's origin, a pixel to a pixel.
    for (int y = 170; y < 174; ++y)
      for (int x = 140; x < 144; ++x) EXPECT_EQ(Rgb(drawn, x, y), (x + y) % 2 ? 0xFFFFFF : 0x000000) << x << "," << y;
    // Both bands: red above, blue below.
    EXPECT_EQ(Rgb(drawn, 210, 164), 0xFF0000);
    EXPECT_EQ(Rgb(drawn, 210, 176), 0x0000FF);
    if (std::string(name) == "wmf") continue;
    // A blue bitmap inverted onto white, and white inverted without a source.
    EXPECT_EQ(Rgb(drawn, 255, 165), 0xFFFF00);
    EXPECT_EQ(Rgb(drawn, 280, 170), 0x000000);
    // The region's two rectangles filled with the palette brush, and nothing between them.
    EXPECT_EQ(Rgb(drawn, 320, 90), 0xC83232);
    EXPECT_EQ(Rgb(drawn, 320, 125), 0xC83232);
    EXPECT_EQ(Rgb(drawn, 320, 105), 0xFFFFFF);
  }
}

}  // namespace orv

namespace orv {
namespace {

// An EMF of 100 x 100 units, a unit a pixel, with the records given (type, then 32-bit values).
std::string EmfOf(const std::vector<std::vector<std::int32_t>>& records) {
  std::string body;
  auto put = [](std::string& to, std::int32_t v) {
    for (int i = 0; i < 4; ++i) to += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
  };
  int count = 1;
  for (const auto& record : records) {
    put(body, record[0]);
    put(body, static_cast<std::int32_t>(4 * (record.size() + 1)));
    for (size_t i = 1; i < record.size(); ++i) put(body, record[i]);
    ++count;
  }
  for (std::int32_t v : {14, 20, 0, 16, 20}) put(body, v);
  ++count;
  std::string header;
  for (std::int32_t v : {0, 0, 99, 99, 0, 0, 2646, 2646, 0x464D4520, 0x10000}) put(header, v);
  put(header, static_cast<std::int32_t>(88 + body.size()));
  put(header, count);
  put(header, 8);  // handles, and a reserved half
  for (std::int32_t v : {0, 0, 0, 960, 960, 254, 254}) put(header, v);
  std::string file;
  put(file, 1);
  put(file, static_cast<std::int32_t>(8 + header.size()));
  return file + header + body;
}

}  // namespace

// Restoring the most negative number of levels restores as any number beyond those saved does,
// counted without overflow.
TEST(MetafilePlayer, RestoringTheMostNegativeNumberOfLevelsRestoresAllThatWereSaved) {
  std::vector<TColor> centres;
  for (std::int32_t levels : {-2, std::numeric_limits<std::int32_t>::min()}) {
    SCOPED_TRACE(levels);
    // Saved, clipped to the corner, restored, then a black square over the middle.
    const std::string emf = EmfOf({{33}, {30, 0, 0, 10, 10}, {34, levels}, {39, 1, 0, 0, 0}, {37, 1}, {43, 20, 20, 80, 80}});
    TStringStream in(emf);
    TMetafile metafile;
    metafile.LoadFromStream(in);
    TBitmap drawn(100, 100, pf24bit);
    drawn.Canvas().Brush().SetColor(clWhite);
    drawn.Canvas().FillRect(TRect{0, 0, 100, 100});
    drawn.Canvas().StretchDraw(TRect{0, 0, 100, 100}, metafile);
    centres.push_back(drawn.Canvas().Pixels(50, 50));
  }
  EXPECT_EQ(centres[0], clBlack);
  EXPECT_EQ(centres[1], centres[0]);
}

}  // namespace orv
