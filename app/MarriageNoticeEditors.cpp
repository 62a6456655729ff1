// The editors of the marriage notifications window: where each sits, the column it shows, and
// how it writes that one column back when the user is done with it.
#include "app/BoundLayout.h"
#include "app/MarriageNotices.h"
#include "app/PostEdit.h"
#include "app/TypedDate.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

constexpr int kMargin = 8;
constexpr int kGroupLeft = kMargin + 330 + 12;
constexpr int kGroupWidth = 250;
constexpr int kGroupGap = 10;
constexpr int kCaptionRoom = 50;

constexpr std::initializer_list<const char*> kReligions = {"คาทอลิก", "คริสเตียน", "พุทธ", "อิสลาม",
                                                           "ซิกซ์"};

const char* const kNumberMessage = "เลขที่ใบแจ้งต้องเป็นตัวเลข";

TGroupBox* NewGroup(TForm2* form, const String& caption, int index, int rows) {
  auto* group = new TGroupBox(form);
  group->SetParent(form);
  group->SetCaption(caption);
  group->SetBounds(kGroupLeft + index * (kGroupWidth + kGroupGap), kMargin, kGroupWidth,
                   rows * TFieldLayout::RowHeight + kCaptionRoom);
  return group;
}

// Lays out the editors of one group and records the column of each.
class TNoticeLayout : public TBoundLayout {
 public:
  TNoticeLayout(TForm2* form, TGroupBox* group, std::vector<TFieldBinding>& fields)
      : TBoundLayout(form, group, fields, kGroupWidth - 20, 10, 28) {}

  // A date typed as text, with the picker beside it.
  void TypedDate(TLabeledEdit*& text, TDateTimePicker*& picker, const char* column,
                 const char* caption) {
    DateWithPicker(text, picker, column, caption);
    ShowAsTyped(text);
  }
  void Religion(TComboBox*& box, const char* column, const char* caption) {
    Choice(box, column, caption, kReligions);
  }
};

}  // namespace

void TForm2::CreateEditors() {
  GroupBox2 = NewGroup(this, "เจ้าบ่าว", 0, 9);
  TNoticeLayout groom(this, GroupBox2, fields_);
  groom.Text(LabeledEdit1, "Groom", "ชื่อเจ้าบ่าว");
  groom.Religion(ComboBox1, "Gr_religion", "ศาสนา");
  groom.Text(LabeledEdit2, "GrBap_place", "สถานที่รับศีลล้างบาป");
  groom.TypedDate(LabeledEdit3, DateTimePicker1, "GrBap_Date", "วันรับศีลล้างบาป");
  groom.Text(LabeledEdit4, "GrBap_No", "เลขทะเบียนศีลล้างบาป");
  groom.Text(LabeledEdit5, "Groom_Fr", "ชื่อบิดา");
  groom.Religion(ComboBox2, "GrFr_religion", "ศาสนาของบิดา");
  groom.Text(LabeledEdit6, "Groom_Mo", "ชื่อมารดา");
  groom.Religion(ComboBox3, "GrMo_religion", "ศาสนาของมารดา");

  GroupBox3 = NewGroup(this, "เจ้าสาว", 1, 9);
  TNoticeLayout bride(this, GroupBox3, fields_);
  bride.Text(LabeledEdit7, "Bride", "ชื่อเจ้าสาว");
  bride.Religion(ComboBox4, "Br_religion", "ศาสนา");
  bride.Text(LabeledEdit8, "BrBap_place", "สถานที่รับศีลล้างบาป");
  bride.TypedDate(LabeledEdit9, DateTimePicker2, "BrBap_Date", "วันรับศีลล้างบาป");
  bride.Text(LabeledEdit10, "BrBap_No", "เลขทะเบียนศีลล้างบาป");
  bride.Text(LabeledEdit11, "Bride_Fr", "ชื่อบิดา");
  bride.Religion(ComboBox5, "BrFr_religion", "ศาสนาของบิดา");
  bride.Text(LabeledEdit12, "Bride_Mo", "ชื่อมารดา");
  bride.Religion(ComboBox6, "BrMo_religion", "ศาสนาของมารดา");

  GroupBox4 = NewGroup(this, "การสมรสและการแจ้ง", 2, 11);
  TNoticeLayout marriage(this, GroupBox4, fields_);
  marriage.Text(LabeledEdit13, "Notify_No", "เลขที่ใบแจ้ง");
  marriage.Text(LabeledEdit14, "MarriageID", "เลขที่ทะเบียนสมรส");
  marriage.TypedDate(LabeledEdit15, DateTimePicker3, "Marriage_Date", "วันสมรส");
  marriage.Text(LabeledEdit16, "Witness1", "พยานคนที่ 1");
  marriage.Text(LabeledEdit17, "Witness2", "พยานคนที่ 2");
  marriage.Text(LabeledEdit18, "Priest", "พระสงฆ์ผู้ประกอบพิธี");
  marriage.Text(LabeledEdit19, "Notify_to", "แจ้งไปยังวัด");
  marriage.TypedDate(LabeledEdit20, DateTimePicker4, "Certify_Date", "วันที่รับรอง");
  marriage.Text(LabeledEdit21, "Certify_By", "ผู้รับรอง");
  marriage.TypedDate(LabeledEdit22, DateTimePicker5, "Return_Date", "วันที่ส่งกลับ");
  marriage.Text(LabeledEdit23, "Return_By", "ผู้ส่งกลับ");

  for (size_t i = 0; i < fields_.size(); ++i) ConnectEditor(i);

  Image1 = new TImage(this);
  Image1->SetParent(this);
  Image1->SetBounds(kGroupLeft, GroupBox2->Top() + GroupBox2->Height() + 10, 150, 200);
  Image1->SetStretch(true);
  Image1->SetProportional(true);
  Image1->SetShowHint(true);
  Image1->OnClick = [this](TObject* sender) { Image1Click(sender); };
}

