#pragma once
// Ordering the rows of a dataset by some of its columns, as SQLite's ORDER BY would with the
// "THAI" collation on the text columns named for it, but with one collator call per distinct
// text rather than one per comparison.
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/db/RowStore.h"

namespace orv {

struct TSortColumn {
  int Column = 0;
  bool Thai = false;  // text compares in Thai order, else by its bytes
  bool Descending = false;
};

// Takes the sort cells of each row in turn and gives the order of the rows: Nulls first, then
// numbers, texts and blobs, as in SQLite; rows that compare equal keep the order they came in.
class TRowSorter {
 public:
  // Column of each TSortColumn is the index of its cell in Add. working, when given, is called
  // after each Thai sort key and before the rows are put in order: it may end the sort by
  // raising (a time limit).
  explicit TRowSorter(std::vector<TSortColumn> columns, std::function<void()> working = {});
  void Add(const std::vector<CellView>& cells);
  // The numbers (from 0, in the order added) of the rows in order.
  std::vector<std::int64_t> Order() const;

 private:
  struct Distinct {
    CellView Cell;    // bytes point into the sorter's own copies
    std::string Key;  // the Thai sort key of a text
  };
  // The distinct values of one column and, per row added, which of them it holds.
  struct ColumnValues {
    std::vector<Distinct> Values;
    std::vector<std::uint32_t> OfRow;
    std::unordered_map<std::string_view, std::uint32_t> Texts, Blobs;
    std::unordered_map<std::int64_t, std::uint32_t> Integers, Floats;
    int NullValue = -1;
  };
  std::uint32_t ValueOf(ColumnValues& values, const TSortColumn& column, const CellView& cell);
  std::vector<std::uint32_t> Ranks(const ColumnValues& values, const TSortColumn& column) const;

  std::vector<TSortColumn> columns_;
  std::vector<ColumnValues> values_;
  std::deque<std::string> bytes_;  // stable copies of the distinct texts and blobs
  std::int64_t rows_ = 0;
  std::function<void()> working_;
};

// The rows of store in the order of its columns named in columns; working as for TRowSorter.
std::vector<std::int64_t> SortedRows(const RowStore& store, const std::vector<TSortColumn>& columns,
                                     const std::function<void()>& working = {});

}  // namespace orv
