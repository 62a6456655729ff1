// The printer setup dialog over the private CUPS server's queues: the program's own dialog
// worked through its widgets, and the dialog service's answers, becoming the program's setup.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QRadioButton>
#include <functional>

#include "platform/gui/DialogService.h"
#include "platform/gui/ScriptedDialogService.h"
#include "platform/gui/Timers.h"
#include "platform/print/PrinterSetupDialog.h"
#include "platform/print/tests/CupsTesting.h"

namespace orv {
namespace {

using namespace orv::testing;

QComboBox* BoxWith(QWidget* window, const QString& item) {
  for (QComboBox* box : window->findChildren<QComboBox*>())
    if (box->findText(item) >= 0) return box;
  return nullptr;
}

void Press(QWidget* window, const QString& caption) {
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
    if (b->text().remove('&') == caption) b->click();
}

// Runs the dialog while step works in it once it shows; step ends it.
bool ExecuteWith(TPrinterSetupDialog& dialog, const std::function<void(QWidget*)>& step) {
  TTimer timer(nullptr);
  bool done = false;
  timer.OnTimer = [&](TObject*) {
    QWidget* window = QApplication::activeModalWidget();
    if (!window || done) return;
    done = true;
    step(window);
  };
  timer.SetInterval(20);
  bool ok = dialog.Execute();
  EXPECT_TRUE(done) << "the dialog never showed";
  return ok;
}

TEST(PrinterSetupDialog, TheProgramsDialogChoosesPrinterPaperOrientationAndSource) {
  EnsureGraphics();
  UseTestServerNow();
  ProgramPrinterSetup() = {};
  TPrinterSetupDialog dialog(nullptr);
  bool ok = ExecuteWith(dialog, [](QWidget* window) {
    QComboBox* printers = BoxWith(window, "RawQ");
    ASSERT_NE(printers, nullptr);
    // It opens on the default printer with its default paper.
    EXPECT_EQ(printers->currentText(), "PdfQ");
    QComboBox* papers = BoxWith(window, "A5");
    ASSERT_NE(papers, nullptr);
    EXPECT_EQ(papers->currentText(), "A4");
    // A raw queue offers no paper; back on PdfQ the papers are there again.
    printers->setCurrentIndex(printers->findText("RawQ"));
    EXPECT_EQ(papers->count(), 0);
    printers->setCurrentIndex(printers->findText("PdfQ"));
    papers->setCurrentIndex(papers->findText("A5"));
    QComboBox* sources = BoxWith(window, "Tray 2");
    ASSERT_NE(sources, nullptr);
    EXPECT_EQ(sources->itemText(0), "Default");
    sources->setCurrentIndex(sources->findText("Tray 2"));
    for (QRadioButton* r : window->findChildren<QRadioButton*>())
      if (r->text().remove('&') == "Landscape") r->click();
    Press(window, "OK");
  });
  ASSERT_TRUE(ok);
  TPrinterSetup& setup = ProgramPrinterSetup();
  EXPECT_EQ(setup.Printer, "PdfQ");
  EXPECT_EQ(setup.Paper, "iso_a5_148x210mm");
  EXPECT_EQ(setup.Source, "tray-2");
  EXPECT_TRUE(setup.Landscape);

  // Opened again it shows what was chosen; Cancel keeps it.
  TPrinterSetupDialog again(nullptr);
  ok = ExecuteWith(again, [](QWidget* window) {
    EXPECT_EQ(BoxWith(window, "A5")->currentText(), "A5");
    EXPECT_EQ(BoxWith(window, "Tray 2")->currentText(), "Tray 2");
    Press(window, "Cancel");
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(ProgramPrinterSetup().Paper, "iso_a5_148x210mm");
}

TEST(PrinterSetupDialog, AnsweredThroughTheServiceAndRefusedWithoutPrinters) {
  EnsureGraphics();
  UseTestServerNow();
  ProgramPrinterSetup() = {};
  auto service = std::make_unique<TScriptedDialogService>();
  TScriptedDialogService* answers = service.get();
  auto previous = SetDialogService(std::move(service));
  TPrinterSetupRequest answer;
  answer.Printer = "RawQ";
  answer.Landscape = true;
  answers->QueuePrinterSetup(answer);
  TPrinterSetupDialog dialog(nullptr);
  int shows = 0, closes = 0;
  dialog.OnShow = [&](TObject*) { ++shows; };
  dialog.OnClose = [&](TObject*) { ++closes; };
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(closes, 1);
  const TPrinterSetupRequest& asked = answers->LastPrinterSetupRequest();
  EXPECT_EQ(asked.Printers, (std::vector<String>{"PdfQ", "RawQ"}));
  EXPECT_EQ(asked.Printer, "PdfQ");
  EXPECT_TRUE(asked.ShowOrientation);
  EXPECT_FALSE(asked.ShowSides);
  EXPECT_EQ(answers->LastPrinterOffer().Papers.size(), 7u);
  EXPECT_EQ(ProgramPrinterSetup().Printer, "RawQ");
  EXPECT_TRUE(ProgramPrinterSetup().Landscape);

  // No print server: the user is told, nothing changes.
  UseNoServer();
  TPrinterSetupDialog none(nullptr);
  EXPECT_FALSE(none.Execute());
  EXPECT_EQ(answers->Shown().back().Kind, "message");
  EXPECT_NE(answers->LastText().find("print server"), String::npos);
  EXPECT_EQ(ProgramPrinterSetup().Printer, "RawQ");
  SetDialogService(std::move(previous));
}

}  // namespace
}  // namespace orv
