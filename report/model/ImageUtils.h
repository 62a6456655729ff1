#pragma once
// Drawing helpers of the report library: bitmaps cut into image-list tiles, bitmaps drawn
// without their transparent colour, and graphics stretched into a rectangle.
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/ImageList.h"

namespace orv {

// Cuts bitmap into width x height tiles, left to right and row by row, adding each to imgList
// with the bitmap's transparent colour; with imgList2, the tiles alternate between the lists.
void kvxAssignImages(TBitmap& bitmap, int width, int height, TImageList& imgList, TImageList* imgList2 = nullptr);
// Draws bitmap at (x, y) leaving out its transparent colour.
void kvxDrawTransparent(TCanvas& canvas, int x, int y, TBitmap& bitmap);
// Stretches graphic into rect; with highQuality a graphic that is not a metafile is first
// turned into a bitmap, so that it is resampled smoothly rather than replayed at the new size.
void kvxDrawGraphic(TCanvas& canvas, const TRect& rect, TGraphic& graphic, bool highQuality);

}  // namespace orv
