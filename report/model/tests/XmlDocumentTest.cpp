// The report library's XML document: escaping, attributes, the writer's forms, the reader's
// refusals, old files in code page 874, and items unloaded to and loaded from backing stores.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <memory>
#include <string>

#include <filesystem>

#include "report/model/LegacyText.h"
#include "report/model/XmlBacking.h"
#include "report/model/XmlDocument.h"
#include "report/model/XmlEscape.h"
#include "report/model/XmlReader.h"
#include "report/model/tests/ModelTestSupport.h"

using namespace orv;
using namespace orv::test;

namespace {

std::string Save(TkvxXMLDocument& doc) {
  TStringStream out;
  doc.SaveToStream(out);
  return out.DataString();
}

void Load(TkvxXMLDocument& doc, const std::string& text) {
  TStringStream in(text);
  doc.LoadFromStream(&in, false);
}

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

}  // namespace

TEST(XmlEscape, EveryMarkupCharacterIsEscapedAndReadsBackAsWritten) {
  // Texts that look like references must come back as they were typed, short or long.
  for (std::string text : {"A&lt;B", "&#65;", "&quot;", "a&b", "Tom & Jerry and a much longer text around them",
                           "say \"hi\" <b>\r\n", "ไทย & <ภาษา>"}) {
    std::string escaped = kvxStrToXML(text);
    EXPECT_EQ(escaped.find_first_of("<>\"\r\n"), std::string::npos) << escaped;
    for (size_t at = escaped.find('&'); at != std::string::npos; at = escaped.find('&', at + 1))
      EXPECT_EQ(escaped.compare(at, 2, "&#"), 0) << escaped;
    EXPECT_EQ(kvxXMLToStr(escaped), text);
  }
  EXPECT_EQ(kvxStrToXML("a&b"), "a&#38;b");
  EXPECT_EQ(kvxStrToXML("\r\n\""), "&#13;&#10;&#34;");
}

TEST(XmlEscape, WideTextIsWrittenAsEscapedUtf8) {
  // Control characters, quotes, a character beyond the first plane and surrogates without
  // their other half, between Thai letters; appended to what out holds already.
  std::u16string text = u"ก&<\"\x01\r\n\U0001F600ข";
  text += char16_t(0xD800);
  text += u"ค";
  text += char16_t(0xDC00);
  std::string out = "u=\"";
  kvxAppendXML(out, text);
  EXPECT_EQ(out, "u=\"ก&#38;&#60;&#34;&#9217;&#13;&#10;\xF0\x9F\x98\x80ข\xEF\xBF\xBDค\xEF\xBF\xBD");
  EXPECT_EQ(kvxXMLToStr(out.substr(3)), "ก&<\"\x01\r\n\xF0\x9F\x98\x80ข\xEF\xBF\xBDค\xEF\xBF\xBD");
  std::string many;
  kvxAppendXML(many, std::u16string(40, u'&'));
  EXPECT_EQ(many.size(), 40u * 5);
}

TEST(XmlEscape, WideTextOfAnyLengthIsWrittenAsItsUtf8Is) {
  // Memo texts of every length, one after the other: a long one full of references, then short
  // ones, must each be written whole and alone, as the same text in UTF-8 is escaped.
  WideString piece = u"ก&<ข\"\x02\r\nค";
  piece += char16_t(0xD83D);
  piece += char16_t(0xDE00);
  piece += u"abc";
  WideString longText;
  while (longText.size() < 20000) longText += piece;
  for (const WideString& text : {longText, WideString(u"ก"), WideString(), piece, WideString(u"&&"), longText + u"x"}) {
    String out = "t=\"";
    kvxAppendXML(out, text);
    EXPECT_EQ(out, "t=\"" + kvxStrToXML(kvxWideToUtf8(text)));
  }
}

