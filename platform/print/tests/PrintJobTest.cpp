// Jobs as they reach the capture backend: canvas pages spooled as PDF with each page's paper and
// the job's options, raw data byte for byte, and pages printed to a file.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/gui/Canvas.h"
#include "platform/print/CanvasJob.h"
#include "platform/print/PrintJob.h"
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
