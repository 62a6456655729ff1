#include "script/ItemTable.h"

#include <algorithm>
#include <string_view>

namespace orv {

size_t TsxItemTable::Home(const String& key) const {
  return std::hash<std::string_view>{}(key) & (slots_.size() - 1);
}

void TsxItemTable::IndexEntry(size_t at) const {
  const Entry& entry = entries_[at];
  const size_t mask = slots_.size() - 1;
  for (size_t slot = Home(entry.Key);; slot = (slot + 1) & mask) {
    const std::uint32_t held = slots_[slot];
    if (held == 0) {
      slots_[slot] = static_cast<std::uint32_t>(at + 1);
      return;
    }
    const Entry& other = entries_[held - 1];
    if (other.Key == entry.Key) {
      if (entry.Added > other.Added) slots_[slot] = static_cast<std::uint32_t>(at + 1);
      return;
    }
  }
}

void TsxItemTable::Reindex() const {
  size_t size = 16;
  while (size < 2 * entries_.size() + 2) size *= 2;
  slots_.assign(size, 0);
  for (size_t i = 0; i < entries_.size(); ++i) IndexEntry(i);
}

void TsxItemTable::Sort() const {
  if (sorted_) return;
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    return a.Key != b.Key ? a.Key < b.Key : a.Added > b.Added;
  });
  sorted_ = true;
  Reindex();
}

const TsxItemTable::Entry& TsxItemTable::operator[](size_t index) const {
  Sort();
  return entries_[index];
}

void TsxItemTable::Add(String key, TsxCustomVariable* item, bool owned) {
  if (sorted_ && !entries_.empty() && !(entries_.back().Key < key)) sorted_ = false;
  entries_.push_back(Entry{std::move(key), item, owned, ++added_});
  if (2 * entries_.size() + 2 > slots_.size()) Reindex();
  else IndexEntry(entries_.size() - 1);
}

TsxCustomVariable* TsxItemTable::Find(const String& key) const {
  if (slots_.empty()) return nullptr;
  const size_t mask = slots_.size() - 1;
  for (size_t slot = Home(key);; slot = (slot + 1) & mask) {
    const std::uint32_t held = slots_[slot];
    if (held == 0) return nullptr;
    if (entries_[held - 1].Key == key) return entries_[held - 1].Item;
  }
}

bool TsxItemTable::Remove(const TsxCustomVariable* item, bool& owned) {
  const auto at = std::find_if(entries_.begin(), entries_.end(), [item](const Entry& e) { return e.Item == item; });
  if (at == entries_.end()) return false;
  owned = at->Owned;
  entries_.erase(at);
  Reindex();
  return true;
}

std::vector<TsxItemTable::Entry> TsxItemTable::Take(const std::function<bool(const TsxCustomVariable&)>& drop) {
  std::vector<Entry> kept, taken;
  for (Entry& e : entries_) (drop(*e.Item) ? taken : kept).push_back(std::move(e));
  entries_ = std::move(kept);
  Reindex();
  return taken;
}

void TsxItemTable::clear() {
  entries_.clear();
  slots_.clear();
  sorted_ = true;
}

}  // namespace orv
