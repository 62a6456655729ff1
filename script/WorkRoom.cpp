#include "script/WorkRoom.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace orv {

namespace {

// Below this a block is the heap's business: it keeps and reuses small blocks by itself.
constexpr std::size_t kSmallest = std::size_t{64} << 10;
// What a thread keeps at most: the room of a compile of some hundred thousand statements. A
// larger compile's room goes back to the system.
constexpr std::size_t kMostKept = std::size_t{48} << 20;
constexpr int kMostBlocks = 12;

// Each block begins with its size, in a header that keeps the room after it aligned.
constexpr std::size_t kHeader = alignof(std::max_align_t) > sizeof(std::size_t) ? alignof(std::max_align_t)
                                                                                : sizeof(std::size_t);

struct TKeptRoom {
  struct Block {
    void* Start;
    std::size_t Bytes;
  };
  Block Blocks[kMostBlocks];
  int Count = 0;
  std::size_t Total = 0;

  void Drop(int index) {
    Total -= Blocks[index].Bytes;
    Blocks[index] = Blocks[--Count];
  }
  ~TKeptRoom() {
    while (Count > 0) {
      std::free(Blocks[Count - 1].Start);
      Drop(Count - 1);
    }
  }
};

thread_local TKeptRoom kept;

std::size_t& SizeOf(void* start) { return *static_cast<std::size_t*>(start); }

}  // namespace

void* sxTakeWorkRoom(std::size_t bytes) {
  if (bytes > SIZE_MAX - kHeader) throw std::bad_alloc();
  std::size_t total = bytes + kHeader;
  void* start = nullptr;
  if (total >= kSmallest) {
    // The smallest kept block that holds it.
    int best = -1;
    for (int i = 0; i < kept.Count; ++i)
      if (kept.Blocks[i].Bytes >= total && (best < 0 || kept.Blocks[i].Bytes < kept.Blocks[best].Bytes)) best = i;
    if (best >= 0) {
      start = kept.Blocks[best].Start;
      total = kept.Blocks[best].Bytes;
      kept.Drop(best);
    }
  }
  if (!start) {
    start = total >= kSmallest ? std::malloc(total) : ::operator new(total);
    if (!start) throw std::bad_alloc();
  }
  SizeOf(start) = total;
  return static_cast<char*>(start) + kHeader;
}

void sxReturnWorkRoom(void* block) noexcept {
  if (!block) return;
  void* start = static_cast<char*>(block) - kHeader;
  const std::size_t total = SizeOf(start);
  if (total < kSmallest) {
    ::operator delete(start);
    return;
  }
  if (total > kMostKept) {
    std::free(start);
    return;
  }
  // Room is made by dropping the smallest blocks kept: the large ones are what a long program
  // needs again.
  while (kept.Count > 0 && (kept.Count == kMostBlocks || kept.Total + total > kMostKept)) {
    int smallest = 0;
    for (int i = 1; i < kept.Count; ++i)
      if (kept.Blocks[i].Bytes < kept.Blocks[smallest].Bytes) smallest = i;
    if (kept.Blocks[smallest].Bytes >= total) {
      std::free(start);
      return;
    }
    std::free(kept.Blocks[smallest].Start);
    kept.Drop(smallest);
  }
  kept.Blocks[kept.Count++] = {start, total};
  kept.Total += total;
}

std::size_t sxKeptWorkRoom() noexcept { return kept.Total; }

}  // namespace orv
