#include "platform/gui/Timers.h"

#include <QTimer>

#include "platform/gui/QtBridge.h"

namespace orv {

struct TTimer::Impl {
  QTimer timer;
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  EnsureQtApplication();
  impl_ = std::make_unique<Impl>();
  QObject::connect(&impl_->timer, &QTimer::timeout, [this] {
    if (OnTimer) CallSafely(this, [this] { OnTimer(this); });
  });
  UpdateTimer();
}

TTimer::~TTimer() { impl_->timer.stop(); }

void TTimer::UpdateTimer() {
  impl_->timer.stop();
  if (enabled_ && interval_ > 0) impl_->timer.start(static_cast<int>(interval_));
}

void TTimer::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value) {
  if (Value == interval_) return;
  interval_ = Value;
  UpdateTimer();
}

ORV_IMPLEMENT_CLASS(TTimer, c) {
  c.Prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  c.Prop("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
  c.Event("OnTimer", &TTimer::OnTimer);
}

}  // namespace orv
