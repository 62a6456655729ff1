#include "report/model/DialogControls.h"

#include <cmath>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/FormImage.h"
#include "report/model/DialogPage.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxDialogControl, c) {
  using T = TkvxDialogControl;
  c.Prop("Left", &T::Left, &T::SetLeft);
  c.Prop("Top", &T::Top, &T::SetTop);
  c.Prop("Width", &T::Width, &T::SetWidth);
  c.Prop("Height", &T::Height, &T::SetHeight);
  c.Prop("Font", &T::Font, &T::SetFont);
  c.Prop("GroupIndex", &T::GroupIndex, &T::SetGroupIndex).Default(0);
  c.Prop("ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
  c.Prop("Enabled", &T::Enabled, &T::SetEnabled).Default(true);
  c.Prop("Hint", &T::Hint, &T::SetHint);
  c.Prop("ShowHint", &T::ShowHint, &T::SetShowHint).Default(false);
  c.Prop("Visible", &T::Visible, &T::SetVisible).Default(true);
}

namespace {

int Rounded(Extended v) { return static_cast<int>(std::lround(v)); }

String BaseNameOf(String name) {
  if (size_t at = name.find("Tkvx"); at != String::npos) name.erase(at, 4);
  if (size_t at = name.find("Control"); at != String::npos) name.erase(at, 7);
  return name;
}

}  // namespace

TkvxDialogControl::TkvxDialogControl(TComponent* owner) : TkvxReportComponent(owner) {}

TkvxDialogControl::~TkvxDialogControl() {
  // The control goes before the object, while the window it sits in still exists.
  control_.reset();
}

void TkvxDialogControl::SetControl(std::unique_ptr<TControl> control) {
  // Called from the wrapping class's constructor, where the class name is already its own.
  SetBaseName(BaseNameOf(ClassName()));
  control_ = std::move(control);
  if (!control_) return;
  control_->SetBounds(Rounded(Left()), Rounded(Top()), Rounded(Width()), Rounded(Height()));
  control_->SetVisible(Visible());
  control_->SetFont(Font());
  SetParent(Parent());
}

void TkvxDialogControl::SetLeft(Extended value) {
  TkvxReportComponent::SetLeft(value);
  if (control_) control_->SetLeft(Rounded(value));
}

void TkvxDialogControl::SetTop(Extended value) {
  TkvxReportComponent::SetTop(value);
  if (control_) control_->SetTop(Rounded(value));
}

void TkvxDialogControl::SetWidth(Extended value) {
  TkvxReportComponent::SetWidth(value);
  if (control_) control_->SetWidth(Rounded(value));
}

void TkvxDialogControl::SetHeight(Extended value) {
  TkvxReportComponent::SetHeight(value);
  if (control_) control_->SetHeight(Rounded(value));
}

void TkvxDialogControl::SetVisible(bool value) {
  TkvxReportComponent::SetVisible(value);
  if (control_) control_->SetVisible(value);
}

void TkvxDialogControl::SetParentFont(bool value) {
  TkvxReportComponent::SetParentFont(value);
  if (control_) control_->SetParentFont(value);
}

void TkvxDialogControl::FontChanged() {
  TkvxReportComponent::FontChanged();
  if (control_) control_->SetFont(Font());
}

void TkvxDialogControl::SetParent(TkvxComponent* value) {
  TkvxReportComponent::SetParent(value);
  if (!control_) return;
  TWinControl* window = nullptr;
  if (auto* owner = dynamic_cast<TkvxDialogControl*>(value))
    window = dynamic_cast<TWinControl*>(owner->Control());
  else if (auto* page = dynamic_cast<TkvxDialogPage*>(value))
    window = page->Form();
  control_->SetParent(window);
}

void TkvxDialogControl::SetName(const String& value) {
  const String old = Name();
  const bool follow = control_ && CaptionFollowsName && !IsLoading &&
                      !ComponentState().Contains(csLoading) && control_->Caption() == old;
  TkvxReportComponent::SetName(value);
  if (follow) control_->SetCaption(value);
}

bool TkvxDialogControl::Enabled() const { return !control_ || control_->Enabled(); }
void TkvxDialogControl::SetEnabled(bool value) {
  if (control_) control_->SetEnabled(value);
}
String TkvxDialogControl::Hint() const { return control_ ? control_->Hint() : String(); }
void TkvxDialogControl::SetHint(const String& value) {
  if (control_) control_->SetHint(value);
}
bool TkvxDialogControl::ShowHint() const { return control_ && control_->ShowHint(); }
void TkvxDialogControl::SetShowHint(bool value) {
  if (control_) control_->SetShowHint(value);
}

void TkvxDialogControl::SetFocus() {
  if (auto* windowed = dynamic_cast<TWinControl*>(control_.get())) windowed->SetFocus();
}

void TkvxDialogControl::Draw(TCanvas* canvas, Extended, Extended, Extended, Extended) {
  if (!control_) return;
  std::unique_ptr<TBitmap> image = GetControlImage(*control_, Rounded(Width()), Rounded(Height()));
  canvas->Draw(Rounded(AbsLeft()), Rounded(AbsTop()), *image);
}

}  // namespace orv
