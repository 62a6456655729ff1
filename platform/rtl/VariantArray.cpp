#include <algorithm>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/Variant.h"
#include "platform/rtl/VariantInternals.h"

namespace orv {

using detail::VarArrayHeap;
using detail::VariantAccess;

namespace detail {

// Arrays nested hundreds of thousands deep (a script's w[0] := v; v := w) are freed one after
// the other: an array whose elements free another array while it goes only queues that one,
// so freeing never recurses.
void DestroyArrayHeap(VarHeap* h) noexcept {
  static thread_local VarArrayHeap* queue = nullptr;
  static thread_local bool freeing = false;
  auto* array = static_cast<VarArrayHeap*>(h);
  array->NextDead = queue;
  queue = array;
  if (freeing) return;
  freeing = true;
  while (queue) {
    VarArrayHeap* next = queue;
    queue = next->NextDead;
    delete next;
  }
  freeing = false;
}

}  // namespace detail

namespace {

// Far more than a script or a report ever builds; a larger request is a damaged bound.
constexpr Int64 kMaxElements = Int64{1} << 26;

[[noreturn]] void BadIndex() { throw EVariantBadIndexError("Variant or safe array index out of bounds"); }

bool ValidElementType(TVarType t) {
  switch (t) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varDate: case varOleStr: case varDispatch: case varError: case varBoolean:
    case varVariant: case varShortInt: case varByte: case varWord: case varLongWord:
    case varInt64: case varString:
      return true;
    default:
      return false;
  }
}

// The zero value of an element type.
Variant Blank(TVarType t) {
  switch (t) {
    case varVariant: return Variant();
    case varError: return Variant::FromError(0);
    case varDispatch: return Variant(std::shared_ptr<IDispatch>());
    default: return VarAsType(Variant(), t);
  }
}

[[noreturn]] void NotAnArray() { throw EVariantNotAnArrayError("Variant is not an array"); }

inline const VarArrayHeap& HeapOf(const Variant& a) {
  if (!a.IsArray()) [[unlikely]]
    NotAnArray();
  return *static_cast<const VarArrayHeap*>(VariantAccess::Heap(a));
}

// The array a holds, copied first when another Variant shares it.
VarArrayHeap& MutableHeapOf(Variant& a) {
  const VarArrayHeap& h = HeapOf(a);
  if (h.Refs.load(std::memory_order_acquire) == 1) return const_cast<VarArrayHeap&>(h);
  auto* copy = new VarArrayHeap;
  copy->ElementType = h.ElementType;
  copy->Bounds = h.Bounds;
  copy->Items = h.Items;
  a = VariantAccess::Make(a.VType(), copy);
  return *copy;
}

std::size_t Offset(const VarArrayHeap& h, std::span<const Integer> indices) {
  if (indices.size() != h.Bounds.size()) BadIndex();
  std::size_t offset = 0;
  for (std::size_t d = 0; d < indices.size(); ++d) {
    Int64 i = Int64{indices[d]} - h.Bounds[d].Low;
    if (i < 0 || i >= h.Bounds[d].Count) BadIndex();
    offset = offset * h.Bounds[d].Count + static_cast<std::size_t>(i);
  }
  return offset;
}

const detail::VarArrayBound& Dim(const Variant& a, Integer dim) {
  const VarArrayHeap& h = HeapOf(a);
  if (dim < 1 || dim > static_cast<Integer>(h.Bounds.size())) BadIndex();
  return h.Bounds[dim - 1];
}

}  // namespace

