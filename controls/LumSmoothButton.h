#pragma once
// TLumSmoothButton: the kit's owner-drawn push button, a glossy rounded face with an optional
// picture, caption, shadow, bevel rim and a status badge in its top-right corner.
#include <memory>

#include "controls/GDIPButton.h"
#include "controls/QorStyle.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Timers.h"

namespace orv {

class TLumSmoothButton;

// The badge of a button; every change repaints the button.
class TLumSmoothButtonStatus : public TPersistent {
  ORV_CLASS(TLumSmoothButtonStatus, TPersistent)

 public:
  explicit TLumSmoothButtonStatus(TLumSmoothButton* AOwner);
  ~TLumSmoothButtonStatus() override;
  void Assign(TPersistent* Source) override;

  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  const String& Caption() const { return caption_; }
  void SetCaption(const String& Value);
  int OffsetLeft() const { return offsetLeft_; }
  void SetOffsetLeft(int Value);
  int OffsetTop() const { return offsetTop_; }
  void SetOffsetTop(int Value);
  TGDIPStatus* Appearance() const { return appearance_.get(); }
  void SetAppearance(TGDIPStatus* Value);
  // Shown only when visible with a caption or a fill picture.
  bool Shows() const;

  TNotifyEvent OnChange;

 private:
  void Changed();
  TLumSmoothButton* owner_;
  bool visible_ = false;
  String caption_;
  int offsetLeft_ = 0, offsetTop_ = 0;
  std::unique_ptr<TGDIPStatus> appearance_;
};

class TLumSmoothButton : public TCustomControl, public IQorStyle {
  ORV_CLASS(TLumSmoothButton, TCustomControl)

 public:
  explicit TLumSmoothButton(TComponent* AOwner);
  ~TLumSmoothButton() override;

  void SetComponentStyle(TQorStyle AStyle) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  TGDIPButton* Appearance() const { return appearance_.get(); }
  void SetAppearance(TGDIPButton* Value);
  TLumSmoothButtonStatus* Status() const { return status_.get(); }
  void SetStatus(TLumSmoothButtonStatus* Value);
  bool Bevel() const { return bevel_; }
  void SetBevel(bool Value);
  TColor BevelColor() const { return bevelColor_; }
  void SetBevelColor(TColor Value);
  // The face's colour; the area around the rounded face shows the parent.
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TLumGDIPPicture* Picture() const { return picture_.get(); }
  void SetPicture(TLumGDIPPicture* Value);
  bool Shadow() const { return shadow_; }
  void SetShadow(bool Value);
  int HorizontalSpacing() const { return horizontalSpacing_; }
  void SetHorizontalSpacing(int Value);
  int VerticalSpacing() const { return verticalSpacing_; }
  void SetVerticalSpacing(int Value);
  String Version() const { return "1.6.5.1"; }

  // The face is pressed while the left button is held on it.
  bool Down() const { return down_; }
  bool Hot() const { return hot_; }
  // Marks the cached face stale and repaints.
  void Changed();

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // While the button is held the mouse is the button's wherever it goes, so leaving and coming
  // back are seen here.
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void DoEnter() override;
  void DoExit() override;
  void Resize() override;
  void FontChanged() override;
  void EnabledChanged() override;
  void TextChanged() override;
  // The button raises its own clicks, on the left button's release only.
  bool ClicksOnMouseUp() const override { return false; }
  // Enter presses the button rather than the form's default button.
  bool WantsReturn() const override { return true; }

 private:
  void PaintFace();
  void Accelerator();

  std::unique_ptr<TGDIPButton> appearance_;
  std::unique_ptr<TLumSmoothButtonStatus> status_;
  std::unique_ptr<TLumGDIPPicture> picture_;
  std::unique_ptr<TGPBitmap> cache_;
  bool cacheValid_ = false;
  bool bevel_ = true;
  TColor bevelColor_ = clWhite;
  TColor color_ = clGray;
  bool shadow_ = false;
  int horizontalSpacing_ = 5, verticalSpacing_ = 5;
  bool hot_ = false, down_ = false, focused_ = false;
  // A left press on the button that its release will answer with a click.
  bool leftPressed_ = false;
  // Lets the pressed look of an accelerator show for a moment without holding up the GUI thread.
  TTimer* releaseTimer_;
};

}  // namespace orv
