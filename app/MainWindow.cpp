#include "app/MainWindow.h"

#include "app/FieldLayout.h"
#include "app/ParishFolder.h"
#include "app/ParishSchema.h"
#include "app/ParishWriteFailure.h"
#include "app/WindowParts.h"
#include "app/WorkbookExport.h"
#include "platform/gui/Application.h"
#include "platform/gui/Cursors.h"
#include "platform/gui/Desktop.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/StringList.h"

namespace orv {

String AppPath;
String PhotoFileName;
String ShownPhotoPath;
String StatusFilter;
String CurrentSelect;
String CurrentOrder;
TForm1* Form1 = nullptr;

namespace {

// The window's areas, side by side: search and member list, record pages, photo and buttons.
constexpr int kMargin = 8;
constexpr int kListWidth = 380;
constexpr int kPagerLeft = kMargin + kListWidth + kMargin;
constexpr int kPagerWidth = 668;
constexpr int kSideLeft = kPagerLeft + kPagerWidth + kMargin;
constexpr int kSideWidth = 200;
constexpr int kClientWidth = kSideLeft + kSideWidth + kMargin;
// With the menu bar and a title bar the window fits a screen 768 pixels tall.
constexpr int kClientHeight = 680;
constexpr int kSearchHeight = 250;

const char* const kDateHint = "การเพิ่ม/แก้ไขข้อมูลให้ทำโดย\rคลิ้กสามเหลี่ยมด้านขวา";

}  // namespace

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  SetUpThaiWindow(this, "OrvaneIDv4.5");
  ReportUncaughtParishErrors();

  CreateDataAccess();
  // The menu bar takes its room from the window, so the client size is set after it.
  CreateMenu();
  SetClientWidth(kClientWidth);
  SetClientHeight(kClientHeight);
  CreateSearchPanel();
  CreateSearchModes();
  LumSmoothTabPager1 = new TLumSmoothTabPager(this);
  LumSmoothTabPager1->SetParent(this);
  LumSmoothTabPager1->SetBounds(kPagerLeft, kMargin, kPagerWidth, kClientHeight - 2 * kMargin);
  auto page = [this](const String& caption) {
    auto* p = new TLumSmoothTabPage(this);
    p->SetPager(LumSmoothTabPager1);
    p->SetCaption(caption);
    return p;
  };
  LumSmoothTabPage1 = page("ข้อมูลส่วนตัว");
  LumSmoothTabPage2 = page("รายการรับศีล");
  LumSmoothTabPage3 = page("รายชื่อบุตร");
  LumSmoothTabPage4 = page("รายการย้าย");
  CreatePersonalPage();
  CreateSacramentPages();
  CreateChildrenPage();
  CreateMovesPage();
  LumSmoothTabPager1->SetActivePage(LumSmoothTabPage1);
  CreateSidePanel();
  CreateSettingsPanel();
  ConnectEditors();
  ConnectSpouseEditors();
  ConnectMemberCommands();
  ConnectSettingsEditors();
  CreateMemberLists();
  CreateDocuments();

  LumFormStyler1 = new TLumFormStyler(this);
  LumFormStyler1->SetStyle(tsOffice2003Silver);
  LumFormStyler1->SetAutoThemeAdapt(true);

