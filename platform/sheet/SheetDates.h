#pragma once
// Dates and numbers as the spreadsheet shows them. Dates as it numbers them: Its day 1 is 1900-01-01 and it counts a 29 February
// 1900 that never was, so from 1900-03-01 on its numbers equal the program's day numbers
// (days since 1899-12-30) and before that they are one less.
#include "platform/rtl/Types.h"

namespace orv {

// A number format that shows a date: it has a day or year code outside quotes.
bool IsDateFormat(const String& format);

// What a cell of this number format shows for number: the format applied (dates by their
// codes, numbers by the digit codes), or every digit of it under General.
String FormattedNumber(const String& format, double number);

// Every digit the number needs, as General shows it.
String ShortestNumberText(double number);

inline constexpr double kSheetFirstSharedDay = 61;  // 1900-03-01 in both countings

inline double SheetSerialFromDate(double date) {
  return date >= 1 && date < kSheetFirstSharedDay ? date - 1 : date;
}

inline double DateFromSheetSerial(double serial) {
  return serial >= 1 && serial < kSheetFirstSharedDay - 1 ? serial + 1 : serial;
}

}  // namespace orv
