#pragma once
// The HarfBuzz objects behind a face, shared by its shaping and subsetting files.
#include <hb.h>

#include <array>
#include <map>
#include <memory>
#include <mutex>

#include "platform/fonts/FontFace.h"

namespace orv {

// A face's font at one pixel size: HarfBuzz scaled to 1/64 pixel, glyph advances as FreeType gives
// an unhinted glyph's linear advance, so that layout measures what the canvas draws.
struct TSizedFont {
  const TFontFace* Face = nullptr;
  long XScale = 0;
  hb_font_t* Font = nullptr;
  ~TSizedFont() { hb_font_destroy(Font); }
};

struct TFontFace::Impl {
  hb_blob_t* blob = nullptr;
  hb_face_t* face = nullptr;
  // Scaled to the font's units per em.
  hb_font_t* font = nullptr;
  std::mutex sizedLock;
  std::map<int, std::unique_ptr<TSizedFont>> sized;
  // For each character from U+0020 to U+007E but the letters, its glyph where the shaper leaves
  // it alone in text of no script (no lookup it applies there reads it, and no table of another
  // kind adjusts it), or 0: text of such characters alone shapes as their glyphs side by side,
  // each at its own advance. Found once, when first asked for.
  std::once_flag plainOnce;
  std::array<unsigned, 0x7F - 0x20> plain{};
  ~Impl() {
    sized.clear();
    hb_font_destroy(font);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
  }
};

}  // namespace orv
