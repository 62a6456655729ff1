#pragma once
// Text from old files: bytes that are not valid UTF-8 are code page 874 (Thai), as the program
// wrote them before it wrote UTF-8. Kept apart from the font headers, whose charset constants
// share names with the code-page table.
#include <string_view>

#include "platform/rtl/Types.h"

namespace orv {

// s itself when it is valid UTF-8, else s read as code page 874.
String kvxFileText(std::string_view s);
// UTF-8 and UTF-16 both ways, for files that also include the font headers.
WideString kvxUtf8ToWide(const String& s);
String kvxWideToUtf8(const WideString& s);

}  // namespace orv
