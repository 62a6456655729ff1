// Prepared pages on paper. Pages go to the printer's spool with the content an export gives
// them, or, for a printer without one, are drawn at its resolution through the store's DrawPage;
// each page tells the printer its paper, bin and duplex. A job that fails or is cancelled is
// aborted and reported once, by the caller.
#include "report/engine/PrintLoop.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "report/engine/PreviewPages.h"
#include "report/engine/PrintDialog.h"
#include "report/engine/PrintSpool.h"
#include "report/model/MemoView.h"
#include "report/model/PictureView.h"
#include "report/model/ReportUtils.h"
#include "report/model/Resources.h"

namespace orv {

namespace {

// Overlap of the sheets of a split page, so that no line is lost at a cut.
constexpr Extended kOverlapMM = 3;
// A remainder this large needs one more cell; a smaller one is the printer's margin at work.
constexpr Extended kCellToleranceMM = 11;

Integer CountAlong(Extended whole, Extended part) {
  if (part <= 0) return 1;
  Extended q = whole / part;
  Extended t = std::trunc(q);
  Integer n = std::fabs(t * part - whole) >= kCellToleranceMM ? static_cast<Integer>(t) + 1
                                                             : static_cast<Integer>(std::lround(q));
  return std::max<Integer>(n, 1);
}

// One side of a page split over sheets, in mm: the page's own margins hold nothing, so when the
// printer's margin is wider the page moves in by the difference (Shift), and the first sheet
// shows the page up to its printable end, each further one a step on, until the page's far
// margin is reached.
struct TSplitSide {
  Extended Shift = 0;
  Integer Sheets = 1;
};

TSplitSide SplitSide(Extended pageStart, Extended pageEnd, Extended sheet, Extended startMargin, Extended endMargin) {
  TSplitSide side;
  side.Shift = std::max<Extended>(0, startMargin - pageStart);
  Extended step = sheet - startMargin - endMargin - kOverlapMM;
  Extended shown = sheet - endMargin - side.Shift;
  // A hundredth of a millimetre short is no reason for another sheet.
  if (step > 0 && shown < pageEnd)
    side.Sheets = 1 + static_cast<Integer>(std::ceil((pageEnd - shown) / step - 0.01));
  return side;
}

// Whole pages of this size that fit along a sheet; one when none does.
Integer FitAlong(Extended sheet, Extended page) {
  if (page <= 0) return 1;
  // Half a millimetre of rounding in paper sizes (two A5 on an A4) still fits.
  return std::max<Integer>(static_cast<Integer>(std::floor((sheet + 0.5) / page)), 1);
}

int Px(Extended mm, int dpi) { return static_cast<int>(std::lround(mm * dpi / 25.4)); }

bool IsDuplex(Integer duplex) { return duplex == dmVertical || duplex == dmHorizontal; }

}  // namespace

TkvxCells kvxCountCells(Extended wholeWidth, Extended wholeHeight, Extended partWidth, Extended partHeight) {
  TkvxCells cells{CountAlong(wholeWidth, partWidth), CountAlong(wholeHeight, partHeight), false};
  TkvxCells turned{CountAlong(wholeWidth, partHeight), CountAlong(wholeHeight, partWidth), true};
  return turned.Columns * turned.Rows < cells.Columns * cells.Rows ? turned : cells;
}

TkvxCells kvxFitCells(Extended sheetWidth, Extended sheetHeight, Extended pageWidth, Extended pageHeight) {
  TkvxCells upright{FitAlong(sheetWidth, pageWidth), FitAlong(sheetHeight, pageHeight), false};
  // Turned, the sheet lies wide and the pages stand on it as they are.
  TkvxCells turned{FitAlong(sheetHeight, pageWidth), FitAlong(sheetWidth, pageHeight), true};
  return turned.Columns * turned.Rows > upright.Columns * upright.Rows ? turned : upright;
}

TkvxPrintLoop::TkvxPrintLoop(TkvxPreviewPages& pages, TkvxCustomPrinter& printer, const TkvxPrintOptions& options,
                             Integer duplex, Extended sheetWidth, Extended sheetHeight)
    : pages_(pages),
      printer_(printer),
      options_(options),
      duplex_(duplex),
      sheetWidth_(sheetWidth),
      sheetHeight_(sheetHeight),
      copies_(std::max<Integer>(options.Copies, 1)) {
  kvxParsePageNumbers(options.PageNumbers, numbers_, pages.GetCount());
}

bool TkvxPrintLoop::Selected(Integer index) const {
  Integer number = index + 1;
  if (numbers_.Count() > 0 && numbers_.IndexOf(IntToStr(number)) < 0) return false;
  if (options_.PrintPages == ppOdd && number % 2 == 0) return false;
  if (options_.PrintPages == ppEven && number % 2 == 1) return false;
  return true;
}

std::vector<Integer> TkvxPrintLoop::Order() const {
  std::vector<Integer> order;
  for (Integer i = 0; i < pages_.GetCount(); ++i)
    if (Selected(i)) order.push_back(i);
  if (options_.Reverse) std::reverse(order.begin(), order.end());
  return order;
}

Integer TkvxPrintLoop::PageDuplex(TkvxReportPage* page) const {
  return duplex_ != 0 ? duplex_ : static_cast<Integer>(page->Duplex());
}

void TkvxPrintLoop::SheetParams(bool landscape, Integer bin, Integer duplex, Integer copies) {
  printer_.SetPrintParams(options_.PrintOnSheet, landscape ? sheetHeight_ : sheetWidth_,
                          landscape ? sheetWidth_ : sheetHeight_, landscape, bin, duplex + 1, copies);
}

bool TkvxPrintLoop::Terminated() {
  if (!pages_.Report->Terminated) return false;
  if (begun_ && !aborted_) printer_.Abort();
  aborted_ = true;
  return true;
}

bool TkvxPrintLoop::Begin() {
  if (!begun_) {
    printer_.SetSpooled(true);
    if (!printer_.BeginDoc()) return false;
    begun_ = true;
  }
  return printer_.BeginPage();
}

void TkvxPrintLoop::Draw(Integer index, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
  TkvxPrintSpool* spool = printer_.Spool();
  if (!spool) {
    pages_.DrawPage(index, printer_.Canvas(), scaleX, scaleY, offsetX, offsetY);
    return;
  }
  std::shared_ptr<TkvxReportPage> page = pages_.GetPageShared(index);
  if (!page) return;
  // The page placed on its paper as an export places it; the canvas's origin is the corner of the
  // printable area, the sheet's is its own.
  kvxPlaceOnPaper(page.get(), index);
  pages_.SetMemoPageValues(page.get(), index);
  TPoint dpi = printer_.DPI();
  spool->StartPage(scaleX * 96 / dpi.X, scaleY * 96 / dpi.Y, printer_.LeftMargin() + offsetX * 25.4 / dpi.X,
                   printer_.TopMargin() + offsetY * 25.4 / dpi.Y);
  if (page->BackPictureVisible() && page->BackPicturePrintable()) {
    std::unique_ptr<TkvxPictureView> background = kvxPageBackgroundView(page.get());
    spool->ExportObject(background.get());
  }
  // What the canvas shows on paper: the views, not the bands, that are printable.
  for (TkvxComponent* obj : page->AllObjects()) {
    if (!obj->InheritsFrom(TkvxView::StaticClass())) continue;
    auto* view = static_cast<TkvxView*>(obj);
    if (view->IsBand() || !view->Printable()) continue;
    if (obj->InheritsFrom(TkvxCustomMemoView::StaticClass()) && static_cast<TkvxCustomMemoView*>(obj)->AutoWidth)
      static_cast<TkvxCustomMemoView*>(obj)->Draw(&scratch_.Canvas(), 1, 1, 0, 0);
    spool->ExportObject(obj);
  }
  spool->FinishPage();
  page->SetLeft(0);
  page->SetTop(0);
}

void TkvxPrintLoop::Step(Integer index) {
  // The step lets the program handle what is pending, the progress window's Cancel among it.
  progress_->Step(index + 1);
  printer_.EndPage();
  ++printed_;
  ++printedInCopy_;
}

bool TkvxPrintLoop::Run() {
  TkvxReport* report = pages_.Report;
  report->SetTerminated(false);
  TkvxProgressScope progress(*report, ptPrinting);
  progress_ = &progress;
  String title = report->ReportOptions()->Name;
  printer_.SetTitle(title.empty() ? report->FileName : title);
  bool ok = true;
  if (options_.Collate) {
    for (Integer copy = 1; copy <= copies_ && ok; ++copy) {
      pages_.CopyNo = copy;
      printedInCopy_ = 0;
      ok = options_.PrintMode == pmSplit  ? SplitLoop(copy)
           : options_.PrintMode == pmJoin ? JoinLoop(copy)
                                          : DefaultLoop(copy, options_.PrintMode == pmScale);
      // The next copy starts on a sheet of its own.
      if (ok && IsDuplex(lastDuplex_) && printedInCopy_ % 2 == 1) {
        ok = Begin();
        if (ok) printer_.EndPage();
      }
      if (ok && Terminated()) ok = false;
    }
  } else {
    ok = options_.PrintMode == pmSplit  ? SplitLoop(1)
         : options_.PrintMode == pmJoin ? JoinLoop(1)
                                        : DefaultLoop(1, options_.PrintMode == pmScale);
  }
  // A cancel that came with the last page still withdraws the job: nothing of it is sent.
  if (ok && Terminated()) ok = false;
  if (ok && begun_) ok = printer_.EndDoc();
  else if (!ok && begun_ && !aborted_) printer_.Abort();
  progress_ = nullptr;
  return ok;
}

bool TkvxPrintLoop::DefaultLoop(Integer copy, bool scale) {
  TPoint dpi = printer_.DPI();
  for (Integer index : Order()) {
    if (Terminated()) return false;
    std::shared_ptr<TkvxReportPage> page = pages_.GetPageShared(index);
    if (!page) continue;
    Integer copies = options_.Collate ? 1 : copies_;
    pages_.CopyNo = options_.Collate ? copy : 1;
    if (pages_.Report->OnPrintPage) pages_.Report->OnPrintPage(page.get(), pages_.CopyNo);
    Integer bin = printedInCopy_ == 0 ? page->Bin() : page->BinOtherPages();
    Integer duplex = PageDuplex(page.get());
    bool landscape = page->Orientation() == poLandscape;
    Integer width = static_cast<Integer>(std::lround(page->PaperWidth()));
    Integer height = static_cast<Integer>(std::lround(page->PaperHeight()));
    bool first = printed_ == 0;
    bool turned = bin != lastBin_ || landscape != lastOrientation_ || duplex != lastDuplex_;
    bool otherPaper = page->PaperSize() != lastPaper_ || width != lastWidth_ || height != lastHeight_;
    if (!scale && (first || turned || otherPaper)) {
      printer_.SetPrintParams(page->PaperSize(), page->PaperWidth(), page->PaperHeight(), landscape, bin, duplex + 1,
                              copies);
    } else if (scale && (first || turned)) {
      SheetParams(landscape, bin, duplex, copies);
      laidWidth_ = printer_.PaperWidth();
      laidHeight_ = printer_.PaperHeight();
    }
    if (!Begin()) return false;
    Extended kx = 1, ky = 1;
    if (scale && page->PaperWidth() > 0 && page->PaperHeight() > 0) {
      kx = laidWidth_ / page->PaperWidth();
      ky = laidHeight_ / page->PaperHeight();
      pages_.PrintScale = std::min(kx, ky);
    }
    Draw(index, kx * dpi.X / 96, ky * dpi.Y / 96, -printer_.LeftMargin() * dpi.X / 25.4,
         -printer_.TopMargin() * dpi.Y / 25.4);
    Step(index);
    lastPaper_ = page->PaperSize();
    lastWidth_ = width;
    lastHeight_ = height;
    lastBin_ = bin;
    lastOrientation_ = landscape;
    lastDuplex_ = duplex;
  }
  return true;
}

bool TkvxPrintLoop::SplitLoop(Integer copy) {
  for (Integer index : Order()) {
    if (Terminated()) return false;
    std::shared_ptr<TkvxReportPage> page = pages_.GetPageShared(index);
    if (!page) continue;
    Integer copies = options_.Collate ? 1 : copies_;
    pages_.CopyNo = options_.Collate ? copy : 1;
    if (pages_.Report->OnPrintPage) pages_.Report->OnPrintPage(page.get(), pages_.CopyNo);
    Integer bin = printedInCopy_ == 0 ? page->Bin() : page->BinOtherPages();
    Integer duplex = PageDuplex(page.get());
    TkvxCells cells = kvxCountCells(page->PaperWidth(), page->PaperHeight(), sheetWidth_, sheetHeight_);
    if (printed_ == 0 || cells.Rotated != lastOrientation_)
      SheetParams(cells.Rotated, bin, duplex, copies);
    // The printer lays the sheet out as turned, margins included; the cells only chose the
    // turn, and how many sheets a side of the page takes follows from what a sheet can print.
    TPoint dpi = printer_.DPI();
    int left = Px(printer_.LeftMargin(), dpi.X), top = Px(printer_.TopMargin(), dpi.Y);
    int stepX = Px(printer_.PaperWidth() - printer_.LeftMargin() - printer_.RightMargin() - kOverlapMM, dpi.X);
    int stepY = Px(printer_.PaperHeight() - printer_.TopMargin() - printer_.BottomMargin() - kOverlapMM, dpi.Y);
    TSplitSide across = SplitSide(page->LeftMargin(), page->PaperWidth() - page->RightMargin(), printer_.PaperWidth(),
                                  printer_.LeftMargin(), printer_.RightMargin());
    TSplitSide down = SplitSide(page->TopMargin(), page->PaperHeight() - page->BottomMargin(), printer_.PaperHeight(),
                                printer_.TopMargin(), printer_.BottomMargin());
    Integer columns = across.Sheets, rows = down.Sheets;
    left -= Px(across.Shift, dpi.X);
    top -= Px(down.Shift, dpi.Y);
    for (Integer row = 0; row < rows; ++row) {
      for (Integer column = 0; column < columns; ++column) {
        if (!Begin()) return false;
        Draw(index, dpi.X / 96.0, dpi.Y / 96.0, -left - column * stepX, -top - row * stepY);
        printer_.EndPage();
      }
    }
    progress_->Step(index + 1);
    ++printed_;
    ++printedInCopy_;
    lastOrientation_ = cells.Rotated;
    lastDuplex_ = duplex;
    pages_.ClearPageCache();
  }
  return true;
}

bool TkvxPrintLoop::JoinLoop(Integer copy) {
  std::vector<Integer> order = Order();
  std::shared_ptr<TkvxReportPage> first;
  for (Integer index : order)
    if ((first = pages_.GetPageShared(index))) break;
  if (!first) return true;
  // Only pages that fit whole share a sheet: a page cut at the sheet's edge is no page.
  TkvxCells cells = kvxFitCells(sheetWidth_, sheetHeight_, first->PaperWidth(), first->PaperHeight());
  Integer columns = cells.Columns;
  Integer rows = cells.Rows;
  Integer duplex = PageDuplex(first.get());
  if (printed_ == 0)
    SheetParams(cells.Rotated, first->Bin(), duplex, 1);
  lastDuplex_ = duplex;
  TPoint dpi = printer_.DPI();
  int left = Px(printer_.LeftMargin(), dpi.X), top = Px(printer_.TopMargin(), dpi.Y);
  int cellWidth = Px(first->PaperWidth(), dpi.X), cellHeight = Px(first->PaperHeight(), dpi.Y);
  // Without collation the copies of a page fill consecutive cells; with it each run is a copy.
  Integer repeat = options_.Collate ? 1 : copies_;
  std::vector<Integer> cellPages;
  for (Integer index : order)
    for (Integer k = 0; k < repeat; ++k) cellPages.push_back(index);
  size_t at = 0;
  while (at < cellPages.size()) {
    if (!Begin()) return false;
    Integer lastIndex = cellPages[at];
    for (Integer row = 0; row < rows && at < cellPages.size(); ++row) {
      for (Integer column = 0; column < columns && at < cellPages.size(); ++column, ++at) {
        lastIndex = cellPages[at];
        std::shared_ptr<TkvxReportPage> page = pages_.GetPageShared(lastIndex);
        if (!page) continue;
        pages_.CopyNo = options_.Collate ? copy : static_cast<Integer>(at % static_cast<size_t>(repeat)) + 1;
        Draw(lastIndex, dpi.X / 96.0, dpi.Y / 96.0, -left + column * cellWidth, -top + row * cellHeight);
      }
    }
    Step(lastIndex);
    if (Terminated()) return false;
    pages_.ClearPageCache();
  }
  return true;
}

}  // namespace orv

