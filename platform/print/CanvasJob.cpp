#include "platform/print/CanvasJob.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <filesystem>

#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasQt.h"

namespace orv {

struct TCanvasJob::Spool {
  QTemporaryFile file;
  std::unique_ptr<QPdfWriter> writer;
  QPainter painter;
  String target;
};

namespace {

QPageLayout Layout(const TPageFormat& f) {
  // QPageSize wants the portrait size; the orientation turns it.
  QSizeF portrait = f.Landscape ? QSizeF(f.Height, f.Width) : QSizeF(f.Width, f.Height);
  return QPageLayout(QPageSize(portrait, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                     f.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

}  // namespace

TCanvasJob::TCanvasJob() = default;

TCanvasJob::~TCanvasJob() { Discard(); }

bool TCanvasJob::Printing() const { return spool_ != nullptr; }

bool TCanvasJob::Begin(const String& title, const String& fileName, String& error) {
  Discard();
  auto spool = std::make_unique<Spool>();
  spool->target = fileName;
  // A file is spooled beside its target, so that finishing it is a rename on the same disk.
  QString dir = fileName.empty() ? QDir::tempPath()
                                 : QFileInfo(QString::fromStdString(fileName)).absolutePath();
  spool->file.setFileTemplate(dir + "/orvane-print-XXXXXX.pdf");
  if (!spool->file.open()) {
    error = "Cannot create a spool file in " + dir.toStdString() + ": " +
            spool->file.errorString().toStdString();
    return false;
  }
  spool->writer = std::make_unique<QPdfWriter>(spool->file.fileName());
  spool->writer->setResolution(kResolution);
  spool->writer->setTitle(QString::fromStdString(title));
  spool->writer->setCreator("Orvane");
  spool_ = std::move(spool);
  pages_ = 0;
  jobId_ = 0;
  return true;
}

void TCanvasJob::BeginPage(TCanvas& canvas, const TPageFormat& format) {
  if (!spool_) throw EInvalidOperation("Printing has not begun");
  Spool& s = *spool_;
  // The layout of a page is fixed when it starts: set it, then begin or turn the page.
  s.writer->setPageLayout(Layout(format));
  if (pages_ == 0) {
    if (!s.painter.begin(s.writer.get())) throw EInvalidOperation("Canvas does not allow drawing");
  } else {
    s.writer->newPage();
  }
  s.painter.resetTransform();
  const double dotsPerMm = kResolution / 25.4;
  s.painter.translate(format.OriginX * dotsPerMm, format.OriginY * dotsPerMm);
  AttachCanvas(canvas, &s.painter);
  canvas_ = &canvas;
  ++pages_;
}

void TCanvasJob::EndPage() {
  if (canvas_) DetachCanvas(*canvas_);
  canvas_ = nullptr;
}

bool TCanvasJob::End(const String& printer, const TJobOptions& options, String& error) {
  if (!spool_) {
    error = "Printing has not begun";
    return false;
  }
  EndPage();
  std::unique_ptr<Spool> s = std::move(spool_);
  if (pages_ == 0) {
    error = "The job has no pages";
    return false;
  }
  bool written = s->painter.end();
  s->writer.reset();
  s->file.close();
  if (!written) {
    error = "Cannot write the spool file " + s->file.fileName().toStdString();
    return false;
  }
  if (!s->target.empty()) {
    // A spool file is private to its owner; the file asked for gets the usual permissions.
    s->file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                           QFile::ReadOther);
    // One rename over the target: the old file stays until the new one is whole.
    std::error_code failed;
    std::filesystem::rename(s->file.fileName().toStdString(), s->target, failed);
    if (failed) {
      error = "Cannot write " + s->target + ": " + failed.message();
      return false;
    }
    s->file.setAutoRemove(false);
    return true;
  }
  return PrintFileJob(printer, options, dfPdf, s->file.fileName().toStdString(), jobId_, error);
}

void TCanvasJob::Abort() { Discard(); }

void TCanvasJob::Discard() {
  EndPage();
  if (spool_ && spool_->painter.isActive()) spool_->painter.end();
  spool_.reset();
}

}  // namespace orv
