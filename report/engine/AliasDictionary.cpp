#include "report/engine/AliasDictionary.h"

#include "platform/rtl/Conversions.h"

namespace orv {

void TkvxDictionary::Clear() {
  names_.clear();
  sources_.clear();
  usedRuns_.clear();
}

void TkvxDictionary::Add(const String& name, const String& sourcePath, TkvxComponent* obj) {
  sources_.push_back({sourcePath, obj});
  names_[name] = sources_.size() - 1;
}

String TkvxDictionary::CreateUniqueName(const String& prefix) const {
  auto known = [&](Integer n) { return names_.count(prefix + IntToStr(n)) > 0; };
  Integer n = 10000;
  while (n >= 2 && !known(n)) n /= 2;
  auto [it, added] = usedRuns_.try_emplace(prefix, 1, 0);
  auto& [first, last] = it->second;
  if (first <= n && n <= last) n = last + 1;
  const Integer from = n;
  while (known(n)) ++n;
  if (from < first || from > last + 1) first = from;
  last = n - 1;
  return prefix + IntToStr(n);
}

String TkvxDictionary::AddUnique(const String& prefix, const String& sourcePath, TkvxComponent* obj) {
  String name = CreateUniqueName(prefix);
  Add(name, sourcePath, obj);
  return name;
}

TkvxComponent* TkvxDictionary::GetObject(const String& name) const {
  auto it = names_.find(name);
  return it == names_.end() ? nullptr : sources_[it->second].Obj;
}

String TkvxDictionary::GetSourceName(const String& name) const {
  auto it = names_.find(name);
  return it == names_.end() ? String() : sources_[it->second].Path;
}

}  // namespace orv
