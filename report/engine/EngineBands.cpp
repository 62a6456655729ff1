// Links between the bands of a page and the walk of data bands, groups and details over the data.
#include <algorithm>
#include <cmath>

#include "platform/gui/Application.h"
#include "platform/rtl/Conversions.h"
#include "report/engine/Engine.h"
#include "report/engine/ObjectKinds.h"
#include "report/model/Resources.h"

namespace orv {

namespace {

bool IsGroupHeader(TkvxBand* b) { return kvxAs<TkvxGroupHeader>(b) != nullptr; }
bool IsDataBand(TkvxBand* b) { return kvxAs<TkvxDataBand>(b) != nullptr; }

String Res(const char* key) { return kvxGetResources()->Get(key); }

void Pack(std::vector<TkvxBand*>& list) { std::erase(list, nullptr); }

}  // namespace

void TkvxEngine::PrepareBands(TkvxReportPage* page, bool vertical) {
  page->AlignChildren();
  std::vector<TkvxBand*>& masters = vertical ? vMasters_[page] : masters_[page];
  masters.clear();
  std::vector<TkvxBand*> vbands;
  if (!vertical)
    for (TkvxComponent* c : page->Objects())
      if (auto* band = kvxAs<TkvxBand>(c); band && band->Vertical()) vbands.push_back(band);
  std::vector<TkvxBand*> list;
  for (TkvxComponent* c : std::vector<TkvxComponent*>(page->Objects())) {
    auto* band = kvxAs<TkvxBand>(c);
    if (!band || band->Vertical() != vertical) continue;
    if (auto* data = kvxAs<TkvxDataBand>(band); data && !data->DataSet() && data->RowCount() >= 1)
      data->VirtualDataSet()->Initialize();
    if (!vbands.empty() && !kvxAs<TkvxOverlay>(band)) HandOver(band, vbands);
    Integer n = band->GetBandNumber();
    if (n >= 4 && n <= 13) list.push_back(band);
  }
  // Bands at the same position keep their order on the page: neither is lost.
  auto position = [vertical](TkvxBand* b) { return std::lround((vertical ? b->Left() : b->Top()) * 100); };
  std::stable_sort(list.begin(), list.end(), [&](TkvxBand* a, TkvxBand* b) { return position(a) < position(b); });
  LinkGroups(list);
  LinkHeaders(list);
  LinkMasterDetail(masters, list);
  Pack(list);
  for (TkvxBand* b : list) AddError(Res("enBandPos") + " " + b->Name());
}

void TkvxEngine::LinkGroups(std::vector<TkvxBand*>& list) {
  for (size_t i = 0; i < list.size();) {
    if (!list[i] || !IsGroupHeader(list[i])) {
      ++i;
      continue;
    }
    TkvxBand* first = list[i];
    std::vector<TkvxBand*> nest;
    while (i < list.size() && list[i] && IsGroupHeader(list[i])) nest.push_back(list[i++]);
    State(first).SubBands = nest;
    while (i < list.size() && (!list[i] || !IsDataBand(list[i]))) ++i;
    if (i == list.size()) AddError(Res("enUnconnGroup") + " " + first->Name());
    else State(list[i]).Group = static_cast<TkvxGroupHeader*>(first);
  }
  for (size_t i = 0; i < list.size(); ++i) {
    if (!list[i] || !kvxAs<TkvxGroupFooter>(list[i])) continue;
    for (size_t j = i; j-- > 0;) {
      if (list[j] && IsGroupHeader(list[j]) && !State(list[j]).GroupFooter) {
        State(list[j]).GroupFooter = static_cast<TkvxGroupFooter*>(list[i]);
        list[j] = nullptr;
        list[i] = nullptr;
        break;
      }
    }
  }
  for (TkvxBand*& b : list) {
    if (b && IsGroupHeader(b)) b = nullptr;
    else if (b && kvxAs<TkvxGroupFooter>(b)) {
      AddError(Res("enUnconnGFooter") + " " + b->Name());
      b = nullptr;
    }
  }
  Pack(list);
}

void TkvxEngine::LinkHeaders(std::vector<TkvxBand*>& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (!list[i] || !IsDataBand(list[i])) continue;
    TBandState& st = State(list[i]);
    if (i > 0 && list[i - 1] && kvxAs<TkvxHeader>(list[i - 1])) {
      st.Header = static_cast<TkvxHeader*>(list[i - 1]);
      list[i - 1] = nullptr;
    }
    if (i + 1 < list.size() && list[i + 1] && kvxAs<TkvxFooter>(list[i + 1])) {
      st.Footer = static_cast<TkvxFooter*>(list[i + 1]);
      list[i + 1] = nullptr;
    }
  }
  for (TkvxBand*& b : list) {
    if (b && (kvxAs<TkvxHeader>(b) || kvxAs<TkvxFooter>(b))) {
      AddError(Res("enUnconnHeader") + " " + b->Name());
      b = nullptr;
    }
  }
  Pack(list);
}

