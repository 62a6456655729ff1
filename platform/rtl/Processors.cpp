#include "platform/rtl/Processors.h"

#include <sched.h>

#include <thread>

namespace orv {

int UsableProcessors() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    const int count = CPU_COUNT(&allowed);
    if (count > 0) return count;
  }
  const unsigned known = std::thread::hardware_concurrency();
  return known > 0 ? static_cast<int>(known) : 1;
}

}  // namespace orv
