// The member's certificate and move-out notice: both read the member alone and the settings row,
// and print the member's photo.
#include "app/Documents.h"
#include "app/MainWindow.h"
#include "app/WindowParts.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/DBDataset.h"
#include "report/model/Report.h"
#include "report/pdf/PdfExport.h"

namespace orv {

void TForm1::CreateDocuments() {
  // The reports end by closing what they read; the settings editors and the member display
  // open their queries again.
  kvxDBDataset1 = CreateDocumentDataSet(this, "kvxDBDataset1", ADOQuery6, true);
  kvxDBDataset2 = CreateDocumentDataSet(this, "kvxDBDataset2", ADOQuery3, true);
  kvxReport1 = CreateDocumentReport(this, "kvxReport1");
  kvxReport1->OnGetValue = [this](const String& name, Variant& value) { kvxReport1GetValue(name, value); };
  kvxReport2 = CreateDocumentReport(this, "kvxReport2");
  kvxReport2->OnGetValue = [this](const String& name, Variant& value) { kvxReport2GetValue(name, value); };
  kvxReport3 = CreateDocumentReport(this, "kvxReport3");
  kvxReport3->OnGetValue = [this](const String& name, Variant& value) { kvxReport3GetValue(name, value); };
  kvxPDFExport1 = new TkvxPDFExport(this);
  kvxPDFExport1->SetName("kvxPDFExport1");
  kvxPDFExport1->Author = "Quillan";
  kvxPDFExport1->Subject = "Quillan PDF export";
  CreateEnvelopePanel();
  N4->OnClick = [this](TObject* sender) { N4Click(sender); };
  N5->OnClick = [this](TObject* sender) { N5Click(sender); };
  N9->OnClick = [this](TObject* sender) { N9Click(sender); };
}

bool TForm1::HasMemberToPrint() {
  // After a search that found no one the member query still holds the member shown before:
  // printing would hand out someone else's document.
  if (HasMember()) return true;
  ShowMessage("ไม่มีข้อมูลที่จะพิมพ์");
  return false;
}

bool TForm1::MemberStillStored() {
  // The member alone is read again: another program may have deleted the member since it was
  // shown, and its document would print as a blank form waiting for a signature.
  ADOQuery6->Close();
  ADOQuery6->Open();
  if (!ADOQuery6->IsEmpty()) return true;
  ShowMessage("สมาชิกคนนี้ไม่อยู่ในทะเบียนวัดแล้ว (โปรแกรมอื่นลบออกไปหลังจากที่เปิดขึ้นมาดู) จึงไม่ได้พิมพ์เอกสาร "
              "ให้ค้นหาใหม่เพื่อดูข้อมูลล่าสุด");
  return false;
}

namespace {

// The text of the editor that shows column of the member.
String EditorText(const std::vector<TFieldBinding>& fields, const char* column) {
  for (const TFieldBinding& binding : fields)
    if (SameText(binding.Column, column)) return binding.Editor->Text();
  return String();
}

}  // namespace

void TForm1::N4Click(TObject*) {
  if (!HasMemberToPrint()) return;
  if (!Confirmed("ต้องการพิมพ์เอกสารรับรองการรับศีลศักดิ์สิทธิ์ของ คุณ" + EditorText(memberFields_, "Nm") + " " +
                 EditorText(memberFields_, "sur") + " หรือ ?"))
    return;
  if (!MemberStillStored()) return;
  LoadDocument(*kvxReport1, "certificate.xml");
  kvxReport1->ShowReport(true);
}

void TForm1::N5Click(TObject*) {
  if (!HasMemberToPrint()) return;
  if (!Confirmed("ต้องการพิมพ์เอกสารแจ้งย้ายของ คุณ" + EditorText(memberFields_, "Nm") + " " +
                 EditorText(memberFields_, "sur") + " หรือ ?"))
    return;
  if (!MemberStillStored()) return;
  LoadDocument(*kvxReport2, "move-notice.xml");
  kvxReport2->ShowReport(true);
}

void TForm1::kvxReport1GetValue(const String& VarName, Variant& Value) {
  if (SameText(VarName, "ExPath")) Value = Variant(PhotoFileName);
}

void TForm1::kvxReport2GetValue(const String& VarName, Variant& Value) {
  if (SameText(VarName, "ExPath")) Value = Variant(PhotoFileName);
}

}  // namespace orv
