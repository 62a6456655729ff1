#pragma once
// Windows of the program: scrolling containers, forms (main, modal and modeless), data modules.
#include <memory>

#include "platform/gui/Controls.h"
#include "platform/rtl/MemoryAccount.h"

namespace orv {

class TMainMenu;

ORV_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize);
ORV_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized);
ORV_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop);
ORV_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp);
using TBorderIcons = TSet<TBorderIcon>;
ORV_SET_INFO(TBorderIcons);
ORV_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
         poDesktopCenter, poMainFormCenter, poOwnerFormCenter);
ORV_ENUM(TScrollBarKind, sbHorizontal, sbVertical);

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TScrollingWinControl;

// One scroll bar of a scrolling control: position and range of the scrolled area in pixels.
class TControlScrollBar : public TPersistent {
  ORV_CLASS(TControlScrollBar, TPersistent)

 public:
  TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind);
  TScrollBarKind Kind() const { return kind_; }
  int Position() const;
  void SetPosition(int Value);
  // The extent of the scrolled area; 0 while it fits.
  int Range() const;
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  int Increment() const;
  void SetIncrement(int Value);

 private:
  TScrollingWinControl* control_;
  TScrollBarKind kind_;
  bool visible_ = true;
};

// A windowed control whose children can lie beyond its edges, reached by scrolling.
class TScrollingWinControl : public TWinControl {
  ORV_CLASS(TScrollingWinControl, TWinControl)

 public:
  explicit TScrollingWinControl(TComponent* AOwner);
  ~TScrollingWinControl() override;
  TControlScrollBar* HorzScrollBar() const { return horz_.get(); }
  TControlScrollBar* VertScrollBar() const { return vert_.get(); }
  // Scrolls so that AControl is in view.
  void ScrollInView(TControl* AControl);

 protected:
  TScrollingWinControl(TComponent* AOwner, QWidget* AWidget);
  void AlignControls() override;

 private:
  friend class TControlScrollBar;
  std::unique_ptr<TControlScrollBar> horz_;
  std::unique_ptr<TControlScrollBar> vert_;
  bool sizing_ = false;
};

// A scrolling panel for controls larger than the room it has.
class TScrollBox : public TScrollingWinControl {
  ORV_CLASS(TScrollBox, TScrollingWinControl)

 public:
  explicit TScrollBox(TComponent* AOwner);
  TBorderStyle BorderStyle() const;
  void SetBorderStyle(TBorderStyle Value);
};

// A window: main, modal (ShowModal) or modeless (Show). Derive a form class, create its
// controls in its constructor with the form as owner and parent, and hang the handlers on the
// events. OnCreate runs when the application object creates the form (CreateForm), or else
// before it is first shown.
class TCustomForm : public TScrollingWinControl {
  ORV_CLASS(TCustomForm, TScrollingWinControl)

 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  void SetVisible(bool Value) override;
  // A form with a fixed border takes the size the program gives it and keeps it fixed there.
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // Shows the form modelessly and brings it to the front.
  void Show();
  // Shows the form and runs a message loop until ModalResult is set or the form closes;
  // returns ModalResult. EInvalidOperation "Cannot make a visible window modal" when shown.
  virtual TModalResult ShowModal();
  // Asks OnCloseQuery, then OnClose decides: hide (the default), free, minimise or stay.
  // Closing the main form ends the program; closing a modal form ends ShowModal with mrCancel.
  void Close();
  // True when OnCloseQuery lets the form close.
  virtual bool CloseQuery();
  // Frees the form once the event that called this has finished.
  void Release();
  void SetFocus() override;

  TModalResult ModalResult() const { return modalResult_; }
  // A value other than mrNone ends a running ShowModal with that value.
  void SetModalResult(TModalResult Value);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons Value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition Value) { position_ = Value; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState Value);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle Value);
  // The control that has (or gets, when the form is shown) the focus.
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* Value);
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* Value);
  // Key events reach the form's OnKeyDown/OnKeyPress/OnKeyUp before the focused control's.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool Value) { keyPreview_ = Value; }
  bool Active() const;
  // The form this one stays above: the window manager keeps it in front of that form, and it
  // takes input while that form runs modally. nullptr: a window of its own.
  TCustomForm* PopupParent() const { return popupParent_; }
  void SetPopupParent(TCustomForm* Value);
  // Draws on the form's client area while OnPaint runs.
  TCanvas* Canvas() const;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  // OnCreate, once; the application object calls it right after constructing a form.
  void DoCreate();
  // OnDestroy, once, while the derived form is still whole; runs before the form is freed.
  void DoDestroy();
  // A form freed by its owner, by Free or by Release fires OnDestroy here; one that is only
  // destructed (a form on the stack) does not fire it.
  void BeforeDestruction() override { DoDestroy(); }

 protected:
  virtual void DoClose(TCloseAction& Action);
  // The caption is the window's title.
  void TextChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class ControlBridge;
  friend struct FormAccess;
  // Enter and Escape that the focused control leaves alone: the default and cancel buttons.
  bool DialogKey(Word Key);
  void CloseModal();
  void PlaceOnShow();
  void ApplyWindowFlags();
  // Charges the pixels of the shown window at that size to the memory account of the calling
  // thread's run; raises EOutOfMemory before they would take it past its limit.
  void ChargeWindow(int width, int height);

  TModalResult modalResult_ = mrNone;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TPosition position_ = poDesigned;
  TFormStyle formStyle_ = fsNormal;
  TWinControl* activeControl_ = nullptr;
  TMainMenu* menu_ = nullptr;
  TCustomForm* popupParent_ = nullptr;
  bool keyPreview_ = false;
  bool created_ = false;
  bool destroyed_ = false;
  bool placed_ = false;
  bool modal_ = false;
  std::unique_ptr<TCanvas> canvas_;
  // The window system keeps a shown window's pixels outside operator new.
  TMemoryCharge windowCharge_;
};

// A form as the class library publishes it.
class TForm : public TCustomForm {
  ORV_CLASS(TForm, TCustomForm)

 public:
  explicit TForm(TComponent* AOwner);
};

// A non-visual container of components with creation and destruction events.
class TDataModule : public TComponent {
  ORV_CLASS(TDataModule, TComponent)

 public:
  explicit TDataModule(TComponent* AOwner);
  void BeforeDestruction() override {
    if (OnDestroy) OnDestroy(this);
  }
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
};

}  // namespace orv