void TForm2::ConnectEditor(size_t index) {
  // The handlers find their binding by position: the list is complete and fixed by now.
  const TFieldBinding& field = fields_[index];
  if (field.IsDate) {
    static_cast<TEdit*>(field.Editor)->OnKeyUp = [this, index](TObject*, Word& key, TShiftState) {
      DateKeyUp(fields_[index], key);
    };
    field.Picker->OnChange = [this, index](TObject*) { PickerChange(fields_[index]); };
  } else if (auto* combo = dynamic_cast<TComboBox*>(field.Editor)) {
    combo->OnChange = [this, index](TObject*) { ComboChange(fields_[index], false); };
    // Enter saves the text on screen again, as in the other fields.
    combo->OnKeyUp = [this, index](TObject*, Word& key, TShiftState) {
      if (key == VK_RETURN) ComboChange(fields_[index], true);
    };
  } else if (field.Column == "Notify_No") {
    static_cast<TEdit*>(field.Editor)->OnKeyUp = [this, index](TObject*, Word& key, TShiftState) {
      NumberKeyUp(fields_[index], key);
    };
  } else {
    static_cast<TEdit*>(field.Editor)->OnKeyUp = [this, index](TObject*, Word& key, TShiftState) {
      TextKeyUp(fields_[index], key);
    };
  }
}

// A write the database refused is dropped, so the editors and the table agree again. With no
// notification on screen there is nothing to write to: editing an empty data set would insert a
// notification without a number.
void TForm2::WriteColumn(const String& column, const Variant& value) {
  if (!ADOQuery1->Active() || ADOQuery1->IsEmpty()) return;
  PostEdit(ADOQuery1, [&] { ADOQuery1->FieldByName(column)->SetValue(value); });
}

void TForm2::TextKeyUp(const TFieldBinding& field, Word Key) {
  if (Key != VK_RETURN) return;
  String text = field.Editor->Text();
  WriteColumn(field.Column, text.empty() ? Null() : Variant(Trim(text)));
  if (field.Editor == LabeledEdit14) FindPic();
}

void TForm2::NumberKeyUp(const TFieldBinding& field, Word Key) {
  if (Key != VK_RETURN) return;
  String text = Trim(field.Editor->Text());
  Int64 number = 0;
  if (field.Editor->Text().empty()) {
    WriteColumn(field.Column, Null());
  } else if (TryStrToInt64(text, number)) {
    WriteColumn(field.Column, Variant(number));
  } else {
    ShowMessage(kNumberMessage);
  }
  FindDoc();
}

void TForm2::DateKeyUp(const TFieldBinding& field, Word Key) {
  if (Key != VK_RETURN) return;
  try {
    WriteColumn(field.Column, TypedDate(field.Editor->Text()));
  } catch (const EConvertError&) {
    ShowMessage(TypedDateMessage);
  }
  ShowStoredDate(field);
}

void TForm2::ShowStoredDate(const TFieldBinding& field) {
  TField* stored = ADOQuery1->IsEmpty() ? nullptr : ADOQuery1->FieldByName(field.Column);
  if (!stored || stored->IsNull()) {
    field.Editor->SetText("");
    return;
  }
  field.Editor->SetText(FormatDateTime("d mmmm yyyy", stored->AsDateTime()));
  field.Picker->SetDate(stored->AsDateTime());
}

void TForm2::ComboChange(const TFieldBinding& field, bool ByEnter) {
  auto* combo = static_cast<TComboBox*>(field.Editor);
  if (!ADOQuery1->Active() || ADOQuery1->IsEmpty() ||
      !comboSaving_.Wanted(combo, ADOQuery1->FieldByName(field.Column)->AsString(), ByEnter))
    return;
  comboSaving_.Write(combo, [&] { WriteColumn(field.Column, Variant(combo->Text())); });
}

void TForm2::PickerChange(const TFieldBinding& field) {
  TDateTime date = field.Picker->Date();
  WriteColumn(field.Column, Variant::FromDate(date));
  field.Editor->SetText(FormatDateTime("d mmmm yyyy", date));
}

}  // namespace orv
