// Statements and execution: loops and their flags, jumps through finally parts, exceptions,
// routines with var parameters and recursion, the run entry points and the guards against
// runaway scripts.
#include <gtest/gtest.h>

#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {

std::vector<String> Lines(const String& dialect, const String& text) {
  const test::TRunResult r = test::Run(dialect, text);
  EXPECT_TRUE(r.Compiled) << r.CompileError << " at " << r.CompilePos;
  EXPECT_EQ(r.RunError, "");
  return r.Lines;
}

using L = std::vector<String>;

TEST(ScriptStatements, ForLoopsCountAndLeaveTheirFlagsClear) {
  EXPECT_EQ(Lines("PascalScript",
                  "var i, n: Integer;\nbegin\n"
                  "  n := 0; for i := 5 to 1 do n := n + 1; ShowMessage(IntToStr(n));\n"
                  "  for i := 1 downto 1 do n := n + 1; ShowMessage(IntToStr(n));\n"
                  "  for i := 1 to 10 do if i = 3 then Break; ShowMessage(IntToStr(i));\n"
                  "  n := 0; for i := 1 to 4 do n := n + i; ShowMessage(IntToStr(n) + ' ' + IntToStr(i));\n"
                  "end."),
            (L{"0", "1", "3", "10 4"}));
  EXPECT_EQ(Lines("BasicScript",
                  "Dim i, s\ns = \"\"\nFor i = 10 To 1 Step -3\n  s = s & i & \",\"\nNext\nShowMessage(s)\n"
                  "s = \"\"\nFor i = 0 To 1 Step 0.5\n  s = s & i & \";\"\nNext\nShowMessage(s)\n"),
            (L{"10,7,4,1,", "0;0.5;1;"}));
}

TEST(ScriptStatements, ContinueSkipsTheRestOfTheBody) {
  EXPECT_EQ(Lines("JScript",
                  "var i = 0, s = \"\";\nwhile (i < 5) { i++; if (i == 2) continue; s = s + IntToStr(i); }\n"
                  "ShowMessage(s);\ndo { i--; if (i == 3) continue; s = s + IntToStr(i); } while (i > 1);\n"
                  "ShowMessage(s);"),
            (L{"1345", "1345421"}));
}

TEST(ScriptStatements, FinallyRunsWholeAfterEveryJump) {
  EXPECT_EQ(Lines("PascalScript",
                  "var log: String; i: Integer;\n"
                  "procedure P;\nbegin\n  try\n    log := log + 'a';\n    Exit;\n    log := log + 'x';\n"
                  "  finally\n    log := log + 'b';\n    log := log + 'c';\n  end;\n  log := log + 'y';\nend;\n"
                  "begin\n  log := '';\n  P;\n  for i := 1 to 3 do\n    try\n      if i = 2 then Break;\n"
                  "    finally\n      log := log + IntToStr(i);\n      log := log + '.';\n    end;\n"
                  "  ShowMessage(log);\nend."),
            (L{"abc1.2."}));
}

TEST(ScriptStatements, ExceptionsReachTheScript) {
  EXPECT_EQ(Lines("PascalScript",
                  "begin\n  try\n    RaiseException('x');\n  except\n"
                  "    ShowMessage(ExceptionClassName + '/' + ExceptionMessage);\n  end;\n"
                  "  try\n    ShowMessage(IntToStr(StrToInt('q')));\n  except\n"
                  "    ShowMessage(ExceptionClassName + '/' + ExceptionMessage);\n  end;\nend."),
            (L{"Exception/x", "EConvertError/'q' is not a valid integer value"}));
  // An exception raised inside a routine reaches the caller's handler; the flags are reset.
  EXPECT_EQ(Lines("C++Script",
                  "void Fail(int n) { if (n == 0) RaiseException(\"deep\"); Fail(n - 1); }\n"
                  "{ try { Fail(3); } except { ShowMessage(ExceptionMessage); } ShowMessage(\"after\"); }"),
            (L{"deep", "after"}));
  const test::TRunResult r = test::Run("JScript", "try { RaiseException(\"a\"); } finally { ShowMessage(\"f\"); }");
  EXPECT_EQ(r.Lines, (L{"f"}));
  EXPECT_EQ(r.RunError, "a");
}

