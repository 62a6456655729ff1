#include "platform/gui/ExtCtrls.h"

#include <QWidget>

#include <algorithm>

#include "platform/gui/Canvas.h"
#include "platform/gui/ItemStrings.h"
#include "platform/gui/Picture.h"
#include "platform/gui/QtBridge.h"

namespace orv {

// ---- panel ----

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(false);
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
  bevelOuter_ = Value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
  bevelInner_ = Value;
  Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value) {
  bevelWidth_ = Value;
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
  borderStyle_ = Value;
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  alignment_ = Value;
  Invalidate();
}

static void Frame3D(TCanvas& c, TRect& r, TColor topLeft, TColor bottomRight, int width) {
  for (int i = 0; i < width; ++i) {
    c.Pen().SetColor(topLeft);
    c.MoveTo(r.Left, r.Bottom - 1);
    c.LineTo(r.Left, r.Top);
    c.LineTo(r.Right - 1, r.Top);
    c.Pen().SetColor(bottomRight);
    c.LineTo(r.Right - 1, r.Bottom - 1);
    c.LineTo(r.Left - 1, r.Bottom - 1);
    r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  }
}

void TCustomPanel::Paint() {
  TCanvas& c = *Canvas();
  TRect r = ClientRect();
  c.Brush().SetColor(Color());
  c.Brush().SetStyle(bsSolid);
  c.FillRect(r);
  if (borderStyle_ == bsSingle) Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    bool raised = cut == bvRaised;
    TColor light = cut == bvSpace ? Color() : (raised ? clBtnHighlight : clBtnShadow);
    TColor dark = cut == bvSpace ? Color() : (raised ? clBtnShadow : clBtnHighlight);
    Frame3D(c, r, light, dark, bevelWidth_);
  };
  bevel(bevelOuter_);
  bevel(bevelInner_);
  String caption = Caption();
  if (caption.empty()) return;
  c.Brush().SetStyle(bsClear);
  TTextFormat format = tfVerticalCenter | tfSingleLine |
                       (alignment_ == taCenter ? tfCenter : alignment_ == taRightJustify ? tfRight : tfLeft);
  c.TextRect(r, caption, format);
}

TPanel::TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}

// ---- image ----

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
  picture_->OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::SetPicture(TPicture* Value) { picture_->Assign(Value); }

void TImage::SetStretch(bool Value) {
  stretch_ = Value;
  Invalidate();
}

void TImage::SetProportional(bool Value) {
  proportional_ = Value;
  Invalidate();
}

void TImage::SetCenter(bool Value) {
  center_ = Value;
  Invalidate();
}

TRect TImage::DestRect() const {
  int w = picture_->Width(), h = picture_->Height();
  int cw = Width(), ch = Height();
  if (w <= 0 || h <= 0) return Rect(0, 0, 0, 0);
  // Proportional shrinks a picture that does not fit; Stretch also enlarges one that does.
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_) {
      double scale = std::min(static_cast<double>(cw) / w, static_cast<double>(ch) / h);
      w = static_cast<int>(w * scale);
      h = static_cast<int>(h * scale);
    } else {
      w = cw;
      h = ch;
    }
  }
  int x = 0, y = 0;
  if (center_) {
    x = (cw - w) / 2;
    y = (ch - h) / 2;
  }
  return Rect(x, y, x + w, y + h);
}

void TImage::Paint() {
  if (TGraphic* g = picture_->Graphic(); g && !g->Empty()) Canvas()->StretchDraw(DestRect(), *g);
}

// ---- paint box ----

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 105, 105); }

void TPaintBox::Paint() {
  if (OnPaint) OnPaint(this);
}

// ---- radio group ----

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner) : TCustomGroupBox(AOwner) {
  auto* items = new TItemStrings;
  items->Inserted = [this](int, const String&) { Rebuild(); };
  items->Deleted = [this](int) { Rebuild(); };
  items->Cleared = [this] { Rebuild(); };
  items->Changed = [this](int i, const String& s) { buttons_[i]->SetCaption(s); };
  items_.reset(items);
}

TCustomRadioGroup::~TCustomRadioGroup() {
  // The buttons are children of this control and go with it.
  buttons_.clear();
}

TStrings* TCustomRadioGroup::Items() const { return items_.get(); }
void TCustomRadioGroup::SetItems(TStrings* Value) { items_->Assign(Value); }

void TCustomRadioGroup::Rebuild() {
  if (updating_) return;
  for (TRadioButton* b : buttons_) delete b;
  buttons_.clear();
  for (int i = 0; i < items_->Count(); ++i) {
    auto* b = new TRadioButton(nullptr);
    b->SetCaption(items_->Strings(i));
    b->SetParent(this);
    b->OnClick = [this, i](TObject*) {
      if (updating_) return;
      itemIndex_ = i;
      Click();
    };
    buttons_.push_back(b);
  }
  if (itemIndex_ >= static_cast<int>(buttons_.size())) itemIndex_ = -1;
  if (itemIndex_ >= 0) {
    updating_ = true;
    buttons_[itemIndex_]->SetChecked(true);
    updating_ = false;
  }
  ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons() {
  if (buttons_.empty()) return;
  int n = static_cast<int>(buttons_.size());
  int cols = std::max(1, columns_);
  int rows = (n + cols - 1) / cols;
  int top = 16, left = 8;
  int w = (Width() - left * 2) / cols;
  int h = std::max(1, (Height() - top - 4) / std::max(1, rows));
  for (int i = 0; i < n; ++i) buttons_[i]->SetBounds(left + (i / rows) * w, top + (i % rows) * h, w, std::min(h, 20));
}

void TCustomRadioGroup::Resize() {
  TCustomGroupBox::Resize();
  ArrangeButtons();
}

void TCustomRadioGroup::SetItemIndex(int Value) {
  if (Value < -1 || Value >= static_cast<int>(buttons_.size())) Value = -1;
  if (Value == itemIndex_) return;
  itemIndex_ = Value;
  updating_ = true;
  if (Value >= 0)
    buttons_[Value]->SetChecked(true);
  else
    for (TRadioButton* b : buttons_) b->SetChecked(false);
  updating_ = false;
  Click();
}

void TCustomRadioGroup::SetColumns(int Value) {
  columns_ = std::clamp(Value, 1, 16);
  ArrangeButtons();
}

TRadioButton* TCustomRadioGroup::Buttons(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(buttons_.size()))
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return buttons_[Index];
}

