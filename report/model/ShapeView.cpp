#include "report/model/ShapeView.h"

#include <cmath>

#include "platform/rtl/Conversions.h"

namespace orv {

#define ORV_FIELD(T, field) [](T& o) { return o.field; }, [](T& o, decltype(T::field) v) { o.field = v; }

ORV_IMPLEMENT_CLASS(TkvxShapeView, c) {
  using T = TkvxShapeView;
  c.Prop("BrushStyle", &T::BrushStyle, &T::SetBrushStyle).Default(bsSolid);
  c.Prop("Color", &T::Color, &T::SetColor).Default(clNone);
  c.Prop("Cursor", &T::Cursor, &T::SetCursor).Default(crDefault);
  c.Prop("Curve", ORV_FIELD(T, Curve)).Default(0);
  c.Prop("Frame", &T::Frame, &T::SetFrame);
  c.Prop("Shape", ORV_FIELD(T, Shape)).Default(skRectangle);
  c.Prop("TagStr", &T::TagStr, &T::SetTagStr);
  c.Prop("URL", &T::URL, &T::SetURL);
}

TkvxShapeView::TkvxShapeView(TComponent* owner) : TkvxView(owner) {
  Traits &= ~otFullDiff;
  if (IsDesigning && DesignFlags() <= skDiagonal2) Shape = static_cast<TkvxShapeKind>(DesignFlags());
}

String TkvxShapeView::Diff(TkvxComponent* templ) {
  String out = TkvxView::Diff(templ);
  if (auto* t = dynamic_cast<TkvxShapeView*>(templ); t && t->Shape != Shape)
    out += " Shape=\"" + IntToStr(Shape) + "\"";
  return out;
}

void TkvxShapeView::DrawShape() {
  TCanvas& c = *DrawCanvas;
  switch (Shape) {
    case skRectangle: c.Rectangle(X, Y, X1 + 1, Y1 + 1); break;
    case skRoundRectangle: {
      int corner = Curve == 0 ? std::min(DX, DY) / 4 : static_cast<int>(std::lround(Curve * ScaleX * 10));
      c.RoundRect(X, Y, X1 + 1, Y1 + 1, corner, corner);
      break;
    }
    case skEllipse: c.Ellipse(X, Y, X1 + 1, Y1 + 1); break;
    case skTriangle: c.Polygon({Point(X1, Y1), Point(X, Y1), Point(X + DX / 2, Y)}); break;
    case skDiamond:
      c.Polygon({Point(X + DX / 2, Y), Point(X1, Y + DY / 2), Point(X + DX / 2, Y1), Point(X, Y + DY / 2)});
      break;
    case skDiagonal1: DrawThickLine(X, Y1, X1, Y, FW, kvxStrokeStyle(Frame()->Style())); break;
    case skDiagonal2: DrawThickLine(X, Y, X1, Y1, FW, kvxStrokeStyle(Frame()->Style())); break;
  }
}

void TkvxShapeView::Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) {
  bool twice = Frame()->Style() == fsDouble;
  Extended l = Left(), t = Top(), w = Width(), h = Height();
  auto drawOnce = [&] {
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    TCanvas& c = *canvas;
    c.Pen().SetColor(Frame()->Color());
    SetFramePen(kvxStrokeStyle(Frame()->Style()), FW);
    if (Frame()->Color() == clNone) c.Pen().SetStyle(psClear);
    if (BrushStyle() == bsSolid) {
      c.Brush().SetStyle(Color() == clNone ? bsClear : bsSolid);
      if (Color() != clNone) c.Brush().SetColor(Color());
      DrawShape();
    } else {
      if (Color() != clNone) {
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(Color());
        DrawShape();
      }
      c.Brush().SetStyle(BrushStyle());
      c.Brush().SetColor(Frame()->Color());
      DrawShape();
    }
    c.Pen().SetStyle(psSolid);
    c.Pen().SetWidth(1);
    c.Pen().SetDashPattern({});
    c.Pen().SetEndCap(pecDefault);
  };
  drawOnce();
  if (!twice) return;
  // A double frame: the shape once more inside itself, set in by multiples of the frame width.
  Extended f = Frame()->Width();
  switch (Shape) {
    case skTriangle: SetBounds(l + 4 * f, t + 4 * f, w - 8 * f, h - 6 * f); break;
    case skDiamond: SetBounds(l + 3 * f, t + 3 * f, w - 6 * f, h - 6 * f); break;
    case skDiagonal1:
    case skDiagonal2: SetBounds(l + 2 * f, t, w, h); break;
    default: SetBounds(l + 2 * f, t + 2 * f, w - 4 * f, h - 4 * f);
  }
  drawOnce();
  SetBounds(l, t, w, h);
}

}  // namespace orv