TEST(XmlEscape, OldFilesUnescapeAsBefore) {
  EXPECT_EQ(kvxXMLToStr("&quot;x&quot;"), "\"x\"");
  EXPECT_EQ(kvxXMLToStr("&amp;&lt;&gt;"), "&<>");
  EXPECT_EQ(kvxXMLToStr("a & b"), "a & b");
  EXPECT_EQ(kvxXMLToStr("&"), "&");
  // A produced ampersand is not decoded again.
  EXPECT_EQ(kvxXMLToStr("&amp;lt;"), "&lt;");
  EXPECT_EQ(kvxXMLToStr("&#38;#34;"), "&#34;");
  EXPECT_EQ(kvxXMLToStr("&#3652;"), "ไ");
  EXPECT_THROW(kvxXMLToStr("&#zz;"), EConvertError);
  EXPECT_EQ(kvxValueToXML(Variant(true)), "1");
  EXPECT_EQ(kvxValueToXML(Variant(Int64(9007199254740993))), "9007199254740993");
  EXPECT_EQ(kvxValueToXML(Variant(String("a<b"))), "a&#60;b");
  EXPECT_EQ(kvxValueToXML(Null()), "");
}

TEST(XmlItem, AttributesKeepTheirPlaceAndMatchWholeNamesOnly) {
  TkvxXMLItem item;
  item.Text = "Name=\"Memo1\" DataSetName=\"ds\" Left=\"10\"";
  EXPECT_EQ(item.Prop("left"), "10");
  EXPECT_EQ(item.Prop("SetName"), "");
  EXPECT_EQ(item.Prop("DataSetName"), "ds");
  item.SetProp("DataSetName", "a&\"b");
  EXPECT_EQ(item.Text, "Name=\"Memo1\" DataSetName=\"a&#38;&#34;b\" Left=\"10\"");
  EXPECT_EQ(item.Prop("DataSetName"), "a&\"b");
  item.SetProp("Top", "5");
  EXPECT_EQ(item.Text, "Name=\"Memo1\" DataSetName=\"a&#38;&#34;b\" Left=\"10\" Top=\"5\"");
  TkvxXMLItem empty;
  empty.SetProp("A", "1");
  EXPECT_EQ(empty.Text, "A=\"1\"");
}

// A tag written one attribute a line, with tabs and CR LF, reads as one written on one line; a
// value is never taken for an attribute, and a line break after the name ends the name.
TEST(XmlItem, AnyBlankSeparatesNamesAndAttributes) {
  TkvxXMLItem item;
  item.Text = "Name=\"Memo1\"\r\n\tTagStr=\"x Left=\"\n  Left\t=\t\"10\"\r\n/";
  EXPECT_EQ(item.Prop("Left"), "10");
  EXPECT_EQ(item.Prop("TagStr"), "x Left=");
  item.SetProp("Left", "12");
  EXPECT_EQ(item.Prop("Left"), "12");
  EXPECT_EQ(item.Prop("Name"), "Memo1");

  TkvxXMLDocument doc;
  Load(doc, std::string(kHeader) +
                "<TkvxReport\r\n>\r\n<TkvxReportPage\r\n\tName=\"Page1\"\r\n\tPaperWidth=\"210\">\r\n"
                "<TkvxMemoView\nName=\"M\"\tLeft=\"1\"\n ld=\"0\"\n>\r\n</TkvxMemoView>\r\n</TkvxReportPage\r\n>\r\n</TkvxReport>");
  ASSERT_EQ(doc.Root()->Name, "TkvxReport");
  ASSERT_EQ(doc.Root()->Count(), 1);
  TkvxXMLItem* page = doc.Root()->Items(0);
  EXPECT_EQ(page->Name, "TkvxReportPage");
  EXPECT_EQ(page->Prop("PaperWidth"), "210");
  ASSERT_EQ(page->Count(), 1);
  EXPECT_EQ(page->Items(0)->Name, "TkvxMemoView");
  EXPECT_EQ(page->Items(0)->Prop("Left"), "1");
  EXPECT_TRUE(page->Items(0)->Unloadable());
}

