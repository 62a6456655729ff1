// The tokenizer over the edge cases the grammars rely on, with "row:col" positions.
#include <gtest/gtest.h>

#include "script/Parser.h"

namespace orv {
namespace {

// The BasicScript options: line ends are tokens, "_" continues a line.
void BasicOptions(TsxParser& p) {
  p.SetSkipEOL(false);
  p.SetSkipChar("_");
  p.SetCommentLine1("'");
  p.SetCommentLine2("rem");
  p.SetStringQuotes("\"");
}

TEST(ScriptTokenizer, LineEndsContinuationsAndComments) {
  TsxParser p;
  BasicOptions(p);
  // A continuation swallows the line end that follows it.
  p.SetText("first _\r\nsecond");
  EXPECT_EQ(p.GetWord(), "first");
  EXPECT_FALSE(p.GetEOL());
  EXPECT_EQ(p.GetWord(), "second");

  // A comment after a statement leaves the line end for GetEOL; a comment-only line gives none.
  p.SetText("a ' note\r\n' whole line\r\nb");
  EXPECT_EQ(p.GetWord(), "a");
  EXPECT_TRUE(p.GetEOL());
  EXPECT_EQ(p.GetWord(), "b");
  EXPECT_EQ(p.GetRowCol(), "3:2");

  // A lone LF ends a line as CR LF does, not as a blank: sources with Unix line ends are common here.
  p.SetText("a ' note\n' whole line\n\nb\n");
  EXPECT_EQ(p.GetWord(), "a");
  EXPECT_TRUE(p.GetEOL());
  EXPECT_TRUE(p.GetEOL());  // the empty line
  EXPECT_EQ(p.GetWord(), "b");
  EXPECT_TRUE(p.GetEOL());
  // The end of the text ends a last line that has no line end of its own.
  EXPECT_TRUE(p.GetEOL());
  p.SetText("c");
  EXPECT_FALSE(p.GetEOL());
  EXPECT_EQ(p.GetWord(), "c");
  EXPECT_TRUE(p.GetEOL());

  // "rem" is a comment only as written, and only as a word of its own.
  p.SetText("rem x\nREM");
  EXPECT_EQ(p.GetWord(), "REM");
  p.SetText("remove rem");
  EXPECT_EQ(p.GetWord(), "remove");
  EXPECT_EQ(p.GetWord(), "");
  // The continuation character is one only at the end of its line.
  p.SetText("_total _ \r\nnext");
  EXPECT_EQ(p.GetWord(), "_total");
  EXPECT_EQ(p.GetWord(), "next");

  // Block comments do not nest; an unclosed one ends with the text.
  TsxParser pascal;
  pascal.SetText("{ a { b } c (* d *) e { open");
  EXPECT_EQ(pascal.GetWord(), "c");
  EXPECT_EQ(pascal.GetWord(), "e");
  EXPECT_EQ(pascal.GetWord(), "");
  EXPECT_EQ(pascal.Position(), pascal.Size() + 1);
  // With line ends as blanks an LF-only text reads straight through.
  pascal.SetText("a\n// c\nb");
  EXPECT_EQ(pascal.GetWord(), "a");
  EXPECT_FALSE(pascal.GetEOL());
  EXPECT_EQ(pascal.GetWord(), "b");
}

TEST(ScriptTokenizer, LongSkipsReadAgainFromTheSamePlace) {
  // A block comment and a run of blanks longer than short skips, each read twice from the same
  // place as the grammar walk does after backtracking.
  TsxParser p;
  p.SetText("a {" + String(600, 'x') + "} b" + String(300, ' ') + "c");
  EXPECT_EQ(p.GetWord(), "a");
  const int afterA = p.Position();
  EXPECT_EQ(p.GetWord(), "b");
  p.SetPosition(afterA);
  EXPECT_EQ(p.GetWord(), "b");
  EXPECT_EQ(p.GetRowCol(), "1:607");
  const int afterB = p.Position();
  EXPECT_EQ(p.GetWord(), "c");
  p.SetPosition(afterB);
  EXPECT_EQ(p.GetWord(), "c");
  EXPECT_EQ(p.GetRowCol(), "1:908");
}

TEST(ScriptTokenizer, Strings) {
  TsxParser p;
  p.SetText("'it''s'");
  EXPECT_EQ(p.GetString(), "'it's'");
  // Pieces that follow one another directly form one token.
  p.SetText("'a'#13#$0A'b' 'c'");
  EXPECT_EQ(p.GetString(), "'a\r\nb'");
  EXPECT_EQ(p.GetString(), "'c'");
  // Thai text survives, and positions count characters, not bytes.
  p.SetText("'วัดนักบุญ' x");
  EXPECT_EQ(p.GetString(), "'วัดนักบุญ'");
  EXPECT_EQ(p.GetRowCol(), "1:12");
  EXPECT_EQ(p.GetWord(), "x");
  EXPECT_EQ(p.GetRowCol(), "1:14");
  // Character codes are code points.
  p.SetText("#3585#65");
  EXPECT_EQ(p.GetString(), "'กA'");
  // A line end inside a quoted piece: no token, Position unchanged.
  p.SetText("  'broken\r\n'");
  EXPECT_EQ(p.GetString(), "");
  EXPECT_EQ(p.Position(), 3);
  p.SetText("#");
  EXPECT_EQ(p.GetString(), "");
  EXPECT_EQ(p.Position(), 1);

  TsxParser c;
  c.SetStringQuotes("\"");
  c.SetSpecStrChar(true);
  c.SetText(R"("a\"b\n\x41\x" "\q")");
  EXPECT_EQ(c.GetString(), "'a\"b\nA'");
  EXPECT_EQ(c.GetString(), "'q'");
  // A quote always closes; doubled, it only joins two pieces.
  c.SetText(R"("a""b")");
  EXPECT_EQ(c.GetString(), "'ab'");
  // A backslash at the end of the text ends the reading without a string.
  c.SetText("\"abc\\");
  EXPECT_EQ(c.GetString(), "");
  EXPECT_EQ(c.Position(), 1);
}

TEST(ScriptTokenizer, NumbersWordsAndPunctuation) {
  TsxParser p;
  p.SetHexSequence("0x");
  p.SetText("0x1F 12e 1..5 3.x 2.5E+3 7E-");
  EXPECT_EQ(p.GetNumber(), "$1F");
  EXPECT_EQ(p.GetNumber(), "12");
  EXPECT_EQ(p.GetWord(), "e");
  EXPECT_EQ(p.GetNumber(), "1");
  EXPECT_EQ(p.GetChar(), ".");
  EXPECT_EQ(p.GetChar(), ".");
  EXPECT_EQ(p.GetNumber(), "5");
  EXPECT_EQ(p.GetNumber(), "3");
  EXPECT_EQ(p.GetChar(), ".");
  EXPECT_EQ(p.GetNumber(), "");
  EXPECT_EQ(p.GetWord(), "x");
  EXPECT_EQ(p.GetNumber(), "2.5E+3");
  EXPECT_EQ(p.GetNumber(), "7");
  EXPECT_EQ(p.GetWord(), "E");

  TsxParser q;
  q.AddKeyword("begin");
  q.SetText("Begin 9lives _x");
  EXPECT_EQ(q.GetIdent(), "");
  EXPECT_EQ(q.GetWord(), "");
  EXPECT_EQ(q.GetNumber(), "9");
  EXPECT_EQ(q.GetIdent(), "lives");
  EXPECT_EQ(q.GetIdent(), "_x");
  q.SetCaseSensitive(true);
  q.SetText("BEGIN begin");
  EXPECT_EQ(q.GetIdent(), "BEGIN");
  EXPECT_EQ(q.GetIdent(), "");

  // Punctuation is read where it stands: no blank skipping, no letters, no NUL.
  q.SetText(" :a");
  EXPECT_EQ(q.GetChar(), "");
  q.SetPosition(2);
  EXPECT_EQ(q.GetChar(), ":");
  EXPECT_EQ(q.GetChar(), "");
  q.SetText("");
  EXPECT_EQ(q.GetChar(), "");
  EXPECT_FALSE(q.GetEOL());
  EXPECT_EQ(q.GetRowCol(), "1:1");
}

TEST(ScriptTokenizer, ReportReferencesAndPositions) {
  TsxParser p;
  p.SetText("Orvani.\"a>b\" + ['x]'] > rest");
  EXPECT_EQ(p.GetKVString(), "Orvani.\"a>b\" + ['x]'] ");
  EXPECT_EQ(p.GetChar(), ">");
  p.SetText("no end [");
  EXPECT_EQ(p.GetKVString(), "no end [");

  p.SetText("ab\ncd\r\nวัด x");
  EXPECT_EQ(p.GetRowCol(), "1:1");
  p.SetPosition(3);
  EXPECT_EQ(p.GetRowCol(), "1:3");  // the LF belongs to the line it ends
  p.SetPosition(4);
  EXPECT_EQ(p.GetRowCol(), "2:1");
  EXPECT_EQ(p.RowColToPosition({1, 2}), 4);
  // Row 3 column 5 is the "x" behind three Thai characters of three bytes each.
  EXPECT_EQ(p.RowColToPosition({5, 3}), 18);
  p.SetPosition(18);
  EXPECT_EQ(p.GetWord(), "x");
  EXPECT_EQ(p.RowColToPosition({1, 0}), -1);
  EXPECT_EQ(p.RowColToPosition({1, 4}), -1);

  // A plain ASCII text after the Thai one: columns are bytes again.
  p.SetText("ab\ncd\r\nef gh");
  EXPECT_EQ(p.RowColToPosition({2, 3}), 9);
  p.SetPosition(9);
  EXPECT_EQ(p.GetRowCol(), "3:2");
  EXPECT_EQ(p.GetWord(), "f");
  EXPECT_EQ(p.RowColToPosition({4, 3}), 11);
  p.SetPosition(11);
  EXPECT_EQ(p.GetWord(), "gh");
  EXPECT_EQ(p.GetRowCol(), "3:6");  // just after the last character
}

}  // namespace
}  // namespace orv
