#include <gtest/gtest.h>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"

namespace orv {
namespace {

String ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(ConversionsTest, IntegersFromText) {
  EXPECT_EQ(StrToInt(" 12"), 12);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x1F"), 31);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<Integer>::min());
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
  EXPECT_EQ(StrToInt64("4294967296"), Int64{1} << 32);
  Integer v = 99;
  // Out of range is refused rather than wrapped.
  EXPECT_FALSE(TryStrToInt("2147483648", v));
  EXPECT_FALSE(TryStrToInt("12 ", v));
  EXPECT_FALSE(TryStrToInt("", v));
  EXPECT_FALSE(TryStrToInt("$", v));
  EXPECT_FALSE(TryStrToInt("12a", v));
  EXPECT_EQ(v, 99);
  Int64 big;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", big));
  EXPECT_EQ(StrToIntDef("x", -3), -3);
  EXPECT_EQ(ErrorOf([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
  EXPECT_EQ(IntToStr(-1234567890123LL), "-1234567890123");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 4), "FFFFFFFFFFFFFFFF");
}

TEST(ConversionsTest, FloatsFromTextFollowTheLocale) {
  const TFormatSettings& en = EnglishFormatSettings();
  EXPECT_EQ(StrToFloat(" 1.5 ", en), 1.5);
  EXPECT_EQ(StrToFloat(".5", en), 0.5);
  EXPECT_EQ(StrToFloat("1.", en), 1.0);
  EXPECT_EQ(StrToFloat("-1e3", en), -1000.0);
  Extended v = 0;
  EXPECT_FALSE(TryStrToFloat("1,5", v, en));
  EXPECT_FALSE(TryStrToFloat("1.5e", v, en));
  EXPECT_FALSE(TryStrToFloat("-", v, en));
  EXPECT_FALSE(TryStrToFloat("1e400", v, en));
  EXPECT_FALSE(TryStrToFloat("nan", v, en));
  TFormatSettings comma = en;
  comma.DecimalSeparator = ",";
  EXPECT_EQ(StrToFloat("1,5", comma), 1.5);
  EXPECT_FALSE(TryStrToFloat("1.5", v, comma));
  EXPECT_EQ(ErrorOf([] { StrToFloat("abc"); }), "'abc' is not a valid floating point value");
  EXPECT_EQ(StrToFloatDef("?", 2.5), 2.5);
}

TEST(ConversionsTest, FloatToText) {
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(FloatToStr(-2.5), "-2.5");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1.5e-6), "1.5E-6");
  EXPECT_EQ(FloatToStr(0.00001), "0.00001");
  EXPECT_EQ(FloatToStr(-0.0), "0");
  EXPECT_EQ(CurrToStr(1234.56785), "1234.5679");
  EXPECT_EQ(StrToCurr("1.23456"), 1.2346);
  // Every double of a sample reads back from its text to within the 15 digits printed.
  for (double x : {3.14159265358979, 1e-300, 6.02214076e23, 0.1 + 0.2, 1234.5}) {
    EXPECT_NEAR(StrToFloat(FloatToStr(x)) / x, 1.0, 1e-14) << x;
  }
}

TEST(ConversionsTest, DatesInBothLocales) {
  const TFormatSettings& th = ThaiFormatSettings();
  const TFormatSettings& en = EnglishFormatSettings();
  const TDateTime d = EncodeDate(2024, 3, 5);
  EXPECT_EQ(DateToStr(d, th), "5/3/2024");
  EXPECT_EQ(DateToStr(d, en), "3/5/2024");
  EXPECT_EQ(StrToDate("5/3/2024", th), d);
  EXPECT_EQ(StrToDate(" 05 / 03 / 2024 ", th), d);
  EXPECT_EQ(StrToDate("3/5/2024", en), d);
  EXPECT_EQ(DateTimeToStr(d, th), "5/3/2024");
  EXPECT_EQ(DateTimeToStr(d + EncodeTime(14, 7, 9, 0), th), "5/3/2024 14:07:09");
  EXPECT_EQ(DateTimeToStr(d + EncodeTime(14, 7, 9, 0), en), "3/5/2024 2:07:09 PM");
  EXPECT_EQ(TimeToStr(EncodeTime(9, 5, 0, 0), th), "9:05:00");
  EXPECT_EQ(StrToDateTime("5/3/2024 14:07:09", th), d + EncodeTime(14, 7, 9, 0));
  EXPECT_EQ(StrToDateTime("3/5/2024 2:07 PM", en), d + EncodeTime(14, 7, 0, 0));
  EXPECT_EQ(StrToDateTime("10:30", th), EncodeTime(10, 30, 0, 0));
  EXPECT_EQ(StrToTime("12:15 AM", en), EncodeTime(0, 15, 0, 0));
  EXPECT_EQ(StrToTime("13:15:20.5", th), EncodeTime(13, 15, 20, 5));
  // Day and month only: this year.
  EXPECT_EQ(StrToDate("5/3", th), EncodeDate(YearOf(Date()), 3, 5));
  // Two-digit years fall in the fifty-year window around today.
  const int year = YearOf(Date());
  const TDateTime near = StrToDate("1/1/" + std::to_string(year % 100), th);
  EXPECT_EQ(YearOf(near), year);
  EXPECT_EQ(YearOf(StrToDate("1/1/" + std::to_string((year + 49) % 100), th)), year + 49);
  EXPECT_EQ(YearOf(StrToDate("1/1/" + std::to_string((year - 50) % 100), th)), year - 50);
  TDateTime v = 0;
  EXPECT_FALSE(TryStrToDate("31/2/2024", v, th));
  EXPECT_FALSE(TryStrToDate("5/3/2024x", v, th));
  EXPECT_FALSE(TryStrToDate("5-3-2024", v, th));
  EXPECT_FALSE(TryStrToDate("5/3/20245", v, th));
  EXPECT_FALSE(TryStrToTime("25:00", v, th));
  EXPECT_FALSE(TryStrToTime("13:00 PM", v, en));
  EXPECT_FALSE(TryStrToTime("7", v, th));
  EXPECT_EQ(v, 0);
  EXPECT_EQ(ErrorOf([] { StrToDate("31/2/2024"); }), "'31/2/2024' is not a valid date");
  EXPECT_EQ(ErrorOf([] { StrToTime("x"); }), "'x' is not a valid time");
  EXPECT_EQ(ErrorOf([] { StrToDateTime("1/1/2024 9"); }), "'1/1/2024 9' is not a valid date and time");
}

TEST(ConversionsTest, Booleans) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false), "0");
  EXPECT_EQ(BoolToStr(true, true), "True");
  EXPECT_TRUE(StrToBool("true"));
  EXPECT_FALSE(StrToBool("FALSE"));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_TRUE(StrToBool("2"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_EQ(ErrorOf([] { StrToBool("yes"); }), "'yes' is not a valid boolean value");
}

}  // namespace
}  // namespace orv
