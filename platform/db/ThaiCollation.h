#pragma once
// The "THAI" collation that the program's ORDER BY clauses name for Thai names.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;

namespace orv {

inline constexpr const char* kThaiCollationName = "THAI";

// Makes the collation known on one connection: its collator is made by the first statement
// that names it.
void RegisterThaiCollation(sqlite3* db);

// Bytes whose plain byte order is the collation's order of the texts: sorting many rows by these
// keys makes one collator call per text instead of one per comparison.
std::string ThaiSortKey(std::string_view utf8);

// While one lives on a thread, the collation compares the texts of that thread's statements by
// their sort keys, each made once: SQLite sorting a parish by name compares each name with
// others some twenty times, and a collator call each time costs more than the key. Made around
// the steps of a statement that may sort; the keys go with it. Up to a bound of memory, past
// which texts are compared as before.
class TThaiSortKeys {
 public:
  TThaiSortKeys();
  ~TThaiSortKeys();
  TThaiSortKeys(const TThaiSortKeys&) = delete;
  TThaiSortKeys& operator=(const TThaiSortKeys&) = delete;

  // The ones of this thread, innermost first; nullptr when none lives.
  static TThaiSortKeys* Current();
  // The key of utf8, made now when it is new; nullptr when the text is long or the keys have
  // reached their bound. Never throws: it is called from inside SQLite.
  const std::string* Find(std::string_view utf8) noexcept;

  static constexpr std::size_t kLongestText = 1024;
  static constexpr std::size_t kMostBytes = std::size_t{4} << 20;

 private:
  struct THash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, std::string, THash, std::equal_to<>> keys_;
  // The last two texts found, the table's own copies: a merge compares one text with several
  // in a row, and comparing the bytes costs less than hashing them.
  struct TRecent {
    std::string_view text;
    const std::string* key = nullptr;
  };
  TRecent recent_[2];
  int older_ = 0;
  std::size_t bytes_ = 0;
  TThaiSortKeys* outer_;
};

}  // namespace orv
