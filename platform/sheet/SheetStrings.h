#pragma once
// The texts of a workbook's cells, each kept once: a register repeats the same names, places and
// priests in thousands of rows, and a cell then holds only the index of its text.
#include <deque>
#include <string_view>
#include <unordered_map>

#include "platform/rtl/Types.h"

namespace orv {

class SheetStrings {
 public:
  std::uint32_t Intern(std::string_view text);
  const String& operator[](std::uint32_t id) const { return texts_[id]; }

 private:
  std::deque<String> texts_;  // a deque keeps the viewed texts in place as it grows
  std::unordered_map<std::string_view, std::uint32_t> ids_;
};

}  // namespace orv
