#include "app/Churches.h"

#include "app/FieldLayout.h"
#include "app/ParishWriteFailure.h"
#include "app/WindowParts.h"
#include "platform/rtl/Conversions.h"

namespace orv {

TForm3* Form3 = nullptr;

namespace {

constexpr int kMargin = 8;
constexpr int kClientWidth = 760;
constexpr int kClientHeight = 560;
constexpr int kButtonTop = 8;
constexpr int kGridTop = 84;

String TextOf(TDataSet* dataSet, const char* column) {
  if (!dataSet->Active() || dataSet->IsEmpty()) return String();
  return dataSet->FieldByName(column)->AsString();
}

}  // namespace

TForm3::TForm3(TComponent* AOwner) : TForm(AOwner) {
  SetUpThaiWindow(this, "รายชื่อวัด");

  ADOQuery1 = new TADOQuery(this);
  ADOQuery1->SetConnection(Form1->ADOConnection1);
  // Rows added or removed in the grid change the count as the sort buttons do.
  ADOQuery1->AfterPost = [this](TDataSet*) { ShowCount(); };
  ADOQuery1->AfterDelete = [this](TDataSet*) { ShowCount(); };
  DataSource1 = NewDataSource(this, ADOQuery1);

  MainMenu1 = new TMainMenu(this);
  N1 = NewMenuItem(this, MainMenu1->Items(), "พิมพ์จ่าหน้าซองจดหมาย");
  N2 = NewMenuItem(this, MainMenu1->Items(), "ปิดหน้าต่างนี้");
  N1->OnClick = [this](TObject* sender) { N1Click(sender); };
  N2->OnClick = [this](TObject* sender) { N2Click(sender); };
  SetMenu(MainMenu1);
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);

  TButton** buttons[] = {&Button1, &Button2, &Button3};
  const char* captions[] = {"เรียงรหัสวัด", "เรียงชื่อวัด", "เรียงชื่อทั่วไป"};
  for (int i = 0; i < 3; ++i) {
    auto* button = new TButton(this);
    button->SetParent(this);
    button->SetCaption(captions[i]);
    button->SetBounds(kMargin + i * 150, kButtonTop, 140, 34);
    *buttons[i] = button;
  }
  Button1->OnClick = [this](TObject* sender) { Button1Click(sender); };
  Button2->OnClick = [this](TObject* sender) { Button2Click(sender); };
  Button3->OnClick = [this](TObject* sender) { Button3Click(sender); };

  Label2 = new TLabel(this);
  Label2->SetParent(this);
  Label2->SetBounds(kMargin, kButtonTop + 46, 300, 20);

  DBGrid4 = new TDBGrid(this);
  DBGrid4->SetParent(this);
  DBGrid4->SetBounds(kMargin, kGridTop, kClientWidth - 2 * kMargin,
                     kClientHeight - kGridTop - kMargin);
  DBGrid4->SetDataSource(DataSource1);
  DBGrid4->SetHint("Double click เพื่อลบข้อมูล");
  DBGrid4->OnDblClick = [this](TObject* sender) { DBGrid4DblClick(sender); };
  AddColumns(DBGrid4, {{"ID-Church", "รหัสวัด", 80}, {"Name-Church", "ชื่อวัด", 200},
                       {"gen-name-church", "ชื่อทั่วไป", 110}, {"Address1", "ที่อยู่", 100},
                       {"Address2", "อำเภอ/จังหวัด", 220}});
  CreateEnvelopePanel();
  CreateEnvelopeReport();

  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnActivate = [this](TObject* sender) { FormActivate(sender); };
}

