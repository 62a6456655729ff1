#include "app/PostEdit.h"

#include <cstdio>

#include "app/ParishWriteFailure.h"

namespace orv {

void PostEdit(TDataSet* dataSet, const std::function<void()>& change) {
  dataSet->Edit();
  try {
    change();
    dataSet->Post();
  } catch (const EDatabaseError& e) {
    dataSet->Cancel();
    // The statement is for whoever looks into the fault; the office needs to know what happened
    // to what was typed.
    std::fprintf(stderr, "orvane: %s\n", e.Message().c_str());
    throw EParishWriteFailed(ParishWriteFailureText(e, ParishDatabaseFileOf(dataSet), FieldNotSaved));
  } catch (...) {
    dataSet->Cancel();
    throw;
  }
}

}  // namespace orv
