#include "report/engine/PreviewWorkspace.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/gui/Canvas.h"
#include "platform/rtl/Conversions.h"
#include "report/engine/Preview.h"
#include "report/model/Pages.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxScrollWin, c) {}
ORV_IMPLEMENT_CLASS(TkvxPreviewWorkspace, c) {}

namespace {

constexpr int kScrollBarSize = 16;
// Pages painted around the one at the top of the view, so a long report paints as fast as a
// short one.
constexpr Integer kPaintWindow = 40;
constexpr Int64 kDoubleClickMs = 500;

Int64 NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void TkvxPageList::AddPage(Integer width, Integer height, Extended zoom) {
  items_.push_back({static_cast<Integer>(std::lround(height * zoom)), static_cast<Integer>(std::lround(width * zoom)),
                    0, 0});
}

void TkvxPageList::CalcBounds(Integer clientWidth) {
  MaxWidth = 0;
  Integer rowTop = 10;
  size_t i = 0;
  while (i < items_.size()) {
    size_t rowStart = i;
    Integer x = 0, rowHeight = 0;
    while (i < items_.size() && (x == 0 || x + items_[i].Width <= clientWidth)) {
      items_[i].Left = x;
      items_[i].Top = rowTop;
      x += items_[i].Width + 10;
      rowHeight = std::max(rowHeight, items_[i].Height);
      ++i;
    }
    MaxWidth = std::max(MaxWidth, x);
    Integer shift = std::max<Integer>((clientWidth - x + 10) / 2, 0) + 10;
    for (size_t j = rowStart; j < i; ++j) items_[j].Left += shift;
    rowTop += rowHeight + 10;
  }
}

Integer TkvxPageList::FindPage(Integer y, Integer x) const {
  Integer lo = 0, hi = Count() - 1, found = -1;
  while (lo <= hi) {
    Integer mid = (lo + hi) / 2;
    const TkvxPageItem& item = items_[static_cast<size_t>(mid)];
    Integer slack = x == 0 ? static_cast<Integer>(std::lround(item.Height / 5.0)) : 0;
    if (item.Top <= y + slack) {
      found = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  if (x == 0 || found < 0) return found;
  for (Integer i = std::max<Integer>(found - 20, 0); i <= std::min(found + 20, Count() - 1); ++i) {
    const TkvxPageItem& p = items_[static_cast<size_t>(i)];
    if (x >= p.Left && x < p.Left + p.Width && y >= p.Top && y < p.Top + p.Height) return i;
  }
  return found;
}

TRect TkvxPageList::GetPageBounds(Integer index, Integer clientWidth, bool rightToLeft, Extended zoom) const {
  if (index >= 0 && index < Count()) {
    const TkvxPageItem& p = items_[static_cast<size_t>(index)];
    Integer left = rightToLeft ? clientWidth - p.Width - p.Left : p.Left;
    return {left, p.Top, left + p.Width, p.Top + p.Height};
  }
  Extended w = zoom * 794;
  int left = clientWidth >= w ? static_cast<int>(std::lround((clientWidth - w) / 2)) : 10;
  int top = static_cast<int>(std::lround(zoom * 10));
  return {left, top, static_cast<int>(std::lround(w)) + left, static_cast<int>(std::lround(zoom * 1123)) + top};
}

TPoint TkvxPageList::GetMaxBounds() const {
  if (items_.empty()) return {0, 0};
  return {MaxWidth, items_.back().Top + items_.back().Height};
}

TkvxScrollWin::TkvxScrollWin(TComponent* owner) : TCustomControl(owner) {
  horzBar_ = new TScrollBar(this);
  horzBar_->SetKind(sbHorizontal);
  horzBar_->SetParent(this);
  vertBar_ = new TScrollBar(this);
  vertBar_->SetKind(sbVertical);
  vertBar_->SetParent(this);
  horzBar_->OnChange = [this](TObject*) {
    if (!updatingBars_) SetHorzPosition(horzBar_->Position());
  };
  vertBar_->OnChange = [this](TObject*) {
    if (!updatingBars_) SetVertPosition(vertBar_->Position());
  };
  PlaceBars();
}

Integer TkvxScrollWin::ViewWidth() const { return std::max(ClientWidth() - kScrollBarSize, 0); }
Integer TkvxScrollWin::ViewHeight() const { return std::max(ClientHeight() - kScrollBarSize, 0); }

void TkvxScrollWin::PlaceBars() {
  horzBar_->SetBounds(0, ViewHeight(), ViewWidth(), kScrollBarSize);
  vertBar_->SetBounds(ViewWidth(), 0, kScrollBarSize, ViewHeight());
}

void TkvxScrollWin::UpdateBar(TScrollBar* bar, Integer range, Integer page, Integer position) {
  updatingBars_ = true;
  // A range the view already shows whole leaves the bar at rest and disabled.
  Integer max = page > range ? 0 : std::max<Integer>(range - page, 0);
  bar->SetMin(0);
  bar->SetMax(max);
  bar->SetPageSize(std::max<Integer>(page, 0));
  bar->SetPosition(std::clamp<Integer>(position, 0, max));
  bar->SetSmallChange(SmallChange);
  bar->SetLargeChange(LargeChange);
  bar->SetEnabled(max > 0);
  updatingBars_ = false;
}

void TkvxScrollWin::SetHorzRange(Integer value) {
  horzRange_ = value;
  UpdateBar(horzBar_, horzRange_, horzPage_, horzPosition_);
}

void TkvxScrollWin::SetHorzPage(Integer value) {
  horzPage_ = value;
  SetHorzRange(horzRange_);
}

void TkvxScrollWin::SetHorzPosition(Integer value) {
  value = std::clamp<Integer>(value, 0, std::max<Integer>(horzRange_ - horzPage_, 0));
  if (value == horzPosition_) return;
  horzPosition_ = value;
  UpdateBar(horzBar_, horzRange_, horzPage_, horzPosition_);
  HorzPositionChanged();
}

void TkvxScrollWin::SetVertRange(Integer value) {
  vertRange_ = value;
  UpdateBar(vertBar_, vertRange_, vertPage_, vertPosition_);
}

void TkvxScrollWin::SetVertPage(Integer value) {
  vertPage_ = value;
  SetVertRange(vertRange_);
}

void TkvxScrollWin::SetVertPosition(Integer value) {
  value = std::clamp<Integer>(value, 0, std::max<Integer>(vertRange_ - vertPage_, 0));
  if (value == vertPosition_) return;
  vertPosition_ = value;
  UpdateBar(vertBar_, vertRange_, vertPage_, vertPosition_);
  VertPositionChanged();
}

void TkvxScrollWin::Resize() {
  PlaceBars();
  SetHorzPage(ViewWidth());
  SetVertPage(ViewHeight());
  TCustomControl::Resize();
}

void TkvxScrollWin::Paint() {
  Canvas()->Brush().SetColor(Color());
  Canvas()->Brush().SetStyle(bsSolid);
  Canvas()->FillRect(ClientRect());
}

TkvxPreviewWorkspace::TkvxPreviewWorkspace(TComponent* owner, TkvxPreview* preview, bool isThumbnail)
    : TkvxScrollWin(owner), preview_(preview), isThumbnail_(isThumbnail) {
  LargeChange = 300;
  SmallChange = 8;
  if (isThumbnail) Zoom = 0.1;
}

void TkvxPreviewWorkspace::AddPage(Integer width, Integer height) { pages_.AddPage(width, height, Zoom); }

void TkvxPreviewWorkspace::CalcPageBounds(Integer clientWidth) { pages_.CalcBounds(clientWidth); }

void TkvxPreviewWorkspace::ClearPages() {
  pages_.Clear();
  thumbnails_.clear();
  DropSearchPage();
}

void TkvxPreviewWorkspace::DropSearchPage() {
  searchMetafile_.reset();
  searchMetafilePage_ = -1;
}

void TkvxPreviewWorkspace::UpdateScrollBars() {
  TPoint max = pages_.GetMaxBounds();
  SetHorzRange(max.X + 10);
  SetVertRange(max.Y + 10);
}

void TkvxPreviewWorkspace::ScrollToPage(Integer pageNo) {
  if (suppressScroll_) return;
  SetVertPosition(pages_.GetPageBounds(pageNo - 1, ViewWidth(), RightToLeft, Zoom).Top - 10);
}

void TkvxPreviewWorkspace::SetPosition(Integer pageN, Integer top) {
  if (!PreviewPages) return;
  TkvxReportPage* page = PreviewPages->GetPage(pageN - 1);
  if (!page) return;
  Integer offset = top != 0 ? static_cast<Integer>(std::lround((page->TopMargin() * 3.77953 + top) * Zoom)) : 0;
  SetVertPosition(pages_.GetPageBounds(pageN - 1, ViewWidth(), RightToLeft, Zoom).Top - 10 + offset);
}

TRect TkvxPreviewWorkspace::ShownBounds(Integer index) const {
  TRect r = pages_.GetPageBounds(index, ViewWidth(), RightToLeft, Zoom);
  r.Left -= HorzPosition();
  r.Right -= HorzPosition();
  r.Top -= VertPosition();
  r.Bottom -= VertPosition();
  return r;
}

bool TkvxPreviewWorkspace::FindText(TkvxSearchState& search) {
  search.Found = false;
  if (!PreviewPages || search.Text.empty()) return false;
  Integer count = PreviewPages->GetCount();
  while (search.Page < count) {
    if (searchMetafilePage_ != search.Page) {
      // Drawing the page into a recording canvas gives each laid-out line with its bounds, so
      // the words found are the words the page prints.
      searchMetafile_ = std::make_unique<TMetafile>();
      {
        TMetafileCanvas recorder(*searchMetafile_);
        PreviewPages->DrawPage(search.Page, &recorder, 1, 1, 0, 0);
      }
      searchMetafilePage_ = search.Page;
    }
    if (auto hit = searchMetafile_->FindText(search.Text, search.CaseSensitive, search.LastMatch)) {
      search.Found = true;
      search.FoundRect = hit->Bounds;
      search.LastMatch = hit->Record;
      break;
    }
    search.LastMatch = -1;
    ++search.Page;
  }
  if (!search.Found) return false;
  TRect page = pages_.GetPageBounds(search.Page, ViewWidth(), RightToLeft, Zoom);
  auto z = [this](int v) { return static_cast<Integer>(std::lround(v * Zoom)); };
  Integer top = page.Top + z(search.FoundRect.Top), bottom = page.Top + z(search.FoundRect.Bottom);
  if (top < VertPosition() || bottom > VertPosition() + ViewHeight())
    SetVertPosition(bottom - ViewHeight() + 20);
  Integer left = page.Left + z(search.FoundRect.Left), right = page.Left + z(search.FoundRect.Right);
  if (left < HorzPosition() || right > HorzPosition() + ViewWidth()) SetHorzPosition(right - ViewWidth() + 20);
  Invalidate();
  return true;
}

void TkvxPreviewWorkspace::Paint() { DrawPages(false); }

void TkvxPreviewWorkspace::DrawPages(bool backgroundOnly) {
  if (!Visible()) return;
  TCanvas& canvas = *Canvas();
  TRect client{0, 0, ViewWidth(), ViewHeight()};
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(BackColor);
  if (Locked || pages_.Count() == 0 || !PreviewPages) {
    canvas.FillRect(client);
    return;
  }
  Integer first = std::max<Integer>(pages_.FindPage(VertPosition(), 0), 0);
  Integer from = std::max<Integer>(first - kPaintWindow, 0);
  Integer to = std::min(first + kPaintWindow, pages_.Count() - 1);
  std::vector<Integer> visible;
  canvas.SaveClip();
  canvas.IntersectClipRect(client);
  for (Integer i = from; i <= to; ++i) {
    TRect r = ShownBounds(i);
    if (r.Top < client.Bottom && r.Bottom > 0 && r.Right > 0 && r.Left < client.Right) {
      visible.push_back(i);
      canvas.ExcludeClipRect(r);
    }
  }
  canvas.FillRect(client);
  canvas.RestoreClip();
  TRect cur = ShownBounds(PageNo - 1);
  canvas.Pen().SetColor(ActiveFrameColor);
  canvas.Pen().SetWidth(2);
  canvas.Pen().SetStyle(psSolid);
  canvas.Polyline({{cur.Left - 1, cur.Top - 1},
                   {cur.Right + 1, cur.Top - 1},
                   {cur.Right + 1, cur.Bottom + 1},
                   {cur.Left - 1, cur.Bottom + 1},
                   {cur.Left - 1, cur.Top - 2}});
  if (backgroundOnly) return;
  for (Integer i : visible) DrawPage(canvas, i, ShownBounds(i));
}

void TkvxPreviewWorkspace::DrawPage(TCanvas& canvas, Integer index, const TRect& r) {
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetColor(FrameColor);
  canvas.Pen().SetStyle(psSolid);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(clWhite);
  // A plain fill then a frame: a rectangle with an outline fills the page span by span through
  // Qt's blending, at several times the cost of the same pixels filled whole.
  TRect page{r.Left, r.Top, r.Right, r.Bottom - 1};
  canvas.FillRect(page);
  canvas.Brush().SetColor(FrameColor);
  canvas.FrameRect(page);
  canvas.Brush().SetColor(clWhite);
  if (!isThumbnail_) {
    PreviewPages->DrawPage(index, &canvas, Zoom, Zoom, r.Left, r.Top);
  } else {
    // A thumbnail is drawn once and kept as a picture until the pages change, so scrolling the
    // strip does not rebuild pages.
    auto& image = thumbnails_[index];
    if (!image) {
      image = std::make_unique<TBitmap>(std::max(r.Width(), 1), std::max(r.Height(), 1));
      image->Canvas().Brush().SetColor(clWhite);
      image->Canvas().FillRect({0, 0, r.Width(), r.Height()});
      image->Canvas().Pen().SetColor(FrameColor);
      image->Canvas().Rectangle(0, 0, r.Width(), r.Height() - 1);
      PreviewPages->DrawPage(index, &image->Canvas(), Zoom, Zoom, 0, 0);
    }
    canvas.Draw(r.Left, r.Top, *image);
    canvas.Font().SetName("Arial");
    canvas.Font().SetSize(8);
    canvas.Font().SetColor(clWhite);
    canvas.Brush().SetColor(BackColor);
    canvas.TextOut(r.Left + 1, r.Top + 1, " " + IntToStr(index + 1) + " ");
  }
  if (index != MarkPage) return;
  auto z = [this](int v) { return static_cast<int>(std::lround(v * Zoom)); };
  canvas.Pen().SetMode(pmXor);
  canvas.Pen().SetColor(clWhite);
  for (int row = z(MarkRect.Top); row <= z(MarkRect.Bottom); ++row) {
    canvas.MoveTo(r.Left + z(MarkRect.Left) - 1, r.Top + row);
    canvas.LineTo(r.Left + z(MarkRect.Right) + 1, r.Top + row);
  }
  canvas.Pen().SetMode(pmCopy);
}

void TkvxPreviewWorkspace::Resize() {
  TkvxScrollWin::Resize();
  if (!isThumbnail_ && preview_ && PreviewPages) preview_->UpdatePages();
}

void TkvxPreviewWorkspace::HorzPositionChanged() { Invalidate(); }

void TkvxPreviewWorkspace::VertPositionChanged() {
  Invalidate();
  if (isThumbnail_ || !preview_) return;
  suppressScroll_ = true;
  preview_->SetPageNo(pages_.FindPage(VertPosition(), 0) + 1);
  suppressScroll_ = false;
}

void TkvxPreviewWorkspace::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TkvxScrollWin::MouseDown(button, shift, x, y);
  if (pages_.Count() == 0 || Locked) return;
  if (button == mbLeft) {
    dragging_ = true;
    lastX_ = x;
    lastY_ = y;
  }
}

void TkvxPreviewWorkspace::MouseMove(TShiftState shift, int x, int y) {
  TkvxScrollWin::MouseMove(shift, x, y);
  if (pages_.Count() == 0 || Locked || isThumbnail_) return;
  if (dragging_) {
    SetHorzPosition(HorzPosition() + (lastX_ - x));
    SetVertPosition(VertPosition() - (y - lastY_));
    lastX_ = x;
    lastY_ = y;
    return;
  }
  if (!PreviewPages) return;
  Integer index = pages_.FindPage(y + VertPosition(), x + HorzPosition());
  if (index < 0) return;
  TRect r = pages_.GetPageBounds(index, ViewWidth(), RightToLeft, Zoom);
  TCursor cursor = crHandPoint;
  PreviewPages->ObjectOver(index, x, y, mbLeft, {}, Zoom, r.Left - HorzPosition(), r.Top - VertPosition(), false,
                           cursor);
  SetCursor(cursor);
}

void TkvxPreviewWorkspace::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TkvxScrollWin::MouseUp(button, shift, x, y);
  if (pages_.Count() == 0 || Locked) return;
  if (!isThumbnail_ && preview_ && preview_->OnClick) preview_->OnClick(preview_);
  dragging_ = false;
  Integer px = RightToLeft ? ViewWidth() - (HorzPosition() + x) : HorzPosition() + x;
  Integer index = pages_.FindPage(y + VertPosition(), px);
  if (index < 0 || !preview_) return;
  suppressScroll_ = !isThumbnail_;
  preview_->SetPageNo(index + 1);
  suppressScroll_ = false;
  if (isThumbnail_ || button == mbRight || !PreviewPages) return;
  TRect r = pages_.GetPageBounds(index, ViewWidth(), RightToLeft, Zoom);
  Int64 now = NowMs();
  bool single = now - lastClick_ > kDoubleClickMs;
  lastClick_ = single ? now : 0;
  TCursor cursor = crHandPoint;
  TShiftState clickShift;
  if (!single) clickShift.Include(ssDouble);
  PreviewPages->ObjectOver(index, x, y, button, clickShift, Zoom, r.Left - HorzPosition(), r.Top - VertPosition(),
                           true, cursor);
}

void TkvxPreviewWorkspace::DblClick() {
  if (!isThumbnail_ && preview_ && preview_->OnDblClick) preview_->OnDblClick(preview_);
}

}  // namespace orv
