#pragma once
// A workbook of the model: its worksheets, shared texts and styles, and saving to a file.
#include <memory>
#include <vector>

#include "platform/sheet/SheetWorksheet.h"

namespace orv {

// File formats of SaveAs, numbered as the automation interface numbers them.
inline constexpr int xlCSV = 6;
inline constexpr int xlHtml = 44;
inline constexpr int xlXMLSpreadsheet = 46;
inline constexpr int xlOpenXMLWorkbook = 51;
inline constexpr int xlExcel8 = 56;

class SheetWorkbook {
 public:
  SheetWorkbook();

  // The texts and styles its sheets share.
  SheetBookStore& Store() const { return *store_; }
  int SheetCount() const { return static_cast<int>(sheets_.size()); }
  // 1-based.
  const std::shared_ptr<SheetWorksheet>& Sheet(int index) const { return sheets_.at(static_cast<size_t>(index - 1)); }
  // The new sheet goes last and gets the next free name "Sheet<n>".
  std::shared_ptr<SheetWorksheet> AddSheet();
  void RemoveSheet(const std::shared_ptr<SheetWorksheet>& sheet) { std::erase(sheets_, sheet); }
  // 1-based; 0 when there is none of that name.
  int FindSheet(const String& name) const;

  // Writes the workbook to a temporary file beside fileName and renames it over fileName only
  // when it is complete, so a failed save leaves an existing file as it was. xlOpenXMLWorkbook
  // writes a workbook, xlCSV the first sheet's values, xlHtml a page of tables,
  // xlXMLSpreadsheet the XML form of 2003 and xlExcel8 the binary form of 1997-2003 (through
  // LibreOffice); EOleException for other formats and for a file that cannot be written.
  void SaveAs(const String& fileName, int fileFormat = xlOpenXMLWorkbook);
  // The file it was last saved as; empty before the first save.
  const String& FullName() const { return fullName_; }

 private:
  std::shared_ptr<SheetBookStore> store_;
  std::vector<std::shared_ptr<SheetWorksheet>> sheets_;
  String fullName_;
};

// Reads an .xlsx workbook: its worksheets in order with their values, formulas (and their stored
// numeric results), styles, merges, column widths, auto-filter, print gridlines, paper,
// orientation and margins. Charts,
// pictures, comments, defined names and conditional formats are not carried. EOleException for
// a file that is damaged or larger than the bounds a workbook may have.
std::shared_ptr<SheetWorkbook> ReadXlsx(const String& fileName);

// Output of a workbook in each file format, into a file that does not exist yet.
void WriteXlsx(const SheetWorkbook& book, const String& fileName);
void WriteCsv(const SheetWorksheet& sheet, const String& fileName);
void WriteHtml(const SheetWorkbook& book, const String& fileName);
void WriteXmlSpreadsheet(const SheetWorkbook& book, const String& fileName);
void WriteXls(const SheetWorkbook& book, const String& fileName);

}  // namespace orv
