// Metafile pictures exported to PDF as paths and text: rendered by poppler (pdftoppm at 150 dpi)
// and compared by pixels with LibreOffice's own pictures of the same files (the samples of the
// metafile player's tests); their text read back by pdftotext, their images counted by qpdf and
// pdfimages.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Metafile.h"
#include "platform/gui/Picture.h"
#include "png/PNGObject.h"
#include "report/model/Bands.h"
#include "report/model/PictureView.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

std::string Samples() {
  return std::filesystem::path(ORVANE_TEST_DATA).parent_path().parent_path().parent_path().parent_path().string() +
         "/platform/gui/tests/data/metafiles/";
}

// Margin of the report page, millimetres.
constexpr double kMargin = 10;
constexpr double kDpi = 150;

// A report whose picture view shows the file stretched over width x height pixels, exported.
std::string Export(const std::string& sample, int width, int height) {
  auto report = NewReport(297, kMargin);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, height + 20);
  auto* picture = Add<TkvxPictureView>(band, "Drawing", 0, 0, width, height);
  picture->KeepAspectRatio = false;
  picture->Picture()->LoadFromFile(Samples() + sample);
  EXPECT_NE(dynamic_cast<TMetafile*>(picture->Picture()->Graphic()), nullptr);
  EXPECT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const std::string file = TempPath(sample + ".pdf");
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  EXPECT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_EQ(RunCommand("qpdf --check " + Quote(file)).Status, 0);
  return file;
}

// The share of the expected picture's pixels whose colour the PDF, rendered at 150 dpi, shows
// clearly otherwise (one channel by more than 96) at the same place of the picture; with reach 1,
// nor one pixel of the picture away (the glyphs of a line of text may fall a pixel apart).
double DifferingInPdf(const std::string& sample, TBitmap& expected, int reach = 0) {
  const std::string file = Export(sample, expected.Width(), expected.Height());
  const std::string base = TempPath(sample + "-page");
  EXPECT_EQ(RunCommand("pdftoppm -r 150 -f 1 -l 1 -singlefile " + Quote(file) + " " + Quote(base)).Status, 0);
  const TPixmap page = ReadPpm(base + ".ppm");
  const double k = kDpi / 96, origin = kMargin / 25.4 * kDpi;
  auto close = [&](const Byte* pixel, int px, int py) {
    for (int c = 0; c < 3; ++c)
      if (std::abs(pixel[2 - c] - page.At(px, py, c)) > 96) return false;
    return true;
  };
  int differ = 0;
  for (int y = 0; y < expected.Height(); ++y)
    for (int x = 0; x < expected.Width(); ++x) {
      const Byte* pixel = expected.ScanLine(y) + 3 * x;
      bool found = false;
      for (int dy = -reach; dy <= reach && !found; ++dy)
        for (int dx = -reach; dx <= reach && !found; ++dx)
          found = close(pixel, static_cast<int>(origin + (x + dx + 0.5) * k), static_cast<int>(origin + (y + dy + 0.5) * k));
      if (!found) ++differ;
    }
  return static_cast<double>(differ) / (expected.Width() * expected.Height());
}

// Against LibreOffice's picture png of the sample.
double DifferingInPdf(const std::string& sample, const std::string& png, int reach = 0) {
  TPNGObject expectedPng;
  expectedPng.LoadFromFile(Samples() + png);
  TBitmap expected(expectedPng.Width(), expectedPng.Height(), pf24bit);
  expected.Canvas().Draw(0, 0, expectedPng);
  const double share = DifferingInPdf(sample, expected, reach);
  std::printf("%s in the PDF against LibreOffice's picture: %.2f%% of pixels differ\n", sample.c_str(), share * 100);
  return share;
}

