// Prepared pages printed on the private CUPS server's PDF queue: which pages reach the capture
// backend, in which order, on which sheets and with which job options, read back with pdfinfo,
// pdftotext and qpdf; a cancelled job and bad page numbers send nothing.
#include <gtest/gtest.h>

#include <regex>

#include "platform/gui/Timers.h"
#include "platform/gui/tests/ControlTesting.h"
#include "report/engine/PrintLoop.h"
#include "report/engine/Printers.h"
#include "report/engine/tests/PrintTesting.h"
#include "report/engine/tests/StoreTestSupport.h"
#include "report/model/Resources.h"

namespace orv::test {
namespace {

using namespace orv::testing;

// Three pages (rows 1-20, 21-40, 41-45), printed on PdfQ under a title of the test's own.
struct TPrintedList : TListReport {
  TCupsServer Server = UseTestServer();

  explicit TPrintedList(Integer paperSize = 9) {
    Page->SetPaperSize(paperSize);
    Start();
    for (int i = 0; i < 45; ++i) AddRow(i, "row" + std::to_string(i + 1));
    Pages->Finish();
    TkvxPrintOptions* o = Report->PrintOptions();
    o->ShowDialog = false;
    o->Printer = "PdfQ";
  }

  TCapturedJob Print(const std::string& title) {
    Report->ReportOptions()->Name = title;
    EXPECT_TRUE(Pages->Print()) << title;
    TCapturedJob job = FindJob(Server, title);
    EXPECT_TRUE(job.Arrived) << title;
    if (job.Arrived) {
      EXPECT_TRUE(QpdfAccepts(job.DocumentPath)) << title;
    }
    return job;
  }
};

int Occurrences(const std::string& text, const std::string& word) {
  std::regex pattern("\\b" + word + "\\b");
  auto found = std::sregex_iterator(text.begin(), text.end(), pattern);
  return static_cast<int>(std::distance(found, std::sregex_iterator()));
}

// The prepared page each printed page shows, by its first row; 0 for a blank page.
std::vector<int> PrintedPages(const TCapturedJob& job) {
  std::vector<int> pages;
  for (size_t n = 1; n <= PdfPageSizes(job.DocumentPath).size(); ++n) {
    std::string text = PdfText(job.DocumentPath, static_cast<int>(n));
    int first = Occurrences(text, "row1") ? 1 : Occurrences(text, "row21") ? 2 : Occurrences(text, "row41") ? 3 : 0;
    pages.push_back(first);
  }
  return pages;
}

TEST(PrintLoop, PageSelectionAndOrder) {
  TPrintedList list;
  TkvxPrintOptions* o = list.Report->PrintOptions();
  o->PageNumbers = "1-3";
  o->PrintPages = ppEven;
  EXPECT_EQ(PrintedPages(list.Print("even of 1-3")), (std::vector<int>{2}));
  o->PrintPages = ppOdd;
  EXPECT_EQ(PrintedPages(list.Print("odd")), (std::vector<int>{1, 3}));
  o->PrintPages = ppAll;
  o->Reverse = true;
  EXPECT_EQ(PrintedPages(list.Print("reversed 1-3")), (std::vector<int>{3, 2, 1}));
  // Numbers past the last page are left out, not printed blank.
  o->Reverse = false;
  o->PageNumbers = "2-9,12";
  TCapturedJob job = list.Print("2 to past the end");
  EXPECT_EQ(PrintedPages(job), (std::vector<int>{2, 3}));
  EXPECT_EQ(PdfPageSizes(job.DocumentPath), (std::vector<std::string>{"595x842", "595x842"}));
  EXPECT_EQ(JobOptions(job)["media"], "iso_a4_210x297mm");
  // The job's choices are its own: the report's options come back as they were.
  EXPECT_EQ(o->PageNumbers, "2-9,12");
  EXPECT_EQ(list.Pages->CopyNo, 0);
}

TEST(PrintLoop, CopiesCollationAndTheBlankDuplexPage) {
  TPrintedList list;
  TkvxPrintOptions* o = list.Report->PrintOptions();
  o->Copies = 2;
  TCapturedJob collated = list.Print("collated");
  EXPECT_EQ(PrintedPages(collated), (std::vector<int>{1, 2, 3, 1, 2, 3}));
  EXPECT_EQ(ArgValue(collated, "copies"), "1");

  o->Collate = false;
  TCapturedJob uncollated = list.Print("uncollated");
  EXPECT_EQ(PrintedPages(uncollated), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(ArgValue(uncollated, "copies"), "2");

  // Three pages on both sides: each copy ends with a blank back so the next starts a sheet.
  list.Page->SetDuplex(dmVertical);
  list.Start();
  for (int i = 0; i < 45; ++i) list.AddRow(i, "row" + std::to_string(i + 1));
  list.Pages->Finish();
  o->Collate = true;
  TCapturedJob duplex = list.Print("duplex collated");
  EXPECT_EQ(PrintedPages(duplex), (std::vector<int>{1, 2, 3, 0, 1, 2, 3, 0}));
  EXPECT_EQ(JobOptions(duplex)["sides"], "two-sided-long-edge");
  // An even number of pages needs no blank.
  o->PageNumbers = "1-2";
  EXPECT_EQ(PrintedPages(list.Print("duplex even")), (std::vector<int>{1, 2, 1, 2}));
}

TEST(PrintLoop, EachCopyAndEachJobCarriesItsPagesOwnSides) {
  // Page 1 one-sided, pages 2 and 3 on both sides, from a second report page.
  TPrintedList list;
  auto* backed = new TkvxReportPage(list.Report.get());
  backed->SetName("Backed");
  backed->SetDuplex(dmVertical);
  list.Pages->Clear();
  list.Pages->Initialize();
  list.Pages->AddSourcePage(list.Page);
  list.Pages->AddSourcePage(backed);
  list.Pages->BeginPass();
  for (int i = 0; i < 45; ++i) {
    if (i % 20 == 0) {
      list.Pages->AddPage(i == 0 ? list.Page : backed);
      list.Pages->AddObject(list.Title);
    }
    list.Data->SetTop(40 + 20 * (i % 20));
    list.Name->SetText("row" + std::to_string(i + 1));
    list.Pages->AddObject(list.Data);
  }
  list.Pages->Finish();
  TkvxPrintOptions* o = list.Report->PrintOptions();
  o->Copies = 2;
  list.Report->ReportOptions()->Name = "mixed-sides";
  ASSERT_TRUE(list.Pages->Print());
  // A printer job a change of sides: one-sided, both sides, then the same again for copy 2.
  std::vector<TCapturedJob> jobs = FindJobs(list.Server, "mixed-sides", 4);
  ASSERT_EQ(jobs.size(), 4u);
  EXPECT_EQ(JobSettings(jobs[0]), JobSettings(jobs[2]));
  EXPECT_EQ(JobSettings(jobs[1]), JobSettings(jobs[3]));
  EXPECT_NE(JobOptions(jobs[0])["sides"], "two-sided-long-edge") << "page 1 prints as the printer is set up";
  EXPECT_EQ(JobOptions(jobs[1])["sides"], "two-sided-long-edge");
  EXPECT_EQ(PrintedPages(jobs[2]), (std::vector<int>{1}));
  // Copy 1 ends on a blank back, so copy 2 starts a sheet of its own.
  EXPECT_EQ(PrintedPages(jobs[1]), (std::vector<int>{2, 3, 0}));

}

TEST(PrintLoop, ScaleSplitAndJoin) {
  {
    // A Letter page on an A4 sheet: each axis by its own factor, text by the smaller one.
    TPrintedList letter(1);
    TkvxPrintOptions* o = letter.Report->PrintOptions();
    o->PrintMode = pmScale;
    o->PrintOnSheet = 9;
    o->PageNumbers = "1";
    TCapturedJob job = letter.Print("letter scaled to A4");
    EXPECT_EQ(PdfPageSizes(job.DocumentPath), (std::vector<std::string>{"595x842"}));
    EXPECT_EQ(JobOptions(job)["media"], "iso_a4_210x297mm");
    EXPECT_NEAR(letter.Pages->PrintScale, 210 / 215.9, 0.005);
  }
  {
    // A5 pages two to a turned A4 sheet; without collation each page fills two cells.
    TPrintedList a5(11);
    TkvxPrintOptions* o = a5.Report->PrintOptions();
    o->PrintMode = pmJoin;
    o->PrintOnSheet = 9;
    TCapturedJob job = a5.Print("A5 joined on A4");
    EXPECT_EQ(PdfPageSizes(job.DocumentPath), (std::vector<std::string>{"842x595", "842x595"}));
    EXPECT_EQ(Occurrences(PdfText(job.DocumentPath, 1), "row1") + Occurrences(PdfText(job.DocumentPath, 1), "row21"),
              2);
    EXPECT_EQ(Occurrences(PdfText(job.DocumentPath, 2), "row41"), 1);

    o->Copies = 2;
    o->Collate = false;
    TCapturedJob twice = a5.Print("A5 joined twice");
    ASSERT_EQ(PdfPageSizes(twice.DocumentPath).size(), 3u);
    for (int sheet = 1; sheet <= 3; ++sheet)
      EXPECT_EQ(Occurrences(PdfText(twice.DocumentPath, sheet), "row" + std::to_string(20 * (sheet - 1) + 1)), 2)
          << sheet;
    // Collated, each copy is one run of the pages: two sheets a copy, never four cells a page.
    o->Collate = true;
    TCapturedJob collated = a5.Print("A5 joined collated");
    ASSERT_EQ(PdfPageSizes(collated.DocumentPath).size(), 4u);
    EXPECT_EQ(Occurrences(PdfText(collated.DocumentPath, 1), "row1"), 1);
    EXPECT_EQ(Occurrences(PdfText(collated.DocumentPath, 3), "row1"), 1);
  }
}

TEST(PrintLoop, TheReportHearsOfTheJobAndOfEveryPageAndCopy) {
  TPrintedList list;
  TkvxReport& report = *list.Report;
  std::string log;
  report.OnPrintReport = [&](TObject* sender) { log += sender == &report ? "start " : "? "; };
  report.OnAfterPrintReport = [&](TObject* sender) { log += sender == &report ? "end" : "?"; };
  report.OnPrintPage = [&](TkvxReportPage* page, Integer copyNo) {
    log += "p" + std::to_string(page ? page->FindObject("Title") != nullptr : 0) + "c" + std::to_string(copyNo) + " ";
  };
  report.OnReportPrint = "Printing";
  report.ScriptText()->SetText(
      "var Jobs: Integer;\r\nprocedure Printing(Sender: TObject);\r\nbegin\r\n  Jobs := Jobs + 1;\r\nend;\r\n"
      "begin\r\nend.");
  ASSERT_TRUE(report.PrepareScript()) << report.Errors->Text();
  TkvxPrintOptions* o = report.PrintOptions();
  o->PageNumbers = "2-3";
  o->Copies = 2;
  TCapturedJob job = list.Print("events");
  EXPECT_EQ(PrintedPages(job), (std::vector<int>{2, 3, 2, 3}));
  EXPECT_EQ(log, "start p1c1 p1c1 p1c2 p1c2 end");
  EXPECT_EQ(report.Script->Find("Jobs")->GetValue().ToInteger(), 1);

  // A job that cannot start still closes with the after-print event.
  log.clear();
  report.PrintOptions()->Printer = "";
  kvxPrinters()->Printer()->SetFileName("/nonexistent-folder/job.prn");
  report.ReportOptions()->Name = "refused";
  EXPECT_FALSE(list.Pages->Print());
  EXPECT_EQ(log.substr(0, 6), "start ");
  EXPECT_EQ(log.substr(log.size() - 3), "end");
  EXPECT_EQ(report.Script->Find("Jobs")->GetValue().ToInteger(), 2);
}

TEST(PrintLoop, CancelledJobsAndBadNumbersSendNothing) {
  TPrintedList list;
  list.Report->EngineOptions()->NewSilentMode = simReThrow;
  TkvxPrintOptions* o = list.Report->PrintOptions();
  // Three pages: nine names none of them.
  for (const char* bad : {"1-x", "3,,5", "-2", "1-2-", "9", "99999999999"}) {
    o->PageNumbers = bad;
    // A file chosen for a job that never ran is not where the next job goes.
    kvxPrinters()->Printer()->SetFileName(TempFolder("print-loop") + "/refused.prn");
    EXPECT_THROW(list.Pages->Print(), Exception) << bad;
    EXPECT_EQ(kvxPrinters()->Printer()->FileName(), "") << bad;
  }
  EXPECT_FALSE(std::filesystem::exists(TempFolder("print-loop") + "/refused.prn"));

  o->PageNumbers = "";
  // The job is cancelled when the first page is done.
  int starts = 0, stops = 0;
  list.Report->OnProgressStart = [&](TkvxReport*, TkvxProgressType, Integer) { ++starts; };
  list.Report->OnProgress = [&](TkvxReport* report, TkvxProgressType, Integer) { report->SetTerminated(true); };
  list.Report->OnProgressStop = [&](TkvxReport*, TkvxProgressType, Integer) { ++stops; };
  list.Report->ReportOptions()->Name = "cancelled";
  // A cancel is the user's own choice: no message, the job withdrawn.
  EXPECT_FALSE(list.Pages->Print());
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(kvxPrinters()->Printer()->Printing());
  list.Report->OnProgress = nullptr;
  // The next job is whole, and nothing of the cancelled one came before it.
  list.Report->ReportOptions()->Name = "after the cancel";
  EXPECT_TRUE(list.Pages->Print());
  TCapturedJob next = FindJob(list.Server, "after the cancel");
  ASSERT_TRUE(next.Arrived);
  EXPECT_EQ(PrintedPages(next), (std::vector<int>{1, 2, 3}));
  for (auto& e : std::filesystem::directory_iterator(list.Server.Tree + "/out"))
    if (e.path().extension() == ".args") {
      EXPECT_EQ(ReadFile(e.path()).find("title=cancelled"), std::string::npos);
    }
}

// Answers the print dialog when it shows: both sides along the long edge, then the button.
struct TDialogAnswer {
  explicit TDialogAnswer(const char* buttonKey) {
    TkvxResources* res = kvxGetResources();
    std::string button = res->Get(buttonKey);
    std::string vertical = res->Get("dupVert");
    timer.OnTimer = [this, button, vertical](TObject*) {
      if (!orv::testing::ModalWindowOpen()) return;
      orv::testing::ChooseInModalWindow(vertical);
      if (orv::testing::ClickModalButton(button)) ++Answered;
    };
    timer.SetInterval(20);
  }
  TTimer timer{nullptr};
  int Answered = 0;
};

TEST(PrintLoop, TheDialogsChoicesReachTheJob) {
  TPrintedList list;
  list.Report->PrintOptions()->ShowDialog = true;
  {
    TDialogAnswer cancel("2");
    list.Report->ReportOptions()->Name = "dialog cancelled";
    EXPECT_FALSE(list.Pages->Print());
    EXPECT_EQ(cancel.Answered, 1);
  }
  TDialogAnswer ok("1");
  // Three one-sided pages printed on both sides: the copy closes with a blank back.
  TCapturedJob job = list.Print("dialog duplex");
  EXPECT_EQ(ok.Answered, 1);
  EXPECT_EQ(JobOptions(job)["sides"], "two-sided-long-edge");
  EXPECT_EQ(PrintedPages(job), (std::vector<int>{1, 2, 3, 0}));
  for (auto& e : std::filesystem::directory_iterator(list.Server.Tree + "/out"))
    if (e.path().extension() == ".args") {
      EXPECT_EQ(ReadFile(e.path()).find("title=dialog cancelled"), std::string::npos);
    }
  // Both sides were the choice of that job: the next one prints as its pages say.
  list.Report->PrintOptions()->ShowDialog = false;
  TCapturedJob next = list.Print("after-the-duplex-job");
  EXPECT_NE(JobOptions(next)["sides"], "two-sided-long-edge");
  EXPECT_EQ(PrintedPages(next), (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace orv::test
