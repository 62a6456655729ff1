#include "platform/gui/Forms.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLayout>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <algorithm>

#include "platform/gui/Application.h"
#include "platform/gui/CanvasQt.h"
#include "platform/gui/DialogService.h"
#include "platform/gui/FormRegistry.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/StdCtrls.h"

namespace orv {

namespace {
// The form whose OnActivate ran last and whose OnDeactivate has not: Qt tells the window that
// becomes active before the one that stops being active, the class library the other way round.
TCustomForm* activatedForm = nullptr;
}  // namespace

struct FormAccess {
  static void Shown(TCustomForm* f) {
    if (f->OnShow) f->OnShow(f);
  }
  static void Hidden(TCustomForm* f) {
    if (f->OnHide) f->OnHide(f);
  }
  static void Activated(TCustomForm* f, bool active) {
    if (!active) {
      if (activatedForm != f) return;
      activatedForm = nullptr;
      if (f->OnDeactivate) f->OnDeactivate(f);
      return;
    }
    if (activatedForm == f) return;
    if (TCustomForm* previous = activatedForm) {
      activatedForm = nullptr;
      CallSafely(previous, [previous] {
        if (previous->OnDeactivate) previous->OnDeactivate(previous);
      });
    }
    activatedForm = f;
    if (f->activeControl_ && f->activeControl_->CanFocus())
      WidgetOf(f->activeControl_)->setFocus(Qt::ActiveWindowFocusReason);
    if (f->OnActivate) f->OnActivate(f);
  }
  static void Paint(TCustomForm* f, QPainter& painter) {
    if (!f->OnPaint) return;
    AttachCanvas(*f->canvas_, &painter);
    f->canvas_->Font().Assign(f->Font());
    f->canvas_->Brush().SetColor(f->Color());
    f->OnPaint(f);
    DetachCanvas(*f->canvas_);
  }
};

namespace {

void KeepInside(QMainWindow* window);

// The top-level window of a form. The user's close box goes through the form's Close.
class FormWindow : public QMainWindow {
 public:
  explicit FormWindow(TCustomForm* form) : form_(form) {}
  void Detach() { form_ = nullptr; }

 protected:
  void showEvent(QShowEvent* e) override {
    QMainWindow::showEvent(e);
    // The window manager frames the window a moment after it is shown.
    if (!e->spontaneous()) QTimer::singleShot(250, this, [this] { KeepInside(this); });
    if (form_ && !e->spontaneous()) CallSafely(form_, [this] { FormAccess::Shown(form_); });
  }
  void hideEvent(QHideEvent* e) override {
    QMainWindow::hideEvent(e);
    if (form_ && !e->spontaneous()) CallSafely(form_, [this] { FormAccess::Hidden(form_); });
  }
  void changeEvent(QEvent* e) override {
    QMainWindow::changeEvent(e);
    if (form_ && e->type() == QEvent::ActivationChange) {
      bool active = isActiveWindow();
      CallSafely(form_, [this, active] { FormAccess::Activated(form_, active); });
    }
  }
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    if (form_) CallSafely(form_, [this] { form_->Close(); });
  }

 private:
  TCustomForm* form_;
};

// The client area of a form: where its controls live and OnPaint draws.
class FormClient : public QWidget {
 public:
  explicit FormClient(TCustomForm* form) : form_(form) {}
  void Detach() { form_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!form_) return;
    QPainter painter(this);
    CallSafely(form_, [&] { FormAccess::Paint(form_, painter); });
  }

 private:
  TCustomForm* form_;
};

}  // namespace

std::vector<TCustomForm*>& AllForms() {
  static std::vector<TCustomForm*> forms;
  return forms;
}

// ---- scrolling ----

TControlScrollBar::TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind)
    : control_(Control), kind_(Kind) {}

static QScrollBar* BarOf(TScrollingWinControl* control, TScrollBarKind kind) {
  auto* area = qobject_cast<QScrollArea*>(WidgetOf(control));
  if (!area) return nullptr;
  return kind == sbHorizontal ? area->horizontalScrollBar() : area->verticalScrollBar();
}

int TControlScrollBar::Position() const {
  QScrollBar* bar = BarOf(control_, kind_);
  return bar ? bar->value() : 0;
}

void TControlScrollBar::SetPosition(int Value) {
  if (QScrollBar* bar = BarOf(control_, kind_)) bar->setValue(Value);
}

int TControlScrollBar::Range() const {
  QScrollBar* bar = BarOf(control_, kind_);
  return bar && bar->maximum() > 0 ? bar->maximum() + bar->pageStep() : 0;
}

