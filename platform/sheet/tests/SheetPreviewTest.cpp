// A worksheet's print preview: its pages laid out, shown in the preview window, paged, zoomed,
// and printed into a PDF that poppler reads back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasQt.h"
#include "platform/print/tests/CaptureTesting.h"
#include "platform/sheet/OleObject.h"
#include "platform/sheet/SheetAutomation.h"
#include "platform/sheet/SheetPreviewWindow.h"
#include "platform/sheet/SheetWorkbook.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

constexpr int kDataRows = 120;

// 121 rows of 15 points fill three A4 pages at the default margins (48 rows each, the third with 25); columns of
// 60, 8.43, 8.43 and 30 characters make two page widths (the fourth does not fit beside the
// first three in 174 mm).
void FillSheet(SheetWorksheet& s) {
  s.SetName("Register");
  s.SetValue({1, 1}, Variant("Name"));
  s.SetValue({1, 2}, Variant("Amount"));
  s.SetValue({1, 4}, Variant("Remark"));
  for (int r = 2; r <= kDataRows + 1; ++r) {
    s.SetValue({r, 1}, Variant("Member " + std::to_string(r - 1)));
    s.SetValue({r, 2}, Variant(r * 0.5 + 11.5));
    s.SetValue({r, 4}, Variant("Remark " + std::to_string(r - 1)));
  }
  s.ChangeStyle({{2, 1}, {2, 1}}, [](SheetStyle& st) { st.FillColor = 0x00FFFF; });  // yellow
  s.SetColumnWidth(1, 1, 60);
  s.SetColumnWidth(4, 4, 30);
  s.PrintGridlines = true;
  s.CenterHeader = "Register";
}

// Share of the pixels of a rectangle that are darker than mid grey.
double DarkShare(const QImage& image, int x1, int y1, int x2, int y2) {
  int dark = 0, all = 0;
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x, ++all)
      if (qGray(image.pixel(x, y)) < 128) ++dark;
  return all ? static_cast<double>(dark) / all : 0;
}

int Mm(double mm) { return static_cast<int>(mm / 25.4 * 96); }

// The job of that title the private print server received, waited for up to 20 seconds.
orv::testing::TCapturedJob JobTitled(const orv::testing::TCupsServer& server, const std::string& title) {
  orv::testing::TCapturedJob job;
  for (int wait = 0; wait < 400 && !job.Arrived; ++wait) {
    for (auto& e : fs::directory_iterator(server.Tree + "/out")) {
      if (e.path().extension() != ".done") continue;
      orv::testing::TCapturedJob found = orv::testing::WaitForJob(server, std::stoi(e.path().stem().string()));
      if (orv::testing::ArgValue(found, "title") == title) job = found;
    }
    if (!job.Arrived) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return job;
}

}  // namespace

