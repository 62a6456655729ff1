#include "report/pdf/PdfMetafile.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "platform/fonts/FontFace.h"
#include "platform/fonts/TextShaping.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Colors.h"
#include "platform/gui/Metafile.h"
#include "platform/rtl/PixelBudget.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfPage.h"

namespace orv {

namespace {

using TPath = std::vector<std::pair<double, double>>;

// Transparent bitmaps flattened onto the drawing beneath them, at most: each replays the records
// before it.
constexpr int kMaxFlattened = 64;
// The longest side a JPEG image may have; a longer bitmap is drawn at the page's pixels.
constexpr int kMaxJpegSide = 65500;
// Straight pieces of a quarter of an ellipse.
constexpr int kQuarterSteps = 12;
// A hatch repeats every eight pixels of the device, as the canvas draws it.
constexpr int kHatchStep = 8;
// Hatch lines in one picture, at most (some megabytes of the page's content); shapes beyond them
// keep their outlines only.
constexpr int kMaxHatchLines = 1 << 16;
// How far (pixels) a cluster may stand from its given place before the text is cut there: the
// clusters between cuts keep the font's own spacing and stay one piece of text for readers.
constexpr double kMaxDrift = 0.25;
// The size (pixels to the em) clusters are measured at, then scaled to the page's.
constexpr int kMeasureSize = 1000;

class TMetafileDrawing {
 public:
  TMetafileDrawing(TkvxPDFPage& page, double left, double top, double width, double height, const TMetafile& metafile,
                   double scale, int quality)
      : page_(page), metafile_(metafile), left_(left), top_(top), width_(width), height_(height),
        sx_(width / metafile.Width() / metafile.Detail()), sy_(height / metafile.Height() / metafile.Detail()),
        scale_(scale), quality_(quality) {}

  void Draw() {
    // The picture's own clip changes stay inside its frame: one saved state holds them all.
    page_.SaveState();
    page_.ClipRect(left_, top_, width_, height_);
    int depth = 0;
    const std::vector<TCanvasRecord>& records = metafile_.Records();
    for (size_t i = 0; i < records.size(); ++i) {
      const TCanvasRecord& r = records[i];
      switch (r.Kind) {
        case crSaveClip:
          page_.SaveState();
          ++depth;
          break;
        case crRestoreClip:
          if (depth > 0) {
            page_.RestoreState();
            --depth;
          }
          break;
        case crResetClip:
          page_.RestoreState();
          page_.SaveState();
          if (depth == 0) page_.ClipRect(left_, top_, width_, height_);
          break;
        case crIntersectClip: {
          const auto [l, t, w, h] = Box(r.Rect);
          page_.ClipRect(l, t, w, h);
          break;
        }
        case crExcludeClip: {
          // The frame with the rectangle inside it, clipped alternately: all but the rectangle.
          const auto [l, t, w, h] = Box(r.Rect);
          page_.ClipFigures({Corners(left_, top_, width_, height_), Corners(l, t, w, h)});
          break;
        }
        default: Record(r, i); break;
      }
    }
    for (; depth >= 0; --depth) page_.RestoreState();
  }

 private:
  double X(double x) const { return left_ + x * sx_; }
  double Y(double y) const { return top_ + y * sy_; }
  std::pair<double, double> At(const TPoint& p) const { return {X(p.X), Y(p.Y)}; }
  // Left, top, width and height on the page of a recorded rectangle, whichever way it runs.
  std::tuple<double, double, double, double> Box(const TRect& r) const {
    const double l = X(std::min(r.Left, r.Right)), t = Y(std::min(r.Top, r.Bottom));
    return {l, t, X(std::max(r.Left, r.Right)) - l, Y(std::max(r.Top, r.Bottom)) - t};
  }
  double Scale() const { return (std::abs(sx_) + std::abs(sy_)) / 2; }
  static TPath Corners(double l, double t, double w, double h) { return {{l, t}, {l + w, t}, {l + w, t + h}, {l, t + h}}; }

