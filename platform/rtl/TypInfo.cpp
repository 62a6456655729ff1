#include "platform/rtl/TypInfo.h"

#include <algorithm>
#include <limits>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

String TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return String(s.substr(b, e - b));
}

[[noreturn]] void UnknownProperty(std::string_view name) {
  throw EPropertyError("Property " + String(name) + " does not exist");
}

[[noreturn]] void WrongKind(const TPropInfo& p) {
  throw EPropertyError("Invalid property type: " + p.PropType()->Name());
}

[[noreturn]] void InvalidValue() { throw EPropertyError("Invalid property value"); }

const TPropInfo& NeedProp(const TObject* obj, std::string_view name) {
  const TPropInfo* p = GetPropInfo(obj, name);
  if (!p) UnknownProperty(name);
  return *p;
}

// Report files store a set as its bit mask in decimal; element names are identifiers, so a
// text of digits is never a list of names.
bool IsDecimalNumber(std::string_view text) {
  String t = TrimBlanks(text);
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) t.erase(0, 1);
  return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

const TPropInfo& NeedSetProp(const TObject* obj, std::string_view name) {
  const TPropInfo& p = NeedProp(obj, name);
  if (p.Kind() != tkSet) WrongKind(p);
  return p;
}

bool IsBoolean(const TTypeInfo* type) {
  return type->Kind() == tkEnumeration && type == TypeInfoOf<bool>();
}

}  // namespace

TTypeInfo TTypeInfo::MakeEnum(const char* name, const char* names) {
  TTypeInfo info(tkEnumeration, name);
  std::string_view all(names);
  while (!all.empty()) {
    size_t comma = all.find(',');
    String item = TrimBlanks(all.substr(0, comma));
    if (!item.empty()) info.names_.push_back(item);
    if (comma == std::string_view::npos) break;
    all.remove_prefix(comma + 1);
  }
  info.SetRange(0, static_cast<Int64>(info.names_.size()) - 1);
  return info;
}

TTypeInfo TTypeInfo::MakeSet(const char* name, const TTypeInfo* elementType) {
  TTypeInfo info(tkSet, name);
  info.compType_ = elementType;
  size_t n = elementType->EnumNames().size();
  info.SetRange(0, n >= 32 ? Int64{0xFFFFFFFF} : (Int64{1} << n) - 1);
  return info;
}

TTypeInfo TTypeInfo::MakeClass(TClass (*classOf)()) {
  TTypeInfo info(tkClass, String());
  info.classOf_ = classOf;
  return info;
}

const String& TTypeInfo::Name() const { return classOf_ ? classOf_()->ClassName() : name_; }

const TTypeInfo* TTypeInfoTraits<bool>::Get() {
  static const TTypeInfo info = TTypeInfo::MakeEnum("Boolean", "False, True");
  return &info;
}

