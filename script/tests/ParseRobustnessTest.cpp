// Texts that once cost the parser exponential time or were misread: deep nesting with an error
// at the bottom, BasicScript's line rules, unclosed comments and strings, a byte-order mark.
#include <gtest/gtest.h>

#include "script/ILParser.h"
#include "script/tests/ScriptTestUtils.h"

namespace orv {
namespace {

String Repeat(const String& s, int n) {
  String out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct TOutcome {
  bool Ok;
  String Error;  // "message at row:col"
  String IL;
};

TOutcome ParseIn(const String& dialect, const String& source, bool thai = false) {
  TsxILParser parser;
  parser.SetExtendedCharset(thai);
  parser.SelectLanguage(dialect);
  TOutcome outcome;
  outcome.Ok = parser.ParseSource(source);
  outcome.Error = parser.ErrorMsg() + " at " + parser.ErrorPos();
  if (outcome.Ok) {
    TsxXMLItem copy;
    copy.Assign(parser.ILDoc().Root());
    test::StripPositions(copy);
    TsxXMLDocument doc;
    doc.Root()->Assign(&copy);
    outcome.IL = test::ILText(doc);
  }
  return outcome;
}

// The error of source, or "parsed".
String ErrorOf(const String& dialect, const String& source) {
  TOutcome outcome = ParseIn(dialect, source);
  return outcome.Ok ? String("parsed") : outcome.Error;
}

TEST(ParseRobustness, AnErrorDeepInsideNestedBlocksIsFoundInEveryDialect) {
  // Each level once tried every alternative again for the level inside it: twenty levels took
  // seconds, a hundred and fifty never ended.
  const int n = 150;
  const String pos = "1:" + std::to_string(6 * n + 6);
  EXPECT_EQ(ErrorOf("PascalScript", Repeat("begin ", n) + "x := ;" + Repeat(" end", n) + "."),
            "Expression expected at " + pos);
  const String braces = Repeat("{ if (a) ", n) + "{ x = ; }" + Repeat(" }", n);
  const String bracePos = "1:" + std::to_string(9 * n + 7);
  EXPECT_EQ(ErrorOf("C++Script", braces), "Expression expected at " + bracePos);
  EXPECT_EQ(ErrorOf("JScript", braces), "Expression expected at " + bracePos);
  EXPECT_EQ(ErrorOf("BasicScript", Repeat("If a Then\n", n) + "x = \n" + Repeat("End If\n", n)),
            "Expression expected at " + std::to_string(n + 1) + ":5");
  // A missing closing bracket deep inside an expression.
  EXPECT_EQ(ErrorOf("C++Script", "{ x = " + Repeat("f(", 60) + "1" + Repeat(")", 59) + "; }"),
            "')' expected at 1:" + std::to_string(6 + 2 * 60 + 1 + 59 + 1));
  // The same texts without the error still parse.
  EXPECT_EQ(ErrorOf("C++Script", Repeat("{ if (a) ", n) + "{ x = 1; }" + Repeat(" }", n)), "parsed");
  EXPECT_EQ(ErrorOf("BasicScript", Repeat("If a Then\n", n) + "x = 1\n" + Repeat("End If\n", n)),
            "parsed");
}

TEST(ParseRobustness, NestingLimitIsTheSameInEveryBuild) {
  // Four hundred levels of blocks parse, also in a sanitizer build whose frames are several
  // times larger; ten thousand are refused with an error, never a crash.
  for (int n : {400, 10000}) {
    const String expected = n == 400 ? "parsed" : "Program nested too deeply";
    const auto outcome = [&](const String& dialect, const String& source) {
      return ErrorOf(dialect, source).substr(0, expected.size());
    };
    EXPECT_EQ(outcome("PascalScript", Repeat("begin ", n) + "x := 1;" + Repeat(" end", n) + "."), expected) << n;
    EXPECT_EQ(outcome("C++Script", Repeat("{ if (a) ", n) + "{ x = 1; }" + Repeat(" }", n)), expected) << n;
    EXPECT_EQ(outcome("JScript", Repeat("{ if (a) ", n) + "{ x = 1; }" + Repeat(" }", n)), expected) << n;
    EXPECT_EQ(outcome("BasicScript", Repeat("If a Then\n", n) + "x = 1\n" + Repeat("End If\n", n)), expected) << n;
  }
  EXPECT_EQ(ErrorOf("C++Script", "{ x = " + Repeat("(", 900) + "1" + Repeat(")", 900) + "; }"), "parsed");
}

TEST(ParseRobustness, BasicScriptLineRules) {
  // The last line needs no line end.
  EXPECT_EQ(ParseIn("BasicScript", "x = 1\ny = 2").IL, ParseIn("BasicScript", "x = 1\ny = 2\n").IL);
  EXPECT_EQ(ErrorOf("BasicScript", "If a Then\r\n  x = 1\r\nEnd If"), "parsed");
  // Blank and comment lines between the selector and its cases.
  const String select = "Select Case x\r\n\r\n  ' the cases\r\n\r\nCase 1: y = 1\r\nEnd Select\r\n";
  EXPECT_EQ(ParseIn("BasicScript", select).IL,
            ParseIn("BasicScript", "Select Case x\r\nCase 1: y = 1\r\nEnd Select\r\n").IL);
  EXPECT_EQ(ErrorOf("BasicScript", "Select Case x ' what x is\nrem the cases\nCase 1: y = 1\nEnd Select\n"),
            "parsed");
  // "rem" opens a comment only as a word of its own.
  TOutcome call = ParseIn("BasicScript", "remove(x)\n");
  ASSERT_TRUE(call.Ok) << call.Error;
  EXPECT_NE(call.IL.find("<node text=\"remove\"/>"), String::npos) << call.IL;
  EXPECT_EQ(ParseIn("BasicScript", "x = 1\nrem remove(x)\n").IL, ParseIn("BasicScript", "x = 1\n").IL);
  EXPECT_EQ(ParseIn("BasicScript", "rem\nx = 1\n").IL, ParseIn("BasicScript", "x = 1\n").IL);
  // "_" continues a line only at its end.
  TOutcome name = ParseIn("BasicScript", "_total = 1\nx = _total\n");
  ASSERT_TRUE(name.Ok) << name.Error;
  EXPECT_NE(name.IL.find("<node text=\"_total\"/>"), String::npos) << name.IL;
  EXPECT_EQ(ParseIn("BasicScript", "x = 1 + _\r\n  2\r\n").IL, ParseIn("BasicScript", "x = 1 + 2\r\n").IL);
  EXPECT_EQ(ParseIn("BasicScript", "x = 1 + _  \n  2\n").IL, ParseIn("BasicScript", "x = 1 + 2\n").IL);
  EXPECT_EQ(ErrorOf("BasicScript", "x = 1 _ + 2\n"), "End of line expected at 1:7");
}

TEST(ParseRobustness, UnclosedCommentsAndStringsAreErrorsAtTheirStart) {
  struct Case {
    const char* Dialect;
    const char* Source;
    const char* Error;
  };
  const Case cases[] = {
      {"PascalScript", "begin\n  x := 1; { not closed\n  y := 2;\nend.", "Unterminated comment at 2:11"},
      {"PascalScript", "begin\n  x := 1; (* not closed\nend.", "Unterminated comment at 2:11"},
      {"PascalScript", "begin\n  x := 'abc;\nend.", "Unterminated string at 2:8"},
      {"C++Script", "{\n  x = 1; /* not closed\n}", "Unterminated comment at 2:10"},
      {"C++Script", "{\n  x = \"abc;\n}", "Unterminated string at 2:7"},
      {"JScript", "x = 1;\n/* not closed\ny = 2;", "Unterminated comment at 2:1"},
      {"JScript", "x = \"abc;\ny = 2;", "Unterminated string at 1:5"},
      {"BasicScript", "x = 1\n/\\ not closed\ny = 2\n", "Unterminated comment at 2:1"},
      {"BasicScript", "x = \"abc\ny = 2\n", "Unterminated string at 1:5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(String(c.Dialect) + ": " + c.Source);
    EXPECT_EQ(ErrorOf(c.Dialect, c.Source), c.Error);
  }
  // An earlier error stands; closed ones are no error.
  EXPECT_EQ(ErrorOf("C++Script", "{ x = ; /* not closed }"), "Expression expected at 1:7");
  EXPECT_EQ(ErrorOf("C++Script", "{ x = \"a\"; /* closed */ }"), "parsed");
  EXPECT_EQ(ErrorOf("PascalScript", "begin x := 'it''s'; { closed } end."), "parsed");
}

TEST(ParseRobustness, AByteOrderMarkBeginsNoProgram) {
  const String bom = "\xEF\xBB\xBF";
  for (const char* dialect : {"PascalScript", "C++Script", "BasicScript", "JScript"}) {
    SCOPED_TRACE(dialect);
    const String source = String(dialect) == "PascalScript" ? "begin x := 1 end."
                          : String(dialect) == "BasicScript" ? "x = 1\n"
                                                             : "{ x = 1; }";
    TOutcome plain = ParseIn(dialect, source);
    ASSERT_TRUE(plain.Ok) << plain.Error;
    EXPECT_EQ(ParseIn(dialect, bom + source).IL, plain.IL);
  }
  // Positions count from after the mark, and a language line may follow it.
  EXPECT_EQ(ErrorOf("PascalScript", bom + "begin x := ; end."), "Expression expected at 1:12");
  EXPECT_EQ(ErrorOf("PascalScript", bom + "#language BasicScript\r\nx = 1\r\n"), "parsed");
}

TEST(ParseRobustness, ThaiNamesWithTheExtendedCharset) {
  const String source = "begin\n  ชื่อ := 'สมชาย';\n  ยอดรวม := ยอดรวม + 1;\nend.";
  EXPECT_FALSE(ParseIn("PascalScript", source).Ok);
  TOutcome thai = ParseIn("PascalScript", source, true);
  ASSERT_TRUE(thai.Ok) << thai.Error;
  EXPECT_NE(thai.IL.find("<node text=\"ยอดรวม\"/>"), String::npos) << thai.IL;
  // Deep nesting with Thai names and an error inside.
  EXPECT_EQ(ParseIn("PascalScript", Repeat("begin ", 100) + "ค := ;" + Repeat(" end", 100) + ".", true).Error,
            "Expression expected at 1:" + std::to_string(6 * 100 + 6));
}

}  // namespace
}  // namespace orv
