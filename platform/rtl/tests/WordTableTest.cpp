// The thread's tables of worked-out words: a table that fills forgets its oldest words, not all,
// so that the words a long text used last are still there when the next pass asks for them.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/rtl/WordTable.h"

using namespace orv;

namespace {

using TTable = TWordTable<std::string, int, 1000>;

const int* Look(const TTable& table, const std::string& word) {
  return table.Find(std::hash<std::string>()(word), [&](const std::string& k) { return k == word; });
}

void Put(TTable& table, int n) {
  std::string word = "w" + std::to_string(n);
  table.Add(word, std::hash<std::string>()(word)) = n;
}

}  // namespace

TEST(WordTable, AFullTableForgetsItsOlderHalfAndKeepsTheRest) {
  TTable table;
  for (int n = 0; n < 1000; ++n) Put(table, n);
  EXPECT_EQ(table.Size(), 1000u);
  Put(table, 1000);
  EXPECT_EQ(table.Size(), 501u);
  for (int n : {0, 250, 499}) EXPECT_EQ(Look(table, "w" + std::to_string(n)), nullptr) << n;
  for (int n : {500, 750, 999, 1000}) {
    const int* found = Look(table, "w" + std::to_string(n));
    ASSERT_NE(found, nullptr) << n;
    EXPECT_EQ(*found, n);
  }
  // Words added after the turn are found beside those kept, through many more turns.
  for (int n = 1001; n < 5000; ++n) Put(table, n);
  for (int n = 4500; n < 5000; ++n) ASSERT_NE(Look(table, "w" + std::to_string(n)), nullptr) << n;
  EXPECT_LE(table.Size(), 1000u);
}

TEST(WordTable, DroppedWordsAreNamedAsTheyGo) {
  TTable table;
  for (int n = 0; n < 10; ++n) Put(table, n);
  std::string gone;
  table.DropOldest(3, [&](const std::string& k) { gone += k + " "; });
  EXPECT_EQ(gone, "w0 w1 w2 ");
  EXPECT_EQ(table.Size(), 7u);
  EXPECT_EQ(Look(table, "w2"), nullptr);
  ASSERT_NE(Look(table, "w3"), nullptr);
  EXPECT_EQ(*Look(table, "w9"), 9);
}
