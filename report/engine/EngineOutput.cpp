// One band on the prepared page: its data, the stretching of its objects and the shifting of
// those below them, the fit test, splitting across pages and columns, and subreports.
#include <algorithm>
#include <cmath>
#include <set>

#include "platform/rtl/Conversions.h"
#include "report/engine/Engine.h"
#include "report/engine/ObjectKinds.h"
#include "report/model/MemoView.h"
#include "report/model/Pages.h"
#include "report/model/ReportUtils.h"

namespace orv {

namespace {

constexpr Extended kTolerance = 0.0001;

bool OverlapH(Extended l1, Extended r1, Extended l2, Extended r2) {
  return r1 - l2 > kTolerance && r2 - l1 > kTolerance;
}
Extended Bottom(TkvxComponent* c) { return c->Top() + c->Height(); }

}  // namespace

void TkvxEngine::ShowBand(TkvxBand* band) {
  if (!band) return;
  // A vertical data band counts its cells as it makes them.
  const bool row = kvxAs<TkvxDataBand>(band) && !band->Vertical();
  TPendingRow pending{band};
  struct TPendingGuard {
    std::vector<TPendingRow*>& List;
    TPendingRow* Row;
    ~TPendingGuard() {
      if (Row) std::erase(List, Row);
    }
  } guard{pendingRows_, row ? &pending : nullptr};
  if (row) pendingRows_.push_back(&pending);
  if (band->KeepChild()) StartKeep(band, 0);
  DoShowBand(band);
  if (band->Child() && (band->Visible() || band->PrintChildIfInvisible())) ShowBand(band->Child());
  if (band->KeepChild()) EndKeep(band);
  if (row && !pending.Counted) aggregates_.AddValue(band, 0);
}

void TkvxEngine::CountPrintedRows() {
  // Rows of a kept block go with the block.
  if (keeping_) return;
  for (TPendingRow* row : pendingRows_)
    if (row->Printed && !row->Counted) {
      aggregates_.AddValue(row->Band, 0);
      row->Counted = true;
    }
}

void TkvxEngine::DoShowBand(TkvxBand* band) {
  if (band->Vertical()) {
    ShowVBand(band);
    return;
  }
  auto* data = kvxAs<TkvxDataBand>(band);
  bool multiColumn = data && data->Columns > 1;
  // A cell of a row of columns is placed by its row, which begins it in its column.
  const bool cell = multiColumn && State(band).RowOpen;
  bool isNull = kvxAs<TkvxNullBand>(band) != nullptr;
  const bool cells = State(band).HasVBands;
  TkvxBand* outerContext = vContext_;
  std::vector<Integer> vBreaks;
  Extended cellsX = 0;
  // The row's cells count as they are made, before the row knows where it goes: a row that
  // moves takes what the page and column footers counted of it along.
  struct TRowMark {
    TkvxAggregateList& List;
    Integer Mark;
    ~TRowMark() { List.CloseMark(Mark); }
  } rowMark{aggregates_, cells ? aggregates_.OpenMark() : -1};
  try {
    if (cells) {
      Report->CurrentObjectName = band->Name();
      band->BeforePrint();
      Report->DoBeforePrint(band);
      // Built from the band's own objects, before any cell joins them.
      PrepareShiftTree(band);
      cellsX = CurX;
      RunVBands(band);
      CurX = cellsX;
      Store()->AddPageAction = TkvxAddPageAction::Add;
      vBreaks = vBreaks_;
    }
  } catch (...) {
    UnprepareBand(band);
    vContext_ = outerContext;
    throw;
  }
  if (!reprintingHeader_ && band->Visible() && band->StartNewPage() && !parentContainer_) {
    auto* group = kvxAs<TkvxGroupHeader>(band);
    bool firstRow = (data || group) && State(band).Line == 1;
    if (!firstRow) {
      newPageBand_ = band;
      if (group && group->ResetPageNumbers) Store()->ResetLogicalPageNumber();
      NewPage();
      newPageBand_ = nullptr;
    }
  }
  try {
    // A new page may have made cells of its own headers meanwhile.
    if (cells) vContext_ = band;
    const Integer anchorsFrom = Store()->GetAnchorCur() + 1;
    PrepareBand(band);
    State(band).SubreportPlaces.clear();
    if (band->Visible()) {
      bool fitTest = (!multiColumn || cell) && !isNull && !kvxAs<TkvxOverlay>(band) && !parentContainer_;
      if (fitTest && FreeSpace() < band->Height()) {
        bool tooHigh = band->Height() > PageHeight - FooterHeight();
        bool allowSplit = band->AllowSplit() && !cells;
        bool split = (allowSplit && !keeping_) || (tooHigh && !cells);
        if (cell) {
          // A cell that may not split takes its row to the next column or page; one that fits
          // nowhere is placed once, clipped at the column's foot.
          if (!(allowSplit && !keeping_)) MoveRow(data);
          split = FreeSpace() < band->Height();
        }
        if (split) {
          if (!cell && !allowSplit && State(band).LineThrough > 1 && !band->StartNewPage()) NewColumn();
          if (keeping_) EndKeep(band);
          SplitBand(band, cell && !allowSplit);
          UnprepareBand(band);
          aggregates_.Reset(band);
          ShowSubreports(band);
          return;
        }
        bool wasKeeping = keeping_;
        if (!keeping_ && !cells) ReprepareBand(band);
        // Anchors the band's scripts set go with it; a kept block takes its own along.
        const Integer anchorsTo = Store()->GetAnchorCur() + 1, fromPage = Store()->CurPage;
        const Extended fromY = CurY;
        bool carry = rowMark.Mark >= 0 && !keeping_;
        if (carry) aggregates_.StartKeepAt(rowMark.Mark);
        if (!(kvxAs<TkvxChild>(band) && reprintingHeader_) && !cell) NewColumn();
        if (carry) aggregates_.EndKeep();
        if (!wasKeeping) Store()->MoveAnchors(anchorsFrom, anchorsTo, fromPage, Store()->CurPage, CurY - fromY);
        if (FreeSpace() < band->Height() && wasKeeping && !cell) NewColumn();
      }
      if (!isNull) {
        // A cell's column is in CurX already.
        band->SetLeft(CurX + (multiColumn && !cell ? (data->CurColumn() - 1) * (data->ColumnWidth + data->ColumnGap) : 0));
        band->SetTop(CurY);
      }
      if (parentContainer_) {
        // A band of the same class: the copy reads the band's own stored form.
        auto* copy = static_cast<TkvxBand*>(band->ClassType()->CreateComponent(nullptr));
        copy->AssignAll(band);
        copy->SetParent(parentContainer_.get());
        parentContainer_->InsertComponent(copy);
      } else if (cells) {
        vBreaks_ = vBreaks;
        vContext_ = band;
        // The cells were placed from where the row stood then; the row may have moved to
        // another page column since.
        band->SetLeft(CurX - cellsX);
        OutputVBandParts(band);
      } else if (!(State(band).Reprint && Store()->BandExists(band))) {
        Store()->AddObject(band);
      }
      RecordPrinted(band);
      if (!parentContainer_) {
        MarkRowPrinted(band);
        NoteSubreports(band, band->Objects());
      }
      CurY += band->Height();
    }
  } catch (...) {
    UnprepareBand(band);
    vContext_ = outerContext;
    throw;
  }
  UnprepareBand(band);
  vContext_ = outerContext;
  aggregates_.Reset(band);
  if (!band->Visible()) return;
  if (band == titleOfPage_ && reprintingHeader_) titleSubreportsWait_ = true;
  else ShowSubreports(band);
}

void TkvxEngine::MarkRowPrinted(TkvxBand* band) {
  for (auto it = pendingRows_.rbegin(); it != pendingRows_.rend(); ++it)
    if ((*it)->Band == band) {
      (*it)->Printed = true;
      break;
    }
}

void TkvxEngine::NoteSubreports(TkvxBand* band, const std::vector<TkvxComponent*>& objects) {
  for (TkvxComponent* c : objects)
    if (auto* s = kvxAs<TkvxSubreport>(c); s && s->Visible() && !s->PrintOnParent && s->Page())
      State(band).SubreportPlaces.push_back({s, Here(), s->Top()});
}

void TkvxEngine::RecordPrinted(TkvxBand* band) {
  TBandState& st = State(band);
  st.PrintedPage = Store()->CurPage;
  st.PrintedTop = CurY;
  st.PrintedHeight = band->Height();
}

// An object pushes down those below it that it stands directly above: nothing else lies wholly
// between the two across the width they share. Each object looks upwards only as far as the
// objects wholly above it cover its width; the band is the root of those nothing stands above.
void TkvxEngine::PrepareShiftTree(TkvxBand* band) {
  TBandState& st = State(band);
  if (st.ShiftTreeBuilt) return;
  st.ShiftTreeBuilt = true;
  std::vector<TkvxComponent*> order(band->Objects());
  std::stable_sort(order.begin(), order.end(), [](TkvxComponent* a, TkvxComponent* b) {
    return std::lround(a->Top() * 100) < std::lround(b->Top() * 100);
  });
  const size_t n = order.size();
  // Tops and bottoms as the page places them, sides within the band.
  struct TBox {
    Extended Top, Bottom, Left, Right, OwnTop;
  };
  std::vector<TBox> box(n);
  bool negativeWidth = false;
  for (size_t i = 0; i < n; ++i) {
    TkvxComponent* c = order[i];
    ObjState(c).ShiftChildren.clear();
    Extended top = c->AbsTop();
    box[i] = {top, top + c->Height(), c->Left(), c->Left() + c->Width(), c->Top()};
    negativeWidth = negativeWidth || c->Width() < 0;
  }
  auto overlapV = [&box](size_t a, size_t b) {
    return box[a].Bottom - box[b].Top > kTolerance && box[b].Bottom - box[a].Top > kTolerance;
  };
  // The lowest bottom of the objects up to each place in the order.
  std::vector<Extended> lowest(n);
  for (size_t i = 0; i < n; ++i) lowest[i] = i ? std::max(lowest[i - 1], box[i].Bottom) : box[i].Bottom;
  // Objects enter the set of those wholly above the one at hand as the tops go down the band.
  std::vector<size_t> byBottom(n);
  for (size_t i = 0; i < n; ++i) byBottom[i] = i;
  std::stable_sort(byBottom.begin(), byBottom.end(), [&box](size_t a, size_t b) { return box[a].Bottom < box[b].Bottom; });
  std::set<size_t> above;
  size_t entered = 0;
  // Objects nearly without height may lie wholly above objects in their own row: they look at all.
  constexpr Extended kThin = 0.02;
  std::vector<size_t> between;
  std::vector<std::pair<Extended, Extended>> spans;
  std::vector<TkvxComponent*> roots;
  for (size_t b = 0; b < n; ++b) {
    const TBox& B = box[b];
    const bool thin = B.Bottom - B.Top <= kThin;
    while (entered < n && box[byBottom[entered]].Bottom <= B.Top + kThin) above.insert(byBottom[entered++]);
    between.clear();
    spans.clear();
    bool covered = false;
    const bool coverable = !negativeWidth && B.Right - B.Left > 2 * kTolerance;
    Extended coverTop = 0;
    // Whether object k stands directly above B; true once every object further up is covered.
    auto look = [&](size_t k) {
      const TBox& K = box[k];
      if (!overlapV(k, b) && OverlapH(K.Left, K.Right, B.Left, B.Right)) {
        if (B.OwnTop > K.OwnTop) {
          Extended l = std::max(K.Left, B.Left), r = std::min(K.Right, B.Right);
          bool blocked = std::any_of(between.begin(), between.end(), [&](size_t m) {
            return !overlapV(m, k) && OverlapH(box[m].Left, box[m].Right, l, r);
          });
          if (!blocked) ObjState(order[k]).ShiftChildren.push_back(order[b]);
        }
        coverTop = between.empty() ? K.Top : std::min(coverTop, K.Top);
        between.push_back(k);
        // Whatever a further object shares with B reaches more than the tolerance into B, so
        // it is overlapped by an object above spanning B, or by one of several that cover B's
        // width less the tolerance at either side, each less the tolerance at either side.
        if (!covered && coverable) {
          if (K.Left <= B.Left && K.Right >= B.Right) {
            covered = true;
          } else if (K.Right - K.Left > 2 * kTolerance) {
            std::pair<Extended, Extended> span{K.Left + kTolerance, K.Right - kTolerance};
            spans.insert(std::upper_bound(spans.begin(), spans.end(), span), span);
            Extended reach = B.Left + kTolerance;
            for (const auto& [l, r] : spans)
              if (l <= reach) reach = std::max(reach, r);
            covered = reach >= B.Right - kTolerance;
          }
        }
      }
      return covered && (k == 0 || lowest[k - 1] <= coverTop + kTolerance);
    };
    if (thin) {
      for (size_t k = b; k-- > 0;)
        if (look(k)) break;
    } else {
      for (auto it = above.lower_bound(b); it != above.begin();)
        if (look(*--it)) break;
    }
    if (between.empty()) roots.push_back(order[b]);
  }
  st.ShiftChildren = roots;
}

void TkvxEngine::PrepareBand(TkvxBand* band) {
  curBand_ = band;
  PrepareShiftTree(band);
  // The band of a row of cells was prepared before its cells were made, and the cells hold
  // their data already.
  const bool cellRow = band == vContext_ && State(band).HasVBands;
  const size_t own = cellRow ? static_cast<size_t>(State(band).SavedObjectCount) : band->Objects().size();
  if (!cellRow) {
    Report->CurrentObjectName = band->Name();
    band->BeforePrint();
    Report->DoBeforePrint(band);
  }
  bool stretched = false, onParent = false;
  const std::vector<TkvxComponent*>& objects = band->Objects();
  for (size_t i = 0; i < objects.size(); ++i) {
    auto* obj = kvxAs<TkvxReportComponent>(objects[i]);
    if (!obj) continue;
    if (auto* sub = kvxAs<TkvxSubreport>(obj); sub && sub->PrintOnParent) onParent = true;
    Report->CurrentObjectName = obj->Name();
    obj->BeforePrint();
    if (band->Visible() && i < own) {
      Report->DoBeforePrint(obj);
      if (obj->Visible()) {
        obj->GetData();
        if (auto* view = kvxAs<TkvxView>(obj)) Report->DoNotifyEvent(view, view->OnAfterData);
      }
    }
    if (band->Visible() && obj->Visible())
      if (auto* s = kvxAs<TkvxStretcheable>(obj); s && s->StretchMode() != smDontStretch) {
        Extended h = s->CalcHeight();
        TObjectState& os = ObjState(s);
        os.ShiftAmount = h <= s->Height() ? 0 : h - s->Height();
        if (h > s->Height()) {
          s->SetHeight(h);
          stretched = true;
        }
      }
  }
  if (!band->Visible()) return;
  if (stretched) DoShift(band, 0, band);
  if (onParent) {
    PrintOnParentSubreports(band);
    curBand_ = band;
  }
  Extended bottom = 0;
  for (TkvxComponent* c : band->Objects()) bottom = std::max(bottom, Bottom(c));
  if (band->Stretched()) band->SetHeight(bottom);
  Report->CurrentObjectName = band->Name();
  Report->DoNotifyEvent(band, band->OnAfterCalcHeight);
  for (TkvxComponent* c : band->Objects())
    if (auto* s = kvxAs<TkvxStretcheable>(c); s && s->StretchMode() == smMaxHeight) s->SetHeight(bottom - s->Top());
}

void TkvxEngine::DoShift(TkvxComponent* obj, Extended amount, TkvxBand* band) {
  const std::vector<TkvxComponent*>& children =
      obj == band ? State(band).ShiftChildren : ObjState(obj).ShiftChildren;
  for (TkvxComponent* c : children) {
    auto* view = kvxAs<TkvxView>(c);
    TkvxShiftMode mode = view ? view->ShiftMode() : smAlways;
    TObjectState& cs = ObjState(c);
    if (mode == smAlways) {
      c->SetTop(c->Top() + amount);
      DoShift(c, amount + cs.ShiftAmount, band);
    } else if (mode == smWhenOverlapped) {
      if (obj == band || c->Top() >= Bottom(obj)) {
        DoShift(c, cs.ShiftAmount, band);
      } else {
        Extended d = Bottom(obj) - c->Top();
        c->SetTop(Bottom(obj));
        DoShift(c, d + cs.ShiftAmount, band);
      }
    } else {
      DoShift(c, amount + cs.ShiftAmount, band);
    }
    cs.ShiftAmount = 0;
  }
}

// A memo that hides repeated values must show its value again at the top of the next column or
// page, so the band is filled once more with the memos' last values forgotten.
void TkvxEngine::ReprepareBand(TkvxBand* band) {
  bool suppressing = false;
  for (TkvxComponent* c : band->Objects())
    if (auto* memo = kvxAs<TkvxCustomMemoView>(c); memo && memo->SuppressRepeated) {
      memo->ResetSuppress();
      suppressing = true;
    }
  if (!suppressing) return;
  UnprepareBand(band);
  const TBandState& st = State(band);
  CurLine = st.Line;
  CurLineThrough = st.LineThrough;
  SecondScriptCall = true;
  try {
    PrepareBand(band);
  } catch (...) {
    SecondScriptCall = false;
    throw;
  }
  SecondScriptCall = false;
}

void TkvxEngine::UnprepareBand(TkvxBand* band) {
  const bool visible = band->Visible();
  for (TkvxComponent* c : band->Objects())
    if (auto* obj = kvxAs<TkvxReportComponent>(c)) {
      Report->CurrentObjectName = obj->Name();
      if (visible) Report->DoAfterPrint(obj);
      obj->AfterPrint();
    }
  Report->CurrentObjectName = band->Name();
  Report->DoAfterPrint(band);
  band->AfterPrint();
  TBandState& st = State(band);
  if (st.SavedObjectCount >= 0) {
    std::vector<TkvxComponent*> added(band->Objects().begin() + st.SavedObjectCount, band->Objects().end());
    st.SavedObjectCount = -1;
    for (TkvxComponent* c : added) {
      objects_.erase(c);
      delete c;
    }
  }
}

void TkvxEngine::SplitBand(TkvxBand* band, bool onePart) {
  std::vector<TkvxComponent*> all(band->Objects());
  std::vector<TkvxComponent*> pending;
  std::unordered_map<TkvxComponent*, Extended> savedHeight, savedTop;
  // Subreports take part as the objects above push them, to start in the part they land in.
  for (TkvxComponent* c : all) {
    pending.push_back(c);
    if (auto* s = kvxAs<TkvxStretcheable>(c)) {
      s->InitPart();
      savedHeight[c] = s->Height();
    }
  }
  auto setObjects = [band](const std::vector<TkvxComponent*>& list) { SetBandObjects(band, list); };
  std::vector<TkvxComponent*> part;
  setObjects(part);
  Extended avail = FreeSpace();
  Integer pagesAtStart = splitPages_;
  std::vector<TkvxComponent*> shifted;
  auto shiftBelow = [&](TkvxComponent* obj, Extended amount) {
    for (TkvxComponent* c : pending)
      if (c != obj && std::find(shifted.begin(), shifted.end(), c) == shifted.end() && c->Top() >= Bottom(obj) &&
          OverlapH(c->Left(), c->Left() + c->Width(), obj->Left(), obj->Left() + obj->Width())) {
        c->SetTop(c->Top() + amount);
        shifted.push_back(c);
      }
  };
  // Objects that have printed a part and go on in the next.
  std::set<TkvxComponent*> cut;
  try {
    bool partialJoined = false;
    bool afterBreak = false;
    while (!pending.empty()) {
      shifted.clear();
      part.clear();
      for (size_t i = 0; i < pending.size();) {
        TkvxComponent* c = pending[i];
        auto* s = kvxAs<TkvxStretcheable>(c);
        // What is left of a cut object is laid out again from where its last part ended and
        // may need more lines than the height it carried: it takes that height, and what lies
        // below it moves down with it.
        if (s && cut.count(c) && Bottom(c) <= avail + kTolerance)
          if (Extended need = s->RestHeight(); need > c->Height()) {
            for (TkvxComponent* below : pending)
              if (below != c && below->Top() >= Bottom(c) - kTolerance &&
                  OverlapH(below->Left(), below->Left() + below->Width(), c->Left(), c->Left() + c->Width()))
                below->SetTop(below->Top() + need - c->Height());
            s->SetHeight(need);
            savedHeight[c] = need;
          }
        if (Bottom(c) <= avail + kTolerance) {
          // Its last part holds all that is left, shown as far as its height goes.
          part.push_back(c);
          if (s) s->DrawRest();
          pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
          continue;
        }
        if (!s) {
          if (c->Height() <= PageHeight - FooterHeight()) {
            if (c->Top() < avail) {
              shiftBelow(c, avail - c->Top());
              c->SetTop(avail);
            }
            ++i;
          } else {
            part.push_back(c);
            pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
          }
          continue;
        }
        savedTop[c] = c->Top();
        if (c->Top() < avail) {
          Extended full = savedHeight[c];
          s->SetHeight(avail - c->Top());
          Extended r = s->DrawPart();
          if (std::fabs(r - s->Height()) >= kTolerance) {
            shiftBelow(c, r);
            part.push_back(c);
            partialJoined = true;
            savedHeight[c] = r + (full - s->Height());
            if (!s->HasRest()) {
              pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
              continue;
            }
            cut.insert(c);
          } else {
            // What lies below it goes down as far as it does: found from where it stood.
            shiftBelow(c, r);
            c->SetTop(avail);
            s->SetHeight(full);
          }
        }
        ++i;
      }
      // A fresh page or column that takes nothing would take nothing forever: the first object
      // waiting is placed there, clipped to the space.
      bool fresh = afterBreak || std::fabs(CurY - columnTop_) < kTolerance;
      if (part.empty() && !pending.empty() && fresh) {
        TkvxComponent* c = pending.front();
        c->SetTop(0);
        if (auto* s = kvxAs<TkvxStretcheable>(c)) {
          s->SetHeight(savedHeight[c]);
          s->DrawRest();
        }
        part.push_back(c);
        pending.erase(pending.begin());
      }
      // Objects of this part are children of the band while it is added; pending ones wait.
      setObjects(part);
      band->SetHeight(0);
      Extended h = 0;
      for (TkvxComponent* c : part) h = std::max(h, Bottom(c));
      band->SetHeight(h);
      if (pending.empty()) {
        for (TkvxComponent* c : part) {
          auto* v = kvxAs<TkvxView>(c);
          if (v && v->Align() == baBottom) c->SetTop(h - c->Height());
          if (auto* s = kvxAs<TkvxStretcheable>(c); s && s->StretchMode() == smMaxHeight) s->SetHeight(h - c->Top());
        }
      }
      band->SetLeft(CurX);
      band->SetTop(CurY);
      // A part that took nothing leaves nothing: the row, its bookmark and its totals belong to
      // the page that shows its first part.
      if (!part.empty()) {
        Store()->AddObject(band);
        RecordPrinted(band);
        MarkRowPrinted(band);
        NoteSubreports(band, part);
      }
      CurY += band->Height();
      curBand_ = band;
      setObjects({});
      // Cancel stops a long split at once, as it stops the rows.
      if (Report->Terminated || onePart) break;
      if (!pending.empty()) {
        if (splitPages_ - pagesAtStart >= MaxSplitPages) {
          AddError(band->Name() + ": the band needs more than " + IntToStr(MaxSplitPages) + " pages");
          break;
        }
        NewColumn();
        afterBreak = true;
      }
      for (TkvxComponent* c : pending) {
        c->SetTop(c->Top() - avail);
        if (auto* s = kvxAs<TkvxStretcheable>(c)) {
          if (!partialJoined && pending.size() + part.size() == all.size()) c->SetTop(savedTop.count(c) ? savedTop[c] : c->Top());
          if (c->Top() < 0) c->SetTop(0);
          s->SetHeight(savedHeight[c]);
        }
      }
      avail = FreeSpace();
    }
  } catch (...) {
    setObjects(all);
    throw;
  }
  setObjects(all);
}

void TkvxEngine::SetBandObjects(TkvxBand* band, const std::vector<TkvxComponent*>& objects) {
  for (TkvxComponent* c : std::vector<TkvxComponent*>(band->Objects())) c->SetParent(nullptr);
  for (TkvxComponent* c : objects) c->SetParent(band);
}

void TkvxEngine::ShowSubreports(TkvxBand* band, const Extended* bandTop, Extended floor) {
  const std::vector<TSubreportPlace> places = std::move(State(band).SubreportPlaces);
  State(band).SubreportPlaces.clear();
  if (places.empty()) return;
  const Extended savedOffset = xOffset_;
  // The output goes on below the band, or below the longest subreport.
  TPlace end = Here();
  const TPlace here = end;
  TkvxReportPage* page = curPage_;
  for (const TSubreportPlace& place : places) {
    TPlace start = bandTop ? here : place.Band;
    start.Y = std::max(floor, (bandTop ? *bandTop : place.Band.Y) + place.Top);
    start.X += place.Sub->Left();
    GoTo(start);
    xOffset_ = savedOffset + place.Sub->Left();
    ShowDataBands(masters_[place.Sub->Page()]);
    if (kvxFurther(Here(), end)) end = Here();
  }
  GoTo(end);
  xOffset_ = savedOffset;
  CurX = savedOffset;
  if (CurColumn > 1 && CurColumn - 1 < page->ColumnPositions()->Count())
    CurX += kvxPixelsPerMM * kvxStrToFloat(page->ColumnPositions()->Strings(CurColumn - 1));
}

void TkvxEngine::PrintOnParentSubreports(TkvxBand* band) {
  bool opened = !parentContainer_;
  if (opened) parentContainer_ = std::make_unique<TkvxNullBand>(nullptr);
  TBandState& st = State(band);
  if (st.SavedObjectCount < 0) st.SavedObjectCount = static_cast<Integer>(band->Objects().size());
  Extended savedOffset = xOffset_, x = CurX, y = CurY;
  for (TkvxComponent* c : std::vector<TkvxComponent*>(band->Objects())) {
    auto* sub = kvxAs<TkvxSubreport>(c);
    if (!sub || !sub->Visible() || !sub->PrintOnParent || !sub->Page()) continue;
    xOffset_ = sub->Left() + savedOffset;
    CurX = sub->Left();
    CurY = sub->Top();
    try {
      ShowDataBands(masters_[sub->Page()]);
    } catch (...) {
      xOffset_ = savedOffset;
      if (opened) parentContainer_.reset();
      throw;
    }
  }
  xOffset_ = savedOffset;
  CurX = x;
  CurY = y;
  if (!opened) return;
  // The copies' views join the band at their places; their own stretch is already done.
  for (TkvxComponent* copy : std::vector<TkvxComponent*>(parentContainer_->Objects()))
    for (TkvxComponent* obj : std::vector<TkvxComponent*>(copy->Objects())) {
      if (obj->IsBand() || !kvxAs<TkvxView>(obj)) continue;
      obj->SetBounds(copy->Left() + obj->Left(), copy->Top() + obj->Top(), obj->Width(), obj->Height());
      if (obj->Owner()) obj->Owner()->RemoveComponent(obj);
      obj->SetParent(band);
      if (auto* s = kvxAs<TkvxStretcheable>(obj)) s->SetStretchMode(smDontStretch);
    }
  for (TkvxComponent* copy : std::vector<TkvxComponent*>(parentContainer_->Objects())) delete copy;
  parentContainer_.reset();
}

void TkvxEngine::AddBandOutline(TkvxBand* band) {
  if (band->OutlineText().empty() || band->Vertical()) return;
  Report->CurrentObjectName = band->Name();
  // Where the band went out as printed, stretched or moved with a kept block.
  const TBandState& st = State(band);
  if (band->Visible())
    Store()->GetOutline()->AddItemAt(VarToStr(Report->Calc(band->OutlineText())), st.PrintedPage,
                                     static_cast<Integer>(std::lround(st.PrintedTop)));
}

void TkvxEngine::OutlineUp(TkvxBand* band) {
  if (!band->OutlineText().empty() && !band->Vertical()) Store()->Outline->LevelUp();
}

}  // namespace orv
