#include <cmath>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Dispatch.h"
#include "platform/rtl/Variant.h"
#include "platform/rtl/VariantInternals.h"

namespace orv {

using detail::VariantAccess;

namespace detail {

String VarTypeName(TVarType type) {
  if (type & varArray) return "Array of " + VarTypeName(type & varTypeMask);
  switch (type) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varOleStr: return "OleStr";
    case varDispatch: return "Dispatch";
    case varError: return "Error";
    case varBoolean: return "Boolean";
    case varVariant: return "Variant";
    case varUnknown: return "Unknown";
    case varShortInt: return "ShortInt";
    case varByte: return "Byte";
    case varWord: return "Word";
    case varLongWord: return "LongWord";
    case varInt64: return "Int64";
    case varString: return "String";
    default: return "Unknown";
  }
}

void RaiseCastError(TVarType from, TVarType to) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeName(from) +
                              ") into type (" + VarTypeName(to) + ")");
}

}  // namespace detail

namespace {

bool IsStr(TVarType t) { return t == varString || t == varOleStr; }

// Rounds half to even, as the processor does by default.
Int64 RoundToInt64(double d) {
  double r = std::nearbyint(d);
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
    throw EVariantOverflowError("Arithmetic overflow");
  return static_cast<Int64>(r);
}

// Currency values round to whole numbers half to even, like floats.
Int64 RoundCurrency(Int64 scaled) {
  Int64 q = scaled / 10000;
  Int64 rem = scaled % 10000;
  if (rem > 5000 || (rem == 5000 && (q & 1))) ++q;
  if (rem < -5000 || (rem == -5000 && (q & 1))) --q;
  return q;
}

}  // namespace

Int64 Variant::ToInt64() const {
  switch (vtype_) {
    case varEmpty: return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return u_.i64;
    case varBoolean: return u_.b ? -1 : 0;
    case varSingle: return RoundToInt64(u_.f);
    case varDouble: case varDate: return RoundToInt64(u_.d);
    case varCurrency: return RoundCurrency(u_.i64);
    case varString: case varOleStr: {
      String s = ToString();
      Int64 v;
      if (!TryStrToInt64(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
      return v;
    }
    default: detail::RaiseCastError(vtype_, varInt64);
  }
}

// Pascal's Integer(v): wider values keep their low 32 bits.
Integer Variant::ToInteger() const {
  if (vtype_ == varInteger) return static_cast<Integer>(u_.i64);
  if (vtype_ == varNull) detail::RaiseCastError(vtype_, varInteger);
  return static_cast<Integer>(static_cast<std::uint64_t>(ToInt64()) & 0xFFFFFFFFu);
}

double Variant::ToDouble() const {
  switch (vtype_) {
    case varEmpty: return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return static_cast<double>(u_.i64);
    case varBoolean: return u_.b ? -1 : 0;
    case varSingle: return u_.f;
    case varDouble: case varDate: return u_.d;
    case varCurrency: return static_cast<double>(u_.i64) / 10000.0;
    case varString: case varOleStr: {
      String s = ToString();
      Extended v;
      if (!TryStrToFloat(s, v))
        throw EConvertError("'" + s + "' is not a valid floating point value");
      return v;
    }
    default: detail::RaiseCastError(vtype_, varDouble);
  }
}

Currency Variant::ToCurrency() const {
  switch (vtype_) {
    case varCurrency: return Currency{u_.i64};
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varBoolean: case varEmpty: {
      Int64 v = ToInt64(), r;
      if (__builtin_mul_overflow(v, Int64{10000}, &r))
        throw EVariantOverflowError("Arithmetic overflow");
      return Currency{r};
    }
    case varNull: detail::RaiseCastError(vtype_, varCurrency);
    default: return Currency::FromDouble(ToDouble());
  }
}

TDateTime Variant::ToDateTime() const {
  if (IsStr(vtype_)) {
    String s = ToString();
    TDateTime v;
    if (!TryStrToDateTime(s, v))
      throw EConvertError("'" + s + "' is not a valid date and time");
    return v;
  }
  if (vtype_ == varNull) detail::RaiseCastError(vtype_, varDate);
  return ToDouble();
}

bool Variant::ToBoolean() const {
  switch (vtype_) {
    case varEmpty: return false;
    case varBoolean: return u_.b;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varCurrency:
      return u_.i64 != 0;
    case varSingle: return u_.f != 0;
    case varDouble: case varDate: return u_.d != 0;
    case varString: case varOleStr: {
      String s = ToString();
      bool b;
      if (TryStrToBool(s, b)) return b;
      Extended d;
      if (TryStrToFloat(s, d)) return d != 0;
      throw EConvertError("'" + s + "' is not a valid boolean value");
    }
    default: detail::RaiseCastError(vtype_, varBoolean);
  }
}

String Variant::ToString() const {
  switch (vtype_) {
    case varEmpty: case varNull: return String();
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return IntToStr(u_.i64);
    case varBoolean: return u_.b ? "True" : "False";
    // A Single prints with the digits it holds, not the noise of its widening to double.
    case varSingle: return FloatToStrF(u_.f, ffGeneral, 7, 0);
    case varDouble: return FloatToStr(u_.d);
    case varCurrency: return CurrToStr(static_cast<double>(u_.i64) / 10000.0);
    case varDate: return DateTimeToStr(u_.d);
    case varString: return String(StrView());
    case varOleStr: return WideToUtf8(WideString(detail::OleView(*this)));
    default: detail::RaiseCastError(vtype_, varString);
  }
}

WideString Variant::ToWideString() const {
  if (vtype_ == varOleStr) return WideString(detail::OleView(*this));
  return Utf8ToWide(ToString());
}

String VarToStr(const Variant& v) { return v.ToString(); }

Variant VarAsType(const Variant& v, TVarType varType) {
  if (v.VType() == varType) return v;
  if (varType == varEmpty || varType == varNull) {
    if (v.IsNull() && varType == varEmpty) detail::RaiseCastError(v.VType(), varType);
    return varType == varNull ? Null() : Variant();
  }
  if (v.IsNull() || v.IsArray()) detail::RaiseCastError(v.VType(), varType);
  switch (varType) {
    case varSmallint: return Variant(static_cast<std::int16_t>(v.ToInt64()));
    case varInteger: return Variant(v.ToInteger());
    case varSingle: return Variant(static_cast<float>(v.ToDouble()));
    case varDouble: return Variant(v.ToDouble());
    case varCurrency: return Variant(v.ToCurrency());
    case varDate: return Variant::FromDate(v.ToDateTime());
    case varOleStr: return Variant(v.ToWideString());
    case varBoolean: return Variant(v.ToBoolean());
    case varShortInt: return Variant(static_cast<std::int8_t>(v.ToInt64()));
    case varByte: return Variant(static_cast<std::uint8_t>(v.ToInt64()));
    case varWord: return Variant(static_cast<std::uint16_t>(v.ToInt64()));
    case varLongWord: return Variant(static_cast<std::uint32_t>(v.ToInt64()));
    case varInt64: return Variant(v.ToInt64());
    case varString: return Variant(v.ToString());
    case varDispatch: return Variant(v.ToDispatch());
    default: detail::RaiseCastError(v.VType(), varType);
  }
}

}  // namespace orv
