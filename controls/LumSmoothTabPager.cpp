#include "controls/LumSmoothTabPager.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gui/Accelerators.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/SizeConstraints.h"
#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

// The tabs stand this far in from the pager's outer edge.
constexpr int kStripOffset = 4;
// A pressed tab becomes a drag once the mouse has moved this far.
constexpr int kDragThreshold = 4;

enum TEdge { edTop, edLeft, edRight, edBottom };

TEdge EdgeOf(TLumSmoothTabPosition p) {
  if (p <= tpTopLeft) return edTop;
  if (p <= tpLeftCenter) return edLeft;
  if (p <= tpRightCenter) return edRight;
  return edBottom;
}

bool Contains(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

// A side tab's turned caption is written as plain text: its accelerator mark is left out.
String WithoutPrefix(const String& caption) {
  String text;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == '&') continue;
    text += caption[i];
  }
  return text;
}

}  // namespace

void TLumSmoothTabSettings::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TLumSmoothTabSettings*>(Source);
  if (!s) return TPersistent::Assign(Source);
  SetLeftMargin(s->leftMargin_);
  SetRightMargin(s->rightMargin_);
  SetHeight(s->height_);
  SetStartMargin(s->startMargin_);
  SetEndMargin(s->endMargin_);
  SetWidth(s->width_);
}

TLumSmoothTabPager::TLumSmoothTabPager(TComponent* AOwner)
    : TCustomControl(AOwner), tabSettings_(std::make_unique<TLumSmoothTabSettings>()) {
  SetBounds(0, 0, 500, 250);
  SetTabStop(true);
  tabSettings_->OnChange = [this](TObject*) {
    LayoutPages();
    Invalidate();
  };
}

TLumSmoothTabPager::~TLumSmoothTabPager() {
  tabSettings_->OnChange = nullptr;
  for (TLumSmoothTabPage* page : pages_) page->pager_ = nullptr;
  pages_.clear();
}

bool TLumSmoothTabPager::Loading() const {
  return ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying);
}

void TLumSmoothTabPager::SetParent(TWinControl* AParent) {
  if (dynamic_cast<TLumSmoothTabPager*>(AParent) ||
      (dynamic_cast<TLumSmoothTabPage*>(AParent) && static_cast<TLumSmoothTabPage*>(AParent)->Pager()))
    throw Exception("Invalid Parent");
  TCustomControl::SetParent(AParent);
}

void TLumSmoothTabPager::SetComponentStyle(TQorStyle AStyle) {
  for (TLumSmoothTabPage* page : pages_) page->SetComponentStyle(AStyle);
}

TLumSmoothTabPage* TLumSmoothTabPager::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount()) throw Exception("Index out of bounds in list read access");
  return pages_[Index];
}