TEST(ScriptStatements, RecursionRestoresTheCallersLocals) {
  EXPECT_EQ(Lines("PascalScript",
                  "function Fact(n: Integer): Integer;\nvar k: Integer;\nbegin\n  k := n;\n"
                  "  if n <= 1 then Result := 1 else Result := Fact(n - 1) * k;\nend;\n"
                  "begin\n  ShowMessage(IntToStr(Fact(10)));\nend."),
            (L{"3628800"}));
  // Texts set aside by 300 levels, and an error from the bottom caught half way up: every level
  // above the handler still finds its own text and number.
  EXPECT_EQ(Lines("PascalScript",
                  "function Walk(n: Integer): String;\nvar s: String; k: Integer;\nbegin\n"
                  "  s := 'L' + IntToStr(n); k := n * 2;\n"
                  "  if n = 0 then RaiseException('bottom');\n"
                  "  if n = 150 then\n    try\n      Result := Walk(n - 1);\n"
                  "    except\n      Result := ExceptionMessage;\n    end\n"
                  "  else\n    Result := Walk(n - 1);\n"
                  "  if n mod 100 = 0 then Result := Result + '|' + s + ':' + IntToStr(k);\nend;\n"
                  "begin\n  ShowMessage(Walk(300));\nend."),
            (L{"bottom|L200:400|L300:600"}));
  // Without the built-ins, a handler at the bottom of a recursion adds the exception variables
  // to the routine's own scope while the levels above still have their locals set aside; a
  // further recursive call must not upset what each level gets back.
  TsxScript bare(nullptr);
  std::vector<String> notes;
  bare.AddMethod("procedure Note(v: Variant)",
                 [&notes](TObject*, TClass, const String&, TsxMethodHelper& c) -> Variant {
                   notes.push_back(VarToStr(c.GetParamValue(0)));
                   return Variant();
                 });
  bare.SetSyntaxType("JScript");
  bare.Lines().SetText(
      "function Down(n) {\n  var k = n;\n  if (n < 0) return 7;\n"
      "  if (n == 0) {\n    try { Result = 1 div n; } except { Result = 100; }\n"
      "    return Result + Down(-1);\n  }\n  return Down(n - 1) + k;\n}\n"
      "Note(Down(5));");
  ASSERT_TRUE(bare.Compile()) << bare.ErrorMsg << " at " << bare.ErrorPos;
  bare.Execute();
  EXPECT_EQ(notes, (L{"122"}));
}

// A recursive call starts from its caller's locals and gives them back as they were; the
// locals keep the outermost call's values afterwards, as between any two calls.
TEST(ScriptStatements, RecursiveCallsStartFromTheCallersLocals) {
  // F(3) sets k to 30, 20, 10 down the levels; F(0) finds 10 and each level adds its own k
  // back on the way up: 10 + 10 + 20 + 30 = 70. A later call F(0) finds the 30 the outermost
  // level left.
  EXPECT_EQ(Lines("PascalScript",
                  "function F(n: Integer): Integer;\nvar k: Integer;\nbegin\n"
                  "  if n = 0 then Result := k\n  else\n  begin\n    k := n * 10;\n"
                  "    Result := F(n - 1) + k;\n  end;\nend;\n"
                  "begin\n  ShowMessage(IntToStr(F(3)));\n  ShowMessage(IntToStr(F(0)));\nend."),
            (L{"70", "30"}));
  EXPECT_EQ(Lines("JScript",
                  "function F(n) {\n  var k;\n  if (n == 0) return k;\n  k = n * 10;\n"
                  "  return F(n - 1) + k;\n}\nShowMessage(F(3));\nShowMessage(F(0));"),
            (L{"70", "30"}));
  // A function that assigns no result gives an empty value, also after a call that did.
  EXPECT_EQ(Lines("BasicScript",
                  "Function G(n)\n  If n > 0 Then Return n\nEnd Function\n"
                  "ShowMessage(G(5))\nShowMessage(\"[\" & G(-1) & \"]\")\n"),
            (L{"5", "[]"}));
}

