#pragma once
// Shared helpers of the widget tests: real key and mouse events sent to a control's widget,
// pictures of what a control paints, and waiting in the event loop.
#include <QApplication>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

#include <functional>
#include <string>

#include "platform/gui/QtBridge.h"

namespace orv::testing {

// The widget that has the keyboard inside control (the control's own, or its editor).
inline QWidget* KeyTarget(TControl* control) {
  QWidget* w = WidgetOf(control);
  while (w->focusProxy()) w = w->focusProxy();
  return w;
}

inline void KeyClick(QWidget* target, int key, const QString& text = QString(),
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &release);
}

// Types text one character at a time, as a keyboard would.
inline void KeyClicks(QWidget* target, const QString& text) {
  for (QChar c : text) {
    int key = c.isLetter() && c.unicode() < 128 ? c.toUpper().unicode() : c.unicode();
    KeyClick(target, key, QString(c));
  }
}

inline void MouseClick(QWidget* target, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
  QPointF local(at);
  QPointF global(target->mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

// One mouse event at a point of target; buttons are those held after the event.
inline void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, buttons, modifiers);
  QApplication::sendEvent(target, &event);
}

// A turn of the mouse wheel over a point of target: delta 120 per notch, positive away from the user.
inline void SendWheel(QWidget* target, QPoint at, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWheelEvent event(QPointF(at), QPointF(target->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                    modifiers, Qt::NoScrollPhase, false);
  // Each turn has a time of its own, as the window system's turns have.
  static quint64 stamp = 0;
  event.setTimestamp(++stamp);
  QApplication::sendEvent(target, &event);
}

// What the control paints in its client area (a form without its frame), as an image of the
// client's size. The widget paints through its paint event as it would on screen.
inline QImage Snapshot(TControl* control) {
  auto* win = dynamic_cast<TWinControl*>(control);
  QWidget* w = win ? ControlAccess::Client(win) : WidgetOf(control);
  return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Runs the event loop until done() or timeoutMs passes; returns done().
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < timeoutMs) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// A key with no text pressed where the keyboard is inside c, Ctrl held when ctrl is set.
inline void PressKey(TControl* c, Word vk, bool ctrl = false) {
  KeyClick(KeyTarget(c), VirtualKeyToKey(vk), QString(), ctrl ? Qt::ControlModifier : Qt::NoModifier);
}

// Whether the keyboard inside grid lands on a table of cells.
inline bool IsCellTable(TControl* grid) { return dynamic_cast<QTableView*>(KeyTarget(grid)) != nullptr; }

// Writes text into a cell of grid's table as its editor would; false when the table refuses it.
inline bool EditCell(TControl* grid, int row, int column, const std::string& text) {
  auto* view = dynamic_cast<QTableView*>(KeyTarget(grid));
  if (!view) return false;
  QAbstractItemModel* model = view->model();
  return model->setData(model->index(row, column), QString::fromStdString(text), Qt::EditRole);
}

// Puts the keyboard of a date picker on the day of its date; false when it has no date editor.
inline bool SelectDaySection(TControl* picker) {
  auto* edit = WidgetOf(picker)->findChild<QDateTimeEdit*>();
  if (!edit) return false;
  edit->setCurrentSection(QDateTimeEdit::DaySection);
  return true;
}

// Runs action once the modal window is up and active, as a user answering it would. A loaded
// machine may show the window much later than ms: action then waits for it (up to 20 s), so a
// test never answers too early and leaves the window open for good.
inline void WhenModalActive(std::function<void()> action, int triesLeft) {
  QWidget* modal = QApplication::activeModalWidget();
  if ((modal && modal->isActiveWindow()) || triesLeft <= 0) {
    action();
    return;
  }
  QTimer::singleShot(10, [action = std::move(action), triesLeft]() mutable {
    WhenModalActive(std::move(action), triesLeft - 1);
  });
}

inline void After(int ms, std::function<void()> action) {
  QTimer::singleShot(ms, [action = std::move(action)]() mutable { WhenModalActive(std::move(action), 2000); });
}

inline void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace orv::testing
