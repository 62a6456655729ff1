#include "platform/fonts/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "platform/fonts/FontFaceImpl.h"
#include "platform/rtl/CodePages.h"

namespace orv {

namespace {

// One FreeType library for the whole program: faces are read once and kept.
FT_Library FreeType() {
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) throw EFontError("Error on get font info");
    return lib;
  }();
  return library;
}

bool ReadFile(const String& fileName, std::vector<Byte>& data) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.good() || in.eof();
}

bool HasTable(FT_Face face, FT_ULong tag) {
  FT_ULong length = 0;
  return FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) == 0 && length > 0;
}

}  // namespace

TFontFace::TFontFace() : impl_(std::make_unique<Impl>()) {}
TFontFace::~TFontFace() = default;

namespace {

int PixelUnits(long fontUnits, int pixelSize, unsigned unitsPerEm) {
  // The scale FreeType takes for a size asked in pixels, applied in 26.6 fixed point.
  const FT_Fixed scale = FT_DivFix(static_cast<FT_Long>(pixelSize) * 64, static_cast<FT_Long>(unitsPerEm));
  return static_cast<int>((FT_MulFix(fontUnits, scale) + 32) >> 6);
}

}  // namespace

int TVerticalMetrics::PixelAscent(int pixelSize) const { return PixelUnits(Ascender, pixelSize, UnitsPerEm); }

int TVerticalMetrics::PixelDescent(int pixelSize) const { return PixelUnits(-Descender, pixelSize, UnitsPerEm); }

std::optional<TVerticalMetrics> TFontFace::ReadVerticalMetrics(const String& fileName, int faceIndex) {
  FT_Face ft = nullptr;
  if (FT_New_Face(FreeType(), fileName.c_str(), faceIndex, &ft) != 0) return std::nullopt;
  struct Closer {
    FT_Face f;
    ~Closer() { FT_Done_Face(f); }
  } closer{ft};
  if (!FT_IS_SFNT(ft) || !FT_IS_SCALABLE(ft) || !HasTable(ft, TTAG_glyf) || !HasTable(ft, TTAG_loca) ||
      !FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA) || ft->units_per_EM == 0)
    return std::nullopt;
  return TVerticalMetrics{ft->ascender, ft->descender, ft->units_per_EM};
}

std::shared_ptr<TFontFace> TFontFace::Load(const String& fileName, int faceIndex,
                                           const String& substituteName) {
  std::shared_ptr<TFontFace> face(new TFontFace());
  if (face->Open(fileName, faceIndex)) return face;
  return Find(substituteName, false, false, DEFAULT_CHARSET);
}

