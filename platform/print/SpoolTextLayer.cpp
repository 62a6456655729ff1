#include "platform/print/SpoolTextLayer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orv {

namespace {

// Thai fonts made for Windows encode the positioned forms of the upper and lower marks, and the
// letters without their tails, at U+F700-U+F71A. The PDF spool names a glyph by the first code
// its font maps to it, so an unmoved mark reads right and a lowered one reads as a private
// character that text extraction drops.
constexpr unsigned kThaiForms[] = {
    0x0E10,                                  // F700 THO THAN without its tail
    0x0E34, 0x0E35, 0x0E36, 0x0E37,          // F701-F704 upper vowels shifted left
    0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C,  // F705-F709 tone marks low and left
    0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C,  // F70A-F70E tone marks low
    0x0E0D,                                  // F70F YO YING without its tail
    0x0E31, 0x0E4D, 0x0E47,                  // F710-F712 shifted left
    0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C,  // F713-F717 tone marks shifted left
    0x0E38, 0x0E39, 0x0E3A,                  // F718-F71A lower vowels lowered
};

// Anything larger is not a spool this program wrote.
constexpr size_t kMaxContentBytes = size_t{1} << 30;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The UTF-16 units of a hex string's digits; empty when they are not whole units.
std::u16string HexUnits(const std::string& s, size_t from, size_t to) {
  std::u16string units;
  if ((to - from) % 4 != 0) return {};
  for (size_t u = from; u + 4 <= to; u += 4) {
    unsigned code = 0;
    for (size_t k = 0; k < 4; ++k) {
      int v = HexValue(s[u + k]);
      if (v < 0) return {};
      code = code * 16 + static_cast<unsigned>(v);
    }
    units += static_cast<char16_t>(code);
  }
  return units;
}

unsigned HexNumber(const std::string& s, size_t from, size_t to) {
  unsigned n = 0;
  for (size_t k = from; k < to; ++k) {
    int v = HexValue(s[k]);
    if (v < 0) return 0;
    n = n * 16 + static_cast<unsigned>(v);
  }
  return n;
}

// The letters a Latin ligature glyph stands for; empty for any other character.
std::u16string LigatureLetters(char16_t c) {
  switch (c) {
    case 0xFB00: return u"ff";
    case 0xFB01: return u"fi";
    case 0xFB02: return u"fl";
    case 0xFB03: return u"ffi";
    case 0xFB04: return u"ffl";
    case 0xFB05:
    case 0xFB06: return u"st";
    default: return {};
  }
}

std::string HexOf(const std::u16string& text) {
  std::string hex;
  char unit[5];
  for (char16_t c : text) {
    std::snprintf(unit, sizeof unit, "%04X", static_cast<unsigned>(c));
    hex += unit;
  }
  return hex;
}

// A destination that must be written longer than it stands: the hex digits at Begin, Length of
// them, and the digits to put there.
struct TLongerDestination {
  size_t Begin, Length;
  std::string Hex;
};

// Rewrites the UTF-16 units of the destination hex string <...> at text[at] and returns them.
// A ligature's letters do not fit in its place: they are left in longer.
std::u16string MendDestination(std::string& text, size_t at, size_t end, std::vector<TLongerDestination>& longer) {
  size_t close = text.find('>', at);
  if (close == std::string::npos || close > end) return {};
  std::u16string units = HexUnits(text, at + 1, close);
  for (size_t i = 0; i < units.size(); ++i) {
    unsigned base = ThaiPresentationBase(units[i]);
    if (base == units[i]) continue;
    units[i] = static_cast<char16_t>(base);
    char hex[5];
    std::snprintf(hex, sizeof hex, "%04X", base);
    text.replace(at + 1 + 4 * i, 4, hex, 4);
  }
  if (units.size() == 1) {
    std::u16string letters = LigatureLetters(units[0]);
    if (!letters.empty()) {
      longer.push_back({at + 1, close - at - 1, HexOf(letters)});
      units = letters;
    }
  }
  return units;
}

size_t SkipBlanks(const std::string& s, size_t at, size_t end) {
  while (at < end && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
  return at;
}

size_t SkipHex(const std::string& s, size_t at, size_t end) {
  if (at >= end || s[at] != '<') return std::string::npos;
  size_t close = s.find('>', at);
  return close == std::string::npos || close >= end ? std::string::npos : close + 1;
}

using TGlyphText = std::map<unsigned, std::u16string>;

// One CMap program between begin and end: mends the destinations of its bfchar and bfrange
// entries and gathers what each glyph reads as.
void MendCMap(std::string& s, size_t begin, size_t end, TGlyphText& glyphs, std::vector<TLongerDestination>& longer) {
  size_t at = begin;
  while (true) {
    size_t chars = s.find("beginbfchar", at);
    size_t ranges = s.find("beginbfrange", at);
    if (chars >= end && ranges >= end) return;
    bool isRange = ranges < chars;
    at = isRange ? ranges + 12 : chars + 11;
    size_t stop = s.find(isRange ? "endbfrange" : "endbfchar", at);
    if (stop == std::string::npos || stop > end) return;
    while (true) {
      at = SkipBlanks(s, at, stop);
      size_t lo = at;
      if ((at = SkipHex(s, at, stop)) == std::string::npos) break;
      size_t loEnd = at;
      size_t hi = lo, hiEnd = loEnd;
      if (isRange) {
        hi = at = SkipBlanks(s, at, stop);
        if ((at = SkipHex(s, at, stop)) == std::string::npos) break;
        hiEnd = at;
      }
      unsigned first = HexNumber(s, lo + 1, loEnd - 1), last = HexNumber(s, hi + 1, hiEnd - 1);
      at = SkipBlanks(s, at, stop);
      if (at >= stop) break;
      if (s[at] == '[') {
        size_t close = s.find(']', at);
        if (close == std::string::npos || close > stop) break;
        unsigned glyph = first;
        for (size_t k = at; k < close; ++k)
          if (s[k] == '<') glyphs[glyph++] = MendDestination(s, k, close, longer);
        at = close + 1;
      } else if (s[at] == '<') {
        // A range onto one start code counts up from it: mended only when it is one glyph,
        // since the forms do not run in the order of their letters.
        if (first == last) {
          glyphs[first] = MendDestination(s, at, stop, longer);
        } else {
          size_t close = s.find('>', at);
          std::u16string base = close == std::string::npos ? u"" : HexUnits(s, at + 1, close);
          for (unsigned g = first; g <= last && !base.empty() && last - first < 65536; ++g) {
            glyphs[g] = base;
            ++base.back();
          }
        }
        if ((at = SkipHex(s, at, stop)) == std::string::npos) break;
      } else {
        break;
      }
    }
    at = stop;
  }
}

// The order Thai writes the marks of one letter in: vowels above and below, then tone marks,
// then the other upper signs.
int MarkRank(char16_t c) {
  if (c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || c == 0x0E47) return 1;
  if (c >= 0x0E48 && c <= 0x0E4B) return 2;
  if (c >= 0x0E4C && c <= 0x0E4E) return 3;
  return 0;
}

// One glyph shown with "x y Td <gid> Tj", as the spool writes every glyph: its bytes in the
// content and what it reads as.
struct TShownGlyph {
  size_t Begin, End;
  std::u16string Text;
};

std::string Utf16Hex(const std::u16string& text) { return "FEFF" + HexOf(text); }

enum TTokenKind { tkName, tkNumber, tkHex, tkOperator, tkOther };

// One token of a content stream, by its place in the content.
struct TToken {
  TTokenKind Kind = tkOther;
  size_t Begin = 0, End = 0;
};

// What each byte is to the content's syntax: a blank, a delimiter or part of a token. A table,
// since every byte of every page is asked.
enum TByteClass : unsigned char { bcRegular, bcBlank, bcDelimiter };

constexpr auto kByteClasses = [] {
  std::array<TByteClass, 256> classes{};
  for (unsigned char c : {' ', '\t', '\n', '\r', '\f', '\v', '\0'}) classes[c] = bcBlank;
  for (unsigned char c : {'/', '<', '>', '(', ')', '[', ']', '{', '}', '%'}) classes[c] = bcDelimiter;
  return classes;
}();

bool IsDelimiter(char c) { return kByteClasses[static_cast<unsigned char>(c)] == bcDelimiter; }

bool IsBlank(char c) { return kByteClasses[static_cast<unsigned char>(c)] == bcBlank; }

// Reads the token at or after at into t and moves at past it; False at the end of the content.
// Each byte is looked at a bounded number of times, so a page of any size is read in one walk.
bool NextToken(const std::string& s, size_t& at, TToken& t) {
  const size_t n = s.size();
  while (at < n) {
    if (IsBlank(s[at])) {
      ++at;
    } else if (s[at] == '%') {
      while (at < n && s[at] != '\n' && s[at] != '\r') ++at;
    } else {
      break;
    }
  }
  if (at >= n) return false;
  t.Begin = at;
  const char c = s[at];
  if (c == '/') {
    t.Kind = tkName;
    ++at;
    while (at < n && !IsBlank(s[at]) && !IsDelimiter(s[at])) ++at;
  } else if (c == '<' && at + 1 < n && s[at + 1] == '<') {
    t.Kind = tkOther;
    at += 2;
  } else if (c == '<') {
    size_t close = s.find('>', at);
    size_t end = close == std::string::npos ? n : close + 1;
    bool hex = close != std::string::npos && close > at + 1;
    for (size_t k = at + 1; hex && k < close; ++k) hex = HexValue(s[k]) >= 0;
    t.Kind = hex ? tkHex : tkOther;
    at = end;
  } else if (c == '(') {
    // A literal string: balanced parentheses, a backslash taking the next byte.
    int depth = 0;
    for (; at < n; ++at) {
      if (s[at] == '\\') {
        ++at;
      } else if (s[at] == '(') {
        ++depth;
      } else if (s[at] == ')' && --depth == 0) {
        ++at;
        break;
      }
    }
    t.Kind = tkOther;
    at = std::min(at, n);
  } else if (IsDelimiter(c)) {
    t.Kind = tkOther;
    at += c == '>' && at + 1 < n && s[at + 1] == '>' ? 2 : 1;
  } else if (c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9')) {
    t.Kind = tkNumber;
    while (at < n && (s[at] == '-' || s[at] == '+' || s[at] == '.' || (s[at] >= '0' && s[at] <= '9'))) ++at;
  } else {
    t.Kind = tkOperator;
    while (at < n && !IsBlank(s[at]) && !IsDelimiter(s[at])) ++at;
  }
  t.End = at;
  return true;
}

bool IsOperator(const std::string& s, const TToken& t, std::string_view name) {
  return t.Kind == tkOperator && t.End - t.Begin == name.size() && s.compare(t.Begin, name.size(), name) == 0;
}

// A run of marks, with the SARA AA or SARA AM that may close it, in the one order its glyphs
// tell: by rank, and a nikhahit with its SARA AA as the SARA AM it is drawn for.
std::u16string GlyphOrder(std::u16string cluster) {
  const char16_t last = cluster.empty() ? 0 : cluster.back();
  if (last == 0x0E32 || last == 0x0E33) cluster.pop_back();
  std::stable_sort(cluster.begin(), cluster.end(), [](char16_t a, char16_t b) { return MarkRank(a) < MarkRank(b); });
  const size_t nikhahit = cluster.find(u'\u0E4D');
  if (last == 0x0E32 && nikhahit != std::u16string::npos) {
    cluster.erase(nikhahit, 1);
    cluster += u'\u0E33';
  } else if (last == 0x0E32 || last == 0x0E33) {
    cluster += last;
  }
  return cluster;
}

// A cluster that two stored orders draw with the same glyphs ("\u0E4D\u0E49\u0E32" and
// "\u0E49\u0E33" alike), as written and in its glyphs' order.
struct TWrittenCluster {
  std::u16string Written, Drawn;
};

// The clusters of the texts, in order, that close with SARA AM or with SARA AA after a nikhahit.
std::vector<TWrittenCluster> AmClusters(const std::vector<WideString>& texts) {
  std::vector<TWrittenCluster> clusters;
  for (const WideString& text : texts) {
    for (size_t i = 0; i < text.size();) {
      size_t j = i;
      while (j < text.size() && MarkRank(text[j]) > 0) ++j;
      const bool am = j < text.size() && (text[j] == 0x0E33 ||
                                           (text[j] == 0x0E32 && text.find(u'\u0E4D', i) < j));
      if (am) {
        std::u16string cluster = text.substr(i, j + 1 - i);
        clusters.push_back({cluster, GlyphOrder(cluster)});
      }
      i = am ? j + 1 : std::max(j, i + 1);
    }
  }
  return clusters;
}

// How far ahead of the next written cluster one drawn is looked for: a text drawn without its
// SARA AM taken apart leaves one of them unmatched.
constexpr size_t kClusterLookAhead = 8;

// Wraps each run of marks the font draws out of their written order (a lowered tone mark
// before the lower vowel, the nikhahit of SARA AM before the tone) in a span whose actual text
// is the marks as written, so that text taken from the page reads as typed: as the texts drawn
// wrote them (written, from next on), where two orders draw alike. The drawing operators stay as
// they are. The content is read token by token, once.
std::string MarkClusters(const std::string& content, const std::map<std::string, const TGlyphText*>& fonts,
                         const std::vector<TWrittenCluster>& written, size_t& next) {
  std::vector<std::vector<TShownGlyph>> runs(1);
  const TGlyphText* font = nullptr;
  size_t lastEnd = 0;
  // The four tokens before the one read, the last of them in back[3].
  TToken back[4];
  TToken t;
  for (size_t at = 0; NextToken(content, at, t); back[0] = back[1], back[1] = back[2], back[2] = back[3], back[3] = t) {
    if (IsOperator(content, t, "Tf")) {
      // "/name size Tf" chooses the font of the glyphs that follow.
      if (back[2].Kind != tkName || back[3].Kind != tkNumber || back[2].End - back[2].Begin < 2) continue;
      auto found = fonts.find(content.substr(back[2].Begin + 1, back[2].End - back[2].Begin - 1));
      font = found == fonts.end() ? nullptr : found->second;
      runs.emplace_back();
      continue;
    }
    if (!IsOperator(content, t, "Tj") || back[3].Kind != tkHex) continue;
    // "x y Td <gid> Tj": the move belongs to the glyph it places.
    size_t begin = back[3].Begin;
    if (IsOperator(content, back[2], "Td") && back[1].Kind == tkNumber && back[0].Kind == tkNumber)
      begin = back[0].Begin;
    // Glyphs belong to one run while nothing but blanks stands between them.
    bool adjacent = !runs.back().empty() && std::all_of(content.begin() + static_cast<std::ptrdiff_t>(lastEnd),
                                                        content.begin() + static_cast<std::ptrdiff_t>(begin), IsBlank);
    if (!adjacent) runs.emplace_back();
    std::u16string text;
    if (font) {
      auto found = font->find(HexNumber(content, back[3].Begin + 1, back[3].End - 1));
      if (found != font->end()) text = found->second;
    }
    runs.back().push_back({begin, t.End, text});
    lastEnd = t.End;
  }

  std::string out;
  size_t copied = 0;
  for (const auto& run : runs) {
    for (size_t i = 0; i < run.size();) {
      auto isMark = [&](size_t k) { return k < run.size() && run[k].Text.size() == 1 && MarkRank(run[k].Text[0]) > 0; };
      if (!isMark(i)) {
        ++i;
        continue;
      }
      size_t j = i;
      std::u16string drawn;
      while (isMark(j)) drawn += run[j++].Text;
      // The nikhahit drawn apart from its SARA AA is the one SARA AM, or was written before a
      // SARA AA: the texts drawn tell which.
      const bool am = drawn.find(u'\u0E4D') != std::u16string::npos && j < run.size() && run[j].Text == u"\u0E32";
      if (am) drawn += run[j++].Text;
      std::u16string order = GlyphOrder(drawn);
      if (am) {
        for (size_t k = next; k < written.size() && k < next + kClusterLookAhead; ++k)
          if (written[k].Drawn == order) {
            order = written[k].Written;
            next = k + 1;
            break;
          }
      }
      if (order != drawn) {
        out.append(content, copied, run[i].Begin - copied);
        out += "/Span<</ActualText<" + Utf16Hex(order) + ">>>BDC\n";
        out.append(content, run[i].Begin, run[j - 1].End - run[i].Begin);
        out += "\nEMC";
        copied = run[j - 1].End;
      }
      i = j;
    }
  }
  if (copied == 0) return content;
  out.append(content, copied, std::string::npos);
  return out;
}

bool Inflate(const std::string& data, std::string& out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  char buffer[65536];
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
    if (out.size() > kMaxContentBytes) status = Z_MEM_ERROR;
  }
  inflateEnd(&z);
  return status == Z_STREAM_END;
}

// The spool goes no further than the print server on this machine: deflated for speed, not
// for the last byte.
std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                static_cast<uLong>(data.size()), Z_BEST_SPEED) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

