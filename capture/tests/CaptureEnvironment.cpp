// One Qt application for every capture test, made before the first.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gui/Application.h"

namespace {

class CaptureEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    orv::Application->Initialize();
  }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new CaptureEnvironment);

}  // namespace
