#include <algorithm>
#include <cmath>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/Metafile.h"
#include "platform/rtl/PixelBudget.h"
#include "report/pdf/PdfFile.h"
#include "report/pdf/PdfMetafile.h"
#include "report/pdf/PdfPage.h"

namespace orv {

void TkvxPDFPage::DrawBitmap(double left, double top, double width, double height,
                             TBitmap& bitmap, int quality) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return;
  if (bitmap.PixelFormat() != pf24bit) bitmap.SetPixelFormat(pf24bit);
  TJPEGImage jpeg;
  jpeg.Assign(&bitmap);
  jpeg.SetCompressionQuality(quality);
  TMemoryStream data;
  jpeg.SaveToStream(data);

  ReachAnywhere();
  EndText();
  content_ += "q\r\n";
  AppendNumbers(width > 0 ? width * 0.75 : 1.0);
  content_ += " 0 0 ";
  AppendNumbers(height > 0 ? height * 0.75 : 1.0, PdfX(left), PdfY(top + height));
  content_ += " cm\r\nBI\r\n/W " + std::to_string(bitmap.Width()) + "\r\n/H " +
              std::to_string(bitmap.Height()) + "\r\n/CS /RGB\r\n/BPC 8\r\n/I true\r\n/F [/DCT]\r\nID\r\n";
  content_.append(reinterpret_cast<const char*>(data.Memory()), static_cast<size_t>(data.Size()));
  content_ += "\r\nEI\r\nQ\r\n";
}

void TkvxPDFPage::DrawGraphic(double left, double top, double width, double height,
                              TGraphic& graphic, double scale, int quality) {
  // In doubles first: a box or a picture's claimed size may be beyond any integer pixel count.
  const double sw = std::nearbyint(width * scale), sh = std::nearbyint(height * scale);
  if (!(sw >= 1 && sh >= 1) || graphic.Empty()) return;
  // The copy holds at most the pixel budget whatever the box, and is stretched over it.
  Int64 bw = static_cast<Int64>(std::min(sw, static_cast<double>(kMaxPicturePixels)));
  Int64 bh = static_cast<Int64>(std::min(sh, static_cast<double>(kMaxPicturePixels)));
  FitPictureBudget(bw, bh);
  const int w = static_cast<int>(bw), h = static_cast<int>(bh);
  TBitmap bitmap(w, h, pf24bit);
  // Transparent parts of the picture show the paper.
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().Brush().SetStyle(bsSolid);
  bitmap.Canvas().FillRect(TRect{0, 0, w, h});
  bitmap.Canvas().StretchDraw(TRect{0, 0, w, h}, graphic);
  DrawBitmap(left, top, width, height, bitmap, quality);
}

void TkvxPDFPage::DrawPicture(double left, double top, double width, double height, TGraphic& graphic,
                              double scale, int quality) {
  if (width <= 0 || height <= 0) return;
  if (const auto* metafile = dynamic_cast<const TMetafile*>(&graphic)) {
    kvxPDFDrawMetafile(*this, left, top, width, height, *metafile, scale, quality);
    return;
  }
  const int image = Parent.AddImage(graphic);
  if (image < 0) {
    DrawGraphic(left, top, width, height, graphic, scale, quality);
    return;
  }
  if (std::find(images_.begin(), images_.end(), image) == images_.end()) images_.push_back(image);
  ReachAnywhere();
  EndText();
  content_ += "q\r\n";
  AppendNumbers(width * 0.75, 0, 0, height * 0.75, PdfX(left), PdfY(top + height));
  content_ += " cm\r\n/Im" + std::to_string(image) + " Do\r\nQ\r\n";
}

}  // namespace orv
