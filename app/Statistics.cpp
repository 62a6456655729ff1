#include "app/Statistics.h"

#include "app/ParishSchema.h"
#include "app/WindowParts.h"
#include "platform/gui/Cursors.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"

namespace orv {

TForm4* Form4 = nullptr;

namespace {

constexpr int kMargin = 8;
constexpr int kPanelWidth = 300;
constexpr int kRightLeft = kMargin + kPanelWidth + 12;
constexpr int kClientWidth = 1000;
constexpr int kClientHeight = 670;
constexpr int kButtonTop = kClientHeight - kMargin - 40;

TGroupBox* NewGroup(TForm* form, const String& caption, int top, int height) {
  auto* group = new TGroupBox(form);
  group->SetParent(form);
  group->SetCaption(caption);
  group->SetBounds(kMargin, top, kPanelWidth, height);
  return group;
}

TRadioButton* NewRadio(TForm* form, TWinControl* parent, const String& caption, int left, int top,
                       int width) {
  auto* button = new TRadioButton(form);
  button->SetParent(parent);
  button->SetCaption(caption);
  button->SetBounds(left, top, width, 24);
  return button;
}

TButton* NewButton(TForm* form, const String& caption, int left, int width) {
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetCaption(caption);
  button->SetBounds(left, kButtonTop, width, 40);
  return button;
}

// One part of a run's condition: its SQL and the words that describe it.
struct TCondition {
  String Sql;
  String Text;
};

}  // namespace

TForm4::TForm4(TComponent* AOwner) : TForm(AOwner) {
  SetUpThaiWindow(this, "สรุปจำนวนสัตบุรุษ");
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);

  ADOQuery1 = new TADOQuery(this);
  // The export calls its sheet after the data set.
  ADOQuery1->SetName("ADOQuery1");
  ADOQuery1->SetConnection(Form1->ADOConnection1);
  ADOQuery1->SQL().SetText("select " + MemberColumns() + " from orvani");
  DataSource1 = NewDataSource(this, ADOQuery1);

  CreateDatePanel();
  CreateConditionPanels();

  Memo1 = new TMemo(this);
  Memo1->SetParent(this);
  Memo1->SetBounds(kRightLeft, kMargin, kClientWidth - kRightLeft - kMargin, 130);
  Memo1->SetReadOnly(true);
  Memo1->SetScrollBars(ssVertical);
  Memo1->SetHint("Double click เพื่อลบข้อมูล");
  Memo1->OnDblClick = [this](TObject* sender) { Memo1DblClick(sender); };
  Label4 = new TLabel(this);
  Label4->SetParent(this);
  Label4->SetBounds(kRightLeft, kMargin + 138, 300, 20);
  DBGrid1 = new TDBGrid(this);
  DBGrid1->SetParent(this);
  DBGrid1->SetBounds(kRightLeft, kMargin + 162, kClientWidth - kRightLeft - kMargin,
                     kButtonTop - kMargin - 170);
  DBGrid1->SetDataSource(DataSource1);
  DBGrid1->SetReadOnly(true);
  DBGrid1->SetOptions(DBGrid1->Options() + TDBGridOptions{dgRowSelect});
  AddColumns(DBGrid1, {{"st", "นักบุญ", 90}, {"nm", "ชื่อ", 100}, {"sur", "นามสกุล", 110},
                       {"sex", "เพศ", 50}, {"birth_date", "วันเกิด", 90}, {"gang", "กลุ่ม", 110},
                       {"tel", "โทรศัพท์", 100}});

  Button1 = NewButton(this, "ค้นหาข้อมูล", kMargin, kPanelWidth);
  Button1->OnClick = [this](TObject* sender) { Button1Click(sender); };
  Button2 = NewButton(this, "พิมพ์สรุป", kRightLeft, 140);
  Button4 = NewButton(this, "พิมพ์รายการ", kRightLeft + 150, 140);
  LumSmoothButton5 = new TLumSmoothButton(this);
  LumSmoothButton5->SetParent(this);
  LumSmoothButton5->SetCaption("Excel");
  LumSmoothButton5->SetHint("Transfer data to Excel.");
  LumSmoothButton5->SetBounds(kRightLeft + 300, kButtonTop, 120, 40);
  // The window has no styler: without a scheme of its own the button keeps the kit's grey,
  // which reads as disabled. It takes the scheme the main window's buttons resolve to.
  LumSmoothButton5->SetComponentStyle(tsOffice2003Blue);
  Button3 = NewButton(this, "ปิดหน้าต่างนี้", kClientWidth - kMargin - 160, 160);
  Button3->OnClick = [this](TObject* sender) { Button3Click(sender); };