// A nested routine reads the locals of the level of its enclosing routine that runs it, and a
// call whose argument is itself a call of the same routine sees the inner call's levels gone.
TEST(ScriptStatements, RecursionThroughNestedRoutinesAndNestedCalls) {
  // Outer(3) = Outer(2) + 6 = Outer(1) + 4 + 6 = Outer(0) + 2 + 4 + 6 = 0 + 12.
  EXPECT_EQ(Lines("PascalScript",
                  "function Outer(n: Integer): Integer;\n"
                  "  function Twice: Integer;\n  begin\n    Result := n * 2;\n  end;\n"
                  "begin\n  if n = 0 then Result := Twice else Result := Outer(n - 1) + Twice;\nend;\n"
                  "begin\n  ShowMessage(IntToStr(Outer(3)));\nend."),
            (L{"12"}));
  // The 91 function: M(n) = n - 10 above 100, else M(M(n + 11)); 91 for every n up to 101.
  EXPECT_EQ(Lines("C++Script",
                  "int M(int n) {\n  if (n > 100) return n - 10;\n  return M(M(n + 11));\n}\n"
                  "{ ShowMessage(IntToStr(M(87)) + \" \" + IntToStr(M(1)) + \" \" + IntToStr(M(150))); }"),
            (L{"91 91 140"}));
}

// Deep recursion with a local and a var parameter on every level: each level adds the square
// it kept to the one total, so the sum of the squares 0..1000 (1000 * 1001 * 2001 / 6) comes
// out only when every level got its own square back.
TEST(ScriptStatements, DeepRecursionKeepsLocalsAndVarParameters) {
  EXPECT_EQ(Lines("PascalScript",
                  "var t: Integer;\n"
                  "procedure Squares(n: Integer; var total: Integer);\nvar sq: Integer;\nbegin\n"
                  "  sq := n * n;\n  if n > 0 then Squares(n - 1, total);\n  total := total + sq;\nend;\n"
                  "begin\n  t := 0;\n  Squares(1000, t);\n  ShowMessage(IntToStr(t));\nend."),
            (L{"333833500"}));
  // A recursion stopped by the step limit half way down leaves the routine usable: the next
  // run starts afresh and gets the right sum.
  TsxScript script(nullptr);
  std::vector<String> notes;
  script.AddMethod("procedure Note(v: Variant)",
                   [&notes](TObject*, TClass, const String&, TsxMethodHelper& c) -> Variant {
                     notes.push_back(VarToStr(c.GetParamValue(0)));
                     return Variant();
                   });
  script.SetVariable("limit", Variant(100000));
  script.SetSyntaxType("JScript");
  script.Lines().SetText("function Sum(n) {\n  var here = n;\n  if (n == 0) return 0;\n"
                         "  return Sum(n - 1) + here;\n}\nNote(Sum(limit));");
  ASSERT_TRUE(script.Compile()) << script.ErrorMsg << " at " << script.ErrorPos;
  script.SetStepLimit(20000);
  try {
    script.Execute();
    ADD_FAILURE() << "the step limit did not stop the recursion";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Step limit exceeded");
  }
  script.SetVariable("limit", Variant(100));
  script.Execute();
  EXPECT_EQ(notes, (L{"5050"}));
}

TEST(ScriptStatements, VarParametersKeepEveryInnerUpdate) {
  // Count reaches 6 through three levels that each add their depth to the same variable.
  EXPECT_EQ(Lines("PascalScript",
                  "var total: Integer;\n"
                  "procedure Add(depth: Integer; var acc: Integer);\nbegin\n  acc := acc + depth;\n"
                  "  if depth > 1 then Add(depth - 1, acc);\nend;\n"
                  "procedure Swap(var a, b: Integer);\nvar t: Integer;\nbegin\n  t := a; a := b; b := t;\nend;\n"
                  "var x, y: Integer;\nbegin\n  total := 0;\n  Add(3, total);\n  ShowMessage(IntToStr(total));\n"
                  "  x := 1; y := 2; Swap(x, y); ShowMessage(IntToStr(x) + IntToStr(y));\n"
                  "  Inc(x); Inc(x, 5); Dec(y); ShowMessage(IntToStr(x) + ' ' + IntToStr(y));\nend."),
            (L{"6", "21", "8 0"}));
}

