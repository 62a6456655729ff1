#include <cmath>
#include <limits>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/Variant.h"
#include "platform/rtl/VariantInternals.h"

namespace orv {

using detail::VariantAccess;

namespace detail {

void RaiseInvalidOp(const char* op, const Variant& a, const Variant* b) {
  String msg = "Invalid variant operation ";
  if (b) msg += VarTypeName(a.VType()) + " " + op + " " + VarTypeName(b->VType());
  else msg += String(op) + " " + VarTypeName(a.VType());
  throw EVariantInvalidOpError(msg);
}

}  // namespace detail

namespace {

// How an operand takes part in an operation.
enum Cls { cEmpty, cNull, cInt, cFloat, cCurr, cDate, cStr, cBool, cBad };

Cls ClassOf(TVarType t) {
  switch (t) {
    case varEmpty: return cEmpty;
    case varNull: return cNull;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return cInt;
    case varSingle: case varDouble: return cFloat;
    case varCurrency: return cCurr;
    case varDate: return cDate;
    case varString: case varOleStr: return cStr;
    case varBoolean: return cBool;
    default: return cBad;
  }
}

// LongWord and Int64 operands keep an integer result 64 bits wide.
bool IsWide(TVarType t) { return t == varInt64 || t == varLongWord; }

Variant IntResult(Int64 r, bool wide) {
  if (!wide && r >= std::numeric_limits<Integer>::min() && r <= std::numeric_limits<Integer>::max())
    return Variant(static_cast<Integer>(r));
  return Variant(r);
}

// An operand of arithmetic: Empty is 0, a Boolean -1 or 0, a string the number it holds.
struct Num {
  Cls kind;
  Int64 i = 0;   // cInt; cCurr scaled by 10000
  double d = 0;  // cFloat, cDate
  double Value() const {
    if (kind == cInt) return static_cast<double>(i);
    if (kind == cCurr) return static_cast<double>(i) / 10000.0;
    return d;
  }
};

Num ToNum(const Variant& v) {
  switch (ClassOf(v.VType())) {
    case cEmpty: return {cInt, 0, 0};
    case cInt: return {cInt, VariantAccess::Int(v), 0};
    case cBool: return {cInt, VariantAccess::Bool(v) ? -1 : 0, 0};
    case cCurr: return {cCurr, VariantAccess::Int(v), 0};
    case cDate: return {cDate, 0, VariantAccess::Double(v)};
    default: return {cFloat, 0, v.ToDouble()};
  }
}

Int64 CurrScaled(const Num& n) {
  if (n.kind == cCurr) return n.i;
  if (n.kind == cInt) {
    Int64 r;
    if (__builtin_mul_overflow(n.i, Int64{10000}, &r))
      throw EVariantOverflowError("Arithmetic overflow");
    return r;
  }
  return Currency::FromDouble(n.d).Scaled;
}

void CheckOperands(const char* op, const Variant& a, const Variant& b) {
  if (ClassOf(a.VType()) == cBad || ClassOf(b.VType()) == cBad) detail::RaiseInvalidOp(op, a, &b);
}

enum ArithOp { opAdd, opSub, opMul };

Variant Join(const Variant& a, const Variant& b) {
  if (a.VType() == varOleStr || b.VType() == varOleStr)
    return Variant(a.ToWideString() + b.ToWideString());
  return detail::VariantAccess::Make(varString, detail::NewJoinedStrHeap(a.StrView(), b.StrView()));
}

Variant Arith(ArithOp op, const char* name, const Variant& a, const Variant& b) {
  CheckOperands(name, a, b);
  Cls ca = ClassOf(a.VType()), cb = ClassOf(b.VType());
  if (ca == cNull || cb == cNull) return Null();
  if (ca == cEmpty && cb == cEmpty) return Variant();
  if (op == opAdd && (ca == cStr || ca == cEmpty) && (cb == cStr || cb == cEmpty)) return Join(a, b);
  Num x = ToNum(a), y = ToNum(b);
  if (x.kind == cDate || y.kind == cDate) {
    double vx = x.Value(), vy = y.Value();
    switch (op) {
      case opAdd: return Variant::FromDate(vx + vy);
      case opSub:
        if (x.kind == cDate && y.kind == cDate) return Variant(vx - vy);
        return Variant::FromDate(vx - vy);
      case opMul: return Variant(vx * vy);
    }
  }
  if (x.kind == cCurr || y.kind == cCurr) {
    if (op == opMul)
      return Variant(Currency::FromDouble(
          static_cast<double>(static_cast<long double>(x.Value()) * y.Value())));
    Int64 sx = CurrScaled(x), sy = CurrScaled(y), r;
    bool overflow = op == opAdd ? __builtin_add_overflow(sx, sy, &r) : __builtin_sub_overflow(sx, sy, &r);
    if (overflow) throw EVariantOverflowError("Arithmetic overflow");
    return Variant(Currency{r});
  }
  if (x.kind == cFloat || y.kind == cFloat) {
    double vx = x.Value(), vy = y.Value();
    return Variant(op == opAdd ? vx + vy : op == opSub ? vx - vy : vx * vy);
  }
  Int64 r;
  bool overflow = op == opAdd   ? __builtin_add_overflow(x.i, y.i, &r)
                  : op == opSub ? __builtin_sub_overflow(x.i, y.i, &r)
                                : __builtin_mul_overflow(x.i, y.i, &r);
  // Past 64 bits the result goes on as a float rather than wrapping.
  if (overflow) {
    double vx = x.Value(), vy = y.Value();
    return Variant(op == opAdd ? vx + vy : op == opSub ? vx - vy : vx * vy);
  }
  return IntResult(r, IsWide(a.VType()) || IsWide(b.VType()));
}

// An operand of div, mod, shifts and bitwise logic: floats round half to even, strings must
// hold an integer.
Int64 ToIntOperand(const Variant& v) {
  switch (ClassOf(v.VType())) {
    case cEmpty: return 0;
    case cInt: return VariantAccess::Int(v);
    case cBool: return VariantAccess::Bool(v) ? -1 : 0;
    default: return v.ToInt64();
  }
}

bool IsSmallIntegral(Cls c) { return c == cInt || c == cBool || c == cEmpty; }

enum IntOp { opDiv, opMod, opShl, opShr, opAnd, opOr, opXor };

Variant IntArith(IntOp op, const char* name, const Variant& a, const Variant& b) {
  CheckOperands(name, a, b);
  Cls ca = ClassOf(a.VType()), cb = ClassOf(b.VType());
  if (ca == cNull || cb == cNull) return Null();
  Int64 x = ToIntOperand(a), y = ToIntOperand(b), r = 0;
  auto ux = static_cast<std::uint64_t>(x);
  switch (op) {
    case opDiv:
    case opMod:
      if (y == 0) throw EDivByZero("Division by zero");
      if (y == -1) r = op == opDiv ? static_cast<Int64>(0 - ux) : 0;  // no trap on the minimum
      else r = op == opDiv ? x / y : x % y;
      break;
    // Shifts of integers up to 32 bits work in 32 bits; with a 64-bit integer, or a float or
    // text converted, in 64. The count is taken modulo the width, as the processor does.
    case opShl:
    case opShr:
      if (IsWide(a.VType()) || IsWide(b.VType()) || !IsSmallIntegral(ca) || !IsSmallIntegral(cb)) {
        r = static_cast<Int64>(op == opShl ? ux << (y & 63) : ux >> (y & 63));
        break;
      } else {
        auto u32 = static_cast<std::uint32_t>(ux);
        u32 = op == opShl ? u32 << (y & 31) : u32 >> (y & 31);
        return Variant(static_cast<Integer>(u32));
      }
    case opAnd: r = x & y; break;
    case opOr: r = x | y; break;
    case opXor: r = x ^ y; break;
  }
  return IntResult(r, IsWide(a.VType()) || IsWide(b.VType()));
}

// and, or, xor: logical when both sides are Booleans (a string beside a Boolean is read as
// one), bitwise otherwise. Null follows three-valued logic: Null and a false value is that
// value, Null or a true value is that value, anything else with Null is Null.
Variant Logic(IntOp op, const char* name, const Variant& a, const Variant& b) {
  CheckOperands(name, a, b);
  Cls ca = ClassOf(a.VType()), cb = ClassOf(b.VType());
  if (ca == cNull || cb == cNull) {
    const Variant& other = ca == cNull ? b : a;
    Cls co = ca == cNull ? cb : ca;
    if (op == opXor || co == cNull || co == cEmpty) return Null();
    bool truth = other.ToBoolean();
    return (op == opAnd) != truth ? other : Null();
  }
  if (ca == cEmpty && cb == cEmpty) return Variant();
  if ((ca == cBool && (cb == cBool || cb == cStr)) || (cb == cBool && ca == cStr)) {
    bool x = a.ToBoolean(), y = b.ToBoolean();
    return Variant(op == opAnd ? (x && y) : op == opOr ? (x || y) : (x != y));
  }
  return IntArith(op, name, a, b);
}

// Empty below everything, Null next, then values; -1, 0 or 1.
int Compare(const char* name, const Variant& a, const Variant& b) {
  Cls ca = ClassOf(a.VType()), cb = ClassOf(b.VType());
  if (ca == cNull || cb == cNull) {
    if (ca == cEmpty || cb == cEmpty) return ca == cEmpty ? -1 : 1;
    return (ca == cNull ? 0 : 1) - (cb == cNull ? 0 : 1);
  }
  CheckOperands(name, a, b);
  if (ca == cEmpty || cb == cEmpty) return (ca == cEmpty ? 0 : 1) - (cb == cEmpty ? 0 : 1);
  auto order = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  if (ca == cStr && cb == cStr) {
    if (a.VType() == varString && b.VType() == varString) return order(a.StrView().compare(b.StrView()), 0);
    return order(a.ToString().compare(b.ToString()), 0);
  }
  // A Boolean beside a string compares by its text.
  if ((ca == cStr && cb == cBool) || (ca == cBool && cb == cStr))
    return order(a.ToString().compare(b.ToString()), 0);
  // A Boolean beside a number compares as -1 or 0; two Booleans as False below True.
  if (ca == cBool && cb == cBool) return order(VariantAccess::Bool(a), VariantAccess::Bool(b));
  Num x = ToNum(a), y = ToNum(b);
  if (x.kind == cInt && y.kind == cInt) return order(x.i, y.i);
  if (x.kind == cCurr && y.kind == cCurr) return order(x.i, y.i);
  return order(x.Value(), y.Value());
}

}  // namespace

Variant operator+(const Variant& a, const Variant& b) {
  if (a.VType() == varInteger && b.VType() == varInteger)
    return IntResult(Int64{a.ToInteger()} + b.ToInteger(), false);
  if (a.VType() == varString && b.VType() == varString) return Join(a, b);
  return Arith(opAdd, "+", a, b);
}
Variant operator-(const Variant& a, const Variant& b) { return Arith(opSub, "-", a, b); }
Variant operator*(const Variant& a, const Variant& b) { return Arith(opMul, "*", a, b); }

Variant operator/(const Variant& a, const Variant& b) {
  CheckOperands("/", a, b);
  Cls ca = ClassOf(a.VType()), cb = ClassOf(b.VType());
  if (ca == cNull || cb == cNull) return Null();
  Num x = ToNum(a), y = ToNum(b);
  double vx = x.Value(), vy = y.Value();
  if (vy == 0) {
    if (vx == 0 || std::isnan(vx)) throw EInvalidOp("Invalid floating point operation");
    throw EZeroDivide("Floating point division by zero");
  }
  // Currency divided by anything but a date stays Currency.
  if (x.kind == cCurr && y.kind != cDate)
    return Variant(Currency::FromDouble(static_cast<double>(static_cast<long double>(vx) / vy)));
  return Variant(vx / vy);
}

Variant VarIntDiv(const Variant& a, const Variant& b) { return IntArith(opDiv, "div", a, b); }
Variant VarMod(const Variant& a, const Variant& b) { return IntArith(opMod, "mod", a, b); }
Variant VarShl(const Variant& a, const Variant& b) { return IntArith(opShl, "shl", a, b); }
Variant VarShr(const Variant& a, const Variant& b) { return IntArith(opShr, "shr", a, b); }
Variant VarAnd(const Variant& a, const Variant& b) { return Logic(opAnd, "and", a, b); }
Variant VarOr(const Variant& a, const Variant& b) { return Logic(opOr, "or", a, b); }
Variant VarXor(const Variant& a, const Variant& b) { return Logic(opXor, "xor", a, b); }

Variant VarNot(const Variant& a) {
  Int64 i = VariantAccess::Int(a);
  switch (a.VType()) {
    case varNull: return a;
    case varBoolean: return Variant(!VariantAccess::Bool(a));
    // Integers stay of their own type.
    case varSmallint: return Variant(static_cast<std::int16_t>(~i));
    case varInteger: return Variant(static_cast<Integer>(~i));
    case varShortInt: return Variant(static_cast<std::int8_t>(~i));
    case varByte: return Variant(static_cast<std::uint8_t>(~i));
    case varWord: return Variant(static_cast<std::uint16_t>(~i));
    case varLongWord: return Variant(static_cast<std::uint32_t>(~i));
    case varInt64: return Variant(~i);
    case varString: case varOleStr: {
      Int64 v;
      if (TryStrToInt64(a.ToString(), v)) return IntResult(~v, false);
      return Variant(!a.ToBoolean());
    }
    default:
      if (ClassOf(a.VType()) == cBad) detail::RaiseInvalidOp("not", a, nullptr);
      return IntResult(~ToIntOperand(a), false);
  }
}

Variant operator-(const Variant& a) {
  Int64 i = VariantAccess::Int(a);
  switch (a.VType()) {
    case varNull: return a;
    case varEmpty: return Variant(Integer{0});
    case varBoolean: return Variant(static_cast<std::int16_t>(VariantAccess::Bool(a) ? 1 : 0));
    // Negation widens only as far as the result needs.
    case varShortInt: return i == -128 ? Variant(std::int16_t{128}) : Variant(static_cast<std::int8_t>(-i));
    case varSmallint: return i == -32768 ? Variant(Integer{32768}) : Variant(static_cast<std::int16_t>(-i));
    case varByte: return Variant(static_cast<std::int16_t>(-i));
    case varWord: case varInteger: return IntResult(-i, false);
    case varLongWord: return Variant(-i);
    case varInt64:
      if (i == std::numeric_limits<Int64>::min()) return Variant(-static_cast<double>(i));
      return Variant(-i);
    case varSingle: return Variant(-VariantAccess::Single(a));
    case varDouble: return Variant(-VariantAccess::Double(a));
    case varDate: return Variant::FromDate(-VariantAccess::Double(a));
    case varCurrency:
      if (i == std::numeric_limits<Int64>::min()) throw EVariantOverflowError("Arithmetic overflow");
      return Variant(Currency{-i});
    case varString: case varOleStr: return Variant(-a.ToDouble());
    default: detail::RaiseInvalidOp("-", a, nullptr);
  }
}

bool operator==(const Variant& a, const Variant& b) { return Compare("=", a, b) == 0; }
bool operator!=(const Variant& a, const Variant& b) { return Compare("<>", a, b) != 0; }
bool operator<(const Variant& a, const Variant& b) { return Compare("<", a, b) < 0; }
bool operator<=(const Variant& a, const Variant& b) { return Compare("<=", a, b) <= 0; }
bool operator>(const Variant& a, const Variant& b) { return Compare(">", a, b) > 0; }
bool operator>=(const Variant& a, const Variant& b) { return Compare(">=", a, b) >= 0; }

}  // namespace orv
