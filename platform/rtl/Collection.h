#pragma once
// TCollection and TCollectionItem: an owned, ordered list of items of one class.
#include <cstdint>
#include <vector>

#include "platform/rtl/Persistent.h"

namespace orv {

class TCollection;

// An item of a TCollection; the collection owns it.
class TCollectionItem : public TPersistent {
  ORV_CLASS(TCollectionItem, TPersistent)

 public:
  // Adds the item to collection (when given), which then owns it.
  explicit TCollectionItem(TCollection* collection);
  // Leaves the collection.
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item to another collection (nullptr: the caller owns it afterwards).
  void SetCollection(TCollection* collection);
  // Unique within the collection for its life; never reused.
  Integer ID() const { return id_; }
  // Position in the collection; -1 without one.
  Integer Index() const;
  virtual void SetIndex(Integer index);
  // The class name at this level; descendants name their items.
  virtual String DisplayName() const;
  // Tells the collection the item changed; descendants store the name.
  virtual void SetDisplayName(const String& name);
  String GetNamePath() const override;

 protected:
  // Tells the collection that this item (or, with allItems, every item) changed.
  void Changed(bool allItems);
  TPersistent* GetOwner() const override;

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  Integer id_ = 0;
};

// A list of items of ItemClass, created and freed by the collection.
class TCollection : public TPersistent {
  ORV_CLASS(TCollection, TPersistent)

 public:
  // itemClass must be TCollectionItem or a class derived from it with a
  // (TCollection*) constructor; owner is what GetNamePath and Owner report.
  explicit TCollection(TClass itemClass, TPersistent* owner = nullptr);
  ~TCollection() override;

  TCollectionItem* Add();
  TCollectionItem* Insert(Integer index);
  // EListError "List index out of bounds (%d)" outside 0..Count-1.
  void Delete(Integer index);
  void Clear();
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  TCollectionItem* Items(Integer index) const;
  // Assigns value to item index.
  void SetItems(Integer index, TCollectionItem* value);
  TCollectionItem* FindItemID(Integer id) const;
  TClass ItemClass() const { return itemClass_; }
  TPersistent* Owner() const { return owner_; }

  // Changes whenever an item comes, goes or moves, and when Touch is called (an item renamed):
  // what is built over the items (an index of their names) knows to build itself again.
  std::uint64_t Stamp() const { return stamp_; }
  void Touch() { ++stamp_; }

  // Batches change notifications: Update runs once, with nullptr, at the last EndUpdate.
  virtual void BeginUpdate();
  virtual void EndUpdate();
  Integer UpdateCount() const { return updateCount_; }

  // Replaces the items with copies of source's (another collection).
  void Assign(TPersistent* source) override;
  String GetNamePath() const override;

 protected:
  // Told when item (nullptr: the whole collection) changed, unless updates are batched.
  virtual void Update(TCollectionItem* item);
  void Changed();
  TPersistent* GetOwner() const override { return owner_; }

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  TClass itemClass_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;  // owned
  Integer nextId_ = 0;
  Integer updateCount_ = 0;
  std::uint64_t stamp_ = 0;
};

}  // namespace orv
