#pragma once
// Dates typed into the editors beside the date pickers, in the short form "d/m/yyyy".
#include "platform/rtl/Variant.h"

namespace orv {

// What every typed-date editor says of a text it cannot take.
extern const char* const TypedDateMessage;

// The date text stands for; Null for an empty text. EConvertError for a text that is no date,
// and for a year only the Buddhist era can mean (more than a century after this one): the
// register keeps years of the common era, as the certificates print them.
Variant TypedDate(const String& text);

}  // namespace orv
