#include "controls/GDIPFill.h"

#include <cmath>

#include "platform/rtl/Exceptions.h"

namespace orv {

const TClipboardFormat CF_GDIPFILL = RegisterClipboardFormat("GDI+ Fill");

std::unique_ptr<TGPGraphicsPath> CreateRoundRectangle(const TGPRectF& R, int Radius,
                                                      TFillRoundingType RoundingType) {
  auto path = std::make_unique<TGPGraphicsPath>(FillModeAlternate);
  float x = R.X, y = R.Y, right = R.X + R.Width, bottom = R.Y + R.Height;
  float d = 2.0f * Radius;
  bool tl = false, tr = false, br = false, bl = false;
  switch (RoundingType) {
    case rtNone: break;
    case rtTop: tl = tr = true; break;
    case rtBottom: br = bl = true; break;
    case rtBoth: tl = tr = br = bl = true; break;
    case rtLeft: tl = bl = true; break;
    case rtRight: tr = br = true; break;
  }
  // A radius of 0 or less has no arc to draw: every corner is sharp.
  if (Radius <= 0) tl = tr = br = bl = false;
  if (tl) path->AddArc(x, y, d, d, 180, 90);
  path->AddLine(tl ? x + Radius : x, y, tr ? right - Radius : right, y);
  if (tr) path->AddArc(right - d, y, d, d, 270, 90);
  path->AddLine(right, tr ? y + Radius : y, right, br ? bottom - Radius : bottom);
  if (br) path->AddArc(right - d, bottom - d, d, d, 0, 90);
  path->AddLine(br ? right - Radius : right, bottom, bl ? x + Radius : x, bottom);
  if (bl) path->AddArc(x, bottom - d, d, d, 90, 90);
  path->AddLine(x, bl ? bottom - Radius : bottom, x, tl ? y + Radius : y);
  path->CloseFigure();
  return path;
}

void DrawGradient(const TDrawGradientParams& P) {
  TGPGraphics& g = *P.Graphics;
  ARGB from = MakeColor(P.OpacityFrom, P.ColorFrom), to = MakeColor(P.OpacityTo, P.ColorTo);
  TGPRectF grown = MakeRect(P.Rect.X - 1, P.Rect.Y - 1, P.Rect.Width + 2, P.Rect.Height + 2);
  auto fill = [&](const TGPBrush& brush) {
    if (P.Path)
      g.FillPath(brush, *P.Path);
    else
      g.FillRectangle(brush, P.Rect);
  };
  switch (P.GradientType) {
    case gtSolid:
      fill(TGPSolidBrush(from));
      break;
    case gtVertical:
    case gtHorizontal:
    case gtForwardDiagonal:
    case gtBackwardDiagonal: {
      static const TLinearGradientMode kModes[] = {LinearGradientModeVertical, LinearGradientModeHorizontal,
                                                   LinearGradientModeForwardDiagonal,
                                                   LinearGradientModeBackwardDiagonal};
      TGPLinearGradientBrush brush(grown, from, to, kModes[P.GradientType - gtVertical]);
      brush.SetGammaCorrection(true);
      fill(brush);
      if (P.Mirror) g.FillRectangle(TGPSolidBrush(from), MakeRect(P.Rect.X, P.Rect.Y, P.Rect.Width, 1));
      break;
    }
    case gtAngle: {
      TGPLinearGradientBrush brush(grown, from, to, P.Angle);
      brush.SetGammaCorrection(true);
      fill(brush);
      break;
    }
    case gtHatch:
      fill(TGPHatchBrush(P.HatchStyle, from, to));
      break;
    case gtTexture:
      if (P.Texture)
        if (std::unique_ptr<TGPTextureBrush> brush = P.Texture->CreateTextureBrush()) fill(*brush);
      break;
    case gtRadial:
    case gtPath:
    case gtNone:
      break;
  }
  if (P.BorderColor != clNone) {
    TGPPen pen(MakeColor(P.OpacityFrom, P.BorderColor), float(P.BorderWidth));
    pen.SetDashStyle(P.BorderDash);
    if (P.Path)
      g.DrawPath(pen, *P.Path);
    else
      g.DrawRectangle(pen, P.Rect);
  }
}

bool PicturePlacement(const TRect& T, int w, int h, TFillPicturePosition Position, int CustomLeft,
                      int CustomTop, TRect& Dest) {
  int cx = T.Left + (T.Right - T.Left - w) / 2, cy = T.Top + (T.Bottom - T.Top - h) / 2;
  int x = T.Left, y = T.Top;
  switch (Position) {
    case ppTopLeft: break;
    case ppTopCenter: x = cx; break;
    case ppTopRight: x = T.Right - w; break;
    case ppBottomLeft: y = T.Bottom - h; break;
    case ppBottomCenter: x = cx; y = T.Bottom - h; break;
    case ppBottomRight: x = T.Right - w; y = T.Bottom - h; break;
    case ppStretched: Dest = T; return true;
    case ppCenterLeft: y = cy; break;
    case ppCenterCenter: x = cx; y = cy; break;
    case ppCenterRight: x = T.Right - w; y = cy; break;
    case ppCustom: x = CustomLeft; y = CustomTop; break;
    case ppTiled: return false;
  }
  Dest = Rect(x, y, x + w, y + h);
  return true;
}

TGDIPFill::TGDIPFill()
    : backGroundPicture_(std::make_unique<TLumGDIPPicture>()), picture_(std::make_unique<TLumGDIPPicture>()) {
  backGroundPicture_->OnChange = [this](TObject*) { Changed(); };
  picture_->OnChange = [this](TObject*) { Changed(); };
}

TGDIPFill::~TGDIPFill() {
  backGroundPicture_->OnChange = nullptr;
  picture_->OnChange = nullptr;
}

void TGDIPFill::Changed() {
  if (OnChange && updateCount_ == 0) OnChange(this);
}

void TGDIPFill::SetBackGroundPicture(TLumGDIPPicture* Value) {
  if (Value != backGroundPicture_.get()) backGroundPicture_->Assign(Value);
  Changed();
}

void TGDIPFill::SetPicture(TLumGDIPPicture* Value) {
  if (Value != picture_.get()) picture_->Assign(Value);
  Changed();
}

void TGDIPFill::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TGDIPFill*>(Source);
  if (!s) throw EInvalidCast("Invalid class typecast");
  SetColor(s->color_);
  SetColorTo(s->colorTo_);
  SetColorMirror(s->colorMirror_);
  SetColorMirrorTo(s->colorMirrorTo_);
  SetGradientType(s->gradientType_);
  SetGradientMirrorType(s->gradientMirrorType_);
  SetHatchStyle(s->hatchStyle_);
  SetHatchStyleMirror(s->hatchStyleMirror_);
  backGroundPicture_->Assign(s->backGroundPicture_.get());
  SetBackGroundPicturePosition(s->backGroundPicturePosition_);
  SetBackGroundPictureLeft(s->backGroundPictureLeft_);
  SetBackGroundPictureTop(s->backGroundPictureTop_);
  picture_->Assign(s->picture_.get());
  SetPicturePosition(s->picturePosition_);
  SetPictureLeft(s->pictureLeft_);
  SetPictureTop(s->pictureTop_);
  SetPictureSize(s->pictureSize_);
  SetPictureWidth(s->pictureWidth_);
  SetPictureHeight(s->pictureHeight_);
  SetOpacity(s->opacity_);
  SetOpacityTo(s->opacityTo_);
  SetOpacityMirror(s->opacityMirror_);
  SetOpacityMirrorTo(s->opacityMirrorTo_);
  SetBorderColor(s->borderColor_);
  SetBorderWidth(s->borderWidth_);
  SetRounding(s->rounding_);
  SetRoundingType(s->roundingType_);
  SetShadowColor(s->shadowColor_);
  SetShadowOffset(s->shadowOffset_);
  SetAngle(s->angle_);
  SetBorderOpacity(s->borderOpacity_);
  SetBackGroundPictureMode(s->backGroundPictureMode_);
}

