#pragma once
// The control kit's push button; for now the platform's button under the kit's name, until the
// owner-drawn look replaces it.
#include "platform/gui/StdCtrls.h"

namespace orv {

// A push button with Caption, Hint, Enabled and OnClick.
class TLumSmoothButton : public TButton {
  ORV_CLASS(TLumSmoothButton, TButton)

 public:
  explicit TLumSmoothButton(TComponent* AOwner);
};

}  // namespace orv
