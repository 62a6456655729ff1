#include "report/model/PropertyIndex.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

namespace orv {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Case-blind hashing and comparison, so that a lookup needs no upper-cased copy of the name.
struct TNoCaseHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const {
    size_t h = 14695981039346656037ull;
    for (char c : s) h = (h ^ static_cast<unsigned char>(Upper(c))) * 1099511628211ull;
    return h;
  }
};

struct TNoCaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
  }
};

using TIndex = std::unordered_map<String, const TPropInfo*, TNoCaseHash, TNoCaseEqual>;

const TIndex& IndexOf(TClass cls) {
  static std::mutex lock;
  static std::unordered_map<TClass, TIndex> indexes;
  std::lock_guard<std::mutex> guard(lock);
  auto [it, isNew] = indexes.try_emplace(cls);
  if (isNew)
    for (const TPropInfo* p : cls->Properties()) it->second.try_emplace(p->Name(), p);
  return it->second;
}

}  // namespace

namespace {

// The answers to names asked for as written: printing asks for the same few names of the same
// few classes for every object of every row, and a slot found from the name's length and ends
// costs less than hashing the whole name without case. An answer never changes, for an index,
// once made, stays as it is for the life of the program.
struct TAnswer {
  TClass Class = nullptr;
  const TPropInfo* Prop = nullptr;
  size_t Length = 0;
  char Name[32] = {};
};
constexpr size_t kAnswers = 64;

size_t AnswerSlot(TClass cls, std::string_view name) {
  const auto byte = [&](size_t i) { return static_cast<size_t>(static_cast<unsigned char>(name[i])); };
  return ((reinterpret_cast<uintptr_t>(cls) >> 4) ^ name.size() * 31 ^ byte(0) << 3 ^ byte(name.size() - 1) << 7 ^
          byte(name.size() / 2)) %
         kAnswers;
}

const TPropInfo* LookUp(TClass cls, std::string_view name) {
  // Reading a file or printing a row asks for the properties of a few classes in turn (a band,
  // its memos, their fonts): the indexes of the last few are at hand without the lock.
  constexpr size_t kRecent = 4;
  thread_local TClass recentClass[kRecent] = {};
  thread_local const TIndex* recentIndex[kRecent] = {};
  thread_local size_t next = 0;
  const TIndex* index = nullptr;
  for (size_t k = 0; k < kRecent && !index; ++k)
    if (recentClass[k] == cls) index = recentIndex[k];
  if (!index) {
    index = &IndexOf(cls);
    recentClass[next] = cls;
    recentIndex[next] = index;
    next = (next + 1) % kRecent;
  }
  auto found = index->find(name);
  return found == index->end() ? nullptr : found->second;
}

}  // namespace

const TPropInfo* kvxFindProp(TClass cls, std::string_view name) {
  if (name.empty() || name.size() > sizeof(TAnswer::Name)) return LookUp(cls, name);
  thread_local TAnswer answers[kAnswers];
  TAnswer& answer = answers[AnswerSlot(cls, name)];
  if (answer.Class == cls && answer.Length == name.size() && std::memcmp(answer.Name, name.data(), name.size()) == 0)
    return answer.Prop;
  const TPropInfo* prop = LookUp(cls, name);
  answer.Class = cls;
  answer.Prop = prop;
  answer.Length = name.size();
  std::memcpy(answer.Name, name.data(), name.size());
  return prop;
}

}  // namespace orv
