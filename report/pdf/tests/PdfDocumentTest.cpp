// The document's structure as other tools read it: cross-reference table, outline counts and
// destinations, text strings, fonts and their names, viewer preferences, content streams.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <regex>

#include "report/pdf/PdfFont.h"
#include "report/pdf/PdfText.h"
#include "report/pdf/tests/PdfTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

std::string ShowObject(const std::string& file, int n) {
  return Shell("qpdf --show-object=" + std::to_string(n) + " " + Quote(file));
}

// The file with its streams inflated and every object on lines of its own.
std::string Uncompressed(const std::string& file) {
  return Shell("qpdf --qdf --object-streams=disable " + Quote(file) + " -");
}

void ExpectClean(const std::string& file) {
  TRunResult check = RunCommand("qpdf --check " + Quote(file));
  EXPECT_EQ(check.Status, 0) << check.Output;
}

TEST(PdfDocumentTest, EmptyDocumentHasAnEmptyPagesTreeAndAWellFormedCrossReference) {
  const std::string file = TempPath("empty.pdf");
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    SaveDocument(document, file);
  }
  ExpectClean(file);
  std::string pages = ShowObject(file, 3);
  EXPECT_NE(pages.find("/Count 0"), std::string::npos) << pages;
  EXPECT_NE(pages.find("/Kids [ ]"), std::string::npos) << pages;

  std::string raw = ReadFile(file);
  size_t start = raw.rfind("\r\nxref\r\n");
  ASSERT_NE(start, std::string::npos);
  std::smatch header;
  std::string rest = raw.substr(start + 8);
  ASSERT_TRUE(std::regex_search(rest, header, std::regex("^0 (\\d+)\r\n")));
  int entries = std::stoi(header[1]);
  std::string table = rest.substr(header.length());
  EXPECT_EQ(table.substr(0, 20), "0000000000 65535 f\r\n");
  for (int n = 1; n < entries; ++n) {
    std::string line = table.substr(20 * n, 20);
    ASSERT_TRUE(std::regex_match(line, std::regex("\\d{10} 00000 n\r\n"))) << line;
    // Each entry points at the start of its object.
    size_t offset = std::stoul(line.substr(0, 10));
    EXPECT_EQ(raw.substr(offset, std::to_string(n).size() + 6), std::to_string(n) + " 0 obj");
  }
  EXPECT_EQ(table.substr(20 * entries, 9), "trailer\r\n");
}

TEST(PdfDocumentTest, OutlineCountsItsWrittenItemsAndPointsAtTheExportedPages) {
  TTreeOutline outline;
  outline.Root = {{"หน้าแรก", 0, 400, {{"ข้อ ๑", 0, 600, {}}, {"On page 2", 1, 0, {{"Under it", 0, 0, {}}}}}},
                  {"Page two", 1, 0, {}},
                  {"Page three", 2, 100, {{"Deeper", 2, 200, {}}}}};
  const std::string file = TempPath("outline.pdf");
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    document.Outline = true;
    document.PreviewOutline = &outline;
    // Prepared pages 1 and 3 only, as a page range "1,3" exports them.
    document.AddPage(A4Width, A4Height, 0, 0, 0);
    document.AddPage(A4Width, A4Height, 0, 0, 2);
    SaveDocument(document, file);
  }
  ExpectClean(file);
  std::string json = Shell("qpdf --json --json-key=outlines " + Quote(file));
  // Left: the first page's item with its first child, the item on the first page below the second
  // page's (in that one's place), and the third page's item with its child.
  for (const char* title : {"หน้าแรก", "ข้อ ๑", "Under it", "Page three", "Deeper"})
    EXPECT_NE(json.find(std::string("\"title\": \"") + title + "\""), std::string::npos) << title;
  for (const char* title : {"On page 2", "Page two"})
    EXPECT_EQ(json.find(std::string("\"title\": \"") + title + "\""), std::string::npos) << title;
  // The third prepared page is the document's second page.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(json, m, std::regex("\"destpageposfrom1\": (\\d+),\\s+\"kids\": \\[\\s+\\{[^}]*\"title\": \"Deeper\"")));
  EXPECT_EQ(m[1], "2");
  // 842.25 points less 400 and 100 pixels of 0.75 points.
  EXPECT_NE(json.find("542,"), std::string::npos) << json;
  EXPECT_NE(json.find("767,"), std::string::npos) << json;
  // The outline dictionary counts the five items written, the first item its two children.
  EXPECT_NE(ShowObject(file, 3).find("/Count 5"), std::string::npos) << ShowObject(file, 3);
  EXPECT_NE(ShowObject(file, 4).find("/Count 2"), std::string::npos) << ShowObject(file, 4);
  EXPECT_NE(ShowObject(file, 1).find("/PageMode /UseOutlines"), std::string::npos);
}

