#include "platform/rtl/Conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDigits.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

[[noreturn]] void RaiseConvert(const char* pattern, const String& s) {
  const String p(pattern);
  const size_t at = p.find("%s");
  throw EConvertError(p.substr(0, at) + s + p.substr(at + 2));
}

// Reads [blanks][sign]($|0x|x)hexdigits or [blanks][sign]digits. Decimal values must lie in
// [-limit-1, limit]; hexadecimal ones may use the full unsigned width and wrap, as the class
// library reads "$FFFFFFFF" as -1.
bool ParseInteger(const String& s, int bits, Int64& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  const std::uint64_t unsignedMax = bits == 64 ? std::numeric_limits<std::uint64_t>::max()
                                               : (std::uint64_t{1} << bits) - 1;
  const std::uint64_t signedMax = unsignedMax >> 1;
  std::uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    const unsigned base = hex ? 16 : 10;
    const std::uint64_t limit = hex ? unsignedMax : signedMax + (negative ? 1 : 0);
    if (value > (limit - digit) / base) return false;
    value = value * base + digit;
  }
  if (hex && value > signedMax) {
    // Reinterpret as the two's complement of the type's width.
    const Int64 wrapped = bits == 64 ? static_cast<Int64>(value)
                                     : static_cast<Int64>(value) - static_cast<Int64>(unsignedMax) - 1;
    out = negative ? -wrapped : wrapped;
    return !(negative && wrapped == std::numeric_limits<Int64>::min());
  }
  out = negative ? static_cast<Int64>(0 - value) : static_cast<Int64>(value);
  return true;
}

enum TDateOrder { doMDY, doDMY, doYMD };

TDateOrder GetDateOrder(const String& format) {
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      continue;
    }
    switch (c) {
      case 'd': case 'D': return doDMY;
      case 'm': case 'M': return doMDY;
      case 'y': case 'Y': return doYMD;
      default: break;
    }
  }
  return doMDY;
}

// A cursor over text being scanned for a date or a time.
struct TScanner {
  const String& s;
  size_t pos = 0;

  void SkipBlanks() {
    while (pos < s.size() && s[pos] == ' ') ++pos;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos >= s.size();
  }
  // Up to four digits; digits is how many were read.
  bool Number(int& value, int& digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      if (digits == 4) return false;
      value = value * 10 + (s[pos] - '0');
      ++digits;
      ++pos;
    }
    return digits > 0;
  }
  bool Text(const String& text) {
    SkipBlanks();
    if (text.empty() || s.compare(pos, text.size(), text) != 0) return false;
    pos += text.size();
    return true;
  }
  bool TextIgnoreCase(const String& text) {
    SkipBlanks();
    if (text.empty() || pos + text.size() > s.size()) return false;
    if (!SameText(s.substr(pos, text.size()), text)) return false;
    pos += text.size();
    return true;
  }
};

bool ScanDate(TScanner& sc, TDateTime& date, const TFormatSettings& fs) {
  int n1, n2, n3 = 0, l1, l2, l3 = 0;
  if (!sc.Number(n1, l1) || !sc.Text(fs.DateSeparator) || !sc.Number(n2, l2)) return false;
  const size_t afterTwo = sc.pos;
  bool three = false;
  if (sc.Text(fs.DateSeparator)) {
    if (!sc.Number(n3, l3)) return false;
    three = true;
  } else {
    sc.pos = afterTwo;
  }
  const TDateOrder order = GetDateOrder(fs.ShortDateFormat);
  int y, m, d, yearDigits;
  if (!three) {
    // Day and month only: the current year.
    y = YearOf(Date());
    yearDigits = 4;
    if (order == doDMY) {
      d = n1;
      m = n2;
    } else {
      m = n1;
      d = n2;
    }
  } else {
    switch (order) {
      case doDMY: d = n1; m = n2; y = n3; yearDigits = l3; break;
      case doYMD: y = n1; m = n2; d = n3; yearDigits = l1; break;
      default: m = n1; d = n2; y = n3; yearDigits = l3; break;
    }
  }
  if (yearDigits <= 2) {
    const int current = YearOf(Date());
    const int century = current - fs.TwoDigitYearCenturyWindow;
    y += century / 100 * 100;
    if (fs.TwoDigitYearCenturyWindow > 0 && y < century) y += 100;
  }
  if (y < 0 || y > 9999 || m < 0 || d < 0) return false;
  return TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date);
}

