#include <vector>

#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

// One character position of an edit mask: a literal, or a place for a typed character.
struct TMaskPlace {
  bool Input = false;
  String Literal;  // one code point
};

struct TEditMask {
  std::vector<TMaskPlace> Places;
  bool SaveLiterals = true;
  bool LeadingBlanks = false;  // "!": missing characters are blanks at the start
};

TEditMask ParseMask(const String& editMask, const TFormatSettings& fs) {
  // Fields are split on ';' not escaped by '\': mask;save-literals;blank.
  std::vector<String> fields(1);
  for (size_t i = 0; i < editMask.size(); ++i) {
    if (editMask[i] == '\\' && i + 1 < editMask.size()) {
      fields.back() += editMask.substr(i, 2);
      ++i;
    } else if (editMask[i] == ';') {
      fields.emplace_back();
    } else {
      fields.back() += editMask[i];
    }
  }
  TEditMask m;
  if (fields.size() >= 2 && !fields[1].empty()) m.SaveLiterals = fields[1][0] != '0';
  const String& mask = fields[0];
  size_t pos = 0;
  while (pos < mask.size()) {
    const size_t start = pos;
    const char32_t c = NextCodePoint(mask, pos);
    switch (c) {
      case '!': m.LeadingBlanks = true; break;
      // Case conversion applies to typing into the edit, not to text laid into the mask.
      case '>':
      case '<':
        break;
      case '\\':
        if (pos < mask.size()) {
          const size_t litStart = pos;
          NextCodePoint(mask, pos);
          m.Places.push_back({false, mask.substr(litStart, pos - litStart)});
        }
        break;
      case 'L': case 'l': case 'A': case 'a': case 'C': case 'c': case '0': case '9': case '#':
        m.Places.push_back({true, String()});
        break;
      case ':': m.Places.push_back({false, fs.TimeSeparator}); break;
      case '/': m.Places.push_back({false, fs.DateSeparator}); break;
      case '_': m.Places.push_back({false, " "}); break;
      default: m.Places.push_back({false, mask.substr(start, pos - start)}); break;
    }
  }
  return m;
}

std::vector<String> CodePoints(const String& s) {
  std::vector<String> out;
  size_t pos = 0;
  while (pos < s.size()) {
    const size_t start = pos;
    NextCodePoint(s, pos);
    out.push_back(s.substr(start, pos - start));
  }
  return out;
}

}  // namespace

String FormatMaskText(const String& editMask, const String& value, const TFormatSettings& fs) {
  const TEditMask m = ParseMask(editMask, fs);
  const std::vector<String> chars = CodePoints(value);
  const String blank = " ";
  String out;
  size_t next = 0;
  if (m.SaveLiterals) {
    // The value already holds the literals in place; a value typed without them still fills
    // the input places in order.
    for (const TMaskPlace& place : m.Places) {
      if (!place.Input) {
        out += place.Literal;
        if (next < chars.size() && chars[next] == place.Literal) ++next;
      } else {
        out += next < chars.size() ? chars[next++] : blank;
      }
    }
    return out;
  }
  size_t inputs = 0;
  for (const TMaskPlace& place : m.Places) inputs += place.Input ? 1 : 0;
  size_t skip = m.LeadingBlanks && chars.size() < inputs ? inputs - chars.size() : 0;
  for (const TMaskPlace& place : m.Places) {
    if (!place.Input) {
      out += place.Literal;
    } else if (skip > 0) {
      out += blank;
      --skip;
    } else {
      out += next < chars.size() ? chars[next++] : blank;
    }
  }
  return out;
}

String FormatMaskText(const String& editMask, const String& value) {
  return FormatMaskText(editMask, value, FormatSettings());
}

}  // namespace orv