  TColor PenColor(const TCanvasRecord& r) const { return r.Pen.Style == psClear ? clNone : ColorToRGB(r.Pen.Color); }
  double PenWidth(const TCanvasRecord& r) const { return std::max(1, r.Pen.Width) * Scale(); }
  // A hatched brush fills with its lines (Hatch), not with its colour.
  TColor FillColor(const TCanvasRecord& r) const {
    return r.Brush.Style == bsSolid ? ColorToRGB(r.Brush.Color) : clNone;
  }
  std::vector<double> Dashes(const TCanvasRecord& r) const {
    const double w = PenWidth(r);
    std::vector<double> dashes;
    if (!r.Pen.DashPattern.empty()) {
      for (int d : r.Pen.DashPattern) dashes.push_back(d * Scale());
      return dashes;
    }
    switch (r.Pen.Style) {
      case psDash: return {3 * w, w};
      case psDot: return {w, w};
      case psDashDot: return {3 * w, w, w, w};
      case psDashDotDot: return {3 * w, w, w, w, w, w};
      default: return dashes;
    }
  }
  void Paint(const TCanvasRecord& r, const TPath& path, bool closed, bool filled) {
    if (filled) Hatch(r, path);
    page_.Path(path, closed, PenColor(r), PenWidth(r), Dashes(r), false, filled ? FillColor(r) : clNone);
  }

  // The lines of a hatched brush within the outline, one pixel wide, placed as the canvas places
  // them when it draws the picture from its top left: horizontal ones through the fourth row of
  // every eight, vertical ones through the fifth column, diagonals through the corners of the
  // eight-pixel squares.
  void Hatch(const TCanvasRecord& r, const TPath& outline) {
    const TBrushStyle style = r.Brush.Style;
    if (style < bsHorizontal || outline.size() < 3) return;
    double l = outline[0].first, t = outline[0].second, rr = l, b = t;
    for (const auto& [x, y] : outline) {
      l = std::min(l, x), rr = std::max(rr, x);
      t = std::min(t, y), b = std::max(b, y);
    }
    // Only what the picture's frame shows.
    l = std::max(l, left_) - 1, t = std::max(t, top_) - 1;
    rr = std::min(rr, left_ + width_) + 1, b = std::min(b, top_ + height_) + 1;
    if (rr <= l || b <= t) return;
    const TColor color = ColorToRGB(r.Brush.Color);
    auto line = [&](double x1, double y1, double x2, double y2, double width) {
      if (hatchLines_ >= kMaxHatchLines) return;
      ++hatchLines_;
      page_.Line(x1, y1, x2, y2, color, width);
    };
    page_.SaveState();
    page_.ClipFigures({outline});
    // The first multiple of the step from the frame's corner at or after v.
    auto first = [](double v, double origin, double offset) {
      return origin + offset + std::ceil((v - origin - offset) / kHatchStep) * kHatchStep;
    };
    if (style == bsHorizontal || style == bsCross)
      for (double y = first(t, top_, 3.5); y <= b; y += kHatchStep) line(l, y, rr, y, 1);
    if (style == bsVertical || style == bsCross)
      for (double x = first(l, left_, 4.5); x <= rr; x += kHatchStep) line(x, t, x, b, 1);
    // Falling lines where x - y is a multiple of the step from the corner, rising ones where x + y
    // is; as thick across as a staircase of one pixel a row.
    const double across = std::numbers::sqrt2 / 2;
    if (style == bsFDiagonal || style == bsDiagCross)
      for (double c = first(l - b, left_ - top_, 0); c <= rr - t; c += kHatchStep) line(t + c, t, b + c, b, across);
    if (style == bsBDiagonal || style == bsDiagCross)
      for (double c = first(l + t, left_ + top_, 0); c <= rr + b; c += kHatchStep) line(c - t, t, c - b, b, across);
    page_.RestoreState();
  }

  // The points of an ellipse's arc from angle a to angle b (radians, counter-clockwise on the
  // page), the ellipse inscribed in rect.
  void Arc(const TRect& rect, double a, double b, TPath& path) const {
    const auto [l, t, w, h] = Box(rect);
    const double cx = l + w / 2, cy = t + h / 2;
    const int steps = std::max(2, static_cast<int>(std::ceil(std::abs(b - a) / (std::numbers::pi / 2) * kQuarterSteps)));
    for (int i = 0; i <= steps; ++i) {
      const double u = a + (b - a) * i / steps;
      path.emplace_back(cx + w / 2 * std::cos(u), cy - h / 2 * std::sin(u));
    }
  }
  // The angle of a radial point as seen from the centre of rect, on the ellipse's own scale.
  double Angle(const TRect& rect, const TPoint& p) const {
    const auto [l, t, w, h] = Box(rect);
    const double dx = (X(p.X) - (l + w / 2)) / std::max(w, 1e-9), dy = ((t + h / 2) - Y(p.Y)) / std::max(h, 1e-9);
    return std::atan2(dy, dx);
  }

