#include "controls/GDIPButton.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

constexpr int kCornerRadius = 8;

TColor Shade(TColor Color, int Delta) {
  TColor c = ColorToRGB(Color);
  auto clamp = [](int v) { return std::clamp(v, 0, 255); };
  return RGB(clamp(GetRValue(c) + Delta), clamp(GetGValue(c) + Delta), clamp(GetBValue(c) + Delta));
}

struct TCorners {
  bool TopLeft, TopRight, BottomRight, BottomLeft;
};

TCorners CornersOf(TFillRoundingType Type) {
  switch (Type) {
    case rtNone: return {false, false, false, false};
    case rtTop: return {true, true, false, false};
    case rtBottom: return {false, false, true, true};
    case rtBoth: return {true, true, true, true};
    case rtLeft: return {true, false, false, true};
    case rtRight: return {false, true, true, false};
  }
  return {true, true, true, true};
}

TStringAlignment ToStringAlignment(TAlignment Alignment) {
  return Alignment == taRightJustify ? StringAlignmentFar
         : Alignment == taCenter     ? StringAlignmentCenter
                                     : StringAlignmentNear;
}

// A side tab turns the picture's place with it.
TGDIPButtonLayout TurnedLayout(TGDIPButtonLayout Layout, bool SideLeft) {
  static const TGDIPButtonLayout kLeft[] = {blPictureBottom, blPictureTop, blPictureRight, blPictureLeft};
  static const TGDIPButtonLayout kRight[] = {blPictureTop, blPictureBottom, blPictureRight, blPictureLeft};
  return SideLeft ? kLeft[Layout] : kRight[Layout];
}

}  // namespace

TColor DarkenColor(TColor Color) {
  TColor c = ColorToRGB(Color);
  double r = GetRValue(c) / 255.0, g = GetGValue(c) / 255.0, b = GetBValue(c) / 255.0;
  double max = std::max({r, g, b}), min = std::min({r, g, b});
  double v = max, s = max > 0 ? (max - min) / max : 0, h = 0;
  if (s > 0) {
    double d = max - min;
    if (max == r) h = (g - b) / d;
    else if (max == g) h = 2 + (b - r) / d;
    else h = 4 + (r - g) / d;
    h *= 60;
    if (h < 0) h += 360;
  }
  v *= 0.8;
  double R = v, G = v, B = v;
  if (s > 0) {
    double hh = h / 60;
    int i = static_cast<int>(std::floor(hh)) % 6;
    double f = hh - std::floor(hh), p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (i) {
      case 0: R = v, G = t, B = p; break;
      case 1: R = q, G = v, B = p; break;
      case 2: R = p, G = v, B = t; break;
      case 3: R = p, G = q, B = v; break;
      case 4: R = t, G = p, B = v; break;
      default: R = v, G = p, B = q; break;
    }
  }
  return RGB(int(std::lround(R * 255)), int(std::lround(G * 255)), int(std::lround(B * 255)));
}

TGPFont MakeGPFont(const TFont& Font) {
  int style = (Font.Style().Contains(fsBold) ? 1 : 0) | (Font.Style().Contains(fsItalic) ? 2 : 0) |
              (Font.Style().Contains(fsUnderline) ? 4 : 0);
  return TGPFont(Font.Name(), float(Font.Size()), style);
}

// ---- face ----

TGDIPButton::TGDIPButton() : font_(std::make_unique<TFont>()) {
  font_->SetName("Tahoma");
  font_->OnChange = [this](TObject*) {
    Changed();
    if (OnFontChange) OnFontChange(this);
  };
}

TGDIPButton::~TGDIPButton() { font_->OnChange = nullptr; }

void TGDIPButton::Changed() {
  if (OnChange) OnChange(this);
}

void TGDIPButton::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  Changed();
}

void TGDIPButton::SetLayout(TGDIPButtonLayout Value) {
  if (layout_ == Value) return;
  layout_ = Value;
  Changed();
}

void TGDIPButton::SetSpacing(int Value) {
  if (spacing_ == Value) return;
  spacing_ = Value;
  Changed();
}

void TGDIPButton::SetShiftDown(int Value) {
  if (shiftDown_ == Value) return;
  shiftDown_ = Value;
  Changed();
}

bool TGDIPButton::FontStored() const {
  bool stored = true;
  if (OnIsFontStored) OnIsFontStored(const_cast<TGDIPButton*>(this), stored);
  return stored;
}

void TGDIPButton::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TGDIPButton*>(Source);
  if (!s) return;
  font_->Assign(s->font_.get());
  layout_ = s->layout_;
  spacing_ = s->spacing_;
  shiftDown_ = s->shiftDown_;
  alignment_ = s->alignment_;
  Changed();
}

