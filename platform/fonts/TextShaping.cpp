#include "platform/fonts/TextShaping.h"

#include <hb.h>
#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/fonts/FontShaper.h"
#include "platform/rtl/WordTable.h"

namespace orv {

namespace {

// The script of a character; the letters of the register's own texts without a table look-up.
inline hb_script_t ScriptOf(char32_t c) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? HB_SCRIPT_LATIN : HB_SCRIPT_COMMON;
  if (c >= 0x0E01 && c <= 0x0E5B && c != 0x0E3F) return HB_SCRIPT_THAI;
  return hb_unicode_script(hb_unicode_funcs_get_default(), c);
}

bool Strong(hb_script_t s) { return s != HB_SCRIPT_COMMON && s != HB_SCRIPT_INHERITED && s != HB_SCRIPT_UNKNOWN; }

// Extends beyond Latin and Thai.
bool ExtendsOther(char32_t c) {
  switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), c)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK: return true;
    default: return c == 0x200C || c == 0x200D || c == 0x0E33 || c == 0x0EB3;
  }
}

// A character that joins the cluster before it, so no word may start with it.
inline bool Extends(char32_t c) {
  if (c < 0x300) return false;
  if (c >= 0x0E01 && c <= 0x0E5B)
    return c == 0x0E31 || c == 0x0E33 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E);
  return ExtendsOther(c);
}

}  // namespace

void GraphemeStarts(std::u16string_view text, std::vector<int>& starts) {
  starts.clear();
  // Printable ASCII and Thai, the register's own words, need no rules: a cluster begins at every
  // character but a Thai vowel or mark written over, under or after its letter.
  bool plain = true;
  for (char16_t c : text) plain &= (c >= 0x20 && c < 0x7F) || (c >= 0x0E01 && c <= 0x0E5B);
  if (plain) {
    for (size_t i = 0; i < text.size(); ++i)
      if (i == 0 || !Extends(text[i])) starts.push_back(static_cast<int>(i));
    return;
  }
  UErrorCode status = U_ZERO_ERROR;
  thread_local std::unique_ptr<icu::BreakIterator> iterator(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (!iterator) {
    for (size_t i = 0; i < text.size(); ++i) starts.push_back(static_cast<int>(i));
    return;
  }
  icu::UnicodeString alias(false, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()));
  iterator->setText(alias);
  for (int32_t p = iterator->first(); p != icu::BreakIterator::DONE && p < static_cast<int32_t>(text.size());
       p = iterator->next())
    starts.push_back(p);
}

