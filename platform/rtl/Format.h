#pragma once
// The format-string language of the class library: Format, FormatFloat, FormatCurr,
// FormatDateTime and FormatMaskText.
#include <initializer_list>
#include <span>

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Types.h"

namespace orv {

// One argument of Format, tagged with its kind. A Variant is converted by the caller.
struct TVarRec {
  enum TKind { vtInteger, vtInt64, vtExtended, vtCurrency, vtString, vtBoolean, vtChar, vtPointer };

  TKind Kind = vtInteger;
  Int64 IntValue = 0;        // vtInteger, vtInt64, vtBoolean (0/1), vtPointer (an address or handle)
  Extended FloatValue = 0;   // vtExtended, vtCurrency
  String StrValue;           // vtString, vtChar (one code point)

  TVarRec() = default;
  TVarRec(int v) : Kind(vtInteger), IntValue(v) {}
  TVarRec(long v) : Kind(vtInt64), IntValue(v) {}
  TVarRec(long long v) : Kind(vtInt64), IntValue(v) {}
  TVarRec(unsigned v) : Kind(vtInt64), IntValue(v) {}
  // Sizes and counts; values past the Int64 range wrap.
  TVarRec(unsigned long v) : Kind(vtInt64), IntValue(static_cast<Int64>(v)) {}
  TVarRec(unsigned long long v) : Kind(vtInt64), IntValue(static_cast<Int64>(v)) {}
  TVarRec(double v) : Kind(vtExtended), FloatValue(v) {}
  TVarRec(bool v) : Kind(vtBoolean), IntValue(v ? 1 : 0) {}
  TVarRec(String v) : Kind(vtString), StrValue(std::move(v)) {}
  TVarRec(const char* v) : Kind(vtString), StrValue(v ? v : "") {}
  TVarRec(const void* p) : Kind(vtPointer), IntValue(static_cast<Int64>(reinterpret_cast<std::uintptr_t>(p))) {}

  static TVarRec Currency(Extended v) {
    TVarRec r;
    r.Kind = vtCurrency;
    r.FloatValue = v;
    return r;
  }
  static TVarRec Char(String ch) {
    TVarRec r;
    r.Kind = vtChar;
    r.StrValue = std::move(ch);
    return r;
  }
  // An object handle from the live-object registry, printed by %p like an address.
  static TVarRec Pointer(Int64 handle) {
    TVarRec r;
    r.Kind = vtPointer;
    r.IntValue = handle;
    return r;
  }
};

// %[index:][-][width][.precision]type with d u e f g n m p s x; "*" takes width or precision
// from the arguments. A mismatch raises EConvertError "Format '%s' invalid or incompatible with argument".
String Format(const String& fmt, std::span<const TVarRec> args);
String Format(const String& fmt, std::span<const TVarRec> args, const TFormatSettings& fs);
inline String Format(const String& fmt, std::initializer_list<TVarRec> args) {
  return Format(fmt, std::span<const TVarRec>(args.begin(), args.size()));
}
inline String Format(const String& fmt, std::initializer_list<TVarRec> args,
                     const TFormatSettings& fs) {
  return Format(fmt, std::span<const TVarRec>(args.begin(), args.size()), fs);
}

// Picture formats of up to three sections (positive;negative;zero) with 0 # . , E+ E- e+ e-
// and quoted text.
String FormatFloat(const String& fmt, Extended value);
String FormatFloat(const String& fmt, Extended value, const TFormatSettings& fs);
String FormatCurr(const String& fmt, Extended value);
String FormatCurr(const String& fmt, Extended value, const TFormatSettings& fs);

// d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm c
// / : and quoted text; an empty format means "c".
String FormatDateTime(const String& fmt, TDateTime value);
String FormatDateTime(const String& fmt, TDateTime value, const TFormatSettings& fs);

// Lays value into an edit mask ("mask;save-literals;blank"); places left empty are blanks.
String FormatMaskText(const String& editMask, const String& value);
String FormatMaskText(const String& editMask, const String& value, const TFormatSettings& fs);

}  // namespace orv
