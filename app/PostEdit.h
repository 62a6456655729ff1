#pragma once
// One change to the current record, posted whole or not at all.
#include <functional>

#include "platform/db/DB.h"

namespace orv {

// Puts dataSet in edit mode, runs change and posts. A change or post that fails is cancelled
// before the error goes on, so that no later post can carry half of it. A parish locked by
// another program, or a parish file replaced since it was opened, is told in Thai; the
// statement goes to standard error.
void PostEdit(TDataSet* dataSet, const std::function<void()>& change);

}  // namespace orv
