#pragma once
// TList: an ordered list of object pointers that it does not own.
#include <functional>
#include <vector>

#include "platform/rtl/TypInfo.h"

namespace orv {

// < 0, 0 or > 0 as a sorts before, with or after b.
using TListSortCompare = std::function<int(TObject* a, TObject* b)>;

// A list of object references (nil allowed). Holding TObject rather than untyped pointers lets
// scripts and report variables turn any item into an object handle safely.
class TList : public TObject {
  ORV_CLASS(TList, TObject)

 public:
  TList() = default;

  // Index errors raise EListError "List index out of bounds (%d)".
  Integer Add(TObject* item);
  void Insert(Integer index, TObject* item);
  void Delete(Integer index);
  // Removes the first occurrence; its former index, -1 when item is not in the list.
  Integer Remove(TObject* item);
  // Removes and returns the first occurrence; nullptr when absent.
  TObject* Extract(TObject* item);
  Integer IndexOf(const TObject* item) const;
  void Exchange(Integer index1, Integer index2);
  void Move(Integer curIndex, Integer newIndex);
  // Orders the items by compare; items that compare equal keep their order.
  void Sort(const TListSortCompare& compare);
  // Removes the nil items.
  void Pack();
  void Clear();
  TObject* First() const { return Items(0); }
  TObject* Last() const { return Items(Count() - 1); }

  Integer Count() const { return static_cast<Integer>(items_.size()); }
  // Growing adds nil items. EListError "List count out of bounds (%d)" below 0.
  void SetCount(Integer count);
  Integer Capacity() const { return static_cast<Integer>(items_.capacity()); }
  // EListError "List capacity out of bounds (%d)" below Count.
  void SetCapacity(Integer capacity);
  TObject* Items(Integer index) const;
  void SetItems(Integer index, TObject* item);
  // The copy of another list's items.
  void Assign(const TList& source);

 private:
  void CheckIndex(Integer index) const;
  std::vector<TObject*> items_;
};

}  // namespace orv
