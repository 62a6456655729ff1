// The statistics window's prints (the summary of its runs, the members of its last run) and
// its result sent to the spreadsheet exporter.
#include "app/Documents.h"
#include "app/Statistics.h"
#include "app/WindowParts.h"
#include "app/WorkbookExport.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/DBDataset.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"
#include "xlsexport/ExcelExport.h"

namespace orv {

void TForm4::CreateDocuments() {
  kvxDBDataset1 = CreateDocumentDataSet(this, "kvxDBDataset1", ADOQuery1);
  // The grid keeps showing the result after a print.
  kvxDBDataset1->SetCloseDataSource(false);
  kvxDBDataset2 = CreateDocumentDataSet(this, "kvxDBDataset2", Form1->ADOQuery3);
  // The settings row belongs to the main window, whose settings panel reads it.
  kvxDBDataset2->SetCloseDataSource(false);
  kvxReport1 = CreateDocumentReport(this, "kvxReport1");
  kvxReport1->OnGetValue = [this](const String& name, Variant& value) {
    kvxReport1GetValue(name, value);
  };
  TkvxReport** lists[] = {&kvxReport2, &kvxReport3, &kvxReport4,
                          &kvxReport5, &kvxReport6, &kvxReport7};
  for (int i = 0; i < 6; ++i) {
    *lists[i] = CreateDocumentReport(this, "kvxReport" + IntToStr(i + 2));
    (*lists[i])->OnGetValue = [this](const String& name, Variant& value) {
      kvxReport2GetValue(name, value);
    };
  }
  vwExcelExport1 = new TvwExcelExport(this);
  vwExcelExport1->SetName("vwExcelExport1");
  vwExcelExport1->SetDataPipe(vwExcelExport::dpDataSet);
  vwExcelExport1->SetStyleColumnWidth(vwExcelExport::cwDefault);
  vwExcelExport1->SetMergeHeaderCells(true);
  vwExcelExport1->SetAutoFilter(false);
  // The sheet, and the workbook file shown, are named after what they hold.
  vwExcelExport1->SetWorksheetName("สรุปจำนวนสัตบุรุษ");

  kvxPDFExport1 = new TkvxPDFExport(this);
  kvxPDFExport1->SetName("kvxPDFExport1");
  kvxPDFExport1->Author = "Quillan";
  kvxPDFExport1->Subject = "Quillan PDF export";

  Button2->OnClick = [this](TObject* sender) { Button2Click(sender); };
  Button4->OnClick = [this](TObject* sender) { Button4Click(sender); };
  LumSmoothButton5->OnClick = [this](TObject* sender) { LumSmoothButton5Click(sender); };
}

void TForm4::Button2Click(TObject*) {
  if (!Confirmed("ต้องการพิมพ์สรุปข้อมูลสัตบุรุษหรือ ?")) return;
  LoadDocument(*kvxReport1, "statistics-summary.xml");
  kvxReport1->ShowReport(true);
}

void TForm4::Button4Click(TObject*) {
  if (!Confirmed("ต้องการพิมพ์ข้อมูล" + StatResultText + " หรือ ?")) return;
  struct TList {
    TRadioButton* Button;
    TkvxReport* Report;
    const char* Template;
  };
  const TList lists[] = {{RadioButton12, kvxReport2, "statistics-birth.xml"},
                         {RadioButton13, kvxReport3, "statistics-baptism.xml"},
                         {RadioButton14, kvxReport4, "statistics-first-communion.xml"},
                         {RadioButton15, kvxReport5, "statistics-confirmation.xml"},
                         {RadioButton16, kvxReport6, "statistics-marriage.xml"},
                         {RadioButton17, kvxReport7, "statistics-death.xml"}};
  for (const TList& list : lists) {
    if (list.Button->Checked()) {
      LoadDocument(*list.Report, list.Template);
      list.Report->ShowReport(true);
      return;
    }
  }
}

void TForm4::LumSmoothButton5Click(TObject*) {
  // Before the first summary there is no list: the exporter would only say, in English, that
  // its data set is closed.
  if (!ADOQuery1->Active()) {
    ShowMessage("ยังไม่มีข้อมูลที่จะส่งออก กรุณากดปุ่ม \"ค้นหาข้อมูล\" ก่อน");
    return;
  }
  ExportToWorkbook(vwExcelExport1, ADOQuery1);
}

void TForm4::kvxReport1GetValue(const String& VarName, Variant& Value) {
  if (SameText(VarName, "Dem")) Value = Variant(Memo1->Lines()->Text());
}

void TForm4::kvxReport2GetValue(const String& VarName, Variant& Value) {
  if (SameText(VarName, "TextResult")) Value = Variant(StatResultText);
}

}  // namespace orv
