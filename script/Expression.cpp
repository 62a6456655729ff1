#include "script/Expression.h"

#include <functional>
#include <new>

#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/VariantInternals.h"
#include "script/ClassModel.h"
#include "script/Designator.h"
#include "script/MethodSyntax.h"
#include "script/Script.h"

namespace orv {

TsxExpressionNode::TsxExpressionNode() = default;

TsxExpressionNode::~TsxExpressionNode() {
  switch (Op) {
    case TsxOpKind::Designator: delete Dsg; break;
    case TsxOpKind::Set: delete SetExpr; break;
    case TsxOpKind::Chain: delete Links; break;
    default: break;
  }
}

namespace {

// Freed nodes kept for reuse, each linked through its first bytes. Few, so that a thread keeps
// little; none in sanitizer builds, which must see every node freed.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kReusedNodes = 0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kReusedNodes = 0;
#else
constexpr int kReusedNodes = 16;
#endif
#else
constexpr int kReusedNodes = 16;
#endif

struct TFreedNodes {
  void* First = nullptr;
  int Count = 0;
  // Nodes freed after the thread's end (by objects that outlive it) go straight back.
  ~TFreedNodes() {
    while (First) {
      void* node = First;
      First = *static_cast<void**>(node);
      ::operator delete(node);
    }
    Count = kReusedNodes;
  }
};
thread_local TFreedNodes freedNodes;

}  // namespace

void* TsxExpressionNode::operator new(size_t size) {
  TFreedNodes& freed = freedNodes;
  if (void* node = freed.First) {
    freed.First = *static_cast<void**>(node);
    --freed.Count;
    return node;
  }
  return ::operator new(size);
}

void TsxExpressionNode::operator delete(void* node) noexcept {
  TFreedNodes& freed = freedNodes;
  if (freed.Count < kReusedNodes) {
    *static_cast<void**>(node) = freed.First;
    freed.First = node;
    ++freed.Count;
    return;
  }
  ::operator delete(node);
}

TsxExpression::TsxExpression(TsxScript* script)
    : TsxCustomVariable(String(), fvtVariant, String(), TsxItemKind::Expression), Script(script) {}

TsxExpression::~TsxExpression() = default;

void TsxExpression::SetValue(const Variant& value) {
  if (!IsReadOnly && Root && Root->Op == TsxOpKind::Designator) Root->Dsg->SetValue(value);
  else if (!IsReadOnly && Root && Root->Op == TsxOpKind::Var) Root->Item->SetValue(value);
}

// Arithmetic with the common integer and float cases first.

namespace {

inline bool IsComparisonOp(TsxOpKind op) { return op >= TsxOpKind::Great && op <= TsxOpKind::Eq; }
inline bool IsInt(const Variant& v) { return v.VType() == varInteger; }
inline bool IsDbl(const Variant& v) { return v.VType() == varDouble; }
// 32- or 64-bit integers: the kinds the interpreter's arithmetic makes.
inline bool IsWhole(const Variant& v) { return v.VType() == varInteger || v.VType() == varInt64; }

inline Variant FromInt64(Int64 r) {
  if (r >= INT32_MIN && r <= INT32_MAX) return Variant(static_cast<Integer>(r));
  return Variant(r);
}

// A 64-bit operand keeps a 64-bit result, as the Variant operators give it.
inline Variant WholeResult(const Variant& a, const Variant& b, Int64 r) {
  if (a.VType() == varInt64 || b.VType() == varInt64) return Variant(r);
  return FromInt64(r);
}

}  // namespace

void sxCheckTextLength(size_t bytes) {
  if (bytes > kMaxTextBytes) throw EOutOfMemory("Text too long: more than 64 MB");
  TsxScript::ReserveMemory(static_cast<Int64>(bytes));
  TsxScript::ChargeBytes(bytes);
}

Int64 sxCheckArrayBounds(const std::vector<Integer>& bounds) {
  Int64 total = 1;
  for (size_t i = 0; i + 1 < bounds.size(); i += 2) {
    const Int64 count = Int64{bounds[i + 1]} - bounds[i] + 1;
    if (count > 0) total *= count;
    if (total > kMaxArrayElements)
      throw EVariantArrayCreateError("Error creating variant or safe array: more than " +
                                     std::to_string(kMaxArrayElements) + " elements");
  }
  CheckMemory(total * static_cast<Int64>(sizeof(Variant)));
  return total;
}

Variant sxAdd(const Variant& a, const Variant& b) {
  if (IsInt(a) && IsInt(b)) return FromInt64(Int64{a.UncheckedInteger()} + b.UncheckedInteger());
  Int64 r;
  if (IsWhole(a) && IsWhole(b) && !__builtin_add_overflow(a.UncheckedInt64(), b.UncheckedInt64(), &r))
    return WholeResult(a, b, r);
  if (IsDbl(a) && IsDbl(b)) return Variant(a.UncheckedDouble() + b.UncheckedDouble());
  if (a.VType() == varString && b.VType() == varString) sxCheckTextLength(a.StrView().size() + b.StrView().size());
  return a + b;
}

Variant sxSub(const Variant& a, const Variant& b) {
  if (IsInt(a) && IsInt(b)) return FromInt64(Int64{a.UncheckedInteger()} - b.UncheckedInteger());
  Int64 r;
  if (IsWhole(a) && IsWhole(b) && !__builtin_sub_overflow(a.UncheckedInt64(), b.UncheckedInt64(), &r))
    return WholeResult(a, b, r);
  if (IsDbl(a) && IsDbl(b)) return Variant(a.UncheckedDouble() - b.UncheckedDouble());
  return a - b;
}

Variant sxMul(const Variant& a, const Variant& b) {
  if (IsInt(a) && IsInt(b)) return FromInt64(Int64{a.UncheckedInteger()} * b.UncheckedInteger());
  Int64 r;
  if (IsWhole(a) && IsWhole(b) && !__builtin_mul_overflow(a.UncheckedInt64(), b.UncheckedInt64(), &r))
    return WholeResult(a, b, r);
  if (IsDbl(a) && IsDbl(b)) return Variant(a.UncheckedDouble() * b.UncheckedDouble());
  return a * b;
}

Variant sxApplyOp(char op, const Variant& a, const Variant& b) {
  switch (op) {
    case '+': return sxAdd(a, b);
    case '-': return sxSub(a, b);
    case '*': return sxMul(a, b);
    default: return a / b;
  }
}

bool sxConvertsToTrue(const Variant& v) {
  if (v.IsNull() || v.IsEmpty()) return false;
  return v.ToBoolean();
}

namespace {

// Values the fast paths leave: an array beside anything is refused under the operator the
// script wrote, the others ordered by the Variant rules.
[[gnu::noinline]] int CompareVariants(const Variant& a, const Variant& b, const char* op) {
  if (VarIsArray(a) || VarIsArray(b)) detail::RaiseInvalidOp(op, a, &b);
  if (a < b) return -1;
  if (b < a) return 1;
  return a == b ? 0 : 2;  // 2: unordered (Null beside a value)
}

[[gnu::always_inline]] inline int Compare(const Variant& a, const Variant& b, const char* op = "<") {
  const TVarType ta = a.VType(), tb = b.VType();
  if ((ta == varInteger || ta == varInt64) && (tb == varInteger || tb == varInt64)) {
    const Int64 x = a.UncheckedInt64(), y = b.UncheckedInt64();
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (ta == varDouble && tb == varDouble) {
    const double x = a.UncheckedDouble(), y = b.UncheckedDouble();
    if (x < y) return -1;
    if (x > y) return 1;
    if (x == y) return 0;
  }
  if (ta == varString && tb == varString) {
    const int c = a.StrView().compare(b.StrView());
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  if (ta == varBoolean && tb == varBoolean) {
    // True is -1 beside False's 0, as everywhere else a Boolean meets a number.
    const int x = a.ToBoolean() ? -1 : 0, y = b.ToBoolean() ? -1 : 0;
    return x < y ? -1 : x > y ? 1 : 0;
  }
  return CompareVariants(a, b, op);
}

bool ArrayContains(const Variant& array, const Variant& value) {
  if (!VarIsArray(array)) return array == value;
  const Integer low = VarArrayLowBound(array, 1);
  const Integer high = VarArrayHighBound(array, 1);
  for (Integer i = low; i <= high; ++i) {
    const Variant element = VarArrayGet(array, {i});
    if (i + 2 <= high && VarArrayGet(array, {i + 1}).IsNull()) {
      const Variant upper = VarArrayGet(array, {i + 2});
      if (element <= value && value <= upper) return true;
      i += 2;
      continue;
    }
    if (element == value) return true;
  }
  return false;
}

}  // namespace

namespace {

// An element of an array variable indexed by a variable or a constant, read where it lies
// (sorting and sieving loops compare elements far more often than they store them); nullptr
// when the designator is anything else, which then takes the general path.
[[gnu::always_inline]] inline const Variant* ElementInPlace(const TsxExpressionNode& n) {
  if (n.Op != TsxOpKind::Designator || (n.Dsg->DKind != TsxDesignatorKind::VariantIndex &&
                                         n.Dsg->DKind != TsxDesignatorKind::ArrayElement))
    return nullptr;
  Integer index;
  const TsxCustomVariable* holder = n.Dsg->DirectElement(index);
  return holder ? &VarArrayElementRef(holder->Value, index) : nullptr;
}

// The value of an operand without a copy when it is a variable, a constant or an element read
// in place; tmp holds anything else.
// Room for an operand's value that must be computed: made only then, straight from the
// evaluation, so that operands read in place cost no Variant at all.
class TOperandSlot {
 public:
  TOperandSlot() = default;
  TOperandSlot(const TOperandSlot&) = delete;
  TOperandSlot& operator=(const TOperandSlot&) = delete;
  ~TOperandSlot() {
    if (made_) Get().~Variant();
  }
  // Once at most per slot.
  const Variant& Make(const TsxExpressionNode& n) {
    new (bytes_) Variant(n.Op == TsxOpKind::Designator ? n.Dsg->GetValue() : TsxExpression::Eval(n));
    made_ = true;
    return Get();
  }

 private:
  Variant& Get() { return *std::launder(reinterpret_cast<Variant*>(bytes_)); }
  alignas(Variant) unsigned char bytes_[sizeof(Variant)];
  bool made_ = false;
};

[[gnu::always_inline]] inline const Variant& Operand(const TsxExpressionNode& n, TOperandSlot& tmp) {
  if (n.Ref) return *n.Ref;
  if (const Variant* element = ElementInPlace(n)) return *element;
  return tmp.Make(n);
}

// The left operand: read in place only when the right one cannot change it (a variable or a
// constant); otherwise copied before the right side runs.
[[gnu::always_inline]] inline const Variant& LeftOperand(const TsxExpressionNode& n, TOperandSlot& tmp) {
  const TsxExpressionNode& left = *n.Left;
  if (left.Op == TsxOpKind::Const) return left.Value;
  if (n.Right && n.Right->Ref) {
    if (left.Ref) return *left.Ref;
    if (const Variant* element = ElementInPlace(left)) return *element;
  }
  return tmp.Make(left);
}

// Both operands given to op, the left one taken first: a function call on the right must not
// change what the left side read.
template <class Op>
[[gnu::always_inline]] inline auto Binary(const TsxExpressionNode& n, Op op) {
  if (n.Left->Ref && n.Right && n.Right->Ref) return op(*n.Left->Ref, *n.Right->Ref);
  TOperandSlot lt, rt;
  const Variant& l = LeftOperand(n, lt);
  return op(l, Operand(*n.Right, rt));
}

// div and mod: native on whole numbers where the division cannot trap (a zero divisor, or the
// smallest number by -1), the variant rules otherwise.
template <class IntOp, class Fallback>
[[gnu::always_inline]] inline Variant WholeDivision(const Variant& l, const Variant& r, IntOp op, Fallback fallback) {
  if (IsInt(l) && IsInt(r) && r.UncheckedInteger() != 0 && r.UncheckedInteger() != -1)
    return Variant(op(l.UncheckedInteger(), r.UncheckedInteger()));
  if (IsWhole(l) && IsWhole(r) && r.UncheckedInt64() != 0 && r.UncheckedInt64() != -1)
    return WholeResult(l, r, op(l.UncheckedInt64(), r.UncheckedInt64()));
  return fallback(l, r);
}

const char* ComparisonText(TsxOpKind op) {
  switch (op) {
    case TsxOpKind::Great: return ">";
    case TsxOpKind::Less: return "<";
    case TsxOpKind::LessEq: return "<=";
    case TsxOpKind::GreatEq: return ">=";
    case TsxOpKind::NonEq: return "<>";
    default: return "=";
  }
}

[[gnu::always_inline]] inline int CompareOperands(const TsxExpressionNode& n) {
  const char* op = ComparisonText(n.Op);
  return Binary(n, [op](const Variant& a, const Variant& b) { return Compare(a, b, op); });
}

// + and - on two 32-bit integers whose result stays in range, the loop counters' and indices'
// arithmetic, inline; everything else through op.
template <class Op>
[[gnu::always_inline]] inline Variant IntegerFirst(const TsxExpressionNode& n, bool add, Op op) {
  return Binary(n, [add, op](const Variant& l, const Variant& r) {
    Integer sum;
    if (IsInt(l) && IsInt(r) &&
        !(add ? __builtin_add_overflow(l.UncheckedInteger(), r.UncheckedInteger(), &sum)
              : __builtin_sub_overflow(l.UncheckedInteger(), r.UncheckedInteger(), &sum)))
      return Variant(sum);
    return op(l, r);
  });
}

bool RoutineCall(const TsxExpressionNode* n) {
  return n && n->Op == TsxOpKind::Designator && n->Dsg->DKind == TsxDesignatorKind::RoutineCall;
}

}  // namespace

// IntegerFirst without the operand slots.
Variant TsxExpression::EvalCalls(const TsxExpressionNode& n) {
  const Variant l = n.Left->Dsg->GetValue();
  return sxAddOrSub(l, n.Right->Dsg->GetValue(), n.Op == TsxOpKind::Plus);
}

namespace {

inline TsxNumber NumberOf(const Variant& v) {
  TsxNumber r;
  const TVarType t = v.VType();
  if (t == varDouble || t == varInteger || t == varInt64) {
    r.Type = t;
    // The payload's eight bytes, a whole number's or a float's alike.
    r.I = v.UncheckedInt64();
  }
  return r;
}

inline double AsDouble(const TsxNumber& n) { return n.Type == varDouble ? n.D : static_cast<double>(n.I); }

inline TsxNumber Whole(Int64 value, bool wide) {
  TsxNumber r;
  r.Type = !wide && value >= INT32_MIN && value <= INT32_MAX ? varInteger : varInt64;
  r.I = value;
  return r;
}

inline TsxNumber Float(double value) {
  TsxNumber r;
  r.Type = varDouble;
  r.D = value;
  return r;
}

[[gnu::always_inline]] inline TsxNumber NumberOperand(const TsxExpressionNode& n) {
  return n.Ref ? NumberOf(*n.Ref) : n.NumberFn(n);
}

// +, - and * as the Variant operators work them: whole numbers stay whole (32 bits while
// both operands and the result fit, else 64), past 64 bits the result goes on as a float, and
// a float operand makes the result a float.
template <TsxOpKind Op>
[[gnu::always_inline]] inline TsxNumber Arithmetic(const TsxNumber& a, const TsxNumber& b) {
  if (a.Type == varDouble && b.Type == varDouble)
    return Float(Op == TsxOpKind::Plus ? a.D + b.D : Op == TsxOpKind::Minus ? a.D - b.D : a.D * b.D);
  if (a.Type != varDouble && b.Type != varDouble) {
    Int64 r;
    const bool overflow = Op == TsxOpKind::Plus    ? __builtin_add_overflow(a.I, b.I, &r)
                          : Op == TsxOpKind::Minus ? __builtin_sub_overflow(a.I, b.I, &r)
                                                   : __builtin_mul_overflow(a.I, b.I, &r);
    if (!overflow) return Whole(r, a.Type == varInt64 || b.Type == varInt64);
  }
  const double x = AsDouble(a), y = AsDouble(b);
  return Float(Op == TsxOpKind::Plus ? x + y : Op == TsxOpKind::Minus ? x - y : x * y);
}

// -1 below, 0 equal (also beside a NaN, as the Variant comparison has it), 1 above.
inline int CompareNumbers(const TsxNumber& a, const TsxNumber& b) {
  if (a.Type != varDouble && b.Type != varDouble) return a.I < b.I ? -1 : a.I > b.I ? 1 : 0;
  const double x = AsDouble(a), y = AsDouble(b);
  return x < y ? -1 : y < x ? 1 : 0;
}

}  // namespace

namespace {

// One operator on two numbers; varEmpty where the Variant rules must decide (they raise for a
// division by zero; div and mod of floats round first).
template <TsxOpKind Op>
[[gnu::always_inline]] inline TsxNumber Apply(const TsxNumber& a, const TsxNumber& b) {
  if constexpr (Op == TsxOpKind::Plus || Op == TsxOpKind::Minus || Op == TsxOpKind::Mul) {
    return Arithmetic<Op>(a, b);
  } else if constexpr (Op == TsxOpKind::DivFloat) {
    const double y = AsDouble(b);
    if (y == 0) return TsxNumber();
    return Float(AsDouble(a) / y);
  } else {
    if (a.Type == varDouble || b.Type == varDouble || b.I == 0 || b.I == -1) return TsxNumber();
    return Whole(Op == TsxOpKind::DivInt ? a.I / b.I : a.I % b.I, a.Type == varInt64 || b.Type == varInt64);
  }
}

template <bool Leaf>
[[gnu::always_inline]] inline TsxNumber Operand(const TsxExpressionNode& n) {
  if constexpr (Leaf) return NumberOf(*n.Ref);
  else return n.NumberFn(n);
}

template <TsxOpKind Op, bool LeftLeaf, bool RightLeaf>
TsxNumber BinaryNumber(const TsxExpressionNode& n) {
  if constexpr (LeftLeaf && RightLeaf && Op != TsxOpKind::DivInt && Op != TsxOpKind::Mod) {
    // Two float variables or constants, the float code's common case, straight away.
    const Variant& x = *n.Left->Ref;
    const Variant& y = *n.Right->Ref;
    if (x.VType() == varDouble && y.VType() == varDouble) {
      const double a = x.UncheckedDouble(), b = y.UncheckedDouble();
      if constexpr (Op == TsxOpKind::Plus) return Float(a + b);
      if constexpr (Op == TsxOpKind::Minus) return Float(a - b);
      if constexpr (Op == TsxOpKind::Mul) return Float(a * b);
      if constexpr (Op == TsxOpKind::DivFloat) {
        if (b != 0) return Float(a / b);
      }
    }
  }
  const TsxNumber a = Operand<LeftLeaf>(*n.Left);
  if (a.Type == varEmpty) return a;
  const TsxNumber b = Operand<RightLeaf>(*n.Right);
  if (b.Type == varEmpty) return b;
  return Apply<Op>(a, b);
}

template <bool Leaf>
TsxNumber NegatedNumber(const TsxExpressionNode& n) {
  const TsxNumber a = Operand<Leaf>(*n.Left);
  if (a.Type == varEmpty || a.Type == varDouble) return a.Type == varEmpty ? a : Float(-a.D);
  if (a.I == INT64_MIN) return Float(-static_cast<double>(a.I));
  return Whole(-a.I, a.Type == varInt64);
}

template <TsxOpKind Op>
TsxNumberFn PickBinary(bool leftLeaf, bool rightLeaf) {
  if (leftLeaf) return rightLeaf ? &BinaryNumber<Op, true, true> : &BinaryNumber<Op, true, false>;
  return rightLeaf ? &BinaryNumber<Op, false, true> : &BinaryNumber<Op, false, false>;
}

TsxNumberFn PickNumberFn(const TsxExpressionNode& n) {
  const bool l = n.Left->NumberLeaf;
  const bool r = n.Right && n.Right->NumberLeaf;
  switch (n.Op) {
    case TsxOpKind::Plus: return PickBinary<TsxOpKind::Plus>(l, r);
    case TsxOpKind::Minus: return PickBinary<TsxOpKind::Minus>(l, r);
    case TsxOpKind::Mul: return PickBinary<TsxOpKind::Mul>(l, r);
    case TsxOpKind::DivFloat: return PickBinary<TsxOpKind::DivFloat>(l, r);
    case TsxOpKind::DivInt: return PickBinary<TsxOpKind::DivInt>(l, r);
    case TsxOpKind::Mod: return PickBinary<TsxOpKind::Mod>(l, r);
    default: return l ? &NegatedNumber<true> : &NegatedNumber<false>;
  }
}

}  // namespace

Variant TsxExpression::Eval(const TsxExpressionNode& n) {
  if (n.Numeric) {
    const TsxNumber r = EvalNumber(n);
    if (r.Type != varEmpty) return r.ToVariant();
  }
  switch (n.Op) {
    case TsxOpKind::Const:
      return n.Value;
    case TsxOpKind::Var:
      return n.Item->Value;
    case TsxOpKind::Designator:
      if (const Variant* element = ElementInPlace(n)) return *element;
      return n.Dsg->GetValue();
    case TsxOpKind::Set:
      return n.SetExpr->GetValue();
    case TsxOpKind::Great:
    case TsxOpKind::Less:
    case TsxOpKind::LessEq:
    case TsxOpKind::GreatEq:
    case TsxOpKind::NonEq:
    case TsxOpKind::Eq:
      return Variant(EvalCondition(n));
    case TsxOpKind::Plus:
      if (n.CallOperands) return EvalCalls(n);
      return IntegerFirst(n, true, sxAdd);
    case TsxOpKind::StrCat: {
      TOperandSlot lt, rt;
      const Variant& l = LeftOperand(n, lt);
      const Variant& r = Operand(*n.Right, rt);
      if (l.VType() == varString) {
        if (r.VType() == varString) sxCheckTextLength(l.StrView().size() + r.StrView().size());
        String s(l.StrView());
        if (r.VType() == varString) s.append(r.StrView());
        else s += r.ToString();
        return Variant(s);
      }
      return l + r;
    }
    case TsxOpKind::Minus:
      if (n.CallOperands) return EvalCalls(n);
      return IntegerFirst(n, false, sxSub);
    case TsxOpKind::Mul:
      return Binary(n, sxMul);
    case TsxOpKind::DivFloat:
      return Binary(n, [](const Variant& l, const Variant& r) { return l / r; });
    case TsxOpKind::DivInt:
      return Binary(n, [](const Variant& l, const Variant& r) { return WholeDivision(l, r, std::divides<>(), VarIntDiv); });
    case TsxOpKind::Mod:
      return Binary(n, [](const Variant& l, const Variant& r) { return WholeDivision(l, r, std::modulus<>(), VarMod); });
    case TsxOpKind::Shl:
      return Binary(n, VarShl);
    case TsxOpKind::Shr:
      return Binary(n, VarShr);
    case TsxOpKind::Xor:
      return Binary(n, VarXor);
    case TsxOpKind::And: {
      TOperandSlot lt, rt;
      const Variant& l = LeftOperand(n, lt);
      if (n.BoolOperands) return sxIsTrue(l) ? Eval(*n.Right) : l;
      return VarAnd(l, Operand(*n.Right, rt));
    }
    case TsxOpKind::Or: {
      TOperandSlot lt, rt;
      const Variant& l = LeftOperand(n, lt);
      if (n.BoolOperands) return sxIsTrue(l) ? l : Eval(*n.Right);
      return VarOr(l, Operand(*n.Right, rt));
    }
    case TsxOpKind::Not:
      return VarNot(Eval(*n.Left));
    case TsxOpKind::UnMinus: {
      Variant v = Eval(*n.Left);
      if (IsInt(v) && v.UncheckedInteger() != INT32_MIN) return Variant(-v.UncheckedInteger());
      return -v;
    }
    case TsxOpKind::In: {
      TOperandSlot lt, rt;
      const Variant& l = LeftOperand(n, lt);
      if (n.Right->Op == TsxOpKind::Set) return Variant(n.Right->SetExpr->Contains(l));
      return Variant(ArrayContains(Eval(*n.Right), l));
    }
    case TsxOpKind::Is: {
      TObject* obj = sxValueToObject(Eval(*n.Left));
      return Variant(obj != nullptr && n.IsClass && obj->InheritsFrom(n.IsClass));
    }
    case TsxOpKind::Chain: {
      // Each operator copies its left operand before its right side runs (LeftOperand), so
      // a recursive evaluation of the same chain may refill the holes safely.
      Variant value = Eval(*n.Left);
      for (const TsxChainLink& link : *n.Links) {
        link.Hole->Value = std::move(value);
        value = Eval(*link.Node);
        link.Hole->Value = Variant();
      }
      return value;
    }
  }
  return Variant();
}

namespace {

inline bool MayBeNumber(const TsxExpressionNode& n) { return n.NumberLeaf || n.Numeric; }

// Whether a comparison holds for c, -1 below, 0 equal, 1 above, 2 unordered.
template <TsxOpKind Op>
[[gnu::always_inline]] inline bool Holds(int c) {
  switch (Op) {
    case TsxOpKind::Great: return c == 1;
    case TsxOpKind::Less: return c == -1;
    case TsxOpKind::LessEq: return c == -1 || c == 0;
    case TsxOpKind::GreatEq: return c == 1 || c == 0;
    case TsxOpKind::NonEq: return c != 0;
    default: return c == 0;
  }
}

// The condition on Variants: what every node falls back to.
bool ConditionOnVariants(const TsxExpressionNode& n);

// A comparison of operands that may be numbers: decided natively when both are, else on
// Variants (the operands are free of side effects, so reading them again is harmless).
template <TsxOpKind Op, bool LeftLeaf, bool RightLeaf>
bool NumberComparison(const TsxExpressionNode& n) {
  const TsxNumber a = Operand<LeftLeaf>(*n.Left);
  if (a.Type != varEmpty) {
    const TsxNumber b = Operand<RightLeaf>(*n.Right);
    if (b.Type != varEmpty) return Holds<Op>(CompareNumbers(a, b));
  }
  return ConditionOnVariants(n);
}

template <TsxOpKind Op>
TsxConditionFn PickComparison(bool leftLeaf, bool rightLeaf) {
  if (leftLeaf) return rightLeaf ? &NumberComparison<Op, true, true> : &NumberComparison<Op, true, false>;
  return rightLeaf ? &NumberComparison<Op, false, true> : &NumberComparison<Op, false, false>;
}

bool BothConditions(const TsxExpressionNode& n) {
  return n.Left->ConditionFn(*n.Left) && n.Right->ConditionFn(*n.Right);
}

bool EitherCondition(const TsxExpressionNode& n) {
  return n.Left->ConditionFn(*n.Left) || n.Right->ConditionFn(*n.Right);
}

TsxConditionFn PickConditionFn(const TsxExpressionNode& n) {
  if (n.BoolOperands && n.Op == TsxOpKind::And) return &BothConditions;
  if (n.BoolOperands && n.Op == TsxOpKind::Or) return &EitherCondition;
  if (!IsComparisonOp(n.Op) || !MayBeNumber(*n.Left) || !MayBeNumber(*n.Right)) return &ConditionOnVariants;
  const bool l = n.Left->NumberLeaf, r = n.Right->NumberLeaf;
  switch (n.Op) {
    case TsxOpKind::Great: return PickComparison<TsxOpKind::Great>(l, r);
    case TsxOpKind::Less: return PickComparison<TsxOpKind::Less>(l, r);
    case TsxOpKind::LessEq: return PickComparison<TsxOpKind::LessEq>(l, r);
    case TsxOpKind::GreatEq: return PickComparison<TsxOpKind::GreatEq>(l, r);
    case TsxOpKind::NonEq: return PickComparison<TsxOpKind::NonEq>(l, r);
    default: return PickComparison<TsxOpKind::Eq>(l, r);
  }
}

bool ConditionOnVariants(const TsxExpressionNode& n) {
  switch (n.Op) {
    case TsxOpKind::Great:
      return CompareOperands(n) == 1;
    case TsxOpKind::Less:
      return CompareOperands(n) == -1;
    case TsxOpKind::LessEq: {
      const int c = CompareOperands(n);
      return c == -1 || c == 0;
    }
    case TsxOpKind::GreatEq: {
      const int c = CompareOperands(n);
      return c == 1 || c == 0;
    }
    case TsxOpKind::NonEq:
      return CompareOperands(n) != 0;
    case TsxOpKind::Eq:
      return CompareOperands(n) == 0;
    case TsxOpKind::And:
      if (n.BoolOperands) return TsxExpression::EvalCondition(*n.Left) && TsxExpression::EvalCondition(*n.Right);
      break;
    case TsxOpKind::Or:
      if (n.BoolOperands) return TsxExpression::EvalCondition(*n.Left) || TsxExpression::EvalCondition(*n.Right);
      break;
    case TsxOpKind::Var:
      return sxIsTrue(n.Item->Value);
    case TsxOpKind::Designator:
      if (const Variant* element = ElementInPlace(n)) return sxIsTrue(*element);
      break;
    default:
      break;
  }
  return sxIsTrue(TsxExpression::Eval(n));
}

}  // namespace

namespace {

bool IsComparison(TsxOpKind op) {
  switch (op) {
    case TsxOpKind::Great: case TsxOpKind::Less: case TsxOpKind::LessEq: case TsxOpKind::GreatEq:
    case TsxOpKind::NonEq: case TsxOpKind::Eq:
      return true;
    default:
      return false;
  }
}

bool IsArithmetic(TsxOpKind op) {
  switch (op) {
    case TsxOpKind::Plus: case TsxOpKind::Minus: case TsxOpKind::Mul: case TsxOpKind::DivFloat:
    case TsxOpKind::DivInt: case TsxOpKind::Mod: case TsxOpKind::UnMinus:
      return true;
    default:
      return false;
  }
}

// Returns the node's type name: for fvtClass and fvtEnum the class or enumeration name.
const String& Check(TsxExpressionNode& n, TsxScript* script, const TsxExpressionNode*& misfit) {
  n.ConditionFn = &ConditionOnVariants;
  switch (n.Op) {
    case TsxOpKind::Var:
      n.Ref = &n.Item->Value;
      n.NumberLeaf = n.Typ == fvtInt || n.Typ == fvtFloat || n.Typ == fvtVariant;
      return n.Item->TypeName();
    case TsxOpKind::Const:
      n.Ref = &n.Value;
      n.NumberLeaf = n.Value.VType() == varInteger || n.Value.VType() == varInt64 || n.Value.VType() == varDouble;
      return sxNoText();
    case TsxOpKind::Designator:
      return n.Dsg->TypeName();
    case TsxOpKind::Set:
      return sxNoText();
    case TsxOpKind::Chain: {
      const String* name = &Check(*n.Left, script, misfit);
      const TsxExpressionNode* before = n.Left.get();
      for (TsxChainLink& link : *n.Links) {
        // The link's left operand is its hole, which takes the type of the value so far.
        link.Node->Left->Typ = before->Typ;
        link.Hole->SetTypeName(*name);
        name = &Check(*link.Node, script, misfit);
        before = link.Node.get();
      }
      n.Typ = before->Typ;
      return *name;
    }
    default:
      break;
  }
  const String& leftName = n.Left ? Check(*n.Left, script, misfit) : sxNoText();
  const String& rightName = n.Right ? Check(*n.Right, script, misfit) : sxNoText();
  n.RefOperands = n.Left && n.Left->Ref && n.Right && n.Right->Ref;
  n.CallOperands = (n.Op == TsxOpKind::Plus || n.Op == TsxOpKind::Minus) && RoutineCall(n.Left.get()) &&
                   RoutineCall(n.Right.get());
  n.Numeric = IsArithmetic(n.Op) && n.Left && (n.Left->NumberLeaf || n.Left->Numeric) &&
              (n.Op == TsxOpKind::UnMinus) == !n.Right && (!n.Right || n.Right->NumberLeaf || n.Right->Numeric);
  if (n.Numeric) n.NumberFn = PickNumberFn(n);
  const TsxVarType l = n.Left ? n.Left->Typ : fvtVariant;
  const TsxVarType r = n.Right ? n.Right->Typ : fvtVariant;
  const TsxOpKind op = n.Op;
  bool fits = true;
  if (l == fvtBool && r == fvtBool) n.BoolOperands = true;
  if (op == TsxOpKind::Is && l == fvtClass && r == fvtClass) {
    fits = true;
  } else if (!sxTypesCompatible({l, leftName}, {r, rightName}, script)) {
    fits = false;
  } else if (l == fvtBool) {
    fits = op == TsxOpKind::Eq || op == TsxOpKind::NonEq || op == TsxOpKind::Or ||
           op == TsxOpKind::Xor || op == TsxOpKind::And || op == TsxOpKind::Not;
  } else if (l == fvtChar || l == fvtString) {
    fits = IsComparison(op) || op == TsxOpKind::Plus || op == TsxOpKind::StrCat || op == TsxOpKind::In;
  } else if (l == fvtClass || l == fvtArray) {
    fits = op == TsxOpKind::Eq || op == TsxOpKind::NonEq || op == TsxOpKind::Is;
  }
  if (!fits && !misfit) misfit = &n;
  n.Typ = l;
  if ((l == fvtInt && r == fvtFloat) || (l == fvtFloat && r == fvtInt)) n.Typ = fvtFloat;
  if (op == TsxOpKind::DivFloat && l == fvtInt && r == fvtInt) n.Typ = fvtFloat;
  const bool boolean = IsComparison(op) || op == TsxOpKind::In || op == TsxOpKind::Is;
  if (boolean) n.Typ = fvtBool;
  n.ConditionFn = PickConditionFn(n);
  return boolean ? sxNoText() : leftName;
}

}  // namespace

const String& TsxExpression::CheckTree(TsxExpressionNode& root, TsxScript* script, const TsxExpressionNode*& misfit) {
  return Check(root, script, misfit);
}

bool TsxExpression::ReadOnlyRoot(const TsxExpressionNode& root) {
  if (root.Op == TsxOpKind::Designator) return root.Dsg->IsReadOnly;
  if (root.Op == TsxOpKind::Var) return root.Item->IsReadOnly;
  return true;
}

void TsxExpression::Adopt(std::unique_ptr<TsxExpressionNode> root, const String& typeName) {
  Root = std::move(root);
  Typ = Root->Typ;
  SetTypeName(typeName);
  IsReadOnly = ReadOnlyRoot(*Root);
}

const TsxExpressionNode* TsxExpression::Finalize() {
  const TsxExpressionNode* misfit = nullptr;
  const String& typeName = Check(*Root, Script, misfit);
  Adopt(std::move(Root), typeName);
  return misfit;
}

namespace {

bool ReadsOnlyNode(const TsxExpressionNode* n) {
  if (!n) return true;
  switch (n->Op) {
    case TsxOpKind::Designator:
    case TsxOpKind::Set:
    case TsxOpKind::In:
    case TsxOpKind::Is:
    case TsxOpKind::Chain:
      return false;
    default:
      return ReadsOnlyNode(n->Left.get()) && ReadsOnlyNode(n->Right.get());
  }
}

}  // namespace

bool TsxExpression::ReadsOnly() const { return ReadsOnlyNode(Root.get()); }

namespace {

bool IsVariableNode(const TsxExpressionNode& n, TsxCustomVariable* target) {
  if (n.Op == TsxOpKind::Var) return n.Item == target;
  if (n.Op == TsxOpKind::Designator) return n.Dsg->PlainVariable() == target;
  return false;
}

}  // namespace

char TsxExpression::Optimize(std::unique_ptr<TsxExpressionNode>& root, TsxCustomVariable* target) {
  if (!target || !root) return ' ';
  char op;
  switch (root->Op) {
    case TsxOpKind::Plus: op = '+'; break;
    case TsxOpKind::Minus: op = '-'; break;
    case TsxOpKind::Mul: op = '*'; break;
    case TsxOpKind::DivFloat: op = '/'; break;
    default: return ' ';
  }
  if (IsVariableNode(*root->Left, target)) {
    root = std::move(root->Right);
    return op;
  }
  if ((op == '+' || op == '*') && IsVariableNode(*root->Right, target) &&
      target->Typ != fvtString && target->Typ != fvtVariant && target->Typ != fvtChar) {
    root = std::move(root->Left);
    return op;
  }
  return ' ';
}

// Sets.

TsxSetExpression::TsxSetExpression()
    : TsxCustomVariable(String(), fvtVariant, String(), TsxItemKind::SetExpression) {}

TsxSetExpression::~TsxSetExpression() = default;

Variant TsxSetExpression::GetValue() {
  const Integer n = static_cast<Integer>(Entries.size());
  if (n == 0) return VarArrayCreate({0, -1}, varVariant);
  Variant result = VarArrayCreate({0, n - 1}, varVariant);
  for (Integer i = 0; i < n; ++i)
    VarArrayPut(result, Entries[static_cast<size_t>(i)] ? Entries[static_cast<size_t>(i)]->GetValue() : Null(), {i});
  return result;
}

bool TsxSetExpression::Contains(const Variant& value) const {
  for (size_t i = 0; i < Entries.size(); ++i) {
    if (i + 2 < Entries.size() && !Entries[i + 1]) {
      const Variant low = Entries[i]->GetValue();
      const Variant high = Entries[i + 2]->GetValue();
      if (Compare(low, value) <= 0 && Compare(value, high) <= 0 && Compare(low, value) != 2 &&
          Compare(value, high) != 2)
        return true;
      i += 2;
      continue;
    }
    if (Entries[i] && Compare(Entries[i]->GetValue(), value, "=") == 0) return true;
  }
  return false;
}

}  // namespace orv
