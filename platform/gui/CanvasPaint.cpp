#include "platform/gui/CanvasPaint.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QGlyphRun>
#include <QRawFont>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <cmath>
#include <numbers>
#include <utility>

#include "platform/fonts/FontConfig.h"
#include "platform/gui/QtBridge.h"

namespace orv {

QString ToQString(const WideString& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

WideString ToWide(const String& text) {
  QString q = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return WideString(reinterpret_cast<const char16_t*>(q.utf16()), static_cast<size_t>(q.size()));
}

namespace {

// A page asks for the same few fonts over and over (a memo is laid out in one and drawn in
// another): what was made of the last few, per thread, is kept. A positive height depends on
// the device's resolution, so that is part of the key.
template <class T>
class TRecentFonts {
 public:
  template <class Make>
  T Get(const TFontData& f, QPaintDevice* device, Make make) {
    int dpiY = f.Height > 0 && device ? device->logicalDpiY() : 0;
    for (const TEntry& e : entries_)
      if (e.DpiY == dpiY && e.Data == f) return e.Value;
    T value = make();
    entries_[next_] = {f, dpiY, value};
    next_ = (next_ + 1) % entries_.size();
    return value;
  }

 private:
  struct TEntry {
    TFontData Data;
    int DpiY = -1;
    T Value;
  };
  std::array<TEntry, 4> entries_;
  size_t next_ = 0;
};

QFont NewQFont(const TFontData& f, QPaintDevice* device) {
  // A windowless program's fonts may still be loading: Qt must find our aliases in place.
  InitFonts();
  QFont font(QString::fromStdString(f.Name));
  font.setBold(f.Style.Contains(fsBold));
  font.setItalic(f.Style.Contains(fsItalic));
  font.setUnderline(f.Style.Contains(fsUnderline));
  font.setStrikeOut(f.Style.Contains(fsStrikeOut));
  font.setFixedPitch(f.Pitch == fpFixed);
  // Unhinted outlines: advances then scale linearly, so a layout made at 600 dpi and a page
  // drawn on screen agree.
  font.setHintingPreference(QFont::PreferNoHinting);
  int h = f.Height == 0 ? 11 : std::clamp(f.Height, -MaxFontHeight, MaxFontHeight);
  if (h < 0) {
    font.setPixelSize(-h);
  } else {
    // A positive height is the cell (ascent + descent), as the class library has it.
    font.setPixelSize(1000);
    QFontMetricsF m(font, device);
    double cell = m.ascent() + m.descent();
    font.setPixelSize(std::clamp(
        static_cast<int>(std::lround(h * 1000.0 / (cell > 0 ? cell : 1000.0))), 1, MaxFontHeight));
  }
  return font;
}

}  // namespace

QFont MakeQFont(const TFontData& f, QPaintDevice* device) {
  // Qt ends the process when a font is made outside a GUI application: a host that runs
  // scripts without one (a console tool) gets an error it can report instead.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    throw EInvalidOperation("Text cannot be measured or drawn: the program has no windows");
  thread_local TRecentFonts<QFont> made;
  return made.Get(f, device, [&] { return NewQFont(f, device); });
}

namespace {

// The face and size text in a font is shaped in on a device.
struct TTextFont {
  const TFontFace* Face = nullptr;
  int PixelSize = 0;
};

TTextFont TextFontOf(const TFontData& f, QPaintDevice* device) {
  thread_local TRecentFonts<TTextFont> known;
  return known.Get(f, device, [&] {
    TTextFont font;
    font.Face = TFontFace::Find(f.Name, f.Style.Contains(fsBold), f.Style.Contains(fsItalic), f.Charset).get();
    font.PixelSize = MakeQFont(f, device).pixelSize();
    return font;
  });
}

// The last text shaped: a line is measured, then its width taken and then it is written, each
// on the same shape.
struct TLastShape {
  const TFontFace* Face = nullptr;
  int PixelSize = 0;
  WideString Text;
  TTextShape Shape;
};

// Longer texts are paragraphs measured for their layout, never written whole.
constexpr size_t kLongestKeptShape = 1024;

const TTextShape& ShapeOf(const TTextFont& f, const WideString& text) {
  thread_local TLastShape last;
  if (last.Face != f.Face || last.PixelSize != f.PixelSize || last.Text != text) {
    // Emptied first, so that a shaping that fails leaves nothing taken for the text.
    last.Face = nullptr;
    ShapeText(*f.Face, f.PixelSize, text, last.Shape);
    last.Text = text;
    last.Face = f.Face;
    last.PixelSize = f.PixelSize;
  }
  return last.Shape;
}

}  // namespace

const TTextShape& ShapeOn(const TFontData& font, QPaintDevice* device, const WideString& text) {
  return ShapeOf(TextFontOf(font, device), text);
}

TTextRunExtent MeasureRun(const TFontData& font, QPaintDevice* device, const WideString& text) {
  if (text.empty()) return TTextRunExtent();
  TTextFont f = TextFontOf(font, device);
  TTextMeasure m = MeasureText(*f.Face, f.PixelSize, text);
  return {m.Clusters, static_cast<int>(std::lround(m.Advance / 64.0))};
}

namespace {

// A length of 1/64 pixel in whole pixels, half away from zero as lround rounds.
int Pixels(long long sixtyFourths) {
  return static_cast<int>(sixtyFourths >= 0 ? (sixtyFourths + 32) >> 6 : -((-sixtyFourths + 32) >> 6));
}

}  // namespace

void MeasureAdvances(const TFontData& font, QPaintDevice* device, const WideString& text, std::vector<int>& starts,
                     std::vector<int>& advances, bool toWrite) {
  starts.clear();
  advances.clear();
  if (text.empty()) return;
  TTextFont f = TextFontOf(font, device);
  if (toWrite && text.size() <= kLongestKeptShape) {
    const TTextShape& shape = ShapeOf(f, text);
    starts.assign(shape.Starts.begin(), shape.Starts.end());
    advances.assign(shape.Advances.begin(), shape.Advances.end());
  } else {
    ClusterAdvances(*f.Face, f.PixelSize, text, starts, advances);
  }
  long long sum = 0;
  int previous = 0;
  for (int& advance : advances) {
    sum += advance;
    const int extent = Pixels(sum);
    advance = extent - previous;
    previous = extent;
  }
}

TTextClusters MeasureClusters(const TFontData& font, QPaintDevice* device, const WideString& text, int maxWidth) {
  TTextClusters result;
  if (text.empty()) return result;
  TTextFont f = TextFontOf(font, device);
  ClusterAdvances(*f.Face, f.PixelSize, text, result.Starts, result.Extents);
  long long sum = 0;
  for (int& extent : result.Extents) {
    sum += extent;
    extent = Pixels(sum);
  }
  if (maxWidth < 0) {
    result.Fit = static_cast<int>(result.Extents.size());
  } else {
    while (result.Fit < static_cast<int>(result.Extents.size()) && result.Extents[result.Fit] <= maxWidth)
      ++result.Fit;
  }
  return result;
}

double ShapedWidth(const TTextShape& shape, const std::vector<int>& advances) {
  long long natural = 0;
  double width = 0;
  for (size_t i = 0; i < shape.Advances.size(); ++i) {
    long long before = std::lround(natural / 64.0);
    natural += shape.Advances[i];
    width += i < advances.size() ? advances[i] : std::lround(natural / 64.0) - before;
  }
  return width;
}

namespace {

QPainter::CompositionMode RasterOp(TPenMode mode) {
  switch (mode) {
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

QPen MakePen(const TPenData& p) {
  if (p.Style == psClear || p.Mode == pmNop) return QPen(Qt::NoPen);
  QColor color = p.Mode == pmBlack ? QColor(Qt::black) : p.Mode == pmWhite ? QColor(Qt::white) : ToQColor(p.Color);
  QPen pen(color);
  int w = std::max(1, p.Width);
  pen.setWidth(w);
  switch (p.EndCap) {
    case pecDefault:
      // A one-pixel pen leaves out the last point; wider pens are round, as on the original.
      pen.setCapStyle(w <= 1 ? Qt::FlatCap : Qt::RoundCap);
      pen.setJoinStyle(w <= 1 ? Qt::MiterJoin : Qt::RoundJoin);
      break;
    case pecRound: pen.setCapStyle(Qt::RoundCap); pen.setJoinStyle(Qt::RoundJoin); break;
    case pecSquare: pen.setCapStyle(Qt::SquareCap); pen.setJoinStyle(Qt::MiterJoin); break;
    case pecFlat: pen.setCapStyle(Qt::FlatCap); pen.setJoinStyle(Qt::MiterJoin); break;
  }
  if (!p.DashPattern.empty()) {
    // Qt measures dashes in pen widths; the pattern is in pixels. A zero dash (a dot with
    // round caps) stays zero.
    QList<qreal> dashes;
    for (int d : p.DashPattern) dashes.append(static_cast<qreal>(d) / w);
    if (dashes.size() % 2) dashes.append(dashes.back());
    pen.setDashPattern(dashes);
  } else if (w == 1) {
    // Styled pens exist only one pixel wide; wider ones draw solid.
    switch (p.Style) {
      case psDash: pen.setDashPattern({18, 6}); break;
      case psDot: pen.setDashPattern({3, 3}); break;
      case psDashDot: pen.setDashPattern({9, 6, 3, 6}); break;
      case psDashDotDot: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
      default: break;
    }
  }
  return pen;
}

QBrush MakeBrush(const TBrushData& b) {
  QColor color = ToQColor(b.Color);
  switch (b.Style) {
    case bsSolid: return QBrush(color);
    case bsClear: return QBrush(Qt::NoBrush);
    case bsHorizontal: return QBrush(color, Qt::HorPattern);
    case bsVertical: return QBrush(color, Qt::VerPattern);
    case bsFDiagonal: return QBrush(color, Qt::FDiagPattern);
    case bsBDiagonal: return QBrush(color, Qt::BDiagPattern);
    case bsCross: return QBrush(color, Qt::CrossPattern);
    case bsDiagCross: return QBrush(color, Qt::DiagCrossPattern);
  }
  return QBrush(color);
}

// A shape's box as Qt draws it: with a pen the outline's centre runs one pixel inside the
// right and bottom edges; without a pen the fill covers the whole box.
QRect ShapeRect(const TRect& r, bool hasPen) {
  int l = std::min(r.Left, r.Right), t = std::min(r.Top, r.Bottom);
  int w = std::abs(r.Right - r.Left), h = std::abs(r.Bottom - r.Top);
  return hasPen ? QRect(l, t, std::max(0, w - 1), std::max(0, h - 1)) : QRect(l, t, w, h);
}

// Qt angles: sixteenths of a degree, counter-clockwise from three o'clock. On an ellipse Qt
// takes the angle of the circle the ellipse is squeezed from, while the radial through p is a
// straight line from the centre: the point is squeezed the same way before its angle is taken.
int RadialAngle(const QRect& box, TPoint p) {
  double cx = box.left() + box.width() / 2.0, cy = box.top() + box.height() / 2.0;
  double rx = std::max(1.0, box.width() / 2.0), ry = std::max(1.0, box.height() / 2.0);
  double a = std::atan2((cy - p.Y) / ry, (p.X - cx) / rx) * 180.0 / std::numbers::pi;
  return static_cast<int>(std::lround(a * 16));
}

// The face at a pixel size for Qt to draw its glyphs by id. Qt's own font of the face's family
// is taken when it is the same font program: it renders as Qt's text does and a PDF spool
// embeds it with its text. Otherwise the face's own data is read, so the glyphs are always
// those the text was shaped with.
const QRawFont& RawFont(const TFontFace& face, int pixelSize) {
  struct TKey {
    const TFontFace* Face;
    int PixelSize;
    bool operator<(const TKey& o) const { return Face != o.Face ? Face < o.Face : PixelSize < o.PixelSize; }
  };
  thread_local std::map<TKey, QRawFont> fonts;
  QRawFont& raw = fonts[{&face, pixelSize}];
  if (!raw.isValid()) {
    QFont font(QString::fromStdString(face.FamilyName()));
    font.setBold(face.Bold());
    font.setItalic(face.Italic());
    font.setPixelSize(pixelSize);
    font.setHintingPreference(QFont::PreferNoHinting);
    QRawFont qt = QRawFont::fromFont(font);
    const std::vector<Byte>& data = face.FontData();
    QRawFont own;
    if (face.FaceIndex() == 0)
      own.loadFromData(QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                               static_cast<qsizetype>(data.size())),
                       pixelSize, QFont::PreferNoHinting);
    // The font header holds the program's checksum and dates: the same header, the same program.
    const bool same = qt.isValid() && own.isValid() && qt.fontTable("head") == own.fontTable("head");
    raw = same || !own.isValid() ? qt : own;
  }
  return raw;
}

// Each cluster at its own advance, as if written one by one; neighbouring glyphs of one face
// go to the painter together.
void PaintClusters(QPainter& painter, const TTextShape& shape, int pixelSize, const std::vector<int>& advances,
                   double baseline) {
  QGlyphRun batch;
  const TFontFace* batchFace = nullptr;
  QList<quint32> indexes;
  QList<QPointF> positions;
  indexes.reserve(static_cast<qsizetype>(shape.Glyphs.size()));
  positions.reserve(static_cast<qsizetype>(shape.Glyphs.size()));
  auto flush = [&] {
    if (indexes.isEmpty()) return;
    batch.setRawFont(RawFont(*batchFace, pixelSize));
    batch.setGlyphIndexes(indexes);
    batch.setPositions(positions);
    painter.drawGlyphRun(QPointF(0, baseline), batch);
    // The run lets go of the lists, so clearing them keeps their room for the next batch.
    batch.setGlyphIndexes({});
    batch.setPositions({});
    indexes.clear();
    positions.clear();
  };
  double x = 0;
  long long natural = 0;
  for (size_t i = 0; i < shape.Advances.size(); ++i) {
    for (int k = shape.GlyphStarts[i]; k < shape.GlyphStarts[i + 1]; ++k) {
      const TPlacedGlyph& g = shape.Glyphs[k];
      if (g.Face != batchFace) {
        flush();
        batchFace = g.Face;
      }
      indexes.append(g.GlyphId);
      positions.append(QPointF(x + g.X / 64.0, -g.Y / 64.0));
    }
    long long before = std::lround(natural / 64.0);
    natural += shape.Advances[i];
    x += i < advances.size() ? advances[i] : std::lround(natural / 64.0) - before;
  }
  flush();
}

void PaintText(QPainter& painter, const TCanvasRecord& r) {
  QPaintDevice* device = painter.device();
  QFont font = MakeQFont(r.Font, device);
  QFontMetricsF metrics(font, device);
  painter.save();
  if (r.Options & etoClipped) painter.setClipRect(QRect(r.Rect.Left, r.Rect.Top, r.Rect.Width(), r.Rect.Height()), Qt::IntersectClip);
  painter.translate(r.Points[0].X, r.Points[0].Y);
  if (r.Font.Orientation != 0) painter.rotate(-r.Font.Orientation / 10.0);
  // Bounds are in device space; the opaque cell is recomputed along the text's own axis.
  const bool explicitAdvances = !r.Advances.empty() && !r.Text.empty();
  const TTextShape* shape = explicitAdvances ? &ShapeOn(r.Font, device, r.Text) : nullptr;
  const double width = shape ? ShapedWidth(*shape, r.Advances) : metrics.horizontalAdvance(ToQString(r.Text));
  if (r.Options & etoOpaque || r.Brush.Style != bsClear) {
    QColor back = ToQColor(r.Brush.Color);
    painter.fillRect(QRectF(0, 0, width, metrics.ascent() + metrics.descent()), back);
  }
  painter.setFont(font);
  painter.setPen(ToQColor(r.Font.Color));
  double baseline = metrics.ascent();
  if (!shape) {
    painter.drawText(QPointF(0, baseline), ToQString(r.Text));
  } else if (font.underline() || font.strikeOut()) {
    // Each cluster written alone carries its own stretch of the line, as Qt draws it.
    QString text = ToQString(r.Text);
    double x = 0;
    long long natural = 0;
    for (size_t i = 0; i < shape->Starts.size(); ++i) {
      int start = shape->Starts[i];
      int end = i + 1 < shape->Starts.size() ? shape->Starts[i + 1] : static_cast<int>(text.size());
      painter.drawText(QPointF(x, baseline), text.mid(start, end - start));
      long long before = std::lround(natural / 64.0);
      natural += shape->Advances[i];
      x += i < r.Advances.size() ? r.Advances[i] : std::lround(natural / 64.0) - before;
    }
  } else {
    PaintClusters(painter, *shape, font.pixelSize(), r.Advances, baseline);
  }
  painter.restore();
}

}  // namespace

int TextRectFlags(int format) {
  int flags = 0;
  flags |= (format & tfRight) ? Qt::AlignRight : (format & tfCenter) ? Qt::AlignHCenter : Qt::AlignLeft;
  flags |= (format & tfBottom) ? Qt::AlignBottom : (format & tfVerticalCenter) ? Qt::AlignVCenter : Qt::AlignTop;
  if (format & tfSingleLine) flags |= Qt::TextSingleLine;
  else if (format & tfWordBreak) flags |= Qt::TextWordWrap;
  // '&' marks a mnemonic unless told otherwise.
  if (!(format & tfNoPrefix)) flags |= Qt::TextShowMnemonic;
  if (format & tfNoClip) flags |= Qt::TextDontClip;
  return flags;
}

void PaintRecord(QPainter& painter, const TCanvasRecord& r) {
  QPen pen = MakePen(r.Pen);
  bool hasPen = pen.style() != Qt::NoPen;
  painter.setCompositionMode(RasterOp(r.Pen.Mode));
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.setBackgroundMode(Qt::TransparentMode);
  switch (r.Kind) {
    case crLine:
      if (!hasPen) break;
      painter.setPen(pen);
      painter.drawLine(QPoint(r.Points[0].X, r.Points[0].Y), QPoint(r.Points[1].X, r.Points[1].Y));
      break;
    case crPolyline:
    case crPolygon: {
      QPolygon poly;
      for (const TPoint& p : r.Points) poly << QPoint(p.X, p.Y);
      painter.setPen(pen);
      if (r.Kind == crPolyline) {
        if (hasPen) painter.drawPolyline(poly);
      } else {
        painter.setBrush(MakeBrush(r.Brush));
        painter.drawPolygon(poly, Qt::OddEvenFill);
      }
      break;
    }
    case crRectangle:
    case crRoundRect:
    case crEllipse:
    case crPie:
    case crChord:
    case crArc: {
      painter.setPen(pen);
      painter.setBrush(r.Kind == crArc ? QBrush(Qt::NoBrush) : MakeBrush(r.Brush));
      QRect box = ShapeRect(r.Rect, hasPen);
      if (r.Kind == crRectangle) {
        painter.drawRect(box);
      } else if (r.Kind == crRoundRect) {
        painter.drawRoundedRect(box, r.Corner.cx / 2.0, r.Corner.cy / 2.0);
      } else if (r.Kind == crEllipse) {
        painter.drawEllipse(box);
      } else {
        int a1 = RadialAngle(box, r.Points[0]), a2 = RadialAngle(box, r.Points[1]);
        int span = a2 - a1;
        while (span <= 0) span += 360 * 16;
        if (r.Kind == crArc) painter.drawArc(box, a1, span);
        else if (r.Kind == crPie) painter.drawPie(box, a1, span);
        else painter.drawChord(box, a1, span);
      }
      break;
    }
    case crFillRect:
      if (r.Brush.Style == bsClear) break;
      painter.fillRect(ShapeRect(r.Rect, false), MakeBrush(r.Brush));
      break;
    case crFrameRect: {
      QRect box = ShapeRect(r.Rect, false);
      if (box.isEmpty()) break;
      QColor c = ToQColor(r.Brush.Color);
      painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), c);
      painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), c);
      painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), c);
      painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), c);
      break;
    }
    case crText:
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
      PaintText(painter, r);
      break;
    case crTextRect: {
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
      QFont font = MakeQFont(r.Font, painter.device());
      QRect box(r.Rect.Left, r.Rect.Top, r.Rect.Width(), r.Rect.Height());
      if (r.Brush.Style != bsClear) painter.fillRect(box, ToQColor(r.Brush.Color));
      painter.setFont(font);
      painter.setPen(ToQColor(r.Font.Color));
      QString text = ToQString(r.Text);
      if (r.Options & tfEndEllipsis)
        text = QFontMetricsF(font, painter.device()).elidedText(text, Qt::ElideRight, box.width());
      painter.drawText(box, TextRectFlags(r.Options), text);
      break;
    }
    case crPixel:
      painter.setCompositionMode(QPainter::CompositionMode_Source);
      painter.fillRect(QRect(r.Points[0].X, r.Points[0].Y, 1, 1), ToQColor(r.Color));
      break;
    case crImage:
      if (r.Image) {
        // A bitmap a metafile blits with a raster operation carries it as its pen's mode.
        painter.setCompositionMode(r.Pen.Mode == pmCopy ? QPainter::CompositionMode_SourceOver : RasterOp(r.Pen.Mode));
        QRect box = ShapeRect(r.Rect, false);
        const QImage& image = TCanvasAccess::Image(const_cast<TBitmap&>(*r.Image));
        // A reversed rectangle mirrors the picture.
        QImage source = image.mirrored(r.Rect.Right < r.Rect.Left, r.Rect.Bottom < r.Rect.Top);
        painter.drawImage(box, source);
      }
      break;
    default:
      break;
  }
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

