// The envelope to the member on screen: a panel of its lines, four of which are parish settings
// saved on Enter, then the envelope report over the lines as shown.
#include "app/Documents.h"
#include "app/FieldLayout.h"
#include "app/MainWindow.h"
#include "platform/gui/Keys.h"
#include "platform/rtl/TextUtils.h"
#include "report/model/Report.h"

namespace orv {

namespace {

constexpr const char* kSavedHint = "สามารถแก้ไขแล้วกด Enter เพื่อบีนทึก";

// A column of the current row as text; empty for Null or no row.
String ColumnText(TDataSet* dataSet, const char* column) {
  if (!dataSet->Active() || dataSet->IsEmpty()) return String();
  TField* field = dataSet->FieldByName(column);
  return field->IsNull() ? String() : field->AsString();
}

}  // namespace

void TForm1::CreateEnvelopePanel() {
  Panel4->SetBounds(175, 60, 560, 470);
  TFieldLayout lines(this, Panel4, 16, 12, 528);
  // The panel draws its caption in its middle, where the editors are: it is shown above them
  // instead.
  lines.Heading(Panel4->Caption());
  Panel4->SetCaption("");
  lines.Edit(Edit17, "คำขึ้นต้น");
  lines.Edit(Edit18, "คำนำหน้าชื่อผู้รับ");
  lines.Edit(Edit19, "ชื่อผู้รับ");
  lines.Edit(Edit20, "ที่อยู่");
  lines.Edit(Edit21, "อำเภอ/จังหวัด");
  lines.Edit(Edit22, "ผู้ส่ง");
  lines.Edit(Edit23, "ที่อยู่ผู้ส่ง");
  for (TEdit* shown : {Edit19, Edit20, Edit21}) shown->SetReadOnly(true);
  struct Saved {
    TEdit* Editor;
    const char* Column;
  };
  for (const Saved& s : {Saved{Edit17, "Sen"}, Saved{Edit18, "Prefix"}, Saved{Edit22, "ChurchT"},
                         Saved{Edit23, "AddrT"}}) {
    TEdit* editor = s.Editor;
    String column = s.Column;
    editor->SetHint(kSavedHint);
    editor->SetShowHint(true);
    editor->OnKeyUp = [this, editor, column](TObject*, Word& key, TShiftState) {
      if (key == VK_RETURN) SaveSetting(editor, column, true);
    };
  }
  BitBtn5 = new TBitBtn(this);
  BitBtn5->SetParent(Panel4);
  BitBtn5->SetCaption("Print");
  BitBtn5->SetBounds(560 - 2 * 126, 470 - 48, 110, 34);
  BitBtn5->OnClick = [this](TObject* sender) { BitBtn5Click(sender); };
  BitBtn6 = new TBitBtn(this);
  BitBtn6->SetParent(Panel4);
  BitBtn6->SetCaption("Cancel");
  BitBtn6->SetBounds(560 - 126, 470 - 48, 110, 34);
  BitBtn6->OnClick = [this](TObject* sender) { BitBtn6Click(sender); };
}

void TForm1::N9Click(TObject*) {
  if (!HasMemberToPrint()) return;
  const String nm = ColumnText(ADOQuery1, "Nm"), sur = ColumnText(ADOQuery1, "sur");
  if (MessageDlg("ต้องการพิมพ์จ่าหน้าซองจดหมายถึง คุณ" + nm + "  " + sur + " หรือ ?", mtConfirmation,
                 TMsgDlgButtons{mbYes, mbNo}, 0) != mrYes)
    return;
  FindSen();
  FindPrefix();
  ADOQuery3->Close();
  ADOQuery3->SQL().SetText("Select * from print");
  ADOQuery3->Open();
  Panel4->SetLeft(175);
  Panel4->Show();
  Panel4->BringToFront();
  Edit17->SetText(ColumnText(ADOQuery3, "Sen"));
  Edit18->SetText(ColumnText(ADOQuery3, "Prefix"));
  bool named = !ADOQuery1->FieldByName("Nm")->IsNull() && !ADOQuery1->FieldByName("sur")->IsNull();
  Edit19->SetText(named ? nm + "  " + sur : String());
  Edit20->SetText(ColumnText(ADOQuery1, "Address1"));
  Edit21->SetText(ColumnText(ADOQuery1, "Address2"));
  Edit22->SetText(ColumnText(ADOQuery3, "ChurchT"));
  Edit23->SetText(ColumnText(ADOQuery3, "AddrT"));
}

void TForm1::BitBtn5Click(TObject*) {
  Panel4->Hide();
  LoadDocument(*kvxReport3, "member-envelope.xml");
  kvxReport3->ShowReport(true);
}

void TForm1::BitBtn6Click(TObject*) { Panel4->Hide(); }

void TForm1::kvxReport3GetValue(const String& VarName, Variant& Value) {
  if (SameText(VarName, "TT"))
    Value = Variant(Edit17->Text());
  else if (SameText(VarName, "ChNameTh"))
    Value = Variant(Edit22->Text());
  else if (SameText(VarName, "ChAddTh"))
    Value = Variant(Edit23->Text());
  else if (SameText(VarName, "NameTh"))
    Value = Variant(Edit18->Text() + "  " + Edit19->Text());
  else if (SameText(VarName, "AddTh1"))
    Value = Variant(Edit20->Text());
  else if (SameText(VarName, "AddTh2"))
    Value = Variant(Edit21->Text());
}

}  // namespace orv
