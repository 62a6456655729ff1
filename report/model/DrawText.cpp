#include "report/model/DrawText.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <typeinfo>

#include "platform/gui/Canvas.h"
#include "report/model/LegacyText.h"
#include "platform/rtl/TextBreaks.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

int Round(double v) { return static_cast<int>(std::lround(v)); }

bool IsBlank(char16_t c) { return c == u' ' || c == 0xA0; }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; }

// Units fall in the middle of the range first, then in the middles of its halves.
void Spread(std::vector<int>& values, int first, int count, int unit, int units) {
  if (units <= 0 || count <= 0) return;
  int half = std::max(1, count / 2);
  if (units == 1) {
    values[first + half - 1] += unit;
    return;
  }
  Spread(values, first, half, unit, units / 2);
  Spread(values, first + half, count - half, unit, units - units / 2);
}

// Shares total out over values: whole parts evenly, the remainder by Spread.
void Distribute(std::vector<int>& values, int total) {
  int m = static_cast<int>(values.size());
  if (m == 0 || total == 0) return;
  int sign = total < 0 ? -1 : 1;
  int magnitude = std::abs(total);
  if (magnitude >= m) {
    for (int& v : values) v += sign * (magnitude / m);
    magnitude -= m * (magnitude / m);
  }
  Spread(values, 0, m, sign, magnitude);
}

// The word is taken as Windows-1251 bytes: the vowels, consonants and signs of Russian. Any
// other letter (Thai, Latin) makes the word unsplittable, so no hyphen ever enters Thai text.
bool ToCyrillicBytes(const WideString& word, std::vector<unsigned char>& bytes) {
  for (char16_t c : word) {
    if (c >= 0x0430 && c <= 0x044F) c -= 0x20;
    if (c == 0x0401 || c == 0x0451) {
      bytes.push_back(0xA8);
    } else if (c >= 0x0410 && c <= 0x042F) {
      bytes.push_back(static_cast<unsigned char>(0xC0 + (c - 0x0410)));
    } else {
      return false;
    }
  }
  return true;
}

bool IsIn(unsigned char c, std::initializer_list<unsigned char> set) {
  for (unsigned char s : set)
    if (s == c) return true;
  return false;
}

bool IsVowel(unsigned char c) { return IsIn(c, {0xC0, 0xC5, 0xA8, 0xC8, 0xCE, 0xD3, 0xDB, 0xDD, 0xDE, 0xDF}); }
bool IsSign(unsigned char c) { return c == 0xDC || c == 0xDA; }
bool IsConsonant(unsigned char c) {
  return IsIn(c, {0xC1, 0xC2, 0xC3, 0xC4, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCF, 0xD0, 0xD1, 0xD2,
                  0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDC, 0xDA});
}

// Lengths after which a Russian word may be hyphenated, ascending.
std::vector<int> SyllableBreaks(const std::vector<unsigned char>& w) {
  std::vector<int> result;
  int len = static_cast<int>(w.size());
  if (len < 4) return result;
  auto hasVowel = [&](int from, int to) {
    for (int k = from; k < to; ++k)
      if (IsVowel(w[k])) return true;
    return false;
  };
  for (int i = 1; i <= len; ++i) {
    unsigned char c = w[i - 1];
    bool hasX = i < len;
    unsigned char x = hasX ? w[i] : 0;
    bool candidate = false;
    if (IsConsonant(c)) {
      candidate = !(hasX && (IsVowel(x) || IsSign(x)));
    } else if (IsVowel(c)) {
      candidate = !((hasX && x == 0xC9) || (i + 3 <= len && IsConsonant(x) && x == w[i + 1] && IsVowel(w[i + 2])));
    }
    if (candidate && i >= 2 && len - i >= 2 && hasVowel(0, i) && hasVowel(i, len)) result.push_back(i);
  }
  return result;
}

bool StartsWith(const WideString& s, size_t pos, std::u16string_view upperText) {
  if (pos + upperText.size() > s.size()) return false;
  for (size_t k = 0; k < upperText.size(); ++k)
    if (Upper(s[pos + k]) != upperText[k]) return false;
  return true;
}

int HexValue(const WideString& s, bool& ok) {
  ok = !s.empty() && s.size() <= 8;
  unsigned value = 0;
  for (char16_t c : s) {
    int d = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
    if (d < 0) ok = false;
    value = value * 16 + static_cast<unsigned>(std::max(d, 0));
  }
  return static_cast<int>(value);
}

}  // namespace

int TkvxDrawText::Measured::Width() const {
  int sum = 0;
  for (int a : Advances) sum += a;
  return sum;
}

TkvxDrawText::TkvxDrawText() : bitmap_(16, 16), measure_(&bitmap_.Canvas()) {}

TkvxDrawText::~TkvxDrawText() = default;

void TkvxDrawText::SetFont(TFont* font) {
  font_ = font->Data();
  size_ = font->Size();
  font_.Height = -Round(size_ * double(PrinterRes) / 72);
  font_.Orientation = 0;
}

void TkvxDrawText::SetOptions(bool wordWrap, bool htmlTags, bool rtlReading, bool wordBreak, bool clipped,
                              bool wysiwyg, Integer rotation) {
  wordWrap_ = wordWrap;
  htmlTags_ = htmlTags;
  rtlReading_ = rtlReading;
  wordBreak_ = wordBreak;
  clipped_ = clipped;
  wysiwyg_ = wysiwyg;
  rotation_ = ((rotation % 360) + 360) % 360;
}

void TkvxDrawText::SetDimensions(const TRect& textRect, const TRect& frameRect, Extended scaleX, Extended scaleY,
                                 Extended printScale) {
  textRect_ = textRect;
  frameRect_ = frameRect;
  clipRect_ = frameRect;
  scaleX_ = scaleX;
  scaleY_ = scaleY;
  printScale_ = printScale;
}

void TkvxDrawText::SetGaps(Extended paragraphGap, Extended charSpacing, Extended lineSpacing) {
  paragraphGap_ = paragraphGap;
  charSpacing_ = charSpacing;
  lineSpacing_ = lineSpacing;
}

