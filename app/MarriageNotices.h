#pragma once
// The marriage notifications window: the notifications exchanged with other parishes, listed,
// searched by six keys, edited field by field, numbered, deleted, and given a wedding picture.
#include "app/WindowParts.h"
#include <vector>

#include "app/MainWindow.h"
#include "platform/gui/Buttons.h"

namespace orv {

class TkvxDBDataset;
class TkvxPDFExport;
class TkvxReport;

// The marriage notifications window.
class TForm2 : public TForm {
  ORV_CLASS(TForm2, TForm)

 public:
  explicit TForm2(TComponent* AOwner);

  // The notifications on screen; its current row is the one in the editors.
  TADOQuery* ADOQuery1;
  // The main window's look-up for a member's notification.
  TADOQuery* ADOQuery2;
  TDataSource* DataSource1;
  TDBGrid* DBGrid1;
  TLabel* Label8;  // the count
  TOpenPictureDialog* OpenPictureDialog1;

  TMainMenu* MainMenu1;
  TMenuItem* N2;  // print the notification
  TMenuItem* N3;  // close the window

  // Search.
  TGroupBox* GroupBox1;
  TRadioButton* RadioButton1;  // groom
  TRadioButton* RadioButton2;  // bride
  TRadioButton* RadioButton3;  // notification number
  TRadioButton* RadioButton4;  // marriage register number
  TRadioButton* RadioButton5;  // witness
  TRadioButton* RadioButton6;  // priest
  TLabel* Label1;
  TEdit* Edit1;
  TBitBtn* BitBtn1;  // a new notification typed in whole

  // The notification: groom, bride, the marriage and its notice.
  TGroupBox* GroupBox2;
  TGroupBox* GroupBox3;
  TGroupBox* GroupBox4;
  TLabeledEdit* LabeledEdit1;
  TLabeledEdit* LabeledEdit2;
  TLabeledEdit* LabeledEdit3;
  TLabeledEdit* LabeledEdit4;
  TLabeledEdit* LabeledEdit5;
  TLabeledEdit* LabeledEdit6;
  TLabeledEdit* LabeledEdit7;
  TLabeledEdit* LabeledEdit8;
  TLabeledEdit* LabeledEdit9;
  TLabeledEdit* LabeledEdit10;
  TLabeledEdit* LabeledEdit11;
  TLabeledEdit* LabeledEdit12;
  TLabeledEdit* LabeledEdit13;
  TLabeledEdit* LabeledEdit14;
  TLabeledEdit* LabeledEdit15;
  TLabeledEdit* LabeledEdit16;
  TLabeledEdit* LabeledEdit17;
  TLabeledEdit* LabeledEdit18;
  TLabeledEdit* LabeledEdit19;
  TLabeledEdit* LabeledEdit20;
  TLabeledEdit* LabeledEdit21;
  TLabeledEdit* LabeledEdit22;
  TLabeledEdit* LabeledEdit23;
  TComboBox* ComboBox1;
  TComboBox* ComboBox2;
  TComboBox* ComboBox3;
  TComboBox* ComboBox4;
  TComboBox* ComboBox5;
  TComboBox* ComboBox6;
  TDateTimePicker* DateTimePicker1;
  TDateTimePicker* DateTimePicker2;
  TDateTimePicker* DateTimePicker3;
  TDateTimePicker* DateTimePicker4;
  TDateTimePicker* DateTimePicker5;
  TImage* Image1;

  // The picture of the notification on screen, kept per window so that two windows never
  // show or print each other's: the file printed ("ExPath"), whether it was found ("OK" or
  // "NoOK"), and the file shown (the logo when none was found).
  String NotifyPicturePath;
  String NotifyPictureStatus;
  String NotifyPhotoFileName;

  void FormCreate(TObject* Sender);
  void FormActivate(TObject* Sender);
  void ADOQuery1AfterScroll(TDataSet* DataSet);
  void FindDoc();
  void FindPic();
  void Image1Click(TObject* Sender);
  // The six search keys share one handler: the sender is the key chosen.
  void RadioButtonClick(TObject* Sender);
  void Edit1KeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void BitBtn1Click(TObject* Sender);
  void DBGrid1DblClick(TObject* Sender);
  void N3Click(TObject* Sender);

  // The notification's print: this window's current notification and the main window's
  // settings row.
  TkvxDBDataset* kvxDBDataset1;
  TkvxDBDataset* kvxDBDataset2;
  TkvxReport* kvxReport1;
  TkvxPDFExport* kvxPDFExport1;
  void N2Click(TObject* Sender);
  void kvxReport1GetValue(const String& VarName, Variant& Value);

  // Which editor shows which column.
  const std::vector<TFieldBinding>& NoticeFields() const { return fields_; }
  // The number a new notification gets: one more than the highest of the whole table.
  Int64 NextNotifyNo();
  // The file of the picture of a marriage number: "<AppPath>/Picture/<number>.jpg", with any
  // character that would lead out of the folder replaced.
  static String PictureFileFor(const String& marriageId);

 private:
  TFirstActivation firstActivation_{this};
  void CreateSearchPanel();
  void CreateEditors();
  void ShowCount();
  // The editors' writes, one column of the current notification each.
  void TextKeyUp(const TFieldBinding& field, Word Key);
  void NumberKeyUp(const TFieldBinding& field, Word Key);
  void DateKeyUp(const TFieldBinding& field, Word Key);
  void ComboChange(const TFieldBinding& field, bool ByEnter);
  void PickerChange(const TFieldBinding& field);
  void ShowStoredDate(const TFieldBinding& field);
  void WriteColumn(const String& column, const Variant& value);
  void ConnectEditor(size_t index);
  void CreateNoticeReport();

  std::vector<TFieldBinding> fields_;
  TComboSaving comboSaving_;
};

extern TForm2* Form2;

}  // namespace orv
