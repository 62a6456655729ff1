#pragma once
// Payload layouts and helpers shared by the Variant implementation files; not for other code.
#include <memory>
#include <vector>

#include "platform/rtl/Variant.h"

namespace orv::detail {

// Where every 32nd code point of a UTF-8 text starts, for the first Bytes bytes (Count code
// points) of it: indexing a character then walks at most 31 code points. Widths holds, per
// block of 32, the byte width all its code points share (0 when they differ), so that a text of
// one script (Thai is three bytes a letter) is indexed without a walk.
struct VarStrIndex {
  std::size_t Bytes = 0;
  std::size_t Count = 0;
  std::vector<std::size_t> Marks;
  std::vector<unsigned char> Widths;
};

// A string payload: Length code units (char or char16_t) follow the header, then a terminator.
struct VarStrHeap : VarHeap {
  ~VarStrHeap() { delete Index; }
  // For a varString: -1 not yet known, 1 all ASCII (a code point is a byte), 0 not.
  std::atomic<signed char> Ascii{-1};
  std::size_t Length = 0;
  // Code units the block has room for; more than Length once VarStrAppend has grown it.
  std::size_t Capacity = 0;
  // Made at the first indexing of a text that is not ASCII; guarded by one lock of its own.
  VarStrIndex* Index = nullptr;
};

struct VarDispHeap : VarHeap {
  std::shared_ptr<IDispatch> Obj;
};

struct VarArrayBound {
  Integer Low;
  Integer Count;
};

struct VarArrayHeap : VarHeap {
  TVarType ElementType = varVariant;
  std::vector<VarArrayBound> Bounds;
  // Row-major with the last index varying fastest.
  std::vector<Variant> Items;
  // The next array waiting to be freed on this thread (DestroyArrayHeap).
  VarArrayHeap* NextDead = nullptr;
};

VarHeap* NewStrHeap(const void* data, std::size_t units, std::size_t unitSize);
// Gives back a string payload of unitSize-byte code units, made by NewStrHeap or NewJoinedStrHeap.
void FreeStrHeap(VarStrHeap* h, std::size_t unitSize) noexcept;
// The block of a varString holding x followed by y.
VarHeap* NewJoinedStrHeap(std::string_view x, std::string_view y);
void DestroyArrayHeap(VarHeap* h) noexcept;

struct VariantAccess {
  static VarHeap* Heap(const Variant& v) { return v.u_.heap; }
  static Int64 Int(const Variant& v) { return v.u_.i64; }
  static bool Bool(const Variant& v) { return v.u_.b; }
  static float Single(const Variant& v) { return v.u_.f; }
  static double Double(const Variant& v) { return v.u_.d; }
  static Variant Make(TVarType type, VarHeap* heap) {
    Variant r;
    r.vtype_ = type;
    r.u_.heap = heap;
    return r;
  }
};

inline std::u16string_view OleView(const Variant& v) {
  auto* h = static_cast<const VarStrHeap*>(VariantAccess::Heap(v));
  return {reinterpret_cast<const char16_t*>(h + 1), h->Length};
}

// The class library's name of a type code, for messages ("String", "Array of Variant").
String VarTypeName(TVarType type);
[[noreturn]] void RaiseCastError(TVarType from, TVarType to);
[[noreturn]] void RaiseInvalidOp(const char* op, const Variant& a, const Variant* b);

}  // namespace orv::detail