void TGDIPButton::Draw(TGPGraphics& G, const TGDIPButtonFace& Face) {
  int left = Face.Left, top = Face.Top, width = Face.Width, height = Face.Height;
  int hs = Face.HorizontalSpacing, vs = Face.VerticalSpacing;
  TColor c = Face.Color;
  if (Face.Down) c = Face.ColorDown == clNone ? DarkenColor(Face.Color) : Face.ColorDown;

  if (Face.Shadow) {
    std::unique_ptr<TGPGraphicsPath> path = CreateRoundRectangle(
        MakeRect(float(left + hs + 2), float(top + vs + 2), float(width - 4 - 2 * hs), float(height - 2 - 2 * vs)),
        kCornerRadius, Face.RoundingType);
    TGPPathGradientBrush shadow(*path);
    shadow.SetWrapMode(WrapModeClamp);
    ARGB colors[] = {0, MakeARGB(180, 0, 0, 0), MakeARGB(180, 0, 0, 0)};
    float positions[] = {0, 0.1f, 1.0f};
    shadow.SetInterpolationColors(colors, positions, 3);
    G.FillPath(shadow, *path);
    height -= 4;
    width -= 6;
  }

  float fl = float(left + hs), ft = float(top + vs), fr = float(left + width - 1 - hs), fb = float(top + height - vs);
  float m = float(top + height / 2), d = float(height / 6), r = float(kCornerRadius), dd = 2 * r;
  float w = fr - fl;
  TCorners corners = CornersOf(Face.RoundingType);

  G.FillRectangle(TGPSolidBrush(ColorToARGB(Shade(c, -40))), MakeRect(fl, m - d, float(width - 1 - 2 * hs), 2 * d));

  // The dividing arc: through both sides at m - d, touching m in the middle.
  auto addArc = [&](TGPGraphicsPath& path, bool leftToRight) {
    if (d <= 0 || w <= 0) {
      if (leftToRight)
        path.AddLine(fl, m - d, fr, m - d);
      else
        path.AddLine(fr, m - d, fl, m - d);
      return;
    }
    float radius = ((w / 2) * (w / 2) + d * d) / (2 * d);
    float half = float(std::atan2(w / 2, radius - d) * 180 / M_PI);
    TGPRectF box = MakeRect(fl + w / 2 - radius, m - 2 * radius, 2 * radius, 2 * radius);
    if (leftToRight)
      path.AddArc(box, 90 + half, -2 * half);
    else
      path.AddArc(box, 90 - half, 2 * half);
  };

  {
    TGPGraphicsPath lower;
    addArc(lower, true);
    if (corners.BottomRight) {
      lower.AddArc(fr - dd, fb - dd, dd, dd, 0, 90);
    } else {
      lower.AddLine(fr, m - d, fr, fb);
    }
    if (corners.BottomLeft) {
      lower.AddArc(fl, fb - dd, dd, dd, 90, 90);
    } else {
      lower.AddLine(fl, fb, fl, fb);
    }
    lower.CloseFigure();
    TGPRectF box = MakeRect(fl - 1, m - d - 1, w + 2, fb - (m - d) + 2);
    if (box.Height > 0 && box.Width > 0) {
      TGPLinearGradientBrush brush(box, 0, 0, LinearGradientModeVertical);
      ARGB colors[] = {ColorToARGB(Shade(c, -40)), ColorToARGB(Shade(c, 100)), ColorToARGB(Shade(c, 220))};
      float positions[] = {0, 0.9f, 1.0f};
      brush.SetInterpolationColors(colors, positions, 3);
      G.FillPath(brush, lower);
    }
  }
  {
    TGPGraphicsPath upper;
    if (corners.TopLeft)
      upper.AddArc(fl, ft, dd, dd, 180, 90);
    else
      upper.AddLine(fl, ft, fl, ft);
    if (corners.TopRight)
      upper.AddArc(fr - dd, ft, dd, dd, 270, 90);
    else
      upper.AddLine(fr, ft, fr, ft);
    upper.AddLine(fr, corners.TopRight ? ft + r : ft, fr, m - d);
    addArc(upper, false);
    upper.CloseFigure();
    TGPRectF box = MakeRect(fl - 1, ft - 1, w + 2, m - ft + 2);
    if (box.Height > 0 && box.Width > 0) {
      TGPLinearGradientBrush brush(box, 0, 0, LinearGradientModeVertical);
      ARGB colors[] = {ColorToARGB(Shade(c, 220)), ColorToARGB(Shade(c, 100)), ColorToARGB(c)};
      float positions[] = {0, 0.2f, 1.0f};
      brush.SetInterpolationColors(colors, positions, 3);
      G.FillPath(brush, upper);
    }
  }

  if (Face.Bevel) {
    TGPGraphicsPath rim(FillModeAlternate);
    rim.AddPath(*CreateRoundRectangle(MakeRect(fl, ft, w, fb - ft), 7, Face.RoundingType));
    rim.AddPath(*CreateRoundRectangle(MakeRect(fl + 2, ft + 2, w - 4, fb - ft - 4), 7, Face.RoundingType));
    G.FillPath(TGPSolidBrush(MakeColor(160, Face.BevelColor)), rim);
  }

  bool hasPicture = Face.Picture && !Face.Picture->Empty();
  int pw = hasPicture ? Face.Picture->Width() : 0, ph = hasPicture ? Face.Picture->Height() : 0;
  TGDIPButtonLayout layout = Face.SideTab ? TurnedLayout(layout_, Face.SideLeft) : layout_;
  int shift = Face.Down ? shiftDown_ : 0;
  float tw = 0, th = 0;
  TGPPointF p = MakePoint(0, 0);
  bool hasCaption = !Face.Caption.empty();
  if (hasCaption) {
    // The face is inset by the spacing on both sides, so the text area is too.
    TGPRectF a = MakeRect(float(left + hs + shift), float(top + vs + shift), float(width - 2 * hs - 4),
                          float(height - 2 * vs));
    if (hasPicture) {
      a.X += 2;
      if (layout == blPictureLeft || layout == blPictureRight)
        a.Width -= float(pw + spacing_);
      else
        a.Height -= float(ph + spacing_);
      if (spacing_ % 2) a.Width -= 1;
    }
    TGPFont font = MakeGPFont(*font_);
    TGPStringFormat format;
    format.SetAlignment(ToStringAlignment(alignment_));
    format.SetLineAlignment(ToStringAlignment(alignment_));
    format.SetHotkeyPrefix(HotkeyPrefixShow);
    if (Face.SideTab) {
      tw = float(Face.TextWidth);
      th = float(Face.TextHeight);
    } else {
      TGPRectF bounds;
      G.MeasureString(Face.Caption, font, a, format, bounds);
      tw = bounds.Width;
      th = bounds.Height;
    }
    if (!hasPicture) {
      // Centred on the face, which is centred in the control whatever its inset.
      p = MakePoint((width - tw) / 2 + left + shift, (height - th) / 2 + top + shift);
    } else {
      p = MakePoint((a.Width - tw) / 2 + a.X, (a.Height - th) / 2 + a.Y);
      if (layout == blPictureLeft) p.X = std::max(p.X, float(spacing_)) + pw + spacing_;
      if (layout == blPictureRight) p.X = std::max(p.X, float(spacing_));
      if (layout == blPictureTop) p.Y += float(ph + spacing_);
    }
    if (!Face.SideTab) {
      G.SetTextRenderingHint(TextRenderingHintClearTypeGridFit);
      G.DrawString(Face.Caption, font, MakeRect(p.X, p.Y, tw + 1, th), format,
                   TGPSolidBrush(ColorToARGB(font_->Color())));
      G.SetTextRenderingHint(TextRenderingHintAntiAlias);
    }
  }
  if (hasPicture) {
    int px = (width - pw) / 2 + shift, py = (height + vs - ph) / 2 + shift;
    float x = float(left + px), y = float(top + py);
    if (hasCaption) {
      switch (layout) {
        case blPictureLeft: x = std::round(p.X - pw - spacing_); break;
        case blPictureRight: x = std::round(p.X + tw + spacing_); break;
        case blPictureBottom: y = std::round(p.Y + th + spacing_); break;
        case blPictureTop: y = std::round(p.Y - ph - spacing_); break;
      }
    }
    Face.Picture->GDIPDraw(G, MakeRect(x, y, float(pw), float(ph)));
  }
}

