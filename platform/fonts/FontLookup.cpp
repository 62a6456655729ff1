#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>
#include <tuple>

#include "platform/fonts/FontFace.h"
#include "platform/gui/Fonts.h"
#include "platform/rtl/CodePages.h"

namespace orv {

namespace {

// The language that makes fontconfig prefer a face with the charset's letters.
const char* CharsetLanguage(Byte charset) {
  if (charset == DEFAULT_CHARSET || charset == OEM_CHARSET) charset = DefaultSystemCharset();
  switch (charset) {
    case THAI_CHARSET: return "th";
    case RUSSIAN_CHARSET: return "ru";
    case GREEK_CHARSET: return "el";
    case TURKISH_CHARSET: return "tr";
    case HEBREW_CHARSET: return "he";
    case ARABIC_CHARSET: return "ar";
    case VIETNAMESE_CHARSET: return "vi";
    case SHIFTJIS_CHARSET: return "ja";
    case HANGEUL_CHARSET: case JOHAB_CHARSET: return "ko";
    case GB2312_CHARSET: return "zh-cn";
    case CHINESEBIG5_CHARSET: return "zh-tw";
    default: return nullptr;
  }
}

struct TMatch {
  String file;
  int index = 0;
};

TMatch MatchFile(const String& name, bool bold, bool italic, Byte charset) {
  InitFonts();
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  if (const char* lang = CharsetLanguage(charset)) {
    FcLangSet* langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>(lang));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcLangSetDestroy(langs);
  }
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  TMatch found;
  if (match) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
      found.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match, FC_INDEX, 0, &found.index);
    FcPatternDestroy(match);
  }
  return found;
}

}  // namespace

std::shared_ptr<TFontFace> TFontFace::Find(const String& name, bool bold, bool italic, Byte charset) {
  static std::mutex mutex;
  static std::map<std::tuple<String, bool, bool, Byte>, std::shared_ptr<TFontFace>> faces;
  std::lock_guard<std::mutex> guard(mutex);
  auto key = std::make_tuple(name, bold, italic, charset);
  if (auto it = faces.find(key); it != faces.end()) return it->second;

  TMatch match = MatchFile(name, bold, italic, charset);
  std::shared_ptr<TFontFace> face(new TFontFace());
  if (!match.file.empty() && face->Open(match.file, match.index)) return faces[key] = face;
  // The data of the face asked for cannot be read: the text is written with the substitute's
  // data, never with a font that the file would lack.
  TMatch substitute = MatchFile("Arial", bold, italic, charset);
  std::shared_ptr<TFontFace> fallback(new TFontFace());
  if (!substitute.file.empty() && fallback->Open(substitute.file, substitute.index))
    return faces[key] = fallback;
  throw EFontError("Error on get font info");
}

}  // namespace orv