void TkvxEngine::LinkMasterDetail(std::vector<TkvxBand*>& masters, std::vector<TkvxBand*>& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    auto* master = kvxAs<TkvxMasterData>(list[i]);
    if (!master) continue;
    list[i] = nullptr;
    if (master->DataSet() || master->RowCount() >= 1) masters.push_back(master);
    LinkDetails(master, list, i + 1);
  }
}

void TkvxEngine::LinkDetails(TkvxDataBand* band, std::vector<TkvxBand*>& list, size_t from) {
  Integer level = band->GetBandNumber();
  for (size_t i = from; i < list.size(); ++i) {
    if (!list[i]) continue;
    Integer n = list[i]->GetBandNumber();
    if (n <= level) break;
    if (n != level + 1) continue;
    auto* detail = static_cast<TkvxDataBand*>(list[i]);
    list[i] = nullptr;
    if (detail->DataSet() || detail->RowCount() >= 1) State(band).SubBands.push_back(detail);
    if (n < 11) LinkDetails(detail, list, i + 1);
  }
}

TkvxDataSet* TkvxEngine::BandData(TkvxBand* b) {
  auto* d = static_cast<TkvxDataBand*>(b);
  return d->DataSet() ? d->DataSet() : (d->RowCount() >= 1 ? d->VirtualDataSet() : nullptr);
}

void TkvxEngine::PointAtMaster(TkvxDataBand* band) {
  // The report script points the band's data at its master's present row.
  State(band).MasterDetailDone = true;
  Report->CurrentObjectName = band->Name();
  Report->DoNotifyEvent(band, band->OnMasterDetail);
}

bool TkvxEngine::ListHasDetailRows(const std::vector<TkvxBand*>& list) {
  for (TkvxBand* b : list) {
    TkvxDataSet* ds = BandData(b);
    if (!ds) continue;
    auto* d = static_cast<TkvxDataBand*>(b);
    PointAtMaster(d);
    for (ds->First(); !ds->Eof(); ds->Next())
      if (HasDetailRows(d, d->PrintIfDetailEmpty)) return true;
  }
  return false;
}

bool TkvxEngine::HasDetailRows(TkvxDataBand* band, bool printIfEmpty) {
  if (printIfEmpty) return true;
  const std::vector<TkvxBand*>& list = State(band).SubBands;
  return list.empty() || ListHasDetailRows(list);
}

bool TkvxEngine::PageHasDetailRows(TkvxReportPage* page, bool printIfEmpty) {
  return printIfEmpty || ListHasDetailRows(masters_[page]);
}

void TkvxEngine::ShowDataBands(const std::vector<TkvxBand*>& list) {
  Application->ProcessMessages();
  if (Report->Terminated) return;
  for (TkvxBand* b : std::vector<TkvxBand*>(list)) {
    ShowDataBand(static_cast<TkvxDataBand*>(b));
    if (Report->Terminated) break;
  }
}

