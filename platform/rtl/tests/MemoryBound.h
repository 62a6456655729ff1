#pragma once
// A bound on the memory a piece of work may take: the address space of the test process is
// limited to what it holds now plus the bound while the work runs, so an allocation beyond it
// fails instead of succeeding. Address-sanitizer builds reserve terabytes of shadow and cannot
// run under such a limit: there the work runs unbounded.
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// A line "<key>: <n> kB" of /proc/self/status, in kilobytes; 0 when missing.
inline long long ProcStatusKilobytes(const char* key) {
  long long value = 0;
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f))
      if (std::strncmp(line, key, n) == 0 && line[n] == ':') value = std::atoll(line + n + 1);
    std::fclose(f);
  }
  return value;
}

// The most resident memory, in megabytes, that the process held while work ran, above what it
// held before. A bound on the address space hides some faults (a library that fails cleanly
// when an allocation is refused, where unbounded it would take gigabytes); this measures what
// the work really touched. The process's peak is reset first (Linux keeps it as VmHWM); the
// work runs either way, and -1 says the system could not reset the peak.
inline long long PeakResidentGrowth(const std::function<void()>& work) {
  const long long before = ProcStatusKilobytes("VmRSS");
  bool cleared = false;
  if (FILE* reset = std::fopen("/proc/self/clear_refs", "w")) {
    cleared = std::fputs("5", reset) >= 0;
    cleared = std::fclose(reset) == 0 && cleared;
  }
  work();
  return cleared ? (ProcStatusKilobytes("VmHWM") - before) / 1024 : -1;
}

}  // namespace orv::testing