void TkvxDrawText::ParseTags(const WideString& source, int offset, Paragraph& para, const TkvxHTMLTag* start) {
  para.Visible.clear();
  para.Tags.clear();
  TkvxHTMLTag state;
  state.Size = size_;
  state.Style = font_.Style;
  state.Color = font_.Color;
  if (start) state = *start;
  auto setSize = [&](int size) {
    state.Size = size;
    state.Small = size != size_;
  };
  if (!htmlTags_) {
    // Without tags every character is drawn in the font's own state.
    para.Visible.assign(source);
    para.Tags.assign(source.size(), state);
    for (size_t k = 0; k < source.size(); ++k) para.Tags[k].Position = offset + static_cast<int>(k);
  }
  size_t i = htmlTags_ ? 0 : source.size();
  while (i < source.size()) {
    if (source[i] == u'<') {
      size_t p = i + 1;
      struct Simple {
        std::u16string_view Name;
        void (*Apply)(TkvxHTMLTag&);
      };
      static constexpr Simple kStyles[] = {
          {u"B>", [](TkvxHTMLTag& t) { t.Style.Include(fsBold); }},
          {u"I>", [](TkvxHTMLTag& t) { t.Style.Include(fsItalic); }},
          {u"U>", [](TkvxHTMLTag& t) { t.Style.Include(fsUnderline); }},
          {u"/B>", [](TkvxHTMLTag& t) { t.Style.Exclude(fsBold); }},
          {u"/I>", [](TkvxHTMLTag& t) { t.Style.Exclude(fsItalic); }},
          {u"/U>", [](TkvxHTMLTag& t) { t.Style.Exclude(fsUnderline); }},
          {u"STRIKE>", [](TkvxHTMLTag& t) { t.Style.Include(fsStrikeOut); }},
          {u"/STRIKE>", [](TkvxHTMLTag& t) { t.Style.Exclude(fsStrikeOut); }},
          {u"NOWRAP>", [](TkvxHTMLTag& t) { t.DontWrap = true; }},
          {u"/NOWRAP>", [](TkvxHTMLTag& t) { t.DontWrap = false; }},
      };
      bool matched = false;
      for (const Simple& tag : kStyles)
        if (StartsWith(source, p, tag.Name)) {
          tag.Apply(state);
          i = p + tag.Name.size();
          matched = true;
          break;
        }
      if (matched) continue;
      if (StartsWith(source, p, u"SUB>") || StartsWith(source, p, u"SUP>")) {
        setSize(Round(size_ / 1.5));
        state.AddY = Upper(source[p + 2]) == u'B' ? 1 : 0;
        i = p + 4;
        continue;
      }
      if (StartsWith(source, p, u"/SUB>") || StartsWith(source, p, u"/SUP>")) {
        setSize(size_);
        state.AddY = 0;
        i = p + 5;
        continue;
      }
      if (StartsWith(source, p, u"/FONT>")) {
        state.Color = font_.Color;
        i = p + 6;
        continue;
      }
      if (StartsWith(source, p, u"FONT COLOR=")) {
        size_t v = p + 11;
        while (v < source.size() && source[v] == u' ') ++v;
        size_t close = source.find(u'>', v);
        if (close != WideString::npos) {
          WideString value = source.substr(v, close - v);
          TColor color = 0;
          bool ok = false;
          if (value.size() >= 4 && value[0] == u'"' && value[1] == u'#' && value.back() == u'"') {
            int rgb = HexValue(value.substr(2, value.size() - 3), ok);
            color = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
          } else {
            ok = IdentToColor("cl" + kvxWideToUtf8(value), color);
          }
          // A value that is no colour leaves the whole tag as text rather than failing the memo.
          if (ok) {
            state.Color = color;
            i = close + 1;
            continue;
          }
        }
      }
    }
    state.Position = offset + static_cast<int>(i);
    para.Visible.push_back(source[i]);
    para.Tags.push_back(state);
    ++i;
  }
  if (para.Visible.empty()) {
    TkvxHTMLTag blank;
    blank.Position = offset;
    blank.Size = size_;
    blank.Style = font_.Style;
    blank.Color = font_.Color;
    para.Visible = u" ";
    para.Tags = {blank};
  }
}

void TkvxDrawText::SelectState(TCanvas& canvas, const TkvxHTMLTag& tag, int height) {
  TFontData data = canvas.Font().Data();
  data.Style = tag.Style;
  data.Color = tag.Color;
  data.Height = height;
  canvas.Font().SetData(data);
}

void TkvxDrawText::MeasureLine(TCanvas& canvas, const WideString& text, const std::vector<TkvxHTMLTag>& tags,
                               int spacing, const std::function<int(int)>& height, Measured& m) {
  m.Starts.clear();
  m.Advances.clear();
  m.Starts.reserve(text.size());
  m.Advances.reserve(text.size());
  size_t start = 0;
  WideString piece;
  // Lines are laid out on the measuring canvas and never written there: its texts' glyphs are
  // not kept.
  const bool toWrite = &canvas != measure_;
  const auto advancesOf = [&](const WideString& t, std::vector<int>& starts, std::vector<int>& advances) {
    if (toWrite)
      canvas.TextAdvances(t, starts, advances);
    else
      canvas.LayoutAdvances(t, starts, advances);
  };
  while (start < text.size()) {
    // Text without tags is in one state throughout.
    size_t end = htmlTags_ ? start + 1 : text.size();
    while (end < text.size() && tags[end] == tags[start]) ++end;
    SelectState(canvas, tags[start], height(tags[start].Size));
    // A text in one state throughout, the usual case, is measured straight into the result.
    if (start == 0 && end == text.size()) {
      advancesOf(text, m.Starts, m.Advances);
      if (spacing == 0 && !tags[0].Small) break;
      for (int& advance : m.Advances) {
        advance += spacing;
        if (tags[0].Small) advance = Round(advance / 1.5);
      }
      break;
    }
    piece.assign(text, start, end - start);
    advancesOf(piece, runStarts_, runAdvances_);
    for (size_t k = 0; k < runStarts_.size(); ++k) {
      int advance = runAdvances_[k] + spacing;
      if (tags[start].Small) advance = Round(advance / 1.5);
      m.Starts.push_back(static_cast<int>(start) + runStarts_[k]);
      m.Advances.push_back(advance);
    }
    start = end;
  }
}

int TkvxDrawText::MeasureWidth(TCanvas& canvas, const WideString& text, const std::vector<TkvxHTMLTag>& tags,
                               int spacing, int* clusters) {
  int width = 0, count = 0;
  size_t start = 0;
  WideString piece;
  while (start < text.size()) {
    // Text without tags is in one state throughout.
    size_t end = htmlTags_ ? start + 1 : text.size();
    while (end < text.size() && tags[end] == tags[start]) ++end;
    const TkvxHTMLTag& tag = tags[start];
    SelectState(canvas, tag, -Round(tag.Size * double(PrinterRes) / 72));
    const bool whole = start == 0 && end == text.size();
    if (!whole) piece.assign(text, start, end - start);
    const WideString& run = whole ? text : piece;
    if (tag.Small) {
      // Each advance of small text is rounded on its own.
      TTextClusters measured = canvas.TextExtentEx(run);
      int previous = 0;
      for (int extent : measured.Extents) {
        width += Round((extent - previous + spacing) / 1.5);
        previous = extent;
      }
      count += static_cast<int>(measured.Extents.size());
    } else {
      TTextRunExtent measured = canvas.TextRunExtent(run);
      width += measured.Extent + measured.Clusters * spacing;
      count += measured.Clusters;
    }
    start = end;
  }
  if (clusters) *clusters = count;
  return width;
}

