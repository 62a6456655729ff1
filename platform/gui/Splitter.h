#pragma once
// TSplitter: the bar between two aligned controls that the user drags to share the room.
#include "platform/gui/Controls.h"

namespace orv {

// Sits beside an aligned control (aligned the same way, next to it) and resizes that control
// when dragged; the control and the room left over both keep at least MinSize.
class TSplitter : public TGraphicControl {
  ORV_CLASS(TSplitter, TGraphicControl)

 public:
  explicit TSplitter(TComponent* AOwner);
  int MinSize() const { return minSize_; }
  void SetMinSize(int Value) { minSize_ = Value; }

  // Fired once a drag that changed the size ends.
  TNotifyEvent OnMoved;

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Paint() override;

 private:
  TControl* FindControl() const;
  bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
  // The size of the control along the splitter's direction of movement.
  int SizeOf(const TControl* c) const { return Horizontal() ? c->Width() : c->Height(); }
  int minSize_ = 30;
  TControl* control_ = nullptr;  // the one being resized while dragging
  int downAt_ = 0;               // screen coordinate where the drag started
  int startSize_ = 0;
  int maxSize_ = 0;
};

}  // namespace orv
