#pragma once
// The memory a script run holds: what its thread allocates while the run goes on and has not
// freed since, wherever and whenever that happens. The program's operator new and delete
// (MemoryAccount.cpp) keep the count, so texts, lists, streams, arrays and native objects all
// count, however a script made them; a block allocated while an account is charged records
// that account, and freeing it gives its bytes back there, also on another thread or after
// the run. What a library holds outside operator new (the window system's copy of a widget's
// text) is charged by the code that hands it over (TMemoryCharge).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "platform/rtl/Types.h"

namespace orv {

// One account: its opener sets the limit, charges it to a thread while a run goes on, and
// closes it; it stays until the last block charged to it is given back.
class TMemoryAccount {
 public:
  static TMemoryAccount* Open();
  // The opener is done with it; it must be charged on no other thread (on the calling one it
  // stops being). Blocks still charged to it keep it until they are freed.
  static void Close(TMemoryAccount* account) noexcept;
  TMemoryAccount(const TMemoryAccount&) = delete;
  TMemoryAccount& operator=(const TMemoryAccount&) = delete;

  // The bytes charged and not yet given back. Only on the thread it is charged to, or while it
  // is charged to none.
  Int64 Held() noexcept;

  Int64 Limit = INT64_MAX;
  // Set to 0 by the allocation that takes the account past Limit (a run's count of steps at
  // which it next checks its limits, so that a step costs one comparison either way).
  Int64* Trip = nullptr;

 private:
  TMemoryAccount() = default;
  ~TMemoryAccount() = default;
  friend void ChargeAccount(TMemoryAccount* account, Int64 bytes) noexcept;
  friend void GiveBackToAccount(TMemoryAccount* account, Int64 bytes) noexcept;

  // While open: kOpen less what other threads (or this one, while the account was not
  // charged) gave back. Once closed: the bytes still out; the one who takes it to 0 frees it.
  static constexpr Int64 kOpen = Int64{1} << 62;
  // Kept by the thread the account is charged to, without atomic operations: what was charged
  // there less what was given back there and what Held has taken from shared_.
  Int64 used_ = 0;
  // What Held has taken from shared_ into used_.
  Int64 folded_ = 0;
  std::atomic<Int64> shared_{kOpen};
};

// Makes account the one this thread's allocations are charged to (nullptr: none) and returns
// the one charged before.
TMemoryAccount* SetMemoryAccount(TMemoryAccount* account) noexcept;
// Whether an account is charged on the calling thread.
bool MemoryAccountCharged() noexcept;
// Whether p, from operator new, carries an account's header: a block that must go back
// through operator delete and no other way.
bool BlockHasAccountHeader(const void* p) noexcept;

// Bytes held outside operator new, charged to the account of the thread that sets them and
// given back to that account when set again or destroyed.
class TMemoryCharge {
 public:
  TMemoryCharge() = default;
  TMemoryCharge(const TMemoryCharge&) = delete;
  TMemoryCharge& operator=(const TMemoryCharge&) = delete;
  ~TMemoryCharge() { Set(0); }
  void Set(Int64 bytes) noexcept;
  // What is charged now; 0 when no account was charged.
  Int64 Bytes() const noexcept { return bytes_; }

 private:
  TMemoryAccount* account_ = nullptr;
  Int64 bytes_ = 0;
};

// For native work that allocates in a loop (splitting a text into lines, reading an XML
// file): raises EOutOfMemory as soon as this thread's account is past its limit, instead of
// when the work is done. With bytes, also when that much more would take it past.
void CheckMemory(Int64 bytes = 0);

// EOutOfMemory for an account past its limit.
[[noreturn]] void RaiseOutOfMemory(const TMemoryAccount& account);
// EOutOfMemory for an allocation the system refused, or a length past what a text can hold.
[[noreturn]] void RaiseOutOfMemory();

// Runs f; the C++ library's own errors for memory that ran out (bad_alloc, a length past what
// a container holds) leave it as EOutOfMemory, the error that script handlers and the callers
// of a script know.
template <class F>
decltype(auto) WithOutOfMemoryAsError(F&& f) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory();
  } catch (const std::length_error&) {
    RaiseOutOfMemory();
  }
}

}  // namespace orv