TEST(SheetPreview, PagesGoDownThenAcrossAndShowValuesHeaderFillAndGridlines) {
  Application->Initialize();
  SheetWorkbook book;
  auto sheet = book.AddSheet();
  FillSheet(*sheet);
  SheetPageLayout layout(*sheet);
  ASSERT_EQ(layout.PageCount(), 6);
  EXPECT_EQ(layout.PageCells(1).First.Row, 49);
  EXPECT_EQ(layout.PageCells(3).First.Column, 4);
  EXPECT_EQ(layout.PageCells(3).First.Row, 1);

  SheetPreviewWindow window(*sheet);
  auto* page = window.findChild<QLabel*>("page");
  auto* previous = window.findChild<QPushButton*>("previous");
  auto* next = window.findChild<QPushButton*>("next");
  ASSERT_TRUE(page && previous && next);
  EXPECT_EQ(page->text().toStdString(), "Page 1 of 6");
  EXPECT_FALSE(previous->isEnabled());

  // Page 1 at 96 dots per inch: the header centred in the top margin, "Name" in A1, the
  // yellow fill of A2, a number right-aligned in B2, silver gridlines.
  const QImage& image = window.PageImage();
  ASSERT_EQ(image.width(), 794);
  EXPECT_GT(DarkShare(image, Mm(95), Mm(8), Mm(115), Mm(18)), 0.03) << "header";
  EXPECT_EQ(DarkShare(image, Mm(20), Mm(8), Mm(60), Mm(18)), 0) << "header is centred";
  const int rowPx = Mm(15 * 25.4 / 72);
  const int top = Mm(19.05), left = Mm(17.78);
  EXPECT_GT(DarkShare(image, left + 2, top + 2, left + 60, top + rowPx - 1), 0.05) << "A1";
  EXPECT_EQ(image.pixelColor(left + 300, top + rowPx + rowPx / 2), QColor(255, 255, 0)) << "A2 filled";
  const int bRight = left + Mm(60 * 7 * 25.4 / 96 + 5 * 25.4 / 96) + 64;
  EXPECT_GT(DarkShare(image, bRight - 30, top + rowPx + 2, bRight - 2, top + 2 * rowPx - 1), 0.05) << "B2, right";
  EXPECT_EQ(image.pixelColor(left, top + 5 * rowPx + 3), QColor(192, 192, 192)) << "gridline";

  next->click();
  EXPECT_EQ(page->text().toStdString(), "Page 2 of 6");
  EXPECT_TRUE(previous->isEnabled());
  for (int i = 0; i < 6; ++i) next->click();
  EXPECT_EQ(window.Page(), 5);
  EXPECT_FALSE(next->isEnabled());
  window.findChild<QPushButton*>("zoomIn")->click();
  EXPECT_EQ(window.PageImage().width(), 992);
  window.findChild<QPushButton*>("zoomOut")->click();
  window.findChild<QPushButton*>("zoomOut")->click();
  EXPECT_EQ(window.PageImage().width(), 595);

  // Printed: every page, their values and the header read back from the PDF.
  auto dir = fs::temp_directory_path() / ("orvane-sheet-preview-" + std::to_string(getpid()));
  fs::create_directories(dir);
  String error;
  ASSERT_TRUE(PrintSheetPages(layout, "Register", "", (dir / "pages.pdf").string(), error)) << error;
  std::string text;
  FILE* p = popen(("pdftotext -raw '" + (dir / "pages.pdf").string() + "' - 2>&1").c_str(), "r");
  char buf[4096];
  while (size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
  pclose(p);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 6) << text;
  // Page 4, after the short third page, carries its header and all its 48 rows.
  size_t page4 = 0;
  for (int i = 0; i < 3; ++i) page4 = text.find('\f', page4) + 1;
  EXPECT_EQ(text.substr(page4, text.find('\f', page4) - page4).rfind("Register\nRemark\nRemark 1\n", 0), 0u) << text;
  EXPECT_NE(text.find("Remark 47\n\f"), std::string::npos) << text;
  for (const char* want : {"Register", "Name", "Amount", "Member 1 12.5", "12.5", "Member 120", "71.5", "Remark 120"})
    EXPECT_NE(text.find(want), std::string::npos) << want;
  if (!getenv("ORVANE_KEEP")) fs::remove_all(dir);
}

