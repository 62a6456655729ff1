#include "report/engine/tests/EngineObjects.h"

#include <cmath>
#include <sstream>

#include "platform/gui/Application.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/LegacyText.h"

namespace orv {

using test::TEngineMemo;
using test::TRowsDataSet;

ORV_IMPLEMENT_CLASS(TEngineMemo, c) {
  c.Prop("Left", &TEngineMemo::Left, &TEngineMemo::SetLeft);
  c.Prop("Top", &TEngineMemo::Top, &TEngineMemo::SetTop);
  c.Prop("Width", &TEngineMemo::Width, &TEngineMemo::SetWidth);
  c.Prop("Height", &TEngineMemo::Height, &TEngineMemo::SetHeight);
  c.Prop("Visible", &TEngineMemo::Visible, &TEngineMemo::SetVisible).Default(true);
  c.Prop("Memo", &TEngineMemo::Memo, &TEngineMemo::SetMemo);
}
ORV_IMPLEMENT_CLASS(TRowsDataSet, c) {}

namespace test {

TEngineMemo::TEngineMemo(TComponent* owner) : TkvxStretcheable(owner), memo_(std::make_unique<TWideStrings>()) {
  Traits |= otFullDiff;
}

String TEngineMemo::Text() const {
  String t = kvxWideToUtf8(memo_->Text());
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  for (size_t cr; (cr = t.find('\r')) != String::npos;) t.erase(cr, 1);
  return t;
}

void TEngineMemo::SetText(const String& text) { memo_->SetText(kvxUtf8ToWide(text)); }

void TEngineMemo::BeforePrint() {
  TkvxStretcheable::BeforePrint();
  saved_ = Text();
}

void TEngineMemo::AfterPrint() {
  SetText(saved_);
  TkvxStretcheable::AfterPrint();
}

namespace {

String Value(TkvxReport* report, const String& expr) {
  auto* engine = static_cast<TkvxEngine*>(report->Engine);
  String e = Trim(expr);
  if (e == "Line") return IntToStr(engine->CurLine);
  if (e == "Page#") return IntToStr(report->PreviewPages->CurPage + 1);
  if (e == "TotalPages#") return IntToStr(engine->TotalPages);
  if (size_t open = e.find('('); open != String::npos) {
    size_t end = 0;
    std::vector<String> args = kvxSplitCallArguments(e, end);
    String name = e.substr(0, open);
    bool count = kvxAggregateFunction(name) == TkvxAggregateItem::fnCount;
    auto arg = [&](size_t i) { return i < args.size() ? args[i] : String(); };
    String bandName = count ? arg(0) : arg(1), flags = count ? arg(1) : arg(2);
    auto* band = bandName.empty() ? nullptr : dynamic_cast<TkvxBand*>(report->FindObject(bandName));
    Variant v = engine->GetAggregateValue(name, count ? String() : arg(0), band, flags.empty() ? 0 : StrToInt(flags));
    return VarToStr(v);
  }
  size_t dot = e.find('.');
  TkvxDataSet* ds = report->GetDataset(e.substr(0, dot));
  return ds ? VarToStr(ds->GetValue(e.substr(dot + 1))) : "?" + e;
}

}  // namespace

void TEngineMemo::GetData() {
  String text = saved_, out;
  for (size_t i = 0; i < text.size();) {
    size_t open = text.find('[', i);
    if (open == String::npos) {
      out += text.substr(i);
      break;
    }
    size_t close = text.find(']', open);
    out += text.substr(i, open - i) + Value(GetReport(), text.substr(open + 1, close - open - 1));
    i = close + 1;
  }
  SetText(out);
}

Extended TEngineMemo::CalcHeight() { return std::max<Integer>(1, memo_->Count()) * LineHeight; }

void TEngineMemo::InitPart() {
  lines_.clear();
  for (Integer i = 0; i < memo_->Count(); ++i) lines_.push_back(kvxWideToUtf8(memo_->Strings(i)));
  partStart_ = 0;
}

Extended TEngineMemo::DrawPart() {
  size_t fit = static_cast<size_t>(std::floor(Height() / LineHeight + 1e-9));
  fit = std::min(fit, lines_.size() - partStart_);
  String part;
  for (size_t i = 0; i < fit; ++i) part += (i ? "\n" : "") + lines_[partStart_ + i];
  partStart_ += fit;
  SetText(part);
  return Height() - static_cast<Extended>(fit) * LineHeight;
}

void TRowsDataSet::First() {
  visible_.clear();
  for (size_t i = 0; i < Rows.size(); ++i)
    if (!Master || Rows[i][MasterField] == Master->GetValue(KeyField)) visible_.push_back(i);
  pos_ = 0;
}

Variant TRowsDataSet::GetValue(const String& field) {
  if (pos_ >= visible_.size()) return Variant::MakeNull();
  auto& row = Rows[visible_[pos_]];
  auto it = row.find(field);
  return it == row.end() ? Variant::MakeNull() : it->second;
}

void RegisterEngineObjects() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize();
  kvxRegisterModelClasses();
  RegisterClasses({TEngineMemo::StaticClass()});
  kvxRegisterEngine();
}

}  // namespace test
}  // namespace orv
