// Jobs as they reach the capture backend: canvas pages spooled as PDF with each page's paper and
// the job's options, raw data byte for byte, and pages printed to a file.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "platform/gui/Canvas.h"
#include "platform/gui/PdfWriterCanvas.h"
#include "platform/print/CanvasJob.h"
#include "platform/print/PrintJob.h"
#include "platform/print/SpoolTextLayer.h"
#include "platform/print/tests/CupsTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

void DrawLabel(TCanvas& canvas, const String& text) {
  canvas.Font().SetName("Arial");
  canvas.Font().SetSize(12);
  canvas.TextOut(0, 0, text);
}

TEST(CanvasJob, PagesOfChangingPaperArriveWithTheJobOptions) {
  EnsureGraphics();
  TCupsServer server = UseTestServerNow();
  TCanvas canvas;
  TCanvasJob job;
  String error;
  ASSERT_TRUE(job.Begin("Register", "", error)) << error;
  job.BeginPage(canvas, {210, 297, false, 10, 20});
  DrawLabel(canvas, "first page");
  job.EndPage();
  // A5 turned: wider than high.
  job.BeginPage(canvas, {210, 148, true, 0, 0});
  DrawLabel(canvas, "second page");
  job.EndPage();
  job.BeginPage(canvas, {215.9, 279.4, false, 0, 0});
  DrawLabel(canvas, "third page");
  job.EndPage();

  TJobOptions options;
  options.Title = "Register";
  options.Media = "iso_a5_148x210mm";
  options.MediaSource = "tray-2";
  options.Sides = jsTwoSidedLongEdge;
  options.Copies = 2;
  options.Collate = false;
  options.Landscape = true;
  ASSERT_TRUE(job.End("PdfQ", options, error)) << error;
  ASSERT_GT(job.JobId(), 0);

  TCapturedJob captured = WaitForJob(server, job.JobId());
  ASSERT_TRUE(captured.Arrived);
  EXPECT_EQ(ArgValue(captured, "copies"), "2");
  EXPECT_EQ(ArgValue(captured, "title"), "Register");
  auto o = JobOptions(captured);
  EXPECT_EQ(o["media"], "iso_a5_148x210mm");
  EXPECT_EQ(o["PageSize"], "A5");
  EXPECT_EQ(o["media-source"], "tray-2");
  EXPECT_EQ(o["sides"], "two-sided-long-edge");
  EXPECT_EQ(o["Duplex"], "DuplexNoTumble");
  EXPECT_EQ(o["orientation-requested"], "4");
  // A false boolean option travels as its name with "no" before it.
  EXPECT_EQ(o.count("nocollate"), 1u);
  EXPECT_NE(captured.Env.find("CONTENT_TYPE=application/pdf"), std::string::npos);

  ASSERT_TRUE(QpdfAccepts(captured.DocumentPath));
  // A4, A5 landscape and Letter in points.
  EXPECT_EQ(PdfPageSizes(captured.DocumentPath),
            (std::vector<std::string>{"595x842", "595x420", "612x792"}));
  EXPECT_NE(PdfText(captured.DocumentPath, 1).find("first page"), std::string::npos);
  EXPECT_NE(PdfText(captured.DocumentPath, 2).find("second page"), std::string::npos);
  EXPECT_NE(PdfText(captured.DocumentPath, 3).find("third page"), std::string::npos);

  // The canvas origin is the corner of the printable area: text at (0, 0) of the first page
  // begins 10 mm (28.3 pt) from the left edge and 20 mm (56.7 pt) from the top.
  std::string box = testing::Run("pdftotext -bbox -f 1 -l 1 '" + captured.DocumentPath + "' -");
  double xMin = 0, yMin = 0;
  size_t at = box.find("<word xMin=\"");
  ASSERT_NE(at, std::string::npos) << box;
  std::sscanf(box.c_str() + at, "<word xMin=\"%lf\" yMin=\"%lf\"", &xMin, &yMin);
  EXPECT_NEAR(xMin, 28.3, 2.0);
  EXPECT_NEAR(yMin, 56.7, 4.0);
}

