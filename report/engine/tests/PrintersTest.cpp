// The report library's printers against the private CUPS server: the list and its default,
// papers and bins under their codes, page layout, jobs as the capture backend receives them,
// print to file, raw output; and the virtual printer of a machine without a print server.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/gui/Application.h"
#include "platform/gui/DialogService.h"
#include "platform/gui/Timers.h"
#include "platform/gui/tests/ControlTesting.h"
#include "platform/gui/tests/GraphicsTesting.h"
#include "platform/print/tests/CaptureTesting.h"
#include "report/engine/tests/PrintTesting.h"
#include "report/engine/Printers.h"
#include "report/model/ShapeView.h"

namespace orv {
namespace {

using namespace orv::testing;

TkvxPrinter* Queue(TkvxPrinters& printers, const String& name) {
  auto* p = dynamic_cast<TkvxPrinter*>(printers.GetItem(printers.IndexOf(name)));
  if (p) p->Init();
  return p;
}

const TkvxPrinterItem* FindItem(const TkvxPrinterItems& items, const String& name) {
  for (const TkvxPrinterItem& i : items)
    if (i.Name == name) return &i;
  return nullptr;
}

// Printer pixels of a length in millimetres.
int Px(TkvxCustomPrinter& p, Extended mm) { return static_cast<int>(std::lround(mm * p.DPI().X / 25.4)); }

TEST(KvxPrinters, ServerQueuesWithTheDefaultSelected) {
  UseTestServer();
  TkvxPrinters printers;
  EXPECT_TRUE(printers.HasPhysicalPrinters());
  EXPECT_EQ(printers.GetDefaultPrinter(), "PdfQ");
  EXPECT_EQ(printers.IndexOf("pdfq"), printers.IndexOf("PdfQ"));
  ASSERT_GE(printers.IndexOf("PdfQ"), 0);
  EXPECT_GE(printers.IndexOf("RawQ"), 0);
  EXPECT_EQ(printers.IndexOf("NoSuchQueue"), -1);
  EXPECT_EQ(printers.PrinterIndex(), printers.IndexOf("PdfQ"));
  ASSERT_NE(printers.Printer(), nullptr);
  EXPECT_TRUE(printers.Printer()->Initialized());
  EXPECT_EQ(printers.GetItem(-1), nullptr);
  EXPECT_EQ(printers.GetItem(printers.Count()), nullptr);

  printers.SetPrinterIndex(printers.IndexOf("RawQ"));
  EXPECT_EQ(printers.Printer()->Name(), "RawQ");
  printers.SetPrinterIndex(-1);
  EXPECT_EQ(printers.Printer()->Name(), "PdfQ");
}

TEST(KvxPrinters, AServerThatDoesNotAnswerIsNamedNotTakenForNoPrinters) {
  setenv("CUPS_SERVER", kNoServer, 1);
  TkvxPrinters printers;
  EXPECT_FALSE(printers.HasPhysicalPrinters());
  EXPECT_EQ(printers.ServerError().rfind("ติดต่อเซิร์ฟเวอร์การพิมพ์ " + String(kNoServer) + " ไม่ได้ (", 0), 0u)
      << printers.ServerError();
}

TEST(KvxPrinters, PapersBinsAndLayoutOfAQueue) {
  UseTestServer();
  TkvxPrinters printers;
  TkvxPrinter* p = Queue(printers, "PdfQ");
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(p->Initialized()) << p->LastError();

  ASSERT_FALSE(p->Papers().empty());
  EXPECT_EQ(p->Papers()[0].Name, "Custom");
  EXPECT_EQ(p->Papers()[0].Code, 256);
  EXPECT_GE(p->IndexOfPaper(9), 1);
  EXPECT_GE(p->IndexOfPaper(1), 1);
  EXPECT_GE(p->IndexOfPaper(27), 1);
  EXPECT_EQ(p->IndexOfPaper(3), -1) << "the queue has no tabloid";
  EXPECT_EQ(p->PaperNameToCode("A5"), 11);
  EXPECT_EQ(p->PaperNameToCode("Papyrus"), 256);

  ASSERT_FALSE(p->Bins().empty());
  EXPECT_EQ(p->Bins()[0].Name, "Default");
  EXPECT_EQ(p->Bins()[0].Code, 7);
  EXPECT_EQ(p->Bins().size(), 4u) << "Default, Tray 1, Tray 2, Manual";
  ASSERT_NE(FindItem(p->Bins(), "Tray 2"), nullptr);
  ASSERT_NE(FindItem(p->Bins(), "Manual"), nullptr);
  EXPECT_EQ(FindItem(p->Bins(), "Manual")->Code, 4);

  // The queue's default paper, A4 portrait, with margins of whole millimetres: the printable
  // area of 18 36 577 824 pt is 6.35 mm from three edges and 12.7 mm from the bottom.
  EXPECT_EQ(p->DPI(), Point(600, 600));
  EXPECT_EQ(p->DefPaper(), 9);
  EXPECT_EQ(p->Paper(), 9);
  EXPECT_FALSE(p->Orientation());
  EXPECT_EQ(p->PaperWidth(), 210);
  EXPECT_EQ(p->PaperHeight(), 297);
  EXPECT_EQ(p->DefPaperWidth(), 210);
  EXPECT_EQ(p->LeftMargin(), 6);
  EXPECT_EQ(p->TopMargin(), 6);
  EXPECT_EQ(p->BottomMargin(), 297 - 278 - 6);

  // A5 turned: 36 pt on the paper's left edge is now the top.
  p->SetViewParams(11, 0, 0, true);
  EXPECT_EQ(p->Paper(), 11);
  EXPECT_TRUE(p->Orientation());
  EXPECT_EQ(p->PaperWidth(), 210);
  EXPECT_EQ(p->PaperHeight(), 148);
  EXPECT_EQ(p->TopMargin(), 13);
  EXPECT_EQ(p->LeftMargin(), 6);

  p->SetViewParams(256, 123, 77, false);
  EXPECT_EQ(p->Paper(), 256);
  EXPECT_EQ(p->PaperWidth(), 123);
  EXPECT_EQ(p->PaperHeight(), 77);

  // A code nobody knows leaves the paper as it was.
  p->SetViewParams(11, 0, 0, false);
  p->SetViewParams(4000, 0, 0, true);
  EXPECT_EQ(p->Paper(), 11);
  EXPECT_FALSE(p->Orientation());
  EXPECT_EQ(p->PaperWidth(), 148);
}

TEST(KvxPrinters, CustomPaperInLandscapeIsStoredPortrait) {
  UseTestServer();
  TkvxPrinters printers;
  TkvxPrinter* p = Queue(printers, "PdfQ");
  ASSERT_NE(p, nullptr);
  p->SetPrintParams(256, 100, 150, true, 7, 1, 1);
  EXPECT_EQ(p->DeviceMode().PaperLength, 1000);
  EXPECT_EQ(p->DeviceMode().PaperWidth, 1500);
  p->SetPrintParams(256, 150, 100, true, 7, 1, 1);
  EXPECT_EQ(p->DeviceMode().PaperLength, 1500);
  EXPECT_EQ(p->DeviceMode().PaperWidth, 1000);
  EXPECT_EQ(p->Paper(), 256);
  EXPECT_EQ(p->PaperWidth(), 150);
  EXPECT_EQ(p->PaperHeight(), 100);
  p->SetPrintParams(9, 210, 297, false, 7, 1, 1);
  EXPECT_EQ(p->DeviceMode().PaperLength, 0);
  EXPECT_EQ(p->DeviceMode().PaperWidth, 0);
}

TEST(KvxPrinters, EveryPageArrivesWithItsOwnPaperTrayAndOrientation) {
  Application->Initialize();
  TCupsServer server = UseTestServer();
  TkvxPrinters printers;
  TkvxPrinter* p = Queue(printers, "PdfQ");
  ASSERT_NE(p, nullptr);
  const TkvxPrinterItem* tray2 = FindItem(p->Bins(), "Tray 2");
  ASSERT_NE(tray2, nullptr);

  p->SetTitle("Baptisms 2026");
  // Duplex argument: the page's duplex mode + 1, 2 = long edge.
  p->SetPrintParams(9, 210, 297, false, tray2->Code, 2, 3);
  ASSERT_TRUE(p->BeginDoc()) << p->LastError();
  EXPECT_TRUE(p->Printing());
  p->Canvas()->Font().SetName("Arial");
  p->Canvas()->Font().SetSize(10);
  ASSERT_TRUE(p->BeginPage()) << p->LastError();
  // The font keeps its point size at the printer's resolution.
  EXPECT_EQ(p->Canvas()->Font().Size(), 10);
  EXPECT_EQ(p->Canvas()->Font().PixelsPerInch(), 600);
  // Drawn as the print loop draws: offset by the margins, so page coordinates start at the
  // paper's edge; the text is placed 20 mm from the left and 30 mm from the top.
  p->Canvas()->TextOut(-Px(*p, p->LeftMargin()) + Px(*p, 20), -Px(*p, p->TopMargin()) + Px(*p, 30),
                       String("baptism page"));
  p->EndPage();
  p->SetPrintParams(256, 150, 100, true, tray2->Code, 2, 3);
  ASSERT_TRUE(p->BeginPage()) << p->LastError();
  p->Canvas()->TextOut(0, 0, String("card page"));
  p->EndPage();
  ASSERT_TRUE(p->EndDoc()) << p->LastError();
  EXPECT_FALSE(p->Printing());
  EXPECT_EQ(p->Bin(), -1);

  // The card needs other paper and lies turned: it is a printer job of its own, sent after
  // the first, under the same title.
  std::vector<TCapturedJob> jobs = FindJobs(server, "Baptisms 2026", 2);
  ASSERT_EQ(jobs.size(), 2u);
  TCapturedJob& job = jobs[0];
  EXPECT_EQ(ArgValue(job, "copies"), "3");
  auto o = JobOptions(job);
  EXPECT_EQ(o["media"], "iso_a4_210x297mm");
  EXPECT_EQ(o["media-source"], "tray-2");
  EXPECT_EQ(o["sides"], "two-sided-long-edge");
  EXPECT_EQ(o["orientation-requested"], "3");
  EXPECT_EQ(o.count("nocollate"), 1u);
  ASSERT_TRUE(QpdfAccepts(job.DocumentPath));
  EXPECT_EQ(PdfPageSizes(job.DocumentPath), (std::vector<std::string>{"595x842"}));
  std::string box = testing::Run("pdftotext -bbox -f 1 -l 1 '" + job.DocumentPath + "' -");
  size_t at = box.find("<word xMin=\"");
  ASSERT_NE(at, std::string::npos);
  double xMin = 0, yMin = 0;
  std::sscanf(box.c_str() + at, "<word xMin=\"%lf\" yMin=\"%lf\"", &xMin, &yMin);
  EXPECT_NEAR(xMin, 20 * 72 / 25.4, 2.0);
  EXPECT_NEAR(yMin, 30 * 72 / 25.4, 4.0);

  // The 150 x 100 mm card (425 x 283 pt), turned, from the same tray.
  TCapturedJob& card = jobs[1];
  auto c = JobOptions(card);
  EXPECT_EQ(ArgValue(card, "copies"), "3");
  EXPECT_EQ(c["orientation-requested"], "4");
  EXPECT_EQ(c["media-source"], "tray-2");
  EXPECT_EQ(c["sides"], "two-sided-long-edge");
  ASSERT_TRUE(QpdfAccepts(card.DocumentPath));
  EXPECT_EQ(PdfPageSizes(card.DocumentPath), (std::vector<std::string>{"425x283"}));
  EXPECT_NE(PdfText(card.DocumentPath, 1).find("card page"), std::string::npos);
}

TEST(KvxPrinters, ThePropertiesDialogSetsSourceSidesAndQualityOfTheNextJob) {
  Application->Initialize();
  TCupsServer server = UseTestServer();
  TkvxPrinters printers;
  TkvxPrinter* p = Queue(printers, "PdfQ");
  ASSERT_NE(p, nullptr);
  // The program's own dialog, worked through its boxes once it shows.
  auto previous = SetDialogService(nullptr);
  TTimer timer(nullptr);
  int answered = 0;
  timer.OnTimer = [&](TObject*) {
    if (answered || !ModalWindowOpen()) return;
    ++answered;
    ChooseInModalWindow("Manual");
    ChooseInModalWindow("Two-sided, short edge");
    ChooseInModalWindow("Draft");
    ClickModalButton("OK");
  };
  timer.SetInterval(20);
  EXPECT_TRUE(p->PropertiesDlg());
  timer.SetEnabled(false);
  SetDialogService(std::move(previous));
  EXPECT_EQ(answered, 1);
  EXPECT_EQ(p->Bin(), FindItem(p->Bins(), "Manual")->Code);

  TCapturedJob job = PrintPlainPage(p, server, "properties of the queue", "draft");
  ASSERT_TRUE(job.Arrived) << p->LastError();
  auto o = JobOptions(job);
  EXPECT_EQ(o["media-source"], "manual");
  EXPECT_EQ(o["sides"], "two-sided-short-edge");
  EXPECT_EQ(o["print-quality"], "3");
  EXPECT_EQ(o["cupsPrintQuality"], "Draft");
}

// Runs of dark pixels along the first row of page 1 of pdf, rendered in grey at 150 dpi, that has
// at least minimum dark pixels; the picture is kept as png for a person to look at.
int DarkRunsOfFirstLine(const std::string& pdf, const std::string& png, int minimum) {
  std::string base = std::filesystem::temp_directory_path() / ("orvane-dash-" + std::to_string(getpid()));
  testing::Run("pdftoppm -r 150 -gray -f 1 -l 1 -singlefile '" + pdf + "' '" + base + "'");
  testing::Run("pdftoppm -r 150 -png -f 1 -l 1 -singlefile '" + pdf + "' '" + png + "'");
  std::string pgm = ReadFile(base + ".pgm");
  std::filesystem::remove(base + ".pgm");
  int width = 0, height = 0, maxval = 0, used = 0;
  if (std::sscanf(pgm.c_str(), "P5 %d %d %d%n", &width, &height, &maxval, &used) != 3) return -1;
  const unsigned char* pixels = reinterpret_cast<const unsigned char*>(pgm.data()) + used + 1;
  if (pgm.size() < static_cast<size_t>(used + 1) + static_cast<size_t>(width) * height) return -1;
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = pixels + static_cast<size_t>(y) * width;
    int dark = 0, runs = 0;
    bool was = false;
    for (int x = 0; x < width; ++x) {
      bool on = row[x] < 128;
      dark += on;
      runs += on && !was;
      was = on;
    }
    if (dark >= minimum) return runs;
  }
  return 0;
}

TEST(KvxPrinters, ADottedBoxReachesTheSpoolDotted) {
  TCupsServer server = UseTestServer();
  TkvxPrinters printers;
  TkvxPrinter* p = Queue(printers, "PdfQ");
  ASSERT_NE(p, nullptr);
  // The envelope's stamp box: 90 by 100 pixels, dotted.
  TkvxShapeView stamp(nullptr);
  stamp.SetBounds(300, 100, 90, 100);
  stamp.Frame()->SetStyle(fsDot);
  p->SetTitle("dotted-stamp-box");
  p->SetPrintParams(9, 210, 297, false, 7, 1, 1);
  ASSERT_TRUE(p->BeginDoc()) << p->LastError();
  ASSERT_TRUE(p->BeginPage());
  stamp.Draw(p->Canvas(), p->DPI().X / 96.0, p->DPI().Y / 96.0, 0, 0);
  p->EndPage();
  ASSERT_TRUE(p->EndDoc()) << p->LastError();
  TCapturedJob job = FindJob(server, "dotted-stamp-box");
  ASSERT_TRUE(job.Arrived);
  // 90 pixels at 96 dpi are 140 at 150 dpi, dotted every 3 pixels: over a dozen dots, not a line.
  int runs = DarkRunsOfFirstLine(job.DocumentPath, ORVANE_PREVIEW_SCREENSHOT_FOLDER "/spooled-stamp-box", 40);
  EXPECT_GE(runs, 12);
}

TEST(KvxPrinters, PrintToFileIsForgottenAfterTheJob) {
  Application->Initialize();
  TCupsServer server = UseTestServer();
  TkvxPrinters printers;
  TkvxPrinter* p = Queue(printers, "PdfQ");
  ASSERT_NE(p, nullptr);
  std::string file = TempPath("kvx-to-file.pdf");
  std::filesystem::remove(file);

  p->SetFileName(file);
  p->SetTitle("to a file");
  ASSERT_TRUE(p->BeginDoc()) << p->LastError();
  ASSERT_TRUE(p->BeginPage());
  p->Canvas()->TextOut(0, 0, String("filed"));
  p->EndPage();
  ASSERT_TRUE(p->EndDoc()) << p->LastError();
  EXPECT_TRUE(QpdfAccepts(file));
  EXPECT_EQ(p->FileName(), "");
  std::string written = ReadFile(file);

  // The next job goes to the printer, not over the file.
  p->SetTitle("after the file");
  ASSERT_TRUE(p->BeginDoc());
  ASSERT_TRUE(p->BeginPage());
  p->EndPage();
  ASSERT_TRUE(p->EndDoc()) << p->LastError();
  EXPECT_TRUE(FindJob(server, "after the file").Arrived);
  EXPECT_EQ(ReadFile(file), written);

  // An aborted job forgets its file too and writes nothing.
  std::string other = TempPath("kvx-aborted.pdf");
  std::filesystem::remove(other);
  p->SetFileName(other);
  ASSERT_TRUE(p->BeginDoc());
  ASSERT_TRUE(p->BeginPage());
  p->Abort();
  EXPECT_FALSE(p->Printing());
  EXPECT_EQ(p->FileName(), "");
  EXPECT_FALSE(std::filesystem::exists(other));
}

TEST(KvxPrinters, FailuresComeBackToTheCaller) {
  Application->Initialize();
  UseTestServer();
  TkvxPrinter gone("NoSuchQueue", "");
  gone.Init();
  EXPECT_FALSE(gone.Initialized());
  EXPECT_FALSE(gone.LastError().empty());
  ASSERT_EQ(gone.Papers().size(), 1u);
  EXPECT_EQ(gone.Papers()[0].Code, 256);
  ASSERT_EQ(gone.Bins().size(), 1u);
  EXPECT_EQ(gone.Bins()[0].Code, 7);
  EXPECT_FALSE(gone.BeginDoc());
  EXPECT_EQ(gone.LastError(), "Printer selected is not valid");
  EXPECT_FALSE(gone.Printing());

  TkvxPrinters printers;
  TkvxPrinter* p = Queue(printers, "PdfQ");
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(p->BeginPage()) << "a page before the document";
  EXPECT_FALSE(p->EndDoc());
  ASSERT_TRUE(p->BeginDoc());
  EXPECT_FALSE(p->EndDoc()) << "a job without pages";
  EXPECT_FALSE(p->LastError().empty());
  EXPECT_FALSE(p->Printing());
  EXPECT_FALSE(p->WriteRAWDoc("x")) << "raw data before the raw document";
}

TEST(KvxPrinters, RawOutputArrivesByteForByte) {
  TCupsServer server = UseTestServer();
  TkvxPrinters printers;
  TkvxPrinter* p = Queue(printers, "RawQ");
  ASSERT_NE(p, nullptr);
  p->SetTitle("dot matrix certificate");
  std::string first = "\x1b@\x1b" "E\xe0\xb8\x97\xe0\xb8\xb0\r\n";
  std::string second(5000, '\0');
  second += "\x0c";
  ASSERT_TRUE(p->BeginRAWDoc()) << p->LastError();
  ASSERT_TRUE(p->WriteRAWDoc(first));
  ASSERT_TRUE(p->WriteRAWDoc(second));
  ASSERT_TRUE(p->EndRAWDoc()) << p->LastError();
  TCapturedJob job = FindJob(server, "dot matrix certificate");
  ASSERT_TRUE(job.Arrived);
  EXPECT_TRUE(job.Document == first + second);
}

// Checks the virtual printer of a machine without a print server and exits with the number of
// failed checks.
[[noreturn]] void CheckWithoutServer() {
  setenv("CUPS_SERVER", kNoServer, 1);
  int failed = 0;
  auto check = [&](bool ok, const char* what) {
    if (!ok) {
      std::fprintf(stderr, "failed: %s\n", what);
      ++failed;
    }
  };
  TkvxPrinters printers;
  check(printers.Count() == 1, "one printer");
  check(!printers.HasPhysicalPrinters(), "no physical printer");
  TkvxCustomPrinter* p = printers.Printer();
  if (!p) std::exit(100);
  check(p->Name() == "Virtual", "named Virtual");
  check(p->Initialized(), "initialized");
  check(p->DPI() == Point(600, 600), "600 dpi");
  check(p->Paper() == 9 && p->PaperWidth() == 210 && p->PaperHeight() == 297, "A4");
  check(!p->Orientation(), "portrait");
  check(p->Papers().size() == 67 && p->Papers()[0].Code == 256, "Custom and 66 papers");
  check(p->PaperNameToCode("no such paper") == 256, "unknown paper name");
  check(p->PaperNameToCode("A5") == 11, "A5 by name");
  p->SetViewParams(9, 0, 0, false);
  check(p->LeftMargin() == 5 && p->TopMargin() == 5 && p->RightMargin() == 5 &&
            p->BottomMargin() == 5,
        "5 mm margins");
  p->SetViewParams(11, 0, 0, true);
  check(p->PaperWidth() == 210 && p->PaperHeight() == 148 && p->Paper() == 11, "A5 turned");
  p->SetViewParams(300, 100, 150, false);
  check(p->Paper() == 256 && p->PaperWidth() == 100 && p->PaperHeight() == 150,
        "unknown code becomes custom");
  check(p->BeginDoc() && p->BeginPage(), "printing does nothing");
  p->EndPage();
  check(p->EndDoc(), "and ends");
  std::exit(failed);
}

// libcups reads CUPS_SERVER once per process: the machine without a server is a process of
// its own.
TEST(KvxPrintersDeathTest, NoServerGivesTheVirtualPrinter) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(CheckWithoutServer(), ::testing::ExitedWithCode(0), "");
}

TEST(KvxPaperTable, DimensionsOfPaperCodes) {
  Extended w = 0, h = 0;
  ASSERT_TRUE(kvxGetPaperDimensions(1, w, h));
  EXPECT_DOUBLE_EQ(w, 215.9);
  EXPECT_DOUBLE_EQ(h, 279.4);
  ASSERT_TRUE(kvxGetPaperDimensions(8, w, h));
  EXPECT_DOUBLE_EQ(w, 297);
  EXPECT_DOUBLE_EQ(h, 420);
  ASSERT_TRUE(kvxGetPaperDimensions(11, w, h));
  EXPECT_DOUBLE_EQ(w, 148);
  ASSERT_TRUE(kvxGetPaperDimensions(66, w, h));
  EXPECT_DOUBLE_EQ(h, 594);
  EXPECT_FALSE(kvxGetPaperDimensions(48, w, h));
  EXPECT_FALSE(kvxGetPaperDimensions(49, w, h));
  EXPECT_FALSE(kvxGetPaperDimensions(69, w, h));
  EXPECT_FALSE(kvxGetPaperDimensions(256, w, h));
}

}  // namespace
}  // namespace orv
