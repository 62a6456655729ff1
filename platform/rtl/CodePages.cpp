#include "platform/rtl/CodePages.h"

#include <cerrno>
#include <iconv.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

constexpr TCharsetInfo kCharsets[] = {
    {ANSI_CHARSET, 1252},        {THAI_CHARSET, 874},        {EASTEUROPE_CHARSET, 1250},
    {RUSSIAN_CHARSET, 1251},     {GREEK_CHARSET, 1253},      {TURKISH_CHARSET, 1254},
    {HEBREW_CHARSET, 1255},      {ARABIC_CHARSET, 1256},     {BALTIC_CHARSET, 1257},
    {VIETNAMESE_CHARSET, 1258},  {SHIFTJIS_CHARSET, 932},    {GB2312_CHARSET, 936},
    {HANGEUL_CHARSET, 949},      {CHINESEBIG5_CHARSET, 950}, {JOHAB_CHARSET, 1361},
    {SYMBOL_CHARSET, 42},
};

int ResolveCodePage(int codePage) {
  if (codePage == CP_ACP) return GetACP();
  if (codePage == CP_OEMCP) return GetOEMCP();
  return codePage;
}

// The iconv name of a code page; empty for one the system cannot convert.
std::string IconvName(int codePage) {
  switch (codePage) {
    case CP_UTF8: return "UTF-8";
    case CP_UTF16LE: return "UTF-16LE";
    case CP_UTF16BE: return "UTF-16BE";
    case 874: case 932: case 936: case 949: case 950: case 1361:
    case 1250: case 1251: case 1252: case 1253: case 1254: case 1255: case 1256: case 1257: case 1258:
      return "CP" + std::to_string(codePage);
    default: return std::string();
  }
}

