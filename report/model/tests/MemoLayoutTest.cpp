// The text drawer through memo views: Thai and mixed text wrapped at the line boundaries ICU
// finds, never before a combining vowel or tone mark, the same lines whatever the device
// resolution, tags, rotation, auto-width, the split at the bottom of a memo, and pixels drawn.
#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <sys/resource.h>

#include <cmath>
#include <optional>
#include <set>

#include "platform/gui/Bitmap.h"
#include "platform/rtl/TextBreaks.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

const WideString kThai =
    u"พ่อแม่พาลูกไปโบสถ์ทุกวันอาทิตย์เพื่อร่วมพิธีมิสซาและสวดภาวนาให้ผู้ล่วงลับที่สุสานของวัด";
const WideString kMixed =
    u"ทะเบียนสัตบุรุษของวัด Orvane parish register บันทึกศีลล้างบาปและศีลสมรส St. Joseph church";

// Offsets before which ICU allows a line to begin.
std::set<size_t> IcuBreaks(const WideString& text) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createLineInstance(icu::Locale("th"), status));
  icu::UnicodeString u(reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()));
  it->setText(u);
  std::set<size_t> result;
  for (int32_t p = it->first(); p != icu::BreakIterator::DONE; p = it->next()) result.insert(static_cast<size_t>(p));
  return result;
}

bool IsCombining(char16_t c) {
  int8_t type = u_charType(c);
  return type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK || type == U_ENCLOSING_MARK;
}

std::unique_ptr<TkvxMemoView> Memo(const WideString& text, Extended width, Extended height = 400) {
  auto memo = std::make_unique<TkvxMemoView>(nullptr);
  memo->SetBounds(0, 0, width, height);
  memo->Font()->SetName("Tahoma");
  memo->Font()->SetSize(10);
  memo->SetText(text);
  return memo;
}

std::unique_ptr<TBitmap> White(int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(w, h);
  b->Canvas().Brush().SetColor(clWhite);
  b->Canvas().FillRect(Rect(0, 0, w, h));
  return b;
}

bool Dark(TColor c) { return (c & 0xFF) < 128 && ((c >> 8) & 0xFF) < 128 && ((c >> 16) & 0xFF) < 128; }

// The bounding box of the pixels darker than mid-grey.
TRect DarkBox(TBitmap& b) {
  TRect box{b.Width(), b.Height(), -1, -1};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (Dark(b.Canvas().Pixels(x, y))) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x);
        box.Bottom = std::max(box.Bottom, y);
      }
  return box;
}

}  // namespace

TEST(MemoLayout, ThaiAndMixedTextBreaksOnlyWhereIcuAllowsAtThreeWidths) {
  for (const WideString& text : {kThai, kMixed}) {
    std::set<size_t> breaks = IcuBreaks(text);
    size_t previousCount = 0;
    for (Extended width : {400.0, 160.0, 90.0}) {
      SCOPED_TRACE(width);
      auto memo = Memo(text, width);
      std::vector<WideString> lines = WrappedLines(*memo);
      ASSERT_GT(lines.size(), 1u);
      EXPECT_GT(lines.size(), previousCount) << "a narrower memo must not have fewer lines";
      previousCount = lines.size();
      // Walk the source: every line begins where ICU allows a break, after the blanks the
      // previous line dropped, and no line begins with a combining mark.
      size_t pos = 0;
      for (size_t i = 0; i < lines.size(); ++i) {
        const WideString& line = lines[i];
        ASSERT_FALSE(line.empty());
        EXPECT_FALSE(IsCombining(line.front())) << "line " << i << " starts with a combining mark";
        while (i > 0 && text[pos] == u' ') ++pos;
        EXPECT_TRUE(i == 0 || breaks.count(pos)) << "line " << i << " begins inside a word at " << pos;
        ASSERT_EQ(text.compare(pos, line.size(), line), 0) << "line " << i << " is not the next part of the text";
        pos += line.size();
      }
      EXPECT_EQ(pos, text.size());
    }
  }
}

TEST(MemoLayout, SameLinesWhenDrawnAtScreenAndPrinterResolution) {
  auto memo = Memo(kMixed, 150, 300);
  memo->HAlign = haBlock;
  std::vector<WideString> before = WrappedLines(*memo);
  auto screen = White(200, 320);
  memo->Draw(&screen->Canvas(), 1, 1, 0, 0);
  std::vector<WideString> atScreen = kvxDrawText().Lines().empty() ? std::vector<WideString>{} : [] {
    std::vector<WideString> l;
    for (const TkvxTextLine& line : kvxDrawText().Lines()) l.push_back(line.Text);
    return l;
  }();
  // A 600-dpi page is the same memo drawn at 6.25 times the scale.
  auto printer = White(1000, 1950);
  memo->Draw(&printer->Canvas(), 6.25, 6.25, 0, 0);
  std::vector<WideString> atPrinter;
  for (const TkvxTextLine& line : kvxDrawText().Lines()) atPrinter.push_back(line.Text);
  EXPECT_EQ(before, atScreen);
  EXPECT_EQ(before, atPrinter);
  // The drawn block keeps its proportions: the text's height scales with the resolution.
  TRect small = DarkBox(*screen), big = DarkBox(*printer);
  ASSERT_GT(small.Bottom, small.Top);
  double ratio = double(big.Bottom - big.Top) / (small.Bottom - small.Top);
  EXPECT_NEAR(ratio, 6.25, 0.6);
}

