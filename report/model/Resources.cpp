#include "report/model/Resources.h"

#include <filesystem>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/ImageList.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/ButtonResources.h"
#include "report/model/ReportUtils.h"
#include "report/model/XmlDocument.h"
#include "report/model/XmlEscape.h"

namespace orv {

extern const char* const kvxEnglishStrings;

namespace {

String KeyOf(std::string_view name) {
  String key(name);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return key;
}

}  // namespace

TkvxResources::TkvxResources() {
  languages_.SetSorted(true);
  LoadLanguageList();
  for (auto& list : images16_) list = std::make_unique<TImageList>(nullptr);
  images32_ = std::make_unique<TImageList>(nullptr);
  images32_->SetWidth(32);
  images32_->SetHeight(32);
  kvxRegisterButtonResources();
}

TkvxResources::~TkvxResources() = default;

void TkvxResources::Add(const String& name, const WideString& value) {
  auto [it, isNew] = keys_.try_emplace(KeyOf(name), texts_.size());
  if (isNew) texts_.push_back(value);
  else texts_[it->second] = value;
}

void TkvxResources::LoadFromStream(TStream& stream) {
  TkvxXMLDocument doc;
  doc.LoadFromStream(&stream, false);
  TkvxXMLItem* root = doc.Root();
  if (root->Name != "Resources") return;
  codePage_ = StrToInt(root->Prop("CodePage"));
  for (Integer i = 0; i < root->Count(); ++i) {
    TkvxXMLItem* item = root->Items(i);
    if (item->Name != "StrRes") continue;
    // The texts are escaped twice: once for the XML layer, once for the table.
    Add(item->Prop("Name"), Utf8ToWide(kvxXMLToStr(item->Prop("Text"))));
  }
}

void TkvxResources::AddXML(const String& text) {
  TStringStream stream(text);
  LoadFromStream(stream);
}

String TkvxResources::Get(std::string_view name) const {
  auto it = keys_.find(KeyOf(name));
  String text = it == keys_.end() ? String(name) : WideToUtf8(texts_[it->second]);
  if (!text.empty() && text[0] == '!') text.erase(0, 1);
  return text;
}

void TkvxResources::LoadLanguageList() { LoadLanguageList(kvxGetAppPath()); }

void TkvxResources::LoadLanguageList(const String& folder) {
  languages_.Clear();
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    String file = entry.path().filename().string();
    if (!SameText(ExtractFileExt(file), ".kvc")) continue;
    String name = LowerCase(file.substr(0, file.size() - 4));
    if (!name.empty()) name[0] = UpperCase(name.substr(0, 1))[0];
    languages_.Add(name);
  }
}

TkvxResources* kvxGetResources() {
  static std::unique_ptr<TkvxResources> resources = [] {
    auto r = std::make_unique<TkvxResources>();
    r->AddXML(kvxEnglishStrings);
    return r;
  }();
  return resources.get();
}

String TkvxResources::HelpTopic(const TObject* sender) const {
  static constexpr std::pair<std::string_view, std::string_view> kTopics[] = {
      {"TkvxDesignerForm", "Designer.htm"},
      {"TkvxOptionsEditor", "Designer_options.htm"},
      {"TkvxReportEditorForm", "Report_options.htm"},
      {"TkvxPageEditorForm", "Page_options.htm"},
      {"TkvxCrossEditorForm", "Cross_tab_reports.htm"},
      {"TkvxChartEditorForm", "Diagrams.htm"},
      {"TkvxSyntaxMemo", "Script.htm"},
      {"TkvxDialogPage", "Dialogue_forms.htm"},
      {"TkvxDialogComponent", "Data_access_components.htm"},
      {"TkvxVarEditorForm", "Variables.htm"},
      {"TkvxHighlightEditorForm", "Conditional_highlighting.htm"},
      {"TkvxSysMemoEditorForm", "Inserting_aggregate_function.htm"},
      {"TkvxFormatEditorForm", "Values_formatting.htm"},
      {"TkvxGroupEditorForm", "Report_with_groups.htm"},
      {"TkvxPictureEditorForm", "Picture_object.htm"},
      {"TkvxMemoEditorForm", "Text_object.htm"},
      {"TkvxSQLEditorForm", "TkvxADOQuery.htm"},
  };
  String file = kvxGetAppPath() + HelpFile;
  if (!sender) return file;
  const String cls = sender->ClassName();
  for (const auto& [name, topic] : kTopics)
    if (SameText(cls, String(name))) return file + "::/" + String(topic);
  return file;
}

void TkvxResources::Help(const TObject* sender) const { kvxShowHelp(HelpTopic(sender)); }

void kvxShowHelp(const String& helpFile) {
  const String file = helpFile.substr(0, helpFile.find("::/"));
  if (FileExists(file)) ShellOpen(file);
}

String kvxGetStr(Integer id) { return kvxGetResources()->Get(IntToStr(id)); }

String kvxGetResourceString(Integer id) { return kvxGetStr(id); }

}  // namespace orv
