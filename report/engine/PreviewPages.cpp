#include "report/engine/PreviewPages.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Processors.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TextUtils.h"
#include "report/engine/ObjectKinds.h"
#include "report/model/MemoView.h"
#include "report/model/PropertyLimits.h"
#include "report/model/ReportUtils.h"
#include "report/model/XmlSerializer.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxPreviewPages, c) {}

namespace {

// The source page a page item is made from ("page" and its index); -1 for a page stored whole
// or a name that is not of that form.
Integer SourceIndexOf(const TkvxXMLItem* item) {
  const String& name = item->Name;
  if (name.size() < 5 || name.compare(0, 4, "page") != 0) return -1;
  Integer n = 0;
  return TryStrToInt(name.substr(4), n) ? n : -1;
}

// Whether a written item holds either page number mark, found in one walk of its text: the
// two marks share their first two bytes and differ in the last.
bool HoldsPageMark(std::string_view text) {
  static_assert(std::string_view(kvxPageMarkUtf8).substr(0, 2) == std::string_view(kvxLogicalPageMarkUtf8).substr(0, 2));
  const std::string_view lead = std::string_view(kvxPageMarkUtf8).substr(0, 2);
  for (size_t at = text.find(lead); at != std::string_view::npos; at = text.find(lead, at + 1)) {
    if (at + 2 >= text.size()) return false;
    if (text[at + 2] == kvxPageMarkUtf8[2] || text[at + 2] == kvxLogicalPageMarkUtf8[2]) return true;
  }
  return false;
}

// Pages the export may be behind the engine, once it has kept the engine waiting, for the engine
// to go on.
constexpr Integer kCaughtUp = 2;

bool IsWholePageName(const String& name) {
  return SameText(name, "TkvxReportPage") || SameText(name, "TkvxDMPPage");
}

// A coordinate attribute of a page item: its value, else the fallback.
Extended CoordProp(const TkvxXMLItem* item, const char* name, Extended fallback) {
  String text = item->Prop(name);
  if (text.empty()) return fallback;
  try {
    return kvxClampCoordinate(kvxStrToFloat(text));
  } catch (const EConvertError&) {
    return fallback;
  }
}

Integer IntProp(const TkvxXMLItem* item, const char* name, Integer fallback) {
  Integer v = 0;
  return TryStrToInt(item->Prop(name), v) ? v : fallback;
}

}  // namespace

TkvxPreviewPages::TkvxPreviewPages(TkvxReport* report)
    : TkvxCustomPreviewPages(report),
      doc_(std::make_unique<TkvxXMLDocument>()),
      pictureCache_(std::make_unique<TkvxPictureCache>()) {
  Outline = std::make_unique<TkvxOutline>(this);
  doc_->Root()->Name = "preparedreport";
  CurPage = -1;
}

TkvxPreviewPages::~TkvxPreviewPages() {
  ClearPageCache();
  Outline.reset();
}

TkvxXMLItem* TkvxPreviewPages::PagesItem() {
  if (!pagesItem_) pagesItem_ = Root()->FindItem("previewpages");
  return pagesItem_;
}

TkvxXMLItem* TkvxPreviewPages::CurPageItem() {
  TkvxXMLItem* pages = PagesItem();
  if (CurPage < 0 || CurPage >= pages->Count()) return nullptr;
  TkvxXMLItem* item = pages->Items(CurPage);
  doc_->LoadItem(item);
  // The engine writes through here.
  item->MarkChanged();
  return item;
}

Integer TkvxPreviewPages::GetCount() { return PagesItem()->Count(); }

void TkvxPreviewPages::ClearPageCache() { pageCache_.clear(); }

void TkvxPreviewPages::Clear() {
  ClearPageCache();
  sourcePages_.clear();
  sourcePageForms_.clear();
  doc_->Clear();
  pagesItem_ = nullptr;
  GetOutline()->Reset();
  dictionary_.Clear();
  sourceAttributes_.clear();
  sourceAttributesOf_.clear();
  pictureCache_->Clear();
  CurPage = -1;
  xmlSize_ = 0;
  passStartPage_ = -1;
  passStartObjects_ = 0;
  logicalCounter_ = 0;
  markedPages_.clear();
  cutMarked_ = false;
  loaded_ = false;
  writtenTotals_ = false;
}

void TkvxPreviewPages::Initialize() {
  pictureCache_->SetUseFileCache(Report->PreviewOptions()->PictureCacheInFile);
  pictureCache_->SetTempDir(Report->EngineOptions()->TempDir);
  doc_->TempDir = Report->EngineOptions()->TempDir;
  Report->DoProgressStart(ptRunning);
}

// Source pages.

namespace {

// Runs f with obj's memo lines (if any) moved aside: the properties go through their XML text,
// the lines, which may run to many megabytes, through none.
template <class F>
void WithoutMemoLines(TkvxComponent* obj, F&& f) {
  TWideStrings* lines = kvxMemoLinesOf(obj);
  if (!lines) {
    f();
    return;
  }
  TWideStrings held;
  lines->Swap(held);
  struct Back {
    TWideStrings* lines;
    TWideStrings& held;
    ~Back() { lines->Swap(held); }
  } back{lines, held};
  f();
}

// copy takes obj's properties as Assign gives them, its memo lines copied as they stand.
void CopyObject(TkvxComponent* copy, TkvxComponent* obj) {
  WithoutMemoLines(obj, [&] { copy->Assign(obj); });
  if (TWideStrings* lines = kvxMemoLinesOf(obj))
    if (TWideStrings* to = kvxMemoLinesOf(copy)) to->Assign(lines);
}

}  // namespace

