// A worksheet and the objects reached through it: ranges with their font, fill and border
// edges, the outline settings and the page setup.
#include <algorithm>
#include <functional>

#include "platform/sheet/SheetAutomation.h"
#include "platform/sheet/SheetObjects.h"

namespace orv {

namespace {

bool IsPut(Word flags) { return (flags & DISPATCH_PROPERTYPUT) != 0; }

Variant Dispatch(std::shared_ptr<IDispatch> object) { return Variant(std::move(object)); }

// A rectangle of one worksheet, or whole rows or columns of it.
struct RangeTarget {
  std::shared_ptr<SheetWorksheet> Sheet;
  SheetRect Rect;
  enum Extent { Cells, EntireRows, EntireColumns } Kind = Cells;

  SheetWorksheet& Ws() const { return *Sheet; }
  // Cell operations on whole rows or columns would touch a million cells of nothing.
  void CheckCells() const {
    if (Kind != Cells) SheetError("This operation needs a range of cells, not whole rows or columns");
  }
  void Change(const std::function<void(SheetStyle&)>& change) const {
    CheckCells();
    Sheet->ChangeStyle(Rect, change);
  }
  const SheetStyle& FirstStyle() const { return Sheet->StyleAt(Rect.First); }
};

// A property that reads the first cell's style and writes every cell's.
template <class T>
Variant StyleProperty(const RangeTarget& t, Word flags, std::span<const Variant> args, T SheetStyle::*member,
                      const std::function<T(const Variant&)>& from) {
  if (IsPut(flags)) {
    T value = from(args.back());
    t.Change([&](SheetStyle& s) { s.*member = value; });
    return Variant();
  }
  return Variant(t.FirstStyle().*member);
}

int ToColor(const Variant& v) { return static_cast<int>(v.ToInt64() & 0xFFFFFF); }

class FontObject : public IDispatch {
 public:
  explicit FontObject(RangeTarget t) : t_(std::move(t)) {}
  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    auto boolean = [](const Variant& v) { return v.ToBoolean(); };
    if (IsMember(name, "Name"))
      return StyleProperty<String>(t_, flags, args, &SheetStyle::FontName, [](const Variant& v) { return v.ToString(); });
    if (IsMember(name, "Size"))
      return StyleProperty<double>(t_, flags, args, &SheetStyle::FontSize, [](const Variant& v) { return v.ToDouble(); });
    if (IsMember(name, "Color")) return StyleProperty<int>(t_, flags, args, &SheetStyle::FontColor, ToColor);
    if (IsMember(name, "Bold")) return StyleProperty<bool>(t_, flags, args, &SheetStyle::Bold, boolean);
    if (IsMember(name, "Italic")) return StyleProperty<bool>(t_, flags, args, &SheetStyle::Italic, boolean);
    if (IsMember(name, "Underline")) return StyleProperty<bool>(t_, flags, args, &SheetStyle::Underline, boolean);
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  RangeTarget t_;
};

class InteriorObject : public IDispatch {
 public:
  explicit InteriorObject(RangeTarget t) : t_(std::move(t)) {}
  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    if (IsMember(name, "Color")) return StyleProperty<int>(t_, flags, args, &SheetStyle::FillColor, ToColor);
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  RangeTarget t_;
};

// One outer edge of a range: the edge of the cells that lie along it.
class BorderObject : public IDispatch {
 public:
  BorderObject(RangeTarget t, int edge) : t_(std::move(t)), edge_(edge) {
    if (edge < xlEdgeLeft || edge > xlEdgeRight) SheetError("Border index " + std::to_string(edge) + " is not an edge");
  }
  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    int SheetBorderEdge::*member = IsMember(name, "LineStyle") ? &SheetBorderEdge::LineStyle
                                   : IsMember(name, "Weight")  ? &SheetBorderEdge::Weight
                                   : IsMember(name, "Color")   ? &SheetBorderEdge::Color
                                                               : nullptr;
    if (!member) OleError(DISP_E_UNKNOWNNAME);
    size_t slot = static_cast<size_t>(edge_ - xlEdgeLeft);
    if (!IsPut(flags)) return Variant(t_.FirstStyle().Edges[slot].*member);
    int value = member == &SheetBorderEdge::Color ? ToColor(args.back()) : args.back().ToInteger();
    SheetRect edgeCells = t_.Rect;
    if (edge_ == xlEdgeLeft) edgeCells.Last.Column = edgeCells.First.Column;
    if (edge_ == xlEdgeRight) edgeCells.First.Column = edgeCells.Last.Column;
    if (edge_ == xlEdgeLeft + 1) edgeCells.Last.Row = edgeCells.First.Row;   // top
    if (edge_ == xlEdgeLeft + 2) edgeCells.First.Row = edgeCells.Last.Row;   // bottom
    t_.CheckCells();
    t_.Sheet->ChangeStyle(edgeCells, [&](SheetStyle& s) { s.Edges[slot].*member = value; });
    return Variant();
  }

