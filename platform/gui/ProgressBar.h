#pragma once
// TProgressBar: a bar that shows how far a long piece of work has come.
#include "platform/gui/Controls.h"

namespace orv {

class TProgressBar : public TCustomControl {
  ORV_CLASS(TProgressBar, TCustomControl)

 public:
  explicit TProgressBar(TComponent* AOwner);

  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  // Kept within Min .. Max.
  int Position() const { return position_; }
  void SetPosition(int Value);

 protected:
  void Paint() override;

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

}  // namespace orv