// An iconv descriptor closed on scope exit.
class TIconv {
 public:
  TIconv(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw EConvertError("No conversion from " + from + " to " + to);
  }
  ~TIconv() { iconv_close(cd_); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  // Converts in; on a sequence the target cannot take or the source does not define, calls
  // onError(bytesLeft) which appends a substitute to out and returns how many input bytes to skip.
  template <typename OnError>
  std::string Convert(const std::string& in, OnError onError) {
    std::string out;
    char buffer[4096];
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    while (left > 0) {
      char* dst = buffer;
      size_t room = sizeof buffer;
      const size_t r = iconv(cd_, &src, &left, &dst, &room);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (r != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      const size_t skip = std::min(left, onError(out, src, left));
      src += skip;
      left -= skip;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush a stateful encoding's closing shift.
    char* dst = buffer;
    size_t room = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &dst, &room);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

int GetACP() { return 874; }
int GetOEMCP() { return 874; }
Byte DefaultSystemCharset() { return THAI_CHARSET; }

bool TranslateCharsetInfo(Byte charset, TCharsetInfo& info) {
  for (const TCharsetInfo& row : kCharsets) {
    if (row.Charset == charset) {
      info = row;
      return true;
    }
  }
  return false;
}

int CharsetToCodePage(Byte charset) {
  if (charset == DEFAULT_CHARSET) return GetACP();
  if (charset == OEM_CHARSET) return GetOEMCP();
  TCharsetInfo info;
  return TranslateCharsetInfo(charset, info) ? info.CodePage : GetACP();
}

bool CodePageToCharset(int codePage, Byte& charset) {
  for (const TCharsetInfo& row : kCharsets) {
    if (row.CodePage == codePage) {
      charset = row.Charset;
      return true;
    }
  }
  return false;
}

// Both conversions write into a buffer sized for the longest result and trim it once: they run
// for every memo text of every printed row, where growing the string unit by unit showed.
WideString Utf8ToWide(std::string_view s) {
  WideString out;
  AppendUtf8ToWide(out, s);
  return out;
}

void AppendUtf8ToWide(WideString& out, std::string_view s) {
  // A code unit of UTF-16 never takes fewer bytes of UTF-8 than it stands for.
  const size_t base = out.size();
  out.resize(base + s.size());
  char16_t* to = out.data() + base;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  size_t pos = 0;
  while (pos < s.size()) {
    const unsigned char c = p[pos];
    if (c < 0x80) {
      *to++ = c;
      ++pos;
      continue;
    }
    // Thai letters, U+0E00 to U+0E7F, are E0 B8 xx and E0 B9 xx: well formed by one test.
    if (c == 0xE0 && s.size() - pos >= 3 && (p[pos + 1] & 0xFE) == 0xB8 && (p[pos + 2] & 0xC0) == 0x80) {
      *to++ = static_cast<char16_t>(((p[pos + 1] & 0x3Fu) << 6) | (p[pos + 2] & 0x3Fu));
      pos += 3;
      continue;
    }
    // Other letters of three bytes are read here too, anything else by the checking reader.
    if ((c & 0xF0) == 0xE0 && pos + 2 < s.size()) {
      const unsigned char b1 = static_cast<unsigned char>(s[pos + 1]), b2 = static_cast<unsigned char>(s[pos + 2]);
      const char32_t three = (char32_t{c & 0x0Fu} << 12) | (char32_t{b1 & 0x3Fu} << 6) | (b2 & 0x3Fu);
      if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80 && three >= 0x800 && (three < 0xD800 || three > 0xDFFF)) {
        *to++ = static_cast<char16_t>(three);
        pos += 3;
        continue;
      }
    }
    const char32_t cp = NextCodePoint(s, pos);
    if (cp >= 0x10000) {
      *to++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      *to++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      *to++ = static_cast<char16_t>(cp);
    }
  }
  out.resize(static_cast<size_t>(to - out.data()));
}

String WideToUtf8(const WideString& s) {
  // Three bytes at most for a unit; a surrogate pair takes four for two.
  String out(s.size() * 3, '\0');
  char* to = out.data();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] < 0x80) {
      *to++ = static_cast<char>(s[i]);
      continue;
    }
    to = PutUtf8(s, i, to);
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return out;
}

String CodePageToUtf8(const std::string& bytes, int codePage) {
  codePage = ResolveCodePage(codePage);
  if (codePage == CP_UTF8) {
    String out;
    size_t pos = 0;
    while (pos < bytes.size()) AppendCodePoint(out, NextCodePoint(bytes, pos));
    return out;
  }
  const std::string name = IconvName(codePage);
  if (name.empty()) throw EConvertError("No mapping for code page " + std::to_string(codePage));
  TIconv cv("UTF-8", name);
  return cv.Convert(bytes, [&](std::string& out, const char*, size_t) -> size_t {
    // An undefined byte (or an incomplete sequence at the end) becomes U+FFFD.
    AppendCodePoint(out, 0xFFFD);
    return codePage == CP_UTF16LE || codePage == CP_UTF16BE ? 2 : 1;
  });
}

std::string Utf8ToCodePage(const String& s, int codePage) {
  codePage = ResolveCodePage(codePage);
  if (codePage == CP_UTF8) return CodePageToUtf8(s, CP_UTF8);
  const std::string name = IconvName(codePage);
  if (name.empty()) throw EConvertError("No mapping for code page " + std::to_string(codePage));
  TIconv cv(name, "UTF-8");
  return cv.Convert(s, [&](std::string& out, const char* at, size_t left) -> size_t {
    // A character the code page cannot hold (or a damaged UTF-8 sequence) becomes '?'.
    out += codePage == CP_UTF16LE ? std::string("?\0", 2)
           : codePage == CP_UTF16BE ? std::string("\0?", 2) : std::string("?");
    size_t pos = 0;
    NextCodePoint(std::string_view(at, left), pos);
    return pos;
  });
}

String DecodeText(const std::string& bytes) {
  if (IsValidUtf8(bytes)) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
    return bytes;
  }
  return CodePageToUtf8(bytes, 874);
}

}  // namespace orv