int TLumSmoothTabPager::IndexOfPage(const TLumSmoothTabPage* Page) const {
  auto it = std::find(pages_.begin(), pages_.end(), Page);
  return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TLumSmoothTabPager::AddPage(TLumSmoothTabPage* Page) {
  if (!Page || IndexOfPage(Page) >= 0) return;
  if (Page->pager_) Page->pager_->RemovePage(Page);
  pages_.push_back(Page);
  Page->pager_ = this;
  if (Page->Parent() != this) Page->TCustomControl::SetParent(this);
  // A new page looks like the one before it.
  if (!Loading() && pages_.size() > 1) {
    TLumSmoothTabPage* before = pages_[pages_.size() - 2];
    Page->tabAppearance_->Assign(before->tabAppearance_.get());
    Page->pageAppearance_->Assign(before->pageAppearance_.get());
  }
  LayoutPages();
  Page->SetVisible(IndexOfPage(Page) == activeIndex_);
  UpdateAccelerators();
  Invalidate();
}

void TLumSmoothTabPager::RemovePage(TLumSmoothTabPage* Page) {
  int index = IndexOfPage(Page);
  if (index < 0) return;
  // A window being freed shows no other page on the way out.
  if (index == activeIndex_ && !ComponentState().Contains(csDestroying)) SelectNextPage(true);
  int active = activeIndex_;
  pages_.erase(pages_.begin() + index);
  Page->pager_ = nullptr;
  SetAccelerator(this, "", nullptr, Page);
  if (active == index)
    activeIndex_ = -1;
  else
    activeIndex_ = active > index ? active - 1 : active;
  if (hotIndex_ >= PageCount()) hotIndex_ = -1;
  if (pressedIndex_ >= PageCount()) pressedIndex_ = -1;
  Invalidate();
}

void TLumSmoothTabPager::MovePage(int FromIndex, int ToIndex) {
  if (FromIndex < 0 || FromIndex >= PageCount() || ToIndex < 0 || ToIndex >= PageCount()) return;
  TLumSmoothTabPage* active = ActivePage();
  TLumSmoothTabPage* page = pages_[FromIndex];
  pages_.erase(pages_.begin() + FromIndex);
  pages_.insert(pages_.begin() + ToIndex, page);
  activeIndex_ = active ? IndexOfPage(active) : -1;
  if (OnTabMoved) OnTabMoved(this, FromIndex, ToIndex);
  Invalidate();
}

TLumSmoothTabPage* TLumSmoothTabPager::ActivePage() const {
  return activeIndex_ >= 0 && activeIndex_ < PageCount() ? pages_[activeIndex_] : nullptr;
}

void TLumSmoothTabPager::SetActivePage(TLumSmoothTabPage* Value) {
  int index = IndexOfPage(Value);
  if (index >= 0) SetActivePageIndex(index);
}

void TLumSmoothTabPager::SetActivePageIndex(int Index) {
  ChangeActivePage(Index);
  Invalidate();
}

void TLumSmoothTabPager::ChangeActivePage(int Index) {
  if (Index < 0 || Index >= PageCount() || Index == activeIndex_) return;
  bool allow = true;
  if (OnChanging && !Loading()) OnChanging(this, activeIndex_, Index, allow);
  if (!allow) return;
  if (TLumSmoothTabPage* old = ActivePage()) {
    old->SetVisible(false);
    if (old->OnHide) old->OnHide(old);
  }
  activeIndex_ = Index;
  TLumSmoothTabPage* page = pages_[Index];
  page->SetVisible(true);
  page->BringToFront();
  page->Invalidate();
  if (page->OnShow) page->OnShow(page);
  if (OnChange && !Loading()) OnChange(this);
}

void TLumSmoothTabPager::SelectNextPage(bool GoForward) {
  if (activeIndex_ < 0) return;
  int n = PageCount(), i = activeIndex_;
  for (int step = 0; step < n; ++step) {
    i = GoForward ? (i + 1) % n : (i - 1 + n) % n;
    if (i != activeIndex_ && pages_[i]->TabVisible() && pages_[i]->TabEnabled()) {
      SetActivePageIndex(i);
      return;
    }
  }
}

void TLumSmoothTabPager::SetPageMargin(int Value) {
  if (pageMargin_ == Value) return;
  pageMargin_ = Value;
  LayoutPages();
  Invalidate();
}

void TLumSmoothTabPager::SetTabPosition(TLumSmoothTabPosition Value) {
  if (tabPosition_ == Value) return;
  tabPosition_ = Value;
  LayoutPages();
  Invalidate();
}

TRect TLumSmoothTabPager::PageRect() const {
  int p = pageMargin_, h = std::max(0, tabSettings_->Height());
  TRect r = Rect(0, 0, Width(), Height());
  switch (EdgeOf(tabPosition_)) {
    case edTop: r.Top += h; r.Left += p; r.Right -= p; r.Bottom -= p + 1; break;
    case edLeft: r.Top += p + 1; r.Left += h; r.Right -= p; r.Bottom -= p + 1; break;
    case edRight: r.Top += p + 1; r.Left += p; r.Right -= h; r.Bottom -= p + 1; break;
    case edBottom: r.Top += p + 1; r.Left += p; r.Right -= p; r.Bottom -= h; break;
  }
  return r;
}

void TLumSmoothTabPager::LayoutPages() {
  TRect r = PageRect();
  for (TLumSmoothTabPage* page : pages_) page->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

void TLumSmoothTabPager::Resize() {
  LayoutPages();
  TCustomControl::Resize();
}

void TLumSmoothTabPager::PageLookChanged(TLumSmoothTabPage*) {
  UpdateAccelerators();
  Invalidate();
}

void TLumSmoothTabPager::UpdateAccelerators() {
  for (TLumSmoothTabPage* page : pages_) {
    SetAccelerator(
        this, page->TabVisible() ? page->Caption() : String(),
        [this, page] {
          if (page->TabVisible()) SetActivePage(page);
        },
        page);
  }
}

int TLumSmoothTabPager::CaptionWidth(const TLumSmoothTabPage& Page) const {
  if (Page.Caption().empty()) return 0;
  TGPBitmap probe(1, 1);
  TGPGraphics g(&probe);
  TGPRectF bounds;
  TGPStringFormat format;
  format.SetHotkeyPrefix(HotkeyPrefixShow);
  g.MeasureString(Page.Caption(), MakeGPFont(*Page.TabAppearance()->Appearance()->Font()), MakeRect(0, 0, 0, 0),
                  format, bounds);
  return static_cast<int>(std::lround(bounds.Width));
}

std::vector<TRect> TLumSmoothTabPager::TabRects() const {
  std::vector<TRect> rects(pages_.size());
  const TLumSmoothTabSettings& s = *tabSettings_;
  TEdge edge = EdgeOf(tabPosition_);
  bool side = edge == edLeft || edge == edRight;
  int length = side ? Height() : Width();
  int start = s.StartMargin() + pageMargin_, stripEnd = length - s.EndMargin();
  std::vector<std::pair<int, int>> spans(pages_.size(), {0, 0});
  int pos = start, first = -1, last = -1;
  for (size_t i = 0; i < pages_.size(); ++i) {
    const TLumSmoothTabPage& page = *pages_[i];
    if (!page.TabVisible()) continue;
    int len = s.Width() > 0 ? s.Width() : s.LeftMargin() + CaptionWidth(page) + 5 + s.RightMargin();
    const TLumGDIPPicture& picture = *page.TabAppearance()->Picture();
    if (!picture.Empty())
      len += (side ? picture.Height() : picture.Width()) + page.TabAppearance()->Appearance()->Spacing();
    spans[i] = {pos, pos + len};
    if (first < 0) first = pos;
    last = pos + len;
    pos += len + s.Spacing();
  }
  int shift = 0;
  if (first >= 0) {
    int total = last - first + s.Spacing();
    switch (tabPosition_) {
      case tpTopRight: case tpBottomRight: case tpLeftBottom: case tpRightBottom:
        shift = stripEnd - total - first;
        break;
      case tpTopCenter: case tpBottomCenter: case tpLeftCenter: case tpRightCenter:
        shift = (stripEnd - total) / 2 - first;
        break;
      default:
        break;
    }
  }
  int h = s.Height();
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (!pages_[i]->TabVisible()) continue;
    int a = spans[i].first + shift, b = spans[i].second + shift;
    switch (edge) {
      case edTop: rects[i] = Rect(a, kStripOffset, b, kStripOffset + h); break;
      case edBottom: rects[i] = Rect(a, Height() - h - kStripOffset, b, Height() - kStripOffset); break;
      case edLeft: rects[i] = Rect(kStripOffset, a, kStripOffset + h, b); break;
      case edRight: rects[i] = Rect(Width() - h - kStripOffset, a, Width() - kStripOffset, b); break;
    }
  }
  return rects;
}

TRect TLumSmoothTabPager::GetTabRect(int Index) const {
  if (Index < 0 || Index >= PageCount()) return {};
  return TabRects()[Index];
}

int TLumSmoothTabPager::HitTest(int X, int Y) const {
  std::vector<TRect> rects = TabRects();
  for (size_t i = 0; i < rects.size(); ++i)
    if (Contains(rects[i], X, Y)) return static_cast<int>(i);
  return -1;
}

bool TLumSmoothTabPager::InStrip(int X, int Y) const {
  if (tabSettings_->Height() < 1) return false;
  TRect r = StripRect();
  return X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom;
}

TRect TLumSmoothTabPager::StripRect() const {
  int h = std::max(0, tabSettings_->Height());
  switch (EdgeOf(tabPosition_)) {
    case edTop: return Rect(0, 0, Width(), kStripOffset + h);
    case edBottom: return Rect(0, Height() - h - kStripOffset, Width(), Height());
    case edLeft: return Rect(0, 0, kStripOffset + h, Height());
    case edRight: return Rect(Width() - h - kStripOffset, 0, Width(), Height());
  }
  return {};
}

void TLumSmoothTabPager::InvalidateTab(int Index) {
  if (Index == -1) {
    InvalidateRect(StripRect());
    return;
  }
  TRect r = GetTabRect(Index);
  if (r.Right > r.Left && r.Bottom > r.Top) InvalidateRect(r);
}

void TLumSmoothTabPager::PaintTab(TGPGraphics& G, int Index, const TRect& R) {
  TLumSmoothTabPage& page = *pages_[Index];
  TLumSmoothTabAppearance& look = *page.TabAppearance();
  TEdge edge = EdgeOf(tabPosition_);
  static const TFillRoundingType kRounding[] = {rtTop, rtLeft, rtRight, rtBottom};
  TGDIPButtonFace face;
  face.RoundingType = kRounding[edge];
  face.Color = Index == activeIndex_ ? look.ColorSelected() : Index == hotIndex_ ? look.ColorHot() : look.Color();
  face.Down = false;
  if (!page.TabEnabled()) {
    face.Color = look.ColorDisabled();
  } else if (Index == pressedIndex_) {
    face.Down = true;
    face.ColorDown = look.ColorDown();
  }
  bool badge = look.Status()->Visible();
  face.HorizontalSpacing = badge ? look.HorizontalSpacing() : 0;
  face.VerticalSpacing = badge ? look.VerticalSpacing() : 0;
  face.Left = R.Left;
  face.Top = R.Top;
  face.Width = R.Right - R.Left;
  face.Height = R.Bottom - R.Top;
  face.Caption = page.Caption();
  face.Picture = look.Picture();
  face.Bevel = look.Bevel();
  face.Shadow = look.Shadow();
  face.BevelColor = look.BevelColor();
  bool side = edge == edLeft || edge == edRight;
  TFont rotated;
  if (side) {
    face.SideTab = true;
    face.SideLeft = edge == edLeft;
    rotated.Assign(look.Appearance()->Font());
    rotated.SetOrientation(face.SideLeft ? 900 : -900);
    Canvas()->Font().Assign(&rotated);
    face.TextWidth = Canvas()->TextWidth(WithoutPrefix(page.Caption()));
    face.TextHeight = Canvas()->TextHeight("gh");
  }
  G.SetSmoothingMode(SmoothingModeAntiAlias);
  look.Appearance()->Draw(G, face);
  TGDIPStatus& status = *look.Status()->Appearance();
  status.CalculateSize(G, look.Status()->Caption());
  if (badge)
    status.Draw(G, R.Right - status.GetWidth() + look.Status()->OffsetLeft(), R.Top + look.Status()->OffsetTop(), 0,
                0, true, look.Status()->Caption());
  if (focused_ && TabStop() && Index == activeIndex_) {
    G.SetSmoothingMode(SmoothingModeDefault);
    TGPPen pen(MakeARGB(255, 0, 0, 0), 1);
    pen.SetDashStyle(DashStyleDot);
    G.DrawPath(pen, *CreateRoundRectangle(MakeRect(float(R.Left), float(R.Top), float(R.Right - R.Left - 1),
                                                   float(R.Bottom - R.Top - 1)),
                                          8, rtBoth));
  }
  if (side && !page.Caption().empty()) {
    int along = face.TextWidth, across = face.TextHeight;
    int x = R.Left + (R.Right - R.Left - across) / 2, y = R.Top + (R.Bottom - R.Top - along) / 2;
    Canvas()->Brush().SetStyle(bsClear);
    if (face.SideLeft)
      Canvas()->TextOut(x, y + along, WithoutPrefix(page.Caption()));
    else
      Canvas()->TextOut(x + across, y, WithoutPrefix(page.Caption()));
  }
}

// OnDrawTab is not asked: every tab is drawn as a button face, whatever handler is given.
void TLumSmoothTabPager::Paint() {
  if (tabSettings_->Height() < 1) return;
  std::vector<TRect> rects = TabRects();
  TGPGraphics g(*Canvas());
  for (int i = 0; i < PageCount(); ++i) {
    const TRect& r = rects[i];
    if (r.Right <= r.Left || r.Right <= 0 || r.Bottom <= 0 || r.Left >= Width() || r.Top >= Height()) continue;
    PaintTab(g, i, r);
  }
}

void TLumSmoothTabPager::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (TabStop() && CanFocus()) SetFocus();
  pressedIndex_ = -1;
  int i = InStrip(X, Y) ? HitTest(X, Y) : -1;
  if (i >= 0) {
    pressedIndex_ = i;
    if (i != activeIndex_ && pages_[i]->TabEnabled()) ChangeActivePage(i);
    if (Button == mbLeft && pages_[i]->TabEnabled() && tabReorder_) BeginDrag(false, kDragThreshold);
  }
  Invalidate();
}

