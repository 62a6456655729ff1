#include "platform/sheet/SheetStrings.h"

#include <algorithm>
#include <functional>

namespace orv {

namespace {

std::uint32_t HashOf(std::string_view text) { return static_cast<std::uint32_t>(std::hash<std::string_view>{}(text)); }

constexpr std::uint32_t kStuck = 0xFFFFFFFF;

}  // namespace

std::uint32_t SheetStrings::Intern(std::string_view text) {
  const size_t live = texts_.size() - free_.size();
  if ((live + 1) * 4 > slots_.size() * 3) Grow();
  const std::uint32_t hash = HashOf(text);
  size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.Id == kFree) {
      if (free_.empty()) {
        slot.Id = static_cast<std::uint32_t>(texts_.size());
        texts_.emplace_back(text);
        uses_.push_back(1);
      } else {
        slot.Id = free_.back();
        free_.pop_back();
        texts_[slot.Id] = String(text);
        uses_[slot.Id] = 1;
      }
      slot.Hash = hash;
      return slot.Id;
    }
    if (slot.Hash == hash && texts_[slot.Id] == text) {
      if (uses_[slot.Id] != kStuck) ++uses_[slot.Id];
      return slot.Id;
    }
  }
}

void SheetStrings::Release(std::uint32_t id) {
  if (IsTransient(id) || id >= texts_.size() || uses_[id] == kStuck || uses_[id] == 0) return;
  if (--uses_[id] > 0) return;
  const size_t mask = slots_.size() - 1;
  size_t i = HashOf(texts_[id]) & mask;
  while (slots_[i].Id != id) i = (i + 1) & mask;
  // Later slots of the same run move up into the gap when their home lies at or before it, so
  // that every text stays reachable from its home slot without passing a free one.
  for (size_t j = (i + 1) & mask; slots_[j].Id != kFree; j = (j + 1) & mask) {
    const size_t home = slots_[j].Hash & mask;
    const bool between = i <= j ? (i < home && home <= j) : (i < home || home <= j);
    if (!between) {
      slots_[i] = slots_[j];
      i = j;
    }
  }
  slots_[i] = Slot{};
  String().swap(texts_[id]);
  free_.push_back(id);
}

bool SheetStrings::KeepShared(std::uint32_t id) {
  // Enough for the repeated values of every column of a register (religions, churches, districts,
  // given names); past them a text goes along in full, so a long export does not keep more
  // texts in memory than a short one.
  constexpr std::uint32_t kMostKept = 1 << 12;
  if (IsTransient(id) || id >= texts_.size()) return false;
  if (uses_[id] == kStuck) return true;
  if (uses_[id] < 2 || kept_ >= kMostKept) return false;
  uses_[id] = kStuck;
  ++kept_;
  return true;
}

std::uint32_t SheetStrings::Transient(std::string_view text) {
  transient_.emplace_back(text);
  return kTransientBit | static_cast<std::uint32_t>(transient_.size() - 1);
}

void SheetStrings::Grow() {
  std::vector<Slot> grown(std::max<size_t>(slots_.size() * 2, 1024));
  size_t mask = grown.size() - 1;
  for (const Slot& s : slots_) {
    if (s.Id == kFree) continue;
    size_t i = s.Hash & mask;
    while (grown[i].Id != kFree) i = (i + 1) & mask;
    grown[i] = s;
  }
  slots_.swap(grown);
}

}  // namespace orv
