#include "script/ScriptItems.h"

#include "platform/rtl/TextUtils.h"

namespace orv {

TsxItemDetails::TsxItemDetails() = default;
TsxItemDetails::~TsxItemDetails() = default;

TsxCustomVariable::TsxCustomVariable(String name, TsxVarType typ, String typeName, TsxItemKind kind)
    : Kind(kind), Typ(typ) {
  SetName(std::move(name));
  SetTypeName(std::move(typeName));
}

TsxCustomVariable::~TsxCustomVariable() = default;

const String& sxNoText() {
  static const String none;
  return none;
}

TsxItemDetails& TsxCustomVariable::Details() {
  if (!details_) details_ = std::make_unique<TsxItemDetails>();
  return *details_;
}

void TsxCustomVariable::SetName(String name) {
  if (name.empty() && !details_) return;
  TsxItemDetails& d = Details();
  d.Name = std::move(name);
  d.UppercaseName = d.Name.empty() ? String() : AnsiUpperCase(d.Name);
}

void TsxCustomVariable::SetTypeName(String typeName) {
  if (typeName.empty() && !details_) return;
  Details().TypeName = std::move(typeName);
}

const TsxGetVariableValueEvent& TsxCustomVariable::OnGetVarValue() const {
  static const TsxGetVariableValueEvent none;
  return details_ ? details_->OnGetVarValue : none;
}

void TsxCustomVariable::SetOnGetVarValue(const TsxGetVariableValueEvent& hook) {
  hooked_ = static_cast<bool>(hook);
  if (!hooked_ && !details_) return;
  Details().OnGetVarValue = hook;
}

Variant TsxCustomVariable::GetValue() { return Value; }

void TsxCustomVariable::SetValue(const Variant& value) {
  if (!IsReadOnly) Value = value;
}

TsxParamItem* TsxCustomVariable::AddParam(std::unique_ptr<TsxParamItem> param) {
  std::vector<std::unique_ptr<TsxParamItem>>& params = Details().Params;
  params.push_back(std::move(param));
  return params.back().get();
}

int TsxCustomVariable::GetNumberOfRequiredParams() const {
  int n = 0;
  if (!details_) return 0;
  for (const auto& p : details_->Params)
    if (!p->IsOptional) ++n;
  return n;
}

String TsxCustomVariable::GetFullTypeName() const { return sxFullTypeName(Typ, TypeName()); }

String sxFullTypeName(TsxVarType typ, const String& typeName) {
  switch (typ) {
    case fvtInt: return "Integer";
    case fvtBool: return "Boolean";
    case fvtFloat: return "Extended";
    case fvtChar: return "Char";
    case fvtString: return "String";
    case fvtArray: return "Array";
    case fvtClass:
    case fvtEnum: return typeName;
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
  if (Hooked()) {
    Variant v = OnGetVarValue()(Name(), Typ, Value);
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
