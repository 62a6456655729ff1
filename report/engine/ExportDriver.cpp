// Prepared pages handed, object by object, to an export filter. Positions include the page
// margins, so a filter places objects on the paper as printed. A cancelled export says how far
// it got instead of passing for a finished one, and leaves no file.
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Processors.h"
#include "report/engine/Engine.h"
#include "report/engine/ObjectKinds.h"
#include "report/engine/PageBuilder.h"
#include "report/engine/PageReader.h"
#include "report/engine/PreviewPages.h"
#include "report/model/Bands.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/PictureView.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"

namespace orv {

namespace {

// Pages read back ahead of the one drawn: those being built and laid out, and one more; fewer
// when their text passes kReadAheadBytes, as a page is rebuilt and laid out from it in a few
// times its size: an export of rows of long texts stays in bounded memory.
constexpr size_t kReadAhead = 6;
constexpr size_t kReadAheadBytes = size_t{32} << 20;

// The text a page's item holds, with all its objects.
size_t ItemBytes(const TkvxXMLItem* page) {
  size_t bytes = 0;
  std::vector<const TkvxXMLItem*> items{page};
  while (!items.empty()) {
    const TkvxXMLItem* item = items.back();
    items.pop_back();
    bytes += item->Name.size() + item->Text.size() + item->Value.size() + sizeof(TkvxXMLItem);
    for (Integer i = 0; i < item->Count(); ++i) items.push_back(item->Items(i));
  }
  return bytes;
}

// The page's background, beneath everything else.
void ExportBackground(TkvxCustomExportFilter* filter, TkvxReportPage* page) {
  std::unique_ptr<TkvxPictureView> background = kvxPageBackgroundView(page);
  filter->ExportObject(background.get());
}

// A memo as a filter receives it: in its highlight's font when that is on, the page count in
// its text, and an AutoWidth memo as wide as the screen draws it.
void ExportObject(TkvxCustomExportFilter* filter, TkvxComponent* obj, TBitmap& scratch) {
  if (obj->InheritsFrom(TkvxCustomMemoView::StaticClass())) {
    auto* memo = static_cast<TkvxCustomMemoView*>(obj);
    if (memo->AutoWidth) memo->Draw(&scratch.Canvas(), 1, 1, 0, 0);
  }
  filter->ExportObject(obj);
}

// The page's background, bands and views, in the order they are drawn; count is the pages of the
// report, for a filter that keeps page headers and footers to the first and last.
void ExportPageObjects(TkvxCustomExportFilter* filter, TkvxReportPage* page, Integer index, Integer count,
                       TBitmap& scratch) {
  ExportBackground(filter, page);
  for (TkvxComponent* band : page->Objects()) {
    if (filter->HeaderFooterOnce && ((kvxIsKindOf(band, "TkvxPageHeader") && index != 0) ||
                                     (kvxIsKindOf(band, "TkvxPageFooter") && index != count - 1)))
      continue;
    filter->ExportObject(band);
    for (TkvxComponent* obj : band->Objects()) ExportObject(filter, obj, scratch);
  }
}

// A memo that shows the page total or the copy's name, which only the end of the run gives.
bool WaitsForTotal(TkvxComponent* obj) {
  if (!obj->InheritsFrom(TkvxCustomMemoView::StaticClass())) return false;
  static constexpr char16_t kMarks[] = {kvxTotalPagesMark, kvxCopyNameMark, u'\0'};
  const TWideStrings& lines = *static_cast<TkvxCustomMemoView*>(obj)->Memo();
  for (Integer i = 0; i < lines.Count(); ++i)
    if (lines.Line(i).find_first_of(kMarks) != WideString::npos) return true;
  return false;
}

// Takes the memos of a page placed on its paper that wait for the page total off it, into a band
// of their own at the same place on the paper, with their fonts; nullptr when there are none.
std::unique_ptr<TkvxComponent> TakeWaitingMemos(TkvxReportPage* page) {
  std::vector<TkvxComponent*> waiting;
  for (TkvxComponent* obj : page->AllObjects())
    if (WaitsForTotal(obj)) waiting.push_back(obj);
  if (waiting.empty()) return nullptr;
  Extended pageLeft = 0, pageTop = 0;
  page->AbsPosition(pageLeft, pageTop);
  auto holder = std::make_unique<TkvxNullBand>(nullptr);
  holder->SetLeft(pageLeft);
  holder->SetTop(pageTop);
  for (TkvxComponent* memo : waiting) {
    Extended left = 0, top = 0;
    memo->AbsPosition(left, top);
    memo->SetParentFont(false);
    memo->SetParent(holder.get());
    memo->SetLeft(left - pageLeft);
    memo->SetTop(top - pageTop);
  }
  return holder;
}

}  // namespace

void kvxPlaceOnPaper(TkvxReportPage* page, Integer index) {
  const bool mirrored = page->MirrorMargins() && index % 2 == 1;
  page->SetLeft(kvxPixelsPerMM * (mirrored ? page->RightMargin() : page->LeftMargin()));
  page->SetTop(kvxPixelsPerMM * page->TopMargin());
}

std::unique_ptr<TkvxPictureView> kvxPageBackgroundView(TkvxReportPage* page) {
  auto background = std::make_unique<TkvxPictureView>(nullptr);
  background->SetName("_pagebackground");
  background->SetColor(page->Color());
  background->SetFrame(page->Frame());
  background->SetPicture(page->BackPicture());
  background->Stretched = true;
  background->KeepAspectRatio = false;
  // A prepared page's own width may already be the printable width: the paper decides.
  background->SetBounds(page->Left(), page->Top(),
                        kvxPixelsPerMM * (page->PaperWidth() - page->LeftMargin() - page->RightMargin()),
                        kvxPixelsPerMM * (page->PaperHeight() - page->TopMargin() - page->BottomMargin()));
  return background;
}

bool TkvxPreviewPages::ExportWhilePreparing(TkvxCustomExportFilter* filter, const std::function<bool()>& prepare) {
  // Whatever the export could not take page by page exactly as Export takes it goes through
  // Export once the report is prepared: a dialog, a page range or the first and last page told
  // apart need the page count, a preview asks for pages itself, and a report whose pages the
  // engine may go back to is only final at the end.
  const bool overlap = filter && filter->AddsToFinishedPages() && !filter->ShowDialog() && !filter->CurrentPageOnly &&
                       !filter->HeaderFooterOnce && filter->PageNumbers.find_first_not_of(' ') == String::npos &&
                       !Report->Preview() && Report->PreviewPages == this && kvxPagesFinalInOrder(Report);
  if (!overlap) return prepare() && Export(filter);
  CopyNo = 0;
  filter->Report = Report;
  filter->PagesComing = true;
  const bool started = filter->Start();
  filter->PagesComing = false;
  if (!started) {
    prepare();
    return false;
  }
  TBitmap scratch(1, 1);
  OpenHandOver();
  // A page with memos that wait for the total: where it went in the export, and those memos.
  struct TAddition {
    Integer Position, Index, Logical;
    std::unique_ptr<TkvxComponent> Memos;
  };
  std::vector<TAddition> additions;
  std::mutex waitingLock;
  std::map<Integer, std::unique_ptr<TkvxComponent>> waiting;
  std::exception_ptr failure;
  // Built and laid out on one thread, drawn on another, while the engine writes on: the engine
  // keeps about a core to itself. On a single processor the export builds each page itself.
  std::unique_ptr<TkvxPageBuilder> building;
  std::thread exporting;
  // However the run ends, the engine's hand-over closes first: the threads may be waiting on it.
  auto stop = [&](bool abandon) {
    CloseHandOver(abandon);
    if (exporting.joinable()) exporting.join();
    building.reset();
    handOver_.reset();
  };
  struct TStop {
    decltype(stop)& Stop;
    bool Done = false;
    ~TStop() {
      if (!Done) Stop(true);
    }
  } stopAtEnd{stop};
  constexpr size_t kUnbounded = ~size_t{0};
  // Memos kept for the total take a few kilobytes a page: past this many pages holding them, the
  // export waits for the end of the run and draws the rest of the pages whole, so a run of tens
  // of thousands of pages exports in the memory of a short one.
  constexpr Integer kPagesKeptForTotal = 1024;
  Integer keptPages = 0, total = -1;
  auto make = [&, this](size_t k) {
    const auto index = static_cast<Integer>(k);
    Integer logical = 0;
    if (!WaitHandedOver(index, logical)) return std::unique_ptr<TkvxReportPage>();
    if (total < 0 && keptPages >= kPagesKeptForTotal) {
      // The engine must not wait for an export that waits for it.
      StopPacing();
      if ((total = WaitHandOverEnd()) < 0) return std::unique_ptr<TkvxReportPage>();
    }
    std::unique_ptr<TkvxReportPage> page = BuildHandedOver(index);
    if (page) {
      kvxPlaceOnPaper(page.get(), index);
      std::unique_ptr<TkvxComponent> memos = total < 0 ? TakeWaitingMemos(page.get()) : nullptr;
      // Until the count is known, only the memos taken off need it.
      SetMemoPageValues(page.get(), index, std::max<Integer>(total, 0), logical);
      filter->PreparePage(page.get(), index);
      if (memos) {
        ++keptPages;
        std::lock_guard lock(waitingLock);
        waiting[index] = std::move(memos);
      }
    }
    return page;
  };
  // On one processor a builder would only take turns with the export, the two waking each other
  // for every page made and every page freed.
  const bool alone = UsableProcessors() == 1;
  if (!alone) building = std::make_unique<TkvxPageBuilder>(kUnbounded, 2, make);
  exporting = std::thread([&, this] {
    struct TUnpace {
      TkvxPreviewPages& Pages;
      ~TUnpace() { Pages.StopPacing(); }
    } unpace{*this};
    try {
      Integer exported = 0;
      for (Integer k = 0;; ++k) {
        Integer logical = 0;
        if (!WaitHandedOver(k, logical)) break;
        std::unique_ptr<TkvxReportPage> page = building ? building->Take() : make(static_cast<size_t>(k));
        if (!page) {
          PutAwayExported(k);
          continue;
        }
        filter->StartPage(page.get(), k);
        ExportPageObjects(filter, page.get(), k, 0, scratch);
        filter->FinishPage(page.get(), k);
        {
          std::lock_guard lock(waitingLock);
          if (auto it = waiting.find(k); it != waiting.end()) {
            additions.push_back({exported, k, logical, std::move(it->second)});
            waiting.erase(it);
          }
        }
        ++exported;
        if (building) building->Free(std::move(page));
        else page.reset();
        PutAwayExported(k);
      }
    } catch (...) {
      failure = std::current_exception();
    }
  });
  const bool prepared = prepare();
  stopAtEnd.Done = true;
  stop(!prepared);
  if (!prepared) {
    // The filter lets its document go without writing it, as after a cancel.
    const bool terminated = Report->Terminated;
    Report->SetTerminated(true);
    filter->Finish();
    Report->SetTerminated(terminated);
    return false;
  }
  if (failure) std::rethrow_exception(failure);
  Report->SetTerminated(false);
  {
    TkvxProgressScope progress(*Report, ptExporting, filter->ShowProgress());
    const Integer count = GetCount();
    for (TAddition& addition : additions) {
      filter->AddToPage(addition.Position);
      for (TkvxComponent* obj : addition.Memos->Objects()) {
        auto* memo = static_cast<TkvxCustomMemoView*>(obj);
        memo->TotalPages = count;
        memo->CopyNo = CopyNo;
        memo->PageNo = addition.Index + 1;
        memo->LogicalPageNo = addition.Logical;
        ExportObject(filter, memo, scratch);
      }
    }
    if (count > 0) progress.Step(count);
  }
  filter->Finish();
  return true;
}

bool TkvxPreviewPages::Export(TkvxCustomExportFilter* filter) {
  CopyNo = 0;
  if (!filter) return false;
  filter->Report = Report;
  if (filter->ShowDialog() && filter->ShowModal() != mrOk) return false;
  TkvxCustomPreview* preview = Report->Preview();
  if (filter->CurrentPageOnly) filter->PageNumbers = preview ? IntToStr(CurPreviewPage) : String("1");
  Report->SetTerminated(false);
  Integer count = GetCount();
  TStringList numbers;
  kvxParsePageNumbers(filter->PageNumbers, numbers, count);
  Integer selected = numbers.Count() > 0 ? numbers.Count() : count;
  std::vector<Integer> indexes;
  for (Integer i = 0; i < count; ++i)
    if (numbers.Count() == 0 || numbers.IndexOf(IntToStr(i + 1)) >= 0) indexes.push_back(i);
  // A range that names no page of the report would write a file without pages (numbers past
  // the last page are left out of the list, which would otherwise mean every page).
  const bool ranged = filter->PageNumbers.find_first_not_of(' ') != String::npos;
  if (ranged && (numbers.Count() == 0 || indexes.empty())) {
    const String message = Format(kvxGetResources()->Get("clBadPages"), {count});
    if (Report->EngineOptions()->NewSilentMode == simSilent) Report->Errors->Add(message);
    kvxCommonErrorHandler(Report, message);
    return false;
  }
  TBitmap scratch(1, 1);
  if (!filter->Start()) return false;
  if (preview) preview->Lock();
  std::optional<TkvxProgressScope> progress(std::in_place, *Report, ptExporting, filter->ShowProgress());
  Integer exported = 0;
  // Whether a page's item was in the backing file before the export read it back.
  std::vector<bool> readBack;
  for (Integer i : indexes) readBack.push_back(!PagesItem()->Items(i)->Loaded());
  // Without a preview nothing else asks for pages while the export runs: the pages are rebuilt
  // on a thread of their own while the page before is drawn, and freed there once drawn. A
  // preview may rebuild pages as it paints, so with one the pages come through the page cache.
  // Declared in this order so that preparing, whose thread takes from building, goes first,
  // and reading, whose items building reads, last.
  std::unique_ptr<TkvxPageReader> reading;
  std::unique_ptr<TkvxPageBuilder> building, preparing;
  // However the export ends, the reader stops first: a builder may be waiting on it.
  auto dropAhead = [&] {
    if (reading) reading->Stop();
    preparing.reset();
    building.reset();
    reading.reset();
  };
  struct TDropAhead {
    decltype(dropAhead)& Drop;
    ~TDropAhead() { Drop(); }
  } droppedAtEnd{dropAhead};
  if (!preview && !indexes.empty()) {
    ClearPageCache();
    // A page read back only to be exported leaves memory again once drawn: a long report
    // exports in the memory it was prepared in.
    auto item = [this, &indexes](size_t k) { return PagesItem()->Items(indexes[k]); };
    reading = std::make_unique<TkvxPageReader>(
        indexes.size(), kReadAhead, kReadAheadBytes,
        [this, item, &readBack](size_t k) {
          std::lock_guard lock(itemsLock_);
          if (readBack[k]) doc_->LoadItem(item(k));
          return ItemBytes(item(k));
        },
        [this, item, &readBack](size_t k) {
          if (!readBack[k]) return;
          std::lock_guard lock(itemsLock_);
          doc_->UnloadItem(item(k));
        });
    // A page is built once its reader lets it in: what is read ahead bounds what is made ahead.
    building = std::make_unique<TkvxPageBuilder>(indexes.size(), 2, [this, &indexes, &reading](size_t k) {
      return reading->WaitRead(k) ? BuildPage(PagesItem()->Items(indexes[k])) : nullptr;
    });
    // What the filter can do to a page ahead (laying out its memos) is done on a third thread,
    // between the building of the next pages and the export of the one before: placed on its
    // paper and given its page numbers first, as the export places and numbers it.
    preparing = std::make_unique<TkvxPageBuilder>(indexes.size(), 2, [this, filter, &building, &indexes](size_t k) {
      std::unique_ptr<TkvxReportPage> page = building->Take();
      if (page) {
        kvxPlaceOnPaper(page.get(), indexes[k]);
        SetMemoPageValues(page.get(), indexes[k]);
        filter->PreparePage(page.get(), indexes[k]);
      }
      return page;
    });
  }
  for (size_t k = 0; k < indexes.size() && !Report->Terminated; ++k) {
    const Integer i = indexes[k];
    // A page made ahead is the export's alone; one from the page cache is shared with it.
    std::unique_ptr<TkvxReportPage> built;
    std::shared_ptr<TkvxReportPage> cached;
    if (preparing) built = preparing->Take();
    else cached = GetPageShared(i);
    TkvxReportPage* page = built ? built.get() : cached.get();
    if (!page) {
      if (reading) reading->Unload(k);
      continue;
    }
    progress->Step(i + 1);
    filter->StartPage(page, i);
    SetMemoPageValues(page, i);
    kvxPlaceOnPaper(page, i);
    ExportPageObjects(filter, page, i, count, scratch);
    filter->FinishPage(page, i);
    ++exported;
    if (!preview) {
      ClearPageCache();
      reading->Unload(k);
      building->Free(std::move(built));
    } else {
      page->SetLeft(0);
      page->SetTop(0);
    }
    Application->ProcessMessages();
  }
  // Pages made ahead of a cancel are dropped before the filter finishes.
  dropAhead();
  if (preview) preview->Unlock();
  progress.reset();
  // A cancel that came after the last page lost nothing: the export is whole. A filter
  // finishing an export that was cut short finds the report terminated and writes nothing.
  const bool cut = Report->Terminated && exported < selected;
  if (!cut) Report->SetTerminated(false);
  filter->Finish();
  if (cut) {
    kvxCommonErrorHandler(Report, "Export cancelled after " + IntToStr(exported) + " of " + IntToStr(selected) +
                                      " pages");
    return false;
  }
  return true;
}

}  // namespace orv