void TkvxPreviewPages::CopySourceTree(TkvxComponent* from, TkvxComponent* toParent,
                                      std::vector<std::pair<TkvxComponent*, TkvxComponent*>>& pairs) {
  for (TkvxComponent* obj : from->Objects()) {
    if (!(obj->Traits & otInPreparedPages)) continue;
    // Held by their parent copy alone, which frees them: an owner would tell every one of a
    // band's thousands of copies about each other one that comes or goes.
    auto* copy = static_cast<TkvxComponent*>(obj->ClassType()->CreateComponent(nullptr));
    copy->SetParent(toParent);
    CopyObject(copy, obj);
    // Pictures live in the picture cache, not in every copy of the page.
    if (TPicture* picture = kvxPictureOf(copy)) picture->SetGraphic(static_cast<TGraphic*>(nullptr));
    copy->SetName(obj->Name());
    pairs.emplace_back(obj, copy);
    CopySourceTree(obj, copy, pairs);
  }
}

void TkvxPreviewPages::SetSourceBaseName(TkvxComponent* copy) {
  if (copy->Traits & otFullDiff) {
    copy->SetBaseName(copy->ClassName());
    return;
  }
  TkvxXMLSerializer serializer(nullptr);
  serializer.Owner = copy;
  // A memo's printed text is always in its page's item: its design text is never taken from
  // here.
  String text;
  WithoutMemoLines(copy, [&] { text = serializer.ObjToText(copy); });
  copy->SetBaseName(text);
}

void TkvxPreviewPages::AddSourcePage(TkvxReportPage* page) {
  auto copy = std::unique_ptr<TkvxReportPage>(
      static_cast<TkvxReportPage*>(page->ClassType()->CreateComponent(nullptr)));
  copy->Assign(page);
  copy->SetName(page->Name());
  std::vector<std::pair<TkvxComponent*, TkvxComponent*>> pairs;
  CopySourceTree(page, copy.get(), pairs);
  copy->SourceObject = page;
  String pathPrefix = "Page" + IntToStr(SourcePageCount()) + ".";
  for (auto& [obj, dup] : pairs) {
    obj->SourceObject = dup;
    dup->SourceObject = obj;
    String prefix = dup->IsBand() ? String("b") : LowerCase(dup->BaseName().substr(0, 1));
    String alias = dictionary_.AddUnique(prefix, pathPrefix + dup->Name(), dup);
    kvxForgetMemoData(dup);
    SetSourceBaseName(dup);
    dup->SourceName = alias;
    obj->SourceName = alias;
  }
  sourcePages_.push_back(std::move(copy));
}

void TkvxPreviewPages::AddToSourcePage(TkvxComponent* obj) {
  if (sourcePages_.empty()) return;
  TkvxReportPage* page = sourcePages_.back().get();
  auto* copy = static_cast<TkvxComponent*>(obj->ClassType()->CreateComponent(page));
  if (copy->Parent() != page) copy->SetParent(page);
  CopyObject(copy, obj);
  copy->CreateUniqueName();
  String prefix = LowerCase(copy->BaseName().substr(0, 1));
  String alias = dictionary_.AddUnique(prefix, "Page" + IntToStr(SourcePageCount() - 1) + "." + copy->Name(), copy);
  SetSourceBaseName(copy);
  obj->SourceObject = copy;
  obj->SourceName = alias;
  copy->SourceName = alias;
}

// Writing pages.

// The first of two passes writes its objects whole as well: a run stopped during it (a script's
// StopReport, the preview's Cancel) leaves those pages to be shown, with the values they had.
void TkvxPreviewPages::AddObjectTo(TkvxXMLItem* parent, TkvxComponent* obj) {
  if (!obj->Visible() || !(obj->Traits & otInPreparedPages)) return;
  TkvxXMLItem* item = parent->Add();
  if (TkvxComponent* source = obj->SourceObject) {
    item->Name = obj->SourceName;
    if (obj->Traits & otFullDiff) item->Text = obj->GetFullDiff(source);
    else item->Text = obj->Diff(source);
  } else {
    item->Name = obj->ClassName();
    item->Text = obj->GetFullDiff(nullptr);
  }
  const Int64 bytes = static_cast<Int64>(item->Name.size() + item->Text.size() + sizeof(TkvxXMLItem) + 16);
  xmlSize_ += bytes;
  pageBytes_ += bytes;
  if (pageBytes_ > kvxMaxPreparedPageBytes)
    throw EOutOfMemory("Page " + IntToStr(CurPage + 1) + " of the report holds more than " +
                       IntToStr(kvxMaxPreparedPageBytes >> 20) + " MB: the report was stopped");
  if (HoldsPageMark(item->Text)) markedPages_.insert(CurPage);
  item->Reserve(static_cast<Integer>(obj->Objects().size()));
  for (TkvxComponent* child : obj->Objects()) AddObjectTo(item, child);
}

