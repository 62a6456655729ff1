#pragma once
// The named items a script resolves names against: variables, constants, type names and
// parameters. Values are always Variants; the type tag governs conversion on assignment and the
// compile-time type checks.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

namespace orv {

class TsxScript;
class TsxParamItem;

enum TsxVarType : std::uint8_t {
  fvtInt,
  fvtBool,
  fvtFloat,
  fvtChar,
  fvtString,
  fvtClass,
  fvtArray,
  fvtVariant,
  fvtEnum,
  fvtConstructor
};

// What an item is, so that the interpreter's hot paths test a tag instead of casting.
enum class TsxItemKind : std::uint8_t {
  Custom,
  Variable,
  StringVariable,
  TypeName,
  Param,
  Proc,
  Class,
  Method,
  Property,
  Event,
  Component,
  ArrayHelper,
  StringHelper,
  LateMember,
  Designator,
  Expression,
  SetExpression
};

using TsxGetVariableValueEvent =
    std::function<Variant(const String& VarName, TsxVarType VarTyp, const Variant& OldValue)>;

// The empty text that items, statements and expressions without a name, type name or unit
// name give.
const String& sxNoText();

// What only some items have: a name (declared and registered items), a type name (class and
// enumeration types), a host hook (variables the host answers for) and parameters (routines
// and members). Kept apart, so that the designators and expressions a program makes by the
// thousand carry none of it.
struct TsxItemDetails {
  TsxItemDetails();
  ~TsxItemDetails();
  String Name;
  String UppercaseName;
  String TypeName;
  TsxGetVariableValueEvent OnGetVarValue;
  std::vector<std::unique_ptr<TsxParamItem>> Params;
};

// Base of every named item. Its parameters (for routines and members) are owned by it.
class TsxCustomVariable {
 public:
  TsxCustomVariable(String name, TsxVarType typ, String typeName = {},
                    TsxItemKind kind = TsxItemKind::Custom);
  TsxCustomVariable(const TsxCustomVariable&) = delete;
  TsxCustomVariable& operator=(const TsxCustomVariable&) = delete;
  virtual ~TsxCustomVariable();

  virtual Variant GetValue();
  virtual void SetValue(const Variant& value);

  const String& Name() const { return details_ ? details_->Name : sxNoText(); }
  const String& UppercaseName() const { return details_ ? details_->UppercaseName : sxNoText(); }
  void SetName(String name);
  // For fvtClass and fvtEnum the class or enumeration name.
  const String& TypeName() const { return details_ ? details_->TypeName : sxNoText(); }
  void SetTypeName(String typeName);
  const TsxGetVariableValueEvent& OnGetVarValue() const;
  void SetOnGetVarValue(const TsxGetVariableValueEvent& hook);
  // True when OnGetVarValue is assigned: what the interpreter's paths that read a variable in
  // place test.
  bool Hooked() const { return hooked_; }

  int Count() const { return details_ ? static_cast<int>(details_->Params.size()) : 0; }
  TsxParamItem* Params(int index) const { return details_->Params[static_cast<size_t>(index)].get(); }
  TsxParamItem* AddParam(std::unique_ptr<TsxParamItem> param);
  int GetNumberOfRequiredParams() const;
  // "Integer", "Boolean", "Extended", "Char", "String", "Array", the class or enumeration name,
  // else "Variant".
  String GetFullTypeName() const;
  Variant* PValue() { return &Value; }
  // Takes the parameters out of this item's ownership (a procedure hands them to its scope).
  std::vector<std::unique_ptr<TsxParamItem>>& OwnedParams() { return Details().Params; }

  const TsxItemKind Kind;
  bool IsMacro = false;
  bool IsReadOnly = false;
  bool NeedResult = true;
  TsxVarType Typ;
  // The owner recorded when the item was added to a script; kModuleOwner for binding modules.
  const void* AddedBy = nullptr;
  TsxCustomVariable* RefItem = nullptr;
  Variant Value = Null();

 private:
  TsxItemDetails& Details();
  bool hooked_ = false;
  std::unique_ptr<TsxItemDetails> details_;
};

// The AddedBy of items registered by binding modules: they survive TsxScript::Clear.
inline const void* const kModuleOwner = reinterpret_cast<const void*>(std::uintptr_t{1});

// A variable or constant. Stores values converted to its type.
class TsxVariable : public TsxCustomVariable {
 public:
  TsxVariable(String name, TsxVarType typ, String typeName = {},
              TsxItemKind kind = TsxItemKind::Variable)
      : TsxCustomVariable(std::move(name), typ, std::move(typeName), kind) {}
  Variant GetValue() override;
  void SetValue(const Variant& value) override;
  // True when reads and writes may bypass GetValue and SetValue's hooks.
  bool IsPlain() const { return !Hooked(); }
};

// A declared String or Char variable: holds its value as text.
class TsxStringVariable : public TsxVariable {
 public:
  explicit TsxStringVariable(String name, TsxVarType typ = fvtString)
      : TsxVariable(std::move(name), typ, {}, TsxItemKind::StringVariable) {}
  void SetValue(const Variant& value) override;
};

// A type name known to scripts.
class TsxTypeVariable : public TsxCustomVariable {
 public:
  TsxTypeVariable(String name, TsxVarType typ)
      : TsxCustomVariable(std::move(name), typ, {}, TsxItemKind::TypeName) {}
};

// A parameter of a script routine or a native member.
class TsxParamItem : public TsxCustomVariable {
 public:
  TsxParamItem(String name, TsxVarType typ, String typeName = {})
      : TsxCustomVariable(std::move(name), typ, std::move(typeName), TsxItemKind::Param) {}
  bool IsOptional = false;
  bool IsVarParam = false;
  Variant DefValue = Null();
};

// GetFullTypeName of an item of type typ and type name typeName.
String sxFullTypeName(TsxVarType typ, const String& typeName);

// The value converted as a variable of the type stores it.
Variant sxConvertForType(const Variant& value, TsxVarType typ);

}  // namespace orv
