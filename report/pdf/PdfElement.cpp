#include "report/pdf/PdfElement.h"

namespace orv {

void TkvxPDFElement::SaveToStream(TStream& stream) { Offset = stream.Position(); }

void TkvxPDFElement::Write(TStream& stream, std::string_view s) {
  stream.WriteBuffer(s.data(), static_cast<Int64>(s.size()));
}

void TkvxPDFElement::WriteLn(TStream& stream, std::string_view s) {
  Write(stream, s);
  stream.WriteBuffer("\r\n", 2);
}

TkvxPDFOutlineNode::~TkvxPDFOutlineNode() {
  // A long sibling chain is freed in a loop, not by recursion one frame per bookmark.
  std::unique_ptr<TkvxPDFOutlineNode> next = std::move(Next);
  while (next) next = std::move(next->Next);
}

}  // namespace orv
