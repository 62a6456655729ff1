#pragma once
// TUpDown: a pair of arrows that steps a number, shown in the edit it is associated with.
#include "platform/gui/Controls.h"

namespace orv {

// Steps Position by Increment between Min and Max (round at the ends with Wrap). With an
// Associate, the up-down sits at the edit's right edge, steps from the number typed there and
// writes each new position back as its text.
class TUpDown : public TWinControl {
  ORV_CLASS(TUpDown, TWinControl)

 public:
  explicit TUpDown(TComponent* AOwner);
  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  int Increment() const { return increment_; }
  void SetIncrement(int Value) { increment_ = Value; }
  bool Wrap() const { return wrap_; }
  void SetWrap(bool Value) { wrap_ = Value; }
  int Position() const { return position_; }
  // Kept within Min .. Max; the associated edit shows it.
  void SetPosition(int Value);
  TWinControl* Associate() const { return associate_; }
  void SetAssociate(TWinControl* Value);
  // One step up (Delta 1) or down (-1), as a click on an arrow makes it.
  void Step(int Delta);

  TNotifyEvent OnChanging;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int increment_ = 1;
  bool wrap_ = false;
  int position_ = 0;
  TWinControl* associate_ = nullptr;
};

}  // namespace orv
