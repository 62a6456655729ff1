#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/fonts/FontFace.h"
#include "platform/fonts/FontFaceImpl.h"
#include "platform/fonts/FontConfig.h"
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

// The installed faces fontconfig offers for a character, best first, as a face like family,
// bold and italic would want them.
std::vector<TMatch> CandidatesFor(const String& family, bool bold, bool italic, char32_t ch) {
  InitFonts();
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcCharSet* wanted = FcCharSetCreate();
  FcCharSetAddChar(wanted, ch);
  FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
  FcCharSetDestroy(wanted);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  FcPatternDestroy(pattern);
  std::vector<TMatch> found;
  for (int i = 0; set && i < set->nfont; ++i) {
    FcCharSet* chars = nullptr;
    FcChar8* file = nullptr;
    if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &chars) != FcResultMatch || !FcCharSetHasChar(chars, ch))
      continue;
    if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
    TMatch m;
    m.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &m.index);
    found.push_back(std::move(m));
  }
  if (set) FcFontSetDestroy(set);
  return found;
}

}  // namespace

bool TFontFace::HasCharacter(char32_t ch) const {
  hb_codepoint_t glyph = 0;
  return hb_font_get_nominal_glyph(impl_->font, ch, &glyph) && glyph != 0;
}

const TFontFace* TFontFace::FallbackFor(char32_t ch) const {
  static std::mutex mutex;
  // Fallback faces live as long as the program, as the faces Find gives do.
  static std::map<std::pair<String, int>, std::unique_ptr<TFontFace>> loaded;
  static std::map<std::pair<const TFontFace*, char32_t>, const TFontFace*> chosen;
  static std::map<const TFontFace*, std::vector<const TFontFace*>> usedBy;
  std::lock_guard<std::mutex> guard(mutex);
  auto key = std::make_pair(this, ch);
  if (auto it = chosen.find(key); it != chosen.end()) return it->second;
  const TFontFace* face = nullptr;
  // A face already taken for this one's other letters keeps a name in one face.
  for (const TFontFace* f : usedBy[this])
    if (f->HasCharacter(ch)) {
      face = f;
      break;
    }
  if (!face) {
    for (const TMatch& m : CandidatesFor(familyName_, bold_, italic_, ch)) {
      if (m.file == fileName_ && m.index == faceIndex_) continue;
      auto slot = loaded.find({m.file, m.index});
      if (slot == loaded.end()) {
        auto candidate = std::unique_ptr<TFontFace>(new TFontFace());
        // A face that cannot be embedded as a TrueType program is no help to the PDF; it is
        // remembered as none.
        if (!candidate->Open(m.file, m.index)) candidate.reset();
        slot = loaded.emplace(std::make_pair(m.file, m.index), std::move(candidate)).first;
      }
      if (slot->second && slot->second->HasCharacter(ch)) {
        face = slot->second.get();
        usedBy[this].push_back(face);
        break;
      }
    }
  }
  return chosen[key] = face;
}

std::optional<TVerticalMetrics> TFontFace::FamilyMetrics(const String& name, bool bold, bool italic) {
  static std::mutex mutex;
  static std::map<std::tuple<String, bool, bool>, std::optional<TVerticalMetrics>> found;
  std::lock_guard<std::mutex> guard(mutex);
  auto key = std::make_tuple(name, bold, italic);
  if (auto it = found.find(key); it != found.end()) return it->second;
  TMatch match = MatchFile(name, bold, italic, ANSI_CHARSET);
  return found[key] = match.file.empty() ? std::nullopt : ReadVerticalMetrics(match.file, match.index);
}

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
