#include "platform/gui/Splitter.h"

#include <algorithm>

#include "platform/gui/Canvas.h"

namespace orv {

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 3, 100);
  SetAlign(alLeft);
  SetCursor(crHSplit);
}

// The visible control aligned like the splitter whose edge touches the splitter's near side.
TControl* TSplitter::FindControl() const {
  TWinControl* parent = Parent();
  if (!parent) return nullptr;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    bool touches = false;
    switch (Align()) {
      case alLeft: touches = c->Left() + c->Width() == Left(); break;
      case alRight: touches = c->Left() == Left() + Width(); break;
      case alTop: touches = c->Top() + c->Height() == Top(); break;
      case alBottom: touches = c->Top() == Top() + Height(); break;
      default: break;
    }
    if (touches) return c;
  }
  return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || Align() == alNone || Align() == alClient) return;
  control_ = FindControl();
  if (!control_) return;
  TPoint screen = ClientToScreen({X, Y});
  downAt_ = Horizontal() ? screen.X : screen.Y;
  startSize_ = SizeOf(control_);
  // The room the other side keeps: what the aligned controls of this direction leave free.
  TWinControl* parent = Parent();
  int free = Horizontal() ? parent->ClientWidth() : parent->ClientHeight();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (!c->Visible()) continue;
    bool sameAxis = Horizontal() ? (c->Align() == alLeft || c->Align() == alRight)
                                 : (c->Align() == alTop || c->Align() == alBottom);
    if (sameAxis) free -= SizeOf(c);
  }
  maxSize_ = std::max(startSize_, startSize_ + free - minSize_);
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!control_) return;
  TPoint screen = ClientToScreen({X, Y});
  int delta = (Horizontal() ? screen.X : screen.Y) - downAt_;
  if (Align() == alRight || Align() == alBottom) delta = -delta;
  int size = std::clamp(startSize_ + delta, std::min(minSize_, startSize_), maxSize_);
  if (size == SizeOf(control_)) return;
  if (Horizontal())
    control_->SetWidth(size);
  else
    control_->SetHeight(size);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (control_ && Button == mbLeft) {
    MouseMove(Shift, X, Y);
    bool moved = SizeOf(control_) != startSize_;
    control_ = nullptr;
    if (moved && OnMoved) OnMoved(this);
  }
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSplitter::Paint() {
  Canvas()->Brush().SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

ORV_IMPLEMENT_CLASS(TSplitter, c) {
  c.Prop("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize).Default(30);
  c.Event("OnMoved", &TSplitter::OnMoved);
}

}  // namespace orv
