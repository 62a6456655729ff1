#include "report/model/PropertyIndex.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace orv {

namespace {

String Upper(std::string_view s) {
  String r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

using TIndex = std::unordered_map<String, const TPropInfo*>;

}  // namespace

const TPropInfo* kvxFindProp(TClass cls, std::string_view name) {
  static std::mutex lock;
  static std::unordered_map<TClass, TIndex> indexes;
  std::lock_guard<std::mutex> guard(lock);
  auto [it, isNew] = indexes.try_emplace(cls);
  if (isNew)
    for (const TPropInfo* p : cls->Properties()) it->second.try_emplace(Upper(p->Name()), p);
  auto found = it->second.find(Upper(name));
  return found == it->second.end() ? nullptr : found->second;
}

}  // namespace orv