  Image1->OnClick = [this](TObject* sender) { Image1Click(sender); };
  LumSmoothButton6->OnClick = [this](TObject* sender) { LumSmoothButton6Click(sender); };
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnActivate = [this](TObject* sender) { FormActivate(sender); };
  OnCloseQuery = [this](TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
}

void TForm1::CreateDataAccess() {
  ADOConnection1 = new TADOConnection(this);
  ADOConnection1->SetConnectionString(String("Data Source=") + ParishDatabaseName);
  ADOCommand1 = new TADOCommand(this);
  ADOCommand1->SetConnection(ADOConnection1);
  TADOQuery** queries[] = {&ADOQuery1, &ADOQuery2, &ADOQuery3, &ADOQuery4,  &ADOQuery5, &ADOQuery6,
                           &ADOQuery7, &ADOQuery8, &ADOQuery9, &ADOQuery10, &ADOQuery11};
  // Named as the window names them: an export calls its sheet after its data set.
  int number = 0;
  for (TADOQuery** query : queries) {
    *query = new TADOQuery(this);
    (*query)->SetName("ADOQuery" + std::to_string(++number));
    (*query)->SetConnection(ADOConnection1);
  }
  ADOQuery4->SQL().SetText("select * from move");
  ADOQuery9->SQL().SetText(
      "select [ID-Church], [Name-Church] as Name, [gen-name-church] as [Gen-name] from church "
      "order by [ID-Church]");
  ADOQuery1->AfterScroll = [this](TDataSet* dataSet) { ADOQuery1AfterScroll(dataSet); };
  ADOQuery4->AfterScroll = [this](TDataSet* dataSet) { ADOQuery4AfterScroll(dataSet); };
  DataSource1 = NewDataSource(this, ADOQuery1);
  DataSource2 = NewDataSource(this, ADOQuery2);
  DataSource3 = NewDataSource(this, ADOQuery4);
  DataSource4 = NewDataSource(this, ADOQuery9);

  Timer1 = new TTimer(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(200);
  OpenPictureDialog1 = new TOpenPictureDialog(this);
  OpenPictureDialog1->SetFilter("JPEG Image File (*.jpg)|*.jpg");
}

void TForm1::CreateMenu() {
  MainMenu1 = new TMainMenu(this);
  TMenuItem* root = MainMenu1->Items();
  N1 = NewMenuItem(this, root, "ตั้งค่าเริ่มต้น");
  N7 = NewMenuItem(this, root, "รายชื่อวัด");
  N8 = NewMenuItem(this, root, "ใบแจ้งการสมรส");
  N3 = NewMenuItem(this, root, "พิมพ์เอกสาร");
  N4 = NewMenuItem(this, N3, "ใบรับรองการรับศีลศักดิ์สิทธิ์");
  N5 = NewMenuItem(this, N3, "เอกสารการย้ายออก");
  N9 = NewMenuItem(this, N3, "จ่าหน้าซองจดหมาย");
  N6 = NewMenuItem(this, N3, "รายชื่อตามรายการที่ค้นหาในตารางซ้ายมือ");
  N10 = NewMenuItem(this, root, "สรุปจำนวนสัตบุรุษ");
  Help1 = NewMenuItem(this, root, "Help");
  N2 = NewMenuItem(this, root, "จบการทำงาน");
  SetMenu(MainMenu1);
  N1->OnClick = [this](TObject* sender) { N1Click(sender); };
  N2->OnClick = [this](TObject* sender) { N2Click(sender); };
  Help1->OnClick = [this](TObject* sender) { Help1Click(sender); };
  N7->OnClick = [this](TObject* sender) { N7Click(sender); };
  N8->OnClick = [this](TObject* sender) { N8Click(sender); };
  N10->OnClick = [this](TObject* sender) { N10Click(sender); };
}

void TForm1::CreateSearchPanel() {
  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetParent(this);
  GroupBox1->SetCaption("วิธีค้นหา");
  GroupBox1->SetBounds(kMargin, kMargin, kListWidth, kSearchHeight);
  // The inputs sit at the foot of the panel, the search modes above them; the date pickers
  // take the place of the text boxes in the date modes.
  TFieldLayout inputs(this, GroupBox1, 10, kSearchHeight - TFieldLayout::RowHeight - 12,
                      (kListWidth - 30) / 2, 10);
  inputs.Edit(Edit1, "ชื่อ", &Label4);
  inputs.NextColumn();
  inputs.Edit(Edit2, "นามสกุล", &Label5);
  auto pickerOver = [this](TEdit* edit) {
    auto* picker = new TDateTimePicker(this);
    picker->SetParent(GroupBox1);
    picker->SetBounds(edit->Left(), edit->Top(), edit->Width(), TFieldLayout::EditHeight);
    picker->SetFormat("d mmmm yyyy");
    picker->Hide();
    return picker;
  };
  DateTimePicker2 = pickerOver(Edit1);
  DateTimePicker3 = pickerOver(Edit2);

  Label3 = new TLabel(this);
  Label3->SetParent(this);
  Label3->SetBounds(kMargin, kMargin + kSearchHeight + 6, kListWidth, 20);
  DBGrid1 = new TDBGrid(this);
  DBGrid1->SetParent(this);
  int gridTop = Label3->Top() + 26;
  DBGrid1->SetBounds(kMargin, gridTop, kListWidth, kClientHeight - gridTop - kMargin);
  DBGrid1->SetDataSource(DataSource1);
  DBGrid1->SetReadOnly(true);
  DBGrid1->SetOptions(DBGrid1->Options() + TDBGridOptions{dgRowSelect});
  AddColumns(DBGrid1, {{"st", "นักบุญ", 75}, {"nm", "ชื่อ", 90}, {"sur", "นามสกุล", 95},
                       {"birth_date", "วันเกิด", 78}});
}

void TForm1::CreateSidePanel() {
  Image1 = new TImage(this);
  Image1->SetParent(this);
  Image1->SetBounds(kSideLeft, kMargin + 24, kSideWidth, 150);
  Image1->SetStretch(true);
  Image1->SetShowHint(true);
  TFieldLayout side(this, this, kSideLeft, Image1->Top() + Image1->Height() + 4, kSideWidth);
  side.Edit(Edit3, "ชื่อ-นามสกุล");
  ShowAsReadOnly(Edit3);
  Edit3->OnClick = [this](TObject* sender) { Edit3Click(sender); };
  Edit4 = new TEdit(this);
  Edit4->SetParent(this);
  Edit4->SetVisible(false);
  auto* updateCaption = new TLabel(this);
  updateCaption->SetParent(this);
  updateCaption->SetCaption("แก้ไขล่าสุด");
  updateCaption->SetLeft(kSideLeft);
  updateCaption->SetTop(side.Top());
  Label7 = new TLabel(this);
  Label7->SetParent(this);
  Label7->SetLeft(kSideLeft);
  Label7->SetTop(side.Top() + TFieldLayout::CaptionHeight + 2);
  memberFields_.push_back({"Update", Label7, true});
  side.Skip(1);

  TLumSmoothButton** buttons[] = {&LumSmoothButton1, &LumSmoothButton2, &LumSmoothButton3,
                                  &LumSmoothButton4, &LumSmoothButton5, &LumSmoothButton6};
  const char* captions[] = {"เพิ่มข้อมูล", "เพิ่มข้อมูล", "สร้างข้อมูลการย้าย",
                            "สร้างเอกสารแจ้งการสมรส", "Excel", "Open WebCam"};
  int top = side.Top() + 8;
  for (int i = 0; i < 6; ++i) {
    auto* button = new TLumSmoothButton(this);
    button->SetParent(this);
    button->SetCaption(captions[i]);
    button->SetBounds(kSideLeft, top, kSideWidth, 34);
    top += 42;
    *buttons[i] = button;
  }
  LumSmoothButton4->OnClick = [this](TObject* sender) { LumSmoothButton4Click(sender); };
  LumSmoothButton5->SetHint("Transfer data to Excel.");
  LumSmoothButton6->SetHint("เพื่อถ่ายภาพบุคคล");
}

void TForm1::CreateSettingsPanel() {
  GroupBox3 = new TGroupBox(this);
  GroupBox3->SetParent(this);
  // Tall enough for the church list under the editors to show several churches at once.
  const int settingsHeight = 600;
  GroupBox3->SetBounds(195, 60, 700, settingsHeight);
  GroupBox3->SetVisible(false);
  TFieldLayout panel(this, GroupBox3, 14, 10, 320, 24);
  panel.Heading("รายละเอียดเพื่อพิมพ์ใบรับรอง");
  panel.Edit(Edit5, "ชื่อวัด");
  panel.Edit(Edit7, "ที่ตั้ง");
  panel.Edit(Edit6, "Church");
  panel.Edit(Edit8, "Address");
  panel.Edit(Edit9, "คุณพ่อผู้ออกใบรับรอง");
  panel.NextColumn();
  panel.Heading("ข้อมูลที่ใช้เป็นค่าเริ่มต้นเมื่อเพิ่มรายชื่อสัตบุรุษ");
  panel.Edit(Edit10, "รหัสคริสตชน");
  panel.Combo(ComboBox10, "ศาสนา", {"คาทอลิก", "คริสต์เตียน", "พุทธ", "อิสลาม", "ซิกซ์"});
  panel.Edit(Edit12, "อำเภอ/จังหวัด");
  panel.Edit(Edit13, "สถานที่รับศีลล้างบาป");
  panel.Edit(Edit14, "สถานที่รับศีลมหาสนิท");
  panel.Edit(Edit15, "สถานที่รับศีลกำลัง");
  for (TEdit* edit : {Edit5, Edit6, Edit7, Edit8, Edit9, Edit12, Edit13, Edit14, Edit15})
    edit->SetHint("พิมพ์ แล้วกด Enter เพื่อบันทึก");
  Edit10->SetHint("ควรใช้รหัสวัด 6 หลักเป็นเลขหน้าของรหัสบุคคล แล้วกด Enter เพื่อบันทึก");
  settingsFields_ = {{"ChurchT", Edit5},  {"AddrT", Edit7},       {"ChurchE", Edit6},
                     {"AddrE", Edit8},    {"Father", Edit9},      {"ID", Edit10},
                     {"Religion", ComboBox10}, {"Provience", Edit12}, {"Church1", Edit13},
                     {"Church2", Edit14}, {"Church3", Edit15}};

  DBGrid4 = new TDBGrid(this);
  DBGrid4->SetParent(GroupBox3);
  // Code, name and short name side by side, each wide enough for a Thai church name, so the
  // user can tell which church a code is before picking it.
  DBGrid4->SetBounds(14, panel.Bottom() + 10, 510, settingsHeight - panel.Bottom() - 24);
  DBGrid4->SetDataSource(DataSource4);
  AddColumns(DBGrid4, {{"ID-Church", nullptr, 90}, {"Name", nullptr, 230}, {"Gen-name", nullptr, 150}});
  DBGrid4->SetReadOnly(true);
  DBGrid4->SetVisible(false);
  Button1 = new TButton(this);
  Button1->SetParent(GroupBox3);
  Button1->SetCaption("ปิดหน้าต่างนี้");
  Button1->SetBounds(700 - 160, settingsHeight - 46, 140, 32);
  Button1->OnClick = [this](TObject* sender) { Button1Click(sender); };

  Panel4 = new TPanel(this);
  Panel4->SetParent(this);
  Panel4->SetCaption("พิมพ์จ่าหน้าซองจดหมาย");
  Panel4->SetBounds(175, 60, 560, 400);
  Panel4->SetVisible(false);
}

void TForm1::ConnectDatabase() {
  if (AppPath.empty()) AppPath = DefaultParishFolder();
  AppPath = AbsoluteFolder(AppPath);
  TParishDatabase parish = PrepareParishDatabase(AppPath);
  readOnly_ = parish.ReadOnly;
  // The folder comes from the command line: its name may hold ';' and is passed as a path.
  ADOConnection1->SetConnectionString(readOnly_ ? "Mode=Read" : "");
  ADOConnection1->SetDatabaseFile(parish.FileName);
  ADOConnection1->Open();
  if (parish.Created)
    Application->MessageBox("ยังไม่มีทะเบียนวัดในโฟลเดอร์ " + AppPath +
                                "\nจึงสร้างทะเบียนวัดใหม่ที่ยังไม่มีข้อมูลไว้ให้ที่นั่น",
                            Caption(), MB_OK | MB_ICONINFORMATION);
  if (readOnly_)
    Application->MessageBox("ทะเบียนวัด " + parish.FileName +
                                " เปิดได้เพื่ออ่านอย่างเดียว เพราะแฟ้มหรือโฟลเดอร์นี้เขียนไม่ได้"
                                "\nช่องแก้ไขและปุ่มเพิ่มข้อมูลจึงถูกปิดไว้",
                            Caption(), MB_OK | MB_ICONWARNING);
  // Counted from here, not while a box waits for the user; lifted when the window is ready.
  // No start-up query may hold the program for ever.
  ADOConnection1->SetTimeLimit(StartupTimeLimit);
}

void TForm1::DisableWritingEditors() {
  for (const std::vector<TFieldBinding>* fields : {&memberFields_, &moveFields_, &settingsFields_}) {
    for (const TFieldBinding& binding : *fields) {
      binding.Editor->SetEnabled(false);
      if (binding.Picker) binding.Picker->SetEnabled(false);
    }
  }
  for (TLumSmoothButton* button : {LumSmoothButton1, LumSmoothButton2, LumSmoothButton3,
                                   LumSmoothButton4, LumSmoothButton6})
    button->SetEnabled(false);
  // Choosing a photo writes into the Picture folder as the camera does.
  Image1->SetEnabled(false);
}

void TForm1::FormCreate(TObject*) {
  try {
    StartUp();
  } catch (const EParishStartup&) {
    ADOConnection1->Close();
    throw;
  } catch (const std::exception& e) {
    // What failed after the checks (a damaged page, a failed upgrade) is told the same way,
    // naming the member being read, and the connection goes with what start-up wrote.
    String file = ADOConnection1->DataSource();
    bool timedOut = ADOConnection1->TimeLimitPassed();
    String member = timedOut ? String() : MemberBeingRead();
    ADOConnection1->Close();
    const auto* own = dynamic_cast<const Exception*>(&e);
    String message = timedOut                   ? StartupTimeLimitReason()
                     : IsParishWriteFailure(e) ? ParishWriteFailureCause(e)
                     : own                     ? own->Message()
                                               : String(e.what());
    throw EParishStartup(StartupFailureText(file.empty() ? AppPath : file,
                                            message.substr(0, message.find('\n')) + member));
  }
}

String TForm1::MemberBeingRead() {
  try {
    if (!ADOQuery1->Active() || ADOQuery1->IsEmpty()) return String();
    return " (สมาชิก ID " + ADOQuery1->FieldByName("ID")->AsString() + " " +
           ADOQuery1->FieldByName("Nm")->AsString() + " " + ADOQuery1->FieldByName("sur")->AsString() + ")";
  } catch (const Exception&) {
    return String();
  }
}

void TForm1::StartUp() {
  Edit3->SetText("");
  Edit4->SetText("");
  for (TMemo* memo : {Memo1, Memo2, Memo3, Memo4, Memo5, Memo6, Memo7}) memo->Clear();
  ConnectDatabase();
  // What start-up writes (the upgrades) is kept only when start-up gets to its end: a file
  // refused on the way, by a member it cannot read, say, is left as it was found.
  if (!readOnly_) ADOConnection1->BeginTrans();
  // A database that can only be read was checked to need no upgrade, and to hold the program's
  // own List.
  if (!readOnly_) {
    OwnParishListView(*ADOConnection1);
    FindOrvID();
  }
  SetMemberList(ADOQuery1, "", kMembersByName);
  ADOQuery1->Open();
  // Opening an empty list moves nowhere; the display is cleared all the same.
  if (ADOQuery1->IsEmpty()) ADOQuery1AfterScroll(ADOQuery1);
  SetMemberList(ADOQuery10, "", kMembersByName);
  ADOQuery10->Open();
  Label3->SetCaption("จำนวนข้อมูล  " + IntToStr(ADOQuery1->RecordCount()) + " รายการ");
  CurrentSelect = "Select " + MemberColumns() + " from Orvani";
  if (!ADOQuery1->IsEmpty()) {
    LumSmoothButton2->SetEnabled(true);
  } else {
    LumSmoothButton2->SetEnabled(false);
    LumSmoothButton3->SetEnabled(false);
    LumSmoothButton4->SetEnabled(false);
  }
  ADOQuery3->SQL().SetText("Select * from print");
  ADOQuery3->Open();
  Edit1->SetText("");
  Edit2->SetText("");
  FindFix();
  StatusFilter = " and dead_date is null and DateOut is null";

  LumSmoothButton1->SetHint("   เพิ่มข้อมูลบุคคลใหม่\rโดยพิมพ์ที่อยู่เองทั้งหมด");
  LumSmoothButton3->SetCaption("สร้างข้อมูลการย้าย");
  LumSmoothButton4->SetCaption("สร้างเอกสารแจ้งการสมรส");
  Edit1->SetHint("พิมพ์ข้อความบางส่วนแล้ว Enter เพื่อค้นหา \rถ้า Enter โดยไม่ใส่ข้อความจะเป็นการเรียงชื่อ");
  Edit2->SetHint(
      "พิมพ์ส่วนเริ่มต้นของนามสกุลแล้ว Enter เพื่อค้นหา\rถ้า Enter โดยไม่ใส่ข้อความจะเป็นการเรียงนามสกุล");
  Edit3->SetHint(
      "ให้คลิ๊กขวาเพื่อ Copy ไปทำเป็นชื่อ บิดา / มารดา ให้กับบุตร\r"
      "เพื่อเครื่องจะได้ค้นหารายชื่อบุตรโดยอัตโนมัติได้อย่างถูกต้อง");
  for (TLabeledEdit* edit : {LabeledEdit17, LabeledEdit18, LabeledEdit19, LabeledEdit20})
    edit->SetHint("การเพิ่ม/แก้ไขข้อมูลให้ทำใน Tab รายการย้าย");
  for (TLabeledEdit* edit : {LabeledEdit21, LabeledEdit27, LabeledEdit31, LabeledEdit37,
                             LabeledEdit51, LabeledEdit55, LabeledEdit56, LabeledEdit59,
                             LabeledEdit64, LabeledEdit70, LabeledEdit71})
    edit->SetHint(kDateHint);

  ADOQuery4->Open();
  ADOQuery9->Open();
  if (readOnly_) {
    DisableWritingEditors();
  } else {
    ADOConnection1->CommitTrans();
    // The upgrades go into the file at once: a log left unmerged would be merged, at the end,
    // into whatever file then has the parish's name.
    ADOConnection1->MergeLog();
  }
  // From here on every query of the windows keeps a limit: a view or a damaged file that holds
  // one statement for ever is stopped and told, and the window goes on.
  ADOConnection1->SetStatementTimeLimit(QueryTimeLimit);
}

void TForm1::FormActivate(TObject*) {
  // After a box or a preview the user's period and focus stay as they were.
  if (firstActivation_.Take()) {
    DateTimePicker2->SetDate(EncodeDate(YearOf(Date()), 1, 1));
    DateTimePicker3->SetDate(Date());
    if (Edit1->Visible() && Edit1->CanFocus()) Edit1->SetFocus();
  }
  LabeledEdit1->SetHint(
      "เพิ่มหรือแก้ไขรหัสแล้ว Enter เพื่อบันทึก\r"
      "โดยรูปแบบที่แนะนำคือ   รหัสวัด-ปีรับศีลล้างบาป-เลขล้างบาปในแต่ละปี");
}

void TForm1::FormCloseQuery(TObject*, bool& CanClose) {
  ADOConnection1->Close();
  TellKeptWorkbooks();
  CanClose = true;
}

void TForm1::N1Click(TObject*) {
  GroupBox3->SetLeft(195);
  GroupBox3->Show();
  GroupBox3->BringToFront();
  DBGrid4->SetHint(
      "Click เพื่อเลือกเลขนำหน้ารหัสบุคคล/ชื่อวัดที่ล้างบาป\r"
      "Double click เพื่อปิดตารางเพื่อใช้ค้นหานี้");
}

void TForm1::Button1Click(TObject*) {
  DBGrid4->Hide();
  GroupBox3->Hide();
}

void TForm1::N2Click(TObject*) { Close(); }

void TForm1::Help1Click(TObject*) {
  // The help is a page beside the program, opened with the desktop's browser. Where the
  // Windows program started a help program "Orvane_Help.exe", a Linux desktop opens a file by
  // its type, and ".html" is the type every desktop opens without guessing at the content.
  // A missing page is ignored, as a missing help program was.
  ShellOpen(ExtractFilePath(Application->ExeName()) + "Orvane_Help.html");
}

void TForm1::Edit3Click(TObject*) { Edit3->SelectAll(); }
void TForm1::LabeledEdit13Click(TObject*) { LabeledEdit13->SelectAll(); }
void TForm1::LabeledEdit15Click(TObject*) { LabeledEdit15->SelectAll(); }

ORV_IMPLEMENT_CLASS(TForm1, c) {}

}  // namespace orv
