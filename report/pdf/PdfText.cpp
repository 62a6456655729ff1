#include "report/pdf/PdfText.h"

#include <cmath>
#include <cstdio>
#include <cstring>
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

// The four hex digits of a 16-bit value at p.
void PutHex4(char* p, unsigned value) {
  p[0] = HexDigits[(value >> 12) & 15];
  p[1] = HexDigits[(value >> 8) & 15];
  p[2] = HexDigits[(value >> 4) & 15];
  p[3] = HexDigits[value & 15];
}
}  // namespace

void kvxAppendHex4(std::string& out, unsigned value) {
  char digits[4];
  PutHex4(digits, value);
  out.append(digits, 4);
}

void kvxAppendHex4(std::string& out, std::u16string_view text) {
  const size_t at = out.size();
  out.resize(at + 4 * text.size());
  char* p = out.data() + at;
  for (char16_t unit : text) {
    PutHex4(p, unit);
    p += 4;
  }
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

size_t kvxFormatFixed(double value, char* out) {
  // Hundredths rounded half to even, as nearbyint rounds them; adding and taking away 1.5 x 2^52
  // rounds in the default mode without a library call, for every value a page can hold.
  constexpr double kRound = 6755399441055744.0;
  const double scaled = value * 100.0;
  const double rounded = std::abs(scaled) < 4.0e15 ? (scaled + kRound) - kRound : std::nearbyint(scaled);
  const long long hundredths = static_cast<long long>(rounded);
  unsigned long long rest = hundredths < 0 ? 0ull - static_cast<unsigned long long>(hundredths)
                                           : static_cast<unsigned long long>(hundredths);
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  // The length is known first, so the digits go straight to their places, two at a time, from
  // the right: a page holds tens of thousands of numbers.
  unsigned long long whole = rest / 100;
  size_t digits = 1;
  for (unsigned long long w = whole; w >= 10; w /= 10) ++digits;
  const size_t length = (hundredths < 0 ? 1 : 0) + digits + 3;
  char* p = out + length - 2;
  std::memcpy(p, kPairs + 2 * (rest % 100), 2);
  *--p = '.';
  while (whole >= 100) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * (whole % 100), 2);
    whole /= 100;
  }
  if (whole >= 10) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * whole, 2);
  } else {
    *--p = static_cast<char>('0' + whole);
  }
  if (hundredths < 0) out[0] = '-';
  return length;
}

void kvxAppendFixed(std::string& out, double value) {
  char text[kvxFixedMaxLength];
  out.append(text, kvxFormatFixed(value, text));
}

String kvxFloatToStrFixed(double value) {
  std::string out;
  kvxAppendFixed(out, value);
  return out;
}

}  // namespace orv
