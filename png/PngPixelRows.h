#pragma once
// Moves pixels between the rows of a PNG's image data and the pixel store: samples become
// palette or grey indices, colours go into blue-green-red order, alpha and the low bytes of
// 16-bit samples go to their planes; and back. The store keeps the file's samples unchanged:
// gamma is applied where colours are drawn or read, so saving loses nothing.
#include <vector>

#include "png/PngChunkIHDR.h"

namespace orv {

// One image's row conversion, for rows of rowDepth bits per sample.
class TPngPixelRows {
 public:
  TPngPixelRows(TChunkIHDR& header, Byte rowDepth);

  // Stores count pixels of the unfiltered row raw into store row y, at columns x0, x0 + dx ...
  void Store(const Byte* raw, int y, int x0, int dx, int count);
  // Store for an image read reduced by reduction: of file row y and file columns x0, x0 + dx ...
  // only the pixels whose row and column are multiples of reduction are kept, at row and column
  // divided by it.
  void StoreReduced(const Byte* raw, int y, int x0, int dx, int count, int reduction);
  // Builds count pixels of a row from store row y, columns x0, x0 + dx ... into raw.
  void Build(Byte* raw, int y, int x0, int dx, int count) const;

 private:
  void StoreIndices(const Byte* raw, Byte* line, int x0, int dx, int count);
  void BuildIndices(Byte* raw, const Byte* line, int x0, int dx, int count) const;

  TPngBitmap& bitmap_;
  // The kept pixels of a row read reduced.
  std::vector<Byte> kept_;
  Byte colorType_;
  Byte rowDepth_;
};

}  // namespace orv
