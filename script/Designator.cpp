#include "script/Designator.h"

#include <cstdio>
#include <memory>
#include <new>
#include <optional>

#include "platform/rtl/Component.h"
#include "platform/rtl/Dispatch.h"
#include "platform/rtl/TextUtils.h"
#include "script/ClassModel.h"
#include "script/Expression.h"
#include "script/Messages.h"
#include "script/Procedures.h"
#include "script/Script.h"

namespace orv {

TsxDesignatorItem::TsxDesignatorItem() = default;
TsxDesignatorItem::TsxDesignatorItem(TsxDesignatorItem&&) noexcept = default;
TsxDesignatorItem& TsxDesignatorItem::operator=(TsxDesignatorItem&&) noexcept = default;
TsxDesignatorItem::~TsxDesignatorItem() = default;

TsxDesignatorItems::~TsxDesignatorItems() {
  for (size_t i = size_; i-- > 0;) data_[i].~TsxDesignatorItem();
  if (data_ != reinterpret_cast<TsxDesignatorItem*>(inline_)) ::operator delete(data_);
}

void TsxDesignatorItems::reserve(size_t count) {
  if (count <= capacity_) return;
  auto* room = static_cast<TsxDesignatorItem*>(::operator new(count * sizeof(TsxDesignatorItem)));
  for (size_t i = 0; i < size_; ++i) {
    new (room + i) TsxDesignatorItem(std::move(data_[i]));
    data_[i].~TsxDesignatorItem();
  }
  if (data_ != reinterpret_cast<TsxDesignatorItem*>(inline_)) ::operator delete(data_);
  data_ = room;
  capacity_ = count;
}

TsxDesignatorItem& TsxDesignatorItems::emplace_back() {
  if (size_ == capacity_) reserve(capacity_ * 2);
  return *new (data_ + size_++) TsxDesignatorItem();
}

TsxDesignator::TsxDesignator(TsxScript* program)
    : TsxCustomVariable(String(), fvtVariant, String(), TsxItemKind::Designator), Program(program) {}

TsxDesignator::~TsxDesignator() = default;

namespace {

bool IsVariableKind(const TsxCustomVariable* item) {
  return item->Kind == TsxItemKind::Variable || item->Kind == TsxItemKind::StringVariable ||
         item->Kind == TsxItemKind::Param;
}

bool IsHelperKind(const TsxCustomVariable* item) {
  switch (item->Kind) {
    case TsxItemKind::Method:
    case TsxItemKind::Property:
    case TsxItemKind::Event:
    case TsxItemKind::Component:
    case TsxItemKind::ArrayHelper:
    case TsxItemKind::StringHelper:
      return true;
    default:
      return false;
  }
}

bool IsIndexLink(const TsxCustomVariable* item) {
  return item->Kind == TsxItemKind::LateMember && static_cast<const TsxLateMember*>(item)->IsIndex();
}

// Argument values of a link, made one by one; small calls keep them on the stack and make no
// more Variants than they have arguments.
class ArgValues {
 public:
  explicit ArgValues(size_t n) {
    if (n > kSmall) {
      large_ = std::make_unique<unsigned char[]>(n * sizeof(Variant));
      data_ = reinterpret_cast<Variant*>(large_.get());
    }
  }
  ArgValues(const ArgValues&) = delete;
  ArgValues& operator=(const ArgValues&) = delete;
  ~ArgValues() {
    for (size_t i = 0; i < made_; ++i) data_[i].~Variant();
  }
  void Add(Variant value) { new (data_ + made_++) Variant(std::move(value)); }
  Variant& operator[](size_t i) { return data_[i]; }

 private:
  static constexpr size_t kSmall = 6;
  alignas(Variant) unsigned char small_[kSmall * sizeof(Variant)];
  std::unique_ptr<unsigned char[]> large_;
  Variant* data_ = reinterpret_cast<Variant*>(small_);
  size_t made_ = 0;
};

// A list of values for a late-bound link, taken from lists used before: a loop reaching a late
// member would otherwise allocate one every round. A call made while the list is in use (an
// argument running script code) takes another one.
class PooledValues {
 public:
  PooledValues() {
    TPool& pool = Pool();
    if (pool.Count > 0) list_.swap(pool.Lists[--pool.Count]);
  }
  PooledValues(PooledValues&& other) noexcept : list_(std::move(other.list_)) {}
  PooledValues& operator=(PooledValues&&) = delete;
  ~PooledValues() {
    if (list_.capacity() == 0) return;
    list_.clear();
    TPool& pool = Pool();
    if (list_.capacity() <= kKeptCapacity && pool.Count < kKeptLists) list_.swap(pool.Lists[pool.Count++]);
  }
  std::vector<Variant>& operator*() { return list_; }

 private:
  static constexpr size_t kKeptCapacity = 16;
  static constexpr size_t kKeptLists = 32;
  // Lists handed back, on a stack: taking and giving one is a swap.
  struct TPool {
    std::vector<Variant> Lists[kKeptLists];
    size_t Count = 0;
  };
  static TPool& Pool() {
    thread_local TPool pool;
    return pool;
  }
  std::vector<Variant> list_;
};

}  // namespace

// A var parameter given an element or a member (a[Next], List.Items[i]) gives its value back
// to the place it was read from: the indices and arguments of such an argument are worked out
// once, before the call, and stand as constants until the call has written back. The call's
// other arguments are worked out with them, in the order written. A recursive call through the
// same place sets its own and puts these back when done.
class TsxVarArgPins {
 public:
  TsxVarArgPins(TsxDesignator& call, TsxDesignatorItem& link) {
    if (call.pins_ == TsxDesignator::TPins::Unknown) {
      call.pins_ = TsxDesignator::TPins::None;
      for (TsxDesignatorItem& each : call.Items)
        if (NeedsPins(each)) call.pins_ = TsxDesignator::TPins::Some;
    }
    if (call.pins_ == TsxDesignator::TPins::None || !NeedsPins(link)) return;
    const size_t n = std::min(link.Args.size(), static_cast<size_t>(link.Ref->Count()));
    try {
      PinArguments(link, n);
    } catch (...) {
      Restore();
      throw;
    }
  }
  TsxVarArgPins(const TsxVarArgPins&) = delete;
  TsxVarArgPins& operator=(const TsxVarArgPins&) = delete;
  ~TsxVarArgPins() { Restore(); }

