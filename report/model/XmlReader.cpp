#include "report/model/XmlReader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/rtl/TextUtils.h"
#include "report/model/XmlDocument.h"

namespace orv {

namespace {

constexpr size_t kFirstBlock = 1 << 13;
constexpr size_t kBlock = 1 << 16;

// Position of the unload marker ' ld="0"' in text (behind any blank), case-blind.
size_t FindMarker(const String& text) {
  static constexpr std::string_view kMarker = "ld=\"0\"";
  for (size_t i = 1; i + kMarker.size() <= text.size(); ++i)
    if (kvxIsXMLBlank(text[i - 1]) && kvxSameXMLName(std::string_view(text).substr(i, kMarker.size()), kMarker))
      return i - 1;
  return String::npos;
}

}  // namespace

TkvxXMLReader::TkvxXMLReader(TkvxXMLBacking& source, std::uint64_t pos, std::uint8_t storeId, bool checkUtf8)
    : source_(source),
      storeId_(storeId),
      checkUtf8_(checkUtf8),
      buf_(new char[kBlock]),
      block_(kFirstBlock),
      bufPos_(pos) {}

void TkvxXMLReader::Invalid() { throw TkvxInvalidXMLException("Invalid file format"); }

void TkvxXMLReader::CheckLength(size_t tagLength, size_t valueStart) {
  // A file of a few hundred megabytes in one value would cost gigabytes once decoded, turned
  // into wide text and laid out.
  if (tagLength - valueStart > kvxMaxXMLValueBytes)
    throw TkvxInvalidXMLException("Invalid file format: a value longer than " + std::to_string(kvxMaxXMLValueBytes >> 20) +
                                  " MB");
  if (tagLength > kvxMaxXMLTagBytes)
    throw TkvxInvalidXMLException("Invalid file format: an element of more than " +
                                  std::to_string(kvxMaxXMLTagBytes >> 20) + " MB");
}

void TkvxXMLReader::CheckUtf8(const unsigned char* p, size_t n) {
  for (size_t i = 0; i < n && utf8Ok_; ++i) {
    // Plain ASCII eight bytes at a time.
    if (utf8Need_ == 0) {
      while (i + 8 <= n) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ull) break;
        i += 8;
      }
      if (i >= n) break;
    }
    unsigned char c = p[i];
    if (utf8Need_ > 0) {
      if (c < utf8Lo_ || c > utf8Hi_) {
        utf8Ok_ = false;
        break;
      }
      utf8Lo_ = 0x80;
      utf8Hi_ = 0xBF;
      --utf8Need_;
      continue;
    }
    if (c < 0x80) continue;
    if (c >= 0xC2 && c <= 0xDF) {
      utf8Need_ = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      utf8Need_ = 2;
      if (c == 0xE0) utf8Lo_ = 0xA0;
      if (c == 0xED) utf8Hi_ = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      utf8Need_ = 3;
      if (c == 0xF0) utf8Lo_ = 0x90;
      if (c == 0xF4) utf8Hi_ = 0x8F;
    } else {
      utf8Ok_ = false;
    }
  }
}

bool TkvxXMLReader::Fill() {
  if (eof_) return false;
  bufPos_ += len_;
  idx_ = 0;
  len_ = source_.ReadAt(bufPos_, buf_.get(), block_);
  block_ = std::min(block_ * 2, kBlock);
  if (len_ == 0) {
    eof_ = true;
    return false;
  }
  if (checkUtf8_) CheckUtf8(reinterpret_cast<const unsigned char*>(buf_.get()), len_);
  return true;
}

