// Prepared reports exported through the PDF filter: what poppler and qpdf read back of the
// views, the pages chosen and their bookmarks, and what a failed write leaves behind.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Picture.h"
#include "report/engine/Engine.h"
#include "report/model/Bands.h"
#include "report/model/DataSets.h"
#include "report/model/LineView.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/Registries.h"
#include "report/model/PictureView.h"
#include "report/model/Report.h"
#include "report/model/ShapeView.h"
#include "report/pdf/PdfBufferedStream.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

std::string SampleFolder() {
  const char* folder = std::getenv("PDF_OUT");
  if (!folder || !*folder) folder = std::getenv("PDF_OUT_DEFAULT");
  std::string path = folder && *folder ? folder : TempPath("samples");
  std::filesystem::create_directories(path);
  return path;
}

void WriteFile(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// One title band on an A4 page with 10 mm margins: a red rectangle, a blue rule, a green picture,
// a yellow ellipse and a lime rectangle that is not printable.
std::unique_ptr<TkvxReport> ViewsReport() {
  auto report = NewReport(297, 10);
  report->ReportOptions()->Name = "ทะเบียนสมาชิก";
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 300);
  auto* box = Add<TkvxShapeView>(band, "Box", 20, 20, 100, 50);
  box->SetColor(clRed);
  Add<TkvxLineView>(band, "Rule", 20, 100, 200, 0)->Frame()->SetColor(clBlue);
  static_cast<TkvxView*>(band->Objects().back())->Frame()->SetWidth(3);
  auto* picture = Add<TkvxPictureView>(band, "Seal", 300, 20, 64, 64);
  TBitmap green(32, 32);
  green.Canvas().Brush().SetColor(clLime);
  green.Canvas().FillRect(TRect{0, 0, 32, 32});
  picture->Picture()->SetGraphic(&green);
  auto* ellipse = Add<TkvxShapeView>(band, "Oval", 20, 150, 100, 60);
  ellipse->Shape = skEllipse;
  ellipse->SetColor(clYellow);
  auto* hidden = Add<TkvxShapeView>(band, "Hidden", 200, 150, 100, 60);
  hidden->SetColor(clFuchsia);
  hidden->SetPrintable(false);
  EXPECT_TRUE(report->PrepareReport()) << report->Errors->Text();
  return report;
}

std::string CheckReadable(const std::string& file) {
  TRunResult check = RunCommand("qpdf --check " + Quote(file));
  EXPECT_EQ(check.Status, 0) << check.Output;
  // No font the pages name is left out of the file.
  TRunResult fonts = RunCommand("pdffonts " + Quote(file));
  EXPECT_EQ(fonts.Status, 0) << fonts.Output;
  EXPECT_FALSE(std::regex_search(fonts.Output, std::regex(" no +(yes|no) +(yes|no) +[0-9]+ +[0-9]+\n")))
      << fonts.Output;
  return Shell("pdfinfo " + Quote(file));
}

TPixmap Render(const std::string& file) {
  std::string base = TempPath(std::filesystem::path(file).stem().string());
  EXPECT_EQ(RunCommand("pdftoppm -r 96 -f 1 -l 1 -singlefile " + Quote(file) + " " + Quote(base)).Status, 0);
  return ReadPpm(base + ".ppm");
}

// Colour of the pixel as r, g, b over 255, each rounded to its nearest of 0 and 255.
std::string Tone(const TPixmap& p, double x, double y) {
  std::string tone;
  for (int c = 0; c < 3; ++c) tone += p.At(static_cast<int>(x), static_cast<int>(y), c) > 127 ? '1' : '0';
  return tone;
}