namespace detail {

const TTypeInfo* IntegerTypeInfo(bool isSigned, int bytes) {
  auto make = [](const char* name, TTypeKind kind, Int64 lo, Int64 hi) {
    TTypeInfo t(kind, name);
    t.SetRange(lo, hi);
    return t;
  };
  static const TTypeInfo shortInt = make("ShortInt", tkInteger, -128, 127);
  static const TTypeInfo byte = make("Byte", tkInteger, 0, 255);
  static const TTypeInfo smallInt = make("SmallInt", tkInteger, -32768, 32767);
  static const TTypeInfo word = make("Word", tkInteger, 0, 65535);
  static const TTypeInfo integer = make("Integer", tkInteger, INT32_MIN, INT32_MAX);
  static const TTypeInfo cardinal = make("Cardinal", tkInteger, 0, UINT32_MAX);
  // Unsigned 64-bit values travel as their signed bit pattern.
  static const TTypeInfo int64 = make("Int64", tkInt64, INT64_MIN, INT64_MAX);
  switch (bytes) {
    case 1: return isSigned ? &shortInt : &byte;
    case 2: return isSigned ? &smallInt : &word;
    case 4: return isSigned ? &integer : &cardinal;
    default: return &int64;
  }
}

const TTypeInfo* SimpleTypeInfo(TTypeKind kind) {
  auto make = [](TTypeKind k, const char* name, Int64 lo, Int64 hi) {
    TTypeInfo t(k, name);
    t.SetRange(lo, hi);
    return t;
  };
  static const TTypeInfo charInfo = make(tkChar, "Char", 0, 255);
  static const TTypeInfo wcharInfo = make(tkWChar, "WideChar", 0, 65535);
  static const TTypeInfo floatInfo(tkFloat, "Double");
  static const TTypeInfo stringInfo(tkLString, "String");
  static const TTypeInfo wideInfo(tkWString, "WideString");
  static const TTypeInfo variantInfo(tkVariant, "Variant");
  static const TTypeInfo methodInfo(tkMethod, "Method");
  switch (kind) {
    case tkChar: return &charInfo;
    case tkWChar: return &wcharInfo;
    case tkFloat: return &floatInfo;
    case tkLString: return &stringInfo;
    case tkWString: return &wideInfo;
    case tkVariant: return &variantInfo;
    default: return &methodInfo;
  }
}

String ComponentEventName(TObject* obj, const String& event) {
  auto* c = dynamic_cast<TComponent*>(obj);
  return c ? c->EventHandlerName(event) : String();
}

void SetComponentEventName(TObject* obj, const String& event, const String& name) {
  if (auto* c = dynamic_cast<TComponent*>(obj)) c->SetEventHandlerName(event, name);
}

void FinishClassInfo(TClassInfo& info, std::vector<const TPropInfo*>& all,
                     std::vector<std::unique_ptr<TPropInfo>>& own) {
  if (info.ClassParent()) all = info.ClassParent()->Properties();
  for (auto& p : own) {
    auto same = std::find_if(all.begin(), all.end(), [&](const TPropInfo* q) {
      return SameText(q->Name(), p->Name());
    });
    if (same != all.end())
      *same = p.get();
    else
      all.push_back(p.get());
  }
}

}  // namespace detail

// TPropInfo

void TPropInfo::KindError() const {
  throw EPropertyError("Invalid property type: " + type_->Name());
}

void TPropInfo::ReadOnlyError() const {
  throw EPropertyError("Property " + name_ + " is read-only");
}

bool TPropInfo::IsWritable() const {
  return setOrd_ || setFloat_ || setStr_ || setWideStr_ || setVariant_ || setObject_ ||
         setMethodName_;
}

Int64 TPropInfo::GetOrd(TObject* obj) const {
  if (!getOrd_) KindError();
  return getOrd_(obj);
}

void TPropInfo::SetOrd(TObject* obj, Int64 value) const {
  if (!getOrd_) KindError();
  if (!setOrd_) ReadOnlyError();
  if (value < type_->MinValue() || value > type_->MaxValue()) InvalidValue();
  setOrd_(obj, value);
}

Extended TPropInfo::GetFloat(TObject* obj) const {
  if (!getFloat_) KindError();
  return getFloat_(obj);
}

void TPropInfo::SetFloat(TObject* obj, Extended value) const {
  if (!getFloat_) KindError();
  if (!setFloat_) ReadOnlyError();
  setFloat_(obj, value);
}

String TPropInfo::GetStr(TObject* obj) const {
  switch (Kind()) {
    case tkLString: return getStr_(obj);
    case tkWString: return WideToUtf8(getWideStr_(obj));
    case tkChar: return String(1, static_cast<char>(getOrd_(obj)));
    case tkWChar: return WideToUtf8(WideString(1, static_cast<char16_t>(getOrd_(obj))));
    default: KindError();
  }
}

void TPropInfo::SetStr(TObject* obj, const String& value) const {
  switch (Kind()) {
    case tkLString:
      if (!setStr_) ReadOnlyError();
      setStr_(obj, value);
      return;
    case tkWString: SetWideStr(obj, Utf8ToWide(value)); return;
    case tkChar:
      SetOrd(obj, value.empty() ? 0 : static_cast<unsigned char>(value[0]));
      return;
    case tkWChar: {
      WideString w = Utf8ToWide(value);
      SetOrd(obj, w.empty() ? 0 : w[0]);
      return;
    }
    default: KindError();
  }
}

