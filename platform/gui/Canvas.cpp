#include "platform/gui/Canvas.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QRegion>
#include <functional>
#include <cmath>
#include <optional>

#include "platform/fonts/FontFace.h"
#include "platform/gui/CanvasPaint.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/Graphic.h"

namespace orv {

struct TCanvas::Impl {
  // The painter in use: the attached one or own.
  QPainter* painter = nullptr;
  std::unique_ptr<QPainter> own;
  QPaintDevice* device = nullptr;
  QImage* image = nullptr;
  // A metafile canvas measures on a small image of the reference resolution.
  std::unique_ptr<QImage> reference;
  bool recorder = false;
  std::optional<QRegion> clip;
  std::vector<std::optional<QRegion>> clipStack;
  // Brings the device up to date before it is painted or read (a bitmap's palette image).
  std::function<void()> prepare;
  // Hears each text drawn, as the caller wrote it.
  std::function<void(const WideString&)> textWitness;

  QPaintDevice* MeasureDevice() const {
    if (reference) return reference.get();
    if (device) return device;
    return painter ? painter->device() : nullptr;
  }
  QPainter* Painter() {
    if (!painter && device) {
      own = std::make_unique<QPainter>();
      if (!own->begin(device)) {
        own.reset();
        throw EInvalidOperation("Canvas does not allow drawing");
      }
      painter = own.get();
    }
    return painter;
  }
  void EndPaint() {
    if (own) {
      own->end();
      own.reset();
      painter = nullptr;
    }
  }
  QRect DeviceRect() const {
    QPaintDevice* d = MeasureDevice();
    if (recorder || !d) return QRect(0, 0, 0x7FFFFFF, 0x7FFFFFF);
    return QRect(0, 0, d->width(), d->height());
  }
};

namespace {

void Normalize(TRect& r) {
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
}

TRect Union(const TRect& a, const TRect& b) {
  if (a.Left >= a.Right && a.Top >= a.Bottom) return b;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }
TRect FromQRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

}  // namespace

ORV_IMPLEMENT_CLASS(TCanvas, c) {
  c.Prop("Brush", [](TCanvas& cv) { return &cv.Brush(); }, [](TCanvas& cv, TBrush* b) { if (b) cv.SetBrush(*b); });
  c.Prop("Font", [](TCanvas& cv) { return &cv.Font(); }, [](TCanvas& cv, TFont* f) { if (f) cv.SetFont(*f); });
  c.Prop("Pen", [](TCanvas& cv) { return &cv.Pen(); }, [](TCanvas& cv, TPen* p) { if (p) cv.SetPen(*p); });
}

TCanvas::TCanvas()
    : impl_(std::make_unique<Impl>()),
      font_(std::make_unique<TFont>()),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()) {}

TCanvas::~TCanvas() { impl_->EndPaint(); }

bool TCanvas::CanDraw() const { return impl_->painter || impl_->device || impl_->recorder; }

void TCanvas::RequireDevice() const {
  if (!CanDraw()) throw EInvalidOperation("Canvas does not allow drawing");
}

int TCanvas::PixelsPerInchX() const {
  QPaintDevice* d = impl_->MeasureDevice();
  return d ? d->logicalDpiX() : 96;
}

int TCanvas::PixelsPerInchY() const {
  QPaintDevice* d = impl_->MeasureDevice();
  return d ? d->logicalDpiY() : 96;
}

namespace {

// Coordinates from callers (scripts, report files) are held far inside the int range, so
// that a shape's extent, its outline's growth and the pen's next position never overflow;
// the bound is still thousands of pages beyond any device.
constexpr int kCoordLimit = 1 << 24;
int Coord(long long v) { return static_cast<int>(std::clamp<long long>(v, -kCoordLimit, kCoordLimit)); }
TPoint Coords(TPoint p) { return {Coord(p.X), Coord(p.Y)}; }
TRect Coords(const TRect& r) { return {Coord(r.Left), Coord(r.Top), Coord(r.Right), Coord(r.Bottom)}; }
std::vector<TPoint> Coords(const std::vector<TPoint>& points) {
  std::vector<TPoint> result;
  result.reserve(points.size());
  for (const TPoint& p : points) result.push_back(Coords(p));
  return result;
}

TCanvasRecord NewRecord(TCanvas& canvas, TCanvasRecordKind kind) {
  TCanvasRecord r;
  r.Kind = kind;
  r.Pen = canvas.Pen().Data();
  r.Brush = canvas.Brush().Data();
  return r;
}

// The device area a shape covers, its outline included.
TRect ShapeBounds(const TRect& box, const TPenData& pen) {
  TRect r = box;
  Normalize(r);
  int grow = pen.Style == psClear ? 0 : pen.Width / 2;
  return {r.Left - grow, r.Top - grow, r.Right + grow, r.Bottom + grow};
}

}  // namespace

