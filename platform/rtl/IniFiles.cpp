#include "platform/rtl/IniFiles.h"

#include <cstdlib>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TCustomIniFile, c) {}
ORV_IMPLEMENT_CLASS(TIniFile, c) {}
ORV_IMPLEMENT_CLASS(TMemIniFile, c) {}
ORV_IMPLEMENT_CLASS(TRegistryIniFile, c) {}

namespace {

String TrimBlanks(const String& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

void FillList(TStrings& strings, const std::vector<String>& lines) {
  strings.BeginUpdate();
  try {
    strings.Clear();
    for (const String& line : lines) strings.Add(line);
  } catch (...) {
    strings.EndUpdate();
    throw;
  }
  strings.EndUpdate();
}

// EFOpenError when the file cannot be opened.
std::string ReadWholeFile(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  CheckMemory(file.Size());
  std::string bytes(static_cast<size_t>(file.Size()), '\0');
  bytes.resize(static_cast<size_t>(file.Read(bytes.data(), static_cast<Int64>(bytes.size()))));
  return bytes;
}

// Through a temporary file renamed over the old one; any failure is the ini file's error.
void SaveContent(const String& fileName, const TIniContent& content) {
  try {
    SafeWriteFile(fileName, content.Render());
  } catch (const Exception&) {
    throw EIniFileException("Unable to write to " + fileName);
  }
}

// Text that is missing or does not convert gives the default.
template <class T>
T ReadConverted(TCustomIniFile& ini, const String& section, const String& ident, T defaultValue,
                bool (*tryConvert)(const String&, T&)) {
  T v;
  String s = ini.ReadString(section, ident, String());
  return !s.empty() && tryConvert(s, v) ? v : defaultValue;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

}  // namespace

// TIniContent

void TIniContent::Section::AddLine(Line line) {
  if (!line.key.empty()) {
    keys.emplace(UpperCase(line.key), lines.size());
    keyedEnd = lines.size() + 1;
  }
  lines.push_back(std::move(line));
}

void TIniContent::Section::IndexKeys() {
  keys.clear();
  keyedEnd = 0;
  for (size_t i = 0; i < lines.size(); ++i)
    if (!lines[i].key.empty()) {
      keys.emplace(UpperCase(lines[i].key), i);
      keyedEnd = i + 1;
    }
}

void TIniContent::AddSection(const String& name, bool headed) {
  if (headed) index_.emplace(UpperCase(name), sections_.size());
  Section& section = sections_.emplace_back();
  section.name = name;
  section.headed = headed;
}

void TIniContent::IndexSections() {
  index_.clear();
  for (size_t i = 0; i < sections_.size(); ++i)
    if (sections_[i].headed) index_.emplace(UpperCase(sections_[i].name), i);
}

void TIniContent::Parse(const String& text) {
  Clear();
  sections_.push_back(Section{});
  size_t pos = 0;
  Int64 lines = 0;
  while (pos < text.size()) {
    // A file of millions of short lines takes many times its size: a script's account is
    // looked at as the lines come.
    if (++lines % 1024 == 0) CheckMemory();
    size_t end = text.find_first_of("\r\n", pos);
    if (end == String::npos) end = text.size();
    String raw = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;

    String line = TrimBlanks(raw);
    size_t close = line.find(']');
    if (!line.empty() && line[0] == '[' && close != String::npos) {
      AddSection(TrimBlanks(line.substr(1, close - 1)), true);
      continue;
    }
    size_t eq = line.find('=');
    String key = eq == String::npos ? String() : TrimBlanks(line.substr(0, eq));
    if (line.empty() || line[0] == ';' || line[0] == '#' || key.empty())
      sections_.back().AddLine(Line{String(), String(), raw});
    else
      sections_.back().AddLine(Line{key, TrimBlanks(line.substr(eq + 1)), String()});
  }
}

String TIniContent::Render() const {
  String out;
  for (const Section& s : sections_) {
    if (s.headed) out += "[" + s.name + "]\r\n";
    for (const Line& l : s.lines) out += (l.key.empty() ? l.text : l.key + "=" + l.value) + "\r\n";
  }
  return out;
}

TIniContent::Section* TIniContent::Find(const String& section) {
  auto it = index_.find(UpperCase(section));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

const TIniContent::Section* TIniContent::Find(const String& section) const {
  return const_cast<TIniContent*>(this)->Find(section);
}

std::vector<String> TIniContent::SectionNames() const {
  std::vector<String> names;
  for (const Section& s : sections_)
    if (s.headed) names.push_back(s.name);
  return names;
}

bool TIniContent::HasSection(const String& section) const { return Find(section) != nullptr; }

bool TIniContent::Read(const String& section, const String& key, String& value) const {
  const Section* s = Find(section);
  if (!s) return false;
  auto it = s->keys.find(UpperCase(key));
  if (it == s->keys.end()) return false;
  value = s->lines[it->second].value;
  return true;
}

void TIniContent::Write(const String& section, const String& key, const String& value) {
  String k = TrimBlanks(key);
  if (section.find_first_of("\r\n]") != String::npos || k.empty() ||
      k.find_first_of("\r\n=") != String::npos || value.find_first_of("\r\n") != String::npos)
    throw EIniFileException("Invalid ini entry [" + section + "] " + key);
  Section* s = Find(section);
  if (!s) {
    if (sections_.empty()) AddSection(String(), false);
    // A blank line between the previous section and the new one, as people write them.
    Section& last = sections_.back();
    bool nothingYet = !last.headed && last.lines.empty();
    bool endsBlank = !last.lines.empty() && last.lines.back().key.empty() &&
                     TrimBlanks(last.lines.back().text).empty();
    if (!nothingYet && !endsBlank) last.AddLine(Line{});
    AddSection(TrimBlanks(section), true);
    s = &sections_.back();
  }
  String upper = UpperCase(k);
  if (auto it = s->keys.find(upper); it != s->keys.end()) {
    s->lines[it->second].value = TrimBlanks(value);
    return;
  }
  // After the section's last key: the lines that move hold no key, so no index changes.
  const size_t at = s->keyedEnd;
  s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), Line{k, TrimBlanks(value), String()});
  s->keys.emplace(std::move(upper), at);
  s->keyedEnd = at + 1;
}

std::vector<String> TIniContent::ReadKeys(const String& section) const {
  std::vector<String> keys;
  if (const Section* s = Find(section))
    for (const Line& l : s->lines)
      if (!l.key.empty()) keys.push_back(l.key);
  return keys;
}

std::vector<String> TIniContent::ReadLines(const String& section) const {
  std::vector<String> lines;
  if (const Section* s = Find(section))
    for (const Line& l : s->lines)
      if (!l.key.empty()) lines.push_back(l.key + "=" + l.value);
  return lines;
}

void TIniContent::EraseSection(const String& section) {
  std::erase_if(sections_, [&](const Section& s) { return s.headed && SameText(s.name, section); });
  IndexSections();
}

void TIniContent::DeleteKey(const String& section, const String& key) {
  if (Section* s = Find(section)) {
    std::erase_if(s->lines, [&](const Line& l) { return !l.key.empty() && SameText(l.key, key); });
    s->IndexKeys();
  }
}

// TCustomIniFile

Integer TCustomIniFile::ReadInteger(const String& section, const String& ident,
                                    Integer defaultValue) {
  String s = TrimBlanks(ReadString(section, ident, String()));
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    Int64 v = 0;
    for (size_t i = 2; i < s.size(); ++i) {
      int d = HexDigit(s[i]);
      if (d < 0 || v > 0xFFFFFFF) return defaultValue;
      v = v * 16 + d;
    }
    return static_cast<Integer>(static_cast<std::uint32_t>(v));
  }
  return StrToIntDef(s, defaultValue);
}