TEST(PdfSamples, ExportedViewsLandWhereTheyArePlaced) {
  auto report = ViewsReport();
  std::string file = SampleFolder() + "/export-views.pdf";
  WriteFile(SampleFolder() + "/export-views.txt", "");
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_EQ(report->Errors->Count(), 0) << report->Errors->Text();
  std::string info = CheckReadable(file);
  EXPECT_TRUE(std::regex_search(info, std::regex("Title: +ทะเบียนสมาชิก\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +1\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +595\\.2. x 841\\.8. pts"))) << info;

  // The margin is 10 mm, 37.8 pixels at 96 per inch.
  const double m = 37.8;
  TPixmap page = Render(file);
  EXPECT_EQ(Tone(page, m + 70, m + 45), "100");   // inside the red rectangle
  EXPECT_EQ(Tone(page, m + 120, m + 101), "001");  // on the blue rule, 3 pixels wide
  EXPECT_EQ(Tone(page, m + 332, m + 52), "010");  // the green picture's middle
  EXPECT_EQ(Tone(page, m + 70, m + 180), "110");  // the yellow ellipse's middle
  EXPECT_EQ(Tone(page, m + 22, m + 152), "111");  // outside the ellipse, inside its box
  EXPECT_EQ(Tone(page, m + 250, m + 180), "111");  // the view that is not printable

  pdf.SetExportNotPrintable(true);
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_EQ(Tone(Render(file), m + 250, m + 180), "101");
}

// Thai with tone marks over upper vowels, and a paragraph of Thai and Latin too long for its
// memo, in memos aligned left, centred, right and justified, one of them with tags.
std::unique_ptr<TkvxReport> MemoReport() {
  auto report = NewReport(297, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 600);
  auto memo = [&](const String& name, Extended top, Extended width, Extended height, const char16_t* text,
                  TkvxHAlign align) {
    auto* m = Add<TkvxMemoView>(band, name, 20, top, width, height);
    m->Font()->Assign(ReportFont("Tahoma", 14).get());
    m->SetText(text);
    m->HAlign = align;
    return m;
  };
  memo("Tones", 20, 500, 30, u"น้ำใจ ผู้ใหญ่บ้าน กิ่งไม้ ปั้นหม้อ", haLeft);
  auto* framed = memo("Paragraph", 70, 260, 200,
                      u"ศีลล้างบาปของ Maria Somchai Saelee ที่วัดนักบุญยอแซฟ St. Joseph Church "
                      u"เมื่อวันที่ ๑๒ มีนาคม ๒๕๖๙ โดยคุณพ่อ John Prasert",
                      haBlock);
  framed->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
  framed->Frame()->SetColor(clBlue);
  framed->SetColor(clYellow);
  memo("Centred", 300, 500, 30, u"ใบรับรองศีลล้างบาป", haCenter);
  memo("Right", 350, 500, 30, u"ลงชื่อ ผู้รับรอง", haRight);
  auto* tagged = memo("Tagged", 400, 500, 30, u"<b>ตัวหนา</b> และ <u>ขีดเส้นใต้</u>", haLeft);
  tagged->AllowHTMLTags = true;
  auto* turned = memo("Turned", 20, 40, 250, u"แนวตั้ง ขึ้นบน", haLeft);
  turned->SetLeft(600);
  turned->SetRotation(90);
  turned->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
  auto* ruled = memo("Ruled", 450, 300, 80, u"เส้นบรรทัด", haLeft);
  ruled->Underlines = true;
  EXPECT_TRUE(report->PrepareReport()) << report->Errors->Text();
  return report;
}

// Left and right ends of the dark ink in a band of rows of the rendered page, left of the
// turned memo.
std::pair<int, int> InkSpan(const TPixmap& p, int top, int bottom) {
  int left = p.Width, right = -1;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < 620; ++x)
      if (p.At(x, y, 0) < 100 && p.At(x, y, 2) < 100) left = std::min(left, x), right = std::max(right, x);
  return {left, right};
}

