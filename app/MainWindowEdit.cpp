// Field-by-field editing: each editor of the member on screen, and of the current move, writes
// its own column. Texts save on Enter, combo boxes and pickers on every change; a member write
// also stamps the day of the change in Update.
#include "app/FieldLayout.h"
#include "app/MainWindow.h"
#include "app/PostEdit.h"
#include "app/TypedDate.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

bool HasRow(const TDataSet* dataSet) { return dataSet->Active() && !dataSet->IsEmpty(); }

// What a text editor stores: trimmed of blanks and control characters, Null when empty.
Variant TextValue(const String& text) { return text.empty() ? Null() : Variant(Trim(text)); }

String LongDate(TField* field) {
  return field->IsNull() ? String() : FormatDateTime("d mmmm yyyy", field->AsDateTime());
}

// One column of the current record written and posted; a member's write also stamps the day
// of the change.
void Write(TDataSet* dataSet, const String& column, const Variant& value, bool stamp) {
  PostEdit(dataSet, [&] {
    dataSet->FieldByName(column)->SetValue(value);
    if (stamp) dataSet->FieldByName("Update")->SetValue(Variant::FromDate(Date()));
  });
}

void SaveOnEnter(TWinControl* editor, std::function<void()> save) {
  editor->OnKeyUp = [save = std::move(save)](TObject*, Word& key, TShiftState) {
    if (key == VK_RETURN) save();
  };
}

}  // namespace

bool TForm1::HasMember() const {
  return HasRow(ADOQuery1) && ADOQuery1->State() == dsBrowse;
}

void TForm1::ShowUpdate() {
  Label7->SetCaption(HasRow(ADOQuery1) ? LongDate(ADOQuery1->FieldByName("Update")) : String());
}

void TForm1::ConnectEditors() {
  for (const TFieldBinding& binding : memberFields_) {
    TControl* editor = binding.Editor;
    String column = binding.Column;
    if (editor == Label7 || editor == LabeledEdit43 || editor == LabeledEdit69) continue;
    if (editor == LabeledEdit17 || editor == LabeledEdit18 || editor == LabeledEdit19 ||
        editor == LabeledEdit20) {
      // The member's own move fields are kept by the moves page; here they are only shown.
      static_cast<TLabeledEdit*>(editor)->SetReadOnly(true);
      static_cast<TWinControl*>(editor)->OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) {
        MoveOnlyKeyUp(s, k, sh);
      };
      continue;
    }
    if (auto* combo = dynamic_cast<TComboBox*>(editor)) {
      auto save = [this, combo, column](bool byEnter) {
        SaveMemberCombo(combo, column, byEnter);
        if (combo == ComboBox2) Findchild();
      };
      combo->OnChange = [save](TObject*) { save(false); };
      // Enter saves the text on screen again, as in every other field: a change the parish
      // refused is not lost with the box.
      SaveOnEnter(combo, [save] { save(true); });
      continue;
    }
    auto* edit = static_cast<TWinControl*>(editor);
    if (binding.Picker) {
      auto* text = static_cast<TLabeledEdit*>(editor);
      // A date may also be typed in its short form beside the picker.
      ShowAsTyped(text);
      TDateTimePicker* picker = binding.Picker;
      SaveOnEnter(edit, [this, text, column, picker] { SaveMemberDate(text, column, picker); });
      picker->OnChange = [this, text, column, picker](TObject*) {
        SaveMemberPicker(picker, column, text);
        if (picker == DateTimePicker7) FindDoc();
      };
      continue;
    }
    SaveOnEnter(edit, [this, edit, column] {
      SaveMemberText(edit, column);
      if (edit == LabeledEdit2 || edit == LabeledEdit3) {
        FindCopy();
        FindPic();
        Findchild();
      } else if (edit == LabeledEdit38) {
        FindDoc();
      } else if (edit != LabeledEdit1) {
        ShowUpdate();
      }
    });
  }

  ShowAsTyped(LabeledEdit59);
  ShowAsTyped(LabeledEdit64);
  SaveOnEnter(LabeledEdit59, [this] {
    SaveMoveDate(LabeledEdit59, "DateIn", DateTimePicker11, LabeledEdit17);
  });
  SaveOnEnter(LabeledEdit64, [this] {
    SaveMoveDate(LabeledEdit64, "DateOut", DateTimePicker12, LabeledEdit19);
  });
  DateTimePicker11->OnChange = [this](TObject*) {
    SaveMovePicker(DateTimePicker11, "DateIn", LabeledEdit59);
  };
  DateTimePicker12->OnChange = [this](TObject*) {
    SaveMovePicker(DateTimePicker12, "DateOut", LabeledEdit64);
  };
  SaveOnEnter(LabeledEdit61, [this] { SaveMoveChurch(LabeledEdit61, "FromChurch", "From_church"); });
  SaveOnEnter(LabeledEdit66, [this] { SaveMoveChurch(LabeledEdit66, "ToChurch", "To_church"); });
  for (const TFieldBinding& binding : moveFields_) {
    auto* edit = static_cast<TLabeledEdit*>(binding.Editor);
    if (binding.IsDate || edit == LabeledEdit61 || edit == LabeledEdit66) continue;
    String column = binding.Column;
    SaveOnEnter(edit, [this, edit, column] { SaveMoveText(edit, column); });
  }
}

