#include "report/model/LineCounts.h"

#include <algorithm>

namespace orv {

namespace {

constexpr std::size_t kFirstSlots = 4096;
// 8 MB: the counts of a 50,000-row list fit at half load.
constexpr std::size_t kMostSlots = std::size_t{1} << 20;

}  // namespace

void TkvxLineCounts::Add(std::uint64_t digest, int count) {
  if (count < 0 || count > kMostLines) return;
  // At most half the slots are used, so that a text not yet laid out is told so after a probe
  // or two.
  if ((used_ + 1) * 2 > slots_.size()) {
    std::vector<std::uint64_t> old;
    old.swap(slots_);
    // A full table at its largest starts again: texts seen once would otherwise make the
    // memory grow with the rows.
    const std::size_t size = old.empty() ? kFirstSlots : std::min(old.size() * 2, kMostSlots);
    slots_.assign(size, 0);
    mask_ = size - 1;
    used_ = 0;
    if (size > old.size())
      for (std::uint64_t slot : old)
        if (slot != 0) {
          std::size_t i = Home(slot);
          while (slots_[i] != 0) i = (i + 1) & mask_;
          slots_[i] = slot;
          ++used_;
        }
  }
  const std::uint64_t key = KeyOf(digest);
  std::size_t i = Home(key);
  while (slots_[i] != 0) {
    if ((slots_[i] & ~std::uint64_t{0xFF}) == key) return;
    i = (i + 1) & mask_;
  }
  slots_[i] = key | static_cast<std::uint64_t>(count + 1);
  ++used_;
}

}  // namespace orv