namespace {

// One word as shaped: clusters from its start, and its whole advance. A word that no glyph
// was positioned in keeps its glyphs' clusters, from which its shape at any size follows.
struct TWordShape {
  TTextShape Shape;
  long long Advance = 0;
  bool Unpositioned = false;
  std::vector<unsigned> GlyphClusters;
};

// A word's shape as the texts it stands in read it, kept or shaped on its own.
struct TWordView {
  const int* Starts;
  const int* Advances;
  const int* GlyphStarts;
  const TPlacedGlyph* Glyphs;
  const unsigned* GlyphClusters;
  unsigned Clusters, GlyphCount, GlyphClusterCount;
  long long Advance;
  bool Unpositioned;
};

TWordView ViewOf(const TWordShape& word) {
  const TTextShape& s = word.Shape;
  return {s.Starts.data(),
          s.Advances.data(),
          s.GlyphStarts.data(),
          s.Glyphs.data(),
          word.GlyphClusters.data(),
          static_cast<unsigned>(s.Starts.size()),
          static_cast<unsigned>(s.Glyphs.size()),
          static_cast<unsigned>(word.GlyphClusters.size()),
          word.Advance,
          word.Unpositioned};
}

// Grapheme clusters of word from the shaper's glyphs.
void PlaceGlyphs(std::u16string_view word, const std::vector<TRawGlyph>& glyphs, TWordShape& out) {
  TTextShape& shape = out.Shape;
  GraphemeStarts(word, shape.Starts);
  const size_t n = shape.Starts.size();
  shape.Advances.assign(n, 0);
  shape.GlyphStarts.assign(n + 1, 0);
  shape.Glyphs.clear();
  shape.Glyphs.reserve(glyphs.size());
  // A glyph cluster that spans several graphemes (a ligature) gives each its share by
  // characters, as a caret inside a ligature is placed.
  // Every word shaped passes here: the positions' room serves word after word.
  thread_local std::vector<long long> graphemeX;
  graphemeX.assign(n + 1, 0);
  auto graphemeOf = [&](size_t unit, size_t from) {
    while (from + 1 < n && static_cast<size_t>(shape.Starts[from + 1]) <= unit) ++from;
    return from;
  };
  long long pen = 0;
  size_t g = 0, cluster = 0;
  while (g < glyphs.size()) {
    size_t gEnd = g;
    long long advance = 0;
    while (gEnd < glyphs.size() && glyphs[gEnd].Cluster == glyphs[g].Cluster) advance += glyphs[gEnd++].Advance;
    const size_t from = glyphs[g].Cluster;
    const size_t to = gEnd < glyphs.size() ? glyphs[gEnd].Cluster : word.size();
    cluster = graphemeOf(from, cluster);
    size_t last = graphemeOf(to > from ? to - 1 : from, cluster);
    for (size_t k = cluster + 1; k <= last; ++k)
      graphemeX[k] = pen + advance * (shape.Starts[k] - static_cast<long long>(from)) / static_cast<long long>(to - from);
    for (size_t k = g; k < gEnd; ++k) {
      shape.Glyphs.push_back({glyphs[k].Face, glyphs[k].Id, static_cast<int>(pen - graphemeX[cluster] + glyphs[k].X),
                              glyphs[k].Y});
      pen += glyphs[k].Advance;
      ++shape.GlyphStarts[cluster + 1];
    }
    graphemeX[last + 1] = pen;
    g = gEnd;
  }
  for (size_t k = 1; k <= n; ++k) {
    if (graphemeX[k] < graphemeX[k - 1]) graphemeX[k] = graphemeX[k - 1];
    shape.GlyphStarts[k] += shape.GlyphStarts[k - 1];
  }
  graphemeX[n] = pen;
  for (size_t k = 0; k < n; ++k) shape.Advances[k] = static_cast<int>(graphemeX[k + 1] - graphemeX[k]);
  out.Advance = pen;
}

// What PlaceGlyphs makes of glyphs that stand one for each character of a word, each character a
// cluster of its own, at advances of no less than nothing: the characters' own glyphs and
// advances.
void PlaceOneToOne(const std::vector<TRawGlyph>& glyphs, TWordShape& out) {
  TTextShape& shape = out.Shape;
  const size_t n = glyphs.size();
  shape.Starts.resize(n);
  shape.Advances.resize(n);
  shape.GlyphStarts.resize(n + 1);
  shape.Glyphs.resize(n);
  long long pen = 0;
  for (size_t k = 0; k < n; ++k) {
    shape.Starts[k] = static_cast<int>(k);
    shape.Advances[k] = glyphs[k].Advance;
    shape.GlyphStarts[k] = static_cast<int>(k);
    shape.Glyphs[k] = {glyphs[k].Face, glyphs[k].Id, glyphs[k].X, glyphs[k].Y};
    pen += glyphs[k].Advance;
  }
  shape.GlyphStarts[n] = static_cast<int>(n);
  out.Advance = pen;
  out.Unpositioned = false;
  out.GlyphClusters.clear();
}

// Whether the shaper positioned no glyph of a word shaped at pixelSize: no offsets, and every
// advance the glyph's own at that size (or none for a glyph of no width). The positioning
// tables are in the face's units; at a size where one unit is at least 1/64 pixel any value
// they apply shows, so a word that shows none has none, at every size.
bool Unpositioned(int pixelSize, const std::vector<TRawGlyph>& glyphs) {
  const TFontFace* face = nullptr;
  long xScale = 0;
  for (const TRawGlyph& g : glyphs) {
    if (g.X != 0 || g.Y != 0) return false;
    if (g.Face != face) {
      face = g.Face;
      if (pixelSize * 64L < static_cast<long>(TFontShaper::UnitsPerEm(*face))) return false;
      xScale = TFontShaper::XScale(*face, pixelSize);
    }
    if (g.Advance != TFontShaper::LinearAdvance(*face, xScale, g.Id) &&
        !(g.Advance == 0 && TFontShaper::DesignAdvance(*face, g.Id) == 0))
      return false;
  }
  return true;
}

void ShapeWord(const TFontFace& face, int pixelSize, std::u16string_view word, hb_script_t script, TWordShape& out) {
  thread_local std::vector<TRawGlyph> glyphs;
  glyphs.clear();
  TFontShaper::Shape(face, pixelSize, word, 0, word.size(), script, glyphs);
  PlaceGlyphs(word, glyphs, out);
  out.Unpositioned = pixelSize > 0 && Unpositioned(pixelSize, glyphs);
  out.GlyphClusters.clear();
  if (out.Unpositioned)
    for (const TRawGlyph& g : glyphs) out.GlyphClusters.push_back(g.Cluster);
}

// The glyphs at pixelSize of a word known unpositioned at another size: the same glyphs and
// clusters with their own advances at this size, as the shaper gives them.
void ResizedGlyphs(int pixelSize, const TWordView& known, std::vector<TRawGlyph>& glyphs) {
  glyphs.clear();
  const TPlacedGlyph* placed = known.Glyphs;
  const TFontFace* face = nullptr;
  long xScale = 0;
  for (size_t k = 0; k < known.GlyphCount; ++k) {
    if (placed[k].Face != face) {
      face = placed[k].Face;
      xScale = TFontShaper::XScale(*face, pixelSize);
    }
    const unsigned id = placed[k].GlyphId;
    glyphs.push_back({face, id, known.GlyphClusters[k], TFontShaper::LinearAdvance(*face, xScale, id), 0, 0});
  }
}

// A word's text and shape as kept: one block holds the glyphs, the clusters' starts, advances and
// first glyphs, the glyphs' clusters and the text, so that a word found is read from one place
// and kept or forgotten with one allocation.
class TPackedWord {
 public:
  TPackedWord() = default;
  TPackedWord(std::u16string_view text, const TWordShape& word)
      : units_(static_cast<unsigned>(text.size())),
        clusters_(static_cast<unsigned>(word.Shape.Starts.size())),
        glyphs_(static_cast<unsigned>(word.Shape.Glyphs.size())),
        glyphClusters_(static_cast<unsigned>(word.GlyphClusters.size())),
        advance_(word.Advance),
        unpositioned_(word.Unpositioned) {
    block_ = std::make_unique_for_overwrite<std::byte[]>(Bytes());
    std::copy(word.Shape.Glyphs.begin(), word.Shape.Glyphs.end(), Glyphs());
    std::copy(word.Shape.Starts.begin(), word.Shape.Starts.end(), Starts());
    std::copy(word.Shape.Advances.begin(), word.Shape.Advances.end(), Advances());
    std::copy(word.Shape.GlyphStarts.begin(), word.Shape.GlyphStarts.end(), GlyphStarts());
    std::copy(word.GlyphClusters.begin(), word.GlyphClusters.end(), GlyphClusters());
    std::copy(text.begin(), text.end(), Text());
  }

