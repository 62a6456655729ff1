#include "platform/gui/DialogService.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>

#include <map>

#include "platform/fonts/FontConfig.h"
#include "platform/gui/Controls.h"
#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

struct ButtonInfo {
  TMsgDlgBtn button;
  const char* caption;
  // For a machine without a Thai font, where the Thai caption shows as boxes.
  const char* latinCaption;
  int result;
  QMessageBox::ButtonRole role;
};

// In Thai, as the rest of the program; a Thai keyboard has no use for Latin accelerators.
const ButtonInfo kButtons[] = {
    {mbYes, "ใช่", "Yes", mrYes, QMessageBox::YesRole},
    {mbNo, "ไม่ใช่", "No", mrNo, QMessageBox::NoRole},
    {mbOK, "ตกลง", "OK", mrOk, QMessageBox::AcceptRole},
    {mbCancel, "ยกเลิก", "Cancel", mrCancel, QMessageBox::RejectRole},
    {mbAbort, "ยุติ", "Abort", mrAbort, QMessageBox::RejectRole},
    {mbRetry, "ลองใหม่", "Retry", mrRetry, QMessageBox::AcceptRole},
    {mbIgnore, "ข้าม", "Ignore", mrIgnore, QMessageBox::AcceptRole},
    {mbAll, "ทั้งหมด", "All", mrAll, QMessageBox::YesRole},
    {mbNoToAll, "ไม่ใช่ทั้งหมด", "No to All", mrNoToAll, QMessageBox::NoRole},
    {mbYesToAll, "ใช่ทั้งหมด", "Yes to All", mrYesToAll, QMessageBox::YesRole},
    {mbHelp, "วิธีใช้", "Help", mrNone, QMessageBox::HelpRole},
};

QString ButtonCaption(const ButtonInfo& b) {
  return QString::fromUtf8(ThaiFontInstalled() ? b.caption : b.latinCaption);
}

// "Text files (*.txt)|*.txt|All|*.*" to Qt's "Text files (*.txt);;All (*.*)". A description
// that already shows its patterns keeps them once.
QStringList QtFilters(const String& filter) {
  QStringList parts = QStr(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    QString shown = "(" + patterns + ")";
    out << (parts[i].contains(shown) ? parts[i] : parts[i] + " " + shown);
  }
  return out;
}

// The printer setup and properties dialog: one form, its rows as the request asks.
// The words of the platform's own print dialogs, in the user's language where it has them.
QString SetupText(const char* text) { return QCoreApplication::translate("TPrinterSetupDialog", text); }
QString PrintText(const char* text) { return QCoreApplication::translate("TPrintDialog", text); }

class PrinterSetupDialog {
 public:
  explicit PrinterSetupDialog(TPrinterSetupRequest& r) : r_(r), dialog_(QApplication::activeWindow()) {
    dialog_.setWindowTitle(QStr(r.Caption));
    auto* form = new QFormLayout(&dialog_);
    if (!r.Printers.empty()) {
      printers_ = new QComboBox;
      for (const String& name : r.Printers) printers_->addItem(QStr(name));
      int at = printers_->findText(QStr(r.Printer));
      printers_->setCurrentIndex(std::max(at, 0));
      form->addRow(SetupText("&Printer:"), printers_);
      QObject::connect(printers_, &QComboBox::currentIndexChanged, [this] { Fill(); });
    }
    papers_ = new QComboBox;
    form->addRow(SetupText("Pape&r:"), papers_);
    if (r.ShowOrientation) {
      portrait_ = new QRadioButton(SetupText("P&ortrait"));
      landscape_ = new QRadioButton(SetupText("&Landscape"));
      (r.Landscape ? landscape_ : portrait_)->setChecked(true);
      form->addRow(SetupText("Orientation:"), portrait_);
      form->addRow(QString(), landscape_);
    }
    sources_ = new QComboBox;
    form->addRow(SetupText("&Source:"), sources_);
    if (r.ShowSides) {
      sides_ = new QComboBox;
      form->addRow(SetupText("S&ides:"), sides_);
    }
    if (r.ShowQuality) {
      quality_ = new QComboBox;
      form->addRow(SetupText("&Quality:"), quality_);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog_, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog_, &QDialog::reject);
    form->addRow(buttons);
    Fill();
  }

