#pragma once
// TkvxPDFImage: a picture as an image object of the document, at the picture's own pixels.
#include <string>

namespace orv {

class TGraphic;

struct TkvxPDFImage {
  int Width = 0;
  int Height = 0;
  // The image dictionary's entries after /Subtype /Image, the filter included.
  std::string Entries;
  // The stream data as the filter reads it.
  std::string Data;
};

// The image of graphic at its own size: a JPEG of one or three colour components that decodes
// cleanly keeps its own bytes (DCTDecode); any other picture within the pixel budget is drawn on
// white at its size and deflated. False for what has no pixels of its own (a metafile), no size,
// or more pixels than the budget.
bool kvxPDFImageOf(TGraphic& graphic, TkvxPDFImage& image);

}  // namespace orv