void TCustomIniFile::WriteInteger(const String& section, const String& ident, Integer value) {
  WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const String& section, const String& ident, bool defaultValue) {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const String& section, const String& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const String& section, const String& ident,
                                 double defaultValue) {
  return ReadConverted<Extended>(*this, section, ident, defaultValue, TryStrToFloat);
}

void TCustomIniFile::WriteFloat(const String& section, const String& ident, double value) {
  WriteString(section, ident, FloatToStr(value));
}

TDateTime TCustomIniFile::ReadDate(const String& section, const String& ident,
                                   TDateTime defaultValue) {
  return ReadConverted<TDateTime>(*this, section, ident, defaultValue, TryStrToDate);
}

void TCustomIniFile::WriteDate(const String& section, const String& ident, TDateTime value) {
  WriteString(section, ident, DateToStr(value));
}

TDateTime TCustomIniFile::ReadDateTime(const String& section, const String& ident,
                                       TDateTime defaultValue) {
  return ReadConverted<TDateTime>(*this, section, ident, defaultValue, TryStrToDateTime);
}

void TCustomIniFile::WriteDateTime(const String& section, const String& ident, TDateTime value) {
  WriteString(section, ident, DateTimeToStr(value));
}

TDateTime TCustomIniFile::ReadTime(const String& section, const String& ident,
                                   TDateTime defaultValue) {
  return ReadConverted<TDateTime>(*this, section, ident, defaultValue, TryStrToTime);
}

