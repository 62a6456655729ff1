#include "platform/rtl/MemoryAccount.h"

#include <malloc.h>

#include <cstdlib>
#include <new>
#include <string>

#include "platform/rtl/Exceptions.h"

namespace orv {

namespace {

constinit thread_local TMemoryAccount* charged = nullptr;

void* Allocate(std::size_t size, std::size_t alignment) noexcept {
  if (size == 0) size = 1;
  void* p = alignment > alignof(std::max_align_t) ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                                                  : std::malloc(size);
  if (p && charged) {
    charged->Used += static_cast<Int64>(malloc_usable_size(p));
    if (charged->Used > charged->Limit) charged->CheckAt = 0;
  }
  return p;
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
  if (charged) charged->Used -= static_cast<Int64>(malloc_usable_size(p));
  std::free(p);
}

}  // namespace

TMemoryAccount* SetMemoryAccount(TMemoryAccount* account) noexcept {
  TMemoryAccount* before = charged;
  charged = account;
  return before;
}

void ChargeMemory(Int64 bytes) noexcept {
  if (!charged) return;
  charged->Used += bytes;
  if (charged->Used > charged->Limit) charged->CheckAt = 0;
}

void CheckMemory(Int64 bytes) {
  if (charged && bytes > charged->Limit - charged->Used) RaiseOutOfMemory(*charged);
}

void RaiseOutOfMemory(const TMemoryAccount& account) {
  throw EOutOfMemory("Out of memory: the script holds more than " + std::to_string(account.Limit >> 20) + " MB");
}

}  // namespace orv

// The program's allocation functions: the C library's, plus the count of the script run, if
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
