#include <hb-subset.h>

#include "platform/fonts/FontFaceImpl.h"

namespace orv {

std::vector<Byte> TFontFace::Subset(const std::set<unsigned>& glyphIds) const {
  hb_subset_input_t* input = hb_subset_input_create_or_fail();
  if (!input) throw EFontError("Error on get font info");
  hb_set_t* glyphs = hb_subset_input_glyph_set(input);
  // Glyph 0 (.notdef) must stay in every TrueType program.
  hb_set_add(glyphs, 0);
  for (unsigned g : glyphIds)
    if (g < glyphCount_) hb_set_add(glyphs, g);
  // The text is written in glyph ids, so the ids may not move; the layout tables served the
  // shaping that is already done.
  hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS);
  hb_set_t* drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
  for (const char* tag : {"GSUB", "GPOS", "GDEF", "kern", "DSIG"})
    hb_set_add(drop, hb_tag_from_string(tag, 4));
  hb_face_t* subset = hb_subset_or_fail(impl_->face, input);
  hb_subset_input_destroy(input);
  if (!subset) throw EFontError("Error on get font info");
  hb_blob_t* blob = hb_face_reference_blob(subset);
  unsigned length = 0;
  const char* bytes = hb_blob_get_data(blob, &length);
  std::vector<Byte> result(bytes, bytes + length);
  hb_blob_destroy(blob);
  hb_face_destroy(subset);
  return result;
}

}  // namespace orv
