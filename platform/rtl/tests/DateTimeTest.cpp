#include <gtest/gtest.h>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"

namespace orv {
namespace {

TEST(DateTimeTest, EncodeDecodeAcrossTheCalendar) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2024, 3, 5), 45356.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), MinDateTime);
  // Every day from 1600 to 2100 decodes to what encoded it and the days are consecutive.
  TDateTime previous = EncodeDate(1599, 12, 31);
  for (Word y = 1600; y <= 2100; ++y) {
    for (Word m = 1; m <= 12; ++m) {
      for (Word d = 1; d <= DaysInMonth(y, m); ++d) {
        const TDateTime value = EncodeDate(y, m, d);
        ASSERT_EQ(value, previous + 1) << y << "-" << m << "-" << d;
        Word yy, mm, dd;
        DecodeDate(value, yy, mm, dd);
        ASSERT_TRUE(yy == y && mm == m && dd == d) << y << "-" << m << "-" << d;
        previous = value;
      }
    }
  }
}

TEST(DateTimeTest, InvalidPartsRaise) {
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(2024, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
  TDateTime d = 7;
  EXPECT_FALSE(TryEncodeDate(2024, 4, 31, d));
  EXPECT_EQ(d, 7);
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, d));
  try {
    EncodeDate(2023, 2, 29);
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to date encode");
  }
}

TEST(DateTimeTest, NegativeValuesCarryTheTimeAsTheFractionMagnitude) {
  Word y, m, d, h, n, s, ms;
  DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
  EXPECT_EQ(y, 1899);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h, 6);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_EQ(EncodeDateTime(1850, 6, 1, 12, 0, 0, 0), EncodeDate(1850, 6, 1) - 0.5);
  EXPECT_EQ(DayOfWeek(-1.25), 6);  // a Friday
}

TEST(DateTimeTest, TimeRoundingNeverGivesHour24) {
  Word y, m, d, h, n, s, ms;
  const TDateTime almost = EncodeDate(2024, 3, 5) + (MSecsPerDay - 0.4) / MSecsPerDay;
  DecodeDateTime(almost, y, m, d, h, n, s, ms);
  EXPECT_EQ(d, 6);
  EXPECT_EQ(h, 0);
  DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
  EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + ms, 235959999);
}

TEST(DateTimeTest, CalendarHelpers) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2024, 13), 0);
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 3)), 1);  // Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 9)), 7);  // Saturday
  const TDateTime feb = EncodeDate(2007, 2, 28);
  EXPECT_EQ(DayOf(feb), 28);
  EXPECT_EQ(MonthOf(feb), 2);
  EXPECT_EQ(YearOf(feb), 2007);
  // Month arithmetic clamps the day and keeps the time.
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 3, 31), -13), EncodeDate(2023, 2, 28));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 15) + 0.5, 12), EncodeDate(2025, 1, 15) + 0.5);
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
  EXPECT_THROW(IncMonth(EncodeDate(2024, 1, 1), 2000000000), EConvertError);
}

TEST(DateTimeTest, ClockIsConsistent) {
  const TDateTime now = Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_LE(Date(), now);
  EXPECT_GE(Time(), 0.0);
  EXPECT_LT(Time(), 1.0);
}

}  // namespace
}  // namespace orv
