#pragma once
// TStrings, the abstract list of strings with attached objects, and TStringList, its
// in-memory implementation.
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/rtl/BlockList.h"
#include "platform/rtl/Persistent.h"

namespace orv {

class TStream;

ORV_ENUM(TDuplicates, dupIgnore, dupAccept, dupError);

// A list of lines, each with an optional object (not owned). Descendants (string lists, the
// lines of an edit control, the items of a list box) implement storage through the virtual
// core: Get, GetCount, Insert, Delete, Clear and optionally Put, GetObject, PutObject.
// Text is UTF-8; files and streams are written UTF-8 and read as UTF-8, or as code page 874 when
// they are not valid UTF-8.
class TStrings : public TPersistent {
  ORV_CLASS(TStrings, TPersistent)

 public:
  TStrings() = default;

  virtual String Get(Integer index) const = 0;
  virtual Integer GetCount() const = 0;
  virtual TObject* GetObject(Integer index) const;
  virtual void Put(Integer index, const String& s);
  virtual void PutObject(Integer index, TObject* obj);
  virtual void Insert(Integer index, const String& s) = 0;
  virtual void Delete(Integer index) = 0;
  virtual void Clear() = 0;

  Integer Count() const { return GetCount(); }
  String Strings(Integer index) const { return Get(index); }
  void SetStrings(Integer index, const String& s) { Put(index, s); }
  TObject* Objects(Integer index) const { return GetObject(index); }
  void SetObjects(Integer index, TObject* obj) { PutObject(index, obj); }

  virtual Integer Add(const String& s);
  virtual Integer AddObject(const String& s, TObject* obj);
  void InsertObject(Integer index, const String& s, TObject* obj);
  void AddStrings(const TStrings& strings);
  virtual void Exchange(Integer index1, Integer index2);
  virtual void Move(Integer curIndex, Integer newIndex);
  // -1 when absent; compares by CompareStrings.
  virtual Integer IndexOf(const String& s) const;
  // The first line whose name part compares equal to name by CompareStrings; -1 when none.
  virtual Integer IndexOfName(const String& name) const;
  Integer IndexOfObject(const TObject* obj) const;
  bool Equals(const TStrings& other) const;

  // Name=value lines: Names(i) is the part before the separator ("" when the line has none),
  // Values(name) the part after it in the first line of that name (case-blind).
  String Names(Integer index) const;
  String Values(const String& name) const;
  // Replaces the line's value, adds "name=value" when absent, deletes the line for "".
  void SetValues(const String& name, const String& value);
  String ValueFromIndex(Integer index) const;
  void SetValueFromIndex(Integer index, const String& value);
  char NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(char c) { nameValueSeparator_ = c; }

  // Every line followed by CR LF.
  virtual String Text() const;
  // Splits at CR LF, CR or LF; a final line break does not start another line.
  virtual void SetText(const String& text);
  // Lines joined by Delimiter; a line that holds a blank, a control character, the delimiter
  // or the quote character is quoted (quote characters inside doubled). A single empty line
  // gives two quote characters.
  String DelimitedText() const;
  // The reverse; blanks outside quotes also separate items.
  void SetDelimitedText(const String& text);
  // DelimitedText with "," and '"'.
  String CommaText() const;
  void SetCommaText(const String& text);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char c) { delimiter_ = c; }
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char c) { quoteChar_ = c; }

  // Nested; only the outermost pair reaches SetUpdateState.
  void BeginUpdate();
  void EndUpdate();
  Integer UpdateCount() const { return updateCount_; }

  virtual void LoadFromFile(const String& fileName);
  // Written through a temporary file, so a failed write keeps the old file.
  virtual void SaveToFile(const String& fileName) const;
  // Reads the stream from its position to its end.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;

  // Copies another TStrings' lines and objects.
  void Assign(TPersistent* source) override;

  // The comparison of IndexOf, IndexOfName and Values: case-blind Thai collation here.
  virtual int CompareStrings(const String& a, const String& b) const;

 protected:
  virtual void SetUpdateState(bool updating);
  [[noreturn]] void Error(const char* messageFormat, Integer index) const;

 private:
  Integer updateCount_ = 0;
  char delimiter_ = ',';
  char quoteChar_ = '"';
  char nameValueSeparator_ = '=';
};

