#pragma once
// The locale table that every date, number and currency conversion reads.
#include <array>

#include "platform/rtl/Types.h"

namespace orv {

// One locale's separators, formats and names, as the class library keeps them.
struct TFormatSettings {
  String CurrencyString;
  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  Byte CurrencyFormat = 0;
  // 0 "($1)" ... 15 "(1 $)", the sixteen forms of the Windows locale data.
  Byte NegCurrFormat = 0;
  // Separators are single code points kept as UTF-8 strings; an empty thousand separator means none.
  String ThousandSeparator;
  String DecimalSeparator;
  Byte CurrencyDecimals = 2;
  String DateSeparator;
  String TimeSeparator;
  String ListSeparator;
  String ShortDateFormat;
  String LongDateFormat;
  String TimeAMString;
  String TimePMString;
  String ShortTimeFormat;
  String LongTimeFormat;
  std::array<String, 12> ShortMonthNames;
  std::array<String, 12> LongMonthNames;
  // Index 0 is Sunday.
  std::array<String, 7> ShortDayNames;
  std::array<String, 7> LongDayNames;
  // A two-digit year lands in the hundred years that end this many years after the current one.
  Word TwoDigitYearCenturyWindow = 50;
};

// The Thai table: Gregorian years, "d/m/yyyy", Thai month and day names, the baht sign.
const TFormatSettings& ThaiFormatSettings();
// The US English table ("M/d/yyyy", AM/PM).
const TFormatSettings& EnglishFormatSettings();

// The program's locale; Thai until replaced. Read and replaced on the GUI thread only.
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

}  // namespace orv
