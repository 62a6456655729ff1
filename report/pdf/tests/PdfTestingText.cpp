// Kept apart from the graphics headers, which name the charsets too.
#include "platform/rtl/CodePages.h"

namespace orv::testing {

WideString Wide(const std::string& utf8) { return Utf8ToWide(utf8); }
std::string Narrow(const WideString& text) { return WideToUtf8(text); }

}  // namespace orv::testing
