#pragma once
// The spool files of a print job: each file one printer job with options of its own, all sent
// when the job ends, or, for a job to a file, its one file put in place of the target.
#include <memory>
#include <vector>

#include "platform/print/PrintJob.h"

namespace orv {

class TSpoolFiles {
 public:
  TSpoolFiles();
  // Files of an unfinished job are removed: nothing is printed or written.
  ~TSpoolFiles();
  TSpoolFiles(const TSpoolFiles&) = delete;
  TSpoolFiles& operator=(const TSpoolFiles&) = delete;

  // Starts a job; with a file name it goes to that file, else to a printer.
  void Begin(const String& fileName);
  bool ToFile() const { return !target_.empty(); }
  // A new empty file for the next printer job's pages, its name in path; false with the reason.
  bool Add(String& path, String& error);
  // The options the last file is sent with.
  void SetOptions(const TJobOptions& options);
  // Removes the last file, which got no pages.
  void DropLast();
  size_t Count() const { return files_.size(); }
  // Sends every file to printer (or puts the one file in place of the target, replacing an old
  // one only when whole); the files are gone afterwards. The printer jobs' numbers go to JobIds.
  bool End(const String& printer, String& error);
  // Removes the files.
  void Discard();

  int JobId() const { return jobIds_.empty() ? 0 : jobIds_.back(); }
  const std::vector<int>& JobIds() const { return jobIds_; }

 private:
  struct File;
  String target_;
  std::vector<std::unique_ptr<File>> files_;
  std::vector<int> jobIds_;
};

}  // namespace orv
