#include "platform/gui/MetafilePlayer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <optional>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include "platform/gui/CanvasPaint.h"
#include "platform/gui/MetafileDib.h"
#include "platform/gui/MetafileText.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/PixelBudget.h"
#include "platform/rtl/TextUtils.h"

namespace orv {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::uint32_t kEmfSignature = 0x464D4520u;
// Larger files are not pictures a report holds; the sizes below bound what one record draws.
constexpr Int64 kMaxFileSize = 64 << 20;
constexpr size_t kMaxPoints = 1 << 20;
constexpr size_t kMaxRecords = 1 << 20;
constexpr size_t kMaxTextLength = 1 << 16;
constexpr int kMaxPictureSide = 20000;
// The pixels of all the bitmaps of one file together; bitmaps beyond are skipped.
constexpr Int64 kMaxFilePixels = 2 * kMaxPicturePixels;
// Record units to a picture pixel: 768 to the inch, finer than any printer shows a step.
constexpr int kDetail = 8;
// Straight segments an ellipse becomes when turned by a world transform.
constexpr int kEllipseSegments = 72;

[[noreturn]] void Bad() { throw EInvalidGraphic("Metafile is not valid"); }

std::uint32_t U32(const Byte* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
std::uint16_t U16(const Byte* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// One record's parameters, read with bounds checks.
class Params {
 public:
  Params(const Byte* data, size_t size) : data_(data), size_(size) {}
  size_t Size() const { return size_; }
  std::int32_t I32(size_t at) const {
    if (at + 4 > size_) Bad();
    return static_cast<std::int32_t>(U32(data_ + at));
  }
  std::int16_t I16(size_t at) const {
    if (at + 2 > size_) Bad();
    return static_cast<std::int16_t>(U16(data_ + at));
  }
  std::uint16_t W(size_t at) const { return static_cast<std::uint16_t>(I16(at)); }
  Byte B(size_t at) const {
    if (at >= size_) Bad();
    return data_[at];
  }
  float F(size_t at) const { return std::bit_cast<float>(static_cast<std::uint32_t>(I32(at))); }
  // The bytes from at to the end of the record.
  const Byte* From(size_t at) const {
    if (at > size_) Bad();
    return data_ + at;
  }
  // A count of items of itemSize bytes from at on, all within the record.
  size_t Fits(size_t at, Int64 count, size_t itemSize) const {
    if (count < 0 || static_cast<size_t>(count) > kMaxPoints || at > size_ ||
        static_cast<size_t>(count) * itemSize > size_ - at)
      Bad();
    return static_cast<size_t>(count);
  }

 private:
  const Byte* data_;
  size_t size_;
};

struct TGdiObject {
  enum Kind { kNone, kPen, kBrush, kFont, kRegion, kPalette } Type = kNone;
  TPenData Pen;
  TBrushData Brush;
  TFontData Font;
  // A region object's area in record units.
  QRegion Region;
  // A pattern brush's picture, repeated from the picture's origin, one pixel of it to a pixel.
  QImage Pattern;
  // A palette's colours.
  std::vector<QRgb> Colors;
  // The font's height in logical units: it takes the mapping in force when text is drawn.
  double FontHeight = 0;
};

// An affine map of logical points, x' = x M11 + y M21 + Dx, y' = x M12 + y M22 + Dy.
struct TXform {
  double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
  // This map followed by then.
  TXform Then(const TXform& then) const {
    return {M11 * then.M11 + M12 * then.M21, M11 * then.M12 + M12 * then.M22,
            M21 * then.M11 + M22 * then.M21, M21 * then.M12 + M22 * then.M22,
            Dx * then.M11 + Dy * then.M21 + then.Dx, Dx * then.M12 + Dy * then.M22 + then.Dy};
  }
  bool Turns() const { return M12 != 0 || M21 != 0; }
};

// A bitmap of a blit and where it goes, in logical units.
struct TBlit {
  QImage Image;
  double X = 0, Y = 0, Width = 0, Height = 0;
};

struct TDcState {
  TPenData Pen;
  TBrushData Brush;
  TFontData Font;
  TColor TextColor = clBlack;
  int TextAlign = 0;
  // The background mode: opaque fills the gaps of text cells and hatches with BackColor.
  bool Opaque = false;
  TColor BackColor = clWhite;
  // 0 asks for the usual size.
  double FontHeight = 0;
  TXform World;
  double WinOrgX = 0, WinOrgY = 0, WinExtX = 0, WinExtY = 0;
  double VpOrgX = 0, VpOrgY = 0, VpExtX = 0, VpExtY = 0;
  int MapMode = 1;
  TPoint Current;
  int ClipDepth = 0;
  // How pens and brushes mix with what lies beneath (SETROP2).
  TPenMode Mix = pmCopy;
  // The brush's pattern, when it is a pattern brush.
  QImage Pattern;
  // The clip the records have set, in record units; none while unset. Kept to combine a region
  // with it.
  std::optional<QRegion> Clip;
};

// Record units of a clip that leaves everything in.
const QRect kEverywhere(-10000000, -10000000, 20000000, 20000000);
// Rectangles one clip may be cut into; a region beyond clips to its bounds.
constexpr int kMaxClipRects = 16384;
// Rectangles all the clips of one picture may be cut into together: each is a clip operation
// every time the picture is drawn, and a file of many complex regions would hold each drawing
// for many seconds. Beyond it, regions clip to their bounds.
constexpr Int64 kMaxPictureClipRects = 2 * kMaxClipRects;

TRect FromQRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }
QRect ToQRectOf(const TRect& r) {
  return QRect(QPoint(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom)),
               QSize(std::abs(r.Right - r.Left), std::abs(r.Bottom - r.Top)));
}

class Player {
 public:
  explicit Player(std::vector<String>& skipped) : skipped_(skipped) {
    Content.Detail = kDetail;
    state_.Brush.Color = clWhite;
    state_.Font.Color = clBlack;
  }

  TMetafileContent Content;

