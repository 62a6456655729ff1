// The error corpus: each bad program reports its first syntax error with the dialect's message
// and the "row:col" where the expected token should have stood.
#include <gtest/gtest.h>

#include <set>

#include "script/Grammar.h"
#include "script/ILParser.h"
#include "script/Languages.h"
#include "script/tests/RunTestUtils.h"

namespace orv {
namespace {

const test::TBadProgram kBadPrograms[] = {
    {"PascalScript", "program 5; begin end.", "Identifier expected", "1:9"},
    {"PascalScript", "begin\n  Obj. := 1\nend.", "Identifier expected", "2:8"},
    {"PascalScript", "begin x := ; end.", "Expression expected", "1:12"},
    {"PascalScript", "var a Integer; begin end.", "':' expected", "1:7"},
    {"PascalScript", "begin for i = 1 to 2 do end.", "':' expected", "1:13"},
    {"PascalScript", "const Max = 5 begin end.", "';' expected", "1:15"},
    {"PascalScript", "begin\nend", "'.' expected", "2:4"},
    {"PascalScript", "begin\n  x := f(1;\nend.", "')' expected", "2:11"},
    {"PascalScript", "begin x := a[1 end.", "']' expected", "1:16"},
    // The "=" of ":=" is read without skipping blanks; the message points past them.
    {"PascalScript", "begin x : 1 end.", "'=' expected", "1:11"},
    {"PascalScript", "const Max 5; begin end.", "'=' expected", "1:11"},
    {"PascalScript", "x := 1.", "'BEGIN' expected", "1:1"},
    {"PascalScript", "begin case x of 1: y := 2 .", "'END' expected", "1:27"},
    {"PascalScript", "begin\r\n  case x 1: ; end\r\nend.", "'OF' expected", "2:10"},
    {"PascalScript", "begin if x y := 1 end.", "'THEN' expected", "1:12"},
    {"PascalScript", "begin repeat x := 1 end.", "'UNTIL' expected", "1:21"},
    {"PascalScript", "begin for i := 1 till 2 do end.", "'TO' or 'DOWNTO' expected", "1:18"},
    {"PascalScript", "begin while x x := 1 end.", "'DO' expected", "1:15"},
    {"PascalScript", "begin try x := 1 end.", "'FINALLY' or 'EXCEPT' expected", "1:18"},
    {"PascalScript", "begin x := <Orvani.\"Nm\" end.", "'>' expected", "1:29"},

    {"C++Script", "#define 5", "Identifier expected", "1:9"},
    {"C++Script", "void F(int) { }\n{ }", "Identifier expected", "1:11"},
    {"C++Script", "{ x = ; }", "Expression expected", "1:7"},
    // Text after the main block would never run.
    {"C++Script", "{ }\nx = 1;", "Statement expected", "2:1"},
    {"C++Script", "{ switch (x) { case 1 y = 2; } }", "':' expected", "1:23"},
    {"C++Script", "{ x = 1 }", "';' expected", "1:9"},
    // Reserved words are lower case here: "IF" is a name, called, and a ";" must follow.
    {"C++Script", "{ IF (x) y = 1; }", "';' expected", "1:10"},
    {"C++Script", "{ f(1; }", "')' expected", "1:6"},
    {"C++Script", "int a[3; { }", "']' expected", "1:8"},
    {"C++Script", "int x; x = 1;", "'{' expected", "1:8"},
    {"C++Script", "{ x = 1;", "'}' expected", "1:9"},
    {"C++Script", "{ if x == 1) y = 2; }", "'(' expected", "1:6"},
    {"C++Script", "#defin X 1\n{ }", "'DEFINE' expected", "1:2"},
    {"C++Script", "{ do x = 1; (x); }", "'WHILE' expected", "1:13"},
    {"C++Script", "{ try { } x = 1; }", "'FINALLY' or 'EXCEPT' expected", "1:11"},
    {"C++Script", "{ x = <Orvani.\"Nm\" ; }", "'>' expected", "1:23"},

    {"BasicScript", "Dim 5\n", "Identifier expected", "1:5"},
    // Line ends are tokens, so the missing expression is looked for at the LF.
    {"BasicScript", "x = \n", "Expression expected", "1:5"},
    {"BasicScript", "x = 1 2", "End of line expected", "1:7"},
    // An upper-case REM is no comment and, being reserved, no name either.
    {"BasicScript", "x = 1\nREM note\n", "End of line expected", "2:1"},
    {"BasicScript", "Select Case x\nCase 1 y = 1\nEnd Select\n", "':' expected", "2:8"},
    {"BasicScript", "f(1\n", "')' expected", "1:4"},
    {"BasicScript", "x = a[1\n", "']' expected", "1:8"},
    {"BasicScript", "For i 1 To 2\nNext\n", "'=' expected", "1:7"},
    {"BasicScript", "For i = 1 10\r\nNext", "'TO' expected", "1:11"},
    {"BasicScript", "If x Then\r\n  y = 1\r\n", "'END' expected", "3:1"},
    {"BasicScript", "If x y = 1\n", "'THEN' expected", "1:6"},
    {"BasicScript", "Do\nLoop x\n", "'WHILE' expected", "2:6"},
    {"BasicScript", "Select x\n", "'CASE' expected", "1:8"},
    {"BasicScript", "Select Case x\nCase 1: y = 1\nEnd Sub\n", "'SELECT' expected", "3:5"},
    {"BasicScript", "Try\n  x = 1\nEnd Try\n", "'FINALLY' or 'CATCH' expected", "3:1"},
    // The reference runs to the end of the text when no ">" closes it, line ends included.
    {"BasicScript", "x = <Orvani.\"Nm\"\n", "'>' expected", "2:1"},
    {"BasicScript", "While x\n  y = 1\n", "'WEND' expected", "3:1"},
    {"BasicScript", "For i = 1 To 2\n  x = 1\n", "'NEXT' expected", "3:1"},
    {"BasicScript", "With Form1\n  Caption = 1\nEnd Sub\n", "'WITH' expected", "3:5"},
    {"BasicScript", "Try\n  x = 1\nCatch\nEnd Sub\n", "'TRY' expected", "4:5"},
    {"BasicScript", "Sub S\n  x = 1\nEnd Function\n", "'SUB' expected", "3:5"},
    {"BasicScript", "Function F\nEnd Sub\n", "'FUNCTION' expected", "2:5"},
    {"BasicScript", "Select Case x\nCase 1: y = 1\nCase Then: y = 2\nEnd Select\n", "'ELSE' expected", "3:6"},
    {"BasicScript", "If x Then\n  y = 1\nEnd Sub\n", "'IF' expected", "3:5"},

    {"JScript", "import 5", "Identifier expected", "1:8"},
    {"JScript", "x = ;", "Expression expected", "1:5"},
    {"JScript", "function (a) { }", "Expression expected", "1:10"},
    // A statement list must not stop silently before text it cannot read.
    {"JScript", "x = 1;\n) y = 2;", "Statement expected", "2:1"},
    {"JScript", "switch (x) { case 1 y = 2 }", "':' expected", "1:21"},
    {"JScript", "for (i = 0 i < 3; i++) x++", "';' expected", "1:12"},
    {"JScript", "if (x { }", "')' expected", "1:7"},
    {"JScript", "var a[2;", "']' expected", "1:8"},
    {"JScript", "switch (x) case 1: y = 2;", "'{' expected", "1:12"},
    {"JScript", "function F() { x = 1;", "'}' expected", "1:22"},
    {"JScript", "while x > 1 x--;", "'(' expected", "1:7"},
    {"JScript", "do x = 1; (x);", "'WHILE' expected", "1:11"},
    {"JScript", "try { x = 1 } y = 2", "'FINALLY' or 'EXCEPT' expected", "1:15"},
    {"JScript", "x = <Orvani.\"Nm\"", "'>' expected", "1:17"},
};

struct UnreachableError {
  const char* Dialect;
  const char* Name;
};

// Messages of the error tables that no bad program can produce.
const UnreachableError kUnreachable[] = {
    // No rule of any dialect names these two.
    {"PascalScript", "err18"}, {"PascalScript", "err19"}, {"C++Script", "err18"}, {"C++Script", "err19"},
    {"BasicScript", "err18"}, {"BasicScript", "err19"}, {"JScript", "err18"}, {"JScript", "err19"},
    // No rule names it, and a Pascal program ends with its own ".": every way it can fail records
    // a rule's message first ("'BEGIN' expected" at the latest), and text after the "." is not read.
    {"PascalScript", "err3"},
    // No rule of these dialects names them.
    {"C++Script", "err6"}, {"C++Script", "err9"}, {"JScript", "err6"}, {"JScript", "err9"},
    {"BasicScript", "err5"}, {"BasicScript", "err6"}, {"BasicScript", "err12"},
};

TEST(ScriptSyntaxErrors, FirstErrorMessageAndPosition) {
  for (const test::TBadProgram& bad : kBadPrograms) {
    SCOPED_TRACE(std::string(bad.Dialect) + ": " + bad.Source);
    TsxILParser parser;
    parser.SelectLanguage(bad.Dialect);
    EXPECT_FALSE(parser.ParseSource(bad.Source));
    EXPECT_EQ(parser.ErrorMsg(), bad.Message);
    EXPECT_EQ(parser.ErrorPos(), bad.Pos);
    EXPECT_EQ(parser.ErrorUnit(), "");
  }
}

TEST(ScriptSyntaxErrors, EveryMessageIsProducedOrExplained) {
  for (const char* dialect : {"PascalScript", "C++Script", "BasicScript", "JScript"}) {
    SCOPED_TRACE(dialect);
    std::set<String> produced;
    for (const test::TBadProgram& bad : kBadPrograms)
      if (String(bad.Dialect) == dialect) produced.insert(bad.Message);
    std::set<String> unreachable;
    for (const UnreachableError& u : kUnreachable)
      if (String(u.Dialect) == dialect) unreachable.insert(u.Name);
    for (const auto& [name, message] : sxGetGrammar(dialect)->Errors()) {
      const bool isProduced = produced.count(message) > 0;
      EXPECT_NE(isProduced, unreachable.count(name) > 0) << name << " " << message;
    }
  }
}

TEST(ScriptSyntaxErrors, ErrorsInUnitsAndPathologicalNesting) {
  TsxILParser parser;
  parser.OnGetUnit = [](const String& name) {
    return name == "good.pas" ? String("uses 'bad.pas'; begin end.") : String("begin\n  x := ;\nend.");
  };
  parser.SelectLanguage("PascalScript");
  EXPECT_FALSE(parser.ParseSource("uses 'good.pas';\nbegin end."));
  EXPECT_EQ(parser.ErrorMsg(), "Expression expected");
  EXPECT_EQ(parser.ErrorPos(), "2:8");
  EXPECT_EQ(parser.ErrorUnit(), "bad.pas");

  // Thousands of nested parentheses give an error, not a stack overflow.
  const String deep = "begin x := " + String(5000, '(') + "1" + String(5000, ')') + " end.";
  EXPECT_FALSE(parser.ParseSource(deep));
  EXPECT_EQ(parser.ErrorMsg(), "Program nested too deeply");
  // A depth real scripts reach is fine, also in a sanitizer build, whose frames are far larger.
  EXPECT_TRUE(parser.ParseSource("begin x := " + String(50, '(') + "1" + String(50, ')') + " end."));
}

}  // namespace
}  // namespace orv