void TForm1::WriteMember(const String& Column, const Variant& Value) {
  std::vector<String> shown = RecordFieldTexts(ADOQuery1, memberFields_);
  Write(ADOQuery1, Column, Value, true);
  ShowRereadFields(ADOQuery1, memberFields_, shown);
}

void TForm1::SaveMemberText(TWinControl* Editor, const String& Column) {
  if (!HasMember()) return;
  WriteMember(Column, TextValue(Editor->Text()));
}

void TForm1::SaveMemberCombo(TComboBox* Editor, const String& Column, bool ByEnter) {
  if (!HasMember() || !comboSaving_.Wanted(Editor, ADOQuery1->FieldByName(Column)->AsString(), ByEnter))
    return;
  comboSaving_.Write(Editor, [&] { WriteMember(Column, Editor->Text()); });
  ShowUpdate();
}

void TForm1::SaveMemberDate(TLabeledEdit* Editor, const String& Column, TDateTimePicker* Picker) {
  if (!HasMember()) return;
  TField* field = ADOQuery1->FieldByName(Column);
  try {
    WriteMember(Column, TypedDate(Editor->Text()));
    ShowUpdate();
  } catch (const EConvertError&) {
    ShowMessage(TypedDateMessage);
  }
  Editor->SetText(LongDate(field));
  if (!field->IsNull()) Picker->SetDate(field->AsDateTime());
}

void TForm1::SaveMemberPicker(TDateTimePicker* Picker, const String& Column, TLabeledEdit* Text) {
  if (!HasMember()) return;
  WriteMember(Column, Variant::FromDate(Picker->Date()));
  ShowUpdate();
  Text->SetText(FormatDateTime("d mmmm yyyy", Picker->Date()));
}

void TForm1::SaveMoveText(TLabeledEdit* Editor, const String& Column) {
  // A move is always some member's: without a current move row nothing is written.
  if (!HasMember() || !HasRow(ADOQuery4)) return;
  Write(ADOQuery4, Column, TextValue(Editor->Text()), false);
}

void TForm1::SaveMoveChurch(TLabeledEdit* Editor, const String& MoveColumn,
                            const String& MemberColumn) {
  if (!HasMember() || !HasRow(ADOQuery4)) return;
  SaveMemberText(Editor, MemberColumn);
  SaveMoveText(Editor, MoveColumn);
  FindDoc();
}

void TForm1::SaveMoveDate(TLabeledEdit* Editor, const String& Column, TDateTimePicker* Picker,
                          TLabeledEdit* Shown) {
  if (!HasMember() || !HasRow(ADOQuery4)) return;
  TField* moveField = ADOQuery4->FieldByName(Column);
  try {
    Variant value = TypedDate(Editor->Text());
    Write(ADOQuery4, Column, value, false);
    WriteMember(Column, value);
    Shown->SetText(LongDate(ADOQuery1->FieldByName(Column)));
  } catch (const EConvertError&) {
    ShowMessage(TypedDateMessage);
  }
  Editor->SetText(LongDate(moveField));
  if (!moveField->IsNull()) Picker->SetDate(moveField->AsDateTime());
}

void TForm1::SaveMovePicker(TDateTimePicker* Picker, const String& Column, TLabeledEdit* Text) {
  if (!HasMember() || !HasRow(ADOQuery4)) return;
  Variant value = Variant::FromDate(Picker->Date());
  WriteMember(Column, value);
  Write(ADOQuery4, Column, value, false);
  Text->SetText(FormatDateTime("d mmmm yyyy", Picker->Date()));
  FindDoc();
}

void TForm1::MoveOnlyKeyUp(TObject*, Word&, TShiftState) {
  MessageDlg("กรุณาใส่ข้อมูลใน Tab รายการย้าย", mtConfirmation, TMsgDlgButtons{mbYes}, 0);
}

}  // namespace orv
