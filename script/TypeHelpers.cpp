#include "script/TypeHelpers.h"

#include <limits>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

Variant sxLiteralToVariant(const String& text) {
  if (text.empty()) return Null();
  if (text[0] == '\'') return Variant(text.size() >= 2 ? text.substr(1, text.size() - 2) : String());
  Int64 value;
  if (TryStrToInt64(text, value)) {
    if (value >= std::numeric_limits<Integer>::min() && value <= std::numeric_limits<Integer>::max())
      return Variant(static_cast<Integer>(value));
    return Variant(value);
  }
  return Variant(static_cast<double>(
      StrToFloat(StringReplace(text, ".", FormatSettings().DecimalSeparator, rfReplaceAll))));
}

TPoint sxPosToPoint(const String& pos) {
  if (pos.empty()) return {0, 0};
  const size_t colon = pos.find(':');
  TPoint point;
  point.Y = StrToIntDef(pos.substr(0, colon), 0);
  point.X = colon == String::npos ? 0 : StrToIntDef(pos.substr(colon + 1), 0);
  return point;
}

Variant sxVarRecToVariant(const TVarRec& value) {
  switch (value.Kind) {
    case TVarRec::vtInteger:
    case TVarRec::vtPointer:
      if (value.IntValue >= std::numeric_limits<Integer>::min() &&
          value.IntValue <= std::numeric_limits<Integer>::max())
        return Variant(static_cast<Integer>(value.IntValue));
      return Variant(value.IntValue);
    case TVarRec::vtInt64:
      return Variant(value.IntValue);
    case TVarRec::vtBoolean:
      return Variant(value.IntValue != 0);
    case TVarRec::vtExtended:
    case TVarRec::vtCurrency:
      return Variant(value.FloatValue);
    case TVarRec::vtString:
    case TVarRec::vtChar:
      return Variant(value.StrValue);
  }
  return Null();
}

std::vector<TVarRec> sxVariantToVarRec(const Variant& values) {
  std::vector<TVarRec> result;
  const Integer low = VarArrayLowBound(values, 1);
  const Integer high = VarArrayHighBound(values, 1);
  for (Integer i = low; i <= high; ++i) {
    const Variant element = VarArrayGet(values, {i});
    TVarRec entry;
    switch (VarType(element) & varTypeMask) {
      case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
      case varLongWord:
        entry.Kind = TVarRec::vtInteger;
        entry.IntValue = element.ToInt64();
        break;
      case varInt64:
        entry.Kind = TVarRec::vtInt64;
        entry.IntValue = element.ToInt64();
        break;
      case varSingle: case varDouble: case varCurrency: case varDate:
        entry.Kind = TVarRec::vtExtended;
        entry.FloatValue = element.ToDouble();
        break;
      case varOleStr: case varString:
        entry.Kind = TVarRec::vtString;
        entry.StrValue = element.ToString();
        break;
      case varBoolean:
        entry.Kind = TVarRec::vtBoolean;
        entry.IntValue = element.ToBoolean() ? 1 : 0;
        break;
      default:
        break;  // an integer 0
    }
    result.push_back(std::move(entry));
  }
  return result;
}

}  // namespace orv
