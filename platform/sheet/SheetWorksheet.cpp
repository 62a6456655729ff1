#include "platform/sheet/SheetWorksheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "platform/rtl/Dispatch.h"
#include "platform/fonts/FontFace.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Format.h"
#include "platform/sheet/FormulaShift.h"
#include "platform/sheet/SheetDates.h"
#include "platform/sheet/SheetRowSpool.h"

namespace orv {

namespace {

const SheetStyle kDefaultStyle;

// Characters, not bytes: a Thai letter is one character of a cell.
size_t CharacterCount(std::string_view text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

[[noreturn]] void CellError(const String& message) {
  throw EOleException(message, DISP_E_EXCEPTION, "Sheet", "");
}

// Rows stay in the memory while they are this close above the last row; they go to the spool
// this many at a time.
constexpr int kRowsKept = 256;
constexpr int kSpoolBatch = 256;

bool Overlap(const SheetRect& rect, int firstRow, int lastRow) {
  return rect.First.Row <= lastRow && rect.Last.Row >= firstRow;
}

// The smallest rectangle holding area and more.
void Grow(std::optional<SheetRect>& area, const SheetRect& more) {
  if (!area) {
    area = more;
    return;
  }
  area->First.Row = std::min(area->First.Row, more.First.Row);
  area->Last.Row = std::max(area->Last.Row, more.Last.Row);
  area->First.Column = std::min(area->First.Column, more.First.Column);
  area->Last.Column = std::max(area->Last.Column, more.Last.Column);
}

}  // namespace

SheetWorksheet::SheetWorksheet(std::shared_ptr<SheetBookStore> store, String name)
    : store_(std::move(store)), name_(std::move(name)) {}

SheetWorksheet::~SheetWorksheet() = default;

SheetWorksheet::SheetWorksheet(const SheetWorksheet& other) { *this = other; }

SheetWorksheet& SheetWorksheet::operator=(const SheetWorksheet& other) {
  if (this == &other) return *this;
  other.Unspool();
  Unspool();
  store_ = other.store_;
  name_ = other.name_;
  rows_ = other.rows_;
  merges_ = other.merges_;
  widths_ = other.widths_;
  autoFilter_ = other.autoFilter_;
  storedResults_ = other.storedResults_;
  SummaryRowBelow = other.SummaryRowBelow;
  SummaryColumnRight = other.SummaryColumnRight;
  PrintGridlines = other.PrintGridlines;
  CenterHeader = other.CenterHeader;
  PageSetup = other.PageSetup;
  return *this;
}

SheetCell& SheetWorksheet::Cell(const SheetCellRef& at) {
  if (at.Row < 1 || at.Row > SheetMaxRows || at.Column < 1 || at.Column > SheetMaxColumns)
    CellError("Cell outside the sheet");
  if (Spooled(at.Row)) Unspool();
  if (at.Row > RowCount()) {
    rows_.resize(Slot(at.Row) + 1);
    if (spoolable_ && at.Row - kRowsKept - std::max(spoolLast_, 0) >= kSpoolBatch) SpoolUpTo(at.Row - kRowsKept);
  }
  auto& cells = rows_[Slot(at.Row)].Cells;
  if (static_cast<size_t>(at.Column) > cells.size()) cells.resize(static_cast<size_t>(at.Column));
  return cells[static_cast<size_t>(at.Column - 1)];
}

void SheetWorksheet::SpoolUpTo(int lastRow) {
  int first = spool_ ? spoolLast_ + 1 : 1;
  // The rows of merged ranges stay: their first cells are asked for when the sheet is written.
  if (!spool_)
    for (const SheetRect& m : merges_) first = std::max(first, m.Last.Row + 1);
  if (lastRow < first) return;
  for (const SheetRect& m : merges_)
    if (Overlap(m, first, lastRow)) return;
  try {
    if (!spool_) {
      spool_ = std::make_unique<SheetRowSpool>();
      spoolFirst_ = first;
    }
    for (int r = first; r <= lastRow; ++r) spool_->Append(rows_[Slot(r)].Cells, store_->Strings);
  } catch (const EOleException&) {
    // No room for the file: the rows stay in the memory, and those already in it come back.
    // (Rows that cannot be read back make the caller's write fail.)
    if (spool_ && spoolLast_ < spoolFirst_) spool_.reset();
    Unspool();
    return;
  }
  for (int r = first; r <= lastRow; ++r) {
    SheetRow& row = rows_[Slot(r)];
    spoolFormulas_ |= row.HasFormula;
    spooledMarks_.push_back({row.OutlineLevel, row.HasFormula});
    for (size_t c = 0; c < row.Cells.size(); ++c) {
      if (row.Cells[c].Kind == SheetCellKind::Text) store_->Strings.Release(row.Cells[c].Text);
      if (row.Cells[c].Kind == SheetCellKind::Empty && row.Cells[c].Style == 0) continue;
      SheetCellRef at{r, static_cast<int>(c) + 1};
      Grow(spoolUsed_, SheetRect{at, at});
    }
  }
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(Slot(first)),
              rows_.begin() + static_cast<std::ptrdiff_t>(Slot(lastRow) + 1));
  spoolLast_ = lastRow;
}

namespace {

// The style changes made over a spooled row since it was spooled, in their order.
template <typename Pending>
void ApplyPending(const std::vector<Pending>& pending, int row, std::vector<SheetCell>& cells) {
  for (const Pending& p : pending) {
    if (row < p.Rect.First.Row || row > p.Rect.Last.Row) continue;
    if (cells.size() < static_cast<size_t>(p.Rect.Last.Column)) cells.resize(static_cast<size_t>(p.Rect.Last.Column));
    for (int c = p.Rect.First.Column; c <= p.Rect.Last.Column; ++c) {
      std::uint32_t& style = cells[static_cast<size_t>(c - 1)].Style;
      if (style < p.Mapped.size()) style = p.Mapped[style];
    }
  }
}

}  // namespace

void SheetWorksheet::Unspool() const {
  spoolable_ = false;
  if (!spool_) return;
  std::vector<SheetRow> back(static_cast<size_t>(SpooledRows()));
  SheetRowSpool::Reader reader(*spool_);
  for (size_t i = 0; i < back.size(); ++i) {
    const int r = spoolFirst_ + static_cast<int>(i);
    reader.Next(back[i].Cells, store_->Strings, true);
    ApplyPending(pendingStyles_, r, back[i].Cells);
    back[i].OutlineLevel = spooledMarks_[i].OutlineLevel;
    back[i].HasFormula = spooledMarks_[i].HasFormula;
  }
  if (!back.empty())
    rows_.insert(rows_.begin() + (spoolFirst_ - 1), std::make_move_iterator(back.begin()),
                 std::make_move_iterator(back.end()));
  spooledMarks_.clear();
  spool_.reset();
  pendingStyles_.clear();
  spoolUsed_.reset();
  spoolFormulas_ = false;
  spoolFirst_ = spoolLast_ = 0;
}

void SheetWorksheet::ForEachRow(const std::function<void(int row, const SheetRow&)>& visit) const {
  // A formula's value is worked out from cells anywhere on the sheet.
  bool formulas = spoolFormulas_;
  for (const SheetRow& row : rows_) formulas = formulas || row.HasFormula;
  if (formulas) Unspool();
  if (!spool_) {
    for (size_t r = 0; r < rows_.size(); ++r) visit(static_cast<int>(r + 1), rows_[r]);
    return;
  }
  SheetRowSpool::Reader reader(*spool_);
  SheetRow spooled;
  SheetStrings& strings = store_->Strings;
  // The texts of one spooled row at a time: reading the sheet out keeps no more of them.
  struct TransientTexts {
    SheetStrings& Strings;
    ~TransientTexts() { Strings.ClearTransient(); }
  } transient{strings};
  for (int r = 1; r <= RowCount(); ++r) {
    if (!Spooled(r)) {
      visit(r, rows_[Slot(r)]);
      continue;
    }
    strings.ClearTransient();
    reader.Next(spooled.Cells, strings, false);
    ApplyPending(pendingStyles_, r, spooled.Cells);
    const SpooledMarks& marks = spooledMarks_[static_cast<size_t>(r - spoolFirst_)];
    spooled.OutlineLevel = marks.OutlineLevel;
    spooled.HasFormula = marks.HasFormula;
    visit(r, spooled);
  }
}

const SheetRow* SheetWorksheet::RowAt(int row) const {
  if (row < 1 || row > RowCount()) return nullptr;
  if (Spooled(row)) Unspool();
  return &rows_[Slot(row)];
}

const SheetCell* SheetWorksheet::CellAt(int row, int column) const {
  const SheetRow* r = RowAt(row);
  if (!r || column < 1 || static_cast<size_t>(column) > r->Cells.size()) return nullptr;
  return &r->Cells[static_cast<size_t>(column - 1)];
}

void SheetWorksheet::SetValue(const SheetCellRef& at, const Variant& value) {
  SheetCell& cell = Cell(at);
  if (!storedResults_.empty()) storedResults_.erase({at.Row, at.Column});
  switch (VarType(value) & varTypeMask) {
    case varEmpty:
    case varNull:
      cell.Kind = SheetCellKind::Empty;
      break;
    case varBoolean:
      cell.Kind = SheetCellKind::Boolean;
      cell.Boolean = value.ToBoolean();
      break;
    case varString:
    case varOleStr: {
      String converted;
      std::string_view text = value.VType() == varString ? value.StrView() : (converted = value.ToString());
      if (text.empty()) {
        cell.Kind = SheetCellKind::Empty;
        break;
      }
      // A character takes at least a byte: only long texts need counting.
      if (text.size() > SheetMaxCellText && CharacterCount(text) > SheetMaxCellText)
        CellError("A cell holds at most " + std::to_string(SheetMaxCellText) + " characters");
      cell.Kind = SheetCellKind::Text;
      cell.Text = store_->Strings.Intern(text);
      break;
    }
    case varDate: {
      double date = value.ToDouble();
      // Days before 1899-12-30 have no number in the spreadsheet: the date stays readable as text.
      if (date < 0) {
        cell.Kind = SheetCellKind::Text;
        cell.Text = store_->Strings.Intern(FormatDateTime("yyyy-mm-dd", date));
        break;
      }
      cell.Kind = SheetCellKind::Number;
      cell.Number = SheetSerialFromDate(date);
      break;
    }
    default:
      if (value.IsArray() || value.VType() == varDispatch) CellError("A cell cannot hold this value");
      cell.Kind = SheetCellKind::Number;
      cell.Number = value.ToDouble();
  }
}

void SheetWorksheet::SetStoredResult(const SheetCellRef& at, double result) {
  storedResults_[{at.Row, at.Column}] = result;
}

std::optional<double> SheetWorksheet::StoredResult(int row, int column) const {
  auto it = storedResults_.find({row, column});
  if (it == storedResults_.end()) return std::nullopt;
  return it->second;
}

void SheetWorksheet::SetFormula(const SheetCellRef& at, const String& text) {
  SheetCell& cell = Cell(at);
  if (!storedResults_.empty()) storedResults_.erase({at.Row, at.Column});
  rows_[Slot(at.Row)].HasFormula = true;
  cell.Kind = SheetCellKind::Formula;
  cell.Text = store_->Strings.Intern(text);
}

Variant SheetWorksheet::Value(const SheetCellRef& at) const {
  const SheetCell* cell = CellAt(at.Row, at.Column);
  if (!cell) return Variant();
  switch (cell->Kind) {
    case SheetCellKind::Empty: return Variant();
    case SheetCellKind::Number: return Variant(cell->Number);
    case SheetCellKind::Boolean: return Variant(cell->Boolean);
    case SheetCellKind::Text:
    case SheetCellKind::Formula: return Variant(store_->Strings[cell->Text]);
  }
  return Variant();
}

const SheetStyle& SheetWorksheet::StyleAt(const SheetCellRef& at) const {
  const SheetCell* cell = CellAt(at.Row, at.Column);
  return cell ? store_->Styles[cell->Style] : kDefaultStyle;
}

void SheetWorksheet::SetStyle(const SheetCellRef& at, std::uint32_t style) {
  if (style >= store_->Styles.Count()) CellError("No such cell style");
  Cell(at).Style = style;
}

void SheetWorksheet::ReserveRow(int row, int lastColumn) {
  if (row < 1 || row > RowCount() || Spooled(row)) return;
  rows_[Slot(row)].Cells.reserve(static_cast<size_t>(std::clamp(lastColumn, 0, SheetMaxColumns)));
}

void SheetWorksheet::ChangeStyle(const SheetRect& rect, const std::function<void(SheetStyle&)>& change) {
  // New rows first: making them may send rows of the rectangle to the spool.
  if (rect.Last.Row > RowCount()) Cell(rect.Last);
  if (!spool_ || !Overlap(rect, spoolFirst_, spoolLast_)) {
    ChangeStyleInMemory(rect, change);
    return;
  }
  SheetRect spooled = rect;
  spooled.First.Row = std::max(rect.First.Row, spoolFirst_);
  spooled.Last.Row = std::min(rect.Last.Row, spoolLast_);
  // The spooled rows take the change when they are read: what each style becomes is settled now.
  PendingStyle pending{spooled, {}};
  const std::uint32_t count = store_->Styles.Count();
  bool changes = false;
  for (std::uint32_t id = 0; id < count; ++id) {
    SheetStyle style = store_->Styles[id];
    change(style);
    pending.Mapped.push_back(store_->Styles.Intern(style));
    changes = changes || pending.Mapped.back() != id;
  }
  if (changes) {
    // Empty cells that take a style are used from now on.
    if (pending.Mapped[0] != 0) Grow(spoolUsed_, spooled);
    pendingStyles_.push_back(std::move(pending));
  }
  if (rect.First.Row < spoolFirst_) {
    SheetRect above = rect;
    above.Last.Row = spoolFirst_ - 1;
    ChangeStyleInMemory(above, change);
  }
  if (rect.Last.Row > spoolLast_) {
    SheetRect below = rect;
    below.First.Row = spoolLast_ + 1;
    ChangeStyleInMemory(below, change);
  }
}

void SheetWorksheet::ChangeStyleInMemory(const SheetRect& rect, const std::function<void(SheetStyle&)>& change) {
  // A large area shares a handful of styles: each old style is changed once.
  std::vector<std::uint32_t> changed;
  constexpr std::uint32_t kUnseen = 0xFFFFFFFF;
  Cell(rect.First);
  Cell(rect.Last);
  // Setting what the cells have already ("not bold" over plain cells) changes nothing: over an
  // area larger than the style table, the table tells so without a pass over every cell.
  const SheetStyleTable& styles = store_->Styles;
  bool changes = static_cast<size_t>(rect.Rows()) * static_cast<size_t>(rect.Columns()) <= styles.Count();
  for (std::uint32_t id = 0; !changes && id < styles.Count(); ++id) {
    SheetStyle style = styles[id];
    change(style);
    changes = style != styles[id];
  }
  for (int r = rect.First.Row; r <= rect.Last.Row; ++r) {
    // The row grows to the rectangle's width at once, not a cell at a time.
    auto& cells = rows_[Slot(r)].Cells;
    if (cells.size() < static_cast<size_t>(rect.Last.Column)) cells.resize(static_cast<size_t>(rect.Last.Column));
    if (!changes) continue;
    for (int c = rect.First.Column; c <= rect.Last.Column; ++c) {
      SheetCell& cell = cells[static_cast<size_t>(c - 1)];
      if (cell.Style >= changed.size()) changed.resize(cell.Style + 1, kUnseen);
      std::uint32_t& to = changed[cell.Style];
      if (to == kUnseen) {
        SheetStyle style = store_->Styles[cell.Style];
        change(style);
        to = store_->Styles.Intern(style);
      }
      cell.Style = to;
    }
  }
}

void SheetWorksheet::ClearContents(const SheetRect& rect) {
  for (int r = rect.First.Row; r <= rect.Last.Row; ++r)
    for (int c = rect.First.Column; c <= rect.Last.Column; ++c)
      if (CellAt(r, c)) {
        Cell({r, c}).Kind = SheetCellKind::Empty;
        storedResults_.erase({r, c});
      }
}

void SheetWorksheet::InsertRows(int row, int count) {
  if (row < 1 || count < 1) return;
  if (spool_ && (row <= spoolLast_ || spoolFormulas_)) Unspool();
  if (RowCount() + count > SheetMaxRows) CellError("The sheet has no room for more rows");
  if (row <= RowCount())
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(Slot(row)), static_cast<size_t>(count), SheetRow());
  for (auto& r : rows_) {
    if (!r.HasFormula) continue;
    for (auto& cell : r.Cells)
      if (cell.Kind == SheetCellKind::Formula) {
        String shifted = ShiftFormulaRows(store_->Strings[cell.Text], row, count);
        cell.Text = store_->Strings.Intern(shifted);
      }
  }
  auto shift = [&](SheetRect& rect) {
    if (rect.First.Row >= row) rect.First.Row += count;
    if (rect.Last.Row >= row) rect.Last.Row += count;
  };
  for (auto& m : merges_) shift(m);
  if (autoFilter_) shift(*autoFilter_);
  std::map<std::pair<int, int>, double> moved;
  for (auto [at, result] : storedResults_) moved[{at.first >= row ? at.first + count : at.first, at.second}] = result;
  storedResults_.swap(moved);
}

