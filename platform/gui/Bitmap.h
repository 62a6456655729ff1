#pragma once
// TBitmap: a device-independent bitmap held in memory, with a canvas to draw on it.
#include <memory>

#include "platform/gui/Canvas.h"
#include "platform/gui/Graphic.h"

namespace orv {

// Storage of the pixels. Rows run from the top; pf1bit packs the leftmost pixel into the high
// bit; pf24bit rows are blue, green, red bytes and pf32bit rows blue, green, red, alpha (alpha
// 255 is opaque). pf4bit is kept one byte per pixel (palette index 0..15). Rows are padded to
// a multiple of 4 bytes.
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmap : public TGraphic {
  ORV_CLASS(TBitmap, TGraphic)

 public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = pf24bit);
  ~TBitmap() override;

  void Assign(TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& r) override;
  // The Windows bitmap file form (BM header); EInvalidGraphic for anything else.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // CF_BITMAP: a copy of the pixels, with a palette bitmap's colours.
  void LoadFromClipboardFormat(const TClipboardData& data) override;
  void SaveToClipboardFormat(TClipboardData& data) override;
  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  // Keeps the pixels that still fit; new area is white.
  void SetSize(int width, int height);
  std::unique_ptr<TGraphic> Clone() const override;

  TPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(TPixelFormat format);
  // The canvas that draws on the pixels; it lives as long as the bitmap.
  TCanvas& Canvas();
  // Row y of the pixels (layout as TPixelFormat says); ERangeError outside the bitmap.
  Byte* ScanLine(int y);
  int BytesPerLine() const;
  // Palette of pf1bit, pf4bit and pf8bit bitmaps as TColor values.
  std::vector<TColor> Palette() const;
  void SetPalette(const std::vector<TColor>& colors);

  // With Transparent, pixels of TransparentColor are not drawn. clDefault means the colour of
  // the bottom-left pixel.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);

 private:
  friend struct TCanvasAccess;
  void Reformat(TPixelFormat format);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  TPixelFormat pixelFormat_ = pfDevice;
  TColor transparentColor_ = clDefault;
};

}  // namespace orv
