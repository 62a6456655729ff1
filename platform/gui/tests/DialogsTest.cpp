// The dialog service: what the program asks is what a test sees and answers.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>

#include <cstdlib>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/ThaiQtTexts.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/tests/DialogTesting.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv {
namespace {

class DialogsTest : public testing::ScriptedDialogsTest {};

TEST_F(DialogsTest, ConfirmationIsAnsweredByTheQueue) {
  String question = "ต้องการพิมพ์เอกสารแจ้งย้ายของ คุณสมชาย ใจดี หรือ ?";
  dialogs_->QueueResult(mrYes);
  dialogs_->QueueResult(mrNo);
  EXPECT_EQ(MessageDlg(question, mtConfirmation, {mbYes, mbNo}, 0), mrYes);
  EXPECT_EQ(MessageDlg(question, mtConfirmation, {mbYes, mbNo}, 0), mrNo);
  ASSERT_EQ(dialogs_->Shown().size(), 2u);
  EXPECT_EQ(dialogs_->Shown()[0].Text, question);
  EXPECT_EQ(dialogs_->Shown()[0].Caption, "ยืนยัน");
  EXPECT_EQ(dialogs_->Shown()[0].Buttons.Mask(), 3u);
  // Nothing queued: the box's first button.
  EXPECT_EQ(MessageDlg("x", mtWarning, {mbOK, mbCancel}, 0), mrOk);
  EXPECT_EQ(Application->MessageBox("ผิดพลาด", "Orvane", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(dialogs_->Shown().back().Type, mtConfirmation);
}

TEST_F(DialogsTest, InputQueryCancelledLeavesTheValue) {
  String value = "เดิม";
  dialogs_->QueueInput(std::nullopt);
  EXPECT_FALSE(InputQuery("ชื่อ", "กรุณาใส่ชื่อ", value));
  EXPECT_EQ(value, "เดิม");
  dialogs_->QueueInput(String("ใหม่"));
  EXPECT_TRUE(InputQuery("ชื่อ", "กรุณาใส่ชื่อ", value));
  EXPECT_EQ(value, "ใหม่");
  EXPECT_EQ(InputBox("a", "b", "default"), "default");
}

TEST_F(DialogsTest, ShowMessageInputBoxAndMessageDlgShowTheirTextAndReturnTheAnswer) {
  ShowMessage("บันทึกข้อมูลเรียบร้อยแล้ว");
  ASSERT_EQ(dialogs_->Shown().size(), 1u);
  const auto& box = dialogs_->Shown()[0];
  EXPECT_EQ(box.Kind, "message");
  EXPECT_EQ(box.Caption, Application->Title());
  EXPECT_EQ(box.Text, "บันทึกข้อมูลเรียบร้อยแล้ว");
  EXPECT_EQ(box.Buttons, TMsgDlgButtons{mbOK});

  dialogs_->QueueInput(String("๒๕"));
  EXPECT_EQ(InputBox("อายุ", "กรุณาใส่อายุ", "0"), "๒๕");
  EXPECT_EQ(dialogs_->Shown().back().Kind, "input");
  EXPECT_EQ(dialogs_->Shown().back().Caption, "อายุ");
  EXPECT_EQ(dialogs_->LastText(), "กรุณาใส่อายุ");

  dialogs_->QueueResult(mrCancel);
  EXPECT_EQ(MessageDlg("ลบข้อมูล ?", mtWarning, {mbOK, mbCancel}, 0), mrCancel);
  EXPECT_EQ(dialogs_->Shown().back().Caption, "คำเตือน");
  EXPECT_EQ(dialogs_->LastText(), "ลบข้อมูล ?");
  dialogs_->QueueResult(mrRetry);
  EXPECT_EQ(MessageDlg("เปิดฐานข้อมูลไม่ได้", mtError, {mbAbort, mbRetry, mbIgnore}, 0), mrRetry);
  EXPECT_EQ(dialogs_->Shown().back().Caption, "ข้อผิดพลาด");
  EXPECT_EQ(dialogs_->Shown().back().Type, mtError);
}

TEST_F(DialogsTest, ColorDialogTakesTheChosenColourAndKeepsItsOwnOnCancel) {
  TColorDialog dialog(nullptr);
  std::vector<String> events;
  dialog.OnShow = [&](TObject*) { events.push_back("show"); };
  dialog.OnClose = [&](TObject*) { events.push_back("close"); };
  dialog.SetColor(clRed);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Color(), clRed);
  EXPECT_EQ(dialogs_->LastColor(), clRed) << "the dialog opens on the current colour";
  dialogs_->QueueColor(clTeal);
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Color(), clTeal);
  dialogs_->QueueColor(std::nullopt);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Color(), clTeal);
  EXPECT_EQ(events, (std::vector<String>{"show", "close", "show", "close", "show", "close"}));
}

