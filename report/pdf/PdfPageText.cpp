#include <cmath>

#include "platform/gui/Graphics.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfFont.h"
#include "report/pdf/PdfPage.h"
#include "report/pdf/PdfText.h"

namespace orv {

namespace {

// Where each glyph's characters end in the text: the next cluster's start.
std::vector<unsigned> ClusterEnds(const std::vector<TShapedGlyph>& glyphs, size_t textLength) {
  std::vector<unsigned> starts;
  starts.reserve(glyphs.size());
  for (const auto& g : glyphs) starts.push_back(g.Cluster);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  std::vector<unsigned> ends;
  ends.reserve(glyphs.size());
  for (const auto& g : glyphs) {
    auto next = std::upper_bound(starts.begin(), starts.end(), g.Cluster);
    ends.push_back(next == starts.end() ? static_cast<unsigned>(textLength) : *next);
  }
  return ends;
}

bool LastOfCluster(const std::vector<TShapedGlyph>& glyphs, size_t i) {
  return i + 1 == glyphs.size() || glyphs[i + 1].Cluster != glyphs[i].Cluster;
}

bool OnlyBlanks(const WideString& text) {
  for (char16_t c : text)
    if (c > 32) return false;
  return true;
}

}  // namespace

double TkvxPDFPage::TextWidth(const WideString& text, const TFont& font, double charSpacing) {
  const int size = font.Size();
  if (size <= 0 || text.empty()) return 0;
  // Measuring alone adds no font to the document.
  auto glyphs = TkvxPDFFont::FaceFor(font)->Shape(text);
  double pen = 0;
  const double spacing = charSpacing * 0.75 / size * 1000.0;
  for (size_t i = 0; i < glyphs.size(); ++i) pen += glyphs[i].Advance + (LastOfCluster(glyphs, i) ? spacing : 0);
  return pen / 1000.0 * size / 0.75;
}

bool TkvxPDFPage::MeasureKnown(const WideString& text, const TFont& font, double charSpacing, double& width) {
  const int size = font.Size();
  if (size <= 0) return false;
  auto glyphs = TkvxPDFFont::FaceFor(font)->Shape(text);
  double pen = 0;
  const double spacing = charSpacing * 0.75 / size * 1000.0;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    if (glyphs[i].GlyphId == 0) return false;
    pen += glyphs[i].Advance + (LastOfCluster(glyphs, i) ? spacing : 0);
  }
  width = pen / 1000.0 * size / 0.75;
  return true;
}

double TkvxPDFPage::TextOut(double x, double y, const WideString& text, const TFont& font,
                            double charSpacing, double rotation) {
  const int size = font.Size();
  if (size <= 0 || OnlyBlanks(text)) return 0;
  const int fontIndex = Parent.AddFont(font);
  TkvxPDFFont& pdfFont = *Parent.Fonts[fontIndex];
  const TFontFace& face = pdfFont.Face();
  const auto glyphs = face.Shape(text);
  const auto ends = ClusterEnds(glyphs, text.size());
  // How many glyphs each cluster has, and which of them a glyph is.
  std::vector<unsigned> perCluster(text.size() + 1, 0);
  for (const auto& g : glyphs) ++perCluster[g.Cluster];
  std::vector<unsigned> seen(text.size() + 1, 0);

  const double spacing = charSpacing * 0.75 / size * 1000.0;
  double pen = 0, current = 0, rise = 0;
  WideString extracted;
  std::string shown = "[";
  bool hexOpen = false;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const TShapedGlyph& g = glyphs[i];
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
    if (adjust != 0) {
      if (hexOpen) shown += '>';
      hexOpen = false;
      shown += ' ' + std::to_string(adjust) + ' ';
      current -= static_cast<double>(adjust);
    }
    if (!hexOpen) shown += '<';
    hexOpen = true;
    kvxAppendHex4(shown, g.GlyphId);
    current += pdfFont.GlyphWidth(g.GlyphId);
    pen += g.Advance + (LastOfCluster(glyphs, i) ? spacing : 0);

    // What the glyph stands for: its whole cluster when alone; else the character the font maps
    // to it (SARA AA for the second half of SARA AM, since plain SARA AA is far more common);
    // else, for the font's private shifted marks, its place among as many characters.
    WideString cluster = text.substr(g.Cluster, ends[i] - g.Cluster);
    unsigned count = perCluster[g.Cluster], k = seen[g.Cluster]++;
    WideString meaning;
    char32_t ch = face.GlyphCharacter(g.GlyphId);
    const bool ownCharacter = ch != 0 && ch < 0x10000 && !(ch >= 0xE000 && ch <= 0xF8FF);
    if (count == 1)
      meaning = cluster;
    else if (ownCharacter)
      meaning = WideString(1, static_cast<char16_t>(ch));
    else if (count == cluster.size())
      meaning = WideString(1, cluster[k]);
    else if (k == 0)
      meaning = cluster;
    extracted += pdfFont.UseGlyph(g.GlyphId, meaning);
  }
  if (hexOpen) shown += '>';
  shown += "] TJ\r\n";
  if (rise != 0) shown += "0 Ts\r\n";

  const double px = PdfX(x), py = PdfY(y);
  content_ += "BT\r\n/F" + std::to_string(fontIndex) + " " + std::to_string(size) + " Tf\r\n";
  content_ += GetColor(font.Color() == clNone ? clBlack : font.Color()) + " rg\r\n";
  if (rotation != 0) {
    const double angle = rotation * M_PI / 180.0, c = std::cos(angle), s = std::sin(angle);
    AppendNumbers({c, s, -s, c, px, py});
    content_ += " Tm\r\n";
  } else {
    AppendNumbers({px, py});
    content_ += " Td\r\n";
  }
  // Where the font's own map cannot give the text back (a split vowel, a glyph shared by two
  // characters), the run carries its text with it; so does a turned run, whose marks readers
  // would otherwise take for lines of their own.
  const bool actual = extracted != text || rotation != 0;
  if (actual) content_ += "/Span << /ActualText <" + kvxStrToUTF16Hex(text) + "> >> BDC\r\n";
  content_ += shown;
  if (actual) content_ += "EMC\r\n";
  content_ += "ET\r\n";

  const double widthPt = pen / 1000.0 * size;
  if (rotation == 0 && font.Style().Contains(fsUnderline)) {
    content_ += GetColor(font.Color() == clNone ? clBlack : font.Color()) + " RG\r\n";
    AppendNumbers({size * 0.08});
    content_ += " w\r\n";
    AppendNumbers({px, py - size * 0.12});
    content_ += " m\r\n";
    AppendNumbers({px + widthPt, py - size * 0.12});
    content_ += " l\r\nS\r\n";
  }
  return widthPt / 0.75;
}

}  // namespace orv
