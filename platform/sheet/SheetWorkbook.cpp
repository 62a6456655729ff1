#include "platform/sheet/SheetWorkbook.h"

#include <filesystem>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/FileUtils.h"

namespace orv {

SheetWorkbook::SheetWorkbook() : store_(std::make_shared<SheetBookStore>()) {}

std::shared_ptr<SheetWorksheet> SheetWorkbook::AddSheet() {
  int n = SheetCount() + 1;
  while (FindSheet("Sheet" + std::to_string(n))) ++n;
  sheets_.push_back(std::make_shared<SheetWorksheet>(store_, "Sheet" + std::to_string(n)));
  return sheets_.back();
}

int SheetWorkbook::FindSheet(const String& name) const {
  for (int i = 1; i <= SheetCount(); ++i)
    if (Sheet(i)->Name() == name) return i;
  return 0;
}

void SheetWorkbook::SaveAs(const String& fileName, int fileFormat) {
  namespace fs = std::filesystem;
  using TWriter = void (*)(const SheetWorkbook&, const String&);
  TWriter writer = nullptr;
  switch (fileFormat) {
    case xlOpenXMLWorkbook: writer = WriteXlsx; break;
    case xlCSV: writer = [](const SheetWorkbook& book, const String& file) { WriteCsv(*book.Sheet(1), file); }; break;
    case xlHtml: writer = WriteHtml; break;
    case xlXMLSpreadsheet: writer = WriteXmlSpreadsheet; break;
    case xlExcel8: writer = WriteXls; break;
    default: throw EOleException("This file format cannot be written", DISP_E_EXCEPTION, "Sheet", "");
  }
  fs::path target = fs::absolute(fs::path(fileName));
  try {
    SafeWriteFile(target.string(), [&](const String& temp) { writer(*this, temp); });
  } catch (const EStreamError& e) {
    throw EOleException("Cannot save " + target.string() + ": " + e.Message(), DISP_E_EXCEPTION, "Sheet", "");
  }
  fullName_ = target.string();
}

}  // namespace orv
