#pragma once
// The table of a script's items by name. A name added again is found before the earlier
// entries of that name; reading by position gives the entries sorted by name, the later of
// equal names first. Entries are kept in the order added and found through a hash of their
// names, and sorted only when read by position, so that declaring a program's hundreds of
// thousands of names costs the same for each.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

class TsxCustomVariable;

class TsxItemTable {
 public:
  struct Entry {
    String Key;  // the name as it is compared (the script upper-cases it)
    TsxCustomVariable* Item;
    bool Owned;
    std::uint64_t Added;  // rises with every entry added
  };

  size_t size() const { return entries_.size(); }
  // The entry at index in the sorted order.
  const Entry& operator[](size_t index) const;
  // Every entry, in no particular order, for walks that visit them all.
  const std::vector<Entry>& Entries() const { return entries_; }

  void Add(String key, TsxCustomVariable* item, bool owned);
  // The item of the entry of key added last; nullptr when there is none.
  TsxCustomVariable* Find(const String& key) const;
  // Takes out item's entry; false when it has none.
  bool Remove(const TsxCustomVariable* item, bool& owned);
  // Takes out the entries whose item drop selects.
  std::vector<Entry> Take(const std::function<bool(const TsxCustomVariable&)>& drop);
  void clear();

 private:
  void Sort() const;
  // Makes the hash over the entries anew.
  void Reindex() const;
  void IndexEntry(size_t at) const;
  size_t Home(const String& key) const;

  mutable std::vector<Entry> entries_;
  // Open addressing, at most half full: 0 for an empty slot, else one more than the index of
  // the entry of that key added last.
  mutable std::vector<std::uint32_t> slots_;
  mutable bool sorted_ = true;
  std::uint64_t added_ = 0;
};

}  // namespace orv
