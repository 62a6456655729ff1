// How a report answers the engine's questions for values: plain names through a fixed chain,
// anything else through an expression compiled once into the report's script.
#include <algorithm>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/DataSets.h"
#include "report/model/Report.h"
#include "report/model/Resources.h"

namespace orv {

void TkvxReport::GetDataSetAndField(const String& complexName, TkvxDataSet*& dataSet, String& field) const {
  dataSet = nullptr;
  field.clear();
  size_t dot = complexName.find(".\"");
  if (dot == String::npos) return;
  dataSet = GetDataset(complexName.substr(0, dot));
  String rest = complexName.substr(dot + 2);
  field = rest.empty() ? String() : rest.substr(0, rest.size() - 1);
}

Variant TkvxReport::SysVariable(Integer index) const {
  auto asInt = [](Integer v) { return Variant(static_cast<Integer>(v)); };
  switch (index) {
    case 0: return Variant::FromDate(Engine ? Engine->StartDate : 0);
    case 1: return Variant::FromDate(Engine ? Engine->StartTime : 0);
    case 2: return asInt(PreviewPages ? PreviewPages->GetLogicalPageNo() : 0);
    case 3: return asInt(PreviewPages ? PreviewPages->CurPage + 1 : 0);
    case 4: return asInt(PreviewPages ? PreviewPages->GetLogicalTotalPages() : 0);
    case 5: return asInt(Engine ? Engine->TotalPages : 0);
    case 6: return asInt(Engine ? Engine->CurLine : 0);
    case 7: return asInt(Engine ? Engine->CurLineThrough : 0);
    case 8: return kvxGlobalVariables()->GetVariable("CopyName0");
    default: return Null();
  }
}

TkvxReport::TValueSource TkvxReport::FindValueSource(const String& name) const {
  TValueSource source;
  GetDataSetAndField(name, source.DataSet, source.Field);
  if (source.DataSet && !source.Field.empty()) return source;
  source.DataSet = nullptr;
  // Compared character by character: a locale-aware comparison would let "Page#" match "Page".
  for (Integer i = 0; i < SysVariables->Count(); ++i)
    if (SameText(SysVariables->Strings(i), name)) {
      source.SysVariable = i;
      return source;
    }
  if (Script)
    if (TsxCustomVariable* item = Script->Find(name);
        item && (item->Kind == TsxItemKind::Variable || item->Kind == TsxItemKind::StringVariable))
      source.ScriptItem = item;
  return source;
}

const TkvxReport::TValueSource& TkvxReport::ValueSourceOf(const String& name, TValueSource& scratch) {
  // Outside a run the data sets, the system variables and the script may change between calls.
  if (!Engine || !Engine->Running) return scratch = FindValueSource(name);
  if (const std::uint64_t changes = kvxGlobalDataSetList().Changes; changes != valueSourcesDataSets_) {
    ForgetValueSources();
    valueSourcesDataSets_ = changes;
  }
  if (const TValueSource* known = valueSourceMemo_.Find(name)) return *known;
  auto it = valueSources_.find(name);
  if (it == valueSources_.end()) it = valueSources_.emplace(name, FindValueSource(name)).first;
  valueSourceMemo_.Remember(name, it->first, it->second);
  return it->second;
}

void TkvxReport::ForgetValueSources() {
  valueSourceMemo_.Clear();
  valueSources_.clear();
}

bool TkvxReport::DoGetValue(const String& name, Variant& value) {
  value = Null();
  TValueSource scratch;
  const TValueSource& source = ValueSourceOf(name, scratch);
  if (TkvxDataSet* ds = source.DataSet) {
    const String& field = source.Field;
    value = ds->GetValue(field);
    if (EngineOptions()->ConvertNulls && value.IsNull()) {
      switch (ds->GetFieldType(field)) {
        case fftNumeric: value = Variant(0); break;
        case fftString: value = Variant(String()); break;
        case fftBoolean: value = Variant(false); break;
      }
    }
    return true;
  }

  if (source.SysVariable >= 0) {
    value = SysVariable(source.SysVariable);
    return true;
  }

  if (OnGetValue) {
    Variant v;
    OnGetValue(name, v);
    if (!v.IsEmpty()) {
      value = v;
      return true;
    }
  }

  if (Integer i = Variables->IndexOf(name); i >= 0) {
    const Variant& v = Variables->Items(i)->Value();
    if (!VarIsStr(v) || VarToStr(v).find("\r\n") != String::npos) {
      value = v;
      return true;
    }
    const String key = UpperCase(name);
    if (std::find(evaluating_.begin(), evaluating_.end(), key) != evaluating_.end()) {
      Errors->Add(kvxGetResources()->Get("clVarCycle") + " " + name);
      return true;
    }
    evaluating_.push_back(key);
    try {
      value = Calc(VarToStr(v));
    } catch (...) {
      evaluating_.pop_back();
      throw;
    }
    evaluating_.pop_back();
    return true;
  }

  if (Integer i = kvxGlobalVariables()->IndexOf(name); i >= 0) {
    value = kvxGlobalVariables()->Items(i)->Value();
    return true;
  }

  if (source.ScriptItem) {
    value = source.ScriptItem->GetValue();
    return true;
  }
  return false;
}

Variant TkvxReport::Calc(const String& expr, TsxScript* aScript, bool calledFromScript) {
  Variant value;
  if (DoGetValue(expr, value)) return value;
  String error;
  value = ExpressionCache->Calc(expr, error, aScript ? aScript : Script.get());
  if (error.empty()) return value;
  if (calledFromScript) throw Exception("Error in Calc expression: " + error);
  if (!CurrentObjectName.empty()) error = CurrentObjectName + ": " + error;
  Errors->Add(error);
  throw Exception(error);
}

}  // namespace orv
