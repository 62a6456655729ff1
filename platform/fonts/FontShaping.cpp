#include <hb.h>

#include "platform/fonts/FontFaceImpl.h"

namespace orv {

std::vector<TShapedGlyph> TFontFace::Shape(const WideString& text) const {
  std::vector<TShapedGlyph> glyphs;
  if (text.empty()) return glyphs;
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.data()),
                      static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(impl_->font, buffer, nullptr, 0);
  unsigned count = 0;
  hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
  hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
  const double toThousandths = 1000.0 / unitsPerEm_;
  glyphs.reserve(count);
  for (unsigned i = 0; i < count; ++i)
    glyphs.push_back({info[i].codepoint, pos[i].x_advance * toThousandths,
                      pos[i].x_offset * toThousandths, pos[i].y_offset * toThousandths,
                      info[i].cluster});
  hb_buffer_destroy(buffer);
  return glyphs;
}

}  // namespace orv