 private:
  RangeTarget t_;
  int edge_;
};

class RangeObject : public IDispatch {
 public:
  explicit RangeObject(RangeTarget t) : t_(std::move(t)) {}

  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    SheetWorksheet& ws = t_.Ws();
    const SheetRect& r = t_.Rect;
    if (IsMember(name, "Value2") || IsMember(name, "Value")) {
      if (IsPut(flags)) {
        t_.CheckCells();
        PutValues(args.back());
        return Variant();
      }
      return ws.Value(r.First);
    }
    if (IsMember(name, "Formula")) {
      if (!IsPut(flags)) return ws.Value(r.First);
      t_.CheckCells();
      const Variant& v = args.back();
      for (int row = r.First.Row; row <= r.Last.Row; ++row)
        for (int col = r.First.Column; col <= r.Last.Column; ++col) {
          if (VarIsStr(v) && v.ToString().starts_with("="))
            ws.SetFormula({row, col}, v.ToString());
          else
            ws.SetValue({row, col}, v);
        }
      return Variant();
    }
    if (IsMember(name, "NumberFormat"))
      return StyleProperty<String>(t_, flags, args, &SheetStyle::NumberFormat, [](const Variant& v) { return v.ToString(); });
    if (IsMember(name, "HorizontalAlignment"))
      return StyleProperty<int>(t_, flags, args, &SheetStyle::HorizontalAlignment, [](const Variant& v) { return v.ToInteger(); });
    if (IsMember(name, "WrapText"))
      return StyleProperty<bool>(t_, flags, args, &SheetStyle::WrapText, [](const Variant& v) { return v.ToBoolean(); });
    if (IsMember(name, "Orientation"))
      return StyleProperty<int>(t_, flags, args, &SheetStyle::Orientation, [](const Variant& v) { return v.ToInteger(); });
    if (IsMember(name, "Font")) return Dispatch(std::make_shared<FontObject>(t_));
    if (IsMember(name, "Interior")) return Dispatch(std::make_shared<InteriorObject>(t_));
    if (IsMember(name, "Borders")) return Dispatch(std::make_shared<BorderObject>(t_, ArgAt(args, 0).ToInteger()));
    if (IsMember(name, "MergeCells")) {
      if (IsPut(flags)) {
        t_.CheckCells();
        if (args.back().ToBoolean()) ws.Merge(r);
        return Variant();
      }
      return Variant(std::any_of(ws.Merges().begin(), ws.Merges().end(), [&](const SheetRect& m) {
        return m.First.Row <= r.First.Row && r.First.Row <= m.Last.Row && m.First.Column <= r.First.Column &&
               r.First.Column <= m.Last.Column;
      }));
    }
    if (IsMember(name, "ColumnWidth")) {
      if (IsPut(flags)) {
        ws.SetColumnWidth(r.First.Column, r.Last.Column, args.back().ToDouble());
        return Variant();
      }
      auto w = ws.ColumnWidth(r.First.Column);
      return w ? Variant(*w) : Variant(8.43);
    }
    if (IsMember(name, "EntireColumn")) return Sub({{1, r.First.Column}, {SheetMaxRows, r.Last.Column}}, RangeTarget::EntireColumns);
    if (IsMember(name, "EntireRow")) return Sub({{r.First.Row, 1}, {r.Last.Row, SheetMaxColumns}}, RangeTarget::EntireRows);
    if (IsMember(name, "Rows")) return Sub(r, t_.Kind);
    if (IsMember(name, "AutoFit")) {
      ws.AutoFitColumns(r.First.Column, r.Last.Column);
      return Variant();
    }
    if (IsMember(name, "Insert")) {
      if (t_.Kind != RangeTarget::EntireRows) SheetError("Only whole rows can be inserted");
      ws.InsertRows(r.First.Row, r.Rows());
      return Variant();
    }
    if (IsMember(name, "Group")) {
      ws.GroupRows(r.First.Row, r.Last.Row);
      return Variant();
    }
    if (IsMember(name, "ClearContents")) {
      t_.CheckCells();
      ws.ClearContents(r);
      return Variant();
    }
    if (IsMember(name, "Row")) return Variant(r.First.Row);
    if (IsMember(name, "Column")) return Variant(r.First.Column);
    if (IsMember(name, "Offset")) {
      int dr = ArgAt(args, 0).IsEmpty() ? 0 : ArgAt(args, 0).ToInteger();
      int dc = ArgAt(args, 1).IsEmpty() ? 0 : ArgAt(args, 1).ToInteger();
      SheetRect moved{{r.First.Row + dr, r.First.Column + dc}, {r.Last.Row + dr, r.Last.Column + dc}};
      if (moved.First.Row < 1 || moved.First.Column < 1 || moved.Last.Row > SheetMaxRows || moved.Last.Column > SheetMaxColumns)
        SheetError("The offset range lies outside the sheet");
      return Sub(moved, t_.Kind);
    }
    if (IsMember(name, "AutoFilter")) {
      t_.CheckCells();
      ws.SetAutoFilter(r);
      return Variant(true);
    }
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  Variant Sub(const SheetRect& rect, RangeTarget::Extent kind) {
    return Dispatch(std::make_shared<RangeObject>(RangeTarget{t_.Sheet, rect, kind}));
  }

