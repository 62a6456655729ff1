#pragma once
// Test support for the working main window: typing into an editor followed by Enter, as a user
// does.
#include "app/tests/ParishFixture.h"
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

}  // namespace orv::test
