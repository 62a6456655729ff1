#include "controls/LumFormStyler.h"

#include <algorithm>

#include "platform/gui/Application.h"
#include "platform/gui/Forms.h"

namespace orv {

// A Qt desktop is always themed and its palette names no colour scheme, so every look maps to
// the scheme a themed desktop chose: Office 2003 blue.
TQorStyle DesktopThemeStyle() { return tsOffice2003Blue; }

namespace {

TWinControl* FirstWindowedOwner(TComponent* owner) {
  for (TComponent* c = owner; c; c = c->Owner())
    if (auto* win = dynamic_cast<TWinControl*>(c)) return win;
  return nullptr;
}

bool Designing(const TComponent* c) { return c->ComponentState().Contains(csDesigning); }
bool Loading(const TComponent* c) { return c->ComponentState().Contains(csLoading); }

}  // namespace

TLumFormStyler::TLumFormStyler(TComponent* AOwner) : TComponent(AOwner) {
  if (Designing(this)) return;
  notifier_ = new TThemeNotifierWindow(this);
  notifier_->SetParent(FirstWindowedOwner(AOwner));
  notifier_->OnThemeChange = [this](TObject*) { ThemeChanged(); };
}

TLumFormStyler::~TLumFormStyler() {
  if (notifier_) notifier_->OnThemeChange = nullptr;
  if (appStyle_) {
    appStyle_->UnregisterFormStyler(this);
    appStyle_->RemoveFreeNotification(this);
  }
}

void TLumFormStyler::SetStyle(TQorStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  if (style_ != tsCustom) ApplyStyle();
  if (OnChange) OnChange(this);
}

void TLumFormStyler::SetAutoThemeAdapt(bool Value) {
  autoThemeAdapt_ = Value;
  ThemeChanged();
}

void TLumFormStyler::SetAppStyle(TLumAppStyler* Value) {
  if (appStyle_ == Value) return;
  if (appStyle_) {
    appStyle_->UnregisterFormStyler(this);
    appStyle_->RemoveFreeNotification(this);
  }
  appStyle_ = Value;
  if (!Value) return;
  Value->FreeNotification(this);
  if (!Loading(this)) SetStyle(Value->Style());
  if (!Designing(this)) Value->RegisterFormStyler(this);
}

void TLumFormStyler::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == appStyle_) appStyle_ = nullptr;
}

void TLumFormStyler::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TLumFormStyler*>(Source);
  if (!s) return TComponent::Assign(Source);
  SetAutoThemeAdapt(s->autoThemeAdapt_);
  SetStyle(s->style_);
}

void TLumFormStyler::Loaded() {
  TComponent::Loaded();
  if (!appStyle_) {
    TQorStyle stored = style_;
    SetStyle(tsCustom);
    SetStyle(stored);
  } else {
    SetStyle(appStyle_->Style());
  }
  if (!Designing(this)) ThemeChanged();
}

void TLumFormStyler::ApplyStyle() {
  TComponent* owner = Owner();
  if (!owner) return;
  for (int i = 0; i < owner->ComponentCount(); ++i) {
    TComponent* component = owner->Components(i);
    auto* styled = dynamic_cast<IQorStyle*>(component);
    if (!styled) continue;
    bool allow = true;
    if (OnApplyStyle) OnApplyStyle(this, component, allow);
    if (allow) styled->SetComponentStyle(style_);
  }
}

void TLumFormStyler::ThemeChanged() {
  if (autoThemeAdapt_) SetStyle(DesktopThemeStyle());
}

// ---- application styler ----

TLumAppStyler::TLumAppStyler(TComponent* AOwner) : TComponent(AOwner) {
  if (Designing(this)) return;
  notifier_ = new TThemeNotifierWindow(this);
  notifier_->SetParent(Application->MainForm());
  notifier_->OnThemeChange = [this](TObject*) { ThemeChanged(); };
}

TLumAppStyler::~TLumAppStyler() {
  if (notifier_) notifier_->OnThemeChange = nullptr;
  for (TLumFormStyler* styler : std::vector<TLumFormStyler*>(stylers_)) styler->SetAppStyle(nullptr);
}

void TLumAppStyler::RegisterFormStyler(TLumFormStyler* Styler) {
  if (std::find(stylers_.begin(), stylers_.end(), Styler) == stylers_.end()) stylers_.push_back(Styler);
}

void TLumAppStyler::UnregisterFormStyler(TLumFormStyler* Styler) {
  stylers_.erase(std::remove(stylers_.begin(), stylers_.end(), Styler), stylers_.end());
}

void TLumAppStyler::SetStyle(TQorStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  if (!Loading(this) && !Designing(this))
    for (TLumFormStyler* styler : stylers_) styler->SetStyle(Value);
  if (OnChange) OnChange(this);
}

void TLumAppStyler::SetAutoThemeAdapt(bool Value) {
  autoThemeAdapt_ = Value;
  ThemeChanged();
}

void TLumAppStyler::ThemeChanged() {
  if (autoThemeAdapt_) SetStyle(DesktopThemeStyle());
}

void TLumAppStyler::Loaded() {
  TComponent::Loaded();
  if (autoThemeAdapt_) ThemeChanged();
}

void TLumAppStyler::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TLumAppStyler*>(Source);
  if (!s) return TComponent::Assign(Source);
  SetStyle(s->style_);
  SetAutoThemeAdapt(s->autoThemeAdapt_);
}

ORV_IMPLEMENT_CLASS(TLumFormStyler, c) {
  c.Prop("AutoThemeAdapt", &TLumFormStyler::AutoThemeAdapt, &TLumFormStyler::SetAutoThemeAdapt).NoDefault();
  c.Prop("Style", &TLumFormStyler::Style, &TLumFormStyler::SetStyle).Default(tsCustom);
  c.Prop("AppStyle", &TLumFormStyler::AppStyle, &TLumFormStyler::SetAppStyle);
  c.Prop("Version", &TLumFormStyler::Version).Stored(false);
  c.Event("OnApplyStyle", &TLumFormStyler::OnApplyStyle);
  c.Event("OnChange", &TLumFormStyler::OnChange);
}

ORV_IMPLEMENT_CLASS(TLumAppStyler, c) {
  c.Prop("AutoThemeAdapt", &TLumAppStyler::AutoThemeAdapt, &TLumAppStyler::SetAutoThemeAdapt).NoDefault();
  c.Prop("Style", &TLumAppStyler::Style, &TLumAppStyler::SetStyle).Default(tsCustom);
  c.Prop("Version", &TLumAppStyler::Version).Stored(false);
  c.Event("OnChange", &TLumAppStyler::OnChange);
}

}  // namespace orv
