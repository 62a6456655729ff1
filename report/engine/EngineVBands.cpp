// Bands printed across the page: a horizontal band whose objects lie inside vertical bands is
// printed cell by cell, one cell per record of the vertical data, and a row wider than the page
// continues on the following pages.
#include <algorithm>

#include "report/engine/Engine.h"

namespace orv {

namespace {

constexpr Extended kTolerance = 0.0001;

bool IsFooter(TkvxBand* b) { return dynamic_cast<TkvxFooter*>(b) || dynamic_cast<TkvxGroupFooter*>(b); }

}  // namespace

void TkvxEngine::HandOver(TkvxBand* band, const std::vector<TkvxBand*>& vbands) {
  std::vector<TkvxComponent*> designed(band->Objects());
  bool moved = false;
  for (TkvxComponent* obj : designed)
    for (TkvxBand* vband : vbands)
      if (obj->Left() >= vband->Left() - kTolerance &&
          vband->Left() + vband->Width() + kTolerance >= obj->Left() + obj->Width()) {
        obj->SetParent(vband);
        obj->SetLeft(obj->Left() - vband->Left());
        ObjState(obj).HomeBand = band;
        moved = true;
        break;
      }
  if (!moved) return;
  State(band).HasVBands = true;
  handOvers_.push_back({band, std::move(designed)});
}

// The report is left as it was designed, so that it can run again.
void TkvxEngine::ReturnHandedOver() {
  for (THandOver& h : handOvers_) {
    for (TkvxComponent* obj : h.Objects)
      if (TkvxComponent* vband = obj->Parent(); vband != h.Band && vband) obj->SetLeft(obj->Left() + vband->Left());
    SetBandObjects(h.Band, h.Objects);
  }
  handOvers_.clear();
}

TkvxBand* TkvxEngine::AggregateParent(TkvxBand* vband, TkvxBand* home) {
  if (dynamic_cast<TkvxReportSummary*>(home) || dynamic_cast<TkvxPageFooter*>(home) ||
      dynamic_cast<TkvxColumnFooter*>(home) || IsFooter(home))
    return home;
  return vband;
}

void TkvxEngine::OutputCellBand(TkvxBand* band) {
  TkvxBand* outer = vContext_;
  try {
    Report->CurrentObjectName = band->Name();
    band->BeforePrint();
    Report->DoBeforePrint(band);
    PrepareShiftTree(band);
    Extended x = CurX;
    RunVBands(band);
    CurX = x;
    Store()->AddPageAction = TkvxAddPageAction::Add;
    std::vector<Integer> breaks = vBreaks_;
    vContext_ = band;
    PrepareBand(band);
    if (band->Visible()) {
      // The cells carry their places on the page.
      band->SetLeft(0);
      band->SetTop(CurY);
      vBreaks_ = breaks;
      vContext_ = band;
      OutputVBandParts(band);
      RecordPrinted(band);
      CurY += band->Height();
    }
  } catch (...) {
    UnprepareBand(band);
    vContext_ = outer;
    throw;
  }
  UnprepareBand(band);
  vContext_ = outer;
}

void TkvxEngine::RunVBands(TkvxBand* band) {
  vContext_ = band;
  State(band).SavedObjectCount = static_cast<Integer>(band->Objects().size());
  vHeaderList_.Clear();
  vBreaks_.clear();
  CurVColumn = 0;
  // The row's own objects read the row's line numbers.
  Integer line = CurLine, lineThrough = CurLineThrough;
  // Cells that go to a following page read that page's number.
  Integer page = Store()->CurPage;
  vStartPage_ = page;
  try {
    ShowVDataBands(vMasters_[static_cast<TkvxReportPage*>(band->GetPage())]);
  } catch (...) {
    Store()->CurPage = page;
    throw;
  }
  Store()->CurPage = page;
  CurLine = line;
  CurLineThrough = lineThrough;
}

void TkvxEngine::ShowVDataBands(const std::vector<TkvxBand*>& list) {
  for (TkvxBand* b : list) {
    auto* band = static_cast<TkvxDataBand*>(b);
    TkvxDataSet* ds = BandData(band);
    if (!ds) continue;
    TBandState& st = State(band);
    if (!st.MasterDetailDone) PointAtMaster(band);
    st.MasterDetailDone = false;
    ds->First();
    st.Line = st.LineThrough = 1;
    bool first = true;
    while (!ds->Eof()) {
      if (HasDetailRows(band, band->PrintIfDetailEmpty)) {
        if (first) {
          AddToHeaderList(st.Header);
          ShowBand(st.Header);
        }
        if (st.Group) {
          if (first) InitGroups(band, true, 0);
          else CheckGroups(band);
        }
        CurLine = st.Line;
        CurLineThrough = st.LineThrough;
        ShowBand(band);
        ++st.Line;
        ++st.LineThrough;
        first = false;
        if (!st.SubBands.empty()) ShowVDataBands(st.SubBands);
      }
      if (band->FooterAfterEach) ShowBand(st.Footer);
      ds->Next();
      if ((band->RowCount() != 0 && band->RowCount() < st.Line) || Report->Terminated) break;
    }
    if (!first) {
      if (st.Group) EndGroups(band, 0);
      RemoveFromHeaderList(st.Header);
      if (!band->FooterAfterEach) ShowBand(st.Footer);
    }
    if (Report->Terminated) break;
  }
}

void TkvxEngine::ShowVBand(TkvxBand* band) {
  TkvxBand* row = vContext_;
  if (!row) return;
  auto* data = dynamic_cast<TkvxDataBand*>(band);
  const bool footer = IsFooter(band);
  if (data) ++CurVColumn;
  curBand_ = AggregateParent(band, row);
  Report->CurrentObjectName = band->Name();
  band->BeforePrint();
  Report->DoBeforePrint(band);
  const Integer column = CurVColumn;
  try {
    if (band->Visible()) {
      if (CurX + band->Width() > PageWidth + kTolerance) {
        if (curPage_->EndlessWidth()) {
          PageWidth += band->Width();
        } else if (CurX > kTolerance) {
          // A cell wider than the page starts a page of its own once, not on every attempt.
          CurX = 0;
          vBreaks_.push_back(static_cast<Integer>(row->Objects().size()));
          Store()->CurPage = vStartPage_ + static_cast<Integer>(vBreaks_.size());
          for (Integer i = 0; i < vHeaderList_.Count(); ++i) ShowBand(vHeaderList_.Items(i).Band);
          curBand_ = AggregateParent(band, row);
        }
      }
      // A footer's cell sums up the row across its columns.
      if (footer) CurVColumn = 0;
      for (TkvxComponent* c : std::vector<TkvxComponent*>(band->Objects())) {
        auto* obj = dynamic_cast<TkvxReportComponent*>(c);
        if (!obj || ObjState(obj).HomeBand != row) continue;
        Report->CurrentObjectName = obj->Name();
        obj->BeforePrint();
        try {
          Report->DoBeforePrint(obj);
          if (obj->Visible()) {
            obj->GetData();
            if (auto* view = dynamic_cast<TkvxView*>(obj)) Report->DoNotifyEvent(view, view->OnAfterData);
            auto* cell = static_cast<TkvxComponent*>(obj->ClassType()->CreateComponent(nullptr));
            cell->Assign(obj);
            // Stored as a difference against the same template as the object it copies.
            cell->SourceObject = obj->SourceObject;
            cell->SourceName = obj->SourceName;
            cell->SetLeft(CurX + obj->Left());
            cell->SetParent(row);
          }
        } catch (...) {
          obj->AfterPrint();
          throw;
        }
        obj->AfterPrint();
      }
      CurVColumn = column;
      CurX += band->Width();
    }
  } catch (...) {
    CurVColumn = column;
    band->AfterPrint();
    throw;
  }
  Report->CurrentObjectName = band->Name();
  Report->DoAfterPrint(band);
  band->AfterPrint();
  // Only data rows count: a heading row of cells is no record of the data.
  if (data && dynamic_cast<TkvxDataBand*>(row)) {
    aggregates_.AddValue(band, column);
    aggregates_.AddValue(band, 0);
  }
  if (footer) aggregates_.Reset(band);
}

void TkvxEngine::OutputVBandParts(TkvxBand* band) {
  if (vBreaks_.empty()) {
    Store()->AddObject(band);
    return;
  }
  std::vector<TkvxComponent*> all(band->Objects());
  std::vector<Integer> breaks = vBreaks_;
  Integer page = Store()->CurPage;
  vPagesAhead_ = std::max(vPagesAhead_, static_cast<Integer>(breaks.size()));
  Extended x = CurX, y = CurY;
  auto restore = [&] {
    SetBandObjects(band, all);
    Store()->CurPage = page;
    CurX = x;
    CurY = y;
    Store()->AddPageAction = TkvxAddPageAction::Add;
  };
  try {
    size_t start = 0;
    for (size_t k = 0; k <= breaks.size(); ++k) {
      size_t end = k < breaks.size() ? static_cast<size_t>(breaks[k]) : all.size();
      SetBandObjects(band, std::vector<TkvxComponent*>(all.begin() + static_cast<std::ptrdiff_t>(start),
                                                       all.begin() + static_cast<std::ptrdiff_t>(end)));
      Store()->AddObject(band);
      if (k < breaks.size()) NextVPage(k > 0);
      start = end;
    }
    EndVPage();
  } catch (...) {
    vBreak_ = false;
    restore();
    throw;
  }
  restore();
}

// Closes a page a wide row continued on; its footers print once however many rows pass it.
void TkvxEngine::EndVPage() {
  bool firstPage = firstPage_, finishing = finishing_;
  Integer column = CurColumn;
  Extended reserve = footerReserve_;
  vBreak_ = true;
  // The report's summary belongs to the page the report ends on, not to one a row continued on.
  finishing_ = false;
  try {
    EndPage();
  } catch (...) {
    vBreak_ = false;
    finishing_ = finishing;
    throw;
  }
  finishing_ = finishing;
  vBreak_ = false;
  firstPage_ = firstPage;
  CurColumn = column;
  footerReserve_ = reserve;
}

// The row's page goes on after its row: the page the row continues on leaves its state alone.
void TkvxEngine::NextVPage(bool endLeaving) {
  if (endLeaving) EndVPage();
  Integer column = CurColumn;
  Extended top = columnTop_, reserve = footerReserve_;
  vBreak_ = true;
  Store()->AddPageAction = TkvxAddPageAction::WriteOver;
  AddPage();
  vBreak_ = false;
  CurColumn = column;
  columnTop_ = top;
  footerReserve_ = reserve;
}

}  // namespace orv
