#include "platform/gui/ControlFrame.h"

#include <algorithm>

#include "platform/gui/Canvas.h"

namespace orv {

namespace {

constexpr int kBorderEdge = 2;

// The colours of one line of an edge: top and left, bottom and right.
struct TEdgeColors {
  TColor topLeft, bottomRight;
};

// A line of the bevel as the window system draws it: the outer line lit from the top left when
// raised, the inner line between it and the face. A soft bevel lights the outer line more
// and the inner less; a flat one is a plain shadow line around a face-coloured one.
TEdgeColors BevelColors(TBevelCut cut, bool outer, TBevelKind kind, TColor face) {
  if (cut == bvSpace) return {face, face};
  if (kind == bkFlat) return outer ? TEdgeColors{clBtnShadow, clBtnShadow} : TEdgeColors{clBtnFace, clBtnFace};
  bool raised = cut == bvRaised;
  bool soft = kind == bkSoft;
  if (outer)
    return raised ? TEdgeColors{soft ? clBtnHighlight : cl3DLight, cl3DDkShadow}
                  : TEdgeColors{soft ? cl3DDkShadow : clBtnShadow, clBtnHighlight};
  return raised ? TEdgeColors{soft ? cl3DLight : clBtnHighlight, clBtnShadow}
                : TEdgeColors{soft ? clBtnShadow : cl3DDkShadow, cl3DLight};
}

void Fill(TCanvas& c, const TRect& r, TColor color) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(color);
  c.FillRect(r);
}

// width lines of an edge on the sides in edges, r shrinking with each line on those sides.
void Lines(TCanvas& c, TRect& r, TBevelEdges edges, TEdgeColors colors, int width) {
  for (int i = 0; i < width; ++i) {
    if (edges.Contains(beTop)) Fill(c, Rect(r.Left, r.Top, r.Right, r.Top + 1), colors.topLeft);
    if (edges.Contains(beLeft)) Fill(c, Rect(r.Left, r.Top, r.Left + 1, r.Bottom), colors.topLeft);
    if (edges.Contains(beBottom)) Fill(c, Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), colors.bottomRight);
    if (edges.Contains(beRight)) Fill(c, Rect(r.Right - 1, r.Top, r.Right, r.Bottom), colors.bottomRight);
    r = Rect(r.Left + edges.Contains(beLeft), r.Top + edges.Contains(beTop), r.Right - edges.Contains(beRight),
             r.Bottom - edges.Contains(beBottom));
  }
}

const TBevelEdges kAllEdges{beLeft, beTop, beRight, beBottom};

}  // namespace

TRect TControlFrame::Inside(const TRect& Bounds) const {
  TRect r = Bounds;
  auto shrink = [&r](TBevelEdges edges, int by) {
    r = Rect(r.Left + (edges.Contains(beLeft) ? by : 0), r.Top + (edges.Contains(beTop) ? by : 0),
             r.Right - (edges.Contains(beRight) ? by : 0), r.Bottom - (edges.Contains(beBottom) ? by : 0));
  };
  if (BorderStyle == bsSingle) shrink(kAllEdges, kBorderEdge);
  if (BevelKind != bkNone)
    shrink(BevelEdges, BevelWidth * ((BevelOuter != bvNone) + (BevelInner != bvNone)));
  shrink(kAllEdges, std::max(0, BorderWidth));
  r.Right = std::max(r.Right, r.Left);
  r.Bottom = std::max(r.Bottom, r.Top);
  return r;
}

void TControlFrame::Paint(TCanvas& Canvas, const TRect& Bounds, TColor Color) const {
  TRect r = Bounds;
  if (BorderStyle == bsSingle) {
    Lines(Canvas, r, kAllEdges, {clBtnShadow, clBtnHighlight}, 1);
    Lines(Canvas, r, kAllEdges, {cl3DDkShadow, cl3DLight}, 1);
  }
  if (BevelKind != bkNone) {
    if (BevelOuter != bvNone) Lines(Canvas, r, BevelEdges, BevelColors(BevelOuter, true, BevelKind, Color), BevelWidth);
    if (BevelInner != bvNone) Lines(Canvas, r, BevelEdges, BevelColors(BevelInner, false, BevelKind, Color), BevelWidth);
  }
  Lines(Canvas, r, kAllEdges, {Color, Color}, std::max(0, BorderWidth));
}

}  // namespace orv
