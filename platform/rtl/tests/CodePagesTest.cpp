#include <gtest/gtest.h>
#include <unicode/ustring.h>

#include <random>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextUtils.h"

namespace orv {
namespace {

TEST(CodePagesTest, ThaiSystemProfile) {
  EXPECT_EQ(GetACP(), 874);
  EXPECT_EQ(GetOEMCP(), 874);
  EXPECT_EQ(DefaultSystemCharset(), THAI_CHARSET);
  EXPECT_EQ(CharsetToCodePage(DEFAULT_CHARSET), 874);
  EXPECT_EQ(CharsetToCodePage(THAI_CHARSET), 874);
  EXPECT_EQ(CharsetToCodePage(ANSI_CHARSET), 1252);
  EXPECT_EQ(CharsetToCodePage(RUSSIAN_CHARSET), 1251);
  EXPECT_EQ(CharsetToCodePage(SHIFTJIS_CHARSET), 932);
  EXPECT_EQ(CharsetToCodePage(123), 874);
  TCharsetInfo info;
  EXPECT_TRUE(TranslateCharsetInfo(CHINESEBIG5_CHARSET, info));
  EXPECT_EQ(info.CodePage, 950);
  EXPECT_FALSE(TranslateCharsetInfo(123, info));
  Byte charset = 0;
  EXPECT_TRUE(CodePageToCharset(874, charset));
  EXPECT_EQ(charset, THAI_CHARSET);
}

TEST(CodePagesTest, ThaiRoundTripsThrough874) {
  const String thai = "ทะเบียนสัตบุรุษ วัดพระแม่ ฿1,000";
  const std::string bytes = Utf8ToCodePage(thai, 874);
  // One byte a character, as the original stored it.
  EXPECT_EQ(bytes.size(), 32u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xB7);  // ท
  EXPECT_EQ(CodePageToUtf8(bytes, 874), thai);
  EXPECT_EQ(CodePageToUtf8(bytes, CP_ACP), thai);
  // What 874 cannot hold becomes '?'.
  EXPECT_EQ(Utf8ToCodePage("กé中", 874), "\xA1??");
  EXPECT_EQ(Utf8ToCodePage("a\xFF" "b", 874), "a?b");
  // Bytes 874 leaves undefined become U+FFFD.
  EXPECT_EQ(CodePageToUtf8("\xA1\xDB", 874), "ก\xEF\xBF\xBD");
}

TEST(CodePagesTest, OtherCodePages) {
  EXPECT_EQ(CodePageToUtf8("caf\xE9", 1252), "café");
  EXPECT_EQ(Utf8ToCodePage("Привет", 1251), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(CodePageToUtf8(Utf8ToCodePage("日本語", 932), 932), "日本語");
  EXPECT_EQ(CodePageToUtf8(Utf8ToCodePage("中文", 936), 936), "中文");
  EXPECT_EQ(Utf8ToCodePage("กA", CP_UTF16LE), std::string("\x01\x0E" "A\0", 4));
  EXPECT_EQ(CodePageToUtf8(std::string("\x0E\x01\0A", 4), CP_UTF16BE), "กA");
  EXPECT_EQ(CodePageToUtf8("a\xFF", CP_UTF8), "a\xEF\xBF\xBD");
  EXPECT_THROW(CodePageToUtf8("x", 12345), EConvertError);
}

TEST(CodePagesTest, WideText) {
  EXPECT_EQ(Utf8ToWide("กa😀"), (WideString{0x0E01, u'a', 0xD83D, 0xDE00}));
  EXPECT_EQ(WideToUtf8(WideString{0x0E01, u'a', 0xD83D, 0xDE00}), "กa😀");
  EXPECT_EQ(WideToUtf8(WideString{0xD83D, u'x'}), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf8ToWide("\xC3"), WideString{0xFFFD});
  // Three-byte sequences at the edges of their range, and the forms the standard rejects (an
  // overlong U+07FF, a surrogate): each byte of a rejected form becomes one U+FFFD.
  EXPECT_EQ(Utf8ToWide("\xE0\xA0\x80|\xEF\xBF\xBF|\xED\x9F\xBF"), (WideString{0x0800, u'|', 0xFFFF, u'|', 0xD7FF}));
  EXPECT_EQ(Utf8ToWide("\xE0\x9F\xBF"), (WideString{0xFFFD, 0xFFFD, 0xFFFD}));
  EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), (WideString{0xFFFD, 0xFFFD, 0xFFFD}));
  EXPECT_EQ(Utf8ToWide("x\xE0\xB8\x81\xE0\xB8\x82"), (WideString{u'x', 0x0E01, 0x0E02}));
  WideString appended = u"ก";
  AppendUtf8ToWide(appended, "ข1");
  EXPECT_EQ(appended, u"กข1");
}

TEST(CodePagesTest, ThaiTextIsCheckedAndReadAsIcuReadsIt) {
  // Texts of Thai letters among the bytes nearest to them: the letters just outside the Thai
  // block, a letter cut short or with a wrong last byte, an overlong form, stray continuation
  // bytes, other scripts. What is well formed must read as ICU reads it, and be written back as
  // it was; damage, well formed or not, as the checking reader reads it byte by byte.
  const std::vector<std::string> pieces = {
      "a", " ", "7", "\xE0\xB8\x81", "\xE0\xB8\xAA", "\xE0\xB9\x80", "\xE0\xB9\xBF", "\xE0\xB8\x80",
      "\xE0\xB7\xBF", "\xE0\xBA\x80", "\xE0\xB8", "\xE0", "\xE0\xB8\x41", "\xE0\xB9\xC0", "\xE0\x80\x80",
      "\xB8\x81", "\x80", "\xC3\xA9", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xED\xA0\x80", "\xFF"};
  std::mt19937 random(58);
  int valid = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string s;
    const int count = static_cast<int>(random() % 12);
    for (int i = 0; i < count; ++i) s += pieces[random() % (round % 2 ? 9 : pieces.size())];
    SCOPED_TRACE(s);
    UErrorCode status = U_ZERO_ERROR;
    std::u16string icu(s.size() + 1, u'\0');
    int32_t length = 0;
    u_strFromUTF8(icu.data(), static_cast<int32_t>(icu.size()), &length, s.data(), static_cast<int32_t>(s.size()),
                  &status);
    const bool icuValid = U_SUCCESS(status);
    ASSERT_EQ(IsValidUtf8(s), icuValid);
    WideString read = u"x";
    AppendUtf8ToWide(read, s);
    WideString checked = u"x";
    for (size_t pos = 0; pos < s.size();) {
      const char32_t cp = NextCodePoint(s, pos);
      if (cp >= 0x10000) {
        checked += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        checked += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        checked += static_cast<char16_t>(cp);
      }
    }
    ASSERT_EQ(read, checked);
    if (icuValid) {
      ++valid;
      icu.resize(static_cast<size_t>(length));
      ASSERT_EQ(read.substr(1), icu);
      ASSERT_EQ(WideToUtf8(read), "x" + s);
    }
  }
  EXPECT_GT(valid, 1000);
}

TEST(CodePagesTest, FilesAreUtf8ElseThai874) {
  EXPECT_EQ(DecodeText("สวัสดี"), "สวัสดี");
  EXPECT_EQ(DecodeText("\xEF\xBB\xBFok"), "ok");
  EXPECT_EQ(DecodeText(Utf8ToCodePage("สวัสดี", 874)), "สวัสดี");
  EXPECT_EQ(DecodeText(""), "");
}

}  // namespace
}  // namespace orv
