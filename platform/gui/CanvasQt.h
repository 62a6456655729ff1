#pragma once
// The one place where a canvas meets Qt: widgets, the printer layer and the control kit reach
// the painter of a canvas and attach canvases to painters and devices here.
#include <functional>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"

class QPainter;
class QPaintDevice;
class QImage;

namespace orv {

// The painter the canvas draws with, begun on its device when needed; nullptr for a canvas
// without one (a metafile canvas records instead of painting). The canvas keeps ownership.
QPainter* CanvasPainter(TCanvas& canvas);
// Draws through a painter the caller owns and keeps active (a widget's paint event, a printer
// page) until DetachCanvas; the font's PixelsPerInch follows the painter's device.
void AttachCanvas(TCanvas& canvas, QPainter* painter);
// Draws on device with a painter of the canvas's own, begun at the first drawing call and
// ended by DetachCanvas or when the canvas is freed.
void AttachCanvasDevice(TCanvas& canvas, QPaintDevice* device);
// Drops the painter or device; the canvas cannot draw until attached again.
void DetachCanvas(TCanvas& canvas);
// Tells witness each text the canvas draws, as written, in the order drawn, until called again
// with none: what a PDF spool's text layer reads as.
void WatchCanvasText(TCanvas& canvas, std::function<void(const WideString&)> witness);

// The pixels of a bitmap as Qt holds them, with drawing on its canvas finished first.
QImage& BitmapImage(TBitmap& bitmap);

}  // namespace orv
