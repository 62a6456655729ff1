#include "platform/rtl/ObjectHandles.h"

#include <atomic>
#include <limits>
#include <mutex>
#include <unordered_map>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

struct HandleRegistry {
  std::mutex Lock;
  std::unordered_map<TObject*, Integer> ByObject;
  std::unordered_map<Integer, TObject*> ByHandle;
  Integer LastHandle = 0;
  // Lets ForgetObject skip the lock while nothing at all is registered.
  std::atomic<std::size_t> Count{0};
};

HandleRegistry& Registry() {
  // Never destroyed: objects freed during static destruction still call ForgetObject.
  static auto* registry = new HandleRegistry;
  return *registry;
}

}  // namespace

Integer ObjectToHandle(TObject* obj) {
  if (!obj) return 0;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  auto it = r.ByObject.find(obj);
  if (it != r.ByObject.end()) return it->second;
  // Handles are never reused, so the supply ends rather than wraps.
  if (r.LastHandle == std::numeric_limits<Integer>::max())
    throw EOutOfMemory("Too many object references");
  Integer handle = ++r.LastHandle;
  r.ByObject.emplace(obj, handle);
  r.ByHandle.emplace(handle, obj);
  r.Count.store(r.ByObject.size(), std::memory_order_release);
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
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  auto it = r.ByHandle.find(handle);
  if (it == r.ByHandle.end()) throw EInvalidPointer("Invalid object reference");
  return it->second;
}

void ForgetObject(TObject* obj) {
  auto& r = Registry();
  if (!obj || r.Count.load(std::memory_order_acquire) == 0) return;
  std::lock_guard lock(r.Lock);
  auto it = r.ByObject.find(obj);
  if (it == r.ByObject.end()) return;
  r.ByHandle.erase(it->second);
  r.ByObject.erase(it);
  r.Count.store(r.ByObject.size(), std::memory_order_release);
}

}  // namespace orv
