#include "report/model/PropertyLimits.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/gui/Graphics.h"

namespace orv {

namespace {

struct TLimit {
  std::string_view Class;  // the class that declares the property
  std::string_view Name;
  Extended Min;
  Extended Max;
};

const TLimit kLimits[] = {
    {"TkvxReportPage", "PaperWidth", 0, kvxMaxPaperLength},
    {"TkvxReportPage", "PaperHeight", 0, kvxMaxPaperLength},
    {"TkvxReportPage", "LeftMargin", -kvxMaxPaperLength, kvxMaxPaperLength},
    {"TkvxReportPage", "RightMargin", -kvxMaxPaperLength, kvxMaxPaperLength},
    {"TkvxReportPage", "TopMargin", -kvxMaxPaperLength, kvxMaxPaperLength},
    {"TkvxReportPage", "BottomMargin", -kvxMaxPaperLength, kvxMaxPaperLength},
    {"TkvxReportPage", "ColumnWidth", 0, kvxMaxPaperLength},
    {"TkvxReportPage", "Columns", 0, kvxMaxColumns},
    {"TkvxReportPage", "PageCount", 1, kvxMaxPageCopies},
    {"TkvxDataBand", "Columns", 0, kvxMaxColumns},
    {"TkvxDataBand", "ColumnWidth", -kvxMaxCoordinate, kvxMaxCoordinate},
    {"TkvxDataBand", "ColumnGap", -kvxMaxCoordinate, kvxMaxCoordinate},
    {"TkvxFrame", "Width", 0, kvxMaxLineWidth},
    {"TkvxFrame", "ShadowWidth", 0, kvxMaxLineWidth},
    {"TkvxFrameLine", "Width", 0, kvxMaxLineWidth},
    {"TkvxLineView", "ArrowLength", 0, kvxMaxLineWidth},
    {"TkvxLineView", "ArrowWidth", 0, kvxMaxLineWidth},
    {"TkvxMemoView", "CharSpacing", -kvxMaxLineWidth, kvxMaxLineWidth},
    {"TkvxMemoView", "GapX", -kvxMaxLineWidth, kvxMaxLineWidth},
    {"TkvxMemoView", "GapY", -kvxMaxLineWidth, kvxMaxLineWidth},
    {"TkvxMemoView", "LineSpacing", -kvxMaxLineWidth, kvxMaxLineWidth},
    {"TkvxMemoView", "ParagraphGap", -kvxMaxLineWidth, kvxMaxLineWidth},
    {"TkvxSysMemoView", "CharSpacing", -kvxMaxLineWidth, kvxMaxLineWidth},
    {"TkvxSysMemoView", "GapX", -kvxMaxLineWidth, kvxMaxLineWidth},
    {"TkvxSysMemoView", "GapY", -kvxMaxLineWidth, kvxMaxLineWidth},
    {"TkvxSysMemoView", "LineSpacing", -kvxMaxLineWidth, kvxMaxLineWidth},
    {"TFont", "Height", -MaxFontHeight, MaxFontHeight},
    {"TFont", "Size", -MaxFontHeight, MaxFontHeight},
};

const TLimit* LimitOf(const TPropInfo& prop) {
  TClass declaring = prop.DeclaringClass();
  if (!declaring) return nullptr;
  for (const TLimit& l : kLimits)
    if (l.Name == prop.Name() && l.Class == declaring->ClassName()) return &l;
  // The geometry of every report object.
  static const TLimit kCoordinate{"", "", -kvxMaxCoordinate, kvxMaxCoordinate};
  const String& name = prop.Name();
  if (declaring->ClassName().starts_with("Tkvx") &&
      (name == "Left" || name == "Top" || name == "Width" || name == "Height"))
    return &kCoordinate;
  return nullptr;
}

}  // namespace

Int64 kvxClampReadOrd(const TPropInfo& prop, Int64 value) {
  const TLimit* l = LimitOf(prop);
  if (!l) return value;
  return std::clamp(value, static_cast<Int64>(l->Min), static_cast<Int64>(l->Max));
}

Extended kvxClampReadFloat(const TPropInfo& prop, Extended value) {
  // Every floating value at least stays a finite number that converts to an integer safely.
  if (std::isnan(value)) value = 0;
  value = std::clamp<Extended>(value, -kvxMaxCoordinate * 1000, kvxMaxCoordinate * 1000);
  const TLimit* l = LimitOf(prop);
  return l ? std::clamp(value, l->Min, l->Max) : value;
}

Extended kvxClampCoordinate(Extended value) {
  if (std::isnan(value)) return 0;
  return std::clamp(value, -kvxMaxCoordinate, kvxMaxCoordinate);
}

}  // namespace orv
