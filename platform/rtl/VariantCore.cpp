#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/MemoryAccount.h"
#include "platform/rtl/TextUtils.h"
#include "platform/rtl/Variant.h"
#include "platform/rtl/VariantInternals.h"

namespace orv {

namespace detail {

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kKeepStrBlocks = false;
#else
constexpr bool kKeepStrBlocks = true;
#endif

// A few blocks of short texts freed on a thread, kept there for its next texts: a report reads a
// new text for every field of every row and lets the one before go. Blocks charged to a
// script's memory account are never kept, and none is handed out while an account is charged,
// so the account sees each of its own blocks come and go.
struct TStrBlocks {
  static constexpr std::size_t kSlots = 8;
  static constexpr std::size_t kLargest = 256;
  void* Block[kSlots];
  std::size_t Room[kSlots];
  std::size_t Count;
};
constinit thread_local TStrBlocks strBlocks{};
// Texts are freed after a thread's own destructors have run too (a program's static objects
// go last): the kept blocks are then given back and nothing is kept any more.
constinit thread_local bool strBlocksGone = false;
struct TStrBlocksOwner {
  ~TStrBlocksOwner() {
    for (std::size_t i = 0; i < strBlocks.Count; ++i) ::operator delete(strBlocks.Block[i]);
    strBlocks.Count = 0;
    strBlocksGone = true;
  }
};
thread_local TStrBlocksOwner strBlocksOwner;

// The block's bytes: the header, its code units and a terminator.
std::size_t BlockBytes(std::size_t units, std::size_t unitSize) {
  return sizeof(VarStrHeap) + (units + 1) * unitSize;
}

// A string payload with room for units code units and a terminator; Length is left to the caller.
VarStrHeap* AllocateStrHeap(std::size_t units, std::size_t unitSize) {
  const std::size_t bytes = BlockBytes(units, unitSize);
  TStrBlocks& kept = strBlocks;
  if (kKeepStrBlocks && kept.Count > 0 && bytes <= TStrBlocks::kLargest && !MemoryAccountCharged()) {
    // A block a little larger serves; one more than twice the size would hold memory idle.
    for (std::size_t i = kept.Count; i-- > 0;) {
      const std::size_t room = kept.Room[i];
      if (room < bytes || room > 2 * bytes) continue;
      void* mem = kept.Block[i];
      --kept.Count;
      kept.Block[i] = kept.Block[kept.Count];
      kept.Room[i] = kept.Room[kept.Count];
      auto* h = new (mem) VarStrHeap;
      h->Capacity = (room - sizeof(VarStrHeap)) / unitSize - 1;
      return h;
    }
  }
  auto* h = new (::operator new(bytes)) VarStrHeap;
  h->Capacity = units;
  return h;
}

}  // namespace

void FreeStrHeap(VarStrHeap* h, std::size_t unitSize) noexcept {
  const std::size_t room = BlockBytes(h->Capacity, unitSize);
  h->~VarStrHeap();
  TStrBlocks& kept = strBlocks;
  if (kKeepStrBlocks && room <= TStrBlocks::kLargest && !strBlocksGone && !BlockHasAccountHeader(h)) {
    static_cast<void>(&strBlocksOwner);
    if (kept.Count == TStrBlocks::kSlots) {
      // The first kept makes room, so the blocks kept follow the sizes of the texts now read.
      ::operator delete(kept.Block[0]);
      --kept.Count;
      kept.Block[0] = kept.Block[kept.Count];
      kept.Room[0] = kept.Room[kept.Count];
    }
    kept.Block[kept.Count] = h;
    kept.Room[kept.Count] = room;
    ++kept.Count;
    return;
  }
  ::operator delete(h);
}

VarHeap* NewStrHeap(const void* data, std::size_t units, std::size_t unitSize) {
  VarStrHeap* h = AllocateStrHeap(units, unitSize);
  h->Length = units;
  auto* bytes = reinterpret_cast<char*>(h + 1);
  if (units) std::memcpy(bytes, data, units * unitSize);
  std::memset(bytes + units * unitSize, 0, unitSize);
  return h;
}

VarHeap* NewJoinedStrHeap(std::string_view x, std::string_view y) {
  const std::size_t units = x.size() + y.size();
  VarStrHeap* h = AllocateStrHeap(units, 1);
  h->Length = units;
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
    const std::size_t unitSize = vtype_ == varOleStr ? sizeof(char16_t) : 1;
    detail::FreeStrHeap(static_cast<detail::VarStrHeap*>(h), unitSize);
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
  detail::VarStrHeap* grown = detail::AllocateStrHeap(capacity, 1);
  grown->Length = length;
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
