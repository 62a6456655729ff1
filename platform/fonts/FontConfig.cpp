#include "platform/fonts/FontConfig.h"

#include <fontconfig/fontconfig.h>

#include <mutex>

#include "platform/fonts/FontConfigText.h"

namespace orv {

void InitFonts() {
  static std::once_flag once;
  std::call_once(once, [] {
    FcInit();
    FcConfig* config = FcConfigGetCurrent();
    // Our aliases are added after the system's rules, so for the Windows names they come first.
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(sxFontsConf), FcTrue);
    FcConfigBuildFonts(config);
  });
}

}  // namespace orv
