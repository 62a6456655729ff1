// The dialog service: what the program asks is what a test sees and answers.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

#include "platform/gui/Application.h"
#include "platform/gui/Desktop.h"
#include "platform/gui/Dialogs.h"
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
  EXPECT_EQ(dialogs_->Shown()[0].Caption, "Confirm");
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

}  // namespace
}  // namespace orv
