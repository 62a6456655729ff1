// Writes a workbook as an HTML page: one table per sheet, each cell as it shows, with its look.
#include <algorithm>
#include <cmath>
#include <fstream>

#include "platform/rtl/Dispatch.h"
#include "platform/sheet/FormulaValue.h"
#include "platform/sheet/SheetDates.h"
#include "platform/sheet/SheetMarkup.h"
#include "platform/sheet/SheetWorkbook.h"

namespace orv {

namespace {

// A column without a width of its own: 8.43 characters, 64 pixels on the screen.
constexpr long kDefaultColumnPixels = 64;

String CellCss(const SheetStyle& s) {
  String css;
  if (!s.FontName.empty()) css += "font-family:'" + MarkupEscaped(s.FontName) + "';";
  if (s.FontSize > 0) css += "font-size:" + ShortestNumberText(s.FontSize) + "pt;";
  if (s.FontColor >= 0) css += "color:" + HtmlColor(s.FontColor) + ";";
  if (s.Bold) css += "font-weight:bold;";
  if (s.Italic) css += "font-style:italic;";
  if (s.Underline) css += "text-decoration:underline;";
  if (s.FillColor >= 0) css += "background:" + HtmlColor(s.FillColor) + ";";
  static const char* const sides[4] = {"left", "top", "bottom", "right"};
  for (size_t i = 0; i < 4; ++i)
    if (s.Edges[i].LineStyle != xlNone)
      css += String("border-") + sides[i] + ":1px solid " + HtmlColor(s.Edges[i].Color) + ";";
  if (s.HorizontalAlignment == -4131) css += "text-align:left;";
  if (s.HorizontalAlignment == -4152) css += "text-align:right;";
  if (s.HorizontalAlignment == -4108) css += "text-align:center;";
  if (!s.WrapText) css += "white-space:nowrap;";
  return css;
}

// Whether a date format also shows the time of day.
bool HasTimeCodes(const String& format) {
  bool quoted = false;
  for (char c : format) {
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == 'h' || c == 'H')) return true;
  }
  return false;
}

}  // namespace

void WriteHtml(const SheetWorkbook& book, const String& fileName) {
  std::ofstream out(fileName, std::ios::binary);
  if (!out) throw EOleException("Cannot write " + fileName, DISP_E_EXCEPTION, "Sheet", "");
  const SheetBookStore& store = book.Sheet(1)->Store();
  out << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" << MarkupEscaped(book.Sheet(1)->Name())
      << "</title>\n<style>table{border-collapse:collapse}td{padding:1px 3px;vertical-align:bottom}"
      << "td.t{mso-number-format:\"\\@\"}</style>\n"
      << "</head>\n<body>\n";
  for (int i = 1; i <= book.SheetCount(); ++i) {
    const SheetWorksheet& sheet = *book.Sheet(i);
    auto merges = MergesByCorner(sheet);
    out << "<table>\n";
    // Every column gets its width, the sheet's own default where it has none: a reader left to
    // guess (LibreOffice) opens columns a few pixels wide and lays Thai names out a letter a
    // line. A column width counts characters of about 7 pixels.
    size_t columns = 0;
    for (int r = 1; r <= sheet.RowCount(); ++r) columns = std::max(columns, sheet.RowAt(r)->Cells.size());
    if (!sheet.ColumnWidths().empty()) columns = std::max(columns, static_cast<size_t>(sheet.ColumnWidths().rbegin()->first));
    if (columns) {
      out << "<colgroup>";
      for (int column = 1; column <= static_cast<int>(columns); ++column) {
        auto width = sheet.ColumnWidths().find(column);
        long pixels = width == sheet.ColumnWidths().end() ? kDefaultColumnPixels : std::lround(width->second * 7 + 5);
        out << "<col width=\"" << pixels << "\" style=\"width:" << pixels << "px\">";
      }
      out << "</colgroup>\n";
    }
    for (int r = 1; r <= sheet.RowCount(); ++r) {
      const SheetRow& row = *sheet.RowAt(r);
      out << "<tr>";
      for (size_t c = 0; c < row.Cells.size(); ++c) {
        int column = static_cast<int>(c + 1);
        if (CoveredByMerge(sheet, r, column)) continue;
        const SheetCell& cell = row.Cells[c];
        const SheetStyle& style = store.Styles[cell.Style];
        out << "<td";
        if (auto m = merges.find({r, column}); m != merges.end()) {
          if (m->second.Columns() > 1) out << " colspan=\"" << m->second.Columns() << "\"";
          if (m->second.Rows() > 1) out << " rowspan=\"" << m->second.Rows() << "\"";
        }
        if (String css = CellCss(style); !css.empty()) out << " style=\"" << css << "\"";
        double number = 0;
        bool isNumber = cell.Kind == SheetCellKind::Number;
        if (cell.Kind == SheetCellKind::Formula)
          if (auto value = FormulaValue(sheet, store.Strings[cell.Text])) isNumber = true, number = *value;
        if (cell.Kind == SheetCellKind::Number) number = cell.Number;
        String shown;
        if (isNumber) {
          // The value itself beside what it shows, so that a spreadsheet reading the page gets
          // the number and not only its picture.
          bool date = IsDateFormat(style.NumberFormat);
          out << " sdval=\"" << ShortestNumberText(date ? DateFromSheetSerial(number) : number) << "\"";
          // Without a date format the serial opens in LibreOffice as a plain number. It keeps only
          // formats it has built in, so the day-first ones of British English stand in for the
          // cell's own.
          if (date) out << " sdnum=\"2057;2057;" << (HasTimeCodes(style.NumberFormat) ? "DD/MM/YYYY HH:MM:SS" : "DD/MM/YYYY") << "\"";
          shown = FormattedNumber(style.NumberFormat, number);
        } else if (cell.Kind == SheetCellKind::Text) {
          // Marked as text in the two ways readers of a page look for, or "0812345678" would
          // open as 812345678 and "=1+1" as 2.
          out << " class=\"t\" sdnum=\"1033;0;@\"";
          shown = store.Strings[cell.Text];
        } else if (cell.Kind == SheetCellKind::Boolean) {
          shown = cell.Boolean ? "TRUE" : "FALSE";
        }
        String text = MarkupEscaped(shown);
        for (size_t at = 0; (at = text.find('\n', at)) != String::npos; at += 4) text.replace(at, 1, "<br>");
        out << ">" << text << "</td>";
      }
      out << "</tr>\n";
    }
    out << "</table>\n";
  }
  out << "</body>\n</html>\n";
  out.close();
  if (!out) throw EOleException("Cannot write " + fileName, DISP_E_EXCEPTION, "Sheet", "");
}

}  // namespace orv
