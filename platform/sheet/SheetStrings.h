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
  // The text's index; each call counts one more cell holding it.
  std::uint32_t Intern(std::string_view text);
  // One cell fewer holds the text: a row sent to the spool takes its texts along, and a text no
  // cell in the memory holds any more is forgotten, its index free for another. Without that
  // the texts of a hundred thousand exported members would all stay.
  void Release(std::uint32_t id);
  // Whether a text on its way to the spool stays shared by its index: one that another cell in
  // the memory holds too is a repeated value (a religion, a church, a district) and is kept for
  // good, up to a bound, so that the workbook names it once; any other goes along in full.
  bool KeepShared(std::uint32_t id);

  // A text of a row read back from the spool for one visit: valid until ClearTransient.
  std::uint32_t Transient(std::string_view text);
  void ClearTransient() { transient_.clear(); }
  static bool IsTransient(std::uint32_t id) { return (id & kTransientBit) != 0; }

  const String& operator[](std::uint32_t id) const {
    return IsTransient(id) ? transient_[id & ~kTransientBit] : texts_[id];
  }
  // One more than the highest index of a kept text.
  std::uint32_t Count() const { return static_cast<std::uint32_t>(texts_.size()); }

 private:
  // An open-addressed table: every cell of an export looks its text up, and a probe that finds
  // its slot, the text's hash beside it, in one place costs far less than walking hash nodes.
  static constexpr std::uint32_t kFree = 0xFFFFFFFF;
  static constexpr std::uint32_t kTransientBit = 0x80000000;
  struct Slot {
    std::uint32_t Id = kFree;
    std::uint32_t Hash = 0;
  };
  void Grow();

  std::deque<String> texts_;         // a deque keeps the texts in place as it grows
  std::vector<std::uint32_t> uses_;  // cells holding each text; the highest count sticks
  std::vector<std::uint32_t> free_;  // indexes of forgotten texts
  std::uint32_t kept_ = 0;           // texts kept for good by KeepShared
  std::vector<Slot> slots_;          // a power of two, at most three quarters full
  std::vector<String> transient_;
};

}  // namespace orv
