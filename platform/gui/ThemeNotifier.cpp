#include "platform/gui/ThemeNotifier.h"

#include <QEvent>

#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

// Qt tells every widget, shown or not, when the application's palette or style changes.
class ThemeWidget : public QWidget {
 public:
  explicit ThemeWidget(TThemeNotifierWindow* owner) : owner_(owner) {}

 protected:
  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ApplicationPaletteChange && event->type() != QEvent::StyleChange) return;
    if (owner_->OnThemeChange) CallSafely(owner_, [this] { owner_->OnThemeChange(owner_); });
  }

 private:
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
