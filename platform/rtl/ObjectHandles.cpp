#include "platform/rtl/ObjectHandles.h"

#include <limits>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

struct HandleRegistry {
  std::mutex Lock;
  std::unordered_map<TObject*, Integer> ByObject;
  std::unordered_map<Integer, TObject*> ByHandle;
  Integer LastHandle = 0;
  std::unordered_set<TObject*> Live;
  std::unordered_set<TObject*> ScriptOwned;
  // holder -> held; few entries, so a scan is cheap.
  std::unordered_multimap<TObject*, TObject*> Holds;
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
  if (!r.Live.contains(obj)) throw EInvalidPointer("Invalid object reference");
  // Handles are never reused, so the supply ends rather than wraps.
  if (r.LastHandle == std::numeric_limits<Integer>::max())
    throw EOutOfMemory("Too many object references");
  Integer handle = ++r.LastHandle;
  r.ByObject.emplace(obj, handle);
  r.ByHandle.emplace(handle, obj);
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

void AddLiveObject(TObject* obj) {
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  r.Live.insert(obj);
}

void ForgetObject(TObject* obj) {
  if (!obj) return;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  r.Live.erase(obj);
  if (!r.ScriptOwned.empty()) r.ScriptOwned.erase(obj);
  if (!r.Holds.empty()) r.Holds.erase(obj);
  auto it = r.ByObject.find(obj);
  if (it == r.ByObject.end()) return;
  r.ByHandle.erase(it->second);
  r.ByObject.erase(it);
}

void MarkScriptOwned(TObject* obj) {
  if (!obj) return;
  auto& r = Registry();
  std::lock_guard lock(r.Lock);
  if (r.Live.contains(obj)) r.ScriptOwned.insert(obj);
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