void TControlScrollBar::SetVisible(bool Value) {
  visible_ = Value;
  auto* area = qobject_cast<QScrollArea*>(WidgetOf(control_));
  if (!area) return;
  Qt::ScrollBarPolicy policy = Value ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
  if (kind_ == sbHorizontal)
    area->setHorizontalScrollBarPolicy(policy);
  else
    area->setVerticalScrollBarPolicy(policy);
}

int TControlScrollBar::Increment() const {
  QScrollBar* bar = BarOf(control_, kind_);
  return bar ? bar->singleStep() : 8;
}

void TControlScrollBar::SetIncrement(int Value) {
  if (QScrollBar* bar = BarOf(control_, kind_)) bar->setSingleStep(Value);
}

static QScrollArea* NewScrollArea() {
  auto* area = NewWidget<QScrollArea>();
  area->setWidgetResizable(false);
  area->setFrameShape(QFrame::NoFrame);
  area->setWidget(new QWidget);
  return area;
}

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TScrollingWinControl(AOwner, NewScrollArea()) {}

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner, QWidget* AWidget)
    : TWinControl(AOwner, AWidget),
      horz_(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      vert_(std::make_unique<TControlScrollBar>(this, sbVertical)) {
  if (auto* area = qobject_cast<QScrollArea*>(AWidget)) {
    SetClientWidget(area->widget());
    area->viewport()->installEventFilter(impl_->bridge);
  }
}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::AlignControls() {
  auto* area = qobject_cast<QScrollArea*>(Widget());
  if (!area || sizing_) {
    TWinControl::AlignControls();
    return;
  }
  // The scrolled area is the viewport, widened to reach the farthest unaligned child.
  sizing_ = true;
  QSize view = area->viewport()->size();
  int w = view.width(), h = view.height();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible() || c->Align() != alNone) continue;
    w = std::max(w, c->Left() + c->Width());
    h = std::max(h, c->Top() + c->Height());
  }
  ClientWidget()->resize(w, h);
  TWinControl::AlignControls();
  sizing_ = false;
}

void TScrollingWinControl::ScrollInView(TControl* AControl) {
  auto* area = qobject_cast<QScrollArea*>(Widget());
  if (area && AControl) area->ensureWidgetVisible(WidgetOf(AControl));
}

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  SetBounds(0, 0, 185, 41);
  SetBorderStyle(bsSingle);
}

TBorderStyle TScrollBox::BorderStyle() const {
  auto* area = static_cast<QScrollArea*>(Widget());
  return area->frameShape() == QFrame::NoFrame ? bsNone : bsSingle;
}

void TScrollBox::SetBorderStyle(TBorderStyle Value) {
  auto* area = static_cast<QScrollArea*>(Widget());
  area->setFrameShape(Value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}

// ---- forms ----

static FormWindow* NewFormWindow(TCustomForm* form) {
  auto* window = NewWidget<FormWindow>(form);
  window->setCentralWidget(new FormClient(form));
  return window;
}

TCustomForm::TCustomForm(TComponent* AOwner)
    : TScrollingWinControl(AOwner, NewFormWindow(this)), canvas_(std::make_unique<TCanvas>()) {
  auto* window = static_cast<QMainWindow*>(Widget());
  SetClientWidget(window->centralWidget());
  impl_->visible = false;
  impl_->parentColor = false;
  impl_->parentFont = false;
  SetBounds(0, 0, 320, 240);
  AllForms().push_back(this);
}

TCustomForm::~TCustomForm() {
  auto& forms = AllForms();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  if (activatedForm == this) activatedForm = nullptr;
  DetachControlTree(this);
  if (auto* window = static_cast<FormWindow*>(Widget())) {
    window->Detach();
    static_cast<FormClient*>(ClientWidget())->Detach();
  }
  // Owned components (menus, timers, queries) may reach into the window while they go.
  Destroying();
  DestroyComponents();
  if (Application->MainForm() == this) Application->mainForm_ = nullptr;
}

void TCustomForm::TextChanged() {
  if (QWidget* w = Widget()) w->setWindowTitle(QStr(Caption()));
}

void TCustomForm::DoCreate() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      Application->HandleException(this);
    }
  }
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TScrollingWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == activeControl_) activeControl_ = nullptr;
  if (AComponent == menu_) menu_ = nullptr;
  if (AComponent == popupParent_) SetPopupParent(nullptr);
}

