#include "report/model/Variables.h"

#include <memory>

#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxVariable, c) {
  c.Prop("Name", &TkvxVariable::Name, &TkvxVariable::SetName);
  c.Prop("Value", &TkvxVariable::Value, &TkvxVariable::SetValue);
}

ORV_IMPLEMENT_CLASS(TkvxVariables, c) {}
ORV_IMPLEMENT_CLASS(TkvxArray, c) {}

void TkvxVariable::Assign(TPersistent* source) {
  if (auto* v = dynamic_cast<TkvxVariable*>(source)) {
    SetName(v->name_);
    value_ = v->value_;
    return;
  }
  TCollectionItem::Assign(source);
}

void TkvxVariable::SetName(const String& value) {
  name_ = value;
  if (Collection()) Collection()->Touch();
}

Integer TkvxNameIndex::Find(const TCollection& items, const String& name) const {
  if (items.Count() == 0) return -1;
  std::lock_guard lock(lock_);
  const bool current = built_ == &items && stamp_ == items.Stamp();
  if (current)
    if (auto it = asked_.find(name); it != asked_.end()) return it->second;
  String key;
  if (!AnsiSortKey(name, true, key)) {
    for (Integer i = 0; i < items.Count(); ++i)
      if (AnsiSameText(static_cast<TkvxVariable*>(items.Items(i))->Name(), name)) return i;
    return -1;
  }
  if (!current) {
    keys_.clear();
    asked_.clear();
    String itemKey;
    for (Integer i = 0; i < items.Count(); ++i)
      if (AnsiSortKey(static_cast<TkvxVariable*>(items.Items(i))->Name(), true, itemKey)) keys_.emplace(itemKey, i);
    built_ = &items;
    stamp_ = items.Stamp();
  }
  auto it = keys_.find(key);
  const Integer found = it == keys_.end() ? -1 : it->second;
  // A run asks for the same few names at every row; a script asking for ever new ones does not
  // make the memo grow without end.
  constexpr size_t kAskedNames = 4096;
  if (asked_.size() >= kAskedNames) asked_.clear();
  asked_.emplace(name, found);
  return found;
}

void TkvxNameIndex::Added(const TCollection& items, std::uint64_t stamp, Integer index, const String& name) {
  std::lock_guard lock(lock_);
  String key;
  if (built_ != &items || stamp_ != stamp || !AnsiSortKey(name, true, key)) return;
  keys_.emplace(key, index);
  // A name asked before and not found may be the one added.
  asked_.clear();
  stamp_ = items.Stamp();
}

Integer TkvxVariables::IndexOf(const String& name) const { return names_.Find(*this, name); }

Variant TkvxVariables::GetVariable(const String& name) const {
  Integer i = IndexOf(name);
  return i < 0 ? Null() : Items(i)->Value();
}

void TkvxVariables::SetVariable(const String& name, const Variant& value) {
  Integer i = IndexOf(name);
  TkvxVariable* v;
  if (i < 0) {
    const std::uint64_t stamp = Stamp();
    v = Add();
    v->SetName(name);
    names_.Added(*this, stamp, Count() - 1, name);
  } else {
    v = Items(i);
  }
  v->SetValue(value);
}

Integer TkvxArray::IndexOf(const Variant& key) const { return names_.Find(*this, VarToStr(key)); }

Variant TkvxArray::GetVariable(const Variant& key) const {
  Integer i = IndexOf(key);
  return i < 0 ? Null() : Items(i)->Value();
}

void TkvxArray::SetVariable(const Variant& key, const Variant& value) {
  Integer i = IndexOf(key);
  TkvxVariable* v;
  if (i < 0) {
    const std::uint64_t stamp = Stamp();
    v = static_cast<TkvxVariable*>(Add());
    v->SetName(VarToStr(key));
    names_.Added(*this, stamp, Count() - 1, v->Name());
  } else {
    v = Items(i);
  }
  v->SetValue(value);
}

TkvxVariables* kvxGlobalVariables() {
  static auto variables = std::make_unique<TkvxVariables>();
  return variables.get();
}

}  // namespace orv
