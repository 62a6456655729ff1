#include "script/ClassModel.h"

#include <cstring>

#include <algorithm>
#include <atomic>

#include "platform/rtl/Component.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/TextUtils.h"
#include "script/EventBridges.h"
#include "script/Messages.h"
#include "script/MethodSyntax.h"
#include "script/Procedures.h"
#include "script/Script.h"

namespace orv {

TObject* sxValueToObjectOfAnyType(const Variant& value) {
  switch (value.VType()) {
    case varEmpty:
    case varNull:
      return nullptr;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: {
      const Int64 handle = value.UncheckedInt64();
      if (handle < 0 || handle > 0x7FFFFFFF) break;
      return HandleToObject(static_cast<Integer>(handle));
    }
    default:
      break;
  }
  throw EInvalidPointer("Invalid object reference");
}

Variant sxObjectToValue(TObject* obj) { return Variant(ObjectToHandle(obj)); }

// Methods.

TsxMethodHelper::TsxMethodHelper(const String& syntax, TsxScript* script)
    : TsxCustomHelper(String(), fvtInt, String(), TsxItemKind::Method), Syntax(syntax) {
  IsReadOnly = true;
  sxParseMethodSyntax(syntax, script, *this);
}

const Variant& TsxMethodHelper::ParamRef(int index) const {
  if (index == Count() && hasSetValue_) return setValueHolder_;
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return Params(index)->Value;
}

void TsxMethodHelper::SetParamValue(int index, const Variant& value) {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  Params(index)->Value = value;
}

Variant TsxMethodHelper::Call(const String& name, const Variant* assigned) {
  TObject* instance = ClassRef || IsConstructor() ? TakeParentInstance() : nullptr;
  TClass classType = IsConstructor() && ConstructClass ? ConstructClass : ClassRef;
  if (OnCallParams) {
    const int n = Count() + (assigned ? 1 : 0);
    Variant params = n > 0 ? VarArrayCreate({0, n - 1}, varVariant) : Null();
    for (int i = 0; i < Count(); ++i) VarArrayPut(params, Params(i)->Value, {i});
    if (assigned) VarArrayPut(params, *assigned, {Count()});
    Variant result = OnCallParams(instance, classType, name, params);
    for (int i = 0; i < Count(); ++i)
      if (Params(i)->IsVarParam) Params(i)->Value = VarArrayGet(params, {i});
    return result;
  }
  if (OnCall) {
    if (!assigned) return OnCall(instance, classType, name, *this);
    setValueHolder_ = *assigned;
    hasSetValue_ = true;
    struct Drop {
      TsxMethodHelper* m;
      ~Drop() {
        m->hasSetValue_ = false;
        m->setValueHolder_ = Variant();
      }
    } drop{this};
    return OnCall(instance, classType, name, *this);
  }
  return Variant(0);
}

const String& TsxMethodHelper::AccessName(String& held, const char* suffix) {
  // A member's name comes from its declaration, made with it, and stays.
  if (held.empty()) held = UppercaseName() + suffix;
  return held;
}

Variant TsxMethodHelper::GetValue() {
  if (!IsConstructor()) return Call(IsIndexProperty ? AccessName(getName_, ".GET") : UppercaseName(), nullptr);
  // What a script makes it may free again; nothing else (see Free).
  Variant made = Call(UppercaseName(), nullptr);
  MarkScriptOwned(sxValueToObject(made));
  return made;
}

void TsxMethodHelper::SetValue(const Variant& value) {
  if (!IsIndexProperty) return;
  Call(AccessName(setName_, ".SET"), &value);
}

// Properties.

TsxPropertyHelper::TsxPropertyHelper(const String& name, TsxVarType typ, const String& typeName)
    : TsxCustomHelper(name, typ, typeName, TsxItemKind::Property) {}

Variant TsxPropertyHelper::Read(TObject* instance) {
  // A published property has nothing to read without an object.
  if (Published && !instance) throw EInvalidPointer("Invalid object reference");
  Variant result;
  if (Published && instance) {
    switch (Published->Kind()) {
      case tkInteger: case tkEnumeration: case tkSet: case tkInt64:
        result = Variant(Published->GetOrd(instance));
        if (result.ToInt64() >= -0x80000000LL && result.ToInt64() <= 0x7FFFFFFF)
          result = Variant(static_cast<Integer>(result.ToInt64()));
        break;
      case tkClass:
        result = sxObjectToValue(Published->GetObject(instance));
        break;
      case tkChar: case tkWChar: case tkString: case tkLString:
        result = Variant(Published->GetStr(instance));
        break;
      case tkWString:
        result = Variant(Published->GetWideStr(instance));
        break;
      case tkFloat:
        result = Variant(Published->GetFloat(instance));
        break;
      case tkVariant:
        result = Published->GetVariant(instance);
        break;
      default:
        result = Variant(0);
        break;
    }
  } else if (OnGetValue) {
    result = OnGetValue(instance, ClassRef, UppercaseName());
  }
  if (Typ == fvtBool && !result.IsNull() && !result.IsEmpty() && result.VType() != varBoolean)
    result = Variant(result.ToInt64() != 0);
  return result;
}

void TsxPropertyHelper::SetValue(const Variant& value) {
  if (IsReadOnly) return;
  Write(TakeParentInstance(), value);
}

void TsxPropertyHelper::Write(TObject* instance, const Variant& value) {
  if (Published && !instance) throw EInvalidPointer("Invalid object reference");
  if (Published && instance) {
    switch (Published->Kind()) {
      case tkInteger: case tkEnumeration: case tkSet: case tkInt64:
        if (Typ == fvtBool)
          Published->SetOrd(instance, value.VType() == varBoolean ? value.ToBoolean() : value.ToInt64() != 0);
        else
          Published->SetOrd(instance, value.ToInt64());
        return;
      case tkClass:
        Published->SetObject(instance, sxValueToObject(value));
        return;
      case tkChar: case tkWChar: {
        const String text = value.ToString();
        Published->SetStr(instance, Copy(text, 1, 1));
        return;
      }
      case tkString: case tkLString:
        Published->SetStr(instance, value.ToString());
        return;
      case tkWString:
        Published->SetWideStr(instance, value.ToWideString());
        return;
      case tkFloat:
        Published->SetFloat(instance, value.ToDouble());
        return;
      case tkVariant:
        Published->SetVariant(instance, value);
        return;
      default:
        return;
    }
  }
  if (OnSetValue) OnSetValue(instance, ClassRef, UppercaseName(), value);
}

// Events.

TsxEventHelper::TsxEventHelper(const String& name, const TsxEventClass& eventClass)
    : TsxCustomHelper(name, fvtString, String(), TsxItemKind::Event), EventClass(eventClass) {}

void TsxEventHelper::SetValue(const Variant& value) {
  TObject* instance = sxValueToObject(ParentValue);
  if (!instance) throw EInvalidPointer("Invalid object reference");
  const TPropInfo* prop = instance->ClassType()->FindProperty(Name());
  if (!prop || prop->Kind() != tkMethod) throw EPropertyError("Property " + Name() + " does not exist");
  const String text = value.ToString();
  if (text == "0" || text.empty()) {
    prop->SetHandler(instance, EventClass.Empty());
    return;
  }
  TsxCustomVariable* item = Program ? Program->Find(text) : nullptr;
  if (!item || item->Kind != TsxItemKind::Proc || static_cast<TsxProcVariable*>(item)->TypedResult)
    throw Exception(SEventError);
  std::unique_ptr<TsxCustomEvent> bridge = EventClass.Create(instance, static_cast<TsxProcVariable*>(item));
  const std::any method = bridge->GetMethod();
  Program->AddOwnedObject(std::move(bridge));
  prop->SetHandler(instance, method);
}

// Components.

TsxComponentHelper::TsxComponentHelper(TComponent* component)
    : TsxCustomHelper(component->Name(), fvtClass, component->ClassName(), TsxItemKind::Component),
      handle_(ObjectToHandle(component)) {
  IsReadOnly = true;
}

Variant TsxComponentHelper::GetValue() { return Variant(handle_); }

TComponent* TsxComponentHelper::Component() const {
  return static_cast<TComponent*>(HandleToObject(handle_));
}

void TsxComponentHelper::SetComponent(TComponent* component) {
  handle_ = ObjectToHandle(component);
  SetTypeName(component->ClassName());
}

// Arrays.

TsxArrayHelper::TsxArrayHelper(const String& name, int dimCount, TsxVarType typ,
                               const String& typeName)
    : TsxCustomHelper(name, typ, typeName, TsxItemKind::ArrayHelper) {
  const int n = dimCount < 0 ? 3 : dimCount;
  for (int i = 0; i < n; ++i) {
    auto p = std::make_unique<TsxParamItem>("p" + std::to_string(i), fvtInt);
    p->IsOptional = dimCount < 0 && i > 0;
    AddParam(std::move(p));
  }
}

namespace {

// The indices the caller gave: optional indices left out hold Null.
std::vector<Variant> GivenIndices(const TsxCustomVariable& helper) {
  std::vector<Variant> out;
  for (int i = 0; i < helper.Count(); ++i) {
    const Variant& v = helper.Params(i)->Value;
    if (helper.Params(i)->IsOptional && (v.IsNull() || v.IsEmpty())) break;
    out.push_back(v);
  }
  return out;
}

void IndexList(const Variant* indices, int count, std::vector<Integer>& out) {
  out.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) out[static_cast<size_t>(i)] = indices[i].ToInteger();
}

}  // namespace