TEST(CanvasJob, ThaiTextPrintsAndCanBeReadBack) {
  EnsureGraphics();
  TCupsServer server = UseTestServerNow();
  TCanvas canvas;
  TCanvasJob job;
  String error;
  ASSERT_TRUE(job.Begin("", "", error)) << error;
  job.BeginPage(canvas, {210, 297, false, 5, 5});
  canvas.Font().SetName("Tahoma");
  canvas.Font().SetSize(14);
  // The font follows the spool's resolution, keeping its point size.
  EXPECT_EQ(canvas.Font().PixelsPerInch(), 600);
  canvas.TextOut(0, 0, String("ทะเบียนสัตบุรุษ"));
  job.EndPage();
  ASSERT_TRUE(job.End("PdfQ", TJobOptions{}, error)) << error;
  TCapturedJob captured = WaitForJob(server, job.JobId());
  ASSERT_TRUE(captured.Arrived);
  EXPECT_NE(PdfText(captured.DocumentPath, 1).find("ทะเบียนสัตบุรุษ"), std::string::npos);
  auto o = JobOptions(captured);
  EXPECT_EQ(ArgValue(captured, "copies"), "1");
  EXPECT_EQ(o["orientation-requested"], "3");
  EXPECT_EQ(o.count("media-source"), 0u);
}

// Words whose tone marks and thanthakhat the Thai fonts draw in their lowered forms.
const char* const kMarkedWords[] = {"ที่อยู่", "โทรศัพท์", "บุญมา", "หมู่", "คู่สมรส",
                                    "ปู่ย่า",   "น้ำ",     "ทำ",    "ฐาน", "ญาติ"};

