#pragma once
// TkvxPictureCache: the pictures of prepared pages, each stored once as the bytes its graphic
// saves, in a few large streams kept in memory or in unlinked temporary files. Pages refer to a
// picture by its number (ImageIndex, from 1; 0 is "no picture").
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/Graphic.h"
#include "report/model/XmlItem.h"

namespace orv {

// Where each picture starts: which stream, and the byte offset in it.
class TkvxCacheList {
 public:
  struct TEntry {
    std::uint32_t Stream;
    std::uint64_t Offset;
  };
  void Add(std::uint32_t stream, std::uint64_t offset) { items_.push_back({stream, offset}); }
  void Clear() { items_.clear(); }
  Integer GetCount() const { return static_cast<Integer>(items_.size()); }
  const TEntry& GetItem(Integer index) const { return items_[static_cast<size_t>(index)]; }

 private:
  std::vector<TEntry> items_;
};

class TkvxPictureCache {
 public:
  // A stream is closed to new pictures once it holds this many bytes.
  static constexpr std::uint64_t StreamLimit = 0x6AAAAAAA;

  TkvxPictureCache();
  ~TkvxPictureCache();
  TkvxPictureCache(const TkvxPictureCache&) = delete;
  TkvxPictureCache& operator=(const TkvxPictureCache&) = delete;

  void Clear();
  // Stores the graphic's saved form; the picture's number, or 0 for no graphic or an empty one.
  Integer AddPicture(TGraphic* graphic);
  // The saved bytes of picture index; false (and bytes untouched) for a number not in the cache.
  bool GetPicture(Integer index, String& bytes);
  Integer Count() const { return entries_.GetCount(); }

  // One "item" child per picture with its bytes as upper-case hex in "stream".
  void SaveToXML(TkvxXMLItem* item);
  // Replaces the cache with the item's pictures. A file is untrusted: EConvertError for a
  // "stream" value that is not an even number of hex digits, and the cache is then empty.
  void LoadFromXML(TkvxXMLItem* item);

  // Both take effect only while no stream exists.
  void SetUseFileCache(bool value);
  void SetTempDir(const String& value);

 private:
  class TCacheStream;
  class TMemoryCacheStream;
  class TFileCacheStream;
  // The stream new pictures go to, made when there is none or the last one is full.
  TCacheStream& StreamForNewEntry();
  std::uint64_t EntrySize(Integer index);

  TkvxCacheList entries_;
  std::vector<std::unique_ptr<TCacheStream>> streams_;
  bool useFileCache_ = false;
  String tempDir_;
};

}  // namespace orv
