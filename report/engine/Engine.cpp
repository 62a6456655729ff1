#include "report/engine/Engine.h"
#include "report/engine/PreviewForm.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"
#include "platform/rtl/DateTime.h"
#include "report/engine/ObjectKinds.h"
#include "report/engine/Outline.h"
#include "report/engine/PassBlind.h"
#include "platform/db/ADODB.h"
#include "report/model/DBDataset.h"
#include "report/model/DialogPage.h"
#include "report/model/ReportOptions.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxEngine, c) {}

void TkvxHeaderList::RemoveItem(TkvxBand* band) {
  auto it = std::find_if(items_.begin(), items_.end(), [band](const TkvxHeaderListItem& i) { return i.Band == band; });
  if (it != items_.end()) items_.erase(it);
}

TkvxEngine::TkvxEngine(TkvxReport* report)
    : TkvxCustomEngine(report), aggregates_(report, [report](const String& e) { return report->Calc(e); }) {}

TkvxEngine::~TkvxEngine() = default;

TkvxPreviewPages* TkvxEngine::Store() const { return static_cast<TkvxPreviewPages*>(PreviewPages); }

void TkvxEngine::AddError(const String& text) { Report->Errors->Add(text); }

namespace {

std::vector<TkvxReportPage*> ReportPages(TkvxReport* report) {
  std::vector<TkvxReportPage*> pages;
  for (TkvxComponent* c : report->Objects())
    if (auto* p = kvxAs<TkvxReportPage>(c)) pages.push_back(p);
  return pages;
}

// The subreports of a loop in which a page's subreport runs that page again, directly or through
// the pages of other subreports, in the order they call each other; empty when there is none.
// Such a report would print without end, or never print the pages that point at each other.
std::vector<TkvxSubreport*> SubreportLoop(TkvxReport* report) {
  std::vector<TkvxReportPage*> pages = ReportPages(report);
  std::unordered_map<TkvxReportPage*, std::vector<TkvxSubreport*>> calls;
  for (TkvxReportPage* page : pages)
    for (TkvxComponent* c : page->AllObjects())
      if (auto* sub = kvxAs<TkvxSubreport>(c); sub && sub->Page()) calls[page].push_back(sub);
  enum { kNew, kOnPath, kDone };
  std::unordered_map<TkvxReportPage*, int> mark;
  std::vector<TkvxSubreport*> path, loop;
  std::function<bool(TkvxReportPage*)> visit = [&](TkvxReportPage* page) {
    mark[page] = kOnPath;
    for (TkvxSubreport* sub : calls[page]) {
      path.push_back(sub);
      TkvxReportPage* next = sub->Page();
      if (mark[next] == kOnPath) {
        // The loop starts with the subreport that left the page now reached again.
        auto from = std::find_if(path.begin(), path.end(), [next](TkvxSubreport* s) { return s->GetPage() == next; });
        loop.assign(from, path.end());
        return true;
      }
      if (mark[next] == kNew && visit(next)) return true;
      path.pop_back();
    }
    mark[page] = kDone;
    return false;
  };
  for (TkvxReportPage* page : pages)
    if (mark[page] == kNew && visit(page)) break;
  return loop;
}

}  // namespace

bool TkvxEngine::Run() {
  bool result = false;
  try {
    if (Initialize()) {
      Report->DataSets->Initialize();
      Report->DoNotifyEvent(Report, Report->OnStartReport);
      if (RunDialogs()) {
        result = true;
        RunPasses();
      }
      Report->DoNotifyEvent(Report, Report->OnStopReport);
    }
  } catch (...) {
    Finalize();
    throw;
  }
  Finalize();
  return result && Report->Errors->Count() == 0;
}

