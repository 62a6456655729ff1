#pragma once
// The large working blocks of a compile (the walk's records and failure tables, the tokenizer's
// tables, the intermediate tree's elements) come from a few kept by the thread, and go back to
// it when the compile ends. Fresh memory costs a page fault per 4 KB on first use, and the C
// library hands large blocks back to the system when they are freed: without this, every
// compile of a long program (a report compiles its script at every run) pays for its room
// again, a third of its time.
#include <cstddef>
#include <vector>

namespace orv {

// A block of at least bytes, aligned for any type; raises std::bad_alloc when there is no
// memory. Small blocks come from the heap as any other.
void* sxTakeWorkRoom(std::size_t bytes);
// Gives back a block sxTakeWorkRoom returned; the thread keeps it for a later compile or frees
// it.
void sxReturnWorkRoom(void* block) noexcept;
// What the thread keeps now, in bytes.
std::size_t sxKeptWorkRoom() noexcept;

// The allocator of a compile's working lists.
template <class T>
struct TsxWorkRoomAllocator {
  using value_type = T;
  TsxWorkRoomAllocator() = default;
  template <class U>
  TsxWorkRoomAllocator(const TsxWorkRoomAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(sxTakeWorkRoom(n * sizeof(T))); }
  void deallocate(T* p, std::size_t) noexcept { sxReturnWorkRoom(p); }
  template <class U>
  bool operator==(const TsxWorkRoomAllocator<U>&) const noexcept {
    return true;
  }
};

template <class T>
using TsxWorkList = std::vector<T, TsxWorkRoomAllocator<T>>;

// Frees a block of sxTakeWorkRoom's, for owning pointers.
struct TsxWorkRoomRelease {
  void operator()(void* block) const noexcept { sxReturnWorkRoom(block); }
};

}  // namespace orv
