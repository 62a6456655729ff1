#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/rtl/Sync.h"

namespace orv {
namespace {

// Whether another thread could take the section now (it gives the section back at once).
bool FreeForOthers(TCriticalSection& section) {
  bool taken = false;
  std::thread other([&] {
    taken = section.TryEnter();
    if (taken) section.Leave();
  });
  other.join();
  return taken;
}

TEST(CriticalSection, TheHolderEntersAgainAndOthersWaitUntilItLeftAsOften) {
  TCriticalSection section;
  EXPECT_TRUE(FreeForOthers(section));
  section.Enter();
  section.Acquire();  // a second, nested entry from the same thread must not deadlock
  EXPECT_TRUE(section.TryEnter());
  EXPECT_FALSE(FreeForOthers(section));
  section.Leave();
  section.Release();
  EXPECT_FALSE(FreeForOthers(section));  // still held once
  section.Leave();
  EXPECT_TRUE(FreeForOthers(section));

  {
    TLockGuard outer(section);
    TLockGuard inner(section);
    EXPECT_FALSE(FreeForOthers(section));
  }
  EXPECT_TRUE(FreeForOthers(section));
}

TEST(CriticalSection, TwoThreadsNeverRunTheGuardedPartAtOnce) {
  TCriticalSection section;
  // The counter is read and written back in two steps: without exclusion the threads lose
  // each other's increments, and `inside` sees them overlap.
  std::atomic<int> counter{0}, inside{0}, overlaps{0};
  constexpr int kRounds = 100000;
  auto work = [&] {
    for (int i = 0; i < kRounds; ++i) {
      TLockGuard guard(section);
      if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
      int seen = counter.load(std::memory_order_relaxed);
      if (i % 64 == 0) {
        TLockGuard nested(section);
        std::this_thread::yield();
      }
      counter.store(seen + 1, std::memory_order_relaxed);
      inside.fetch_sub(1);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(counter.load(), 2 * kRounds);
  EXPECT_TRUE(FreeForOthers(section));
}

}  // namespace
}  // namespace orv