bool TFontFace::Open(const String& fileName, int faceIndex) {
  if (!ReadFile(fileName, data_) || data_.empty()) return false;
  FT_Face ft = nullptr;
  if (FT_New_Memory_Face(FreeType(), data_.data(), static_cast<FT_Long>(data_.size()), faceIndex,
                         &ft) != 0)
    return false;
  struct Closer {
    FT_Face f;
    ~Closer() { FT_Done_Face(f); }
  } closer{ft};
  // Only TrueType outlines can be embedded as a TrueType program.
  if (!FT_IS_SFNT(ft) || !FT_IS_SCALABLE(ft) || !HasTable(ft, TTAG_glyf) || !HasTable(ft, TTAG_loca))
    return false;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
  auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(ft, FT_SFNT_POST));
  if (!hhea || ft->units_per_EM == 0) return false;

  fileName_ = fileName;
  faceIndex_ = faceIndex;
  familyName_ = ft->family_name ? ft->family_name : "";
  const char* ps = FT_Get_Postscript_Name(ft);
  postScriptName_ = ps ? ps : familyName_;
  bold_ = (ft->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  italic_ = (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
  unitsPerEm_ = ft->units_per_EM;
  glyphCount_ = static_cast<unsigned>(ft->num_glyphs);

  auto scale = [this](double units) { return static_cast<int>(std::lround(units * 1000.0 / unitsPerEm_)); };
  metrics_.FontBox = {scale(ft->bbox.xMin), scale(ft->bbox.yMin), scale(ft->bbox.xMax),
                      scale(ft->bbox.yMax)};
  metrics_.Ascent = scale(hhea->Ascender);
  metrics_.Descent = scale(hhea->Descender);
  double winAscent = os2 ? os2->usWinAscent : hhea->Ascender;
  double winDescent = os2 ? os2->usWinDescent : -hhea->Descender;
  metrics_.TextHeight = scale(winAscent + winDescent);
  metrics_.InternalLeading = scale(winAscent + winDescent - unitsPerEm_);
  metrics_.MaxCharWidth = scale(hhea->advance_Width_Max);
  metrics_.Weight = os2 ? os2->usWeightClass : (bold_ ? 700 : 400);
  // The post table keeps the angle as 16.16 fixed-point degrees.
  metrics_.ItalicAngle = post ? post->italicAngle / 65536.0 : 0.0;
  metrics_.FixedPitch = FT_IS_FIXED_WIDTH(ft);

  advances_.resize(glyphCount_);
  double sum = 0;
  unsigned inked = 0;
  for (unsigned g = 0; g < glyphCount_; ++g) {
    FT_Fixed advance = 0;
    FT_Get_Advance(ft, g, FT_LOAD_NO_SCALE, &advance);
    advances_[g] = static_cast<unsigned short>(advance);
    if (advance > 0) {
      sum += advance;
      ++inked;
    }
  }
  metrics_.AvgCharWidth = os2 && os2->xAvgCharWidth > 0 ? scale(os2->xAvgCharWidth)
                                                        : scale(inked ? sum / inked : 0);

  characters_.assign(glyphCount_, 0);
  FT_UInt glyph = 0;
  for (FT_ULong ch = FT_Get_First_Char(ft, &glyph); glyph != 0; ch = FT_Get_Next_Char(ft, ch, &glyph))
    if (glyph < glyphCount_ && characters_[glyph] == 0) characters_[glyph] = static_cast<char32_t>(ch);

  impl_->blob = hb_blob_create(reinterpret_cast<const char*>(data_.data()),
                               static_cast<unsigned>(data_.size()), HB_MEMORY_MODE_READONLY,
                               nullptr, nullptr);
  impl_->face = hb_face_create(impl_->blob, static_cast<unsigned>(faceIndex));
  impl_->font = hb_font_create(impl_->face);
  hb_font_set_scale(impl_->font, static_cast<int>(unitsPerEm_), static_cast<int>(unitsPerEm_));
  return true;
}

char32_t TFontFace::GlyphCharacter(unsigned glyphId) const {
  return glyphId < characters_.size() ? characters_[glyphId] : 0;
}

double TFontFace::GlyphAdvance(unsigned glyphId) const {
  if (glyphId >= advances_.size()) return 0;
  return advances_[glyphId] * 1000.0 / unitsPerEm_;
}

TFontBox TFontFace::GlyphBox(unsigned glyphId) const {
  hb_glyph_extents_t extents{};
  if (glyphId >= glyphCount_ || !hb_font_get_glyph_extents(impl_->font, glyphId, &extents) || extents.width == 0 ||
      extents.height == 0)
    return {};
  // Outward to whole thousandths, so the box holds the outline.
  const double k = 1000.0 / unitsPerEm_;
  const long right = extents.x_bearing + extents.width, bottom = extents.y_bearing + extents.height;
  return {static_cast<int>(std::floor(std::min<long>(extents.x_bearing, right) * k)),
          static_cast<int>(std::floor(std::min<long>(extents.y_bearing, bottom) * k)),
          static_cast<int>(std::ceil(std::max<long>(extents.x_bearing, right) * k)),
          static_cast<int>(std::ceil(std::max<long>(extents.y_bearing, bottom) * k))};
}

}  // namespace orv
