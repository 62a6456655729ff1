#pragma once
// The script engine's own small XML tree: it holds the dialect grammars and the intermediate
// code. Elements carry a name, their attribute text as one string, children and a free integer;
// there is no element text, no namespace and no encoding handling.
#include <memory>
#include <string_view>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

namespace orv {

// One element of a TsxXMLDocument; owns its children. Scripts reach it as an object.
class TsxXMLItem : public TObject {
  ORV_CLASS(TsxXMLItem, TObject)
 public:
  TsxXMLItem() = default;
  TsxXMLItem(const TsxXMLItem&) = delete;
  TsxXMLItem& operator=(const TsxXMLItem&) = delete;
  // Frees the subtree without recursion, so that a very deep tree cannot exhaust the stack.
  ~TsxXMLItem();

  // Integer kept for the owner's use; never written to the text form.
  Int64 Data() const { return data_; }
  void SetData(Int64 value) { data_ = value; }
  const String& Name() const { return name_; }
  void SetName(String value) { name_ = std::move(value); }
  // The attribute text exactly as it stands in the tag: name="value" pairs separated by blanks,
  // values escaped by sxStrToXML.
  const String& Text() const { return text_; }
  void SetText(String value) { text_ = std::move(value); }
  TsxXMLItem* Parent() const { return parent_; }
  // The topmost ancestor (the item itself when it has no parent).
  TsxXMLItem* Root();

  void Clear();
  int Count() const { return static_cast<int>(children_.size()); }
  TsxXMLItem* Items(int index) const { return children_.at(static_cast<size_t>(index)).get(); }

  TsxXMLItem* Add();
  // Appends a free-standing item and takes it over.
  TsxXMLItem* AddItem(std::unique_ptr<TsxXMLItem> item);
  // Moves an item that sits in a tree to the end of this item's children. EInvalidOperation
  // for an item without a parent (a document's root) or for a move into the item's own subtree.
  TsxXMLItem* AddItem(TsxXMLItem& item);
  TsxXMLItem* InsertItem(int index, TsxXMLItem& item);
  // Index of the first child with the name (blind to ASCII case), -1 when none.
  int Find(const String& name) const;
  // That child, appended under the name when there is none.
  TsxXMLItem* FindItem(const String& name);

  // The unescaped value of the attribute (name blind to case); empty when absent.
  String Prop(std::string_view name) const;
  // Replaces the attribute in place, or appends it.
  void SetProp(const String& name, const String& value);

  // Copies name, text, data and the whole subtree of source; nullptr only clears.
  void Assign(const TsxXMLItem* source);

  // The root of a document belongs to the document: it is neither moved nor freed alone.
  bool IsDocumentRoot() const { return documentRoot_; }
  // Takes the item out of its parent and hands it over; nullptr for a document's root. A
  // parentless item outside a document must have been made with new.
  std::unique_ptr<TsxXMLItem> Release();
  // Whether item is this one or one of its ancestors.
  bool IsInSubtreeOf(const TsxXMLItem& item) const;

 private:
  friend class TsxXMLDocument;
  bool documentRoot_ = false;
  // Position of the attribute's name in text_, or npos.
  size_t FindProp(std::string_view name) const;
  std::unique_ptr<TsxXMLItem> Detach();

  Int64 data_ = 0;
  String name_;
  String text_;
  TsxXMLItem* parent_ = nullptr;
  std::vector<std::unique_ptr<TsxXMLItem>> children_;
};

// An XML document of the script engine: the header <?xml version="1.0"?> and one root element.
class TsxXMLDocument : public TObject {
  ORV_CLASS(TsxXMLDocument, TObject)
 public:
  TsxXMLDocument();

  TsxXMLItem* Root() const { return root_.get(); }
  // Off: the whole document is written on one line. On: CR LF after each line, two blanks of
  // indent per level.
  bool AutoIndent() const { return autoIndent_; }
  void SetAutoIndent(bool value) { autoIndent_ = value; }

  // Raise Exception "Invalid file format" for malformed input; Root then holds what was read.
  // The stream is left after the last character consumed.
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const String& fileName);
  void LoadFromString(const String& text);
  void SaveToStream(TStream& stream) const;
  void SaveToFile(const String& fileName) const;
  String SaveToString() const;

 private:
  std::unique_ptr<TsxXMLItem> root_;
  bool autoIndent_ = false;
};

// Attribute escaping: LF, CR, the double quote, "<", ">" and "&" become decimal character
// references. "&" is escaped too, so that a literal such as '&quot;' comes back unchanged.
String sxStrToXML(const String& s);
// "&#" decimal ";" becomes that character (UTF-8), "&quot;" a double quote; anything else stays.
String sxXMLToStr(const String& s);
// The unescaped value of the attribute named (blind to case) in an element's attribute text;
// empty when absent.
String sxAttribute(std::string_view text, std::string_view name);

}  // namespace orv