 private:
  void PinArguments(TsxDesignatorItem& link, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      if (TsxDesignator* target = Target(link, i)) {
        for (TsxDesignatorItem& item : target->Items)
          for (const auto& arg : item.Args) Pin(*arg, target->directIndex_ && &item == &target->Items[1] ? target : nullptr);
      } else if (!link.Ref->Params(static_cast<int>(i))->IsVarParam) {
        Pin(*link.Args[i], nullptr);
      }
    }
  }
  void Restore() {
    for (size_t i = pinned_.size(); i-- > 0;) pinned_[i].Expr->Root.swap(pinned_[i].Root);
    for (size_t i = directs_.size(); i-- > 0;) directs_[i].first->directIndex_ = directs_[i].second;
    pinned_.clear();
    directs_.clear();
  }
  // The designator argument i names, when it is a var parameter's and reached through
  // indices or calls.
  static TsxDesignator* Target(TsxDesignatorItem& link, size_t i) {
    if (!link.Ref->Params(static_cast<int>(i))->IsVarParam) return nullptr;
    const TsxExpressionNode* root = link.Args[i]->Root.get();
    if (!root || root->Op != TsxOpKind::Designator) return nullptr;
    for (const TsxDesignatorItem& item : root->Dsg->Items)
      if (!item.Args.empty()) return root->Dsg;
    return nullptr;
  }
  static bool NeedsPins(TsxDesignatorItem& link) {
    if (!link.Ref || link.Ref->IsMacro) return false;
    const size_t n = std::min(link.Args.size(), static_cast<size_t>(link.Ref->Count()));
    for (size_t i = 0; i < n; ++i)
      if (Target(link, i)) return true;
    return false;
  }
  // The expression's value stands in its place; direct, when given, is the element designator
  // whose one index it is.
  void Pin(TsxExpression& expr, TsxDesignator* direct) {
    if (!expr.Root || expr.Root->Op == TsxOpKind::Const) return;
    auto constant = std::make_unique<TsxExpressionNode>();
    constant->Op = TsxOpKind::Const;
    constant->Typ = expr.Root->Typ;
    constant->Value = expr.GetValue();
    constant->Ref = &constant->Value;
    if (direct) {
      directs_.emplace_back(direct, direct->directIndex_);
      direct->directIndex_ = &constant->Value;
    }
    expr.Root.swap(constant);
    pinned_.push_back({&expr, std::move(constant)});
  }
  struct TPinned {
    TsxExpression* Expr;
    std::unique_ptr<TsxExpressionNode> Root;
  };
  std::vector<TPinned> pinned_;
  std::vector<std::pair<TsxDesignator*, const Variant*>> directs_;
};

namespace {

// An argument's value: a variable or a constant, the most common arguments, read here.
[[gnu::always_inline]] inline Variant ArgValue(const TsxExpression& arg) {
  if (const Variant* given = arg.Root->Ref) return *given;
  return arg.Value();
}

// The variable an argument names, when it is one. A late-bound call gives back what it wrote
// into its parameters only to such arguments: storing into a variable runs nothing, where
// assigning to an element or a member would run its index expressions and calls again.
TsxCustomVariable* ArgumentVariable(const TsxExpression& arg) {
  const TsxExpressionNode* root = arg.Root.get();
  if (!root) return nullptr;
  if (root->Op == TsxOpKind::Var) return root->Item;
  if (root->Op == TsxOpKind::Designator) return root->Dsg->PlainVariable();
  return nullptr;
}

// The first n arguments into the routine's parameters, every argument evaluated before any
// parameter is set, since an argument may read a parameter of the same routine; true when one
// of them is a var parameter.
template <class Routine>
[[gnu::always_inline]] inline bool PassArguments(Routine* routine, TsxDesignatorItem& link, size_t n) {
  bool hasVarParams = false;
  if (n == 1) {
    TsxParamItem* p = routine->Params(0);
    Variant value = ArgValue(*link.Args[0]);
    p->Value.Swap(value);
    hasVarParams = p->IsVarParam;
  } else if (n > 1) {
    ArgValues values(n);
    for (size_t i = 0; i < n; ++i) values.Add(ArgValue(*link.Args[i]));
    for (size_t i = 0; i < n; ++i) {
      TsxParamItem* p = routine->Params(static_cast<int>(i));
      p->Value.Swap(values[i]);
      hasVarParams |= p->IsVarParam;
    }
  }
  return hasVarParams;
}

}  // namespace

