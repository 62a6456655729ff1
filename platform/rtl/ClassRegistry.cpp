#include "platform/rtl/ClassRegistry.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/rtl/TextUtils.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

namespace {

struct Registry {
  std::mutex lock;
  std::vector<TClass> classes;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

TClass Lookup(Registry& r, std::string_view name) {
  for (TClass c : r.classes)
    if (SameText(c->ClassName(), String(name))) return c;
  return nullptr;
}

}  // namespace

void RegisterClass(TClass cls) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  TClass existing = Lookup(r, cls->ClassName());
  if (existing == cls) return;
  if (existing) throw EFilerError("A class named " + cls->ClassName() + " already exists");
  r.classes.push_back(cls);
}

void RegisterClasses(std::initializer_list<TClass> classes) {
  for (TClass c : classes) RegisterClass(c);
}

void UnRegisterClass(TClass cls) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  std::erase(r.classes, cls);
}

TClass GetClass(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  return Lookup(r, name);
}

TClass FindClass(std::string_view name) {
  TClass c = GetClass(name);
  if (!c) throw EClassNotFound("Class " + String(name) + " not found");
  return c;
}

}  // namespace orv