// 0 none, 1 AM, 2 PM.
int ScanAmPm(TScanner& sc, const TFormatSettings& fs) {
  if (sc.TextIgnoreCase(fs.TimeAMString) || sc.TextIgnoreCase("AM")) return 1;
  if (sc.TextIgnoreCase(fs.TimePMString) || sc.TextIgnoreCase("PM")) return 2;
  return 0;
}

bool ScanTime(TScanner& sc, TDateTime& time, const TFormatSettings& fs) {
  int ampm = ScanAmPm(sc, fs);
  int h, m = 0, s = 0, ms = 0, l;
  if (!sc.Number(h, l)) return false;
  bool minutes = false;
  if (sc.Text(fs.TimeSeparator)) {
    if (!sc.Number(m, l)) return false;
    minutes = true;
    if (sc.Text(fs.TimeSeparator)) {
      if (!sc.Number(s, l)) return false;
      if (sc.Text(fs.DecimalSeparator) && !sc.Number(ms, l)) return false;
    }
  }
  if (ampm == 0) ampm = ScanAmPm(sc, fs);
  // A lone number is a time only with AM or PM after it.
  if (!minutes && ampm == 0) return false;
  if (ampm != 0) {
    if (h == 0 || h > 12) return false;
    if (ampm == 1 && h == 12) h = 0;
    if (ampm == 2 && h < 12) h += 12;
  }
  return TryEncodeTime(static_cast<Word>(h), static_cast<Word>(m), static_cast<Word>(s),
                       static_cast<Word>(ms), time);
}

bool ParseFloat(const String& s, Extended& value, const TFormatSettings& fs) {
  size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  while (n > i && s[n - 1] == ' ') --n;
  std::string text;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') text += '-';
    ++i;
  }
  const auto digits = [&](std::string& into) {
    const size_t start = i;
    while (i < n && s[i] >= '0' && s[i] <= '9') into += s[i++];
    return i - start;
  };
  std::string whole, fraction, exponent;
  size_t count = digits(whole);
  const String& sep = fs.DecimalSeparator.empty() ? String(".") : fs.DecimalSeparator;
  if (s.compare(i, sep.size(), sep) == 0 && i + sep.size() <= n) {
    i += sep.size();
    count += digits(fraction);
  }
  if (count == 0) return false;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) exponent += s[i++];
    if (digits(exponent) == 0) return false;
  }
  if (i != n) return false;
  text += (whole.empty() ? "0" : whole) + "." + (fraction.empty() ? "0" : fraction);
  if (!exponent.empty()) text += "e" + exponent;
  double result = 0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), result);
  if (res.ec != std::errc() || res.ptr != text.data() + text.size() || !std::isfinite(result))
    return false;
  value = result;
  return true;
}

String ExponentText(int exponent, int minDigits, bool plusSign) {
  String out = exponent < 0 ? "-" : (plusSign ? "+" : "");
  String digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (static_cast<int>(digits.size()) < minDigits)
    digits.insert(0, static_cast<size_t>(minDigits) - digits.size(), '0');
  return out + digits;
}

// d.ddd E exp, the general form's way of writing numbers too large or too small for fixed.
String GeneralScientific(const TDecimalDigits& d, int digits, const TFormatSettings& fs) {
  String out = d.Negative ? "-" : "";
  out += d.Digits[0];
  if (d.Digits.size() > 1) out += fs.DecimalSeparator + d.Digits.substr(1);
  return out + "E" + ExponentText(d.Exponent - 1, digits, false);
}

String FixedText(const TDecimalDigits& d, int decimals, bool thousands, const TFormatSettings& fs) {
  String out = thousands ? GroupThousands(IntegerDigits(d), fs.ThousandSeparator) : IntegerDigits(d);
  if (decimals > 0) out += fs.DecimalSeparator + FractionDigits(d, decimals);
  return out;
}

}  // namespace

String IntToStr(Int64 value) { return std::to_string(value); }

