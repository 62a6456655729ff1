// Prepared pages printed through the PDF writer on the private CUPS server's PDF queue: the job
// reads back with pdftotext as the text stored, Thai marks in their stored order included, its
// fonts are subsets, and the words stand on the sheets where the printer's canvas puts them in
// every print mode; jobs cut by their pages' sides, print to a file and a cancel behave as on the
// canvas.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

#include "platform/rtl/Streams.h"
#include "report/engine/PrintSpool.h"
#include "report/engine/Printers.h"
#include "report/engine/tests/EngineTestSupport.h"
#include "report/engine/tests/PrintTesting.h"
#include "report/engine/tests/StoreTestSupport.h"
#include "report/model/Bands.h"
#include "report/pdf/PdfPrintSpool.h"

namespace orv::test {
namespace {

using namespace orv::testing;

// Thai with marks above and below, and the two stored orders of a tone mark over SARA AM that
// show the same glyphs: "นํ้า" (NIKHAHIT, MAI THO, SARA AA) and "น้ำ" (MAI THO, SARA AM).
const std::vector<std::string> kThai = {"นํ้าใส",       "น้ำใจ",     "ผู้ใหญ่บ้าน", "ปั้นดินเผา", "กี่ครั้ง",
                                        "ญาติพี่น้อง", "ฐานะฤๅษี", "สัตบุรุษ",    "ชื่อเล่น",   "นํ้าตาล"};

// A word's place on a printed sheet, in points from its top left.
struct TWordBox {
  std::string Word;
  double X = 0, Y = 0;
};

std::vector<TWordBox> WordBoxes(const std::string& pdf, int page) {
  std::string p = std::to_string(page);
  std::string html = orv::testing::Run("pdftotext -bbox -f " + p + " -l " + p + " '" + pdf + "' -");
  std::vector<TWordBox> boxes;
  std::regex word(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="[0-9.]+" yMax="[0-9.]+">([^<]*)</word>)re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it)
    boxes.push_back({(*it)[3].str(), std::stod((*it)[1].str()), std::stod((*it)[2].str())});
  return boxes;
}

// A list of rows "row1" to "rowN" on A4 with 10 mm margins, three rows a page, run by the engine
// with the register's own memos, and a page header.
struct TSpooledList {
  TCupsServer Server = UseTestServer();
  TEngineReport R{297};

  explicit TSpooledList(int rows = 9, Integer paperSize = 9, std::vector<std::string> names = {}) {
    kvxUsePDFForPrinting();
    R.Page->SetPaperSize(paperSize);
    R.Page->SetLeftMargin(10);
    R.Page->SetRightMargin(10);
    R.Page->SetTopMargin(10);
    R.Page->SetBottomMargin(10);
    R.MemoView(R.Band<TkvxPageHeader>("PH", 0, 40), "Title", "heading", 40);
    auto* data = R.Band<TkvxMasterData>("Data", 60, paperSize == 11 ? 220 : 330);
    std::vector<std::map<String, Variant>> set;
    for (int i = 0; i < rows; ++i)
      set.push_back({{"Nm", Variant(names.empty() ? "row" + std::to_string(i + 1) : names[i % names.size()])}});
    data->SetDataSet(R.Data("M", set));
    TkvxMemoView* row = R.MemoView(data, "Row", "[M.\"Nm\"]");
    row->SetLeft(40);
    // The register's own documents are set in Laksaman.
    row->Font()->SetName("Laksaman");
    EXPECT_TRUE(R.Report->PrepareReport()) << R.Report->Errors->Text();
    TkvxPrintOptions* o = R.Report->PrintOptions();
    o->ShowDialog = false;
    o->Printer = "PdfQ";
  }
  ~TSpooledList() { kvxSetPrintSpoolMaker(nullptr); }

  TCapturedJob Print(std::string title) {
    // The server keeps the jobs of earlier runs of the tests.
    title += " " + std::to_string(getpid());
    R.Report->ReportOptions()->Name = title;
    EXPECT_TRUE(R.Pages().Print()) << title << ": " << R.Report->Errors->Text();
    TCapturedJob job = FindJob(Server, title);
    EXPECT_TRUE(job.Arrived) << title;
    if (job.Arrived) {
      EXPECT_TRUE(QpdfAccepts(job.DocumentPath)) << title;
    }
    return job;
  }

