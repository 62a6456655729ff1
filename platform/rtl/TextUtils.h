#pragma once
// String routines of the runtime. Indexes and lengths count Unicode code points, as bytes counted
// in the original 8-bit Thai code page.
#include <cstdint>
#include <string_view>

#include "platform/rtl/Types.h"

namespace orv {

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = int;

// Whether s is well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view s);
// Decodes the code point at pos and advances pos past it; an invalid byte yields U+FFFD and
// advances by one, so a loop over damaged text always ends.
char32_t NextCodePoint(std::string_view s, size_t& pos);
// s with every byte that is not part of well-formed UTF-8 replaced by U+FFFD.
String ReplaceInvalidUtf8(std::string_view s);
// Appends a code point as UTF-8.
void AppendCodePoint(String& s, char32_t cp);
// True when every byte is below 128, so that bytes and code points coincide.
bool IsAsciiText(std::string_view s);
// Byte offset of the code point with the 0-based index, or s.size() when past the end.
size_t CodePointOffset(std::string_view s, size_t index);

Integer Length(std::string_view s);
// 1-based; index below 1 reads from the start, count past the end stops at the end.
String Copy(const String& s, Integer index, Integer count);
// 1-based code-point position of sub in s, 0 when absent or sub is empty.
Integer Pos(const String& sub, const String& s);

// Remove control characters and blanks (bytes up to ' ').
String Trim(const String& s);
String TrimLeft(const String& s);
String TrimRight(const String& s);

// ASCII letters only.
String UpperCase(const String& s);
String LowerCase(const String& s);
// All scripts, through ICU.
String AnsiUpperCase(const String& s);
String AnsiLowerCase(const String& s);

// Ordinal byte comparison; < 0, 0, > 0.
int CompareStr(const String& a, const String& b);
// Ordinal with ASCII letters folded.
int CompareText(const String& a, const String& b);
bool SameText(const String& a, const String& b);
// ICU collation in the Thai locale (Thai leading vowels sort by the consonant after them).
int AnsiCompareStr(const String& a, const String& b);
// The same, blind to case.
int AnsiCompareText(const String& a, const String& b);
bool AnsiSameText(const String& a, const String& b);
// The bytes whose order (as compared by CompareStr) is the order AnsiCompareStr, or with
// ignoreCase AnsiCompareText, gives their texts: equal keys for texts that compare equal. False
// when the collation is not available, and the comparisons fall back on the ordinal ones.
bool AnsiSortKey(const String& s, bool ignoreCase, String& key);

String StringReplace(const String& s, const String& oldPattern, const String& newPattern,
                     TReplaceFlags flags);
// Wraps in single quotes, doubling the ones inside.
String QuotedStr(const String& s);
String AnsiQuotedStr(const String& s, char quote);
// Removes surrounding quotes and undoubles inner ones; text that does not start with the quote
// comes back unchanged.
String AnsiDequotedStr(const String& s, char quote);
// count copies of one code point (given as UTF-8).
String StringOfChar(const String& ch, Integer count);
String StringOfChar(char ch, Integer count);

}  // namespace orv
