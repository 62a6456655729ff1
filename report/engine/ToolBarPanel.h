#pragma once
// TkvxTBPanel: a borderless panel that sits in a tool bar and carries other controls (the
// preview window's zoom box and page-number box).
#include "platform/gui/ExtCtrls.h"

namespace orv {

class TkvxTBPanel : public TPanel {
  ORV_CLASS(TkvxTBPanel, TPanel)

 public:
  explicit TkvxTBPanel(TComponent* AOwner);
  // Put into a panel, it stacks the way the panel's own parent runs: from the top when that
  // one lies along the left or right side, else from the left.
  void SetParent(TWinControl* AParent) override;

 protected:
  void Paint() override;
  bool FillsBackground() const override { return true; }
};

}  // namespace orv