  // The same job drawn on the printer's canvas, as a program without the PDF writer prints it.
  TCapturedJob PrintOnCanvas(const std::string& title) {
    kvxSetPrintSpoolMaker(nullptr);
    TCapturedJob job = Print(title);
    kvxUsePDFForPrinting();
    return job;
  }
};

// The rows each sheet of a job shows, by their numbers.
std::vector<std::string> SheetRows(const TCapturedJob& job) {
  std::vector<std::string> sheets;
  for (size_t n = 1; n <= PdfPageSizes(job.DocumentPath).size(); ++n) {
    std::string rows;
    for (const TWordBox& b : WordBoxes(job.DocumentPath, static_cast<int>(n)))
      if (b.Word.rfind("row", 0) == 0) rows += (rows.empty() ? "" : " ") + b.Word.substr(3);
    sheets.push_back(rows);
  }
  return sheets;
}

// Every word of the canvas's job stands within a point of the same word of the spooled job, on
// the same sheet.
void ExpectSamePlaces(const TCapturedJob& canvas, const TCapturedJob& spooled) {
  size_t sheets = PdfPageSizes(canvas.DocumentPath).size(), words = 0;
  ASSERT_EQ(PdfPageSizes(spooled.DocumentPath), PdfPageSizes(canvas.DocumentPath));
  for (size_t n = 1; n <= sheets; ++n) {
    std::vector<TWordBox> a = WordBoxes(canvas.DocumentPath, static_cast<int>(n));
    std::vector<TWordBox> b = WordBoxes(spooled.DocumentPath, static_cast<int>(n));
    ASSERT_EQ(a.size(), b.size()) << "sheet " << n;
    words += a.size();
    for (const TWordBox& w : a) {
      bool found = false;
      for (const TWordBox& v : b) found = found || (v.Word == w.Word && std::fabs(v.X - w.X) < 1.5 && std::fabs(v.Y - w.Y) < 1.5);
      EXPECT_TRUE(found) << w.Word << " at " << w.X << "," << w.Y << " on sheet " << n;
    }
  }
  EXPECT_GT(words, 0u);
}

// The lines pdftotext reads from a job, the page header's left out.
std::vector<std::string> RowLines(const TCapturedJob& job) {
  std::string text = orv::testing::Run("pdftotext -raw '" + job.DocumentPath + "' -");
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    while (!line.empty() && (line.back() == '\f' || line.back() == ' ')) line.pop_back();
    if (!line.empty() && line.front() == '\f') line.erase(0, 1);
    if (!line.empty() && line != "heading") lines.push_back(line);
  }
  return lines;
}

TEST(PrintSpool, TheJobReadsAsTheStoredTextInSubsetFonts) {
  TSpooledList list(static_cast<int>(kThai.size()), 9, kThai);
  TCapturedJob job = list.Print("thai as stored");
  ASSERT_TRUE(job.Arrived);
  // A picture of the first sheet stays in the build folder, to be looked at.
  orv::testing::Run("pdftoppm -r 150 -png -f 1 -l 1 '" + job.DocumentPath + "' '" +
                    ORVANE_PREVIEW_SCREENSHOT_FOLDER + "/spooled-thai'");
  EXPECT_EQ(RowLines(job), kThai);
  // Every font the job carries is embedded as a subset: its name has the six-letter tag.
  std::string fonts = orv::testing::Run("pdffonts '" + job.DocumentPath + "'");
  std::istringstream rows(fonts);
  std::string row;
  int listed = 0;
  std::getline(rows, row);
  std::getline(rows, row);
  while (std::getline(rows, row)) {
    ++listed;
    EXPECT_TRUE(std::regex_search(row, std::regex("^[A-Z]{6}\\+"))) << row;
    EXPECT_TRUE(std::regex_search(row, std::regex(" yes +yes +"))) << "embedded subset: " << row;
  }
  EXPECT_GT(listed, 0) << fonts;
}

TEST(PrintSpool, OnTheCanvasTooTheJobReadsAsTheStoredText) {
  // Twice over, so that the page that holds both orders of the same glyphs comes in both turns.
  std::vector<std::string> names = kThai;
  names.insert(names.end(), kThai.rbegin(), kThai.rend());
  TSpooledList list(static_cast<int>(names.size()), 9, names);
  TCapturedJob job = list.PrintOnCanvas("thai as stored on the canvas");
  ASSERT_TRUE(job.Arrived);
  EXPECT_EQ(RowLines(job), names);
}

