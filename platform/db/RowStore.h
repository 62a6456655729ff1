#pragma once
// The rows of an open dataset in flat arrays: a storage class byte and an 8-byte payload per
// cell, and an arena for the bytes of text and blobs. Opening 50,000 rows thus costs a few
// large allocations instead of one per cell; values become Variants only when a field is read.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextUtils.h"

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
    if (rows_ % kBlockRows == 0) {
      const size_t cells = kBlockRows * static_cast<size_t>(columns_);
      types_.push_back(std::make_unique<CellType[]>(cells));
      payload_.push_back(std::make_unique<std::uint64_t[]>(cells));
    }
    return rows_++;
  }

  void Set(std::int64_t row, int column, const CellView& cell) {
    CellType& type = TypeAt(row, column);
    std::uint64_t& payload = PayloadAt(row, column);
    type = cell.Type;
    switch (cell.Type) {
      case CellType::Null: payload = 0; break;
      case CellType::Integer: std::memcpy(&payload, &cell.Int, 8); break;
      case CellType::Float: std::memcpy(&payload, &cell.Float, 8); break;
      case CellType::Text:
        // A text holds UTF-8 from here on: bytes another program wrote that are not become
        // U+FFFD, so no reader or exporter downstream meets them.
        payload = IsValidUtf8(cell.Bytes) ? Append(cell.Bytes) : Append(ReplaceInvalidUtf8(cell.Bytes));
        break;
      case CellType::Blob: payload = Append(cell.Bytes); break;
    }
  }

  CellView Get(std::int64_t row, int column) const {
    const std::uint64_t payload = PayloadAt(row, column);
    CellView v;
    v.Type = TypeAt(row, column);
    switch (v.Type) {
      case CellType::Null: break;
      case CellType::Integer: std::memcpy(&v.Int, &payload, 8); break;
      case CellType::Float: std::memcpy(&v.Float, &payload, 8); break;
      case CellType::Text:
      case CellType::Blob: {
        const char* at = chunks_[payload >> 32].get() + (payload & 0xFFFFFFFFu);
        std::uint32_t len;
        std::memcpy(&len, at, 4);
        v.Bytes = std::string_view(at + 4, len);
        break;
      }
    }
    return v;
  }

  void CopyRow(std::int64_t from, std::int64_t to) {
    for (int c = 0; c < columns_; ++c) Set(to, c, Get(from, c));
  }

 private:
  // Cells live in blocks of rows that never move: growing a vector of every cell moved all of
  // them once more each time it doubled, and held both copies meanwhile (tens of megabytes at
  // 50,000 rows of a wide table).
  static constexpr size_t kBlockRows = 64;
  size_t Offset(std::int64_t row, int column) const {
    return static_cast<size_t>(row) % kBlockRows * static_cast<size_t>(columns_) + static_cast<size_t>(column);
  }
  // The blocks' cells stay writable through the store's own pointers.
  CellType& TypeAt(std::int64_t row, int column) const {
    return types_[static_cast<size_t>(row) / kBlockRows][Offset(row, column)];
  }
  std::uint64_t& PayloadAt(std::int64_t row, int column) const {
    return payload_[static_cast<size_t>(row) / kBlockRows][Offset(row, column)];
  }
  // The arena is a list of chunks that never move: growing it copies nothing already stored, and
  // a view of a stored value (a row copied within the store) stays valid while more is added.
  // A payload holds the chunk's number in its high half and the offset in the chunk in its low.
  std::uint64_t Append(std::string_view bytes) {
    if (bytes.size() > 0xFFFFFFFFu) throw EDatabaseError("Value too large for a dataset");
    size_t need = 4 + bytes.size();
    if (chunks_.empty() || used_ + need > chunkSize_) {
      // Small at first, for the many datasets of a few rows; a value larger than a chunk gets
      // one of its own.
      chunkSize_ = std::max(std::min(chunkSize_ * 2, kLargestChunk), std::max(kFirstChunk, need));
      chunks_.push_back(std::make_unique_for_overwrite<char[]>(chunkSize_));
      used_ = 0;
    }
    char* at = chunks_.back().get() + used_;
    std::uint32_t len = static_cast<std::uint32_t>(bytes.size());
    std::memcpy(at, &len, 4);
    if (len) std::memcpy(at + 4, bytes.data(), len);
    std::uint64_t place = (static_cast<std::uint64_t>(chunks_.size() - 1) << 32) | used_;
    used_ += need;
    return place;
  }

  static constexpr size_t kFirstChunk = 4096;
  static constexpr size_t kLargestChunk = size_t{1} << 20;
  int columns_;
  std::int64_t rows_ = 0;
  std::vector<std::unique_ptr<CellType[]>> types_;
  std::vector<std::unique_ptr<std::uint64_t[]>> payload_;
  std::vector<std::unique_ptr<char[]>> chunks_;
  size_t chunkSize_ = 0;  // of the last chunk
  size_t used_ = 0;       // bytes of the last chunk in use
};

}  // namespace orv