void TGDIPFill::PaintHalf(TGPGraphics& Graphics, const TGPRectF& R, TColor From, TColor To, Byte OpacityFrom,
                          Byte OpacityTo, TLumGradientType Type, THatchStyle Hatch, bool Mirror) {
  if (From == clNone) return;
  if (To == clNone) Type = gtSolid;
  std::unique_ptr<TGPGraphicsPath> path;
  if (rounding_ > 0) {
    TFillRoundingType rounding = roundingType_;
    // Each half of a mirrored fill keeps only its own corners; the rule follows ColorMirror,
    // so a hatch or texture body with a mirror colour set is rounded at the top only.
    if (colorMirror_ != clNone) {
      if (!Mirror && (rounding == rtNone || rounding == rtBottom)) rounding = rtNone;
      if (!Mirror && (rounding == rtTop || rounding == rtBoth)) rounding = rtTop;
      if (Mirror && (rounding == rtNone || rounding == rtTop)) rounding = rtNone;
      if (Mirror && (rounding == rtBottom || rounding == rtBoth)) rounding = rtBottom;
    }
    path = CreateRoundRectangle(R, rounding_, rounding);
  }
  TDrawGradientParams p;
  p.Graphics = &Graphics;
  p.Path = path.get();
  p.Rect = R;
  p.ColorFrom = From;
  p.ColorTo = To == clNone ? From : To;
  p.OpacityFrom = OpacityFrom;
  p.OpacityTo = OpacityTo;
  p.GradientType = Type;
  p.HatchStyle = Hatch;
  p.Mirror = Mirror;
  p.Angle = float(angle_);
  p.Texture = backGroundPicturePosition_ == ppTiled ? backGroundPicture_.get() : nullptr;
  int smoothing = Graphics.GetSmoothingMode();
  if (path) Graphics.SetSmoothingMode(SmoothingModeAntiAlias);
  DrawGradient(p);
  if (path && smoothing >= 0) Graphics.SetSmoothingMode(static_cast<TSmoothingMode>(smoothing));
}

