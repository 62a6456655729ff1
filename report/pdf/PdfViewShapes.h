#pragma once
// Frames, lines and shapes of report views as vector paths on a PDF page, drawn where the
// canvas draws them and with the same styles.
namespace orv {

class TkvxCustomLineView;
class TkvxPDFPage;
class TkvxShapeView;
class TkvxView;

// A view's box in page pixels: left, top, width and height, the drop shadow included.
struct TkvxPDFBox {
  double Left, Top, Width, Height;
};

// The drop shadow and the frame's sides, each in its own colour, width and style.
void kvxPDFDrawFrame(TkvxPDFPage& page, const TkvxView& view, const TkvxPDFBox& b);
void kvxPDFDrawLineView(TkvxPDFPage& page, TkvxCustomLineView& line, const TkvxPDFBox& b);
// False for a shape the canvas fills with a hatch brush, which has no path form here.
bool kvxPDFDrawShape(TkvxPDFPage& page, TkvxShapeView& shape, const TkvxPDFBox& b);

}  // namespace orv
