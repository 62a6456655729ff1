#pragma once
// The forms and controls binding module: controls, windowed controls, the standard controls,
// scroll boxes, forms, data modules and the application object, with their constants, the
// enumerations of their properties and the events scripts may handle.
#include "script/ClassModel.h"

namespace orv {

class TsxFormsFunctions : public TsxRTTIModule {
 public:
  explicit TsxFormsFunctions(TsxScript* script);
};

}  // namespace orv