Variant TsxArrayHelper::Read(const Variant& array, const Variant* indices, int count) {
  if (count == 1) {
    const Integer i = indices[0].ToInteger();
    return VarArrayGet(array, {i});
  }
  std::vector<Integer> idx;
  IndexList(indices, count, idx);
  return VarArrayGet(array, idx);
}

void TsxArrayHelper::Write(Variant& array, const Variant& value, const Variant* indices, int count) {
  if (count == 1) {
    const Integer i = indices[0].ToInteger();
    VarArrayPut(array, value, {i});
    return;
  }
  std::vector<Integer> idx;
  IndexList(indices, count, idx);
  VarArrayPut(array, value, idx);
}

Variant TsxArrayHelper::GetValue() {
  const std::vector<Variant> indices = GivenIndices(*this);
  const int n = static_cast<int>(indices.size());
  if (ParentRef) return Read(*ParentRef->PValue(), indices.data(), n);
  return Read(ParentValue, indices.data(), n);
}

void TsxArrayHelper::SetValue(const Variant& value) {
  if (!ParentRef) return;
  const std::vector<Variant> indices = GivenIndices(*this);
  Write(*ParentRef->PValue(), value, indices.data(), static_cast<int>(indices.size()));
}

// Strings.

TsxStringHelper::TsxStringHelper()
    : TsxCustomHelper("__StringHelper", fvtChar, String(), TsxItemKind::StringHelper) {
  AddParam(std::make_unique<TsxParamItem>("p0", fvtInt));
}

