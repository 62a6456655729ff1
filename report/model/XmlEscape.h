#pragma once
// Escaping of attribute values and element text in the report library's XML files.
#include <string_view>

#include "platform/rtl/Variant.h"

namespace orv {

// Every "&", "<", ">", double quote, CR and LF becomes a decimal character reference, so what
// is written is always well-formed XML and reads back exactly as it was.
String kvxStrToXML(std::string_view s);
// Appends the escaped form of s to out without a temporary string (the writer's hot path).
void kvxAppendXML(String& out, std::string_view s);
// The same for UTF-16 text, written as UTF-8 in the same pass (an unpaired surrogate becomes
// U+FFFD, as the UTF-8 conversion makes it).
void kvxAppendXML(String& out, std::u16string_view s);
// The inverse. Numeric references give the UTF-8 form of their code point; "&quot;", "&amp;",
// "&lt;" and "&gt;" their characters; any other "&" stays. A produced character is never
// decoded again. EConvertError for a numeric reference whose digits are not a number.
String kvxXMLToStr(std::string_view s);
// Text of a Variant for an attribute: Booleans "1"/"0", integers of every width in decimal,
// floats by FloatToStr, dates with their time when they have one, strings escaped; '' for
// empty, null, arrays and objects.
String kvxValueToXML(const Variant& v);

}  // namespace orv
