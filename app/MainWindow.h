#pragma once
// The main window: the member list and search panel, the four record pages of the member on
// screen, the menu, and the parish database connection that every window of the program uses.
#include "app/ComboSaving.h"
#include "app/WindowParts.h"
#include <utility>
#include <vector>

#include "controls/LumFormStyler.h"
#include "controls/LumSmoothButton.h"
#include "controls/LumSmoothTabPager.h"
#include "platform/db/ADODB.h"
#include "platform/gui/Buttons.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/Timers.h"

namespace orv {

class TkvxDBDataset;
class TkvxPDFExport;
class TkvxReport;
class TvwExcelExport;

// State of the main window's unit, one instance for the whole run; the other windows read it.
// The parish folder, absolute and without a trailing slash; Orvane.db and Picture/ live in it.
// Start-up sets it; the main window takes the default folder when it is empty.
extern String AppPath;
// "<AppPath>/Picture/<photo file name>" of the member on screen.
extern String PhotoFileName;
// The picture actually shown for the member: the photo, or the logo when the photo failed.
extern String ShownPhotoPath;
// The status clause every search appends.
extern String StatusFilter;
// The member selection as SQL text without its order clause.
extern String CurrentSelect;
extern String CurrentOrder;

// One column of a record shown in its editor: text, or a date as "d mmmm yyyy" with an
// optional picker set to it.
struct TFieldBinding {
  String Column;
  TControl* Editor;
  bool IsDate = false;
  TDateTimePicker* Picker = nullptr;
};

// Shows the current record of dataSet in the editors of fields; without a record every editor
// is emptied and every picker shows today.
void ShowRecordFields(TDataSet* dataSet, const std::vector<TFieldBinding>& fields);
// What the editors of fields show of the current record of dataSet, in the order of fields.
std::vector<String> RecordFieldTexts(TDataSet* dataSet, const std::vector<TFieldBinding>& fields);
// Shows the record as read again after a save (another program may have changed it since it was
// shown) in the editors still showing what they showed before, before; what the user typed into
// an editor and has not saved stays.
void ShowRereadFields(TDataSet* dataSet, const std::vector<TFieldBinding>& fields,
                      const std::vector<String>& before);

// An order of the member list: the clause that printing appends to the selection, and the same
// order as the list's own Sort, which puts the rows in order without reading them all.
struct TMemberOrder {
  const char* Clause;
  const char* Sort;
};
inline constexpr TMemberOrder kMembersByName = {" order by Nm collate THAI, Sur collate THAI",
                                                "Nm, Sur"};

// The main window.
class TForm1 : public TForm {
  ORV_CLASS(TForm1, TForm)

 public:
  explicit TForm1(TComponent* AOwner);

  // Data access.
  TADOConnection* ADOConnection1;
  TADOCommand* ADOCommand1;
  TADOQuery* ADOQuery1;   // the member list; its current row is the member on screen
  TADOQuery* ADOQuery2;   // the children of the member
  TADOQuery* ADOQuery3;   // the settings row
  TADOQuery* ADOQuery4;   // the moves of the member
  TADOQuery* ADOQuery5;   // spouse lookups
  TADOQuery* ADOQuery6;   // the member alone, for certificates
  TADOQuery* ADOQuery7;   // the member list as printed
  TADOQuery* ADOQuery8;   // values of the search list
  TADOQuery* ADOQuery9;   // the church list
  TADOQuery* ADOQuery10;  // the member list for the spreadsheet export
  TADOQuery* ADOQuery11;  // schema probes and the move conversion
  TDataSource* DataSource1;
  TDataSource* DataSource2;
  TDataSource* DataSource3;
  TDataSource* DataSource4;
  TTimer* Timer1;
  TOpenPictureDialog* OpenPictureDialog1;
  TLumFormStyler* LumFormStyler1;

  // Menu.
  TMainMenu* MainMenu1;
  TMenuItem* N1;
  TMenuItem* N7;
  TMenuItem* N8;
  TMenuItem* N3;
  TMenuItem* N4;
  TMenuItem* N5;
  TMenuItem* N9;
  TMenuItem* N6;
  TMenuItem* N10;
  TMenuItem* Help1;
  TMenuItem* N2;