TEST(ScriptStatements, BreakInsideSwitchCaseEndsOnlyTheSwitch) {
  const String body =
      "  for (i = 1; i <= 4; i++) {\n"
      "    switch (i) {\n"
      "      case 1: { s = s + \"a\"; break; s = s + \"never\"; }\n"
      "      case 2, 3: s = s + \"b\";\n"
      "      default: { s = s + \"c\"; break; }\n"
      "    }\n"
      "    s = s + IntToStr(i);\n"
      "  }\n";
  EXPECT_EQ(Lines("C++Script", "int i; string s;\n{\n  s = \"\";\n" + body + "  ShowMessage(s);\n}"),
            (L{"a1b2b3c4"}));
  EXPECT_EQ(Lines("JScript", "var i, s = \"\";\n" + body + "ShowMessage(s);"), (L{"a1b2b3c4"}));
}

TEST(ScriptStatements, ConditionalsInEveryDialect) {
  EXPECT_EQ(Lines("BasicScript",
                  "Dim x\nFor x = 1 To 4\n  If x = 1 Then\n    ShowMessage(\"one\")\n  ElseIf x = 2 Then\n"
                  "    ShowMessage(\"two\")\n  Else\n    ShowMessage(\"many\")\n  End If\nNext\n"
                  "If x = 4 Then ShowMessage(\"done\") : ShowMessage(\"twice\")\n"),
            (L{"one", "two", "many", "many", "done", "twice"}));
  EXPECT_EQ(Lines("PascalScript",
                  "var i: Integer;\nbegin\n  for i := 0 to 3 do\n    case i of\n      0: ;\n      1: ShowMessage('one');\n"
                  "    else\n      ShowMessage('else ' + IntToStr(i));\n    end;\nend."),
            (L{"one", "else 2", "else 3"}));
}

// The left side of a comparison is read before a function on the right changes it, in an
// if as in a value.
TEST(ScriptStatements, ComparisonsReadTheLeftSideFirst) {
  EXPECT_EQ(Lines("PascalScript",
                  "var x: Integer;\n    b: Boolean;\nfunction Bump: Integer;\nbegin\n  x := x + 1;\n  Result := x;\nend;\n"
                  "begin\n  x := 1;\n  if x < Bump then ShowMessage('less') else ShowMessage('not less');\n"
                  "  x := 1;\n  b := x < Bump;\n  if b then ShowMessage('less too');\nend."),
            (L{"less", "less too"}));
}

TEST(ScriptStatements, DeclarationsInitialiseWhenReached) {
  EXPECT_EQ(Lines("PascalScript",
                  "procedure P;\nvar x: Integer = 5;\nbegin\n  ShowMessage(IntToStr(x));\n  x := x + 1;\nend;\n"
                  "var a: array[5] of Integer; b: array[1..3, 1..2] of Variant;\n"
                  "begin\n  P; P;\n  a[4] := 7; ShowMessage(IntToStr(a[4]));\n  b[3, 2] := 'z'; ShowMessage(b[3, 2]);\nend."),
            (L{"5", "5", "7", "z"}));
  const test::TRunResult outOfRange = test::Run("PascalScript", "var a: array[5] of Integer;\nbegin\n  a[5] := 1;\nend.");
  EXPECT_NE(outOfRange.RunError.find("out of bounds"), String::npos) << outOfRange.RunError;
  // Undeclared names in the dialects that need no declaration are globals, even inside a function.
  EXPECT_EQ(Lines("JScript", "function F() { counter = 41; }\nF();\ncounter++;\nShowMessage(counter);"), (L{"42"}));
}

