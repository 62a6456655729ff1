#pragma once
// Tool bars: TToolBar and its buttons, TToolButton.
#include "platform/gui/Controls.h"

namespace orv {

class TImageList;
class TPopupMenu;
class TToolBar;

ORV_ENUM(TToolButtonStyle, tbsButton, tbsCheck, tbsDropDown, tbsSeparator);

// A button of a tool bar: a command, a check button that stays down, a command with a menu
// that drops down from its arrow, or a gap between groups. Put it on the bar by making the bar
// its Parent.
class TToolButton : public TGraphicControl {
  ORV_CLASS(TToolButton, TGraphicControl)

 public:
  explicit TToolButton(TComponent* AOwner);
  ~TToolButton() override;

  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle Value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int Value);
  // The pressed state of a check button.
  bool Down() const;
  void SetDown(bool Value);
  // Neighbouring grouped check buttons are down one at a time.
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool Value) { grouped_ = Value; }
  // Whether the last down button of a group may be clicked up.
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool Value) { allowAllUp_ = Value; }
  TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* Value);
  // The position among the bar's buttons; -1 off a bar.
  int Index() const;
  void SetVisible(bool Value) override;

 protected:
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  void TextChanged() override;
  bool ClicksOnMouseUp() const override { return false; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TToolBar;
  TToolBar* Bar() const;
  void UserClicked();
  void UpdateLook();
  TToolButtonStyle style_ = tbsButton;
  int imageIndex_ = -1;
  bool grouped_ = false;
  bool allowAllUp_ = false;
  TPopupMenu* dropdownMenu_ = nullptr;
};

// A bar of buttons and other controls side by side, by default along the top of its parent.
class TToolBar : public TWinControl {
  ORV_CLASS(TToolBar, TWinControl)

 public:
  explicit TToolBar(TComponent* AOwner);
  ~TToolBar() override;

  int ButtonCount() const;
  TToolButton* Buttons(int Index) const;
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int Value);
  // Changing it sets the bar's height to fit.
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int Value);
  // Captions show under the pictures, and every button widens to the longest.
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool Value);
  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* Value);

 protected:
  void AlignControls() override;
  void ControlInserted(TControl* AControl) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TToolButton;
  void UpdateButtons();
  int buttonWidth_ = 23;
  int buttonHeight_ = 22;
  bool showCaptions_ = false;
  bool flat_ = false;
  TImageList* images_ = nullptr;
};

}  // namespace orv
