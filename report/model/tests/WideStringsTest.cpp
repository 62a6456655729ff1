// Wide text lines: splitting, files with and without byte-order mark, old 8-bit files, the
// component-stream properties, and code-page conversions.
#include <gtest/gtest.h>

#include "platform/rtl/Filer.h"
#include "report/model/LegacyText.h"
#include "report/model/WideStrings.h"

using namespace orv;

TEST(WideStrings, TextSplitsAtEveryLineBreakForm) {
  TWideStrings lines;
  lines.SetText(u"one\r\ntwo\nthree\rfour\u2028five\n\rsix\r\n");
  std::vector<WideString> expected{u"one", u"two", u"three", u"four", u"five", u"", u"six"};
  ASSERT_EQ(lines.Count(), 7);
  for (Integer i = 0; i < 7; ++i) EXPECT_EQ(lines.Strings(i), expected[static_cast<size_t>(i)]);
  TWideStrings two;
  two.Add(u"ก");
  two.Add(u"ข");
  EXPECT_EQ(two.Text(), u"ก\r\nข\r\n");
  two.SetText(two.Text());
  EXPECT_EQ(two.Count(), 2);
  EXPECT_EQ(two.Strings(5), u"");
  EXPECT_EQ(two.Objects(-1), nullptr);
  two.Put(2, u"ค");
  EXPECT_EQ(two.Count(), 3);
  EXPECT_THROW(two.Put(5, u"x"), EListError);
  EXPECT_EQ(two.Count(), 3);
  EXPECT_EQ(two.IndexOf(u"ข"), 1);
}

TEST(WideStrings, TextHandedOverSplitsAsACopiedOneDoes) {
  TWideStrings lines;
  lines.SetText(u"a\r\nb\r\nc");
  lines.SetText(WideString(u"หนึ่งบรรทัด"));
  ASSERT_EQ(lines.Count(), 1);
  EXPECT_EQ(lines.Strings(0), u"หนึ่งบรรทัด");
  // A NUL ends the text.
  lines.SetText(WideString(u"ab\0cd", 5));
  ASSERT_EQ(lines.Count(), 1);
  EXPECT_EQ(lines.Strings(0), u"ab");
  lines.SetText(WideString(u"x\u2028y"));
  EXPECT_EQ(lines.Count(), 2);
  lines.SetText(WideString());
  EXPECT_EQ(lines.Count(), 0);
}

TEST(WideStrings, TextEqualsIsTheJoinedTextCompared) {
  TWideStrings lines;
  EXPECT_TRUE(lines.TextEquals(u""));
  EXPECT_FALSE(lines.TextEquals(u"\r\n"));
  lines.Add(u"ก");
  lines.Add(u"");
  lines.Add(u"ข c");
  for (const WideString& text : {WideString(u"ก\r\n\r\nข c\r\n"), WideString(u"ก\r\n\r\nข c"),
                                 WideString(u"ก\r\nข c\r\n"), WideString(u"ก\n\r\nข c\r\n"),
                                 WideString(u"ก\r\n\r\nข c\r\nd"), WideString(u"ก\r\n\r\nข d\r\n"), WideString()})
    EXPECT_EQ(lines.TextEquals(text), lines.Text() == text) << kvxWideToUtf8(text);
  // A line holding a break of its own joins to the text of two lines.
  TWideStrings joined;
  joined.Add(u"a\r\nb");
  EXPECT_TRUE(joined.TextEquals(u"a\r\nb\r\n"));
}

TEST(WideStrings, SavedFilesLoadToTheSameLines) {
  TWideStrings lines;
  lines.SetText(u"สวัสดี\r\nHello \U0001F600\r\n");
  TMemoryStream stream;
  lines.SaveToStream(stream);
  ASSERT_GT(stream.Size(), 2);
  EXPECT_EQ(stream.Memory()[0], 0xFF);
  EXPECT_EQ(stream.Memory()[1], 0xFE);
  stream.SetPosition(0);
  TWideStrings back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back.Text(), lines.Text());
}

TEST(WideStrings, EightBitStreamsAreUtf8OrThaiCodePage) {
  TWideStrings lines;
  TStringStream utf8("x\xE0\xB8\x81\r\ny");
  lines.LoadFromStream(utf8);
  EXPECT_EQ(lines.Strings(0), u"xก");
  TStringStream thai("\xA1\xA2");
  lines.LoadFromStream(thai);
  EXPECT_EQ(lines.Strings(0), u"กข");
  // Two bytes FF FE are too short for a mark and are read as 8-bit text.
  TStringStream mark("\xFF\xFE");
  lines.LoadFromStream(mark);
  EXPECT_EQ(lines.Count(), 1);
  // One byte is read from the stream's own position.
  TStringStream tail("abc");
  tail.SetPosition(2);
  lines.LoadFromStream(tail);
  EXPECT_EQ(lines.Strings(0), u"c");
}

TEST(WideStrings, ComponentStreamStoresUtf8AndStillReadsOldStrings) {
  TWideStrings lines;
  lines.SetText(u"ไทย\r\nsecond");
  TMemoryStream data;
  {
    TWriter writer(data);
    lines.DefineProperties(&writer);
  }
  // Name "UTF8", a list of two short strings.
  ASSERT_GT(data.Size(), 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.Memory()), 5), "\x04UTF8");
  data.SetPosition(0);
  TWideStrings back;
  TReader reader(data);
  while (!reader.AtEnd()) reader.ReadProperty(&back);
  EXPECT_EQ(back.Text(), lines.Text());

  TWideStrings empty;
  TMemoryStream none;
  TWriter writer(none);
  empty.DefineProperties(&writer);
  EXPECT_EQ(none.Size(), 0);

  // The old form: 8-bit strings in the Thai code page and wide strings.
  TMemoryStream old;
  {
    TWriter w(old);
    w.WritePropName("Strings");
    w.WriteListBegin();
    w.WriteString("\xA1\xA2");
    w.WriteWideString(u"wide");
    w.WriteListEnd();
  }
  old.SetPosition(0);
  TReader r(old);
  r.ReadProperty(&back);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Strings(0), u"กข");
  EXPECT_EQ(back.Strings(1), u"wide");
}

TEST(WideStrings, CodePageConversions) {
  EXPECT_EQ(kvxCharSetToCodePage(1), 874);
  EXPECT_EQ(kvxCharSetToCodePage(222), 874);
  EXPECT_EQ(kvxCharSetToCodePage(77), 2);
  EXPECT_EQ(kvxCharSetToCodePage(255), 1);
  EXPECT_EQ(kvxCharSetToCodePage(204), 1251);
  EXPECT_EQ(kvxAnsiToUnicode("ไทย", 1), u"ไทย");
  EXPECT_EQ(kvxAnsiToUnicode("\xA1", 222), u"ก");
  EXPECT_EQ(kvxAnsiToUnicode("\xE9", 0, 1252), u"é");
  EXPECT_EQ(kvxUnicodeToAnsi(u"é", 0, 1252), "\xE9");
  EXPECT_EQ(kvxUnicodeToAnsi(u"ไทย", 1), "ไทย");
  EXPECT_EQ(kvxCharSetToLCID(222), 1054);
  EXPECT_EQ(kvxCharSetToLCID(204), 1049);
}