void TkvxEngine::RunPasses() {
  auto dataBands = [](const std::vector<TkvxBand*>& bands) {
    std::vector<TkvxDataBand*> m;
    for (TkvxBand* b : bands) m.push_back(static_cast<TkvxDataBand*>(b));
    return m;
  };
  for (TkvxReportPage* page : ReportPages(Report)) {
    curPage_ = page;
    Store()->AddSourcePage(page);
    aggregates_.AddItems(
        page, dataBands(masters_[page]), dataBands(vMasters_[page]), [this](TkvxDataBand* d) { return FootersOf(d); },
        [this](TkvxDataBand* d) { return DetailsOf(d); },
        [this](TkvxComponent* memo, TkvxBand* band) {
          return band->Vertical() ? AggregateParent(band, ObjState(memo).HomeBand) : band;
        });
  }
  // A second pass would only lay the pages out again as the first did.
  const bool twoPasses = DoublePass() && !kvxPassBlind(Report);
  FinalPass = !twoPasses;
  SinglePass = DoublePass() && !twoPasses;
  TotalPages = 0;
  if (twoPasses) KeepParameters();
  Store()->BeginPass();
  RunReportPages();
  // The last numbering group closes with the pass: its pages learn their logical total.
  Store()->ResetLogicalPageNumber();
  // The total a second pass would have read, for whatever asks after the run.
  if (SinglePass) TotalPages = Store()->GetCount();
  if (twoPasses && !Report->Terminated) {
    TotalPages = Store()->GetCount();
    Store()->ClearFirstPass();
    aggregates_.ClearValues();
    FinalPass = true;
    RewindDataSets();
    RunReportPages();
  }
}

std::vector<TkvxDataSet*> TkvxEngine::RunDataSets() {
  // What prints before a data band first moves its data (the first page's header) reads the
  // first row in the second pass as in the first, not the row the first pass ended on.
  std::vector<TkvxDataSet*> sets;
  auto add = [&sets](TkvxDataSet* ds) {
    if (ds && std::find(sets.begin(), sets.end(), ds) == sets.end()) sets.push_back(ds);
  };
  for (Integer i = 0; i < Report->DataSets->Count(); ++i) add(Report->DataSets->Items(i)->DataSet());
  add(Report->DataSet());
  for (TkvxReportPage* page : ReportPages(Report)) {
    add(page->DataSet());
    for (TkvxBand* b : masters_[page]) add(BandData(b));
    for (TkvxBand* b : vMasters_[page]) add(BandData(b));
  }
  for (const auto& [band, st] : bands_)
    for (TkvxBand* b : st.SubBands)
      if (kvxAs<TkvxDataBand>(b)) add(BandData(b));
  return sets;
}

void TkvxEngine::KeepParameters() {
  passParameters_.clear();
  for (TkvxDataSet* ds : RunDataSets())
    if (auto* db = dynamic_cast<TkvxDBDataset*>(ds))
      if (auto* query = dynamic_cast<TCustomADODataSet*>(db->DataSetInUse()))
        for (Integer i = 0; i < query->Parameters().Count(); ++i)
          passParameters_.push_back({db, query->Parameters()[i]->Name(), query->Parameters()[i]->Value()});
}

void TkvxEngine::RewindDataSets() {
  // A detail read through parameters starts the pass with the parameters it started the first
  // with, not those the first pass's last master row gave it; its rows are read again.
  for (const TPassParameter& p : passParameters_)
    if (auto* query = dynamic_cast<TCustomADODataSet*>(p.DataSet->DataSetInUse()))
      if (TParameter* param = query->Parameters().FindParam(p.Name);
          param && (param->Value().IsNull() != p.Value.IsNull() || param->Value().VType() != p.Value.VType() ||
                    VarToStr(param->Value()) != VarToStr(p.Value)))
        p.DataSet->SetParamValue(p.Name, p.Value);
  for (auto& [band, st] : bands_) st.MasterDetailDone = false;
  for (TkvxDataSet* ds : RunDataSets()) ds->First();
}

