#include "platform/sheet/FormulaValue.h"

#include <algorithm>
#include <cctype>

#include "platform/sheet/SheetAddress.h"
#include "platform/sheet/SheetWorksheet.h"

namespace orv {

std::optional<double> FormulaValue(const SheetWorksheet& sheet, const String& formula) {
  std::string text;
  for (char c : formula)
    if (c != ' ') text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  size_t open = text.find('(');
  if (text.size() < 4 || text[0] != '=' || open == std::string::npos || text.back() != ')') return std::nullopt;
  std::string function = text.substr(1, open - 1);
  auto range = ParseRangeName(std::string_view(text).substr(open + 1, text.size() - open - 2));
  if (!range) return std::nullopt;

  double sum = 0, low = 0, high = 0;
  long long count = 0;
  for (int r = range->First.Row; r <= range->Last.Row; ++r)
    for (int c = range->First.Column; c <= range->Last.Column; ++c) {
      const SheetCell* cell = sheet.CellAt(r, c);
      if (!cell) continue;
      if (cell->Kind == SheetCellKind::Formula) return std::nullopt;
      if (cell->Kind != SheetCellKind::Number) continue;
      double v = cell->Number;
      low = count ? std::min(low, v) : v;
      high = count ? std::max(high, v) : v;
      sum += v;
      ++count;
    }
  if (function == "SUM") return sum;
  if (function == "COUNT") return static_cast<double>(count);
  if (function == "MIN") return low;
  if (function == "MAX") return high;
  if (function == "AVERAGE" && count > 0) return sum / static_cast<double>(count);
  return std::nullopt;
}

}  // namespace orv
