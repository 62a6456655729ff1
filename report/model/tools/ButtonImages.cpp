// Draws the report library's two button bitmaps, the preview's tool-bar pictures and the
// pictures of the report objects, as rows of 16 x 16 tiles on a fuchsia ground, and writes each
// gzip-packed into the folder given as the first argument: PreviewButtons.gz and
// ObjectButtons.gz. The program embeds those files (report/model/images); run this after
// changing a picture and commit what it writes.
//
// The gzip members carry the Adler-32 of the bitmap, most significant byte first, in their
// modification-time field, which is what the library's reader checks; their trailer is the
// ordinary CRC-32 and length, so gzip itself reads them too.
#include <array>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/rtl/Streams.h"
#include "png/KvxCompression.h"
#include "report/model/ReportUtils.h"

using namespace orv;

namespace {

// The ground of every tile, left transparent when the bitmap is cut into images: the
// bottom-left pixel of the bitmap, which must therefore stay undrawn.
constexpr TColor kGround = clFuchsia;
constexpr TColor kPaleYellow = static_cast<TColor>(0x40D0FF);
constexpr TColor kGlass = static_cast<TColor>(0xFFF0D0);
constexpr TColor kEnvelope = static_cast<TColor>(0xE0FFFF);

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
  c.Brush().SetColor(kGlass);
  c.Ellipse(1, 1, 12, 12);
}

// A triangle that points left or right, with or without a bar at its tip.
void Arrow(TCanvas& c, bool right, bool bar, int shift) {
  int tip = right ? 11 + shift : 4 - shift, back = right ? 5 + shift : 10 - shift;
  Shape(c, clNavy, clNavy, {Point(back, 3), Point(tip, 8), Point(back, 13)});
  if (bar) Box(c, clNavy, clNavy, right ? 12 : 2, 3, right ? 14 : 4, 14);
}

void PlusMinus(TCanvas& c, int cx, int cy, bool plus) {
  Line(c, clBlack, cx - 2, cy, cx + 3, cy);
  if (plus) Line(c, clBlack, cx, cy - 2, cx, cy + 3);
}

using TPicture16 = std::function<void(TCanvas&)>;

// The preview's pictures by the index its buttons and menus use; the places no button uses
// stay empty.
std::vector<TPicture16> PreviewPictures() {
  std::vector<TPicture16> p(25);
  p[0] = [](TCanvas& c) {  // open: a folder
    Shape(c, clOlive, clYellow, {Point(1, 4), Point(6, 4), Point(7, 5), Point(14, 5), Point(14, 13), Point(1, 13)});
    Shape(c, clOlive, kPaleYellow, {Point(3, 8), Point(15, 8), Point(13, 13), Point(1, 13)});
  };
  p[1] = [](TCanvas& c) {  // save: a disk
    Box(c, clNavy, clBlue, 1, 1, 15, 15);
    Box(c, clGray, clWhite, 4, 2, 12, 8);
    Box(c, clSilver, clSilver, 5, 10, 11, 15);
  };
  p[2] = [](TCanvas& c) {  // print: a printer with a sheet
    Sheet(c, 4, 1, 12, 7);
    Box(c, clBlack, clSilver, 1, 6, 15, 13);
    Box(c, clGray, clWhite, 4, 11, 12, 15);
    Line(c, clLime, 12, 8, 14, 8);
  };
  p[3] = [](TCanvas& c) {  // export: a sheet and an arrow leaving it
    Sheet(c, 1, 1, 10, 14);
    Shape(c, clGreen, clLime,
          {Point(7, 6), Point(11, 6), Point(11, 3), Point(15, 8), Point(11, 13), Point(11, 10), Point(7, 10)});
  };
  p[4] = Magnifier;  // find
  p[5] = [](TCanvas& c) {  // thumbnails: four small sheets
    for (int y : {1, 9})
      for (int x : {1, 9}) Box(c, clGray, clWhite, x, y, x + 6, y + 6);
  };
  p[7] = [](TCanvas& c) {  // page settings: a sheet with its margins
    Sheet(c, 2, 1, 14, 15);
    c.Pen().SetStyle(psDot);
    Box(c, clBlue, clWhite, 4, 3, 12, 13);
    c.Pen().SetStyle(psSolid);
  };
  p[8] = [](TCanvas& c) { Arrow(c, false, true, 2); };   // first page
  p[9] = [](TCanvas& c) { Arrow(c, false, false, 0); };  // prior page
  p[10] = [](TCanvas& c) { Arrow(c, true, false, 0); };  // next page
  p[11] = [](TCanvas& c) { Arrow(c, true, true, 0); };   // last page
  p[12] = [](TCanvas& c) {  // outline: a small tree
    Line(c, clGray, 3, 3, 3, 13);
    Line(c, clGray, 3, 8, 7, 8);
    Line(c, clGray, 3, 13, 7, 13);
    Box(c, clNavy, clBlue, 1, 1, 6, 5);
    Box(c, clNavy, clAqua, 7, 6, 12, 10);
    Box(c, clNavy, clAqua, 7, 11, 12, 15);
  };
  for (int i : {13, 14})  // collapse all, expand all
    p[i] = [i](TCanvas& c) {
      Box(c, clGray, clWhite, 3, 3, 13, 13);
      PlusMinus(c, 7, 7, i == 14);
    };
  for (int i : {15, 16})  // zoom in, zoom out
    p[i] = [i](TCanvas& c) {
      Magnifier(c);
      PlusMinus(c, 6, 6, i == 15);
    };
  p[21] = [](TCanvas& c) {  // edit: a pencil over a sheet
    Sheet(c, 1, 1, 11, 15);
    Shape(c, clMaroon, clYellow, {Point(13, 2), Point(15, 4), Point(7, 12), Point(5, 12), Point(5, 10)});
  };
  p[22] = [](TCanvas& c) {  // full screen: a frame with its corners pulled out
    Box(c, clNavy, clWhite, 3, 3, 13, 13);
    for (auto [x, y, dx, dy] : {std::array{1, 1, 1, 1}, {14, 1, -1, 1}, {1, 14, 1, -1}, {14, 14, -1, -1}}) {
      Line(c, clNavy, x, y, x + 4 * dx, y);
      Line(c, clNavy, x, y, x, y + 4 * dy);
    }
  };
  p[23] = [](TCanvas& c) {  // send by e-mail: an envelope
    Box(c, clGray, kEnvelope, 1, 3, 15, 13);
    Line(c, clGray, 1, 3, 8, 9);
    Line(c, clGray, 8, 9, 15, 3);
  };
  p[24] = [](TCanvas& c) {  // export to PDF: a sheet with a red band
    Sheet(c, 2, 1, 14, 15);
    Box(c, clMaroon, clRed, 1, 9, 15, 14);
    Line(c, clWhite, 3, 11, 13, 11);
  };
  return p;
}

