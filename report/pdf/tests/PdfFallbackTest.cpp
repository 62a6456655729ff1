// Names in letters the report font lacks (a Chinese name, Vietnamese with its stacked accents)
// print from a face that has them: in the exported PDF, embedded and searchable, and on the
// preview's canvas. Each word's ink is held against the same word drawn by pango-view.
#include <gtest/gtest.h>

#include <regex>

#include "platform/fonts/FontFace.h"
#include "platform/gui/Bitmap.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

using namespace orv;
using namespace orv::testing;

namespace {

const std::vector<std::string> kWords = {"สมชาย", "陳美玲", "Nguyễn", "Thị", "Hương", "Đặng"};
constexpr int kPoints = 20;
constexpr int kDpi = 150;

bool Dark(const TPixmap& p, int x, int y) { return p.At(x, y, 0) + p.At(x, y, 1) + p.At(x, y, 2) < 3 * 128; }

struct TInk {
  int Pixels = 0;
  int Width = 0;
};

// Dark pixels inside a box of the picture and the width they span.
TInk InkIn(const TPixmap& p, int left, int top, int right, int bottom) {
  TInk ink;
  int first = right, last = left - 1;
  for (int y = std::max(top, 0); y < std::min(bottom, p.Height); ++y)
    for (int x = std::max(left, 0); x < std::min(right, p.Width); ++x)
      if (Dark(p, x, y)) {
        ++ink.Pixels;
        first = std::min(first, x);
        last = std::max(last, x);
      }
  ink.Width = std::max(0, last - first + 1);
  return ink;
}

// The face "Tahoma" stands for in the reports: a Thai face with Latin letters, but neither
// Chinese nor the letters of Vietnamese.
std::shared_ptr<TFontFace> ReportFace() { return TFontFace::Find("Tahoma", false, false, DEFAULT_CHARSET); }

// The word as pango-view draws it in the same face and size at the same resolution.
TInk PangoInk(const std::string& word) {
  const std::string base = TempPath("pango");
  TRunResult run = RunCommand("pango-view --font='" + ReportFace()->FamilyName() + " " + std::to_string(kPoints) + "' --dpi=" +
                              std::to_string(kDpi) + " --margin=0 -q -o " + Quote(base + ".png") + " --text " +
                              Quote(word) + " && convert " + Quote(base + ".png") + " " + Quote(base + ".ppm"));
  EXPECT_EQ(run.Status, 0) << run.Output;
  TPixmap p = ReadPpm(base + ".ppm");
  return InkIn(p, 0, 0, p.Width, p.Height);
}

// The same glyphs give about the same ink; a blank or a hollow box for a missing letter does not.
void ExpectSameInk(const TInk& ours, const TInk& pango, const std::string& word, const char* where) {
  SCOPED_TRACE(std::string(where) + " " + word);
  ASSERT_GT(pango.Pixels, 50);
  EXPECT_GT(ours.Pixels, pango.Pixels * 0.55);
  EXPECT_LT(ours.Pixels, pango.Pixels * 1.8);
  EXPECT_NEAR(ours.Width, pango.Width, pango.Width * 0.35 + 3);
}

}  // namespace

