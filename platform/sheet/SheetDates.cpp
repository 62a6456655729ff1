#include "platform/sheet/SheetDates.h"

#include <cctype>
#include <cstdio>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"

namespace orv {

bool IsDateFormat(const String& format) {
  bool quoted = false;
  for (char c : format) {
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == 'd' || c == 'y' || c == 'D' || c == 'Y')) return true;
  }
  return false;
}

String ShortestNumberText(double number) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%.15g", number);
  return digits;
}

String FormattedNumber(const String& format, double number) {
  if (format.empty() || format == "General" || format == "@") return ShortestNumberText(number);
  // The spreadsheet writes minutes "mm" next to hours; the class library's date codes spell
  // them "nn". Only dates are converted: the digit codes of both agree.
  try {
    if (IsDateFormat(format)) {
      String codes;
      for (size_t i = 0; i < format.size();) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        if (c != 'm') {
          codes += c;
          ++i;
          continue;
        }
        size_t end = i;
        while (end < format.size() && std::tolower(static_cast<unsigned char>(format[end])) == 'm') ++end;
        char before = i > 0 ? static_cast<char>(std::tolower(static_cast<unsigned char>(format[i - 1]))) : ' ';
        char after = end < format.size() ? format[end] : ' ';
        bool minutes = before == 'h' || before == ':' || after == ':';
        codes.append(end - i, minutes ? 'n' : 'm');
        i = end;
      }
      return FormatDateTime(codes, DateFromSheetSerial(number));
    }
    return FormatFloat(format, number);
  } catch (const Exception&) {
    return ShortestNumberText(number);
  }
}

}  // namespace orv
