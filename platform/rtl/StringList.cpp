#include "platform/rtl/StringList.h"

#include <cstring>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

ORV_IMPLEMENT_CLASS(TStrings, c) {}

ORV_IMPLEMENT_CLASS(TStringList, c) {}

namespace {

constexpr const char* kIndexError = "List index out of bounds (%d)";
constexpr const char* kSortedError = "Operation not allowed on sorted list";
constexpr const char* kDuplicateError = "String list does not allow duplicates";
constexpr const char* kCapacityError = "List capacity out of bounds (%d)";

bool IsBlank(char ch) { return static_cast<unsigned char>(ch) <= ' '; }

String JoinDelimited(const TStrings& list, char delimiter, char quote) {
  Integer count = list.Count();
  if (count == 1 && list.Strings(0).empty()) return String(2, quote);
  String result;
  for (Integer i = 0; i < count; ++i) {
    String s = list.Strings(i);
    bool needsQuotes = false;
    for (char ch : s)
      if (IsBlank(ch) || ch == quote || ch == delimiter) needsQuotes = true;
    if (i > 0) result += delimiter;
    result += needsQuotes ? AnsiQuotedStr(s, quote) : s;
  }
  return result;
}

// Reads a quoted item starting at the quote at pos: doubled quotes stand for one, and the item
// runs to the end when the closing quote is missing. pos ends behind the closing quote.
String ExtractQuoted(const String& text, size_t& pos, char quote) {
  String result;
  ++pos;
  while (pos < text.size()) {
    if (text[pos] == quote) {
      if (pos + 1 < text.size() && text[pos + 1] == quote) {
        result += quote;
        pos += 2;
        continue;
      }
      ++pos;
      return result;
    }
    result += text[pos++];
  }
  return result;
}

}  // namespace

// TStrings

void TStrings::Error(const char* messageFormat, Integer index) const {
  String message = messageFormat;
  size_t at = message.find("%d");
  if (at != String::npos) message.replace(at, 2, std::to_string(index));
  throw EStringListError(message);
}

TObject* TStrings::GetObject(Integer) const { return nullptr; }

void TStrings::Put(Integer index, const String& s) {
  TObject* obj = GetObject(index);
  BeginUpdate();
  Delete(index);
  InsertObject(index, s, obj);
  EndUpdate();
}

void TStrings::PutObject(Integer, TObject*) {}

Integer TStrings::Add(const String& s) {
  Integer index = GetCount();
  Insert(index, s);
  return index;
}

Integer TStrings::AddObject(const String& s, TObject* obj) {
  Integer index = Add(s);
  PutObject(index, obj);
  return index;
}

void TStrings::InsertObject(Integer index, const String& s, TObject* obj) {
  Insert(index, s);
  PutObject(index, obj);
}

void TStrings::AddStrings(const TStrings& strings) {
  BeginUpdate();
  for (Integer i = 0; i < strings.Count(); ++i) AddObject(strings.Strings(i), strings.Objects(i));
  EndUpdate();
}

void TStrings::Exchange(Integer index1, Integer index2) {
  BeginUpdate();
  String s = Get(index1);
  TObject* obj = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, s);
  PutObject(index2, obj);
  EndUpdate();
}

void TStrings::Move(Integer curIndex, Integer newIndex) {
  if (curIndex == newIndex) return;
  BeginUpdate();
  String s = Get(curIndex);
  TObject* obj = GetObject(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, s, obj);
  EndUpdate();
}

Integer TStrings::IndexOf(const String& s) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

Integer TStrings::IndexOfName(const String& name) const {
  for (Integer i = 0; i < GetCount(); ++i) {
    String line = Get(i);
    size_t sep = line.find(nameValueSeparator_);
    if (sep != String::npos && CompareStrings(line.substr(0, sep), name) == 0) return i;
  }
  return -1;
}

Integer TStrings::IndexOfObject(const TObject* obj) const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (GetObject(i) == obj) return i;
  return -1;
}

