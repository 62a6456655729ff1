// Digits, blanks and signs that a face's shaping leaves alone are placed without the shaper:
// every glyph, cluster, advance and offset must be the one HarfBuzz gives for the same text, in
// each installed face, at the face's own units and at pixel sizes, for every pair of those
// characters and for the numbers, dates and telephone numbers of a register; and so must the
// shape and measure the layout takes of such a word.
#include <gtest/gtest.h>
#include <hb.h>

#include <string>
#include <vector>

#include "platform/fonts/FontShaper.h"
#include "platform/fonts/TextShaping.h"
#include "platform/rtl/CodePages.h"

namespace orv {
namespace {

// The text shaped by HarfBuzz itself, as the font layer sets the buffer up.
std::vector<TRawGlyph> HarfBuzzGlyphs(const TFontFace& face, int pixelSize, std::u16string_view text) {
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.data()), static_cast<int>(text.size()), 0,
                      static_cast<int>(text.size()));
  hb_buffer_set_cluster_level(buffer, HB_BUFFER_CLUSTER_LEVEL_MONOTONE_CHARACTERS);
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(TFontShaper::Font(face, pixelSize), buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
  std::vector<TRawGlyph> glyphs;
  for (unsigned i = 0; i < count; ++i)
    glyphs.push_back({&face, info[i].codepoint, info[i].cluster, pos[i].x_advance, pos[i].x_offset, pos[i].y_offset});
  hb_buffer_destroy(buffer);
  return glyphs;
}

std::string Describe(const std::vector<TRawGlyph>& glyphs) {
  std::string out;
  for (const TRawGlyph& g : glyphs)
    out += std::to_string(g.Id) + "@" + std::to_string(g.Cluster) + "+" + std::to_string(g.Advance) + "(" +
           std::to_string(g.X) + "," + std::to_string(g.Y) + ") ";
  return out;
}

TEST(PlainGlyphs, DigitsAndSignsShapeAsHarfBuzzShapesThemInEveryFace) {
  std::u16string signs;
  for (char16_t c = 0x20; c < 0x7F; ++c)
    if (!((c | 0x20) >= 'a' && (c | 0x20) <= 'z')) signs += c;
  std::vector<std::u16string> texts = {u"184/12 ", u"085-683-7955", u"10000.", u"1,234.50 ", u"(02) 123-4567",
                                       u"31/12/2025", u"1/2", u"#%&*+<=>?@[\\]^_`{|}~", u"  ", u"--", u"..."};
  for (char16_t a : signs)
    for (char16_t b : signs) texts.push_back({a, b});
  int plainFaces = 0;
  for (const char* name : {"Laksaman", "Tahoma", "Arial", "Garuda", "Loma", "Norasi", "Kinnari", "DejaVu Sans",
                           "DejaVu Serif", "DejaVu Sans Mono"}) {
    auto face = TFontFace::Find(name, false, false, DEFAULT_CHARSET);
    std::vector<TRawGlyph> digits;
    plainFaces += TFontShaper::ShapePlain(*face, 83, u"0123456789", 0, 10, HB_SCRIPT_INVALID, digits);
    for (int size : {0, 13, 83, 125}) {
      int wrong = 0;
      for (const std::u16string& text : texts) {
        std::vector<TRawGlyph> ours;
        TFontShaper::Shape(*face, size, text, 0, text.size(), HB_SCRIPT_INVALID, ours);
        const std::vector<TRawGlyph> harfBuzz = HarfBuzzGlyphs(*face, size, text);
        const std::string expected = Describe(harfBuzz);
        if (Describe(ours) != expected && ++wrong <= 5)
          ADD_FAILURE() << name << " at " << size << ": \"" << std::string(text.begin(), text.end()) << "\" "
                        << Describe(ours) << "against " << expected;
        // The layout's shape of one word (blanks only at its end), as clusters of characters.
        const size_t blank = text.find(u' ');
        if (size == 0 || (blank != std::u16string::npos && text.find_first_not_of(u' ', blank) != std::u16string::npos))
          continue;
        TTextShape shape;
        ShapeText(*face, size, text, shape);
        long long sum = 0;
        std::vector<TRawGlyph> layout;
        for (size_t k = 0; k < shape.Starts.size(); ++k) {
          const TPlacedGlyph& g = shape.Glyphs[static_cast<size_t>(shape.GlyphStarts[k])];
          layout.push_back({g.Face, g.GlyphId, static_cast<unsigned>(shape.Starts[k]), shape.Advances[k], g.X, g.Y});
          sum += shape.Advances[k];
        }
        if (harfBuzz.size() == text.size() && (Describe(layout) != expected || MeasureText(*face, size, text).Advance != sum) &&
            ++wrong <= 5)
          ADD_FAILURE() << name << " at " << size << ": \"" << std::string(text.begin(), text.end()) << "\" laid out "
                        << Describe(layout) << "against " << expected;
      }
      EXPECT_EQ(wrong, 0) << name << " at " << size;
    }
  }
  EXPECT_GE(plainFaces, 1) << "the register's faces should place digits without the shaper";
  // Letters, and text given a script, go to the shaper.
  auto face = TFontFace::Find("Laksaman", false, false, DEFAULT_CHARSET);
  std::vector<TRawGlyph> glyphs;
  EXPECT_FALSE(TFontShaper::ShapePlain(*face, 83, u"12a", 0, 3, HB_SCRIPT_INVALID, glyphs));
  EXPECT_FALSE(TFontShaper::ShapePlain(*face, 83, u"12", 0, 2, HB_SCRIPT_THAI, glyphs));
  EXPECT_FALSE(TFontShaper::ShapePlain(*face, 83, u"1\u0E51", 0, 2, HB_SCRIPT_INVALID, glyphs));
  EXPECT_TRUE(glyphs.empty());
}

}  // namespace
}  // namespace orv
