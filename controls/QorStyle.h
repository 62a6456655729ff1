#pragma once
// The kit's colour schemes and the interface a control implements to take one from a styler.
#include "platform/rtl/TypInfo.h"

namespace orv {

ORV_ENUM(TQorStyle, tsOffice2003Blue, tsOffice2003Silver, tsOffice2003Olive, tsOffice2003Classic,
         tsOffice2007Luna, tsOffice2007Obsidian, tsWindowsXP, tsWhidbey, tsCustom, tsOffice2007Silver,
         tsWindowsVista, tsWindows7, tsTerminal);

// A control that recolours itself for a scheme; tsCustom leaves its colours as they are.
class IQorStyle {
 public:
  virtual void SetComponentStyle(TQorStyle AStyle) = 0;

 protected:
  ~IQorStyle() = default;
};

}  // namespace orv