size_t TkvxDrawText::WrapParagraph(Paragraph& para, int fullWidth, int firstWidth, int spacing, bool paraStart,
                                   size_t stopAt) {
  const WideString& text = para.Visible;
  const bool last = stopAt == SIZE_MAX;
  if (!paraStart) firstWidth = fullWidth;
  size_t stopped = SIZE_MAX;
  bool cut = false;
  auto makeLine = [&](int from, int to, bool hyphen) {
    if (lines_.size() >= lineLimit_) {
      cut = true;
      return;
    }
    if (counting_) {
      ++counted_;
      // A text of more lines than are kept is only counted.
      if (from < static_cast<int>(para.Tags.size()) && countedBreaks_.size() < TkvxLineBreaks::kMostBreaks)
        countedBreaks_.push_back({para.Tags[from].Position, to - from, 0, hyphen, false});
      else
        breaksKnown_ = false;
      return;
    }
    TkvxTextLine& line = NewLine();
    line.Text.assign(text, from, to - from);
    line.Tags.assign(para.Tags.begin() + from, para.Tags.begin() + to);
    if (hyphen) {
      TkvxHTMLTag tag = line.Tags.empty() ? para.Tags[from] : line.Tags.back();
      tag.Position = -1;
      line.Text.push_back(u'-');
      line.Tags.push_back(tag);
    }
  };
  size_t firstLine = lines_.size();
  const size_t firstCounted = countedBreaks_.size();
  measure_->Font().SetData(font_);
  int clusters = 0;
  // Most paragraphs fit their line: their width alone settles it. One that would not fit even at
  // a third of an em a character (a list's names and addresses in their columns) is measured
  // cluster by cluster at once, which gives the same width, rather than measured twice.
  const auto at600 = [](int size) { return -Round(size * double(PrinterRes) / 72); };
  // The buffers of the last paragraph measured serve this one.
  Measured& m = measured_;
  m.Starts.clear();
  int width = 0;
  if (wordWrap_ && static_cast<double>(text.size()) * size_ * 3 > firstWidth) {
    MeasureLine(*measure_, text, para.Tags, spacing, at600, m);
    width = m.Width();
    clusters = static_cast<int>(m.Starts.size());
  } else {
    width = MeasureWidth(*measure_, text, para.Tags, spacing, &clusters);
  }
  if (last && (clusters < 2 || !wordWrap_ || width < firstWidth)) {
    makeLine(0, static_cast<int>(text.size()), false);
  } else {
    if (m.Starts.empty()) MeasureLine(*measure_, text, para.Tags, spacing, at600, m);
    int n = static_cast<int>(m.Starts.size());
    auto unitOf = [&](int cluster) { return cluster < n ? m.Starts[cluster] : static_cast<int>(text.size()); };
    std::vector<int>& ends = ends_;
    ends.resize(n);
    for (int k = 0, sum = 0; k < n; ++k) ends[k] = sum += m.Advances[k];
    std::vector<char>& breakBefore = breakBefore_;
    breakBefore.assign(n + 1, 0);
    // Both lists ascend: one walk pairs every break with the cluster it starts.
    int c = 0;
    const bool wordByWord = LineBreakOpportunities(text, breaks_);
    // A piece after a paragraph's first is measured from its own start, where the whole would
    // round its advances otherwise.
    if (splitting_ && (!paraStart || !wordByWord)) splitWordByWord_ = false;
    for (int unit : breaks_) {
      while (c < n && m.Starts[c] < unit) ++c;
      if (c < n && m.Starts[c] == unit) breakBefore[c] = 1;
    }
    auto blank = [&](int k) { return IsBlank(text[m.Starts[k]]); };
    auto breakable = [&](int k) { return k < n && breakBefore[k] && !para.Tags[m.Starts[k - 1]].DontWrap; };
    int start = 0, brk = 0, base = 0, limit = firstWidth;
    for (int k = 0; k < n && lines_.size() < lineLimit_; ++k) {
      // Past stopAt the text is a piece's end, where it may break otherwise than the whole.
      if (static_cast<size_t>(m.Starts[k]) >= stopAt) {
        stopped = static_cast<size_t>(unitOf(start));
        break;
      }
      if (k > start && breakable(k)) brk = k;
      if (blank(k) && !para.Tags[m.Starts[k]].DontWrap && (k + 1 == n || breakable(k + 1))) brk = k + 1;
      if (ends[k] - base <= limit) continue;
      int next;
      if (brk <= start) {
        int part = wordBreak_ && k > start ? SyllablePart(para, m, start, k) : 0;
        if (part > 0) {
          makeLine(unitOf(start), unitOf(start + part), true);
          next = start + part;
        } else {
          // The word is cut before the cluster that overflows, or further back where that would
          // part a Thai vowel from its letter; a syllable wider than the line stands alone.
          int cut = std::max(k, start + 1);
          while (cut > start + 1 && !MayCutWordBefore(text, unitOf(cut))) --cut;
          if (cut == start + 1)
            while (cut < n && !MayCutWordBefore(text, unitOf(cut))) ++cut;
          makeLine(unitOf(start), unitOf(cut), false);
          next = cut;
        }
      } else {
        int part = wordBreak_ && k >= brk ? SyllablePart(para, m, brk, k) : 0;
        if (part > 0) {
          makeLine(unitOf(start), unitOf(brk + part), true);
          next = brk + part;
        } else {
          int end = brk;
          while (end > start + 1 && blank(end - 1)) --end;
          makeLine(unitOf(start), unitOf(end), false);
          next = brk;
        }
      }
      if (next >= n) {
        start = n;
        break;
      }
      base = ends[next - 1];
      start = brk = next;
      limit = fullWidth;
      k = start - 1;
    }
    if (last && start < n) makeLine(unitOf(start), static_cast<int>(text.size()), false);
  }
  if (counting_) {
    // The flags the lines would be given below.
    if (countedBreaks_.size() > firstCounted) {
      if (paraStart) countedBreaks_[firstCounted].Flags |= 1;
      if (last && !cut) countedBreaks_.back().Flags |= 2;
    }
    return stopped;
  }
  if (firstLine >= lines_.size()) return stopped;
  if (paraStart) lines_[firstLine].Flags |= 1;
  // A paragraph cut at the limit goes on past its last line made.
  if (last && !cut) lines_.back().Flags |= 2;
  return stopped;
}

