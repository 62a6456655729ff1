#pragma once
// TvwExcelExport: the component that writes the records of a dataset (or of a data source
// answered through events) into a worksheet, with header lines, column titles, data, a summary
// row, groups and footer lines, each block with its own font, fill and borders.
#include <memory>
#include <vector>

#include "platform/db/DB.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/StringList.h"
#include "platform/sheet/OleObject.h"
#include "xlsexport/ExportTypes.h"

namespace orv {

class TvwExcelExport : public TComponent {
  ORV_CLASS(TvwExcelExport, TComponent)

 public:
  explicit TvwExcelExport(TComponent* AOwner);
  ~TvwExcelExport() override;

  // The whole export: connects when not connected, writes every block and shows the workbook
  // when ExcelVisible is set. A failed export drops the workbook it was writing and leaves the
  // component disconnected. EExportRunning while another export of this component runs.
  virtual void ExportDataset();
  // Saves the attached workbook: Format 0 and 1 write a workbook (.xlsx), 2 the binary form of
  // 1997-2003 (.xls, through LibreOffice), 3 an HTML page, 4 comma-separated values and 6 the
  // XML spreadsheet form of 2003; 5 (the form of Excel 95) raises ENotSupported, and a Format
  // above 6 saves nothing. The file is replaced only once the new one is complete.
  virtual void SaveWorkbook(const String& FileName, Byte Format);
  // Saves the sheet with its page setup (gridlines, the sheet name as centre header) and opens
  // it with the desktop's default program.
  virtual void PrintPreview(bool ShowGridlines);
  // Releases the worksheet, workbook and application; quits the application when it is not
  // visible or when Quit is set.
  virtual void Disconnect(bool Quit);

  bool ExcelVisible() const { return excelVisible_; }
  void SetExcelVisible(bool v) { excelVisible_ = v; }
  vwExcelExport::TConnectTo ConnectTo() const { return connectTo_; }
  void SetConnectTo(vwExcelExport::TConnectTo v) { connectTo_ = v; }
  vwExcelExport::TDataPipe DataPipe() const { return dataPipe_; }
  void SetDataPipe(vwExcelExport::TDataPipe v) { dataPipe_ = v; }
  const String& Filename() const { return filename_; }
  void SetFilename(const String& v) { filename_ = v; }
  const String& WorksheetName() const { return worksheetName_; }
  void SetWorksheetName(const String& v);
  TDataSet* Dataset() const { return dataset_; }
  void SetDataset(TDataSet* v);
  vwExcelExport::TStyleColumnWidth StyleColumnWidth() const { return styleColumnWidth_; }
  void SetStyleColumnWidth(vwExcelExport::TStyleColumnWidth v) { styleColumnWidth_ = v; }
  int ColumnWidth() const { return columnWidth_; }
  void SetColumnWidth(int v) { columnWidth_ = v; }
  bool VisibleFieldsOnly() const { return visibleFieldsOnly_; }
  void SetVisibleFieldsOnly(bool v) { visibleFieldsOnly_ = v; }
  bool MergeHeaderCells() const { return mergeHeaderCells_; }
  void SetMergeHeaderCells(bool v) { mergeHeaderCells_ = v; }
  bool ShowTitles() const { return showTitles_; }
  void SetShowTitles(bool v);
  bool AutoFilter() const { return autoFilter_; }
  void SetAutoFilter(bool v) { autoFilter_ = v; }
  vwExcelExport::TSummarySelection SummarySelection() const { return summarySelection_; }
  void SetSummarySelection(vwExcelExport::TSummarySelection v) { summarySelection_ = v; }
  vwExcelExport::TSummaryCalculation SummaryCalculation() const { return summaryCalculation_; }
  void SetSummaryCalculation(vwExcelExport::TSummaryCalculation v) { summaryCalculation_ = v; }
  const String& SummaryDisplayFormat() const { return summaryDisplayFormat_; }
  void SetSummaryDisplayFormat(const String& v) { summaryDisplayFormat_ = v; }
  bool MergeFooterCells() const { return mergeFooterCells_; }
  void SetMergeFooterCells(bool v) { mergeFooterCells_ = v; }
  int BlockOfRecords() const { return blockOfRecords_; }
  void SetBlockOfRecords(int v) { blockOfRecords_ = v; }
  int BeginRowHeader() const { return beginRowHeader_; }
  void SetBeginRowHeader(int v);
  int BeginRowTitles() const { return beginRowTitles_; }
  void SetBeginRowTitles(int v);
  int BeginRowData() const { return beginRowData_; }
  void SetBeginRowData(int v);
  int BeginColumnHeader() const { return beginColumnHeader_; }
  void SetBeginColumnHeader(int v) { beginColumnHeader_ = v < 1 ? 1 : v; }
  int BeginColumnData() const { return beginColumnData_; }
  void SetBeginColumnData(int v) { beginColumnData_ = v < 1 ? 1 : v; }

