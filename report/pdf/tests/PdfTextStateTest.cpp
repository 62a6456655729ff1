// A page says its text font and colour only where they change, and the words of a line go on in
// one text showing: each word must still show in its own font and colour, at its own place.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <vector>

#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

void ExpectClean(const std::string& file) {
  TRunResult check = RunCommand("qpdf --check " + Quote(file));
  EXPECT_EQ(check.Status, 0) << check.Output;
}

// Page p of the file at 72 dpi, one pixel a point.
TPixmap Render(const std::string& file, int p) {
  const std::string base = TempPath("text-state-" + std::to_string(p));
  const std::string out = base + ".ppm";
  TRunResult run = RunCommand("pdftoppm -r 72 -singlefile -f " + std::to_string(p) + " -l " + std::to_string(p) +
                              " " + Quote(file) + " " + Quote(base));
  EXPECT_EQ(run.Status, 0) << run.Output;
  return ReadPpm(out);
}

// What the pixels of a box (points from the top left) hold: dark grey to black, clearly red,
// and yellow.
struct TInk {
  int Black = 0, Red = 0, Yellow = 0;
};

TInk InkIn(const TPixmap& pixels, int left, int top, int width, int height) {
  TInk ink;
  for (int y = top; y < top + height && y < pixels.Height; ++y)
    for (int x = left; x < left + width && x < pixels.Width; ++x) {
      const int r = pixels.At(x, y, 0), g = pixels.At(x, y, 1), b = pixels.At(x, y, 2);
      if (r < 110 && g < 110 && b < 110) ++ink.Black;
      if (r > 150 && g < 90 && b < 90) ++ink.Red;
      if (r > 200 && g > 200 && b < 80) ++ink.Yellow;
    }
  return ink;
}

// How often what stands in text.
size_t Occurrences(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// The words pdftotext finds on page p: their text and left edge, in points.
std::vector<std::pair<std::string, double>> Words(const std::string& file, int p) {
  const std::string boxes =
      Shell("pdftotext -bbox -f " + std::to_string(p) + " -l " + std::to_string(p) + " " + Quote(file) + " -");
  std::vector<std::pair<std::string, double>> words;
  std::regex word("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"[0-9.]+\" yMax=\"[0-9.]+\">([^<]*)</word>");
  for (auto it = std::sregex_iterator(boxes.begin(), boxes.end(), word); it != std::sregex_iterator(); ++it)
    words.emplace_back((*it)[2], std::stod((*it)[1]));
  return words;
}

// Rows of three clipped cells, as a list writes them: black text, red text (on yellow in every
// other row) and black again, on a page of its own and on a page shrunk onto a sheet as the
// print spool places it.
TEST(PdfTextState, EachCellOfAListShowsItsTextInItsOwnColourWithTheFontSaidOnce) {
  if (RunCommand("command -v pdftoppm").Status != 0) GTEST_SKIP() << "pdftoppm is not installed";
  EnsureGraphics();
  const std::string file = TempPath("cells.pdf");
  constexpr int kRows = 12;
  // Cells in pixels; the text sits 30 pixels below a row's top.
  constexpr double kLefts[] = {40, 240, 440}, kWidth = 180, kRowHeight = 40;
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    document.Compressed = false;
    auto black = ReportFont("Arial", 14), red = ReportFont("Arial", 14, {}, clRed);
    for (int p = 0; p < 2; ++p) {
      auto& page = document.AddPage(A4Width, A4Height, 0, 0, p);
      if (p == 1) page.SaveStateScaled(0.5, 0.5, 0, 0);
      for (int row = 0; row < kRows; ++row) {
        const double top = 40 + row * kRowHeight;
        for (int cell = 0; cell < 3; ++cell) {
          page.SaveState();
          page.ClipRect(kLefts[cell], top, kWidth, kRowHeight);
          if (cell == 1 && row % 2 == 1) page.FillRect(kLefts[cell], top, kWidth, kRowHeight, clYellow);
          page.TextOut(kLefts[cell] + 4, top + 30, Wide("MMMM " + std::to_string(row)), cell == 1 ? *red : *black);
          page.RestoreState();
        }
      }
      if (p == 1) page.RestoreState();
    }
    SaveDocument(document, file);
  }
  ExpectClean(file);
  std::string expected;
  for (int p = 0; p < 2; ++p)
    for (int row = 0; row < kRows; ++row)
      for (int cell = 0; cell < 3; ++cell) expected += "MMMM" + std::to_string(row);
  EXPECT_EQ(Letters(ExtractText(file)), expected);

  for (int p = 1; p <= 2; ++p) {
    const TPixmap pixels = Render(file, p);
    ASSERT_GT(pixels.Width, 0);
    // Pixels are points; the second page is drawn at half its size.
    const double scale = p == 1 ? 0.75 : 0.375;
    for (int row = 0; row < kRows; ++row) {
      for (int cell = 0; cell < 3; ++cell) {
        const TInk ink = InkIn(pixels, static_cast<int>(kLefts[cell] * scale) + 1,
                               static_cast<int>((40 + row * kRowHeight) * scale) + 1,
                               static_cast<int>(kWidth * scale) - 2, static_cast<int>(kRowHeight * scale) - 2);
        const std::string where = "page " + std::to_string(p) + " row " + std::to_string(row) + " cell " +
                                  std::to_string(cell);
        if (cell == 1) {
          EXPECT_GT(ink.Red, 10) << where;
          EXPECT_EQ(ink.Black, 0) << where;
          if (row % 2 == 1) EXPECT_GT(ink.Yellow, 100) << where;
          else EXPECT_EQ(ink.Yellow, 0) << where;
        } else {
          EXPECT_GT(ink.Black, 10) << where;
          EXPECT_EQ(ink.Red, 0) << where;
          EXPECT_EQ(ink.Yellow, 0) << where;
        }
      }
    }
  }
  // The cells of a page share one font: it is said before the first of them, not in each.
  EXPECT_EQ(Occurrences(ReadFile(file), " Tf\r\n"), 2u);
}

