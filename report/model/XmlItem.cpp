#include "report/model/XmlItem.h"

#include <algorithm>

#include "platform/rtl/TextUtils.h"
#include "report/model/XmlEscape.h"

namespace orv {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

}  // namespace

bool kvxSameXMLName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

bool kvxNextAttribute(std::string_view text, size_t& i, std::string_view& name, std::string_view& raw) {
  while (i < text.size() && kvxIsXMLBlank(text[i])) ++i;
  size_t eq = text.find('=', i);
  if (eq == std::string_view::npos) return false;
  size_t nameEnd = eq;
  while (nameEnd > i && kvxIsXMLBlank(text[nameEnd - 1])) --nameEnd;
  name = text.substr(i, nameEnd - i);
  if (name.empty()) return false;
  size_t open = text.find('"', eq);
  if (open == std::string_view::npos) return false;
  size_t close = text.find('"', open + 1);
  if (close == std::string_view::npos) close = text.size();
  raw = text.substr(open + 1, close - open - 1);
  i = close + 1;
  return true;
}

namespace {

// Where the named attribute's name and value stand in text.
bool FindAttribute(std::string_view text, std::string_view name, size_t& nameAt, std::string_view& raw) {
  if (name.empty()) return false;
  std::string_view found;
  for (size_t i = 0; kvxNextAttribute(text, i, found, raw);) {
    if (kvxSameXMLName(found, name)) {
      nameAt = static_cast<size_t>(found.data() - text.data());
      return true;
    }
  }
  return false;
}

}  // namespace

size_t kvxFindAttribute(std::string_view text, std::string_view name) {
  size_t at = 0;
  std::string_view raw;
  return FindAttribute(text, name, at, raw) ? at : std::string_view::npos;
}

TkvxXMLItem::~TkvxXMLItem() {
  Clear();
  Detach();
}

void TkvxXMLItem::Detach() {
  if (!parent_) return;
  auto& list = parent_->items_;
  auto it = std::find(list.rbegin(), list.rend(), this);
  if (it != list.rend()) list.erase(std::next(it).base());
  parent_ = nullptr;
}

Integer TkvxXMLItem::IndexOf(const TkvxXMLItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<Integer>(it - items_.begin());
}

TkvxXMLItem* TkvxXMLItem::Add() {
  auto* item = new TkvxXMLItem;
  item->parent_ = this;
  items_.push_back(item);
  return item;
}

void TkvxXMLItem::AddItem(TkvxXMLItem* item) {
  item->Detach();
  item->parent_ = this;
  items_.push_back(item);
}

void TkvxXMLItem::InsertItem(Integer index, TkvxXMLItem* item) {
  AddItem(item);
  index = std::clamp<Integer>(index, 0, Count() - 1);
  items_.pop_back();
  items_.insert(items_.begin() + index, item);
}

Integer TkvxXMLItem::Find(std::string_view name) const {
  String wanted(name);
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->Name.size() == name.size() && AnsiSameText(items_[i]->Name, wanted))
      return static_cast<Integer>(i);
  return -1;
}

TkvxXMLItem* TkvxXMLItem::FindItem(std::string_view name) {
  Integer i = Find(name);
  if (i >= 0) return items_[static_cast<size_t>(i)];
  TkvxXMLItem* item = Add();
  item->Name = String(name);
  return item;
}

void TkvxXMLItem::Clear() {
  // Each item is taken from its children's list before it goes, so no destructor goes deeper
  // than one level: a tree nested hundreds of thousands deep needs no native frame per level.
  std::vector<TkvxXMLItem*> items;
  items.swap(items_);
  while (!items.empty()) {
    TkvxXMLItem* item = items.back();
    items.pop_back();
    items.insert(items.end(), item->items_.begin(), item->items_.end());
    item->items_.clear();
    item->parent_ = nullptr;
    delete item;
  }
  if (unloadable_) loaded_ = false;
}

String TkvxXMLItem::Prop(std::string_view name) const {
  size_t at = 0;
  std::string_view raw;
  return FindAttribute(Text, name, at, raw) ? kvxXMLToStr(raw) : String();
}

void TkvxXMLItem::SetProp(std::string_view name, std::string_view value) {
  size_t at = 0;
  std::string_view raw;
  size_t insertAt = Text.size();
  if (FindAttribute(Text, name, at, raw)) {
    const size_t valueEnd = static_cast<size_t>(raw.data() - Text.data()) + raw.size();
    Text.erase(at, std::min(valueEnd + 1, Text.size()) - at);
    insertAt = at;
  }
  String attr;
  if (insertAt > 0 && !kvxIsXMLBlank(Text[insertAt - 1])) attr += ' ';
  attr.append(name);
  attr += "=\"";
  kvxAppendXML(attr, value);
  attr += '"';
  Text.insert(insertAt, attr);
}

}  // namespace orv
