#pragma once
// TkvxDialogControl: a report object that wraps a window control of a dialog page. Position,
// size, font and visibility go straight to the control, which lives inside the page's window or
// inside another dialog control.
#include <functional>
#include <memory>

#include "platform/gui/Controls.h"
#include "report/model/ReportComponent.h"

namespace orv {

class TkvxDialogControl : public TkvxReportComponent {
  ORV_CLASS(TkvxDialogControl, TkvxReportComponent)

 public:
  explicit TkvxDialogControl(TComponent* owner);
  ~TkvxDialogControl() override;

  // The control paints itself where the object stands, at its own size: a dialog is shown at
  // screen resolution, never scaled.
  void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;

  void SetLeft(Extended value) override;
  void SetTop(Extended value) override;
  void SetWidth(Extended value) override;
  void SetHeight(Extended value) override;
  void SetVisible(bool value) override;
  void SetParentFont(bool value) override;
  void SetParent(TkvxComponent* value) override;
  void SetName(const String& value) override;
  void FontChanged() override;

  bool Enabled() const;
  void SetEnabled(bool value);
  String Hint() const;
  void SetHint(const String& value);
  bool ShowHint() const;
  void SetShowHint(bool value);

  // Gives the focus to a windowed control; other controls cannot take it.
  void SetFocus();

  TControl* Control() const { return control_.get(); }
  // Run when the page's window is activated, for controls that prepare themselves then.
  std::function<void()> OnActivate;

 protected:
  // Takes the window control; classes that wrap one call it in their constructor.
  void SetControl(std::unique_ptr<TControl> control);
  // A control showing its name as its caption (a button, a label) keeps caption and name alike
  // until the caption is edited.
  bool CaptionFollowsName = false;

 private:
  std::unique_ptr<TControl> control_;
};

}  // namespace orv
