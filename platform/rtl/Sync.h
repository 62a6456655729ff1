#pragma once
// Locks shared between the GUI thread and worker threads.
#include <mutex>

namespace orv {

// A recursive lock: the thread that holds it may enter again, and must leave as often.
class TCriticalSection {
 public:
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void Acquire() { Enter(); }
  void Release() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a TCriticalSection for the scope.
class TLockGuard {
 public:
  explicit TLockGuard(TCriticalSection& section) : section_(section) { section_.Enter(); }
  ~TLockGuard() { section_.Leave(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

 private:
  TCriticalSection& section_;
};

}  // namespace orv