void TCustomIniFile::WriteTime(const String& section, const String& ident, TDateTime value) {
  WriteString(section, ident, TimeToStr(value));
}

Integer TCustomIniFile::ReadBinaryStream(const String& section, const String& ident,
                                         TStream& value) {
  String text = ReadString(section, ident, String());
  std::string bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) break;
    bytes += static_cast<char>(hi * 16 + lo);
  }
  Int64 start = value.Position();
  value.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  value.SetPosition(start);
  return static_cast<Integer>(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const String& section, const String& ident,
                                       TStream& value) {
  static const char kDigits[] = "0123456789ABCDEF";
  Int64 count = value.Size() - value.Position();
  std::string bytes(static_cast<size_t>(std::max<Int64>(count, 0)), '\0');
  value.ReadBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  String text;
  text.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  WriteString(section, ident, text);
}

bool TCustomIniFile::SectionExists(const String& section) {
  TStringList keys;
  ReadSection(section, keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const String& section, const String& ident) {
  TStringList keys;
  ReadSection(section, keys);
  return keys.IndexOf(ident) >= 0;
}

// TIniFile

TIniFile::TIniFile(const String& fileName) : TCustomIniFile(fileName) {}

TIniContent TIniFile::Load(bool forWrite) const {
  TIniContent content;
  if (!FileExists(FileName())) return content;
  try {
    content.Parse(DecodeText(ReadWholeFile(FileName())));
  } catch (const EFOpenError&) {
    if (forWrite) throw EIniFileException("Unable to write to " + FileName());
  }
  return content;
}

void TIniFile::Save(const TIniContent& content) { SaveContent(FileName(), content); }

String TIniFile::ReadString(const String& section, const String& ident,
                            const String& defaultValue) {
  String value;
  return Load(false).Read(section, ident, value) ? value : defaultValue;
}

void TIniFile::WriteString(const String& section, const String& ident, const String& value) {
  TIniContent content = Load(true);
  content.Write(section, ident, value);
  Save(content);
}

void TIniFile::ReadSection(const String& section, TStrings& strings) {
  FillList(strings, Load(false).ReadKeys(section));
}

void TIniFile::ReadSections(TStrings& strings) { FillList(strings, Load(false).SectionNames()); }

void TIniFile::ReadSectionValues(const String& section, TStrings& strings) {
  FillList(strings, Load(false).ReadLines(section));
}

void TIniFile::EraseSection(const String& section) {
  TIniContent content = Load(true);
  if (!content.HasSection(section)) return;
  content.EraseSection(section);
  Save(content);
}

void TIniFile::DeleteKey(const String& section, const String& ident) {
  TIniContent content = Load(true);
  String value;
  if (!content.Read(section, ident, value)) return;
  content.DeleteKey(section, ident);
  Save(content);
}

// TMemIniFile

TMemIniFile::TMemIniFile(const String& fileName) : TCustomIniFile(fileName) {
  Rename(fileName, true);
}

TMemIniFile::TMemIniFile(const TStrings& strings) : TCustomIniFile(String()) {
  SetStrings(strings);
}

String TMemIniFile::ReadString(const String& section, const String& ident,
                               const String& defaultValue) {
  String value;
  return content_.Read(section, ident, value) ? value : defaultValue;
}

void TMemIniFile::WriteString(const String& section, const String& ident, const String& value) {
  content_.Write(section, ident, value);
}

void TMemIniFile::ReadSection(const String& section, TStrings& strings) {
  FillList(strings, content_.ReadKeys(section));
}

void TMemIniFile::ReadSections(TStrings& strings) { FillList(strings, content_.SectionNames()); }

void TMemIniFile::ReadSectionValues(const String& section, TStrings& strings) {
  FillList(strings, content_.ReadLines(section));
}

void TMemIniFile::EraseSection(const String& section) { content_.EraseSection(section); }

void TMemIniFile::DeleteKey(const String& section, const String& ident) {
  content_.DeleteKey(section, ident);
}

void TMemIniFile::UpdateFile() {
  if (FileName().empty()) throw EIniFileException("Unable to write to an ini file without a name");
  SaveContent(FileName(), content_);
}

void TMemIniFile::GetStrings(TStrings& list) const { list.SetText(content_.Render()); }

void TMemIniFile::SetStrings(const TStrings& list) { content_.Parse(list.Text()); }

void TMemIniFile::Rename(const String& fileName, bool reload) {
  SetFileName(fileName);
  if (!reload) return;
  content_.Clear();
  if (FileExists(fileName)) content_.Parse(DecodeText(ReadWholeFile(fileName)));
}

// TRegistryIniFile

String TRegistryIniFile::KeyFileName(const String& keyPath) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  String folder;
  if (xdg && xdg[0] == '/') {
    folder = xdg;
  } else {
    String home = HomeFolder();
    // Without a home of the user's own there is no place for the settings: a shared folder
    // would let another user read them or put settings there for this one.
    if (home.empty()) return "";
    folder = ExcludeTrailingPathDelimiter(home) + "/.config";
  }
  folder = ExcludeTrailingPathDelimiter(folder) + "/orvane";
  String path;
  size_t pos = 0;
  while (pos <= keyPath.size()) {
    size_t end = keyPath.find_first_of("\\/", pos);
    if (end == String::npos) end = keyPath.size();
    String part = keyPath.substr(pos, end - pos);
    if (!part.empty() && part != "." && part != "..") path += "/" + part;
    pos = end + 1;
  }
  // The root key itself has no name of its own to become a file.
  return folder + (path.empty() ? String("/Registry") : path) + ".ini";
}

