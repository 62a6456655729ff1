#pragma once
// A thread's table of what was worked out for a word (its shape, its breaks), found through an
// open table of hashes: a power-of-two size finds a word's slot without a division, and the hash
// kept in the slot spares reading a word that cannot match. The words of a list repeat, so every
// word of every measured text is looked up in one.
#include <algorithm>
#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

namespace orv {

template <class Key, class Value, std::size_t Capacity>
class TWordTable {
 public:
  // Same(key) tells the stored key that matches what is looked for.
  template <class Same>
  const Value* Find(std::size_t hash, Same same) const {
    for (std::size_t i = hash & kMask; slots_[i].Word; i = (i + 1) & kMask)
      if (slots_[i].Hash == hash && same(slots_[i].Word->Name)) return &slots_[i].Word->Val;
    return nullptr;
  }

  // One-off words would otherwise make the memory grow with the rows: a full table starts again.
  Value& Add(Key key, std::size_t hash) {
    if (words_.size() >= Capacity) {
      words_.clear();
      std::fill(slots_.begin(), slots_.end(), Slot{});
    }
    Entry& e = words_.emplace_back();
    e.Name = std::move(key);
    std::size_t i = hash & kMask;
    while (slots_[i].Word) i = (i + 1) & kMask;
    slots_[i] = Slot{hash, &e};
    return e.Val;
  }

 private:
  struct Entry {
    Key Name;
    Value Val;
  };
  struct Slot {
    std::size_t Hash = 0;
    Entry* Word = nullptr;
  };
  // Well above the capacity, so that probes stay short.
  static constexpr std::size_t kSlots = 65536;
  static_assert(Capacity <= kSlots * 2 / 3);
  static constexpr std::size_t kMask = kSlots - 1;
  std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
  // A deque keeps its entries where they are as it grows.
  std::deque<Entry> words_;
};

}  // namespace orv
