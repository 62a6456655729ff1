// The row store keeps every cell it was given, whichever order the cells come in, whichever
// columns of a row are set, and wherever its chunks went meanwhile (memory or the file).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <utility>

#include "platform/db/RowStore.h"
#include "platform/rtl/MemoryAccount.h"

namespace orv::test {
namespace {

class RowStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = RowStore::MemoryBudget();
    // A few chunks of rows fit; the rest go to the file.
    RowStore::SetMemoryBudget(256 << 10);
  }
  void TearDown() override { RowStore::SetMemoryBudget(saved_); }
  size_t saved_ = 0;
};

// What a cell was given, as text: "" for Null.
std::string Written(const CellView& v) {
  switch (v.Type) {
    case CellType::Null: return "";
    case CellType::Integer: return "i" + std::to_string(v.Int);
    case CellType::Float: return "f" + std::to_string(v.Float);
    case CellType::Text: return "t" + std::string(v.Bytes);
    case CellType::Blob: return "b" + std::string(v.Bytes);
  }
  return "?";
}

TEST_F(RowStoreTest, CellsSetInAnyOrderOnRowsAddedInManyStepsAreReadBackAsGiven) {
  constexpr int kColumns = 83;
  RowStore store(kColumns);
  std::map<std::pair<std::int64_t, int>, std::string> given;
  std::mt19937 random(7);
  auto check = [&](const char* when) {
    int wrong = 0;
    for (std::int64_t r = 0; r < store.Rows(); ++r)
      for (int c = 0; c < kColumns; ++c) {
        auto it = given.find({r, c});
        if (Written(store.Get(r, c)) != (it == given.end() ? "" : it->second)) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << when;
  };
  auto set = [&](std::int64_t row, int column) {
    CellView v;
    std::string text;
    switch (random() % 5) {
      case 0: v = CellView::MakeInteger(static_cast<std::int64_t>(random()) - (1LL << 31)); break;
      case 1: v = CellView::MakeFloat(static_cast<double>(random() % 1000) / 8); break;
      case 2:
        text = "สมชาย " + std::to_string(row) + "/" + std::to_string(column);
        v = CellView::MakeText(text);
        break;
      case 3:
        text = std::string(random() % 40, static_cast<char>(random()));
        v = CellView::MakeBlob(text);
        break;
      default: break;  // Null, over whatever the cell held
    }
    store.Set(row, column, v);
    if (v.IsNull()) given.erase({row, column});
    else given[{row, column}] = Written(v);
  };
  // Rows added one at a time while the first ones are written, as a grid adds them.
  for (int r = 0; r < 40; ++r) {
    store.AddRow();
    for (int c = 0; c < kColumns; c += 1 + r % 3) set(r, c);
  }
  check("after the first rows");
  // Windows of a walk: rows added in a block, then a few columns of them set in a shuffled
  // order, as rows read by their keys arrive.
  for (int window = 0; window < 12; ++window) {
    std::vector<std::int64_t> rows;
    for (int i = 0; i < 300; ++i) rows.push_back(store.AddRow());
    std::shuffle(rows.begin(), rows.end(), random);
    for (std::int64_t r : rows)
      for (int c : {0, 2, 3, 40, 41, 82}) set(r, c);
  }
  check("after the windows");
  // The rest of rows far back, then rows across the whole store, and one added last.
  for (int i = 0; i < 500; ++i) set(static_cast<std::int64_t>(random() % store.Rows()), static_cast<int>(random() % kColumns));
  const std::int64_t last = store.AddRow();
  set(last, 17);
  store.CopyRow(5, last);
  for (int c = 0; c < kColumns; ++c) {
    auto it = given.find({5, c});
    if (it == given.end()) given.erase({last, c});
    else given[{last, c}] = it->second;
  }
  check("after rows were completed and copied");
}

TEST_F(RowStoreTest, ARowAddedToAChunkThatCameBackFromTheFileKeepsTheOthers) {
  RowStore store(20);
  // A last chunk still filling, and then enough rows read far back to send it to the file.
  for (int r = 0; r < 2000; ++r) {
    store.AddRow();
    store.Set(r, r % 20, CellView::MakeInteger(r));
  }
  for (int r = 0; r < 1500; r += 7) ASSERT_EQ(store.Get(r, r % 20).Int, r);
  for (int r = 2000; r < 2100; ++r) {
    store.AddRow();
    store.Set(r, 19 - r % 20, CellView::MakeText("แถว " + std::to_string(r)));
  }
  int wrong = 0;
  for (int r = 0; r < 2100; ++r)
    for (int c = 0; c < 20; ++c) {
      const CellView v = store.Get(r, c);
      if (r < 2000) wrong += c == r % 20 ? v.Type != CellType::Integer || v.Int != r : !v.IsNull();
      else wrong += c == 19 - r % 20 ? std::string(v.Bytes) != "แถว " + std::to_string(r) : !v.IsNull();
    }
  EXPECT_EQ(wrong, 0);
}

// A report walks a wide table reading a few of its columns: the rows hold those cells alone,
// whichever chunk the first whole rows went to, and a row read whole afterwards keeps them.
TEST_F(RowStoreTest, AWalkOfAFewColumnsOfAWideTableHoldsThoseCellsAlone) {
  constexpr int kColumns = 83, kRows = 5000;
  RowStore::SetMemoryBudget(size_t{64} << 20);
  TMemoryAccount* account = TMemoryAccount::Open();
  TMemoryAccount* before = SetMemoryAccount(account);
  Int64 held = 0;
  {
    RowStore store(kColumns);
    auto whole = [&](std::int64_t r) {
      for (int c = 0; c < kColumns; ++c) store.Set(r, c, CellView::MakeInteger(r * 100 + c));
    };
    // The first screen of a list, read whole.
    for (int r = 0; r < 32; ++r) whole(store.AddRow());
    // Then the walk: its windows added first and their cells set in another order.
    for (int window = 32; window < kRows; window += 1000) {
      std::vector<std::int64_t> rows;
      for (int r = window; r < std::min(window + 1000, kRows); ++r) rows.push_back(store.AddRow());
      std::reverse(rows.begin(), rows.end());
      for (std::int64_t r : rows)
        for (int c : {0, 7, 8, 60}) store.Set(r, c, CellView::MakeInteger(r * 100 + c));
    }
    held = account->Held();
    // A row the report wants whole after all, far back and in the last chunk.
    whole(1234);
    whole(kRows - 1);
    int wrong = 0;
    for (std::int64_t r = 0; r < kRows; ++r)
      for (int c = 0; c < kColumns; ++c) {
        const bool set = r < 32 || r == 1234 || r == kRows - 1 || c == 0 || c == 7 || c == 8 || c == 60;
        const CellView v = store.Get(r, c);
        wrong += set ? v.Type != CellType::Integer || v.Int != r * 100 + c : !v.IsNull();
      }
    EXPECT_EQ(wrong, 0);
  }
  SetMemoryAccount(before);
  TMemoryAccount::Close(account);
  // Whole rows would take 83 cells of 9 bytes each; the walk's four take a small part of that.
  EXPECT_LT(held, Int64{kRows} * kColumns * 9 / 4);
}

}  // namespace
}  // namespace orv::test
