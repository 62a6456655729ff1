#pragma once
// TJPEGImage: a JPEG image, decoded and encoded with libjpeg.
#include <memory>

#include "platform/gui/Bitmap.h"

namespace orv {

// Keeps the file's bytes as loaded (saved back unchanged) and decodes them when drawn; pixels
// assigned from a bitmap are encoded at CompressionQuality each time they are saved. A file
// whose EXIF data says how the camera was held (phones write portraits on their side) is drawn,
// measured and decoded upright.
class TJPEGImage : public TGraphic {
  ORV_CLASS(TJPEGImage, TGraphic)

 public:
  TJPEGImage();
  ~TJPEGImage() override;

  void Assign(TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& r) override;
  // EInvalidGraphic "JPEG error #<n>" style messages for damaged data.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  bool Empty() const override;
  // The upright size: the stored one turned by the file's orientation.
  int Width() const override;
  int Height() const override;
  // A JPEG image cannot be resized: EInvalidGraphicOperation.
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  std::unique_ptr<TGraphic> Clone() const override;

  // 1..100, default 90.
  int CompressionQuality() const { return quality_; }
  void SetCompressionQuality(int quality);
  // The file's EXIF orientation, 1 to 8 (1, upright as stored, when it has none or a bad one).
  int Orientation() const { return orientation_; }
  // Decode to grey levels; for encoding, write a one-component file.
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool value);
  // Decodes now (drawing does it on demand, scaled down to what the drawing needs);
  // EInvalidGraphic on damaged data (a file of more scans, or of scans over more blocks, than a
  // picture has among it) and for a picture too large even at 1/8 of its size.
  // Pictures over the pixel budget are decoded at 1/2, 1/4 or 1/8 of their size.
  void DIBNeeded();
  // Whether the file's bytes decode without an error or a warning of damaged data (which
  // would draw grey where data is lost); pixels assigned from a bitmap are sound.
  bool DecodesCleanly() const;
  // The decoded pixels (24 bits, or 8-bit grey with Grayscale).
  const TBitmap& Bitmap();

 private:
  std::vector<Byte> Encode() const;
  // Why the file's scans would cost too much to decode (too many, or too many passes over its
  // blocks); "" when they would not.
  String ScanCostRefusal() const;
  // Decodes at the coarsest scale that still gives the wanted size, unless a decode at least
  // as fine is held already.
  void Decoded(Int64 wantedWidth, Int64 wantedHeight);
  std::vector<Byte> data_;
  std::unique_ptr<TBitmap> bitmap_;
  int width_ = 0;
  int height_ = 0;
  int quality_ = 90;
  // The scale bitmap_ was decoded at: 1, 2, 4 or 8 for 1/1 ... 1/8.
  int decodedDenominator_ = 1;
  int orientation_ = 1;
  bool grayscale_ = false;
};

}  // namespace orv
