#pragma once
// The "THAI" collation that the program's ORDER BY clauses name for Thai names.
#include <string>
#include <string_view>

struct sqlite3;

namespace orv {

inline constexpr const char* kThaiCollationName = "THAI";

// Registers the collation on one connection; EDatabaseError when ICU has no Thai collator.
void RegisterThaiCollation(sqlite3* db);

// Bytes whose plain byte order is the collation's order of the texts: sorting many rows by these
// keys makes one collator call per text instead of one per comparison.
std::string ThaiSortKey(std::string_view utf8);

}  // namespace orv
