#include "report/pdf/PdfImage.h"

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/JPEGImage.h"
#include "platform/gui/JpegScans.h"
#include "platform/gui/Metafile.h"
#include "platform/rtl/PixelBudget.h"
#include "png/ZLibStreams.h"

namespace orv {

namespace {

// Pixels a JPEG passed through as it is may have: beyond this its own size is no size a page
// can show, and the rastered copy of the view serves instead.
constexpr long long kMaxPassedPixels = 64LL * 1024 * 1024;

struct TJpegFrame {
  int Width = 0, Height = 0, Components = 0, Precision = 0;
};

// The frame header of a JPEG file (the first start-of-frame marker), read from its markers.
bool ReadJpegFrame(const std::string& data, TJpegFrame& frame) {
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  const size_t n = data.size();
  if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return false;
  size_t at = 2;
  while (at + 4 <= n) {
    if (p[at] != 0xFF) return false;
    const unsigned char marker = p[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return false;  // no frame before the image data
    const size_t length = static_cast<size_t>(p[at + 2]) << 8 | p[at + 3];
    if (length < 2 || at + 2 + length > n) return false;
    const bool frameMarker = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frameMarker) {
      if (length < 8) return false;
      frame.Precision = p[at + 4];
      frame.Height = p[at + 5] << 8 | p[at + 6];
      frame.Width = p[at + 7] << 8 | p[at + 8];
      frame.Components = p[at + 9];
      return true;
    }
    at += 2 + length;
  }
  return false;
}

bool JpegImage(TJPEGImage& jpeg, TkvxPDFImage& image) {
  TMemoryStream bytes;
  jpeg.SaveToStream(bytes);
  std::string data(reinterpret_cast<const char*>(bytes.Memory()), static_cast<size_t>(bytes.Size()));
  TJpegFrame frame;
  // Four-component files (CMYK, often inverted by their writer) and 12-bit ones go through the
  // decoder instead.
  if (!ReadJpegFrame(data, frame) || frame.Precision != 8 || (frame.Components != 1 && frame.Components != 3) ||
      frame.Width <= 0 || frame.Height <= 0 || static_cast<long long>(frame.Width) * frame.Height > kMaxPassedPixels)
    return false;
  // A picture the camera stored on its side goes in upright, as pixels.
  if (jpeg.Orientation() != 1) return false;
  // Damaged data would reach every reader of the file as it is; what the program shows of it
  // (grey where data is lost) goes in as pixels instead.
  if (!jpeg.DecodesCleanly()) return false;
  image.Width = frame.Width;
  image.Height = frame.Height;
  image.Entries = "/Width " + std::to_string(frame.Width) + " /Height " + std::to_string(frame.Height) +
                  (frame.Components == 1 ? " /ColorSpace /DeviceGray" : " /ColorSpace /DeviceRGB") +
                  " /BitsPerComponent 8 /Filter /DCTDecode ";
  // Comments and application data a file carries beside its picture have no use on a page.
  image.Data = JpegWithoutBulkySegments(std::move(data));
  return true;
}

}  // namespace

bool kvxPDFImageOf(TGraphic& graphic, TkvxPDFImage& image) {
  if (graphic.Empty() || dynamic_cast<TMetafile*>(&graphic)) return false;
  const int w = graphic.Width(), h = graphic.Height();
  if (w <= 0 || h <= 0) return false;
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(&graphic); jpeg && JpegImage(*jpeg, image)) return true;
  // Pixels at the picture's own size only within the budget; a larger one is rastered at the
  // size of its view.
  if (!PictureFitsBudget(w, h)) return false;
  // Transparent parts of the picture show the paper.
  TBitmap bitmap(w, h, pf24bit);
  bitmap.Canvas().Brush().SetColor(clWhite);
  bitmap.Canvas().Brush().SetStyle(bsSolid);
  bitmap.Canvas().FillRect(TRect{0, 0, w, h});
  bitmap.Canvas().Draw(0, 0, graphic);
  std::string rgb(static_cast<size_t>(w) * h * 3, '\0');
  for (int y = 0; y < h; ++y) {
    const Byte* row = bitmap.ScanLine(y);
    char* out = rgb.data() + static_cast<size_t>(y) * w * 3;
    for (int x = 0; x < w; ++x) {
      out[3 * x] = static_cast<char>(row[3 * x + 2]);
      out[3 * x + 1] = static_cast<char>(row[3 * x + 1]);
      out[3 * x + 2] = static_cast<char>(row[3 * x]);
    }
  }
  TMemoryStream packed;
  TZCompressionStream z(zcDefault, packed);
  z.WriteBuffer(rgb.data(), static_cast<Int64>(rgb.size()));
  z.Finish();
  image.Width = w;
  image.Height = h;
  image.Entries = "/Width " + std::to_string(w) + " /Height " + std::to_string(h) +
                  " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode ";
  image.Data.assign(reinterpret_cast<const char*>(packed.Memory()), static_cast<size_t>(packed.Size()));
  return true;
}

}  // namespace orv
