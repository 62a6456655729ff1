// Parsing into intermediate code: expected files per dialect, and the behaviour around them
// (language lines, units, report references, positions).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/Exceptions.h"
#include "script/ILParser.h"
#include "script/tests/ScriptTestUtils.h"

namespace orv {
namespace {

const String kData = String(ORVANE_TEST_DATA) + "/il/";

std::unique_ptr<TsxILParser> ParserFor(const String& dialect) {
  auto parser = std::make_unique<TsxILParser>();
  parser->SetIncludePath({kData});
  parser->SelectLanguage(dialect);
  return parser;
}

// Each program in il/ against its .il file. SCRIPT_UPDATE_EXPECTED=1 rewrites the expected
// files after a deliberate change (review the diff before keeping it).
TEST(ScriptIL, ProgramsGiveTheExpectedIntermediateCode) {
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kData)) {
    const String file = entry.path().filename().string();
    const String dialect = test::DialectOf(file);
    if (dialect.empty() || file.rfind("unit", 0) == 0) continue;
    SCOPED_TRACE(file);
    auto parser = ParserFor(dialect);
    ASSERT_TRUE(parser->ParseSource(test::ReadFile(kData + file)))
        << parser->ErrorMsg() << " at " << parser->ErrorPos() << " in " << parser->ErrorUnit();
    const String expectedFile = kData + file + ".il";
    const String actual = test::ILText(parser->ILDoc());
    if (std::getenv("SCRIPT_UPDATE_EXPECTED")) test::WriteFile(expectedFile, actual);
    EXPECT_EQ(test::ReadFile(expectedFile), actual);
    ++checked;
  }
  EXPECT_EQ(checked, 16);
}
// The intermediate code of a source, as text, or the error when it does not parse.
String Parse(const String& dialect, const String& source) {
  auto parser = ParserFor(dialect);
  if (!parser->ParseSource(source)) return parser->ErrorMsg() + " at " + parser->ErrorPos();
  return test::ILText(parser->ILDoc());
}

TEST(ScriptIL, LanguageLinesChooseTheDialect) {
  for (const char* lineEnd : {"\r\n", "\n"}) {
    SCOPED_TRACE(testing::PrintToString(lineEnd));
    const String source = String("#language BasicScript") + lineEnd + "x = 1" + lineEnd;
    const String il = Parse("PascalScript", source);
    EXPECT_NE(il.find("<assignstmt pos=\"2:1\">"), String::npos) << il;
    EXPECT_NE(il.find("<decimal type=\"extended\"/>"), String::npos);  // BasicScript's aliases
  }
  auto parser = ParserFor("PascalScript");
  EXPECT_THROW(parser->ParseSource("#language Cobol\nx"), Exception);
  // "#" not followed by "language" is ordinary text of the dialect: here it includes a unit.
  const String included = Parse("C++Script", "#include \"unit2.cxs\"\n{}");
  EXPECT_NE(included.find("<uses unit=\"unit2.cxs\""), String::npos) << included;
  EXPECT_EQ(included.find("<decimal type=\"extended\"/>"), String::npos);  // not BasicScript's
}

// The tree is read after the parse that made it, and after the parser has moved on to another
// dialect: a used unit's elements still tell their texts and where they lie in the unit's own
// text (columns in characters: "ï" is two bytes).
TEST(ScriptIL, TheTreeStaysReadableAfterTheParse) {
  auto parser = ParserFor("PascalScript");
  parser->OnGetUnit = [](const String&) { return String("var n: Integer;\nbegin\n  n := 'e\xC3\xAFn';\nend."); };
  ASSERT_TRUE(parser->ParseSource("uses 'a';\nbegin\n  s := 'zwei';\nend.")) << parser->ErrorMsg();
  parser->SelectLanguage("BasicScript");

  const TsxILNode& root = parser->ILRoot();
  ASSERT_EQ(root.Find("uses"), 0);
  const TsxILNode& uses = *root.Items(0);
  EXPECT_EQ(uses.Prop("unit"), "a");
  const TsxILNode& unit = *uses.Items(0);
  ASSERT_GE(unit.Find("compoundstmt"), 0);
  const TsxILNode& unitAssign = *unit.Items(unit.Find("compoundstmt"))->Items(0);
  EXPECT_EQ(unitAssign.Name(), "assignstmt");
  EXPECT_EQ(unitAssign.Prop("pos"), "3:3");
  const TsxILNode& unitExpr = *unitAssign.Items(unitAssign.Find("expr"));
  EXPECT_EQ(unitExpr.Prop("pos"), "3:8");
  EXPECT_EQ(unitExpr.Prop("pos1"), "3:13");
  EXPECT_EQ(unitExpr.Items(0)->Prop("text"), "'e\xC3\xAFn'");
  EXPECT_EQ(unitExpr.Items(0)->Prop("pos"), "3:13");

  const TsxILNode& main = *root.Items(root.Find("compoundstmt"))->Items(0);
  EXPECT_EQ(main.Prop("pos"), "3:3");
  EXPECT_EQ(main.Items(main.Find("expr"))->Items(0)->Prop("text"), "'zwei'");
  EXPECT_EQ(main.Items(main.Find("expr"))->Prop("pos1"), "3:14");
  EXPECT_NE(parser->ILDoc().SaveToString().find("<string text=\"'e\xC3\xAFn'\" pos=\"3:13\"/>"), String::npos);

  // The next parse replaces the tree.
  ASSERT_TRUE(parser->ParseSource("x = 1\n")) << parser->ErrorMsg();
  EXPECT_EQ(parser->ILRoot().Find("uses"), -1);
}

