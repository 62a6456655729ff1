#pragma once
// The decimal digits of a float and their rounding, shared by the number formatters.
#include <string>

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Types.h"

namespace orv {

// value = 0.Digits x 10^Exponent; Digits has no trailing zeros and is empty for zero.
struct TDecimalDigits {
  bool Negative = false;
  int Exponent = 0;
  std::string Digits;
};

// The shortest digits that read back as the same double, so 1.005 is "1005" and not the binary
// expansion 1.00499999...; rounding then works on what the user typed. value must be finite.
TDecimalDigits ToDecimalDigits(Extended value);
// Rounds half away from zero to count significant digits.
void RoundSignificant(TDecimalDigits& d, int count);
// Rounds half away from zero to decimals digits after the point (negative: to tens, hundreds...).
void RoundDecimals(TDecimalDigits& d, int decimals);

// Digits of the integer part ("0" for none) and exactly decimals digits of the fraction.
std::string IntegerDigits(const TDecimalDigits& d);
std::string FractionDigits(const TDecimalDigits& d, int decimals);
// Inserts sep between groups of three digits.
String GroupThousands(const std::string& digits, const String& sep);

// "NAN", "INF" or "-INF" for values that are not finite, else empty.
String NonFiniteText(Extended value);

// Places a formatted amount into the locale's currency pattern.
String ApplyCurrencyFormat(const String& amount, bool negative, const TFormatSettings& fs);

}  // namespace orv