  TWordView View() const {
    return {Starts(), Advances(), GlyphStarts(), Glyphs(), GlyphClusters(), clusters_, glyphs_, glyphClusters_,
            advance_, unpositioned_};
  }
  std::u16string_view TextView() const { return {Text(), units_}; }

 private:
  // Glyphs first, for their pointers' alignment; the text last, for its units'.
  size_t IntsAt() const { return glyphs_ * sizeof(TPlacedGlyph); }
  size_t TextAt() const { return IntsAt() + (3 * clusters_ + 1 + glyphClusters_) * sizeof(int); }
  size_t Bytes() const { return TextAt() + units_ * sizeof(char16_t); }
  TPlacedGlyph* Glyphs() const { return reinterpret_cast<TPlacedGlyph*>(block_.get()); }
  int* Starts() const { return reinterpret_cast<int*>(block_.get() + IntsAt()); }
  int* Advances() const { return Starts() + clusters_; }
  int* GlyphStarts() const { return Advances() + clusters_; }
  unsigned* GlyphClusters() const { return reinterpret_cast<unsigned*>(GlyphStarts() + clusters_ + 1); }
  char16_t* Text() const { return reinterpret_cast<char16_t*>(block_.get() + TextAt()); }

  std::unique_ptr<std::byte[]> block_;
  unsigned units_ = 0, clusters_ = 0, glyphs_ = 0, glyphClusters_ = 0;
  long long advance_ = 0;
  bool unpositioned_ = false;
};

// What a kept word is found by; its text is the one its shape's block holds.
struct TWordKey {
  const TFontFace* Face;
  int PixelSize;
  hb_script_t Script;
  std::u16string_view Text;
};

// What a word is looked up by, without copying its text.
struct TWordProbe {
  const TFontFace* Face;
  int PixelSize;
  hb_script_t Script;
  std::u16string_view Text;
};

// The same at every size: each size has a table of its own, and a word is looked for in the
// others' by the same hash.
size_t WordHash(const TWordProbe& k) {
  size_t h = std::hash<std::u16string_view>()(k.Text);
  h ^= std::hash<const void*>()(k.Face) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  h ^= static_cast<size_t>(k.Script) * 0x100000001B3ull;
  return h;
}

// Thai writes no blanks between its words: a sentence is one word here, and the lines of a
// paragraph without blanks are words of a line's length, each measured for the layout, for the
// screen and for every page drawn. Longer stretches are pieces of a paragraph that are cut
// elsewhere the next time: they are shaped on their own, once per layout.
constexpr size_t kLongestCachedWord = 2048;
// Enough for the names, streets and districts of a long list, and for the sentences of long
// Thai text. A shaped UTF-16 unit takes about 100 bytes with its place in the table, and every
// thread that lays out or draws text keeps a table of its own (an export lays out and draws
// beside the engine): a budget of a few pages' words a thread, not of a whole long memo's, keeps
// a long memo of different words in the memory its text and pages take, and the words a list
// repeats still serve every page. The budget of units, not of words, is what a long text of
// short words meets.
constexpr size_t kCachedWords = 1 << 18;
constexpr size_t kCachedUnits = 1 << 15;

// The thread's shaped words, a table for each pixel size under one budget of words and of
// their UTF-16 units. A text is laid out at one size and its pages drawn at another, and the
// layout's words serve every page again. So when the budget is spent, the size holding the most
// words keeps them: it makes room by emptying the other sizes, and any other size by emptying
// its own table. A size that holds nearly all the words, and a size whose own table is full,
// forget the older half of their words, so that a long text's pages find the words they
// shaped last. Where nothing frees a fair share, all start again.
class TWordShapes {
 public:
  using TTable = TWordTable<TWordKey, TPackedWord, kCachedWords>;