TEST(PdfExport, LettersTheReportFontLacksPrintFromAFaceThatHasThem) {
  for (const char* tool : {"pango-view", "convert", "pdftoppm", "qpdf"})
    if (RunCommand(std::string("command -v ") + tool).Status != 0) GTEST_SKIP() << tool << " is not installed";
  EnsureGraphics();
  // The letters must be ones the report font really lacks.
  auto face = ReportFace();
  for (char32_t c : {U'陳', U'ễ', U'ị', U'ư', U'Đ'}) ASSERT_FALSE(face->HasCharacter(c)) << static_cast<int>(c);

  auto report = NewReport(297, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 600);
  std::vector<TkvxMemoView*> memos;
  auto memo = [&](Extended top, const std::string& text) {
    auto* m = Add<TkvxMemoView>(band, "M" + std::to_string(memos.size()), 20, top, 600, 50);
    m->Font()->Assign(ReportFont("Tahoma", kPoints).get());
    m->SetText(Wide(text));
    memos.push_back(m);
  };
  for (size_t i = 0; i < kWords.size(); ++i) memo(10 + 60 * static_cast<double>(i), kWords[i]);
  const std::string line = "ทะเบียน 陳美玲 Nguyễn Thị Hương ที่อยู่";
  memo(400, line);
  // The boxes of the memos, which the run replaces with its own objects.
  std::vector<TRect> boxes;
  for (TkvxMemoView* m : memos)
    boxes.push_back({static_cast<int>(m->Left()), static_cast<int>(m->Top()), static_cast<int>(m->Left() + m->Width()),
                     static_cast<int>(m->Top() + m->Height())});
  const double scale = kDpi / 96.0, margin = 10 / 25.4 * kDpi;

  // The preview's drawing of the same memos at the same resolution.
  for (size_t i = 0; i < kWords.size(); ++i) {
    TkvxMemoView& mv = *memos[i];
    const int w = static_cast<int>(mv.Width() * scale) + 4, h = static_cast<int>(mv.Height() * scale) + 4;
    TBitmap bitmap(w, h);
    bitmap.Canvas().Brush().SetColor(clWhite);
    bitmap.Canvas().FillRect({0, 0, w, h});
    mv.Draw(&bitmap.Canvas(), scale, scale, -mv.Left() * scale, -mv.Top() * scale);
    TPixmap drawn;
    drawn.Width = w;
    drawn.Height = h;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        TColor c = bitmap.Canvas().Pixels(x, y);
        drawn.Rgb += static_cast<char>(c & 0xFF);
        drawn.Rgb += static_cast<char>((c >> 8) & 0xFF);
        drawn.Rgb += static_cast<char>((c >> 16) & 0xFF);
      }
    ExpectSameInk(InkIn(drawn, 0, 0, w, h), PangoInk(kWords[i]), kWords[i], "canvas");
  }

  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();

  const std::string file = TempPath("fallback") + ".pdf";
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  TRunResult check = RunCommand("qpdf --check " + Quote(file));
  EXPECT_EQ(check.Status, 0) << check.Output;
  // Every font embedded as a subset, the report's own and at least one other for the letters
  // it lacks.
  const std::string fonts = RunCommand("pdffonts " + Quote(file)).Output;
  const std::regex subset("\n([A-Z]{6}\\+[^ ]+) +CID TrueType +Identity-H +yes +yes +yes");
  int embedded = 0, others = 0;
  for (auto it = std::sregex_iterator(fonts.begin(), fonts.end(), subset); it != std::sregex_iterator(); ++it) {
    ++embedded;
    if ((*it)[1].str().find("Tahoma") == std::string::npos) ++others;
  }
  EXPECT_GE(embedded, 2) << fonts;
  EXPECT_GE(others, 1) << fonts;
  EXPECT_FALSE(std::regex_search(fonts, std::regex(" no +(yes|no) +(yes|no) +[0-9]+ +[0-9]+\n"))) << fonts;
  // The text layer gives every word back.
  const std::string text = ExtractText(file);
  for (const std::string& word : kWords) EXPECT_NE(text.find(word), std::string::npos) << word << "\n" << text;
  EXPECT_NE(Letters(text).find(Letters(line)), std::string::npos) << text;

  // Each word's ink on the page, in its memo's box 10 mm in from the page's corner.
  const std::string base = TempPath("fallback-page");
  ASSERT_EQ(RunCommand("pdftoppm -r " + std::to_string(kDpi) + " -f 1 -l 1 -singlefile " + Quote(file) + " " +
                       Quote(base)).Status, 0);
  const TPixmap page = ReadPpm(base + ".ppm");
  for (size_t i = 0; i < kWords.size(); ++i) {
    const TRect& b = boxes[i];
    ExpectSameInk(InkIn(page, static_cast<int>(margin + b.Left * scale), static_cast<int>(margin + b.Top * scale),
                        static_cast<int>(margin + b.Right * scale), static_cast<int>(margin + b.Bottom * scale)),
                  PangoInk(kWords[i]), kWords[i], "PDF");
  }

}
