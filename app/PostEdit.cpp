#include "app/PostEdit.h"

namespace orv {

void PostEdit(TDataSet* dataSet, const std::function<void()>& change) {
  dataSet->Edit();
  try {
    change();
    dataSet->Post();
  } catch (...) {
    dataSet->Cancel();
    throw;
  }
}

}  // namespace orv
