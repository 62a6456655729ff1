#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ObjectHandles.h"

using namespace orv;

TEST(ObjectHandles, LiveObjectsKeepTheirHandleAndStaleOrForgedOnesRaise) {
  EXPECT_EQ(ObjectToHandle(nullptr), 0);
  EXPECT_EQ(HandleToObject(0), nullptr);

  auto a = std::make_unique<TObject>();
  auto b = std::make_unique<TObject>();
  Integer ha = ObjectToHandle(a.get());
  Integer hb = ObjectToHandle(b.get());
  EXPECT_NE(ha, 0);
  EXPECT_NE(ha, hb);
  EXPECT_EQ(ObjectToHandle(a.get()), ha);
  EXPECT_EQ(HandleToObject(ha), a.get());
  EXPECT_EQ(HandleToObject(hb), b.get());

  ForgetObject(a.get());
  a.reset();
  try {
    HandleToObject(ha);
    FAIL() << "a stale handle was accepted";
  } catch (const EInvalidPointer& e) {
    EXPECT_EQ(e.Message(), "Invalid object reference");
  }
  EXPECT_THROW(HandleToObject(hb + 1000), EInvalidPointer);
  EXPECT_THROW(HandleToObject(-5), EInvalidPointer);

  // A new object, even at the freed one's address, never gets the old handle back.
  auto c = std::make_unique<TObject>();
  Integer hc = ObjectToHandle(c.get());
  EXPECT_NE(hc, ha);
  EXPECT_GT(hc, hb);
  EXPECT_THROW(HandleToObject(ha), EInvalidPointer);

  ForgetObject(b.get());
  ForgetObject(c.get());
  TObject never;
  ForgetObject(&never);  // never registered: nothing happens
  EXPECT_THROW(HandleToObject(hb), EInvalidPointer);
}

TEST(ObjectHandles, RegistrationFromSeveralThreadsGivesDistinctHandles) {
  constexpr int kThreads = 4, kPerThread = 500;
  std::vector<std::unique_ptr<TObject>> objects(kThreads * kPerThread);
  for (auto& o : objects) o = std::make_unique<TObject>();
  std::vector<Integer> handles(objects.size());
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = t * kPerThread; i < (t + 1) * kPerThread; ++i) handles[i] = ObjectToHandle(objects[i].get());
    });
  for (auto& th : threads) th.join();
  std::vector<Integer> sorted = handles;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
  for (std::size_t i = 0; i < objects.size(); ++i) {
    EXPECT_EQ(HandleToObject(handles[i]), objects[i].get());
    ForgetObject(objects[i].get());
  }
}

TEST(ObjectHandles, FreeingAnObjectReleasesWhatItHeldAndOwned) {
  auto held = std::make_unique<TObject>();
  MarkScriptOwned(held.get());
  EXPECT_TRUE(ScriptMayFree(held.get()));
  {
    auto holder = std::make_unique<TObject>();
    HoldObject(holder.get(), held.get());
    EXPECT_FALSE(ScriptMayFree(held.get()));
  }
  // The holder is gone: the script may free what it made again.
  EXPECT_TRUE(ScriptMayFree(held.get()));
  TObject* address = held.get();
  held.reset();
  // A new object, wherever it lands, is not the script's.
  auto next = std::make_unique<TObject>();
  EXPECT_FALSE(ScriptMayFree(next.get()));
  EXPECT_FALSE(ScriptMayFree(address));
}

TEST(ObjectHandles, ObjectsMadeAndFreedOnSeveralThreadsStayTold) {
  // Two threads make and free objects while a third hands out handles for objects of its own:
  // every handle names its object until it is freed, and none after.
  constexpr int kRounds = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < kRounds; ++i) {
        std::vector<std::unique_ptr<TObject>> batch(8);
        for (auto& o : batch) o = std::make_unique<TObject>();
        if (i % 16 == 0) ObjectToHandle(batch[3].get());
      }
    });
  std::vector<Integer> stale;
  for (int i = 0; i < kRounds; ++i) {
    auto o = std::make_unique<TObject>();
    Integer h = ObjectToHandle(o.get());
    ASSERT_EQ(HandleToObject(h), o.get());
    ASSERT_EQ(FindObjectHandle(o.get()), h);
    o.reset();
    stale.push_back(h);
  }
  for (auto& th : threads) th.join();
  for (Integer h : stale) EXPECT_THROW(HandleToObject(h), EInvalidPointer);
}

TEST(ObjectHandles, ObjectsFreedInAnyOrderLeaveEveryOtherOneLive) {
  // Enough objects to fill and grow the tables many times, freed in a scattered order: each
  // one still alive is found, each one freed is not.
  constexpr std::size_t kCount = 20000;
  std::vector<std::unique_ptr<TObject>> objects(kCount);
  for (auto& o : objects) o = std::make_unique<TObject>();
  std::vector<TObject*> freed;
  for (std::size_t i = 0; i < kCount; i += 1 + (i * 7919) % 5) {
    freed.push_back(objects[i].get());
    objects[i].reset();
  }
  for (const auto& o : objects) {
    if (o) {
      ASSERT_NE(ObjectToHandle(o.get()), 0);
    }
  }
  for (TObject* gone : freed) EXPECT_THROW(ObjectToHandle(gone), EInvalidPointer);
  for (auto& o : objects) o.reset();
}
