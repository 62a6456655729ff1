#include "platform/gui/Controls.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

#include "platform/gui/Action.h"
#include "platform/gui/Application.h"
#include "platform/gui/CanvasQt.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtBridge.h"
#include "platform/rtl/MemoryAccount.h"

namespace orv {

namespace {

// The widget of a self-painting control: hands its paint events to Paint on the control's canvas.
template <class C>
class PaintWidget : public QWidget {
 public:
  explicit PaintWidget(C* control) : control_(control) {}
  void Detach() { control_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!control_) return;
    QPainter painter(this);
    TCanvas* canvas = ControlAccess::Canvas(control_);
    AttachCanvas(*canvas, &painter);
    canvas->Font().Assign(control_->Font());
    canvas->Brush().SetColor(control_->Color());
    CallSafely(control_, [this] { ControlAccess::Paint(control_); });
    DetachCanvas(*canvas);
  }

 private:
  C* control_;
};

TMouseButton ToMouseButton(Qt::MouseButton b) {
  if (b == Qt::RightButton) return mbRight;
  if (b == Qt::MiddleButton) return mbMiddle;
  return mbLeft;
}

// Qt hands an event that a child widget ignored on to its parents as the same object; the
// class library gives it to one control only.
struct DispatchedEvent {
  const QEvent* event = nullptr;
  quint64 stamp = 0;
  QEvent::Type type = QEvent::None;
};
DispatchedEvent lastDispatched;

bool AlreadyDispatched(QEvent* event) {
  DispatchedEvent now{event, static_cast<QInputEvent*>(event)->timestamp(), event->type()};
  if (now.event == lastDispatched.event && now.stamp == lastDispatched.stamp && now.type == lastDispatched.type)
    return true;
  lastDispatched = now;
  return false;
}

// A handler may run a modal loop (a dialog) whose own events pass through AlreadyDispatched;
// when it returns, the event it handled is still on its way to the parents, which must not
// handle it again.
class DispatchScope {
 public:
  DispatchScope() : saved_(lastDispatched) {}
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;
  ~DispatchScope() { lastDispatched = saved_; }

 private:
  DispatchedEvent saved_;
};

// The physical key of a key event: a release names the key its press named.
int PhysicalKey(const QKeyEvent* e) {
  return e->nativeScanCode() != 0 ? static_cast<int>(e->nativeScanCode()) : e->key();
}

// Combo boxes, date pickers and spin boxes change their value on the wheel; the mouse passing
// over one on the way down a page must not. watched is the widget of the control, or the part
// of it (a picker's text), that the turn reached.
bool WheelChangesValue(const QObject* watched, const QWidget* widget) {
  for (const QObject* o = watched; o; o = o->parent()) {
    if (qobject_cast<const QComboBox*>(o) || qobject_cast<const QAbstractSpinBox*>(o)) return true;
    if (o == widget) break;
  }
  return false;
}

bool HasFocusWithin(const QWidget* widget) {
  const QWidget* focus = QApplication::focusWidget();
  return focus && (focus == widget || widget->isAncestorOf(focus));
}

// A context menu request a control did not take, on its way to the control's own widget.
struct ContextPassedOn {
  const TControl* control = nullptr;
  QPoint global;
};
ContextPassedOn contextPassedOn;

bool EffectiveShowHint(const TControl* control) {
  for (const TControl* c = control; c; c = c->Parent()) {
    if (!c->ParentShowHint()) return c->ShowHint();
  }
  return Application->ShowHint();
}

}  // namespace

void DetachControlTree(TControl* control) {
  auto& impl = ControlAccess::Of(control);
  if (impl.bridge) impl.bridge->Detach();
  for (TControl* child : impl.children) DetachControlTree(child);
}

void CallSafely(TObject* sender, const std::function<void()>& body) {
  try {
    body();
  } catch (...) {
    Application->HandleException(sender);
  }
}

