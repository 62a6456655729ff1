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

// What a line of either kind publishes: its arrows, frame and direction.
template <class T>
void PublishLineProperties(TClassBuilder<T>& c) {
  c.Prop("ArrowEnd", [](T& o) { return o.ArrowEnd; }, [](T& o, bool v) { o.ArrowEnd = v; }).Default(false);
  c.Prop("ArrowLength", [](T& o) { return o.ArrowLength; }, [](T& o, Integer v) { o.ArrowLength = v; }).Default(20);
  c.Prop("ArrowSolid", [](T& o) { return o.ArrowSolid; }, [](T& o, bool v) { o.ArrowSolid = v; }).Default(false);
  c.Prop("ArrowStart", [](T& o) { return o.ArrowStart; }, [](T& o, bool v) { o.ArrowStart = v; }).Default(false);
  c.Prop("ArrowWidth", [](T& o) { return o.ArrowWidth; }, [](T& o, Integer v) { o.ArrowWidth = v; }).Default(5);
  c.Prop("Frame", &T::Frame, &T::SetFrame);
  c.Prop("Diagonal", [](T& o) { return o.Diagonal; }, [](T& o, bool v) { o.Diagonal = v; }).Default(false);
}

class TkvxLineView : public TkvxCustomLineView {
  ORV_CLASS(TkvxLineView, TkvxCustomLineView)

 public:
  explicit TkvxLineView(TComponent* owner) : TkvxCustomLineView(owner) {}
  String GetDescription() const override { return "obLine"; }
};

}  // namespace orv
