#include <hb-ot.h>
#include <hb.h>

#include <memory>

#include "platform/fonts/FontFaceImpl.h"
#include "platform/fonts/FontShaper.h"

namespace orv {

namespace {

// FT_DivFix of the size in 26.6 by the units per em.
long XScaleOf(const TFontFace& face, int pixelSize) {
  const long upem = TFontShaper::UnitsPerEm(face);
  return ((static_cast<long>(pixelSize) * 64 << 16) + upem / 2) / upem;
}

// FreeType's unhinted linear advance: the design advance times the size's 16.16 scale, kept
// in 16.16 pixels and cut to 26.6, as the canvas's font engine takes it.
hb_position_t LinearAdvance(const TFontFace& face, long xScale, unsigned glyph) {
  long units = TFontShaper::DesignAdvance(face, glyph);
  long linear = (units * xScale + 32) / 64;
  return static_cast<hb_position_t>(linear >> 10);
}

hb_position_t LinearAdvance(const TSizedFont& sized, unsigned glyph) {
  return LinearAdvance(*sized.Face, sized.XScale, glyph);
}

hb_position_t SizedAdvance(hb_font_t*, void* fontData, hb_codepoint_t glyph, void*) {
  return LinearAdvance(*static_cast<const TSizedFont*>(fontData), glyph);
}

void SizedAdvances(hb_font_t*, void* fontData, unsigned count, const hb_codepoint_t* glyphs, unsigned glyphStride,
                   hb_position_t* advances, unsigned advanceStride, void*) {
  const auto& sized = *static_cast<const TSizedFont*>(fontData);
  for (unsigned i = 0; i < count; ++i) {
    *advances = LinearAdvance(sized, *glyphs);
    glyphs = reinterpret_cast<const hb_codepoint_t*>(reinterpret_cast<const char*>(glyphs) + glyphStride);
    advances = reinterpret_cast<hb_position_t*>(reinterpret_cast<char*>(advances) + advanceStride);
  }
}

hb_font_funcs_t* SizedFuncs() {
  static hb_font_funcs_t* funcs = [] {
    hb_font_funcs_t* f = hb_font_funcs_create();
    hb_font_funcs_set_glyph_h_advance_func(f, SizedAdvance, nullptr, nullptr);
    hb_font_funcs_set_glyph_h_advances_func(f, SizedAdvances, nullptr, nullptr);
    hb_font_funcs_make_immutable(f);
    return f;
  }();
  return funcs;
}

// A character that draws nothing, so a face lacking it needs no other face.
bool Invisible(char32_t c) {
  return c <= 0x20 || c == 0xA0 || c == 0xAD || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFE00 && c <= 0xFE0F);
}

void ShapeOnce(const TFontFace& face, int pixelSize, std::u16string_view text, size_t from, size_t to,
               hb_script_t script, std::vector<TRawGlyph>& glyphs) {
  thread_local std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)> own(hb_buffer_create(), hb_buffer_destroy);
  hb_buffer_t* buffer = own.get();
  hb_buffer_clear_contents(buffer);
  hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.data()), static_cast<int>(text.size()),
                      static_cast<unsigned>(from), static_cast<int>(to - from));
  // Layout counts grapheme clusters of characters, so marks keep clusters of their own; the PDF
  // takes the same clusters, so a mark's own text maps to its glyph. The thread's buffer keeps
  // its level from one text to the next: it is set for every text, or a PDF's text map would
  // depend on what the thread shaped before.
  hb_buffer_set_cluster_level(buffer, HB_BUFFER_CLUSTER_LEVEL_MONOTONE_CHARACTERS);
  if (script != HB_SCRIPT_INVALID) {
    hb_buffer_set_script(buffer, script);
    hb_buffer_set_direction(buffer, hb_script_get_horizontal_direction(script));
  }
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(TFontShaper::Font(face, pixelSize), buffer, nullptr, 0);
  if (HB_DIRECTION_IS_BACKWARD(hb_buffer_get_direction(buffer))) hb_buffer_reverse(buffer);
  unsigned count = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
  glyphs.reserve(glyphs.size() + count);
  for (unsigned i = 0; i < count; ++i)
    glyphs.push_back({&face, info[i].codepoint, info[i].cluster, pos[i].x_advance, pos[i].x_offset, pos[i].y_offset});
}

// A cluster is missing when one of its glyphs is the face's blank box while it holds a letter.
bool Missing(const std::vector<TRawGlyph>& glyphs, size_t g, size_t gEnd, std::u16string_view text, size_t to) {
  bool notdef = false;
  for (size_t k = g; k < gEnd; ++k) notdef |= glyphs[k].Id == 0;
  if (!notdef) return false;
  const size_t textEnd = gEnd < glyphs.size() ? glyphs[gEnd].Cluster : to;
  for (size_t i = glyphs[g].Cluster; i < textEnd;)
    if (!Invisible(CodePointAt(text, i))) return true;
  return false;
}

