#pragma once
// TSizeConstraints: the least and greatest size a control may take.
#include "platform/gui/Controls.h"

namespace orv {

// A control's limits of width and height; 0 leaves that side unlimited. A maximum below the
// minimum pulls the minimum down with it, and a minimum above the maximum the maximum up.
class TSizeConstraints : public TPersistent {
  ORV_CLASS(TSizeConstraints, TPersistent)

 public:
  TSizeConstraints() = default;
  explicit TSizeConstraints(TControl* AControl) : control_(AControl) {}
  void Assign(TPersistent* Source) override;

  int MaxHeight() const { return maxHeight_; }
  void SetMaxHeight(int Value);
  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int Value);
  int MinHeight() const { return minHeight_; }
  void SetMinHeight(int Value);
  int MinWidth() const { return minWidth_; }
  void SetMinWidth(int Value);

  // Brings a width and height within the limits.
  void Constrain(int& Width, int& Height) const;

  TNotifyEvent OnChange;

 protected:
  TPersistent* GetOwner() const override { return control_; }

 private:
  void Change();
  // One side's limit set; the other limit of that side moves when they would cross.
  void SetMaximum(int& maximum, int& minimum, int Value);
  void SetMinimum(int& minimum, int& maximum, int Value);
  TControl* control_ = nullptr;
  int maxHeight_ = 0, maxWidth_ = 0, minHeight_ = 0, minWidth_ = 0;
};

}  // namespace orv
