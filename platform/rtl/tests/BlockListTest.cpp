#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/rtl/BlockList.h"

namespace orv {
namespace {

// Inserting, erasing and reading anywhere, across blocks that split and empty, agrees with a
// plain vector given the same steps; so do searches of a sorted sequence.
TEST(BlockList, AgreesWithAVectorThroughRandomInsertsErasesAndReads) {
  TBlockList<int> list;
  std::vector<int> model;
  std::mt19937 random(45);
  // Appending fills blocks one after another, then changes land anywhere among them.
  for (int value = -1000; value < 0; ++value) {
    list.insert(list.size(), value);
    model.push_back(value);
    ASSERT_EQ(list[static_cast<size_t>(value + 1000) / 2], model[static_cast<size_t>(value + 1000) / 2]);
  }
  for (int step = 0; step < 40000; ++step) {
    const bool grow = model.size() < 3000 ? random() % 4 != 0 : random() % 4 == 0;
    if (grow) {
      const size_t at = random() % (model.size() + 1);
      list.insert(at, step);
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), step);
    } else if (!model.empty()) {
      const size_t at = random() % model.size();
      list.erase(at);
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    }
    ASSERT_EQ(list.size(), model.size());
    if (!model.empty()) {
      const size_t at = random() % model.size();
      ASSERT_EQ(list[at], model[at]) << step;
    }
    if (step % 5000 == 0) {
      for (size_t i = model.size(); i-- > 0;) ASSERT_EQ(list[i], model[i]) << step;
    }
  }
  for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(list[i], model[i]);
  list.clear();
  model.clear();
  for (int i = 0; i < 1000; ++i) {
    const int value = static_cast<int>(random() % 500);
    const auto less = [](int a, int b) { return a < b; };
    const size_t at = list.lower_bound(value, less);
    ASSERT_EQ(at, static_cast<size_t>(std::lower_bound(model.begin(), model.end(), value) - model.begin()));
    list.insert(at, value);
    model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), value);
  }
  for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(list[i], model[i]);
}

}  // namespace
}  // namespace orv
