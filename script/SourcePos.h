#pragma once
// TsxSourcePos: where a statement, a designator's link or an operator stands in its unit.
// Held as numbers: a program of twenty thousand statements has some hundred thousand of them,
// and only an error, the debugger or the line handler ever asks for the "row:col" text.
#include <memory>

#include "platform/rtl/Types.h"

namespace orv {

class TsxSourcePos {
 public:
  // No position: its text is empty.
  TsxSourcePos() = default;
  TsxSourcePos(int row, int col) : row_(row), col_(col) {}
  // A position read from an intermediate-code document: "row:col" as the parser writes it is
  // held as numbers, anything else kept as it stood (empty: none).
  explicit TsxSourcePos(const String& text);
  TsxSourcePos(const TsxSourcePos& other);
  TsxSourcePos(TsxSourcePos&& other) noexcept = default;
  TsxSourcePos& operator=(const TsxSourcePos& other);
  TsxSourcePos& operator=(TsxSourcePos&& other) noexcept = default;
  ~TsxSourcePos();

  bool Empty() const { return row_ < 0 && !text_; }
  // The row; -1 for no position and for one kept as text.
  int Row() const { return row_; }
  // "row:col", the text kept, or empty.
  String ToString() const;

 private:
  int row_ = -1;
  int col_ = 0;
  // Only for a position whose text is no "row:col" of the parser's: rare enough to be copied
  // with the position.
  std::unique_ptr<const String> text_;
};

}  // namespace orv
