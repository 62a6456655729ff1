#pragma once
// The standard controls: labels, edits, memos, combo and list boxes, check boxes, radio
// buttons, buttons, group boxes and scroll bars.
#include <memory>

#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"

namespace orv {

class TStrings;

ORV_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase);
ORV_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth);
ORV_ENUM(TListBoxStyle, lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable);
ORV_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable);
ORV_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed);
ORV_ENUM(TScrollCode, scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop,
         scBottom, scEndScroll);
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;
ORV_ENUM(TOwnerDrawStateFlag, odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault,
         odHotLight, odInactive, odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit);
using TOwnerDrawState = TSet<TOwnerDrawStateFlag>;
ORV_SET_INFO(TOwnerDrawState);
// Draws item Index of an owner-drawn list in Rect on the control's Canvas; odComboBoxEdit
// marks the closed box's own field.
using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;

// Static text. A "&" marks the access key of FocusControl ("&&" shows an ampersand).
class TLabel : public TGraphicControl {
  ORV_CLASS(TLabel, TGraphicControl)

 public:
  explicit TLabel(TComponent* AOwner);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout Value);
  // The label takes the size of its text (the default).
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value);
  bool WordWrap() const;
  void SetWordWrap(bool Value);
  bool Transparent() const;
  void SetTransparent(bool Value);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* Value);

 protected:
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  void FontChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void AdjustSize();
  void ApplyAlignment();
  String caption_;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool autoSize_ = true;
  TWinControl* focusControl_ = nullptr;
};

// A one-line text editor. Setting Text from code fires OnChange, as typing does.
class TEdit : public TWinControl {
  ORV_CLASS(TEdit, TWinControl)

 public:
  explicit TEdit(TComponent* AOwner);
  int MaxLength() const;
  void SetMaxLength(int Value);
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  char32_t PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char32_t Value);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase Value);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool Value) { autoSelect_ = Value; }
  bool Modified() const;
  void SetModified(bool Value);
  // Character positions count code points.
  int SelStart() const;
  void SetSelStart(int Value);
  int SelLength() const;
  void SetSelLength(int Value);
  String SelText() const;
  void SetSelText(const String& Value);
  void SelectAll();
  void Clear();

  TNotifyEvent OnChange;

 protected:
  TEdit(TComponent* AOwner, QWidget* AWidget);
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  void DoEnter() override;
  virtual void Change();

 private:
  void Connect();
  char32_t passwordChar_ = 0;
  TEditCharCase charCase_ = ecNormal;
  bool autoSelect_ = true;
  bool changingCase_ = false;
};

// A multi-line text editor whose Lines are its text, line by line.
class TMemo : public TWinControl {
  ORV_CLASS(TMemo, TWinControl)

 public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;
  // Reading and writing go straight to the editor's text.
  TStrings* Lines() const;
  void SetLines(TStrings* Value);
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int Value) { maxLength_ = Value; }
  bool WordWrap() const;
  void SetWordWrap(bool Value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle Value);
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool Value) { wantReturns_ = Value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  int SelStart() const;
  void SetSelStart(int Value);
  void SelectAll();
  void Clear();

  TNotifyEvent OnChange;

 protected:
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  bool WantsReturn() const override { return wantReturns_ && !ReadOnly(); }
  void KeyPress(char32_t& Key) override;

 private:
  std::unique_ptr<TStrings> lines_;
  int maxLength_ = 0;
  TScrollStyle scrollBars_ = ssNone;
  bool wantReturns_ = true;
  TAlignment alignment_ = taLeftJustify;
};

// A drop-down list, editable (csDropDown) or not (csDropDownList). Setting Text or ItemIndex
// from code fires nothing; typing fires OnChange; choosing from the list fires OnClick and then
// OnSelect, or OnChange when no OnSelect is assigned. The owner-drawn styles are lists that
// cannot be typed in, whose items (and closed field) OnDrawItem paints, ItemHeight high.
class TCustomComboBox : public TWinControl {
  ORV_CLASS(TCustomComboBox, TWinControl)

 public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;
  TStrings* Items() const;
  void SetItems(TStrings* Value);
  // -1 for none; ERangeError-free: a value out of range selects nothing.
  int ItemIndex() const;
  void SetItemIndex(int Value);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle Value);
  int DropDownCount() const;
  void SetDropDownCount(int Value);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  int MaxLength() const;
  void SetMaxLength(int Value);
  bool DroppedDown() const;
  void SetDroppedDown(bool Value);
  // Height of one line of the list that drops down, owner-drawn or not; 0 leaves it to the
  // style.
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int Value);
  void Clear();
  void SelectAll();
  // The surface OnDrawItem and PaintFrame paint on, while they run.
  TCanvas* Canvas() const { return canvas_.get(); }

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;

 protected:
  TCustomComboBox(TComponent* AOwner, QWidget* AWidget);
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  bool ClicksOnMouseUp() const override { return false; }
  virtual void Change();
  virtual void Select();
  // OnDrawItem; without one, the item's text on the brush's colour.
  virtual void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);

  // For a combo box with a look of its own: once set, PaintFrame paints the whole control in
  // place of the style, and the editor, or an owner-drawn box's closed item, is kept at EditRect.
  void SetOwnerDrawFrame(bool Value);
  virtual void PaintFrame(TCanvas&) {}
  virtual TRect EditRect() const { return ClientRect(); }
  // Where the list drops down, in screen pixels; Bounds arrives with the style's choice.
  virtual void PlaceList(TRect&) {}
  // The list has closed, whoever closed it.
  virtual void CloseUp() {}
  // Typing is refused while choosing from the list still works.
  bool EditReadOnly() const;
  void SetEditReadOnly(bool Value);

 private:
  friend struct ComboAccess;
  void Connect();
  std::unique_ptr<TStrings> items_;
  std::unique_ptr<TCanvas> canvas_;
  TComboBoxStyle style_ = csDropDown;
  bool sorted_ = false;
  bool settingFromCode_ = false;
  bool ownerDrawFrame_ = false;
  int itemHeight_ = 0;
};