namespace {

[[noreturn]] void StringIndexError(Integer index) {
  throw ERangeError("String index out of range (" + std::to_string(index) + ")");
}

}  // namespace

// One-character texts of the ASCII range, made once: reading s[i] of an ASCII text then costs
// no allocation.
const Variant& TsxStringHelper::AsciiCharacter(unsigned char c) {
  static const std::vector<Variant> table = [] {
    std::vector<Variant> t;
    for (int i = 0; i < 128; ++i) t.emplace_back(String(1, static_cast<char>(i)));
    return t;
  }();
  return table[c & 0x7F];
}

Variant TsxStringHelper::Character(std::string_view bytes) {
  if (bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) < 128)
    return AsciiCharacter(static_cast<unsigned char>(bytes[0]));
  if (bytes.empty() || bytes.size() > 4) return Variant(bytes);
  // The texts are never changed in place, as the cache's reference keeps them shared.
  thread_local Variant recent[64];
  std::uint32_t key = 0;
  std::memcpy(&key, bytes.data(), bytes.size());
  Variant& slot = recent[(key * 2654435761u) >> 26];
  if (slot.StrView() != bytes) slot = Variant(bytes);
  return slot;
}

namespace {

// The byte range of the character at 1-based index of a text; raises past either end.
std::pair<size_t, size_t> CharacterRange(const Variant& text, Integer i) {
  if (i < 1) StringIndexError(i);
  const std::string_view s = text.StrView();
  const size_t at = VarStrOffset(text, static_cast<size_t>(i - 1));
  if (at >= s.size()) StringIndexError(i);
  size_t end = at;
  NextCodePoint(s, end);
  return {at, end};
}

}  // namespace

