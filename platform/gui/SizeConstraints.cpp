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

void TSizeConstraints::SetMaxHeight(int Value) { SetMaximum(maxHeight_, minHeight_, Value); }
void TSizeConstraints::SetMaxWidth(int Value) { SetMaximum(maxWidth_, minWidth_, Value); }
void TSizeConstraints::SetMinHeight(int Value) { SetMinimum(minHeight_, maxHeight_, Value); }
void TSizeConstraints::SetMinWidth(int Value) { SetMinimum(minWidth_, maxWidth_, Value); }

void TSizeConstraints::SetMaximum(int& maximum, int& minimum, int Value) {
  Value = Limit(Value);
  if (maximum == Value) return;
  maximum = Value;
  if (Value > 0 && Value < minimum) minimum = Value;
  Change();
}

void TSizeConstraints::SetMinimum(int& minimum, int& maximum, int Value) {
  Value = Limit(Value);
  if (minimum == Value) return;
  minimum = Value;
  if (maximum > 0 && Value > maximum) maximum = Value;
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
