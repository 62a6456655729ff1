#include "controls/LumFormStyler.h"

namespace orv {

TLumFormStyler::TLumFormStyler(TComponent* AOwner) : TComponent(AOwner) {}

ORV_IMPLEMENT_CLASS(TLumFormStyler, c) {
  c.Prop("Style", &TLumFormStyler::Style, &TLumFormStyler::SetStyle).Default(tsOffice2003Blue);
  c.Prop("AutoThemeAdapt", &TLumFormStyler::AutoThemeAdapt, &TLumFormStyler::SetAutoThemeAdapt)
      .Default(true);
}

}  // namespace orv
