// Where the program builder stops: the message and the "row:col" of the element it was reading,
// and names resolved in the scope that holds them when a nearer one is declared later.
#include <gtest/gtest.h>

#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {

TEST(ScriptBuildErrors, MessageAndPositionOfTheElementBeingRead) {
  const test::TBadProgram failures[] = {
      // An undeclared operand stops at the name, not at the statement.
      {"PascalScript", "var x: Integer;\nbegin\n  x := 1 + zz;\nend.", "Undeclared identifier: 'zz'", "3:12"},
      // An undeclared target stops at the statement's first name.
      {"PascalScript", "begin\n  y := 2;\nend.", "Undeclared identifier: 'y'", "2:3"},
      {"PascalScript", "var i: Integer;\nbegin\n  i := 1;\n  i := 'x';\nend.",
       "Incompatible types: 'Integer', 'String'", "4:3"},
      // Operators are placed just past their text.
      {"PascalScript", "var s: String;\nbegin\n  s := 'a';\n  s := s - 'b';\nend.", "Incompatible types", "4:11"},
      // A routine named alone must not need arguments, as a statement or as an operand.
      {"PascalScript", "procedure P(a: Integer);\nbegin\nend;\n\nbegin\n  P;\nend.", "Not enough actual parameters",
       "6:3"},
      {"PascalScript", "function F(a: Integer): Integer;\nbegin\n  Result := a;\nend;\n\nvar i: Integer;\nbegin\n  i := 2 * F;\nend.",
       "Not enough actual parameters", "8:12"},
      {"C++Script", "int i;\n{\n  i = 1;\n  i = i + q;\n}", "Undeclared identifier: 'q'", "4:11"},
  };
  for (const test::TBadProgram& f : failures) {
    SCOPED_TRACE(String(f.Dialect) + ": " + f.Source);
    const test::TRunResult r = test::Run(f.Dialect, f.Source);
    EXPECT_FALSE(r.Compiled);
    EXPECT_EQ(r.CompileError, f.Message);
    EXPECT_EQ(r.CompilePos, f.Pos);
  }
}

TEST(ScriptBuildErrors, AFailureInAUnitNamesTheUnitAndWhereInIt) {
  auto script = test::NewScript("PascalScript", "uses 'lib.pas';\nbegin\n  Twice(2);\nend.");
  script->OnGetUnit = [](TsxScript&, const String&, String& text) {
    text = "procedure Twice(a: Integer);\nbegin\n  ShowMessage(a * nothing);\nend;\n\nbegin\nend.";
  };
  const test::TRunResult r = test::RunScript(*script);
  EXPECT_FALSE(r.Compiled);
  EXPECT_EQ(r.CompileError, "Undeclared identifier: 'nothing'");
  EXPECT_EQ(r.CompilePos, "3:19");
  EXPECT_EQ(script->ErrorUnit, "lib.pas");
}

TEST(ScriptBuildErrors, AFailureInAUnitGivenAsIntermediateCodeKeepsItsPosition) {
  auto script = test::NewScript("PascalScript", "uses 'cached.pas';\nbegin\nend.");
  script->OnGetUnit = [](TsxScript&, const String&, String& text) { text = "begin\nend."; };
  // The host hands the unit over already parsed; its tree is gone when the error is reported.
  script->OnGetILUnit = [](TsxScript&, const String&, String& il) {
    il = "<?xml version=\"1.0\"?>\n<program><compoundstmt pos=\"1:1\">"
         "<assignstmt pos=\"7:5\"><dsgn pos=\"7:5\"><node text=\"Ghost\" pos=\"7:6\"/></dsgn>"
         "<expr pos=\"7:14\" pos1=\"7:15\"><number text=\"1\" pos=\"7:15\"/></expr></assignstmt>"
         "</compoundstmt></program>";
  };
  const test::TRunResult r = test::RunScript(*script);
  EXPECT_FALSE(r.Compiled);
  EXPECT_EQ(r.CompileError, "Undeclared identifier: 'Ghost'");
  EXPECT_EQ(r.CompilePos, "7:5");
  EXPECT_EQ(script->ErrorUnit, "cached.pas");
}

TEST(ScriptBuildErrors, ANameDeclaredLaterInARoutineHidesTheGlobalFromThereOn) {
  // The first statement of f reads and writes the global x; after the declaration, x is f's own.
  const test::TRunResult js = test::Run("JScript",
                                        "var x = 1;\n"
                                        "function f() {\n"
                                        "  x = x + 1;\n"
                                        "  var x = 10;\n"
                                        "  x = x + 5;\n"
                                        "  return x;\n"
                                        "}\n"
                                        "ShowMessage(f());\n"
                                        "ShowMessage(x);\n");
  EXPECT_EQ(js.Lines, (std::vector<String>{"15", "2"})) << js.CompileError << " at " << js.CompilePos << js.RunError;
  // Names are one whatever their case.
  const test::TRunResult pas = test::Run("PascalScript",
                                         "var Total: Integer;\n"
                                         "procedure Add(n: Integer);\n"
                                         "var TOTAL: Integer;\n"
                                         "begin\n"
                                         "  total := n * 2;\n"
                                         "  ShowMessage(Total);\n"
                                         "end;\n"
                                         "begin\n"
                                         "  TOTAL := 7;\n"
                                         "  Add(4);\n"
                                         "  ShowMessage(total);\n"
                                         "end.");
  EXPECT_EQ(pas.Lines, (std::vector<String>{"8", "7"})) << pas.CompileError << " at " << pas.CompilePos << pas.RunError;
}

}  // namespace
}  // namespace orv