void TkvxPreviewPages::AddObject(TkvxComponent* obj) {
  TkvxXMLItem* page = CurPageItem();
  if (!page) return;
  AddObjectTo(page, obj);
  // Rows of large texts fill memory long before a page ends.
  if (xmlSize_ > kvxPreparedMemoryLimit) UnloadWrittenPages(true);
}

void TkvxPreviewPages::UnloadWrittenPages(bool all) {
  TkvxXMLItem* pages = PagesItem();
  for (Integer i = pages->Count() - 1; i >= 0; --i) {
    if (i == CurPage) continue;
    TkvxXMLItem* item = pages->Items(i);
    std::lock_guard lock(itemsLock_);
    if (!item->Loaded()) break;
    // An export running beside the engine is rebuilding it.
    if (handOverBusy_.count(i)) continue;
    if (all) item->SetUnloadable(true);
    if (markedPages_.count(i)) ResolvePageMarks(i);
    doc_->UnloadItem(item);
  }
  xmlSize_ = 0;
}

void TkvxPreviewPages::AddPage(TkvxReportPage* sourcePage) {
  TkvxXMLItem* pages = PagesItem();
  TkvxEngineOptions* options = Report->EngineOptions();
  // The page left behind keeps what it holds: the objects of a block moving on were cut already.
  if (markedPages_.count(CurPage)) ResolvePageMarks(CurPage);
  // Past the engine's own limit the pages go to the file cache, the first two as well, whether
  // the report asked for the cache or not.
  if (xmlSize_ > kvxPreparedMemoryLimit)
    UnloadWrittenPages(true);
  else if (options->UseFileCache && xmlSize_ > static_cast<Int64>(options->MaxMemSize) * (1 << 20))
    UnloadWrittenPages(false);
  pageBytes_ = 0;
  ++CurPage;
  if (CurPage < pages->Count() && AddPageAction == TkvxAddPageAction::WriteOver) return;
  Integer source = -1;
  for (Integer i = 0; i < SourcePageCount(); ++i)
    if (sourcePages_[static_cast<size_t>(i)]->SourceObject == sourcePage) source = i;
  TkvxXMLItem* item;
  {
    // An export running beside the engine looks its pages up in the same list.
    std::lock_guard lock(itemsLock_);
    item = pages->Add();
  }
  item->Name = "page" + IntToStr(source);
  if (pages->Count() > 2) item->SetUnloadable(true);
  Report->DoProgress(ptRunning, pages->Count());
  AddPageAction = TkvxAddPageAction::WriteOver;
  CurPage = pages->Count() - 1;
  IncLogicalPageNumber();
  if (handOver_) {
    HandOverPages(CurPage);
    // A few pages behind the engine stay for the export to find them at hand.
    constexpr Integer kWaitingInMemory = 8;
    PaceEngine(CurPage, kWaitingInMemory - 2);
    PutAwayWaiting(CurPage - kWaitingInMemory);
  }
}

void TkvxPreviewPages::BeginPass() {
  passStartPage_ = GetCount() - 1;
  if (passStartPage_ >= 0) {
    TkvxXMLItem* item = PagesItem()->Items(passStartPage_);
    doc_->LoadItem(item);
    passStartObjects_ = item->Count();
  }
  ResetLogicalPageNumber();
}

void TkvxPreviewPages::ClearFirstPass() {
  ClearPageCache();
  markedPages_.clear();
  if (passStartPage_ >= 0) {
    TkvxXMLItem* pages = PagesItem();
    if (passStartPage_ < pages->Count()) {
      TkvxXMLItem* start = pages->Items(passStartPage_);
      doc_->LoadItem(start);
      start->MarkChanged();
      while (start->Count() > passStartObjects_) delete start->Items(start->Count() - 1);
    }
    while (pages->Count() > passStartPage_ + 1) delete pages->Items(pages->Count() - 1);
    return;
  }
  TkvxXMLItem* root = Root();
  for (Integer i = root->Count() - 1; i >= 0; --i) {
    TkvxXMLItem* child = root->Items(i);
    if (SameText(child->Name, "anchors") || SameText(child->Name, "logicalpagenumbers")) continue;
    delete child;
  }
  pagesItem_ = nullptr;
  GetOutline()->Reset();
}

void TkvxPreviewPages::ResolveMarkedPages() {
  for (Integer index : std::vector<Integer>(markedPages_.begin(), markedPages_.end())) ResolvePageMarks(index);
}

void TkvxPreviewPages::ResolvePageMarks(Integer index) {
  markedPages_.erase(index);
  TkvxXMLItem* pages = PagesItem();
  if (index < 0 || index >= pages->Count()) return;
  TkvxXMLItem* page = pages->Items(index);
  doc_->LoadItem(page);
  page->MarkChanged();
  const String number = IntToStr(index + 1), logical = IntToStr(LogicalPageNoAt(index));
  auto replace = [](String& text, const char* mark, const String& by) {
    const size_t n = std::char_traits<char>::length(mark);
    for (size_t p = text.find(mark); p != String::npos; p = text.find(mark, p + by.size())) text.replace(p, n, by);
  };
  std::vector<TkvxXMLItem*> items{page};
  while (!items.empty()) {
    TkvxXMLItem* item = items.back();
    items.pop_back();
    // Most objects of a page hold no mark: one walk of their text tells, rather than one a mark.
    if (HoldsPageMark(item->Text)) {
      replace(item->Text, kvxPageMarkUtf8, number);
      replace(item->Text, kvxLogicalPageMarkUtf8, logical);
    }
    for (Integer i = 0; i < item->Count(); ++i) items.push_back(item->Items(i));
  }
}

