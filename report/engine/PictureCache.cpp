#include "report/engine/PictureCache.h"

#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TempFile.h"

namespace orv {

class TkvxPictureCache::TCacheStream {
 public:
  virtual ~TCacheStream() = default;
  virtual std::uint64_t Size() const = 0;
  virtual void Append(const char* data, size_t count) = 0;
  virtual void ReadAt(std::uint64_t pos, char* buffer, size_t count) = 0;
};

class TkvxPictureCache::TMemoryCacheStream : public TCacheStream {
 public:
  std::uint64_t Size() const override { return data_.size(); }
  void Append(const char* data, size_t count) override { data_.append(data, count); }
  void ReadAt(std::uint64_t pos, char* buffer, size_t count) override { std::memcpy(buffer, data_.data() + pos, count); }

 private:
  String data_;
};

class TkvxPictureCache::TFileCacheStream : public TCacheStream {
 public:
  explicit TFileCacheStream(const String& dir) : file_(dir, "kvPic") {}
  std::uint64_t Size() const override { return size_; }
  void Append(const char* data, size_t count) override {
    file_.WriteAt(size_, data, count);
    size_ += count;
  }
  void ReadAt(std::uint64_t pos, char* buffer, size_t count) override {
    if (file_.ReadAt(pos, buffer, count) != count) throw EReadError("Stream read error: the cache file ends early");
  }

 private:
  TTempFile file_;
  std::uint64_t size_ = 0;
};

TkvxPictureCache::TkvxPictureCache() = default;

TkvxPictureCache::~TkvxPictureCache() = default;

void TkvxPictureCache::Clear() {
  streams_.clear();
  entries_.Clear();
}

void TkvxPictureCache::SetUseFileCache(bool value) {
  if (streams_.empty()) useFileCache_ = value;
}

void TkvxPictureCache::SetTempDir(const String& value) {
  if (streams_.empty()) tempDir_ = value;
}

TkvxPictureCache::TCacheStream& TkvxPictureCache::StreamForNewEntry() {
  if (streams_.empty() || streams_.back()->Size() >= StreamLimit) {
    if (useFileCache_) streams_.push_back(std::make_unique<TFileCacheStream>(tempDir_));
    else streams_.push_back(std::make_unique<TMemoryCacheStream>());
  }
  TCacheStream& stream = *streams_.back();
  entries_.Add(static_cast<std::uint32_t>(streams_.size() - 1), stream.Size());
  return stream;
}

Integer TkvxPictureCache::AddPicture(TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return 0;
  TMemoryStream saved;
  graphic->SaveToStream(saved);
  TCacheStream& stream = StreamForNewEntry();
  stream.Append(reinterpret_cast<const char*>(saved.Memory()), static_cast<size_t>(saved.Size()));
  return entries_.GetCount();
}

std::uint64_t TkvxPictureCache::EntrySize(Integer index) {
  const TkvxCacheList::TEntry& e = entries_.GetItem(index);
  if (index + 1 < entries_.GetCount() && entries_.GetItem(index + 1).Stream == e.Stream)
    return entries_.GetItem(index + 1).Offset - e.Offset;
  return streams_[e.Stream]->Size() - e.Offset;
}

bool TkvxPictureCache::GetPicture(Integer index, String& bytes) {
  if (index < 1 || index > entries_.GetCount()) return false;
  const TkvxCacheList::TEntry& e = entries_.GetItem(index - 1);
  bytes.resize(static_cast<size_t>(EntrySize(index - 1)));
  streams_[e.Stream]->ReadAt(e.Offset, bytes.data(), bytes.size());
  return true;
}

void TkvxPictureCache::SaveToXML(TkvxXMLItem* item) {
  item->Clear();
  static const char kHex[] = "0123456789ABCDEF";
  String bytes, hex;
  for (Integer i = 1; i <= entries_.GetCount(); ++i) {
    GetPicture(i, bytes);
    hex.resize(bytes.size() * 2);
    for (size_t k = 0; k < bytes.size(); ++k) {
      auto b = static_cast<unsigned char>(bytes[k]);
      hex[2 * k] = kHex[b >> 4];
      hex[2 * k + 1] = kHex[b & 15];
    }
    TkvxXMLItem* child = item->Add();
    child->Name = "item";
    child->SetProp("stream", hex);
  }
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

void TkvxPictureCache::LoadFromXML(TkvxXMLItem* item) {
  Clear();
  String bytes;
  try {
    for (Integer i = 0; i < item->Count(); ++i) {
      String hex = item->Items(i)->Prop("stream");
      if (hex.size() % 2 != 0) throw EConvertError("Invalid picture data: odd number of hex digits");
      bytes.resize(hex.size() / 2);
      for (size_t k = 0; k < bytes.size(); ++k) {
        int hi = HexDigit(hex[2 * k]), lo = HexDigit(hex[2 * k + 1]);
        if (hi < 0 || lo < 0) throw EConvertError("Invalid picture data: '" + hex.substr(2 * k, 2) + "' is not hex");
        bytes[k] = static_cast<char>(hi * 16 + lo);
      }
      StreamForNewEntry().Append(bytes.data(), bytes.size());
    }
  } catch (...) {
    Clear();
    throw;
  }
}

}  // namespace orv