bool TStrings::Equals(const TStrings& other) const {
  if (GetCount() != other.GetCount()) return false;
  for (Integer i = 0; i < GetCount(); ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

String TStrings::Names(Integer index) const {
  String line = Get(index);
  size_t sep = line.find(nameValueSeparator_);
  return sep == String::npos ? String() : line.substr(0, sep);
}

String TStrings::Values(const String& name) const {
  Integer index = IndexOfName(name);
  return index < 0 ? String() : ValueFromIndex(index);
}

void TStrings::SetValues(const String& name, const String& value) {
  Integer index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  String line = name + nameValueSeparator_ + value;
  auto* list = dynamic_cast<TStringList*>(this);
  if (index < 0) {
    Add(line);
  } else if (list && list->Sorted()) {
    // A sorted list cannot take the line in place; it goes where it sorts.
    TObject* obj = GetObject(index);
    BeginUpdate();
    Delete(index);
    AddObject(line, obj);
    EndUpdate();
  } else {
    Put(index, line);
  }
}

String TStrings::ValueFromIndex(Integer index) const {
  String line = Get(index);
  size_t sep = line.find(nameValueSeparator_);
  return sep == String::npos ? String() : line.substr(sep + 1);
}

void TStrings::SetValueFromIndex(Integer index, const String& value) {
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  if (index < 0) index = Add(String());
  Put(index, Names(index) + nameValueSeparator_ + value);
}

String TStrings::Text() const {
  String result;
  for (Integer i = 0; i < GetCount(); ++i) {
    result += Get(i);
    result += "\r\n";
  }
  return result;
}

void TStrings::SetText(const String& text) {
  BeginUpdate();
  try {
    Clear();
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find_first_of("\r\n", pos);
      if (end == String::npos) end = text.size();
      // A text of millions of short lines makes lists many times its size: a script's
      // account is looked at line by line, not once the list is whole.
      CheckMemory();
      Add(text.substr(pos, end - pos));
      pos = end;
      if (pos < text.size() && text[pos] == '\r') ++pos;
      if (pos < text.size() && text[pos] == '\n') ++pos;
    }
  } catch (const EOutOfMemory&) {
    // The lines read so far are of no use, and their memory is given back at once.
    Clear();
    EndUpdate();
    throw;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TStrings::DelimitedText() const { return JoinDelimited(*this, delimiter_, quoteChar_); }

void TStrings::SetDelimitedText(const String& text) {
  BeginUpdate();
  try {
    Clear();
    size_t pos = 0;
    const size_t n = text.size();
    auto skipBlanks = [&] {
      while (pos < n && IsBlank(text[pos])) ++pos;
    };
    skipBlanks();
    while (pos < n) {
      String item;
      if (text[pos] == quoteChar_) {
        item = ExtractQuoted(text, pos, quoteChar_);
      } else {
        size_t start = pos;
        while (pos < n && !IsBlank(text[pos]) && text[pos] != delimiter_) ++pos;
        item = text.substr(start, pos - start);
      }
      CheckMemory();
      Add(item);
      skipBlanks();
      if (pos < n && text[pos] == delimiter_) {
        // A delimiter at the very end stands for one more empty item.
        if (pos + 1 == n) Add(String());
        ++pos;
        skipBlanks();
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TStrings::CommaText() const { return JoinDelimited(*this, ',', '"'); }

void TStrings::SetCommaText(const String& text) {
  char delimiter = delimiter_, quote = quoteChar_;
  delimiter_ = ',';
  quoteChar_ = '"';
  try {
    SetDelimitedText(text);
  } catch (...) {
    delimiter_ = delimiter;
    quoteChar_ = quote;
    throw;
  }
  delimiter_ = delimiter;
  quoteChar_ = quote;
}

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromFile(const String& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TStrings::SaveToFile(const String& fileName) const { SafeWriteFile(fileName, Text()); }

void TStrings::LoadFromStream(TStream& stream) {
  Int64 size = stream.Size() - stream.Position();
  CheckMemory(size);
  std::string bytes(static_cast<size_t>(std::max<Int64>(size, 0)), '\0');
  bytes.resize(static_cast<size_t>(stream.Read(bytes.data(), static_cast<Int64>(bytes.size()))));
  SetText(DecodeText(bytes));
}

void TStrings::SaveToStream(TStream& stream) const { stream.WriteString(Text()); }

void TStrings::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TStrings*>(source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    delimiter_ = other->delimiter_;
    quoteChar_ = other->quoteChar_;
    nameValueSeparator_ = other->nameValueSeparator_;
    AddStrings(*other);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::CompareStrings(const String& a, const String& b) const {
  return AnsiCompareText(a, b);
}

// TStringList

void TStringList::CheckIndex(Integer index) const {
  if (index < 0 || index >= GetCount()) Error(kIndexError, index);
}

String TStringList::Get(Integer index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].line->text;
}

TObject* TStringList::GetObject(Integer index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].line->object;
}

void TStringList::Put(Integer index, const String& s) {
  if (sorted_) Error(kSortedError, 0);
  CheckIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].line->text = s;
  keyed_ = false;
  Changed();
}

void TStringList::PutObject(Integer index, TObject* obj) {
  CheckIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].line->object = obj;
  Changed();
}

void TStringList::Insert(Integer index, const String& s) {
  if (sorted_) Error(kSortedError, 0);
  if (index < 0 || index > GetCount()) Error(kIndexError, index);
  InsertItem(index, s, nullptr);
}

void TStringList::InsertItem(Integer index, const String& s, TObject* obj) {
  Changing();
  items_.insert(static_cast<size_t>(index), Item{{}, std::make_unique<Line>(Line{s, obj})});
  keyed_ = false;
  Changed();
}

void TStringList::Delete(Integer index) {
  CheckIndex(index);
  Changing();
  items_.erase(static_cast<size_t>(index));
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

Integer TStringList::Add(const String& s) { return AddObject(s, nullptr); }

Integer TStringList::AddObject(const String& s, TObject* obj) {
  Integer index = GetCount();
  if (sorted_ && !keyed_ && items_.size() == kKeyedFrom) MakeKeys();
  String key;
  const bool keyed = sorted_ && keyed_ && MakeKey(s, key);
  if (sorted_ && (keyed ? FindKey(key, index) : Find(s, index))) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) Error(kDuplicateError, 0);
  }
  if (!keyed) {
    InsertItem(index, s, obj);
    return index;
  }
  Changing();
  items_.insert(static_cast<size_t>(index), Item{SortKey(key), std::make_unique<Line>(Line{s, obj})});
  Changed();
  return index;
}

void TStringList::Exchange(Integer index1, Integer index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
  Changed();
}

namespace {

bool AsciiLettersAndDigits(std::string_view s) {
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  return true;
}

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

// Between two texts of ASCII letters and digits the collation ignores nothing (it would skip
// blanks and punctuation), and only case differs at the level a case-blind comparison leaves
// out: equality is the bytes' own, case folded or not.
Integer TStringList::IndexOfName(const String& name) const {
  const char separator = NameValueSeparator();
  const bool plainName = AsciiLettersAndDigits(name);
  for (size_t i = 0; i < items_.size(); ++i) {
    const std::string_view line = items_[i].line->text;
    const size_t sep = line.find(separator);
    if (sep == std::string_view::npos) continue;
    const std::string_view part = line.substr(0, sep);
    if (part == name) return static_cast<Integer>(i);
    if (plainName && AsciiLettersAndDigits(part)) {
      if (caseSensitive_ || part.size() != name.size()) continue;
      bool same = true;
      for (size_t k = 0; same && k < part.size(); ++k) same = FoldAscii(part[k]) == FoldAscii(name[k]);
      if (same) return static_cast<Integer>(i);
      continue;
    }
    if (CompareStrings(String(part), name) == 0) return static_cast<Integer>(i);
  }
  return -1;
}

Integer TStringList::IndexOf(const String& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  Integer index;
  return Find(s, index) ? index : -1;
}

bool TStringList::Find(const String& s, Integer& index) const {
  if (String key; keyed_ && MakeKey(s, key)) return FindKey(key, index);
  const size_t at =
      items_.lower_bound(s, [this](const Item& item, const String& key) { return CompareStrings(item.line->text, key) < 0; });
  index = static_cast<Integer>(at);
  return at < items_.size() && CompareStrings(items_[at].line->text, s) == 0;
}

bool TStringList::FindKey(std::string_view key, Integer& index) const {
  const size_t at =
      items_.lower_bound(key, [](const Item& item, std::string_view k) { return item.key.View() < k; });
  index = static_cast<Integer>(at);
  return at < items_.size() && items_[at].key.View() == key;
}

TStringList::SortKey::SortKey(std::string_view bytes) : data_(new char[sizeof(uint32_t) + bytes.size()]) {
  const auto length = static_cast<uint32_t>(bytes.size());
  std::memcpy(data_.get(), &length, sizeof length);
  std::memcpy(data_.get() + sizeof length, bytes.data(), bytes.size());
}

std::string_view TStringList::SortKey::View() const {
  if (!data_) return {};
  uint32_t length;
  std::memcpy(&length, data_.get(), sizeof length);
  return {data_.get() + sizeof length, length};
}

bool TStringList::MakeKey(const String& s, String& key) const { return AnsiSortKey(s, !caseSensitive_, key); }

void TStringList::MakeKeys() {
  // A short list is searched as fast by comparing its lines; and a list of names, which compare
  // without the collator, then never makes one, which costs a run two megabytes.
  if (keyed_ || items_.size() < kKeyedFrom) return;
  String key;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (!MakeKey(items_[i].line->text, key)) return;
    items_[i].key = SortKey(key);
  }
  keyed_ = true;
}

void TStringList::Sort() {
  if (sorted_ || GetCount() < 2) return;
  MakeKeys();
  if (keyed_) {
    // The keys give the order the comparison gives, so the sort ends where it would.
    CustomSort([](TStringList& list, Integer a, Integer b) {
      const std::string_view ka = list.items_[static_cast<size_t>(a)].key.View();
      const std::string_view kb = list.items_[static_cast<size_t>(b)].key.View();
      return ka < kb ? -1 : kb < ka ? 1 : 0;
    });
    return;
  }
  CustomSort([](TStringList& list, Integer a, Integer b) {
    return list.CompareStrings(list.items_[static_cast<size_t>(a)].line->text,
                               list.items_[static_cast<size_t>(b)].line->text);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (sorted_ || GetCount() < 2) return;
  Changing();
  QuickSort(0, GetCount() - 1, compare);
  Changed();
}

void TStringList::QuickSort(Integer l, Integer r, const TStringListSortCompare& compare) {
  // The comparison sees the list while it is being sorted (by index), so the partition swaps
  // in place. The bounds checks keep an inconsistent comparison from running off the ends.
  Integer i, j;
  do {
    i = l;
    j = r;
    Integer p = l + (r - l) / 2;
    do {
      while (i < r && compare(*this, i, p) < 0) ++i;
      while (j > l && compare(*this, j, p) > 0) --j;
      if (i <= j) {
        std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(l, j, compare);
    l = i;
  } while (i < r);
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) {
    MakeKeys();
    Sort();
  }
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  keyed_ = false;
  if (sorted_) {
    // The order changes with the comparison.
    sorted_ = false;
    SetSorted(true);
  }
}

void TStringList::SetCapacity(Integer capacity) {
  if (capacity < GetCount()) Error(kCapacityError, capacity);
  capacity_ = capacity;
}

int TStringList::CompareStrings(const String& a, const String& b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

}  // namespace orv
