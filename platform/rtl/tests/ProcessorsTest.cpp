#include <gtest/gtest.h>
#include <sched.h>

#include <thread>

#include "platform/rtl/Processors.h"

namespace orv {
namespace {

TEST(Processors, APinnedProcessAndTheThreadsItStartsHaveOneWhateverTheMachineHas) {
  cpu_set_t before;
  CPU_ZERO(&before);
  ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
  EXPECT_EQ(UsableProcessors(), CPU_COUNT(&before));
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(sched_getcpu(), &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  int started = 0;
  std::thread([&] { started = UsableProcessors(); }).join();
  EXPECT_EQ(UsableProcessors(), 1);
  EXPECT_EQ(started, 1);
  ASSERT_EQ(sched_setaffinity(0, sizeof before, &before), 0);
}

}  // namespace
}  // namespace orv