TEST(ScriptStatements, ArraysOfManyDimensions) {
  EXPECT_EQ(Lines("C++Script",
                  "int grid[2][3][4][5];\n{\n  grid[1, 2, 3, 4] = 42;\n  grid[0, 0, 0, 0] = 1;\n"
                  "  ShowMessage(grid[1, 2, 3, 4] + grid[0, 0, 0, 0]);\n}"),
            (L{"43"}));
  EXPECT_EQ(Lines("PascalScript",
                  "var v: Variant;\nbegin\n  v := VarArrayCreate([0, 1, 0, 1, 0, 1, 0, 1], varVariant);\n"
                  "  v[1, 0, 1, 1] := 'deep';\n  ShowMessage(v[1, 0, 1, 1]);\nend."),
            (L{"deep"}));
}

TEST(ScriptStatements, TerminateFromTheLineHandlerStopsBeforeTheNextStatement) {
  auto script = test::NewScript("PascalScript",
                                "begin\n  ShowMessage('1');\n  ShowMessage('2');\n  ShowMessage('3');\nend.");
  std::vector<String> positions;
  TsxScript* raw = script.get();
  script->OnRunLine = [&](TsxScript&, const String&, const String& pos) {
    positions.push_back(pos);
    if (positions.size() == 2) raw->Terminate();
  };
  const test::TRunResult r = test::RunScript(*script);
  EXPECT_EQ(r.Lines, (L{"1"}));
  EXPECT_EQ(positions, (L{"2:3", "3:3"}));
  EXPECT_EQ(script->UnitLines().Strings(0), "=2,3,4");
}

TEST(ScriptStatements, TheLineHandlerCountsColumnsInCharacters) {
  // The two-byte letter before the second statement moves it one character, not two.
  auto script = test::NewScript("PascalScript", "var s: String;\nbegin s := '\xc3\xa4'; ShowMessage(s); end.");
  std::vector<String> positions;
  script->OnRunLine = [&](TsxScript&, const String&, const String& pos) { positions.push_back(pos); };
  const test::TRunResult r = test::RunScript(*script);
  EXPECT_EQ(r.Lines, (L{"\xc3\xa4"}));
  EXPECT_EQ(positions, (L{"2:7", "2:17"}));
  EXPECT_EQ(script->UnitLines().Strings(0), "=2");
}

TEST(ScriptStatements, UnitLinesHoldEachRecordedRowOnceInTheOrderMet) {
  // Rows come in rising order from a program's statements, but a host may record any row.
  auto script = test::NewScript("PascalScript", "begin\nend.");
  for (auto [row, col] : {std::pair{2, 3}, {2, 9}, {5, 1}, {3, 2}, {5, 7}, {12, 1}, {3, 9}, {1, 1}, {12, 4}})
    script->AddCodeLine("", TsxSourcePos(row, col));
  script->AddCodeLine("Unit1", TsxSourcePos(4, 1));
  script->AddCodeLine("Unit1", TsxSourcePos(4, 5));
  EXPECT_EQ(script->UnitLines().Count(), 2);
  EXPECT_EQ(script->UnitLines().Strings(0), "=2,5,3,12,1");
  EXPECT_EQ(script->UnitLines().Strings(1), "Unit1=4");
}

TEST(ScriptStatements, CallFunctionRunsOnlyTheScriptsOwnRoutines) {
  auto script = test::NewScript("PascalScript",
                                "function Add(a, b: Integer): Integer;\nbegin\n  Result := a + b;\nend;\n"
                                "procedure Twice(var x: Integer);\nbegin\n  x := x * 2;\nend;\nbegin\nend.");
  ASSERT_TRUE(script->Compile()) << script->ErrorMsg;
  EXPECT_EQ(script->CallFunction("Add", VarArrayOf({Variant(2), Variant(3)})).ToInteger(), 5);
  EXPECT_TRUE(script->CallFunction("NoSuch", VarArrayOf({Variant(1)})).IsNull());
  Variant params = VarArrayOf({Variant(21)});
  script->CallFunctionVar("Twice", params);
  EXPECT_EQ(VarArrayGet(params, {0}).ToInteger(), 42);
  EXPECT_THROW(script->CallFunction("Add", VarArrayOf({Variant(1), Variant(2), Variant(3)})), Exception);
  // A routine of a parent script is not this script's own.
  TsxScript child(nullptr);
  child.SetParent(script.get());
  EXPECT_TRUE(child.CallFunction("Add", VarArrayOf({Variant(1), Variant(2)})).IsNull());
}

