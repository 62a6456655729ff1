#include "report/model/LegacyText.h"

#include <array>
#include <unordered_map>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

constexpr char32_t kUndefined874 = 0xF700;

// The characters of the bytes 0x80 to 0xFF, and the way back.
struct TThaiTable {
  std::array<char32_t, 128> chars{};
  std::unordered_map<char32_t, char> bytes;
  TThaiTable() {
    for (int b = 0x80; b <= 0xFF; ++b) {
      String text = CodePageToUtf8(std::string(1, static_cast<char>(b)), 874);
      size_t pos = 0;
      char32_t c = NextCodePoint(text, pos);
      if (c == 0xFFFD || pos != text.size()) c = kUndefined874 + static_cast<char32_t>(b);
      chars[b - 0x80] = c;
      bytes.emplace(c, static_cast<char>(b));
    }
  }
};

const TThaiTable& ThaiTable() {
  static const TThaiTable table;
  return table;
}

}  // namespace

String kvx874ToUtf8(std::string_view bytes) {
  const TThaiTable& table = ThaiTable();
  String out;
  out.reserve(bytes.size() * 3);
  for (char b : bytes) {
    auto u = static_cast<unsigned char>(b);
    if (u < 0x80) out += b;
    else AppendCodePoint(out, table.chars[u - 0x80]);
  }
  return out;
}

bool kvxUtf8To874(std::string_view text, std::string& bytes) {
  const TThaiTable& table = ThaiTable();
  bytes.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t c = NextCodePoint(text, pos);
    if (c < 0x80) {
      bytes += static_cast<char>(c);
      continue;
    }
    auto found = table.bytes.find(c);
    if (found == table.bytes.end()) return false;
    bytes += found->second;
  }
  return true;
}

namespace {

// The length of the well-formed UTF-8 sequence at s[pos] of a character that text in UTF-8
// beside bytes of code page 874 is likely to hold, 0 for any other. Bytes of code page 874 often
// happen to form UTF-8 too: a consonant after a leading vowel or another consonant ("แขก",
// "ไกด์", "ยก") makes a character of U+0080 to U+FFFF. Only Thai letters (U+0E01 to U+0E5B,
// whose sequences 874 text makes only of "เธ" or "เน" and a byte that seldom follows them) and
// general punctuation (U+2000 to U+206F, "โ" and a byte that is a sign or undefined) are
// taken as UTF-8.
size_t Utf8Sequence(std::string_view s, size_t pos) {
  if (pos + 3 > s.size()) return 0;
  const auto b0 = static_cast<unsigned char>(s[pos]), b1 = static_cast<unsigned char>(s[pos + 1]),
             b2 = static_cast<unsigned char>(s[pos + 2]);
  if ((b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) return 0;
  const char32_t c = (static_cast<char32_t>(b0 & 0x0F) << 12) | (static_cast<char32_t>(b1 & 0x3F) << 6) | (b2 & 0x3F);
  if ((b0 & 0xF0) != 0xE0) return 0;
  return (c >= 0x0E01 && c <= 0x0E5B) || (c >= 0x2000 && c <= 0x206F) ? 3 : 0;
}

}  // namespace

String kvxFileText(std::string_view s) {
  if (IsValidUtf8(s)) return String(s);
  const TThaiTable& table = ThaiTable();
  String out;
  out.reserve(s.size() * 3);
  for (size_t pos = 0; pos < s.size();) {
    const auto b = static_cast<unsigned char>(s[pos]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++pos;
    } else if (size_t n = Utf8Sequence(s, pos)) {
      out.append(s.substr(pos, n));
      pos += n;
    } else {
      AppendCodePoint(out, table.chars[b - 0x80]);
      ++pos;
    }
  }
  return out;
}

WideString kvxUtf8ToWide(std::string_view s) { return Utf8ToWide(s); }

void kvxAppendUtf8ToWide(WideString& out, std::string_view s) { AppendUtf8ToWide(out, s); }

String kvxWideToUtf8(const WideString& s) { return WideToUtf8(s); }

}  // namespace orv
