#pragma once
// Script routines: a procedure or function owns a scope of its own for its parameters and
// locals. Locals keep their values between calls; a recursive call saves and restores them.
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "script/Script.h"
#include "script/ScriptItems.h"
#include "script/Statements.h"

namespace orv {

ORV_DECLARE_EXCEPTION(EStackOverflow, EExternal);

class TsxProcVariable final : public TsxCustomVariable {
 public:
  TsxProcVariable(const String& name, TsxVarType typ, const String& typeName,
                  TsxScript* parentScript, bool isFunc);
  ~TsxProcVariable() override;
  // Runs the routine with the values its parameters hold; a function's Result.
  Variant GetValue() override { return Run(); }
  // GetValue without the virtual call, for the interpreter's own routine calls.
  Variant Run();
  Variant RunRecursion();

  // Copies the values of the routine's variables and parameters aside (before a recursive
  // call) and puts them back. The set of locals is fixed at the first recursive call: a
  // variable the run adds later to the routine's scope (an exception handler's, when the
  // built-ins are missing) stays out of it, so that every level gets back what it set aside.
  void SaveLocals() {
    if (!localsCollected_) CollectLocals();
    const size_t n = localsCount_;
    if (savedCount_ + n > savedCapacity_) GrowSaved(n);
    Variant* top = saved_.get() + savedCount_;
    Variant* const* from = locals_.data();
    for (size_t i = 0; i < n; ++i) new (top + i) Variant(*from[i]);
    savedCount_ += n;
  }
  // Before a recursive call whose arguments are worked out already (args, one per parameter):
  // the caller's parameters and Result move aside, since the call gives them new values; the
  // other locals are copied, since the call starts from them. The arguments move into the
  // parameters and are left empty.
  void EnterRecursion(Variant* args) {
    if (oneParam_ && savedCount_ + 2 <= savedCapacity_) {
      // One parameter and Result, the shape of most recursive functions, without the loops.
      Variant* const top = saved_.get() + savedCount_;
      savedCount_ += 2;
      Variant* const param = oneParam_;
      Variant* const value = oneResult_;
      Variant::Relocate(top, *param);
      Variant::Relocate(top + 1, *value);
      Variant::Relocate(param, *args);
      new (args) Variant();
      new (value) Variant();
      return;
    }
    if (!localsCollected_) CollectLocals();
    // Members read once: the stores below could otherwise alias them.
    const size_t n = localsCount_;
    const size_t params = paramSlots_;
    const bool result = resultSlot_;
    if (savedCount_ + n > savedCapacity_) GrowSaved(n);
    Variant* const top = saved_.get() + savedCount_;
    savedCount_ += n;
    Variant* const* const slot = locals_.data();
    size_t i = 0;
    for (; i < params; ++i) {
      Variant* const s = slot[i];
      Variant::Relocate(top + i, *s);
      Variant::Relocate(s, args[i]);
      new (&args[i]) Variant();
    }
    if (result) {
      Variant* const s = slot[i];
      Variant::Relocate(top + i, *s);
      new (s) Variant();
      ++i;
    }
    for (; i < n; ++i) new (top + i) Variant(*slot[i]);
  }
  void RestoreLocals() {
    if (oneParam_) {
      savedCount_ -= 2;
      Variant* const top = saved_.get() + savedCount_;
      Variant* const first = oneParam_;
      Variant* const second = oneResult_;
      first->~Variant();
      Variant::Relocate(first, top[0]);
      second->~Variant();
      Variant::Relocate(second, top[1]);
      return;
    }
    const size_t n = localsCount_;
    savedCount_ -= n;
    Variant* const top = saved_.get() + savedCount_;
    Variant* const* const to = locals_.data();
    for (size_t i = 0; i < n; ++i) {
      // The value set aside moves back as its bytes (as GrowSaved moves them); the raw storage
      // it leaves is reused without being destroyed.
      Variant* const s = to[i];
      s->~Variant();
      Variant::Relocate(s, top[i]);
    }
  }

