// A printer page is a QPdfWriter page at the spool resolution: the canvas measures and draws at
// that resolution, and the text on the page is Thai text that a PDF reader extracts again.
#include <gtest/gtest.h>

#include <QPageSize>
#include <QPdfWriter>

#include <filesystem>
#include <string>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasQt.h"
#include "platform/gui/tests/GraphicsTesting.h"

namespace orv {
namespace {

TEST(PdfPageTest, CanvasOnAPdfWriterMeasuresAtItsResolutionAndWritesThaiText) {
  testing::EnsureGraphics();
  if (testing::Run("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext is not installed";
  std::string file = testing::TempPath("thai-page.pdf");
  std::filesystem::remove(file);
  const String line = "ทะเบียนสัตบุรุษ วัดนักบุญยอแซฟ";
  {
    QPdfWriter writer(QString::fromStdString(file));
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    TCanvas page;
    AttachCanvasDevice(page, &writer);
    EXPECT_EQ(page.PixelsPerInchX(), 600);
    EXPECT_EQ(page.PixelsPerInchY(), 600);
    page.Font().SetName("Tahoma");
    page.Font().SetSize(12);
    EXPECT_EQ(page.Font().Height(), -100) << "12 points are 100 pixels at 600 dpi";

    // The same text is 6.25 times as wide on the page as on a 96 dpi bitmap.
    TBitmap screen(10, 10);
    screen.Canvas().Font().SetName("Tahoma");
    screen.Canvas().Font().SetSize(12);
    double ratio = static_cast<double>(page.TextWidth(line)) / screen.Canvas().TextWidth(line);
    EXPECT_NEAR(ratio, 6.25, 0.15);

    page.Brush().SetStyle(bsClear);
    page.TextOut(600, 600, line);
    page.Rectangle(500, 500, 600 + page.TextWidth(line) + 100, 600 + page.TextHeight(line) + 100);
    // Detaching ends the painter, which finishes the document.
    DetachCanvas(page);
  }
  ASSERT_GT(std::filesystem::file_size(file), 0u);
  std::string info = testing::Run("pdfinfo '" + file + "'");
  size_t pages = info.find("\nPages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::stoi(info.substr(pages + 7)), 1);
  // pdftotext guesses word gaps from glyph positions and may see one after an upper vowel that
  // sits over the left of its cell; the letters and their order are what the page must keep.
  auto letters = [](std::string s) {
    std::erase_if(s, [](char ch) { return ch == ' ' || ch == '\n' || ch == '\f'; });
    return s;
  };
  std::string text = testing::Run("pdftotext -enc UTF-8 '" + file + "' -");
  EXPECT_NE(letters(text).find(letters(line)), std::string::npos) << text;
}

}  // namespace
}  // namespace orv