void TkvxEngine::ShowDataBand(TkvxDataBand* band) {
  TkvxDataSet* ds = BandData(band);
  if (!ds) return;
  TBandState& st = State(band);
  // Not yet pointed for this row of its master when the master prints without asking whether
  // its details have rows.
  if (!st.MasterDetailDone) PointAtMaster(band);
  st.MasterDetailDone = false;
  ds->First();
  st.Line = st.LineThrough = 1;
  band->SetCurColumn(1);
  bool first = true;
  const bool cells = band->Columns >= 2 && !band->Vertical();
  st.RowOpen = false;
  TkvxKeepPoint footerPoint;
  // Footer values go with the rows that move: the last row with its footer, a row of columns.
  struct TMarks {
    TkvxAggregateList& List;
    Integer Footer, Row;
    ~TMarks() {
      List.CloseMark(Footer);
      List.CloseMark(Row);
    }
  } marks{aggregates_, band->KeepFooter ? aggregates_.OpenMark() : -1,
          band->Columns >= 2 ? aggregates_.OpenMark() : -1};
  while (!ds->Eof()) {
    if (HasDetailRows(band, band->PrintIfDetailEmpty)) {
      if (first) {
        if (band->KeepHeader && st.Header) {
          StartKeep(band);
          // Only a block that really began keeps the header from being repeated.
          keepHeader_ = keeping_ && keepBand_ == band;
        }
        AddToHeaderList(st.Header);
        ShowBand(st.Header);
        if (band->KeepTogether) StartKeep(band);
      } else if (band->KeepTogether && !st.Group) {
        StartKeep(band);
      }
      if (st.Group) {
        if (first) InitGroups(band, true, 0);
        else CheckGroups(band);
      }
      if (band->KeepFooter) footerPoint = TakeKeepPoint(marks.Footer);
      if (cells) BeginCell(band, marks.Row);
      CurLine = st.Line;
      CurLineThrough = st.LineThrough;
      ShowBand(band);
      if (first && band->KeepHeader && st.Header) EndKeep(band);
      ++st.Line;
      ++st.LineThrough;
      first = false;
      AddBandOutline(band);
      if (!st.SubBands.empty()) ShowDataBands(st.SubBands);
      OutlineUp(band);
      if (cells) EndCell(band);
      st.SincePrinted = 0;
    }
    keepDisabled_ = false;
    if (band->FooterAfterEach) ShowBand(st.Footer);
    if (band->KeepTogether && !st.Group) EndKeep(band);
    ds->Next();
    ++st.SincePrinted;
    if ((band->RowCount() != 0 && band->RowCount() < st.Line) || Report->Terminated) break;
  }
  if (cells) CloseRow(band);
  if (!first) {
    // At the end of the data the data set stands on its last record.
    if (st.Group) EndGroupsAtLastRow(band, 0, std::max<Integer>(st.SincePrinted - (ds->Eof() ? 1 : 0), 0));
    if (!band->FooterAfterEach) {
      if (band->KeepFooter) StartKeep(band, &footerPoint);
      footerShowing_ = true;
      ShowBand(st.Footer);
      if (band->KeepFooter) EndKeep(band);
      footerShowing_ = false;
    }
    RemoveFromHeaderList(st.Header);
    if (st.Group && band->KeepTogether) EndKeep(band);
  }
  keepDisabled_ = false;
}

const std::vector<TkvxGroupHeader*>& TkvxEngine::GroupNest(TkvxDataBand* band) {
  TBandState& st = State(band);
  if (!st.NestListed) {
    st.NestListed = true;
    if (TkvxGroupHeader* g = st.Group)
      for (TkvxBand* b : State(g).SubBands) st.Nest.push_back(static_cast<TkvxGroupHeader*>(b));
  }
  return st.Nest;
}

void TkvxEngine::InitGroups(TkvxDataBand* band, bool initial, size_t from) {
  const std::vector<TkvxGroupHeader*>& nest = GroupNest(band);
  for (size_t i = 0; i < nest.size(); ++i) {
    TBandState& st = State(nest[i]);
    if (initial) {
      st.Line = st.LineThrough = 1;
    } else {
      if (i == from) ++st.Line;
      else if (i > from) st.Line = 1;
      if (i >= from) ++st.LineThrough;
    }
  }
  ApplyDrillDown(band);
  for (size_t i = from; i < nest.size(); ++i) {
    TkvxGroupHeader* g = nest[i];
    TBandState& st = State(g);
    CurLine = st.Line;
    CurLineThrough = st.LineThrough;
    Report->CurrentObjectName = g->Name();
    g->LastValue = Report->Calc(g->Condition);
    g->DrillDownGroup = st.LineThrough;
    if (g->KeepTogether) StartKeep(g);
    ShowBand(g);
    AddBandOutline(g);
    AddToHeaderList(g);
  }
}

