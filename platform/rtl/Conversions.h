#pragma once
// Conversions between numbers, dates, booleans and their text, in the program's locale or a given one.
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Types.h"

namespace orv {

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

String IntToStr(Int64 value);
// Upper case, at least digits digits; a negative value is written as its 64-bit two's complement.
String IntToHex(Int64 value, int digits);

// Accept blanks around the number, a sign, and "$" or "0x" for hexadecimal.
Integer StrToInt(const String& s);  // EConvertError "'%s' is not a valid integer value"
Integer StrToIntDef(const String& s, Integer def);
bool TryStrToInt(const String& s, Integer& value);
Int64 StrToInt64(const String& s);
Int64 StrToInt64Def(const String& s, Int64 def);
bool TryStrToInt64(const String& s, Int64& value);

// The decimal separator is the locale's; blanks around the number are allowed.
Extended StrToFloat(const String& s);  // EConvertError "'%s' is not a valid floating point value"
Extended StrToFloat(const String& s, const TFormatSettings& fs);
Extended StrToFloatDef(const String& s, Extended def);
Extended StrToFloatDef(const String& s, Extended def, const TFormatSettings& fs);
bool TryStrToFloat(const String& s, Extended& value);
bool TryStrToFloat(const String& s, Extended& value, const TFormatSettings& fs);

// Fifteen significant digits, general format.
String FloatToStr(Extended value);
String FloatToStr(Extended value, const TFormatSettings& fs);
String FloatToStrF(Extended value, TFloatFormat format, int precision, int digits);
String FloatToStrF(Extended value, TFloatFormat format, int precision, int digits,
                   const TFormatSettings& fs);
String CurrToStr(Extended value);
String CurrToStr(Extended value, const TFormatSettings& fs);
Extended StrToCurr(const String& s);
Extended StrToCurr(const String& s, const TFormatSettings& fs);

String DateToStr(TDateTime value);
String DateToStr(TDateTime value, const TFormatSettings& fs);
String TimeToStr(TDateTime value);
String TimeToStr(TDateTime value, const TFormatSettings& fs);
// The time is left out when it is midnight.
String DateTimeToStr(TDateTime value);
String DateTimeToStr(TDateTime value, const TFormatSettings& fs);

// Dates are read in the order of ShortDateFormat; EConvertError "'%s' is not a valid date".
TDateTime StrToDate(const String& s);
TDateTime StrToDate(const String& s, const TFormatSettings& fs);
TDateTime StrToDateDef(const String& s, TDateTime def);
TDateTime StrToDateDef(const String& s, TDateTime def, const TFormatSettings& fs);
bool TryStrToDate(const String& s, TDateTime& value);
bool TryStrToDate(const String& s, TDateTime& value, const TFormatSettings& fs);
// EConvertError "'%s' is not a valid time".
TDateTime StrToTime(const String& s);
TDateTime StrToTime(const String& s, const TFormatSettings& fs);
bool TryStrToTime(const String& s, TDateTime& value);
bool TryStrToTime(const String& s, TDateTime& value, const TFormatSettings& fs);
// EConvertError "'%s' is not a valid date and time".
TDateTime StrToDateTime(const String& s);
TDateTime StrToDateTime(const String& s, const TFormatSettings& fs);
bool TryStrToDateTime(const String& s, TDateTime& value);
bool TryStrToDateTime(const String& s, TDateTime& value, const TFormatSettings& fs);

// useBoolStrs gives "True"/"False"; otherwise "-1"/"0".
String BoolToStr(bool value, bool useBoolStrs = false);
// "True"/"False" in any case, or a number (non-zero is true); EConvertError
// "'%s' is not a valid boolean value".
bool StrToBool(const String& s);
bool StrToBoolDef(const String& s, bool def);
bool TryStrToBool(const String& s, bool& value);

}  // namespace orv
