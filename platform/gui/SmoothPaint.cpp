#include "platform/gui/SmoothPaint.h"

#include <QBuffer>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "platform/gui/CanvasQt.h"
#include "platform/gui/PictureBudget.h"
#include "platform/gui/QtBridge.h"

namespace orv {

namespace {

// Files larger than this are refused before decoding rather than trusted with memory.
constexpr std::size_t kMaxFileBytes = std::size_t(256) * 1024 * 1024;

QColor ToQArgb(TArgb c) { return QColor::fromRgba(c); }

QRectF ToQRect(const TPaintRect& r) { return QRectF(r.X, r.Y, r.Width, r.Height); }

TArgb Lerp(TArgb a, TArgb b, float t) {
  auto ch = [&](int shift) {
    float x = float((a >> shift) & 0xFF), y = float((b >> shift) & 0xFF);
    return TArgb(std::lround(x + (y - x) * t)) << shift;
  };
  return ch(24) | ch(16) | ch(8) | ch(0);
}

// The colour at position t of stops sorted by position.
TArgb StopColor(const std::vector<TPaintStop>& stops, float t) {
  if (t <= stops.front().Position) return stops.front().Color;
  for (size_t i = 1; i < stops.size(); ++i) {
    if (t <= stops[i].Position) {
      float span = stops[i].Position - stops[i - 1].Position;
      float f = span > 0 ? (t - stops[i - 1].Position) / span : 1.0f;
      return Lerp(stops[i - 1].Color, stops[i].Color, f);
    }
  }
  return stops.back().Color;
}

// Colours blended in linear light: the stored values are gamma 2.2.
TArgb LerpLinearLight(TArgb a, TArgb b, float t) {
  auto ch = [&](int shift) {
    double x = std::pow(((a >> shift) & 0xFF) / 255.0, 2.2), y = std::pow(((b >> shift) & 0xFF) / 255.0, 2.2);
    return TArgb(std::lround(std::pow(x + (y - x) * t, 1 / 2.2) * 255)) << shift;
  };
  TArgb alpha = TArgb(std::lround(((a >> 24) & 0xFF) + ((float((b >> 24) & 0xFF) - float((a >> 24) & 0xFF)) * t))) << 24;
  return alpha | ch(16) | ch(8) | ch(0);
}

}  // namespace

// ---- path ----

struct TPaintPath::Impl {
  QPainterPath path;
  bool figureOpen = false;
  // Joins a new piece to the open figure, as the kit's figures are traced piece by piece.
  void Continue(QPointF start) {
    if (figureOpen && !path.isEmpty())
      path.lineTo(start);
    else
      path.moveTo(start);
    figureOpen = true;
  }
};

TPaintPath::TPaintPath(bool winding) : impl_(std::make_unique<Impl>()) {
  impl_->path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
}
TPaintPath::TPaintPath(const TPaintPath& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}
TPaintPath& TPaintPath::operator=(const TPaintPath& other) {
  *impl_ = *other.impl_;
  return *this;
}
TPaintPath::~TPaintPath() = default;

void TPaintPath::AddLine(float x1, float y1, float x2, float y2) {
  impl_->Continue(QPointF(x1, y1));
  impl_->path.lineTo(x2, y2);
}

void TPaintPath::AddArc(const TPaintRect& box, float startAngle, float sweepAngle) {
  // Qt counts angles counter-clockwise; the kit's run clockwise on screen.
  QRectF r = ToQRect(box);
  QPainterPath probe;
  probe.arcMoveTo(r, -startAngle);
  impl_->Continue(probe.currentPosition());
  impl_->path.arcTo(r, -startAngle, -sweepAngle);
}

void TPaintPath::AddRectangle(const TPaintRect& r) {
  impl_->path.addRect(ToQRect(r));
  impl_->figureOpen = false;
}

void TPaintPath::AddEllipse(const TPaintRect& r) {
  impl_->path.addEllipse(ToQRect(r));
  impl_->figureOpen = false;
}

void TPaintPath::AddPath(const TPaintPath& other) {
  impl_->path.addPath(other.impl_->path);
  impl_->figureOpen = false;
}

void TPaintPath::CloseFigure() {
  impl_->path.closeSubpath();
  impl_->figureOpen = false;
}

int TPaintPath::PointCount() const {
  int n = 0;
  for (const QPolygonF& p : impl_->path.toSubpathPolygons()) n += static_cast<int>(p.size());
  return n;
}

// ---- image ----

struct TPaintImage::Impl {
  QImage image;  // ARGB32, not premultiplied
  const char* format = "";
};

TPaintImage::TPaintImage() : impl_(std::make_unique<Impl>()) {}

TPaintImage::TPaintImage(int width, int height) : TPaintImage() {
  if (width <= 0 || height <= 0) return;
  impl_->image = QImage(width, height, QImage::Format_ARGB32);
  impl_->image.fill(Qt::transparent);
}

TPaintImage::TPaintImage(const TPaintImage& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}
TPaintImage& TPaintImage::operator=(const TPaintImage& other) {
  *impl_ = *other.impl_;
  return *this;
}
TPaintImage::~TPaintImage() = default;

bool TPaintImage::Decode(const void* data, std::size_t size) {
  *impl_ = Impl{};
  impl_->image = QImage();
  if (!data || size == 0 || size > kMaxFileBytes) return false;
  QByteArray bytes(static_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  LimitImageReaders();
  QImageReader reader(&buffer);
  reader.setAutoTransform(false);
  QByteArray fmt = reader.format();
  QSize declared = reader.size();
  // The size the header claims, before any pixel is allocated; readers that cannot tell it
  // beforehand are held to the same budget by the reader limit.
  if (fmt.isEmpty() || (declared.isValid() && !PictureFitsBudget(declared.width(), declared.height())))
    return false;
  QImage image;
  if (!reader.read(&image) || image.isNull() || !PictureFitsBudget(image.width(), image.height())) return false;
  static const std::pair<const char*, const char*> kNames[] = {
      {"bmp", "BMP"}, {"jpeg", "JPEG"}, {"jpg", "JPEG"}, {"png", "PNG"},
      {"gif", "GIF"}, {"tiff", "TIFF"}, {"tif", "TIFF"}, {"ico", "ICO"}};
  for (const auto& [qt, name] : kNames)
    if (fmt == qt) impl_->format = name;
  impl_->image = image.convertToFormat(QImage::Format_ARGB32);
  return true;
}

bool TPaintImage::SetPixels(int width, int height, const std::vector<TArgb>& pixels) {
  if (width <= 0 || height <= 0 || pixels.size() != std::size_t(width) * std::size_t(height)) return false;
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    std::copy_n(pixels.data() + std::size_t(y) * width, width, reinterpret_cast<TArgb*>(image.scanLine(y)));
  *impl_ = Impl{};
  impl_->image = image;
  return true;
}

bool TPaintImage::Null() const { return impl_->image.isNull(); }
int TPaintImage::Width() const { return impl_->image.width(); }
int TPaintImage::Height() const { return impl_->image.height(); }

TArgb TPaintImage::Pixel(int x, int y) const {
  if (!impl_->image.valid(x, y)) return 0;
  // Unpremultiplied even while a painter works on the image.
  return impl_->image.pixel(x, y);
}

const char* TPaintImage::FileFormat() const { return impl_->format; }

// ---- brush ----

struct TPaintBrush::Impl {
  enum Kind { Solid, Hatch, Linear, PathGradient, Texture } kind = Solid;
  TArgb color1 = 0xFF000000, color2 = 0xFF000000;
  TPaintHatch hatch{};
  TPaintRect rect;
  float angle = 0;
  bool gamma = false;
  std::vector<TPaintStop> stops;
  QPainterPath path;
  TPaintPoint center;
  QImage texture;

  std::vector<TPaintStop> Stops() const {
    if (!stops.empty()) return stops;
    // A path gradient runs from the outline (surround colour) to the centre.
    return {{0, kind == PathGradient ? color2 : color1}, {1, kind == PathGradient ? color1 : color2}};
  }
};

TPaintBrush::TPaintBrush() : impl_(std::make_unique<Impl>()) {}
TPaintBrush::TPaintBrush(const TPaintBrush& other) : impl_(std::make_unique<Impl>(*other.impl_)) {}
TPaintBrush& TPaintBrush::operator=(const TPaintBrush& other) {
  *impl_ = *other.impl_;
  return *this;
}
TPaintBrush::~TPaintBrush() = default;

TPaintBrush TPaintBrush::Solid(TArgb color) {
  TPaintBrush b;
  b.impl_->color1 = color;
  return b;
}

TPaintBrush TPaintBrush::Hatch(const TPaintHatch& pattern, TArgb foreground, TArgb background) {
  TPaintBrush b;
  b.impl_->kind = Impl::Hatch;
  b.impl_->hatch = pattern;
  b.impl_->color1 = foreground;
  b.impl_->color2 = background;
  return b;
}

TPaintBrush TPaintBrush::Linear(const TPaintRect& r, float angleDegrees, TArgb color1, TArgb color2) {
  TPaintBrush b;
  b.impl_->kind = Impl::Linear;
  b.impl_->rect = r;
  b.impl_->angle = angleDegrees;
  b.impl_->color1 = color1;
  b.impl_->color2 = color2;
  return b;
}

TPaintBrush TPaintBrush::PathGradient(const TPaintPath& path) {
  TPaintBrush b;
  b.impl_->kind = Impl::PathGradient;
  b.impl_->path = path.Data().path;
  QRectF r = b.impl_->path.boundingRect();
  b.impl_->center = {float(r.center().x()), float(r.center().y())};
  b.impl_->color1 = 0xFF000000;
  b.impl_->color2 = 0xFFFFFFFF;
  return b;
}

TPaintBrush TPaintBrush::Texture(const TPaintImage& image) {
  TPaintBrush b;
  b.impl_->kind = Impl::Texture;
  b.impl_->texture = image.Data().image;
  return b;
}

void TPaintBrush::SetStops(std::vector<TPaintStop> stops) {
  std::stable_sort(stops.begin(), stops.end(), [](auto& a, auto& b) { return a.Position < b.Position; });
  impl_->stops = std::move(stops);
}
void TPaintBrush::SetGammaCorrection(bool value) { impl_->gamma = value; }
void TPaintBrush::SetCenterColor(TArgb color) { impl_->color1 = color; }
void TPaintBrush::SetSurroundColor(TArgb color) { impl_->color2 = color; }
void TPaintBrush::SetCenterPoint(TPaintPoint point) { impl_->center = point; }

namespace {

QBrush LinearBrush(const TPaintBrush::Impl& b) {
  const TPaintRect& r = b.rect;
  if (r.Width <= 0 || r.Height <= 0) return QBrush(ToQArgb(b.color1));
  double a = b.angle * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  // Projections of the unit square's corners give where the gradient begins and ends.
  double lo = std::min({0.0, c, s, c + s}), hi = std::max({0.0, c, s, c + s});
  double range = hi - lo;
  if (range <= 0) return QBrush(ToQArgb(b.color1));
  QPointF g(c / (r.Width * range), s / (r.Height * range));
  double g2 = g.x() * g.x() + g.y() * g.y();
  double t0 = -lo / range;  // the gradient's value at the rectangle's top left
  QPointF origin(r.X, r.Y);
  QPointF p0 = origin - g * (t0 / g2);
  QLinearGradient gradient(p0, p0 + g / g2);
  gradient.setSpread(QGradient::RepeatSpread);
  std::vector<TPaintStop> stops = b.Stops();
  if (b.gamma) {
    std::vector<TPaintStop> fine;
    for (size_t i = 1; i < stops.size(); ++i) {
      for (int k = 0; k < 16; ++k) {
        float f = k / 16.0f;
        fine.push_back({stops[i - 1].Position + (stops[i].Position - stops[i - 1].Position) * f,
                        LerpLinearLight(stops[i - 1].Color, stops[i].Color, f)});
      }
    }
    fine.push_back(stops.back());
    stops = std::move(fine);
  }
  for (const TPaintStop& stop : stops) gradient.setColorAt(std::clamp(stop.Position, 0.0f, 1.0f), ToQArgb(stop.Color));
  return QBrush(gradient);
}

// Where the ray from centre through p leaves the outline, as a multiple of |p - centre|.
double OutlineDistance(const std::vector<QLineF>& edges, QPointF c, QPointF dir, double d) {
  double best = -1, farthest = -1;
  for (const QLineF& e : edges) {
    QPointF a = e.p1(), b = e.p2();
    QPointF ab = b - a;
    double den = dir.x() * ab.y() - dir.y() * ab.x();
    if (std::abs(den) < 1e-12) continue;
    QPointF ac = a - c;
    double u = (ac.x() * ab.y() - ac.y() * ab.x()) / den;
    double v = (ac.x() * dir.y() - ac.y() * dir.x()) / den;
    if (u <= 1e-9 || v < -1e-9 || v > 1 + 1e-9) continue;
    farthest = std::max(farthest, u);
    if (u >= d * (1 - 1e-6) && (best < 0 || u < best)) best = u;
  }
  return best > 0 ? best : farthest;
}

// A path gradient has no painter brush of its own: its colours are worked out pixel by pixel
// over the path's bounds and painted as an image brush.
QBrush PathGradientBrush(const TPaintBrush::Impl& b, QRectF area) {
  QRect box = area.toAlignedRect().adjusted(-1, -1, 1, 1);
  if (box.isEmpty() || !PictureFitsBudget(box.width(), box.height())) return QBrush();
  std::vector<QLineF> edges;
  for (const QPolygonF& poly : b.path.toSubpathPolygons()) {
    for (qsizetype i = 0; i + 1 < poly.size(); ++i) edges.emplace_back(poly[i], poly[i + 1]);
    if (poly.size() > 1 && poly.front() != poly.back()) edges.emplace_back(poly.back(), poly.front());
  }
  std::vector<TPaintStop> stops = b.Stops();
  QPointF c(b.center.X, b.center.Y);
  QImage image(box.size(), QImage::Format_ARGB32);
  for (int y = 0; y < box.height(); ++y) {
    auto* row = reinterpret_cast<TArgb*>(image.scanLine(y));
    for (int x = 0; x < box.width(); ++x) {
      QPointF p(box.x() + x + 0.5, box.y() + y + 0.5);
      QPointF v = p - c;
      double d = std::hypot(v.x(), v.y());
      float position = 1;
      if (d > 1e-9) {
        double u = OutlineDistance(edges, c, v / d, d);
        position = u > 0 ? float(1 - std::clamp(d / u, 0.0, 1.0)) : 0.0f;
      }
      row[x] = StopColor(stops, position);
    }
  }
  QBrush brush(image);
  brush.setTransform(QTransform::fromTranslate(box.x(), box.y()));
  return brush;
}

QBrush ToQBrush(const TPaintBrush::Impl& b, QRectF area) {
  switch (b.kind) {
    case TPaintBrush::Impl::Solid:
      return QBrush(ToQArgb(b.color1));
    case TPaintBrush::Impl::Hatch: {
      QImage tile(8, 8, QImage::Format_ARGB32);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          tile.setPixel(x, y, (b.hatch[y] >> (7 - x)) & 1 ? b.color1 : b.color2);
      return QBrush(tile);
    }
    case TPaintBrush::Impl::Linear:
      return LinearBrush(b);
    case TPaintBrush::Impl::PathGradient:
      return PathGradientBrush(b, area);
    case TPaintBrush::Impl::Texture:
      return b.texture.isNull() ? QBrush() : QBrush(b.texture);
  }
  return QBrush();
}

QPen ToQPen(const TPaintPen& p) {
  QPen pen(ToQArgb(p.Color), std::max(0.0f, p.Width));
  static const Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                         Qt::DashDotDotLine};
  pen.setStyle(kStyles[p.Dash]);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

int TextFlags(const TPaintTextFormat& f) {
  int flags = f.NoWrap ? 0 : Qt::TextWordWrap;
  flags |= f.Alignment == paNear ? Qt::AlignLeft : f.Alignment == paCenter ? Qt::AlignHCenter : Qt::AlignRight;
  flags |= f.LineAlignment == paNear ? Qt::AlignTop : f.LineAlignment == paCenter ? Qt::AlignVCenter : Qt::AlignBottom;
  flags |= f.ShowPrefix ? Qt::TextShowMnemonic : 0;
  return flags;
}


}  // namespace

// ---- painter ----

struct TSmoothPainter::Impl {
  std::unique_ptr<QPainter> own;
  QPainter* painter = nullptr;
  bool saved = false;
};

TSmoothPainter::TSmoothPainter(TPaintImage& image) : impl_(std::make_unique<Impl>()) {
  QImage& target = image.Data().image;
  if (target.isNull()) return;
  // Drawing blends in premultiplied pixels; the image converts back when the painter ends.
  target.convertTo(QImage::Format_ARGB32_Premultiplied);
  impl_->own = std::make_unique<QPainter>(&target);
  impl_->painter = impl_->own.get();
}

TSmoothPainter::TSmoothPainter(TCanvas& canvas) : impl_(std::make_unique<Impl>()) {
  if (!canvas.CanDraw()) return;
  impl_->painter = CanvasPainter(canvas);
  if (!impl_->painter) return;
  impl_->painter->save();
  impl_->saved = true;
  impl_->painter->setRenderHint(QPainter::Antialiasing, false);
}

TSmoothPainter::~TSmoothPainter() {
  if (impl_->saved) impl_->painter->restore();
  if (impl_->own) {
    auto* image = dynamic_cast<QImage*>(impl_->own->device());
    impl_->own->end();
    if (image) image->convertTo(QImage::Format_ARGB32);
  }
}

bool TSmoothPainter::Active() const { return impl_->painter != nullptr; }

bool TSmoothPainter::Antialias() const {
  return impl_->painter && impl_->painter->testRenderHint(QPainter::Antialiasing);
}

void TSmoothPainter::SetAntialias(bool value) {
  if (!impl_->painter) return;
  impl_->painter->setRenderHint(QPainter::Antialiasing, value);
  impl_->painter->setRenderHint(QPainter::SmoothPixmapTransform, value);
}

void TSmoothPainter::Clear(TArgb color) {
  QPainter* p = impl_->painter;
  if (!p) return;
  p->save();
  p->resetTransform();
  p->setClipping(false);
  p->setCompositionMode(QPainter::CompositionMode_Source);
  p->fillRect(QRect(0, 0, p->device()->width(), p->device()->height()), ToQArgb(color));
  p->restore();
}

void TSmoothPainter::FillPath(const TPaintBrush& brush, const TPaintPath& path) {
  if (!impl_->painter) return;
  const QPainterPath& qpath = path.Data().path;
  impl_->painter->fillPath(qpath, ToQBrush(brush.Data(), qpath.boundingRect()));
}

void TSmoothPainter::DrawPath(const TPaintPen& pen, const TPaintPath& path) {
  if (!impl_->painter) return;
  impl_->painter->strokePath(path.Data().path.translated(0.5, 0.5), ToQPen(pen));
}

void TSmoothPainter::FillRect(const TPaintBrush& brush, const TPaintRect& r) {
  if (!impl_->painter) return;
  QRectF rect = ToQRect(r);
  QPainterPath path;
  path.addRect(rect);
  impl_->painter->fillPath(path, ToQBrush(brush.Data(), rect));
}

void TSmoothPainter::DrawRect(const TPaintPen& pen, const TPaintRect& r) {
  if (!impl_->painter) return;
  QPainterPath path;
  path.addRect(ToQRect(r).translated(0.5, 0.5));
  impl_->painter->strokePath(path, ToQPen(pen));
}

void TSmoothPainter::DrawLine(const TPaintPen& pen, float x1, float y1, float x2, float y2) {
  if (!impl_->painter) return;
  impl_->painter->setPen(ToQPen(pen));
  impl_->painter->drawLine(QPointF(x1 + 0.5, y1 + 0.5), QPointF(x2 + 0.5, y2 + 0.5));
}

void TSmoothPainter::DrawImage(const TPaintImage& image, const TPaintRect& dest) {
  if (!impl_->painter || image.Null()) return;
  impl_->painter->drawImage(ToQRect(dest), image.Data().image);
}

void TSmoothPainter::DrawImageKeyed(const TPaintImage& image, const TPaintRect& dest, TArgb key) {
  if (!impl_->painter || image.Null()) return;
  QImage keyed = image.Data().image.copy();
  for (int y = 0; y < keyed.height(); ++y) {
    auto* row = reinterpret_cast<TArgb*>(keyed.scanLine(y));
    for (int x = 0; x < keyed.width(); ++x)
      if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) row[x] = 0;
  }
  impl_->painter->drawImage(ToQRect(dest), keyed);
}

void TSmoothPainter::SetClip(const TPaintPath& path) {
  if (impl_->painter) impl_->painter->setClipPath(path.Data().path, Qt::ReplaceClip);
}

void TSmoothPainter::ResetClip() {
  if (impl_->painter) impl_->painter->setClipping(false);
}

void TSmoothPainter::DrawText(const String& text, const TFont& font, TArgb color, const TPaintRect& box,
                              const TPaintTextFormat& format) {
  QPainter* p = impl_->painter;
  if (!p || text.empty()) return;
  p->save();
  p->setFont(ToQFont(font));
  p->setPen(ToQArgb(color));
  QRectF r = ToQRect(box);
  int flags = TextFlags(format);
  if (box.Width <= 0 || box.Height <= 0) {
    // A point: the text starts there, unbounded.
    r = QRectF(r.topLeft(), QSizeF(100000, 100000));
    flags |= Qt::TextDontClip;
  }
  p->drawText(r, flags, QStr(text));
  p->restore();
}

TPaintRect TSmoothPainter::MeasureText(const String& text, const TFont& font, const TPaintRect& box,
                                       const TPaintTextFormat& format) const {
  if (text.empty()) return {box.X, box.Y, 0, 0};
  QFontMetricsF metrics(ToQFont(font));
  QRectF limit(box.X, box.Y, box.Width > 0 ? box.Width : 100000, box.Height > 0 ? box.Height : 100000);
  QRectF r = metrics.boundingRect(limit, TextFlags(format) & ~(Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom),
                                  QStr(text));
  return {box.X, box.Y, float(r.width()), float(r.height())};
}

}  // namespace orv