  bool Execute() {
    if (dialog_.exec() != QDialog::Accepted) return false;
    if (printers_) r_.Printer = printers_->currentText().toStdString();
    r_.Paper = papers_->currentData().toString().toStdString();
    r_.Source = sources_->currentData().toString().toStdString();
    if (landscape_) r_.Landscape = landscape_->isChecked();
    if (sides_) r_.Sides = sides_->currentData().toInt();
    if (quality_) r_.Quality = quality_->currentData().toInt();
    return true;
  }

 private:
  // Each box offers what the chosen printer has, keeping the choice where it still can.
  void Fill() {
    String printer = printers_ ? printers_->currentText().toStdString() : r_.Printer;
    TPrinterOffer offer = r_.Offer ? r_.Offer(printer) : TPrinterOffer{};
    auto refill = [](QComboBox* box, const std::vector<TPrinterOfferItem>& items, const String& keep) {
      QString kept = box->count() ? box->currentData().toString() : QStr(keep);
      box->clear();
      for (const TPrinterOfferItem& item : items) box->addItem(QStr(item.Name), QStr(item.Keyword));
      box->setCurrentIndex(std::max(box->findData(kept), 0));
    };
    refill(papers_, offer.Papers, r_.Paper);
    refill(sources_, offer.Sources, r_.Source);
    if (sides_) {
      std::vector<std::pair<const char*, int>> sides{{"Default", 0}, {"One-sided", 1}};
      if (offer.Duplex) sides.insert(sides.end(), {{"Two-sided, long edge", 2}, {"Two-sided, short edge", 3}});
      int kept = sides_->count() ? sides_->currentData().toInt() : r_.Sides;
      sides_->clear();
      for (auto [name, value] : sides) sides_->addItem(SetupText(name), value);
      sides_->setCurrentIndex(std::max(sides_->findData(kept), 0));
    }
    if (quality_) {
      int kept = quality_->count() ? quality_->currentData().toInt() : r_.Quality;
      quality_->clear();
      quality_->addItem(SetupText("Default"), 0);
      for (int q : offer.Qualities)
        if (q >= 3 && q <= 5) quality_->addItem(SetupText(q == 3 ? "Draft" : q == 4 ? "Normal" : "High"), q);
      quality_->setCurrentIndex(std::max(quality_->findData(kept), 0));
    }
  }

  TPrinterSetupRequest& r_;
  QDialog dialog_;
  QComboBox* printers_ = nullptr;
  QComboBox* papers_ = nullptr;
  QRadioButton* portrait_ = nullptr;
  QRadioButton* landscape_ = nullptr;
  QComboBox* sources_ = nullptr;
  QComboBox* sides_ = nullptr;
  QComboBox* quality_ = nullptr;
};

// The folder a file dialog opens in: the one the program names, else the one the same dialog
// (the same question about the same kind of file) last ended in, else the user's documents.
// Qt's own choice, the folder any dialog last used, would open the export of a PDF in the
// folder a photo was just taken from.
QString& RememberedFolder(const TFileDialogRequest& r) {
  static std::map<QString, QString> folders;
  return folders[QString(r.Save ? "save|" : "open|") + QStr(r.Title) + "|" + QStr(r.Filter)];
}

