#include "png/PngChunkIHDR.h"

#include "platform/rtl/PixelBudget.h"

#include "png/PngBytes.h"
#include "png/PngErrors.h"
#include "png/PngImage.h"
#include "png/PngLayout.h"

namespace orv {

namespace {

// Deflate cannot shrink data more than 1032 to 1: an image whose data would need more than
// the rest of the file could hold is cut short, and is refused before its store is allocated.
constexpr Int64 DeflateMaxRatio = 1032;

int StoreBitsPerPixel(Byte colorType, Byte bitDepth) {
  if (colorType == 2 || colorType == 6) return 24;
  return bitDepth == 16 ? 8 : StoredBitDepth(bitDepth);
}

}  // namespace

Cardinal ReducedSide(Cardinal side, int reduction) { return (side + Cardinal(reduction) - 1) / Cardinal(reduction); }

bool IsValidPngFormat(Byte colorType, Byte bitDepth) {
  switch (colorType) {
    case 0: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case 3: return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case 2:
    case 4:
    case 6: return bitDepth == 8 || bitDepth == 16;
  }
  return false;
}

TChunkIHDR::TChunkIHDR(TPngImage& owner) : TChunk(owner, "IHDR") {}

void TChunkIHDR::Assign(const TChunk& source) {
  TChunk::Assign(source);
  const auto& s = static_cast<const TChunkIHDR&>(source);
  width_ = s.width_;
  height_ = s.height_;
  fileWidth_ = s.fileWidth_;
  fileHeight_ = s.fileHeight_;
  reduction_ = s.reduction_;
  bitDepth_ = s.bitDepth_;
  colorType_ = s.colorType_;
  compressionMethod_ = s.compressionMethod_;
  filterMethod_ = s.filterMethod_;
  interlaceMethod_ = s.interlaceMethod_;
  bitmap_ = s.bitmap_;
}

bool TChunkIHDR::LoadFromStream(TStream& stream, const String& chunkName, Cardinal size) {
  TChunk::LoadFromStream(stream, chunkName, size);
  if (DataSize() != 13) throw EPngInvalidIHDR(EPNGInvalidIHDRText);
  const Byte* d = Data();
  Cardinal width = GetBigEndian32(d);
  Cardinal height = GetBigEndian32(d + 4);
  if (width == 0 || height == 0 || width > PngMaxLength || height > PngMaxLength)
    throw EPngInvalidIHDR(EPNGInvalidIHDRText);
  if (width > PngMaxSide || height > PngMaxSide) throw EPNGSizeExceeds(EPNGSizeExceedsText);
  if (!IsValidPngFormat(d[9], d[8])) throw EPngInvalidIHDR(EPNGInvalidIHDRText);
  if (d[10] != 0) throw EPNGUnknownCompression(EPNGUnknownCompressionText);
  if (d[11] != 0) throw EPngInvalidIHDR(EPNGInvalidIHDRText);
  if (d[12] > 1) throw EPNGUnknownInterlace(EPNGUnknownInterlaceText);

  Int64 dataSize = PngImageDataSize(width, height, d[9], d[8], d[12] == 1);
  Int64 left = stream.Size() - stream.Position();
  if (dataSize > DeflateMaxRatio * left + 1024) throw EPngUnexpectedEnd(EPNGUnexpectedEndText);
  // Within the format's limit but over what the program holds: read with its rows and columns
  // reduced to fit, or refused before the pixel store is made.
  int reduction = 1;
  while (reduction <= PngMaxReduction && !PictureFitsBudget(ReducedSide(width, reduction), ReducedSide(height, reduction)))
    ++reduction;
  if (reduction > PngMaxReduction) throw EPNGSizeExceeds(PictureTooLargeText(width, height));

  fileWidth_ = width;
  fileHeight_ = height;
  reduction_ = reduction;
  width_ = ReducedSide(width, reduction);
  height_ = ReducedSide(height, reduction);
  bitDepth_ = d[8];
  colorType_ = d[9];
  compressionMethod_ = d[10];
  filterMethod_ = d[11];
  interlaceMethod_ = d[12];
  Owner().SetInterlaceMethod(interlaceMethod_ == 1 ? imAdam7 : imNone);
  PrepareImageData();
  return true;
}

void TChunkIHDR::SetFormat(Cardinal width, Cardinal height, Byte colorType, Byte bitDepth) {
  if (width == 0 || height == 0 || width > PngMaxSide || height > PngMaxSide)
    throw EPNGInvalidNewSize(EPNGInvalidNewSizeText);
  if (!IsValidPngFormat(colorType, bitDepth)) throw EPngInvalidIHDR(EPNGInvalidIHDRText);
  width_ = fileWidth_ = width;
  height_ = fileHeight_ = height;
  reduction_ = 1;
  colorType_ = colorType;
  bitDepth_ = bitDepth;
  compressionMethod_ = 0;
  filterMethod_ = 0;
  interlaceMethod_ = Owner().InterlaceMethod() == imAdam7 ? 1 : 0;
  PrepareImageData();
}

void TChunkIHDR::PrepareImageData() {
  bool alpha = colorType_ == 4 || colorType_ == 6;
  bool wide = bitDepth_ == 16;
  int bpp = StoreBitsPerPixel(colorType_, bitDepth_);
  bitmap_.Create(int(width_), int(height_), bpp, alpha, wide, alpha && wide);
  if (bpp <= 8) {
    bitmap_.Palette().fill(TRGBQuad{});
    bitmap_.SetPaletteCount(1 << bpp);
  } else {
    bitmap_.SetPaletteCount(0);
  }
  BuildGreyPalette();
}

void TChunkIHDR::BuildGreyPalette() {
  if (colorType_ != 0 && colorType_ != 4) return;
  int bits = bitmap_.BitsPerPixel();
  int count = 1 << bits;
  for (int i = 0; i < count; ++i) {
    Byte g = Byte(i * 255 / (count - 1));
    bitmap_.Palette()[i] = TRGBQuad{g, g, g, 0};
  }
  bitmap_.SetPaletteCount(count);
}

bool TChunkIHDR::SaveToStream(TStream& stream) const {
  Byte d[13];
  PutBigEndian32(d, width_);
  PutBigEndian32(d + 4, height_);
  d[8] = StoredBitDepth(bitDepth_);
  d[9] = colorType_;
  d[10] = compressionMethod_;
  d[11] = filterMethod_;
  d[12] = Owner().InterlaceMethod() == imAdam7 ? 1 : 0;
  WritePngChunk(stream, "IHDR", d, 13);
  return true;
}

}  // namespace orv