void TLumSmoothTabPager::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  int i = InStrip(X, Y) ? HitTest(X, Y) : -1;
  if (i == hotIndex_) return;
  pressedIndex_ = -1;
  hotIndex_ = i >= 0 && pages_[i]->TabEnabled() ? i : -1;
  InvalidateTab(-1);
}

void TLumSmoothTabPager::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  pressedIndex_ = -1;
  InvalidateTab(-1);
}

void TLumSmoothTabPager::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TCustomControl::DragOver(Source, X, Y, State, Accept);
  if (Source == this) Accept = InStrip(X, Y) && HitTest(X, Y) >= 0;
}

void TLumSmoothTabPager::DragDrop(TObject* Source, int X, int Y) {
  TCustomControl::DragDrop(Source, X, Y);
  if (Source != this) return;
  int target = InStrip(X, Y) ? HitTest(X, Y) : -1;
  if (target >= 0 && activeIndex_ >= 0 && target != activeIndex_) MovePage(activeIndex_, target);
}

void TLumSmoothTabPager::MouseLeave() {
  bool wasActive = hotIndex_ >= 0 && hotIndex_ == activeIndex_;
  hotIndex_ = -1;
  pressedIndex_ = -1;
  if (wasActive)
    Invalidate();
  else
    InvalidateTab(-1);
}

