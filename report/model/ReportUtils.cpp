#include "report/model/ReportUtils.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/rtl/Collection.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/KvxComponent.h"
#include "report/model/LegacyText.h"
#include "report/model/Report.h"
#include "report/model/XmlSerializer.h"

namespace orv {

TkvxRectArea::TkvxRectArea(TkvxComponent* view)
    : X(view->AbsLeft()),
      Y(view->AbsTop()),
      X1(view->AbsLeft() + view->Width()),
      Y1(view->AbsTop() + view->Height()) {}

bool TkvxRectArea::IntersectsX(const TkvxRectArea& o) const {
  return std::min(X1, o.X1) - std::max(X, o.X) > 1e-4;
}

bool TkvxRectArea::IntersectsY(const TkvxRectArea& o) const {
  return std::min(Y1, o.Y1) - std::max(Y, o.Y) > 1e-4;
}

std::unique_ptr<TkvxRectArea> TkvxRectArea::IntersectX(const TkvxRectArea& o) const {
  if (!IntersectsX(o)) return nullptr;
  return std::make_unique<TkvxRectArea>(std::max(X, o.X), 0, std::min(X1, o.X1), 0);
}

Cardinal kvxStreamCRC32(TStream& stream) {
  static const auto table = [] {
    std::array<Cardinal, 256> t{};
    for (Cardinal n = 0; n < 256; ++n) {
      Cardinal c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  Int64 saved = stream.Position();
  stream.SetPosition(0);
  Cardinal crc = 0xFFFFFFFFu;
  Byte buffer[8192];
  for (Int64 n; (n = stream.Read(buffer, sizeof buffer)) > 0;)
    for (Int64 i = 0; i < n; ++i) crc = table[(crc ^ buffer[i]) & 0xFF] ^ (crc >> 8);
  stream.SetPosition(saved);
  return crc ^ 0xFFFFFFFFu;
}

TComponent* kvxFindComponent(TComponent* owner, const String& name) {
  if (!owner || name.empty()) return nullptr;
  size_t dot = name.find('.');
  if (dot != String::npos) {
    // "Form.Component": the form is the report's window or one of its owners.
    String formName = name.substr(0, dot);
    String rest = name.substr(dot + 1);
    for (TComponent* form = owner; form; form = form->Owner())
      if (SameText(form->Name(), formName)) return kvxFindComponent(form, rest);
    return nullptr;
  }
  if (TComponent* c = owner->FindComponent(name)) return c;
  if (dynamic_cast<TkvxReport*>(owner) && owner->Owner()) return owner->Owner()->FindComponent(name);
  return nullptr;
}

String kvxGetReferenceName(TComponent* root, TComponent* component) {
  if (!component) return "";
  TComponent* owner = component->Owner();
  if (!owner || owner == root) return component->Name();
  if (root && dynamic_cast<TkvxReport*>(root) && owner == root->Owner()) return component->Name();
  if (!owner->Name().empty()) return owner->Name() + "." + component->Name();
  return "";
}

void kvxSetCommaText(const String& text, TStrings& strings, char delimiter) {
  strings.Clear();
  if (text.empty()) return;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(delimiter, start);
    strings.Add(text.substr(start, at == String::npos ? String::npos : at - start));
    if (at == String::npos) break;
    start = at + 1;
  }
}

String kvxStreamToHex(TStream& stream) {
  static const char kDigits[] = "0123456789ABCDEF";
  Int64 size = stream.Size();
  String hex;
  hex.reserve(static_cast<size_t>(size) * 2);
  stream.SetPosition(0);
  Byte buffer[8192];
  for (Int64 n; (n = stream.Read(buffer, sizeof buffer)) > 0;)
    for (Int64 i = 0; i < n; ++i) {
      hex += kDigits[buffer[i] >> 4];
      hex += kDigits[buffer[i] & 15];
    }
  return hex;
}

void kvxHexToStream(std::string_view hex, TStream& stream) {
  auto digit = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw EConvertError("'" + String(hex.substr(0, 16)) + "' is not valid hexadecimal data");
  };
  String bytes(hex.size() / 2, '\0');
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(digit(hex[2 * i]) << 4 | digit(hex[2 * i + 1]));
  stream.SetSize(0);
  stream.SetPosition(0);
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
}

Extended kvxStrToFloat(const String& s) {
  String clean;
  clean.reserve(s.size());
  for (char c : s) {
    if (c == ' ') continue;
    clean += (c == ',') ? '.' : c;
  }
  double value = 0;
  const char* first = clean.data();
  const char* last = first + clean.size();
  if (first != last && *first == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, value);
  if (clean.empty() || ec != std::errc() || end != last)
    throw EConvertError("'" + s + "' is not a valid floating point value");
  return value;
}

String kvxFloatToStr(Extended value) {
  if (value == std::trunc(value) && std::fabs(value) < 1e18) return IntToStr(static_cast<Int64>(value));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%2.2f", value);
  return buf;
}

String kvxFloatToStrFixed(Extended value, int digits, char decimalSeparator) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", std::clamp(digits, 0, 30), value);
  String s = buf;
  for (char& c : s)
    if (c == '.') c = decimalSeparator;
  return s;
}

