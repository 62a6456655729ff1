#include "app/MarriageNotices.h"

#include "app/FieldLayout.h"
#include "app/ParishWriteFailure.h"
#include "app/WindowParts.h"
#include "platform/rtl/Conversions.h"

namespace orv {

TForm2* Form2 = nullptr;

namespace {

constexpr int kMargin = 8;
constexpr int kListWidth = 330;
constexpr int kGroupWidth = 250;
constexpr int kGroupLeft = kMargin + kListWidth + 12;
constexpr int kClientWidth = kGroupLeft + 3 * (kGroupWidth + 10) + kMargin - 10;
constexpr int kClientHeight = 720;

const char* const kAllNotices = "Select * from MarriageNotify order by Notify_No";

// A user's text as a LIKE pattern that matches it literally: its wildcards are escaped with
// the backslash that the statements name as their escape character.
String LikeLiteral(const String& text) {
  String out;
  for (char c : text) {
    if (c == '%' || c == '_' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

TForm2::TForm2(TComponent* AOwner) : TForm(AOwner) {
  SetUpThaiWindow(this, "ใบแจ้งการสมรส");

  ADOQuery1 = new TADOQuery(this);
  ADOQuery2 = new TADOQuery(this);
  for (TADOQuery* query : {ADOQuery1, ADOQuery2}) query->SetConnection(Form1->ADOConnection1);
  ADOQuery1->AfterScroll = [this](TDataSet* dataSet) { ADOQuery1AfterScroll(dataSet); };
  DataSource1 = NewDataSource(this, ADOQuery1);
  OpenPictureDialog1 = new TOpenPictureDialog(this);
  OpenPictureDialog1->SetFilter("JPEG Image File (*.jpg)|*.jpg");

  MainMenu1 = new TMainMenu(this);
  N2 = NewMenuItem(this, MainMenu1->Items(), "พิมพ์เอกสารแจ้งการสมรส");
  N3 = NewMenuItem(this, MainMenu1->Items(), "ปิดหน้าต่างนี้");
  N3->OnClick = [this](TObject* sender) { N3Click(sender); };
  SetMenu(MainMenu1);
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);

  CreateSearchPanel();
  CreateEditors();
  CreateNoticeReport();

  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnActivate = [this](TObject* sender) { FormActivate(sender); };
}

void TForm2::CreateSearchPanel() {
  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetParent(this);
  GroupBox1->SetCaption("ค้นหาตาม");
  GroupBox1->SetBounds(kMargin, kMargin, kListWidth, 176);
  TRadioButton** buttons[] = {&RadioButton1, &RadioButton2, &RadioButton3,
                              &RadioButton4, &RadioButton5, &RadioButton6};
  const char* captions[] = {"ชื่อเจ้าบ่าว",       "ชื่อเจ้าสาว", "เลขที่ใบแจ้ง",
                            "เลขที่ทะเบียนสมรส", "ชื่อพยาน",   "พระสงฆ์ผู้ประกอบพิธี"};
  for (int i = 0; i < 6; ++i) {
    auto* button = new TRadioButton(this);
    button->SetParent(GroupBox1);
    button->SetCaption(captions[i]);
    button->SetBounds(12 + (i / 3) * 160, 22 + (i % 3) * 26, 155, 24);
    button->OnClick = [this](TObject* sender) { RadioButtonClick(sender); };
    *buttons[i] = button;
  }
  TFieldLayout search(this, GroupBox1, 12, 100, kListWidth - 30);
  search.Edit(Edit1, "", &Label1);
  Edit1->OnKeyUp = [this](TObject* sender, Word& key, TShiftState shift) {
    Edit1KeyUp(sender, key, shift);
  };

  Label8 = new TLabel(this);
  Label8->SetParent(this);
  Label8->SetBounds(kMargin, kMargin + 182, kListWidth, 20);
  DBGrid1 = new TDBGrid(this);
  DBGrid1->SetParent(this);
  DBGrid1->SetBounds(kMargin, kMargin + 206, kListWidth, kClientHeight - 266);
  DBGrid1->SetDataSource(DataSource1);
  DBGrid1->SetReadOnly(true);
  DBGrid1->SetOptions(DBGrid1->Options() + TDBGridOptions{dgRowSelect});
  DBGrid1->SetHint("Double click เพื่อลบข้อมูล");
  DBGrid1->OnDblClick = [this](TObject* sender) { DBGrid1DblClick(sender); };
  AddColumns(DBGrid1, {{"Notify_No", "เลขที่", 50}, {"Groom", "เจ้าบ่าว", 125},
                       {"Bride", "เจ้าสาว", 125}});

  BitBtn1 = new TBitBtn(this);
  BitBtn1->SetParent(this);
  BitBtn1->SetCaption("สร้างใบแจ้งการสมรสใหม่");
  BitBtn1->SetBounds(kMargin, kClientHeight - kMargin - 44, kListWidth, 40);
  BitBtn1->OnClick = [this](TObject* sender) { BitBtn1Click(sender); };
}

void TForm2::FormCreate(TObject*) {
  Image1->SetHint("คลิ๊กเพื่อเลือกรูปแต่งงาน\rขนาดของรูปควรเป็น 300 * 400");
  ADOQuery1->SQL().SetText(kAllNotices);
  ADOQuery1->Open();
  ShowCount();
  FindDoc();
  FindPic();
  BitBtn1->SetHint(
      "ใช้สร้างเอกสารแจ้งการสมรส โดยต้องพิมพ์ข้อมูลเองทั้งหมด\r"
      "ใช้ในกรณีที่ทั้งเจ้าบ่าวและเจ้าสาวไม่ได้เป็นสัตบุรุษของวัด");  // A parish that can only be read: the editors that would write are disabled, as the main
  // window's are.
  if (Form1->ReadOnly()) {
    for (const TFieldBinding& field : fields_) {
      field.Editor->SetEnabled(false);
      if (field.Picker) field.Picker->SetEnabled(false);
    }
    BitBtn1->SetEnabled(false);
    Image1->SetEnabled(false);
  }
}

void TForm2::FormActivate(TObject*) {
  if (firstActivation_.Take()) {
    Edit1->SetText("");
    if (Edit1->CanFocus()) Edit1->SetFocus();
  }
  ShowCount();
}

void TForm2::ShowCount() {
  Label8->SetCaption("จำนวนข้อมูล  " + IntToStr(ADOQuery1->Active() ? ADOQuery1->RecordCount() : 0) +
                     " รายการ");
}

void TForm2::ADOQuery1AfterScroll(TDataSet*) {
  FindDoc();
  FindPic();
}

void TForm2::FindDoc() {
  comboSaving_.Forget();
  ShowRecordFields(ADOQuery1, fields_);
}

void TForm2::RadioButtonClick(TObject* Sender) {
  auto* button = static_cast<TRadioButton*>(Sender);
  if (!button->Checked()) return;
  Label1->SetCaption(button->Caption());
  Edit1->SetText("");
  if (Edit1->CanFocus()) Edit1->SetFocus();
}

void TForm2::Edit1KeyUp(TObject*, Word& Key, TShiftState) {
  if (Key != VK_RETURN) return;
  struct SearchKey {
    TRadioButton* Button;
    const char* Column;
  };
  const SearchKey keys[] = {{RadioButton1, "Groom"},     {RadioButton2, "Bride"},
                            {RadioButton3, "Notify_No"}, {RadioButton4, "MarriageID"},
                            {RadioButton5, nullptr},     {RadioButton6, "Priest"}};
  const SearchKey* chosen = nullptr;
  for (const SearchKey& key : keys)
    if (key.Button->Checked()) chosen = &key;
  // With no key chosen the list is read again as it was asked for last.
  ADOQuery1->Close();
  String text = LikeLiteral(Edit1->Text());
  if (chosen && chosen->Column) {
    ADOQuery1->SQL().SetText(String("Select * from MarriageNotify where ") + chosen->Column +
                             " like :text escape '\\' order by Notify_No");
    ADOQuery1->Parameters().ParamByName("text")->SetValue(text + "%");
  } else if (chosen) {
    ADOQuery1->SQL().SetText(
        "Select * from MarriageNotify where Witness1 like :start escape '\\' or Witness2 like "
        ":inside escape '\\' order by Notify_No");
    ADOQuery1->Parameters().ParamByName("start")->SetValue(text + "%");
    ADOQuery1->Parameters().ParamByName("inside")->SetValue("%" + text + "%");
  }
  ADOQuery1->Open();
  ShowCount();
  if (ADOQuery1->IsEmpty()) {
    FindDoc();
    FindPic();
  }
}

Int64 TForm2::NextNotifyNo() {
  // The number follows the whole table, not the list on screen: after a search the list's
  // last number may be far below numbers already given.
  TADOQuery highest(nullptr);
  highest.SetConnection(ADOQuery1->Connection());
  highest.SQL().SetText("select max(Notify_No) as Highest from MarriageNotify");
  highest.Open();
  TField* field = highest.FieldByName("Highest");
  return field->IsNull() ? 1 : field->AsLargeInt() + 1;
}

void TForm2::BitBtn1Click(TObject*) {
  if (!Confirmed("ต้องการสร้างเอกสารแจ้งการสมรส โดยต้องพิมพ์ข้อมูลเองทั้งหมด หรือ ?")) return;
  Int64 number = NextNotifyNo();
  ADOQuery1->Append();
  ADOQuery1->FieldByName("Notify_No")->SetAsLargeInt(number);
  ADOQuery1->Post();
  // Going to the last row, where the new one sorts, shows it in the editors.
  ADOQuery1->Last();
  ShowCount();
}

void TForm2::DBGrid1DblClick(TObject*) {
  if (!ADOQuery1->Active() || ADOQuery1->IsEmpty()) return;
  TField* number = ADOQuery1->FieldByName("Notify_No");
  String question = number->IsNull() ? String("ต้องการลบข้อมูลว่างๆ  หรือ ?")
                                     : "ต้องการลบข้อมูลใบแจ้งการสมรสเลขที่  " +
                                           IntToStr(number->AsLargeInt()) + " หรือ ?";
  if (Confirmed(question)) {
    try {
      ADOQuery1->Delete();
    } catch (const Exception& e) {
      ShowParishWriteFailure(e, ADOQuery1, RowNotDeleted, this);
    }
  }
  ShowCount();
}

void TForm2::N3Click(TObject*) { Close(); }

ORV_IMPLEMENT_CLASS(TForm2, c) {}

}  // namespace orv