bool TkvxEngine::RunDialogs() {
  if (String handler = Trim(Report->OnRunDialogs); !handler.empty()) {
    Variant params = VarArrayOf({Variant(true)});
    Report->DoParamEvent(handler, params);
    return VarArrayGet(params, {0}).ToBoolean();
  }
  for (Integer i = 0; i < Report->GetPagesCount(); ++i) {
    auto* page = kvxAs<TkvxDialogPage>(Report->GetPages(i));
    // A page without controls asks nothing.
    if (!page || !page->Visible() || page->Form()->ControlCount() == 0) continue;
    page->Form()->SetBorderStyle(page->BorderStyle());
    Integer result;
    if (OnRunDialogs) {
      OnRunDialogs(page);
      result = page->ModalResult();
    } else if (!kvxUserPresent()) {
      // Nobody is there to answer: the controls keep the values the report gave them.
      result = mrOk;
    } else {
      result = page->ShowModal();
    }
    if (result == mrCancel) return false;
  }
  return true;
}

bool TkvxEngine::Initialize() {
  footerReserve_ = 0;
  Store()->Initialize();
  Store()->AddPageAction = TkvxAddPageAction::Add;
  StartDate = Date();
  StartTime = Now();
  Running = true;
  keeping_ = false;
  CurVColumn = 0;
  parentContainer_.reset();
  aggregates_.Clear();
  bands_.clear();
  pendingRows_.clear();
  objects_.clear();
  masters_.clear();
  vMasters_.clear();
  handOvers_.clear();
  vContext_ = nullptr;
  vBreak_ = false;
  for (TkvxReportPage* page : ReportPages(Report)) {
    PrepareBands(page, false);
    PrepareBands(page, true);
  }
  if (std::vector<TkvxSubreport*> loop = SubreportLoop(Report); !loop.empty()) {
    String names;
    for (TkvxSubreport* sub : loop) names += (names.empty() ? "" : " -> ") + sub->Name();
    AddError("Subreports run their own page again: " + names + " -> " + loop.front()->Name());
  }
  for (TkvxReportPage* page : ReportPages(Report)) {
    if (Report->DataSet() && Report->DataSet() == page->DataSet()) {
      AddError("Cannot use the same dataset for Report.DataSet and Page.DataSet");
      break;
    }
    for (TkvxBand* b : masters_[page]) {
      TkvxDataSet* ds = static_cast<TkvxDataBand*>(b)->DataSet();
      if (Report->DataSet() && ds == Report->DataSet()) {
        AddError("Cannot use the same dataset for Report.DataSet and Band.DataSet");
        break;
      }
      if (page->DataSet() && ds == page->DataSet()) {
        AddError("Cannot use the same dataset for Page.DataSet and Band.DataSet");
        break;
      }
    }
  }
  return Report->Errors->Count() == 0;
}

void TkvxEngine::Finalize() {
  ReturnHandedOver();
  Report->DataSets->Finalize();
  Store()->Finish();
  Running = false;
  SinglePass = false;
}

void TkvxEngine::RunReportPages() {
  firstPageOfPass_ = true;
  if (TkvxDataSet* ds = Report->DataSet()) {
    for (ds->First(); !ds->Eof() && !Report->Terminated; ds->Next()) RunAllPages();
  } else {
    RunAllPages();
  }
}

void TkvxEngine::RunAllPages() {
  for (TkvxReportPage* page : ReportPages(Report)) {
    curPage_ = page;
    if (!page->IsSubReport() && page->Visible()) RunPage(page);
    if (Report->Terminated) break;
    firstPageOfPass_ = false;
  }
}

void TkvxEngine::RunPage(TkvxReportPage* page) {
  keepDisabled_ = true;
  Report->DoNotifyEvent(page, page->OnBeforePrint);
  if (TkvxDataSet* ds = page->DataSet()) {
    for (ds->First(); !ds->Eof() && !Report->Terminated; ds->Next()) PageCopy(page);
  } else {
    for (Integer i = 0; i < page->PageCount() && !Report->Terminated; ++i) PageCopy(page);
  }
  Report->DoNotifyEvent(page, page->OnAfterPrint);
}

