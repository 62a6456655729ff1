#include "report/model/XmlDocument.h"

#include "platform/rtl/FileUtils.h"

#include <cstdio>
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
  {
    TkvxXMLWriter writer([file](const char* data, size_t n) { file->Append(data, n); }, false, this);
    writer.WriteItem(item);
    writer.Flush();
  }
  item->offset_ = offset;
  item->store_ = kTempStore;
  item->Clear();
}

}  // namespace orv
