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
    if (words_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i].Word; i = (i + 1) & mask)
      if (slots_[i].Hash == hash && same(slots_[i].Word->Name)) return &slots_[i].Word->Val;
    return nullptr;
  }

  // One-off words would otherwise make the memory grow with the rows: a full table forgets the
  // older half of its words. Forgetting all at once would have a long text shape every word
  // again on each pass over it, the words it still needs along with the rest.
  Value& Add(Key key, std::size_t hash) {
    if (words_.size() >= Capacity) DropOldest(Capacity / 2, [](const Key&) {});
    // Well above the words held, so that probes stay short; a table of few words stays small.
    if ((words_.size() + 1) * 3 > slots_.size() * 2) Grow();
    Entry& e = words_.emplace_back();
    e.Name = std::move(key);
    e.Hash = hash;
    Place({hash, &e});
    return e.Val;
  }

  std::size_t Size() const { return words_.size(); }

  void Clear() {
    words_.clear();
    slots_.assign(kFirstSlots, Slot{});
  }

  // Forgets the count words added first, handing each one's key to forgotten before it goes;
  // the others stay where they are.
  template <class Forgotten>
  void DropOldest(std::size_t count, Forgotten forgotten) {
    count = std::min(count, words_.size());
    for (std::size_t i = 0; i < count; ++i) {
      forgotten(words_.front().Name);
      words_.pop_front();
    }
    slots_.assign(slots_.size(), Slot{});
    for (Entry& e : words_) Place({e.Hash, &e});
  }

 private:
  struct Entry {
    Key Name;
    Value Val;
    std::size_t Hash = 0;
  };
  struct Slot {
    std::size_t Hash = 0;
    Entry* Word = nullptr;
  };
  static constexpr std::size_t kFirstSlots = 1024;

  void Place(Slot slot) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slot.Hash & mask;
    while (slots_[i].Word) i = (i + 1) & mask;
    slots_[i] = slot;
  }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old)
      if (s.Word) Place(s);
  }

  std::vector<Slot> slots_ = std::vector<Slot>(kFirstSlots);
  // A deque keeps its entries where they are as it grows.
  std::deque<Entry> words_;
};

}  // namespace orv
