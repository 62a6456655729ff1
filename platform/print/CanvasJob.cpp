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
#include "platform/print/SpoolTextLayer.h"

namespace orv {

// One printer job's pages: a PDF spool file and what draws into it.
struct TCanvasJob::Spool {
  QTemporaryFile file;
  std::unique_ptr<QPdfWriter> writer;
  QPainter painter;
  int pages = 0;
  TJobOptions options;
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
  title_ = title;
  target_ = fileName;
  jobIds_.clear();
  pages_ = 0;
  return OpenPart(error);
}

bool TCanvasJob::OpenPart(String& error) {
  auto spool = std::make_unique<Spool>();
  // A file is spooled beside its target, so that finishing it is a rename on the same disk.
  QString dir = target_.empty() ? QDir::tempPath()
                                : QFileInfo(QString::fromStdString(target_)).absolutePath();
  spool->file.setFileTemplate(dir + "/orvane-print-XXXXXX.pdf");
  if (!spool->file.open()) {
    error = "Cannot create a spool file in " + dir.toStdString() + ": " +
            spool->file.errorString().toStdString();
    return false;
  }
  spool->writer = std::make_unique<QPdfWriter>(spool->file.fileName());
  spool->writer->setResolution(kResolution);
  spool->writer->setTitle(QString::fromStdString(title_));
  spool->writer->setCreator("Orvane");
  spool_ = std::move(spool);
  return true;
}

void TCanvasJob::BeginPage(TCanvas& canvas, const TPageFormat& format) {
  if (!spool_) throw EInvalidOperation("Printing has not begun");
  Spool& s = *spool_;
  // The layout of a page is fixed when it starts: set it, then begin or turn the page.
  s.writer->setPageLayout(Layout(format));
  if (s.pages == 0) {
    if (!s.painter.begin(s.writer.get())) throw EInvalidOperation("Canvas does not allow drawing");
  } else {
    s.writer->newPage();
  }
  s.painter.resetTransform();
  const double dotsPerMm = kResolution / 25.4;
  s.painter.translate(format.OriginX * dotsPerMm, format.OriginY * dotsPerMm);
  AttachCanvas(canvas, &s.painter);
  canvas_ = &canvas;
  ++s.pages;
  ++pages_;
}

void TCanvasJob::EndPage() {
  if (canvas_) DetachCanvas(*canvas_);
  canvas_ = nullptr;
}

bool TCanvasJob::Cut(const TJobOptions& options, String& error) {
  if (!spool_ || !target_.empty() || spool_->pages == 0) return true;
  EndPage();
  spool_->options = options;
  parts_.push_back(std::move(spool_));
  return OpenPart(error);
}

bool TCanvasJob::ClosePart(Spool& part, String& error) {
  bool written = part.painter.end();
  part.writer.reset();
  part.file.close();
  if (!written) {
    error = "Cannot write the spool file " + part.file.fileName().toStdString();
    return false;
  }
  if (!MendSpoolTextLayer(part.file.fileName().toStdString())) {
    error = "Cannot write the spool file " + part.file.fileName().toStdString();
    return false;
  }
  return true;
}

bool TCanvasJob::End(const String& printer, const TJobOptions& options, String& error) {
  if (!spool_ && parts_.empty()) {
    error = "Printing has not begun";
    return false;
  }
  EndPage();
  if (spool_ && spool_->pages > 0) {
    spool_->options = options;
    parts_.push_back(std::move(spool_));
  }
  spool_.reset();
  std::vector<std::unique_ptr<Spool>> parts = std::move(parts_);
  parts_.clear();
  if (pages_ == 0 || parts.empty()) {
    error = "The job has no pages";
    return false;
  }
  for (auto& part : parts)
    if (!ClosePart(*part, error)) return false;
  if (!target_.empty()) {
    Spool& s = *parts.front();
    // A spool file is private to its owner; the file asked for gets the usual permissions.
    s.file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                          QFile::ReadOther);
    // One rename over the target: the old file stays until the new one is whole.
    std::error_code failed;
    std::filesystem::rename(s.file.fileName().toStdString(), target_, failed);
    if (failed) {
      error = "Cannot write " + target_ + ": " + failed.message();
      return false;
    }
    s.file.setAutoRemove(false);
    return true;
  }
  for (auto& part : parts) {
    int id = 0;
    if (!PrintFileJob(printer, part->options, dfPdf, part->file.fileName().toStdString(), id, error))
      return false;
    jobIds_.push_back(id);
  }
  return true;
}

void TCanvasJob::Abort() { Discard(); }

void TCanvasJob::Discard() {
  EndPage();
  if (spool_ && spool_->painter.isActive()) spool_->painter.end();
  spool_.reset();
  for (auto& part : parts_)
    if (part->painter.isActive()) part->painter.end();
  parts_.clear();
}

}  // namespace orv