TEST(PdfDocumentTest, OutlineWithNothingOnExportedPagesIsLeftOut) {
  TTreeOutline outline;
  outline.Root = {{"Elsewhere", 4, 0, {}}};
  for (TkvxPDFOutlineSource* source : {static_cast<TkvxPDFOutlineSource*>(&outline),
                                       static_cast<TkvxPDFOutlineSource*>(nullptr)}) {
    const std::string file = TempPath("no-outline.pdf");
    {
      TkvxPDFFile document(false, "");
      document.PrepareKeys();
      document.Outline = true;
      document.PreviewOutline = source;
      document.AddPage(A4Width, A4Height, 0, 0, 0);
      SaveDocument(document, file);
    }
    ExpectClean(file);
    std::string catalog = ShowObject(file, 1);
    EXPECT_NE(catalog.find("/PageMode /UseNone"), std::string::npos) << catalog;
    EXPECT_EQ(catalog.find("/Outlines"), std::string::npos) << catalog;
    EXPECT_NE(catalog.find("/Pages 3 0 R"), std::string::npos) << catalog;
  }
}

TEST(PdfDocumentTest, InformationIsUtf16WithAByteOrderMarkAndViewerPreferencesAsSet) {
  const std::string file = TempPath("info.pdf");
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    document.Title = "ทะเบียนสัตบุรุษ";
    document.Author = "วัดนักบุญยอแซฟ";
    document.Keywords = "ศีลล้างบาป, 2026";
    document.HideToolbar = true;
    document.CenterWindow = true;
    document.AddPage(A4Width, A4Height, 0, 0, 0);
    SaveDocument(document, file);
  }
  ExpectClean(file);
  std::string info = Shell("pdfinfo " + Quote(file));
  EXPECT_TRUE(std::regex_search(info, std::regex("Title: +ทะเบียนสัตบุรุษ\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Author: +วัดนักบุญยอแซฟ\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Keywords: +ศีลล้างบาป, 2026\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +595.5 x 842.25 pts"))) << info;
  std::string raw = ReadFile(file);
  EXPECT_NE(raw.find("/Title <FEFF0E170E30"), std::string::npos);
  EXPECT_NE(raw.find("/Subject <FEFF>"), std::string::npos) << "an empty text is an empty UTF-16 string";
  EXPECT_NE(raw.find("/MediaBox [0 0 595.50 842.25 ]"), std::string::npos);
  std::string catalog = ShowObject(file, 1);
  for (const char* key : {"/DisplayDocTitle true", "/HideToolbar true", "/CenterWindow true", "/PrintScaling /None"})
    EXPECT_NE(catalog.find(key), std::string::npos) << key << catalog;
  for (const char* key : {"/HideMenubar", "/FitWindow", "/HideWindowUI"})
    EXPECT_EQ(catalog.find(key), std::string::npos) << key << catalog;
}