TEST(ScriptIL, UnitsAreLoadedOnceInReverseOrder) {
  auto parser = ParserFor("PascalScript");
  std::vector<String> requested;
  parser->OnGetUnit = [&](const String& name) {
    requested.push_back(name);
    return name == "a" ? String("uses 'b'; var fromA: Integer; begin end.") : String("begin end.");
  };
  ASSERT_TRUE(parser->ParseSource("uses 'a', 'b', 'a'; begin end.")) << parser->ErrorMsg();
  EXPECT_EQ(requested, (std::vector<String>{"a", "b"}));
  const TsxXMLItem* root = parser->ILDoc().Root();
  // The last "a" is taken first and brings "b" with it; the other names add nothing.
  EXPECT_EQ(root->Items(0)->Prop("unit"), "a");
  EXPECT_EQ(root->Items(0)->Items(0)->Items(0)->Prop("unit"), "b");
  EXPECT_EQ(root->Items(1)->Name(), "compoundstmt");

  // Without OnGetUnit the unit comes from the include path; a missing file is an error of the
  // clause that names it, with its position.
  auto fromFiles = ParserFor("PascalScript");
  EXPECT_TRUE(fromFiles->ParseSource("uses 'unit1.pas'; begin end."));
  auto missing = ParserFor("PascalScript");
  EXPECT_FALSE(missing->ParseSource("uses 'nowhere.pas';\nbegin end."));
  EXPECT_NE(missing->ErrorMsg().find("nowhere.pas"), String::npos) << missing->ErrorMsg();
  EXPECT_EQ(missing->ErrorPos(), "1:19");
}

TEST(ScriptIL, ForgivenErrorsAndWhatIsIgnored) {
  // The failed identifier that ends a var section is forgiven; so is a trailing argument comma
  // and a ";" before a case statement's else.
  EXPECT_EQ(Parse("PascalScript", "var a: Integer; b: String;\nbegin f(a, ); case a of 1: ; else end end.")
                .find(" at "),
            String::npos);
  // Text after the final "end." is not read.
  EXPECT_EQ(Parse("PascalScript", "begin end. ) garbage ("), Parse("PascalScript", "begin end."));
  // An expression's element spans its tokens: pos at the first, pos1 just after the last.
  const String il = Parse("JScript", "x =  a + 1  ;");
  EXPECT_NE(il.find("<expr pos=\"1:6\" pos1=\"1:11\">"), String::npos) << il;
}

TEST(ScriptIL, LongProgramsKeepTheirShapeAndErrors) {
  // Hundreds of statements: the walk's records and remembered failures outgrow their first room.
  String body;
  for (int i = 0; i < 300; ++i) body += "  x := x + 1;\n";
  const String il = Parse("PascalScript", "var x: Integer;\nbegin\n" + body + "  y := (x);\nend.");
  EXPECT_NE(il.find("<assignstmt pos=\"303:3\">"), String::npos) << il.substr(0, 200);
  EXPECT_NE(il.find("<expr pos=\"303:8\" pos1=\"303:11\">"), String::npos);
  size_t statements = 0;
  for (size_t at = il.find("<assignstmt "); at != String::npos; at = il.find("<assignstmt ", at + 1)) ++statements;
  EXPECT_EQ(statements, 301u);
  // A ";" missing before a last statement: the END of the block, which carries err5, fails at "y".
  EXPECT_EQ(Parse("PascalScript", "var x: Integer;\nbegin\n" + body + "  x := x + 1\n  y := 2;\nend."),
            "';' expected at 304:3");
  // A comment longer than a short skip, met again after backtracking, still ends where it ends.
  const String comment = "{" + String(600, '-') + "}";
  EXPECT_EQ(Parse("PascalScript", "begin\n  x := 1 " + comment + "\n  y := 2;\nend."), "';' expected at 3:3");
}
}  // namespace
}  // namespace orv