// Words of one line, as a memo places them piece by piece (justified lines spread their
// blanks), and a Thai word that carries its own text between them.
TEST(PdfTextState, WordsOfALineShownAsOneStayWhereTheyWerePlaced) {
  EnsureGraphics();
  const std::string file = TempPath("line-words.pdf");
  struct TWord {
    const char* Text;
    double X, Y;
  };
  // Pixels; the gaps are uneven on purpose, one of them narrower than a blank.
  const TWord words[] = {{"Alpha ", 100, 100}, {"Beta ", 161.37, 100}, {"Gamma", 201.5, 100},
                         {"Delta ", 100, 130}, {"ลำนำ ", 150.25, 130}, {"Epsilon", 311.11, 130}};
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    document.Compressed = false;
    auto font = ReportFont("Tahoma", 12);
    auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
    for (const TWord& word : words) page.TextOut(word.X, word.Y, Wide(word.Text), *font);
    SaveDocument(document, file);
  }
  ExpectClean(file);
  EXPECT_EQ(ExtractText(file), "Alpha Beta Gamma\nDelta ลำนำ Epsilon\n\f");
  const auto found = Words(file, 1);
  ASSERT_EQ(found.size(), std::size(words));
  for (size_t i = 0; i < found.size(); ++i) {
    std::string text = words[i].Text;
    if (text.back() == ' ') text.pop_back();
    EXPECT_EQ(found[i].first, text);
    EXPECT_NEAR(found[i].second, words[i].X * 0.75, 0.01) << text;
  }
  // The first line is one showing; the second breaks for the word with its own text.
  EXPECT_LE(Occurrences(ReadFile(file), " TJ\r\n"), 4u);
}