  void Record(const TCanvasRecord& r, size_t index) {
    // A record mixed with what lies beneath (an exclusive or, an inversion) is what the canvas
    // makes of the drawing under it: that part of the picture goes in as the canvas draws it.
    if (r.Pen.Mode != pmCopy && flattened_ < kMaxFlattened) {
      TRect box = r.Rect;
      if (!r.Points.empty()) {
        box = {r.Points[0].X, r.Points[0].Y, r.Points[0].X, r.Points[0].Y};
        for (const TPoint& p : r.Points)
          box = {std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X), std::max(box.Bottom, p.Y)};
      }
      const int pen = r.Pen.Style == psClear ? 0 : std::max(1, r.Pen.Width);
      box = {std::min(box.Left, box.Right) - pen, std::min(box.Top, box.Bottom) - pen, std::max(box.Left, box.Right) + pen,
             std::max(box.Top, box.Bottom) + pen};
      const auto [l, t, w, h] = Box(box);
      ++flattened_;
      Raster(l, t, w, h, index, nullptr);
      return;
    }
    switch (r.Kind) {
      case crLine:
      case crPolyline: {
        TPath path;
        for (const TPoint& p : r.Points) path.push_back(At(p));
        Paint(r, path, false, false);
        break;
      }
      case crPolygon: {
        TPath path;
        for (const TPoint& p : r.Points) path.push_back(At(p));
        Paint(r, path, true, true);
        break;
      }
      case crRectangle:
      case crFillRect:
      case crFrameRect: {
        const auto [l, t, w, h] = Box(r.Rect);
        const TPath path = Corners(l, t, w, h);
        if (r.Kind == crRectangle) {
          Paint(r, path, true, true);
        } else if (r.Kind == crFillRect) {
          Hatch(r, path);
          page_.Path(path, true, clNone, 0, {}, false, FillColor(r));
        } else {
          page_.Path(path, true, ColorToRGB(r.Brush.Color), Scale(), {}, false, clNone);
        }
        break;
      }
      case crEllipse: {
        const auto [l, t, w, h] = Box(r.Rect);
        if (r.Brush.Style >= bsHorizontal) {
          TPath outline;
          Arc(r.Rect, 0, 2 * std::numbers::pi, outline);
          Hatch(r, outline);
        }
        page_.Ellipse(l, t, w, h, PenColor(r), PenWidth(r), Dashes(r), FillColor(r));
        break;
      }
      case crRoundRect: {
        const auto [l, t, w, h] = Box(r.Rect);
        const double rx = std::min(std::abs(r.Corner.cx * sx_), w) / 2, ry = std::min(std::abs(r.Corner.cy * sy_), h) / 2;
        TPath path;
        auto corner = [&](double cx, double cy, double from) {
          for (int i = 0; i <= kQuarterSteps; ++i) {
            const double u = from + std::numbers::pi / 2 * i / kQuarterSteps;
            path.emplace_back(cx + rx * std::cos(u), cy - ry * std::sin(u));
          }
        };
        corner(l + w - rx, t + ry, 0);
        corner(l + rx, t + ry, std::numbers::pi / 2);
        corner(l + rx, t + h - ry, std::numbers::pi);
        corner(l + w - rx, t + h - ry, 3 * std::numbers::pi / 2);
        Paint(r, path, true, true);
        break;
      }
      case crArc:
      case crPie:
      case crChord: {
        // From the start radial counter-clockwise to the end radial.
        const double a = Angle(r.Rect, r.Points[0]);
        double b = Angle(r.Rect, r.Points[1]);
        if (b <= a) b += 2 * std::numbers::pi;
        TPath path;
        if (r.Kind == crPie) {
          const auto [l, t, w, h] = Box(r.Rect);
          path.emplace_back(l + w / 2, t + h / 2);
        }
        Arc(r.Rect, a, b, path);
        Paint(r, path, r.Kind != crArc, r.Kind != crArc);
        break;
      }
      case crPixel: {
        const int detail = metafile_.Detail();
        page_.FillRect(X(r.Points[0].X), Y(r.Points[0].Y), sx_ * detail, sy_ * detail, ColorToRGB(r.Color));
        break;
      }
      case crText: Text(r); break;
      case crTextRect: TextRect(r); break;
      case crImage: Image(r, index); break;
      default: break;
    }
  }

