#include "script/Statements.h"

#include "platform/rtl/Exceptions.h"
#include "script/Designator.h"
#include "script/Expression.h"
#include "script/Procedures.h"
#include "script/Script.h"

namespace orv {

TsxStatement::TsxStatement(TsxScript* program, const String& unitName, TsxSourcePos sourcePos)
    : Program(program), SourcePos(std::move(sourcePos)), unitName_(program->SharedUnitName(unitName)) {}

const String& TsxStatement::UnitName() const {
  return unitName_ ? *unitName_ : sxNoText();
}

TsxStatement::~TsxStatement() = default;

TsxStatement* TsxStatement::Add(std::unique_ptr<TsxStatement> statement) {
  Items.push_back(std::move(statement));
  return Items.back().get();
}

// Every statement starts here: kept inline so the count and the line check cost no call.
[[gnu::always_inline]] inline bool TsxStatement::Report() {
  TsxScript& p = *Program;
  p.Step();
  if (TsxRunLineEvent::AnySet()) [[unlikely]] TellLine();
  return !p.Terminated;
}

// Apart from Report: the position's text is made here, so that the statements' own code
// carries nothing of it.
[[gnu::noinline, gnu::cold]] void TsxStatement::TellLine() {
  for (TsxScript* s = Program; s; s = s->Parent()) {
    if (s->OnRunLine) {
      Program->RunLine(UnitName(), SourcePos.ToString());
      break;
    }
  }
}

namespace {

// Ends a loop round: True when the loop is to stop.
inline bool LoopStops(TsxScript& p) {
  if (p.BreakCalled || p.ExitCalled) return true;
  p.ContinueCalled = false;
  return false;
}

// A variable or parameter whose value may be read in place (no host hook asks for it).
inline bool IsPlainVariable(const TsxCustomVariable& var) {
  return (var.Kind == TsxItemKind::Variable || var.Kind == TsxItemKind::Param) && !var.Hooked();
}

// Whether a value may be stored in the variable as it is, without SetValue's conversion.
inline bool StoresAsIs(const TsxCustomVariable& var, const Variant& v) {
  switch (var.Typ) {
    case fvtVariant: return var.Kind == TsxItemKind::Param || var.Kind == TsxItemKind::Variable;
    case fvtInt: return var.Kind == TsxItemKind::Variable && v.VType() == varInteger;
    case fvtFloat: return var.Kind == TsxItemKind::Variable && v.VType() == varDouble;
    case fvtBool: return var.Kind == TsxItemKind::Variable && v.VType() == varBoolean;
    default: return false;
  }
}

// Whether the variable stores a text joined to the one it holds as it is.
inline bool KeepsJoinedText(const TsxCustomVariable& var) {
  if (var.Hooked() || var.IsReadOnly) return false;
  return var.Kind == TsxItemKind::StringVariable ||
         ((var.Kind == TsxItemKind::Variable || var.Kind == TsxItemKind::Param) && var.Typ == fvtVariant);
}

// Whether s := s + right may append to the text s holds: both are texts and the variable would
// store the joined text as it is.
inline bool AppendsInPlace(const TsxCustomVariable& var, const Variant& right) {
  return var.Value.VType() == varString && right.VType() == varString && KeepsJoinedText(var);
}

// The value of a sum or difference of two calls of script routines, the left one first.
[[gnu::always_inline]] inline Variant CallsValue(const TsxExpressionNode& n) {
  const Variant l = n.Left->Dsg->GetValue();
  return sxAddOrSub(l, n.Right->Dsg->GetValue(), n.Op == TsxOpKind::Plus);
}

}  // namespace

// Assignments.

TsxAssignmentStmt::TsxAssignmentStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos)
    : TsxStatement(program, unitName, std::move(sourcePos)) {
  StatementKind = TsxStatementKind::Assignment;
}

TsxAssignmentStmt::~TsxAssignmentStmt() = default;

const TsxCustomVariable& TsxAssignmentStmt::Target() const {
  if (Designator) return *Designator;
  return *target_;
}

