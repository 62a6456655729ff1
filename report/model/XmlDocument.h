#pragma once
// TkvxXMLDocument: the report library's XML tree with its header, reading and writing, and a
// backing file for items whose children are unloaded from memory (prepared pages).
#include <memory>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "report/model/XmlItem.h"

namespace orv {

// Malformed input: "Invalid file format".
ORV_DECLARE_EXCEPTION(TkvxInvalidXMLException, Exception);

class TkvxXMLBacking;

class TkvxXMLDocument {
 public:
  TkvxXMLDocument();
  ~TkvxXMLDocument();
  TkvxXMLDocument(const TkvxXMLDocument&) = delete;
  TkvxXMLDocument& operator=(const TkvxXMLDocument&) = delete;

  TkvxXMLItem* Root() const { return root_.get(); }
  // Indent children and end every line with CR LF.
  bool AutoIndent = false;
  // Preferred folder of the backing file; the system temporary folder when it does not exist.
  String TempDir;
  // The header of the last loaded stream said version 1.0 without "standalone".
  bool OldVersion = false;

  // Empties the tree and drops both backing stores.
  void Clear();
  // Reads the whole tree. With allowPartialLoading, items marked ld="0" keep their children in
  // the stream, which the document then owns and frees (stream must come from new); without it
  // the caller keeps the stream. TkvxInvalidXMLException for malformed input: no header, a "<"
  // inside a tag, input that ends inside a tag or with elements still open, a wrong end tag,
  // absurd nesting.
  void LoadFromStream(TStream* stream, bool allowPartialLoading = false);
  void SaveToStream(TStream& stream);
  void LoadFromFile(const String& fileName, bool allowPartialLoading = false);
  // Written beside the target and renamed over it, so a failed save keeps the old file.
  void SaveToFile(const String& fileName);

  // Brings an unloaded item's children back from whichever store holds them.
  void LoadItem(TkvxXMLItem* item);
  // Writes a loaded, unloadable item with its subtree to the backing file and frees the
  // children; an item read back from a store and not marked changed since is only freed.
  void UnloadItem(TkvxXMLItem* item);

 private:
  friend class TkvxXMLWriter;
  std::unique_ptr<TkvxXMLItem> root_;
  // Store 1: the stream given to a partial load; store 2: the document's own backing file.
  std::unique_ptr<TkvxXMLBacking> loaded_;
  std::unique_ptr<TkvxXMLBacking> temp_;
  // What an unloading writes, kept for the next one so that its room is made once.
  String unloaded_;
};

// Nesting deeper than this is refused as malformed: report files are a few levels deep, and
// the limit keeps reading and freeing a hostile file off the end of the stack.
inline constexpr int kvxMaxXMLDepth = 512;

}  // namespace orv
