// The report's script: the names a report's script and expressions see, the callbacks behind
// Get, Set and the macro functions, and the calls of script procedures for events.
#include <algorithm>
#include <array>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Bands.h"
#include "report/model/PictureView.h"
#include "report/model/PropertyIndex.h"
#include "report/model/Report.h"
#include "report/model/Resources.h"
#include "platform/rtl/TypInfo.h"
#include "script/ClassModel.h"

namespace orv {

namespace {

// A macro argument as an integer: an object reference travels as its handle.
Integer ArgToInt(const Variant& v) {
  if (v.IsNull() || v.IsEmpty()) return 0;
  if (VarIsStr(v)) return StrToIntDef(VarToStr(v), 0);
  return v.ToInteger();
}

// The name of the script procedure that obj's published event property names ('' when none).
// Asked twice for every object of every printed row: through the class's hash of names, not a
// scan of its property list.
String ScriptEventOf(TkvxComponent* obj, std::string_view event) {
  if (!obj) return String();
  // A band's few classes come round on every row: the last ones asked about are remembered
  // with their event properties.
  struct TKnown {
    TClass Class = nullptr;
    std::string_view Event;
    const TPropInfo* Prop = nullptr;
  };
  thread_local std::array<TKnown, 16> known{};
  thread_local size_t next = 0;
  const TClass cls = obj->ClassType();
  const TPropInfo* prop = nullptr;
  // The event names are the callers' literals, told apart by where they lie.
  auto it = std::find_if(known.begin(), known.end(), [&](const TKnown& k) {
    return k.Class == cls && k.Event.data() == event.data() && k.Event.size() == event.size();
  });
  if (it != known.end()) {
    prop = it->Prop;
  } else {
    prop = kvxFindProp(cls, event);
    known[next] = {cls, event, prop};
    next = (next + 1) % known.size();
  }
  return prop ? prop->GetStr(obj) : String();
}

}  // namespace

bool TkvxReport::IsScriptName(const String& name) {
  for (const char* own : {"Report", "Engine", "Outline", "Value", "Self"})
    if (SameText(name, own)) return true;
  return false;
}

bool TkvxReport::PrepareScript() {
  ExpressionCache->Clear();
  ExpressionCache->Lang = ScriptLanguage();
  ForgetValueSources();
  if (Engine) Engine->NotifyList.clear();
  Script->ClearItems(this);
  valueItem_ = nullptr;
  selfItem_ = nullptr;
  Script->AddedBy = this;
  Script->MainProgram = true;
  bool result = false;
  try {
    for (TkvxComponent* obj : AllObjects()) {
      obj->IsDesigning = false;
      if (auto* picture = dynamic_cast<TkvxPictureView*>(obj)) picture->PictureChanged = true;
      Script->AddObject(obj->Name(), obj);
    }
    Script->AddObject("Report", this);
    // The engine and the outline are made by the engine library, whose classes the script does
    // not know: they go in under the classes the report's bindings register.
    Script->AddVariable("Engine", "TkvxCustomEngine", sxObjectToValue(Engine));
    Script->AddVariable("Outline", "TkvxCustomOutline",
                        sxObjectToValue(PreviewPages ? PreviewPages->Outline.get() : nullptr));
    Script->AddVariable("Value", "Variant", Null());
    Script->AddVariable("Self", "TkvxView", Null());

    Script->AddMethod("function Get(Name: String): Variant",
                      [this](TObject*, TClass, const String&, TsxMethodHelper& c) {
                        return ScriptGet(VarToStr(c.GetParamValue(0)));
                      });
    Script->AddMethod("procedure Set(Name: String; Value: Variant)",
                      [this](TObject*, TClass, const String&, TsxMethodHelper& c) {
                        Variables->SetVariable(VarToStr(c.GetParamValue(0)), c.GetParamValue(1));
                        return Variant();
                      });
    auto macro = [this](TObject*, TClass, const String& name, TsxMethodHelper& c) {
      return ScriptMacro(name, c);
    };
    for (const char* syntax :
         {"macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
          "macrofunction SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          "macrofunction AVG(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          "macrofunction MIN(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          "macrofunction MAX(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
          "macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"})
      Script->AddMethod(syntax, macro);

    valueItem_ = Script->Find("Value");
    selfItem_ = Script->Find("Self");
    Script->SetLines(*ScriptText());
    Script->SetSyntaxType(ScriptLanguage());
    result = Script->Compile();
    if (!result)
      Errors->Add(Format(kvxGetResources()->Get("clScrError"), {Script->ErrorPos, Script->ErrorMsg}));
  } catch (...) {
    Script->AddedBy = nullptr;
    throw;
  }
  Script->AddedBy = nullptr;
  return result;
}

void TkvxReport::SetScriptValue(const Variant& value) {
  if (valueItem_) valueItem_->SetValue(value);
}

void TkvxReport::SetScriptSelf(TObject* obj) {
  if (selfItem_) selfItem_->Value = sxObjectToValue(obj);
}

Variant TkvxReport::ScriptGet(const String& name) {
  Variant value;
  if (DoGetValue(name, value)) return value;
  if (size_t paren = name.find('('); paren != String::npos) {
    const String fn = UpperCase(Trim(name.substr(0, paren)));
    if (fn == "SUM" || fn == "MIN" || fn == "MAX" || fn == "AVG" || fn == "COUNT") return Calc(name);
    if (OnUserFunction) {
      size_t close = name.rfind(')');
      String params = name.substr(paren + 1, close != String::npos && close > paren ? close - paren - 1 : String::npos);
      Variant value;
      OnUserFunction(fn, params, value);
      if (!value.IsEmpty()) return value;
    }
  }
  Errors->Add(kvxGetResources()->Get("clUnknownVar") + " " + name);
  return Null();
}

Variant TkvxReport::ScriptMacro(const String& name, TsxMethodHelper& caller) {
  // The arguments are read where the call stands, so a procedure's locals are in reach.
  TsxScript* scope = caller.Program;
  auto arg = [&](int i) { return i < caller.Count() ? Trim(VarToStr(caller.GetParamValue(i))) : String(); };
  if (name == "IIF") {
    Variant cond = Calc(arg(0), scope);
    return Calc(!cond.IsNull() && !cond.IsEmpty() && cond == Variant(true) ? arg(1) : arg(2), scope);
  }
  const bool count = name == "COUNT";
  if (!count && name != "SUM" && name != "AVG" && name != "MIN" && name != "MAX") return Null();
  const String bandText = arg(count ? 0 : 1);
  const Variant bandValue = bandText.empty() ? Variant(0) : Calc(bandText, scope);
  TkvxBand* band = nullptr;
  if (VarIsStr(bandValue))
    band = dynamic_cast<TkvxBand*>(FindObject(VarToStr(bandValue)));
  else if (ArgToInt(bandValue) != 0)
    band = dynamic_cast<TkvxBand*>(sxValueToObject(Variant(ArgToInt(bandValue))));
  const String flagsText = arg(count ? 1 : 2);
  const Integer flags = flagsText.empty() ? 0 : ArgToInt(Calc(flagsText, scope));
  if (!Engine) return Null();
  return Engine->GetAggregateValue(name, count ? String() : VarToStr(caller.GetParamValue(0)), band, flags);
}

void TkvxReport::DoNotifyEvent(TObject* obj, const String& eventName, bool runAlways) {
  if (eventName.empty() || !(runAlways || (Engine && Engine->Running))) return;
  Script->CallFunction(eventName, VarArrayOf({sxObjectToValue(obj)}));
}

void TkvxReport::DoParamEvent(const String& eventName, Variant& params, bool runAlways) {
  if (eventName.empty() || !(runAlways || (Engine && Engine->Running))) return;
  Script->CallFunctionVar(eventName, params);
}

void TkvxReport::DoBeforePrint(TkvxComponent* obj) {
  if (OnBeforePrint) OnBeforePrint(obj);
  DoNotifyEvent(obj, ScriptEventOf(obj, "OnBeforePrint"));
}

void TkvxReport::DoAfterPrint(TkvxComponent* obj) {
  if (OnAfterPrint) OnAfterPrint(obj);
  DoNotifyEvent(obj, ScriptEventOf(obj, "OnAfterPrint"));
}

void TkvxReport::DoPreviewClick(TkvxComponent* view, TMouseButton button, TShiftState shift, bool& modified,
                                bool dblClick) {
  const String event = ScriptEventOf(view, dblClick ? "OnPreviewDblClick" : "OnPreviewClick");
  if (!event.empty()) {
    Variant params = VarArrayOf({sxObjectToValue(view), Variant(static_cast<Integer>(button)),
                                 Variant(static_cast<Integer>(shift.Mask())), Variant(modified)});
    DoParamEvent(event, params, true);
    modified = VarArrayGet(params, {3}).ToBoolean();
  }
  if (dblClick ? bool(OnDblClickObject) : bool(OnClickObject))
    (dblClick ? OnDblClickObject : OnClickObject)(view, button, shift, modified);
}

}  // namespace orv
