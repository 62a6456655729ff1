// Qt's PDF writer behind a canvas: pages of the size asked, drawn in pixels at the resolution asked.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "platform/gui/PdfWriterCanvas.h"
#include "platform/gui/tests/GraphicsTesting.h"

namespace orv {
namespace {

TEST(PdfWriterCanvasTest, WritesEveryPageAtItsSizeWithItsText) {
  testing::EnsureGraphics();
  if (testing::Run("command -v pdfinfo").empty()) GTEST_SKIP() << "poppler-utils are not installed";
  std::string file = testing::TempPath("writer-canvas.pdf");
  {
    TPdfWriterCanvas writer(file, 595.5, 842.25, 96);
    writer.Canvas().Font().SetName("Tahoma");
    writer.Canvas().Font().SetSize(12);
    for (int page = 1; page <= 3; ++page) {
      if (page > 1) writer.NewPage();
      writer.Canvas().TextOut(40, 40, "หน้า " + std::to_string(page));
    }
  }
  std::string info = testing::Run("pdfinfo '" + file + "'");
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +3\n"))) << info;
  // Qt rounds the page to whole points.
  EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +59[56](\\.\\d+)? x 842"))) << info;
  std::string text = testing::Run("pdftotext -enc UTF-8 -f 3 -l 3 '" + file + "' -");
  // Qt's text map drops the tone mark; the page's own letters and number are there.
  EXPECT_NE(text.find("3"), std::string::npos) << text;
  EXPECT_NE(text.find("หน"), std::string::npos) << text;
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace orv