bool ControlBridge::eventFilter(QObject* watched, QEvent* event) {
  TControl* control = control_;
  if (!control) return false;
  auto* win = dynamic_cast<TWinControl*>(control);
  auto& impl = ControlAccess::Of(control);
  QWidget* widget = impl.widget;
  if (!widget) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
      if (AlreadyDispatched(event)) return false;
      DispatchScope scope;
      auto* me = static_cast<QMouseEvent*>(event);
      QPoint p = widget->mapFromGlobal(me->globalPosition().toPoint());
      TShiftState shift = ToShiftState(me->modifiers(), me->buttons());
      TControl* target = control;
      QPoint global = me->globalPosition().toPoint();
      if (event->type() == QEvent::MouseButtonPress) {
        if (me->button() == Qt::LeftButton) {
          impl.leftPressed = true;
          DragPressed(global);
        }
        CallSafely(target, [&] {
          ControlAccess::MouseDown(target, ToMouseButton(me->button()), shift, p.x(), p.y());
          if (control_ && me->button() == Qt::LeftButton && impl.dragMode == dmAutomatic) target->BeginDrag(false);
        });
      } else if (event->type() == QEvent::MouseButtonDblClick) {
        impl.leftPressed = false;
        shift.Include(ssDouble);
        CallSafely(target, [&] {
          if (me->button() == Qt::LeftButton) ControlAccess::DblClick(target);
          ControlAccess::MouseDown(target, ToMouseButton(me->button()), shift, p.x(), p.y());
        });
      } else if (event->type() == QEvent::MouseButtonRelease) {
        if (me->button() == Qt::LeftButton && DragMouseRelease(global)) {
          // The release ended a drag: it is no click.
          if (!control_) return true;
          impl.leftPressed = false;
          CallSafely(target, [&] { ControlAccess::MouseUp(target, mbLeft, shift, p.x(), p.y()); });
          return false;
        }
        bool click = me->button() == Qt::LeftButton && impl.leftPressed &&
                     widget->rect().contains(p) && ControlAccess::ClicksOnMouseUp(target);
        if (me->button() == Qt::LeftButton) impl.leftPressed = false;
        // The class library clicks first and then reports the release.
        CallSafely(target, [&] {
          if (click) target->Click();
          if (control_) ControlAccess::MouseUp(target, ToMouseButton(me->button()), shift, p.x(), p.y());
        });
      } else {
        if (DragMouseMove(global)) return true;
        CallSafely(target, [&] { ControlAccess::MouseMove(target, shift, p.x(), p.y()); });
      }
      return false;
    }
    case QEvent::Wheel: {
      if (AlreadyDispatched(event)) return false;
      DispatchScope scope;
      auto* we = static_cast<QWheelEvent*>(event);
      int delta = we->angleDelta().y();
      if (delta == 0) return false;
      TShiftState shift = ToShiftState(we->modifiers(), we->buttons());
      QPoint at = we->globalPosition().toPoint();
      // A control that holds a value takes the wheel only with the focus; otherwise the turn
      // belongs to the page or list under it.
      bool passOn = WheelChangesValue(watched, widget) && !HasFocusWithin(widget);
      // The turn goes to the control under the mouse, then to its parents up to the form.
      bool handled = false;
      for (TControl* c = passOn ? control->Parent() : control; c && !handled; c = c->Parent())
        CallSafely(c, [&] { handled = ControlAccess::MouseWheel(c, shift, delta, {at.x(), at.y()}); });
      if (!passOn) return handled;
      // Taken from the widget; ignored, so that Qt offers it to the widgets under it.
      we->setAccepted(handled);
      return true;
    }
    case QEvent::Enter:
      if (watched == widget) CallSafely(control, [&] { ControlAccess::MouseEnter(control); });
      return false;
    case QEvent::Leave:
      if (watched == widget) CallSafely(control, [&] { ControlAccess::MouseLeave(control); });
      return false;
    case QEvent::KeyPress: {
      if (!win || AlreadyDispatched(event)) return false;
      DispatchScope scope;
      auto* ke = static_cast<QKeyEvent*>(event);
      // Escape drops what is being dragged back where it came from.
      if (ke->key() == Qt::Key_Escape && DragUnderWay(nullptr)) {
        DragEnd(false);
        return true;
      }
      Word key = KeyToVirtualKey(ke->key());
      TShiftState shift = ToShiftState(ke->modifiers());
      bool swallow = false;
      impl.keysDown.insert(PhysicalKey(ke));
      TCustomForm* form = GetParentForm(win);
      // A form with KeyPreview sees the key first; zeroing it keeps it from the control.
      TCustomForm* preview = form && form != win && form->KeyPreview() ? form : nullptr;
      if (preview) {
        Word before = key;
        CallSafely(preview, [&] { ControlAccess::KeyDown(preview, key, shift); });
        if (!control_) return true;
        if (before != 0 && key == 0) return true;
      }
      CallSafely(win, [&] { ControlAccess::KeyDown(win, key, shift); });
      if (!control_) return true;
      QString text = ke->text();
      // Alt (or the logo key) with a letter is a command, as a menu's letter is: it never types
      // into the field.
      if (!text.isEmpty() && (ke->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) &&
          !(ke->modifiers() & Qt::ControlModifier))
        return true;
      if (key == 0 && text.isEmpty()) swallow = true;
      if (!text.isEmpty()) {
        QList<uint> cps = text.toUcs4();
        char32_t ch = cps.size() == 1 ? static_cast<char32_t>(cps[0]) : 0;
        if (cps.size() == 1) {
          char32_t before = ch;
          if (preview) CallSafely(preview, [&] { ControlAccess::KeyPress(preview, ch); });
          if (!control_) return true;
          if (ch != 0) CallSafely(win, [&] { ControlAccess::KeyPress(win, ch); });
          if (!control_) return true;
          if (ch == 0) {
            swallow = true;
          } else if (ch != before) {
            // The handler typed another character: the widget gets that one instead.
            QKeyEvent replaced(QEvent::KeyPress, 0, ke->modifiers(),
                               QString::fromUcs4(reinterpret_cast<const char32_t*>(&ch), 1));
            Detach();
            QCoreApplication::sendEvent(watched, &replaced);
            control_ = control;
            swallow = true;
          }
        }
      }
      if (!swallow && (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter ||
                       ke->key() == Qt::Key_Escape)) {
        bool isReturn = ke->key() != Qt::Key_Escape;
        if (!(isReturn && ControlAccess::WantsReturn(win))) {
          if (form && form->DialogKey(isReturn ? VK_RETURN : VK_ESCAPE)) swallow = true;
        }
      }
      return swallow;
    }
    case QEvent::KeyRelease: {
      if (!win || AlreadyDispatched(event)) return false;
      DispatchScope scope;
      auto* ke = static_cast<QKeyEvent*>(event);
      // Windows repeats only the key-down of a held key.
      if (ke->isAutoRepeat()) return false;
      // A key pressed while another window or control had the focus (the Enter that closed a
      // message box) is released here without having been pressed here: it is not this
      // control's key.
      if (impl.keysDown.erase(PhysicalKey(ke)) == 0) return false;
      Word key = KeyToVirtualKey(ke->key());
      TShiftState shift = ToShiftState(ke->modifiers());
      TCustomForm* form = GetParentForm(win);
      if (form && form != win && form->KeyPreview()) {
        Word before = key;
        CallSafely(form, [&] { ControlAccess::KeyUp(form, key, shift); });
        if (!control_ || (before != 0 && key == 0)) return false;
      }
      CallSafely(win, [&] { ControlAccess::KeyUp(win, key, shift); });
      return false;
    }
    case QEvent::FocusIn:
      if (win && !impl.focused) {
        impl.focused = true;
        // The control the user works in, by click, Tab or program: the form gives it the focus
        // back each time the window is active again, after a box, a dialog or another window.
        if (TCustomForm* form = GetParentForm(win); form && form != win) form->SetActiveControl(win);
        CallSafely(win, [&] { ControlAccess::DoEnter(win); });
      }
      return false;
    case QEvent::FocusOut: {
      QWidget* now = QApplication::focusWidget();
      bool stillInside = now && (now == widget || widget->isAncestorOf(now)) &&
                         now->window() == widget->window() && dynamic_cast<TWinControl*>(control) &&
                         static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason;
      if (win && impl.focused && !stillInside) {
        impl.focused = false;
        impl.keysDown.clear();
        CallSafely(win, [&] { ControlAccess::DoExit(win); });
      }
      return false;
    }
    case QEvent::Resize:
      if (watched == widget) CallSafely(control, [&] { ControlAccess::Resize(control); });
      if (win && watched == impl.client) ControlAccess::AlignControls(win);
      return false;
    case QEvent::ToolTip: {
      if (watched != widget) return false;
      auto* he = static_cast<QHelpEvent*>(event);
      if (!impl.hint.empty() && EffectiveShowHint(control))
        QToolTip::showText(he->globalPos(), HintText(impl.hint), widget);
      else
        QToolTip::hideText();
      return true;
    }
    case QEvent::ContextMenu: {
      auto* ce = static_cast<QContextMenuEvent*>(event);
      QPoint global = ce->globalPos();
      // A right click on a part of the control (a list's viewport) that the part leaves to its
      // parent comes to the control's own widget again: the control has had it already.
      if (watched == widget && contextPassedOn.control == control && contextPassedOn.global == global) {
        contextPassedOn = {};
        return false;
      }
      contextPassedOn = {};
      bool keyboard = ce->reason() == QContextMenuEvent::Keyboard;
      QPoint at = widget->mapFromGlobal(global);
      bool handled = false;
      CallSafely(control, [&] {
        ControlAccess::DoContextPopup(control, keyboard ? TPoint{-1, -1} : TPoint{at.x(), at.y()}, handled);
      });
      if (!control_) return true;
      if (handled) return true;
      if (!impl.popupMenu) {
        if (watched != widget) contextPassedOn = {control, global};
        return false;
      }
      if (keyboard) global = widget->mapToGlobal(QPoint(0, 0));
      impl.popupMenu->SetPopupComponent(control);
      impl.popupMenu->Popup(global.x(), global.y());
      return true;
    }
    default:
      return false;
  }
}

