#include "script/ILTree.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "script/XMLDocument.h"

namespace orv {

// A program of twenty thousand statements has some 160,000 elements.
static_assert(sizeof(TsxILNode) == 32);

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    const char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

const String kProgram = "program";

void AddAttribute(String& text, const char* name, std::string_view value) {
  if (!text.empty()) text += ' ';
  text += name;
  text += "=\"";
  text += sxStrToXML(String(value));
  text += '"';
}

}  // namespace

std::string_view TsxILNode::Text() const {
  switch (NodeForm) {
    case Token:
      return std::string_view(text_, size_);
    case UsedUnit:
    case Read:
      return children_[-1].Text();
    default:
      return {};
  }
}

void TsxILNode::SetRanged(const String* tag, int row, int col, int at, int at1, int row1, int col1,
                          TsxILNode* children, int count) {
  TsxILNode& extent = children[-1];
  extent.SetBare(nullptr);
  extent.range_[0] = at;
  extent.range_[1] = at1;
  extent.row_ = row1;
  extent.col_ = col1;
  tag_ = tag;
  row_ = row;
  col_ = col;
  SetChildren(children, count);
  NodeForm = Ranged;
}

void TsxILNode::SetTextHolder(Form form, const String* tag, std::string_view text, TsxILNode* children, int count) {
  children[-1].SetToken(nullptr, text, 0, 0);
  tag_ = tag;
  row_ = col_ = 0;
  SetChildren(children, count);
  NodeForm = form;
}

String TsxILNode::Pos() const {
  switch (NodeForm) {
    case Construct:
    case Ranged:
    case Token:
      return TsxSourcePos(row_, col_).ToString();
    case Read:
      return sxAttribute(Text(), "pos");
    default:
      return {};
  }
}

TsxSourcePos TsxILNode::Where() const {
  switch (NodeForm) {
    case Construct:
    case Ranged:
    case Token:
      return TsxSourcePos(row_, col_);
    case Read:
      return TsxSourcePos(sxAttribute(Text(), "pos"));
    default:
      return {};
  }
}

String TsxILNode::Pos1() const {
  switch (NodeForm) {
    case Ranged:
      return TsxSourcePos(children_[-1].row_, children_[-1].col_).ToString();
    case Read:
      return sxAttribute(Text(), "pos1");
    default:
      return {};
  }
}

String TsxILNode::Prop(std::string_view name) const {
  switch (NodeForm) {
    case Bare:
      break;
    case Construct:
    case Ranged:
      if (SameName(name, "pos")) return Pos();
      if (SameName(name, "pos1")) return Pos1();
      break;
    case Token:
      if (SameName(name, "text")) return String(Text());
      if (SameName(name, "pos")) return Pos();
      break;
    case UsedUnit:
      if (SameName(name, "unit")) return String(Text());
      break;
    case Read:
      return sxAttribute(Text(), name);
  }
  return {};
}

int TsxILNode::Find(std::string_view name) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (SameName(children_[i].Name(), name)) return i;
  return -1;
}

TsxILTree::TsxILTree() { Clear(); }

void TsxILTree::AddBlock(size_t size) {
  // Left unset: an element is set whole when it is made.
  static_assert(std::is_trivially_default_constructible_v<TsxILNode> && std::is_trivially_destructible_v<TsxILNode>);
  arenas_.emplace_back(static_cast<TsxILNode*>(sxTakeWorkRoom(size * sizeof(TsxILNode))));
  last_ = arenas_.back().get();
  usedInLast_ = 0;
  lastSize_ = size;
}

void TsxILTree::Reserve(size_t count) {
  if (lastSize_ - usedInLast_ < count) AddBlock(count);
}

void TsxILTree::Adopt(TsxILTree& other) {
  for (auto& arena : other.arenas_) arenas_.insert(arenas_.end() - 1, std::move(arena));
  for (auto& texts : other.texts_) texts_.push_back(std::move(texts));
  for (auto& owner : other.owners_) owners_.push_back(std::move(owner));
  other.arenas_.clear();
  other.texts_.clear();
  other.owners_.clear();
  other.Clear();
}

std::string_view TsxILTree::Keep(String text) { return texts_.front().emplace_back(std::move(text)); }

const String* TsxILTree::KeepName(String name) { return &texts_.front().emplace_back(std::move(name)); }

void TsxILTree::Clear() {
  arenas_.clear();
  texts_.clear();
  texts_.emplace_back();
  owners_.clear();
  lastSize_ = usedInLast_ = 0;
  AddBlock(kFirstBlock);
  root_ = Children(1);
  root_->SetBare(&kProgram);
}

TsxILNode* TsxILTree::FromDocument(const TsxXMLItem& item) {
  TsxILNode* node = Children(1);
  FromDocument(item, *node);
  return node;
}

void TsxILTree::FromDocument(const TsxXMLItem& item, TsxILNode& node) {
  // Without recursion: a document may nest as deep as its text does.
  std::vector<std::pair<const TsxXMLItem*, TsxILNode*>> pending{{&item, &node}};
  while (!pending.empty()) {
    auto [source, target] = pending.back();
    pending.pop_back();
    const int count = source->Count();
    TsxILNode* children = Children(static_cast<size_t>(count), true);
    target->SetTextHolder(TsxILNode::Read, KeepName(source->Name()), Keep(source->Text()), children, count);
    for (int i = 0; i < count; ++i) pending.emplace_back(source->Items(i), children + i);
  }
}

void TsxILTree::ToDocument(const TsxILNode& node, TsxXMLItem& item) {
  std::vector<std::pair<const TsxILNode*, TsxXMLItem*>> pending{{&node, &item}};
  while (!pending.empty()) {
    auto [source, target] = pending.back();
    pending.pop_back();
    target->SetName(source->Name());
    String text;
    switch (source->NodeForm) {
      case TsxILNode::Bare:
        break;
      case TsxILNode::Construct:
        AddAttribute(text, "pos", source->Pos());
        break;
      case TsxILNode::Ranged:
        AddAttribute(text, "pos", source->Pos());
        AddAttribute(text, "pos1", source->Pos1());
        break;
      case TsxILNode::Token:
        AddAttribute(text, "text", source->Text());
        AddAttribute(text, "pos", source->Pos());
        break;
      case TsxILNode::UsedUnit:
        AddAttribute(text, "unit", source->Text());
        break;
      case TsxILNode::Read:
        text = source->Text();
        break;
    }
    target->SetText(std::move(text));
    // Children are added first and filled afterwards, so that they keep their order.
    std::vector<TsxXMLItem*> added(static_cast<size_t>(source->Count()));
    for (TsxXMLItem*& child : added) child = target->Add();
    for (size_t i = added.size(); i-- > 0;) pending.emplace_back(source->Items(static_cast<int>(i)), added[i]);
  }
}

}  // namespace orv
