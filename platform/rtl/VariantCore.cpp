#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/TextUtils.h"
#include "platform/rtl/Variant.h"
#include "platform/rtl/VariantInternals.h"

namespace orv {

namespace detail {

VarHeap* NewStrHeap(const void* data, std::size_t units, std::size_t unitSize) {
  void* mem = ::operator new(sizeof(VarStrHeap) + units * unitSize + unitSize);
  auto* h = new (mem) VarStrHeap;
  h->Length = units;
  h->Capacity = units;
  auto* bytes = reinterpret_cast<char*>(h + 1);
  if (units) std::memcpy(bytes, data, units * unitSize);
  std::memset(bytes + units * unitSize, 0, unitSize);
  return h;
}

VarHeap* NewJoinedStrHeap(std::string_view x, std::string_view y) {
  const std::size_t units = x.size() + y.size();
  void* mem = ::operator new(sizeof(VarStrHeap) + units + 1);
  auto* h = new (mem) VarStrHeap;
  h->Length = units;
  h->Capacity = units;
  auto* bytes = reinterpret_cast<char*>(h + 1);
  if (!x.empty()) std::memcpy(bytes, x.data(), x.size());
  if (!y.empty()) std::memcpy(bytes + x.size(), y.data(), y.size());
  bytes[units] = '\0';
  return h;
}

}  // namespace detail

using detail::VariantAccess;

Variant::Variant(std::string_view s) : vtype_(varString) {
  u_.heap = detail::NewStrHeap(s.data(), s.size(), 1);
}

Variant::Variant(std::u16string_view s) : vtype_(varOleStr) {
  u_.heap = detail::NewStrHeap(s.data(), s.size(), sizeof(char16_t));
}

Variant::Variant(std::shared_ptr<IDispatch> obj) : vtype_(varDispatch) {
  auto* h = new detail::VarDispHeap;
  h->Obj = std::move(obj);
  u_.heap = h;
}

void Variant::Release() noexcept {
  detail::VarHeap* h = u_.heap;
  if (h->Refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  if (vtype_ & varArray) {
    detail::DestroyArrayHeap(h);
  } else if (vtype_ == varDispatch) {
    delete static_cast<detail::VarDispHeap*>(h);
  } else {
    static_cast<detail::VarStrHeap*>(h)->~VarStrHeap();
    ::operator delete(h);
  }
}

void VarStrAppend(Variant& target, std::string_view tail) {
  if (target.VType() != varString) detail::RaiseCastError(target.VType(), varString);
  auto* h = static_cast<detail::VarStrHeap*>(VariantAccess::Heap(target));
  const bool alone = h->Refs.load(std::memory_order_acquire) == 1;
  const std::size_t length = h->Length + tail.size();
  if (alone && length <= h->Capacity) {
    auto* bytes = reinterpret_cast<char*>(h + 1);
    std::memmove(bytes + h->Length, tail.data(), tail.size());
    bytes[length] = '\0';
    h->Length = length;
    // The index of the text before stays right, and is extended when next asked, unless the
    // tail completes a sequence the text ended in.
    if (h->Index && !tail.empty() && (static_cast<unsigned char>(tail[0]) & 0xC0) == 0x80) {
      delete h->Index;
      h->Index = nullptr;
    }
    if (h->Ascii.load(std::memory_order_relaxed) == 1 && !IsAsciiText(tail)) h->Ascii.store(0, std::memory_order_relaxed);
    return;
  }
  // Doubling keeps a loop of appends linear in the text it builds; a shared text is copied at
  // its size, as the other holders may keep it.
  const std::size_t capacity = alone ? std::max(length, 2 * h->Capacity) : length;
  void* mem = ::operator new(sizeof(detail::VarStrHeap) + capacity + 1);
  auto* grown = new (mem) detail::VarStrHeap;
  grown->Length = length;
  grown->Capacity = capacity;
  auto* bytes = reinterpret_cast<char*>(grown + 1);
  std::memcpy(bytes, h + 1, h->Length);
  std::memcpy(bytes + h->Length, tail.data(), tail.size());
  bytes[length] = '\0';
  target = VariantAccess::Make(varString, grown);
}

namespace {

constexpr std::size_t kMarkEvery = 32;

// Guards the code-point indexes of texts that more than one Variant (on any thread) may share.
std::mutex& IndexLock() {
  static std::mutex lock;
  return lock;
}

const detail::VarStrHeap* StrHeap(const Variant& v) {
  if (v.VType() != varString) detail::RaiseCastError(v.VType(), varString);
  return static_cast<const detail::VarStrHeap*>(VariantAccess::Heap(v));
}

bool IsAsciiHeap(const detail::VarStrHeap* h) {
  signed char known = h->Ascii.load(std::memory_order_relaxed);
  if (known < 0) {
    known = IsAsciiText({reinterpret_cast<const char*>(h + 1), h->Length}) ? 1 : 0;
    const_cast<detail::VarStrHeap*>(h)->Ascii.store(known, std::memory_order_relaxed);
  }
  return known == 1;
}

// The index of the whole text, made or extended as needed; call with IndexLock held.
const detail::VarStrIndex& IndexOf(const detail::VarStrHeap* h) {
  auto* heap = const_cast<detail::VarStrHeap*>(h);
  if (!heap->Index) heap->Index = new detail::VarStrIndex;
  detail::VarStrIndex& index = *heap->Index;
  const std::string_view text(reinterpret_cast<const char*>(h + 1), h->Length);
  std::size_t at = index.Bytes;
  std::size_t count = index.Count;
  while (at < text.size()) {
    const std::size_t from = at;
    NextCodePoint(text, at);
    const auto width = static_cast<unsigned char>(at - from);
    if (count % kMarkEvery == 0) {
      index.Marks.push_back(from);
      index.Widths.push_back(width);
    } else if (index.Widths.back() != width) {
      index.Widths.back() = 0;
    }
    ++count;
  }
  index.Bytes = at;
  index.Count = count;
  return index;
}

// A text only the caller's Variant holds cannot be reached from another thread: its index
// is made and read without the lock.
bool HeldAlone(const detail::VarStrHeap* h) { return h->Refs.load(std::memory_order_acquire) == 1; }

}  // namespace

std::size_t VarStrLength(const Variant& v) {
  const detail::VarStrHeap* h = StrHeap(v);
  if (IsAsciiHeap(h)) return h->Length;
  if (HeldAlone(h)) return IndexOf(h).Count;
  std::lock_guard lock(IndexLock());
  return IndexOf(h).Count;
}

std::size_t VarStrOffset(const Variant& v, std::size_t index) {
  const detail::VarStrHeap* h = StrHeap(v);
  if (IsAsciiHeap(h)) return std::min(index, h->Length);
  const std::string_view text(reinterpret_cast<const char*>(h + 1), h->Length);
  std::size_t at;
  unsigned char width;
  {
    std::unique_lock lock(IndexLock(), std::defer_lock);
    if (!HeldAlone(h)) lock.lock();
    const detail::VarStrIndex& marks = IndexOf(h);
    if (index >= marks.Count) return text.size();
    at = marks.Marks[index / kMarkEvery];
    width = marks.Widths[index / kMarkEvery];
  }
  const std::size_t left = index % kMarkEvery;
  if (width != 0) return at + left * width;
  for (std::size_t k = left; k > 0; --k) NextCodePoint(text, at);
  return at;
}

bool VarStrOverwrite(Variant& target, std::size_t offset, std::string_view with) {
  if (target.VType() != varString) return false;
  auto* h = static_cast<detail::VarStrHeap*>(VariantAccess::Heap(target));
  if (h->Refs.load(std::memory_order_acquire) != 1 || offset > h->Length || with.size() > h->Length - offset)
    return false;
  std::memmove(reinterpret_cast<char*>(h + 1) + offset, with.data(), with.size());
  if (h->Ascii.load(std::memory_order_relaxed) == 1 && !IsAsciiText(with)) h->Ascii.store(0, std::memory_order_relaxed);
  return true;
}

std::string_view Variant::StrView() const noexcept {
  if (vtype_ != varString) return {};
  auto* h = static_cast<const detail::VarStrHeap*>(u_.heap);
  return {reinterpret_cast<const char*>(h + 1), h->Length};
}

std::shared_ptr<IDispatch> Variant::ToDispatch() const {
  if (vtype_ == varEmpty) return nullptr;
  if (vtype_ != varDispatch) detail::RaiseCastError(vtype_, varDispatch);
  return static_cast<const detail::VarDispHeap*>(u_.heap)->Obj;
}

Currency Currency::FromDouble(double value) {
  double scaled = std::nearbyint(value * 10000.0);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
    throw EVariantOverflowError("Arithmetic overflow");
  return Currency{static_cast<Int64>(scaled)};
}

Variant Null() { return Variant::MakeNull(); }
Variant Unassigned() { return Variant(); }

TVarType VarType(const Variant& v) { return v.VType(); }
bool VarIsNull(const Variant& v) { return v.IsNull(); }
bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
bool VarIsArray(const Variant& v) { return v.IsArray(); }
bool VarIsStr(const Variant& v) { return v.VType() == varString || v.VType() == varOleStr; }

bool VarIsNumeric(const Variant& v) {
  switch (v.VType()) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varBoolean: case varShortInt: case varByte: case varWord: case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}

}  // namespace orv