void TsxDesignator::Finalize() {
  const TsxDesignatorItem& last = Items.back();
  TsxCustomVariable* ref = last.Ref;
  Typ = ref->Typ;
  SetTypeName(ref->TypeName());
  IsReadOnly = ref->IsReadOnly;
  if (ref->Kind == TsxItemKind::Method && ref->Typ == fvtConstructor && Items.size() >= 2) {
    Typ = fvtClass;
    SetTypeName(Items[Items.size() - 2].Ref->Name());
  }
  if (ref->Kind == TsxItemKind::ArrayHelper || ref->Kind == TsxItemKind::StringHelper ||
      ref->Kind == TsxItemKind::LateMember)
    // An element of a constant cannot change; a member of what a call returns can.
    IsReadOnly = Items.size() == 2 && IsVariableKind(Items.front().Ref) && Items.front().Ref->IsReadOnly;
  DKind = TsxDesignatorKind::General;
  TsxCustomVariable* first = Items.front().Ref;
  if (Items.size() == 1 && IsVariableKind(first)) {
    DKind = TsxDesignatorKind::Variable;
  } else if (Items.size() == 1 && first->Kind == TsxItemKind::Proc) {
    DKind = TsxDesignatorKind::RoutineCall;
  } else if (Items.size() == 2 && IsVariableKind(first) && Items[1].Args.size() >= 1) {
    const TsxItemKind k = Items[1].Ref->Kind;
    if (k == TsxItemKind::StringHelper && (first->Typ == fvtString || first->Typ == fvtChar) &&
        Items[1].Args.size() == 1)
      DKind = TsxDesignatorKind::StringChar;
    else if (k == TsxItemKind::ArrayHelper && first->Typ == fvtArray &&
             static_cast<int>(Items[1].Args.size()) == Items[1].Ref->Count())
      DKind = TsxDesignatorKind::ArrayElement;
    else if (IsIndexLink(Items[1].Ref))
      DKind = TsxDesignatorKind::VariantIndex;
  }
  if (DKind == TsxDesignatorKind::General && Items.size() >= 2 && IsVariableKind(first)) {
    // Simple links, the last of which may be a late-bound call or index.
    bool members = true;
    for (size_t k = 1; k + 1 < Items.size() && members; ++k) {
      const TsxCustomVariable* ref = Items[k].Ref;
      members = Items[k].Args.empty() && (ref->Kind == TsxItemKind::Property ||
                                          (ref->Kind == TsxItemKind::LateMember && !IsIndexLink(ref)));
    }
    const TsxDesignatorItem& last = Items.back();
    const bool method = last.Ref->Kind == TsxItemKind::Method && last.Ref->Typ != fvtConstructor &&
                        !last.Ref->IsMacro && static_cast<int>(last.Args.size()) == last.Ref->Count();
    members = members && (last.Ref->Kind == TsxItemKind::LateMember || method ||
                          (last.Ref->Kind == TsxItemKind::Property && last.Args.empty()));
    if (members) DKind = TsxDesignatorKind::Members;
  }
  directIndex_ = nullptr;
  if ((DKind == TsxDesignatorKind::VariantIndex || DKind == TsxDesignatorKind::ArrayElement) &&
      Items[1].Args.size() == 1)
    if (const TsxExpressionNode* given = Items[1].Args[0]->SingleOperand())
      directIndex_ = given->Op == TsxOpKind::Var ? &given->Item->Value : &given->Value;
}

namespace {

// Calls f(indices, count) with the index values of an element link; one index, the common
// case, costs one Variant.
template <class F>
auto WithIndices(const TsxDesignatorItem& link, F f) {
  const size_t n = link.Args.size();
  if (n == 1) {
    const Variant one = link.Args[0]->GetValue();
    return f(&one, 1);
  }
  if (n <= 3) {
    Variant few[3];
    for (size_t i = 0; i < n; ++i) few[i] = link.Args[i]->GetValue();
    return f(few, static_cast<int>(n));
  }
  std::vector<Variant> many(n);
  for (size_t i = 0; i < n; ++i) many[i] = link.Args[i]->GetValue();
  return f(many.data(), static_cast<int>(n));
}

// An element of what a Variant variable holds: an array element, a character of a text, or
// the default property of an object.
Variant IndexRead(TsxScript* program, TsxCustomVariable* holder, const TsxDesignatorItem& link,
                  const Variant* indices, int n);
void IndexWrite(TsxScript* program, TsxCustomVariable* holder, const TsxDesignatorItem& link,
                const Variant* indices, int n, const Variant& value);

// A character of a string variable replaced, in place where nothing else shares the text.
void WriteCharacter(TsxCustomVariable* var, const Variant& index, const Variant& value) {
  const bool plain = var->Kind == TsxItemKind::StringVariable || var->Kind == TsxItemKind::Variable;
  if (plain && !var->Hooked() && !var->IsReadOnly && TsxStringHelper::ReplaceInPlace(var->Value, index, value))
    return;
  var->SetValue(Variant(TsxStringHelper::Replace(var->GetValue(), index, value)));
}

Variant ReadCharacter(TsxCustomVariable* var, const Variant& index) {
  // A variable without a read hook is read where it lies.
  if (!var->Hooked()) return TsxStringHelper::Read(var->Value, index);
  return TsxStringHelper::Read(var->GetValue(), index);
}

}  // namespace

Variant TsxDesignator::CallOtherRoutine(TsxProcVariable* proc) {
  TsxDesignatorItem& link = Items.front();
  if (args_ == TArgs::Unknown) {
    bool readOnly = link.Args.size() == static_cast<size_t>(proc->Count());
    bool varParams = false;
    for (size_t i = 0; readOnly && i < link.Args.size(); ++i) {
      readOnly = link.Args[i]->ReadsOnly();
      varParams |= proc->Params(static_cast<int>(i))->IsVarParam;
    }
    args_ = !readOnly                  ? TArgs::Other
            : varParams                ? TArgs::ReadOnlyWithVarParams
            : link.Args.size() == 1    ? TArgs::One
                                       : TArgs::ReadOnly;
    if (args_ == TArgs::One) return CallRoutine();
  }
  TsxVarArgPins pins(*this, link);
  if (!proc->Executing) {
    const size_t n = std::min(link.Args.size(), static_cast<size_t>(proc->Count()));
    // Without var parameters the value goes straight to the caller.
    if (!PassArguments(proc, link, n)) return proc->Run();
    return CallWithVarParams(proc, nullptr);
  }
  if (args_ != TArgs::ReadOnly) return CallRecursion(proc);
  // The arguments only read variables and constants: they are worked out before anything is
  // set aside, so that the caller's parameters move aside instead of being copied.
  ArgValues values(link.Args.size());
  for (const auto& arg : link.Args) values.Add(arg->Value());
  proc->EnterRecursion(&values[0]);
  // The caller's locals come back after the value is taken, also when an exception passes.
  TsxLocalsRestore restore{proc};
  return proc->RunRecursion();
}

// A recursive call whose arguments may run script code or that has var parameters.
Variant TsxDesignator::CallRecursion(TsxProcVariable* proc) {
  TsxDesignatorItem& link = Items.front();
  if (args_ == TArgs::ReadOnlyWithVarParams) {
    ArgValues values(link.Args.size());
    for (const auto& arg : link.Args) values.Add(arg->Value());
    proc->EnterRecursion(&values[0]);
    return CallWithVarParams(proc, proc);
  }
  // An argument may change the caller's locals (through a var parameter of another routine):
  // what is set aside is what they held before the arguments ran.
  proc->SaveLocals();
  TsxLocalsRestore restore{proc};
  const size_t n = std::min(link.Args.size(), static_cast<size_t>(proc->Count()));
  if (PassArguments(proc, link, n)) {
    // The var parameters' call puts the locals back itself, after reading the parameters.
    restore.Proc = nullptr;
    return CallWithVarParams(proc, proc);
  }
  return proc->Run();
}

