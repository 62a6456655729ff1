#pragma once
// Variant: the tagged value that scripts, report expressions, dataset fields, report variables
// and automation objects exchange.
//
// A Variant is 16 bytes: a type code and an 8-byte payload. Numbers live in the payload; strings,
// arrays and automation objects live in a reference-counted block, so copying a Variant never
// copies text. Strings are immutable once made; arrays copy themselves before the first write
// when they are shared, so a Variant array behaves as a value.
//
// Operator rules (the class library's, checked against its table in the tests, which also
// states where and why we differ from it):
// - Empty counts as 0, or as '' when "+" joins it to a string; Empty op Empty stays Empty. Null
//   in any arithmetic operator gives Null, Empty beside it included.
// - "+" joins when both sides are strings (OleStr when either is); a string beside a number or
//   a date is read as a number in the locale (EConvertError when it is not one). A Boolean is
//   the Smallint -1 or 0 beside a number, whichever side it stands on.
// - "/" always gives a Double, except Currency / number, which stays Currency. div, mod, shl and
//   shr work on integers (floats round half to even, text must hold an integer); and, or, xor
//   are logical on two Booleans, bitwise otherwise, and follow three-valued logic with Null
//   (False and Null is False, True or Null is True, else Null).
// - Integer results widen to Int64, and past 64 bits to Double, instead of wrapping.
// - Comparisons: two strings compare case-sensitively by their UTF-8 bytes, which is code point
//   order; a string beside a number compares as a number. Empty is below every value, Null
//   included; Null equals only Null and is below every other value.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <span>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

namespace orv {

class IDispatch;  // platform/rtl/Dispatch.h

using TVarType = Word;

// Type codes as the class library numbers them.
constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varStrArg = 0x0048;
constexpr TVarType varString = 0x0100;
constexpr TVarType varAny = 0x0101;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

// Fixed point with four decimals: the value times 10000 in 64 bits.
struct Currency {
  Int64 Scaled = 0;
  // Rounds to the nearest 1/10000, halves to even; EOverflow beyond the 64-bit range.
  static Currency FromDouble(double value);
  double ToDouble() const { return static_cast<double>(Scaled) / 10000.0; }
  bool operator==(const Currency&) const = default;
};

class Variant;

namespace detail {
// The shared part of every reference-counted payload.
struct VarHeap {
  std::atomic<Integer> Refs{1};
};
// Raw access for the Variant implementation files.
struct VariantAccess;
}  // namespace detail

class Variant {
 public:
  Variant() noexcept : vtype_(varEmpty) { u_.i64 = 0; }
  Variant(bool v) noexcept : vtype_(varBoolean) { u_.i64 = 0; u_.b = v; }
  Variant(std::int8_t v) noexcept : vtype_(varShortInt) { u_.i64 = v; }
  Variant(std::uint8_t v) noexcept : vtype_(varByte) { u_.i64 = v; }
  Variant(std::int16_t v) noexcept : vtype_(varSmallint) { u_.i64 = v; }
  Variant(std::uint16_t v) noexcept : vtype_(varWord) { u_.i64 = v; }
  Variant(std::int32_t v) noexcept : vtype_(varInteger) { u_.i64 = v; }
  Variant(std::uint32_t v) noexcept : vtype_(varLongWord) { u_.i64 = v; }
  Variant(std::int64_t v) noexcept : vtype_(varInt64) { u_.i64 = v; }
  Variant(float v) noexcept : vtype_(varSingle) { u_.i64 = 0; u_.f = v; }
  Variant(double v) noexcept : vtype_(varDouble) { u_.d = v; }
  Variant(Currency v) noexcept : vtype_(varCurrency) { u_.i64 = v.Scaled; }
  Variant(std::string_view s);  // varString
  Variant(const String& s) : Variant(std::string_view(s)) {}
  Variant(const char* s) : Variant(std::string_view(s ? s : "")) {}
  Variant(std::u16string_view s);  // varOleStr
  Variant(const WideString& s) : Variant(std::u16string_view(s)) {}
  Variant(std::shared_ptr<IDispatch> obj);  // varDispatch; a null pointer gives a nil dispatch
  // A raw pointer would otherwise silently become a Boolean; objects travel as handles
  // (platform/rtl/ObjectHandles.h).
  Variant(const void*) = delete;

  static Variant FromDate(TDateTime v) noexcept {
    Variant r;
    r.vtype_ = varDate;
    r.u_.d = v;
    return r;
  }
  // An automation error code (varError), as the missing optional argument of a call.
  static Variant FromError(LongWord code) noexcept {
    Variant r;
    r.vtype_ = varError;
    r.u_.i64 = code;
    return r;
  }
  static Variant MakeNull() noexcept {
    Variant r;
    r.vtype_ = varNull;
    return r;
  }

