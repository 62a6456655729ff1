#include "platform/gui/Graphics.h"

#include <cmath>

namespace orv {

namespace {
// MulDiv as the class library rounds it: half away from zero.
int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  return static_cast<int>(std::lround(static_cast<double>(number) * numerator / denominator));
}
}  // namespace

ORV_IMPLEMENT_CLASS(TFont, c) {
  c.Prop("Charset", &TFont::Charset, &TFont::SetCharset).Default(DEFAULT_CHARSET);
  c.Prop("Color", &TFont::Color, &TFont::SetColor).Default(clWindowText);
  c.Prop("Height", &TFont::Height, &TFont::SetHeight);
  c.Prop("Name", &TFont::Name, &TFont::SetName);
  c.Prop("Orientation", &TFont::Orientation, &TFont::SetOrientation).Default(0);
  c.Prop("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
  c.Prop("Size", &TFont::Size, &TFont::SetSize).Stored(false);
  c.Prop("Style", &TFont::Style, &TFont::SetStyle).Default(TFontStyles());
}

TFont::TFont() { data_.Height = -MulDiv(8, pixelsPerInch_, 72); }

void TFont::Assign(TPersistent* source) {
  if (auto* f = dynamic_cast<TFont*>(source)) {
    // Height travels through Size, so a font copied to a device of another resolution keeps
    // its point size.
    TFontData d = f->data_;
    if (f->pixelsPerInch_ != pixelsPerInch_) d.Height = MulDiv(d.Height, pixelsPerInch_, f->pixelsPerInch_);
    SetData(d);
    return;
  }
  TPersistent::Assign(source);
}

void TFont::Changed() {
  if (OnChange) OnChange(this);
}

void TFont::SetData(const TFontData& data) {
  if (data == data_) return;
  data_ = data;
  Changed();
}

void TFont::SetName(const String& name) {
  if (name.empty() || name == data_.Name) return;
  data_.Name = name;
  Changed();
}

int TFont::Size() const { return -MulDiv(data_.Height, 72, pixelsPerInch_); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, pixelsPerInch_, 72)); }

void TFont::SetHeight(int height) {
  if (height == data_.Height) return;
  data_.Height = height;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == data_.Style) return;
  data_.Style = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == data_.Color) return;
  data_.Color = color;
  Changed();
}

void TFont::SetCharset(TFontCharset charset) {
  if (charset == data_.Charset) return;
  data_.Charset = charset;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == data_.Pitch) return;
  data_.Pitch = pitch;
  Changed();
}

void TFont::SetOrientation(int tenthsOfDegree) {
  if (tenthsOfDegree == data_.Orientation) return;
  data_.Orientation = tenthsOfDegree;
  Changed();
}

void TFont::SetPixelsPerInch(int ppi) {
  if (ppi > 0) pixelsPerInch_ = ppi;
}

ORV_IMPLEMENT_CLASS(TPen, c) {
  c.Prop("Color", &TPen::Color, &TPen::SetColor).Default(clBlack);
  c.Prop("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
  c.Prop("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
  c.Prop("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

TPen::TPen() = default;

void TPen::Assign(TPersistent* source) {
  if (auto* p = dynamic_cast<TPen*>(source)) {
    SetData(p->data_);
    return;
  }
  TPersistent::Assign(source);
}

void TPen::Changed() {
  if (OnChange) OnChange(this);
}

void TPen::SetData(const TPenData& data) {
  if (data == data_) return;
  data_ = data;
  Changed();
}

void TPen::SetColor(TColor color) {
  if (color == data_.Color) return;
  data_.Color = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width < 0) width = 0;
  if (width == data_.Width) return;
  data_.Width = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == data_.Style) return;
  data_.Style = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == data_.Mode) return;
  data_.Mode = mode;
  Changed();
}

void TPen::SetEndCap(TPenEndCap cap) {
  if (cap == data_.EndCap) return;
  data_.EndCap = cap;
  Changed();
}

void TPen::SetDashPattern(std::vector<int> pattern) {
  if (pattern == data_.DashPattern) return;
  data_.DashPattern = std::move(pattern);
  Changed();
}

ORV_IMPLEMENT_CLASS(TBrush, c) {
  c.Prop("Color", &TBrush::Color, &TBrush::SetColor).Default(clWhite);
  c.Prop("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

TBrush::TBrush() = default;

void TBrush::Assign(TPersistent* source) {
  if (auto* b = dynamic_cast<TBrush*>(source)) {
    SetData(b->data_);
    return;
  }
  TPersistent::Assign(source);
}

void TBrush::Changed() {
  if (OnChange) OnChange(this);
}

void TBrush::SetData(const TBrushData& data) {
  if (data == data_) return;
  data_ = data;
  Changed();
}

void TBrush::SetColor(TColor color) {
  if (color == data_.Color) return;
  data_.Color = color;
  // As the class library does: clNone clears the brush, a colour makes a clear brush solid.
  if (color == clNone) data_.Style = bsClear;
  else if (data_.Style == bsClear) data_.Style = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == data_.Style) return;
  data_.Style = style;
  Changed();
}

}  // namespace orv