void TkvxPreviewPages::Finish() {
  ResolveMarkedPages();
  ClearPageCache();
  {
    // The report's objects may be freed once the run is over: the copies forget them, between
    // two pages an export running beside the engine rebuilds from them.
    std::lock_guard lock(buildLock_);
    for (auto& page : sourcePages_) {
      page->SourceObject = nullptr;
      for (TkvxComponent* c : page->AllObjects()) c->SourceObject = nullptr;
    }
  }
  if (handOver_) HandOverPages(GetCount());
  Report->DoProgressStop(ptRunning);
}

// Pages handed over to an export while the report is prepared.

void TkvxPreviewPages::OpenHandOver() {
  handOver_ = std::make_unique<THandOver>();
  // With processors to spare, an engine running ahead costs the run nothing, and waiting for the
  // export would.
  handOver_->Unpaced = UsableProcessors() > 1;
  handOverBusy_.clear();
}

void TkvxPreviewPages::HandOverPages(Integer upTo) {
  // A page whose marks are still to be put in is written to once more.
  if (!markedPages_.empty()) upTo = std::min(upTo, *markedPages_.begin());
  THandOver& hand = *handOver_;
  // Only the engine's thread moves Final on: read here without the lock.
  if (upTo <= hand.Final) return;
  std::vector<Integer> logical;
  for (Integer i = hand.Final; i < upTo; ++i) logical.push_back(LogicalPageNoAt(i));
  {
    std::lock_guard lock(hand.Lock);
    hand.Logical.insert(hand.Logical.end(), logical.begin(), logical.end());
    hand.Final = upTo;
  }
  hand.Changed.notify_all();
}

void TkvxPreviewPages::CloseHandOver(bool abandon) {
  if (!handOver_) return;
  if (!abandon) {
    ResolveMarkedPages();
    HandOverPages(GetCount());
  }
  {
    std::lock_guard lock(handOver_->Lock);
    handOver_->Closed = true;
    if (abandon) handOver_->Final = 0;
  }
  handOver_->Changed.notify_all();
}

bool TkvxPreviewPages::WaitHandedOver(Integer index, Integer& logical) {
  THandOver& hand = *handOver_;
  std::unique_lock lock(hand.Lock);
  hand.Changed.wait(lock, [&] { return index < hand.Final || hand.Closed; });
  if (index >= hand.Final) return false;
  logical = hand.Logical[static_cast<size_t>(index)];
  return true;
}

Integer TkvxPreviewPages::WaitHandOverEnd() {
  THandOver& hand = *handOver_;
  std::unique_lock lock(hand.Lock);
  hand.Changed.wait(lock, [&] { return hand.Closed; });
  return hand.Final > 0 ? hand.Final : -1;
}

std::unique_ptr<TkvxReportPage> TkvxPreviewPages::BuildHandedOver(Integer index) {
  TkvxXMLItem* item;
  bool readBack;
  {
    std::lock_guard lock(itemsLock_);
    item = PagesItem()->Items(index);
    readBack = !item->Loaded();
    handOverBusy_.insert(index);
  }
  auto release = [&] {
    std::lock_guard lock(itemsLock_);
    handOverBusy_.erase(index);
    if (readBack) doc_->UnloadItem(item);
  };
  std::unique_ptr<TkvxReportPage> page;
  try {
    page = BuildPage(item);
  } catch (...) {
    release();
    throw;
  }
  release();
  return page;
}

void TkvxPreviewPages::PutAwayExported(Integer index) {
  {
    std::lock_guard lock(itemsLock_);
    doc_->UnloadItem(PagesItem()->Items(index));
  }
  THandOver& hand = *handOver_;
  bool wake = false;
  {
    std::lock_guard lock(hand.Lock);
    hand.Exported = std::max(hand.Exported, index + 1);
    wake = hand.PacedAt >= 0 && hand.Within(hand.PacedAt, kCaughtUp);
  }
  if (wake) hand.Changed.notify_all();
}

void TkvxPreviewPages::StopPacing() {
  THandOver& hand = *handOver_;
  {
    std::lock_guard lock(hand.Lock);
    hand.Unpaced = true;
  }
  hand.Changed.notify_all();
}

void TkvxPreviewPages::PaceEngine(Integer index, Integer ahead) {
  // Longer than any page of large pictures takes, short enough that an export held up by
  // something else costs the run little.
  constexpr std::chrono::milliseconds kLongestWait(250);
  THandOver& hand = *handOver_;
  std::unique_lock lock(hand.Lock);
  if (hand.Within(index, ahead)) return;
  hand.PacedAt = index;
  // A slow export is waited for as long as it moves on.
  for (Integer seen = hand.Exported; !hand.Within(index, kCaughtUp); seen = hand.Exported)
    if (!hand.Changed.wait_for(lock, kLongestWait, [&] { return hand.Within(index, kCaughtUp); }) &&
        hand.Exported == seen) {
      hand.Unpaced = true;
      break;
    }
  hand.PacedAt = -1;
}