void TCustomForm::SetPopupParent(TCustomForm* Value) {
  if (Value == this) Value = nullptr;
  if (popupParent_) RemoveFreeNotification(popupParent_);
  popupParent_ = Value;
  if (popupParent_) FreeNotification(popupParent_);
  // A transient window, not a child widget: it keeps its own place in the forms' ownership and
  // is enabled and disabled on its own, while Qt's modality and the window manager count it
  // with the parent.
  QWidget* w = Widget();
  w->winId();
  QWindow* parent = nullptr;
  if (popupParent_) {
    WidgetOf(popupParent_)->winId();
    parent = WidgetOf(popupParent_)->windowHandle();
  }
  w->windowHandle()->setTransientParent(parent);
}

namespace {

// What a window manager adds around a window, unknown until the window is framed: room is kept
// for a title bar and borders of about this size, and the window is put right once framed.
constexpr int kTitleRoom = 32;
constexpr int kBorderRoom = 4;

// A window larger than room shrinks to fit it; its client keeps the size its controls were
// placed for and scrolls inside, so every control can still be reached.
void FitWindow(QMainWindow* window, const QSize& room) {
  if (window->width() <= room.width() && window->height() <= room.height()) return;
  QSize size = window->size();
  if (!qobject_cast<QScrollArea*>(window->centralWidget())) {
    // A window cut one way only is given room for the scroll bar that way, where the screen
    // has it: otherwise the bar hides the edge of the client and a second bar is needed.
    // A pixel more than the bar: on a scaled screen the window's size is rounded down.
    const int bar = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window) + 1;
    const QSize designedWindow = size;
    if (size.height() > room.height() && size.width() <= room.width()) size.rwidth() += bar;
    if (size.width() > room.width() && size.height() <= room.height()) size.rheight() += bar;
    if (QLayout* layout = window->layout()) layout->activate();
    QWidget* client = window->centralWidget();
    const QSize designed = client->size();
    window->takeCentralWidget();
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    client->setMinimumSize(designed);
    scroll->setWidget(client);
    window->setCentralWidget(scroll);
    // A fixed window may now be made larger again, up to the size it was made for and its bars.
    window->setMinimumSize(0, 0);
    window->setMaximumSize(designedWindow + QSize(bar, bar));
  }
  window->resize(std::min(size.width(), room.width()), std::min(size.height(), room.height()));
}

// Once the window manager has framed a window, the frame is known: a window whose frame does
// not fit the work area is made smaller, and one outside it is moved in, title bar first.
void KeepInside(QMainWindow* window) {
  if (!window->isVisible() || (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) return;
  const QRect area = window->screen()->availableGeometry();
  const QSize frame = window->frameGeometry().size() - window->size();
  // Some window managers put the frame a title bar's height below where it was asked for (and
  // the program is not told): the bottom edge keeps that much room.
  const int title = window->geometry().y() - window->frameGeometry().y();
  FitWindow(window, area.size() - frame - QSize(0, title));
  const QRect framed = window->frameGeometry();
  const int x = std::max(area.left(), std::min(framed.x(), area.left() + area.width() - framed.width()));
  const int y = std::max(area.top(), std::min(framed.y(), area.top() + area.height() - framed.height() - title));
  if (x != framed.x() || y != framed.y()) window->move(x, y);
}

}  // namespace

void TCustomForm::PlaceOnShow() {
  if (placed_) return;
  placed_ = true;
  QWidget* w = Widget();
  QRect area = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                 : QRect(0, 0, 1024, 768);
  if (!(w->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
    FitWindow(static_cast<QMainWindow*>(w), QSize(area.width() - 2 * kBorderRoom, area.height() - kTitleRoom - kBorderRoom));
  // The window with its frame, as far as it can be known before the window manager frames it.
  const QSize framed(w->width() + 2 * kBorderRoom, w->height() + kTitleRoom + kBorderRoom);
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
      w->move(area.center() - QPoint(framed.width() / 2, framed.height() / 2));
      break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* main = Application->MainForm();
      QWidget* ref = main && main != this ? WidgetOf(main) : nullptr;
      QRect r = ref ? ref->geometry() : area;
      w->move(r.center() - QPoint(framed.width() / 2, framed.height() / 2));
      break;
    }
    default:
      break;
  }
  // Wherever it was put, the title bar and the window stay inside the work area.
  const int x = std::max(area.left(), std::min(w->x(), area.left() + area.width() - framed.width()));
  const int y = std::max(area.top(), std::min(w->y(), area.top() + area.height() - framed.height()));
  w->move(x, y);
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  QWidget* w = Widget();
  const bool shown = w && w->isVisible();
  if (shown) ChargeWindow(AWidth, AHeight);
  bool fixed = w && (borderStyle_ == bsSingle || borderStyle_ == bsDialog || borderStyle_ == bsToolWindow);
  if (fixed) w->setMinimumSize(0, 0), w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  TScrollingWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (fixed) w->setFixedSize(w->size());
  if (shown) windowCharge_.Set(Int64{w->width()} * w->height() * 4);
}