TEST(PdfSamples, ExportedMemosGiveBackTheirThaiTextInTheirFonts) {
  auto report = MemoReport();
  const std::string folder = SampleFolder();
  const std::string file = folder + "/export-memos.pdf";
  const std::string expected =
      "น้ำใจ ผู้ใหญ่บ้าน กิ่งไม้ ปั้นหม้อ\n"
      "ศีลล้างบาปของ Maria Somchai Saelee ที่วัดนักบุญยอแซฟ St. Joseph Church "
      "เมื่อวันที่ ๑๒ มีนาคม ๒๕๖๙ โดยคุณพ่อ John Prasert\n"
      "ใบรับรองศีลล้างบาป\nลงชื่อ ผู้รับรอง\nตัวหนา และ ขีดเส้นใต้\nแนวตั้ง ขึ้นบน\nเส้นบรรทัด\n";
  WriteFile(folder + "/export-memos.txt", expected);
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_EQ(report->Errors->Count(), 0) << report->Errors->Text();
  CheckReadable(file);

  // Real text in embedded fonts, bold for the tagged word: no memo went out as a picture.
  TRunResult fonts = RunCommand("pdffonts " + Quote(file));
  EXPECT_TRUE(std::regex_search(fonts.Output,
                                std::regex("\\+" + FaceName("Tahoma") + " +CID TrueType +Identity-H +yes +yes +yes")))
      << fonts.Output;
  EXPECT_TRUE(std::regex_search(fonts.Output,
                                std::regex("\\+" + FaceName("Tahoma", {fsBold}) + " [^\n]*Identity-H +yes +yes +yes")))
      << fonts.Output;
  EXPECT_EQ(Shell("pdfimages -list " + Quote(file) + " | tail -n +3"), "");

  const std::string text = ExtractText(file);
  EXPECT_EQ(Letters(text), Letters(expected));
  // Every short memo is one line as written; the paragraph wraps onto lines of its own, each
  // no wider than its memo, so nothing runs into the short memos' lines.
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line != "\f") lines.push_back(line);
  ASSERT_GE(lines.size(), 8u) << text;
  EXPECT_EQ(lines.front(), "น้ำใจ ผู้ใหญ่บ้าน กิ่งไม้ ปั้นหม้อ");
  const std::vector<std::string> last(lines.end() - 5, lines.end());
  EXPECT_EQ(last, (std::vector<std::string>{"ใบรับรองศีลล้างบาป", "ลงชื่อ ผู้รับรอง", "ตัวหนา และ ขีดเส้นใต้",
                                            "แนวตั้ง ขึ้นบน", "เส้นบรรทัด"}));
  std::string paragraph;
  for (size_t i = 1; i + 5 < lines.size(); ++i) paragraph += lines[i] + " ";
  EXPECT_EQ(paragraph,
            "ศีลล้างบาปของ Maria Somchai Saelee ที่วัดนักบุญยอแซฟ St. Joseph Church "
            "เมื่อวันที่ ๑๒ มีนาคม ๒๕๖๙ โดยคุณพ่อ John Prasert ");

  // Where the text lands, 10 mm margin (37.8 pixels) in: left-aligned text starts at the gap,
  // centred text about the memo's middle, right-aligned text ends at the memo's right.
  const double m = 37.8;
  TPixmap page = Render(file);
  auto [toneLeft, toneRight] = InkSpan(page, static_cast<int>(m + 20), static_cast<int>(m + 50));
  EXPECT_NEAR(toneLeft, m + 22, 3);
  EXPECT_LT(toneRight, m + 520);
  auto [centreLeft, centreRight] = InkSpan(page, static_cast<int>(m + 300), static_cast<int>(m + 330));
  EXPECT_NEAR((centreLeft + centreRight) / 2.0, m + 270, 4);
  auto [rightLeft, rightRight] = InkSpan(page, static_cast<int>(m + 350), static_cast<int>(m + 380));
  EXPECT_NEAR(rightRight, m + 518, 4);
  EXPECT_GT(rightLeft, m + 300);
  // The paragraph's fill and frame, and its justified lines reaching its right side.
  EXPECT_EQ(Tone(page, m + 25, m + 265), "110");
  EXPECT_EQ(Tone(page, m + 20, m + 150), "001");
  auto [paraLeft, paraRight] = InkSpan(page, static_cast<int>(m + 72), static_cast<int>(m + 100));
  EXPECT_NEAR(paraLeft, m + 22, 3);
  EXPECT_NEAR(paraRight, m + 278, 4);
  // The turned memo reads upwards from its bottom, so the top of its box stays empty; the
  // ruled memo has a rule under its line of text, the width of the memo.
  auto dark = [&](double left, double top, double right, double bottom) {
    for (int y = static_cast<int>(m + top); y < static_cast<int>(m + bottom); ++y)
      for (int x = static_cast<int>(m + left); x < static_cast<int>(m + right); ++x)
        if (page.At(x, y, 1) < 128) return true;
    return false;
  };
  EXPECT_TRUE(dark(604, 200, 636, 268));
  EXPECT_FALSE(dark(604, 24, 636, 100));
  // The rule lies a line below the memo's top: 14 points are 117 dots at 600 dpi, whose cell
  // in Loma ("Tahoma" here; ascent 2353 and descent 902 to an em of 2048) is 29.75 pixels, and
  // the spacing adds 2.
  EXPECT_TRUE(dark(250, 476, 252, 488));
  EXPECT_FALSE(dark(250, 452, 252, 476));
}

