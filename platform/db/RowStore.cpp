#include "platform/db/RowStore.h"

#include <algorithm>
#include <atomic>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TempFile.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

// Measured on the stretched member list of 100,000 rows: its peak is 85 MB at 4 MB, 89 MB at
// 8 MB and 97 MB at 16 MB, at the same speed; every row in memory took 119 MB.
std::atomic<size_t> budget{size_t{4} << 20};

// A chunk is closed at about an eighth of the budget (and at most a megabyte), so that the
// budget holds several and a row read out of order costs no more than one such read.
// Rows read in a batch get their texts after the chunk is laid out, so a chunk also ends at a
// number of rows that holds rows of a few hundred bytes within that size.
constexpr std::int64_t kMostRows = 512;
constexpr size_t kSmallestChunk = 4096;
constexpr size_t kLargestChunk = size_t{1} << 20;
constexpr size_t kFirstBlock = 4096;
constexpr size_t kLargestBlock = size_t{1} << 20;

}  // namespace

size_t RowStore::MemoryBudget() { return budget.load(std::memory_order_relaxed); }
void RowStore::SetMemoryBudget(size_t bytes) { budget.store(bytes, std::memory_order_relaxed); }

RowStore::RowStore(int columns) : columns_(columns) {}

RowStore::~RowStore() = default;

std::int64_t RowStore::AddRow() {
  size_t index = chunks_.empty() ? 0 : chunks_.size() - 1;
  size_t target = std::clamp(MemoryBudget() / 8, kSmallestChunk, kLargestChunk);
  if (chunks_.empty() || chunks_.back().rows >= kMostRows ||
      (chunks_.back().rows > 0 && UseChunk(index).Bytes() >= target)) {
    // The first chunk grows with its rows, for the many datasets of a few rows; a later one is
    // made as large as the one before it holds.
    std::int64_t before = chunks_.empty() ? 0 : chunks_.back().rows;
    // Its cells are those of the columns the last row before it has values in: a walk goes on
    // reading the same columns. (A chunk that went to the file is not brought back for it: the
    // chunks of the rows a caller holds stay where they are.)
    std::vector<int> slots(static_cast<size_t>(columns_), -1);
    int width = 0;
    if (before > 0 && chunks_.back().resident) {
      const Chunk& last = chunks_.back();
      for (int c = 0; c < columns_; ++c) {
        const int slot = last.slots[static_cast<size_t>(c)];
        if (slot >= 0 && last.types[last.Index(last.first + last.rows - 1, slot)] != CellType::Null)
          slots[static_cast<size_t>(c)] = width++;
      }
    }
    chunks_.emplace_back();
    index = chunks_.size() - 1;
    Chunk& chunk = chunks_.back();
    chunk.first = rows_;
    chunk.slots = std::move(slots);
    chunk.width = chunk.used = width;
    if (width * 2 > columns_) WholeRows(chunk);
    if (before > 0) Lay(chunk, before);
    resident_ += chunk.Bytes();
  }
  Chunk& chunk = UseChunk(index);
  size_t before = chunk.Bytes();
  // The room past the rows holds Nulls already.
  if (chunk.rows == chunk.room) Lay(chunk, std::min(std::max<std::int64_t>(1, chunk.room * 2), kMostRows));
  ++chunk.rows;
  chunk.dirty = true;
  resident_ += chunk.Bytes() - before;
  Trim();
  return rows_++;
}

void RowStore::Lay(Chunk& chunk, std::int64_t rows) const {
  const size_t cells = static_cast<size_t>(rows) * static_cast<size_t>(chunk.width);
  auto types = std::make_unique_for_overwrite<CellType[]>(cells);
  auto payload = std::make_unique_for_overwrite<std::uint64_t[]>(cells);
  const size_t kept = static_cast<size_t>(chunk.rows) * static_cast<size_t>(chunk.width);
  if (kept > 0) {
    std::memcpy(types.get(), chunk.types.get(), kept);
    std::memcpy(payload.get(), chunk.payload.get(), kept * 8);
  }
  std::fill_n(types.get() + kept, cells - kept, CellType::Null);
  chunk.types = std::move(types);
  chunk.payload = std::move(payload);
  chunk.room = rows;
  chunk.cells = cells;
}

void RowStore::WholeRows(Chunk& chunk) const {
  for (int c = 0; c < columns_; ++c) chunk.slots[static_cast<size_t>(c)] = c;
  chunk.width = chunk.used = columns_;
}

