#pragma once
// Where the children of unloaded XML items live: a stream the document owns, or the document's
// temporary file, read by position so that reading one item never moves another reader.
#include <cstdint>
#include <memory>

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
class TkvxTempFileBacking : public TkvxXMLBacking {
 public:
  // EFCreateError when no file can be made in dir (or, when dir is not a folder, in the
  // system temporary folder).
  explicit TkvxTempFileBacking(const String& dir);
  size_t ReadAt(std::uint64_t pos, char* buffer, size_t count) override;
  std::uint64_t Size() override { return size_; }
  void Append(const char* data, size_t count);

 private:
  TTempFile file_;
  std::uint64_t size_ = 0;
};

}  // namespace orv