TEST(SheetPreview, PagesTakeThePaperOrientationAndMarginsOfThePageSetup) {
  Application->Initialize();
  SheetWorkbook book;
  auto sheet = book.AddSheet();
  FillSheet(*sheet);
  // Letter paper lying on its side with margins of an inch and the header half an inch down:
  // 165.1 mm of height hold 31 rows of 15 points, 228.6 mm of width all four columns.
  SheetPageSetup& setup = sheet->PageSetup;
  setup.Landscape = true;
  setup.PaperSize = 1;
  setup.LeftMargin = setup.RightMargin = setup.TopMargin = setup.BottomMargin = 1;
  setup.HeaderMargin = 0.5;
  SheetPageLayout layout(*sheet);
  EXPECT_NEAR(layout.Format().Width, 279.4, 0.01);
  EXPECT_NEAR(layout.Format().Height, 215.9, 0.01);
  ASSERT_EQ(layout.PageCount(), 4);
  EXPECT_EQ(layout.PageCells(0).Last.Row, 31);
  EXPECT_EQ(layout.PageCells(0).Last.Column, 4);
  EXPECT_EQ(layout.PageCells(3).First.Row, 94);

  // Margins of a file wider than its paper give way to 20 mm of cells: A6, 148 mm high, holds
  // three rows of 5.3 mm; the 112 mm of column A take a page width alone.
  SheetWorksheet cramped = *sheet;
  cramped.PageSetup.PaperSize = 70;
  cramped.PageSetup.Landscape = false;
  cramped.PageSetup.LeftMargin = cramped.PageSetup.RightMargin = cramped.PageSetup.TopMargin = cramped.PageSetup.BottomMargin = 4;
  SheetPageLayout small(cramped);
  EXPECT_NEAR(small.Format().Width, 105, 0.01);
  EXPECT_EQ(small.PageCells(0).Last.Row, 3);
  EXPECT_EQ(small.PageCells(0).Last.Column, 1);

  SheetPreviewWindow window(*sheet);
  const QImage& image = window.PageImage();
  ASSERT_EQ(image.width(), 1056) << "11 inches at 96 dots per inch";
  ASSERT_EQ(image.height(), 816);
  EXPECT_GT(DarkShare(image, Mm(125), Mm(13), Mm(155), Mm(24)), 0.03) << "header half an inch down, centred";
  EXPECT_EQ(DarkShare(image, 0, 0, image.width(), Mm(12)), 0) << "nothing above the header margin";
  EXPECT_GT(DarkShare(image, Mm(26), Mm(26), Mm(45), Mm(25.4 + 5)), 0.03) << "A1 an inch in from the corner";
  EXPECT_EQ(DarkShare(image, Mm(2), Mm(30), Mm(24), Mm(100)), 0) << "left margin";

  // The printed pages are Letter paper lying on its side.
  auto dir = fs::temp_directory_path() / ("orvane-sheet-setup-" + std::to_string(getpid()));
  fs::create_directories(dir);
  String error;
  ASSERT_TRUE(PrintSheetPages(layout, "Register", "", (dir / "pages.pdf").string(), error)) << error;
  std::string info;
  FILE* p = popen(("pdfinfo '" + (dir / "pages.pdf").string() + "' 2>&1").c_str(), "r");
  char buf[4096];
  while (size_t n = fread(buf, 1, sizeof buf, p)) info.append(buf, n);
  pclose(p);
  EXPECT_NE(info.find("Pages:           4"), std::string::npos) << info;
  EXPECT_NE(info.find("Page size:       792 x 612 pts (letter)"), std::string::npos) << info;
  if (!getenv("ORVANE_KEEP")) fs::remove_all(dir);
}

// Print sends the pages, on the sheet's paper, to the printer picked in the window.
TEST(SheetPreview, PrintGoesToThePrinterTheUserPicks) {
  orv::testing::TCupsServer server = orv::testing::UseTestServer();
  Application->Initialize();
  SheetWorkbook book;
  auto sheet = book.AddSheet();
  FillSheet(*sheet);
  sheet->SetName("Register " + std::to_string(getpid()));
  sheet->PageSetup.Landscape = true;
  sheet->PageSetup.PaperSize = 1;
  SheetPreviewWindow window(*sheet);
  auto* printer = window.findChild<QComboBox*>("printer");
  ASSERT_TRUE(printer);
  ASSERT_EQ(printer->count(), 2);
  EXPECT_EQ(window.Printer(), "PdfQ") << "the server's default comes first";
  printer->setCurrentText("RawQ");
  // A failure would show a message box: it is closed, and the test fails below.
  bool warned = false;
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      warned = true;
      box->close();
    }
  });
  guard.start(50);
  window.findChild<QPushButton*>("print")->click();
  guard.stop();
  EXPECT_FALSE(warned);

  orv::testing::TCapturedJob job = JobTitled(server, sheet->Name());
  ASSERT_TRUE(job.Arrived);
  EXPECT_NE(job.Env.find("DEVICE_URI=capture:/raw"), std::string::npos) << job.Env;
  const auto pages = static_cast<size_t>(SheetPageLayout(*sheet).PageCount());
  EXPECT_EQ(orv::testing::PdfPageSizes(job.DocumentPath), std::vector<std::string>(pages, "792x612")) << "Letter on its side";
  EXPECT_EQ(orv::testing::JobOptions(job)["media"], "na_letter_8.5x11in") << job.Args;
}

