// The four grammar documents: the transcription is complete and consistent, and the registry
// finds, replaces and refuses dialects as scripts expect.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "script/ILParser.h"
#include "script/Languages.h"
#include "script/tests/ScriptTestUtils.h"

namespace orv {
namespace {

struct DialectCounts {
  const char* Name;
  int Rules;
  int Keywords;
  int Errors;
};

TEST(ScriptGrammar, EveryDialectIsCompleteAndConsistent) {
  const DialectCounts dialects[] = {
      {"PascalScript", 47, 40, 20},
      {"C++Script", 46, 19, 18},
      {"BasicScript", 46, 40, 28},
      {"JScript", 41, 22, 17},
  };
  for (const DialectCounts& d : dialects) {
    SCOPED_TRACE(d.Name);
    const auto grammar = sxGetGrammar(d.Name);
    EXPECT_EQ(grammar->Name(), d.Name);
    // "empty" is a rule of every grammar but no row of the rule tables.
    EXPECT_EQ(static_cast<int>(grammar->Rules().size()), d.Rules + 1);
    EXPECT_GE(grammar->FindRule("empty"), 0);
    EXPECT_GE(grammar->FindRule("program"), 0);
    EXPECT_EQ(static_cast<int>(grammar->Keywords().size()), d.Keywords);
    EXPECT_EQ(static_cast<int>(grammar->Errors().size()), d.Errors);
    for (int i = 0; i < grammar->ElementCount(); ++i) {
      const TsxRuleElement& e = grammar->Element(i);
      if (e.Kind == TsxRuleKind::Reference) {
        EXPECT_GE(e.Target, 0) << "undefined rule " << e.Tag;
      }
      if (e.HasErr) {
        EXPECT_FALSE(e.ErrText.empty()) << "unknown error entry in " << e.Tag;
      }
      if (e.Kind == TsxRuleKind::Char) {
        EXPECT_EQ(e.Text.size(), 1u) << e.Tag;
      }
    }
  }
  // The second request reuses the compiled graph.
  EXPECT_EQ(sxGetGrammar("PascalScript"), sxGetGrammar("pascalscript"));
}

TEST(ScriptGrammar, RegistryFindsReplacesAndRefuses) {
  EXPECT_EQ(sxLanguageNames(), (std::vector<String>{"JScript", "BasicScript", "C++Script", "PascalScript"}));
  EXPECT_EQ(sxGetLanguage("pascalscript"), sxGetLanguage("PascalScript"));
  try {
    sxGetLanguage("Cobol");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Language 'Cobol' not found");
  }
  const String tiny =
      "<?xml version=\"1.0\"?><language text=\"Tiny\"><parser><errors><err1 text=\"Identifier expected\"/>"
      "</errors></parser><types/><empty/><program><ident add=\"ident\" err=\"err1\"/></program></language>";
  sxRegisterLanguage("Tiny", "<?xml version=\"1.0\"?><language text=\"Old\"/>");
  const auto old = sxGetGrammar("tiny");
  sxRegisterLanguage("TINY", tiny);
  EXPECT_NE(old, sxGetGrammar("Tiny"));
  EXPECT_EQ(sxGetGrammar("Tiny")->Name(), "Tiny");
  const auto names = sxLanguageNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "Tiny"), 1);

  // A rule naming a rule the grammar lacks fails only when the parser reaches it.
  sxRegisterLanguage("Broken",
                     "<?xml version=\"1.0\"?><language text=\"Broken\"><parser/><types/><empty/>"
                     "<program><optional><char text=\"!\"/><missing/></optional></program></language>");
  TsxILParser parser;
  parser.SelectLanguage("Broken");
  EXPECT_FALSE(parser.ParseSource("x"));
  try {
    parser.ParseSource("!x");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid language definition");
  }
}

// The same program in each dialect means the same: once positions and type aliases are gone,
// the intermediate code is identical.
TEST(ScriptGrammar, OneProgramInFourDialectsGivesOneIntermediateCode) {
  const std::pair<const char*, const char*> programs[] = {
      {"PascalScript",
       "begin\n"
       "  x := -(a + 1) * b / $FF;\n"
       "  if not (x >= 2) and (y <> 'z') or Done then begin\n"
       "    Form1.Items[1].Caption := 'Orvane' ;\n"
       "  end else begin\n"
       "    ShowMessage(IntToStr(x mod 3), <Orvani.\"Nm\">);\n"
       "  end;\n"
       "  while x < 10 do begin x := x + 1.5; end;\n"
       "end."},
      {"C++Script",
       "{\n"
       "  x = -(a + 1) * b / 0xFF;\n"
       "  if (!(x >= 2) && (y != \"z\") || Done) {\n"
       "    Form1.Items[1].Caption = \"Orvane\";\n"
       "  } else {\n"
       "    ShowMessage(IntToStr(x % 3), <Orvani.\"Nm\">);\n"
       "  }\n"
       "  while (x < 10) { x = x + 1.5; }\n"
       "}"},
      {"BasicScript",
       "x = -(a + 1) * b / 0xFF\n"
       "If Not (x >= 2) And (y <> \"z\") Or Done Then\n"
       "  Form1.Items[1].Caption = \"Orvane\"\n"
       "Else\n"
       "  ShowMessage(IntToStr(x Mod 3), <Orvani.\"Nm\">)\n"
       "End If\n"
       "While x < 10\n"
       "  x = x + 1.5\n"
       "Wend\n"},
      {"JScript",
       "x = -(a + 1) * b / 0xFF\n"
       "if (!(x >= 2) && (y != \"z\") || Done) {\n"
       "  Form1.Items[1].Caption = \"Orvane\";\n"
       "} else {\n"
       "  ShowMessage(IntToStr(x % 3), <Orvani.\"Nm\">)\n"
       "}\n"
       "while (x < 10) { x = x + 1.5 }\n"},
  };
  String reference;
  for (const auto& [dialect, source] : programs) {
    SCOPED_TRACE(dialect);
    TsxILParser parser;
    parser.SelectLanguage(dialect);
    ASSERT_TRUE(parser.ParseSource(source)) << parser.ErrorMsg() << " at " << parser.ErrorPos();
    TsxXMLDocument doc;
    doc.Root()->Assign(parser.ILDoc().Root());
    test::StripPositions(*doc.Root());
    const String text = test::ILText(doc);
    if (reference.empty()) {
      reference = text;
      EXPECT_NE(text.find("<op text=\"and\"/>"), String::npos);
      EXPECT_NE(text.find("<string text=\"'Orvani.&#34;Nm&#34;'\"/>"), String::npos);
    } else {
      EXPECT_EQ(reference, text);
    }
  }
}

}  // namespace
}  // namespace orv
