#pragma once
// The base of the PDF writer's objects and the nodes of the bookmark tree.
#include <memory>
#include <string_view>

#include "platform/rtl/Streams.h"

namespace orv {

// Something written into the PDF file as one or more objects; remembers where it began.
class TkvxPDFElement {
 public:
  TkvxPDFElement() = default;
  virtual ~TkvxPDFElement() = default;

  // Records Offset; descendants call it first and then write their objects.
  virtual void SaveToStream(TStream& stream);

  // Every line of PDF syntax the writer produces ends in CR LF.
  static void Write(TStream& stream, std::string_view s);
  static void WriteLn(TStream& stream, std::string_view s);

  Int64 Offset = 0;
  int Index = 0;
};

// One bookmark. A node owns its next sibling and its first child, so freeing the root frees
// the whole tree; the links back (Prev, Parent, Last) are not owning.
struct TkvxPDFOutlineNode {
  ~TkvxPDFOutlineNode();

  int Number = 0;
  // The prepared page the bookmark points at, counted from 0; -1 marks the root.
  int Page = -1;
  // Pixels from the top of that page.
  int Top = 0;
  int Descendants = 0;
  int Count = 0;
  String Title;
  TkvxPDFOutlineNode* Last = nullptr;
  std::unique_ptr<TkvxPDFOutlineNode> Next;
  TkvxPDFOutlineNode* Parent = nullptr;
  TkvxPDFOutlineNode* Prev = nullptr;
  std::unique_ptr<TkvxPDFOutlineNode> First;
};

}  // namespace orv
