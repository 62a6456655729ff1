#include "platform/print/CanvasJob.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasQt.h"
#include "platform/print/SpoolTextLayer.h"

namespace orv {

// One printer job's pages: what draws into its spool file.
struct TCanvasJob::Spool {
  String path;
  // The texts drawn that hold a mark two stored orders draw alike, in the order drawn.
  std::vector<WideString> written;
  std::unique_ptr<QPdfWriter> writer;
  QPainter painter;
  int pages = 0;
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
  files_.Begin(fileName);
  pages_ = 0;
  return OpenPart(error);
}

bool TCanvasJob::OpenPart(String& error) {
  auto spool = std::make_unique<Spool>();
  if (!files_.Add(spool->path, error)) return false;
  spool->writer = std::make_unique<QPdfWriter>(QString::fromStdString(spool->path));
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
  WatchCanvasText(canvas, [&s](const WideString& text) {
    if (text.find_first_of(u"\u0E33\u0E4D") != WideString::npos) s.written.push_back(text);
  });
  canvas_ = &canvas;
  ++s.pages;
  ++pages_;
}

void TCanvasJob::EndPage() {
  if (canvas_) {
    WatchCanvasText(*canvas_, nullptr);
    DetachCanvas(*canvas_);
  }
  canvas_ = nullptr;
}

bool TCanvasJob::Cut(const TJobOptions& options, String& error) {
  if (!spool_ || files_.ToFile() || spool_->pages == 0) return true;
  EndPage();
  return ClosePart(options, error) && OpenPart(error);
}

bool TCanvasJob::ClosePart(const TJobOptions& options, String& error) {
  std::unique_ptr<Spool> part = std::move(spool_);
  bool written = part->painter.end();
  part->writer.reset();
  if (!written || !MendSpoolTextLayer(part->path, part->written)) {
    error = "Cannot write the spool file " + part->path;
    return false;
  }
  files_.SetOptions(options);
  return true;
}

bool TCanvasJob::End(const String& printer, const TJobOptions& options, String& error) {
  if (!spool_ && files_.Count() == 0) {
    error = "Printing has not begun";
    return false;
  }
  EndPage();
  if (spool_ && spool_->pages > 0) {
    if (!ClosePart(options, error)) {
      Discard();
      return false;
    }
  } else if (spool_) {
    spool_.reset();
    files_.DropLast();
  }
  return files_.End(printer, error);
}

void TCanvasJob::Abort() { Discard(); }

void TCanvasJob::Discard() {
  EndPage();
  if (spool_ && spool_->painter.isActive()) spool_->painter.end();
  spool_.reset();
  files_.Discard();
}

}  // namespace orv
