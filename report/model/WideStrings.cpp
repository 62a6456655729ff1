#include "report/model/WideStrings.h"

#include <cstring>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TWideStrings, c) {}

WideString TWideStrings::Strings(Integer index) const {
  if (index < 0 || index >= Count()) return {};
  return lines_[static_cast<size_t>(index)].first;
}

void TWideStrings::Put(Integer index, const WideString& s) {
  if (index == Count()) {
    Add(s);
    return;
  }
  if (index < 0 || index > Count()) throw EListError("Wide String Out of Bounds");
  lines_[static_cast<size_t>(index)].first = s;
}

TObject* TWideStrings::Objects(Integer index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return lines_[static_cast<size_t>(index)].second;
}

void TWideStrings::SetObjects(Integer index, TObject* obj) {
  if (index >= 0 && index < Count()) lines_[static_cast<size_t>(index)].second = obj;
}

Integer TWideStrings::AddObject(const WideString& s, TObject* obj) {
  lines_.emplace_back(s, obj);
  return Count() - 1;
}

void TWideStrings::Insert(Integer index, const WideString& s) {
  if (index < 0 || index > Count()) throw EListError("Wide String Out of Bounds");
  lines_.insert(lines_.begin() + index, {s, nullptr});
}

void TWideStrings::AddStrings(const TWideStrings& source) {
  auto copy = source.lines_;
  lines_.insert(lines_.end(), copy.begin(), copy.end());
}

void TWideStrings::Delete(Integer index) {
  if (index < 0 || index >= Count()) throw EListError("Wide String Out of Bounds");
  lines_.erase(lines_.begin() + index);
}

Integer TWideStrings::IndexOf(const WideString& s) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].first == s) return static_cast<Integer>(i);
  return -1;
}

WideString TWideStrings::Text() const {
  WideString text;
  size_t size = 0;
  for (const auto& line : lines_) size += line.first.size() + 2;
  text.reserve(size);
  for (const auto& line : lines_) {
    text += line.first;
    text += u"\r\n";
  }
  return text;
}

bool TWideStrings::TextEquals(std::u16string_view text) const {
  size_t at = 0;
  for (const auto& line : lines_) {
    const WideString& l = line.first;
    // Equal units are equal bytes: memcmp compares them many at a time.
    if (text.size() - at < l.size() + 2 || std::memcmp(text.data() + at, l.data(), l.size() * sizeof(char16_t)) != 0 ||
        text[at + l.size()] != u'\r' || text[at + l.size() + 1] != u'\n')
      return false;
    at += l.size() + 2;
  }
  return at == text.size();
}

namespace {

// Where the line that begins at from ends: at a NUL, CR, LF or U+2028, or at the text's end.
// Every character that ends a line is a control character or U+2028, so one comparison passes
// over almost every character.
const char16_t* LineEnd(const char16_t* from, const char16_t* end) {
  for (; from != end; ++from) {
    const char16_t c = *from;
    if (c <= u'\r' ? c == u'\0' || c == u'\n' || c == u'\r' : c == u'\u2028') break;
  }
  return from;
}

}  // namespace

void TWideStrings::SetText(const WideString& text) {
  // A memo's text is set for every row it prints, mostly with as many lines as before: the
  // lines already held are written over, so their storage serves again.
  size_t count = 0;
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  while (p != end && *p != u'\0') {
    const char16_t* lineEnd = LineEnd(p, end);
    const size_t length = static_cast<size_t>(lineEnd - p);
    if (count < lines_.size()) {
      lines_[count].first.assign(p, length);
      lines_[count].second = nullptr;
    } else {
      lines_.emplace_back(WideString(p, length), nullptr);
    }
    ++count;
    p = lineEnd;
    if (p != end && *p == u'\r') ++p;
    if (p != end && *p == u'\n') ++p;
    if (p != end && *p == u'\u2028') ++p;
  }
  lines_.resize(count);
}

void TWideStrings::SetText(WideString&& text) {
  if (text.empty() || LineEnd(text.data(), text.data() + text.size()) != text.data() + text.size()) {
    SetText(static_cast<const WideString&>(text));
    return;
  }
  lines_.resize(1);
  lines_[0].first = std::move(text);
  lines_[0].second = nullptr;
}

void TWideStrings::Assign(TPersistent* source) {
  if (auto* wide = dynamic_cast<TWideStrings*>(source)) {
    if (wide == this) return;
    lines_ = wide->lines_;
    return;
  }
  if (auto* strings = dynamic_cast<TStrings*>(source)) {
    Clear();
    for (Integer i = 0; i < strings->Count(); ++i)
      AddObject(Utf8ToWide(strings->Strings(i)), strings->Objects(i));
    return;
  }
  TPersistent::Assign(source);
}

void TWideStrings::AssignTo(TPersistent* dest) {
  if (auto* wide = dynamic_cast<TWideStrings*>(dest)) {
    wide->Assign(this);
    return;
  }
  if (auto* strings = dynamic_cast<TStrings*>(dest)) {
    strings->BeginUpdate();
    strings->Clear();
    for (const auto& line : lines_) strings->AddObject(WideToUtf8(line.first), line.second);
    strings->EndUpdate();
    return;
  }
  TPersistent::AssignTo(dest);
}

