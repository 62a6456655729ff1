#pragma once
// Prepared pages put on a printer: the page selection, the copies, and the three ways pages meet
// sheets (one page a sheet, a big page split over sheets, small pages joined on one sheet).
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/rtl/StringList.h"
#include "report/engine/Printers.h"
#include "report/model/Report.h"
#include "report/model/ReportOptions.h"

namespace orv {

class TkvxPreviewPages;
class TkvxReportPage;

// Columns and rows of "part" cells that cover a "whole" area; Rotated when the part lies turned.
struct TkvxCells {
  Integer Columns = 1;
  Integer Rows = 1;
  bool Rotated = false;
};
TkvxCells kvxCountCells(Extended wholeWidth, Extended wholeHeight, Extended partWidth, Extended partHeight);
// Columns and rows of whole pages on a sheet as the sheet is laid (wide when Rotated): the
// layout that holds the most pages, upright on a tie.
TkvxCells kvxFitCells(Extended sheetWidth, Extended sheetHeight, Extended pageWidth, Extended pageHeight);

// One print job of a prepared report on one printer.
class TkvxPrintLoop {
 public:
  // duplex: the print dialog's choice, 0 = as each page says, else the duplex mode.
  // sheetWidth and sheetHeight: the upright sheet of the split, join and scale modes, in mm.
  TkvxPrintLoop(TkvxPreviewPages& pages, TkvxCustomPrinter& printer, const TkvxPrintOptions& options,
                Integer duplex, Extended sheetWidth, Extended sheetHeight);

  // False when the printer failed (its LastError says why) or the user cancelled.
  bool Run();

 private:
  bool Selected(Integer index) const;
  // The pages in printing order, selection applied.
  std::vector<Integer> Order() const;
  Integer PageDuplex(TkvxReportPage* page) const;
  bool Begin();
  bool DefaultLoop(Integer copy, bool scale);
  bool SplitLoop(Integer copy);
  bool JoinLoop(Integer copy);
  // The page at index on the sheet begun, at the scales and offsets (printer pixels) DrawPage
  // takes on the printer's canvas; through the printer's spool when it has one.
  void Draw(Integer index, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY);
  void Step(Integer index);
  bool Terminated();
  // The sheet of split, join and scale, laid as asked.
  void SheetParams(bool landscape, Integer bin, Integer duplex, Integer copies);

  TkvxPreviewPages& pages_;
  TkvxCustomPrinter& printer_;
  // The job's progress while Run runs.
  TkvxProgressScope* progress_ = nullptr;
  const TkvxPrintOptions& options_;
  Integer duplex_;
  Extended sheetWidth_, sheetHeight_;
  // The sheet of scale mode as the printer lays it for the page's orientation.
  Extended laidWidth_ = 0, laidHeight_ = 0;
  TStringList numbers_;
  Integer copies_;
  // Where an AutoWidth memo measures itself before it goes to the spool.
  TBitmap scratch_{1, 1};
  bool begun_ = false;
  bool aborted_ = false;
  // What the last printed page asked the printer for.
  Integer printed_ = 0;
  Integer printedInCopy_ = 0;
  Integer lastPaper_ = -1, lastWidth_ = 0, lastHeight_ = 0, lastBin_ = 0, lastDuplex_ = -1;
  bool lastOrientation_ = false;
};

}  // namespace orv
