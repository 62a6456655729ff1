#pragma once
// A worksheet laid out on printed pages: the used range cut into pages of the paper, orientation
// and margins of the sheet's page setup, down the rows first and then across, each page drawn on
// a canvas with the cells' fills, texts and borders, the gridlines when the page setup asks for
// them and the centre header at the header margin.
#include <vector>

#include "platform/print/CanvasJob.h"
#include "platform/sheet/SheetWorksheet.h"

namespace orv {

class TCanvas;

class SheetPageLayout {
 public:
  explicit SheetPageLayout(const SheetWorksheet& sheet);

  int PageCount() const { return static_cast<int>(rowBands_.size() * columnBands_.size()); }
  // The cells of a page (0-based).
  SheetRect PageCells(int page) const;
  // The paper of every page as it lies; the canvas origin is its top left corner.
  const TPageFormat& Format() const { return paper_; }
  // The print server's name of the paper; empty for a paper it has no name for.
  const String& Media() const { return media_; }
  // Draws a page (0-based) at the canvas's resolution.
  void DrawPage(TCanvas& canvas, int page) const;

 private:
  struct Band {
    int First, Last;
  };
  const SheetWorksheet& sheet_;
  TPageFormat paper_;
  String media_;
  // Millimetres from the paper's edges.
  double left_, right_, top_, bottom_, header_;
  SheetRect used_;
  std::vector<double> rowHeights_;    // millimetres, from used_.First.Row
  std::vector<double> columnWidths_;  // millimetres, from used_.First.Column
  std::vector<Band> rowBands_;
  std::vector<Band> columnBands_;
};

// Prints every page of the layout as one job on its paper: to printer (empty: the default
// printer), or into the PDF file fileName when it is not empty. False with the reason in error.
bool PrintSheetPages(const SheetPageLayout& layout, const String& title, const String& printer, const String& fileName,
                     String& error);

// The text a cell shows: numbers in their format, Booleans as TRUE and FALSE, formulas by the
// result the model works out or the file stored (nothing when it has neither).
String SheetCellText(const SheetWorksheet& sheet, int row, int column);

}  // namespace orv
