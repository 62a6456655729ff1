#include "xlsexport/ExportTypes.h"

namespace orv {

using namespace vwExcelExport;

int BorderWeightConstant(TBorderWeight weight) {
  static const int values[] = {1, -4138, 4, 2};
  return values[weight];
}

int BorderLineStyleConstant(TBorderLineStyle style) {
  static const int values[] = {1, -4115, 4, 5, -4118, -4119, 13, 1, -4142};
  return values[style];
}

int HAlignmentConstant(THAlignment alignment) {
  static const int values[] = {1, -4131, -4152, -4108};
  return values[alignment];
}

TxlFont::TxlFont() {
  SetName("MS Sans Serif");
  SetSize(-1);
}

void TxlFont::CopyAll(const TxlFont& source) {
  Assign(const_cast<TxlFont*>(&source));
  alignment_ = source.alignment_;
  wrapText_ = source.wrapText_;
  orientation_ = source.orientation_;
}

void TCellBorder::Assign(TPersistent* source) {
  auto* b = dynamic_cast<TCellBorder*>(source);
  if (!b) return TPersistent::Assign(source);
  backColor_ = b->backColor_;
  borderColor_ = b->borderColor_;
  weight_ = b->weight_;
  lineStyle_ = b->lineStyle_;
}

void TGroupOptions::Assign(TPersistent* source) {
  auto* g = dynamic_cast<TGroupOptions*>(source);
  if (!g) return TPersistent::Assign(source);
  clearContents_ = g->clearContents_;
  borderRange_ = g->borderRange_;
  intervalFontSize_ = g->intervalFontSize_;
}

ORV_IMPLEMENT_CLASS(TxlFont, c) {
  c.Prop("Alignment", &TxlFont::Alignment, &TxlFont::SetAlignment);
  c.Prop("WrapText", &TxlFont::WrapText, &TxlFont::SetWrapText);
  c.Prop("Orientation", &TxlFont::Orientation, &TxlFont::SetOrientation);
}

ORV_IMPLEMENT_CLASS(TCellBorder, c) {
  c.Prop("BackColor", &TCellBorder::BackColor, &TCellBorder::SetBackColor).Default(clWhite);
  c.Prop("BorderColor", &TCellBorder::BorderColor, &TCellBorder::SetBorderColor).Default(clBlack);
  c.Prop("Weight", &TCellBorder::Weight, &TCellBorder::SetWeight).Default(bwMedium);
  c.Prop("LineStyle", &TCellBorder::LineStyle, &TCellBorder::SetLineStyle).Default(blNone);
}

ORV_IMPLEMENT_CLASS(TGroupOptions, c) {
  c.Prop("ClearContents", &TGroupOptions::ClearContents, &TGroupOptions::SetClearContents);
  c.Prop("BorderRange", &TGroupOptions::BorderRange, &TGroupOptions::SetBorderRange);
  c.Prop("IntervalFontSize", &TGroupOptions::IntervalFontSize, &TGroupOptions::SetIntervalFontSize);
}

}  // namespace orv