  OnActivate = [this](TObject* sender) { FormActivate(sender); };
  CreateDocuments();
}

void TForm4::CreateDatePanel() {
  GroupBox4 = NewGroup(this, "เงื่อนไขเวลา", kMargin, 200);
  TRadioButton** columns[] = {&RadioButton12, &RadioButton13, &RadioButton14,
                              &RadioButton15, &RadioButton16, &RadioButton17};
  const char* captions[] = {"วันเกิด",      "วันรับศีลล้างบาป", "วันรับศีลมหาสนิท",
                            "วันรับศีลกำลัง", "วันรับศีลสมรส",   "วันเสียชีวิต"};
  for (int i = 0; i < 6; ++i)
    *columns[i] =
        NewRadio(this, GroupBox4, captions[i], 12 + (i / 3) * 142, 24 + (i % 3) * 26, 138);
  // A date column other than death counts the living, the death date the dead.
  for (TRadioButton* button :
       {RadioButton12, RadioButton13, RadioButton14, RadioButton15, RadioButton16})
    button->OnClick = [this](TObject*) { RadioButton1->SetChecked(true); };
  RadioButton17->OnClick = [this](TObject*) { RadioButton2->SetChecked(true); };

  const char* rangeCaptions[] = {"ตั้งแต่วันที่", "ถึงวันที่"};
  TDateTimePicker** pickers[] = {&DateTimePicker1, &DateTimePicker2};
  for (int i = 0; i < 2; ++i) {
    auto* caption = new TLabel(this);
    caption->SetParent(GroupBox4);
    caption->SetCaption(rangeCaptions[i]);
    caption->SetBounds(12 + i * 142, 110, 138, 20);
    auto* picker = new TDateTimePicker(this);
    picker->SetParent(GroupBox4);
    // The picker's own pictures tell the month ("M") from the minute ("m").
    picker->SetFormat("d MMMM yyyy");
    picker->SetBounds(12 + i * 142, 132, 136, 26);
    *pickers[i] = picker;
  }
}

void TForm4::CreateConditionPanels() {
  auto group = [this](TGroupBox*& box, TCheckBox*& check, const String& caption, int top,
                      int height) {
    box = NewGroup(this, caption, top, height);
    check = new TCheckBox(this);
    check->SetParent(box);
    check->SetCaption("ใช้เงื่อนไขนี้");
    check->SetBounds(12, 24, 200, 24);
  };
  group(GroupBox1, CheckBox1, "สถานะ", 216, 88);
  RadioButton1 = NewRadio(this, GroupBox1, "ยังมีชีวิตอยู่", 12, 52, 95);
  RadioButton2 = NewRadio(this, GroupBox1, "เสียชีวิต", 108, 52, 80);
  RadioButton3 = NewRadio(this, GroupBox1, "ย้ายออก", 190, 52, 100);
  group(GroupBox2, CheckBox2, "สภาพการสมรส", 312, 88);
  RadioButton9 = NewRadio(this, GroupBox2, "โสด", 12, 52, 120);
  RadioButton10 = NewRadio(this, GroupBox2, "แต่งงานแล้ว", 140, 52, 140);
  group(GroupBox3, CheckBox3, "เพศ", 408, 88);
  RadioButton4 = NewRadio(this, GroupBox3, "ชาย", 12, 52, 120);
  RadioButton5 = NewRadio(this, GroupBox3, "หญิง", 140, 52, 140);
  group(GroupBox5, CheckBox4, "ไม่ได้รับศีลศักดิ์สิทธิ์", 504, 110);
  RadioButton6 = NewRadio(this, GroupBox5, "ศีลล้างบาป", 12, 52, 125);
  RadioButton7 = NewRadio(this, GroupBox5, "ศีลกำลัง", 140, 52, 140);
  RadioButton8 = NewRadio(this, GroupBox5, "ศีลสมรส", 12, 78, 125);
  RadioButton11 = NewRadio(this, GroupBox5, "ศีลมหาสนิท", 140, 78, 140);

  CheckBox1->SetChecked(true);
  RadioButton12->SetChecked(true);
  RadioButton1->SetChecked(true);
  RadioButton9->SetChecked(true);
  RadioButton4->SetChecked(true);
  RadioButton6->SetChecked(true);
}

