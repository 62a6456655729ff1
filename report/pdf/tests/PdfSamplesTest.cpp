// The sample documents: each written into PDF_OUT with the text it must give back, read again by
// qpdf and poppler, and the drawn page compared by pixels with the same drawing on a bitmap.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/JPEGImage.h"
#include "png/PNGObject.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

std::string OutputFolder() {
  const char* folder = std::getenv("PDF_OUT");
  if (!folder || !*folder) folder = std::getenv("PDF_OUT_DEFAULT");
  std::string path = folder && *folder ? folder : TempPath("samples");
  std::filesystem::create_directories(path);
  return path;
}

void WriteText(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

struct TSample {
  std::string Name;
  std::string UserPassword;
  std::string OwnerPassword;
  TkvxPDFEncBits Permissions{ePrint, eModify, eCopy, eAnnot};
  // Draws the document and returns the text pdftotext must give back, line by line.
  std::function<std::string(TkvxPDFFile&)> Build;
};

// The lines of text written one under the other from the page's top left, in one font.
std::string WriteLines(TkvxPDFPage& page, const std::vector<WideString>& lines, const TFont& font,
                       double top = 60) {
  std::string text;
  double y = top;
  for (const auto& line : lines) {
    page.TextOut(60, y, line, font);
    y += font.Size() * 2;
    text += Narrow(line) + "\n";
  }
  return text;
}

std::string PlainText(TkvxPDFFile& document) {
  auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
  auto font = ReportFont("Arial", 12);
  return WriteLines(page, {u"Parish register of St. Joseph", u"Baptisms, confirmations and marriages",
                           u"(brackets) and back\\slash and 100% sure"},
                    *font);
}

// Tone marks over upper vowels, SARA AM after a tone mark, lower vowels, in four faces.
std::string ThaiText(TkvxPDFFile& document) {
  auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
  std::string text;
  auto tahoma = ReportFont("Tahoma", 14);
  text += WriteLines(page, {u"ทะเบียนสัตบุรุษ วัดนักบุญยอแซฟ", u"น้ำ ผู้ใหญ่ กิ่งไม้ ปั้น ญาติพี่น้อง",
                            u"ศีลล้างบาป ศีลกำลัง ศีลสมรส พ.ศ. ๒๕๖๙"},
                     *tahoma, 60);
  auto angsana = ReportFont("Angsana New", 18, {fsBold});
  text += WriteLines(page, {u"ใบรับรองศีลล้างบาป", u"คุณพ่อผู้ประกอบพิธี"}, *angsana, 200);
  auto cordia = ReportFont("Cordia New", 16, {fsItalic}, clNavy);
  text += WriteLines(page, {u"ที่อยู่ ๑๒๓ หมู่ ๔ ตำบลบ้านใหม่"}, *cordia, 300);
  auto underlined = ReportFont("Microsoft Sans Serif", 12, {fsUnderline}, clMaroon);
  text += WriteLines(page, {u"ลงชื่อ ผู้รับรอง"}, *underlined, 360);
  // Spaced out, and turned to run up the page.
  page.TextOut(60, 420, u"เว้นระยะ ห่าง", *tahoma, 6);
  page.TextOut(700, 700, u"แนวตั้ง ขึ้นบน", *tahoma, 0, 90);
  return text + "เว้นระยะ ห่าง\nแนวตั้ง ขึ้นบน\n";
}

std::string LinesAndShapes(TkvxPDFFile& document) {
  auto& page = document.AddPage(A4Width, A4Height, 10, 10, 0);
  page.Line(40, 40, 400, 40, clBlack, 1);
  page.Line(40, 60, 400, 120, clBlue, 3);
  page.Line(40, 140, 400, 140, clRed, 2);
  page.Arrow(40, 140, 400, 140, 12, 5, true, clRed);
  page.Line(420, 40, 420, 200, clGreen, 1);
  page.Arrow(420, 40, 420, 200, 10, 4, false, clGreen);
  page.Arrow(420, 200, 420, 40, 10, 4, true, clGreen);
  page.Frame(40, 220, 200, 80, flAll, clBlack, 2);
  page.Frame(260, 220, 200, 80, flTop | flBottom, clPurple, 1);
  page.Frame(480, 220, 200, 80, flLeft, clTeal, 4);
  page.Rectangle(40, 320, 200, 80, clBlack, 1, clYellow);
  page.Rectangle(260, 320, 200, 80, clNavy, 2, clNone);
  page.FillRect(480, 320, 200, 80, clSilver);
  // The diagonals of a shape view are its corners joined.
  page.Line(40, 420, 240, 500, clBlack, 1);
  page.Line(260, 500, 460, 420, clBlack, 1);
  // Ellipses, rounded rectangles, triangles and diamonds are painted and placed as pictures.
  TBitmap shapes(600, 100);
  TCanvas& c = shapes.Canvas();
  c.Brush().SetColor(clWhite);
  c.FillRect(TRect{0, 0, 600, 100});
  c.Brush().SetColor(clAqua);
  c.Pen().SetColor(clBlack);
  c.Ellipse(5, 5, 145, 95);
  c.RoundRect(155, 5, 295, 95, 20, 20);
  c.Polygon({{375, 5}, {445, 95}, {305, 95}});
  c.Polygon({{525, 5}, {595, 50}, {525, 95}, {455, 50}});
  page.DrawBitmap(40, 520, 600, 100, shapes, 85);
  page.SaveState();
  page.ClipRect(40, 640, 100, 30);
  auto font = ReportFont("Tahoma", 12);
  page.TextOut(42, 660, u"เส้นและรูปทรง", *font);
  page.RestoreState();
  return "เส้นและรูปทรง\n";
}

std::string Pictures(TkvxPDFFile& document) {
  auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
  TPNGObject png;
  png.LoadFromFile(String(ORVANE_SHARED_DIR) + "/testdata/pngsuite/basn2c08.png");
  page.DrawGraphic(60, 60, 128, 128, png, 1, 80);
  TPNGObject alpha;
  alpha.LoadFromFile(String(ORVANE_SHARED_DIR) + "/testdata/pngsuite/basn6a08.png");
  page.DrawGraphic(220, 60, 96, 96, alpha, 3, 80);
  TBitmap source(160, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) source.Canvas().SetPixels(x, y, RGB(x * 255 / 160, y * 2, 128));
  TJPEGImage encoded;
  encoded.Assign(&source);
  TMemoryStream bytes;
  encoded.SaveToStream(bytes);
  bytes.SetPosition(0);
  TJPEGImage jpeg;
  jpeg.LoadFromStream(bytes);
  page.DrawGraphic(360, 60, 160, 120, jpeg, 1, 80);
  auto font = ReportFont("Tahoma", 10);
  return WriteLines(page, {u"รูปถ่ายสมาชิก PNG และ JPEG"}, *font, 230);
}

std::string OutlineSample(TkvxPDFFile& document) {
  static TTreeOutline outline;
  outline.Root = {{"บทที่ ๑ ศีลล้างบาป", 0, 0, {{"รายชื่อ", 0, 400, {}}}},
                  {"Chapter 2", 1, 100, {{"Marriages", 1, 500, {}}, {"ศีลสมรส", 2, 0, {}}}}};
  document.Outline = true;
  document.PreviewOutline = &outline;
  std::string text;
  auto font = ReportFont("Tahoma", 14);
  for (int p = 0; p < 3; ++p) {
    auto& page = document.AddPage(A4Width, A4Height, 0, 0, p);
    text += WriteLines(page, {u"หน้า " + Wide(std::to_string(p + 1))}, *font);
  }
  return text;
}

std::string Encrypted(TkvxPDFFile& document) {
  document.Title = "ใบรับรองศีลล้างบาป";
  auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
  auto font = ReportFont("Tahoma", 12);
  return WriteLines(page, {u"เอกสารลับ Confidential", u"น้ำใจ ผู้ใหญ่บ้าน"}, *font);
}

std::string FiveHundredPages(TkvxPDFFile& document) {
  auto font = ReportFont("Tahoma", 12);
  std::string text;
  for (int p = 1; p <= 500; ++p) {
    auto& page = document.AddPage(A4Width, A4Height, 0, 0, p - 1);
    WideString number = Wide(std::to_string(p));
    text += WriteLines(page, {u"หน้าที่ " + number, u"Page " + number + u" of 500"}, *font);
  }
  return text;
}

std::vector<TSample> Samples() {
  return {
      {"plain-text", "", "", {ePrint, eModify, eCopy, eAnnot}, PlainText},
      {"thai-text", "", "", {ePrint, eModify, eCopy, eAnnot}, ThaiText},
      {"lines-and-shapes", "", "", {ePrint, eModify, eCopy, eAnnot}, LinesAndShapes},
      {"pictures", "", "", {ePrint, eModify, eCopy, eAnnot}, Pictures},
      {"outline", "", "", {ePrint, eModify, eCopy, eAnnot}, OutlineSample},
      {"encrypted-user", "ผู้ใช้1234", "", {ePrint, eModify, eCopy, eAnnot}, Encrypted},
      {"encrypted-owner", "", "owner-secret", {ePrint}, Encrypted},
      {"encrypted-both", "reader", "keeper", {ePrint, eCopy}, Encrypted},
      {"encrypted-nothing-allowed", "reader", "keeper", {}, Encrypted},
      {"encrypted-modify-annotate", "r(e)a\\der", "", {eModify, eAnnot}, Encrypted},
      {"five-hundred-pages", "", "", {ePrint, eModify, eCopy, eAnnot}, FiveHundredPages},
  };
}

// pdftotext's lines without the page breaks and blank lines between pages.
std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::erase(line, '\f');
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

TEST(PdfSamples, EverySampleIsReadByQpdfAndPopplerWithItsTextFontsAndPasswords) {
  EnsureGraphics();
  const std::string folder = OutputFolder();
  for (const TSample& sample : Samples()) {
    SCOPED_TRACE(sample.Name);
    const std::string file = folder + "/" + sample.Name + ".pdf";
    std::string expected;
    {
      TkvxPDFFile document(sample.Name == "five-hundred-pages", "");
      document.UserPassword = sample.UserPassword;
      document.OwnerPassword = sample.OwnerPassword;
      document.SetProtectionFlags(sample.Permissions);
      document.PrepareKeys();
      expected = sample.Build(document);
      SaveDocument(document, file);
    }
    WriteText(folder + "/" + sample.Name + ".txt", expected);
    const bool encrypted = !sample.UserPassword.empty() || !sample.OwnerPassword.empty();
    if (encrypted) WriteText(folder + "/" + sample.Name + ".password", sample.UserPassword);
    const std::string password = sample.UserPassword;

    TRunResult check = RunCommand("qpdf --check --password=" + Quote(password) + " " + Quote(file));
    EXPECT_EQ(check.Status, 0) << check.Output;
    EXPECT_NE(check.Output.find("No syntax or stream encoding errors"), std::string::npos) << check.Output;

    // Every font is embedded, as a subset, with a ToUnicode map.
    TRunResult fonts = RunCommand("pdffonts -upw " + Quote(password) + " " + Quote(file));
    ASSERT_EQ(fonts.Status, 0) << fonts.Output;
    std::istringstream rows(fonts.Output);
    std::string row;
    int fontRows = 0;
    while (std::getline(rows, row)) {
      if (row.find("CID TrueType") == std::string::npos) continue;
      ++fontRows;
      EXPECT_TRUE(std::regex_search(row, std::regex("Identity-H +yes +yes +yes"))) << row;
    }
    EXPECT_GT(fontRows, 0) << fonts.Output;

    EXPECT_EQ(TextLines(ExtractText(file, password)), TextLines(expected));

    if (encrypted) {
      // qpdf refuses a wrong password, poppler too.
      EXPECT_NE(RunCommand("qpdf --check --password=wrong " + Quote(file)).Status, 0);
      EXPECT_NE(RunCommand("pdftotext -upw wrong " + Quote(file) + " -").Status, 0);
      if (!sample.UserPassword.empty()) {
        EXPECT_NE(RunCommand("pdftotext " + Quote(file) + " -").Status, 0);
      }
      std::string shown = Shell("qpdf --show-encryption --password=" + Quote(password) + " " + Quote(file));
      auto allowed = [&](const std::string& what) {
        return shown.find("\n" + what + ": allowed") != std::string::npos;
      };
      EXPECT_EQ(allowed("print low resolution"), sample.Permissions.Contains(ePrint)) << shown;
      EXPECT_EQ(allowed("modify other"), sample.Permissions.Contains(eModify)) << shown;
      EXPECT_EQ(allowed("extract for any purpose"), sample.Permissions.Contains(eCopy)) << shown;
      EXPECT_EQ(allowed("modify annotations"), sample.Permissions.Contains(eAnnot)) << shown;
      EXPECT_NE(shown.find("R = 3"), std::string::npos) << shown;
      // The title, encrypted, reads back in Thai.
      std::string info = Shell("pdfinfo -upw " + Quote(password) + " " + Quote(file));
      EXPECT_TRUE(std::regex_search(info, std::regex("Title: +ใบรับรองศีลล้างบาป\n"))) << info;
    }
    if (sample.Name == "five-hundred-pages") {
      std::string info = Shell("pdfinfo " + Quote(file));
      EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +500\n"))) << info;
    }
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

using namespace orv::testing;

TEST(PdfSamples, PagesRenderLikeTheSameDrawingOnABitmap) {
  EnsureGraphics();
  const std::string folder = OutputFolder();
  const std::string file = folder + "/pixels.pdf";
  const int width = 400, height = 300;
  auto font = ReportFont("Tahoma", 14);
  TPNGObject png;
  png.LoadFromFile(String(ORVANE_SHARED_DIR) + "/testdata/pngsuite/basn2c08.png");
  const WideString line = u"ทะเบียน น้ำใจ Register";
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    auto& page = document.AddPage(width, height, 0, 0, 0);
    page.FillRect(20, 20, 120, 60, clRed);
    page.Frame(160, 20, 120, 60, flAll, clBlue, 2);
    page.Line(20, 110, 380, 110, clGreen, 3);
    page.DrawGraphic(300, 140, 64, 64, png, 1, 95);
    page.TextOut(20, 180, line, *font);
    SaveDocument(document, file);
  }
  WriteText(folder + "/pixels.txt", Narrow(line) + "\n");

  TBitmap bitmap(width, height);
  TCanvas& canvas = bitmap.Canvas();
  canvas.Brush().SetColor(clWhite);
  canvas.FillRect(TRect{0, 0, width, height});
  canvas.Brush().SetColor(clRed);
  canvas.FillRect(TRect{20, 20, 140, 80});
  canvas.Brush().SetStyle(bsClear);
  canvas.Pen().SetColor(clBlue);
  canvas.Pen().SetWidth(2);
  canvas.Polyline({{160, 20}, {280, 20}, {280, 80}, {160, 80}, {160, 20}});
  canvas.Pen().SetColor(clGreen);
  canvas.Pen().SetWidth(3);
  canvas.MoveTo(20, 110);
  canvas.LineTo(380, 110);
  canvas.StretchDraw(TRect{300, 140, 364, 204}, png);
  canvas.Font().Assign(font.get());
  canvas.TextOut(20, 180 - canvas.FontAscent(), line);

  const std::string base = TempPath("pixels");
  ASSERT_EQ(RunCommand("pdftoppm -r 96 -singlefile " + Quote(file) + " " + Quote(base)).Status, 0);
  TPixmap rendered = ReadPpm(base + ".ppm");
  ASSERT_EQ(rendered.Width, width);
  ASSERT_EQ(rendered.Height, height);
  // Pixels of a region where the two pictures differ by more than a third of the range.
  auto differing = [&](int left, int top, int w, int h) {
    int count = 0;
    for (int y = top; y < top + h; ++y) {
      const Byte* row = bitmap.ScanLine(y);
      for (int x = left; x < left + w; ++x) {
        int diff = 0;
        for (int c = 0; c < 3; ++c) diff = std::max(diff, std::abs(rendered.At(x, y, c) - row[x * 3 + 2 - c]));
        if (diff > 85) ++count;
      }
    }
    return count;
  };
  // Darkness summed over a region, and the box of its dark pixels.
  struct TInk {
    double Sum = 0;
    int Left = 1 << 20, Right = -1;
  };
  auto ink = [&](bool pdf, int left, int top, int w, int h) {
    TInk result;
    for (int y = top; y < top + h; ++y) {
      const Byte* row = bitmap.ScanLine(y);
      for (int x = left; x < left + w; ++x) {
        int level = pdf ? rendered.At(x, y, 1) : row[x * 3 + 1];
        result.Sum += 255 - level;
        if (level < 128) result.Left = std::min(result.Left, x), result.Right = std::max(result.Right, x);
      }
    }
    return result;
  };
  // Fills and strokes fall on the same pixels but for their smoothed edges.
  EXPECT_EQ(differing(10, 10, 140, 80), 0);
  EXPECT_LT(differing(150, 10, 140, 80), 40);
  EXPECT_LT(differing(10, 100, 380, 20), 40);
  // The picture went through JPEG, whose colour blocks soften its sharp stripes: close on
  // average, with few pixels far off.
  double total = 0;
  for (int y = 140; y < 204; ++y)
    for (int x = 300; x < 364; ++x)
      for (int c = 0; c < 3; ++c) total += std::abs(rendered.At(x, y, c) - bitmap.ScanLine(y)[x * 3 + 2 - c]);
  EXPECT_LT(total / (64 * 64 * 3), 12);
  EXPECT_LT(differing(300, 140, 64, 64), 64 * 64 / 20);
  // Text: the same letters at the same place, with as much ink, whatever each renderer's
  // smoothing of glyph edges.
  TInk pdfInk = ink(true, 10, 150, 280, 45), canvasInk = ink(false, 10, 150, 280, 45);
  EXPECT_NEAR(pdfInk.Left, canvasInk.Left, 2);
  EXPECT_NEAR(pdfInk.Right, canvasInk.Right, 3);
  EXPECT_NEAR(pdfInk.Sum, canvasInk.Sum, canvasInk.Sum * 0.15);
  // Inside the fill and on the line the colours are those drawn.
  EXPECT_EQ(rendered.At(80, 50, 0), 255);
  EXPECT_EQ(rendered.At(80, 50, 1), 0);
  EXPECT_GT(rendered.At(200, 110, 1), 100);
  EXPECT_LT(rendered.At(200, 110, 0), 60);
}

}  // namespace
}  // namespace orv
