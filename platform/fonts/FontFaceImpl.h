#pragma once
// The HarfBuzz objects behind a face, shared by its shaping and subsetting files.
#include <hb.h>

#include "platform/fonts/FontFace.h"

namespace orv {

struct TFontFace::Impl {
  hb_blob_t* blob = nullptr;
  hb_face_t* face = nullptr;
  hb_font_t* font = nullptr;
  ~Impl() {
    hb_font_destroy(font);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
  }
};

}  // namespace orv