// Runs a routine whose arguments are in its parameters, one of them at least a var parameter;
// recursive, when given, is the routine whose locals were set aside for the call.
Variant TsxDesignator::CallWithVarParams(TsxProcVariable* proc, TsxProcVariable* recursive) {
  TsxDesignatorItem& link = Items.front();
  TsxLocalsRestore restore{recursive};
  Variant result = proc->Run();
  // Read every var parameter before the caller's locals come back, and write them to the
  // arguments after, so that an update made down a recursion is not overwritten.
  const size_t n = std::min(link.Args.size(), static_cast<size_t>(proc->Count()));
  std::vector<Variant> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = proc->Params(static_cast<int>(i))->Value;
  if (restore.Proc) {
    restore.Proc->RestoreLocals();
    restore.Proc = nullptr;
  }
  for (size_t i = 0; i < n; ++i)
    if (proc->Params(static_cast<int>(i))->IsVarParam) link.Args[i]->SetValue(out[i]);
  return result;
}

Variant TsxDesignator::GetOtherValue() {
  switch (DKind) {
    case TsxDesignatorKind::Variable:
      return Items.front().Ref->GetValue();
    case TsxDesignatorKind::StringChar:
      return ReadCharacter(Items.front().Ref, Items[1].Args[0]->GetValue());
    case TsxDesignatorKind::ArrayElement:
      return WithIndices(Items[1], [this](const Variant* indices, int n) {
        return TsxArrayHelper::Read(*Items.front().Ref->PValue(), indices, n);
      });
    case TsxDesignatorKind::VariantIndex:
      return WithIndices(Items[1], [this](const Variant* indices, int n) {
        return IndexRead(Program, Items.front().Ref, Items[1], indices, n);
      });
    case TsxDesignatorKind::Members:
      return ReadMembers();
    case TsxDesignatorKind::RoutineCall:
    case TsxDesignatorKind::General:
      break;
  }
  return Evaluate(nullptr);
}

void TsxDesignator::SetValue(const Variant& value) {
  Integer index;
  if (TsxCustomVariable* holder = DirectElement(index)) {
    VarArrayPut(holder->Value, value, {index});
    return;
  }
  switch (DKind) {
    case TsxDesignatorKind::Variable:
      Items.front().Ref->SetValue(value);
      return;
    case TsxDesignatorKind::StringChar:
      WriteCharacter(Items.front().Ref, Items[1].Args[0]->GetValue(), value);
      return;
    case TsxDesignatorKind::ArrayElement:
      WithIndices(Items[1], [&](const Variant* indices, int n) {
        TsxArrayHelper::Write(*Items.front().Ref->PValue(), value, indices, n);
        return 0;
      });
      return;
    case TsxDesignatorKind::VariantIndex:
      WithIndices(Items[1], [&](const Variant* indices, int n) {
        IndexWrite(Program, Items.front().Ref, Items[1], indices, n, value);
        return 0;
      });
      return;
    case TsxDesignatorKind::RoutineCall:
    case TsxDesignatorKind::Members:
    case TsxDesignatorKind::General:
      break;
  }
  Evaluate(&value);
}

void TsxDesignator::Modify(char op, const Variant& right) {
  TsxCustomVariable* first = Items.front().Ref;
  switch (DKind) {
    case TsxDesignatorKind::Variable:
      first->SetValue(sxApplyOp(op, first->GetValue(), right));
      return;
    case TsxDesignatorKind::StringChar: {
      const Variant index = Items[1].Args[0]->GetValue();
      WriteCharacter(first, index, sxApplyOp(op, ReadCharacter(first, index), right));
      return;
    }
    case TsxDesignatorKind::ArrayElement:
      WithIndices(Items[1], [&](const Variant* indices, int n) {
        Variant& array = *first->PValue();
        TsxArrayHelper::Write(array, sxApplyOp(op, TsxArrayHelper::Read(array, indices, n), right), indices, n);
        return 0;
      });
      return;
    case TsxDesignatorKind::VariantIndex:
      WithIndices(Items[1], [&](const Variant* indices, int n) {
        const Variant old = IndexRead(Program, first, Items[1], indices, n);
        IndexWrite(Program, first, Items[1], indices, n, sxApplyOp(op, old, right));
        return 0;
      });
      return;
    default:
      // Chains of members and calls: Evaluate reads and writes the last link.
      break;
  }
  const TUpdate update{op, &right};
  Evaluate<true>(nullptr, &update);
}


// A call of a global native function: the arguments go straight into its parameters.
static Variant CallNative(TsxMethodHelper* method, TsxDesignatorItem& link, bool needResult, TsxScript* program) {
  const size_t n = std::min(link.Args.size(), static_cast<size_t>(method->Count()));
  const bool hasVarParams = PassArguments(method, link, n);
  method->ParentRef = nullptr;
  method->Program = program;
  method->NeedResult = needResult;
  Variant result = method->GetValue();
  if (hasVarParams)
    for (size_t i = 0; i < n; ++i)
      if (method->Params(static_cast<int>(i))->IsVarParam) link.Args[i]->SetValue(method->Params(static_cast<int>(i))->Value);
  // Every call sets every parameter (missing arguments are their defaults), so nothing reads
  // these values again; dropping them leaves a text the script builds unshared, free to grow in
  // place.
  for (size_t i = 0; i < n; ++i) method->Params(static_cast<int>(i))->Value = Variant();
  return result;
}