  // The copies, moves and the release of a number are a few instructions, inlined even where
  // the compiler would rather not (the interpreter's loops).
  [[gnu::always_inline]] Variant(const Variant& o) noexcept : vtype_(o.vtype_), u_(o.u_) {
    if (IsHeap()) u_.heap->Refs.fetch_add(1, std::memory_order_relaxed);
  }
  [[gnu::always_inline]] Variant(Variant&& o) noexcept : vtype_(o.vtype_), u_(o.u_) {
    o.vtype_ = varEmpty;
    o.u_.i64 = 0;
  }
  [[gnu::always_inline]] Variant& operator=(const Variant& o) noexcept {
    Variant copy(o);
    Swap(copy);
    return *this;
  }
  [[gnu::always_inline]] Variant& operator=(Variant&& o) noexcept {
    Variant moved(std::move(o));
    Swap(moved);
    return *this;
  }
  [[gnu::always_inline]] ~Variant() {
    if (IsHeap()) Release();
  }
  // Moves from's value into the raw storage at to and leaves from as raw storage (its value
  // is not released): for stores that keep Variants as bytes. Member by member, as everything
  // else writes them: a copy of all sixteen bytes at once would wait for those narrower stores.
  [[gnu::always_inline]] static void Relocate(void* to, Variant& from) noexcept {
    ::new (to) Variant(from.vtype_, from.u_);
  }
  [[gnu::always_inline]] void Swap(Variant& o) noexcept {
    std::swap(vtype_, o.vtype_);
    std::swap(u_, o.u_);
  }

  // The type code, varArray combined with the element type for arrays.
  TVarType VType() const noexcept { return vtype_; }
  bool IsEmpty() const noexcept { return vtype_ == varEmpty; }
  bool IsNull() const noexcept { return vtype_ == varNull; }
  bool IsArray() const noexcept { return (vtype_ & varArray) != 0; }

  // The payload of a varInteger, an integer kind or a varDouble read without a check, for
  // interpreters that have tested VType() already.
  Integer UncheckedInteger() const noexcept { return static_cast<Integer>(u_.i64); }
  // Every integer kind keeps its value sign-extended in the same 64 bits.
  Int64 UncheckedInt64() const noexcept { return u_.i64; }
  double UncheckedDouble() const noexcept { return u_.d; }
  bool UncheckedBoolean() const noexcept { return u_.b; }

  // Replaces the value, in place, with a varInteger, varInt64 or varDouble whose eight payload
  // bytes are payload (as UncheckedInt64 reads them back): an interpreter's store of a number it
  // worked out natively.
  [[gnu::always_inline]] void AssignNumber(TVarType type, Int64 payload) noexcept {
    if (IsHeap()) Release();
    vtype_ = type;
    u_.i64 = payload;
  }

  // The text of a varString without a copy; empty for every other type.
  std::string_view StrView() const noexcept;

  // Conversions; each raises EVariantTypeCastError when the type cannot convert and
  // EConvertError when a string does not hold the number, date or Boolean asked for.
  // Floats go to integers rounded half to even; out-of-range values raise EVariantOverflowError.
  Integer ToInteger() const;
  Int64 ToInt64() const;
  double ToDouble() const;
  Currency ToCurrency() const;
  TDateTime ToDateTime() const;
  bool ToBoolean() const;
  // Null gives ''; Booleans 'True'/'False'; numbers and dates in the program's locale.
  String ToString() const;
  WideString ToWideString() const;
  // Empty gives nullptr; any other type than varDispatch raises EVariantTypeCastError.
  std::shared_ptr<IDispatch> ToDispatch() const;

 private:
  friend struct detail::VariantAccess;
  // Numbers, the most common values, leave at the first test.
  bool IsHeap() const noexcept {
    if (vtype_ < varOleStr) return false;
    if (vtype_ <= varDispatch) return true;
    return vtype_ == varString || (vtype_ & varArray) != 0;
  }
  void Release() noexcept;

  union Payload;
  Variant(TVarType vtype, const Payload& u) noexcept;

