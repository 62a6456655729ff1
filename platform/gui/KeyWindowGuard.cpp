#include "platform/gui/KeyWindowGuard.h"

#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <map>

namespace orv {

namespace {

class KeyWindowGuard : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* receiver, QEvent* event) override {
    QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
      return false;
    QWindow* window = WindowOf(receiver);
    if (!window) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // Keys the window system made up without a key code (input methods) have no press to
    // belong to.
    if (key->key() == 0 || key->key() == Qt::Key_unknown) return false;
    Down& down = downs_[key->key()];
    if (type == QEvent::KeyPress && !key->isAutoRepeat()) {
      down = {window, false, 0};
      return false;
    }
    if (type == QEvent::ShortcutOverride && !key->isAutoRepeat()) return false;
    bool ours = down.window == window;
    if (type == QEvent::KeyRelease && !key->isAutoRepeat()) {
      // A release travels up the widgets of its window as one event, with one time stamp;
      // a second release of the same key without a press in between is not ours.
      if (down.released && down.releasedAt != key->timestamp()) ours = false;
      if (ours) down.released = true, down.releasedAt = key->timestamp();
    } else if (down.released) {
      ours = false;
    }
    if (ours) return false;
    // Accepting the override keeps a shortcut from firing; the press itself is then dropped.
    if (type == QEvent::ShortcutOverride) event->accept();
    return true;
  }

 private:
  struct Down {
    QPointer<QWindow> window;
    bool released = false;
    quint64 releasedAt = 0;
  };

  static QWindow* WindowOf(QObject* receiver) {
    if (receiver->isWidgetType()) {
      QWidget* top = static_cast<QWidget*>(receiver)->window();
      return top ? top->windowHandle() : nullptr;
    }
    return qobject_cast<QWindow*>(receiver);
  }

  std::map<int, Down> downs_;
};

}  // namespace

void InstallKeyWindowGuard(QObject* application) {
  application->installEventFilter(new KeyWindowGuard(application));
}

}  // namespace orv
