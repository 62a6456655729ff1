#include <algorithm>
#include <cmath>

#include "platform/gui/Graphics.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfFont.h"
#include "report/pdf/PdfPage.h"
#include "report/pdf/PdfText.h"

namespace orv {

namespace {

// What a glyph stands for the first time the document uses it: its whole cluster when alone;
// else the character the font maps to it (SARA AA for the second half of SARA AM, since plain
// SARA AA is far more common); else, for the font's private shifted marks, its place among as
// many characters.
WideString GlyphMeaning(const TFontFace& face, const std::vector<TShapedGlyph>& glyphs, size_t i,
                        std::u16string_view text) {
  const unsigned cluster = glyphs[i].Cluster;
  // The cluster ends where the next one starts; which of its glyphs this is, and how many it has.
  size_t end = text.size();
  unsigned count = 0, k = 0;
  for (size_t j = 0; j < glyphs.size(); ++j) {
    if (glyphs[j].Cluster > cluster) end = std::min<size_t>(end, glyphs[j].Cluster);
    if (glyphs[j].Cluster != cluster) continue;
    ++count;
    if (j < i) ++k;
  }
  const char32_t ch = face.GlyphCharacter(glyphs[i].GlyphId);
  const bool ownCharacter = ch != 0 && ch < 0x10000 && !(ch >= 0xE000 && ch <= 0xF8FF);
  const size_t length = end - cluster;
  if (count == 1) return WideString(text.substr(cluster, length));
  if (ownCharacter) return WideString(1, static_cast<char16_t>(ch));
  if (count == length) return WideString(1, text[cluster + k]);
  if (k == 0) return WideString(text.substr(cluster, length));
  return WideString();
}

bool OnlyBlanks(std::u16string_view text) {
  for (char16_t c : text)
    if (c > 32) return false;
  return true;
}

}  // namespace

TkvxPDFShapedText& TkvxPDFPage::Shape(std::u16string_view text, const TFont& font) {
  // Measuring alone adds no font to the document.
  return Parent.Shaped(Parent.FaceOf(font), text);
}

double TkvxPDFPage::GlyphsWidth(const TkvxPDFShapedText& shaped, int size, double charSpacing) {
  if (size <= 0) return 0;
  double pen = 0;
  const double spacing = charSpacing * 0.75 / size * 1000.0;
  for (size_t i = 0; i < shaped.Glyphs.size(); ++i)
    pen += shaped.Glyphs[i].Advance + (shaped.EndsCluster[i] ? spacing : 0);
  return pen / 1000.0 * size / 0.75;
}

double TkvxPDFPage::TextWidth(std::u16string_view text, const TFont& font, double charSpacing) {
  const int size = font.Size();
  if (size <= 0 || text.empty()) return 0;
  return GlyphsWidth(Shape(text, font), size, charSpacing);
}

double TkvxPDFPage::TextOut(double x, double y, std::u16string_view text, const TFont& font, double charSpacing,
                            double rotation) {
  const int size = font.Size();
  if (size <= 0 || OnlyBlanks(text)) return 0;
  const int fontIndex = Parent.AddFont(font);
  TkvxPDFShapedText& run = Parent.Shaped(Parent.Fonts[fontIndex]->Face(), text);
  return ShowRun(x, y, text, run, font, size, fontIndex, charSpacing, rotation);
}

double TkvxPDFPage::ShowShaped(double x, double y, std::u16string_view text, TkvxPDFShapedText& shaped,
                               const TFont& font, int size, int& fontIndex, double charSpacing, double rotation) {
  if (size <= 0 || OnlyBlanks(text)) return 0;
  // A font joins the document with the first run shown in it, not before.
  if (fontIndex < 0) fontIndex = Parent.AddFont(font);
  return ShowRun(x, y, text, shaped, font, size, fontIndex, charSpacing, rotation);
}

void TkvxPDFPage::ComposeRun(std::u16string_view text, TkvxPDFShapedText& run, const TFont& font, int size,
                             int fontIndex, double charSpacing) {
  const TFontFace& face = Parent.Fonts[fontIndex]->Face();
  // Glyphs the report font lacks come from their fallback faces, each a font of its own.
  auto fontOf = [&](const TShapedGlyph& g) {
    return !g.Face || g.Face == &face ? fontIndex : Parent.AddFallbackFont(font, *g.Face);
  };
  const int firstFont = run.Glyphs.empty() ? fontIndex : fontOf(run.Glyphs.front());
  int shownFont = firstFont;

  const double spacing = charSpacing * 0.75 / size * 1000.0;
  double pen = 0, current = 0, rise = 0;
  // Whether the glyphs' own texts, one after another, give back the text.
  size_t extracted = 0;
  bool extractable = true;
  // Whether a vowel or tone mark stands off its font's own place beside its letter (moved along
  // the line or off the baseline), or letters stand apart: text readers take such a mark, and
  // spaced letters, for text of their own ("หน้ า").
  bool placedApart = charSpacing != 0;
  // Where the blanks that end the text begin, in the text and in the operators.
  const size_t blanks = text.find_last_not_of(u' ') + 1;
  size_t blanksShown = std::string::npos;
  bool blanksInHex = false;
  double inkLeft = 1e9, inkRight = -1e9, inkBottom = 1e9, inkTop = -1e9;
  std::string& shown = run.Shown;
  shown.assign(1, '[');
  bool hexOpen = false;
  for (size_t i = 0; i < run.Glyphs.size(); ++i) {
    const TShapedGlyph& g = run.Glyphs[i];
    if (blanksShown == std::string::npos && blanks > 0 && g.Cluster >= blanks) {
      blanksShown = shown.size();
      blanksInHex = hexOpen;
    }
    const int glyphFont = fontOf(g);
    TkvxPDFFont& pdfFont = *Parent.Fonts[glyphFont];
    if (glyphFont != shownFont) {
      if (hexOpen) shown += '>';
      hexOpen = false;
      shown += "] TJ\r\n/F";
      shown += std::to_string(glyphFont);
      shown += ' ';
      shown += std::to_string(size);
      shown += " Tf\r\n[";
      shownFont = glyphFont;
    }
    if (g.OffsetY != rise) {
      if (hexOpen) shown += '>';
      hexOpen = false;
      shown += "] TJ\r\n";
      kvxAppendFixed(shown, g.OffsetY / 1000.0 * size);
      shown += " Ts\r\n[";
      rise = g.OffsetY;
    }
    const double target = pen + g.OffsetX;
    // Widths are whole thousandths of an em, so small drift is let be until it could show.
    const double drift = current - target;
    const long adjust = std::abs(drift) >= 1.5 ? std::lround(drift) : 0;
    const bool inCluster = i > 0 && !run.EndsCluster[i - 1];
    const bool afterMark = i > 1 && !run.EndsCluster[i - 2] && run.EndsCluster[i - 1];
    placedApart |= g.OffsetY != 0 || (adjust != 0 && (inCluster || afterMark));
    if (adjust != 0) {
      if (hexOpen) shown += '>';
      hexOpen = false;
      shown += ' ';
      shown += std::to_string(adjust);
      shown += ' ';
      current -= static_cast<double>(adjust);
    }
    if (!hexOpen) shown += '<';
    hexOpen = true;
    kvxAppendHex4(shown, g.GlyphId);
    const TFontBox& box = pdfFont.GlyphBox(g.GlyphId);
    if (box.Right > box.Left) {
      inkLeft = std::min(inkLeft, current + box.Left);
      inkRight = std::max(inkRight, current + box.Right);
      inkBottom = std::min(inkBottom, rise + box.Bottom);
      inkTop = std::max(inkTop, rise + box.Top);
    }
    current += pdfFont.GlyphWidth(g.GlyphId);
    pen += g.Advance + (run.EndsCluster[i] ? spacing : 0);

    const WideString* known = pdfFont.UsedText(g.GlyphId);
    const WideString& meaning =
        known ? *known : pdfFont.UseGlyph(g.GlyphId, GlyphMeaning(pdfFont.Face(), run.Glyphs, i, text));
    if (extractable && text.compare(extracted, meaning.size(), meaning) == 0)
      extracted += meaning.size();
    else
      extractable = false;
  }
  if (hexOpen) shown += '>';
  shown += "] TJ\r\n";
  if (rise != 0) shown += "0 Ts\r\n";

  run.Font = fontIndex;
  run.Size = size;
  run.Spacing = charSpacing;
  run.FirstFont = firstFont;
  run.LastFont = shownFont;
  run.Extractable = extractable && extracted == text.size() && !placedApart;
  // A run that carries its text ends that text before its last blanks, which show as they
  // are: else readers would take the blank twice, in the text and in the gap to the next run.
  run.SpanEnd = std::string::npos;
  run.SpanText = run.Extractable || blanks == 0 ? text.size() : blanks;
  if (!run.Extractable && blanksShown != std::string::npos) {
    const std::string close = blanksInHex ? "> ] TJ\r\n" : "] TJ\r\n";
    shown.insert(blanksShown, close + (blanksInHex ? "[<" : "["));
    run.SpanEnd = blanksShown + close.size();
  }
  run.Pen = pen;
  run.Advance = current;
  run.InkLeft = inkLeft;
  run.InkRight = inkRight;
  run.InkBottom = inkBottom;
  run.InkTop = inkTop;
}

double TkvxPDFPage::ShowRun(double x, double y, std::u16string_view text, TkvxPDFShapedText& run, const TFont& font,
                            int size, int fontIndex, double charSpacing, double rotation) {
  if (run.Font != fontIndex || run.Size != size || run.Spacing != charSpacing)
    ComposeRun(text, run, font, size, fontIndex, charSpacing);
  const double px = PdfX(x), py = PdfY(y);
  if (rotation != 0 || font.Style().Contains(fsUnderline))
    ReachAnywhere();
  else if (run.InkLeft <= run.InkRight)
    Reach(px + run.InkLeft / 1000.0 * size, py + run.InkBottom / 1000.0 * size, px + run.InkRight / 1000.0 * size,
          py + run.InkTop / 1000.0 * size);
  // Runs that follow one another share a text object, and say only what changes: the font,
  // the colour, and the move from the previous run's start.
  if (rotation != 0) EndText();
  if (!inText_) {
    content_ += "BT\r\n";
    inText_ = true;
    lineX_ = lineY_ = runX_ = runY_ = 0;
    runEnd_ = std::string::npos;
  }
  UseTextState(run.FirstFont, size, font.Color() == clNone ? clBlack : font.Color());
  // Where the font's own map cannot give the text back (a split vowel, a glyph shared by two
  // characters), or a mark stands off its place, the run carries its text with it; so does a
  // turned run, whose marks readers would otherwise take for lines of their own.
  const bool actual = !run.Extractable || rotation != 0;
  // A turned run carries its blanks too: its lines are told apart by them.
  const bool blanksApart = rotation == 0;
  bool merged = false;
  if (rotation != 0) {
    const double angle = rotation * M_PI / 180.0, c = std::cos(angle), s = std::sin(angle);
    AppendNumbers(c, s, -s, c, px, py);
    content_ += " Tm\r\n";
  } else {
    // The move as written, so that rounding does not add up along a line.
    const double dx = std::nearbyint((px - runX_) * 100.0) / 100.0, dy = std::nearbyint((py - runY_) * 100.0) / 100.0;
    merged = !actual && dy == 0 && runEnd_ == content_.size() && runSize_ == size && run.Shown.front() == '[';
    if (merged) {
      // The next word of a line goes on in the TJ of the word before, moved by what lies
      // between where that word's glyphs end and where this one starts.
      content_.resize(runEnd_ - std::string_view("] TJ\r\n").size());
      const double move = runAdvance_ - dx * 1000.0 / size;
      if (std::abs(move) >= 0.005) {
        content_ += ' ';
        kvxAppendFixed(content_, move);
        content_ += ' ';
      }
      content_.append(run.Shown, 1);
    } else {
      // From where the line of the text object starts, which words gone on in a TJ left.
      AppendNumbers(runX_ + dx - lineX_, runY_ + dy - lineY_);
      content_ += " Td\r\n";
      lineX_ = runX_ + dx;
      lineY_ = runY_ + dy;
    }
    runX_ += dx;
    runY_ += dy;
  }
  if (!merged) {
    if (actual) {
      // The text as UTF-16 with its byte-order mark, written in place: a Thai list has such
      // runs in most rows.
      content_ += "/Span << /ActualText <FEFF";
      kvxAppendHex4(content_, blanksApart ? text.substr(0, run.SpanText) : text);
      content_ += "> >> BDC\r\n";
    }
    if (actual && blanksApart && run.SpanEnd != std::string::npos) {
      content_.append(run.Shown, 0, run.SpanEnd);
      content_ += "EMC\r\n";
      content_.append(run.Shown, run.SpanEnd);
    } else {
      content_ += run.Shown;
      if (actual) content_ += "EMC\r\n";
    }
  }
  TTextState& state = states_.back();
  if (run.LastFont != state.Font) {
    // A glyph from a fallback face switched the font inside the run.
    state.Font = run.LastFont;
    state.FontHere = states_.size() > 1;
  }
  for (size_t k = 1; k < states_.size(); ++k) states_[k].TextHere = true;
  runAdvance_ = run.Advance;
  runSize_ = size;
  runEnd_ = rotation == 0 && std::string_view(content_).ends_with("] TJ\r\n") ? content_.size() : std::string::npos;
  if (rotation != 0) EndText();

  const double widthPt = run.Pen / 1000.0 * size;
  if (rotation == 0 && font.Style().Contains(fsUnderline)) {
    EndText();
    content_ += GetColor(font.Color() == clNone ? clBlack : font.Color()) + " RG\r\n";
    AppendNumbers(size * 0.08);
    content_ += " w\r\n";
    AppendNumbers(px, py - size * 0.12);
    content_ += " m\r\n";
    AppendNumbers(px + widthPt, py - size * 0.12);
    content_ += " l\r\nS\r\n";
  }
  return widthPt / 0.75;
}

}  // namespace orv
