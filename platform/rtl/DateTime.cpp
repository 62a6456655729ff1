#include "platform/rtl/DateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

constexpr Int64 kMSecsPerDay = 86400000;
// Days from 0001-01-01 to 1970-01-01 (proleptic Gregorian).
constexpr Int64 kUnixDelta = 719162;

// Days since 0001-01-01 (that day is 0) of a valid civil date.
Int64 DaysFromCivil(Int64 y, unsigned m, unsigned d) {
  y -= m <= 2;
  const Int64 era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<Int64>(doe) - 719468 + kUnixDelta;
}

void CivilFromDays(Int64 days, Int64& y, unsigned& m, unsigned& d) {
  const Int64 z = days - kUnixDelta + 719468;
  const Int64 era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<Int64>(yoe) + era * 400 + (m <= 2);
}

// Splits a TDateTime into whole days since 0001-01-01 (day 1 is 0001-01-01) and milliseconds of
// the day. The date part is truncated toward zero and the time is the fraction's magnitude, so
// -1.25 is the day before 1899-12-30 at 06:00.
void SplitDateTime(TDateTime value, Int64& day, Int64& msec) {
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
    day = 0;
    msec = 0;
    return;
  }
  const Int64 total = std::llround(value * static_cast<double>(kMSecsPerDay));
  day = DateDelta + total / kMSecsPerDay;
  msec = std::llabs(total) % kMSecsPerDay;
}

TDateTime CombineDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

}  // namespace

bool IsLeapYear(Word year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

Word DaysInMonth(Word year, Word month) {
  static constexpr Word kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(Word year, Word month, Word day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  date = static_cast<double>(DaysFromCivil(year, month, day) + 1 - DateDelta);
  return true;
}

TDateTime EncodeDate(Word year, Word month, Word day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result))
    throw EConvertError("Invalid argument to date encode");
  return result;
}

bool TryEncodeTime(Word hour, Word min, Word sec, Word msec, TDateTime& time) {
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) return false;
  time = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word hour, Word min, Word sec, Word msec) {
  TDateTime result;
  if (!TryEncodeTime(hour, min, sec, msec, result))
    throw EConvertError("Invalid argument to time encode");
  return result;
}

TDateTime EncodeDateTime(Word year, Word month, Word day, Word hour, Word min, Word sec,
                         Word msec) {
  return CombineDateTime(EncodeDate(year, month, day), EncodeTime(hour, min, sec, msec));
}

bool DecodeDateFully(TDateTime date, Word& year, Word& month, Word& day, Word& dow) {
  Int64 days, msec;
  SplitDateTime(date, days, msec);
  if (days <= 0 || days > DaysFromCivil(9999, 12, 31) + 1) {
    year = month = day = dow = 0;
    return false;
  }
  Int64 y;
  unsigned m, d;
  CivilFromDays(days - 1, y, m, d);
  year = static_cast<Word>(y);
  month = static_cast<Word>(m);
  day = static_cast<Word>(d);
  dow = static_cast<Word>(days % 7 + 1);
  return IsLeapYear(year);
}

void DecodeDate(TDateTime date, Word& year, Word& month, Word& day) {
  Word dow;
  DecodeDateFully(date, year, month, day, dow);
}

void DecodeTime(TDateTime time, Word& hour, Word& min, Word& sec, Word& msec) {
  Int64 days, ms;
  SplitDateTime(time, days, ms);
  hour = static_cast<Word>(ms / 3600000);
  min = static_cast<Word>(ms / 60000 % 60);
  sec = static_cast<Word>(ms / 1000 % 60);
  msec = static_cast<Word>(ms % 1000);
}

void DecodeDateTime(TDateTime value, Word& year, Word& month, Word& day, Word& hour, Word& min,
                    Word& sec, Word& msec) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, min, sec, msec);
}

TDateTime DateOf(TDateTime value) { return std::trunc(value); }

TDateTime TimeOf(TDateTime value) { return std::fabs(value - std::trunc(value)); }

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return EncodeDate(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                    static_cast<Word>(local.tm_mday)) +
         EncodeTime(static_cast<Word>(local.tm_hour), static_cast<Word>(local.tm_min),
                    static_cast<Word>(local.tm_sec % 60), static_cast<Word>(ms));
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() { return TimeOf(Now()); }

Word DayOfWeek(TDateTime value) {
  Int64 days, msec;
  SplitDateTime(value, days, msec);
  // 1899-12-30 (day DateDelta) was a Saturday.
  return static_cast<Word>(((days % 7) + 7) % 7 + 1);
}

Word YearOf(TDateTime value) {
  Word y, m, d;
  DecodeDate(value, y, m, d);
  return y;
}

Word MonthOf(TDateTime value) {
  Word y, m, d;
  DecodeDate(value, y, m, d);
  return m;
}

Word DayOf(TDateTime value) {
  Word y, m, d;
  DecodeDate(value, y, m, d);
  return d;
}

void IncAMonth(Word& year, Word& month, Word& day, Integer months) {
  Int64 index = static_cast<Int64>(year) * 12 + (month - 1) + months;
  const Int64 y = index >= 0 ? index / 12 : (index - 11) / 12;
  // A year outside 1..9999 becomes 0, which no date encodes.
  year = y >= 1 && y <= 9999 ? static_cast<Word>(y) : 0;
  month = static_cast<Word>(index - y * 12 + 1);
  const Word last = DaysInMonth(year, month);
  if (day > last) day = last;
}

TDateTime IncMonth(TDateTime value, Integer months) {
  Word y, m, d;
  DecodeDate(value, y, m, d);
  if (y == 0) throw EConvertError("Invalid argument to date encode");
  IncAMonth(y, m, d, months);
  return CombineDateTime(EncodeDate(y, m, d), TimeOf(value));
}

}  // namespace orv
