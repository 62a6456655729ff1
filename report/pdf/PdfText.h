#pragma once
// The text, name, number and hex forms of PDF syntax that the document, page and font writers share.
#include <string>
#include <string_view>

#include "platform/rtl/Types.h"

namespace orv {

// Two upper-case hex digits per byte.
String kvxStrToHex(std::string_view s);
// Four upper-case hex digits of a 16-bit value (a glyph id, a UTF-16 unit).
void kvxAppendHex4(std::string& out, unsigned value);
// Four upper-case hex digits for each code unit of text, grown once for all of them.
void kvxAppendHex4(std::string& out, std::u16string_view text);
// "FEFF" and four upper-case hex digits per UTF-16 unit: a PDF text string in UTF-16BE with its
// byte-order mark, so Thai titles and bookmarks read back whatever the reader's code page.
String kvxStrToUTF16Hex(const WideString& s);
// The bytes of a UTF-16BE text string with its byte-order mark.
std::string kvxUTF16BEBytes(const WideString& s);
// A PDF name body from a UTF-8 name: every byte outside "!" to "~", and "#", "/", "%" and the
// delimiters, become "#" and two upper-case hex digits, so names with blanks or Thai letters stay
// one valid name.
String kvxEscapeName(const String& s);
// Literal string body: "(", ")" and backslash escaped, LF as "\n", CR as "\r", other bytes as
// they are.
std::string kvxEscapeString(std::string_view s);
// The text value of object objNumber for UTF-8 text: "<FEFF...>" in the clear, or "(...)"
// holding the RC4 encryption of the same UTF-16BE bytes with the object's key.
String kvxPrepareText(const String& s, const std::string& key, bool encrypt, int objNumber);
// A new random GUID in its 38-character text form with braces and upper-case hex digits.
String kvxCreateGUIDString();

// Fixed point with two decimals and "." (595.50, -0.71): the number form of page content.
void kvxAppendFixed(std::string& out, double value);
// The same number written at out, which has room for kvxFixedMaxLength characters; returns how
// many it wrote.
inline constexpr size_t kvxFixedMaxLength = 24;
size_t kvxFormatFixed(double value, char* out);
String kvxFloatToStrFixed(double value);

}  // namespace orv
