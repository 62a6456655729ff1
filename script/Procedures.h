#pragma once
// Script routines: a procedure or function owns a scope of its own for its parameters and
// locals. Locals keep their values between calls; a recursive call saves and restores them.
#include <memory>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "script/ScriptItems.h"

namespace orv {

ORV_DECLARE_EXCEPTION(EStackOverflow, EExternal);

class TsxProcVariable final : public TsxCustomVariable {
 public:
  TsxProcVariable(const String& name, TsxVarType typ, const String& typeName,
                  TsxScript* parentScript, bool isFunc);
  ~TsxProcVariable() override;
  // Runs the routine with the values its parameters hold; a function's Result.
  Variant GetValue() override;

  // Copies the values of the routine's variables and parameters aside (before a recursive
  // call) and puts them back.
  void SaveLocals();
  void RestoreLocals();

  bool Executing = false;
  bool IsFunc;
  std::unique_ptr<TsxScript> Program;

 private:
  void CollectLocals();
  std::vector<TsxCustomVariable*> locals_;
  int localsSeen_ = -1;
  std::vector<Variant> saved_;
};

// Raises "Stack overflow" when the native stack is nearly used up, so that runaway recursion
// in a script stops with a script error instead of a crash.
void sxCheckStack();

}  // namespace orv