size_t ClusterEnd(const std::vector<TRawGlyph>& glyphs, size_t g) {
  size_t k = g;
  while (k < glyphs.size() && glyphs[k].Cluster == glyphs[g].Cluster) ++k;
  return k;
}

// Whether c is one of the characters a face's plain table covers.
bool PlainCandidate(char32_t c) { return c >= 0x20 && c < 0x7F && !((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }

// Fills the face's plain table: the glyphs of the candidates that the shaping plan for text of no
// script never reads. Every lookup starts at a glyph of its coverage, which collecting its
// glyphs gives as input, so a run of glyphs none of which any lookup covers comes out of the
// shaper as it went in, each at its advance. Tables the plan may take in place of these lookups
// (kern, kerx, morx, mort, trak), and glyphs classed as marks, whose advance it may zero, leave
// the table empty or the glyph out.
void FindPlainGlyphs(hb_face_t* face, hb_font_t* font, std::array<unsigned, 0x7F - 0x20>& plain) {
  for (hb_tag_t tag : {HB_TAG('k', 'e', 'r', 'n'), HB_TAG('k', 'e', 'r', 'x'), HB_TAG('m', 'o', 'r', 'x'),
                       HB_TAG('m', 'o', 'r', 't'), HB_TAG('t', 'r', 'a', 'k')}) {
    hb_blob_t* table = hb_face_reference_table(face, tag);
    const bool present = hb_blob_get_length(table) > 0;
    hb_blob_destroy(table);
    if (present) return;
  }
  // The segment properties a word of these characters is shaped with, guessed as ShapeOnce has
  // them guessed.
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf8(buffer, "0", 1, 0, 1);
  hb_buffer_set_cluster_level(buffer, HB_BUFFER_CLUSTER_LEVEL_MONOTONE_CHARACTERS);
  hb_buffer_guess_segment_properties(buffer);
  hb_segment_properties_t props;
  hb_buffer_get_segment_properties(buffer, &props);
  hb_buffer_destroy(buffer);
  hb_shape_plan_t* plan = hb_shape_plan_create_cached(face, &props, nullptr, 0, nullptr);
  hb_set_t* lookups = hb_set_create();
  hb_set_t* read = hb_set_create();
  for (hb_tag_t table : {HB_OT_TAG_GSUB, HB_OT_TAG_GPOS}) {
    hb_set_clear(lookups);
    hb_ot_shape_plan_collect_lookups(plan, table, lookups);
    for (hb_codepoint_t lookup = HB_SET_VALUE_INVALID; hb_set_next(lookups, &lookup);)
      hb_ot_layout_lookup_collect_glyphs(face, table, lookup, read, read, read, nullptr);
  }
  for (char32_t c = 0x20; c < 0x7F; ++c) {
    hb_codepoint_t glyph = 0;
    if (!PlainCandidate(c) || !hb_font_get_nominal_glyph(font, c, &glyph) || glyph == 0) continue;
    if (hb_set_has(read, glyph) || hb_ot_layout_get_glyph_class(face, glyph) == HB_OT_LAYOUT_GLYPH_CLASS_MARK) continue;
    plain[c - 0x20] = glyph;
  }
  hb_set_destroy(read);
  hb_set_destroy(lookups);
  hb_shape_plan_destroy(plan);
}

void ShapeWithFallback(const TFontFace& face, int pixelSize, std::u16string_view text, size_t from, size_t to,
                       hb_script_t script, std::vector<TRawGlyph>& glyphs, int depth) {
  thread_local std::vector<TRawGlyph> scratch;
  std::vector<TRawGlyph> shaped;
  // Shaping in a fallback face nests; only the outermost call may use the thread's buffer.
  if (depth == 0) shaped.swap(scratch);
  shaped.clear();
  ShapeOnce(face, pixelSize, text, from, to, script, shaped);
  bool any = false;
  for (size_t g = 0; g < shaped.size() && !any; g = ClusterEnd(shaped, g))
    any = Missing(shaped, g, ClusterEnd(shaped, g), text, to);
  if (!any || depth >= 3) {
    glyphs.insert(glyphs.end(), shaped.begin(), shaped.end());
  } else {
    for (size_t g = 0; g < shaped.size();) {
      size_t runEnd = ClusterEnd(shaped, g);
      if (!Missing(shaped, g, runEnd, text, to)) {
        glyphs.insert(glyphs.end(), shaped.begin() + static_cast<std::ptrdiff_t>(g),
                      shaped.begin() + static_cast<std::ptrdiff_t>(runEnd));
        g = runEnd;
        continue;
      }
      // Neighbouring clusters the face lacks go to the fallback face together, so they shape
      // as one word there.
      while (runEnd < shaped.size() && Missing(shaped, runEnd, ClusterEnd(shaped, runEnd), text, to))
        runEnd = ClusterEnd(shaped, runEnd);
      const size_t textFrom = shaped[g].Cluster;
      const size_t textTo = runEnd < shaped.size() ? shaped[runEnd].Cluster : to;
      const TFontFace* fallback = nullptr;
      for (size_t i = textFrom; i < textTo && !fallback;) {
        char32_t c = CodePointAt(text, i);
        if (!Invisible(c) && !face.HasCharacter(c)) fallback = face.FallbackFor(c);
      }
      if (fallback && fallback != &face && textFrom < textTo) {
        ShapeWithFallback(*fallback, pixelSize, text, textFrom, textTo, script, glyphs, depth + 1);
      } else {
        glyphs.insert(glyphs.end(), shaped.begin() + static_cast<std::ptrdiff_t>(g),
                      shaped.begin() + static_cast<std::ptrdiff_t>(runEnd));
      }
      g = runEnd;
    }
  }
  if (depth == 0) scratch.swap(shaped);
}

}  // namespace

hb_font_t* TFontShaper::Font(const TFontFace& face, int pixelSize) {
  if (pixelSize <= 0) return face.impl_->font;
  TFontFace::Impl& impl = *face.impl_;
  std::lock_guard<std::mutex> guard(impl.sizedLock);
  std::unique_ptr<TSizedFont>& sized = impl.sized[pixelSize];
  if (!sized) {
    sized = std::make_unique<TSizedFont>();
    sized->Face = &face;
    sized->XScale = XScaleOf(face, pixelSize);
    sized->Font = hb_font_create_sub_font(impl.font);
    hb_font_set_scale(sized->Font, pixelSize * 64, pixelSize * 64);
    hb_font_set_ppem(sized->Font, static_cast<unsigned>(pixelSize), static_cast<unsigned>(pixelSize));
    hb_font_set_funcs(sized->Font, SizedFuncs(), sized.get(), nullptr);
    hb_font_make_immutable(sized->Font);
  }
  return sized->Font;
}

long TFontShaper::XScale(const TFontFace& face, int pixelSize) { return XScaleOf(face, pixelSize); }

bool TFontShaper::ShapePlain(const TFontFace& face, int pixelSize, std::u16string_view text, size_t from, size_t to,
                hb_script_t script, std::vector<TRawGlyph>& glyphs) {
  if (script != HB_SCRIPT_INVALID) return false;
  for (size_t i = from; i < to; ++i)
    if (!PlainCandidate(text[i])) return false;
  TFontFace::Impl& impl = *face.impl_;
  std::call_once(impl.plainOnce, [&] { FindPlainGlyphs(impl.face, impl.font, impl.plain); });
  for (size_t i = from; i < to; ++i)
    if (impl.plain[text[i] - 0x20] == 0) return false;
  const long xScale = pixelSize > 0 ? XScaleOf(face, pixelSize) : 0;
  for (size_t i = from; i < to; ++i) {
    const unsigned glyph = impl.plain[text[i] - 0x20];
    const int advance = pixelSize > 0 ? orv::LinearAdvance(face, xScale, glyph)
                                      : static_cast<int>(DesignAdvance(face, glyph));
    glyphs.push_back({&face, glyph, static_cast<unsigned>(i), advance, 0, 0});
  }
  return true;
}

int TFontShaper::LinearAdvance(const TFontFace& face, long xScale, unsigned glyph) {
  return orv::LinearAdvance(face, xScale, glyph);
}

void TFontShaper::Shape(const TFontFace& face, int pixelSize, std::u16string_view text, size_t from, size_t to,
                        hb_script_t script, std::vector<TRawGlyph>& glyphs) {
  if (from >= to) return;
  // Numbers, dates and codes, the most of a list's distinct words, need no shaper in most faces.
  if (ShapePlain(face, pixelSize, text, from, to, script, glyphs)) return;
  ShapeWithFallback(face, pixelSize, text, from, to, script, glyphs, 0);
}

std::vector<TShapedGlyph> TFontFace::Shape(const WideString& text) const {
  std::vector<TShapedGlyph> glyphs;
  Shape(text, glyphs);
  return glyphs;
}

void TFontFace::Shape(const WideString& text, std::vector<TShapedGlyph>& glyphs) const {
  glyphs.clear();
  if (text.empty()) return;
  // Kept from text to text: the PDF writer shapes a list's thousands of new numbers and names.
  thread_local std::vector<TRawGlyph> raw;
  raw.clear();
  // The layout shapes a text's words before the PDF writes them; numbers it placed without
  // shaping are placed so again.
  if (!TFontShaper::ShapePlain(*this, 0, text, 0, text.size(), HB_SCRIPT_INVALID, raw) &&
      !TFontShaper::KnownUnpositioned(*this, text, raw))
    TFontShaper::Shape(*this, 0, text, 0, text.size(), HB_SCRIPT_INVALID, raw);
  glyphs.reserve(raw.size());
  for (const TRawGlyph& g : raw) {
    const double toThousandths = 1000.0 / TFontShaper::UnitsPerEm(*g.Face);
    glyphs.push_back({g.Id, g.Advance * toThousandths, g.X * toThousandths, g.Y * toThousandths, g.Cluster, g.Face});
  }
}

}  // namespace orv