  // Search panel and member list.
  TGroupBox* GroupBox1;
  TLabel* Label4;
  TLabel* Label5;
  TEdit* Edit1;
  TEdit* Edit2;
  TDateTimePicker* DateTimePicker2;
  TDateTimePicker* DateTimePicker3;
  TLabel* Label3;
  TDBGrid* DBGrid1;
  // Search modes; the value list; member status and religion filters.
  TRadioButton* RadioButton1;
  TRadioButton* RadioButton2;
  TRadioButton* RadioButton3;
  TRadioButton* RadioButton4;
  TRadioButton* RadioButton5;
  TRadioButton* RadioButton6;
  TRadioButton* RadioButton7;
  TRadioButton* RadioButton8;
  TRadioButton* RadioButton9;
  TRadioButton* RadioButton10;
  TRadioButton* RadioButton11;
  TRadioButton* RadioButton12;
  TRadioButton* RadioButton16;
  TRadioButton* RadioButton17;
  TRadioButton* RadioButton18;
  TRadioButton* RadioButton19;
  TRadioButton* RadioButton20;
  TComboBox* ComboBox8;
  TPanel* StatusPanel;  // holds the status radios, a choice of their own
  TRadioButton* RadioButton13;
  TRadioButton* RadioButton14;
  TRadioButton* RadioButton15;
  TRadioButton* RadioButton21;
  TCheckBox* CheckBox23;
  TCheckBox* CheckBox24;

  // Record pages.
  TLumSmoothTabPager* LumSmoothTabPager1;
  TLumSmoothTabPage* LumSmoothTabPage1;
  TLumSmoothTabPage* LumSmoothTabPage2;
  TLumSmoothTabPage* LumSmoothTabPage3;
  TLumSmoothTabPage* LumSmoothTabPage4;
  TPageControl* PageControl2;
  TTabSheet* TabSheet1;  // baptism
  TTabSheet* TabSheet2;  // first communion
  TTabSheet* TabSheet3;  // confirmation
  TTabSheet* TabSheet4;  // marriage
  TTabSheet* TabSheet5;  // anointing and death
  TPageControl* PageControl3;
  TTabSheet* TabSheet6;  // marriage data
  TTabSheet* TabSheet7;  // spouse
  TGroupBox* GroupBox2;  // the death register
  TDBGrid* DBGrid2;
  TDBGrid* DBGrid3;

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
  TLabeledEdit* LabeledEdit24;
  TLabeledEdit* LabeledEdit25;
  TLabeledEdit* LabeledEdit26;
  TLabeledEdit* LabeledEdit27;
  TLabeledEdit* LabeledEdit28;
  TLabeledEdit* LabeledEdit29;
  TLabeledEdit* LabeledEdit30;
  TLabeledEdit* LabeledEdit31;
  TLabeledEdit* LabeledEdit32;
  TLabeledEdit* LabeledEdit33;
  TLabeledEdit* LabeledEdit34;
  TLabeledEdit* LabeledEdit35;
  TLabeledEdit* LabeledEdit36;
  TLabeledEdit* LabeledEdit37;
  TLabeledEdit* LabeledEdit38;
  TLabeledEdit* LabeledEdit39;
  TLabeledEdit* LabeledEdit40;
  TLabeledEdit* LabeledEdit41;
  TLabeledEdit* LabeledEdit42;
  TLabeledEdit* LabeledEdit43;
  TLabeledEdit* LabeledEdit44;
  TLabeledEdit* LabeledEdit45;
  TLabeledEdit* LabeledEdit46;
  TLabeledEdit* LabeledEdit47;
  TLabeledEdit* LabeledEdit48;
  TLabeledEdit* LabeledEdit49;
  TLabeledEdit* LabeledEdit50;
  TLabeledEdit* LabeledEdit51;
  TLabeledEdit* LabeledEdit52;
  TLabeledEdit* LabeledEdit53;
  TLabeledEdit* LabeledEdit54;
  TLabeledEdit* LabeledEdit55;
  TLabeledEdit* LabeledEdit56;
  TLabeledEdit* LabeledEdit57;
  TLabeledEdit* LabeledEdit58;
  TLabeledEdit* LabeledEdit59;
  TLabeledEdit* LabeledEdit60;
  TLabeledEdit* LabeledEdit61;
  TLabeledEdit* LabeledEdit62;
  TLabeledEdit* LabeledEdit63;
  TLabeledEdit* LabeledEdit64;
  TLabeledEdit* LabeledEdit65;
  TLabeledEdit* LabeledEdit66;
  TLabeledEdit* LabeledEdit67;
  TLabeledEdit* LabeledEdit68;
  TLabeledEdit* LabeledEdit69;
  TLabeledEdit* LabeledEdit70;
  TLabeledEdit* LabeledEdit71;
  TLabeledEdit* LabeledEdit72;
  TLabeledEdit* LabeledEdit73;
  TLabeledEdit* LabeledEdit74;
  TLabeledEdit* LabeledEdit75;
  TLabeledEdit* LabeledEdit76;
  TLabeledEdit* LabeledEdit77;
  TLabeledEdit* LabeledEdit78;
  TDateTimePicker* DateTimePicker1;
  TDateTimePicker* DateTimePicker4;
  TDateTimePicker* DateTimePicker5;
  TDateTimePicker* DateTimePicker6;
  TDateTimePicker* DateTimePicker7;
  TDateTimePicker* DateTimePicker8;
  TDateTimePicker* DateTimePicker9;
  TDateTimePicker* DateTimePicker10;
  TDateTimePicker* DateTimePicker11;
  TDateTimePicker* DateTimePicker12;
  TDateTimePicker* DateTimePicker13;
  TComboBox* ComboBox1;
  TComboBox* ComboBox2;
  TComboBox* ComboBox3;
  TComboBox* ComboBox4;
  TComboBox* ComboBox5;
  TComboBox* ComboBox6;
  TComboBox* ComboBox7;
  TMemo* Memo1;
  TMemo* Memo2;
  TMemo* Memo3;
  TMemo* Memo4;
  TMemo* Memo5;
  TMemo* Memo6;
  TMemo* Memo7;

