#pragma once
// Helpers for values the program binds into SQL.
#include <string_view>

#include "platform/rtl/Types.h"

namespace orv {

// The text with "\", "%" and "_" escaped by "\", for "like :p escape '\'" where a user's text
// must match literally: bind LikeEscape(text) + "%" for "begins with text".
String LikeEscape(std::string_view text);

// The ISO form the database stores dates in: "YYYY-MM-DD", and with withTime " HH:MM:SS".
String IsoDateText(TDateTime value, bool withTime = false);
// Reads "YYYY-MM-DD" optionally followed by " HH:MM", " HH:MM:SS" or " HH:MM:SS.fff" (or "T"
// in place of the blank); false for anything else or a date that does not exist.
bool TryParseIsoDate(std::string_view text, TDateTime& value);

}  // namespace orv
