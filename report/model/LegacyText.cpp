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

String kvxFileText(std::string_view s) {
  if (IsValidUtf8(s)) return String(s);
  return CodePageToUtf8(std::string(s), 874);
}

WideString kvxUtf8ToWide(std::string_view s) { return Utf8ToWide(s); }

void kvxAppendUtf8ToWide(WideString& out, std::string_view s) { AppendUtf8ToWide(out, s); }

String kvxWideToUtf8(const WideString& s) { return WideToUtf8(s); }

}  // namespace orv