int TkvxDrawText::SyllablePart(const Paragraph& para, const Measured& m, int wordStart, int overflow) const {
  const WideString& text = para.Visible;
  int n = static_cast<int>(m.Starts.size());
  int end = overflow;
  while (end < n) {
    char16_t c = text[m.Starts[end]];
    if (IsBlank(c) || c == u'.' || c == u',' || c == u'-' || c == u';') break;
    ++end;
  }
  int fromUnit = m.Starts[wordStart];
  int toUnit = end < n ? m.Starts[end] : static_cast<int>(text.size());
  WideString word = text.substr(fromUnit, toUnit - fromUnit);
  // Splitting counts characters; a word whose clusters are not single characters is not Russian.
  if (static_cast<int>(word.size()) != end - wordStart) return 0;
  std::vector<unsigned char> bytes;
  if (!ToCyrillicBytes(word, bytes)) return 0;
  int fit = overflow - wordStart;
  std::vector<int> breaks = SyllableBreaks(bytes);
  for (auto it = breaks.rbegin(); it != breaks.rend(); ++it)
    if (*it < fit) return *it;
  return 0;
}

TkvxTextLine& TkvxDrawText::NewLine() {
  if (spareLines_.empty()) return lines_.emplace_back();
  lines_.push_back(std::move(spareLines_.back()));
  spareLines_.pop_back();
  TkvxTextLine& line = lines_.back();
  line.Flags = 0;
  return line;
}

void TkvxDrawText::DropLines() {
  plainText_.clear();
  // The buffers of a few lines serve the next text's lines: every memo of every page is laid out
  // here. A long memo's many lines are let go.
  constexpr size_t kSpareLines = 64;
  for (TkvxTextLine& line : lines_) {
    if (spareLines_.size() >= kSpareLines) break;
    spareLines_.push_back(std::move(line));
  }
  lines_.clear();
}

namespace {

// Lines whose breaks could differ from the whole paragraph's lie within this many units of the
// end of a piece of it.
constexpr size_t kPieceMargin = 1024;

}  // namespace

namespace {

// The text rectangle's extent along its lines: its height when the text is turned on its side.
int LineExtent(int rotation, const TRect& rect) {
  return (rotation >= 90 && rotation < 180) || rotation >= 270 ? rect.Height() : rect.Width();
}

}  // namespace

int TkvxDrawText::LayoutWidth() const { return Round(LineExtent(rotation_, textRect_) * Factor); }

int TkvxDrawText::FirstLineWidth() const {
  return Round((LineExtent(rotation_, textRect_) - paragraphGap_) * Factor);
}

size_t TkvxDrawText::PieceLength(size_t lines, int fullWidth) const {
  if (lines == SIZE_MAX) return 64 * kPieceMargin;
  // As many lines of a quarter of an em a character (half what text takes), and the margin.
  // Too short a piece costs another piece.
  const size_t perLine = static_cast<size_t>(std::max(16, fullWidth * 4 / std::max(1, -font_.Height)));
  return std::max<size_t>(4 * kPieceMargin, lines * perLine + kPieceMargin);
}

size_t TkvxDrawText::SplitLength() const {
  const size_t lines = static_cast<size_t>(LinesIn(textRect_.Bottom - textRect_.Top + 1)) + 1;
  // The first piece whole and as much again: a paragraph cut there is laid out as the whole one.
  return 2 * PieceLength(lines, LayoutWidth());
}

void TkvxDrawText::SetText(const TWideStrings& lines) {
  DropLines();
  // A whole text without tags laid out before under the same layout takes its lines from where
  // they broke then.
  const bool reuse = !splitting_ && !htmlTags_ && !counting_;
  const TkvxLayoutDigest digest = reuse ? LayoutDigest(lines) : TkvxLayoutDigest{};
  if (reuse) {
    std::span<const TkvxLineBreak> known = lineBreaks_.Find(digest);
    // A text counted as one whole line to a paragraph (most cells of a list) has its paragraphs
    // for lines.
    bool whole = false;
    const bool paragraphs = known.empty() && lines.Count() > 0 &&
                            lineCounts_.Find(digest, &whole) == static_cast<int>(lines.Count()) && whole;
    if (paragraphs) countedBreaks_.clear();
    for (Integer i = 0; i < lines.Count() && (paragraphs || !known.empty()); ++i) {
      const WideString& line = lines.Line(i);
      if (paragraphs)
        countedBreaks_.push_back({static_cast<std::int32_t>(plainText_.size()),
                                  static_cast<std::int32_t>(std::max<size_t>(line.size(), 1)), 3, false, line.empty()});
      plainText_ += line;
      plainText_ += u"\r\n";
    }
    if (paragraphs) known = countedBreaks_;
    if (!known.empty()) {
      shownCut_ = known.size() > shownLines_;
      LinesFromBreaks(shownCut_ ? known.first(shownLines_) : known);
      lineLimit_ = SIZE_MAX;
      shortOfText_ = false;
      return;
    }
  }
  countedBreaks_.clear();
  breaksKnown_ = true;
  splitWordByWord_ = splitting_;
  int fullWidth = LayoutWidth();
  int firstWidth = FirstLineWidth();
  int spacing = Round(charSpacing_ * Factor);
  lineLimit_ = counting_ ? SIZE_MAX : shownLines_;
  if (splitting_) {
    lineLimit_ = static_cast<size_t>(LinesIn(textRect_.Bottom - textRect_.Top + 1)) + 1;
  }
  for (Integer i = 0; i < lines.Count(); ++i) {
    const WideString& source = lines.Line(i);
    // Past the limit the source is only kept, for the text that goes on.
    if (lines_.size() < lineLimit_)
      WrapLimited(source, fullWidth, firstWidth, spacing, cutParagraph_ && i + 1 == lines.Count());
    plainText_ += source;
    plainText_ += u"\r\n";
  }
  shortOfText_ = cutParagraph_ && lines_.size() < lineLimit_;
  shownCut_ = !splitting_ && lineLimit_ != SIZE_MAX && lines_.size() >= lineLimit_;
  // Breaks of a text laid out in part are no text's breaks.
  if (reuse && !shownCut_) KeepBreaks(digest, static_cast<size_t>(lines.Count()));
}

