#pragma once
// The settings types of the spreadsheet exporter: its enumerations, the block font, the cell
// border and fill, the grouping options, the events and the exception classes.
#include <functional>

#include "platform/db/Fields.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/TypInfo.h"

namespace orv {

// The exporter's enumerations live in a namespace of their own: ssNone is also a scroll style.
namespace vwExcelExport {
enum TConnectTo { ctNewExcel, ctNewWorkbook, ctNewWorksheet };
enum TDataPipe { dpDataSet, dpCustom };
enum TStyleColumnWidth { cwDefault, cwOwnerWidth, cwAutoFit, cwFieldDisplayWidth, cwFieldDataSize, cwEnhAutoFit };
enum TBorderWeight { bwHairline, bwMedium, bwThick, bwThin };
enum TBorderLineStyle { blContinuous, blDash, blDashDot, blDashDotDot, blDot, blDouble, blSlantDashDot, blLine, blNone };
enum TSummarySelection { ssNone, ssValues, ssGiven };
enum TSummaryCalculation { scSUM, scMIN, scMAX, scAVG };
enum THAlignment { haGeneral, haLeft, haRight, haCenter };
enum TBorderRange { bsCell, bsRow };
}  // namespace vwExcelExport

#define ORV_VW_ENUM_INFO(E, names)                                            \
  template <>                                                                 \
  struct TTypeInfoTraits<vwExcelExport::E> {                                  \
    static const TTypeInfo* Get() {                                           \
      static const TTypeInfo info = TTypeInfo::MakeEnum(#E, names);           \
      return &info;                                                           \
    }                                                                         \
  }
ORV_VW_ENUM_INFO(TConnectTo, "ctNewExcel, ctNewWorkbook, ctNewWorksheet");
ORV_VW_ENUM_INFO(TDataPipe, "dpDataSet, dpCustom");
ORV_VW_ENUM_INFO(TStyleColumnWidth,
                 "cwDefault, cwOwnerWidth, cwAutoFit, cwFieldDisplayWidth, cwFieldDataSize, cwEnhAutoFit");
ORV_VW_ENUM_INFO(TBorderWeight, "bwHairline, bwMedium, bwThick, bwThin");
ORV_VW_ENUM_INFO(TBorderLineStyle,
                 "blContinuous, blDash, blDashDot, blDashDotDot, blDot, blDouble, blSlantDashDot, blLine, blNone");
ORV_VW_ENUM_INFO(TSummarySelection, "ssNone, ssValues, ssGiven");
ORV_VW_ENUM_INFO(TSummaryCalculation, "scSUM, scMIN, scMAX, scAVG");
ORV_VW_ENUM_INFO(THAlignment, "haGeneral, haLeft, haRight, haCenter");
ORV_VW_ENUM_INFO(TBorderRange, "bsCell, bsRow");
#undef ORV_VW_ENUM_INFO

// The numbers the workbook's automation interface takes for each value.
int BorderWeightConstant(vwExcelExport::TBorderWeight weight);
int BorderLineStyleConstant(vwExcelExport::TBorderLineStyle style);
int HAlignmentConstant(vwExcelExport::THAlignment alignment);

// A block's font with the cell alignment, wrapping and text angle. Copying one into another
// copies the font part only (the class library's font copy), so Alignment, WrapText and
// Orientation stay as they were.
class TxlFont : public TFont {
  ORV_CLASS(TxlFont, TFont)

 public:
  // "MS Sans Serif" at size -1: keep the sheet's own font and size.
  TxlFont();
  vwExcelExport::THAlignment Alignment() const { return alignment_; }
  void SetAlignment(vwExcelExport::THAlignment value) { alignment_ = value; }
  bool WrapText() const { return wrapText_; }
  void SetWrapText(bool value) { wrapText_ = value; }
  // Degrees.
  int Orientation() const { return orientation_; }
  void SetOrientation(int value) { orientation_ = value; }
  // Copies everything, the three cell settings included.
  void CopyAll(const TxlFont& source);

 private:
  vwExcelExport::THAlignment alignment_ = vwExcelExport::haGeneral;
  bool wrapText_ = false;
  int orientation_ = 0;
};

// The fill and the border lines of a block. A white fill means no fill; vwExcelExport::blNone leaves the
// borders alone.
class TCellBorder : public TPersistent {
  ORV_CLASS(TCellBorder, TPersistent)

