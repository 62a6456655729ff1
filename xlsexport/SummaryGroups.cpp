// The summary row of formulas below the data, and the outline groups that gather the data rows
// under a row for each value of the group fields.
#include "xlsexport/ExcelExport.h"

#include "platform/rtl/TextUtils.h"

namespace orv {

using namespace vwExcelExport;

namespace {
constexpr int xlShiftDown = -4121;
constexpr int xlSummaryAbove = 0;
constexpr int xlRight = -4152;
}  // namespace

void TvwExcelExport::WriteSummary() {
  if (dataPipe_ != dpDataSet) return;
  static const char* const functions[] = {"SUM", "MIN", "MAX", "AVERAGE"};
  int sumRow = beginRowData_ + exportedCount_;
  int firstRow = beginRowData_, lastRow = beginRowData_ + exportedCount_ - 1;
  // Without data rows the range would run upwards into the summary cell itself.
  for (int c = 1; exportedCount_ > 0 && c <= fieldNames_->Count(); ++c) {
    int index = FieldIndex(c - 1);
    bool chosen = summarySelection_ == ssValues ? IsNumericType(index)
                                                : summaryFields_->IndexOf(AnsiUpperCase(fieldNames_->Strings(c - 1))) >= 0;
    if (!chosen) continue;
    String column = ColumnName(beginColumnData_ + c - 1);
    String cell = column + std::to_string(sumRow);
    OleObject target = Range(cell, cell);
    target.Set("Formula", "=" + String(functions[summaryCalculation_]) + "(" + column + std::to_string(firstRow) + ":" +
                              column + std::to_string(lastRow) + ")");
    TField* field = dataset_->Fields()[index];
    if (!summaryDisplayFormat_.empty() && !dynamic_cast<TCurrencyField*>(field) && field->DisplayFormat().empty())
      target.Set("NumberFormat", summaryDisplayFormat_);
  }
  FormatRange(*fontSummary_, *borderSummary_, firstDataColumnName_ + std::to_string(sumRow),
              LastDataColumn() + std::to_string(sumRow));
  nextFreeRow_ = sumRow + 1;
}

void TvwExcelExport::WriteGroups() {
  int groups = groupFields_->Count();
  if (groups == 0) return;
  if (dataPipe_ == dpCustom && !OnGetFieldCount) return;

  // Where each level's value goes: the group field's own exported column. A group field that
  // is not exported shows its value in the first column, whose data is then left alone.
  std::vector<int> columns(static_cast<size_t>(groups));
  std::vector<bool> ownColumn(static_cast<size_t>(groups));
  for (int g = 0; g < groups; ++g) {
    int position = -1;
    if (dataPipe_ == dpDataSet) {
      TField* field = dataset_->FindField(Trim(groupFields_->Strings(g)));
      for (int c = 0; field && c < fieldNames_->Count(); ++c)
        if (FieldIndex(c) == field->Index()) position = c;
    } else if (g < fieldNames_->Count()) {
      position = g;
    }
    ownColumn[static_cast<size_t>(g)] = position >= 0;
    columns[static_cast<size_t>(g)] = beginColumnData_ + std::max(position, 0);
  }
  auto groupValue = [&](int g) -> String {
    if (dataPipe_ == dpDataSet) {
      TField* field = dataset_->FindField(Trim(groupFields_->Strings(g)));
      return field ? field->AsString() : String();
    }
    Variant v;
    if (OnGetFieldValue) OnGetFieldValue(this, g, v);
    return VarToStr(v);
  };

  DatasetHold hold(*this);

  struct GroupRange {
    int StartRow;
    int EndRow;
  };
  std::vector<String> current(static_cast<size_t>(groups));
  std::vector<std::vector<GroupRange>> ranges(static_cast<size_t>(groups));
  auto insertGroupRow = [&](int g, int row) {
    ranges[static_cast<size_t>(g)].push_back({row, -1});
    String cell = ColumnName(columns[static_cast<size_t>(g)]) + std::to_string(row);
    OleObject target = Range(cell, cell);
    target.Obj("EntireRow").Call("Insert", {xlShiftDown});
    target.Set("Value2", current[static_cast<size_t>(g)]);
  };

  GotoFirst();
  OleObject outline = excelWorksheet_.Obj("Outline");
  outline.Set("SummaryRow", xlSummaryAbove);
  outline.Set("SummaryColumn", xlRight);
  int row = beginRowData_;
  for (int g = 0; g < groups; ++g) {
    current[static_cast<size_t>(g)] = groupValue(g);
    insertGroupRow(g, row++);
  }
  while (!IsEndOfData()) {
    for (int g = 0; g < groups; ++g) {
      if (current[static_cast<size_t>(g)] == groupValue(g)) continue;
      for (int k = g; k < groups; ++k) {
        current[static_cast<size_t>(k)] = groupValue(k);
        ranges[static_cast<size_t>(k)].back().EndRow = row - 1;
        insertGroupRow(k, row + (k - g));
      }
      row += groups - g;
      break;
    }
    ++row;
    GotoNext();
  }
  nextFreeRow_ = row + 1;
  for (auto& level : ranges) level.back().EndRow = row - 1;

  // Each deeper level is written smaller, on a copy: the component's own group font stays as
  // set, so the next export looks the same.
  TxlFont levelFont;
  levelFont.CopyAll(*fontGroup_);
  String lastColumn = LastDataColumn();
  for (int g = 0; g < groups; ++g) {
    if (Trim(groupFields_->Strings(g)).empty()) continue;
    String column = ColumnName(columns[static_cast<size_t>(g)]);
    for (const GroupRange& r : ranges[static_cast<size_t>(g)]) {
      if (r.EndRow > r.StartRow) {
        OleObject detail = Range(column + std::to_string(r.StartRow + 1), column + std::to_string(r.EndRow));
        if (groupOptions_->ClearContents() && ownColumn[static_cast<size_t>(g)]) detail.Call("ClearContents");
        detail.Obj("Rows").Call("Group");
      }
      try {
        String first = column + std::to_string(r.StartRow);
        FormatRange(levelFont, *borderGroup_, first,
                    groupOptions_->BorderRange() == bsCell ? first : lastColumn + std::to_string(r.StartRow));
      } catch (const EOleError&) {
        // The group row's look is decoration; its value and the outline are in place.
      }
    }
    levelFont.SetSize(levelFont.Size() - groupOptions_->IntervalFontSize());
  }
  hold.ReturnToStart();
}

}  // namespace orv