String IntToHex(Int64 value, int digits) {
  static const char* kHex = "0123456789ABCDEF";
  std::uint64_t v = static_cast<std::uint64_t>(value);
  String out;
  do {
    out.insert(out.begin(), kHex[v & 15]);
    v >>= 4;
  } while (v != 0);
  if (digits > 16) digits = 16;
  if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<size_t>(digits) - out.size(), '0');
  return out;
}

bool TryStrToInt(const String& s, Integer& value) {
  Int64 v;
  if (!ParseInteger(s, 32, v)) return false;
  value = static_cast<Integer>(v);
  return true;
}

Integer StrToInt(const String& s) {
  Integer v;
  if (!TryStrToInt(s, v)) RaiseConvert("'%s' is not a valid integer value", s);
  return v;
}

Integer StrToIntDef(const String& s, Integer def) {
  Integer v;
  return TryStrToInt(s, v) ? v : def;
}

bool TryStrToInt64(const String& s, Int64& value) { return ParseInteger(s, 64, value); }

Int64 StrToInt64(const String& s) {
  Int64 v;
  if (!TryStrToInt64(s, v)) RaiseConvert("'%s' is not a valid integer value", s);
  return v;
}

Int64 StrToInt64Def(const String& s, Int64 def) {
  Int64 v;
  return TryStrToInt64(s, v) ? v : def;
}

bool TryStrToFloat(const String& s, Extended& value, const TFormatSettings& fs) {
  return ParseFloat(s, value, fs);
}
bool TryStrToFloat(const String& s, Extended& value) { return ParseFloat(s, value, FormatSettings()); }

Extended StrToFloat(const String& s, const TFormatSettings& fs) {
  Extended v;
  if (!ParseFloat(s, v, fs)) RaiseConvert("'%s' is not a valid floating point value", s);
  return v;
}
Extended StrToFloat(const String& s) { return StrToFloat(s, FormatSettings()); }

Extended StrToFloatDef(const String& s, Extended def, const TFormatSettings& fs) {
  Extended v;
  return ParseFloat(s, v, fs) ? v : def;
}
Extended StrToFloatDef(const String& s, Extended def) { return StrToFloatDef(s, def, FormatSettings()); }

String FloatToStrF(Extended value, TFloatFormat format, int precision, int digits,
                   const TFormatSettings& fs) {
  const String nonFinite = NonFiniteText(value);
  if (!nonFinite.empty()) return nonFinite;
  precision = std::clamp(precision, 1, 18);
  TDecimalDigits d = ToDecimalDigits(value);
  switch (format) {
    case ffExponent: {
      digits = std::clamp(digits, 0, 4);
      RoundSignificant(d, precision);
      String mantissa = d.Digits.empty() ? "0" : d.Digits;
      mantissa.resize(static_cast<size_t>(precision), '0');
      String out = d.Negative ? "-" : "";
      out += mantissa[0];
      if (precision > 1) out += fs.DecimalSeparator + mantissa.substr(1);
      return out + "E" + ExponentText(d.Digits.empty() ? 0 : d.Exponent - 1, digits, true);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      RoundSignificant(d, precision);
      if (format != ffCurrency && d.Exponent > precision) return GeneralScientific(d, 0, fs);
      RoundDecimals(d, digits);
      if (format == ffCurrency)
        return ApplyCurrencyFormat(FixedText(d, digits, true, fs), d.Negative, fs);
      return (d.Negative ? "-" : "") + FixedText(d, digits, format == ffNumber, fs);
    }
    case ffGeneral:
    default: {
      digits = std::clamp(digits, 0, 4);
      RoundSignificant(d, precision);
      if (d.Digits.empty()) return "0";
      if (d.Exponent > precision || d.Exponent < -4) return GeneralScientific(d, digits, fs);
      const int decimals = std::max(0, static_cast<int>(d.Digits.size()) - d.Exponent);
      return (d.Negative ? "-" : "") + FixedText(d, decimals, false, fs);
    }
  }
}

String FloatToStrF(Extended value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}

String FloatToStr(Extended value, const TFormatSettings& fs) {
  return FloatToStrF(value, ffGeneral, 15, 0, fs);
}
String FloatToStr(Extended value) { return FloatToStr(value, FormatSettings()); }