// ---- badge ----

TGDIPStatus::TGDIPStatus() : fill_(std::make_unique<TGDIPFill>()), font_(std::make_unique<TFont>()) {
  font_->SetName("Tahoma");
  fill_->OnChange = [this](TObject*) { Changed(); };
  font_->OnChange = [this](TObject*) { Changed(); };
}

TGDIPStatus::~TGDIPStatus() {
  fill_->OnChange = nullptr;
  font_->OnChange = nullptr;
}

void TGDIPStatus::Changed() {
  if (OnChange) OnChange(this);
}

void TGDIPStatus::SetSpacing(int Value) {
  if (spacing_ == Value) return;
  spacing_ = Value;
  Changed();
}

void TGDIPStatus::SetGlow(bool Value) {
  if (glow_ == Value) return;
  glow_ = Value;
  Changed();
}

void TGDIPStatus::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TGDIPStatus*>(Source);
  if (!s) return;
  fill_->Assign(s->fill_.get());
  font_->Assign(s->font_.get());
  glow_ = s->glow_;
  spacing_ = s->spacing_;
  Changed();
}

void TGDIPStatus::CalculateSize(TGPGraphics& Graphics, const String& Caption) {
  width_ = height_ = 0;
  if (!Caption.empty()) {
    TGPRectF bounds;
    TGPStringFormat format;
    Graphics.MeasureString(Caption, MakeGPFont(*font_), MakeRect(0, 0, 10000, 10000), format, bounds);
    height_ = int(std::lround(bounds.Height + 4));
    width_ = std::max(height_, int(std::lround(bounds.Width + 4))) + 2 * spacing_;
  }
  TLumGDIPPicture& picture = *fill_->Picture();
  if (!picture.Empty()) {
    bool custom = fill_->PictureSize() == psCustom;
    width_ = std::max(width_, custom ? fill_->PictureWidth() : picture.Width());
    height_ = std::max(height_, custom ? fill_->PictureHeight() : picture.Height());
  }
}

