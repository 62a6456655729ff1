#pragma once
// The report binding module: what a report's script and expressions reach of the report
// library (its length constants, enumerations, classes with their extra members, the global
// variables and the date functions). Loading the library adds it to every script's bindings.
#include "script/ClassModel.h"

namespace orv {

class TkvxReportFunctions : public TsxRTTIModule {
 public:
  explicit TkvxReportFunctions(TsxScript* script);

 private:
  void AddConstants();
  void AddEnumerations();
  void AddObjectClasses();
  void AddReportClasses();
  void AddFunctions();
};

// Adds the module to the global list; idempotent. The library does it when it loads, so only
// programs that link the module statically without naming it need to call it.
void kvxAddReportBindings();

}  // namespace orv