class TStringList;
// < 0, 0 or > 0 as line index1 sorts before, with or after line index2.
using TStringListSortCompare = std::function<int(TStringList& list, Integer index1, Integer index2)>;

// The in-memory list of strings, optionally sorted, with change events.
class TStringList : public TStrings {
  ORV_CLASS(TStringList, TStrings)

 public:
  TStringList() = default;

  String Get(Integer index) const override;
  Integer GetCount() const override { return static_cast<Integer>(items_.size()); }
  TObject* GetObject(Integer index) const override;
  // EStringListError "Operation not allowed on sorted list" on a sorted list.
  void Put(Integer index, const String& s) override;
  void PutObject(Integer index, TObject* obj) override;
  // A sorted list raises "Operation not allowed on sorted list".
  void Insert(Integer index, const String& s) override;
  void Delete(Integer index) override;
  void Clear() override;

  // On a sorted list the line goes to its place; an equal line is dropped (dupIgnore, the
  // index of the existing line returned), added (dupAccept) or refused (dupError:
  // EStringListError "String list does not allow duplicates").
  Integer Add(const String& s) override;
  Integer AddObject(const String& s, TObject* obj) override;
  void Exchange(Integer index1, Integer index2) override;
  Integer IndexOf(const String& s) const override;
  // Reads each line where it lies, and settles the common name of letters, digits and
  // punctuation without collating it.
  Integer IndexOfName(const String& name) const override;

  // Binary search of a sorted list: true when found; index is where s is or would be inserted
  // (the first of equal lines unless duplicates are accepted).
  virtual bool Find(const String& s, Integer& index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  // Setting true sorts the list.
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }
  bool CaseSensitive() const { return caseSensitive_; }
  // Re-sorts a sorted list.
  void SetCaseSensitive(bool value);
  Integer Capacity() const { return std::max(capacity_, GetCount()); }
  void SetCapacity(Integer capacity);

  // Final: a sorted list orders its lines by collation keys that stand for this comparison.
  int CompareStrings(const String& a, const String& b) const final;

  // Told before and after every change that is not inside BeginUpdate/EndUpdate, and once
  // around the whole batch otherwise.
  std::function<void(TObject* sender)> OnChange;
  std::function<void(TObject* sender)> OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool updating) override;
  void InsertItem(Integer index, const String& s, TObject* obj);

 private:
  // A line's collation key in one block of its own (its length first), made while the list
  // is sorted: placing a line compares its key with a few others byte by byte instead of
  // collating the texts again at every step of the search.
  class SortKey {
   public:
    SortKey() = default;
    explicit SortKey(std::string_view bytes);
    std::string_view View() const;

   private:
    std::unique_ptr<char[]> data_;
  };
  struct Line {
    String text;
    TObject* object = nullptr;
  };
  // The key stays in the block, where a search reads it; the text and object are held by
  // pointer, so that taking a line into the middle of a block moves two pointers for each later
  // line instead of a text.
  struct Item {
    SortKey key;
    std::unique_ptr<Line> line;
  };
  void CheckIndex(Integer index) const;
  void QuickSort(Integer l, Integer r, const TStringListSortCompare& compare);
  // The key of s under the list's comparison; false when the collation gives none.
  bool MakeKey(const String& s, String& key) const;
  // Gives every line its key once the list has kKeyedFrom lines; keyed_ tells whether all have
  // one.
  void MakeKeys();
  static constexpr size_t kKeyedFrom = 32;
  bool FindKey(std::string_view key, Integer& index) const;

  // In blocks: a sorted list takes a line in its place without moving every later line.
  TBlockList<Item> items_;
  Integer capacity_ = 0;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
  // Every line carries the key of its text under the present comparison.
  bool keyed_ = false;
};

}  // namespace orv