// A printed or exported summary stays on screen when its preview or dialog closes.
void TForm4::FormActivate(TObject*) {
  if (!firstActivation_.Take()) return;
  DateTimePicker1->SetDate(Date() - 3650);
  DateTimePicker2->SetDate(Date());
  Memo1->Clear();
  Label4->SetCaption("");
}

void TForm4::Button1Click(TObject*) {
  THourGlass wait;
  TDateTime from = DateTimePicker1->Date();
  TDateTime to = DateTimePicker2->Date();

  struct TDateColumn {
    TRadioButton* Button;
    const char* Column;
    const char* Prefix;
  };
  const TDateColumn dateColumns[] = {{RadioButton12, "birth_date", " ผู้ที่เกิดวันที่  "},
                                     {RadioButton13, "btsm_date", " ผู้รับศีลล้างบาปวันที่  "},
                                     {RadioButton14, "fm_date", " ผู้รับศีลมหาสนิทวันที่  "},
                                     {RadioButton15, "cnfm_date", " ผู้รับศีลกำลังวันที่  "},
                                     {RadioButton16, "mtmn_date", " ผู้รับศีลสมรสวันที่  "},
                                     {RadioButton17, "dead_date", " ผู้เสียชีวิตวันที่  "}};
  const TDateColumn* date = &dateColumns[0];
  for (const TDateColumn& c : dateColumns) {
    if (c.Button->Checked()) {
      date = &c;
      break;
    }
  }
  String description = date->Prefix + DateToStr(from) + "  ถึงวันที่  " + DateToStr(to) + " ";

  // Inside a group the later chosen button wins, as the buttons of a group exclude each other.
  TCondition state, marital, sex, notReceived;
  if (CheckBox1->Checked()) {
    if (RadioButton1->Checked()) state = {" and dead_date is null", " ที่ยังมีชีวิตอยู่"};
    if (RadioButton2->Checked()) state = {" and dead_date is not null", " ที่เสียชีวิตแล้ว"};
    // Counting by the date of death already says the members are dead.
    if (RadioButton17->Checked()) state.Text.clear();
    if (RadioButton3->Checked()) state = {" and DateOut is not null", " ที่ย้ายไปสังกัดวัดอื่นแล้ว"};
  }
  if (CheckBox2->Checked()) {
    if (RadioButton9->Checked()) marital = {" and mtmn_date is null", " เป็นโสด"};
    if (RadioButton10->Checked()) marital = {" and mtmn_date is not null", " แต่งงานแล้ว"};
  }
  if (CheckBox3->Checked()) {
    if (RadioButton4->Checked()) sex = {" and sex = 'ชาย'", " เพศชาย "};
    if (RadioButton5->Checked()) sex = {" and sex = 'หญิง'", " เพศหญิง "};
  }
  if (CheckBox4->Checked()) {
    if (RadioButton6->Checked()) notReceived = {" and btsm_date is null", " ยังไม่รับศีลล้างบาป"};
    if (RadioButton7->Checked()) notReceived = {" and cnfm_date is null", " ยังไม่รับศีลกำลัง"};
    if (RadioButton8->Checked()) notReceived = {" and mtmn_date is null", " ยังไม่รับศีลสมรส"};
    if (RadioButton11->Checked()) notReceived = {" and fm_date is null", " ยังไม่รับศีลมหาสนิท"};
  }

  ADOQuery1->Close();
  ADOQuery1->SQL().SetText("select " + MemberColumns() + " from [orvani] where " + date->Column +
                           " between :fromDate and :toDate" + state.Sql + marital.Sql + sex.Sql +
                           notReceived.Sql +
                           " and religion = 'คาทอลิก' order by nm collate THAI, sur collate THAI");
  ADOQuery1->Parameters().ParamByName("fromDate")->SetValue(Variant::FromDate(from));
  ADOQuery1->Parameters().ParamByName("toDate")->SetValue(Variant::FromDate(to));
  ADOQuery1->Open();

  String count = IntToStr(ADOQuery1->RecordCount());
  StatResultText = description + state.Text + marital.Text + sex.Text + notReceived.Text + " รวม " +
                   count + " คน";
  Memo1->Lines()->Add(StatResultText);
  Label4->SetCaption("จำนวน " + count + " คน");
}

void TForm4::Memo1DblClick(TObject*) { Memo1->Clear(); }

void TForm4::Button3Click(TObject*) { Close(); }

ORV_IMPLEMENT_CLASS(TForm4, c) {}

}  // namespace orv