TRegistryIniFile::TRegistryIniFile(const String& keyPath)
    : TCustomIniFile(keyPath), store_(KeyFileName(keyPath)) {}

String TRegistryIniFile::ReadString(const String& section, const String& ident,
                                    const String& defaultValue) {
  return store_.ReadString(section, ident, defaultValue);
}

void TRegistryIniFile::WriteString(const String& section, const String& ident,
                                   const String& value) {
  if (store_.FileName().empty())
    throw EIniFileException("บันทึกการตั้งค่าไม่ได้: ไม่รู้จักโฟลเดอร์ของผู้ใช้ (ไม่มี HOME และไม่มีในบัญชีผู้ใช้)");
  // Registry keys come into being when written; so do the folders of the key path.
  ForceDirectories(ExtractFileDir(store_.FileName()));
  store_.WriteString(section, ident, value);
}

void TRegistryIniFile::ReadSection(const String& section, TStrings& strings) {
  store_.ReadSection(section, strings);
}

void TRegistryIniFile::ReadSections(TStrings& strings) { store_.ReadSections(strings); }

void TRegistryIniFile::ReadSectionValues(const String& section, TStrings& strings) {
  store_.ReadSectionValues(section, strings);
}

void TRegistryIniFile::EraseSection(const String& section) { store_.EraseSection(section); }

void TRegistryIniFile::DeleteKey(const String& section, const String& ident) {
  store_.DeleteKey(section, ident);
}

}  // namespace orv