void TkvxEngine::PageCopy(TkvxReportPage* page) {
  if (!PageHasDetailRows(page, Report->EngineOptions()->PrintIfEmpty)) return;
  InitPage();
  ShowPageObjects();
  if (Report->OnManualBuild)
    Report->OnManualBuild(page);
  else if (String build = Trim(page->OnManualBuild); !build.empty())
    Report->DoNotifyEvent(page, build);
  else
    ShowDataBands(masters_[page]);
  finishing_ = true;
  SizeEndlessPage();
  EndPage();
  finishing_ = false;
}

void TkvxEngine::SizeEndlessPage() {
  TkvxReportPage* page = curPage_;
  if (!page->EndlessWidth() && !page->EndlessHeight()) return;
  Extended width = kvxPixelsPerMM * page->PaperWidth();
  Extended height = kvxPixelsPerMM * page->PaperHeight();
  if (page->EndlessWidth()) width = PageWidth + kvxPixelsPerMM * (page->LeftMargin() + page->RightMargin());
  if (page->EndlessHeight()) {
    PageHeight = CurY + FooterHeight();
    height = PageHeight + kvxPixelsPerMM * (page->TopMargin() + page->BottomMargin());
  }
  Store()->UpdatePageDimensions(page, width, height);
}

void TkvxEngine::InitPage() {
  TkvxReportPage* page = curPage_;
  headerList_.Clear();
  auto* header = FindBand(TkvxPageHeader::StaticClass());
  auto* title = FindBand(TkvxReportTitle::StaticClass());
  for (TkvxBand* b : page->TitleBeforeHeader() ? std::vector<TkvxBand*>{title, header}
                                               : std::vector<TkvxBand*>{header, title})
    if (b) headerList_.AddItem(b, 0, false);
  PageHeight = kvxPixelsPerMM * (page->PaperHeight() - page->TopMargin() - page->BottomMargin());
  PageWidth = kvxPixelsPerMM * (page->PaperWidth() - page->LeftMargin() - page->RightMargin());
  CurX = 0;
  CurY = 0;
  CurColumn = 1;
  xOffset_ = 0;
  firstPage_ = true;
  finishing_ = false;
  OutlineRoot();
  if (page->ResetPageNumbers()) Store()->ResetLogicalPageNumber();
  titleOfPage_ = title;
  titleSubreportsWait_ = false;
  openRows_ = 0;
  waitingFooters_.clear();
  if (Store()->GetCount() == 0 || !page->PrintOnPreviousPage()) {
    AddPage();
  } else {
    Store()->CurPage = Store()->GetCount() - 1;
    CurY = Store()->GetLastY(0);
    headerList_.RemoveItem(title);
    ShowBand(title);
  }
  if (firstPageOfPass_) Store()->FirstPage = Store()->CurPage;
  copyFirstPage_ = Store()->CurPage;
  columnTop_ = CurY;
  auto* columnHeader = FindBand(TkvxColumnHeader::StaticClass());
  ShowBand(columnHeader);
  if (columnHeader) headerList_.AddItem(columnHeader, 0, false);
  headerList_.RemoveItem(title);
  AddPageOutline();
  titleOfPage_ = nullptr;
  if (titleSubreportsWait_) {
    titleSubreportsWait_ = false;
    // Below the headers that came after the title; a subreport lying below the title's bottom
    // keeps its distance from it.
    const TBandState& st = State(title);
    Extended titleBottom = st.PrintedTop + st.PrintedHeight;
    bool below = CurY > titleBottom + 0.0001 || Store()->CurPage != st.PrintedPage;
    const Extended top = below ? CurY - st.PrintedHeight : st.PrintedTop;
    ShowSubreports(title, &top, below ? CurY : 0);
  }
}

