#pragma once
// The control kit's form styler: the common look of the kit's controls on one form. It keeps
// the stored style; painting by it comes with the owner-drawn controls.
#include "platform/rtl/Component.h"

namespace orv {

ORV_ENUM(TLumFormStyle, tsOffice2003Blue, tsOffice2003Silver, tsOffice2003Olive);

// Placed on a form; the application sets nothing on it at run time.
class TLumFormStyler : public TComponent {
  ORV_CLASS(TLumFormStyler, TComponent)

 public:
  explicit TLumFormStyler(TComponent* AOwner);
  TLumFormStyle Style() const { return style_; }
  void SetStyle(TLumFormStyle Value) { style_ = Value; }
  // Whether the style follows the desktop's theme.
  bool AutoThemeAdapt() const { return autoThemeAdapt_; }
  void SetAutoThemeAdapt(bool Value) { autoThemeAdapt_ = Value; }

 private:
  TLumFormStyle style_ = tsOffice2003Blue;
  bool autoThemeAdapt_ = true;
};

}  // namespace orv
