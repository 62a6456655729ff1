#pragma once
// Published properties by name through a hash table per class: reading a report or a prepared
// page looks up every attribute, and a scan of the property list per attribute would dominate.
#include <string_view>

#include "platform/rtl/TypInfo.h"

namespace orv {

// Case-blind; nullptr when the class has no such property.
const TPropInfo* kvxFindProp(TClass cls, std::string_view name);

}  // namespace orv