// The combo box as the class library publishes it.
class TComboBox : public TCustomComboBox {
  ORV_CLASS(TComboBox, TCustomComboBox)

 public:
  explicit TComboBox(TComponent* AOwner);
};

// A list of lines, one or several selectable. OnClick fires when the user clicks the list or
// moves the selection with the keyboard; not when the program sets it.
class TCustomListBox : public TWinControl {
  ORV_CLASS(TCustomListBox, TWinControl)

 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;
  TStrings* Items() const;
  void SetItems(TStrings* Value);
  int ItemIndex() const;
  void SetItemIndex(int Value);
  bool MultiSelect() const;
  void SetMultiSelect(bool Value);
  bool Selected(int Index) const;
  void SetSelected(int Index, bool Value);
  int SelCount() const;
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  void Clear();

 protected:
  // Every left click on a list with lines clicks, also one on the line already chosen.
  bool ClicksOnMouseUp() const override;

 private:
  std::unique_ptr<TStrings> items_;
  bool sorted_ = false;
  bool settingFromCode_ = false;
};

// The list box as the class library publishes it.
class TListBox : public TCustomListBox {
  ORV_CLASS(TListBox, TCustomListBox)

 public:
  explicit TListBox(TComponent* AOwner);
  // Stored as forms set it; the list draws its items itself in every style.
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle Value) { style_ = Value; }

 private:
  TListBoxStyle style_ = lbStandard;
};

// A box to tick. Changing Checked, from code or by the user, fires OnClick.
class TCheckBox : public TWinControl {
  ORV_CLASS(TCheckBox, TWinControl)

 public:
  explicit TCheckBox(TComponent* AOwner);
  bool Checked() const;
  void SetChecked(bool Value);
  TCheckBoxState State() const;
  void SetState(TCheckBoxState Value);
  bool AllowGrayed() const;
  void SetAllowGrayed(bool Value);

 protected:
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  bool ClicksOnMouseUp() const override { return false; }
};

// One of a group of choices: checking it unchecks the other radio buttons of its parent.
// Checking it, from code or by the user, fires its OnClick.
class TRadioButton : public TWinControl {
  ORV_CLASS(TRadioButton, TWinControl)

 public:
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const;
  void SetChecked(bool Value);

 protected:
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  bool ClicksOnMouseUp() const override { return false; }
};

// A push button. Clicking it sets its form's ModalResult to the button's ModalResult first.
// Enter on the form clicks the Default button, Escape the Cancel button.
class TButton : public TWinControl {
  ORV_CLASS(TButton, TWinControl)

 public:
  explicit TButton(TComponent* AOwner);
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult Value) { modalResult_ = Value; }
  bool Default() const { return default_; }
  void SetDefault(bool Value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool Value) { cancel_ = Value; }
  void Click() override;

 protected:
  TButton(TComponent* AOwner, QWidget* AWidget);
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  bool ClicksOnMouseUp() const override { return false; }

 private:
  void Connect();
  TModalResult modalResult_ = mrNone;
  bool default_ = false;
  bool cancel_ = false;
};

// A frame with a caption around other controls.
class TCustomGroupBox : public TWinControl {
  ORV_CLASS(TCustomGroupBox, TWinControl)

 public:
  explicit TCustomGroupBox(TComponent* AOwner);
  // Where the caption is drawn, in the box's own coordinates (empty without a caption): the
  // controls inside belong below it, as positions count from the box's top edge.
  TRect CaptionRect() const;

 protected:
  String GetText() const override;
  void SetTextValue(const String& Value) override;
  // A box hides what lies behind it, even in its parent's colour.
  bool FillsBackground() const override { return true; }
};

// The group box as the class library publishes it.
class TGroupBox : public TCustomGroupBox {
  ORV_CLASS(TGroupBox, TCustomGroupBox)

 public:
  explicit TGroupBox(TComponent* AOwner);
};

// A scroll bar on its own. OnScroll fires for the user's moves, OnChange for every change.
class TScrollBar : public TWinControl {
  ORV_CLASS(TScrollBar, TWinControl)

 public:
  explicit TScrollBar(TComponent* AOwner);
  TScrollBarKind Kind() const;
  void SetKind(TScrollBarKind Value);
  int Min() const;
  void SetMin(int Value);
  int Max() const;
  void SetMax(int Value);
  int Position() const;
  void SetPosition(int Value);
  int PageSize() const;
  void SetPageSize(int Value);
  int SmallChange() const;
  void SetSmallChange(int Value);
  int LargeChange() const;
  void SetLargeChange(int Value);

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

 private:
  int pageSize_ = 0;
  int largeChange_ = 1;
};

}  // namespace orv
