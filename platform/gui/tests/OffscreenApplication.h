#pragma once
// One Qt application for every test of an executable, made by the application object before the
// first test, on the offscreen platform unless the run names another.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gui/Application.h"

namespace orv::testing {

class OffscreenApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
  }
};

}  // namespace orv::testing
