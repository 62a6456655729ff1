#pragma once
// The rows of an open dataset in flat arrays: a storage class byte and an 8-byte payload per
// cell, and an arena for the bytes of text and blobs. Opening 50,000 rows thus costs a few
// large allocations instead of one per cell; values become Variants only when a field is read.
// A row is added without writing its cells: the room past a chunk's rows holds Nulls from the
// start, and a Null's payload is never read. A chunk has cells only for the columns that were
// given a value in it: a walk that reads a few columns of a wide table holds those alone.
//
// The rows are kept in chunks of consecutive rows, each with its own cells and arena. Past a
// memory budget the least recently used chunks go to a temporary file and come back when a row
// of theirs is next read or written, so a result of any size holds about the budget in memory,
// and a walk in order reads each chunk once.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace orv {

class TTempFile;

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
//
// The bytes of a Text or Blob from Get stay valid until a row of a third chunk is read or
// written: the chunks of the last two rows used are never moved out. Reading the cells of one
// row, or copying a row to another, is thus safe.
class RowStore {
 public:
  explicit RowStore(int columns);
  ~RowStore();
  RowStore(const RowStore&) = delete;
  RowStore& operator=(const RowStore&) = delete;

  int Columns() const { return columns_; }
  std::int64_t Rows() const { return rows_; }

  // A new row of Nulls.
  std::int64_t AddRow();
  void Set(std::int64_t row, int column, const CellView& cell);
  CellView Get(std::int64_t row, int column) const {
    const Chunk& chunk = Use(row);
    CellView v;
    const int slot = chunk.slots[static_cast<size_t>(column)];
    if (slot < 0) return v;
    size_t i = chunk.Index(row, slot);
    v.Type = chunk.types[i];
    switch (v.Type) {
      case CellType::Null: break;
      case CellType::Integer: std::memcpy(&v.Int, &chunk.payload[i], 8); break;
      case CellType::Float: std::memcpy(&v.Float, &chunk.payload[i], 8); break;
      case CellType::Text:
      case CellType::Blob: {
        std::uint64_t at = chunk.payload[i];
        const char* bytes = chunk.blocks[at >> 32].get() + (at & 0xFFFFFFFFu);
        std::uint32_t len;
        std::memcpy(&len, bytes, 4);
        v.Bytes = std::string_view(bytes + 4, len);
        break;
      }
    }
    return v;
  }
  void CopyRow(std::int64_t from, std::int64_t to);

  // The memory rows may take in each store before chunks go to a file.
  static size_t MemoryBudget();
  static void SetMemoryBudget(size_t bytes);

 private:
  // A text or blob's payload holds its arena block's number in the high half and its offset in
  // the block in the low; blocks never move, so growing the arena copies nothing already stored.
  struct Chunk {
    std::int64_t first = 0;  // row
    std::int64_t rows = 0;
    std::int64_t room = 0;  // rows the cell arrays have room for
    int width = 0;          // cells a row has
    int used = 0;           // of them, given to columns
    std::vector<int> slots;  // by column: its cell in a row, or -1 for a column all Null here
    size_t cells = 0;       // room * width
    std::unique_ptr<CellType[]> types;        // Null past the rows
    std::unique_ptr<std::uint64_t[]> payload;  // a Null's is left unset
    std::vector<std::unique_ptr<char[]>> blocks;
    std::vector<std::uint32_t> blockUsed;  // bytes in use of each block
    size_t blockSize = 0;                  // of the last block
    size_t arenaBytes = 0;                 // of all blocks
    std::uint64_t lastUse = 0;
    std::uint64_t fileAt = 0;
    std::uint64_t fileRoom = 0;  // 0: not in the file
    bool resident = true;
    bool dirty = true;  // changed since it was last written to the file
    size_t Bytes() const { return cells * 9 + arenaBytes; }
    bool Holds(std::int64_t row) const { return row >= first && row < first + rows; }
    size_t Index(std::int64_t row, int slot) const {
      return static_cast<size_t>(row - first) * static_cast<size_t>(width) + static_cast<size_t>(slot);
    }
  };
  Chunk& Use(std::int64_t row) const {
    if (last_ != SIZE_MAX && chunks_[last_].Holds(row)) return chunks_[last_];
    return UseChunk(ChunkOf(row));
  }
  size_t ChunkOf(std::int64_t row) const;
  Chunk& UseChunk(size_t index) const;
  void Load(size_t index) const;
  void Unload(size_t index) const;
  void Trim() const;
  // Gives the chunk room for rows rows, keeping the ones it has.
  void Lay(Chunk& chunk, std::int64_t rows) const;
  // Gives the chunk's rows a cell for the column.
  void Widen(Chunk& chunk, int column) const;
  // Lays the chunk out with a cell for every column (its arrays are laid anew after).
  void WholeRows(Chunk& chunk) const;
  std::uint64_t Append(Chunk& chunk, std::string_view bytes);

  int columns_;
  std::int64_t rows_ = 0;
  mutable std::vector<Chunk> chunks_;
  mutable size_t resident_ = 0;
  mutable size_t last_ = SIZE_MAX;      // chunk of the last row used
  mutable size_t previous_ = SIZE_MAX;  // and of the one before, in another chunk
  mutable std::uint64_t clock_ = 0;
  mutable std::unique_ptr<TTempFile> file_;
  mutable std::uint64_t fileEnd_ = 0;
  mutable bool noFile_ = false;  // none can be made or written: every row stays in memory
};

}  // namespace orv