// A value past 32 MB (a file of one huge memo text) is refused as it is read, before it costs
// gigabytes; one just below loads.
TEST(XmlDocument, ValuesAreBoundedWhenRead) {
  for (const size_t size : {kvxMaxXMLValueBytes + 1, kvxMaxXMLValueBytes - 10}) {
    TkvxXMLDocument doc;
    const std::string text = std::string(kHeader) + "<a v=\"" + std::string(size, 'x') + "\"/>";
    if (size > kvxMaxXMLValueBytes) {
      EXPECT_THROW(Load(doc, text), TkvxInvalidXMLException);
    } else {
      Load(doc, text);
      EXPECT_EQ(doc.Root()->Text.size(), size + 4);
    }
  }
}

TEST(XmlItem, ChildrenMoveBetweenParentsAndLeaveWhenFreed) {
  TkvxXMLItem root;
  TkvxXMLItem* a = root.Add();
  a->Name = "a";
  TkvxXMLItem* b = root.FindItem("B");
  EXPECT_EQ(root.Count(), 2);
  EXPECT_EQ(root.FindItem("b"), b);
  TkvxXMLItem other;
  other.AddItem(a);
  EXPECT_EQ(root.Count(), 1);
  EXPECT_EQ(a->Parent(), &other);
  root.InsertItem(0, a);
  EXPECT_EQ(root.IndexOf(a), 0);
  EXPECT_EQ(other.Count(), 0);
  delete b;
  EXPECT_EQ(root.Count(), 1);
  EXPECT_EQ(root.Find("nothing"), -1);
}

// Items nested 200,000 deep (an outline a script made) are freed with the ordinary stack.
TEST(XmlItem, DeeplyNestedItemsAreFreedWithoutRecursion) {
  auto root = std::make_unique<TkvxXMLItem>();
  const auto nest = [&root] {
    TkvxXMLItem* deepest = root.get();
    for (int i = 0; i < 200000; ++i) deepest = deepest->Add();
  };
  nest();
  root->Items(0)->Clear();
  EXPECT_EQ(root->Items(0)->Count(), 0);
  nest();
  EXPECT_EQ(root->Count(), 2);
  root.reset();
}

TEST(XmlDocument, WriterFormsAreWellFormedAndTheReaderIgnoresValues) {
  TkvxXMLDocument doc;
  doc.Root()->Name = "root";
  TkvxXMLItem* plain = doc.Root()->Add();
  plain->Name = "plain";
  TkvxXMLItem* valued = doc.Root()->Add();
  valued->Name = "valued";
  valued->Text = "a=\"1\"";
  valued->Value = "x < y & \"z\"";
  TkvxXMLItem* bare = doc.Root()->Add();
  bare->Name = "bare";
  bare->SetUnloadable(true);
  bare->Add()->Name = "inner";
  std::string text = Save(doc);
  EXPECT_EQ(text, kHeader +
                      "<root><plain/><valued a=\"1\">x &#60; y &#38; &#34;z&#34;</valued><bare  ld=\"0\"><inner/></bare></root>");
  EXPECT_EQ(XmlLint(text), "");
  doc.AutoIndent = true;
  EXPECT_EQ(Save(doc).substr(kHeader.size(), 16), "\r\n<root>\r\n  <pla");

  TkvxXMLDocument back;
  Load(back, text);
  EXPECT_TRUE(back.OldVersion);
  ASSERT_EQ(back.Root()->Count(), 3);
  EXPECT_EQ(back.Root()->Items(1)->Value, "");
  EXPECT_EQ(back.Root()->Items(1)->Prop("a"), "1");
  // Loaded whole, the unloadable mark is taken out of the attribute text.
  EXPECT_EQ(back.Root()->Items(2)->Text, "");
  EXPECT_EQ(back.Root()->Items(2)->Count(), 1);
}

