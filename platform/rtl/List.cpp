#include "platform/rtl/List.h"

#include <algorithm>

namespace orv {

ORV_IMPLEMENT_CLASS(TList, c) {}

namespace {

[[noreturn]] void ListError(const char* what, Integer value) {
  throw EListError(String(what) + " out of bounds (" + std::to_string(value) + ")");
}

}  // namespace

void TList::CheckIndex(Integer index) const {
  if (index < 0 || index >= Count()) ListError("List index", index);
}

Integer TList::Add(TObject* item) {
  items_.push_back(item);
  return Count() - 1;
}

void TList::Insert(Integer index, TObject* item) {
  if (index < 0 || index > Count()) ListError("List index", index);
  items_.insert(items_.begin() + index, item);
}

void TList::Delete(Integer index) {
  CheckIndex(index);
  items_.erase(items_.begin() + index);
}

Integer TList::Remove(TObject* item) {
  Integer index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

TObject* TList::Extract(TObject* item) { return Remove(item) >= 0 ? item : nullptr; }

Integer TList::IndexOf(const TObject* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<Integer>(it - items_.begin());
}

void TList::Exchange(Integer index1, Integer index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

void TList::Move(Integer curIndex, Integer newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  TObject* item = items_[static_cast<size_t>(curIndex)];
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, item);
}

void TList::Sort(const TListSortCompare& compare) {
  std::stable_sort(items_.begin(), items_.end(),
                   [&](TObject* a, TObject* b) { return compare(a, b) < 0; });
}

void TList::Pack() { std::erase(items_, nullptr); }

void TList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
}

void TList::SetCount(Integer count) {
  if (count < 0) ListError("List count", count);
  items_.resize(static_cast<size_t>(count), nullptr);
}

void TList::SetCapacity(Integer capacity) {
  if (capacity < Count()) ListError("List capacity", capacity);
  if (capacity < Capacity()) items_.shrink_to_fit();
  items_.reserve(static_cast<size_t>(capacity));
}

TObject* TList::Items(Integer index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)];
}

void TList::SetItems(Integer index, TObject* item) {
  CheckIndex(index);
  items_[static_cast<size_t>(index)] = item;
}

void TList::Assign(const TList& source) {
  if (&source != this) items_ = source.items_;
}

}  // namespace orv
