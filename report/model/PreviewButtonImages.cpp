// The pictures of the preview's tool bar and menus, drawn once at 16 x 16 on first use.
#include <array>
#include <memory>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/ImageList.h"
#include "report/model/Resources.h"

namespace orv {

namespace {

// Drawn pixels of this colour are left transparent.
constexpr TColor kBack = static_cast<TColor>(0xFF00FF);
constexpr int kImageCount = 25;

void Line(TCanvas& c, TColor colour, int x1, int y1, int x2, int y2) {
  c.Pen().SetColor(colour);
  c.MoveTo(x1, y1);
  c.LineTo(x2, y2);
}

void Box(TCanvas& c, TColor frame, TColor fill, int x1, int y1, int x2, int y2) {
  c.Pen().SetColor(frame);
  c.Brush().SetColor(fill);
  c.Rectangle(x1, y1, x2, y2);
}

void Shape(TCanvas& c, TColor frame, TColor fill, const std::vector<TPoint>& points) {
  c.Pen().SetColor(frame);
  c.Brush().SetColor(fill);
  c.Polygon(points);
}

// A sheet of paper with lines of text.
void Sheet(TCanvas& c, int x1, int y1, int x2, int y2) {
  Box(c, clGray, clWhite, x1, y1, x2, y2);
  for (int y = y1 + 3; y < y2 - 2; y += 2) Line(c, clSilver, x1 + 2, y, x2 - 2, y);
}

void Magnifier(TCanvas& c) {
  c.Pen().SetWidth(2);
  Line(c, clMaroon, 10, 10, 14, 14);
  c.Pen().SetWidth(1);
  c.Pen().SetColor(clNavy);
  c.Brush().SetColor(static_cast<TColor>(0xFFF0D0));
  c.Ellipse(1, 1, 12, 12);
}

// Triangles that point left or right, with or without a bar at the end.
void Arrow(TCanvas& c, bool right, bool bar, int shift) {
  int tip = right ? 11 + shift : 4 - shift, back = right ? 5 + shift : 10 - shift;
  Shape(c, clNavy, clNavy, {Point(back, 3), Point(tip, 8), Point(back, 13)});
  if (bar) Box(c, clNavy, clNavy, right ? 12 : 2, 3, right ? 14 : 4, 14);
}

void PlusMinus(TCanvas& c, int cx, int cy, bool plus) {
  Line(c, clBlack, cx - 2, cy, cx + 3, cy);
  if (plus) Line(c, clBlack, cx, cy - 2, cx, cy + 3);
}

void Draw(TCanvas& c, int index) {
  switch (index) {
    case 0:  // open: a folder
      Shape(c, clOlive, clYellow, {Point(1, 4), Point(6, 4), Point(7, 5), Point(14, 5), Point(14, 13), Point(1, 13)});
      Shape(c, clOlive, static_cast<TColor>(0x40D0FF), {Point(3, 8), Point(15, 8), Point(13, 13), Point(1, 13)});
      break;
    case 1:  // save: a disk
      Box(c, clNavy, clBlue, 1, 1, 15, 15);
      Box(c, clGray, clWhite, 4, 2, 12, 8);
      Box(c, clSilver, clSilver, 5, 10, 11, 15);
      break;
    case 2:  // print: a printer with a sheet
      Sheet(c, 4, 1, 12, 7);
      Box(c, clBlack, clSilver, 1, 6, 15, 13);
      Box(c, clGray, clWhite, 4, 11, 12, 15);
      Line(c, clLime, 12, 8, 14, 8);
      break;
    case 3:  // export: a sheet and an arrow leaving it
      Sheet(c, 1, 1, 10, 14);
      Shape(c, clGreen, clLime, {Point(7, 6), Point(11, 6), Point(11, 3), Point(15, 8), Point(11, 13), Point(11, 10),
                                 Point(7, 10)});
      break;
    case 4:  // find
      Magnifier(c);
      break;
    case 5:  // thumbnails: four small sheets
      for (int y : {1, 9})
        for (int x : {1, 9}) Box(c, clGray, clWhite, x, y, x + 6, y + 6);
      break;
    case 7:  // page settings: a sheet with its margins
      Sheet(c, 2, 1, 14, 15);
      c.Pen().SetStyle(psDot);
      Box(c, clBlue, clWhite, 4, 3, 12, 13);
      c.Pen().SetStyle(psSolid);
      break;
    case 8:  // first page
      Arrow(c, false, true, 2);
      break;
    case 9:  // prior page
      Arrow(c, false, false, 0);
      break;
    case 10:  // next page
      Arrow(c, true, false, 0);
      break;
    case 11:  // last page
      Arrow(c, true, true, 0);
      break;
    case 12:  // outline: a small tree
      Line(c, clGray, 3, 3, 3, 13);
      Line(c, clGray, 3, 8, 7, 8);
      Line(c, clGray, 3, 13, 7, 13);
      Box(c, clNavy, clBlue, 1, 1, 6, 5);
      Box(c, clNavy, clAqua, 7, 6, 12, 10);
      Box(c, clNavy, clAqua, 7, 11, 12, 15);
      break;
    case 13:  // collapse all
    case 14:  // expand all
      Box(c, clGray, clWhite, 3, 3, 13, 13);
      PlusMinus(c, 7, 7, index == 14);
      break;
    case 15:  // zoom in
    case 16:  // zoom out
      Magnifier(c);
      PlusMinus(c, 6, 6, index == 15);
      break;
    case 21:  // edit: a pencil over a sheet
      Sheet(c, 1, 1, 11, 15);
      Shape(c, clMaroon, clYellow, {Point(13, 2), Point(15, 4), Point(7, 12), Point(5, 12), Point(5, 10)});
      break;
    case 22:  // full screen: a frame with its corners pulled out
      Box(c, clNavy, clWhite, 3, 3, 13, 13);
      for (auto [x, y, dx, dy] : {std::array{1, 1, 1, 1}, {14, 1, -1, 1}, {1, 14, 1, -1}, {14, 14, -1, -1}}) {
        Line(c, clNavy, x, y, x + 4 * dx, y);
        Line(c, clNavy, x, y, x, y + 4 * dy);
      }
      break;
    case 23:  // send by e-mail: an envelope
      Box(c, clGray, static_cast<TColor>(0xE0FFFF), 1, 3, 15, 13);
      Line(c, clGray, 1, 3, 8, 9);
      Line(c, clGray, 8, 9, 15, 3);
      break;
    case 24:  // export to PDF: a sheet with a red band
      Sheet(c, 2, 1, 14, 15);
      Box(c, clMaroon, clRed, 1, 9, 15, 14);
      Line(c, clWhite, 3, 11, 13, 11);
      break;
    default:  // the pictures the preview does not use: a plain sheet
      Sheet(c, 3, 1, 13, 15);
      break;
  }
}

}  // namespace

TImageList* TkvxResources::GetPreviewButtonImages() const {
  static std::unique_ptr<TImageList> images;
  if (!images) {
    images = std::make_unique<TImageList>(nullptr);
    TBitmap strip(16 * kImageCount, 16);
    TCanvas& c = strip.Canvas();
    c.Brush().SetColor(kBack);
    c.FillRect(Rect(0, 0, strip.Width(), strip.Height()));
    for (int i = 0; i < kImageCount; ++i) {
      TBitmap tile(16, 16);
      TCanvas& t = tile.Canvas();
      t.Brush().SetColor(kBack);
      t.FillRect(Rect(0, 0, 16, 16));
      Draw(t, i);
      c.Draw(i * 16, 0, tile);
    }
    images->AddMasked(&strip, kBack);
  }
  return images.get();
}

}  // namespace orv