  // An array fills the range from its top-left corner (what does not fit is left out); a single
  // value goes into every cell.
  void PutValues(const Variant& v) {
    SheetWorksheet& ws = t_.Ws();
    const SheetRect& r = t_.Rect;
    if (!VarIsArray(v)) {
      for (int row = r.First.Row; row <= r.Last.Row; ++row)
        for (int col = r.First.Column; col <= r.Last.Column; ++col) ws.SetValue({row, col}, v);
      return;
    }
    int dims = VarArrayDimCount(v);
    int rowLow = VarArrayLowBound(v, 1), rowHigh = VarArrayHighBound(v, 1);
    int colLow = dims > 1 ? VarArrayLowBound(v, 2) : 0, colHigh = dims > 1 ? VarArrayHighBound(v, 2) : 0;
    int rows = std::min(r.Rows(), rowHigh - rowLow + 1);
    int cols = std::min(r.Columns(), colHigh - colLow + 1);
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < cols; ++j) {
        Variant e = dims > 1 ? VarArrayGet(v, {rowLow + i, colLow + j}) : VarArrayGet(v, {rowLow + i});
        ws.SetValue({r.First.Row + i, r.First.Column + j}, e);
        if (j == 0) ws.ReserveRow(r.First.Row + i, r.First.Column + cols - 1);
      }
  }

  RangeTarget t_;
};

class OutlineObject : public IDispatch {
 public:
  explicit OutlineObject(std::shared_ptr<SheetWorksheet> s) : s_(std::move(s)) {}
  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    constexpr int xlSummaryAbove = 0, xlSummaryOnLeft = -4131;
    if (IsMember(name, "SummaryRow")) {
      if (!IsPut(flags)) return Variant(s_->SummaryRowBelow ? 1 : xlSummaryAbove);
      s_->SummaryRowBelow = args.back().ToInteger() != xlSummaryAbove;
      return Variant();
    }
    if (IsMember(name, "SummaryColumn")) {
      if (!IsPut(flags)) return Variant(s_->SummaryColumnRight ? 1 : xlSummaryOnLeft);
      s_->SummaryColumnRight = args.back().ToInteger() != xlSummaryOnLeft;
      return Variant();
    }
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  std::shared_ptr<SheetWorksheet> s_;
};

