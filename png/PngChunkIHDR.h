#pragma once
// TChunkIHDR: the header chunk, which owns the image's pixel store.
#include "png/PngBitmap.h"
#include "png/PngChunk.h"

namespace orv {

// The largest width or height the codec accepts (the format allows 2^31 - 1).
constexpr Cardinal PngMaxSide = 65535;
// The most a picture over the pixel budget is reduced by on each side while it is read: every
// pixel of the file is still inflated, and beyond this that takes longer than anyone waits.
constexpr int PngMaxReduction = 4;

// The header: size, colour type, depth and methods, and the decoded pixels.
class TChunkIHDR : public TChunk {
 public:
  explicit TChunkIHDR(TPngImage& owner);

  // The image as held: the file's size, or less when the file is over the pixel budget.
  Cardinal Width() const { return width_; }
  Cardinal Height() const { return height_; }
  // The size of the file's image data, and the factor its rows and columns are reduced by as
  // they are read (1: the whole image is kept).
  Cardinal FileWidth() const { return fileWidth_; }
  Cardinal FileHeight() const { return fileHeight_; }
  int Reduction() const { return reduction_; }
  Byte BitDepth() const { return bitDepth_; }
  Byte ColorType() const { return colorType_; }
  Byte CompressionMethod() const { return compressionMethod_; }
  Byte FilterMethod() const { return filterMethod_; }
  Byte InterlaceMethod() const { return interlaceMethod_; }

  // The store's planes (see TPngBitmap): bits bottom-up, alpha, low bytes of 16-bit samples.
  Byte* ImageData() { return bitmap_.Bits(); }
  Byte* ImageAlpha() { return bitmap_.Alpha(); }
  Byte* ExtraImageData() { return bitmap_.Extra(); }
  TPngBitmap& Bitmap() { return bitmap_; }
  const TPngBitmap& Bitmap() const { return bitmap_; }

  // Sets a new format and prepares an empty store for it.
  void SetFormat(Cardinal width, Cardinal height, Byte colorType, Byte bitDepth);

  void Assign(const TChunk& source) override;
  // Validates the header (raising EPngInvalidIHDR, EPNGSizeExceeds, EPNGUnknownCompression or
  // EPNGUnknownInterlace) and prepares the pixel store; an image over the pixel budget gets a
  // store of its size divided by the smallest factor that fits, and EPNGSizeExceeds only when
  // no factor up to PngMaxReduction does.
  bool LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) override;
  // A depth of 2 is written as 4: that is how the store keeps it.
  bool SaveToStream(TStream& stream) const override;

 private:
  void PrepareImageData();
  // Colour types 0 and 4: the grey level of each index, black to white.
  void BuildGreyPalette();

  Cardinal width_ = 0;
  Cardinal height_ = 0;
  Cardinal fileWidth_ = 0;
  Cardinal fileHeight_ = 0;
  int reduction_ = 1;
  Byte bitDepth_ = 0;
  Byte colorType_ = 0;
  Byte compressionMethod_ = 0;
  Byte filterMethod_ = 0;
  Byte interlaceMethod_ = 0;
  TPngBitmap bitmap_;
};

// Pixels kept of side pixels when every reduction-th is (the first one always).
Cardinal ReducedSide(Cardinal side, int reduction);
// Whether a PNG allows this pair of colour type and bit depth.
bool IsValidPngFormat(Byte colorType, Byte bitDepth);
// The depth rows are written with: 2 becomes 4.
inline Byte StoredBitDepth(Byte bitDepth) { return bitDepth == 2 ? 4 : bitDepth; }

}  // namespace orv
