#pragma once
// Where the children of unloaded XML items live: a stream the document owns, or the document's
// temporary file, read by position so that reading one item never moves another reader.
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/rtl/Streams.h"
#include "platform/rtl/TempFile.h"

namespace orv {

class TkvxXMLBacking {
 public:
  virtual ~TkvxXMLBacking() = default;
  // Up to count bytes from pos; fewer only at the end.
  virtual size_t ReadAt(std::uint64_t pos, char* buffer, size_t count) = 0;
  virtual std::uint64_t Size() = 0;
  // The bytes were not valid UTF-8 when the store was loaded: they are code page 874.
  bool Legacy874 = false;
};

// A TStream, owned or borrowed.
class TkvxStreamBacking : public TkvxXMLBacking {
 public:
  TkvxStreamBacking(TStream* stream, bool owned) : stream_(stream), owned_(owned) {}
  ~TkvxStreamBacking() override {
    if (owned_) delete stream_;
  }
  size_t ReadAt(std::uint64_t pos, char* buffer, size_t count) override;
  std::uint64_t Size() override { return static_cast<std::uint64_t>(stream_->Size()); }
  TStream* Stream() const { return stream_; }

 private:
  TStream* stream_;
  bool owned_;
};

// An unlinked temporary file: it disappears with its descriptor, whatever happens to the program.
// Appends gather in memory and reach the file a few hundred kilobytes at a time: a page written
// at each page of a run would otherwise cost the file system a write, and its journal an update
// of the file's times, for every page. Bytes still gathered read back from memory.
class TkvxTempFileBacking : public TkvxXMLBacking {
 public:
  // EFCreateError when no file can be made in dir (or, when dir is not a folder, in the
  // system temporary folder).
  explicit TkvxTempFileBacking(const String& dir);
  size_t ReadAt(std::uint64_t pos, char* buffer, size_t count) override;
  std::uint64_t Size() override;
  // EWriteError when the disk takes less, for these bytes or for bytes gathered before them.
  void Append(const char* data, size_t count);

 private:
  static constexpr size_t kGathered = size_t{256} << 10;
  void Flush();

  TTempFile file_;
  // An export reads pages back on its thread while the engine writes pages on its own.
  std::mutex lock_;
  // Bytes in the file, and those gathered after them.
  std::uint64_t written_ = 0;
  String gathered_;
};

}  // namespace orv
