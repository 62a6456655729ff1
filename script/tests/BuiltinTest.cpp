// Every built-in function, type name and constant a script gets from AddRTTI, with expected
// values worked out by hand (dates in the program's Thai locale: d/m/yyyy, H:mm:ss).
#include <gtest/gtest.h>

#include "platform/rtl/DateTime.h"
#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {

// Each expression shown with VarToStr, one line each.
std::vector<String> Show(const std::vector<String>& exprs, const String& decls = "var v: Variant; i, y, m, d: Integer;",
                         const String& before = "") {
  String body = before;
  for (const String& e : exprs) body += "  ShowMessage(VarToStr(" + e + "));\n";
  const test::TRunResult r = test::Run("PascalScript", decls + "\nbegin\n" + body + "end.");
  EXPECT_TRUE(r.Compiled) << r.CompileError << " at " << r.CompilePos;
  EXPECT_EQ(r.RunError, "");
  return r.Lines;
}

String Error(const String& statement) {
  const test::TRunResult r = test::Run("PascalScript", "var v: Variant;\nbegin\n  " + statement + ";\nend.");
  EXPECT_TRUE(r.Compiled) << r.CompileError;
  return r.RunError;
}

using L = std::vector<String>;

TEST(ScriptBuiltins, Conversions) {
  EXPECT_EQ(Show({"IntToStr(-42)", "IntToStr(v)", "FloatToStr(2.5)", "FloatToStr(1/3)",
                  "DateToStr(EncodeDate(2024, 3, 9))", "TimeToStr(EncodeTime(7, 5, 9, 0))",
                  "DateTimeToStr(EncodeDate(2024, 3, 9) + EncodeTime(13, 30, 0, 0))", "VarToStr(Null) + '|'",
                  "StrToInt('17') + 1", "StrToInt64('9000000000')", "VarType(StrToInt64('5'))",
                  "StrToFloat('2.25') * 2", "FormatDateTime('yyyy-mm-dd', StrToDate('9/3/2024'))",
                  "VarType(StrToDate('9/3/2024'))", "FormatDateTime('hh:nn', StrToTime('7:05'))",
                  "FormatDateTime('yyyy-mm-dd hh:nn', StrToDateTime('9/3/2024 13:30'))"},
                 "var v: Variant;", "  v := 3000000000.0;\n"),
            (L{"-42", "3000000000", "2.5", "0.333333333333333", "9/3/2024", "7:05:09", "9/3/2024 13:30:00", "|",
               "18", "9000000000", "20", "4.5", "2024-03-09", "7", "07:05", "2024-03-09 13:30"}));
  EXPECT_EQ(Error("v := StrToInt('12a')"), "'12a' is not a valid integer value");
  EXPECT_EQ(Error("v := StrToFloat('x')"), "'x' is not a valid floating point value");
  EXPECT_EQ(Error("v := StrToDate('31/2/2024')"), "'31/2/2024' is not a valid date");
}

TEST(ScriptBuiltins, Formatting) {
  EXPECT_EQ(Show({"Format('%d-%s-%.2f', [7, 'x', 1.5])", "Format('%5d|%-3s|', [42, 'ab'])",
                  "FormatFloat('#,##0.00', 1234.5)", "FormatDateTime('d mmmm yyyy', EncodeDate(2024, 1, 5))",
                  "FormatMaskText('000-000;0;_', '123456')"}),
            (L{"7-x-1.50", "   42|ab |", "1,234.50", "5 มกราคม 2024", "123-456"}));
  // Whole strings pass, not their first 255 bytes.
  EXPECT_EQ(Show({"Length(Format('%s', [s]))"}, "var s: String; i: Integer;",
                 "  s := '';\n  for i := 1 to 300 do s := s + 'ก';\n"),
            (L{"300"}));
}