void TWideStrings::LoadFromStream(TStream& stream) {
  Int64 n = stream.Size() - stream.Position();
  if (n <= 0) {
    Clear();
    return;
  }
  // The bytes, their wide text and the lines made of it are asked of a script's memory before
  // any is made.
  CheckMemory(5 * n);
  String bytes(static_cast<size_t>(n), '\0');
  stream.ReadBuffer(bytes.data(), n);
  if (n > 2 && static_cast<Byte>(bytes[0]) == 0xFF && static_cast<Byte>(bytes[1]) == 0xFE) {
    WideString text((bytes.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<char16_t>(static_cast<Byte>(bytes[2 + 2 * i]) |
                                      (static_cast<Byte>(bytes[3 + 2 * i]) << 8));
    SetText(text);
    return;
  }
  SetText(Utf8ToWide(DecodeText(bytes)));
}

void TWideStrings::SaveToStream(TStream& stream) const {
  WideString text = Text();
  String bytes;
  bytes.reserve(2 + text.size() * 2);
  bytes += '\xFF';
  bytes += '\xFE';
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
}

void TWideStrings::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TWideStrings::SaveToFile(const String& fileName) const {
  TMemoryStream stream;
  SaveToStream(stream);
  stream.SaveToFile(fileName);
}

void TWideStrings::DefineProperties(TFiler* filer) {
  bool hasLines = Count() > 0;
  filer->DefineProperty(
      "UTF8",
      [this](TReader& reader) {
        Clear();
        reader.ReadListBegin();
        while (!reader.EndOfList()) Add(Utf8ToWide(reader.ReadString()));
        reader.ReadListEnd();
      },
      [this](TWriter& writer) {
        writer.WriteListBegin();
        for (const auto& line : lines_) writer.WriteString(WideToUtf8(line.first));
        writer.WriteListEnd();
      },
      hasLines);
  filer->DefineProperty(
      "Strings",
      [this](TReader& reader) {
        Clear();
        reader.ReadListBegin();
        while (!reader.EndOfList()) {
          if (reader.NextValue() == vaWString) Add(reader.ReadWideString());
          else Add(Utf8ToWide(DecodeText(reader.ReadString())));
        }
        reader.ReadListEnd();
      },
      nullptr, false);
}

int kvxCharSetToCodePage(Byte charset) {
  if (charset == DEFAULT_CHARSET) return GetACP();
  if (charset == MAC_CHARSET) return 2;
  if (charset == OEM_CHARSET) return 1;
  TCharsetInfo info;
  return TranslateCharsetInfo(charset, info) ? info.CodePage : GetACP();
}

namespace {

int ResolveCodePage(Byte charset, int codePage) {
  int cp = codePage == 0 ? kvxCharSetToCodePage(charset) : codePage;
  // The OEM and Macintosh code pages of this system are its ANSI code page.
  if (cp == CP_ACP || cp == CP_OEMCP || cp == 2) cp = GetACP();
  return cp;
}

}  // namespace

WideString kvxAnsiToUnicode(const String& s, Byte charset, int codePage) {
  if (IsValidUtf8(s)) return Utf8ToWide(s);
  try {
    return Utf8ToWide(CodePageToUtf8(s, ResolveCodePage(charset, codePage)));
  } catch (const EConvertError&) {
    return {};
  }
}

String kvxUnicodeToAnsi(const WideString& ws, Byte charset, int codePage) {
  int cp = ResolveCodePage(charset, codePage);
  String utf8 = WideToUtf8(ws);
  if (cp == GetACP() || cp == CP_UTF8) return utf8;
  try {
    return Utf8ToCodePage(utf8, cp);
  } catch (const EConvertError&) {
    return {};
  }
}

bool kvxCharsetKeepsText(Byte charset) {
  const int cp = ResolveCodePage(charset, 0);
  return cp == GetACP() || cp == CP_UTF8;
}

int kvxCharSetToLCID(Byte charset) {
  switch (charset) {
    case SHIFTJIS_CHARSET: return 1041;
    case HANGEUL_CHARSET: return 1042;
    case JOHAB_CHARSET: return 2066;
    case GB2312_CHARSET: return 2052;
    case CHINESEBIG5_CHARSET: return 3076;
    case GREEK_CHARSET: return 1032;
    case TURKISH_CHARSET: return 1055;
    case VIETNAMESE_CHARSET: return 1066;
    case HEBREW_CHARSET: return 1037;
    case ARABIC_CHARSET: return 13313;
    case BALTIC_CHARSET: return 1061;
    case RUSSIAN_CHARSET: return 1049;
    case THAI_CHARSET: return 1054;
    case EASTEUROPE_CHARSET: return 1029;
    default: return 1054;
  }
}

String kvxOemToStr(const String& s) { return s; }

}  // namespace orv
