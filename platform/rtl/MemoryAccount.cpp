#include "platform/rtl/MemoryAccount.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/rtl/Exceptions.h"

// A block allocated while an account is charged carries a 16-byte header in front of it: the
// account, then a tag word with the offset of the block from what malloc returned and the
// bytes charged. Other blocks carry none, so the rest of the program pays nothing; the C
// library's allocator keeps each block's size in the word in front of it, and no size has the
// tag's top bits, so that word tells the two kinds apart. Under a sanitizer, whose allocator
// keeps no such word, every block has a header.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__GLIBC__)
#define ORV_EVERY_BLOCK_HAS_A_HEADER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define ORV_EVERY_BLOCK_HAS_A_HEADER 1
#endif
#endif

namespace orv {

namespace {

#ifdef ORV_EVERY_BLOCK_HAS_A_HEADER
constexpr bool kEveryBlockHasAHeader = true;
#else
constexpr bool kEveryBlockHasAHeader = false;
#endif

constexpr std::uint64_t kTag = std::uint64_t{0xA5C1} << 48;
constexpr int kShiftBits = 42;
constexpr std::uint64_t kBytesMask = (std::uint64_t{1} << kShiftBits) - 1;
constexpr std::size_t kHeader = 16;
static_assert(kHeader >= alignof(std::max_align_t));

constinit thread_local TMemoryAccount* charged = nullptr;

std::uint64_t WordBefore(const void* p) noexcept {
  std::uint64_t word;
  std::memcpy(&word, static_cast<const char*>(p) - sizeof word, sizeof word);
  return word;
}

void* Plain(std::size_t size, std::size_t alignment) noexcept {
  return alignment > kHeader ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                             : std::malloc(size);
}

// The block behind a header: offset is the alignment asked for, or 16.
void* WithHeader(std::size_t size, std::size_t alignment, TMemoryAccount* account) noexcept {
  const std::size_t offset = alignment > kHeader ? alignment : kHeader;
  if (size > SIZE_MAX - 2 * offset) return nullptr;
  char* base = static_cast<char*>(Plain(size + offset, alignment));
  if (!base) return nullptr;
  // What was asked of malloc: its own rounding is a few bytes, not worth a call on every block.
  const Int64 bytes = account ? static_cast<Int64>(size + offset) : 0;
  char* p = base + offset;
  const std::uint64_t tag = kTag | std::uint64_t(std::countr_zero(offset)) << kShiftBits | std::uint64_t(bytes);
  std::memcpy(p - kHeader, &account, sizeof account);
  std::memcpy(p - sizeof tag, &tag, sizeof tag);
  if (account) ChargeAccount(account, bytes);
  return p;
}

void* Allocate(std::size_t size, std::size_t alignment) noexcept {
  if (size == 0) size = 1;
  TMemoryAccount* account = charged;
  if (!account && !kEveryBlockHasAHeader) [[likely]]
    return Plain(size, alignment);
  return WithHeader(size, alignment, account);
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
  for (;;) {
    if (void* p = Allocate(size, alignment)) return p;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void Release(void* p) noexcept {
  if (!p) return;
  const std::uint64_t tag = WordBefore(p);
  if (!kEveryBlockHasAHeader && (tag & ~(~std::uint64_t{0} >> 16)) != kTag) [[likely]] {
    std::free(p);
    return;
  }
  TMemoryAccount* account;
  std::memcpy(&account, static_cast<char*>(p) - kHeader, sizeof account);
  if (account) GiveBackToAccount(account, static_cast<Int64>(tag & kBytesMask));
  std::free(static_cast<char*>(p) - (std::size_t{1} << ((tag >> kShiftBits) & 63)));
}

}  // namespace

void ChargeAccount(TMemoryAccount* account, Int64 bytes) noexcept {
  account->used_ += bytes;
  if (account->used_ > account->Limit && account->Trip) *account->Trip = 0;
}

// On the thread the account is charged to, a plain count; elsewhere (another thread, or
// after the run) the shared one, which frees a closed account with its last bytes.
void GiveBackToAccount(TMemoryAccount* account, Int64 bytes) noexcept {
  if (account == charged) {
    account->used_ -= bytes;
    return;
  }
  if (account->shared_.fetch_sub(bytes, std::memory_order_acq_rel) == bytes) {
    account->~TMemoryAccount();
    std::free(account);
  }
}

TMemoryAccount* TMemoryAccount::Open() {
  // From malloc: an account is no block of another account's.
  void* p = std::malloc(sizeof(TMemoryAccount));
  if (!p) throw std::bad_alloc();
  return new (p) TMemoryAccount();
}

void TMemoryAccount::Close(TMemoryAccount* account) noexcept {
  if (!account) return;
  // Closed while charged here (its opener gone in the middle of a run): charge nothing more.
  if (charged == account) charged = nullptr;
  // used_ + folded_ is what was charged on the charged thread less what came back there;
  // what came back elsewhere is already off shared_.
  const Int64 out = account->used_ + account->folded_ - kOpen;
  if (account->shared_.fetch_add(out, std::memory_order_acq_rel) + out == 0) {
    account->~TMemoryAccount();
    std::free(account);
  }
}

Int64 TMemoryAccount::Held() noexcept {
  const Int64 back = kOpen - shared_.load(std::memory_order_acquire);
  used_ -= back - folded_;
  folded_ = back;
  return used_;
}

TMemoryAccount* SetMemoryAccount(TMemoryAccount* account) noexcept {
  TMemoryAccount* before = charged;
  charged = account;
  return before;
}

bool MemoryAccountCharged() noexcept { return charged != nullptr; }

bool BlockHasAccountHeader(const void* p) noexcept {
  return kEveryBlockHasAHeader || (WordBefore(p) & ~(~std::uint64_t{0} >> 16)) == kTag;
}

void TMemoryCharge::Set(Int64 bytes) noexcept {
  if (account_) GiveBackToAccount(account_, bytes_);
  account_ = bytes > 0 ? charged : nullptr;
  bytes_ = account_ ? bytes : 0;
  if (account_) ChargeAccount(account_, bytes_);
}

void CheckMemory(Int64 bytes) {
  if (charged && bytes > charged->Limit - charged->Held()) RaiseOutOfMemory(*charged);
}

void RaiseOutOfMemory() { throw EOutOfMemory("Out of memory"); }

void RaiseOutOfMemory(const TMemoryAccount& account) {
  throw EOutOfMemory("Out of memory: the script holds more than " + std::to_string(account.Limit >> 20) + " MB");
}

}  // namespace orv

// The program's allocation functions: the C library's, plus the account of the script run, if
// any, on the calling thread.
void* operator new(std::size_t size) { return orv::AllocateOrThrow(size, 0); }
void* operator new[](std::size_t size) { return orv::AllocateOrThrow(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return orv::Allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return orv::Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) {
  return orv::AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a) {
  return orv::AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return orv::Allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return orv::Allocate(size, static_cast<std::size_t>(a));
}
// Every form frees the same way: the header, when there is one, says where the block began.
void operator delete(void* p) noexcept { orv::Release(p); }
void operator delete[](void* p) noexcept { orv::Release(p); }
void operator delete(void* p, std::size_t) noexcept { orv::Release(p); }
void operator delete[](void* p, std::size_t) noexcept { orv::Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { orv::Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { orv::Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { orv::Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { orv::Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { orv::Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { orv::Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { orv::Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { orv::Release(p); }