// Where each object begins ("n 0 obj" at the start of a line), found in one walk of the file.
// The first place counts, as a search from the start would find it.
class TObjectPlaces {
 public:
  explicit TObjectPlaces(const std::string& pdf) {
    for (size_t at = pdf.find('\n'); at != std::string::npos; at = pdf.find('\n', at + 1)) {
      size_t k = at + 1;
      unsigned long n = 0;
      while (k < pdf.size() && k < at + 11 && pdf[k] >= '0' && pdf[k] <= '9') n = n * 10 + static_cast<unsigned long>(pdf[k++] - '0');
      if (k > at + 1 && pdf.compare(k, 6, " 0 obj") == 0) places_.emplace(n, at + 1);
    }
  }

  // Where object number n begins, npos when the file has none.
  size_t Find(unsigned long n) const {
    auto found = places_.find(n);
    return found == places_.end() ? std::string::npos : found->second;
  }

 private:
  std::unordered_map<unsigned long, size_t> places_;
};

// The stream data of object n and whether it is deflated; False when it is no stream.
bool StreamOf(const std::string& pdf, const TObjectPlaces& places, unsigned long n, std::string& data, bool& deflated) {
  size_t start = places.Find(n);
  if (start == std::string::npos) return false;
  size_t stream = pdf.find("stream", start);
  size_t endobj = pdf.find("endobj", start);
  if (stream == std::string::npos || stream > endobj) return false;
  std::string dict = pdf.substr(start, stream - start);
  deflated = dict.find("/FlateDecode") != std::string::npos;
  size_t begin = stream + 6;
  if (pdf.compare(begin, 2, "\r\n") == 0) begin += 2;
  else if (pdf[begin] == '\n') begin += 1;
  size_t key = dict.find("/Length");
  if (key == std::string::npos) return false;
  unsigned long length = 0;
  int indirect = 0;
  if (std::sscanf(dict.c_str() + key + 7, " %lu 0 R%n", &length, &indirect) < 1) return false;
  if (indirect > 0) {
    // The length written after the data, as an object of its own.
    size_t obj = places.Find(length);
    if (obj == std::string::npos || std::sscanf(pdf.c_str() + obj, "%*u 0 obj %lu", &length) != 1) return false;
  }
  if (begin + length > pdf.size()) return false;
  data = pdf.substr(begin, length);
  return true;
}

}  // namespace

