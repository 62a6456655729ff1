#include "platform/gui/Buttons.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "platform/gui/Bitmap.h"
#include "platform/gui/CanvasQt.h"
#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

struct KindInfo {
  const char* caption;
  TModalResult result;
  QStyle::StandardPixmap icon;
};

const KindInfo kKinds[] = {
    {"", mrNone, QStyle::SP_CustomBase},
    {"OK", mrOk, QStyle::SP_DialogOkButton},
    {"Cancel", mrCancel, QStyle::SP_DialogCancelButton},
    {"&Help", mrNone, QStyle::SP_DialogHelpButton},
    {"&Yes", mrYes, QStyle::SP_DialogYesButton},
    {"&No", mrNo, QStyle::SP_DialogNoButton},
    {"&Close", mrNone, QStyle::SP_DialogCloseButton},
    {"Abort", mrAbort, QStyle::SP_DialogAbortButton},
    {"&Retry", mrRetry, QStyle::SP_DialogRetryButton},
    {"&Ignore", mrIgnore, QStyle::SP_DialogIgnoreButton},
    {"&All", mrAll, QStyle::SP_DialogYesToAllButton},
};

QIcon GlyphIcon(TBitmap& glyph) {
  if (glyph.Empty()) return {};
  QImage image = BitmapImage(glyph);
  // The class library draws a glyph without its bottom-left colour.
  if (image.width() > 0 && image.height() > 0) {
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    QRgb key = masked.pixel(0, masked.height() - 1);
    for (int y = 0; y < masked.height(); ++y)
      for (int x = 0; x < masked.width(); ++x)
        if (masked.pixel(x, y) == key) masked.setPixel(x, y, qRgba(0, 0, 0, 0));
    return QIcon(QPixmap::fromImage(masked));
  }
  return {};
}

}  // namespace

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = [this](TObject*) { ApplyGlyph(); };
}

TBitBtn::~TBitBtn() { glyph_->OnChange = nullptr; }

void TBitBtn::SetGlyph(TBitmap* Value) {
  if (Value) glyph_->Assign(Value);
  ApplyGlyph();
}

void TBitBtn::ApplyGlyph() {
  auto* button = static_cast<QPushButton*>(Widget());
  if (!glyph_->Empty())
    button->setIcon(GlyphIcon(*glyph_));
  else if (kind_ != bkCustom)
    button->setIcon(QApplication::style()->standardIcon(kKinds[kind_].icon));
  else
    button->setIcon(QIcon());
}

void TBitBtn::SetKind(TBitBtnKind Value) {
  kind_ = Value;
  if (Value != bkCustom) {
    SetCaption(kKinds[Value].caption);
    SetModalResult(kKinds[Value].result);
    if (Value == bkOK || Value == bkYes) SetDefault(true);
    if (Value == bkCancel || Value == bkNo) SetCancel(true);
  }
  ApplyGlyph();
}

void TBitBtn::Click() {
  if (kind_ == bkClose) {
    if (TCustomForm* form = GetParentForm(this)) {
      form->Close();
      return;
    }
  }
  TButton::Click();
}

TSpeedButton::TSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner, NewWidget<QToolButton>()), glyph_(std::make_unique<TBitmap>()) {
  auto* button = static_cast<QToolButton*>(Widget());
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  glyph_->OnChange = [this](TObject*) { ApplyGlyph(); };
  QObject::connect(button, &QToolButton::clicked, impl_->bridge, [this] {
    if (impl_->bridge->Control()) CallSafely(this, [this] { Click(); });
  });
  SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() { glyph_->OnChange = nullptr; }

void TSpeedButton::SetGlyph(TBitmap* Value) {
  if (Value) glyph_->Assign(Value);
  ApplyGlyph();
}

void TSpeedButton::ApplyGlyph() { static_cast<QToolButton*>(Widget())->setIcon(GlyphIcon(*glyph_)); }

String TSpeedButton::GetText() const { return OStr(static_cast<QToolButton*>(Widget())->text()); }

void TSpeedButton::SetTextValue(const String& Value) {
  auto* button = static_cast<QToolButton*>(Widget());
  button->setText(QStr(Value));
  button->setToolButtonStyle(Value.empty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
}

bool TSpeedButton::Down() const { return static_cast<QToolButton*>(Widget())->isChecked(); }

void TSpeedButton::SetDown(bool Value) {
  auto* button = static_cast<QToolButton*>(Widget());
  if (groupIndex_ == 0) {
    button->setChecked(false);
    return;
  }
  if (!Value && !allowAllUp_) return;
  button->setChecked(Value);
  if (!Value || !Parent()) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
    if (other && other != this && other->groupIndex_ == groupIndex_)
      static_cast<QToolButton*>(WidgetOf(other))->setChecked(false);
  }
}

void TSpeedButton::SetGroupIndex(int Value) {
  groupIndex_ = Value;
  static_cast<QToolButton*>(Widget())->setCheckable(Value != 0);
}

bool TSpeedButton::Flat() const { return static_cast<QToolButton*>(Widget())->autoRaise(); }
void TSpeedButton::SetFlat(bool Value) { static_cast<QToolButton*>(Widget())->setAutoRaise(Value); }

void TSpeedButton::Click() {
  // Qt toggled the button already; the group rule decides what stays down.
  if (groupIndex_ != 0) {
    bool down = Down();
    if (!down && !allowAllUp_) static_cast<QToolButton*>(Widget())->setChecked(true);
    else SetDown(down);
  }
  TGraphicControl::Click();
}

ORV_IMPLEMENT_CLASS(TBitBtn, c) {
  c.Prop("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph);
  c.Prop("Kind", &TBitBtn::Kind, &TBitBtn::SetKind).Default(bkCustom);
}

ORV_IMPLEMENT_CLASS(TSpeedButton, c) {
  c.Prop("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
  c.Prop("Down", &TSpeedButton::Down, &TSpeedButton::SetDown).Default(false);
  c.Prop("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat).Default(false);
  c.Prop("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
  c.Prop("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
}

}  // namespace orv