template <bool Updating>
Variant TsxDesignator::Evaluate(const Variant* assigned, const TUpdate* update) {
  if (!assigned && !Updating && Items.size() == 1) {
    TsxCustomVariable* ref = Items.front().Ref;
    if (ref->Kind == TsxItemKind::Method && !static_cast<TsxMethodHelper*>(ref)->ClassRef &&
        !static_cast<TsxMethodHelper*>(ref)->IsIndexProperty && !ref->IsMacro) {
      TsxVarArgPins pins(*this, Items.front());
      return CallNative(static_cast<TsxMethodHelper*>(ref), Items.front(), NeedResult, Program);
    }
  }
  Variant current = Variant::MakeNull();
  TsxCustomVariable* prev = nullptr;
  TClass constructClass = nullptr;
  const size_t count = Items.size();
  size_t k = 0;
  // A chain that starts at a variable (obj.Member) reads it straight, where it lies when no
  // hook answers for it.
  if (count > 1 && IsVariableKind(Items.front().Ref)) {
    prev = Items.front().Ref;
    prev->NeedResult = true;
    current = prev->Hooked() ? prev->GetValue() : prev->Value;
    k = 1;
  }
  // The values of a "[" link, worked out for the member before it: when that member does not
  // take them, the "[" link uses them, so that no index expression runs twice.
  std::optional<PooledValues> indexList;
  for (; k < count; ++k) {
    TsxDesignatorItem& link = Items[k];
    TsxCustomVariable* ref = link.Ref;
    const bool last = k + 1 == count;
    if (ref->Kind == TsxItemKind::LateMember && link.Args.empty() && !indexList &&
        (last || !IsIndexLink(Items[k + 1].Ref))) {
      // A member without arguments and without an index after it, the most common link.
      auto* member = static_cast<TsxLateMember*>(ref);
      std::vector<Variant> noArgs;
      Variant parent = std::move(current);
      if (Updating && last) {
        const Variant value = sxApplyOp(update->Op, member->Access(Program, prev, parent, noArgs, nullptr, true),
                                        *update->Right);
        member->Access(Program, prev, parent, noArgs, &value, true);
        return Variant();
      }
      current = member->Access(Program, prev, parent, noArgs, last ? assigned : nullptr, !last || NeedResult);
      prev = ref;
      continue;
    }
    if (ref->Kind == TsxItemKind::LateMember) {
      // A link without arguments needs no list of its own.
      std::vector<Variant> noArgs;
      std::optional<PooledValues> argList;
      std::optional<PooledValues> carried;
      if (indexList) {
        carried.emplace(std::move(*indexList));
        indexList.reset();
      }
      if (!carried && !link.Args.empty()) {
        argList.emplace();
        for (const auto& arg : link.Args) (**argList).push_back(arg->GetValue());
      }
      std::vector<Variant>& args = carried ? **carried : argList ? **argList : noArgs;
      // obj.Items[i] reaches a late member as two links; an indexed property takes the index.
      const bool indexFollows =
          args.empty() && !last && IsIndexLink(Items[k + 1].Ref) && !static_cast<TsxLateMember*>(ref)->IsIndex();
      if (indexFollows) {
        indexList.emplace();
        for (const auto& arg : Items[k + 1].Args) (**indexList).push_back(arg->GetValue());
      }
      const bool assignsHere = assigned && (last || (indexFollows && k + 2 == count));
      bool consumed = false;
      Variant parent = std::move(current);
      if (Updating && (last || (indexFollows && k + 2 == count))) {
        // The read moves the values into the member's parameters: the write takes copies.
        std::vector<Variant> writeArgs = args;
        std::vector<Variant> writeIndex = indexFollows ? **indexList : std::vector<Variant>();
        const Variant old = static_cast<TsxLateMember*>(ref)->Access(
            Program, prev, parent, args, nullptr, true, indexFollows ? &**indexList : nullptr, &consumed);
        if (last || consumed) {
          const Variant value = sxApplyOp(update->Op, old, *update->Right);
          static_cast<TsxLateMember*>(ref)->Access(Program, prev, parent, writeArgs, &value, true,
                                                   indexFollows ? &writeIndex : nullptr, &consumed);
          return Variant();
        }
        // Not an indexed property: the index applies to the value read, at the next link.
        current = old;
        prev = ref;
        continue;
      }
      current = static_cast<TsxLateMember*>(ref)->Access(Program, prev, parent, args, assignsHere ? assigned : nullptr,
                                                         !last || NeedResult, indexFollows ? &**indexList : nullptr,
                                                         &consumed);
      if (consumed) {
        indexList.reset();
        if (k + 2 == count) return current;
        ++k;
      }
      for (size_t i = 0; i < link.Args.size() && i < args.size(); ++i)
        if (TsxCustomVariable* var = ArgumentVariable(*link.Args[i]); var && !var->IsReadOnly) var->SetValue(args[i]);
      prev = ref;
      continue;
    }
    if (ref->Kind == TsxItemKind::Class && !last &&
        Items[k + 1].Ref->Kind == TsxItemKind::Method &&
        Items[k + 1].Ref->Typ == fvtConstructor) {
      constructClass = static_cast<TsxClassVariable*>(ref)->ClassRef;
      current = Null();
      prev = ref;
      continue;
    }
    if (ref->Kind == TsxItemKind::Property) {
      // A property, the most common member, is read or written on the object before it.
      auto* property = static_cast<TsxPropertyHelper*>(ref);
      TObject* instance = sxValueToObject(current);
      if (last && assigned) {
        if (!property->IsReadOnly) property->Write(instance, *assigned);
      } else if (Updating && last) {
        if (!property->IsReadOnly)
          property->Write(instance, sxApplyOp(update->Op, property->Read(instance), *update->Right));
      } else {
        current = property->Read(instance);
      }
      prev = ref;
      continue;
    }
    TsxVarArgPins pins(*this, link);
    TsxProcVariable* recursive = nullptr;
    if (ref->Kind == TsxItemKind::Proc && static_cast<TsxProcVariable*>(ref)->Executing) {
      recursive = static_cast<TsxProcVariable*>(ref);
      recursive->SaveLocals();
    }
    try {
      const int params = ref->Count();
      bool hasVarParams = false;
      if (params > 0) {
        const size_t n = std::min(link.Args.size(), static_cast<size_t>(params));
        ArgValues values(n);
        for (size_t i = 0; i < n; ++i)
          values.Add(ref->IsMacro ? Variant(link.Args[i]->Source) : link.Args[i]->GetValue());
        for (size_t i = 0; i < n; ++i) {
          // A parameter stores what it is given as it is: the value moves in, uncopied.
          TsxParamItem* param = ref->Params(static_cast<int>(i));
          if (!param->IsReadOnly) param->Value.Swap(values[i]);
          hasVarParams |= param->IsVarParam;
        }
      }
      if (IsHelperKind(ref)) {
        auto* helper = static_cast<TsxCustomHelper*>(ref);
        helper->ParentRef = prev;
        helper->Program = Program;
        if (ref->Kind == TsxItemKind::ArrayHelper && prev && IsVariableKind(prev)) {
          // The array is read and written in place; a second reference would force a copy.
          current = Variant();
          helper->ParentValue = Variant();
        } else {
          helper->ParentValue = std::move(current);
        }
        if (ref->Kind == TsxItemKind::Method && ref->Typ == fvtConstructor)
          static_cast<TsxMethodHelper*>(ref)->ConstructClass = constructClass;
      }
      if (last && assigned) {
        ref->SetValue(*assigned);
      } else if (Updating && last) {
        // The parameters keep the index values for the write; the link before is given again.
        auto* helper = IsHelperKind(ref) ? static_cast<TsxCustomHelper*>(ref) : nullptr;
        const Variant parent = helper ? helper->ParentValue : Variant();
        ref->NeedResult = true;
        const Variant old = ref->GetValue();
        if (helper) {
          helper->ParentRef = prev;
          helper->Program = Program;
          helper->ParentValue = parent;
        }
        ref->SetValue(sxApplyOp(update->Op, old, *update->Right));
      } else {
        ref->NeedResult = !last || NeedResult;
        current = ref->GetValue();
      }
      if (ref->Kind == TsxItemKind::ArrayHelper || ref->Kind == TsxItemKind::StringHelper ||
          ref->Kind == TsxItemKind::Property || ref->Kind == TsxItemKind::Method)
        static_cast<TsxCustomHelper*>(ref)->ParentValue = Variant();
      if (hasVarParams) {
        // Read every var parameter before the caller's locals come back, and write them to
        // the arguments after, so that an update made down a recursion is not overwritten.
        const size_t n = std::min(link.Args.size(), static_cast<size_t>(params));
        std::vector<Variant> out(n);
        for (size_t i = 0; i < n; ++i) out[i] = ref->Params(static_cast<int>(i))->Value;
        if (recursive) {
          recursive->RestoreLocals();
          recursive = nullptr;
        }
        for (size_t i = 0; i < n; ++i)
          if (ref->Params(static_cast<int>(i))->IsVarParam) link.Args[i]->SetValue(out[i]);
      }
    } catch (...) {
      if (recursive) recursive->RestoreLocals();
      throw;
    }
    if (recursive) recursive->RestoreLocals();
    prev = ref;
  }
  return current;
}

