#include "platform/sheet/SheetStyle.h"

namespace orv {

SheetStyleTable::SheetStyleTable() { Intern(SheetStyle()); }

std::uint32_t SheetStyleTable::Intern(const SheetStyle& style) {
  auto [it, added] = ids_.try_emplace(style, Count());
  if (added) styles_.push_back(style);
  return it->second;
}

}  // namespace orv
