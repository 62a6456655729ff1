#include "report/model/LineCounts.h"

#include <algorithm>

namespace orv {

namespace {

constexpr std::size_t kFirstSlots = 4096;
// 8 MB: the counts of a 50,000-row list fit at half load.
constexpr std::size_t kMostSlots = std::size_t{1} << 19;

}  // namespace

void TkvxLineCounts::Add(const TkvxLayoutDigest& digest, int count, bool whole) {
  if (count < 0 || count > kMostLines) return;
  // At most half the slots are used, so that a text not yet laid out is told so after a probe
  // or two.
  if ((used_ + 1) * 2 > slots_.size()) {
    std::vector<Slot> old;
    old.swap(slots_);
    // A full table at its largest starts again: texts seen once would otherwise make the
    // memory grow with the rows.
    const std::size_t size = old.empty() ? kFirstSlots : std::min(old.size() * 2, kMostSlots);
    slots_.assign(size, Slot{});
    mask_ = size - 1;
    used_ = 0;
    if (size > old.size())
      for (const Slot& slot : old)
        if (slot.Key != 0) {
          std::size_t i = Home(slot.Key);
          while (slots_[i].Key != 0) i = (i + 1) & mask_;
          slots_[i] = slot;
          ++used_;
        }
  }
  const std::uint64_t key = KeyOf(digest);
  std::size_t i = Home(key);
  while (slots_[i].Key != 0) {
    if ((slots_[i].Key & ~kLow) == key && slots_[i].Second == digest.Second) return;
    i = (i + 1) & mask_;
  }
  slots_[i] = Slot{key | (whole ? kWhole : 0) | static_cast<std::uint64_t>(count + 1), digest.Second};
  ++used_;
}

std::span<const TkvxLineBreak> TkvxLineBreaks::Find(const TkvxLayoutDigest& digest) const {
  if (slots_.empty()) return {};
  for (std::size_t i = Home(digest);; i = (i + 1) & mask_) {
    const Slot& slot = slots_[i];
    if (slot.Count == 0) return {};
    if (slot.Digest.First == digest.First && slot.Digest.Second == digest.Second)
      return std::span<const TkvxLineBreak>(breaks_).subspan(slot.First, slot.Count);
  }
}

void TkvxLineBreaks::Add(const TkvxLayoutDigest& digest, std::span<const TkvxLineBreak> breaks) {
  if (breaks.empty() || breaks.size() > kMostBreaks) return;
  // Enough for the wrapped cells of a list of 10,000 rows, whose pages are laid out again for the
  // PDF once all are prepared; a memo's few texts keep a table of a few slots, which doubles as
  // texts come.
  constexpr std::size_t kSlots = std::size_t{1} << 16, kFirstSlots = 1024;
  // A text's lines come whole or not at all; the table is let go as a whole, so the slots never
  // fill beyond half.
  if (breaks_.size() + breaks.size() > kMostBreaks || (used_ + 1) * 2 > kSlots) {
    breaks_.clear();
    slots_.clear();
    used_ = 0;
  }
  if (slots_.empty()) {
    slots_.assign(kFirstSlots, Slot{});
    mask_ = kFirstSlots - 1;
  } else if ((used_ + 1) * 2 > slots_.size()) {
    std::vector<Slot> old(slots_.size() * 2, Slot{});
    old.swap(slots_);
    mask_ = slots_.size() - 1;
    for (const Slot& slot : old)
      if (slot.Count != 0) {
        std::size_t k = Home(slot.Digest);
        while (slots_[k].Count != 0) k = (k + 1) & mask_;
        slots_[k] = slot;
      }
  }
  std::size_t i = Home(digest);
  while (slots_[i].Count != 0) {
    if (slots_[i].Digest.First == digest.First && slots_[i].Digest.Second == digest.Second) return;
    i = (i + 1) & mask_;
  }
  slots_[i] = Slot{digest, static_cast<std::uint32_t>(breaks_.size()), static_cast<std::uint32_t>(breaks.size())};
  ++used_;
  breaks_.insert(breaks_.end(), breaks.begin(), breaks.end());
}

}  // namespace orv