// Cells clip only what reaches out of them: text well inside goes without a clip, and text
// that runs past a side, or a word after one that stays inside, is cut at the cell's edge.
TEST(PdfTextState, TextReachingOutOfItsCellIsCutAtTheCellsEdge) {
  if (RunCommand("command -v pdftoppm").Status != 0) GTEST_SKIP() << "pdftoppm is not installed";
  EnsureGraphics();
  const std::string file = TempPath("cut-cells.pdf");
  // Cells in pixels: left, top, width, height.
  struct TCell {
    double Left, Top, Width, Height;
  };
  const TCell inside{40, 40, 400, 40}, past{40, 100, 80, 40}, after{40, 160, 200, 40}, low{40, 220, 400, 10};
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    document.Compressed = false;
    auto font = ReportFont("Tahoma", 14);
    auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
    auto cell = [&](const TCell& c, auto draw) {
      page.BeginClip(c.Left, c.Top, c.Width, c.Height);
      draw();
      page.EndClip();
    };
    cell(inside, [&] { page.TextOut(44, 70, u"Inside ", *font); });
    cell(past, [&] { page.TextOut(44, 130, u"MMMMMMMMMMMMMMMM", *font); });
    cell(after, [&] {
      page.TextOut(44, 190, u"Short ", *font);
      page.TextOut(100, 190, u"MMMMMMMMMMMMMMMMMMMMMMMMM", *font);
    });
    // Its letters and tone marks reach over the cell's top.
    cell(low, [&] { page.TextOut(44, 228, u"ปู่ย่าตายาย", *font); });
    SaveDocument(document, file);
  }
  ExpectClean(file);
  const TPixmap pixels = Render(file, 1);
  ASSERT_GT(pixels.Width, 0);
  // Points, one a pixel: what lies within a cell's edges, and what lies past them.
  auto ink = [&](double left, double top, double right, double bottom) {
    return InkIn(pixels, static_cast<int>(left * 0.75), static_cast<int>(top * 0.75),
                 static_cast<int>((right - left) * 0.75), static_cast<int>((bottom - top) * 0.75))
        .Black;
  };
  EXPECT_GT(ink(inside.Left, inside.Top, inside.Left + inside.Width, inside.Top + inside.Height), 20);
  EXPECT_GT(ink(past.Left, past.Top, past.Left + past.Width, past.Top + past.Height), 20);
  EXPECT_EQ(ink(past.Left + past.Width + 3, past.Top, 500, past.Top + past.Height), 0) << "cut at the right";
  EXPECT_GT(ink(100, after.Top, after.Left + after.Width, after.Top + after.Height), 20);
  EXPECT_EQ(ink(after.Left + after.Width + 3, after.Top, 700, after.Top + after.Height), 0) << "cut at the right";
  EXPECT_GT(ink(low.Left, low.Top, low.Left + low.Width, low.Top + low.Height), 20);
  EXPECT_EQ(ink(low.Left, low.Top - 10, low.Left + low.Width, low.Top - 2), 0) << "cut at the top";
  // Only the three cells whose text reaches out write a clip.
  EXPECT_EQ(Occurrences(ReadFile(file), " re\r\nW\r\n"), 3u);
}

// A list's line numbers and telephone numbers are shaped once each, and those of pages gone lend
// their room to the next ones: every number must show as itself, in the size it is shown in.
TEST(PdfTextState, NumbersShapedWhereNumbersOfPagesGoneWereShowAsThemselves) {
  EnsureGraphics();
  const std::string file = TempPath("numbers.pdf");
  constexpr int kPages = 16, kRows = 250;
  std::string expected;
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    auto small = ReportFont("Tahoma", 8), large = ReportFont("Tahoma", 11);
    for (int p = 0; p < kPages; ++p) {
      auto& page = document.AddPage(A4Width, A4Height, 0, 0, p);
      for (int row = 0; row < kRows; ++row) {
        const std::string number = std::to_string(1000003 * (p * kRows + row) % 9999991);
        page.TextOut(40 + row % 5 * 150, 40 + row / 5 * 20, Wide(number + "."), row % 2 ? *small : *large);
        expected += number + ".";
      }
    }
    SaveDocument(document, file);
  }
  EXPECT_EQ(Letters(ExtractText(file)), expected);
}

}  // namespace
}  // namespace orv
