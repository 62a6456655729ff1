// Expression trees: operator priorities in every dialect, operators over the Variant kinds,
// type checks at compile time and the in-place assignment forms.
#include <gtest/gtest.h>

#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {



// The lines a PascalScript main block shows; a compile or run error fails the test.
std::vector<String> Pascal(const String& body, const String& decls = "") {
  const test::TRunResult r = test::Run("PascalScript", decls + "\nbegin\n" + body + "\nend.");
  EXPECT_TRUE(r.Compiled) << r.CompileError << " at " << r.CompilePos;
  EXPECT_EQ(r.RunError, "");
  return r.Lines;
}

String One(const String& expr, const String& decls = "") {
  const std::vector<String> lines = Pascal("ShowMessage(" + expr + ");", decls);
  return lines.empty() ? String("<nothing>") : lines[0];
}

TEST(ScriptExpressions, PrioritiesGroupAsThePascalRulesSay) {
  EXPECT_EQ(One("1 + 2 * 3"), "7");
  EXPECT_EQ(One("(1 + 2) * 3"), "9");
  EXPECT_EQ(One("2 - 3 - 4"), "-5");
  EXPECT_EQ(One("-2 * 3"), "-6");
  EXPECT_EQ(One("5 / 2"), "2.5");
  EXPECT_EQ(One("5 div 2"), "2");
  EXPECT_EQ(One("7 mod 3"), "1");
  EXPECT_EQ(One("1 shl 4"), "16");
  EXPECT_EQ(One("256 shr 2"), "64");
  EXPECT_EQ(One("6 and 3"), "2");
  EXPECT_EQ(One("6 or 3"), "7");
  EXPECT_EQ(One("6 xor 3"), "5");
  // not binds tighter than and; in PascalScript "and" binds tighter than "<".
  EXPECT_EQ(One("not True and False"), "False");
  EXPECT_EQ(One("(1 < 2) and (3 < 4)"), "True");
  // Without brackets this reads 1 < (2 and 3) < 4, a Boolean compared with "<".
  const test::TRunResult r = test::Run("PascalScript", "begin\n  ShowMessage(1 < 2 and 3 < 4);\nend.");
  EXPECT_FALSE(r.Compiled);
  EXPECT_EQ(r.CompileError, "Incompatible types");
}

TEST(ScriptExpressions, LogicalOperatorsBindLooserThanComparisonsOutsidePascal) {
  // With PascalScript's rules the second line would read 3 < (2 && 3) < 4.
  const test::TRunResult cpp = test::Run("C++Script",
                                   "{ ShowMessage(1 < 2 && 3 < 4); ShowMessage(3 < 2 && 3 < 4);"
                                   "  ShowMessage(1 == 2 || 3 == 3); ShowMessage(1 + 1 == 2 && 2 * 2 == 4); }");
  EXPECT_EQ(cpp.Lines, (std::vector<String>{"True", "False", "True", "True"})) << cpp.CompileError;
  const test::TRunResult js = test::Run("JScript", "ShowMessage(3 < 2 || 5 > 4); ShowMessage(3 < 2 && 5 > 4);");
  EXPECT_EQ(js.Lines, (std::vector<String>{"True", "False"})) << js.CompileError;
  const test::TRunResult bas = test::Run("BasicScript",
                                   "ShowMessage(3 < 2 And 3 < 4)\nShowMessage(3 < 2 Or 3 < 4)\n"
                                   "ShowMessage(1 = 1 And 2 = 2 Or 1 = 3)\n");
  EXPECT_EQ(bas.Lines, (std::vector<String>{"False", "True", "True"})) << bas.CompileError;
}

TEST(ScriptExpressions, ShortCircuitOnlyWithBooleanOperands) {
  const String decls =
      "var calls: Integer;\n"
      "function F: Boolean;\nbegin\n  calls := calls + 1;\n  Result := True;\nend;\n";
  EXPECT_EQ(Pascal("calls := 0;\nif False and F then ShowMessage('x');\nif True or F then ShowMessage('y');\n"
                   "ShowMessage(IntToStr(calls));",
                   decls),
            (std::vector<String>{"y", "0"}));
}

