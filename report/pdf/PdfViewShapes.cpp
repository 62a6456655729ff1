#include "report/pdf/PdfViewShapes.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "report/model/Frame.h"
#include "report/model/LineView.h"
#include "report/model/ShapeView.h"
#include "report/model/View.h"
#include "report/pdf/PdfPage.h"

namespace orv {

namespace {

using TPoints = std::vector<std::pair<double, double>>;

// One side of a frame from (x1, y1) to (x2, y2), horizontal or vertical; startMeets and endMeets
// say whether a perpendicular side meets its ends. outward is the sign of the side's outside
// across the line.
void FrameSide(TkvxPDFPage& page, const TkvxFrameLine& line, TColor viewColor, double x1, double y1, double x2,
               double y2, bool startMeets, bool endMeets, int outward) {
  const double p = std::max(line.Width(), 1.0);
  const bool horizontal = y1 == y2;
  const TColor color = line.Color();
  // The side moved across by offset and lengthened by `start` and `end` at its ends.
  auto stroke = [&](double offset, double start, double end, TColor c, const std::vector<double>& dashes,
                    bool round) {
    double sx = x1, sy = y1, ex = x2, ey = y2;
    if (horizontal) {
      sy += offset;
      ey += offset;
      sx -= start;
      ex += end;
    } else {
      sx += offset;
      ex += offset;
      sy -= start;
      ey += end;
    }
    page.Path({{sx, sy}, {ex, ey}}, false, c, p, dashes, round, clNone);
  };
  switch (line.Style()) {
    case fsSolid:
      // Square corners where sides meet, flush ends where none does.
      stroke(0, startMeets ? p / 2 : 0, endMeets ? p / 2 : 0, color, {}, false);
      break;
    case fsDouble:
      stroke(outward * p, startMeets ? 1.5 * p : 0, endMeets ? 1.5 * p : 0, color, {}, false);
      if (viewColor != clNone) stroke(0, 0, 0, viewColor, {}, false);
      stroke(-outward * p, startMeets ? -p / 2 : 0, endMeets ? -p / 2 : 0, color, {}, false);
      break;
    case fsDash:
    case fsDot:
    case fsDashDot:
    case fsDashDotDot:
      stroke(0, 0, 0, color, kvxFrameDashes(line.Style()), false);
      break;
    case fsAltDot:
    case fsSquare:
      if (viewColor != clNone) stroke(0, 0, 0, viewColor, {}, false);
      if (line.Width() < 2)
        stroke(0, 0, 0, color, {1, 1}, false);
      else if (line.Style() == fsAltDot)
        stroke(0, 0, 0, color, {0, 2 * p}, true);
      else
        stroke(0, 0, 0, color, {p, p}, false);
      break;
  }
}

TPoints RoundRectangle(double l, double t, double r, double b, double corner) {
  const double rx = std::min(corner / 2, (r - l) / 2), ry = std::min(corner / 2, (b - t) / 2);
  TPoints points;
  constexpr int kSteps = 8;
  const std::pair<double, double> centres[] = {{r - rx, t + ry}, {l + rx, t + ry}, {l + rx, b - ry}, {r - rx, b - ry}};
  for (int q = 0; q < 4; ++q)
    for (int k = 0; k <= kSteps; ++k) {
      const double a = (q * 90 + 90.0 * k / kSteps) * M_PI / 180;
      points.emplace_back(centres[q].first + rx * std::cos(a), centres[q].second - ry * std::sin(a));
    }
  return points;
}

}  // namespace

void kvxPDFDrawFrame(TkvxPDFPage& page, const TkvxView& view, const TkvxPDFBox& b) {
  const TkvxFrame* frame = &view.DrawnFrame();
  // The shadow lies inside the view's bounds: the frame gives it room at the right and bottom.
  const double s = frame->DropShadow() ? frame->ShadowWidth() : 0;
  const double x = b.Left, y = b.Top, x1 = b.Left + b.Width - s, y1 = b.Top + b.Height - s;
  if (s > 0) {
    page.FillRect(x1, y + s, s, y1 - y - s, frame->ShadowColor());
    page.FillRect(x + s, y1, x1 - x, s, frame->ShadowColor());
  }
  const TkvxFrameTypes typ = frame->Typ();
  if (typ.Empty() || frame->Color() == clNone || frame->Width() == 0) return;
  const bool left = typ.Contains(ftLeft), right = typ.Contains(ftRight);
  const bool top = typ.Contains(ftTop), bottom = typ.Contains(ftBottom);
  const TColor fill = view.Color();
  if (left) FrameSide(page, *frame->LeftLine(), fill, x, y, x, y1, top, bottom, -1);
  if (right) FrameSide(page, *frame->RightLine(), fill, x1, y, x1, y1, top, bottom, 1);
  if (top) FrameSide(page, *frame->TopLine(), fill, x, y, x1, y, left, right, -1);
  if (bottom) FrameSide(page, *frame->BottomLine(), fill, x, y1, x1, y1, left, right, 1);
}

void kvxPDFDrawLineView(TkvxPDFPage& page, TkvxCustomLineView& line, const TkvxPDFBox& b) {
  const TkvxFrame* frame = &line.DrawnFrame();
  if (frame->Color() == clNone || frame->Width() <= 0) return;
  double x2 = b.Left + b.Width, y2 = b.Top + b.Height;
  if (!line.Diagonal) {
    // A square line is vertical, as on screen; straight lines are frame sides with their styles.
    const bool vertical = b.Height >= b.Width;
    if (vertical) x2 = b.Left;
    else y2 = b.Top;
    FrameSide(page, vertical ? *frame->LeftLine() : *frame->TopLine(), line.Color(), b.Left, b.Top, x2, y2, false,
              false, -1);
  } else {
    const TkvxFrameStyle style = frame->Style() == fsDouble ? fsSolid : frame->Style();
    page.Path({{b.Left, b.Top}, {x2, y2}}, false, frame->Color(), frame->Width(), kvxFrameDashes(style), false, clNone);
  }
  if (line.ArrowStart)
    page.Arrow(x2, y2, b.Left, b.Top, line.ArrowLength, line.ArrowWidth, line.ArrowSolid, frame->Color());
  if (line.ArrowEnd)
    page.Arrow(b.Left, b.Top, x2, y2, line.ArrowLength, line.ArrowWidth, line.ArrowSolid, frame->Color());
}

bool kvxPDFDrawShape(TkvxPDFPage& page, TkvxShapeView& shape, const TkvxPDFBox& box) {
  const TBrushStyle brush = shape.BrushStyle();
  if (brush != bsSolid && brush != bsClear) return false;
  const TkvxFrame* frame = &shape.DrawnFrame();
  const TColor pen = frame->Width() > 0 ? frame->Color() : clNone;
  const TColor fill = brush == bsSolid ? shape.Color() : clNone;
  const bool twice = frame->Style() == fsDouble;
  const std::vector<double> dashes = kvxFrameDashes(twice ? fsSolid : frame->Style());
  const double f = frame->Width();
  auto draw = [&](double l, double t, double w, double h) {
    const double r = l + w, b = t + h;
    switch (shape.Shape) {
      case skRectangle:
        page.Path({{l, t}, {r, t}, {r, b}, {l, b}}, true, pen, f, dashes, false, fill);
        break;
      case skRoundRectangle: {
        const double corner = shape.Curve != 0 ? shape.Curve * 10.0 : std::min(w, h) / 4;
        page.Path(RoundRectangle(l, t, r, b, corner), true, pen, f, dashes, false, fill);
        break;
      }
      case skEllipse:
        page.Ellipse(l, t, w, h, pen, f, dashes, fill);
        break;
      case skTriangle:
        page.Path({{r, b}, {l, b}, {l + w / 2, t}}, true, pen, f, dashes, false, fill);
        break;
      case skDiamond:
        page.Path({{l + w / 2, t}, {r, t + h / 2}, {l + w / 2, b}, {l, t + h / 2}}, true, pen, f, dashes, false,
                  fill);
        break;
      case skDiagonal1:
        page.Path({{l, b}, {r, t}}, false, pen, f, dashes, false, clNone);
        break;
      case skDiagonal2:
        page.Path({{l, t}, {r, b}}, false, pen, f, dashes, false, clNone);
        break;
    }
  };
  const double l = box.Left, t = box.Top, w = box.Width, h = box.Height;
  draw(l, t, w, h);
  if (!twice) return true;
  switch (shape.Shape) {
    case skTriangle: draw(l + 4 * f, t + 4 * f, w - 8 * f, h - 6 * f); break;
    case skDiamond: draw(l + 3 * f, t + 3 * f, w - 6 * f, h - 6 * f); break;
    case skDiagonal1:
    case skDiagonal2: draw(l + 2 * f, t, w, h); break;
    default: draw(l + 2 * f, t + 2 * f, w - 4 * f, h - 4 * f); break;
  }
  return true;
}

}  // namespace orv
