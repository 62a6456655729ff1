#include "report/pdf/PdfText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>

#include "platform/rtl/CodePages.h"
#include "report/pdf/PdfSecurity.h"

namespace orv {

namespace {
constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, unsigned char b) {
  out += HexDigits[b >> 4];
  out += HexDigits[b & 15];
}
}  // namespace

void kvxAppendHex4(std::string& out, unsigned value) {
  out += HexDigits[(value >> 12) & 15];
  out += HexDigits[(value >> 8) & 15];
  out += HexDigits[(value >> 4) & 15];
  out += HexDigits[value & 15];
}

String kvxStrToHex(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (char c : s) AppendHexByte(out, static_cast<unsigned char>(c));
  return out;
}

std::string kvxUTF16BEBytes(const WideString& s) {
  std::string out = "\xFE\xFF";
  out.reserve(2 + s.size() * 2);
  for (char16_t unit : s) {
    out += static_cast<char>(unit >> 8);
    out += static_cast<char>(unit & 0xFF);
  }
  return out;
}

String kvxStrToUTF16Hex(const WideString& s) { return kvxStrToHex(kvxUTF16BEBytes(s)); }

String kvxEscapeName(const String& s) {
  std::string out;
  for (char c : s) {
    auto b = static_cast<unsigned char>(c);
    bool delimiter = std::string_view("#/%()<>[]{}").find(c) != std::string_view::npos;
    if (b < 0x21 || b > 0x7E || delimiter) {
      out += '#';
      AppendHexByte(out, b);
    } else {
      out += c;
    }
  }
  return out;
}

std::string kvxEscapeString(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 8);
  for (char c : s) {
    switch (c) {
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

String kvxPrepareText(const String& s, const std::string& key, bool encrypt, int objNumber) {
  WideString wide = Utf8ToWide(s);
  if (!encrypt) return "<" + kvxStrToUTF16Hex(wide) + ">";
  return "(" + kvxCryptString(kvxUTF16BEBytes(wide), key, true, objNumber) + ")";
}

String kvxCreateGUIDString() {
  static std::mt19937_64 generator{std::random_device{}()};
  std::uniform_int_distribution<int> byte(0, 255);
  std::string out = "{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    AppendHexByte(out, static_cast<unsigned char>(byte(generator)));
  }
  return out + "}";
}

void kvxAppendFixed(std::string& out, double value) {
  long long hundredths = static_cast<long long>(std::nearbyint(value * 100.0));
  if (hundredths < 0) {
    out += '-';
    hundredths = -hundredths;
  }
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, hundredths / 100);
  out.append(digits, end);
  int fraction = static_cast<int>(hundredths % 100);
  out += '.';
  out += static_cast<char>('0' + fraction / 10);
  out += static_cast<char>('0' + fraction % 10);
}

String kvxFloatToStrFixed(double value) {
  std::string out;
  kvxAppendFixed(out, value);
  return out;
}

}  // namespace orv
