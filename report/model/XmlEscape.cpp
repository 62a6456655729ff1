#include "report/model/XmlEscape.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

// Control characters other than TAB, LF and CR may not stand in XML 1.0, not even as references:
// they are written as references to their pictures (U+2400 to U+241F), which the reader turns
// back into the control characters. Data brings them in (a form feed pasted into a name).
constexpr Integer kControlPictures = 0x2400;

bool NeedsEscape(char c) {
  return c == '&' || c == '<' || c == '>' || c == '"' || static_cast<unsigned char>(c) < 0x20;
}

// The reference written for a character that needs one.
String Reference(char c) {
  int code = static_cast<unsigned char>(c);
  if (code < 0x20 && code != '\t' && code != '\n' && code != '\r') code += kControlPictures;
  return "&#" + std::to_string(code) + ";";
}

}  // namespace

void kvxAppendXML(String& out, std::string_view s) {
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (!NeedsEscape(c)) continue;
    out.append(s.data() + start, i - start);
    out += Reference(c);
    start = i + 1;
  }
  out.append(s.data() + start, s.size() - start);
}

void kvxAppendXML(String& out, std::u16string_view s) {
  // The text is written once into the thread's buffer, which holds the most any text can take
  // (a reference of seven bytes a unit), and copied from there: every memo of every row comes
  // here, and counting the room first would read it twice.
  thread_local std::vector<char> buffer;
  if (buffer.size() < 7 * s.size()) buffer.resize(7 * s.size());
  char* const begin = buffer.data();
  char* to = begin;
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp < 0x80) {
      if (!NeedsEscape(static_cast<char>(cp))) {
        *to++ = static_cast<char>(cp);
        continue;
      }
      const String ref = Reference(static_cast<char>(cp));
      std::memcpy(to, ref.data(), ref.size());
      to += ref.size();
      continue;
    }
    to = PutUtf8(s, i, to);
  }
  const size_t bytes = static_cast<size_t>(to - begin);
  // With a little room for what follows (the quote that closes an attribute), which would
  // otherwise move the whole text again.
  out.reserve(out.size() + bytes + 16);
  out.append(begin, bytes);
}

String kvxStrToXML(std::string_view s) {
  String out;
  out.reserve(s.size());
  kvxAppendXML(out, s);
  return out;
}

String kvxXMLToStr(std::string_view s) {
  if (s.size() < 2 || std::memchr(s.data(), '&', s.size()) == nullptr) return String(s);
  String out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c != '&' || i + 1 >= s.size()) {
      out += c;
      ++i;
      continue;
    }
    std::string_view rest = s.substr(i);
    if (rest.size() > 3 && rest[1] == '#') {
      size_t semi = rest.find(';', 2);
      if (semi != std::string_view::npos) {
        String digits(rest.substr(2, semi - 2));
        Integer code = digits.size() > 1 && (digits[0] == 'x' || digits[0] == 'X') ? StrToInt("$" + digits.substr(1))
                                                                                   : StrToInt(digits);
        if (code >= kControlPictures && code < kControlPictures + 0x20)
          out += static_cast<char>(code - kControlPictures);
        else if (code <= 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
          AppendCodePoint(out, 0xFFFD);
        else
          AppendCodePoint(out, static_cast<char32_t>(code));
        i += semi + 1;
        continue;
      }
    } else {
      static constexpr std::pair<std::string_view, char> kNamed[] = {
          {"&quot;", '"'}, {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}};
      bool found = false;
      for (const auto& [entity, ch] : kNamed) {
        if (rest.substr(0, entity.size()) == entity) {
          out += ch;
          i += entity.size();
          found = true;
          break;
        }
      }
      if (found) continue;
    }
    out += c;
    ++i;
  }
  return out;
}

String kvxValueToXML(const Variant& v) {
  switch (v.VType()) {
    case varBoolean:
      return v.ToBoolean() ? "1" : "0";
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return IntToStr(v.ToInt64());
    case varSingle:
    case varDouble:
    case varCurrency:
      return FloatToStr(v.ToDouble());
    case varDate: {
      TDateTime d = v.ToDateTime();
      return d == static_cast<double>(static_cast<Int64>(d)) ? DateToStr(d) : DateTimeToStr(d);
    }
    case varString:
    case varOleStr:
      return kvxStrToXML(v.ToString());
    default:
      return "";
  }
}

}  // namespace orv
