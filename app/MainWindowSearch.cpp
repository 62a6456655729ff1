// The search panel: seventeen ways to choose the members of the list, a status and a religion
// filter. Every value the user typed or picked reaches SQL as a bound parameter.
#include "app/MainWindow.h"
#include "app/ParishSchema.h"
#include "platform/gui/Cursors.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"

namespace orv {

namespace {

using TParams = std::vector<std::pair<String, Variant>>;

enum TModeInput { miText, miList, miDay, miPeriod };
// Which record page a mode shows: a page of the pager, or a sacrament sheet.
enum TModePage { mpPersonal, mpBaptism, mpConfirmation, mpMarriage, mpAnointing, mpMoves };

struct TSearchMode {
  TRadioButton* TForm1::*Radio;
  const char* Caption;
  TModeInput Input;
  const char* Label4;
  TRadioButton* TForm1::*Status;
  TModePage Page;
  // The list's values (value-list modes) and, for the others, what the condition compares.
  const char* Expression;
  int ListWidth;
  TMemberOrder Order;
};

// Names sort in Thai order; the collation is the connection's own, never an index's.
constexpr TMemberOrder kByName = kMembersByName;
constexpr TMemberOrder kBySurname = {" order by Sur collate THAI, Nm collate THAI", "Sur, Nm"};
const char* const kWitnessPair = "mtmn_father || '-' || mtmn_mother";

// In the order the panel shows them, column by column; the long captions go last.
const TSearchMode kModes[] = {
    {&TForm1::RadioButton1, "ชื่อ/นามสกุล", miText, "ชื่อ", &TForm1::RadioButton13, mpPersonal,
     "Nm", 0, kByName},
    {&TForm1::RadioButton2, "นักบุญ", miList, "ชื่อนักบุญ", &TForm1::RadioButton13, mpPersonal,
     "st", 200, kByName},
    {&TForm1::RadioButton3, "กลุ่ม/สาย", miList, "กลุ่ม/สาย", &TForm1::RadioButton13, mpPersonal,
     "gang", 150, kByName},
    {&TForm1::RadioButton4, "รหัส", miText, "รหัส", &TForm1::RadioButton13, mpPersonal, "NUM", 0,
     kByName},
    {&TForm1::RadioButton5, "วันเกิด", miDay, "วันเกิด", &TForm1::RadioButton13, mpPersonal,
     "birth_date", 0, {" order by birth_date", "birth_date"}},
    {&TForm1::RadioButton6, "บ้านเลขที่", miText, "บ้านเลขที่", &TForm1::RadioButton13, mpPersonal,
     "Address1", 0,
     {" order by Address1 collate THAI, Address2 collate THAI, Nm collate THAI, Sur collate THAI",
      "Address1, Address2, Nm, Sur"}},
    {&TForm1::RadioButton7, "เลขที่ครอบครัว", miText, "ครอบครัวที่", &TForm1::RadioButton13,
     mpPersonal, "from_family", 0,
     {" order by from_family collate THAI, birth_date", "from_family, birth_date"}},
    {&TForm1::RadioButton8, "ลักษณะงาน", miText, "ลักษณะงาน", &TForm1::RadioButton13, mpPersonal,
     "Occupation", 0, kByName},
    {&TForm1::RadioButton9, "วันมรณะ", miDay, "วันมรณะ", &TForm1::RadioButton14, mpAnointing,
     "dead_date", 0, kByName},
    {&TForm1::RadioButton11, "ผู้ย้ายเข้า", miPeriod, "จาก", &TForm1::RadioButton13, mpMoves,
     "DateIn", 0, {" order by DateIn", "DateIn"}},
    {&TForm1::RadioButton12, "ผู้ย้ายออก", miPeriod, "จาก", &TForm1::RadioButton15, mpMoves,
     "DateOut", 0, {" order by DateOut", "DateOut"}},
    {&TForm1::RadioButton20, "วัดที่ล้างบาป", miList, "วัดที่ล้างบาป", &TForm1::RadioButton13,
     mpBaptism, "btsm_wat", 220, kByName},
    {&TForm1::RadioButton10, "พ่อ/แม่ทูนหัว ศีลล้างบาป", miList, "พ่อ/แม่ทูนหัวศีลล้างบาป",
     &TForm1::RadioButton21, mpBaptism, "btsm_parent", 250, kByName},
    {&TForm1::RadioButton16, "พ่อ/แม่ทูนหัว ศีลกำลัง", miList, "พ่อ/แม่ทูนหัวศีลกำลัง",
     &TForm1::RadioButton13, mpConfirmation, "cnfm_parent", 250, kByName},
    {&TForm1::RadioButton17, "พ่อ/แม่พยาน ศีลสมรส", miList, "พ่อ/แม่พยานศีลสมรส",
     &TForm1::RadioButton13, mpMarriage, kWitnessPair, 250, kByName},
    {&TForm1::RadioButton18, "ชื่อบิดา", miList, "ชื่อบิดา", &TForm1::RadioButton13, mpPersonal,
     "papa_nm", 200, kByName},
    {&TForm1::RadioButton19, "ชื่อมารดา", miList, "ชื่อมารดา", &TForm1::RadioButton13, mpPersonal,
     "mama_nm", 200, kByName},
};

// The panel's geometry: mode radios in three columns above the filters and the inputs.
constexpr int kModeLeft = 8;
constexpr int kModeTop = 26;  // below the group's caption
// Each column as wide as its longest caption ("เลขที่ครอบครัว" in the middle one) and a little room.
constexpr int kModeColumnLeft[] = {0, 96, 214};
constexpr int kModeColumnWidth[] = {96, 118, 158};
constexpr int kModeHeight = 20;
constexpr int kModeRows = 6;
constexpr int kStatusTop = kModeTop + kModeRows * kModeHeight + 2;
constexpr int kReligionTop = kStatusTop + 22;

}  // namespace

void TForm1::CreateSearchModes() {
  for (size_t i = 0; i < std::size(kModes); ++i) {
    const TSearchMode& mode = kModes[i];
    auto* radio = new TRadioButton(this);
    radio->SetParent(GroupBox1);
    radio->SetCaption(mode.Caption);
    size_t column = i / kModeRows;
    radio->SetBounds(kModeLeft + kModeColumnLeft[column],
                     kModeTop + static_cast<int>(i % kModeRows) * kModeHeight,
                     kModeColumnWidth[column], kModeHeight);
    this->*mode.Radio = radio;
  }
  StatusPanel = new TPanel(this);
  StatusPanel->SetParent(GroupBox1);
  StatusPanel->SetBevelOuter(bvNone);
  StatusPanel->SetBounds(kModeLeft, kStatusTop, GroupBox1->Width() - 2 * kModeLeft, 22);
  struct Status {
    TRadioButton* TForm1::*Radio;
    const char* Caption;
    int Width;
  };
  int left = 0;
  for (const Status& s : {Status{&TForm1::RadioButton13, "ยังมีชีวิต", 90},
                          Status{&TForm1::RadioButton14, "เสียชีวิตแล้ว", 95},
                          Status{&TForm1::RadioButton15, "ย้ายออกแล้ว", 95},
                          Status{&TForm1::RadioButton21, "ทั้งหมด", 70}}) {
    auto* radio = new TRadioButton(this);
    radio->SetParent(StatusPanel);
    radio->SetCaption(s.Caption);
    radio->SetBounds(left, 1, s.Width, 20);
    left += s.Width;
    this->*s.Radio = radio;
  }
  CheckBox23 = new TCheckBox(this);
  CheckBox23->SetParent(GroupBox1);
  CheckBox23->SetCaption("เฉพาะผู้นับถือคาทอลิก");
  CheckBox23->SetBounds(kModeLeft, kReligionTop, 190, 20);
  CheckBox24 = new TCheckBox(this);
  CheckBox24->SetParent(GroupBox1);
  CheckBox24->SetCaption("ต่างศาสนา");
  CheckBox24->SetBounds(kModeLeft + 200, kReligionTop, 150, 20);

  ComboBox8 = new TComboBox(this);
  ComboBox8->SetParent(GroupBox1);
  ComboBox8->SetBounds(Edit1->Left(), Edit1->Top(), 200, Edit1->Height());
  ComboBox8->SetDropDownCount(16);
  ComboBox8->Hide();

  // The start-up state, set before the events are connected: the name mode, living members
  // (the filter that applies at start-up), both religions.
  RadioButton1->SetChecked(true);
  RadioButton13->SetChecked(true);
  // Start-up lists every member by name, the name mode's empty search.
  searchedMode_ = RadioButton1;
  CheckBox23->SetChecked(true);
  CheckBox24->SetChecked(true);

  for (const TSearchMode& mode : kModes)
    (this->*mode.Radio)->OnClick = [this](TObject* sender) { SearchModeClick(sender); };
  for (TWinControl* filter : std::initializer_list<TWinControl*>{
           RadioButton13, RadioButton14, RadioButton15, RadioButton21, CheckBox23, CheckBox24})
    filter->OnClick = [this](TObject* sender) { StatusClick(sender); };
  Edit1->OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { Edit1KeyUp(s, k, sh); };
  Edit2->OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { Edit2KeyUp(s, k, sh); };
  Edit1->OnDblClick = [this](TObject* sender) { Edit1DblClick(sender); };
  Edit2->OnDblClick = [this](TObject* sender) { Edit1DblClick(sender); };
  ComboBox8->OnSelect = [this](TObject* sender) { ComboBox8Select(sender); };
  ComboBox8->OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { ComboBox8KeyUp(s, k, sh); };
  Timer1->OnTimer = [this](TObject* sender) { Timer1Timer(sender); };
  DateTimePicker2->OnChange = [this](TObject* sender) { DateTimePicker2Change(sender); };
  DateTimePicker3->OnChange = [this](TObject* sender) { DateTimePicker3Change(sender); };
}

namespace {

const TSearchMode* SelectedMode(const TForm1* form) {
  for (const TSearchMode& mode : kModes)
    if ((form->*mode.Radio)->Checked()) return &mode;
  return nullptr;
}

const TSearchMode& ModeOf(const TForm1* form, TObject* radio) {
  for (const TSearchMode& mode : kModes)
    if (form->*mode.Radio == radio) return mode;
  return kModes[0];
}

}  // namespace

void TForm1::ChkSelect() {
  // The unary plus keeps SQLite from answering a search through the date indexes: most
  // members are living, and an index on their Null dates would select nearly all of them.
  if (RadioButton13->Checked())
    StatusFilter = " and +dead_date is null and +DateOut is null";
  else if (RadioButton14->Checked())
    StatusFilter = " and +dead_date is not null and +DateOut is null";
  else if (RadioButton15->Checked())
    StatusFilter = " and +DateOut is not null";
  else
    StatusFilter = "";
}

namespace {

// The religion clause of the ticked boxes; our own text, no user's.
String ReligionClause(const TForm1* form) {
  bool catholic = form->CheckBox23->Checked(), others = form->CheckBox24->Checked();
  if (catholic && !others) return " and religion = 'คาทอลิก'";
  if (!catholic && others) return " and religion <> 'คาทอลิก'";
  if (!catholic && !others) return " and religion is null";
  return "";
}

}  // namespace

void TForm1::SearchModeClick(TObject* Sender) {
  const TSearchMode& mode = ModeOf(this, Sender);
  Edit1->SetText("");
  Edit2->SetText("");
  bool name = mode.Radio == &TForm1::RadioButton1;
  Edit1->SetVisible(mode.Input == miText);
  Edit2->SetVisible(name);
  ComboBox8->SetVisible(mode.Input == miList);
  DateTimePicker2->SetVisible(mode.Input == miDay || mode.Input == miPeriod);
  DateTimePicker3->SetVisible(mode.Input == miPeriod);
  Label4->SetCaption(name ? "ชื่อ" : mode.Label4);
  Label5->SetVisible(name || mode.Input == miPeriod);
  Label5->SetCaption(name ? "นามสกุล" : "ถึง");
  if (mode.Input == miList) {
    ComboBox8->SetWidth(mode.ListWidth);
    FillValueList(mode.Expression);
  } else if (mode.Input == miDay) {
    DateTimePicker2->SetDate(Date());
  } else if (mode.Input == miPeriod) {
    DateTimePicker2->SetDate(EncodeDate(YearOf(Date()), 1, 1));
    DateTimePicker3->SetDate(EncodeDate(YearOf(Date()), 1, 1));
  }
  if (mode.Input == miText && Edit1->CanFocus()) Edit1->SetFocus();
  if (mode.Input == miList && ComboBox8->CanFocus()) ComboBox8->SetFocus();
  // Checking another status fires its click, which may search at once.
  (this->*mode.Status)->SetChecked(true);
  switch (mode.Page) {
    case mpPersonal: LumSmoothTabPager1->SetActivePage(LumSmoothTabPage1); break;
    case mpMoves: LumSmoothTabPager1->SetActivePage(LumSmoothTabPage4); break;
    default: {
      LumSmoothTabPager1->SetActivePage(LumSmoothTabPage2);
      TTabSheet* sheets[] = {TabSheet1, TabSheet3, TabSheet4, TabSheet5};
      PageControl2->SetActivePage(sheets[mode.Page - mpBaptism]);
    }
  }
}

void TForm1::FillValueList(const String& Expression) {
  ComboBox8->Clear();
  ComboBox8->Items()->Clear();
  ADOQuery8->Close();
  // The expression is one of ours, never a user's text.
  ADOQuery8->SQL().SetText("select distinct " + Expression + " as Value from Orvani order by " +
                           Expression + " collate THAI");
  ADOQuery8->Open();
  TField* value = ADOQuery8->Fields()[0];
  for (ADOQuery8->First(); !ADOQuery8->Eof(); ADOQuery8->Next())
    if (!value->IsNull()) ComboBox8->Items()->Add(value->AsString());
  ADOQuery8->Close();
}

void TForm1::StatusClick(TObject*) {
  ChkSelect();
  FindData();
}

void TForm1::FindData() {
  if (Edit1->Visible() && Edit1->CanFocus()) Edit1->SetFocus();
  const TSearchMode* mode = SelectedMode(this);
  if (!mode) return;
  if (mode->Radio == &TForm1::RadioButton5) FindBirthday();
  if (mode->Radio == &TForm1::RadioButton9) FindDead();
  if (mode->Radio == &TForm1::RadioButton11) FindMoveIn();
  if (mode->Radio == &TForm1::RadioButton12) FindMoveOut();
  if (mode->Input == miList) Timer1->SetEnabled(true);
}

namespace {

String MemberSelect(const String& Condition, bool WithPair) {
  if (!WithPair) return "Select " + MemberColumns() + " from Orvani" + (Condition.empty() ? "" : " where " + Condition);
  // The pair column makes the list read whole rows at once; choosing the members first by what
  // the condition reads lets SQLite look at a narrow index instead of every member's row.
  return "Select " + MemberColumns() + ", " + String(kWitnessPair) +
         " as FaMo from Orvani where ID in (select ID from Orvani where " + Condition + ")";
}

}  // namespace

String WithWitnessPair(const String& Select) {
  if (Select.find(" as FaMo ") != String::npos) return Select;
  return "Select *, " + String(kWitnessPair) + " as FaMo from (" + Select + ")";
}

void SetMemberList(TADOQuery* query, const String& Condition, const TMemberOrder& Order,
                   bool WithPair) {
  // The list sorts its rows itself: it then reads only the keys of the members to put them in
  // Thai order, and the rest of a member when the member is shown.
  query->SQL().SetText(MemberSelect(Condition, WithPair));
  query->SetSort(Order.Sort);
}

void TForm1::OpenMembers(const String& Condition, const TMemberOrder& Order, const TParams& Params,
                         bool WithPair) {
  const TSearchMode* mode = SelectedMode(this);
  searchedMode_ = mode ? this->*mode->Radio : nullptr;
  CurrentSelect = MemberSelect(Condition, WithPair);
  CurrentOrder = Order.Clause;
  // The export copy gets the same rows: the statement and its values, opened by the export.
  for (TADOQuery* query : {ADOQuery10, ADOQuery1}) {
    query->Close();
    SetMemberList(query, Condition, Order, WithPair);
    for (const auto& [name, value] : Params) query->Parameters().ParamByName(name)->SetValue(value);
  }
  ADOQuery1->Open();
  Label3->SetCaption("จำนวนข้อมูล  " + IntToStr(ADOQuery1->RecordCount()) + " รายการ");
  bool any = !ADOQuery1->IsEmpty();
  LumSmoothButton2->SetEnabled(any);
  LumSmoothButton3->SetEnabled(any);
  LumSmoothButton4->SetEnabled(any);
  // An empty list scrolls nowhere; the display, the moves and the single-member query must
  // still leave the member shown before.
  if (!any) ADOQuery1AfterScroll(ADOQuery1);
}

bool TForm1::SearchedBySelectedMode() {
  const TSearchMode* mode = SelectedMode(this);
  if (!mode) return false;
  TRadioButton* radio = this->*mode->Radio;
  if (searchedMode_ != radio && mode->Input == miDay) FindDay(radio);
  if (searchedMode_ != radio && mode->Input == miPeriod) FindPeriod(radio);
  return searchedMode_ == radio;
}

void TForm1::FindText(bool BySurname) {
  THourGlass hourGlass;
  ChkSelect();
  const TSearchMode* mode = SelectedMode(this);
  if (!mode || mode->Input != miText) return;
  String r = ReligionClause(this);
  String text = Edit1->Text();
  String condition;
  TMemberOrder order = mode->Order;
  TParams params;
  if (mode->Radio == &TForm1::RadioButton1) {
    String surname = Edit2->Text();
    if (BySurname && text.empty()) {
      condition = "sur like :s";
      params.push_back({"s", surname + "%"});
      order = kBySurname;
    } else {
      condition = "nm like :t";
      params.push_back({"t", text + "%"});
      if (BySurname || !surname.empty()) {
        condition += " and sur like :s";
        params.push_back({"s", surname + "%"});
      }
    }
    condition += r + StatusFilter;
  } else if (mode->Radio == &TForm1::RadioButton7) {
    condition = "from_family = :t" + r + StatusFilter + " or family_no = :t" + r + StatusFilter;
    params.push_back({"t", text});
  } else if (mode->Radio == &TForm1::RadioButton8) {
    condition = "Occupation like :t" + r + StatusFilter;
    params.push_back({"t", "%" + text + "%"});
  } else {
    condition = String(mode->Expression) + " like :t" + r + StatusFilter;
    params.push_back({"t", text + "%"});
  }
  OpenMembers(condition, order, params);
}

void TForm1::Edit1KeyUp(TObject*, Word& Key, TShiftState) {
  if (Key == VK_RETURN) FindText(false);
}

void TForm1::Edit2KeyUp(TObject*, Word& Key, TShiftState) {
  if (Key == VK_RETURN) FindText(true);
}

void TForm1::Edit1DblClick(TObject*) {
  Edit1->SetText("");
  Edit2->SetText("");
}

void TForm1::ComboBox8Select(TObject*) { Timer1->SetEnabled(true); }

void TForm1::ComboBox8KeyUp(TObject*, Word&, TShiftState) { Timer1->SetEnabled(true); }

void TForm1::Timer1Timer(TObject*) {
  THourGlass hourGlass;
  Timer1->SetEnabled(false);
  ChkSelect();
  const TSearchMode* mode = SelectedMode(this);
  if (!mode || mode->Input != miList) return;
  if (!CheckBox23->Checked() && !CheckBox24->Checked()) {
    OpenMembers("0", kByName, {});
    return;
  }
  bool pair = mode->Radio == &TForm1::RadioButton17;
  String value = ComboBox8->Text();
  // Without a wildcard LIKE matches the whole value, blind to the case of Latin letters only;
  // so does equality under NOCASE, which SQLite tests without decoding each character.
  bool pattern = value.find_first_of("%_") != String::npos;
  OpenMembers(String(mode->Expression) + (pattern ? " like :v" : " = :v collate nocase") +
                  ReligionClause(this) + StatusFilter,
              mode->Order, {{"v", value}}, pair);
}

void TForm1::FindDay(TRadioButton* Mode) {
  THourGlass hourGlass;
  ChkSelect();
  const TSearchMode& mode = ModeOf(this, Mode);
  // Any year: the month and day of the stored ISO date (an index holds the same expression).
  String monthDay = FormatDateTime("mm\"-\"dd", DateTimePicker2->Date());
  OpenMembers("substr(" + String(mode.Expression) + ", 6, 5) = :d" + ReligionClause(this) +
                  StatusFilter,
              mode.Order, {{"d", monthDay}});
}

void TForm1::FindPeriod(TRadioButton* Mode) {
  THourGlass hourGlass;
  ChkSelect();
  const TSearchMode& mode = ModeOf(this, Mode);
  OpenMembers(String(mode.Expression) + " between :d1 and :d2" +
                  ReligionClause(this) + StatusFilter,
              mode.Order,
              {{"d1", Variant::FromDate(DateTimePicker2->Date())},
               {"d2", Variant::FromDate(DateTimePicker3->Date())}});
}

void TForm1::FindBirthday() { FindDay(RadioButton5); }
void TForm1::FindDead() { FindDay(RadioButton9); }
void TForm1::FindMoveIn() { FindPeriod(RadioButton11); }
void TForm1::FindMoveOut() { FindPeriod(RadioButton12); }

void TForm1::DateTimePicker2Change(TObject*) {
  ChkSelect();
  if (RadioButton5->Checked()) FindBirthday();
  if (RadioButton9->Checked()) FindDead();
  if (RadioButton11->Checked()) FindMoveIn();
  if (RadioButton12->Checked()) FindMoveOut();
}

void TForm1::DateTimePicker3Change(TObject*) {
  ChkSelect();
  if (RadioButton11->Checked()) FindMoveIn();
  if (RadioButton12->Checked()) FindMoveOut();
}

}  // namespace orv
