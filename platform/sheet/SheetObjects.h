#pragma once
// The automation objects of the workbook model and what they share; internal to platform/sheet.
#include <memory>
#include <span>
#include <vector>

#include "platform/rtl/Dispatch.h"
#include "platform/sheet/SheetWorkbook.h"

namespace orv {

// One application: its open workbooks and its switches.
struct SheetAppState {
  std::vector<std::shared_ptr<SheetWorkbook>> Workbooks;
  bool Visible = false;
  bool ScreenUpdating = true;
  bool DisplayAlerts = true;
  // Workbooks handed to the desktop already; becoming visible shows only the others.
  std::vector<const SheetWorkbook*> Shown;
  // Saves the workbook where it was saved before, or as a new file in the folder of shown
  // workbooks, and hands it to the show handler.
  void Show(SheetWorkbook& book);
};

std::shared_ptr<IDispatch> MakeWorksheetObject(std::shared_ptr<SheetAppState> app, std::shared_ptr<SheetWorkbook> book,
                                               std::shared_ptr<SheetWorksheet> sheet);

// Argument and member-name helpers of the Invoke implementations.
bool IsMember(const String& name, const char* member);
// The argument at index, or Empty when it is missing or passed as "omitted".
Variant ArgAt(std::span<const Variant> args, size_t index);
[[noreturn]] void SheetError(const String& message);

}  // namespace orv