Variant TsxStringHelper::Read(const Variant& text, const Variant& index) {
  const Integer i = index.ToInteger();
  if (text.VType() != varString) return Read(Variant(text.ToString()), index);
  const auto [at, end] = CharacterRange(text, i);
  const std::string_view s = text.StrView();
  if (end == at + 1 && static_cast<unsigned char>(s[at]) < 128) return AsciiCharacter(static_cast<unsigned char>(s[at]));
  return Character(s.substr(at, end - at));
}

String TsxStringHelper::Replace(const Variant& text, const Variant& index, const Variant& value) {
  const Integer i = index.ToInteger();
  if (text.VType() != varString) return Replace(Variant(text.ToString()), index, value);
  const auto [at, end] = CharacterRange(text, i);
  const std::string_view s = text.StrView();
  String result(s.substr(0, at));
  result += Copy(value.ToString(), 1, 1);
  result.append(s.substr(end));
  return result;
}

bool TsxStringHelper::ReplaceInPlace(Variant& text, const Variant& index, const Variant& value) {
  if (text.VType() != varString) return false;
  const auto [at, end] = CharacterRange(text, index.ToInteger());
  // The first character of what is assigned, as Replace takes it: read where it lies when the
  // value is a text.
  String converted;
  std::string_view with;
  if (value.VType() == varString) {
    const std::string_view v = value.StrView();
    size_t next = 0;
    if (!v.empty()) NextCodePoint(v, next);
    with = v.substr(0, next);
  } else {
    converted = Copy(value.ToString(), 1, 1);
    with = converted;
  }
  return with.size() == end - at && !with.empty() && VarStrOverwrite(text, at, with);
}

Variant TsxStringHelper::GetValue() { return Read(ParentValue, Params(0)->Value); }

void TsxStringHelper::SetValue(const Variant& value) {
  if (!ParentRef) return;
  ParentRef->SetValue(Variant(Replace(ParentValue, Params(0)->Value, value)));
}

// Classes.

namespace {

TsxVarType PropertyType(const TPropInfo& prop, String& typeName) {
  const TTypeInfo* type = prop.PropType();
  switch (prop.Kind()) {
    case tkInteger: return fvtInt;
    case tkChar: case tkWChar: return fvtChar;
    case tkEnumeration:
      typeName = type->Name();
      return SameText(typeName, "Boolean") || SameText(typeName, "bool") ? fvtBool : fvtEnum;
    case tkFloat: return fvtFloat;
    case tkString: case tkLString: case tkWString: return fvtString;
    case tkSet:
      typeName = type->Name();
      return fvtEnum;
    case tkClass:
      typeName = type->Name();
      return fvtClass;
    case tkVariant: return fvtVariant;
    default: return fvtInt;
  }
}

}  // namespace