void TGDIPFill::PaintRadial(TGPGraphics& Graphics, const TGPRectF& R, TColor From, TColor To, Byte OpacityFrom,
                            Byte OpacityTo, TFillRoundingType Rounding, bool GlowAtTop) {
  std::unique_ptr<TGPGraphicsPath> shape = CreateRoundRectangle(R, rounding_, Rounding);
  ARGB from = MakeColor(OpacityFrom, From), to = MakeColor(OpacityTo, To);
  Graphics.FillPath(TGPSolidBrush(GlowAtTop ? from : to), *shape);
  Graphics.SetClip(TGPRegion(*shape));
  TGPGraphicsPath ellipse;
  ellipse.AddEllipse(GlowAtTop ? MakeRect(R.X, R.Y - R.Height / 2, R.Width, 1.5f * R.Height)
                               : MakeRect(R.X, R.Y, R.Width, 1.5f * R.Height));
  TGPPathGradientBrush glow(ellipse);
  glow.SetCenterPoint(MakePoint(R.X + R.Width / 2, GlowAtTop ? R.Y : R.Y + R.Height));
  glow.SetCenterColor(GlowAtTop ? to : from);
  ARGB surround = GlowAtTop ? from : to;
  int count = 1;
  glow.SetSurroundColors(&surround, count);
  Graphics.FillRectangle(glow, R);
  Graphics.ResetClip();
}

void TGDIPFill::PaintPicture(TGPGraphics& Graphics, TLumGDIPPicture& Picture, const TGPRectF& R,
                             TFillPicturePosition Position, int Left, int Top, int Width, int Height) {
  if (Picture.Empty()) return;
  TRect target = Rect(int(std::lround(R.X)), int(std::lround(R.Y)), int(std::lround(R.X + R.Width)),
                      int(std::lround(R.Y + R.Height)));
  TRect dest;
  if (!PicturePlacement(target, Width, Height, Position, Left, Top, dest)) return;
  Picture.GDIPDraw(Graphics, MakeRect(float(dest.Left), float(dest.Top), float(dest.Right - dest.Left),
                                      float(dest.Bottom - dest.Top)));
}

