// Thai text in the PDF as the preview shows it and as text readers read it: letter spacing goes
// between letters with their vowels and tone marks, so lines are as wide as the preview's and
// left, centred, justified and right-aligned paragraphs end where the preview ends them; every
// word reads whole in pdftotext's three modes, in the faces that place their marks apart from
// their letters too; and each embedded face carries its own name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "report/engine/Engine.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/Registries.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

constexpr double kDpi = 150;
constexpr double kScale = kDpi / 96;

const char16_t* const kParagraph =
    u"ข้าพเจ้าได้รับศีลล้างบาปที่วัดนักบุญยอแซฟ ที่นั่นมีพี่น้องสัตบุรุษมาร่วมพิธีมากมาย "
    u"ผู้ใหญ่และเด็กต่างได้รับพระพรอย่างทั่วถึง";

// Words of the paragraph and of the short memos, each of which the layout keeps on one line.
const std::vector<std::string> kWords = {"ข้าพเจ้า", "ได้รับ", "ศีล", "ล้าง", "บาป", "นักบุญ", "ที่นั่น",
                                         "พี่น้อง", "สัตบุรุษ", "ผู้ใหญ่", "ทั่วถึง", "หน้า", "ป้า", "น้ำ"};

struct TSpacedReport {
  std::unique_ptr<TkvxReport> Report;
  std::vector<TkvxMemoView*> Spaced;
};

TSpacedReport SpacedReport() {
  kvxRegisterModelClasses();
  TSpacedReport r{NewReport(297, 10), {}};
  auto* band = Add<TkvxReportTitle>(FirstPage(*r.Report), "Title", 0, 0, 700, 900);
  int top = 10;
  for (TkvxHAlign align : {haLeft, haCenter, haBlock, haRight}) {
    auto* memo = Add<TkvxMemoView>(band, "Spaced" + std::to_string(r.Spaced.size()), 20, top, 360, 130);
    memo->Font()->Assign(ReportFont("Tahoma", 14).get());
    memo->CharSpacing = 3;
    memo->HAlign = align;
    memo->SetText(kParagraph);
    r.Spaced.push_back(memo);
    top += 150;
  }
  // Short lines in the faces other fonts stand in as, whose marks their tables move about.
  int row = 0;
  for (const char* name : {"Tahoma", "Arial", "Angsana New", "Cordia New"}) {
    for (int size : {10, 12, 14}) {
      auto* memo = Add<TkvxMemoView>(band, "Short" + std::to_string(row), 400, 10 + row * 32, 320, 30);
      memo->Font()->Assign(ReportFont(name, size).get());
      memo->SetText(u"ที่นั่น หน้า 1 จาก 2 ได้รับ ป้า น้ำ");
      ++row;
    }
  }
  auto* footer = Add<TkvxPageFooter>(FirstPage(*r.Report), "Footer", 0, 1000, 700, 30);
  auto* number = Add<TkvxMemoView>(footer, "PageNumber", 400, 4, 300, 24);
  number->Font()->Assign(ReportFont("Tahoma", 10).get());
  number->HAlign = haRight;
  number->SetText(u"หน้า [Page#] จาก [TotalPages#]");
  return r;
}

// The dark columns of the picture within the rectangle (pixels of the picture), as its first
// and last; -1, -1 when it has none.
std::pair<int, int> InkColumns(const TPixmap& p, int left, int top, int right, int bottom) {
  int first = -1, last = -1;
  for (int x = std::max(0, left); x < std::min(p.Width, right); ++x)
    for (int y = std::max(0, top); y < std::min(p.Height, bottom); ++y)
      if (p.At(x, y, 0) + p.At(x, y, 1) + p.At(x, y, 2) < 3 * 128) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

// The preview's page as a P6 picture at kDpi.
TPixmap PreviewPicture(TkvxReport& report, const std::string& file) {
  const int w = static_cast<int>(794 * kScale), h = static_cast<int>(1123 * kScale);
  TBitmap bitmap(w, h);
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().FillRect(TRect{0, 0, w, h});
  report.PreviewPages->DrawPage(0, &bitmap.Canvas(), kScale, kScale, 0, 0);
  std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y) {
    const Byte* line = bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      ppm += static_cast<char>(line[x * 3 + 2]);
      ppm += static_cast<char>(line[x * 3 + 1]);
      ppm += static_cast<char>(line[x * 3]);
    }
  }
  std::ofstream(file, std::ios::binary) << ppm;
  return ReadPpm(file);
}

}  // namespace