// Against our canvas's drawing of the sample at its own size, on white.
double DifferingFromCanvas(const std::string& sample, int reach = 0) {
  TPicture picture;
  picture.LoadFromFile(Samples() + sample);
  TGraphic* metafile = picture.Graphic();
  TBitmap expected(metafile->Width(), metafile->Height(), pf24bit);
  expected.Canvas().Brush().SetColor(clWhite);
  expected.Canvas().FillRect(TRect{0, 0, expected.Width(), expected.Height()});
  expected.Canvas().StretchDraw(TRect{0, 0, expected.Width(), expected.Height()}, *metafile);
  const double share = DifferingInPdf(sample, expected, reach);
  std::printf("%s in the PDF against the canvas: %.2f%% of pixels differ\n", sample.c_str(), share * 100);
  return share;
}

// The first page of the sample's export (378 x 283 pixels) as pdftoppm draws it at 150 dpi.
TPixmap ExportedPage(const std::string& sample) {
  const std::string base = TempPath(sample + "-page");
  EXPECT_EQ(RunCommand("pdftoppm -r 150 -f 1 -l 1 -singlefile " + Quote(Export(sample, 378, 283)) + " " + Quote(base)).Status, 0);
  return ReadPpm(base + ".ppm");
}

// Each channel of the picture's pixel (x, y) on the page, 1 when light and 0 when dark.
std::string Tone(const TPixmap& page, int x, int y) {
  const double k = kDpi / 96, origin = kMargin / 25.4 * kDpi;
  std::string t;
  for (int c = 0; c < 3; ++c)
    t += page.At(static_cast<int>(origin + (x + 0.5) * k), static_cast<int>(origin + (y + 0.5) * k), c) > 127 ? '1' : '0';
  return t;
}

TEST(PdfMetafile, PicturesOfAnotherProgramShowInThePdfAsThatProgramDrawsThem) {
  EnsureGraphics();
  // Glyph edges and the smoothing of stretched bitmaps differ a little, as on the canvas.
  EXPECT_LT(DifferingInPdf("shapes.emf", "shapes-emf.png"), 0.03);
  EXPECT_LT(DifferingInPdf("shapes.wmf", "shapes-wmf.png"), 0.03);
  EXPECT_LT(DifferingInPdf("rotated.emf", "rotated-emf.png"), 0.03);
  EXPECT_LT(DifferingInPdf("rotated.wmf", "rotated-wmf.png"), 0.03);
  EXPECT_LT(DifferingInPdf("thai.emf", "thai-emf.png", 1), 0.03);
  EXPECT_LT(DifferingInPdf("thai.wmf", "thai-wmf.png", 1), 0.03);
  EXPECT_LT(DifferingInPdf("holes.emf", "holes-emf.png"), 0.03);
  EXPECT_LT(DifferingInPdf("holes.wmf", "holes-wmf.png"), 0.03);
  EXPECT_LT(DifferingInPdf("bitmaps.emf", "bitmaps-emf.png"), 0.05);
  EXPECT_LT(DifferingInPdf("bitmaps.wmf", "bitmaps-wmf.png"), 0.05);
  EXPECT_LT(DifferingInPdf("transformed.emf", "transformed.png"), 0.03);
  // LibreOffice leaves bits set to the device undrawn; they are a small square of these.
  EXPECT_LT(DifferingInPdf("blits.emf", "blits-emf.png"), 0.03);
  EXPECT_LT(DifferingInPdf("blits.wmf", "blits-wmf.png"), 0.03);
  EXPECT_LT(DifferingInPdf("filled.emf", "filled-emf.png"), 0.03);
  EXPECT_LT(DifferingInPdf("filled.wmf", "filled-wmf.png"), 0.03);
}

TEST(PdfMetafile, HatchesAndClipCutsShowInThePdfAsOnTheCanvas) {
  EnsureGraphics();
  // hatches (see the player's test): the six hatches in both background modes and a band with
  // two rectangles cut out of the clip. LibreOffice fills hatches solid and cuts nothing.
  for (const char* sample : {"hatches.emf", "hatches.wmf"}) {
    SCOPED_TRACE(sample);
    EXPECT_LT(DifferingFromCanvas(sample), 0.02);
    // The band's cuts are empty, the band blue between them.
    const TPixmap page = ExportedPage(sample);
    auto tone = [&](int x, int y) { return Tone(page, x, y); };
    EXPECT_EQ(tone(60, 260), "111");
    EXPECT_EQ(tone(175, 260), "111");
    EXPECT_EQ(tone(120, 260), "001");
    EXPECT_EQ(tone(60, 247), "001");
  }
}

