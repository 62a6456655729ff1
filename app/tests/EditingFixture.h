#pragma once
// Test support for the working main window: questions answered by a scripted dialog service,
// and typing into an editor followed by Enter, as a user does.
#include "app/tests/ParishFixture.h"
#include "platform/gui/ScriptedDialogService.h"
#include "platform/gui/tests/WidgetTesting.h"

namespace orv::test {

using orv::testing::KeyClick;
using orv::testing::KeyClicks;
using orv::testing::KeyTarget;

// Replaces the editor's text by typing, then presses Enter.
inline void TypeAndEnter(TControl* editor, const std::string& text) {
  editor->SetText("");
  KeyClicks(KeyTarget(editor), QString::fromStdString(text));
  KeyClick(KeyTarget(editor), Qt::Key_Return, "\r");
}

// A parish test whose message boxes are answered from a queue and recorded.
class ParishDialogTest : public ParishTest {
 protected:
  void SetUp() override {
    ParishTest::SetUp();
    auto scripted = std::make_unique<TScriptedDialogService>();
    dialogs_ = scripted.get();
    previous_ = SetDialogService(std::move(scripted));
  }
  void TearDown() override {
    ParishTest::TearDown();
    SetDialogService(std::move(previous_));
  }
  TScriptedDialogService* dialogs_ = nullptr;
  std::unique_ptr<IDialogService> previous_;
};

}  // namespace orv::test
