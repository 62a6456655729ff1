#pragma once
// Moving a formula's cell references when rows are inserted above them, as a spreadsheet does.
#include "platform/rtl/Types.h"

namespace orv {

// References to rows at or below row move down by count; texts in quotes and function names
// stay as they are.
String ShiftFormulaRows(const String& formula, int row, int count);

}  // namespace orv