// The words are Thai and Latin: no character lies outside the basic plane.
WideString Wide(const char* utf8) {
  WideString out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p;) {
    if (*p < 0x80) {
      out += static_cast<char16_t>(*p++);
    } else if (*p < 0xE0) {
      out += static_cast<char16_t>((p[0] & 0x1F) << 6 | (p[1] & 0x3F));
      p += 2;
    } else {
      out += static_cast<char16_t>((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
      p += 3;
    }
  }
  return out;
}

// The word twice on the line at y: as one run, and cluster by cluster at the advances measured,
// as memos place their text.
void DrawTwice(TCanvas& canvas, const char* word, int y) {
  canvas.TextOut(100, y, String(word));
  WideString wide = Wide(word);
  TTextClusters clusters = canvas.TextExtentEx(wide);
  std::vector<int> advances;
  for (size_t i = 0; i < clusters.Extents.size(); ++i)
    advances.push_back(clusters.Extents[i] - (i ? clusters.Extents[i - 1] : 0));
  canvas.TextOutEx(2000, y, wide, advances);
}

void DrawMarkedWords(TCanvas& canvas) {
  canvas.Font().SetName("Tahoma");
  canvas.Font().SetSize(14);
  int y = 100;
  for (const char* word : kMarkedWords) {
    DrawTwice(canvas, word, y);
    y += 300;
  }
}

int Count(const std::string& text, const std::string& word) {
  int n = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

// The text pdftotext reads from the job of one A4 page that draw fills, as the printer gets it;
// empty when the job did not arrive whole.
std::string JobText(const String& title, const std::function<void(TCanvas&)>& draw) {
  EnsureGraphics();
  TCupsServer server = UseTestServerNow();
  TCanvas canvas;
  TCanvasJob job;
  String error;
  if (!job.Begin(title, "", error)) return "Begin: " + error;
  job.BeginPage(canvas, {210, 297, false, 10, 10});
  draw(canvas);
  job.EndPage();
  if (!job.End("PdfQ", TJobOptions{}, error)) return "End: " + error;
  TCapturedJob captured = WaitForJob(server, job.JobId());
  if (!captured.Arrived || !QpdfAccepts(captured.DocumentPath)) return "no whole job arrived";
  return testing::Run("pdftotext -raw '" + captured.DocumentPath + "' -");
}

TEST(CanvasJob, ThaiMarksReadWholeInTheJob) {
  std::string text = JobText("marks", DrawMarkedWords);
  for (const char* word : kMarkedWords) EXPECT_EQ(Count(text, word), 2) << word << " in\n" << text;
}

TEST(CanvasJob, BothStoredOrdersOfAToneOverSaraAmReadAsWritten) {
  // NIKHAHIT, tone, SARA AA and tone, SARA AM draw the same glyphs; each reads as it was stored,
  // in any order on the page, in the fonts the register prints with.
  const char* const words[] = {"นํ้าใส", "น้ำใจ", "ทํ่าน้ำ", "ค้ำนํ้า", "นำ", "กํ้าเก้า"};
  std::string text = JobText("sara am as written", [&](TCanvas& canvas) {
    int y = 100;
    for (const char* font : {"Tahoma", "Laksaman"}) {
      canvas.Font().SetName(font);
      canvas.Font().SetSize(14);
      for (const char* word : words) {
        DrawTwice(canvas, word, y);
        y += 300;
      }
    }
  });
  for (const char* word : words) EXPECT_EQ(Count(text, word), 4) << word << " in\n" << text;
}

TEST(SpoolTextLayer, MendsTheTextAndLeavesThePixels) {
  EnsureGraphics();
  std::string plain = TempPath("marks-plain.pdf");
  {
    TPdfWriterCanvas writer(plain, 595.276, 841.89, TCanvasJob::kResolution);
    DrawMarkedWords(writer.Canvas());
    writer.Finish();
  }
  std::string mended = TempPath("marks-mended.pdf");
  std::filesystem::copy_file(plain, mended, std::filesystem::copy_options::overwrite_existing);
  ASSERT_TRUE(MendSpoolTextLayer(mended));
  ASSERT_TRUE(QpdfAccepts(mended));
  // The update is appended: the file as the writer left it still opens.
  EXPECT_GT(std::filesystem::file_size(mended), std::filesystem::file_size(plain));
  // Qt's writer names the lowered marks by private codes; the mended file by the marks.
  std::string before = testing::Run("pdftotext -raw '" + plain + "' -");
  std::string after = testing::Run("pdftotext -raw '" + mended + "' -");
  EXPECT_EQ(Count(before, "ที่อยู่"), 0) << before;
  for (const char* word : kMarkedWords) EXPECT_EQ(Count(after, word), 2) << word << " in\n" << after;
  // Drawn the same, pixel for pixel.
  testing::Run("pdftoppm -r 150 -gray '" + plain + "' '" + TempPath("marks-plain") + "'");
  testing::Run("pdftoppm -r 150 -gray '" + mended + "' '" + TempPath("marks-mended") + "'");
  std::string a = ReadFile(TempPath("marks-plain-1.pgm")), b = ReadFile(TempPath("marks-mended-1.pgm"));
  EXPECT_FALSE(a.empty());
  EXPECT_TRUE(a == b);

  EXPECT_EQ(ThaiPresentationBase(0xF70A), 0x0E48u);
  EXPECT_EQ(ThaiPresentationBase(0xF70E), 0x0E4Cu);
  EXPECT_EQ(ThaiPresentationBase(0xF71A), 0x0E3Au);
  EXPECT_EQ(ThaiPresentationBase(0xF71B), 0xF71Bu);
  EXPECT_EQ(ThaiPresentationBase(0x0E48), 0x0E48u);
  EXPECT_FALSE(MendSpoolTextLayer(TempPath("no-such-file.pdf")));
}

// Words the fonts draw with a ligature glyph for "ff", "fi", "fl", "ffi" or "ffl", in the
// Thai font the reports use for Latin text too and in the Latin one.
const char* const kLigatureWords[] = {"Coffee", "office", "affluent", "waffle", "fifty", "flow"};

TEST(CanvasJob, LigaturesReadAsTheirLettersInTheJob) {
  std::string text = JobText("ligatures", [](TCanvas& canvas) {
    int y = 100;
    for (const char* font : {"Tahoma", "Arial"}) {
      canvas.Font().SetName(font);
      canvas.Font().SetSize(14);
      for (const char* word : kLigatureWords) {
        canvas.TextOut(100, y, String(word));
        y += 300;
      }
    }
  });
  for (const char* word : kLigatureWords) EXPECT_EQ(Count(text, word), 2) << word << " in\n" << text;
  // No presentation form of a ligature (U+FB00-U+FB06) is left in the text.
  EXPECT_EQ(text.find("\xEF\xAC"), std::string::npos) << text;
}

TEST(CanvasJob, FailuresAreReturnedAndNothingIsSent) {
  EnsureGraphics();
  UseTestServerNow();
  TCanvas canvas;
  String error;
  {
    TCanvasJob job;
    ASSERT_TRUE(job.Begin("t", "", error));
    EXPECT_FALSE(job.End("PdfQ", TJobOptions{}, error)) << "a job without pages";
    EXPECT_FALSE(error.empty());
  }
  {
    TCanvasJob job;
    error.clear();
    ASSERT_TRUE(job.Begin("t", "", error));
    job.BeginPage(canvas, {});
    job.EndPage();
    EXPECT_FALSE(job.End("NoSuchQueue", TJobOptions{}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(job.Printing());
  }
  {
    // Aborted after a page: the canvas is free again and the job can start anew.
    TCanvasJob job;
    ASSERT_TRUE(job.Begin("t", "", error));
    job.BeginPage(canvas, {});
    job.Abort();
    EXPECT_FALSE(job.Printing());
    EXPECT_FALSE(canvas.CanDraw());
    EXPECT_THROW(job.BeginPage(canvas, {}), EInvalidOperation);
  }
}

TEST(CanvasJob, PrintToFileReplacesTheOldFileOnlyWhenWhole) {
  EnsureGraphics();
  std::string target = TempPath("to-file.pdf");
  {
    std::ofstream old(target, std::ios::binary);
    old << "old contents";
  }
  TCanvas canvas;
  String error;
  {
    TCanvasJob job;
    ASSERT_TRUE(job.Begin("t", target, error)) << error;
    job.BeginPage(canvas, {148, 210, false, 0, 0});
    DrawLabel(canvas, "to a file");
    job.EndPage();
    // Until the job ends the old file stands.
    EXPECT_EQ(ReadFile(target), "old contents");
    ASSERT_TRUE(job.End("", TJobOptions{}, error)) << error;
    EXPECT_EQ(job.JobId(), 0);
  }
  ASSERT_TRUE(QpdfAccepts(target));
  EXPECT_EQ(PdfPageSizes(target), (std::vector<std::string>{"420x595"}));
  EXPECT_NE(PdfText(target, 1).find("to a file"), std::string::npos);

  std::string pdf = ReadFile(target);
  {
    // Aborted: the earlier file stays as it was and no spool file is left beside it.
    TCanvasJob job;
    ASSERT_TRUE(job.Begin("t", target, error));
    job.BeginPage(canvas, {});
    job.Abort();
  }
  EXPECT_EQ(ReadFile(target), pdf);
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(std::filesystem::path(target).parent_path()))
    files += e.path().filename().string().rfind("orvane-print-", 0) == 0;
  EXPECT_EQ(files, 0);

  TCanvasJob job;
  EXPECT_FALSE(job.Begin("t", "/nonexistent-folder/out.pdf", error));
  EXPECT_FALSE(error.empty());
}

TEST(RawJob, ArrivesByteForByte) {
  TCupsServer server = UseTestServerNow();
  std::string data;
  for (int i = 0; i < 256; ++i) data += static_cast<char>(i);
  data += "\x1b@\x1b" "E Certificate\r\n\x0c";
  std::string big(200000, 'x');
  TJobOptions options;
  options.Title = "Dot matrix";
  TPrintJob job;
  String error;
  ASSERT_TRUE(job.Start("RawQ", options, dfRaw, error)) << error;
  ASSERT_TRUE(job.Write(data.data(), data.size(), error)) << error;
  ASSERT_TRUE(job.Write(big.data(), big.size(), error)) << error;
  ASSERT_TRUE(job.Finish(error)) << error;
  TCapturedJob captured = WaitForJob(server, job.JobId());
  ASSERT_TRUE(captured.Arrived);
  EXPECT_TRUE(captured.Document == data + big) << captured.Document.size() << " bytes arrived";
  EXPECT_EQ(ArgValue(captured, "title"), "Dot matrix");
  EXPECT_NE(captured.Env.find("CONTENT_TYPE=application/vnd.cups-raw"), std::string::npos);

  EXPECT_FALSE(job.Write("x", 1, error)) << "writing after the end";
}

}  // namespace
}  // namespace orv