void TkvxPreviewPages::PutAwayWaiting(Integer index) {
  if (index < 0 || markedPages_.count(index)) return;
  std::lock_guard lock(itemsLock_);
  // Being rebuilt for the export, which puts it away itself.
  if (handOverBusy_.count(index)) return;
  doc_->UnloadItem(PagesItem()->Items(index));
}

// Logical page numbers.

bool TkvxPreviewPages::LogicalNumbersFrozen() const {
  return Engine && Engine->DoublePass() && Engine->FinalPass && !Engine->SinglePass;
}

void TkvxPreviewPages::IncLogicalPageNumber() {
  if (LogicalNumbersFrozen()) return;
  ++logicalCounter_;
  TkvxXMLItem* item = Root()->FindItem("logicalpagenumbers")->Add();
  item->Name = "page";
  item->SetProp("n", IntToStr(logicalCounter_));
}

void TkvxPreviewPages::ResetLogicalPageNumber() {
  if (LogicalNumbersFrozen()) return;
  TkvxXMLItem* numbers = Root()->FindItem("logicalpagenumbers");
  for (Integer i = CurPage; i > passStartPage_; --i) {
    if (i < 0 || i >= numbers->Count()) continue;
    TkvxXMLItem* entry = numbers->Items(i);
    entry->SetProp("t", IntToStr(logicalCounter_));
    if (entry->Prop("n") == "1") break;
  }
  logicalCounter_ = 0;
}

Integer TkvxPreviewPages::GetLogicalPageNo() { return LogicalPageNoAt(CurPage); }

Integer TkvxPreviewPages::LogicalPageNoAt(Integer index) {
  TkvxXMLItem* numbers = Root()->FindItem("logicalpagenumbers");
  if (index >= 0 && index < numbers->Count()) return IntProp(numbers->Items(index), "n", index - FirstPage + 1);
  return index - FirstPage + 1;
}

Integer TkvxPreviewPages::GetLogicalTotalPages() {
  TkvxXMLItem* numbers = Root()->FindItem("logicalpagenumbers");
  if (CurPage >= 0 && CurPage < numbers->Count()) return IntProp(numbers->Items(CurPage), "t", 0);
  return (Engine ? Engine->TotalPages : 0) - FirstPage;
}

// Anchors.

void TkvxPreviewPages::AddAnchor(const String& text) {
  TkvxXMLItem* item = Root()->FindItem("anchors")->Add();
  item->Name = "item";
  item->SetProp("text", text);
  item->SetProp("page", IntToStr(CurPage));
  item->SetProp("top", IntToStr(Engine ? static_cast<Integer>(std::lround(Engine->CurY)) : 0));
}

TkvxXMLItem* TkvxPreviewPages::FindAnchor(const String& text) {
  TkvxXMLItem* anchors = Root()->FindItem("anchors");
  for (Integer i = anchors->Count() - 1; i >= 0; --i)
    if (AnsiSameText(anchors->Items(i)->Prop("text"), text)) return anchors->Items(i);
  return nullptr;
}

Integer TkvxPreviewPages::GetAnchorPage(const String& text) {
  TkvxXMLItem* anchor = FindAnchor(text);
  return anchor ? IntProp(anchor, "page", 0) + 1 : 1;
}

Integer TkvxPreviewPages::GetAnchorCur() { return Root()->FindItem("anchors")->Count() - 1; }

void TkvxPreviewPages::ShiftAnchors(Integer from, Integer newTop) {
  TkvxXMLItem* anchors = Root()->FindItem("anchors");
  if (from + 1 < 0 || from + 1 >= anchors->Count()) return;
  Integer delta = newTop - IntProp(anchors->Items(from + 1), "top", 0);
  for (Integer i = from + 1; i < anchors->Count(); ++i) {
    TkvxXMLItem* a = anchors->Items(i);
    a->SetProp("page", IntToStr(IntProp(a, "page", 0) + 1));
    a->SetProp("top", IntToStr(IntProp(a, "top", 0) + delta));
  }
}

void TkvxPreviewPages::MoveAnchors(Integer from, Integer to, Integer oldPage, Integer newPage, Extended dy) {
  TkvxXMLItem* anchors = Root()->FindItem("anchors");
  Integer delta = static_cast<Integer>(std::lround(dy));
  for (Integer i = std::max<Integer>(from, 0); i < std::min(to, anchors->Count()); ++i) {
    TkvxXMLItem* a = anchors->Items(i);
    if (IntProp(a, "page", -1) != oldPage) continue;
    a->SetProp("page", IntToStr(newPage));
    a->SetProp("top", IntToStr(IntProp(a, "top", 0) + delta));
  }
}

// Keep-together: a block that must move is cut from its page and pasted on the next.

void TkvxPreviewPages::CutObjects(Integer position) {
  TkvxXMLItem* page = CurPageItem();
  if (!page) return;
  TkvxXMLItem* cut = Root()->FindItem("cutted");
  cutMarked_ = cutMarked_ || markedPages_.count(CurPage) > 0;
  while (page->Count() > position && position >= 0) cut->AddItem(page->Items(position));
}

