#include "platform/gui/UnattendedDialogService.h"

#include <cstdio>

namespace orv {

int TUnattendedDialogService::ShowMessageBox(const TMessageBoxRequest& Request) {
  std::fprintf(stderr, "%s: %s\n", Request.Caption.c_str(), Request.Text.c_str());
  return TScriptedDialogService::ShowMessageBox(Request);
}

}  // namespace orv
