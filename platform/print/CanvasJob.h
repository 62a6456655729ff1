#pragma once
// A print job whose pages are drawn on a canvas: spooled as PDF at 600 dpi, each page with its
// own paper, then sent to a printer or written to a file.
#include <memory>
#include <vector>

#include "platform/print/PrintJob.h"
#include "platform/print/SpoolFiles.h"

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
  // Closes the pages spooled so far as one printer job of their own, to be sent with options;
  // the pages that follow go to the next. A job option (the tray, the duplex, the job's media)
  // holds for a whole printer job, so pages that need others are cut off here. Nothing is sent
  // before End, so that an abort still sends nothing. A job to a file is never cut. False,
  // with the reason, when no spool file can be made for the pages that follow.
  bool Cut(const TJobOptions& options, String& error);
  // Sends the spooled pages to printer, those after the last cut with options (or writes the
  // file, which replaces an old one only when complete). The number of the last printer job is
  // in JobId afterwards (0 for a file), every number in JobIds.
  bool End(const String& printer, const TJobOptions& options, String& error);
  // Throws the spooled pages away.
  void Abort();

  bool Printing() const;
  int JobId() const { return files_.JobId(); }
  const std::vector<int>& JobIds() const { return files_.JobIds(); }

 private:
  struct Spool;
  bool OpenPart(String& error);
  // Writes out the part being spooled, to go with options.
  bool ClosePart(const TJobOptions& options, String& error);
  void Discard();

  String title_;
  // The files of the parts already cut, each with its options, and of the part being spooled.
  TSpoolFiles files_;
  std::unique_ptr<Spool> spool_;
  TCanvas* canvas_ = nullptr;
  int pages_ = 0;
};

}  // namespace orv