TEST(MemoLayout, AutoWidthFollowsTheTextAndKeepsTheRightEdge) {
  auto memo = Memo(u"สวัสดี", 300, 30);
  memo->SetLeft(100);
  memo->AutoWidth = true;
  memo->HAlign = haRight;
  auto b = White(500, 60);
  memo->Draw(&b->Canvas(), 1, 1, 0, 0);
  EXPECT_LT(memo->Width(), 100) << "a short word must shrink the memo";
  EXPECT_NEAR(memo->Left() + memo->Width(), 400, 1);
  // A longer text needs more width, and all of it stays on one line.
  auto longer = Memo(u"สวัสดีครับ ยินดีต้อนรับสู่วัดของเรา", 10, 30);
  longer->AutoWidth = true;
  EXPECT_GT(longer->CalcWidth(), memo->Width() * 2);
  TkvxMemoView templ(nullptr);
  EXPECT_EQ(memo->Diff(&templ).find(" w=\""), String::npos) << memo->Diff(&templ);
  EXPECT_EQ(WrappedLines(*longer).size(), 1u);
}

TEST(MemoLayout, RotationTurnsTheTextAndTheSetterKeepsDegreesBelow360) {
  auto memo = Memo(u"ทะเบียนสัตบุรุษ", 40, 200);
  memo->SetRotation(-270);
  EXPECT_EQ(memo->Rotation(), 90);
  memo->SetRotation(450);
  EXPECT_EQ(memo->Rotation(), 90);
  memo->WordWrap = false;
  auto b = White(80, 240);
  memo->Draw(&b->Canvas(), 1, 1, 0, 0);
  TRect box = DarkBox(*b);
  ASSERT_GT(box.Right, box.Left);
  EXPECT_GT(box.Bottom - box.Top, 2 * (box.Right - box.Left)) << "text at 90 degrees runs upwards";
  EXPECT_GE(box.Left, 0);
  EXPECT_LT(box.Right, 41);
}

TEST(MemoLayout, DrawnOntoABitmapInsideItsBackground) {
  auto memo = Memo(u"<b>ศีลล้างบาป</b> <font color=\"#FF0000\">แดง</font>", 180, 40);
  memo->SetLeft(10);
  memo->SetTop(10);
  memo->AllowHTMLTags = true;
  memo->SetColor(clYellow);
  auto b = White(220, 70);
  memo->Draw(&b->Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(ColorToRGB(b->Canvas().Pixels(185, 45)), ColorToRGB(clYellow)) << "background fills the memo";
  EXPECT_EQ(ColorToRGB(b->Canvas().Pixels(5, 5)), ColorToRGB(clWhite)) << "nothing outside the memo";
  TRect box = DarkBox(*b);
  EXPECT_GE(box.Left, 10);
  EXPECT_LE(box.Right, 190);
  EXPECT_GE(box.Top, 10);
  bool red = false;
  for (int y = 10; y < 50 && !red; ++y)
    for (int x = 10; x < 190 && !red; ++x) {
      TColor c = ColorToRGB(b->Canvas().Pixels(x, y));
      red = (c & 0xFF) > 180 && ((c >> 8) & 0xFF) < 80 && ((c >> 16) & 0xFF) < 80;
    }
  EXPECT_TRUE(red) << "the colour tag paints its text red";
}

TEST(MemoLayout, TagsChangeStateAndMalformedOnesStayText) {
  auto plain = Memo(u"Parish register", 400, 40);
  auto bold = Memo(u"<b>Parish register</b>", 400, 40);
  bold->AllowHTMLTags = true;
  EXPECT_GE(bold->CalcWidth(), plain->CalcWidth());
  EXPECT_LT(bold->CalcWidth(), plain->CalcWidth() * 1.2) << "the tags take no width";
  auto inked = [](TkvxMemoView& memo) {
    auto b = White(420, 40);
    memo.Draw(&b->Canvas(), 1, 1, 0, 0);
    int n = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 420; ++x) n += Dark(b->Canvas().Pixels(x, y));
    return n;
  };
  EXPECT_GT(inked(*bold), inked(*plain) * 11 / 10) << "bold text is drawn with heavier strokes";
  EXPECT_EQ(bold->WrapText(false), u"Parish register\r\n");
  for (const WideString& bad : {WideString(u"<font color=\"#XYZ123\">ก</font>"), WideString(u"<font color=nosuch>ก"),
                                WideString(u"<font color=red")}) {
    auto memo = Memo(bad, 400, 40);
    memo->AllowHTMLTags = true;
    EXPECT_NE(memo->WrapText(true).find(u"<font color="), WideString::npos) << "a malformed colour tag stays text";
  }
  // Cut-off and odd tags lay out as text without failing.
  for (const WideString& odd : {WideString(u"<"), WideString(u"ก<font color="), WideString(u"<font color=\"#\">ข"),
                                WideString(u"<font color=\"#FFFFFFFFFFFF\">ค"), WideString(u"<sub"),
                                WideString(u"</b></i></font></sub>ง<"), WideString(u"<font  color=red>จ")}) {
    auto memo = Memo(odd, 20, 100);
    memo->AllowHTMLTags = true;
    memo->WordBreak = true;
    EXPECT_FALSE(memo->WrapText(true).empty());
    EXPECT_GT(memo->CalcHeight(), 0);
  }
  auto named = Memo(u"<font color=red>ก</font>", 400, 40);
  named->AllowHTMLTags = true;
  EXPECT_EQ(named->WrapText(true), u"ก\r\n");
  // A blank inside nowrap is no break point.
  auto wrapping = Memo(u"aaaa bbbb cccc dddd eeee", 60, 200);
  auto nowrap = Memo(u"<nowrap>aaaa bbbb cccc dddd eeee</nowrap>", 60, 200);
  nowrap->AllowHTMLTags = true;
  WideString free = WrappedLines(*wrapping).front(), kept = WrappedLines(*nowrap).front();
  EXPECT_TRUE(free.size() % 5 == 4) << "without nowrap the line ends at a word";
  EXPECT_FALSE(kept.size() % 5 == 4) << "inside nowrap the line is cut where it overflows";
}

