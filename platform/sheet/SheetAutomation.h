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

}  // namespace orv
