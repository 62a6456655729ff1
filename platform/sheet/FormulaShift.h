#pragma once
// Moving a formula's cell references, as a spreadsheet does when rows are inserted above them or
// a formula is filled down and across.
#include "platform/rtl/Types.h"

namespace orv {

// References to rows at or below row move down by count; texts in quotes and function names
// stay as they are.
String ShiftFormulaRows(const String& formula, int row, int count);

// The formula as it reads in a cell rows below and columns right of its own (negative: above,
// left): the relative parts of its references move, those fixed by "$" stay. A reference moved
// off the sheet becomes #REF!, as the spreadsheet shows it.
String MoveFormula(const String& formula, int rows, int columns);

}  // namespace orv