  // The record's font at its size on the page: whole points, as the document's fonts are set.
  void PageFont(const TFontData& data, TFont& font) const {
    font.SetData(data);
    font.SetColor(ColorToRGB(data.Color == clNone ? clBlack : data.Color));
    double em = std::abs(data.Height) * std::abs(sy_);
    if (data.Height > 0) {
      // A cell height: the character height is the part of it the face gives its em.
      const TFontFaceMetrics& m = page_.Parent.FaceOf(font).Metrics();
      if (m.TextHeight > 0) em = em * 1000 / m.TextHeight;
    }
    font.SetSize(std::max(1, static_cast<int>(std::lround(em * 0.75))));
  }
  double Ascent(const TFont& font) const {
    return page_.Parent.FaceOf(font).Metrics().Ascent / 1000.0 * font.Size() * 96.0 / 72.0;
  }

  void Text(const TCanvasRecord& r) {
    TFont font;
    PageFont(r.Font, font);
    const double degrees = r.Font.Orientation / 10.0, a = degrees * std::numbers::pi / 180;
    const double x = X(r.Points[0].X), y = Y(r.Points[0].Y), ascent = Ascent(font);
    const bool clipped = (r.Options & etoClipped) != 0;
    if (clipped) {
      page_.SaveState();
      const auto [l, t, w, h] = Box(r.Rect);
      page_.ClipRect(l, t, w, h);
    }
    // Given advances place each cluster where the writer placed it; the clusters are those the
    // canvas gave the advances to, so a Thai cluster stays whole.
    std::vector<int> starts, natural;
    double width = 0;
    if (!r.Advances.empty()) {
      ClusterAdvances(page_.Parent.FaceOf(font), kMeasureSize, r.Text, starts, natural);
      for (int d : r.Advances) width += d * sx_;
    } else {
      width = page_.TextWidth(r.Text, font);
    }
    if (degrees == 0 && ((r.Options & etoOpaque) || r.Brush.Style != bsClear)) {
      const TFontFaceMetrics& m = page_.Parent.FaceOf(font).Metrics();
      const double cell = (m.Ascent - m.Descent) / 1000.0 * font.Size() * 96.0 / 72.0;
      page_.FillRect(x, y, width, cell, ColorToRGB(r.Brush.Color));
    }
    const double bx = x + ascent * std::sin(a), by = y + ascent * std::cos(a);
    if (starts.empty()) {
      page_.TextOut(bx, by, r.Text, font, 0, degrees);
    } else {
      // Runs of clusters each within kMaxDrift of its place at the font's own spacing; clusters
      // beyond the given advances follow at their own.
      const double toPage = font.Size() * 96.0 / 72.0 / kMeasureSize / 64.0;
      double given = 0, runAt = 0, ownAt = 0;
      size_t run = 0;
      auto flush = [&](size_t end) {
        const size_t from = static_cast<size_t>(starts[run]);
        const size_t to = end < starts.size() ? static_cast<size_t>(starts[end]) : r.Text.size();
        page_.TextOut(bx + runAt * std::cos(a), by - runAt * std::sin(a), r.Text.substr(from, to - from), font, 0, degrees);
      };
      for (size_t k = 0; k < starts.size(); ++k) {
        if (k > run && std::abs(ownAt - given) > kMaxDrift) {
          flush(k);
          run = k;
          runAt = ownAt = given;
        }
        const double own = natural[k] * toPage;
        given += k < r.Advances.size() ? r.Advances[k] * sx_ : own;
        ownAt += own;
      }
      flush(starts.size());
    }
    if (clipped) page_.RestoreState();
  }

  // One line placed in its rectangle as the format says, clipped to it.
  void TextRect(const TCanvasRecord& r) {
    TFont font;
    PageFont(r.Font, font);
    const auto [l, t, w, h] = Box(r.Rect);
    const TFontFaceMetrics& m = page_.Parent.FaceOf(font).Metrics();
    const double size = font.Size() * 96.0 / 72.0, cell = (m.Ascent - m.Descent) / 1000.0 * size;
    const double width = page_.TextWidth(r.Text, font);
    double x = l, y = t;
    if (r.Options & tfRight) x = l + w - width;
    else if (r.Options & tfCenter) x = l + (w - width) / 2;
    if (r.Options & tfBottom) y = t + h - cell;
    else if (r.Options & tfVerticalCenter) y = t + (h - cell) / 2;
    page_.SaveState();
    page_.ClipRect(l, t, w, h);
    if (r.Brush.Style != bsClear) page_.FillRect(l, t, w, h, ColorToRGB(r.Brush.Color));
    page_.TextOut(x, y + m.Ascent / 1000.0 * size, r.Text, font);
    page_.RestoreState();
  }

