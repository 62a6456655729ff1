#include "report/model/VariantText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

struct TNamedType {
  const char* Name;
  TVarType Type;
};

// The class library's names of the types a report variable can hold.
constexpr TNamedType kTypes[] = {
    {"varEmpty", varEmpty},       {"varNull", varNull},       {"varSmallint", varSmallint},
    {"varInteger", varInteger},   {"varSingle", varSingle},   {"varDouble", varDouble},
    {"varCurrency", varCurrency}, {"varDate", varDate},       {"varOleStr", varOleStr},
    {"varBoolean", varBoolean},   {"varShortInt", varShortInt}, {"varByte", varByte},
    {"varWord", varWord},         {"varLongWord", varLongWord}, {"varInt64", varInt64},
};

[[noreturn]] void Refuse(const String& text, std::string_view typeName) {
  throw EConvertError("'" + text + "' is not a valid " + String(typeName) + " value");
}

// Digits enough for the number to read back as the same double, with a point whatever the locale.
String ExactFloat(double value) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", value);
  String s = buf;
  for (char& c : s)
    if (c == ',') c = '.';
  return s;
}

double ReadFloat(const String& text, std::string_view typeName) {
  String s = text;
  for (char& c : s)
    if (c == ',') c = '.';
  char* end = nullptr;
  // strtod reads the C locale's point, which the program's locale never changes.
  const double value = std::strtod(s.c_str(), &end);
  if (s.empty() || *end || !std::isfinite(value)) Refuse(text, typeName);
  return value;
}

Int64 ReadInteger(const String& text, std::string_view typeName, Int64 low, Int64 high) {
  Int64 value = 0;
  if (!TryStrToInt64(text, value) || value < low || value > high) Refuse(text, typeName);
  return value;
}

// A currency as its exact decimal text: the scaled integer with four places.
String CurrencyText(Currency c) {
  const bool negative = c.Scaled < 0;
  const unsigned long long magnitude =
      negative ? 0ULL - static_cast<unsigned long long>(c.Scaled) : static_cast<unsigned long long>(c.Scaled);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "", magnitude / 10000, magnitude % 10000);
  return buf;
}

Currency ReadCurrency(const String& text, std::string_view typeName) {
  String s = text;
  for (char& c : s)
    if (c == ',') c = '.';
  const size_t point = s.find('.');
  const String whole = s.substr(0, point);
  String fraction = point == String::npos ? String() : s.substr(point + 1);
  if (fraction.size() > 4 || fraction.find_first_not_of("0123456789") != String::npos) Refuse(text, typeName);
  fraction.resize(4, '0');
  const bool negative = !whole.empty() && whole[0] == '-';
  const Int64 limit = INT64_MAX / 10000 - 1;
  const Int64 units = ReadInteger(whole.empty() || whole == "-" ? whole + "0" : whole, typeName, -limit, limit);
  const Int64 parts = std::strtoll(fraction.c_str(), nullptr, 10);
  return Currency{units * 10000 + (negative ? -parts : parts)};
}

}  // namespace

bool kvxVariantToText(const Variant& value, String& text, String& typeName) {
  const TVarType type = value.VType();
  typeName.clear();
  text.clear();
  if (type == varString) {
    text = value.ToString();
    return true;
  }
  for (const TNamedType& t : kTypes)
    if (t.Type == type) typeName = t.Name;
  if (typeName.empty()) return false;
  switch (type) {
    case varEmpty:
    case varNull:
      return true;
    case varSingle:
    case varDouble:
      text = ExactFloat(value.ToDouble());
      return true;
    case varDate:
      text = ExactFloat(value.ToDateTime());
      return true;
    case varCurrency:
      text = CurrencyText(value.ToCurrency());
      return true;
    case varBoolean:
      text = value.ToBoolean() ? "True" : "False";
      return true;
    case varOleStr:
      text = value.ToString();
      return true;
    default:
      text = IntToStr(value.ToInt64());
      return true;
  }
}

Variant kvxVariantFromText(const String& text, std::string_view typeName) {
  TVarType type = 0xFFFF;
  for (const TNamedType& t : kTypes)
    if (SameText(String(t.Name), String(typeName))) type = t.Type;
  switch (type) {
    case varEmpty: return Variant();
    case varNull: return Null();
    case varSmallint: return Variant(static_cast<std::int16_t>(ReadInteger(text, typeName, INT16_MIN, INT16_MAX)));
    case varInteger: return Variant(static_cast<std::int32_t>(ReadInteger(text, typeName, INT32_MIN, INT32_MAX)));
    case varShortInt: return Variant(static_cast<std::int8_t>(ReadInteger(text, typeName, INT8_MIN, INT8_MAX)));
    case varByte: return Variant(static_cast<std::uint8_t>(ReadInteger(text, typeName, 0, UINT8_MAX)));
    case varWord: return Variant(static_cast<std::uint16_t>(ReadInteger(text, typeName, 0, UINT16_MAX)));
    case varLongWord: return Variant(static_cast<std::uint32_t>(ReadInteger(text, typeName, 0, UINT32_MAX)));
    case varInt64: return Variant(static_cast<std::int64_t>(ReadInteger(text, typeName, INT64_MIN, INT64_MAX)));
    case varSingle: return Variant(static_cast<float>(ReadFloat(text, typeName)));
    case varDouble: return Variant(ReadFloat(text, typeName));
    case varDate: return Variant::FromDate(ReadFloat(text, typeName));
    case varCurrency: return Variant(ReadCurrency(text, typeName));
    case varOleStr: return Variant(Utf8ToWide(text));
    case varBoolean:
      if (SameText(text, "True") || text == "1") return Variant(true);
      if (SameText(text, "False") || text == "0") return Variant(false);
      Refuse(text, typeName);
    default:
      throw EConvertError("Unknown variant type " + String(typeName));
  }
}

}  // namespace orv
