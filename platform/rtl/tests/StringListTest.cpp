#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TextUtils.h"

namespace orv {
namespace {

std::vector<String> Lines(const TStrings& list) {
  std::vector<String> out;
  for (Integer i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(StringList, TextRoundTripsWithAnyLineBreak) {
  TStringList list;
  list.SetText("one\rtwo\nสาม\r\n\r\nfive");
  EXPECT_EQ(Lines(list), (std::vector<String>{"one", "two", "สาม", "", "five"}));
  EXPECT_EQ(list.Text(), "one\r\ntwo\r\nสาม\r\n\r\nfive\r\n");
  TStringList back;
  back.SetText(list.Text());
  EXPECT_TRUE(back.Equals(list));
  back.SetText("");
  EXPECT_EQ(back.Count(), 0);
  back.SetText("\r\n");
  EXPECT_EQ(Lines(back), (std::vector<String>{""}));
  back.SetText("a\n\rb");
  EXPECT_EQ(Lines(back), (std::vector<String>{"a", "", "b"}));
}

TEST(StringList, CommaAndDelimitedTextRoundTrip) {
  TStringList list;
  for (const char* s : {"plain", "two words", "say \"hi\"", "", "a,b", "ไทย"}) list.Add(s);
  EXPECT_EQ(list.CommaText(), "plain,\"two words\",\"say \"\"hi\"\"\",,\"a,b\",ไทย");
  TStringList back;
  back.SetCommaText(list.CommaText());
  EXPECT_EQ(Lines(back), Lines(list));

  back.SetCommaText(" a , b c,\"d,e\"x,");
  EXPECT_EQ(Lines(back), (std::vector<String>{"a", "b", "c", "d,e", "x", ""}));
  back.SetCommaText("\"open quote");
  EXPECT_EQ(Lines(back), (std::vector<String>{"open quote"}));
  back.SetCommaText("");
  EXPECT_EQ(back.Count(), 0);
  back.Add("");
  EXPECT_EQ(back.CommaText(), "\"\"");

  TStringList semi;
  semi.SetDelimiter(';');
  semi.SetQuoteChar('\'');
  semi.SetDelimitedText("x;'y;z';'it''s'");
  EXPECT_EQ(Lines(semi), (std::vector<String>{"x", "y;z", "it's"}));
  EXPECT_EQ(semi.DelimitedText(), "x;'y;z';'it''s'");
  semi.SetCommaText("p,q");  // CommaText leaves the list's own delimiter alone
  EXPECT_EQ(semi.Delimiter(), ';');
  EXPECT_EQ(semi.DelimitedText(), "p;q");
}

TEST(StringList, NamesAndValues) {
  TStringList list;
  list.SetText("Parish=St. Anna\r\nPriest=Fr. Somchai\r\nnoequals\r\n=empty name");
  EXPECT_EQ(list.Names(0), "Parish");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.Values("PRIEST"), "Fr. Somchai");
  EXPECT_EQ(list.ValueFromIndex(2), "");
  EXPECT_EQ(list.ValueFromIndex(3), "empty name");
  EXPECT_EQ(list.IndexOfName("parish"), 0);
  EXPECT_EQ(list.Values("missing"), "");

  list.SetValues("Priest", "Fr. Anan");
  EXPECT_EQ(list.Strings(1), "Priest=Fr. Anan");
  list.SetValues("Town", "ลำปาง");
  EXPECT_EQ(list.Strings(4), "Town=ลำปาง");
  list.SetValues("Parish", "");
  EXPECT_EQ(list.IndexOfName("Parish"), -1);
  list.SetValueFromIndex(0, "Fr. Paul");
  EXPECT_EQ(list.Strings(0), "Priest=Fr. Paul");

  TStringList sorted;
  sorted.SetSorted(true);
  sorted.Add("b=1");
  sorted.Add("a=2");
  sorted.SetValues("b", "0");  // a sorted list takes the new line in its sorted place
  EXPECT_EQ(sorted.Values("b"), "0");
  EXPECT_EQ(sorted.Count(), 2);
}

// Names of letters and digits are told apart by their bytes, case aside unless the list is
// case-sensitive; names with blanks, punctuation or Thai letters as the Thai collation does,
// which passes over blanks and punctuation. The first line of the name is the one found.
TEST(StringList, NamesAreFoundAsTheCollationComparesThem) {
  TStringList list;
  list.SetText("c1=one\nC12=twelve\nc1=again\na-b=dash\nชื่อ=Thai\nx y=blank\n");
  EXPECT_EQ(list.IndexOfName("C1"), 0);
  EXPECT_EQ(list.Values("c12"), "twelve");
  EXPECT_EQ(list.Values("ab"), "dash");
  EXPECT_EQ(list.Values("a.b"), "dash");
  EXPECT_EQ(list.Values("ชื่อ"), "Thai");
  EXPECT_EQ(list.Values("xy"), "blank");
  EXPECT_EQ(list.IndexOfName("c2"), -1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOfName("C1"), -1);
  EXPECT_EQ(list.IndexOfName("C12"), 1);
}

TEST(StringList, SortedListsFindInsertAndRefuseDuplicates) {
  TStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add("pear"), 0);
  EXPECT_EQ(list.Add("apple"), 0);
  EXPECT_EQ(list.Add("fig"), 1);
  EXPECT_EQ(list.Add("APPLE"), 0);  // dupIgnore, case-blind: the existing line's index
  EXPECT_EQ(list.Count(), 3);
  Integer index = -1;
  EXPECT_FALSE(list.Find("banana", index));
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(list.Find("Pear", index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(list.IndexOf("FIG"), 1);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  EXPECT_THROW(list.SetStrings(0, "x"), EStringListError);

  list.SetDuplicates(dupError);
  try {
    list.Add("fig");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  list.SetDuplicates(dupAccept);
  list.Add("fig");
  EXPECT_EQ(Lines(list), (std::vector<String>{"apple", "fig", "fig", "pear"}));

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("FIG"), -1);

  // Thai leading vowels sort by the consonant after them.
  TStringList thai;
  thai.SetSorted(true);
  for (const char* s : {"ข", "เก", "ก"}) thai.Add(s);
  EXPECT_EQ(Lines(thai), (std::vector<String>{"ก", "เก", "ข"}));
}

// Many lines across many blocks: every add lands where a sorted copy says, objects stay with
// their lines, and deleting and reading by position agree with that copy.
TEST(StringList, ASortedListOfManyLinesKeepsEveryLineInItsPlace) {
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(dupAccept);
  std::vector<String> expected;
  const auto less = [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; };
  for (int i = 0; i < 4000; ++i) {
    const String line = "k" + std::to_string((i * 7919) % 1000);
    // An equal line goes before the ones already there.
    const auto at = std::lower_bound(expected.begin(), expected.end(), line, less);
    ASSERT_EQ(list.AddObject(line, reinterpret_cast<TObject*>(static_cast<intptr_t>(i + 1))), at - expected.begin());
    expected.insert(at, line);
  }
  // The k0 lines (i = 0 and every 1000th after) lead the list, the last added first.
  EXPECT_EQ(reinterpret_cast<intptr_t>(list.Objects(0)), 3001);
  EXPECT_EQ(reinterpret_cast<intptr_t>(list.Objects(3)), 1);
  for (int i = 0; i < 4000; i += 397) {
    list.Delete(i);
    expected.erase(expected.begin() + i);
  }
  ASSERT_EQ(Lines(list), expected);
  Integer index = -1;
  EXPECT_TRUE(list.Find("K999", index));
  EXPECT_EQ(index, std::lower_bound(expected.begin(), expected.end(), String("k999"), less) - expected.begin());
  EXPECT_EQ(list.Strings(index), "k999");
  list.SetSorted(false);
  list.Insert(1, "first");
  EXPECT_EQ(list.Strings(1), "first");
  EXPECT_EQ(list.Count(), static_cast<Integer>(expected.size()) + 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

// Orders written out by hand from Thai dictionary order: consonants in alphabet order, a
// leading vowel read after the consonant it stands before, vowels after the consonant in their
// own order, tone marks only between texts otherwise alike; letter case counts only for a
// case-sensitive list (small letters first); digits one by one, before letters.
TEST(StringList, SortedListsPutLinesInDictionaryOrderWhateverOrderTheyCameIn) {
  const std::vector<String> thai = {"ก", "กก", "กา", "ก่า", "ก้า", "กาก", "กิ", "เก", "แก", "ข", "ขา", "เข", "ค", "ฮ"};
  const std::vector<String> latin = {"1", "10", "2", "9", "ab", "abc", "b", "z"};
  for (const std::vector<String>* expected : {&thai, &latin}) {
    for (unsigned step : {1u, 5u, 11u}) {
      TStringList list;
      list.SetSorted(true);
      TStringList unsorted;
      for (size_t i = 0; i < expected->size(); ++i) {
        const String& line = (*expected)[(i * step + 2) % expected->size()];
        list.Add(line);
        unsorted.Add(line);
      }
      EXPECT_EQ(Lines(list), *expected) << step;
      unsorted.SetSorted(true);
      EXPECT_EQ(Lines(unsorted), *expected) << step;
    }
  }
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"Ab", "ab", "AB", "aB", "b"}) list.Add(s);
  // Case-blind: the first of each kind stays.
  EXPECT_EQ(Lines(list), (std::vector<String>{"Ab", "b"}));
  list.SetDuplicates(dupAccept);
  list.Add("aB");
  EXPECT_EQ(Lines(list), (std::vector<String>{"aB", "Ab", "b"}));
  list.SetCaseSensitive(true);
  list.Add("ab");
  list.Add("AB");
  EXPECT_EQ(Lines(list), (std::vector<String>{"ab", "aB", "Ab", "AB", "b"}));
  Integer index = -1;
  EXPECT_TRUE(list.Find("Ab", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find("aa", index));
  EXPECT_EQ(index, 0);
}

// Texts of every kind, broken UTF-8 among them: a sorted list holds them as placing each with
// the collation itself would, in both case modes, and finds each where that placing says.
TEST(StringList, SortedListsPlaceAnyTextWhereTheCollationSays) {
  const std::vector<String> pieces = {"ก", "ข", "ฮ", "เ", "แ", "า", "ิ", "่", "้", "a", "A", "z", "Z", "0", "9",
                                      " ", "-", ".", "\xE0\xB8", "\x80", "\xFF", "é", "E\xCC\x81", String(1, '\0')};
  for (bool caseSensitive : {false, true}) {
    const auto less = [caseSensitive](const String& a, const String& b) {
      return (caseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b)) < 0;
    };
    TStringList list;
    list.SetCaseSensitive(caseSensitive);
    list.SetSorted(true);
    list.SetDuplicates(dupAccept);
    TStringList once;
    once.SetCaseSensitive(caseSensitive);
    once.SetSorted(true);
    std::vector<String> expected;
    unsigned seed = 45;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int i = 0; i < 3000; ++i) {
      String line;
      for (unsigned n = next() % 5; n-- > 0;) line += pieces[next() % pieces.size()];
      const auto at = std::lower_bound(expected.begin(), expected.end(), line, less);
      ASSERT_EQ(list.AddObject(line, reinterpret_cast<TObject*>(static_cast<intptr_t>(i + 1))), at - expected.begin()) << i;
      expected.insert(at, line);
      once.Add(line);
    }
    ASSERT_EQ(Lines(list), expected);
    // Without duplicates, each line is the first of its kind and lies before the next.
    for (Integer i = 1; i < once.Count(); ++i) ASSERT_TRUE(less(once.Strings(i - 1), once.Strings(i))) << i;
    for (const String& line : expected) {
      Integer index = -1;
      ASSERT_TRUE(once.Find(line, index));
      ASSERT_FALSE(less(line, once.Strings(index)) || less(once.Strings(index), line));
    }
  }
}

TEST(StringList, SortingObjectsAndChangeEvents) {
  TStringList list;
  TObject tagA, tagB;
  list.AddObject("ccc", &tagA);
  list.AddObject("a", &tagB);
  list.Add("bb");
  EXPECT_EQ(list.IndexOfObject(&tagB), 1);
  list.CustomSort([](TStringList& l, Integer i, Integer j) {
    return static_cast<int>(l.Strings(i).size()) - static_cast<int>(l.Strings(j).size());
  });
  EXPECT_EQ(Lines(list), (std::vector<String>{"a", "bb", "ccc"}));
  EXPECT_EQ(list.Objects(0), &tagB);
  EXPECT_EQ(list.Objects(2), &tagA);
  list.Exchange(0, 2);
  EXPECT_EQ(list.Objects(0), &tagA);
  list.Move(0, 2);
  EXPECT_EQ(list.Strings(2), "ccc");
  EXPECT_EQ(list.Objects(2), &tagA);

  int changing = 0, changed = 0;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changing;
  };
  list.OnChange = [&](TObject*) { ++changed; };
  list.Add("d");
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Delete(0);
  list.Add("e");
  list.EndUpdate();
  EXPECT_EQ(changed, 1);
  list.EndUpdate();
  EXPECT_EQ(changing, 2);
  EXPECT_EQ(changed, 2);

  try {
    list.Strings(10);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (10)");
  }
  EXPECT_THROW(list.Delete(-1), EStringListError);
  EXPECT_THROW(list.SetCapacity(1), EStringListError);

  TStringList copy;
  copy.Assign(&list);
  EXPECT_TRUE(copy.Equals(list));
  EXPECT_EQ(copy.Objects(1), list.Objects(1));
  copy.Assign(&copy);
  EXPECT_EQ(copy.Count(), list.Count());
  copy.AddStrings(list);
  EXPECT_EQ(copy.Count(), 2 * list.Count());
}

TEST(StringList, FilesAreUtf8AndOldFilesAreReadAsThaiCodePage) {
  char folderTemplate[] = "/tmp/orvane_strings_XXXXXX";
  std::filesystem::path folder = mkdtemp(folderTemplate);
  TStringList list;
  list.Add("บ้านเลขที่ 12");
  list.Add("second");
  String path = (folder / "lines.txt").string();
  list.SaveToFile(path);
  EXPECT_EQ(ReadBytes(path), "บ้านเลขที่ 12\r\nsecond\r\n");

  TStringList back;
  back.LoadFromFile(path);
  EXPECT_TRUE(back.Equals(list));

  {
    std::ofstream old(folder / "old.txt", std::ios::binary);
    old << "\xA1\xD2\xC3\r\nx";  // "การ" in code page 874
  }
  back.LoadFromFile((folder / "old.txt").string());
  EXPECT_EQ(Lines(back), (std::vector<String>{"การ", "x"}));
  EXPECT_THROW(back.LoadFromFile((folder / "missing.txt").string()), EFOpenError);

  TStringStream stream("skip me|ก\nข");
  stream.SetPosition(8);
  back.LoadFromStream(stream);
  EXPECT_EQ(Lines(back), (std::vector<String>{"ก", "ข"}));
  TStringStream out;
  back.SaveToStream(out);
  EXPECT_EQ(out.DataString(), "ก\r\nข\r\n");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace orv