void TsxAssignmentStmt::Optimize(std::unique_ptr<TsxExpressionNode> source, String typeName) {
  if (Designator) {
    target_ = Designator->PlainVariable();
    if (target_) Designator.reset();
  }
  // The expression's type is the whole source's, also when the target drops out of it.
  const TsxVarType typ = source->Typ;
  const bool readOnly = TsxExpression::ReadOnlyRoot(*source);
  if (Op == ' ' && target_ && KeepsJoinedText(*target_)) {
    // s := s + a + b ...: the operands are kept apart, to be appended to s where it lies.
    std::vector<TsxExpressionNode*> sums;
    TsxExpressionNode* first = source.get();
    for (; first->Op == TsxOpKind::Plus && !first->CallOperands; first = first->Left.get()) sums.push_back(first);
    if (sums.size() >= 2 && first->Op == TsxOpKind::Var && first->Item == target_) {
      for (size_t i = sums.size(); i-- > 0;) appends_.push_back(std::move(sums[i]->Right));
      Op = '+';
      return;
    }
  }
  if (Op == ' ') Op = TsxExpression::Optimize(source, target_);
  // A variable that stores a whole number as it is (a parameter stores anything as it is),
  // stepped by a variable or a constant.
  wholeStep_ = target_ && (Op == '+' || Op == '-') && source->Ref && !target_->IsReadOnly &&
               (target_->Kind == TsxItemKind::Param ||
                (target_->Kind == TsxItemKind::Variable && (target_->Typ == fvtInt || target_->Typ == fvtVariant)));
  if (target_ && !target_->IsReadOnly) {
    const bool variable = target_->Kind == TsxItemKind::Variable;
    keepsAny_ = target_->Typ == fvtVariant && (variable || target_->Kind == TsxItemKind::Param);
    if (variable && target_->Typ == fvtInt) keeps_ = varInteger;
    if (variable && target_->Typ == fvtFloat) keeps_ = varDouble;
    if (variable && target_->Typ == fvtBool) keeps_ = varBoolean;
  }
  numberStore_ = target_ && Op == ' ' && source->Numeric && !target_->IsReadOnly &&
                 (target_->Kind == TsxItemKind::Param ||
                  (target_->Kind == TsxItemKind::Variable &&
                   (target_->Typ == fvtInt || target_->Typ == fvtFloat || target_->Typ == fvtVariant)));
  if (target_ && source->Op == TsxOpKind::Const) {
    constant_ = std::move(source->Value);
    source_ = &constant_;
    return;
  }
  if (target_ && source->Op == TsxOpKind::Var) {
    source_ = &source->Item->Value;
    return;
  }
  Expression = std::make_unique<TsxExpression>(Program);
  Expression->Root = std::move(source);
  Expression->Typ = typ;
  Expression->SetTypeName(std::move(typeName));
  Expression->IsReadOnly = readOnly;
}


void TsxAssignmentStmt::StoreAppends() {
  const bool plain = IsPlainVariable(*target_);
  Variant sum = plain ? target_->Value : target_->GetValue();
  // Texts are gathered first, as the sum would take them: an operand that reads s reads it as
  // it was.
  constexpr size_t kHeld = 4;
  Variant held[kHeld];
  std::vector<Variant> more;
  const size_t n = appends_.size();
  const auto part = [&](size_t i) -> Variant& { return i < kHeld ? held[i] : more[i - kHeld]; };
  size_t texts = 0, gathered = 0;
  if (sum.VType() == varString) {
    for (; texts < n; ++texts) {
      if (texts >= kHeld) more.emplace_back();
      part(texts) = TsxExpression::Eval(*appends_[texts]);
      gathered = texts + 1;
      if (part(texts).VType() != varString) break;
    }
  }
  // In place while s holds the very text it held before: its own, once sum lets go of it.
  if (texts == n && target_->Value.VType() == varString &&
      target_->Value.StrView().data() == sum.StrView().data() && KeepsJoinedText(*target_)) {
    size_t length = sum.StrView().size();
    for (size_t i = 0; i < n; ++i) length += part(i).StrView().size();
    sxCheckTextLength(length);
    sum = Variant();
    for (size_t i = 0; i < n; ++i) VarStrAppend(target_->Value, part(i).StrView());
    return;
  }
  // Otherwise the sum of them all, in order, one operand at a time.
  for (size_t i = 0; i < n; ++i) sum = sxAdd(sum, i < gathered ? part(i) : TsxExpression::Eval(*appends_[i]));
  if (plain && StoresAsIs(*target_, sum))
    target_->Value = std::move(sum);
  else
    target_->SetValue(sum);
}

