// Thai lines as a reader sees them: a word wider than its memo is cut only between syllables, and
// lines of text with vowels and tone marks stacked above and below their letters stand apart,
// on a 300-dpi canvas and in the PDF as pdftoppm draws it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/gui/Bitmap.h"
#include "platform/rtl/Streams.h"
#include "report/model/MemoView.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfPage.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

// Long words, one a compound that no dictionary parts, and names run together without blanks.
const WideString kLongWords =
    u"ประชาธิปไตย ศักดิ์สิทธิ์ เฉลิมพระเกียรติ <nowrap>โรงเรียนเซนต์แมรี่เจ้าอาวาสใหญ่ไพเราะเหมาะสำหรับแก่งแย่งเกี้ยวพาราสี</nowrap> "
    u"ผู้ใหญ่บ้านโค่นต้นไม้ใบไม้ร่วงเต่าทะเลเกาะแก่งโต๊ะเก้าอี้";
// Every word holds a vowel below and a tone mark above, so every line reaches both ways.
const WideString kStacked =
    u"ผู้ใหญ่ปู่ย่าผู้สูงอายุกู้ชีพผู้ดูแลคู่มือผู้รู้ลูกทุ่งปู่ทวดผู้ช่วยผู้ปกครองผู้ประสานงานผู้จัดการผู้ร่วมงานหมู่บ้าน";

bool Leading(char16_t c) { return c >= 0x0E40 && c <= 0x0E44; }
// ะ ั า ำ, the vowels above and below, ๅ ๆ and the tone and other marks.
bool Following(char16_t c) { return (c >= 0x0E30 && c <= 0x0E3A) || (c >= 0x0E45 && c <= 0x0E4E); }

std::unique_ptr<TkvxMemoView> Memo(const WideString& text, Extended width, const String& font, int height) {
  auto memo = std::make_unique<TkvxMemoView>(nullptr);
  memo->SetBounds(0, 0, width, 2000);
  memo->Font()->SetName(font);
  memo->Font()->SetHeight(height);
  memo->AllowHTMLTags = true;
  memo->SetText(text);
  return memo;
}

// Lines are drawn in three colours in turn, so that a line's ink is told from its neighbours'.
constexpr TColor kInks[] = {clBlack, clRed, clBlue};

int InkOf(Byte r, Byte g, Byte b) {
  if (r < 110 && g < 110 && b < 110) return 0;
  if (r > 150 && g < 110 && b < 110) return 1;
  if (b > 150 && r < 110 && g < 110) return 2;
  return -1;
}

// For each row of an RGB picture, the colours of the inks it holds, a bit each.
using TRows = std::vector<int>;

TRows InkRows(TBitmap& b) {
  TRows rows(b.Height());
  for (int y = 0; y < b.Height(); ++y) {
    const Byte* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x)
      if (int ink = InkOf(row[3 * x + 2], row[3 * x + 1], row[3 * x]); ink >= 0) rows[y] |= 1 << ink;
  }
  return rows;
}

// The same of a binary PPM that pdftoppm wrote.
TRows InkRows(const std::string& ppm) {
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  in.get();
  TRows rows(h > 0 ? h : 0);
  std::vector<unsigned char> row(w > 0 ? 3 * static_cast<size_t>(w) : 0);
  for (int y = 0; y < h && in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size())); ++y)
    for (int x = 0; x < w; ++x)
      if (int ink = InkOf(row[3 * x], row[3 * x + 1], row[3 * x + 2]); ink >= 0) rows[y] |= 1 << ink;
  return rows;
}

// Where lines stand apart: each line's ink, looked for within a step and a half of the middle of
// its place, ends above the row where the next line's ink begins. The first offending line, or -1.
int TouchingLine(const TRows& rows, int lines, double top, double step) {
  std::vector<int> first(lines, -1), last(lines, -1);
  for (int i = 0; i < lines; ++i) {
    const double middle = top + (i + 0.5) * step;
    const int from = std::max(0, static_cast<int>(middle - 1.5 * step));
    const int to = std::min(static_cast<int>(rows.size()), static_cast<int>(middle + 1.5 * step));
    for (int y = from; y < to; ++y)
      if (rows[y] & (1 << (i % 3))) {
        if (first[i] < 0) first[i] = y;
        last[i] = y;
      }
    if (first[i] < 0) return i;
  }
  for (int i = 0; i + 1 < lines; ++i)
    if (last[i] >= first[i + 1]) return i;
  return -1;
}

