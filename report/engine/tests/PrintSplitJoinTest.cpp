// Big pages split over small sheets and small pages joined on a big one, printed on the private
// CUPS server's PDF queue and read back word by word with pdftotext -bbox: every row of a full
// page lands whole in the printable part of a sheet, and a joined page is never cut.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "report/engine/Printers.h"
#include "report/engine/tests/PrintTesting.h"
#include "report/engine/tests/StoreTestSupport.h"

namespace orv::test {
namespace {

using namespace orv::testing;

constexpr double kPtPerMm = 72 / 25.4;
constexpr double kPxPerMm = 96 / 25.4;
constexpr int kRowPx = 17;

struct TWord {
  std::string Text;
  double Left, Top, Right, Bottom;
};
struct TSheet {
  double Width = 0, Height = 0;
  std::vector<TWord> Words;
};

// The words of every page of a PDF with their boxes in points, as pdftotext -bbox reads them.
std::vector<TSheet> ReadSheets(const std::string& pdf) {
  std::vector<TSheet> sheets;
  std::string html = Run("pdftotext -bbox '" + pdf + "' -");
  std::regex item(R"re(<page width="([0-9.]+)" height="([0-9.]+)">|)re"
                  R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
  for (auto m = std::sregex_iterator(html.begin(), html.end(), item); m != std::sregex_iterator(); ++m) {
    if ((*m)[1].matched) {
      sheets.push_back({std::stod((*m)[1]), std::stod((*m)[2]), {}});
    } else if (!sheets.empty()) {
      sheets.back().Words.push_back(
          {(*m)[7], std::stod((*m)[3]), std::stod((*m)[4]), std::stod((*m)[5]), std::stod((*m)[6])});
    }
  }
  return sheets;
}

// Margins of a sheet in mm: left, top, right, bottom.
struct TMargins {
  double Left, Top, Right, Bottom;
};

// How much of each word the sheets print, summed over the sheets: the part of its box inside
// each sheet's margins (a printer prints nothing outside them). A row cut where two sheets
// overlap is printed partly on each (and the overlap counts twice); below 1 a row is lost in
// part. Whole counts the sheets that print the word whole.
struct TPrinted {
  double Part = 0;
  int Whole = 0;
};
std::map<std::string, TPrinted> PrintedWords(const std::vector<TSheet>& sheets, const TMargins& m) {
  // The printer reports its margins in whole millimetres.
  constexpr double slack = 0.7 * kPtPerMm;
  std::map<std::string, TPrinted> printed;
  for (const TSheet& sheet : sheets) {
    double left = m.Left * kPtPerMm - slack, top = m.Top * kPtPerMm - slack;
    double right = sheet.Width - m.Right * kPtPerMm + slack, bottom = sheet.Height - m.Bottom * kPtPerMm + slack;
    for (const TWord& w : sheet.Words) {
      double width = std::min(w.Right, right) - std::max(w.Left, left);
      double height = std::min(w.Bottom, bottom) - std::max(w.Top, top);
      if (width <= 0 || height <= 0) continue;
      double part = width * height / ((w.Right - w.Left) * (w.Bottom - w.Top));
      printed[w.Text].Part += part;
      printed[w.Text].Whole += part > 0.999;
    }
  }
  return printed;
}

// One page of the given paper (and margins of 10 mm) filled with rows from its top margin to
// its bottom one: "row<n>" at the left edge and "end<n>" at the right.
struct TFullPages : TListReport {
  TCupsServer Server = UseTestServer();
  int Rows = 0;

  TFullPages(Integer paperSize, TPrinterOrientation orientation, int pages = 1, double width = 0, double height = 0) {
    Page->SetPaperSize(paperSize);
    if (paperSize == 256) {
      Page->SetPaperWidth(width);
      Page->SetPaperHeight(height);
    }
    Page->SetOrientation(orientation);
    Page->SetLeftMargin(10);
    Page->SetTopMargin(10);
    Page->SetRightMargin(10);
    Page->SetBottomMargin(10);
    int usableWidth = static_cast<int>((Page->PaperWidth() - 20) * kPxPerMm);
    Rows = static_cast<int>((Page->PaperHeight() - 20) * kPxPerMm) / kRowPx;
    Data->SetWidth(usableWidth);
    Data->SetHeight(kRowPx);
    Name->SetBounds(0, 0, 150, kRowPx);
    No->SetBounds(usableWidth - 70, 0, 70, kRowPx);
    Start();
    for (int p = 0; p < pages; ++p) {
      Pages->AddPage(Page);
      for (int r = 0; r < Rows; ++r) {
        Data->SetTop(r * kRowPx);
        Name->SetText("row" + std::to_string(p * 1000 + r + 1));
        No->SetText("end" + std::to_string(p * 1000 + r + 1));
        Pages->AddObject(Data);
      }
    }
    Pages->Finish();
    TkvxPrintOptions* o = Report->PrintOptions();
    o->ShowDialog = false;
    o->Printer = "PdfQ";
  }

  TCapturedJob Print(const std::string& title, TkvxPrintMode mode, Integer sheet) {
    Report->PrintOptions()->PrintMode = mode;
    Report->PrintOptions()->PrintOnSheet = sheet;
    Report->ReportOptions()->Name = title;
    EXPECT_TRUE(Pages->Print()) << title;
    TCapturedJob job = FindJob(Server, title);
    EXPECT_TRUE(job.Arrived) << title;
    if (job.Arrived) {
      EXPECT_TRUE(QpdfAccepts(job.DocumentPath)) << title;
      // Pictures of the sheets stay in the build folder, to be looked at.
      std::string folder = std::string(ORVANE_PREVIEW_SCREENSHOT_FOLDER) + "/print-sheets";
      std::filesystem::create_directories(folder);
      orv::testing::Run("pdftoppm -r 150 -png '" + job.DocumentPath + "' '" + folder + "/" +
                        std::regex_replace(title, std::regex("[^A-Za-z0-9]+"), "-") + "'");
    }
    return job;
  }

  // Every row of every page is printed once, both its ends.
  void ExpectEveryRowOnce(const std::map<std::string, TPrinted>& printed, int pages = 1) const {
    for (int p = 0; p < pages; ++p)
      for (int r = 1; r <= Rows; ++r)
        for (const char* side : {"row", "end"}) {
          std::string word = std::string(side) + std::to_string(p * 1000 + r);
          auto found = printed.find(word);
          TPrinted seen = found == printed.end() ? TPrinted{} : found->second;
          EXPECT_GE(seen.Part, 0.99) << word;
          EXPECT_LE(seen.Whole, 1) << word;
        }
  }
};

// The test queue's margins (its printer description) in mm: A5 keeps 36 pt on the left and
// 18 pt elsewhere, A4 18 pt but 36 pt at the bottom. A turned sheet turns them a quarter left.
constexpr TMargins kA5Turned{6.35, 12.7, 6.35, 6.35};
constexpr TMargins kA4{6.35, 6.35, 6.35, 12.7};
constexpr TMargins kA4Turned{12.7, 6.35, 6.35, 6.35};

TEST(PrintSplit, AFullA4PageOnA5SheetsHoldsEveryRowOnce) {
  TFullPages a4(9, poPortrait);
  TCapturedJob job = a4.Print("full A4 split on A5", pmSplit, 11);
  std::vector<TSheet> sheets = ReadSheets(job.DocumentPath);
  // Turned A5 sheets, as many as their printable parts need to reach the page's bottom margin.
  ASSERT_GE(sheets.size(), 2u);
  for (const TSheet& s : sheets) EXPECT_EQ(std::lround(s.Width), 595);
  a4.ExpectEveryRowOnce(PrintedWords(sheets, kA5Turned));
  EXPECT_EQ(JobOptions(job)["media"], "iso_a5_148x210mm");
  // No sheet is blank.
  for (size_t i = 0; i < sheets.size(); ++i) EXPECT_FALSE(sheets[i].Words.empty()) << i;
}

TEST(PrintSplit, AnA3PageOnA4SheetsKeepsItsRightPart) {
  TFullPages portrait(8, poPortrait);
  TCapturedJob job = portrait.Print("A3 split on A4", pmSplit, 9);
  std::vector<TSheet> sheets = ReadSheets(job.DocumentPath);
  ASSERT_GE(sheets.size(), 2u);
  portrait.ExpectEveryRowOnce(PrintedWords(sheets, kA4Turned));

  TFullPages landscape(8, poLandscape);
  job = landscape.Print("A3 landscape split on A4", pmSplit, 9);
  sheets = ReadSheets(job.DocumentPath);
  ASSERT_GE(sheets.size(), 2u);
  for (const TSheet& s : sheets) EXPECT_EQ(std::lround(s.Width), 595) << "upright A4";
  landscape.ExpectEveryRowOnce(PrintedWords(sheets, kA4));
}

TEST(PrintJoin, PlacesOnlyWholePages) {
  // Four 120 x 170 mm cards: two side by side on a turned A4, never a 2 x 2 block cut at 210 mm.
  TFullPages cards(256, poPortrait, 4, 120, 170);
  TCapturedJob job = cards.Print("cards joined on A4", pmJoin, 9);
  std::vector<TSheet> sheets = ReadSheets(job.DocumentPath);
  ASSERT_EQ(sheets.size(), 2u);
  for (const TSheet& s : sheets) EXPECT_EQ(std::lround(s.Width), 842);
  cards.ExpectEveryRowOnce(PrintedWords(sheets, {0, 0, 0, 0}), 4);
  // Each sheet holds two whole cards.
  for (const TSheet& s : sheets) {
    std::set<int> onSheet;
    for (const TWord& w : s.Words)
      if (w.Text.rfind("row", 0) == 0) onSheet.insert(std::stoi(w.Text.substr(3)) / 1000);
    EXPECT_EQ(onSheet.size(), 2u);
  }

  // A page bigger than the sheet still prints, one to a sheet.
  TFullPages big(8, poPortrait, 2);
  job = big.Print("A3 joined on A4", pmJoin, 9);
  EXPECT_EQ(ReadSheets(job.DocumentPath).size(), 2u);
}

}  // namespace
}  // namespace orv::test
