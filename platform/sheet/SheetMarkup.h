#pragma once
// What the two markup forms of a workbook (HTML and the XML spreadsheet) write alike.
#include <map>

#include "platform/sheet/SheetWorksheet.h"

namespace orv {

// Text as XML or HTML character data or attribute value; characters XML 1.0 does not allow
// are left out.
String MarkupEscaped(const String& text);
// "#RRGGBB" of a 0x00BBGGRR colour.
String HtmlColor(int color);
// The merged ranges of a sheet by their top-left cell.
std::map<std::pair<int, int>, SheetRect> MergesByCorner(const SheetWorksheet& sheet);
// Whether the cell lies in a merged range without being its top-left cell.
bool CoveredByMerge(const SheetWorksheet& sheet, int row, int column);

}  // namespace orv
