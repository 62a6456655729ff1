#pragma once
// One worksheet of the workbook model: rows of cells with values, formulas and styles, merged
// ranges, column widths, row outline levels, the auto-filter and the page setup it is printed with.
#include <map>
#include <memory>
#include <functional>
#include <optional>
#include <vector>

#include "platform/rtl/Variant.h"
#include "platform/sheet/SheetAddress.h"
#include "platform/sheet/SheetStrings.h"
#include "platform/sheet/SheetStyle.h"

namespace orv {

// How a sheet is laid on paper, as a workbook file keeps it: paper, orientation and margins.
struct SheetPageSetup {
  bool Landscape = false;
  // The spreadsheet's paper number (1 Letter, 5 Legal, 8 A3, 9 A4, 11 A5 ...); 0: the printer's
  // own, which is A4 on the pages the preview lays out.
  int PaperSize = 0;
  // Inches, the spreadsheet's defaults.
  double LeftMargin = 0.7, RightMargin = 0.7, TopMargin = 0.75, BottomMargin = 0.75;
  // From the paper's top edge to the header.
  double HeaderMargin = 0.3;
};

// Texts and styles shared by the sheets of one workbook.
struct SheetBookStore {
  SheetStrings Strings;
  SheetStyleTable Styles;
};

enum class SheetCellKind : std::uint8_t { Empty, Number, Text, Boolean, Formula };

struct SheetCell {
  SheetCellKind Kind = SheetCellKind::Empty;
  std::uint32_t Style = 0;
  union {
    double Number = 0;
    std::uint32_t Text;  // index into the workbook's strings (the formula's text for Formula)
    bool Boolean;
  };
};

struct SheetRow {
  std::vector<SheetCell> Cells;  // column 1 first; absent cells are empty and unstyled
  std::uint8_t OutlineLevel = 0;
  bool HasFormula = false;
};

// The longest text a cell holds, in characters.
inline constexpr int SheetMaxCellText = 32767;

class SheetRowSpool;

class SheetWorksheet {
 public:
  explicit SheetWorksheet(std::shared_ptr<SheetBookStore> store, String name);
  ~SheetWorksheet();
  SheetWorksheet(const SheetWorksheet& other);
  SheetWorksheet& operator=(const SheetWorksheet& other);

  const String& Name() const { return name_; }
  void SetName(const String& name) { name_ = name; }
  SheetBookStore& Store() const { return *store_; }

  // Numbers, dates (as day numbers), Booleans and texts; Empty, Null and "" empty the cell. A text
  // stays a text even when it begins with "=": only SetFormula makes formulas. A text longer
  // than SheetMaxCellText raises EOleException, so nothing is cut without the caller knowing.
  void SetValue(const SheetCellRef& at, const Variant& value);
  // text begins with "=".
  void SetFormula(const SheetCellRef& at, const String& text);
  // The result a workbook file stored with the formula at, kept until the cell is written again.
  void SetStoredResult(const SheetCellRef& at, double result);
  std::optional<double> StoredResult(int row, int column) const;
  // The value as a Variant (a formula gives its text); Empty for an empty cell.
  Variant Value(const SheetCellRef& at) const;
  const SheetCell* CellAt(int row, int column) const;
  // Room in an existing row for its cells up to lastColumn, so that filling the row does not
  // grow it again and again as its cells arrive one by one. The cells themselves are not made.
  void ReserveRow(int row, int lastColumn);
  const SheetStyle& StyleAt(const SheetCellRef& at) const;
  // A style of the workbook's table, by its index, for a cell whose look was read from a file.
  void SetStyle(const SheetCellRef& at, std::uint32_t style);
  // Changes the style of every cell of the rectangle.
  void ChangeStyle(const SheetRect& rect, const std::function<void(SheetStyle&)>& change);
  void ClearContents(const SheetRect& rect);

