#pragma once
// Helpers shared by the script engine's tests.
#include <fstream>
#include <sstream>

#include "platform/rtl/Types.h"
#include "script/ILParser.h"
#include "script/XMLDocument.h"

namespace orv::test {

inline String ReadFile(const String& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const String& name, const String& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
}

// The dialect a file's extension names; empty for other files.
inline String DialectOf(const String& fileName) {
  const size_t dot = fileName.rfind('.');
  const String ext = dot == String::npos ? String() : fileName.substr(dot);
  if (ext == ".pas") return "PascalScript";
  if (ext == ".cxs") return "C++Script";
  if (ext == ".bas") return "BasicScript";
  if (ext == ".js") return "JScript";
  return {};
}

// The intermediate code as indented text with LF line ends, for comparing with expected files.
inline String ILText(const TsxXMLDocument& doc) {
  TsxXMLDocument copy;
  copy.Root()->Assign(doc.Root());
  copy.SetAutoIndent(true);
  String text = copy.SaveToString();
  String result;
  for (char c : text)
    if (c != '\r') result.push_back(c);
  return result;
}

// Drops positions and the grammar's type aliases, keeping what a construct means: the text of
// leaves and the unit of uses elements.
inline void StripPositions(TsxXMLItem& item) {
  const String text = item.Prop("text");
  const String unit = item.Prop("unit");
  item.SetText({});
  if (!text.empty()) item.SetProp("text", text);
  if (!unit.empty()) item.SetProp("unit", unit);
  for (int i = item.Count() - 1; i >= 0; --i) {
    if (item.Items(i)->Name() == "types") {
      TsxXMLItem dropped;
      dropped.AddItem(*item.Items(i));
    } else {
      StripPositions(*item.Items(i));
    }
  }
}

}  // namespace orv::test