// The report objects' pictures by the index the object registry and the views use.
std::vector<TPicture16> ObjectPictures() {
  std::vector<TPicture16> p(22);
  p[2] = [](TCanvas& c) {  // text: a frame holding a capital A and a line of text
    Box(c, clNavy, clWhite, 1, 1, 15, 15);
    Line(c, clBlack, 4, 11, 7, 3);
    Line(c, clBlack, 7, 3, 10, 11);
    Line(c, clBlack, 5, 8, 10, 8);
    Line(c, clGray, 4, 13, 12, 13);
  };
  p[3] = [](TCanvas& c) {  // picture: a framed landscape with the sun over a hill
    Box(c, clGray, static_cast<TColor>(0xF0C080), 1, 2, 15, 14);
    Shape(c, clGreen, clGreen, {Point(2, 13), Point(6, 7), Point(9, 10), Point(11, 8), Point(14, 13)});
    c.Pen().SetColor(clOlive);
    c.Brush().SetColor(clYellow);
    c.Ellipse(10, 3, 14, 7);
  };
  p[5] = [](TCanvas& c) {  // line: a thick diagonal stroke with round ends
    c.Pen().SetWidth(2);
    Line(c, clNavy, 2, 13, 13, 2);
    c.Pen().SetWidth(1);
    Box(c, clBlack, clBlack, 1, 12, 4, 15);
    Box(c, clBlack, clBlack, 12, 1, 15, 4);
  };
  p[21] = [](TCanvas& c) {  // printer command: a prompt and a cursor on a dark screen
    Box(c, clGray, clBlack, 1, 2, 15, 14);
    Line(c, clLime, 3, 5, 6, 8);
    Line(c, clLime, 6, 8, 2, 12);
    Line(c, clLime, 8, 11, 13, 11);
  };
  return p;
}

void WriteBitmap(const std::vector<TPicture16>& pictures, TMemoryStream& bmp) {
  TBitmap strip(16 * static_cast<int>(pictures.size()), 16);
  TCanvas& c = strip.Canvas();
  c.Brush().SetColor(kGround);
  c.FillRect(Rect(0, 0, strip.Width(), strip.Height()));
  for (size_t i = 0; i < pictures.size(); ++i) {
    if (!pictures[i]) continue;
    TBitmap tile(16, 16);
    TCanvas& t = tile.Canvas();
    t.Brush().SetColor(kGround);
    t.FillRect(Rect(0, 0, 16, 16));
    pictures[i](t);
    c.Draw(static_cast<int>(i) * 16, 0, tile);
  }
  if (c.Pixels(0, 15) != kGround) throw Exception("the bottom-left pixel must show the ground");
  strip.SaveToStream(bmp);
}

void Put32(TStream& s, LongWord value, bool bigEndian) {
  Byte b[4];
  for (int i = 0; i < 4; ++i) b[bigEndian ? 3 - i : i] = static_cast<Byte>(value >> (8 * i));
  s.WriteBuffer(b, 4);
}

void WriteGzip(TMemoryStream& data, const String& fileName) {
  TMemoryStream zlib;
  kvxCompressStream(data, zlib, zcMax);
  const Byte* z = zlib.Memory();
  const Int64 n = zlib.Size();
  LongWord adler = LongWord(z[n - 4]) << 24 | LongWord(z[n - 3]) << 16 | LongWord(z[n - 2]) << 8 | z[n - 1];
  TMemoryStream gz;
  const Byte header[4] = {0x1F, 0x8B, 8, 0};
  gz.WriteBuffer(header, 4);
  Put32(gz, adler, true);
  const Byte flags[2] = {2, 3};  // the strongest packing; made on a Unix system
  gz.WriteBuffer(flags, 2);
  gz.WriteBuffer(z + 2, n - 6);
  Put32(gz, kvxStreamCRC32(data), false);
  Put32(gz, static_cast<LongWord>(data.Size()), false);
  gz.SaveToFile(fileName);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  try {
    String folder = argv[1];
    TMemoryStream preview, objects;
    WriteBitmap(PreviewPictures(), preview);
    WriteGzip(preview, folder + "/PreviewButtons.gz");
    WriteBitmap(ObjectPictures(), objects);
    WriteGzip(objects, folder + "/ObjectButtons.gz");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
