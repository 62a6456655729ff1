#include "platform/sheet/SheetPreviewWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cmath>
#include <mutex>

#include "platform/gui/Application.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasQt.h"
#include "platform/print/PrintServer.h"
#include "platform/sheet/SheetAutomation.h"

namespace orv {

namespace {

constexpr int kMinZoom = 25, kMaxZoom = 400, kZoomStep = 25;

QString Q(const String& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QPushButton* Button(QWidget* parent, QBoxLayout* row, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QLatin1String(name));
  b->setAutoDefault(false);
  row->addWidget(b);
  return b;
}

std::mutex gLock;
TSheetPreviewHandler gPreview = [](const SheetWorksheet& sheet) { ShowSheetPreview(sheet); };

}  // namespace

SheetPreviewWindow::SheetPreviewWindow(const SheetWorksheet& sheet, QWidget* parent)
    : QDialog(parent), layout_(sheet), title_(sheet.Name()) {
  setWindowTitle(Q(title_));
  auto* column = new QVBoxLayout(this);
  auto* row = new QHBoxLayout();
  column->addLayout(row);
  previous_ = Button(this, row, "previous", "Previous");
  next_ = Button(this, row, "next", "Next");
  pageLabel_ = new QLabel(this);
  pageLabel_->setObjectName(QLatin1String("page"));
  row->addWidget(pageLabel_);
  zoomOut_ = Button(this, row, "zoomOut", "Zoom out");
  zoomIn_ = Button(this, row, "zoomIn", "Zoom in");
  // The printers of the print server, its default one chosen.
  printer_ = new QComboBox(this);
  printer_->setObjectName(QLatin1String("printer"));
  row->addWidget(printer_);
  TPrinterList printers = ListPrinters();
  for (const String& name : printers.Names) printer_->addItem(Q(name));
  if (!printers.Default.empty()) printer_->setCurrentText(Q(printers.Default));
  printError_ = !printers.ServerReachable ? printers.Error : printers.Names.empty() ? String("No printer is installed") : String();
  printer_->setEnabled(printer_->count() > 0);
  print_ = Button(this, row, "print", "Print");
  QPushButton* close = Button(this, row, "close", "Close");
  row->addStretch();
  auto* scroll = new QScrollArea(this);
  picture_ = new QLabel();
  picture_->setObjectName(QLatin1String("picture"));
  scroll->setWidget(picture_);
  scroll->setAlignment(Qt::AlignHCenter);
  scroll->setBackgroundRole(QPalette::Dark);
  column->addWidget(scroll, 1);

  connect(previous_, &QPushButton::clicked, this, [this] { ShowPage(page_ - 1); });
  connect(next_, &QPushButton::clicked, this, [this] { ShowPage(page_ + 1); });
  connect(zoomIn_, &QPushButton::clicked, this, [this] { SetZoom(zoom_ + kZoomStep); });
  connect(zoomOut_, &QPushButton::clicked, this, [this] { SetZoom(zoom_ - kZoomStep); });
  connect(print_, &QPushButton::clicked, this, [this] { Print(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  resize(900, 1000);
  ShowPage(0);
}

void SheetPreviewWindow::ShowPage(int page) {
  page_ = std::clamp(page, 0, layout_.PageCount() - 1);
  // The paper at the zoom's share of the screen's 96 dots per inch.
  const double dpi = 96.0 * zoom_ / 100;
  const TPageFormat paper = layout_.Format();
  image_ = QImage(static_cast<int>(std::lround(paper.Width / 25.4 * dpi)),
                  static_cast<int>(std::lround(paper.Height / 25.4 * dpi)), QImage::Format_RGB32);
  const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
  image_.setDotsPerMeterX(dpm);
  image_.setDotsPerMeterY(dpm);
  image_.fill(Qt::white);
  {
    TCanvas canvas;
    AttachCanvasDevice(canvas, &image_);
    layout_.DrawPage(canvas, page_);
    DetachCanvas(canvas);
  }
  picture_->setPixmap(QPixmap::fromImage(image_));
  picture_->resize(image_.size());
  pageLabel_->setText(QStringLiteral("Page %1 of %2").arg(page_ + 1).arg(layout_.PageCount()));
  previous_->setEnabled(page_ > 0);
  next_->setEnabled(page_ + 1 < layout_.PageCount());
  zoomIn_->setEnabled(zoom_ < kMaxZoom);
  zoomOut_->setEnabled(zoom_ > kMinZoom);
}

void SheetPreviewWindow::SetZoom(int percent) {
  zoom_ = std::clamp(percent, kMinZoom, kMaxZoom);
  ShowPage(page_);
}

String SheetPreviewWindow::Printer() const { return printer_->currentText().toStdString(); }

void SheetPreviewWindow::Print() {
  String error = printError_;
  if (!error.empty()) {
    QMessageBox::warning(this, Q(title_), Q("The pages were not printed: " + error));
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool printed = PrintSheetPages(layout_, title_, Printer(), String(), error);
  QApplication::restoreOverrideCursor();
  if (!printed) QMessageBox::warning(this, Q(title_), Q("The pages were not printed: " + error));
}

void ShowSheetPreview(const SheetWorksheet& sheet) {
  Application->Initialize();
  SheetPreviewWindow window(sheet, QApplication::activeWindow());
  window.exec();
}

void PreviewSheet(const SheetWorksheet& sheet) {
  TSheetPreviewHandler preview;
  {
    std::lock_guard lock(gLock);
    preview = gPreview;
  }
  if (preview) preview(sheet);
}

void SetSheetPreviewHandler(TSheetPreviewHandler handler) {
  std::lock_guard lock(gLock);
  gPreview = std::move(handler);
}

}  // namespace orv
