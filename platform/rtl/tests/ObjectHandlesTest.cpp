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
