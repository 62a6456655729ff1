#include "platform/rtl/ObjectHandles.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

// The addresses of live objects: every object enters at construction and leaves at
// destruction, so the set is open-addressed and allocates only when it grows. A removal moves
// the entries after it back into the gap, so that no marks of removed entries lengthen the
// searches of a set through which tens of thousands of objects pass. An entry may carry a
// mark: the object is known to the handle tables, which its destruction must then clean; the
// mark lives in a bit that no object's address has.
class TAddressSet {
 public:
  bool Contains(const void* p) const { return Find(Address(p)) != SIZE_MAX; }
  void Insert(const void* p) {
    if ((count_ + 1) * 4 > slots_.size()) Grow();
    const std::uintptr_t address = Address(p);
    std::size_t i = Hash(address) & mask_;
    for (; slots_[i] != 0; i = (i + 1) & mask_)
      if (Address(slots_[i]) == address) return;
    slots_[i] = address;
    ++count_;
  }
  // Whether p was there with the mark.
  bool Erase(const void* p) {
    std::size_t gap = Find(Address(p));
    if (gap == SIZE_MAX) return false;
    const bool marked = (slots_[gap] & kMarked) != 0;
    for (std::size_t i = (gap + 1) & mask_; slots_[i] != 0; i = (i + 1) & mask_) {
      // An entry whose home lies cyclically after the gap, up to where it stands, stays.
      const std::size_t home = Hash(Address(slots_[i])) & mask_;
      if (((i - home) & mask_) < ((i - gap) & mask_)) continue;
      slots_[gap] = slots_[i];
      gap = i;
    }
    slots_[gap] = 0;
    --count_;
    return marked;
  }
  // Marks p; false when p is not there.
  bool Mark(const void* p) {
    const std::size_t at = Find(Address(p));
    if (at == SIZE_MAX) return false;
    slots_[at] |= kMarked;
    return true;
  }

 private:
  static constexpr std::uintptr_t kMarked = 2;
  static std::uintptr_t Address(std::uintptr_t slot) { return slot & ~kMarked; }
  static std::uintptr_t Address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
  static std::size_t Hash(std::uintptr_t address) {
    auto x = static_cast<std::uint64_t>(address);
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return static_cast<std::size_t>(x);
  }
  std::size_t Find(std::uintptr_t address) const {
    if (slots_.empty()) return SIZE_MAX;
    for (std::size_t i = Hash(address) & mask_; slots_[i] != 0; i = (i + 1) & mask_)
      if (Address(slots_[i]) == address) return i;
    return SIZE_MAX;
  }
  // Doubles when live objects would fill a quarter: the runs of taken slots stay short. Out of
  // line, as is waiting for a busy shard, so that the common path keeps its few registers.
  [[gnu::noinline]] void Grow() {
    std::vector<std::uintptr_t> old = std::move(slots_);
    const std::size_t size = std::max<std::size_t>(64, old.size() * 2);
    slots_.assign(size, 0);
    mask_ = size - 1;
    for (std::uintptr_t slot : old) {
      if (slot == 0) continue;
      std::size_t i = Hash(Address(slot)) & mask_;
      while (slots_[i] != 0) i = (i + 1) & mask_;
      slots_[i] = slot;
    }
  }
  std::vector<std::uintptr_t> slots_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

// Every object made or freed passes through here, on whichever thread: pages read back for an
// export are built on one thread while the run makes and frees objects on another. The live
// addresses are spread over shards, each behind a lock held for a few instructions, so that
// neither thread waits for the other nor pays for a system mutex.
class TLiveObjects {
 public:
  void Insert(const void* p) {
    TShard& s = ShardOf(p);
    TGuard guard(s.Busy);
    s.Set.Insert(p);
  }
  bool Erase(const void* p) {
    TShard& s = ShardOf(p);
    TGuard guard(s.Busy);
    return s.Set.Erase(p);
  }
  bool Contains(const void* p) {
    TShard& s = ShardOf(p);
    TGuard guard(s.Busy);
    return s.Set.Contains(p);
  }
  bool Mark(const void* p) {
    TShard& s = ShardOf(p);
    TGuard guard(s.Busy);
    return s.Set.Mark(p);
  }

 private:
  class TGuard {
   public:
    explicit TGuard(std::atomic<bool>& busy) : busy_(busy) {
      if (busy_.exchange(true, std::memory_order_acquire)) [[unlikely]]
        Wait(busy_);
    }
    [[gnu::noinline]] static void Wait(std::atomic<bool>& busy) {
      do {
        while (busy.load(std::memory_order_relaxed)) std::this_thread::yield();
      } while (busy.exchange(true, std::memory_order_acquire));
    }
    ~TGuard() { busy_.store(false, std::memory_order_release); }
    TGuard(const TGuard&) = delete;
    TGuard& operator=(const TGuard&) = delete;

