// Pictures whose files claim, or whose boxes ask for, more pixels than the program holds: each is
// drawn on screen and exported within a bound of memory, a sound picture over the budget prints
// scaled down, and a damaged JPEG reaches the PDF as the pixels the program shows of it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <tuple>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/JPEGImage.h"
#include "platform/rtl/PixelBudget.h"
#include "platform/gui/tests/ScanBombJpeg.h"
#include "platform/rtl/tests/MemoryBound.h"
#include "report/model/Bands.h"
#include "report/model/Pages.h"
#include "report/model/PictureView.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

void WriteBytes(const std::string& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

// A 16 x 16 red JPEG made by cjpeg (jpegtran makes it progressive) whose frame header is
// rewritten to claim width x height.
std::string JpegClaiming(const std::string& name, int width, int height, bool progressive) {
  const std::string ppm = TempPath(name + ".ppm"), file = TempPath(name + ".jpg");
  std::string pixels = "P6\n16 16\n255\n";
  for (int i = 0; i < 256; ++i) pixels += "\xC8\x10\x10";
  WriteBytes(ppm, pixels);
  std::string command = "cjpeg " + Quote(ppm);
  if (progressive) command += " | jpegtran -progressive";
  EXPECT_EQ(RunCommand(command + " > " + Quote(file)).Status, 0);
  std::string bytes = ReadFile(file);
  const size_t sof = bytes.find(progressive ? "\xFF\xC2" : "\xFF\xC0");
  EXPECT_NE(sof, std::string::npos);
  if (sof == std::string::npos) return file;
  bytes[sof + 5] = static_cast<char>(height >> 8);
  bytes[sof + 6] = static_cast<char>(height & 0xFF);
  bytes[sof + 7] = static_cast<char>(width >> 8);
  bytes[sof + 8] = static_cast<char>(width & 0xFF);
  WriteBytes(file, bytes);
  return file;
}

// A report of one picture view linked to file, left x top of size width x height pixels.
std::unique_ptr<TkvxReport> PictureReport(const std::string& file, double width, double height, bool stretched) {
  auto report = NewReport(297, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 400);
  auto* picture = Add<TkvxPictureView>(band, "Photo", 20, 20, width, height);
  picture->FileLink = file;
  picture->Stretched = stretched;
  picture->KeepAspectRatio = false;
  picture->HightQuality = true;
  return report;
}

std::string ExportTo(TkvxReport& report, const std::string& file) {
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  EXPECT_TRUE(report.PreviewPages->Export(&pdf));
  return file;
}

// The images of a file as pdfimages lists them: width, height and encoding of each.
std::vector<std::tuple<long long, long long, std::string>> Images(const std::string& file) {
  const std::string list = Shell("pdfimages -list " + Quote(file));
  std::vector<std::tuple<long long, long long, std::string>> images;
  const std::regex row(R"(\n +\d+ +\d+ +image +(\d+) +(\d+) +\w+ +\d+ +\d+ +(\w+) )");
  for (std::sregex_iterator it(list.begin(), list.end(), row), end; it != end; ++it)
    images.emplace_back(std::stoll((*it)[1]), std::stoll((*it)[2]), (*it)[3]);
  return images;
}

TEST(PdfPictureBudget, HugeJpegsInLargeBoxesAndAtTheirOwnSizeDrawAndExportWithinMemory) {
  EnsureGraphics();
  const std::string progressive = JpegClaiming("progressive", 20000, 20000, true);
  const std::string huge = JpegClaiming("huge", 65500, 65500, false);
  ASSERT_LT(ReadFile(progressive).size(), 1000u);
  struct TCase {
    const char* Name;
    std::string File;
    double Size;
    bool Stretched;
  };
  const TCase cases[] = {{"progressive in its box", progressive, 150, true},
                         {"progressive at its size", progressive, 150, false},
                         {"huge in a large box", huge, 12000, true},
                         {"huge at its size", huge, 150, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto report = PictureReport(c.File, c.Size, c.Size, c.Stretched);
    ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
    const std::string file = TempPath(std::regex_replace(c.Name, std::regex(" "), "-") + ".pdf");
    TBitmap screen(900, 1200, pf24bit);
    // The preview's smooth copy, then the export. Bounded so that a fault cannot take the
    // machine's memory, and measured, as libjpeg refused memory fails cleanly.
    long long growth = 0;
    testing::WithinMemory(3500, [&] {
      growth = PeakResidentGrowth([&] {
        report->PreviewPages->DrawPage(0, &screen.Canvas(), 1, 1, 0, 0);
        ExportTo(*report, file);
      });
    });
    EXPECT_LT(growth, 300);
    EXPECT_EQ(RunCommand("qpdf --check " + Quote(file)).Status, 0);
    for (const auto& [w, h, encoding] : Images(file)) EXPECT_LE(w * h, kMaxPicturePixels) << w << " x " << h;
  }
  // The progressive picture saved with its pages (a file of a few KB) and opened again.
  auto report = PictureReport(progressive, 150, 150, true);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const std::string qpv = TempPath("progressive.qpv");
  report->PreviewPages->SaveToFile(qpv);
  ASSERT_LT(ReadFile(qpv).size(), 20000u);
  auto opened = NewReport(297, 10);
  TBitmap screen(900, 1200, pf24bit);
  screen.Canvas().FillRect(TRect{0, 0, 900, 1200});
  long long growth = 0;
  testing::WithinMemory(3500, [&] {
    growth = PeakResidentGrowth([&] {
      ASSERT_TRUE(opened->PreviewPages->LoadFromFile(qpv));
      opened->PreviewPages->DrawPage(0, &screen.Canvas(), 1, 1, 0, 0);
      ExportTo(*opened, TempPath("progressive-qpv.pdf"));
    });
  });
  EXPECT_LT(growth, 300);
  // Where the picture is, the frame that says why it is not shown.
  int grey = 0;
  for (int x = 50; x < 66; ++x) grey += screen.Canvas().Pixels(x, 58 + 75) == clGray;
  EXPECT_GT(grey, 0);
}

TEST(PdfPictureBudget, ASoundPngOverTheBudgetPrintsScaledDownAsOneImage) {
  EnsureGraphics();
  // 5,000 x 3,400 pixels (17 megapixels) written by Python's zlib: red on the left half, blue
  // on the right.
  const std::string png = TempPath("scan.png");
  const std::string script =
      "import struct, zlib, sys\n"
      "w, h = 5000, 3400\n"
      "row = b'\\0' + b'\\xff\\0\\0' * (w // 2) + b'\\0\\0\\xff' * (w - w // 2)\n"
      "def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))\n"
      "data = b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))\n"
      "data += chunk(b'IDAT', zlib.compress(row * h, 6)) + chunk(b'IEND', b'')\n"
      "open(sys.argv[1], 'wb').write(data)\n";
  WriteBytes(TempPath("png.py"), script);
  ASSERT_EQ(RunCommand("python3 " + Quote(TempPath("png.py")) + " " + Quote(png)).Status, 0);
  auto report = PictureReport(png, 500, 340, true);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const std::string file = ExportTo(*report, TempPath("scan.pdf"));
  EXPECT_EQ(RunCommand("qpdf --check " + Quote(file)).Status, 0);
  const auto images = Images(file);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_LE(std::get<0>(images[0]) * std::get<1>(images[0]), kMaxPicturePixels);
  EXPECT_GE(std::get<0>(images[0]), 2500);
  // Rendered, the halves keep their colours.
  const std::string base = TempPath("scan-page");
  ASSERT_EQ(RunCommand("pdftoppm -r 96 -singlefile " + Quote(file) + " " + Quote(base)).Status, 0);
  const TPixmap page = ReadPpm(base + ".ppm");
  const int left = 38 + 20, top = 38 + 20;
  EXPECT_GT(page.At(left + 100, top + 170, 0), 200);
  EXPECT_LT(page.At(left + 100, top + 170, 2), 60);
  EXPECT_GT(page.At(left + 400, top + 170, 2), 200);
  EXPECT_LT(page.At(left + 400, top + 170, 0), 60);
}

// A sound 320 x 240 photo of colours running across it, saved as file; its bytes.
std::string WriteSoundPhoto(const std::string& file) {
  TBitmap pixels(320, 240, pf24bit);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) pixels.Canvas().SetPixels(x, y, RGB(x % 256, y, (x * y) % 256));
  TJPEGImage jpeg;
  jpeg.Assign(&pixels);
  jpeg.SaveToFile(file);
  return ReadFile(file);
}

TEST(PdfPictureBudget, ADamagedJpegGoesInAsThePixelsItDecodesTo) {
  EnsureGraphics();
  // A sound photo, then the same cut off in its image data.
  const std::string sound = TempPath("sound.jpg"), damaged = TempPath("damaged.jpg");
  const std::string bytes = WriteSoundPhoto(sound);
  WriteBytes(damaged, bytes.substr(0, bytes.size() * 2 / 3));
  for (const auto& [file, passed] : {std::pair{sound, true}, std::pair{damaged, false}}) {
    SCOPED_TRACE(file);
    auto report = PictureReport(file, 320, 240, true);
    ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
    const std::string pdf = ExportTo(*report, file + ".pdf");
    const TRunResult check = RunCommand("qpdf --check " + Quote(pdf));
    EXPECT_EQ(check.Status, 0) << check.Output;
    EXPECT_EQ(check.Output.find("WARNING"), std::string::npos) << check.Output;
    const auto images = Images(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(std::get<2>(images[0]), passed ? "jpeg" : "image");
    // Every reader of the PDF decodes the image without a word.
    const TRunResult render = RunCommand("pdftoppm -r 30 " + Quote(pdf) + " " + Quote(pdf + "-page") + " 2>&1");
    EXPECT_EQ(render.Output, "");
  }
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

using namespace orv::testing;

TEST(PdfPictureBudget, APictureOfThousandsOfScansPrintsAsTheFrameAndAPipeIsRefused) {
  EnsureGraphics();
  // 2 MB of scans, each a pass over the whole picture: decoded, they would take minutes.
  const std::string bomb = TempPath("scan-bomb.jpg");
  WriteScanBombJpeg(bomb, 2048, 2 << 20);
  auto report = PictureReport(bomb, 150, 150, true);
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  TBitmap screen(900, 1200, pf24bit);
  report->PreviewPages->DrawPage(0, &screen.Canvas(), 1, 1, 0, 0);
  int grey = 0;
  for (int x = 50; x < 66; ++x) grey += screen.Canvas().Pixels(x, 58 + 75) == clGray;
  EXPECT_GT(grey, 0) << "the frame that says why";
  const std::string pdf = ExportTo(*report, TempPath("scan-bomb.pdf"));
  EXPECT_EQ(RunCommand("qpdf --check " + Quote(pdf)).Status, 0);
  EXPECT_EQ(Images(pdf).size(), 1u);

  // A named pipe under the picture's name: refused with the reason, without waiting for a
  // program to write into it; the run goes on without the picture.
  const std::string pipe = TempPath("pipe.jpg");
  std::remove(pipe.c_str());
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  auto piped = PictureReport(pipe, 150, 150, true);
  EXPECT_TRUE(piped->PrepareReport()) << piped->Errors->Text();
  EXPECT_NE(piped->Warnings->Text().find("It is not a regular file"), std::string::npos) << piped->Warnings->Text();
  std::remove(pipe.c_str());
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

using namespace orv::testing;

// A photo carrying 18 MB of comments and application data beside its picture of a few
// kilobytes goes into the PDF as the picture alone, which every reader draws as before; a photo
// whose own segments weigh less than its picture goes in whole.
TEST(PdfPictureBudget, AJpegGoesInWithoutTheCommentsThatOutweighItsPicture) {
  EnsureGraphics();
  const std::string sound = TempPath("commented-sound.jpg"), commented = TempPath("commented.jpg");
  const std::string bytes = WriteSoundPhoto(sound);
  std::string segments;
  for (int i = 0; i < 300; ++i) {
    const std::string body(60000, static_cast<char>('a' + i % 26));
    const char marker = i % 2 ? '\xFE' : '\xE9';
    segments += std::string("\xFF") + marker + static_cast<char>((body.size() + 2) >> 8) +
                static_cast<char>((body.size() + 2) & 0xFF) + body;
  }
  WriteBytes(commented, bytes.substr(0, 2) + segments + bytes.substr(2));
  std::string pages[2];
  for (int i = 0; i < 2; ++i) {
    const std::string& file = i ? commented : sound;
    SCOPED_TRACE(file);
    auto report = PictureReport(file, 320, 240, true);
    ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
    const std::string pdf = ExportTo(*report, file + ".pdf");
    EXPECT_EQ(RunCommand("qpdf --check " + Quote(pdf)).Status, 0);
    const auto images = Images(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(std::get<2>(images[0]), "jpeg");
    EXPECT_LT(std::filesystem::file_size(pdf), bytes.size() + 20000);
    const TRunResult render = RunCommand("pdftoppm -r 30 " + Quote(pdf) + " " + Quote(pdf + "-page") + " 2>&1");
    EXPECT_EQ(render.Output, "");
    pages[i] = ReadFile(pdf + "-page-1.ppm");
  }
  EXPECT_EQ(pages[1], pages[0]);
}

}  // namespace
}  // namespace orv
