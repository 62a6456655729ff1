#include "script/ScriptItems.h"

#include "platform/rtl/TextUtils.h"

namespace orv {

TsxCustomVariable::TsxCustomVariable(String name, TsxVarType typ, String typeName, TsxItemKind kind)
    : Kind(kind), Typ(typ), TypeName(std::move(typeName)) {
  SetName(std::move(name));
}

TsxCustomVariable::~TsxCustomVariable() = default;

void TsxCustomVariable::SetName(String name) {
  name_ = std::move(name);
  // Expressions, designators and helpers are made by the thousand without a name.
  upperName_ = name_.empty() ? String() : AnsiUpperCase(name_);
}

Variant TsxCustomVariable::GetValue() { return Value; }

void TsxCustomVariable::SetValue(const Variant& value) {
  if (!IsReadOnly) Value = value;
}

TsxParamItem* TsxCustomVariable::AddParam(std::unique_ptr<TsxParamItem> param) {
  params_.push_back(std::move(param));
  return params_.back().get();
}

int TsxCustomVariable::GetNumberOfRequiredParams() const {
  int n = 0;
  for (const auto& p : params_)
    if (!p->IsOptional) ++n;
  return n;
}

String TsxCustomVariable::GetFullTypeName() const {
  switch (Typ) {
    case fvtInt: return "Integer";
    case fvtBool: return "Boolean";
    case fvtFloat: return "Extended";
    case fvtChar: return "Char";
    case fvtString: return "String";
    case fvtArray: return "Array";
    case fvtClass:
    case fvtEnum: return TypeName;
    default: return "Variant";
  }
}

Variant sxConvertForType(const Variant& value, TsxVarType typ) {
  switch (typ) {
    case fvtInt:
      if (value.VType() == varInteger) return value;
      return Variant(value.ToInteger());
    case fvtBool:
      if (value.VType() == varBoolean) return value;
      return Variant(value.ToBoolean());
    case fvtFloat:
      if (value.VType() == varDouble) return value;
      return Variant(value.ToDouble());
    case fvtString:
    case fvtChar:
      if (value.VType() == varString) return value;
      return Variant(value.ToString());
    default:
      return value;
  }
}

Variant TsxVariable::GetValue() {
  if (OnGetVarValue) {
    Variant v = OnGetVarValue(Name(), Typ, Value);
    if (!v.IsNull()) return v;
  }
  return Value;
}

void TsxVariable::SetValue(const Variant& value) {
  if (!IsReadOnly) Value = sxConvertForType(value, Typ);
}

void TsxStringVariable::SetValue(const Variant& value) {
  if (value.VType() == varString)
    Value = value;
  else
    Value = Variant(value.ToString());
}

}  // namespace orv