// Blank-trimmed, non-empty lines of a text, "\f" and CR dropped.
std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::erase_if(line, [](char c) { return c == '\f' || c == '\r'; });
    while (!line.empty() && line.back() == ' ') line.pop_back();
    while (!line.empty() && line.front() == ' ') line.erase(0, 1);
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

TEST(PdfSamples, ExportedMemosBreakTheirLinesWhereTheScreenBreaksThem) {
  // One Thai address in memos from far too narrow to wide enough, so that every memo near the
  // width where the text starts to fit on one line is among them; then one that does not wrap,
  // and one of several paragraphs with an empty one between.
  auto report = NewReport(297, 10);
  auto* band = Add<TkvxReportTitle>(FirstPage(*report), "Title", 0, 0, 700, 1000);
  std::vector<TkvxMemoView*> memos;
  auto memo = [&](Extended left, Extended top, Extended width, const char16_t* text) {
    auto* m = Add<TkvxMemoView>(band, "M" + std::to_string(memos.size()), left, top, width, 70);
    m->Font()->Assign(ReportFont("Tahoma", 12).get());
    m->SetText(text);
    memos.push_back(m);
    return m;
  };
  const char16_t* address = u"บ้านเลขที่ ๑๒ หมู่ ๓ ตำบลบางรัก";
  for (int i = 0; i < 22; ++i) memo(i < 11 ? 20 : 360, 20 + (i % 11) * 75, 90 + i * 10, address);
  memo(20, 845, 60, u"ไม่ตัดบรรทัด เลย")->WordWrap = false;
  memo(20, 920, 300, u"บรรทัดแรก\r\n\r\nบรรทัดที่สาม");
  // What the screen's own layout makes of each memo, line by line; the run works on copies.
  std::string wrapped;
  for (TkvxMemoView* m : memos) wrapped += Narrow(m->WrapText(true)) + "\n";
  const std::vector<std::string> expected = TextLines(wrapped);
  ASSERT_GT(expected.size(), memos.size() + 4) << wrapped;
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();

  const std::string file = TempPath("wrap") + ".pdf";
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  CheckReadable(file);
  EXPECT_EQ(TextLines(ExtractText(file)), expected);

  // The last memo's paragraphs sit a line apart, the empty one included: 12 points at 600 dots
  // per inch are 100 dots, whose cell in Loma ("Tahoma" here; ascent 2353 and descent 902 to an
  // em of 2048) is 25.43 pixels, and the spacing adds 2: two lines are 54.86 pixels, 41.15 points.
  const std::string boxes = Shell("pdftotext -bbox " + Quote(file) + " -");
  auto top = [&](const std::string& word) {
    std::smatch m;
    EXPECT_TRUE(std::regex_search(boxes, m, std::regex("yMin=\"([0-9.]+)\"[^>]*>" + word + "</word>"))) << boxes;
    return m.empty() ? 0.0 : std::stod(m[1]);
  };
  EXPECT_NEAR(top("บรรทัดที่สาม") - top("บรรทัดแรก"), 41.15, 0.1);
}

