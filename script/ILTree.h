#pragma once
// TsxILTree: the intermediate code as the compiler writes and reads it. Its elements are plain
// records, without the per-object bookkeeping of the scriptable XML document: a program of
// twenty thousand statements makes some two hundred thousand of them. The document form is
// made from the tree only when someone asks for it.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"
#include "script/SourcePos.h"
#include "script/WorkRoom.h"

namespace orv {

class TsxXMLItem;

// One element of the intermediate code. Children lie side by side in the tree's storage, so an
// element needs no list of pointers to them; a token, which has no children, holds its text in
// the same place. Thirty-two bytes: a program of twenty thousand statements has some 160,000.
// What few elements hold more (an expression's extent, a used unit's name) lies in the place
// before their children.
class TsxILNode {
 public:
  // Which attributes the element carries, in the order its document form writes them.
  enum Form : Byte {
    Bare,       // none
    Construct,  // pos
    Ranged,     // pos, pos1: an expression, which knows where it lies in its source
    Token,      // text, pos
    UsedUnit,   // unit
    Read,       // read from a document: its attribute text as it stood
  };

  // What the program builder reads, named as on a document's elements.
  const String& Name() const { return *tag_; }
  int Count() const { return NodeForm == Token ? 0 : static_cast<int>(size_); }
  const TsxILNode* Items(int index) const { return &children_[index]; }
  // Token: its text; UsedUnit: the unit's name; Read: the attribute text as it stood; empty
  // otherwise. A piece of the source, of the grammar, or of what the tree keeps: nothing is
  // copied per element.
  std::string_view Text() const;
  // An expression of the parsed text: where it begins and ends, as byte indexes into its
  // source text; 0 for other elements.
  int At() const { return NodeForm == Ranged ? children_[-1].range_[0] : 0; }
  int At1() const { return NodeForm == Ranged ? children_[-1].range_[1] : 0; }
  // Whether the element has a pos attribute; without one, Pos() is empty.
  bool HasPos() const {
    return NodeForm == Construct || NodeForm == Ranged || NodeForm == Token || (NodeForm == Read && !Pos().empty());
  }
  // The pos and pos1 attributes: "row:col", or empty when the element has none.
  String Pos() const;
  String Pos1() const;
  // The pos attribute as numbers, for what the compiled program keeps.
  TsxSourcePos Where() const;
  // Index of the first child with the name (blind to ASCII case), -1 when none.
  int Find(std::string_view name) const;
  // The attribute named (blind to ASCII case); empty when the element has none of the name.
  String Prop(std::string_view name) const;

  // Building. Positions are rows and columns of the source as "row:col" gives them.
  void SetBare(const String* tag) {
    tag_ = tag;
    children_ = nullptr;
    size_ = 0;
    row_ = col_ = 0;
    NodeForm = Bare;
  }
  void SetConstruct(const String* tag, int row, int col, TsxILNode* children, int count) {
    tag_ = tag;
    row_ = row;
    col_ = col;
    SetChildren(children, count);
    NodeForm = Construct;
  }
  // An expression from at to at1 (just after it, at row1 and col1); its children made by
  // TsxILTree::Children with the place before them.
  void SetRanged(const String* tag, int row, int col, int at, int at1, int row1, int col1, TsxILNode* children,
                 int count);
  void SetToken(const String* tag, std::string_view text, int row, int col) {
    tag_ = tag;
    text_ = text.data();
    size_ = static_cast<std::uint32_t>(text.size());
    row_ = row;
    col_ = col;
    NodeForm = Token;
  }
  // A used unit's element or one read from a document; its children made by
  // TsxILTree::Children with the place before them.
  void SetTextHolder(Form form, const String* tag, std::string_view text, TsxILNode* children, int count);
  // The children of a bare element (the root).
  void SetChildren(TsxILNode* children, int count) {
    children_ = children;
    size_ = static_cast<std::uint32_t>(count);
  }

 private:
  // No initialisers: the tree's blocks are taken as they come, and every element is set whole
  // by one of the setters above before it is read.
  // The name: one of the grammar's, one of the walk's fixed ones, or one the tree keeps.
  const String* tag_;
  union {
    TsxILNode* children_;
    const char* text_;
    // In the place before an expression's children: where it begins and ends.
    int range_[2];
  };
  // The number of children, or a token's text length.
  std::uint32_t size_;
  // pos (in the place before an expression's children: pos1).
  int row_;
  int col_;

 public:
  Form NodeForm;
};

// A tree of elements and the storage that holds them; the trees of used units join it.
class TsxILTree {
 public:
  TsxILTree();

  TsxILNode* Root() const { return root_; }
  // Room for count children side by side, and for the place before them when held; the first
  // child (none and not held: nullptr). The elements are left unset.
  TsxILNode* Children(size_t count, bool held = false) {
    const size_t taken = count + (held ? 1 : 0);
    if (taken == 0) return nullptr;
    if (lastSize_ - usedInLast_ < taken) AddBlock(std::max(taken, std::min(lastSize_ * 2, kLargestBlock)));
    TsxILNode* first = last_ + usedInLast_;
    usedInLast_ += taken;
    return held ? first + 1 : first;
  }
  // Makes room for count elements, so that the next Children calls up to that many take one
  // block.
  void Reserve(size_t count);
  // Takes over another tree's elements (its root becomes an element of this storage).
  void Adopt(TsxILTree& other);
  // Keeps a text for the tree's elements to view; it stays where it is until Clear.
  std::string_view Keep(String text);
  // Keeps a name for the tree's elements; it stays where it is until Clear.
  const String* KeepName(String name);
  // Keeps alive what the elements view (a grammar's names, a used unit's source).
  void KeepAlive(std::shared_ptr<const void> owner) { owners_.push_back(std::move(owner)); }
  // Empties the tree: a bare root named "program".
  void Clear();

  // Copies a document's element and its subtree into this storage, as a new element or as the
  // element node.
  TsxILNode* FromDocument(const TsxXMLItem& item);
  void FromDocument(const TsxXMLItem& item, TsxILNode& node);
  // Writes the element and its subtree into a document's (empty) element.
  static void ToDocument(const TsxILNode& node, TsxXMLItem& item);

 private:
  // Elements in blocks, the block being filled last. A parse reserves what its tree takes at
  // once; blocks grow from a small first one, which is all a short document needs.
  static constexpr size_t kFirstBlock = 32, kLargestBlock = 1024;
  std::vector<std::unique_ptr<TsxILNode[], TsxWorkRoomRelease>> arenas_;
  TsxILNode* last_ = nullptr;
  size_t usedInLast_ = 0;
  size_t lastSize_ = 0;
  void AddBlock(size_t size);
  // Deques: texts do not move as more are kept, nor when an adopted tree's join them.
  std::deque<std::deque<String>> texts_;
  std::vector<std::shared_ptr<const void>> owners_;
  TsxILNode* root_ = nullptr;
};

}  // namespace orv
