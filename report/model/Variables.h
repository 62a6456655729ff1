#pragma once
// Named values of a report (and one global set shared by all reports), and a Variant-keyed map
// with the same items.
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/rtl/Collection.h"
#include "platform/rtl/Variant.h"

namespace orv {

class TkvxVariable : public TCollectionItem {
  ORV_CLASS(TkvxVariable, TCollectionItem)

 public:
  explicit TkvxVariable(TCollection* collection) : TCollectionItem(collection) {}
  void Assign(TPersistent* source) override;
  const String& Name() const { return name_; }
  void SetName(const String& value);
  const Variant& Value() const { return value_; }
  void SetValue(const Variant& value) { value_ = value; }

 private:
  String name_;
  Variant value_ = Null();
};

// The items of a collection of variables by name, compared as AnsiSameText compares (blind to
// case): a lookup among many thousands costs one hash. Built again after the collection changed.
class TkvxNameIndex {
 public:
  // The index of the first item of that name; -1 when none.
  Integer Find(const TCollection& items, const String& name) const;
  // Item index, named name, was just added to items, which stood at stamp before: the index
  // takes it in instead of being built again.
  void Added(const TCollection& items, std::uint64_t stamp, Integer index, const String& name);

 private:
  mutable std::unordered_map<String, Integer> keys_;
  // Names as they were asked for, with what was found, while the collection stays as it was:
  // the sort key of a name costs far more than its hash.
  mutable std::unordered_map<String, Integer> asked_;
  // The pages of a run are drawn on other threads while the run goes on, and both look up the
  // global variables (a page's copy name among them).
  mutable std::mutex lock_;
  mutable std::uint64_t stamp_ = UINT64_MAX;
  mutable const TCollection* built_ = nullptr;
};

// Items in the order added; names compare case-blind and the first of equal names is found.
class TkvxVariables : public TCollection {
  ORV_CLASS(TkvxVariables, TCollection)

 public:
  TkvxVariables() : TCollection(TkvxVariable::StaticClass()) {}
  TkvxVariable* Add() { return static_cast<TkvxVariable*>(TCollection::Add()); }
  TkvxVariable* Items(Integer index) const { return static_cast<TkvxVariable*>(TCollection::Items(index)); }
  Integer IndexOf(const String& name) const;
  // Null when there is no such variable (and nothing is added).
  Variant GetVariable(const String& name) const;
  void SetVariable(const String& name, const Variant& value);

 private:
  TkvxNameIndex names_;
};

// Keys are compared as text with the item names: 1 and "1" are the same key.
class TkvxArray : public TCollection {
  ORV_CLASS(TkvxArray, TCollection)

 public:
  TkvxArray() : TCollection(TkvxVariable::StaticClass()) {}
  TkvxVariable* Items(Integer index) const { return static_cast<TkvxVariable*>(TCollection::Items(index)); }
  Integer IndexOf(const Variant& key) const;
  Variant GetVariable(const Variant& key) const;
  void SetVariable(const Variant& key, const Variant& value);

 private:
  TkvxNameIndex names_;
};

// Shared by every report; searched after a report's own variables.
TkvxVariables* kvxGlobalVariables();

}  // namespace orv
