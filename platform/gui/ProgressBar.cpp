#include "platform/gui/ProgressBar.h"

#include <algorithm>

#include "platform/gui/Canvas.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TProgressBar, c) {
  c.Prop("Min", &TProgressBar::Min, &TProgressBar::SetMin).Default(0);
  c.Prop("Max", &TProgressBar::Max, &TProgressBar::SetMax).Default(100);
  c.Prop("Position", &TProgressBar::Position, &TProgressBar::SetPosition).Default(0);
}

TProgressBar::TProgressBar(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 150, 17); }

void TProgressBar::SetMin(int Value) {
  min_ = Value;
  max_ = std::max(max_, min_);
  SetPosition(position_);
}

void TProgressBar::SetMax(int Value) {
  max_ = Value;
  min_ = std::min(min_, max_);
  SetPosition(position_);
}

void TProgressBar::SetPosition(int Value) {
  Value = std::clamp(Value, min_, max_);
  if (Value == position_) return;
  position_ = Value;
  Invalidate();
}

void TProgressBar::Paint() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  canvas->Brush().SetColor(clBtnFace);
  canvas->Pen().SetColor(clBtnShadow);
  canvas->Rectangle(r);
  if (max_ <= min_) return;
  int inner = r.Width() - 4;
  int filled = static_cast<int>(static_cast<long long>(inner) * (position_ - min_) / (max_ - min_));
  if (filled <= 0) return;
  canvas->Brush().SetColor(clHighlight);
  canvas->FillRect(Rect(r.Left + 2, r.Top + 2, r.Left + 2 + filled, r.Bottom - 2));
}

}  // namespace orv
