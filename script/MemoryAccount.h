#pragma once
// The memory a script run holds: what its thread allocates while the run goes on, less what
// it frees there. The program's operator new and delete (MemoryAccount.cpp) keep the count, so
// texts, lists, streams, arrays and native objects all count, however a script made them.
#include <cstddef>
#include <cstdint>

#include "platform/rtl/Types.h"

namespace orv {

struct TsxMemoryAccount {
  Int64 Used = 0;
  // Past this the run's next step checks its memory (the largest value: no limit).
  Int64 Limit = INT64_MAX;
  // The count of steps at which the run next checks its limits; set to 0 by an allocation
  // that takes Used past Limit, so that a step costs one comparison either way.
  Int64 CheckAt = INT64_MAX;
};

// Makes account the one this thread's allocations are charged to (nullptr: none) and returns
// the one charged before.
TsxMemoryAccount* sxSetMemoryAccount(TsxMemoryAccount* account) noexcept;

}  // namespace orv
