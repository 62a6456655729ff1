#pragma once
// The graphics binding module: fonts, pens, brushes, canvases, graphics, pictures, metafiles
// and bitmaps, with the named colours and the enumerations of their properties.
#include "script/ClassModel.h"

namespace orv {

class TsxGraphicsFunctions : public TsxRTTIModule {
 public:
  explicit TsxGraphicsFunctions(TsxScript* script);
};

}  // namespace orv