[[gnu::always_inline]] inline void TsxAssignmentStmt::Store() {
  if (!appends_.empty()) [[unlikely]] {
    StoreAppends();
    return;
  }
  if (numberStore_) {
    const TsxExpressionNode& root = *Expression->Root;
    const TsxNumber r = root.NumberFn(root);
    const TsxVarType typ = target_->Typ;
    const bool asIs = typ == fvtVariant || target_->Kind == TsxItemKind::Param ||
                      (typ == fvtFloat ? r.Type == varDouble : r.Type == varInteger);
    if (r.Type != varEmpty && asIs) {
      target_->Value.AssignNumber(r.Type, r.I);
      return;
    }
  }
  if (wholeStep_) {
    // Counters and sums of whole numbers change where they lie.
    Variant& value = target_->Value;
    const Variant& by = *source_;
    Integer result;
    if (!target_->Hooked() && value.VType() == varInteger && by.VType() == varInteger &&
        !(Op == '+' ? __builtin_add_overflow(value.UncheckedInteger(), by.UncheckedInteger(), &result)
                    : __builtin_sub_overflow(value.UncheckedInteger(), by.UncheckedInteger(), &result))) {
      value.AssignNumber(varInteger, result);
      return;
    }
  }
  if (target_) {
    if (Op == ' ') {
      // Result := F(n - 1) + F(n - 2): the two calls run from this frame.
      Variant v = source_                            ? *source_
                  : Expression->Root->CallOperands ? CallsValue(*Expression->Root)
                                                   : Expression->Value();
      if (keepsAny_ || (keeps_ != varEmpty && v.VType() == keeps_))
        target_->Value.Swap(v);
      else
        target_->SetValue(v);
    } else {
      Variant right = source_ ? *source_ : Expression->Value();
      if (Op == '+' && AppendsInPlace(*target_, right)) {
        Variant& text = target_->Value;
        sxCheckTextLength(text.StrView().size() + right.StrView().size());
        VarStrAppend(text, right.StrView());
        return;
      }
      const bool plain = IsPlainVariable(*target_);
      Variant v = sxApplyOp(Op, plain ? target_->Value : target_->GetValue(), right);
      if (plain && StoresAsIs(*target_, v))
        target_->Value = std::move(v);
      else
        target_->SetValue(v);
    }
    return;
  }
  Variant value = Expression->Value();
  if (Op != ' ') {
    // Each index and argument of the target runs once, for the read and the write.
    Designator->Modify(Op, value);
    return;
  }
  Integer index;
  if (TsxCustomVariable* holder = Designator->DirectElement(index)) {
    if (Variant* element = VarArrayElementForWrite(holder->Value, index)) {
      *element = std::move(value);
      return;
    }
  }
  Designator->SetValue(value);
}

void TsxAssignmentStmt::Execute() { Run(); }

[[gnu::always_inline]] inline void TsxAssignmentStmt::Run() {
  if (!Report()) return;
  Store();
  // A return statement leaves the routine as an exit statement after it would, with its own
  // step and line report.
  if (Returns && Report()) Program->SetExitCalled();
}

TsxCallStmt::~TsxCallStmt() = default;

void TsxCallStmt::Execute() {
  if (!Report()) return;
  if (Modificator == ' ') {
    Designator->GetValue();
    return;
  }
  // x++ and x-- on a plain integer variable change it in place.
  if (TsxCustomVariable* var = Designator->PlainVariable()) {
    Variant& value = var->Value;
    if (IsPlainVariable(*var) && !var->IsReadOnly && value.VType() == varInteger &&
        (var->Typ == fvtInt || var->Typ == fvtVariant)) {
      const Integer x = value.UncheckedInteger();
      if (Modificator == '+' ? x < INT32_MAX : x > INT32_MIN) {
        value.AssignNumber(varInteger, Modificator == '+' ? x + 1 : x - 1);
        return;
      }
    }
  }
  Designator->Modify(Modificator, Variant(1));
}

// Conditions.

TsxIfStmt::TsxIfStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos)
    : TsxStatement(program, unitName, sourcePos),
      ElseStmt(std::make_unique<TsxStatement>(program, unitName, sourcePos)) {
  StatementKind = TsxStatementKind::If;
}

TsxIfStmt::~TsxIfStmt() = default;

void TsxIfStmt::Execute() { Run(); }

[[gnu::always_inline]] inline void TsxIfStmt::Run() {
  if (!Report()) return;
  if (Condition->IsTrue())
    RunItems();
  else
    ElseStmt->RunItems();
}

