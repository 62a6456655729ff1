#pragma once
// Private to platform/gui: the Items of list-like controls, a string list that tells its
// control about every change so that the widget shows the same lines.
#include <functional>
#include <vector>

#include "platform/rtl/StringList.h"

namespace orv {

class TItemStrings : public TStrings {
 public:
  std::function<void(int index, const String& s)> Inserted;
  std::function<void(int index)> Deleted;
  std::function<void()> Cleared;
  std::function<void(int index, const String& s)> Changed;
  // When set, Add puts a line in its sorted place.
  bool Sorted = false;

  // Sets Sorted; setting it sorts the lines already there, each keeping its object.
  void SetSorted(bool Value) {
    Sorted = Value;
    if (!Value) return;
    TStringList copy;
    copy.Assign(this);
    copy.SetSorted(true);
    Clear();
    for (int i = 0; i < copy.Count(); ++i) AddObject(copy.Strings(i), copy.Objects(i));
  }

  String Get(Integer index) const override {
    Check(index);
    return items_[index].first;
  }
  Integer GetCount() const override { return static_cast<Integer>(items_.size()); }
  TObject* GetObject(Integer index) const override {
    Check(index);
    return items_[index].second;
  }
  void Put(Integer index, const String& s) override {
    Check(index);
    items_[index].first = s;
    if (Changed) Changed(index, s);
  }
  void PutObject(Integer index, TObject* obj) override {
    Check(index);
    items_[index].second = obj;
  }
  void Insert(Integer index, const String& s) override {
    if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
    items_.insert(items_.begin() + index, {s, nullptr});
    if (Inserted) Inserted(index, s);
  }
  Integer Add(const String& s) override {
    Integer index = GetCount();
    if (Sorted) {
      index = 0;
      while (index < GetCount() && CompareStrings(items_[index].first, s) <= 0) ++index;
    }
    Insert(index, s);
    return index;
  }
  void Delete(Integer index) override {
    Check(index);
    items_.erase(items_.begin() + index);
    if (Deleted) Deleted(index);
  }
  void Clear() override {
    items_.clear();
    if (Cleared) Cleared();
  }

 private:
  void Check(Integer index) const {
    if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
  }
  std::vector<std::pair<String, TObject*>> items_;
};

}  // namespace orv
