#include "platform/sheet/SheetStrings.h"

#include <algorithm>
#include <functional>

namespace orv {

std::uint32_t SheetStrings::Intern(std::string_view text) {
  if ((texts_.size() + 1) * 4 > slots_.size() * 3) Grow();
  auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(text));
  size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.Id == kFree) {
      slot.Id = static_cast<std::uint32_t>(texts_.size());
      slot.Hash = hash;
      texts_.emplace_back(text);
      return slot.Id;
    }
    if (slot.Hash == hash && texts_[slot.Id] == text) return slot.Id;
  }
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
