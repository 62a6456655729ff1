#include "script/XMLDocument.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/TextUtils.h"
#include "platform/rtl/TypInfo.h"
#include "script/Messages.h"

namespace orv {

namespace {

const char* const kHeader = "<?xml version=\"1.0\"?>";

[[noreturn]] void InvalidFormat() { throw Exception(SInvalidFileFormat); }

}  // namespace

// ---- escaping

String sxStrToXML(const String& s) {
  String result;
  result.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '\n': case '\r': case '"': case '<': case '>': case '&':
        result += "&#" + std::to_string(static_cast<int>(c)) + ";";
        break;
      default:
        result.push_back(c);
    }
  }
  return result;
}

String sxXMLToStr(const String& s) {
  String result;
  result.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '&') {
      if (s.compare(i, 6, "&quot;") == 0) {
        result.push_back('"');
        i += 6;
        continue;
      }
      if (i + 1 < s.size() && s[i + 1] == '#') {
        size_t j = i + 2;
        Int64 code = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
          if (code <= 0x10FFFF) code = code * 10 + (s[j] - '0');
          ++j;
        }
        if (j > i + 2 && j < s.size() && s[j] == ';') {
          if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
          AppendCodePoint(result, static_cast<char32_t>(code));
          i = j + 1;
          continue;
        }
      }
    }
    result.push_back(s[i++]);
  }
  return result;
}

// ---- TsxXMLItem

TsxXMLItem::~TsxXMLItem() { Clear(); }

void TsxXMLItem::Clear() {
  std::vector<std::unique_ptr<TsxXMLItem>> pending = std::move(children_);
  children_.clear();
  while (!pending.empty()) {
    std::unique_ptr<TsxXMLItem> item = std::move(pending.back());
    pending.pop_back();
    for (auto& child : item->children_) pending.push_back(std::move(child));
    item->children_.clear();
  }
}

TsxXMLItem* TsxXMLItem::Root() {
  TsxXMLItem* item = this;
  while (item->parent_) item = item->parent_;
  return item;
}

TsxXMLItem* TsxXMLItem::Add() { return AddItem(std::make_unique<TsxXMLItem>()); }

TsxXMLItem* TsxXMLItem::AddItem(std::unique_ptr<TsxXMLItem> item) {
  item->parent_ = this;
  children_.push_back(std::move(item));
  return children_.back().get();
}

bool TsxXMLItem::IsInSubtreeOf(const TsxXMLItem& item) const {
  for (const TsxXMLItem* p = this; p; p = p->parent_)
    if (p == &item) return true;
  return false;
}

std::unique_ptr<TsxXMLItem> TsxXMLItem::Detach() {
  auto& siblings = parent_->children_;
  for (auto it = siblings.begin(); it != siblings.end(); ++it) {
    if (it->get() == this) {
      std::unique_ptr<TsxXMLItem> self = std::move(*it);
      siblings.erase(it);
      parent_ = nullptr;
      return self;
    }
  }
  return nullptr;
}

std::unique_ptr<TsxXMLItem> TsxXMLItem::Release() {
  if (parent_) return Detach();
  if (documentRoot_) return nullptr;
  // A parentless item outside a document was made on its own with new.
  return std::unique_ptr<TsxXMLItem>(this);
}

TsxXMLItem* TsxXMLItem::AddItem(TsxXMLItem& item) {
  if (!item.parent_) throw EInvalidOperation("The root of an XML document cannot be moved");
  if (IsInSubtreeOf(item)) throw EInvalidOperation("An XML item cannot be moved into itself");
  return AddItem(item.Detach());
}

TsxXMLItem* TsxXMLItem::InsertItem(int index, TsxXMLItem& item) {
  AddItem(item);
  std::unique_ptr<TsxXMLItem> moved = std::move(children_.back());
  children_.pop_back();
  const size_t at = std::min(static_cast<size_t>(std::max(index, 0)), children_.size());
  children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(at), std::move(moved));
  return children_[at].get();
}

int TsxXMLItem::Find(const String& name) const {
  for (size_t i = 0; i < children_.size(); ++i)
    if (SameText(children_[i]->name_, name)) return static_cast<int>(i);
  return -1;
}

