// Dragging one control onto another with the mouse: the source's start, the targets' drag-over
// as the mouse passes them, the drop on the one that accepts, and the source's end.
#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <utility>

#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

// How far the mouse moves with the button held before a drag that waits for it starts.
constexpr int kDragThreshold = 5;

struct DragState {
  TControl* source = nullptr;
  // What the targets see as the source: the control, or the object its OnStartDrag gave.
  TObject* sourceObject = nullptr;
  bool started = false;
  QPoint origin;
  int threshold = kDragThreshold;
  TControl* target = nullptr;
  bool accepted = false;
  bool cursorSet = false;
};
DragState drag;
// Where the left button went down last, from where a drag that waits for the mouse counts.
QPoint pressedAt;
QPoint lastAt;
// The source of a drag being ended, while the handlers of its end run; cleared when freed.
TControl* endingSource = nullptr;

QPoint LocalTo(const TControl* control, QPoint global) { return WidgetOf(control)->mapFromGlobal(global); }

// The enabled control under a point of the screen: searched in the source's own window first,
// which the window system may not report while the mouse is held.
TControl* ControlAt(QPoint global) {
  QWidget* w = nullptr;
  if (QWidget* near = drag.source ? WidgetOf(drag.source) : nullptr) {
    QWidget* top = near->window();
    QPoint local = top->mapFromGlobal(global);
    if (top->rect().contains(local)) {
      w = top->childAt(local);
      if (!w) w = top;
    }
  }
  if (!w) w = QApplication::widgetAt(global);
  for (; w; w = w->parentWidget()) {
    TControl* c = ControlOfWidget(w);
    if (c && c->Enabled()) return c;
  }
  return nullptr;
}

void ShowDragCursor() {
  TCursor cursor = drag.accepted && drag.source ? drag.source->DragCursor() : crNoDrop;
  if (drag.cursorSet) {
    QApplication::changeOverrideCursor(ToQCursor(cursor));
  } else {
    QApplication::setOverrideCursor(ToQCursor(cursor));
    drag.cursorSet = true;
  }
}

void Start() {
  drag.started = true;
  TControl* source = drag.source;
  TObject* object = nullptr;
  CallSafely(source, [&] { ControlAccess::DoStartDrag(source, object); });
  // The handler may have ended the drag itself.
  if (drag.source != source) return;
  drag.sourceObject = object ? object : source;
  ShowDragCursor();
}

void Over(TControl* target, QPoint global, TDragState state) {
  QPoint p = LocalTo(target, global);
  bool accept = false;
  CallSafely(target, [&] { ControlAccess::DragOver(target, drag.sourceObject, p.x(), p.y(), state, accept); });
  if (state != dsDragLeave) drag.accepted = accept;
}

void MoveTo(QPoint global) {
  TControl* now = ControlAt(global);
  if (now != drag.target) {
    if (TControl* old = drag.target) {
      drag.target = nullptr;
      Over(old, global, dsDragLeave);
    }
    drag.accepted = false;
    drag.target = now;
    if (now && drag.source) Over(now, global, dsDragEnter);
  } else if (now) {
    Over(now, global, dsDragMove);
  }
  if (drag.source) ShowDragCursor();
}

void Finish(bool drop, QPoint global) {
  DragState done = drag;
  drag = DragState();
  endingSource = done.source;
  if (done.cursorSet) QApplication::restoreOverrideCursor();
  if (!done.started) return;
  TControl* target = nullptr;
  if (done.target) {
    if (drop && done.accepted) {
      target = done.target;
      QPoint p = LocalTo(target, global);
      CallSafely(target, [&] { ControlAccess::DragDrop(target, done.sourceObject, p.x(), p.y()); });
    } else {
      TControl* left = done.target;
      QPoint p = LocalTo(left, global);
      bool ignored = false;
      CallSafely(left, [&] { ControlAccess::DragOver(left, done.sourceObject, p.x(), p.y(), dsDragLeave, ignored); });
    }
  }
  // The drop handler may have freed the source.
  TControl* source = std::exchange(endingSource, nullptr);
  if (!source) return;
  QPoint p = LocalTo(source, global);
  CallSafely(source, [&] { ControlAccess::DoEndDrag(source, target, p.x(), p.y()); });
}

}  // namespace

TControl* ControlOfWidget(const QWidget* w) {
  if (!w) return nullptr;
  for (QObject* child : w->children()) {
    auto* bridge = dynamic_cast<ControlBridge*>(child);
    if (bridge && bridge->Control() && WidgetOf(bridge->Control()) == w) return bridge->Control();
  }
  return nullptr;
}

void DragPressed(QPoint global) {
  pressedAt = global;
  lastAt = global;
}

void DragBegin(TControl* source, bool immediate, int threshold) {
  if (drag.source) return;
  drag.source = source;
  drag.origin = pressedAt;
  drag.threshold = threshold < 0 ? kDragThreshold : threshold;
  if (immediate) Start();
}

bool DragMouseMove(QPoint global) {
  lastAt = global;
  if (!drag.source) return false;
  if (!drag.started) {
    QPoint d = global - drag.origin;
    if (std::abs(d.x()) < drag.threshold && std::abs(d.y()) < drag.threshold) return false;
    Start();
    if (!drag.source) return true;
  }
  MoveTo(global);
  return true;
}

bool DragMouseRelease(QPoint global) {
  if (!drag.source) return false;
  bool started = drag.started;
  if (started) MoveTo(global);
  Finish(true, global);
  return started;
}

void DragEnd(bool drop) { Finish(drop, lastAt); }

bool DragUnderWay(const TControl* source) { return drag.started && (!source || drag.source == source); }

void DragForget(const TControl* control) {
  if (endingSource == control) endingSource = nullptr;
  if (drag.target == control) {
    drag.target = nullptr;
    drag.accepted = false;
  }
  if (drag.source == control) {
    if (drag.cursorSet) QApplication::restoreOverrideCursor();
    drag = DragState();
  }
}

}  // namespace orv