TEST_F(DialogsTest, FontDialogTakesTheChosenFont) {
  TFontDialog dialog(nullptr);
  dialog.Font()->SetName("Tahoma");
  dialog.Font()->SetHeight(-13);
  TFontData chosen;
  chosen.Name = "Angsana New";
  chosen.Height = -24;
  chosen.Style = {fsBold};
  chosen.Color = clMaroon;
  dialogs_->QueueFont(chosen);
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialogs_->LastFont().Name, "Tahoma");
  EXPECT_EQ(dialogs_->LastFont().Height, -13);
  EXPECT_EQ(dialog.Font()->Name(), "Angsana New");
  EXPECT_EQ(dialog.Font()->Height(), -24);
  EXPECT_TRUE(dialog.Font()->Style().Contains(fsBold));
  EXPECT_EQ(dialog.Font()->Color(), clMaroon);

  dialogs_->QueueFont(std::nullopt);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_FALSE(dialog.Execute()) << "nothing queued is a cancel";
  EXPECT_EQ(dialog.Font()->Name(), "Angsana New");
}

TEST_F(DialogsTest, PrintDialogOffersPageNumbersOnlyWithARangeAndTakesTheChoices) {
  TPrintDialog dialog(nullptr);
  dialog.SetCopies(1);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_FALSE(dialogs_->LastPrintRequest().AllowPageNums);

  dialog.SetMinPage(1);
  dialog.SetMaxPage(5);
  dialog.SetFromPage(1);
  dialog.SetToPage(5);
  TPrintDialogRequest answer;
  answer.Copies = 3;
  answer.Collate = true;
  answer.PrintRange = prPageNums;
  answer.FromPage = 2;
  answer.ToPage = 4;
  answer.MinPage = 1;
  answer.MaxPage = 5;
  dialogs_->QueuePrint(answer);
  EXPECT_TRUE(dialog.Execute());
  EXPECT_TRUE(dialogs_->LastPrintRequest().AllowPageNums);
  EXPECT_EQ(dialogs_->LastPrintRequest().MaxPage, 5);
  EXPECT_EQ(dialog.Copies(), 3);
  EXPECT_TRUE(dialog.Collate());
  EXPECT_EQ(dialog.PrintRange(), prPageNums);
  EXPECT_EQ(dialog.FromPage(), 2);
  EXPECT_EQ(dialog.ToPage(), 4);

  dialogs_->QueuePrint(std::nullopt);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.Copies(), 3) << "a cancelled dialog changes nothing";
  EXPECT_EQ(dialogs_->Shown().back().Kind, "print");
}

TEST_F(DialogsTest, FileDialogsCarryFilterAndFileName) {
  TOpenPictureDialog dialog(nullptr);
  dialog.SetFilter("JPEG Image File (*.jpg)|*.jpg");
  dialog.SetInitialDir("/tmp/Picture");
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialogs_->LastFileRequest().Filter, "JPEG Image File (*.jpg)|*.jpg");
  EXPECT_EQ(dialogs_->LastFileRequest().InitialDir, "/tmp/Picture");
  dialogs_->QueueFiles({"/tmp/Picture/สมชาย ใจดี.jpg"});
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName(), "/tmp/Picture/สมชาย ใจดี.jpg");
  EXPECT_FALSE(dialogs_->LastFileRequest().Save);
  TSaveDialog save(nullptr);
  save.Execute();
  EXPECT_TRUE(dialogs_->LastFileRequest().Save);
}

TEST_F(DialogsTest, ShellOpenPassesOnlyLinksAndExistingFiles) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // A stand-in for xdg-open that writes down what it was asked to open.
  QString log = dir.filePath("opened.txt");
  QString fake = dir.filePath("xdg-open");
  QFile script(fake);
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(("#!/bin/sh\necho \"$1\" >> '" + log + "'\n").toUtf8());
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QByteArray oldPath = qgetenv("PATH");
  qputenv("PATH", dir.path().toUtf8() + ":" + oldPath);
  QString doc = dir.filePath("รายงาน.pdf");
  QFile(doc).open(QIODevice::WriteOnly);

  EXPECT_TRUE(ShellOpen("https://example.org/a?b=1"));
  EXPECT_TRUE(ShellOpen("mailto:office@example.org"));
  EXPECT_TRUE(ShellOpen(doc.toStdString()));
  EXPECT_FALSE(ShellOpen("javascript:alert(1)"));
  EXPECT_FALSE(ShellOpen("file:///no/such/file"));
  EXPECT_FALSE(ShellOpen("/no/such/file"));
  EXPECT_FALSE(ShellOpen("Orvane_Help.exe"));
  qputenv("PATH", oldPath);

  ASSERT_TRUE(testing::WaitFor([&] {
    QFile f(log);
    return f.open(QIODevice::ReadOnly) && f.readAll().count('\n') == 3;
  }));
  QFile f(log);
  f.open(QIODevice::ReadOnly);
  QString opened = QString::fromUtf8(f.readAll());
  EXPECT_TRUE(opened.contains("https://example.org/a?b=1"));
  EXPECT_TRUE(opened.contains(doc));
}