  // Logical point to record units: the world transform, the window-to-viewport mapping, then
  // the reference device to our pixels, kDetail units each.
  QPointF Device(double x, double y) const {
    const QPointF p = Pixels(x, y);
    return {p.x() * kDetail, p.y() * kDetail};
  }
  QPointF Pixels(double x, double y) const {
    const TXform& w = state_.World;
    if (emf_) {
      const double wx = x * w.M11 + y * w.M21 + w.Dx;
      y = x * w.M12 + y * w.M22 + w.Dy;
      x = wx;
    }
    double dx = x, dy = y;
    const int mode = state_.MapMode;
    if (mode >= 7 && state_.WinExtX != 0 && state_.WinExtY != 0 && state_.VpExtX != 0 && state_.VpExtY != 0) {
      double kx = state_.VpExtX / state_.WinExtX, ky = state_.VpExtY / state_.WinExtY;
      if (mode == 7) {
        // Isotropic: one unit is as long on both axes, the smaller scale wins.
        const double k = std::min(std::abs(kx), std::abs(ky));
        kx = std::copysign(k, kx);
        ky = std::copysign(k, ky);
      }
      dx = (x - state_.WinOrgX) * kx + state_.VpOrgX;
      dy = (y - state_.WinOrgY) * ky + state_.VpOrgY;
    } else if (!emf_ && state_.WinExtX != 0 && state_.WinExtY != 0) {
      return {(x - state_.WinOrgX) * Content.Width / state_.WinExtX, (y - state_.WinOrgY) * Content.Height / state_.WinExtY};
    } else if (emf_ && mode >= 2 && mode <= 6) {
      // Metric and English modes: fixed units, the y axis upwards.
      static constexpr double kMillimetres[] = {0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
      const double mm = kMillimetres[mode - 2];
      dx = (x - state_.WinOrgX) * mm * devPerMmX_ + state_.VpOrgX;
      dy = -(y - state_.WinOrgY) * mm * devPerMmY_ + state_.VpOrgY;
    } else {
      dx = x - state_.WinOrgX + state_.VpOrgX;
      dy = y - state_.WinOrgY + state_.VpOrgY;
    }
    return {dx * scaleX_ + offsetX_, dy * scaleY_ + offsetY_};
  }
  // A point of the reference device in record units.
  TPoint FromDevice(double x, double y) const {
    return {Clamp((x * scaleX_ + offsetX_) * kDetail), Clamp((y * scaleY_ + offsetY_) * kDetail)};
  }
  TPoint Map(double x, double y) const {
    QPointF p = Device(x, y);
    return {Clamp(p.x()), Clamp(p.y())};
  }
  // A logical length along x (or y) in record units, whatever way the mapping turns it.
  double Length(double w, bool vertical = false) const {
    QPointF a = Device(0, 0), b = vertical ? Device(0, w) : Device(w, 0);
    const double d = std::hypot(b.x() - a.x(), b.y() - a.y());
    return std::isfinite(d) ? std::min(d, 1e7) : 0;
  }
  int MapLength(double w) const { return static_cast<int>(Length(w)); }
  // Counter-clockwise degrees by which the mapping turns the x axis.
  double TurnDegrees() const {
    QPointF a = Device(0, 0), b = Device(1, 0);
    return std::atan2(a.y() - b.y(), b.x() - a.x()) * 180 / std::numbers::pi;
  }
  bool Turned() const { return emf_ && state_.World.Turns(); }

  void Emit(TCanvasRecordKind kind, std::vector<TPoint> points, TRect rect = {}, TSize corner = {}) {
    if (Content.Records.size() + 1 >= kMaxRecords) Bad();
    TCanvasRecord r;
    r.Kind = kind;
    r.Points = std::move(points);
    r.Rect = rect;
    r.Corner = corner;
    r.Pen = state_.Pen;
    r.Brush = state_.Brush;
    r.Font = state_.Font;
    // The mix mode is the pens' and brushes'; text, bitmaps and pixels are drawn as they are.
    const bool mixed = kind != crText && kind != crImage && kind != crPixel && kind < crIntersectClip;
    r.Pen.Mode = mixed ? state_.Mix : pmCopy;
    if (mixed && state_.Mix == pmNop) return;
    if (mixed && (state_.Mix == pmBlack || state_.Mix == pmWhite)) {
      r.Pen.Color = r.Brush.Color = state_.Mix == pmBlack ? clBlack : clWhite;
      r.Pen.Mode = pmCopy;
    }
    // A pen is at least a pixel wide, as on the device the metafile was made for.
    r.Pen.Width = std::max(kDetail, r.Pen.Width);
    // In the opaque background mode the gaps of a hatch show the background colour: the shape is
    // filled with it first.
    const bool filled = kind == crPolygon || (kind >= crRectangle && kind <= crChord && kind != crArc);
    if (filled && !state_.Pattern.isNull() && r.Brush.Style != bsClear) {
      PatternFill(r);
      return;
    }
    if (filled && state_.Opaque && r.Brush.Style >= bsHorizontal) {
      TCanvasRecord back = r;
      back.Brush = TBrushData{state_.BackColor, bsSolid};
      Content.Records.push_back(std::move(back));
    }
    Content.Records.push_back(std::move(r));
  }
  // Polygons filled together, so that one inside another is a hole: one polygon through all
  // of them, each joined to the first by a seam walked there and back (which fills nothing),
  // filled without the pen; then each outline drawn with it.
  void PolyPolygon(std::vector<std::vector<TPoint>> rings) {
    std::erase_if(rings, [](const std::vector<TPoint>& ring) { return ring.empty(); });
    if (rings.size() == 1) Emit(crPolygon, std::move(rings.front()));
    if (rings.size() <= 1) return;
    AlternateTurns(rings);
    if (state_.Brush.Style != bsClear) {
      std::vector<TPoint> all;
      for (const auto& ring : rings) {
        all.insert(all.end(), ring.begin(), ring.end());
        all.push_back(ring.front());
        all.push_back(rings.front().front());
      }
      const TPenData pen = state_.Pen;
      state_.Pen.Style = psClear;
      Emit(crPolygon, std::move(all));
      state_.Pen = pen;
    }
    if (state_.Pen.Style == psClear) return;
    for (auto& ring : rings) {
      ring.push_back(ring.front());
      Emit(crPolyline, std::move(ring));
    }
  }
  // Rings inside an even number of others run one way, the others the other way: filled by
  // winding (as a PDF fills) they then leave the same holes as filled alternately. Only for as
  // many rings and points as it is cheap to compare them all.
  static void AlternateTurns(std::vector<std::vector<TPoint>>& rings) {
    size_t points = 0;
    for (const auto& ring : rings) points += ring.size();
    if (rings.size() > 256 || points * rings.size() > (size_t{1} << 22)) return;
    auto area = [](const std::vector<TPoint>& ring) {
      double sum = 0;
      for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        sum += static_cast<double>(ring[j].X) * ring[i].Y - static_cast<double>(ring[i].X) * ring[j].Y;
      return sum;
    };
    auto inside = [](const TPoint& p, const std::vector<TPoint>& ring) {
      bool in = false;
      for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        if ((ring[i].Y > p.Y) != (ring[j].Y > p.Y) &&
            p.X < (static_cast<double>(ring[j].X) - ring[i].X) * (p.Y - ring[i].Y) / (ring[j].Y - ring[i].Y) + ring[i].X)
          in = !in;
      return in;
    };
    std::vector<bool> odd(rings.size());
    for (size_t k = 0; k < rings.size(); ++k)
      for (size_t other = 0; other < rings.size(); ++other)
        if (other != k && inside(rings[k].front(), rings[other])) odd[k] = !odd[k];
    for (size_t k = 0; k < rings.size(); ++k)
      if ((area(rings[k]) > 0) != odd[k]) std::reverse(rings[k].begin(), rings[k].end());
  }
  TRect MapRect(double l, double t, double r, double b) const {
    TPoint a = Map(l, t), c = Map(r, b);
    return TRect{std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y)};
  }
  void Shape(TCanvasRecordKind kind, double l, double t, double r, double b, double cornerW = 0, double cornerH = 0) {
    if (!Turned()) {
      Emit(kind, {}, MapRect(l, t, r, b), TSize{MapLength(cornerW), static_cast<int>(Length(cornerH, true))});
      return;
    }
    // A turned rectangle or ellipse is a polygon of its outline.
    std::vector<TPoint> outline;
    auto arc = [&](double cx, double cy, double rx, double ry, double from, int steps) {
      for (int i = 0; i <= steps; ++i) {
        const double a = from + i * (std::numbers::pi / 2) / steps;
        outline.push_back(Map(cx + rx * std::cos(a), cy + ry * std::sin(a)));
      }
    };
    const double rx = (r - l) / 2, ry = (b - t) / 2;
    if (kind == crEllipse) {
      for (int i = 0; i < kEllipseSegments; ++i) {
        const double a = 2 * std::numbers::pi * i / kEllipseSegments;
        outline.push_back(Map(l + rx + rx * std::cos(a), t + ry + ry * std::sin(a)));
      }
    } else if (kind == crRoundRect) {
      const double cx = std::min(std::abs(cornerW), std::abs(r - l)) / 2 * (r > l ? 1 : -1);
      const double cy = std::min(std::abs(cornerH), std::abs(b - t)) / 2 * (b > t ? 1 : -1);
      const int steps = kEllipseSegments / 4;
      arc(r - cx, b - cy, cx, cy, 0, steps);
      arc(l + cx, b - cy, cx, cy, std::numbers::pi / 2, steps);
      arc(l + cx, t + cy, cx, cy, std::numbers::pi, steps);
      arc(r - cx, t + cy, cx, cy, 3 * std::numbers::pi / 2, steps);
    } else {
      outline = {Map(l, t), Map(r, t), Map(r, b), Map(l, b)};
    }
    Emit(crPolygon, std::move(outline));
  }
  // Text at (x, y) as the alignment places it; dx, when it has one distance (logical units) for
  // each character, spaces the characters as the program that wrote them did.
  void Text(double x, double y, const WideString& text, const std::vector<double>& dx = {}) {
    if (text.empty()) return;
    TFontData font = state_.Font;
    font.Color = state_.TextColor;
    static QImage scratch(1, 1, QImage::Format_RGB32);
    constexpr double kUsualHeight = 12 * kDetail;
    const double height = std::clamp(state_.FontHeight == 0 ? kUsualHeight : Length(std::abs(state_.FontHeight), true),
                                     1.0, double(MaxFontHeight));
    font.Height = -static_cast<int>(std::lround(height));
    if (state_.FontHeight > 0) {
      // A positive height is the cell's: the records keep the character height, which every
      // drawing of them (on a canvas, in a PDF) reads alike.
      QFontMetricsF cell(MakeQFont(font, &scratch), &scratch);
      const double ratio = cell.ascent() + cell.descent() > 0 ? height / (cell.ascent() + cell.descent()) : 1;
      font.Height = -std::clamp(static_cast<int>(std::lround(height * ratio)), 1, MaxFontHeight);
    }
    // The escapement turns the line as the mapping turns the x axis.
    const double degrees = std::remainder(state_.Font.Orientation / 10.0 + (Turned() ? TurnDegrees() : 0), 360.0);
    font.Orientation = static_cast<int>(std::lround(degrees * 10));
    // The record holds the top left of the text cell; the alignment names another point of it.
    QFontMetricsF metrics(MakeQFont(font, &scratch), &scratch);
    double down = 0, along = 0;
    if ((state_.TextAlign & 24) == 24) down = metrics.ascent();
    else if (state_.TextAlign & 8) down = metrics.ascent() + metrics.descent();
    // One advance for each cluster of characters: the distances of its characters together.
    std::vector<int> advances;
    double width = metrics.horizontalAdvance(ToQString(text));
    if (dx.size() == text.size()) {
      const TTextClusters clusters = MeasureClusters(font, &scratch, text, -1);
      const size_t n = clusters.Starts.size();
      std::vector<double> given(n);
      for (size_t k = 0; k < n; ++k) {
        const size_t end = k + 1 < n ? static_cast<size_t>(clusters.Starts[k + 1]) : text.size();
        for (size_t i = static_cast<size_t>(clusters.Starts[k]); i < end; ++i)
          given[k] += std::copysign(Length(std::abs(dx[i])), dx[i]);
      }
      // A writer that joined letters into one glyph (a ligature such as "fi") gives the first its
      // width and the others none: shared out by the letters' own widths, they do not pile up
      // where the next letter stands.
      for (size_t k = 0; k < n;) {
        size_t end = k + 1;
        while (end < n && given[end] == 0) ++end;
        const int from = k > 0 ? clusters.Extents[k - 1] : 0;
        const double own = clusters.Extents[end - 1] - from;
        if (end > k + 1 && given[k] > 0 && own > 0) {
          const double share = given[k];
          for (size_t m = k; m < end; ++m)
            given[m] = share * (clusters.Extents[m] - (m > 0 ? clusters.Extents[m - 1] : 0)) / own;
        }
        k = end;
      }
      // Rounded through the running sum, so that rounding does not add up along the line.
      double sum = 0, placed = 0;
      for (double g : given) {
        sum += g;
        advances.push_back(static_cast<int>(std::lround(sum - placed)));
        placed += advances.back();
      }
      width = sum;
    }
    if ((state_.TextAlign & 6) == 6) along = width / 2;
    else if (state_.TextAlign & 2) along = width;
    const double a = degrees * std::numbers::pi / 180;
    const QPointF at = Device(x, y);
    const double px = at.x() - along * std::cos(a) - down * std::sin(a);
    const double py = at.y() + along * std::sin(a) - down * std::cos(a);
    Emit(crText, {TPoint{Clamp(px), Clamp(py)}});
    TCanvasRecord& r = Content.Records.back();
    r.Font = font;
    r.Text = text;
    r.Advances = std::move(advances);
    r.Brush = state_.Opaque ? TBrushData{state_.BackColor, bsSolid} : TBrushData{clWhite, bsClear};
  }

