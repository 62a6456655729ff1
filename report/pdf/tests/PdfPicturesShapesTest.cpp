// Pictures, the page's own background, lines, shapes, shadows and AutoWidth memos exported to
// PDF: read back with poppler (pdfimages, pdftoppm) and compared with the preview's drawing of
// the same page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/Picture.h"
#include "report/model/Bands.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/PictureView.h"
#include "report/model/Report.h"
#include "report/model/ShapeView.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

std::string Export(TkvxReport& report, const std::string& name, bool background = false) {
  const std::string file = TempPath(name + ".pdf");
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  pdf.Background = background;
  EXPECT_TRUE(report.PreviewPages->Export(&pdf));
  EXPECT_EQ(RunCommand("qpdf --check " + Quote(file)).Status, 0);
  return file;
}

// The page rendered by poppler at 96 dpi, as the preview draws it at zoom 1.
TPixmap Render(const std::string& file) {
  const std::string base = TempPath(std::filesystem::path(file).stem().string());
  EXPECT_EQ(RunCommand("pdftoppm -r 96 -f 1 -l 1 -singlefile " + Quote(file) + " " + Quote(base)).Status, 0);
  return ReadPpm(base + ".ppm");
}

// The first page as the preview draws it, at zoom 1 on white.
std::unique_ptr<TBitmap> Preview(TkvxReport& report, int width, int height) {
  auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
  bitmap->Canvas().Brush().SetColor(clWhite);
  bitmap->Canvas().FillRect(TRect{0, 0, width, height});
  report.PreviewPages->DrawPage(0, &bitmap->Canvas(), 1, 1, 0, 0);
  return bitmap;
}

int Channel(TBitmap& b, int x, int y, int c) { return b.ScanLine(y)[3 * x + 2 - c]; }

// Points where the two pictures differ by more than a quarter of the range in some channel.
std::vector<std::pair<int, int>> Differing(TBitmap& preview, const TPixmap& pdf, int left, int top, int w, int h) {
  std::vector<std::pair<int, int>> points;
  for (int y = top; y < top + h; ++y)
    for (int x = left; x < left + w; ++x)
      for (int c = 0; c < 3; ++c)
        if (std::abs(Channel(preview, x, y, c) - pdf.At(x, y, c)) > 64) {
          points.emplace_back(x, y);
          break;
        }
  return points;
}

std::unique_ptr<TBitmap> Quadrants(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  const TColor colors[] = {clRed, clLime, clBlue, clYellow};
  for (int q = 0; q < 4; ++q) {
    b->Canvas().Brush().SetColor(colors[q]);
    b->Canvas().FillRect(TRect{q % 2 * w / 2, q / 2 * h / 2, (q % 2 + 1) * w / 2, (q / 2 + 1) * h / 2});
  }
  return b;
}

