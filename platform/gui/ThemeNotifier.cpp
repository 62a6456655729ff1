#include "platform/gui/ThemeNotifier.h"

#include <QApplication>
#include <QEvent>

#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

// The application object hears of every palette change; the widget hears of style changes.
class ThemeWidget : public QWidget {
 public:
  explicit ThemeWidget(TThemeNotifierWindow* owner) : owner_(owner) { qApp->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) Notify();
    return false;
  }
  bool event(QEvent* event) override {
    bool handled = QWidget::event(event);
    if (event->type() == QEvent::StyleChange) Notify();
    return handled;
  }

 private:
  void Notify() {
    if (owner_->OnThemeChange) CallSafely(owner_, [this] { owner_->OnThemeChange(owner_); });
  }
  TThemeNotifierWindow* owner_;
};

}  // namespace

TThemeNotifierWindow::TThemeNotifierWindow(TComponent* AOwner)
    : TWinControl(AOwner, NewWidget<ThemeWidget>(this)) {
  SetVisible(false);
  SetTabStop(false);
  Widget()->setFocusPolicy(Qt::NoFocus);
}

ORV_IMPLEMENT_CLASS(TThemeNotifierWindow, c) {}

}  // namespace orv
