#include "platform/gui/PictureBudget.h"

#include <QImageReader>
#include <algorithm>

#include "platform/gui/Canvas.h"

namespace orv {

void LimitImageReaders() {
  // In megabytes of decoded 32-bit pixels, with room for the reader's own rounding.
  static const bool once = [] {
    QImageReader::setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024)) + 1);
    return true;
  }();
  (void)once;
}

void DrawRefusedPicture(TCanvas& canvas, const TRect& r, const String& message) {
  TRect box{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
  if (box.Right - box.Left < 2 || box.Bottom - box.Top < 2) return;
  // The caller's brush and font colour are put back: the frame is drawn amid its own drawing.
  const TColor brushColor = canvas.Brush().Color(), fontColor = canvas.Font().Color();
  const TBrushStyle brushStyle = canvas.Brush().Style();
  canvas.Brush().SetColor(clWhite);
  canvas.Brush().SetStyle(bsSolid);
  canvas.FillRect(box);
  canvas.Brush().SetColor(clGray);
  canvas.FrameRect(box);
  canvas.Brush().SetStyle(bsClear);
  canvas.Font().SetColor(clGray);
  TRect inner{box.Left + 2, box.Top + 2, box.Right - 2, box.Bottom - 2};
  canvas.TextRect(inner, message, tfCenter | tfWordBreak);
  canvas.Brush().SetColor(brushColor);
  canvas.Brush().SetStyle(brushStyle);
  canvas.Font().SetColor(fontColor);
}

}  // namespace orv