  // A bitmap blit in raster operation rop; a null image is a blit without a source.
  void Blit(TBlit blit, std::uint32_t rop, const char* format) {
    constexpr std::uint32_t kSrcCopy = 0xCC0020, kSrcPaint = 0xEE0086, kSrcAnd = 0x8800C6, kPatCopy = 0xF00021,
                            kBlackness = 0x000042, kWhiteness = 0xFF0062, kDstInvert = 0x550009,
                            kPatInvert = 0x5A0049;
    if (blit.Image.isNull()) {
      // Without a source: the brush, black or white copied, or the destination or the brush
      // mixed with what lies beneath, over the rectangle.
      TPenMode mix = pmCopy;
      if (rop == kDstInvert) mix = pmNot;
      else if (rop == kPatInvert) mix = pmXor;
      else if (rop != kPatCopy && rop != kBlackness && rop != kWhiteness) {
        Skip(String(format) + " raster operation " + IntToHex(static_cast<Int64>(rop), 6));
        return;
      }
      const TDcState saved = state_;
      state_.Pen.Style = psClear;
      state_.Mix = mix;
      if (rop == kBlackness || rop == kWhiteness) state_.Brush = {rop == kBlackness ? clBlack : clWhite, bsSolid};
      Shape(crRectangle, blit.X, blit.Y, blit.X + blit.Width, blit.Y + blit.Height);
      state_.Pen = saved.Pen;
      state_.Brush = saved.Brush;
      state_.Mix = saved.Mix;
      return;
    }
    // The source mixed with what lies beneath, each as a mix mode of the canvas.
    static const std::map<std::uint32_t, TPenMode> kSourceMixes = {
        {0x660046, pmXor},          {0x330008, pmNotCopy},     {0x440328, pmMaskPenNot},
        {0x1100A6, pmNotMerge},     {0xBB0226, pmMergeNotPen}, {0x990066, pmNotXor}};
    if (auto mix = kSourceMixes.find(rop); mix != kSourceMixes.end()) {
      DropMask(format);
      Place(blit);
      Content.Records.back().Pen.Mode = mix->second;
      return;
    }
    if (rop == kSrcPaint) {
      // Transparent bitmaps come as a mask or-ed on, then the picture and-ed on with white where
      // the mask is black: together, the picture wherever the mask is white.
      DropMask(format);
      mask_ = std::move(blit);
      return;
    }
    if (rop == kSrcAnd) {
      QImage image = blit.Image.convertToFormat(QImage::Format_ARGB32);
      const bool paired = mask_ && mask_->X == blit.X && mask_->Y == blit.Y && mask_->Width == blit.Width &&
                          mask_->Height == blit.Height && mask_->Image.size() == image.size();
      for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto* m = paired ? reinterpret_cast<const QRgb*>(mask_->Image.constScanLine(y)) : nullptr;
        for (int x = 0; x < image.width(); ++x) {
          const int alpha = m ? qGray(m[x]) * qAlpha(m[x]) / 255 : (row[x] & 0xFFFFFF) == 0xFFFFFF ? 0 : 255;
          row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), alpha);
        }
      }
      if (paired) mask_.reset();
      blit.Image = std::move(image);
    } else if (rop != kSrcCopy) {
      Skip(String(format) + " raster operation " + IntToHex(static_cast<Int64>(rop), 6));
      return;
    }
    Place(blit);
  }
  // A shape filled with the pattern brush: the fill drawn into a picture over the shape's bounds,
  // the pattern repeating from the picture's origin a pixel to a pixel, then the outline alone.
  void PatternFill(TCanvasRecord shape) {
    QPainterPath path;
    const QRect box = ToQRectOf(shape.Rect);
    switch (shape.Kind) {
      case crPolygon: {
        QPolygon polygon;
        for (const TPoint& p : shape.Points) polygon << QPoint(p.X, p.Y);
        path.addPolygon(polygon);
        path.setFillRule(Qt::OddEvenFill);
        break;
      }
      case crEllipse: path.addEllipse(box); break;
      case crRoundRect: path.addRoundedRect(box, shape.Corner.cx / 2.0, shape.Corner.cy / 2.0); break;
      default: path.addRect(box); break;
    }
    const QRect bounds = path.boundingRect().toAlignedRect();
    const int w = std::max(1, bounds.width() / kDetail), h = std::max(1, bounds.height() / kDetail);
    // The fill's pixels count against the file's budget before they are taken.
    QImage fill;
    if (TakePixels(Int64{w} * h, emf_ ? "EMF" : "WMF")) fill = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    if (!fill.isNull()) {
      fill.fill(Qt::transparent);
      QPainter painter(&fill);
      painter.scale(static_cast<double>(w) / std::max(1, bounds.width()), static_cast<double>(h) / std::max(1, bounds.height()));
      painter.translate(-bounds.topLeft());
      QBrush brush(state_.Pattern);
      brush.setTransform(QTransform::fromScale(kDetail, kDetail));
      painter.fillPath(path, brush);
      painter.end();
      TCanvasRecord image;
      image.Kind = crImage;
      image.Rect = FromQRect(bounds);
      image.Image = BitmapFromImage(fill.convertToFormat(QImage::Format_ARGB32));
      Content.Records.push_back(std::move(image));
    }
    if (shape.Pen.Style == psClear) return;
    shape.Brush.Style = bsClear;
    Content.Records.push_back(std::move(shape));
  }

  // A colour of a record: an RGB value, or (with 1 in its high byte) an entry of the palette.
  TColor ColorOf(std::int32_t value) const {
    const auto v = static_cast<std::uint32_t>(value);
    if ((v >> 24) == 1) {
      const std::vector<QRgb>& colors = Palette();
      const QRgb c = (v & 0xFFFF) < colors.size() ? colors[v & 0xFFFF] : 0xFF000000u;
      return static_cast<TColor>(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16);
    }
    return static_cast<TColor>(v & 0xFFFFFF);
  }
  // The colours of the selected palette, or of the system's default one.
  const std::vector<QRgb>& Palette() const {
    static const std::vector<QRgb> kDefault = {
        0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080,
        0xFFC0C0C0, 0xFFC0DCC0, 0xFFA6CAF0, 0xFFFFFBF0, 0xFFA0A0A4, 0xFF808080, 0xFFFF0000,
        0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    if (!palette_) return kDefault;
    auto it = objects_.find(*palette_);
    return it != objects_.end() && it->second.Type == TGdiObject::kPalette ? it->second.Colors : kDefault;
  }
  void SelectPalette(std::uint32_t index) {
    auto it = objects_.find(index);
    if (it != objects_.end() && it->second.Type == TGdiObject::kPalette) palette_ = index;
    else if (index == 0x8000000Fu) palette_.reset();
  }
  // count entries of four bytes (red, green, blue, flags) at at into the palette in slot index,
  // from entry first on; a palette grows to hold them, up to 65,536 entries.
  void SetPaletteEntries(std::uint32_t index, size_t first, const Params& p, size_t at, Int64 count) {
    auto it = objects_.find(index);
    if (it == objects_.end() || it->second.Type != TGdiObject::kPalette) return;
    const size_t n = p.Fits(at, count, 4);
    std::vector<QRgb>& colors = it->second.Colors;
    if (first + n > 65536) Bad();
    if (colors.size() < first + n) colors.resize(first + n, 0xFF000000u);
    for (size_t i = 0; i < n; ++i) colors[first + i] = qRgb(p.B(at + 4 * i), p.B(at + 4 * i + 1), p.B(at + 4 * i + 2));
  }
  void ResizePalette(std::uint32_t index, Int64 count) {
    auto it = objects_.find(index);
    if (it == objects_.end() || it->second.Type != TGdiObject::kPalette || count < 0 || count > 65536) return;
    it->second.Colors.resize(static_cast<size_t>(count), 0xFF000000u);
  }
  // The slot of the selected palette: SETPALENTRIES of a WMF writes there.
  std::optional<std::uint32_t> SelectedPalette() const { return palette_; }

  // One pixel of the reference device set to a colour (drawing programs set a line's last pixel
  // so, as the line leaves it out).
  void Pixel(const TPoint& at, TColor color) {
    Emit(crPixel, {at});
    Content.Records.back().Color = color;
  }

  // SETROP2's codes 1 to 16, in their order; others draw as a copy.
  void SetMix(int code) {
    static constexpr TPenMode kModes[] = {pmBlack, pmNotMerge, pmMaskNotPen, pmNotCopy, pmMaskPenNot, pmNot,
                                          pmXor, pmNotMask, pmMask, pmNotXor, pmNop, pmMergeNotPen,
                                          pmCopy, pmMergePenNot, pmMerge, pmWhite};
    state_.Mix = code >= 1 && code <= 16 ? kModes[code - 1] : pmCopy;
  }

  // Clip changes, kept in step with the records that make them.
  void ClipIntersect(const TRect& r) {
    state_.Clip = QRegion(state_.Clip ? *state_.Clip : QRegion(kEverywhere)).intersected(ToQRectOf(r));
    Emit(crIntersectClip, {}, r);
  }
  void ClipExclude(const TRect& r) {
    state_.Clip = QRegion(state_.Clip ? *state_.Clip : QRegion(kEverywhere)).subtracted(ToQRectOf(r));
    Emit(crExcludeClip, {}, r);
  }
  void ClipReset() {
    state_.Clip.reset();
    Emit(crResetClip, {});
  }
  // Whether rects more rectangles may be cut out of the clip, one region's and the picture's
  // budget allowing; they are counted when they may.
  bool ClipRectsAllowed(int rects, const char* format) {
    if (rects > kMaxClipRects) {
      Skip(String(format) + " clip region of more than " + std::to_string(kMaxClipRects) + " rectangles");
      return false;
    }
    if (clipRects_ + rects > kMaxPictureClipRects) {
      Skip(String(format) + " clip regions of more than " + std::to_string(kMaxPictureClipRects) +
           " rectangles in all");
      return false;
    }
    clipRects_ += rects;
    return true;
  }
  // The rectangles of region cut out of the clip, the clip worked out once for all of them.
  void ClipExcludeAll(const QRegion& region) {
    state_.Clip = QRegion(state_.Clip ? *state_.Clip : QRegion(kEverywhere)).subtracted(region);
    for (const QRect& r : region) Emit(crExcludeClip, {}, FromQRect(r));
  }
  // The clip narrowed to region: its bounds, less the rectangles of the bounds outside it.
  void ClipTo(const QRegion& region, const char* format) {
    const QRect bounds = region.boundingRect();
    ClipIntersect(FromQRect(bounds));
    const QRegion outside = QRegion(bounds).subtracted(region);
    if (ClipRectsAllowed(outside.rectCount(), format)) ClipExcludeAll(outside);
  }
  // A region combined with the clip: 1 and, 2 or, 3 exclusive or, 4 difference, 5 copy.
  void CombineClip(const QRegion& region, int mode, const char* format) {
    if (mode == 4) {
      if (ClipRectsAllowed(region.rectCount(), format)) ClipExcludeAll(region);
      return;
    }
    if (mode == 1) {
      ClipTo(region, format);
      return;
    }
    if (mode != 2 && mode != 3 && mode != 5) {
      Skip(String(format) + " clip region of mode " + std::to_string(mode));
      return;
    }
    // Or, exclusive or and copy can widen the clip: it is made again from none.
    const QRegion current = state_.Clip ? *state_.Clip : QRegion(kEverywhere);
    const QRegion next = mode == 2 ? current.united(region) : mode == 3 ? current.xored(region) : region;
    ClipReset();
    if (next != QRegion(kEverywhere)) ClipTo(next, format);
  }
  // The rectangles of a region filled with brush in the mix mode given, without a pen.
  void FillRegion(const QRegion& region, const TBrushData& brush, TPenMode mix) {
    const TDcState saved = state_;
    state_.Pen.Style = psClear;
    state_.Brush = brush;
    state_.Mix = mix;
    for (const QRect& r : region) Emit(crFillRect, {}, FromQRect(r));
    state_.Pen = saved.Pen;
    state_.Brush = saved.Brush;
    state_.Mix = saved.Mix;
  }
  // The brush in an object slot, or the current brush when the slot holds none.
  TBrushData BrushIn(std::uint32_t index) const {
    auto it = objects_.find(index);
    return it != objects_.end() && it->second.Type == TGdiObject::kBrush ? it->second.Brush : state_.Brush;
  }
  // The region in an object slot; none when the slot holds another object.
  std::optional<QRegion> RegionIn(std::uint32_t index) const {
    auto it = objects_.find(index);
    if (it == objects_.end() || it->second.Type != TGdiObject::kRegion) return std::nullopt;
    return it->second.Region;
  }

  void DropMask(const char* format) {
    if (mask_) Skip(String(format) + " bitmap mask without its picture");
    mask_.reset();
  }
  // Counts a bitmap's pixels against the file's budget; false when it is skipped.
  bool TakePixels(const QImage& image, const char* format) {
    return TakePixels(Int64(image.width()) * image.height(), format);
  }
  bool TakePixels(Int64 n, const char* format) {
    if (n > kMaxFilePixels - pixels_) {
      Skip(String(format) + " bitmaps beyond " + std::to_string(kMaxFilePixels / 1000000) + " megapixels");
      return false;
    }
    pixels_ += n;
    return true;
  }

  void Skip(const String& name) {
    if (skippedNames_.insert({name, true}).second) skipped_.push_back(name);
  }

  // Object table: WMF takes the lowest free slot, EMF names the slot.
  std::uint32_t CreateObject(const TGdiObject& obj, std::optional<std::uint32_t> slot = std::nullopt) {
    if (slot) {
      if (*slot > 65535) Bad();
      objects_[*slot] = obj;
      return *slot;
    }
    std::uint32_t i = 0;
    while (objects_.count(i)) ++i;
    if (i > 65535) Bad();
    objects_[i] = obj;
    return i;
  }
  void Select(std::uint32_t index) {
    if (emf_ && (index & 0x80000000u)) {
      // Stock objects.
      if ((index & 0xFF) <= 5) state_.Pattern = QImage();
      if ((index & 0xFF) == 15) palette_.reset();
      switch (index & 0xFF) {
        case 0: state_.Brush = {clWhite, bsSolid}; break;
        case 1: state_.Brush = {0xC0C0C0, bsSolid}; break;
        case 2: state_.Brush = {0x808080, bsSolid}; break;
        case 3: state_.Brush = {0x404040, bsSolid}; break;
        case 4: state_.Brush = {clBlack, bsSolid}; break;
        case 5: state_.Brush.Style = bsClear; break;
        case 6: state_.Pen = TPenData{}, state_.Pen.Color = clWhite; break;
        case 7: state_.Pen = TPenData{}; break;
        case 8: state_.Pen.Style = psClear; break;
        default: break;
      }
      return;
    }
    auto it = objects_.find(index);
    if (it == objects_.end()) return;
    switch (it->second.Type) {
      case TGdiObject::kPen: state_.Pen = it->second.Pen; break;
      case TGdiObject::kBrush:
        state_.Brush = it->second.Brush;
        state_.Pattern = it->second.Pattern;
        break;
      case TGdiObject::kFont:
        state_.Font = it->second.Font;
        state_.FontHeight = it->second.FontHeight;
        break;
      default: break;
    }
  }
  void Delete(std::uint32_t index) { objects_.erase(index); }
  TPenData MakePen(int style, double width, TColor color) const {
    TPenData pen;
    pen.Color = color & 0xFFFFFF;
    pen.Width = std::max(1, MapLength(width));
    static constexpr TPenStyle kStyles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame};
    pen.Style = (style & 15) < 7 ? kStyles[style & 15] : psSolid;
    return pen;
  }
  static TBrushData MakeBrush(int style, TColor color, int hatch) {
    TBrushData brush;
    brush.Color = color & 0xFFFFFF;
    if (style == 1) brush.Style = bsClear;
    else if (style == 2) brush.Style = static_cast<TBrushStyle>(bsHorizontal + std::clamp(hatch, 0, 5));
    else brush.Style = bsSolid;
    return brush;
  }
  static TGdiObject MakeFont(double height, int escapement, int weight, bool italic, bool underline, bool strike,
                             TFontCharset charset, const String& face) {
    TGdiObject o;
    o.Type = TGdiObject::kFont;
    TFontData& font = o.Font;
    font.Name = face.empty() ? String("Arial") : face;
    o.FontHeight = std::clamp(height, -1e7, 1e7);
    font.Orientation = escapement % 3600;
    font.Charset = charset;
    if (weight >= 600) font.Style.Include(fsBold);
    if (italic) font.Style.Include(fsItalic);
    if (underline) font.Style.Include(fsUnderline);
    if (strike) font.Style.Include(fsStrikeOut);
    return o;
  }
  void Save() {
    saved_.push_back(state_);
    Emit(crSaveClip, {});
    if (saved_.size() > 1000) Bad();
  }
  void Restore(std::int32_t relative) {
    // A negative number counts back from the top; others name an absolute level. Counted in 64
    // bits: the most negative number has no opposite in 32.
    std::int64_t n = relative < 0 ? -std::int64_t{relative} : std::int64_t(saved_.size()) - relative + 1;
    for (; n > 0 && !saved_.empty(); --n) {
      state_ = saved_.back();
      saved_.pop_back();
      Emit(crRestoreClip, {});
    }
  }

  // A bitmap in picture pixels: straight, a picture stretched over its rectangle (mirrored where
  // the rectangle is); turned, the picture drawn turned on a transparent one over its bounds.
  void Place(const TBlit& blit) {
    const QPointF a = Device(blit.X, blit.Y), b = Device(blit.X + blit.Width, blit.Y),
                  c = Device(blit.X, blit.Y + blit.Height), d = Device(blit.X + blit.Width, blit.Y + blit.Height);
    if (!Turned()) {
      QImage image = blit.Image.mirrored(a.x() > d.x(), a.y() > d.y());
      Emit(crImage, {}, MapRect(blit.X, blit.Y, blit.X + blit.Width, blit.Y + blit.Height));
      Content.Records.back().Image = BitmapFromImage(image);
      return;
    }
    const double left = std::min({a.x(), b.x(), c.x(), d.x()}), right = std::max({a.x(), b.x(), c.x(), d.x()});
    const double top = std::min({a.y(), b.y(), c.y(), d.y()}), bottom = std::max({a.y(), b.y(), c.y(), d.y()});
    TRect box{Clamp(left), Clamp(top), Clamp(right), Clamp(bottom)};
    // The turned picture has about as many pixels as its bounds in picture pixels, within the budget.
    double k = 1.0 / kDetail;
    const double area = std::max(1, box.Width()) * static_cast<double>(std::max(1, box.Height())) * k * k;
    if (area > kMaxPicturePixels / 4) k *= std::sqrt(kMaxPicturePixels / 4 / area);
    const int w = std::max(1, static_cast<int>(box.Width() * k)), h = std::max(1, static_cast<int>(box.Height() * k));
    QImage turned(w, h, QImage::Format_ARGB32_Premultiplied);
    if (turned.isNull()) Bad();
    turned.fill(Qt::transparent);
    QPainter painter(&turned);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double iw = blit.Image.width(), ih = blit.Image.height();
    painter.setTransform(QTransform((b.x() - a.x()) / iw * k, (b.y() - a.y()) / iw * k, (c.x() - a.x()) / ih * k,
                                    (c.y() - a.y()) / ih * k, (a.x() - box.Left) * k, (a.y() - box.Top) * k));
    painter.drawImage(QPointF(0, 0), blit.Image);
    painter.end();
    Emit(crImage, {}, box);
    Content.Records.back().Image = BitmapFromImage(turned.convertToFormat(QImage::Format_ARGB32));
  }

  TDcState state_;
  bool emf_ = false;
  double scaleX_ = 1, scaleY_ = 1, offsetX_ = 0, offsetY_ = 0;
  double devPerMmX_ = 96 / 25.4, devPerMmY_ = 96 / 25.4;

 private:
  static int Clamp(double v) { return std::isfinite(v) ? static_cast<int>(std::lround(std::clamp(v, -1e7, 1e7))) : 0; }
  std::vector<String>& skipped_;
  std::map<String, bool> skippedNames_;
  std::map<std::uint32_t, TGdiObject> objects_;
  std::vector<TDcState> saved_;
  // Rectangles cut out of clips so far.
  Int64 clipRects_ = 0;
  std::optional<TBlit> mask_;
  std::optional<std::uint32_t> palette_;
  Int64 pixels_ = 0;
};

