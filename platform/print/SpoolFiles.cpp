#include "platform/print/SpoolFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>

namespace orv {

struct TSpoolFiles::File {
  QTemporaryFile file;
  TJobOptions options;
};

TSpoolFiles::TSpoolFiles() = default;

TSpoolFiles::~TSpoolFiles() = default;

void TSpoolFiles::Begin(const String& fileName) {
  Discard();
  target_ = fileName;
  jobIds_.clear();
}

bool TSpoolFiles::Add(String& path, String& error) {
  auto f = std::make_unique<File>();
  // A file is spooled beside its target, so that finishing it is a rename on the same disk.
  QString dir = target_.empty() ? QDir::tempPath() : QFileInfo(QString::fromStdString(target_)).absolutePath();
  f->file.setFileTemplate(dir + "/orvane-print-XXXXXX.pdf");
  if (!f->file.open()) {
    error = "Cannot create a spool file in " + dir.toStdString() + ": " + f->file.errorString().toStdString();
    return false;
  }
  // Whoever writes the pages opens the file by its name.
  f->file.close();
  path = f->file.fileName().toStdString();
  files_.push_back(std::move(f));
  return true;
}

void TSpoolFiles::SetOptions(const TJobOptions& options) {
  if (!files_.empty()) files_.back()->options = options;
}

void TSpoolFiles::DropLast() {
  if (!files_.empty()) files_.pop_back();
}

bool TSpoolFiles::End(const String& printer, String& error) {
  std::vector<std::unique_ptr<File>> files = std::move(files_);
  files_.clear();
  if (files.empty()) {
    error = "The job has no pages";
    return false;
  }
  if (!target_.empty()) {
    QTemporaryFile& f = files.front()->file;
    // A spool file is private to its owner; the file asked for gets the usual permissions.
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // One rename over the target: the old file stays until the new one is whole.
    std::error_code failed;
    std::filesystem::rename(f.fileName().toStdString(), target_, failed);
    if (failed) {
      error = "Cannot write " + target_ + ": " + failed.message();
      return false;
    }
    f.setAutoRemove(false);
    return true;
  }
  for (auto& f : files) {
    int id = 0;
    if (!PrintFileJob(printer, f->options, dfPdf, f->file.fileName().toStdString(), id, error)) return false;
    jobIds_.push_back(id);
  }
  return true;
}

void TSpoolFiles::Discard() { files_.clear(); }

}  // namespace orv
