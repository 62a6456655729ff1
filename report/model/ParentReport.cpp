// A report that inherits from a parent report: the parent's pages and objects become the
// report's own, marked inherited, and the report's file holds only what it changes or adds.
#include <algorithm>
#include <filesystem>

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

// The name with the separators of files made on Windows turned into those of this system.
String WithSlashes(String name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

}  // namespace

std::vector<String> TkvxReport::ParentFileNames(const String& name) const {
  std::vector<String> places;
  auto add = [&places](const String& place) {
    if (std::find(places.begin(), places.end(), place) == places.end()) places.push_back(place);
  };
  for (const String& written : {name, WithSlashes(name)}) {
    if (IsAbsolute(written)) {
      add(written);
      continue;
    }
    // Named in full, so that the message of a parent found nowhere says where it was looked for.
    if (!FileName.empty())
      add((std::filesystem::absolute(std::filesystem::path(FileName)).parent_path() / written).lexically_normal().string());
    add(ExtractFilePath(Application->ExeName()) + written);
  }
  return places;
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
  // The password the report is read with opens its parents too. A run's snapshot is saved
  // with the report's own password accepted, none for a report without one: read back, it
  // opens the parents with the password that opened them before.
  String password = loadingPassword_.empty() ? reportOptions_->AcceptedPassword : loadingPassword_;
  if (password.empty()) password = parentPassword_;
  parentPassword_ = password;
  parent->ReportOptions()->AcceptedPassword = password;
  if (OnLoadTemplate) {
    OnLoadTemplate(parent.get(), value);
  } else {
    // A name written with either separator is found beside the report, else beside the
    // program; a parent found nowhere is named with every place looked in.
    const std::vector<String> places = ParentFileNames(value);
    auto found = std::find_if(places.begin(), places.end(), [](const String& place) { return FileExists(place); });
    const String file = found == places.end() ? places.front() : *found;
    std::vector<String>& chain = Inheriting();
    if (chain.size() >= kMaxInheritance || std::find(chain.begin(), chain.end(), file) != chain.end()) {
      Errors->Add("Report " + value + " inherits from itself");
      return;
    }
    // A parent that is not there leaves the report as it is: its own objects are all it has.
    if (found == places.end()) {
      String tried;
      for (const String& place : places) tried += (tried.empty() ? "" : ", ") + place;
      Errors->Add("Cannot find the parent report " + value + " (looked for " + tried + ")");
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