TRadioGroup::TRadioGroup(TComponent* AOwner) : TCustomRadioGroup(AOwner) {}

// ---- labelled edit ----

TBoundLabel::TBoundLabel(TComponent* AOwner) : TLabel(AOwner) {}

TLabeledEdit::TLabeledEdit(TComponent* AOwner) : TEdit(AOwner), label_(new TBoundLabel(this)) {
  // The label may go first (with its parent): the edit is told.
  label_->FreeNotification(this);
  label_->SetName("SubLabel");
  label_->SetFocusControl(this);
  label_->OnResize = [this](TObject*) { PlaceLabel(); };
}

TLabeledEdit::~TLabeledEdit() {
  if (label_) label_->OnResize = nullptr;
}

void TLabeledEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TEdit::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == label_) label_ = nullptr;
}

void TLabeledEdit::PlaceLabel() {
  if (!label_) return;
  int x = Left(), y = Top();
  switch (labelPosition_) {
    case lpAbove: label_->SetBounds(x, y - label_->Height() - labelSpacing_, label_->Width(), label_->Height()); break;
    case lpBelow: label_->SetBounds(x, y + Height() + labelSpacing_, label_->Width(), label_->Height()); break;
    case lpLeft: label_->SetBounds(x - label_->Width() - labelSpacing_, y + (Height() - label_->Height()) / 2, label_->Width(), label_->Height()); break;
    case lpRight: label_->SetBounds(x + Width() + labelSpacing_, y + (Height() - label_->Height()) / 2, label_->Width(), label_->Height()); break;
  }
}

void TLabeledEdit::SetLabelPosition(TLabelPosition Value) {
  labelPosition_ = Value;
  PlaceLabel();
}

void TLabeledEdit::SetLabelSpacing(int Value) {
  labelSpacing_ = Value;
  PlaceLabel();
}

void TLabeledEdit::SetParent(TWinControl* AParent) {
  TEdit::SetParent(AParent);
  if (!label_) return;
  label_->SetParent(AParent);
  PlaceLabel();
}

void TLabeledEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
  PlaceLabel();
}

void TLabeledEdit::SetVisible(bool Value) {
  TEdit::SetVisible(Value);
  if (label_) label_->SetVisible(Value);
}

void TLabeledEdit::EnabledChanged() {
  TEdit::EnabledChanged();
  if (label_) label_->SetEnabled(Enabled());
}

ORV_IMPLEMENT_CLASS(TCustomPanel, c) {
  c.Prop("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment).Default(taCenter);
  c.Prop("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner).Default(bvNone);
  c.Prop("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter).Default(bvRaised);
  c.Prop("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
  c.Prop("BorderStyle", &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle).Default(bsNone);
}

ORV_IMPLEMENT_CLASS(TPanel, c) {}

ORV_IMPLEMENT_CLASS(TImage, c) {
  c.Prop("Center", &TImage::Center, &TImage::SetCenter).Default(false);
  c.Prop("Picture", &TImage::Picture, &TImage::SetPicture);
  c.Prop("Proportional", &TImage::Proportional, &TImage::SetProportional).Default(false);
  c.Prop("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
}

ORV_IMPLEMENT_CLASS(TPaintBox, c) { c.Event("OnPaint", &TPaintBox::OnPaint); }

ORV_IMPLEMENT_CLASS(TCustomRadioGroup, c) {
  c.Prop("Columns", &TCustomRadioGroup::Columns, &TCustomRadioGroup::SetColumns).Default(1);
  c.Prop("ItemIndex", &TCustomRadioGroup::ItemIndex, &TCustomRadioGroup::SetItemIndex).Default(-1);
  c.Prop("Items", &TCustomRadioGroup::Items, &TCustomRadioGroup::SetItems);
}

ORV_IMPLEMENT_CLASS(TRadioGroup, c) {}
ORV_IMPLEMENT_CLASS(TBoundLabel, c) {}

ORV_IMPLEMENT_CLASS(TLabeledEdit, c) {
  c.Prop("EditLabel", &TLabeledEdit::EditLabel);
  c.Prop("LabelPosition", &TLabeledEdit::LabelPosition, &TLabeledEdit::SetLabelPosition).Default(lpAbove);
  c.Prop("LabelSpacing", &TLabeledEdit::LabelSpacing, &TLabeledEdit::SetLabelSpacing).Default(3);
}

}  // namespace orv