TEST(PdfMetafile, MixesRegionsPalettesPatternsAndBandsShowInThePdfAsOnTheCanvas) {
  EnsureGraphics();
  // records (see the player's test): exclusive or and inversion, clip regions combined, palette
  // colours, a chequered pattern brush and a bitmap in bands.
  for (const char* sample : {"records.emf", "records.wmf"}) {
    SCOPED_TRACE(sample);
    EXPECT_LT(DifferingFromCanvas(sample), 0.02);
    const TPixmap page = ExportedPage(sample);
    auto tone = [&](int x, int y) { return Tone(page, x, y); };
    EXPECT_EQ(tone(55, 35), "101") << "blue exclusive-or-ed over red is magenta";
    EXPECT_EQ(tone(100, 35), "110") << "blue exclusive-or-ed over white is yellow";
    EXPECT_EQ(tone(35, 110), "111") << "the clip region left this out";
    EXPECT_EQ(tone(50, 110), "010") << "the clip region let the green in";
    EXPECT_EQ(tone(210, 164), "100");
    EXPECT_EQ(tone(210, 176), "001");
  }
}

TEST(PdfMetafile, TextAtTheWritersDistancesShowsThemInThePdf) {
  EnsureGraphics();
  for (const char* name : {"emf", "wmf"}) {
    const std::string sample = std::string("spaced.") + name;
    // The text is a small part of the picture: spread evenly over the line, its letters stand
    // apart from LibreOffice's on 0.8% of the pixels.
    EXPECT_LT(DifferingInPdf(sample, std::string("spaced-") + name + ".png", 1), 0.003) << name;
    EXPECT_LT(DifferingFromCanvas(sample, 1), 0.003) << name;
    // Each Thai cluster stays whole: the words read back.
    const std::string text = Letters(ExtractText(Export(sample, 378, 283)));
    EXPECT_NE(text.find("Orvane"), std::string::npos) << name << ": " << text;
    EXPECT_NE(text.find("ใบรับรอง"), std::string::npos) << name << ": " << text;
  }
}

TEST(PdfMetafile, ClipRegionsClipInThePdfAsOnTheCanvas) {
  EnsureGraphics();
  // clipregion.emf (see the player's test): a red rectangle seen only through a region, then a
  // green one after the region is taken away; drawn at its own 378 x 283 pixels.
  const std::string file = Export("clipregion.emf", 378, 283);
  const std::string base = TempPath("clipregion-page");
  ASSERT_EQ(RunCommand("pdftoppm -r 150 -f 1 -l 1 -singlefile " + Quote(file) + " " + Quote(base)).Status, 0);
  const TPixmap page = ReadPpm(base + ".ppm");
  const double k = kDpi / 96, origin = kMargin / 25.4 * kDpi;
  auto tone = [&](int x, int y) {
    std::string t;
    for (int c = 0; c < 3; ++c)
      t += page.At(static_cast<int>(origin + x * k), static_cast<int>(origin + y * k), c) > 127 ? '1' : '0';
    return t;
  };
  EXPECT_EQ(tone(180, 200), "100");
  EXPECT_EQ(tone(230, 130), "111");
  EXPECT_EQ(tone(180, 140), "111");
  EXPECT_EQ(tone(218, 200), "111");
  EXPECT_EQ(tone(200, 270), "010");
}