TEST(MemoLayout, HyphensOnlyInRussianWords) {
  auto russian = Memo(u"Достопримечательность", 60, 200);
  russian->WordBreak = true;
  std::vector<WideString> lines = WrappedLines(*russian);
  ASSERT_GT(lines.size(), 1u);
  EXPECT_EQ(lines.front().back(), u'-');
  auto thai = Memo(kThai, 60, 400);
  thai->WordBreak = true;
  EXPECT_EQ(thai->WrapText(true).find(u'-'), WideString::npos) << "no hyphen ever enters Thai text";
  // A single character wider than the line stands alone; nothing is lost.
  auto narrow = Memo(u"กขค", 2, 200);
  EXPECT_EQ(WrappedLines(*narrow), (std::vector<WideString>{u"ก", u"ข", u"ค"}));
}

TEST(MemoLayout, SplitCarriesTheRestWithItsOpenStateAndParagraphFlags) {
  auto memo = Memo(u"<b><font color=\"#0000FF\">" + kThai + u"</font></b>", 90, 40);
  memo->AllowHTMLTags = true;
  memo->InitPart();
  Extended used = memo->DrawPart();
  EXPECT_GT(used, 0);
  ASSERT_FALSE(memo->PartText().empty());
  EXPECT_EQ(memo->PartText().rfind(u"<font color=\"#0000FF\"><b>", 0), 0u) << kvxWideToUtf8(WideString(memo->PartText()));
  EXPECT_TRUE(memo->LastParaBreak);
  TkvxMemoView templ(nullptr);
  String first = memo->Diff(&templ);
  EXPECT_NE(first.find(" LastParaBreak=\"1\""), String::npos);
  memo->DrawPart();
  String second = memo->Diff(&templ);
  EXPECT_NE(second.find(" FirstParaBreak=\"1\""), String::npos);
  // The parts together hold the whole text.
  auto whole = Memo(kThai, 90, 40);
  whole->InitPart();
  WideString joined;
  for (int guard = 0; !whole->PartText().empty() && guard < 50; ++guard) {
    whole->DrawPart();
    joined += whole->Text();
  }
  WideString expected = kThai;
  auto strip = [](WideString s) {
    std::erase(s, u'\r');
    std::erase(s, u'\n');
    return s;
  };
  EXPECT_EQ(strip(joined), expected);
}

