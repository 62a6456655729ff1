#pragma once
// Free helpers of the script engine that need no script object: literal conversion, positions,
// and the conversion between Variant arrays and argument lists of the formatting routines.
#include <vector>

#include "platform/rtl/Format.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

namespace orv {

// The value of a number or string leaf of the intermediate code: a quoted text gives the text
// between its first and last character; an integer ("$" for hexadecimal) gives an Integer when it
// fits in 32 bits and an Int64 otherwise; anything else is read as a float with "." as the decimal
// point. An empty text gives Null. EConvertError when the text is no number.
Variant sxLiteralToVariant(const String& text);

// "row:col" to a point (Y = row, X = column); (0, 0) for an empty text.
TPoint sxPosToPoint(const String& pos);

// One argument of the formatting routines as a Variant.
Variant sxVarRecToVariant(const TVarRec& value);
// The elements of a one-dimensional Variant array as arguments of the formatting routines.
std::vector<TVarRec> sxVariantToVarRec(const Variant& values);

}  // namespace orv
