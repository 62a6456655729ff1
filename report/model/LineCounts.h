#pragma once
// How many lines texts made, found by a digest of each text and of everything that laid it
// out. A list prepared in two passes lays out every row of the first pass again in the
// second, and dates and short names repeat within a pass: counting such a text again is one
// look-up. The digest is two independent 64-bit hashes, so that two texts taken for one
// (a memo given another's height) is not a chance a parish's lists ever meet; a slot keeps
// 119 of its bits, the count, and whether each line was its paragraph whole.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orv {

struct TkvxLayoutDigest {
  std::uint64_t First = 0, Second = 0;
};

class TkvxLineCounts {
 public:
  // Texts of more lines are not kept.
  static constexpr int kMostLines = 254;

  // The count kept under digest, or -1; whole, when given, tells whether every line was its
  // paragraph whole (one line to a paragraph, nothing left out of it).
  int Find(const TkvxLayoutDigest& digest, bool* whole = nullptr) const {
    if (slots_.empty()) return -1;
    const std::uint64_t key = KeyOf(digest);
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (slot.Key == 0) return -1;
      if ((slot.Key & ~kLow) == key && slot.Second == digest.Second) {
        if (whole) *whole = (slot.Key & kWhole) != 0;
        return static_cast<int>(slot.Key & 0xFF) - 1;
      }
    }
  }

  void Add(const TkvxLayoutDigest& digest, int count, bool whole = false);

 private:
  // Key holds the first hash's upper 55 bits, the whole-paragraphs bit and the count plus one in
  // the low byte.
  struct Slot {
    std::uint64_t Key = 0, Second = 0;
  };
  static constexpr std::uint64_t kWhole = 0x100, kLow = 0x1FF;

  // Never 0, which marks an empty slot.
  static std::uint64_t KeyOf(const TkvxLayoutDigest& digest) {
    const std::uint64_t key = digest.First & ~kLow;
    return key != 0 ? key : 0x200;
  }

  // Where a key's search begins: from the bits above the count and the bit, which a kept slot
  // has too.
  std::size_t Home(std::uint64_t key) const { return static_cast<std::size_t>(key >> 9) & mask_; }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t used_ = 0;
};

// One line of a text laid out without tags: a stretch of the text's source (all paragraphs
// joined, each followed by CR LF), a hyphen behind it or not, and its paragraph flags. Blank
// stands for the one blank an empty paragraph becomes.
struct TkvxLineBreak {
  std::int32_t Start = 0;
  std::int32_t Length = 0;
  std::uint8_t Flags = 0;
  bool Hyphen = false;
  bool Blank = false;
};

// Where the lines of recently laid-out texts break, found by the same digest: a memo measured
// while its page was prepared, or drawn on the screen, is laid out again for the PDF, and its
// lines follow from their breaks without measuring again. Only the latest texts are kept: when
// the lines kept reach a bound, all are let go.
class TkvxLineBreaks {
 public:
  static constexpr std::size_t kMostBreaks = std::size_t{1} << 17;

  // The breaks kept under digest, or none; valid until the next Add.
  std::span<const TkvxLineBreak> Find(const TkvxLayoutDigest& digest) const;
  void Add(const TkvxLayoutDigest& digest, std::span<const TkvxLineBreak> breaks);

 private:
  // A slot of no lines is free: no text is kept without lines.
  struct Slot {
    TkvxLayoutDigest Digest;
    std::uint32_t First = 0, Count = 0;
  };
  std::size_t Home(const TkvxLayoutDigest& digest) const { return static_cast<std::size_t>(digest.First) & mask_; }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t used_ = 0;
  std::vector<TkvxLineBreak> breaks_;
};

}  // namespace orv