void TkvxDrawText::KeepBreaks(const TkvxLayoutDigest& digest, size_t paragraphs) {
  std::vector<TkvxLineBreak>& breaks = countedBreaks_;
  if (!counting_) {
    breaks.clear();
    for (const TkvxTextLine& line : lines_) {
      if (line.Tags.size() != line.Text.size() || line.Text.empty()) return;
      const bool hyphen = line.Tags.back().Position < 0;
      breaks.push_back({line.Tags.front().Position, static_cast<std::int32_t>(line.Text.size() - hyphen),
                        static_cast<std::uint8_t>(line.Flags), hyphen, false});
    }
  } else if (!breaksKnown_) {
    return;
  }
  // A text whose every paragraph is one line is drawn into the PDF without the drawer.
  if (breaks.size() <= paragraphs) return;
  const size_t sourceSize = plainText_.size();
  for (TkvxLineBreak& b : breaks) {
    if (b.Start < 0 || b.Length <= 0 || static_cast<size_t>(b.Start) + b.Length > sourceSize) return;
    // An empty paragraph's one blank stands where its line end is in the source.
    b.Blank = b.Length == 1 && plainText_[b.Start] == u'\r';
  }
  // Lines made from the source must be the lines made: anything else is not kept.
  if (!counting_)
    for (size_t k = 0; k < breaks.size(); ++k) {
      const TkvxTextLine& line = lines_[k];
      const TkvxLineBreak& b = breaks[k];
      const std::u16string_view text(line.Text.data(), static_cast<size_t>(b.Length));
      if (b.Blank ? text != u" " : plainText_.compare(b.Start, b.Length, text) != 0) return;
    }
  lineBreaks_.Add(digest, breaks);
}

void TkvxDrawText::KeepPartBreaks(const TWideStrings& lines) {
  // The lines up to the part's last are made from the same words with the same breaks as the
  // text that stays would make them alone, where the part ends after blanks in text broken word
  // by word. That text's last line then runs to its end, blanks and all, unless its blanks
  // overflow the line, as the part's own measures tell.
  const WideString& text = plainText_;
  if (!splitWordByWord_ || htmlTags_ || !wordWrap_ || counting_ || lines_.empty() || text.empty() ||
      text.back() != u' ' || charSpacing_ < 0)
    return;
  std::vector<TkvxLineBreak>& breaks = countedBreaks_;
  breaks.clear();
  for (const TkvxTextLine& line : lines_) {
    if (line.Tags.size() != line.Text.size() || line.Text.empty() || line.Tags.back().Position < 0) return;
    const TkvxLineBreak b{line.Tags.front().Position, static_cast<std::int32_t>(line.Text.size()),
                          static_cast<std::uint8_t>(line.Flags), false, false};
    if (b.Start < 0 || static_cast<size_t>(b.Start) + b.Length > text.size()) return;
    const bool blank = b.Length == 1 && text[b.Start] == u'\r';
    const std::u16string_view made(line.Text);
    if (blank ? made != u" " : text.compare(b.Start, b.Length, made) != 0) return;
    breaks.push_back(b);
    breaks.back().Blank = blank;
  }
  // The text the memo holds must be the source the lines were cut from.
  size_t at = 0;
  for (Integer i = 0; i < lines.Count(); ++i) {
    const WideString& line = lines.Line(i);
    if (text.compare(at, line.size(), line) != 0) return;
    at += line.size();
    if (i + 1 < lines.Count()) {
      if (text.compare(at, 2, u"\r\n") != 0) return;
      at += 2;
    }
  }
  if (at != text.size()) return;
  TkvxLineBreak& last = breaks.back();
  const size_t paraStart = last.Start > 0 ? text.find_last_of(u'\n', static_cast<size_t>(last.Start) - 1) + 1 : 0;
  if (!BrokenWordByWord(std::u16string_view(text).substr(paraStart)) ||
      (static_cast<size_t>(last.Start) > paraStart && text[last.Start - 1] != u' '))
    return;
  // The part's last paragraph was measured whole from its start, as the text that stays measures
  // it: each advance is rounded where the text before it ends.
  const Paragraph& para = paragraph_;
  const Measured& m = measured_;
  const size_t tail = text.size() - paraStart;
  if (para.Tags.empty() || para.Tags.front().Position != static_cast<int>(paraStart) || para.Visible.size() < tail ||
      para.Visible.compare(0, tail, text, paraStart, tail) != 0 || m.Starts.size() != m.Advances.size())
    return;
  const long long limit = static_cast<size_t>(last.Start) == paraStart ? FirstLineWidth() : LayoutWidth();
  const int from = last.Start - static_cast<int>(paraStart);
  long long sum = 0;
  bool fits = true, reached = false;
  for (size_t k = 0; k < m.Starts.size() && m.Starts[k] < static_cast<int>(tail); ++k) {
    if (m.Starts[k] < from) continue;
    reached = true;
    fits = fits && (sum += m.Advances[k]) <= limit;
  }
  if (!reached) return;
  if (fits) last.Length = static_cast<std::int32_t>(text.size() - static_cast<size_t>(last.Start));
  breaks.front().Flags |= 1;
  last.Flags |= 2;
  // A text whose every paragraph is one line is drawn into the PDF without the drawer.
  if (breaks.size() <= static_cast<size_t>(lines.Count())) return;
  lineBreaks_.Add(LayoutDigest(lines), breaks);
}

void TkvxDrawText::LinesFromBreaks(std::span<const TkvxLineBreak> breaks) {
  // Without tags every character has the font's own state.
  TkvxHTMLTag state;
  state.Size = size_;
  state.Style = font_.Style;
  state.Color = font_.Color;
  for (const TkvxLineBreak& b : breaks) {
    TkvxTextLine& line = NewLine();
    if (b.Blank)
      line.Text.assign(1, u' ');
    else
      line.Text.assign(plainText_, static_cast<size_t>(b.Start), static_cast<size_t>(b.Length));
    line.Tags.assign(line.Text.size(), state);
    for (size_t k = 0; k < line.Tags.size(); ++k) line.Tags[k].Position = b.Start + static_cast<int>(k);
    if (b.Hyphen) {
      TkvxHTMLTag tag = state;
      tag.Position = -1;
      line.Text.push_back(u'-');
      line.Tags.push_back(tag);
    }
    line.Flags = b.Flags;
  }
}