void TkvxEngine::AddPage() {
  footerReserve_ = 0;
  if (!vBreak_) vPagesAhead_ = 0;
  Store()->AddPage(curPage_);
  CurY = 0;
  // A page a wide row continues on may have been started by an earlier row.
  if (auto* overlay = static_cast<TkvxOverlay*>(FindBand(TkvxOverlay::StaticClass()));
      overlay && !overlay->PrintOnTop && !(vBreak_ && Store()->BandExists(overlay))) {
    ShowBand(overlay);
    CurY = 0;
  }
  columnTop_ = 0;
  Extended savedX = CurX;
  // Copy: showing a title takes it out of the list.
  for (Integer i = 0; i < headerList_.Count(); ++i) {
    TkvxHeaderListItem item = headerList_.Items(i);
    TkvxBand* band = item.Band;
    CurX = item.Left;
    if (band == newPageBand_) continue;
    if (auto* ph = kvxAs<TkvxPageHeader>(band); ph && firstPage_ && !ph->PrintOnFirstPage) {
      if (!ph->PrintChildIfInvisible() || !ph->Child()) continue;
      band = ph->Child();
    }
    // The kept block brings its own header and the group headers that began in it.
    if (item.IsInKeepList && !footerShowing_) continue;
    if (keepHeader_ && keepBand_ && band == State(keepBand_).Header) continue;
    if (kvxAs<TkvxHeader>(band) && band == breakingBand_) continue;
    // A page a wide row continues on repeats the page header alone: everything else of the page
    // it continues arrives in its rows' slices, and a band made of cells writes its slices itself.
    if (vBreak_ && (!kvxAs<TkvxPageHeader>(item.Band) || State(band).HasVBands)) continue;
    TBandState& st = State(band);
    st.Reprint = true;
    Integer line = CurLine, lineThrough = CurLineThrough;
    CurLine = st.Line;
    CurLineThrough = st.LineThrough;
    reprintingHeader_ = true;
    bool isTitle = kvxAs<TkvxReportTitle>(band) != nullptr;
    if (isTitle) {
      headerList_.RemoveItem(band);
      --i;
    }
    ShowBand(band);
    if (kvxAs<TkvxPageHeader>(item.Band)) columnTop_ = CurY;
    if (isTitle) keepDisabled_ = false;
    reprintingHeader_ = false;
    st.Reprint = false;
    CurLine = line;
    CurLineThrough = lineThrough;
  }
  CurX = savedX;
}

void TkvxEngine::ShowPageObjects() {
  std::vector<TkvxComponent*> loose;
  for (TkvxComponent* c : curPage_->Objects())
    if (!c->IsBand()) loose.push_back(c);
  if (loose.empty()) return;
  Extended y = CurY;
  TkvxNullBand band(nullptr);
  band.SetBounds(0, 0, PageWidth, PageHeight);
  for (TkvxComponent* c : loose) c->SetParent(&band);
  try {
    ShowBand(&band);
  } catch (...) {
    for (TkvxComponent* c : loose) c->SetParent(curPage_);
    throw;
  }
  for (TkvxComponent* c : loose) c->SetParent(curPage_);
  bands_.erase(&band);
  CurY = y;
}

void TkvxEngine::EndPage() {
  if (!inSummary_) ShowColumnFooter();
  if (!finishing_) {
    CurX = xOffset_;
    CurColumn = 1;
  }
  if (finishing_ && !inSummary_) {
    inSummary_ = true;
    try {
      auto* summary = FindBand(TkvxReportSummary::StaticClass());
      Extended y = CurY;
      ShowBand(summary);
      if (summary && curPage_->EndlessHeight()) {
        PageHeight += CurY - y;
        Store()->UpdatePageDimensions(curPage_, PageWidth + kvxPixelsPerMM * (curPage_->LeftMargin() + curPage_->RightMargin()),
                                      PageHeight + kvxPixelsPerMM * (curPage_->TopMargin() + curPage_->BottomMargin()));
      }
    } catch (...) {
      inSummary_ = false;
      throw;
    }
    inSummary_ = false;
  }
  if (auto* footer = static_cast<TkvxPageFooter*>(FindBand(TkvxPageFooter::StaticClass()))) {
    CurY = PageHeight - footer->Height();
    footerReserve_ = finishing_ && footer->PrintOnLastPage && !inSummary_ ? footer->Height() : 0;
    if (openRows_ > 0 && !finishing_) {
      if (std::find(waitingFooters_.begin(), waitingFooters_.end(), Store()->CurPage) == waitingFooters_.end())
        waitingFooters_.push_back(Store()->CurPage);
    } else {
      ShowPageFooter(footer);
    }
  }
  if (auto* overlay = static_cast<TkvxOverlay*>(FindBand(TkvxOverlay::StaticClass())); overlay && overlay->PrintOnTop) {
    CurY = 0;
    ShowPageFooter(overlay);
  }
  firstPage_ = false;
}

