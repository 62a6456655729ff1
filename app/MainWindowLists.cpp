// The member list printed as searched, one report per search mode, and the list sent to the
// spreadsheet exporter.
#include "app/Documents.h"
#include "app/MainWindow.h"
#include "app/WindowParts.h"
#include "app/WorkbookExport.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/DBDataset.h"
#include "report/model/Report.h"
#include "xlsexport/ExcelExport.h"

namespace orv {

namespace {

struct TMemberList {
  TRadioButton* TForm1::*Mode;
  const char* Question;
  // Appended to the search's selection. Names sort in Thai order, dates in their stored ISO
  // form; the family list keeps the family number the search matched, then the birth date.
  const char* Order;
  TkvxReport* TForm1::*Report;
  const char* ReportName;
  const char* Template;
};

// In the order the modes are looked for: the first selected one wins.
const TMemberList kLists[] = {
    {&TForm1::RadioButton1, " โดยเรียงลำดับอักษร หรือ ?",
     " order by Nm collate THAI, Sur collate THAI", &TForm1::kvxReport4, "kvxReport4", "members-by-name.xml"},
    {&TForm1::RadioButton2, " แยกตามชื่อนักบุญ หรือ ?",
     " order by st collate THAI, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport5,
     "kvxReport5", "members-by-saint.xml"},
    {&TForm1::RadioButton3, " แยกตามกลุ่ม หรือ ?",
     " order by Gang collate THAI, Address1 collate THAI, Address2 collate THAI,"
     " Nm collate THAI, Sur collate THAI",
     &TForm1::kvxReport6, "kvxReport6", "members-by-group.xml"},
    {&TForm1::RadioButton4, " เรียงตามลำดับรหัส หรือ ?",
     " order by NUM collate THAI, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport7,
     "kvxReport7", "members-by-code.xml"},
    {&TForm1::RadioButton5, " ตามวันเกิดที่ค้นหา หรือ ?",
     " order by birth_date, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport8, "kvxReport8",
     "members-by-birthday.xml"},
    {&TForm1::RadioButton6, " ตามบ้านเลขที่ที่ค้นหา หรือ ?",
     " order by Address1 collate THAI, Address2 collate THAI, Nm collate THAI, Sur collate THAI",
     &TForm1::kvxReport9, "kvxReport9", "members-by-house.xml"},
    {&TForm1::RadioButton7, " ตามเลขที่ครอบครัวที่ค้นหา หรือ ?",
     " order by from_family collate THAI, birth_date", &TForm1::kvxReport10, "kvxReport10",
     "members-by-family.xml"},
    {&TForm1::RadioButton8, " ตามอาชีพที่ค้นหา หรือ ?",
     " order by Occupation collate THAI, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport11,
     "kvxReport11", "members-by-occupation.xml"},
    {&TForm1::RadioButton9, " ตามวันมรณะที่ค้นหา หรือ ?",
     " order by dead_date, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport12, "kvxReport12",
     "members-by-death-day.xml"},
    {&TForm1::RadioButton10, " ตามชื่อพ่อ/แม่ทูนหัวศีลล้างบาปที่ค้นหา หรือ ?",
     " order by btsm_parent collate THAI, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport13,
     "kvxReport13", "members-by-baptism-godparents.xml"},
    {&TForm1::RadioButton11, " ซึ่งย้ายเข้าที่ค้นหา หรือ ?",
     " order by DateIn, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport19, "kvxReport19",
     "members-moved-in.xml"},
    {&TForm1::RadioButton12, " ซึ่งย้ายออกที่ค้นหา หรือ ?",
     " order by DateOut, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport20, "kvxReport20",
     "members-moved-out.xml"},
    {&TForm1::RadioButton16, " ตามชื่อพ่อ/แม่ทูนหัวศีลกำลังที่ค้นหา หรือ ?",
     " order by cnfm_parent collate THAI, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport14,
     "kvxReport14", "members-by-confirmation-sponsors.xml"},
    {&TForm1::RadioButton17, " ตามชื่อพ่อ/แม่ทูนหัวศีลสมรสที่ค้นหา หรือ ?",
     " order by mtmn_father || '-' || mtmn_mother collate THAI, Nm collate THAI,"
     " Sur collate THAI",
     &TForm1::kvxReport15, "kvxReport15", "members-by-marriage-witnesses.xml"},
    {&TForm1::RadioButton18, " ตามชื่อบิดาที่ค้นหา หรือ ?",
     " order by papa_nm collate THAI, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport16,
     "kvxReport16", "members-by-father.xml"},
    {&TForm1::RadioButton19, " ตามชื่อมารดาที่ค้นหา หรือ ?",
     " order by mama_nm collate THAI, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport17,
     "kvxReport17", "members-by-mother.xml"},
    {&TForm1::RadioButton20, " ตามรายชื่อวัดที่ล้างบาปที่ค้นหา หรือ ?",
     " order by btsm_wat collate THAI, Nm collate THAI, Sur collate THAI", &TForm1::kvxReport18,
     "kvxReport18", "members-by-baptism-church.xml"},
};

}  // namespace

void TForm1::CreateMemberLists() {
  // The list stays open after printing, as the member list beside it.
  kvxDBDataset3 = CreateDocumentDataSet(this, "kvxDBDataset3", ADOQuery7);
  for (const TMemberList& list : kLists)
    this->*list.Report = CreateDocumentReport(this, list.ReportName);
  kvxReport19->OnGetValue = [this](const String& name, Variant& value) {
    kvxReport19GetValue(name, value);
  };
  kvxReport20->OnGetValue = [this](const String& name, Variant& value) {
    kvxReport20GetValue(name, value);
  };

  vwExcelExport1 = new TvwExcelExport(this);
  vwExcelExport1->SetName("vwExcelExport1");
  vwExcelExport1->SetDataPipe(vwExcelExport::dpDataSet);
  vwExcelExport1->SetStyleColumnWidth(vwExcelExport::cwDefault);
  vwExcelExport1->SetMergeHeaderCells(true);
  vwExcelExport1->SetAutoFilter(false);
  // The sheet, and the workbook file shown, are named after what they hold.
  vwExcelExport1->SetWorksheetName("รายชื่อสัตบุรุษ");

  N6->OnClick = [this](TObject* sender) { N6Click(sender); };
  LumSmoothButton5->OnClick = [this](TObject* sender) { LumSmoothButton5Click(sender); };
}

void TForm1::N6Click(TObject*) {
  // A mode chosen without a search yet has nothing of its own to print.
  if (!SearchedBySelectedMode() || !ADOQuery1->Active() || ADOQuery1->IsEmpty()) {
    ShowMessage("ไม่มีข้อมูลที่จะพิมพ์");
    return;
  }
  const TMemberList* list = nullptr;
  for (const TMemberList& l : kLists) {
    if ((this->*l.Mode)->Checked()) {
      list = &l;
      break;
    }
  }
  if (!list) return;
  if (!Confirmed(String("ต้องการพิมพ์รายชื่อสัตบุรุษตามตารางซ้ายมือ") + list->Question)) return;
  ADOQuery7->Close();
  String select = list->Mode == &TForm1::RadioButton17 ? WithWitnessPair(CurrentSelect) : CurrentSelect;
  ADOQuery7->SQL().SetText(select + list->Order);
  // The search's values were bound to the export copy, which holds the same selection.
  TParameters& copy = ADOQuery10->Parameters();
  for (Integer i = 0; i < copy.Count(); ++i)
    ADOQuery7->Parameters().ParamByName(copy[i]->Name())->SetValue(copy[i]->Value());
  ADOQuery7->Open();
  TkvxReport& report = *(this->*list->Report);
  LoadDocument(report, list->Template);
  report.ShowReport(true);
}

void TForm1::kvxReport19GetValue(const String& VarName, Variant& Value) {
  if (SameText(VarName, "DInBetween")) Value = Variant(PeriodText());
}

void TForm1::kvxReport20GetValue(const String& VarName, Variant& Value) {
  if (SameText(VarName, "DOutBetween")) Value = Variant(PeriodText());
}

String TForm1::PeriodText() const {
  return "ระหว่างวันที่ " + FormatDateTime("d/m/yyyy", DateTimePicker2->Date()) + "  " +
         FormatDateTime("d/m/yyyy", DateTimePicker3->Date());
}

void TForm1::LumSmoothButton5Click(TObject*) {
  // The search leaves its copy ready but closed: the export opens it.
  if (!ADOQuery10->Active()) ADOQuery10->Open();
  ExportToWorkbook(vwExcelExport1, ADOQuery10);
}

}  // namespace orv