// An EMF of one bitmap record: width x 1 pixels of 24 bits stretched over the frame of 100 x 100
// device pixels.
std::string LongBitmapEmf(int width) {
  std::string out;
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
  };
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4, bitmap = 80 + 40 + stride;
  u32(1), u32(88);
  for (std::uint32_t v : {0u, 0u, 100u, 100u, 0u, 0u, 2646u, 2646u}) u32(v);
  u32(0x464D4520), u32(0x10000), u32(88 + bitmap + 20), u32(3), u32(0), u32(0), u32(0), u32(0);
  for (std::uint32_t v : {96u, 96u, 25u, 25u}) u32(v);
  u32(81), u32(bitmap);
  for (std::uint32_t v : {0u, 0u, 100u, 100u, 0u, 0u, 0u, 0u, static_cast<std::uint32_t>(width), 1u, 80u, 40u, 120u,
                          stride, 0u, 0xCC0020u, 100u, 100u})
    u32(v);
  u32(40), u32(static_cast<std::uint32_t>(width)), u32(1), u32(1 | 24 << 16), u32(0), u32(stride);
  for (int i = 0; i < 4; ++i) u32(0);
  out += std::string(stride, '\x40');
  u32(14), u32(20), u32(0), u32(16), u32(20);
  return out;
}

TEST(PdfMetafile, ABitmapLongerThanAJpegGoesInAtThePagesPixels) {
  EnsureGraphics();
  TStringStream in(LongBitmapEmf(70000));
  TMetafile metafile;
  metafile.LoadFromStream(in);
  ASSERT_FALSE(metafile.Empty());
  TkvxPDFFile document(false, "");
  auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
  page.DrawPicture(100, 100, 200, 200, metafile, 1, 80);
  const std::string file = TempPath("long-bitmap.pdf");
  SaveDocument(document, file);
  EXPECT_EQ(RunCommand("qpdf --check " + Quote(file)).Status, 0);
  // One image of about the picture's 200 x 200 pixels on the page.
  const std::string list = Shell("pdfimages -list " + Quote(file));
  std::smatch image;
  ASSERT_TRUE(std::regex_search(list, image, std::regex(R"(\n +1 +0 +image +(\d+) +(\d+) )"))) << list;
  EXPECT_NEAR(std::stoi(image[1]), 200, 10) << list;
  EXPECT_NEAR(std::stoi(image[2]), 200, 10) << list;
}

TEST(PdfMetafile, ADrawingIsPathsAndTextNotAnImage) {
  EnsureGraphics();
  for (const char* sample : {"rotated.emf", "rotated.wmf"}) {
    SCOPED_TRACE(sample);
    const std::string file = Export(sample, 356, 262);
    // No image of any kind: neither an image object nor an image inside the page's content.
    const std::string json = Shell("qpdf --json " + Quote(file));
    EXPECT_NE(json.find("\"/Type\": \"/Page\""), std::string::npos);
    EXPECT_FALSE(std::regex_search(json, std::regex(R"("/Subtype": "/Image")"))) << json;
    const std::string list = Shell("pdfimages -list " + Quote(file));
    EXPECT_FALSE(std::regex_search(list, std::regex(R"(\n +1 +\d+ +(image|smask|stencil) )"))) << list;
    // The text is text, in reading order, the turned word too.
    const std::string text = ExtractText(file);
    EXPECT_NE(text.find("Orvane"), std::string::npos) << text;
    EXPECT_NE(text.find("metafile"), std::string::npos) << text;
  }
  // Thai text, in code page 874 in the WMF, is Thai text in the PDF.
  for (const char* sample : {"thai.emf", "thai.wmf"}) {
    const std::string text = ExtractText(Export(sample, 274, 80));
    EXPECT_NE(text.find("ใบรับรอง Baptism"), std::string::npos) << sample << ": " << text;
  }
  // The bitmaps of a metafile are its only images.
  const std::string list = Shell("pdfimages -list " + Quote(Export("bitmaps.emf", 356, 262)));
  const std::regex image(R"(\n +1 +\d+ +image )");
  const auto images = std::distance(std::sregex_iterator(list.begin(), list.end(), image), std::sregex_iterator());
  EXPECT_EQ(images, 3) << list;
}

}  // namespace
}  // namespace orv