   private:
    std::atomic<bool>& busy_;
  };
  struct alignas(64) TShard {
    std::atomic<bool> Busy{false};
    TAddressSet Set;
  };
  static constexpr std::size_t kShards = 64;
  TShard& ShardOf(const void* p) {
    // Objects are at least 16 bytes apart: the bits above those pick the shard.
    return shards_[(reinterpret_cast<std::uintptr_t>(p) >> 4) % kShards];
  }
  TShard shards_[kShards];
};

// Never destroyed: objects freed during static destruction still leave it. Set up before the
// program starts, so that making and freeing an object reaches it without a guard.
union TLiveObjectsStorage {
  constexpr TLiveObjectsStorage() : Objects() {}
  ~TLiveObjectsStorage() {}
  TLiveObjects Objects;
};
constinit TLiveObjectsStorage liveObjects;

// The handle tables and script ownership, behind one mutex: only objects marked live in
// liveObjects (those given a handle, owned by a script or holding another) are in them.
struct HandleRegistry {
  std::mutex Lock;
  std::unordered_map<TObject*, Integer> ByObject;
  std::unordered_map<Integer, TObject*> ByHandle;
  Integer LastHandle = 0;
  std::unordered_set<TObject*> ScriptOwned;
  // holder -> held; few entries, so a scan is cheap.
  std::unordered_multimap<TObject*, TObject*> Holds;
};

// Counts the handles taken back: a pair of handle and object the calling thread met last is
// good while the count stands, so that a script reaching the same objects again and again does
// not take the lock and search the tables each time.
std::atomic<std::uint64_t> handlesForgotten{0};
struct RecentHandle {
  Integer Handle = 0;
  TObject* Object = nullptr;
  std::uint64_t Forgotten = 0;
};
thread_local RecentHandle recentHandles[2];
thread_local unsigned recentNext = 0;

const RecentHandle* Recent(const auto& matches) {
  const std::uint64_t forgotten = handlesForgotten.load(std::memory_order_acquire);
  for (const RecentHandle& r : recentHandles)
    if (r.Handle != 0 && r.Forgotten == forgotten && matches(r)) return &r;
  return nullptr;
}

void Remember(Integer handle, TObject* obj, std::uint64_t forgotten) {
  recentHandles[recentNext++ & 1] = RecentHandle{handle, obj, forgotten};
}

HandleRegistry& Registry() {
  // Never destroyed: objects freed during static destruction still call ForgetObject.
  static auto* registry = new HandleRegistry;
  return *registry;
}

}  // namespace

Integer ObjectToHandle(TObject* obj) {
  if (!obj) return 0;
  if (const RecentHandle* seen = Recent([obj](const RecentHandle& h) { return h.Object == obj; })) return seen->Handle;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  const std::uint64_t forgotten = handlesForgotten.load(std::memory_order_relaxed);
  auto it = r.ByObject.find(obj);
  if (it != r.ByObject.end()) {
    Remember(it->second, obj, forgotten);
    return it->second;
  }
  if (!liveObjects.Objects.Mark(obj)) throw EInvalidPointer("Invalid object reference");
  // Handles are never reused, so the supply ends rather than wraps.
  if (r.LastHandle == std::numeric_limits<Integer>::max())
    throw EOutOfMemory("Too many object references");
  Integer handle = ++r.LastHandle;
  r.ByObject.emplace(obj, handle);
  r.ByHandle.emplace(handle, obj);
  Remember(handle, obj, forgotten);
  return handle;
}

Integer FindObjectHandle(TObject* obj) {
  if (!obj) return 0;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  auto it = r.ByObject.find(obj);
  return it == r.ByObject.end() ? 0 : it->second;
}

TObject* HandleToObject(Integer handle) {
  if (handle == 0) return nullptr;
  if (const RecentHandle* seen = Recent([handle](const RecentHandle& h) { return h.Handle == handle; }))
    return seen->Object;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  auto it = r.ByHandle.find(handle);
  if (it == r.ByHandle.end()) throw EInvalidPointer("Invalid object reference");
  Remember(handle, it->second, handlesForgotten.load(std::memory_order_relaxed));
  return it->second;
}

void AddLiveObject(TObject* obj) { liveObjects.Objects.Insert(obj); }

void ForgetObject(TObject* obj) {
  if (!obj) return;
  // An object the tables never heard of leaves them alone. Its address cannot come back
  // before this returns: it is still being destroyed.
  if (!liveObjects.Objects.Erase(obj)) return;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  if (!r.ScriptOwned.empty()) r.ScriptOwned.erase(obj);
  if (!r.Holds.empty()) r.Holds.erase(obj);
  auto it = r.ByObject.find(obj);
  if (it == r.ByObject.end()) return;
  handlesForgotten.fetch_add(1, std::memory_order_release);
  r.ByHandle.erase(it->second);
  r.ByObject.erase(it);
}

void MarkScriptOwned(TObject* obj) {
  if (!obj) return;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  if (liveObjects.Objects.Mark(obj)) r.ScriptOwned.insert(obj);
}

void HoldObject(TObject* holder, TObject* held) {
  if (!holder || !held) return;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  liveObjects.Objects.Mark(holder);
  r.Holds.emplace(holder, held);
}

bool ScriptMayFree(TObject* obj) {
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  if (!r.ScriptOwned.contains(obj)) return false;
  for (const auto& [holder, held] : r.Holds)
    if (held == obj) return false;
  return true;
}

}  // namespace orv
