#include "report/engine/tests/EngineTestSupport.h"

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

TEngineReport::TEngineReport(Extended paperHeight) {
  static bool registered = false;
  if (!registered) {
    registered = true;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    kvxRegisterModelClasses();
    RegisterClasses({TEngineMemo::StaticClass()});
    kvxRegisterEngine();
  }
  Report = std::make_unique<TkvxReport>(nullptr);
  Report->EngineOptions()->NewSilentMode = simSilent;
  Page = new TkvxReportPage(Report.get());
  Page->SetName("Page1");
  Page->SetPaperWidth(200);
  Page->SetPaperHeight(paperHeight);
  Page->SetLeftMargin(0);
  Page->SetRightMargin(0);
  Page->SetTopMargin(0);
  Page->SetBottomMargin(0);
}

TEngineReport::~TEngineReport() {
  Report.reset();
  Sets.clear();
}

TEngineMemo* TEngineReport::Memo(TkvxBand* band, const String& name, const String& text, Extended height) {
  auto* memo = new TEngineMemo(band);
  memo->SetName(name);
  memo->SetBounds(0, 0, 300, height);
  memo->SetText(text);
  return memo;
}

TRowsDataSet* TEngineReport::Data(const String& alias, std::vector<std::map<String, Variant>> rows) {
  auto set = std::make_unique<TRowsDataSet>(nullptr);
  set->SetName(alias);
  set->Rows = std::move(rows);
  Report->DataSets->Add()->SetDataSet(set.get());
  Sets.push_back(std::move(set));
  return Sets.back().get();
}

std::vector<std::string> PageTexts(TkvxReportPage* page) {
  std::vector<std::string> texts;
  for (TkvxComponent* band : page->Objects())
    for (TkvxComponent* obj : band->Objects())
      if (auto* memo = dynamic_cast<TEngineMemo*>(obj)) texts.push_back(memo->Text());
  return texts;
}

std::vector<std::vector<std::string>> TEngineReport::Run(bool expectSuccess) {
  EXPECT_EQ(Report->PrepareReport(), expectSuccess) << Report->Errors->Text();
  // A prepared report without pages is no file to load.
  if (Pages().GetCount() == 0) return {};
  TMemoryStream first;
  Pages().SaveToStream(first);
  TkvxReport other(nullptr);
  auto* loaded = static_cast<TkvxPreviewPages*>(other.PreviewPages);
  first.SetPosition(0);
  loaded->LoadFromStream(first);
  TMemoryStream second;
  loaded->SaveToStream(second);
  std::string a(reinterpret_cast<const char*>(first.Memory()), static_cast<size_t>(first.Size()));
  std::string b(reinterpret_cast<const char*>(second.Memory()), static_cast<size_t>(second.Size()));
  EXPECT_EQ(a, b) << "a saved, loaded and saved report differs";
  std::vector<std::vector<std::string>> pages;
  for (Integer i = 0; i < loaded->GetCount(); ++i) pages.push_back(PageTexts(loaded->GetPage(i)));
  return pages;
}

}  // namespace test
}  // namespace orv