TsxXMLItem* TsxXMLItem::FindItem(const String& name) {
  const int index = Find(name);
  if (index >= 0) return Items(index);
  TsxXMLItem* item = Add();
  item->name_ = name;
  return item;
}

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Where name="..." begins in an attribute text: at its start or after a blank, the name blind to
// ASCII case; npos when absent.
size_t FindAttribute(std::string_view text, std::string_view name) {
  if (name.empty()) return String::npos;
  const size_t n = name.size();
  for (size_t at = 0; at + n + 2 <= text.size(); ++at) {
    if (at > 0 && text[at - 1] != ' ') continue;
    if (text[at + n] != '=' || text[at + n + 1] != '"') continue;
    size_t i = 0;
    while (i < n && FoldAscii(text[at + i]) == FoldAscii(name[i])) ++i;
    if (i == n) return at;
  }
  return String::npos;
}

}  // namespace

String sxAttribute(std::string_view text, std::string_view name) {
  const size_t at = FindAttribute(text, name);
  if (at == String::npos) return {};
  const size_t start = at + name.size() + 2;
  const size_t end = text.find('"', start);
  const std::string_view value = text.substr(start, end == String::npos ? String::npos : end - start);
  // Most values hold no character reference.
  if (value.find('&') == std::string_view::npos) return String(value);
  return sxXMLToStr(String(value));
}

size_t TsxXMLItem::FindProp(std::string_view name) const { return FindAttribute(text_, name); }

String TsxXMLItem::Prop(std::string_view name) const { return sxAttribute(text_, name); }

void TsxXMLItem::SetProp(const String& name, const String& value) {
  size_t at = FindProp(name);
  if (at != String::npos) {
    const size_t end = text_.find('"', at + name.size() + 2);
    text_.erase(at, end == String::npos ? String::npos : end + 1 - at);
  } else {
    at = text_.size();
  }
  String attribute = name + "=\"" + sxStrToXML(value) + "\"";
  if (at > 0 && text_[at - 1] != ' ') attribute.insert(0, 1, ' ');
  text_.insert(at, attribute);
}

void TsxXMLItem::Assign(const TsxXMLItem* source) {
  Clear();
  if (!source) return;
  name_ = source->name_;
  text_ = source->text_;
  data_ = source->data_;
  // Pairs of (copy, original) still to fill, so that depth costs no stack.
  std::vector<std::pair<TsxXMLItem*, const TsxXMLItem*>> pending{{this, source}};
  while (!pending.empty()) {
    auto [target, original] = pending.back();
    pending.pop_back();
    for (const auto& child : original->children_) {
      TsxXMLItem* copy = target->Add();
      copy->name_ = child->name_;
      copy->text_ = child->text_;
      copy->data_ = child->data_;
      pending.emplace_back(copy, child.get());
    }
  }
}

// ---- TsxXMLDocument

ORV_IMPLEMENT_CLASS(TsxXMLItem, c) { (void)c; }
ORV_IMPLEMENT_CLASS(TsxXMLDocument, c) { (void)c; }

TsxXMLDocument::TsxXMLDocument() : root_(std::make_unique<TsxXMLItem>()) { root_->documentRoot_ = true; }

namespace {

// Reads tags one after another from a text; everything outside tags is skipped.
class TsxXMLReader {
 public:
  explicit TsxXMLReader(const String& text) : text_(text) {}

  // The next tag's text without "<" and ">"; false at the end of the text.
  bool ReadTag(String& tag) {
    for (;;) {
      const size_t open = text_.find('<', pos_);
      if (open == String::npos) {
        pos_ = text_.size();
        return false;
      }
      if (text_.compare(open + 1, 3, "!--") == 0) {
        const size_t close = text_.find("-->", open + 4);
        if (close == String::npos) InvalidFormat();
        pos_ = close + 3;
        continue;
      }
      size_t end = open + 1;
      while (end < text_.size() && text_[end] != '>') {
        if (text_[end] == '<') InvalidFormat();
        ++end;
      }
      if (end >= text_.size()) InvalidFormat();
      tag = text_.substr(open + 1, end - open - 1);
      if (!tag.empty() && tag.back() == ' ') tag.pop_back();
      pos_ = end + 1;
      return true;
    }
  }

  size_t Consumed() const { return pos_; }

