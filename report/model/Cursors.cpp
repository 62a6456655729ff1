// The report library's three cursors, drawn here in black and white on 32 x 32 pixels: a hand
// that drags the page, a magnifying glass that zooms, and a brush that copies a format.
#include "report/model/Cursors.h"

#include <mutex>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Cursors.h"

namespace orv {

namespace {

// A see-through image with a black pen and a white brush.
void Begin(TBitmap& b) {
  b.SetSize(32, 32);
  b.SetTransparentColor(clFuchsia);
  TCanvas& c = b.Canvas();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clFuchsia);
  c.FillRect(TRect{0, 0, 32, 32});
  c.Pen().SetStyle(psSolid);
  c.Pen().SetWidth(1);
  c.Pen().SetColor(clBlack);
  c.Brush().SetColor(clWhite);
}

// An open hand: four fingers side by side over the palm, the thumb to the left.
void DrawHand(TBitmap& b) {
  Begin(b);
  TCanvas& c = b.Canvas();
  for (int i = 0; i < 4; ++i) c.RoundRect(9 + 4 * i, 4 + (i == 0 || i == 3 ? 2 : 0), 14 + 4 * i, 18, 4, 4);
  c.RoundRect(3, 13, 10, 18, 4, 4);
  c.Polygon({TPoint{8, 14}, TPoint{25, 14}, TPoint{24, 25}, TPoint{20, 29}, TPoint{12, 29}, TPoint{6, 21}});
}

// A lens with a plus in it and a handle to the lower right.
void DrawZoom(TBitmap& b) {
  Begin(b);
  TCanvas& c = b.Canvas();
  c.Pen().SetWidth(2);
  c.MoveTo(17, 17);
  c.LineTo(27, 27);
  c.Pen().SetWidth(4);
  c.MoveTo(20, 20);
  c.LineTo(28, 28);
  c.Pen().SetWidth(2);
  c.Ellipse(2, 2, 21, 21);
  c.MoveTo(7, 11);
  c.LineTo(16, 11);
  c.MoveTo(11, 7);
  c.LineTo(11, 16);
}

// A paint brush upside down: bristles at the top (where it clicks), a band, then the handle.
void DrawFormat(TBitmap& b) {
  Begin(b);
  TCanvas& c = b.Canvas();
  c.Rectangle(8, 1, 18, 9);
  for (int x = 10; x < 17; x += 2) {
    c.MoveTo(x, 2);
    c.LineTo(x, 8);
  }
  c.Brush().SetColor(clBlack);
  c.Rectangle(7, 9, 19, 13);
  c.Brush().SetColor(clWhite);
  c.Rectangle(11, 13, 15, 30);
}

}  // namespace

void kvxRegisterCursors() {
  static std::once_flag once;
  std::call_once(once, [] {
    TBitmap image;
    DrawHand(image);
    RegisterCursor(crHand, image, 16, 16);
    DrawZoom(image);
    RegisterCursor(crZoom, image, 11, 11);
    DrawFormat(image);
    RegisterCursor(crFormat, image, 13, 1);
  });
}

}  // namespace orv
