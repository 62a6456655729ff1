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

void TkvxReport::InheritOptions(TkvxReport& parent) {
  // The report's file states only where it differs from the parent: everything else is the
  // parent's. The parent's own parent, its lists (copied above) and its version stay out.
  TkvxXMLSerializer writer(nullptr);
  writer.Owner = &parent;
  writer.SerializeDefaultValues = true;
  TkvxXMLItem options;
  options.Text = writer.ObjToXML(&parent);
  for (const char* own : {"ParentReport", "PropData", "Version", "ReportOptions.Password"}) options.DeleteProp(own);
  TkvxXMLSerializer reader(nullptr);
  reader.Owner = this;
  reader.XMLToObj(options.Text, this);
  reader.ResolveReferences();
}

}  // namespace orv