namespace {

// A device coordinate from a scaled one. Scales come from the size a picture states and the
// box it is drawn into, either of which a file may choose: the result is held where sums and
// differences of two coordinates still fit an int.
int DeviceInt(double v) {
  constexpr double kMax = 1 << 28;
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::lround(std::clamp(v, -kMax, kMax)));
}

}  // namespace

TCanvasRecord ScaleRecord(const TCanvasRecord& in, double sx, double sy, double ox, double oy) {
  TCanvasRecord r = in;
  auto X = [&](int x) { return DeviceInt(x * sx + ox); };
  auto Y = [&](int y) { return DeviceInt(y * sy + oy); };
  for (TPoint& p : r.Points) p = {X(p.X), Y(p.Y)};
  r.Rect = {X(in.Rect.Left), Y(in.Rect.Top), X(in.Rect.Right), Y(in.Rect.Bottom)};
  r.Bounds = {X(in.Bounds.Left), Y(in.Bounds.Top), X(in.Bounds.Right), Y(in.Bounds.Bottom)};
  r.Corner = {DeviceInt(in.Corner.cx * sx), DeviceInt(in.Corner.cy * sy)};
  double s = (std::abs(sx) + std::abs(sy)) / 2;
  if (in.Pen.Width > 0) r.Pen.Width = std::max(1, DeviceInt(in.Pen.Width * s));
  for (int& d : r.Pen.DashPattern) d = DeviceInt(d * s);
  if (in.Font.Height != 0) {
    int h = std::clamp(DeviceInt(in.Font.Height * std::abs(sy)), -MaxFontHeight, MaxFontHeight);
    r.Font.Height = h != 0 ? h : (in.Font.Height < 0 ? -1 : 1);
  }
  // Advances are scaled through their running sum, so rounding does not accumulate.
  long long sum = 0;
  int placed = 0;
  for (size_t i = 0; i < in.Advances.size(); ++i) {
    sum += in.Advances[i];
    int end = DeviceInt(static_cast<double>(sum) * sx);
    r.Advances[i] = end - placed;
    placed = end;
  }
  return r;
}

}  // namespace orv