TEST(PdfPictures, APhotoAndASealKeepTheirOwnPixelsAndTheJpegItsBytes) {
  EnsureGraphics();
  // A photo as the camera window saves it, 340 by 380, and a seal drawn as a 101 by 101 bitmap.
  const std::string photoFile = TempPath("photo.jpg");
  {
    std::unique_ptr<TBitmap> pixels = Quadrants(340, 380);
    TJPEGImage jpeg;
    jpeg.Assign(pixels.get());
    jpeg.SaveToFile(photoFile);
  }
  auto report = NewReport(297, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 400);
  auto* photo = Add<TkvxPictureView>(band, "Photo", 20, 20, 113, 126);
  photo->FileLink = photoFile;
  auto* seal = Add<TkvxPictureView>(band, "Seal", 200, 20, 60, 60);
  std::unique_ptr<TBitmap> sealPixels = Quadrants(101, 101);
  seal->Picture()->SetGraphic(sealPixels.get());
  // The same seal again: the file holds it once.
  auto* again = Add<TkvxPictureView>(band, "Again", 300, 20, 60, 60);
  again->Picture()->SetGraphic(sealPixels.get());
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const std::string file = Export(*report, "pictures");

  const std::string list = Shell("pdfimages -list " + Quote(file));
  EXPECT_TRUE(std::regex_search(list, std::regex(R"(\n +1 +0 +image +340 +380 +rgb +3 +8 +jpeg )"))) << list;
  // Both seals show the one image object.
  std::smatch seals;
  EXPECT_TRUE(std::regex_search(list, seals,
                                std::regex(R"(\n +1 +1 +image +101 +101 +rgb +3 +8 +image +no +(\d+) .*\n +1 +2 +image +101 +101 +rgb +3 +8 +image +no +(\d+) )")))
      << list;
  if (seals.size() == 3) {
    EXPECT_EQ(seals[1], seals[2]) << list;
  }
  // The photo's file goes into the PDF byte for byte.
  const std::string root = TempPath("pictures-extracted");
  ASSERT_EQ(RunCommand("pdfimages -j -f 1 -l 1 " + Quote(file) + " " + Quote(root)).Status, 0);
  EXPECT_EQ(ReadFile(root + "-000.jpg"), ReadFile(photoFile));

  // Placed where the screen places them: the photo kept in proportion, the seal stretched.
  const TPixmap page = Render(file);
  const double m = 37.8;
  auto tone = [&](double x, double y) {
    std::string t;
    for (int c = 0; c < 3; ++c) t += page.At(static_cast<int>(x), static_cast<int>(y), c) > 127 ? '1' : '0';
    return t;
  };
  const double photoH = 126, photoW = 340.0 * 126 / 380;
  EXPECT_EQ(tone(m + 20 + photoW / 4, m + 20 + photoH / 4), "100");
  EXPECT_EQ(tone(m + 20 + photoW * 3 / 4, m + 20 + photoH * 3 / 4), "110");
  EXPECT_EQ(tone(m + 20 + photoW + 3, m + 20 + photoH / 2), "111");
  EXPECT_EQ(tone(m + 215, m + 35), "100");
  EXPECT_EQ(tone(m + 245, m + 65), "110");

  // In an encrypted file the pictures are encrypted with their own objects' keys.
  const std::string locked = TempPath("pictures-locked.pdf");
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(locked);
  pdf.UserPassword = "register";
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_EQ(RunCommand("qpdf --password=register --check " + Quote(locked)).Status, 0);
  const std::string root2 = TempPath("locked-extracted");
  ASSERT_EQ(RunCommand("pdfimages -upw register -j -f 1 -l 1 " + Quote(locked) + " " + Quote(root2)).Status, 0);
  EXPECT_EQ(ReadFile(root2 + "-000.jpg"), ReadFile(photoFile));
}

TEST(PdfPictures, ThePageColourFrameAndPictureMatchThePreview) {
  EnsureGraphics();
  auto report = NewReport(120, 10);
  TkvxReportPage* page = FirstPage(*report);
  page->SetColor(0xE0F0FF);
  page->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
  page->Frame()->SetColor(clNavy);
  page->Frame()->SetWidth(4);
  std::unique_ptr<TBitmap> quadrants = Quadrants(40, 30);
  TPicture picture;
  picture.SetGraphic(quadrants.get());
  page->SetBackPicture(&picture);
  auto* band = Add<TkvxReportTitle>(page, "Title", 0, 0, 700, 100);
  Add<TkvxMemoView>(band, "Note", 20, 20, 200, 30)->SetColor(clWhite);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();

  const std::string file = Export(*report, "background", true);
  const TPixmap pdf = Render(file);
  std::unique_ptr<TBitmap> preview = Preview(*report, pdf.Width, pdf.Height);
  // The picture covers the printable area: its four colours show in the preview and the PDF
  // alike, the frame at its edge, the memo's white on top.
  const int m = 38;
  const int w = pdf.Width - 2 * m, h = pdf.Height - 2 * m;
  EXPECT_EQ(Channel(*preview, m + w / 4, m + h / 4, 0), 255);
  EXPECT_EQ(Channel(*preview, m + w / 4, m + h / 4, 1), 0);
  const auto points = Differing(*preview, pdf, 0, 0, pdf.Width, pdf.Height);
  // Antialiased edges may differ by a pixel along the outlines.
  EXPECT_LT(points.size(), static_cast<size_t>(2 * (pdf.Width + pdf.Height) * 2))
      << points.size() << " pixels differ, first at " << (points.empty() ? 0 : points[0].first) << ","
      << (points.empty() ? 0 : points[0].second);
  EXPECT_EQ(pdf.At(m + 3 * w / 4, m + 3 * h / 4, 2), 0);    // yellow quadrant: no blue
  EXPECT_GT(pdf.At(m + 3 * w / 4, m + 3 * h / 4, 0), 200);  // ... red and green
  EXPECT_LT(pdf.At(m, m + h / 2, 0), 64);                   // the navy frame on the left edge
  EXPECT_EQ(pdf.At(m + 20 + 100, m + 35, 1), 255);          // the white memo

  // Without the option the PDF leaves the page's own drawing out.
  const TPixmap plain = Render(Export(*report, "no-background"));
  EXPECT_EQ(plain.At(m + w / 4, m + h / 4, 1), 255);

  // Without a picture the page's colour shows, in the preview and the PDF alike.
  TPicture none;
  page->SetBackPicture(&none);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const TPixmap colour = Render(Export(*report, "colour", true));
  std::unique_ptr<TBitmap> shown = Preview(*report, colour.Width, colour.Height);
  for (int c = 0; c < 3; ++c) {
    const int expected = c == 0 ? 0xFF : c == 1 ? 0xF0 : 0xE0;
    EXPECT_EQ(colour.At(m + w / 2, m + h / 2, c), expected) << c;
    EXPECT_EQ(Channel(*shown, m + w / 2, m + h / 2, c), expected) << c;
  }
}