TEST(MemoLayout, EachPartLeavesTheRestTheHeightItNeedsAndTheLastPartTakesAllThatIsLeft) {
  // Gaps and a thick frame around the text: the text's own height is well below the memo's.
  WideString text;
  for (int i = 0; i < 12; ++i) text += kThai + u"\r\n";
  for (Extended gap : {1.0, 5.0}) {
    auto memo = Memo(text, 150);
    memo->GapY = gap;
    memo->Frame()->SetTyp({ftTop, ftBottom});
    memo->Frame()->SetWidth(3);
    Extended rest = memo->CalcHeight();
    memo->InitPart();
    WideString printed;
    for (Extended partHeight : {97.0, 150.0, 61.0}) {
      memo->SetHeight(partHeight);
      Extended r = memo->DrawPart();
      printed += memo->Text();
      ASSERT_TRUE(memo->HasRest()) << gap;
      // What the engine carries to the next part is what the rest needs, laid out again.
      rest = r + rest - partHeight;
      EXPECT_NEAR(rest, memo->RestHeight(), 1) << gap;
    }
    // Lower than one line, the last part still takes all that is left.
    memo->SetHeight(8);
    memo->DrawRest();
    EXPECT_FALSE(memo->HasRest());
    printed += memo->Text();
    auto plain = [](WideString s) {
      std::erase(s, u'\r');
      std::erase(s, u'\n');
      return s;
    };
    EXPECT_EQ(plain(printed), plain(text)) << gap;
  }
}

TEST(MemoLayout, MeasuresFollowLinesAndUnusedSpace) {
  auto one = Memo(u"ก", 100, 40);
  auto three = Memo(u"ก\r\n\r\nข", 100, 40);
  EXPECT_EQ(WrappedLines(*three).size(), 3u) << "an empty line is a line of one blank";
  // Each further line adds the font's cell, its ascent and descent, and the line spacing of 2:
  // "Tahoma" is Loma here, whose tables give an ascent of 2353 and a descent of 902 units to an
  // em of 2048, and the 10-point em is 83 dots at 600 dpi (in 96ths of an inch).
  constexpr double kLomaCell = (2353.0 + 902.0) / 2048;
  EXPECT_NEAR(three->CalcHeight() - one->CalcHeight(), 2 * (83 * kLomaCell / 6.25 + 2), 1);
  TkvxDrawText& d = kvxDrawText();
  TkvxDrawTextLock lock(d);
  TFont font;
  font.SetName("Tahoma");
  font.SetSize(12);
  d.SetFont(&font);
  d.SetGaps(0, 0, 0);
  const Extended cell = d.GetLineHeight();
  EXPECT_NEAR(cell, 100 * kLomaCell / 6.25, 0.3);
  // A memo exactly n lines high has the smallest non-zero unused space: with the spacing that
  // makes a line 32 units high, two lines fill 64.
  d.SetGaps(0, 0, 32 - cell);
  EXPECT_DOUBLE_EQ(d.GetLineHeight(), 32);
  d.SetDimensions(TRect{0, 0, 100, 63}, TRect{0, 0, 100, 63}, 1, 1, 1);
  EXPECT_DOUBLE_EQ(d.UnusedSpace(), 0.0001);
  d.SetDimensions(TRect{0, 0, 100, 70}, TRect{0, 0, 100, 70}, 1, 1, 1);
  EXPECT_NEAR(d.UnusedSpace(), 7, 1e-9);
}

TEST(MemoLayout, ADrawerTakingTurnsAmongFontsGivesEachItsOwnLineHeight) {
  // A page's title, heading, rows and footer take turns on one drawer, more fonts than it keeps
  // the heights of: each font, back again after others, has the height a drawer new to it
  // measures, and no other font's.
  std::vector<TFontData> fonts;
  for (int size = 8; size < 18; ++size)
    for (const char* name : {"Laksaman", "Tahoma"}) {
      TFontData f;
      f.Name = name;
      f.Height = -size;
      if (size % 2) f.Style.Include(fsBold);
      fonts.push_back(f);
    }
  std::vector<Extended> alone;
  for (const TFontData& f : fonts) {
    TkvxDrawText fresh;
    TFont font;
    font.SetData(f);
    fresh.SetFont(&font);
    fresh.SetGaps(0, 0, 0);
    alone.push_back(fresh.GetLineHeight());
  }
  EXPECT_LT(alone.front(), alone.back());
  EXPECT_NE(alone[0], alone[1]) << "two faces of one size differ";
  TkvxDrawText d;
  d.SetGaps(0, 0, 0);
  for (int round = 0; round < 3; ++round)
    for (size_t i = 0; i < fonts.size(); i += round + 1) {
      SCOPED_TRACE(i);
      TFont font;
      font.SetData(fonts[i]);
      d.SetFont(&font);
      EXPECT_EQ(d.GetLineHeight(), alone[i]);
      TFont first;
      first.SetData(fonts[0]);
      d.SetFont(&first);
      EXPECT_EQ(d.GetLineHeight(), alone[0]);
    }
}