WideString Utf16(const Params& p, size_t at, size_t count) {
  count = p.Fits(at, static_cast<Int64>(std::min(count, kMaxTextLength)), 2);
  WideString s;
  for (size_t i = 0; i < count; ++i) s += static_cast<char16_t>(p.W(at + 2 * i));
  return s;
}

// Latin-1: the code page of the drawing programs' western fonts.
WideString Ansi(const Params& p, size_t at, size_t count) {
  count = p.Fits(at, static_cast<Int64>(std::min(count, kMaxTextLength)), 1);
  WideString s;
  for (size_t i = 0; i < count; ++i) {
    Byte c = p.B(at + i);
    if (c == 0) break;
    s += static_cast<char16_t>(c);
  }
  return s;
}

// Text of 8-bit characters in the code page of the font's charset.
WideString CharsetText(const Params& p, size_t at, size_t count, TFontCharset charset) {
  count = p.Fits(at, static_cast<Int64>(std::min(count, kMaxTextLength)), 1);
  return MetafileCharsetText(std::string(reinterpret_cast<const char*>(p.From(at)), count), charset);
}

String ToUtf8(const WideString& w) {
  String s;
  for (char16_t c : w)
    if (c < 0xD800 || c > 0xDFFF) AppendCodePoint(s, c);
  return s;
}

