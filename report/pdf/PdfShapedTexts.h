#pragma once
// TkvxPDFShapedTexts: the texts shaped in one face, found by their text. A list looks up every
// word of every page here; the slots are a flat array of hashes, so a lookup reads one slot and
// the entry it names, where a node-based map walks from a bucket to nodes scattered over memory.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fonts/FontFace.h"
#include "platform/rtl/Types.h"

namespace orv {

// A text shaped in a face, and how a page last showed it: a list shows the same words in the
// same font on every page, and their glyph runs are then written as they were the first time.
struct TkvxPDFShapedText {
  std::vector<TShapedGlyph> Glyphs;
  // Whether each glyph is the last of its grapheme cluster: letter spacing follows such a glyph
  // only, never a vowel or tone mark's glyph inside its letter's cluster, as on the screen.
  std::vector<bool> EndsCluster;
  // The document's font, size in points and spacing (pixels) the run was written for; Font is
  // -1 until it is.
  int Font = -1;
  int Size = 0;
  double Spacing = 0;
  // The operators that show the glyphs, from the opening bracket of the first TJ on.
  std::string Shown;
  // The document's fonts the run starts and ends in.
  int FirstFont = 0;
  int LastFont = 0;
  // Whether the fonts' own maps give the text back, each mark in its font's own place and no
  // letters spaced apart.
  bool Extractable = false;
  // Where the operators of a run that carries its text end that text (before its last blanks;
  // npos: at their end), and how much of the text it carries.
  size_t SpanEnd = std::string::npos;
  size_t SpanText = 0;
  // Thousandths of an em.
  double Pen = 0;
  // Where the operators leave the text position, thousandths of an em: the glyphs' widths as
  // the document's fonts give them, less the moves between them.
  double Advance = 0;
  // The box of the glyphs' outlines as the operators place them, thousandths of an em from
  // the run's start on its baseline, y upwards; InkLeft above InkRight when none draws.
  double InkLeft = 0, InkBottom = 0, InkRight = 0, InkTop = 0;

  // Glyphs and EndsCluster of text as face shapes it, not yet shown on any page: an entry
  // whose text went is shaped anew for another text in the storage it has.
  void ShapeIn(const TFontFace& face, const WideString& text);
  // TkvxPDFPage::GlyphsWidth of the glyphs, kept for the last size and spacing asked: a list
  // measures the same words in the same font row after row.
  double Width(int size, double charSpacing);

 private:
  int widthSize_ = 0;
  double widthSpacing_ = 0;
  double width_ = 0;
};

class TkvxPDFShapedTexts {
 public:
  struct TEntry {
    WideString Key;
    TkvxPDFShapedText Shaped;
  };

  TkvxPDFShapedTexts() = default;
  ~TkvxPDFShapedTexts();
  TkvxPDFShapedTexts(TkvxPDFShapedTexts&& other) noexcept;
  TkvxPDFShapedTexts& operator=(TkvxPDFShapedTexts&& other) noexcept;
  TkvxPDFShapedTexts(const TkvxPDFShapedTexts&) = delete;
  TkvxPDFShapedTexts& operator=(const TkvxPDFShapedTexts&) = delete;

  // The hash every call below takes with its text: worked out once for a lookup in two tables.
  static size_t Hash(std::u16string_view text);

  // The text's entry; null when it has none.
  TkvxPDFShapedText* Find(std::u16string_view text, size_t hash) const;
  // The text's entry taken out, null when it has none; the entry itself does not move.
  std::unique_ptr<TEntry> Take(std::u16string_view text, size_t hash);
  // Keeps an entry whose text is not here yet; its place in memory stays as long as it is kept.
  TkvxPDFShapedText& Add(std::unique_ptr<TEntry> entry, size_t hash);
  // Takes every entry out, into spare while it holds fewer than keep, keeping the room of the
  // slots: the texts of a turn go, and the next turn's take their places.
  void Clear(std::vector<std::unique_ptr<TEntry>>& spare, size_t keep);
  size_t Size() const { return count_; }

 private:
  struct TSlot {
    size_t Hash = 0;
    TEntry* Entry = nullptr;
  };
  // The slot holding text, or the empty slot where the probe for it ends.
  size_t Probe(std::u16string_view text, size_t hash) const;
  void Grow();
  void Release();

  std::vector<TSlot> slots_;
  size_t count_ = 0;
};

}  // namespace orv