TEST(PdfShapes, LinesShapesAndShadowsAreDrawnAsPathsWithTheirDashes) {
  EnsureGraphics();
  auto report = NewReport(150, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 400);
  auto* diagonal = Add<TkvxLineView>(band, "Diagonal", 20, 20, 200, 100);
  diagonal->Diagonal = true;
  diagonal->Frame()->SetStyle(fsDash);
  diagonal->Frame()->SetWidth(2);
  auto* oval = Add<TkvxShapeView>(band, "Oval", 260, 20, 120, 80);
  oval->Shape = skEllipse;
  oval->Frame()->SetStyle(fsDot);
  auto* triangle = Add<TkvxShapeView>(band, "Triangle", 420, 20, 100, 80);
  triangle->Shape = skTriangle;
  triangle->SetColor(clYellow);
  auto* shadowed = Add<TkvxMemoView>(band, "Shadowed", 20, 160, 200, 60);
  shadowed->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
  shadowed->Frame()->SetDropShadow(true);
  shadowed->Frame()->SetShadowWidth(6);
  shadowed->Frame()->SetShadowColor(clGray);
  auto* rule = Add<TkvxLineView>(band, "Rule", 260, 180, 300, 0);
  rule->Frame()->SetStyle(fsDashDot);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const std::string file = Export(*report, "shapes");

  // No picture stands in for a shape, and the content names the canvas's dash patterns.
  EXPECT_EQ(Shell("pdfimages -list " + Quote(file)).find(" image "), std::string::npos);
  const std::string qdf = TempPath("shapes-qdf.pdf");
  ASSERT_EQ(RunCommand("qpdf --qdf --object-streams=disable " + Quote(file) + " " + Quote(qdf)).Status, 0);
  const std::string content = ReadFile(qdf);
  EXPECT_NE(content.find("[13.50 4.50] 0 d"), std::string::npos);  // dashes of 18 and 6 pixels
  EXPECT_NE(content.find("[2.25 2.25] 0 d"), std::string::npos);   // dots of 3
  EXPECT_NE(content.find("[6.75 4.50 2.25 4.50] 0 d"), std::string::npos);
  EXPECT_NE(content.find(" c\n"), std::string::npos);  // the ellipse's curves

  const TPixmap pdf = Render(file);
  std::unique_ptr<TBitmap> preview = Preview(*report, pdf.Width, pdf.Height);
  const int m = 38;
  // The shadow fills the last 6 pixels of the memo's box at the right and bottom, in both.
  for (auto [x, y] : {std::pair{m + 20 + 197, m + 160 + 30}, std::pair{m + 20 + 100, m + 160 + 57}}) {
    EXPECT_EQ(pdf.At(x, y, 0), 128) << x << "," << y;
    EXPECT_EQ(Channel(*preview, x, y, 0), 128) << x << "," << y;
  }
  // The triangle's fill, in both.
  EXPECT_EQ(pdf.At(m + 470, m + 80, 2), 0);
  EXPECT_EQ(Channel(*preview, m + 470, m + 80, 2), 0);
}

