#pragma once
// The value a formula of the kinds the exporter writes has, worked out from the sheet, so the
// file carries a result for readers that do not recalculate.
#include <optional>

#include "platform/rtl/Types.h"

namespace orv {

class SheetWorksheet;

// "=SUM(B2:B9)", "=AVERAGE(...)", "=MIN(...)", "=MAX(...)", "=COUNT(...)" over one range of the
// same sheet, numbers only as the spreadsheet counts them (texts and blanks are passed over).
// Nothing for any other formula, a range that holds a formula, or an average of no numbers.
std::optional<double> FormulaValue(const SheetWorksheet& sheet, const String& formula);

}  // namespace orv
