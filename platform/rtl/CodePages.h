#pragma once
// The Thai system profile (code pages, charsets) and conversions between UTF-8 and named code pages.
#include <string>
#include <string_view>

#include "platform/rtl/Types.h"

namespace orv {

inline constexpr int CP_ACP = 0;
inline constexpr int CP_OEMCP = 1;
inline constexpr int CP_UTF8 = 65001;
// UTF-16 little-endian and big-endian, as code page numbers.
inline constexpr int CP_UTF16LE = 1200;
inline constexpr int CP_UTF16BE = 1201;

inline constexpr Byte ANSI_CHARSET = 0;
inline constexpr Byte DEFAULT_CHARSET = 1;
inline constexpr Byte SYMBOL_CHARSET = 2;
inline constexpr Byte SHIFTJIS_CHARSET = 128;
inline constexpr Byte HANGEUL_CHARSET = 129;
inline constexpr Byte GB2312_CHARSET = 134;
inline constexpr Byte CHINESEBIG5_CHARSET = 136;
inline constexpr Byte OEM_CHARSET = 255;
inline constexpr Byte JOHAB_CHARSET = 130;
inline constexpr Byte HEBREW_CHARSET = 177;
inline constexpr Byte ARABIC_CHARSET = 178;
inline constexpr Byte GREEK_CHARSET = 161;
inline constexpr Byte TURKISH_CHARSET = 162;
inline constexpr Byte VIETNAMESE_CHARSET = 163;
inline constexpr Byte THAI_CHARSET = 222;
inline constexpr Byte EASTEUROPE_CHARSET = 238;
inline constexpr Byte RUSSIAN_CHARSET = 204;
inline constexpr Byte MAC_CHARSET = 77;
inline constexpr Byte BALTIC_CHARSET = 186;

// The Thai system: ANSI and OEM code page 874, default charset 222.
int GetACP();
int GetOEMCP();
Byte DefaultSystemCharset();

// Code page of a charset; DEFAULT_CHARSET and unknown charsets give the system's ANSI code page.
int CharsetToCodePage(Byte charset);
// The reverse lookup; false when no charset uses the code page.
bool CodePageToCharset(int codePage, Byte& charset);
// One row of the charset table.
struct TCharsetInfo {
  Byte Charset = 0;
  int CodePage = 0;
};
// Looks a row up by charset; false for charsets outside the table.
bool TranslateCharsetInfo(Byte charset, TCharsetInfo& info);

// Invalid UTF-8 in the input becomes U+FFFD.
WideString Utf8ToWide(std::string_view s);
// Utf8ToWide(s) added to the end of out.
void AppendUtf8ToWide(WideString& out, std::string_view s);
// Unpaired surrogates become U+FFFD.
String WideToUtf8(const WideString& s);

// Writes at to the UTF-8 of the character that begins at s[i], four bytes at most (a surrogate
// pair is one character, a lone surrogate U+FFFD), leaves i on its last unit and returns where
// the bytes end. Inline: every text written as UTF-8 passes here a character at a time.
inline char* PutUtf8(std::u16string_view s, size_t& i, char* to) {
  char32_t cp = s[i];
  // Thai letters, U+0E00 to U+0E7F, first: most of a parish's text.
  if (cp - 0x0E00 < 0x80) {
    *to++ = static_cast<char>(0xE0);
    *to++ = static_cast<char>(0x80 | (cp >> 6));
    *to++ = static_cast<char>(0x80 | (cp & 0x3F));
    return to;
  }
  if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
    cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
    ++i;
  } else if (cp >= 0xD800 && cp <= 0xDFFF) {
    cp = 0xFFFD;
  }
  if (cp < 0x80) {
    *to++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *to++ = static_cast<char>(0xC0 | (cp >> 6));
    *to++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *to++ = static_cast<char>(0xE0 | (cp >> 12));
    *to++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *to++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *to++ = static_cast<char>(0xF0 | (cp >> 18));
    *to++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *to++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *to++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return to;
}
// Bytes in codePage (CP_ACP/CP_OEMCP mean 874) to UTF-8; bytes the code page leaves undefined
// become U+FFFD. EConvertError for a code page the system does not know.
String CodePageToUtf8(const std::string& bytes, int codePage);
// UTF-8 to bytes in codePage; characters the code page cannot hold become '?'.
std::string Utf8ToCodePage(const String& s, int codePage);
// How every file is read: UTF-8 when the bytes are valid UTF-8 (a leading BOM dropped), else 874.
String DecodeText(const std::string& bytes);

}  // namespace orv
