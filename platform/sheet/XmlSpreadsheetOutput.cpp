// Writes a workbook in the XML spreadsheet form of 2003: styles, sheets, column widths, cells
// with their types and formulas, merges.
#include <cctype>
#include <fstream>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/Format.h"
#include "platform/sheet/FormulaValue.h"
#include "platform/sheet/SheetAddress.h"
#include "platform/sheet/SheetDates.h"
#include "platform/sheet/SheetMarkup.h"
#include "platform/sheet/SheetWorkbook.h"

namespace orv {

namespace {

// The form writes formulas with R1C1 references: "=SUM(C4:C6)" becomes "=SUM(R4C3:R6C3)".
String R1C1Formula(const String& formula) {
  String out;
  bool quoted = false;
  for (size_t i = 0; i < formula.size();) {
    char c = formula[i];
    if (c == '"') quoted = !quoted;
    bool startsName = !quoted && (std::isalpha(static_cast<unsigned char>(c)) || c == '$') &&
                      (i == 0 || !(std::isalnum(static_cast<unsigned char>(formula[i - 1])) || formula[i - 1] == '_'));
    if (startsName) {
      size_t end = i;
      while (end < formula.size() && (std::isalnum(static_cast<unsigned char>(formula[end])) || formula[end] == '$')) ++end;
      if (auto ref = ParseCellName(std::string_view(formula).substr(i, end - i))) {
        out += "R" + std::to_string(ref->Row) + "C" + std::to_string(ref->Column);
        i = end;
        continue;
      }
      out.append(formula, i, end - i);
      i = end;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

String HorizontalName(int alignment) {
  switch (alignment) {
    case -4131: return "Left";
    case -4152: return "Right";
    case -4108: return "Center";
    default: return "";
  }
}

void WriteStyle(std::ofstream& out, std::uint32_t id, const SheetStyle& s) {
  out << "  <Style ss:ID=\"s" << id << "\">\n";
  String align = HorizontalName(s.HorizontalAlignment);
  if (!align.empty() || s.WrapText || s.Orientation)
    out << "   <Alignment" << (align.empty() ? "" : " ss:Horizontal=\"" + align + "\"")
        << (s.WrapText ? " ss:WrapText=\"1\"" : "")
        << (s.Orientation ? " ss:Rotate=\"" + std::to_string(s.Orientation) + "\"" : "") << "/>\n";
  bool anyEdge = false;
  for (const auto& e : s.Edges) anyEdge |= e.LineStyle != xlNone;
  if (anyEdge) {
    static const char* const positions[4] = {"Left", "Top", "Bottom", "Right"};
    out << "   <Borders>\n";
    for (size_t i = 0; i < 4; ++i)
      if (s.Edges[i].LineStyle != xlNone)
        out << "    <Border ss:Position=\"" << positions[i] << "\" ss:LineStyle=\"Continuous\" ss:Weight=\""
            << std::max(1, s.Edges[i].Weight - 1) << "\" ss:Color=\"" << HtmlColor(s.Edges[i].Color) << "\"/>\n";
    out << "   </Borders>\n";
  }
  out << "   <Font" << (s.FontName.empty() ? "" : " ss:FontName=\"" + MarkupEscaped(s.FontName) + "\"")
      << (s.FontSize > 0 ? " ss:Size=\"" + ShortestNumberText(s.FontSize) + "\"" : "")
      << (s.FontColor >= 0 ? " ss:Color=\"" + HtmlColor(s.FontColor) + "\"" : "") << (s.Bold ? " ss:Bold=\"1\"" : "")
      << (s.Italic ? " ss:Italic=\"1\"" : "") << (s.Underline ? " ss:Underline=\"Single\"" : "") << "/>\n";
  if (s.FillColor >= 0) out << "   <Interior ss:Color=\"" << HtmlColor(s.FillColor) << "\" ss:Pattern=\"Solid\"/>\n";
  if (!s.NumberFormat.empty()) out << "   <NumberFormat ss:Format=\"" << MarkupEscaped(s.NumberFormat) << "\"/>\n";
  out << "  </Style>\n";
}

// A day number as the form's DateTime text.
String DateTimeText(double serial) {
  return FormatDateTime("yyyy-mm-dd\"T\"hh:nn:ss\".000\"", DateFromSheetSerial(serial));
}

}  // namespace

void WriteXmlSpreadsheet(const SheetWorkbook& book, const String& fileName) {
  std::ofstream out(fileName, std::ios::binary);
  if (!out) throw EOleException("Cannot write " + fileName, DISP_E_EXCEPTION, "Sheet", "");
  const SheetBookStore& store = book.Sheet(1)->Store();
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n"
      << "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"\n"
      << " xmlns:o=\"urn:schemas-microsoft-com:office:office\"\n"
      << " xmlns:x=\"urn:schemas-microsoft-com:office:excel\"\n"
      << " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">\n <Styles>\n";
  for (std::uint32_t id = 1; id < store.Styles.Count(); ++id) WriteStyle(out, id, store.Styles[id]);
  out << " </Styles>\n";
  for (int i = 1; i <= book.SheetCount(); ++i) {
    const SheetWorksheet& sheet = *book.Sheet(i);
    auto merges = MergesByCorner(sheet);
    out << " <Worksheet ss:Name=\"" << MarkupEscaped(sheet.Name()) << "\">\n  <Table>\n";
    // Widths in points: a character of the standard font is about 7 pixels, 5.25 points.
    for (auto [column, width] : sheet.ColumnWidths())
      out << "   <Column ss:Index=\"" << column << "\" ss:Width=\"" << ShortestNumberText((width * 7 + 5) * 0.75)
          << "\"/>\n";
    for (int r = 1; r <= sheet.RowCount(); ++r) {
      const SheetRow& row = *sheet.RowAt(r);
      out << "   <Row ss:Index=\"" << r << "\">\n";
      for (size_t c = 0; c < row.Cells.size(); ++c) {
        int column = static_cast<int>(c + 1);
        const SheetCell& cell = row.Cells[c];
        auto merge = merges.find({r, column});
        if (cell.Kind == SheetCellKind::Empty && cell.Style == 0 && merge == merges.end()) continue;
        if (CoveredByMerge(sheet, r, column)) continue;
        out << "    <Cell ss:Index=\"" << column << "\"";
        if (cell.Style) out << " ss:StyleID=\"s" << cell.Style << "\"";
        if (merge != merges.end()) {
          if (merge->second.Columns() > 1) out << " ss:MergeAcross=\"" << merge->second.Columns() - 1 << "\"";
          if (merge->second.Rows() > 1) out << " ss:MergeDown=\"" << merge->second.Rows() - 1 << "\"";
        }
        bool date = IsDateFormat(store.Styles[cell.Style].NumberFormat);
        auto number = [&](double v) {
          return date ? "<Data ss:Type=\"DateTime\">" + DateTimeText(v) + "</Data>"
                      : "<Data ss:Type=\"Number\">" + ShortestNumberText(v) + "</Data>";
        };
        switch (cell.Kind) {
          case SheetCellKind::Empty: out << "/>\n"; continue;
          case SheetCellKind::Number: out << ">" << number(cell.Number); break;
          case SheetCellKind::Boolean: out << "><Data ss:Type=\"Boolean\">" << (cell.Boolean ? 1 : 0) << "</Data>"; break;
          case SheetCellKind::Text:
            out << "><Data ss:Type=\"String\">" << MarkupEscaped(store.Strings[cell.Text]) << "</Data>";
            break;
          case SheetCellKind::Formula: {
            const String& formula = store.Strings[cell.Text];
            out << " ss:Formula=\"" << MarkupEscaped(R1C1Formula(formula)) << "\">";
            if (auto value = FormulaValue(sheet, formula)) out << number(*value);
            break;
          }
        }
        out << "</Cell>\n";
      }
      out << "   </Row>\n";
    }
    out << "  </Table>\n";
    out << "  <WorksheetOptions xmlns=\"urn:schemas-microsoft-com:office:excel\">\n";
    if (sheet.PrintGridlines) out << "   <Print><Gridlines/></Print>\n";
    if (!sheet.CenterHeader.empty())
      out << "   <PageSetup><Header x:Data=\"&amp;C" << MarkupEscaped(sheet.CenterHeader) << "\"/></PageSetup>\n";
    out << "  </WorksheetOptions>\n";
    if (auto& f = sheet.AutoFilter())
      out << "  <AutoFilter x:Range=\"R" << f->First.Row << "C" << f->First.Column << ":R" << f->Last.Row << "C"
          << f->Last.Column << "\" xmlns=\"urn:schemas-microsoft-com:office:excel\"/>\n";
    out << " </Worksheet>\n";
  }
  out << "</Workbook>\n";
  out.close();
  if (!out) throw EOleException("Cannot write " + fileName, DISP_E_EXCEPTION, "Sheet", "");
}

}  // namespace orv
