#pragma once
// The memory a script run holds: what its thread allocates while the run goes on, less what
// it frees there. The program's operator new and delete (MemoryAccount.cpp) keep the count, so
// texts, lists, streams, arrays and native objects all count, however a script made them.
#include <cstddef>

#include "platform/rtl/Types.h"

namespace orv {

struct TsxMemoryAccount {
  Int64 Used = 0;
};

// Makes account the one this thread's allocations are charged to (nullptr: none) and returns
// the one charged before.
TsxMemoryAccount* sxSetMemoryAccount(TsxMemoryAccount* account) noexcept;

}  // namespace orv
