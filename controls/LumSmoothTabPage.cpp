#include "controls/LumSmoothTabPage.h"

#include "controls/LumSmoothTabPager.h"
#include "platform/gui/Canvas.h"
#include "platform/rtl/Exceptions.h"

namespace orv {

// ---- tab badge ----

TLumSmoothTabStatus::TLumSmoothTabStatus() : appearance_(std::make_unique<TGDIPStatus>()) {
  appearance_->OnChange = [this](TObject*) { Changed(); };
}

TLumSmoothTabStatus::~TLumSmoothTabStatus() { appearance_->OnChange = nullptr; }

void TLumSmoothTabStatus::Changed() {
  if (OnChange) OnChange(this);
}

void TLumSmoothTabStatus::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  Changed();
}

void TLumSmoothTabStatus::SetCaption(const String& Value) {
  if (caption_ == Value) return;
  caption_ = Value;
  Changed();
}

void TLumSmoothTabStatus::SetOffsetLeft(int Value) {
  if (offsetLeft_ == Value) return;
  offsetLeft_ = Value;
  Changed();
}

void TLumSmoothTabStatus::SetOffsetTop(int Value) {
  if (offsetTop_ == Value) return;
  offsetTop_ = Value;
  Changed();
}

void TLumSmoothTabStatus::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TLumSmoothTabStatus*>(Source);
  if (!s) return TPersistent::Assign(Source);
  appearance_->Assign(s->appearance_.get());
  caption_ = s->caption_;
  offsetTop_ = s->offsetTop_;
  offsetLeft_ = s->offsetLeft_;
  visible_ = s->visible_;
  Changed();
}

// ---- tab appearance ----

TLumSmoothTabAppearance::TLumSmoothTabAppearance()
    : appearance_(std::make_unique<TGDIPButton>()),
      status_(std::make_unique<TLumSmoothTabStatus>()),
      picture_(std::make_unique<TLumGDIPPicture>()) {
  appearance_->OnChange = [this](TObject*) { Changed(); };
  status_->OnChange = [this](TObject*) { Changed(); };
  picture_->OnChange = [this](TObject*) { Changed(); };
}

TLumSmoothTabAppearance::~TLumSmoothTabAppearance() {
  appearance_->OnChange = nullptr;
  status_->OnChange = nullptr;
  picture_->OnChange = nullptr;
}

void TLumSmoothTabAppearance::Changed() {
  if (OnChange) OnChange(this);
}

void TLumSmoothTabAppearance::SetPicture(TLumGDIPPicture* Value) {
  if (Value != picture_.get()) picture_->Assign(Value);
}

void TLumSmoothTabAppearance::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TLumSmoothTabAppearance*>(Source);
  if (!s) return TPersistent::Assign(Source);
  appearance_->Assign(s->appearance_.get());
  status_->Assign(s->status_.get());
  bevel_ = s->bevel_;
  shadow_ = s->shadow_;
  color_ = s->color_;
  picture_->Assign(s->picture_.get());
  bevelColor_ = s->bevelColor_;
  horizontalSpacing_ = s->horizontalSpacing_;
  verticalSpacing_ = s->verticalSpacing_;
  colorSelected_ = s->colorSelected_;
  colorDown_ = s->colorDown_;
  colorDisabled_ = s->colorDisabled_;
  colorHot_ = s->colorHot_;
  Changed();
}

// ---- page ----

TLumSmoothTabPage::TLumSmoothTabPage(TComponent* AOwner)
    : TCustomControl(AOwner),
      pageAppearance_(std::make_unique<TGDIPFill>()),
      tabAppearance_(std::make_unique<TLumSmoothTabAppearance>()) {
  SetTabStop(false);
  pageAppearance_->OnChange = [this](TObject*) { LookChanged(); };
  tabAppearance_->OnChange = [this](TObject*) { LookChanged(); };
}

TLumSmoothTabPage::~TLumSmoothTabPage() {
  pageAppearance_->OnChange = nullptr;
  tabAppearance_->OnChange = nullptr;
  if (pager_) pager_->RemovePage(this);
}

void TLumSmoothTabPage::LookChanged() {
  Invalidate();
  if (pager_) pager_->PageLookChanged(this);
}