void TForm3::CreateEnvelopePanel() {
  Panel1 = new TPanel(this);
  Panel1->SetParent(this);
  Panel1->SetBounds(120, 60, 520, 440);
  TFieldLayout lines(this, Panel1, 16, 8, 488);
  lines.Edit(Edit1, "ผู้ส่ง");
  lines.Edit(Edit2, "ที่อยู่ผู้ส่ง");
  lines.Edit(Edit3, "คำขึ้นต้น");
  lines.Edit(Edit4, "ถึง");
  lines.Edit(Edit5, "วัด");
  lines.Edit(Edit6, "ที่อยู่");
  lines.Edit(Edit7, "อำเภอ/จังหวัด");
  BitBtn1 = new TBitBtn(this);
  BitBtn1->SetParent(Panel1);
  BitBtn1->SetCaption("Print");
  BitBtn1->SetBounds(520 - 2 * 126, 440 - 48, 110, 34);
  BitBtn2 = new TBitBtn(this);
  BitBtn2->SetParent(Panel1);
  BitBtn2->SetCaption("Cancel");
  BitBtn2->SetBounds(520 - 126, 440 - 48, 110, 34);
  BitBtn2->OnClick = [this](TObject* sender) { BitBtn2Click(sender); };
  Panel1->SetVisible(false);
}

void TForm3::FormCreate(TObject*) {
  OpenSorted("[id-church]");
  // A parish that can only be read takes no edits in the grid, as the main window's editors.
  if (Form1->ReadOnly()) DBGrid4->SetReadOnly(true);
}

// The envelope panel opened by N1Click stays open when its question closes.
void TForm3::FormActivate(TObject*) {
  if (firstActivation_.Take()) Panel1->Hide();
}

void TForm3::OpenSorted(const char* column) {
  ADOQuery1->Close();
  ADOQuery1->SQL().SetText(String("select * from church order by ") + column);
  ADOQuery1->Open();
  ShowCount();
}

void TForm3::ShowCount() {
  Label2->SetCaption("จำนวนข้อมูล " + IntToStr(ADOQuery1->Active() ? ADOQuery1->RecordCount() : 0));
}

void TForm3::Button1Click(TObject*) { OpenSorted("[id-church]"); }
void TForm3::Button2Click(TObject*) { OpenSorted("[name-church] collate THAI"); }
void TForm3::Button3Click(TObject*) { OpenSorted("[gen-name-church] collate THAI"); }

void TForm3::DBGrid4DblClick(TObject*) {
  if (!ADOQuery1->Active() || ADOQuery1->IsEmpty()) return;
  TField* code = ADOQuery1->FieldByName("id-church");
  TField* name = ADOQuery1->FieldByName("name-church");
  String question =
      !code->IsNull() && !name->IsNull()
          ? "ต้องการลบข้อมูลของ  " + code->AsString() + "  " + name->AsString() + " หรือ ?"
          : String("ต้องการลบข้อมูลซึ่งไม่มี รหัสวัด - ชื่อวัด  หรือ ?");
  if (Confirmed(question)) {
    try {
      ADOQuery1->Delete();
    } catch (const Exception& e) {
      ShowParishWriteFailure(e, ADOQuery1, RowNotDeleted, this);
    }
  }
  ShowCount();
}

void TForm3::N1Click(TObject*) {
  String church = TextOf(ADOQuery1, "Name-Church");
  if (MessageDlg("ต้องการพิมพ์จ่าหน้าซองจดหมายถึง คุณพ่อเจ้าอาวาส วัด" + church + " หรือ ?", mtConfirmation,
                 TMsgDlgButtons{mbYes, mbNo}, 0) != mrYes)
    return;
  TADOQuery* settings = Form1->ADOQuery3;
  settings->Close();
  settings->SQL().SetText("Select * from print");
  settings->Open();
  Panel1->Show();
  Panel1->BringToFront();
  Edit1->SetText(TextOf(settings, "ChurchT"));
  Edit2->SetText(TextOf(settings, "AddrT"));
  Edit3->SetText("เรียน");
  Edit4->SetText("คุณพ่อเจ้าอาวาส ");
  Edit5->SetText(church.empty() ? String() : "วัด" + church);
  Edit6->SetText(TextOf(ADOQuery1, "Address1"));
  Edit7->SetText(TextOf(ADOQuery1, "Address2"));
}

void TForm3::BitBtn2Click(TObject*) { Panel1->Hide(); }

void TForm3::N2Click(TObject*) { Close(); }

ORV_IMPLEMENT_CLASS(TForm3, c) {}

}  // namespace orv