  // Beside the pages: photo, full name, last change, member buttons.
  TImage* Image1;
  TEdit* Edit3;  // full name, read-only
  TEdit* Edit4;  // photo file name, hidden
  TLabel* Label7;
  TLumSmoothButton* LumSmoothButton1;
  TLumSmoothButton* LumSmoothButton2;
  TLumSmoothButton* LumSmoothButton3;
  TLumSmoothButton* LumSmoothButton4;
  TLumSmoothButton* LumSmoothButton5;
  TLumSmoothButton* LumSmoothButton6;

  // Settings panel, hidden until asked for.
  TGroupBox* GroupBox3;
  TEdit* Edit5;
  TEdit* Edit6;
  TEdit* Edit7;
  TEdit* Edit8;
  TEdit* Edit9;
  TEdit* Edit10;
  TComboBox* ComboBox10;
  TEdit* Edit12;
  TEdit* Edit13;
  TEdit* Edit14;
  TEdit* Edit15;
  TButton* Button1;
  TDBGrid* DBGrid4;
  // Envelope panel, hidden until an envelope is printed.
  TPanel* Panel4;

  // Member documents: the certificate, the move-out notice and the envelope.
  TkvxDBDataset* kvxDBDataset1;  // the member alone (ADOQuery6)
  TkvxDBDataset* kvxDBDataset2;  // the settings row (ADOQuery3)
  TkvxReport* kvxReport1;        // certificate
  TkvxReport* kvxReport2;        // move-out notice
  TkvxReport* kvxReport3;        // envelope
  TkvxPDFExport* kvxPDFExport1;
  TEdit* Edit17;  // salutation, saved as the settings' Sen
  TEdit* Edit18;  // title of the addressee, saved as Prefix
  TEdit* Edit19;  // the member's names
  TEdit* Edit20;  // house number and street
  TEdit* Edit21;  // district and province
  TEdit* Edit22;  // sender church, saved as ChurchT
  TEdit* Edit23;  // sender address, saved as AddrT
  TBitBtn* BitBtn5;  // print the envelope
  TBitBtn* BitBtn6;  // cancel
  void N4Click(TObject* Sender);
  void N5Click(TObject* Sender);
  void N9Click(TObject* Sender);
  void BitBtn5Click(TObject* Sender);
  void BitBtn6Click(TObject* Sender);
  void kvxReport1GetValue(const String& VarName, Variant& Value);
  void kvxReport2GetValue(const String& VarName, Variant& Value);
  void kvxReport3GetValue(const String& VarName, Variant& Value);

