#pragma once
// Rows of a worksheet kept in a file instead of the memory: a register's export writes a hundred
// thousand rows in order and never looks at them again until the workbook is written out, one
// row after the other. The file has no name (it is removed as soon as it is made), so nothing is
// left behind however the program ends.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sheet/SheetWorksheet.h"

namespace orv {

class SheetRowSpool {
 public:
  SheetRowSpool();
  ~SheetRowSpool();
  SheetRowSpool(const SheetRowSpool&) = delete;
  SheetRowSpool& operator=(const SheetRowSpool&) = delete;

  // The cells of the next row. Texts go into the file as they read, so that the memory need not
  // keep them, unless strings keeps them shared (SheetStrings::KeepShared); formulas keep their
  // index.
  void Append(const std::vector<SheetCell>& cells, SheetStrings& strings);
  int Count() const { return count_; }

  // Reads the rows back in the order they came.
  class Reader {
   public:
    explicit Reader(const SheetRowSpool& spool);
    // The cells of the next row into cells (their room kept from row to row); their texts are
    // interned in strings to stay, or made transient there for a visit of the row.
    void Next(std::vector<SheetCell>& cells, SheetStrings& strings, bool keep);

   private:
    // At least n bytes from at_ on in buffer_.
    void Need(size_t n);
    const SheetRowSpool& spool_;
    std::string buffer_;
    size_t at_ = 0;
    std::uint64_t fileAt_ = 0;
  };

 private:
  void Flush() const;
  int fd_ = -1;
  int count_ = 0;
  mutable std::string pending_;  // encoded rows not yet in the file
  mutable std::uint64_t size_ = 0;
};

}  // namespace orv
