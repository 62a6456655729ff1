// The marriage notifications window on the demo parish: its list and six searches against the
// sqlite3 command line's counts, the editors' writes read back with sqlite3, numbering, deleting
// and the wedding picture.
#include <algorithm>
#include <fstream>
#include <regex>

#include "app/tests/OtherWindowsFixture.h"
#include "platform/gui/tests/WidgetTesting.h"
#include "platform/gui/Picture.h"
#include "platform/gui/Screen.h"

namespace orv::test {

namespace {

const char* const kDateMessage =
    "เพื่อการใส่วัน เดือน ปี ที่ถูกต้องกรุณาเลือกวันที่จากปฏิทิน ซึ่งซ่อนอยู่ในสามเหลี่ยมด้านขวา\r"
    "ถ้าต้องการใส่วิธีนี้จะต้องใส่เป็นตัวเลขเช่น  15/3/99 \r"
    "ทะเบียนนี้เก็บปีเป็น ค.ศ. เช่นเดียวกับที่พิมพ์ในใบรับรอง (ปี พ.ศ. 2542 คือ ค.ศ. 1999)";

}  // namespace

class MarriageNoticesTest : public OtherWindowsTest {
 protected:
  TForm2* OpenDemo() {
    MakeDemo(120);
    return Open<TForm2>();
  }
  std::string Count() { return Cli("select count(*) from MarriageNotify"); }
  std::string Current(TForm2* f) { return f->ADOQuery1->FieldByName("Notify_No")->AsString(); }
  // One column of the notification numbered as the current one, as sqlite3 reads it.
  std::string Stored(TForm2* f, const std::string& column) {
    return Cli("select ifnull(" + column +
               ", 'NULL') from MarriageNotify where Notify_No = " + Current(f));
  }
  void Search(TForm2* f, TRadioButton* key, const std::string& text) {
    key->SetChecked(true);
    Type(f->Edit1, text);
  }
};

// A religion the parish refuses while another program holds it keeps what was typed: the letter
// typed after the refusal only edits it, and Enter saves it once the parish is free.
TEST_F(MarriageNoticesTest, ARefusedReligionKeepsItsTextAndEnterSavesIt) {
  TForm2* f = OpenDemo();
  const std::string before = Stored(f, "Gr_religion");
  TADOConnection other(nullptr);
  other.SetDatabaseFile(Db());
  other.Execute("begin immediate");
  f->ComboBox1->SetText("");
  size_t boxes = dialogs_->Shown().size();
  testing::KeyClicks(testing::KeyTarget(f->ComboBox1), QString::fromUtf8("พุ"));
  EXPECT_EQ(dialogs_->Shown().size(), boxes + 1) << "one refusal, told once";
  EXPECT_EQ(f->ComboBox1->Text(), "พุ");
  EXPECT_EQ(Stored(f, "Gr_religion"), before);
  other.Execute("rollback");
  testing::KeyClick(testing::KeyTarget(f->ComboBox1), Qt::Key_Return, "\r");
  EXPECT_EQ(Stored(f, "Gr_religion"), "พุ");
  EXPECT_EQ(f->ComboBox1->Text(), "พุ");
}

TEST_F(MarriageNoticesTest, ListShowsEachNotificationInItsEditors) {
  TForm2* f = OpenDemo();
  EXPECT_EQ(f->Caption(), "ใบแจ้งการสมรส");
  ASSERT_EQ(Count(), "12");
  EXPECT_EQ(f->Label8->Caption(), "จำนวนข้อมูล  12 รายการ");
  EXPECT_EQ(f->Image1->Hint(), "คลิ๊กเพื่อเลือกรูปแต่งงาน\rขนาดของรูปควรเป็น 300 * 400");
  f->FormActivate(f);
  EXPECT_EQ(f->Edit1->Text(), "");

  const std::pair<TControl*, const char*> texts[] = {
      {f->LabeledEdit1, "Groom"},       {f->LabeledEdit2, "GrBap_place"},
      {f->LabeledEdit4, "GrBap_No"},    {f->LabeledEdit5, "Groom_Fr"},
      {f->LabeledEdit6, "Groom_Mo"},    {f->LabeledEdit7, "Bride"},
      {f->LabeledEdit8, "BrBap_place"}, {f->LabeledEdit10, "BrBap_No"},
      {f->LabeledEdit11, "Bride_Fr"},   {f->LabeledEdit12, "Bride_Mo"},
      {f->LabeledEdit13, "Notify_No"},  {f->LabeledEdit14, "MarriageID"},
      {f->LabeledEdit16, "Witness1"},   {f->LabeledEdit17, "Witness2"},
      {f->LabeledEdit18, "Priest"},     {f->LabeledEdit19, "Notify_to"},
      {f->LabeledEdit21, "Certify_By"}, {f->LabeledEdit23, "Return_By"},
      {f->ComboBox1, "Gr_religion"},    {f->ComboBox2, "GrFr_religion"},
      {f->ComboBox3, "GrMo_religion"},  {f->ComboBox4, "Br_religion"},
      {f->ComboBox5, "BrFr_religion"},  {f->ComboBox6, "BrMo_religion"}};
  const std::tuple<TLabeledEdit*, TDateTimePicker*, const char*> dates[] = {
      {f->LabeledEdit3, f->DateTimePicker1, "GrBap_Date"},
      {f->LabeledEdit9, f->DateTimePicker2, "BrBap_Date"},
      {f->LabeledEdit15, f->DateTimePicker3, "Marriage_Date"},
      {f->LabeledEdit20, f->DateTimePicker4, "Certify_Date"},
      {f->LabeledEdit22, f->DateTimePicker5, "Return_Date"}};
  for (int row : {1, 7, 12}) {
    f->ADOQuery1->SetRecNo(row);
    SCOPED_TRACE("notification " + Current(f));
    EXPECT_EQ(Current(f), std::to_string(row));
    for (const auto& [editor, column] : texts)
      EXPECT_EQ(editor->Text(), Cli(std::string("select ifnull(") + column +
                                    ", '') from MarriageNotify where Notify_No = " + Current(f)))
          << column;
    for (const auto& [text, picker, column] : dates) {
      std::string iso = Cli(std::string("select ifnull(") + column +
                            ", '') from MarriageNotify where Notify_No = " + Current(f));
      EXPECT_EQ(text->Text(), iso.empty() ? "" : ThaiDate(iso)) << column;
      EXPECT_EQ(picker->Date(), PickerDate(iso)) << column;
    }
  }
}

TEST_F(MarriageNoticesTest, SixSearchKeysFindWhatSqliteFinds) {
  TForm2* f = OpenDemo();
  auto firstWord = [this](const char* column, int row) {
    return Cli(std::string("select substr(") + column + ", 1, instr(" + column +
               ", ' ') - 1) from " + "MarriageNotify where Notify_No = " + std::to_string(row));
  };
  struct Case {
    TRadioButton* key;
    const char* caption;
    std::string text;
    std::string where;
  };
  std::string groom = firstWord("Groom", 3);
  std::string bride = firstWord("Bride", 5);
  std::string registerNo =
      Cli("select substr(MarriageID, 1, 2) from MarriageNotify where Notify_No = 2");
  std::string priest = firstWord("Priest", 4);
  // A surname of a second witness: found inside the text, not at its start.
  std::string witness = Cli("select Witness2 from MarriageNotify where Notify_No = 6");
  witness = witness.substr(witness.rfind(' ') + 1);
  const Case cases[] = {
      {f->RadioButton1, "ชื่อเจ้าบ่าว", groom, "Groom like '" + groom + "%'"},
      {f->RadioButton2, "ชื่อเจ้าสาว", bride, "Bride like '" + bride + "%'"},
      {f->RadioButton3, "เลขที่ใบแจ้ง", "1", "cast(Notify_No as text) like '1%'"},
      {f->RadioButton4, "เลขที่ทะเบียนสมรส", registerNo, "MarriageID like '" + registerNo + "%'"},
      {f->RadioButton5, "ชื่อพยาน", witness,
       "Witness1 like '" + witness + "%' or Witness2 like '%" + witness + "%'"},
      {f->RadioButton6, "พระสงฆ์ผู้ประกอบพิธี", priest, "Priest like '" + priest + "%'"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption + std::string(" ") + c.text);
    ASSERT_FALSE(c.text.empty());
    f->Edit1->SetText("left over");
    Search(f, c.key, c.text);
    EXPECT_EQ(f->Label1->Caption(), c.caption);
    std::string expected = Cli("select count(*) from MarriageNotify where " + c.where);
    EXPECT_NE(expected, "0");
    EXPECT_EQ(std::to_string(f->ADOQuery1->RecordCount()), expected);
    EXPECT_EQ(f->Label8->Caption(), "จำนวนข้อมูล  " + expected + " รายการ");
    EXPECT_EQ(Current(f), Cli("select min(Notify_No) from MarriageNotify where " + c.where));
  }

  // The witness key also finds a first witness by its start.
  std::string first = firstWord("Witness1", 9);
  Search(f, f->RadioButton5, first);
  EXPECT_EQ(std::to_string(f->ADOQuery1->RecordCount()),
            Cli("select count(*) from MarriageNotify where Witness1 like '" + first +
                "%' or Witness2 like '%" + first + "%'"));

  // Wildcards and quotes typed by the user are text: nothing matches, and the editors empty.
  for (const char* typed : {"%", "_%", "\"", "' or 1=1 --"}) {
    Search(f, f->RadioButton1, typed);
    EXPECT_EQ(f->ADOQuery1->RecordCount(), 0) << typed;
    EXPECT_EQ(f->LabeledEdit1->Text(), "") << typed;
    EXPECT_EQ(f->Label8->Caption(), "จำนวนข้อมูล  0 รายการ");
  }
  // An empty text lists every notification that has the column.
  Cli("insert into MarriageNotify (Notify_No) values (13)");
  Search(f, f->RadioButton1, "");
  EXPECT_EQ(f->ADOQuery1->RecordCount(), 12);
  Search(f, f->RadioButton3, "");
  EXPECT_EQ(f->ADOQuery1->RecordCount(), 13);
  // Keys other than Enter search nothing.
  f->Edit1->SetText("zzz");
  Press(f->Edit1, 'Z');
  EXPECT_EQ(f->ADOQuery1->RecordCount(), 13);
}

TEST_F(MarriageNoticesTest, EditorsWriteTheirColumnFieldByField) {
  TForm2* f = OpenDemo();
  f->ADOQuery1->SetRecNo(4);
  ASSERT_EQ(Current(f), "4");

  // Text: trimmed on Enter, Null when emptied, nothing without Enter.
  f->LabeledEdit12->SetText("  อันนา ใหม่ใจ \t");
  Press(f->LabeledEdit12, 'A');
  EXPECT_NE(Stored(f, "Bride_Mo"), "อันนา ใหม่ใจ");
  Press(f->LabeledEdit12);
  EXPECT_EQ(Stored(f, "Bride_Mo"), "อันนา ใหม่ใจ");
  Type(f->LabeledEdit12, "");
  EXPECT_EQ(Stored(f, "Bride_Mo"), "NULL");
  Type(f->LabeledEdit19, "วัดแม่พระฟาติมา");
  EXPECT_EQ(Stored(f, "Notify_to"), "วัดแม่พระฟาติมา");
  Type(f->LabeledEdit1, "ยอห์น ทดสอบ ระบบ");
  EXPECT_EQ(Stored(f, "Groom"), "ยอห์น ทดสอบ ระบบ");

  // Combo boxes: every change, as typed, the empty text kept as text.
  f->ComboBox5->SetText("พุทธ");
  f->ComboBox5->OnChange(f->ComboBox5);
  EXPECT_EQ(Stored(f, "BrFr_religion"), "พุทธ");
  f->ComboBox5->SetText("");
  f->ComboBox5->OnChange(f->ComboBox5);
  EXPECT_EQ(Stored(f, "BrFr_religion"), "");
  EXPECT_EQ(Cli("select typeof(BrFr_religion) from MarriageNotify where Notify_No = 4"), "text");

  // Typed dates: converted, shown long, the picker moved; refused text leaves the date alone.
  Type(f->LabeledEdit15, "15/3/99");
  EXPECT_EQ(Stored(f, "Marriage_Date"), "1999-03-15");
  EXPECT_EQ(f->LabeledEdit15->Text(), "15 มีนาคม 1999");
  EXPECT_EQ(f->DateTimePicker3->Date(), EncodeDate(1999, 3, 15));
  Boxes();
  Press(f->LabeledEdit15);  // the long form the editor shows is no short date
  EXPECT_EQ(Boxes(), std::vector<std::string>{kDateMessage});
  EXPECT_EQ(Stored(f, "Marriage_Date"), "1999-03-15");
  Type(f->LabeledEdit15, "31/2/2020");
  EXPECT_EQ(Boxes(), std::vector<std::string>{kDateMessage});
  EXPECT_EQ(f->LabeledEdit15->Text(), "15 มีนาคม 1999");
  // The year of the Buddhist era is refused, not stored as a year centuries ahead.
  Type(f->LabeledEdit15, "15/3/2542");
  EXPECT_EQ(Boxes(), std::vector<std::string>{kDateMessage});
  EXPECT_EQ(Stored(f, "Marriage_Date"), "1999-03-15");
  EXPECT_EQ(f->ADOQuery1->State(), dsBrowse);
  Type(f->LabeledEdit22, "");
  EXPECT_EQ(Stored(f, "Return_Date"), "NULL");

  // Pickers write their date and show it in the typed editor.
  f->DateTimePicker4->SetDate(EncodeDate(2023, 11, 2));
  f->DateTimePicker4->OnChange(f->DateTimePicker4);
  EXPECT_EQ(Stored(f, "Certify_Date"), "2023-11-02");
  EXPECT_EQ(f->LabeledEdit20->Text(), "2 พฤศจิกายน 2023");

  // The notification number is a number or nothing.
  Type(f->LabeledEdit13, "4x");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"เลขที่ใบแจ้งต้องเป็นตัวเลข"});
  EXPECT_EQ(f->LabeledEdit13->Text(), "4");
  Type(f->LabeledEdit13, " 40 ");
  EXPECT_EQ(Current(f), "40");
  EXPECT_EQ(Cli("select typeof(Notify_No) from MarriageNotify where Notify_No = 40"), "integer");
  EXPECT_TRUE(Boxes().empty());

  // Nothing else of the row or of the others moved.
  EXPECT_EQ(Count(), "12");
  EXPECT_EQ(Cli("select count(*) from MarriageNotify where Groom = 'ยอห์น ทดสอบ ระบบ'"), "1");
}