void TGDIPStatus::Draw(TGPGraphics& Graphics, int Left, int Top, int Width, int Height, bool UseCalculatedSize,
                       const String& Caption) {
  int w = UseCalculatedSize ? width_ : Width, h = UseCalculatedSize ? height_ : Height;
  float b = fill_->BorderColor() != clNone ? fill_->BorderWidth() / 2.0f : 0;
  TGPRectF r = MakeRect(float(Left), float(Top), w - 2 * b, h - 2 * b);
  fill_->BeginUpdate();
  fill_->SetRounding(int(std::lround(r.Height / 2)));
  fill_->Fill(&Graphics, r);
  fill_->EndUpdate();
  if (!Caption.empty()) {
    TGPFont font = MakeGPFont(*font_);
    TGPStringFormat format;
    TGPRectF bounds;
    Graphics.MeasureString(Caption, font, MakeRect(0, 0, 10000, 10000), format, bounds);
    Graphics.DrawString(Caption, font,
                        MakePoint(Left + spacing_ + (w - 2 * spacing_ - bounds.Width) / 2, Top + (h - bounds.Height) / 2),
                        format, TGPSolidBrush(MakeColor(255, font_->Color())));
  }
  if (glow_) {
    TGDIPFill glow;
    glow.SetColor(clWhite);
    glow.SetColorTo(clWhite);
    glow.SetGradientType(gtVertical);
    glow.SetOpacity(170);
    glow.SetOpacityTo(30);
    glow.SetRoundingType(rtTop);
    glow.SetRounding(fill_->Rounding());
    glow.Fill(&Graphics, MakeRect(r.X, r.Y, r.Width, r.Height / 2));
  }
}

ORV_IMPLEMENT_CLASS(TGDIPButton, c) {
  c.Prop("Alignment", &TGDIPButton::Alignment, &TGDIPButton::SetAlignment).Default(taLeftJustify);
  c.Prop("Font", &TGDIPButton::Font, &TGDIPButton::SetFont).Stored(&TGDIPButton::FontStored);
  c.Prop("Layout", &TGDIPButton::Layout, &TGDIPButton::SetLayout).Default(blPictureLeft);
  c.Prop("Spacing", &TGDIPButton::Spacing, &TGDIPButton::SetSpacing).Default(3);
  c.Prop("ShiftDown", &TGDIPButton::ShiftDown, &TGDIPButton::SetShiftDown).Default(1);
  c.Event("OnFontChange", &TGDIPButton::OnFontChange);
  c.Event("OnIsFontStored", &TGDIPButton::OnIsFontStored);
}

ORV_IMPLEMENT_CLASS(TGDIPStatus, c) {
  c.Prop("Fill", &TGDIPStatus::Fill, &TGDIPStatus::SetFill);
  c.Prop("Font", &TGDIPStatus::Font, &TGDIPStatus::SetFont);
  c.Prop("Spacing", &TGDIPStatus::Spacing, &TGDIPStatus::SetSpacing).Default(0);
  c.Prop("Glow", &TGDIPStatus::Glow, &TGDIPStatus::SetGlow).Default(true);
}

}  // namespace orv