TEST(PrintSpool, PagesCopiesAndSidesAsOnTheCanvas) {
  TSpooledList list;
  TkvxPrintOptions* o = list.R.Report->PrintOptions();
  ASSERT_EQ(list.R.Pages().GetCount(), 3);
  ExpectSamePlaces(list.PrintOnCanvas("canvas plain"), list.Print("spooled plain"));
  o->PageNumbers = "1-3";
  o->Reverse = true;
  o->Copies = 2;
  TCapturedJob collated = list.Print("spooled reversed copies");
  EXPECT_EQ(SheetRows(collated), (std::vector<std::string>{"7 8 9", "4 5 6", "1 2 3", "7 8 9", "4 5 6", "1 2 3"}));
  EXPECT_EQ(ArgValue(collated, "copies"), "1");
  o->Reverse = false;
  o->Collate = false;
  o->PrintPages = ppOdd;
  TCapturedJob uncollated = list.Print("spooled odd uncollated");
  EXPECT_EQ(SheetRows(uncollated), (std::vector<std::string>{"1 2 3", "7 8 9"}));
  EXPECT_EQ(ArgValue(uncollated, "copies"), "2");

  // On both sides each collated copy ends on a blank back.
  o->Copies = 2;
  o->Collate = true;
  o->PrintPages = ppAll;
  list.R.Page->SetDuplex(dmVertical);
  ASSERT_TRUE(list.R.Report->PrepareReport());
  TCapturedJob duplex = list.Print("spooled duplex");
  EXPECT_EQ(SheetRows(duplex), (std::vector<std::string>{"1 2 3", "4 5 6", "7 8 9", "", "1 2 3", "4 5 6", "7 8 9", ""}));
  EXPECT_EQ(JobOptions(duplex)["sides"], "two-sided-long-edge");
}

Integer BinCode(const String& name) {
  for (const TkvxPrinterItem& bin : kvxPrinters()->Printer()->Bins())
    if (bin.Name == name) return bin.Code;
  ADD_FAILURE() << "no bin " << name;
  return 7;
}

TEST(PrintSpool, EachPaperTrayAndTurnIsAJobOfItsOwnAsOnTheCanvas) {
  TSpooledList list;
  kvxPrinters()->SetPrinterIndex(kvxPrinters()->IndexOf("PdfQ"));
  list.R.Page->SetBin(BinCode("Tray 1"));
  list.R.Page->SetBinOtherPages(BinCode("Tray 2"));
  ASSERT_TRUE(list.R.Report->PrepareReport());
  TkvxPreviewPages& pages = list.R.Pages();
  ASSERT_EQ(pages.GetCount(), 3);
  auto a5 = pages.GetPageShared(1);
  a5->SetPaperSize(11);
  pages.ModifyPage(1, a5.get());
  auto turned = pages.GetPageShared(2);
  turned->SetOrientation(poLandscape);
  pages.ModifyPage(2, turned.get());
  const std::string run = " " + std::to_string(getpid());
  list.R.Report->ReportOptions()->Name = "spooled papers" + run;
  ASSERT_TRUE(pages.Print());
  std::vector<TCapturedJob> spooled = FindJobs(list.Server, "spooled papers" + run, 3);
  kvxSetPrintSpoolMaker(nullptr);
  list.R.Report->ReportOptions()->Name = "canvas papers" + run;
  ASSERT_TRUE(pages.Print());
  kvxUsePDFForPrinting();
  std::vector<TCapturedJob> canvas = FindJobs(list.Server, "canvas papers" + run, 3);
  ASSERT_EQ(spooled.size(), 3u);
  ASSERT_EQ(canvas.size(), 3u);
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_TRUE(QpdfAccepts(spooled[k].DocumentPath));
    EXPECT_EQ(JobSettings(spooled[k]), JobSettings(canvas[k])) << k;
    ExpectSamePlaces(canvas[k], spooled[k]);
    // Pictures of the sheets stay in the build folder, to be looked at.
    orv::testing::Run("pdftoppm -r 150 -png '" + spooled[k].DocumentPath + "' '" + ORVANE_PREVIEW_SCREENSHOT_FOLDER +
        "/spooled-papers-job" + std::to_string(k + 1) + "'");
  }
  EXPECT_EQ(PdfPageSizes(spooled[1].DocumentPath), (std::vector<std::string>{"420x595"}));
  EXPECT_EQ(JobOptions(spooled[0])["media-source"], "tray-1");
  EXPECT_EQ(JobOptions(spooled[1])["media-source"], "tray-2");
  EXPECT_EQ(SheetRows(spooled[2]), (std::vector<std::string>{"7 8 9"}));
}

