#pragma once
// A job on a CUPS printer: its options and one document streamed to the server.
#include <cstddef>

#include "platform/rtl/Types.h"

namespace orv {

enum TJobSides { jsPrinterDefault, jsOneSided, jsTwoSidedLongEdge, jsTwoSidedShortEdge };

struct TJobOptions {
  String Title;
  // CUPS media name; empty leaves the printer's default.
  String Media;
  // media-source keyword; empty lets the printer choose.
  String MediaSource;
  TJobSides Sides = jsPrinterDefault;
  int Copies = 1;
  bool Collate = true;
  bool Landscape = false;
  // print-quality: 3 draft, 4 normal, 5 high; 0 leaves the printer's default.
  int Quality = 0;
};

enum TDocumentFormat { dfPdf, dfRaw };

struct TCupsLibrary;

// One job with one document. Failures are returned with the server's reason; a job that is
// neither finished nor cancelled is cancelled when the object goes.
class TPrintJob {
 public:
  TPrintJob() = default;
  ~TPrintJob();
  TPrintJob(const TPrintJob&) = delete;
  TPrintJob& operator=(const TPrintJob&) = delete;

  bool Start(const String& printer, const TJobOptions& options, TDocumentFormat format,
             String& error);
  bool Write(const void* data, std::size_t size, String& error);
  bool Finish(String& error);
  void Cancel();

  bool Active() const { return id_ != 0; }
  // The server's number of the job; kept after Finish, 0 before Start.
  int JobId() const { return lastId_; }

 private:
  // The print server's library, opened by Start.
  const TCupsLibrary* cups_ = nullptr;
  String printer_;
  int id_ = 0;
  int lastId_ = 0;
  bool documentOpen_ = false;
};

// Sends a file as the one document of a new job; the job's number goes into jobId.
bool PrintFileJob(const String& printer, const TJobOptions& options, TDocumentFormat format,
                  const String& fileName, int& jobId, String& error);

}  // namespace orv
