#pragma once
// Shapes: rectangle, rounded rectangle, ellipse, triangle, diamond and the two diagonals.
#include "report/model/View.h"

namespace orv {

ORV_ENUM(TkvxShapeKind, skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2);

class TkvxShapeView : public TkvxView {
  ORV_CLASS(TkvxShapeView, TkvxView)

 public:
  // Made by an editing tool, the flags are the kind of shape.
  explicit TkvxShapeView(TComponent* owner);
  String GetDescription() const override { return "obShape"; }
  void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
  String Diff(TkvxComponent* templ) override;

  // Corner size of a rounded rectangle in steps of 10 pixels; 0 for a quarter of the shorter side.
  Integer Curve = 0;
  TkvxShapeKind Shape = skRectangle;

 private:
  void DrawShape();
};

}  // namespace orv
