#include <gtest/gtest.h>

#include "platform/rtl/List.h"

namespace orv {
namespace {

// A list entry with a sort key.
struct TKeyed : TObject {
  explicit TKeyed(int k) : key(k) {}
  int key;
};

TEST(List, EditingKeepsOrderAndReportsBadIndexes) {
  TKeyed a(3), b(1), c(2);
  TList list;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&b), 1);
  EXPECT_EQ(list.Add(&c), 2);
  list.Insert(0, nullptr);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.IndexOf(&c), 3);
  list.Pack();
  EXPECT_EQ(list.First(), &a);
  EXPECT_EQ(list.Last(), &c);

  list.Exchange(0, 2);
  EXPECT_EQ(list.Items(0), &c);
  list.Move(0, 2);
  EXPECT_EQ(list.Items(2), &c);
  EXPECT_EQ(list.Items(0), &b);

  EXPECT_EQ(list.Remove(&b), 0);
  EXPECT_EQ(list.Remove(&b), -1);
  EXPECT_EQ(list.Extract(&c), &c);
  EXPECT_EQ(list.Extract(&c), nullptr);
  EXPECT_EQ(list.Count(), 1);

  try {
    list.Items(5);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (5)");
  }
  EXPECT_THROW(list.Insert(3, &a), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Move(0, 1), EListError);
  EXPECT_THROW(list.SetCount(-1), EListError);
  EXPECT_THROW(list.SetCapacity(0), EListError);

  list.SetCount(3);
  EXPECT_EQ(list.Items(2), nullptr);
  list.SetCapacity(100);
  EXPECT_GE(list.Capacity(), 100);
  list.SetItems(2, &b);
  TList copy;
  copy.Assign(list);
  EXPECT_EQ(copy.Items(2), &b);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(copy.Count(), 3);
}

TEST(List, SortIsStable) {
  std::vector<std::unique_ptr<TKeyed>> items;
  TList list;
  for (int k : {2, 1, 2, 0, 1}) {
    items.push_back(std::make_unique<TKeyed>(k));
    list.Add(items.back().get());
  }
  list.Sort([](TObject* a, TObject* b) {
    return static_cast<TKeyed*>(a)->key - static_cast<TKeyed*>(b)->key;
  });
  std::vector<TObject*> expected{items[3].get(), items[1].get(), items[4].get(), items[0].get(),
                                 items[2].get()};
  for (Integer i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Items(i), expected[i]) << i;
}

}  // namespace
}  // namespace orv
