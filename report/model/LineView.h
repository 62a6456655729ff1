#pragma once
// Lines: straight along one axis (drawn as a one-sided frame, so with every frame style) or
// diagonal, with optional arrow heads.
#include "report/model/View.h"

namespace orv {

class TkvxCustomLineView : public TkvxStretcheable {
  ORV_CLASS(TkvxCustomLineView, TkvxStretcheable)

 public:
  // Made by an editing tool, the flags choose the kind: 0 straight, 1 diagonal, 2 with an end
  // arrow, 3 with a start arrow, 4 with both.
  explicit TkvxCustomLineView(TComponent* owner);
  void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;

  bool Diagonal = false;
  bool ArrowEnd = false;
  Integer ArrowLength = 20;
  bool ArrowSolid = false;
  bool ArrowStart = false;
  Integer ArrowWidth = 5;

 private:
  void PaintArrowHead(int tipX, int tipY, int otherX, int otherY);
};

class TkvxLineView : public TkvxCustomLineView {
  ORV_CLASS(TkvxLineView, TkvxCustomLineView)

 public:
  explicit TkvxLineView(TComponent* owner) : TkvxCustomLineView(owner) {}
  String GetDescription() const override { return "obLine"; }
};

}  // namespace orv
