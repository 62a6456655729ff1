// The pages an export reads back ahead of the one it draws: bounded by the bytes they hold as
// well as by their number, and never waited for once the export stops.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "report/engine/PageReader.h"

namespace orv {
namespace {

TEST(PageReader, PagesReadAheadHoldNoMoreBytesThanAllowedAndALargePageStillComes) {
  // 100 bytes allowed: pages of 40 come three at a time, a page of 500 alone.
  const std::vector<size_t> sizes{40, 40, 40, 40, 500, 40, 40, 40, 40, 40};
  std::mutex lock;
  std::atomic<size_t> drawn{0};
  // How far ahead of the page being drawn each page was read, and which pages came back.
  std::vector<size_t> ahead(sizes.size(), 99);
  std::vector<int> putBack(sizes.size(), 0);
  {
    TkvxPageReader reader(
        sizes.size(), 6, 100,
        [&](size_t k) {
          std::lock_guard guard(lock);
          ahead[k] = k - drawn.load();
          return sizes[k];
        },
        [&](size_t k) {
          std::lock_guard guard(lock);
          ++putBack[k];
        });
    for (size_t k = 0; k < sizes.size(); ++k) {
      ASSERT_TRUE(reader.WaitRead(k));
      // The reader has every chance to run ahead as far as it may.
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      drawn = k + 1;
      reader.Unload(k);
    }
  }
  std::lock_guard guard(lock);
  for (size_t k = 0; k < sizes.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_LE(ahead[k], 2u);
    EXPECT_EQ(putBack[k], 1);
  }
  // The large page is read once the pages before it are drawn, and the next once it is.
  EXPECT_EQ(ahead[5], 0u);
}

TEST(PageReader, AStopEndsAWaitForAPageThatIsNotReadAndPutsBackThePagesRead) {
  std::atomic<int> read{0}, putBack{0};
  std::atomic<bool> waited{false}, answer{true};
  {
    TkvxPageReader reader(
        4, 6, 100,
        [&](size_t) {
          ++read;
          return size_t{60};
        },
        [&](size_t) { ++putBack; });
    ASSERT_TRUE(reader.WaitRead(1));
    // Two pages hold more than allowed and none is drawn: the third is not read.
    std::thread waiter([&] {
      answer = reader.WaitRead(2);
      waited = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(waited);
    reader.Stop();
    waiter.join();
    EXPECT_FALSE(answer);
    EXPECT_EQ(read, 2);
  }
  EXPECT_EQ(putBack, 2);
}

}  // namespace
}  // namespace orv