// Between a path's first point and the operator that paints it, a PDF allows only the operators
// that make the path (and a clip). Gives, for each page's content, the first operator found out
// of place, with the one that began the path; empty when there is none.
std::string OperatorInsideAPath(const std::string& qdf) {
  static const std::regex pathOps("^(m|l|c|v|y|h|re|W|W\\*)$");
  static const std::regex painting("^(S|s|f|F|f\\*|B|B\\*|b|b\\*|n)$");
  static const std::regex operatorToken("^[A-Za-z'\"][A-Za-z0-9*'\"]*$");
  for (size_t at = qdf.find("Contents for page"); at != std::string::npos;
       at = qdf.find("Contents for page", at + 1)) {
    const size_t begin = qdf.find("stream\n", at);
    const size_t end = qdf.find("endstream", begin);
    std::istringstream content(qdf.substr(begin + 7, end - begin - 7));
    std::string token, began;
    bool inString = false;
    while (content >> token) {
      // Text shown in strings may hold anything.
      if (token.front() == '(' || token.front() == '<' || token.front() == '[') inString = true;
      if (inString) {
        inString = token.back() != ')' && token.back() != '>' && token.back() != ']';
        continue;
      }
      if (!std::regex_match(token, operatorToken)) continue;
      if (began.empty()) {
        if (token == "m" || token == "re") began = token;
      } else if (std::regex_match(token, painting)) {
        began.clear();
      } else if (!std::regex_match(token, pathOps)) {
        return token + " in a path begun by " + began;
      }
    }
  }
  return "";
}

// The heads of a line's arrows, filled or open, are paths of their own: their colour and join
// are set before them, where a PDF reader takes them, and both heads show in the line's colour.
TEST(PdfShapes, ArrowHeadsAreWholePathsInTheLinesColour) {
  EnsureGraphics();
  auto report = NewReport(150, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 300);
  auto* solid = Add<TkvxLineView>(band, "Solid", 40, 60, 400, 0);
  solid->ArrowEnd = true;
  solid->ArrowSolid = true;
  solid->ArrowLength = 30;
  solid->ArrowWidth = 12;
  solid->Frame()->SetColor(clRed);
  auto* open = Add<TkvxLineView>(band, "Open", 40, 200, 400, 0);
  open->ArrowStart = true;
  open->ArrowLength = 30;
  open->ArrowWidth = 12;
  open->Frame()->SetColor(clBlue);
  open->Frame()->SetWidth(3);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const std::string file = Export(*report, "arrows");
  const std::string qdf = TempPath("arrows-qdf.pdf");
  ASSERT_EQ(RunCommand("qpdf --qdf --object-streams=disable " + Quote(file) + " " + Quote(qdf)).Status, 0);
  EXPECT_EQ(OperatorInsideAPath(ReadFile(qdf)), "");

  const TPixmap pdf = Render(file);
  const int m = 38;
  // Inside the filled head, 20 pixels behind its tip at 440 where it is 16 high: red, not the
  // paper's white.
  EXPECT_EQ(pdf.At(m + 420, m + 60 + 2, 0), 255);
  EXPECT_LT(pdf.At(m + 420, m + 60 + 2, 1), 64);
  // A wing of the open head, at the line's start, is the line's blue.
  bool blueWing = false;
  for (int y = m + 200 + 3; y < m + 200 + 14; ++y)
    blueWing = blueWing || (pdf.At(m + 40 + 22, y, 2) > 192 && pdf.At(m + 40 + 22, y, 0) < 64);
  EXPECT_TRUE(blueWing);
}

