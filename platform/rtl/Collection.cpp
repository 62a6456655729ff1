#include "platform/rtl/Collection.h"

#include <algorithm>

namespace orv {

ORV_IMPLEMENT_CLASS(TCollectionItem, c) {}
ORV_IMPLEMENT_CLASS(TCollection, c) {}

namespace {

[[noreturn]] void IndexError(Integer index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

// TCollectionItem

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == collection_) return;
  if (collection_) collection_->RemoveItem(this);
  if (collection) collection->InsertItem(this);
}

Integer TCollectionItem::Index() const {
  if (!collection_) return -1;
  const auto& items = collection_->items_;
  return static_cast<Integer>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(Integer index) {
  Integer current = Index();
  if (current < 0 || current == index) return;
  auto& items = collection_->items_;
  if (index < 0 || index >= static_cast<Integer>(items.size())) IndexError(index);
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  collection_->Touch();
  Changed(true);
}

String TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const String&) { Changed(false); }

String TCollectionItem::GetNamePath() const {
  if (!collection_) return ClassName();
  return collection_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TCollectionItem::Changed(bool allItems) {
  if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

// TCollection

TCollection::TCollection(TClass itemClass, TPersistent* owner)
    : itemClass_(itemClass), owner_(owner) {}

TCollection::~TCollection() {
  // No Update calls into a half-destroyed descendant.
  updateCount_ = 1;
  Clear();
}

TCollectionItem* TCollection::Add() { return itemClass_->CreateItem(this); }

TCollectionItem* TCollection::Insert(Integer index) {
  if (index < 0 || index > Count()) IndexError(index);
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(Integer index) { delete Items(index); }

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  EndUpdate();
}

TCollectionItem* TCollection::Items(Integer index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)];
}

void TCollection::SetItems(Integer index, TCollectionItem* value) { Items(index)->Assign(value); }

TCollectionItem* TCollection::FindItemID(Integer id) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == id) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) Changed();
}

void TCollection::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TCollection*>(source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : other->items_) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TCollection::GetNamePath() const {
  if (!owner_) return ClassName();
  String ownerPath = owner_->GetNamePath();
  if (ownerPath.empty()) return ClassName();
  // The name of the owner's published property that holds this collection.
  for (const TPropInfo* p : GetPropList(owner_))
    if (p->Kind() == tkClass && p->GetObject(owner_) == this) return ownerPath + "." + p->Name();
  return ClassName();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed() {
  if (updateCount_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
  items_.push_back(item);
  item->collection_ = this;
  item->id_ = nextId_++;
  Touch();
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  // Searched from the end: Clear frees the items last first.
  if (auto it = std::find(items_.rbegin(), items_.rend(), item); it != items_.rend()) items_.erase(std::next(it).base());
  item->collection_ = nullptr;
  Touch();
  Changed();
}

}  // namespace orv