TEST(ScriptStatements, HostCodeCallingTheRunningRoutineAgainLeavesItsLocalsAlone) {
  // F(2) keeps k = 20 while host code runs F(1) and F(0): 20 + 2 = 22, and F(1) gives 10 + 1.
  auto script = test::NewScript("PascalScript",
                                "function F(n: Integer): Integer;\nvar k: Integer;\nbegin\n  k := n * 10;\n"
                                "  if n > 0 then Again(n - 1);\n  Result := k + n;\nend;\nbegin\nend.");
  std::vector<Integer> inner;
  TsxScript* self = script.get();
  script->AddMethod("procedure Again(n: Integer)",
                    [self, &inner](TObject*, TClass, const String&, TsxMethodHelper& c) {
                      inner.push_back(self->CallFunction("F", VarArrayOf({c.GetParamValue(0)})).ToInteger());
                      return Variant();
                    });
  ASSERT_TRUE(script->Compile()) << script->ErrorMsg;
  EXPECT_EQ(script->CallFunction("F", VarArrayOf({Variant(2)})).ToInteger(), 22);
  EXPECT_EQ(inner, (std::vector<Integer>{0, 11}));
  // A var parameter written by the inner call goes to the inner caller's array only.
  auto twice = test::NewScript("PascalScript",
                               "procedure T(var x: Integer);\nbegin\n  if x < 5 then Again(x);\n  x := x * 2;\nend;\n"
                               "begin\nend.");
  TsxScript* other = twice.get();
  Variant innerParams;
  twice->AddMethod("procedure Again(n: Integer)", [other, &innerParams](TObject*, TClass, const String&,
                                                                        TsxMethodHelper& c) {
    innerParams = VarArrayOf({Variant(c.GetParamValue(0).ToInteger() + 10)});
    other->CallFunctionVar("T", innerParams);
    return Variant();
  });
  ASSERT_TRUE(twice->Compile()) << twice->ErrorMsg;
  Variant params = VarArrayOf({Variant(3)});
  twice->CallFunctionVar("T", params);
  EXPECT_EQ(VarArrayGet(params, {0}).ToInteger(), 6);
  EXPECT_EQ(VarArrayGet(innerParams, {0}).ToInteger(), 26);
}

TEST(ScriptStatements, RunawayScriptsStopWithAnError) {
  auto endless = test::NewScript("C++Script", "{ while (1 == 1) ; }");
  endless->SetStepLimit(10000);
  EXPECT_EQ(test::RunScript(*endless).RunError, "Step limit exceeded");
  // A limit a host routine sets while the script runs holds from then on.
  auto tightened = test::NewScript("PascalScript", "var i: Integer;\nbegin\n  Tighten;\n  while True do i := i + 1;\nend.");
  TsxScript* tight = tightened.get();
  tightened->AddMethod("procedure Tighten", [tight](TObject*, TClass, const String&, TsxMethodHelper&) -> Variant {
    tight->SetStepLimit(1000);
    return Variant();
  });
  EXPECT_EQ(test::RunScript(*tightened).RunError, "Step limit exceeded");
  const test::TRunResult deep = test::Run("PascalScript",
                                          "function F(n: Integer): Integer;\nbegin\n  Result := F(n + 1);\nend;\n"
                                          "begin\n  F(0);\nend.");
  EXPECT_EQ(deep.RunError, "Stack overflow");
  // The stack unwound: a script runs normally afterwards.
  EXPECT_EQ(Lines("PascalScript", "begin\n  ShowMessage('still here');\nend."), (L{"still here"}));
}