void TLumSmoothTabPage::SetPager(TLumSmoothTabPager* APager) {
  if (APager == pager_) return;
  if (pager_) pager_->RemovePage(this);
  if (APager) APager->AddPage(this);
}

void TLumSmoothTabPage::SetParent(TWinControl* AParent) {
  if (auto* pager = dynamic_cast<TLumSmoothTabPager*>(AParent)) {
    if (pager != pager_) SetPager(pager);
    if (Parent() != pager) TCustomControl::SetParent(pager);
    return;
  }
  if (auto* page = dynamic_cast<TLumSmoothTabPage*>(AParent); page && page->pager_) {
    TLumSmoothTabPager* pager = page->pager_;
    SetPager(pager);
    int from = pager->IndexOfPage(this), to = pager->IndexOfPage(page);
    if (from < 0 || to < 0) throw Exception("Invalid Parent " + std::to_string(from) + ":" + std::to_string(to));
    pager->MovePage(from, to);
    return;
  }
  if (pager_ && AParent) throw Exception("Invalid Parent");
  SetPager(nullptr);
  TCustomControl::SetParent(AParent);
}

void TLumSmoothTabPage::SetTabVisible(bool Value) {
  if (tabVisible_ == Value) return;
  tabVisible_ = Value;
  LookChanged();
}

void TLumSmoothTabPage::SetTabEnabled(bool Value) {
  if (tabEnabled_ == Value) return;
  tabEnabled_ = Value;
  LookChanged();
}

int TLumSmoothTabPage::PageIndex() const { return pager_ ? pager_->IndexOfPage(this) : -1; }

void TLumSmoothTabPage::SetPageIndex(int Value) {
  if (!pager_ || Value < 0 || Value >= pager_->PageCount()) return;
  pager_->MovePage(PageIndex(), Value);
  pager_->Invalidate();
}

void TLumSmoothTabPage::TextChanged() { LookChanged(); }

void TLumSmoothTabPage::SetComponentStyle(TQorStyle AStyle) {
  TLumSmoothTabAppearance& tab = *tabAppearance_;
  TGDIPFill& page = *pageAppearance_;
  static const TColor kTabColors[] = {0xE3B28D, 0x927476, 0x447A63, 0xC9D1D5, 0xFDEADA, 0x6E6E6D,
                                      0xB9D8DC, 0x828F92, 0,        0xE7DCD5, 0xFFFDF9, 0xFDFBFA,
                                      0xC0C0C0};
  if (AStyle != tsCustom) tab.SetColor(kTabColors[AStyle]);
  switch (AStyle) {
    case tsOffice2003Blue: tab.SetColorDown(0xAAD9FF); tab.SetColorDisabled(0xF2F2F2); break;
    case tsOffice2003Silver:
    case tsOffice2003Olive: tab.SetColorDown(0xAAD9FF); tab.SetColorDisabled(0x947C7C); break;
    case tsWindowsVista: tab.SetColorDown(0xF7DAA2); tab.SetColorDisabled(0xFFD1AD); break;
    case tsWindows7: tab.SetColorDown(0xFCEBDC); tab.SetColorDisabled(0xFFD1AD); break;
    case tsTerminal: tab.SetColorDown(clHighlight); tab.SetColorDisabled(clBtnFace); break;
    default: tab.SetColorDown(0xAAD9FF); tab.SetColorDisabled(0xFFD1AD); break;
  }
  tab.SetBevelColor(tab.Color());
  tab.SetColorSelected(tab.ColorDown());
  if (AStyle == tsOffice2003Blue) tab.SetBevelColor(0x962D00);
  if (AStyle == tsCustom) return;

  struct TScheme {
    TColor Color, ColorTo, ColorMirror, ColorMirrorTo, Border, TabColor, TabBevel;
  };
  // clDefault in the tab colour keeps the colour the first step chose.
  static const TScheme kSchemes[] = {
      {0xFCE1CB, 0xE0A57D, clNone, clNone, 0x962D00, clDefault, 0x962D00},
      {0xECE2E1, 0xB39698, clNone, clNone, 0x947C7C, 0xECE2E1, 0x947C7C},
      {0xCFF0EA, 0x8CC0B1, clNone, clNone, 0x588060, 0xCFF0EA, 0x588060},
      {0xFFFFFF, 0xC9D1D5, clNone, clNone, 0x808080, 0xFFFFFF, 0x808080},
      {0xFFEFE3, 0xFFDDC4, 0xFFD1AD, 0xFFDBC0, 0xFFD1AD, 0xFFEFE3, 0xFFD1AD},
      {0xF9F8F8, 0xE4E2DF, 0xD1CBC7, 0xE2DEDB, 0x000000, 0xF9F8F8, 0x000000},
      {0xFFFFFF, clBtnFace, clNone, clNone, 0x000000, 0xFFFFFF, 0x000000},
      {0xF5F9FA, 0xA8C0C0, clNone, clNone, 0x962D00, 0xF5F9FA, 0x962D00},
      {},
      {0xFAEEEB, 0xE5DBD7, 0xE2D8D4, 0xD1C7C5, 0x000000, 0xFAEEEB, 0x000000},
      {0xFFFDF9, 0xFFFAF0, 0xFEF9F0, 0xFDF0D7, 0xFCF2DA, 0xFFFDF9, 0xFCF2DA},
      {0xFCEBDC, 0xFCDBC1, clNone, clNone, 0xCEA27D, 0xFCEBDC, 0xCEA27D},
      {clBtnFace, clBtnFace, clNone, clNone, 0x808080, 0xC0C0C0, 0x808080},
  };
  const TScheme& s = kSchemes[AStyle];
  page.SetColor(s.Color);
  page.SetColorTo(s.ColorTo);
  page.SetColorMirror(s.ColorMirror);
  page.SetColorMirrorTo(s.ColorMirrorTo);
  page.SetBorderColor(s.Border);
  if (AStyle != tsTerminal) page.SetGradientMirrorType(gtVertical);
  if (s.TabColor != clDefault) tab.SetColor(s.TabColor);
  tab.SetBevelColor(s.TabBevel);
}

