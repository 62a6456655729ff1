// After the blocks: the auto-filter on the title row, and saving or previewing the workbook.
#include "xlsexport/ExcelExport.h"

namespace orv {

using namespace vwExcelExport;

namespace {
constexpr int xlAnd = 1;
constexpr int xlCSV = 6;
constexpr int xlOpenXMLWorkbook = 51;
}  // namespace

void TvwExcelExport::ApplyAutoFilter() {
  if (!showTitles_ || !autoFilter_) return;
  OleObject used = excelWorksheet_.Obj("UsedRange");
  int topRow = used.Get("Row").ToInteger();
  OleObject target = used.Obj("Offset", {beginRowTitles_ - topRow, beginColumnData_ - 1});
  target.Call("AutoFilter", {1, OleObject::Omitted(), xlAnd, OleObject::Omitted(), true});
}

void TvwExcelExport::SaveWorkbook(const String& FileName, Byte Format) {
  if (!excelApplication_.Assigned() || excelApplication_.Obj("Workbooks").Get("Count").ToInteger() == 0)
    throw ENoActiveWorkbook("No active workbook or no active Excel available");
  excelApplication_.Set("DisplayAlerts", false);
  switch (Format) {
    case 0:
    case 1:
      excelWorksheet_.Call("SaveAs", {FileName, xlOpenXMLWorkbook});
      break;
    case 4:
      excelWorksheet_.Call("SaveAs", {FileName, xlCSV});
      break;
    case 2:
    case 3:
    case 5:
    case 6:
      // The old binary, HTML and XML spreadsheet forms: this program writes none of them.
      throw ENotSupported("This action is not supported in this Excel version");
    default:
      break;
  }
}

void TvwExcelExport::PrintPreview(bool ShowGridlines) {
  if (!excelApplication_.Assigned() || excelApplication_.Obj("Workbooks").Get("Count").ToInteger() == 0)
    throw ENoActiveWorkbook("No active workbook or no active Excel available");
  OleObject setup = excelWorksheet_.Obj("PageSetup");
  setup.Set("PrintGridlines", ShowGridlines);
  setup.Set("CenterHeader", excelWorksheet_.Get("Name"));
  excelApplication_.Set("ScreenUpdating", true);
  // The preview shows the workbook; becoming visible afterwards does not show it a second time.
  excelWorksheet_.Call("PrintPreview");
  excelApplication_.Set("Visible", true);
  excelVisible_ = true;
}

}  // namespace orv
