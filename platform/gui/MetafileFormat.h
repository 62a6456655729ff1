#pragma once
// Inside the graphics layer: the file form of our metafiles.
#include <vector>

#include "platform/gui/CanvasRecord.h"
#include "platform/rtl/Streams.h"

namespace orv {

struct TMetafileContent {
  int Width = 0;
  int Height = 0;
  int PixelsPerInch = 96;
  // Record units to a pixel of Width and Height: finer than pixels, a drawing keeps its curves
  // and places when printed or written as vectors.
  int Detail = 1;
  std::vector<TCanvasRecord> Records;
};

void WriteMetafile(TStream& stream, const TMetafileContent& content);
// EInvalidGraphic for anything that is not a complete metafile of ours.
TMetafileContent ReadMetafile(TStream& stream);

}  // namespace orv