std::filesystem::path Renders() {
  auto dir = std::filesystem::current_path() / "thai-lines";
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace

TEST(MemoThaiLines, AWordWiderThanItsMemoIsCutOnlyBetweenSyllables) {
  WideString visible;
  for (bool inTag = false; char16_t c : kLongWords) {
    if (c == u'<') inTag = true;
    if (!inTag) visible += c;
    if (c == u'>') inTag = false;
  }
  int cuts = 0;
  for (const String font : {"Laksaman", "Tahoma"})
    for (Extended width = 14; width <= 114; width += 2) {
      SCOPED_TRACE(font + " " + std::to_string(width));
      auto memo = Memo(kLongWords, width, font, -15);
      std::vector<WideString> lines = WrappedLines(*memo);
      size_t pos = 0;
      for (size_t i = 0; i < lines.size(); ++i) {
        const WideString& line = lines[i];
        ASSERT_FALSE(line.empty());
        EXPECT_FALSE(Following(line.front())) << "line " << i << " begins with a vowel or mark parted from its letter";
        EXPECT_FALSE(Leading(line.back())) << "line " << i << " ends with a vowel parted from its letter";
        while (i > 0 && visible[pos] == u' ') ++pos;
        ASSERT_EQ(visible.compare(pos, line.size(), line), 0) << "line " << i << " is not the next part of the text";
        pos += line.size();
        if (pos < visible.size() && visible[pos] != u' ') ++cuts;
      }
      EXPECT_EQ(pos, visible.size());
    }
  EXPECT_GT(cuts, 500) << "the sweep must cut words often";
}

TEST(MemoThaiLines, LinesWithStackedMarksStandApartOnTheCanvasAndInThePdf) {
  const bool pdftoppm = std::system("command -v pdftoppm >/dev/null") == 0;
  constexpr double kScale = 300.0 / 96;
  const std::filesystem::path dir = Renders();
  for (const String font : {"Laksaman", "Tahoma", "Angsana New"})
    for (Extended width : {120.0, 233.0, 400.0}) {
      SCOPED_TRACE(font + " " + std::to_string(width));
      // The lines the text wraps into, each drawn as a paragraph of its own in its colour.
      auto wrapped = Memo(kStacked + u" " + kLongWords, width, font, -16);
      const std::vector<WideString> lines = WrappedLines(*wrapped);
      const int n = static_cast<int>(lines.size());
      ASSERT_GT(n, 2);
      WideString coloured;
      for (int i = 0; i < n; ++i) {
        const TColor c = kInks[i % 3];
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        for (char ch : std::string("<font color=\"#") + hex + "\">") coloured += static_cast<char16_t>(ch);
        coloured += lines[i] + u"</font>" + (i + 1 < n ? u"\r\n" : u"");
      }
      auto memo = Memo(coloured, width, font, -16);
      memo->WordWrap = false;
      memo->SetHeight(memo->CalcHeight() + 4);
      memo->SetLeft(10);
      memo->SetTop(10);
      double step = 0;
      {
        // The drawer keeps the layout of the memo measured last.
        TkvxDrawTextLock lock(kvxDrawText());
        step = kvxDrawText().GetLineHeight();
      }
      const double top = memo->Top() + memo->GapY;
      const String name = font.substr(0, font.find(' ')) + "-" + std::to_string(static_cast<int>(width));

      TBitmap canvas(static_cast<int>((width + 20) * kScale), static_cast<int>((memo->Height() + 20) * kScale));
      canvas.Canvas().Brush().SetColor(clWhite);
      canvas.Canvas().FillRect(Rect(0, 0, canvas.Width(), canvas.Height()));
      memo->Draw(&canvas.Canvas(), kScale, kScale, 0, 0);
      canvas.SaveToFile((dir / (name + ".bmp")).string());
      EXPECT_EQ(TouchingLine(InkRows(canvas), n, top * kScale, step * kScale), -1) << "lines touch on the canvas";

      if (!pdftoppm) continue;
      const std::string pdf = (dir / (name + ".pdf")).string();
      {
        TkvxPDFFile document(false, "");
        document.PrepareKeys();
        TkvxPDFPage& page = document.AddPage(width + 20, memo->Height() + 20, 0, 0, 0);
        page.AddObject(memo.get());
        TFileStream out(pdf, fmCreate);
        document.SaveToStream(out);
      }
      const std::string base = (dir / name).string();
      ASSERT_EQ(std::system(("pdftoppm -r 300 -singlefile '" + pdf + "' '" + base + "'").c_str()), 0);
      EXPECT_EQ(TouchingLine(InkRows(base + ".ppm"), n, top * kScale, step * kScale), -1) << "lines touch in the PDF";
    }
}
