#pragma once
// The control classes windows are built of: TControl, the windowed TWinControl that holds other
// controls and takes the keyboard, and the bases of self-painting controls, TCustomControl and
// TGraphicControl.
#include <functional>
#include <memory>
#include <vector>

#include "platform/gui/Colors.h"
#include "platform/gui/Cursors.h"
#include "platform/gui/Keys.h"
#include "platform/rtl/Component.h"

class QWidget;

namespace orv {

class TAction;
class TCanvas;
class TFont;
class TPopupMenu;
class TSizeConstraints;
class TWinControl;
class TCustomForm;

ORV_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient);
ORV_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom);
using TAnchors = TSet<TAnchorKind>;
ORV_SET_INFO(TAnchors);
ORV_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter);
ORV_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace);
ORV_ENUM(TTextLayout, tlTop, tlCenter, tlBottom);
ORV_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin);
// Controls other than forms use bsNone and bsSingle only.
using TBorderStyle = TFormBorderStyle;
ORV_ENUM(TBevelKind, bkNone, bkTile, bkSoft, bkFlat);
ORV_ENUM(TBevelEdge, beLeft, beTop, beRight, beBottom);
using TBevelEdges = TSet<TBevelEdge>;
ORV_SET_INFO(TBevelEdges);
ORV_ENUM(TDragMode, dmManual, dmAutomatic);
ORV_ENUM(TDragState, dsDragEnter, dsDragLeave, dsDragMove);

using TModalResult = Integer;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
// Key is the typed character as a code point (a Thai letter is one); 0 swallows it.
using TKeyPressEvent = std::function<void(TObject* Sender, char32_t& Key)>;
// WheelDelta is 120 per notch, positive away from the user; MousePos is on the screen. Handled
// stops the turn from reaching the control's parents and the control's own scrolling.
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TCanResizeEvent =
    std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;
// MousePos is in the control's client coordinates, (-1, -1) when the keyboard asked for the
// menu. Handled keeps the control's popup menu from showing.
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
// A handler may hand an object of its own as DragObject: the targets then see it as the
// source of the drag instead of the control.
using TStartDragEvent = std::function<void(TObject* Sender, TObject*& DragObject)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
// Target is nullptr when the drag was dropped where nothing accepted it, or cancelled.
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

// A visible element of a window: position, size, text, font, colour, hint, cursor and the mouse.
// Each control wraps one Qt widget that it owns; the widget lives inside the client area of the
// control's Parent.
class TControl : public TComponent {
  ORV_CLASS(TControl, TComponent)

 public:
  ~TControl() override;

  TWinControl* Parent() const;
  TComponent* GetParentComponent() const override;
  virtual void SetParent(TWinControl* AParent);

  int Left() const;
  void SetLeft(int Value);
  int Top() const;
  void SetTop(int Value);
  int Width() const;
  void SetWidth(int Value);
  int Height() const;
  void SetHeight(int Value);
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const;
  int ClientWidth() const;
  void SetClientWidth(int Value);
  int ClientHeight() const;
  void SetClientHeight(int Value);
  TRect ClientRect() const;
  TPoint ClientToScreen(TPoint Point) const;
  TPoint ScreenToClient(TPoint Point) const;

  TAlign Align() const;
  void SetAlign(TAlign Value);
  TAnchors Anchors() const;
  void SetAnchors(TAnchors Value);

  bool Visible() const;
  virtual void SetVisible(bool Value);
  void Show();
  void Hide();
  // Visible here and in every parent up to a shown window.
  bool Showing() const;
  bool Enabled() const;
  void SetEnabled(bool Value);

  // Caption and Text are the same text under two names, as in the class library.
  String Caption() const { return GetText(); }
  void SetCaption(const String& Value) { SetText(Value); }
  String Text() const { return GetText(); }
  void SetText(const String& Value);

  // Owned by the control; assigning copies. Changing it turns ParentFont off.
  TFont* Font() const;
  void SetFont(TFont* Value);
  bool ParentFont() const;
  void SetParentFont(bool Value);
  TColor Color() const;
  void SetColor(TColor Value);
  bool ParentColor() const;
  void SetParentColor(bool Value);

  // A "\r" in the hint starts a new line of the hint window.
  const String& Hint() const;
  void SetHint(const String& Value);
  bool ShowHint() const;
  void SetShowHint(bool Value);
  bool ParentShowHint() const;
  void SetParentShowHint(bool Value);
  TCursor Cursor() const;
  void SetCursor(TCursor Value);
  TPopupMenu* PopupMenu() const;
  void SetPopupMenu(TPopupMenu* Value);

  // Least and greatest width and height (0: no limit) that SetBounds and alignment keep to.
  // Owned by the control; assigning copies.
  TSizeConstraints* Constraints() const;
  void SetConstraints(TSizeConstraints* Value);
  // The action the control shows and runs: its caption, enabled state and hint become the
  // control's, and later changes of them follow; a click runs it unless OnClick is assigned.
  TAction* Action() const;
  void SetAction(TAction* Value);

