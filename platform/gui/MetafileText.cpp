#include "platform/gui/MetafileText.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"

namespace orv {

WideString MetafileCharsetText(std::string bytes, Byte charset) {
  bytes = bytes.substr(0, bytes.find('\0'));
  try {
    return Utf8ToWide(CodePageToUtf8(bytes, CharsetToCodePage(charset)));
  } catch (const EConvertError&) {
    WideString latin;
    for (unsigned char c : bytes) latin += static_cast<char16_t>(c);
    return latin;
  }
}

}  // namespace orv
