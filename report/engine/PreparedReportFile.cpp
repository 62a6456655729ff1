// Saving and loading a prepared report (".qpv"): the store's XML tree with the source pages,
// the alias dictionary, the pictures and a few report settings. A file is untrusted input.
#include <unordered_map>

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"
#include "report/engine/ObjectKinds.h"
#include "report/engine/PreviewPages.h"
#include "report/model/XmlSerializer.h"

namespace orv {

namespace {

[[noreturn]] void Invalid(const String& why) { throw TkvxInvalidXMLException("Invalid file format: " + why); }

// A file's root children, found by name whatever their order and case.
TkvxXMLItem* Child(TkvxXMLItem* root, const char* name) {
  Integer i = root->Find(name);
  return i < 0 ? nullptr : root->Items(i);
}

const char* BoolText(bool v) { return v ? "1" : "0"; }

// The pieces of a loaded file, built aside and moved into the store only when all is well.
struct TLoaded {
  std::unique_ptr<TkvxXMLDocument> Doc = std::make_unique<TkvxXMLDocument>();
  std::vector<std::unique_ptr<TkvxReportPage>> SourcePages;
  TkvxDictionary Dictionary;
  std::unique_ptr<TkvxPictureCache> Pictures = std::make_unique<TkvxPictureCache>();
};

void ReadSourcePages(TkvxXMLItem* item, TLoaded& out) {
  if (!item) return;
  for (Integer i = 0; i < item->Count(); ++i) {
    TkvxXMLItem* pageItem = item->Items(i);
    TClass cls = TkvxReportPage::StaticClass();
    if (SameText(pageItem->Name, "TkvxDMPPage")) {
      if (TClass dmp = GetClass("TkvxDMPPage"); dmp && dmp->InheritsFrom(cls)) cls = dmp;
    }
    std::unique_ptr<TkvxReportPage> page(static_cast<TkvxReportPage*>(cls->CreateComponent(nullptr)));
    if (!SameText(pageItem->Name, cls->ClassName())) pageItem->Name = cls->ClassName();
    TkvxXMLSerializer serializer(nullptr);
    serializer.ReadRootComponent(page.get(), pageItem);
    TkvxXMLSerializer text(nullptr);
    text.Owner = page.get();
    for (TkvxComponent* obj : page->AllObjects()) obj->SetBaseName(text.ObjToText(obj));
    out.SourcePages.push_back(std::move(page));
  }
  item->Clear();
}

// "Page" N "." name, each alias to the object of that name on source page N.
void ReadDictionary(TkvxXMLItem* item, TLoaded& out) {
  if (!item) return;
  std::vector<std::unordered_map<String, TkvxComponent*>> names(out.SourcePages.size());
  for (size_t p = 0; p < out.SourcePages.size(); ++p)
    for (TkvxComponent* obj : out.SourcePages[p]->AllObjects()) names[p].emplace(UpperCase(obj->Name()), obj);
  for (Integer i = 0; i < item->Count(); ++i) {
    TkvxXMLItem* entry = item->Items(i);
    String path = entry->Prop("name");
    TkvxComponent* obj = nullptr;
    size_t dot = path.find('.');
    Integer n = -1;
    if (path.compare(0, 4, "Page") == 0 && dot != String::npos && TryStrToInt(path.substr(4, dot - 4), n) && n >= 0 &&
        n < static_cast<Integer>(names.size())) {
      auto it = names[static_cast<size_t>(n)].find(UpperCase(path.substr(dot + 1)));
      if (it != names[static_cast<size_t>(n)].end()) obj = it->second;
    }
    out.Dictionary.Add(entry->Name, path, obj);
  }
}

// Every object of a page stored as differences must be rebuildable: its name is an alias with
// a source object or a report object class.
void CheckObjects(TkvxXMLItem* item, const TkvxDictionary& dictionary) {
  for (Integer i = 0; i < item->Count(); ++i) {
    TkvxXMLItem* child = item->Items(i);
    if (!dictionary.GetObject(child->Name)) {
      TClass cls = GetClass(child->Name);
      if (!cls || !cls->InheritsFrom(TkvxComponent::StaticClass()) ||
          cls->InheritsFrom(TkvxPage::StaticClass()) || cls->InheritsFrom(TkvxReport::StaticClass()))
        throw EClassNotFound("Class " + child->Name + " not found");
    }
    CheckObjects(child, dictionary);
  }
}

// Pages the file marks unloadable stay in the file until they are shown: each is read once
// here to be checked and let go again.
void CheckPages(TkvxXMLItem* pages, const TLoaded& loaded) {
  if (!pages) return;
  for (Integer i = 0; i < pages->Count(); ++i) {
    TkvxXMLItem* page = pages->Items(i);
    bool wasLoaded = page->Loaded();
    loaded.Doc->LoadItem(page);
    if (SameText(page->Name, "TkvxReportPage") || SameText(page->Name, "TkvxDMPPage")) {
      CheckObjects(page, TkvxDictionary());
    } else {
      Integer n = -1;
      if (page->Name.compare(0, 4, "page") != 0 || !TryStrToInt(page->Name.substr(4), n) || n < 0 ||
          n >= static_cast<Integer>(loaded.SourcePages.size()))
        Invalid("page " + IntToStr(i + 1) + " refers to no source page");
      CheckObjects(page, loaded.Dictionary);
    }
    if (!wasLoaded) page->Clear();
  }
}

}  // namespace

void TkvxPreviewPages::PrepareForSave() {
  TkvxXMLItem* root = Root();
  TkvxXMLItem* report = root->FindItem("report");
  report->Clear();
  TkvxXMLItem* settings = report->Add();
  settings->Name = Report->ClassName();
  settings->SetProp("DotMatrixReport", BoolText(Report->DotMatrixReport()));
  settings->SetProp("PreviewOptions.OutlineVisible", BoolText(Report->PreviewOptions()->OutlineVisible));
  settings->SetProp("PreviewOptions.OutlineWidth", IntToStr(Report->PreviewOptions()->OutlineWidth));
  settings->SetProp("ReportOptions.Name", Report->ReportOptions()->Name);
  // Memos mark their page total and copy name with characters of their own; a file without this
  // is read as its older form, which writes them out as text.
  if (!writtenTotals_) settings->SetProp("TotalMarks", "1");
  TkvxXMLItem* sources = root->FindItem("sourcepages");
  sources->Clear();
  for (auto& page : sourcePages_) WriteWholePage(sources->Add(), page.get());
  TkvxXMLItem* dictionary = root->FindItem("dictionary");
  dictionary->Clear();
  for (const auto& [alias, index] : dictionary_.Names()) {
    TkvxXMLItem* entry = dictionary->Add();
    entry->Name = alias;
    entry->SetProp("name", dictionary_.GetSourceName(alias));
  }
  pictureCache_->SaveToXML(root->FindItem("picturecache"));
}

void TkvxPreviewPages::SaveToStream(TStream& stream) {
  PrepareForSave();
  doc_->SaveToStream(stream);
}

void TkvxPreviewPages::SaveToFile(const String& fileName) {
  PrepareForSave();
  doc_->SaveToFile(fileName);
}

void TkvxPreviewPages::LoadFromStream(TStream& stream) {
  // The document reads unloadable pages from a stream of its own: a copy of the caller's.
  auto copy = std::make_unique<TMemoryStream>();
  copy->CopyFrom(stream, stream.Size() - stream.Position());
  copy->SetPosition(0);
  Load(copy.release());
}

void TkvxPreviewPages::Load(TStream* owned) {
  TLoaded loaded;
  loaded.Doc->TempDir = Report->EngineOptions()->TempDir;
  loaded.Doc->LoadFromStream(owned, true);
  TkvxXMLItem* root = loaded.Doc->Root();
  if (!SameText(root->Name, "preparedreport")) Invalid("not a prepared report");
  if (root->Count() > 0 && !Child(root, "previewpages")) Invalid("no pages");
  ReadSourcePages(Child(root, "sourcepages"), loaded);
  ReadDictionary(Child(root, "dictionary"), loaded);
  CheckPages(Child(root, "previewpages"), loaded);
  if (TkvxXMLItem* pictures = Child(root, "picturecache")) loaded.Pictures->LoadFromXML(pictures);
  TkvxXMLItem* settings = nullptr;
  if (TkvxXMLItem* report = Child(root, "report"); report && report->Count() > 0) settings = report->Items(0);

  Clear();
  doc_ = std::move(loaded.Doc);
  sourcePages_ = std::move(loaded.SourcePages);
  dictionary_ = std::move(loaded.Dictionary);
  pictureCache_ = std::move(loaded.Pictures);
  pictureCache_->SetUseFileCache(Report->PreviewOptions()->PictureCacheInFile);
  loaded_ = true;
  writtenTotals_ = !settings || settings->Prop("TotalMarks") != "1";
  if (settings) {
    Report->SetDotMatrixReport(settings->Prop("DotMatrixReport") == "1");
    Report->PreviewOptions()->OutlineVisible = settings->Prop("PreviewOptions.OutlineVisible") == "1";
    Integer width = 0;
    if (TryStrToInt(settings->Prop("PreviewOptions.OutlineWidth"), width)) Report->PreviewOptions()->OutlineWidth = width;
    Report->ReportOptions()->Name = settings->Prop("ReportOptions.Name");
  }
}

bool TkvxPreviewPages::LoadFromFile(const String& fileName) {
  Load(new TFileStream(fileName, fmOpenRead | fmShareDenyWrite));
  return true;
}

}  // namespace orv
