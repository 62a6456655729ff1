#pragma once
// Cell names as the automation interface and formulas write them ("B12", "$C$4", "A1:D9").
#include <optional>
#include <string_view>

#include "platform/rtl/Types.h"

namespace orv {

// 1-based row and column.
struct SheetCellRef {
  int Row = 0;
  int Column = 0;
};

// 1-based, inclusive; First is the top-left corner.
struct SheetRect {
  SheetCellRef First;
  SheetCellRef Last;
  int Rows() const { return Last.Row - First.Row + 1; }
  int Columns() const { return Last.Column - First.Column + 1; }
};

inline constexpr int SheetMaxRows = 1048576;
inline constexpr int SheetMaxColumns = 16384;

// "A" for 1, "AA" for 27.
String SheetColumnName(int column);
// A cell name ("C7", "$C$7") within the sheet's limits; nothing for anything else.
std::optional<SheetCellRef> ParseCellName(std::string_view name);
// "C7" or "A1:D9", corners in any order.
std::optional<SheetRect> ParseRangeName(std::string_view name);

}  // namespace orv
