#include "report/model/ImageUtils.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gui/Metafile.h"
#include "platform/rtl/PixelBudget.h"

namespace orv {

void kvxAssignImages(TBitmap& bitmap, int width, int height, TImageList& imgList, TImageList* imgList2) {
  if (width <= 0 || height <= 0) return;
  imgList.SetWidth(width);
  imgList.SetHeight(height);
  if (imgList2) {
    imgList2->SetWidth(width);
    imgList2->SetHeight(height);
  }
  TColor transparent = bitmap.TransparentColor();
  int tile = 0;
  for (int y = 0; y + height <= bitmap.Height(); y += height)
    for (int x = 0; x + width <= bitmap.Width(); x += width, ++tile) {
      TBitmap piece;
      piece.SetSize(width, height);
      piece.Canvas().CopyRect(Rect(0, 0, width, height), bitmap.Canvas(), Rect(x, y, x + width, y + height));
      TImageList& target = imgList2 && tile % 2 == 1 ? *imgList2 : imgList;
      target.AddMasked(&piece, transparent);
    }
}

void kvxDrawTransparent(TCanvas& canvas, int x, int y, TBitmap& bitmap) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return;
  TImageList list(nullptr);
  list.SetWidth(bitmap.Width());
  list.SetHeight(bitmap.Height());
  list.AddMasked(&bitmap, bitmap.TransparentColor());
  list.Draw(&canvas, x, y, 0);
}

void kvxDrawGraphic(TCanvas& canvas, const TRect& rect, TGraphic& graphic, bool highQuality) {
  if (highQuality && !dynamic_cast<TMetafile*>(&graphic) && graphic.Width() > 0 && graphic.Height() > 0) {
    // The copy is never larger than the picture, than where it goes, nor than the pixel
    // budget: a picture's header and a box may each claim any size, and a JPEG decodes only
    // what the copy needs.
    Int64 w = std::min(graphic.Width(), std::max(1, std::abs(rect.Right - rect.Left)));
    Int64 h = std::min(graphic.Height(), std::max(1, std::abs(rect.Bottom - rect.Top)));
    FitPictureBudget(w, h);
    TBitmap copy;
    copy.SetSize(static_cast<int>(w), static_cast<int>(h));
    copy.Canvas().StretchDraw(Rect(0, 0, static_cast<int>(w), static_cast<int>(h)), graphic);
    canvas.StretchDraw(rect, copy);
    return;
  }
  canvas.StretchDraw(rect, graphic);
}

}  // namespace orv