 public:
  void Assign(TPersistent* source) override;
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor value) { backColor_ = value; }
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor value) { borderColor_ = value; }
  vwExcelExport::TBorderWeight Weight() const { return weight_; }
  void SetWeight(vwExcelExport::TBorderWeight value) { weight_ = value; }
  vwExcelExport::TBorderLineStyle LineStyle() const { return lineStyle_; }
  void SetLineStyle(vwExcelExport::TBorderLineStyle value) { lineStyle_ = value; }

 private:
  TColor backColor_ = clWhite;
  TColor borderColor_ = clBlack;
  vwExcelExport::TBorderWeight weight_ = vwExcelExport::bwMedium;
  vwExcelExport::TBorderLineStyle lineStyle_ = vwExcelExport::blNone;
};

class TGroupOptions : public TPersistent {
  ORV_CLASS(TGroupOptions, TPersistent)

 public:
  void Assign(TPersistent* source) override;
  // Removes the repeated group value from the detail rows.
  bool ClearContents() const { return clearContents_; }
  void SetClearContents(bool value) { clearContents_ = value; }
  vwExcelExport::TBorderRange BorderRange() const { return borderRange_; }
  void SetBorderRange(vwExcelExport::TBorderRange value) { borderRange_ = value; }
  // Points by which each deeper group level's font is smaller.
  int IntervalFontSize() const { return intervalFontSize_; }
  void SetIntervalFontSize(int value) { intervalFontSize_ = value; }

 private:
  bool clearContents_ = true;
  vwExcelExport::TBorderRange borderRange_ = vwExcelExport::bsRow;
  int intervalFontSize_ = 2;
};

// Events; field indexes are 0-based.
using TOnExportEvent = std::function<void(TObject* Sender, int IntRecordNumber)>;
using TOnGetCellBackgroundColorEvent = std::function<void(TObject* Sender, TField* Field, TColor& ColorBackground)>;
using TOnGetCellStyleEvent = std::function<void(TObject* Sender, TField* Field, TColor& ColorBackground, TxlFont* FontCell)>;
using TOnGetFieldCount = std::function<void(TObject* Sender, int& IntFieldCount)>;
using TOnGetFieldName = std::function<void(TObject* Sender, int IntFieldIndex, String& StrFieldName)>;
using TOnGetFieldDisplayName = std::function<void(TObject* Sender, int IntFieldIndex, String& StrFieldDisplayName)>;
using TOnGetFieldDisplayWidth = std::function<void(TObject* Sender, int IntFieldIndex, int& IntFieldDisplayWidth)>;
using TOnGetFieldDataSize = std::function<void(TObject* Sender, int IntFieldIndex, int& IntFieldDataSize)>;
using TOnGetFieldDataType = std::function<void(TObject* Sender, int IntFieldIndex, TFieldType& FieldDataType)>;
using TOnGetFieldVisible = std::function<void(TObject* Sender, int IntFieldIndex, bool& BlnFieldVisible)>;
using TOnGetEOF = std::function<void(TObject* Sender, bool& BlnEOF)>;
using TOnGetFieldValue = std::function<void(TObject* Sender, int IntFieldIndex, Variant& VarValue)>;
using TOnGetFieldCellStyleEvent =
    std::function<void(TObject* Sender, int IntFieldIndex, TColor& ColorBackground, TxlFont* FontCell)>;

ORV_DECLARE_EXCEPTION(EFileNotExists, Exception);
ORV_DECLARE_EXCEPTION(ENoActiveWorkbook, Exception);
ORV_DECLARE_EXCEPTION(ENoDatasetConnected, Exception);
ORV_DECLARE_EXCEPTION(EDatasetNotActive, Exception);
ORV_DECLARE_EXCEPTION(ENotSupported, Exception);
ORV_DECLARE_EXCEPTION(EMaxRowsReached, Exception);
ORV_DECLARE_EXCEPTION(EMaxColumnsReached, Exception);
// A second export asked for while one runs.
ORV_DECLARE_EXCEPTION(EExportRunning, Exception);

}  // namespace orv