void TCustomForm::ChargeWindow(int width, int height) {
  const Int64 bytes = Int64{std::max(width, 0)} * std::max(height, 0) * 4;
  CheckMemory(bytes - windowCharge_.Bytes());
  windowCharge_.Set(bytes);
}

void TCustomForm::ApplyWindowFlags() {
  QWidget* w = Widget();
  Qt::WindowFlags flags = Qt::Window;
  switch (borderStyle_) {
    case bsNone: flags |= Qt::FramelessWindowHint; break;
    case bsDialog: flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint; break;
    case bsToolWindow:
    case bsSizeToolWin: flags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint; break;
    default:
      flags |= Qt::WindowTitleHint;
      if (borderIcons_.Contains(biSystemMenu)) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
      if (borderIcons_.Contains(biMinimize)) flags |= Qt::WindowMinimizeButtonHint;
      if (borderIcons_.Contains(biMaximize)) flags |= Qt::WindowMaximizeButtonHint;
      break;
  }
  if (formStyle_ == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
  bool fixed = borderStyle_ == bsSingle || borderStyle_ == bsDialog || borderStyle_ == bsToolWindow;
  bool shown = w->isVisible();
  Qt::WindowStates state = w->windowState();
  w->setWindowFlags(flags);
  if (fixed)
    w->setFixedSize(w->size());
  else
    w->setMinimumSize(0, 0), w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (!shown) return;
  w->show();
  // Shown again with another frame, the window is a new one to the window manager, which may
  // map it at its normal size while Qt still counts it maximized (a busy desktop does): the
  // state is asked for once more, so that a maximized window without a frame fills the screen.
  Qt::WindowStates sized = Qt::WindowMaximized | Qt::WindowFullScreen;
  if (state & sized) {
    w->setWindowState(state & ~sized);
    w->setWindowState(state);
  }
}

void TCustomForm::SetVisible(bool Value) {
  QWidget* w = Widget();
  // Refused before anything changes: the window stays as it was.
  if (Value && w && !w->isVisible()) ChargeWindow(w->width(), w->height());
  impl_->visible = Value;
  if (!w || w->isVisible() == Value) return;
  if (Value) {
    DoCreate();
    PlaceOnShow();
    w->show();
    windowCharge_.Set(Int64{w->width()} * w->height() * 4);
  } else {
    w->hide();
    windowCharge_.Set(0);
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::SetFocus() {
  QWidget* w = Widget();
  if (!w->isVisible() || !w->isEnabled()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  w->activateWindow();
}

bool TCustomForm::Active() const { return Widget()->isActiveWindow(); }

void TCustomForm::SetModalResult(TModalResult Value) {
  modalResult_ = Value;
  if (modal_ && Value != mrNone) {
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) dispatcher->wakeUp();
  }
}

TModalResult TCustomForm::ShowModal() {
  QWidget* w = Widget();
  if (w->isVisible() || modal_ || !Enabled()) throw EInvalidOperation("Cannot make a visible window modal");
  if (DialogService().Unattended()) {
    modalResult_ = mrCancel;
    return modalResult_;
  }
  modalResult_ = mrNone;
  modal_ = true;
  w->setWindowModality(Qt::ApplicationModal);
  Show();
  QEventLoop loop;
  while (true) {
    loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::EventLoopExec);
    if (Application->Terminated())
      modalResult_ = mrCancel;
    else if (modalResult_ != mrNone)
      CloseModal();
    if (modalResult_ != mrNone) break;
  }
  modal_ = false;
  SetVisible(false);
  w->setWindowModality(Qt::NonModal);
  return modalResult_;
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone)
    modalResult_ = mrNone;
  else if (action == caFree)
    Release();
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (modal_) {
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
    SetVisible(false);
  } else if (action == caHide) {
    SetVisible(false);
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() {
  // The form may be running the handler that released it: free it from the event loop.
  QTimer::singleShot(0, qApp, [this] {
    auto& forms = AllForms();
    if (std::find(forms.begin(), forms.end(), this) == forms.end()) return;
    Free();
  });
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  borderStyle_ = Value;
  ApplyWindowFlags();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  borderIcons_ = Value;
  ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  formStyle_ = Value;
  ApplyWindowFlags();
}

TWindowState TCustomForm::WindowState() const {
  Qt::WindowStates s = Widget()->windowState();
  if (s & Qt::WindowMinimized) return wsMinimized;
  if (s & Qt::WindowMaximized) return wsMaximized;
  return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState Value) {
  Qt::WindowState s = Value == wsMinimized ? Qt::WindowMinimized
                      : Value == wsMaximized ? Qt::WindowMaximized
                                             : Qt::WindowNoState;
  Widget()->setWindowState(s);
}

void TCustomForm::SetActiveControl(TWinControl* Value) {
  if (activeControl_ == Value) return;
  if (activeControl_) activeControl_->RemoveFreeNotification(this);
  activeControl_ = Value;
  if (Value) {
    Value->FreeNotification(this);
    QWidget* w = WidgetOf(Value);
    if (Widget()->isVisible() && Value->CanFocus() && !w->hasFocus()) w->setFocus(Qt::OtherFocusReason);
  }
}

void TCustomForm::SetMenu(TMainMenu* Value) {
  auto* window = static_cast<QMainWindow*>(Widget());
  if (menu_ == Value) return;
  if (menu_) {
    menu_->RemoveFreeNotification(this);
    if (QMenuBar* bar = window->menuWidget() ? static_cast<QMenuBar*>(window->menuWidget()) : nullptr)
      bar->setParent(nullptr);
    window->setMenuWidget(nullptr);
  }
  menu_ = Value;
  if (Value) {
    Value->FreeNotification(this);
    window->setMenuBar(Value->MenuBar());
  }
}

TCanvas* TCustomForm::Canvas() const { return canvas_.get(); }

static TButton* FindDialogButton(TWinControl* parent, bool wantDefault) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (auto* b = dynamic_cast<TButton*>(c)) {
      if ((wantDefault ? b->Default() : b->Cancel()) && b->Visible() && b->Enabled() && WidgetOf(b)->isVisible())
        return b;
    }
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      if (TButton* found = FindDialogButton(w, wantDefault)) return found;
    }
  }
  return nullptr;
}