template Variant TsxDesignator::Evaluate<false>(const Variant*, const TUpdate*);

// A named method of the object current holds, the last link of a chain (m.Lines.Add(s),
// l.Strings[i]): its arguments move into its parameters, and var parameters give back.
Variant TsxDesignator::CallMethod(TsxDesignatorItem& link, TsxCustomVariable* prev, Variant current) {
  auto* method = static_cast<TsxMethodHelper*>(link.Ref);
  const size_t n = link.Args.size();
  TsxVarArgPins pins(*this, link);
  bool hasVarParams = false;
  {
    ArgValues values(n);
    for (size_t i = 0; i < n; ++i) values.Add(link.Args[i]->GetValue());
    for (size_t i = 0; i < n; ++i) {
      TsxParamItem* param = method->Params(static_cast<int>(i));
      if (!param->IsReadOnly) param->Value.Swap(values[i]);
      hasVarParams |= param->IsVarParam;
    }
  }
  method->ParentRef = prev;
  method->Program = Program;
  method->ParentValue = std::move(current);
  method->NeedResult = NeedResult;
  struct Forget {
    TsxMethodHelper* Method;
    ~Forget() { Method->ParentValue = Variant(); }
  } forget{method};
  Variant result = method->GetValue();
  if (hasVarParams)
    for (size_t i = 0; i < n; ++i)
      if (method->Params(static_cast<int>(i))->IsVarParam)
        link.Args[i]->SetValue(method->Params(static_cast<int>(i))->Value);
  return result;
}

// Property after property from a variable, the last link perhaps a late-bound call or index
// (m.Lines.Count, m.Lines[i], m.Lines.Add(s)): what Evaluate does for such a chain, without
// the steps other links need.
Variant TsxDesignator::ReadMembers() {
  TsxCustomVariable* prev = Items.front().Ref;
  prev->NeedResult = true;
  Variant current = prev->Hooked() ? prev->GetValue() : prev->Value;
  std::vector<Variant> noArgs;
  const size_t count = Items.size();
  TsxDesignatorItem& lastLink = Items.back();
  // A late member followed by an index is offered the index: an indexed property takes it.
  const bool indexAfterMember = count >= 3 && IsIndexLink(lastLink.Ref) &&
                                Items[count - 2].Ref->Kind == TsxItemKind::LateMember;
  const bool lastSimple = lastLink.Ref->Kind == TsxItemKind::Property ||
                          (lastLink.Ref->Kind == TsxItemKind::LateMember && lastLink.Args.empty());
  const size_t simple = indexAfterMember ? count - 2 : lastSimple ? count : count - 1;
  for (size_t k = 1; k < simple; ++k) {
    TsxCustomVariable* ref = Items[k].Ref;
    if (ref->Kind == TsxItemKind::Property)
      current = static_cast<TsxPropertyHelper*>(ref)->Read(sxValueToObject(current));
    else
      current = static_cast<TsxLateMember*>(ref)->Access(Program, prev, current, noArgs, nullptr,
                                                         k + 1 < count || NeedResult);
    prev = ref;
  }
  if (simple == count) return current;
  if (lastLink.Ref->Kind == TsxItemKind::Method) return CallMethod(lastLink, prev, std::move(current));
  PooledValues list;
  std::vector<Variant>& values = *list;
  for (const auto& arg : lastLink.Args) values.push_back(arg->GetValue());
  if (indexAfterMember) {
    auto* member = static_cast<TsxLateMember*>(Items[count - 2].Ref);
    bool consumed = false;
    current = member->Access(Program, prev, current, noArgs, nullptr, true, &values, &consumed);
    if (consumed) return current;
    prev = member;
  }
  current = static_cast<TsxLateMember*>(lastLink.Ref)->Access(Program, prev, current, values, nullptr, NeedResult);
  for (size_t i = 0; i < lastLink.Args.size() && i < values.size(); ++i)
    if (TsxCustomVariable* var = ArgumentVariable(*lastLink.Args[i]); var && !var->IsReadOnly) var->SetValue(values[i]);
  return current;
}