void TkvxPreviewPages::PasteObjects(Extended x, Extended y) {
  TkvxXMLItem* cut = Root()->FindItem("cutted");
  TkvxXMLItem* page = CurPageItem();
  if (cut->Count() == 0 || !page) return;
  if (cutMarked_) markedPages_.insert(CurPage);
  cutMarked_ = false;
  Extended dx = x - CoordProp(cut->Items(0), "l", 0);
  Extended dy = y - CoordProp(cut->Items(0), "t", 0);
  while (cut->Count() > 0) {
    TkvxXMLItem* item = cut->Items(0);
    item->SetProp("l", kvxFormatFloat(CoordProp(item, "l", 0) + dx));
    item->SetProp("t", kvxFormatFloat(CoordProp(item, "t", 0) + dy));
    page->AddItem(item);
  }
}

Integer TkvxPreviewPages::GetCurPosition() {
  TkvxXMLItem* page = CurPageItem();
  return page ? page->Count() : 0;
}

Extended TkvxPreviewPages::GetLastY(Extended x) {
  TkvxXMLItem* page = CurPageItem();
  Extended result = 0;
  if (!page) return result;
  for (Integer i = 0; i < page->Count(); ++i) {
    TkvxXMLItem* item = page->Items(i);
    TkvxComponent* band = dictionary_.GetObject(item->Name);
    if (!band || !band->IsBand() || kvxIsKindOf(band, "TkvxPageFooter") || kvxIsKindOf(band, "TkvxOverlay")) continue;
    Extended left = CoordProp(item, "l", band->Left());
    if (x != 0 && std::fabs(x - left) >= 0.001 && !kvxIsKindOf(band, "TkvxPageHeader") &&
        !kvxIsKindOf(band, "TkvxReportTitle"))
      continue;
    Extended bottom = CoordProp(item, "t", band->Top()) + CoordProp(item, "h", band->Height());
    if (bottom > result) result = bottom;
  }
  return result;
}

bool TkvxPreviewPages::BandExists(TkvxComponent* band) {
  TkvxXMLItem* page = CurPageItem();
  if (!page || !band) return false;
  for (const char* kind : {"TkvxPageFooter", "TkvxColumnFooter"}) {
    if (!kvxIsKindOf(band, kind)) continue;
    for (Integer i = 0; i < page->Count(); ++i)
      if (kvxIsKindOf(dictionary_.GetObject(page->Items(i)->Name), kind)) return true;
  }
  for (Integer i = 0; i < page->Count(); ++i) {
    TkvxComponent* source = dictionary_.GetObject(page->Items(i)->Name);
    if (source && (source->SourceObject == band || source == band->SourceObject)) return true;
  }
  return false;
}

void TkvxPreviewPages::AddPicture(TkvxComponent* pictureView) {
  TPicture* picture = kvxPictureOf(pictureView);
  kvxSetImageIndex(pictureView, pictureCache_->AddPicture(picture ? picture->Graphic() : nullptr));
}

void TkvxPreviewPages::UpdatePageDimensions(TkvxReportPage* page, Extended width, Extended height) {
  // Each endless page is as large as its own content: the page item keeps its size, which its
  // rebuilt page takes over that of its source page.
  // A page the engine comes back to (the cells of a row, subreports) keeps the size it reached.
  if (TkvxXMLItem* item = CurPageItem(); item && !IsWholePageName(item->Name)) {
    Extended w = width / kvxPixelsPerMM, h = height / kvxPixelsPerMM;
    if (!item->Prop("PaperSize").empty()) {
      w = std::max(w, kvxStrToFloat(item->Prop("PaperWidth")));
      h = std::max(h, kvxStrToFloat(item->Prop("PaperHeight")));
    }
    item->SetProp("PaperSize", "256");
    item->SetProp("PaperWidth", kvxFormatFloat(w));
    item->SetProp("PaperHeight", kvxFormatFloat(h));
    ClearPageCache();
  }
  sourcePageForms_.clear();
  for (auto& source : sourcePages_) {
    if (source->SourceObject != page) continue;
    source->SetPaperSize(256);
    source->SetPaperWidth(width / kvxPixelsPerMM);
    source->SetPaperHeight(height / kvxPixelsPerMM);
  }
}

// Reading pages back.

