#pragma once
// The ini-file binding module: TCustomIniFile, TMemIniFile and TIniFile for scripts.
#include "script/ClassModel.h"

namespace orv {

class TsxIniFileFunctions : public TsxRTTIModule {
 public:
  explicit TsxIniFileFunctions(TsxScript* script);
};

}  // namespace orv
