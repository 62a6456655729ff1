#include "platform/db/RowOrder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "platform/db/ThaiCollation.h"

namespace orv {

namespace {

int ClassOf(CellType type) {
  switch (type) {
    case CellType::Null: return 0;
    case CellType::Integer:
    case CellType::Float: return 1;
    case CellType::Text: return 2;
    case CellType::Blob: return 3;
  }
  return 0;
}

int CompareBytes(std::string_view a, std::string_view b) {
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Integers beyond 2^53 are not all doubles; compare them as SQLite does, exactly.
int CompareNumbers(const CellView& a, const CellView& b) {
  if (a.Type == CellType::Integer && b.Type == CellType::Integer)
    return a.Int < b.Int ? -1 : (a.Int > b.Int ? 1 : 0);
  long double x = a.Type == CellType::Integer ? static_cast<long double>(a.Int) : a.Float;
  long double y = b.Type == CellType::Integer ? static_cast<long double>(b.Int) : b.Float;
  return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace

TRowSorter::TRowSorter(std::vector<TSortColumn> columns, std::function<void()> working)
    : columns_(std::move(columns)), values_(columns_.size()), working_(std::move(working)) {}

std::uint32_t TRowSorter::ValueOf(ColumnValues& values, const TSortColumn& column,
                                  const CellView& cell) {
  auto next = static_cast<std::uint32_t>(values.Values.size());
  std::uint32_t* found = nullptr;
  switch (cell.Type) {
    case CellType::Null:
      if (values.NullValue < 0) {
        values.NullValue = static_cast<int>(next);
        values.Values.push_back({cell, {}});
      }
      return static_cast<std::uint32_t>(values.NullValue);
    case CellType::Integer: found = &values.Integers.try_emplace(cell.Int, next).first->second; break;
    case CellType::Float: {
      std::int64_t bits;
      std::memcpy(&bits, &cell.Float, sizeof bits);
      found = &values.Floats.try_emplace(bits, next).first->second;
      break;
    }
    case CellType::Text:
    case CellType::Blob: {
      auto& map = cell.Type == CellType::Text ? values.Texts : values.Blobs;
      auto it = map.find(cell.Bytes);
      if (it != map.end()) return it->second;
      std::string_view copy = bytes_.emplace_back(cell.Bytes);
      map.emplace(copy, next);
      CellView kept = cell;
      kept.Bytes = copy;
      const bool thai = cell.Type == CellType::Text && column.Thai;
      values.Values.push_back({kept, thai ? ThaiSortKey(copy) : std::string()});
      if (thai && working_) working_();
      return next;
    }
  }
  if (*found == next) values.Values.push_back({cell, {}});
  return *found;
}

void TRowSorter::Add(const std::vector<CellView>& cells) {
  for (size_t c = 0; c < columns_.size(); ++c)
    values_[c].OfRow.push_back(
        ValueOf(values_[c], columns_[c], cells[static_cast<size_t>(columns_[c].Column)]));
  ++rows_;
}

// Each row's rank in the column: equal values share a rank.
std::vector<std::uint32_t> TRowSorter::Ranks(const ColumnValues& values,
                                             const TSortColumn& column) const {
  auto compare = [&](const Distinct& a, const Distinct& b) {
    int ca = ClassOf(a.Cell.Type), cb = ClassOf(b.Cell.Type);
    if (ca != cb) return ca < cb ? -1 : 1;
    switch (ca) {
      case 1: return CompareNumbers(a.Cell, b.Cell);
      case 2:
        return column.Thai ? CompareBytes(a.Key, b.Key) : CompareBytes(a.Cell.Bytes, b.Cell.Bytes);
      case 3: return CompareBytes(a.Cell.Bytes, b.Cell.Bytes);
      default: return 0;
    }
  };
  const auto& distinct = values.Values;
  std::vector<std::uint32_t> byOrder(distinct.size());
  std::iota(byOrder.begin(), byOrder.end(), 0u);
  std::sort(byOrder.begin(), byOrder.end(), [&](std::uint32_t a, std::uint32_t b) {
    return compare(distinct[a], distinct[b]) < 0;
  });
  std::vector<std::uint32_t> rank(distinct.size());
  std::uint32_t r = 0;
  for (size_t k = 0; k < byOrder.size(); ++k) {
    if (k > 0 && compare(distinct[byOrder[k - 1]], distinct[byOrder[k]]) != 0) ++r;
    rank[byOrder[k]] = r;
  }
  std::vector<std::uint32_t> ofRow(values.OfRow.size());
  for (size_t i = 0; i < ofRow.size(); ++i) ofRow[i] = rank[values.OfRow[i]];
  return ofRow;
}

std::vector<std::int64_t> TRowSorter::Order() const {
  if (working_) working_();
  auto rows = static_cast<size_t>(rows_);
  // Each row's ranks become one number, mixed-radix by the number of distinct values of each
  // column, while that number fits; ties are then broken by the row's place.
  std::vector<std::uint64_t> key(rows, 0);
  std::vector<std::vector<std::uint32_t>> ranks;
  bool fits = true;
  std::uint64_t span = 1;
  for (size_t c = 0; c < columns_.size(); ++c) {
    std::vector<std::uint32_t> r = Ranks(values_[c], columns_[c]);
    std::uint64_t distinct = r.empty() ? 1 : *std::max_element(r.begin(), r.end()) + std::uint64_t{1};
    if (fits && span <= UINT64_MAX / distinct) {
      span *= distinct;
      for (size_t i = 0; i < rows; ++i)
        key[i] = key[i] * distinct + (columns_[c].Descending ? distinct - 1 - r[i] : r[i]);
    } else {
      fits = false;
    }
    ranks.push_back(std::move(r));
  }
  std::vector<std::int64_t> order(rows);
  if (fits && span <= 4 * rows + 1024) {
    // Few distinct orders (names repeat): counting them puts each row in place at once, equal
    // keys in the order they came.
    std::vector<size_t> start(static_cast<size_t>(span) + 1, 0);
    for (std::uint64_t k : key) ++start[static_cast<size_t>(k) + 1];
    for (size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
    for (size_t i = 0; i < rows; ++i)
      order[start[static_cast<size_t>(key[i])]++] = static_cast<std::int64_t>(i);
  } else if (fits) {
    std::vector<std::pair<std::uint64_t, std::int64_t>> keyed(rows);
    for (size_t i = 0; i < rows; ++i) keyed[i] = {key[i], static_cast<std::int64_t>(i)};
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < rows; ++i) order[i] = keyed[i].second;
  } else {
    std::iota(order.begin(), order.end(), std::int64_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::int64_t a, std::int64_t b) {
      for (size_t c = 0; c < columns_.size(); ++c) {
        std::uint32_t x = ranks[c][static_cast<size_t>(a)], y = ranks[c][static_cast<size_t>(b)];
        if (x != y) return columns_[c].Descending ? x > y : x < y;
      }
      return false;
    });
  }
  return order;
}

std::vector<std::int64_t> SortedRows(const RowStore& store, const std::vector<TSortColumn>& columns,
                                     const std::function<void()>& working) {
  TRowSorter sorter(columns, working);
  std::vector<CellView> cells(static_cast<size_t>(store.Columns()));
  for (std::int64_t r = 0; r < store.Rows(); ++r) {
    for (const TSortColumn& c : columns) cells[static_cast<size_t>(c.Column)] = store.Get(r, c.Column);
    sorter.Add(cells);
  }
  return sorter.Order();
}

}  // namespace orv
