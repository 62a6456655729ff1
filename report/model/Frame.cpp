#include "report/model/Frame.h"

#include "platform/rtl/TypInfo.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TkvxFrameLine, c) {
  c.Prop("Color", &TkvxFrameLine::Color, &TkvxFrameLine::SetColor).Stored(&TkvxFrameLine::IsColorStored);
  c.Prop("Style", &TkvxFrameLine::Style, &TkvxFrameLine::SetStyle).Stored(&TkvxFrameLine::IsStyleStored);
  c.Prop("Width", &TkvxFrameLine::Width, &TkvxFrameLine::SetWidth).Stored(&TkvxFrameLine::IsWidthStored);
}

ORV_IMPLEMENT_CLASS(TkvxFrame, c) {
  c.Prop("Color", &TkvxFrame::Color, &TkvxFrame::SetColor).Default(0);
  c.Prop("DropShadow", &TkvxFrame::DropShadow, &TkvxFrame::SetDropShadow).Default(false);
  c.Prop("ShadowColor", &TkvxFrame::ShadowColor, &TkvxFrame::SetShadowColor).Default(0);
  c.Prop("ShadowWidth", &TkvxFrame::ShadowWidth, &TkvxFrame::SetShadowWidth)
      .Stored([](TkvxFrame& f) { return f.ShadowWidth() != 4; });
  c.Prop("Style", &TkvxFrame::Style, &TkvxFrame::SetStyle).Default(fsSolid);
  c.Prop("Typ", &TkvxFrame::Typ, &TkvxFrame::SetTyp).Stored([](TkvxFrame& f) { return !f.Typ().Empty(); });
  c.Prop("Width", &TkvxFrame::Width, &TkvxFrame::SetWidth).Stored([](TkvxFrame& f) { return f.Width() != 1; });
  c.Prop("LeftLine", &TkvxFrame::LeftLine);
  c.Prop("TopLine", &TkvxFrame::TopLine);
  c.Prop("RightLine", &TkvxFrame::RightLine);
  c.Prop("BottomLine", &TkvxFrame::BottomLine);
}

void TkvxFrameLine::Assign(TPersistent* source) {
  if (auto* line = dynamic_cast<TkvxFrameLine*>(source)) {
    color_ = line->color_;
    style_ = line->style_;
    width_ = line->width_;
    return;
  }
  TPersistent::Assign(source);
}

bool TkvxFrameLine::IsColorStored() const { return !frame_ || color_ != frame_->Color(); }
bool TkvxFrameLine::IsStyleStored() const { return !frame_ || style_ != frame_->Style(); }
bool TkvxFrameLine::IsWidthStored() const { return !frame_ || width_ != frame_->Width(); }

TkvxFrame::TkvxFrame()
    : left_(std::make_unique<TkvxFrameLine>(this)),
      top_(std::make_unique<TkvxFrameLine>(this)),
      right_(std::make_unique<TkvxFrameLine>(this)),
      bottom_(std::make_unique<TkvxFrameLine>(this)) {}

TkvxFrame::~TkvxFrame() = default;

void TkvxFrame::Assign(TPersistent* source) {
  if (auto* f = dynamic_cast<TkvxFrame*>(source)) {
    color_ = f->color_;
    dropShadow_ = f->dropShadow_;
    shadowColor_ = f->shadowColor_;
    shadowWidth_ = f->shadowWidth_;
    style_ = f->style_;
    typ_ = f->typ_;
    width_ = f->width_;
    left_->Assign(f->left_.get());
    top_->Assign(f->top_.get());
    right_->Assign(f->right_.get());
    bottom_->Assign(f->bottom_.get());
    return;
  }
  TPersistent::Assign(source);
}

void TkvxFrame::SetColor(TColor value) {
  color_ = value;
  for (auto* l : {left_.get(), top_.get(), right_.get(), bottom_.get()}) l->SetColor(value);
}

void TkvxFrame::SetStyle(TkvxFrameStyle value) {
  style_ = value;
  for (auto* l : {left_.get(), top_.get(), right_.get(), bottom_.get()}) l->SetStyle(value);
}

void TkvxFrame::SetWidth(Extended value) {
  width_ = value;
  for (auto* l : {left_.get(), top_.get(), right_.get(), bottom_.get()}) l->SetWidth(value);
}

std::vector<double> kvxFrameDashes(TkvxFrameStyle style) {
  switch (style) {
    case fsDash: return {18, 6};
    case fsDot: return {3, 3};
    case fsDashDot: return {9, 6, 3, 6};
    case fsDashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

}  // namespace orv