void TkvxEngine::ShowWaitingFooters() {
  auto* footer = FindBand(TkvxPageFooter::StaticClass());
  if (!footer || waitingFooters_.empty()) {
    waitingFooters_.clear();
    return;
  }
  const TPlace here = Here();
  const bool first = firstPage_;
  const Extended reserve = footerReserve_;
  // Each page left while the row was open, in order: its own rows are all counted now.
  std::vector<Integer> pages = std::move(waitingFooters_);
  waitingFooters_.clear();
  for (Integer page : pages) {
    GoTo(TPlace{page, 1, xOffset_, PageHeight - footer->Height()});
    footerReserve_ = 0;
    ShowPageFooter(footer);
  }
  GoTo(here);
  firstPage_ = first;
  footerReserve_ = reserve;
}

void TkvxEngine::ShowPageFooter(TkvxBand* band) {
  if (!band) return;
  auto* pf = kvxAs<TkvxPageFooter>(band);
  // A page a wide row continued on gets its footer from the page it continues, once that page
  // has all its rows.
  if (vBreak_ && (pf || State(band).HasVBands)) return;
  if (State(band).HasVBands) {
    bool skip = pf && ((firstPage_ && !pf->PrintOnFirstPage) || (finishing_ && !pf->PrintOnLastPage && !inSummary_));
    if (!skip && !Store()->BandExists(band)) {
      Extended x = CurX;
      CurX = 0;
      OutputCellBand(band);
      CurX = x;
    }
    aggregates_.Reset(band);
    return;
  }
  PrepareBand(band);
  try {
    if (band->Visible()) {
      band->SetLeft(0);
      band->SetTop(CurY);
      bool skip = pf && ((firstPage_ && !pf->PrintOnFirstPage) || (finishing_ && !pf->PrintOnLastPage && !inSummary_));
      if (!skip && !Store()->BandExists(band)) {
        Store()->AddObject(band);
        CurY += band->Height();
        Integer page = Store()->CurPage;
        for (Integer i = 1; pf && i <= vPagesAhead_; ++i) {
          Store()->CurPage = page + i;
          if (!Store()->BandExists(band)) Store()->AddObject(band);
        }
        Store()->CurPage = page;
      }
    }
  } catch (...) {
    UnprepareBand(band);
    throw;
  }
  UnprepareBand(band);
  aggregates_.Reset(band);
}

void TkvxEngine::ShowColumnFooter() {
  auto* band = FindBand(TkvxColumnFooter::StaticClass());
  if (!band || (vBreak_ && (Store()->BandExists(band) || State(band).HasVBands))) return;
  if (State(band).HasVBands) {
    OutputCellBand(band);
    aggregates_.Reset(band);
    return;
  }
  PrepareBand(band);
  try {
    if (band->Visible()) {
      band->SetLeft(CurX - xOffset_);
      band->SetTop(CurY);
      Store()->AddObject(band);
      CurY += band->Height();
    }
  } catch (...) {
    UnprepareBand(band);
    throw;
  }
  UnprepareBand(band);
  aggregates_.Reset(band);
}

void TkvxEngine::NewPage() {
  CountPrintedRows();
  Integer oldPage = Store()->CurPage;
  if (keeping_) {
    Store()->CutObjects(keepPoint_.Objects);
    // In the last of several page columns, the column footer goes under that column's own rows.
    CurY = Store()->GetLastY(curPage_->Columns() > 1 ? CurX : 0);
  }
  breakingBand_ = curBand_;
  // An endless page that breaks ends below its own content, its footer there.
  const Extended pageHeight = PageHeight;
  if (curPage_->EndlessHeight()) SizeEndlessPage();
  EndPage();
  PageHeight = pageHeight;
  AddPage();
  breakingBand_ = nullptr;
  ++splitPages_;
  if (keeping_) {
    aggregates_.EndKeep();
    Store()->PasteObjects(0, CurY);
    BlockMoved(keepPoint_, oldPage, CurY);
    CurY = Store()->GetLastY(0);
    headerList_.EndKeepList();
  }
  keeping_ = false;
  keepHeader_ = false;
  AddPageOutline();
}

