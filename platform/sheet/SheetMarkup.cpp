#include "platform/sheet/SheetMarkup.h"

#include <cstdio>

namespace orv {

String MarkupEscaped(const String& text) {
  String out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
        out += static_cast<char>(c);
    }
  }
  return out;
}

String HtmlColor(int color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  return text;
}

std::map<std::pair<int, int>, SheetRect> MergesByCorner(const SheetWorksheet& sheet) {
  std::map<std::pair<int, int>, SheetRect> corners;
  for (const SheetRect& m : sheet.Merges()) corners[{m.First.Row, m.First.Column}] = m;
  return corners;
}

bool CoveredByMerge(const SheetWorksheet& sheet, int row, int column) {
  for (const SheetRect& m : sheet.Merges())
    if (row >= m.First.Row && row <= m.Last.Row && column >= m.First.Column && column <= m.Last.Column &&
        (row != m.First.Row || column != m.First.Column))
      return true;
  return false;
}

}  // namespace orv