// ---- TControl ----

// Controls are referred to by others only after FreeNotification.
TControl::TControl(TComponent* AOwner, QWidget* AWidget)
    : TComponent(AOwner, false), impl_(std::make_unique<Impl>()) {
  impl_->widget = AWidget;
  impl_->client = AWidget;
  impl_->bridge = new ControlBridge(this);
  impl_->bridge->setParent(AWidget);
  AWidget->installEventFilter(impl_->bridge);
  AWidget->setMouseTracking(true);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(AWidget)) {
    area->viewport()->installEventFilter(impl_->bridge);
    area->viewport()->setMouseTracking(true);
  }
  impl_->font = std::make_unique<TFont>();
  impl_->font->OnChange = [this](TObject*) {
    impl_->parentFont = false;
    ApplyFont();
  };
  AWidget->hide();
}

TControl::~TControl() {
  DragForget(this);
  if (impl_->action) impl_->action->RemoveClient(this);
  ChargeText(0);
  if (impl_->bridge) impl_->bridge->Detach();
  impl_->font->OnChange = nullptr;
  if (impl_->mouseCapture && impl_->widget) impl_->widget->releaseMouse();
  // The widget goes first: taking it out of its parent would make it a window for a moment.
  delete impl_->widget.data();
  if (impl_->parent) impl_->parent->RemoveControl(this);
}