void TCanvas::MoveTo(int x, int y) { penPos_ = Coords(TPoint{x, y}); }

void TCanvas::LineTo(int x, int y) {
  RequireDevice();
  x = Coord(x);
  y = Coord(y);
  TCanvasRecord r = NewRecord(*this, crLine);
  r.Points = {penPos_, {x, y}};
  r.Bounds = ShapeBounds({std::min(penPos_.X, x), std::min(penPos_.Y, y), std::max(penPos_.X, x) + 1,
                          std::max(penPos_.Y, y) + 1}, r.Pen);
  Render(r);
  penPos_ = {x, y};
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  RequireDevice();
  TCanvasRecord r = NewRecord(*this, crRectangle);
  r.Rect = Coords(TRect{x1, y1, x2, y2});
  r.Bounds = ShapeBounds(r.Rect, r.Pen);
  Render(r);
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
  RequireDevice();
  TCanvasRecord r = NewRecord(*this, crRoundRect);
  r.Rect = Coords(TRect{x1, y1, x2, y2});
  r.Corner = {Coord(x3), Coord(y3)};
  r.Bounds = ShapeBounds(r.Rect, r.Pen);
  Render(r);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  RequireDevice();
  TCanvasRecord r = NewRecord(*this, crEllipse);
  r.Rect = Coords(TRect{x1, y1, x2, y2});
  r.Bounds = ShapeBounds(r.Rect, r.Pen);
  Render(r);
}

namespace {
void ArcRecord(TCanvasRecord& r, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  r.Rect = Coords(TRect{x1, y1, x2, y2});
  r.Points = {Coords(TPoint{x3, y3}), Coords(TPoint{x4, y4})};
  r.Bounds = ShapeBounds(r.Rect, r.Pen);
}
}  // namespace

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  RequireDevice();
  TCanvasRecord r = NewRecord(*this, crArc);
  ArcRecord(r, x1, y1, x2, y2, x3, y3, x4, y4);
  Render(r);
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  RequireDevice();
  TCanvasRecord r = NewRecord(*this, crPie);
  ArcRecord(r, x1, y1, x2, y2, x3, y3, x4, y4);
  Render(r);
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  RequireDevice();
  TCanvasRecord r = NewRecord(*this, crChord);
  ArcRecord(r, x1, y1, x2, y2, x3, y3, x4, y4);
  Render(r);
}

namespace {
TRect PointsBounds(const std::vector<TPoint>& points, const TPenData& pen) {
  TRect b{points[0].X, points[0].Y, points[0].X + 1, points[0].Y + 1};
  for (const TPoint& p : points) b = Union(b, {p.X, p.Y, p.X + 1, p.Y + 1});
  return ShapeBounds(b, pen);
}
}  // namespace

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  RequireDevice();
  if (points.empty()) return;
  TCanvasRecord r = NewRecord(*this, crPolygon);
  r.Points = Coords(points);
  r.Bounds = PointsBounds(r.Points, r.Pen);
  Render(r);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  RequireDevice();
  if (points.empty()) return;
  TCanvasRecord r = NewRecord(*this, crPolyline);
  r.Points = Coords(points);
  r.Bounds = PointsBounds(r.Points, r.Pen);
  Render(r);
  penPos_ = r.Points.back();
}

void TCanvas::FillRect(const TRect& rect) {
  RequireDevice();
  TCanvasRecord r = NewRecord(*this, crFillRect);
  r.Rect = Coords(rect);
  r.Bounds = r.Rect;
  Normalize(r.Bounds);
  Render(r);
}

void TCanvas::FrameRect(const TRect& rect) {
  RequireDevice();
  TCanvasRecord r = NewRecord(*this, crFrameRect);
  r.Rect = Coords(rect);
  r.Bounds = r.Rect;
  Normalize(r.Bounds);
  Render(r);
}

