#include "platform/gui/Fonts.h"

#include <fontconfig/fontconfig.h>

#include <mutex>

namespace orv {

void InitFonts() {
  static std::once_flag once;
  std::call_once(once, [] {
    FcInit();
    FcConfig* config = FcConfigGetCurrent();
    // Our aliases are added after the system's rules, so for the Windows names they come first.
    FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(ORVANE_FONTS_CONF), FcTrue);
    FcConfigBuildFonts(config);
  });
}

}  // namespace orv
