#include "platform/rtl/TextUtils.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace orv {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Where the run of ASCII bytes from pos ends.
inline size_t AsciiRunEnd(std::string_view s, size_t pos) {
  while (s.size() - pos >= 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + pos, 8);
    if (word & 0x8080808080808080ull) break;
    pos += 8;
  }
  while (pos < s.size() && static_cast<unsigned char>(s[pos]) < 0x80) ++pos;
  return pos;
}

// Where the run of Thai letters from pos ends. U+0E00 to U+0E7F are E0 B8 80 to E0 B9 BF: each
// is three well-formed bytes by one test, and most of a parish's text is made of them.
inline size_t ThaiRunEnd(std::string_view s, size_t pos) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  while (s.size() - pos >= 3 && p[pos] == 0xE0 && (p[pos + 1] & 0xFE) == 0xB8 && (p[pos + 2] & 0xC0) == 0x80) pos += 3;
  return pos;
}

// Length of a well-formed sequence at pos, or 0 when the bytes there are not one.
inline size_t SequenceLength(std::string_view s, size_t pos) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(pos);
  const size_t left = s.size() - pos;
  if (c < 0x80) return 1;
  const auto cont = [&](size_t i) { return (b(i) & 0xC0) == 0x80; };
  if (c >= 0xC2 && c <= 0xDF) return left >= 2 && cont(pos + 1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (left < 3 || !cont(pos + 1) || !cont(pos + 2)) return 0;
    if (c == 0xE0 && b(pos + 1) < 0xA0) return 0;  // overlong
    if (c == 0xED && b(pos + 1) >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (left < 4 || !cont(pos + 1) || !cont(pos + 2) || !cont(pos + 3)) return 0;
    if (c == 0xF0 && b(pos + 1) < 0x90) return 0;  // overlong
    if (c == 0xF4 && b(pos + 1) >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}

icu::UnicodeString ToIcu(const String& s) { return icu::UnicodeString::fromUTF8(s); }

String FromIcu(const icu::UnicodeString& u) {
  String out;
  u.toUTF8String(out);
  return out;
}

// Collators are not shared between threads; each thread makes its own on first use.
const icu::Collator* ThaiCollator(bool ignoreCase) {
  struct Pair {
    std::unique_ptr<icu::Collator> exact;
    std::unique_ptr<icu::Collator> caseless;
  };
  thread_local Pair pair = [] {
    Pair p;
    UErrorCode status = U_ZERO_ERROR;
    p.exact.reset(icu::Collator::createInstance(icu::Locale("th", "TH"), status));
    if (U_FAILURE(status)) p.exact.reset();
    status = U_ZERO_ERROR;
    p.caseless.reset(icu::Collator::createInstance(icu::Locale("th", "TH"), status));
    if (U_FAILURE(status)) {
      p.caseless.reset();
    } else {
      // Secondary strength: accents and Thai tone marks still count, letter case does not.
      p.caseless->setStrength(icu::Collator::SECONDARY);
    }
    return p;
  }();
  return ignoreCase ? pair.caseless.get() : pair.exact.get();
}

bool AsciiIdentifier(const String& s) {
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')) return false;
  return true;
}

// The Thai collator's order of two names of Latin letters, digits and underscores (fields,
// elements, fonts), found without making a collator, which a run that sorts nothing Thai would
// otherwise make for them alone: each letter and digit weighs one primary of its own (digits
// before letters, a to z), case is a third-level difference with the lower case first, and the
// collator passes over an underscore as over all punctuation.
int CollateIdentifiers(const String& a, const String& b, bool ignoreCase) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  int caseOrder = 0;
  size_t i = 0, j = 0;
  for (;; ++i, ++j) {
    while (i < a.size() && a[i] == '_') ++i;
    while (j < b.size() && b[j] == '_') ++j;
    if (i == a.size() || j == b.size()) break;
    const char ca = lower(a[i]), cb = lower(b[j]);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (caseOrder == 0 && a[i] != b[j]) caseOrder = a[i] == ca ? -1 : 1;
  }
  if (i != a.size() || j != b.size()) return i == a.size() ? -1 : 1;
  return ignoreCase ? 0 : caseOrder;
}

int Collate(const String& a, const String& b, bool ignoreCase) {
  // Names looked up in lists (fields, data sets) mostly match as written, and the collator
  // costs more than the rest of such a lookup; equal bytes collate equal under any strength.
  if (a == b) return 0;
  if (AsciiIdentifier(a) && AsciiIdentifier(b)) return CollateIdentifiers(a, b, ignoreCase);
  const icu::Collator* collator = ThaiCollator(ignoreCase);
  if (!collator) return ignoreCase ? CompareText(a, b) : CompareStr(a, b);
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r =
      collator->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                            icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
  if (U_FAILURE(status)) return ignoreCase ? CompareText(a, b) : CompareStr(a, b);
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// The code points of s with their byte offsets; offsets has one more entry, s.size().
void Decode(const String& s, std::vector<char32_t>& cps, std::vector<size_t>& offsets,
            bool fold) {
  size_t pos = 0;
  while (pos < s.size()) {
    offsets.push_back(pos);
    const char32_t cp = NextCodePoint(s, pos);
    cps.push_back(fold ? static_cast<char32_t>(u_foldCase(static_cast<UChar32>(cp),
                                                          U_FOLD_CASE_DEFAULT))
                       : cp);
  }
  offsets.push_back(s.size());
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
  // Every text cell of a list read from the database is checked: runs of ASCII are passed over
  // eight bytes at a time, runs of Thai a letter a test, and only the rest is read sequence by
  // sequence.
  size_t pos = 0;
  while (pos < s.size()) {
    pos = ThaiRunEnd(s, AsciiRunEnd(s, pos));
    if (pos == s.size()) break;
    if (static_cast<unsigned char>(s[pos]) < 0x80) continue;
    const size_t n = SequenceLength(s, pos);
    if (n == 0) return false;
    pos += n;
  }
  return true;
}

char32_t NextCodePoint(std::string_view s, size_t& pos) {
  const size_t n = SequenceLength(s, pos);
  const auto b = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
  char32_t cp;
  switch (n) {
    case 1: cp = b(pos); break;
    case 2: cp = ((b(pos) & 0x1F) << 6) | (b(pos + 1) & 0x3F); break;
    case 3: cp = ((b(pos) & 0x0F) << 12) | ((b(pos + 1) & 0x3F) << 6) | (b(pos + 2) & 0x3F); break;
    case 4:
      cp = ((b(pos) & 0x07) << 18) | ((b(pos + 1) & 0x3F) << 12) | ((b(pos + 2) & 0x3F) << 6) |
           (b(pos + 3) & 0x3F);
      break;
    default:
      ++pos;
      return kReplacement;
  }
  pos += n;
  return cp;
}

String ReplaceInvalidUtf8(std::string_view s) {
  String out;
  out.reserve(s.size() + 8);
  for (size_t pos = 0; pos < s.size();) AppendCodePoint(out, NextCodePoint(s, pos));
  return out;
}

void AppendCodePoint(String& s, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Eight bytes at a time: most texts are ASCII, and scripts ask in loops.
bool IsAsciiText(std::string_view s) {
  std::uint64_t high = 0;
  size_t at = 0;
  for (; at + 8 <= s.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + at, 8);
    high |= word;
  }
  for (; at < s.size(); ++at) high |= static_cast<unsigned char>(s[at]);
  return (high & 0x8080808080808080ULL) == 0;
}

size_t CodePointOffset(std::string_view s, size_t index) {
  size_t pos = 0;
  while (index > 0 && pos < s.size()) {
    NextCodePoint(s, pos);
    --index;
  }
  return pos;
}

Integer Length(std::string_view s) {
  Integer n = 0;
  size_t pos = 0;
  while (pos < s.size()) {
    const size_t ascii = AsciiRunEnd(s, pos);
    n += static_cast<Integer>(ascii - pos);
    pos = ascii;
    if (pos == s.size()) break;
    // A byte that begins no well-formed sequence counts as one character, as NextCodePoint reads it.
    pos += std::max<size_t>(SequenceLength(s, pos), 1);
    ++n;
  }
  return n;
}

String Copy(const String& s, Integer index, Integer count) {
  if (index < 1) index = 1;
  if (count <= 0) return String();
  const size_t start = CodePointOffset(s, static_cast<size_t>(index - 1));
  size_t end = start;
  while (count > 0 && end < s.size()) {
    NextCodePoint(s, end);
    --count;
  }
  return s.substr(start, end - start);
}

Integer Pos(const String& sub, const String& s) {
  if (sub.empty()) return 0;
  const size_t at = s.find(sub);
  if (at == String::npos) return 0;
  Integer index = 1;
  size_t pos = 0;
  while (pos < at) {
    NextCodePoint(s, pos);
    ++index;
  }
  return index;
}

String TrimLeft(const String& s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  return s.substr(i);
}

String TrimRight(const String& s) {
  size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= ' ') --n;
  return s.substr(0, n);
}

String Trim(const String& s) { return TrimLeft(TrimRight(s)); }

String UpperCase(const String& s) {
  String r = s;
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

String LowerCase(const String& s) {
  String r = s;
  for (char& c : r) c = AsciiLower(c);
  return r;
}

// Plain ASCII cases the same in every locale; script names are nearly always ASCII, and the
// script compiler folds one per declared item.
String AnsiUpperCase(const String& s) {
  if (IsAsciiText(s)) return UpperCase(s);
  return FromIcu(ToIcu(s).toUpper(icu::Locale("th", "TH")));
}

String AnsiLowerCase(const String& s) {
  if (IsAsciiText(s)) return LowerCase(s);
  return FromIcu(ToIcu(s).toLower(icu::Locale("th", "TH")));
}

int CompareStr(const String& a, const String& b) {
  const int r = a.compare(b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CompareText(const String& a, const String& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = static_cast<unsigned char>(AsciiUpper(a[i]));
    const int cb = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ca != cb) return ca - cb;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool SameText(const String& a, const String& b) { return CompareText(a, b) == 0; }

int AnsiCompareStr(const String& a, const String& b) { return Collate(a, b, false); }

int AnsiCompareText(const String& a, const String& b) { return Collate(a, b, true); }

bool AnsiSameText(const String& a, const String& b) { return AnsiCompareText(a, b) == 0; }

bool AnsiSortKey(const String& s, bool ignoreCase, String& key) {
  const icu::Collator* collator = ThaiCollator(ignoreCase);
  if (!collator) return false;
  const icu::UnicodeString text = ToIcu(s);
  // Most keys are short: a stack buffer, and the heap for a longer one.
  uint8_t buffer[256];
  const int32_t length = collator->getSortKey(text, buffer, static_cast<int32_t>(sizeof buffer));
  if (length <= 0) return false;
  // The length counts the closing zero byte, which the key leaves out.
  if (static_cast<size_t>(length) <= sizeof buffer) {
    key.assign(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length) - 1);
    return true;
  }
  std::vector<uint8_t> large(static_cast<size_t>(length));
  if (collator->getSortKey(text, large.data(), length) != length) return false;
  key.assign(reinterpret_cast<const char*>(large.data()), large.size() - 1);
  return true;
}

String StringReplace(const String& s, const String& oldPattern, const String& newPattern,
                     TReplaceFlags flags) {
  if (oldPattern.empty()) return s;
  const bool all = (flags & rfReplaceAll) != 0;
  if (!(flags & rfIgnoreCase)) {
    String out;
    size_t pos = 0;
    while (true) {
      const size_t at = s.find(oldPattern, pos);
      if (at == String::npos) break;
      out.append(s, pos, at - pos);
      out += newPattern;
      pos = at + oldPattern.size();
      if (!all) break;
    }
    out.append(s, pos, String::npos);
    return out;
  }
  // Case-blind: compare case-folded code points one to one, so offsets map back to s.
  std::vector<char32_t> text, pattern;
  std::vector<size_t> offsets, patternOffsets;
  Decode(s, text, offsets, true);
  Decode(oldPattern, pattern, patternOffsets, true);
  String out;
  size_t copied = 0;  // byte offset in s up to which s has been copied or replaced
  size_t i = 0;
  while (i + pattern.size() <= text.size()) {
    if (std::equal(pattern.begin(), pattern.end(), text.begin() + static_cast<std::ptrdiff_t>(i))) {
      out.append(s, copied, offsets[i] - copied);
      out += newPattern;
      i += pattern.size();
      copied = offsets[i];
      if (!all) break;
    } else {
      ++i;
    }
  }
  out.append(s, copied, String::npos);
  return out;
}

String AnsiQuotedStr(const String& s, char quote) {
  String out(1, quote);
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

String QuotedStr(const String& s) { return AnsiQuotedStr(s, '\''); }

String AnsiDequotedStr(const String& s, char quote) {
  if (s.empty() || s[0] != quote) return s;
  String out;
  size_t i = 1;
  bool closed = false;
  while (i < s.size()) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        out += quote;
        i += 2;
        continue;
      }
      closed = true;
      ++i;
      break;
    }
    out += s[i++];
  }
  // An unterminated quote, or an empty quote followed by more text, is not a quoted string.
  if (!closed || (out.empty() && i < s.size())) return s;
  return out;
}

String StringOfChar(const String& ch, Integer count) {
  String out;
  for (Integer i = 0; i < count; ++i) out += ch;
  return out;
}

String StringOfChar(char ch, Integer count) {
  return count > 0 ? String(static_cast<size_t>(count), ch) : String();
}

}  // namespace orv