TEST(PdfExport, ALongListThroughTheFileCacheGivesBackEveryRowInOrder) {
  // Enough rows for the document to keep its pages' content in a temporary file.
  constexpr int kRows = 2600;
  auto report = NewReport(100, 0);
  report->EngineOptions()->UseFileCache = true;
  const std::string folder = TempPath("long-list");
  std::filesystem::create_directories(folder);
  report->EngineOptions()->TempDir = folder;
  auto* rows = new TkvxUserDataSet(report.get());
  rows->SetName("Rows");
  rows->SetRangeEnd(reCount);
  rows->SetRangeEndCount(kRows);
  auto* band = Add<TkvxMasterData>(FirstPage(*report), "Data", 0, 0, 700, 30);
  band->SetDataSet(rows);
  auto* memo = Add<TkvxMemoView>(band, "Row", 0, 0, 400, 30);
  memo->Font()->Assign(ReportFont("Tahoma", 12).get());
  memo->SetText(u"สมาชิกลำดับที่ [Line] ตำบลบางรัก");
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  const Integer pages = report->PreviewPages->GetCount();
  ASSERT_GT(pages, 200);

  const std::string file = folder + "/list.pdf";
  auto files = [&] { return std::distance(std::filesystem::directory_iterator(folder), {}); };
  const auto before = files();
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_EQ(report->Errors->Count(), 0) << report->Errors->Text();
  EXPECT_TRUE(std::regex_search(CheckReadable(file), std::regex("Pages: +" + std::to_string(pages) + "\n")));
  TRunResult fonts = RunCommand("pdffonts " + Quote(file));
  EXPECT_TRUE(std::regex_search(fonts.Output,
                                std::regex("[A-Z]{6}\\+" + FaceName("Tahoma") + " [^\n]*Identity-H +yes +yes +yes")))
      << fonts.Output;
  std::string expected;
  for (int i = 1; i <= kRows; ++i) expected += "สมาชิกลำดับที่ " + std::to_string(i) + " ตำบลบางรัก\n";
  EXPECT_EQ(Letters(ExtractText(file)), Letters(expected));
  // Nothing of the content cache stays behind: the document is the one file added.
  EXPECT_EQ(files(), before + 1);
}

// The pages of a qpdf JSON dump's outline items, counted from 1, in order.
std::vector<int> OutlinePages(const std::string& file) {
  std::string json = Shell("qpdf --json=2 --json-key=outlines " + Quote(file));
  std::vector<int> pages;
  std::regex dest("\"destpageposfrom1\": ([0-9]+)");
  for (std::sregex_iterator it(json.begin(), json.end(), dest), end; it != end; ++it)
    pages.push_back(std::stoi((*it)[1]));
  return pages;
}

TEST(PdfSamples, ExportedPageRangeKeepsItsOwnBookmarks) {
  auto report = ListReport();
  ASSERT_EQ(report->PreviewPages->GetCount(), 4);
  report->PreviewOptions()->OutlineVisible = true;
  std::string folder = SampleFolder();
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.Outline = true;

  pdf.SetFileName(folder + "/export-list.pdf");
  WriteFile(folder + "/export-list.txt", "");
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_TRUE(std::regex_search(CheckReadable(folder + "/export-list.pdf"), std::regex("Pages: +4\n")));
  EXPECT_EQ(OutlinePages(folder + "/export-list.pdf"), (std::vector<int>{1, 2, 3, 4}));

  // Pages 3 and 4 alone: two bookmarks, to the file's first and second page.
  pdf.SetFileName(folder + "/export-list-3-4.pdf");
  WriteFile(folder + "/export-list-3-4.txt", "");
  pdf.PageNumbers = "3-4";
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_TRUE(std::regex_search(CheckReadable(folder + "/export-list-3-4.pdf"), std::regex("Pages: +2\n")));
  EXPECT_EQ(OutlinePages(folder + "/export-list-3-4.pdf"), (std::vector<int>{1, 2}));

  // Without the dialog the filter's Outline decides, also where the preview hides the outline
  // (the dialog would offer no bookmarks there).
  report->PreviewOptions()->OutlineVisible = false;
  pdf.PageNumbers = "";
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_EQ(OutlinePages(folder + "/export-list-3-4.pdf"), (std::vector<int>{1, 2, 3, 4}));
  pdf.Outline = false;
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_TRUE(OutlinePages(folder + "/export-list-3-4.pdf").empty());
}

