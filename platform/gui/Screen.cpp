#include "platform/gui/Screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "platform/gui/FormRegistry.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtBridge.h"

namespace orv {

TScreen* TScreenRef::operator->() const {
  static TScreen screen(nullptr);
  return &screen;
}

TScreenRef::operator TScreen*() const { return operator->(); }

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

void TScreen::SetCursor(TCursor Value) {
  if (Value == cursor_) return;
  // Work done with no window system running (an export from the report tool) shows no cursor:
  // remembering it is enough, and starting the window system for it would cost the run its
  // fonts and memory. The cursor goes up when the application starts.
  const bool shown = QApplication::instance() != nullptr;
  // One override cursor of ours at most on Qt's stack.
  if (shown && cursor_ != crDefault) QApplication::restoreOverrideCursor();
  cursor_ = Value;
  if (shown && Value != crDefault) QApplication::setOverrideCursor(ToQCursor(Value));
}

int TScreen::Width() const {
  EnsureQtApplication();
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
  EnsureQtApplication();
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 0;
}

int TScreen::FormCount() const { return static_cast<int>(AllForms().size()); }

TCustomForm* TScreen::Forms(int Index) const {
  if (Index < 0 || Index >= FormCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return AllForms()[Index];
}

TCustomForm* TScreen::ActiveForm() const {
  for (TCustomForm* f : AllForms())
    if (f->Active()) return f;
  return nullptr;
}

TCustomForm* TScreen::ModalForm() const {
  QWidget* modal = QApplication::activeModalWidget();
  for (TCustomForm* f : AllForms())
    if (modal && WidgetOf(f) == modal) return f;
  return nullptr;
}

ORV_IMPLEMENT_CLASS(TScreen, c) {
  c.Prop("Cursor", &TScreen::Cursor, &TScreen::SetCursor).Default(crDefault);
  c.Prop("Width", &TScreen::Width);
  c.Prop("Height", &TScreen::Height);
}

}  // namespace orv
