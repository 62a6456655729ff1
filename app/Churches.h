#pragma once
// The churches window: the list of churches the parish writes to, kept in place in a grid,
// and the lines of an envelope to the parish priest of one of them.
#include "app/WindowParts.h"
#include "app/MainWindow.h"
#include "platform/gui/Buttons.h"

namespace orv {

class TkvxReport;

// The churches window.
class TForm3 : public TForm {
  ORV_CLASS(TForm3, TForm)

 public:
  explicit TForm3(TComponent* AOwner);

  TADOQuery* ADOQuery1;  // the churches in the order asked for
  TDataSource* DataSource1;
  TDBGrid* DBGrid4;
  TLabel* Label2;    // the count
  TButton* Button1;  // sort by code
  TButton* Button2;  // sort by name
  TButton* Button3;  // sort by general name
  TMainMenu* MainMenu1;
  TMenuItem* N1;  // envelope
  TMenuItem* N2;  // close the window

  // The envelope's lines, filled from the church on screen and the parish, changed at will.
  TPanel* Panel1;
  TEdit* Edit1;      // sender
  TEdit* Edit2;      // sender's address
  TEdit* Edit3;      // salutation
  TEdit* Edit4;      // title of the addressee
  TEdit* Edit5;      // church line
  TEdit* Edit6;      // address
  TEdit* Edit7;      // district and province
  TBitBtn* BitBtn1;  // print
  TBitBtn* BitBtn2;  // cancel

  void FormCreate(TObject* Sender);
  void FormActivate(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Button2Click(TObject* Sender);
  void Button3Click(TObject* Sender);
  void DBGrid4DblClick(TObject* Sender);
  void N1Click(TObject* Sender);
  void BitBtn2Click(TObject* Sender);
  void N2Click(TObject* Sender);

  // The envelope to the church: its lines are the panel's edits as shown.
  TkvxReport* kvxReport1;
  void BitBtn1Click(TObject* Sender);
  void kvxReport1GetValue(const String& VarName, Variant& Value);

 private:
  TFirstActivation firstActivation_{this};
  void OpenSorted(const char* column);
  void CreateEnvelopeReport();
  void ShowCount();
  void CreateEnvelopePanel();
};

extern TForm3* Form3;

}  // namespace orv
