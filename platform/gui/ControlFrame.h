#pragma once
// TControlFrame: the border, bevel and border width a windowed control draws around its client
// area.
#include "platform/gui/Controls.h"

namespace orv {

// From the outside in: the window's border (bsSingle: the sunken two-pixel edge of a 3-D
// window), the bevel (BevelOuter then BevelInner, BevelWidth each, on BevelEdges only, and
// nothing at all for bkNone) and BorderWidth pixels in the control's colour on every side.
struct TControlFrame {
  TBorderStyle BorderStyle = bsNone;
  TBevelEdges BevelEdges{beLeft, beTop, beRight, beBottom};
  TBevelCut BevelInner = bvRaised;
  TBevelCut BevelOuter = bvLowered;
  TBevelKind BevelKind = bkNone;
  int BevelWidth = 1;
  int BorderWidth = 0;

  // The client area the frame leaves inside Bounds.
  TRect Inside(const TRect& Bounds) const;
  // Draws the frame inside Bounds; Color fills the border width and a bevel of bvSpace.
  void Paint(TCanvas& Canvas, const TRect& Bounds, TColor Color) const;
};

}  // namespace orv
