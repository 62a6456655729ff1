#pragma once
// TkvxDictionary: the short aliases that name objects on prepared pages, each leading to the
// source-page object it was made from and to that object's path ("Page" N "." name).
#include <map>
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

class TkvxComponent;

class TkvxDictionary {
 public:
  void Clear();
  void Add(const String& name, const String& sourcePath, TkvxComponent* obj);
  // The prefix followed by a number not yet in use. The search halves down from 10000 while
  // the number is free and then counts up, so gaps below a number in use are not reused.
  String CreateUniqueName(const String& prefix) const;
  String AddUnique(const String& prefix, const String& sourcePath, TkvxComponent* obj);
  // nullptr when the alias is not listed or its object was not found.
  TkvxComponent* GetObject(const String& name) const;
  // '' when the alias is not listed.
  String GetSourceName(const String& name) const;

  // Aliases in order with the index of their path.
  const std::map<String, size_t>& Names() const { return names_; }
  Integer Count() const { return static_cast<Integer>(names_.size()); }

 private:
  struct TSource {
    String Path;
    TkvxComponent* Obj;
  };
  std::map<String, size_t> names_;
  std::vector<TSource> sources_;
  // Per prefix, numbers from first to last all in use (none when last < first): aliases only come
  // until Clear, so a band of thousands of objects does not count up through them all again.
  mutable std::map<String, std::pair<Integer, Integer>> usedRuns_;
};

}  // namespace orv
