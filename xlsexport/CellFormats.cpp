// The look of the blocks: fonts, fills and borders of a range, the number formats of the
// exported columns, and the column widths.
#include <algorithm>
#include <cmath>

#include "platform/gui/Colors.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/TextUtils.h"
#include "xlsexport/ExcelExport.h"

namespace orv {

using namespace vwExcelExport;

void TvwExcelExport::FormatRange(const TxlFont& Font, const TCellBorder& Border, const String& FirstCell,
                                 const String& LastCell) const {
  OleObject range = Range(FirstCell, LastCell);
  OleObject font = range.Obj("Font");
  if (!Font.Name().empty() && Font.Name() != "MS Sans Serif") font.Set("Name", Font.Name());
  if (Font.Size() > 0) font.Set("Size", Font.Size());
  // The file knows no theme colours: clWindowText and the like go out as the RGB they show.
  TColor color = ColorToRGB(Font.Color());
  if (color != 0) font.Set("Color", color);
  font.Set("Bold", Font.Style().Contains(fsBold));
  font.Set("Italic", Font.Style().Contains(fsItalic));
  font.Set("Underline", Font.Style().Contains(fsUnderline));
  TColor fill = ColorToRGB(Border.BackColor());
  if (fill != clWhite) range.Obj("Interior").Set("Color", fill);
  if (Border.LineStyle() != blNone) {
    try {
      for (int edge : {8, 10, 7, 9}) {
        OleObject b = range.Obj("Borders", {edge});
        b.Set("LineStyle", BorderLineStyleConstant(Border.LineStyle()));
        b.Set("Weight", BorderWeightConstant(Border.Weight()));
        b.Set("Color", ColorToRGB(Border.BorderColor()));
      }
    } catch (const EOleError&) {
      // Borders are decoration: the export goes on without them.
    }
  }
  range.Set("Orientation", Font.Orientation());
  range.Set("WrapText", Font.WrapText());
  range.Set("HorizontalAlignment", HAlignmentConstant(Font.Alignment()));
}

void TvwExcelExport::ApplyNumberFormats(int FirstRow, int LastRow) const {
  for (int i = 1; i <= fieldNames_->Count(); ++i) {
    const String& format = columnFormats_[static_cast<size_t>(i - 1)];
    int column = beginColumnData_ + i - 1;
    if (!format.empty()) Range(CellName(FirstRow, column), CellName(LastRow, column)).Set("NumberFormat", format);
  }
}

// Worked out once per export: the data writer applies them block by block.
void TvwExcelExport::ChooseNumberFormats() {
  const TFormatSettings& fs = FormatSettings();
  String dateFormat = fs.ShortDateFormat, timeFormat = fs.ShortTimeFormat;
  columnFormats_.clear();
  for (int i = 1; i <= fieldNames_->Count(); ++i) {
    int index = FieldIndex(i - 1);
    TFieldType type = GetFieldDataType(index);
    String format;
    if (type == ftString) {
      format = "@";
    } else if (dataPipe_ == dpDataSet) {
      // By position, not by name: two columns of a query may share a name.
      TField* field = dataset_->Fields()[index];
      if (dynamic_cast<TNumericField*>(field)) {
        // Display formats are pictures with "." and "," as placeholders, the form the file
        // wants whatever the user's locale.
        if (!field->DisplayFormat().empty())
          format = field->DisplayFormat();
        else if (type == ftCurrency)
          format = AddCurrencySymbol("#,##0." + String(fs.CurrencyDecimals, '0'));
      } else if (dynamic_cast<TDateField*>(field)) {
        format = ToExcelDateFormat(field->DisplayFormat().empty() ? dateFormat : field->DisplayFormat());
      } else if (dynamic_cast<TDateTimeField*>(field)) {
        format = ToExcelDateFormat(field->DisplayFormat().empty() ? dateFormat + " " + timeFormat : field->DisplayFormat());
      }
    } else if (type == ftDate) {
      format = ToExcelDateFormat(dateFormat);
    } else if (type == ftTime) {
      format = ToExcelDateFormat(timeFormat);
    } else if (type == ftDateTime || type == ftTimeStamp) {
      format = ToExcelDateFormat(dateFormat + " " + timeFormat);
    }
    columnFormats_.push_back(format);
  }
}

String TvwExcelExport::ToExcelDateFormat(const String& Format) const {
  const TFormatSettings& fs = FormatSettings();
  struct Step {
    String from;
    int item;
  };
  const Step steps[] = {{"h", 22}, {"n", 23}, {"s", 24}, {fs.DateSeparator, 17},
                        {fs.TimeSeparator, 18}, {"y", 19}, {"m", 20}, {"d", 21}};
  String result = Format;
  for (const Step& step : steps) {
    if (step.from.empty()) continue;
    String code = excelApplication_.Get("International", {step.item}).ToString();
    result = StringReplace(result, step.from, code, rfReplaceAll | rfIgnoreCase);
  }
  return result;
}

String TvwExcelExport::AddCurrencySymbol(const String& Format) const {
  const TFormatSettings& fs = FormatSettings();
  // In a number format a symbol such as the baht sign is text only when quoted.
  String symbol = fs.CurrencyString.empty() ? String() : "\"" + fs.CurrencyString + "\"";
  switch (fs.CurrencyFormat) {
    case 0: return symbol + Format;
    case 1: return Format + symbol;
    case 2: return symbol + " " + Format;
    default: return Format + " " + symbol;
  }
}

void TvwExcelExport::ApplyColumnWidthStyle() const {
  if (fieldNames_->Count() == 0) return;
  OleObject range = Range(CellName(1, beginColumnData_), CellName(1, beginColumnData_ + fieldNames_->Count() - 1));
  if (styleColumnWidth_ == cwOwnerWidth)
    range.Set("ColumnWidth", columnWidth_);
  else if (styleColumnWidth_ == cwAutoFit)
    range.Obj("EntireColumn").Call("AutoFit");
}

void TvwExcelExport::ApplyFieldWidth(const OleObject& Cell, int Index, int DisplayWidth, const String& Title) const {
  double dataFactor = std::max(fontData_->Size() / 10.0, 1.0);
  double titleFactor = std::max(fontTitles_->Size() / 10.0, 1.0);
  double width;
  switch (styleColumnWidth_) {
    case cwFieldDisplayWidth:
      width = std::nearbyint(DisplayWidth * dataFactor);
      break;
    case cwFieldDataSize:
      width = std::nearbyint(GetFieldDataSize(Index) * dataFactor);
      break;
    case cwEnhAutoFit: {
      double a = DisplayWidth * dataFactor;
      double b = (static_cast<double>(Length(Title)) + 1) * titleFactor;
      width = a >= b ? std::nearbyint(a) : std::nearbyint(b) + 1;
      break;
    }
    default:
      return;
  }
  Cell.Set("ColumnWidth", width);
}

}  // namespace orv
