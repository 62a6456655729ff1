#pragma once
// The texts of a workbook's cells, each kept once: a register repeats the same names, places and
// priests in thousands of rows, and a cell then holds only the index of its text.
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"

namespace orv {

class SheetStrings {
 public:
  std::uint32_t Intern(std::string_view text);
  const String& operator[](std::uint32_t id) const { return texts_[id]; }
  std::uint32_t Count() const { return static_cast<std::uint32_t>(texts_.size()); }

 private:
  // An open-addressed table: every cell of an export looks its text up, and a probe that finds
  // its slot, the text's hash beside it, in one place costs far less than walking hash nodes.
  static constexpr std::uint32_t kFree = 0xFFFFFFFF;
  struct Slot {
    std::uint32_t Id = kFree;
    std::uint32_t Hash = 0;
  };
  void Grow();

  std::deque<String> texts_;  // a deque keeps the texts in place as it grows
  std::vector<Slot> slots_;   // a power of two, at most three quarters full
};

}  // namespace orv
