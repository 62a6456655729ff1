#include "platform/db/ThaiCollation.h"

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <memory>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

thread_local TThaiSortKeys* t_sortKeys = nullptr;

// Thai names sort by consonant first (leading vowels are moved behind the consonant by ICU's Thai
// rules); secondary strength keeps tone marks significant but makes Latin case blind.
int Compare(void* collator, int lenA, const void* a, int lenB, const void* b) {
  // Sorting a parish compares the same few names with each other over and over; the same
  // bytes are the same text.
  if (lenA == lenB && std::memcmp(a, b, static_cast<size_t>(lenA)) == 0) return 0;
  // The keys' byte order is the collator's order of the same texts, invalid bytes included.
  if (TThaiSortKeys* keys = t_sortKeys) {
    const std::string* keyA = keys->Find({static_cast<const char*>(a), static_cast<size_t>(lenA)});
    const std::string* keyB = keyA ? keys->Find({static_cast<const char*>(b), static_cast<size_t>(lenB)}) : nullptr;
    if (keyB) {
      const int c = keyA->compare(*keyB);
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
  }
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

UCollator* OpenThaiCollator() {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* collator = ucol_open("th", &status);
  if (U_FAILURE(status)) throw EDatabaseError("The Thai collation is not available");
  ucol_setStrength(collator, UCOL_SECONDARY);
  return collator;
}

}  // namespace

std::string ThaiSortKey(std::string_view utf8) {
  // A collator is safe to share between threads for reading once it is set up.
  static const std::unique_ptr<UCollator, void (*)(UCollator*)> collator(OpenThaiCollator(),
                                                                         ucol_close);
  // The whole key in one call: built piece by piece, ICU walks the text again from its start
  // for every piece, and one long name would hold a sort for minutes. Bytes that are not UTF-8
  // stand for U+FFFD, as in the comparison above.
  if (utf8.size() > static_cast<size_t>(INT32_MAX / 2))
    throw EDatabaseError("A text cannot be sorted in Thai order");
  std::u16string text(utf8.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(text.data()), static_cast<int32_t>(text.size()), &length,
                       utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) throw EDatabaseError("A text cannot be sorted in Thai order");
  const auto* chars = reinterpret_cast<const UChar*>(text.data());
  // Made once into room of about its usual size (a name's key takes two or three bytes a
  // letter), and made again only when that was too little.
  std::string key(std::min<size_t>(static_cast<size_t>(length) * 3 + 16, 4096), '\0');
  int32_t size = ucol_getSortKey(collator.get(), chars, length, reinterpret_cast<uint8_t*>(key.data()),
                                 static_cast<int32_t>(key.size()));
  if (size > static_cast<int32_t>(key.size())) {
    key.assign(static_cast<size_t>(size), '\0');
    ucol_getSortKey(collator.get(), chars, length, reinterpret_cast<uint8_t*>(key.data()), size);
  }
  key.resize(static_cast<size_t>(std::max(size, 0)));
  return key;
}

TThaiSortKeys::TThaiSortKeys() : outer_(t_sortKeys) { t_sortKeys = this; }

TThaiSortKeys::~TThaiSortKeys() { t_sortKeys = outer_; }

TThaiSortKeys* TThaiSortKeys::Current() { return t_sortKeys; }

const std::string* TThaiSortKeys::Find(std::string_view utf8) noexcept {
  // Once full, a sort of more texts than fit would pay a failed look-up on most comparisons.
  if (bytes_ >= kMostBytes) return nullptr;
  for (const TRecent& r : recent_)
    if (r.key && r.text == utf8) return r.key;
  auto it = keys_.find(utf8);
  if (it == keys_.end()) {
    if (utf8.size() > kLongestText) return nullptr;
    try {
      std::string key = ThaiSortKey(utf8);
      // The text, its key and about what the table spends on an entry.
      bytes_ += utf8.size() + key.size() + 96;
      it = keys_.emplace(std::string(utf8), std::move(key)).first;
    } catch (...) {
      return nullptr;
    }
  }
  recent_[older_] = {it->first, &it->second};
  older_ ^= 1;
  return &it->second;
}

void RegisterThaiCollation(sqlite3* db) {
  // The collator is made when a statement first names the collation: opening it costs a
  // megabyte and a millisecond, and most connections (an export, a report by number) sort by
  // nothing Thai. A collator that cannot be made leaves the collation unknown, and the
  // statement naming it fails with SQLite's own message.
  const int rc = sqlite3_collation_needed(db, nullptr, [](void*, sqlite3* needing, int, const char* name) {
    if (sqlite3_stricmp(name, kThaiCollationName) != 0) return;
    UCollator* collator = nullptr;
    try {
      collator = OpenThaiCollator();
    } catch (const EDatabaseError&) {
      return;
    }
    // Unlike its other interfaces, SQLite leaves the data of a failed registration to the caller.
    if (sqlite3_create_collation_v2(needing, kThaiCollationName, SQLITE_UTF8, collator, Compare, Destroy) !=
        SQLITE_OK)
      ucol_close(collator);
  });
  if (rc != SQLITE_OK) throw EDatabaseError(sqlite3_errmsg(db));
}

}  // namespace orv
