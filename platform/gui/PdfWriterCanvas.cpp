#include "platform/gui/PdfWriterCanvas.h"

#include <QPageSize>
#include <QPdfWriter>

#include "platform/gui/CanvasQt.h"

namespace orv {

struct TPdfWriterCanvas::Impl {
  explicit Impl(const String& fileName) : writer(QString::fromStdString(fileName)) {}
  QPdfWriter writer;
  bool finished = false;
};

TPdfWriterCanvas::TPdfWriterCanvas(const String& fileName, double widthPt, double heightPt,
                                   int resolution)
    : impl_(std::make_unique<Impl>(fileName)) {
  impl_->writer.setResolution(resolution);
  impl_->writer.setPageSize(QPageSize(QSizeF(widthPt, heightPt), QPageSize::Point));
  impl_->writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  AttachCanvasDevice(canvas_, &impl_->writer);
}

TPdfWriterCanvas::~TPdfWriterCanvas() { Finish(); }

void TPdfWriterCanvas::NewPage() {
  // The painter must be working on the document before a page can follow the first.
  CanvasPainter(canvas_);
  impl_->writer.newPage();
}

void TPdfWriterCanvas::Finish() {
  if (impl_->finished) return;
  impl_->finished = true;
  // Detaching ends the painter, which writes the rest of the file.
  DetachCanvas(canvas_);
}

}  // namespace orv