TEST(ScriptExpressions, OperatorsOverVariantKinds) {
  const String decls = "var v, w: Variant; d: TDateTime;";
  // Integer overflow widens instead of wrapping.
  EXPECT_EQ(Pascal("v := 2147483647; v := v + 1; ShowMessage(VarToStr(v)); ShowMessage(IntToStr(VarType(v)));", decls),
            (std::vector<String>{"2147483648", "20"}));
  // Text joins with "+"; a numeric text beside a number is read as a number.
  EXPECT_EQ(Pascal("v := 'ab'; w := 'cd'; ShowMessage(v + w); v := '5'; ShowMessage(VarToStr(v + 2));", decls),
            (std::vector<String>{"abcd", "7"}));
  // Null in arithmetic gives Null; Null compares equal only to Null.
  EXPECT_EQ(Pascal("v := Null; ShowMessage(IntToStr(VarType(v + 1))); ShowMessage(VarToStr(v = Null));", decls),
            (std::vector<String>{"1", "True"}));
  // Float and integer mix; Boolean operators on Booleans are logical.
  EXPECT_EQ(Pascal("v := 1.5; w := 2; ShowMessage(VarToStr(v * w)); ShowMessage(VarToStr(True xor False));", decls),
            (std::vector<String>{"3", "True"}));
  // Strings compare case-sensitively by code point; dates add as days.
  EXPECT_EQ(Pascal("ShowMessage(VarToStr('B' < 'a')); d := EncodeDate(2024, 2, 28) + 1;"
                   "ShowMessage(FormatDateTime('yyyy-mm-dd', d));",
                   decls),
            (std::vector<String>{"True", "2024-02-29"}));
  EXPECT_EQ(One("-(3)"), "-3");
  EXPECT_EQ(One("not 0"), "-1");
}

TEST(ScriptExpressions, DivisionByZeroIsARunTimeError) {
  const test::TRunResult r = test::Run("PascalScript", "var a: Integer;\nbegin\n a := 0;\n ShowMessage(IntToStr(5 div a));\nend.");
  EXPECT_TRUE(r.Compiled);
  EXPECT_EQ(r.RunError, "Division by zero");
  EXPECT_EQ(r.RunErrorClass, "EDivByZero");
}

TEST(ScriptExpressions, SetsAndIn) {
  EXPECT_EQ(One("4 in [1, 3..5]"), "True");
  EXPECT_EQ(One("2 in [1, 3..5]"), "False");
  EXPECT_EQ(One("'b' in ['a'..'c']"), "True");
  EXPECT_EQ(Pascal("case 7 of 1..5: ShowMessage('low'); 6, 7: ShowMessage('high'); end;"),
            (std::vector<String>{"high"}));
}

TEST(ScriptExpressions, TypeMismatchesFailToCompile) {
  const auto fails = [](const String& source, const String& message, const String& pos) {
    const test::TRunResult r = test::Run("PascalScript", source);
    EXPECT_FALSE(r.Compiled) << source;
    EXPECT_EQ(r.CompileError, message) << source;
    if (!pos.empty()) {
      EXPECT_EQ(r.CompilePos, pos) << source;
    }
  };
  fails("var s: String;\nbegin\n  s := 'a' - 'b';\nend.", "Incompatible types", "3:13");
  fails("var b: Boolean;\nbegin\n  b := True < False;\nend.", "Incompatible types", "");
  fails("var i: Integer;\nbegin\n  i := 1.5;\nend.", "Incompatible types: 'Integer', 'Extended'", "");
  fails("var i: Integer;\nbegin\n  i := 'x';\nend.", "Incompatible types: 'Integer', 'String'", "");
  fails("const c = 1;\nbegin\n  c := 2;\nend.", "Left side cannot be assigned to", "3:3");
  fails("begin\n  y := 2;\nend.", "Undeclared identifier: 'y'", "");
  fails("var a: Integer; a: String;\nbegin\nend.", "Identifier redeclared: 'a'", "");
  fails("var a: TNoSuchClass;\nbegin\nend.", "Unknown type: 'TNoSuchClass'", "");
  fails("var s: String;\nbegin\n  s := Copy('abc', 1);\nend.", "Not enough actual parameters", "");
  fails("var s: String;\nbegin\n  s := Trim('abc', 1);\nend.", "Too many actual parameters", "");
  fails("var s: String;\nbegin\n  for s := 1 to 2 do ;\nend.", "For loop variable must be numeric variable", "");
  fails("var i: Integer;\nbegin\n  i := i[1];\nend.", "Array type required", "");
  fails("var s: String;\nbegin\n  s := s.Text;\nend.", "Strings doesn't have properties or methods", "");
  fails("const n = Length('abc');\nbegin\nend.", "Constant expression expected", "");
}

