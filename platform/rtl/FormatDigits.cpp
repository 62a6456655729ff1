#include "platform/rtl/FormatDigits.h"

#include <charconv>
#include <cmath>

namespace orv {

namespace {

void Normalize(TDecimalDigits& d) {
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  size_t lead = 0;
  while (lead < d.Digits.size() && d.Digits[lead] == '0') ++lead;
  d.Digits.erase(0, lead);
  d.Exponent -= static_cast<int>(lead);
  if (d.Digits.empty()) {
    d.Exponent = 0;
    d.Negative = false;
  }
}

// Keeps the first keep digits, rounding on the next one.
void RoundAt(TDecimalDigits& d, int keep) {
  if (keep >= static_cast<int>(d.Digits.size())) return;
  if (keep < 0) {
    d.Digits.clear();
    Normalize(d);
    return;
  }
  const bool up = d.Digits[static_cast<size_t>(keep)] >= '5';
  d.Digits.resize(static_cast<size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.Digits[static_cast<size_t>(i)] == '9') {
      d.Digits[static_cast<size_t>(i)] = '0';
      --i;
    }
    if (i >= 0) {
      ++d.Digits[static_cast<size_t>(i)];
    } else {
      d.Digits.insert(d.Digits.begin(), '1');
      ++d.Exponent;
    }
  }
  Normalize(d);
}

}  // namespace

TDecimalDigits ToDecimalDigits(Extended value) {
  TDecimalDigits d;
  if (value == 0 || !std::isfinite(value)) return d;
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
  const std::string text(buf, res.ptr);
  const size_t e = text.find('e');
  for (size_t i = 0; i < e; ++i)
    if (text[i] != '.') d.Digits += text[i];
  d.Exponent = std::stoi(text.substr(e + 1)) + 1;
  d.Negative = value < 0;
  Normalize(d);
  return d;
}

void RoundSignificant(TDecimalDigits& d, int count) { RoundAt(d, count); }

void RoundDecimals(TDecimalDigits& d, int decimals) {
  if (d.Digits.empty()) return;
  RoundAt(d, d.Exponent + decimals);
}

std::string IntegerDigits(const TDecimalDigits& d) {
  if (d.Exponent <= 0) return "0";
  std::string s = d.Digits.substr(0, static_cast<size_t>(d.Exponent));
  s.resize(static_cast<size_t>(d.Exponent), '0');
  return s;
}

std::string FractionDigits(const TDecimalDigits& d, int decimals) {
  std::string s;
  for (int i = 0; i < decimals; ++i) {
    const int index = d.Exponent + i;
    s += index >= 0 && index < static_cast<int>(d.Digits.size()) ? d.Digits[static_cast<size_t>(index)]
                                                                    : '0';
  }
  return s;
}

String GroupThousands(const std::string& digits, const String& sep) {
  if (sep.empty()) return digits;
  String out;
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += sep;
    out += digits[i];
  }
  return out;
}

String NonFiniteText(Extended value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  return String();
}

String ApplyCurrencyFormat(const String& amount, bool negative, const TFormatSettings& fs) {
  const String& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1: return amount + c;
      case 2: return c + " " + amount;
      case 3: return amount + " " + c;
      default: return c + amount;
    }
  }
  switch (fs.NegCurrFormat) {
    case 1: return "-" + c + amount;
    case 2: return c + "-" + amount;
    case 3: return c + amount + "-";
    case 4: return "(" + amount + c + ")";
    case 5: return "-" + amount + c;
    case 6: return amount + "-" + c;
    case 7: return amount + c + "-";
    case 8: return "-" + amount + " " + c;
    case 9: return "-" + c + " " + amount;
    case 10: return amount + " " + c + "-";
    case 11: return c + " " + amount + "-";
    case 12: return c + " -" + amount;
    case 13: return amount + "- " + c;
    case 14: return "(" + c + " " + amount + ")";
    case 15: return "(" + amount + " " + c + ")";
    default: return "(" + c + amount + ")";
  }
}

}  // namespace orv
