#include "platform/rtl/ObjectHandles.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

// The addresses of live objects: every object enters at construction and leaves at
// destruction, so the set is open-addressed and allocates only when it grows.
class TAddressSet {
 public:
  bool Contains(const void* p) const {
    if (slots_.empty()) return false;
    for (std::size_t i = Hash(p) & mask_;; i = (i + 1) & mask_) {
      if (slots_[i] == p) return true;
      if (slots_[i] == nullptr) return false;
    }
  }
  void Insert(const void* p) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    std::size_t at = SIZE_MAX;
    for (std::size_t i = Hash(p) & mask_;; i = (i + 1) & mask_) {
      if (slots_[i] == p) return;
      if (slots_[i] == Tombstone() && at == SIZE_MAX) at = i;
      if (slots_[i] == nullptr) {
        if (at == SIZE_MAX) {
          at = i;
          ++used_;
        }
        break;
      }
    }
    slots_[at] = p;
    ++count_;
  }
  void Erase(const void* p) {
    if (slots_.empty()) return;
    for (std::size_t i = Hash(p) & mask_;; i = (i + 1) & mask_) {
      if (slots_[i] == nullptr) return;
      if (slots_[i] == p) {
        slots_[i] = Tombstone();
        --count_;
        return;
      }
    }
  }

 private:
  static const void* Tombstone() { return reinterpret_cast<const void*>(std::uintptr_t{1}); }
  static std::size_t Hash(const void* p) {
    auto x = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return static_cast<std::size_t>(x);
  }
  // Doubles while live objects fill a quarter; otherwise only sweeps the tombstones out.
  void Grow() {
    std::vector<const void*> old = std::move(slots_);
    const std::size_t size = std::max<std::size_t>(1024, count_ * 4 > old.size() ? old.size() * 2 : old.size());
    slots_.assign(size, nullptr);
    mask_ = size - 1;
    used_ = count_ = 0;
    for (const void* p : old)
      if (p != nullptr && p != Tombstone()) Insert(p);
  }
  std::vector<const void*> slots_;
  std::size_t mask_ = 0;
  std::size_t used_ = 0;   // slots not empty: live entries and tombstones
  std::size_t count_ = 0;  // live entries
};

struct HandleRegistry {
  std::mutex Lock;
  std::unordered_map<TObject*, Integer> ByObject;
  std::unordered_map<Integer, TObject*> ByHandle;
  Integer LastHandle = 0;
  TAddressSet Live;
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
  if (!r.Live.Contains(obj)) throw EInvalidPointer("Invalid object reference");
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

void AddLiveObject(TObject* obj) {
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  r.Live.Insert(obj);
}

void ForgetObject(TObject* obj) {
  if (!obj) return;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  r.Live.Erase(obj);
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
  if (r.Live.Contains(obj)) r.ScriptOwned.insert(obj);
}

void HoldObject(TObject* holder, TObject* held) {
  if (!holder || !held) return;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
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