String CurrToStr(Extended value, const TFormatSettings& fs) {
  // A currency holds four decimals.
  if (std::isfinite(value)) value = std::round(value * 10000.0) / 10000.0;
  return FloatToStrF(value, ffGeneral, 18, 0, fs);
}
String CurrToStr(Extended value) { return CurrToStr(value, FormatSettings()); }

Extended StrToCurr(const String& s, const TFormatSettings& fs) {
  const Extended v = StrToFloat(s, fs);
  return std::round(v * 10000.0) / 10000.0;
}
Extended StrToCurr(const String& s) { return StrToCurr(s, FormatSettings()); }

String DateToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime("ddddd", value, fs); }
String DateToStr(TDateTime value) { return DateToStr(value, FormatSettings()); }
String TimeToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime("tt", value, fs); }
String TimeToStr(TDateTime value) { return TimeToStr(value, FormatSettings()); }
String DateTimeToStr(TDateTime value, const TFormatSettings& fs) { return FormatDateTime("c", value, fs); }
String DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings()); }

bool TryStrToDate(const String& s, TDateTime& value, const TFormatSettings& fs) {
  TScanner sc{s};
  TDateTime d;
  if (!ScanDate(sc, d, fs) || !sc.AtEnd()) return false;
  value = d;
  return true;
}
bool TryStrToDate(const String& s, TDateTime& value) { return TryStrToDate(s, value, FormatSettings()); }

TDateTime StrToDate(const String& s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDate(s, v, fs)) RaiseConvert("'%s' is not a valid date", s);
  return v;
}
TDateTime StrToDate(const String& s) { return StrToDate(s, FormatSettings()); }

TDateTime StrToDateDef(const String& s, TDateTime def, const TFormatSettings& fs) {
  TDateTime v;
  return TryStrToDate(s, v, fs) ? v : def;
}
TDateTime StrToDateDef(const String& s, TDateTime def) { return StrToDateDef(s, def, FormatSettings()); }

bool TryStrToTime(const String& s, TDateTime& value, const TFormatSettings& fs) {
  TScanner sc{s};
  TDateTime t;
  if (!ScanTime(sc, t, fs) || !sc.AtEnd()) return false;
  value = t;
  return true;
}
bool TryStrToTime(const String& s, TDateTime& value) { return TryStrToTime(s, value, FormatSettings()); }

TDateTime StrToTime(const String& s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToTime(s, v, fs)) RaiseConvert("'%s' is not a valid time", s);
  return v;
}
TDateTime StrToTime(const String& s) { return StrToTime(s, FormatSettings()); }

bool TryStrToDateTime(const String& s, TDateTime& value, const TFormatSettings& fs) {
  TScanner sc{s};
  TDateTime d, t = 0;
  if (ScanDate(sc, d, fs) && (sc.AtEnd() || (ScanTime(sc, t, fs) && sc.AtEnd()))) {
    value = d < 0 ? d - t : d + t;
    return true;
  }
  return TryStrToTime(s, value, fs);
}
bool TryStrToDateTime(const String& s, TDateTime& value) {
  return TryStrToDateTime(s, value, FormatSettings());
}

TDateTime StrToDateTime(const String& s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDateTime(s, v, fs)) RaiseConvert("'%s' is not a valid date and time", s);
  return v;
}
TDateTime StrToDateTime(const String& s) { return StrToDateTime(s, FormatSettings()); }

String BoolToStr(bool value, bool useBoolStrs) {
  if (useBoolStrs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

bool TryStrToBool(const String& s, bool& value) {
  Extended number;
  if (TryStrToFloat(s, number)) {
    value = number != 0;
    return true;
  }
  const String t = Trim(s);
  if (SameText(t, "True")) {
    value = true;
    return true;
  }
  if (SameText(t, "False")) {
    value = false;
    return true;
  }
  return false;
}

bool StrToBool(const String& s) {
  bool v;
  if (!TryStrToBool(s, v)) RaiseConvert("'%s' is not a valid boolean value", s);
  return v;
}

bool StrToBoolDef(const String& s, bool def) {
  bool v;
  return TryStrToBool(s, v) ? v : def;
}

}  // namespace orv
