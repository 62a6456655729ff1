#include "report/model/LegacyText.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

String kvxFileText(std::string_view s) {
  if (IsValidUtf8(s)) return String(s);
  return CodePageToUtf8(std::string(s), 874);
}

WideString kvxUtf8ToWide(const String& s) { return Utf8ToWide(s); }

String kvxWideToUtf8(const WideString& s) { return WideToUtf8(s); }

}  // namespace orv
