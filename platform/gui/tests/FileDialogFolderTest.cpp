// The file dialogs the user meets: where they open and what their filters read.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <optional>

#include "platform/gui/DialogService.h"
#include "platform/gui/QtBridge.h"

namespace orv {
namespace {

// Runs request through Qt's own dialogs; while the dialog is open, look sees it and then
// either picks a file (accepting) or cancels.
bool RunDialog(TFileDialogRequest& request, const std::function<std::optional<QString>(QFileDialog&)>& look) {
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    std::optional<QString> pick = look(*dialog);
    if (pick) {
      dialog->selectFile(*pick);
      QMetaObject::invokeMethod(dialog, "accept");
    } else {
      dialog->reject();
    }
  });
  return DialogService().ExecuteFileDialog(request);
}

class FileDialogFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    previous_ = SetDialogService(nullptr);
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("HOME", home_.path().toUtf8().constData(), 1);
    setenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toUtf8().constData(), 1);
    QDir(home_.path()).mkpath("Documents");
    QDir(home_.path()).mkpath("parish/Picture");
  }
  void TearDown() override {
    for (auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
    SetDialogService(std::move(previous_));
  }
  QString Path(const QString& relative) const { return QDir::cleanPath(home_.path() + "/" + relative); }

  QTemporaryDir home_;
  std::unique_ptr<IDialogService> previous_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(FileDialogFolderTest, EachDialogOpensWhereItLastEndedElseInTheDocuments) {
  QString photo = Path("parish/Picture/member.jpg");
  QFile(photo).open(QIODevice::WriteOnly);
  TFileDialogRequest photoDialog;
  photoDialog.Title = "รูปถ่าย";
  photoDialog.Filter = "JPEG Image File (*.jpg)|*.jpg";
  TFileDialogRequest pdfDialog;
  pdfDialog.Save = true;
  pdfDialog.Filter = "Adobe Acrobat PDF (*.pdf)|*.pdf";

  QString opened;
  auto chooseThePhoto = [&](QFileDialog& d) -> std::optional<QString> {
    opened = d.directory().absolutePath();
    return photo;
  };
  auto cancel = [&](QFileDialog& d) -> std::optional<QString> {
    opened = d.directory().absolutePath();
    return std::nullopt;
  };
  TFileDialogRequest first = photoDialog;
  ASSERT_TRUE(RunDialog(first, chooseThePhoto));
  EXPECT_EQ(opened, Path("Documents"));
  EXPECT_EQ(QString::fromStdString(first.FileName), photo);

  // Another dialog does not follow the photo into Picture/.
  TFileDialogRequest pdf = pdfDialog;
  EXPECT_FALSE(RunDialog(pdf, cancel));
  EXPECT_EQ(opened, Path("Documents"));

  // The photo dialog itself comes back where it was left.
  TFileDialogRequest again = photoDialog;
  EXPECT_FALSE(RunDialog(again, cancel));
  EXPECT_EQ(opened, Path("parish/Picture"));

  // A folder the program names wins.
  TFileDialogRequest named = pdfDialog;
  named.InitialDir = Path("parish").toStdString();
  EXPECT_FALSE(RunDialog(named, cancel));
  EXPECT_EQ(opened, Path("parish"));
}

TEST_F(FileDialogFolderTest, AFilterThatShowsItsPatternShowsItOnce) {
  TFileDialogRequest request;
  request.Filter = "Prepared report (*.qpv)|*.qpv|Text|*.txt;*.text";
  QStringList filters;
  EXPECT_FALSE(RunDialog(request, [&](QFileDialog& d) -> std::optional<QString> {
    filters = d.nameFilters();
    return std::nullopt;
  }));
  EXPECT_EQ(filters, (QStringList{"Prepared report (*.qpv)", "Text (*.txt *.text)"}));
}

}  // namespace
}  // namespace orv
