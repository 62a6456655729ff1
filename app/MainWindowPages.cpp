// The four record pages of the main window: each editor, its caption and the column it shows.
#include "app/BoundLayout.h"
#include "app/MainWindow.h"
#include "app/WindowParts.h"

namespace orv {

namespace {

constexpr std::initializer_list<const char*> kReligions = {"คาทอลิก", "คริสต์เตียน", "พุทธ",
                                                           "อิสลาม", "ซิกซ์"};

TTabSheet* NewSheet(TComponent* owner, TPageControl* control, const String& caption) {
  auto* sheet = new TTabSheet(owner);
  sheet->SetPageControl(control);
  sheet->SetCaption(caption);
  return sheet;
}

TPageControl* NewPageControl(TComponent* owner, TWinControl* parent) {
  auto* control = new TPageControl(owner);
  control->SetParent(parent);
  control->SetAlign(alClient);
  return control;
}

}  // namespace

void TForm1::CreatePersonalPage() {
  TBoundLayout page(this, LumSmoothTabPage1, memberFields_, 200);
  page.Text(LabeledEdit1, "NUM", "รหัสประจำตัว");
  page.Text(LabeledEdit2, "Nm", "ชื่อ");
  page.Text(LabeledEdit3, "sur", "นามสกุล");
  page.Text(LabeledEdit4, "st", "ชื่อนักบุญ");
  page.DateWithPicker(LabeledEdit70, DateTimePicker1, "birth_date", "วันเกิด");
  page.Choice(ComboBox1, "religion", "ศาสนา", kReligions);
  page.Choice(ComboBox2, "sex", "เพศ", {"ชาย", "หญิง"});
  page.Text(LabeledEdit7, "tel", "โทรศัพท์");
  page.Text(LabeledEdit8, "e_mail", "อีเมล");
  page.Text(LabeledEdit9, "old_nm", "ชื่อเดิม");
  page.Text(LabeledEdit10, "Old_sur", "นามสกุลเดิม");
  page.NextColumn();
  page.Text(LabeledEdit5, "Address1", "บ้านเลขที่");
  page.Text(LabeledEdit6, "Address2", "อำเภอ/จังหวัด");
  page.Text(LabeledEdit11, "gang", "กลุ่ม/สาย");
  page.Text(LabeledEdit12, "from_family", "มาจากครอบครัวที่");
  page.DateText(LabeledEdit17, "DateIn", "วันย้ายเข้า");
  page.Text(LabeledEdit18, "from_church", "ย้ายมาจากวัด");
  page.DateText(LabeledEdit19, "DateOut", "วันย้ายออก");
  page.Text(LabeledEdit20, "To_church", "ย้ายไปวัด");
  page.Notes(Memo1, "Occupation", "อาชีพ/การงาน", 3);
  page.NextColumn();
  page.Text(LabeledEdit13, "papa_nm", "ชื่อบิดา");
  page.Text(LabeledEdit14, "papa_st", "นักบุญของบิดา");
  page.Choice(ComboBox3, "papa_relig", "ศาสนาของบิดา", kReligions);
  page.Text(LabeledEdit15, "mama_nm", "ชื่อมารดา");
  page.Text(LabeledEdit16, "Mama_st", "นักบุญของมารดา");
  page.Choice(ComboBox4, "Mama_relig", "ศาสนาของมารดา", kReligions);
  LabeledEdit13->OnClick = [this](TObject* sender) { LabeledEdit13Click(sender); };
  LabeledEdit15->OnClick = [this](TObject* sender) { LabeledEdit15Click(sender); };
}

void TForm1::CreateSacramentPages() {
  PageControl2 = NewPageControl(this, LumSmoothTabPage2);
  TabSheet1 = NewSheet(this, PageControl2, "ศีลล้างบาป");
  TabSheet2 = NewSheet(this, PageControl2, "ศีลมหาสนิท");
  TabSheet3 = NewSheet(this, PageControl2, "ศีลกำลัง");
  TabSheet4 = NewSheet(this, PageControl2, "ศีลสมรส");
  TabSheet5 = NewSheet(this, PageControl2, "ศีลเจิมคนไข้");
  const int width = 300;

  TBoundLayout baptism(this, TabSheet1, memberFields_, width);
  baptism.DateWithPicker(LabeledEdit21, DateTimePicker4, "btsm_date", "วันรับศีลล้างบาป");
  baptism.Text(LabeledEdit22, "btsm_No", "เลขทะเบียนศีลล้างบาป");
  baptism.Text(LabeledEdit23, "btsm_wat", "สถานที่ (วัด)");
  baptism.Text(LabeledEdit26, "btsm_priest", "ผู้ประกอบพิธี");
  baptism.NextColumn();
  baptism.Text(LabeledEdit24, "btsm_parent", "พ่อ/แม่ทูนหัว");
  baptism.Text(LabeledEdit25, "btsm_st", "นักบุญของพ่อ/แม่ทูนหัว");
  baptism.Notes(Memo2, "note1", "หมายเหตุ", 4);

  TBoundLayout communion(this, TabSheet2, memberFields_, width);
  communion.DateWithPicker(LabeledEdit27, DateTimePicker5, "fm_date", "วันรับศีลมหาสนิทครั้งแรก");
  communion.Text(LabeledEdit28, "fm_No", "เลขทะเบียนศีลมหาสนิท");
  communion.Text(LabeledEdit29, "fm_wat", "สถานที่ (วัด)");
  communion.Text(LabeledEdit30, "fm_priest", "ผู้ประกอบพิธี");
  communion.NextColumn();
  communion.Notes(Memo3, "note2", "หมายเหตุ", 4);

  TBoundLayout confirmation(this, TabSheet3, memberFields_, width);
  confirmation.DateWithPicker(LabeledEdit31, DateTimePicker6, "cnfm_date", "วันรับศีลกำลัง");
  confirmation.Text(LabeledEdit32, "cnfm_No", "เลขทะเบียนศีลกำลัง");
  confirmation.Text(LabeledEdit33, "cnfm_wat", "สถานที่ (วัด)");
  confirmation.Text(LabeledEdit36, "cnfm_priest", "ผู้ประกอบพิธี");
  confirmation.NextColumn();
  confirmation.Text(LabeledEdit34, "cnfm_parent", "พ่อ/แม่ทูนหัว");
  confirmation.Text(LabeledEdit35, "cnfm_st", "นักบุญของพ่อ/แม่ทูนหัว");
  confirmation.Notes(Memo4, "note3", "หมายเหตุ", 4);

  PageControl3 = NewPageControl(this, TabSheet4);
  TabSheet6 = NewSheet(this, PageControl3, "ข้อมูลศีลสมรส");
  TabSheet7 = NewSheet(this, PageControl3, "ข้อมูลคู่สมรส");
  TBoundLayout marriage(this, TabSheet6, memberFields_, width);
  marriage.DateWithPicker(LabeledEdit37, DateTimePicker7, "mtmn_date", "วันรับศีลสมรส");
  marriage.Text(LabeledEdit38, "mtmn_No", "เลขทะเบียนศีลสมรส");
  marriage.Text(LabeledEdit39, "refer1", "เลขที่เอกสารสอบถามก่อนสมรส");
  marriage.Text(LabeledEdit40, "refer2", "เลขที่หนังสืออนุญาตพิเศษ");
  marriage.Text(LabeledEdit41, "from_family", "มาจากครอบครัวที่");
  marriage.Text(LabeledEdit42, "family_no", "เลขที่ครอบครัวใหม่");
  marriage.Text(LabeledEdit49, "mtmn_wat", "สถานที่ (วัด)");
  marriage.Text(LabeledEdit50, "mtmn_priest", "พระสงฆ์ผู้ประกอบพิธี");
  marriage.NextColumn();
  marriage.Text(LabeledEdit45, "mtmn_father", "พยานฝ่ายชาย");
  marriage.Text(LabeledEdit46, "Mtmn_fatherSt", "นักบุญของพยานฝ่ายชาย");
  marriage.Text(LabeledEdit47, "mtmn_mother", "พยานฝ่ายหญิง");
  marriage.Text(LabeledEdit48, "mtmn_motherSt", "นักบุญของพยานฝ่ายหญิง");
  marriage.Notes(Memo5, "note4", "หมายเหตุ", 3);

  TBoundLayout spouse(this, TabSheet7, memberFields_, width);
  spouse.Text(LabeledEdit43, "couple_nm", "ชื่อ-นามสกุลคู่สมรส");
  spouse.Text(LabeledEdit44, "couple_St", "นักบุญของคู่สมรส");
  spouse.Text(LabeledEdit69, "couple_No", "รหัสประจำตัวคู่สมรส");
  spouse.Choice(ComboBox5, "couple_religion", "ศาสนาของคู่สมรส", kReligions);
  spouse.DateWithPicker(LabeledEdit71, DateTimePicker13, "couple_btsmDate", "วันรับศีลล้างบาป");
  spouse.Text(LabeledEdit72, "couple_btsmNo", "เลขทะเบียนศีลล้างบาป");
  spouse.Text(LabeledEdit73, "couple_btsmPlace", "สถานที่รับศีลล้างบาป");
  spouse.Text(LabeledEdit74, "couple_Church", "สังกัดวัด");
  spouse.NextColumn();
  spouse.Text(LabeledEdit75, "couple_FrNm", "ชื่อบิดาของคู่สมรส");
  spouse.Text(LabeledEdit76, "couple_FrSt", "นักบุญของบิดา");
  spouse.Choice(ComboBox6, "couple_FrRelig", "ศาสนาของบิดา", kReligions);
  spouse.Text(LabeledEdit77, "couple_MoNm", "ชื่อมารดาของคู่สมรส");
  spouse.Text(LabeledEdit78, "couple_MoSt", "นักบุญของมารดา");
  spouse.Choice(ComboBox7, "couple_MoRelig", "ศาสนาของมารดา", kReligions);
  spouse.Notes(Memo7, "Couple_Memo", "หมายเหตุ", 3);

  TBoundLayout anointing(this, TabSheet5, memberFields_, width);
  anointing.DateWithPicker(LabeledEdit51, DateTimePicker8, "fimn_date", "วันรับศีลเจิมคนไข้");
  anointing.NextColumn();
  anointing.Text(LabeledEdit52, "fimn_priest", "ผู้ประกอบพิธี");
  GroupBox2 = new TGroupBox(this);
  GroupBox2->SetParent(TabSheet5);
  GroupBox2->SetCaption("บัญชีมรณะ");
  GroupBox2->SetBounds(TBoundLayout::PageInset - 4, anointing.Bottom() + 8, 2 * width + 30, 330);
  // A labelled edit's caption stands a little above its row.
  TBoundLayout death(this, GroupBox2, memberFields_, width, 8, GroupBox2->CaptionRect().Bottom + 8);
  death.Text(LabeledEdit53, "dead_No", "เลขทะเบียนมรณะ");
  death.Text(LabeledEdit54, "Citydead_No", "เลขที่ใบมรณบัตร");
  death.DateWithPicker(LabeledEdit55, DateTimePicker9, "dead_date", "วันเสียชีวิต");
  death.Notes(Memo6, "reason", "หมายเหตุ", 3);
  death.NextColumn();
  death.DateWithPicker(LabeledEdit56, DateTimePicker10, "keep_date", "วันฝังศพ");
  death.Text(LabeledEdit57, "keep_place", "สถานที่ฝังศพ");
  death.Text(LabeledEdit58, "keep_priest", "ผู้ประกอบพิธีฝังศพ");
}

void TForm1::CreateChildrenPage() {
  DBGrid2 = new TDBGrid(this);
  DBGrid2->SetParent(LumSmoothTabPage3);
  DBGrid2->SetAlign(alClient);
  DBGrid2->SetDataSource(DataSource2);
  AddColumns(DBGrid2, {{"St", "นักบุญ", 80}, {"NM", "ชื่อ", 90}, {"Sur", "นามสกุล", 95},
                       {"Address1", "ที่อยู่", 90}, {"Address2", "อำเภอ/จังหวัด", 130},
                       {"tel", "โทรศัพท์", 90}, {"Occupation", "อาชีพ", 90}});
}

void TForm1::CreateMovesPage() {
  DBGrid3 = new TDBGrid(this);
  DBGrid3->SetParent(LumSmoothTabPage4);
  DBGrid3->SetBounds(4, 4, LumSmoothTabPager1->Width() - 20, 250);
  DBGrid3->SetDataSource(DataSource3);
  DBGrid3->SetReadOnly(true);
  DBGrid3->SetOptions(DBGrid3->Options() + TDBGridOptions{dgRowSelect});
  AddColumns(DBGrid3, {{"ID", nullptr, 45}, {"Num", "รหัส", 100}, {"MoveToNo", "เลขที่ย้ายออก", 80},
                       {"DateIn", "วันย้ายเข้า", 80}, {"FromChurch", "ย้ายมาจาก", 120},
                       {"DateOut", "วันย้ายออก", 80}, {"ToChurch", "ย้ายไป", 120}});

  TBoundLayout move(this, LumSmoothTabPage4, moveFields_, 300, TBoundLayout::PageInset, 266);
  move.DateWithPicker(LabeledEdit59, DateTimePicker11, "DateIn", "วันย้ายเข้า");
  move.Text(LabeledEdit60, "MoveInBy", "ผู้รับย้ายเข้า");
  move.Text(LabeledEdit61, "FromChurch", "ย้ายมาจากวัด");
  move.Text(LabeledEdit62, "MoveFromNo", "เลขที่หนังสือย้ายมา");
  move.Text(LabeledEdit63, "FromFr", "พระสงฆ์ผู้อนุญาตให้ย้ายมา");
  move.NextColumn();
  move.DateWithPicker(LabeledEdit64, DateTimePicker12, "DateOut", "วันย้ายออก");
  move.Text(LabeledEdit65, "MoveOutBy", "ผู้อนุญาตให้ย้ายออก");
  move.Text(LabeledEdit66, "ToChurch", "ย้ายไปวัด");
  move.Text(LabeledEdit67, "MoveToNo", "เลขที่หนังสือย้ายออก");
  move.Text(LabeledEdit68, "ReceiveInBy", "ผู้รับย้ายที่วัดใหม่");
}

}  // namespace orv
