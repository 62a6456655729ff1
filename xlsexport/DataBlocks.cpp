// The data rows: records are read once and handed to the sheet a block of rows at a time, so
// the number of calls grows with the blocks and not with the cells.
#include <algorithm>

#include "platform/gui/Application.h"
#include "platform/gui/Colors.h"
#include "platform/rtl/TextUtils.h"
#include "xlsexport/ExcelExport.h"

namespace orv {

using namespace vwExcelExport;

namespace {

// One cell's look as the style events left it.
struct CellLook {
  TColor Fill = clWhite;
  TColor FontColor = clBlack;
  String FontName;
  int FontSize = 0;
  bool Bold = false;
};

}  // namespace

// A text longer than a cell holds is cut, and the cut is noted instead of failing the export.
String TvwExcelExport::CutText(const String& Text, int Column) {
  // A character takes at least a byte: only long texts need counting.
  if (Text.size() <= static_cast<size_t>(maxCellTextLength_) || Length(Text) <= maxCellTextLength_) return Text;
  warnings_->Add(fieldNames_->Strings(Column - 1) + ", record " + std::to_string(exportedCount_) + ": text cut to " +
                 std::to_string(maxCellTextLength_) + " characters");
  cutCells_->Add(CellName(beginRowData_ + exportedCount_ - 1, beginColumnData_ + Column - 1));
  return Text.substr(0, CodePointOffset(Text, static_cast<size_t>(maxCellTextLength_ - 3))) + "...";
}

// A text as a cell value: no text leaves the cell empty, and one longer than a cell holds is cut.
Variant TvwExcelExport::TextCell(const Variant& Text, int Column) {
  std::string_view text = Text.StrView();
  if (text.empty()) return Variant();
  // A character takes at least a byte: only long texts need cutting.
  if (text.size() <= static_cast<size_t>(maxCellTextLength_)) return Text;
  return Variant(CutText(String(text), Column));
}

Variant TvwExcelExport::FieldValue(TField* Field, int Column, bool TextField) {
  bool hasGetText = static_cast<bool>(Field->OnGetText);
  // A text field's value is its text (Null reads as none): taken as it is, it spares the copies
  // Text makes of every cell.
  if (TextField && !hasGetText) return TextCell(Field->Value(), Column);
  // A missing value is an empty cell, whatever the column's type.
  if (Field->IsNull()) return Variant();
  int index = Field->Index();
  // A value that does not fit its column's type (a CASE or UNION mixing numbers and text, a
  // date column holding "unknown") goes in as the text it is; the export goes on.
  try {
    if (!hasGetText && (IsMemoType(index) || IsNumericType(index))) {
      if (IsNumericType(index)) return Field->AsVariant();
      return Variant(CutText(Field->AsString(), Column));
    }
    if (IsDateTimeType(index)) {
      TDateTime value = Field->AsDateTime();
      return value == 0.0 ? Variant() : Variant::FromDate(value);
    }
  } catch (const EDatabaseError&) {
    // The field's own conversion error; its text still reads.
    return Variant(CutText(Field->AsString(), Column));
  }
  // The sheet keeps text as text, so whole numbers and yes/no values go in as what they are.
  if (!hasGetText) {
    TFieldType type = Field->DataType();
    if (type == ftAutoInc || type == ftLargeint) return Variant(Field->AsLargeInt());
    if (type == ftBoolean) return Variant(Field->AsBoolean());
  }
  String text = Field->Text();
  if (text.empty()) return Variant();
  return Variant(CutText(text, Column));
}

void TvwExcelExport::WriteData() {
  std::shared_ptr<RunState> run = exporting_;
  exportedCount_ = 0;
  int n = fieldNames_->Count();
  if (n == 0) {
    lastDataRow_ = beginRowData_ - 1;
    nextFreeRow_ = beginRowData_;
    return;
  }
  int block = std::max(blockOfRecords_, 1);
  ChooseNumberFormats();
  DatasetHold hold(*this);

  bool styleEvents = OnGetCellBackgroundColorEvent || OnGetCellStyleEvent || OnGetFieldCellStyleEvent;
  auto scratch = std::make_unique<TxlFont>();
  std::vector<CellLook> looks(styleEvents ? static_cast<size_t>(block) * static_cast<size_t>(n) : 0);
  Variant values = VarArrayCreate({1, block, 1, n}, varVariant);
  // Asked once per column, not once per cell.
  std::vector<char> textFields(static_cast<size_t>(n));
  if (dataPipe_ == dpDataSet)
    for (int c = 0; c < n; ++c)
      textFields[static_cast<size_t>(c)] = dynamic_cast<TStringField*>(dataset_->Fields()[FieldIndex(c)]) != nullptr;
  String lastColumn = LastDataColumn();
  int blockStart = beginRowData_, rowInBlock = 0;

  auto applyCellStyles = [&](int rows) {
    TColor dataFill = ColorToRGB(borderData_->BackColor()), dataColor = ColorToRGB(fontData_->Color());
    for (int i = 0; i < rows; ++i)
      for (int c = 0; c < n; ++c) {
        const CellLook& look = looks[static_cast<size_t>(i) * static_cast<size_t>(n) + static_cast<size_t>(c)];
        String cell = CellName(blockStart + i, beginColumnData_ + c);
        OleObject range;
        auto target = [&] {
          if (!range.Assigned()) range = Range(cell, cell);
          return range;
        };
        if (look.Fill != dataFill) target().Obj("Interior").Set("Color", look.Fill);
        if (look.FontColor != dataColor) target().Obj("Font").Set("Color", look.FontColor);
        if (look.FontName != fontData_->Name()) target().Obj("Font").Set("Name", look.FontName);
        if (look.FontSize != fontData_->Size() && look.FontSize > 0) target().Obj("Font").Set("Size", look.FontSize);
        if (look.Bold && fontData_->Style() == TFontStyles()) target().Obj("Font").Set("Bold", true);
      }
  };
  auto flush = [&](int rows) {
    int blockEnd = blockStart + rows - 1;
    Range(firstDataColumnName_ + std::to_string(blockStart), lastColumn + std::to_string(blockEnd)).Set("Value2", values);
    if (styleEvents) {
      FormatRange(*fontData_, *borderData_, firstDataColumnName_ + std::to_string(blockStart),
                  lastColumn + std::to_string(blockEnd));
      applyCellStyles(rows);
    }
  };

  GotoFirst();
  while (!IsEndOfData()) {
    ++exportedCount_;
    ++rowInBlock;
    if (blockStart + rowInBlock - 1 > maxRows_)
      throw EMaxRowsReached("The maximum number of rows (" + std::to_string(maxRows_) + ") has been reached");
    for (int c = 1; c <= n; ++c) {
      int index = FieldIndex(c - 1);
      Variant value;
      TField* field = nullptr;
      if (dataPipe_ == dpDataSet) {
        field = dataset_->Fields()[index];
        value = FieldValue(field, c, textFields[static_cast<size_t>(c - 1)]);
      } else if (OnGetFieldValue) {
        OnGetFieldValue(this, index, value);
        if (VarIsStr(value)) value = Variant(CutText(value.ToString(), c));
      }
      VarArrayPut(values, value, {rowInBlock, c});
      if (!styleEvents) continue;
      TColor background = borderData_->BackColor();
      scratch->Assign(fontData_.get());
      if (dataPipe_ == dpDataSet) {
        if (OnGetCellBackgroundColorEvent) OnGetCellBackgroundColorEvent(this, field, background);
        if (OnGetCellStyleEvent) OnGetCellStyleEvent(this, field, background, scratch.get());
      } else if (OnGetFieldCellStyleEvent) {
        OnGetFieldCellStyleEvent(this, index, background, scratch.get());
      }
      CellLook& look = looks[static_cast<size_t>(rowInBlock - 1) * static_cast<size_t>(n) + static_cast<size_t>(c - 1)];
      look.Fill = ColorToRGB(background);
      look.FontColor = ColorToRGB(scratch->Color());
      look.FontName = scratch->Name();
      look.FontSize = scratch->Size();
      look.Bold = scratch->Style() == TFontStyles{fsBold};
    }
    if (rowInBlock == block) {
      flush(block);
      blockStart += block;
      rowInBlock = 0;
    }
    GotoNext();
    if (OnExportRecords) OnExportRecords(this, exportedCount_);
    // Paint and timers go on; keyboard and mouse wait, so nothing can start a second export or
    // change the data under this one.
    Application->ProcessNonInputMessages();
    if (!run->Alive) throw EAbort("The export was cancelled");
    if (dataPipe_ == dpDataSet && !dataset_) throw EAbort("The dataset was freed during the export");
  }
  if (rowInBlock > 0) flush(rowInBlock);
  int blockEnd = blockStart + rowInBlock - 1;
  hold.ReturnToStart();
  lastDataRow_ = blockEnd;
  nextFreeRow_ = blockEnd + 1;
  // A column's number format goes on all its data rows at once: set block by block, it cost
  // more than the formatting.
  if (lastDataRow_ >= beginRowData_) ApplyNumberFormats(beginRowData_, lastDataRow_);
  if (!styleEvents && lastDataRow_ >= beginRowData_)
    FormatRange(*fontData_, *borderData_, firstDataColumnName_ + std::to_string(beginRowData_),
                lastColumn + std::to_string(lastDataRow_));
}

}  // namespace orv