namespace {

template <class S>
void BracketScan(const S& s, const S& open, const S& close, S& text, Integer& endPos, Integer& startPos,
                 bool leadBytes) {
  (void)leadBytes;
  Integer i = startPos;  // 1-based
  Integer n = static_cast<Integer>(s.size());
  int depth = 0;
  bool dq = false, sq = false;
  bool opened = false;
  while (i <= n) {
    auto at = [&](const S& token) {
      return !token.empty() && i - 1 + static_cast<Integer>(token.size()) <= n &&
             s.compare(static_cast<size_t>(i - 1), token.size(), token) == 0;
    };
    auto c = s[static_cast<size_t>(i - 1)];
    if (!dq && !sq && at(open)) {
      if (depth == 0) startPos = i;
      ++depth;
      opened = true;
      i += static_cast<Integer>(open.size());
      continue;
    }
    if (!dq && !sq && at(close) && depth > 0) {
      --depth;
      if (depth == 0) {
        size_t from = static_cast<size_t>(startPos - 1 + static_cast<Integer>(open.size()));
        text = s.substr(from, static_cast<size_t>(i - 1) - from);
        endPos = i + static_cast<Integer>(close.size()) - 1;
        return;
      }
      i += static_cast<Integer>(close.size());
      continue;
    }
    if (c == '"' && !sq) dq = !dq;
    else if (c == '\'' && !dq) sq = !sq;
    if (!opened) break;
    ++i;
  }
  if (!opened) {
    text.clear();
    endPos = startPos;
    return;
  }
  size_t from = static_cast<size_t>(startPos - 1 + static_cast<Integer>(open.size()));
  text = from < s.size() ? s.substr(from) : S();
  endPos = n;
}

}  // namespace

size_t kvxFormatSuffix(const String& expr) {
  size_t hash = expr.find(" #");
  return hash != String::npos && expr.find(')', hash + 2) == String::npos ? hash : String::npos;
}

void kvxGetBracketedText(const String& s, const String& openBracket, const String& closeBracket,
                         String& text, Integer& endPos, Integer& startPos) {
  // UTF-8 needs no lead-byte stepping: no byte of a multi-byte character looks like a bracket.
  BracketScan(s, openBracket, closeBracket, text, endPos, startPos, true);
}

void kvxGetBracketedText(const WideString& s, const WideString& openBracket,
                         const WideString& closeBracket, WideString& text, Integer& endPos,
                         Integer& startPos) {
  BracketScan(s, openBracket, closeBracket, text, endPos, startPos, false);
}

void kvxParsePageNumbers(const String& pageNumbers, TStrings& list, Integer total) {
  list.Clear();
  String s;
  for (char c : pageNumbers)
    if (c != ' ') s += c;
  if (s.empty()) return;
  if (s.back() == '-') s += IntToStr(total);
  s += ',';
  String number;
  Integer rangeStart = -1;
  for (char c : s) {
    if (c == '-') {
      rangeStart = StrToInt(number);
      number.clear();
    } else if (c == ',') {
      Integer n = StrToInt(number);
      number.clear();
      if (rangeStart >= 0) {
        for (Integer p = std::max(rangeStart, 1); p <= std::min(n, total); ++p) list.Add(IntToStr(p));
        rangeStart = -1;
      } else if (n <= total) {
        list.Add(IntToStr(n));
      }
    } else {
      number += c;
    }
  }
}

bool kvxCheckPageNumbers(const String& text, Integer total, String& checked) {
  String s;
  for (char c : text)
    if (c != ' ') s += c;
  checked.clear();
  size_t at = 0;
  auto number = [&](Integer& value) {
    size_t start = at;
    long long n = 0;
    while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
      n = std::min<long long>(n * 10 + (s[at] - '0'), INT_MAX);
      ++at;
    }
    value = static_cast<Integer>(n);
    return at > start && n >= 1;
  };
  while (at < s.size()) {
    Integer first = 0, last = 0;
    if (!number(first)) return false;
    last = first;
    if (at < s.size() && s[at] == '-') {
      ++at;
      if (at == s.size() || s[at] == ',')
        last = total;
      else if (!number(last))
        return false;
    }
    if (at < s.size() && s[at++] != ',') return false;
    if (at == s.size() && s.back() == ',') return false;
    if (first > total || last < first) continue;
    last = std::min(last, total);
    if (!checked.empty()) checked += ",";
    checked += first == last ? IntToStr(first) : IntToStr(first) + "-" + IntToStr(last);
  }
  return !checked.empty();
}

