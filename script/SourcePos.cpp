#include "script/SourcePos.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace orv {

namespace {

// A number as the parser writes one into a position: digits, no leading zero, small enough
// for an int; -1 for anything else.
int PlainNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 9 || (digits[0] == '0' && digits.size() > 1)) return -1;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

TsxSourcePos::TsxSourcePos(const String& text) {
  if (text.empty()) return;
  const size_t colon = text.find(':');
  if (colon != String::npos) {
    const std::string_view all(text);
    const int row = PlainNumber(all.substr(0, colon));
    const int col = PlainNumber(all.substr(colon + 1));
    if (row >= 0 && col >= 0) {
      row_ = row;
      col_ = col;
      return;
    }
  }
  text_ = std::make_unique<const String>(text);
}

TsxSourcePos::TsxSourcePos(const TsxSourcePos& other)
    : row_(other.row_), col_(other.col_), text_(other.text_ ? std::make_unique<const String>(*other.text_) : nullptr) {}

TsxSourcePos& TsxSourcePos::operator=(const TsxSourcePos& other) {
  if (this != &other) *this = TsxSourcePos(other);
  return *this;
}

TsxSourcePos::~TsxSourcePos() = default;

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