class PageSetupObject : public IDispatch {
 public:
  explicit PageSetupObject(std::shared_ptr<SheetWorksheet> s) : s_(std::move(s)) {}
  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    if (IsMember(name, "PrintGridlines")) {
      if (!IsPut(flags)) return Variant(s_->PrintGridlines);
      s_->PrintGridlines = args.back().ToBoolean();
      return Variant();
    }
    if (IsMember(name, "CenterHeader")) {
      if (!IsPut(flags)) return Variant(s_->CenterHeader);
      s_->CenterHeader = args.back().ToString();
      return Variant();
    }
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  std::shared_ptr<SheetWorksheet> s_;
};

// Sheet names a workbook file accepts.
void CheckSheetName(const String& name, const SheetWorkbook& book, const SheetWorksheet& self) {
  size_t characters = 0;
  for (unsigned char c : name) characters += (c & 0xC0) != 0x80;
  if (name.empty() || characters > 31 || name.find_first_of("[]:*?/\\") != String::npos || name.front() == '\'' ||
      name.back() == '\'')
    SheetError("\"" + name + "\" is not a valid sheet name");
  int found = book.FindSheet(name);
  if (found && book.Sheet(found).get() != &self) SheetError("A sheet named \"" + name + "\" already exists");
}

class WorksheetObject : public IDispatch {
 public:
  WorksheetObject(std::shared_ptr<SheetAppState> app, std::shared_ptr<SheetWorkbook> book,
                  std::shared_ptr<SheetWorksheet> sheet)
      : app_(std::move(app)), book_(std::move(book)), sheet_(std::move(sheet)) {}

  Variant Invoke(const String& name, Word flags, std::span<const Variant> args) override {
    if (IsMember(name, "Name")) {
      if (!IsPut(flags)) return Variant(sheet_->Name());
      String value = args.back().ToString();
      CheckSheetName(value, *book_, *sheet_);
      sheet_->SetName(value);
      return Variant();
    }
    if (IsMember(name, "Range")) {
      String a = ArgAt(args, 0).ToString(), b = ArgAt(args, 1).IsEmpty() ? a : ArgAt(args, 1).ToString();
      auto first = ParseRangeName(a), last = ParseRangeName(b);
      if (!first || !last) SheetError("\"" + (first ? b : a) + "\" is not a cell reference");
      SheetRect rect{{std::min(first->First.Row, last->First.Row), std::min(first->First.Column, last->First.Column)},
                     {std::max(first->Last.Row, last->Last.Row), std::max(first->Last.Column, last->Last.Column)}};
      return Dispatch(std::make_shared<RangeObject>(RangeTarget{sheet_, rect}));
    }
    if (IsMember(name, "UsedRange")) return Dispatch(std::make_shared<RangeObject>(RangeTarget{sheet_, sheet_->UsedRange()}));
    if (IsMember(name, "Outline")) return Dispatch(std::make_shared<OutlineObject>(sheet_));
    if (IsMember(name, "PageSetup")) return Dispatch(std::make_shared<PageSetupObject>(sheet_));
    if (IsMember(name, "SaveAs")) {
      Variant format = ArgAt(args, 1);
      book_->SaveAs(ArgAt(args, 0).ToString(), format.IsEmpty() ? xlOpenXMLWorkbook : format.ToInteger());
      return Variant();
    }
    if (IsMember(name, "Delete")) {
      book_->RemoveSheet(sheet_);
      return Variant();
    }
    if (IsMember(name, "PrintPreview")) {
      PreviewSheet(*sheet_);
      return Variant();
    }
    OleError(DISP_E_UNKNOWNNAME);
  }

 private:
  std::shared_ptr<SheetAppState> app_;
  std::shared_ptr<SheetWorkbook> book_;
  std::shared_ptr<SheetWorksheet> sheet_;
};

}  // namespace

std::shared_ptr<IDispatch> MakeWorksheetObject(std::shared_ptr<SheetAppState> app, std::shared_ptr<SheetWorkbook> book,
                                               std::shared_ptr<SheetWorksheet> sheet) {
  return std::make_shared<WorksheetObject>(std::move(app), std::move(book), std::move(sheet));
}

}  // namespace orv
