#pragma once
// The statistics window: members counted and listed by one date column within a range,
// narrowed by living state, marital state, sex and a sacrament not received, with one summary
// line per run.
#include "app/WindowParts.h"
#include "app/MainWindow.h"

namespace orv {

// The statistics window's PDF export filter.
class TkvxPDFExport;

// The statistics window.
class TForm4 : public TForm {
  ORV_CLASS(TForm4, TForm)

 public:
  explicit TForm4(TComponent* AOwner);

  TADOQuery* ADOQuery1;  // the members of the last run
  TDataSource* DataSource1;
  TDBGrid* DBGrid1;
  TMemo* Memo1;    // the summary, a line per run
  TLabel* Label4;  // the count of the last run

  // Which date, and its range.
  TGroupBox* GroupBox4;
  TRadioButton* RadioButton12;  // birth
  TRadioButton* RadioButton13;  // baptism
  TRadioButton* RadioButton14;  // first communion
  TRadioButton* RadioButton15;  // confirmation
  TRadioButton* RadioButton16;  // marriage
  TRadioButton* RadioButton17;  // death
  TDateTimePicker* DateTimePicker1;
  TDateTimePicker* DateTimePicker2;

  // The four condition groups, each switched on by its check box.
  TGroupBox* GroupBox1;
  TCheckBox* CheckBox1;
  TRadioButton* RadioButton1;  // living
  TRadioButton* RadioButton2;  // dead
  TRadioButton* RadioButton3;  // moved out
  TGroupBox* GroupBox2;
  TCheckBox* CheckBox2;
  TRadioButton* RadioButton9;   // single
  TRadioButton* RadioButton10;  // married
  TGroupBox* GroupBox3;
  TCheckBox* CheckBox3;
  TRadioButton* RadioButton4;  // male
  TRadioButton* RadioButton5;  // female
  TGroupBox* GroupBox5;
  TCheckBox* CheckBox4;
  TRadioButton* RadioButton6;   // baptism not received
  TRadioButton* RadioButton7;   // confirmation not received
  TRadioButton* RadioButton8;   // marriage not received
  TRadioButton* RadioButton11;  // first communion not received

  TButton* Button1;                    // run
  TButton* Button2;                    // print the summary
  TButton* Button4;                    // print the list
  TButton* Button3;                    // close
  TLumSmoothButton* LumSmoothButton5;  // to the spreadsheet

  // The description of this window's last run, as its list is titled.
  String StatResultText;

  // Summary and list prints and the spreadsheet export: the reports read this window's own
  // result and settings data sets, never the main window's of the same name.
  TkvxDBDataset* kvxDBDataset1;  // over ADOQuery1
  TkvxDBDataset* kvxDBDataset2;  // over the main window's settings row
  TkvxReport* kvxReport1;        // the summary
  TkvxReport* kvxReport2;        // the lists, by birth date ...
  TkvxReport* kvxReport3;
  TkvxReport* kvxReport4;
  TkvxReport* kvxReport5;
  TkvxReport* kvxReport6;
  TkvxReport* kvxReport7;        // ... to the date of death
  TvwExcelExport* vwExcelExport1;
  TkvxPDFExport* kvxPDFExport1;  // offered by the preview's export menu
  void Button2Click(TObject* Sender);
  void Button4Click(TObject* Sender);
  void LumSmoothButton5Click(TObject* Sender);
  void kvxReport1GetValue(const String& VarName, Variant& Value);
  void kvxReport2GetValue(const String& VarName, Variant& Value);

  void FormActivate(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Button3Click(TObject* Sender);
  void Memo1DblClick(TObject* Sender);

 private:
  TFirstActivation firstActivation_{this};
  void CreateDatePanel();
  void CreateConditionPanels();
  void CreateDocuments();
};

extern TForm4* Form4;

}  // namespace orv
