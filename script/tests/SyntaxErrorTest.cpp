// The error corpus: each bad program reports its first syntax error with the dialect's message
// and the "row:col" where the expected token should have stood.
#include <gtest/gtest.h>

#include "script/ILParser.h"

namespace orv {
namespace {

struct BadProgram {
  const char* Dialect;
  const char* Source;
  const char* Message;
  const char* Pos;
};

const BadProgram kBadPrograms[] = {
    {"PascalScript", "begin\nend", "'.' expected", "2:4"},
    {"PascalScript", "begin x := ; end.", "Expression expected", "1:12"},
    {"PascalScript", "begin if x y := 1 end.", "'THEN' expected", "1:12"},
    {"PascalScript", "var a Integer; begin end.", "':' expected", "1:7"},
    {"PascalScript", "begin while x x := 1 end.", "'DO' expected", "1:15"},
    {"PascalScript", "begin try x := 1 end.", "'FINALLY' or 'EXCEPT' expected", "1:18"},
    {"PascalScript", "x := 1.", "'BEGIN' expected", "1:1"},
    {"PascalScript", "begin for i = 1 to 2 do end.", "':' expected", "1:13"},
    {"PascalScript", "begin for i := 1 till 2 do end.", "'TO' or 'DOWNTO' expected", "1:18"},
    {"PascalScript", "begin x := <Orvani.\"Nm\" end.", "'>' expected", "1:29"},
    {"PascalScript", "begin\n  x := f(1;\nend.", "')' expected", "2:11"},
    {"PascalScript", "begin\r\n  case x 1: ; end\r\nend.", "'OF' expected", "2:10"},
    {"C++Script", "{ x = 1 }", "';' expected", "1:9"},
    {"C++Script", "{ if x == 1) y = 2; }", "'(' expected", "1:6"},
    {"C++Script", "int x; x = 1;", "'{' expected", "1:8"},
    // Reserved words are lower case here: "IF" is a name, called, and a ";" must follow.
    {"C++Script", "{ IF (x) y = 1; }", "';' expected", "1:10"},
    {"C++Script", "#define 5", "Identifier expected", "1:9"},
    {"BasicScript", "x = 1 2", "End of line expected", "1:7"},
    {"BasicScript", "If x Then\r\n  y = 1\r\n", "'END' expected", "3:1"},
    {"BasicScript", "For i = 1 10\r\nNext", "'TO' expected", "1:11"},
    {"BasicScript", "While x\n  y = 1\n", "'WEND' expected", "3:1"},
    // An upper-case REM is no comment and, being reserved, no name either.
    {"BasicScript", "x = 1\nREM note\n", "End of line expected", "2:1"},
    {"BasicScript", "Sub S\n  x = 1\nEnd Function\n", "'SUB' expected", "3:5"},
    {"JScript", "if (x { }", "')' expected", "1:7"},
    {"JScript", "x = ;", "Expression expected", "1:5"},
    {"JScript", "do x = 1; (x);", "'WHILE' expected", "1:11"},
    {"JScript", "function (a) { }", "Expression expected", "1:10"},
    // A statement list must not stop silently before text it cannot read.
    {"JScript", "x = 1;\n) y = 2;", "Statement expected", "2:1"},
};

TEST(ScriptSyntaxErrors, FirstErrorMessageAndPosition) {
  for (const BadProgram& bad : kBadPrograms) {
    SCOPED_TRACE(std::string(bad.Dialect) + ": " + bad.Source);
    TsxILParser parser;
    parser.SelectLanguage(bad.Dialect);
    EXPECT_FALSE(parser.ParseSource(bad.Source));
    EXPECT_EQ(parser.ErrorMsg(), bad.Message);
    EXPECT_EQ(parser.ErrorPos(), bad.Pos);
    EXPECT_EQ(parser.ErrorUnit(), "");
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
