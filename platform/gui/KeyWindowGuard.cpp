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
    if (Ours(downs_[key->key()], window, type == QEvent::KeyRelease, key)) return false;
    // Accepting the override keeps a shortcut from firing; the press itself is then dropped.
    if (type == QEvent::ShortcutOverride) event->accept();
    return true;
  }

 private:
  struct Down {
    QPointer<QWindow> window;  // where the key went down
    bool released = false;
    // The last release and what was decided for it: one release travels up the widgets of its
    // window as one event with one time stamp, and X repeats a held key as a release and a
    // press of one moment.
    quint64 releasedAt = 0;
    bool releaseOurs = false;
    bool anyRelease = false;
  };

  static bool Ours(Down& down, QWindow* window, bool release, const QKeyEvent* key) {
    quint64 at = key->timestamp();
    // Events made up by the program itself carry no time: only Qt's own mark tells a repeat.
    if (at == 0) {
      if (release || key->isAutoRepeat()) return down.window == window;
      down.window = window;
      down.released = false;
      return true;
    }
    if (release) {
      if (key->isAutoRepeat()) return down.window == window && !down.released;
      if (down.anyRelease && at == down.releasedAt) return down.releaseOurs;
      down.anyRelease = true;
      down.releasedAt = at;
      down.releaseOurs = down.window == window && !down.released;
      if (down.releaseOurs) down.released = true;
      return down.releaseOurs;
    }
    bool repeat = key->isAutoRepeat() || (down.anyRelease && at == down.releasedAt);
    if (!repeat) {
      down.window = window;
      down.released = false;
      return true;
    }
    if (down.window != window) return false;
    down.released = false;
    return true;
  }

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
