#pragma once
// TkvxXMLWriter: writes the header and items through a reused buffer flushed in large pieces.
#include <functional>
#include <string_view>

#include "report/model/XmlItem.h"

namespace orv {

class TkvxXMLDocument;

class TkvxXMLWriter {
 public:
  using Sink = std::function<void(const char* data, size_t count)>;
  // doc, when given, supplies the children of items that are unloaded at the moment.
  TkvxXMLWriter(Sink sink, bool autoIndent, TkvxXMLDocument* doc);
  ~TkvxXMLWriter();

  void WriteHeader();
  void WriteItem(TkvxXMLItem* item, int level = 0);
  void Flush();

 private:
  void WriteLn(std::string_view s);
  void EndLine();

  Sink sink_;
  bool autoIndent_;
  TkvxXMLDocument* doc_;
  String buf_;
};

}  // namespace orv
