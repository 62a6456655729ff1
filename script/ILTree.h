#pragma once
// TsxILTree: the intermediate code as the compiler writes and reads it. Its elements are plain
// records, without the per-object bookkeeping of the scriptable XML document: a program of
// twenty thousand statements makes some two hundred thousand of them. The document form is
// made from the tree only when someone asks for it.
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"
#include "script/SourcePos.h"

namespace orv {

class TsxXMLItem;
class TsxParser;

// One element of the intermediate code.
class TsxILNode {
 public:
  // Which attributes the element carries, in the order its document form writes them.
  enum Form : Byte {
    Bare,       // none
    Construct,  // pos, and pos1 when set
    Token,      // text, pos
    UsedUnit,   // unit (held in Text)
    Read,       // read from a document: Text holds its attribute text as it stood
  };

  Form NodeForm = Bare;
  // The name: one of the grammar's, one of the walk's fixed ones, or one the tree keeps.
  const String* Tag = nullptr;
  // Token: its text; UsedUnit: the unit's name; Read: the attribute text as it stood. A piece of
  // the source, of the grammar, or of what the tree keeps: nothing is copied per element.
  std::string_view Text;
  // A construct or token of the parsed text: where it begins and (an expression) ends, as byte
  // indexes into Source's text. They become "row:col" only when asked for: most elements are
  // never asked.
  int At = 0;
  int At1 = 0;
  const TsxParser* Source = nullptr;
  // The children, in storage the tree hands out in blocks: elements free nothing of their own.
  TsxILNode** Children = nullptr;
  int ChildCount = 0;

  void AddChild(TsxILNode* child) { Children[ChildCount++] = child; }

  // What the program builder reads, named as on a document's elements.
  const String& Name() const { return *Tag; }
  int Count() const { return ChildCount; }
  const TsxILNode* Items(int index) const { return Children[index]; }
  // Whether the element has a pos attribute; without one, Pos() is empty.
  bool HasPos() const { return NodeForm == Construct || NodeForm == Token || (NodeForm == Read && !Pos().empty()); }
  // The pos and pos1 attributes: "row:col", or empty when the element has none.
  String Pos() const;
  String Pos1() const;
  // The pos attribute as numbers, for what the compiled program keeps.
  TsxSourcePos Where() const;
  // Index of the first child with the name (blind to ASCII case), -1 when none.
  int Find(std::string_view name) const;
  // The attribute named (blind to ASCII case); empty when the element has none of the name.
  String Prop(std::string_view name) const;
};

// A tree of elements and the storage that holds them; the trees of used units join it.
class TsxILTree {
 public:
  TsxILTree();

  TsxILNode* Root() const { return root_; }
  TsxILNode* New();
  // Makes room for count elements, so that the next count calls of New take one block.
  void Reserve(size_t count);
  // Room for count children, filled through AddChild or by the caller.
  TsxILNode** Room(size_t count);
  // Takes over another tree's elements (its root becomes an element of this storage).
  void Adopt(TsxILTree& other);
  // Keeps a text for the tree's elements to view; it stays where it is until Clear.
  std::string_view Keep(String text);
  // Keeps alive what the elements view (a grammar's names, a used unit's source).
  void KeepAlive(std::shared_ptr<const void> owner) { owners_.push_back(std::move(owner)); }
  // Empties the tree: a bare root named "program".
  void Clear();

  // Copies a document's element and its subtree into this storage.
  TsxILNode* FromDocument(const TsxXMLItem& item);
  // Writes the element and its subtree into a document's (empty) element.
  static void ToDocument(const TsxILNode& node, TsxXMLItem& item);

 private:
  // Elements in blocks, the block being filled last: a program of twenty thousand statements
  // takes some two hundred blocks instead of one allocation per element or two. Blocks grow
  // from a small first one, which is all a short script needs.
  static constexpr size_t kFirstBlock = 32, kLargestBlock = 1024;
  std::vector<std::unique_ptr<TsxILNode[]>> arenas_;
  size_t usedInLast_ = 0;
  size_t lastSize_ = 0;
  void AddBlock(size_t size);
  std::vector<std::unique_ptr<TsxILNode*[]>> rooms_;
  // Deques: texts do not move as more are kept, nor when an adopted tree's join them.
  std::deque<std::deque<String>> texts_;
  std::vector<std::shared_ptr<const void>> owners_;
  TsxILNode* root_ = nullptr;
};

}  // namespace orv