  const TPackedWord* Find(const TWordProbe& probe, size_t hash) {
    TSized* table = TableFor(probe.PixelSize, false);
    if (!table) return nullptr;
    return table->Words.Find(hash, [&](const TWordKey& k) {
      return k.Face == probe.Face && k.Script == probe.Script && k.Text == probe.Text;
    });
  }

  // The word shaped unpositioned at another size.
  const TPackedWord* FindUnpositioned(const TWordProbe& probe, size_t hash) const {
    for (const auto& table : tables_) {
      if (table->PixelSize == probe.PixelSize) continue;
      const TPackedWord* known = table->Words.Find(hash, [&](const TWordKey& k) {
        return k.Face == probe.Face && k.Script == probe.Script && k.Text == probe.Text;
      });
      if (known && known->View().Unpositioned) return known;
    }
    return nullptr;
  }

  // Keeps word, shaped as probe asks: its text is the probe's.
  const TPackedWord& Add(const TWordProbe& probe, size_t hash, TPackedWord word) {
    if (words_ >= kCachedWords || units_ + probe.Text.size() > kCachedUnits) MakeRoom(probe.PixelSize);
    ++words_;
    units_ += probe.Text.size();
    TSized& table = *TableFor(probe.PixelSize, true);
    if (table.Words.Size() >= kCachedWords) ForgetOlderHalf(table);
    table.Units += probe.Text.size();
    // The key's text is the block's, which stays where it is as the word moves into the table.
    const std::u16string_view text = word.TextView();
    TPackedWord& kept = table.Words.Add(TWordKey{probe.Face, probe.PixelSize, probe.Script, text}, hash);
    kept = std::move(word);
    return kept;
  }

 private:
  struct TSized {
    int PixelSize = 0;
    TTable Words;
    size_t Units = 0;
  };

  TSized* TableFor(int pixelSize, bool make) {
    if (last_ < tables_.size() && tables_[last_]->PixelSize == pixelSize) return tables_[last_].get();
    for (size_t i = 0; i < tables_.size(); ++i)
      if (tables_[i]->PixelSize == pixelSize) return tables_[last_ = i].get();
    if (!make) return nullptr;
    tables_.push_back(std::make_unique<TSized>());
    tables_.back()->PixelSize = pixelSize;
    last_ = tables_.size() - 1;
    return tables_.back().get();
  }