QWidget* TControl::Widget() const { return impl_->widget; }

TWinControl* TControl::Parent() const { return impl_->parent; }

TComponent* TControl::GetParentComponent() const { return impl_->parent; }

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == impl_->parent) return;
  // A control inside one of its own children, or inside a control it owns, would be freed
  // twice: once by each.
  if (ComponentWithin(AParent, this)) throw EInvalidOperation("A control cannot be put inside itself or what it owns");
  if (impl_->parent) impl_->parent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

int TControl::Left() const { return impl_->widget ? impl_->widget->x() : 0; }
int TControl::Top() const { return impl_->widget ? impl_->widget->y() : 0; }
int TControl::Width() const { return impl_->widget ? impl_->widget->width() : 0; }
int TControl::Height() const { return impl_->widget ? impl_->widget->height() : 0; }
void TControl::SetLeft(int Value) { SetBounds(Value, Top(), Width(), Height()); }
void TControl::SetTop(int Value) { SetBounds(Left(), Value, Width(), Height()); }
void TControl::SetWidth(int Value) { SetBounds(Left(), Top(), Value, Height()); }
void TControl::SetHeight(int Value) { SetBounds(Left(), Top(), Width(), Value); }

bool TControl::CanResize(int& NewWidth, int& NewHeight) {
  bool resize = true;
  if (OnCanResize) OnCanResize(this, NewWidth, NewHeight, resize);
  return resize;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  QWidget* w = impl_->widget;
  if (!w) return;
  AWidth = std::max(0, AWidth);
  AHeight = std::max(0, AHeight);
  bool sizeChanged = AWidth != w->width() || AHeight != w->height();
  if (sizeChanged && !CanResize(AWidth, AHeight)) {
    AWidth = w->width();
    AHeight = w->height();
  }
  if (impl_->constraints) impl_->constraints->Constrain(AWidth, AHeight);
  sizeChanged = AWidth != w->width() || AHeight != w->height();
  if (w->isWindow()) {
    w->move(ALeft, ATop);
    w->resize(AWidth, AHeight);
    // A hidden window lays out its client area only when asked; ClientWidth needs it now.
    if (QLayout* layout = w->layout()) {
      layout->invalidate();
      layout->activate();
    }
  } else {
    w->setGeometry(ALeft, ATop, AWidth, AHeight);
  }
  // Qt holds back resize events of hidden widgets until they show; the layout cannot wait.
  if (!w->isVisible() && sizeChanged) Resize();
  if (auto* win = dynamic_cast<TWinControl*>(this); win && !w->isVisible()) win->Realign();
  if (impl_->parent && !ControlAccess::Of(impl_->parent).aligning) {
    UpdateAnchorRules();
    if (impl_->align != alNone) impl_->parent->Realign();
  }
}

void TControl::UpdateAnchorRules() {
  if (!impl_->parent) return;
  QWidget* client = ControlAccess::Client(impl_->parent);
  if (!client) return;
  impl_->anchorRight = client->width() - (Left() + Width());
  impl_->anchorBottom = client->height() - (Top() + Height());
}

TRect TControl::BoundsRect() const { return Rect(Left(), Top(), Left() + Width(), Top() + Height()); }

int TControl::ClientWidth() const {
  auto* self = dynamic_cast<const TWinControl*>(this);
  QWidget* c = self ? ControlAccess::Client(self) : impl_->widget.data();
  return c ? c->width() : 0;
}

int TControl::ClientHeight() const {
  auto* self = dynamic_cast<const TWinControl*>(this);
  QWidget* c = self ? ControlAccess::Client(self) : impl_->widget.data();
  return c ? c->height() : 0;
}

void TControl::SetClientWidth(int Value) { SetWidth(Width() - ClientWidth() + Value); }
void TControl::SetClientHeight(int Value) { SetHeight(Height() - ClientHeight() + Value); }
TRect TControl::ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }

TPoint TControl::ClientToScreen(TPoint Point) const {
  if (!impl_->widget) return Point;
  QPoint p = impl_->widget->mapToGlobal(QPoint(Point.X, Point.Y));
  return {p.x(), p.y()};
}

TPoint TControl::ScreenToClient(TPoint Point) const {
  if (!impl_->widget) return Point;
  QPoint p = impl_->widget->mapFromGlobal(QPoint(Point.X, Point.Y));
  return {p.x(), p.y()};
}

TAlign TControl::Align() const { return impl_->align; }

void TControl::SetAlign(TAlign Value) {
  if (impl_->align == Value) return;
  impl_->align = Value;
  if (impl_->parent) impl_->parent->Realign();
}