void TLumSmoothTabPage::AdjustClientRect(TRect& Rect) const {
  Rect.Left += 2;
  Rect.Top += 2;
  Rect.Right -= 2;
  Rect.Bottom -= 2;
}

void TLumSmoothTabPage::Paint() {
  TGPGraphics g(*Canvas());
  TGDIPFill& fill = *pageAppearance_;
  fill.Fill(&g, MakeRect(0, 0, float(Width() - 1), float(Height() - 1)));
  if (!pager_ || pager_->ActivePage() != this || pager_->TabSettings()->Height() < 1) return;
  TRect tab = pager_->GetTabRect(pager_->ActivePageIndex());
  if (tab.Right <= tab.Left) return;
  TLumSmoothTabPosition pos = pager_->TabPosition();
  bool side = pos >= tpLeftTop && pos <= tpRightCenter;
  bool farEdge = pos >= tpRightTop;  // right and bottom tabs
  TLumGradientType type = fill.GradientType();
  // A gradient across the joining edge would show the line as a seam.
  if (fill.ColorTo() != clNone && type != gtSolid && type != (side ? gtHorizontal : gtVertical)) return;
  TColor color = farEdge && type != gtSolid && fill.ColorTo() != clNone ? fill.ColorTo() : fill.Color();
  if (color == clNone) return;
  int inset = tabAppearance_->Bevel() ? 1 : 0;
  TGPPen pen(MakeColor(255, color), float(fill.BorderWidth() + 1));
  if (side) {
    float from = float(tab.Top - Top() + inset), to = float(tab.Bottom - 3 - Top() - inset);
    float x = pos <= tpLeftCenter ? 0.0f : float(Width() - 1);
    g.DrawLine(pen, x, from, x, to);
  } else {
    float from = float(tab.Left - Left() + inset), to = float(tab.Right - 3 - Left() - inset);
    float y = pos <= tpTopLeft ? 0.0f : float(Height() - 1);
    g.DrawLine(pen, from, y, to, y);
  }
}

ORV_IMPLEMENT_CLASS(TLumSmoothTabStatus, c) {
  c.Prop("Visible", &TLumSmoothTabStatus::Visible, &TLumSmoothTabStatus::SetVisible).Default(false);
  c.Prop("Caption", [](TLumSmoothTabStatus& s) { return s.Caption(); }, &TLumSmoothTabStatus::SetCaption);
  c.Prop("OffsetLeft", &TLumSmoothTabStatus::OffsetLeft, &TLumSmoothTabStatus::SetOffsetLeft).Default(0);
  c.Prop("OffsetTop", &TLumSmoothTabStatus::OffsetTop, &TLumSmoothTabStatus::SetOffsetTop).Default(0);
  c.Prop("Appearance", &TLumSmoothTabStatus::Appearance, &TLumSmoothTabStatus::SetAppearance);
}

