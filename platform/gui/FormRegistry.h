#pragma once
// Private to platform/gui: the forms that exist, in the order they were made.
#include <vector>

namespace orv {

class TCustomForm;
std::vector<TCustomForm*>& AllForms();

}  // namespace orv