void kvxWriteCollection(TCollection* collection, TWriter& writer, TComponent* owner) {
  auto* report = dynamic_cast<TkvxReport*>(owner);
  if (report && report->IsWriting) {
    TkvxXMLSerializer serializer(nullptr);
    serializer.Owner = owner;
    writer.WriteListBegin();
    for (Integer i = 0; i < collection->Count(); ++i) {
      writer.WriteListBegin();
      writer.WriteLongString(serializer.ObjToXML(collection->Items(i)));
      writer.WriteListEnd();
    }
    writer.WriteListEnd();
  } else {
    writer.WriteCollection(collection);
  }
}

namespace {

// Binary collections of the old class library kept characters above 127 as 0x01 followed by the
// character less 128.
String UnshiftHighCharacters(const String& s) {
  if (s.find('\x01') == String::npos) return s;
  String bytes;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\x01' && i + 1 < s.size()) {
      bytes += static_cast<char>(static_cast<Byte>(s[i + 1]) + 128);
      ++i;
    } else {
      bytes += s[i];
    }
  }
  return kvxFileText(bytes);
}

}  // namespace

void kvxReadCollection(TCollection* collection, TReader& reader, TComponent* owner) {
  if (reader.NextValue() == vaCollection) {
    reader.ReadValue();
    reader.ReadCollection(collection);
    for (Integer i = 0; i < collection->Count(); ++i) {
      TCollectionItem* item = collection->Items(i);
      for (const TPropInfo* prop : GetPropList(item)) {
        if (!prop->IsWritable()) continue;
        if (prop->Kind() == tkLString) prop->SetStr(item, UnshiftHighCharacters(prop->GetStr(item)));
        else if (prop->Kind() == tkVariant) {
          Variant v = prop->GetVariant(item);
          if (v.VType() == varString) prop->SetVariant(item, UnshiftHighCharacters(v.ToString()));
        }
      }
    }
    return;
  }
  auto* report = dynamic_cast<TkvxReport*>(owner);
  TkvxXMLSerializer* active = report ? report->CurrentSerializer : nullptr;
  std::unique_ptr<TkvxXMLSerializer> own;
  if (!active) {
    own = std::make_unique<TkvxXMLSerializer>(nullptr);
    own->Owner = owner;
    active = own.get();
  }
  reader.ReadListBegin();
  collection->BeginUpdate();
  collection->Clear();
  try {
    while (!reader.EndOfList()) {
      reader.ReadListBegin();
      TCollectionItem* item = collection->Add();
      while (!reader.EndOfList()) active->XMLToObj(reader.ReadString(), item);
      reader.ReadListEnd();
    }
  } catch (...) {
    collection->EndUpdate();
    throw;
  }
  collection->EndUpdate();
  reader.ReadListEnd();
  if (own) own->ResolveReferences();
}

String kvxGetTempDir() {
  std::error_code ec;
  return std::filesystem::temp_directory_path(ec).string();
}

String kvxGetTempFileName() { return kvxGetTempFileNameInDir(""); }

String kvxGetTempFileNameInDir(const String& dir) {
  std::error_code ec;
  String folder = dir.empty() || !std::filesystem::is_directory(dir, ec) ? kvxGetTempDir() : dir;
  String pattern = IncludeTrailingPathDelimiter(folder) + "kvXXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) throw EFCreateError("Cannot create file \"" + pattern + "\"");
  close(fd);
  return pattern;
}

String kvxGetAppFileName() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).string();
}

String kvxGetAppPath() { return IncludeTrailingPathDelimiter(ExtractFileDir(kvxGetAppFileName())); }

String kvxReplaceChar(const String& s, char fromChar, char toChar) {
  String r = s;
  for (char& c : r)
    if (c == fromChar) c = toChar;
  return r;
}

String kvxSlashToBackslash(const String& s) { return kvxReplaceChar(s, '/', '\\'); }

bool kvxDiffers(Extended a, Extended b) { return std::fabs(a - b) > 1e-4; }

Extended kvxRound8(Extended value) { return std::round(value * 1e8) / 1e8; }

}  // namespace orv
