// Pages of one report that ask for different paper, orientation and trays, printed on the
// private CUPS server's PDF queue: each page reaches the capture backend with its own options.
#include <gtest/gtest.h>

#include "report/engine/Printers.h"
#include "report/engine/tests/PrintTesting.h"
#include "report/engine/tests/StoreTestSupport.h"

namespace orv::test {
namespace {

using namespace orv::testing;

Integer BinCode(const String& name) {
  for (const TkvxPrinterItem& bin : kvxPrinters()->Printer()->Bins())
    if (bin.Name == name) return bin.Code;
  ADD_FAILURE() << "no bin " << name;
  return 7;
}

// The first row of each page of a job ("row1", "row21" ...), one entry a page.
std::vector<std::string> FirstRows(const TCapturedJob& job) {
  std::vector<std::string> rows;
  for (size_t n = 1; n <= PdfPageSizes(job.DocumentPath).size(); ++n) {
    std::string text = PdfText(job.DocumentPath, static_cast<int>(n));
    size_t at = text.find("row");
    rows.push_back(at == std::string::npos ? "" : text.substr(at, text.find_first_of(" \n", at) - at));
  }
  return rows;
}

TEST(PrintPageOptions, EachPageGoesOutOnItsOwnPaperTrayAndOrientation) {
  TListReport list;
  TCupsServer server = UseTestServer();
  TkvxPrintOptions* o = list.Report->PrintOptions();
  o->ShowDialog = false;
  o->Printer = "PdfQ";
  kvxPrinters()->SetPrinterIndex(kvxPrinters()->IndexOf("PdfQ"));
  // The first page from tray 1 (letterhead), the others from tray 2.
  list.Page->SetBin(BinCode("Tray 1"));
  list.Page->SetBinOtherPages(BinCode("Tray 2"));
  list.Start();
  for (int i = 0; i < 80; ++i) list.AddRow(i, "row" + std::to_string(i + 1));
  list.Pages->Finish();
  ASSERT_EQ(list.Pages->GetCount(), 4);
  // Page 2 on A5; pages 3 and 4 on A4 turned.
  auto a5 = list.Pages->GetPageShared(1);
  a5->SetPaperSize(11);
  list.Pages->ModifyPage(1, a5.get());
  for (Integer i : {2, 3}) {
    auto turned = list.Pages->GetPageShared(i);
    turned->SetOrientation(poLandscape);
    list.Pages->ModifyPage(i, turned.get());
  }
  list.Report->ReportOptions()->Name = "mixed papers";
  ASSERT_TRUE(list.Pages->Print());

  std::vector<TCapturedJob> jobs = FindJobs(server, "mixed papers", 3);
  ASSERT_EQ(jobs.size(), 3u);
  for (size_t k = 0; k < jobs.size(); ++k) {
    EXPECT_TRUE(QpdfAccepts(jobs[k].DocumentPath));
    // Pictures of the pages stay in the build folder, to be looked at.
    std::string picture = std::string(ORVANE_PREVIEW_SCREENSHOT_FOLDER) + "/mixed-papers-job" + std::to_string(k + 1);
    orv::testing::Run("pdftoppm -r 150 -png '" + jobs[k].DocumentPath + "' '" + picture + "'");
  }
  auto first = JobOptions(jobs[0]);
  EXPECT_EQ(PdfPageSizes(jobs[0].DocumentPath), (std::vector<std::string>{"595x842"}));
  EXPECT_EQ(FirstRows(jobs[0]), (std::vector<std::string>{"row1"}));
  EXPECT_EQ(first["media"], "iso_a4_210x297mm");
  EXPECT_EQ(first["media-source"], "tray-1");
  EXPECT_EQ(first["orientation-requested"], "3");

  auto second = JobOptions(jobs[1]);
  EXPECT_EQ(PdfPageSizes(jobs[1].DocumentPath), (std::vector<std::string>{"420x595"}));
  EXPECT_EQ(FirstRows(jobs[1]), (std::vector<std::string>{"row21"}));
  EXPECT_EQ(second["media"], "iso_a5_148x210mm");
  EXPECT_EQ(second["PageSize"], "A5");
  EXPECT_EQ(second["media-source"], "tray-2");
  EXPECT_EQ(second["orientation-requested"], "3");

  // Two turned pages with the same needs share a job.
  auto third = JobOptions(jobs[2]);
  EXPECT_EQ(PdfPageSizes(jobs[2].DocumentPath), (std::vector<std::string>{"842x595", "842x595"}));
  EXPECT_EQ(FirstRows(jobs[2]), (std::vector<std::string>{"row41", "row61"}));
  EXPECT_EQ(third["media"], "iso_a4_210x297mm");
  EXPECT_EQ(third["media-source"], "tray-2");
  EXPECT_EQ(third["orientation-requested"], "4");
}

TEST(PrintPageOptions, ACancelledMixedJobSendsNothing) {
  TListReport list;
  TCupsServer server = UseTestServer();
  TkvxPrintOptions* o = list.Report->PrintOptions();
  o->ShowDialog = false;
  o->Printer = "PdfQ";
  list.Run(60);
  auto a5 = list.Pages->GetPageShared(1);
  a5->SetPaperSize(11);
  list.Pages->ModifyPage(1, a5.get());
  // Cancelled on the third page, after the first two have gone to printer jobs of their own.
  list.Report->OnPrintPage = [&](TkvxReportPage*, Integer) {
    static int pages = 0;
    if (++pages == 3) list.Report->SetTerminated(true);
  };
  list.Report->ReportOptions()->Name = "cancelled mixed";
  EXPECT_FALSE(list.Pages->Print());
  list.Report->OnPrintPage = nullptr;
  list.Report->ReportOptions()->Name = "after the mixed cancel";
  ASSERT_TRUE(list.Pages->Print());
  EXPECT_EQ(FindJobs(server, "after the mixed cancel", 3).size(), 3u);
  EXPECT_TRUE(FindJobs(server, "cancelled mixed", 0).empty());
}

}  // namespace
}  // namespace orv::test
