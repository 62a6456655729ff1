#pragma once
// A print job whose pages are drawn on a canvas: spooled as one PDF at 600 dpi, each page with
// its own paper, then sent to a printer or written to a file.
#include <memory>

#include "platform/print/PrintJob.h"

namespace orv {

class TCanvas;

// One page's paper as it lies (a landscape page is wider than high), in millimetres, and the
// corner of the printable area, which becomes the canvas origin as on a printer's device.
struct TPageFormat {
  double Width = 210;
  double Height = 297;
  bool Landscape = false;
  double OriginX = 0;
  double OriginY = 0;
};

class TCanvasJob {
 public:
  static constexpr int kResolution = 600;

  TCanvasJob();
  // An unfinished job is discarded: nothing is printed or written.
  ~TCanvasJob();
  TCanvasJob(const TCanvasJob&) = delete;
  TCanvasJob& operator=(const TCanvasJob&) = delete;

  // Starts spooling; with a file name the pages will go to that file, else to a printer.
  bool Begin(const String& title, const String& fileName, String& error);
  // Attaches canvas to the new page until EndPage.
  void BeginPage(TCanvas& canvas, const TPageFormat& format);
  void EndPage();
  // Sends the spooled pages to printer with options (or writes the file, which replaces an
  // old one only when complete). The job's number is in JobId afterwards (0 for a file).
  bool End(const String& printer, const TJobOptions& options, String& error);
  // Throws the spooled pages away.
  void Abort();

  bool Printing() const;
  int JobId() const { return jobId_; }

 private:
  struct Spool;
  void Discard();

  std::unique_ptr<Spool> spool_;
  TCanvas* canvas_ = nullptr;
  int pages_ = 0;
  int jobId_ = 0;
};

}  // namespace orv