void TkvxDrawText::WrapLimited(const WideString& source, int fullWidth, int firstWidth, int spacing, bool cut) {
  const int offset = static_cast<int>(plainText_.size());
  // A long paragraph is laid out piece by piece: each piece's lines are kept up to the last that
  // breaks well away from the piece's end (where the breaks could differ from the whole text's),
  // and the next piece begins with the line after, in the state its first character has. A
  // piece too short for a line is doubled. Measuring then takes the room of a piece, not of the
  // paragraph, and a split takes the pieces its lines need.
  size_t piece = PieceLength(lineLimit_ != SIZE_MAX ? lineLimit_ - lines_.size() : SIZE_MAX, fullWidth);
  size_t from = 0;
  std::optional<TkvxHTMLTag> state;
  Paragraph& para = paragraph_;
  while (wordWrap_ && source.size() - from > piece && lines_.size() < lineLimit_) {
    size_t end = from + piece;
    // A piece does not end inside a tag.
    if (htmlTags_) {
      const size_t open = source.rfind(u'<', end - 1);
      if (open != WideString::npos && open > from && source.find(u'>', open) >= end) end = open;
    }
    ParseTags(source.substr(from, end - from), offset + static_cast<int>(from), para, state ? &*state : nullptr);
    const size_t stopAt = para.Visible.size() > kPieceMargin ? para.Visible.size() - kPieceMargin : 0;
    const size_t next = WrapParagraph(para, fullWidth, firstWidth, spacing, from == 0, stopAt);
    if (next == 0 || next == SIZE_MAX || next >= para.Tags.size()) {
      piece *= 2;
      continue;
    }
    state = para.Tags[next];
    from = static_cast<size_t>(state->Position - offset);
  }
  if (lines_.size() >= lineLimit_) return;
  ParseTags(from == 0 ? source : source.substr(from), offset + static_cast<int>(from), para, state ? &*state : nullptr);
  // The end of a cut paragraph is a piece's end like the others; a line that is not wrapped is
  // made whole, which serves only as the first line past the part.
  const size_t stopAt = !cut || !wordWrap_                    ? SIZE_MAX
                        : para.Visible.size() > kPieceMargin ? para.Visible.size() - kPieceMargin
                                                             : 0;
  WrapParagraph(para, fullWidth, firstWidth, spacing, from == 0, stopAt);
}

void TkvxDrawText::SetParaBreaks(bool firstParaBreak, bool lastParaBreak) {
  if (lines_.empty()) return;
  if (firstParaBreak) lines_.front().Flags &= ~1;
  if (lastParaBreak && !shownCut_) lines_.back().Flags &= ~2;
}

WideString TkvxDrawText::DeleteTags(const WideString& text) {
  if (!htmlTags_) return text;
  Paragraph para;
  ParseTags(text, 0, para);
  return text.empty() ? WideString() : para.Visible;
}

Extended TkvxDrawText::GetFontHeight() const { return -font_.Height / Factor; }

Extended TkvxDrawText::CalcHeight() { return HeightOf(lines_.size()); }

namespace {

// The two halves of a digest, each folding in a word at a time with its own multiplier and
// shift, so that texts alike in one are not therefore alike in the other.
struct TDigestLanes {
  std::uint64_t H, G;
  void Fold(std::uint64_t v) {
    H = (H ^ v) * 0x9E3779B97F4A7C15ull;
    H ^= H >> 29;
    G = std::rotl(G ^ v, 23) * 0xC2B2AE3D27D4EB4Full;
    G ^= G >> 31;
  }
};

}  // namespace

TkvxLayoutDigest TkvxDrawText::LayoutDigest(const TWideStrings& lines) const {
  const bool across = (rotation_ >= 90 && rotation_ < 180) || rotation_ >= 270;
  const std::array<std::uint64_t, 5> layout{
      static_cast<std::uint32_t>(font_.Height) | std::uint64_t{font_.Style.Mask()} << 32,
      std::uint64_t{font_.Charset} | std::uint64_t{static_cast<unsigned>(font_.Pitch)} << 8 |
          std::uint64_t{static_cast<std::uint32_t>(size_)} << 32,
      std::uint64_t{wordWrap_} | std::uint64_t{htmlTags_} << 1 | std::uint64_t{wordBreak_} << 2 |
          std::uint64_t{static_cast<std::uint32_t>(across ? textRect_.Height() : textRect_.Width())} << 32,
      std::bit_cast<std::uint64_t>(paragraphGap_),
      std::bit_cast<std::uint64_t>(charSpacing_)};
  // Every memo of a report is mostly in the same face: the part of the digest its name gives is
  // kept from the last text.
  if (!digestStarted_ || font_.Name != digestFont_) {
    TDigestLanes start{0x243F6A8885A308D3ull, 0x13198A2E03707344ull};
    for (unsigned char c : font_.Name) start.Fold(c);
    start.Fold(0x100u + font_.Name.size());
    digestFont_ = font_.Name;
    digestStart_[0] = start.H;
    digestStart_[1] = start.G;
    digestStarted_ = true;
  }
  TDigestLanes d{digestStart_[0], digestStart_[1]};
  for (std::uint64_t v : layout) d.Fold(v);
  d.Fold(static_cast<std::uint64_t>(lines.Count()));
  for (Integer i = 0; i < lines.Count(); ++i) {
    const WideString& line = lines.Line(i);
    // Four units a word; the length after them tells a line's last units from units that are
    // not there.
    size_t k = 0;
    for (; line.size() - k >= 4; k += 4) {
      std::uint64_t units;
      std::memcpy(&units, line.data() + k, sizeof units);
      d.Fold(units);
    }
    std::uint64_t rest = 0;
    for (size_t shift = 0; k < line.size(); ++k, shift += 16) rest |= std::uint64_t{line[k]} << shift;
    d.Fold(rest);
    d.Fold(0x10000u + line.size());
  }
  // The last steps spread every bit over the whole word, part of which places it in the table.
  std::uint64_t h = d.H;
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  std::uint64_t g = d.G;
  g ^= g >> 32;
  g *= 0xD6E8FEB86659FD93ull;
  return {h ^ (h >> 33), g ^ (g >> 32)};
}

Extended TkvxDrawText::TextHeight(const TWideStrings& lines) {
  // A part of a split memo is cut at its frame: only whole texts are counted once for all.
  const bool keep = !splitting_;
  const TkvxLayoutDigest digest = keep ? LayoutDigest(lines) : TkvxLayoutDigest{};
  if (keep)
    if (int known = lineCounts_.Find(digest); known >= 0) {
      DropLines();
      return HeightOf(static_cast<size_t>(known));
    }
  // Only the number of lines counts: none is made.
  counting_ = true;
  counted_ = 0;
  try {
    SetText(lines);
  } catch (...) {
    counting_ = false;
    throw;
  }
  const bool whole = keep && !htmlTags_ && ParagraphsWhole(lines);
  if (keep && !htmlTags_) KeepBreaks(digest, static_cast<size_t>(lines.Count()));
  counting_ = false;
  if (keep) lineCounts_.Add(digest, static_cast<int>(counted_), whole);
  return HeightOf(counted_);
}