// The rectangles of the region data at at (a 32-byte header with their count, then left, top,
// right and bottom of each, in device units) in record units.
QRegion DeviceRegion(const Player& player, const Params& p, size_t at) {
  const size_t count = p.Fits(at + 32, p.I32(at + 8), 16);
  if (count > kMaxClipRects) Bad();
  QRegion region;
  for (size_t i = 0; i < count; ++i) {
    const size_t r = at + 32 + 16 * i;
    const TPoint a = player.FromDevice(p.I32(r), p.I32(r + 4)), b = player.FromDevice(p.I32(r + 8), p.I32(r + 12));
    region += ToQRectOf(TRect{a.X, a.Y, b.X, b.Y});
  }
  return region;
}

// The bytes a bitmap's info takes in a record: its palette holds 16-bit indices with colour use 1.
size_t RecordInfoSize(const Player& player, const Byte* info, size_t size, int usage) {
  size_t bytes = 0;
  if (usage == 1) {
    if (DibInfoFromPalette(info, size, player.Palette(), bytes).empty()) Bad();
  } else {
    bytes = DibInfoSize(info, size);
  }
  if (bytes == 0) Bad();
  return bytes;
}

// size bytes of the record from the record offset at (which counts its 8-byte head).
const Byte* Slice(const Params& p, std::uint32_t at, std::uint32_t size) {
  if (at < 8 || at - 8 > p.Size() || size > p.Size() - (at - 8)) Bad();
  return p.From(at - 8);
}

// The part of a record's bitmap a blit takes: the source rectangle (rows counted from the
// bottom of a bottom-up bitmap when fromBottom), as pixels; null when skipped.
QImage BlitSource(Player& player, const Byte* info, size_t infoSize, const Byte* bits, size_t bitsSize, int usage,
                  double xSrc, double ySrc, double wSrc, double hSrc, bool fromBottom, const char* format) {
  std::vector<Byte> colored;
  if (usage == 1) {
    // The palette holds indices into the logical palette: their colours take their place.
    size_t indexed = 0;
    colored = DibInfoFromPalette(info, infoSize, player.Palette(), indexed);
    if (colored.empty()) Bad();
    info = colored.data();
    infoSize = colored.size();
  } else if (usage != 0) {
    player.Skip(String(format) + " bitmap of colour use " + std::to_string(usage));
    return {};
  }
  String unsupported;
  QImage image = DecodeDib(info, infoSize, bits, bitsSize, unsupported);
  if (image.isNull()) {
    player.Skip(String(format) + " " + unsupported);
    return {};
  }
  const bool bottomUp = U32(info) == 12 || static_cast<std::int32_t>(U32(info + 8)) > 0;
  if (!std::isfinite(xSrc + ySrc + wSrc + hSrc)) return {};
  QRectF wanted(xSrc, fromBottom && bottomUp ? image.height() - ySrc - hSrc : ySrc, wSrc, hSrc);
  QRect part = wanted.toAlignedRect().intersected(image.rect());
  if (part.isEmpty()) return {};
  if (part != image.rect()) image = image.copy(part);
  if (!player.TakePixels(image, format)) return {};
  return image;
}

// A band of scans scan lines from first on (counted from the bottom of a bottom-up bitmap) of a
// bitmap set to the device: the part of the source rectangle it holds, placed where that part of
// the whole bitmap goes. unitX and unitY are the logical units of a source pixel.
void BandBlit(Player& player, const Byte* info, size_t infoSize, const Byte* bits, size_t bitsSize, int usage,
              Int64 first, Int64 scans, double xSrc, double ySrc, double w, double h, double xDest, double yDest,
              double unitX, double unitY, const char* format) {
  if (infoSize < 40 || U32(info) < 40) Bad();
  const auto height = static_cast<std::int32_t>(U32(info + 8));
  const bool bottomUp = height > 0;
  const Int64 whole = std::abs(static_cast<Int64>(height));
  if (scans <= 0 || first < 0 || first + scans > whole || !std::isfinite(xSrc + ySrc + w + h)) return;
  // The band alone is a bitmap of its lines.
  std::vector<Byte> band(info, info + infoSize);
  const auto bandHeight = static_cast<std::uint32_t>(static_cast<std::int32_t>(bottomUp ? scans : -scans));
  for (int k = 0; k < 4; ++k) band[8 + k] = static_cast<Byte>(bandHeight >> (8 * k));
  // Rows counted from the top of the whole bitmap.
  const double bandTop = static_cast<double>(bottomUp ? whole - first - scans : first);
  const double sourceTop = bottomUp ? static_cast<double>(whole) - ySrc - h : ySrc;
  const double top = std::max(bandTop, sourceTop), bottom = std::min(bandTop + static_cast<double>(scans), sourceTop + h);
  if (bottom <= top) return;
  TBlit blit{QImage(), xDest, yDest + (top - sourceTop) * unitY, w * unitX, (bottom - top) * unitY};
  blit.Image = BlitSource(player, band.data(), band.size(), bits, bitsSize, usage, xSrc, top - bandTop, w, bottom - top,
                          false, format);
  if (!blit.Image.isNull()) player.Blit(std::move(blit), 0xCC0020, format);
}

