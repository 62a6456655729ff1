#pragma once
// The "THAI" collation that the program's ORDER BY clauses name for Thai names.
struct sqlite3;

namespace orv {

inline constexpr const char* kThaiCollationName = "THAI";

// Registers the collation on one connection; EDatabaseError when ICU has no Thai collator.
void RegisterThaiCollation(sqlite3* db);

}  // namespace orv
