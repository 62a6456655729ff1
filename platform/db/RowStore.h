#pragma once
// The rows of an open dataset in three flat arrays: a storage class byte and an 8-byte payload
// per cell, and one arena for the bytes of text and blobs. Opening 50,000 rows thus costs a few
// large allocations instead of one per cell; values become Variants only when a field is read.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace orv {

enum class CellType : std::uint8_t { Null, Integer, Float, Text, Blob };

// One value as SQLite keeps it. Text and Blob point into the store's arena (or the caller's
// memory before it is stored).
struct CellView {
  CellType Type = CellType::Null;
  std::int64_t Int = 0;
  double Float = 0;
  std::string_view Bytes;

  static CellView MakeInteger(std::int64_t v) { return {CellType::Integer, v, 0, {}}; }
  static CellView MakeFloat(double v) { return {CellType::Float, 0, v, {}}; }
  static CellView MakeText(std::string_view v) { return {CellType::Text, 0, 0, v}; }
  static CellView MakeBlob(std::string_view v) { return {CellType::Blob, 0, 0, v}; }
  bool IsNull() const { return Type == CellType::Null; }
};

// Rows are numbered from 0 in the order they were added and keep their number for the life of
// the store; a row is never removed (the dataset's row order drops it instead).
class RowStore {
 public:
  explicit RowStore(int columns) : columns_(columns) {}

  int Columns() const { return columns_; }
  std::int64_t Rows() const { return rows_; }

  // A new row of Nulls.
  std::int64_t AddRow() {
    types_.resize(types_.size() + static_cast<size_t>(columns_), CellType::Null);
    payload_.resize(payload_.size() + static_cast<size_t>(columns_), 0);
    return rows_++;
  }

  void Set(std::int64_t row, int column, const CellView& cell) {
    size_t i = Index(row, column);
    types_[i] = cell.Type;
    switch (cell.Type) {
      case CellType::Null: payload_[i] = 0; break;
      case CellType::Integer: std::memcpy(&payload_[i], &cell.Int, 8); break;
      case CellType::Float: std::memcpy(&payload_[i], &cell.Float, 8); break;
      case CellType::Text:
      case CellType::Blob: payload_[i] = Append(cell.Bytes); break;
    }
  }

  CellView Get(std::int64_t row, int column) const {
    size_t i = Index(row, column);
    CellView v;
    v.Type = types_[i];
    switch (v.Type) {
      case CellType::Null: break;
      case CellType::Integer: std::memcpy(&v.Int, &payload_[i], 8); break;
      case CellType::Float: std::memcpy(&v.Float, &payload_[i], 8); break;
      case CellType::Text:
      case CellType::Blob: {
        std::uint32_t len;
        std::memcpy(&len, arena_.data() + payload_[i], 4);
        v.Bytes = std::string_view(arena_.data() + payload_[i] + 4, len);
        break;
      }
    }
    return v;
  }

  void CopyRow(std::int64_t from, std::int64_t to) {
    for (int c = 0; c < columns_; ++c) Set(to, c, Get(from, c));
  }

 private:
  size_t Index(std::int64_t row, int column) const {
    return static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column);
  }
  std::uint64_t Append(std::string_view bytes) {
    if (bytes.size() > 0xFFFFFFFFu) throw EDatabaseError("Value too large for a dataset");
    // A view into the arena itself would dangle once the arena grows.
    if (!arena_.empty() && bytes.data() >= arena_.data() &&
        bytes.data() < arena_.data() + arena_.size()) {
      std::string copy(bytes);
      return Append(copy);
    }
    std::uint32_t len = static_cast<std::uint32_t>(bytes.size());
    size_t at = arena_.size();
    arena_.resize(at + 4 + bytes.size());
    std::memcpy(arena_.data() + at, &len, 4);
    if (len) std::memcpy(arena_.data() + at + 4, bytes.data(), len);
    return at;
  }

  int columns_;
  std::int64_t rows_ = 0;
  std::vector<CellType> types_;
  std::vector<std::uint64_t> payload_;
  std::vector<char> arena_;
};

}  // namespace orv
