#pragma once
// Where the lines of a plain paragraph break, kept by its text and by all that lays it out. A
// list's names, streets, districts and dates repeat from row to row: a paragraph measured and
// broken once is not measured or broken again while it stays among the recently laid out.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/gui/Graphics.h"

namespace orv {

// One line of a paragraph: UTF-16 offsets in its visible text, and whether wrapping added a
// hyphen after it.
struct TkvxLineRange {
  int From = 0;
  int To = 0;
  bool Hyphen = false;
};

// All besides the text that decides where a paragraph breaks. The font is told by its number
// among those the cache has seen (FontNumber).
struct TkvxLayoutKey {
  int Font = 0;
  int Size = 0;
  int FullWidth = 0;
  int FirstWidth = 0;
  int Spacing = 0;
  bool WordWrap = true;
  bool WordBreak = false;
  bool operator==(const TkvxLayoutKey&) const = default;
};

class TkvxLayoutCache {
 public:
  // Each of the two generations holds this many paragraphs at most.
  static constexpr size_t kGeneration = 8192;

  TkvxLayoutCache();
  // The number of font among those seen; a new font is added. Past kFonts fonts the cache
  // starts afresh, so that a number never names two fonts.
  int FontNumber(const TFontData& font);

  // What Find and Add look a paragraph up by: computed once for both.
  static size_t HashOf(const TkvxLayoutKey& key, std::u16string_view text);
  // The lines of text laid out under key, or nullptr; valid until the next call.
  const std::vector<TkvxLineRange>* Find(const TkvxLayoutKey& key, std::u16string_view text, size_t hash);
  void Add(const TkvxLayoutKey& key, std::u16string_view text, size_t hash, std::vector<TkvxLineRange> lines);

 private:
  struct Entry {
    TkvxLayoutKey Key;
    std::u16string Text;
    size_t Hash;
  };
  // What an entry is looked up by, without copying the text.
  struct Probe {
    const TkvxLayoutKey& Key;
    std::u16string_view Text;
    size_t Hash;
  };
  struct Hash {
    using is_transparent = void;
    size_t operator()(const Probe& p) const { return p.Hash; }
    size_t operator()(const Entry& e) const { return e.Hash; }
  };
  struct Equal {
    using is_transparent = void;
    static Probe View(const Entry& e) { return {e.Key, e.Text, e.Hash}; }
    static const Probe& View(const Probe& p) { return p; }
    template <typename A, typename B>
    bool operator()(const A& a, const B& b) const {
      const Probe& x = View(a);
      const Probe& y = View(b);
      return x.Text == y.Text && x.Key == y.Key;
    }
  };
  using Map = std::unordered_map<Entry, std::vector<TkvxLineRange>, Hash, Equal>;
  // The paragraphs laid out lately, and those of the generation before: one that is used again
  // moves to the current one, so what repeats through a long list stays.
  static constexpr size_t kFonts = 256;
  Map current_, previous_;
  std::vector<TFontData> fonts_;
  // The current generation becomes the previous one; both keep their buckets, so filling a
  // generation never rehashes.
  void Age();
};

}  // namespace orv