void PlayWmf(const std::vector<Byte>& file, Player& player) {
  if (file.size() < 22 + 18) Bad();
  const Byte* h = file.data();
  const int left = static_cast<std::int16_t>(U16(h + 6)), top = static_cast<std::int16_t>(U16(h + 8));
  const int right = static_cast<std::int16_t>(U16(h + 10)), bottom = static_cast<std::int16_t>(U16(h + 12));
  const int inch = U16(h + 14);
  if (inch == 0 || right == left || bottom == top) Bad();
  TMetafileContent& c = player.Content;
  c.Width = static_cast<int>(std::lround(std::abs(right - left) * 96.0 / inch));
  c.Height = static_cast<int>(std::lround(std::abs(bottom - top) * 96.0 / inch));
  if (c.Width <= 0 || c.Height <= 0 || c.Width > kMaxPictureSide || c.Height > kMaxPictureSide) Bad();
  player.scaleX_ = 96.0 / inch * (right > left ? 1 : -1);
  player.scaleY_ = 96.0 / inch * (bottom > top ? 1 : -1);
  player.offsetX_ = -left * player.scaleX_;
  player.offsetY_ = -top * player.scaleY_;
  size_t pos = 22;
  const size_t headerWords = U16(file.data() + pos + 2);
  if (headerWords < 9) Bad();
  pos += headerWords * 2;
  TDcState& s = player.state_;
  while (pos + 6 <= file.size()) {
    const std::uint64_t words = U32(file.data() + pos);
    const int function = U16(file.data() + pos + 4);
    if (words < 3 || words * 2 > file.size() - pos) Bad();
    Params p(file.data() + pos + 6, static_cast<size_t>(words * 2 - 6));
    pos += static_cast<size_t>(words * 2);
    auto pt = [&](size_t at) { return player.Map(p.I16(at + 2), p.I16(at)); };  // y then x
    switch (function) {
      case 0x0000:
        player.DropMask("WMF");
        return;
      case 0x020B: s.WinOrgY = p.I16(0), s.WinOrgX = p.I16(2); break;
      case 0x020C: s.WinExtY = p.I16(0), s.WinExtX = p.I16(2); break;
      case 0x020D: s.VpOrgY = p.I16(0), s.VpOrgX = p.I16(2); break;
      case 0x020E: s.VpExtY = p.I16(0), s.VpExtX = p.I16(2); break;
      case 0x0103: s.MapMode = p.I16(0); break;
      // Modes without effect on what is drawn here, and escapes (comments of the drawing program).
      case 0x0106: case 0x0107: case 0x0108: case 0x0109: case 0x0626:
        break;
      case 0x0104: player.SetMix(p.W(0)); break;
      case 0x0102: s.Opaque = p.I16(0) == 2; break;
      case 0x0201: s.BackColor = player.ColorOf(p.I32(0)); break;
      // Bitmaps: with a bitmap the record ends in it, without one it fills with the brush.
      case 0x0B41: case 0x0940: {
        const bool stretch = function == 0x0B41;
        const bool withBitmap = words != static_cast<std::uint64_t>((function >> 8) + 3);
        // Destination height, width, y, x; without a bitmap behind a reserved word.
        const size_t dest = (stretch ? 12 : 8) + (withBitmap ? 0 : 2);
        TBlit blit{QImage(), static_cast<double>(p.I16(dest + 6)), static_cast<double>(p.I16(dest + 4)),
                   static_cast<double>(p.I16(dest + 2)), static_cast<double>(p.I16(dest))};
        if (withBitmap) {
          const size_t at = dest + 8;
          const size_t size = p.Size() - std::min(p.Size(), at);
          const size_t info = DibInfoSize(p.From(at), size);
          if (info == 0) Bad();
          const double srcW = stretch ? p.I16(6) : blit.Width, srcH = stretch ? p.I16(4) : blit.Height;
          const size_t src = stretch ? 8 : 4;  // source y, x
          blit.Image = BlitSource(player, p.From(at), size, p.From(at) + info, size - info, 0, p.I16(src + 2),
                                  p.I16(src), srcW, srcH, false, "WMF");
          if (blit.Image.isNull()) break;
        }
        player.Blit(std::move(blit), static_cast<std::uint32_t>(p.I32(0)), "WMF");
        break;
      }
      case 0x0F43: case 0x0D33: {
        // Stretched: raster operation, colour use, source height, width, y, x, destination height,
        // width, y, x. To the device: colour use, scan lines, first scan line, source y, x, height,
        // width (also the destination's), destination y, x.
        const bool stretch = function == 0x0F43;
        const size_t at = stretch ? 22 : 18;
        const size_t size = p.Size() - std::min(p.Size(), at);
        const int usage = p.W(stretch ? 4 : 0);
        const size_t info = RecordInfoSize(player, p.From(at), size, usage);
        TBlit blit;
        if (stretch) {
          blit = {QImage(), static_cast<double>(p.I16(20)), static_cast<double>(p.I16(18)),
                  static_cast<double>(p.I16(16)), static_cast<double>(p.I16(14))};
          blit.Image = BlitSource(player, p.From(at), size, p.From(at) + info, size - info, usage, p.I16(12), p.I16(10),
                                  p.I16(8), p.I16(6), true, "WMF");
        } else {
          const Int64 rows = std::abs(static_cast<Int64>(static_cast<std::int32_t>(U32(p.From(at) + 8))));
          if (U32(p.From(at)) != 12 && p.W(2) < rows) {
            BandBlit(player, p.From(at), info, p.From(at) + info, size - info, usage, p.W(4), p.W(2), p.I16(8),
                     p.I16(6), p.I16(12), p.I16(10), p.I16(16), p.I16(14), 1, 1, "WMF");
            break;
          }
          blit = {QImage(), static_cast<double>(p.I16(16)), static_cast<double>(p.I16(14)),
                  static_cast<double>(p.I16(12)), static_cast<double>(p.I16(10))};
          blit.Image = BlitSource(player, p.From(at), size, p.From(at) + info, size - info, usage, p.I16(8), p.I16(6),
                                  p.I16(12), p.I16(10), true, "WMF");
        }
        if (blit.Image.isNull()) break;
        player.Blit(std::move(blit), stretch ? static_cast<std::uint32_t>(p.I32(0)) : 0xCC0020, "WMF");
        break;
      }
      case 0x061D:
        player.Blit(TBlit{QImage(), static_cast<double>(p.I16(10)), static_cast<double>(p.I16(8)),
                          static_cast<double>(p.I16(6)), static_cast<double>(p.I16(4))},
                    static_cast<std::uint32_t>(p.I32(0)), "WMF");
        break;
      case 0x0209: s.TextColor = player.ColorOf(p.I32(0)); break;
      case 0x012E: s.TextAlign = p.W(0); break;
      case 0x0214: s.Current = pt(0); break;
      case 0x041F: player.Pixel(pt(4), player.ColorOf(p.I32(0))); break;
      case 0x0213: {
        TPoint to = pt(0);
        player.Emit(crPolyline, {s.Current, to});
        s.Current = to;
        break;
      }
      case 0x0324: case 0x0325: {
        size_t n = p.Fits(2, p.I16(0), 4);
        std::vector<TPoint> points;
        for (size_t i = 0; i < n; ++i) points.push_back(player.Map(p.I16(2 + 4 * i), p.I16(4 + 4 * i)));
        player.Emit(function == 0x0324 ? crPolygon : crPolyline, std::move(points));
        break;
      }
      case 0x0538: {
        size_t polys = p.Fits(2, p.I16(0), 2);
        size_t at = 2 + 2 * polys;
        std::vector<std::vector<TPoint>> rings;
        for (size_t k = 0; k < polys; ++k) {
          size_t n = p.Fits(at, p.I16(2 + 2 * k), 4);
          std::vector<TPoint>& points = rings.emplace_back();
          for (size_t i = 0; i < n; ++i) points.push_back(player.Map(p.I16(at + 4 * i), p.I16(at + 2 + 4 * i)));
          at += 4 * n;
        }
        player.PolyPolygon(std::move(rings));
        break;
      }
      case 0x041B: case 0x0418:
        player.Shape(function == 0x041B ? crRectangle : crEllipse, p.I16(6), p.I16(4), p.I16(2), p.I16(0));
        break;
      case 0x061C: player.Shape(crRoundRect, p.I16(10), p.I16(8), p.I16(6), p.I16(4), p.I16(2), p.I16(0)); break;
      case 0x02FA: {
        TGdiObject o;
        o.Type = TGdiObject::kPen;
        o.Pen = player.MakePen(p.W(0), p.I16(2), player.ColorOf(p.I32(6)));
        player.CreateObject(o);
        break;
      }
      case 0x02FC: {
        TGdiObject o;
        o.Type = TGdiObject::kBrush;
        o.Brush = Player::MakeBrush(p.W(0), player.ColorOf(p.I32(2)), p.W(6));
        player.CreateObject(o);
        break;
      }
      case 0x02FB:
        player.CreateObject(Player::MakeFont(p.I16(0), p.I16(4), p.I16(8), p.B(10) != 0, p.B(11) != 0, p.B(12) != 0,
                                             p.B(13), ToUtf8(Ansi(p, 18, p.Size() > 18 ? std::min<size_t>(32, p.Size() - 18) : 0))));
        break;
      case 0x00F7: {
        TGdiObject o;
        o.Type = TGdiObject::kPalette;
        player.SetPaletteEntries(player.CreateObject(o), 0, p, 4, p.W(2));
        break;
      }
      case 0x0234: player.SelectPalette(p.W(0)); break;
      case 0x0035: break;
      case 0x0037: case 0x0436:
        if (auto slot = player.SelectedPalette()) player.SetPaletteEntries(*slot, p.W(0), p, 4, p.W(2));
        break;
      case 0x0139:
        if (auto slot = player.SelectedPalette()) player.ResizePalette(*slot, p.W(0));
        break;
      case 0x0142: {
        // A brush of a bitmap's pixels, its colours by value or by palette entry.
        const int usage = p.W(2);
        const size_t size = p.Size() - std::min<size_t>(p.Size(), 4);
        const size_t info = RecordInfoSize(player, p.From(4), size, usage);
        TGdiObject o;
        o.Type = TGdiObject::kBrush;
        o.Pattern = BlitSource(player, p.From(4), size, p.From(4) + info, size - info, usage, 0, 0, 1e9, 1e9, false, "WMF");
        o.Brush = TBrushData{clBlack, o.Pattern.isNull() ? bsClear : bsSolid};
        player.CreateObject(o);
        break;
      }
      // A brush of the obsolete device-dependent bitmap takes its slot like any object.
      case 0x01F9:
        player.CreateObject(TGdiObject{});
        player.Skip("WMF record " + IntToHex(function, 4));
        break;
      case 0x012D: player.Select(p.W(0)); break;
      case 0x01F0: player.Delete(p.W(0)); break;
      case 0x001E: player.Save(); break;
      case 0x0127: player.Restore(p.I16(0)); break;
      case 0x0416: case 0x0415: {
        TPoint a = player.Map(p.I16(6), p.I16(4)), b = player.Map(p.I16(2), p.I16(0));
        const TRect r{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
        if (function == 0x0416) player.ClipIntersect(r);
        else player.ClipExclude(r);
        break;
      }
      case 0x06FF: {
        // Region object: its scans, each a band of rows with pairs of left and right edges.
        TGdiObject o;
        o.Type = TGdiObject::kRegion;
        // Next in chain, type, object count, size, scan count, largest scan, bounds, then the scans.
        const size_t scans = p.Fits(22, p.I16(10), 6);
        size_t at = 22;
        for (size_t k = 0; k < scans; ++k) {
          const size_t edges = p.Fits(at + 6, p.W(at), 2);
          const double top = p.I16(at + 2), bottom = p.I16(at + 4);
          for (size_t e = 0; e + 1 < edges; e += 2) {
            const TPoint a = player.Map(p.I16(at + 6 + 2 * e), top), b = player.Map(p.I16(at + 8 + 2 * e), bottom);
            o.Region += ToQRectOf(TRect{a.X, a.Y, b.X, b.Y});
          }
          at += 6 + 2 * edges + 2;
          if (o.Region.rectCount() > kMaxClipRects) Bad();
        }
        player.CreateObject(o);
        break;
      }
      case 0x012C:
        if (auto region = player.RegionIn(p.W(0))) player.CombineClip(*region, 5, "WMF");
        else player.ClipReset();
        break;
      case 0x0228: case 0x012B: case 0x012A:
        if (auto region = player.RegionIn(p.W(0)))
          player.FillRegion(*region, function == 0x0228 ? player.BrushIn(p.W(2)) : player.state_.Brush,
                            function == 0x012A ? pmNot : player.state_.Mix);
        break;
      case 0x0521: {
        size_t n = p.Fits(2, p.I16(0), 1);
        size_t at = 2 + ((n + 1) & ~size_t{1});
        player.Text(p.I16(at + 2), p.I16(at), CharsetText(p, 2, n, s.Font.Charset));
        break;
      }
      case 0x0A32: {
        int y = p.I16(0), x = p.I16(2);
        size_t n = p.Fits(8, p.I16(4), 1);
        int options = p.W(6);
        size_t at = 8 + ((options & 6) ? 8 : 0);
        // The distances between characters follow the string, when the record has room for them.
        std::vector<double> dx;
        const size_t dxAt = at + ((n + 1) & ~size_t{1});
        if (dxAt + 2 * n <= p.Size())
          for (size_t i = 0; i < n; ++i) dx.push_back(p.I16(dxAt + 2 * i));
        player.Text(x, y, CharsetText(p, at, n, s.Font.Charset), dx);
        break;
      }
      default: player.Skip("WMF record " + IntToHex(function, 4)); break;
    }
  }
}

void PlayEmf(const std::vector<Byte>& file, Player& player) {
  if (file.size() < 88) Bad();
  const Byte* h = file.data();
  auto i32 = [&](size_t at) { return static_cast<std::int32_t>(U32(h + at)); };
  const double frameL = i32(24), frameT = i32(28), frameR = i32(32), frameB = i32(36);
  const double devX = i32(72), devY = i32(76), mmX = i32(80), mmY = i32(84);
  if (devX <= 0 || devY <= 0 || mmX <= 0 || mmY <= 0 || frameR <= frameL || frameB <= frameT) Bad();
  TMetafileContent& c = player.Content;
  c.Width = static_cast<int>(std::lround((frameR - frameL) * 96 / 2540));
  c.Height = static_cast<int>(std::lround((frameB - frameT) * 96 / 2540));
  if (c.Width <= 0 || c.Height <= 0 || c.Width > kMaxPictureSide || c.Height > kMaxPictureSide) Bad();
  player.emf_ = true;
  // Reference-device pixels to hundredths of millimetres to our pixels.
  player.scaleX_ = mmX * 100 / devX * 96 / 2540;
  player.scaleY_ = mmY * 100 / devY * 96 / 2540;
  player.offsetX_ = -frameL * 96 / 2540;
  player.offsetY_ = -frameT * 96 / 2540;
  player.devPerMmX_ = devX / mmX;
  player.devPerMmY_ = devY / mmY;
  TDcState& s = player.state_;
  std::vector<std::vector<TPoint>> path;
  bool inPath = false;
  size_t pos = 0;
  while (pos + 8 <= file.size()) {
    const std::uint32_t type = U32(file.data() + pos), size = U32(file.data() + pos + 4);
    if (size < 8 || size % 4 != 0 || size > file.size() - pos) Bad();
    Params p(file.data() + pos + 8, size - 8);
    pos += size;
    auto pt32 = [&](size_t at) { return player.Map(p.I32(at), p.I32(at + 4)); };
    auto points16 = [&](size_t countAt, size_t at) {
      size_t n = p.Fits(at, p.I32(countAt), 4);
      std::vector<TPoint> points;
      for (size_t i = 0; i < n; ++i) points.push_back(player.Map(p.I16(at + 4 * i), p.I16(at + 2 + 4 * i)));
      return points;
    };
    auto points32 = [&](size_t countAt, size_t at) {
      size_t n = p.Fits(at, p.I32(countAt), 8);
      std::vector<TPoint> points;
      for (size_t i = 0; i < n; ++i) points.push_back(pt32(at + 8 * i));
      return points;
    };
    // Lines and curves inside a path become its figures; the path is drawn when filled or stroked.
    auto figure = [&](std::vector<TPoint> points, bool continues, TCanvasRecordKind kind) {
      if (!inPath) {
        if (continues) points.insert(points.begin(), s.Current);
        if (!points.empty()) s.Current = points.back();
        player.Emit(kind, std::move(points));
        return;
      }
      if (path.empty() || !continues) path.push_back({s.Current});
      if (!continues) path.back().clear();
      path.back().insert(path.back().end(), points.begin(), points.end());
      if (!points.empty()) s.Current = points.back();
    };
    switch (type) {
      case 1: break;
      case 14:
        player.DropMask("EMF");
        return;
      case 9: s.WinExtX = p.I32(0), s.WinExtY = p.I32(4); break;
      case 10: s.WinOrgX = p.I32(0), s.WinOrgY = p.I32(4); break;
      case 11: s.VpExtX = p.I32(0), s.VpExtY = p.I32(4); break;
      case 12: s.VpOrgX = p.I32(0), s.VpOrgY = p.I32(4); break;
      case 17: s.MapMode = p.I32(0); break;
      // Modes without effect on what is drawn here, comments and the colour-management switches.
      case 13: case 16: case 19: case 21: case 70: case 98: case 115: break;
      case 20: player.SetMix(p.I32(0)); break;
      case 18: s.Opaque = p.I32(0) == 2; break;
      case 25: s.BackColor = player.ColorOf(p.I32(0)); break;
      case 35: case 36: {
        const TXform given{p.F(0), p.F(4), p.F(8), p.F(12), p.F(16), p.F(20)};
        const int mode = type == 35 ? 4 : p.I32(24);
        const double det = given.M11 * given.M22 - given.M12 * given.M21;
        // A map that loses a dimension or leaves the numbers drawing can hold is not applied.
        bool usable = std::isfinite(det) && std::abs(det) > 1e-12;
        for (double v : {given.M11, given.M12, given.M21, given.M22, given.Dx, given.Dy})
          usable = usable && std::abs(v) < 1e7;
        if (mode == 1) s.World = TXform{};
        else if (!usable) player.Skip("EMF world transform out of range");
        else if (mode == 2) s.World = given.Then(s.World);
        else if (mode == 3) s.World = s.World.Then(given);
        else if (mode == 4) s.World = given;
        break;
      }
      // Bitmaps: offsets of the bitmap's header and bits count from the record's start.
      case 76: case 77: {
        // Bounds, destination x, y, width, height, raster operation, source x, y, source
        // transform, background, colour use, header offset and size, bits offset and size, and
        // for the stretched one the source width and height.
        TBlit blit{QImage(), static_cast<double>(p.I32(16)), static_cast<double>(p.I32(20)),
                   static_cast<double>(p.I32(24)), static_cast<double>(p.I32(28))};
        const std::uint32_t rop = static_cast<std::uint32_t>(p.I32(32));
        const std::uint32_t infoAt = static_cast<std::uint32_t>(p.I32(76)), infoSize = static_cast<std::uint32_t>(p.I32(80));
        const std::uint32_t bitsAt = static_cast<std::uint32_t>(p.I32(84)), bitsSize = static_cast<std::uint32_t>(p.I32(88));
        if (infoSize != 0) {
          double srcX = p.I32(36), srcY = p.I32(40), srcW = blit.Width, srcH = blit.Height;
          if (type == 77) srcW = p.I32(92), srcH = p.I32(96);
          // The source rectangle is in the source's logical units; its transform makes them pixels.
          const double kx = p.F(44), ky = p.F(56), dx = p.F(60), dy = p.F(64);
          if (std::isfinite(kx + ky + dx + dy) && kx > 0 && ky > 0) {
            srcX = srcX * kx + dx, srcY = srcY * ky + dy;
            srcW *= kx, srcH *= ky;
          }
          blit.Image = BlitSource(player, Slice(p, infoAt, infoSize), infoSize, Slice(p, bitsAt, bitsSize), bitsSize,
                                  p.I32(72), srcX, srcY, srcW, srcH, false, "EMF");
          if (blit.Image.isNull()) break;
        }
        player.Blit(std::move(blit), rop, "EMF");
        break;
      }
      case 80: case 81: {
        // Bounds, destination x, y, source x, y, width, height, header offset and size, bits
        // offset and size, colour use, then the raster operation and destination width and
        // height, or (to the device) the first scan line and their count.
        const std::uint32_t infoAt = static_cast<std::uint32_t>(p.I32(40)), infoSize = static_cast<std::uint32_t>(p.I32(44));
        const std::uint32_t bitsAt = static_cast<std::uint32_t>(p.I32(48)), bitsSize = static_cast<std::uint32_t>(p.I32(52));
        const Byte* info = Slice(p, infoAt, infoSize);
        RecordInfoSize(player, info, infoSize, p.I32(56));
        const Int64 rows = std::abs(static_cast<Int64>(static_cast<std::int32_t>(U32(info + 8))));
        TBlit blit{QImage(), static_cast<double>(p.I32(16)), static_cast<double>(p.I32(20)),
                   static_cast<double>(type == 81 ? p.I32(64) : p.I32(32)),
                   static_cast<double>(type == 81 ? p.I32(68) : p.I32(36))};
        // Bits set to the device keep their pixels: the size is the reference device's pixels.
        const double perUnitX = player.Length(1) / kDetail / player.scaleX_;
        const double perUnitY = player.Length(1, true) / kDetail / player.scaleY_;
        if (type == 80 && U32(info) != 12 && p.I32(64) < rows) {
          if (perUnitX > 0 && perUnitY > 0)
            BandBlit(player, info, infoSize, Slice(p, bitsAt, bitsSize), bitsSize, p.I32(56), p.I32(60), p.I32(64),
                     p.I32(24), p.I32(28), p.I32(32), p.I32(36), blit.X, blit.Y, 1 / perUnitX, 1 / perUnitY, "EMF");
          break;
        }
        if (type == 80) {
          blit.Width = perUnitX > 0 ? blit.Width / perUnitX : 0;
          blit.Height = perUnitY > 0 ? blit.Height / perUnitY : 0;
        }
        blit.Image = BlitSource(player, info, infoSize, Slice(p, bitsAt, bitsSize), bitsSize, p.I32(56), p.I32(24),
                                p.I32(28), p.I32(32), p.I32(36), true, "EMF");
        if (blit.Image.isNull()) break;
        player.Blit(std::move(blit), type == 81 ? static_cast<std::uint32_t>(p.I32(60)) : 0xCC0020, "EMF");
        break;
      }
      case 22: s.TextAlign = p.I32(0); break;
      case 24: s.TextColor = player.ColorOf(p.I32(0)); break;
      case 27:
        s.Current = pt32(0);
        if (inPath) path.push_back({s.Current});
        break;
      case 54: figure({pt32(0)}, true, crPolyline); break;
      case 15: player.Pixel(pt32(0), player.ColorOf(p.I32(8))); break;
      case 3: case 86: player.Emit(crPolygon, type == 3 ? points32(16, 20) : points16(16, 20)); break;
      case 4: case 87:
        if (inPath) figure(type == 4 ? points32(16, 20) : points16(16, 20), false, crPolyline);
        else player.Emit(crPolyline, type == 4 ? points32(16, 20) : points16(16, 20));
        break;
      case 6: case 89: figure(type == 6 ? points32(16, 20) : points16(16, 20), true, crPolyline); break;
      case 5: case 88: {
        // Bezier segments, drawn as their control polygons' flattening.
        std::vector<TPoint> control = type == 5 ? points32(16, 20) : points16(16, 20);
        std::vector<TPoint> flat;
        TPoint from = s.Current;
        for (size_t i = 0; i + 2 < control.size(); i += 3) {
          const TPoint a = from, b = control[i], cc = control[i + 1], d = control[i + 2];
          for (int k = 1; k <= 16; ++k) {
            double t = k / 16.0, u = 1 - t;
            flat.push_back({static_cast<int>(std::lround(u * u * u * a.X + 3 * u * u * t * b.X + 3 * u * t * t * cc.X + t * t * t * d.X)),
                            static_cast<int>(std::lround(u * u * u * a.Y + 3 * u * u * t * b.Y + 3 * u * t * t * cc.Y + t * t * t * d.Y))});
          }
          from = d;
        }
        figure(std::move(flat), true, crPolyline);
        break;
      }
      case 90: case 91: case 7: case 8: {
        const bool wide = type == 7 || type == 8;
        size_t polys = p.Fits(24, p.I32(16), 4);
        size_t at = 24 + 4 * polys;
        std::vector<std::vector<TPoint>> rings;
        for (size_t k = 0; k < polys; ++k) {
          size_t n = p.Fits(at, p.I32(24 + 4 * k), wide ? 8 : 4);
          std::vector<TPoint>& points = rings.emplace_back();
          for (size_t i = 0; i < n; ++i)
            points.push_back(wide ? pt32(at + 8 * i) : player.Map(p.I16(at + 4 * i), p.I16(at + 2 + 4 * i)));
          at += n * (wide ? 8 : 4);
        }
        if (type == 91 || type == 8) {
          player.PolyPolygon(std::move(rings));
          break;
        }
        for (auto& points : rings) player.Emit(crPolyline, std::move(points));
        break;
      }
      case 42: case 43: player.Shape(type == 43 ? crRectangle : crEllipse, p.I32(0), p.I32(4), p.I32(8), p.I32(12)); break;
      case 44:
        player.Shape(crRoundRect, p.I32(0), p.I32(4), p.I32(8), p.I32(12), p.I32(16), p.I32(20));
        break;
      case 38: {
        TGdiObject o;
        o.Type = TGdiObject::kPen;
        o.Pen = player.MakePen(p.I32(4), p.I32(8), player.ColorOf(p.I32(16)));
        player.CreateObject(o, static_cast<std::uint32_t>(p.I32(0)));
        break;
      }
      case 95: {
        TGdiObject o;
        o.Type = TGdiObject::kPen;
        o.Pen = player.MakePen(p.I32(20), p.I32(24), player.ColorOf(p.I32(32)));
        if (p.I32(28) == 1) o.Pen.Style = psClear;  // a hollow brush draws nothing
        player.CreateObject(o, static_cast<std::uint32_t>(p.I32(0)));
        break;
      }
      case 39: {
        TGdiObject o;
        o.Type = TGdiObject::kBrush;
        o.Brush = Player::MakeBrush(p.I32(4), player.ColorOf(p.I32(8)), p.I32(12));
        player.CreateObject(o, static_cast<std::uint32_t>(p.I32(0)));
        break;
      }
      case 82: {
        WideString face = Utf16(p, 32, p.Size() > 32 ? std::min<size_t>(32, (p.Size() - 32) / 2) : 0);
        face = face.substr(0, face.find(u'\0'));
        player.CreateObject(Player::MakeFont(p.I32(4), p.I32(12), p.I32(20), p.B(24) != 0, p.B(25) != 0, p.B(26) != 0,
                                             p.B(27), ToUtf8(face)),
                            static_cast<std::uint32_t>(p.I32(0)));
        break;
      }
      case 37: player.Select(static_cast<std::uint32_t>(p.I32(0))); break;
      case 49: {
        TGdiObject o;
        o.Type = TGdiObject::kPalette;
        player.CreateObject(o, static_cast<std::uint32_t>(p.I32(0)));
        player.SetPaletteEntries(static_cast<std::uint32_t>(p.I32(0)), 0, p, 8, p.W(6));
        break;
      }
      case 48: player.SelectPalette(static_cast<std::uint32_t>(p.I32(0))); break;
      case 52: break;
      case 50: player.SetPaletteEntries(static_cast<std::uint32_t>(p.I32(0)), static_cast<std::uint32_t>(p.I32(4)), p, 12, p.I32(8)); break;
      case 51: player.ResizePalette(static_cast<std::uint32_t>(p.I32(0)), p.I32(4)); break;
      case 93: case 94: {
        // A brush of a bitmap's pixels: slot, colour use, the bitmap's header and bits.
        const std::uint32_t infoAt = static_cast<std::uint32_t>(p.I32(8)), infoSize = static_cast<std::uint32_t>(p.I32(12));
        const std::uint32_t bitsAt = static_cast<std::uint32_t>(p.I32(16)), bitsSize = static_cast<std::uint32_t>(p.I32(20));
        TGdiObject o;
        o.Type = TGdiObject::kBrush;
        o.Pattern = BlitSource(player, Slice(p, infoAt, infoSize), infoSize, Slice(p, bitsAt, bitsSize), bitsSize,
                               type == 93 ? 0 : p.I32(4), 0, 0, 1e9, 1e9, false, "EMF");
        o.Brush = TBrushData{clBlack, o.Pattern.isNull() ? bsClear : bsSolid};
        player.CreateObject(o, static_cast<std::uint32_t>(p.I32(0)));
        break;
      }
      case 40: player.Delete(static_cast<std::uint32_t>(p.I32(0))); break;
      case 33: player.Save(); break;
      case 34: player.Restore(p.I32(0)); break;
      case 30: case 29: {
        TPoint a = pt32(0), b = pt32(8);
        const TRect r{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
        if (type == 30) player.ClipIntersect(r);
        else player.ClipExclude(r);
        break;
      }
      case 71: case 73: case 74: {
        // Bounds, the region data's size, for the filled one the brush, then the region.
        const size_t at = type == 71 ? 24 : 20;
        const QRegion region = DeviceRegion(player, p, at);
        if (type == 71) player.FillRegion(region, player.BrushIn(static_cast<std::uint32_t>(p.I32(20))), player.state_.Mix);
        else player.FillRegion(region, player.state_.Brush, type == 73 ? pmNot : player.state_.Mix);
        break;
      }
      case 75: {
        // A clip region in device units combined with the clip; copying none takes the clip away.
        const std::int32_t size = p.I32(0), mode = p.I32(4);
        if (mode == 5 && size == 0) {
          player.ClipReset();
          break;
        }
        if (size < 32) {
          player.Skip("EMF clip region of mode " + IntToStr(mode));
          break;
        }
        player.CombineClip(DeviceRegion(player, p, 8), mode, "EMF");
        break;
      }
      case 59: inPath = true, path.clear(); break;
      case 60: inPath = false; break;
      case 61:
        if (!path.empty() && !path.back().empty()) path.back().push_back(path.back().front());
        break;
      case 62: case 63: case 64: {
        const TPenData pen = s.Pen;
        const TBrushData brush = s.Brush;
        if (type == 62) s.Pen.Style = psClear;
        if (type == 64) s.Brush.Style = bsClear;
        std::erase_if(path, [](const std::vector<TPoint>& f) { return f.size() < 2; });
        if (type == 64) {
          for (auto& f : path) player.Emit(crPolyline, std::move(f));
        } else {
          player.PolyPolygon(std::move(path));
        }
        s.Pen = pen;
        s.Brush = brush;
        path.clear();
        break;
      }
      case 83: case 84: {
        // EMRTEXT behind bounds, graphics mode and two scales; 8-bit or 16-bit characters.
        const size_t t = 28;
        size_t n = static_cast<size_t>(std::max(0, p.I32(t + 8)));
        const std::int32_t off = p.I32(t + 12);
        if (off < 8) Bad();
        const size_t at = static_cast<size_t>(off) - 8;
        const WideString text = type == 84 ? Utf16(p, at, n) : CharsetText(p, at, n, s.Font.Charset);
        // The distances between characters, when there is one for each.
        std::vector<double> dx;
        const std::int32_t dxOff = p.I32(t + 36);
        if (dxOff >= 8 && text.size() == n && static_cast<size_t>(dxOff - 8) + 4 * n <= p.Size())
          for (size_t i = 0; i < n; ++i) dx.push_back(p.I32(static_cast<size_t>(dxOff - 8) + 4 * i));
        player.Text(p.I32(t), p.I32(t + 4), text, dx);
        break;
      }
      default: player.Skip("EMF record " + IntToStr(static_cast<Integer>(type))); break;
    }
  }
}

}  // namespace

bool IsWindowsMetafile(const Byte* head, size_t size) {
  return (size >= 22 && U32(head) == kPlaceableKey) || (size >= 100 && U32(head) == 1 && U32(head + 40) == kEmfSignature);
}

TMetafileContent PlayWindowsMetafile(TStream& stream, std::vector<String>& skipped) {
  Int64 left = stream.Size() - stream.Position();
  if (left <= 0 || left > kMaxFileSize) Bad();
  std::vector<Byte> file(static_cast<size_t>(left));
  stream.ReadBuffer(file.data(), left);
  if (!IsWindowsMetafile(file.data(), file.size())) Bad();
  Player player(skipped);
  if (U32(file.data()) == kPlaceableKey) PlayWmf(file, player);
  else PlayEmf(file, player);
  return std::move(player.Content);
}

}  // namespace orv