  // Window events.
  void FormCreate(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void N1Click(TObject* Sender);
  void N2Click(TObject* Sender);
  void Help1Click(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Edit3Click(TObject* Sender);
  // The other windows, a new one each time, and a marriage notification from the member.
  void N7Click(TObject* Sender);
  void N8Click(TObject* Sender);
  void N10Click(TObject* Sender);
  void LumSmoothButton4Click(TObject* Sender);
  void LabeledEdit13Click(TObject* Sender);
  void LabeledEdit15Click(TObject* Sender);
  // The member's photo: replaced by a chosen file, or taken with the camera.
  void Image1Click(TObject* Sender);
  void LumSmoothButton6Click(TObject* Sender);

  // The member on screen.
  void ADOQuery1AfterScroll(TDataSet* DataSet);
  void ADOQuery4AfterScroll(TDataSet* DataSet);
  void FindDoc();
  void FindCopy();
  void FindPic();
  void Findchild();
  void FindMove();
  // The settings row into the settings panel.
  void FindFix();

  // Search.
  void ChkSelect();
  void SearchModeClick(TObject* Sender);
  void StatusClick(TObject* Sender);
  void FindData();
  void Edit1KeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void Edit2KeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void Edit1DblClick(TObject* Sender);
  void ComboBox8Select(TObject* Sender);
  void ComboBox8KeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void Timer1Timer(TObject* Sender);
  void FindBirthday();
  void FindDead();
  void FindMoveIn();
  void FindMoveOut();
  void DateTimePicker2Change(TObject* Sender);
  void DateTimePicker3Change(TObject* Sender);

  // Member lists and the spreadsheet export: the list as searched, one report per search mode.
  TkvxDBDataset* kvxDBDataset3;  // over ADOQuery7
  TkvxReport* kvxReport4;
  TkvxReport* kvxReport5;
  TkvxReport* kvxReport6;
  TkvxReport* kvxReport7;
  TkvxReport* kvxReport8;
  TkvxReport* kvxReport9;
  TkvxReport* kvxReport10;
  TkvxReport* kvxReport11;
  TkvxReport* kvxReport12;
  TkvxReport* kvxReport13;
  TkvxReport* kvxReport14;
  TkvxReport* kvxReport15;
  TkvxReport* kvxReport16;
  TkvxReport* kvxReport17;
  TkvxReport* kvxReport18;
  TkvxReport* kvxReport19;
  TkvxReport* kvxReport20;
  TvwExcelExport* vwExcelExport1;
  void N6Click(TObject* Sender);
  void LumSmoothButton5Click(TObject* Sender);
  void kvxReport19GetValue(const String& VarName, Variant& Value);
  void kvxReport20GetValue(const String& VarName, Variant& Value);

  // Field-by-field editing of the member and the current move.
  // Writes one column of the member on screen with the day of the change, and shows the member
  // as the save read it back.
  void WriteMember(const String& Column, const Variant& Value);
  void SaveMemberText(TWinControl* Editor, const String& Column);
  void SaveMemberCombo(TComboBox* Editor, const String& Column, bool ByEnter = false);
  void SaveMemberDate(TLabeledEdit* Editor, const String& Column, TDateTimePicker* Picker);
  void SaveMemberPicker(TDateTimePicker* Picker, const String& Column, TLabeledEdit* Text);
  void SaveMoveText(TLabeledEdit* Editor, const String& Column);
  void SaveMoveChurch(TLabeledEdit* Editor, const String& MoveColumn, const String& MemberColumn);
  void SaveMoveDate(TLabeledEdit* Editor, const String& Column, TDateTimePicker* Picker,
                    TLabeledEdit* Shown);
  void SaveMovePicker(TDateTimePicker* Picker, const String& Column, TLabeledEdit* Text);
  void MoveOnlyKeyUp(TObject* Sender, Word& Key, TShiftState Shift);

  // Adding and deleting members and moves.
  void LumSmoothButton1Click(TObject* Sender);
  void LumSmoothButton2Click(TObject* Sender);
  void LumSmoothButton3Click(TObject* Sender);
  void DBGrid1DblClick(TObject* Sender);
  void DBGrid3DblClick(TObject* Sender);

  // The settings panel.
  void SaveSetting(TEdit* Editor, const String& Column, bool Trimmed);
  void Edit10KeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void Edit10DblClick(TObject* Sender);
  void DBGrid4CellClick(TColumn* Column);
  void DBGrid4Exit(TObject* Sender);
  void ComboBox10Select(TObject* Sender);
  void ComboBox10Click(TObject* Sender);

  // Spouse lookups.
  void LabeledEdit43KeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void LabeledEdit69KeyUp(TObject* Sender, Word& Key, TShiftState Shift);

  // Schema upgrades.
  void FindOrvID();
  void FindSen();
  void FindPrefix();
  void UpdateMove();

  // True when the database could only be opened for reading: the editors that would write
  // are disabled.
  bool ReadOnly() const { return readOnly_; }

  // Which editor shows which column of the member, of the current move and of the settings.
  const std::vector<TFieldBinding>& MemberFields() const { return memberFields_; }
  const std::vector<TFieldBinding>& MoveFields() const { return moveFields_; }

 private:
  TFirstActivation firstActivation_{this};
  void CreateDataAccess();
  void CreateMenu();
  void CreateSearchPanel();
  void CreatePersonalPage();
  void CreateSacramentPages();
  void CreateChildrenPage();
  void CreateMovesPage();
  void CreateSidePanel();
  void CreateSettingsPanel();
  void CreateSearchModes();
  void ConnectEditors();
  void ConnectSettingsEditors();
  void ConnectMemberCommands();
  void ConnectSpouseEditors();
  void CreateMemberLists();
  // "ระหว่างวันที่ " and the period the moved-in and moved-out searches use.
  String PeriodText() const;
  // The member documents' reports, data sets, envelope editors and commands.
  void CreateDocuments();
  void CreateEnvelopePanel();
  // Whether a member is shown to print; says so when none is.
  bool HasMemberToPrint();
  // Whether the member shown is still in the parish file; says so in Thai when another program
  // has deleted it.
  bool MemberStillStored();
  // Runs a member selection: the list, its export copy, the count and the buttons.
  void OpenMembers(const String& Condition, const TMemberOrder& Order,
                   const std::vector<std::pair<String, Variant>>& Params, bool WithPair = false);
  // The text searches (name, surname, code, house, family, occupation).
  void FindText(bool BySurname);
  void FindDay(TRadioButton* Mode);
  void FindPeriod(TRadioButton* Mode);
  void FillValueList(const String& Expression);
  // Whether the member list holds the selected mode's own search, searching first in a date
  // mode, whose dates are on screen: a list printed under a mode's heading must be its rows.
  bool SearchedBySelectedMode();
  // Whether there is a member on screen to act on.
  bool HasMember() const;
  // Posts the member being appended and makes it the current row of the whole list; a member
  // the parish refuses leaves the list on the row it showed before (shown, 0 for none).
  void ShowNewMember(Integer shown);
  void ShowUpdate();
  void ConvertMoves(bool AddKey, bool Convert);
  void AddSearchIndexes();
  // Prepares the parish folder and connects to its database; tells the user once when a new
  // parish was made or the database can only be read.
  void ConnectDatabase();
  // The start-up steps of FormCreate, which turns their failures into one message.
  void StartUp();
  // " (สมาชิก ID <ID> <Nm> <sur>)" of the member the list is on, for a start-up failure; empty
  // when there is none.
  String MemberBeingRead();
  void DisableWritingEditors();
  // Whether `table` has `column` (by name, case-blind).
  bool HasColumn(const String& table, const String& column);
  // Adds a settings column with its first value, when missing.
  void AddSettingsColumn(const String& column, const String& firstValue);
  void ShowFields(TDataSet* dataSet, const std::vector<TFieldBinding>& fields);
  void SetMoveEditorsEnabled(bool enabled);

  std::vector<TFieldBinding> memberFields_;
  std::vector<TFieldBinding> moveFields_;
  std::vector<TFieldBinding> settingsFields_;
  bool readOnly_ = false;
  TComboSaving comboSaving_;
  // The mode whose search the member list holds; choosing another mode does not search.
  TRadioButton* searchedMode_ = nullptr;
};

extern TForm1* Form1;

// Select with the marriage witnesses' pair column FaMo, which the witnesses' list prints: the
// selection of a search in another mode does not hold it.
String WithWitnessPair(const String& Select);

// Sets query to the members meeting a condition (none: all) in an order, with the witness pair
// as the column FaMo when asked for.
void SetMemberList(TADOQuery* query, const String& Condition, const TMemberOrder& Order,
                   bool WithPair = false);

}  // namespace orv