bool TkvxDrawText::ParagraphsWhole(const TWideStrings& lines) const {
  if (!breaksKnown_ || counted_ != static_cast<size_t>(lines.Count()) || countedBreaks_.size() != counted_)
    return false;
  std::int32_t start = 0;
  for (Integer i = 0; i < lines.Count(); ++i) {
    const TkvxLineBreak& b = countedBreaks_[static_cast<size_t>(i)];
    const size_t size = lines.Line(i).size();
    if (b.Start != start || static_cast<size_t>(b.Length) != std::max<size_t>(size, 1) || b.Hyphen) return false;
    start += static_cast<std::int32_t>(size + 2);
  }
  return true;
}

Extended TkvxDrawText::HeightOf(size_t lines) {
  if (lines == 0) return 0;
  return GetLineHeight() * static_cast<Extended>(lines) - lineSpacing_;
}

int TkvxDrawText::LinesIn(Extended height) const {
  const Extended lineHeight = GetLineHeight();
  return lineHeight > 0 ? std::max(0, static_cast<int>(std::trunc((height + lineSpacing_) / lineHeight))) : 0;
}

Extended TkvxDrawText::CellHeight() const {
  for (const auto& [font, height] : cells_)
    if (font == font_) return height;
  measure_->Font().SetData(font_);
  const int cell = measure_->FontAscent() + measure_->FontDescent();
  if (cells_.size() == kKeptCells) cells_.erase(cells_.begin());
  cells_.emplace_back(font_, std::max(cell, -font_.Height) / Factor);
  return cells_.back().second;
}

Extended TkvxDrawText::CalcWidth() {
  int spacing = Round(charSpacing_ * Factor);
  int widest = 0;
  for (const TkvxTextLine& line : lines_) {
    measure_->Font().SetData(font_);
    int w = MeasureWidth(*measure_, line.Text, line.Tags, spacing);
    if (line.Flags & 1) w += Round(paragraphGap_ * Factor);
    widest = std::max(widest, w);
  }
  return widest / Factor;
}

Extended TkvxDrawText::UnusedSpace() const {
  Extended h = textRect_.Bottom - textRect_.Top + 1;
  Extended lineHeight = GetLineHeight();
  if (lineHeight <= 0) return 0;
  int n = static_cast<int>(std::trunc(h / lineHeight));
  if (n <= 0) return 0;
  Extended rest = h - n * lineHeight;
  return rest == 0 ? 0.0001 : rest;
}

WideString TkvxDrawText::GetOutBoundsText(bool& paraBreak) {
  paraBreak = false;
  int n = std::min(LinesIn(textRect_.Bottom - textRect_.Top + 1), static_cast<int>(lines_.size()));
  if (n == static_cast<int>(lines_.size())) return WideString();
  const TkvxTextLine& first = lines_[n];
  TkvxHTMLTag open = first.Tags.empty() ? TkvxHTMLTag{} : first.Tags.front();
  int cut = std::clamp(open.Position, 0, static_cast<int>(plainText_.size()));
  bool hyphenated = n > 0 && wordBreak_ && !lines_[n - 1].Text.empty() && lines_[n - 1].Text.back() == u'-';
  paraBreak = n > 0 && !(lines_[n - 1].Flags & 2);
  lines_.resize(n);
  WideString rest = plainText_.substr(cut);
  plainText_.resize(cut);
  if (hyphenated) plainText_ += u'-';
  if (paraBreak && !rest.empty() && rest.front() == u' ') rest.erase(0, 1);
  if (htmlTags_) {
    if (open.Style.Contains(fsBold)) rest = u"<b>" + rest;
    if (open.Style.Contains(fsItalic)) rest = u"<i>" + rest;
    if (open.Style.Contains(fsUnderline)) rest = u"<u>" + rest;
    TColor rgb = ColorToRGB(open.Color);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
    rest = u"<font color=\"#" + kvxUtf8ToWide(hex) + u"\">" + rest;
  }
  return rest;
}

WideString TkvxDrawText::GetWrappedText() const {
  WideString result;
  for (const TkvxTextLine& line : lines_) result += line.Text + u"\r\n";
  return result;
}

bool TkvxDrawText::IsPrinter(TCanvas* canvas) {
  // The printer layer is built above this library, so its canvas class is recognised by name.
  return canvas && std::string_view(typeid(*canvas).name()).find("TkvxPrinterCanvas") != std::string_view::npos;
}

