#pragma once
// A font file as the PDF writer needs it: the face that a report font name resolves to, its
// metrics in thousandths of an em, Thai-aware shaping into glyph ids, and subsets of its program.
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

namespace orv {

ORV_DECLARE_EXCEPTION(EFontError, Exception);

// The box of all glyphs, thousandths of an em, y upwards.
struct TFontBox {
  int Left = 0;
  int Bottom = 0;
  int Right = 0;
  int Top = 0;
};

// The metrics GDI gave for a font scaled to an em of 1000 pixels.
struct TFontFaceMetrics {
  TFontBox FontBox;
  int Ascent = 0;
  // Below the baseline, so negative.
  int Descent = 0;
  // Ascent plus descent of the Windows text metrics (the cell height).
  int TextHeight = 0;
  int InternalLeading = 0;
  int AvgCharWidth = 0;
  int MaxCharWidth = 0;
  // Degrees, counter-clockwise from vertical: a right-leaning italic is negative.
  double ItalicAngle = 0;
  int Weight = 400;
  bool FixedPitch = false;
};

class TFontFace;

// A face's ascender and descender as FreeType reads them, font units (the descender negative).
struct TVerticalMetrics {
  long Ascender = 0;
  long Descender = 0;
  unsigned UnitsPerEm = 1000;
  // Ascent and descent (positive) in whole pixels at a pixel size, unhinted: scaled as FreeType
  // scales them, then rounded.
  int PixelAscent(int pixelSize) const;
  int PixelDescent(int pixelSize) const;
};

// One glyph of shaped text. Advances and offsets are in thousandths of an em; Cluster is the
// index of the first UTF-16 unit of the characters the glyph stands for. Face is the face the
// glyph comes from: the one shaped with, or the face found for letters it lacks.
struct TShapedGlyph {
  unsigned GlyphId = 0;
  double Advance = 0;
  double OffsetX = 0;
  double OffsetY = 0;
  unsigned Cluster = 0;
  const TFontFace* Face = nullptr;
};

class TFontFace {
 public:
  ~TFontFace();
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

  // The face fontconfig gives for a Windows font name with the style and the language of the
  // charset ("Tahoma" with the Thai charset finds a Thai face). Faces are shared: asking twice
  // gives the same object. A face whose file cannot be read as a TrueType outline font is
  // replaced by the substitute face of "Arial"; when even that fails, EFontError
  // "Error on get font info".
  static std::shared_ptr<TFontFace> Find(const String& name, bool bold, bool italic, Byte charset);
  // The face in fileName (face index within a collection), or, when that file cannot be read as a
  // TrueType outline font, the substitute face of substituteName.
  static std::shared_ptr<TFontFace> Load(const String& fileName, int faceIndex,
                                         const String& substituteName);
  // The vertical metrics of the face fontconfig gives for the family name alone, with no charset
  // language: the face the window system's text metrics read. Nothing when that is not a
  // TrueType outline font. Found once for each name and style.
  static std::optional<TVerticalMetrics> FamilyMetrics(const String& name, bool bold, bool italic);

  const String& FileName() const { return fileName_; }
  int FaceIndex() const { return faceIndex_; }
  const String& FamilyName() const { return familyName_; }
  // The PostScript name from the font's own name table.
  const String& PostScriptName() const { return postScriptName_; }
  bool Bold() const { return bold_; }
  bool Italic() const { return italic_; }
  const TFontFaceMetrics& Metrics() const { return metrics_; }
  unsigned GlyphCount() const { return glyphCount_; }
  // Horizontal advance of a glyph from the font's hmtx table, thousandths of an em.
  double GlyphAdvance(unsigned glyphId) const;
  // The box of a glyph's outline from its origin, thousandths of an em, y upwards; all 0 for a
  // glyph that draws nothing.
  TFontBox GlyphBox(unsigned glyphId) const;

  // The character the font's cmap maps to a glyph (the lowest when several do); 0 for none.
  char32_t GlyphCharacter(unsigned glyphId) const;
  // Whether the font's cmap has a glyph for the character.
  bool HasCharacter(char32_t ch) const;

  // The face a text shaped in this one falls back to for a character it lacks: an installed
  // TrueType face that has it, as close to this one as fontconfig finds; null when none has it.
  // Faces are found once and kept.
  const TFontFace* FallbackFor(char32_t ch) const;

  // Glyphs of text in visual order, shaped by HarfBuzz (Thai vowels and tone marks placed on
  // their bases, SARA AM split as the font needs). Clusters whose letters this face lacks are
  // shaped in the face FallbackFor gives.
  std::vector<TShapedGlyph> Shape(const WideString& text) const;
  // The same into glyphs, in the room they have.
  void Shape(const WideString& text, std::vector<TShapedGlyph>& glyphs) const;

  // The whole font program as stored in the file.
  const std::vector<Byte>& FontData() const { return data_; }
  // A TrueType program holding only the glyphs given (and the glyphs composites are made of),
  // every glyph keeping its id, so that text written in glyph ids shows unchanged.
  std::vector<Byte> Subset(const std::set<unsigned>& glyphIds) const;

 private:
  struct Impl;
  friend struct TFontShaper;
  TFontFace();
  // Reads and checks the file; false when it is missing, damaged or not a TrueType outline font.
  bool Open(const String& fileName, int faceIndex);
  // The metrics of the face in a file, read without the rest of it; nothing when Open would fail
  // for its kind.
  static std::optional<TVerticalMetrics> ReadVerticalMetrics(const String& fileName, int faceIndex);

  std::unique_ptr<Impl> impl_;
  String fileName_;
  int faceIndex_ = 0;
  String familyName_;
  String postScriptName_;
  bool bold_ = false;
  bool italic_ = false;
  TFontFaceMetrics metrics_;
  unsigned glyphCount_ = 0;
  unsigned unitsPerEm_ = 1000;
  std::vector<Byte> data_;
  std::vector<unsigned short> advances_;
  std::vector<char32_t> characters_;
};

}  // namespace orv
