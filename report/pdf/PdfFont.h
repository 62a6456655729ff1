#pragma once
// TkvxPDFFont: one font of the document, written as a Type0 font over a TrueType CID font with
// glyph-id encoding, so shaped Thai (marks placed, SARA AM split) prints as the font draws it.
#include <memory>
#include <vector>

#include "platform/fonts/FontFace.h"
#include "report/pdf/PdfElement.h"

namespace orv {

class TFont;
class TkvxPDFFile;

class TkvxPDFFont : public TkvxPDFElement {
 public:
  // Font dictionary, CID font, descriptor, ToUnicode map and font program.
  static constexpr int ObjectCount = 5;

  // Resolves the face now, so a font whose data cannot be read is written with the substitute's
  // data and never leaves a reference to an object that is not there.
  TkvxPDFFont(TkvxPDFFile& parent, const TFont& font);
  // The face a report font's text falls back to for letters its own face lacks (Chinese,
  // Vietnamese ...), written as a font of its own under the face's PostScript name.
  TkvxPDFFont(TkvxPDFFile& parent, const TFont& font, const TFontFace& fallback);
  ~TkvxPDFFont() override;

  // The face that a report font's name, style and charset resolve to.
  static std::shared_ptr<TFontFace> FaceFor(const TFont& font);
  // The base-font name: the font's name, then ",Bold", ",Italic" or ",BoldItalic", escaped as a
  // PDF name byte by byte after UTF-8.
  static String GetFontName(const TFont& font);

  // Marks a glyph as used and, the first time, what text it stands for. Returns the text that
  // extraction gives for the glyph (empty when none is known).
  const WideString& UseGlyph(unsigned glyphId, const WideString& text);
  // The text extraction gives for a glyph already used; null for a glyph not used yet.
  const WideString* UsedText(unsigned glyphId) const {
    return glyphId < used_.size() && used_[glyphId] ? &text_[glyphId] : nullptr;
  }
  const TFontFace& Face() const { return *face_; }
  const TFont& Font() const { return *font_; }
  bool IsFallback() const { return fallback_; }
  // The width written for a glyph, thousandths of an em.
  int GlyphWidth(unsigned glyphId) const { return glyphId < widths_.size() ? widths_[glyphId] : 0; }
  // The face's box of a glyph's outline, kept from its first use: a list composes the runs of
  // thousands of new numbers and names.
  const TFontBox& GlyphBox(unsigned glyphId);

  // Writes the font's objects; ObjNumber is the first of them.
  void SaveToStream(TStream& stream) override;
  int ObjNumber = 0;

 private:
  String SubsetTag() const;
  void MeasureGlyphs();

  TkvxPDFFile& parent_;
  std::unique_ptr<TFont> font_;
  std::shared_ptr<const TFontFace> face_;
  bool fallback_ = false;
  // The base-font name before the subset tag.
  String baseName_;
  std::vector<bool> used_;
  std::vector<WideString> text_;
  // Every glyph's width as written, read for every glyph shown.
  std::vector<int> widths_;
  std::vector<TFontBox> boxes_;
  std::vector<bool> boxed_;
};

}  // namespace orv
