#pragma once
// How many lines texts made, found by a 64-bit digest of each text and of everything that laid
// it out. A list prepared in two passes lays out every row of the first pass again in the
// second, and dates and short names repeat within a pass: counting such a text again is one
// look-up. A slot is one word, the digest's upper 56 bits and the count in the low byte, so the
// counts of a 50,000-row list take a few megabytes.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

class TkvxLineCounts {
 public:
  // Texts of more lines are not kept.
  static constexpr int kMostLines = 254;

  // The count kept under digest, or -1.
  int Find(std::uint64_t digest) const {
    if (slots_.empty()) return -1;
    const std::uint64_t key = KeyOf(digest);
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
      const std::uint64_t slot = slots_[i];
      if (slot == 0) return -1;
      if ((slot & ~std::uint64_t{0xFF}) == key) return static_cast<int>(slot & 0xFF) - 1;
    }
  }

  void Add(std::uint64_t digest, int count);

 private:
  // Never 0, which marks an empty slot.
  static std::uint64_t KeyOf(std::uint64_t digest) {
    const std::uint64_t key = digest & ~std::uint64_t{0xFF};
    return key != 0 ? key : 0x100;
  }

  // Where a key's search begins: from the bits above the count, which a kept slot has too.
  std::size_t Home(std::uint64_t key) const { return static_cast<std::size_t>(key >> 8) & mask_; }

  std::vector<std::uint64_t> slots_;
  std::size_t mask_ = 0;
  std::size_t used_ = 0;
};

}  // namespace orv
