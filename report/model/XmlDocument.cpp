#include "report/model/XmlDocument.h"

#include "platform/rtl/FileUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/rtl/TextUtils.h"
#include "report/model/LegacyText.h"
#include "report/model/XmlBacking.h"
#include "report/model/XmlReader.h"
#include "report/model/XmlWriter.h"

namespace orv {

namespace {

constexpr std::uint8_t kLoadedStore = 1;
constexpr std::uint8_t kTempStore = 2;

// Text of an old file in the Thai code page becomes UTF-8; in a file of UTF-8, a stray byte
// spoils only itself. No byte is lost: an old password is stored as bytes that need not be
// letters.
void Recode874(String& text) {
  if (!IsValidUtf8(text)) text = kvxFileText(text);
}

void Recode874(TkvxXMLItem* item) {
  Recode874(item->Name);
  Recode874(item->Text);
  for (Integer i = 0; i < item->Count(); ++i) Recode874(item->Items(i));
}

// The children of an item unloaded into the document's temporary file are kept there in a form
// of the file's own, which nothing else reads: each child's flags, name and attribute text with
// their lengths, then its children, counted. Read back, texts are copied, not parsed and
// unescaped. Lengths and counts are in the machine's order: the file lives and dies with the
// process that wrote it.
constexpr char kStoredUnloadable = 1;
// Flags, name length, text length and child count.
constexpr size_t kStoredItemSize = 1 + 3 * sizeof(std::uint32_t);

void PutCount(String& out, size_t n) {
  if (n > UINT32_MAX) throw TkvxInvalidXMLException("Invalid file format");
  const auto v = static_cast<std::uint32_t>(n);
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void PutText(String& out, const String& text) {
  PutCount(out, text.size());
  out += text;
}

// An unloaded descendant is brought back for the write and let go again, as the XML writer does.
void PutChildren(TkvxXMLDocument& doc, TkvxXMLItem* item, String& out) {
  PutCount(out, static_cast<size_t>(item->Count()));
  for (Integer i = 0; i < item->Count(); ++i) {
    TkvxXMLItem* child = item->Items(i);
    const bool reload = child->Unloadable() && !child->Loaded();
    if (reload) doc.LoadItem(child);
    out += child->Unloadable() ? kStoredUnloadable : '\0';
    PutText(out, child->Name);
    PutText(out, child->Text);
    PutChildren(doc, child, out);
    if (reload) child->Clear();
  }
}

// Reads what PutChildren wrote; whatever does not fit the bytes is an invalid file.
class TStoredReader {
 public:
  explicit TStoredReader(std::string_view bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

  void Children(TkvxXMLItem* item, int depth) {
    if (depth > kvxMaxXMLDepth) Invalid();
    const size_t count = Count();
    if (count > Left() / kStoredItemSize) Invalid();
    for (size_t i = 0; i < count; ++i) {
      if (Left() < 1) Invalid();
      const char flags = *p_++;
      TkvxXMLItem* child = item->Add();
      Text(child->Name);
      Text(child->Text);
      if (flags & kStoredUnloadable) child->SetUnloadable(true);
      Children(child, depth + 1);
    }
  }
  bool AtEnd() const { return p_ == end_; }

 private:
  [[noreturn]] static void Invalid() { throw TkvxInvalidXMLException("Invalid file format"); }
  size_t Left() const { return static_cast<size_t>(end_ - p_); }
  size_t Count() {
    std::uint32_t v;
    if (Left() < sizeof v) Invalid();
    std::memcpy(&v, p_, sizeof v);
    p_ += sizeof v;
    return v;
  }
  void Text(String& text) {
    const size_t n = Count();
    if (n > Left()) Invalid();
    text.assign(p_, n);
    p_ += n;
  }

  const char* p_;
  const char* end_;
};

}  // namespace

TkvxXMLDocument::TkvxXMLDocument() : root_(std::make_unique<TkvxXMLItem>()) {}

TkvxXMLDocument::~TkvxXMLDocument() { root_.reset(); }

void TkvxXMLDocument::Clear() {
  root_->Clear();
  loaded_.reset();
  temp_.reset();
}

void TkvxXMLDocument::LoadFromStream(TStream* stream, bool allowPartialLoading) {
  loaded_.reset();
  temp_.reset();
  root_->Clear();
  root_->Name.clear();
  root_->Text.clear();
  auto backing = std::make_unique<TkvxStreamBacking>(stream, allowPartialLoading);
  std::uint64_t start = static_cast<std::uint64_t>(stream->Position());
  TkvxXMLReader reader(*backing, start, kLoadedStore);
  try {
    OldVersion = reader.ReadHeader();
    // A document without its root element is as malformed as one cut inside it.
    if (!reader.ReadElement(root_.get(), !allowPartialLoading)) throw TkvxInvalidXMLException("Invalid file format");
  } catch (...) {
    root_->Clear();
    if (!allowPartialLoading) stream->SetPosition(static_cast<Int64>(reader.Position()));
    throw;
  }
  stream->SetPosition(static_cast<Int64>(reader.Position()));
  if (!reader.ValidUtf8()) {
    backing->Legacy874 = true;
    Recode874(root_.get());
  }
  if (allowPartialLoading) loaded_ = std::move(backing);
}

void TkvxXMLDocument::SaveToStream(TStream& stream) {
  TkvxXMLWriter writer([&stream](const char* data, size_t n) { stream.WriteBuffer(data, static_cast<Int64>(n)); },
                       AutoIndent, this);
  writer.WriteHeader();
  writer.WriteItem(root_.get());
  writer.Flush();
}

void TkvxXMLDocument::LoadFromFile(const String& fileName, bool allowPartialLoading) {
  if (allowPartialLoading) {
    LoadFromStream(new TFileStream(fileName, fmOpenRead | fmShareDenyWrite), true);
  } else {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream, false);
  }
}

void TkvxXMLDocument::SaveToFile(const String& fileName) {
  SafeWriteFile(fileName, [this](const String& temp) {
    TFileStream stream(temp, fmCreate);
    SaveToStream(stream);
  });
}

void TkvxXMLDocument::LoadItem(TkvxXMLItem* item) {
  if (!item->Unloadable() || item->Loaded()) return;
  TkvxXMLBacking* store = item->store_ == kTempStore ? temp_.get() : loaded_.get();
  if (!store) return;
  if (item->store_ == kTempStore) {
    std::uint64_t size = 0;
    const std::uint64_t at = item->offset_ + sizeof size;
    if (store->ReadAt(item->offset_, reinterpret_cast<char*>(&size), sizeof size) != sizeof size ||
        size > store->Size() - std::min(at, store->Size()))
      throw TkvxInvalidXMLException("Invalid file format");
    String bytes(static_cast<size_t>(size), '\0');
    if (store->ReadAt(at, bytes.data(), bytes.size()) != bytes.size())
      throw TkvxInvalidXMLException("Invalid file format");
    try {
      TStoredReader reader(bytes);
      reader.Children(item, 0);
      if (!reader.AtEnd()) throw TkvxInvalidXMLException("Invalid file format");
    } catch (...) {
      item->Clear();
      throw;
    }
    item->loaded_ = true;
    item->stored_ = true;
    return;
  }
  String text = item->Text;
  TkvxXMLReader reader(*store, item->offset_, item->store_, false);
  std::uint64_t offset = item->offset_;
  reader.ReadElement(item, true);
  if (store->Legacy874)
    for (Integer i = 0; i < item->Count(); ++i) Recode874(item->Items(i));
  item->Text = std::move(text);
  item->offset_ = offset;
  item->loaded_ = true;
  item->stored_ = true;
}

void TkvxXMLDocument::UnloadItem(TkvxXMLItem* item) {
  if (!item->Loaded() || !item->Unloadable()) return;
  // Read back and unchanged since: the store still holds the same children.
  if (item->stored_) {
    item->Clear();
    return;
  }
  if (!temp_) temp_ = std::make_unique<TkvxTempFileBacking>(TempDir);
  auto* file = static_cast<TkvxTempFileBacking*>(temp_.get());
  std::uint64_t offset = file->Size();
  unloaded_.assign(sizeof(std::uint64_t), '\0');
  PutChildren(*this, item, unloaded_);
  const std::uint64_t size = unloaded_.size() - sizeof size;
  std::memcpy(unloaded_.data(), &size, sizeof size);
  file->Append(unloaded_.data(), unloaded_.size());
  item->offset_ = offset;
  item->store_ = kTempStore;
  item->Clear();
}

}  // namespace orv