  TVarType vtype_;
  union Payload {
    bool b;
    float f;
    double d;
    Int64 i64;
    detail::VarHeap* heap;
  } u_;
};

inline Variant::Variant(TVarType vtype, const Payload& u) noexcept : vtype_(vtype), u_(u) {}

static_assert(sizeof(Variant) == 16, "Variant is meant to stay a 16-byte tagged value");

Variant Null();
Variant Unassigned();

TVarType VarType(const Variant& v);
bool VarIsNull(const Variant& v);
bool VarIsEmpty(const Variant& v);
// varString or varOleStr.
bool VarIsStr(const Variant& v);
// Integer, floating, currency and Boolean kinds (a date is not numeric).
bool VarIsNumeric(const Variant& v);
bool VarIsArray(const Variant& v);
// Null gives ''.
String VarToStr(const Variant& v);
// A copy of v converted to the type code (varEmpty and varNull give those values).
Variant VarAsType(const Variant& v, TVarType varType);

// Binary operators. EVariantInvalidOpError where the class library has no such operation,
// EDivByZero / EZeroDivide on division by zero.
Variant operator+(const Variant& a, const Variant& b);
Variant operator-(const Variant& a, const Variant& b);
Variant operator*(const Variant& a, const Variant& b);
// Always floating.
Variant operator/(const Variant& a, const Variant& b);
Variant VarIntDiv(const Variant& a, const Variant& b);
Variant VarMod(const Variant& a, const Variant& b);
Variant VarShl(const Variant& a, const Variant& b);
Variant VarShr(const Variant& a, const Variant& b);
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarXor(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);
Variant operator-(const Variant& a);

// Appends text to the varString target holds: in place when no other Variant shares it, so a
// loop that builds a text does not copy it on every round. EVariantTypeCastError for a target
// of any other type.
void VarStrAppend(Variant& target, std::string_view tail);

// Code points of a varString's text, and the byte offset of the code point at a 0-based index
// (the text's size from its end on). Constant time after the first call on a text: an ASCII
// text is flagged as such, any other keeps an index of its code points, so s[i] in a loop
// does not walk the text from its start.
std::size_t VarStrLength(const Variant& v);
std::size_t VarStrOffset(const Variant& v, std::size_t index);
// Overwrites with.size() bytes of target's text from offset, in place when no other Variant
// shares the text and the range lies within it; false otherwise (the caller makes a new text).
// The bytes replaced must be whole code points and with as many bytes of whole code points.
bool VarStrOverwrite(Variant& target, std::size_t offset, std::string_view with);

// Comparisons, with the string and Null rules at the top of this file.
bool operator==(const Variant& a, const Variant& b);
bool operator!=(const Variant& a, const Variant& b);
bool operator<(const Variant& a, const Variant& b);
bool operator<=(const Variant& a, const Variant& b);
bool operator>(const Variant& a, const Variant& b);
bool operator>=(const Variant& a, const Variant& b);

// Arrays. Bounds are pairs of low and high bound, one pair per dimension; indices are given
// first dimension first. Elements of a typed array are converted to its element type on put.
// EVariantBadIndexError for an index out of bounds, EVariantNotAnArrayError for a non-array.
Variant VarArrayCreate(std::span<const Integer> bounds, TVarType elementType);
inline Variant VarArrayCreate(std::initializer_list<Integer> bounds, TVarType elementType) {
  return VarArrayCreate(std::span<const Integer>(bounds.begin(), bounds.size()), elementType);
}
// A one-dimensional varVariant array indexed from 0.
Variant VarArrayOf(std::span<const Variant> values);
inline Variant VarArrayOf(std::initializer_list<Variant> values) {
  return VarArrayOf(std::span<const Variant>(values.begin(), values.size()));
}
Integer VarArrayDimCount(const Variant& a);
// dim counts from 1.
Integer VarArrayLowBound(const Variant& a, Integer dim);
Integer VarArrayHighBound(const Variant& a, Integer dim);
Variant VarArrayGet(const Variant& a, std::span<const Integer> indices);
inline Variant VarArrayGet(const Variant& a, std::initializer_list<Integer> indices) {
  return VarArrayGet(a, std::span<const Integer>(indices.begin(), indices.size()));
}
// The element of a one-dimensional array without a copy, for interpreters that read elements far
// more often than they write them; the reference holds until the array is next changed. Raises
// as VarArrayGet does.
const Variant& VarArrayElementRef(const Variant& a, Integer index);
// The element of a one-dimensional array of varVariant to store into in place, the array made
// unshared first; nullptr for an array whose elements have a fixed type, which VarArrayPut
// converts. Raises as VarArrayPut does.
Variant* VarArrayElementForWrite(Variant& a, Integer index);
void VarArrayPut(Variant& a, const Variant& value, std::span<const Integer> indices);
inline void VarArrayPut(Variant& a, const Variant& value, std::initializer_list<Integer> indices) {
  VarArrayPut(a, value, std::span<const Integer>(indices.begin(), indices.size()));
}
// Changes the high bound of the last dimension, keeping the elements that remain in range.
void VarArrayRedim(Variant& a, Integer highBound);

ORV_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
ORV_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);
ORV_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
ORV_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
ORV_DECLARE_EXCEPTION(EVariantNotAnArrayError, EVariantError);
ORV_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError);
ORV_DECLARE_EXCEPTION(EVariantBadVarTypeError, EVariantError);

}  // namespace orv
