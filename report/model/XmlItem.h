#pragma once
// TkvxXMLItem: one element of the report library's XML tree. Its attributes are kept as the raw
// text of the start tag (values still escaped); its children may live in a backing file while
// the item is unloaded.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

class TkvxXMLItem {
 public:
  TkvxXMLItem() = default;
  // Frees the children and leaves the parent's list.
  ~TkvxXMLItem();
  TkvxXMLItem(const TkvxXMLItem&) = delete;
  TkvxXMLItem& operator=(const TkvxXMLItem&) = delete;

  String Name;
  // The attributes as they stand between the name and the end of the start tag.
  String Text;
  // Element text: written when the item has no children, never filled by the reader.
  String Value;

  TkvxXMLItem* Parent() const { return parent_; }
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  TkvxXMLItem* Items(Integer index) const { return items_[static_cast<size_t>(index)]; }
  Integer IndexOf(const TkvxXMLItem* item) const;

  TkvxXMLItem* Add();
  // Room for count children in all, so that adding them moves the list no more.
  void Reserve(Integer count) { items_.reserve(static_cast<size_t>(count)); }
  // Moves item here as the last child, out of its former parent.
  void AddItem(TkvxXMLItem* item);
  void InsertItem(Integer index, TkvxXMLItem* item);
  // Index of the first child named name (case-blind), -1 when none.
  Integer Find(std::string_view name) const;
  // That child, appended when missing.
  TkvxXMLItem* FindItem(std::string_view name);
  // Frees the children; an unloadable item becomes not loaded.
  void Clear();

  // The unescaped value of an attribute ('' when absent); the name is matched case-blind and
  // only as a whole attribute name.
  String Prop(std::string_view name) const;
  // Replaces the attribute in place or appends it; the value is escaped.
  void SetProp(std::string_view name, std::string_view value);

  bool Loaded() const { return loaded_; }
  bool Unloadable() const { return unloadable_; }
  void SetUnloadable(bool value) { unloadable_ = value; }
  // Said before the children of an item read back from its store change: unloading it then
  // writes them out again instead of letting them go.
  void MarkChanged() { stored_ = false; }

 private:
  friend class TkvxXMLDocument;
  friend class TkvxXMLReader;
  friend class TkvxXMLWriter;
  void Detach();

  TkvxXMLItem* parent_ = nullptr;
  std::vector<TkvxXMLItem*> items_;  // owned
  // Where the start tag of an unloaded item's children is in its store (56 bits: no file comes
  // near) and the flags share one word: a prepared report holds an item for every object of
  // every page, and eight bytes less each keeps it to a smaller block of the C library.
  std::uint64_t offset_ : 56 = 0;
  bool loaded_ : 1 = true;
  bool unloadable_ : 1 = false;
  // The children in memory are those at offset_ in the store: unloading only frees them.
  bool stored_ : 1 = false;
  // Which backing stream holds the children of an unloaded item.
  std::uint8_t store_ : 2 = 0;
};

// Whether two element or attribute names are the same without regard to ASCII case.
bool kvxSameXMLName(std::string_view a, std::string_view b);

// Space, tab, CR and LF: what separates a tag's name and attributes.
inline bool kvxIsXMLBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The next name="value" pair of an attribute text from i on, the value as written (escaped);
// false at the end of the text, or where it stops being one. i moves behind the value.
bool kvxNextAttribute(std::string_view text, size_t& i, std::string_view& name, std::string_view& raw);

// Position of the attribute name inside text (case-blind, whole names only, never inside a
// value), npos when absent.
size_t kvxFindAttribute(std::string_view text, std::string_view name);

}  // namespace orv
