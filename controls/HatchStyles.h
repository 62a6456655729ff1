#pragma once
// The kit's hatch styles by name, and the 8 x 8 tile each one paints.
#include "platform/gui/SmoothPaint.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

ORV_ENUM(THatchStyle, HatchStyleHorizontal, HatchStyleVertical, HatchStyleForwardDiagonal,
         HatchStyleBackwardDiagonal, HatchStyleCross, HatchStyleDiagonalCross, HatchStyle05Percent,
         HatchStyle10Percent, HatchStyle20Percent, HatchStyle25Percent, HatchStyle30Percent,
         HatchStyle40Percent, HatchStyle50Percent, HatchStyle60Percent, HatchStyle70Percent,
         HatchStyle75Percent, HatchStyle80Percent, HatchStyle90Percent,
         HatchStyleLightDownwardDiagonal, HatchStyleLightUpwardDiagonal,
         HatchStyleDarkDownwardDiagonal, HatchStyleDarkUpwardDiagonal,
         HatchStyleWideDownwardDiagonal, HatchStyleWideUpwardDiagonal, HatchStyleLightVertical,
         HatchStyleLightHorizontal, HatchStyleNarrowVertical, HatchStyleNarrowHorizontal,
         HatchStyleDarkVertical, HatchStyleDarkHorizontal, HatchStyleDashedDownwardDiagonal,
         HatchStyleDashedUpwardDiagonal, HatchStyleDashedHorizontal, HatchStyleDashedVertical,
         HatchStyleSmallConfetti, HatchStyleLargeConfetti, HatchStyleZigZag, HatchStyleWave,
         HatchStyleDiagonalBrick, HatchStyleHorizontalBrick, HatchStyleWeave, HatchStylePlaid,
         HatchStyleDivot, HatchStyleDottedGrid, HatchStyleDottedDiamond, HatchStyleShingle,
         HatchStyleTrellis, HatchStyleSphere, HatchStyleSmallGrid, HatchStyleSmallCheckerBoard,
         HatchStyleLargeCheckerBoard, HatchStyleOutlinedDiamond, HatchStyleSolidDiamond);

// The tile of Style; a value outside the enumeration paints the horizontal hatch.
const TPaintHatch& HatchPattern(THatchStyle Style);

}  // namespace orv