  // Dragging the control onto others: dmAutomatic starts a drag when the left button is
  // pressed on it and the mouse moves a few pixels; dmManual only through BeginDrag.
  TDragMode DragMode() const;
  void SetDragMode(TDragMode Value);
  TCursor DragCursor() const;
  void SetDragCursor(TCursor Value);
  // While the left button is held: starts the drag at once, or once the mouse has moved
  // Threshold pixels (-1: the usual distance).
  void BeginDrag(bool Immediate, int Threshold = -1);
  // Drop ends the drag over the control under the mouse as a release would; otherwise it is
  // cancelled.
  void EndDrag(bool Drop);
  bool Dragging() const;

  void Invalidate();
  // Only this part of the client area is painted again.
  void InvalidateRect(const TRect& Rect);
  // Paints at once (Invalidate followed by Update).
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void Update();
  void BringToFront();
  void SendToBack();

  // While set, mouse moves and the button release reach this control even outside it.
  bool MouseCapture() const;
  void SetMouseCapture(bool Value);

  // Fires OnClick as a user click would.
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TCanResizeEvent OnCanResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  TContextPopupEvent OnContextPopup;
  TStartDragEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;

 protected:
  // AWidget becomes the control's own; it is freed with the control.
  TControl(TComponent* AOwner, QWidget* AWidget);
  QWidget* Widget() const;

  virtual String GetText() const;
  virtual void SetTextValue(const String& Value);
  // The window system keeps its own copy of a control's text, outside the program's
  // allocator: the size of that copy is charged to the running script's memory.
  void ChargeText(Int64 bytes);
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  // A turn of the wheel over the control; true when it was handled here.
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void Resize();
  virtual bool CanResize(int& NewWidth, int& NewHeight);
  virtual void FontChanged();
  virtual void EnabledChanged() {}
  virtual void TextChanged() {}
  // Before the popup menu shows; Handled keeps it from showing.
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  virtual void DoStartDrag(TObject*& DragObject);
  // Accept starts as whether OnDragOver is assigned: a control takes drops only when asked to.
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  // Whether a left press and release on the control fires Click (controls whose widget reports
  // clicks itself, such as buttons, say no).
  virtual bool ClicksOnMouseUp() const { return true; }
  // Whether the control paints its background in its colour rather than showing its parent's
  // through: by default when it has a colour of its own.
  virtual bool FillsBackground() const;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  struct Impl;
  std::unique_ptr<Impl> impl_;

 private:
  friend class TWinControl;
  friend struct ControlAccess;
  void ApplyConstraints();
  void ApplyFont();
  void ApplyColor();
  void UpdateAnchorRules();
};

// A control that holds other controls, takes the keyboard focus and gets key events.
class TWinControl : public TControl {
  ORV_CLASS(TWinControl, TControl)

 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // The controls whose Parent this is, in the order they were put in.
  int ControlCount() const;
  TControl* Controls(int Index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);

  int TabOrder() const;
  void SetTabOrder(int Value);
  bool TabStop() const;
  void SetTabStop(bool Value);
  // EInvalidOperation "Cannot focus a disabled or invisible window" when it cannot.
  virtual void SetFocus();
  bool Focused() const;
  bool CanFocus() const;

  // Lays out the children that have an Align other than alNone.
  void Realign();
  void DisableAlign();
  void EnableAlign();

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

 protected:
  TWinControl(TComponent* AOwner, QWidget* AWidget);
  // The widget child controls live in (the widget itself unless a subclass says otherwise).
  QWidget* ClientWidget() const;
  void SetClientWidget(QWidget* AWidget);
  // Another widget of the control whose mouse and key events count as the control's (the
  // viewport of a scrolling view, the editor inside a combo box).
  void AddEventSource(QWidget* AWidget);
  // The starting state of a box the user types in or picks from: a tab stop of the given size,
  // with the window colour as its own (the widget's style paints it until a colour is set).
  void InitEditBox(int Width, int Height);

  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  virtual void KeyPress(char32_t& Key);
  virtual void DoEnter();
  virtual void DoExit();
  // Whether Enter typed in the control is its own (a memo's new line) rather than the form's
  // default button's.
  virtual bool WantsReturn() const { return false; }
  virtual void AlignControls();
  // The part of the client area aligned children share; a control with its own border or
  // margin takes it off here.
  virtual void AdjustClientRect(TRect&) const {}
  virtual void ControlInserted(TControl*) {}
  virtual void ControlRemoved(TControl*) {}

 private:
  friend class TControl;
  friend struct ControlAccess;
  void ReorderTabs();
};

// A windowed control that paints itself on its Canvas in Paint.
class TCustomControl : public TWinControl {
  ORV_CLASS(TCustomControl, TWinControl)

 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  // Draws on the control while Paint runs; outside Paint it measures text only.
  TCanvas* Canvas() const;

 protected:
  // For a subclass that wraps a Qt view of its own (a grid); Paint is then not called.
  TCustomControl(TComponent* AOwner, QWidget* AWidget);
  virtual void Paint() {}

 private:
  friend struct ControlAccess;
  std::unique_ptr<TCanvas> canvas_;
};

// A control without the keyboard that paints itself on its Canvas in Paint.
class TGraphicControl : public TControl {
  ORV_CLASS(TGraphicControl, TControl)

 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const;

 protected:
  TGraphicControl(TComponent* AOwner, QWidget* AWidget);
  virtual void Paint() {}

 private:
  friend struct ControlAccess;
  std::unique_ptr<TCanvas> canvas_;
};

// The form that contains the control; nullptr for a control not (yet) placed on one.
TCustomForm* GetParentForm(const TControl* Control);

}  // namespace orv