 private:
  const String& text_;
  size_t pos_ = 0;
};

// Splits a tag into the item's name and text; true when the element has no children.
bool FillItem(TsxXMLItem& item, const String& tag) {
  const size_t blank = tag.find(' ');
  String name = tag.substr(0, blank);
  String text = blank == String::npos ? String() : tag.substr(blank + 1);
  bool empty = false;
  if (!text.empty() && text.back() == '/') {
    text.pop_back();
    empty = true;
  } else if (!name.empty() && name.back() == '/') {
    name.pop_back();
    empty = true;
  }
  item.SetName(std::move(name));
  item.SetText(std::move(text));
  return empty;
}

// Reads the tree into root; consumed follows the reader, so that it is right also after an error.
void LoadTree(TsxXMLItem& root, const String& text, size_t& consumed) {
  root.Clear();
  root.SetName({});
  root.SetText({});
  TsxXMLReader reader(text);
  String tag;
  auto next = [&] {
    const bool found = reader.ReadTag(tag);
    consumed = reader.Consumed();
    return found;
  };
  if (!next() || tag.compare(0, 4, "?xml") != 0) InvalidFormat();
  if (!next() || tag.empty() || tag[0] == '/') InvalidFormat();
  if (FillItem(root, tag)) return;
  // The chain of open elements; the last one receives the children read next.
  std::vector<TsxXMLItem*> open{&root};
  while (!open.empty()) {
    if (!next()) InvalidFormat();
    if (!tag.empty() && tag[0] == '/') {
      if (!SameText(tag.substr(1), open.back()->Name())) InvalidFormat();
      open.pop_back();
      continue;
    }
    // Millions of small elements take many times the file's size: a script's account is
    // looked at element by element.
    CheckMemory();
    TsxXMLItem* item = open.back()->Add();
    if (!FillItem(*item, tag)) open.push_back(item);
  }
}

}  // namespace

void TsxXMLDocument::LoadFromString(const String& text) {
  size_t consumed = 0;
  LoadTree(*root_, text, consumed);
}

void TsxXMLDocument::LoadFromStream(TStream& stream) {
  // No further than the stream's size: a device that never ends (/dev/zero) reads as empty.
  const Int64 start = stream.Position();
  const Int64 size = std::max<Int64>(stream.Size() - start, 0);
  CheckMemory(size);
  String text(static_cast<size_t>(size), '\0');
  text.resize(static_cast<size_t>(stream.Read(text.data(), size)));
  size_t consumed = 0;
  try {
    LoadTree(*root_, text, consumed);
  } catch (const EOutOfMemory&) {
    // Half a tree of that size is of no use, and its memory is given back at once.
    root_->Clear();
    stream.SetPosition(start + static_cast<Int64>(consumed));
    throw;
  } catch (...) {
    stream.SetPosition(start + static_cast<Int64>(consumed));
    throw;
  }
  stream.SetPosition(start + static_cast<Int64>(consumed));
}

void TsxXMLDocument::LoadFromFile(const String& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

String TsxXMLDocument::SaveToString() const {
  const char* const lineEnd = autoIndent_ ? "\r\n" : "";
  String out = kHeader;
  out += lineEnd;
  // Each entry is an item and whether its opening tag (false) or closing tag (true) is due.
  std::vector<std::pair<const TsxXMLItem*, bool>> pending{{root_.get(), false}};
  std::vector<int> depth{0};
  while (!pending.empty()) {
    auto [item, closing] = pending.back();
    pending.pop_back();
    const int level = depth.back();
    depth.pop_back();
    if (autoIndent_) out.append(static_cast<size_t>(level) * 2, ' ');
    if (closing) {
      out += "</" + item->Name() + ">" + lineEnd;
      continue;
    }
    out += "<" + item->Name();
    if (!item->Text().empty()) out += " " + item->Text();
    if (item->Count() == 0) {
      out += "/>";
      out += lineEnd;
      continue;
    }
    out += ">";
    out += lineEnd;
    pending.emplace_back(item, true);
    depth.push_back(level);
    for (int i = item->Count() - 1; i >= 0; --i) {
      pending.emplace_back(item->Items(i), false);
      depth.push_back(level + 1);
    }
  }
  return out;
}

void TsxXMLDocument::SaveToStream(TStream& stream) const { stream.WriteString(SaveToString()); }

void TsxXMLDocument::SaveToFile(const String& fileName) const {
  SafeWriteFile(fileName, SaveToString());
}

}  // namespace orv