namespace {

// The ink of a text drawn in black on white: its bounding box and its dark pixels.
struct Ink {
  int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1, Dark = 0;
  int Width() const { return Right - Left + 1; }
  int Height() const { return Bottom - Top + 1; }
};

Ink InkOf(const QImage& image, int x1, int y1, int x2, int y2) {
  Ink ink;
  for (int y = std::max(0, y1); y < std::min(y2, image.height()); ++y)
    for (int x = std::max(0, x1); x < std::min(x2, image.width()); ++x)
      if (qGray(image.pixel(x, y)) < 160) {
        ink.Left = std::min(ink.Left, x);
        ink.Right = std::max(ink.Right, x);
        ink.Top = std::min(ink.Top, y);
        ink.Bottom = std::max(ink.Bottom, y);
        ++ink.Dark;
      }
  return ink;
}

// The separate lines of ink down a strip of the page, told apart by at least gap blank rows.
std::vector<Ink> InkLines(const QImage& image, int x1, int x2, int y1, int y2, int gap) {
  std::vector<Ink> lines;
  int start = -1, blank = 0;
  for (int y = y1; y <= y2; ++y) {
    bool dark = y < y2 && InkOf(image, x1, y, x2, y + 1).Dark > 0;
    if (dark && start < 0) start = y;
    blank = dark ? 0 : blank + 1;
    if (start >= 0 && (blank == gap || y == y2)) {
      lines.push_back(InkOf(image, x1, start, x2, y));
      start = -1;
    }
  }
  return lines;
}

// The same text drawn by pango-view in the font given ("Tahoma 14"), at 150 dots per inch.
Ink PangoInk(const std::string& text, const std::string& font, const fs::path& dir) {
  std::string png = (dir / "pango.png").string();
  std::string cmd = "pango-view --no-display --dpi=150 --margin=10 -q --font='" + font + "' --text='" + text +
                    "' -o '" + png + "' 2>&1";
  if (std::system(cmd.c_str()) != 0) return Ink();
  QImage image(QString::fromStdString(png));
  return InkOf(image, 0, 0, image.width(), image.height());
}

void ExpectSameInk(const Ink& drawn, const Ink& pango, const std::string& what) {
  ASSERT_GT(pango.Dark, 0) << what << ": pango-view drew nothing";
  // Clipped marks take their height and their ink away; a different face would change the width.
  EXPECT_NEAR(drawn.Height(), pango.Height(), 2 + pango.Height() / 10) << what;
  EXPECT_NEAR(drawn.Width(), pango.Width(), 2 + pango.Width() / 10) << what;
  EXPECT_NEAR(drawn.Dark, pango.Dark, pango.Dark / 4) << what;
}

}  // namespace