void SheetWorksheet::GroupRows(int firstRow, int lastRow) {
  if (firstRow < 1 || lastRow < firstRow) return;
  Cell({lastRow, 1});
  for (int r = firstRow; r <= lastRow; ++r) {
    auto& level = Spooled(r) ? spooledMarks_[static_cast<size_t>(r - spoolFirst_)].OutlineLevel
                             : rows_[Slot(r)].OutlineLevel;
    level = static_cast<std::uint8_t>(std::min(level + 1, 7));
  }
}

void SheetWorksheet::Merge(const SheetRect& rect) {
  if (rect.Rows() == 1 && rect.Columns() == 1) return;
  if (spool_ && Overlap(rect, spoolFirst_, spoolLast_)) Unspool();
  // A new merge replaces the merges it overlaps, as in a spreadsheet.
  std::erase_if(merges_, [&](const SheetRect& m) {
    return !(m.Last.Row < rect.First.Row || m.First.Row > rect.Last.Row || m.Last.Column < rect.First.Column ||
             m.First.Column > rect.Last.Column);
  });
  merges_.push_back(rect);
}

void SheetWorksheet::SetColumnWidth(int firstColumn, int lastColumn, double width) {
  for (int c = std::max(firstColumn, 1); c <= std::min(lastColumn, SheetMaxColumns); ++c)
    widths_[c] = std::clamp(width, 0.0, 255.0);
}