bool TCustomForm::DialogKey(Word Key) {
  // Enter on a button with the focus pushes that button, as the default one is pushed elsewhere.
  TButton* button = Key == VK_RETURN ? dynamic_cast<TButton*>(ActiveControl()) : nullptr;
  if (!button || !button->Focused() || !button->Enabled()) button = FindDialogButton(this, Key == VK_RETURN);
  if (!button) return false;
  button->Click();
  return true;
}

TForm::TForm(TComponent* AOwner) : TCustomForm(AOwner) {}

TDataModule::TDataModule(TComponent* AOwner) : TComponent(AOwner) {}

ORV_IMPLEMENT_CLASS(TControlScrollBar, c) {
  c.Prop("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition);
  c.Prop("Range", &TControlScrollBar::Range);
  c.Prop("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible).Default(true);
  c.Prop("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement);
}

ORV_IMPLEMENT_CLASS(TScrollingWinControl, c) {
  c.Prop("HorzScrollBar", &TScrollingWinControl::HorzScrollBar);
  c.Prop("VertScrollBar", &TScrollingWinControl::VertScrollBar);
}

ORV_IMPLEMENT_CLASS(TScrollBox, c) {
  c.Prop("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle).Default(bsSingle);
}

ORV_IMPLEMENT_CLASS(TCustomForm, c) {
  c.Prop("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  c.Prop("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons)
      .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  c.Prop("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).Default(bsSizeable);
  c.Prop("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
  c.Prop("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
  c.Prop("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu);
  c.Prop("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDesigned);
  c.Prop("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).Default(wsNormal);
  c.Prop("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth);
  c.Prop("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight);
  c.Event("OnActivate", &TCustomForm::OnActivate);
  c.Event("OnClose", &TCustomForm::OnClose);
  c.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
  c.Event("OnCreate", &TCustomForm::OnCreate);
  c.Event("OnDeactivate", &TCustomForm::OnDeactivate);
  c.Event("OnDestroy", &TCustomForm::OnDestroy);
  c.Event("OnHide", &TCustomForm::OnHide);
  c.Event("OnPaint", &TCustomForm::OnPaint);
  c.Event("OnShow", &TCustomForm::OnShow);
}

ORV_IMPLEMENT_CLASS(TForm, c) {}

ORV_IMPLEMENT_CLASS(TDataModule, c) {
  c.Event("OnCreate", &TDataModule::OnCreate);
  c.Event("OnDestroy", &TDataModule::OnDestroy);
}

}  // namespace orv
