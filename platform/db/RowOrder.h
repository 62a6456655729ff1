#pragma once
// Ordering the rows of a dataset by some of its columns, as SQLite's ORDER BY would with the
// "THAI" collation on the text columns named for it, but with one collator call per distinct
// text rather than one per comparison.
#include <vector>

#include "platform/db/RowStore.h"

namespace orv {

struct TSortColumn {
  int Column = 0;
  bool Thai = false;        // text compares in Thai order, else by its bytes
  bool Descending = false;
};

// The numbers of rows in the order of the columns; rows that compare equal keep their order in
// rows. Nulls come first, then numbers, texts and blobs, as in SQLite.
std::vector<std::int64_t> SortedRows(const RowStore& store, const std::vector<std::int64_t>& rows,
                                     const std::vector<TSortColumn>& columns);

}  // namespace orv
