#include "script/SourcePos.h"

#include <algorithm>
#include <string>

namespace orv {

TsxSourcePos::TsxSourcePos(const String& text) {
  if (!text.empty()) text_ = std::make_shared<const String>(text);
}

String TsxSourcePos::ToString() const {
  if (text_) return *text_;
  if (row_ < 0) return {};
  // The parser writes a negative number as 0.
  String out = std::to_string(std::max(row_, 0));
  out += ':';
  out += std::to_string(std::max(col_, 0));
  return out;
}

}  // namespace orv