TsxClassVariable::TsxClassVariable(TClass classRef, const String& ancestorName, TsxScript* program)
    : TsxCustomVariable(classRef->ClassName(), fvtClass, classRef->ClassName(), TsxItemKind::Class),
      AncestorName(ancestorName),
      ClassRef(classRef),
      Program(program) {
  auto cast = std::make_unique<TsxParamItem>(String(), fvtVariant);
  cast->IsOptional = true;
  AddParam(std::move(cast));
  for (const TPropInfo* prop : classRef->Properties()) {
    if (prop->Kind() == tkMethod) continue;
    String typeName;
    const TsxVarType typ = PropertyType(*prop, typeName);
    auto helper = std::make_unique<TsxPropertyHelper>(prop->Name(), typ, typeName);
    helper->ClassRef = classRef;
    helper->Published = prop;
    helper->IsReadOnly = !prop->IsWritable();
    members_.push_back(std::move(helper));
  }
}

TsxClassVariable::~TsxClassVariable() = default;

Variant TsxClassVariable::GetValue() {
  Variant cast = Params(0)->Value;
  Params(0)->Value = Null();
  if (cast.IsNull()) throw EInvalidOperation("Class " + Name() + " cannot be used as a value");
  return cast;
}

namespace {
std::atomic<std::uint64_t> lookupEpoch{0};
}  // namespace

std::uint64_t sxLookupEpoch() { return lookupEpoch.load(std::memory_order_relaxed); }
void sxLookupChanged() { lookupEpoch.fetch_add(1, std::memory_order_relaxed); }

TsxCustomHelper* TsxClassVariable::AddMember(std::unique_ptr<TsxCustomHelper> member) {
  sxLookupChanged();
  members_.push_back(std::move(member));
  return members_.back().get();
}

TsxMethodHelper* TsxClassVariable::AddMethod(const String& syntax, TsxCallMethodNewEvent callEvent) {
  auto method = std::make_unique<TsxMethodHelper>(syntax, Program);
  method->OnCall = std::move(callEvent);
  method->ClassRef = ClassRef;
  method->Description = method->Name();
  return static_cast<TsxMethodHelper*>(AddMember(std::move(method)));
}

TsxMethodHelper* TsxClassVariable::AddConstructor(const String& syntax,
                                                  TsxCallMethodNewEvent callEvent) {
  String rest = Trim(syntax);
  const size_t blank = rest.find_first_of(" \t(");
  rest = blank == String::npos ? String() : rest.substr(blank);
  return AddMethod("function" + rest + ": Constructor", std::move(callEvent));
}

TsxPropertyHelper* TsxClassVariable::AddProperty(const String& name, const String& typeName,
                                                 TsxGetValueEvent getEvent,
                                                 TsxSetValueEvent setEvent) {
  const TsxVarType typ = sxTypeNameToVarType(typeName, Program);
  auto prop = std::make_unique<TsxPropertyHelper>(name, typ,
                                                  typ == fvtClass || typ == fvtEnum ? typeName : String());
  prop->ClassRef = ClassRef;
  prop->OnGetValue = std::move(getEvent);
  prop->OnSetValue = std::move(setEvent);
  prop->IsReadOnly = !prop->OnSetValue;
  return static_cast<TsxPropertyHelper*>(AddMember(std::move(prop)));
}

TsxMethodHelper* TsxClassVariable::AddIndexProperty(const String& name, const String& params,
                                                    const String& typeName,
                                                    TsxCallMethodNewEvent callEvent, bool readOnly) {
  String decl = "function " + name + "(";
  TStringList types;
  types.SetCommaText(params);
  for (Integer i = 0; i < types.Count(); ++i) {
    if (i > 0) decl += "; ";
    decl += "p" + std::to_string(i) + ": " + Trim(types.Strings(i));
  }
  decl += "): " + typeName;
  TsxMethodHelper* method = AddMethod(decl, std::move(callEvent));
  method->IsReadOnly = readOnly;
  method->IsIndexProperty = true;
  return method;
}