TAnchors TControl::Anchors() const { return impl_->anchors; }

void TControl::SetAnchors(TAnchors Value) {
  impl_->anchors = Value;
  UpdateAnchorRules();
}

bool TControl::Visible() const { return impl_->visible; }

void TControl::SetVisible(bool Value) {
  if (impl_->visible == Value) return;
  impl_->visible = Value;
  if (impl_->widget && impl_->parent) impl_->widget->setVisible(Value);
  if (impl_->parent && impl_->align != alNone) impl_->parent->Realign();
}

void TControl::Show() { SetVisible(true); }
void TControl::Hide() { SetVisible(false); }
bool TControl::Showing() const { return impl_->widget && impl_->widget->isVisible(); }

// The control's own flag: a control inside a disabled panel is still Enabled itself.
bool TControl::Enabled() const { return impl_->widget && !impl_->widget->testAttribute(Qt::WA_ForceDisabled); }

void TControl::SetEnabled(bool Value) {
  if (!impl_->widget || Enabled() == Value) return;
  impl_->widget->setEnabled(Value);
  EnabledChanged();
}

String TControl::GetText() const { return impl_->text; }
void TControl::SetTextValue(const String& Value) { impl_->text = Value; }

void TControl::SetText(const String& Value) {
  if (GetText() == Value) return;
  SetTextValue(Value);
  // UTF-16 in the widget: two bytes a character, at most.
  ChargeText(2 * static_cast<Int64>(Value.size()));
  TextChanged();
}

void TControl::ChargeText(Int64 bytes) { impl_->textCharge.Set(bytes); }

TFont* TControl::Font() const { return impl_->font.get(); }

void TControl::SetFont(TFont* Value) {
  if (Value) impl_->font->Assign(Value);
}

bool TControl::ParentFont() const { return impl_->parentFont; }

void TControl::SetParentFont(bool Value) {
  impl_->parentFont = Value;
  if (Value && impl_->parent) {
    auto saved = std::move(impl_->font->OnChange);
    impl_->font->Assign(impl_->parent->Font());
    impl_->font->OnChange = std::move(saved);
    ApplyFont();
  }
}

void TControl::ApplyFont() {
  if (impl_->widget) {
    impl_->widget->setFont(ToQFont(*impl_->font));
    QPalette pal = impl_->widget->palette();
    QColor text = ToQColor(impl_->font->Color());
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::ButtonText, text);
    impl_->widget->setPalette(pal);
  }
  FontChanged();
  for (TControl* child : impl_->children) {
    if (child->impl_->parentFont) child->SetParentFont(true);
  }
}

void TControl::FontChanged() { Invalidate(); }

TColor TControl::Color() const { return impl_->color; }

void TControl::SetColor(TColor Value) {
  impl_->color = Value;
  impl_->parentColor = false;
  ApplyColor();
}

void TControl::ApplyColor() {
  if (!impl_->widget) return;
  QPalette pal = impl_->widget->palette();
  QColor c = ToQColor(impl_->color);
  pal.setColor(QPalette::Window, c);
  pal.setColor(QPalette::Base, c);
  pal.setColor(QPalette::Button, c);
  impl_->widget->setPalette(pal);
  impl_->widget->setAutoFillBackground(FillsBackground());
  for (TControl* child : impl_->children) {
    if (child->impl_->parentColor) {
      child->impl_->color = impl_->color;
      child->ApplyColor();
    }
  }
}

bool TControl::FillsBackground() const {
  return !impl_->parentColor && !dynamic_cast<const TGraphicControl*>(this);
}

bool TControl::ParentColor() const { return impl_->parentColor; }

void TControl::SetParentColor(bool Value) {
  impl_->parentColor = Value;
  if (Value && impl_->parent) {
    impl_->color = impl_->parent->Color();
    ApplyColor();
  }
}

const String& TControl::Hint() const { return impl_->hint; }
void TControl::SetHint(const String& Value) { impl_->hint = Value; }
bool TControl::ShowHint() const { return impl_->showHint; }

void TControl::SetShowHint(bool Value) {
  impl_->showHint = Value;
  impl_->parentShowHint = false;
}

bool TControl::ParentShowHint() const { return impl_->parentShowHint; }
void TControl::SetParentShowHint(bool Value) { impl_->parentShowHint = Value; }
TCursor TControl::Cursor() const { return impl_->cursor; }

void TControl::SetCursor(TCursor Value) {
  impl_->cursor = Value;
  if (!impl_->widget) return;
  if (Value == crDefault)
    impl_->widget->unsetCursor();
  else
    impl_->widget->setCursor(ToQCursor(Value));
}

TPopupMenu* TControl::PopupMenu() const { return impl_->popupMenu; }

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (impl_->popupMenu == Value) return;
  if (impl_->popupMenu) impl_->popupMenu->RemoveFreeNotification(this);
  impl_->popupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == impl_->popupMenu) impl_->popupMenu = nullptr;
  if (Operation == opRemove && AComponent == impl_->action) impl_->action = nullptr;
}

