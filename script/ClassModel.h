#pragma once
// Native classes and members as scripts see them: the callback forms through which a member
// reaches native code, the member helpers, the class variable and the binding-module list.
// Objects travel through scripts as integer handles of the live-object registry.
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/ObjectHandles.h"
#include "platform/rtl/TypInfo.h"
#include "script/ScriptItems.h"

namespace orv {

class TsxMethodHelper;
class TsxClassVariable;
class TsxCustomEvent;
class TsxProcVariable;

// An event bridge class: how to make a bridge for an object's event, and the empty handler of
// that event's type (assigning nil detaches).
struct TsxEventClass {
  std::unique_ptr<TsxCustomEvent> (*Create)(TObject* Instance, TsxProcVariable* Handler);
  std::any (*Empty)();
};

using TsxCallMethodNewEvent = std::function<Variant(TObject* Instance, TClass ClassType,
                                                    const String& MethodName,
                                                    TsxMethodHelper& Caller)>;
using TsxCallMethodEvent = std::function<Variant(TObject* Instance, TClass ClassType,
                                                 const String& MethodName, Variant& Params)>;
using TsxGetValueEvent =
    std::function<Variant(TObject* Instance, TClass ClassType, const String& PropName)>;
using TsxSetValueEvent = std::function<void(TObject* Instance, TClass ClassType,
                                            const String& PropName, const Variant& Value)>;

// The object a script value refers to: nullptr for nil (0), Null and Empty; "Invalid object
// reference" for a stale or made-up handle and for any value that is no handle at all.
TObject* sxValueToObjectOfAnyType(const Variant& value);
// Handles travel as 32-bit integers: those are looked up here, without a call.
inline TObject* sxValueToObject(const Variant& value) {
  if (value.VType() == varInteger && value.UncheckedInteger() >= 0) return HandleToObject(value.UncheckedInteger());
  return sxValueToObjectOfAnyType(value);
}
Variant sxObjectToValue(TObject* obj);

// Base of class members and indexing helpers: the interpreter sets the link before it and that
// link's value before every access.
class TsxCustomHelper : public TsxCustomVariable {
 public:
  using TsxCustomVariable::TsxCustomVariable;
  TsxCustomVariable* ParentRef = nullptr;
  Variant ParentValue;
  TsxScript* Program = nullptr;
  // The object ParentValue names, when the caller has looked it up already; otherwise nullptr.
  TObject* ParentObject = nullptr;
  // The object the access is on. Taking it forgets ParentObject at once, so that the same
  // member reached again while this access runs (from an event it fires) looks up its own.
  TObject* TakeParentInstance() {
    TObject* known = ParentObject;
    ParentObject = nullptr;
    return known ? known : sxValueToObject(ParentValue);
  }
};

// A native function or method, registered by its declaration string.
class TsxMethodHelper : public TsxCustomHelper {
 public:
  // Builds name, result type and parameters from the declaration; script supplies the type
  // names and the default values that name registered items.
  TsxMethodHelper(const String& syntax, TsxScript* script);
  Variant GetValue() override;
  void SetValue(const Variant& value) override;

  Variant GetParamValue(int index) const { return ParamRef(index); }
  // The value GetParamValue gives, where it lies: for callbacks that only read it before the
  // call returns.
  const Variant& ParamRef(int index) const;
  void SetParamValue(int index, const Variant& value);

  String Category;
  String Description;
  String Syntax;
  TClass ClassRef = nullptr;
  bool IsIndexProperty = false;
  bool IsConstructor() const { return Typ == fvtConstructor; }
  TsxCallMethodNewEvent OnCall;
  TsxCallMethodEvent OnCallParams;
  // The class a constructor is to create (the class named before it in the designator).
  TClass ConstructClass = nullptr;

 private:
  Variant Call(const String& name, const Variant* assigned);
  // The name an indexed property's read (".GET") or write (".SET") is called by, made once
  // rather than on every access.
  const String& AccessName(String& held, const char* suffix);
  String getName_;
  String setName_;
  Variant setValueHolder_;
  bool hasSetValue_ = false;
};

// A property: published ones go through the class's type information, others through the
// registered callbacks.
class TsxPropertyHelper : public TsxCustomHelper {
 public:
  TsxPropertyHelper(const String& name, TsxVarType typ, const String& typeName);
  Variant GetValue() override { return Read(TakeParentInstance()); }
  void SetValue(const Variant& value) override;
  // The property of instance, for callers that have the object at hand.
  Variant Read(TObject* instance);
  void Write(TObject* instance, const Variant& value);
  TClass ClassRef = nullptr;
  const TPropInfo* Published = nullptr;
  TsxGetValueEvent OnGetValue;
  TsxSetValueEvent OnSetValue;
};

// A native event property: assigning a script procedure's name hangs the procedure on it.
class TsxEventHelper : public TsxCustomHelper {
 public:
  TsxEventHelper(const String& name, const TsxEventClass& eventClass);
  Variant GetValue() override { return Variant(""); }
  void SetValue(const Variant& value) override;
  TClass ClassRef = nullptr;
  TsxEventClass EventClass;
};

// A named child component of a registered form.
class TsxComponentHelper : public TsxCustomHelper {
 public:
  explicit TsxComponentHelper(TComponent* component);
  Variant GetValue() override;
  void SetValue(const Variant&) override {}
  TComponent* Component() const;
  void SetComponent(TComponent* component);