TEST_F(DialogsTest, BoxesAreTitledWithTheActiveWindowsCaption) {
  TForm notices(nullptr);
  notices.SetCaption("ใบแจ้งการสมรส");
  notices.Show();
  WidgetOf(&notices)->activateWindow();
  ASSERT_TRUE(testing::WaitFor([&] { return notices.Active(); }));
  ShowMessage("ไม่มีข้อมูลที่จะพิมพ์");
  EXPECT_EQ(dialogs_->Shown().back().Caption, "ใบแจ้งการสมรส");
  // The error box of an uncaught database error: the window's caption, the reason, and the
  // statement only on standard error.
  Application->ShowException(EDatabaseError("database is locked\nSQL: UPDATE \"main\".\"Orvani\" SET e_mail = ?1"));
  EXPECT_EQ(dialogs_->Shown().back().Caption, "ใบแจ้งการสมรส");
  EXPECT_EQ(dialogs_->Shown().back().Text, "database is locked.");
}

TEST_F(DialogsTest, QtsOwnDialogsSpeakThai) {
  QTranslator* thai = NewThaiQtTexts(nullptr);
  QCoreApplication::installTranslator(thai);
  {
    QFileDialog dialog(nullptr, QString(), QDir::tempPath());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels, buttons;
    for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) buttons << button->text();
    EXPECT_TRUE(labels.contains(QString::fromUtf8("ชื่อแ&ฟ้ม:"))) << labels.join('|').toStdString();
    EXPECT_TRUE(labels.contains(QString::fromUtf8("ค้นหาใน:"))) << labels.join('|').toStdString();
    EXPECT_TRUE(buttons.contains(QString::fromUtf8("&บันทึก"))) << buttons.join('|').toStdString();
    EXPECT_TRUE(buttons.contains(QString::fromUtf8("ยกเลิก"))) << buttons.join('|').toStdString();
  }
  QCoreApplication::removeTranslator(thai);
  delete thai;
}

// On a machine without a font holding Thai letters, Thai shows as boxes: there a box's buttons
// read in Latin letters, so that its warning can be answered knowingly. The font set is the
// process's, so a second run of this test program on DejaVu alone shows the box.
TEST(DialogsWithoutThaiFont, ABoxsButtonsReadInLatinLetters) {
  if (!std::getenv("ORVANE_DEJAVU_ONLY")) {
    QTemporaryDir dir;
    QFile conf(dir.filePath("fonts.conf"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>"
                "<dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>" + dir.filePath("cache") +
                "</cachedir></fontconfig>\n").toUtf8());
    conf.close();
    std::string command = "env ORVANE_DEJAVU_ONLY=1 FONTCONFIG_FILE='" + conf.fileName().toStdString() +
                          "' /proc/" + std::to_string(QCoreApplication::applicationPid()) +
                          "/exe --gtest_filter=DialogsWithoutThaiFont.* 2>&1";
    FILE* child = popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string output;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, child)) > 0;) output.append(buf, n);
    EXPECT_EQ(pclose(child), 0) << output;
    EXPECT_NE(output.find("buttons: Yes|No|"), std::string::npos) << output;
    return;
  }
  std::unique_ptr<IDialogService> scripted = SetDialogService(nullptr);
  std::string buttons;
  testing::After(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    for (QAbstractButton* button : box->buttons()) buttons += button->text().toStdString() + "|";
    box->buttons().front()->click();
  });
  Application->MessageBox("ไม่พบแบบอักษรภาษาไทย / No font with Thai letters", "Orvane", MB_YESNO | MB_ICONWARNING);
  std::printf("buttons: %s\n", buttons.c_str());
  SetDialogService(std::move(scripted));
}

TEST_F(DialogsTest, AFileNoApplicationOpensIsToldWithTheReason) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString doc = dir.filePath("รายชื่อ.xlsx");
  QFile(doc).open(QIODevice::WriteOnly);
  QByteArray oldPath = qgetenv("PATH");
  auto tried = [&](const QByteArray& path) {
    qputenv("PATH", path);
    String reason;
    bool told = false;
    ShellOpenFile(doc.toStdString(), [&](const String& why) { reason = why, told = true; });
    EXPECT_TRUE(testing::WaitFor([&] { return told; }, 10000));
    qputenv("PATH", oldPath);
    return reason;
  };
  // No xdg-open at all.
  EXPECT_EQ(tried(dir.path().toUtf8()), "ไม่มีโปรแกรม xdg-open ที่ใช้เปิดแฟ้มด้วยโปรแกรมของเครื่อง");
  // xdg-open finds no application for the type: its exit status 3.
  QFile script(dir.filePath("xdg-open"));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("#!/bin/sh\nexit 3\n");
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(tried(dir.path().toUtf8() + ":" + oldPath), "ไม่มีโปรแกรมในเครื่องที่เปิดแฟ้มชนิดนี้ได้");
}

}  // namespace
}  // namespace orv