std::optional<double> SheetWorksheet::ColumnWidth(int column) const {
  auto it = widths_.find(column);
  if (it == widths_.end()) return std::nullopt;
  return it->second;
}

namespace {

// Text widths in points of the font a style names, shaped as the spreadsheet draws them (Thai
// marks take no room of their own).
class TTextMeasure {
 public:
  void UseFont(const SheetStyle& style) {
    // Cells are Thai more often than not: the face is asked for with the Thai charset.
    constexpr Byte kThaiCharset = 222;
    face_ = TFontFace::Find(style.FontName.empty() ? String(SheetDefaultFontName) : style.FontName, style.Bold,
                            style.Italic, kThaiCharset);
    size_ = style.FontSize > 0 ? style.FontSize : SheetDefaultFontSize;
  }
  double Width(const String& text) const {
    double thousandths = 0;
    for (const TShapedGlyph& g : face_->Shape(Utf8ToWide(text))) thousandths += g.Advance;
    return thousandths / 1000 * size_;
  }

 private:
  std::shared_ptr<TFontFace> face_;
  double size_ = SheetDefaultFontSize;
};

}  // namespace

void SheetWorksheet::AutoFitColumns(int firstColumn, int lastColumn) {
  // Widths count characters "0" of the workbook's standard font; each text is measured as the
  // cell shows it, in the cell's own font.
  Unspool();
  TTextMeasure measure;
  measure.UseFont(SheetStyle());
  const double zero = std::max(measure.Width("0"), 0.1);
  std::uint32_t fontOf = 0;
  for (int c = std::max(firstColumn, 1); c <= std::min(lastColumn, SheetMaxColumns); ++c) {
    double widest = 0;
    for (auto& r : rows_) {
      if (static_cast<size_t>(c) > r.Cells.size()) continue;
      const SheetCell& cell = r.Cells[static_cast<size_t>(c - 1)];
      const SheetStyle& style = store_->Styles[cell.Style];
      String shown;
      if (cell.Kind == SheetCellKind::Text)
        shown = store_->Strings[cell.Text];
      else if (cell.Kind == SheetCellKind::Number)
        shown = FormattedNumber(style.NumberFormat, cell.Number);
      if (shown.empty()) continue;
      if (cell.Style != fontOf) {
        measure.UseFont(style);
        fontOf = cell.Style;
      }
      widest = std::max(widest, measure.Width(shown) / zero);
    }
    // A column left empty keeps the default width, as a spreadsheet's auto-fit does.
    if (widest > 0) SetColumnWidth(c, c, std::ceil(widest) + 1);
  }
}

