#include "report/model/XmlWriter.h"

#include "report/model/XmlDocument.h"
#include "report/model/XmlEscape.h"

namespace orv {

namespace {
constexpr size_t kFlushAt = 1 << 16;
}

TkvxXMLWriter::TkvxXMLWriter(Sink sink, bool autoIndent, TkvxXMLDocument* doc)
    : sink_(std::move(sink)), autoIndent_(autoIndent), doc_(doc) {
  buf_.reserve(kFlushAt + 4096);
}

TkvxXMLWriter::~TkvxXMLWriter() = default;

void TkvxXMLWriter::Flush() {
  if (!buf_.empty()) sink_(buf_.data(), buf_.size());
  buf_.clear();
}

void TkvxXMLWriter::EndLine() {
  if (autoIndent_) buf_ += "\r\n";
  if (buf_.size() > kFlushAt) Flush();
}

void TkvxXMLWriter::WriteLn(std::string_view s) {
  buf_.append(s);
  EndLine();
}

void TkvxXMLWriter::WriteHeader() { WriteLn("<?xml version=\"1.0\" encoding=\"utf-8\"?>"); }

void TkvxXMLWriter::WriteItem(TkvxXMLItem* item, int level) {
  // An unloaded item is brought back for the write and let go again, so the whole tree is
  // always written.
  bool reload = item->Unloadable() && !item->Loaded() && doc_;
  if (reload) doc_->LoadItem(item);
  if (autoIndent_) buf_.append(static_cast<size_t>(level), ' ');
  buf_ += '<';
  buf_ += item->Name;
  if (!item->Text.empty() || item->Unloadable()) {
    if (item->Text.empty() || item->Text[0] != ' ') buf_ += ' ';
    buf_ += item->Text;
    if (item->Unloadable()) buf_ += " ld=\"0\"";
  }
  if (item->Count() > 0) {
    buf_ += '>';
    EndLine();
    int childLevel = autoIndent_ ? level + 2 : 0;
    for (Integer i = 0; i < item->Count(); ++i) WriteItem(item->Items(i), childLevel);
    if (autoIndent_) buf_.append(static_cast<size_t>(level), ' ');
    buf_ += "</";
    buf_ += item->Name;
    buf_ += '>';
  } else if (!item->Value.empty()) {
    buf_ += '>';
    kvxAppendXML(buf_, item->Value);
    buf_ += "</";
    buf_ += item->Name;
    buf_ += '>';
  } else {
    buf_ += "/>";
  }
  EndLine();
  if (reload) item->Clear();
}

}  // namespace orv
