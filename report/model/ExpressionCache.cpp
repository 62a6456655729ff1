#include "report/model/ExpressionCache.h"

#include "platform/rtl/Conversions.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Resources.h"

namespace orv {

namespace {

// False for a dialect the cache cannot write a function in.
bool FunctionText(const String& lang, const String& name, const String& expr, String& text) {
  if (SameText(lang, "PascalScript"))
    text = "function " + name + ": Variant; begin Result := " + expr + " end; begin end.";
  else if (SameText(lang, "C++Script"))
    text = "Variant " + name + "() { return " + expr + "; } {}";
  else if (SameText(lang, "BasicScript"))
    text = "function " + name + "\r\nreturn " + expr + "\r\nend function";
  else if (SameText(lang, "JScript"))
    text = "function " + name + "() { return " + expr + "; }";
  else
    return false;
  return true;
}

}  // namespace

TkvxExpressionCache::TkvxExpressionCache(TsxScript* reportScript)
    : reportScript_(reportScript), script_(std::make_unique<TsxScript>(nullptr)) {
  script_->ExtendedCharset = true;
}

TkvxExpressionCache::~TkvxExpressionCache() = default;

void TkvxExpressionCache::Clear() {
  items_.clear();
  script_->Clear();
  script_->Lines().Clear();
}

Variant TkvxExpressionCache::Calc(const String& expr, String& errorMsg, TsxScript* aScript) {
  errorMsg.clear();
  // A macro inside a cached expression asks again from the cache's own script: it keeps the
  // scope it has, for hanging the script under itself would leave its parent chain without end.
  TsxScript* scope = aScript ? aScript : reportScript_;
  bool ownChain = false;
  for (TsxScript* s = scope; s; s = s->Parent()) ownChain |= s == script_.get();
  if (!ownChain) script_->SetParent(scope);
  TsxCustomVariable* item = nullptr;
  if (auto it = items_.find(expr); it != items_.end()) {
    item = it->second;
  } else {
    const String name = "kv3f" + IntToStr(static_cast<Integer>(items_.size()));
    String text;
    if (FunctionText(Lang, name, expr, text)) script_->Lines().SetText(text);
    script_->SetSyntaxType(Lang);
    bool compiled = script_->Compile();
    item = script_->FindLocal(name);
    if (!compiled) {
      if (item) script_->Remove(item);
      errorMsg = kvxGetResources()->Get("clExprError") + " '" + expr + "': " + script_->ErrorMsg;
      return Null();
    }
    if (!item) {
      errorMsg = kvxGetResources()->Get("clExprError") + " '" + expr + "'";
      return Null();
    }
    items_.emplace(expr, item);
  }
  Variant result = Null();
  TsxScript* main = reportScript_;
  const bool wasMain = main->MainProgram;
  main->MainProgram = false;
  try {
    // The engine asks between events too: what the expression keeps counts against the run.
    result = script_->RunValue(*item);
  } catch (const Exception& e) {
    errorMsg = e.Message();
  }
  main->MainProgram = wasMain;
  return result;
}

}  // namespace orv
