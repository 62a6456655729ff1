#pragma once
// TGDIPFill: how a rectangle of a smooth control is painted (gradient body with an optional
// mirrored lower half, opacities, hatch, border, rounded corners, soft shadow, background and
// foreground pictures), with the rounded-rectangle path and the gradient painter the rest of the
// kit shares.
#include <memory>

#include "controls/LumGDIPPicture.h"
#include "controls/LumSmoothGDIP.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/Controls.h"

namespace orv {

ORV_ENUM(TLumGradientType, gtSolid, gtRadial, gtVertical, gtHorizontal, gtForwardDiagonal,
         gtBackwardDiagonal, gtAngle, gtHatch, gtPath, gtTexture, gtNone);
ORV_ENUM(TFillRoundingType, rtNone, rtTop, rtBottom, rtBoth, rtLeft, rtRight);
ORV_ENUM(TFillPicturePosition, ppTopLeft, ppTopCenter, ppTopRight, ppBottomLeft, ppBottomCenter,
         ppBottomRight, ppTiled, ppStretched, ppCenterLeft, ppCenterCenter, ppCenterRight, ppCustom);
ORV_ENUM(TFillPictureSize, psOriginal, psCustom);
ORV_ENUM(TFillPictureMode, pmInsideFill, pmOutsideFill);

// A closed figure traced clockwise from the top left; rounded corners are quarter arcs of
// radius Radius.
std::unique_ptr<TGPGraphicsPath> CreateRoundRectangle(const TGPRectF& R, int Radius,
                                                      TFillRoundingType RoundingType);

// One gradient area: the path when given, else the rectangle.
struct TDrawGradientParams {
  TGPGraphics* Graphics = nullptr;
  const TGPGraphicsPath* Path = nullptr;
  TGPRectF Rect;
  TColor ColorFrom = clNone;
  TColor ColorTo = clNone;
  Byte OpacityFrom = 255;
  Byte OpacityTo = 255;
  TLumGradientType GradientType = gtSolid;
  THatchStyle HatchStyle = HatchStyleHorizontal;
  // The lower half of a mirrored fill starts with a solid row of its start colour.
  bool Mirror = false;
  float Angle = 0;
  const TLumGDIPPicture* Texture = nullptr;
  TColor BorderColor = clNone;
  int BorderWidth = 1;
  TDashStyle BorderDash = DashStyleSolid;
};
void DrawGradient(const TDrawGradientParams& Params);

// Places a picture of size w x h in Target by Position; false for ppTiled (the body tiles it).
bool PicturePlacement(const TRect& Target, int w, int h, TFillPicturePosition Position,
                      int CustomLeft, int CustomTop, TRect& Dest);

// The clipboard format "GDI+ Fill", registered at start-up and kept for the program's lifetime.
extern const TClipboardFormat CF_GDIPFILL;

class TGDIPFill : public TPersistent {
  ORV_CLASS(TGDIPFill, TPersistent)

 public:
  TGDIPFill();
  ~TGDIPFill() override;

