// The table of line counts by digest: every count kept is found again as it grows, a digest
// never added is not found, and a table at its largest starts again instead of growing.
#include <gtest/gtest.h>

#include <cstdint>

#include "report/model/LineCounts.h"

using namespace orv;

namespace {

// Spread digests as a good hash gives them.
std::uint64_t Mix(std::uint64_t n) {
  n += 0x9E3779B97F4A7C15ull;
  n = (n ^ (n >> 30)) * 0xBF58476D1CE4E5B9ull;
  n = (n ^ (n >> 27)) * 0x94D049BB133111EBull;
  return n ^ (n >> 31);
}

TkvxLayoutDigest Digest(std::uint64_t n) { return {Mix(n), Mix(n ^ 0x5555555555555555ull)}; }

}  // namespace

TEST(LineCounts, CountsAreFoundAgainAsTheTableGrows) {
  TkvxLineCounts counts;
  EXPECT_EQ(counts.Find(Digest(1)), -1);
  constexpr int kTexts = 200000;
  for (int i = 0; i < kTexts; ++i) counts.Add(Digest(i), i % 40);
  int wrong = 0, strangers = 0;
  for (int i = 0; i < kTexts; ++i) {
    wrong += counts.Find(Digest(i)) != i % 40;
    strangers += counts.Find(Digest(kTexts + i)) != -1;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(strangers, 0);
}

TEST(LineCounts, DigestsThatShareTheirFirstHashAreTwoTexts) {
  TkvxLineCounts counts;
  const TkvxLayoutDigest one{Mix(7), Mix(8)}, other{Mix(7), Mix(9)};
  counts.Add(one, 3);
  EXPECT_EQ(counts.Find(other), -1);
  counts.Add(other, 5);
  EXPECT_EQ(counts.Find(one), 3);
  EXPECT_EQ(counts.Find(other), 5);
}

TEST(LineCountsBounds, NoLinesManyLinesAndAFullTable) {
  TkvxLineCounts counts;
  counts.Add(Digest(1), 0);
  EXPECT_EQ(counts.Find(Digest(1)), 0) << "a text of no lines is a count like any other";
  counts.Add(Digest(2), TkvxLineCounts::kMostLines);
  EXPECT_EQ(counts.Find(Digest(2)), TkvxLineCounts::kMostLines);
  counts.Add(Digest(3), TkvxLineCounts::kMostLines + 1);
  EXPECT_EQ(counts.Find(Digest(3)), -1) << "a longer text is laid out every time";
  counts.Add(Digest(1), 7);
  EXPECT_EQ(counts.Find(Digest(1)), 0) << "a digest keeps its first count";
  // Far more texts than the largest table holds: the early ones go, the late ones stay.
  constexpr int kTexts = 1500000;
  for (int i = 10; i < kTexts; ++i) counts.Add(Digest(i), 1 + i % 9);
  EXPECT_EQ(counts.Find(Digest(kTexts - 1)), 1 + (kTexts - 1) % 9);
  int kept = 0;
  for (int i = 10; i < kTexts; ++i) {
    const int found = counts.Find(Digest(i));
    if (found == -1) continue;
    ++kept;
    EXPECT_EQ(found, 1 + i % 9) << i;
  }
  EXPECT_LE(kept, 1 << 18);
  EXPECT_GT(kept, 0);
}

TEST(LineCounts, WhetherEachLineWasItsParagraphComesBackWithTheCount) {
  TkvxLineCounts counts;
  for (int i = 0; i < 5000; ++i) counts.Add(Digest(i), 1 + i % 3, i % 2 == 0);
  int wrong = 0;
  for (int i = 0; i < 5000; ++i) {
    bool whole = i % 2 != 0;
    wrong += counts.Find(Digest(i), &whole) != 1 + i % 3 || whole != (i % 2 == 0);
  }
  EXPECT_EQ(wrong, 0);
}

TEST(LineBreaks, TheWrappedCellsOfTenThousandRowsAreAllKept) {
  // Three wrapped cells a row of two or three lines each: the PDF lays every one out again after
  // the whole list is prepared.
  TkvxLineBreaks breaks;
  constexpr int kTexts = 30000;
  for (int i = 0; i < kTexts; ++i) {
    const TkvxLineBreak lines[] = {{0, 10 + i % 7, 1, false, false}, {11, 9, 0, false, false}, {21, 4, 2, false, false}};
    breaks.Add(Digest(i), std::span<const TkvxLineBreak>(lines).first(2 + i % 2));
  }
  int lost = 0, wrong = 0;
  for (int i = 0; i < kTexts; ++i) {
    const std::span<const TkvxLineBreak> found = breaks.Find(Digest(i));
    lost += found.empty();
    wrong += !found.empty() && (found.size() != static_cast<size_t>(2 + i % 2) || found[0].Length != 10 + i % 7);
  }
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(breaks.Find(Digest(kTexts)).empty());
}
