#pragma once
// Dates as the spreadsheet numbers them. Its day 1 is 1900-01-01 and it counts a 29 February
// 1900 that never was, so from 1900-03-01 on its numbers equal the program's day numbers
// (days since 1899-12-30) and before that they are one less.
namespace orv {

inline constexpr double kSheetFirstSharedDay = 61;  // 1900-03-01 in both countings

inline double SheetSerialFromDate(double date) {
  return date >= 1 && date < kSheetFirstSharedDay ? date - 1 : date;
}

inline double DateFromSheetSerial(double serial) {
  return serial >= 1 && serial < kSheetFirstSharedDay - 1 ? serial + 1 : serial;
}

}  // namespace orv