  // Owned lists; their setters copy (nullptr only re-applies the row rules of the header).
  TStrings* HeaderText() const { return headerText_.get(); }
  void SetHeaderText(TStrings* v);
  TStrings* FooterText() const { return footerText_.get(); }
  void SetFooterText(TStrings* v);
  // Held upper-cased.
  TStrings* SummaryFields() const { return summaryFields_.get(); }
  void SetSummaryFields(TStrings* v);
  TStrings* GroupFields() const { return groupFields_.get(); }
  void SetGroupFields(TStrings* v);

  // Owned fonts, borders and options; the font setters copy the font part only.
  TxlFont* FontHeader() const { return fontHeader_.get(); }
  void SetFontHeader(TxlFont* v) { fontHeader_->Assign(v); }
  TxlFont* FontTitles() const { return fontTitles_.get(); }
  void SetFontTitles(TxlFont* v) { fontTitles_->Assign(v); }
  TxlFont* FontData() const { return fontData_.get(); }
  void SetFontData(TxlFont* v) { fontData_->Assign(v); }
  TxlFont* FontSummary() const { return fontSummary_.get(); }
  void SetFontSummary(TxlFont* v) { fontSummary_->Assign(v); }
  TxlFont* FontFooter() const { return fontFooter_.get(); }
  void SetFontFooter(TxlFont* v) { fontFooter_->Assign(v); }
  TxlFont* FontGroup() const { return fontGroup_.get(); }
  void SetFontGroup(TxlFont* v) { fontGroup_->Assign(v); }
  TCellBorder* BorderHeader() const { return borderHeader_.get(); }
  TCellBorder* BorderTitles() const { return borderTitles_.get(); }
  TCellBorder* BorderData() const { return borderData_.get(); }
  TCellBorder* BorderSummary() const { return borderSummary_.get(); }
  TCellBorder* BorderFooter() const { return borderFooter_.get(); }
  TCellBorder* BorderGroup() const { return borderGroup_.get(); }
  TGroupOptions* GroupOptions() const { return groupOptions_.get(); }

  TOnExportEvent OnExportRecords;
  TOnGetCellBackgroundColorEvent OnGetCellBackgroundColorEvent;
  TOnGetCellStyleEvent OnGetCellStyleEvent;
  TOnGetFieldCount OnGetFieldCount;
  TOnGetFieldName OnGetFieldName;
  TOnGetFieldDisplayName OnGetFieldDisplayName;
  TOnGetFieldDisplayWidth OnGetFieldDisplayWidth;
  TOnGetFieldDataSize OnGetFieldDataSize;
  TOnGetFieldDataType OnGetFieldDataType;
  TOnGetFieldVisible OnGetFieldVisible;
  TOnGetEOF OnGetEOF;
  TOnGetFieldValue OnGetFieldValue;
  TNotifyEvent OnGotoFirstRecord;
  TNotifyEvent OnGotoNextRecord;
  TOnGetFieldCellStyleEvent OnGetFieldCellStyleEvent;

  // State of the last export.
  bool Connected() const { return connected_; }
  bool Exporting() const { return exporting_ != nullptr; }
  // Names of the exported fields in column order, and each one's index in the data source.
  const TStringList& FieldNames() const { return *fieldNames_; }
  int FieldIndex(int Column) const { return fieldIndexes_[static_cast<size_t>(Column)]; }
  int ExportedCount() const { return exportedCount_; }
  int LastDataRow() const { return lastDataRow_; }
  int NextFreeRow() const { return nextFreeRow_; }
  // Values cut to the cell text limit, one line each ("Field, record n: ..."), and the cells
  // that hold them ("F12"), in the same order.
  const TStringList& Warnings() const { return *warnings_; }
  const TStringList& CutCells() const { return *cutCells_; }
  int ExcelVersion() const { return excelVersion_; }
  int MaxRows() const { return maxRows_; }
  int MaxColumns() const { return maxColumns_; }
  int MaxCellTextLength() const { return maxCellTextLength_; }

  // Column letters of a 1-based column; EMaxColumnsReached past MaxColumns.
  String ColumnName(int Index) const;
  // The number formats of the file for the class library's date and time pictures.
  String ToExcelDateFormat(const String& Format) const;
  // The currency symbol placed by the locale's currency form.
  String AddCurrencySymbol(const String& Format) const;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // What one run shares with the loop that lets other events in: whether the component still
  // exists, and the dataset whose controls the run disabled.
  struct RunState {
    bool Alive = true;
    TDataSet* DisabledDataset = nullptr;
    // Gives the disabled dataset its controls back, once.
    void EnableControls();
  };
  // A run's hold on the dataset it reads: its controls off and its place kept. The controls come
  // back on when the hold goes, also when the export fails, and not a second time when the
  // component itself was freed; the place only when the run asks, at its normal end.
  class DatasetHold {
   public:
    explicit DatasetHold(TvwExcelExport& owner);
    ~DatasetHold();
    DatasetHold(const DatasetHold&) = delete;
    DatasetHold& operator=(const DatasetHold&) = delete;
    void ReturnToStart();

