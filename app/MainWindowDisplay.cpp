// The member on screen: every column in its editor, the full name and photo, the children, the
// moves, and the single-member query the certificates read.
#include "app/MainWindow.h"
#include "app/ParishSchema.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"

namespace orv {

namespace {

bool HasRecord(TDataSet* dataSet) { return dataSet->Active() && !dataSet->IsEmpty(); }

// The member's value of a column; Null when there is no member.
Variant MemberValue(TDataSet* members, const char* column) {
  return HasRecord(members) ? members->FieldByName(column)->Value() : Null();
}

// Points a query at one member's key; a Null key selects nobody.
void OpenForMember(TADOQuery* query, const String& sql, const Variant& id) {
  query->Close();
  query->SQL().SetText(sql);
  query->Parameters().ParamByName("id")->SetValue(id);
  query->Open();
}

}  // namespace

namespace {

// What binding's editor shows of the current record of dataSet (nullptr: no record), and the
// date its picker shows.
String ShownText(TDataSet* dataSet, const TFieldBinding& binding, TDateTime& date) {
  date = Date();
  TField* field = dataSet ? dataSet->FieldByName(binding.Column) : nullptr;
  if (!field || field->IsNull()) return String();
  if (!binding.IsDate) return field->AsString();
  try {
    date = field->AsDateTime();
    return FormatDateTime("d mmmm yyyy", date);
  } catch (const EDatabaseError&) {
    // A value that is no date shows as it is stored rather than stopping the display.
    date = Date();
    return field->DisplayText();
  } catch (const EConvertError& e) {
    // A column the file keeps as something else than dates: which column it is.
    throw EConvertError("คอลัมน์ " + binding.Column + ": " + e.Message());
  }
}

}  // namespace

void ShowRecordFields(TDataSet* dataSet, const std::vector<TFieldBinding>& fields) {
  TDataSet* record = HasRecord(dataSet) ? dataSet : nullptr;
  for (const TFieldBinding& binding : fields) {
    TDateTime date;
    binding.Editor->SetText(ShownText(record, binding, date));
    if (binding.Picker) binding.Picker->SetDate(date);
  }
}

std::vector<String> RecordFieldTexts(TDataSet* dataSet, const std::vector<TFieldBinding>& fields) {
  TDataSet* record = HasRecord(dataSet) ? dataSet : nullptr;
  std::vector<String> texts;
  for (const TFieldBinding& binding : fields) {
    TDateTime date;
    texts.push_back(ShownText(record, binding, date));
  }
  return texts;
}

void ShowRereadFields(TDataSet* dataSet, const std::vector<TFieldBinding>& fields,
                      const std::vector<String>& before) {
  TDataSet* record = HasRecord(dataSet) ? dataSet : nullptr;
  for (size_t i = 0; i < fields.size() && i < before.size(); ++i) {
    const TFieldBinding& binding = fields[i];
    if (binding.Editor->Text() != before[i]) continue;
    TDateTime date;
    String text = ShownText(record, binding, date);
    if (text == before[i]) continue;
    binding.Editor->SetText(text);
    if (binding.Picker) binding.Picker->SetDate(date);
  }
}

void TForm1::ShowFields(TDataSet* dataSet, const std::vector<TFieldBinding>& fields) {
  ShowRecordFields(dataSet, fields);
}

void TForm1::ADOQuery1AfterScroll(TDataSet*) {
  FindDoc();
  FindCopy();
  FindPic();
  Findchild();

  Variant nm = MemberValue(ADOQuery1, "Nm");
  if (nm.IsNull()) {
    LumSmoothButton2->SetHint("");
    LumSmoothButton3->SetHint("");
    LumSmoothButton4->SetHint("");
  } else {
    String name = nm.ToString();
    LumSmoothButton2->SetHint("   เพิ่มข้อมูลบุคคลใหม่\rโดยใช้ที่อยู่ของคุณ  " + name);
    LumSmoothButton3->SetHint("   สร้างข้อมูลการย้าย\rโดยใช้รหัสประจำตัวของคุณ  " + name);
    LumSmoothButton4->SetHint("   สร้างใบแจ้งการสมรส\rจากข้อมูลศีลสมรสของคุณ  " + name);
  }

  Variant id = MemberValue(ADOQuery1, "ID");
  OpenForMember(ADOQuery4, "Select * from Move where OrvID = :id order by ID", id);
  if (!ADOQuery4->IsEmpty()) {
    ADOQuery4->Last();
    SetMoveEditorsEnabled(true);
  } else {
    SetMoveEditorsEnabled(false);
  }
  FindMove();
  OpenForMember(ADOQuery6, "Select " + MemberColumns() + " from Orvani where ID = :id", id);
}

void TForm1::ADOQuery4AfterScroll(TDataSet*) { FindMove(); }

void TForm1::SetMoveEditorsEnabled(bool enabled) {
  enabled = enabled && !readOnly_;
  for (const TFieldBinding& binding : moveFields_) {
    binding.Editor->SetEnabled(enabled);
    if (binding.Picker) binding.Picker->SetEnabled(enabled);
  }
}

void TForm1::FindDoc() {
  comboSaving_.Forget();
  ShowFields(ADOQuery1, memberFields_);
}

void TForm1::FindMove() { ShowFields(ADOQuery4, moveFields_); }

void TForm1::FindFix() { ShowFields(ADOQuery3, settingsFields_); }

void TForm1::FindCopy() {
  Variant nm = MemberValue(ADOQuery1, "Nm");
  Variant sur = MemberValue(ADOQuery1, "sur");
  bool namesShown = !LabeledEdit2->Text().empty() && !LabeledEdit3->Text().empty();
  bool namesStored = !nm.IsNull() && !sur.IsNull();
  String fullName = nm.ToString() + " " + sur.ToString();
  Edit3->SetText(namesShown && namesStored ? fullName : String());
  if (!namesShown)
    Edit4->SetText("Logo.jpg");
  else
    Edit4->SetText(namesStored ? fullName + ".jpg" : String());
  if (!Edit3->Text().empty())
    Image1->SetHint("คลิ๊กเพื่อใส่รูปของคุณ " + Edit3->Text() + "\rขนาดของรูปควรเป็น 340 * 380");
  else
    Image1->SetHint(
        "กรุณาเลือกบุคคลที่มีทั้งชื่อและนามสกุล จึงจะกำหนดรูปให้ได้\rขนาดของรูปควรเป็น 340 * 380");
}

void TForm1::Findchild() {
  // Children are linked to a parent only by the parent's full name in their father's or
  // mother's name; without a full name nobody is a child of this member.
  ADOQuery2->Close();
  if (Edit3->Text().empty()) return;
  ADOQuery2->SQL().SetText(ComboBox2->Text() == "ชาย"
                               ? "select * from [List] where [Papa_Nm] = :name order by birth_date"
                               : "select * from [List] where [Mama_Nm] = :name order by birth_date");
  ADOQuery2->Parameters().ParamByName("name")->SetValue(Edit3->Text());
  ADOQuery2->Open();
}

}  // namespace orv