unsigned ThaiPresentationBase(unsigned code) {
  if (code < 0xF700 || code >= 0xF700 + std::size(kThaiForms)) return code;
  return kThaiForms[code - 0xF700];
}

bool MendSpoolTextLayer(const String& path, const std::vector<WideString>& written) {
  std::string pdf;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    pdf.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
  }
  const std::string original = pdf;

  // Each font's map is a stream the font names with /ToUnicode; only maps written plain are
  // mended, and every change in place keeps the length, so the file's cross references stay
  // true. A map that names a ligature by its one presentation character ("ﬀ" for "ff") is
  // written again, longer, in the update at the end.
  std::map<unsigned long, TGlyphText> maps;
  std::map<unsigned long, unsigned long> fontMaps;
  std::map<unsigned long, std::string> updated;
  const TObjectPlaces places(pdf);
  for (size_t at = pdf.find("/ToUnicode"); at != std::string::npos; at = pdf.find("/ToUnicode", at + 1)) {
    unsigned long object = 0;
    if (std::sscanf(pdf.c_str() + at + 10, " %lu 0 R", &object) != 1) continue;
    size_t owner = pdf.rfind(" 0 obj", at);
    size_t ownerLine = owner == std::string::npos ? owner : pdf.rfind('\n', owner);
    if (ownerLine != std::string::npos) fontMaps[std::strtoul(pdf.c_str() + ownerLine + 1, nullptr, 10)] = object;
    size_t start = places.Find(object);
    if (start == std::string::npos || maps.count(object)) continue;
    size_t stream = pdf.find("stream", start);
    size_t dictEnd = pdf.find(">>", start);
    if (stream == std::string::npos || dictEnd == std::string::npos || dictEnd > stream) continue;
    if (pdf.substr(start, stream - start).find("/Filter") != std::string::npos) continue;
    size_t end = pdf.find("endstream", stream);
    if (end == std::string::npos) continue;
    std::vector<TLongerDestination> longer;
    MendCMap(pdf, stream + 6, end, maps[object], longer);
    if (longer.empty()) continue;
    size_t begin = stream + 6;
    if (pdf.compare(begin, 2, "\r\n") == 0) begin += 2;
    else if (pdf[begin] == '\n') begin += 1;
    std::string program;
    size_t copied = begin;
    for (const TLongerDestination& d : longer) {
      program.append(pdf, copied, d.Begin - copied);
      program += d.Hex;
      copied = d.Begin + d.Length;
    }
    program.append(pdf, copied, end - copied);
    updated[object] = Deflate(program);
  }

  // Font resource names (the spool names each font once for the whole file) and their maps.
  std::map<std::string, const TGlyphText*> fonts;
  for (size_t at = pdf.find("/Font"); at != std::string::npos; at = pdf.find("/Font", at + 1)) {
    size_t open = pdf.find_first_not_of(" \r\n", at + 5);
    if (open == std::string::npos || pdf.compare(open, 2, "<<") != 0) continue;
    size_t close = pdf.find(">>", open);
    if (close == std::string::npos) continue;
    // Entries "/name n 0 R".
    std::string dict = pdf.substr(open + 2, close - open - 2);
    TToken back[3], t;
    for (size_t k = 0; NextToken(dict, k, t); back[0] = back[1], back[1] = back[2], back[2] = t) {
      if (!IsOperator(dict, t, "R") || back[0].Kind != tkName || back[1].Kind != tkNumber ||
          back[2].Kind != tkNumber || back[0].End - back[0].Begin < 2)
        continue;
      auto map = fontMaps.find(std::strtoul(dict.c_str() + back[1].Begin, nullptr, 10));
      if (map != fontMaps.end()) fonts[dict.substr(back[0].Begin + 1, back[0].End - back[0].Begin - 1)] = &maps[map->second];
    }
  }

  // Page contents that need spans are written again as an update at the end of the file.
  if (!fonts.empty()) {
    // Pages come in the order they were drawn, and so do their texts.
    const std::vector<TWrittenCluster> clusters = AmClusters(written);
    size_t next = 0;
    for (size_t at = pdf.find("/Contents"); at != std::string::npos; at = pdf.find("/Contents", at + 1)) {
      unsigned long object = 0;
      if (std::sscanf(pdf.c_str() + at + 9, " %lu 0 R", &object) != 1 || updated.count(object)) continue;
      std::string data, content;
      bool deflated = false;
      if (!StreamOf(pdf, places, object, data, deflated)) continue;
      if (deflated ? !Inflate(data, content) : (content = data, false)) continue;
      std::string marked = MarkClusters(content, fonts, clusters, next);
      if (marked != content) updated[object] = Deflate(marked);
    }
  }
  if (pdf == original && updated.empty()) return true;

  if (!updated.empty()) {
    size_t startxref = pdf.rfind("startxref");
    size_t trailer = pdf.rfind("trailer");
    unsigned long previous = 0;
    if (startxref == std::string::npos || trailer == std::string::npos ||
        std::sscanf(pdf.c_str() + startxref + 9, " %lu", &previous) != 1)
      return false;
    std::string dict = pdf.substr(trailer, startxref - trailer);
    auto entry = [&](const char* key) {
      size_t k = dict.find(key);
      if (k == std::string::npos) return std::string();
      size_t e = dict.find_first_of("/>", k + 1);
      return dict.substr(k, e - k);
    };
    std::string size = entry("/Size"), root = entry("/Root"), info = entry("/Info");
    if (size.empty() || root.empty()) return false;
    if (pdf.back() != '\n') pdf += '\n';
    std::map<unsigned long, size_t> offsets;
    for (const auto& [object, stream] : updated) {
      if (stream.empty()) return false;
      offsets[object] = pdf.size();
      pdf += std::to_string(object) + " 0 obj\n<<\n/Length " + std::to_string(stream.size()) +
             "\n/Filter /FlateDecode\n>>\nstream\n" + stream + "\nendstream\nendobj\n";
    }
    size_t xref = pdf.size();
    pdf += "xref\n";
    for (const auto& [object, offset] : offsets) {
      char line[32];
      std::snprintf(line, sizeof line, "%010lu 00000 n \n", static_cast<unsigned long>(offset));
      pdf += std::to_string(object) + " 1\n" + line;
    }
    pdf += "trailer\n<<\n" + size + "\n" + root + "\n" + (info.empty() ? "" : info + "\n") +
           "/Prev " + std::to_string(previous) + "\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(pdf.data(), static_cast<std::streamsize>(pdf.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace orv
