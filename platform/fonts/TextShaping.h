#pragma once
// Text shaped at a pixel size for layout and drawing: its grapheme clusters (the unit of layout,
// so a Thai vowel or tone mark stays on its base), the advance of each, and the glyphs that
// draw them, from the face asked for or, for letters it lacks, from the face fontconfig finds.
// Measuring, drawing and the PDF's runs come from this one shaping.
#include <string_view>
#include <vector>

#include "platform/fonts/FontFace.h"

namespace orv {

// A glyph placed from the pen position of its cluster, in 1/64 pixel, y upwards.
struct TPlacedGlyph {
  const TFontFace* Face = nullptr;
  unsigned GlyphId = 0;
  int X = 0;
  int Y = 0;
};

struct TTextShape {
  // UTF-16 index where each cluster begins.
  std::vector<int> Starts;
  // Each cluster's advance, 1/64 pixel.
  std::vector<int> Advances;
  // Index in Glyphs of each cluster's first glyph, and one more: the end of the last.
  std::vector<int> GlyphStarts;
  std::vector<TPlacedGlyph> Glyphs;
};

struct TTextMeasure {
  int Clusters = 0;
  // 1/64 pixel.
  long long Advance = 0;
};

// Where each grapheme cluster of text begins (UTF-16 indexes): a Thai vowel or tone mark
// written over, under or after its letter is in its letter's cluster.
void GraphemeStarts(std::u16string_view text, std::vector<int>& starts);
// Shapes text in face at pixelSize pixels per em. Words are shaped once per thread and kept:
// a parish's names, streets and districts repeat from row to row.
void ShapeText(const TFontFace& face, int pixelSize, std::u16string_view text, TTextShape& shape);
// ShapeText's cluster starts and advances alone, without the glyphs: what layout needs.
void ClusterAdvances(const TFontFace& face, int pixelSize, std::u16string_view text, std::vector<int>& starts,
                     std::vector<int>& advances);
// ShapeText's cluster count and whole advance, without building the shape.
TTextMeasure MeasureText(const TFontFace& face, int pixelSize, std::u16string_view text);

}  // namespace orv
