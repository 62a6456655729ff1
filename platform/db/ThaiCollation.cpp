#include "platform/db/ThaiCollation.h"

#include <sqlite3.h>
#include <unicode/ucol.h>

#include <cstring>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

// Thai names sort by consonant first (leading vowels are moved behind the consonant by ICU's Thai
// rules); secondary strength keeps tone marks significant but makes Latin case blind.
int Compare(void* collator, int lenA, const void* a, int lenB, const void* b) {
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r = ucol_strcollUTF8(static_cast<UCollator*>(collator),
                                        static_cast<const char*>(a), lenA,
                                        static_cast<const char*>(b), lenB, &status);
  if (U_FAILURE(status)) {
    // Invalid UTF-8 must still give a total order, so fall back to the bytes.
    int n = lenA < lenB ? lenA : lenB;
    int c = std::memcmp(a, b, static_cast<size_t>(n));
    return c != 0 ? c : lenA - lenB;
  }
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

void Destroy(void* collator) { ucol_close(static_cast<UCollator*>(collator)); }

}  // namespace

void RegisterThaiCollation(sqlite3* db) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* collator = ucol_open("th", &status);
  if (U_FAILURE(status)) throw EDatabaseError("The Thai collation is not available");
  ucol_setStrength(collator, UCOL_SECONDARY);
  int rc = sqlite3_create_collation_v2(db, kThaiCollationName, SQLITE_UTF8, collator, Compare,
                                       Destroy);
  if (rc != SQLITE_OK) {
    // Unlike its other interfaces, SQLite leaves the data of a failed registration to the caller.
    ucol_close(collator);
    throw EDatabaseError(sqlite3_errmsg(db));
  }
}

}  // namespace orv