   private:
    TvwExcelExport& owner_;
    std::shared_ptr<RunState> run_;
    TBookmark bookmark_;
  };
  void Connect();
  void DiscardFailedExport();
  void ReapplyHeaderRows();

  // Facts about the data source's fields (0-based index).
  TFieldType GetFieldDataType(int Index) const;
  bool IsExportableType(int Index) const;
  bool IsMemoType(int Index) const;
  bool IsNumericType(int Index) const;
  bool IsDateTimeType(int Index) const;
  bool IsEndOfData() const;
  int GetFieldDataSize(int Index) const;
  String GetSheetName() const;
  int FindWorksheet(const String& Name) const;
  void GotoFirst();
  void GotoNext();
  // Cell name of a 1-based row and column.
  String CellName(int Row, int Column) const { return ColumnName(Column) + std::to_string(Row); }
  String LastDataColumn() const;
  OleObject Range(const String& First, const String& Last) const;

  void FormatRange(const TxlFont& Font, const TCellBorder& Border, const String& FirstCell, const String& LastCell) const;
  void ChooseNumberFormats();
  void ApplyNumberFormats(int FirstRow, int LastRow) const;
  void ApplyColumnWidthStyle() const;
  void ApplyFieldWidth(const OleObject& Cell, int Index, int DisplayWidth, const String& Title) const;
  void WriteTitles();
  void WriteData();
  // TextField: Field is a text field (TStringField).
  Variant FieldValue(TField* Field, int Column, bool TextField);
  String CutText(const String& Text, int Column);
  Variant TextCell(const Variant& Text, int Column);
  void WriteHeader();
  void WriteFooter();
  void WriteLines(TStrings& Lines, bool Merge, const TxlFont& Font, const TCellBorder& Border, int FirstRow);
  void WriteSummary();
  void WriteGroups();
  void ApplyAutoFilter();

  bool excelVisible_ = true;
  vwExcelExport::TConnectTo connectTo_ = vwExcelExport::ctNewExcel;
  vwExcelExport::TDataPipe dataPipe_ = vwExcelExport::dpDataSet;
  String filename_;
  String worksheetName_;
  TDataSet* dataset_ = nullptr;
  vwExcelExport::TStyleColumnWidth styleColumnWidth_ = vwExcelExport::cwDefault;
  int columnWidth_ = 0;
  bool visibleFieldsOnly_ = true;
  bool mergeHeaderCells_ = true;
  bool showTitles_ = true;
  bool autoFilter_ = false;
  vwExcelExport::TSummarySelection summarySelection_ = vwExcelExport::ssNone;
  vwExcelExport::TSummaryCalculation summaryCalculation_ = vwExcelExport::scSUM;
  String summaryDisplayFormat_;
  bool mergeFooterCells_ = true;
  int blockOfRecords_ = 20;
  int beginRowHeader_ = 1;
  int beginRowTitles_ = 1;
  int beginRowData_ = 2;
  int beginColumnHeader_ = 1;
  int beginColumnData_ = 1;

  std::unique_ptr<TStringList> headerText_, footerText_, summaryFields_, groupFields_;
  std::unique_ptr<TxlFont> fontHeader_, fontTitles_, fontData_, fontSummary_, fontFooter_, fontGroup_;
  std::unique_ptr<TCellBorder> borderHeader_, borderTitles_, borderData_, borderSummary_, borderFooter_, borderGroup_;
  std::unique_ptr<TGroupOptions> groupOptions_;

  OleObject excelApplication_, excelWorkbook_, excelWorksheet_;
  bool connected_ = false;
  std::unique_ptr<TStringList> fieldNames_;
  std::vector<int> fieldIndexes_;
  std::vector<String> columnFormats_;  // the number format of each exported column
  std::unique_ptr<TStringList> warnings_;
  std::unique_ptr<TStringList> cutCells_;
  int exportedCount_ = 0;
  int nextFreeRow_ = 0;
  int lastDataRow_ = 0;
  String firstDataColumnName_;
  int excelVersion_ = 12;
  int maxRows_ = 1048576;
  int maxColumns_ = 16384;
  int maxCellTextLength_ = 32767;
  // Set while an export runs; shared with the run so that the run learns when the component
  // is freed under it (a window closed from an event handler).
  std::shared_ptr<RunState> exporting_;
  // What Connect made for this export, so that a failed export takes away only its own work.
  bool madeApplication_ = false, madeWorkbook_ = false, madeWorksheet_ = false;
};

}  // namespace orv