TEST(PrintSpool, ScaleSplitAndJoinPutTheWordsWhereTheCanvasDoes) {
  {
    TSpooledList letter(9, 1);
    TkvxPrintOptions* o = letter.R.Report->PrintOptions();
    o->PrintMode = pmScale;
    o->PrintOnSheet = 9;
    ExpectSamePlaces(letter.PrintOnCanvas("canvas scaled"), letter.Print("spooled scaled"));
  }
  {
    TSpooledList a5(6, 11);
    TkvxPrintOptions* o = a5.R.Report->PrintOptions();
    o->PrintMode = pmJoin;
    o->PrintOnSheet = 9;
    TCapturedJob joined = a5.Print("spooled joined");
    EXPECT_EQ(PdfPageSizes(joined.DocumentPath), (std::vector<std::string>{"842x595"}));
    ExpectSamePlaces(a5.PrintOnCanvas("canvas joined"), joined);
  }
  {
    // A3 pages over A4 sheets.
    TSpooledList a3(3, 8);
    TkvxPrintOptions* o = a3.R.Report->PrintOptions();
    o->PrintMode = pmSplit;
    o->PrintOnSheet = 9;
    o->PageNumbers = "1";
    TCapturedJob split = a3.Print("spooled split");
    EXPECT_GT(PdfPageSizes(split.DocumentPath).size(), 1u);
    ExpectSamePlaces(a3.PrintOnCanvas("canvas split"), split);
  }
}

TEST(PrintSpool, ToAFileAndCancelledAsOnTheCanvas) {
  TSpooledList list;
  std::string file = TempFolder("print-spool") + "/job.pdf";
  {
    TFileStream old(file, fmCreate);
    old.Write("old", 3);
  }
  kvxPrinters()->SetPrinterIndex(kvxPrinters()->IndexOf("PdfQ"));
  list.R.Report->PrintOptions()->Printer = "";
  kvxPrinters()->Printer()->SetFileName(file);
  list.R.Report->ReportOptions()->Name = "spooled to a file";
  ASSERT_TRUE(list.R.Pages().Print()) << list.R.Report->Errors->Text();
  EXPECT_TRUE(QpdfAccepts(file));
  EXPECT_EQ(PdfPageSizes(file).size(), 3u);
  EXPECT_NE(orv::testing::Run("pdftotext -raw '" + file + "' -").find("row9"), std::string::npos);
  EXPECT_EQ(kvxPrinters()->Printer()->FileName(), "");
  // Nothing of the spool is left beside the file.
  int others = 0;
  for (auto& e : std::filesystem::directory_iterator(std::filesystem::path(file).parent_path()))
    others += e.path() != file;
  EXPECT_EQ(others, 0);

  list.R.Report->PrintOptions()->Printer = "PdfQ";
  list.R.Report->OnProgress = [](TkvxReport* report, TkvxProgressType, Integer) { report->SetTerminated(true); };
  const std::string cancelled = "spooled and cancelled " + std::to_string(getpid());
  list.R.Report->ReportOptions()->Name = cancelled;
  EXPECT_FALSE(list.R.Pages().Print());
  EXPECT_FALSE(kvxPrinters()->Printer()->Printing());
  list.R.Report->OnProgress = nullptr;
  list.Print("spooled after the cancel");
  for (auto& e : std::filesystem::directory_iterator(list.Server.Tree + "/out"))
    if (e.path().extension() == ".args") {
      EXPECT_EQ(ReadFile(e.path()).find("title=" + cancelled), std::string::npos);
    }

  // A print that selects no page begins no job: what is drawn on the printer's canvas after it
  // still reaches the paper.
  TkvxPrintOptions* o = list.R.Report->PrintOptions();
  o->PageNumbers = "1";
  o->PrintPages = ppEven;
  list.R.Pages().Print();
  const std::string plain = "canvas after nothing " + std::to_string(getpid());
  TCapturedJob drawn = PrintPlainPage(kvxPrinters()->Printer(), list.Server, plain, "drawn");
  ASSERT_TRUE(drawn.Arrived);
  EXPECT_NE(PdfText(drawn.DocumentPath, 1).find("drawn"), std::string::npos);
}

}  // namespace
}  // namespace orv::test
