#include "platform/db/RowOrder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <unordered_map>

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

// One distinct value of a column and what it sorts by.
struct Distinct {
  CellView Cell;
  std::string Key;  // the Thai sort key of a text
};

int Compare(const Distinct& a, const Distinct& b, bool thai) {
  int ca = ClassOf(a.Cell.Type), cb = ClassOf(b.Cell.Type);
  if (ca != cb) return ca < cb ? -1 : 1;
  switch (ca) {
    case 1: return CompareNumbers(a.Cell, b.Cell);
    case 2: return thai ? CompareBytes(a.Key, b.Key) : CompareBytes(a.Cell.Bytes, b.Cell.Bytes);
    case 3: return CompareBytes(a.Cell.Bytes, b.Cell.Bytes);
    default: return 0;
  }
}

// Each row's rank in the column: equal values share a rank.
std::vector<std::uint32_t> Ranks(const RowStore& store, const std::vector<std::int64_t>& rows,
                                 const TSortColumn& column) {
  std::vector<Distinct> values;
  std::vector<std::uint32_t> valueOf(rows.size());
  std::unordered_map<std::string_view, std::uint32_t> texts, blobs;
  std::unordered_map<std::int64_t, std::uint32_t> integers, floats;
  int nullValue = -1;
  for (size_t i = 0; i < rows.size(); ++i) {
    CellView cell = store.Get(rows[i], column.Column);
    auto index = static_cast<std::uint32_t>(values.size());
    std::uint32_t* found = nullptr;
    switch (cell.Type) {
      case CellType::Null:
        if (nullValue < 0) {
          nullValue = static_cast<int>(index);
          values.push_back({cell, {}});
        }
        valueOf[i] = static_cast<std::uint32_t>(nullValue);
        continue;
      case CellType::Integer: found = &integers.try_emplace(cell.Int, index).first->second; break;
      case CellType::Float: {
        std::int64_t bits;
        std::memcpy(&bits, &cell.Float, sizeof bits);
        found = &floats.try_emplace(bits, index).first->second;
        break;
      }
      case CellType::Text: found = &texts.try_emplace(cell.Bytes, index).first->second; break;
      case CellType::Blob: found = &blobs.try_emplace(cell.Bytes, index).first->second; break;
    }
    valueOf[i] = *found;
    if (*found == index)
      values.push_back({cell, cell.Type == CellType::Text && column.Thai
                                  ? ThaiSortKey(cell.Bytes)
                                  : std::string()});
  }
  std::vector<std::uint32_t> byOrder(values.size());
  std::iota(byOrder.begin(), byOrder.end(), 0u);
  std::sort(byOrder.begin(), byOrder.end(), [&](std::uint32_t a, std::uint32_t b) {
    return Compare(values[a], values[b], column.Thai) < 0;
  });
  std::vector<std::uint32_t> rank(values.size());
  std::uint32_t r = 0;
  for (size_t k = 0; k < byOrder.size(); ++k) {
    if (k > 0 && Compare(values[byOrder[k - 1]], values[byOrder[k]], column.Thai) != 0) ++r;
    rank[byOrder[k]] = r;
  }
  for (auto& v : valueOf) v = rank[v];
  return valueOf;
}

}  // namespace

std::vector<std::int64_t> SortedRows(const RowStore& store, const std::vector<std::int64_t>& rows,
                                     const std::vector<TSortColumn>& columns) {
  // Each row's ranks become one number, mixed-radix by the number of distinct values of each
  // column, while that number fits; ties are then broken by the row's place.
  std::vector<std::uint64_t> key(rows.size(), 0);
  std::vector<std::vector<std::uint32_t>> ranks;
  bool fits = true;
  std::uint64_t span = 1;
  for (const TSortColumn& column : columns) {
    std::vector<std::uint32_t> r = Ranks(store, rows, column);
    std::uint64_t distinct = r.empty() ? 1 : *std::max_element(r.begin(), r.end()) + std::uint64_t{1};
    if (fits && span <= UINT64_MAX / distinct) {
      span *= distinct;
      for (size_t i = 0; i < r.size(); ++i)
        key[i] = key[i] * distinct + (column.Descending ? distinct - 1 - r[i] : r[i]);
    } else {
      fits = false;
    }
    ranks.push_back(std::move(r));
  }
  std::vector<size_t> order(rows.size());
  if (fits && span <= 4 * rows.size() + 1024) {
    // Few distinct orders (names repeat): counting them puts each row in place at once, equal
    // keys in their present order.
    std::vector<size_t> start(static_cast<size_t>(span) + 1, 0);
    for (std::uint64_t k : key) ++start[static_cast<size_t>(k) + 1];
    for (size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
    for (size_t i = 0; i < rows.size(); ++i) order[start[static_cast<size_t>(key[i])]++] = i;
  } else if (fits) {
    std::vector<std::pair<std::uint64_t, size_t>> keyed(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) keyed[i] = {key[i], i};
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < rows.size(); ++i) order[i] = keyed[i].second;
  } else {
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      for (size_t c = 0; c < columns.size(); ++c) {
        std::uint32_t x = ranks[c][a], y = ranks[c][b];
        if (x != y) return columns[c].Descending ? x > y : x < y;
      }
      return false;
    });
  }
  std::vector<std::int64_t> sorted(rows.size());
  for (size_t i = 0; i < order.size(); ++i) sorted[i] = rows[order[i]];
  return sorted;
}

}  // namespace orv
