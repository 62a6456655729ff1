#pragma once
// The dialog binding module: the standard dialogs and the message, input-box and input-query
// functions, all answered through the one dialog service.
#include "script/ClassModel.h"

namespace orv {

class TsxDialogFunctions : public TsxRTTIModule {
 public:
  explicit TsxDialogFunctions(TsxScript* script);
};

}  // namespace orv