TEST(PdfSamples, SpacedThaiEndsWhereThePreviewEndsItAndEveryWordReadsWhole) {
  TSpacedReport r = SpacedReport();
  ASSERT_TRUE(r.Report->PrepareReport()) << r.Report->Errors->Text();
  const std::string file = TempPath("spaced-thai") + ".pdf";
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  ASSERT_TRUE(r.Report->PreviewPages->Export(&pdf));

  for (const char* mode : {"", "-raw", "-layout"}) {
    SCOPED_TRACE(std::string("pdftotext ") + mode);
    const std::string text = Shell(std::string("pdftotext -enc UTF-8 ") + mode + " " + Quote(file) + " -");
    for (const std::string& word : kWords) EXPECT_NE(text.find(word), std::string::npos) << word << "\n" << text;
    // A mark read apart from its letter is read after a blank or at the start of a line.
    EXPECT_FALSE(std::regex_search(text, std::regex("(^|[ \n])(\xE0\xB8[\xB1\xB4-\xBA]|\xE0\xB9[\x87-\x8E])")))
        << text;
    EXPECT_NE(text.find("หน้า 1 จาก 1"), std::string::npos) << text;
  }

  // The paragraphs end where the preview ends them, line for line and whole: the PDF's lines
  // are as wide as the preview's.
  const std::string base = TempPath("spaced-thai-pdf");
  ASSERT_EQ(RunCommand("pdftoppm -r 150 -f 1 -l 1 -singlefile " + Quote(file) + " " + Quote(base)).Status, 0);
  const TPixmap printed = ReadPpm(base + ".ppm");
  const TPixmap shown = PreviewPicture(*r.Report, TempPath("spaced-thai-preview.ppm"));
  ASSERT_NEAR(printed.Width, shown.Width, 1);
  // Side by side where samples are asked for, to be looked at: the PDF left, the preview right.
  if (const char* folder = std::getenv("PDF_OUT"); folder && *folder) {
    const int w = std::min(printed.Width, shown.Width), h = std::min(printed.Height, shown.Height);
    std::string both = "P6\n" + std::to_string(2 * w) + " " + std::to_string(h) + "\n255\n";
    for (int y = 0; y < h; ++y) {
      both.append(printed.Rgb, static_cast<size_t>(y) * printed.Width * 3, static_cast<size_t>(w) * 3);
      both.append(shown.Rgb, static_cast<size_t>(y) * shown.Width * 3, static_cast<size_t>(w) * 3);
    }
    std::ofstream(std::string(folder) + "/spaced-thai-pdf-and-preview.ppm", std::ios::binary) << both;
    std::filesystem::copy_file(file, std::string(folder) + "/spaced-thai.pdf",
                               std::filesystem::copy_options::overwrite_existing);
  }
  const double margin = 10 * 96 / 25.4;
  for (TkvxMemoView* memo : r.Spaced) {
    SCOPED_TRACE(memo->Name());
    const int left = static_cast<int>((margin + memo->Left()) * kScale);
    const int right = static_cast<int>((margin + memo->Left() + memo->Width()) * kScale) + 1;
    const double lineStep = 14 * 96.0 / 72 * 1.3 * kScale;
    for (int line = 0; line < 4; ++line) {
      const int top = static_cast<int>((margin + memo->Top()) * kScale + line * lineStep);
      const int bottom = static_cast<int>(top + lineStep * 0.8);
      const auto [pdfFirst, pdfLast] = InkColumns(printed, left, top, right, bottom);
      const auto [screenFirst, screenLast] = InkColumns(shown, left, top, right, bottom);
      if (screenFirst < 0 && pdfFirst < 0) continue;
      // A pixel or two at this size on either side: the preview draws hinted at its own
      // resolution, and a line of 30 letters is a percent wider or narrower at most.
      EXPECT_NEAR(pdfFirst, screenFirst, 7) << "line " << line;
      EXPECT_NEAR(pdfLast, screenLast, 7) << "line " << line;
      EXPECT_LT(pdfLast, right) << "line " << line;
    }
  }

  // Each face under its own name: the stand-ins for Arial and Angsana New by theirs.
  const std::string fonts = Shell("pdffonts " + Quote(file));
  for (const char* name : {"Tahoma", "Arial", "Angsana New", "Cordia New"})
    EXPECT_TRUE(std::regex_search(fonts, std::regex("[A-Z]{6}\\+" + FaceName(name) + " +CID TrueType"))) << fonts;
  EXPECT_EQ(fonts.find("Arial"), std::string::npos) << fonts;
  EXPECT_NE(FaceName("Arial"), "Arial");
}

}  // namespace orv
