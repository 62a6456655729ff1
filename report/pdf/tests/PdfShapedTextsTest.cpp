// The table of shaped texts against a plain map doing the same adds and takes: every text kept
// is found at the entry it was added with, every text taken is gone, however the texts crowd
// their slots.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "report/pdf/PdfShapedTexts.h"

using namespace orv;

namespace {

WideString TextOf(unsigned n) {
  // Thai letters and digits, of lengths from one code unit to a dozen.
  WideString text;
  for (unsigned k = 0; k <= n % 12; ++k) text += static_cast<char16_t>(k % 2 ? u'0' + (n >> k) % 10 : 0x0E01 + (n + k) % 46);
  return text + static_cast<char16_t>(u'a' + n % 26) + WideString(1, static_cast<char16_t>(0x0E50 + n / 26 % 10)) +
         static_cast<char16_t>(0x4E00 + n / 260);
}

void ExpectSameAs(const TkvxPDFShapedTexts& texts, const std::map<WideString, TkvxPDFShapedText*>& kept,
                  unsigned universe) {
  ASSERT_EQ(texts.Size(), kept.size());
  for (unsigned n = 0; n < universe; ++n) {
    const WideString text = TextOf(n);
    auto it = kept.find(text);
    EXPECT_EQ(texts.Find(text, TkvxPDFShapedTexts::Hash(text)), it == kept.end() ? nullptr : it->second) << n;
  }
}

}  // namespace

TEST(PdfShapedTexts, KeepsAndGivesBackWhatAMapWould) {
  constexpr unsigned kUniverse = 3000;
  std::mt19937 random(5);
  TkvxPDFShapedTexts texts, older;
  std::map<WideString, TkvxPDFShapedText*> kept, keptOlder;
  for (int round = 0; round < 40000; ++round) {
    const WideString text = TextOf(random() % kUniverse);
    const size_t hash = TkvxPDFShapedTexts::Hash(text);
    if (random() % 3) {
      if (kept.count(text)) continue;
      // A text of the older table moves over whole, as the writer moves it between turns.
      if (auto entry = older.Take(text, hash)) {
        TkvxPDFShapedText* where = &entry->Shaped;
        ASSERT_EQ(keptOlder.erase(text), 1u);
        EXPECT_EQ(&texts.Add(std::move(entry), hash), where);
        kept[text] = where;
        continue;
      }
      auto entry = std::make_unique<TkvxPDFShapedTexts::TEntry>();
      entry->Key = text;
      entry->Shaped.Size = static_cast<int>(round);
      kept[text] = &texts.Add(std::move(entry), hash);
    } else {
      auto entry = texts.Take(text, hash);
      auto it = kept.find(text);
      ASSERT_EQ(entry != nullptr, it != kept.end());
      if (!entry) continue;
      EXPECT_EQ(&entry->Shaped, it->second);
      EXPECT_EQ(entry->Key, text);
      kept.erase(it);
      keptOlder[text] = &older.Add(std::move(entry), hash);
    }
    if (round % 5000 == 0) {
      ExpectSameAs(texts, kept, kUniverse);
      ExpectSameAs(older, keptOlder, kUniverse);
    }
  }
  ExpectSameAs(texts, kept, kUniverse);
  ExpectSameAs(older, keptOlder, kUniverse);
  // A table moved keeps its entries where they are; the one moved from is empty.
  TkvxPDFShapedTexts moved = std::move(texts);
  ExpectSameAs(moved, kept, kUniverse);
  EXPECT_EQ(texts.Size(), 0u);
  EXPECT_EQ(texts.Find(TextOf(1), TkvxPDFShapedTexts::Hash(TextOf(1))), nullptr);
}