SheetRect SheetWorksheet::UsedRange() const {
  int top = 0, bottom = 0, left = 0, right = 0;
  for (size_t r = 0; r < rows_.size(); ++r) {
    const auto& cells = rows_[r].Cells;
    for (size_t c = 0; c < cells.size(); ++c) {
      if (cells[c].Kind == SheetCellKind::Empty && cells[c].Style == 0) continue;
      int row = static_cast<int>(r + 1), col = static_cast<int>(c + 1);
      if (SpooledRows() && row >= spoolFirst_) row += SpooledRows();
      if (!top) top = bottom = row, left = right = col;
      top = std::min(top, row);
      bottom = std::max(bottom, row);
      left = std::min(left, col);
      right = std::max(right, col);
    }
  }
  if (spoolUsed_) {
    if (!top) top = spoolUsed_->First.Row, left = spoolUsed_->First.Column;
    top = std::min(top, spoolUsed_->First.Row);
    bottom = std::max(bottom, spoolUsed_->Last.Row);
    left = std::min(left, spoolUsed_->First.Column);
    right = std::max(right, spoolUsed_->Last.Column);
  }
  if (!top) return SheetRect{{1, 1}, {1, 1}};
  return SheetRect{{top, left}, {bottom, right}};
}

}  // namespace orv