void TkvxEngine::NewColumn() {
  if (CurColumn >= curPage_->Columns()) {
    NewPage();
    return;
  }
  CountPrintedRows();
  Integer oldPage = Store()->CurPage;
  if (keeping_) {
    Store()->CutObjects(keepPoint_.Objects);
    CurY = Store()->GetLastY(CurX);
  }
  breakingBand_ = curBand_;
  ShowColumnFooter();
  DoNewColumn();
  breakingBand_ = nullptr;
  ++splitPages_;
  if (keeping_) {
    aggregates_.EndKeep();
    Store()->PasteObjects(CurX, CurY);
    BlockMoved(keepPoint_, oldPage, CurY);
    CurY = Store()->GetLastY(CurX);
    headerList_.EndKeepList();
  }
  keeping_ = false;
  keepHeader_ = false;
}

void TkvxEngine::DoNewColumn() {
  ++CurColumn;
  Extended x = 0;
  TStrings* positions = curPage_->ColumnPositions();
  if (CurColumn - 1 < positions->Count()) x = kvxStrToFloat(positions->Strings(CurColumn - 1));
  CurY = columnTop_;
  for (Integer i = 0; i < headerList_.Count(); ++i) {
    const TkvxHeaderListItem& item = headerList_.Items(i);
    CurX = kvxPixelsPerMM * x + item.Left;
    bool keptHeader = keepHeader_ && keepBand_ && item.Band == State(keepBand_).Header;
    if (!kvxAs<TkvxPageHeader>(item.Band) && item.Band != breakingBand_ && !item.IsInKeepList && !keptHeader)
      ReprintHeaderChain(item.Band);
  }
  CurX = kvxPixelsPerMM * x + xOffset_;
}

void TkvxEngine::ReprintHeaderChain(TkvxBand* band) {
  for (TkvxBand* b = band; b; b = b->Child()) {
    if (b != band && !b->Visible() && !b->PrintChildIfInvisible()) break;
    if (State(b).HasVBands) {
      // A header made of cells makes them again for this column.
      State(b).Reprint = true;
      try {
        OutputCellBand(b);
      } catch (...) {
        State(b).Reprint = false;
        throw;
      }
      State(b).Reprint = false;
      continue;
    }
    PrepareBand(b);
    try {
      b->SetLeft(CurX);
      b->SetTop(CurY);
      Store()->AddObject(b);
      CurY += b->Height();
    } catch (...) {
      UnprepareBand(b);
      throw;
    }
    UnprepareBand(b);
  }
}

TkvxBand* TkvxEngine::FindBand(TClass bandClass) const {
  return curPage_ ? static_cast<TkvxBand*>(curPage_->FindBand(bandClass)) : nullptr;
}

void TkvxEngine::ShowBandByClass(TClass bandClass) { ShowBand(FindBand(bandClass)); }

Extended TkvxEngine::HeaderHeight() {
  Extended h = 0;
  for (TClass cls : {TkvxColumnHeader::StaticClass(), TkvxPageHeader::StaticClass()})
    for (TkvxBand* b = FindBand(cls); b; b = b->Child()) h += b->Height();
  return h;
}

Extended TkvxEngine::FooterHeight() {
  Extended h = 0;
  for (TClass cls : {TkvxColumnFooter::StaticClass(), TkvxPageFooter::StaticClass()})
    if (TkvxBand* b = FindBand(cls)) h += b->Height();
  return h;
}

