#include "app/ComboSaving.h"

#include "app/ParishWriteFailure.h"
#include "platform/gui/Application.h"

namespace orv {

bool TComboSaving::Wanted(TComboBox* combo, const String& stored, bool byEnter) {
  if (refused_ == combo && !byEnter) return false;
  if (combo->Text() != stored) return true;
  refused_ = nullptr;
  return false;
}

void TComboSaving::Write(TComboBox* combo, const std::function<void()>& write) {
  try {
    write();
  } catch (const EParishWriteFailed&) {
    refused_ = combo;
    // The keys are still on their way to the combo box; the box would take them.
    Application->ProcessMessages();
    throw;
  }
  refused_ = nullptr;
}

}  // namespace orv