  // Inserts empty rows before row; what lies below moves down, and formulas, merged ranges and
  // the auto-filter follow their cells.
  void InsertRows(int row, int count);
  // One outline level deeper for each row (at most 7 levels).
  void GroupRows(int firstRow, int lastRow);
  void Merge(const SheetRect& rect);
  const std::vector<SheetRect>& Merges() const { return merges_; }

  // Character widths of the standard font; absent columns keep the default width.
  void SetColumnWidth(int firstColumn, int lastColumn, double width);
  std::optional<double> ColumnWidth(int column) const;
  const std::map<int, double>& ColumnWidths() const { return widths_; }
  // Widths that fit the longest text of each column.
  void AutoFitColumns(int firstColumn, int lastColumn);

  // The rectangle of every cell that holds a value or a style; A1 alone on an empty sheet.
  SheetRect UsedRange() const;
  void SetAutoFilter(const SheetRect& rect) { autoFilter_ = rect; }
  const std::optional<SheetRect>& AutoFilter() const { return autoFilter_; }

  int RowCount() const { return static_cast<int>(rows_.size()) + SpooledRows(); }
  // Rows written in order far enough above the last one wait in a file (SheetRowSpool) until
  // the sheet is written out; anything that reaches into them again brings them all back.
  const SheetRow* RowAt(int row) const;
  // Every row from the first on, read from the file for rows waiting there: the way to go through
  // a large sheet without bringing its rows back.
  void ForEachRow(const std::function<void(int row, const SheetRow&)>& visit) const;

  // Outline symbols: summary rows below the detail (the default) or above it.
  bool SummaryRowBelow = true;
  bool SummaryColumnRight = true;
  bool PrintGridlines = false;
  String CenterHeader;
  SheetPageSetup PageSetup;

 private:
  SheetCell& Cell(const SheetCellRef& at);
  bool Spooled(int row) const { return spool_ && row >= spoolFirst_ && row <= spoolLast_; }
  int SpooledRows() const { return spool_ && spoolLast_ >= spoolFirst_ ? spoolLast_ - spoolFirst_ + 1 : 0; }
  // Where a row that is not spooled lies in rows_.
  size_t Slot(int row) const { return static_cast<size_t>(row > spoolLast_ ? row - 1 - SpooledRows() : row - 1); }
  // Sends the rows from the end of the spool to lastRow into it.
  void SpoolUpTo(int lastRow);
  void Unspool() const;
  void ChangeStyleInMemory(const SheetRect& rect, const std::function<void(SheetStyle&)>& change);

  // A change of style over spooled rows, made when they are read: each style's new style.
  struct PendingStyle {
    SheetRect Rect;
    std::vector<std::uint32_t> Mapped;
  };
  std::shared_ptr<SheetBookStore> store_;
  String name_;
  // The rows in memory: those above the spool, then those below it.
  mutable std::vector<SheetRow> rows_;
  // A spooled row keeps its outline level and formula mark here, its cells in the spool, so
  // that what stays in memory does not grow with the rows written.
  struct SpooledMarks {
    std::uint8_t OutlineLevel = 0;
    bool HasFormula = false;
  };
  mutable std::vector<SpooledMarks> spooledMarks_;
  mutable std::unique_ptr<SheetRowSpool> spool_;
  mutable int spoolFirst_ = 0, spoolLast_ = 0;
  mutable std::vector<PendingStyle> pendingStyles_;
  // The cells of the spooled rows that hold a value or a style; formulas among them.
  mutable std::optional<SheetRect> spoolUsed_;
  mutable bool spoolFormulas_ = false;
  // Once rows have been brought back, a sheet is used out of order and spools no more.
  mutable bool spoolable_ = true;
  std::vector<SheetRect> merges_;
  std::map<int, double> widths_;
  std::optional<SheetRect> autoFilter_;
  std::map<std::pair<int, int>, double> storedResults_;  // by (row, column)
};

}  // namespace orv