  // A bitmap at its own pixels. One with fewer pixels than the page gives it is repeated up to
  // the page's (as a metafile stretches it, and so that the JPEG keeps its edges); one with
  // transparent parts, or mirrored, is flattened onto what the records before it drew.
  void Image(const TCanvasRecord& r, size_t index) {
    if (!r.Image || r.Image->Empty()) return;
    TBitmap own;
    own.Assign(const_cast<TBitmap*>(r.Image.get()));
    const auto [l, t, w, h] = Box(r.Rect);
    if (w <= 0 || h <= 0) return;
    const bool mirrored = r.Rect.Right < r.Rect.Left || r.Rect.Bottom < r.Rect.Top;
    const bool flatten = (mirrored || Transparent(own)) && flattened_ < kMaxFlattened;
    const bool fits = own.Width() <= kMaxJpegSide && own.Height() <= kMaxJpegSide;
    if (!flatten && fits && own.Width() >= w * scale_ && own.Height() >= h * scale_) {
      page_.DrawBitmap(l, t, w, h, own, quality_);
      return;
    }
    if (flatten) ++flattened_;
    Raster(l, t, w, h, index, flatten ? nullptr : &own);
  }
  // The area (l, t, w, h) of the page as a bitmap: the picture's records up to index played on
  // white, or the image stretched over it. Only the part within the picture's frame is kept.
  void Raster(double l, double t, double w, double h, size_t index, TBitmap* image) {
    const double vl = std::max(l, left_), vt = std::max(t, top_);
    const double vw = std::min(l + w, left_ + width_) - vl, vh = std::min(t + h, top_ + height_) - vt;
    if (vw <= 0 || vh <= 0) return;
    double k = scale_;
    const double area = vw * vh * k * k;
    if (area > kMaxPicturePixels / 4) k *= std::sqrt(kMaxPicturePixels / 4 / area);
    const int pw = std::max(1, static_cast<int>(std::ceil(vw * k))), ph = std::max(1, static_cast<int>(std::ceil(vh * k)));
    TBitmap raster(pw, ph, pf24bit);
    raster.Canvas().Brush().SetColor(clWhite);
    raster.Canvas().FillRect(TRect{0, 0, pw, ph});
    const double kx = pw / vw, ky = ph / vh;
    if (!image) {
      const int detail = metafile_.Detail();
      metafile_.Play(raster.Canvas(), sx_ * detail * kx, sy_ * detail * ky, (left_ - vl) * kx, (top_ - vt) * ky,
                     static_cast<int>(index) + 1);
    } else {
      auto at = [](double v) { return static_cast<int>(std::lround(std::clamp(v, -1e9, 1e9))); };
      raster.Canvas().StretchDraw(TRect{at((l - vl) * kx), at((t - vt) * ky), at((l + w - vl) * kx), at((t + h - vt) * ky)},
                                  *image);
    }
    page_.DrawBitmap(vl, vt, vw, vh, raster, quality_);
  }
  static bool Transparent(TBitmap& bitmap) {
    if (bitmap.PixelFormat() != pf32bit) return false;
    for (int y = 0; y < bitmap.Height(); ++y) {
      const Byte* row = bitmap.ScanLine(y);
      for (int x = 0; x < bitmap.Width(); ++x)
        if (row[4 * x + 3] != 255) return true;
    }
    return false;
  }

  TkvxPDFPage& page_;
  const TMetafile& metafile_;
  double left_, top_, width_, height_, sx_, sy_, scale_;
  int quality_;
  int flattened_ = 0;
  int hatchLines_ = 0;
};

}  // namespace

void kvxPDFDrawMetafile(TkvxPDFPage& page, double left, double top, double width, double height,
                        const TMetafile& metafile, double scale, int quality) {
  if (width <= 0 || height <= 0 || metafile.Empty() || metafile.Width() <= 0 || metafile.Height() <= 0) return;
  TMetafileDrawing(page, left, top, width, height, metafile, scale, quality).Draw();
}

}  // namespace orv