  bool Executing = false;
  bool IsFunc;
  // The function names its result type; an untyped one (the only kind JScript has) may serve
  // as an event handler, a typed one may not.
  bool TypedResult = false;
  std::unique_ptr<TsxScript> Program;

 private:
  void CollectLocals();
  // Where the values of the routine's variables and parameters lie: the parameters in their
  // order first, then Result, then the other locals.
  std::vector<Variant*> locals_;
  size_t paramSlots_ = 0;
  bool resultSlot_ = false;
  // Where the parameter and Result lie when they are all the locals, else nullptr.
  Variant* oneParam_ = nullptr;
  Variant* oneResult_ = nullptr;
  bool localsCollected_ = false;
  size_t localsCount_ = 0;
  // A stack of the values set aside, one group per recursive call still running; raw storage,
  // so that setting a group aside costs one copy per value.
  void GrowSaved(size_t more);
  struct FreeStorage {
    void operator()(Variant* p) const { ::operator delete(p); }
  };
  std::unique_ptr<Variant, FreeStorage> saved_;
  size_t savedCount_ = 0;
  size_t savedCapacity_ = 0;
};

// Puts back the locals a routine set aside when the scope ends, also when an exception passes;
// nothing for a null routine. Setting Proc to null after putting them back early hands over.
struct TsxLocalsRestore {
  TsxProcVariable* Proc;
  ~TsxLocalsRestore() {
    if (Proc) Proc->RestoreLocals();
  }
};

namespace detail {
// The lowest address this thread's stack may reach before a script call is refused; the
// highest address until it is first computed, so that the first check computes it.
inline thread_local std::uintptr_t sxStackLimit = UINTPTR_MAX;
void sxCheckStackLimit();
// The most calls of one routine that may wait for a recursive call of it to return; bounded
// apart from the native stack, so that the values set aside for them stay bounded too.
inline constexpr size_t kMaxRecursion = 100000;
}  // namespace detail

// Raises "Stack overflow" when the native stack is nearly used up, so that runaway recursion
// in a script stops with a script error instead of a crash. Inline: every script call checks.
inline void sxCheckStack() {
  // The address of a local rather than the frame's: asking for the frame address would keep a
  // register from every routine call for the frame pointer.
  char here;
  if (reinterpret_cast<std::uintptr_t>(&here) < detail::sxStackLimit) [[unlikely]]
    detail::sxCheckStackLimit();
}

// Defined here so that a routine call runs the body without a further call of its own.
inline Variant TsxProcVariable::Run() {
  sxCheckStack();
  // No step of its own: the routine's statements count theirs, and a routine without
  // statements cannot call itself.
  TsxScript& program = *Program;
  const bool wasExecuting = Executing;
  Executing = true;
  if (RefItem && !RefItem->Value.IsEmpty()) RefItem->Value = Variant();
  // Break and continue are never pending when a call starts; all four flags clear in one store.
  program.ClearJumps();
  program.IsRunning = true;
  struct Reset {
    TsxProcVariable* proc;
    bool was;
    ~Reset() {
      TsxScript& p = *proc->Program;
      p.ClearJumps();
      p.IsRunning = was;
      proc->Executing = was;
    }
  } reset{this, wasExecuting};
  program.MainStatement().RunItems();
  // Result is emptied on every entry, so its value is handed over rather than shared.
  return RefItem ? std::move(RefItem->Value) : Null();
}

// Run for a call made after EnterRecursion: the routine runs already, so Executing and its
// scope's IsRunning are set and stay set, and Result is empty.
inline Variant TsxProcVariable::RunRecursion() {
  sxCheckStack();
  TsxScript& program = *Program;
  // Break and continue are never pending when a call starts; all four flags clear in one store.
  program.ClearJumps();
  struct Reset {
    TsxScript& p;
    ~Reset() { p.ClearJumps(); }
  } reset{program};
  program.MainStatement().RunItems();
  return RefItem ? std::move(RefItem->Value) : Null();
}

}  // namespace orv