TEST(MemoLayout, ALongMemoSplitsPageByPageIntoTheLinesOfItsWholeLayout) {
  // Many short paragraphs, and one paragraph far longer than a part holds.
  WideString manyLines, oneParagraph;
  for (int i = 0; i < 300; ++i) manyLines += (i ? u"\r\n" : u"") + kMixed.substr(0, 20 + i % 60);
  while (oneParagraph.size() < 20000) oneParagraph += kMixed + u" " + kThai + u" ";
  auto strip = [](WideString s) {
    std::erase(s, u'\r');
    std::erase(s, u'\n');
    std::erase(s, u' ');
    return s;
  };
  for (const WideString& text : {manyLines, oneParagraph}) {
    const size_t wholeLines = WrappedLines(*Memo(text, 150, 100000)).size();
    auto memo = Memo(text, 150, 200);
    memo->InitPart();
    WideString joined;
    size_t lines = 0, parts = 0, fullParts = 0;
    std::optional<size_t> perPart;
    while (!memo->PartText().empty() && parts < 1000) {
      memo->DrawPart();
      ++parts;
      joined += memo->Text();
      size_t partLines = WrappedLines(*Memo(memo->Text(), 150, 100000)).size();
      lines += partLines;
      // Every part but the last is as full as the others.
      if (!memo->PartText().empty()) {
        if (!perPart) perPart = partLines;
        EXPECT_EQ(partLines, *perPart) << "part " << parts;
        ++fullParts;
      }
    }
    EXPECT_GT(fullParts, 5u);
    EXPECT_EQ(lines, wholeLines);
    EXPECT_EQ(strip(joined), strip(text));
  }
}

namespace {

// A memo whose text rectangle a test can read.
struct TOpenMemo : TkvxMemoView {
  TOpenMemo() : TkvxMemoView(nullptr) {}
  using TkvxMemoView::TextRect;
};

}  // namespace

TEST(MemoLayout, APartIsDrawnInTheLinesItsTextMakesLaidOutAlone) {
  // A split keeps where a part's lines break, and the page's drawing and its PDF take them from
  // there: they must be the lines a drawer that never saw the split makes of the part's text,
  // down to the blanks at the end of its last line and its paragraph flags. Widths of every kind
  // end parts where the last line's blanks fit and where they overflow.
  WideString words;
  for (int i = 0; words.size() < 30000; ++i)
    words += kMixed.substr(static_cast<size_t>(i % 7) * 3, 20 + i % 23) + u" W" + kvxUtf8ToWide(std::to_string(i)) +
             (i % 5 ? u" " : u"  ");
  const WideString paragraphs = kMixed + u" \r\n" + kThai + u"\r\n\r\n" + words;
  size_t parts = 0, endingInBlanks = 0;
  for (const WideString& text : {words, paragraphs})
    for (int width : {150, 233, 401, 700}) {
      TOpenMemo memo;
      memo.SetBounds(0, 0, width, 300);
      memo.Font()->SetName("Tahoma");
      memo.Font()->SetSize(10);
      memo.SetText(text);
      memo.InitPart();
      while (!memo.PartText().empty() && parts < 5000) {
        memo.DrawPart();
        ++parts;
        const WideString part = memo.Text();
        const size_t end = part.find_last_not_of(u"\r\n");
        if (end != WideString::npos && part[end] == u' ') ++endingInBlanks;
        const TkvxDrawText& laid = memo.LayOut();
        TkvxDrawText fresh;
        fresh.SetFont(memo.Font());
        fresh.SetOptions(memo.WordWrap, false, false, false, true, true, 0);
        fresh.SetGaps(memo.ParagraphGap, memo.CharSpacing, memo.LineSpacing);
        fresh.SetDimensions(memo.TextRect, memo.TextRect, 1, 1, 1);
        TWideStrings lines;
        lines.SetText(part);
        fresh.SetText(lines);
        fresh.SetParaBreaks(memo.FirstParaBreak, memo.LastParaBreak);
        ASSERT_EQ(laid.Lines().size(), fresh.Lines().size()) << "width " << width << " part " << parts;
        for (size_t i = 0; i < fresh.Lines().size(); ++i) {
          ASSERT_EQ(laid.Lines()[i].Text, fresh.Lines()[i].Text) << "width " << width << " part " << parts << " line " << i;
          ASSERT_EQ(laid.Lines()[i].Flags, fresh.Lines()[i].Flags) << "width " << width << " part " << parts << " line " << i;
        }
      }
    }
  EXPECT_GT(endingInBlanks, parts / 2);
}

TEST(MemoLayout, APartOfALongParagraphBreaksAsTheWholeParagraph) {
  // A split reads a long paragraph a piece at a time. Letters each in tags of their own give a
  // piece far fewer letters than usual, so that too short a piece is read first; and a paragraph
  // goes on after line ends of every kind.
  WideString tagged, ends;
  for (size_t i = 0; tagged.size() < 200000; ++i)
    tagged += (i % 2 ? u"<b><font color=\"#0000FF\">" : u"<i><font color=\"#FF0000\">") +
              kThai.substr(i % kThai.size(), 1) + (i % 2 ? u"</font></b>" : u"</font></i>") + (i % 9 == 8 ? u" " : u"");
  while (ends.size() < 12000) ends += kMixed + u" ";
  ends += u"\n" + kThai + u"\r" + kMixed + u"\u2028" + kThai + u"\r\n\r\n" + ends;
  for (auto [text, width] : {std::pair{tagged, 700}, std::pair{ends, 150}}) {
    auto whole = Memo(text, width, 100000);
    whole->AllowHTMLTags = true;
    const std::vector<WideString> wholeLines = WrappedLines(*whole);
    auto memo = Memo(text, width, 200);
    memo->AllowHTMLTags = true;
    memo->InitPart();
    std::vector<WideString> lines;
    for (int parts = 0; !memo->PartText().empty() && parts < 1000; ++parts) {
      memo->DrawPart();
      auto part = Memo(memo->Text(), width, 100000);
      part->AllowHTMLTags = true;
      for (const WideString& line : WrappedLines(*part)) lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), wholeLines.size());
    for (size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(lines[i], wholeLines[i]) << "line " << i;
  }
}

