// Workbook files read into the model: cells and looks as the file format defines them, and
// damaged and hostile files refused with a message.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/rtl/Dispatch.h"
#include "platform/sheet/SheetWorkbook.h"
#include "platform/sheet/tests/WorkbookReader.h"

using namespace orv;
namespace fs = std::filesystem;

namespace {

size_t OpenDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// A "Name:  123 kB" line of /proc/self/status.
long long StatusKb(const std::string& name) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(name, 0) == 0) return std::stoll(line.substr(name.size()));
  return 0;
}

}  // namespace

TEST(XlsxInput, EveryKindOfCellAndLookIsReadAndDamagedFilesAreRefused) {
  auto dir = fs::temp_directory_path() / ("orvane-xlsx-input-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string cmd = std::string(ORVANE_PYTHON) + " '" + ORVANE_TEST_DATA + "/damaged_workbooks.py' '" + dir.string() + "' '" +
                    ORVANE_TEST_DATA + "/../../fuzz/seeds/cells'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);

  auto good = ReadXlsx((dir / "good.xlsx").string());
  ASSERT_EQ(good->SheetCount(), 1);
  EXPECT_EQ(good->Sheet(1)->Value({2, 2}).ToString(), "one");
  EXPECT_EQ(good->Sheet(1)->Value({2, 3}).ToDouble(), 2.5);

  // Every kind of cell and look the reader carries, as the file format defines them.
  auto styled = ReadXlsx((dir / "styled.xlsx").string());
  const SheetWorksheet& s = *styled->Sheet(1);
  EXPECT_EQ(s.Name(), "S");
  EXPECT_EQ(s.Value({1, 1}).ToString(), "ทะเบียน");
  EXPECT_EQ(s.Value({1, 2}).ToDouble(), 12.5);
  EXPECT_EQ(s.CellAt(1, 3)->Kind, SheetCellKind::Boolean);
  EXPECT_TRUE(s.CellAt(1, 3)->Boolean);
  EXPECT_EQ(s.Value({1, 4}).ToDouble(), 1462) << "1904-01-01 of a workbook counted from 1904";
  EXPECT_EQ(s.StyleAt({1, 4}).NumberFormat, "mm-dd-yy");
  EXPECT_EQ(s.CellAt(3, 2)->Kind, SheetCellKind::Formula);
  EXPECT_EQ(s.Value({3, 2}).ToString(), "=SUM(B1:B2)");
  EXPECT_EQ(s.StoredResult(3, 2), 12.5);
  EXPECT_EQ(s.Value({3, 3}).ToString(), "inline");
  const SheetStyle& a1 = s.StyleAt({1, 1});
  EXPECT_EQ(a1.FontName, "Tahoma");
  EXPECT_EQ(a1.FontSize, 14);
  EXPECT_TRUE(a1.Bold && a1.Italic && a1.Underline);
  EXPECT_EQ(a1.FontColor, 0x0000C0);
  EXPECT_EQ(a1.FillColor, 0x00FFFF);
  EXPECT_EQ(a1.Edges[0].LineStyle, xlContinuous);
  EXPECT_EQ(a1.Edges[0].Weight, xlThin);
  EXPECT_EQ(a1.Edges[0].Color, 0xFF0000);
  EXPECT_EQ(a1.Edges[2].LineStyle, -4115) << "dashed";
  EXPECT_EQ(a1.Edges[2].Weight, -4138) << "medium";
  EXPECT_EQ(a1.Edges[1].LineStyle, xlNone);
  EXPECT_EQ(a1.NumberFormat, "0.00");
  EXPECT_EQ(a1.HorizontalAlignment, -4108);
  EXPECT_TRUE(a1.WrapText);
  EXPECT_EQ(a1.Orientation, -45) << "135 turns the text 45 degrees downwards";
  EXPECT_EQ(s.StyleAt({1, 2}).FontName, "") << "the file's Calibri 11 is the model's own font";
  ASSERT_EQ(s.Merges().size(), 1u);
  EXPECT_EQ(s.Merges()[0].First.Row, 3);
  EXPECT_EQ(s.Merges()[0].Last.Row, 5);
  ASSERT_TRUE(s.AutoFilter());
  EXPECT_EQ(s.AutoFilter()->Last.Column, 3);
  EXPECT_TRUE(s.PrintGridlines);
  // 20 digit widths stored, padding included: 135 pixels of text, 19 2/7 characters.
  ASSERT_TRUE(s.ColumnWidth(2));
  EXPECT_NEAR(*s.ColumnWidth(2), 135.0 / 7, 1e-9);
  EXPECT_FALSE(s.ColumnWidth(3));

  // A merge of the whole sheet is kept to the cells the sheet uses, so that saving it writes
  // no more than those; a small merge beyond them stays as it is.
  {
    auto merged = ReadXlsx((dir / "whole-sheet-merge.xlsx").string());
    std::vector<std::string> ranges;
    for (const SheetRect& m : merged->Sheet(1)->Merges())
      ranges.push_back(SheetColumnName(m.First.Column) + std::to_string(m.First.Row) + ":" +
                       SheetColumnName(m.Last.Column) + std::to_string(m.Last.Row));
    std::sort(ranges.begin(), ranges.end());
    EXPECT_EQ(ranges, (std::vector<std::string>{"A1:C3", "E7:H8"}));
    const std::string saved = (dir / "whole-sheet-merge-saved.xlsx").string();
    merged->SaveAs(saved);
    sheettest::WorkbookFacts after(saved);
    ASSERT_TRUE(after.Ok()) << after.Raw();
    std::vector<std::string> read = after.Lines("MERGE");
    std::sort(read.begin(), read.end());
    EXPECT_EQ(read, (std::vector<std::string>{"S A1:C3", "S E7:H8"}));
  }

  ASSERT_EQ(::mkfifo((dir / "pipe.xlsx").c_str(), 0600), 0);
  for (const char* name : {"row-beyond", "column-beyond", "string-index", "not-a-number", "bad-xml", "rows-backwards",
                           "no-sheet-part", "not-a-zip", "truncated", "wide-rows", "long-text", "pipe"}) {
    std::string file = (dir / (std::string(name) + ".xlsx")).string();
    try {
      ReadXlsx(file);
      ADD_FAILURE() << name << " was read";
    } catch (const EOleException& e) {
      EXPECT_NE(e.Message().find(file), std::string::npos) << name << ": " << e.Message();
    }
  }

  // Small files that unpack to gigabytes, or claim to: refused at once, in little memory, with
  // every file they opened closed again.
  for (const char* name : {"bomb", "many-parts", "text-count"}) {
    std::string file = (dir / (std::string(name) + ".xlsx")).string();
    size_t descriptors = OpenDescriptors();
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from what is held now
    long long before = StatusKb("VmRSS:");
    auto start = std::chrono::steady_clock::now();
    try {
      ReadXlsx(file);
      ADD_FAILURE() << name << " was read";
    } catch (const EOleException& e) {
      EXPECT_NE(e.Message().find(file), std::string::npos) << name << ": " << e.Message();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long long grown = (StatusKb("VmHWM:") - before) / 1024;
    std::printf("%s refused in %.2f s, %lld MB more at the peak\n", name, seconds, grown);
    EXPECT_LE(grown, 200) << name;
    EXPECT_EQ(OpenDescriptors(), descriptors) << name;
  }
  fs::remove_all(dir);
}

// A formula filled down or across is stored once for its range; LibreOffice writes each cell's
// formula in full, so its file is rewritten into that shared form, read, saved, and compared
// cell by cell with what LibreOffice wrote.
TEST(XlsxInput, FormulasSharedDownAndAcrossARangeKeepTheirFormulaInEveryCell) {
  auto dir = fs::temp_directory_path() / ("orvane-xlsx-shared-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string cmd = "soffice -env:UserInstallation=file://" + (dir / "lo-profile").string() +
                    " --headless --convert-to xlsx --outdir '" + dir.string() + "' '" + ORVANE_TEST_DATA +
                    "/filled_formulas.fods' > '" + (dir / "soffice.log").string() + "' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string written = (dir / "filled_formulas.xlsx").string(), shared = (dir / "shared.xlsx").string(),
              saved = (dir / "saved.xlsx").string();
  cmd = std::string(ORVANE_PYTHON) + " '" + ORVANE_TEST_DATA + "/share_formulas.py' '" + written + "' '" + shared +
        "' B1:B6 C1:C6 B8:D8";
  ASSERT_EQ(std::system(cmd.c_str()), 0);

  auto book = ReadXlsx(shared);
  EXPECT_EQ(book->Sheet(1)->Value({4, 2}).ToString(), "=A4*2+$A$1");
  EXPECT_EQ(book->Sheet(1)->StoredResult(4, 2), 27);
  book->SaveAs(saved);

  sheettest::WorkbookFacts before(written), after(saved), beforeValues(written, true), afterValues(saved, true);
  ASSERT_TRUE(after.Ok()) << after.Raw();
  std::vector<std::string> cells;
  for (int r = 1; r <= 6; ++r)
    for (const char* c : {"B", "C"}) cells.push_back(c + std::to_string(r));
  for (const char* c : {"B8", "C8", "D8"}) cells.push_back(c);
  for (const auto& cell : cells) {
    std::string ref = "Filled!" + cell;
    EXPECT_EQ(after.Type(ref), "f") << ref;
    EXPECT_EQ(after.Value(ref), before.Value(ref)) << ref;
    EXPECT_EQ(afterValues.Value(ref), beforeValues.Value(ref)) << ref;
  }
  EXPECT_EQ(after.Value("Filled!C4"), "=SUM($A$1:A4)");
  EXPECT_EQ(afterValues.Value("Filled!C4"), "30");
  EXPECT_EQ(after.Value("Filled!D8"), "=C1*10");
  EXPECT_EQ(afterValues.Value("Filled!D8"), "30");
  fs::remove_all(dir);
}

// A sheet's paper, orientation and margins come in with the workbook and go out with it.
TEST(XlsxInput, PageSetupIsReadAndSavedAgain) {
  auto dir = fs::temp_directory_path() / ("orvane-xlsx-page-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string source = (dir / "setup.xlsx").string(), saved = (dir / "saved.xlsx").string();
  ASSERT_EQ(std::system((std::string(ORVANE_PYTHON) + " '" + ORVANE_TEST_DATA + "/page_setup.py' '" + source + "'").c_str()), 0);
  auto book = ReadXlsx(source);
  const SheetPageSetup& setup = book->Sheet(1)->PageSetup;
  EXPECT_TRUE(setup.Landscape);
  EXPECT_EQ(setup.PaperSize, 5);
  EXPECT_EQ(setup.LeftMargin, 0.5);
  EXPECT_EQ(setup.RightMargin, 0.6);
  EXPECT_EQ(setup.TopMargin, 1.2);
  EXPECT_EQ(setup.BottomMargin, 1.3);
  EXPECT_EQ(setup.HeaderMargin, 0.4);
  EXPECT_FALSE(book->Sheet(2)->PageSetup.Landscape);
  book->Sheet(1)->CenterHeader = "Setup";
  book->SaveAs(saved);
  sheettest::WorkbookFacts after(saved);
  ASSERT_TRUE(after.Ok()) << after.Raw();
  // openpyxl's own margins on the second sheet stay; its header margin goes with no header to place.
  EXPECT_EQ(after.Lines("PAGE"),
            (std::vector<std::string>{"Setup landscape 5 0.5,0.6,1.2,1.3,0.4", "Plain default - 0.75,0.75,1,1,0.3"}));
  fs::remove_all(dir);
}
