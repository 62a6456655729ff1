#pragma once
// One change to the current record, posted whole or not at all.
#include <functional>

#include "platform/db/DB.h"

namespace orv {

// Puts dataSet in edit mode, runs change and posts. A change or post that fails is cancelled
// before the error goes on, so that no later post can carry half of it. A write the database
// refused (locked, read-only, full, the record gone, the file replaced) goes on as EParishWriteFailed, saying in
// Thai that the field was not saved and why; the statement goes to standard error.
void PostEdit(TDataSet* dataSet, const std::function<void()>& change);

}  // namespace orv