TGPRectF TGDIPFill::Fill(TGPGraphics* Graphics, TGPRectF R, Byte BorderOpacity, Byte Opacity, Byte OpacityTo,
                         Byte OpacityMirror, Byte OpacityMirrorTo) {
  // Without a surface there is nothing to paint, the hairline case included.
  if (!Graphics) return R;
  TGPGraphics& g = *Graphics;
  Byte bo = BorderOpacity != 255 ? BorderOpacity : borderOpacity_;
  Byte o = Opacity != 255 ? Opacity : opacity_;
  Byte ot = OpacityTo != 255 ? OpacityTo : opacityTo_;
  Byte om = OpacityMirror != 255 ? OpacityMirror : opacityMirror_;
  Byte omt = OpacityMirrorTo != 255 ? OpacityMirrorTo : opacityMirrorTo_;
  bool border = borderWidth_ >= 1 && borderColor_ != clNone;

  if ((R.Height == 1.0f || R.Width == 1.0f) && border) {
    g.DrawLine(TGPPen(MakeColor(bo, borderColor_), float(borderWidth_)), R.X, R.Y, R.X + R.Width, R.Y + R.Height);
  } else {
    if (shadowOffset_ >= 1 && shadowColor_ != clNone) {
      std::unique_ptr<TGPGraphicsPath> path = CreateRoundRectangle(R, rounding_, roundingType_);
      TGPPathGradientBrush shadow(*path);
      shadow.SetWrapMode(WrapModeClamp);
      ARGB colors[] = {0, MakeColor(180, shadowColor_), MakeColor(180, shadowColor_)};
      float positions[] = {0, 0.1f, 1.0f};
      shadow.SetInterpolationColors(colors, positions, 3);
      g.FillPath(shadow, *path);
      R.Width -= float(shadowOffset_);
      R.Height -= float(shadowOffset_);
    }

    if (colorMirror_ != clNone && gradientType_ != gtHatch && gradientType_ != gtTexture) {
      float h = R.Height / 2;
      TGPRectF top = MakeRect(R.X, R.Y, R.Width, R.Height - h + 1);
      TGPRectF bottom = MakeRect(R.X, R.Y + h - 1, R.Width, R.Height - h + 1);
      if (gradientType_ == gtRadial) {
        if (color_ != clNone)
          PaintRadial(g, top, color_, colorTo_ == clNone ? color_ : colorTo_, o, ot, rtTop, true);
      } else {
        PaintHalf(g, top, color_, colorTo_, o, ot, gradientType_, hatchStyle_, false);
      }
      if (gradientMirrorType_ == gtRadial) {
        if (colorMirror_ != clNone)
          PaintRadial(g, bottom, colorMirror_, colorMirrorTo_ == clNone ? colorMirror_ : colorMirrorTo_, om, omt,
                      rtBottom, false);
      } else {
        PaintHalf(g, bottom, colorMirror_, colorMirrorTo_, om, omt, gradientMirrorType_, hatchStyleMirror_, true);
      }
    } else if (gradientType_ == gtRadial) {
      if (color_ != clNone) PaintRadial(g, R, color_, colorTo_ == clNone ? color_ : colorTo_, o, ot, roundingType_, true);
    } else {
      PaintHalf(g, R, color_, colorTo_, o, ot, gradientType_, hatchStyle_, false);
    }

    if (backGroundPictureMode_ == pmInsideFill && gradientType_ == gtTexture && !backGroundPicture_->Empty()) {
      g.SetClip(TGPRegion(*CreateRoundRectangle(R, rounding_, roundingType_)));
      PaintPicture(g, *backGroundPicture_, R, backGroundPicturePosition_, backGroundPictureLeft_,
                   backGroundPictureTop_, backGroundPicture_->Width(), backGroundPicture_->Height());
      g.ResetClip();
    }
    if (border)
      g.DrawPath(TGPPen(MakeColor(bo, borderColor_), float(borderWidth_)),
                 *CreateRoundRectangle(R, rounding_, roundingType_));
  }

  float bw = float(borderWidth_);
  TGPRectF inner = MakeRect(R.X + bw, R.Y + bw, R.Width - 2 * bw, R.Height - 2 * bw);
  if (focus_) {
    g.SetSmoothingMode(SmoothingModeDefault);
    TGPPen pen(MakeColor(o, focusColor_), 1);
    pen.SetDashStyle(DashStyleDot);
    g.DrawPath(pen, *CreateRoundRectangle(inner, rounding_ - borderWidth_, roundingType_));
  }
  if (backGroundPictureMode_ == pmOutsideFill && gradientType_ == gtTexture && !backGroundPicture_->Empty())
    PaintPicture(g, *backGroundPicture_, R, backGroundPicturePosition_, backGroundPictureLeft_,
                 backGroundPictureTop_, backGroundPicture_->Width(), backGroundPicture_->Height());
  if (!picture_->Empty()) {
    bool custom = pictureSize_ == psCustom;
    PaintPicture(g, *picture_, R, picturePosition_, pictureLeft_, pictureTop_,
                 custom ? pictureWidth_ : picture_->Width(), custom ? pictureHeight_ : picture_->Height());
  }
  return R;
}

