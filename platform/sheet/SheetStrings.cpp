#include "platform/sheet/SheetStrings.h"

namespace orv {

std::uint32_t SheetStrings::Intern(std::string_view text) {
  auto it = ids_.find(text);
  if (it != ids_.end()) return it->second;
  auto id = static_cast<std::uint32_t>(texts_.size());
  texts_.emplace_back(text);
  ids_.emplace(texts_.back(), id);
  return id;
}

}  // namespace orv