TSizeConstraints* TControl::Constraints() const {
  if (!impl_->constraints) {
    impl_->constraints = std::make_unique<TSizeConstraints>(const_cast<TControl*>(this));
    impl_->constraints->OnChange = [this](TObject*) { const_cast<TControl*>(this)->ApplyConstraints(); };
  }
  return impl_->constraints.get();
}

void TControl::SetConstraints(TSizeConstraints* Value) {
  if (Value) Constraints()->Assign(Value);
}

void TControl::ApplyConstraints() {
  const TSizeConstraints& c = *impl_->constraints;
  QWidget* w = impl_->widget;
  // A window keeps to them while the user drags its frame too.
  if (w && w->isWindow()) {
    w->setMinimumSize(c.MinWidth(), c.MinHeight());
    w->setMaximumSize(c.MaxWidth() > 0 ? c.MaxWidth() : QWIDGETSIZE_MAX,
                      c.MaxHeight() > 0 ? c.MaxHeight() : QWIDGETSIZE_MAX);
  }
  SetBounds(Left(), Top(), Width(), Height());
}

TAction* TControl::Action() const { return impl_->action; }

void TControl::SetAction(TAction* Value) {
  if (impl_->action == Value) return;
  if (TAction* old = impl_->action) {
    old->RemoveClient(this);
    old->RemoveFreeNotification(this);
  }
  impl_->action = Value;
  if (!Value) return;
  Value->AddClient(this);
  Value->FreeNotification(this);
  SetCaption(Value->Caption());
  SetEnabled(Value->Enabled());
  SetHint(Value->Hint());
}

TDragMode TControl::DragMode() const { return impl_->dragMode; }
void TControl::SetDragMode(TDragMode Value) { impl_->dragMode = Value; }
TCursor TControl::DragCursor() const { return impl_->dragCursor; }
void TControl::SetDragCursor(TCursor Value) { impl_->dragCursor = Value; }
void TControl::BeginDrag(bool Immediate, int Threshold) { DragBegin(this, Immediate, Threshold); }

void TControl::EndDrag(bool Drop) {
  if (DragUnderWay(this)) DragEnd(Drop);
}

bool TControl::Dragging() const { return DragUnderWay(this); }

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

void TControl::DoStartDrag(TObject*& DragObject) {
  if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = static_cast<bool>(OnDragOver);
  if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::Invalidate() {
  if (impl_->widget) impl_->widget->update();
}

void TControl::InvalidateRect(const TRect& Rect) {
  if (impl_->widget) impl_->widget->update(QRect(QPoint(Rect.Left, Rect.Top), QPoint(Rect.Right - 1, Rect.Bottom - 1)));
}

void TControl::Repaint() {
  if (impl_->widget) impl_->widget->repaint();
}

void TControl::Update() {
  if (impl_->widget && impl_->widget->isVisible()) impl_->widget->repaint();
}

void TControl::BringToFront() {
  if (impl_->widget) impl_->widget->raise();
  if (impl_->widget && impl_->widget->isWindow()) impl_->widget->activateWindow();
}

void TControl::SendToBack() {
  if (impl_->widget) impl_->widget->lower();
}

bool TControl::MouseCapture() const { return impl_->mouseCapture; }

void TControl::SetMouseCapture(bool Value) {
  if (impl_->mouseCapture == Value || !impl_->widget) return;
  impl_->mouseCapture = Value;
  if (Value)
    impl_->widget->grabMouse();
  else
    impl_->widget->releaseMouse();
}

// A handler given to OnClick besides the action is the control's own and runs instead.
void TControl::Click() {
  if (OnClick)
    OnClick(this);
  else if (impl_->action)
    impl_->action->Execute();
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  return handled;
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QWidget>()) {}

TWinControl::TWinControl(TComponent* AOwner, QWidget* AWidget) : TControl(AOwner, AWidget) {
  impl_->tabStop = AWidget->focusPolicy() != Qt::NoFocus;
}

TWinControl::~TWinControl() {
  DetachControlTree(this);
  while (!impl_->children.empty()) delete impl_->children.back();
}

QWidget* TWinControl::ClientWidget() const { return impl_->client; }

void TWinControl::SetClientWidget(QWidget* AWidget) {
  impl_->client = AWidget;
  if (AWidget != impl_->widget) AWidget->installEventFilter(impl_->bridge);
}

void TWinControl::AddEventSource(QWidget* AWidget) {
  AWidget->installEventFilter(impl_->bridge);
  AWidget->setMouseTracking(true);
}

int TWinControl::ControlCount() const { return static_cast<int>(impl_->children.size()); }

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return impl_->children[Index];
}

