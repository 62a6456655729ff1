#pragma once
// The built-in binding module: base type names, constants, the indexing helpers, the exception
// variables and the built-in functions every script gets from AddRTTI.
#include "script/ClassModel.h"

namespace orv {

class TsxScript;

class TsxSysFunctions : public TsxRTTIModule {
 public:
  explicit TsxSysFunctions(TsxScript* script);

 private:
  void AddTypesAndConstants();
  void AddConversions();
  void AddFormatting();
  void AddDates();
  void AddStrings();
  void AddMath();
  void AddOther();
};

}  // namespace orv
