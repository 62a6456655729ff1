// A report that inherits from a parent report: the parent's pages and objects become the
// report's own, marked inherited, and the report's file holds only what it changes or adds.
#include <algorithm>

#include "platform/gui/Application.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Pages.h"
#include "report/model/Report.h"
#include "report/model/XmlSerializer.h"

namespace orv {

namespace {

// The parent files being read, innermost last: a report that names itself (or one of the reports
// it comes from) as its parent would read without end.
std::vector<String>& Inheriting() {
  static std::vector<String> chain;
  return chain;
}

constexpr size_t kMaxInheritance = 16;

bool IsAbsolute(const String& name) {
  return (name.size() > 1 && name[1] == ':') || name.rfind("\\\\", 0) == 0 || name.rfind("/", 0) == 0;
}

}  // namespace

String TkvxReport::ParentFileName(const String& name) const {
  if (IsAbsolute(name)) return name;
  String besideReport = ExtractFilePath(FileName) + name;
  if (!FileName.empty() && FileExists(besideReport)) return besideReport;
  return ExtractFilePath(Application->ExeName()) + name;
}

void TkvxReport::SetParentReport(const String& value) {
  // The parent's objects replace the report's own, those the running events belong to.
  RefuseWhileInUse("change the parent report");
  parentObject_.reset();
  if (value.empty()) {
    IsAncestorMark = false;
    for (TkvxComponent* obj : AllObjects()) obj->IsAncestorMark = false;
    parentReport_.clear();
    return;
  }
  parentReport_ = value;
  auto parent = std::make_unique<TkvxReport>(nullptr, false);
  parent->EngineOptions()->NewSilentMode = simSilent;
  parent->ReportOptions()->AcceptedPassword = reportOptions_->AcceptedPassword;
  if (OnLoadTemplate) {
    OnLoadTemplate(parent.get(), value);
  } else {
    const String file = ParentFileName(value);
    std::vector<String>& chain = Inheriting();
    if (chain.size() >= kMaxInheritance || std::find(chain.begin(), chain.end(), file) != chain.end()) {
      Errors->Add("Report " + value + " inherits from itself");
      return;
    }
    // A parent that is not there leaves the report as it is: its own objects are all it has.
    if (!FileExists(file)) {
      Errors->Add("Cannot find the parent report " + file);
      return;
    }
    chain.push_back(file);
    try {
      parent->LoadFromFile(file);
    } catch (...) {
      chain.pop_back();
      throw;
    }
    chain.pop_back();
  }
  for (Integer i = 0; i < parent->Errors->Count(); ++i) Errors->Add(parent->Errors->Strings(i));
  InheritFrom(*parent);
  parentObject_ = std::move(parent);
}

void TkvxReport::InheritFrom(TkvxReport& parent) {
  clearingAll_ = true;
  try {
    TkvxComponent::Clear();
  } catch (...) {
    clearingAll_ = false;
    throw;
  }
  clearingAll_ = false;
  scriptLanguage_ = parent.ScriptLanguage();
  scriptText_->Assign(parent.ScriptText());
  Variables->Assign(parent.Variables.get());
  Styles->Assign(parent.Styles.get());
  DataSets->Assign(parent.DataSets.get());
  // Copying a page reads it through a serializer of its own; the one reading this report, if
  // any, goes on afterwards, and holds the library's lock, which the copies must not take again.
  TkvxXMLSerializer* reading = CurrentSerializer;
  const bool lock = engineOptions_->EnabledLock;
  engineOptions_->EnabledLock = false;
  auto restore = [&] {
    CurrentSerializer = reading;
    engineOptions_->EnabledLock = lock;
  };
  try {
    for (TkvxComponent* page : parent.Objects()) {
      auto* copy = static_cast<TkvxComponent*>(page->ClassType()->CreateComponent(this));
      if (copy->Parent() != this) copy->SetParent(this);
      copy->SetName(page->Name());
      copy->AssignAll(page);
    }
    InheritOptions(parent);
  } catch (...) {
    restore();
    throw;
  }
  restore();
  // The parent's pages are custom-sized, so the report's file always states its own paper.
  for (TkvxComponent* page : parent.Objects())
    if (auto* reportPage = dynamic_cast<TkvxReportPage*>(page)) reportPage->SetPaperSize(256);
  IsAncestorMark = true;
  for (TkvxComponent* obj : AllObjects()) obj->IsAncestorMark = true;
}

namespace {

// What a child takes of its parent's own properties: what a load takes from a file. The
// report's own settings (its parent, version, password, preview, settings store, progress,
// storage, most engine and preview options) stay as they are, and the lists are copied apart.
bool TakenFromParent(std::string_view name) {
  for (const char* own : {"ParentReport", "PropData", "Version", "ReportOptions.Password", "Preview", "IniFile",
                          "OldStyleProgress", "ShowProgress", "StoreInDFM"})
    if (name == own) return false;
  if (name.starts_with("EngineOptions.")) return name == "EngineOptions.ConvertNulls" || name == "EngineOptions.DoublePass";
  if (name.starts_with("PreviewOptions."))
    return name == "PreviewOptions.OutlineExpand" || name == "PreviewOptions.OutlineVisible" ||
           name == "PreviewOptions.OutlineWidth" || name == "PreviewOptions.PagesInCache" ||
           name == "PreviewOptions.ThumbnailVisible";
  return true;
}

}  // namespace

void TkvxReport::InheritOptions(TkvxReport& parent) {
  // The report's file states only where it differs from the parent: everything else is the
  // parent's.
  TkvxXMLSerializer writer(nullptr);
  writer.Owner = &parent;
  writer.SerializeDefaultValues = true;
  const String all = writer.ObjToXML(&parent);
  String taken;
  for (size_t i = 0; i < all.size();) {
    const size_t eq = all.find("=\"", i);
    const size_t end = eq == String::npos ? String::npos : all.find('"', eq + 2);
    if (end == String::npos) break;
    if (TakenFromParent(Trim(all.substr(i, eq - i)))) taken.append(all, i, end + 1 - i);
    i = end + 1;
  }
  TkvxXMLSerializer reader(nullptr);
  reader.Owner = this;
  reader.XMLToObj(taken, this);
  reader.ResolveReferences();
}

}  // namespace orv