WideString TPropInfo::GetWideStr(TObject* obj) const {
  if (Kind() == tkWString) return getWideStr_(obj);
  return Utf8ToWide(GetStr(obj));
}

void TPropInfo::SetWideStr(TObject* obj, const WideString& value) const {
  if (Kind() != tkWString) return SetStr(obj, WideToUtf8(value));
  if (!setWideStr_) ReadOnlyError();
  setWideStr_(obj, value);
}

Variant TPropInfo::GetVariant(TObject* obj) const {
  if (!getVariant_) KindError();
  return getVariant_(obj);
}

void TPropInfo::SetVariant(TObject* obj, const Variant& value) const {
  if (!getVariant_) KindError();
  if (!setVariant_) ReadOnlyError();
  setVariant_(obj, value);
}

TObject* TPropInfo::GetObject(TObject* obj) const {
  if (!getObject_) KindError();
  return getObject_(obj);
}

void TPropInfo::SetObject(TObject* obj, TObject* value) const {
  if (!getObject_) KindError();
  if (!setObject_) ReadOnlyError();
  setObject_(obj, value);
}

String TPropInfo::GetMethodName(TObject* obj) const {
  if (!getMethodName_) KindError();
  return getMethodName_(obj);
}

void TPropInfo::SetMethodName(TObject* obj, const String& name) const {
  if (!setMethodName_) KindError();
  setMethodName_(obj, name);
}

std::any TPropInfo::GetHandler(TObject* obj) const {
  if (!getHandler_) KindError();
  return getHandler_(obj);
}

void TPropInfo::SetHandler(TObject* obj, const std::any& handler) const {
  if (!setHandler_) KindError();
  setHandler_(obj, handler);
}

// TClassInfo

TClassInfo::TClassInfo(TClassInfo&&) noexcept = default;
TClassInfo::~TClassInfo() = default;

bool TClassInfo::InheritsFrom(TClass other) const {
  for (TClass c = this; c; c = c->parent_)
    if (c == other) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
  for (const TPropInfo* p : all_)
    if (p->Name().size() == name.size() && SameText(p->Name(), String(name))) return p;
  return nullptr;
}

void TClassInfo::CannotCreate() const {
  throw EComponentError("Cannot create an instance of " + name_);
}

TComponent* TClassInfo::CreateComponent(TComponent* owner) const {
  if (!newComponent_) CannotCreate();
  return newComponent_(owner);
}

std::unique_ptr<TObject> TClassInfo::CreateObject() const {
  if (newObject_) return std::unique_ptr<TObject>(newObject_());
  if (newComponent_) return std::unique_ptr<TObject>(newComponent_(nullptr));
  CannotCreate();
}

TCollectionItem* TClassInfo::CreateItem(TCollection* collection) const {
  if (!newItem_) CannotCreate();
  return newItem_(collection);
}

// Routines by name

const TPropInfo* GetPropInfo(const TObject* obj, std::string_view name) {
  return obj ? GetPropInfo(obj->ClassType(), name) : nullptr;
}

const TPropInfo* GetPropInfo(TClass cls, std::string_view name) {
  return cls ? cls->FindProperty(name) : nullptr;
}

const std::vector<const TPropInfo*>& GetPropList(const TObject* obj) {
  return obj->ClassType()->Properties();
}

bool IsPublishedProp(const TObject* obj, std::string_view name) {
  return GetPropInfo(obj, name) != nullptr;
}

TTypeKind PropType(const TObject* obj, std::string_view name) {
  return NeedProp(obj, name).Kind();
}

