#include "controls/LumSmoothButton.h"

#include "platform/gui/Accelerators.h"
#include "platform/gui/Action.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/SizeConstraints.h"

namespace orv {

namespace {

constexpr int kAcceleratorPressMs = 150;
// Disabled buttons are painted in one dark gray, whatever their colour.
constexpr TColor kDisabledColor = RGB(80, 80, 80);

}  // namespace

// ---- badge ----

TLumSmoothButtonStatus::TLumSmoothButtonStatus(TLumSmoothButton* AOwner)
    : owner_(AOwner), appearance_(std::make_unique<TGDIPStatus>()) {
  appearance_->OnChange = [this](TObject*) { Changed(); };
}

TLumSmoothButtonStatus::~TLumSmoothButtonStatus() { appearance_->OnChange = nullptr; }

void TLumSmoothButtonStatus::Changed() {
  if (owner_) owner_->Changed();
  if (OnChange) OnChange(this);
}

bool TLumSmoothButtonStatus::Shows() const {
  return visible_ && (!caption_.empty() || !appearance_->Fill()->Picture()->Empty());
}

void TLumSmoothButtonStatus::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  Changed();
}

void TLumSmoothButtonStatus::SetCaption(const String& Value) {
  if (caption_ == Value) return;
  caption_ = Value;
  Changed();
}

void TLumSmoothButtonStatus::SetOffsetLeft(int Value) {
  if (offsetLeft_ == Value) return;
  offsetLeft_ = Value;
  Changed();
}

void TLumSmoothButtonStatus::SetOffsetTop(int Value) {
  if (offsetTop_ == Value) return;
  offsetTop_ = Value;
  Changed();
}

void TLumSmoothButtonStatus::SetAppearance(TGDIPStatus* Value) { appearance_->Assign(Value); }

void TLumSmoothButtonStatus::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TLumSmoothButtonStatus*>(Source);
  if (!s) return TPersistent::Assign(Source);
  appearance_->Assign(s->appearance_.get());
  offsetTop_ = s->offsetTop_;
  offsetLeft_ = s->offsetLeft_;
  visible_ = s->visible_;
  caption_ = s->caption_;
  Changed();
}

// ---- button ----

TLumSmoothButton::TLumSmoothButton(TComponent* AOwner)
    : TCustomControl(AOwner),
      appearance_(std::make_unique<TGDIPButton>()),
      status_(std::make_unique<TLumSmoothButtonStatus>(this)),
      picture_(std::make_unique<TLumGDIPPicture>()) {
  SetBounds(0, 0, 120, 35);
  SetTabStop(true);
  appearance_->OnChange = [this](TObject*) { Changed(); };
  appearance_->OnFontChange = [this](TObject*) { TControl::SetParentFont(false); };
  appearance_->OnIsFontStored = [this](TObject*, bool& stored) { stored = !ParentFont(); };
  picture_->OnChange = [this](TObject*) { Changed(); };
  releaseTimer_ = new TTimer(this);
  releaseTimer_->SetEnabled(false);
  releaseTimer_->SetInterval(kAcceleratorPressMs);
  releaseTimer_->OnTimer = [this](TObject*) {
    releaseTimer_->SetEnabled(false);
    down_ = false;
    Changed();
  };
}

TLumSmoothButton::~TLumSmoothButton() {
  appearance_->OnChange = nullptr;
  appearance_->OnFontChange = nullptr;
  picture_->OnChange = nullptr;
}

void TLumSmoothButton::Changed() {
  cacheValid_ = false;
  Invalidate();
}

void TLumSmoothButton::SetComponentStyle(TQorStyle AStyle) {
  switch (AStyle) {
    case tsOffice2003Blue: SetColor(0xE3B28D); break;
    case tsOffice2003Silver: SetColor(0x927476); break;
    case tsOffice2003Olive: SetColor(0x447A63); break;
    case tsOffice2003Classic: SetColor(0xC9D1D5); break;
    case tsOffice2007Luna: SetColor(0xFDEADA); break;
    case tsOffice2007Obsidian: SetColor(0x6E6E6D); break;
    case tsWindowsXP: SetColor(0xB9D8DC); break;
    case tsWhidbey: SetColor(0x828F92); break;
    case tsCustom: break;
    case tsOffice2007Silver: SetColor(0xE7DCD5); break;
    case tsWindowsVista: SetColor(0xFDF8F1); break;
    case tsWindows7: SetColor(0xFCEBDC); break;
    case tsTerminal: SetColor(clBtnFace); break;
  }
}

void TLumSmoothButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (!cache_ || int(cache_->GetWidth()) != Width() || int(cache_->GetHeight()) != Height()) {
    cache_.reset();
    Changed();
  }
}

void TLumSmoothButton::Resize() {
  cache_.reset();
  Changed();
  TCustomControl::Resize();
}

void TLumSmoothButton::SetAppearance(TGDIPButton* Value) {
  appearance_->Assign(Value);
  Changed();
}

void TLumSmoothButton::SetStatus(TLumSmoothButtonStatus* Value) {
  status_->Assign(Value);
  Changed();
}

void TLumSmoothButton::SetBevel(bool Value) {
  if (bevel_ == Value) return;
  bevel_ = Value;
  Changed();
}

void TLumSmoothButton::SetBevelColor(TColor Value) {
  if (bevelColor_ == Value) return;
  bevelColor_ = Value;
  Changed();
}

void TLumSmoothButton::SetColor(TColor Value) {
  if (color_ == Value) return;
  color_ = Value;
  Changed();
}

void TLumSmoothButton::SetPicture(TLumGDIPPicture* Value) {
  if (Value != picture_.get()) picture_->Assign(Value);
}

void TLumSmoothButton::SetShadow(bool Value) {
  if (shadow_ == Value) return;
  shadow_ = Value;
  Changed();
}

void TLumSmoothButton::SetHorizontalSpacing(int Value) {
  if (horizontalSpacing_ == Value) return;
  horizontalSpacing_ = Value;
  Changed();
}

void TLumSmoothButton::SetVerticalSpacing(int Value) {
  if (verticalSpacing_ == Value) return;
  verticalSpacing_ = Value;
  Changed();
}

void TLumSmoothButton::PaintFace() {
  if (!cache_) cache_ = std::make_unique<TGPBitmap>(Width(), Height());
  cacheValid_ = true;
  TGPGraphics g(cache_.get());
  if (g.GetLastStatus() != Ok) return;
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  g.SetTextRenderingHint(TextRenderingHintAntiAlias);
  g.Clear(MakeARGB(0, 255, 255, 255));
  bool badge = status_->Shows();
  TGDIPButtonFace face;
  face.Caption = Caption();
  face.Width = Width();
  face.Height = Height();
  face.HorizontalSpacing = badge ? horizontalSpacing_ : 0;
  face.VerticalSpacing = badge ? verticalSpacing_ : 0;
  face.Color = Enabled() ? color_ : kDisabledColor;
  face.BevelColor = bevelColor_;
  face.Shadow = shadow_;
  // An accelerator presses the face with the mouse anywhere.
  face.Down = down_ && (hot_ || releaseTimer_->Enabled());
  face.Bevel = bevel_;
  face.Picture = picture_.get();
  appearance_->Draw(g, face);
  if (TabStop() && focused_) {
    g.SetSmoothingMode(SmoothingModeDefault);
    TGPPen pen(MakeARGB(255, 0, 0, 0), 1);
    pen.SetDashStyle(DashStyleDot);
    g.DrawPath(pen, *CreateRoundRectangle(MakeRect(0, 0, float(Width() - 1), float(Height() - 1)), 8, rtBoth));
  }
  if (badge) {
    TGDIPStatus& status = *status_->Appearance();
    status.CalculateSize(g, status_->Caption());
    status.Draw(g, Width() - status.GetWidth() + status_->OffsetLeft(), status_->OffsetTop(), 0, 0, true,
                status_->Caption());
  }
}

void TLumSmoothButton::Paint() {
  if (!cacheValid_ || !cache_) PaintFace();
  TGPGraphics g(*Canvas());
  g.DrawImage(*cache_, 0, 0);
}

void TLumSmoothButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (!Enabled() || Button != mbLeft) return;
  down_ = true;
  leftPressed_ = true;
  if (TabStop() && CanFocus()) SetFocus();
  Changed();
}

void TLumSmoothButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  bool click = leftPressed_ && Enabled();
  leftPressed_ = false;
  if (Enabled()) {
    down_ = false;
    Changed();
  }
  // Last: the click may close the window that holds the button.
  if (click) Click();
}

void TLumSmoothButton::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  bool inside = X >= 0 && Y >= 0 && X < Width() && Y < Height();
  if (inside && !hot_)
    MouseEnter();
  else if (!inside && hot_)
    MouseLeave();
}

void TLumSmoothButton::MouseEnter() {
  hot_ = true;
  Changed();
}

void TLumSmoothButton::MouseLeave() {
  hot_ = false;
  down_ = false;
  Changed();
}

void TLumSmoothButton::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Enabled() && TabStop() && (Key == VK_RETURN || Key == VK_SPACE)) {
    Key = 0;
    Click();
  }
}

void TLumSmoothButton::Accelerator() {
  if (!CanFocus() || !TabStop()) return;
  down_ = true;
  releaseTimer_->SetEnabled(true);
  Changed();
  Repaint();
  Click();
}

void TLumSmoothButton::DoEnter() {
  focused_ = true;
  Changed();
  TCustomControl::DoEnter();
}

void TLumSmoothButton::DoExit() {
  focused_ = false;
  Changed();
  TCustomControl::DoExit();
}

void TLumSmoothButton::FontChanged() {
  if (ParentFont()) {
    TFont* font = appearance_->Font();
    auto keep = std::move(font->OnChange);
    font->Assign(Font());
    font->OnChange = std::move(keep);
  }
  Changed();
}

void TLumSmoothButton::EnabledChanged() { Changed(); }

void TLumSmoothButton::TextChanged() {
  SetAccelerator(this, Caption(), [this] { Accelerator(); });
  Changed();
}

ORV_IMPLEMENT_CLASS(TLumSmoothButtonStatus, c) {
  c.Prop("Visible", &TLumSmoothButtonStatus::Visible, &TLumSmoothButtonStatus::SetVisible).Default(false);
  c.Prop("Caption", [](TLumSmoothButtonStatus& s) { return s.Caption(); }, &TLumSmoothButtonStatus::SetCaption);
  c.Prop("OffsetLeft", &TLumSmoothButtonStatus::OffsetLeft, &TLumSmoothButtonStatus::SetOffsetLeft).Default(0);
  c.Prop("OffsetTop", &TLumSmoothButtonStatus::OffsetTop, &TLumSmoothButtonStatus::SetOffsetTop).Default(0);
  c.Prop("Appearance", &TLumSmoothButtonStatus::Appearance, &TLumSmoothButtonStatus::SetAppearance);
}

ORV_IMPLEMENT_CLASS(TLumSmoothButton, c) {
  c.Prop("Action", &TLumSmoothButton::Action, &TLumSmoothButton::SetAction);
  c.Prop("Constraints", &TLumSmoothButton::Constraints, &TLumSmoothButton::SetConstraints);
  c.Prop("Appearance", &TLumSmoothButton::Appearance, &TLumSmoothButton::SetAppearance);
  c.Prop("Status", &TLumSmoothButton::Status, &TLumSmoothButton::SetStatus);
  c.Prop("Bevel", &TLumSmoothButton::Bevel, &TLumSmoothButton::SetBevel).Default(true);
  c.Prop("BevelColor", &TLumSmoothButton::BevelColor, &TLumSmoothButton::SetBevelColor).Default(clWhite);
  c.Prop("Color", &TLumSmoothButton::Color, &TLumSmoothButton::SetColor).Default(clGray);
  c.Prop("Picture", &TLumSmoothButton::Picture, &TLumSmoothButton::SetPicture);
  c.Prop("Shadow", &TLumSmoothButton::Shadow, &TLumSmoothButton::SetShadow).Default(false);
  c.Prop("HorizontalSpacing", &TLumSmoothButton::HorizontalSpacing, &TLumSmoothButton::SetHorizontalSpacing)
      .Default(5);
  c.Prop("VerticalSpacing", &TLumSmoothButton::VerticalSpacing, &TLumSmoothButton::SetVerticalSpacing).Default(5);
  c.Prop("Version", &TLumSmoothButton::Version);
  c.Event<TContextPopupEvent>("OnContextPopup", &TLumSmoothButton::OnContextPopup);
}

}  // namespace orv