void RowStore::Widen(Chunk& chunk, int column) const {
  if (chunk.used < chunk.width) {
    // The cells past the ones in use are Null in every row already.
    chunk.slots[static_cast<size_t>(column)] = chunk.used++;
    return;
  }
  const size_t before = chunk.Bytes();
  // Each column of a row read whole widens the chunk: its width doubles, so that its rows are
  // copied a few times at most. Past half the columns a row costs little more
  // whole, and a chunk of whole rows is never widened again.
  std::vector<std::pair<int, int>> moved;  // old cell, new cell
  for (int c = 0; c < columns_; ++c)
    if (chunk.slots[static_cast<size_t>(c)] >= 0) moved.emplace_back(chunk.slots[static_cast<size_t>(c)], c);
  const int oldWidth = chunk.width;
  const int width = std::max(4, oldWidth * 2);
  chunk.slots[static_cast<size_t>(column)] = chunk.used++;
  if (width * 2 > columns_) {
    WholeRows(chunk);
  } else {
    chunk.width = width;
  }
  for (auto& m : moved) m.second = chunk.slots[static_cast<size_t>(m.second)];
  const size_t cells = static_cast<size_t>(chunk.room) * static_cast<size_t>(chunk.width);
  auto types = std::make_unique_for_overwrite<CellType[]>(cells);
  auto payload = std::make_unique_for_overwrite<std::uint64_t[]>(cells);
  std::fill_n(types.get(), cells, CellType::Null);
  for (std::int64_t r = 0; r < chunk.rows; ++r) {
    const size_t from = static_cast<size_t>(r) * static_cast<size_t>(oldWidth);
    const size_t to = static_cast<size_t>(r) * static_cast<size_t>(chunk.width);
    for (const auto& [oldCell, newCell] : moved) {
      types[to + static_cast<size_t>(newCell)] = chunk.types[from + static_cast<size_t>(oldCell)];
      payload[to + static_cast<size_t>(newCell)] = chunk.payload[from + static_cast<size_t>(oldCell)];
    }
  }
  chunk.types = std::move(types);
  chunk.payload = std::move(payload);
  chunk.cells = cells;
  resident_ += chunk.Bytes() - before;
}

size_t RowStore::ChunkOf(std::int64_t row) const {
  auto after = std::upper_bound(chunks_.begin(), chunks_.end(), row,
                                [](std::int64_t r, const Chunk& c) { return r < c.first; });
  return static_cast<size_t>(after - chunks_.begin()) - 1;
}

void RowStore::Set(std::int64_t row, int column, const CellView& cell) {
  Chunk& chunk = Use(row);
  if (chunk.slots[static_cast<size_t>(column)] < 0) {
    if (cell.IsNull()) return;
    Widen(chunk, column);
  }
  size_t i = chunk.Index(row, chunk.slots[static_cast<size_t>(column)]);
  chunk.dirty = true;
  chunk.types[i] = cell.Type;
  switch (cell.Type) {
    case CellType::Null: chunk.payload[i] = 0; break;
    case CellType::Integer: std::memcpy(&chunk.payload[i], &cell.Int, 8); break;
    case CellType::Float: std::memcpy(&chunk.payload[i], &cell.Float, 8); break;
    case CellType::Text:
      // A text holds UTF-8 from here on: bytes another program wrote that are not become
      // U+FFFD, so no reader or exporter downstream meets them.
      chunk.payload[i] = IsValidUtf8(cell.Bytes) ? Append(chunk, cell.Bytes)
                                                 : Append(chunk, ReplaceInvalidUtf8(cell.Bytes));
      break;
    case CellType::Blob: chunk.payload[i] = Append(chunk, cell.Bytes); break;
  }
}

void RowStore::CopyRow(std::int64_t from, std::int64_t to) {
  for (int c = 0; c < columns_; ++c) Set(to, c, Get(from, c));
}

std::uint64_t RowStore::Append(Chunk& chunk, std::string_view bytes) {
  if (bytes.size() > 0xFFFFFFFFu - 4) throw EDatabaseError("Value too large for a dataset");
  size_t need = 4 + bytes.size();
  bool grown = chunk.blocks.empty() || chunk.blockUsed.back() + need > chunk.blockSize;
  if (grown) {
    // Small at first; a value larger than a block gets one of its own.
    chunk.blockSize = std::max(std::min(chunk.blockSize * 2, kLargestBlock), std::max(kFirstBlock, need));
    chunk.blocks.push_back(std::make_unique_for_overwrite<char[]>(chunk.blockSize));
    chunk.blockUsed.push_back(0);
    chunk.arenaBytes += chunk.blockSize;
    resident_ += chunk.blockSize;
  }
  char* at = chunk.blocks.back().get() + chunk.blockUsed.back();
  std::uint32_t len = static_cast<std::uint32_t>(bytes.size());
  std::memcpy(at, &len, 4);
  if (len) std::memcpy(at + 4, bytes.data(), len);
  std::uint64_t place = (static_cast<std::uint64_t>(chunk.blocks.size() - 1) << 32) | chunk.blockUsed.back();
  chunk.blockUsed.back() += static_cast<std::uint32_t>(need);
  // The bytes being stored may be those of the row used before this one: its chunk stays.
  if (grown) Trim();
  return place;
}

