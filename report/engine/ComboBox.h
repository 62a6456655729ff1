#pragma once
// TkvxComboBox: the report library's flat combo box (the preview window's zoom box): a thin
// frame, a drop-down button with a small arrow that lights up under the mouse or with the
// focus, and a list that may be wider than the box.
#include "platform/gui/StdCtrls.h"

namespace orv {

// Mixes two colours channel by channel, Percent of first and the rest of second; from 100 on
// the percentage counts in tenths (1000 is all of first). System colours are resolved first.
TColor kvxBlendColors(TColor First, TColor Second, int Percent);

class TkvxCustomComboBox : public TCustomComboBox {
  ORV_CLASS(TkvxCustomComboBox, TCustomComboBox)

 public:
  explicit TkvxCustomComboBox(TComponent* AOwner);

  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int Value);
  // Width of the list that drops down; 0 is the box's own width.
  int ListWidth() const { return listWidth_; }
  void SetListWidth(int Value) { listWidth_ = Value; }
  bool ReadOnly() const { return EditReadOnly(); }
  void SetReadOnly(bool Value) { SetEditReadOnly(Value); }
  // Room left of the editor, for a picture.
  int ChildLeft() const { return childLeft_; }
  void SetChildLeft(int Value);
  bool MouseInControl() const { return mouseInControl_; }
  // The last list to drop down would have run off the bottom of the screen, so it opened
  // upwards.
  bool DropUp() const { return dropUp_; }
  // Height of the list: DropDownCount lines at most, one line when the list is empty.
  int DropDownHeight() const;

 protected:
  void PaintFrame(TCanvas& Canvas) override;
  TRect EditRect() const override;
  void PlaceList(TRect& Bounds) override;
  void CloseUp() override { Invalidate(); }
  void MouseEnter() override;
  void MouseLeave() override;
  void DoEnter() override;
  void DoExit() override;
  void FontChanged() override;
  void EnabledChanged() override { Invalidate(); }
  void TextChanged() override { Invalidate(); }

 private:
  bool Hot() const;
  void DrawButton(TCanvas& Canvas, int State);
  void DrawArrow(TCanvas& Canvas, TColor Color);
  int buttonWidth_ = 11;
  int listWidth_ = 0;
  int childLeft_ = 0;
  bool mouseInControl_ = false;
  bool editFocused_ = false;
  bool dropUp_ = false;
};

class TkvxComboBox : public TkvxCustomComboBox {
  ORV_CLASS(TkvxComboBox, TkvxCustomComboBox)

 public:
  explicit TkvxComboBox(TComponent* AOwner);
};

}  // namespace orv