TEST(PdfDocumentTest, FontsAreSharedByNameStyleAndCharsetAndNamedByteByByte) {
  const std::string file = TempPath("fonts.pdf");
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
    auto small = ReportFont("Tahoma", 10), large = ReportFont("Tahoma", 20, {}, clRed);
    page.TextOut(50, 50, u"ขนาดเล็ก", *small);
    page.TextOut(50, 100, u"ขนาดใหญ่", *large);
    auto latin = ReportFont("Tahoma", 10);
    latin->SetCharset(0);
    page.TextOut(50, 150, u"Latin", *latin);
    auto angsana = ReportFont("Angsana New", 16, {fsBold, fsItalic});
    page.TextOut(50, 200, u"ตัวหนาเอียง", *angsana);
    auto thaiName = ReportFont("ฟอนต์ (ใหม่)", 12);
    page.TextOut(50, 250, u"ชื่อไทย", *thaiName);
    auto oblique = ReportFont("DejaVu Sans", 12, {fsItalic});
    page.TextOut(50, 300, u"Oblique", *oblique);
    EXPECT_EQ(document.Fonts.size(), 5u) << "one font for both Tahoma sizes";
    SaveDocument(document, file);
  }
  ExpectClean(file);
  std::string fonts = Shell("pdffonts " + Quote(file));
  // A font the machine lacks is named after the face that stands in for it; one it has, after
  // its name and style.
  EXPECT_TRUE(std::regex_search(fonts, std::regex("[A-Z]{6}\\+" + FaceName("Tahoma") + " +CID TrueType"))) << fonts;
  EXPECT_TRUE(std::regex_search(fonts, std::regex("[A-Z]{6}\\+" + FaceName("Angsana New", {fsBold, fsItalic}) + " +CID")))
      << fonts;
  EXPECT_TRUE(std::regex_search(fonts, std::regex("[A-Z]{6}\\+" + FaceName("ฟอนต์ (ใหม่)") + " +CID"))) << fonts;
  EXPECT_EQ(fonts.find("Tahoma"), std::string::npos) << fonts;
  EXPECT_EQ(fonts.find("Angsana"), std::string::npos) << fonts;
  std::string text = Uncompressed(file);
  EXPECT_EQ(TkvxPDFFont::GetFontName(*ReportFont("Angsana New", 16, {fsBold, fsItalic})), "Angsana#20New,BoldItalic")
      << "blank escaped";
  // ฟ is E0 B8 9F in UTF-8; the parentheses are delimiters.
  EXPECT_EQ(TkvxPDFFont::GetFontName(*ReportFont("ฟอนต์ (ใหม่)", 12)),
            "#E0#B8#9F#E0#B8#AD#E0#B8#99#E0#B8#95#E0#B9#8C#20#28#E0#B9#83#E0#B8#AB#E0#B8#A1#E0#B9#88#29");
  // DejaVu Sans Oblique leans 11 degrees.
  EXPECT_NE(text.find("/ItalicAngle -11.00"), std::string::npos);
  EXPECT_EQ(text.find("/ItalicAngle -110"), std::string::npos);
  std::string page = ShowObject(file, 4 + 5 * TkvxPDFFont::ObjectCount);
  EXPECT_NE(page.find("/F0 4 0 R /F1 9 0 R"), std::string::npos) << page;
  EXPECT_EQ(TkvxPDFFont::GetFontName(*ReportFont("Courier New", 10)), "Courier#20New");
  EXPECT_EQ(TkvxPDFFont::GetFontName(*ReportFont("Arial", 10, {fsBold, fsItalic, fsUnderline})), "Arial,BoldItalic");
}

TEST(PdfDocumentTest, EmbeddedFontsCarryTheWholeProgram) {
  const std::string file = TempPath("whole-font.pdf");
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    document.EmbeddedFonts = true;
    auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
    page.TextOut(50, 50, u"ทั้งฟอนต์", *ReportFont("Tahoma", 12));
    SaveDocument(document, file);
  }
  ExpectClean(file);
  std::string fonts = Shell("pdffonts " + Quote(file));
  EXPECT_TRUE(std::regex_search(fonts, std::regex("\n" + FaceName("Tahoma") + " +CID TrueType +Identity-H +yes +no +yes")))
      << fonts;
  // /Length1 is the size of the font file that Tahoma resolves to.
  auto size = std::filesystem::file_size("/usr/share/fonts/truetype/tlwg/Loma.ttf");
  EXPECT_NE(ReadFile(file).find("/Length1 " + std::to_string(size) + " "), std::string::npos);
  EXPECT_EQ(ExtractText(file), "ทั้งฟอนต์\n\f");
}