[[gnu::always_inline]] inline void TsxStatement::RunList(TsxStatement& list) {
  TsxScript& p = *list.Program;
  const std::unique_ptr<TsxStatement>* item = list.Items.data();
  const std::unique_ptr<TsxStatement>* const end = item + list.Items.size();
  while (item != end) {
    if (p.Terminated) return;
    // A branch of one statement runs in this frame, as its own list would run it.
    for (TsxStatement* statement = item->get();;) {
      if (statement->StatementKind == TsxStatementKind::Assignment) {
        static_cast<TsxAssignmentStmt*>(statement)->Run();
      } else if (statement->StatementKind == TsxStatementKind::If) {
        auto* branching = static_cast<TsxIfStmt*>(statement);
        if (!branching->Report()) break;
        TsxStatement* branch = branching->Condition->IsTrue() ? branching : branching->ElseStmt.get();
        const size_t size = branch->Items.size();
        if (size == 1 && !p.Terminated) {
          statement = branch->Items.front().get();
          continue;
        }
        // A missing else costs no call.
        if (size > 1) branch->RunItems();
      } else {
        statement->Execute();
      }
      break;
    }
    // After the last item the jump flags are for the caller to read; a set Terminated stops
    // the list here as well as before the next item.
    if (++item == end || p.AnyJump()) return;
  }
}

void TsxStatement::RunItems() { RunList(*this); }

// A call of a script routine with one argument that only reads variables and constants, the
// shape of most recursion: the body runs in this frame, and its own calls of this shape in
// theirs, one native frame per script call.
Variant TsxDesignator::CallRoutine() {
  TsxDesignatorItem& link = Items.front();
  auto* proc = static_cast<TsxProcVariable*>(link.Ref);
  if (args_ != TArgs::One) [[unlikely]] return CallOtherRoutine(proc);
  sxCheckStack();
  TsxScript& program = *proc->Program;
  const bool recursive = proc->Executing;
  {
    Variant value = link.Args[0]->Value();
    if (recursive) {
      proc->EnterRecursion(&value);
    } else {
      proc->Params(0)->Value.Swap(value);
      if (proc->RefItem && !proc->RefItem->Value.IsEmpty()) proc->RefItem->Value = Variant();
      proc->Executing = true;
      program.IsRunning = true;
    }
  }
  // The caller's locals come back after the value is taken, also when an exception passes.
  struct Leave {
    TsxProcVariable* Proc;
    bool Recursive;
    ~Leave() {
      TsxScript& p = *Proc->Program;
      p.ClearJumps();
      if (Recursive) {
        Proc->RestoreLocals();
      } else {
        p.IsRunning = false;
        Proc->Executing = false;
      }
    }
  } leave{proc, recursive};
  // Break and continue are never pending when a call starts; all four flags clear in one store.
  program.ClearJumps();
  TsxStatement::RunList(program.MainStatement());
  // Result is emptied on every entry, so its value is handed over rather than shared.
  return proc->RefItem ? std::move(proc->RefItem->Value) : Null();
}

TsxCaseSelector::~TsxCaseSelector() = default;

TsxCaseStmt::TsxCaseStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos)
    : TsxStatement(program, unitName, sourcePos),
      ElseStmt(std::make_unique<TsxStatement>(program, unitName, sourcePos)) {}

TsxCaseStmt::~TsxCaseStmt() = default;

void TsxCaseStmt::Execute() {
  const Variant selector = Condition->Value();
  if (!Report()) return;
  TsxStatement* branch = ElseStmt.get();
  for (const auto& item : Items) {
    auto* sel = static_cast<TsxCaseSelector*>(item.get());
    if (sel->SetExpression->Contains(selector)) {
      branch = sel;
      break;
    }
  }
  branch->RunItems();
  if (BreakEndsCase) Program->BreakCalled = false;
}

// Loops.

TsxRepeatStmt::~TsxRepeatStmt() = default;

void TsxRepeatStmt::Execute() {
  if (!Report()) return;
  TsxScript& p = *Program;
  for (;;) {
    p.Step();
    RunItems();
    if (LoopStops(p)) break;
    if (Condition->IsTrue() == !InverseCondition) break;
  }
  p.BreakCalled = false;
}

TsxWhileStmt::~TsxWhileStmt() = default;

void TsxWhileStmt::Execute() {
  if (!Report()) return;
  TsxScript& p = *Program;
  while (Condition->IsTrue()) {
    p.Step();
    RunItems();
    if (LoopStops(p)) break;
  }
  p.BreakCalled = false;
}

TsxForStmt::~TsxForStmt() = default;

