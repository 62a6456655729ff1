#include <gtest/gtest.h>
#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "platform/rtl/TextUtils.h"

namespace orv {
namespace {

TEST(TextTest, ThaiCharactersCountOneEach) {
  const String name = "สมชาย ใจดี";
  EXPECT_EQ(Length(name), 10);
  EXPECT_EQ(Copy(name, 7, 4), "ใจดี");
  EXPECT_EQ(Copy(name, 1, 2), "สม");
  EXPECT_EQ(Copy(name, 0, 2), "สม");
  EXPECT_EQ(Copy("abc", 2, 10), "bc");
  EXPECT_EQ(Copy("abc", 5, 1), "");
  EXPECT_EQ(Copy("abc", 1, -1), "");
  EXPECT_EQ(Pos("ใจ", name), 7);
  EXPECT_EQ(Pos("z", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("ก", "a\xFFก"), 3);
  EXPECT_EQ(StringOfChar("ก", 3), "กกก");
  EXPECT_EQ(StringOfChar('-', 0), "");
}

TEST(TextTest, DamagedUtf8IsWalkedByteByByte) {
  const String bad = "a\xE0\xB8" "b\xFF";
  EXPECT_FALSE(IsValidUtf8(bad));
  EXPECT_EQ(Length(bad), 5);
  size_t pos = 1;
  EXPECT_EQ(NextCodePoint(bad, pos), U'\xFFFD');
  EXPECT_EQ(pos, 2u);
  EXPECT_EQ(Copy(bad, 4, 1), "b");
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_TRUE(IsValidUtf8("กข\xF0\x9F\x98\x80"));
  String out;
  AppendCodePoint(out, 0xD800);
  EXPECT_EQ(out, "\xEF\xBF\xBD");
}

TEST(TextTest, LongRunsOfAsciiAroundThaiAndDamagedBytes) {
  // Text read from the database is checked and counted a run of ASCII at a time: damage right
  // after such a run, at its eighth byte or further on, is found and counted byte by byte.
  const String ascii16 = "0123456789abcdef";
  EXPECT_TRUE(IsValidUtf8(ascii16 + "สมชาย" + ascii16 + "ใจดี" + "x"));
  EXPECT_EQ(Length(ascii16 + "สมชาย" + ascii16 + "ใจดี" + "x"), 16 + 5 + 16 + 4 + 1);
  for (size_t at : {0u, 7u, 8u, 9u, 15u, 16u, 17u, 25u}) {
    SCOPED_TRACE(at);
    const String before = (ascii16 + ascii16).substr(0, at);
    const String bad = before + "\xFF" + ascii16;
    EXPECT_FALSE(IsValidUtf8(bad));
    EXPECT_EQ(Length(bad), static_cast<Integer>(at) + 1 + 16);
    // A Thai letter cut short before ASCII: each of its two bytes is a character of its own.
    const String cut = before + "\xE0\xB8" + ascii16;
    EXPECT_FALSE(IsValidUtf8(cut));
    EXPECT_EQ(Length(cut), static_cast<Integer>(at) + 2 + 16);
  }
  EXPECT_FALSE(IsValidUtf8(ascii16 + "\xC0\xAF"));
  EXPECT_EQ(Length(ascii16 + "\xC0\xAF"), 18);
  EXPECT_TRUE(IsValidUtf8(ascii16 + "\xF0\x9F\x98\x80"));
  EXPECT_EQ(Length(ascii16 + "\xF0\x9F\x98\x80"), 17);
}

TEST(TextTest, TrimAndCase) {
  EXPECT_EQ(Trim(" \t ab c\r\n"), "ab c");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(UpperCase("abc é"), "ABC é");
  EXPECT_EQ(LowerCase("ABC É"), "abc É");
  EXPECT_EQ(AnsiUpperCase("abc é ก"), "ABC É ก");
  EXPECT_EQ(AnsiLowerCase("ÀB"), "àb");
}

TEST(TextTest, Comparisons) {
  EXPECT_LT(CompareStr("A", "a"), 0);
  EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
  EXPECT_LT(CompareText("abc", "abd"), 0);
  EXPECT_GT(CompareText("abcd", "abc"), 0);
  EXPECT_TRUE(SameText("Orvane", "ORVANE"));
  EXPECT_EQ(AnsiCompareText("Somchai", "SOMCHAI"), 0);
  EXPECT_NE(AnsiCompareStr("Somchai", "SOMCHAI"), 0);
  EXPECT_TRUE(AnsiSameText("é", "É"));
}

TEST(TextTest, ThaiNamesSortByTheConsonantAfterALeadingVowel) {
  const std::vector<String> expected = {"กมล", "เกษม", "แก้ว", "โกศล", "ไก่", "ขวัญ", "ใจดี", "ชัย"};
  std::vector<String> names = {"ใจดี", "ไก่", "ชัย", "ขวัญ", "โกศล", "กมล", "แก้ว", "เกษม"};
  std::sort(names.begin(), names.end(),
            [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; });
  EXPECT_EQ(names, expected);
  // Byte order would put every leading-vowel name after all the consonants.
  EXPECT_LT(CompareStr("ขวัญ", "เกษม"), 0);
  EXPECT_GT(AnsiCompareStr("ขวัญ", "เกษม"), 0);
}

// Names of Latin letters, digits and underscores (fields, elements, fonts) are compared without a
// collator: the order must still be the Thai collator's, case counted and ignored, over every mix
// of case, digits, underscores, lengths and common prefixes.
TEST(TextTest, LatinNamesCollateAsTheThaiCollatorDoes) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> exact(icu::Collator::createInstance(icu::Locale("th", "TH"), status));
  ASSERT_TRUE(U_SUCCESS(status));
  std::unique_ptr<icu::Collator> caseless(exact->clone());
  caseless->setStrength(icu::Collator::SECONDARY);
  const auto icuOrder = [](const icu::Collator& c, const String& a, const String& b) {
    UErrorCode s = U_ZERO_ERROR;
    const UCollationResult r = c.compareUTF8(a, b, s);
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
  };
  const auto sign = [](int v) { return (v > 0) - (v < 0); };
  std::vector<String> names = {"ID", "id", "Id", "iD", "Arial", "Garuda", "outline", "anchors", "Nm", "Nm2",
                               "nm10", "NM1", "a", "A", "Z", "z", "0", "9", "a0", "A0", "aB", "Ab", "ab", "AB",
                               "birth_date", "BirthDate", "birth_Date", "_", "__", "a_", "_a", "A_b", "a_B"};
  const char alphabet[] = "aAbByYzZ019__";
  std::mt19937 random(7);
  for (int i = 0; i < 400; ++i) {
    String name;
    for (int n = 1 + static_cast<int>(random() % 5); n > 0; --n) name += alphabet[random() % (sizeof alphabet - 1)];
    names.push_back(name);
  }
  for (const String& a : names) {
    for (const String& b : names) {
      ASSERT_EQ(sign(AnsiCompareStr(a, b)), icuOrder(*exact, a, b)) << a << " " << b;
      ASSERT_EQ(sign(AnsiCompareText(a, b)), icuOrder(*caseless, a, b)) << a << " " << b;
    }
  }
  // A name with other characters still goes to the collator, which weighs them its own way.
  EXPECT_EQ(sign(AnsiCompareText("a-b", "A-B")), 0);
  EXPECT_EQ(sign(AnsiCompareStr("ab", "a b")), icuOrder(*exact, "ab", "a b"));
  EXPECT_EQ(sign(AnsiCompareText("Nm", "นม")), icuOrder(*caseless, "Nm", "นม"));
}

TEST(TextTest, ReplaceAndQuote) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("Abc abc ABC", "abc", "x", rfReplaceAll | rfIgnoreCase), "x x x");
  EXPECT_EQ(StringReplace("ÉCOLE école", "école", "ok", rfReplaceAll | rfIgnoreCase), "ok ok");
  EXPECT_EQ(StringReplace("นาย สมชาย", "นาย", "", rfReplaceAll), " สมชาย");
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  EXPECT_EQ(AnsiDequotedStr("'it''s'", '\''), "it's");
  EXPECT_EQ(AnsiDequotedStr("''", '\''), "");
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
  EXPECT_EQ(AnsiDequotedStr("'open", '\''), "'open");
  EXPECT_EQ(AnsiDequotedStr("'a'rest", '\''), "a");
}

}  // namespace
}  // namespace orv