ORV_IMPLEMENT_CLASS(TGDIPFill, c) {
  c.Prop("Color", &TGDIPFill::Color, &TGDIPFill::SetColor).Default(clSilver);
  c.Prop("ColorTo", &TGDIPFill::ColorTo, &TGDIPFill::SetColorTo).Default(clGray);
  c.Prop("ColorMirror", &TGDIPFill::ColorMirror, &TGDIPFill::SetColorMirror).NoDefault();
  c.Prop("ColorMirrorTo", &TGDIPFill::ColorMirrorTo, &TGDIPFill::SetColorMirrorTo).NoDefault();
  c.Prop("GradientType", &TGDIPFill::GradientType, &TGDIPFill::SetGradientType).Default(gtVertical);
  c.Prop("GradientMirrorType", &TGDIPFill::GradientMirrorType, &TGDIPFill::SetGradientMirrorType).Default(gtSolid);
  c.Prop("HatchStyle", &TGDIPFill::HatchStyle, &TGDIPFill::SetHatchStyle).Default(HatchStyleHorizontal);
  c.Prop("HatchStyleMirror", &TGDIPFill::HatchStyleMirror, &TGDIPFill::SetHatchStyleMirror)
      .Default(HatchStyleHorizontal);
  c.Prop("BackGroundPictureMode", &TGDIPFill::BackGroundPictureMode, &TGDIPFill::SetBackGroundPictureMode)
      .Default(pmOutsideFill);
  c.Prop("BackGroundPicture", &TGDIPFill::BackGroundPicture, &TGDIPFill::SetBackGroundPicture);
  c.Prop("BackGroundPicturePosition", &TGDIPFill::BackGroundPicturePosition,
         &TGDIPFill::SetBackGroundPicturePosition)
      .Default(ppTopLeft);
  c.Prop("BackGroundPictureLeft", &TGDIPFill::BackGroundPictureLeft, &TGDIPFill::SetBackGroundPictureLeft).Default(0);
  c.Prop("BackGroundPictureTop", &TGDIPFill::BackGroundPictureTop, &TGDIPFill::SetBackGroundPictureTop).Default(0);
  c.Prop("Picture", &TGDIPFill::Picture, &TGDIPFill::SetPicture);
  c.Prop("PicturePosition", &TGDIPFill::PicturePosition, &TGDIPFill::SetPicturePosition).Default(ppTopLeft);
  c.Prop("PictureLeft", &TGDIPFill::PictureLeft, &TGDIPFill::SetPictureLeft).Default(0);
  c.Prop("PictureTop", &TGDIPFill::PictureTop, &TGDIPFill::SetPictureTop).Default(0);
  c.Prop("PictureSize", &TGDIPFill::PictureSize, &TGDIPFill::SetPictureSize).Default(psOriginal);
  c.Prop("PictureWidth", &TGDIPFill::PictureWidth, &TGDIPFill::SetPictureWidth).Default(50);
  c.Prop("PictureHeight", &TGDIPFill::PictureHeight, &TGDIPFill::SetPictureHeight).Default(50);
  c.Prop("Opacity", &TGDIPFill::Opacity, &TGDIPFill::SetOpacity).Default(255);
  c.Prop("OpacityTo", &TGDIPFill::OpacityTo, &TGDIPFill::SetOpacityTo).Default(255);
  c.Prop("OpacityMirror", &TGDIPFill::OpacityMirror, &TGDIPFill::SetOpacityMirror).Default(255);
  c.Prop("OpacityMirrorTo", &TGDIPFill::OpacityMirrorTo, &TGDIPFill::SetOpacityMirrorTo).Default(255);
  c.Prop("BorderColor", &TGDIPFill::BorderColor, &TGDIPFill::SetBorderColor).Default(clNone);
  c.Prop("BorderOpacity", &TGDIPFill::BorderOpacity, &TGDIPFill::SetBorderOpacity).Default(255);
  c.Prop("BorderWidth", &TGDIPFill::BorderWidth, &TGDIPFill::SetBorderWidth).Default(1);
  c.Prop("Rounding", &TGDIPFill::Rounding, &TGDIPFill::SetRounding).NoDefault();
  c.Prop("RoundingType", &TGDIPFill::RoundingType, &TGDIPFill::SetRoundingType).Default(rtBoth);
  c.Prop("ShadowColor", &TGDIPFill::ShadowColor, &TGDIPFill::SetShadowColor).Default(clGray);
  c.Prop("ShadowOffset", &TGDIPFill::ShadowOffset, &TGDIPFill::SetShadowOffset).NoDefault();
  c.Prop("Angle", &TGDIPFill::Angle, &TGDIPFill::SetAngle).Default(0);
  c.Event("OnChange", &TGDIPFill::OnChange);
}

}  // namespace orv