namespace {

// The class an object item names, when it may stand on a page; nullptr otherwise.
TClass PageObjectClass(const String& name) {
  TClass cls = GetClass(name);
  if (!cls || !cls->InheritsFrom(TkvxComponent::StaticClass()) || cls->InheritsFrom(TkvxPage::StaticClass()) ||
      cls->InheritsFrom(TkvxReport::StaticClass()))
    return nullptr;
  return cls;
}

// Whether an item's attributes set a memo's text ("u", written by every memo's diff). Values
// hold no raw quote, so the name and its opening quote are found only where an attribute starts.
bool HoldsMemoText(std::string_view attributes) {
  for (size_t at = attributes.find("u=\""); at != std::string_view::npos; at = attributes.find("u=\"", at + 1))
    if (at == 0 || kvxIsXMLBlank(attributes[at - 1])) return true;
  return false;
}

// Rebuilt objects belong to no owner, only to their parent: the many copies of one band on a
// page share its name, which an owner would refuse.
// The source's attributes, when there is a source, come first, so that the item's own
// override them.
TkvxComponent* NewPageObject(TClass cls, TkvxComponent* parent, TkvxXMLAttributes* source,
                             std::string_view attributes, TkvxXMLSerializer& serializer) {
  auto* obj = static_cast<TkvxComponent*>(cls->CreateComponent(nullptr));
  obj->SetParent(parent);
  obj->IsLoading = true;
  // A memo's item always holds its printed text: the source's design text would only be
  // replaced.
  if (source) serializer.ApplyAttributes(*source, obj, HoldsMemoText(attributes));
  serializer.XMLToObj(attributes, obj);
  obj->IsLoading = false;
  obj->Loaded();
  return obj;
}

}  // namespace

TkvxXMLAttributes* TkvxPreviewPages::SourceAttributes(const TkvxComponent* source) {
  auto [at, isNewSource] = sourceAttributesOf_.try_emplace(source, nullptr);
  if (!isNewSource) return at->second;
  auto [known, isNew] = sourceAttributes_.try_emplace(source->BaseName());
  if (isNew) {
    size_t blank = known->first.find(' ');
    known->second = std::make_unique<TkvxXMLAttributes>(
        blank == String::npos ? std::string_view() : std::string_view(known->first).substr(blank + 1));
  }
  at->second = known->second.get();
  return at->second;
}

TkvxComponent* TkvxPreviewPages::SourceNamed(const String& name, size_t depth, size_t index) {
  if (recentSources_.size() <= depth) recentSources_.resize(depth + 1);
  std::vector<TRecentSource>& places = recentSources_[depth];
  if (places.size() <= index) places.resize(index + 1);
  TRecentSource& recent = places[index];
  if (recent.Page == pagesBuilt_ && recent.Name == name) return recent.Source;
  recent.Name = name;
  recent.Source = dictionary_.GetObject(name);
  recent.Page = pagesBuilt_;
  return recent.Source;
}

void TkvxPreviewPages::BuildObjects(TkvxXMLItem* item, TkvxComponent* parent, TkvxXMLSerializer& serializer,
                                    bool whole, size_t depth) {
  parent->ReserveObjects(static_cast<size_t>(item->Count()));
  for (Integer i = 0; i < item->Count(); ++i) {
    TkvxXMLItem* child = item->Items(i);
    TkvxComponent* source = whole ? nullptr : SourceNamed(child->Name, depth, static_cast<size_t>(i));
    TkvxComponent* obj;
    if (source) {
      obj = NewPageObject(source->ClassType(), parent, SourceAttributes(source), child->Text, serializer);
      // The page belongs to no report, whose objects alone the name could clash with.
      obj->TComponent::SetName(source->Name());
    } else {
      TClass cls = PageObjectClass(child->Name);
      if (!cls) throw EClassNotFound("Class " + child->Name + " not found");
      obj = NewPageObject(cls, parent, nullptr, child->Text, serializer);
    }
    if (TPicture* picture = kvxPictureOf(obj); picture && !picture->Graphic()) {
      String bytes;
      if (pictureCache_->GetPicture(kvxImageIndexOf(obj), bytes)) kvxLoadPictureFromBytes(picture, bytes);
    }
    BuildObjects(child, obj, serializer, whole, depth + 1);
  }
}

TkvxPreviewPages::TSourcePageForm& TkvxPreviewPages::SourcePageForm(Integer index) {
  if (sourcePageForms_.size() < sourcePages_.size()) sourcePageForms_.resize(sourcePages_.size());
  std::unique_ptr<TSourcePageForm>& form = sourcePageForms_[static_cast<size_t>(index)];
  if (!form) {
    TMemoryStream stream;
    SourcePages(index)->SaveToStream(stream, false, true, false);
    stream.SetPosition(0);
    auto made = std::make_unique<TSourcePageForm>();
    made->Document.LoadFromStream(&stream, false);
    TkvxXMLItem* root = made->Document.Root();
    if (root->Count() == 0) made->Attributes = std::make_unique<TkvxXMLAttributes>(root->Text);
    form = std::move(made);
  }
  return *form;
}

