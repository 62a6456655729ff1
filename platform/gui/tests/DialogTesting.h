#pragma once
// A test fixture whose message boxes and dialogs are answered by a script instead of a user.
#include <gtest/gtest.h>

#include <memory>

#include "platform/gui/ScriptedDialogService.h"

namespace orv::testing {

// Puts a scripted dialog service in place for each test and the previous one back afterwards,
// so that a test's unanswered questions never reach the next test.
class ScriptedDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto scripted = std::make_unique<TScriptedDialogService>();
    dialogs_ = scripted.get();
    previous_ = SetDialogService(std::move(scripted));
  }
  void TearDown() override { SetDialogService(std::move(previous_)); }
  TScriptedDialogService* dialogs_ = nullptr;
  std::unique_ptr<IDialogService> previous_;
};

}  // namespace orv::testing
