#pragma once
// A dialog service for runs that nobody watches.
#include "platform/gui/ScriptedDialogService.h"

namespace orv {

// Every message box is written to the standard error, "caption: text", and answered with its
// first button; other dialogs and modal windows are cancelled.
class TUnattendedDialogService : public TScriptedDialogService {
 public:
  int ShowMessageBox(const TMessageBoxRequest& Request) override;
  bool Unattended() const override { return true; }
};

}  // namespace orv