std::unique_ptr<TkvxReportPage> TkvxPreviewPages::BuildPage(TkvxXMLItem* item) {
  std::lock_guard lock(buildLock_);
  {
    std::lock_guard items(itemsLock_);
    doc_->LoadItem(item);
  }
  std::unique_ptr<TkvxReportPage> page;
  TkvxXMLSerializer serializer(nullptr);
  bool whole = IsWholePageName(item->Name);
  if (whole) {
    TClass cls = GetClass(item->Name);
    if (!cls || !cls->InheritsFrom(TkvxReportPage::StaticClass())) cls = TkvxReportPage::StaticClass();
    page.reset(static_cast<TkvxReportPage*>(cls->CreateComponent(nullptr)));
    serializer.XMLToObj(item->Text, page.get());
  } else {
    Integer n = SourceIndexOf(item);
    if (n < 0 || n >= SourcePageCount()) return nullptr;
    TkvxReportPage* source = SourcePages(n);
    page.reset(static_cast<TkvxReportPage*>(source->ClassType()->CreateComponent(nullptr)));
    // What Assign would do, less writing and parsing the source page again: the new page
    // belongs to no report, so it is its own owner for references.
    TkvxXMLSerializer pageReader(nullptr);
    pageReader.Owner = page.get();
    TSourcePageForm& form = SourcePageForm(n);
    if (form.Attributes) pageReader.ReadRootAttributes(page.get(), *form.Attributes);
    else pageReader.ReadRootComponent(page.get(), form.Document.Root());
    if (!item->Prop("PaperSize").empty()) pageReader.XMLToObj(item->Text, page.get());
    page->SetName(source->Name());
  }
  ++pagesBuilt_;
  BuildObjects(item, page.get(), serializer, whole, 0);
  if (writtenTotals_)
    for (TkvxComponent* obj : page->AllObjects())
      if (obj->InheritsFrom(TkvxCustomMemoView::StaticClass()))
        static_cast<TkvxCustomMemoView*>(obj)->MarkWrittenTotals();
  page->AlignChildren();
  return page;
}

std::shared_ptr<TkvxReportPage> TkvxPreviewPages::GetPageShared(Integer index) {
  TkvxXMLItem* pages = PagesItem();
  if (index < 0 || index >= pages->Count()) return nullptr;
  bool running = Engine && Engine->Running;
  for (size_t i = 0; i < pageCache_.size(); ++i) {
    if (pageCache_[i].first != index) continue;
    if (!running) {
      std::swap(pageCache_[i], pageCache_[0]);
      return pageCache_[0].second;
    }
    // The engine may be writing this page: build it again.
    pageCache_.erase(pageCache_.begin() + static_cast<long>(i));
    break;
  }
  std::shared_ptr<TkvxReportPage> page = BuildPage(pages->Items(index));
  if (!page) return nullptr;
  pageCache_.insert(pageCache_.begin(), {index, page});
  Integer limit = Report->PreviewOptions()->PagesInCache;
  if (pageCache_.size() > 1 && static_cast<Integer>(pageCache_.size()) > limit) {
    Integer evicted = pageCache_.back().first;
    pageCache_.pop_back();
    if (Report->EngineOptions()->UseFileCache && evicted < pages->Count() && pages->Items(evicted)->Unloadable()) {
      std::lock_guard lock(itemsLock_);
      doc_->UnloadItem(pages->Items(evicted));
    }
  }
  return page;
}

TkvxReportPage* TkvxPreviewPages::GetPage(Integer index) { return GetPageShared(index).get(); }

TPoint TkvxPreviewPages::GetPageSize(Integer index) {
  TkvxXMLItem* pages = PagesItem();
  if (index < 0 || index >= pages->Count()) return TPoint{0, 0};
  Integer n = SourceIndexOf(pages->Items(index));
  TkvxReportPage* page = nullptr;
  std::shared_ptr<TkvxReportPage> built;
  if (n >= 0 && n < SourcePageCount() && pages->Items(index)->Prop("PaperSize").empty()) {
    page = SourcePages(n);
  } else {
    built = GetPageShared(index);
    page = built.get();
  }
  if (!page) return TPoint{0, 0};
  return TPoint{static_cast<int>(std::lround(page->Width())), static_cast<int>(std::lround(page->Height()))};
}

// Editing.

void TkvxPreviewPages::WriteWholePage(TkvxXMLItem* item, TkvxReportPage* page) {
  TkvxXMLSerializer serializer(nullptr);
  serializer.WriteRootComponent(page, true, item);
}

void TkvxPreviewPages::AddEmptyPage(Integer index) {
  TkvxXMLItem* pages = PagesItem();
  if (index < 0 || index >= pages->Count()) return;
  auto* item = new TkvxXMLItem;
  item->Name = pages->Items(index)->Name;
  pages->InsertItem(index, item);
  ClearPageCache();
}

void TkvxPreviewPages::DeletePage(Integer index) {
  TkvxXMLItem* pages = PagesItem();
  if (pages->Count() < 2 || index < 0 || index >= pages->Count()) return;
  delete pages->Items(index);
  ClearPageCache();
}

void TkvxPreviewPages::ModifyPage(Integer index, TkvxReportPage* page) {
  TkvxXMLItem* pages = PagesItem();
  if (index < 0 || index >= pages->Count() || !page) return;
  TkvxXMLItem* item = pages->Items(index);
  // The page may be the cached one being replaced: it is written before the cache lets go.
  doc_->LoadItem(item);
  item->MarkChanged();
  item->SetUnloadable(false);
  item->Clear();
  WriteWholePage(item, page);
  ClearPageCache();
}

void TkvxPreviewPages::AddFrom(TkvxReport* report) {
  TkvxCustomPreviewPages* other = report ? report->PreviewPages : nullptr;
  if (!other || other == this) return;
  Integer count = other->GetCount();
  for (Integer i = 0; i < count; ++i) {
    TkvxReportPage* page = other->GetPage(i);
    if (!page) continue;
    WriteWholePage(PagesItem()->Add(), page);
  }
  ClearPageCache();
}

}  // namespace orv