TsxMethodHelper* TsxClassVariable::AddDefaultProperty(const String& name, const String& params,
                                                      const String& typeName,
                                                      TsxCallMethodNewEvent callEvent,
                                                      bool readOnly) {
  DefProperty = AddIndexProperty(name, params, typeName, std::move(callEvent), readOnly);
  return DefProperty;
}

TsxEventHelper* TsxClassVariable::AddEvent(const String& name, const TsxEventClass& eventClass) {
  auto event = std::make_unique<TsxEventHelper>(name, eventClass);
  event->ClassRef = ClassRef;
  return static_cast<TsxEventHelper*>(AddMember(std::move(event)));
}

TsxComponentHelper* TsxClassVariable::AddComponent(TComponent* component) {
  for (const auto& m : members_) {
    if (m->Kind == TsxItemKind::Component && SameText(m->Name(), component->Name())) {
      auto* helper = static_cast<TsxComponentHelper*>(m.get());
      helper->SetComponent(component);
      return helper;
    }
  }
  return static_cast<TsxComponentHelper*>(
      AddMember(std::make_unique<TsxComponentHelper>(component)));
}

TsxCustomHelper* TsxClassVariable::Find(const String& name) const {
  const TsxClassVariable* c = this;
  for (int depth = 0; c && depth < 64; ++depth) {
    for (const auto& m : c->members_)
      if (SameText(m->Name(), name)) return m.get();
    if (c->AncestorName.empty() || !c->Program) return nullptr;
    const TsxClassVariable* next = c->Program->FindClass(c->AncestorName);
    if (next == c) return nullptr;
    c = next;
  }
  return nullptr;
}

// The module list.

namespace {

struct ModuleEntry {
  String Name;
  TsxRTTIModuleFactory Factory;
};

std::vector<ModuleEntry>& Modules() {
  static std::vector<ModuleEntry> modules;
  return modules;
}

}  // namespace

void sxAddRTTIModule(const String& name, TsxRTTIModuleFactory factory) {
  for (const ModuleEntry& m : Modules())
    if (m.Name == name) return;
  Modules().push_back({name, std::move(factory)});
}

void sxRemoveRTTIModule(const String& name) {
  auto& list = Modules();
  list.erase(std::remove_if(list.begin(), list.end(), [&](const ModuleEntry& m) { return m.Name == name; }),
             list.end());
}

std::unique_ptr<TsxRTTIModule> sxCreateSysFunctions(TsxScript* script);
std::unique_ptr<TsxRTTIModule> sxCreateClassLibraryFunctions(TsxScript* script);
std::unique_ptr<TsxRTTIModule> sxCreateIniFileFunctions(TsxScript* script);
std::unique_ptr<TsxRTTIModule> sxCreateDialogFunctions(TsxScript* script);
std::unique_ptr<TsxRTTIModule> sxCreateGraphicsFunctions(TsxScript* script);
std::unique_ptr<TsxRTTIModule> sxCreateFormsFunctions(TsxScript* script);

std::vector<TsxRTTIModuleFactory> sxRTTIModules() {
  // The engine's own modules lead in their fixed order; the modules of other libraries follow
  // in the order they were added.
  std::vector<TsxRTTIModuleFactory> result{&sxCreateSysFunctions, &sxCreateIniFileFunctions,
                                           &sxCreateClassLibraryFunctions, &sxCreateDialogFunctions,
                                           &sxCreateGraphicsFunctions, &sxCreateFormsFunctions};
  for (const ModuleEntry& m : Modules()) result.push_back(m.Factory);
  return result;
}

}  // namespace orv