Variant VarArrayCreate(std::span<const Integer> bounds, TVarType elementType) {
  if (bounds.empty() || bounds.size() % 2 != 0 || !ValidElementType(elementType))
    throw EVariantArrayCreateError("Error creating variant or safe array");
  auto* h = new VarArrayHeap;
  Variant result = VariantAccess::Make(varArray | elementType, h);
  h->ElementType = elementType;
  Int64 total = 1;
  for (std::size_t i = 0; i < bounds.size(); i += 2) {
    Int64 count = Int64{bounds[i + 1]} - bounds[i] + 1;
    if (count < 0 || count > kMaxElements) throw EVariantArrayCreateError("Error creating variant or safe array");
    total *= count;
    if (total > kMaxElements) throw EVariantArrayCreateError("Error creating variant or safe array");
    h->Bounds.push_back({bounds[i], static_cast<Integer>(count)});
  }
  h->Items.assign(static_cast<std::size_t>(total), Blank(elementType));
  return result;
}

Variant VarArrayOf(std::span<const Variant> values) {
  Variant a = VarArrayCreate({0, static_cast<Integer>(values.size()) - 1}, varVariant);
  auto& h = MutableHeapOf(a);
  std::copy(values.begin(), values.end(), h.Items.begin());
  return a;
}

Integer VarArrayDimCount(const Variant& a) {
  if (!a.IsArray()) return 0;
  return static_cast<Integer>(HeapOf(a).Bounds.size());
}

Integer VarArrayLowBound(const Variant& a, Integer dim) { return Dim(a, dim).Low; }

Integer VarArrayHighBound(const Variant& a, Integer dim) {
  const auto& b = Dim(a, dim);
  return static_cast<Integer>(Int64{b.Low} + b.Count - 1);
}

Variant VarArrayGet(const Variant& a, std::span<const Integer> indices) {
  const VarArrayHeap& h = HeapOf(a);
  return h.Items[Offset(h, indices)];
}

namespace {

// The offset of an element of a one-dimensional array.
inline std::size_t SingleOffset(const VarArrayHeap& h, Integer index) {
  if (h.Bounds.size() != 1) [[unlikely]]
    BadIndex();
  const Int64 i = Int64{index} - h.Bounds[0].Low;
  if (i < 0 || i >= h.Bounds[0].Count) [[unlikely]]
    BadIndex();
  return static_cast<std::size_t>(i);
}

}  // namespace

const Variant& VarArrayElementRef(const Variant& a, Integer index) {
  const VarArrayHeap& h = HeapOf(a);
  return h.Items[SingleOffset(h, index)];
}

Variant* VarArrayElementForWrite(Variant& a, Integer index) {
  auto* h = const_cast<VarArrayHeap*>(&HeapOf(a));
  const std::size_t offset = SingleOffset(*h, index);
  if (h->ElementType != varVariant) return nullptr;
  if (h->Refs.load(std::memory_order_acquire) != 1) [[unlikely]]
    h = &MutableHeapOf(a);
  return &h->Items[offset];
}

void VarArrayPut(Variant& a, const Variant& value, std::span<const Integer> indices) {
  const VarArrayHeap& shared = HeapOf(a);
  std::size_t offset = Offset(shared, indices);
  // Convert before touching the array, so a failed conversion leaves it as it was; and take
  // a copy of value first, since it may be an element of a itself.
  Variant element = shared.ElementType == varVariant ? value : VarAsType(value, shared.ElementType);
  MutableHeapOf(a).Items[offset].Swap(element);
}

void VarArrayRedim(Variant& a, Integer highBound) {
  VarArrayHeap& h = MutableHeapOf(a);
  detail::VarArrayBound& last = h.Bounds.back();
  Int64 count = Int64{highBound} - last.Low + 1;
  Int64 outer = 1;
  for (std::size_t d = 0; d + 1 < h.Bounds.size(); ++d) outer *= h.Bounds[d].Count;
  if (count < 0 || count > kMaxElements || outer * count > kMaxElements) BadIndex();
  std::vector<Variant> items(static_cast<std::size_t>(outer * count), Blank(h.ElementType));
  Int64 keep = std::min<Int64>(count, last.Count);
  for (Int64 row = 0; row < outer; ++row)
    for (Int64 i = 0; i < keep; ++i)
      items[row * count + i] = std::move(h.Items[row * last.Count + i]);
  h.Items = std::move(items);
  last.Count = static_cast<Integer>(count);
}

}  // namespace orv