void TWinControl::InsertControl(TControl* AControl) {
  auto& c = *AControl->impl_;
  c.parent = this;
  impl_->children.push_back(AControl);
  if (QWidget* w = c.widget) {
    w->setParent(impl_->client);
    w->setVisible(c.visible);
  }
  if (auto* win = dynamic_cast<TWinControl*>(AControl)) {
    const int n = ++impl_->windowedChildren;
    if (win->impl_->tabOrder < 0) {
      // Last in the tab order: linked after the one that was last, so that putting thousands
      // of controls on a form does not order them all again each time.
      win->impl_->tabOrder = n - 1;
      for (auto it = impl_->children.rbegin() + 1; it != impl_->children.rend(); ++it) {
        auto* before = dynamic_cast<TWinControl*>(*it);
        if (!before || before->impl_->tabOrder != n - 2) continue;
        if (before->impl_->widget && c.widget) QWidget::setTabOrder(before->impl_->widget, c.widget);
        break;
      }
    } else {
      ReorderTabs();
    }
  }
  if (c.parentFont) AControl->SetParentFont(true);
  if (c.parentColor) {
    c.color = impl_->color;
    AControl->ApplyColor();
  }
  AControl->UpdateAnchorRules();
  ControlInserted(AControl);
  if (c.align != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto& list = impl_->children;
  // Searched from the end: a form frees its controls last first.
  auto it = std::find(list.rbegin(), list.rend(), AControl);
  if (it == list.rend()) return;
  list.erase(std::next(it).base());
  auto& c = *AControl->impl_;
  c.parent = nullptr;
  if (auto* win = dynamic_cast<TWinControl*>(AControl)) {
    const int removed = win->impl_->tabOrder;
    // The last in the tab order leaves the others' places as they are.
    if (removed != --impl_->windowedChildren)
      for (TControl* child : list) {
        if (auto* w = dynamic_cast<TWinControl*>(child); w && w->impl_->tabOrder > removed) --w->impl_->tabOrder;
      }
    win->impl_->tabOrder = -1;
  }
  if (QWidget* w = c.widget) {
    w->hide();
    w->setParent(nullptr);
  }
  ControlRemoved(AControl);
  if (c.align != alNone) Realign();
}

int TWinControl::TabOrder() const { return impl_->tabOrder; }

void TWinControl::SetTabOrder(int Value) {
  if (!impl_->parent) {
    impl_->tabOrder = Value;
    return;
  }
  std::vector<TWinControl*> order;
  for (TControl* c : impl_->parent->impl_->children)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w != this) order.push_back(w);
  std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->impl_->tabOrder < b->impl_->tabOrder; });
  Value = std::clamp(Value, 0, static_cast<int>(order.size()));
  order.insert(order.begin() + Value, this);
  for (size_t i = 0; i < order.size(); ++i) order[i]->impl_->tabOrder = static_cast<int>(i);
  impl_->parent->ReorderTabs();
}

void TWinControl::ReorderTabs() {
  std::vector<TWinControl*> order;
  for (TControl* c : impl_->children)
    if (auto* w = dynamic_cast<TWinControl*>(c)) order.push_back(w);
  std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->impl_->tabOrder < b->impl_->tabOrder; });
  for (size_t i = 1; i < order.size(); ++i) {
    QWidget* a = order[i - 1]->impl_->widget;
    QWidget* b = order[i]->impl_->widget;
    if (a && b) QWidget::setTabOrder(a, b);
  }
}

bool TWinControl::TabStop() const { return impl_->tabStop; }

