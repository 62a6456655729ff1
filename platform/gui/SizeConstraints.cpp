#include "platform/gui/SizeConstraints.h"

#include <algorithm>

namespace orv {

namespace {

// A negative limit is read from a damaged form as no limit.
int Limit(int Value) { return std::max(0, Value); }

}  // namespace

void TSizeConstraints::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TSizeConstraints*>(Source);
  if (!s) return TPersistent::Assign(Source);
  minHeight_ = s->minHeight_;
  maxHeight_ = s->maxHeight_;
  minWidth_ = s->minWidth_;
  maxWidth_ = s->maxWidth_;
  Change();
}

void TSizeConstraints::SetMaxHeight(int Value) {
  Value = Limit(Value);
  if (maxHeight_ == Value) return;
  maxHeight_ = Value;
  if (Value > 0 && Value < minHeight_) minHeight_ = Value;
  Change();
}

void TSizeConstraints::SetMaxWidth(int Value) {
  Value = Limit(Value);
  if (maxWidth_ == Value) return;
  maxWidth_ = Value;
  if (Value > 0 && Value < minWidth_) minWidth_ = Value;
  Change();
}

void TSizeConstraints::SetMinHeight(int Value) {
  Value = Limit(Value);
  if (minHeight_ == Value) return;
  minHeight_ = Value;
  if (maxHeight_ > 0 && Value > maxHeight_) maxHeight_ = Value;
  Change();
}

void TSizeConstraints::SetMinWidth(int Value) {
  Value = Limit(Value);
  if (minWidth_ == Value) return;
  minWidth_ = Value;
  if (maxWidth_ > 0 && Value > maxWidth_) maxWidth_ = Value;
  Change();
}

void TSizeConstraints::Constrain(int& Width, int& Height) const {
  if (maxWidth_ > 0) Width = std::min(Width, maxWidth_);
  if (maxHeight_ > 0) Height = std::min(Height, maxHeight_);
  Width = std::max(Width, minWidth_);
  Height = std::max(Height, minHeight_);
}

void TSizeConstraints::Change() {
  if (OnChange) OnChange(this);
}

ORV_IMPLEMENT_CLASS(TSizeConstraints, c) {
  c.Prop("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight).Default(0);
  c.Prop("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth).Default(0);
  c.Prop("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight).Default(0);
  c.Prop("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth).Default(0);
}

}  // namespace orv