void TsxForStmt::Execute() {
  const Int64 first = BeginValue->Value().ToInteger();
  const Int64 last = EndValue->Value().ToInteger();
  if (!Report()) return;
  TsxScript& p = *Program;
  const Int64 step = Down ? -1 : 1;
  for (Int64 i = first; Down ? i >= last : i <= last; i += step) {
    Variable->Value.AssignNumber(varInteger, i);
    p.Step();
    RunItems();
    if (LoopStops(p)) break;
  }
  p.BreakCalled = false;
}

TsxVbForStmt::~TsxVbForStmt() = default;

void TsxVbForStmt::Execute() {
  Variant i = BeginValue->Value();
  const Variant last = EndValue->Value();
  const Variant step = Step ? Step->Value() : Variant(1);
  if (!Report()) return;
  TsxScript& p = *Program;
  if (i.VType() == varInteger && last.VType() == varInteger && step.VType() == varInteger) {
    // Whole numbers count natively; the variable still sees each value as it comes.
    const Int64 first = i.UncheckedInteger(), end = last.UncheckedInteger(), by = step.UncheckedInteger();
    for (Int64 k = first; by < 0 ? k >= end : k <= end; k += by) {
      Variable->Value.AssignNumber(varInteger, k);
      p.Step();
      RunItems();
      if (LoopStops(p)) break;
    }
    p.BreakCalled = false;
    return;
  }
  const bool down = step < Variant(0);
  while (down ? i >= last : i <= last) {
    Variable->Value = i;
    p.Step();
    RunItems();
    if (LoopStops(p)) break;
    i = sxAdd(i, step);
  }
  p.BreakCalled = false;
}

TsxCppForStmt::TsxCppForStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos)
    : TsxStatement(program, unitName, sourcePos),
      FirstStmt(std::make_unique<TsxStatement>(program, unitName, sourcePos)),
      SecondStmt(std::make_unique<TsxStatement>(program, unitName, sourcePos)) {}

TsxCppForStmt::~TsxCppForStmt() = default;

void TsxCppForStmt::Execute() {
  if (!Report()) return;
  TsxScript& p = *Program;
  FirstStmt->RunItems();
  if (p.Terminated) return;
  while (!Expression || Expression->IsTrue()) {
    p.Step();
    RunItems();
    if (LoopStops(p)) break;
    SecondStmt->RunItems();
  }
  p.BreakCalled = false;
}

// Exceptions.

TsxTryStmt::TsxTryStmt(TsxScript* program, const String& unitName, TsxSourcePos sourcePos)
    : TsxStatement(program, unitName, sourcePos),
      ExceptStmt(std::make_unique<TsxStatement>(program, unitName, sourcePos)) {}

TsxTryStmt::~TsxTryStmt() = default;

namespace {

// Runs a finally part in full whatever jump is pending, then lets the jump go on.
void RunFinally(TsxScript& p, TsxStatement& part) {
  const bool brk = p.BreakCalled, cont = p.ContinueCalled, exit = p.ExitCalled;
  p.BreakCalled = p.ContinueCalled = p.ExitCalled = false;
  part.Execute();
  p.BreakCalled = p.BreakCalled || brk;
  p.ContinueCalled = p.ContinueCalled || cont;
  p.ExitCalled = p.ExitCalled || exit;
}

}  // namespace

void TsxTryStmt::Execute() {
  if (!Report()) return;
  TsxScript& p = *Program;
  if (IsExcept) {
    String className, message;
    try {
      WithOutOfMemoryAsError([this] { RunItems(); });
      return;
    } catch (const Exception& e) {
      className = e.ClassName();
      message = e.Message();
    }
    p.SetVariable("ExceptionClassName", Variant(className));
    p.SetVariable("ExceptionMessage", Variant(message));
    ExceptStmt->Execute();
    return;
  }
  try {
    RunItems();
  } catch (...) {
    RunFinally(p, *ExceptStmt);
    throw;
  }
  RunFinally(p, *ExceptStmt);
}

// Jumps.

void TsxBreakStmt::Execute() { Program->BreakCalled = true; }

void TsxContinueStmt::Execute() { Program->ContinueCalled = true; }

void TsxExitStmt::Execute() {
  if (!Report()) return;
  Program->SetExitCalled();
}

TsxWithStmt::~TsxWithStmt() = default;

void TsxWithStmt::Execute() { Variable->SetValue(Designator->GetValue()); }

}  // namespace orv
