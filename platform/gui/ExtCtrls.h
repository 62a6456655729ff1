#pragma once
// Panels, pictures, paint boxes, radio groups and labelled edits; the splitter has a header of
// its own, included here.
#include <memory>

#include "platform/gui/Splitter.h"
#include "platform/gui/StdCtrls.h"

namespace orv {

class TPicture;

// A raised or sunken area holding other controls, with an optional centred caption.
class TCustomPanel : public TCustomControl {
  ORV_CLASS(TCustomPanel, TCustomControl)

 public:
  explicit TCustomPanel(TComponent* AOwner);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut Value);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut Value);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int Value);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);

 protected:
  void Paint() override;
  void TextChanged() override { Invalidate(); }

 private:
  TBevelCut bevelOuter_ = bvRaised;
  TBevelCut bevelInner_ = bvNone;
  int bevelWidth_ = 1;
  TBorderStyle borderStyle_ = bsNone;
  TAlignment alignment_ = taCenter;
};

// The panel as the class library publishes it.
class TPanel : public TCustomPanel {
  ORV_CLASS(TPanel, TCustomPanel)

 public:
  explicit TPanel(TComponent* AOwner);
};

// Shows a picture, at its size, centred, or stretched (keeping its proportions when asked).
class TImage : public TGraphicControl {
  ORV_CLASS(TImage, TGraphicControl)

 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* Value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool Value);
  bool Center() const { return center_; }
  void SetCenter(bool Value);
  // Where the picture is drawn in the control.
  TRect DestRect() const;

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool proportional_ = false;
  bool center_ = false;
};

// An empty area that the program paints in OnPaint on Canvas.
class TPaintBox : public TGraphicControl {
  ORV_CLASS(TPaintBox, TGraphicControl)

 public:
  explicit TPaintBox(TComponent* AOwner);
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
};

// A group box of radio buttons made from Items. Setting ItemIndex from code or choosing a
// button fires OnClick.
class TCustomRadioGroup : public TCustomGroupBox {
  ORV_CLASS(TCustomRadioGroup, TCustomGroupBox)

 public:
  explicit TCustomRadioGroup(TComponent* AOwner);
  ~TCustomRadioGroup() override;
  TStrings* Items() const;
  void SetItems(TStrings* Value);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int Value);
  int Columns() const { return columns_; }
  void SetColumns(int Value);
  // The radio button of item Index.
  TRadioButton* Buttons(int Index) const;

 protected:
  void Resize() override;

 private:
  void Rebuild();
  void ArrangeButtons();
  std::unique_ptr<TStrings> items_;
  std::vector<TRadioButton*> buttons_;
  int itemIndex_ = -1;
  int columns_ = 1;
  bool updating_ = false;
};

// The radio group as the class library publishes it.
class TRadioGroup : public TCustomRadioGroup {
  ORV_CLASS(TRadioGroup, TCustomRadioGroup)

 public:
  explicit TRadioGroup(TComponent* AOwner);
};

ORV_ENUM(TLabelPosition, lpAbove, lpBelow, lpLeft, lpRight);

// The label that belongs to a labelled edit.
class TBoundLabel : public TLabel {
  ORV_CLASS(TBoundLabel, TLabel)

 public:
  explicit TBoundLabel(TComponent* AOwner);
};

// An edit with its own label, placed beside the edit by LabelPosition and LabelSpacing.
class TLabeledEdit : public TEdit {
  ORV_CLASS(TLabeledEdit, TEdit)

 public:
  explicit TLabeledEdit(TComponent* AOwner);
  ~TLabeledEdit() override;
  TBoundLabel* EditLabel() const { return label_; }
  TLabelPosition LabelPosition() const { return labelPosition_; }
  void SetLabelPosition(TLabelPosition Value);
  int LabelSpacing() const { return labelSpacing_; }
  void SetLabelSpacing(int Value);
  void SetParent(TWinControl* AParent) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void SetVisible(bool Value) override;

 protected:
  void EnabledChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void PlaceLabel();
  TBoundLabel* label_;
  TLabelPosition labelPosition_ = lpAbove;
  int labelSpacing_ = 3;
};

}  // namespace orv
