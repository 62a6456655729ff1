#include "controls/LumSmoothButton.h"

namespace orv {

TLumSmoothButton::TLumSmoothButton(TComponent* AOwner) : TButton(AOwner) { SetShowHint(true); }

ORV_IMPLEMENT_CLASS(TLumSmoothButton, c) {}

}  // namespace orv
