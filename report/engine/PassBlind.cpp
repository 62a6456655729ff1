#include "report/engine/PassBlind.h"

#include <array>
#include <cctype>
#include <string_view>

#include "platform/rtl/StringList.h"
#include "platform/rtl/TextUtils.h"
#include "report/engine/ObjectKinds.h"
#include "report/model/Bands.h"
#include "report/model/LegacyText.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/ReportUtils.h"
#include "report/model/Variables.h"

namespace orv {

namespace {

bool IdentifierChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '#' || c >= 0x80; }

// Names whose value differs between the passes or whose use may change what a later pass sees.
bool PassAwareName(std::string_view name) {
  static constexpr std::array<std::string_view, 6> kNames{"TotalPages", "TotalPages#", "FinalPass",
                                                          "Engine",     "Report",      "Set"};
  for (std::string_view k : kNames)
    if (name.size() == k.size() && SameText(String(name), String(k))) return true;
  return false;
}

// Whether the expression names something pass-aware or reaches into an object ("a.b"); a data
// field ("M."name"") and quoted text are plain values.
bool PassAwareExpression(std::string_view expr) {
  size_t i = 0;
  while (i < expr.size()) {
    const unsigned char c = static_cast<unsigned char>(expr[i]);
    if (c == '\'' || c == '"') {
      const size_t end = expr.find(static_cast<char>(c), i + 1);
      if (end == std::string_view::npos) return false;
      i = end + 1;
      continue;
    }
    if (!IdentifierChar(c) || std::isdigit(c)) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < expr.size() && IdentifierChar(static_cast<unsigned char>(expr[i]))) ++i;
    if (PassAwareName(expr.substr(start, i - start))) return true;
    size_t next = i;
    while (next < expr.size() && expr[next] == ' ') ++next;
    if (next < expr.size() && expr[next] == '.') {
      ++next;
      while (next < expr.size() && expr[next] == ' ') ++next;
      if (next >= expr.size() || expr[next] != '"') return true;
    }
  }
  return false;
}

// Each bracketed expression of text, as the memo and the views find them.
bool PassAwareBrackets(const String& text, const String& open, const String& close, bool memo) {
  if (open.empty() || close.empty()) return false;
  for (size_t i = text.find(open); i != String::npos; i = text.find(open, i)) {
    Integer start = static_cast<Integer>(i) + 1, end = start;
    String expr;
    kvxGetBracketedText(text, open, close, expr, end, start);
    if (end <= start) break;
    i = static_cast<size_t>(end);
    // A memo draws its page total when the page is drawn, whichever pass made the page.
    String plain = expr;
    if (size_t hash = kvxFormatSuffix(plain); memo && hash != String::npos) plain.resize(hash);
    if (memo && SameText(plain, "TotalPages#")) continue;
    if (PassAwareExpression(expr)) return true;
  }
  return false;
}

bool HasDataSetEvents(const TkvxDataSet* ds) {
  if (!ds) return false;
  if (ds->OnCheckEOF || ds->OnFirst || ds->OnNext || ds->OnPrior || ds->OnOpen || ds->OnClose) return true;
  const auto* user = kvxAs<TkvxUserDataSet>(const_cast<TkvxDataSet*>(ds));
  return user && (user->OnGetValue || user->OnNewGetValue);
}

bool PassAwareObject(TkvxComponent* obj) {
  if (auto* memo = kvxAs<TkvxCustomMemoView>(obj)) {
    if (memo->AllowExpressions) {
      const String& delimiters = memo->ExpressionDelimiters;
      const size_t comma = delimiters.find(',');
      const String open = comma == String::npos ? delimiters : delimiters.substr(0, comma);
      const String close = comma == String::npos ? String() : delimiters.substr(comma + 1);
      if (PassAwareBrackets(kvxWideToUtf8(memo->Text()), open, close, true)) return true;
    }
    if (PassAwareExpression(memo->Highlight()->Condition)) return true;
  }
  if (auto* view = kvxAs<TkvxView>(obj))
    if (PassAwareBrackets(view->URL(), "[", "]", false) || PassAwareBrackets(view->Hint(), "[", "]", false))
      return true;
  if (auto* band = kvxAs<TkvxBand>(obj)) {
    if (PassAwareExpression(band->OutlineText())) return true;
    if (auto* group = kvxAs<TkvxGroupHeader>(band); group && PassAwareExpression(group->Condition)) return true;
    if (auto* data = kvxAs<TkvxDataBand>(band); data && HasDataSetEvents(data->DataSet())) return true;
  }
  if (auto* page = kvxAs<TkvxReportPage>(obj))
    if (PassAwareExpression(page->OutlineText()) || HasDataSetEvents(page->DataSet())) return true;
  return false;
}

// An empty script, or the empty program a new report starts with, declares nothing to call.
bool EmptyScript(const String& text) {
  String bare;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) bare += c;
  return bare.empty() || SameText(bare, "beginend.");
}

}  // namespace

bool kvxPassBlind(TkvxReport* report) {
  if (!EmptyScript(report->ScriptText()->Text())) return false;
  if (report->OnBeforePrint || report->OnAfterPrint || report->OnManualBuild || report->OnGetValue ||
      report->OnUserFunction)
    return false;
  if (HasDataSetEvents(report->DataSet())) return false;
  for (Integer i = 0; i < report->DataSets->Count(); ++i)
    if (HasDataSetEvents(report->DataSets->Items(i)->DataSet())) return false;
  for (Integer i = 0; i < report->Variables->Count(); ++i)
    if (PassAwareExpression(VarToStr(report->Variables->Items(i)->Value()))) return false;
  for (TkvxComponent* obj : report->AllObjects())
    if (PassAwareObject(obj)) return false;
  return true;
}

}  // namespace orv
