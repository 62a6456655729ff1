// After the blocks: the auto-filter on the title row, and saving or previewing the workbook.
#include "xlsexport/ExcelExport.h"

namespace orv {

using namespace vwExcelExport;

namespace {
constexpr int xlAnd = 1;
// The spreadsheet's file formats of SaveAs.
constexpr int xlCSV = 6;
constexpr int xlHtml = 44;
constexpr int xlXMLSpreadsheet = 46;
constexpr int xlOpenXMLWorkbook = 51;
constexpr int xlExcel8 = 56;
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
    case 2:
      excelWorksheet_.Call("SaveAs", {FileName, xlExcel8});
      break;
    case 3:
      excelWorksheet_.Call("SaveAs", {FileName, xlHtml});
      break;
    case 4:
      excelWorksheet_.Call("SaveAs", {FileName, xlCSV});
      break;
    case 6:
      excelWorksheet_.Call("SaveAs", {FileName, xlXMLSpreadsheet});
      break;
    case 5:
      // The form of Excel 95 is not written by version 12.
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
  // Returns when the user closes the preview. The workbook is handed to the desktop's
  // spreadsheet (the application becoming visible) only then, so that its window does not come
  // up over the preview.
  excelWorksheet_.Call("PrintPreview");
  excelApplication_.Set("Visible", true);
  excelVisible_ = true;
}

}  // namespace orv
