#pragma once
// The workbook model as automation objects, in place of a spreadsheet application driven
// through OLE: an application with Workbooks, each with Worksheets, whose Range objects carry
// values, formulas, fonts, fills, borders, number formats, merges, widths, outline groups and
// the auto-filter. Members are called by name through IDispatch::Invoke with Variant arguments.
#include <functional>
#include <memory>

#include "platform/rtl/Dispatch.h"

namespace orv {

// A new application object: a fresh instance with no workbooks.
std::shared_ptr<IDispatch> CreateSheetApplication();
// The application made most recently that has not quit; nullptr when none runs.
std::shared_ptr<IDispatch> GetActiveSheetApplication();

// How a workbook is shown when the application becomes visible or previews a sheet: the
// workbook has been saved to fileName and is handed to this handler, which opens it with the
// desktop's default program unless replaced.
using TSheetShowHandler = std::function<void(const String& fileName)>;
void SetSheetShowHandler(TSheetShowHandler handler);

class SheetWorksheet;
// Shows the sheet's printed pages in a modal preview window from which the user can print;
// returns when the user closes it.
void ShowSheetPreview(const SheetWorksheet& sheet);
// How a worksheet's PrintPreview shows its pages: ShowSheetPreview unless replaced.
using TSheetPreviewHandler = std::function<void(const SheetWorksheet& sheet)>;
void SetSheetPreviewHandler(TSheetPreviewHandler handler);
// Hands the sheet to the preview handler.
void PreviewSheet(const SheetWorksheet& sheet);

}  // namespace orv
