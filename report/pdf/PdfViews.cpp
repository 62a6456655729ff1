// Report views mapped onto a PDF page.
#include <algorithm>
#include <cmath>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Picture.h"
#include "report/model/Frame.h"
#include "report/model/LineView.h"
#include "report/model/PictureView.h"
#include "report/model/ShapeView.h"
#include "report/model/View.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfPage.h"

namespace orv {
namespace {

// Pictures and rastered views keep this JPEG quality: text in them stays legible.
constexpr int kRasterQuality = 90;

struct TBox {
  double Left, Top, Width, Height;
};

TBox BoxOf(const TkvxView& view) {
  return {static_cast<double>(view.AbsLeft()), static_cast<double>(view.AbsTop()),
          static_cast<double>(view.Width()), static_cast<double>(view.Height())};
}

// Each side with its own colour and width, as the canvas draws it.
void DrawFrame(TkvxPDFPage& page, const TkvxView& view, const TBox& b) {
  TkvxFrame* frame = view.Frame();
  if (frame->DropShadow() && frame->ShadowColor() != clNone) {
    double w = frame->ShadowWidth();
    page.FillRect(b.Left + b.Width, b.Top + w, w, b.Height, frame->ShadowColor());
    page.FillRect(b.Left + w, b.Top + b.Height, b.Width, w, frame->ShadowColor());
  }
  struct TSide {
    TkvxFrameType Type;
    TkvxFrameLine* Line;
    double X1, Y1, X2, Y2;
  };
  const double r = b.Left + b.Width, bt = b.Top + b.Height;
  for (const TSide& s : {TSide{ftLeft, frame->LeftLine(), b.Left, b.Top, b.Left, bt},
                         TSide{ftRight, frame->RightLine(), r, b.Top, r, bt},
                         TSide{ftTop, frame->TopLine(), b.Left, b.Top, r, b.Top},
                         TSide{ftBottom, frame->BottomLine(), b.Left, bt, r, bt}}) {
    if (!frame->Typ().Contains(s.Type) || s.Line->Color() == clNone || s.Line->Width() <= 0) continue;
    page.Line(s.X1, s.Y1, s.X2, s.Y2, s.Line->Color(), s.Line->Width());
  }
}

void DrawLineView(TkvxPDFPage& page, TkvxCustomLineView& line, TBox b) {
  TkvxFrame* frame = line.Frame();
  if (frame->Color() == clNone || frame->Width() <= 0) return;
  double x2 = b.Left + b.Width, y2 = b.Top + b.Height;
  if (!line.Diagonal) {
    // A square line is vertical, as on screen.
    if (b.Height >= b.Width) x2 = b.Left;
    else y2 = b.Top;
  }
  page.Line(b.Left, b.Top, x2, y2, frame->Color(), frame->Width());
  if (line.ArrowStart)
    page.Arrow(x2, y2, b.Left, b.Top, line.ArrowLength, line.ArrowWidth, line.ArrowSolid, frame->Color());
  if (line.ArrowEnd)
    page.Arrow(b.Left, b.Top, x2, y2, line.ArrowLength, line.ArrowWidth, line.ArrowSolid, frame->Color());
}

// The view drawn by its own code on a white bitmap of its size, then placed as an image: used for
// what has no path of its own here.
void RasterView(TkvxPDFPage& page, TkvxView& view, const TBox& b) {
  int w = std::max(1, static_cast<int>(std::ceil(b.Width)) + 1);
  int h = std::max(1, static_cast<int>(std::ceil(b.Height)) + 1);
  TBitmap bitmap(w, h);
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().FillRect(TRect{0, 0, w, h});
  view.Draw(&bitmap.Canvas(), 1, 1, -view.AbsLeft(), -view.AbsTop());
  page.DrawBitmap(b.Left, b.Top, w, h, bitmap, kRasterQuality);
}

void DrawPicture(TkvxPDFPage& page, TkvxPictureView& view, const TBox& b, double scale) {
  TGraphic* graphic = view.Picture()->Graphic();
  if (!graphic || graphic->Empty() || graphic->Width() <= 0 || graphic->Height() <= 0) return;
  TBox r = b;
  double gw = graphic->Width(), gh = graphic->Height();
  if (!view.Stretched) {
    r.Width = std::min(gw, b.Width);
    r.Height = std::min(gh, b.Height);
  } else if (view.KeepAspectRatio) {
    double k = std::min(b.Width / gw, b.Height / gh);
    r.Width = gw * k;
    r.Height = gh * k;
  }
  if (view.Center) {
    r.Left += (b.Width - r.Width) / 2;
    r.Top += (b.Height - r.Height) / 2;
  }
  page.DrawGraphic(r.Left, r.Top, r.Width, r.Height, *graphic, scale, kRasterQuality);
}

}  // namespace

void TkvxPDFPage::AddObject(TkvxComponent* obj) {
  auto* view = dynamic_cast<TkvxView*>(obj);
  if (!view || view->Width() < 0 || view->Height() < 0) return;
  // The page's own colour, frame and picture come as this view; drawn only when asked.
  if (view->Name() == "_pagebackground" && !Parent.Background) return;
  const TBox b = BoxOf(*view);
  if (auto* line = dynamic_cast<TkvxCustomLineView*>(view)) {
    DrawLineView(*this, *line, b);
    return;
  }
  auto* shape = dynamic_cast<TkvxShapeView*>(view);
  if (shape && shape->Shape != skRectangle) {
    RasterView(*this, *view, b);
    return;
  }
  if (shape) {
    TkvxFrame* frame = view->Frame();
    TColor fill = view->BrushStyle() == bsClear ? clNone : view->Color();
    if (frame->Color() != clNone && frame->Width() > 0)
      Rectangle(b.Left, b.Top, b.Width, b.Height, frame->Color(), frame->Width(), fill);
    else if (fill != clNone)
      FillRect(b.Left, b.Top, b.Width, b.Height, fill);
    return;
  }
  if (view->Color() != clNone && view->BrushStyle() != bsClear)
    FillRect(b.Left, b.Top, b.Width, b.Height, view->Color());
  if (auto* picture = dynamic_cast<TkvxPictureView*>(view))
    DrawPicture(*this, *picture, b, Parent.PrintOptimized ? 3 : 1);
  else if (view->ClassName() != "TkvxView")
    RasterView(*this, *view, b);
  DrawFrame(*this, *view, b);
}

}  // namespace orv