bool TkvxXMLReader::ReadTag() {
  for (;;) {
    // Skip to the next "<".
    for (;;) {
      if (idx_ < len_) {
        const void* lt = std::memchr(buf_.get() + idx_, '<', len_ - idx_);
        if (lt) {
          idx_ = static_cast<size_t>(static_cast<const char*>(lt) - buf_.get());
          break;
        }
        idx_ = len_;
      }
      if (!Fill()) return false;
    }
    tagPos_ = bufPos_ + idx_;
    ++idx_;
    tag_.clear();
    // The first three characters decide whether a comment starts.
    bool comment = false;
    bool closed = false;
    while (tag_.size() < 3) {
      if (idx_ >= len_ && !Fill()) Invalid();
      char c = buf_[idx_++];
      if (c == '<') Invalid();
      if (c == '>') {
        closed = true;
        break;
      }
      tag_ += c;
    }
    if (!closed && tag_ == "!--") comment = true;
    if (comment) {
      int dashes = 0;
      for (;;) {
        if (idx_ >= len_ && !Fill()) Invalid();
        char c = buf_[idx_++];
        if (dashes < 2 && c == '-') {
          ++dashes;
        } else if (dashes == 2 && c == '>') {
          break;
        } else {
          dashes = 0;
        }
      }
      continue;
    }
    // Text in a CDATA section, a document type declaration and processing instructions carry
    // nothing a report reads (element text is never read): they are passed over whole, with
    // whatever "<" and ">" they hold.
    if (!closed && tag_.compare(0, 2, "![") == 0) {
      SkipPast("]]>", tag_);
      continue;
    }
    if (!tag_.empty() && tag_[0] == '?' && !expectHeader_) {
      if (!closed || tag_.size() < 2 || tag_.back() != '?') SkipPast("?>", closed ? tag_ + ">" : tag_);
      continue;
    }
    if (!tag_.empty() && tag_[0] == '!') {
      if (!closed) SkipDeclaration();
      continue;
    }
    // A '>' inside a quoted value of an element belongs to the value. A value in single quotes
    // is stored as if it had been written in double quotes, so every later reader of the
    // attribute text knows one form. A declaration or processing instruction ends at its '>'.
    const bool element = !tag_.empty() && tag_[0] != '?' && tag_[0] != '!';
    char quote = 0;
    // Where the value being read begins in the tag.
    size_t valueStart = 0;
    while (!closed) {
      if (idx_ >= len_ && !Fill()) Invalid();
      const char* p = buf_.get() + idx_;
      const char* end = buf_.get() + len_;
      const char* run = p;
      for (; p < end; ++p) {
        if (quote == '"') {
          // Most of a file is values in double quotes (memo texts, pictures): they are passed
          // over in one tight loop.
          while (p < end && *p != '"' && *p != '<') ++p;
          if (p == end) break;
          if (*p == '<') Invalid();
          CheckLength(tag_.size() + static_cast<size_t>(p - run), valueStart);
          quote = 0;
          continue;
        }
        char c = *p;
        if (c == '<') Invalid();
        if (quote == 0) {
          if (c == '>') break;
          if (!element || (c != '"' && c != '\'')) continue;
          quote = c;
          valueStart = tag_.size() + static_cast<size_t>(p - run) + 1;
        } else if (c == quote) {
          CheckLength(tag_.size() + static_cast<size_t>(p - run), valueStart);
          quote = 0;
        } else if (quote != '\'' || c != '"') {
          continue;
        }
        if (c == '"' && quote == '\'') {
          tag_.append(run, static_cast<size_t>(p - run));
          tag_ += "&quot;";
          run = p + 1;
        } else if (c == '\'') {
          tag_.append(run, static_cast<size_t>(p - run));
          tag_ += '"';
          run = p + 1;
        }
      }
      tag_.append(run, static_cast<size_t>(p - run));
      CheckLength(tag_.size(), quote ? valueStart : tag_.size());
      idx_ = static_cast<size_t>(p - buf_.get());
      if (p < end) {
        ++idx_;
        closed = true;
      }
    }
    // Space, tab, CR and LF all separate the name and the attributes: a file written with one
    // attribute a line is read as one written on a single line.
    while (!tag_.empty() && kvxIsXMLBlank(tag_.back())) tag_.pop_back();
    size_t blank = 0;
    while (blank < tag_.size() && !kvxIsXMLBlank(tag_[blank])) ++blank;
    name_.assign(tag_, 0, blank);
    // The attributes follow the one separator: a marker written behind two blanks on an element
    // without attributes keeps a blank before it.
    text_.assign(tag_, std::min(blank + 1, tag_.size()), String::npos);
    return true;
  }
}