TEST(XmlDocument, MalformedInputIsRefused) {
  const char* bad[] = {
      "<root/>",                                          // no header
      "<?xml version=\"1.0\"?><root a=\"<\"/>",           // "<" inside a tag
      "<?xml version=\"1.0\"?><root><child a=\"1",        // ends inside a tag
      "<?xml version=\"1.0\"?><root><child>",             // ends with elements open
      "<?xml version=\"1.0\"?><root></other>",            // wrong end tag
      "<?xml version=\"1.0\"?>",                          // no root element
      "<?xml version=\"1.0\"?><!-- never closed ---",     // comment to the end
  };
  for (const char* text : bad) {
    TkvxXMLDocument doc;
    try {
      Load(doc, text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const TkvxInvalidXMLException& e) {
      EXPECT_EQ(e.Message(), "Invalid file format");
    }
  }
  std::string deep = kHeader;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  TkvxXMLDocument doc;
  EXPECT_THROW(Load(doc, deep), TkvxInvalidXMLException);
}

// Values in single quotes and a raw ">" inside a value read as any XML reader reads them (the
// expected values are what xmllint gives back for the same text).
TEST(XmlDocument, SingleQuotesAndRawGreaterThanReadAsXml) {
  const std::string text = kHeader + "<r><m Text='[Q.\"n\"] | it&apos;s' Cond=\"a > b &#x41;\" Tail='x>y'/></r>";
  EXPECT_EQ(XmlLint(text), "");
  TkvxXMLDocument doc;
  Load(doc, text);
  ASSERT_EQ(doc.Root()->Count(), 1);
  const TkvxXMLItem* m = doc.Root()->Items(0);
  EXPECT_EQ(m->Prop("Text"), "[Q.\"n\"] | it's");
  EXPECT_EQ(m->Prop("Cond"), "a > b A");
  EXPECT_EQ(m->Prop("Tail"), "x>y");
  EXPECT_EQ(doc.Root()->Name, "r");
  // Written again, the values are in the one form the writer uses.
  const std::string saved = Save(doc);
  EXPECT_EQ(XmlLint(saved), "");
  TkvxXMLDocument back;
  Load(back, saved);
  EXPECT_EQ(back.Root()->Items(0)->Prop("Text"), "[Q.\"n\"] | it's");
  EXPECT_EQ(back.Root()->Items(0)->Prop("Tail"), "x>y");
}

TEST(XmlDocument, HeaderVersionsAreReadSafely) {
  for (const char* header : {"<?xml version=?>", "<?xml version=\"?>", "<?xml version=\"1.0\" standalone=\"yes\"?>",
                             "<?xml encoding=\"utf-8\"?>"}) {
    TkvxXMLDocument doc;
    Load(doc, std::string(header) + "<r/>");
    EXPECT_FALSE(doc.OldVersion) << header;
    EXPECT_EQ(doc.Root()->Name, "r");
  }
}

TEST(XmlDocument, CommentsAreSkippedAndEndTagsCompareWithoutCase) {
  TkvxXMLDocument doc;
  Load(doc, kHeader + "<!-- one -->\n<Root x=\"1\"><!-- a -- b --><Child/></ROOT>");
  EXPECT_EQ(doc.Root()->Name, "Root");
  ASSERT_EQ(doc.Root()->Count(), 1);
  EXPECT_EQ(doc.Root()->Items(0)->Name, "Child");
}

TEST(XmlDocument, FileInThaiCodePageReadsAsThai) {
  // "ทดสอบ" in code page 874.
  std::string thai874 = "\xB7\xB4\xCA\xCD\xBA";
  TkvxXMLDocument doc;
  Load(doc, kHeader + "<r><p OutlineText=\"" + thai874 + "\"/></r>");
  EXPECT_EQ(doc.Root()->Items(0)->Prop("OutlineText"), "ทดสอบ");
  std::string saved = Save(doc);
  EXPECT_NE(saved.find("ทดสอบ"), std::string::npos);
  EXPECT_EQ(XmlLint(saved), "");
}

// A file of UTF-8 with one stray byte in a Thai text: the Thai on both sides stays, only the
// byte is read as code page 874; a text wholly in code page 874 reads whole as before.
TEST(XmlDocument, AStrayByteSpoilsOnlyItself) {
  TkvxXMLDocument doc;
  Load(doc, kHeader + "<r><p OutlineText=\"ข้อความ\xFFไทย\" Other=\"แขก \xA1\xD2\xC3\"/></r>");
  // 0xFF is not a character of the code page: it keeps its byte as a private character.
  EXPECT_EQ(doc.Root()->Items(0)->Prop("OutlineText"), "ข้อความ\uF7FFไทย");
  EXPECT_EQ(doc.Root()->Items(0)->Prop("Other"), "แขก การ");
  TkvxXMLDocument legacy;
  // "แขก ไกด์" in code page 874: both words are also well-formed UTF-8 sequences.
  Load(legacy, kHeader + "<r><p OutlineText=\"\xE1\xA2\xA1 \xE4\xA1\xB4\xEC\"/></r>");
  EXPECT_EQ(legacy.Root()->Items(0)->Prop("OutlineText"), "แขก ไกด์");
}

TEST(XmlDocument, UnloadedItemsComeBackFromEitherStore) {
  std::string dir = TempFolder("unload");
  TkvxXMLDocument doc;
  doc.TempDir = dir;
  doc.Root()->Name = "preparedreport";
  for (int p = 0; p < 3; ++p) {
    TkvxXMLItem* page = doc.Root()->Add();
    page->Name = "page" + std::to_string(p);
    page->SetUnloadable(true);
    for (int o = 0; o < 4; ++o) {
      TkvxXMLItem* obj = page->Add();
      obj->Name = "TkvxMemoView";
      obj->SetProp("Text", "หน้า " + std::to_string(p) + " & " + std::to_string(o));
    }
  }
  doc.UnloadItem(doc.Root()->Items(1));
  EXPECT_FALSE(doc.Root()->Items(1)->Loaded());
  EXPECT_EQ(doc.Root()->Items(1)->Count(), 0);
  // The backing file is unlinked at once: nothing is left in the folder.
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  std::string saved = Save(doc);
  EXPECT_EQ(XmlLint(saved), "");
  EXPECT_FALSE(doc.Root()->Items(1)->Loaded());

  // Partial loading keeps the pages in the loaded stream; a later unload puts another page in
  // the backing file; both come back.
  TkvxXMLDocument partial;
  partial.TempDir = dir;
  partial.LoadFromStream(new TStringStream(saved), true);
  ASSERT_EQ(partial.Root()->Count(), 3);
  for (int p = 0; p < 3; ++p) EXPECT_FALSE(partial.Root()->Items(p)->Loaded());
  partial.LoadItem(partial.Root()->Items(0));
  partial.UnloadItem(partial.Root()->Items(0));
  for (int p : {2, 0, 1}) {
    TkvxXMLItem* page = partial.Root()->Items(p);
    partial.LoadItem(page);
    ASSERT_EQ(page->Count(), 4) << p;
    EXPECT_EQ(page->Items(3)->Prop("Text"), "หน้า " + std::to_string(p) + " & 3");
    EXPECT_EQ(page->Name, "page" + std::to_string(p));
  }
  EXPECT_EQ(Save(partial), saved);
  std::filesystem::remove_all(dir);
}

TEST(XmlDocument, PagesOfALongRunComeBackWhetherTheyReachedTheFileOrNot) {
  // Pages of a few kilobytes each, written past the bytes the file cache gathers in memory:
  // some are read back from the disk, the last ones from memory, and each is itself.
  std::string dir = TempFolder("gathered");
  TkvxXMLDocument doc;
  doc.TempDir = dir;
  doc.Root()->Name = "preparedreport";
  constexpr int kPages = 150;
  auto rowText = [](int p, int o) { return "แถว " + std::to_string(p) + "." + std::to_string(o) + std::string(60, 'x'); };
  for (int p = 0; p < kPages; ++p) {
    TkvxXMLItem* page = doc.Root()->Add();
    page->Name = "page0";
    page->SetUnloadable(true);
    for (int o = 0; o < 40; ++o) {
      TkvxXMLItem* obj = page->Add();
      obj->Name = "m" + std::to_string(o);
      obj->SetProp("u", rowText(p, o));
    }
    doc.UnloadItem(page);
  }
  for (int p : {kPages - 1, 0, kPages / 2, 1, kPages - 2}) {
    TkvxXMLItem* page = doc.Root()->Items(p);
    doc.LoadItem(page);
    ASSERT_EQ(page->Count(), 40) << p;
    EXPECT_EQ(page->Items(0)->Prop("u"), rowText(p, 0)) << p;
    EXPECT_EQ(page->Items(39)->Prop("u"), rowText(p, 39)) << p;
    doc.UnloadItem(page);
  }
  std::filesystem::remove_all(dir);
}

TEST(XmlDocument, TheFileCacheReadsAnyStretchOfWhatWasWrittenToIt) {
  std::string dir = TempFolder("stretch");
  TkvxTempFileBacking backing(dir);
  std::string written;
  // Pieces of odd sizes, so that reads fall across what reached the disk and what did not.
  // One of them larger than all that is gathered in memory.
  for (size_t n = 0; written.size() < (size_t{900} << 10); ++n) {
    std::string piece(n == 150 ? size_t{300} << 10 : 997 + n % 5000, static_cast<char>('a' + n % 26));
    piece[0] = static_cast<char>(n % 251);
    backing.Append(piece.data(), piece.size());
    written += piece;
  }
  ASSERT_EQ(backing.Size(), written.size());
  for (size_t at : {size_t{0}, size_t{1000}, (size_t{256} << 10) - 3, (size_t{512} << 10) + 17,
                    (size_t{700} << 10) + 5, written.size() - 9000}) {
    std::string read(20000, '\0');
    const size_t got = backing.ReadAt(at, read.data(), read.size());
    ASSERT_EQ(got, std::min(read.size(), written.size() - at)) << at;
    EXPECT_TRUE(read.compare(0, got, written, at, got) == 0) << at;
  }
  // Past the end nothing, up to the end what is there.
  char tail[64];
  EXPECT_EQ(backing.ReadAt(written.size(), tail, sizeof tail), 0u);
  EXPECT_EQ(backing.ReadAt(written.size() - 5, tail, sizeof tail), 5u);
  EXPECT_EQ(std::string(tail, 5), written.substr(written.size() - 5));
  std::filesystem::remove_all(dir);
}

TEST(XmlDocument, AFileCacheTheDiskRefusesSaysSoAndLosesNothing) {
  std::string dir = TempFolder("refused");
  TkvxTempFileBacking backing(dir);
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 64 << 10;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string written, message;
  try {
    for (int n = 0; n < 400; ++n) {
      const std::string piece(4000, static_cast<char>('a' + n % 26));
      backing.Append(piece.data(), piece.size());
      written += piece;
    }
  } catch (const EWriteError& e) {
    message = e.Message();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(message.rfind("เขียนแฟ้มชั่วคราวไม่ได้: ", 0), 0u) << message;
  // What was taken before the refusal still reads back whole; the refused piece is not taken.
  ASSERT_EQ(backing.Size(), written.size());
  std::string read(written.size(), '\0');
  ASSERT_EQ(backing.ReadAt(0, read.data(), read.size()), written.size());
  EXPECT_TRUE(read == written);
  std::filesystem::remove_all(dir);
}

TEST(XmlDocument, ItemsReadBackAndUnloadedAgainKeepTheirLatestChildren) {
  std::string dir = TempFolder("reload");
  TkvxXMLDocument doc;
  doc.TempDir = dir;
  doc.Root()->Name = "preparedreport";
  for (int p = 0; p < 2; ++p) {
    TkvxXMLItem* page = doc.Root()->Add();
    page->Name = "page0";
    page->SetUnloadable(true);
    page->SetProp("n", std::to_string(p));
    TkvxXMLItem* obj = page->Add();
    obj->Name = "m1";
    obj->SetProp("u", "แถว " + std::to_string(p));
  }
  TkvxXMLItem* unchanged = doc.Root()->Items(0);
  TkvxXMLItem* changed = doc.Root()->Items(1);
  doc.UnloadItem(unchanged);
  doc.UnloadItem(changed);
  std::string saved = Save(doc);
  // Read back and let go many times, as an export or a browsing preview does.
  for (int round = 0; round < 3; ++round) {
    doc.LoadItem(unchanged);
    ASSERT_EQ(unchanged->Count(), 1);
    EXPECT_EQ(unchanged->Items(0)->Prop("u"), "แถว 0");
    doc.UnloadItem(unchanged);
    EXPECT_FALSE(unchanged->Loaded());
    EXPECT_EQ(unchanged->Count(), 0);
  }
  EXPECT_EQ(Save(doc), saved);
  // A page changed after it came back is written out again with its change.
  doc.LoadItem(changed);
  changed->MarkChanged();
  changed->Items(0)->SetProp("u", "แก้ไข");
  changed->Add()->Name = "m2";
  doc.UnloadItem(changed);
  doc.LoadItem(changed);
  ASSERT_EQ(changed->Count(), 2);
  EXPECT_EQ(changed->Items(0)->Prop("u"), "แก้ไข");
  EXPECT_EQ(changed->Items(1)->Name, "m2");
  EXPECT_EQ(changed->Prop("n"), "1");
  doc.UnloadItem(changed);
  doc.LoadItem(changed);
  EXPECT_EQ(changed->Count(), 2);
  std::filesystem::remove_all(dir);
}

TEST(XmlDocument, UnloadedItemsComeBackWithTheirNestingTextsAndUnloadableChildren) {
  std::string dir = TempFolder("nested");
  TkvxXMLDocument doc;
  doc.TempDir = dir;
  doc.Root()->Name = "preparedreport";
  TkvxXMLItem* page = doc.Root()->Add();
  page->Name = "page0";
  page->SetUnloadable(true);
  TkvxXMLItem* band = page->Add();
  band->Name = "b1";
  band->SetProp("t", "20");
  for (const char* text : {"a < b & \"c\"", "", "หน้า\r\nสอง"}) {
    TkvxXMLItem* memo = band->Add();
    memo->Name = "m1";
    memo->SetProp("u", text);
  }
  band->Add()->Name = "empty";
  // A descendant that may leave memory by itself, and has left it, goes with the page.
  TkvxXMLItem* inner = page->Add();
  inner->Name = "inner";
  inner->SetUnloadable(true);
  inner->Add()->Name = "deep";
  doc.UnloadItem(inner);
  const std::string before = Save(doc);
  doc.UnloadItem(page);
  EXPECT_EQ(page->Count(), 0);
  doc.LoadItem(page);
  ASSERT_EQ(page->Count(), 2);
  ASSERT_EQ(page->Items(0)->Count(), 4);
  EXPECT_EQ(page->Items(0)->Prop("t"), "20");
  EXPECT_EQ(page->Items(0)->Items(0)->Prop("u"), "a < b & \"c\"");
  EXPECT_EQ(page->Items(0)->Items(1)->Prop("u"), "");
  EXPECT_EQ(page->Items(0)->Items(2)->Prop("u"), "หน้า\r\nสอง");
  EXPECT_EQ(page->Items(0)->Items(3)->Name, "empty");
  TkvxXMLItem* back = page->Items(1);
  EXPECT_TRUE(back->Unloadable());
  ASSERT_EQ(back->Count(), 1);
  EXPECT_EQ(back->Items(0)->Name, "deep");
  EXPECT_EQ(Save(doc), before);
  std::filesystem::remove_all(dir);
}

TEST(XmlDocument, MarkerRightBehindAQuoteIsNotAMarker) {
  TkvxXMLDocument doc;
  doc.LoadFromStream(new TStringStream(kHeader + "<r><page a=\"1\"ld=\"0\"><x/></page></r>"), true);
  TkvxXMLItem* page = doc.Root()->Items(0);
  EXPECT_TRUE(page->Loaded());
  EXPECT_EQ(page->Count(), 1);
  EXPECT_EQ(page->Prop("a"), "1");
}

TEST(XmlDocument, SaveToFileKeepsTheOldFileWhenTheFolderIsGone) {
  std::string dir = TempFolder("save");
  TkvxXMLDocument doc;
  doc.Root()->Name = "r";
  doc.SaveToFile(dir + "/a.xml");
  EXPECT_EQ(ReadFile(dir + "/a.xml"), kHeader + "<r/>");
  EXPECT_THROW(doc.SaveToFile(dir + "/missing/a.xml"), EFileStreamError);
  std::filesystem::remove_all(dir);
}