  void Forget(TSized& table) {
    words_ -= table.Words.Size();
    units_ -= table.Units;
    table.Words.Clear();
    table.Units = 0;
  }

  // The words a size shaped first go; those it shaped lately, which the next page or pass over
  // a text will ask for, stay.
  void ForgetOlderHalf(TSized& table) {
    const size_t count = table.Words.Size() / 2;
    table.Words.DropOldest(count, [&](const TWordKey& k) {
      table.Units -= k.Text.size();
      units_ -= k.Text.size();
    });
    words_ -= count;
  }

  void MakeRoom(int pixelSize) {
    constexpr size_t kFairWords = kCachedWords / 64, kFairUnits = kCachedUnits / 64;
    TSized* own = TableFor(pixelSize, false);
    const size_t ownWords = own ? own->Words.Size() : 0;
    size_t most = 0;
    for (const auto& table : tables_) most = std::max(most, table->Words.Size());
    if (own && ownWords == most && (words_ - ownWords >= kFairWords || units_ - own->Units >= kFairUnits)) {
      std::erase_if(tables_, [&](const auto& t) { return t.get() != own; });
      last_ = 0;
      words_ = ownWords;
      units_ = own->Units;
    } else if (own && ownWords < most && (ownWords >= kFairWords || own->Units >= kFairUnits)) {
      Forget(*own);
    } else if (own && ownWords == most && ownWords >= kFairWords) {
      // The size holds (nearly) all the words: a long text laid out at one size.
      ForgetOlderHalf(*own);
    } else {
      tables_.clear();
      words_ = 0;
      units_ = 0;
    }
  }

  std::vector<std::unique_ptr<TSized>> tables_;
  size_t last_ = 0;
  size_t words_ = 0, units_ = 0;
};

// The thread's shaped words.
TWordShapes& WordShapes() {
  thread_local TWordShapes cache;
  return cache;
}

// The shape of a word, from the thread's cache where it is short enough.
TWordView Word(const TFontFace& face, int pixelSize, std::u16string_view word, hb_script_t script) {
  TWordShapes& cache = WordShapes();
  thread_local TWordShape single;
  // A list's numbers, dates and telephone numbers are nearly all different: where the face
  // places their glyphs as they stand, that costs less than looking for them, and they leave the
  // cache to the words that repeat.
  thread_local std::vector<TRawGlyph> plain;
  plain.clear();
  if (TFontShaper::ShapePlain(face, pixelSize, word, 0, word.size(), script, plain)) {
    PlaceOneToOne(plain, single);
    return ViewOf(single);
  }
  if (word.size() > kLongestCachedWord) {
    ShapeWord(face, pixelSize, word, script, single);
    return ViewOf(single);
  }
  const TWordProbe probe{&face, pixelSize, script, word};
  const size_t hash = WordHash(probe);
  if (const TPackedWord* known = cache.Find(probe, hash)) return known->View();
  // The layout shapes a text's words at its resolution before the screen asks for them at its
  // own: most words need no shaping again. The word is shaped whole before it is kept, as
  // keeping it may empty the other sizes' tables.
  if (const TPackedWord* other = cache.FindUnpositioned(probe, hash)) {
    const TWordView known = other->View();
    thread_local std::vector<TRawGlyph> resized;
    ResizedGlyphs(pixelSize, known, resized);
    PlaceGlyphs(word, resized, single);
    single.Unpositioned = true;
    single.GlyphClusters.assign(known.GlyphClusters, known.GlyphClusters + known.GlyphClusterCount);
  } else {
    ShapeWord(face, pixelSize, word, script, single);
  }
  return cache.Add(probe, hash, TPackedWord(word, single)).View();
}

// Calls visit(offset, word shape) for the words of text in order. A word ends after its blanks
// or where the script changes; characters of no script of their own go with their neighbours.
template <typename Visit>
void ForEachWord(const TFontFace& face, int pixelSize, std::u16string_view text, Visit visit) {
  size_t start = 0;
  hb_script_t script = HB_SCRIPT_INVALID;
  bool afterBlank = false;
  size_t i = 0;
  while (i < text.size()) {
    const size_t at = i;
    const char32_t c = CodePointAt(text, i);
    const hb_script_t s = ScriptOf(c);
    bool split = false;
    if (at > start && !Extends(c)) {
      if (afterBlank && c != u' ') split = true;
      else if (Strong(s) && script != HB_SCRIPT_INVALID && s != script) split = true;
    }
    if (split) {
      visit(start, Word(face, pixelSize, text.substr(start, at - start), script));
      start = at;
      afterBlank = false;
      if (Strong(s)) script = s;
      else script = HB_SCRIPT_INVALID;
    }
    if (Strong(s) && script == HB_SCRIPT_INVALID) script = s;
    afterBlank = c == u' ';
  }
  if (start < text.size()) visit(start, Word(face, pixelSize, text.substr(start), script));
}

}  // namespace

