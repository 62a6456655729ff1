#include "platform/print/PrintJob.h"

#include <cstdio>
#include <memory>

#include "platform/print/CupsLibrary.h"

namespace orv {

namespace {

// The IPP options of a job; freed with the holder.
struct TCupsOptions {
  const TCupsLibrary& Cups;
  int Count = 0;
  cups_option_t* Options = nullptr;

  TCupsOptions(const TCupsLibrary& cups, const TJobOptions& o) : Cups(cups) {
    if (!o.Media.empty()) Add(CUPS_MEDIA, o.Media);
    if (!o.MediaSource.empty()) Add(CUPS_MEDIA_SOURCE, o.MediaSource);
    switch (o.Sides) {
      case jsOneSided: Add(CUPS_SIDES, CUPS_SIDES_ONE_SIDED); break;
      case jsTwoSidedLongEdge: Add(CUPS_SIDES, CUPS_SIDES_TWO_SIDED_PORTRAIT); break;
      case jsTwoSidedShortEdge: Add(CUPS_SIDES, CUPS_SIDES_TWO_SIDED_LANDSCAPE); break;
      case jsPrinterDefault: break;
    }
    Add(CUPS_COPIES, std::to_string(o.Copies < 1 ? 1 : o.Copies));
    if (o.Copies > 1) Add("collate", o.Collate ? "true" : "false");
    Add(CUPS_ORIENTATION, o.Landscape ? CUPS_ORIENTATION_LANDSCAPE : CUPS_ORIENTATION_PORTRAIT);
    if (o.Quality >= 3 && o.Quality <= 5) Add(CUPS_PRINT_QUALITY, std::to_string(o.Quality));
  }
  ~TCupsOptions() { Cups.FreeOptions(Count, Options); }
  TCupsOptions(const TCupsOptions&) = delete;
  TCupsOptions& operator=(const TCupsOptions&) = delete;

  void Add(const char* name, const String& value) {
    Count = Cups.AddOption(name, value.c_str(), Count, &Options);
  }
};

const char* FormatName(TDocumentFormat format) {
  return format == dfRaw ? CUPS_FORMAT_RAW : CUPS_FORMAT_PDF;
}

}  // namespace

TPrintJob::~TPrintJob() { Cancel(); }

bool TPrintJob::Start(const String& printer, const TJobOptions& options, TDocumentFormat format,
                      String& error) {
  Cancel();
  const TCupsLibrary* cups = CupsLibrary(error);
  if (!cups) return false;
  cups_ = cups;
  TCupsOptions o(*cups, options);
  int id = cups->CreateJob(CUPS_HTTP_DEFAULT, printer.c_str(), options.Title.c_str(), o.Count, o.Options);
  if (id == 0) {
    error = LastCupsError(*cups);
    return false;
  }
  printer_ = printer;
  id_ = lastId_ = id;
  if (cups->StartDocument(CUPS_HTTP_DEFAULT, printer.c_str(), id, options.Title.c_str(), FormatName(format), 1) !=
      HTTP_STATUS_CONTINUE) {
    error = LastCupsError(*cups_);
    Cancel();
    return false;
  }
  documentOpen_ = true;
  return true;
}

bool TPrintJob::Write(const void* data, std::size_t size, String& error) {
  if (!documentOpen_) {
    error = "No print job has been started";
    return false;
  }
  if (size == 0) return true;
  if (cups_->WriteRequestData(CUPS_HTTP_DEFAULT, static_cast<const char*>(data), size) != HTTP_STATUS_CONTINUE) {
    error = LastCupsError(*cups_);
    Cancel();
    return false;
  }
  return true;
}

bool TPrintJob::Finish(String& error) {
  if (!documentOpen_) {
    error = "No print job has been started";
    return false;
  }
  documentOpen_ = false;
  ipp_status_t status = cups_->FinishDocument(CUPS_HTTP_DEFAULT, printer_.c_str());
  if (status > IPP_STATUS_OK_EVENTS_COMPLETE) {
    error = LastCupsError(*cups_);
    Cancel();
    return false;
  }
  id_ = 0;
  return true;
}

void TPrintJob::Cancel() {
  if (id_ == 0) return;
  if (documentOpen_) {
    // Ends the open request so that the connection can carry the cancel.
    cups_->FinishDocument(CUPS_HTTP_DEFAULT, printer_.c_str());
    documentOpen_ = false;
  }
  cups_->CancelJob2(CUPS_HTTP_DEFAULT, printer_.c_str(), id_, 0);
  id_ = 0;
}

bool PrintFileJob(const String& printer, const TJobOptions& options, TDocumentFormat format,
                  const String& fileName, int& jobId, String& error) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(fileName.c_str(), "rb"), &std::fclose);
  if (!file) {
    error = "Cannot open " + fileName;
    return false;
  }
  TPrintJob job;
  if (!job.Start(printer, options, format, error)) return false;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    if (!job.Write(buffer, n, error)) return false;
  if (std::ferror(file.get())) {
    error = "Cannot read " + fileName;
    return false;
  }
  if (!job.Finish(error)) return false;
  jobId = job.JobId();
  return true;
}

}  // namespace orv
