#pragma once
// Inside the graphics layer: how canvas records become QPainter calls, and the access that the
// graphic classes and the Qt-facing functions have to a canvas.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <functional>
#include <memory>

#include "platform/fonts/TextShaping.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/CanvasRecord.h"

namespace orv {

QString ToQString(const WideString& text);
WideString ToWide(const String& text);
// The Qt font of a font value; the pixel size follows the sign rule of TFontData::Height,
// measured on device.
QFont MakeQFont(const TFontData& font, QPaintDevice* device);

// Text shaped in font on device, as laid out and drawn; valid until the next call on this thread.
const TTextShape& ShapeOn(const TFontData& font, QPaintDevice* device, const WideString& text);
// The width of a shape written with advances (device pixels per cluster; the natural ones
// where the list runs short).
double ShapedWidth(const TTextShape& shape, const std::vector<int>& advances);
// Cluster count and whole extent of text in font on device (see TCanvas::TextRunExtent).
TTextRunExtent MeasureRun(const TFontData& font, QPaintDevice* device, const WideString& text);
// Clusters and the steps between their extents (see TCanvas::TextAdvances); toWrite keeps the
// text's shape for the ShapeOn that writes it next.
void MeasureAdvances(const TFontData& font, QPaintDevice* device, const WideString& text, std::vector<int>& starts,
                     std::vector<int>& advances, bool toWrite);
// Clusters and extents of text in font on device (see TCanvas::TextExtentEx).
TTextClusters MeasureClusters(const TFontData& font, QPaintDevice* device, const WideString& text, int maxWidth);

// Qt's drawText flags for TextRect's format.
int TextRectFlags(int format);

// Paints a drawing record (clip records excluded) with painter on device.
void PaintRecord(QPainter& painter, const TCanvasRecord& record);

// A record scaled for replay: points * scale + offset, pen widths, font heights and advances
// scaled alike.
TCanvasRecord ScaleRecord(const TCanvasRecord& record, double sx, double sy, double ox, double oy);

// What the graphic classes and CanvasQt.cpp may do with a canvas beyond its public interface.
struct TCanvasAccess {
  static QPainter* Painter(TCanvas& canvas);
  static void AttachPainter(TCanvas& canvas, QPainter* painter);
  // image != nullptr when the device keeps readable pixels.
  static void AttachDevice(TCanvas& canvas, QPaintDevice* device, QImage* image);
  static void AttachRecorder(TCanvas& canvas, int pixelsPerInch);
  // Called before the device is painted or its pixels read.
  static void SetPrepare(TCanvas& canvas, std::function<void()> prepare);
  static void SetTextWitness(TCanvas& canvas, std::function<void(const WideString&)> witness);
  static void Detach(TCanvas& canvas);
  // Ends the canvas's own painter, so that its image may be reallocated or read whole.
  static void EndPaint(TCanvas& canvas);
  static bool Painting(const TCanvas& canvas);
  static void Render(TCanvas& canvas, const TCanvasRecord& record) { canvas.Render(record); }
  // Records an image drawn stretched into r.
  static void DrawImage(TCanvas& canvas, const TRect& r, std::shared_ptr<const TBitmap> image);
  static QImage& Image(TBitmap& bitmap);
};

// A bitmap holding a copy of image (its pixel format follows the image's).
std::shared_ptr<TBitmap> BitmapFromImage(const QImage& image);

}  // namespace orv