// Late members.

TsxLateMember::TsxLateMember(const String& name)
    : TsxCustomVariable(name, fvtVariant, String(), TsxItemKind::LateMember), isIndex_(name == "[") {}

namespace {

[[noreturn]] void OleFailure(const String& name, const EOleSysError& e) {
  char code[16];
  std::snprintf(code, sizeof code, "%08X", e.ErrorCode());
  String message = "OLE error " + String(code) + ": " + name + ": " + e.Message();
  if (const auto* ex = dynamic_cast<const EOleException*>(&e)) {
    if (!ex->Source().empty()) message += "\r\nSource        ::  " + ex->Source();
    if (!ex->Message().empty()) message += "\r\nDescription ::  " + ex->Message();
    if (!ex->HelpFile().empty()) message += "\r\nHelp File     ::  " + ex->HelpFile();
  }
  throw EOleSysError(message, e.ErrorCode());
}

// The registered class of obj or of its nearest registered ancestor.
TsxClassVariable* ClassOf(TsxScript* program, TObject* obj) {
  for (TClass c = obj->ClassType(); c; c = c->ClassParent())
    if (TsxClassVariable* cls = program->FindClass(c->ClassName())) return cls;
  return nullptr;
}

// Calls a member found at run time with the given arguments.
[[gnu::noinline]] Variant CallMember(TsxScript* program, TsxCustomHelper* member, TsxCustomVariable* parentRef,
                   const Variant& parentValue, TObject* parentObject, std::vector<Variant>& args,
                   const Variant* assigned, bool needResult) {
  const int count = member->Count();
  const int given = static_cast<int>(args.size());
  if (given > count) throw Exception(STooManyParams);
  if (given < count && given < member->GetNumberOfRequiredParams()) throw Exception(SNotEnoughParams);
  // The arguments move into the parameters: they come back out after the call, changed by it
  // where the member wrote a var parameter.
  for (int i = 0; i < count; ++i) {
    TsxParamItem* p = member->Params(i);
    if (p->IsReadOnly) continue;
    if (i < given) p->Value.Swap(args[static_cast<size_t>(i)]);
    else p->Value = p->DefValue;
  }
  member->ParentRef = parentRef;
  // Methods and properties reach their object through ParentObject alone.
  const bool holdsParent = member->Kind != TsxItemKind::Method && member->Kind != TsxItemKind::Property;
  if (holdsParent) member->ParentValue = parentValue;
  member->Program = program;
  member->ParentObject = parentObject;
  struct Forget {
    TsxCustomHelper* Member;
    ~Forget() { Member->ParentObject = nullptr; }
  } forget{member};
  Variant result;
  if (assigned) {
    if (member->IsReadOnly) throw Exception(SLeftCantAssigned);
    member->SetValue(*assigned);
  } else {
    member->NeedResult = needResult;
    result = member->GetValue();
  }
  if (holdsParent) member->ParentValue = Variant();
  // Nothing reads the parameters again before the next call sets them all: their values move
  // out, so that a text the script builds is not kept shared. Only var parameters have
  // anything to give back to the arguments.
  bool varParams = false;
  for (size_t i = 0; i < args.size(); ++i) {
    TsxParamItem* p = member->Params(static_cast<int>(i));
    varParams |= p->IsVarParam;
    args[i] = std::move(p->Value);
  }
  if (!varParams) args.clear();
  return result;
}

Variant IndexRead(TsxScript* program, TsxCustomVariable* holder, const TsxDesignatorItem& link,
                  const Variant* indices, int n) {
  const Variant& value = *holder->PValue();
  if (value.IsArray() && !holder->Hooked()) return TsxArrayHelper::Read(value, indices, n);
  // A character of the text a variable holds, read where it lies.
  if (n == 1 && value.VType() == varString && !holder->Hooked()) return TsxStringHelper::Read(value, indices[0]);
  PooledValues list;
  std::vector<Variant>& args = *list;
  args.assign(indices, indices + n);
  return static_cast<TsxLateMember*>(link.Ref)->Access(program, holder, holder->GetValue(), args, nullptr, true);
}

void IndexWrite(TsxScript* program, TsxCustomVariable* holder, const TsxDesignatorItem& link,
                const Variant* indices, int n, const Variant& value) {
  Variant& held = *holder->PValue();
  if (held.IsArray()) {
    TsxArrayHelper::Write(held, value, indices, n);
    return;
  }
  // A character of a text a plain variable holds is replaced where it lies.
  if (n == 1 && held.VType() == varString && IsVariableKind(holder) && !holder->Hooked() &&
      !holder->IsReadOnly && TsxStringHelper::ReplaceInPlace(held, indices[0], value))
    return;
  PooledValues list;
  std::vector<Variant>& args = *list;
  args.assign(indices, indices + n);
  static_cast<TsxLateMember*>(link.Ref)->Access(program, holder, holder->GetValue(), args, &value, true);
}

}  // namespace