void TLumSmoothTabPager::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_LEFT || Key == VK_UP) {
    SelectNextPage(false);
    Key = 0;
  } else if (Key == VK_RIGHT || Key == VK_DOWN) {
    SelectNextPage(true);
    Key = 0;
  }
}

void TLumSmoothTabPager::DoEnter() {
  focused_ = true;
  InvalidateTab(-1);
  TCustomControl::DoEnter();
}

void TLumSmoothTabPager::DoExit() {
  focused_ = false;
  InvalidateTab(-1);
  TCustomControl::DoExit();
}

ORV_IMPLEMENT_CLASS(TLumSmoothTabSettings, c) {
  c.Prop("LeftMargin", &TLumSmoothTabSettings::LeftMargin, &TLumSmoothTabSettings::SetLeftMargin).Default(4);
  c.Prop("RightMargin", &TLumSmoothTabSettings::RightMargin, &TLumSmoothTabSettings::SetRightMargin).Default(4);
  c.Prop("StartMargin", &TLumSmoothTabSettings::StartMargin, &TLumSmoothTabSettings::SetStartMargin).Default(60);
  c.Prop("Height", &TLumSmoothTabSettings::Height, &TLumSmoothTabSettings::SetHeight).Default(26);
  c.Prop("Spacing", &TLumSmoothTabSettings::Spacing, &TLumSmoothTabSettings::SetSpacing).Default(4);
  c.Prop("Width", &TLumSmoothTabSettings::Width, &TLumSmoothTabSettings::SetWidth).Default(0);
}