namespace {

// The lines of text laid out by drawer in a 10-point font of the given name and style, in a
// text rectangle width units wide.
std::vector<WideString> DrawerLines(TkvxDrawText& drawer, const WideString& text, const char* fontName, bool bold,
                                    int width) {
  TFont font;
  font.SetName(fontName);
  font.SetSize(10);
  if (bold) font.SetStyle(TFontStyles{fsBold});
  drawer.SetFont(&font);
  drawer.SetOptions(true, false, false, false, true, true, 0);
  drawer.SetGaps(0, 0, 2);
  drawer.SetDimensions(TRect{0, 0, width, 400}, TRect{0, 0, width, 400}, 1, 1, 1);
  TWideStrings lines;
  lines.SetText(text);
  drawer.SetText(lines);
  std::vector<WideString> result;
  for (const TkvxTextLine& line : drawer.Lines()) result.push_back(line.Text);
  return result;
}

}  // namespace

TEST(MemoLayout, ARepeatedTextTakesTheLinesOfItsOwnFontAndWidth) {
  // One drawer lays the same texts out again and again under other fonts and widths, as the
  // rows of a list do; each layout must be the one a drawer that never saw the text makes.
  struct Case {
    const char* Font;
    bool Bold;
    int Width;
  };
  const Case cases[] = {{"Tahoma", false, 160}, {"Tahoma", true, 160}, {"DejaVu Serif", false, 160},
                        {"Tahoma", false, 120}, {"Tahoma", false, 160}, {"DejaVu Serif", false, 120}};
  TkvxDrawText shared;
  for (const WideString& text : {kThai, kMixed}) {
    std::set<size_t> counts;
    std::set<std::vector<WideString>> layouts;
    for (int round = 0; round < 2; ++round)
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Font << (c.Bold ? " bold " : " ") << c.Width << " round " << round);
        TkvxDrawText fresh;
        std::vector<WideString> expected = DrawerLines(fresh, text, c.Font, c.Bold, c.Width);
        EXPECT_EQ(DrawerLines(shared, text, c.Font, c.Bold, c.Width), expected);
        layouts.insert(expected);
      }
    EXPECT_GE(layouts.size(), 3u) << "the fonts and widths should break the text differently";
  }
}

TEST(MemoLayout, WordByWordBreaksAreThoseOfTheWholeText) {
  // Texts broken word by word where the rules allow it, and whole where punctuation between the
  // words ties them: either way the breaks must be ICU's over the whole text.
  const WideString texts[] = {
      u"นาย มีคาแอล วีระพงษ์ บุญมา",
      u"184/12 หมู่ 3 อ.สามพราน จ.นครปฐม 73110",
      u"97/5 Moo 3 Soi Wat Phra Hathai, Bang Chang Subdistrict, Nakhon Pathom 73110",
      u"Maria Theresa Somchai Jaidee-Saengthong",
      u"a ( b ) c , d . e - f / g \" h \" i ' j ' k ! l ? m % n $ 5",
      u"( ก ) ข ,ค 12 , 000 ฿ 5 ๆ ฯ ๏ a",
      u"word  two   spaces and trailing   ",
      u"  leading blanks then text",
      u"x\u00A0y z\u200Bw q\u2014r s\u3001t",
      kThai,
      kMixed,
  };
  for (const WideString& text : texts) {
    SCOPED_TRACE(kvxWideToUtf8(text));
    std::set<size_t> expected = IcuBreaks(text);
    expected.erase(0);
    expected.erase(text.size());
    std::vector<int> found = LineBreakOpportunities(text);
    // Twice: the second answer comes from what the first kept of the words.
    for (int round = 0; round < 2; ++round, found = LineBreakOpportunities(text))
      EXPECT_EQ(std::set<size_t>(found.begin(), found.end()), expected);
  }
}