Variant GetPropValue(TObject* obj, const TPropInfo* prop) {
  const TTypeInfo* type = prop->PropType();
  switch (prop->Kind()) {
    case tkInteger:
    case tkSet: {
      Int64 v = prop->GetOrd(obj);
      if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<Integer>(v));
      return Variant(v);
    }
    case tkInt64: return Variant(prop->GetOrd(obj));
    case tkEnumeration:
      if (IsBoolean(type)) return Variant(prop->GetOrd(obj) != 0);
      return Variant(static_cast<Integer>(prop->GetOrd(obj)));
    case tkChar:
    case tkWChar:
    case tkLString: return Variant(prop->GetStr(obj));
    case tkWString: return Variant(prop->GetWideStr(obj));
    case tkFloat: return Variant(static_cast<double>(prop->GetFloat(obj)));
    case tkVariant: return prop->GetVariant(obj);
    case tkClass: return Variant(ObjectToHandle(prop->GetObject(obj)));
    case tkMethod: return Variant(prop->GetMethodName(obj));
    default: WrongKind(*prop);
  }
}

Variant GetPropValue(TObject* obj, std::string_view name) {
  return GetPropValue(obj, &NeedProp(obj, name));
}

void SetPropValue(TObject* obj, const TPropInfo* prop, const Variant& value) {
  const TTypeInfo* type = prop->PropType();
  switch (prop->Kind()) {
    case tkInteger:
    case tkInt64: prop->SetOrd(obj, value.ToInt64()); return;
    case tkSet:
      if (VarIsStr(value) && !IsDecimalNumber(VarToStr(value)))
        prop->SetOrd(obj, StringToSet(type, VarToStr(value)));
      else
        prop->SetOrd(obj, value.ToInt64());
      return;
    case tkEnumeration:
      if (IsBoolean(type) && !VarIsStr(value)) {
        prop->SetOrd(obj, value.ToBoolean() ? 1 : 0);
      } else if (VarIsStr(value)) {
        Integer ord = GetEnumValue(type, VarToStr(value));
        if (ord < 0) InvalidValue();
        prop->SetOrd(obj, ord);
      } else {
        prop->SetOrd(obj, value.ToInt64());
      }
      return;
    case tkChar:
    case tkWChar:
    case tkLString: prop->SetStr(obj, VarToStr(value)); return;
    case tkWString: prop->SetWideStr(obj, value.ToWideString()); return;
    case tkFloat: prop->SetFloat(obj, value.ToDouble()); return;
    case tkVariant: prop->SetVariant(obj, value); return;
    case tkClass:
      prop->SetObject(obj, value.IsEmpty() || value.IsNull() ? nullptr
                                                            : HandleToObject(value.ToInteger()));
      return;
    case tkMethod: prop->SetMethodName(obj, VarToStr(value)); return;
    default: WrongKind(*prop);
  }
}

void SetPropValue(TObject* obj, std::string_view name, const Variant& value) {
  SetPropValue(obj, &NeedProp(obj, name), value);
}

Int64 GetOrdProp(TObject* obj, std::string_view name) { return NeedProp(obj, name).GetOrd(obj); }
void SetOrdProp(TObject* obj, std::string_view name, Int64 value) {
  NeedProp(obj, name).SetOrd(obj, value);
}
String GetStrProp(TObject* obj, std::string_view name) { return NeedProp(obj, name).GetStr(obj); }
void SetStrProp(TObject* obj, std::string_view name, const String& value) {
  NeedProp(obj, name).SetStr(obj, value);
}
WideString GetWideStrProp(TObject* obj, std::string_view name) {
  return NeedProp(obj, name).GetWideStr(obj);
}
void SetWideStrProp(TObject* obj, std::string_view name, const WideString& value) {
  NeedProp(obj, name).SetWideStr(obj, value);
}
Extended GetFloatProp(TObject* obj, std::string_view name) {
  return NeedProp(obj, name).GetFloat(obj);
}
void SetFloatProp(TObject* obj, std::string_view name, Extended value) {
  NeedProp(obj, name).SetFloat(obj, value);
}
Int64 GetInt64Prop(TObject* obj, std::string_view name) { return GetOrdProp(obj, name); }
void SetInt64Prop(TObject* obj, std::string_view name, Int64 value) {
  SetOrdProp(obj, name, value);
}
Variant GetVariantProp(TObject* obj, std::string_view name) {
  return NeedProp(obj, name).GetVariant(obj);
}
void SetVariantProp(TObject* obj, std::string_view name, const Variant& value) {
  NeedProp(obj, name).SetVariant(obj, value);
}
TObject* GetObjectProp(TObject* obj, std::string_view name) {
  return NeedProp(obj, name).GetObject(obj);
}
void SetObjectProp(TObject* obj, std::string_view name, TObject* value) {
  NeedProp(obj, name).SetObject(obj, value);
}