ORV_IMPLEMENT_CLASS(TLumSmoothTabPager, c) {
  c.Prop("ActivePage", &TLumSmoothTabPager::ActivePage, &TLumSmoothTabPager::SetActivePage);
  c.Prop("PageMargin", &TLumSmoothTabPager::PageMargin, &TLumSmoothTabPager::SetPageMargin).Default(1);
  c.Prop("TabPosition", &TLumSmoothTabPager::TabPosition, &TLumSmoothTabPager::SetTabPosition).Default(tpTopCenter);
  c.Prop("TabSettings", &TLumSmoothTabPager::TabSettings, &TLumSmoothTabPager::SetTabSettings);
  c.Prop("TabReorder", &TLumSmoothTabPager::TabReorder, &TLumSmoothTabPager::SetTabReorder).Default(false);
  c.Prop("Version", &TLumSmoothTabPager::Version);
  c.Event("OnChange", &TLumSmoothTabPager::OnChange);
  c.Event("OnChanging", &TLumSmoothTabPager::OnChanging);
  c.Event("OnTabMoved", &TLumSmoothTabPager::OnTabMoved);
  c.Event("OnDrawTab", &TLumSmoothTabPager::OnDrawTab);
  c.Prop("Constraints", &TLumSmoothTabPager::Constraints, &TLumSmoothTabPager::SetConstraints);
  c.Event<TContextPopupEvent>("OnContextPopup", &TLumSmoothTabPager::OnContextPopup);
  c.Event<TStartDragEvent>("OnStartDrag", &TLumSmoothTabPager::OnStartDrag);
  c.Event<TDragOverEvent>("OnDragOver", &TLumSmoothTabPager::OnDragOver);
  c.Event<TDragDropEvent>("OnDragDrop", &TLumSmoothTabPager::OnDragDrop);
  c.Event<TEndDragEvent>("OnEndDrag", &TLumSmoothTabPager::OnEndDrag);
}

}  // namespace orv
