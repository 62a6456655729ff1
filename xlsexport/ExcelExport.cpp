// Construction, the property rules that keep the blocks' rows apart, and what the exporter
// knows of the data source's fields.
#include "xlsexport/ExcelExport.h"

#include "platform/rtl/TextUtils.h"

namespace orv {

using namespace vwExcelExport;

TvwExcelExport::TvwExcelExport(TComponent* AOwner)
    : TComponent(AOwner),
      headerText_(std::make_unique<TStringList>()),
      footerText_(std::make_unique<TStringList>()),
      summaryFields_(std::make_unique<TStringList>()),
      groupFields_(std::make_unique<TStringList>()),
      fontHeader_(std::make_unique<TxlFont>()),
      fontTitles_(std::make_unique<TxlFont>()),
      fontData_(std::make_unique<TxlFont>()),
      fontSummary_(std::make_unique<TxlFont>()),
      fontFooter_(std::make_unique<TxlFont>()),
      fontGroup_(std::make_unique<TxlFont>()),
      borderHeader_(std::make_unique<TCellBorder>()),
      borderTitles_(std::make_unique<TCellBorder>()),
      borderData_(std::make_unique<TCellBorder>()),
      borderSummary_(std::make_unique<TCellBorder>()),
      borderFooter_(std::make_unique<TCellBorder>()),
      borderGroup_(std::make_unique<TCellBorder>()),
      groupOptions_(std::make_unique<TGroupOptions>()),
      fieldNames_(std::make_unique<TStringList>()),
      warnings_(std::make_unique<TStringList>()),
      cutCells_(std::make_unique<TStringList>()) {}

TvwExcelExport::~TvwExcelExport() {
  // A run in progress learns from this that its component is gone.
  if (exporting_) {
    exporting_->Alive = false;
    exporting_->EnableControls();
  }
  if (dataset_) dataset_->RemoveFreeNotification(this);
}

void TvwExcelExport::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == dataset_) {
    dataset_ = nullptr;
    if (exporting_ && exporting_->DisabledDataset == AComponent) exporting_->DisabledDataset = nullptr;
  }
}

void TvwExcelExport::SetDataset(TDataSet* v) {
  if (v == dataset_) return;
  if (dataset_) dataset_->RemoveFreeNotification(this);
  dataset_ = v;
  if (dataset_) dataset_->FreeNotification(this);
}

void TvwExcelExport::SetWorksheetName(const String& v) {
  worksheetName_ = v;
  if (!connected_) return;
  int found = FindWorksheet(v);
  OleObject sheets = excelWorkbook_.Obj("Worksheets");
  excelWorksheet_ = found > 0 ? sheets.Obj("Item", {found})
                              : sheets.Obj("Add", {OleObject::Omitted(), OleObject::Omitted(), 1, -4167});
  excelWorksheet_.Set("Name", v);
}

// Header lines sit from BeginRowHeader down; the titles and the data always lie below them.
void TvwExcelExport::ReapplyHeaderRows() {
  if (headerText_->Count() == 0) beginRowHeader_ = 1;
  if (beginRowHeader_ + headerText_->Count() > beginRowTitles_) SetBeginRowTitles(beginRowHeader_ + headerText_->Count());
}

void TvwExcelExport::SetHeaderText(TStrings* v) {
  if (v) headerText_->Assign(v);
  ReapplyHeaderRows();
}

void TvwExcelExport::SetFooterText(TStrings* v) { footerText_->Assign(v); }

void TvwExcelExport::SetSummaryFields(TStrings* v) {
  summaryFields_->Assign(v);
  summaryFields_->SetText(AnsiUpperCase(summaryFields_->Text()));
}

void TvwExcelExport::SetGroupFields(TStrings* v) { groupFields_->Assign(v); }

void TvwExcelExport::SetBeginRowHeader(int v) {
  int lines = headerText_->Count();
  if (lines == 0) {
    beginRowHeader_ = v;
    return;
  }
  beginRowHeader_ = v < 1 ? 1 : v;
  if (beginRowHeader_ + lines > beginRowTitles_) SetBeginRowTitles(beginRowHeader_ + lines);
}

void TvwExcelExport::SetBeginRowTitles(int v) {
  int lowest = beginRowHeader_ + headerText_->Count();
  beginRowTitles_ = v < lowest ? lowest : v;
  if (beginRowTitles_ >= beginRowData_) SetBeginRowData(beginRowTitles_ + 1);
}

void TvwExcelExport::SetBeginRowData(int v) {
  if (v < beginRowTitles_) v = beginRowTitles_;
  if (v == beginRowTitles_ && showTitles_) v = beginRowTitles_ + 1;
  beginRowData_ = v;
}

void TvwExcelExport::SetShowTitles(bool v) {
  showTitles_ = v;
  if (v && beginRowData_ == beginRowTitles_) ++beginRowData_;
}

