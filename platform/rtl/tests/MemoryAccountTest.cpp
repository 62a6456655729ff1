// A memory account holds what was allocated while it was charged and not yet freed, whoever
// frees it and whenever: on another thread, after the run, after the account was closed.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/MemoryAccount.h"

namespace orv {
namespace {

// Allocates while account is charged on this thread.
template <class F>
auto Charged(TMemoryAccount* account, F make) {
  TMemoryAccount* before = SetMemoryAccount(account);
  auto made = make();
  SetMemoryAccount(before);
  return made;
}

struct alignas(64) TWide {
  char Bytes[200];
};

TEST(MemoryAccount, BlocksGiveTheirBytesBackWhereverTheyAreFreed) {
  TMemoryAccount* account = TMemoryAccount::Open();
  auto text = Charged(account, [] { return std::make_unique<std::string>(1 << 20, 'x'); });
  auto wide = Charged(account, [] { return std::make_unique<TWide[]>(1000); });
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide.get()) % 64, 0u);
  const Int64 both = account->Held();
  const Int64 wideBytes = 1000 * sizeof(TWide);
  EXPECT_GE(both, (1 << 20) + wideBytes);
  EXPECT_LT(both, (1 << 20) + wideBytes + 8192);

  // Freed outside the run and on another thread.
  wide.reset();
  const Int64 textOnly = account->Held();
  EXPECT_LE(textOnly, both - wideBytes);
  std::thread([&text] { text.reset(); }).join();
  EXPECT_EQ(account->Held(), 0);

  // What was allocated before the account was charged is none of its business.
  auto outside = std::make_unique<std::vector<char>>(1 << 16);
  Charged(account, [&outside] {
    outside.reset();
    return 0;
  });
  EXPECT_EQ(account->Held(), 0);

  // Sized and aligned forms, freed while the account is charged.
  Charged(account, [] {
    void* p = ::operator new(300, std::align_val_t{128});
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 128, 0u);
    ::operator delete(p, 300, std::align_val_t{128});
    char* q = new char[77];
    ::operator delete[](q, 77);
    return 0;
  });
  EXPECT_EQ(account->Held(), 0);
  TMemoryAccount::Close(account);
}

TEST(MemoryAccount, AClosedAccountLastsUntilItsLastBlockIsFreed) {
  TMemoryAccount* account = TMemoryAccount::Open();
  std::vector<std::unique_ptr<std::string>> blocks;
  Charged(account, [&blocks] {
    for (int i = 0; i < 64; ++i) blocks.push_back(std::make_unique<std::string>(1000 + i, 'y'));
    return 0;
  });
  TMemoryCharge text;
  Charged(account, [&text] {
    text.Set(5000);
    return 0;
  });
  TMemoryAccount::Close(account);
  // Half here, half on four threads at once; the last one frees the account.
  blocks.resize(32);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    std::vector<std::unique_ptr<std::string>> share;
    for (int i = 0; i < 8; ++i) {
      share.push_back(std::move(blocks.back()));
      blocks.pop_back();
    }
    threads.emplace_back([share = std::move(share)]() mutable { share.clear(); });
  }
  for (std::thread& t : threads) t.join();
  text.Set(0);
}

}  // namespace
}  // namespace orv
