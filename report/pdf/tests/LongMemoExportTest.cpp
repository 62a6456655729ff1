// A long memo of words that never repeat, split over pages, drawn on the preview's canvas and
// exported: its lines break where they always have and every word lands where it always has.
// The expected lines and word boxes are poppler's reading of the export before the text
// shaping was reorganised.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "platform/gui/Bitmap.h"
#include "report/engine/PreviewPages.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"
#include "report/pdf/tests/ExportReports.h"
#include "report/pdf/tests/PdfTesting.h"

using namespace orv;
using namespace orv::testing;

namespace {

// Word n of a text in which no word comes twice: Thai syllables (leading vowels, vowels above
// and below, tone marks, finals) for even n, Latin for odd n.
std::u16string Word(size_t n) {
  static const std::u16string kConsonants = u"กขคงจฉชซดตถทนบปผพฟมยรลวสหอ", kFinals = u"นมงกดบย";
  std::u16string word;
  size_t k = n / 2;
  if (n % 2 == 0) {
    const size_t consonants = kConsonants.size(), finals = kFinals.size() + 1;
    for (int syllable = 0; syllable < 2 || k > 0; ++syllable, k /= consonants * 6 * finals * 3) {
      const size_t c = k % consonants, v = k / consonants % 6, f = k / consonants / 6 % finals,
                   t = k / consonants / 6 / finals % 3;
      if (v == 4) word += u'เ';
      if (v == 5) word += u'โ';
      word += kConsonants[c];
      if (v == 1) word += u'\u0E34';
      if (v == 2) word += u'\u0E38';
      if (t) word += static_cast<char16_t>(0x0E47 + t);
      if (v == 0) word += u'า';
      if (v == 3) word += u'\u0E33';
      if (f < kFinals.size()) word += kFinals[f];
    }
    return word;
  }
  static const std::u16string kLetters = u"bcdfgklmnprstvz", kVowels = u"aeiou";
  word += static_cast<char16_t>(u'A' + k % 26);
  for (k /= 26; word.size() < 3 || k > 0; k /= kVowels.size() * kLetters.size()) {
    word += kVowels[k % kVowels.size()];
    word += kLetters[k / kVowels.size() % kLetters.size()];
  }
  return word;
}

std::u16string Paragraph(size_t chars) {
  std::u16string text;
  for (size_t i = 0; text.size() < chars; ++i) {
    if (!text.empty()) text += u' ';
    text += Word(i);
  }
  text.resize(chars);
  return text;
}

std::string ReadData(const std::string& name) {
  std::ifstream in(std::string(ORVANE_TEST_DATA) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each word's page and the left and top of its box, in tenths of a point.
std::string WordBoxes(const std::string& file) {
  const std::string boxes = Shell("pdftotext -bbox " + Quote(file) + " -");
  std::regex item("<page |xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"");
  std::string out;
  int page = 0;
  for (std::sregex_iterator it(boxes.begin(), boxes.end(), item), end; it != end; ++it) {
    if ((*it)[1].length() == 0) {
      ++page;
      continue;
    }
    char line[64];
    std::snprintf(line, sizeof line, "%d %.0f %.0f\n", page, std::stod((*it)[1]) * 10, std::stod((*it)[2]) * 10);
    out += line;
  }
  return out;
}

}  // namespace

TEST(PdfSamples, ALongMemoOfDistinctWordsKeepsItsLinesAndPlaces) {
  // The prepared pages keep their objects through the class registry.
  kvxRegisterModelClasses();
  auto report = NewReport(297, 10);
  auto* data = Add<TkvxMasterData>(FirstPage(*report), "Data", 0, 0, 700, 20);
  data->SetRowCount(1);
  data->SetStretched(true);
  data->SetAllowSplit(true);
  auto* memo = Add<TkvxMemoView>(data, "Long", 0, 0, 700, 20);
  memo->Font()->Assign(ReportFont("Tahoma", 10).get());
  memo->SetStretchMode(smActualHeight);
  memo->SetText(Paragraph(24000));
  ASSERT_TRUE(report->PrepareReport()) << report->Errors->Text();
  auto& pages = *report->PreviewPages;
  ASSERT_EQ(pages.GetCount(), 6);
  // Drawn first, as the preview shows the pages before they are exported: the words shaped for
  // the screen sit beside those of the layout.
  TBitmap bitmap(794, 1123);
  for (Integer i = 0; i < pages.GetCount(); ++i) pages.DrawPage(i, &bitmap.Canvas(), 1, 1, 0, 0);

  const std::string file = TempPath("long-memo") + ".pdf";
  TkvxPDFExport pdf(nullptr);
  pdf.SetShowDialog(false);
  pdf.SetFileName(file);
  ASSERT_TRUE(pages.Export(&pdf));
  const std::string text = ExtractText(file);
  EXPECT_EQ(text, ReadData("long-memo-lines.txt"));
  EXPECT_EQ(WordBoxes(file), ReadData("long-memo-words.txt"));
}
