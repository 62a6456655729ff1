#pragma once
// TThemeNotifierWindow: an invisible control that reports changes of the desktop's look (the
// application palette or widget style), for components that recolour themselves to match it.
#include "platform/gui/Controls.h"

namespace orv {

class TThemeNotifierWindow : public TWinControl {
  ORV_CLASS(TThemeNotifierWindow, TWinControl)

 public:
  explicit TThemeNotifierWindow(TComponent* AOwner);

  TNotifyEvent OnThemeChange;
};

}  // namespace orv
