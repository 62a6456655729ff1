#include "platform/fonts/FontConfig.h"

#include <fontconfig/fontconfig.h>

#include <mutex>
#include <thread>

#include "platform/fonts/FontConfigText.h"

namespace orv {

void InitFonts() {
  static std::once_flag once;
  std::call_once(once, [] {
    // The system's rules, then ours after them, so that for the Windows names ours come first;
    // the fonts are listed once, with our rules in force (a rejected face never enters the
    // list), before the configuration becomes the one every caller of fontconfig uses.
    FcConfig* config = FcInitLoadConfig();
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(sxFontsConf), FcTrue);
    FcConfigBuildFonts(config);
    FcConfigSetCurrent(config);
    FcConfigDestroy(config);
  });
}

void InitFontsMeanwhile() {
  // Joined when the program ends, so that fontconfig is never torn down under it.
  struct TLoader {
    std::thread Thread{InitFonts};
    ~TLoader() { Thread.join(); }
  };
  static TLoader loader;
}

const char* const kNoThaiFontText =
    "ไม่พบแบบอักษรภาษาไทยในเครื่อง ข้อความภาษาไทยจะแสดงเป็นกล่องและพิมพ์ไม่ออก "
    "กรุณาติดตั้งแพ็กเกจ fonts-thai-tlwg และ fonts-tlwg-laksaman-ttf\n"
    "No font with Thai letters is installed: Thai text shows as boxes and prints blank. "
    "Install the packages fonts-thai-tlwg and fonts-tlwg-laksaman-ttf.";

bool ThaiFontInstalled() {
  static const bool installed = [] {
    InitFonts();
    FcPattern* pattern = FcPatternCreate();
    FcLangSet* langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("th"));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcLangSetDestroy(langs);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcObjectSet* fields = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* faces = FcFontList(nullptr, pattern, fields);
    const bool any = faces && faces->nfont > 0;
    if (faces) FcFontSetDestroy(faces);
    FcObjectSetDestroy(fields);
    FcPatternDestroy(pattern);
    return any;
  }();
  return installed;
}

}  // namespace orv
