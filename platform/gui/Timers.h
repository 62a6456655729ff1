#pragma once
// TTimer: fires OnTimer every Interval milliseconds while Enabled.
#include <memory>

#include "platform/gui/Controls.h"

namespace orv {

// A repeating timer on the GUI thread. Enabling a timer that is already enabled changes
// nothing: the running interval is neither restarted nor lengthened.
class TTimer : public TComponent {
  ORV_CLASS(TTimer, TComponent)

 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  // Milliseconds; setting a new value starts the interval again. 0 stops the timer.
  Cardinal Interval() const { return interval_; }
  void SetInterval(Cardinal Value);

  TNotifyEvent OnTimer;

 private:
  void UpdateTimer();
  struct Impl;
  std::unique_ptr<Impl> impl_;
  bool enabled_ = true;
  Cardinal interval_ = 1000;
};

}  // namespace orv