TEST(ScriptBuiltins, Dates) {
  EXPECT_EQ(Show({"FormatDateTime('yyyy-mm-dd', EncodeDate(2000, 2, 29))", "y", "m", "d",
                  "FormatDateTime('hh:nn:ss.zzz', EncodeTime(23, 59, 58, 7))", "DayOfWeek(EncodeDate(2024, 3, 10))",
                  "IsLeapYear(1900)", "IsLeapYear(2000)", "DaysInMonth(2000, 2)", "DaysInMonth(1900, 2)",
                  "DaysInMonth(2023, 12)", "Trunc(Date) = Trunc(Now)", "Time < 1", "VarType(Date)"},
                 "var v: Variant; i, y, m, d: Integer;", "  DecodeDate(EncodeDate(2031, 11, 4), y, m, d);\n"),
            (L{"2000-02-29", "2031", "11", "4", "23:59:58.007", "1", "False", "True", "29", "28", "31", "True", "True",
               "7"}));
  EXPECT_EQ(Show({"IntToStr(y) + ':' + IntToStr(m) + ':' + IntToStr(d) + '.' + IntToStr(i)"},
                 "var y, m, d, i: Integer;", "  DecodeTime(EncodeTime(13, 4, 5, 6), y, m, d, i);\n"),
            (L{"13:4:5.6"}));
  EXPECT_NE(Error("v := EncodeDate(2023, 2, 29)"), "");
  EXPECT_NE(Error("v := DaysInMonth(2023, 0)").find("not in the range 1 to 12"), String::npos);
}

TEST(ScriptBuiltins, Strings) {
  EXPECT_EQ(Show({"Length('ทะเบียน')", "Length('register ทะเบียน')", "Length('abcdefgh')", "Length(12345)", "Length(VarArrayCreate([0, 2], varVariant))",
                  "Copy('abc', 2, 10)", "Copy('ทะเบียน', 2, 3)", "Pos('z', 'abc')", "Pos('บี', 'ทะเบียน')",
                  "Uppercase('abc')", "Lowercase('ÀB')", "Trim('  a b ' + #9)", "NameCase('jOHN smith')",
                  "CompareText('abc', 'ABC')", "CompareText('a', 'b') < 0", "Chr(65) + Chr(3585)", "Ord('A')",
                  "Ord('ก')", "s", "t", "u"},
                 "var s, t, u: String;",
                 "  s := 'abcdef'; Delete(s, 2, 3);\n  t := 'abcdef'; DeleteStr(t, 5, 10);\n"
                 "  u := 'ad'; Insert('bc', u, 2);\n"),
            (L{"7", "16", "8", "5", "3", "bc", "ะเบ", "0", "4", "ABC", "àb", "a b", "John Smith", "0", "True", "Aก", "65", "3585",
               "aef", "abcd", "abcd"}));
  EXPECT_EQ(Show({"s", "Length(v)", "v[2]"}, "var s: String; v: Variant;",
                 "  s := 'abcd'; SetLength(s, 2);\n  v := VarArrayCreate([0, 4], varVariant); v[2] := 'x';\n"
                 "  SetLength(v, 3);\n"),
            (L{"ab", "3", "x"}));
  EXPECT_EQ(Error("v := Ord('')"), "Ord of an empty string");
  EXPECT_NE(Error("v := 'abc'; v := v[4]").find("String index out of range"), String::npos);
}

TEST(ScriptBuiltins, Mathematics) {
  EXPECT_EQ(Show({"Round(2.5)", "Round(3.5)", "Round(-2.5)", "Trunc(-2.7)", "Int(2.7)", "VarType(Int(2.7))",
                  "Frac(-2.25)", "Sqrt(16)", "Abs(-3)", "VarType(Abs(-3))", "Round(Sin(Pi / 2) * 1000)",
                  "Round(Cos(0))", "Round(ArcTan(1) * 4 * 1000)", "Round(Tan(Pi / 4) * 1000)", "Round(Exp(1) * 1000)",
                  "Ln(1)", "Round(Pi * 10000)"}),
            (L{"2", "4", "-2", "-2", "2", "5", "-0.25", "4", "3", "5", "1000", "1", "3142", "1000", "2718", "0",
               "31416"}));
  EXPECT_NE(Error("v := Sqrt(-1)"), "");
  EXPECT_NE(Error("v := Round(1e20)"), "");
}