// Thai vowels and tone marks above and below their letters come out whole on the preview and
// through the print server: each text's ink at 150 dots per inch is that of pango-view's drawing
// of it, in the sheet's own font and in a Thai font of the register.
TEST(SheetPreview, ThaiVowelsAndToneMarksAreDrawnWhole) {
  orv::testing::TCupsServer server = orv::testing::UseTestServer();
  Application->Initialize();
  SheetWorkbook book;
  auto sheet = book.AddSheet();
  sheet->SetName("Thai " + std::to_string(getpid()));
  const std::string thai = "รายชื่อสัตบุรุษ", elder = "ผู้ใหญ่ปี่น้ำ";
  sheet->SetValue({1, 1}, Variant(thai));
  sheet->SetValue({3, 1}, Variant(elder));
  sheet->SetColumnWidth(1, 1, 40);
  sheet->ChangeStyle({{3, 1}, {3, 1}}, [](SheetStyle& st) {
    st.FontName = "Tahoma";
    st.FontSize = 14;
  });
  SheetPageLayout layout(*sheet);
  auto dir = fs::temp_directory_path() / ("orvane-sheet-thai-" + std::to_string(getpid()));
  fs::create_directories(dir);
  Ink calibri = PangoInk(thai, "Calibri 11", dir), tahoma = PangoInk(elder, "Tahoma 14", dir);

  // Both texts on a page drawn at 150 dots per inch, as the preview draws it.
  const double dpm = 150 / 0.0254;
  QImage page(static_cast<int>(std::lround(layout.Format().Width / 25.4 * 150)),
              static_cast<int>(std::lround(layout.Format().Height / 25.4 * 150)), QImage::Format_RGB32);
  page.setDotsPerMeterX(static_cast<int>(std::lround(dpm)));
  page.setDotsPerMeterY(static_cast<int>(std::lround(dpm)));
  TCanvas canvas;
  AttachCanvasDevice(canvas, &page);
  layout.DrawPage(canvas, 0);
  DetachCanvas(canvas);
  page.save(QString::fromStdString((dir / "page.png").string()));
  auto px = [](double mm) { return static_cast<int>(mm / 25.4 * 150); };
  auto check = [&](const QImage& image, const std::string& what) {
    // Column A of the cells, from the top margin down past the two texts.
    std::vector<Ink> lines = InkLines(image, px(17.78) - 2, px(17.78 + 75), px(19.05) - 10, px(19.05 + 40), px(3));
    ASSERT_EQ(lines.size(), 2u) << what;
    ExpectSameInk(lines[0], calibri, what + ", the sheet's font");
    ExpectSameInk(lines[1], tahoma, what + ", Tahoma");
  };
  check(page, "preview");

  String error;
  ASSERT_TRUE(PrintSheetPages(layout, sheet->Name(), "PdfQ", "", error)) << error;
  orv::testing::TCapturedJob job = JobTitled(server, sheet->Name());
  ASSERT_TRUE(job.Arrived);
  std::string printed = (dir / "printed").string();
  ASSERT_EQ(std::system(("pdftoppm -r 150 -png -f 1 -l 1 -singlefile '" + job.DocumentPath + "' '" + printed + "'").c_str()), 0);
  check(QImage(QString::fromStdString(printed + ".png")), "print job");
  if (!getenv("ORVANE_KEEP")) fs::remove_all(dir);
}

TEST(SheetPreview, WorksheetPreviewReturnsWhenTheUserClosesIt) {
  Application->Initialize();
  OleObject app(CreateSheetApplication());
  OleObject sheet = app.Obj("Workbooks").Obj("Add", {-4167}).Obj("Worksheets", {1});
  sheet.Obj("Range", {"A1", "A1"}).Set("Value2", "ADOQuery10");
  sheet.Obj("PageSetup").Set("CenterHeader", "ADOQuery10");
  std::string seen;
  // The modal window is closed through its Close button once it shows.
  std::function<void()> closeWhenShown = [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* preview = dynamic_cast<SheetPreviewWindow*>(w); preview && preview->isVisible()) {
        seen = preview->windowTitle().toStdString();
        preview->findChild<QPushButton*>("close")->click();
        return;
      }
    QTimer::singleShot(20, closeWhenShown);
  };
  QTimer::singleShot(20, closeWhenShown);
  sheet.Call("PrintPreview");
  EXPECT_EQ(seen, "Sheet1");
  app.Call("Quit");
}