void TkvxDrawText::DrawText(TCanvas* canvas, TkvxHAlign hAlign, TkvxVAlign vAlign) {
  if (lines_.empty() || !canvas) return;
  bool printer = IsPrinter(canvas);
  int dpiY = canvas->PixelsPerInchY() > 0 ? canvas->PixelsPerInchY() : ScreenRes;
  TFontData target = font_;
  TkvxHTMLTag firstState = lines_.front().Tags.empty() ? TkvxHTMLTag{} : lines_.front().Tags.front();
  int size = firstState.Size > 0 ? firstState.Size : size_;
  target.Height = printer ? -Round(size * dpiY * printScale_ / 72) : -Round(size * scaleY_ * ScreenRes / 72);
  if (firstState.Size > 0) {
    target.Style = firstState.Style;
    target.Color = firstState.Color;
  }
  int a = rotation_;
  target.Orientation = a * 10;
  canvas->Font().SetData(target);
  canvas->Brush().SetStyle(bsClear);

  int n = static_cast<int>(lines_.size());
  // Lines step by the font's cell, as the layout counts them.
  int fh = std::max(std::abs(target.Height), canvas->FontAscent() + canvas->FontDescent());
  int step = Round(lineSpacing_ * scaleY_) + fh;
  double fm = CellHeight() * Factor;
  int th;
  if (printer) {
    double f = (double(PrinterRes) / dpiY) / printScale_;
    th = Round(lineSpacing_ * scaleY_ * n + fm * n / f);
  } else {
    th = Round((lineSpacing_ + fm / Factor) * n * scaleY_);
  }
  std::vector<int> steps(std::max(0, n - 1), step);
  if (wysiwyg_ && n > 1) {
    int d = th - step * n;
    int magnitude = std::abs(d), sign = d < 0 ? -1 : 1;
    if (magnitude < n) {
      Spread(steps, 0, n - 1, sign, magnitude);
    } else {
      int each = magnitude / (n - 1);
      for (int& s : steps) s += sign * each;
      Spread(steps, 0, n - 1, sign, magnitude - (n - 1) * each);
    }
  }

  const double rad = a * M_PI / 180;
  const double sinA = std::sin(rad), cosA = std::cos(rad);
  const double as = std::abs(sinA), ac = std::abs(cosA);
  int l = frameRect_.Left, t = frameRect_.Top, r = frameRect_.Right, b = frameRect_.Bottom;
  int x, y, w, h;
  int slantW = ac > 1e-9 ? Round(((r - l) - th * as) / ac) : r - l;
  if (a == 0) {
    x = l, y = t, w = r - l, h = b - t;
  } else if (a == 90) {
    x = l, y = b, w = b - t, h = r - l;
  } else if (a == 180) {
    x = r, y = b, w = r - l, h = b - t;
  } else if (a == 270) {
    x = r, y = t, w = b - t, h = r - l;
  } else if (a < 90) {
    w = slantW, x = l, y = t + Round(w * as), h = b - y - Round(th * ac) + th;
  } else if (a < 180) {
    w = slantW, x = l + Round(w * ac), y = b, h = b - t - Round(th * ac + w * as) + th;
  } else if (a < 270) {
    w = slantW, x = r, y = b - Round(w * as), h = y - t - Round(th * ac) + th;
  } else {
    w = slantW, x = l + Round(th * as), y = t, h = b - t - Round(w * as + th * ac) + th;
  }
  double c = cosA, s = sinA;
  if (a % 90 != 0) {
    c = (a > 90 && a < 270) ? -1 : 1;
    s = 0;
  }
  if (vAlign == vaBottom) {
    y += Round((h - th) * c);
    x += Round((h - th) * s);
  } else if (vAlign == vaCenter) {
    y += Round((h - th) * c / 2);
    x += Round((h - th) * s / 2);
  }

  for (int i = 0; i < n; ++i) {
    const TkvxTextLine& line = lines_[i];
    bool firstOfParagraph = line.Flags & 1;
    int indent = firstOfParagraph && (hAlign == haLeft || hAlign == haBlock) ? Round(paragraphGap_ * scaleX_) : 0;
    TkvxHAlign align = hAlign;
    if (hAlign == haBlock && (line.Flags & 2)) align = rtlReading_ ? haRight : haLeft;
    DrawLine(*canvas, line, x + indent, y, w - indent, align, printer);
    if (i < n - 1) {
      y += Round(steps[i] * cosA);
      x += Round(steps[i] * sinA);
    }
  }
}

void TkvxDrawText::DrawLine(TCanvas& canvas, const TkvxTextLine& line, int x, int y, int width, TkvxHAlign align,
                            bool printer) {
  if (line.Text.empty()) return;
  int a = rotation_;
  const double rad = a * M_PI / 180;
  const double sinA = std::sin(rad), cosA = std::cos(rad);
  int dpiX = canvas.PixelsPerInchX() > 0 ? canvas.PixelsPerInchX() : ScreenRes;
  int dpiY = canvas.PixelsPerInchY() > 0 ? canvas.PixelsPerInchY() : ScreenRes;
  auto targetHeight = [&](int size) {
    return printer ? -Round(size * dpiY * printScale_ / 72) : -Round(size * scaleY_ * ScreenRes / 72);
  };
  TFontData saved = canvas.Font().Data();
  int spacing600 = Round(charSpacing_ * Factor);
  measure_->Font().SetData(font_);
  int wm = MeasureWidth(*measure_, line.Text, line.Tags, spacing600) - spacing600;
  int spacingT = Round(charSpacing_ * scaleX_);
  Measured mt;
  MeasureLine(canvas, line.Text, line.Tags, spacingT, targetHeight, mt);
  int wt = mt.Width() - spacingT;
  int wi = !wysiwyg_ ? wt : printer ? Round(wm * printScale_ / (double(PrinterRes) / dpiX)) : Round(wm / Factor * scaleX_);

  if (align == haRight) {
    int d = width - wi + 1;
    x += Round(d * cosA) - 1;
    y -= Round(d * sinA);
    if (a == 0 && !line.Tags.empty() &&
        (line.Tags.front().Style.Contains(fsBold) || line.Tags.front().Style.Contains(fsItalic)))
      --x;
  } else if (align == haCenter) {
    x += Round((width - wi) / 2.0 * cosA);
    y -= Round((width - wi) / 2.0 * sinA);
  }

  std::vector<int>& adv = mt.Advances;
  int m = static_cast<int>(adv.size());
  std::vector<int> blanks;
  for (int k = 0; k < m; ++k)
    if (IsBlank(line.Text[mt.Starts[k]])) blanks.push_back(k);
  if (align == haBlock && !blanks.empty()) {
    int free = std::abs(width) - wt;
    int count = static_cast<int>(blanks.size());
    int sign = free < 0 ? -1 : 1;
    int q = std::abs(free) / count, rem = std::abs(free) % count;
    for (int k = 0; k < count; ++k) adv[blanks[k]] += sign * (q + (k < rem ? 1 : 0));
  } else if (align != haBlock) {
    Distribute(adv, wi - wt);
  }

  TRect clip = clipRect_;
  int options = (rtlReading_ ? etoRtlReading : 0) | (clipped_ ? etoClipped : 0);
  int k = 0;
  while (k < m) {
    int end = k + 1;
    const TkvxHTMLTag& state = line.Tags[mt.Starts[k]];
    while (end < m && line.Tags[mt.Starts[end]] == state) ++end;
    SelectState(canvas, state, targetHeight(state.Size));
    TFontData rotated = canvas.Font().Data();
    rotated.Orientation = a * 10;
    canvas.Font().SetData(rotated);
    int fromUnit = mt.Starts[k];
    int toUnit = end < m ? mt.Starts[end] : static_cast<int>(line.Text.size());
    std::vector<int> runAdvances(adv.begin() + k, adv.begin() + end);
    int o = Round(state.AddY * state.Size * scaleY_);
    WideString run = line.Text.substr(fromUnit, toUnit - fromUnit);
    canvas.TextOutEx(x + Round(o * sinA), y + Round(o * cosA), run, wysiwyg_ ? runAdvances : std::vector<int>{},
                     options, clipped_ ? &clip : nullptr);
    int sum = 0;
    for (int v : runAdvances) sum += v;
    if (a != 0) {
      x += Round(sum * cosA);
      y -= Round(sum * sinA);
    } else {
      x += sum;
    }
    k = end;
  }
  canvas.Font().SetData(saved);
}

TkvxDrawText& kvxDrawText() {
  static thread_local TkvxDrawText instance;
  return instance;
}

}  // namespace orv