TEST(ScriptStatements, SumsOfTwoCallsRunLeftFirst) {
  // The left call runs first; texts join; a sum beyond the 32-bit range grows; a recursion
  // through such sums keeps each level's parameter.
  EXPECT_EQ(Lines("PascalScript",
                  "var log: String; v: Variant;\n"
                  "function A(n: Integer): Integer;\nbegin\n  log := log + 'a';\n  Result := n;\nend;\n"
                  "function B(n: Integer): Integer;\nbegin\n  log := log + 'b';\n  Result := n;\nend;\n"
                  "function S(t: String): String;\nbegin\n  Result := t;\nend;\n"
                  "function Fib(n: Integer): Integer;\nbegin\n"
                  "  if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2);\nend;\n"
                  "begin\n  ShowMessage(IntToStr(B(1) - A(3)));\n  ShowMessage(log);\n"
                  "  ShowMessage(S('x') + S('y'));\n  v := A(2147483647) + A(1);\n  ShowMessage(VarToStr(v));\n"
                  "  ShowMessage(IntToStr(Fib(15)));\nend."),
            (L{"-2", "ba", "xy", "2147483648", "610"}));
}

TEST(ScriptStatements, LateBoundIndicesAndArgumentsRunOnceInTheOrderWritten) {
  // Through an untyped variable: an index after a property that takes none, an indexed
  // property, a call whose argument is itself such an index, and an assignment, whose source
  // runs before its target.
  const String note = "function Note(v) {\n  log = log + \"<\" + VarToStr(v) + \">\";\n  return v;\n}\n";
  EXPECT_EQ(Lines("JScript",
                  "var m, log;\n" + note +
                      "m = TMemo.Create(nil);\nm.Lines.Add(\"a\");\nm.Lines.Add(\"b\");\nm.Lines.Add(\"c\");\n"
                      "log = \"\";\nShowMessage(m.Lines.Strings[Note(1)] + log);\n"
                      "log = \"\";\nShowMessage(m.Lines[m.Lines.IndexOf(Note(\"c\"))] + log);\n"
                      "log = \"\";\nm.Lines[Note(0)] = m.Lines[Note(2)];\nShowMessage(m.Lines[0] + log);\n"
                      "log = \"\";\nm.Lines.Strings[Note(1)] = Note(\"x\");\nShowMessage(m.Lines[1] + log);\n"
                      "m.Free;\n"),
            (L{"b<1>", "c<c>", "c<2><0>", "x<x><1>"}));
}

TEST(ScriptStatements, CompoundAssignmentsRunTheIndicesOfTheirTargetOnce) {
  // x op= e and x++ read and write their target: an index or argument there runs once, for a
  // list's default property, a memo's lines reached by name, an indexed property and an array
  // element, typed or not.
  const String cxx =
      "TStringList l; TMemo m; string log; int a[3];\n"
      "Variant Note(Variant v) {\n  log = log + \"<\" + VarToStr(v) + \">\";\n  return v;\n}\n"
      "{\n  l = TStringList.Create;\n  l.Add(\"a\");\n  l.Add(\"b\");\n  m = TMemo.Create(nil);\n  m.Lines.Add(\"c\");\n"
      "  a[0] = 5;\n"
      "  log = \"\";\n  l[Note(1)] += \"x\";\n  ShowMessage(l[1] + log);\n"
      "  log = \"\";\n  m.Lines.Strings[Note(0)] += \"y\";\n  ShowMessage(m.Lines[0] + log);\n"
      "  log = \"\";\n  a[Note(0)] *= 3;\n  a[Note(0)]++;\n  ShowMessage(IntToStr(a[0]) + log);\n"
      "  m.Free;\n  l.Free;\n}\n";
  EXPECT_EQ(Lines("C++Script", cxx), (L{"bx<1>", "cy<0>", "16<0><0>"}));
  EXPECT_EQ(Lines("JScript",
                  "var l, m, log;\n"
                  "function Note(v) {\n  log = log + \"<\" + VarToStr(v) + \">\";\n  return v;\n}\n"
                  "l = new TStringList;\nl.Add(\"a\");\nl.Add(\"b\");\nm = TMemo.Create(nil);\nm.Lines.Add(\"c\");\n"
                  "log = \"\";\nl[Note(1)] += \"x\";\nShowMessage(l[1] + log);\n"
                  "log = \"\";\nm.Lines[Note(0)] += \"y\";\nShowMessage(m.Lines[0] + log);\n"
                  "log = \"\";\nm.Lines.Strings[Note(0)] += \"z\";\nShowMessage(m.Lines[0] + log);\n"
                  "m.Free;\nl.Free;\n"),
            (L{"bx<1>", "cy<0>", "cyz<0>"}));
  EXPECT_EQ(Lines("BasicScript",
                  "Dim m, log\n"
                  "Function Note(v)\n  log = log + \"<\" + VarToStr(v) + \">\"\n  Return v\nEnd Function\n"
                  "m = TMemo.Create(nil)\nm.Lines.Add(\"c\")\n"
                  "log = \"\"\nm.Lines[Note(0)] += \"y\"\nShowMessage(m.Lines[0] + log)\nm.Free\n"),
            (L{"cy<0>"}));
}

