#include "report/model/XmlItem.h"

#include <algorithm>

#include "platform/rtl/TextUtils.h"
#include "report/model/XmlEscape.h"

namespace orv {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

}  // namespace

size_t kvxFindAttribute(std::string_view text, std::string_view name) {
  if (name.empty()) return std::string_view::npos;
  size_t need = name.size() + 2;
  for (size_t i = 0; i + need <= text.size(); ++i) {
    if (i > 0 && text[i - 1] != ' ') continue;
    if (text[i + name.size()] != '=' || text[i + name.size() + 1] != '"') continue;
    bool same = true;
    for (size_t k = 0; k < name.size() && same; ++k) same = Upper(text[i + k]) == Upper(name[k]);
    if (same) return i;
  }
  return std::string_view::npos;
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
  size_t at = kvxFindAttribute(Text, name);
  if (at == std::string_view::npos) return "";
  size_t start = at + name.size() + 2;
  size_t end = Text.find('"', start);
  if (end == String::npos) end = Text.size();
  return kvxXMLToStr(std::string_view(Text).substr(start, end - start));
}

void TkvxXMLItem::SetProp(std::string_view name, std::string_view value) {
  size_t at = kvxFindAttribute(Text, name);
  size_t insertAt = Text.size();
  if (at != String::npos) {
    size_t end = Text.find('"', at + name.size() + 2);
    end = end == String::npos ? Text.size() : end + 1;
    Text.erase(at, end - at);
    insertAt = at;
  }
  String attr;
  if (insertAt > 0 && Text[insertAt - 1] != ' ') attr += ' ';
  attr.append(name);
  attr += "=\"";
  kvxAppendXML(attr, value);
  attr += '"';
  Text.insert(insertAt, attr);
}

}  // namespace orv