String GetEnumProp(TObject* obj, std::string_view name) {
  const TPropInfo& p = NeedProp(obj, name);
  if (p.Kind() != tkEnumeration) WrongKind(p);
  return GetEnumName(p.PropType(), static_cast<Integer>(p.GetOrd(obj)));
}

void SetEnumProp(TObject* obj, std::string_view name, const String& value) {
  const TPropInfo& p = NeedProp(obj, name);
  if (p.Kind() != tkEnumeration) WrongKind(p);
  Integer ord = GetEnumValue(p.PropType(), value);
  if (ord < 0) InvalidValue();
  p.SetOrd(obj, ord);
}

String GetMethodProp(TObject* obj, std::string_view name) {
  return NeedProp(obj, name).GetMethodName(obj);
}

void SetMethodProp(TObject* obj, std::string_view name, const String& handlerName) {
  NeedProp(obj, name).SetMethodName(obj, handlerName);
}

String GetEnumName(const TTypeInfo* type, Integer value) {
  const auto& names = type->EnumNames();
  if (value < 0 || value >= static_cast<Integer>(names.size())) return String();
  return names[static_cast<size_t>(value)];
}

Integer GetEnumValue(const TTypeInfo* type, const String& name) {
  const auto& names = type->EnumNames();
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name)) return static_cast<Integer>(i);
  return -1;
}

String SetToString(const TTypeInfo* setType, Int64 value, bool brackets) {
  const auto& names = setType->CompType()->EnumNames();
  String text;
  for (size_t i = 0; i < names.size() && i < 64; ++i) {
    if (!(static_cast<std::uint64_t>(value) & (std::uint64_t{1} << i))) continue;
    if (!text.empty()) text += ',';
    text += names[i];
  }
  return brackets ? "[" + text + "]" : text;
}

Int64 StringToSet(const TTypeInfo* setType, const String& value) {
  String text = TrimBlanks(value);
  std::string_view rest = text;
  if (rest.size() >= 2 && rest.front() == '[' && rest.back() == ']')
    rest = rest.substr(1, rest.size() - 2);
  Int64 mask = 0;
  while (!rest.empty()) {
    size_t comma = rest.find(',');
    String name = TrimBlanks(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    // A stray comma names nothing, as in the "[fsBold, ]" a hand-written script may hold.
    if (name.empty()) continue;
    Integer element = GetEnumValue(setType->CompType(), name);
    if (element < 0) throw EPropertyError("Invalid property element: " + name);
    mask |= Int64{1} << element;
  }
  return mask;
}

String GetSetProp(TObject* obj, std::string_view name, bool brackets) {
  const TPropInfo& p = NeedSetProp(obj, name);
  return SetToString(p.PropType(), p.GetOrd(obj), brackets);
}

void SetSetProp(TObject* obj, std::string_view name, const String& value) {
  const TPropInfo& p = NeedSetProp(obj, name);
  p.SetOrd(obj, StringToSet(p.PropType(), value));
}

bool IsStoredProp(TObject* obj, const TPropInfo* prop) { return prop->IsStored(obj); }

bool IsStoredProp(TObject* obj, std::string_view name) {
  return NeedProp(obj, name).IsStored(obj);
}

bool IsDefaultPropValue(TObject* obj, const TPropInfo* prop) {
  switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet:
    case tkInt64: return prop->HasDefault() && prop->GetOrd(obj) == prop->Default();
    case tkLString:
    case tkWString: return prop->GetStr(obj).empty();
    case tkClass: return prop->GetObject(obj) == nullptr;
    case tkMethod: return prop->GetMethodName(obj).empty();
    default: return false;
  }
}

}  // namespace orv
