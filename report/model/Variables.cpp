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
    name_ = v->name_;
    value_ = v->value_;
    return;
  }
  TCollectionItem::Assign(source);
}

Integer TkvxVariables::IndexOf(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return i;
  return -1;
}

Variant TkvxVariables::GetVariable(const String& name) const {
  Integer i = IndexOf(name);
  return i < 0 ? Null() : Items(i)->Value();
}

void TkvxVariables::SetVariable(const String& name, const Variant& value) {
  Integer i = IndexOf(name);
  TkvxVariable* v = i < 0 ? Add() : Items(i);
  if (i < 0) v->SetName(name);
  v->SetValue(value);
}

Integer TkvxArray::IndexOf(const Variant& key) const {
  String name = VarToStr(key);
  for (Integer i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return i;
  return -1;
}

Variant TkvxArray::GetVariable(const Variant& key) const {
  Integer i = IndexOf(key);
  return i < 0 ? Null() : Items(i)->Value();
}

void TkvxArray::SetVariable(const Variant& key, const Variant& value) {
  Integer i = IndexOf(key);
  TkvxVariable* v = i < 0 ? static_cast<TkvxVariable*>(Add()) : Items(i);
  if (i < 0) v->SetName(VarToStr(key));
  v->SetValue(value);
}

TkvxVariables* kvxGlobalVariables() {
  static auto variables = std::make_unique<TkvxVariables>();
  return variables.get();
}

}  // namespace orv