TEST_F(MarriageNoticesTest, WithNoNotificationOnScreenNoEditorWrites) {
  TForm2* f = OpenDemo();
  Search(f, f->RadioButton1, "ไม่มีใครชื่อนี้");
  ASSERT_TRUE(f->ADOQuery1->IsEmpty());
  std::string before = Cli("select count(*), ifnull(max(Notify_No), 0) from MarriageNotify");
  Type(f->LabeledEdit12, "อันนา");
  Type(f->LabeledEdit13, "77");
  f->ComboBox5->SetText("พุทธ");
  f->ComboBox5->OnChange(f->ComboBox5);
  f->DateTimePicker4->SetDate(EncodeDate(2023, 11, 2));
  f->DateTimePicker4->OnChange(f->DateTimePicker4);
  EXPECT_EQ(Cli("select count(*), ifnull(max(Notify_No), 0) from MarriageNotify"), before);
  EXPECT_EQ(Cli("select count(*) from MarriageNotify where Notify_No is null"), "0");
}

TEST_F(MarriageNoticesTest, NewNotificationFollowsTheHighestNumberOfTheTable) {
  MakeEmpty();
  TForm2* f = Open<TForm2>();
  dialogs_->QueueResult(mrNo);
  f->BitBtn1->Click();
  EXPECT_EQ(Boxes(),
            std::vector<std::string>{"ต้องการสร้างเอกสารแจ้งการสมรส โดยต้องพิมพ์ข้อมูลเองทั้งหมด หรือ ?"});
  EXPECT_EQ(Count(), "0");
  f->BitBtn1->Click();  // Yes
  EXPECT_EQ(Cli("select Notify_No from MarriageNotify"), "1");
  EXPECT_EQ(f->LabeledEdit13->Text(), "1");
  EXPECT_EQ(f->Label8->Caption(), "จำนวนข้อมูล  1 รายการ");

  // After a search that shows only number 3 of 41, the next is 42; a notification without a
  // number does not stop the count.
  Cli("delete from MarriageNotify; insert into MarriageNotify (Notify_No, Groom) values (3, 'ก'), "
      "(41, 'ข'), (17, 'ค'); insert into MarriageNotify (Groom) values ('ไม่มีเลข');");
  Search(f, f->RadioButton3, "3");
  ASSERT_EQ(f->ADOQuery1->RecordCount(), 1);
  f->BitBtn1->Click();
  EXPECT_EQ(Cli("select max(Notify_No) from MarriageNotify"), "42");
  EXPECT_EQ(Current(f), "42");
  EXPECT_EQ(f->LabeledEdit13->Text(), "42");
  EXPECT_EQ(Count(), "5");
}

