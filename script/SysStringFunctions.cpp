// The string and mathematics built-ins of TsxSysFunctions.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/rtl/TextUtils.h"
#include "script/Expression.h"
#include "script/Script.h"
#include "script/SysFunctions.h"

namespace orv {

namespace {

using Caller = TsxMethodHelper;

Variant Arg(Caller& c, int i) { return c.GetParamValue(i); }
// The text of an argument, which the function goes through: its length counts as work.
String Text(Caller& c, int i) {
  String text = c.GetParamValue(i).ToString();
  TsxScript::ChargeScan(text.size());
  return text;
}

String DeleteChars(const String& s, Integer from, Integer count) {
  const Integer length = Length(s);
  if (from < 1 || from > length || count <= 0) return s;
  // from + count may pass the integer range (Delete(s, i, MaxInt) is the usual "to the end").
  if (count > length - from) return Copy(s, 1, from - 1);
  return Copy(s, 1, from - 1) + Copy(s, from + count, length);
}

String InsertChars(const String& what, const String& into, Integer pos) {
  sxCheckTextLength(what.size() + into.size());
  const Integer length = Length(into);
  if (pos < 1) pos = 1;
  if (pos > length) return into + what;
  return Copy(into, 1, pos - 1) + what + Copy(into, pos, length);
}

String NameCase(const String& s) {
  const String lower = AnsiLowerCase(s);
  String result;
  bool start = true;
  for (size_t at = 0; at < lower.size();) {
    const size_t from = at;
    const char32_t cp = NextCodePoint(lower, at);
    const String ch = lower.substr(from, at - from);
    result += start ? AnsiUpperCase(ch) : ch;
    start = cp == U' ';
  }
  return result;
}

// Copy on a text value: finds the start through the text's code-point index instead of walking
// from its beginning, so Copy(s, i, 1) in a loop stays linear.
Variant CopyOfText(const Variant& text, Integer from, Integer count) {
  if (from < 1) from = 1;
  if (count <= 0) return Variant(String());
  const std::string_view s = text.StrView();
  const size_t start = VarStrOffset(text, static_cast<size_t>(from - 1));
  size_t end = start;
  for (Integer left = count; left > 0 && end < s.size(); --left) NextCodePoint(s, end);
  TsxScript::ChargeScan(end - start);
  if (start == 0 && end == s.size()) return text;
  if (end == start + 1 && static_cast<unsigned char>(s[start]) < 128)
    return TsxStringHelper::AsciiCharacter(static_cast<unsigned char>(s[start]));
  if (count == 1) return TsxStringHelper::Character(s.substr(start, end - start));
  return Variant(s.substr(start, end - start));
}

double Checked(double value) {
  if (std::isnan(value)) throw EInvalidOp("Invalid floating point operation");
  return value;
}

Variant ToInteger32(double value) {
  if (!(value >= -2147483648.0 && value <= 2147483647.0))
    throw EInvalidOp("Invalid floating point operation");
  return Variant(static_cast<Integer>(value));
}

}  // namespace

#define ORV_BUILTIN(decl, category, ...)                                                              \
  Script->AddMethod(decl, [](TObject*, TClass, const String&, Caller& c) -> Variant { __VA_ARGS__ }, \
                    category)

void TsxSysFunctions::AddStrings() {
  ORV_BUILTIN("function Length(s: Variant): Integer", "ctString", {
    const Variant v = Arg(c, 0);
    if (VarIsArray(v)) return Variant(VarArrayHighBound(v, 1) - VarArrayLowBound(v, 1) + 1);
    if (v.VType() == varString) return Variant(static_cast<Integer>(VarStrLength(v)));
    return Variant(Length(VarToStr(v)));
  });
  ORV_BUILTIN("function Copy(s: String; from, count: Integer): String", "ctString", {
    const Variant v = Arg(c, 0);
    if (v.VType() != varString) return Variant(Copy(Text(c, 0), Arg(c, 1).ToInteger(), Arg(c, 2).ToInteger()));
    return CopyOfText(v, Arg(c, 1).ToInteger(), Arg(c, 2).ToInteger());
  });
  ORV_BUILTIN("function Pos(substr, s: String): Integer", "ctString",
              return Variant(Pos(Text(c, 0), Text(c, 1))););
  ORV_BUILTIN("procedure Delete(var s: String; from, count: Integer)", "ctString", {
    c.SetParamValue(0, Variant(DeleteChars(Text(c, 0), Arg(c, 1).ToInteger(), Arg(c, 2).ToInteger())));
    return Variant();
  });
  ORV_BUILTIN("procedure DeleteStr(var s: String; from, count: Integer)", "ctString", {
    c.SetParamValue(0, Variant(DeleteChars(Text(c, 0), Arg(c, 1).ToInteger(), Arg(c, 2).ToInteger())));
    return Variant();
  });
  ORV_BUILTIN("procedure Insert(s: String; var s2: String; pos: Integer)", "ctString", {
    c.SetParamValue(1, Variant(InsertChars(Text(c, 0), Text(c, 1), Arg(c, 2).ToInteger())));
    return Variant();
  });
  ORV_BUILTIN("function Uppercase(s: String): String", "ctString", return Variant(AnsiUpperCase(Text(c, 0))););
  ORV_BUILTIN("function Lowercase(s: String): String", "ctString", return Variant(AnsiLowerCase(Text(c, 0))););
  ORV_BUILTIN("function Trim(s: String): String", "ctString", return Variant(Trim(Text(c, 0))););
  ORV_BUILTIN("function NameCase(s: String): String", "ctString", return Variant(NameCase(Text(c, 0))););
  ORV_BUILTIN("function CompareText(s, s1: String): Integer", "ctString",
              return Variant(AnsiCompareText(Text(c, 0), Text(c, 1))););
  ORV_BUILTIN("function Chr(i: Integer): Char", "ctString", {
    const Int64 code = Arg(c, 0).ToInt64();
    if (code < 0 || code > 0x10FFFF) throw ERangeError("Character code " + std::to_string(code) + " is out of range");
    String s;
    AppendCodePoint(s, static_cast<char32_t>(code));
    return Variant(s);
  });
  ORV_BUILTIN("function Ord(ch: Char): Integer", "ctString", {
    const String s = Text(c, 0);
    if (s.empty()) throw ERangeError("Ord of an empty string");
    size_t at = 0;
    return Variant(static_cast<Integer>(NextCodePoint(s, at)));
  });
  ORV_BUILTIN("procedure SetLength(var S: Variant; L: Integer)", "ctString", {
    Variant s = Arg(c, 0);
    const Integer length = Arg(c, 1).ToInteger();
    if (VarIsStr(s)) {
      if (length > 0) sxCheckTextLength(static_cast<size_t>(length));
      const String text = s.ToString();
      const Integer have = Length(text);
      const Integer want = length < 0 ? 0 : length;
      c.SetParamValue(0, Variant(want <= have ? Copy(text, 1, want) : text + String(static_cast<size_t>(want - have), ' ')));
    } else {
      if (VarIsArray(s)) sxCheckArrayBounds({VarArrayLowBound(s, 1), length - 1});
      VarArrayRedim(s, length - 1);
      c.SetParamValue(0, s);
    }
    return Variant();
  });
}

void TsxSysFunctions::AddMath() {
  ORV_BUILTIN("function Round(e: Extended): Integer", "ctMath",
              return ToInteger32(std::nearbyint(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function Trunc(e: Extended): Integer", "ctMath", return ToInteger32(std::trunc(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function Int(e: Extended): Integer", "ctMath", return Variant(std::trunc(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function Frac(X: Extended): Extended", "ctMath", {
    const double x = Arg(c, 0).ToDouble();
    return Variant(x - std::trunc(x));
  });
  ORV_BUILTIN("function Sqrt(e: Extended): Extended", "ctMath", return Variant(Checked(std::sqrt(Arg(c, 0).ToDouble()))););
  ORV_BUILTIN("function Abs(e: Extended): Extended", "ctMath", return Variant(std::fabs(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function Sin(e: Extended): Extended", "ctMath", return Variant(Checked(std::sin(Arg(c, 0).ToDouble()))););
  ORV_BUILTIN("function Cos(e: Extended): Extended", "ctMath", return Variant(Checked(std::cos(Arg(c, 0).ToDouble()))););
  ORV_BUILTIN("function ArcTan(X: Extended): Extended", "ctMath", return Variant(std::atan(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function Tan(X: Extended): Extended", "ctMath", {
    const double x = Arg(c, 0).ToDouble();
    return Variant(Checked(std::sin(x) / std::cos(x)));
  });
  ORV_BUILTIN("function Exp(X: Extended): Extended", "ctMath", return Variant(std::exp(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function Ln(X: Extended): Extended", "ctMath", {
    const double x = Arg(c, 0).ToDouble();
    if (x == 0) throw EZeroDivide("Floating point division by zero");
    return Variant(Checked(std::log(x)));
  });
  ORV_BUILTIN("function Pi: Extended", "ctMath", (void)c; return Variant(3.14159265358979323846););
}

}  // namespace orv