bool TFontShaper::KnownUnpositioned(const TFontFace& face, std::u16string_view text, std::vector<TRawGlyph>& glyphs) {
  if (text.empty() || text.size() > kLongestCachedWord) return false;
  // One word as the layout cuts words: letters then blanks, in one script.
  hb_script_t script = HB_SCRIPT_INVALID;
  bool blanks = false;
  for (size_t i = 0; i < text.size();) {
    const char32_t c = CodePointAt(text, i);
    if (blanks && c != u' ') return false;
    blanks = c == u' ';
    const hb_script_t s = ScriptOf(c);
    if (!Strong(s)) continue;
    if (script != HB_SCRIPT_INVALID && s != script) return false;
    script = s;
  }
  // No table is of size 0: every size's is searched.
  const TWordProbe probe{&face, 0, script, text};
  const TPackedWord* kept = WordShapes().FindUnpositioned(probe, WordHash(probe));
  if (!kept) return false;
  const TWordView known = kept->View();
  if (known.GlyphClusterCount != known.GlyphCount) return false;
  glyphs.clear();
  const TPlacedGlyph* placed = known.Glyphs;
  for (size_t k = 0; k < known.GlyphCount; ++k)
    glyphs.push_back({placed[k].Face, placed[k].GlyphId, known.GlyphClusters[k],
                      static_cast<int>(DesignAdvance(*placed[k].Face, placed[k].GlyphId)), 0, 0});
  return true;
}

void ShapeText(const TFontFace& face, int pixelSize, std::u16string_view text, TTextShape& shape) {
  shape.Starts.clear();
  shape.Advances.clear();
  shape.Glyphs.clear();
  shape.GlyphStarts.assign(1, 0);
  ForEachWord(face, pixelSize, text, [&](size_t offset, const TWordView& w) {
    const int glyphBase = static_cast<int>(shape.Glyphs.size());
    for (size_t k = 0; k < w.Clusters; ++k) shape.Starts.push_back(static_cast<int>(offset) + w.Starts[k]);
    shape.Advances.insert(shape.Advances.end(), w.Advances, w.Advances + w.Clusters);
    for (size_t k = 1; k <= w.Clusters; ++k) shape.GlyphStarts.push_back(glyphBase + w.GlyphStarts[k]);
    shape.Glyphs.insert(shape.Glyphs.end(), w.Glyphs, w.Glyphs + w.GlyphCount);
  });
}

void ClusterAdvances(const TFontFace& face, int pixelSize, std::u16string_view text, std::vector<int>& starts,
                     std::vector<int>& advances) {
  // A text has no more clusters than UTF-16 units: the lists are sized once and written in place.
  starts.resize(text.size());
  advances.resize(text.size());
  size_t count = 0;
  ForEachWord(face, pixelSize, text, [&](size_t offset, const TWordView& word) {
    for (size_t k = 0; k < word.Clusters; ++k) starts[count + k] = static_cast<int>(offset) + word.Starts[k];
    std::copy(word.Advances, word.Advances + word.Clusters, advances.begin() + count);
    count += word.Clusters;
  });
  starts.resize(count);
  advances.resize(count);
}

TTextMeasure MeasureText(const TFontFace& face, int pixelSize, std::u16string_view text) {
  TTextMeasure m;
  ForEachWord(face, pixelSize, text, [&](size_t, const TWordView& word) {
    m.Clusters += static_cast<int>(word.Clusters);
    m.Advance += word.Advance;
  });
  return m;
}

}  // namespace orv
