#pragma once
// The memory a script run holds: what its thread allocates while the run goes on, less what
// it frees there. The program's operator new and delete (MemoryAccount.cpp) keep the count, so
// texts, lists, streams, arrays and native objects all count, however a script made them;
// what a library holds outside operator new (the window system's copy of a widget's text) is
// charged by the code that hands it over.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/Types.h"

namespace orv {

struct TMemoryAccount {
  Int64 Used = 0;
  // Past this the run's next step checks its memory (the largest value: no limit).
  Int64 Limit = INT64_MAX;
  // The count of steps at which the run next checks its limits; set to 0 by an allocation
  // that takes Used past Limit, so that a step costs one comparison either way.
  Int64 CheckAt = INT64_MAX;
};

// Makes account the one this thread's allocations are charged to (nullptr: none) and returns
// the one charged before.
TMemoryAccount* SetMemoryAccount(TMemoryAccount* account) noexcept;

// Charges bytes held outside operator new to this thread's account, if any; negative bytes
// give them back.
void ChargeMemory(Int64 bytes) noexcept;

// For native work that allocates in a loop (splitting a text into lines, reading an XML
// file): raises EOutOfMemory as soon as this thread's account is past its limit, instead of
// when the work is done. With bytes, also when that much more would take it past.
void CheckMemory(Int64 bytes = 0);

// EOutOfMemory for an account past its limit.
[[noreturn]] void RaiseOutOfMemory(const TMemoryAccount& account);

}  // namespace orv
