// Every kit test runs with one application on the offscreen platform, made by the application
// object before the first test.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gui/Application.h"

namespace {

class KitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    orv::Application->Initialize();
  }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new KitEnvironment);

}  // namespace
