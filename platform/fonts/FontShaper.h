#pragma once
// Inside the font layer: HarfBuzz shaping of a stretch of text in a face, with the clusters the
// face lacks shaped again in their fallback faces. The PDF's glyphs and the canvas's clusters
// both come from here.
#include <hb.h>

#include <string_view>
#include <vector>

#include "platform/fonts/FontFace.h"

namespace orv {

// A glyph as HarfBuzz gives it, in logical order. Advance and offsets are in the face's units
// (design scale) or 1/64 pixel (pixel scale); Cluster indexes the whole text.
struct TRawGlyph {
  const TFontFace* Face = nullptr;
  unsigned Id = 0;
  unsigned Cluster = 0;
  int Advance = 0;
  int X = 0;
  int Y = 0;
};

// The character at text[i] (a surrogate pair read whole); i moves past it.
inline char32_t CodePointAt(std::u16string_view text, size_t& i) {
  char32_t c = text[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
    c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
  return c;
}

struct TFontShaper {
  // The face's font at pixelSize pixels per em, or at its own units per em for 0.
  static hb_font_t* Font(const TFontFace& face, int pixelSize);
  static unsigned UnitsPerEm(const TFontFace& face) { return face.unitsPerEm_; }
  // A glyph's advance in the face's units.
  static long DesignAdvance(const TFontFace& face, unsigned glyph) {
    return glyph < face.advances_.size() ? face.advances_[glyph] : 0;
  }
  // A glyph's advance before any positioning, in 1/64 pixel, at the size whose scale XScale
  // gives: what the shaper starts from at that size.
  static long XScale(const TFontFace& face, int pixelSize);
  static int LinearAdvance(const TFontFace& face, long xScale, unsigned glyph);
  // Shapes text[from, to) with the rest of text as context, appending to glyphs. script
  // HB_SCRIPT_INVALID lets HarfBuzz guess it from the text.
  static void Shape(const TFontFace& face, int pixelSize, std::u16string_view text, size_t from, size_t to,
                    hb_script_t script, std::vector<TRawGlyph>& glyphs);
  // Shapes text[from, to) of no script as Shape does where each of its characters is a digit,
  // a blank or a sign of ASCII that the face draws with a glyph no part of shaping touches: its
  // glyphs side by side at their own advances. False, appending nothing, for any other text.
  static bool ShapePlain(const TFontFace& face, int pixelSize, std::u16string_view text, size_t from, size_t to,
                         hb_script_t script, std::vector<TRawGlyph>& glyphs);
  // The glyphs of text at the face's own units when this thread has shaped it as one word at a
  // size where no glyph was positioned: the same glyphs and clusters, each at its own advance,
  // as shaping again would give. False otherwise.
  static bool KnownUnpositioned(const TFontFace& face, std::u16string_view text, std::vector<TRawGlyph>& glyphs);
};

}  // namespace orv
