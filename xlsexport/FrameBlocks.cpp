// The blocks around the data: the column titles (which decide the exported columns), the
// header lines above them and the footer lines below everything.
#include "xlsexport/ExcelExport.h"

namespace orv {

using namespace vwExcelExport;

void TvwExcelExport::WriteTitles() {
  firstDataColumnName_ = ColumnName(beginColumnData_);
  fieldNames_->Clear();
  fieldIndexes_.clear();
  int fieldCount = 0;
  if (dataPipe_ == dpDataSet)
    fieldCount = dataset_->FieldCount();
  else if (OnGetFieldCount)
    OnGetFieldCount(this, fieldCount);
  else
    return;
  for (int i = 0; i < fieldCount; ++i) {
    bool visible = true;
    if (dataPipe_ == dpDataSet)
      visible = dataset_->Fields()[i]->Visible();
    else if (OnGetFieldVisible)
      OnGetFieldVisible(this, i, visible);
    if (!IsExportableType(i) || (visibleFieldsOnly_ && !visible)) continue;
    int column = beginColumnData_ + fieldNames_->Count();
    String cell = ColumnName(column) + std::to_string(beginRowTitles_);
    String name;
    if (dataPipe_ == dpDataSet)
      name = dataset_->Fields()[i]->FieldName();
    else if (OnGetFieldName)
      OnGetFieldName(this, i, name);
    fieldNames_->Add(name);
    fieldIndexes_.push_back(i);
    if (!showTitles_) continue;
    String title;
    if (dataPipe_ == dpDataSet)
      title = dataset_->Fields()[i]->DisplayName();
    else if (OnGetFieldDisplayName)
      OnGetFieldDisplayName(this, i, title);
    if (title.empty()) title = name;
    OleObject titleCell = Range(cell, cell);
    titleCell.Set("Value2", title);
    int width = 0;
    if (dataPipe_ == dpDataSet)
      width = dataset_->Fields()[i]->DisplayWidth();
    else if (OnGetFieldDisplayWidth)
      OnGetFieldDisplayWidth(this, i, width);
    ApplyFieldWidth(titleCell, i, width, title);
  }
  if (showTitles_ && fieldNames_->Count() > 0)
    FormatRange(*fontTitles_, *borderTitles_, firstDataColumnName_ + std::to_string(beginRowTitles_),
                LastDataColumn() + std::to_string(beginRowTitles_));
}

void TvwExcelExport::WriteLines(TStrings& Lines, bool Merge, const TxlFont& Font, const TCellBorder& Border, int FirstRow) {
  int n = Lines.Count();
  if (n == 0) return;
  String column = ColumnName(beginColumnHeader_);
  // The merge runs to the last exported column, and never ends left of where it starts.
  String lastColumn = ColumnName(std::max(beginColumnHeader_, beginColumnData_ + fieldNames_->Count() - 1));
  if (Merge) {
    for (int k = 0; k < n; ++k) {
      String cell = column + std::to_string(FirstRow + k);
      Range(cell, cell).Set("Value2", Lines.Strings(k));
      Range(cell, lastColumn + std::to_string(FirstRow + k)).Set("MergeCells", true);
      FormatRange(Font, Border, cell, cell);
    }
    return;
  }
  Variant lines = VarArrayCreate({1, n, 1, 1}, varVariant);
  for (int k = 0; k < n; ++k) VarArrayPut(lines, Variant(Lines.Strings(k)), {k + 1, 1});
  String first = column + std::to_string(FirstRow), last = column + std::to_string(FirstRow + n - 1);
  Range(first, last).Set("Value2", lines);
  FormatRange(Font, Border, first, last);
}

void TvwExcelExport::WriteHeader() {
  WriteLines(*headerText_, mergeHeaderCells_, *fontHeader_, *borderHeader_, beginRowHeader_);
}

void TvwExcelExport::WriteFooter() {
  WriteLines(*footerText_, mergeFooterCells_, *fontFooter_, *borderFooter_, nextFreeRow_);
}

}  // namespace orv