namespace {

// Values that cannot be compared (a date column's text that is no date after a date) start
// a new group rather than stop the report.
bool SameGroupValue(const Variant& a, const Variant& b) {
  try {
    return a == b;
  } catch (const EConvertError&) {
    return false;
  }
}

}  // namespace

void TkvxEngine::CheckGroups(TkvxDataBand* band) {
  ApplyDrillDown(band);
  const std::vector<TkvxGroupHeader*>& nest = GroupNest(band);
  size_t changed = nest.size();
  for (size_t i = 0; i < nest.size(); ++i) {
    Report->CurrentObjectName = nest[i]->Name();
    Variant v = Report->Calc(nest[i]->Condition);
    if (!(v.IsNull() && nest[i]->LastValue.IsNull()) &&
        (v.IsNull() != nest[i]->LastValue.IsNull() || !SameGroupValue(v, nest[i]->LastValue))) {
      changed = i;
      break;
    }
  }
  if (changed == nest.size()) return;
  // The group's last row of columns is closed before its footers.
  if (band->Columns >= 2) CloseRow(band);
  EndGroupsAtLastRow(band, changed, std::max<Integer>(State(band).SincePrinted, 1));
  InitGroups(band, false, changed);
  State(band).Line = 1;
}

void TkvxEngine::EndGroupsAtLastRow(TkvxDataBand* band, size_t from, Integer back) {
  // The footers show the group's last printed row, not the rows after it that printed nothing.
  TkvxDataSet* ds = BandData(band);
  for (Integer i = 0; i < back; ++i) ds->Prior();
  EndGroups(band, from);
  for (Integer i = 0; i < back; ++i) ds->Next();
}

void TkvxEngine::EndGroups(TkvxDataBand* band, size_t from) {
  const std::vector<TkvxGroupHeader*>& nest = GroupNest(band);
  for (size_t i = nest.size(); i-- > from;) {
    TkvxGroupHeader* g = nest[i];
    if (TkvxGroupFooter* footer = State(g).GroupFooter) {
      if (footer->HideIfSingleDataRecord && State(band).Line < 3) aggregates_.Reset(footer);
      else ShowBand(footer);
    }
    OutlineUp(g);
    RemoveFromHeaderList(g);
    if (g->KeepTogether) EndKeep(g);
  }
}

void TkvxEngine::ApplyDrillDown(TkvxDataBand* band) {
  const std::vector<TkvxGroupHeader*>& nest = GroupNest(band);
  for (size_t i = 0; i < nest.size(); ++i) {
    TkvxGroupHeader* g = nest[i];
    if (!g->DrillDown) continue;
    // The state list names a group by its header and the number of times the header started.
    String key = g->Name() + "." + IntToStr(State(g).LineThrough);
    bool expanded = Report->DrillDownState->IndexOf(key) >= 0;
    if (g->ExpandDrillDown) expanded = !expanded;
    for (size_t j = i + 1; j < nest.size(); ++j) {
      nest[j]->SetVisible(expanded);
      if (TkvxGroupFooter* f = State(nest[j]).GroupFooter) f->SetVisible(expanded);
    }
    band->SetVisible(expanded);
    if (!g->ShowFooterIfDrillDown)
      if (TkvxGroupFooter* f = State(g).GroupFooter) f->SetVisible(expanded);
    if (!expanded) break;
  }
}

TPlace TkvxEngine::Here() const { return TPlace{Store()->CurPage, CurColumn, CurX, CurY}; }

void TkvxEngine::GoTo(const TPlace& place) {
  Store()->CurPage = place.Page;
  CurColumn = place.Column;
  CurX = place.X;
  CurY = place.Y;
  firstPage_ = place.Page == copyFirstPage_;
}