Extended TkvxEngine::FreeSpace() {
  if (curPage_ && curPage_->EndlessHeight()) return 1000000;
  return footerReserve_ != 0 ? PageHeight - footerReserve_ - CurY : PageHeight - FooterHeight() - CurY;
}

Variant TkvxEngine::GetAggregateValue(const String& name, const String& expression, TkvxBand* band, Integer flags) {
  return aggregates_.GetValue(curBand_, CurVColumn, name, expression, band, flags);
}

void TkvxEngine::AddToHeaderList(TkvxBand* band) {
  auto* header = kvxAs<TkvxHeader>(band);
  auto* group = kvxAs<TkvxGroupHeader>(band);
  if (!(header && header->ReprintOnNewPage) && !(group && group->ReprintOnNewPage)) return;
  if (band->Vertical()) vHeaderList_.AddItem(band, 0, false);
  else headerList_.AddItem(band, xOffset_, keeping_ && !header);
}

void TkvxEngine::RemoveFromHeaderList(TkvxBand* band) {
  if (band) (band->Vertical() ? vHeaderList_ : headerList_).RemoveItem(band);
}

void TkvxEngine::StartKeep(TkvxBand* band, const TkvxKeepPoint* from) {
  // Cells of a row are kept with their row.
  if (keeping_ || keepDisabled_ || band->Vertical()) return;
  keeping_ = true;
  keepBand_ = band;
  keepPoint_ = from ? *from : TakeKeepPoint();
  if (keepPoint_.Mark >= 0) aggregates_.StartKeepAt(keepPoint_.Mark);
  else aggregates_.StartKeep();
}

TkvxKeepPoint TkvxEngine::TakeKeepPoint(Integer mark) {
  TkvxKeepPoint point;
  point.Objects = Store()->GetCurPosition();
  point.OutlineParent = Store()->GetOutline()->CurrentItem();
  point.OutlineIndex = point.OutlineParent->Count();
  point.Anchor = Store()->GetAnchorCur();
  point.Y = CurY;
  point.Page = Store()->CurPage;
  if (mark >= 0) aggregates_.SetMark(mark);
  point.Mark = mark;
  return point;
}

void TkvxEngine::BlockMoved(const TkvxKeepPoint& from, Integer oldPage, Extended newY) {
  Extended dy = newY - from.Y;
  Integer newPage = Store()->CurPage;
  Store()->GetOutline()->MoveItems(from.OutlineParent, from.OutlineIndex, oldPage, newPage, dy);
  Store()->MoveAnchors(from.Anchor + 1, Store()->GetAnchorCur() + 1, oldPage, newPage, dy);
  // Bands of the block whose outline entries are still to come.
  for (auto& [band, st] : bands_)
    if (st.PrintedPage == oldPage && st.PrintedTop >= from.Y - 0.0001) {
      st.PrintedPage = newPage;
      st.PrintedTop += dy;
    }
}

void TkvxEngine::EndKeep(TkvxBand* band) {
  if (!keeping_ || band != keepBand_) return;
  keeping_ = false;
  keepBand_ = nullptr;
  aggregates_.EndKeep();
  keepHeader_ = false;
  headerList_.EndKeepList();
}

void TkvxEngine::OutlineRoot() { Store()->Outline->LevelRoot(); }

void TkvxEngine::AddPageOutline() {
  if (curPage_->OutlineText().empty()) return;
  OutlineRoot();
  Report->CurrentObjectName = curPage_->Name();
  Store()->Outline->AddItem(VarToStr(Report->Calc(curPage_->OutlineText())), 0);
}

void kvxRegisterEngine() {
  TkvxReport::MakeEngine = [](TkvxReport& report, std::unique_ptr<TkvxCustomEngine>& engine,
                              std::unique_ptr<TkvxCustomPreviewPages>& pages) {
    pages = std::make_unique<TkvxPreviewPages>(&report);
    engine = std::make_unique<TkvxEngine>(&report);
    engine->PreviewPages = pages.get();
    pages->Engine = engine.get();
  };
  TkvxReport::ShowPreviewForm = TkvxPreviewForm::ShowForReport;
}

}  // namespace orv
