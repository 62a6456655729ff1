#pragma once
// A canvas that draws the pages of a PDF file through Qt's own PDF writer: the yardstick the
// report library's PDF writer is measured against.
#include <memory>

#include "platform/gui/Canvas.h"

namespace orv {

class TPdfWriterCanvas {
 public:
  // Pages of widthPt x heightPt points; the canvas works in pixels at resolution per inch.
  TPdfWriterCanvas(const String& fileName, double widthPt, double heightPt, int resolution);
  ~TPdfWriterCanvas();

  TCanvas& Canvas() { return canvas_; }
  void NewPage();
  // Ends the document; the file is complete afterwards.
  void Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  TCanvas canvas_;
};

}  // namespace orv
