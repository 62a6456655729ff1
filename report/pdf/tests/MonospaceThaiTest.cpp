// Thai in the Latin monospace faces of dot-matrix reports (Courier New, DejaVu Sans Mono,
// Liberation Mono) comes from a face whose vowel and tone marks combine with their letters: on
// the screen's canvas, on the printer's spool and in an exported PDF. A face that gives every
// mark a cell of its own (Tlwg Mono, Tlwg Typo) prints the marks beside their letters and splits
// every word of the PDF's text.
#include <gtest/gtest.h>

#include <regex>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/print/CanvasJob.h"
#include "platform/print/PrintJob.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

using namespace orv;
using namespace orv::testing;

namespace {

const char* const kFaces[] = {"Courier New", "DejaVu Sans Mono", "Liberation Mono"};
// Two letters, each with an upper vowel and a tone mark above it; and the two letters alone.
const std::string kMarked = "ที่นี่";
const std::string kBare = "ทน";

// The file's faces: none of those that give marks cells of their own, and (when the file holds
// its faces) a Thai one.
void ExpectNoSeparateMarkFaces(const std::string& file, bool faceNamed) {
  const std::string fonts = RunCommand("pdffonts " + Quote(file)).Output;
  EXPECT_EQ(fonts.find("TlwgMono"), std::string::npos) << fonts;
  EXPECT_EQ(fonts.find("TlwgTypo"), std::string::npos) << fonts;
  if (faceNamed) {
    EXPECT_NE(fonts.find("Tlwg"), std::string::npos) << "no Thai face at all\n" << fonts;
  }
}

}  // namespace

TEST(MonospaceThai, MarksCombineWithTheirLettersOnScreenOnPaperAndInPdf) {
  for (const char* tool : {"pdffonts", "pdftotext"})
    if (RunCommand(std::string("command -v ") + tool).Status != 0) GTEST_SKIP() << tool << " is not installed";
  EnsureGraphics();

  // The screen: the marks take no room, so the marked word is as wide as its two letters.
  for (const char* face : kFaces) {
    SCOPED_TRACE(face);
    TBitmap bitmap(10, 10);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Font().SetName(face);
    canvas.Font().SetSize(12);
    const int bare = canvas.TextWidth(kBare), marked = canvas.TextWidth(kMarked);
    ASSERT_GT(bare, 10);
    EXPECT_LE(marked, bare + 1) << "the marks take cells of their own";
  }

  // Paper: the printer's spool of the same words.
  const std::string spool = TempPath("monospace-thai-spool") + ".pdf";
  {
    TCanvas canvas;
    TCanvasJob job;
    String error;
    ASSERT_TRUE(job.Begin("monospace", spool, error)) << error;
    job.BeginPage(canvas, {210, 297, false, 0, 0});
    int y = 0;
    for (const char* face : kFaces) {
      canvas.Font().SetName(face);
      canvas.Font().SetSize(14);
      canvas.TextOut(0, y, kMarked);
      y += 200;
    }
    job.EndPage();
    ASSERT_TRUE(job.End("", TJobOptions{}, error)) << error;
  }
  ExpectNoSeparateMarkFaces(spool, true);

  // The PDF export of a report in those faces: the words come back whole from its text.
  auto report = NewReport(297, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 300);
  Extended top = 0;
  for (const char* face : kFaces) {
    auto* memo = Add<TkvxMemoView>(band, "M" + std::to_string(static_cast<int>(top)), 0, top, 600, 40);
    memo->Font()->Assign(ReportFont(face, 14).get());
    memo->SetText(Wide(kMarked + " " + face + " " + kMarked));
    top += 60;
  }
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  for (bool embedded : {true, false}) {
    SCOPED_TRACE(embedded ? "embedded" : "named");
    const std::string file = TempPath(embedded ? "monospace-thai-embedded" : "monospace-thai-named") + ".pdf";
    TkvxPDFExport pdf(nullptr);
    pdf.SetShowDialog(false);
    pdf.SetFileName(file);
    pdf.EmbeddedFonts = embedded;
    ASSERT_TRUE(report->PreviewPages->Export(&pdf));
    ExpectNoSeparateMarkFaces(file, embedded);
    const std::string text = ExtractText(file);
    for (const char* face : kFaces) {
      const std::string line = kMarked + " " + face + " " + kMarked;
      EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
  }
}
