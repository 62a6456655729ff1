#include "script/SysFunctions.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "platform/gui/Dialogs.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Dispatch.h"
#include "platform/rtl/Format.h"
#include "script/Expression.h"
#include "script/Script.h"
#include "script/TypeHelpers.h"

namespace orv {

std::unique_ptr<TsxRTTIModule> sxCreateSysFunctions(TsxScript* script) {
  return std::make_unique<TsxSysFunctions>(script);
}

TsxSysFunctions::TsxSysFunctions(TsxScript* script) : TsxRTTIModule(script) {
  AddTypesAndConstants();
  AddConversions();
  AddFormatting();
  AddDates();
  AddStrings();
  AddMath();
  AddOther();
}

void TsxSysFunctions::AddTypesAndConstants() {
  TsxScript& s = *Script;
  for (const char* name : {"Byte", "Word", "Integer", "Longint", "Cardinal", "TColor"}) s.AddType(name, fvtInt);
  s.AddType("Boolean", fvtBool);
  for (const char* name : {"Real", "Single", "Double", "Extended", "Currency", "TDate", "TTime", "TDateTime"})
    s.AddType(name, fvtFloat);
  s.AddType("Char", fvtChar);
  s.AddType("String", fvtString);
  s.AddType("Variant", fvtVariant);
  s.AddType("Pointer", fvtVariant);
  s.AddType("Array", fvtArray);
  s.AddType("Constructor", fvtConstructor);

  s.AddConst("True", "Boolean", Variant(true));
  s.AddConst("False", "Boolean", Variant(false));
  s.AddConst("nil", "Variant", Variant(0));
  s.AddConst("Null", "Variant", Null());
  static const struct {
    const char* Name;
    Integer Value;
  } kVarTypes[] = {{"varEmpty", 0},     {"varNull", 1},       {"varSmallint", 2}, {"varInteger", 3},
                   {"varSingle", 4},    {"varDouble", 5},     {"varCurrency", 6}, {"varDate", 7},
                   {"varOleStr", 8},    {"varDispatch", 9},   {"varError", 10},   {"varBoolean", 11},
                   {"varVariant", 12},  {"varUnknown", 13},   {"varShortInt", 16}, {"varByte", 17},
                   {"varWord", 18},     {"varLongWord", 19},  {"varInt64", 20},   {"varStrArg", 72},
                   {"varString", 256},  {"varAny", 257},      {"varTypeMask", 4095}, {"varArray", 8192},
                   {"varByRef", 16384}};
  for (const auto& v : kVarTypes) s.AddConst(v.Name, "Integer", Variant(v.Value));

  s.Add("__StringHelper", std::make_unique<TsxStringHelper>());
  s.Add("__ArrayHelper", std::make_unique<TsxArrayHelper>("__ArrayHelper", -1, fvtVariant, String()));
  s.AddVariable("ExceptionClassName", "String", Variant(""));
  s.AddVariable("ExceptionMessage", "String", Variant(""));
}

namespace {

using Caller = TsxMethodHelper;

Variant Arg(Caller& c, int i) { return c.GetParamValue(i); }

}  // namespace

// Registers one built-in: its declaration, its category and the body of its callback.
#define ORV_BUILTIN(decl, category, ...)                                                              \
  Script->AddMethod(decl, [](TObject*, TClass, const String&, Caller& c) -> Variant { __VA_ARGS__ }, \
                    category)

void TsxSysFunctions::AddConversions() {
  ORV_BUILTIN("function IntToStr(i: Integer): String", "ctConv", return Variant(IntToStr(Arg(c, 0).ToInt64()));
  );
  ORV_BUILTIN("function FloatToStr(e: Extended): String", "ctConv",
              return Variant(FloatToStr(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function DateToStr(e: Extended): String", "ctConv",
              return Variant(DateToStr(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function TimeToStr(e: Extended): String", "ctConv",
              return Variant(TimeToStr(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function DateTimeToStr(e: Extended): String", "ctConv",
              return Variant(DateTimeToStr(Arg(c, 0).ToDouble())););
  ORV_BUILTIN("function VarToStr(v: Variant): String", "ctConv", return Variant(VarToStr(Arg(c, 0))););
  ORV_BUILTIN("function StrToInt(s: String): Integer", "ctConv",
              return Variant(StrToInt(Arg(c, 0).ToString())););
  ORV_BUILTIN("function StrToInt64(s: String): Integer", "ctConv",
              return Variant(StrToInt64(Arg(c, 0).ToString())););
  ORV_BUILTIN("function StrToFloat(s: String): Extended", "ctConv",
              return Variant(static_cast<double>(StrToFloat(Arg(c, 0).ToString()))););
  ORV_BUILTIN("function StrToDate(s: String): Extended", "ctConv",
              return Variant::FromDate(StrToDate(Arg(c, 0).ToString())););
  ORV_BUILTIN("function StrToTime(s: String): Extended", "ctConv",
              return Variant::FromDate(StrToTime(Arg(c, 0).ToString())););
  ORV_BUILTIN("function StrToDateTime(s: String): Extended", "ctConv",
              return Variant::FromDate(StrToDateTime(Arg(c, 0).ToString())););
}

namespace {

// A picture is taken apart into a piece per character, each many times the character's byte:
// what that costs is asked of the script's memory before it is made, and its time counted.
void ReservePicture(const Variant& picture) {
  const size_t bytes = picture.VType() == varString ? picture.StrView().size() : 0;
  constexpr Int64 kBytesPerCharacter = 64;
  TsxScript::ReserveMemory(static_cast<Int64>(bytes) * kBytesPerCharacter);
  TsxScript::ChargeScan(bytes);
}

}  // namespace

void TsxSysFunctions::AddFormatting() {
  ORV_BUILTIN("function Format(Fmt: String; Args: array): String", "ctFormat", {
    const Variant args = Arg(c, 1);
    if (!VarIsArray(args)) {
      if (args.IsNull() || args.IsEmpty()) return Variant(Format(Arg(c, 0).ToString(), {}));
      const std::vector<TVarRec> one = sxVariantToVarRec(VarArrayOf({args}));
      return Variant(Format(Arg(c, 0).ToString(), one));
    }
    // The texts it is given bound what Format can make: ask the text limit first.
    size_t bytes = Arg(c, 0).StrView().size();
    for (Integer i = VarArrayLowBound(args, 1); i <= VarArrayHighBound(args, 1); ++i)
      bytes += VarArrayGet(args, {i}).StrView().size();
    sxCheckTextLength(bytes);
    const std::vector<TVarRec> list = sxVariantToVarRec(args);
    String text = Format(Arg(c, 0).ToString(), list);
    // Long texts in and out take as long as statements would to copy them.
    TsxScript::ChargeScan(bytes + text.size());
    return Variant(std::move(text));
  });
  ORV_BUILTIN("function FormatFloat(Fmt: String; Value: Extended): String", "ctFormat", {
    ReservePicture(Arg(c, 0));
    return Variant(FormatFloat(Arg(c, 0).ToString(), Arg(c, 1).ToDouble()));
  });
  ORV_BUILTIN("function FormatDateTime(Fmt: String; DateTime: TDateTime): String", "ctFormat", {
    ReservePicture(Arg(c, 0));
    return Variant(FormatDateTime(Arg(c, 0).ToString(), Arg(c, 1).ToDouble()));
  });
  ORV_BUILTIN("function FormatMaskText(EditMask: string; Value: string): string", "ctFormat", {
    ReservePicture(Arg(c, 0));
    ReservePicture(Arg(c, 1));
    return Variant(FormatMaskText(Arg(c, 0).ToString(), Arg(c, 1).ToString()));
  });
}

namespace {

Word ToWord(const Variant& v) {
  const Int64 n = v.ToInt64();
  if (n < 0 || n > 65535) throw EConvertError("'" + v.ToString() + "' is not a valid date part");
  return static_cast<Word>(n);
}

}  // namespace

void TsxSysFunctions::AddDates() {
  ORV_BUILTIN("function EncodeDate(Year, Month, Day: Word): TDateTime", "ctDate",
              return Variant::FromDate(EncodeDate(ToWord(Arg(c, 0)), ToWord(Arg(c, 1)), ToWord(Arg(c, 2)))););
  ORV_BUILTIN("procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", "ctDate", {
    Word y, m, d;
    DecodeDate(Arg(c, 0).ToDouble(), y, m, d);
    c.SetParamValue(1, Variant(y));
    c.SetParamValue(2, Variant(m));
    c.SetParamValue(3, Variant(d));
    return Variant();
  });
  ORV_BUILTIN("function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", "ctDate",
              return Variant::FromDate(EncodeTime(ToWord(Arg(c, 0)), ToWord(Arg(c, 1)), ToWord(Arg(c, 2)),
                                                  ToWord(Arg(c, 3)))););
  ORV_BUILTIN("procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", "ctDate", {
    Word h, m, s, ms;
    DecodeTime(Arg(c, 0).ToDouble(), h, m, s, ms);
    c.SetParamValue(1, Variant(h));
    c.SetParamValue(2, Variant(m));
    c.SetParamValue(3, Variant(s));
    c.SetParamValue(4, Variant(ms));
    return Variant();
  });
  ORV_BUILTIN("function Date: TDateTime", "ctDate", (void)c; return Variant::FromDate(Date()););
  ORV_BUILTIN("function Time: TDateTime", "ctDate", (void)c; return Variant::FromDate(Time()););
  ORV_BUILTIN("function Now: TDateTime", "ctDate", (void)c; return Variant::FromDate(Now()););
  ORV_BUILTIN("function DayOfWeek(aDate: TDateTime): Integer", "ctDate",
              return Variant(static_cast<Integer>(DayOfWeek(Arg(c, 0).ToDouble()))););
  ORV_BUILTIN("function IsLeapYear(Year: Word): Boolean", "ctDate",
              return Variant(IsLeapYear(ToWord(Arg(c, 0)))););
  ORV_BUILTIN("function DaysInMonth(nYear, nMonth: Integer): Integer", "ctDate", {
    static const Integer kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const Int64 year = Arg(c, 0).ToInt64();
    const Int64 month = Arg(c, 1).ToInt64();
    if (month < 1 || month > 12)
      throw ERangeError("Month " + std::to_string(month) + " is not in the range 1 to 12");
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return Variant(kDays[month - 1] + (month == 2 && leap ? 1 : 0));
  });
}

namespace {

std::mt19937_64& Generator() {
  static std::mt19937_64 generator(0);
  return generator;
}

template <class F>
bool Succeeds(F f) {
  try {
    f();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

void TsxSysFunctions::AddOther() {
  ORV_BUILTIN("procedure Inc(var i: Integer; incr: Integer = 1)", "ctOther", {
    c.SetParamValue(0, Arg(c, 0) + Arg(c, 1));
    return Variant();
  });
  ORV_BUILTIN("procedure Dec(var i: Integer; decr: Integer = 1)", "ctOther", {
    c.SetParamValue(0, Arg(c, 0) - Arg(c, 1));
    return Variant();
  });
  ORV_BUILTIN("procedure RaiseException(Param: String)", "ctOther", throw Exception(Arg(c, 0).ToString()););
  ORV_BUILTIN("procedure ShowMessage(Msg: Variant)", "ctOther", {
    ShowMessage(VarToStr(Arg(c, 0)));
    return Variant();
  });
  ORV_BUILTIN("procedure Randomize", "ctOther", {
    (void)c;
    Generator().seed(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    return Variant();
  });
  ORV_BUILTIN("function Random: Extended", "ctOther", {
    (void)c;
    return Variant(std::uniform_real_distribution<double>(0.0, 1.0)(Generator()));
  });
  ORV_BUILTIN("function ValidInt(cInt: String): Boolean", "ctOther", {
    const String text = Arg(c, 0).ToString();
    return Variant(Succeeds([&] { StrToInt(text); }));
  });
  ORV_BUILTIN("function ValidFloat(cFlt: String): Boolean", "ctOther", {
    const String text = Arg(c, 0).ToString();
    return Variant(Succeeds([&] { StrToFloat(text); }));
  });
  ORV_BUILTIN("function ValidDate(cDate: String): Boolean", "ctOther", {
    const Variant v = Arg(c, 0);
    return Variant(Succeeds([&] {
      const String text = v.VType() == varDate ? DateToStr(v.ToDateTime()) : v.ToString();
      StrToDate(text);
    }));
  });
  ORV_BUILTIN("function CreateOleObject(ClassName: String): Variant", "ctOther",
              return CreateOleObject(Arg(c, 0).ToString()););
  ORV_BUILTIN("function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", "ctOther", {
    const Variant bounds = Arg(c, 0);
    if (!VarIsArray(bounds)) throw EVariantArrayCreateError("Error creating variant or safe array");
    std::vector<Integer> list;
    for (Integer i = VarArrayLowBound(bounds, 1); i <= VarArrayHighBound(bounds, 1); ++i)
      list.push_back(VarArrayGet(bounds, {i}).ToInteger());
    // Every element is made and set: one step each.
    TsxScript::ChargeWork(sxCheckArrayBounds(list));
    return VarArrayCreate(list, static_cast<TVarType>(Arg(c, 1).ToInteger()));
  });
  ORV_BUILTIN("function VarType(V: Variant): Integer", "ctOther",
              return Variant(static_cast<Integer>(VarType(Arg(c, 0)))););
}

}  // namespace orv
