#include "report/engine/tests/EngineTestSupport.h"

#include "platform/rtl/Streams.h"
#include "report/model/LegacyText.h"

namespace orv::test {

TEngineReport::TEngineReport(Extended paperHeight) {
  RegisterEngineObjects();
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

TkvxMemoView* TEngineReport::MemoView(TkvxBand* band, const String& name, const String& text, Extended height) {
  auto* memo = new TkvxMemoView(band);
  memo->SetName(name);
  memo->SetBounds(0, 0, 300, height);
  memo->SetText(kvxUtf8ToWide(text));
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

std::optional<std::string> MemoText(TkvxComponent* obj) {
  auto* view = dynamic_cast<TkvxCustomMemoView*>(obj);
  if (!view) return std::nullopt;
  String t = kvxWideToUtf8(view->Text());
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  return t;
}

std::vector<std::string> PageTexts(TkvxReportPage* page) {
  std::vector<std::string> texts;
  for (TkvxComponent* band : page->Objects())
    for (TkvxComponent* obj : band->Objects())
      if (auto text = MemoText(obj)) texts.push_back(*text);
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

}  // namespace orv::test