  // From another fill only (EInvalidCast otherwise); Focus and FocusColor are not copied.
  void Assign(TPersistent* Source) override;
  void BeginUpdate() { ++updateCount_; }
  // Does not fire OnChange by itself.
  void EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
  }
  // Paints into R; an opacity argument of 255 leaves the property in force. Returns R less the
  // shadow's depth (the area the body covered).
  TGPRectF Fill(TGPGraphics* Graphics, TGPRectF R, Byte BorderOpacity = 255, Byte Opacity = 255,
                Byte OpacityTo = 255, Byte OpacityMirror = 255, Byte OpacityMirrorTo = 255);

#define ORV_FILL_PROP(Type, Name, Field) \
  Type Name() const { return Field; }   \
  void Set##Name(Type Value) {          \
    if (Field == Value) return;         \
    Field = Value;                      \
    Changed();                          \
  }
  ORV_FILL_PROP(TColor, Color, color_)
  ORV_FILL_PROP(TColor, ColorTo, colorTo_)
  ORV_FILL_PROP(TColor, ColorMirror, colorMirror_)
  ORV_FILL_PROP(TColor, ColorMirrorTo, colorMirrorTo_)
  ORV_FILL_PROP(TLumGradientType, GradientType, gradientType_)
  ORV_FILL_PROP(TLumGradientType, GradientMirrorType, gradientMirrorType_)
  ORV_FILL_PROP(THatchStyle, HatchStyle, hatchStyle_)
  ORV_FILL_PROP(THatchStyle, HatchStyleMirror, hatchStyleMirror_)
  ORV_FILL_PROP(TFillPictureMode, BackGroundPictureMode, backGroundPictureMode_)
  ORV_FILL_PROP(TFillPicturePosition, BackGroundPicturePosition, backGroundPicturePosition_)
  ORV_FILL_PROP(int, BackGroundPictureLeft, backGroundPictureLeft_)
  ORV_FILL_PROP(int, BackGroundPictureTop, backGroundPictureTop_)
  ORV_FILL_PROP(TFillPicturePosition, PicturePosition, picturePosition_)
  ORV_FILL_PROP(int, PictureLeft, pictureLeft_)
  ORV_FILL_PROP(int, PictureTop, pictureTop_)
  ORV_FILL_PROP(TFillPictureSize, PictureSize, pictureSize_)
  ORV_FILL_PROP(int, PictureWidth, pictureWidth_)
  ORV_FILL_PROP(int, PictureHeight, pictureHeight_)
  ORV_FILL_PROP(Byte, Opacity, opacity_)
  ORV_FILL_PROP(Byte, OpacityTo, opacityTo_)
  ORV_FILL_PROP(Byte, OpacityMirror, opacityMirror_)
  ORV_FILL_PROP(Byte, OpacityMirrorTo, opacityMirrorTo_)
  ORV_FILL_PROP(TColor, BorderColor, borderColor_)
  ORV_FILL_PROP(Byte, BorderOpacity, borderOpacity_)
  ORV_FILL_PROP(int, BorderWidth, borderWidth_)
  ORV_FILL_PROP(int, Rounding, rounding_)
  ORV_FILL_PROP(TFillRoundingType, RoundingType, roundingType_)
  ORV_FILL_PROP(TColor, ShadowColor, shadowColor_)
  ORV_FILL_PROP(int, ShadowOffset, shadowOffset_)
  ORV_FILL_PROP(int, Angle, angle_)
#undef ORV_FILL_PROP

  // Owned; assigning copies the picture's bytes.
  TLumGDIPPicture* BackGroundPicture() const { return backGroundPicture_.get(); }
  void SetBackGroundPicture(TLumGDIPPicture* Value);
  TLumGDIPPicture* Picture() const { return picture_.get(); }
  void SetPicture(TLumGDIPPicture* Value);

  // A dotted outline inside the border, for the control that has the keyboard.
  bool Focus() const { return focus_; }
  void SetFocus(bool Value) { focus_ = Value; }
  TColor FocusColor() const { return focusColor_; }
  void SetFocusColor(TColor Value) { focusColor_ = Value; }

  TNotifyEvent OnChange;

 protected:
  void Changed();

 private:
  void PaintHalf(TGPGraphics& Graphics, const TGPRectF& R, TColor From, TColor To, Byte OpacityFrom,
                 Byte OpacityTo, TLumGradientType Type, THatchStyle Hatch, bool Mirror);
  void PaintRadial(TGPGraphics& Graphics, const TGPRectF& R, TColor From, TColor To, Byte OpacityFrom,
                   Byte OpacityTo, TFillRoundingType Rounding, bool GlowAtTop);
  void PaintPicture(TGPGraphics& Graphics, TLumGDIPPicture& Picture, const TGPRectF& R,
                    TFillPicturePosition Position, int Left, int Top, int Width, int Height);

  TColor color_ = clSilver, colorTo_ = clGray, colorMirror_ = clNone, colorMirrorTo_ = clNone;
  TLumGradientType gradientType_ = gtVertical, gradientMirrorType_ = gtSolid;
  THatchStyle hatchStyle_ = HatchStyleHorizontal, hatchStyleMirror_ = HatchStyleHorizontal;
  TFillPictureMode backGroundPictureMode_ = pmOutsideFill;
  TFillPicturePosition backGroundPicturePosition_ = ppTopLeft;
  int backGroundPictureLeft_ = 0, backGroundPictureTop_ = 0;
  TFillPicturePosition picturePosition_ = ppTopLeft;
  int pictureLeft_ = 0, pictureTop_ = 0;
  TFillPictureSize pictureSize_ = psOriginal;
  int pictureWidth_ = 50, pictureHeight_ = 50;
  Byte opacity_ = 255, opacityTo_ = 255, opacityMirror_ = 255, opacityMirrorTo_ = 255;
  TColor borderColor_ = clNone;
  Byte borderOpacity_ = 255;
  int borderWidth_ = 1;
  int rounding_ = 0;
  TFillRoundingType roundingType_ = rtBoth;
  TColor shadowColor_ = clGray;
  int shadowOffset_ = 0;
  int angle_ = 0;
  std::unique_ptr<TLumGDIPPicture> backGroundPicture_, picture_;
  bool focus_ = false;
  TColor focusColor_ = clBlack;
  int updateCount_ = 0;
};

}  // namespace orv