namespace orv {

namespace {

// However a print ends, an error the report's silent mode raises included, the job's choices end
// with it: the options come back, the preview is unlocked, a half-sent job is withdrawn, and a
// file chosen to print to is forgotten, so that a later print never goes silently there.
class TJobScope {
 public:
  TJobScope(TkvxPreviewPages& pages, TkvxPrintOptions* options) : pages_(pages), options_(options) {
    saved_.Assign(options);
  }
  ~TJobScope() {
    if (TkvxCustomPrinter* printer = kvxPrinters()->Printer()) {
      if (printer->Printing()) printer->Abort();
      printer->SetFileName("");
    }
    if (preview_) preview_->Unlock();
    pages_.CopyNo = 0;
    options_->Assign(&saved_);
  }
  void Lock(TkvxCustomPreview* preview) {
    preview_ = preview;
    if (preview_) preview_->Lock();
  }

 private:
  TkvxPreviewPages& pages_;
  TkvxPrintOptions* options_;
  TkvxPrintOptions saved_;
  TkvxCustomPreview* preview_ = nullptr;
};

}  // namespace

bool TkvxPreviewPages::Print() {
  TkvxPrinters* printers = kvxPrinters();
  if (!printers->HasPhysicalPrinters()) {
    // A print server that did not answer is no system without printers.
    kvxCommonErrorHandler(Report, printers->ServerError().empty() ? kvxGetResources()->Get("clNoPrinters")
                                                                  : printers->ServerError());
    return false;
  }
  PrintScale = 1;
  // Dot-matrix reports go to a text exporter, and this system has none.
  if (Report->DotMatrixReport()) return false;
  TkvxPrintOptions* options = Report->PrintOptions();
  TJobScope scope(*this, options);
  Integer named = options->Printer.empty() ? -1 : printers->IndexOf(options->Printer);
  if (named >= 0 || printers->PrinterIndex() < 0) printers->SetPrinterIndex(named);
  Integer duplex = 0;
  if (options->ShowDialog) {
    TkvxPrintDialog dialog(nullptr);
    dialog.Report = Report;
    dialog.Duplex = duplex;
    if (dialog.ShowModal() != mrOk) return false;
    duplex = dialog.Duplex;
  }
  // Options set by a program are checked as the dialog checks what is typed; the job prints
  // the list as checked, and the options get the text back at the end.
  if (options->PageNumbers.find_first_not_of(' ') == String::npos) {
    options->PageNumbers.clear();
  } else if (String pages; kvxCheckPageNumbers(options->PageNumbers, GetCount(), pages)) {
    options->PageNumbers = pages;
  } else {
    kvxCommonErrorHandler(Report, Format(kvxGetResources()->Get("clBadPages"), {GetCount()}));
    return false;
  }
  TkvxCustomPrinter* printer = printers->Printer();
  Extended sheetWidth = 0, sheetHeight = 0;
  if (printer && options->PrintMode != pmDefault) {
    // Measured upright whatever way the last job left the printer: the cell layout turns it.
    bool custom = options->PrintOnSheet == 256;
    Extended width = printer->PaperWidth(), height = printer->PaperHeight();
    if (printer->Orientation()) std::swap(width, height);
    printer->SetViewParams(options->PrintOnSheet, custom ? width : 0, custom ? height : 0, false);
    sheetWidth = printer->PaperWidth();
    sheetHeight = printer->PaperHeight();
  }
  if (Report->OnPrintReport) Report->OnPrintReport(Report);
  // Printing comes after the run, so the script's print event runs outside it.
  Report->DoNotifyEvent(Report, Report->OnReportPrint, true);
  scope.Lock(Report->Preview());
  bool printed = false;
  try {
    printed = RunJob(printer, *options, duplex, sheetWidth, sheetHeight);
  } catch (...) {
    if (Report->OnAfterPrintReport) Report->OnAfterPrintReport(Report);
    throw;
  }
  if (Report->OnAfterPrintReport) Report->OnAfterPrintReport(Report);
  return printed;
}

bool TkvxPreviewPages::RunJob(TkvxCustomPrinter* printer, const TkvxPrintOptions& options, Integer duplex,
                              Extended sheetWidth, Extended sheetHeight) {
  if (!printer || !printer->Initialized()) {
    kvxCommonErrorHandler(Report, "Printer selected is not valid");
    return false;
  }
  ClearPageCache();
  TkvxPrintLoop loop(*this, *printer, options, duplex, sheetWidth, sheetHeight);
  if (loop.Run()) return true;
  if (!Report->Terminated) kvxCommonErrorHandler(Report, printer->LastError());
  return false;
}

}  // namespace orv