TEST(ScriptBuiltins, Other) {
  EXPECT_EQ(Show({"i", "ValidInt('12')", "ValidInt('12a')", "ValidFloat('1.5')", "ValidFloat('1,5,')",
                  "ValidDate('29/2/2024')", "ValidDate('30/2/2024')", "ValidDate(v)", "(r >= 0) and (r < 1)",
                  "VarType(VarArrayCreate([1, 2, 1, 3], varVariant))", "VarType('x')", "VarType(1)", "VarType(1.5)",
                  "VarType(True)", "VarType(Null)", "varArray + varVariant"},
                 "var i: Integer; r: Extended; v: Variant;", "  v := Date; i := 1; Inc(i); Inc(i, 5); Dec(i, 2);\n  Randomize; r := Random;\n"),
            (L{"5", "True", "False", "True", "False", "True", "False", "True", "True", "8204", "256", "3", "5", "11",
               "1", "8204"}));
  EXPECT_EQ(Error("RaiseException('พัง')"), "พัง");
  EXPECT_NE(Error("v := CreateOleObject('No.Such.Class')"), "");
  const test::TRunResult shown = test::Run("PascalScript", "begin\n  ShowMessage(12);\n  ShowMessage(True);\nend.");
  EXPECT_EQ(shown.Lines, (L{"12", "True"}));
}

TEST(ScriptBuiltins, TypeNamesAndConstants) {
  EXPECT_EQ(Show({"b", "w", "c", "e", "ch", "varString", "varByRef", "varTypeMask", "nil", "VarType(Null)"},
                 "var b: Byte; w: Word; c: TColor; e: Extended; ch: Char; d: TDateTime; p: Pointer;",
                 "  b := 200; w := 60000; c := 255; e := 1.25; ch := 'x';\n"),
            (L{"200", "60000", "255", "1.25", "x", "256", "16384", "4095", "0", "1"}));
  auto script = test::NewScript("PascalScript", "begin end.");
  for (const char* name : {"Byte", "Word", "Integer", "Longint", "Cardinal", "TColor", "Boolean", "Real", "Single",
                           "Double", "Extended", "Currency", "TDate", "TTime", "TDateTime", "Char", "String", "Variant",
                           "Pointer", "Array", "Constructor", "True", "False", "nil", "Null", "varEmpty", "varInt64",
                           "varAny", "__StringHelper", "__ArrayHelper", "ExceptionClassName", "ExceptionMessage"})
    EXPECT_NE(script->Find(name), nullptr) << name;
  const L functions = {
      "IntToStr", "FloatToStr", "DateToStr", "TimeToStr", "DateTimeToStr", "VarToStr", "StrToInt", "StrToInt64",
      "StrToFloat", "StrToDate", "StrToTime", "StrToDateTime", "Format", "FormatFloat", "FormatDateTime",
      "FormatMaskText", "EncodeDate", "DecodeDate", "EncodeTime", "DecodeTime", "Date", "Time", "Now", "DayOfWeek",
      "IsLeapYear", "DaysInMonth", "Length", "Copy", "Pos", "Delete", "DeleteStr", "Insert", "Uppercase", "Lowercase",
      "Trim", "NameCase", "CompareText", "Chr", "Ord", "SetLength", "Round", "Trunc", "Int", "Frac", "Sqrt", "Abs",
      "Sin", "Cos", "ArcTan", "Tan", "Exp", "Ln", "Pi", "Inc", "Dec", "RaiseException", "ShowMessage", "Randomize",
      "Random", "ValidInt", "ValidFloat", "ValidDate", "CreateOleObject", "VarArrayCreate", "VarType"};
  ASSERT_EQ(functions.size(), 65u);
  for (const String& name : functions) {
    TsxCustomVariable* f = script->Find(name);
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(f->Kind, TsxItemKind::Method) << name;
    EXPECT_EQ(f->Name(), name);
  }
}

}  // namespace
}  // namespace orv
