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
  // A position read from an intermediate-code document, kept as it stood (empty: none).
  explicit TsxSourcePos(const String& text);

  bool Empty() const { return row_ < 0 && !text_; }
  // The row; -1 for no position and for one kept as text.
  int Row() const { return row_; }
  // The position kept as text, or nullptr when it is held as numbers.
  const String* Text() const { return text_.get(); }
  // "row:col", the text kept, or empty.
  String ToString() const;

 private:
  int row_ = -1;
  int col_ = 0;
  // Shared: copies of a statement's position are many, texts from documents few.
  std::shared_ptr<const String> text_;
};

}  // namespace orv