TEST_F(MarriageNoticesTest, DeleteAsksAndAFailedDeleteSaysWhy) {
  TForm2* f = OpenDemo();
  f->ADOQuery1->SetRecNo(5);
  dialogs_->QueueResult(mrNo);
  f->DBGrid1->OnDblClick(f->DBGrid1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการลบข้อมูลใบแจ้งการสมรสเลขที่  5 หรือ ?"});
  EXPECT_EQ(Count(), "12");
  dialogs_->QueueResult(mrYes);
  f->DBGrid1->OnDblClick(f->DBGrid1);
  EXPECT_EQ(Cli("select count(*) from MarriageNotify where Notify_No = 5"), "0");
  EXPECT_EQ(Count(), "11");
  EXPECT_EQ(f->Label8->Caption(), "จำนวนข้อมูล  11 รายการ");
  EXPECT_EQ(f->LabeledEdit13->Text(), Current(f));

  // A notification without a number is asked about as an empty one.
  Cli("update MarriageNotify set Notify_No = null where Notify_No = 7");
  Search(f, f->RadioButton1, "");  // a notification without a number sorts first
  ASSERT_TRUE(f->ADOQuery1->FieldByName("Notify_No")->IsNull());
  Boxes();
  f->DBGrid1->OnDblClick(f->DBGrid1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ต้องการลบข้อมูลว่างๆ  หรือ ?"});
  EXPECT_EQ(Cli("select count(*) from MarriageNotify where Notify_No is null"), "0");

  // The database refusing the delete is reported, and the row stays.
  Cli("create trigger keep before delete on MarriageNotify begin select raise(abort, 'ห้ามลบ'); "
      "end;");
  f->ADOQuery1->First();
  f->DBGrid1->OnDblClick(f->DBGrid1);
  std::vector<std::string> shown = Boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[1].find("ห้ามลบ"), std::string::npos) << shown[1];
  EXPECT_EQ(dialogs_->Shown().back().Type, mtError);
  EXPECT_EQ(Count(), "10");
  EXPECT_EQ(f->Label8->Caption(), "จำนวนข้อมูล  10 รายการ");
}

TEST_F(MarriageNoticesTest, PictureIsAttachedIntoThePictureFolderAndResetWithoutANumber) {
  TForm2* f = OpenDemo();
  std::filesystem::path pictures = dir_ / "Picture";
  std::string id = Stored(f, "MarriageID");
  ASSERT_NE(id.find('/'), std::string::npos);  // register numbers are "n/yyyy"
  std::string fileName = id;
  std::replace(fileName.begin(), fileName.end(), '/', '-');
  std::filesystem::path target = pictures / (fileName + ".jpg");

  EXPECT_EQ(f->NotifyPicturePath, target.string());
  EXPECT_EQ(f->NotifyPictureStatus, "NoOK");
  EXPECT_EQ(f->NotifyPhotoFileName, (pictures / "Logo.jpg").string());
  EXPECT_GT(f->Image1->Picture()->Width(), 0);  // the notification logo

  // A picture from elsewhere is copied in under the marriage number; the user's file stays.
  std::filesystem::create_directories(dir_ / "camera");
  std::filesystem::path outside = dir_ / "camera" / "wedding.jpg";
  DrawParishLogo(outside.string());
  dialogs_->QueueFiles({outside.string()});
  f->Image1->OnClick(f->Image1);
  EXPECT_EQ(dialogs_->LastFileRequest().InitialDir, (dir_ / "Picture").string());
  EXPECT_EQ(dialogs_->LastFileRequest().Filter, "JPEG Image File (*.jpg)|*.jpg");
  EXPECT_TRUE(std::filesystem::exists(outside));
  ASSERT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(FileBytes(target), FileBytes(outside));
  EXPECT_EQ(f->NotifyPictureStatus, "OK");
  EXPECT_EQ(f->NotifyPhotoFileName, target.string());

  // A picture from the folder replaces it; the one replaced is kept under a new name.
  std::filesystem::path second = pictures / "second.jpg";
  std::ofstream(second, std::ios::binary) << FileBytes(outside) << "second";
  std::string secondBytes = FileBytes(second);
  dialogs_->QueueFiles({second.string()});
  f->Image1->OnClick(f->Image1);
  EXPECT_FALSE(std::filesystem::exists(second));
  EXPECT_EQ(FileBytes(target), secondBytes);
  int kept = 0;
  for (const auto& entry : std::filesystem::directory_iterator(pictures))
    if (std::regex_match(entry.path().filename().string(), std::regex(R"(\d{12}(-\d+)?\.jpg)"))) {
      ++kept;
      EXPECT_EQ(FileBytes(entry.path()), FileBytes(outside));
    }
  EXPECT_EQ(kept, 1);

  // The logos are refused, whatever their folder.
  Boxes();
  dialogs_->QueueFiles({(dir_ / "camera" / "MyLogo.jpg").string()});
  f->Image1->OnClick(f->Image1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ไม่สามารถใช้รูป Logo.jpg หรือ Logo1.jpg ได้"});
  EXPECT_EQ(FileBytes(target), secondBytes);

  // Without a number: no picture of the last notification is shown or printed.
  Type(f->LabeledEdit14, "");
  EXPECT_EQ(Stored(f, "MarriageID"), "NULL");
  EXPECT_EQ(f->NotifyPicturePath, "");
  EXPECT_EQ(f->NotifyPictureStatus, "NoOK");
  EXPECT_EQ(f->NotifyPhotoFileName, (pictures / "Logo.jpg").string());
  f->Image1->OnClick(f->Image1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ไม่มีชื่อบุคคลที่จะกำหนดชื่อของรูปได้"});

  // A number cannot lead the picture out of the folder.
  Type(f->LabeledEdit14, "../../escape");
  dialogs_->QueueFiles({outside.string()});
  f->Image1->OnClick(f->Image1);
  EXPECT_TRUE(std::filesystem::exists(pictures / "..-..-escape.jpg"));
  EXPECT_FALSE(std::filesystem::exists(dir_.parent_path() / "escape.jpg"));
  EXPECT_EQ(std::filesystem::path(TForm2::PictureFileFor("a\\..\\..\\b")).parent_path(), pictures);
}

TEST_F(MarriageNoticesTest, EachWindowKeepsThePictureOfItsOwnNotification) {
  TForm2* first = OpenDemo();
  TForm2* second = Open<TForm2>();
  second->ADOQuery1->SetRecNo(3);
  EXPECT_NE(first->NotifyPicturePath, second->NotifyPicturePath);
  std::string firstPath = first->NotifyPicturePath;
  second->ADOQuery1->SetRecNo(8);
  EXPECT_EQ(first->NotifyPicturePath, firstPath);
  Type(second->LabeledEdit14, "");
  EXPECT_EQ(second->NotifyPicturePath, "");
  EXPECT_EQ(first->NotifyPicturePath, firstPath);
}

TEST_F(MarriageNoticesTest, MainMenuOpensOneMoreWindowEachTime) {
  MakeDemo(20);
  TForm1* f = StartMain();
  auto shown = [](const String& className) {
    int count = 0;
    for (int i = 0; i < Screen->FormCount(); ++i)
      count += Screen->Forms(i)->ClassName() == className && Screen->Forms(i)->Visible();
    return count;
  };
  for (auto [item, className] :
       {std::pair{f->N8, "TForm2"}, std::pair{f->N7, "TForm3"}, std::pair{f->N10, "TForm4"}}) {
    item->Click();
    item->Click();
    EXPECT_EQ(shown(className), 2) << className;
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
  // The windows opened belong to the application; they go before the main window does.
  for (int i = Screen->FormCount() - 1; i >= 0; --i)
    if (Screen->Forms(i) != f) windows_.push_back(static_cast<TForm*>(Screen->Forms(i)));
}

}  // namespace orv::test

namespace orv::test {

// The wedding picture is read as the members' photos are: a file that is no picture is refused
// naming it and changes nothing; a PNG saved as ".jpg" is stored as the JPEG its name says,
// written whole and renamed into place, never through a link left at its name.
TEST_F(MarriageNoticesTest, AChosenPictureIsReadAndStoredAsAJpegAndAFileThatIsNoneIsRefused) {
  TForm2* f = OpenDemo();
  std::filesystem::path pictures = dir_ / "Picture";
  std::filesystem::path target = f->NotifyPicturePath;
  ASSERT_FALSE(target.empty());
  std::filesystem::create_directories(dir_ / "phone");
  std::filesystem::path noise = dir_ / "phone" / "IMG_0002.jpg";
  std::ofstream(noise, std::ios::binary) << std::string("\0\0\0\x18" "ftypheic", 12) << std::string(3000, '\x33');
  std::filesystem::create_symlink(dir_ / "phone" / "elsewhere.jpg", target);
  Boxes();
  dialogs_->QueueFiles({noise.string()});
  f->Image1->OnClick(f->Image1);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"ใช้แฟ้ม \"" + noise.string() +
                                              "\" เป็นรูปไม่ได้: แฟ้มนี้ไม่ใช่รูปชนิดที่โปรแกรมอ่านได้ (JPEG, PNG, BMP, WMF, EMF หรือ ICO)"});
  EXPECT_TRUE(std::filesystem::is_symlink(target));
  EXPECT_EQ(f->NotifyPictureStatus, "NoOK");

  std::filesystem::path png = dir_ / "phone" / "wedding.jpg";
  ASSERT_TRUE(WritePng(png, 30, 40, 200, 40, 40));
  dialogs_->QueueFiles({png.string()});
  f->Image1->OnClick(f->Image1);
  ASSERT_FALSE(std::filesystem::is_symlink(target));
  EXPECT_EQ(FileBytes(target).substr(0, 2), "\xFF\xD8");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "phone" / "elsewhere.jpg"));
  EXPECT_EQ(f->NotifyPictureStatus, "OK");
  EXPECT_EQ(f->Image1->Picture()->Width(), 30);
  EXPECT_EQ(FileBytes(png).substr(1, 3), "PNG");
  // The link is kept aside as a link, and the folder holds no temporary.
  int links = 0;
  for (const auto& entry : std::filesystem::directory_iterator(pictures)) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    links += entry.is_symlink();
  }
  EXPECT_EQ(links, 1);
}

}  // namespace orv::test