void TWinControl::SetTabStop(bool Value) {
  impl_->tabStop = Value;
  if (QWidget* w = impl_->widget) w->setFocusPolicy(Value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TWinControl::InitEditBox(int Width, int Height) {
  SetTabStop(true);
  SetBounds(0, 0, Width, Height);
  impl_->parentColor = false;
  impl_->color = clWindow;
  // Applied now: a box left to its parent's palette takes the grey of the page behind it.
  ApplyColor();
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
    if (dynamic_cast<const TCustomForm*>(c)) return true;
  }
  return true;
}

void TWinControl::SetFocus() {
  QWidget* w = impl_->widget;
  if (!w || !CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (TCustomForm* form = GetParentForm(this)) form->SetActiveControl(this);
  w->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const {
  QWidget* w = impl_->widget;
  if (!w) return false;
  QWidget* f = QApplication::focusWidget();
  return f && (f == w || w->focusProxy() == f || (f->focusProxy() == w)) && w->window()->isActiveWindow();
}

void TWinControl::DisableAlign() { ++impl_->alignDisabled; }

void TWinControl::EnableAlign() {
  if (--impl_->alignDisabled == 0) Realign();
}

void TWinControl::Realign() {
  if (impl_->alignDisabled == 0 && !impl_->aligning) AlignControls();
}

void TWinControl::AlignControls() {
  QWidget* client = impl_->client;
  if (!client) return;
  impl_->aligning = true;
  TRect area = Rect(0, 0, client->width(), client->height());
  AdjustClientRect(area);
  int left = area.Left, top = area.Top, right = area.Right, bottom = area.Bottom;
  auto place = [&](TAlign which) {
    std::vector<TControl*> list;
    for (TControl* c : impl_->children)
      if (c->impl_->align == which && c->impl_->visible) list.push_back(c);
    std::stable_sort(list.begin(), list.end(), [which](TControl* a, TControl* b) {
      switch (which) {
        case alTop: return a->Top() < b->Top();
        case alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
        case alLeft: return a->Left() < b->Left();
        case alRight: return a->Left() + a->Width() > b->Left() + b->Width();
        default: return false;
      }
    });
    for (TControl* c : list) {
      int w = c->Width(), h = c->Height();
      switch (which) {
        case alTop: c->SetBounds(left, top, right - left, h); top += h; break;
        case alBottom: c->SetBounds(left, bottom - h, right - left, h); bottom -= h; break;
        case alLeft: c->SetBounds(left, top, w, bottom - top); left += w; break;
        case alRight: c->SetBounds(right - w, top, w, bottom - top); right -= w; break;
        case alClient: c->SetBounds(left, top, right - left, bottom - top); break;
        default: break;
      }
    }
  };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) place(a);
  for (TControl* c : impl_->children) {
    auto& ci = *c->impl_;
    if (ci.align != alNone) continue;
    int x = c->Left(), y = c->Top(), w = c->Width(), h = c->Height();
    if (ci.anchors.Contains(akRight)) {
      if (ci.anchors.Contains(akLeft)) w = client->width() - ci.anchorRight - x;
      else x = client->width() - ci.anchorRight - w;
    }
    if (ci.anchors.Contains(akBottom)) {
      if (ci.anchors.Contains(akTop)) h = client->height() - ci.anchorBottom - y;
      else y = client->height() - ci.anchorBottom - h;
    }
    if (x != c->Left() || y != c->Top() || w != c->Width() || h != c->Height()) c->SetBounds(x, y, w, h);
  }
  impl_->aligning = false;
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char32_t& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

// ---- self-painting controls ----

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner, NewWidget<PaintWidget<TCustomControl>>(this)) {
  canvas_ = std::make_unique<TCanvas>();
  Widget()->setFocusPolicy(Qt::StrongFocus);
  impl_->tabStop = true;
}

TCustomControl::TCustomControl(TComponent* AOwner, QWidget* AWidget)
    : TWinControl(AOwner, AWidget), canvas_(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() {
  if (auto* pw = dynamic_cast<PaintWidget<TCustomControl>*>(Widget())) pw->Detach();
}

TCanvas* TCustomControl::Canvas() const { return canvas_.get(); }

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner, NewWidget<PaintWidget<TGraphicControl>>(this)) {
  canvas_ = std::make_unique<TCanvas>();
}

TGraphicControl::TGraphicControl(TComponent* AOwner, QWidget* AWidget)
    : TControl(AOwner, AWidget), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() {
  if (auto* pw = dynamic_cast<PaintWidget<TGraphicControl>*>(Widget())) pw->Detach();
}

TCanvas* TGraphicControl::Canvas() const { return canvas_.get(); }

TCustomForm* GetParentForm(const TControl* Control) {
  const TControl* c = Control;
  while (c && c->Parent()) c = c->Parent();
  return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(c));
}

ORV_IMPLEMENT_CLASS(TControl, c) {
  c.Prop("Left", &TControl::Left, &TControl::SetLeft);
  c.Prop("Top", &TControl::Top, &TControl::SetTop);
  c.Prop("Width", &TControl::Width, &TControl::SetWidth);
  c.Prop("Height", &TControl::Height, &TControl::SetHeight);
  c.Prop("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  c.Prop("Anchors", &TControl::Anchors, &TControl::SetAnchors).Default(TAnchors{akLeft, akTop});
  c.Prop("Caption", &TControl::Caption, &TControl::SetCaption);
  c.Prop("Color", &TControl::Color, &TControl::SetColor);
  c.Prop("Cursor", &TControl::Cursor, &TControl::SetCursor).Default(crDefault);
  c.Prop("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  c.Prop("Font", &TControl::Font, &TControl::SetFont);
  c.Prop("Hint", [](TControl& o) { return o.Hint(); }, &TControl::SetHint);
  c.Prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(true);
  c.Prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  c.Prop("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  c.Prop("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  c.Prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Default(false);
  c.Prop("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  c.Event("OnClick", &TControl::OnClick);
  c.Event("OnDblClick", &TControl::OnDblClick);
  c.Event("OnMouseDown", &TControl::OnMouseDown);
  c.Event("OnMouseMove", &TControl::OnMouseMove);
  c.Event("OnMouseUp", &TControl::OnMouseUp);
  c.Event("OnResize", &TControl::OnResize);
  c.Event("OnCanResize", &TControl::OnCanResize);
}

ORV_IMPLEMENT_CLASS(TWinControl, c) {
  c.Prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  c.Prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
  c.Event("OnEnter", &TWinControl::OnEnter);
  c.Event("OnExit", &TWinControl::OnExit);
  c.Event("OnKeyDown", &TWinControl::OnKeyDown);
  c.Event("OnKeyPress", &TWinControl::OnKeyPress);
  c.Event("OnKeyUp", &TWinControl::OnKeyUp);
}

ORV_IMPLEMENT_CLASS(TCustomControl, c) {}
ORV_IMPLEMENT_CLASS(TGraphicControl, c) {}

}  // namespace orv