String TvwExcelExport::ColumnName(int Index) const {
  if (Index > maxColumns_)
    throw EMaxColumnsReached("The maximum number of columns (" + std::to_string(maxColumns_) + ") has been reached");
  String name;
  for (int n = Index; n > 0; n = (n - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  return name;
}

TFieldType TvwExcelExport::GetFieldDataType(int Index) const {
  if (dataPipe_ == dpDataSet) return dataset_->Fields()[Index]->DataType();
  TFieldType type = ftUnknown;
  if (OnGetFieldDataType) OnGetFieldDataType(const_cast<TvwExcelExport*>(this), Index, type);
  return type;
}

bool TvwExcelExport::IsExportableType(int Index) const {
  switch (GetFieldDataType(Index)) {
    case ftString: case ftSmallint: case ftInteger: case ftWord: case ftBoolean: case ftFloat: case ftCurrency:
    case ftBCD: case ftDate: case ftTime: case ftDateTime: case ftAutoInc: case ftMemo: case ftFmtMemo:
    case ftWideString: case ftLargeint: case ftOraClob: case ftVariant: case ftTimeStamp: case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

bool TvwExcelExport::IsMemoType(int Index) const {
  TFieldType t = GetFieldDataType(Index);
  return t == ftMemo || t == ftFmtMemo || t == ftOraClob;
}

bool TvwExcelExport::IsNumericType(int Index) const {
  switch (GetFieldDataType(Index)) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

bool TvwExcelExport::IsDateTimeType(int Index) const {
  TFieldType t = GetFieldDataType(Index);
  return t == ftDate || t == ftTime || t == ftDateTime || t == ftTimeStamp;
}

bool TvwExcelExport::IsEndOfData() const {
  if (dataPipe_ == dpDataSet) return dataset_->Eof();
  bool eof = true;
  if (OnGetEOF) OnGetEOF(const_cast<TvwExcelExport*>(this), eof);
  return eof;
}

int TvwExcelExport::GetFieldDataSize(int Index) const {
  int size = 10;
  if (dataPipe_ == dpDataSet)
    size = dataset_->Fields()[Index]->DataSize();
  else if (OnGetFieldDataSize)
    OnGetFieldDataSize(const_cast<TvwExcelExport*>(this), Index, size);
  return GetFieldDataType(Index) == ftDateTime ? 16 : size;
}

String TvwExcelExport::GetSheetName() const {
  if (!worksheetName_.empty()) return worksheetName_;
  if (dataPipe_ == dpDataSet && dataset_) return dataset_->Name();
  return String();
}

int TvwExcelExport::FindWorksheet(const String& Name) const {
  OleObject sheets = excelWorkbook_.Obj("Worksheets");
  int count = sheets.Get("Count").ToInteger();
  for (int i = 1; i <= count; ++i)
    if (sheets.Obj("Item", {i}).Get("Name").ToString() == Name) return i;
  return -1;
}

void TvwExcelExport::GotoFirst() {
  if (dataPipe_ == dpDataSet)
    dataset_->First();
  else if (OnGotoFirstRecord)
    OnGotoFirstRecord(this);
}

void TvwExcelExport::GotoNext() {
  if (dataPipe_ == dpDataSet)
    dataset_->Next();
  else if (OnGotoNextRecord)
    OnGotoNextRecord(this);
}

String TvwExcelExport::LastDataColumn() const {
  return ColumnName(beginColumnData_ + std::max(fieldNames_->Count(), 1) - 1);
}

OleObject TvwExcelExport::Range(const String& First, const String& Last) const {
  return excelWorksheet_.Obj("Range", {First, Last});
}

ORV_IMPLEMENT_CLASS(TvwExcelExport, c) {
  c.Prop("ExcelVisible", &TvwExcelExport::ExcelVisible, &TvwExcelExport::SetExcelVisible).Default(true);
  c.Prop("ConnectTo", &TvwExcelExport::ConnectTo, &TvwExcelExport::SetConnectTo).Default(ctNewExcel);
  c.Prop("DataPipe", &TvwExcelExport::DataPipe, &TvwExcelExport::SetDataPipe);
  c.Prop("Filename", &TvwExcelExport::Filename, &TvwExcelExport::SetFilename);
  c.Prop("WorksheetName", &TvwExcelExport::WorksheetName, &TvwExcelExport::SetWorksheetName);
  c.Prop("Dataset", &TvwExcelExport::Dataset, &TvwExcelExport::SetDataset);
  c.Prop("StyleColumnWidth", &TvwExcelExport::StyleColumnWidth, &TvwExcelExport::SetStyleColumnWidth);
  c.Prop("ColumnWidth", &TvwExcelExport::ColumnWidth, &TvwExcelExport::SetColumnWidth);
  c.Prop("VisibleFieldsOnly", &TvwExcelExport::VisibleFieldsOnly, &TvwExcelExport::SetVisibleFieldsOnly).Default(true);
  c.Prop("FontHeader", &TvwExcelExport::FontHeader, &TvwExcelExport::SetFontHeader);
  c.Prop("HeaderText", &TvwExcelExport::HeaderText, &TvwExcelExport::SetHeaderText);
  c.Prop("BorderHeader", &TvwExcelExport::BorderHeader);
  c.Prop("MergeHeaderCells", &TvwExcelExport::MergeHeaderCells, &TvwExcelExport::SetMergeHeaderCells);
  c.Prop("ShowTitles", &TvwExcelExport::ShowTitles, &TvwExcelExport::SetShowTitles).Default(true);
  c.Prop("FontTitles", &TvwExcelExport::FontTitles, &TvwExcelExport::SetFontTitles);
  c.Prop("BorderTitles", &TvwExcelExport::BorderTitles);
  c.Prop("AutoFilter", &TvwExcelExport::AutoFilter, &TvwExcelExport::SetAutoFilter);
  c.Prop("FontData", &TvwExcelExport::FontData, &TvwExcelExport::SetFontData);
  c.Prop("BorderData", &TvwExcelExport::BorderData);
  c.Prop("FontSummary", &TvwExcelExport::FontSummary, &TvwExcelExport::SetFontSummary);
  c.Prop("BorderSummary", &TvwExcelExport::BorderSummary);
  c.Prop("SummarySelection", &TvwExcelExport::SummarySelection, &TvwExcelExport::SetSummarySelection);
  c.Prop("SummaryFields", &TvwExcelExport::SummaryFields, &TvwExcelExport::SetSummaryFields);
  c.Prop("SummaryCalculation", &TvwExcelExport::SummaryCalculation, &TvwExcelExport::SetSummaryCalculation);
  c.Prop("SummaryDisplayFormat", &TvwExcelExport::SummaryDisplayFormat, &TvwExcelExport::SetSummaryDisplayFormat);
  c.Prop("FontFooter", &TvwExcelExport::FontFooter, &TvwExcelExport::SetFontFooter);
  c.Prop("FooterText", &TvwExcelExport::FooterText, &TvwExcelExport::SetFooterText);
  c.Prop("BorderFooter", &TvwExcelExport::BorderFooter);
  c.Prop("MergeFooterCells", &TvwExcelExport::MergeFooterCells, &TvwExcelExport::SetMergeFooterCells);
  c.Prop("GroupFields", &TvwExcelExport::GroupFields, &TvwExcelExport::SetGroupFields);
  c.Prop("FontGroup", &TvwExcelExport::FontGroup, &TvwExcelExport::SetFontGroup);
  c.Prop("BorderGroup", &TvwExcelExport::BorderGroup);
  c.Prop("GroupOptions", &TvwExcelExport::GroupOptions);
  c.Prop("BlockOfRecords", &TvwExcelExport::BlockOfRecords, &TvwExcelExport::SetBlockOfRecords).Default(20);
  c.Prop("BeginRowHeader", &TvwExcelExport::BeginRowHeader, &TvwExcelExport::SetBeginRowHeader).Default(1);
  c.Prop("BeginRowTitles", &TvwExcelExport::BeginRowTitles, &TvwExcelExport::SetBeginRowTitles).Default(1);
  c.Prop("BeginRowData", &TvwExcelExport::BeginRowData, &TvwExcelExport::SetBeginRowData).Default(2);
  c.Prop("BeginColumnHeader", &TvwExcelExport::BeginColumnHeader, &TvwExcelExport::SetBeginColumnHeader).Default(1);
  c.Prop("BeginColumnData", &TvwExcelExport::BeginColumnData, &TvwExcelExport::SetBeginColumnData).Default(1);
  c.Event("OnExportRecords", &TvwExcelExport::OnExportRecords);
  c.Event("OnGetCellBackgroundColorEvent", &TvwExcelExport::OnGetCellBackgroundColorEvent);
  c.Event("OnGetCellStyleEvent", &TvwExcelExport::OnGetCellStyleEvent);
  c.Event("OnGetFieldCount", &TvwExcelExport::OnGetFieldCount);
  c.Event("OnGetFieldName", &TvwExcelExport::OnGetFieldName);
  c.Event("OnGetFieldDisplayName", &TvwExcelExport::OnGetFieldDisplayName);
  c.Event("OnGetFieldDisplayWidth", &TvwExcelExport::OnGetFieldDisplayWidth);
  c.Event("OnGetFieldDataSize", &TvwExcelExport::OnGetFieldDataSize);
  c.Event("OnGetFieldDataType", &TvwExcelExport::OnGetFieldDataType);
  c.Event("OnGetFieldVisible", &TvwExcelExport::OnGetFieldVisible);
  c.Event("OnGetEOF", &TvwExcelExport::OnGetEOF);
  c.Event("OnGetFieldValue", &TvwExcelExport::OnGetFieldValue);
  c.Event("OnGotoFirstRecord", &TvwExcelExport::OnGotoFirstRecord);
  c.Event("OnGotoNextRecord", &TvwExcelExport::OnGotoNextRecord);
  c.Event("OnGetFieldCellStyleEvent", &TvwExcelExport::OnGetFieldCellStyleEvent);
}

}  // namespace orv