 private:
  Integer handle_;
};

// Element access of an array: in place on the array its variable holds.
class TsxArrayHelper : public TsxCustomHelper {
 public:
  // dimCount -1 gives the shared helper of Variant arrays: one required and two optional
  // indices.
  TsxArrayHelper(const String& name, int dimCount, TsxVarType typ, const String& typeName);
  Variant GetValue() override;
  void SetValue(const Variant& value) override;
  // Reads or writes element indices of the array held by holder.
  static Variant Read(const Variant& array, const Variant* indices, int count);
  static void Write(Variant& array, const Variant& value, const Variant* indices, int count);
};

// One character of a string value, 1-based.
class TsxStringHelper : public TsxCustomHelper {
 public:
  TsxStringHelper();
  Variant GetValue() override;
  void SetValue(const Variant& value) override;
  static Variant Read(const Variant& text, const Variant& index);
  static String Replace(const Variant& text, const Variant& index, const Variant& value);
  // Replace done on the text itself when no other value shares it and the new character takes
  // as many bytes as the old; false when a new text must be made.
  static bool ReplaceInPlace(Variant& text, const Variant& index, const Variant& value);
  // The text of one ASCII character (below 128).
  static const Variant& AsciiCharacter(unsigned char c);
  // The text of the one character bytes hold: shared with earlier reads of the same character
  // where it can be, so that reading a text character by character does not allocate each time.
  static Variant Character(std::string_view bytes);
};

// Counts every change to what a name may be looked up to at run time: items entering or
// leaving a script, a script's parent, a class's members. What a late-bound access found stays
// good while the count stands.
std::uint64_t sxLookupEpoch();
void sxLookupChanged();

// A native class known to scripts.
class TsxClassVariable : public TsxCustomVariable {
 public:
  TsxClassVariable(TClass classRef, const String& ancestorName, TsxScript* program);
  ~TsxClassVariable() override;
  // The class name used as a value: only the cast form TFoo(x) has one.
  Variant GetValue() override;

  TsxMethodHelper* AddMethod(const String& syntax, TsxCallMethodNewEvent callEvent);
  TsxMethodHelper* AddConstructor(const String& syntax, TsxCallMethodNewEvent callEvent);
  TsxPropertyHelper* AddProperty(const String& name, const String& typeName,
                                 TsxGetValueEvent getEvent, TsxSetValueEvent setEvent);
  TsxMethodHelper* AddIndexProperty(const String& name, const String& params,
                                    const String& typeName, TsxCallMethodNewEvent callEvent,
                                    bool readOnly);
  TsxMethodHelper* AddDefaultProperty(const String& name, const String& params,
                                      const String& typeName, TsxCallMethodNewEvent callEvent,
                                      bool readOnly);
  // A component of a name the class already lists takes that entry's place: a form registered
  // again (a new instance) reaches its own components, not the freed ones.
  TsxComponentHelper* AddComponent(TComponent* component);
  TsxEventHelper* AddEvent(const String& name, const TsxEventClass& eventClass);
  TsxCustomHelper* AddMember(std::unique_ptr<TsxCustomHelper> member);
  // Case-blind, own members first, then the ancestors' through their names.
  TsxCustomHelper* Find(const String& name) const;
  int MemberCount() const { return static_cast<int>(members_.size()); }
  TsxCustomHelper* Members(int index) const { return members_[static_cast<size_t>(index)].get(); }

  String AncestorName;
  TClass ClassRef;
  TsxMethodHelper* DefProperty = nullptr;
  TsxScript* Program;

 private:
  std::vector<std::unique_ptr<TsxCustomHelper>> members_;
};

// Base of binding modules: each registers its functions and classes on the script it is
// created for.
class TsxRTTIModule {
 public:
  explicit TsxRTTIModule(TsxScript* script) : Script(script) {}
  virtual ~TsxRTTIModule() = default;
  TsxScript* Script;
};

using TsxRTTIModuleFactory = std::function<std::unique_ptr<TsxRTTIModule>(TsxScript*)>;

// The global module list, built-in functions first. A name added again is not added twice.
void sxAddRTTIModule(const String& name, TsxRTTIModuleFactory factory);
void sxRemoveRTTIModule(const String& name);
std::vector<TsxRTTIModuleFactory> sxRTTIModules();

}  // namespace orv