TEST(PdfExport, AFailedWriteLeavesTheOldFileAndNoOther) {
  auto report = ViewsReport();
  std::string folder = TempPath("failed-write");
  // Process ids come round again: a folder left by an earlier run starts empty.
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::string file = folder + "/notice.pdf";
  WriteFile(file, "the earlier notice");
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);

  // Files may grow to 1,000 bytes only: the write fails part way.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  bool ran = report->PreviewPages->Export(&pdf);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_TRUE(ran);
  EXPECT_EQ(report->Errors->Count(), 1);
  EXPECT_EQ(ReadFile(file), "the earlier notice");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);

  // Without a file name and without the dialog there is nothing to write to: no run, no message.
  report->Errors->Clear();
  TkvxPDFExport unnamed(nullptr);
  unnamed.SetShowDialog(false);
  EXPECT_FALSE(report->PreviewPages->Export(&unnamed));
  EXPECT_EQ(report->Errors->Count(), 0);
}

// The file is written in blocks: the bytes arrive in order, the cross-reference offsets come
// from the positions the writer sees, and a target that takes less fails the write.
TEST(PdfExport, BufferedWritesArriveInOrderAtThePositionsSeen) {
  TStringStream target("%PDF");
  target.Seek(0, soEnd);
  std::string expected = "%PDF";
  {
    TkvxPDFBufferedStream out(target);
    EXPECT_EQ(out.Position(), 4);
    const std::string line = "1 0 obj\r\n";
    const std::string big(200000, 'x');
    for (int i = 0; i < 10000; ++i) {
      EXPECT_EQ(out.Position(), static_cast<Int64>(expected.size()));
      out.WriteString(line);
      expected += line;
      if (i == 5000) {
        out.WriteString(big);
        expected += big;
      }
    }
    out.Flush();
    EXPECT_EQ(out.Position(), static_cast<Int64>(expected.size()));
  }
  EXPECT_EQ(target.DataString(), expected);

  class TFullStream : public TMemoryStream {
   public:
    Int64 Write(const void*, Int64) override { return 0; }
  } full;
  TkvxPDFBufferedStream out(full);
  out.WriteString("endobj");
  EXPECT_THROW(out.Flush(), EWriteError);
}

TEST(PdfExport, PasswordsEncryptAndTheDescriptionComesFromTheStringTable) {
  auto report = ViewsReport();
  std::string file = SampleFolder() + "/export-locked.pdf";
  WriteFile(SampleFolder() + "/export-locked.txt", "");
  WriteFile(SampleFolder() + "/export-locked.password", "parish");
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  pdf.UserPassword = "parish";
  ASSERT_TRUE(report->PreviewPages->Export(&pdf));
  EXPECT_NE(RunCommand("qpdf --check " + Quote(file)).Status, 0);
  EXPECT_EQ(RunCommand("qpdf --check --password=" + Quote("parish") + " " + Quote(file)).Status, 0);
  EXPECT_EQ(TkvxPDFExport::Description(), "PDF file");
  EXPECT_EQ(pdf.DefaultExt, ".pdf");
  // Each filter has one entry in the export menu, for as long as it lives.
  Integer before = kvxGetExportFilters()->Count();
  {
    TkvxPDFExport another(nullptr);
    EXPECT_EQ(kvxGetExportFilters()->Count(), before + 1);
  }
  EXPECT_EQ(kvxGetExportFilters()->Count(), before);
}

}  // namespace
}  // namespace orv