RowStore::Chunk& RowStore::UseChunk(size_t index) const {
  if (!chunks_[index].resident) Load(index);
  if (last_ != index) {
    previous_ = last_;
    last_ = index;
  }
  chunks_[index].lastUse = ++clock_;
  Trim();
  return chunks_[index];
}

// Moves the least recently used chunks to the file until the rows fit the budget; the chunks of
// the last two rows used stay, as their bytes may be in a caller's hands.
void RowStore::Trim() const {
  size_t limit = MemoryBudget();
  while (resident_ > limit && !noFile_) {
    size_t oldest = SIZE_MAX;
    for (size_t i = 0; i < chunks_.size(); ++i) {
      const Chunk& c = chunks_[i];
      if (!c.resident || i == last_ || i == previous_) continue;
      if (oldest == SIZE_MAX || c.lastUse < chunks_[oldest].lastUse) oldest = i;
    }
    if (oldest == SIZE_MAX) return;
    Unload(oldest);
  }
}

void RowStore::Unload(size_t index) const {
  Chunk& c = chunks_[index];
  if (c.dirty || c.fileRoom == 0) {
    // The rows' cells without the room past them. A Null has no payload: the cells of the
    // columns a walk did not read cost their type alone.
    const CellType* types = c.types.get();
    const size_t typeBytes = static_cast<size_t>(c.rows) * static_cast<size_t>(c.width);
    std::vector<std::uint64_t> values;
    for (size_t i = 0; i < typeBytes; ++i)
      if (types[i] != CellType::Null) values.push_back(c.payload[i]);
    std::uint64_t size = typeBytes + values.size() * 8;
    for (std::uint32_t used : c.blockUsed) size += used;
    try {
      if (!file_) file_ = std::make_unique<TTempFile>(String(), "orvRows");
      if (size > c.fileRoom) {
        c.fileAt = fileEnd_;
        c.fileRoom = size;
        fileEnd_ += size;
      }
      std::uint64_t at = c.fileAt;
      file_->WriteAt(at, types, typeBytes);
      at += typeBytes;
      file_->WriteAt(at, values.data(), values.size() * 8);
      at += values.size() * 8;
      for (size_t b = 0; b < c.blocks.size(); ++b) {
        file_->WriteAt(at, c.blocks[b].get(), c.blockUsed[b]);
        at += c.blockUsed[b];
      }
    } catch (const Exception&) {
      // No file can be made or the disk is full: the rows stay in memory, all of them, and the
      // part of the file this chunk may have overwritten no longer holds it.
      c.fileRoom = 0;
      noFile_ = true;
      return;
    }
    c.dirty = false;
  }
  resident_ -= c.Bytes();
  c.types.reset();
  c.payload.reset();
  c.room = 0;
  c.cells = 0;
  std::vector<std::unique_ptr<char[]>>().swap(c.blocks);
  c.arenaBytes = 0;
  c.resident = false;
}

void RowStore::Load(size_t index) const {
  Chunk& c = chunks_[index];
  size_t cells = static_cast<size_t>(c.rows) * static_cast<size_t>(c.width);
  std::uint64_t at = c.fileAt;
  auto read = [&](void* to, size_t count) {
    if (at + count > c.fileAt + c.fileRoom || file_->ReadAt(at, to, count) != count)
      throw EDatabaseError("The rows of the dataset cannot be read back from their temporary file");
    at += count;
  };
  auto types = std::make_unique_for_overwrite<CellType[]>(cells);
  auto payload = std::make_unique_for_overwrite<std::uint64_t[]>(cells);
  std::vector<std::unique_ptr<char[]>> blocks;
  read(types.get(), cells);
  size_t values = static_cast<size_t>(
      std::count_if(types.get(), types.get() + cells, [](CellType t) { return t != CellType::Null; }));
  // The values come in at the end and move forward to their cells: a value's cell is never past
  // the place it is read from.
  read(payload.get() + (cells - values), values * 8);
  for (size_t i = 0, from = cells - values; i < cells; ++i)
    if (types[i] != CellType::Null) payload[i] = payload[from++];
  for (std::uint32_t used : c.blockUsed) {
    blocks.push_back(std::make_unique_for_overwrite<char[]>(std::max<size_t>(used, 1)));
    read(blocks.back().get(), used);
  }
  c.types = std::move(types);
  c.payload = std::move(payload);
  c.room = c.rows;
  c.cells = cells;
  c.blocks = std::move(blocks);
  // Each block comes back as large as its bytes: a text added later starts a new one.
  c.arenaBytes = 0;
  for (std::uint32_t used : c.blockUsed) c.arenaBytes += std::max<size_t>(used, 1);
  c.blockSize = c.blockUsed.empty() ? 0 : c.blockUsed.back();
  c.resident = true;
  c.dirty = false;
  resident_ += c.Bytes();
}

}  // namespace orv