TEST(PdfDocumentTest, ContentStreamsWithoutCompressionAndEmptyPages) {
  const std::string file = TempPath("plain-streams.pdf");
  std::string tempFile;
  {
    TkvxPDFFile document(true, "");
    tempFile = document.TempFileName;
    EXPECT_FALSE(tempFile.empty());
    EXPECT_FALSE(std::filesystem::exists(tempFile)) << "the content cache is unlinked once open";
    document.PrepareKeys();
    document.Compressed = false;
    document.AddPage(A4Width, A4Height, 0, 0, 0);
    auto& page = document.AddPage(A4Width, A4Height, 0, 0, 1);
    page.TextOut(40, 40, u"Second page", *ReportFont("Arial", 12));
    page.TextOut(40, 80, u"   ", *ReportFont("Arial", 12));
    SaveDocument(document, file);
  }
  ExpectClean(file);
  std::string raw = ReadFile(file);
  EXPECT_NE(raw.find("<< /Length 0 >>\r\nstream\r\n\r\nendstream"), std::string::npos);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(raw, m, std::regex("<< /Length (\\d+) >>\r\nstream\r\nBT")));
  // A line of blanks writes no text object.
  size_t start = raw.find("stream\r\nBT");
  EXPECT_EQ(raw.find("BT", start + 10), std::string::npos);
  EXPECT_EQ(ExtractText(file), "\fSecond page\n\f");
}

// Every coordinate, width and colour component of page content is fixed point with two
// decimals, its hundredths rounded half to even, without a thousands separator.
TEST(PdfDocumentTest, NumbersAreFixedPointWithTwoDecimalsRoundedHalfToEven) {
  for (auto [value, text] : {std::pair{595.5, "595.50"}, {842.25, "842.25"}, {-0.71, "-0.71"}, {0.0, "0.00"},
                             {-0.004, "0.00"}, {0.125, "0.12"}, {0.375, "0.38"}, {-2.625, "-2.62"},
                             {1234567.891, "1234567.89"}, {99.995 + 1e-9, "100.00"}, {128 / 255.0, "0.50"}})
    EXPECT_EQ(kvxFloatToStrFixed(value), text) << value;
  // Eighths are exact halves of a hundredth half the time; the reference rounds with the C
  // library and places the point in the digits.
  for (int eighths = -200000; eighths <= 200000; eighths += 7) {
    const double value = eighths / 8.0 + (eighths % 3) * 1e6;
    const long long hundredths = std::llrint(value * 100);
    const unsigned long long magnitude = hundredths < 0 ? 0ull - static_cast<unsigned long long>(hundredths)
                                                        : static_cast<unsigned long long>(hundredths);
    std::string digits = std::to_string(magnitude / 100) + "." + std::to_string(magnitude % 100 / 10) +
                         std::to_string(magnitude % 10);
    if (hundredths < 0) digits.insert(0, "-");
    ASSERT_EQ(kvxFloatToStrFixed(value), digits) << value;
  }
}