TEST(ScriptExpressions, IntegerAcceptsFloatInExpressionsButNotAssignments) {
  EXPECT_EQ(One("1 + 1.5"), "2.5");
  // An Integer variable stores what the conversion gives: 3.7 becomes 4.
  EXPECT_EQ(Pascal("v := 3.7; i := v; ShowMessage(IntToStr(i));", "var i: Integer; v: Variant;"),
            (std::vector<String>{"4"}));
}

TEST(ScriptExpressions, CompoundAssignmentsInPlace) {
  EXPECT_EQ(Pascal("i := 5; i := i + 1; i := 2 * i; i := i - 3; ShowMessage(IntToStr(i));"
                   "s := 'a'; s := s + 'b'; s := 'c' + s; ShowMessage(s);",
                   "var i: Integer; s: String;"),
            (std::vector<String>{"9", "cab"}));
  const test::TRunResult r = test::Run("C++Script",
                                 "{ int x = 1; x += 2; x *= 5; x -= 1; x /= 2; ShowMessage(x); x++; x--; x--; ShowMessage(x); }");
  EXPECT_EQ(r.Lines, (std::vector<String>{"7", "6"})) << r.CompileError;
  // Steps and tests of whole numbers keep the general rules at their edges: widening past the
  // 32-bit range, text read as a number, 64-bit and fractional operands, parameters.
  EXPECT_EQ(Pascal("v := -2147483647; v := v - 2; ShowMessage(VarToStr(v)); ShowMessage(IntToStr(VarType(v)));"
                   "v := '5'; v := v + 1; ShowMessage(VarToStr(v));"
                   "w := 2147483648; i := 2147483647; ShowMessage(VarToStr(i < w)); ShowMessage(VarToStr(w > i));"
                   "v := 0.5; i := 0; while v < 3 do begin v := v + 1; i := i + 1; end; ShowMessage(IntToStr(i));"
                   "Bump(40); i := 1; Twice(i); Twice(i); ShowMessage(IntToStr(i));",
                   "var v, w: Variant; i: Integer;\n"
                   "procedure Bump(n: Integer);\nbegin\n  n := n + 2; ShowMessage(IntToStr(n));\nend;\n"
                   "procedure Twice(var n: Integer);\nbegin\n  n := n + n;\nend;"),
            (std::vector<String>{"-2147483649", "20", "6", "True", "True", "3", "42", "4"}));
}

TEST(ScriptExpressions, MacroFunctionsReceiveSourceText) {
  auto script = test::NewScript("PascalScript", "begin\n  ShowMessage(Quote(1 +  2));\nend.");
  script->AddMethod("macrofunction Quote(x: Variant): String",
                    [](TObject*, TClass, const String&, TsxMethodHelper& c) { return c.GetParamValue(0); });
  const test::TRunResult r = test::RunScript(*script);
  EXPECT_EQ(r.Lines, (std::vector<String>{"1 +  2"})) << r.CompileError;
}

}  // namespace
}  // namespace orv