namespace {

// The cell a text run covers on the device, rotated about its origin.
TRect TextBounds(int x, int y, double width, double height, int orientation) {
  width = std::min(width, double{kCoordLimit});
  height = std::min(height, double{kCoordLimit});
  if (orientation == 0)
    return {x, y, x + static_cast<int>(std::ceil(width)), y + static_cast<int>(std::ceil(height))};
  double a = -orientation / 10.0 * std::numbers::pi / 180.0;
  double c = std::cos(a), s = std::sin(a);
  double xs[4], ys[4];
  double px[4] = {0, width, width, 0}, py[4] = {0, 0, height, height};
  for (int i = 0; i < 4; ++i) {
    xs[i] = x + px[i] * c - py[i] * s;
    ys[i] = y + px[i] * s + py[i] * c;
  }
  return {static_cast<int>(std::floor(*std::min_element(xs, xs + 4))),
          static_cast<int>(std::floor(*std::min_element(ys, ys + 4))),
          static_cast<int>(std::ceil(*std::max_element(xs, xs + 4))),
          static_cast<int>(std::ceil(*std::max_element(ys, ys + 4)))};
}

}  // namespace

void TCanvas::TextOut(int x, int y, const String& text) { TextOut(x, y, ToWide(text)); }

void TCanvas::TextOut(int x, int y, const WideString& text) {
  x = Coord(x);
  TextOutEx(x, y, text, {}, 0, nullptr);
  TSize size = TextExtent(text);
  // The pen moves to the end of the text, as the class library's TextOut leaves it.
  penPos_ = {Coord(static_cast<long long>(x) + size.cx), y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const String& text) {
  TextOutEx(x, y, ToWide(text), {}, etoClipped, &rect);
}

void TCanvas::TextRect(TRect& rect, const String& text, TTextFormat format) {
  RequireDevice();
  QFont font = MakeQFont(font_->Data(), impl_->MeasureDevice());
  QFontMetricsF metrics(font, impl_->MeasureDevice());
  QString q = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (format & tfCalcRect) {
    QRectF need = metrics.boundingRect(QRectF(ToQRect(rect)), TextRectFlags(format), q);
    rect.Bottom = rect.Top + static_cast<int>(std::ceil(need.height()));
    if ((format & tfSingleLine) || !(format & tfWordBreak))
      rect.Right = rect.Left + static_cast<int>(std::ceil(need.width()));
    return;
  }
  TCanvasRecord r = NewRecord(*this, crTextRect);
  r.Font = font_->Data();
  r.Text = ToWide(text);
  r.Rect = Coords(rect);
  r.Options = format;
  r.Bounds = r.Rect;
  Normalize(r.Bounds);
  Render(r);
}

void TCanvas::TextOutEx(int x, int y, const WideString& text, const std::vector<int>& advances,
                        int options, const TRect* clip) {
  RequireDevice();
  x = Coord(x);
  y = Coord(y);
  TCanvasRecord r = NewRecord(*this, crText);
  r.Font = font_->Data();
  r.Text = text;
  r.Points = {{x, y}};
  r.Advances = advances;
  r.Options = options & (etoOpaque | etoClipped | etoRtlReading);
  if (clip) r.Rect = Coords(*clip);
  else r.Options &= ~etoClipped;
  if (r.Options & etoOpaque) r.Brush.Style = bsSolid;
  QFont font = MakeQFont(r.Font, impl_->MeasureDevice());
  QFontMetricsF metrics(font, impl_->MeasureDevice());
  const double width = advances.empty() || text.empty() ? metrics.horizontalAdvance(ToQString(text))
                                                        : ShapedWidth(ShapeOn(r.Font, impl_->MeasureDevice(), text), advances);
  r.Bounds = TextBounds(x, y, width, metrics.ascent() + metrics.descent(), r.Font.Orientation);
  Render(r);
}

int TCanvas::TextWidth(const String& text) { return TextExtent(text).cx; }
int TCanvas::TextHeight(const String& text) { return TextExtent(text).cy; }
TSize TCanvas::TextExtent(const String& text) { return TextExtent(ToWide(text)); }

TSize TCanvas::TextExtent(const WideString& text) {
  RequireDevice();
  QFont font = MakeQFont(font_->Data(), impl_->MeasureDevice());
  QFontMetrics metrics(font, impl_->MeasureDevice());
  QFontMetricsF exact(font, impl_->MeasureDevice());
  return {static_cast<int>(std::lround(exact.horizontalAdvance(ToQString(text)))), metrics.height()};
}

TTextClusters TCanvas::TextExtentEx(const WideString& text, int maxWidth) {
  RequireDevice();
  return MeasureClusters(font_->Data(), impl_->MeasureDevice(), text, maxWidth);
}

void TCanvas::TextAdvances(const WideString& text, std::vector<int>& starts, std::vector<int>& advances) {
  RequireDevice();
  MeasureAdvances(font_->Data(), impl_->MeasureDevice(), text, starts, advances, true);
}

void TCanvas::LayoutAdvances(const WideString& text, std::vector<int>& starts, std::vector<int>& advances) {
  RequireDevice();
  MeasureAdvances(font_->Data(), impl_->MeasureDevice(), text, starts, advances, false);
}

TTextRunExtent TCanvas::TextRunExtent(const WideString& text) {
  RequireDevice();
  return MeasureRun(font_->Data(), impl_->MeasureDevice(), text);
}

namespace {

// Ascent or descent of a font on a device. Where fontconfig's face for the family name is a
// TrueType font, its own metrics give the window system's figure without loading the window
// system's font database, which a report run or an export that only measures never needs.
// Fixed pitch takes part in the window system's choice of face, so such a font asks it.
int FontExtent(const TFontData& f, QPaintDevice* device, bool ascent) {
  const QFont font = MakeQFont(f, device);
  if (f.Pitch != fpFixed)
    if (auto face = TFontFace::FamilyMetrics(f.Name, f.Style.Contains(fsBold), f.Style.Contains(fsItalic)))
      return ascent ? face->PixelAscent(font.pixelSize()) : face->PixelDescent(font.pixelSize());
  const QFontMetrics metrics(font, device);
  return ascent ? metrics.ascent() : metrics.descent();
}

}  // namespace

int TCanvas::FontAscent() {
  RequireDevice();
  return FontExtent(font_->Data(), impl_->MeasureDevice(), true);
}

int TCanvas::FontDescent() {
  RequireDevice();
  return FontExtent(font_->Data(), impl_->MeasureDevice(), false);
}

int TCanvas::FontInternalLeading() {
  RequireDevice();
  QFont font = MakeQFont(font_->Data(), impl_->MeasureDevice());
  QFontMetrics m(font, impl_->MeasureDevice());
  return std::max(0, m.ascent() + m.descent() - font.pixelSize());
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  x = Coord(x);
  y = Coord(y);
  StretchDraw({x, y, x + graphic.Width(), y + graphic.Height()}, graphic);
}

void TCanvas::StretchDraw(const TRect& r, TGraphic& graphic) {
  RequireDevice();
  if (graphic.Empty()) return;
  graphic.Draw(*this, Coords(r));
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  RequireDevice();
  if (!source.impl_->image) throw EInvalidOperation("Canvas does not allow drawing");
  TRect s = sourceRect;
  Normalize(s);
  if (source.impl_->prepare) source.impl_->prepare();
  QImage part = source.impl_->image->copy(ToQRect(s));
  TCanvasAccess::DrawImage(*this, dest, BitmapFromImage(part));
}

TColor TCanvas::Pixels(int x, int y) {
  if (impl_->prepare) impl_->prepare();
  QImage* image = impl_->image;
  if (!image || !image->valid(x, y)) return clNone;
  return FromQColor(image->pixelColor(x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  RequireDevice();
  TCanvasRecord r = NewRecord(*this, crPixel);
  r.Points = {{x, y}};
  r.Color = color;
  r.Bounds = {x, y, x + 1, y + 1};
  Render(r);
}

TRect TCanvas::ClipRect() {
  QRect area = impl_->DeviceRect();
  if (impl_->clip) area = impl_->clip->boundingRect();
  return FromQRect(area);
}

namespace {
TCanvasRecord ClipRecord(TCanvasRecordKind kind, const TRect& r = {}) {
  TCanvasRecord rec;
  rec.Kind = kind;
  rec.Rect = r;
  return rec;
}
}  // namespace

void TCanvas::IntersectClipRect(const TRect& r) { Render(ClipRecord(crIntersectClip, r)); }
void TCanvas::ExcludeClipRect(const TRect& r) { Render(ClipRecord(crExcludeClip, r)); }
void TCanvas::ResetClip() { Render(ClipRecord(crResetClip)); }
void TCanvas::SaveClip() { Render(ClipRecord(crSaveClip)); }
void TCanvas::RestoreClip() { Render(ClipRecord(crRestoreClip)); }

void TCanvas::Render(const TCanvasRecord& record) {
  Impl& d = *impl_;
  switch (record.Kind) {
    case crIntersectClip: {
      TRect r = record.Rect;
      Normalize(r);
      QRegion base = d.clip ? *d.clip : QRegion(d.DeviceRect());
      d.clip = base.intersected(ToQRect(r));
      return;
    }
    case crExcludeClip: {
      TRect r = record.Rect;
      Normalize(r);
      QRegion base = d.clip ? *d.clip : QRegion(d.DeviceRect());
      d.clip = base.subtracted(ToQRect(r));
      return;
    }
    case crResetClip: d.clip.reset(); return;
    case crSaveClip: d.clipStack.push_back(d.clip); return;
    case crRestoreClip:
      // An unbalanced restore keeps the clip as it is.
      if (!d.clipStack.empty()) {
        d.clip = d.clipStack.back();
        d.clipStack.pop_back();
      }
      return;
    default: break;
  }
  if (d.prepare) d.prepare();
  // An empty bitmap takes drawing and shows nothing.
  if (d.device && (d.device->width() == 0 || d.device->height() == 0)) return;
  QPainter* painter = d.Painter();
  if (!painter) throw EInvalidOperation("Canvas does not allow drawing");
  if (d.clip) painter->setClipRegion(*d.clip);
  else painter->setClipping(false);
  if (d.textWitness && (record.Kind == crText || record.Kind == crTextRect)) d.textWitness(record.Text);
  PaintRecord(*painter, record);
}

void TCanvas::Lock() {
  lock_.Enter();
  ++lockCount_;
}

void TCanvas::Unlock() {
  --lockCount_;
  lock_.Leave();
}

bool TCanvas::TryLock() {
  if (!lock_.TryEnter()) return false;
  ++lockCount_;
  return true;
}

QPainter* TCanvasAccess::Painter(TCanvas& canvas) {
  TCanvas::Impl& d = *canvas.impl_;
  if (d.recorder) return nullptr;
  QPainter* p = d.Painter();
  if (p) {
    if (d.clip) p->setClipRegion(*d.clip);
    else p->setClipping(false);
  }
  return p;
}

void TCanvasAccess::AttachPainter(TCanvas& canvas, QPainter* painter) {
  Detach(canvas);
  TCanvas::Impl& d = *canvas.impl_;
  d.painter = painter;
  if (painter && painter->hasClipping()) d.clip = painter->clipRegion();
  if (painter && painter->device()) canvas.Font().SetPixelsPerInch(painter->device()->logicalDpiY());
}

void TCanvasAccess::AttachDevice(TCanvas& canvas, QPaintDevice* device, QImage* image) {
  Detach(canvas);
  TCanvas::Impl& d = *canvas.impl_;
  d.device = device;
  d.image = image;
  if (device) canvas.Font().SetPixelsPerInch(device->logicalDpiY());
}

void TCanvasAccess::SetPrepare(TCanvas& canvas, std::function<void()> prepare) {
  canvas.impl_->prepare = std::move(prepare);
}

void TCanvasAccess::SetTextWitness(TCanvas& canvas, std::function<void(const WideString&)> witness) {
  canvas.impl_->textWitness = std::move(witness);
}

void TCanvasAccess::AttachRecorder(TCanvas& canvas, int pixelsPerInch) {
  Detach(canvas);
  TCanvas::Impl& d = *canvas.impl_;
  d.recorder = true;
  d.reference = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
  int dpm = static_cast<int>(std::lround(pixelsPerInch / 0.0254));
  d.reference->setDotsPerMeterX(dpm);
  d.reference->setDotsPerMeterY(dpm);
  canvas.Font().SetPixelsPerInch(pixelsPerInch);
}

void TCanvasAccess::Detach(TCanvas& canvas) {
  TCanvas::Impl& d = *canvas.impl_;
  d.EndPaint();
  d.painter = nullptr;
  d.device = nullptr;
  d.image = nullptr;
  d.reference.reset();
  d.recorder = false;
  d.clip.reset();
  d.clipStack.clear();
}

void TCanvasAccess::EndPaint(TCanvas& canvas) { canvas.impl_->EndPaint(); }

bool TCanvasAccess::Painting(const TCanvas& canvas) { return canvas.impl_->own != nullptr; }

void TCanvasAccess::DrawImage(TCanvas& canvas, const TRect& rect, std::shared_ptr<const TBitmap> image) {
  canvas.RequireDevice();
  TCanvasRecord r;
  r.Kind = crImage;
  r.Rect = rect;
  r.Bounds = rect;
  Normalize(r.Bounds);
  r.Image = std::move(image);
  canvas.Render(r);
}

}  // namespace orv