// A list shows its words on every page: each page must read and look as the first, whatever
// font, size or spacing the same word came in before, through the deflated content cache.
TEST(PdfDocumentTest, WordsShownAgainOnEveryPageReadAndLookTheSame) {
  if (RunCommand("command -v pdftoppm").Status != 0) GTEST_SKIP() << "pdftoppm is not installed";
  const std::string file = TempPath("repeated.pdf");
  constexpr int kPages = 40;
  {
    TkvxPDFFile document(true, "");
    document.PrepareKeys();
    auto plain = ReportFont("Tahoma", 10), underlined = ReportFont("Tahoma", 10, {fsUnderline});
    auto large = ReportFont("Tahoma", 16, {}, clBlue);
    for (int p = 0; p < kPages; ++p) {
      auto& page = document.AddPage(A4Width, A4Height, 0, 0, p);
      // One face under two of the document's fonts, spaced and not, and a name whose Chinese
      // letter comes from a fallback face at two sizes.
      page.TextOut(40, 40, u"สมชาย ", *plain);
      page.TextOut(40, 80, u"สมชาย ", *underlined);
      page.TextOut(40, 120, u"สมชาย ", *plain, 3);
      page.TextOut(40, 160, u"陳 Somchai", *plain);
      page.TextOut(40, 200, u"陳 Somchai", *large);
      page.TextOut(40, 260, Wide("หน้า " + std::to_string(p + 1)), *plain);
    }
    SaveDocument(document, file);
  }
  ExpectClean(file);
  std::string expected;
  for (int p = 0; p < kPages; ++p) expected += "สมชาย สมชาย สมชาย 陳 Somchai 陳 Somchai หน้า " + std::to_string(p + 1);
  EXPECT_EQ(Letters(ExtractText(file)), Letters(expected));

  // The lines of the last page as poppler places their words, left to right, in points.
  std::string boxes = Shell("pdftotext -bbox -f " + std::to_string(kPages) + " -l " + std::to_string(kPages) + " " +
                            Quote(file) + " -");
  std::map<int, std::pair<double, double>> lines;
  std::regex word("xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\"");
  for (auto it = std::sregex_iterator(boxes.begin(), boxes.end(), word); it != std::sregex_iterator(); ++it) {
    auto [line, fresh] = lines.try_emplace(static_cast<int>(std::stod((*it)[3]) / 20), 1e9, 0);
    line->second.first = std::min(line->second.first, std::stod((*it)[1]));
    line->second.second = std::max(line->second.second, std::stod((*it)[2]));
  }
  std::vector<double> widths;
  for (const auto& [y, extent] : lines) widths.push_back(extent.second - extent.first);
  ASSERT_EQ(widths.size(), 6u) << boxes;
  EXPECT_NEAR(widths[1], widths[0], 0.5) << "the underlined font shows the same glyphs";
  EXPECT_GT(widths[2], widths[0] + 4 * 3 * 0.75 - 0.5) << "spaced letters";
  EXPECT_NEAR(widths[4], widths[3] * 1.6, widths[3] * 0.1) << "the whole name at the larger size";

  const std::string base = TempPath("repeated-page");
  for (int p : {1, kPages}) {
    TRunResult run = RunCommand("pdftoppm -r 72 -f " + std::to_string(p) + " -l " + std::to_string(p) +
                                " -y 0 -H 180 -W 300 " + Quote(file) + " " + Quote(base + std::to_string(p)));
    ASSERT_EQ(run.Status, 0) << run.Output;
  }
  auto pageFile = [&](int p) {
    const std::string prefix = std::filesystem::path(base + std::to_string(p)).filename().string() + "-";
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(base).parent_path()))
      if (entry.path().filename().string().rfind(prefix, 0) == 0) return entry.path().string();
    return std::string();
  };
  const TPixmap first = ReadPpm(pageFile(1)), last = ReadPpm(pageFile(kPages));
  ASSERT_GT(first.Width, 0);
  // Above the page's own number, the last page draws its words as the first does.
  EXPECT_TRUE(first.Rgb == last.Rgb);
}

TEST(PdfDocumentTest, MeasuredWidthsAreTheWidthsReadersSee) {
  const std::string file = TempPath("widths.pdf");
  auto font = ReportFont("Arial", 12);
  double plain = 0, spaced = 0;
  {
    TkvxPDFFile document(false, "");
    document.PrepareKeys();
    auto& page = document.AddPage(A4Width, A4Height, 0, 0, 0);
    plain = page.TextWidth(u"Register", *font);
    EXPECT_DOUBLE_EQ(page.TextOut(100, 100, u"Register", *font), plain);
    spaced = page.TextWidth(u"Register", *font, 4);
    EXPECT_DOUBLE_EQ(page.TextOut(100, 200, u"Register", *font, 4), spaced);
    SaveDocument(document, file);
  }
  // pdftotext's word boxes, in points: the ink runs from the pen's start to its end, less the
  // side bearings of the first and last letters.
  std::string boxes = Shell("pdftotext -bbox " + Quote(file) + " -");
  std::vector<std::pair<double, double>> words;
  std::regex word("xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"");
  for (auto it = std::sregex_iterator(boxes.begin(), boxes.end(), word); it != std::sregex_iterator(); ++it)
    words.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
  ASSERT_EQ(words.size(), 2u) << boxes;
  EXPECT_NEAR(words[0].first, 75, 1.5);
  EXPECT_NEAR(words[0].second, 75 + plain * 0.75, 1.5);
  // Spacing follows every letter; the last one's shows no ink.
  EXPECT_NEAR(words[1].second - words[1].first, (plain + 7 * 4) * 0.75 - (words[0].first - 75) * 2, 1.5);
  EXPECT_NEAR(spaced - plain, 8 * 4, 0.01);
}

}  // namespace
}  // namespace orv
