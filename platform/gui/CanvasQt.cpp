#include "platform/gui/CanvasQt.h"

#include "platform/gui/CanvasPaint.h"

namespace orv {

QPainter* CanvasPainter(TCanvas& canvas) { return TCanvasAccess::Painter(canvas); }

void AttachCanvas(TCanvas& canvas, QPainter* painter) { TCanvasAccess::AttachPainter(canvas, painter); }

void AttachCanvasDevice(TCanvas& canvas, QPaintDevice* device) {
  TCanvasAccess::AttachDevice(canvas, device, dynamic_cast<QImage*>(device));
}

void DetachCanvas(TCanvas& canvas) { TCanvasAccess::Detach(canvas); }

void WatchCanvasText(TCanvas& canvas, std::function<void(const WideString&)> witness) {
  TCanvasAccess::SetTextWitness(canvas, std::move(witness));
}

QImage& BitmapImage(TBitmap& bitmap) { return TCanvasAccess::Image(bitmap); }

}  // namespace orv