void TkvxXMLReader::SkipPast(std::string_view end, std::string_view read) {
  // The characters read last, as many as end has: "]]]>" ends a CDATA section too.
  String tail(read.substr(read.size() > end.size() ? read.size() - end.size() : 0));
  while (tail != end) {
    if (idx_ >= len_ && !Fill()) Invalid();
    tail += buf_[idx_++];
    if (tail.size() > end.size()) tail.erase(0, 1);
  }
}

void TkvxXMLReader::SkipDeclaration() {
  // The internal subset between brackets holds declarations and comments of its own, each with
  // its own ">"; quoted texts and comments may hold anything.
  int brackets = 0;
  char quote = 0;
  // The last characters read outside quotes, to tell where a comment opens.
  std::uint32_t recent = 0;
  for (;;) {
    if (idx_ >= len_ && !Fill()) Invalid();
    const char c = buf_[idx_++];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    recent = recent << 8 | static_cast<unsigned char>(c);
    if (brackets > 0 && recent == ('<' << 24 | '!' << 16 | '-' << 8 | '-')) {
      SkipPast("-->", "");
      recent = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++brackets;
    } else if (c == ']') {
      if (brackets > 0) --brackets;
    } else if (c == '>' && brackets == 0) {
      return;
    }
  }
}

bool TkvxXMLReader::ReadHeader() {
  expectHeader_ = true;
  const bool read = ReadTag();
  expectHeader_ = false;
  if (!read || name_.compare(0, 4, "?xml") != 0) Invalid();
  size_t v = text_.find("version=");
  if (v == String::npos) return false;
  // The three characters behind the opening quote; a header cut short there has none.
  String version = v + 9 < text_.size() ? text_.substr(v + 9, 3) : String();
  return version == "1.0" && text_.find("standalone=") == String::npos;
}

bool TkvxXMLReader::ReadElement(TkvxXMLItem* item, bool loadAll, int depth) {
  if (depth > kvxMaxXMLDepth) Invalid();
  if (!ReadTag()) {
    endedByEof_ = true;
    return false;
  }
  if (name_.empty() || name_[0] == '/') return false;
  item->offset_ = tagPos_;
  if (name_.back() == '/') {
    name_.pop_back();
    item->Name = name_;
    item->Text = text_;
    return true;
  }
  item->Name = name_;
  item->Text = text_;
  if (!item->Text.empty() && item->Text.back() == '/') {
    item->Text.pop_back();
    return true;
  }
  std::uint64_t startTag = tagPos_;
  for (;;) {
    auto* child = new TkvxXMLItem;
    bool got;
    try {
      got = ReadElement(child, loadAll, depth + 1);
    } catch (...) {
      delete child;
      throw;
    }
    if (!got) {
      delete child;
      break;
    }
    child->parent_ = item;
    item->items_.push_back(child);
  }
  // Input that ends with this element still open is truncated, not complete.
  if (endedByEof_) Invalid();
  if (name_.size() != item->Name.size() + 1 || !kvxSameXMLName(std::string_view(name_).substr(1), item->Name))
    Invalid();
  size_t marker = FindMarker(item->Text);
  if (marker != String::npos) {
    item->Text.erase(marker, 7);
    // Loaded whole, the item stays unloadable: it may leave memory again and saves as it was.
    item->unloadable_ = true;
    if (!loadAll) {
      item->Clear();
      item->offset_ = startTag;
      item->unloadable_ = true;
      item->loaded_ = false;
      item->store_ = storeId_;
    }
  }
  return true;
}

}  // namespace orv
