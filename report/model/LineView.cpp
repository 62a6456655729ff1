#include "report/model/LineView.h"

#include <cmath>

namespace orv {


ORV_IMPLEMENT_CLASS(TkvxCustomLineView, c) { c.Prop("TagStr", &TkvxCustomLineView::TagStr, &TkvxCustomLineView::SetTagStr); }

ORV_IMPLEMENT_CLASS(TkvxLineView, c) { PublishLineProperties(c); }

TkvxCustomLineView::TkvxCustomLineView(TComponent* owner) : TkvxStretcheable(owner) {
  Traits &= ~otFullDiff;
  if (IsDesigning) {
    Word flags = DesignFlags();
    Diagonal = flags != 0;
    ArrowEnd = flags == 2 || flags == 4;
    ArrowStart = flags == 3 || flags == 4;
  }
}

void TkvxCustomLineView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
  if (!Diagonal) {
    // Height wins a tie: a square line is vertical.
    if (Height() >= Width()) {
      SetWidth(0);
      Frame()->SetTyp({ftLeft});
    } else {
      SetHeight(0);
      Frame()->SetTyp({ftTop});
    }
  }
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  if (!Diagonal) {
    DrawFrame();
  } else if (Frame()->Color() != clNone && Frame()->Width() != 0) {
    canvas->Brush().SetStyle(Color() == clNone ? bsClear : bsSolid);
    if (Color() != clNone) canvas->Brush().SetColor(Color());
    canvas->Pen().SetColor(Frame()->Color());
    canvas->Pen().SetStyle(psSolid);
    DrawThickLine(X, Y, X1, Y1, FW, kvxStrokeStyle(Frame()->Style()));
  }
  if (ArrowStart) PaintArrowHead(X, Y, X1, Y1);
  if (ArrowEnd) PaintArrowHead(X1, Y1, X, Y);
}

void TkvxCustomLineView::PaintArrowHead(int tipX, int tipY, int otherX, int otherY) {
  TCanvas& c = *DrawCanvas;
  double l = ArrowLength * ScaleX;
  double w = ArrowWidth * ScaleX;
  double baseX, baseY, wx, wy;
  if (std::abs(tipX - otherX) < 8) {
    // Nearly vertical: the head follows the vertical direction.
    baseX = tipX;
    baseY = tipY + (otherY >= tipY ? l : -l);
    wx = w;
    wy = 0;
  } else {
    double dx = otherX - tipX, dy = otherY - tipY;
    double len = std::hypot(dx, dy);
    baseX = tipX + dx / len * l;
    baseY = tipY + dy / len * l;
    wx = -dy / len * w;
    wy = dx / len * w;
  }
  TPoint tip = Point(tipX, tipY);
  TPoint wing1 = Point(static_cast<int>(std::lround(baseX + wx)), static_cast<int>(std::lround(baseY + wy)));
  TPoint wing2 = Point(static_cast<int>(std::lround(baseX - wx)), static_cast<int>(std::lround(baseY - wy)));
  c.Pen().SetColor(Frame()->Color());
  if (ArrowSolid) {
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Frame()->Color());
    c.Polygon({tip, wing1, wing2, tip});
  } else {
    c.Pen().SetWidth(static_cast<int>(std::lround(Frame()->Width() * ScaleX)));
    c.Polyline({wing1, tip, wing2});
    c.Pen().SetWidth(1);
  }
}

}  // namespace orv
