// The parish settings panel: each editor saves its column of the one settings row on Enter;
// the parish code is picked from the church list.
#include "app/MainWindow.h"
#include "app/PostEdit.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

void TForm1::ConnectSettingsEditors() {
  struct Setting {
    TEdit* TForm1::*Editor;
    const char* Column;
  };
  for (const Setting& s : {Setting{&TForm1::Edit5, "ChurchT"}, Setting{&TForm1::Edit7, "AddrT"},
                           Setting{&TForm1::Edit6, "ChurchE"}, Setting{&TForm1::Edit8, "AddrE"},
                           Setting{&TForm1::Edit9, "Father"}, Setting{&TForm1::Edit12, "Provience"},
                           Setting{&TForm1::Edit13, "Church1"}, Setting{&TForm1::Edit14, "Church2"},
                           Setting{&TForm1::Edit15, "Church3"}}) {
    TEdit* editor = this->*s.Editor;
    String column = s.Column;
    editor->OnKeyUp = [this, editor, column](TObject*, Word& key, TShiftState) {
      if (key == VK_RETURN) SaveSetting(editor, column, false);
    };
  }
  Edit10->OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { Edit10KeyUp(s, k, sh); };
  Edit10->OnDblClick = [this](TObject* sender) { Edit10DblClick(sender); };
  DBGrid4->OnCellClick = [this](TColumn* column) { DBGrid4CellClick(column); };
  DBGrid4->OnExit = [this](TObject* sender) { DBGrid4Exit(sender); };
  ComboBox10->OnSelect = [this](TObject* sender) { ComboBox10Select(sender); };
  ComboBox10->OnClick = [this](TObject* sender) { ComboBox10Click(sender); };
}

namespace {

// The settings row: reports close its query when they end, and Enter must save all the same.
void WriteSetting(TADOQuery* settings, const String& column, const Variant& value) {
  if (!settings->Active()) {
    settings->SQL().SetText("Select * from print");
    settings->Open();
  }
  PostEdit(settings, [&] { settings->FieldByName(column)->SetValue(value); });
}

}  // namespace

void TForm1::SaveSetting(TEdit* Editor, const String& Column, bool Trimmed) {
  String text = Editor->Text();
  WriteSetting(ADOQuery3, Column, text.empty() ? Null() : Variant(Trimmed ? Trim(text) : text));
}

void TForm1::Edit10KeyUp(TObject*, Word& Key, TShiftState) {
  if (Key == VK_RETURN) {
    SaveSetting(Edit10, "ID", false);
    DBGrid4->Hide();
    return;
  }
  if (!DBGrid4->Visible()) DBGrid4->Show();
  if (ADOQuery9->Active()) ADOQuery9->Locate("ID-Church", Edit10->Text(), loPartialKey);
}

void TForm1::Edit10DblClick(TObject*) { Edit10->SelectAll(); }

void TForm1::DBGrid4CellClick(TColumn*) {
  if (ADOQuery9->Active() && !ADOQuery9->IsEmpty())
    Edit10->SetText(ADOQuery9->FieldByName("ID-Church")->AsString() + "-");
}

void TForm1::DBGrid4Exit(TObject*) {
  SaveSetting(Edit10, "ID", true);
  DBGrid4->Hide();
}

void TForm1::ComboBox10Select(TObject*) {
  String religion = ComboBox10->Text();
  WriteSetting(ADOQuery3, "Religion", religion.empty() ? Null() : Variant(religion));
}

void TForm1::ComboBox10Click(TObject*) { DBGrid4->Hide(); }

}  // namespace orv