// An upward or leftward diagonal is stored with a negative height or width: every direction
// reaches the PDF where the preview draws it, and a shape of negative size fills its box.
TEST(PdfShapes, DiagonalsOfEveryDirectionAndShapesOfNegativeSizeAreDrawn) {
  EnsureGraphics();
  auto report = NewReport(150, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 400);
  struct TDiagonal {
    const char* Name;
    double Left, Top, Width, Height;
  };
  // Each from (Left, Top) to (Left + Width, Top + Height), in its own part of the band.
  const TDiagonal diagonals[] = {{"DownRight", 20, 20, 120, 80},
                                 {"UpRight", 180, 100, 120, -80},
                                 {"DownLeft", 460, 20, -120, 80},
                                 {"UpLeft", 620, 100, -120, -80}};
  for (const TDiagonal& d : diagonals) {
    auto* line = Add<TkvxLineView>(band, d.Name, d.Left, d.Top, d.Width, d.Height);
    line->Diagonal = true;
    line->Frame()->SetWidth(3);
  }
  auto* box = Add<TkvxShapeView>(band, "Box", 200, 300, -150, -100);
  box->SetColor(clBlue);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const TPixmap pdf = Render(Export(*report, "diagonals"));
  std::unique_ptr<TBitmap> preview = Preview(*report, pdf.Width, pdf.Height);
  const int m = 38;
  // Dark where the line passes, light beside it, in both pictures.
  auto dark = [&](int x, int y, bool inPdf) {
    for (int dy = -2; dy <= 2; ++dy)
      if ((inPdf ? pdf.At(x, y + dy, 0) : Channel(*preview, x, y + dy, 0)) < 100) return true;
    return false;
  };
  for (const TDiagonal& d : diagonals) {
    for (double t : {0.25, 0.5, 0.75}) {
      const int x = m + static_cast<int>(d.Left + t * d.Width), y = m + static_cast<int>(d.Top + t * d.Height);
      EXPECT_TRUE(dark(x, y, true)) << d.Name << " in the PDF at " << t;
      EXPECT_TRUE(dark(x, y, false)) << d.Name << " in the preview at " << t;
      // The other diagonal of the line's box stays empty.
      const int ox = m + static_cast<int>(d.Left + t * d.Width), oy = m + static_cast<int>(d.Top + (1 - t) * d.Height);
      if (t != 0.5) {
        EXPECT_FALSE(dark(ox, oy, true)) << d.Name << " crosses its box in the PDF";
      }
    }
  }
  EXPECT_EQ(pdf.At(m + 125, m + 250, 2), 255);
  EXPECT_LT(pdf.At(m + 125, m + 250, 0), 64);
  EXPECT_LT(Channel(*preview, m + 125, m + 250, 0), 64);
  // The box, which is stored from its right-bottom corner, fills the same pixels in both; the
  // lines' antialiased edges differ, their paths are compared above.
  EXPECT_TRUE(Differing(*preview, pdf, m + 52, m + 202, 146, 96).empty());
  EXPECT_EQ(pdf.At(m + 40, m + 250, 2), 255);
  EXPECT_EQ(pdf.At(m + 40, m + 250, 0), 255);
}

TEST(PdfShapes, AnAutoWidthMemoIsAsWideAsOnScreen) {
  EnsureGraphics();
  auto report = NewReport(100, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 100);
  auto* memo = Add<TkvxMemoView>(band, "Auto", 100, 20, 400, 30);
  memo->AutoWidth = true;
  memo->HAlign = haRight;
  memo->SetText(u"ทะเบียน Register");
  memo->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
  memo->Frame()->SetColor(clRed);
  memo->Frame()->SetWidth(2);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const TPixmap pdf = Render(Export(*report, "autowidth"));
  std::unique_ptr<TBitmap> preview = Preview(*report, pdf.Width, pdf.Height);
  // The left edge of the frame, found along a row through the memo's middle.
  const int y = 38 + 20 + 15;
  auto firstRed = [&](auto&& red) {
    for (int x = 0; x < pdf.Width; ++x)
      if (red(x)) return x;
    return -1;
  };
  const int inPdf = firstRed([&](int x) { return pdf.At(x, y, 0) > 200 && pdf.At(x, y, 1) < 80; });
  const int onScreen =
      firstRed([&](int x) { return Channel(*preview, x, y, 0) > 200 && Channel(*preview, x, y, 1) < 80; });
  ASSERT_GT(onScreen, 38 + 100);  // narrower than designed, its right edge kept
  EXPECT_NEAR(inPdf, onScreen, 2);
}

}  // namespace
}  // namespace orv
