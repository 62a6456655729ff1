// One export from start to end: the checks, the connection to a workbook, the blocks in their
// order, and showing or dropping the result.
#include <filesystem>

#include "platform/gui/Screen.h"
#include "platform/rtl/TextUtils.h"
#include "platform/sheet/SheetAutomation.h"
#include "xlsexport/ExcelExport.h"

namespace orv {

using namespace vwExcelExport;

namespace {
constexpr int xlWBATWorksheet = -4167;
}

void TvwExcelExport::ExportDataset() {
  if (exporting_) throw EExportRunning("An export is already running");
  TCursor kept = Screen->Cursor();
  Screen->SetCursor(crHourGlass);
  auto run = std::make_shared<RunState>();
  exporting_ = run;
  try {
    if (dataPipe_ == dpDataSet) {
      if (!dataset_) throw ENoDatasetConnected("No dataset is connected");
      if (!dataset_->Active()) throw EDatasetNotActive("Dataset is not active");
    }
    warnings_->Clear();
    cutCells_->Clear();
    if (!connected_) Connect();
    SetHeaderText(nullptr);
    WriteTitles();
    WriteData();
    WriteHeader();
    if (summarySelection_ != ssNone) WriteSummary();
    ApplyColumnWidthStyle();
    WriteGroups();
    WriteFooter();
    ApplyAutoFilter();
    excelApplication_.Set("ScreenUpdating", excelVisible_);
    if (excelVisible_) excelApplication_.Set("Visible", true);
  } catch (...) {
    Screen->SetCursor(kept);
    // A component freed during the run has nothing left to tidy.
    if (!run->Alive) throw;
    exporting_.reset();
    DiscardFailedExport();
    throw;
  }
  Screen->SetCursor(kept);
  exporting_.reset();
}

// A half-written sheet is worth nothing to the user and must not turn up in the next export:
// what this export made goes away and the component starts afresh next time.
void TvwExcelExport::DiscardFailedExport() {
  if (!connected_) return;
  try {
    if (madeApplication_) {
      excelApplication_.Call("Quit");
    } else if (madeWorkbook_) {
      excelWorkbook_.Call("Close", {false});
    } else if (madeWorksheet_) {
      excelWorksheet_.Call("Delete");
    }
  } catch (const Exception&) {
    // The export's own error is the one to report.
  }
  excelWorksheet_.Clear();
  excelWorkbook_.Clear();
  excelApplication_.Clear();
  connected_ = false;
}

void TvwExcelExport::Connect() {
  if (connected_) return;
  String sheetName = GetSheetName();
  int found = -1;
  madeApplication_ = madeWorkbook_ = madeWorksheet_ = false;
  auto runningOrNew = [&] {
    auto running = GetActiveSheetApplication();
    madeApplication_ = !running;
    excelApplication_ = OleObject(running ? running : CreateSheetApplication());
  };
  auto addWorkbook = [&] {
    excelWorkbook_ = excelApplication_.Obj("Workbooks").Obj("Add", {xlWBATWorksheet});
    excelWorksheet_ = excelWorkbook_.Obj("Worksheets", {1});
    madeWorkbook_ = true;
  };
  auto takeOrAddSheet = [&] {
    found = FindWorksheet(sheetName);
    OleObject sheets = excelWorkbook_.Obj("Worksheets");
    if (found == -1) {
      excelWorksheet_ = sheets.Obj("Add", {OleObject::Omitted(), OleObject::Omitted(), 1, xlWBATWorksheet});
      madeWorksheet_ = true;
    } else {
      excelWorksheet_ = sheets.Obj("Item", {found});
    }
  };
  try {
    switch (connectTo_) {
      case ctNewExcel:
        excelApplication_ = OleObject(CreateSheetApplication());
        madeApplication_ = true;
        if (!Trim(filename_).empty()) {
          if (!std::filesystem::exists(filename_)) throw EFileNotExists("File " + filename_ + " does not exist");
          excelWorkbook_ = excelApplication_.Obj("Workbooks").Obj("Open", {filename_});
          takeOrAddSheet();
        } else {
          addWorkbook();
        }
        break;
      case ctNewWorkbook:
        runningOrNew();
        addWorkbook();
        break;
      case ctNewWorksheet:
        runningOrNew();
        if (excelApplication_.Obj("Workbooks").Get("Count").ToInteger() == 0)
          throw ENoActiveWorkbook("No active workbook or no active Excel available");
        excelWorkbook_ = excelApplication_.Obj("ActiveWorkbook");
        takeOrAddSheet();
        break;
    }
    excelApplication_.Set("ScreenUpdating", false);
    if (found == -1 && !sheetName.empty()) excelWorksheet_.Set("Name", sheetName);
  } catch (...) {
    connected_ = true;
    DiscardFailedExport();
    throw;
  }
  connected_ = true;
}

void TvwExcelExport::Disconnect(bool Quit) {
  if (!excelApplication_.Assigned()) {
    connected_ = false;
    return;
  }
  if (!excelVisible_) {
    excelApplication_.Set("DisplayAlerts", false);
    excelApplication_.Call("Quit");
  }
  excelWorksheet_.Clear();
  excelWorkbook_.Clear();
  if (Quit) {
    excelApplication_.Set("DisplayAlerts", false);
    excelApplication_.Call("Quit");
  }
  excelApplication_.Clear();
  connected_ = false;
}

void TvwExcelExport::RunState::EnableControls() {
  if (DisabledDataset) DisabledDataset->EnableControls();
  DisabledDataset = nullptr;
}

TvwExcelExport::DatasetHold::DatasetHold(TvwExcelExport& owner)
    : owner_(owner), run_(owner.exporting_) {
  if (owner_.dataPipe_ != dpDataSet) return;
  owner_.dataset_->DisableControls();
  run_->DisabledDataset = owner_.dataset_;
  bookmark_ = owner_.dataset_->GetBookmark();
}

// The owner may be gone by now: only the run is asked.
TvwExcelExport::DatasetHold::~DatasetHold() { run_->EnableControls(); }

void TvwExcelExport::DatasetHold::ReturnToStart() {
  if (owner_.dataPipe_ == dpDataSet && !bookmark_.IsNull()) owner_.dataset_->GotoBookmark(bookmark_);
}

}  // namespace orv