ORV_IMPLEMENT_CLASS(TLumSmoothTabAppearance, c) {
  c.Prop("Appearance", &TLumSmoothTabAppearance::Appearance, &TLumSmoothTabAppearance::SetAppearance);
  c.Prop("Status", &TLumSmoothTabAppearance::Status, &TLumSmoothTabAppearance::SetStatus);
  c.Prop("Bevel", &TLumSmoothTabAppearance::Bevel, &TLumSmoothTabAppearance::SetBevel).Default(true);
  c.Prop("BevelColor", &TLumSmoothTabAppearance::BevelColor, &TLumSmoothTabAppearance::SetBevelColor).Default(clGray);
  c.Prop("Color", &TLumSmoothTabAppearance::Color, &TLumSmoothTabAppearance::SetColor).Default(clSilver);
  c.Prop("ColorDown", &TLumSmoothTabAppearance::ColorDown, &TLumSmoothTabAppearance::SetColorDown).Default(clGray);
  c.Prop("ColorSelected", &TLumSmoothTabAppearance::ColorSelected, &TLumSmoothTabAppearance::SetColorSelected)
      .Default(TColor(0xAAD9FF));
  c.Prop("ColorHot", &TLumSmoothTabAppearance::ColorHot, &TLumSmoothTabAppearance::SetColorHot).Default(clWhite);
  c.Prop("ColorDisabled", &TLumSmoothTabAppearance::ColorDisabled, &TLumSmoothTabAppearance::SetColorDisabled)
      .Default(TColor(0x545454));
  c.Prop("Picture", &TLumSmoothTabAppearance::Picture, &TLumSmoothTabAppearance::SetPicture);
  c.Prop("Shadow", &TLumSmoothTabAppearance::Shadow, &TLumSmoothTabAppearance::SetShadow).Default(false);
  c.Prop("HorizontalSpacing", &TLumSmoothTabAppearance::HorizontalSpacing,
         &TLumSmoothTabAppearance::SetHorizontalSpacing)
      .Default(0);
  c.Prop("VerticalSpacing", &TLumSmoothTabAppearance::VerticalSpacing, &TLumSmoothTabAppearance::SetVerticalSpacing)
      .Default(0);
}

ORV_IMPLEMENT_CLASS(TLumSmoothTabPage, c) {
  c.Prop("ImageIndex", &TLumSmoothTabPage::ImageIndex, &TLumSmoothTabPage::SetImageIndex).Default(-1);
  c.Prop("PageAppearance", &TLumSmoothTabPage::PageAppearance, &TLumSmoothTabPage::SetPageAppearance);
  c.Prop("TabVisible", &TLumSmoothTabPage::TabVisible, &TLumSmoothTabPage::SetTabVisible).Default(true);
  c.Prop("TabEnabled", &TLumSmoothTabPage::TabEnabled, &TLumSmoothTabPage::SetTabEnabled).Default(true);
  c.Prop("PageIndex", &TLumSmoothTabPage::PageIndex, &TLumSmoothTabPage::SetPageIndex).Stored(false);
  c.Prop("TabAppearance", &TLumSmoothTabPage::TabAppearance, &TLumSmoothTabPage::SetTabAppearance);
  c.Event("OnShow", &TLumSmoothTabPage::OnShow);
  c.Event("OnHide", &TLumSmoothTabPage::OnHide);
  c.Event<TContextPopupEvent>("OnContextPopup", &TLumSmoothTabPage::OnContextPopup);
  c.Event<TStartDragEvent>("OnStartDrag", &TLumSmoothTabPage::OnStartDrag);
  c.Event<TDragOverEvent>("OnDragOver", &TLumSmoothTabPage::OnDragOver);
  c.Event<TDragDropEvent>("OnDragDrop", &TLumSmoothTabPage::OnDragDrop);
  c.Event<TEndDragEvent>("OnEndDrag", &TLumSmoothTabPage::OnEndDrag);
}

}  // namespace orv