QString StartFolder(const TFileDialogRequest& r) {
  if (!r.InitialDir.empty()) return QStr(r.InitialDir);
  const QString& remembered = RememberedFolder(r);
  if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered;
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// Qt's dialogs.
class QtDialogService : public IDialogService {
 public:
  int ShowMessageBox(const TMessageBoxRequest& r) override {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QStr(r.Caption));
    box.setText(HintText(r.Text));
    static const QMessageBox::Icon icons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                              QMessageBox::Information, QMessageBox::Question,
                                              QMessageBox::NoIcon};
    box.setIcon(icons[r.Type]);
    std::vector<std::pair<QAbstractButton*, int>> results;
    int escape = mrNone;
    for (const ButtonInfo& b : kButtons) {
      if (!r.Buttons.Contains(b.button)) continue;
      QPushButton* pb = box.addButton(ButtonCaption(b), b.role);
      results.emplace_back(pb, b.result);
      if (b.button == mbCancel) box.setEscapeButton(pb), escape = b.result;
    }
    if (results.empty()) results.emplace_back(box.addButton(ButtonCaption(kButtons[2]), QMessageBox::AcceptRole), mrOk);
    box.setDefaultButton(static_cast<QPushButton*>(results.front().first));
    box.exec();
    for (auto& [button, result] : results)
      if (box.clickedButton() == button) return result;
    return escape != mrNone ? escape : results.back().second;
  }

  bool InputQuery(const String& caption, const String& prompt, String& value) override {
    bool ok = false;
    QString text = QInputDialog::getText(QApplication::activeWindow(), QStr(caption), QStr(prompt),
                                         QLineEdit::Normal, QStr(value), &ok);
    if (ok) value = OStr(text);
    return ok;
  }

  bool ExecuteFileDialog(TFileDialogRequest& r) override {
    QFileDialog dialog(QApplication::activeWindow(), QStr(r.Title), StartFolder(r));
    dialog.setAcceptMode(r.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (r.Save)
      dialog.setFileMode(QFileDialog::AnyFile);
    else
      dialog.setFileMode(r.Options.Contains(ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                                                                : QFileDialog::ExistingFile);
    if (r.Save && !r.Options.Contains(ofOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters = QtFilters(r.Filter);
    if (!filters.isEmpty()) {
      dialog.setNameFilters(filters);
      int index = std::clamp(r.FilterIndex, 1, static_cast<int>(filters.size())) - 1;
      dialog.selectNameFilter(filters[index]);
    }
    if (!r.DefaultExt.empty()) dialog.setDefaultSuffix(QStr(r.DefaultExt));
    if (!r.FileName.empty()) dialog.selectFile(QStr(r.FileName));
    if (dialog.exec() != QDialog::Accepted) return false;
    r.Files.clear();
    for (const QString& f : dialog.selectedFiles()) r.Files.push_back(OStr(f));
    if (r.Files.empty()) return false;
    r.FileName = r.Files.front();
    RememberedFolder(r) = QFileInfo(QStr(r.FileName)).absolutePath();
    r.FilterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return true;
  }

  bool ExecuteColorDialog(TColor& color) override {
    QColor chosen = QColorDialog::getColor(ToQColor(color), QApplication::activeWindow());
    if (!chosen.isValid()) return false;
    color = FromQColor(chosen);
    return true;
  }

  bool ExecuteFontDialog(TFont& font) override {
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, ToQFont(font), QApplication::activeWindow());
    if (ok) FromQFont(chosen, font);
    return ok;
  }

  bool ExecutePrintDialog(TPrintDialogRequest& r) override {
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(PrintText("Print"));
    auto* form = new QFormLayout(&dialog);
    auto* copies = new QSpinBox;
    copies->setRange(1, 999);
    copies->setValue(std::max(1, r.Copies));
    auto* collate = new QCheckBox(PrintText("Collate"));
    collate->setChecked(r.Collate);
    auto* all = new QRadioButton(PrintText("All pages"));
    auto* pages = new QRadioButton(PrintText("Pages"));
    auto* from = new QSpinBox;
    auto* to = new QSpinBox;
    from->setRange(r.MinPage, std::max(r.MinPage, r.MaxPage));
    to->setRange(r.MinPage, std::max(r.MinPage, r.MaxPage));
    from->setValue(r.FromPage);
    to->setValue(r.ToPage);
    pages->setEnabled(r.AllowPageNums);
    (r.PrintRange == prPageNums && r.AllowPageNums ? pages : all)->setChecked(true);
    form->addRow(PrintText("Copies"), copies);
    form->addRow(QString(), collate);
    form->addRow(all);
    form->addRow(pages);
    form->addRow(PrintText("From"), from);
    form->addRow(PrintText("To"), to);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    r.Copies = copies->value();
    r.Collate = collate->isChecked();
    r.PrintRange = pages->isChecked() ? prPageNums : prAllPages;
    r.FromPage = from->value();
    r.ToPage = to->value();
    return true;
  }

  bool ExecutePrinterSetupDialog(TPrinterSetupRequest& r) override { return PrinterSetupDialog(r).Execute(); }
};

std::unique_ptr<IDialogService>& Replacement() {
  static std::unique_ptr<IDialogService> service;
  return service;
}

}  // namespace

IDialogService& DialogService() {
  static QtDialogService builtIn;
  EnsureQtApplication();
  return Replacement() ? *Replacement() : builtIn;
}

std::unique_ptr<IDialogService> SetDialogService(std::unique_ptr<IDialogService> Service) {
  std::swap(Replacement(), Service);
  return Service;
}

}  // namespace orv