TEST(MemoLayout, ARepeatedTextCountsTheLinesOfItsOwnLayout) {
  // A memo's height is counted once for a text and kept: asked again under another font, width,
  // wrapping, indent or turn, the count must be that of the lines a fresh drawer makes.
  struct Case {
    const char* Font;
    int Size;
    bool Bold;
    int Width;
    bool WordWrap;
    Extended ParagraphGap;
    Integer Rotation;
  };
  const Case cases[] = {{"Tahoma", 10, false, 160, true, 0, 0},   {"Tahoma", 10, true, 160, true, 0, 0},
                        {"Tahoma", 14, false, 160, true, 0, 0},   {"DejaVu Serif", 10, false, 160, true, 0, 0},
                        {"Tahoma", 10, false, 120, true, 0, 0},   {"Tahoma", 10, false, 160, false, 0, 0},
                        {"Tahoma", 10, false, 160, true, 60, 0},  {"Tahoma", 10, false, 160, true, 0, 90}};
  auto prepare = [](TkvxDrawText& drawer, const Case& c) {
    TFont font;
    font.SetName(c.Font);
    font.SetSize(c.Size);
    if (c.Bold) font.SetStyle(TFontStyles{fsBold});
    drawer.SetFont(&font);
    drawer.SetOptions(c.WordWrap, false, false, false, true, true, c.Rotation);
    drawer.SetGaps(c.ParagraphGap, 0, 2);
    // Turned a quarter, the text runs along the rectangle's height.
    TRect rect{0, 0, c.Width, 400};
    if (c.Rotation == 90) rect = TRect{0, 0, 400, c.Width};
    drawer.SetDimensions(rect, rect, 1, 1, 1);
  };
  TkvxDrawText shared;
  for (const WideString& text : {kThai, kMixed, kMixed + u"\r\n" + kThai}) {
    TWideStrings lines;
    lines.SetText(text);
    std::set<size_t> counts;
    for (int round = 0; round < 2; ++round)
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Font << " " << c.Size << (c.Bold ? " bold " : " ") << c.Width << " wrap "
                                        << c.WordWrap << " gap " << c.ParagraphGap << " turned " << c.Rotation
                                        << " round " << round);
        TkvxDrawText fresh;
        prepare(fresh, c);
        fresh.SetText(lines);
        prepare(shared, c);
        EXPECT_DOUBLE_EQ(shared.TextHeight(lines), fresh.CalcHeight());
        EXPECT_TRUE(shared.Lines().empty());
        counts.insert(fresh.Lines().size());
      }
    EXPECT_GE(counts.size(), 3u) << "the layouts should make different numbers of lines";
  }
}

TEST(MemoLayout, TextsThatDifferInOneCharacterAreCountedApart) {
  // Rows of a list differ from each other in a character or two. A memo one character wider than
  // the narrow text the drawer counted before needs a line more: however the counts are looked
  // up, every position of the text must tell the two apart.
  auto prepare = [](TkvxDrawText& drawer, int width) {
    TFont font;
    font.SetName("Tahoma");
    font.SetSize(10);
    drawer.SetFont(&font);
    drawer.SetOptions(true, false, false, false, true, true, 0);
    drawer.SetGaps(0, 0, 2);
    drawer.SetDimensions(TRect{0, 0, width, 400}, TRect{0, 0, width, 400}, 1, 1, 1);
  };
  const WideString narrow(13, u'i');
  TWideStrings lines;
  lines.SetText(narrow);
  TkvxDrawText measure;
  prepare(measure, 10000);
  measure.SetText(lines);
  const int width = static_cast<int>(std::ceil(measure.CalcWidth())) + 1;
  TkvxDrawText shared;
  prepare(shared, width);
  const Extended oneLine = shared.TextHeight(lines);
  for (size_t k = 0; k < narrow.size(); ++k) {
    SCOPED_TRACE(testing::Message() << "wide character at " << k);
    WideString text = narrow;
    text[k] = u'W';
    lines.SetText(text);
    TkvxDrawText fresh;
    prepare(fresh, width);
    fresh.SetText(lines);
    ASSERT_EQ(fresh.Lines().size(), 2u);
    EXPECT_DOUBLE_EQ(shared.TextHeight(lines), fresh.CalcHeight());
    EXPECT_GT(shared.TextHeight(lines), oneLine);
  }
}

