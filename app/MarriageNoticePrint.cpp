// The print of the notification on screen, with the parish's names from the main window's
// settings row and the notification's own picture.
#include "app/Documents.h"
#include "app/MarriageNotices.h"
#include "app/WindowParts.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/DBDataset.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"

namespace orv {

void TForm2::CreateNoticeReport() {
  kvxDBDataset1 = CreateDocumentDataSet(this, "kvxDBDataset1", ADOQuery1);
  // The settings row is the main window's; its query is set when the notification is printed,
  // since this window may be made before the main window is known.
  kvxDBDataset2 = CreateDocumentDataSet(this, "kvxDBDataset2", nullptr);
  kvxReport1 = CreateDocumentReport(this, "kvxReport1");
  kvxReport1->OnGetValue = [this](const String& name, Variant& value) { kvxReport1GetValue(name, value); };
  kvxPDFExport1 = new TkvxPDFExport(this);
  kvxPDFExport1->SetName("kvxPDFExport1");
  kvxPDFExport1->Author = "Quillan";
  kvxPDFExport1->Subject = "Quillan PDF export";
  N2->OnClick = [this](TObject* sender) { N2Click(sender); };
}

void TForm2::N2Click(TObject*) {
  if (!Confirmed("ต้องการพิมพ์เอกสารแจ้งการสมรสของคุณ " + LabeledEdit1->Text() + " กับ " + LabeledEdit7->Text() +
                 " หรือ ?"))
    return;
  kvxDBDataset2->SetDataSet(Form1 ? Form1->ADOQuery3 : nullptr);
  LoadDocument(*kvxReport1, "marriage-notice.xml");
  kvxReport1->ShowReport(true);
}

void TForm2::kvxReport1GetValue(const String& VarName, Variant& Value) {
  // This window's own picture: another window's notification never prints here.
  if (SameText(VarName, "ExPath")) Value = Variant(NotifyPicturePath);
}

}  // namespace orv