void TkvxEngine::BeginCell(TkvxDataBand* band, Integer rowMark) {
  TBandState& st = State(band);
  if (!st.RowOpen) {
    st.RowOpen = true;
    ++openRows_;
    st.RowMoved = false;
    st.RowStart = st.RowEnd = Here();
    st.RowPoint = TakeKeepPoint(rowMark);
    st.RowOffset = xOffset_;
  } else {
    GoTo(st.RowStart);
  }
  // Page breaks inside the cell return to the cell's own column.
  const Extended columnX = (band->CurColumn() - 1) * (band->ColumnWidth + band->ColumnGap);
  xOffset_ = st.RowOffset + columnX;
  CurX = st.RowStart.X + columnX;
}

void TkvxEngine::EndCell(TkvxDataBand* band) {
  TBandState& st = State(band);
  TPlace end = Here();
  end.X -= xOffset_ - st.RowOffset;
  if (kvxFurther(end, st.RowEnd)) st.RowEnd = end;
  xOffset_ = st.RowOffset;
  CurX = end.X;
  if (!band->Visible()) return;
  if (band->CurColumn() < band->Columns) band->SetCurColumn(band->CurColumn() + 1);
  else CloseRow(band);
}

void TkvxEngine::CloseRow(TkvxDataBand* band) {
  TBandState& st = State(band);
  if (st.RowOpen) {
    st.RowOpen = false;
    xOffset_ = st.RowOffset;
    if (--openRows_ == 0) ShowWaitingFooters();
    GoTo(st.RowEnd);
  }
  band->SetCurColumn(1);
}

void TkvxEngine::MoveRow(TkvxDataBand* band) {
  TBandState& st = State(band);
  // A row at the top of its column would find no more room in the next.
  if (!st.RowOpen || st.RowMoved || (st.RowStart.Y <= columnTop_ + 0.0001 && !keeping_)) return;
  st.RowMoved = true;
  const Extended columnX = xOffset_ - st.RowOffset;
  // A row that leaves the page whole leaves nothing there to wait for: the footers show now.
  const Integer openRows = openRows_;
  const bool whole = st.RowEnd.Page == st.RowStart.Page && st.RowEnd.Column == st.RowStart.Column;
  if (whole) openRows_ = 0;
  xOffset_ = st.RowOffset;
  CurX = st.RowStart.X;
  if (!whole) {
    // Cells of the row already went on to further pages: this one follows them alone.
    NewColumn();
  } else if (keeping_) {
    // The kept block holds the row; it ends at the block's foot.
    const Extended height = st.RowEnd.Y - st.RowStart.Y;
    NewColumn();
    st.RowStart = st.RowEnd = Here();
    st.RowStart.Y -= height;
    CurY = st.RowStart.Y;
  } else {
    // The row's cells, and what the page and column footers counted of them, go on together.
    const Integer oldPage = Store()->CurPage;
    Store()->CutObjects(st.RowPoint.Objects);
    // The column now ends above the row: its footer goes there, not below the row that left.
    CurY = st.RowStart.Y;
    if (st.RowPoint.Mark >= 0) aggregates_.StartKeepAt(st.RowPoint.Mark);
    NewColumn();
    aggregates_.EndKeep();
    Store()->PasteObjects(CurX, CurY);
    BlockMoved(st.RowPoint, oldPage, CurY);
    const Extended height = st.RowEnd.Y - st.RowStart.Y;
    st.RowStart = st.RowEnd = Here();
    st.RowEnd.Y += height;
    CurY = st.RowStart.Y;
  }
  openRows_ = openRows;
  xOffset_ = st.RowOffset + columnX;
  CurX += columnX;
}

std::vector<TkvxBand*> TkvxEngine::FootersOf(TkvxDataBand* band) {
  std::vector<TkvxBand*> footers;
  if (TkvxFooter* f = State(band).Footer) footers.push_back(f);
  for (TkvxGroupHeader* g : GroupNest(band))
    if (TkvxGroupFooter* f = State(g).GroupFooter) footers.push_back(f);
  return footers;
}

std::vector<TkvxDataBand*> TkvxEngine::DetailsOf(TkvxDataBand* band) {
  std::vector<TkvxDataBand*> details;
  for (TkvxBand* b : State(band).SubBands) details.push_back(static_cast<TkvxDataBand*>(b));
  return details;
}

}  // namespace orv