TEST(MemoLayout, ATextLaidOutAgainHasEveryLineItsFirstLayoutMade) {
  // A memo counted while its page is prepared, or drawn on the screen, is laid out again for the
  // PDF: every line (text, hyphen, each character's state and place in the source, paragraph
  // flags) must be the one a drawer that never saw the text makes, for empty paragraphs, blanks
  // around the text, a Russian word cut by a hyphen, and under another width or colour between.
  // The cells of a list are paragraphs that each fit their line; a word that fits where the
  // blank after it does not is one line too, without its blank.
  std::vector<WideString> texts = {kThai + u"\r\n\r\n" + kMixed,
                                   u"  " + kMixed + u"   \r\n\r\n\u00A0x\u00A0y " + kThai,
                                   u"Молоко переработка сельскохозяйственной продукции " + kThai,
                                   u"นาย มีคาแอล\r\n\r\n12/3 ม.4 \r\nที่"};
  for (size_t letters = 8; letters <= 24; ++letters) {
    texts.push_back(WideString(letters, u'x') + u" ");
    texts.push_back(u"12\r\n" + WideString(letters, u'ท') + u"\u00A0");
  }
  struct Case {
    int Width;
    TColor Color;
    bool WordBreak;
    bool Counted;
  };
  const Case cases[] = {{140, clBlack, true, true}, {90, clRed, true, false}, {140, clBlue, false, false},
                        {90, clBlack, true, true}};
  auto prepare = [](TkvxDrawText& drawer, const Case& c) {
    TFont font;
    font.SetName("Tahoma");
    font.SetSize(10);
    font.SetColor(c.Color);
    drawer.SetFont(&font);
    drawer.SetOptions(true, false, false, c.WordBreak, true, true, 0);
    drawer.SetGaps(12, 0, 2);
    drawer.SetDimensions(TRect{0, 0, c.Width, 400}, TRect{0, 0, c.Width, 400}, 1, 1, 1);
  };
  auto same = [](const TkvxTextLine& a, const TkvxTextLine& b) {
    if (a.Text != b.Text || a.Flags != b.Flags || a.Tags.size() != b.Tags.size()) return false;
    for (size_t k = 0; k < a.Tags.size(); ++k)
      if (!(a.Tags[k] == b.Tags[k]) || a.Tags[k].Position != b.Tags[k].Position ||
          a.Tags[k].DontWrap != b.Tags[k].DontWrap)
        return false;
    return true;
  };
  TkvxDrawText shared;
  bool hyphenated = false, emptyParagraph = false, blankLeftOut = false;
  for (const WideString& text : texts) {
    TWideStrings lines;
    lines.SetText(text);
    for (int round = 0; round < 3; ++round)
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << kvxWideToUtf8(text.substr(0, 12)) << " width " << c.Width << " round "
                                        << round);
        TkvxDrawText fresh;
        prepare(fresh, c);
        fresh.SetText(lines);
        prepare(shared, c);
        if (round == 0 && c.Counted) shared.TextHeight(lines);
        shared.SetText(lines);
        ASSERT_EQ(shared.Lines().size(), fresh.Lines().size());
        for (size_t i = 0; i < fresh.Lines().size(); ++i) {
          EXPECT_TRUE(same(shared.Lines()[i], fresh.Lines()[i])) << "line " << i;
          hyphenated |= fresh.Lines()[i].Text.back() == u'-';
          emptyParagraph |= fresh.Lines()[i].Text == u" ";
        }
        blankLeftOut |= lines.Count() == static_cast<Integer>(fresh.Lines().size()) &&
                        fresh.Lines().back().Text.size() < lines.Line(lines.Count() - 1).size();
        EXPECT_EQ(shared.GetInBoundsText(), fresh.GetInBoundsText());
      }
  }
  EXPECT_TRUE(hyphenated) << "a Russian word should have been cut";
  EXPECT_TRUE(emptyParagraph);
  EXPECT_TRUE(blankLeftOut) << "a word should have filled its line without its blank";
}

TEST(MemoLayout, AWordLongerThanAPieceWrapsAsOneWordInItsOpenState) {
  // A word of 300,000 letters is laid out piece by piece: every line but the last holds as many
  // letters as the first, the small size its tag opened at the start holds on every line, and
  // the lines give back the whole word.
  const WideString letters(300000, u'ก');
  auto regular = Memo(WideString(400, u'ก'), 90);
  const size_t regularLength = WrappedLines(*regular).front().size();
  auto memo = Memo(u"<sub>" + letters, 90);
  memo->AllowHTMLTags = true;
  std::vector<WideString> lines = WrappedLines(*memo);
  ASSERT_GT(lines.size(), 2u);
  const size_t length = lines.front().size();
  EXPECT_GT(length, regularLength) << "small letters are narrower";
  size_t total = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i + 1 < lines.size()) {
      ASSERT_EQ(lines[i].size(), length) << "line " << i;
    }
    total += lines[i].size();
  }
  EXPECT_EQ(total, letters.size());
  EXPECT_GT(memo->CalcHeight(), (lines.size() - 1) * 10.0);
}

TEST(MemoLayout, TheHeightOfAWordOfMillionsOfLettersTakesTheRoomOfAPiece) {
  // Measuring is done piece by piece: the memory a layout takes does not grow with the word.
  auto peakMegabytes = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
  };
  auto memo = Memo(WideString(3000000, u'ก'), 90);
  const double before = peakMegabytes();
  const Extended height = memo->CalcHeight();
  EXPECT_GT(height, 3000000 / 20 * 10.0);
  EXPECT_LT(peakMegabytes() - before, 100) << "megabytes more for a text of 6";
}