// Small, and inlined where it is called: the common access costs no call of its own.
[[gnu::always_inline]] inline Variant TsxLateMember::Access(TsxScript* program, TsxCustomVariable* parentRef,
                              const Variant& parentValue, std::vector<Variant>& args,
                              const Variant* assigned, bool needResult, std::vector<Variant>* index,
                              bool* indexConsumed) {
  // The object met last time, whose property or method was found then: a handle is never
  // given out twice, so while it names a live object that object is of the same class.
  if (seenHandle_ != 0 && parentValue.VType() == varInteger && parentValue.UncheckedInteger() == seenHandle_ &&
      program == seenProgram_ && sxLookupEpoch() == seenEpoch_) {
    const Variant* own = index ? nullptr : assigned;
    if (isIndex_) {
      if (seenClass_ && seenClass_->DefProperty)
        return CallMember(program, seenClass_->DefProperty, parentRef, parentValue, sxValueToObject(parentValue), args,
                          own, needResult);
      return AccessOther(program, parentRef, parentValue, args, assigned, needResult, index, indexConsumed);
    }
    TsxCustomHelper* member = seenMember_;
    if (!member) return AccessOther(program, parentRef, parentValue, args, assigned, needResult, index, indexConsumed);
    if (member->Kind == TsxItemKind::Property && args.empty()) {
      TObject* obj = sxValueToObject(parentValue);
      auto* property = static_cast<TsxPropertyHelper*>(member);
      if (!own) return property->Read(obj);
      if (property->IsReadOnly) throw Exception(SLeftCantAssigned);
      property->Write(obj, *own);
      return Variant();
    }
    if (member->Kind == TsxItemKind::Method && !static_cast<TsxMethodHelper*>(member)->IsIndexProperty)
      return CallMember(program, member, parentRef, parentValue, sxValueToObject(parentValue), args, own, needResult);
  }
  return AccessOther(program, parentRef, parentValue, args, assigned, needResult, index, indexConsumed);
}

[[gnu::noinline]] Variant TsxLateMember::AccessOther(TsxScript* program, TsxCustomVariable* parentRef,
                                   const Variant& parentValue, std::vector<Variant>& args,
                                   const Variant* assigned, bool needResult, std::vector<Variant>* index,
                                   bool* indexConsumed) {
  const String& name = Name();
  // With an index waiting, only an indexed property takes the assignment; anything else is
  // read and the index applies to its value.
  const Variant* own = index ? nullptr : assigned;
  if (parentValue.VType() == varDispatch) {
    std::shared_ptr<IDispatch> disp = parentValue.ToDispatch();
    if (!disp) throw EInvalidPointer("Invalid object reference");
    try {
      if (own) {
        args.push_back(*own);
        disp->Invoke(name, DISPATCH_PROPERTYPUT, args);
        args.pop_back();
        return Variant();
      }
      return disp->Invoke(name, needResult ? DISPATCH_METHOD | DISPATCH_PROPERTYGET : DISPATCH_METHOD, args);
    } catch (const EOleSysError& e) {
      OleFailure(name, e);
    }
  }
  if (isIndex_) {
    if (parentValue.IsArray()) {
      const int n = static_cast<int>(args.size());
      if (!own) return TsxArrayHelper::Read(parentValue, args.data(), n);
      if (parentRef && (parentRef->Kind == TsxItemKind::Variable ||
                        parentRef->Kind == TsxItemKind::StringVariable ||
                        parentRef->Kind == TsxItemKind::Param)) {
        Variant& held = *parentRef->PValue();
        if (held.IsArray()) {
          TsxArrayHelper::Write(held, *own, args.data(), n);
          return Variant();
        }
      }
      Variant copy = parentValue;
      TsxArrayHelper::Write(copy, *own, args.data(), n);
      if (parentRef) parentRef->SetValue(copy);
      return Variant();
    }
    if (VarIsStr(parentValue)) {
      if (args.size() != 1) throw Exception(SIndexRequired);
      if (!own) return TsxStringHelper::Read(parentValue, args[0]);
      if (parentRef) parentRef->SetValue(Variant(TsxStringHelper::Replace(parentValue, args[0], *own)));
      return Variant();
    }
  }
  if (!isIndex_ && parentValue.VType() != varInteger && VarIsStr(parentValue)) throw Exception(SStringError);
  TObject* obj = sxValueToObject(parentValue);
  if (!obj) throw EInvalidPointer("Invalid object reference");
  // A handle is never given out twice and names a live object here, so the object met last
  // time is this one, of the same class.
  const Integer handle = parentValue.VType() == varInteger ? parentValue.UncheckedInteger() : 0;
  const std::uint64_t epoch = sxLookupEpoch();
  if (handle == 0 || handle != seenHandle_ || program != seenProgram_ || epoch != seenEpoch_) {
    const TClass type = obj->ClassType();
    if (type != seenType_ || program != seenProgram_ || epoch != seenEpoch_) {
      seenClass_ = ClassOf(program, obj);
      seenMember_ = seenClass_ && !isIndex_ ? seenClass_->Find(name) : nullptr;
      seenType_ = type;
      seenProgram_ = program;
      seenEpoch_ = epoch;
    }
    seenHandle_ = handle;
  }
  TsxClassVariable* cls = seenClass_;
  TsxCustomHelper* found = seenMember_;
  if (isIndex_) {
    if (!cls || !cls->DefProperty) {
      char text[256];
      std::snprintf(text, sizeof text, SClassError, obj->ClassName().c_str());
      throw Exception(text);
    }
    return CallMember(program, cls->DefProperty, parentRef, parentValue, obj, args, own, needResult);
  }
  if (TsxCustomHelper* member = found) {
    // A property, the most common member, is read or written on the object at hand.
    if (member->Kind == TsxItemKind::Property && args.empty()) {
      auto* property = static_cast<TsxPropertyHelper*>(member);
      if (!own) return property->Read(obj);
      if (property->IsReadOnly) throw Exception(SLeftCantAssigned);
      property->Write(obj, *own);
      return Variant();
    }
    if (member->Kind == TsxItemKind::Method && static_cast<TsxMethodHelper*>(member)->IsIndexProperty &&
        args.empty()) {
      if (!index) throw Exception(SIndexRequired);
      if (indexConsumed) *indexConsumed = true;
      return CallMember(program, member, parentRef, parentValue, obj, *index, assigned, needResult);
    }
    // Only an indexed property takes the index; anything else is read, and the index applies
    // to its value.
    return CallMember(program, member, parentRef, parentValue, obj, args, own, needResult);
  }
  if (auto* component = dynamic_cast<TComponent*>(obj)) {
    if (TComponent* child = component->FindComponent(name)) {
      if (own) throw Exception(SLeftCantAssigned);
      return sxObjectToValue(child);
    }
  }
  throw Exception(String(SUndeclaredIdent) + "'" + name + "'");
}

}  // namespace orv