TEST(ScriptStatements, UnitsComeFromTheHost) {
  auto script = test::NewScript("PascalScript",
                                "uses 'tools.pas';\nbegin\n  ShowMessage(Greet('วัด'));\nend.");
  script->OnGetUnit = [](TsxScript&, const String& name, String& text) {
    if (name == "tools.pas")
      text = "function Greet(s: String): String;\nbegin\n  Result := 'สวัสดี ' + s;\nend;\nbegin\nend.";
  };
  const test::TRunResult r = test::RunScript(*script);
  EXPECT_EQ(r.Lines, (L{"สวัสดี วัด"})) << r.CompileError;
}

TEST(ScriptStatements, ArrayElementsReadByVariableIndex) {
  // The element left of an operator is read before the right side runs, even when the right
  // side changes it; a Double index rounds half to even; a string indexed the same way gives
  // its character.
  EXPECT_EQ(Lines("PascalScript",
                  "var a, s: Variant; i: Integer; d: Double;\n"
                  "function Bump: Integer;\nbegin\n  a[i] := 100;\n  Result := 1;\nend;\n"
                  "begin\n  a := VarArrayCreate([1, 3], varVariant);\n  a[1] := 5; a[2] := 7; a[3] := 9;\n"
                  "  i := 2; d := 2.5; s := 'xyz';\n"
                  "  ShowMessage(IntToStr(a[i] + Bump));\n  ShowMessage(IntToStr(a[i]));\n"
                  "  ShowMessage(IntToStr(a[d]));\n  if a[1] < i then ShowMessage('less') else ShowMessage('not less');\n"
                  "  ShowMessage(s[i]);\nend."),
            (L{"8", "100", "100", "not less", "y"}));
  // A text built by appending leaves the copies taken on the way as they were.
  EXPECT_EQ(Lines("JScript",
                  "var s = \"\", t, u = \"\", i;\nfor (i = 0; i < 5; i++) { s = s + \"ab\"; if (i == 2) t = s; }\n"
                  "u = u + s; u = u + \"!\";\nShowMessage(t); ShowMessage(s); ShowMessage(u);"),
            (L{"ababab", "ababababab", "ababababab!"}));
  // Written by a variable index, an element of a typed array still takes the array's type.
  EXPECT_EQ(Lines("PascalScript",
                  "var b, v: Variant; i: Integer;\nbegin\n  b := VarArrayCreate([0, 2], varInteger);\n  i := 1; v := '12';\n  b[i] := v;\n"
                  "  ShowMessage(IntToStr(b[i] + b[i]));\nend."),
            (L{"24"}));
  const test::TRunResult outOfRange =
      test::Run("JScript", "var a = VarArrayCreate([0, 2], varVariant), i = 3;\nif (a[i] < 1) ShowMessage(\"no\");");
  EXPECT_NE(outOfRange.RunError.find("out of bounds"), String::npos) << outOfRange.RunError;
}

}  // namespace
}  // namespace orv
