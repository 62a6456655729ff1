#include "platform/rtl/FormatSettings.h"

namespace orv {

namespace {

TFormatSettings MakeThai() {
  TFormatSettings fs;
  fs.CurrencyString = "฿";
  fs.CurrencyFormat = 0;
  fs.NegCurrFormat = 1;
  fs.ThousandSeparator = ",";
  fs.DecimalSeparator = ".";
  fs.CurrencyDecimals = 2;
  fs.DateSeparator = "/";
  fs.TimeSeparator = ":";
  fs.ListSeparator = ",";
  fs.ShortDateFormat = "d/m/yyyy";
  fs.LongDateFormat = "d mmmm yyyy";
  fs.TimeAMString = "AM";
  fs.TimePMString = "PM";
  fs.ShortTimeFormat = "H:mm";
  fs.LongTimeFormat = "H:mm:ss";
  fs.ShortMonthNames = {"ม.ค.", "ก.พ.", "มี.ค.", "เม.ย.", "พ.ค.", "มิ.ย.",
                        "ก.ค.", "ส.ค.", "ก.ย.", "ต.ค.", "พ.ย.", "ธ.ค."};
  fs.LongMonthNames = {"มกราคม", "กุมภาพันธ์", "มีนาคม", "เมษายน", "พฤษภาคม", "มิถุนายน",
                       "กรกฎาคม", "สิงหาคม", "กันยายน", "ตุลาคม", "พฤศจิกายน", "ธันวาคม"};
  fs.ShortDayNames = {"อา.", "จ.", "อ.", "พ.", "พฤ.", "ศ.", "ส."};
  fs.LongDayNames = {"อาทิตย์", "จันทร์", "อังคาร", "พุธ", "พฤหัสบดี", "ศุกร์", "เสาร์"};
  fs.TwoDigitYearCenturyWindow = 50;
  return fs;
}

TFormatSettings MakeEnglish() {
  TFormatSettings fs;
  fs.CurrencyString = "$";
  fs.CurrencyFormat = 0;
  fs.NegCurrFormat = 0;
  fs.ThousandSeparator = ",";
  fs.DecimalSeparator = ".";
  fs.CurrencyDecimals = 2;
  fs.DateSeparator = "/";
  fs.TimeSeparator = ":";
  fs.ListSeparator = ",";
  fs.ShortDateFormat = "M/d/yyyy";
  fs.LongDateFormat = "dddd, MMMM d, yyyy";
  fs.TimeAMString = "AM";
  fs.TimePMString = "PM";
  fs.ShortTimeFormat = "h:mm AMPM";
  fs.LongTimeFormat = "h:mm:ss AMPM";
  fs.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  fs.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                       "July",    "August",   "September", "October", "November", "December"};
  fs.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  fs.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  fs.TwoDigitYearCenturyWindow = 50;
  return fs;
}

TFormatSettings& Current() {
  static TFormatSettings current = ThaiFormatSettings();
  return current;
}

}  // namespace

const TFormatSettings& ThaiFormatSettings() {
  static const TFormatSettings thai = MakeThai();
  return thai;
}

const TFormatSettings& EnglishFormatSettings() {
  static const TFormatSettings english = MakeEnglish();
  return english;
}

const TFormatSettings& FormatSettings() { return Current(); }

void SetFormatSettings(const TFormatSettings& settings) { Current() = settings; }

}  // namespace orv
