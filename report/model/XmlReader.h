#pragma once
// TkvxXMLReader: reads tags and elements from a backing store in large blocks, checking on the
// way whether the bytes are valid UTF-8.
#include <cstdint>
#include <memory>
#include <string_view>

#include "report/model/XmlBacking.h"
#include "report/model/XmlItem.h"

namespace orv {

// The longest attribute value and start tag a file may hold: a script's text is bounded alike,
// and a picture of 16 MB still fits.
inline constexpr size_t kvxMaxXMLValueBytes = size_t{32} << 20;
inline constexpr size_t kvxMaxXMLTagBytes = size_t{64} << 20;

class TkvxXMLReader {
 public:
  // Reads from pos on; storeId is recorded in items that stay unloaded. Bytes already checked
  // once (an item read back from its store) need no UTF-8 check again.
  TkvxXMLReader(TkvxXMLBacking& source, std::uint64_t pos, std::uint8_t storeId, bool checkUtf8 = true);

  // Reads the "?xml" header; returns whether it names the old version (1.0, no standalone).
  bool ReadHeader();
  // Reads one element with its children into item. False when the next tag closes the parent
  // instead (or the input ended).
  bool ReadElement(TkvxXMLItem* item, bool loadAll, int depth = 0);
  // The position behind the last byte consumed.
  std::uint64_t Position() const { return bufPos_ + idx_; }
  // Whether every byte read so far was valid UTF-8.
  bool ValidUtf8() const { return utf8Ok_ && utf8Need_ == 0; }

 private:
  // The next tag's name and attribute text; false at the end of input between tags.
  bool ReadTag();
  bool Fill();
  // Reads on behind the first occurrence of end, read being the characters of it read already.
  void SkipPast(std::string_view end, std::string_view read);
  // Reads on behind the ">" that ends a declaration, its internal subset included.
  void SkipDeclaration();
  void CheckUtf8(const unsigned char* p, size_t n);
  [[noreturn]] static void Invalid();
  // Refuses a value (from valueStart on) or a whole tag past its bound.
  static void CheckLength(size_t tagLength, size_t valueStart);

  TkvxXMLBacking& source_;
  std::uint8_t storeId_;
  bool checkUtf8_;
  // Blocks grow from small to large: one page read back is a few kilobytes, a file is many
  // blocks.
  std::unique_ptr<char[]> buf_;
  size_t block_;
  std::uint64_t bufPos_;
  size_t len_ = 0;
  size_t idx_ = 0;
  bool eof_ = false;
  String tag_;
  String name_;
  String text_;
  std::uint64_t tagPos_ = 0;
  bool endedByEof_ = false;
  // While the header is read, a processing instruction is the header itself.
  bool expectHeader_ = false;
  bool utf8Ok_ = true;
  int utf8Need_ = 0;
  unsigned char utf8Lo_ = 0x80;
  unsigned char utf8Hi_ = 0xBF;
};

}  // namespace orv
