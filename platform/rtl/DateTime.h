#pragma once
// TDateTime arithmetic: encoding and decoding of dates and times, the clock, calendar helpers.
#include "platform/rtl/Types.h"

namespace orv {

// Seconds and milliseconds in one TDateTime unit.
inline constexpr double SecsPerDay = 24 * 60 * 60;
inline constexpr double MSecsPerDay = SecsPerDay * 1000;
// TDateTime of 0001-01-01, the first date that encodes.
inline constexpr double MinDateTime = -693593.0;
// Days from 0001-01-01 to 1899-12-30.
inline constexpr Integer DateDelta = 693594;

bool IsLeapYear(Word year);
Word DaysInMonth(Word year, Word month);  // 0 when month is out of 1..12

// Encode raise EConvertError on an invalid date or time; Try* return false instead.
TDateTime EncodeDate(Word year, Word month, Word day);
bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date);
TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec);
bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time);
TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec, Word msec);

// A negative value still carries the time as its fraction's magnitude: -1.25 is 1899-12-29 06:00.
void DecodeDate(TDateTime date, Word& year, Word& month, Word& day);
// Also returns whether the year is a leap year.
bool DecodeDateFully(TDateTime date, Word& year, Word& month, Word& day, Word& dow);
void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec);
void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min,
                    Word& sec, Word& msec);

// The date part (time removed) and the time part (date removed).
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// Local clock.
TDateTime Date();
TDateTime Time();
TDateTime Now();

// 1 = Sunday ... 7 = Saturday.
Word DayOfWeek(TDateTime value);
Word YearOf(TDateTime value);
Word MonthOf(TDateTime value);
Word DayOf(TDateTime value);

// Adds months, keeping the day or clamping it to the last day of the target month; keeps the time.
TDateTime IncMonth(TDateTime value, Integer months = 1);
// Adds the months to a date given in parts, clamping the day, in place.
void IncAMonth(Word& year, Word& month, Word& day, Integer months = 1);

}  // namespace orv
