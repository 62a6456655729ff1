#pragma once
// A Variant property in a report file: its value as text and the name of its type, so that a
// date, a number or a truth value reads back as itself and not as a text (which a report
// variable would take for an expression).
#include <string_view>

#include "platform/rtl/Variant.h"

namespace orv {

// The value's text and its type name ('' for a text, the type of a value without one). False for
// a value no text holds (an array, an object).
bool kvxVariantToText(const Variant& value, String& text, String& typeName);
// The value the text and the type name stand for; EConvertError for a type or a text that is
// none.
Variant kvxVariantFromText(const String& text, std::string_view typeName);

}  // namespace orv
