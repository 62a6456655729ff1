#include "platform/gui/CanvasPaint.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <memory>
#include <cmath>
#include <numbers>
#include <utility>

#include "platform/gui/QtBridge.h"

namespace orv {

QString ToQString(const WideString& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

WideString ToWide(const String& text) {
  QString q = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return WideString(reinterpret_cast<const char16_t*>(q.utf16()), static_cast<size_t>(q.size()));
}

QFont MakeQFont(const TFontData& f, QPaintDevice* device) {
  // A page asks for the same few fonts over and over (a memo is laid out in one and drawn in
  // another): the last few are kept.
  struct TMade {
    TFontData Data;
    int DpiY = -1;
    QFont Font;
  };
  thread_local std::array<TMade, 4> made;
  thread_local size_t next = 0;
  int dpiY = f.Height > 0 && device ? device->logicalDpiY() : 0;
  for (const TMade& m : made)
    if (m.DpiY == dpiY && m.Data == f) return m.Font;
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
  made[next] = {f, dpiY, font};
  next = (next + 1) % made.size();
  return font;
}

namespace {

// A text shaped once: its clusters at once, the extent of each only when asked for, since a
// text that fits its line needs no more than the whole.
struct TShapedText {
  TTextClusters Clusters;
  int Extent = 0;
  // Kept until the extents are read.
  std::unique_ptr<QTextLayout> Layout;

  void ReadExtents() {
    if (!Layout) return;
    QTextLine line = Layout->lineAt(0);
    const std::vector<int>& starts = Clusters.Starts;
    Clusters.Extents.reserve(starts.size());
    for (size_t i = 0; i < starts.size(); ++i) {
      int next = i + 1 < starts.size() ? starts[i + 1] : Layout->text().size();
      Clusters.Extents.push_back(static_cast<int>(std::lround(line.cursorToX(next))));
    }
    Layout.reset();
  }
};

TShapedText ShapeText(const QFont& font, QPaintDevice* device, const QString& text) {
  TShapedText result;
  result.Layout = std::make_unique<QTextLayout>(text, font, device);
  QTextLayout& layout = *result.Layout;
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  line.setLineWidth(1e7);
  layout.endLayout();

  // The layout's own character analysis gives the grapheme boundaries; analysing the text a
  // second time would cost as much as the shaping.
  int start = 0;
  result.Clusters.Starts.reserve(text.size());
  while (start < text.size()) {
    qsizetype next = layout.nextCursorPosition(start, QTextLayout::SkipCharacters);
    if (next <= start) next = text.size();
    result.Clusters.Starts.push_back(start);
    start = static_cast<int>(next);
  }
  result.Extent = static_cast<int>(std::lround(line.cursorToX(static_cast<int>(text.size()))));
  return result;
}

// A report measures each text several times in the same font (wrapping, aligning, bounding,
// painting), so the latest shapings are kept: a slot per hash, overwritten on collision.
template <typename T>
class TShapeCache {
 public:
  template <typename Make>
  T& Get(const QFont& font, QPaintDevice* device, QStringView text, Make make) {
    int dpiX = device ? device->logicalDpiX() : 0, dpiY = device ? device->logicalDpiY() : 0;
    size_t hash = qHashMulti(0, text, font.family(), font.pixelSize(), font.bold(), font.italic(), dpiX, dpiY);
    Slot& slot = slots_[hash % slots_.size()];
    if (!slot.Filled || slot.DpiX != dpiX || slot.DpiY != dpiY || slot.Text != text || !(slot.Font == font)) {
      slot.Value = make();
      slot.Font = font;
      slot.Text = text.toString();
      slot.DpiX = dpiX;
      slot.DpiY = dpiY;
      slot.Filled = true;
    }
    return slot.Value;
  }

 private:
  struct Slot {
    QFont Font;
    QString Text;
    int DpiX = 0, DpiY = 0;
    bool Filled = false;
    T Value;
  };
  std::array<Slot, 512> slots_;
};

}  // namespace

namespace {

TShapedText& Shaped(const QFont& font, QPaintDevice* device, const QString& text) {
  // Each thread keeps its own: report threads measure while the preview paints.
  thread_local TShapeCache<TShapedText> cache;
  return cache.Get(font, device, text, [&] { return ShapeText(font, device, text); });
}

}  // namespace

const TTextClusters& ShapedClusters(const QFont& font, QPaintDevice* device, const QString& text) {
  TShapedText& shaped = Shaped(font, device, text);
  shaped.ReadExtents();
  return shaped.Clusters;
}

TTextRunExtent MeasureRun(const QFont& font, QPaintDevice* device, const QString& text) {
  if (text.isEmpty()) return TTextRunExtent();
  const TShapedText& shaped = Shaped(font, device, text);
  return {static_cast<int>(shaped.Clusters.Starts.size()), shaped.Extent};
}

TTextClusters MeasureClusters(const QFont& font, QPaintDevice* device, const QString& text,
                              int maxWidth) {
  if (text.isEmpty()) return TTextClusters();
  TTextClusters result = ShapedClusters(font, device, text);
  if (maxWidth < 0) {
    result.Fit = static_cast<int>(result.Extents.size());
  } else {
    result.Fit = 0;
    while (result.Fit < static_cast<int>(result.Extents.size()) && result.Extents[result.Fit] <= maxWidth)
      ++result.Fit;
  }
  return result;
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

// A cluster's glyphs shaped on their own, placed from the cluster's origin on the baseline.
std::vector<QGlyphRun> ShapeCluster(const QFont& font, QPaintDevice* device, const QString& cluster) {
  QTextLayout layout(cluster, font, device);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  line.setLineWidth(1e7);
  layout.endLayout();
  std::vector<QGlyphRun> runs;
  for (QGlyphRun& run : layout.glyphRuns()) {
    QList<QPointF> positions = run.positions();
    for (QPointF& p : positions) p.ry() -= line.ascent();
    run.setPositions(positions);
    runs.push_back(std::move(run));
  }
  return runs;
}

// Each cluster at its own advance, as if written one by one: the glyphs of a cluster come from
// shaping it alone, and neighbours in one face go to the painter together.
void PaintClusters(QPainter& painter, const QFont& font, const TTextClusters& clusters,
                   const std::vector<int>& advances, const QString& text, double baseline) {
  thread_local TShapeCache<std::vector<QGlyphRun>> cache;
  QPaintDevice* device = painter.device();
  QGlyphRun batch;
  QList<quint32> indexes;
  QList<QPointF> positions;
  indexes.reserve(text.size());
  positions.reserve(text.size());
  auto flush = [&] {
    if (indexes.isEmpty()) return;
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
  for (size_t i = 0; i < clusters.Starts.size(); ++i) {
    int start = clusters.Starts[i];
    int end = i + 1 < clusters.Starts.size() ? clusters.Starts[i + 1] : static_cast<int>(text.size());
    QStringView cluster = QStringView(text).mid(start, end - start);
    const std::vector<QGlyphRun>& runs =
        cache.Get(font, device, cluster, [&] { return ShapeCluster(font, device, cluster.toString()); });
    for (const QGlyphRun& run : runs) {
      if (!indexes.isEmpty() && (run.rawFont() != batch.rawFont() || run.flags() != batch.flags())) flush();
      if (indexes.isEmpty()) {
        batch.setRawFont(run.rawFont());
        batch.setFlags(run.flags());
      }
      indexes.append(run.glyphIndexes());
      const QList<QPointF> placed = run.positions();
      for (const QPointF& p : std::as_const(placed)) positions.append(QPointF(p.x() + x, p.y()));
    }
    x += i < advances.size() ? advances[i] : clusters.Extents[i] - (i ? clusters.Extents[i - 1] : 0);
  }
  flush();
}

void PaintText(QPainter& painter, const TCanvasRecord& r) {
  QPaintDevice* device = painter.device();
  QFont font = MakeQFont(r.Font, device);
  QFontMetricsF metrics(font, device);
  QString text = ToQString(r.Text);
  painter.save();
  if (r.Options & etoClipped) painter.setClipRect(QRect(r.Rect.Left, r.Rect.Top, r.Rect.Width(), r.Rect.Height()), Qt::IntersectClip);
  painter.translate(r.Points[0].X, r.Points[0].Y);
  if (r.Font.Orientation != 0) painter.rotate(-r.Font.Orientation / 10.0);
  // Bounds are in device space; the opaque cell is recomputed along the text's own axis.
  double width = 0;
  static const TTextClusters none;
  bool explicitAdvances = !r.Advances.empty() && !text.isEmpty();
  const TTextClusters& clusters = explicitAdvances ? ShapedClusters(font, device, text) : none;
  if (explicitAdvances) {
    for (size_t i = 0; i < clusters.Starts.size(); ++i)
      width += i < r.Advances.size() ? r.Advances[i]
                                     : clusters.Extents[i] - (i ? clusters.Extents[i - 1] : 0);
  } else {
    width = metrics.horizontalAdvance(text);
  }
  if (r.Options & etoOpaque || r.Brush.Style != bsClear) {
    QColor back = ToQColor(r.Brush.Color);
    painter.fillRect(QRectF(0, 0, width, metrics.ascent() + metrics.descent()), back);
  }
  painter.setFont(font);
  painter.setPen(ToQColor(r.Font.Color));
  double baseline = metrics.ascent();
  if (!explicitAdvances) {
    painter.drawText(QPointF(0, baseline), text);
  } else if (font.underline() || font.strikeOut()) {
    // Qt draws a cluster's line across its own width only, leaving gaps where advances widen.
    double x = 0;
    for (size_t i = 0; i < clusters.Starts.size(); ++i) {
      int start = clusters.Starts[i];
      int end = i + 1 < clusters.Starts.size() ? clusters.Starts[i + 1] : static_cast<int>(text.size());
      painter.drawText(QPointF(x, baseline), text.mid(start, end - start));
      x += i < r.Advances.size() ? r.Advances[i]
                                 : clusters.Extents[i] - (i ? clusters.Extents[i - 1] : 0);
    }
  } else {
    PaintClusters(painter, font, clusters, r.Advances, text, baseline);
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
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
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
