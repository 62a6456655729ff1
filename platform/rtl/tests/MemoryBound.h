#pragma once
// A bound on the memory a piece of work may take: the address space of the test process is
// limited to what it holds now plus the bound while the work runs, so an allocation beyond it
// fails instead of succeeding. Address-sanitizer builds reserve terabytes of shadow and cannot
// run under such a limit: there the work runs unbounded.
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace orv::testing {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSpaceBounded = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSpaceBounded = false;
#else
inline constexpr bool kAddressSpaceBounded = true;
#endif
#else
inline constexpr bool kAddressSpaceBounded = true;
#endif

inline long long AddressSpaceNow() {
  long long pages = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%lld", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  return pages * sysconf(_SC_PAGESIZE);
}

// Runs work with at most megabytes more address space than the process has now. Threads the
// work starts count with their stacks: warm the libraries up (a first harmless run) beforehand.
inline void WithinMemory(long long megabytes, const std::function<void()>& work) {
  // Each thread's malloc arena would reserve 64 MB of address space of its own.
  mallopt(M_ARENA_MAX, 1);
  rlimit old{};
  getrlimit(RLIMIT_AS, &old);
  if (kAddressSpaceBounded) {
    rlimit bounded = old;
    rlim_t want = static_cast<rlim_t>(AddressSpaceNow() + megabytes * 1024 * 1024);
    if (old.rlim_max == RLIM_INFINITY || want < old.rlim_max) bounded.rlim_cur = want;
    setrlimit(RLIMIT_AS, &bounded);
  }
  try {
    work();
  } catch (...) {
    setrlimit(RLIMIT_AS, &old);
    throw;
  }
  setrlimit(RLIMIT_AS, &old);
}

}  // namespace orv::testing
